// FullFrameScan: every frame header of the stream walked in memory over large
// buffered reads. The results equal those of reading 4 bytes per frame and
// seeking by the frame length, including the byte-by-byte sync search.
#include <algorithm>
#include <array>

#include "core/FrameScan.h"

namespace quilto::core {

namespace {

// Large enough that a read costs little per byte, small enough to stay in the
// second-level cache while the headers are walked (see bench/README.md).
constexpr std::size_t kScanBufferSize = 256 * 1024;

class ScanWindow {
public:
    explicit ScanWindow(const InputFile& file) : file_(file), buffer_(kScanBufferSize) {}

    // Up to wanted bytes at offset; fewer only at the end of the file.
    ByteView view(std::uint64_t offset, std::size_t wanted) {
        if (offset < start_ || offset + wanted > start_ + length_) {
            // Keep a whole window behind offset unless the file ends first.
            if (offset >= file_.size()) return {};
            start_ = offset;
            length_ = file_.readAt(offset, buffer_.data(), buffer_.size());
        }
        const auto skip = static_cast<std::size_t>(offset - start_);
        if (skip >= length_) return {};
        return ByteView(buffer_).subspan(skip, std::min(wanted, length_ - skip));
    }

private:
    const InputFile& file_;
    Bytes buffer_;
    std::uint64_t start_ = 0;
    std::size_t length_ = 0;
};

struct Counters {
    std::array<std::uint64_t, 16> byIndex{};

    void decide(StreamInfo& info) const {
        std::uint64_t total = 0;
        int ratesWithThree = 0;
        std::size_t dominant = 0;
        for (std::size_t i = 0; i < byIndex.size(); ++i) {
            total += byIndex[i];
            if (byIndex[i] >= 3) ++ratesWithThree;
            if (byIndex[i] > byIndex[dominant]) dominant = i;  // ties keep the lower index
        }
        if (ratesWithThree >= 2) {
            info.isVbr = true;
            info.frames = total;
            std::uint64_t kbpsSum = 0;
            for (std::size_t i = 0; i < byIndex.size(); ++i) kbpsSum += byIndex[i] * kBitRateKbps[i];
            info.kbps = static_cast<std::uint32_t>(kbpsSum / total);
        } else {
            info.isVbr = false;
            info.frames = byIndex[dominant];
            info.kbps = kBitRateKbps[dominant];
            info.otherFrames = total - byIndex[dominant];
        }
    }
};

}  // namespace

StreamColumns FullFrameScan(InputFile& file, std::uint64_t endPosition, bool splitFrames, Progress& progress) {
    ScanWindow window(file);
    ProgressPacer pacer(progress);
    Counters counters;
    StreamInfo info;
    info.splitFrames = splitFrames;
    std::uint64_t pos = file.position();
    bool firstFrame = true;
    const bool bounded = endPosition != 0;

    while (!pacer.cancelled() && (!bounded || pos < endPosition)) {
        // Sync search: the next header need not sit exactly at pos.
        FrameHeader header;
        bool found = false;
        for (std::uint64_t i = 0; i < kFrameSearchLimit; ++i) {
            if (bounded && pos + i >= endPosition) break;
            const ByteView word = window.view(pos + i, 4);
            if (word.size() < 4) break;
            header.word = ReadBe32(word.data());
            if (header.hasSync()) {
                pos += i;
                found = true;
                break;
            }
        }
        if (!found) break;

        if (!header.isMpeg1Layer3()) {
            if (firstFrame) break;
            ++pos;
            continue;
        }
        const unsigned bitRateIndex = header.bitRateIndex();
        const unsigned sampleRateIndex = header.sampleRateIndex();
        info.rateIndex = sampleRateIndex;
        info.mode = header.modeIndex();

        if (firstFrame) {
            firstFrame = false;
            const VbrHeader vbr = ParseVbrHeader(window.view(pos, kVbrHeaderReach), header);
            if (vbr.kind != VbrHeaderKind::None) {
                // The VBR header frame carries no audio: measured, not counted.
                info.headerKind = vbr.kind;
                info.headerFrames = vbr.frames;
                info.headerBytes = vbr.bytes;
                info.headerFrameLength = FrameLength(bitRateIndex, sampleRateIndex, header.padding());
                pos += info.headerFrameLength;
                info.streamBytes += info.headerFrameLength;
                pacer.step();
                continue;
            }
        }

        if (bitRateIndex != 0 && sampleRateIndex != 3) {
            // Index 15 is accepted and counts at 0 kbps with a length of 1.
            ++counters.byIndex[bitRateIndex];
            const std::uint32_t length = FrameLength(bitRateIndex, sampleRateIndex, header.padding());
            pos += length;
            info.streamBytes += length;
        } else {
            ++pos;  // free format or reserved rate is never measured
        }
        pacer.step();
    }

    file.seek(pos);
    counters.decide(info);
    return FormatStreamColumns(info);
}

}  // namespace quilto::core
