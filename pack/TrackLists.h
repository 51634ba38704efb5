// The Pack and UnPack pages' model: one CueHeader row (the album), the CueList
// (the cue index) and the track list, each track with the byte span it takes
// in its container file; and the commands that edit them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/FileRows.h"

namespace quilto::pack {

enum class Page { Pack = 1, UnPack = 2 };

// State image of the CueHeader row: the check box of the "Cue" cell.
enum class CueCheck : int { None = -1, Unchecked = 0, Checked = 1 };

struct CueHeader {
    std::string cue;  // UnPack: format code "0".."4"; Pack: empty
    CueCheck check = CueCheck::None;
    bool notFitting = false;  // overlay: the cue index does not fit the total time
    std::string title;
    std::string performer;
    std::string time = "00:00:00";  // total, cue time
    std::string frames;             // "" when 0
    std::string kbps;               // common bit rate, "VBR" when they differ
    std::string hz;                 // common rate, "-" when they differ
    std::string file;               // output file name (Pack) or opened file name (UnPack)
    std::string filePath;           // UnPack only: full path of the opened file
    std::uint64_t frameCount = 0;   // the number behind `frames`
};

struct CueRow {
    std::string length;  // hidden column 0: the track's length as a cue time
    std::string number;  // 1-based
    std::string title;
    std::string performer;
    std::string index = "00:00:00";  // start, cue time
};
using CueList = std::vector<CueRow>;

// Where a track's bytes lie in the file that holds it.
struct TrackSpan {
    std::uint64_t start = 0;
    std::uint64_t end = 0;      // one past the last byte
    std::uint32_t dosDateTime = 0;  // archive members' date and time stamp, else 0
};

struct TrackRow {
    std::string caption;  // "%4d" of the row number
    std::string fileName;  // as shown: the file's path, or "container/member"
    // The file opened for the track's bytes, and the member inside it (empty
    // for a plain file). Kept apart because paths themselves contain "/".
    std::string sourcePath;
    std::string memberName;
    std::string tag, artist, title, time, frames, kbps, cv, hz, mode, bitStream, xing;

    // The numbers behind the texts; nothing parses a display text back.
    std::uint64_t frameCount = 0;      // Frames (both counts of a full scan added)
    std::uint32_t sampleRate = 0;      // Hz, 0 while unknown
    std::uint32_t bitRate = 0;         // Kbps, 0 while unknown
    bool isVbr = false;
    std::uint64_t bitStreamBytes = 0;
    std::uint32_t xingBytes = 0;       // length of the Xing/Info frame, 0 without one
    TrackSpan span;
};
using TrackList = std::vector<TrackRow>;  // PackList on the Pack page, UnPackList on UnPack

struct TrackPage {
    Page page = Page::Pack;
    CueHeader header;
    CueList cues;
    TrackList tracks;
    // Pack page: the stored "CueCheck" value, which the shell keeps in step
    // with the settings; the check the header falls back to.
    CueCheck storedCueCheck = CueCheck::Checked;
};

enum class ClearWhat { Cue = 1, Data = 2, All = 3 };

// Drops from the file list. `selected` are file-list row indexes in list
// order; rows not yet frame-scanned are skipped. While the file list shows a
// packed file's tracks, `packedFile` is that file's path and `packedSpans[i]`
// the span of file-list row i; otherwise both are empty.
struct FileListSource {
    const core::FolderRows& rows;
    std::vector<std::size_t> selected;
    std::string packedFile;
    std::vector<TrackSpan> packedSpans;
};
void AddFilesToPackList(TrackPage& page, const FileListSource& source);
void AddFilesToCueList(TrackPage& page, const FileListSource& source);
void SetCueHeaderFromFile(TrackPage& page, const FileListSource& source);

void RecomputeHeader(TrackPage& page);
void RecomputeCueLengths(TrackPage& page, bool lengths);
void MakeCueList(TrackPage& page);
void ClearLists(TrackPage& page, ClearWhat what);
void DeleteTracks(TrackPage& page, const std::vector<std::size_t>& rows);
void AddCueRow(TrackPage& page);
void DeleteCueRows(TrackPage& page, const std::vector<std::size_t>& rows);

// Moves the rows (ascending indexes) as a block onto `target`: behind it when
// moving down, before it when moving up; nothing when target is one of them.
// Returns the rows' new indexes (empty when nothing moved).
std::vector<std::size_t> MoveTrackRows(TrackPage& page, const std::vector<std::size_t>& rows, std::size_t target);
std::vector<std::size_t> MoveCueRows(TrackPage& page, const std::vector<std::size_t>& rows, std::size_t target);

// CueTimeAdd and CueTimeDiff that read a text which is no cue time (an
// empty length, a half-typed edit) as "00:00:00" instead of throwing.
std::string SafeCueTimeAdd(std::string_view a, std::string_view b);
std::string SafeCueTimeDiff(std::string_view from, std::string_view to);

// Keeps a committed cue index between its neighbours.
void ClampCueIndex(CueList& cues, std::size_t row);

// The count line of the page in the status bar: total bytes of the spans,
// "  ", play time of the Time column.
std::string PageCountLine(const TrackPage& page);

}  // namespace quilto::pack
