// The Cue List Editor's table: recomputation, row commands, saving into the
// page, the editor round trip and the stored window settings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/IniFile.h"
#include "pack/TimeIndexList.h"

using namespace quilto;
using pack::TimeIndexList;
using pack::TimeIndexRow;

namespace {

struct Cell {
    std::string time, index;
};

TimeIndexList ListOf(const std::vector<Cell>& cells, std::string end) {
    TimeIndexList list;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        TimeIndexRow row;
        row.title = "T" + std::to_string(i + 1);
        row.performer = "P" + std::to_string(i + 1);
        row.time = cells[i].time;
        row.index = cells[i].index;
        list.rows.push_back(row);
    }
    list.endTime = std::move(end);
    return list;
}

std::vector<Cell> CellsOf(const TimeIndexList& list) {
    std::vector<Cell> cells;
    for (const TimeIndexRow& row : list.rows) cells.push_back({row.time, row.index});
    return cells;
}

void ExpectCells(const TimeIndexList& list, const std::vector<Cell>& expected) {
    const std::vector<Cell> cells = CellsOf(list);
    ASSERT_EQ(cells.size(), expected.size());
    for (std::size_t i = 0; i < cells.size(); ++i) {
        EXPECT_EQ(cells[i].time, expected[i].time) << "row " << i;
        EXPECT_EQ(cells[i].index, expected[i].index) << "row " << i;
    }
}

struct RecomputeCase {
    const char* name;
    bool indexFromTime;  // else lengths from the starts
    std::vector<Cell> before;
    std::string endBefore;
    std::vector<Cell> after;
    std::string endAfter;
};

class TimeIndexRecompute : public ::testing::TestWithParam<RecomputeCase> {};

TEST_P(TimeIndexRecompute, KeepsLengthsAndStartsConsistent) {
    const RecomputeCase& c = GetParam();
    TimeIndexList list = ListOf(c.before, c.endBefore);
    if (c.indexFromTime) {
        pack::IndexFromTime(list);
    } else {
        pack::TimeFromIndex(list);
    }
    ExpectCells(list, c.after);
    EXPECT_EQ(list.endTime, c.endAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TimeIndexRecompute,
    ::testing::Values(
        // The first length grew by 10 s: every later start and the end follow.
        RecomputeCase{"FirstLengthMovesLaterStarts", true,
                      {{"03:10:00", "00:00:00"}, {"02:00:00", "03:00:00"}, {"01:00:00", "05:00:00"}}, "06:00:00",
                      {{"03:10:00", "00:00:00"}, {"02:00:00", "03:10:00"}, {"01:00:00", "05:10:00"}}, "06:10:00"},
        // A first start after zero (a lead-in) stays where it is.
        RecomputeCase{"FirstStartNeverMoves", true,
                      {{"00:01:70", "00:02:00"}, {"00:00:10", "09:00:00"}}, "09:00:00",
                      {{"00:01:70", "00:02:00"}, {"00:00:10", "00:03:70"}}, "00:04:05"},
        // An empty or broken length counts as nothing instead of failing.
        RecomputeCase{"UnreadableLengthCountsAsZero", true,
                      {{"", "00:00:00"}, {"xx", "01:00:00"}, {"00:30:00", "02:00:00"}}, "03:00:00",
                      {{"", "00:00:00"}, {"xx", "00:00:00"}, {"00:30:00", "00:00:00"}}, "00:30:00"},
        RecomputeCase{"SumsSaturate", true,
                      {{"998:00:00", "00:00:00"}, {"998:00:00", "00:00:00"}, {"00:00:01", "00:00:00"}}, "00:00:00",
                      {{"998:00:00", "00:00:00"}, {"998:00:00", "998:00:00"}, {"00:00:01", "999:59:74"}},
                      "999:59:74"},
        RecomputeCase{"EmptyListEndsAtZero", true, {}, "05:00:00", {}, "00:00:00"},
        // A start moved past the next one leaves a length of zero; the end
        // of the album stays.
        RecomputeCase{"StartPastNextGivesZeroLength", false,
                      {{"01:00:00", "00:00:00"}, {"01:00:00", "04:00:00"}, {"01:00:00", "02:00:00"}}, "03:00:00",
                      {{"04:00:00", "00:00:00"}, {"00:00:00", "04:00:00"}, {"01:00:00", "02:00:00"}}, "03:00:00"},
        RecomputeCase{"LastLengthRunsToTheEnd", false,
                      {{"00:00:00", "00:00:00"}, {"00:00:00", "01:30:50"}}, "04:00:00",
                      {{"01:30:50", "00:00:00"}, {"02:29:25", "01:30:50"}}, "04:00:00"},
        RecomputeCase{"UnreadableStartCountsAsZero", false,
                      {{"00:00:00", "00:00:00"}, {"00:00:00", "1:00"}}, "02:00:00",
                      {{"00:00:00", "00:00:00"}, {"02:00:00", "1:00"}}, "02:00:00"}),
    [](const ::testing::TestParamInfo<RecomputeCase>& param) { return std::string(param.param.name); });

pack::TrackPage SamplePage() {
    pack::TrackPage page;
    page.page = pack::Page::UnPack;
    page.header.time = "10:00:00";
    page.header.title = "Album";
    for (const auto& [length, index] : std::vector<Cell>{{"03:00:00", "00:00:00"}, {"04:00:00", "03:00:00"}}) {
        pack::CueRow cue;
        cue.length = length;
        cue.index = index;
        cue.number = std::to_string(page.cues.size() + 1);
        cue.title = "Song " + cue.number;
        cue.performer = "Band";
        page.cues.push_back(cue);
    }
    return page;
}

TEST(TimeIndexList, FillsFromThePagesCueList) {
    const pack::TrackPage page = SamplePage();
    const TimeIndexList list = pack::FillTimeIndex(page);
    ExpectCells(list, {{"03:00:00", "00:00:00"}, {"04:00:00", "03:00:00"}});
    EXPECT_EQ(list.rows[1].title, "Song 2");
    EXPECT_EQ(list.rows[1].performer, "Band");
    EXPECT_EQ(list.totalTime, "10:00:00");
    EXPECT_EQ(list.endTime, "07:00:00");

    pack::TrackPage empty;
    empty.header.time = "01:00:00";
    EXPECT_EQ(pack::FillTimeIndex(empty).endTime, "00:00:00");
}

TEST(TimeIndexList, RowCommands) {
    TimeIndexList list = ListOf({{"01:00:00", "00:00:10"}, {"02:00:00", "01:00:10"}, {"03:00:00", "03:00:10"}}, "06:00:10");
    // Deleting the first row keeps the new first start; the rest follow it.
    pack::DeleteTimeIndexRows(list, {0, 7});
    ExpectCells(list, {{"02:00:00", "01:00:10"}, {"03:00:00", "03:00:10"}});
    EXPECT_EQ(list.rows[0].title, "T2");
    EXPECT_EQ(list.endTime, "06:00:10");

    pack::AddTimeIndexRow(list);
    ExpectCells(list, {{"02:00:00", "01:00:10"}, {"03:00:00", "03:00:10"}, {"00:00:00", "00:00:00"}});
    EXPECT_EQ(list.endTime, "06:00:10");  // nothing recomputed

    pack::DeleteTimeIndexRows(list, {1, 1});
    ExpectCells(list, {{"02:00:00", "01:00:10"}, {"00:00:00", "03:00:10"}});

    pack::ClearTimeIndex(list);
    EXPECT_TRUE(list.rows.empty());
    EXPECT_EQ(list.endTime, "00:00:00");
}

TEST(TimeIndexList, ColumnCommands) {
    TimeIndexList list = ListOf({{"", ""}, {"", ""}, {"", ""}}, "00:00:00");
    list.rows[2].performer.clear();
    pack::SetAllTimeIndex(list, pack::TimeIndexColumn::Title, {0, 2, 9}, " (live)", true);
    EXPECT_EQ(list.rows[0].title, "T1 (live)");
    EXPECT_EQ(list.rows[1].title, "T2");
    EXPECT_EQ(list.rows[2].title, "T3 (live)");
    pack::SetAllTimeIndex(list, pack::TimeIndexColumn::Title, {1}, "New", false);
    EXPECT_EQ(list.rows[1].title, "New");

    pack::ClearTimeIndexColumn(list, pack::TimeIndexColumn::Performer);
    for (const TimeIndexRow& row : list.rows) EXPECT_TRUE(row.performer.empty());
    EXPECT_TRUE(list.rows[0].cleared);
    EXPECT_FALSE(list.rows[2].cleared);  // was empty already
}

TEST(TimeIndexList, SaveReplacesOnlyTheCueList) {
    struct Case {
        const char* name;
        std::vector<Cell> rows;
        std::string end;
        bool setTotal;
        std::string headerTime;
        bool notFitting;
    };
    const Case cases[] = {
        {"EmptyWithTotal", {}, "00:00:00", true, "00:00:00", false},
        {"EmptyKeepsTotal", {}, "00:00:00", false, "10:00:00", false},
        {"TotalFromEnd", {{"06:00:00", "00:00:00"}, {"06:00:00", "06:00:00"}}, "12:00:00", true, "12:00:00", false},
        {"TooLongForTotal", {{"06:00:00", "00:00:00"}, {"06:00:00", "06:00:00"}}, "12:00:00", false, "10:00:00", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pack::TrackPage page = SamplePage();
        pack::TrackRow track;
        track.title = "kept";
        page.tracks.push_back(track);
        pack::SaveTimeIndex(ListOf(c.rows, c.end), page, c.setTotal);
        ASSERT_EQ(page.cues.size(), c.rows.size());
        for (std::size_t i = 0; i < c.rows.size(); ++i) {
            EXPECT_EQ(page.cues[i].number, std::to_string(i + 1));
            EXPECT_EQ(page.cues[i].title, "T" + std::to_string(i + 1));
            EXPECT_EQ(page.cues[i].performer, "P" + std::to_string(i + 1));
            EXPECT_EQ(page.cues[i].length, c.rows[i].time);
            EXPECT_EQ(page.cues[i].index, c.rows[i].index);
        }
        EXPECT_EQ(page.header.time, c.headerTime);
        EXPECT_EQ(page.header.notFitting, c.notFitting);
        EXPECT_EQ(page.header.title, "Album");
        ASSERT_EQ(page.tracks.size(), 1U);
    }
}

TEST(TimeIndexList, ReadsTimesLeniently) {
    const std::pair<const char*, const char*> cases[] = {
        {"3:00:00", "03:00:00"},     {"03:00:00", "03:00:00"}, {"123:04:05", "123:04:05"},
        {" 1:2:3 ", "01:02:03"},     {"0:59:75", "01:00:00"},  {"999:59:75", "999:59:74"},
        {"0:90:00", "01:30:00"},     {"", ""},                 {"3:00", ""},
        {"1234:00:00", ""},          {"1:000:00", ""},         {"a:00:00", ""},
        {"1:00:00:00", ""},          {"-1:00:00", ""},
    };
    for (const auto& [typed, stored] : cases) EXPECT_EQ(pack::ReadCueTimeLeniently(typed), stored) << typed;
}

TEST(TimeIndexList, ExchangeTextRefusesTextsThatWouldSplit) {
    TimeIndexList list = ListOf({{"03:00:00", "00:00:00"}, {"", "03:00:00"}}, "03:00:00");
    std::string text, error;
    ASSERT_TRUE(pack::TimeIndexExchangeText(list, text, error));
    EXPECT_EQ(text, "03:00:00\tP1\tT1\r\n\tP2\tT2\r\n");

    for (const char* bad : {"a\tb", "a\nb", "a\rb"}) {
        for (const bool title : {true, false}) {
            TimeIndexList refused = list;
            (title ? refused.rows[1].title : refused.rows[1].performer) = bad;
            EXPECT_FALSE(pack::TimeIndexExchangeText(refused, text, error));
            EXPECT_TRUE(text.empty());
            EXPECT_NE(error.find("Row 2"), std::string::npos) << error;
        }
    }
}

TEST(TimeIndexList, ReadBackRebuildsTheRows) {
    TimeIndexList list = ListOf({{"01:00:00", "00:02:00"}, {"01:00:00", "01:02:00"}}, "02:02:00");
    pack::ReadBackTimeIndex(list,
                            "3:00:00\r\n"              // no tab: all title
                            "1:2:80\t\tSecond\r\n"     // carried, empty performer
                            "abc\tOnly title\n"        // one tab: no performer
                            "\tP\tT\tmore\r\n"         // the title keeps further tabs
                            " 0:30:00 \tPerf\tLast\r\n");
    ASSERT_EQ(list.rows.size(), 5U);
    const std::vector<std::vector<std::string>> expected = {
        {"", "", "3:00:00"}, {"01:03:05", "", "Second"}, {"abc", "", "Only title"}, {"", "P", "T\tmore"},
        {"00:30:00", "Perf", "Last"}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(list.rows[i].time, expected[i][0]) << i;
        EXPECT_EQ(list.rows[i].performer, expected[i][1]) << i;
        EXPECT_EQ(list.rows[i].title, expected[i][2]) << i;
    }
    // The first start stays; unreadable lengths add nothing; the end stays.
    const char* starts[] = {"00:02:00", "00:02:00", "01:05:05", "01:05:05", "01:05:05"};
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(list.rows[i].index, starts[i]) << i;
    EXPECT_EQ(list.endTime, "02:02:00");

    pack::ReadBackTimeIndex(list, "");
    EXPECT_TRUE(list.rows.empty());
}

TEST(TimeIndexList, RoundTripThroughTheExchangeTextKeepsTheRows) {
    TimeIndexList list = ListOf({{"03:00:00", "00:00:00"}, {"123:00:74", "03:00:00"}}, "126:00:74");
    list.rows[0].title = "Título ü";
    std::string text, error;
    ASSERT_TRUE(pack::TimeIndexExchangeText(list, text, error));
    TimeIndexList back = list;
    pack::ReadBackTimeIndex(back, text);
    ExpectCells(back, CellsOf(list));
    EXPECT_EQ(back.rows[0].title, "Título ü");
    EXPECT_EQ(back.rows[1].performer, "P2");
}

TEST(TimeIndexSettings, DefaultsRoundTripAndKeyNames) {
    pack::TimeIndexSettings loaded;
    loaded.width = 1;
    loaded.load(core::IniFile::Parse("[TimeIndex]\nHeight=-5\nWidth=abc\nTotalTime=0\nClmerformer=90\n"));
    pack::TimeIndexSettings expected;
    expected.setTotalTime = false;
    expected.performerWidth = 90;
    EXPECT_EQ(loaded, expected);

    const pack::TimeIndexSettings stored{500, 600, 101, 102, 103, 104, false};
    core::IniFile file;
    stored.store(file);
    EXPECT_EQ(file.text(),
              "[TimeIndex]\nHeight=500\nWidth=600\nClmTitle=101\nClmerformer=102\nClmTime=103\nClmIndex=104\n"
              "TotalTime=0\n");
    pack::TimeIndexSettings back;
    back.load(file);
    EXPECT_EQ(back, stored);
}

}  // namespace
