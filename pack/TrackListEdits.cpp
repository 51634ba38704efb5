#include "pack/TrackListEdits.h"

#include <algorithm>

#include "core/CueTime.h"
#include "core/TextLines.h"

namespace quilto::pack {

namespace {

template <class Page>
auto* CellOf(Page& page, EditColumn column, std::size_t row) {
    using Text = decltype(&page.header.title);
    switch (column.list) {
        case EditList::Header:
            if (row != 0) return Text{nullptr};
            if (column.column == kHeaderTitleColumn) return &page.header.title;
            if (column.column == kHeaderPerformerColumn) return &page.header.performer;
            return Text{nullptr};
        case EditList::Cues: {
            if (row >= page.cues.size()) return Text{nullptr};
            auto& cue = page.cues[row];
            if (column.column == kCueTitleColumn) return &cue.title;
            if (column.column == kCuePerformerColumn) return &cue.performer;
            if (column.column == kCueIndexColumn) return &cue.index;
            return Text{nullptr};
        }
        case EditList::Tracks: {
            if (row >= page.tracks.size()) return Text{nullptr};
            auto& track = page.tracks[row];
            if (column.column == kTrackArtistColumn) return &track.artist;
            if (column.column == kTrackTitleColumn) return &track.title;
            return Text{nullptr};
        }
    }
    return Text{nullptr};
}

// "mm:ss:ff" or "mmm:ss:ff", digits only between the colons.
bool IsCueTimeText(std::string_view text) {
    if (text.size() != 8 && text.size() != 9) return false;
    const std::size_t minutes = text.size() - 6;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool colon = i == minutes || i == minutes + 3;
        if (colon ? text[i] != ':' : (text[i] < '0' || text[i] > '9')) return false;
    }
    return true;
}

std::vector<std::size_t> TargetRows(const TrackPage& page, EditList list, std::vector<std::size_t> chosen) {
    const std::size_t count = RowCount(page, list);
    if (list == EditList::Header) return count > 0 ? std::vector<std::size_t>{0} : std::vector<std::size_t>{};
    if (chosen.empty()) {
        for (std::size_t row = 0; row < count; ++row) chosen.push_back(row);
        return chosen;
    }
    std::sort(chosen.begin(), chosen.end());
    chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
    chosen.erase(std::remove_if(chosen.begin(), chosen.end(), [&](std::size_t i) { return i >= count; }),
                 chosen.end());
    return chosen;
}

void AfterChange(TrackPage& page, EditColumn column, const std::vector<std::size_t>& changed) {
    if (IsIndexColumn(column) && !changed.empty()) RecomputeCueLengths(page, true);
}

std::string NamePart(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    if (dot != std::string::npos && dot != 0) name.resize(dot);
    return name;
}

std::string TagField(const core::FolderRows& files, std::size_t i, TrackCopySource source, int field) {
    if (source == TrackCopySource::Id3v1) {
        if (files.id3v1[i].excluded()) return {};
        const auto& tag = files.id3v1[i].tag;
        return field == 1 ? tag.artist : field == 2 ? tag.title : field == 3 ? tag.album : std::string();
    }
    if (files.id3v2[i].excluded()) return {};
    const auto& tag = files.id3v2[i].tag;
    return field == 1 ? tag.artist : field == 2 ? tag.title : field == 3 ? tag.album : std::string();
}

std::string SourceValue(const TrackPage& page, EditColumn column, std::size_t row, TrackCopySource source, int field,
                        const core::FolderRows* files) {
    switch (source) {
        case TrackCopySource::Cue:
            if (row >= page.cues.size()) return {};
            return field == 1 ? page.cues[row].title : field == 2 ? page.cues[row].performer : std::string();
        case TrackCopySource::Mp3: {
            const TrackRow* track = nullptr;
            if (column.list == EditList::Tracks) {
                // The first track of the same file.
                const std::string& name = page.tracks[row].fileName;
                for (const TrackRow& other : page.tracks) {
                    if (other.fileName == name) {
                        track = &other;
                        break;
                    }
                }
            } else if (row < page.tracks.size()) {
                // Cue rows name no file; they are made one per track.
                track = &page.tracks[row];
            }
            if (track == nullptr) return {};
            return field == 1 ? track->artist : field == 2 ? track->title : std::string();
        }
        case TrackCopySource::FileName:
            if (column.list != EditList::Tracks) return {};
            return NamePart(page.tracks[row].fileName);
        case TrackCopySource::Id3v1:
        case TrackCopySource::Id3v2: {
            if (column.list != EditList::Tracks || files == nullptr) return {};
            const std::string& path = page.tracks[row].fileName;
            for (std::size_t i = 0; i < files->size(); ++i) {
                if (files->path(i) == path) return TagField(*files, i, source, field);
            }
            return {};
        }
    }
    return {};
}

}  // namespace

bool IsToolColumn(EditColumn column) {
    switch (column.list) {
        case EditList::Header:
            return column.column == kHeaderTitleColumn || column.column == kHeaderPerformerColumn;
        case EditList::Cues:
            return column.column == kCueTitleColumn || column.column == kCuePerformerColumn ||
                   column.column == kCueIndexColumn;
        case EditList::Tracks:
            return column.column == kTrackArtistColumn || column.column == kTrackTitleColumn;
    }
    return false;
}

bool IsIndexColumn(EditColumn column) {
    return column.list == EditList::Cues && column.column == kCueIndexColumn;
}

std::size_t RowCount(const TrackPage& page, EditList list) {
    switch (list) {
        case EditList::Header: return 1;
        case EditList::Cues: return page.cues.size();
        case EditList::Tracks: return page.tracks.size();
    }
    return 0;
}

std::string ColumnText(const TrackPage& page, EditColumn column, std::size_t row) {
    const std::string* cell = CellOf(page, column, row);
    return cell != nullptr ? *cell : std::string();
}

bool SetColumnText(TrackPage& page, EditColumn column, std::size_t row, std::string_view text) {
    std::string* cell = CellOf(page, column, row);
    if (cell == nullptr) return false;
    std::string value(text);
    if (IsIndexColumn(column)) {
        if (!IsCueTimeText(value)) return false;
        value = core::NormalizeCueTimeText(value);
    }
    if (*cell == value) return false;
    *cell = std::move(value);
    return true;
}

std::vector<std::size_t> SetAll(TrackPage& page, EditColumn column, std::vector<std::size_t> rows,
                                std::string_view value, bool append) {
    std::vector<std::size_t> changed;
    // A time with text behind it is no time.
    if (!IsToolColumn(column) || (append && IsIndexColumn(column))) return changed;
    for (const std::size_t row : TargetRows(page, column.list, std::move(rows))) {
        const std::string text = append ? ColumnText(page, column, row) + std::string(value) : std::string(value);
        if (SetColumnText(page, column, row, text)) changed.push_back(row);
    }
    AfterChange(page, column, changed);
    return changed;
}

std::vector<TrackCopyItem> CopyItems(Page page, EditColumn column) {
    std::vector<TrackCopyItem> items;
    if (!IsToolColumn(column)) return items;
    const bool files = column.list == EditList::Tracks;
    if (files) items.push_back({10, "File Name", TrackCopySource::FileName, 0});
    items.push_back({21, "Cue Title", TrackCopySource::Cue, 1});
    items.push_back({22, "Cue Performer", TrackCopySource::Cue, 2});
    items.push_back({31, "MP3 Artist", TrackCopySource::Mp3, 1});
    items.push_back({32, "MP3 Title", TrackCopySource::Mp3, 2});
    if (files && page == Page::Pack) {
        items.push_back({41, "ID3v1 Artist", TrackCopySource::Id3v1, 1});
        items.push_back({42, "ID3v1 Title", TrackCopySource::Id3v1, 2});
        items.push_back({43, "ID3v1 Album", TrackCopySource::Id3v1, 3});
        items.push_back({51, "ID3v2 Artist", TrackCopySource::Id3v2, 1});
        items.push_back({52, "ID3v2 Title", TrackCopySource::Id3v2, 2});
        items.push_back({53, "ID3v2 Album", TrackCopySource::Id3v2, 3});
    }
    return items;
}

std::vector<std::size_t> CopyFromSource(TrackPage& page, EditColumn column, std::vector<std::size_t> rows,
                                        TrackCopySource source, int field, bool append,
                                        const core::FolderRows* files) {
    std::vector<std::size_t> changed;
    if (!IsToolColumn(column) || (append && IsIndexColumn(column))) return changed;
    for (const std::size_t row : TargetRows(page, column.list, std::move(rows))) {
        const std::string value = SourceValue(page, column, row, source, field, files);
        if (value.empty()) continue;
        const std::string text = append ? ColumnText(page, column, row) + value : value;
        if (SetColumnText(page, column, row, text)) changed.push_back(row);
    }
    AfterChange(page, column, changed);
    return changed;
}

bool ClearColumn(TrackPage& page, EditColumn column) {
    if (!IsToolColumn(column) || IsIndexColumn(column)) return false;
    for (std::size_t row = 0; row < RowCount(page, column.list); ++row) {
        if (std::string* cell = CellOf(page, column, row)) cell->clear();
    }
    return true;
}

std::string ColumnExchangeText(const TrackPage& page, EditColumn column) {
    std::vector<std::string> lines;
    for (std::size_t row = 0; row < RowCount(page, column.list); ++row) lines.push_back(ColumnText(page, column, row));
    return core::JoinCrLfLines(lines);
}

bool ReadBackColumn(TrackPage& page, EditColumn column, std::string_view text, std::vector<std::size_t>& changed,
                    std::string& error) {
    changed.clear();
    error.clear();
    if (!IsToolColumn(column)) {
        error = "This column cannot be edited";
        return false;
    }
    const std::vector<std::string> lines = core::SplitTextLines(text);
    const std::size_t count = RowCount(page, column.list);
    // A line more or less would shift every following text onto the wrong row.
    if (lines.size() != count) {
        error = "The edited text has " + std::to_string(lines.size()) + " lines but the list has " +
                std::to_string(count) + " rows; nothing was changed";
        return false;
    }
    if (IsIndexColumn(column)) {
        for (std::size_t row = 0; row < count; ++row) {
            if (!IsCueTimeText(lines[row])) {
                error = "Line " + std::to_string(row + 1) + " is no cue time; nothing was changed";
                return false;
            }
        }
    }
    for (std::size_t row = 0; row < count; ++row) {
        if (SetColumnText(page, column, row, lines[row])) changed.push_back(row);
    }
    AfterChange(page, column, changed);
    return true;
}

}  // namespace quilto::pack
