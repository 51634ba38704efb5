// Opening a packed file on the UnPack page: its cue index from the head
// tag, one track row and span per track from the pack block or archive
// members, names filled from the tracks' own tags, then every track frame-
// scanned. The file is taken as hostile: every span lies inside it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/ContainerKind.h"
#include "core/GenreTable.h"
#include "core/InputFile.h"
#include "core/Progress.h"
#include "core/TextCodec.h"
#include "pack/TrackLists.h"

namespace quilto::pack {

// What the file list knows of the file to open (its row's kind, cue mark
// and the Title, Album and Artist columns).
struct PackedFileFacts {
    core::ContainerKind kind = core::ContainerKind::Plain;
    bool cueMark = false;  // the head tag carries the embedded cue sheet
    std::string title;
    std::string album;
    std::string artist;
};

// The same facts read from the file itself, as the file list's quick read
// would give them (for callers without a file list: the CLI). Nothing, with
// the system's reason in `error`, when the file cannot be opened.
std::optional<PackedFileFacts> ReadPackedFileFacts(const std::string& path, const core::GenreTable& genres,
                                                   std::string* error = nullptr,
                                                   const core::TextCodec& codec = core::LegacyCodec());

struct OpenPackedResult {
    enum class Status {
        Opened,      // the page shows the file; every track scanned
        Cancelled,   // the page shows the file; tracks from the cancelled one on keep empty stream columns
        CannotOpen,  // the page is as it was
    };
    Status status = Status::CannotOpen;
    std::string error;              // CannotOpen: the system's reason
    std::uint64_t headTagSize = 0;  // T: the head ID3v2 tag, header included, capped by the file
    std::uint32_t optionWord = 0;   // ReadPackBlock's result; 0 for every other kind
};

// Called before each track's frame scan with its row index (the window
// selects and shows the row).
using TrackScanHook = std::function<void(std::size_t row)>;

// Clears `page` (an UnPack page) and fills it from the file at `path`:
// CueHeader (title, performer, file path, "Cue" code "0".."4"), CueList from
// the embedded cue, one TrackRow per track (caption, fileName = member name,
// sourcePath = path, memberName, artist, title, tag, span), then the frame
// scan of each track through `progress` (caption "Frame Scan ...", panels 0
// and 1), RecomputeHeader and RecomputeCueLengths with lengths.
OpenPackedResult OpenPacked(const std::string& path, const PackedFileFacts& facts, TrackPage& page,
                            const core::GenreTable& genres, core::Progress& progress,
                            const TrackScanHook& scanning = {},
                            const core::TextCodec& codec = core::LegacyCodec());

// The same over a file already open (or bytes in memory); `path` is only
// recorded in the page.
OpenPackedResult OpenPacked(core::InputFile& file, const std::string& path, const PackedFileFacts& facts,
                            TrackPage& page, const core::GenreTable& genres, core::Progress& progress,
                            const TrackScanHook& scanning = {},
                            const core::TextCodec& codec = core::LegacyCodec());

}  // namespace quilto::pack
