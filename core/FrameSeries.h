// What the full frame scan saw, frame by frame, for the stream view and
// `quilto-cli info --frames`: a compact time series of the counted frames,
// the stretches between them that hold no audio, and where the audio ends.
// Long files are kept in buckets of frames, so memory stays bounded.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/MpegHeader.h"
#include "core/VbrHeader.h"

namespace quilto::core {

// Event bits of a sample; a bucket holds the union of its frames' bits.
enum FrameEventBit : std::uint8_t {
    kFramePadded = 1u << 0,
    kEventResync = 1u << 1,        // the frame follows skipped bytes that held no known block
    kEventNonAudio = 1u << 2,      // the frame follows a tag, archive or pack block
    kEventHeaderChange = 1u << 3,  // sample rate or channel mode differs from the frame before
};

struct FrameSample {
    std::uint64_t offset = 0;    // first frame of the sample
    std::uint32_t kbpsSum = 0;   // table bit rates of its frames added up
    std::uint16_t frames = 0;    // counted frames in the sample (1 until buckets start)
    std::uint8_t header = 0;     // bit-rate index << 4 | sample-rate index << 2 | mode, of its first frame
    std::uint8_t events = 0;     // FrameEventBit

    unsigned bitRateIndex() const { return header >> 4; }
    unsigned sampleRateIndex() const { return (header >> 2) & 3; }
    unsigned modeIndex() const { return header & 3; }
    double averageKbps() const { return frames == 0 ? 0.0 : static_cast<double>(kbpsSum) / frames; }
};

enum class GapKind : std::uint8_t {
    Resync,    // damaged or foreign bytes: the walk searched for the next header
    NonAudio,  // an inner tag, an archive header, a pack block or trailer
};

struct StreamGap {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    GapKind kind = GapKind::Resync;
};

// 16 bytes a sample: 131,072 samples are 2 MiB, per frame up to 57 minutes at
// 44.1 kHz; a 10-hour stream is kept in buckets of 16 frames.
inline constexpr std::size_t kDefaultMaxSamples = 1u << 17;
// Beyond this many gaps only their count and bytes are kept.
inline constexpr std::size_t kMaxGaps = 4096;

class FrameSeries {
public:
    // maxSamples is rounded up to an even number of at least 2.
    explicit FrameSeries(std::size_t maxSamples = kDefaultMaxSamples);

    // What the scan walked: [scanStart, scanEnd), audio up to audioEnd.
    std::uint64_t scanStart() const { return scanStart_; }
    std::uint64_t scanEnd() const { return scanEnd_; }
    std::uint64_t audioEnd() const { return audioEnd_; }

    const std::vector<FrameSample>& samples() const { return samples_; }
    std::uint32_t framesPerSample() const { return framesPerSample_; }
    const std::vector<StreamGap>& gaps() const { return gaps_; }
    std::uint64_t gapsNotKept() const { return gapsNotKept_; }
    std::uint64_t gapBytes() const { return gapBytes_; }

    // Counted frames per bit-rate index: exact whatever the bucket size.
    const std::array<std::uint64_t, 16>& histogram() const { return histogram_; }
    std::uint64_t countedFrames() const { return countedFrames_; }

    // The "Xing"/"Info" frame, which carries no audio and is not a sample.
    VbrHeaderKind vbrKind() const { return vbrKind_; }
    std::uint64_t vbrOffset() const { return vbrOffset_; }
    std::uint32_t vbrLength() const { return vbrLength_; }

    // Heap bytes held, for the memory bound.
    std::size_t memoryBytes() const;

    // Start time of every sample in seconds, each frame lasting 1152 samples
    // at its own rate.
    std::vector<double> sampleStartSeconds() const;
    double playSeconds() const;

    // Called by the scan, in stream order.
    void begin(std::uint64_t start, std::uint64_t end);
    void addVbrFrame(std::uint64_t offset, std::uint32_t length, VbrHeaderKind kind);
    void addGap(std::uint64_t offset, std::uint64_t length, GapKind kind);
    void addFrame(std::uint64_t offset, FrameHeader header);
    void finish(std::uint64_t audioEnd, std::uint64_t scanEnd);

    // Where the next frame is expected: the end of the last frame walked.
    std::uint64_t expectedOffset() const { return expected_; }

private:
    void halve();

    std::size_t maxSamples_;
    std::vector<FrameSample> samples_;
    std::uint32_t framesPerSample_ = 1;
    std::vector<StreamGap> gaps_;
    std::uint64_t gapsNotKept_ = 0;
    std::uint64_t gapBytes_ = 0;
    std::array<std::uint64_t, 16> histogram_{};
    std::uint64_t countedFrames_ = 0;
    VbrHeaderKind vbrKind_ = VbrHeaderKind::None;
    std::uint64_t vbrOffset_ = 0;
    std::uint32_t vbrLength_ = 0;
    std::uint64_t scanStart_ = 0;
    std::uint64_t scanEnd_ = 0;
    std::uint64_t audioEnd_ = 0;
    std::uint64_t expected_ = 0;
    int lastFormat_ = -1;   // sample-rate index << 2 | mode of the last frame
    std::uint8_t pendingEvents_ = 0;  // for the next frame
};

// Which kind of stretch starts with these bytes.
GapKind ClassifyGap(const std::uint8_t* bytes, std::size_t size);

// The series as CSV: offset,frame,kbps,samplerate,mode,padding,event; one
// line per sample, a first line for the VBR header frame and a last one
// ("end") where the audio ends. frame is the number of counted frames before
// the sample; kbps of a bucket is its rounded average.
std::string FrameSeriesCsv(const FrameSeries& series);

}  // namespace quilto::core
