// MPEG-1 Layer III frame header fields, the bit-rate and sampling-rate tables
// and the frame length formula.
#pragma once

#include <array>
#include <cstdint>

namespace quilto::core {

enum class ChannelMode : std::uint8_t { Stereo = 0, JointStereo = 1, DualChannel = 2, SingleChannel = 3 };

inline constexpr std::array<std::uint32_t, 16> kBitRateKbps = {0,   32,  40,  48,  56,  64,  80,  96,
                                                              112, 128, 160, 192, 224, 256, 320, 0};

// Index 3 is reserved; where a rate is divided by it counts as 44100.
inline constexpr std::array<std::uint32_t, 4> kSampleRateHz = {44100, 48000, 32000, 44100};

inline constexpr std::uint32_t kSamplesPerFrame = 1152;

struct FrameHeader {
    std::uint32_t word = 0;

    bool hasSync() const { return (word >> 20) == 0xFFF; }
    // Version bit 1 (MPEG-1) and layer bits 01 (Layer III).
    bool isMpeg1Layer3() const { return ((word >> 17) & 0x7) == 0x5; }
    bool hasCrc() const { return ((word >> 16) & 1) == 0; }
    unsigned bitRateIndex() const { return (word >> 12) & 0xF; }
    unsigned sampleRateIndex() const { return (word >> 10) & 0x3; }
    unsigned padding() const { return (word >> 9) & 1; }
    unsigned modeIndex() const { return (word >> 6) & 0x3; }
    ChannelMode mode() const { return static_cast<ChannelMode>(modeIndex()); }
    // Side information lies between the header (and CRC) and the VBR header.
    unsigned sideInfoSize() const { return mode() == ChannelMode::SingleChannel ? 17 : 32; }
};

// 144 × bit rate / sample rate, truncated, plus the padding byte; 0 becomes 1.
// Free format and bit-rate index 15 count as 1 bit/s, the reserved sample-rate
// index as 1 Hz. (Integer division gives the same result as the floating point
// formula for every table value, since the quotient is never within an ulp of
// an integer it does not equal.)
constexpr std::uint32_t FrameLength(unsigned bitRateIndex, unsigned sampleRateIndex, unsigned padding) {
    const std::uint64_t bitRate = (bitRateIndex == 0 || bitRateIndex >= 15) ? 1 : kBitRateKbps[bitRateIndex] * 1000ULL;
    const std::uint64_t sampleRate = sampleRateIndex >= 3 ? 1 : kSampleRateHz[sampleRateIndex];
    const auto length = static_cast<std::uint32_t>(144 * bitRate / sampleRate + (padding ? 1 : 0));
    return length == 0 ? 1 : length;
}

}  // namespace quilto::core
