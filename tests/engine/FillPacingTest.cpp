// When long loops let the window run: the pacer's first pump, and a fill of
// many rows that shows its first rows before the last ones are read.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "core/FileRows.h"
#include "core/Progress.h"
#include "support/MpegBuilder.h"
#include "support/TempFolder.h"

namespace quilto::core {
namespace {

using std::chrono::hours;
using std::chrono::milliseconds;

class CountPumps final : public Progress {
public:
    bool cancelRequested() const override { return false; }
    void pump() override { ++pumps; }
    int pumps = 0;
};

struct PacerCase {
    const char* name;
    milliseconds first;
    int pumpsAfterThreeSteps;
};

class PacerFirstPumpTest : public ::testing::TestWithParam<PacerCase> {};

// The interval is an hour, so only the first interval can let a pump through.
TEST_P(PacerFirstPumpTest, FirstIntervalDecidesTheFirstPump) {
    CountPumps progress;
    ProgressPacer pacer(progress, 1, hours(1), GetParam().first);
    for (int i = 0; i < 3; ++i) pacer.step();
    EXPECT_EQ(progress.pumps, GetParam().pumpsAfterThreeSteps);
}

INSTANTIATE_TEST_SUITE_P(Pacer, PacerFirstPumpTest,
                         ::testing::Values(PacerCase{"SameAsInterval", milliseconds(-1), 0},
                                           PacerCase{"LongFirst", hours(1), 0},
                                           PacerCase{"Immediate", milliseconds(0), 1}),
                         [](const ::testing::TestParamInfo<PacerCase>& param) { return std::string(param.param.name); });

// At its first pump the window repaints the list: row 0 must be filled then,
// and rows must remain to be read (a fill that shows nothing until it has
// read everything leaves the window blank for a large folder).
class FirstPumpRows final : public Progress {
public:
    explicit FirstPumpRows(const FolderRows& rows) : rows_(rows) {}
    bool cancelRequested() const override { return false; }
    void pump() override {
        if (seen_) return;
        seen_ = true;
        rowZeroFilled = !rows_.files[0].text(FileColumn::Time).empty();
        lastRowFilled = !rows_.files.back().text(FileColumn::Time).empty();
    }
    bool pumped() const { return seen_; }
    bool rowZeroFilled = false;
    bool lastRowFilled = false;

private:
    const FolderRows& rows_;
    bool seen_ = false;
};

TEST(FillPacingTest, FirstRowsAreShownBeforeTheFillEnds) {
    test::TempFolder folder;
    const auto audio = test::Frames(test::FrameFields{}, 4);
    for (int i = 0; i < 300; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "%03d.mp3", i);
        folder.write(name, audio);
    }
    FolderRows rows;
    ASSERT_TRUE(ScanFolder(rows, folder.path()));
    ASSERT_EQ(rows.size(), 300u);
    FirstPumpRows progress(rows);
    // One thread: with helpers, how far they get before the calling thread's
    // first pump depends on the scheduler.
    FillRows(rows, GenreTable(), progress, 1);
    ASSERT_TRUE(progress.pumped());
    EXPECT_TRUE(progress.rowZeroFilled);
    EXPECT_FALSE(progress.lastRowFilled);
}

}  // namespace
}  // namespace quilto::core
