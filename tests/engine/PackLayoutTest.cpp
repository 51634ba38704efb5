// The Pack format's track directory, its added frames and its trailer: exact
// bytes against the test-side builder, write-then-read round trips, the
// switch to plain offsets, refused limits and damaged directories.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "core/InputFile.h"
#include "core/VbrHeader.h"
#include "pack/AddedFrames.h"
#include "pack/PackBlock.h"
#include "pack/PackTrailer.h"
#include "support/ByteBuilder.h"
#include "support/MpegBuilder.h"
#include "support/TempFolder.h"

using namespace quilto;
namespace PackFlag = pack::PackFlag;
using pack::PackWork;
using test::ByteBuilder;

namespace {

constexpr test::FrameFields kJoint128{};  // the album format below: 128 kbps, 44100 Hz, joint stereo

pack::AddedFrameFormat Joint128() { return *pack::MakeAddedFrameFormat("128", "44100", "JointStereo"); }

PackWork Track(std::string fileName, std::string artist, std::string title, std::uint64_t tagBytes,
               std::uint64_t dataBytes) {
    PackWork work;
    work.fileName = std::move(fileName);
    work.artist = std::move(artist);
    work.title = std::move(title);
    work.tagBytes = tagBytes;
    work.dataBytes = dataBytes;
    return work;
}

// Two tracks: D = 12 + 6 + (4 + 6 + 4 + 3) + (4 + 6 + 1 + 1) + 4 = 51.
std::vector<PackWork> TwoTracks() { return {Track("a.mp3", "Art", "T1", 100, 1000), Track("b.mp3", "", "", 0, 500)}; }

ByteBuilder TwoTrackDirectory(std::uint8_t flags, std::uint32_t first) {
    ByteBuilder b;
    b.text("Pack")                                                 // signature
        .syncsafe32(51)                                            // directory size D
        .u8(0).u8(2)                                               // track count, syncsafe
        .u8(0)                                                     // reserved
        .u8(flags)                                                 // flags
        .text("Album").u8(0)                                       // album title
        .syncsafe32(first).text("a.mp3").u8(0).text("Art").u8(0).text("T1").u8(0)
        .syncsafe32(first + 1100).text("b.mp3").u8(0).u8(0).u8(0)  // empty artist and title keep their NULs
        .syncsafe32(first + 1600);                                 // end of the last track
    return b;
}

core::Bytes Written(const pack::PackBlockInput& input, pack::PackBlockLayout* layout = nullptr) {
    pack::MemoryOutputFile out;
    std::string error;
    EXPECT_TRUE(pack::WritePackBlock(out, input, layout, error)) << error;
    return out.bytes();
}

pack::PackBlockInput Input(std::uint8_t flags, std::uint32_t leading = 0, std::uint32_t trailing = 0) {
    pack::PackBlockInput input;
    input.albumTitle = "Album";
    input.tracks = TwoTracks();
    input.flags = flags;
    input.leadingSilent = leading;
    input.trailingSilent = trailing;
    input.frames = Joint128();
    input.totalFrames = 90;
    input.totalBytes = 37000;
    return input;
}

}  // namespace

TEST(PackBlock, DirectoryWithoutExtensionIsExactlyTheLayout) {
    EXPECT_EQ(Written(Input(0)), TwoTrackDirectory(0, 51).bytes());
    EXPECT_EQ(Written(Input(PackFlag::ByCueSheet)), TwoTrackDirectory(0x02, 51).bytes());
    EXPECT_EQ(pack::PackDirectorySize("Album", TwoTracks()), 51u);
}

TEST(PackBlock, ExtensionXingAndLeadingFramesAreExactlyTheLayout) {
    pack::PackBlockLayout layout;
    const core::Bytes bytes = Written(Input(PackFlag::Extension, 2, 3), &layout);
    // Inserted: the Info frame and two silent frames of 417 bytes each.
    ByteBuilder b = TwoTrackDirectory(0x38, 51 + 16 + 3 * 417);
    b.u16be(2)                                                     // leading count, syncsafe (small: same bytes)
        .u16be(3)                                                  // trailing count
        .syncsafe32(3 * 417)                                       // inserted bytes
        .fill(8)                                                   // reserved
        .raw(test::VbrFrame(kJoint128, "Info", 90 + 5, 37000 + 6 * 417))  // totals with the added frames
        .raw(test::Frames(kJoint128, 2));
    EXPECT_EQ(bytes, b.bytes());
    EXPECT_EQ(layout.blockSize, 51u + 16);
    EXPECT_EQ(layout.insertedBytes, 3u * 417);
    EXPECT_EQ(layout.offsets, (std::vector<std::uint64_t>{1318, 2418, 2918}));
}

// Which flags bring the extension, and what it then holds.
struct ExtensionCase {
    const char* name;
    std::uint8_t flags;
    std::uint32_t leading, trailing;
    std::uint64_t inserted;      // bytes between the extension and the first track
    std::uint8_t extension[4];   // the two counts as stored
};

class PackBlockExtension : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(PackBlockExtension, CountsOnlyWhatIsFlagged) {
    const ExtensionCase& c = GetParam();
    pack::PackBlockLayout layout;
    const core::Bytes bytes = Written(Input(c.flags, c.leading, c.trailing), &layout);
    const bool extension = (c.flags & PackFlag::Extension) != 0;
    ASSERT_EQ(bytes.size(), 51 + (extension ? 16 : 0) + c.inserted);
    EXPECT_EQ(bytes[11], c.flags);
    EXPECT_EQ(layout.offsets.front(), 51 + (extension ? 16 : 0) + c.inserted);
    if (extension) {
        EXPECT_EQ(core::Bytes(bytes.begin() + 51, bytes.begin() + 55),
                  core::Bytes(std::begin(c.extension), std::end(c.extension)));
        EXPECT_EQ(core::Bytes(bytes.begin() + 55, bytes.begin() + 59), ByteBuilder().syncsafe32(std::uint32_t(c.inserted)).bytes());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Flags, PackBlockExtension,
    ::testing::Values(ExtensionCase{"none_counts_ignored", 0, 5, 6, 0, {}},
                      ExtensionCase{"xing_only", PackFlag::XingFrame, 5, 6, 417, {0, 0, 0, 0}},
                      ExtensionCase{"leading_only", PackFlag::LeadingSilence, 200, 6, 200 * 417, {1, 72, 0, 0}},
                      ExtensionCase{"trailing_only", PackFlag::TrailingSilence, 5, 300, 0, {0, 0, 2, 44}},
                      ExtensionCase{"leading_flag_zero_count", PackFlag::LeadingSilence, 0, 0, 0, {0, 0, 0, 0}}),
    [](const auto& p) { return std::string(p.param.name); });

// The last offset decides between syncsafe and plain offsets.
struct OffsetCase {
    const char* name;
    std::uint8_t flags;
    std::uint64_t lastOffset;
    bool plain;
};

class PackBlockOffsets : public ::testing::TestWithParam<OffsetCase> {};

TEST_P(PackBlockOffsets, SwitchToPlainAboveSyncsafeRange) {
    const OffsetCase& c = GetParam();
    // One track "x": D = 12 + 1 + (4 + 2 + 1 + 1) + 4 = 25.
    pack::PackBlockInput input;
    input.tracks = {Track("x", "", "", 0, c.lastOffset - 25)};
    input.flags = c.flags;
    const core::Bytes bytes = Written(input);
    ASSERT_EQ(bytes.size(), 25u);
    EXPECT_EQ((bytes[11] & PackFlag::PlainOffsets) != 0, c.plain);
    const core::Bytes last(bytes.end() - 4, bytes.end());
    EXPECT_EQ(last, c.plain ? ByteBuilder().u32be(std::uint32_t(c.lastOffset)).bytes()
                            : ByteBuilder().syncsafe32(std::uint32_t(c.lastOffset)).bytes());
    const pack::PackDirectory read = pack::ReadPackBlock(bytes, 10, 10 + c.lastOffset);
    EXPECT_FALSE(read.damaged);
    ASSERT_EQ(read.tracks.size(), 1u);
    EXPECT_EQ(read.tracks[0].start, 10u + 25);
    EXPECT_EQ(read.tracks[0].end, 10 + c.lastOffset);
}

INSTANTIATE_TEST_SUITE_P(Range, PackBlockOffsets,
                         ::testing::Values(OffsetCase{"syncsafe_at_limit", 0, 0x0FFFFFFF, false},
                                           OffsetCase{"plain_past_limit", 0, 0x10000000, true},
                                           OffsetCase{"plain_asked_for", PackFlag::PlainOffsets, 1000, true},
                                           OffsetCase{"plain_at_4_gib", 0, 0xFFFFFFFF, true}),
                         [](const auto& p) { return std::string(p.param.name); });

// What a field cannot hold is refused before any byte goes out.
TEST(PackBlock, RefusesWhatTheFieldsCannotHold) {
    struct Case {
        const char* name;
        std::function<void(pack::PackBlockInput&)> change;
    };
    const std::vector<Case> cases = {
        {"offset past 4 GiB", [](auto& in) { in.tracks = {Track("x", "", "", 0, 0xFFFFFFFF - 24)}; }},
        {"sizes adding past 4 GiB", [](auto& in) { in.tracks = {Track("x", "", "", 0x80000000, 0x80000000)}; }},
        {"16384 tracks", [](auto& in) { in.tracks.assign(16384, Track("", "", "", 0, 1)); }},
        {"16384 leading frames", [](auto& in) { in.flags = PackFlag::LeadingSilence; in.leadingSilent = 16384; }},
        {"16384 trailing frames", [](auto& in) { in.flags = PackFlag::TrailingSilence; in.trailingSilent = 16384; }},
        {"added frames without format", [](auto& in) { in.flags = PackFlag::XingFrame; in.frames.reset(); }},
        {"added frames of no length", [](auto& in) { in.flags = PackFlag::LeadingSilence; in.frames->frameLength = 0; }},
        {"Xing totals past 32 bits", [](auto& in) { in.flags = PackFlag::XingFrame; in.totalBytes = 0xFFFFFFFF; }},
        {"NUL inside a name", [](auto& in) { in.tracks[0].artist = std::string("a\0b", 3); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pack::PackBlockInput input = Input(0);
        c.change(input);
        pack::MemoryOutputFile out;
        std::string error;
        EXPECT_FALSE(pack::WritePackBlock(out, input, nullptr, error));
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(out.bytes().empty());
    }
    pack::PackBlockInput most = Input(0);
    most.tracks.assign(16383, Track("", "", "", 0, 1));
    pack::MemoryOutputFile out;
    std::string error;
    EXPECT_TRUE(pack::WritePackBlock(out, most, nullptr, error)) << error;
    EXPECT_EQ(pack::ReadPackBlock(out.bytes(), 0, 1 << 20).tracks.size(), 16383u);
}

// Fails the n-th write and every one after it, as a full disk would.
class FailingOutput final : public pack::OutputFile {
public:
    explicit FailingOutput(int failAt) : remaining_(failAt) {}
    bool write(const void*, std::size_t) override {
        if (--remaining_ > 0) return true;
        lastError_ = ENOSPC;
        return false;
    }
    std::optional<std::uint64_t> tell() override { return 0; }
    bool seek(std::uint64_t) override { return true; }
    using OutputFile::write;

private:
    int remaining_;
};

TEST(PackBlock, EveryFailedWriteIsReported) {
    const pack::PackBlockInput input = Input(PackFlag::Extension, 3, 2);  // block, then three silent frames
    for (int failAt = 1; failAt <= 4; ++failAt) {
        SCOPED_TRACE(failAt);
        FailingOutput out(failAt);
        std::string error;
        EXPECT_FALSE(pack::WritePackBlock(out, input, nullptr, error));
        EXPECT_EQ(error, "Write Error - " + std::to_string(ENOSPC));
        FailingOutput trailerOut(failAt);
        EXPECT_FALSE(pack::WritePackTrailer(trailerOut, Joint128(), 3, error));
    }
}

TEST(PackBlock, CopyKeepsTheAddedFramesAndRewritesTheNames) {
    pack::PackBlockLayout sourceLayout;
    const core::Bytes source = Written(Input(PackFlag::Extension | PackFlag::ByCueSheet, 2, 3), &sourceLayout);
    core::Bytes sourceFile(7, 'x');  // whatever lies before the block
    sourceFile.insert(sourceFile.end(), source.begin(), source.end());
    const auto file = core::InputFile::FromBytes(sourceFile);

    std::vector<PackWork> renamed = {Track("first.mp3", "Someone", "One", 100, 1000), Track("b.mp3", "", "", 0, 500)};
    pack::MemoryOutputFile out;
    pack::PackBlockLayout layout;
    std::string error;
    ASSERT_TRUE(pack::CopyPackBlock(out, "New album", renamed, file, 7, &layout, error)) << error;
    const std::uint64_t d = *pack::PackDirectorySize("New album", renamed);
    const core::Bytes& bytes = out.bytes();
    ASSERT_EQ(bytes.size(), d + 16 + 3 * 417);
    EXPECT_EQ(core::Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(d), bytes.end()),
              core::Bytes(source.begin() + 51, source.end()));
    EXPECT_EQ(layout.offsets.front(), d + 16 + 3 * 417);
    const pack::PackDirectory read = pack::ReadPackBlock(bytes, 0, 1 << 20);
    EXPECT_EQ(read.albumTitle, "New album");
    EXPECT_EQ(read.optionWord, 0x3Au | (2u << 24) | (3u << 16));
    ASSERT_EQ(read.tracks.size(), 2u);
    EXPECT_EQ(read.tracks[0].fileName, "first.mp3");
    EXPECT_EQ(read.tracks[1].start, d + 16 + 3 * 417 + 1100);

    // Past the syncsafe range the copy switches to plain offsets too.
    renamed[1].dataBytes = 0x10000000;
    pack::MemoryOutputFile big;
    ASSERT_TRUE(pack::CopyPackBlock(big, "New album", renamed, file, 7, &layout, error)) << error;
    EXPECT_EQ(big.bytes()[11], 0x3B);
    EXPECT_EQ(pack::ReadPackBlock(big.bytes(), 0, 0x20000000).tracks.at(1).end, d + 16 + 3 * 417 + 1100 + 0x10000000);

    // A source whose extension claims frames past its end is not copied.
    core::Bytes cut(sourceFile.begin(), sourceFile.end() - 1);
    pack::MemoryOutputFile none;
    EXPECT_FALSE(pack::CopyPackBlock(none, "x", renamed, core::InputFile::FromBytes(cut), 7, nullptr, error));
    EXPECT_TRUE(none.bytes().empty());
}

TEST(PackBlock, SizeAtThePositionCountsTheExtension) {
    struct Case {
        const char* name;
        core::Bytes file;
        std::uint64_t position;
        std::optional<std::uint64_t> size;
    };
    const core::Bytes plain = Written(Input(0));
    const core::Bytes extended = Written(Input(PackFlag::TrailingSilence, 0, 1));
    core::Bytes behindTag(10, 0);
    behindTag.insert(behindTag.end(), extended.begin(), extended.end());
    const std::vector<Case> cases = {
        {"no extension", plain, 0, 51},
        {"extension", extended, 0, 67},
        {"behind a tag", behindTag, 10, 67},
        {"cut short", core::Bytes(extended.begin(), extended.end() - 1), 0, std::nullopt},
        {"no signature", core::Bytes(51, 0), 0, std::nullopt},
        {"header cut", core::Bytes(plain.begin(), plain.begin() + 11), 0, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto file = core::InputFile::FromBytes(c.file);
        file.seek(c.position);
        EXPECT_EQ(pack::PackBlockSize(file), c.size);
        EXPECT_EQ(file.position(), c.position);
    }
}

// Damaged directories: parsing stops at the damage and keeps the tracks whose
// start and end were both read.
TEST(PackBlock, ReadStopsAtTheFirstDamage) {
    struct Case {
        const char* name;
        std::function<void(core::Bytes&)> damage;
        std::uint64_t fileSize;
        std::size_t tracksKept;
    };
    const std::vector<Case> cases = {
        {"sound", [](core::Bytes&) {}, 2000, 2},
        {"directory size under 17", [](core::Bytes& b) { b[7] = 16; }, 2000, 0},
        {"directory past the file", [](core::Bytes&) {}, 50, 0},
        {"second start before the first", [](core::Bytes& b) { b[37] = 0; b[38] = 0; }, 2000, 0},
        {"end before the last start", [](core::Bytes& b) { b[49] = 0; b[50] = 0; }, 2000, 1},
        {"first start inside the directory", [](core::Bytes& b) { b[21] = 50; }, 2000, 0},
        {"end past the file", [](core::Bytes&) {}, 1650, 1},
        {"offset byte with its top bit", [](core::Bytes& b) { b[47] = 0x80; }, 2000, 1},
        {"title without NUL in the directory", [](core::Bytes& b) { b.resize(46); b[45] = 'x'; }, 2000, 1},
        {"count far above the entries", [](core::Bytes& b) { b[8] = 0x7F; b[9] = 0x7F; }, 2000, 2},
        {"no signature", [](core::Bytes& b) { b[0] = 'p'; }, 2000, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        core::Bytes block = Written(Input(0));
        c.damage(block);
        const pack::PackDirectory read = pack::ReadPackBlock(block, 0, c.fileSize);
        EXPECT_EQ(read.damaged, std::string(c.name) != "sound");
        ASSERT_EQ(read.tracks.size(), c.tracksKept);
        for (std::size_t i = 0; i < read.tracks.size(); ++i) {
            EXPECT_LE(read.tracks[i].start, read.tracks[i].end);
            EXPECT_LE(read.tracks[i].end, c.fileSize);
        }
        if (c.tracksKept > 0) {
            EXPECT_EQ(read.tracks[0].fileName, "a.mp3");
        }
    }
}

TEST(PackBlock, WriteThenReadGivesTheSpansAndOptionWord) {
    core::SetLegacyCodePage("CP932");
    pack::PackBlockInput input = Input(PackFlag::Extension | PackFlag::ByCueSheet, 2, 300);
    input.albumTitle = "アルバム";  // two bytes a character in the file
    input.tracks[0].title = "曲";
    pack::PackBlockLayout layout;
    const core::Bytes bytes = Written(input, &layout);
    EXPECT_EQ(layout.directorySize, 51u + 3);  // eight bytes of album title instead of five
    const std::uint64_t tag = 1234;
    const pack::PackDirectory read = pack::ReadPackBlock(bytes, tag, tag + layout.offsets.back() + 300 * 417 + 128);
    EXPECT_FALSE(read.damaged);
    EXPECT_EQ(read.albumTitle, "アルバム");
    // Flags, then the low syncsafe bytes of the counts: 300 is stored 02 2C.
    EXPECT_EQ(read.optionWord, 0x3Au | (2u << 24) | (0x2Cu << 16));
    ASSERT_EQ(read.tracks.size(), 2u);
    EXPECT_EQ(read.tracks[0].title, "曲");
    EXPECT_EQ(read.tracks[0].start, tag + layout.offsets[0]);
    EXPECT_EQ(read.tracks[0].end, tag + layout.offsets[0] + 1100);
    EXPECT_EQ(read.tracks[1].start, read.tracks[0].end);
    EXPECT_EQ(read.tracks[1].end, tag + layout.offsets[2]);
}

TEST(AddedFrames, HeaderBytesAndLengthFollowTheAlbumTexts) {
    struct Case {
        const char* kbps;
        const char* hz;
        const char* mode;
        std::uint8_t byte2, byte3;
        std::uint32_t length;
        const char* tag;
    };
    const std::vector<Case> cases = {
        {"128", "44100", "JointStereo", 0x90, 0x40, 417, "Info"},
        {"VBR", "48000", "SingleChannel", 0x94, 0xC0, 384, "Xing"},
        {"320", "32000", "DualChannel", 0xE8, 0x80, 1440, "Info"},
        {"32", "48000", "Stereo", 0x14, 0x00, 96, "Info"},
        {"112", "44,100", "Mono", 0x80, 0x00, 365, "Info"},  // unknown mode: stereo bits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.kbps) + " " + c.hz + " " + c.mode);
        const auto format = pack::MakeAddedFrameFormat(c.kbps, c.hz, c.mode);
        ASSERT_TRUE(format);
        const core::Bytes silent = pack::SilentFrame(*format);
        ASSERT_EQ(silent.size(), c.length);
        EXPECT_EQ(core::Bytes(silent.begin(), silent.begin() + 4), (core::Bytes{0xFF, 0xFB, c.byte2, c.byte3}));
        const core::FrameHeader header{core::ReadBe32(silent.data())};
        EXPECT_EQ(core::FrameLength(header.bitRateIndex(), header.sampleRateIndex(), header.padding()), c.length);
        const core::Bytes xing = pack::XingInfoFrame(*format, 1234, 567890);
        ASSERT_EQ(xing.size(), c.length);
        const core::VbrHeader vbr = core::ParseVbrHeader(xing, header);
        EXPECT_EQ(vbr.kind, std::string(c.tag) == "Xing" ? core::VbrHeaderKind::Xing : core::VbrHeaderKind::Info);
        EXPECT_EQ(vbr.frames, 1234u);
        EXPECT_EQ(vbr.bytes, 567890u);
    }
}

TEST(AddedFrames, RatesWithoutAFrameAreRefused) {
    for (const auto& [kbps, hz] : std::vector<std::pair<const char*, const char*>>{
             {"0", "44100"}, {"100", "44100"}, {"", "44100"}, {"-", "44100"}, {"128", "22050"}, {"128", "-"},
             {"VBR", ""}, {"128k", "44100"}}) {
        SCOPED_TRACE(std::string(kbps) + " " + hz);
        std::string error;
        EXPECT_FALSE(pack::MakeAddedFrameFormat(kbps, hz, "Stereo", &error));
        EXPECT_FALSE(error.empty());
    }
}

TEST(PackTrailer, BlockIsTheFixedText) {
    const std::string text = "\r\n" + std::string(70, '=') +
                             "\r\nEnd of Packed MP3  - Generated by \"Quiltotrackery\" -\r\n";
    ASSERT_EQ(text.size(), 128u);
    EXPECT_EQ(pack::PackTrailerBlock(0), core::Bytes(text.begin(), text.end()));
    core::Bytes counted(text.begin(), text.end());
    counted[2] = 0x00, counted[3] = 0x00, counted[4] = 0x09, counted[5] = 0x63;  // 1251 syncsafe
    EXPECT_EQ(pack::PackTrailerBlock(1251), counted);

    pack::MemoryOutputFile out;
    std::string error;
    ASSERT_TRUE(pack::WritePackTrailer(out, Joint128(), 3, error)) << error;
    ByteBuilder expected;
    expected.raw(test::Frames(kJoint128, 3)).raw(counted);
    EXPECT_EQ(out.bytes(), expected.bytes());
    pack::MemoryOutputFile refused;
    EXPECT_FALSE(pack::WritePackTrailer(refused, std::nullopt, 1, error));
    EXPECT_FALSE(pack::WritePackTrailer(refused, Joint128(), 16384, error));
    EXPECT_TRUE(refused.bytes().empty());
}

TEST(PackTrailer, CopyTakesTheSilentFramesTheCountNames) {
    const core::Bytes silent = test::Frames(kJoint128, 2);
    const core::Bytes plain = pack::PackTrailerBlock(0);
    const core::Bytes counted = pack::PackTrailerBlock(2 * 417);
    core::Bytes id3v1(128, 0);
    id3v1[0] = 'T', id3v1[1] = 'A', id3v1[2] = 'G';
    auto join = [](std::initializer_list<core::Bytes> parts) {
        core::Bytes all;
        for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
        return all;
    };
    struct Case {
        const char* name;
        core::Bytes file;
        std::optional<core::Bytes> copied;
    };
    core::Bytes notTrailer = plain;
    notTrailer[100] = 'x';
    const std::vector<Case> cases = {
        {"plain", join({silent, plain}), plain},
        {"silent frames", join({core::Bytes(50, 1), silent, counted}), join({silent, counted})},
        {"behind ID3v1", join({silent, counted, id3v1}), join({silent, counted})},
        {"count past the start", join({core::Bytes(10, 1), counted}), std::nullopt},
        {"not a trailer", join({silent, notTrailer}), std::nullopt},
        {"too short", core::Bytes(plain.begin() + 1, plain.end()), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pack::MemoryOutputFile out;
        std::string error;
        EXPECT_EQ(pack::CopyPackTrailer(out, core::InputFile::FromBytes(c.file), error), c.copied.has_value());
        EXPECT_EQ(out.bytes(), c.copied.value_or(core::Bytes{}));
    }
}

namespace {

// Runs a command and returns its standard output and error together.
std::string CaptureToolOutput(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return output;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    ::pclose(pipe);
    return output;
}

}  // namespace

// A real encoder's audio behind our Info frame and silent frames, and silent
// frames behind it: mp3val must count our frames and accept our totals.
TEST(AddedFrames, Mp3valAcceptsTheStreamAroundRealAudio) {
    ASSERT_EQ(std::system("command -v mp3val >/dev/null 2>&1"), 0)
        << "mp3val is missing: run scripts/install-deps.sh (Debian package mp3val)";
    std::ifstream in(std::string(QUILTO_FIXTURE_DIR) + "/cbr128_joint_info.mp3", std::ios::binary);
    ASSERT_TRUE(in) << "fixture cbr128_joint_info.mp3 is missing";
    const core::Bytes fixture((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The fixture is an Info frame of 417 bytes and 97 audio frames.
    ASSERT_GT(fixture.size(), 417u);
    const core::Bytes audio(fixture.begin() + 417, fixture.end());
    constexpr std::uint32_t kAudioFrames = 97, kLeading = 4, kTrailing = 3;

    pack::PackBlockInput input;
    input.tracks = {Track("t.mp3", "", "", 0, audio.size())};
    input.flags = PackFlag::Extension;
    input.leadingSilent = kLeading;
    input.trailingSilent = kTrailing;
    input.frames = Joint128();
    input.totalFrames = kAudioFrames;
    input.totalBytes = audio.size();
    pack::PackBlockLayout layout;
    const core::Bytes block = Written(input, &layout);
    pack::MemoryOutputFile trailer;
    std::string error;
    ASSERT_TRUE(pack::WritePackTrailer(trailer, input.frames, kTrailing, error)) << error;

    core::Bytes stream(block.begin() + static_cast<std::ptrdiff_t>(layout.blockSize), block.end());
    stream.insert(stream.end(), audio.begin(), audio.end());
    stream.insert(stream.end(), trailer.bytes().begin(), trailer.bytes().end() - 128);
    const test::TempFolder folder;
    folder.write("stream.mp3", stream);
    const std::string report = CaptureToolOutput("mp3val '" + folder.file("stream.mp3").string() + "'");
    const std::uint32_t frames = 1 + kLeading + kAudioFrames + kTrailing;
    EXPECT_NE(report.find(std::to_string(frames) + " MPEG frames"), std::string::npos) << report;
    EXPECT_EQ(report.find("Wrong number of MPEG frames"), std::string::npos) << report;
    EXPECT_EQ(report.find("data bytes specified in Xing header"), std::string::npos) << report;
    EXPECT_EQ(layout.xingFrames, kLeading + kAudioFrames + kTrailing);
    EXPECT_EQ(layout.xingBytes, stream.size());
}
