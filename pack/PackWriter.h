// The pack writer: the tracks of one page become one packed MP3 in the chosen
// format. The window and quilto-cli answer the dialogs (options, output name,
// cue sheet export) and then hand the run to SavePacked, which plans the
// work, writes the new file beside its target and puts it in place only when
// it is complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Progress.h"
#include "pack/FileNames.h"
#include "pack/OutputFile.h"
#include "pack/PackOptions.h"
#include "pack/PackWork.h"
#include "pack/TrackLists.h"

namespace quilto::pack {

struct PackRun {
    SaveMode mode = SaveMode::Create;
    PackChoices choices;  // the pack option dialog's result
    // The cue sheet to embed (WriteCueSheet's lines, without the marker
    // lines); empty when no cue text is embedded.
    std::vector<std::string> cueSheetLines;
    bool syncSafe = true;    // general option "SyncSafe"
    bool keepBackup = true;  // general option "Backup" (mode Save)
    bool unicodeText = false;  // general option "UnicodeTag": the head tag's title and artist
    // The option word of the packed file read last, and that file's path:
    // its 0x02 flag is kept only when every track comes from that file.
    std::uint32_t optionWord = 0;
    std::string optionWordSource;
    std::vector<std::size_t> selectedRows;  // SaveSelectionAs: the selected track rows, ascending
    // Where the packed file goes: the chosen name (Create, SaveAs,
    // SaveSelectionAs) or the opened file itself (Save).
    std::string outputPath;
    // Replacements for the characters no stored track name may hold.
    ForbiddenReplacements replacements = kDefaultForbiddenReplacements;
    // An existing file at outputPath is replaced only when the user said so
    // (the save dialog's overwrite question, the CLI's --overwrite); otherwise
    // the run fails before anything is written.
    bool replaceExisting = false;
};

struct PackOutcome {
    enum class Status { Written, Cancelled, Failed, NothingToDo };
    Status status = Status::Failed;
    std::string message;     // for the user; "Write Error - " + errno for write failures
    std::string outputPath;  // the file written (Written only)
    std::string backupPath;  // Save: where the old file was kept ("" once deleted)
};

// Opens the output; tests replace it to make writes fail.
using OutputFactory = std::function<std::unique_ptr<OutputFile>(const std::string& path, std::string& error)>;

// True when `path` names a file the run reads (the same file under any
// spelling, links included): the save dialog asks again.
bool OutputIsASource(const TrackPage& page, SaveMode mode, const std::string& path);

// The work list of steps 5 and 9-11 (regions, names) without writing;
// exposed for tests and the CLI's dry listings. Fails with a message.
std::optional<std::vector<PackWork>> PlanPackWork(const TrackPage& page, const PackRun& run, std::string& error);

// The whole run after the dialogs: checks what the fields can hold, moves the
// opened file to its backup name (Save), writes, renames into place. On Cancel
// or failure the user's files are as they were and nothing partial remains.
// Audio read whole to be cut by the cue list is held in memory; more than this
// is refused with a message.
inline constexpr std::uint64_t kMaxEntireAudioBytes = std::uint64_t{2} << 30;

PackOutcome SavePacked(const TrackPage& page, const PackRun& run, core::Progress& progress,
                       const OutputFactory& openOutput = {});

}  // namespace quilto::pack
