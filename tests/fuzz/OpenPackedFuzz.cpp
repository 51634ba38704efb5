// The whole opening of a packed file over bytes in memory. The first byte
// stands for what the file list knew: the kind (any, matching or not) and
// whether the head tag is marked as carrying a cue sheet. Then the layout
// a tag save would read around the tracks found.
#include <cstdlib>

#include "core/Utf.h"
#include "pack/CueSheet.h"
#include "pack/OpenPacked.h"
#include "pack/PackedRewrite.h"

using namespace quilto;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static const core::GenreTable genres;
    pack::PackedFileFacts facts;
    facts.kind = static_cast<core::ContainerKind>(data[0] % 7 - 1);
    facts.cueMark = (data[0] & 0x80) != 0;
    auto file = core::InputFile::FromBytes(core::Bytes(data + 1, data + size));

    pack::TrackPage page;
    core::NoProgress progress;
    const pack::OpenPackedResult result = pack::OpenPacked(file, "fuzz.mp3", facts, page, genres, progress);
    if (result.status != pack::OpenPackedResult::Status::Opened || result.headTagSize > file.size()) std::abort();
    if (page.cues.size() > pack::kMaxCueTracks) std::abort();
    for (const pack::TrackRow& row : page.tracks) {
        if (row.span.start > row.span.end || row.span.end > file.size()) std::abort();
        if (!core::IsValidUtf8(row.fileName + row.artist + row.title)) std::abort();
    }
    if (!core::IsValidUtf8(page.header.title + page.header.performer)) std::abort();

    // Saving tags into the tracks reads the layout around them first.
    std::vector<pack::TrackSpan> spans;
    for (const pack::TrackRow& row : page.tracks) spans.push_back(row.span);
    std::vector<pack::RewriteTrack> tracks;
    pack::RewriteLayout layout;
    std::string error;
    if (pack::ReadRewriteLayout(file, "fuzz.mp3", facts.kind, spans, tracks, layout, error, core::LegacyCodec())) {
        if (layout.headTag > layout.tailStart || layout.tailStart > file.size()) std::abort();
        for (const pack::RewriteTrack& track : tracks) {
            if (track.oldTag + track.oldV1 > track.span.end - track.span.start) std::abort();
        }
    }
    return 0;
}
