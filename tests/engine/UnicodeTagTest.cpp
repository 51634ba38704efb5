// The "Write ID3v2 text as Unicode" switch and the choice of the legacy code
// page: which texts go out as UTF-16, that other readers get them back, that
// tag saving (plain and packed) hands the switch on, and which stored code
// page names are used.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/FileRows.h"
#include "core/GenreTable.h"
#include "core/Id3v2Writer.h"
#include "core/TextCodec.h"
#include "support/MpegBuilder.h"
#include "support/TempFolder.h"
#include "support/ToolRun.h"
#include "tags/SaveTags.h"
#include "tags/TagEdits.h"

using namespace quilto;
using core::Id3v2Record;
using test::ByteBuilder;
using test::Id3Frame;
using test::TextBody;
using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

namespace {

Id3v2Record Fields(std::initializer_list<std::pair<std::size_t, std::string>> values) {
    Id3v2Record record;
    for (const auto& [index, text] : values) record.field(index) = text;
    return record;
}

Bytes Utf16(std::u16string_view text) {
    ByteBuilder b;
    b.raw({0xFF, 0xFE});  // byte order mark
    for (const char16_t unit : text) b.u16le(unit);
    return b;
}

Bytes Build(const Id3v2Record& record, bool unicode, const core::TextCodec& codec) {
    core::Id3v2WriteOptions options;
    options.unicodeText = unicode;
    options.codec = &codec;
    const core::Id3v2BuildResult result = core::BuildId3v2(record, {}, options);
    EXPECT_TRUE(result.ok()) << result.error;
    return result.tag;
}

// ------------------------------------------------------------ byte layouts

struct UnicodeCase {
    const char* name;
    bool unicode;
    Id3v2Record record;
    Bytes frames;  // behind the 10-byte header
};

void PrintTo(const UnicodeCase& c, std::ostream* os) { *os << c.name; }

class UnicodeTagLayout : public ::testing::TestWithParam<UnicodeCase> {};

TEST_P(UnicodeTagLayout, IsExact) {
    static const core::TextCodec cp932("CP932");
    EXPECT_EQ(Build(GetParam().record, GetParam().unicode, cp932), test::Id3Tag({GetParam().frames}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnicodeTagLayout,
    ::testing::Values(
        UnicodeCase{"OffKeepsTheCodePage", false, Fields({{2, "日本"}}), Id3Frame("TALB", TextBody(0, "\x93\xFA\x96\x7B"))},
        UnicodeCase{"OnWritesUtf16", true, Fields({{2, "日本"}}),
                    Id3Frame("TALB", ByteBuilder().u8(1).raw(Utf16(u"日本")))},
        UnicodeCase{"OnLeavesAsciiInTheCodePage", true, Fields({{1, "Song"}}), Id3Frame("TIT2", TextBody(0, "Song"))},
        UnicodeCase{"OnCommentGetsTwoByteTerminator", true, Fields({{5, "é"}}),
                    Id3Frame("COMM", ByteBuilder().u8(1).text("eng").u8(0).u8(0).raw(Utf16(u"é")))},
        UnicodeCase{"OnGenreKeepsItsNumber", true, Fields({{6, "Rock"}}), Id3Frame("TCON", TextBody(0, "(17)Rock"))},
        // A link stays a single-byte text: the code page, else its UTF-8 bytes percent-encoded.
        UnicodeCase{"OnLinkStaysSingleByte", true, Fields({{10, "http://例.jp/é"}}),
                    Id3Frame("WXXX", ByteBuilder().u8(0).u8(0).text("http://%E4%BE%8B.jp/%C3%A9"))}),
    [](const auto& p) { return std::string(p.param.name); });

// ------------------------------------------------------------ read back

Bytes ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// "ID encoding text" for each of the frames named, as mutagen reads them.
// Encoding 0 holds the legacy code page, which mutagen shows as Latin-1: the
// texts of such frames here are ASCII or CP932.
constexpr const char* kReadTexts = R"PY(
import sys
from mutagen.id3 import ID3
t = ID3(sys.argv[1])
for key in sys.argv[2:]:
    f = t.getall(key)[0]
    text = str(f).encode("latin-1").decode("cp932") if f.encoding == 0 else str(f)
    print(key, int(f.encoding), text)
)PY";

std::string MutagenTexts(const fs::path& file, const std::vector<std::string>& ids) {
    std::vector<std::string> args{"-c", kReadTexts, file.string()};
    args.insert(args.end(), ids.begin(), ids.end());
    const test::ProcessResult run = test::RunTool("/usr/bin/python3", args);
    EXPECT_EQ(run.exitCode, 0) << "python3 with mutagen (python3-mutagen): " << run.err;
    return run.out;
}

// A Latin-1 text the Western code page could hold goes out as UTF-16 too, so
// a reader set to another code page gets it right.
TEST(UnicodeTagMutagen, ReadsTheTextsBack) {
    const core::TextCodec cp932("CP932");
    const core::TextCodec cp1252("CP1252");
    test::TempFolder folder;
    const Bytes audio = ReadAll(fs::path(QUILTO_FIXTURE_DIR) / "cbr128_stereo_info.mp3");
    const auto write = [&](const std::string& name, const Id3v2Record& row, const core::TextCodec& codec) {
        Bytes file = Build(row, true, codec);
        file.insert(file.end(), audio.begin(), audio.end());
        folder.write(name, file);
        return folder.file(name);
    };
    const Id3v2Record japanese = Fields({{0, "演奏者"}, {1, "題名"}, {5, "コメント"}, {6, "J-POP(J)"}});
    EXPECT_EQ(MutagenTexts(write("ja.mp3", japanese, cp932), {"TPE1", "TIT2", "COMM", "TCON"}),
              "TPE1 1 演奏者\nTIT2 1 題名\nCOMM 1 コメント\nTCON 0 J-POP(J)\n");
    EXPECT_EQ(MutagenTexts(write("de.mp3", Fields({{0, "Björk"}, {1, "Plain"}}), cp1252), {"TPE1", "TIT2"}),
              "TPE1 1 Björk\nTIT2 0 Plain\n");
}

const core::GenreTable& Genres() {
    static const core::GenreTable genres;
    return genres;
}

TEST(UnicodeTagSave, PlainFilesGetTheSwitch) {
    for (const bool unicode : {false, true}) {
        SCOPED_TRACE(unicode);
        test::TempFolder folder;
        folder.copyFixture("tag_mutagen_v23.mp3", "a.mp3");
        core::FolderRows rows;
        ASSERT_TRUE(core::ScanFolder(rows, folder.path() + "/"));
        core::FillRow(rows, 0, Genres());
        tags::SetCell({rows, Genres()}, tags::TagList::Id3v2, 0, tags::TagColumn::Title, "題名");
        tags::TagSaveOptions options;
        options.variant = tags::TagVariant::Id3v2;
        options.genres = &Genres();
        options.unicodeText = unicode;
        core::NoProgress quiet;
        const tags::TagSaveOutcome outcome = tags::SaveTags(rows, options, quiet);
        ASSERT_EQ(outcome.savedRows.size(), 1u) << outcome.message;
        EXPECT_EQ(MutagenTexts(folder.file("a.mp3"), {"TIT2"}), unicode ? "TIT2 1 題名\n" : "TIT2 0 題名\n");
    }
}

// ------------------------------------------------------------ code pages

TEST(CodePageChoice, OfferedPagesAreUsableAndTheDefaultComesFirst) {
    const std::vector<std::string> offered = core::OfferedCodePages();
    ASSERT_FALSE(offered.empty());
    EXPECT_EQ(offered.front(), "CP932");
    for (const std::string name : {"CP1252", "ISO-8859-1", "KOI8-R"}) {
        EXPECT_NE(std::find(offered.begin(), offered.end(), name), offered.end()) << name;
    }
    for (const std::string& name : offered) EXPECT_TRUE(core::IsKnownCodePage(name)) << name;
}

TEST(CodePageChoice, StoredNames) {
    const struct {
        const char* stored;
        const char* used;
    } cases[] = {
        {"CP1251", "CP1251"}, {"koi8-r", "KOI8-R"}, {"iso-8859-15", "ISO-8859-15"},
        // Not offered or not a code page at all: the default.
        {"", "CP932"}, {"UTF-8", "CP932"}, {"CP99999", "CP932"}, {"CP932//IGNORE", "CP932"},
    };
    for (const auto& c : cases) EXPECT_EQ(core::UsableCodePage(c.stored), c.used) << c.stored;
}

}  // namespace
