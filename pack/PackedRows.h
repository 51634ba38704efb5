// The file list showing the tracks inside one packed file (a packed-file
// node of the folder tree is current): one row per track, with its span in
// the packed file kept beside the rows.
#pragma once

#include <string>
#include <vector>

#include "core/ContainerKind.h"
#include "core/FileRows.h"
#include "core/GenreTable.h"
#include "core/Progress.h"
#include "core/TextCodec.h"
#include "pack/TrackLists.h"

namespace quilto::pack {

struct PackedRows {
    bool opened = false;           // false: the file could not be opened; the rows are empty
    bool cancelled = false;        // the frame scans stopped early; rows from there on keep empty stream columns
    std::vector<TrackSpan> spans;  // span of file-list row i
    std::string albumTitle;        // Pack kind: the pack block's album title
};

// Rebuilds `rows` (all four lists) for the packed file at `path` of the
// given kind (Pack, Zip or Lzh): FileName = the stored track name, FileSize
// and FileDate from the member (sizes of the spans; dates of archive members,
// else the packed file's own), tags read from each track's span, then each
// track frame-scanned through `progress` (caption "Frame Scan ...") with the
// marker " " once scanned. rows.folder becomes the packed file's path + "/".
PackedRows FillPackedRows(core::FolderRows& rows, const std::string& path, core::ContainerKind kind,
                          const core::GenreTable& genres, core::Progress& progress,
                          const core::TextCodec& codec = core::LegacyCodec());

}  // namespace quilto::pack
