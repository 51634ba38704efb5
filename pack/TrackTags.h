// Reading one track stored inside a packed file: its own ID3v1 and ID3v2
// tags and its stream columns, from its byte span alone. The opening of a
// packed file and the file list over its tracks read them the same way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ContainerKind.h"
#include "core/GenreTable.h"
#include "core/Id3v1.h"
#include "core/Id3v2Record.h"
#include "core/InputFile.h"
#include "core/Progress.h"
#include "core/StreamColumns.h"
#include "core/TextCodec.h"
#include "pack/TrackLists.h"

namespace quilto::pack {

// T: the head ID3v2 tag's length, header included, capped by the file; 0
// without a tag.
std::uint64_t HeadTagSize(const core::InputFile& file);

struct StoredTrack {
    std::string name;  // as stored (UTF-8)
    std::string artist, title;  // Pack kind only: the directory's names
    TrackSpan span;  // inside the file
};

struct StoredTracks {
    std::vector<StoredTrack> tracks;
    std::string albumTitle;       // Pack kind: the directory's album title
    std::uint32_t optionWord = 0; // Pack kind: ReadPackBlock's result
    std::string cueCode = "0";    // "0".."4" by kind
};

// The tracks stored behind the head tag by kind: the pack directory, the
// ZIP or LZH members, or the foreign index; none for any other kind.
StoredTracks ListStoredTracks(core::InputFile& file, core::ContainerKind kind, std::uint64_t tagSize,
                              const core::TextCodec& codec = core::LegacyCodec());

// The span with its end kept inside the file and its start at or before its
// end, whatever a damaged directory or member header claimed.
TrackSpan ClampSpan(TrackSpan span, std::uint64_t fileSize);

// Length of the ID3v2 tag at the span's start, header included, capped by
// the span; 0 when the span does not open with a whole tag header.
std::uint64_t TrackTagLength(const core::InputFile& file, const TrackSpan& span);

struct TrackTags {
    std::optional<core::Id3v1Record> id3v1;  // the last 128 bytes of the span
    std::optional<core::Id3v2Record> id3v2;  // at the span's start
};

TrackTags ReadTrackTags(const core::InputFile& file, const TrackSpan& span, const core::GenreTable& genres,
                        const core::TextCodec& codec = core::LegacyCodec());

// The full frame walk of the track as the file list's "Frame Scan" walks a
// plain file of the same bytes: from behind the track's own ID3v2 tag to
// the span's end, other bit rates shown apart. Empty columns when no frame
// starts inside the span.
core::StreamColumns ScanTrack(core::InputFile& file, const TrackSpan& span, core::Progress& progress);

// The name shown in the progress window: behind the last "\" or "/".
std::string_view ShortName(std::string_view name);

}  // namespace quilto::pack
