// The full and quick frame scans over synthetic streams.
#include <gtest/gtest.h>

#include "core/FrameScan.h"
#include "support/MpegBuilder.h"

using namespace quilto;
using core::StreamColumn;
using test::Append;
using test::FrameFields;

namespace {

constexpr FrameFields k128{};                                  // 128 kbps, 44100 Hz, joint stereo
constexpr FrameFields k160{.bitRateIndex = 10};                // 160 kbps
constexpr FrameFields k192{.bitRateIndex = 11};                // 192 kbps

core::StreamColumns Full(const std::vector<std::uint8_t>& data, std::uint64_t start = 0, std::uint64_t end = 0,
                         bool split = true) {
    auto file = core::InputFile::FromBytes(data);
    file.seek(start);
    core::NoProgress progress;
    return core::FullFrameScan(file, end, split, progress);
}

core::StreamColumns Quick(const std::vector<std::uint8_t>& data, std::uint64_t start = 0) {
    auto file = core::InputFile::FromBytes(data);
    file.seek(start);
    return core::QuickFrameScan(file);
}

// Answers Cancel from the given check on, as if the user pressed it mid-scan.
class CancelAtCheck final : public core::Progress {
public:
    explicit CancelAtCheck(int check) : remaining_(check) {}
    bool cancelRequested() const override { return --remaining_ <= 0; }
    void pump() override {}

private:
    mutable int remaining_;
};

}  // namespace

TEST(FrameLength, FollowsTheFormulaIncludingTheDegenerateIndexes) {
    struct Case { unsigned bitRate, sampleRate, padding; std::uint32_t length; };
    for (const Case c : {Case{9, 0, 0, 417}, Case{9, 0, 1, 418}, Case{14, 1, 0, 960}, Case{1, 2, 0, 144},
                         Case{1, 0, 0, 104}, Case{0, 0, 0, 1}, Case{0, 0, 1, 1}, Case{15, 1, 0, 1},
                         Case{9, 3, 0, 144 * 128000}}) {
        EXPECT_EQ(core::FrameLength(c.bitRate, c.sampleRate, c.padding), c.length)
            << c.bitRate << "/" << c.sampleRate << "/" << c.padding;
    }
}

TEST(FullFrameScan, CbrWithAFewOddFramesStaysCbrAndShowsThemApart) {
    std::vector<std::uint8_t> data = test::Frames(k128, 900);
    Append(data, test::Frames(k160, 2));
    const auto split = Full(data);
    EXPECT_EQ(split.text(StreamColumn::Frames), "900(2)");
    EXPECT_EQ(split.text(StreamColumn::Kbps), "128");
    EXPECT_EQ(split.text(StreamColumn::CV), "CBR");
    EXPECT_EQ(split.info.streamBytes, 900u * 417 + 2u * 522);
    EXPECT_EQ(Full(data, 0, 0, false).text(StreamColumn::Frames), "902");
}

TEST(FullFrameScan, SecondRateWithThreeFramesMakesVbrWithTheAverageRate) {
    std::vector<std::uint8_t> data = test::Frames(k128, 6);
    Append(data, test::Frames(k192, 3));
    const auto columns = Full(data);
    EXPECT_EQ(columns.text(StreamColumn::CV), "VBR");
    EXPECT_EQ(columns.text(StreamColumn::Frames), "9");
    EXPECT_EQ(columns.text(StreamColumn::Kbps), "149");  // (6×128 + 3×192) / 9
}

TEST(FullFrameScan, TiedCountersBelowThreeGoToTheLowerRate) {
    std::vector<std::uint8_t> data = test::Frames(k160, 2);
    Append(data, test::Frames(k128, 2));
    const auto columns = Full(data);
    EXPECT_EQ(columns.text(StreamColumn::CV), "CBR");
    EXPECT_EQ(columns.text(StreamColumn::Frames), "2(2)");
    EXPECT_EQ(columns.text(StreamColumn::Kbps), "128");
}

TEST(FullFrameScan, VbrHeaderFrameIsMeasuredButNotCounted) {
    std::vector<std::uint8_t> data = test::VbrFrame(k128, "Info", 50, 51 * 417);
    Append(data, test::Frames(k128, 50));
    const auto columns = Full(data);
    EXPECT_EQ(columns.text(StreamColumn::Frames), "50");
    EXPECT_EQ(columns.text(StreamColumn::CV), "CBR");
    EXPECT_EQ(columns.text(StreamColumn::Xing), "Info(417)");
    EXPECT_EQ(columns.text(StreamColumn::XingFrames), "50");
    EXPECT_EQ(columns.text(StreamColumn::BitStream), "21,267");
    EXPECT_EQ(columns.text(StreamColumn::XingBytes), "21,267");
}

TEST(FullFrameScan, HeaderFieldsThatDisagreeWithTheCountAreMarked) {
    std::vector<std::uint8_t> data = test::VbrFrame(k128, "Xing", 51, 1000);
    Append(data, test::Frames(k128, 50));
    const auto columns = Full(data);
    EXPECT_EQ(columns.text(StreamColumn::XingFrames), "\u226051");
    EXPECT_EQ(columns.text(StreamColumn::XingBytes), "\u22601,000");
}

TEST(FullFrameScan, InfoHeaderDoesNotDecideCbrOrVbr) {
    std::vector<std::uint8_t> data = test::VbrFrame(k128, "Info", 9, 0);
    Append(data, test::Frames(k128, 4));
    Append(data, test::Frames(k192, 5));
    EXPECT_EQ(Full(data).text(StreamColumn::CV), "VBR");
    EXPECT_EQ(Quick(data).text(StreamColumn::CV), "CBR");
}

TEST(FullFrameScan, FindsTheVbrHeaderBehindTheSideInformationOfEachMode) {
    struct Case { unsigned mode; bool crc; bool lamePlacement; };
    for (const Case c : {Case{0, false, false}, Case{2, false, false}, Case{3, false, false}, Case{1, true, false},
                         Case{1, true, true}, Case{3, true, true}}) {
        const FrameFields fields{.mode = c.mode, .crc = c.crc};
        std::vector<std::uint8_t> data = test::VbrFrame(fields, "Xing", 20, 21 * 417, c.lamePlacement);
        Append(data, test::Frames(fields, 20));
        const auto full = Full(data);
        EXPECT_EQ(full.text(StreamColumn::Frames), "20") << c.mode << c.crc << c.lamePlacement;
        EXPECT_EQ(full.text(StreamColumn::Xing), "Xing(417)") << c.mode << c.crc << c.lamePlacement;
        EXPECT_EQ(full.text(StreamColumn::XingFrames), "20");
        const auto quick = Quick(data);
        EXPECT_EQ(quick.text(StreamColumn::Frames), "20") << c.mode << c.crc << c.lamePlacement;
        EXPECT_EQ(quick.text(StreamColumn::CV), "VBR");
    }
}

TEST(FullFrameScan, FirstHeaderOfAnotherLayerOrVersionEndsTheScanAtOnce) {
    for (const FrameFields other : {FrameFields{.version = 2}, FrameFields{.layer = 2}}) {
        std::vector<std::uint8_t> data = test::Frames(other, 3);
        Append(data, test::Frames(k128, 10));
        const auto columns = Full(data);
        EXPECT_EQ(columns.info.frames, 0u);
        EXPECT_TRUE(columns.text(StreamColumn::Time).empty());
    }
}

TEST(FullFrameScan, LaterForeignHeadersAndGarbageAreSkippedByteByByte) {
    std::vector<std::uint8_t> data = test::Frames(k128, 5);
    Append(data, test::Frame(FrameFields{.layer = 2}));
    data.insert(data.end(), 333, 0x55);
    Append(data, test::Frames(k128, 5));
    const auto columns = Full(data);
    EXPECT_EQ(columns.text(StreamColumn::Frames), "10");
    EXPECT_EQ(columns.info.streamBytes, 10u * 417);
}

TEST(FullFrameScan, FreeFormatAndReservedRatesAreNeverCounted) {
    const auto freeFormat = Full(test::Frames(FrameFields{.bitRateIndex = 0}, 10));
    EXPECT_EQ(freeFormat.info.frames, 0u);
    EXPECT_TRUE(freeFormat.text(StreamColumn::Frames).empty());
    std::vector<std::uint8_t> reserved = test::Frames(k128, 4);
    // A reserved-rate header would claim a frame of megabytes; give it 417.
    Append(reserved, test::ByteBuilder().u32be(test::HeaderWord(FrameFields{.sampleRateIndex = 3})).fill(413));
    EXPECT_EQ(Full(reserved).text(StreamColumn::Frames), "4");
}

TEST(FullFrameScan, BitRateIndex15CountsAtZeroKbpsWithLengthOne) {
    std::vector<std::uint8_t> data = test::Frames(k128, 3);
    Append(data, test::ByteBuilder().u32be(test::HeaderWord(FrameFields{.bitRateIndex = 15})));
    const auto columns = Full(data);
    EXPECT_EQ(columns.text(StreamColumn::Frames), "3(1)");
}

TEST(FullFrameScan, EndPositionInsideAFrameCountsThatFrameWhole) {
    const std::vector<std::uint8_t> data = test::Frames(k128, 10);
    EXPECT_EQ(Full(data, 0, 3 * 417 + 1).text(StreamColumn::Frames), "4");
    EXPECT_EQ(Full(data, 417, 3 * 417).text(StreamColumn::Frames), "2");
    EXPECT_EQ(Full(data, 0, 3 * 417).text(StreamColumn::Frames), "3");
}

TEST(FullFrameScan, GivesUpWhenNoHeaderFollowsWithin64KiB) {
    std::vector<std::uint8_t> data = test::Frames(k128, 3);
    data.insert(data.end(), 0x10000, 0);
    Append(data, test::Frames(k128, 3));
    EXPECT_EQ(Full(data).text(StreamColumn::Frames), "3");
    data.erase(data.begin() + 3 * 417, data.begin() + 3 * 417 + 1);  // 65535 bytes apart: found
    EXPECT_EQ(Full(data).text(StreamColumn::Frames), "6");
}

TEST(FullFrameScan, CancelKeepsAndFormatsThePartialResult) {
    auto file = core::InputFile::FromBytes(test::Frames(k128, 200));
    CancelAtCheck progress(101);
    const auto columns = core::FullFrameScan(file, 0, true, progress);
    EXPECT_EQ(columns.text(StreamColumn::Frames), "100");
    EXPECT_EQ(columns.text(StreamColumn::Time), "0:02");
}

TEST(FullFrameScan, LongStreamsDoNotWrapTheTime) {
    core::StreamInfo info;
    info.frames = 5'000'000;  // 5,000,000 × 1152 overflows 32 bits
    info.kbps = 128;
    EXPECT_EQ(core::FormatStreamColumns(info).text(StreamColumn::Time), "36:16:52");
}

TEST(QuickFrameScan, EstimatesFramesFromTheFileSizeWithoutVbrHeader) {
    std::vector<std::uint8_t> data(100, 0x20);  // stands for a tag in front
    Append(data, test::Frames(k128, 40));
    data.insert(data.end(), 128, 0x41);  // a trailing ID3v1 block counts too
    const auto columns = Quick(data, 100);
    EXPECT_EQ(columns.info.frames, (40u * 417 + 128) / 417);
    EXPECT_EQ(columns.text(StreamColumn::BitStream), "");
    EXPECT_EQ(columns.text(StreamColumn::Xing), "");
}

TEST(QuickFrameScan, LeavesColumnsEmptyWhenThereIsNothingToEstimateFrom) {
    EXPECT_TRUE(Quick(test::Frames(FrameFields{.bitRateIndex = 0}, 3)).text(StreamColumn::Time).empty());
    EXPECT_TRUE(Quick(test::Frames(FrameFields{.bitRateIndex = 15}, 3)).text(StreamColumn::Time).empty());
    EXPECT_TRUE(Quick(test::Frames(FrameFields{.layer = 2}, 3)).text(StreamColumn::Time).empty());
    EXPECT_TRUE(Quick({0xFF, 0xFB}).text(StreamColumn::Time).empty());
}

TEST(FormatStreamColumns, TimeTextSwitchesToHoursAbove3600Seconds) {
    struct Case { std::uint64_t seconds; const char* text; };
    for (const Case c : {Case{59, "0:59"}, Case{3600, "60:00"}, Case{3601, "1:00:01"}, Case{36000, "10:00:00"}}) {
        core::StreamInfo info;
        info.rateIndex = 2;     // 32000 Hz: 1152 samples = 0.036 s
        info.frames = c.seconds * 32000 / 1152 + 1;
        EXPECT_EQ(core::FormatStreamColumns(info).text(StreamColumn::Time), c.text) << c.seconds;
    }
}

TEST(FormatStreamColumns, ReservedRateShowsEmptyHzButCountsTimeAt44100) {
    core::StreamInfo info;
    info.rateIndex = 3;
    info.frames = 38281;  // 1000 s at 44100 Hz
    const auto columns = core::FormatStreamColumns(info);
    EXPECT_EQ(columns.text(StreamColumn::Hz), "");
    EXPECT_EQ(columns.text(StreamColumn::Time), "16:39");
}
