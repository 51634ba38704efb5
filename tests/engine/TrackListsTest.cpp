// The Pack and UnPack pages' model: drops from the file list, totals, the cue
// index and the commands that edit the lists.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/CueTime.h"
#include "core/FileRows.h"
#include "core/NumberText.h"
#include "core/StreamColumns.h"
#include "pack/TrackLists.h"

using namespace quilto;
using core::FileColumn;
using pack::CueCheck;
using pack::Page;
using pack::TrackPage;

namespace {

struct FileFields {
    std::string name;
    std::uint64_t size = 100000;
    std::uint64_t frames = 0;  // 0: never frame-scanned
    std::uint32_t rateIndex = 0;
    std::uint32_t kbps = 128;
    bool vbr = false;
    std::string album = "Album";
    std::string title = "Title";
    std::string artist = "Artist";
    std::uint64_t otherFrames = 0;
    core::VbrHeaderKind header = core::VbrHeaderKind::None;
    std::uint32_t headerLength = 0;
};

core::FileRecord Record(const FileFields& fields) {
    core::FileRecord record;
    record.text(FileColumn::FileName) = fields.name;
    record.fileSize = fields.size;
    record.text(FileColumn::FileSize) = core::GroupThousands(fields.size);
    record.text(FileColumn::Album) = fields.album;
    record.text(FileColumn::Title) = fields.title;
    record.text(FileColumn::Artist) = fields.artist;
    if (fields.frames != 0) {
        core::StreamInfo& info = record.stream;
        info.frames = fields.frames;
        info.otherFrames = fields.otherFrames;
        info.splitFrames = fields.otherFrames != 0;
        info.kbps = fields.kbps;
        info.rateIndex = fields.rateIndex;
        info.isVbr = fields.vbr;
        info.streamBytes = fields.size - 1000;
        info.headerKind = fields.header;
        info.headerFrameLength = fields.headerLength;
        const core::StreamColumns columns = core::FormatStreamColumns(info);
        for (std::size_t c = 0; c < core::kStreamColumnCount; ++c) {
            record.texts[static_cast<std::size_t>(FileColumn::Time) + c] = columns.texts[c];
        }
    }
    return record;
}

core::FolderRows Rows(const std::vector<FileFields>& files) {
    core::FolderRows rows;
    rows.folder = "/music/";
    for (const FileFields& fields : files) rows.append(Record(fields));
    return rows;
}

std::vector<std::size_t> All(const core::FolderRows& rows) {
    std::vector<std::size_t> all(rows.size());
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
    return all;
}

TrackPage Dropped(const std::vector<FileFields>& files, Page which = Page::Pack) {
    const core::FolderRows rows = Rows(files);
    TrackPage page;
    page.page = which;
    pack::AddFilesToPackList(page, pack::FileListSource{rows, All(rows), {}, {}});
    return page;
}

std::vector<std::string> Indexes(const pack::CueList& cues) {
    std::vector<std::string> out;
    for (const pack::CueRow& row : cues) out.push_back(row.index);
    return out;
}

std::vector<std::string> Titles(const pack::CueList& cues) {
    std::vector<std::string> out;
    for (const pack::CueRow& row : cues) out.push_back(row.title);
    return out;
}

// --- lengths from numbers ----------------------------------------------------

struct LengthCase {
    std::uint64_t frames;
    std::uint32_t rate;
    const char* hz;
};

class NumericLength : public ::testing::TestWithParam<LengthCase> {};

// The numbers kept beside the texts must give exactly what the texts gave.
TEST_P(NumericLength, MatchesTheTextArithmetic) {
    const LengthCase& c = GetParam();
    std::int32_t s1 = 7, f1 = 30, s2 = 7, f2 = 30;
    core::AddFramesToTime(s1, f1, std::to_string(c.frames), c.hz);
    core::AddFramesToTime(s2, f2, c.frames, c.rate);
    EXPECT_EQ(s1, s2);
    EXPECT_EQ(f1, f2);
}

INSTANTIATE_TEST_SUITE_P(TrackLists, NumericLength,
                         ::testing::Values(LengthCase{38, 44100, "44100"}, LengthCase{383, 44100, "44100"},
                                           LengthCase{10001, 48000, "48000"}, LengthCase{77777, 32000, "32000"},
                                           LengthCase{1, 0, ""}, LengthCase{123456, 0, "-"}));

// --- dropping files on the Pack list -----------------------------------------

TEST(TrackLists, DropAddsScannedRowsWithSpansAndRunningIndexes) {
    TrackPage page = Dropped({
        {.name = "a.mp3", .size = 2'000'000, .frames = 3828, .album = "First"},     // 100 s
        {.name = "never.mp3", .size = 5, .frames = 0, .album = "Skipped"},
        {.name = "b.mp3", .size = 3'000'000, .frames = 383, .album = "Second", .title = "B", .artist = "Bee"},
    });
    ASSERT_EQ(page.tracks.size(), 2u);
    ASSERT_EQ(page.cues.size(), 2u);
    EXPECT_EQ(page.tracks[0].caption, "   1");
    EXPECT_EQ(page.tracks[1].caption, "   2");
    EXPECT_EQ(page.tracks[1].fileName, "/music/b.mp3");
    EXPECT_EQ(page.tracks[1].sourcePath, "/music/b.mp3");
    EXPECT_EQ(page.tracks[1].memberName, "");
    EXPECT_EQ(page.tracks[1].span.start, 0u);
    EXPECT_EQ(page.tracks[1].span.end, 3'000'000u);
    EXPECT_EQ(page.tracks[1].artist, "Bee");
    EXPECT_EQ(page.tracks[1].xing, "0");

    EXPECT_EQ(page.cues[0].length, "01:40:00");
    EXPECT_EQ(page.cues[1].length, "00:10:00");
    EXPECT_EQ(Indexes(page.cues), (std::vector<std::string>{"00:00:00", "01:40:00"}));
    EXPECT_EQ(page.cues[1].number, "2");
    EXPECT_EQ(page.cues[1].title, "B");
    EXPECT_EQ(page.cues[1].performer, "Bee");
    EXPECT_EQ(page.header.title, "Second");  // the last dropped file's album
    EXPECT_EQ(page.header.frames, "4211");
    EXPECT_EQ(page.header.frameCount, 4211u);
    EXPECT_EQ(page.header.time, "01:50:00");
    EXPECT_EQ(page.header.kbps, "128");
    EXPECT_EQ(page.header.hz, "44100");
    EXPECT_FALSE(page.header.notFitting);
    EXPECT_EQ(page.header.check, CueCheck::Checked);
}

TEST(TrackLists, DropOfUnscannedRowsAddsNothing) {
    TrackPage page = Dropped({{.name = "a.mp3"}, {.name = "b.mp3"}});
    EXPECT_TRUE(page.tracks.empty());
    EXPECT_TRUE(page.cues.empty());
    EXPECT_EQ(page.header.time, "00:00:00");
    EXPECT_EQ(page.header.frames, "");
}

// A separator other than "," must not reach any number of the track list.
TEST(TrackLists, NumbersDoNotDependOnTheGroupSeparator) {
    core::SetThousandsSeparator(".");
    TrackPage page = Dropped({{.name = "a.mp3", .size = 12'345'678, .frames = 1000, .otherFrames = 25}});
    const std::string countLine = pack::PageCountLine(page);
    core::SetThousandsSeparator(",");
    ASSERT_EQ(page.tracks.size(), 1u);
    EXPECT_EQ(page.tracks[0].span.end, 12'345'678u);
    EXPECT_EQ(page.tracks[0].bitStreamBytes, 12'344'678u);
    EXPECT_EQ(page.tracks[0].bitStream, "12.344.678");
    // Both counts of a full scan, as one plain number.
    EXPECT_EQ(page.tracks[0].frames, "1025");
    EXPECT_EQ(page.tracks[0].frameCount, 1025u);
    EXPECT_EQ(countLine, "12.345.678  0:26");
}

TEST(TrackLists, PackedSourceKeepsContainerAndMemberApart) {
    const core::FolderRows rows = Rows({{.name = "01 one.mp3", .frames = 100}, {.name = "02 two.mp3", .frames = 200}});
    TrackPage page;
    pack::AddFilesToPackList(page, pack::FileListSource{rows, {1}, "/music/dir/album.pac.mp3",
                                                        {{100, 900, 0}, {900, 5000, 0x12345678}}});
    ASSERT_EQ(page.tracks.size(), 1u);
    EXPECT_EQ(page.tracks[0].fileName, "/music/dir/album.pac.mp3/02 two.mp3");
    EXPECT_EQ(page.tracks[0].sourcePath, "/music/dir/album.pac.mp3");
    EXPECT_EQ(page.tracks[0].memberName, "02 two.mp3");
    EXPECT_EQ(page.tracks[0].span.start, 900u);
    EXPECT_EQ(page.tracks[0].span.end, 5000u);
    EXPECT_EQ(page.tracks[0].span.dosDateTime, 0x12345678u);
}

struct XingCase {
    core::VbrHeaderKind kind;
    std::uint32_t length;  // 0: a quick scan, which names the header without its size
    const char* text;
    std::uint32_t bytes;
};

class XingColumn : public ::testing::TestWithParam<XingCase> {};

TEST_P(XingColumn, KeepsTheHeaderLengthAsANumber) {
    const XingCase& c = GetParam();
    TrackPage page = Dropped({{.name = "a.mp3", .frames = 10, .header = c.kind, .headerLength = c.length}});
    ASSERT_EQ(page.tracks.size(), 1u);
    EXPECT_EQ(page.tracks[0].xing, c.text);
    EXPECT_EQ(page.tracks[0].xingBytes, c.bytes);
}

INSTANTIATE_TEST_SUITE_P(TrackLists, XingColumn,
                         ::testing::Values(XingCase{core::VbrHeaderKind::None, 0, "0", 0},
                                           XingCase{core::VbrHeaderKind::Xing, 0, "0", 0},
                                           XingCase{core::VbrHeaderKind::Info, 0, "0", 0},
                                           XingCase{core::VbrHeaderKind::Xing, 417, "417", 417},
                                           XingCase{core::VbrHeaderKind::Info, 104, "104", 104}));

// --- header totals -------------------------------------------------------------

struct TotalsCase {
    const char* name;
    std::vector<FileFields> files;
    const char* kbps;
    const char* hz;
};

class HeaderTotals : public ::testing::TestWithParam<TotalsCase> {};

TEST_P(HeaderTotals, CommonRateOrMark) {
    const TrackPage page = Dropped(GetParam().files);
    EXPECT_EQ(page.header.kbps, GetParam().kbps);
    EXPECT_EQ(page.header.hz, GetParam().hz);
}

INSTANTIATE_TEST_SUITE_P(
    TrackLists, HeaderTotals,
    ::testing::Values(
        TotalsCase{"Same", {{.name = "a", .frames = 9}, {.name = "b", .frames = 9}}, "128", "44100"},
        TotalsCase{"RatesDiffer",
                   {{.name = "a", .frames = 9}, {.name = "b", .frames = 9}, {.name = "c", .frames = 9, .rateIndex = 1}},
                   "128", "-"},
        TotalsCase{"BitRatesDiffer", {{.name = "a", .frames = 9}, {.name = "b", .frames = 9, .kbps = 192}}, "VBR", "44100"},
        TotalsCase{"FirstIsVbr", {{.name = "a", .frames = 9, .vbr = true}, {.name = "b", .frames = 9}}, "VBR", "44100"},
        TotalsCase{"LaterIsVbr", {{.name = "a", .frames = 9}, {.name = "b", .frames = 9, .vbr = true}}, "VBR", "44100"},
        TotalsCase{"VbrStays",
                   {{.name = "a", .frames = 9, .kbps = 192}, {.name = "b", .frames = 9}, {.name = "c", .frames = 9, .kbps = 192}},
                   "VBR", "44100"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(TrackLists, TotalsSkipUnscannedTracksAndSaturate) {
    TrackPage page = Dropped({{.name = "a", .frames = 3828}});
    page.tracks.push_back(pack::TrackRow{});  // an UnPack-style row not scanned yet
    pack::RecomputeHeader(page);
    EXPECT_EQ(page.header.time, "01:40:00");
    EXPECT_EQ(page.header.hz, "44100");
    EXPECT_EQ(page.tracks[1].caption, "   2");

    // About 1100 minutes of audio: the total stops at the largest cue time.
    TrackPage longPage = Dropped({{.name = "a", .frames = 1'300'000}, {.name = "b", .frames = 1'300'000}});
    EXPECT_EQ(longPage.cues[0].length, "565:59:14");
    EXPECT_EQ(longPage.header.time, "999:59:74");
    EXPECT_EQ(longPage.header.frameCount, 2'600'000u);
    EXPECT_EQ(longPage.cues[1].index, "565:59:14");
}

// --- cue lengths and the fit mark ----------------------------------------------

struct FitCase {
    const char* name;
    Page page;
    const char* headerTime;
    CueCheck stored;
    CueCheck check;
    bool notFitting;
};

class FitMark : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitMark, ChecksTheLastEndAgainstTheTotal) {
    const FitCase& c = GetParam();
    TrackPage page = Dropped({{.name = "a", .frames = 3828}, {.name = "b", .frames = 3828}}, c.page);
    page.storedCueCheck = c.stored;
    page.header.time = c.headerTime;
    pack::RecomputeCueLengths(page, false);
    EXPECT_EQ(page.header.check, c.check);
    EXPECT_EQ(page.header.notFitting, c.notFitting);
}

INSTANTIATE_TEST_SUITE_P(
    TrackLists, FitMark,
    ::testing::Values(FitCase{"PackFits", Page::Pack, "03:20:00", CueCheck::Unchecked, CueCheck::Unchecked, false},
                      FitCase{"PackStoredChecked", Page::Pack, "03:20:01", CueCheck::Checked, CueCheck::Checked, false},
                      FitCase{"UnPackFits", Page::UnPack, "03:20:00", CueCheck::Unchecked, CueCheck::Checked, false},
                      FitCase{"TooShort", Page::Pack, "03:19:74", CueCheck::Checked, CueCheck::None, true},
                      FitCase{"LongerMinutes", Page::UnPack, "100:00:00", CueCheck::Unchecked, CueCheck::Checked, false},
                      FitCase{"NotATime", Page::Pack, "  :  :  ", CueCheck::Checked, CueCheck::None, true}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(TrackLists, LengthsFollowTheIndexesAndTheTotal) {
    TrackPage page = Dropped({{.name = "a", .frames = 3828}, {.name = "b", .frames = 3828}});
    page.cues[1].index = "01:00:00";
    pack::RecomputeCueLengths(page, true);
    EXPECT_EQ(page.cues[0].length, "01:00:00");
    EXPECT_EQ(page.cues[1].length, "02:20:00");
    // An index behind the total gives the last track no length, never a negative one.
    page.cues[1].index = "05:00:00";
    pack::RecomputeCueLengths(page, true);
    EXPECT_EQ(page.cues[1].length, "00:00:00");
    EXPECT_TRUE(page.header.notFitting);
}

// --- commands ----------------------------------------------------------------------

struct ClearCase {
    const char* name;
    Page page;
    pack::ClearWhat what;
    bool cuesGone, tracksGone, albumGone;
    CueCheck check;
};

class Clear : public ::testing::TestWithParam<ClearCase> {};

TEST_P(Clear, EmptiesWhatItNames) {
    const ClearCase& c = GetParam();
    TrackPage page = Dropped({{.name = "a", .frames = 3828, .artist = "P"}}, c.page);
    page.storedCueCheck = CueCheck::Unchecked;
    page.header.performer = "Perf";
    page.header.file = "out.mp3";
    page.header.filePath = "/x/out.mp3";
    page.header.cue = "1";
    page.header.check = CueCheck::None;
    page.header.notFitting = true;
    pack::ClearLists(page, c.what);
    EXPECT_EQ(page.cues.empty(), c.cuesGone);
    EXPECT_EQ(page.tracks.empty(), c.tracksGone);
    EXPECT_EQ(page.header.title.empty(), c.albumGone);
    EXPECT_EQ(page.header.performer.empty(), c.albumGone);
    EXPECT_EQ(page.header.check, c.check);
    if (c.cuesGone) {
        EXPECT_FALSE(page.header.notFitting);
    }
    if (c.tracksGone) {
        EXPECT_EQ(page.header.time, "00:00:00");
        EXPECT_EQ(page.header.frames, "");
        EXPECT_EQ(page.header.frameCount, 0u);
        EXPECT_EQ(page.header.kbps, "");
        EXPECT_EQ(page.header.hz, "");
        EXPECT_EQ(page.header.file, "");
        EXPECT_EQ(page.header.cue, "");
        EXPECT_EQ(page.header.filePath.empty(), c.page == Page::UnPack);
    } else {
        EXPECT_EQ(page.header.time, "01:40:00");
        EXPECT_EQ(page.header.file, "out.mp3");
    }
}

INSTANTIATE_TEST_SUITE_P(
    TrackLists, Clear,
    ::testing::Values(ClearCase{"PackCue", Page::Pack, pack::ClearWhat::Cue, true, false, false, CueCheck::Unchecked},
                      ClearCase{"UnPackCue", Page::UnPack, pack::ClearWhat::Cue, true, false, false, CueCheck::None},
                      ClearCase{"PackData", Page::Pack, pack::ClearWhat::Data, false, true, false, CueCheck::None},
                      ClearCase{"UnPackData", Page::UnPack, pack::ClearWhat::Data, false, true, false, CueCheck::None},
                      ClearCase{"PackAll", Page::Pack, pack::ClearWhat::All, true, true, true, CueCheck::Unchecked},
                      ClearCase{"UnPackAll", Page::UnPack, pack::ClearWhat::All, true, true, true, CueCheck::None}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(TrackLists, DeleteTracksRenumbersAndRecomputes) {
    TrackPage page = Dropped({{.name = "a", .frames = 100}, {.name = "b", .frames = 200}, {.name = "c", .frames = 300}});
    pack::DeleteTracks(page, {});
    EXPECT_EQ(page.tracks.size(), 3u);
    pack::DeleteTracks(page, {0, 2, 7});
    ASSERT_EQ(page.tracks.size(), 1u);
    EXPECT_EQ(page.tracks[0].fileName, "/music/b");
    EXPECT_EQ(page.tracks[0].caption, "   1");
    EXPECT_EQ(page.header.frames, "200");
    EXPECT_EQ(page.cues.size(), 3u);  // the cue index is the user's, and now too long
    EXPECT_TRUE(page.header.notFitting);
}

TEST(TrackLists, MakeCueListRebuildsFromTheTracks) {
    TrackPage page = Dropped({{.name = "a", .frames = 3828, .title = "A"}, {.name = "b", .frames = 383, .title = "B"}});
    pack::AddCueRow(page);
    page.cues[0].title = "edited";
    pack::MakeCueList(page);
    EXPECT_EQ(Titles(page.cues), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(Indexes(page.cues), (std::vector<std::string>{"00:00:00", "01:40:00"}));
    EXPECT_FALSE(page.header.notFitting);
}

TEST(TrackLists, AddAndDeleteCueRows) {
    TrackPage page = Dropped({{.name = "a", .frames = 3828}, {.name = "b", .frames = 3828}});
    pack::AddCueRow(page);
    ASSERT_EQ(page.cues.size(), 3u);
    EXPECT_EQ(page.cues[2].number, "3");
    EXPECT_EQ(page.cues[2].index, "03:20:00");
    EXPECT_EQ(page.cues[2].length, "00:00:00");  // ends where the total ends
    EXPECT_FALSE(page.header.notFitting);

    pack::DeleteCueRows(page, {0});
    ASSERT_EQ(page.cues.size(), 2u);
    EXPECT_EQ(page.cues[0].number, "1");
    EXPECT_EQ(page.cues[1].number, "2");
    EXPECT_EQ(page.cues[0].length, "01:40:00");  // from its own start to the next

    TrackPage empty;
    pack::AddCueRow(empty);
    ASSERT_EQ(empty.cues.size(), 1u);
    EXPECT_EQ(empty.cues[0].index, "00:00:00");
    EXPECT_EQ(empty.cues[0].number, "1");
}

// --- moves ------------------------------------------------------------------------

struct MoveCase {
    std::vector<std::size_t> rows;
    std::size_t target;
    std::string order;  // the rows' titles afterwards
    std::vector<std::size_t> moved;
};

class Move : public ::testing::TestWithParam<MoveCase> {};

TEST_P(Move, TrackRowsMoveAsABlockWithTheirSpans) {
    const MoveCase& c = GetParam();
    std::vector<FileFields> files;
    for (char name : std::string("abcde")) files.push_back({.name = std::string(1, name), .size = std::uint64_t(name), .frames = 10});
    TrackPage page = Dropped(files);
    EXPECT_EQ(pack::MoveTrackRows(page, c.rows, c.target), c.moved);
    std::string order;
    for (std::size_t i = 0; i < page.tracks.size(); ++i) {
        order += page.tracks[i].fileName.back();
        EXPECT_EQ(page.tracks[i].span.end, std::uint64_t(page.tracks[i].fileName.back()));
        EXPECT_EQ(page.tracks[i].caption, "   " + std::to_string(i + 1));
    }
    EXPECT_EQ(order, c.order);
}

TEST_P(Move, CueRowsMoveAndTheStartsFollow) {
    const MoveCase& c = GetParam();
    TrackPage page;
    std::int32_t seconds = 0;
    for (char name : std::string("abcde")) {
        pack::AddCueRow(page);
        page.cues.back().title = std::string(1, name);
        page.cues.back().length = "00:0" + std::to_string(name - 'a' + 1) + ":00";
    }
    EXPECT_EQ(pack::MoveCueRows(page, c.rows, c.target), c.moved);
    std::string order;
    for (std::size_t i = 0; i < page.cues.size(); ++i) {
        const pack::CueRow& row = page.cues[i];
        order += row.title;
        EXPECT_EQ(row.number, std::to_string(i + 1));
        EXPECT_EQ(row.length, "00:0" + std::to_string(row.title[0] - 'a' + 1) + ":00");  // lengths stay
        std::int32_t frames = 0;
        std::int32_t at = seconds;
        EXPECT_EQ(row.index, core::FramesToCueTime(at, frames)) << i;
        seconds += row.title[0] - 'a' + 1;
    }
    EXPECT_EQ(order, c.order);
}

INSTANTIATE_TEST_SUITE_P(TrackLists, Move,
                         ::testing::Values(MoveCase{{1, 2}, 4, "adebc", {3, 4}},   // down: behind the target
                                           MoveCase{{3, 4}, 0, "deabc", {0, 1}},   // up: before the target
                                           MoveCase{{0, 4}, 2, "bcaed", {2, 3}},   // scattered rows close up
                                           MoveCase{{2}, 1, "acbde", {1}},
                                           MoveCase{{1, 2}, 2, "abcde", {}},      // onto one of the moved rows
                                           MoveCase{{1}, 5, "abcde", {}},         // beyond the list
                                           MoveCase{{}, 0, "abcde", {}}));

// --- clamp -------------------------------------------------------------------------

struct ClampCase {
    std::vector<std::string> indexes;
    std::size_t row;
    const char* result;
};

class Clamp : public ::testing::TestWithParam<ClampCase> {};

TEST_P(Clamp, KeepsTheIndexBetweenItsNeighbours) {
    pack::CueList cues;
    for (const std::string& index : GetParam().indexes) {
        cues.emplace_back();
        cues.back().index = index;
    }
    pack::ClampCueIndex(cues, GetParam().row);
    EXPECT_EQ(cues[GetParam().row].index, GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(TrackLists, Clamp,
                         ::testing::Values(ClampCase{{"01:00:00", "00:30:00", "02:00:00"}, 1, "01:00:00"},
                                           ClampCase{{"01:00:00", "03:00:00", "02:00:00"}, 1, "02:00:00"},
                                           ClampCase{{"01:00:00", "01:30:00", "02:00:00"}, 1, "01:30:00"},
                                           ClampCase{{"05:00:00", "02:00:00"}, 0, "02:00:00"},
                                           ClampCase{{"05:00:00", "02:00:00"}, 1, "05:00:00"},
                                           // more minute digits are a later time, not a longer string
                                           ClampCase{{"99:59:74", "100:00:00"}, 1, "100:00:00"},
                                           ClampCase{{"00:10:00", "  :  :  "}, 1, "  :  :  "}));

// --- count line ---------------------------------------------------------------------

TEST(TrackLists, CountLineSumsSpansAndTimes) {
    TrackPage page;
    page.tracks.resize(3);
    page.tracks[0].span = {100, 1'000'100, 0};
    page.tracks[0].time = "60:00";
    page.tracks[1].span = {0, 234'567, 0};
    page.tracks[1].time = "1:01";
    page.tracks[2].span = {50, 10, 0};  // a broken span counts nothing
    page.tracks[2].time = "";
    EXPECT_EQ(pack::PageCountLine(page), "1,234,567  1:01:01");
    core::SetThousandsSeparator("\u00a0");
    EXPECT_EQ(pack::PageCountLine(page), "1\u00a0234\u00a0567  1:01:01");
    core::SetThousandsSeparator(",");
    EXPECT_EQ(pack::PageCountLine(TrackPage{}), "0  0:00");
}

TEST(TrackLists, HeaderFromTheDroppedFile) {
    const core::FolderRows rows = Rows({{.name = "a", .album = "", .title = "Song", .artist = "Band"},
                                        {.name = "b", .album = "Record", .artist = "Other"}});
    TrackPage page;
    pack::SetCueHeaderFromFile(page, pack::FileListSource{rows, {0}, {}, {}});
    EXPECT_EQ(page.header.title, "Song");
    EXPECT_EQ(page.header.performer, "Band");
    pack::SetCueHeaderFromFile(page, pack::FileListSource{rows, {1}, {}, {}});
    EXPECT_EQ(page.header.title, "Record");
    EXPECT_EQ(page.header.performer, "Other");
}

TEST(TrackLists, DropOnTheCueListLeavesTheTracks) {
    TrackPage page = Dropped({{.name = "a", .frames = 3828}});
    const core::FolderRows rows = Rows({{.name = "x", .frames = 383, .album = "New", .title = "X"}});
    pack::AddFilesToCueList(page, pack::FileListSource{rows, {0}, {}, {}});
    EXPECT_EQ(page.tracks.size(), 1u);
    ASSERT_EQ(page.cues.size(), 2u);
    EXPECT_EQ(page.cues[1].index, "01:40:00");
    EXPECT_EQ(page.header.title, "New");
    EXPECT_TRUE(page.header.notFitting);  // 110 s of cues over 100 s of tracks
}

}  // namespace
