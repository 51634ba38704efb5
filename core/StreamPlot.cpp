#include "core/StreamPlot.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "core/CueTime.h"

namespace quilto::core {

namespace {

double SampleSeconds(const FrameSample& sample) {
    return static_cast<double>(sample.frames) * kSamplesPerFrame / kSampleRateHz[sample.sampleRateIndex()];
}

std::string Caption(const StreamColumns& columns) {
    const auto text = [&](StreamColumn column) { return columns.text(column); };
    if (text(StreamColumn::Frames).empty()) return "No MPEG-1 Layer III frames";
    std::string caption = text(StreamColumn::CV) + " " + text(StreamColumn::Kbps) + " kbps, " +
                          text(StreamColumn::Hz) + " Hz, " + text(StreamColumn::ChanelMode) + ", " +
                          text(StreamColumn::Time) + ", " + text(StreamColumn::Frames) + " frames, " +
                          text(StreamColumn::BitStream) + " bytes";
    if (!text(StreamColumn::Xing).empty()) {
        caption += "; " + text(StreamColumn::Xing);
        if (!text(StreamColumn::XingFrames).empty())
            caption += ": " + text(StreamColumn::XingFrames) + " frames, " + text(StreamColumn::XingBytes) + " bytes";
    }
    return caption;
}

// A cue time text in seconds; nothing for a text that is no cue time.
bool CueSeconds(const std::string& text, double& seconds) {
    try {
        const CueTime time = ParseCueTime(text);
        seconds = time.minutes * 60.0 + time.seconds + time.frames / static_cast<double>(kCueFramesPerSecond);
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

double SecondsAtOffset(const FrameSeries& series, const std::vector<double>& sampleStarts, std::uint64_t offset) {
    const auto& samples = series.samples();
    if (samples.empty() || offset <= samples.front().offset) return 0;
    const auto after = std::upper_bound(samples.begin(), samples.end(), offset,
                                        [](std::uint64_t value, const FrameSample& s) { return value < s.offset; });
    const auto i = static_cast<std::size_t>(after - samples.begin()) - 1;
    const double start = sampleStarts[i];
    const double length = SampleSeconds(samples[i]);
    if (offset == samples[i].offset) return start;
    // Inside a single frame or past it: the next frame is where it begins.
    if (samples[i].frames == 1) return start + length;
    const std::uint64_t next = i + 1 < samples.size() ? samples[i + 1].offset : series.audioEnd();
    if (next <= samples[i].offset || offset >= next) return start + length;
    return start + length * static_cast<double>(offset - samples[i].offset) / static_cast<double>(next - samples[i].offset);
}

StreamPlot MakeStreamPlot(const FrameSeries& series, const StreamColumns& columns,
                          const std::vector<TrackSpanInput>& tracks, const std::vector<CueIndexInput>& cues,
                          std::size_t maxPoints) {
    StreamPlot plot;
    plot.caption = Caption(columns);
    const auto& samples = series.samples();
    const std::vector<double> starts = series.sampleStartSeconds();
    plot.seconds = samples.empty() ? 0 : starts.back() + SampleSeconds(samples.back());

    // Each point averages a group of samples, weighted by their frames.
    const std::size_t group = std::max<std::size_t>(1, (samples.size() + std::max<std::size_t>(1, maxPoints) - 1) /
                                                           std::max<std::size_t>(1, maxPoints));
    for (std::size_t i = 0; i < samples.size(); i += group) {
        std::uint64_t kbpsSum = 0, frames = 0;
        for (std::size_t k = i; k < std::min(samples.size(), i + group); ++k) {
            kbpsSum += samples[k].kbpsSum;
            frames += samples[k].frames;
        }
        const double kbps = frames == 0 ? 0 : static_cast<double>(kbpsSum) / static_cast<double>(frames);
        plot.rate.push_back({starts[i], kbps});
        plot.maxKbps = std::max(plot.maxKbps, kbps);
    }

    for (std::size_t index = 0; index < series.histogram().size(); ++index) {
        if (series.histogram()[index] != 0) plot.histogram.push_back({kBitRateKbps[index], series.histogram()[index]});
    }
    std::stable_sort(plot.histogram.begin(), plot.histogram.end(),
                     [](const RateBar& a, const RateBar& b) { return a.kbps < b.kbps; });

    for (const StreamGap& gap : series.gaps()) {
        const MarkKind kind = gap.kind == GapKind::NonAudio ? MarkKind::NonAudio : MarkKind::Resync;
        plot.marks.push_back({kind, SecondsAtOffset(series, starts, gap.offset + gap.length), gap.offset, gap.length});
    }
    if (series.audioEnd() < series.scanEnd()) {
        plot.marks.push_back(
            {MarkKind::AudioEnd, plot.seconds, series.audioEnd(), series.scanEnd() - series.audioEnd()});
    }

    for (const TrackSpanInput& track : tracks) {
        plot.tracks.push_back({SecondsAtOffset(series, starts, track.start), SecondsAtOffset(series, starts, track.end),
                               track.label});
    }
    for (std::size_t i = 0; i < cues.size(); ++i) {
        CueLine line;
        if (!CueSeconds(cues[i].index, line.seconds)) continue;
        line.label = cues[i].label;
        line.missesTrack = i < plot.tracks.size() && std::fabs(line.seconds - plot.tracks[i].start) > kCueTolerance;
        plot.cues.push_back(line);
    }
    return plot;
}

std::vector<std::pair<double, std::string>> TimeTicks(double seconds, int wanted) {
    static constexpr std::array<double, 14> kSteps = {1,   2,   5,    10,   15,   30,   60,
                                                      120, 300, 600, 900, 1800, 3600, 7200};
    std::vector<std::pair<double, std::string>> ticks;
    if (!(seconds > 0)) return {{0.0, MinutesSeconds(0)}};
    double step = kSteps.back();
    for (const double candidate : kSteps) {
        if (seconds / candidate <= std::max(1, wanted)) {
            step = candidate;
            break;
        }
    }
    for (double at = 0; at <= seconds + 1e-9; at += step) ticks.emplace_back(at, MinutesSeconds(at));
    return ticks;
}

std::string MinutesSeconds(double seconds) {
    const auto whole = static_cast<long long>(std::floor(std::max(0.0, seconds) + 1e-9));
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld", whole / 60, whole % 60);
    return text;
}

}  // namespace quilto::core
