// Stored ZIP and LZH archives: checksums, DOS date-times, the exact bytes of
// both writers, write-then-list round trips behind a head tag, refusals that
// write nothing, and listings of damaged archives and foreign indexes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/Id3v2Reader.h"
#include "core/InputFile.h"
#include "pack/ArchiveListing.h"
#include "pack/Crc16.h"
#include "pack/Crc32.h"
#include "pack/DosDateTime.h"
#include "pack/LzhWriter.h"
#include "pack/ZipWriter.h"
#include "support/ByteBuilder.h"
#include "support/MemorySink.h"

namespace quilto::pack {
void PrintTo(const ArchiveMember& m, std::ostream* out) {
    *out << "{\"" << m.name << "\", " << m.start << ".." << m.end << ", 0x" << std::hex << m.dosDateTime << std::dec << "}";
}
}  // namespace quilto::pack

using namespace quilto;
using pack::ArchiveError;
using pack::ArchiveFormat;
using pack::ArchiveMember;
using test::ByteBuilder;
using test::MemorySink;

namespace {

core::Bytes ToBytes(std::string_view text) { return core::Bytes(text.begin(), text.end()); }

// Runs a test in a fixed time zone, so local DOS date-times have one meaning.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) saved_ = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ScopedTimeZone() {
        if (saved_) ::setenv("TZ", saved_->c_str(), 1);
        else ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> saved_;
};

// 2004-01-01 12:00:00.
constexpr std::uint32_t kNewYearNoon = 0x30216000;
// Its time stamp when that is local time in UTC+9.
constexpr std::uint32_t kNewYearNoonJst = 1072926000;

// Gives other bytes on every read after the first: a file that changes
// between the checksum pass and the copy.
class ChangingSource final : public pack::MemberSource {
public:
    std::uint64_t size() const override { return 3; }
    bool read(const Consumer& consume) const override {
        const core::Bytes data = reads_++ == 0 ? ToBytes("abc") : ToBytes("abd");
        return consume(data);
    }

private:
    mutable int reads_ = 0;
};

// Claims a size without ever handing out data.
class SizedSource final : public pack::MemberSource {
public:
    explicit SizedSource(std::uint64_t size) : size_(size) {}
    std::uint64_t size() const override { return size_; }
    bool read(const Consumer&) const override { return false; }

private:
    std::uint64_t size_;
};

// Test names of labelled cases.
template <typename Case>
std::string LabelOf(const ::testing::TestParamInfo<Case>& p) {
    return p.param.label;
}

ArchiveError WriteMember(pack::ArchiveWriter& writer, MemorySink& sink, std::string_view name, std::string_view data,
                         std::uint32_t dosDateTime = kNewYearNoon) {
    const core::Bytes bytes = ToBytes(data);
    return writer.writeMember(sink, name, dosDateTime, pack::BytesSource(bytes));
}

}  // namespace

// ---------------------------------------------------------------- checksums

struct ChecksumCase {
    std::string text;
    std::uint16_t crc16;
    std::uint32_t crc32;
};

class Checksums : public ::testing::TestWithParam<ChecksumCase> {};

TEST_P(Checksums, MatchTheKnownValuesWholeAndInPieces) {
    const core::Bytes data = ToBytes(GetParam().text);
    EXPECT_EQ(pack::Crc16(data), GetParam().crc16);
    EXPECT_EQ(pack::Crc32(data), GetParam().crc32);
    // Streamed members are checksummed chunk by chunk.
    for (std::size_t cut = 0; cut <= data.size(); ++cut) {
        const core::ByteView all(data);
        EXPECT_EQ(pack::Crc16Update(pack::Crc16(all.first(cut)), all.subspan(cut)), GetParam().crc16) << cut;
        EXPECT_EQ(pack::Crc32Update(pack::Crc32(all.first(cut)), all.subspan(cut)), GetParam().crc32) << cut;
    }
}

INSTANTIATE_TEST_SUITE_P(Archive, Checksums,
                         ::testing::Values(ChecksumCase{"", 0x0000, 0x00000000},
                                           ChecksumCase{"abc", 0x9738, 0x352441C2},
                                           ChecksumCase{"123456789", 0xBB3D, 0xCBF43926},
                                           // Long enough for the sixteen-byte steps, with every tail length.
                                           ChecksumCase{[] {
                                                            std::string text;
                                                            for (int i = 0; i < 7; ++i) {
                                                                text += "The quick brown fox jumps over the lazy dog. ";
                                                            }
                                                            return text;
                                                        }(),
                                                        0xE7DB, 0x653FC40E}));

// ----------------------------------------------------------- DOS date-times

TEST(DosDateTime, LocalTimeInUtcPlusNine) {
    ScopedTimeZone zone("JST-9");
    EXPECT_EQ(pack::UnixFromDosDateTime(kNewYearNoon), kNewYearNoonJst);
    EXPECT_EQ(pack::DosDateTimeFromUnix(kNewYearNoonJst), kNewYearNoon);
    EXPECT_EQ(pack::DosDateTimeFromUnix(kNewYearNoonJst + 1), kNewYearNoon);  // two-second steps
}

TEST(DosDateTime, DatesOutsideTheFormatAreClamped) {
    ScopedTimeZone zone("UTC0");
    struct Case {
        std::int64_t seconds;
        std::uint32_t dos;
    };
    for (const Case& c : {Case{0, pack::kDosEpoch}, Case{-86400, pack::kDosEpoch},
                          Case{315532799, pack::kDosEpoch},  // 1979-12-31 23:59:59
                          Case{315532800, pack::kDosEpoch},  // 1980-01-01 00:00:00
                          Case{4354819200, 0xFF9FBF7Du}}) {  // 2108-01-01: the last DOS second
        EXPECT_EQ(pack::DosDateTimeFromUnix(c.seconds), c.dos) << c.seconds;
    }
    for (const std::uint32_t unset : {0u, 0x0000FFFFu, 0x00200000u, 0x00010000u, 0x01A10000u}) {
        EXPECT_EQ(pack::NormalizeDosDateTime(unset), pack::kDosEpoch) << std::hex << unset;
    }
    EXPECT_EQ(pack::NormalizeDosDateTime(kNewYearNoon), kNewYearNoon);
}

// ------------------------------------------------------------- LZH layout

TEST(LzhWriter, WritesTheMemberByteForByte) {
    ScopedTimeZone zone("JST-9");
    pack::LzhWriter writer;
    MemorySink sink;
    ASSERT_EQ(WriteMember(writer, sink, "A.mp3", "abc"), ArchiveError::None);
    ASSERT_EQ(writer.finish(sink), ArchiveError::None);
    const core::Bytes expected = ByteBuilder()
                                     .u16le(34)                // header size 26 + 5 + 3
                                     .text("-lh0-")            // stored
                                     .u32le(3)                 // stored size
                                     .u32le(3)                 // original size
                                     .u32le(kNewYearNoonJst)   // time stamp, UTC
                                     .u8(0x20)                 // attribute
                                     .u8(2)                    // header level
                                     .u16le(0x9738)            // CRC-16 of "abc"
                                     .u8('M')                  // MS-DOS
                                     .u16le(8)                 // name extended header size
                                     .u8(1)                    // type: file name
                                     .text("A.mp3")            // name
                                     .u16le(0)                 // end of the chain
                                     .text("abc")              // data
                                     .u8(0x00);                // archive end
    EXPECT_EQ(sink.bytes, expected);
}

struct PadCase {
    std::size_t nameLength;
    std::size_t headerSize;
    bool pad;
};

class LzhPadByte : public ::testing::TestWithParam<PadCase> {};

// A header size whose low byte is 0 would read as the archive's end byte.
TEST_P(LzhPadByte, RaisesAHeaderSizeWithALowByteOfZero) {
    const PadCase c = GetParam();
    pack::LzhWriter writer;
    MemorySink sink;
    const std::string name(c.nameLength, 'n');
    ASSERT_EQ(WriteMember(writer, sink, name, "xyz"), ArchiveError::None);
    ASSERT_EQ(sink.bytes.size(), c.headerSize + 3);
    EXPECT_EQ(sink.bytes[0] | (sink.bytes[1] << 8), static_cast<int>(c.headerSize));
    EXPECT_EQ(sink.bytes[24] | (sink.bytes[25] << 8), static_cast<int>(c.nameLength + 3));
    const std::size_t chainEnd = 27 + c.nameLength;
    EXPECT_EQ(sink.bytes[chainEnd], 0);
    EXPECT_EQ(sink.bytes[chainEnd + 1], 0);
    EXPECT_EQ(chainEnd + 2 + (c.pad ? 1 : 0), c.headerSize);
    if (c.pad) {
        EXPECT_EQ(sink.bytes[chainEnd + 2], 0x00);
    }
    EXPECT_EQ(std::string(sink.bytes.end() - 3, sink.bytes.end()), "xyz");
}

INSTANTIATE_TEST_SUITE_P(Archive, LzhPadByte,
                         ::testing::Values(PadCase{226, 255, false}, PadCase{227, 257, true},
                                           PadCase{228, 257, false}, PadCase{483, 513, true},
                                           PadCase{pack::kLzhMaxNameBytes, 0xFFFF, false}));

// ------------------------------------------------------------- ZIP layout

// Builds the expected header fields shared by local and central headers.
void CommonZipFields(ByteBuilder& b, std::uint32_t crc, std::uint32_t size) {
    b.u16le(10)                    // version needed
        .u16le(0)                  // flags: no UTF-8 flag
        .u16le(0)                  // method: stored
        .u16le(0x6000)             // DOS time 12:00:00
        .u16le(0x3021)             // DOS date 2004-01-01
        .u32le(crc)                // CRC-32
        .u32le(size)               // compressed size
        .u32le(size)               // uncompressed size
        .u16le(5)                  // name length
        .u16le(0);                 // extra length
}

TEST(ZipWriter, WritesOffsetsFromTheArchiveBase) {
    MemorySink sink(core::Bytes(1000, 0xEE));  // a head tag in front
    pack::ZipWriter writer;
    ASSERT_EQ(writer.start(sink.position()), ArchiveError::None);
    ASSERT_EQ(WriteMember(writer, sink, "A.mp3", "abc"), ArchiveError::None);
    ASSERT_EQ(WriteMember(writer, sink, "B.mp3", ""), ArchiveError::None);
    ASSERT_EQ(writer.finish(sink), ArchiveError::None);

    ByteBuilder b;
    b.fill(1000, 0xEE);
    b.u32le(0x04034B50);  // local header A, relative offset 0
    CommonZipFields(b, 0x352441C2, 3);
    b.text("A.mp3").text("abc");
    b.u32le(0x04034B50);  // local header B, relative offset 38
    CommonZipFields(b, 0, 0);
    b.text("B.mp3");
    for (const std::uint32_t offset : {0u, 38u}) {  // central directory at relative 73
        b.u32le(0x02014B50).u8(23).u8(11);  // version made by, host
        CommonZipFields(b, offset == 0 ? 0x352441C2 : 0, offset == 0 ? 3 : 0);
        b.u16le(0)            // comment length
            .u16le(0)         // disk number
            .u16le(0)         // internal attributes
            .u32le(0)         // external attributes
            .u32le(offset)    // local header offset from the base
            .text(offset == 0 ? "A.mp3" : "B.mp3");
    }
    b.u32le(0x06054B50)  // end of central directory
        .u16le(0)        // this disk
        .u16le(0)        // directory disk
        .u16le(2)        // entries on this disk
        .u16le(2)        // entries
        .u32le(102)      // directory size 2 × (46 + 5)
        .u32le(73)       // directory offset from the base
        .u16le(0);       // comment length
    EXPECT_EQ(sink.bytes, b.bytes());
}

// ------------------------------------------------------------- round trips

struct RoundTripMember {
    std::string name;
    std::size_t size;
};

class ArchiveRoundTrip : public ::testing::TestWithParam<ArchiveFormat> {};

TEST_P(ArchiveRoundTrip, ListsWhatWasWrittenAtExactOffsets) {
    ScopedTimeZone zone("JST-9");
    const ArchiveFormat format = GetParam();
    const std::vector<RoundTripMember> written = {
        {"Track 01.mp3", 417}, {"\xE3\x83\x88\xE3\x83\xA9\xE3\x83\x83\xE3\x82\xAF 02.mp3", 0},  // "トラック 02.mp3"
        {std::string(227, 'L'), 5000}, {"Track 04.mp3", 1}};
    constexpr std::uint64_t kBase = 1000;
    MemorySink sink(core::Bytes(kBase, 0x11));
    core::TextCodec codec("CP932");
    auto writer = pack::MakeArchiveWriter(format, &codec);
    ASSERT_EQ(writer->start(kBase), ArchiveError::None);

    std::vector<ArchiveMember> expected;
    std::uint64_t at = kBase;
    for (std::size_t i = 0; i < written.size(); ++i) {
        core::Bytes data(written[i].size);
        for (std::size_t k = 0; k < data.size(); ++k) data[k] = static_cast<std::uint8_t>(k * 7 + i);
        const std::uint32_t date = kNewYearNoon + static_cast<std::uint32_t>(i);  // 2-second steps
        ASSERT_EQ(pack::WriteArchiveMember(*writer, sink, written[i].name, date, pack::BytesSource(data)),
                  ArchiveError::None);
        const std::size_t nameBytes = codec.encode(written[i].name).bytes.size();
        std::uint64_t header = 30 + nameBytes;
        if (format == ArchiveFormat::Lzh) {
            header = 29 + nameBytes;
            if ((header & 0xFF) == 0) ++header;
        }
        expected.push_back({written[i].name, at + header, at + header + data.size(), date});
        at += header + data.size();
        EXPECT_EQ(core::Bytes(sink.bytes.begin() + static_cast<std::ptrdiff_t>(at - data.size()),
                              sink.bytes.begin() + static_cast<std::ptrdiff_t>(at)),
                  data);
    }
    ASSERT_EQ(writer->finish(sink), ArchiveError::None);
    sink.bytes.insert(sink.bytes.end(), 128, 0x54);  // an ID3v1 block behind the archive

    core::InputFile file = core::InputFile::FromBytes(sink.bytes);
    file.seek(kBase);
    const auto listed = format == ArchiveFormat::Zip ? pack::ListZipMembers(file, codec)
                                                     : pack::ListLzhMembers(file, codec);
    EXPECT_EQ(listed, expected);
    // ZIP stops at the central directory, LZH at its end byte.
    EXPECT_EQ(file.position(), at);
}

INSTANTIATE_TEST_SUITE_P(Archive, ArchiveRoundTrip, ::testing::Values(ArchiveFormat::Lzh, ArchiveFormat::Zip),
                         [](const ::testing::TestParamInfo<ArchiveFormat>& p) {
                             return p.param == ArchiveFormat::Zip ? "Zip" : "Lzh";
                         });

TEST(ArchiveWriter, DatesBefore1980AreWrittenAs1980) {
    ScopedTimeZone zone("JST-9");
    MemorySink zipSink;
    pack::ZipWriter zip;
    ASSERT_EQ(zip.start(0), ArchiveError::None);
    ASSERT_EQ(WriteMember(zip, zipSink, "A.mp3", "abc", 0), ArchiveError::None);
    EXPECT_EQ(zipSink.bytes[10] | (zipSink.bytes[11] << 8), 0);       // time 00:00:00
    EXPECT_EQ(zipSink.bytes[12] | (zipSink.bytes[13] << 8), 0x0021);  // date 1980-01-01

    MemorySink lzhSink;
    pack::LzhWriter lzh;
    ASSERT_EQ(WriteMember(lzh, lzhSink, "A.mp3", "abc", 0), ArchiveError::None);
    const std::uint32_t stamp = lzhSink.bytes[15] | (lzhSink.bytes[16] << 8) | (lzhSink.bytes[17] << 16) |
                                (std::uint32_t{lzhSink.bytes[18]} << 24);
    EXPECT_EQ(stamp, 315500400u);  // 1980-01-01 00:00:00 in UTC+9
}

TEST(ArchiveWriter, StreamsFileRegionsInChunks) {
    core::Bytes file(100);
    for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<std::uint8_t>(i);
    const core::InputFile input = core::InputFile::FromBytes(file);
    // A kept tag at 10..19, then the audio at 50..89, read three bytes at a time.
    const pack::FileRegionsSource source(input, {{10, 10}, {50, 40}}, 3);
    core::Bytes joined(file.begin() + 10, file.begin() + 20);
    joined.insert(joined.end(), file.begin() + 50, file.begin() + 90);
    ASSERT_EQ(source.size(), 50u);

    for (const ArchiveFormat format : {ArchiveFormat::Lzh, ArchiveFormat::Zip}) {
        MemorySink streamed;
        MemorySink whole;
        auto a = pack::MakeArchiveWriter(format);
        auto b = pack::MakeArchiveWriter(format);
        ASSERT_EQ(a->start(0), ArchiveError::None);
        ASSERT_EQ(b->start(0), ArchiveError::None);
        ASSERT_EQ(a->writeMember(streamed, "T.mp3", kNewYearNoon, source), ArchiveError::None);
        ASSERT_EQ(b->writeMember(whole, "T.mp3", kNewYearNoon, pack::BytesSource(joined)), ArchiveError::None);
        EXPECT_EQ(streamed.bytes, whole.bytes);
    }
}

// ---------------------------------------------------------------- refusals

struct RefusalCase {
    std::string label;
    ArchiveFormat format;
    ArchiveError error;
    // Prepares the writer and the sink, then makes the refused call.
    std::function<ArchiveError(pack::ArchiveWriter&, MemorySink&)> call;
    std::uint64_t origin = 0;
};

class ArchiveRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(ArchiveRefusal, WritesNothing) {
    const RefusalCase& c = GetParam();
    MemorySink sink(core::Bytes(16, 0xAB), c.origin);
    auto writer = pack::MakeArchiveWriter(c.format);
    EXPECT_EQ(c.call(*writer, sink), c.error);
    EXPECT_EQ(sink.bytes, core::Bytes(16, 0xAB));
}

ArchiveError StartedMember(pack::ArchiveWriter& w, MemorySink& s, std::string_view name, std::uint64_t size,
                           std::uint64_t base = 16) {
    w.start(base);
    if (size == 3) return WriteMember(w, s, name, "abc");
    return w.writeMember(s, name, kNewYearNoon, SizedSource(size));
}

INSTANTIATE_TEST_SUITE_P(
    Archive, ArchiveRefusal,
    ::testing::Values(
        RefusalCase{"LzhEmptyName", ArchiveFormat::Lzh, ArchiveError::EmptyName,
                    [](auto& w, auto& s) { return StartedMember(w, s, "", 3); }},
        RefusalCase{"ZipEmptyName", ArchiveFormat::Zip, ArchiveError::EmptyName,
                    [](auto& w, auto& s) { return StartedMember(w, s, "", 3); }},
        RefusalCase{"LzhNameTooLong", ArchiveFormat::Lzh, ArchiveError::NameTooLong,
                    [](auto& w, auto& s) { return StartedMember(w, s, std::string(pack::kLzhMaxNameBytes + 1, 'n'), 3); }},
        RefusalCase{"ZipNameTooLong", ArchiveFormat::Zip, ArchiveError::NameTooLong,
                    [](auto& w, auto& s) { return StartedMember(w, s, std::string(0x10000, 'n'), 3); }},
        RefusalCase{"LzhSizeOver4GiB", ArchiveFormat::Lzh, ArchiveError::TooLarge,
                    [](auto& w, auto& s) { return StartedMember(w, s, "A.mp3", 0x100000000); }},
        RefusalCase{"ZipSizeOver4GiB", ArchiveFormat::Zip, ArchiveError::TooLarge,
                    [](auto& w, auto& s) { return StartedMember(w, s, "A.mp3", 0x100000000); }},
        // The member would fit, but the central directory behind it would not.
        RefusalCase{"ZipEndPast4GiB", ArchiveFormat::Zip, ArchiveError::TooLarge,
                    [](auto& w, auto& s) { return StartedMember(w, s, "A.mp3", 0xFFFFFFFF - 30 - 5 + 1); }},
        RefusalCase{"ZipOffsetOver4GiB", ArchiveFormat::Zip, ArchiveError::TooLarge,
                    [](auto& w, auto& s) { return StartedMember(w, s, "A.mp3", 3, 0); }, 0xFFFFFFF0},
        RefusalCase{"ZipDirectoryOffsetOver4GiB", ArchiveFormat::Zip, ArchiveError::TooLarge,
                    [](auto& w, auto& s) {
                        w.start(0);
                        return w.finish(s);
                    },
                    0x100000000},
        RefusalCase{"ZipMemberWithoutStart", ArchiveFormat::Zip, ArchiveError::NotStarted,
                    [](auto& w, auto& s) { return WriteMember(w, s, "A.mp3", "abc"); }},
        RefusalCase{"ZipFinishWithoutStart", ArchiveFormat::Zip, ArchiveError::NotStarted,
                    [](auto& w, auto& s) { return w.finish(s); }},
        RefusalCase{"ZipSinkBehindTheBase", ArchiveFormat::Zip, ArchiveError::NotStarted,
                    [](auto& w, auto& s) { return StartedMember(w, s, "A.mp3", 3, 5000); }},
        RefusalCase{"ZipFinishTwice", ArchiveFormat::Zip, ArchiveError::NotStarted,
                    [](auto& w, auto& s) {
                        w.start(16);
                        MemorySink elsewhere({}, 16);
                        w.finish(elsewhere);
                        return w.finish(s);
                    }}),
    LabelOf<RefusalCase>);

// A base far beyond 4 GiB is fine: every stored offset counts from it.
TEST(ZipWriter, BaseBeyond4GiB) {
    MemorySink sink({}, 0x123456789);
    pack::ZipWriter writer;
    ASSERT_EQ(writer.start(sink.position()), ArchiveError::None);
    ASSERT_EQ(WriteMember(writer, sink, "A.mp3", "abc"), ArchiveError::None);
    ASSERT_EQ(writer.finish(sink), ArchiveError::None);
    const auto end = sink.bytes.end() - 22;
    EXPECT_EQ(end[16] | (end[17] << 8) | (end[18] << 16) | (end[19] << 24), 38);  // directory offset
}

TEST(ZipWriter, HoldsAtMost65535Members) {
    MemorySink sink;
    pack::ZipWriter writer;
    ASSERT_EQ(writer.start(0), ArchiveError::None);
    for (std::size_t i = 0; i < pack::kZipMaxMembers; ++i) {
        ASSERT_EQ(WriteMember(writer, sink, "x", ""), ArchiveError::None) << i;
    }
    const std::size_t before = sink.bytes.size();
    EXPECT_EQ(WriteMember(writer, sink, "x", ""), ArchiveError::TooManyMembers);
    EXPECT_EQ(sink.bytes.size(), before);
    ASSERT_EQ(writer.finish(sink), ArchiveError::None);
    const auto end = sink.bytes.end() - 22;
    EXPECT_EQ(end[8] | (end[9] << 8), 0xFFFF);
    EXPECT_EQ(end[10] | (end[11] << 8), 0xFFFF);
}

// ------------------------------------------------------ failures mid-write

struct FailureCase {
    std::string label;
    ArchiveFormat format;
    std::size_t capacity;  // bytes the sink takes before refusing
    bool changing = false;
    ArchiveError error;
};

class ArchiveFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(ArchiveFailure, IsReported) {
    const FailureCase& c = GetParam();
    MemorySink sink;
    sink.capacity = c.capacity;
    auto writer = pack::MakeArchiveWriter(c.format);
    ASSERT_EQ(writer->start(0), ArchiveError::None);
    ArchiveError error = c.changing ? writer->writeMember(sink, "A.mp3", kNewYearNoon, ChangingSource())
                                    : WriteMember(*writer, sink, "A.mp3", "abc");
    if (error == ArchiveError::None) error = writer->finish(sink);
    EXPECT_EQ(error, c.error);
}

INSTANTIATE_TEST_SUITE_P(
    Archive, ArchiveFailure,
    ::testing::Values(FailureCase{"LzhHeader", ArchiveFormat::Lzh, 10, false, ArchiveError::WriteFailed},
                      FailureCase{"LzhData", ArchiveFormat::Lzh, 34, false, ArchiveError::WriteFailed},
                      FailureCase{"LzhEndByte", ArchiveFormat::Lzh, 37, false, ArchiveError::WriteFailed},
                      FailureCase{"ZipHeader", ArchiveFormat::Zip, 0, false, ArchiveError::WriteFailed},
                      FailureCase{"ZipData", ArchiveFormat::Zip, 36, false, ArchiveError::WriteFailed},
                      FailureCase{"ZipDirectory", ArchiveFormat::Zip, 60, false, ArchiveError::WriteFailed},
                      FailureCase{"ZipEndRecord", ArchiveFormat::Zip, 38 + 51 + 21, false, ArchiveError::WriteFailed},
                      FailureCase{"LzhDataChanged", ArchiveFormat::Lzh, SIZE_MAX, true, ArchiveError::DataChanged},
                      FailureCase{"ZipDataChanged", ArchiveFormat::Zip, SIZE_MAX, true, ArchiveError::DataChanged}),
    LabelOf<FailureCase>);

TEST(ArchiveWriter, AShortSourceIsAReadFailureBeforeAnyByte) {
    const core::InputFile input = core::InputFile::FromBytes(core::Bytes(50, 1));
    const pack::FileRegionsSource pastTheEnd(input, {{40, 20}});
    for (const ArchiveFormat format : {ArchiveFormat::Lzh, ArchiveFormat::Zip}) {
        MemorySink sink;
        auto writer = pack::MakeArchiveWriter(format);
        ASSERT_EQ(writer->start(0), ArchiveError::None);
        EXPECT_EQ(writer->writeMember(sink, "A.mp3", kNewYearNoon, pastTheEnd), ArchiveError::ReadFailed);
        EXPECT_TRUE(sink.bytes.empty());
    }
}

// ------------------------------------------------------------ damaged input

struct DamageCase {
    std::string file;  // in the hostile corpus
    enum Reader { Lzh, Zip, Wrap } reader;
    std::vector<std::string> names;
};

class DamagedArchive : public ::testing::TestWithParam<DamageCase> {};

// Each file holds sound members and then damage: the sound ones stay listed,
// and nothing listed reaches past the file.
TEST_P(DamagedArchive, KeepsWhatCameBeforeTheDamage) {
    const DamageCase& c = GetParam();
    const std::filesystem::path path = std::filesystem::path(QUILTO_HOSTILE_DIR) / c.file;
    std::string error;
    auto file = core::InputFile::Open(path.string(), &error);
    ASSERT_TRUE(file) << path << ": " << error << " (run tests/hostile/make_hostile.py)";
    file->seek(core::TagLength(file->readBytesAt(0, core::kId3v2HeaderSize)));
    const auto members = c.reader == DamageCase::Lzh   ? pack::ListLzhMembers(*file)
                         : c.reader == DamageCase::Zip ? pack::ListZipMembers(*file)
                                                       : pack::ListWrapMembers(*file);
    std::vector<std::string> names;
    for (const auto& member : members) {
        names.push_back(member.name);
        EXPECT_LE(member.start, member.end);
        EXPECT_LE(member.end, file->size());
    }
    EXPECT_EQ(names, c.names);
}

INSTANTIATE_TEST_SUITE_P(
    Archive, DamagedArchive,
    ::testing::Values(DamageCase{"lzh_header_size_ten.mp3", DamageCase::Lzh, {"Good.mp3"}},
                      DamageCase{"lzh_ext_header_loop.mp3", DamageCase::Lzh, {"Good.mp3"}},
                      DamageCase{"lzh_ext_header_past_header.mp3", DamageCase::Lzh, {"Good.mp3"}},
                      DamageCase{"lzh_level_one.mp3", DamageCase::Lzh, {"Good.mp3"}},
                      DamageCase{"lzh_size_past_end.mp3", DamageCase::Lzh, {"Good.mp3"}},
                      DamageCase{"lzh_header_size_far.mp3", DamageCase::Lzh, {}},
                      DamageCase{"lzh_method_cut.mp3", DamageCase::Lzh, {}},
                      DamageCase{"zip_deflated_member.mp3", DamageCase::Zip, {"Good.mp3"}},
                      DamageCase{"zip_data_descriptor_flag.mp3", DamageCase::Zip, {"Good.mp3"}},
                      DamageCase{"zip_size_past_end.mp3", DamageCase::Zip, {"Good.mp3"}},
                      DamageCase{"zip_name_past_end.mp3", DamageCase::Zip, {"Good.mp3"}},
                      DamageCase{"zip_signature_no_audio.mp3", DamageCase::Zip, {}},
                      DamageCase{"foreign_index_garbage.mp3", DamageCase::Wrap, {"Good.mp3"}},
                      DamageCase{"foreign_index_huge_numbers.mp3", DamageCase::Wrap, {"Huge.mp3"}},
                      DamageCase{"foreign_index_cut.mp3", DamageCase::Wrap, {}}),
    [](const ::testing::TestParamInfo<DamageCase>& p) {
        std::string name = p.param.file.substr(0, p.param.file.find('.'));
        std::erase(name, '_');
        return name;
    });

TEST(ListZipMembers, SkipsANamelessMember) {
    const core::Bytes bytes = ByteBuilder()
                                  .u32le(0x04034B50).u16le(10).u16le(0).u16le(0)  // signature, version, flags, method
                                  .u16le(0).u16le(0x21).u32le(0)                  // time, date, CRC
                                  .u32le(2).u32le(2).u16le(0).u16le(1)            // sizes, no name, 1 extra byte
                                  .u8(0xEE).text("zz")                            // extra, data
                                  .u32le(0x04034B50).u16le(10).u16le(0).u16le(0)
                                  .u16le(0x6000).u16le(0x3021).u32le(0)
                                  .u32le(1).u32le(1).u16le(1).u16le(0)
                                  .text("N").text("d");
    core::InputFile file = core::InputFile::FromBytes(bytes);
    EXPECT_EQ(pack::ListZipMembers(file), (std::vector<ArchiveMember>{{"N", 64, 65, kNewYearNoon}}));
}

// ------------------------------------------------------------ foreign index

core::Bytes ForeignIndex(const std::string& count, const std::vector<std::string>& records, std::size_t tail) {
    ByteBuilder b;
    b.text(count).padTo(pack::kWrapCountSize, ' ');
    for (const auto& record : records) b.text(record).fill(pack::kWrapRecordSize - record.size(), ' ');
    b.fill(tail, 0x55);
    return b.bytes();
}

TEST(ListWrapMembers, MovesTheFirstMemberBehindTheIndex) {
    const core::Bytes bytes = ForeignIndex("2", {"0.0003[][]5.0[][]  One.mp3 ", "0.0002[][]5.0003[][]Two.mp3"}, 5);
    core::InputFile file = core::InputFile::FromBytes(bytes);
    constexpr std::uint64_t kIndexEnd = 12 + 2 * 501;
    EXPECT_EQ(pack::ListWrapMembers(file), (std::vector<ArchiveMember>{{"One.mp3", kIndexEnd, kIndexEnd + 3, 0},
                                                                      {"Two.mp3", kIndexEnd + 3, kIndexEnd + 5, 0}}));
    EXPECT_EQ(file.position(), kIndexEnd);
}

struct WrapNumberCase {
    std::string text;
    std::optional<std::uint64_t> length;  // nothing: the record does not parse
};

class WrapNumbers : public ::testing::TestWithParam<WrapNumberCase> {};

TEST_P(WrapNumbers, CountInTenThousandBytes) {
    constexpr std::size_t kTail = 200'000;
    const core::Bytes bytes = ForeignIndex("1", {GetParam().text + "[][]0.0[][]M.mp3"}, kTail);
    core::InputFile file = core::InputFile::FromBytes(bytes);
    const auto members = pack::ListWrapMembers(file);
    if (!GetParam().length) {
        EXPECT_TRUE(members.empty());
        return;
    }
    ASSERT_EQ(members.size(), 1u);
    EXPECT_EQ(members[0].start, 12u + 501);
    // Clamped to the file.
    EXPECT_EQ(members[0].end - members[0].start, std::min<std::uint64_t>(*GetParam().length, kTail));
}

INSTANTIATE_TEST_SUITE_P(Archive, WrapNumbers,
                         ::testing::Values(WrapNumberCase{"12.5", 125'000}, WrapNumberCase{"0.0017", 17},
                                           WrapNumberCase{".5", 5'000}, WrapNumberCase{"3.", 30'000},
                                           WrapNumberCase{" 1.0 ", 10'000},
                                           WrapNumberCase{"18446744073709551616.9999", 200'000},
                                           WrapNumberCase{"1.00005", std::nullopt},
                                           WrapNumberCase{"-1.0", std::nullopt},
                                           WrapNumberCase{"0x10.0", std::nullopt},
                                           WrapNumberCase{"10", std::nullopt}));

TEST(ListWrapMembers, ACountThatIsNoNumberListsNothing) {
    for (const std::string count : {"", "two", "-1", "1e3"}) {
        const core::Bytes bytes = ForeignIndex(count, {"0.0001[][]0.0[][]M.mp3"}, 1);
        core::InputFile file = core::InputFile::FromBytes(bytes);
        EXPECT_TRUE(pack::ListWrapMembers(file).empty()) << count;
    }
}
