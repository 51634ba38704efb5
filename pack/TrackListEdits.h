// The column tool commands of the Pack and UnPack pages: Set All, Copy From
// and Append From, Clear and a column's round trip through a text editor,
// on the CueHeader's Title and Performer, the CueList's Title, Performer and
// Index and the track list's Artist and Title. These pages have no edit
// marks; an Index keeps a valid cue time and the cue lengths follow it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/FileRows.h"
#include "pack/TrackLists.h"

namespace quilto::pack {

enum class EditList { Header, Cues, Tracks };

// Column numbers as the lists show them.
inline constexpr int kHeaderTitleColumn = 1, kHeaderPerformerColumn = 2;
inline constexpr int kCueTitleColumn = 2, kCuePerformerColumn = 3, kCueIndexColumn = 4;
inline constexpr int kTrackArtistColumn = 3, kTrackTitleColumn = 4;

struct EditColumn {
    EditList list = EditList::Cues;
    int column = 0;
};

// The columns whose header opens the tool menu.
bool IsToolColumn(EditColumn column);
bool IsIndexColumn(EditColumn column);
std::size_t RowCount(const TrackPage& page, EditList list);
std::string ColumnText(const TrackPage& page, EditColumn column, std::size_t row);
// A cue index accepts only a cue time ("mm:ss:ff" or "mmm:ss:ff"), stored
// normalised; false when refused or unchanged. Does not recompute lengths.
bool SetColumnText(TrackPage& page, EditColumn column, std::size_t row, std::string_view text);

// `rows` are the selected rows (empty: all). Each command returns the rows
// it changed and, when an index changed, recomputes the cue lengths.
std::vector<std::size_t> SetAll(TrackPage& page, EditColumn column, std::vector<std::size_t> rows,
                                std::string_view value, bool append);

enum class TrackCopySource { FileName = 1, Cue = 2, Mp3 = 3, Id3v1 = 4, Id3v2 = 5 };
struct TrackCopyItem {
    int code = 0;  // source × 10 + field
    const char* caption = "";
    TrackCopySource source = TrackCopySource::Cue;
    int field = 0;  // cue 1 Title 2 Performer; MP3 1 Artist 2 Title; ID3 1 Artist 2 Title 3 Album
};
// The Copy From / Append From items the page offers for the column: cue
// and MP3 always; the file name and (Pack page) the ID3 tags only for the
// track list's Artist and Title, whose rows name a file.
std::vector<TrackCopyItem> CopyItems(Page page, EditColumn column);

// The cue source is matched by index; the MP3 source by index for the cue
// lists and by file name for the track list; the file name and the ID3
// sources by the track's file among `files` (may be null: nothing found).
std::vector<std::size_t> CopyFromSource(TrackPage& page, EditColumn column, std::vector<std::size_t> rows,
                                        TrackCopySource source, int field, bool append,
                                        const core::FolderRows* files = nullptr);

// Empties the column in every row. Refused (false) for the Index, where an
// empty text is no start time.
bool ClearColumn(TrackPage& page, EditColumn column);

std::string ColumnExchangeText(const TrackPage& page, EditColumn column);
// Refused with a message, changing nothing, when the line count differs
// from the rows' or an index line is no cue time.
bool ReadBackColumn(TrackPage& page, EditColumn column, std::string_view text, std::vector<std::size_t>& changed,
                    std::string& error);

}  // namespace quilto::pack
