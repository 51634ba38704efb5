// The 128-byte ID3v1 block and the genre table it shares with ID3v2.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "core/GenreTable.h"
#include "core/Id3v1.h"
#include "core/NumberText.h"
#include "support/ByteBuilder.h"

using namespace quilto;
using core::GenreTable;
using core::Id3v1Record;

// Everything here is file-local: the test files share one binary.
namespace {

// One ID3v1 block, field by field. Texts are code-page bytes, NUL-padded.
struct BlockFields {
    std::string title, artist, album, year;
    std::string comment;  // the whole 30 bytes when long enough; NUL padded
    std::uint8_t byte126 = 0;
    std::uint8_t genre = 255;
};

std::vector<std::uint8_t> Block(const BlockFields& s) {
    test::ByteBuilder b;
    b.text("TAG");                            // marker
    b.text(s.title).padTo(3 + 30);            // title
    b.text(s.artist).padTo(33 + 30);          // artist
    b.text(s.album).padTo(63 + 30);           // album
    b.text(s.year).padTo(93 + 4);             // year
    b.text(s.comment).padTo(97 + 29);         // comment, bytes 97..125
    if (b.size() == 126) b.u8(s.byte126);     // track byte (or last comment byte)
    b.padTo(127);
    b.u8(s.genre);                            // genre number
    return b;
}

Id3v1Record Read(const std::vector<std::uint8_t>& block, const GenreTable& genres = GenreTable()) {
    Id3v1Record record;
    EXPECT_TRUE(core::ReadId3v1(block, &record, genres));
    return record;
}

std::string Sjis(std::initializer_list<std::uint8_t> bytes) { return std::string(bytes.begin(), bytes.end()); }


// ---------------------------------------------------------------- genre table

TEST(GenreTable, BuiltInNamesKeepTheirSpelling) {
    const auto& names = core::BuiltInGenreNames();
    ASSERT_EQ(names.size(), 256u);
    // Spellings that look like typos but are the names users already have.
    EXPECT_EQ(names[0], "Blues");
    EXPECT_EQ(names[29], "Jazz+Funk");
    EXPECT_EQ(names[40], "AlternRock");
    EXPECT_EQ(names[62], "Pop/Funk");
    EXPECT_EQ(names[67], "Psychadelic");
    EXPECT_EQ(names[85], "Bebob");
    EXPECT_EQ(names[118], "Phythmic Soul");
    EXPECT_EQ(names[127], "Drum & Bass");
    EXPECT_EQ(names[136], "Christian Gangsta Rap");
    EXPECT_EQ(names[147], "Synthpop");
    EXPECT_EQ(names[248], "Heavy Rock(J)");
    EXPECT_EQ(names[252], "Tecno Ambient(J)");
    EXPECT_EQ(names[255], "Anime(J)");
    for (std::size_t i = 148; i < 248; ++i) EXPECT_EQ(names[i], "- User -") << i;
    for (std::size_t i = 0; i < 148; ++i) EXPECT_NE(names[i], "- User -") << i;
}

TEST(GenreTable, StandardAndExtendedLists) {
    const GenreTable standard(false);
    EXPECT_EQ(standard.id3v2Names().size(), 148u);
    EXPECT_EQ(standard.id3v1Names(), standard.id3v2Names());

    const GenreTable extended(true);
    ASSERT_EQ(extended.id3v2Names().size(), 256u);
    ASSERT_EQ(extended.id3v1Names().size(), 256u);
    EXPECT_EQ(extended.id3v2Names()[255], "Anime(J)");
    EXPECT_EQ(extended.id3v1Names()[255], "");  // 255 means "no genre" in a block
    EXPECT_EQ(extended.id3v1Names()[254], "Tokusatsu(J)");
}

TEST(GenreTable, CustomNamesReplaceActiveNumbersOnly) {
    const std::map<int, std::string> custom = {{13, "J-Pop"}, {200, "Mine"}};
    const GenreTable standard(false, custom);
    EXPECT_EQ(standard.id3v2Names()[13], "J-Pop");
    EXPECT_EQ(standard.id3v2Names().size(), 148u);
    const GenreTable extended(true, custom);
    EXPECT_EQ(extended.id3v2Names()[200], "Mine");
    EXPECT_EQ(extended.id3v1Genre(200), "Mine");
}

TEST(GenreTable, NumberOfName) {
    const GenreTable standard(false);
    EXPECT_EQ(standard.id3v1Number("Pop"), 13u);
    EXPECT_EQ(standard.id3v1Number("hip-HOP"), 7u);  // letter case does not matter
    EXPECT_EQ(standard.id3v1Number("Anime(J)"), 255u);  // not active
    EXPECT_EQ(standard.id3v1Number(""), 255u);
    EXPECT_EQ(standard.id3v1Number("Pop "), 255u);
    const GenreTable extended(true);
    EXPECT_EQ(extended.id3v1Number("anime(j)"), 255u);
    EXPECT_EQ(extended.id3v1Number("J-POP(J)"), 250u);
    EXPECT_EQ(extended.id3v1Number(""), 255u);
}

// ---------------------------------------------------------------- reading

TEST(Id3v1Read, NoTagLeavesRecordAlone) {
    std::vector<std::uint8_t> block = Block(BlockFields{});
    block[0] = 'T', block[1] = 'A', block[2] = 'X';
    Id3v1Record record;
    record.title = "kept";
    EXPECT_FALSE(core::ReadId3v1(block, &record, GenreTable()));
    EXPECT_EQ(record.title, "kept");
    EXPECT_FALSE(core::ReadId3v1(std::vector<std::uint8_t>(60, 'T'), &record, GenreTable()));  // too short
}

TEST(Id3v1Read, PresenceOnlyWithoutRecord) {
    EXPECT_TRUE(core::ReadId3v1(Block(BlockFields{}), nullptr, GenreTable()));
}

TEST(Id3v1Read, FieldsTrimmedAndDecoded) {
    BlockFields s;
    s.title = Sjis({0x93, 0xFA, 0x96, 0x7B}) + "  ";  // 日本, trailing blanks
    s.artist = "Artist\t\r";
    s.album = std::string(30, 'A');  // a full field has no NUL at all
    s.year = "1999";
    s.comment = "hello";
    s.byte126 = 3;
    s.genre = 17;
    const Id3v1Record r = Read(Block(s));
    EXPECT_EQ(r.title, "日本");
    EXPECT_EQ(r.artist, "Artist");
    EXPECT_EQ(r.album, std::string(30, 'A'));
    EXPECT_EQ(r.year, "1999");
    EXPECT_EQ(r.comment, "hello");
    EXPECT_EQ(r.track, "03");
    EXPECT_EQ(r.genre, "Rock");
}

TEST(Id3v1Read, TrailByteBackslashIsNotTrimmedOrSplit) {
    // 表 ends in 0x5C; a byte-wise reader that treats it as "\" would damage it.
    BlockFields s;
    s.title = std::string(28, 'x') + Sjis({0x95, 0x5C});
    const Id3v1Record r = Read(Block(s));
    EXPECT_EQ(r.title, std::string(28, 'x') + "表");
}

struct TrackCase {
    const char* name;
    std::string comment;
    std::uint8_t byte126;
    std::string track;
    std::string commentShown;
};

class Id3v1Track : public ::testing::TestWithParam<TrackCase> {};

TEST_P(Id3v1Track, FromByte126) {
    BlockFields s;
    s.comment = GetParam().comment;
    s.byte126 = GetParam().byte126;
    const Id3v1Record r = Read(Block(s));
    EXPECT_EQ(r.track, GetParam().track);
    EXPECT_EQ(r.comment, GetParam().commentShown);
}

INSTANTIATE_TEST_SUITE_P(
    Id3v1, Id3v1Track,
    ::testing::Values(
        // Byte 125 = 0 and byte 126 = 7: ID3v1.1 track.
        TrackCase{"V11Track", "short", 7, "07", "short"},
        TrackCase{"TrackZeroIsEmpty", "short", 0, "", "short"},
        TrackCase{"ThreeDigits", "c", 255, "255", "c"},
        // 28 characters leave bytes 125 (NUL) and 126 to the track.
        TrackCase{"Comment28", std::string(28, 'c'), 9, "09", std::string(28, 'c')},
        // 29 characters reach into byte 125: no room for a track.
        TrackCase{"Comment29", std::string(29, 'c'), 9, "", std::string(29, 'c')},
        // All 30 bytes are comment (ID3v1.0): byte 126 is its last character.
        TrackCase{"Comment30", std::string(29, 'c') + "Z", 'Z', "", std::string(29, 'c') + "Z"},
        // The comment ends at its first NUL; what follows is not comment.
        TrackCase{"CommentStopsAtNul", std::string("ab\0junk", 7), 4, "04", "ab"}),
    [](const auto& p) { return std::string(p.param.name); });

struct GenreCase {
    const char* name;
    bool extended;
    std::uint8_t byte;
    const char* genre;
};

class Id3v1Genre : public ::testing::TestWithParam<GenreCase> {};

TEST_P(Id3v1Genre, FromByte127) {
    const GenreTable table(GetParam().extended);
    BlockFields s;
    s.genre = GetParam().byte;
    EXPECT_EQ(Read(Block(s), table).genre, GetParam().genre);
}

INSTANTIATE_TEST_SUITE_P(Id3v1, Id3v1Genre,
                         ::testing::Values(GenreCase{"Blues", false, 0, "Blues"},
                                           GenreCase{"Last148", false, 147, "Synthpop"},
                                           GenreCase{"Beyond148", false, 148, ""},
                                           GenreCase{"Byte255Standard", false, 255, ""},
                                           GenreCase{"Byte255Extended", true, 255, ""},
                                           GenreCase{"UserExtended", true, 150, ""},
                                           GenreCase{"JapaneseExtended", true, 250, "J-POP(J)"},
                                           GenreCase{"JapaneseStandard", false, 250, ""}),
                         [](const auto& p) { return std::string(p.param.name); });

// ---------------------------------------------------------------- building

TEST(Id3v1Build, LayoutOfEveryField) {
    Id3v1Record r;
    r.title = "Title";
    r.artist = "Artist";
    r.album = "Album";
    r.year = "2001";
    r.comment = "Note";
    r.track = "12";
    r.genre = "rock";
    const core::Id3v1Block block = core::BuildId3v1(r, GenreTable());
    const auto& b = block.bytes;
    const auto text = [&b](std::size_t at, std::size_t n) { return std::string(b.begin() + at, b.begin() + at + n); };
    EXPECT_EQ(text(0, 3), "TAG");
    EXPECT_EQ(text(3, 30), "Title" + std::string(25, '\0'));
    EXPECT_EQ(text(33, 30), "Artist" + std::string(24, '\0'));
    EXPECT_EQ(text(63, 30), "Album" + std::string(25, '\0'));
    EXPECT_EQ(text(93, 4), "2001");
    EXPECT_EQ(text(97, 29), "Note" + std::string(25, '\0'));
    EXPECT_EQ(b[126], 12);
    EXPECT_EQ(b[127], 17);
    EXPECT_TRUE(block.lossless);
}

TEST(Id3v1Build, EmptyTrackAndGenre) {
    for (const bool extended : {false, true}) {
        const core::Id3v1Block block = core::BuildId3v1(Id3v1Record{}, GenreTable(extended));
        EXPECT_EQ(block.bytes[126], 0);
        EXPECT_EQ(block.bytes[127], 255);
        EXPECT_TRUE(std::all_of(block.bytes.begin() + 3, block.bytes.begin() + 127, [](auto c) { return c == 0; }));
    }
}

TEST(Id3v1Build, UnknownGenreGives255) {
    Id3v1Record r;
    r.genre = "Not A Genre";
    EXPECT_EQ(core::BuildId3v1(r, GenreTable()).bytes[127], 255);
}

struct TrackTextCase {
    const char* text;
    int byte;  // -1: InvalidNumber
};

class Id3v1BuildTrack : public ::testing::TestWithParam<TrackTextCase> {};

TEST_P(Id3v1BuildTrack, ByteOrInvalidNumber) {
    Id3v1Record r;
    r.track = GetParam().text;
    if (GetParam().byte < 0) {
        EXPECT_THROW(core::BuildId3v1(r, GenreTable()), core::InvalidNumber);
    } else {
        EXPECT_EQ(core::BuildId3v1(r, GenreTable()).bytes[126], GetParam().byte);
    }
}

INSTANTIATE_TEST_SUITE_P(Id3v1, Id3v1BuildTrack,
                         ::testing::Values(TrackTextCase{"", 0}, TrackTextCase{"  ", 0}, TrackTextCase{"07", 7},
                                           TrackTextCase{" 5 ", 5}, TrackTextCase{"3/12", 3},
                                           TrackTextCase{"255", 255}, TrackTextCase{"256", -1},
                                           TrackTextCase{"-1", -1}, TrackTextCase{"x", -1},
                                           TrackTextCase{"/12", -1}, TrackTextCase{"1.5", -1}));

TEST(Id3v1Build, OverLongTextsAreCutToTheirWidths) {
    Id3v1Record r;
    r.title = std::string(40, 't');
    r.artist = std::string(40, 'a');
    r.album = std::string(40, 'l');
    r.year = "199999";
    r.comment = std::string(40, 'c');
    r.track = "9";
    const core::Id3v1Block block = core::BuildId3v1(r, GenreTable());
    EXPECT_FALSE(block.lossless);
    const Id3v1Record back = Read({block.bytes.begin(), block.bytes.end()});
    EXPECT_EQ(back.title, std::string(30, 't'));
    EXPECT_EQ(back.artist, std::string(30, 'a'));
    EXPECT_EQ(back.album, std::string(30, 'l'));
    EXPECT_EQ(back.year, "1999");
    EXPECT_EQ(back.comment, std::string(28, 'c'));  // room kept for the track
    EXPECT_EQ(back.track, "09");
}

TEST(Id3v1Build, DoubleByteCharacterNeverSplitAtTheLimit) {
    Id3v1Record r;
    r.title = std::string(29, 'x') + "表";    // would need 31 bytes
    r.artist = "あいうえおかきくけこさしすせそた";  // 16 characters, 32 bytes
    r.comment = std::string(27, 'c') + "ソ";  // would need 29 of 28 bytes
    const core::Id3v1Block block = core::BuildId3v1(r, GenreTable());
    EXPECT_EQ(block.bytes[3 + 29], 0);   // the lead byte was not written alone
    EXPECT_EQ(block.bytes[33 + 30 - 1], 0xBB);  // そ = 82 BB ends the artist field
    const Id3v1Record back = Read({block.bytes.begin(), block.bytes.end()});
    EXPECT_EQ(back.title, std::string(29, 'x'));
    EXPECT_EQ(back.artist, "あいうえおかきくけこさしすせそ");
    EXPECT_EQ(back.comment, std::string(27, 'c'));
    EXPECT_FALSE(block.lossless);
}

TEST(Id3v1Build, LookAlikeCharacterIsReported) {
    Id3v1Record r;
    r.title = "\u00A5100";  // ¥ only has the backslash look-alike
    const core::Id3v1Block block = core::BuildId3v1(r, GenreTable());
    EXPECT_FALSE(block.lossless);
    EXPECT_EQ(block.bytes[3], '\\');
}

TEST(Id3v1Build, RoundTrip) {
    for (const bool extended : {false, true}) {
        const GenreTable table(extended);
        Id3v1Record r;
        r.artist = "アーティスト";
        r.title = "表題 Title";
        r.album = "Album";
        r.track = "07";
        r.year = "2004";
        r.comment = "コメント";
        r.genre = extended ? "Anime(J)" : "Synthpop";
        const core::Id3v1Block block = core::BuildId3v1(r, table);
        EXPECT_TRUE(block.lossless);
        Id3v1Record back;
        ASSERT_TRUE(core::ReadId3v1(block.bytes, &back, table));
        if (extended) {
            // 255 is "no genre" in a block, so this name cannot be stored.
            EXPECT_EQ(block.bytes[127], 255);
            r.genre.clear();
        }
        EXPECT_EQ(back, r);
    }
}

}  // namespace
