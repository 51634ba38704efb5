// The "Xing"/"Info" header that an encoder puts into the first frame.
#pragma once

#include <cstdint>

#include "core/Bytes.h"
#include "core/MpegHeader.h"

namespace quilto::core {

enum class VbrHeaderKind : std::uint8_t { None = 0, Xing = 1, Info = 2 };

struct VbrHeader {
    VbrHeaderKind kind = VbrHeaderKind::None;
    std::uint32_t frames = 0;  // 0 when the flags carry no frames field
    std::uint32_t bytes = 0;   // 0 when the flags carry no bytes field
};

// Bytes of a first frame, from its header on, that can hold the VBR header.
inline constexpr std::size_t kVbrHeaderReach = 4 + 2 + 32 + 16;

// Looks for the header behind the frame header, the CRC and the side
// information. frame starts at the frame header; a short view simply holds
// no VBR header (or zero fields).
VbrHeader ParseVbrHeader(ByteView frame, FrameHeader header);

}  // namespace quilto::core
