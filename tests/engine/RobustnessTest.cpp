// Every reader over seeded random and mutated input: valid synthetic tags and
// streams with flipped bits, special bytes, cuts, inserted garbage and huge
// size fields, and plain noise. Besides surviving (the sanitizer build catches
// reads outside the data), each reader's result must stay within what its
// input can hold. Fixed seeds, so a failure repeats exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/CueTime.h"
#include "core/FrameScan.h"
#include "core/Id3v1.h"
#include "core/Id3v2Reader.h"
#include "core/NumberText.h"
#include "core/SeekCueTime.h"
#include "core/SizeCodec.h"
#include "core/TextCodec.h"
#include "core/Utf.h"
#include "core/VbrHeader.h"
#include "support/MpegBuilder.h"

using namespace quilto;
using core::Bytes;
using core::ContainerKind;
using test::Append;
using test::ByteBuilder;
using test::FrameFields;

namespace {

using Rng = std::mt19937;

// Under the sanitizers every read costs several times more and each full scan
// maps a fresh buffer, so the sanitizer build runs a quarter of the cases.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kShare = 4;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr int kShare = 4;
#else
constexpr int kShare = 1;
#endif
#else
constexpr int kShare = 1;
#endif

constexpr int Cases(int count) { return count / kShare; }

// How far the measured stream may reach past the data: the longest frame any
// header can give (320 kbps at 32000 Hz, padded), since a frame that starts
// inside the data is counted whole even when it is cut.
constexpr std::uint64_t kMaxFrameLength = core::FrameLength(14, 2, 1);


constexpr std::array<std::uint8_t, 4> kSpecialBytes = {0x00, 0xFF, 0x7F, 0x80};
constexpr std::array<std::uint32_t, 6> kHugeSizes = {0x7F7F7F7F, 0xFFFFFFFF, 0x80808080,
                                                     0x0FFFFFFF, 0x00000000, 0x00000001};

std::size_t Below(Rng& rng, std::size_t n) {
    return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
}

bool Chance(Rng& rng, unsigned percent) { return Below(rng, 100) < percent; }

std::uint8_t RandomByte(Rng& rng) {
    if (Chance(rng, 30)) return kSpecialBytes[Below(rng, kSpecialBytes.size())];
    return static_cast<std::uint8_t>(Below(rng, 256));
}

Bytes RandomBytes(Rng& rng, std::size_t n) {
    Bytes bytes(n);
    for (auto& b : bytes) b = RandomByte(rng);
    return bytes;
}

// A copy whose allocation ends where the data ends, so that the address
// sanitizer sees a read one byte past it.
Bytes Exact(core::ByteView view) { return Bytes(view.begin(), view.end()); }

// ---------------------------------------------------------------------------
// Valid inputs to start from, with the offsets of their stored sizes.

struct Seed {
    std::string name;
    Bytes bytes;
    std::vector<std::size_t> sizeFields;  // offsets of 4-byte (or 3-byte) size fields
};

class TagBuilder {
public:
    TagBuilder(unsigned version, std::uint8_t flags) : version_(version), flags_(flags) {}

    TagBuilder& frame(std::string_view id, const Bytes& data, std::uint16_t frameFlags = 0) {
        sizeFields_.push_back(body_.size() + id.size());
        ByteBuilder b;
        b.text(id);                                                        // frame ID
        if (version_ == 2) b.u24be(static_cast<std::uint32_t>(data.size()));  // size
        else if (version_ == 4) b.syncsafe32(static_cast<std::uint32_t>(data.size()));
        else b.u32be(static_cast<std::uint32_t>(data.size()));
        if (version_ != 2) b.u16be(frameFlags);                            // flags
        b.raw(data);
        Append(body_, b);
        return *this;
    }
    TagBuilder& text(std::string_view id, std::string_view value, std::uint8_t encoding = 0) {
        return frame(id, test::TextBody(encoding, value));
    }
    TagBuilder& raw(const Bytes& bytes) {
        Append(body_, bytes);
        return *this;
    }
    TagBuilder& padding(std::size_t n) { return raw(Bytes(n, 0)); }

    Seed build(std::string name, bool unsynchronise = false) const {
        Bytes body = body_;
        if (unsynchronise) {
            Bytes undone;
            for (const std::uint8_t b : body) {
                undone.push_back(b);
                if (b == 0xFF) undone.push_back(0x00);
            }
            body = undone;
        }
        ByteBuilder b;
        b.text("ID3").u8(static_cast<std::uint8_t>(version_)).u8(0).u8(flags_);   // version, flags
        b.syncsafe32(static_cast<std::uint32_t>(body.size())).raw(body);          // tag size, body
        Seed seed{std::move(name), b, {6}};
        if (!unsynchronise) {
            for (const std::size_t offset : sizeFields_) seed.sizeFields.push_back(offset + core::kId3v2HeaderSize);
        }
        return seed;
    }

private:
    unsigned version_;
    std::uint8_t flags_;
    Bytes body_;
    std::vector<std::size_t> sizeFields_;
};

Bytes Chars(std::string_view text) { return Bytes(text.begin(), text.end()); }

std::vector<Seed> TagSeeds() {
    std::vector<Seed> seeds;
    const Bytes cue = Chars(std::string_view("\0text\0mp3cue CueSheet\0FILE \"a.mp3\" MP3\r\n", 40));
    seeds.push_back(TagBuilder(3, 0)
                        .text("TIT2", "Title")
                        .text("TPE1", "\x83\x65\x83\x58\x83\x67")  // CP932 "テスト"
                        .text("TALB", "Album")
                        .text("TRCK", "3/12")
                        .text("TYER", "2001")
                        .frame("COMM", Chars(std::string_view("\0eng\0hello", 10)))
                        .text("TCON", "(13)")
                        .frame("WXXX", Chars(std::string_view("\0\0http://x", 10)))
                        .frame("GEOB", cue)
                        .padding(24)
                        .build("v3 tag"));
    Bytes extended3 = ByteBuilder().u32be(6).u16be(0).u32be(0);  // size, flags, padding size
    seeds.push_back(TagBuilder(3, 0x40)
                        .raw(extended3)
                        .text("TIT2", "After extended header")
                        .frame("COMM", Chars(std::string_view("\0AlbumWrap", 10)))
                        .build("v3 tag with extended header"));
    seeds.back().sizeFields.push_back(core::kId3v2HeaderSize);
    seeds.push_back(TagBuilder(3, 0x80)
                        .text("TIT2", "A\xFF\xE0Z")
                        .text("TPE1", "\xFF")
                        .frame("COMM", Chars(std::string_view("\x01" "eng\xFF\xFE\0\0\xFF\xFEh\0i\0", 15)))
                        .build("unsynchronised v3 tag", true));
    Bytes extended4 = ByteBuilder().syncsafe32(6).u8(1).u8(0);  // size, flag bytes, flags
    Bytes longText(200, 'x');
    longText[0] = 0;
    seeds.push_back(TagBuilder(4, 0x40)
                        .raw(extended4)
                        .frame("TIT2", Chars(std::string_view("\x03" "a\0b\0", 5)))
                        .frame("TPE1", Chars(std::string_view("\x01\xFF\xFEH\0i\0", 7)))
                        .text("TDRC", "2004-05-06")
                        .text("TCON", "13")
                        .frame("TALB", ByteBuilder().syncsafe32(4).u8(0).text("Alb"), 0x0001)  // data length
                        .frame("TCOM", Chars(std::string_view("\0A\xFF\x00" "B", 5)), 0x0002)   // unsynchronised
                        .frame("TSSE", longText)                                                  // size above 127
                        .frame("COMM", Chars(std::string_view("\x02" "eng\xFE\xFF\0d\0\0\0t", 13)))
                        .padding(16)
                        .build("v4 tag"));
    seeds.back().sizeFields.push_back(core::kId3v2HeaderSize);
    seeds.push_back(TagBuilder(2, 0)
                        .text("TT2", "Two")
                        .text("TP1", "Artist")
                        .frame("COM", Chars(std::string_view("\0eng\0c", 6)))
                        .text("TCO", "(17)Rock")
                        .padding(8)
                        .build("v2.2 tag"));
    return seeds;
}

constexpr FrameFields kSmall{.bitRateIndex = 1, .sampleRateIndex = 1};  // 96-byte frames

std::vector<Seed> AudioSeeds() {
    std::vector<Seed> seeds;
    seeds.push_back({"cbr frames", test::Frames(kSmall, 12), {}});
    Bytes vbr;
    for (unsigned i = 0; i < 12; ++i) Append(vbr, test::Frame({.bitRateIndex = 1 + i % 3, .sampleRateIndex = 1}));
    seeds.push_back({"vbr frames", vbr, {}});
    Bytes xing = test::VbrFrame(kSmall, "Xing", 10, 960);
    Append(xing, test::Frames(kSmall, 10));
    seeds.push_back({"xing", xing, {4 + 32 + 4, 4 + 32 + 8, 4 + 32 + 12}});
    constexpr FrameFields kMonoCrc{.bitRateIndex = 1, .sampleRateIndex = 1, .mode = 3, .crc = true};
    Bytes info = test::VbrFrame(kMonoCrc, "Info", 6, 576, true);
    Append(info, test::Frames(kMonoCrc, 6));
    seeds.push_back({"lame info, mono, crc", info, {4 + 17 + 8, 4 + 17 + 12}});
    constexpr FrameFields kDual{.bitRateIndex = 9, .padding = 1, .mode = 2, .crc = true};
    Bytes dual = test::VbrFrame(kDual, "Xing", 3, 1254);
    Append(dual, test::Frames(kDual, 2));
    Append(dual, test::Frames({.bitRateIndex = 9}, 1));
    seeds.push_back({"dual channel xing", dual, {4 + 2 + 32 + 8}});
    return seeds;
}

Bytes Id3v1Block() {
    ByteBuilder b;
    b.text("TAG").text("Title").padTo(33).text("\x83\x65\x83\x58").padTo(63).text("Album").padTo(93);
    b.text("1999").text("Comment").padTo(125).u8(0).u8(7).u8(13);  // comment, NUL, track, genre
    return b;
}

std::vector<Seed> FileSeeds() {
    std::vector<Seed> seeds;
    const auto tags = TagSeeds();
    const auto audio = AudioSeeds();
    for (std::size_t i = 0; i < tags.size(); ++i) {
        Seed file = tags[i];
        file.name += " + " + audio[i % audio.size()].name;
        Append(file.bytes, audio[i % audio.size()].bytes);
        if (i % 2 == 0) Append(file.bytes, Id3v1Block());
        seeds.push_back(file);
    }
    const Bytes frames = test::Frames(kSmall, 6);
    auto container = [&](std::string name, const Bytes& head) {
        Bytes bytes = head;
        Append(bytes, frames);
        seeds.push_back({std::move(name), bytes, {0}});
    };
    container("lzh", ByteBuilder().u16le(12).text("-lh0-").padTo(12));
    container("pack", ByteBuilder().text("Pack").fill(20));
    container("zip", ByteBuilder().raw({'P', 'K', 3, 4}).fill(26));
    container("foreign index", ByteBuilder().text("0123        ").text("ab[][]cd[][]").padTo(42, ' '));
    Bytes stacked = TagBuilder(3, 0).text("TIT2", "Head").build("").bytes;
    Append(stacked, TagBuilder(3, 0).text("TIT2", "Second").build("").bytes);
    Append(stacked, TagBuilder(4, 0).padding(10).build("").bytes);
    Append(stacked, frames);
    seeds.push_back({"stacked tags", stacked, {6}});
    return seeds;
}

// ---------------------------------------------------------------------------
// Mutations.

void WriteBe32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4 && offset + i < bytes.size(); ++i) {
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    }
}

Bytes Mutate(const Seed& seed, Rng& rng) {
    Bytes bytes = seed.bytes;
    // Size fields first, while the recorded offsets still hold.
    if (Chance(rng, 40)) {
        const std::size_t offset =
            seed.sizeFields.empty() ? Below(rng, bytes.size()) : seed.sizeFields[Below(rng, seed.sizeFields.size())];
        WriteBe32(bytes, offset, kHugeSizes[Below(rng, kHugeSizes.size())]);
    }
    const std::size_t steps = 1 + Below(rng, 4);
    for (std::size_t step = 0; step < steps && !bytes.empty(); ++step) {
        const std::size_t at = Below(rng, bytes.size());
        switch (Below(rng, 7)) {
            case 0:
                bytes[at] ^= static_cast<std::uint8_t>(1u << Below(rng, 8));
                break;
            case 1:
                bytes[at] = RandomByte(rng);
                break;
            case 2:
                bytes.resize(at);
                break;
            case 3: {
                const Bytes garbage = RandomBytes(rng, 1 + Below(rng, 16));
                bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), garbage.begin(), garbage.end());
                break;
            }
            case 4: {
                const std::size_t n = std::min(bytes.size() - at, 1 + Below(rng, 64));
                bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                            bytes.begin() + static_cast<std::ptrdiff_t>(at + n));
                break;
            }
            case 5: {
                // A copied stretch: repeats headers, tags and frames at odd places.
                const std::size_t from = Below(rng, bytes.size());
                const Bytes slice(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                                  bytes.begin() + static_cast<std::ptrdiff_t>(std::min(bytes.size(), from + 1 + Below(rng, 64))));
                bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), slice.begin(), slice.end());
                break;
            }
            default:
                // A sync word with random fields.
                WriteBe32(bytes, at, 0xFFE00000u | static_cast<std::uint32_t>(Below(rng, 0x200000)));
                break;
        }
    }
    return bytes;
}

// ---------------------------------------------------------------------------
// Checks shared by every input.

void ExpectValidUtf8(std::string_view text, std::string_view what) {
    EXPECT_TRUE(core::IsValidUtf8(text)) << what << " is not valid UTF-8";
}

void ExpectEmptyWithoutFrames(const core::StreamColumns& columns) {
    if (columns.info.frames != 0) return;
    for (const auto& text : columns.texts) EXPECT_EQ(text, "");
}

void ExpectSameColumns(const core::StreamColumns& a, const core::StreamColumns& b) {
    EXPECT_EQ(a.texts, b.texts);
    EXPECT_EQ(a.info.frames, b.info.frames);
    EXPECT_EQ(a.info.otherFrames, b.info.otherFrames);
    EXPECT_EQ(a.info.streamBytes, b.info.streamBytes);
    EXPECT_EQ(a.info.headerKind, b.info.headerKind);
}

class CancelAfterChecks final : public core::Progress {
public:
    explicit CancelAfterChecks(std::uint64_t checks) : remaining_(checks) {}
    bool cancelRequested() const override { return remaining_ == 0 || --remaining_ == 0; }
    void pump() override {}

private:
    mutable std::uint64_t remaining_;
};

void CheckTags(const Bytes& data, const core::GenreTable& genres) {
    const Bytes header = Exact(core::ByteView(data).first(std::min(data.size(), core::kId3v2HeaderSize)));
    const std::uint64_t tagLength = core::TagLength(header);
    if (tagLength != 0) {
        EXPECT_GE(tagLength, core::kId3v2HeaderSize);
        const Bytes tag = Exact(core::ByteView(data).first(static_cast<std::size_t>(std::min<std::uint64_t>(tagLength, data.size()))));
        core::Id3v2Record record;
        const bool hasCue = core::ReadId3v2(tag, record, genres);
        EXPECT_EQ(hasCue, record.hasCue);
        for (std::size_t i = 0; i < core::Id3v2Record::kFieldCount; ++i) ExpectValidUtf8(record.field(i), "ID3v2 field");
    }
    const std::size_t blockSize = std::min(data.size(), core::kId3v1Size);
    const Bytes block = Exact(core::ByteView(data).last(blockSize));
    core::Id3v1Record v1;
    if (core::ReadId3v1(block, &v1, genres)) {
        for (const auto* text : {&v1.artist, &v1.title, &v1.album, &v1.track, &v1.year, &v1.comment, &v1.genre}) {
            ExpectValidUtf8(*text, "ID3v1 field");
        }
        EXPECT_LE(v1.title.size(), 30u * 3);  // 30 code-page bytes, at most 3 UTF-8 bytes each
    }
}

// FindFirstFrame (kind Plain), QuickFrameScan, then FindFirstFrame (NoAudio)
// and FullFrameScan: the way the file list and the Frame Scan command read a
// file. Returns what both scans found, to compare a real file with its bytes.
struct PathResult {
    ContainerKind kind = ContainerKind::Plain;
    std::uint64_t firstFrame = 0;
    core::StreamColumns quick;
    core::StreamColumns full;
};

PathResult CheckScans(core::InputFile& file, Rng* rng) {
    PathResult result;
    const std::uint64_t size = file.size();
    const std::uint64_t tagLength = core::TagLength(file.readBytesAt(0, core::kId3v2HeaderSize));

    file.seek(tagLength);
    result.kind = core::FindFirstFrame(file, ContainerKind::Plain);
    result.firstFrame = file.position();
    if (result.kind != ContainerKind::NoAudio) {
        const std::uint64_t start = file.position();
        result.quick = core::QuickFrameScan(file);
        // The quick scan never reads past the reach of the VBR header.
        EXPECT_LE(file.position(), start + core::kVbrHeaderReach);
        ExpectEmptyWithoutFrames(result.quick);
        if (result.quick.info.headerKind != core::VbrHeaderKind::None) {
            // With a VBR header nothing behind its reach matters, not even the file size.
            const Bytes reach = file.readBytesAt(0, static_cast<std::size_t>(start + core::kVbrHeaderReach));
            auto prefix = core::InputFile::FromBytes(reach);
            prefix.seek(start);
            ExpectSameColumns(core::QuickFrameScan(prefix), result.quick);
        } else if (start < size) {
            EXPECT_LE(result.quick.info.frames, size - start);
        }
    }

    // Without detection the kind only ever turns into NoAudio.
    file.seek(tagLength);
    const ContainerKind given = core::FindFirstFrame(file, ContainerKind::Zip);
    EXPECT_TRUE(given == ContainerKind::Zip || given == ContainerKind::NoAudio);
    file.seek(tagLength);
    core::FindFirstFrame(file, ContainerKind::NoAudio);
    const std::uint64_t start = file.position();
    core::NoProgress progress;
    result.full = core::FullFrameScan(file, 0, true, progress);
    const std::uint64_t span = start < size ? size - start : 0;
    const auto& info = result.full.info;
    // Each counted frame starts at its own byte; only the last may run past the end.
    EXPECT_LE(info.frames + info.otherFrames, span);
    EXPECT_LE(info.streamBytes, span + kMaxFrameLength);
    EXPECT_GE(file.position(), start);
    ExpectEmptyWithoutFrames(result.full);
    for (const auto& text : result.full.texts) ExpectValidUtf8(text, "stream column");

    if (rng && span > 0 && Chance(*rng, 25)) {
        // A range that ends anywhere counts no frame that starts at or past its end.
        const std::uint64_t end = start + 1 + Below(*rng, static_cast<std::size_t>(span));
        file.seek(start);
        const auto bounded = core::FullFrameScan(file, end, Chance(*rng, 50), progress);
        EXPECT_LE(bounded.info.frames + bounded.info.otherFrames, end - start);
        EXPECT_LE(bounded.info.streamBytes, end - start + kMaxFrameLength);
        EXPECT_LE(bounded.info.frames + bounded.info.otherFrames, info.frames + info.otherFrames);

        // Cancel ends the walk: never more passes than checks allowed.
        const std::uint64_t checks = 1 + Below(*rng, 8);
        CancelAfterChecks cancel(checks);
        file.seek(start);
        const auto cancelled = core::FullFrameScan(file, 0, true, cancel);
        EXPECT_LT(cancelled.info.frames + cancelled.info.otherFrames, checks);
    }
    return result;
}

void CheckFile(const Bytes& data, const core::GenreTable& genres, Rng* rng) {
    CheckTags(data, genres);
    auto file = core::InputFile::FromBytes(Exact(data));
    CheckScans(file, rng);
}

std::string Describe(const Bytes& data) {
    std::string hex;
    char buffer[4];
    for (std::size_t i = 0; i < std::min<std::size_t>(data.size(), 64); ++i) {
        std::snprintf(buffer, sizeof buffer, "%02X", data[i]);
        hex += buffer;
    }
    return std::to_string(data.size()) + " bytes: " + hex + (data.size() > 64 ? "..." : "");
}

}  // namespace

TEST(Robustness, EverySeedIsReadAsBuilt) {
    // The mutations below mean little unless the seeds themselves parse.
    const core::GenreTable genres;
    for (const Seed& seed : FileSeeds()) {
        SCOPED_TRACE(seed.name);
        auto file = core::InputFile::FromBytes(seed.bytes);
        const PathResult result = CheckScans(file, nullptr);
        EXPECT_NE(result.kind, ContainerKind::NoAudio);
        EXPECT_GT(result.full.info.frames, 0u);
    }
    for (const Seed& seed : TagSeeds()) {
        SCOPED_TRACE(seed.name);
        core::Id3v2Record record;
        core::ReadId3v2(seed.bytes, record, genres);
        EXPECT_NE(record.title, "");
    }
}

TEST(Robustness, MutatedFilesThroughTheWholeReadingPath) {
    Rng rng(20240611);
    const core::GenreTable standard;
    const core::GenreTable extended(true);
    const auto seeds = FileSeeds();
    for (int round = 0; round < Cases(800); ++round) {
        for (const Seed& seed : seeds) {
            const Bytes data = Mutate(seed, rng);
            SCOPED_TRACE(seed.name + ", round " + std::to_string(round) + ", " + Describe(data));
            CheckFile(data, round % 2 ? extended : standard, &rng);
            if (HasFailure()) return;  // one reproduction is enough
        }
    }
}

TEST(Robustness, MutatedTagsAndStreamsCutAtEveryLength) {
    Rng rng(7);
    const core::GenreTable genres;
    std::vector<Seed> seeds = TagSeeds();
    for (Seed& seed : AudioSeeds()) seeds.push_back(std::move(seed));
    for (const Seed& seed : seeds) {
        for (int variant = 0; variant < (kShare == 1 ? 3 : 2); ++variant) {
            const Bytes whole = variant == 0 ? seed.bytes : Mutate(seed, rng);
            // Every length through the headers and the first frames, then a stride.
            for (std::size_t length = 0; length <= whole.size(); length += length < 256 ? 1 : 5) {
                const Bytes data(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
                SCOPED_TRACE(seed.name + ", variant " + std::to_string(variant) + ", " + Describe(data));
                CheckFile(data, genres, nullptr);
                if (HasFailure()) return;
            }
        }
    }
}

TEST(Robustness, RandomBuffersThroughEveryReader) {
    Rng rng(99);
    const core::GenreTable genres(true);
    for (int round = 0; round < Cases(4000); ++round) {
        Bytes data = RandomBytes(rng, Below(rng, 2048));
        // Some start like a tag, so the tag reader gets past its first check.
        if (Chance(rng, 40) && data.size() >= 10) {
            std::copy_n("ID3", 3, data.begin());
            data[3] = static_cast<std::uint8_t>(2 + Below(rng, 3));
        }
        SCOPED_TRACE("round " + std::to_string(round) + ", " + Describe(data));
        CheckFile(data, genres, &rng);

        // The VBR header parser on any view with any header word.
        const core::FrameHeader header{static_cast<std::uint32_t>(rng())};
        const Bytes frame = Exact(core::ByteView(data).first(std::min(data.size(), Below(rng, 80))));
        const core::VbrHeader vbr = core::ParseVbrHeader(frame, header);
        if (vbr.kind == core::VbrHeaderKind::None) {
            EXPECT_EQ(vbr.frames, 0u);
            EXPECT_EQ(vbr.bytes, 0u);
        }
        if (HasFailure()) return;
    }
}

TEST(Robustness, SizeFieldsOfAnyLengthAndValue) {
    Rng rng(5);
    for (int round = 0; round < 5000; ++round) {
        const Bytes bytes = RandomBytes(rng, Below(rng, 13));
        const Bytes exact = Exact(bytes);
        const std::int64_t plain = core::DecodeSize(core::SizeEncoding::Plain, exact);
        EXPECT_GE(plain, 0);
        EXPECT_LE(plain, 0xFFFFFFFFll);
        const std::int64_t syncsafe = core::DecodeSize(core::SizeEncoding::Syncsafe, exact);
        EXPECT_GE(syncsafe, -(128ll << 21) - (128ll << 14) - (128ll << 7) - 128);
        EXPECT_LT(syncsafe, 1ll << 28);
        const std::uint64_t tagLength = core::TagLength(exact);
        EXPECT_LE(tagLength, (255ull << 21) + (255ull << 14) + (255ull << 7) + 255 + core::kId3v2HeaderSize);
    }
}

// ---------------------------------------------------------------------------
// Text.

namespace {

// Bytes that matter to the decoders: ASCII, NUL, CP932 lead and trail bytes,
// UTF-8 lead and continuation bytes, the UTF-16 surrogate range, and 0xFF.
std::string RandomText(Rng& rng, std::size_t maxLength) {
    static constexpr std::array<std::uint8_t, 22> kInteresting = {
        'a', ' ', '?', 0x00, 0x5C, 0x7C, 0x7F, 0x80, 0x81, 0x82, 0x9F, 0xA0,
        0xBF, 0xC2, 0xDF, 0xE0, 0xE3, 0xED, 0xEF, 0xF0, 0xF4, 0xFF};
    std::string text(Below(rng, maxLength + 1), '\0');
    for (char& c : text) {
        c = static_cast<char>(Chance(rng, 50) ? kInteresting[Below(rng, kInteresting.size())] : Below(rng, 256));
    }
    // Some texts are valid UTF-8 with characters of every length.
    if (Chance(rng, 30)) {
        std::string valid;
        for (std::size_t i = 0; i < text.size() / 2; ++i) {
            static constexpr std::array<char32_t, 10> kChars = {U'A', U'\u00A5', U'\u00E9', U'\u3042', U'\u30C6',
                                                                U'\u2260', U'\uFF76', U'\U0001F600', U'\u6F22', U'\u203E'};
            core::AppendUtf8(valid, kChars[Below(rng, kChars.size())]);
        }
        return valid;
    }
    return text;
}

}  // namespace

TEST(Robustness, TextCodecsTakeAnyBytes) {
    Rng rng(31);
    const core::TextCodec cp932;
    const core::TextCodec western("CP1252");
    const core::TextCodec unknown("NO-SUCH-CODE-PAGE");
    for (int round = 0; round < 1500; ++round) {
        const std::string text = RandomText(rng, 48);
        SCOPED_TRACE(Describe(Bytes(text.begin(), text.end())));
        for (const core::TextCodec* codec : {&cp932, &western, &unknown}) {
            ExpectValidUtf8(codec->decode(text), "decoded text");
            const core::EncodedText encoded = codec->encode(text);
            // Every character (or invalid byte) takes at most as many bytes encoded.
            EXPECT_LE(encoded.bytes.size(), text.size());
            const std::size_t limit = Below(rng, text.size() + 2);
            const core::EncodedText limited = codec->encodeLimited(text, limit);
            EXPECT_LE(limited.bytes.size(), limit);
            EXPECT_EQ(encoded.bytes.substr(0, limited.bytes.size()), limited.bytes);
            const std::string kept = codec->truncateToBytes(text, limit);
            EXPECT_EQ(text.substr(0, kept.size()), kept);
            EXPECT_LE(codec->encode(kept).bytes.size(), limit);
        }
        if (HasFailure()) return;
    }
}

TEST(Robustness, UtfHelpersTakeAnyBytes) {
    Rng rng(37);
    for (int round = 0; round < 5000; ++round) {
        const std::string text = RandomText(rng, 24);
        SCOPED_TRACE(Describe(Bytes(text.begin(), text.end())));
        const std::string exact(text);
        const std::size_t n = core::Utf8SequenceLength(exact);
        EXPECT_LE(n, exact.size());
        if (n != 0) {
            EXPECT_TRUE(core::IsValidUtf8(exact.substr(0, n)));
        }
        const std::string clean = core::SanitizeUtf8(exact);
        ExpectValidUtf8(clean, "sanitized text");
        if (core::IsValidUtf8(exact)) {
            EXPECT_EQ(clean, exact);
        }
        ExpectValidUtf8(core::DecodeUtf16(exact, core::Utf16Order::LittleEndian), "UTF-16LE");
        ExpectValidUtf8(core::DecodeUtf16(exact, core::Utf16Order::BigEndian), "UTF-16BE");
        if (HasFailure()) return;
    }
}

// ---------------------------------------------------------------------------
// Cue time texts and the cue point seek.

namespace {

std::string RandomCueText(Rng& rng) {
    static constexpr std::string_view kAlphabet = "0123456789::::-+ x\xFF";
    if (Chance(rng, 40)) {
        // A valid time with one character replaced, dropped or added.
        char valid[16];
        std::snprintf(valid, sizeof valid, Chance(rng, 50) ? "%02u:%02u:%02u" : "%03u:%02u:%02u",
                      static_cast<unsigned>(Below(rng, 1000)), static_cast<unsigned>(Below(rng, 100)),
                      static_cast<unsigned>(Below(rng, 100)));
        std::string text = valid;
        const std::size_t at = Below(rng, text.size());
        switch (Below(rng, 4)) {
            case 0: text[at] = kAlphabet[Below(rng, kAlphabet.size())]; break;
            case 1: text.erase(at, 1); break;
            case 2: text.insert(at, 1, kAlphabet[Below(rng, kAlphabet.size())]); break;
            default: break;
        }
        return text;
    }
    std::string text(Below(rng, 13), ' ');
    for (char& c : text) c = kAlphabet[Below(rng, kAlphabet.size())];
    return text;
}

std::int32_t RandomInt32(Rng& rng) {
    static constexpr std::array<std::int32_t, 7> kEdges = {0, 1, -1, 74, 75, std::numeric_limits<std::int32_t>::max(),
                                                           std::numeric_limits<std::int32_t>::min()};
    return Chance(rng, 30) ? kEdges[Below(rng, kEdges.size())] : static_cast<std::int32_t>(rng());
}

// Runs action; only InvalidNumber may come out of it.
template <typename Action>
void OnlyInvalidNumber(Action action, const std::string& what) {
    try {
        action();
    } catch (const core::InvalidNumber&) {
    } catch (const std::exception& e) {
        ADD_FAILURE() << what << " threw " << e.what();
    }
}

}  // namespace

TEST(Robustness, CueTimeTextsEitherReadOrThrowInvalidNumber) {
    Rng rng(41);
    for (int round = 0; round < 4000; ++round) {
        const std::string a = RandomCueText(rng);
        const std::string b = RandomCueText(rng);
        SCOPED_TRACE("'" + a + "', '" + b + "'");
        // Whatever the arithmetic returns must read back.
        OnlyInvalidNumber([&] { core::ParseCueTime(a); }, "ParseCueTime");
        OnlyInvalidNumber([&] { core::ParseCueTime(core::CueTimeDiff(a, b)); }, "CueTimeDiff");
        OnlyInvalidNumber([&] { core::ParseCueTime(core::CueTimeAdd(a, b)); }, "CueTimeAdd");
        OnlyInvalidNumber([&] { core::ParseCueTime(core::SpinCueTime(a, RandomInt32(rng))); }, "SpinCueTime");
        OnlyInvalidNumber([&] { core::PlayTimeToSeconds(a); }, "PlayTimeToSeconds");
        std::int32_t seconds = RandomInt32(rng);
        std::int32_t frames75 = RandomInt32(rng);
        const std::string hz = Chance(rng, 70) ? std::array<std::string, 4>{"44100", "48000", "32000", ""}[Below(rng, 4)] : a;
        OnlyInvalidNumber([&] { core::AddFramesToTime(seconds, frames75, b, hz); }, "AddFramesToTime");
        const std::string text = core::FramesToCueTime(seconds, frames75);
        EXPECT_GE(frames75, 0);
        EXPECT_LT(frames75, core::kCueFramesPerSecond);
        OnlyInvalidNumber([&] { core::ParseCueTime(text); }, "ParseCueTime of FramesToCueTime");
        if (HasFailure()) return;
    }
    for (int round = 0; round < 2000; ++round) {
        const auto seconds = static_cast<std::int32_t>(rng() & 0x7FFFFFFF);
        EXPECT_EQ(core::PlayTimeToSeconds(core::SecondsToPlayTime(seconds)), seconds);
        core::SecondsToPlayTime(RandomInt32(rng));
    }
}

TEST(Robustness, SeekCueTimeStaysInsideBufferAndLimit) {
    Rng rng(43);
    const auto seeds = AudioSeeds();
    for (int round = 0; round < 3000; ++round) {
        const Bytes data = Exact(Chance(rng, 70) ? Mutate(seeds[Below(rng, seeds.size())], rng)
                                                  : RandomBytes(rng, Below(rng, 600)));
        const std::size_t offset = Below(rng, data.size() + 8);
        const std::size_t limit = Chance(rng, 20) ? std::numeric_limits<std::size_t>::max() : Below(rng, data.size() + 8);
        const std::string from = Chance(rng, 80) ? "00:00:00" : RandomCueText(rng);
        const std::string to = Chance(rng, 80) ? core::FormatCueTime({static_cast<std::int32_t>(Below(rng, 3)),
                                                                     static_cast<std::int32_t>(Below(rng, 60)),
                                                                     static_cast<std::int32_t>(Below(rng, 75))})
                                               : RandomCueText(rng);
        const std::string hz = std::array<std::string, 5>{"44100", "48000", "32000", "", "x"}[Below(rng, 5)];
        SCOPED_TRACE(from + " -> " + to + " at " + hz + ", offset " + std::to_string(offset) + ", limit " +
                     std::to_string(limit) + ", " + Describe(data));
        OnlyInvalidNumber(
            [&] {
                const std::size_t reached = core::SeekCueTime(data, offset, limit, from, to, hz);
                EXPECT_LE(reached, std::min(limit, data.size()));
                EXPECT_GE(reached, std::min({offset, limit, data.size()}));
            },
            "SeekCueTime");
        if (HasFailure()) return;
    }
}

// ---------------------------------------------------------------------------
// A real file and a buffer must read alike, however the reads are cut.

namespace {

class TempFile {
public:
    TempFile() {
        path_ = (std::filesystem::path(::testing::TempDir()) /
                 ("quilto_robustness_" + std::to_string(::getpid()) + ".mp3")).string();
    }
    ~TempFile() { std::filesystem::remove(path_); }
    const std::string& write(const Bytes& bytes) {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path_;
    }

private:
    std::string path_;
};

}  // namespace

TEST(Robustness, OpenedFileReadsLikeTheSameBytesInMemory) {
    Rng rng(53);
    TempFile temp;
    const auto seeds = FileSeeds();
    for (int round = 0; round < Cases(160); ++round) {
        const Bytes data = Mutate(seeds[Below(rng, seeds.size())], rng);
        SCOPED_TRACE("round " + std::to_string(round) + ", " + Describe(data));
        auto opened = core::InputFile::Open(temp.write(data));
        ASSERT_TRUE(opened);
        auto memory = core::InputFile::FromBytes(data);
        const PathResult fromFile = CheckScans(*opened, nullptr);
        const PathResult fromMemory = CheckScans(memory, nullptr);
        EXPECT_EQ(fromFile.kind, fromMemory.kind);
        EXPECT_EQ(fromFile.firstFrame, fromMemory.firstFrame);
        ExpectSameColumns(fromFile.quick, fromMemory.quick);
        ExpectSameColumns(fromFile.full, fromMemory.full);
        if (HasFailure()) return;
    }
}

TEST(Robustness, ReadsOfAnySizeAtAnyPositionGetWhatTheFileHolds) {
    // Larger than the read cache, so reads cross and exceed its window.
    Rng rng(59);
    const Bytes data = RandomBytes(rng, 300 * 1024);
    TempFile temp;
    auto opened = core::InputFile::Open(temp.write(data));
    ASSERT_TRUE(opened);
    auto memory = core::InputFile::FromBytes(data);
    for (int round = 0; round < 400; ++round) {
        const std::uint64_t position = Below(rng, data.size() + 16);
        const std::size_t n = Chance(rng, 30) ? Below(rng, 200 * 1024) : Below(rng, 64);
        if (Chance(rng, 70)) {
            opened->seek(position);
            memory.seek(position);
        }
        SCOPED_TRACE("read " + std::to_string(n) + " at " + std::to_string(opened->position()));
        Bytes a(n), b(n);
        const std::size_t gotA = opened->read(a.data(), n);
        const std::size_t gotB = memory.read(b.data(), n);
        const std::uint64_t at = opened->position() - gotA;
        ASSERT_EQ(gotA, gotB);
        // Fewer bytes than asked only at the end of the file.
        EXPECT_EQ(gotA, at < data.size() ? std::min<std::uint64_t>(n, data.size() - at) : 0);
        EXPECT_TRUE(std::equal(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(gotA), b.begin()));
        EXPECT_EQ(opened->position(), memory.position());
        if (HasFailure()) return;
    }
}
