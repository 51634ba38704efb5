// The column tool commands of the Pack and UnPack pages.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/FileRows.h"
#include "pack/TrackListEdits.h"

using namespace quilto;
using pack::EditColumn;
using pack::EditList;
using pack::TrackCopySource;
using pack::TrackPage;

namespace {

constexpr EditColumn kHeaderTitle{EditList::Header, pack::kHeaderTitleColumn};
constexpr EditColumn kCueTitle{EditList::Cues, pack::kCueTitleColumn};
constexpr EditColumn kCuePerformer{EditList::Cues, pack::kCuePerformerColumn};
constexpr EditColumn kCueIndex{EditList::Cues, pack::kCueIndexColumn};
constexpr EditColumn kTrackArtist{EditList::Tracks, pack::kTrackArtistColumn};
constexpr EditColumn kTrackTitle{EditList::Tracks, pack::kTrackTitleColumn};

pack::TrackRow Track(std::string path, std::string artist, std::string title) {
    pack::TrackRow row;
    row.fileName = row.sourcePath = std::move(path);
    row.artist = std::move(artist);
    row.title = std::move(title);
    return row;
}

pack::CueRow Cue(std::string title, std::string performer, std::string index) {
    pack::CueRow row;
    row.title = std::move(title);
    row.performer = std::move(performer);
    row.index = std::move(index);
    row.length = "00:00:00";
    return row;
}

// Three tracks, two cue rows (the cue list shorter than the track list).
TrackPage Sample() {
    TrackPage page;
    page.header.title = "Album";
    page.header.performer = "Band";
    page.header.time = "10:00:00";
    page.tracks = {Track("/m/a.one.mp3", "A1", "T1"), Track("/m/b.mp3", "", "T2"), Track("/m/c.mp3", "A3", "")};
    page.cues = {Cue("C1", "P1", "00:00:00"), Cue("", "P2", "03:00:00")};
    return page;
}

core::FolderRows Files() {
    core::FolderRows rows;
    rows.folder = "/m/";
    for (const char* name : {"c.mp3", "a.one.mp3"}) {
        core::FileRecord record;
        record.text(core::FileColumn::FileName) = name;
        rows.append(record);
    }
    rows.id3v1[0].tag.title = "v1 c";
    rows.id3v2[1].tag.album = "v2 album a";
    return rows;
}

std::vector<std::string> Texts(const TrackPage& page, EditColumn column) {
    std::vector<std::string> texts;
    for (std::size_t row = 0; row < pack::RowCount(page, column.list); ++row) {
        texts.push_back(pack::ColumnText(page, column, row));
    }
    return texts;
}

struct EditCase {
    const char* name;
    EditColumn column;
    std::function<void(TrackPage&)> run;
    std::vector<std::string> expected;
};

class TrackListEditTest : public testing::TestWithParam<EditCase> {};

TEST_P(TrackListEditTest, ChangesTheColumn) {
    TrackPage page = Sample();
    GetParam().run(page);
    EXPECT_EQ(Texts(page, GetParam().column), GetParam().expected);
}

const core::FolderRows kFiles = Files();

INSTANTIATE_TEST_SUITE_P(
    Commands, TrackListEditTest,
    testing::Values(
        EditCase{"SetAllOnNoSelectionSetsEveryRow", kCueTitle,
                 [](TrackPage& p) { pack::SetAll(p, kCueTitle, {}, "X", false); }, {"X", "X"}},
        EditCase{"SetAllAppendsToTheSelectedRowsOnly", kTrackTitle,
                 [](TrackPage& p) { pack::SetAll(p, kTrackTitle, {2, 0, 7}, "!", true); }, {"T1!", "T2", "!"}},
        EditCase{"SetAllOnTheHeaderSetsItsOneRow", kHeaderTitle,
                 [](TrackPage& p) { pack::SetAll(p, kHeaderTitle, {5}, "New", false); }, {"New"}},
        EditCase{"IndexTakesANormalisedCueTime", kCueIndex,
                 [](TrackPage& p) { pack::SetAll(p, kCueIndex, {1}, "01:59:80", false); },
                 {"00:00:00", "02:00:05"}},
        EditCase{"IndexRefusesTextThatIsNoTime", kCueIndex,
                 [](TrackPage& p) { pack::SetAll(p, kCueIndex, {}, "soon", false); }, {"00:00:00", "03:00:00"}},
        EditCase{"IndexRefusesAppending", kCueIndex,
                 [](TrackPage& p) { pack::SetAll(p, kCueIndex, {}, "00:00:01", true); }, {"00:00:00", "03:00:00"}},
        EditCase{"CueSourceMatchesByIndexAndSkipsEmptyValues", kTrackTitle,
                 [](TrackPage& p) { pack::CopyFromSource(p, kTrackTitle, {}, TrackCopySource::Cue, 1, false); },
                 {"C1", "T2", ""}},
        EditCase{"Mp3TitleIntoTheCueListByIndex", kCueTitle,
                 [](TrackPage& p) { pack::CopyFromSource(p, kCueTitle, {}, TrackCopySource::Mp3, 2, false); },
                 {"T1", "T2"}},
        EditCase{"AppendFromMp3Artist", kCuePerformer,
                 [](TrackPage& p) { pack::CopyFromSource(p, kCuePerformer, {}, TrackCopySource::Mp3, 1, true); },
                 {"P1A1", "P2"}},
        EditCase{"FileNameIsTheNamePartWithoutExtension", kTrackArtist,
                 [](TrackPage& p) { pack::CopyFromSource(p, kTrackArtist, {0, 1}, TrackCopySource::FileName, 0, false); },
                 {"a.one", "b", "A3"}},
        EditCase{"Id3TagsAreFoundByTheTracksFile", kTrackTitle,
                 [](TrackPage& p) {
                     pack::CopyFromSource(p, kTrackTitle, {}, TrackCopySource::Id3v1, 2, false, &kFiles);
                     pack::CopyFromSource(p, kTrackTitle, {}, TrackCopySource::Id3v2, 3, true, &kFiles);
                 },
                 {"T1v2 album a", "T2", "v1 c"}},
        EditCase{"ClearEmptiesUnselectedRowsToo", kTrackArtist,
                 [](TrackPage& p) { EXPECT_TRUE(pack::ClearColumn(p, kTrackArtist)); }, {"", "", ""}},
        EditCase{"ClearRefusesTheIndex", kCueIndex,
                 [](TrackPage& p) { EXPECT_FALSE(pack::ClearColumn(p, kCueIndex)); }, {"00:00:00", "03:00:00"}}),
    [](const testing::TestParamInfo<EditCase>& param) { return std::string(param.param.name); });

TEST(TrackListEdits, ChangedIndexRecomputesTheCueLengths) {
    TrackPage page = Sample();
    pack::SetAll(page, kCueIndex, {1}, "04:00:00", false);
    EXPECT_EQ(page.cues[0].length, "04:00:00");
    EXPECT_EQ(page.cues[1].length, "06:00:00");
}

struct ReadBackCase {
    const char* name;
    EditColumn column;
    const char* text;
    bool accepted;
    std::vector<std::string> expected;
};

class TrackListReadBackTest : public testing::TestWithParam<ReadBackCase> {};

TEST_P(TrackListReadBackTest, TakesTheLinesOrNothing) {
    const ReadBackCase& c = GetParam();
    TrackPage page = Sample();
    std::vector<std::size_t> changed;
    std::string error;
    EXPECT_EQ(pack::ReadBackColumn(page, c.column, c.text, changed, error), c.accepted);
    EXPECT_EQ(error.empty(), c.accepted);
    EXPECT_EQ(Texts(page, c.column), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TrackListReadBackTest,
    testing::Values(ReadBackCase{"CrLfLines", kTrackTitle, "x\r\nT2\r\ny\r\n", true, {"x", "T2", "y"}},
                    ReadBackCase{"LfLinesWithoutLastBreak", kCueTitle, "a\nb", true, {"a", "b"}},
                    ReadBackCase{"OneLineShort", kTrackTitle, "x\r\ny\r\n", false, {"T1", "T2", ""}},
                    ReadBackCase{"OneLineTooMany", kCueTitle, "a\r\nb\r\nc\r\n", false, {"C1", ""}},
                    ReadBackCase{"IndexLines", kCueIndex, "00:00:00\r\n02:30:00\r\n", true, {"00:00:00", "02:30:00"}},
                    ReadBackCase{"IndexLineNoTime", kCueIndex, "00:00:00\r\n2:30\r\n", false,
                                 {"00:00:00", "03:00:00"}}),
    [](const testing::TestParamInfo<ReadBackCase>& param) { return std::string(param.param.name); });

TEST(TrackListEdits, ExchangeTextRoundTripsTheColumn) {
    TrackPage page = Sample();
    const std::string text = pack::ColumnExchangeText(page, kTrackArtist);
    EXPECT_EQ(text, "A1\r\n\r\nA3\r\n");
    std::vector<std::size_t> changed;
    std::string error;
    ASSERT_TRUE(pack::ReadBackColumn(page, kTrackArtist, text, changed, error));
    EXPECT_TRUE(changed.empty());
}

TEST(TrackListEdits, CopyItemsFollowThePageAndTheList) {
    const auto codes = [](pack::Page page, EditColumn column) {
        std::vector<int> result;
        for (const pack::TrackCopyItem& item : pack::CopyItems(page, column)) result.push_back(item.code);
        return result;
    };
    EXPECT_EQ(codes(pack::Page::Pack, kCueTitle), (std::vector<int>{21, 22, 31, 32}));
    EXPECT_EQ(codes(pack::Page::UnPack, kTrackTitle), (std::vector<int>{10, 21, 22, 31, 32}));
    EXPECT_EQ(codes(pack::Page::Pack, kTrackArtist), (std::vector<int>{10, 21, 22, 31, 32, 41, 42, 43, 51, 52, 53}));
    EXPECT_TRUE(codes(pack::Page::Pack, EditColumn{EditList::Tracks, 1}).empty());
}

}  // namespace
