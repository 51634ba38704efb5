// The full scan over streams of several MB: the walk refills its read buffer
// wherever a header no longer fits, so refills land between frames, inside
// headers and inside stretches of garbage. Whatever the buffer boundaries,
// the counts, the end position, a bounded range and a Cancel must give
// exactly what the stream was built from.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

#include "core/FrameScan.h"
#include "support/MpegBuilder.h"

using namespace quilto;
using test::Append;
using test::FrameFields;

namespace {

struct Shape {
    const char* name;
    bool variable;      // bit rate changes frame by frame
    bool vbrHeader;     // a "Xing" first frame
    int garbageOneIn;   // garbage follows one frame in this many; 0: none
};

struct BuiltStream {
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint64_t> frameStarts;  // audio frames only
    std::vector<std::uint32_t> frameLengths;
    std::array<std::uint64_t, 16> byIndex{};
    std::uint32_t headerFrameLength = 0;
};

BuiltStream Build(const Shape& shape, std::uint64_t seed) {
    static constexpr std::array<unsigned, 6> kRates = {5, 9, 10, 11, 13, 14};
    constexpr std::size_t kFrames = 9000;  // 3.5 to 6 MB
    std::mt19937_64 random(seed);
    BuiltStream stream;
    if (shape.vbrHeader) {
        Append(stream.bytes, test::VbrFrame(FrameFields{}, "Xing", kFrames, 0));
        stream.headerFrameLength = static_cast<std::uint32_t>(stream.bytes.size());
    }
    for (std::size_t i = 0; i < kFrames; ++i) {
        FrameFields fields;
        fields.bitRateIndex = shape.variable ? kRates[random() % kRates.size()] : 9;
        fields.padding = static_cast<unsigned>(random() % 2);
        stream.frameStarts.push_back(stream.bytes.size());
        const std::vector<std::uint8_t> frame = test::Frame(fields);
        stream.frameLengths.push_back(static_cast<std::uint32_t>(frame.size()));
        ++stream.byIndex[fields.bitRateIndex];
        Append(stream.bytes, frame);
        if (shape.garbageOneIn != 0 && random() % static_cast<unsigned>(shape.garbageOneIn) == 0) {
            // Never 0xFF, so that no sync appears before the next frame.
            const std::size_t length = 1 + random() % 4000;
            for (std::size_t k = 0; k < length; ++k) stream.bytes.push_back(static_cast<std::uint8_t>(random() % 0xFF));
        }
    }
    return stream;
}

// Answers Cancel at the given check, as a user pressing it mid-scan.
class CancelAtCheck final : public core::Progress {
public:
    explicit CancelAtCheck(std::uint64_t check) : remaining_(check) {}
    bool cancelRequested() const override { return --remaining_ == 0; }
    void pump() override {}

private:
    mutable std::uint64_t remaining_;
};

struct Expected {
    std::uint64_t frames = 0;
    std::uint64_t streamBytes = 0;
    std::uint64_t endPosition = 0;
};

// What walking the first `frames` audio frames must report.
Expected FirstFrames(const BuiltStream& stream, std::size_t frames) {
    Expected expected;
    expected.frames = frames;
    expected.streamBytes = stream.headerFrameLength;
    expected.endPosition = stream.headerFrameLength;
    for (std::size_t i = 0; i < frames; ++i) {
        expected.streamBytes += stream.frameLengths[i];
        expected.endPosition = stream.frameStarts[i] + stream.frameLengths[i];
    }
    return expected;
}

void ExpectWalked(const core::StreamColumns& columns, std::uint64_t position, const Expected& expected) {
    EXPECT_EQ(columns.info.frames + columns.info.otherFrames, expected.frames);
    EXPECT_EQ(columns.info.streamBytes, expected.streamBytes);
    EXPECT_EQ(position, expected.endPosition);
}

class LongStreamWalk : public ::testing::TestWithParam<Shape> {
protected:
    core::StreamColumns scan(std::uint64_t end, core::Progress& progress) {
        file_.seek(0);
        return core::FullFrameScan(file_, end, true, progress);
    }

    const BuiltStream stream_ = Build(GetParam(), 20240601);
    core::InputFile file_ = core::InputFile::FromBytes(stream_.bytes);
    std::mt19937_64 random_{7};
};

TEST_P(LongStreamWalk, CountsEveryFrameOfTheWholeStream) {
    core::NoProgress progress;
    const auto columns = scan(0, progress);
    ExpectWalked(columns, file_.position(), FirstFrames(stream_, stream_.frameStarts.size()));
    EXPECT_EQ(columns.info.isVbr, GetParam().variable);
    if (GetParam().variable) {
        std::uint64_t kbpsSum = 0;
        for (std::size_t i = 0; i < stream_.byIndex.size(); ++i) kbpsSum += stream_.byIndex[i] * core::kBitRateKbps[i];
        EXPECT_EQ(columns.info.kbps, kbpsSum / stream_.frameStarts.size());
    }
    EXPECT_EQ(columns.info.headerFrameLength, stream_.headerFrameLength);
}

TEST_P(LongStreamWalk, BoundedRangeCountsTheFramesThatStartInsideIt) {
    core::NoProgress progress;
    for (int trial = 0; trial < 12; ++trial) {
        const std::uint64_t end = stream_.headerFrameLength + 1 + random_() % (stream_.bytes.size() - stream_.headerFrameLength);
        const auto inside = static_cast<std::size_t>(
            std::lower_bound(stream_.frameStarts.begin(), stream_.frameStarts.end(), end) - stream_.frameStarts.begin());
        SCOPED_TRACE(end);
        const auto columns = scan(end, progress);
        ExpectWalked(columns, file_.position(), FirstFrames(stream_, inside));
    }
}

TEST_P(LongStreamWalk, CancelStopsAfterThePassesItAllowed) {
    // Each pass walks one frame (the VBR header frame too); the check that
    // answers Cancel ends the walk before its pass.
    const std::uint64_t headerPasses = GetParam().vbrHeader ? 1 : 0;
    for (int trial = 0; trial < 12; ++trial) {
        const std::uint64_t check = headerPasses + 1 + random_() % stream_.frameStarts.size();
        SCOPED_TRACE(check);
        CancelAtCheck progress(check);
        const auto columns = scan(0, progress);
        ExpectWalked(columns, file_.position(), FirstFrames(stream_, static_cast<std::size_t>(check - 1 - headerPasses)));
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, LongStreamWalk,
                         ::testing::Values(Shape{"Cbr", false, false, 0}, Shape{"CbrWithGarbage", false, false, 40},
                                           Shape{"VbrWithHeader", true, true, 0},
                                           Shape{"VbrWithHeaderAndGarbage", true, true, 25}),
                         [](const ::testing::TestParamInfo<Shape>& shape) { return std::string(shape.param.name); });

}  // namespace
