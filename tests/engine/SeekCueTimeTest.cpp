// Finding the byte offset of a cue point by walking synthetic frame runs.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/FrameScan.h"
#include "core/NumberText.h"
#include "core/SeekCueTime.h"
#include "support/MpegBuilder.h"

using namespace quilto;
using test::Append;
using test::ByteBuilder;
using test::FrameFields;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr FrameFields k44{};                                               // 128 kbps, 44100 Hz: 417 bytes
constexpr FrameFields k44Padded{.padding = 1};                             // 418 bytes
constexpr FrameFields k48{.sampleRateIndex = 1};                           // 384 bytes
constexpr FrameFields k32{.sampleRateIndex = 2};                           // 576 bytes
constexpr FrameFields kIndex15{.bitRateIndex = 15};                        // a corrupt header
constexpr FrameFields kReservedRate{.sampleRateIndex = 3};                 // 144 × 128000 / 1 bytes long
constexpr FrameFields kFreeFormat{.bitRateIndex = 0};                      // length 0
constexpr FrameFields kFreeFormatPadded{.bitRateIndex = 0, .padding = 1};  // length 1
constexpr FrameFields kMpeg2{.version = 2};                                // MPEG-2: a sync word, not a frame

constexpr std::size_t kNoLimit = 1'000'000'000;

Bytes HeaderOnly(const FrameFields& frame) {
    ByteBuilder b;
    b.u32be(test::HeaderWord(frame));  // frame header; the frame body is not there
    return b;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) Append(out, part);
    return out;
}

Bytes Garbage(std::size_t count) { return Bytes(count, 0x55); }

struct SeekCase {
    const char* name;
    Bytes audio;
    std::size_t offset;
    std::size_t limit;
    const char* from;
    const char* to;
    const char* hz;
    std::size_t expected;
};

// Frame counts by cue time at 44100 Hz: 00:00:02 → 1, 00:00:04 → 2,
// 00:00:06 → 3, 00:00:08 → 4, 00:00:10 → 5, 00:01:00 → 38.
std::vector<SeekCase> Cases() {
    const Bytes oneHundred = test::Frames(k44, 100);
    const Bytes withGarbage = Concat({test::Frame(k44), Garbage(100), test::Frames(k44, 2)});
    const Bytes ten = test::Frames(k44, 10);
    return {
        {"Cbr44100OneMinute", oneHundred, 0, kNoLimit, "00:00:00", "00:01:00", "44100", 38 * 417},
        {"Cbr44100FromPreviousCuePoint", oneHundred, 38 * 417, kNoLimit, "00:01:00", "00:02:00", "44100", 76 * 417},
        {"Cbr48000", test::Frames(k48, 50), 0, kNoLimit, "00:00:00", "00:00:37", "48000", 21 * 384},
        {"UnknownHzCountsAs32000", test::Frames(k32, 40), 0, kNoLimit, "00:00:00", "00:01:00", "", 28 * 576},
        {"PaddedFrames", Concat({test::Frame(k44), test::Frame(k44Padded), test::Frame(k44), test::Frame(k44Padded)}),
         0, kNoLimit, "00:00:00", "00:00:08", "44100", 417 + 418 + 417 + 418},
        {"GarbageBetweenFramesIsSkipped", withGarbage, 0, kNoLimit, "00:00:00", "00:00:04", "44100", 417 + 100 + 417},
        {"GarbageBehindCuePointGoesToNextTrack", withGarbage, 0, kNoLimit, "00:00:00", "00:00:02", "44100", 417},
        {"StartInsideGarbage", Concat({Garbage(50), test::Frames(k44, 3)}), 10, kNoLimit, "00:00:00", "00:00:02",
         "44100", 50 + 417},
        {"LimitInsideFrame", ten, 0, 3 * 417 + 100, "00:00:00", "00:00:10", "44100", 3 * 417 + 100},
        {"HeaderAtLimitIsNotRead", Concat({test::Frame(k44), Garbage(10), test::Frames(k44, 2)}), 0, 417 + 10,
         "00:00:00", "00:00:04", "44100", 417},
        {"PartialHeaderAtBufferEnd", Concat({test::Frames(k44, 2), Bytes{0xFF, 0xFB, 0x90}}), 0, kNoLimit,
         "00:00:00", "00:01:00", "44100", 2 * 417},
        {"BitRateIndex15IsOneByteLong", Concat({HeaderOnly(kIndex15), test::Frames(k44, 3)}), 0, kNoLimit,
         "00:00:00", "00:00:04", "44100", 4 + 417},
        {"ReservedRateStopsAtBufferEnd", Concat({test::Frame(k44), HeaderOnly(kReservedRate), test::Frames(k44, 2)}),
         0, kNoLimit, "00:00:00", "00:00:04", "44100", 417 + 4 + 2 * 417},
        {"ReservedRateStopsAtLimit", Concat({test::Frame(k44), HeaderOnly(kReservedRate), test::Frames(k44, 2)}), 0,
         1000, "00:00:00", "00:00:04", "44100", 1000},
        {"FreeFormatStandsStill", Concat({test::Frame(k44), HeaderOnly(kFreeFormat), test::Frames(k44, 2)}), 0,
         kNoLimit, "00:00:00", "00:00:10", "44100", 417},
        {"FreeFormatPaddingMovesOneByte",
         Concat({test::Frame(k44), HeaderOnly(kFreeFormatPadded), test::Frames(k44, 2)}), 0, kNoLimit, "00:00:00",
         "00:00:06", "44100", 417 + 4 + 417},
        {"OtherLayerStandsStill", Concat({test::Frame(k44), HeaderOnly(kMpeg2), test::Frames(k44, 2)}), 0, kNoLimit,
         "00:00:00", "00:00:06", "44100", 417},
        {"ToBeforeFromStays", ten, 417, kNoLimit, "00:00:10", "00:00:00", "44100", 417},
        {"OffsetPastLimit", ten, 900, 500, "00:00:00", "00:00:02", "44100", 500},
        {"EmptyBuffer", Bytes{}, 0, kNoLimit, "00:00:00", "00:01:00", "44100", 0},
    };
}

class SeekCueTime : public ::testing::TestWithParam<SeekCase> {};

TEST_P(SeekCueTime, FindsCuePointOffset) {
    const SeekCase& c = GetParam();
    EXPECT_EQ(core::SeekCueTime(c.audio, c.offset, c.limit, c.from, c.to, c.hz), c.expected);
}

INSTANTIATE_TEST_SUITE_P(FrameRuns, SeekCueTime, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<SeekCase>& p) { return std::string(p.param.name); });

// A cut at the cue point must fall where the frame scan counted the frames,
// even over a corrupt header, or the tracks' frame counts disagree with it.
TEST(SeekCueTimeAgreement, WalksTheFramesFullFrameScanCounts) {
    const Bytes audio = Concat({test::Frames(k44, 2), HeaderOnly(kIndex15), test::Frames(k44, 2)});
    auto file = core::InputFile::FromBytes(audio);
    core::NoProgress progress;
    const auto columns = core::FullFrameScan(file, 0, false, progress);
    ASSERT_EQ(columns.info.frames + columns.info.otherFrames, 5u);

    // 00:00:10 is 5 frames at 44100 Hz, 00:00:08 is 4.
    EXPECT_EQ(core::SeekCueTime(audio, 0, audio.size(), "00:00:00", "00:00:10", "44100"), audio.size());
    EXPECT_EQ(core::SeekCueTime(audio, 0, audio.size(), "00:00:00", "00:00:08", "44100"), audio.size() - 417);
}

TEST(SeekCueTimeErrors, UnreadableCueTimeThrows) {
    const Bytes audio = test::Frames(k44, 3);
    EXPECT_THROW(core::SeekCueTime(audio, 0, audio.size(), "0:00:00", "00:00:10", "44100"), core::InvalidNumber);
    EXPECT_THROW(core::SeekCueTime(audio, 0, audio.size(), "00:00:00", "", "44100"), core::InvalidNumber);
}

// Random bytes rich in sync patterns, random bounds: never a read outside the
// buffer (the sanitizer build checks that) and always a result in range.
TEST(SeekCueTimeHostile, StaysWithinBufferAndLimit) {
    std::mt19937 random(99);
    for (int round = 0; round < 3000; ++round) {
        Bytes audio(random() % 3000);
        for (auto& byte : audio) byte = static_cast<std::uint8_t>(random() % 3 == 0 ? 0xFF : random());
        const std::size_t offset = random() % 3200;
        const std::size_t limit = random() % 3200;
        const std::string to = "00:" + core::ZeroPadded(random() % 60, 2) + ":" + core::ZeroPadded(random() % 75, 2);
        const std::size_t end = std::min(limit, audio.size());
        const std::size_t result = core::SeekCueTime(audio, offset, limit, "00:00:00", to, "48000");
        EXPECT_LE(result, end);
        EXPECT_GE(result, std::min(offset, end));
    }
}

}  // namespace
