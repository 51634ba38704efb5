// The Cue List Editor's table: a private copy of a page's cue list as rows of
// title, performer, length and start, the two ways of keeping lengths and
// starts consistent, the row commands, the writing back into the page, the
// round trip through an external text editor and the window's stored
// settings (section TimeIndex).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/IniFile.h"
#include "pack/TrackLists.h"

namespace quilto::pack {

// A row's number is its position: every command keeps them 1..n.
struct TimeIndexRow {
    std::string title;
    std::string performer;
    std::string time = "00:00:00";   // the track's length
    std::string index = "00:00:00";  // its start
    bool cleared = false;            // a column "Clear" emptied one of its cells
};

struct TimeIndexList {
    std::vector<TimeIndexRow> rows;
    std::string totalTime = "00:00:00";  // the album's total when the window opened
    std::string endTime = "00:00:00";    // the last track's end
};

enum class TimeIndexColumn { Title = 1, Performer = 2 };

// The rows of the page's cue list, the header's total and the end of its
// last track.
TimeIndexList FillTimeIndex(const TrackPage& page);

// Every start after the first from the lengths before it, then the end time.
// The first start never moves.
void IndexFromTime(TimeIndexList& list);
// Every length from the starts; the last one up to the end time, which stays.
void TimeFromIndex(TimeIndexList& list);

// An empty row behind the others; nothing is recomputed.
void AddTimeIndexRow(TimeIndexList& list);
// Removes the rows (any order, out-of-range ignored), renumbers and rebuilds
// the starts from the lengths.
void DeleteTimeIndexRows(TimeIndexList& list, const std::vector<std::size_t>& rows);
void ClearTimeIndex(TimeIndexList& list);

// The cells of the column in the given rows (out-of-range ignored), for the
// text commands that rewrite cells in place.
std::vector<std::string*> TimeIndexCells(TimeIndexList& list, TimeIndexColumn column,
                                         const std::vector<std::size_t>& rows);
// "Set All": the value, or the cell followed by the value.
void SetAllTimeIndex(TimeIndexList& list, TimeIndexColumn column, const std::vector<std::size_t>& rows,
                     std::string_view value, bool append);
// Empties the column in every row, marking the rows it changed.
void ClearTimeIndexColumn(TimeIndexList& list, TimeIndexColumn column);

// Replaces the page's cue list by the rows; with setTotalTime the album's
// total becomes the end time. The fit of the new list is then checked
// against the total.
void SaveTimeIndex(const TimeIndexList& list, TrackPage& page, bool setTotalTime);

// A length or start typed elsewhere (the external editor) as the time editor
// would store it: "m:ss:ff" to "mmm:ss:ff" with blanks around allowed, frames
// and seconds carried; an empty text when it is no such time.
std::string ReadCueTimeLeniently(std::string_view text);

// One line per row, "Time TAB Performer TAB Title", each ended by CR LF.
// Refused (empty result, message in error) when a title or performer holds
// a tab or line break, which would move texts into other cells on the way
// back.
bool TimeIndexExchangeText(const TimeIndexList& list, std::string& text, std::string& error);
// The rows again from the edited text: the text before the first tab is the
// length, the text up to a second tab the performer, the rest the title (a
// line without tabs is all title). Starts follow from the lengths; the first
// start and the end time stay as they were.
void ReadBackTimeIndex(TimeIndexList& list, std::string_view text);

// ------------------------------------------------------- section TimeIndex

inline constexpr std::string_view kTimeIndexSection = "TimeIndex";

struct TimeIndexSettings {
    int height = 340;
    int width = 455;
    int titleWidth = 128;
    int performerWidth = 128;
    int timeWidth = 66;
    int indexWidth = 66;
    bool setTotalTime = true;

    bool operator==(const TimeIndexSettings&) const = default;
    // Missing keys, garbage and sizes below 1 keep the default.
    void load(const core::IniFile& file);
    void store(core::IniFile& file) const;
};

}  // namespace quilto::pack
