// The recorded frame series: recording must not change a single figure of the
// scan, and what it records must be exactly the stream it was built from —
// frame positions, skipped stretches and their kind, the end of the audio —
// also once long streams are kept in buckets.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/FileAnalysis.h"
#include "core/FrameScan.h"
#include "core/FrameSeries.h"
#include "core/Id3v2Reader.h"
#include "support/MpegBuilder.h"

using namespace quilto;
using test::Append;
using test::FrameFields;

namespace {

enum class Junk { None, Garbage, InnerTag };

struct Shape {
    const char* name;
    bool variable;
    bool vbrHeader;
    int junkOneIn;  // junk follows one frame in this many; 0: none
    Junk junk;
    std::size_t maxSamples;
};

struct Built {
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint64_t> frameStarts;
    std::vector<unsigned> frameIndexes;
    std::vector<core::StreamGap> gaps;
    std::uint64_t audioEnd = 0;
};

Built Build(const Shape& shape, std::uint64_t seed) {
    static constexpr std::array<unsigned, 6> kRates = {5, 9, 10, 11, 13, 14};
    constexpr std::size_t kFrames = 3000;
    std::mt19937_64 random(seed);
    Built built;
    if (shape.vbrHeader) Append(built.bytes, test::VbrFrame(FrameFields{}, "Xing", kFrames, 0));
    for (std::size_t i = 0; i < kFrames; ++i) {
        FrameFields fields;
        fields.bitRateIndex = shape.variable ? kRates[random() % kRates.size()] : 9;
        fields.padding = static_cast<unsigned>(random() % 2);
        built.frameStarts.push_back(built.bytes.size());
        built.frameIndexes.push_back(fields.bitRateIndex);
        Append(built.bytes, test::Frame(fields));
        const bool last = i + 1 == kFrames;
        if (last || shape.junkOneIn == 0 || random() % static_cast<unsigned>(shape.junkOneIn) != 0) continue;
        core::StreamGap gap{built.bytes.size(), 0, core::GapKind::Resync};
        if (shape.junk == Junk::InnerTag) {
            Append(built.bytes, test::Id3Tag({test::Id3Frame("TIT2", test::TextBody(0, "inner"))}, 3, 0, 40));
            gap.kind = core::GapKind::NonAudio;
        } else {
            // Never 0xFF, so that no sync appears; never "ID3"/"TAG" at the start.
            const std::size_t length = 1 + random() % 3000;
            for (std::size_t k = 0; k < length; ++k)
                built.bytes.push_back(static_cast<std::uint8_t>(k == 0 ? 0x01 : random() % 0xFF));
        }
        gap.length = built.bytes.size() - gap.offset;
        built.gaps.push_back(gap);
    }
    built.audioEnd = built.bytes.size();
    test::ByteBuilder v1;
    v1.text("TAG").padTo(128);
    Append(built.bytes, v1);
    return built;
}

class RecordedScan : public ::testing::TestWithParam<Shape> {
protected:
    core::StreamColumns scan(std::uint64_t end, core::FrameSeries* series) {
        file_.seek(0);
        core::NoProgress progress;
        return series ? core::FullFrameScan(file_, end, true, progress, *series)
                      : core::FullFrameScan(file_, end, true, progress);
    }

    const Built built_ = Build(GetParam(), 99);
    core::InputFile file_ = core::InputFile::FromBytes(built_.bytes);
};

TEST_P(RecordedScan, GivesTheSameResultAsThePlainScan) {
    for (const std::uint64_t end : {std::uint64_t{0}, std::uint64_t{built_.bytes.size() / 3}, std::uint64_t{4000}}) {
        SCOPED_TRACE(end);
        const core::StreamColumns plain = scan(end, nullptr);
        const std::uint64_t plainEnd = file_.position();
        core::FrameSeries series(GetParam().maxSamples);
        const core::StreamColumns recorded = scan(end, &series);
        EXPECT_EQ(recorded.texts, plain.texts);
        EXPECT_EQ(recorded.info.streamBytes, plain.info.streamBytes);
        EXPECT_EQ(recorded.info.kbps, plain.info.kbps);
        EXPECT_EQ(file_.position(), plainEnd);
        EXPECT_EQ(series.countedFrames(), plain.info.frames + plain.info.otherFrames);
    }
}

TEST_P(RecordedScan, RecordsEveryFrameGapAndTheEndOfTheAudio) {
    core::FrameSeries series(GetParam().maxSamples);
    scan(0, &series);

    std::array<std::uint64_t, 16> histogram{};
    std::uint64_t kbpsSum = 0;
    for (const unsigned index : built_.frameIndexes) {
        ++histogram[index];
        kbpsSum += core::kBitRateKbps[index];
    }
    EXPECT_EQ(series.histogram(), histogram);

    // Buckets: a power of two of frames each, the last one possibly short,
    // each starting at its first frame, the bit rates added up exactly.
    const std::uint32_t bucket = series.framesPerSample();
    EXPECT_LE(series.samples().size(), GetParam().maxSamples);
    EXPECT_EQ(bucket & (bucket - 1), 0u);
    std::uint64_t frames = 0, recordedKbps = 0;
    for (std::size_t i = 0; i < series.samples().size(); ++i) {
        const core::FrameSample& sample = series.samples()[i];
        ASSERT_EQ(sample.offset, built_.frameStarts[frames]) << "sample " << i;
        if (i + 1 < series.samples().size()) {
            EXPECT_EQ(sample.frames, bucket);
        }
        if (bucket == 1) {
            EXPECT_EQ(sample.bitRateIndex(), built_.frameIndexes[i]);
        }
        frames += sample.frames;
        recordedKbps += sample.kbpsSum;
    }
    EXPECT_EQ(frames, built_.frameStarts.size());
    EXPECT_EQ(recordedKbps, kbpsSum);

    ASSERT_EQ(series.gaps().size(), built_.gaps.size());
    for (std::size_t i = 0; i < built_.gaps.size(); ++i) {
        EXPECT_EQ(series.gaps()[i].offset, built_.gaps[i].offset) << "gap " << i;
        EXPECT_EQ(series.gaps()[i].length, built_.gaps[i].length) << "gap " << i;
        EXPECT_EQ(series.gaps()[i].kind, built_.gaps[i].kind) << "gap " << i;
    }
    EXPECT_EQ(series.vbrKind(), GetParam().vbrHeader ? core::VbrHeaderKind::Xing : core::VbrHeaderKind::None);
    EXPECT_EQ(series.audioEnd(), built_.audioEnd);
    EXPECT_EQ(series.scanEnd(), built_.bytes.size());
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, RecordedScan,
    ::testing::Values(Shape{"Cbr", false, false, 0, Junk::None, core::kDefaultMaxSamples},
                      Shape{"VbrWithHeader", true, true, 0, Junk::None, core::kDefaultMaxSamples},
                      Shape{"VbrWithGarbage", true, true, 20, Junk::Garbage, core::kDefaultMaxSamples},
                      Shape{"CbrWithInnerTags", false, false, 50, Junk::InnerTag, core::kDefaultMaxSamples},
                      Shape{"VbrInBuckets", true, true, 30, Junk::Garbage, 64},
                      Shape{"CbrInOddBuckets", false, false, 0, Junk::None, 37}),
    [](const ::testing::TestParamInfo<Shape>& shape) { return std::string(shape.param.name); });

TEST(FrameSeries, MarksFormatChangesAndStaysWithinItsBound) {
    FrameFields joint;
    FrameFields mono;
    mono.mode = 3;
    std::vector<std::uint8_t> bytes = test::Frames(joint, 5);
    Append(bytes, test::Frames(mono, 5));
    auto file = core::InputFile::FromBytes(bytes);
    core::NoProgress progress;
    core::FrameSeries series(4);
    core::FullFrameScan(file, 0, false, progress, series);
    // 10 frames in at most 4 samples: buckets of 4, the change inside the second.
    ASSERT_EQ(series.framesPerSample(), 4u);
    ASSERT_EQ(series.samples().size(), 3u);
    EXPECT_EQ(series.samples()[0].events & core::kEventHeaderChange, 0);
    EXPECT_NE(series.samples()[1].events & core::kEventHeaderChange, 0);
    EXPECT_EQ(series.samples()[2].events & core::kEventHeaderChange, 0);
    EXPECT_EQ(series.samples()[2].modeIndex(), 3u);
    EXPECT_LE(series.memoryBytes(), 4 * sizeof(core::FrameSample));
}

TEST(FrameSeries, CsvListsTheHeaderFrameEachFrameAndTheEnd) {
    FrameFields plain;
    FrameFields padded;
    padded.bitRateIndex = 11;
    padded.padding = 1;
    std::vector<std::uint8_t> bytes = test::VbrFrame(plain, "Info", 2, 0);  // 417 bytes
    Append(bytes, test::Frame(plain));                                     // 417 at 417
    Append(bytes, {0x01, 0x02, 0x03});                                     // junk at 834
    Append(bytes, test::Frame(padded));                                    // 627 at 837
    auto file = core::InputFile::FromBytes(bytes);
    core::NoProgress progress;
    core::FrameSeries series;
    core::FullFrameScan(file, 0, true, progress, series);
    EXPECT_EQ(core::FrameSeriesCsv(series),
              "offset,frame,kbps,samplerate,mode,padding,event\n"
              "0,0,,,,,info\n"
              "417,0,128,44100,JointStereo,0,\n"
              "837,1,192,44100,JointStereo,1,resync\n"
              "1464,2,,,,,end\n");
}

TEST(FrameSeries, GapKindsByTheirFirstBytes) {
    struct Case {
        std::string bytes;
        core::GapKind kind;
    };
    const std::vector<Case> cases = {
        {"ID3\x03", core::GapKind::NonAudio},         {"TAGtitle", core::GapKind::NonAudio},
        {"APETAGEX", core::GapKind::NonAudio},        {std::string("PK\x03\x04", 4), core::GapKind::NonAudio},
        {"Pack", core::GapKind::NonAudio},            {std::string("\x20\x00-lh0-", 7), core::GapKind::NonAudio},
        {"\x01\x02\x03", core::GapKind::Resync},      {"TA", core::GapKind::Resync},
        {"", core::GapKind::Resync},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(core::ClassifyGap(reinterpret_cast<const std::uint8_t*>(c.bytes.data()), c.bytes.size()), c.kind);
    }
}

// The committed encoder files: the series' counts are the scan's, and a VBR
// file's average equals its bytes over its play time.
class SeriesOfFixture : public ::testing::TestWithParam<const char*> {};

TEST_P(SeriesOfFixture, AgreesWithTheFullScan) {
    const std::string path = std::string(QUILTO_FIXTURE_DIR) + "/" + GetParam();
    auto file = core::InputFile::Open(path);
    ASSERT_TRUE(file) << path;
    const std::uint64_t tagLength = core::TagLength(file->readBytesAt(0, core::kId3v2HeaderSize));
    core::NoProgress progress;
    const core::StreamColumns plain = core::FullScanBehindTag(*file, tagLength, progress);
    core::FrameSeries series;
    const core::StreamColumns recorded = core::FullScanBehindTag(*file, tagLength, progress, series);
    EXPECT_EQ(recorded.texts, plain.texts);

    const core::StreamInfo& info = plain.info;
    EXPECT_EQ(series.countedFrames(), info.frames + info.otherFrames);
    if (info.isVbr) {
        std::uint64_t kbpsSum = 0;
        for (std::size_t i = 0; i < 16; ++i) kbpsSum += series.histogram()[i] * core::kBitRateKbps[i];
        EXPECT_EQ(kbpsSum / series.countedFrames(), info.kbps);
        const double seconds = series.playSeconds();
        const double byteRate = static_cast<double>(info.streamBytes - info.headerFrameLength) * 8 / seconds / 1000;
        EXPECT_NEAR(byteRate, info.kbps, 1.0);
    } else {
        const auto dominant = static_cast<std::size_t>(
            std::max_element(series.histogram().begin(), series.histogram().end()) - series.histogram().begin());
        EXPECT_EQ(series.histogram()[dominant], info.frames);
        EXPECT_EQ(core::kBitRateKbps[dominant], info.kbps);
    }
    EXPECT_EQ(series.audioEnd(), file->position());
    EXPECT_TRUE(series.gaps().empty());
}

INSTANTIATE_TEST_SUITE_P(Lame, SeriesOfFixture,
                         ::testing::Values("vbr_xing_v2.mp3", "vbr_xing_v4_32k.mp3", "vbr_xing_mono_v6.mp3",
                                           "crc_vbr_xing.mp3", "cbr128_stereo_info.mp3", "cbr64_mono_info.mp3",
                                           "tag_lame_id3.mp3"),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                             std::string name = param.param;
                             std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
                             return name;
                         });

}  // namespace

namespace {

// Counts what a long operation reports for its progress bar.
class ByteCounter final : public core::Progress {
public:
    bool cancelRequested() const override { return false; }
    void pump() override {}
    void addBytesDone(std::uint64_t bytes) override { added += bytes; }
    std::uint64_t added = 0;
};

TEST(FrameScanProgress, TheWalkReportsTheBytesItPassed) {
    for (const std::uint64_t end : {std::uint64_t{0}, std::uint64_t{1'000'000}}) {
        Shape shape{"", true, true, 20, Junk::Garbage, core::kDefaultMaxSamples};
        const Built built = Build(shape, 5);
        auto file = core::InputFile::FromBytes(built.bytes);
        ByteCounter counter;
        core::FullFrameScan(file, end, true, counter);
        EXPECT_EQ(counter.added, file.position()) << end;
    }
}

}  // namespace

namespace {

// Every file of the hostile corpus: the recording walk survives it and
// changes nothing.
TEST(FrameSeries, HostileFilesRecordWhatThePlainScanCounts) {
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(QUILTO_HOSTILE_DIR)) {
        if (entry.path().extension() != ".mp3") continue;
        ++files;
        SCOPED_TRACE(entry.path().filename().string());
        auto file = core::InputFile::Open(entry.path().string());
        ASSERT_TRUE(file);
        const std::uint64_t tagLength = core::TagLength(file->readBytesAt(0, core::kId3v2HeaderSize));
        core::NoProgress progress;
        const core::StreamColumns plain = core::FullScanBehindTag(*file, tagLength, progress);
        const std::uint64_t plainEnd = file->position();
        core::FrameSeries series(16);
        const core::StreamColumns recorded = core::FullScanBehindTag(*file, tagLength, progress, series);
        EXPECT_EQ(recorded.texts, plain.texts);
        EXPECT_EQ(file->position(), plainEnd);
        EXPECT_EQ(series.countedFrames(), plain.info.frames + plain.info.otherFrames);
        EXPECT_LE(series.audioEnd(), file->size());
        EXPECT_LE(series.samples().size(), 16u);
    }
    EXPECT_GT(files, 50u) << "the hostile corpus is missing from " << QUILTO_HOSTILE_DIR;
}

}  // namespace
