#include "pack/AddedFrames.h"

#include <array>
#include <charconv>
#include <utility>

#include "core/MpegHeader.h"
#include "core/SizeCodec.h"

namespace quilto::pack {

namespace {

constexpr std::uint8_t kSync = 0xFF;
constexpr std::uint8_t kMpeg1Layer3NoCrc = 0xFB;
constexpr std::uint32_t kVbrBitRate = 128000;  // what a "VBR" album's added frames use
constexpr std::uint32_t kXingFlagsFramesAndBytes = 0x00000003;

struct RateBits {
    std::uint32_t hz;
    std::uint8_t bits;
};
constexpr std::array<RateBits, 3> kRateBits = {{{44100, 0x00}, {48000, 0x04}, {32000, 0x08}}};

struct ModeBits {
    std::string_view text;
    std::uint8_t bits;
};
constexpr std::array<ModeBits, 4> kModeBits = {
    {{"Stereo", 0x00}, {"JointStereo", 0x40}, {"DualChannel", 0x80}, {"SingleChannel", 0xC0}}};

// Digits with thousands separators dropped; nothing for anything else.
std::optional<std::uint32_t> ParseNumber(std::string_view text) {
    std::string digits;
    for (const char c : text) {
        if (c != ',') digits += c;
    }
    std::uint32_t value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

void Fail(std::string* error, std::string message) {
    if (error) *error = std::move(message);
}

}  // namespace

std::optional<AddedFrameFormat> MakeAddedFrameFormat(std::string_view kbps, std::string_view hz,
                                                     std::string_view channelMode, std::string* error) {
    AddedFrameFormat format;
    unsigned bitRateIndex = 0;
    if (kbps == "VBR") {
        format.vbr = true;
        format.bitRate = kVbrBitRate;
    } else if (const auto value = ParseNumber(kbps)) {
        format.bitRate = *value * 1000;
    } else {
        format.bitRate = 0;
    }
    for (unsigned i = 1; i < 15; ++i) {
        if (core::kBitRateKbps[i] * 1000 == format.bitRate) bitRateIndex = i;
    }
    if (bitRateIndex == 0) {
        Fail(error, "no added frames at the bit rate \"" + std::string(kbps) + "\"");
        return std::nullopt;
    }

    const auto rate = ParseNumber(hz);
    const RateBits* rateBits = nullptr;
    for (const auto& entry : kRateBits) {
        if (rate && entry.hz == *rate) rateBits = &entry;
    }
    if (!rateBits) {
        Fail(error, "no added frames at the sampling rate \"" + std::string(hz) + "\"");
        return std::nullopt;
    }
    format.sampleRate = rateBits->hz;

    for (const auto& entry : kModeBits) {
        if (entry.text == channelMode) format.headerByte3 = entry.bits;
    }
    format.singleChannel = format.headerByte3 == 0xC0;
    format.headerByte2 = static_cast<std::uint8_t>(bitRateIndex * 16 + rateBits->bits);
    format.frameLength = static_cast<std::uint32_t>(144ULL * format.bitRate / format.sampleRate);
    return format;
}

core::Bytes SilentFrame(const AddedFrameFormat& format) {
    core::Bytes frame(format.frameLength, 0);
    frame[0] = kSync;
    frame[1] = kMpeg1Layer3NoCrc;
    frame[2] = format.headerByte2;
    frame[3] = format.headerByte3;
    return frame;
}

core::Bytes XingInfoFrame(const AddedFrameFormat& format, std::uint32_t totalFrames, std::uint32_t totalBytes) {
    core::Bytes frame = SilentFrame(format);
    std::size_t at = 4 + (format.singleChannel ? 17 : 32);
    const std::string_view tag = format.vbr ? "Xing" : "Info";
    for (const char c : tag) frame[at++] = static_cast<std::uint8_t>(c);
    for (const std::uint32_t field : {kXingFlagsFramesAndBytes, totalFrames, totalBytes}) {
        for (const std::uint8_t byte : core::EncodeSize(core::SizeEncoding::Plain, field)) frame[at++] = byte;
    }
    return frame;
}

}  // namespace quilto::pack
