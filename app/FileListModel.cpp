#include "app/FileListModel.h"
#include "app/QtText.h"

#include "app/Icons.h"

namespace quilto::app {

FileListModel::FileListModel(core::FolderRows& rows, const core::SortState& sort, QObject* parent)
    : QAbstractTableModel(parent),
      rows_(rows),
      sort_(sort),
      packed_(icons::PackedFile()),
      cannotOpen_(icons::CannotOpen()),
      cue_(icons::CueMark()),
      packedWithCue_(icons::PackedWithCue()),
      cannotOpenWithCue_(icons::CannotOpenWithCue()) {}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(core::kFileListColumnCount);
}

Qt::Alignment FileListModel::ColumnAlignment(int column) {
    if (core::IsRightAligned(column)) return Qt::AlignRight | Qt::AlignVCenter;
    if (column == 4 || column == 14 || column == 18) return Qt::AlignCenter;
    return Qt::AlignLeft | Qt::AlignVCenter;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const core::FileRecord& record = rows_.files[static_cast<std::size_t>(index.row())];
    const int column = index.column();
    switch (role) {
        case Qt::DisplayRole:
            if (column == 0) return ToQString(record.marker);
            if (column - 1 == static_cast<int>(core::FileColumn::FileName)) return DisplayName(record.fileName());
            return ToQString(record.texts[static_cast<std::size_t>(column - 1)]);
        case Qt::DecorationRole:
            if (column != 0) return {};
            switch (record.icon) {
                case core::FileIcon::Packed: return record.cueMark ? packedWithCue_ : packed_;
                case core::FileIcon::CannotOpen: return record.cueMark ? cannotOpenWithCue_ : cannotOpen_;
                case core::FileIcon::None: return record.cueMark ? cue_ : QVariant();
            }
            return {};
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(ColumnAlignment(column));
        case Qt::ToolTipRole:
            if (column != 0) return {};
            if (record.icon == core::FileIcon::CannotOpen) return tr("The file could not be opened");
            if (record.icon == core::FileIcon::Packed) return tr("Packed or bound file");
            if (record.cueMark) return tr("Carries an embedded cue sheet");
            return {};
        default:
            return {};
    }
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
    if (role == Qt::DisplayRole) return ToQString(sort_.captions[static_cast<std::size_t>(section)]);
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(ColumnAlignment(section));
    return {};
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

void FileListModel::reset() {
    beginResetModel();
    endResetModel();
}

void FileListModel::rowsChanged(int first, int last) {
    if (first > last || rowCount() == 0) return;
    emit dataChanged(index(first, 0), index(last, columnCount() - 1));
}

void FileListModel::headerChanged() { emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1); }

}  // namespace quilto::app
