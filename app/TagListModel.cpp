#include "app/TagListModel.h"
#include "app/QtText.h"

#include <array>

#include "app/Icons.h"

namespace quilto::app {

namespace {

constexpr std::array<const char*, 9> kId3v1Captions = {"", "FileName", "Artist", "Title", "Album", "\u2116", "Year",
                                                       "Comments", "Genre"};
constexpr std::array<const char*, 15> kId3v2Captions = {
    "",      "FileName", "Artist", "Title",           "Album",     "\u2116", "Year",       "Comments",
    "Genre", "Composer", "Original Artist", "Copyright", "URL",    "Encoded By", "Encoder & Settings"};


}  // namespace

TagListModel::TagListModel(const core::FolderRows& rows, Version version, QObject* parent)
    : QAbstractTableModel(parent),
      rows_(rows),
      version_(version),
      tagPresent_(icons::TagPresent()),
      tagAbsent_(icons::TagAbsent()),
      edited_(icons::Edited()),
      excluded_(icons::Excluded()) {}

int TagListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : static_cast<int>(rows_.size()); }

int TagListModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return static_cast<int>(version_ == Version::Id3v1 ? kId3v1Captions.size() : kId3v2Captions.size());
}

QString TagListModel::cell(std::size_t row, int column) const {
    if (version_ == Version::Id3v1) {
        const core::Id3v1Row& r = rows_.id3v1[row];
        const std::array<const std::string*, 8> fields = {&r.fileName, &r.tag.artist, &r.tag.title, &r.tag.album,
                                                          &r.tag.track, &r.tag.year, &r.tag.comment, &r.tag.genre};
        if (column == 1) return DisplayName(r.fileName);
        return ToQString(*fields[static_cast<std::size_t>(column - 1)]);
    }
    const core::Id3v2Row& r = rows_.id3v2[row];
    if (column == 1) return DisplayName(r.fileName);
    return ToQString(r.tag.field(static_cast<std::size_t>(column - 2)));
}

QVariant TagListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const auto row = static_cast<std::size_t>(index.row());
    const bool v1 = version_ == Version::Id3v1;
    const int tagMark = v1 ? rows_.id3v1[row].tagMark : rows_.id3v2[row].tagMark;
    const int image = v1 ? rows_.id3v1[row].image : rows_.id3v2[row].image;
    if (index.column() == 0) {
        if (role == Qt::DecorationRole) {
            if (image == core::kExcludedImage) return excluded_;
            if (image == core::kEditedImage) return edited_;
            return tagMark == 1 ? tagPresent_ : tagAbsent_;
        }
        if (role == Qt::ToolTipRole && image == core::kExcludedImage) return tr("The file could not be opened");
        return {};
    }
    if (role == Qt::DisplayRole) return cell(row, index.column());
    if (role == Qt::TextAlignmentRole && index.column() == 5) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::TextAlignmentRole && v1 && index.column() == 6) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant TagListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount()) return {};
    return QString::fromUtf8(version_ == Version::Id3v1 ? kId3v1Captions[static_cast<std::size_t>(section)]
                                                        : kId3v2Captions[static_cast<std::size_t>(section)]);
}

void TagListModel::reset() {
    beginResetModel();
    endResetModel();
}

}  // namespace quilto::app
