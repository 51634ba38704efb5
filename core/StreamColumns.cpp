#include "core/StreamColumns.h"

#include "core/CueTime.h"
#include "core/MpegHeader.h"
#include "core/NumberText.h"

namespace quilto::core {

namespace {

constexpr std::array<const char*, 4> kModeNames = {"Stereo", "JointStereo", "DualChannel", "SingleChannel"};
constexpr std::array<const char*, 4> kHzTexts = {"44100", "48000", "32000", ""};
constexpr const char* kDiffers = "\u2260";  // "≠"

}  // namespace

std::uint64_t StreamSeconds(const StreamInfo& info) {
    return info.frames * kSamplesPerFrame / kSampleRateHz[info.rateIndex & 3];
}

StreamColumns FormatStreamColumns(const StreamInfo& info) {
    StreamColumns columns;
    columns.info = info;
    if (info.frames == 0) return columns;
    auto set = [&columns](StreamColumn column, std::string text) {
        columns.texts[static_cast<std::size_t>(column)] = std::move(text);
    };
    set(StreamColumn::Time, SecondsToPlayTime(static_cast<std::int64_t>(StreamSeconds(info))));
    if (info.splitFrames) {
        std::string frames = std::to_string(info.frames);
        if (info.otherFrames != 0) frames += "(" + std::to_string(info.otherFrames) + ")";
        set(StreamColumn::Frames, frames);
    } else {
        set(StreamColumn::Frames, std::to_string(info.frames + info.otherFrames));
    }
    set(StreamColumn::Kbps, std::to_string(info.kbps));
    set(StreamColumn::CV, info.isVbr ? "VBR" : "CBR");
    set(StreamColumn::Hz, kHzTexts[info.rateIndex & 3]);
    set(StreamColumn::ChanelMode, kModeNames[info.mode & 3]);
    if (info.streamBytes != 0) set(StreamColumn::BitStream, GroupThousands(info.streamBytes));
    std::string xing = info.headerKind == VbrHeaderKind::Xing ? "Xing" : info.headerKind == VbrHeaderKind::Info ? "Info" : "";
    if (info.headerFrameLength != 0) xing += "(" + std::to_string(info.headerFrameLength) + ")";
    set(StreamColumn::Xing, xing);
    if (info.headerFrames != 0) {
        const std::string frames = std::to_string(info.headerFrames);
        set(StreamColumn::XingFrames, info.headerFrames == info.frames ? frames : kDiffers + frames);
        const std::string bytes = GroupThousands(info.headerBytes);
        set(StreamColumn::XingBytes, info.headerBytes == info.streamBytes ? bytes : kDiffers + bytes);
    }
    return columns;
}

}  // namespace quilto::core
