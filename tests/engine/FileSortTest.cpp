// Sorting the file list by column clicks: the sort marks in the captions, the
// per-column key normalisation, stable ties and the companion lists following.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "core/FileSort.h"
#include "core/NumberText.h"

namespace quilto::core {
namespace {

constexpr int kTagColumn = 4;
constexpr int kKbpsColumn = 13;

FileRecord Named(const std::string& name) {
    FileRecord record;
    record.text(FileColumn::FileName) = name;
    return record;
}

// Rows named r0, r1, ... whose given column holds the given texts.
FolderRows RowsWith(FileColumn column, const std::vector<std::string>& texts) {
    FolderRows rows;
    rows.folder = "/music/";
    for (std::size_t i = 0; i < texts.size(); ++i) {
        FileRecord record = Named("r" + std::to_string(i));
        record.text(column) = texts[i];
        rows.append(std::move(record));
    }
    return rows;
}

std::vector<std::string> Names(const FolderRows& rows) {
    std::vector<std::string> out;
    for (const FileRecord& record : rows.files) out.push_back(record.fileName());
    return out;
}

// Every companion row still describes the file of its index.
void ExpectCompanionsFollow(const FolderRows& rows) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows.id3v1[i].fileName, rows.files[i].fileName()) << "row " << i;
        EXPECT_EQ(rows.id3v2[i].fileName, rows.files[i].fileName()) << "row " << i;
        EXPECT_EQ(rows.rename[i].from, rows.files[i].fileName()) << "row " << i;
    }
}

TEST(FileSortTest, CaptionsAlternateAndTheMarkMovesWithTheColumn) {
    FolderRows rows;
    for (const auto& [name, kbps] : {std::pair{"b.mp3", "128"}, {"c.mp3", "64"}, {"a.mp3", "320"}}) {
        FileRecord record = Named(name);
        record.text(FileColumn::Kbps) = kbps;
        rows.append(std::move(record));
    }
    SortState state;
    EXPECT_EQ(state.captions[1], "FileName  ");
    EXPECT_EQ(state.captions[13], " Kbps");

    ASSERT_TRUE(ClickColumn(state, rows, 1, false));
    EXPECT_EQ(state.captions[1], "FileName +");
    EXPECT_EQ(state.sortMode, 0);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"a.mp3", "b.mp3", "c.mp3"}));

    ASSERT_TRUE(ClickColumn(state, rows, 1, false));
    EXPECT_EQ(state.captions[1], "FileName -");
    EXPECT_EQ(state.sortMode, 1);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"c.mp3", "b.mp3", "a.mp3"}));

    ASSERT_TRUE(ClickColumn(state, rows, kKbpsColumn, false));
    EXPECT_EQ(state.captions[1], "FileName  ");
    EXPECT_EQ(state.captions[13], "+Kbps");
    EXPECT_EQ(state.sortMode, 24);
    EXPECT_EQ(state.lastColumn, kKbpsColumn);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"c.mp3", "b.mp3", "a.mp3"}));  // 64, 128, 320
    ExpectCompanionsFollow(rows);

    // Back to FileName: a first click there is ascending again.
    ASSERT_TRUE(ClickColumn(state, rows, 1, false));
    EXPECT_EQ(state.captions[13], " Kbps");
    EXPECT_EQ(state.captions[1], "FileName +");

    state.resetCaptions();
    EXPECT_EQ(state.captions[1], "FileName  ");
    EXPECT_FALSE(state.lastColumn);
    EXPECT_EQ(state.sortMode, 0);  // stays for the next sort
}

struct OrderCase {
    const char* label;
    FileColumn column;
    std::vector<std::string> texts;       // of rows r0, r1, ...
    std::vector<std::string> ascending;   // row names in ascending order
};

class ColumnOrderTest : public ::testing::TestWithParam<OrderCase> {};

TEST_P(ColumnOrderTest, AscendingThenDescending) {
    const OrderCase& c = GetParam();
    FolderRows rows = RowsWith(c.column, c.texts);
    SortState state;
    const int column = static_cast<int>(c.column) + 1;
    ASSERT_TRUE(ClickColumn(state, rows, column, false));
    EXPECT_EQ(Names(rows), c.ascending);
    ASSERT_TRUE(ClickColumn(state, rows, column, false));
    EXPECT_EQ(Names(rows), std::vector<std::string>(c.ascending.rbegin(), c.ascending.rend()));
    ExpectCompanionsFollow(rows);
}

INSTANTIATE_TEST_SUITE_P(
    Columns, ColumnOrderTest,
    ::testing::Values(
        OrderCase{"TimeMinutesBeforeHours", FileColumn::Time, {"10:00", "9:59", "1:00:01", "60:00", ""},
                  {"r4", "r1", "r0", "r3", "r2"}},
        OrderCase{"TrackTrimmedAndZeroPadded", FileColumn::Track, {" 3", "12", "2", ""}, {"r3", "r2", "r0", "r1"}},
        OrderCase{"FramesZeroPadded", FileColumn::Frames, {"100", "99", "1000(5)"}, {"r1", "r0", "r2"}},
        OrderCase{"HzZeroPadded", FileColumn::Hz, {"48000", "32000", "44100"}, {"r1", "r2", "r0"}},
        OrderCase{"TagBlankPadded", FileColumn::Tag, {"v2", "v1v2", "", "v1"}, {"r2", "r3", "r1", "r0"}},
        OrderCase{"ArtistByBytesCaseSensitive", FileColumn::Artist, {"b", "B", "a!", "a"}, {"r1", "r3", "r2", "r0"}},
        OrderCase{"YearBlankPadded", FileColumn::Year, {"2001", "", "1999"}, {"r1", "r2", "r0"}},
        OrderCase{"FileDateAsWritten", FileColumn::FileDate, {"2010/01/02 00:00:00", "2009/12/31 23:59:59"},
                  {"r1", "r0"}}),
    [](const ::testing::TestParamInfo<OrderCase>& param) { return std::string(param.param.label); });

TEST(FileSortTest, SizeSortsByTheNumberWhateverTheSeparator) {
    const std::string saved = ThousandsSeparator();
    SetThousandsSeparator(".");
    FolderRows rows;
    for (const std::uint64_t size : {1234567ull, 999ull, 1234ull, 12ull}) {
        FileRecord record = Named(std::to_string(size));
        record.fileSize = size;
        record.text(FileColumn::FileSize) = GroupThousands(size);
        rows.append(std::move(record));
    }
    SetThousandsSeparator(saved);
    SortState state;
    ASSERT_TRUE(ClickColumn(state, rows, 2, false));
    EXPECT_EQ(state.captions[2], "+ FileSize");
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"12", "999", "1234", "1234567"}));
}

TEST(FileSortTest, EqualKeysKeepTheirOrderAscendingAndReverseItDescending) {
    FolderRows rows = RowsWith(FileColumn::Tag, {"v1", "v2", "v1", "v1", ""});
    SortState state;
    ASSERT_TRUE(ClickColumn(state, rows, kTagColumn, false));
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"r4", "r0", "r2", "r3", "r1"}));
    ASSERT_TRUE(ClickColumn(state, rows, kTagColumn, false));
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"r1", "r3", "r2", "r0", "r4"}));
    ASSERT_TRUE(ClickColumn(state, rows, kTagColumn, false));
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"r4", "r3", "r2", "r0", "r1"}));
}

TEST(FileSortTest, ImageColumnGroupsByIconThenCueMark) {
    FolderRows rows;
    const std::vector<std::pair<FileIcon, bool>> marks = {
        {FileIcon::CannotOpen, false}, {FileIcon::None, true},  {FileIcon::Packed, false},
        {FileIcon::None, false},       {FileIcon::Packed, true}, {FileIcon::None, false},
    };
    for (std::size_t i = 0; i < marks.size(); ++i) {
        FileRecord record = Named("r" + std::to_string(i));
        record.icon = marks[i].first;
        record.cueMark = marks[i].second;
        rows.append(std::move(record));
        rows.id3v1.back().tag.title = "title of r" + std::to_string(i);
        rows.id3v2.back().tag.artist = "artist of r" + std::to_string(i);
    }
    SortState state;
    ASSERT_TRUE(ClickColumn(state, rows, 0, false));
    EXPECT_EQ(state.captions[0], "+");
    EXPECT_EQ(state.sortMode, -2);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"r3", "r5", "r1", "r2", "r4", "r0"}));
    ExpectCompanionsFollow(rows);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows.id3v1[i].tag.title, "title of " + rows.files[i].fileName());
        EXPECT_EQ(rows.id3v2[i].tag.artist, "artist of " + rows.files[i].fileName());
    }

    ASSERT_TRUE(ClickColumn(state, rows, 0, false));
    EXPECT_EQ(state.captions[0], "-");
    EXPECT_EQ(state.sortMode, -1);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"r0", "r4", "r2", "r1", "r5", "r3"}));
}

TEST(FileSortTest, UnsortableColumnsAndPackedFileNodesIgnoreClicks) {
    FolderRows rows = RowsWith(FileColumn::BitStream, {"9", "1", "5"});
    SortState state;
    ASSERT_TRUE(ClickColumn(state, rows, 1, false));
    const SortState before = state;
    for (int column : {17, 18, 19, 20, 21, -1}) {
        EXPECT_FALSE(ClickColumn(state, rows, column, false)) << column;
    }
    EXPECT_FALSE(ClickColumn(state, rows, 2, true));
    EXPECT_EQ(state.captions, before.captions);
    EXPECT_EQ(state.sortMode, before.sortMode);
    EXPECT_EQ(state.lastColumn, before.lastColumn);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"r0", "r1", "r2"}));
}

TEST(FileSortTest, AlignmentDecidesWhereTheMarkGoes) {
    for (int column = 0; column < static_cast<int>(kFileListColumnCount); ++column) {
        const std::string caption = column == 0 ? " " : std::string(kFileColumnCaptions[column - 1]);
        const char markPlace = IsRightAligned(column) ? caption.front() : caption.back();
        if (column < kFirstUnsortableColumn) {
            EXPECT_EQ(markPlace, ' ') << "column " << column;
        }
    }
}

TEST(FileSortTest, CompareNegatesForDescendingAndBreaksTiesByIndex) {
    FileRecord a = Named("x");
    FileRecord b = Named("x");
    EXPECT_LT(CompareFileRows(a, 0, b, 1, 0), 0);
    EXPECT_GT(CompareFileRows(a, 0, b, 1, 1), 0);
    EXPECT_EQ(CompareFileRows(a, 3, a, 3, 0), 0);
    b.text(FileColumn::FileName) = "w";
    EXPECT_GT(CompareFileRows(a, 0, b, 1, 0), 0);
    b.icon = FileIcon::Packed;
    EXPECT_LT(CompareFileRows(a, 0, b, 1, -2), 0);
    EXPECT_GT(CompareFileRows(a, 0, b, 1, -1), 0);
}

TEST(FolderRowsTest, ReorderMovesAllFourListsAndRejectsANonPermutation) {
    FolderRows rows = RowsWith(FileColumn::Title, {"t0", "t1", "t2"});
    rows.reorder({2, 0, 1});
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"r2", "r0", "r1"}));
    ExpectCompanionsFollow(rows);
    EXPECT_THROW(rows.reorder({0, 1}), std::invalid_argument);
    EXPECT_THROW(rows.reorder({0, 0, 1}), std::invalid_argument);
    EXPECT_THROW(rows.reorder({0, 1, 3}), std::invalid_argument);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"r2", "r0", "r1"}));
    rows.clear();
    EXPECT_EQ(rows.size(), 0u);
    EXPECT_TRUE(rows.id3v1.empty() && rows.id3v2.empty() && rows.rename.empty());
}

}  // namespace
}  // namespace quilto::core
