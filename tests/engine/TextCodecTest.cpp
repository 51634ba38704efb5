// Code page conversion, UTF helpers and number texts: the byte boundary that
// every tag and pack format goes through.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "core/NumberText.h"
#include "core/TextCodec.h"
#include "core/Utf.h"
#include "support/ByteBuilder.h"

using namespace quilto;
using core::EncodedText;
using core::TextCodec;

// Everything here is file-local: the test files share one binary.
namespace {

std::string Chars(const test::ByteBuilder& b) { return std::string(b.bytes().begin(), b.bytes().end()); }

// ---------------------------------------------------------------- decoding

struct DecodeCase {
    const char* name;
    std::string bytes;  // CP932
    std::string utf8;
};

class Cp932Decode : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Cp932Decode, GivesUtf8) {
    const TextCodec codec;
    EXPECT_EQ(codec.decode(GetParam().bytes), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    TextCodec, Cp932Decode,
    ::testing::Values(
        DecodeCase{"Ascii", "Hello, World", "Hello, World"},
        DecodeCase{"Kanji", Chars(test::ByteBuilder().raw({0x93, 0xFA}).raw({0x96, 0x7B}).raw({0x8C, 0xEA})),
                   "日本語"},
        // Trail byte 0x5C: must stay part of the character, never a backslash.
        DecodeCase{"TrailByteBackslash", Chars(test::ByteBuilder().raw({0x95, 0x5C}).raw({0x83, 0x5C}).text("\\")),
                   "表ソ\\"},
        DecodeCase{"HalfWidthKatakana", Chars(test::ByteBuilder().u8(0xB1).u8(0xB2)), "ｱｲ"},
        // Bytes without a meaning become U+FFFD and decoding goes on.
        DecodeCase{"UndefinedByte", Chars(test::ByteBuilder().text("a").u8(0x80).text("b")), "a\uFFFDb"},
        DecodeCase{"LeadByteAtEnd", Chars(test::ByteBuilder().text("ab").u8(0x82)), "ab\uFFFD"},
        DecodeCase{"LeadByteBeforeSpace", Chars(test::ByteBuilder().u8(0x82).text(" x")), "\uFFFD x"},
        DecodeCase{"Empty", "", ""}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(TextCodec, DecodesLongTextAcrossConversionBuffers) {
    // Longer than the converter's internal buffer, so the text is converted in pieces.
    std::string bytes;
    std::string expected;
    for (int i = 0; i < 3000; ++i) {
        bytes += "\x82\xA0";  // あ
        expected += "あ";
    }
    EXPECT_EQ(TextCodec().decode(bytes), expected);
}

// ---------------------------------------------------------------- encoding

struct EncodeCase {
    const char* name;
    std::string utf8;
    std::string bytes;
    bool lossless;
};

class Cp932Encode : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(Cp932Encode, GivesBytesAndTellsWhetherExact) {
    const EncodedText encoded = TextCodec().encode(GetParam().utf8);
    EXPECT_EQ(encoded.bytes, GetParam().bytes);
    EXPECT_EQ(encoded.lossless, GetParam().lossless);
}

INSTANTIATE_TEST_SUITE_P(
    TextCodec, Cp932Encode,
    ::testing::Values(
        EncodeCase{"Ascii", "Track 01", "Track 01", true},
        EncodeCase{"Kanji", "日本語", Chars(test::ByteBuilder().raw({0x93, 0xFA, 0x96, 0x7B, 0x8C, 0xEA})), true},
        EncodeCase{"TrailByteBackslash", "表", Chars(test::ByteBuilder().raw({0x95, 0x5C})), true},
        // No form at all: a placeholder, and the caller learns it.
        EncodeCase{"Euro", "a€b", "a?b", false},
        EncodeCase{"Emoji", "\U0001F600", "?", false},
        // Only a look-alike: U+00A5 is written as 0x5C, which reads back as "\".
        EncodeCase{"YenSignLookAlike", "\u00A5", "\\", false},
        // Two Unicode tildes share one CP932 code; only one of them comes back.
        EncodeCase{"FullwidthTildeExact", "\uFF5E", Chars(test::ByteBuilder().raw({0x81, 0x60})), true},
        EncodeCase{"WaveDashLookAlike", "\u301C", Chars(test::ByteBuilder().raw({0x81, 0x60})), false},
        // Broken UTF-8 input is not representable either.
        EncodeCase{"InvalidUtf8", "a\xFF" "b", "a?b", false}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(TextCodec, EncodeLimitedNeverSplitsADoubleByteCharacter) {
    const TextCodec codec;
    // 29 ASCII bytes, then a two-byte character that would end at byte 31.
    const std::string text = std::string(29, 'x') + "表";
    const EncodedText cut = codec.encodeLimited(text, 30);
    EXPECT_EQ(cut.bytes, std::string(29, 'x'));
    EXPECT_TRUE(cut.lossless);  // cutting is the caller's business, not a lost character

    const EncodedText fits = codec.encodeLimited(std::string(28, 'x') + "表", 30);
    EXPECT_EQ(fits.bytes.size(), 30u);
    EXPECT_EQ(codec.decode(fits.bytes), std::string(28, 'x') + "表");

    EXPECT_FALSE(codec.encodeLimited("€€€€", 2).lossless);
    EXPECT_EQ(codec.encodeLimited("あいう", 0).bytes, "");
}

TEST(TextCodec, TruncateToBytesMeasuresEncodedBytes) {
    const TextCodec codec;
    EXPECT_EQ(codec.truncateToBytes("あいう", 5), "あい");  // 6 code-page bytes, 9 UTF-8 bytes
    EXPECT_EQ(codec.truncateToBytes("あいう", 6), "あいう");
    EXPECT_EQ(codec.truncateToBytes("aあ", 2), "a");
    EXPECT_EQ(codec.truncateToBytes("", 4), "");
}

TEST(TextCodec, UnknownCodePageFallsBackToDefault) {
    const TextCodec codec("NO-SUCH-CODE-PAGE");
    EXPECT_EQ(codec.codePage(), "CP932");
    EXPECT_EQ(codec.decode("\x82\xA0"), "あ");
}

TEST(TextCodec, OtherCodePageIsHonoured) {
    const TextCodec latin("CP1252");
    EXPECT_EQ(latin.decode("caf\xE9"), "café");
    const EncodedText encoded = latin.encode("café €");
    EXPECT_EQ(encoded.bytes, "caf\xE9 \x80");
    EXPECT_TRUE(encoded.lossless);
    EXPECT_FALSE(latin.encode("日本").lossless);
}

TEST(TextCodec, LegacyCodecIsCp932ByDefault) { EXPECT_EQ(core::LegacyCodec().codePage(), "CP932"); }

// ---------------------------------------------------------------- UTF helpers

TEST(Utf, DecodeUtf16BothOrders) {
    const std::string le = Chars(test::ByteBuilder().u16le('A').u16le(0x65E5).u16le(0xD83D).u16le(0xDE00));
    EXPECT_EQ(core::DecodeUtf16(le, core::Utf16Order::LittleEndian), "A日\U0001F600");
    const std::string be = Chars(test::ByteBuilder().u16be('A').u16be(0x65E5).u16be(0xD83D).u16be(0xDE00));
    EXPECT_EQ(core::DecodeUtf16(be, core::Utf16Order::BigEndian), "A日\U0001F600");
}

TEST(Utf, DecodeUtf16ReplacesDamage) {
    using core::DecodeUtf16;
    const auto le = core::Utf16Order::LittleEndian;
    EXPECT_EQ(DecodeUtf16(Chars(test::ByteBuilder().u16le(0xD83D).u16le('x')), le), "\uFFFDx");  // lone high
    EXPECT_EQ(DecodeUtf16(Chars(test::ByteBuilder().u16le(0xDE00)), le), "\uFFFD");              // lone low
    EXPECT_EQ(DecodeUtf16(Chars(test::ByteBuilder().u16le(0xD83D)), le), "\uFFFD");              // high at end
    EXPECT_EQ(DecodeUtf16(Chars(test::ByteBuilder().u16le('a').u8('b')), le), "a\uFFFD");        // odd byte
    EXPECT_EQ(DecodeUtf16("", le), "");
}

TEST(Utf, SanitizeKeepsValidAndReplacesInvalid) {
    EXPECT_EQ(core::SanitizeUtf8("a\xC3\xA9z"), "a\xC3\xA9z");
    EXPECT_EQ(core::SanitizeUtf8("a\xFFz"), "a\uFFFDz");
    EXPECT_EQ(core::SanitizeUtf8("\xC0\xAF"), "\uFFFD\uFFFD");            // overlong "/"
    EXPECT_EQ(core::SanitizeUtf8("\xED\xA0\x80"), "\uFFFD\uFFFD\uFFFD");  // encoded surrogate
    EXPECT_EQ(core::SanitizeUtf8("\xE3\x81"), "\uFFFD\uFFFD");            // cut short
    EXPECT_TRUE(core::IsValidUtf8("日本\U0001F600"));
    EXPECT_FALSE(core::IsValidUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
}

// ---------------------------------------------------------------- numbers

struct ParseCase {
    const char* text;
    std::optional<std::int32_t> value;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class ParseInt32Cases : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseInt32Cases, ParsesOrThrows) {
    const ParseCase& c = GetParam();
    EXPECT_EQ(core::TryParseInt32(c.text), c.value);
    if (c.value) {
        EXPECT_EQ(core::ParseInt32(c.text), *c.value);
    } else {
        EXPECT_THROW(core::ParseInt32(c.text), core::InvalidNumber);
    }
}

INSTANTIATE_TEST_SUITE_P(NumberText, ParseInt32Cases,
                         ::testing::Values(ParseCase{"0", 0}, ParseCase{"07", 7}, ParseCase{"-5", -5},
                                           ParseCase{"+12", 12}, ParseCase{"2147483647", 2147483647},
                                           ParseCase{"-2147483648", INT32_MIN}, ParseCase{"2147483648", std::nullopt},
                                           ParseCase{"", std::nullopt}, ParseCase{"+", std::nullopt},
                                           ParseCase{"-", std::nullopt}, ParseCase{"+-5", std::nullopt},
                                           ParseCase{"12a", std::nullopt}, ParseCase{"abc", std::nullopt},
                                           ParseCase{"1 2", std::nullopt}, ParseCase{"1,000", std::nullopt}));

TEST(NumberText, InvalidNumberNamesTheText) {
    try {
        core::ParseInt32("x1");
        FAIL() << "no exception";
    } catch (const core::InvalidNumber& e) {
        EXPECT_NE(std::string(e.what()).find("'x1'"), std::string::npos);
    }
}

TEST(NumberText, GroupThousands) {
    EXPECT_EQ(core::GroupThousands(0), "0");
    EXPECT_EQ(core::GroupThousands(999), "999");
    EXPECT_EQ(core::GroupThousands(1000), "1,000");
    EXPECT_EQ(core::GroupThousands(123456), "123,456");
    EXPECT_EQ(core::GroupThousands(1234567), "1,234,567");
    EXPECT_EQ(core::GroupThousands(UINT64_MAX), "18,446,744,073,709,551,615");
}

TEST(NumberText, GroupThousandsUsesTheSeparatorAndReadsBack) {
    const std::string saved = core::ThousandsSeparator();
    core::SetThousandsSeparator(".");
    EXPECT_EQ(core::GroupThousands(1234567), "1.234.567");
    EXPECT_EQ(core::ParseGrouped("1.234.567"), 1234567u);
    EXPECT_EQ(core::ParseGrouped("1,234"), 1234u);  // "," always counts as a separator
    core::SetThousandsSeparator(saved);
    EXPECT_EQ(core::ParseGrouped(""), std::nullopt);
    EXPECT_EQ(core::ParseGrouped("12x"), std::nullopt);
}

TEST(NumberText, ZeroPaddedLikePrintf) {
    EXPECT_EQ(core::ZeroPadded(7, 2), "07");
    EXPECT_EQ(core::ZeroPadded(255, 2), "255");
    EXPECT_EQ(core::ZeroPadded(0, 2), "00");
    EXPECT_EQ(core::ZeroPadded(-5, 3), "-05");  // the sign counts towards the width
    EXPECT_EQ(core::ZeroPadded(INT64_MIN, 1), "-9223372036854775808");
}

}  // namespace

// A name from the user is checked before use, since TextCodec falls back
// silently; iconv reads "" as the locale's code page, which is no choice.
TEST(TextCodec, KnowsTheCodePagesIconvConverts) {
    for (const char* known : {"CP932", "cp932", "CP1252", "UTF-8", "ISO-8859-1"}) {
        EXPECT_TRUE(core::IsKnownCodePage(known)) << known;
    }
    for (const char* unknown : {"", "NOPE", "CP99999", "UTF-9"}) {
        EXPECT_FALSE(core::IsKnownCodePage(unknown)) << '"' << unknown << '"';
    }
}
