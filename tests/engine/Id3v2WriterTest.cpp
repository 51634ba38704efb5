// Building ID3v2.3 tags: byte layouts, what survives of the old tag, old tags
// of other versions, the size limit, and two readers of the result (ours and
// mutagen).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "core/GenreTable.h"
#include "core/Id3v2Reader.h"
#include "core/Id3v2Writer.h"
#include "core/TextCodec.h"
#include "support/MpegBuilder.h"
#include "support/Mutagen.h"
#include "support/RunProcess.h"
#include "support/TempFolder.h"

using namespace quilto;
using core::Id3v2Record;
using test::ByteBuilder;
using test::Id3Frame;
using test::Id3Tag;
using test::TextBody;
using Bytes = std::vector<std::uint8_t>;

namespace {

const core::TextCodec& Cp932() {
    static const core::TextCodec codec("CP932");
    return codec;
}

Id3v2Record Fields(std::initializer_list<std::pair<std::size_t, std::string>> values) {
    Id3v2Record record;
    for (const auto& [index, text] : values) record.field(index) = text;
    return record;
}

Bytes Build(const Id3v2Record& record, const Bytes& oldTag = {}, bool supportTagOnly = false) {
    core::Id3v2WriteOptions options;
    options.supportTagOnly = supportTagOnly;
    options.codec = &Cp932();
    const core::Id3v2BuildResult result = core::BuildId3v2(record, oldTag, options);
    EXPECT_TRUE(result.ok()) << result.error;
    return result.tag;
}

Bytes Utf16Le(std::u16string_view text) {
    ByteBuilder b;
    b.raw({0xFF, 0xFE});  // byte order mark
    for (const char16_t unit : text) b.u16le(unit);
    return b;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) test::Append(out, p);
    return out;
}

Bytes ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes Fixture(const std::string& name) { return ReadFile(std::filesystem::path(QUILTO_FIXTURE_DIR) / name); }

Bytes FixtureTag(const std::string& name) {
    const Bytes file = Fixture(name);
    return Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(core::TagLength(file)));
}

// The audio behind the tag, without an ID3v1 tag (mutagen would merge its fields in).
Bytes FixtureAudio(const std::string& name) {
    const Bytes file = Fixture(name);
    Bytes audio(file.begin() + static_cast<std::ptrdiff_t>(core::TagLength(file)), file.end());
    if (audio.size() >= 128 && std::equal(audio.end() - 128, audio.end() - 125, "TAG")) {
        audio.erase(audio.end() - 128, audio.end());  // resize here trips a false overflow warning of gcc 12 under the sanitizers
    }
    return audio;
}

// ------------------------------------------------------------ byte layouts

struct LayoutCase {
    const char* name;
    Id3v2Record record;
    Bytes frames;  // everything after the 10-byte header
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

class Id3v2WriteLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(Id3v2WriteLayout, IsExact) {
    const Bytes expected = Id3Tag({GetParam().frames});
    EXPECT_EQ(Build(GetParam().record), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Id3v2WriteLayout,
    ::testing::Values(
        LayoutCase{"EmptyIsHeaderOnly", {}, {}},
        LayoutCase{"TitleTrimmedBothEnds", Fields({{1, " \t Song  \n"}}), Id3Frame("TIT2", TextBody(0, "Song"))},
        LayoutCase{"BlankFieldSkipped", Fields({{1, "  "}, {0, "A"}}), Id3Frame("TPE1", TextBody(0, "A"))},
        LayoutCase{"CodePageText", Fields({{2, "日本"}}), Id3Frame("TALB", TextBody(0, "\x93\xFA\x96\x7B"))},
        LayoutCase{"BuiltInGenreGetsNumber", Fields({{6, "Rock"}}), Id3Frame("TCON", TextBody(0, "(17)Rock"))},
        LayoutCase{"GenreMatchIgnoresCase", Fields({{6, "jPOP"}}), Id3Frame("TCON", TextBody(0, "(146)jPOP"))},
        LayoutCase{"UnknownGenrePlain", Fields({{6, "Shoegaze"}}), Id3Frame("TCON", TextBody(0, "Shoegaze"))},
        LayoutCase{"ExtendedGenrePlain", Fields({{6, "Anime(J)"}}), Id3Frame("TCON", TextBody(0, "Anime(J)"))},
        LayoutCase{"ParenthesisEscaped", Fields({{6, "(13)"}}), Id3Frame("TCON", TextBody(0, "((13)"))},
        LayoutCase{"Comment",
                   Fields({{5, "hello "}}),
                   Id3Frame("COMM", ByteBuilder().u8(0).text("eng").u8(0).text("hello"))},  // size n + 5
        LayoutCase{"Url", Fields({{10, "http://x.jp/"}}), Id3Frame("WXXX", ByteBuilder().u8(0).u8(0).text("http://x.jp/"))},
        LayoutCase{"UrlOutsideCodePagePercentEncoded",
                   Fields({{10, "http://例.jp/é"}}),
                   Id3Frame("WXXX", ByteBuilder().u8(0).u8(0).text("http://%E4%BE%8B.jp/%C3%A9"))},
        LayoutCase{"TextOutsideCodePageInUtf16",
                   Fields({{1, "Café"}}),
                   Id3Frame("TIT2", Cat({{1}, Utf16Le(u"Café")}))},
        LayoutCase{"SurrogatePairInUtf16", Fields({{1, "🎵"}}), Id3Frame("TIT2", Cat({{1}, Utf16Le(u"🎵")}))},
        LayoutCase{"CommentOutsideCodePageInUtf16",
                   Fields({{5, "é"}}),
                   Id3Frame("COMM", Cat({ByteBuilder().u8(1).text("eng").u16be(0), Utf16Le(u"é")}))},
        LayoutCase{"GenreOutsideCodePageInUtf16",
                   Fields({{6, "(Ñ"}}),
                   Id3Frame("TCON", Cat({{1}, Utf16Le(u"((Ñ")}))},
        LayoutCase{"FixedOrder",
                   Fields({{12, "m"}, {11, "l"}, {10, "k"}, {9, "j"}, {8, "i"}, {7, "h"}, {6, "g"}, {5, "f"},
                           {4, "e"}, {3, "d"}, {2, "c"}, {1, "b"}, {0, "a"}}),
                   Cat({Id3Frame("TPE1", TextBody(0, "a")), Id3Frame("TIT2", TextBody(0, "b")),
                        Id3Frame("TALB", TextBody(0, "c")), Id3Frame("TRCK", TextBody(0, "d")),
                        Id3Frame("TYER", TextBody(0, "e")),
                        Id3Frame("COMM", ByteBuilder().u8(0).text("eng").u8(0).text("f")),
                        Id3Frame("TCON", TextBody(0, "g")), Id3Frame("TCOM", TextBody(0, "h")),
                        Id3Frame("TOPE", TextBody(0, "i")), Id3Frame("TCOP", TextBody(0, "j")),
                        Id3Frame("WXXX", ByteBuilder().u8(0).u8(0).text("k")), Id3Frame("TENC", TextBody(0, "l")),
                        Id3Frame("TSSE", TextBody(0, "m"))})}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(Id3v2Write, SizeIsSyncsafeSumOfFrames) {
    // One frame of 10 + 1 + 189 bytes: 200 = 0x00 0x00 0x01 0x48.
    const Bytes tag = Build(Fields({{1, std::string(189, 'x')}}));
    ASSERT_EQ(tag.size(), 210u);
    EXPECT_EQ(Bytes(tag.begin(), tag.begin() + 10), (Bytes{'I', 'D', '3', 3, 0, 0, 0x00, 0x00, 0x01, 0x48}));
}

// ------------------------------------------------------------ carrying over

const Bytes kApicUtf16 = Id3Frame("APIC", Cat({ByteBuilder().u8(1).text("image/png").u8(0).u8(3),  // enc, MIME, type
                                               Utf16Le(u"表紙"), ByteBuilder().u16le(0),           // description
                                               ByteBuilder().raw({0x89, 'P', 'N', 'G', 0, 0xFF})}));
const Bytes kTxxx = Id3Frame("TXXX", Cat({{1}, Utf16Le(u"KEY"), {0, 0}, Utf16Le(u"value")}));
const Bytes kPriv = Id3Frame("PRIV", ByteBuilder().text("owner").u8(0).raw({1, 2, 3}));
const Bytes kDescribedComment = Id3Frame("COMM", ByteBuilder().u8(0).text("eng").text("iTunNORM").u8(0).text(" 0000021A"));
const Bytes kGermanDescribed = Id3Frame("COMM", ByteBuilder().u8(0).text("deu").text("Notiz").u8(0).text("Hallo"));
const Bytes kJapaneseComment = Id3Frame("COMM", ByteBuilder().u8(0).text("jpn").u8(0).text("old"));
const Bytes kUtf16MarkOnlyComment = Id3Frame("COMM", Cat({ByteBuilder().u8(1).text("eng"), Utf16Le(u""), {0, 0}, Utf16Le(u"old")}));
const Bytes kCueGeob = Id3Frame("GEOB", ByteBuilder().u8(0).text("text").u8(0).text("mp3cue CueSheet").u8(0).text("QCUESHEET\r\n"));
const Bytes kOtherGeob = Id3Frame("GEOB", ByteBuilder().u8(0).text("text").u8(0).text("other").u8(0).text("x"));
const Bytes kAlbumWrap = Id3Frame("COMM", ByteBuilder().u8(0).text("AlbumWrap").u8(0).text("x"));
const Bytes kOldTitle = Id3Frame("TIT2", TextBody(0, "Old"));
const Bytes kOldYear = Id3Frame("TDRC", TextBody(0, "1999"));
const Bytes kOldUrl = Id3Frame("WXXX", ByteBuilder().u8(0).text("Home").u8(0).text("http://old/"));

struct CarryCase {
    const char* name;
    std::vector<Bytes> oldFrames;
    bool supportTagOnly;
    std::vector<Bytes> carried;  // in the old order, after the new title
};

void PrintTo(const CarryCase& c, std::ostream* os) { *os << c.name; }

class Id3v2WriteCarry : public ::testing::TestWithParam<CarryCase> {};

TEST_P(Id3v2WriteCarry, KeepsExactlyTheseFrames) {
    const CarryCase& c = GetParam();
    std::vector<Bytes> expected{Id3Frame("TIT2", TextBody(0, "New")),
                                Id3Frame("COMM", ByteBuilder().u8(0).text("eng").u8(0).text("mine"))};
    expected.insert(expected.end(), c.carried.begin(), c.carried.end());
    // Padding after the frames, as most writers leave it.
    EXPECT_EQ(Build(Fields({{1, "New"}, {5, "mine"}}), Id3Tag(c.oldFrames, 3, 0, 64), c.supportTagOnly), Id3Tag(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Id3v2WriteCarry,
    ::testing::Values(
        CarryCase{"ForeignFramesWhateverTheirFirstByte", {kApicUtf16, kTxxx, kPriv}, false, {kApicUtf16, kTxxx, kPriv}},
        CarryCase{"SupportTagDropsForeignFrames", {kApicUtf16, kTxxx, kPriv, kOtherGeob}, true, {}},
        CarryCase{"EditedFramesReplaced", {kOldTitle, kOldYear, kOldUrl, kPriv}, false, {kPriv}},
        CarryCase{"DescribedCommentsCarriedPlainOnesReplaced",
                  {kJapaneseComment, kDescribedComment, kUtf16MarkOnlyComment, kGermanDescribed},
                  false,
                  {kDescribedComment, kGermanDescribed}},
        CarryCase{"OwnFramesSurviveSupportTag", {kOldTitle, kCueGeob, kPriv, kAlbumWrap}, true, {kCueGeob, kAlbumWrap}},
        CarryCase{"OwnFramesCarriedWithTheRest", {kCueGeob, kOtherGeob, kAlbumWrap}, false, {kCueGeob, kOtherGeob, kAlbumWrap}},
        // Bytes that form no header are passed; the frames behind them are still found.
        CarryCase{"WalkResynchronisesAfterJunk",
                  {ByteBuilder().text("xx\x01"), kPriv, ByteBuilder().text("BAD!").u32be(0xFFFF).u16be(0), kTxxx},
                  false,
                  {kPriv, kTxxx}},
        CarryCase{"ZeroSizeFrameNotWritten", {Id3Frame("PRIV", {}), kPriv}, false, {kPriv}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(Id3v2Write, ClearedCommentBesideDescribedOneIsWrittenEmpty) {
    const Bytes tag = Build({}, Id3Tag({kJapaneseComment, kDescribedComment}));
    EXPECT_EQ(tag, Id3Tag({Id3Frame("COMM", ByteBuilder().u8(0).text("eng").u8(0)), kDescribedComment}));
    Id3v2Record read;
    core::ReadId3v2(tag, read, core::GenreTable(), Cp932());
    EXPECT_EQ(read.comment, "");
}

TEST(Id3v2Write, Version23ExtendedHeaderSkipped) {
    // 2.3 extended header: size 6 (without its own size field), flags, padding size.
    const Bytes extended = ByteBuilder().u32be(6).u16be(0).u32be(0);
    EXPECT_EQ(Build({}, Id3Tag({extended, kPriv}, 3, 0x40)), Id3Tag({kPriv}));
}

TEST(Id3v2Write, Version23UnsynchronisationUndone) {
    const Bytes priv = Id3Frame("PRIV", ByteBuilder().text("o").u8(0).raw({0xFF, 0xE0, 0xFF, 0x00, 0x01}));
    Bytes stuffed;
    for (const std::uint8_t b : priv) {
        stuffed.push_back(b);
        if (b == 0xFF) stuffed.push_back(0);
    }
    EXPECT_EQ(Build({}, Id3Tag({stuffed}, 3, 0x80)), Id3Tag({priv}));
}

TEST(Id3v2Write, Version22CarriesNothing) {
    const Bytes old = FixtureTag("tag_v22_crafted.mp3");
    ASSERT_EQ(old.at(3), 2);
    EXPECT_EQ(Build(Fields({{1, "t"}}), old), Id3Tag({Id3Frame("TIT2", TextBody(0, "t"))}));
}

// ------------------------------------------------------------ version 2.4 old tags

constexpr std::uint16_t kStatusReadOnly = 0x1000;  // 2.4 status flag, cleared when carried
constexpr std::uint16_t kCompressed = 0x0008;
constexpr std::uint16_t kGrouped = 0x0040;
constexpr std::uint16_t kUnsynchronised = 0x0002;
constexpr std::uint16_t kDataLength = 0x0001;

Bytes Utf8Strings(std::initializer_list<std::string_view> strings) {
    ByteBuilder b;
    b.u8(3);
    bool first = true;
    for (const std::string_view s : strings) {
        if (!first) b.u8(0);
        b.text(s);
        first = false;
    }
    return b;
}

struct V24Case {
    const char* name;
    Bytes oldFrame;   // a 2.4 frame
    Bytes expected;   // the 2.3 frame written, empty when dropped
};

void PrintTo(const V24Case& c, std::ostream* os) { *os << c.name; }

class Id3v2WriteFrom24 : public ::testing::TestWithParam<V24Case> {};

TEST_P(Id3v2WriteFrom24, Converts) {
    const V24Case& c = GetParam();
    std::vector<Bytes> expected;
    if (!c.expected.empty()) expected.push_back(c.expected);
    expected.push_back(Id3Frame("PRIV", {'z'}));
    EXPECT_EQ(Build({}, Id3Tag({c.oldFrame, Id3Frame("PRIV", {'z'}, 4)}, 4)), Id3Tag(expected));
}

const Bytes kBigPrivate = ByteBuilder().text("owner").u8(0).fill(300, 0xAB);

INSTANTIATE_TEST_SUITE_P(
    Cases, Id3v2WriteFrom24,
    ::testing::Values(
        V24Case{"SyncsafeSizeRereadAndWrittenPlain", Id3Frame("PRIV", kBigPrivate, 4), Id3Frame("PRIV", kBigPrivate, 3)},
        V24Case{"StatusFlagsCleared", Id3Frame("PRIV", {'p'}, 4, kStatusReadOnly), Id3Frame("PRIV", {'p'})},
        V24Case{"CompressedDropped", Id3Frame("PRIV", {'p'}, 4, kCompressed), {}},
        V24Case{"GroupedDropped", Id3Frame("PRIV", {7, 'p'}, 4, kGrouped), {}},
        V24Case{"UnsynchronisedUndone",
                Id3Frame("PRIV", {'p', 0, 0xFF, 0x00, 0xE0}, 4, kUnsynchronised),
                Id3Frame("PRIV", {'p', 0, 0xFF, 0xE0})},
        V24Case{"DataLengthIndicatorRemoved",
                Id3Frame("PRIV", ByteBuilder().syncsafe32(2).text("p").u8(0), 4, kDataLength),
                Id3Frame("PRIV", ByteBuilder().text("p").u8(0))},
        V24Case{"DateReplacedByYear", Id3Frame("TDRC", TextBody(0, "2024-05-06"), 4), {}},
        V24Case{"EditedFrameReplaced", Id3Frame("TPE1", TextBody(3, "x"), 4), {}},
        V24Case{"Utf8TextToUtf16",
                Id3Frame("TXXX", Utf8Strings({"Schlüssel", "值"}), 4),
                Id3Frame("TXXX", Cat({{1}, Utf16Le(u"Schlüssel"), {0, 0}, Utf16Le(u"值")}))},
        V24Case{"Utf8TerminatorKept",
                Id3Frame("TMOO", Cat({Utf8Strings({"ü"}), {0}}), 4),
                Id3Frame("TMOO", Cat({{1}, Utf16Le(u"ü"), {0, 0}}))},
        V24Case{"Utf16BigEndianToMarked",
                Id3Frame("TMOO", ByteBuilder().u8(2).u16be(u'é'), 4),
                Id3Frame("TMOO", Cat({{1}, Utf16Le(u"é")}))},
        V24Case{"Utf8DescribedCommentKeepsLanguage",
                Id3Frame("COMM", Cat({ByteBuilder().u8(3).text("fra"), ByteBuilder().text("clé").u8(0).text("été")}), 4),
                // Behind the empty plain comment that keeps the cleared comment clear.
                Cat({Id3Frame("COMM", ByteBuilder().u8(0).text("eng").u8(0)),
                     Id3Frame("COMM", Cat({ByteBuilder().u8(1).text("fra"), Utf16Le(u"clé"), {0, 0}, Utf16Le(u"été")}))})},
        V24Case{"Utf8LyricsToUtf16",
                Id3Frame("USLT", Cat({ByteBuilder().u8(3).text("jpn"), ByteBuilder().u8(0).text("歌")}), 4),
                Id3Frame("USLT", Cat({ByteBuilder().u8(1).text("jpn"), Utf16Le(u""), {0, 0}, Utf16Le(u"歌")}))},
        V24Case{"Utf8PictureDescriptionOnly",
                Id3Frame("APIC", ByteBuilder().u8(3).text("image/jpeg").u8(0).u8(3).text("表").u8(0).raw({0xFF, 0xD8, 0}), 4),
                Id3Frame("APIC", Cat({ByteBuilder().u8(1).text("image/jpeg").u8(0).u8(3), Utf16Le(u"表"), {0, 0},
                                      ByteBuilder().raw({0xFF, 0xD8, 0})}))},
        V24Case{"Utf8UnknownLayoutDropped", Id3Frame("USER", ByteBuilder().u8(3).text("eng").text("terms"), 4), {}},
        V24Case{"Latin1CopiedAsItIs", Id3Frame("TMOO", TextBody(0, "calm"), 4), Id3Frame("TMOO", TextBody(0, "calm"))},
        V24Case{"NoEncodingByteCopied", Id3Frame("WOAR", ByteBuilder().text("\x03http://a/"), 4),
                Id3Frame("WOAR", ByteBuilder().text("\x03http://a/"))},
        V24Case{"OwnMarkKeptVerbatim", Id3Frame("COMM", ByteBuilder().u8(3).text("AlbumWrap"), 4),
                Id3Frame("COMM", ByteBuilder().u8(3).text("AlbumWrap"))}),
    [](const auto& p) { return std::string(p.param.name); });

// ------------------------------------------------------------ failures

TEST(Id3v2Write, TagOfTwoTo28BytesFails) {
    // An old frame that still fits plus a title of 11 bytes: 2^28 bytes of frames.
    const std::size_t body = core::kId3v2SizeLimit - 10 - 11;
    Bytes old = ByteBuilder().text("ID3").u8(3).u8(0).u8(0).syncsafe32(std::uint32_t(body + 10));
    test::Append(old, ByteBuilder().text("PRIV").u32be(std::uint32_t(body)).u16be(0));
    old.resize(old.size() + body, 0x55);
    core::Id3v2WriteOptions options;
    options.codec = &Cp932();
    const core::Id3v2BuildResult result = core::BuildId3v2(Fields({{1, "t"}}), old, options);
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.tag.empty());
    EXPECT_NE(result.error.find("268435455"), std::string::npos) << result.error;
    std::ostringstream out;
    EXPECT_FALSE(core::WriteId3v2(out, Fields({{1, "t"}}), old, options).empty());
    EXPECT_TRUE(out.str().empty());
}

class FailingBuffer : public std::streambuf {
protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
    std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

TEST(Id3v2Write, StreamFailureReported) {
    FailingBuffer buffer;
    std::ostream out(&buffer);
    EXPECT_FALSE(core::WriteId3v2(out, Fields({{1, "t"}}), {}).empty());
    std::ostringstream good;
    EXPECT_EQ(core::WriteId3v2(good, Fields({{1, "t"}}), {}), "");
    EXPECT_EQ(good.str().size(), 10u + 12u);
}

// ------------------------------------------------------------ our reader reads it back

Id3v2Record Trimmed(Id3v2Record record) {
    for (std::size_t i = 0; i < Id3v2Record::kFieldCount; ++i) {
        std::string& text = record.field(i);
        const auto keep = [](char c) { return static_cast<unsigned char>(c) >= 33; };
        text.erase(text.begin(), std::find_if(text.begin(), text.end(), keep));
        text.erase(std::find_if(text.rbegin(), text.rend(), keep).base(), text.end());
    }
    return record;
}

const Id3v2Record kPlainRow = Fields({{0, "Artist"}, {1, " Title "}, {2, "Album"}, {3, "03"}, {4, "2001"}, {5, "Comment"},
                                      {6, "Rock"}, {7, "Composer"}, {8, "Original"}, {9, "(C) 2001"},
                                      {10, "http://example.org/"}, {11, "Encoded"}, {12, "LAME"}});
const Id3v2Record kJapaneseRow = Fields({{0, "演奏者"}, {1, "題名"}, {2, "アルバム"}, {5, "コメント"}, {6, "J-POP(J)"},
                                         {10, "http://例.jp/"}});
const Id3v2Record kOutsideCodePageRow = Fields({{0, "Björk"}, {1, "Café ☕🎵"}, {5, "naïve"}, {6, "Música"}, {7, "Ærø"}});
const Id3v2Record kGenreEscapeRow = Fields({{6, "(13)"}});
const Id3v2Record kGenreCaseRow = Fields({{6, "rock"}});
const Id3v2Record kLoneParenthesisRow = Fields({{6, "("}, {1, "x"}});

struct RoundTripCase {
    const char* name;
    Id3v2Record row;
    const char* oldTagFixture;  // nullptr: no old tag
};

void PrintTo(const RoundTripCase& c, std::ostream* os) { *os << c.name; }

class Id3v2WriteRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(Id3v2WriteRoundTrip, ReaderSeesTheRow) {
    const RoundTripCase& c = GetParam();
    const Bytes tag = Build(c.row, c.oldTagFixture ? FixtureTag(c.oldTagFixture) : Bytes{});
    Id3v2Record read;
    core::ReadId3v2(tag, read, core::GenreTable(true), Cp932());
    read.albumWrap = read.hasCue = false;
    EXPECT_EQ(read, Trimmed(c.row));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Id3v2WriteRoundTrip,
    ::testing::Values(RoundTripCase{"Plain", kPlainRow, nullptr},
                      RoundTripCase{"CodePage", kJapaneseRow, nullptr},
                      RoundTripCase{"Utf16Fallback", kOutsideCodePageRow, nullptr},
                      RoundTripCase{"GenreEscape", kGenreEscapeRow, nullptr},
                      RoundTripCase{"GenreCase", kGenreCaseRow, nullptr},
                      RoundTripCase{"LoneParenthesis", kLoneParenthesisRow, nullptr},
                      RoundTripCase{"Empty", {}, nullptr},
                      RoundTripCase{"OverMutagenV23", kPlainRow, "tag_mutagen_v23.mp3"},
                      // Described comments are carried: a cleared comment must stay clear.
                      RoundTripCase{"ClearedOverDescribedComment", Fields({{1, "t"}}), "tag_mutagen_v23.mp3"},
                      RoundTripCase{"ClearedOverUtf16DescribedComment", Fields({{1, "t"}}), "tag_mutagen_v23_utf16.mp3"},
                      RoundTripCase{"OverUnsynchronisedV23", kJapaneseRow, "tag_v23_unsync_utf16.mp3"},
                      RoundTripCase{"OverV24Utf8", kOutsideCodePageRow, "tag_mutagen_v24_utf8.mp3"},
                      RoundTripCase{"ClearedOverV24Date", Fields({{0, "a"}}), "tag_eyed3_v24_utf8.mp3"},
                      RoundTripCase{"OverV24Picture", kPlainRow, "tag_mutagen_v24_apic.mp3"},
                      RoundTripCase{"OverV22", kPlainRow, "tag_v22_crafted.mp3"}),
    [](const auto& p) { return std::string(p.param.name); });

// ------------------------------------------------------------ mutagen reads it

using test::MutagenDump;

TEST(Id3v2WriteMutagen, ReadsWhatWeWrite) {
    test::TempFolder folder;
    const auto write = [&folder](const std::string& name, const Id3v2Record& row, const std::string& fixture) {
        Bytes file = Build(row, fixture.empty() ? Bytes{} : FixtureTag(fixture));
        test::Append(file, FixtureAudio(fixture.empty() ? "tag_mutagen_v23.mp3" : fixture));
        folder.write(name, file);
        return folder.file(name);
    };
    const std::vector<std::filesystem::path> files{
        write("plain.mp3", kPlainRow, ""),
        write("japanese.mp3", kJapaneseRow, ""),
        write("utf16.mp3", kOutsideCodePageRow, "tag_mutagen_v24_utf8.mp3"),
        write("picture.mp3", Fields({{1, "New"}}), "tag_mutagen_v24_apic.mp3"),
        write("described.mp3", Fields({{5, "mine"}}), "tag_mutagen_v23_utf16.mp3"),
        folder.file("original_picture.mp3"),
    };
    folder.copyFixture("tag_mutagen_v24_apic.mp3", "original_picture.mp3");
    const auto dumps = MutagenDump(files);
    ASSERT_EQ(dumps.size(), files.size());
    for (std::size_t i = 0; i + 1 < dumps.size(); ++i) EXPECT_TRUE(dumps[i].count("version 2.3.0")) << i;

    const std::set<std::string>& plain = dumps[0];
    for (const std::string line : {
             "TPE1\tid=TPE1\tenc=0\ttext=Artist", "TIT2\tid=TIT2\tenc=0\ttext=Title", "TYER\tid=TYER\tenc=0\ttext=2001",
             "TCON\tid=TCON\tenc=0\tgenres=Rock", "COMM::eng\tid=COMM\tenc=0\ttext=Comment\tlang=eng\tdesc=",
             "WXXX:\tid=WXXX\tenc=0\tdesc=\turl=http://example.org/", "TSSE\tid=TSSE\tenc=0\ttext=LAME"}) {
        EXPECT_TRUE(plain.count(line)) << line;
    }
    EXPECT_EQ(plain.size(), 14u);  // the version line and thirteen frames

    // Code page text reads as Latin-1 elsewhere; only its presence and encoding are checked.
    EXPECT_TRUE(std::any_of(dumps[1].begin(), dumps[1].end(), [](const std::string& l) { return l.rfind("TIT2\tid=TIT2\tenc=0", 0) == 0; }));

    const std::set<std::string>& utf16 = dumps[2];
    for (const std::string line : {
             "TPE1\tid=TPE1\tenc=1\ttext=Björk", "TIT2\tid=TIT2\tenc=1\ttext=Café ☕🎵",
             "COMM::eng\tid=COMM\tenc=1\ttext=naïve\tlang=eng\tdesc=", "TCON\tid=TCON\tenc=1\tgenres=Música",
             "TCOM\tid=TCOM\tenc=1\ttext=Ærø"}) {
        EXPECT_TRUE(utf16.count(line)) << line;
    }
    // The old tag's other frames are edited fields (replaced or cleared) and its date.
    EXPECT_EQ(utf16.size(), 6u);

    // The picture survives byte for byte.
    const auto picture = [](const std::set<std::string>& dump) {
        const auto it = std::find_if(dump.begin(), dump.end(), [](const std::string& l) { return l.rfind("APIC:", 0) == 0; });
        return it == dump.end() ? std::string() : *it;
    };
    EXPECT_FALSE(picture(dumps[5]).empty());
    EXPECT_EQ(picture(dumps[3]), picture(dumps[5]));
    EXPECT_TRUE(dumps[3].count("TIT2\tid=TIT2\tenc=0\ttext=New"));

    // The described UTF-16 comment is carried beside the new one.
    EXPECT_TRUE(dumps[4].count("COMM::eng\tid=COMM\tenc=0\ttext=mine\tlang=eng\tdesc="));
    EXPECT_TRUE(dumps[4].count("COMM:iTunNORM:eng\tid=COMM\tenc=1\ttext= 0000021A 00000219 00001F2B\tlang=eng\tdesc=iTunNORM"));
    EXPECT_FALSE(std::any_of(dumps[4].begin(), dumps[4].end(), [](const std::string& l) { return l.rfind("COMM::jpn", 0) == 0; }));
}

}  // namespace

namespace {

// mutagen's view of a 2.4 old tag and of the 2.3 tag written over it agree on
// every carried frame, apart from the encoding UTF-8 gave way to.
TEST(Id3v2WriteMutagen, CarriedVersion24FramesReadTheSame) {
    const Bytes old = Id3Tag({Id3Frame("TXXX", Utf8Strings({"Schlüssel", "値"}), 4),
                              Id3Frame("APIC", ByteBuilder().u8(3).text("image/png").u8(0).u8(3).text("表紙").u8(0)
                                                   .raw({0x89, 'P', 'N', 'G', 0xFF, 0x00, 0x01}), 4),
                              Id3Frame("COMM", Cat({ByteBuilder().u8(3).text("deu"), ByteBuilder().text("Notiz").u8(0).text("für")}), 4),
                              Id3Frame("USLT", Cat({ByteBuilder().u8(3).text("jpn"), ByteBuilder().text("歌").u8(0).text("詞")}), 4),
                              Id3Frame("PRIV", ByteBuilder().text("owner").u8(0).fill(200, 0xFF), 4), kCueGeob, kAlbumWrap,
                              Id3Frame("TIT2", TextBody(3, "old"), 4)},
                             4);
    test::TempFolder folder;
    const Bytes audio = FixtureAudio("tag_mutagen_v23.mp3");
    const auto write = [&](const std::string& name, const Bytes& tag) {
        folder.write(name, Cat({tag, audio}));
        return folder.file(name);
    };
    const auto dumps = MutagenDump({write("old.mp3", old), write("new.mp3", Build(Fields({{1, "new"}}), old)),
                                    write("support.mp3", Build(Fields({{1, "new"}}), old, true))});
    ASSERT_EQ(dumps.size(), 3u);
    std::set<std::string> expected;
    for (std::string line : dumps[0]) {
        if (line.rfind("version", 0) == 0 || line.rfind("TIT2", 0) == 0) continue;
        if (const auto at = line.find("enc=3"); at != std::string::npos && line.find("AlbumWrap") == std::string::npos) {
            line.replace(at, 5, "enc=1");
        }
        expected.insert(line);
    }
    ASSERT_EQ(expected.size(), 7u) << ::testing::PrintToString(expected);
    std::set<std::string> carried = dumps[1];
    carried.erase("version 2.3.0");
    EXPECT_EQ(carried.erase("TIT2\tid=TIT2\tenc=0\ttext=new"), 1u);
    EXPECT_EQ(carried, expected);

    // With only the supported frames saved, the program's own two remain.
    std::set<std::string> own = dumps[2];
    own.erase("version 2.3.0");
    own.erase("TIT2\tid=TIT2\tenc=0\ttext=new");
    ASSERT_EQ(own.size(), 2u);
    EXPECT_TRUE(expected.count(*own.begin()) && expected.count(*own.rbegin()));
    EXPECT_TRUE(std::any_of(own.begin(), own.end(), [](const std::string& l) { return l.rfind("GEOB", 0) == 0; }));
}

}  // namespace
