// QuickFrameScan: the stream estimated from the first frame header and its
// VBR header, reading at most a few dozen bytes.
#include <array>

#include "core/FrameScan.h"

namespace quilto::core {

StreamColumns QuickFrameScan(InputFile& file) {
    const std::uint64_t start = file.position();
    // Through the file's window, which the search for this frame has just
    // filled: a read of its own would cost a system call per file.
    std::array<std::uint8_t, kVbrHeaderReach> bytes{};
    const ByteView frame(bytes.data(), file.read(bytes.data(), bytes.size()));
    StreamInfo info;
    if (frame.size() < 4) return FormatStreamColumns(info);
    const FrameHeader header{ReadBe32(frame.data())};
    if (!header.isMpeg1Layer3()) return FormatStreamColumns(info);

    info.kbps = kBitRateKbps[header.bitRateIndex()];
    info.rateIndex = header.sampleRateIndex();
    info.mode = header.modeIndex();
    const VbrHeader vbr = ParseVbrHeader(frame, header);
    if (vbr.kind != VbrHeaderKind::None) {
        info.headerKind = vbr.kind;
        info.isVbr = vbr.kind == VbrHeaderKind::Xing;
        info.frames = vbr.frames;
        info.streamBytes = vbr.bytes;
    } else {
        // Free format or index 15 without padding gives no length to divide
        // by: no estimate, empty columns.
        const std::uint64_t length = info.kbps * 144000ULL / kSampleRateHz[info.rateIndex] + header.padding();
        if (length == 0 || file.size() <= start) return FormatStreamColumns(info);
        info.frames = (file.size() - start) / length;
    }
    return FormatStreamColumns(info);
}

}  // namespace quilto::core
