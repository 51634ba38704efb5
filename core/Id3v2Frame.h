// The frame layout of ID3v2 tags, shared by the reader and the writer: which
// header a version uses, where the frames start, how a frame's size is read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/Bytes.h"

namespace quilto::core {

inline constexpr std::uint8_t kId3v2TagUnsynchronised = 0x80;
inline constexpr std::uint8_t kId3v2TagExtendedHeader = 0x40;

struct Id3v2FrameLayout {
    int version;          // major version: 2, 3 or 4
    std::size_t idSize;   // 3 for version 2.2, else 4
    std::size_t headerSize;

    // Unknown versions are read with the 2.3 layout.
    static Id3v2FrameLayout ForMajorVersion(int major);
};

// Undoes the FF 00 stuffing of unsynchronisation.
Bytes RemoveUnsynchronisation(ByteView data);

// The whole tag with the tag-level unsynchronisation of versions 2.2 and 2.3
// undone (2.4 marks it per frame); tag itself when there is none.
Bytes TagWithoutUnsynchronisation(ByteView tag, const Id3v2FrameLayout& layout);

// Offset of the first frame: behind the header and, when present and sane,
// the extended header.
std::size_t FirstFrameOffset(ByteView tag, const Id3v2FrameLayout& layout);

// Size of the frame whose header starts at pos (the caller checks that the
// header lies inside tag). Version 2.4 sizes are syncsafe; some writers
// stored them plain anyway, so a syncsafe size that lands nowhere while the
// plain one lands on a frame wins the plain reading.
std::int64_t FrameSize(ByteView tag, std::size_t pos, const Id3v2FrameLayout& layout);

}  // namespace quilto::core
