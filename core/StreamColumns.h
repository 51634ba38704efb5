// The numeric result of a frame scan and its ten display texts.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/VbrHeader.h"

namespace quilto::core {

struct StreamInfo {
    std::uint64_t frames = 0;       // dominant bit rate for CBR, all for VBR (quick scan: estimate)
    std::uint64_t otherFrames = 0;  // full scan, CBR only: frames at other bit rates
    std::uint32_t kbps = 0;
    std::uint32_t rateIndex = 0;
    bool isVbr = false;
    std::uint32_t mode = 0;  // ChannelMode
    VbrHeaderKind headerKind = VbrHeaderKind::None;
    std::uint64_t streamBytes = 0;
    std::uint32_t headerFrameLength = 0;
    std::uint32_t headerFrames = 0;
    std::uint32_t headerBytes = 0;
    bool splitFrames = false;
};

enum class StreamColumn {
    Time = 0,
    Frames,
    Kbps,
    CV,
    Hz,
    ChanelMode,
    BitStream,
    Xing,
    XingFrames,
    XingBytes,
};
inline constexpr std::size_t kStreamColumnCount = 10;

struct StreamColumns {
    std::array<std::string, kStreamColumnCount> texts;
    StreamInfo info;  // the numbers behind the texts, so nobody parses them back

    const std::string& text(StreamColumn column) const { return texts[static_cast<std::size_t>(column)]; }
};

// Play time of the counted frames (other frames do not count), in seconds.
std::uint64_t StreamSeconds(const StreamInfo& info);

StreamColumns FormatStreamColumns(const StreamInfo& info);

}  // namespace quilto::core
