// Saving the edited ID3v1 and ID3v2 rows into the files: plain MP3s are
// rewritten beside themselves and renamed over the original; a packed file
// is rewritten whole with its tracks' new tags, keeping a backup. Nothing
// the user did not edit changes, and no failure or Cancel damages a file.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/ContainerKind.h"
#include "core/FileRows.h"
#include "core/GenreTable.h"
#include "core/Progress.h"
#include "core/TextCodec.h"
#include "pack/PackWriter.h"
#include "pack/TrackLists.h"

namespace quilto::tags {

// "Save ID3v1" (1), "Save ID3v2" (2), "Save All" (3).
enum class TagVariant : int { Id3v1 = 1, Id3v2 = 2, Both = 3 };

struct TagSaveOptions {
    TagVariant variant = TagVariant::Both;
    bool supportTagOnly = false;  // general option "SupportTag"
    bool unicodeText = false;     // general option "UnicodeTag": ID3v2 texts beyond ASCII as UTF-16
    bool keepBackup = true;       // general option "Backup" (packed files)
    const core::GenreTable* genres = nullptr;  // required
    const core::TextCodec* codec = nullptr;    // nullptr: the legacy code page
};

struct TagSaveProblem {
    std::size_t row = 0;
    std::string path;
    std::string message;  // "Write Error - " + errno for write failures
};

struct TagSaveOutcome {
    enum class Status { Done, Cancelled, Failed };
    // Done: every edited row was tried (problems may name some); Cancelled:
    // stopped by the user; Failed: a packed file's run ended, nothing changed.
    Status status = Status::Done;
    std::vector<std::size_t> savedRows;
    std::vector<TagSaveProblem> problems;  // files not saved and why
    std::string backupPath;                // packed: the backup kept, "" when none remains
    // One text for the user naming every problem; empty when there is none.
    std::string message;
};

// The rows a variant saves: those whose ID3v1 (1, 3) or ID3v2 (2, 3) row
// carries the edit mark.
bool HasRowsToSave(const core::FolderRows& rows, TagVariant variant);

// Plain files of rows.folder. Progress caption "Saving ...", panels: the
// file name, "(done/N)". Each file is read from the open file (sizes never
// from the texts), written complete under a temporary name beside it
// (through openOutput when given), flushed and renamed over it; on failure
// the original is untouched and the run goes on with the next file.
TagSaveOutcome SaveTags(const core::FolderRows& rows, const TagSaveOptions& options, core::Progress& progress,
                        const pack::OutputFactory& openOutput = {});

// The tracks of one packed file shown as rows (FillPackedRows): `spans[i]`
// is row i's track. Rewrites the whole file (Pack, Zip, Lha; a Bind file has
// no such rows) with the rows' tags: the new file is written complete under a
// temporary name beside it; only then is the old file moved to its backup
// name (".bak", ".bk1", ...) and the new one put in its place. On Cancel or
// failure the temporary file is removed and the original stays as it was;
// the backup is deleted after a complete run when keepBackup is off.
TagSaveOutcome SavePackedTags(const std::string& packedPath, core::ContainerKind kind, const core::FolderRows& rows,
                              const std::vector<pack::TrackSpan>& spans, const TagSaveOptions& options,
                              core::Progress& progress, const pack::OutputFactory& openOutput = {});

}  // namespace quilto::tags
