#include "app/TagListModel.h"
#include "app/QtText.h"

#include <array>

#include "app/Icons.h"
#include "edit/EditableListView.h"

namespace quilto::app {

namespace {

constexpr std::array<const char*, 9> kId3v1Captions = {"", "FileName", "Artist", "Title", "Album", "\u2116", "Year",
                                                       "Comments", "Genre"};
constexpr std::array<const char*, 15> kId3v2Captions = {
    "",      "FileName", "Artist", "Title",           "Album",     "\u2116", "Year",       "Comments",
    "Genre", "Composer", "Original Artist", "Copyright", "URL",    "Encoded By", "Encoder & Settings"};

}  // namespace

TagListModel::TagListModel(core::FolderRows& rows, Version version, std::function<const core::GenreTable&()> genres,
                           QObject* parent)
    : QAbstractTableModel(parent),
      rows_(rows),
      version_(version),
      genres_(std::move(genres)),
      tagPresent_(icons::TagPresent()),
      tagAbsent_(icons::TagAbsent()),
      edited_(icons::Edited()),
      excluded_(icons::Excluded()) {}

int TagListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : static_cast<int>(rows_.size()); }

int TagListModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return tags::ColumnCount(list());
}

QString TagListModel::caption(int column) const {
    if (column < 0 || column >= columnCount()) return {};
    return QString::fromUtf8(version_ == Version::Id3v1 ? kId3v1Captions[static_cast<std::size_t>(column)]
                                                        : kId3v2Captions[static_cast<std::size_t>(column)]);
}

QVariant TagListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const auto row = static_cast<std::size_t>(index.row());
    const bool v1 = version_ == Version::Id3v1;
    const int tagMark = v1 ? rows_.id3v1[row].tagMark : rows_.id3v2[row].tagMark;
    const int image = v1 ? rows_.id3v1[row].image : rows_.id3v2[row].image;
    if (role == edit::kExcludedRowRole) return image == core::kExcludedImage;
    if (index.column() == 0) {
        switch (role) {
            case kTagMarkRole: return tagMark == 1 ? tagPresent_ : tagAbsent_;
            case kEditMarkRole:
                if (image == core::kExcludedImage) return excluded_;
                if (image == core::kEditedImage) return edited_;
                return {};
            case Qt::ToolTipRole:
                if (image == core::kExcludedImage) return tr("The file could not be opened");
                return {};
            default: return {};
        }
    }
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        const std::string text = tags::CellText(rows_, list(), row, static_cast<tags::TagColumn>(index.column()));
        // The file name is bytes of the file system, not necessarily UTF-8.
        return index.column() == 1 ? DisplayName(text) : ToQString(text);
    }
    if (role == Qt::TextAlignmentRole && (index.column() == 5 || (v1 && index.column() == 6))) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

bool TagListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || index.row() >= rowCount()) return false;
    const auto column = static_cast<tags::TagColumn>(index.column());
    if (!tags::IsEditableColumn(list(), column)) return false;
    const std::string text = value.toString().toStdString();
    if (!tags::SetCell(tags::TagRows{rows_, genres_()}, list(), static_cast<std::size_t>(index.row()), column, text)) {
        return false;
    }
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), columnCount() - 1));
    emit cellChanged(index.row(), index.column());
    return true;
}

QVariant TagListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
    if (role == Qt::DisplayRole) return caption(section);
    if (role == Qt::TextAlignmentRole && (section == 5 || (version_ == Version::Id3v1 && section == 6))) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

void TagListModel::reset() {
    beginResetModel();
    endResetModel();
}

void TagListModel::rowsChanged() {
    if (rowCount() == 0) return;
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

}  // namespace quilto::app
