#include "app/PackListModels.h"

#include <array>

#include "app/QtText.h"

namespace quilto::app {

namespace {

constexpr std::array<const char*, 9> kHeaderCaptions = {"Cue", "Title", "Performer", "Time", "Frames",
                                                        "Kbps", "Hz",    "File",      "FilePath"};
constexpr std::array<const char*, 5> kCueCaptions = {"", "", "Title", "Performer", "Index"};
constexpr std::array<const char*, 13> kTrackCaptions = {"",          "FileName", "Tag", "Artist", "Title",
                                                        "Time",      "Frames",   "Kbps", "C/V",   "Hz",
                                                        "ChanelMode ", "BitStream", "Xing"};

}  // namespace

void PageListModel::refresh() {
    beginResetModel();
    endResetModel();
}

void PageListModel::textsChanged() {
    if (rowCount() == 0) return;
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

QVariant PageListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
    if (role == Qt::DisplayRole) return caption(section);
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags PageListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (editable(index.column())) result |= Qt::ItemIsEditable;
    return result;
}

bool PageListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || index.row() >= rowCount() || !editable(index.column())) return false;
    std::string* target = field(static_cast<std::size_t>(index.row()), index.column());
    if (target == nullptr) return false;
    std::string written = value.toString().toStdString();
    if (written == *target) return true;
    *target = std::move(written);
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

QVariant PageListModel::cellData(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) return {};
    const auto row = static_cast<std::size_t>(index.row());
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return text(row, index.column());
        case Qt::TextAlignmentRole:
            return QVariant::fromValue((rightAligned(index.column()) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        default:
            return {};
    }
}

// ------------------------------------------------------------------ CueHeader

int CueHeaderModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 1; }

int CueHeaderModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return page_.page == pack::Page::UnPack ? FilePath + 1 : File + 1;
}

QVariant CueHeaderModel::data(const QModelIndex& index, int role) const {
    if (index.isValid() && index.column() == Cue) {
        if (role == kCueCheckRole) return static_cast<int>(page_.header.check);
        if (role == kCueNotFittingRole) return page_.header.notFitting;
    }
    return cellData(index, role);
}

QString CueHeaderModel::caption(int column) const { return QString::fromLatin1(kHeaderCaptions.at(static_cast<std::size_t>(column))); }

bool CueHeaderModel::editable(int column) const {
    return column == Title || column == Performer || column == Time || column == File || column == FilePath;
}

bool CueHeaderModel::rightAligned(int column) const { return column >= Time && column <= Hz; }

QString CueHeaderModel::text(std::size_t, int column) const {
    const pack::CueHeader& h = page_.header;
    const std::array<const std::string*, 9> fields = {&h.cue, &h.title, &h.performer, &h.time, &h.frames,
                                                      &h.kbps, &h.hz,   &h.file,      &h.filePath};
    return ToQString(*fields.at(static_cast<std::size_t>(column)));
}

std::string* CueHeaderModel::field(std::size_t, int column) {
    pack::CueHeader& h = page_.header;
    switch (column) {
        case Title: return &h.title;
        case Performer: return &h.performer;
        case Time: return &h.time;
        case File: return &h.file;
        default: return nullptr;  // FilePath is shown for copying only
    }
}

// -------------------------------------------------------------------- CueList

int CueListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(page_.cues.size());
}

int CueListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Index + 1; }

QVariant CueListModel::data(const QModelIndex& index, int role) const { return cellData(index, role); }

QString CueListModel::caption(int column) const { return QString::fromLatin1(kCueCaptions.at(static_cast<std::size_t>(column))); }

bool CueListModel::editable(int column) const { return column == Title || column == Performer || column == Index; }

bool CueListModel::rightAligned(int column) const { return column == Number; }

QString CueListModel::text(std::size_t row, int column) const {
    const pack::CueRow& r = page_.cues.at(row);
    const std::array<const std::string*, 5> fields = {&r.length, &r.number, &r.title, &r.performer, &r.index};
    return ToQString(*fields.at(static_cast<std::size_t>(column)));
}

std::string* CueListModel::field(std::size_t row, int column) {
    pack::CueRow& r = page_.cues.at(row);
    switch (column) {
        case Title: return &r.title;
        case Performer: return &r.performer;
        case Index: return &r.index;
        default: return nullptr;
    }
}

// ------------------------------------------------------------------ TrackList

int TrackListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(page_.tracks.size());
}

int TrackListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Xing + 1; }

QVariant TrackListModel::data(const QModelIndex& index, int role) const { return cellData(index, role); }

QString TrackListModel::caption(int column) const {
    return QString::fromLatin1(kTrackCaptions.at(static_cast<std::size_t>(column)));
}

bool TrackListModel::editable(int column) const { return column == Artist || column == Title; }

bool TrackListModel::rightAligned(int column) const {
    return column == Number || column == Time || column == Frames || column == Kbps || column == Hz ||
           column == BitStream || column == Xing;
}

QString TrackListModel::text(std::size_t row, int column) const {
    const pack::TrackRow& r = page_.tracks.at(row);
    const std::array<const std::string*, 13> fields = {&r.caption, &r.fileName, &r.tag,  &r.artist, &r.title,
                                                       &r.time,    &r.frames,   &r.kbps, &r.cv,     &r.hz,
                                                       &r.mode,    &r.bitStream, &r.xing};
    return ToQString(*fields.at(static_cast<std::size_t>(column)));
}

std::string* TrackListModel::field(std::size_t row, int column) {
    pack::TrackRow& r = page_.tracks.at(row);
    if (column == Artist) return &r.artist;
    if (column == Title) return &r.title;
    return nullptr;
}

}  // namespace quilto::app
