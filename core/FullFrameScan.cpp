// FullFrameScan: every frame header of the stream walked in memory over large
// buffered reads. The results equal those of reading 4 bytes per frame and
// seeking by the frame length, including the byte-by-byte sync search.
#include <algorithm>
#include <array>
#include <memory>

#include "core/FrameScan.h"
#include "core/FrameSeries.h"

namespace quilto::core {

namespace {

// Large enough that a read costs little per byte, small enough to stay in the
// second-level cache while the headers are walked (see bench/README.md).
constexpr std::size_t kScanBufferSize = 256 * 1024;

// The length of a frame the walk counts, by the seven header bits from bit 9
// up (bit-rate index, sample-rate index, padding); 0 for free format and the
// reserved sample rate, which are never counted. A table because each frame's
// position depends on the previous frame's length: a division there would
// sit in that chain and slow the whole walk.
constexpr std::array<std::uint16_t, 128> kCountedFrameLengths = [] {
    std::array<std::uint16_t, 128> table{};
    for (unsigned bits = 0; bits < table.size(); ++bits) {
        const unsigned bitRateIndex = bits >> 3;
        const unsigned sampleRateIndex = (bits >> 1) & 3;
        if (bitRateIndex == 0 || sampleRateIndex == 3) continue;
        table[bits] = static_cast<std::uint16_t>(FrameLength(bitRateIndex, sampleRateIndex, bits & 1));
    }
    return table;
}();

// Sync (12 bits) followed by MPEG-1 (1) and Layer III (01).
constexpr std::uint32_t kMpeg1Layer3Mask = 0xFFFE0000u;
constexpr std::uint32_t kMpeg1Layer3Bits = 0xFFFA0000u;

class ScanWindow {
public:
    // Never cleared: only the bytes a read filled are looked at, and zeroing
    // it cost about as much as reading a small file.
    explicit ScanWindow(const InputFile& file)
        : file_(file), buffer_(std::make_unique_for_overwrite<std::uint8_t[]>(kScanBufferSize)) {}

    // Up to wanted bytes at offset; fewer only at the end of the file.
    ByteView view(std::uint64_t offset, std::size_t wanted) {
        if (offset < start_ || offset + wanted > start_ + length_) {
            // Keep a whole window behind offset unless the file ends first.
            if (offset >= file_.size()) return {};
            start_ = offset;
            length_ = file_.readAt(offset, buffer_.get(), kScanBufferSize);
        }
        const auto skip = static_cast<std::size_t>(offset - start_);
        if (skip >= length_) return {};
        return ByteView(buffer_.get() + skip, std::min(wanted, length_ - skip));
    }

    const std::uint8_t* data() const { return buffer_.get(); }
    std::uint64_t start() const { return start_; }
    std::size_t length() const { return length_; }

private:
    const InputFile& file_;
    std::unique_ptr<std::uint8_t[]> buffer_;
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

// The plain scan records nothing; the compiler drops every call.
struct NoRecording {
    void vbrFrame(std::uint64_t, std::uint32_t, VbrHeaderKind) {}
    void frame(std::uint64_t, std::uint32_t) {}
};

// Hands every frame the walk counts to a FrameSeries, with the stretch of
// bytes skipped before it.
class Recording {
public:
    Recording(const InputFile& file, FrameSeries& series) : file_(file), series_(series) {}

    void vbrFrame(std::uint64_t offset, std::uint32_t length, VbrHeaderKind kind) {
        gapBefore(offset);
        series_.addVbrFrame(offset, length, kind);
    }
    void frame(std::uint64_t offset, std::uint32_t word) {
        if (offset != series_.expectedOffset()) gapBefore(offset);
        series_.addFrame(offset, FrameHeader{word});
    }

private:
    void gapBefore(std::uint64_t offset) {
        const std::uint64_t start = series_.expectedOffset();
        if (offset <= start) return;
        // Read apart from the scan's window so that its refills stay those
        // of the plain scan.
        const Bytes head = file_.readBytesAt(start, 16);
        series_.addGap(start, offset - start, ClassifyGap(head.data(), head.size()));
    }

    const InputFile& file_;
    FrameSeries& series_;
};

// The walk's common case: counted frames one behind the other, all inside the
// window. Gives the same result as the general path of FullFrameScan with
// only the header decoded. Each frame's position waits on the previous one,
// so the loop keeps as little as possible alive (no byte count: it is the
// distance walked) to leave the offset in a register. Every frame after the
// first is a pass of its own and checks the loop condition itself. Returns
// true when the walk must end; false when the pass at pos (its condition
// already checked) needs the general path.
template <typename Recorder>
bool WalkCountedRun(const ScanWindow& window, std::uint64_t& pos, std::uint64_t endPosition, StreamInfo& info,
                    Counters& counters, ProgressPacer& pacer, Recorder& recorder) {
    const std::uint64_t start = window.start();
    const std::size_t length = window.length();
    if (pos < start || pos - start + 4 > length) return false;
    const std::uint8_t* const data = window.data();
    // Offsets below limit hold a whole header word and lie before the end
    // position (pos is before it, or the caller would not be here).
    std::uint64_t limit = length - 3;
    if (endPosition != 0) limit = std::min(limit, endPosition - start);
    std::uint64_t offset = pos - start;
    std::uint32_t lastWord = 0;
    bool stop = false;
    do {
        const std::uint32_t word = ReadBe32(data + offset);
        const std::uint32_t frameLength = kCountedFrameLengths[(word >> 9) & 0x7F];
        if ((word & kMpeg1Layer3Mask) != kMpeg1Layer3Bits || frameLength == 0) break;
        ++counters.byIndex[(word >> 12) & 0xF];
        recorder.frame(start + offset, word);
        lastWord = word;
        offset += frameLength;
        pacer.step();
        if (pacer.cancelled()) {
            stop = true;
            break;
        }
    } while (offset < limit);
    const std::uint64_t at = start + offset;
    if (endPosition != 0 && at >= endPosition) stop = true;
    if (lastWord != 0) {
        const FrameHeader last{lastWord};
        info.rateIndex = last.sampleRateIndex();
        info.mode = last.modeIndex();
    }
    info.streamBytes += at - pos;
    pos = at;
    return stop;
}

template <typename Recorder>
StreamInfo Walk(InputFile& file, std::uint64_t endPosition, bool splitFrames, Progress& progress, Recorder& recorder) {
    ScanWindow window(file);
    ProgressPacer pacer(progress);
    Counters counters;
    StreamInfo info;
    info.splitFrames = splitFrames;
    std::uint64_t pos = file.position();
    bool firstFrame = true;
    const bool bounded = endPosition != 0;
    std::uint64_t reported = pos;

    while (!pacer.cancelled() && (!bounded || pos < endPosition)) {
        // Most passes find a counted frame right at pos, already in memory.
        if (!firstFrame) {
            const bool stop = WalkCountedRun(window, pos, endPosition, info, counters, pacer, recorder);
            // About once per buffer of frames: cheap beside the walk.
            if (pos - reported >= kScanBufferSize / 4) {
                progress.addBytesDone(pos - reported);
                reported = pos;
            }
            if (stop) break;
        }

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
            // At the reserved sample rate the frame length divides by 1 Hz and
            // would jump megabytes past real audio: such a frame is no VBR
            // header frame, just a frame that cannot be measured.
            const VbrHeader vbr = sampleRateIndex == 3 ? VbrHeader{}
                                                        : ParseVbrHeader(window.view(pos, kVbrHeaderReach), header);
            if (vbr.kind != VbrHeaderKind::None) {
                // The VBR header frame carries no audio: measured, not counted.
                info.headerKind = vbr.kind;
                info.headerFrames = vbr.frames;
                info.headerBytes = vbr.bytes;
                info.headerFrameLength = FrameLength(bitRateIndex, sampleRateIndex, header.padding());
                recorder.vbrFrame(pos, info.headerFrameLength, vbr.kind);
                pos += info.headerFrameLength;
                info.streamBytes += info.headerFrameLength;
                pacer.step();
                continue;
            }
        }

        if (bitRateIndex != 0 && sampleRateIndex != 3) {
            // Index 15 is accepted and counts at 0 kbps with a length of 1.
            ++counters.byIndex[bitRateIndex];
            recorder.frame(pos, header.word);
            const std::uint32_t length = FrameLength(bitRateIndex, sampleRateIndex, header.padding());
            pos += length;
            info.streamBytes += length;
        } else {
            ++pos;  // free format or reserved rate is never measured
        }
        pacer.step();
    }

    if (pos > reported) progress.addBytesDone(pos - reported);
    file.seek(pos);
    counters.decide(info);
    return info;
}

}  // namespace

StreamColumns FullFrameScan(InputFile& file, std::uint64_t endPosition, bool splitFrames, Progress& progress) {
    NoRecording none;
    return FormatStreamColumns(Walk(file, endPosition, splitFrames, progress, none));
}

StreamColumns FullFrameScan(InputFile& file, std::uint64_t endPosition, bool splitFrames, Progress& progress,
                            FrameSeries& series) {
    const std::uint64_t scanEnd = endPosition != 0 ? std::min(endPosition, file.size()) : file.size();
    series.begin(file.position(), scanEnd);
    Recording recording(file, series);
    const StreamInfo info = Walk(file, endPosition, splitFrames, progress, recording);
    series.finish(file.position(), scanEnd);
    return FormatStreamColumns(info);
}

}  // namespace quilto::core
