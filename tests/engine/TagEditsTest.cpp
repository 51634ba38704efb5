// The tag pages' edits on folder rows: numbering, fitting texts into the
// ID3v1 fields without splitting a character, copies between the tags and
// from file names, Clear, the marks, and the editor's read-back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/FileRows.h"
#include "core/GenreTable.h"
#include "core/TextCodec.h"
#include "tags/TagEdits.h"

using namespace quilto;
using namespace quilto::tags;

namespace {

core::FolderRows MakeRows(std::size_t count) {
    core::FolderRows rows;
    rows.folder = "/music/";
    for (std::size_t i = 0; i < count; ++i) {
        core::FileRecord record;
        record.text(core::FileColumn::FileName) = "song" + std::to_string(i) + ".mp3";
        rows.append(record);
    }
    return rows;
}

std::vector<std::string> Column(const core::FolderRows& rows, TagList list, TagColumn column) {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < rows.size(); ++i) texts.push_back(CellText(rows, list, i, column));
    return texts;
}

const core::GenreTable& Genres() {
    static const core::GenreTable genres;
    return genres;
}

// 29 ASCII bytes and a double-byte character whose first byte is byte 30.
const std::string kTitle31 = std::string(29, 'a') + "\xE3\x81\x82";  // "あ"

struct NumberCase {
    const char* name;
    TagList list;
    Numbering numbering;
    std::vector<std::string> expected;
};

class SetAllNumbersTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(SetAllNumbersTest, NumbersTheRowsInOrder) {
    const NumberCase& c = GetParam();
    core::FolderRows rows = MakeRows(c.expected.size());
    const auto changed = SetAllNumbers({rows, Genres()}, c.list, {}, c.numbering);
    EXPECT_EQ(Column(rows, c.list, TagColumn::Track), c.expected);
    EXPECT_EQ(changed.size(), c.expected.size());
    EXPECT_TRUE(HasEditedRows(rows, c.list));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetAllNumbersTest,
    ::testing::Values(NumberCase{"ZeroFromNine", TagList::Id3v2, {9, 1, true, "", ""}, {"09", "10", "11"}},
                      NumberCase{"Id3v1WrapsAt100", TagList::Id3v1, {99, 1, true, "", ""}, {"99", "00", "01"}},
                      // The ID3v1 page keeps "Zero" checked and has no texts around the number.
                      NumberCase{"Id3v1AlwaysPadded", TagList::Id3v1, {1, 2, false, "x", "y"}, {"01", "03", "05"}},
                      NumberCase{"Id3v2Texts", TagList::Id3v2, {1, 2, false, "(", "/5)"}, {"(1/5)", "(3/5)", "(5/5)"}},
                      NumberCase{"Id3v2PastHundred", TagList::Id3v2, {99, 1, true, "", ""}, {"99", "100"}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(SetAllNumbersTest, SkipsExcludedRowsWithoutUsingANumber) {
    core::FolderRows rows = MakeRows(3);
    rows.id3v2[1].image = core::kExcludedImage;
    SetAllNumbers({rows, Genres()}, TagList::Id3v2, {}, {1, 1, true, "", ""});
    EXPECT_EQ(Column(rows, TagList::Id3v2, TagColumn::Track), (std::vector<std::string>{"01", "", "02"}));
    EXPECT_EQ(rows.id3v2[1].image, core::kExcludedImage);
}

struct FitCase {
    const char* name;
    TagColumn column;
    std::string text;
    std::string expected;
};

class FitId3v1TextTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitId3v1TextTest, FitsTheField) {
    const FitCase& c = GetParam();
    EXPECT_EQ(FitId3v1Text(c.text, c.column, Genres()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FitId3v1TextTest,
    ::testing::Values(FitCase{"DoubleByteAtByte30", TagColumn::Title, kTitle31, std::string(29, 'a')},
                      FitCase{"Thirty", TagColumn::Artist, std::string(35, 'b'), std::string(30, 'b')},
                      FitCase{"Trimmed", TagColumn::Album, " \t Album \x01", "Album"},
                      FitCase{"TrackOfTotal", TagColumn::Track, "3/12", "3"},
                      FitCase{"TrackLetters", TagColumn::Track, "A1", ""},
                      FitCase{"TrackTwoDigits", TagColumn::Track, "123", "12"},
                      FitCase{"YearOfDate", TagColumn::Year, "2021-03-04", "2021"},
                      FitCase{"CommentFirstLine", TagColumn::Comment, "first\r\nsecond", "first"},
                      FitCase{"CommentLf", TagColumn::Comment, "first\nsecond", "first"},
                      FitCase{"Comment28", TagColumn::Comment, std::string(40, 'c'), std::string(28, 'c')},
                      FitCase{"GenreEntry", TagColumn::Genre, "Rock", "Rock"},
                      FitCase{"GenreOther", TagColumn::Genre, "Not A Genre", ""}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(TagEditsTest, SetCellMarksOnlyRealChangesAndNeverExcludedRows) {
    core::FolderRows rows = MakeRows(2);
    rows.id3v1[1].image = core::kExcludedImage;
    EXPECT_FALSE(SetCell({rows, Genres()}, TagList::Id3v1, 0, TagColumn::Title, ""));
    EXPECT_EQ(rows.id3v1[0].image, core::kNoImage);
    EXPECT_TRUE(SetCell({rows, Genres()}, TagList::Id3v1, 0, TagColumn::Genre, "Nonsense Genre") == false);
    EXPECT_TRUE(SetCell({rows, Genres()}, TagList::Id3v1, 0, TagColumn::Title, "T"));
    EXPECT_EQ(rows.id3v1[0].tagMark, 1);
    EXPECT_EQ(rows.id3v1[0].image, core::kEditedImage);
    EXPECT_FALSE(SetCell({rows, Genres()}, TagList::Id3v1, 1, TagColumn::Title, "T"));
    EXPECT_EQ(rows.id3v1[1].tag.title, "");
    // The ID3v2 genre is free text.
    EXPECT_TRUE(SetCell({rows, Genres()}, TagList::Id3v2, 0, TagColumn::Genre, "Nonsense Genre"));
    EXPECT_FALSE(SetCell({rows, Genres()}, TagList::Id3v2, 0, TagColumn::FileName, "x.mp3"));
}

TEST(TagEditsTest, CopyFromId3v2FitsMatchesByIndexAndKeepsWhatItCannotFill) {
    core::FolderRows rows = MakeRows(3);
    for (auto& row : rows.id3v2) row.tagMark = 1;
    rows.id3v2[0].tag.title = kTitle31;
    rows.id3v2[0].tag.track = "7/9";
    rows.id3v2[0].tag.genre = "My Own Genre";  // no ID3v1 entry: copied as nothing
    rows.id3v1[0].tag.genre = "Rock";
    rows.id3v1[0].tag.year = "1999";           // an empty ID3v2 year erases nothing
    rows.id3v2[1].tag.title = "unmarked";
    rows.id3v2[1].tagMark = 0;
    rows.id3v2[2].tag.title = "excluded";
    rows.id3v1[2].image = core::kExcludedImage;

    const auto changed = CopyFromOtherTag({rows, Genres()}, TagList::Id3v1, {});
    EXPECT_EQ(changed, std::vector<std::size_t>{0});
    EXPECT_EQ(rows.id3v1[0].tag.title, std::string(29, 'a'));
    EXPECT_EQ(rows.id3v1[0].tag.track, "7");
    EXPECT_EQ(rows.id3v1[0].tag.genre, "Rock");
    EXPECT_EQ(rows.id3v1[0].tag.year, "1999");
    EXPECT_EQ(rows.id3v1[0].tagMark, 1);
    EXPECT_EQ(rows.id3v1[1].tag.title, "");
    EXPECT_EQ(rows.id3v1[2].tag.title, "");
}

TEST(TagEditsTest, CopyFromId3v1OnlyTheChosenRows) {
    core::FolderRows rows = MakeRows(2);
    for (auto& row : rows.id3v1) {
        row.tagMark = 1;
        row.tag.artist = "A";
    }
    EXPECT_EQ(CopyFromOtherTag({rows, Genres()}, TagList::Id3v2, {1}), std::vector<std::size_t>{1});
    EXPECT_EQ(Column(rows, TagList::Id3v2, TagColumn::Artist), (std::vector<std::string>{"", "A"}));
}

TEST(TagEditsTest, AppendFromFileNameAndCopyFromTheOtherTagOfTheSameRow) {
    core::FolderRows rows = MakeRows(2);
    rows.id3v2[0].tag.title = "T ";
    rows.id3v2[1].tag.title = "U ";
    CopyFromSource({rows, Genres()}, TagList::Id3v2, TagColumn::Title, {}, CopySource::FileName, CopyField::Artist,
                   true);
    EXPECT_EQ(Column(rows, TagList::Id3v2, TagColumn::Title), (std::vector<std::string>{"T song0", "U song1"}));

    rows.id3v1[1].tag.album = "Album One";
    const auto changed = CopyFromSource({rows, Genres()}, TagList::Id3v2, TagColumn::Comment, {}, CopySource::Id3v1,
                                        CopyField::Album, false);
    EXPECT_EQ(changed, std::vector<std::size_t>{1});
    EXPECT_EQ(Column(rows, TagList::Id3v2, TagColumn::Comment), (std::vector<std::string>{"", "Album One"}));

    // Into the ID3v1 "№" only digits arrive.
    CopyFromSource({rows, Genres()}, TagList::Id3v1, TagColumn::Track, {}, CopySource::FileName, CopyField::Artist,
                   false);
    EXPECT_EQ(Column(rows, TagList::Id3v1, TagColumn::Track), (std::vector<std::string>{"", ""}));
}

TEST(TagEditsTest, SetAllAppendsAndFitsOnTheId3v1List) {
    core::FolderRows rows = MakeRows(2);
    rows.id3v1[0].tag.title = std::string(28, 'x');
    SetAll({rows, Genres()}, TagList::Id3v1, TagColumn::Title, {}, "yz!", true);
    EXPECT_EQ(rows.id3v1[0].tag.title, std::string(28, 'x') + "yz");
    EXPECT_EQ(rows.id3v1[1].tag.title, "yz!");
    SetAll({rows, Genres()}, TagList::Id3v1, TagColumn::Year, {1}, "19a9", false);
    EXPECT_EQ(Column(rows, TagList::Id3v1, TagColumn::Year), (std::vector<std::string>{"", "19"}));
}

TEST(TagEditsTest, ClearEmptiesEveryRowButExcludedOnesAndKeepsTagMarks) {
    core::FolderRows rows = MakeRows(3);
    for (auto& row : rows.id3v2) row.tag.album = "Album";
    rows.id3v2[0].tagMark = 0;
    rows.id3v2[2].image = core::kExcludedImage;
    ClearColumn(rows, TagList::Id3v2, TagColumn::Album);
    EXPECT_EQ(Column(rows, TagList::Id3v2, TagColumn::Album), (std::vector<std::string>{"", "", "Album"}));
    EXPECT_EQ(rows.id3v2[0].tagMark, 0);
    EXPECT_EQ(rows.id3v2[0].image, core::kEditedImage);
    EXPECT_EQ(rows.id3v2[2].image, core::kExcludedImage);
}

TEST(TagEditsTest, HeaderTogglesEveryMarkAndSingleRowToggles) {
    core::FolderRows rows = MakeRows(3);
    rows.id3v1[2].image = core::kExcludedImage;
    ToggleAllTagMarks(rows, TagList::Id3v1);
    EXPECT_EQ(rows.id3v1[0].tagMark, 1);
    EXPECT_EQ(rows.id3v1[1].image, core::kEditedImage);
    EXPECT_EQ(rows.id3v1[2].tagMark, 0);
    ClearEditMark(rows, TagList::Id3v1, 0);
    ClearEditMark(rows, TagList::Id3v1, 1);
    EXPECT_FALSE(HasEditedRows(rows, TagList::Id3v1));
    ToggleTagMark(rows, TagList::Id3v1, 0);  // one mark 1 is left
    ToggleAllTagMarks(rows, TagList::Id3v1);
    EXPECT_EQ(rows.id3v1[0].tagMark, 0);
    EXPECT_EQ(rows.id3v1[1].tagMark, 0);
    EXPECT_EQ(rows.id3v1[1].image, core::kEditedImage);
}

struct ReadBackCase {
    const char* name;
    std::string text;
    bool accepted;
    std::vector<std::string> titles;
};

class ReadBackColumnTest : public ::testing::TestWithParam<ReadBackCase> {};

TEST_P(ReadBackColumnTest, TakesTheLinesOnlyWhenTheyMatchTheRows) {
    const ReadBackCase& c = GetParam();
    core::FolderRows rows = MakeRows(2);
    rows.id3v1[0].tag.title = "old0";
    rows.id3v1[1].tag.title = "old1";
    std::vector<std::size_t> changed;
    std::string error;
    EXPECT_EQ(ReadBackColumn({rows, Genres()}, TagList::Id3v1, TagColumn::Title, c.text, changed, error), c.accepted);
    EXPECT_EQ(error.empty(), c.accepted) << error;
    EXPECT_EQ(Column(rows, TagList::Id3v1, TagColumn::Title), c.titles);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadBackColumnTest,
    ::testing::Values(ReadBackCase{"CrLf", "new0\r\nold1\r\n", true, {"new0", "old1"}},
                      ReadBackCase{"LfNoFinalBreak", "new0\nnew1", true, {"new0", "new1"}},
                      ReadBackCase{"TooFew", "new0\r\n", false, {"old0", "old1"}},
                      ReadBackCase{"TooMany", "a\r\nb\r\nc\r\n", false, {"old0", "old1"}},
                      ReadBackCase{"ExtraEmptyLine", "a\r\nb\r\n\r\n", false, {"old0", "old1"}},
                      ReadBackCase{"NotInCodePage", "caf\xC3\xA9\r\nb\r\n", false, {"old0", "old1"}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(TagEditsTest, ExchangeTextRoundTripsUnchanged) {
    core::FolderRows rows = MakeRows(3);
    rows.id3v2[1].tag.composer = "C";
    const std::string text = ColumnExchangeText(rows, TagList::Id3v2, TagColumn::Composer);
    EXPECT_EQ(text, "\r\nC\r\n\r\n");
    std::vector<std::size_t> changed;
    std::string error;
    EXPECT_TRUE(ReadBackColumn({rows, Genres()}, TagList::Id3v2, TagColumn::Composer, text, changed, error));
    EXPECT_TRUE(changed.empty());
    EXPECT_FALSE(HasEditedRows(rows, TagList::Id3v2));
}

TEST(TagEditsTest, ReadBackKeepsTheCellsUtf8) {
    // A stray byte from an editor saving in another encoding.
    core::FolderRows rows = MakeRows(2);
    std::vector<std::size_t> changed;
    std::string error;
    ASSERT_TRUE(ReadBackColumn({rows, Genres()}, TagList::Id3v2, TagColumn::Title, "One\r\nThree\x8D\r\n", changed,
                               error)) << error;
    EXPECT_EQ(Column(rows, TagList::Id3v2, TagColumn::Title), (std::vector<std::string>{"One", "Three\xEF\xBF\xBD"}));
}

}  // namespace
