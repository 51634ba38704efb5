#include "core/FrameSeries.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

namespace quilto::core {

namespace {

// A bucket's frame count must fit its 16-bit field.
constexpr std::uint32_t kMaxFramesPerSample = 1u << 15;

constexpr std::array<const char*, 4> kModeTexts = {"Stereo", "JointStereo", "DualChannel", "SingleChannel"};

bool StartsWith(const std::uint8_t* bytes, std::size_t size, std::string_view prefix) {
    return size >= prefix.size() && std::memcmp(bytes, prefix.data(), prefix.size()) == 0;
}

void AppendEvents(std::string& out, std::uint8_t events) {
    bool first = true;
    const auto add = [&](const char* text) {
        if (!first) out += '+';
        out += text;
        first = false;
    };
    if (events & kEventResync) add("resync");
    if (events & kEventNonAudio) add("nonaudio");
    if (events & kEventHeaderChange) add("change");
}

}  // namespace

FrameSeries::FrameSeries(std::size_t maxSamples) : maxSamples_(std::max<std::size_t>(2, (maxSamples + 1) & ~std::size_t{1})) {}

std::size_t FrameSeries::memoryBytes() const {
    return samples_.capacity() * sizeof(FrameSample) + gaps_.capacity() * sizeof(StreamGap);
}

std::vector<double> FrameSeries::sampleStartSeconds() const {
    std::vector<double> starts;
    starts.reserve(samples_.size());
    double seconds = 0;
    for (const FrameSample& sample : samples_) {
        starts.push_back(seconds);
        seconds += static_cast<double>(sample.frames) * kSamplesPerFrame / kSampleRateHz[sample.sampleRateIndex()];
    }
    return starts;
}

double FrameSeries::playSeconds() const {
    double seconds = 0;
    for (const FrameSample& sample : samples_)
        seconds += static_cast<double>(sample.frames) * kSamplesPerFrame / kSampleRateHz[sample.sampleRateIndex()];
    return seconds;
}

void FrameSeries::begin(std::uint64_t start, std::uint64_t end) {
    *this = FrameSeries(maxSamples_);
    scanStart_ = start;
    scanEnd_ = end;
    audioEnd_ = start;
    expected_ = start;
}

void FrameSeries::addVbrFrame(std::uint64_t offset, std::uint32_t length, VbrHeaderKind kind) {
    vbrKind_ = kind;
    vbrOffset_ = offset;
    vbrLength_ = length;
    expected_ = offset + length;
}

void FrameSeries::addGap(std::uint64_t offset, std::uint64_t length, GapKind kind) {
    gapBytes_ += length;
    pendingEvents_ |= kind == GapKind::NonAudio ? kEventNonAudio : kEventResync;
    if (gaps_.size() >= kMaxGaps) {
        ++gapsNotKept_;
        return;
    }
    gaps_.push_back({offset, length, kind});
}

void FrameSeries::addFrame(std::uint64_t offset, FrameHeader header) {
    const unsigned bitRateIndex = header.bitRateIndex();
    ++histogram_[bitRateIndex];
    ++countedFrames_;
    expected_ = offset + FrameLength(bitRateIndex, header.sampleRateIndex(), header.padding());

    const int format = static_cast<int>(header.sampleRateIndex() << 2 | header.modeIndex());
    if (lastFormat_ >= 0 && format != lastFormat_) pendingEvents_ |= kEventHeaderChange;
    lastFormat_ = format;
    const auto events = static_cast<std::uint8_t>(pendingEvents_ | (header.padding() ? kFramePadded : 0));
    pendingEvents_ = 0;
    const std::uint32_t kbps = kBitRateKbps[bitRateIndex];

    if (!samples_.empty() && samples_.back().frames < framesPerSample_) {
        FrameSample& bucket = samples_.back();
        ++bucket.frames;
        bucket.kbpsSum += kbps;
        bucket.events |= events;
        return;
    }
    if (samples_.size() == maxSamples_) {
        // Streams longer than this are not walked in practice; their histogram
        // stays exact, the samples stop.
        if (framesPerSample_ >= kMaxFramesPerSample) return;
        halve();
    }
    if (samples_.size() == samples_.capacity())
        samples_.reserve(std::min(maxSamples_, std::max<std::size_t>(1024, samples_.capacity() * 2)));
    FrameSample sample;
    sample.offset = offset;
    sample.kbpsSum = kbps;
    sample.frames = 1;
    sample.header = static_cast<std::uint8_t>(bitRateIndex << 4 | static_cast<unsigned>(format));
    sample.events = events;
    samples_.push_back(sample);
}

// Pairs of full buckets become one bucket of twice the frames.
void FrameSeries::halve() {
    const std::size_t half = samples_.size() / 2;
    for (std::size_t i = 0; i < half; ++i) {
        FrameSample merged = samples_[2 * i];
        const FrameSample& second = samples_[2 * i + 1];
        merged.frames = static_cast<std::uint16_t>(merged.frames + second.frames);
        merged.kbpsSum += second.kbpsSum;
        merged.events |= second.events;
        samples_[i] = merged;
    }
    samples_.resize(half);
    framesPerSample_ *= 2;
}

void FrameSeries::finish(std::uint64_t audioEnd, std::uint64_t scanEnd) {
    audioEnd_ = std::min(std::max(audioEnd, scanStart_), scanEnd);
    scanEnd_ = scanEnd;
}

GapKind ClassifyGap(const std::uint8_t* bytes, std::size_t size) {
    static constexpr std::array<std::string_view, 9> kBlocks = {
        "ID3", "TAG", "APETAGEX", "LYRICSBEGIN", "Pack", std::string_view("PK\x03\x04", 4),
        std::string_view("PK\x01\x02", 4), std::string_view("PK\x05\x06", 4), "3DI",
    };
    for (const std::string_view block : kBlocks)
        if (StartsWith(bytes, size, block)) return GapKind::NonAudio;
    // A stored LZH member header: size, checksum, then "-lh0-".
    if (size >= 7 && std::memcmp(bytes + 2, "-lh0-", 5) == 0) return GapKind::NonAudio;
    return GapKind::Resync;
}

std::string FrameSeriesCsv(const FrameSeries& series) {
    std::string out = "offset,frame,kbps,samplerate,mode,padding,event\n";
    if (series.vbrKind() != VbrHeaderKind::None) {
        out += std::to_string(series.vbrOffset());
        out += ",0,,,,,";
        out += series.vbrKind() == VbrHeaderKind::Xing ? "xing\n" : "info\n";
    }
    std::uint64_t frame = 0;
    for (const FrameSample& sample : series.samples()) {
        out += std::to_string(sample.offset);
        out += ',';
        out += std::to_string(frame);
        out += ',';
        out += std::to_string(static_cast<std::uint64_t>(std::llround(sample.averageKbps())));
        out += ',';
        if (sample.sampleRateIndex() != 3) out += std::to_string(kSampleRateHz[sample.sampleRateIndex()]);
        out += ',';
        out += kModeTexts[sample.modeIndex()];
        out += (sample.events & kFramePadded) ? ",1," : ",0,";
        AppendEvents(out, sample.events);
        out += '\n';
        frame += sample.frames;
    }
    out += std::to_string(series.audioEnd());
    out += ',';
    out += std::to_string(frame);
    out += ",,,,,end\n";
    return out;
}

}  // namespace quilto::core
