// The pack block behind the head tag as the opening finds and reads it, and
// the block reader over the whole input with sizes taken from its last bytes.
#include <algorithm>
#include <cstdlib>

#include "core/Utf.h"
#include "pack/PackBlock.h"
#include "pack/TrackTags.h"

using namespace quilto;

namespace {

void CheckDirectory(const pack::PackDirectory& directory, std::uint64_t tagSize, std::uint64_t fileSize) {
    if (directory.tracks.size() > pack::kMaxPackTracks) std::abort();
    if (!core::IsValidUtf8(directory.albumTitle)) std::abort();
    for (const pack::PackDirectoryTrack& track : directory.tracks) {
        if (track.start < tagSize || track.start > track.end || track.end > fileSize) std::abort();
        if (!core::IsValidUtf8(track.fileName + track.artist + track.title)) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto file = core::InputFile::FromBytes(core::Bytes(data, data + size));
    const std::uint64_t tagSize = pack::HeadTagSize(file);
    if (tagSize > size) std::abort();
    file.seek(tagSize);
    if (const auto blockSize = pack::PackBlockSize(file)) {
        if (file.position() != tagSize || *blockSize > size - tagSize) std::abort();
        const core::Bytes block = file.readBytesAt(tagSize, static_cast<std::size_t>(*blockSize));
        CheckDirectory(pack::ReadPackBlock(block, tagSize, size), tagSize, size);
    }

    // Sizes the file cannot have: a tag larger than the block's file, a file
    // larger than the bytes given.
    if (size >= 4) {
        const std::uint64_t fakeTag = data[size - 1] % 64;
        const std::uint64_t fakeSize = size + data[size - 2] * 16u + (data[size - 3] & 1 ? 0 : fakeTag);
        CheckDirectory(pack::ReadPackBlock(core::ByteView(data, size - 3), fakeTag, fakeSize), fakeTag, fakeSize);
    }
    return 0;
}
