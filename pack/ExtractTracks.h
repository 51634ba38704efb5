// Writing tracks of the opened packed file back out as separate MP3 files:
// each track's bytes copied unchanged from its span, optionally behind a
// small ID3v2.3 tag built from the track list. No existing file is replaced
// without the caller's word, and no file appears half written.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Bytes.h"
#include "core/Progress.h"
#include "core/TextCodec.h"
#include "pack/FileNames.h"
#include "pack/PackOptions.h"
#include "pack/TrackLists.h"

namespace quilto::pack {

// The tag put in front of an extracted track: "ID3" 3.0, no flags, the
// syncsafe size, then TPE1, TIT2, TALB, TRCK, each only when its text
// (trimmed of characters below 0x21) is not empty; encoding 0 in the legacy
// code page, or UTF-16 for a text the code page cannot hold (and, with
// unicodeText, for every text beyond ASCII), as the tag writer does. All
// empty: the 10-byte header alone.
core::Bytes WriteExtractTag(std::string_view artist, std::string_view title, std::string_view album,
                            std::string_view track, const core::TextCodec& codec = core::LegacyCodec(),
                            bool unicodeText = false);

// The TRCK text of track row `row` (0-based): "%02d" of its number.
std::string ExtractTrackNumber(std::size_t row);

// The file name a track row is written under: its FileName after the last
// "\" or "/", made valid (Replace mode); "", "." or ".." become
// "Track NN.mp3".
std::string ExtractFileName(const TrackRow& row, std::size_t rowIndex, const ForbiddenReplacements& replacements);

struct ExtractRequest {
    std::string outputFolder;  // the chosen folder
    ExtractChoices choices;    // the extract option dialog's result
    // Selected track rows (ascending); empty or choices.selectAll: all rows.
    std::vector<std::size_t> selectedRows;
    ForbiddenReplacements replacements = kDefaultForbiddenReplacements;
    bool unicodeText = false;  // the new tags' texts beyond ASCII as UTF-16 (general option "UnicodeTag")
};

// What to do with a target that exists already (or was written earlier in
// the same run).
enum class ExistingAnswer { Overwrite, Skip, OverwriteAll, Cancel };
using AskExisting = std::function<ExistingAnswer(const std::string& targetPath)>;

struct ExtractOutcome {
    enum class Status { Done, Cancelled, Failed };
    Status status = Status::Failed;
    std::string message;  // Failed: for the user ("Write Error - " + errno for write failures)
    std::string folder;   // where the tracks went (the subfolder when one was used)
    std::vector<std::size_t> extractedRows;  // rows whose files were written
    std::vector<std::string> skipped;        // targets left as they were
};

// Writes the chosen tracks of `page` (an opened UnPack page: header.filePath
// and the rows' spans) through `progress` (panels: FileName, "(k/count)").
// With choices.options.makeDir and a folder name, the tracks go into that
// subfolder of outputFolder (made valid; created when missing; refused when
// it is no folder or the name is only dots and blanks). Each track is
// written under a temporary name and renamed into place when complete; an
// existing target is replaced only when `ask` says so; the opened packed
// file itself is never a target.
ExtractOutcome ExtractTracks(const TrackPage& page, const ExtractRequest& request, core::Progress& progress,
                             const AskExisting& ask, const core::TextCodec& codec = core::LegacyCodec());

}  // namespace quilto::pack
