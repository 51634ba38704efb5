#include "app/RenameModels.h"

#include <cstdio>

#include "app/Icons.h"
#include "app/QtText.h"
#include "app/TagListModel.h"
#include "edit/EditableListView.h"

namespace quilto::app {

namespace {

QString RowCaption(int row) {
    char caption[16];
    std::snprintf(caption, sizeof caption, "%4d", row + 1);
    return QString::fromLatin1(caption);
}

}  // namespace

// ------------------------------------------------------------ rename list

RenameListModel::RenameListModel(core::FolderRows& rows, QObject* parent)
    : QAbstractTableModel(parent),
      rows_(rows),
      checked_(icons::TagPresent()),
      unchecked_(icons::TagAbsent()),
      problem_(icons::CannotOpen()),
      pending_(icons::Edited()),
      excluded_(icons::Excluded()) {}

int RenameListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.rename.size());
}

int RenameListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant RenameListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const core::RenameRow& row = rows_.rename[static_cast<std::size_t>(index.row())];
    if (role == edit::kExcludedRowRole) return row.excluded();
    if (index.column() == Marks) {
        switch (role) {
            case kTagMarkRole:
                if (row.stateImage == 0) return unchecked_;
                if (row.stateImage == 1) return checked_;
                if (row.stateImage == 3) return problem_;
                return {};
            case kEditMarkRole:
                if (row.image == core::kExcludedImage) return excluded_;
                if (row.image == core::kEditedImage) return pending_;
                return {};
            default: return {};
        }
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    switch (index.column()) {
        // Names are bytes of the file system, not necessarily UTF-8.
        case FileName: return DisplayName(row.fileName);
        case ReplaceConvert: return DisplayName(row.replaceConvert);
        case Message: return ToQString(row.message);
        case From: return DisplayName(row.from);
        case To: return DisplayName(row.to);
        default: return {};
    }
}

std::string& RenameListModel::sourceText(std::size_t row) {
    core::RenameRow& r = rows_.rename[row];
    return source() == rename::SourceColumn::FileName ? r.fileName : r.replaceConvert;
}

bool RenameListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || index.row() >= rowCount() || index.column() != sourceColumn()) {
        return false;
    }
    const auto row = static_cast<std::size_t>(index.row());
    if (rows_.rename[row].excluded()) return false;
    std::string& text = sourceText(row);
    const std::string typed = value.toString().toStdString();
    if (typed == text) return false;
    text = typed;
    rows_.rename[row].stateImage = core::kNoImage;
    rows_.rename[row].image = core::kEditedImage;
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), ColumnCount - 1));
    emit cellChanged(index.row(), index.column());
    return true;
}

QString RenameListModel::caption(int column) const {
    switch (column) {
        case FileName: return fileNameCaption_;
        case ReplaceConvert: return replaceCaption_;
        case From: return QStringLiteral("(From)");
        case To: return QStringLiteral("(To)");
        default: return {};
    }
}

void RenameListModel::setCaptions(QString fileName, QString replaceConvert) {
    fileNameCaption_ = std::move(fileName);
    replaceCaption_ = std::move(replaceConvert);
    emit headerDataChanged(Qt::Horizontal, FileName, ReplaceConvert);
}

rename::SourceColumn RenameListModel::source() const {
    return replaceCaption_.startsWith(QLatin1Char('*')) ? rename::SourceColumn::ReplaceConvert
                                                        : rename::SourceColumn::FileName;
}

QVariant RenameListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return caption(section);
}

void RenameListModel::reset() {
    beginResetModel();
    endResetModel();
}

void RenameListModel::rowsChanged() {
    if (rowCount() == 0) return;
    emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

// ------------------------------------------------------------ format list

FormatListModel::FormatListModel(QObject* parent) : QAbstractTableModel(parent) {}

void FormatListModel::setSteps(std::vector<rename::FormatStep> steps) {
    beginResetModel();
    steps_ = std::move(steps);
    endResetModel();
    emit stepsChanged();
}

void FormatListModel::addStep() {
    const int row = rowCount();
    beginInsertRows({}, row, row);
    steps_.push_back(rename::FormatStep::Make(rename::FormatItem::Text, ""));
    endInsertRows();
    emit stepsChanged();
}

void FormatListModel::removeStep(int row) {
    if (row < 0 || row >= rowCount()) return;
    beginRemoveRows({}, row, row);
    steps_.erase(steps_.begin() + row);
    endRemoveRows();
    // The numbers of the rows below changed.
    if (rowCount() > 0) emit dataChanged(index(0, Number), index(rowCount() - 1, Number));
    emit stepsChanged();
}

std::vector<int> FormatListModel::moveSteps(const std::vector<int>& rows, int target) {
    beginResetModel();
    std::vector<int> placed = MoveRows(steps_, rows, target);
    endResetModel();
    if (!placed.empty()) emit stepsChanged();
    return placed;
}

int FormatListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(steps_.size());
}

int FormatListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant FormatListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    const rename::FormatStep& step = steps_[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
        case Number: return RowCaption(index.row());
        case Item: return ToQString(step.item);
        case Parameter: return ToQString(step.parameter);
        default: return {};
    }
}

bool FormatListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || index.row() >= rowCount()) return false;
    rename::FormatStep& step = steps_[static_cast<std::size_t>(index.row())];
    const std::string text = value.toString().toStdString();
    if (index.column() == Item) {
        if (text == step.item) return false;
        step.item = text;
        // The old parameter belongs to the old item's list.
        step.parameter.clear();
    } else if (index.column() == Parameter) {
        if (text == step.parameter) return false;
        step.parameter = text;
    } else {
        return false;
    }
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), ColumnCount - 1));
    emit stepsChanged();
    return true;
}

QVariant FormatListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section == Item) return QStringLiteral("Item");
    if (section == Parameter) return QStringLiteral("Parameter");
    return {};
}

// ---------------------------------------------------------- replace pairs

ReplacePairModel::ReplacePairModel(QObject* parent) : QAbstractTableModel(parent) {}

void ReplacePairModel::setPairs(std::vector<SavedReplacePair> pairs) {
    beginResetModel();
    pairs_ = std::move(pairs);
    endResetModel();
}

void ReplacePairModel::addPair(SavedReplacePair pair) {
    const int row = rowCount();
    beginInsertRows({}, row, row);
    pairs_.push_back(std::move(pair));
    endInsertRows();
}

void ReplacePairModel::removePair(int row) {
    if (row < 0 || row >= rowCount()) return;
    beginRemoveRows({}, row, row);
    pairs_.erase(pairs_.begin() + row);
    endRemoveRows();
}

std::vector<int> ReplacePairModel::movePairs(const std::vector<int>& rows, int target) {
    beginResetModel();
    std::vector<int> placed = MoveRows(pairs_, rows, target);
    endResetModel();
    return placed;
}

int ReplacePairModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(pairs_.size());
}

int ReplacePairModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant ReplacePairModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    const SavedReplacePair& pair = pairs_[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
        case Name: return ToQString(pair.name);
        case From: return ToQString(pair.from);
        case To: return ToQString(pair.to);
        default: return {};
    }
}

bool ReplacePairModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || index.row() >= rowCount()) return false;
    SavedReplacePair& pair = pairs_[static_cast<std::size_t>(index.row())];
    std::string* field = index.column() == Name ? &pair.name : index.column() == From ? &pair.from : &pair.to;
    const std::string text = value.toString().toStdString();
    if (*field == text) return false;
    *field = text;
    emit dataChanged(index, index);
    return true;
}

QVariant ReplacePairModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section == From) return QStringLiteral("From");
    if (section == To) return QStringLiteral("To");
    return {};
}

}  // namespace quilto::app
