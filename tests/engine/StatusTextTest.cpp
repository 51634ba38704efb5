// The status bar texts: selection summary and the per-page count lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/StatusText.h"

namespace quilto::core {
namespace {

// A row of the given size whose stream plays the given whole seconds at
// 48 kHz (1152 samples a frame: 125 frames are exactly 3 seconds).
FileRecord Row(std::uint64_t size, std::uint64_t frames48k, bool selected) {
    FileRecord record;
    record.text(FileColumn::FileName) = "x.mp3";
    record.fileSize = size;
    record.stream.frames = frames48k;
    record.stream.rateIndex = 1;
    record.selected = selected;
    return record;
}

struct SummaryCase {
    const char* label;
    std::vector<bool> selected;
    std::string expected;
};

class SelectionSummaryTest : public ::testing::TestWithParam<SummaryCase> {};

TEST_P(SelectionSummaryTest, SumsTheSelectedRows) {
    FolderRows rows;
    const std::vector<std::pair<std::uint64_t, std::uint64_t>> sizeAndFrames = {
        {1000, 150000},        // exactly one hour
        {234, 42},             // one second (1.008)
        {5000000000, 125},     // 5 GB, three seconds
    };
    for (std::size_t i = 0; i < sizeAndFrames.size(); ++i) {
        rows.append(Row(sizeAndFrames[i].first, sizeAndFrames[i].second, GetParam().selected[i]));
    }
    EXPECT_EQ(SelectionSummary(rows), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Selections, SelectionSummaryTest,
    ::testing::Values(SummaryCase{"None", {false, false, false}, "[0/3]   0  0:00"},
                      SummaryCase{"OneHourShowsInMinutes", {true, false, false}, "[1/3]   1,000  60:00"},
                      SummaryCase{"OneSecondMoreShowsHours", {true, true, false}, "[2/3]   1,234  1:00:01"},
                      SummaryCase{"BeyondFourGigabytes", {false, true, true}, "[2/3]   5,000,000,234  0:04"}),
    [](const ::testing::TestParamInfo<SummaryCase>& param) { return std::string(param.param.label); });

TEST(StatusTextTest, EmptyListAndRowsWithoutStream) {
    FolderRows rows;
    EXPECT_EQ(SelectionSummary(rows), "[0/0]   0  0:00");
    rows.append(Row(12, 0, true));  // no audio found: no play time
    EXPECT_EQ(SelectionSummary(rows), "[1/1]   12  0:00");
}

TEST(StatusTextTest, CountLinesArePlainDecimals) {
    EXPECT_EQ(TagCountLine(0, 0, 0), "Tag:0  Edit:0  Total:0");
    EXPECT_EQ(TagCountLine(1200, 3, 4500), "Tag:1200  Edit:3  Total:4500");
    EXPECT_EQ(RenameCountLine(1, 2, 1234), "Error:1  Edit:2  Total:1234");
    EXPECT_EQ(TrackCountLine(1234567, 3599), "1,234,567  59:59");
    EXPECT_EQ(TrackCountLine(0, 36000), "0  10:00:00");
    EXPECT_EQ(FrameScanSummary(0, 5), "[0/5]  Frame Scan ...");
}

}  // namespace
}  // namespace quilto::core
