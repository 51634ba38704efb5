// What the stream view draws: track bands and cue lines placed in play time
// from byte offsets, a cue index that misses its track flagged, the rate
// thinned without losing its average, and readable time ticks.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/FrameScan.h"
#include "core/StreamPlot.h"
#include "support/MpegBuilder.h"

using namespace quilto;
using test::Append;
using test::FrameFields;

namespace {

constexpr double kFrameSeconds = 1152.0 / 44100;

// Three tracks of 100, 50 and 150 frames, the second and third behind an
// inner tag, as a Bind file holds them; 160 kbps in the middle one.
struct Album {
    std::vector<std::uint8_t> bytes;
    std::vector<core::TrackSpanInput> spans;
};

Album MakeAlbum() {
    Album album;
    const unsigned rates[] = {9, 10, 9};
    const std::size_t counts[] = {100, 50, 150};
    for (int t = 0; t < 3; ++t) {
        const std::uint64_t start = album.bytes.size();
        if (t > 0) Append(album.bytes, test::Id3Tag({test::Id3Frame("TIT2", test::TextBody(0, "t"))}));
        FrameFields fields;
        fields.bitRateIndex = rates[t];
        Append(album.bytes, test::Frames(fields, counts[t]));
        album.spans.push_back({start, album.bytes.size(), "Track " + std::to_string(t + 1)});
    }
    return album;
}

core::StreamPlot PlotOf(const Album& album, const std::vector<core::CueIndexInput>& cues, std::size_t maxSamples,
                        std::size_t maxPoints = core::kDefaultPlotPoints) {
    auto file = core::InputFile::FromBytes(album.bytes);
    core::NoProgress progress;
    core::FrameSeries series(maxSamples);
    const core::StreamColumns columns = core::FullFrameScan(file, 0, true, progress, series);
    return core::MakeStreamPlot(series, columns, album.spans, cues, maxPoints);
}

class AlbumPlot : public ::testing::TestWithParam<std::size_t> {};

// Per frame and in buckets alike, bands start where their first frame plays
// (within a bucket's interpolation); the middle cue is 2 s late.
TEST_P(AlbumPlot, BandsFollowTheFramesAndAMissedCueIsFlagged) {
    const Album album = MakeAlbum();
    const std::vector<core::CueIndexInput> cues = {
        {"00:00:00", "1"}, {"00:04:48", "2"}, {"00:05:69", "3"}, {"bogus", "4"}};
    const core::StreamPlot plot = PlotOf(album, cues, GetParam());
    const double tolerance = GetParam() >= 300 ? 1e-9 : 8 * kFrameSeconds;

    ASSERT_EQ(plot.tracks.size(), 3u);
    EXPECT_NEAR(plot.tracks[0].start, 0, tolerance);
    EXPECT_NEAR(plot.tracks[1].start, 100 * kFrameSeconds, tolerance);
    EXPECT_NEAR(plot.tracks[2].start, 150 * kFrameSeconds, tolerance);
    EXPECT_NEAR(plot.tracks[2].end, 300 * kFrameSeconds, 1e-9);
    EXPECT_NEAR(plot.seconds, 300 * kFrameSeconds, 1e-9);

    // 100 frames are 2.61 s ("00:02:46"), 150 frames 3.92 s ("00:03:69"):
    // the second and third indexes are 2 s late.
    ASSERT_EQ(plot.cues.size(), 3u);  // the unreadable index is left out
    EXPECT_FALSE(plot.cues[0].missesTrack);
    EXPECT_TRUE(plot.cues[1].missesTrack);
    EXPECT_TRUE(plot.cues[2].missesTrack);

    // Inner tags are non-audio stretches, each marked where its track starts.
    ASSERT_EQ(plot.marks.size(), 2u);
    EXPECT_EQ(plot.marks[0].kind, core::MarkKind::NonAudio);
    EXPECT_EQ(plot.marks[0].offset, album.spans[1].start);
    EXPECT_NEAR(plot.marks[1].seconds, plot.tracks[2].start, tolerance);

    ASSERT_EQ(plot.histogram.size(), 2u);
    EXPECT_EQ(plot.histogram[0].kbps, 128u);
    EXPECT_EQ(plot.histogram[0].frames, 250u);
    EXPECT_EQ(plot.histogram[1].kbps, 160u);
    EXPECT_EQ(plot.histogram[1].frames, 50u);
}

INSTANTIATE_TEST_SUITE_P(SampleLimits, AlbumPlot, ::testing::Values(std::size_t{1024}, std::size_t{40}),
                         [](const ::testing::TestParamInfo<std::size_t>& p) { return "max" + std::to_string(p.param); });

TEST(StreamPlot, CueOnTheTrackBoundaryFitsAndThinningKeepsTheAverage) {
    const Album album = MakeAlbum();
    // Where the tracks really start, rounded to 1/75 s.
    const std::vector<core::CueIndexInput> cues = {{"00:00:00", "1"}, {"00:02:46", "2"}, {"00:03:69", "3"}};
    const core::StreamPlot plot = PlotOf(album, cues, 1024, 7);
    for (const core::CueLine& cue : plot.cues) EXPECT_FALSE(cue.missesTrack) << cue.label;

    EXPECT_LE(plot.rate.size(), 7u);
    // Groups of 43 samples; the one from frame 86 holds 29 frames at 160 kbps.
    EXPECT_NEAR(plot.maxKbps, (14 * 128 + 29 * 160) / 43.0, 1e-9);
    double weighted = 0;
    for (std::size_t i = 0; i < plot.rate.size(); ++i) {
        const double next = i + 1 < plot.rate.size() ? plot.rate[i + 1].seconds : plot.seconds;
        weighted += plot.rate[i].kbps * (next - plot.rate[i].seconds);
    }
    EXPECT_NEAR(weighted / plot.seconds, (250 * 128.0 + 50 * 160.0) / 300, 1e-6);
    EXPECT_NE(plot.caption.find("VBR"), std::string::npos) << plot.caption;
}

TEST(StreamPlot, TimeTicksAndTexts) {
    struct Case {
        double seconds;
        std::size_t ticks;
        const char* last;
    };
    const Case cases[] = {
        {0, 1, "00:00"}, {59, 6, "00:50"}, {235, 8, "03:30"}, {3600, 7, "60:00"}, {36000, 6, "600:00"},
    };
    for (const Case& c : cases) {
        const auto ticks = core::TimeTicks(c.seconds);
        ASSERT_EQ(ticks.size(), c.ticks) << c.seconds;
        EXPECT_EQ(ticks.back().second, c.last) << c.seconds;
        EXPECT_LE(ticks.back().first, c.seconds);
    }
    EXPECT_EQ(core::MinutesSeconds(7507.9), "125:07");
    EXPECT_EQ(core::MinutesSeconds(-3), "00:00");
}

}  // namespace
