// Reading ID3v2 tags (2.2, 2.3, 2.4) into the thirteen texts, and the size
// encodings the tag formats share.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <vector>

#include "core/GenreTable.h"
#include "core/Id3v2Reader.h"
#include "core/SizeCodec.h"
#include "core/Utf.h"
#include "support/MpegBuilder.h"

using namespace quilto;
using core::GenreTable;
using core::Id3v2Record;
using test::ByteBuilder;
using test::Id3Frame;
using test::Id3Tag;
using test::TextBody;
using Bytes = std::vector<std::uint8_t>;

// Everything here is file-local: the test files share one binary.
namespace {

constexpr std::uint8_t kLatin = 0;    // legacy code page
constexpr std::uint8_t kUtf16 = 1;    // UTF-16 with byte order mark
constexpr std::uint8_t kUtf16Be = 2;  // UTF-16BE, no mark
constexpr std::uint8_t kUtf8 = 3;

constexpr std::uint16_t kV23Compressed = 0x0080;
constexpr std::uint16_t kV23Grouped = 0x0020;
constexpr std::uint16_t kV24Unsynchronised = 0x0002;
constexpr std::uint16_t kV24DataLength = 0x0001;

constexpr std::uint8_t kTagUnsync = 0x80;
constexpr std::uint8_t kTagExtended = 0x40;

// UTF-16 code units of a text, in the given order, without terminator.
Bytes Utf16(std::u16string_view text, bool bigEndian = false) {
    ByteBuilder b;
    for (const char16_t unit : text) bigEndian ? b.u16be(unit) : b.u16le(unit);
    return b;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) test::Append(out, p);
    return out;
}

// Inserts 00 after every FF, which is what unsynchronisation does to the bytes
// that need it and harmlessly to the others.
Bytes Unsynchronise(const Bytes& in) {
    Bytes out;
    for (const std::uint8_t byte : in) {
        out.push_back(byte);
        if (byte == 0xFF) out.push_back(0x00);
    }
    return out;
}

// An ID3v2.2 frame: 3-character ID and 24-bit size, no flags.
Bytes Frame22(std::string_view id, const Bytes& body) {
    ByteBuilder b;
    b.text(id);                            // frame ID
    b.u24be(std::uint32_t(body.size()));   // frame size
    b.raw(body);
    return b;
}

Id3v2Record Read(const Bytes& tag, const GenreTable& genres = GenreTable()) {
    Id3v2Record record;
    core::ReadId3v2(tag, record, genres);
    return record;
}


// ---------------------------------------------------------------- sizes

struct SizeCase {
    const char* name;
    core::SizeEncoding encoding;
    Bytes bytes;
    std::int64_t value;
};

class DecodeSizes : public ::testing::TestWithParam<SizeCase> {};

TEST_P(DecodeSizes, Value) { EXPECT_EQ(core::DecodeSize(GetParam().encoding, GetParam().bytes), GetParam().value); }

INSTANTIATE_TEST_SUITE_P(
    SizeCodec, DecodeSizes,
    ::testing::Values(SizeCase{"Syncsafe257", core::SizeEncoding::Syncsafe, {0x00, 0x00, 0x02, 0x01}, 257},
                      SizeCase{"SyncsafeMax", core::SizeEncoding::Syncsafe, {0x7F, 0x7F, 0x7F, 0x7F}, (1 << 28) - 1},
                      // Top bits are not masked: the byte counts as signed.
                      SizeCase{"SyncsafeTopBit", core::SizeEncoding::Syncsafe, {0x00, 0x00, 0x00, 0x80}, -128},
                      SizeCase{"SyncsafeTopBitHigh", core::SizeEncoding::Syncsafe, {0xFF, 0x00, 0x00, 0x00}, -(1 << 21)},
                      SizeCase{"Syncsafe16", core::SizeEncoding::Syncsafe, {0x02, 0x2C}, 300},
                      SizeCase{"Plain257", core::SizeEncoding::Plain, {0x00, 0x00, 0x01, 0x01}, 257},
                      SizeCase{"PlainMax", core::SizeEncoding::Plain, {0xFF, 0xFF, 0xFF, 0xFF}, 0xFFFFFFFFll},
                      SizeCase{"Plain24", core::SizeEncoding::Plain, {0x01, 0x00, 0x00}, 65536},
                      SizeCase{"Plain8", core::SizeEncoding::Plain, {0xC8}, 200}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(SizeCodec, EncodeThenDecode) {
    using core::SizeEncoding;
    for (const std::uint32_t value : {0u, 1u, 127u, 128u, 300u, 16383u, 16384u, 0x0FFFFFFFu}) {
        const auto s = core::EncodeSize(SizeEncoding::Syncsafe, value);
        for (const std::uint8_t byte : s) EXPECT_LT(byte, 0x80) << value;
        EXPECT_EQ(core::DecodeSize(SizeEncoding::Syncsafe, s), value);
        EXPECT_EQ(core::DecodeSize(SizeEncoding::Plain, core::EncodeSize(SizeEncoding::Plain, value)), value);
    }
    EXPECT_EQ(core::EncodeSize(SizeEncoding::Syncsafe, 300), (std::array<std::uint8_t, 4>{0x00, 0x00, 0x02, 0x2C}));
    EXPECT_EQ(core::EncodeSize(SizeEncoding::Plain, 0x01020304), (std::array<std::uint8_t, 4>{1, 2, 3, 4}));
    // Two-byte forms (the 16-bit fields of the pack layout).
    EXPECT_EQ(core::EncodeSize(SizeEncoding::Syncsafe, 300, 2), (std::array<std::uint8_t, 4>{0x02, 0x2C, 0, 0}));
    EXPECT_EQ(core::EncodeSize(SizeEncoding::Plain, 300, 2), (std::array<std::uint8_t, 4>{0x01, 0x2C, 0, 0}));
}

TEST(TagLength, FromHeader) {
    const Bytes tag = Id3Tag({}, 3, 0, 300);
    EXPECT_EQ(core::TagLength(tag), 310u);
    EXPECT_EQ(core::TagLength(Id3Tag({})), 10u);
    // Not masked: a writer's non-syncsafe size is taken at face value.
    const Bytes odd = ByteBuilder().text("ID3").u8(3).u8(0).u8(0).raw({0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(core::TagLength(odd), 255u * ((1u << 21) + (1u << 14) + (1u << 7) + 1u) + 10u);
    EXPECT_EQ(core::TagLength(ByteBuilder().text("ID4").fill(7).bytes()), 0u);
    EXPECT_EQ(core::TagLength(ByteBuilder().text("ID3").fill(6).bytes()), 0u);  // fewer than 10 bytes
}

// ---------------------------------------------------------------- encodings

struct EncodingCase {
    const char* name;
    Bytes body;  // the whole TIT2 body, encoding byte first
    const char* title;
};

class TextEncodings : public ::testing::TestWithParam<std::tuple<EncodingCase, unsigned>> {};

TEST_P(TextEncodings, TitleIsDecoded) {
    const auto& [c, version] = GetParam();
    const Bytes tag = Id3Tag({Id3Frame("TIT2", c.body, version),                         // the case
                              Id3Frame("TPE1", TextBody(kLatin, "after"), version)},  // walk goes on
                             version, 0, 20);
    const Id3v2Record r = Read(tag);
    EXPECT_EQ(r.title, c.title);
    EXPECT_EQ(r.artist, "after");
}

INSTANTIATE_TEST_SUITE_P(
    Id3v2, TextEncodings,
    ::testing::Combine(
        ::testing::Values(
            EncodingCase{"Latin", TextBody(kLatin, "Plain"), "Plain"},
            EncodingCase{"ShiftJis",
                         ByteBuilder().u8(kLatin).raw({0x93, 0xFA, 0x96, 0x7B}).raw({0x95, 0x5C}),  // 日本, 表
                         "日本表"},
            EncodingCase{"LatinTrailingNulAndBlanks", TextBody(kLatin, std::string("Padded  \0", 9)), "Padded"},
            EncodingCase{"Utf16LittleEndian",
                         ByteBuilder().u8(kUtf16).raw({0xFF, 0xFE}).raw(Utf16(u"日本 Title")).u16le(0),
                         "日本 Title"},
            EncodingCase{"Utf16BigEndian",
                         ByteBuilder().u8(kUtf16).raw({0xFE, 0xFF}).raw(Utf16(u"日本 Title", true)).u16be(0),
                         "日本 Title"},
            EncodingCase{"Utf16Surrogates",
                         ByteBuilder().u8(kUtf16).raw({0xFF, 0xFE}).raw(Utf16(u"a\U0001F600")),
                         "a\U0001F600"},
            EncodingCase{"Utf16Be", ByteBuilder().u8(kUtf16Be).raw(Utf16(u"日本", true)), "日本"},
            EncodingCase{"Utf8", TextBody(kUtf8, "日本 ü"), "日本 ü"},
            EncodingCase{"Utf8Bom", ByteBuilder().u8(kUtf8).raw({0xEF, 0xBB, 0xBF}).text("日本"), "日本"},
            EncodingCase{"Utf8Invalid", ByteBuilder().u8(kUtf8).text("a").u8(0xFF).text("b"), "a\uFFFDb"}),
        ::testing::Values(3u, 4u)),
    [](const auto& p) { return std::string(std::get<0>(p.param).name) + "V2" + std::to_string(std::get<1>(p.param)); });

TEST(Id3v2Read, UnknownEncodingIsSkippedBySize) {
    // Encoding 4 does not exist; its bytes must neither show up nor derail the walk.
    const Bytes unknown = ByteBuilder()
                              .u8(4)                                           // encoding
                              .raw(Id3Frame("TPE1", TextBody(kLatin, "junk")));  // a frame-shaped decoy
    const Bytes tag = Id3Tag({Id3Frame("TIT2", unknown), Id3Frame("TALB", TextBody(kLatin, "Album"))});
    const Id3v2Record r = Read(tag);
    EXPECT_EQ(r.title, "");
    EXPECT_EQ(r.artist, "");
    EXPECT_EQ(r.album, "Album");
}

TEST(Id3v2Read, Version23TakesFirstStringVersion24JoinsValues) {
    const Bytes twoArtists = TextBody(kLatin, std::string("One\0Two\0", 8));
    EXPECT_EQ(Read(Id3Tag({Id3Frame("TPE1", twoArtists, 3)}, 3)).artist, "One");
    EXPECT_EQ(Read(Id3Tag({Id3Frame("TPE1", twoArtists, 4)}, 4)).artist, "One/Two");
    // Each UTF-16 value may carry its own mark, in either order.
    const Bytes utf16 = ByteBuilder()
                            .u8(kUtf16)                                               // encoding
                            .raw({0xFF, 0xFE}).raw(Utf16(u"Ann")).u16le(0)            // LE value
                            .raw({0xFE, 0xFF}).raw(Utf16(u"Bob", true)).u16be(0);     // BE value
    EXPECT_EQ(Read(Id3Tag({Id3Frame("TPE1", utf16, 4)}, 4)).artist, "Ann/Bob");
}

// ---------------------------------------------------------------- frame IDs

TEST(Id3v2Read, EveryFieldFromItsFrame) {
    std::vector<Bytes> frames;
    for (std::size_t i = 0; i < Id3v2Record::kFieldCount; ++i) {
        const std::string id(core::kId3v2FrameIds[i]);
        const std::string value = "v" + std::to_string(i);
        if (id == "COMM") {
            frames.push_back(Id3Frame(id, ByteBuilder().u8(kLatin).text("eng").u8(0).text(value)));
        } else if (id == "WXXX") {
            frames.push_back(Id3Frame(id, ByteBuilder().u8(kLatin).u8(0).text(value)));
        } else {
            frames.push_back(Id3Frame(id, TextBody(kLatin, value)));
        }
    }
    const Id3v2Record r = Read(Id3Tag(frames));
    for (std::size_t i = 0; i < Id3v2Record::kFieldCount; ++i) EXPECT_EQ(r.field(i), "v" + std::to_string(i)) << i;
    EXPECT_FALSE(r.albumWrap);
    EXPECT_FALSE(r.hasCue);
}

TEST(Id3v2Read, Version22Frames) {
    const std::array<std::string_view, Id3v2Record::kFieldCount> ids = {
        "TP1", "TT2", "TAL", "TRK", "TYE", "COM", "TCO", "TCM", "TOA", "TCR", "WXX", "TEN", "TSS",
    };
    std::vector<Bytes> frames;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const std::string value = "v" + std::to_string(i);
        if (ids[i] == "COM") {
            frames.push_back(Frame22(ids[i], ByteBuilder().u8(kLatin).text("eng").u8(0).text(value)));
        } else if (ids[i] == "WXX") {
            frames.push_back(Frame22(ids[i], ByteBuilder().u8(kLatin).u8(0).text(value)));
        } else {
            frames.push_back(Frame22(ids[i], TextBody(kLatin, value)));
        }
    }
    frames.push_back(Frame22("PIC", Bytes(300, 0xAA)));  // skipped by its 24-bit size
    frames.push_back(Frame22("TT2", ByteBuilder().u8(kUtf16).raw({0xFF, 0xFE}).raw(Utf16(u"日本"))));
    const Id3v2Record r = Read(Id3Tag(frames, 2, 0, 16));
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (i == 1) continue;
        EXPECT_EQ(r.field(i), "v" + std::to_string(i)) << ids[i];
    }
    EXPECT_EQ(r.title, "日本");  // the later frame wins
}

TEST(Id3v2Read, Version22GenreReference) {
    EXPECT_EQ(Read(Id3Tag({Frame22("TCO", TextBody(kLatin, "(13)"))}, 2)).genre, "Pop");
}

TEST(Id3v2Read, Version4FrameIdsAreNotReadInVersion22) {
    // A 2.2 tag walks 6-byte headers; a 2.3-shaped frame inside is not one.
    const Id3v2Record r = Read(Id3Tag({Id3Frame("TIT2", TextBody(kLatin, "wrong"))}, 2));
    EXPECT_EQ(r.title, "");
}

TEST(Id3v2Read, LaterFrameOverwritesEarlier) {
    const Id3v2Record r = Read(Id3Tag({Id3Frame("TIT2", TextBody(kLatin, "first")),  //
                                       Id3Frame("TIT2", TextBody(kLatin, "second"))}));
    EXPECT_EQ(r.title, "second");
}

// ---------------------------------------------------------------- version 2.4

TEST(Id3v2Read, Version24SyncsafeSizeAbove127) {
    const std::string longTitle(200, 'T');
    const Bytes tag = Id3Tag({Id3Frame("TIT2", TextBody(kLatin, longTitle), 4),   // size 201: 00 00 01 49
                              Id3Frame("TPE1", TextBody(kLatin, "Artist"), 4),
                              Id3Frame("TALB", TextBody(kLatin, std::string(1000, 'A')), 4)},
                             4, 0, 64);
    const Id3v2Record r = Read(tag);
    EXPECT_EQ(r.title, longTitle);
    EXPECT_EQ(r.artist, "Artist");
    EXPECT_EQ(r.album, std::string(1000, 'A'));
}

TEST(Id3v2Read, Version24PlainSizesAsSomeWritersStoreThem) {
    // A 2.4 tag whose frame sizes are plain 32-bit (iTunes). 200 = 00 00 00 C8
    // is no syncsafe number; 300 = 00 00 01 2C reads as syncsafe 172, which
    // lands inside the title.
    for (const std::size_t size : {200u, 300u}) {
        const std::string longTitle(size - 1, 't');
        const Bytes tag = Id3Tag({Id3Frame("TIT2", TextBody(kLatin, longTitle), 3),  // plain size
                                  Id3Frame("TPE1", TextBody(kLatin, "Artist"), 3)},
                                 4, 0, 32);
        const Id3v2Record r = Read(tag);
        EXPECT_EQ(r.title, longTitle) << size;
        EXPECT_EQ(r.artist, "Artist") << size;
    }
}

TEST(Id3v2Read, Version24YearFromRecordingTime) {
    EXPECT_EQ(Read(Id3Tag({Id3Frame("TDRC", TextBody(kLatin, "2024-05-01"), 4)}, 4)).year, "2024");
    EXPECT_EQ(Read(Id3Tag({Id3Frame("TDRC", ByteBuilder().u8(kUtf16).raw({0xFF, 0xFE}).raw(Utf16(u"1999")), 4)},
                          4))
                  .year,
              "1999");
    // A year frame wins, wherever it stands.
    EXPECT_EQ(Read(Id3Tag({Id3Frame("TYER", TextBody(kLatin, "1980"), 4),  //
                           Id3Frame("TDRC", TextBody(kLatin, "2024"), 4)},
                          4))
                  .year,
              "1980");
}

TEST(Id3v2Read, Version24RecordingTimeIsCutOnACharacter) {
    // Whatever the date frame holds, the year is whole characters of valid text.
    const Id3v2Record r = Read(Id3Tag({Id3Frame("TDRC", TextBody(kUtf8, "２０２４年"), 4)}, 4));
    EXPECT_TRUE(core::IsValidUtf8(r.year));
    EXPECT_EQ(r.year, "２０２４");
}

TEST(Id3v2Read, Version24FrameUnsynchronisationAndDataLength) {
    // UTF-16 with the mark FF FE: unsynchronisation makes it FF 00 FE.
    const Bytes content = ByteBuilder().u8(kUtf16).raw({0xFF, 0xFE}).raw(Utf16(u"Aÿ"));  // ÿ = FF 00
    const Bytes body = ByteBuilder()
                           .syncsafe32(std::uint32_t(content.size()))  // data length indicator
                           .raw(Unsynchronise(content));
    const Bytes tag = Id3Tag({Id3Frame("TIT2", body, 4, kV24Unsynchronised | kV24DataLength),
                              Id3Frame("TPE1", TextBody(kLatin, "Artist"), 4)},
                             4);
    const Id3v2Record r = Read(tag);
    EXPECT_EQ(r.title, "Aÿ");
    EXPECT_EQ(r.artist, "Artist");
}

TEST(Id3v2Read, Version24DataLengthWithoutUnsynchronisation) {
    const Bytes content = TextBody(kLatin, "Title");
    const Bytes body = ByteBuilder().syncsafe32(std::uint32_t(content.size())).raw(content);
    EXPECT_EQ(Read(Id3Tag({Id3Frame("TIT2", body, 4, kV24DataLength)}, 4)).title, "Title");
}

TEST(Id3v2Read, Version24TagUnsynchronisationAppliesToEveryFrame) {
    const Bytes content = ByteBuilder().u8(kUtf16).raw({0xFF, 0xFE}).raw(Utf16(u"Title"));
    const Bytes tag = Id3Tag({Id3Frame("TIT2", Unsynchronise(content), 4)}, 4, kTagUnsync);
    EXPECT_EQ(Read(tag).title, "Title");
}

// ---------------------------------------------------------------- version 2.3 unsynchronisation

TEST(Id3v2Read, Version23TagUnsynchronisation) {
    // The frame sizes count the bytes before unsynchronisation; the whole
    // tag body is unsynchronised after them.
    const Bytes frames = Cat({
        Id3Frame("TIT2", ByteBuilder().u8(kUtf16).raw({0xFF, 0xFE}).raw(Utf16(u"ÿÿ Title"))),
        Id3Frame("TPE1", ByteBuilder().u8(kUtf16).raw({0xFF, 0xFE}).raw(Utf16(u"Artist"))),
        Id3Frame("TALB", TextBody(kLatin, "Album")),
    });
    const Bytes tag = Id3Tag({Unsynchronise(frames)}, 3, kTagUnsync);
    const Id3v2Record r = Read(tag);
    EXPECT_EQ(r.title, "ÿÿ Title");
    EXPECT_EQ(r.artist, "Artist");
    EXPECT_EQ(r.album, "Album");
}

TEST(Id3v2Read, Version22TagUnsynchronisation) {
    const Bytes frames = Cat({
        Frame22("TT2", ByteBuilder().u8(kUtf16).raw({0xFF, 0xFE}).raw(Utf16(u"Title"))),
        Frame22("TP1", TextBody(kLatin, "Artist")),
    });
    const Id3v2Record r = Read(Id3Tag({Unsynchronise(frames)}, 2, kTagUnsync));
    EXPECT_EQ(r.title, "Title");
    EXPECT_EQ(r.artist, "Artist");
}

// ---------------------------------------------------------------- extended headers

TEST(Id3v2Read, Version23ExtendedHeader) {
    const Bytes extended = ByteBuilder()
                               .u32be(10)          // size without this field
                               .u16be(0x8000)      // flags: CRC present
                               .u32be(0)           // padding size
                               .text("TIT2");      // CRC that looks like a frame ID
    const Bytes tag = Id3Tag({extended,                                       //
                              Id3Frame("TIT2", TextBody(kLatin, "Title")),   // directly after it
                              Id3Frame("TPE1", TextBody(kLatin, "Artist"))},
                             3, kTagExtended);
    const Id3v2Record r = Read(tag);
    EXPECT_EQ(r.title, "Title");
    EXPECT_EQ(r.artist, "Artist");
}

TEST(Id3v2Read, Version24ExtendedHeader) {
    const Bytes extended = ByteBuilder()
                               .syncsafe32(6)  // size including this field
                               .u8(1)          // number of flag bytes
                               .u8(0);         // flags
    const Bytes tag = Id3Tag({extended,  //
                              Id3Frame("TIT2", TextBody(kLatin, "Title"), 4)},
                             4, kTagExtended);
    EXPECT_EQ(Read(tag).title, "Title");
}

TEST(Id3v2Read, ExtendedHeaderContentIsNotReadAsFrames) {
    // An extended header whose (legal, if unusual) size covers a frame-shaped
    // stretch: what it covers is not tag content.
    const Bytes decoy = Id3Frame("TIT2", TextBody(kLatin, "decoy"));
    const Bytes extended = ByteBuilder()
                               .u32be(std::uint32_t(6 + decoy.size()))  // size without this field
                               .u16be(0)                                // flags
                               .u32be(0)                                // padding size
                               .raw(decoy);                             // extension bytes
    const Id3v2Record r = Read(Id3Tag({extended, Id3Frame("TPE1", TextBody(kLatin, "Artist"))}, 3, kTagExtended));
    EXPECT_EQ(r.title, "");
    EXPECT_EQ(r.artist, "Artist");
}

TEST(Id3v2Read, HugeExtendedHeaderSizeIsPassedOver) {
    for (const unsigned version : {3u, 4u}) {
        const Bytes extended = ByteBuilder().raw({0x7F, 0x7F, 0x7F, 0x7F}).u16be(0);  // size far past the tag
        const Bytes tag = Id3Tag({extended, Id3Frame("TIT2", TextBody(kLatin, "Title"), version)}, version,
                                 kTagExtended);
        EXPECT_EQ(Read(tag).title, "Title") << version;
    }
}

// ---------------------------------------------------------------- comments and URL

struct CommentCase {
    const char* name;
    Bytes body;
    const char* comment;
};

class Comments : public ::testing::TestWithParam<CommentCase> {};

TEST_P(Comments, Text) { EXPECT_EQ(Read(Id3Tag({Id3Frame("COMM", GetParam().body)})).comment, GetParam().comment); }

INSTANTIATE_TEST_SUITE_P(
    Id3v2, Comments,
    ::testing::Values(
        CommentCase{"LatinEmptyDescription",
                    ByteBuilder().u8(kLatin).text("eng").u8(0).text("hello"),  // enc, lang, "" NUL, text
                    "hello"},
        CommentCase{"LatinDescription", ByteBuilder().u8(kLatin).text("eng").text("desc").u8(0).text("hello  "),
                    "hello"},
        CommentCase{"OnlyLanguage", ByteBuilder().u8(kLatin).text("eng"), ""},
        CommentCase{"Truncated", ByteBuilder().u8(kLatin).text("en"), ""},
        // lame 3.100: encoding 1, the empty description a bare 00 00 with no
        // mark, then the text with its own mark.
        CommentCase{"LameBareDescription",
                    ByteBuilder()
                        .u8(kUtf16)                                     // encoding
                        .text("eng")                                    // language
                        .u16le(0)                                       // empty description, no mark
                        .raw({0xFF, 0xFE}).raw(Utf16(u"hello")).u16le(0),  // text
                    "hello"},
        CommentCase{"Utf16BothMarked",
                    ByteBuilder()
                        .u8(kUtf16)                                      // encoding
                        .text("eng")                                     // language
                        .raw({0xFE, 0xFF}).u16be(0)                      // empty description, BE mark
                        .raw({0xFE, 0xFF}).raw(Utf16(u"日本", true)),    // text, BE
                    "日本"},
        CommentCase{"Utf16TextInheritsDescriptionOrder",
                    ByteBuilder()
                        .u8(kUtf16)                                             // encoding
                        .text("eng")                                            // language
                        .raw({0xFE, 0xFF}).raw(Utf16(u"d", true)).u16be(0)      // description, BE mark
                        .raw(Utf16(u"text", true)),                             // text without a mark
                    "text"},
        CommentCase{"Utf16Be", ByteBuilder().u8(kUtf16Be).text("eng").u16be(0).raw(Utf16(u"日本", true)), "日本"},
        CommentCase{"Utf8", ByteBuilder().u8(kUtf8).text("eng").u8(0).text("ü"), "ü"},
        CommentCase{"AlbumWrapTakesNoComment", ByteBuilder().u8(kLatin).text("AlbumWrap").u8(0).text("x"), ""}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(Id3v2Read, AlbumWrapMarker) {
    const Id3v2Record r = Read(Id3Tag({Id3Frame("COMM", ByteBuilder().u8(kLatin).text("AlbumWrap"))}));
    EXPECT_TRUE(r.albumWrap);
    EXPECT_EQ(r.comment, "");
    EXPECT_FALSE(Read(Id3Tag({Id3Frame("COMM", ByteBuilder().u8(kLatin).text("AlbumWra"))})).albumWrap);
}

TEST(Id3v2Read, DescribedCommentDoesNotPushOutTheUserComment) {
    const auto described = [](std::uint8_t encoding) {
        return encoding == kLatin
                   ? Id3Frame("COMM", ByteBuilder().u8(kLatin).text("eng").text("iTunNORM").u8(0).text("0000021A"))
                   : Id3Frame("COMM", ByteBuilder()
                                          .u8(kUtf16)                                          // encoding
                                          .text("eng")                                         // language
                                          .raw({0xFF, 0xFE}).raw(Utf16(u"iTunNORM")).u16le(0)  // description
                                          .raw({0xFF, 0xFE}).raw(Utf16(u"0000021A")));        // text
    };
    const auto user = [](std::uint8_t encoding) {
        // Most writers put a mark on the empty description too: FF FE 00 00.
        return encoding == kLatin ? Id3Frame("COMM", ByteBuilder().u8(kLatin).text("eng").u8(0).text("mine"))
                                  : Id3Frame("COMM", ByteBuilder()
                                                         .u8(kUtf16)                                // encoding
                                                         .text("eng")                               // language
                                                         .raw({0xFF, 0xFE}).u16le(0)                // "" with mark
                                                         .raw({0xFF, 0xFE}).raw(Utf16(u"mine")));  // text
    };
    for (const std::uint8_t encoding : {kLatin, kUtf16}) {
        EXPECT_EQ(Read(Id3Tag({user(encoding), described(encoding)})).comment, "mine") << int(encoding);
        EXPECT_EQ(Read(Id3Tag({described(encoding), user(encoding)})).comment, "mine") << int(encoding);
    }
    // With no undescribed comment, a described one is shown.
    EXPECT_EQ(Read(Id3Tag({described(kLatin)})).comment, "0000021A");
}

TEST(Id3v2Read, Url) {
    const auto url = [](const Bytes& body) { return Read(Id3Tag({Id3Frame("WXXX", body)})).url; };
    EXPECT_EQ(url(ByteBuilder().u8(kLatin).u8(0).text("http://example.com/")), "http://example.com/");
    EXPECT_EQ(url(ByteBuilder().u8(kLatin).text("home").u8(0).text("http://a.b/ ")), "http://a.b/");
    EXPECT_EQ(url(ByteBuilder()
                      .u8(kUtf16)                                          // encoding
                      .raw({0xFF, 0xFE}).raw(Utf16(u"Site")).u16le(0)      // description
                      .text("http://x.y/")),                               // the link: single bytes
              "http://x.y/");
    EXPECT_EQ(url(ByteBuilder().u8(kUtf16).u16le(0).text("http://x.y/")), "http://x.y/");
}

// ---------------------------------------------------------------- genre

struct GenreCase {
    const char* name;
    std::string text;
    bool extended;
    unsigned version;
    const char* genre;
};

class Genres : public ::testing::TestWithParam<GenreCase> {};

TEST_P(Genres, Resolved) {
    const GenreCase& c = GetParam();
    const Bytes tag = Id3Tag({Id3Frame("TCON", TextBody(kLatin, c.text), c.version)}, c.version);
    Id3v2Record r;
    EXPECT_NO_THROW(core::ReadId3v2(tag, r, GenreTable(c.extended)));
    EXPECT_EQ(r.genre, c.genre);
}

INSTANTIATE_TEST_SUITE_P(Id3v2, Genres,
                         ::testing::Values(GenreCase{"Reference", "(13)", false, 3, "Pop"},
                                           GenreCase{"Escaped", "((13)", false, 3, "(13)"},
                                           GenreCase{"RefinedByText", "(17)Rock", false, 3, "Rock"},
                                           GenreCase{"RefinedByOtherText", "(17)Hard", false, 3, "Hard"},
                                           GenreCase{"Zero", "(0)", false, 3, "Blues"},
                                           GenreCase{"Last255Standard", "(255)", false, 3, ""},
                                           GenreCase{"Last255Extended", "(255)", true, 3, "Anime(J)"},
                                           GenreCase{"UserExtended", "(150)", true, 3, ""},
                                           GenreCase{"BeyondTable", "(148)", false, 3, ""},
                                           GenreCase{"ManyDigits", "(99999999999)", false, 3, ""},
                                           GenreCase{"NotANumber", "(abc)", false, 3, "(abc)"},
                                           GenreCase{"LoneParenthesis", "(", false, 3, "("},
                                           GenreCase{"Unclosed", "(13", false, 3, "(13"},
                                           GenreCase{"EmptyReference", "()", false, 3, "()"},
                                           GenreCase{"SignedReference", "(-1)", false, 3, "(-1)"},
                                           GenreCase{"PlainName", "Rock", false, 3, "Rock"},
                                           GenreCase{"PlainNumberV23", "13", false, 3, "13"},
                                           GenreCase{"PlainNumberV24", "13", false, 4, "Pop"},
                                           GenreCase{"ReferenceV24", "(13)", false, 4, "Pop"},
                                           GenreCase{"NamedV24", "Rock", false, 4, "Rock"},
                                           GenreCase{"ValuesV24", std::string("13\0Rock", 7), false, 4, "Pop/Rock"},
                                           GenreCase{"ReferenceValuesV24", std::string("(13)\0(17)", 9), false, 4,
                                                     "Pop/Rock"}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(Id3v2Read, GenreInUtf16) {
    const Bytes body = ByteBuilder().u8(kUtf16).raw({0xFF, 0xFE}).raw(Utf16(u"(17)")).u16le(0);
    EXPECT_EQ(Read(Id3Tag({Id3Frame("TCON", body)})).genre, "Rock");
}

TEST(Id3v2Read, GenreUsesCustomNames) {
    const GenreTable table(false, {{13, "J-Pop"}});
    EXPECT_EQ(Read(Id3Tag({Id3Frame("TCON", TextBody(kLatin, "(13)"))}), table).genre, "J-Pop");
}

// ---------------------------------------------------------------- cue mark

TEST(Id3v2Read, CueMark) {
    const Bytes cue = ByteBuilder()
                          .u8(kLatin)                    // encoding
                          .text("text").u8(0)            // MIME type
                          .text("mp3cue CueSheet").u8(0)  // file name
                          .u8(0)                         // description
                          .text("TITLE \"x\"\r\n");      // object
    Id3v2Record r;
    EXPECT_TRUE(core::ReadId3v2(Id3Tag({Id3Frame("GEOB", cue)}), r, GenreTable()));
    EXPECT_TRUE(r.hasCue);

    const Bytes other = ByteBuilder().u8(kLatin).text("text").u8(0).text("other.txt").u8(0).u8(0).text("x");
    Id3v2Record none;
    EXPECT_FALSE(core::ReadId3v2(Id3Tag({Id3Frame("GEOB", other)}), none, GenreTable()));
    EXPECT_FALSE(none.hasCue);
}

// ---------------------------------------------------------------- damage and padding

TEST(Id3v2Read, HeaderOnlyTagReadsNothing) {
    Id3v2Record r;
    EXPECT_FALSE(core::ReadId3v2(Id3Tag({}), r, GenreTable()));
    EXPECT_EQ(r, Id3v2Record{});
}

TEST(Id3v2Read, PaddingAndTrailingGarbageArePassedOver) {
    const Bytes tag = Id3Tag({Id3Frame("TIT2", TextBody(kLatin, "Title")),  //
                              Bytes(2000, 0),                               // padding in the middle
                              Bytes{'x', 'y', 0xFF, 0x01},                  // junk
                              Id3Frame("TPE1", TextBody(kLatin, "Artist"))},
                             3, 0, 4000);
    const Id3v2Record r = Read(tag);
    EXPECT_EQ(r.title, "Title");
    EXPECT_EQ(r.artist, "Artist");
}

TEST(Id3v2Read, ZeroSizeFrameSlides) {
    const Bytes tag = Id3Tag({Id3Frame("TIT2", {}),  //
                              Id3Frame("TPE1", TextBody(kLatin, "Artist"))});
    const Id3v2Record r = Read(tag);
    EXPECT_EQ(r.title, "");
    EXPECT_EQ(r.artist, "Artist");
}

TEST(Id3v2Read, SizesPointingPastTheTag) {
    const Bytes huge = ByteBuilder()
                           .text("TIT2")        // frame ID
                           .u32be(0x7FFFFFF0)   // size far past the tag
                           .u16be(0)            // flags
                           .u8(kLatin).text("never");
    const Bytes tag = Id3Tag({huge, Id3Frame("TPE1", TextBody(kLatin, "Artist"))});
    const Id3v2Record r = Read(tag);
    EXPECT_EQ(r.title, "");
    EXPECT_EQ(r.artist, "Artist");

    // A frame one byte too long for the tag is not read either.
    Bytes over = Id3Tag({Id3Frame("TIT2", TextBody(kLatin, "Title"))});
    over[10 + 7] = static_cast<std::uint8_t>(over[10 + 7] + 1);  // low byte of the frame size
    EXPECT_EQ(Read(over).title, "");
    // One that ends exactly at the tag's end is.
    EXPECT_EQ(Read(Id3Tag({Id3Frame("TIT2", TextBody(kLatin, "Title"))})).title, "Title");
}

TEST(Id3v2Read, TagSizeLargerThanTheBuffer) {
    Bytes tag = Id3Tag({Id3Frame("TIT2", TextBody(kLatin, "Title")), Id3Frame("TPE1", TextBody(kLatin, "Artist"))});
    tag[6] = 0x7F;  // claims about 256 MiB
    tag.erase(tag.end() - 3, tag.end());  // and the last frame is cut short
    const Id3v2Record r = Read(tag);
    EXPECT_EQ(r.title, "Title");
    EXPECT_EQ(r.artist, "");
}

TEST(Id3v2Read, BufferLongerThanTheTagStopsAtTheTag) {
    Bytes data = Id3Tag({Id3Frame("TIT2", TextBody(kLatin, "Title"))});
    test::Append(data, Id3Frame("TPE1", TextBody(kLatin, "audio")));  // after the tag: not tag content
    EXPECT_EQ(Read(data).artist, "");
}

TEST(Id3v2Read, CompressedAndGroupedFramesVersion23) {
    const Bytes compressed = ByteBuilder().u32be(100).raw({0x78, 0x9C, 0x01, 0x02});  // size, zlib bytes
    const Bytes grouped = ByteBuilder().u8(7).u8(kLatin).text("Grouped");             // group id, text body
    const Id3v2Record r = Read(Id3Tag({Id3Frame("TIT2", compressed, 3, kV23Compressed),
                                       Id3Frame("TPE1", grouped, 3, kV23Grouped)}));
    EXPECT_EQ(r.title, "");
    EXPECT_EQ(r.artist, "Grouped");
}

TEST(Id3v2Read, DamagedTagsNeverReadOutsideTheBuffer) {
    // Every truncation and many random byte changes of a rich tag; run under
    // the sanitizer build this proves the walk stays inside its buffer.
    const std::vector<Bytes> frames = {
        Id3Frame("TIT2", ByteBuilder().u8(kUtf16).raw({0xFF, 0xFE}).raw(Utf16(u"Title")).u16le(0)),
        Id3Frame("COMM", ByteBuilder().u8(kUtf16).text("eng").u16le(0).raw({0xFF, 0xFE}).raw(Utf16(u"c"))),
        Id3Frame("TCON", TextBody(kLatin, "(13)")),
        Id3Frame("WXXX", ByteBuilder().u8(kUtf16).u16le(0).text("http://a/")),
        Id3Frame("GEOB", ByteBuilder().u8(0).text("text").u8(0).text("mp3cue CueSheet").u8(0).u8(0).text("x")),
    };
    std::mt19937 random(12345);
    const GenreTable table(true);
    for (const unsigned version : {2u, 3u, 4u}) {
        for (const std::uint8_t flags : {std::uint8_t{0}, kTagUnsync, kTagExtended}) {
            const Bytes whole = Id3Tag(frames, version, flags, 8);
            for (std::size_t n = 0; n <= whole.size(); ++n) {
                Id3v2Record r;
                core::ReadId3v2(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)), r, table);
            }
            for (int round = 0; round < 300; ++round) {
                Bytes damaged = whole;
                const int changes = 1 + static_cast<int>(random() % 8);
                for (int i = 0; i < changes; ++i) {
                    damaged[10 + random() % (damaged.size() - 10)] = static_cast<std::uint8_t>(random());
                }
                Id3v2Record r;
                EXPECT_NO_THROW(core::ReadId3v2(damaged, r, table));
            }
        }
    }
}

}  // namespace
