// New names for the tracks inside a packed file: the file is rebuilt with
// the new stored names and every track's bytes as they were.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/ContainerKind.h"
#include "core/FileRows.h"
#include "core/Progress.h"
#include "core/TextCodec.h"
#include "pack/PackWriter.h"
#include "pack/PackedRewrite.h"
#include "pack/TrackLists.h"

namespace quilto::rename {

struct PackedRenameOutcome {
    pack::RewriteStatus status = pack::RewriteStatus::Done;
    std::string message;
    std::string backupPath;  // the backup kept, "" when none remains
    std::vector<std::size_t> renamedRows;
};

// The tracks of one packed file shown as rows (FillPackedRows; `spans[i]`
// is row i's track). Each rename row with the pending mark gives its track
// the name To; the others keep their stored names. Pack, Zip and Lha files
// only. The spans and the layout around them are checked against the file
// before anything is written; the rewrite then follows the backup rules of
// tag saving (".bak", ".bk1", ...; deleted only after a complete run when
// keepBackup is off; on Cancel or failure the file stays as it was). After a
// complete run the renamed rows' From is their To and their mark is cleared.
PackedRenameOutcome RewritePackedNames(const std::string& packedPath, core::ContainerKind kind,
                                       core::FolderRows& rows, const std::vector<pack::TrackSpan>& spans,
                                       bool keepBackup, core::Progress& progress,
                                       const pack::OutputFactory& openOutput = {},
                                       const core::TextCodec& codec = core::LegacyCodec());

}  // namespace quilto::rename
