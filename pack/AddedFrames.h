// The frames a Pack file may carry besides its tracks: one "Xing"/"Info"
// frame and silent frames, all MPEG-1 Layer III without CRC or padding, in
// the bit rate, rate and channel mode of the album.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/Bytes.h"

namespace quilto::pack {

// Made by MakeAddedFrameFormat; the defaults are its result for 128 kbps,
// 44100 Hz, Stereo.
struct AddedFrameFormat {
    std::uint32_t bitRate = 128000;  // bit/s
    std::uint32_t sampleRate = 44100;
    std::uint8_t headerByte2 = 0x90;  // bit-rate index × 16 + rate bits
    std::uint8_t headerByte3 = 0x00;  // channel-mode bits
    bool vbr = false;                 // "Xing" rather than "Info"
    bool singleChannel = false;       // 17 bytes of side information, not 32
    std::uint32_t frameLength = 417;  // F = 144 × bit rate ÷ rate, truncated
};

// The shortest frame of the tables (32 kbps at 48000 Hz): writers refuse a
// format with less, which could not even hold the Xing/Info fields.
inline constexpr std::uint32_t kMinAddedFrameLength = 96;

// From the album's Kbps ("VBR" or a table value), Hz (44100, 48000 or 32000)
// and channel-mode texts. Any other Kbps or Hz gives nothing and the reason in
// `error`: such frames would have a reserved rate or a length under 4 bytes.
// An unknown channel-mode text counts as "Stereo".
std::optional<AddedFrameFormat> MakeAddedFrameFormat(std::string_view kbps, std::string_view hz,
                                                     std::string_view channelMode, std::string* error = nullptr);

// A silent frame: the header and F − 4 zero bytes.
core::Bytes SilentFrame(const AddedFrameFormat& format);

// The "Xing" (VBR) or "Info" frame carrying the stream's frame and byte totals.
core::Bytes XingInfoFrame(const AddedFrameFormat& format, std::uint32_t totalFrames, std::uint32_t totalBytes);

}  // namespace quilto::pack
