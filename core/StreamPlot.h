// What the stream view draws, decided without a window: the bit rate over
// time thinned to a drawable number of points, the frames per bit rate, the
// marks for skipped stretches and the end of the audio, and for a packed file
// or a track list one band per track and one line per cue index.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/FrameSeries.h"
#include "core/StreamColumns.h"

namespace quilto::core {

struct RatePoint {
    double seconds = 0;
    double kbps = 0;
};

enum class MarkKind { Resync, NonAudio, AudioEnd };

struct StreamMark {
    MarkKind kind = MarkKind::Resync;
    double seconds = 0;        // where in the play time it lies
    std::uint64_t offset = 0;  // its bytes in the file
    std::uint64_t length = 0;
};

struct RateBar {
    unsigned kbps = 0;
    std::uint64_t frames = 0;
};

// A track as its bytes lie in the scanned file, and a cue index as its text.
struct TrackSpanInput {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    std::string label;
};
struct CueIndexInput {
    std::string index;  // cue time, "mm:ss:ff"
    std::string label;
};

struct TrackBand {
    double start = 0;
    double end = 0;
    std::string label;
};

struct CueLine {
    double seconds = 0;
    std::string label;
    bool missesTrack = false;  // farther than kCueTolerance from its track's start
};

// Cue indexes count in 1/75 s and tracks start on frame boundaries (26 ms):
// anything beyond half a second is a different place.
inline constexpr double kCueTolerance = 0.5;

struct StreamPlot {
    std::string caption;
    double seconds = 0;  // play time of the series
    double maxKbps = 0;
    std::vector<RatePoint> rate;
    std::vector<RateBar> histogram;  // bit rates that occur, ascending
    std::vector<StreamMark> marks;
    std::vector<TrackBand> tracks;
    std::vector<CueLine> cues;
};

inline constexpr std::size_t kDefaultPlotPoints = 4000;

StreamPlot MakeStreamPlot(const FrameSeries& series, const StreamColumns& columns,
                          const std::vector<TrackSpanInput>& tracks = {}, const std::vector<CueIndexInput>& cues = {},
                          std::size_t maxPoints = kDefaultPlotPoints);

// Play time at a byte offset of the scanned file: the start of the frame
// that begins there or next, interpolated inside a bucket.
double SecondsAtOffset(const FrameSeries& series, const std::vector<double>& sampleStarts, std::uint64_t offset);

// About `wanted` round tick positions over [0, seconds] with "mm:ss" texts.
std::vector<std::pair<double, std::string>> TimeTicks(double seconds, int wanted = 8);

// "mm:ss", minutes not wrapped at the hour ("125:07").
std::string MinutesSeconds(double seconds);

}  // namespace quilto::core
