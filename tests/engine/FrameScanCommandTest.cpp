// The "Frame Scan" command: which rows it chooses, the marker column over
// several runs, the selection it leaves, and Cancel.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/FrameScanCommand.h"
#include "support/MpegBuilder.h"
#include "support/TempFolder.h"

namespace quilto::core {
namespace {

using test::Append;
using test::FrameFields;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kClaimedFrames = 500;
constexpr std::size_t kRealFrames = 30;

// An "Info" header that claims far more frames than the file holds: the quick
// estimate believes it, the full walk counts what is there, so the Frames
// column tells which of the two stored the row.
Bytes LyingInfoFile() {
    const FrameFields fields;
    Bytes bytes = test::VbrFrame(fields, "Info", kClaimedFrames, 1000000);
    Append(bytes, test::Frames(fields, kRealFrames));
    return bytes;
}

Bytes PackedFile() {
    Bytes bytes = test::Id3Tag({test::Id3Frame("TIT2", test::TextBody(0, "Album"))});
    test::ByteBuilder block;
    block.text("Pack").fill(60);
    Append(bytes, block);
    Append(bytes, test::Frames(FrameFields{}, 10));
    return bytes;
}

class RecordingProgress final : public Progress {
public:
    bool cancelRequested() const override { return cancel; }
    void pump() override {}
    void setCaption(std::string_view text) override { caption = text; }
    void setPanelText(int panel, std::string_view text) override {
        if (panel == 1) counters.emplace_back(text);
    }
    bool cancel = false;
    std::string caption;
    std::vector<std::string> counters;
};

class Recorder final : public FrameScanObserver {
public:
    explicit Recorder(const FolderRows& rows) : rows_(rows) {}
    void scanStarting(std::size_t chosenRows, std::size_t allRows) override {
        chosen = chosenRows;
        total = allRows;
    }
    void rowStarting(std::size_t row, std::size_t done, std::size_t chosenRows) override {
        started.push_back(row);
        steps.push_back(std::to_string(done) + "/" + std::to_string(chosenRows));
        EXPECT_TRUE(rows_.files[row].selected) << "row " << row << " is scanned unselected";
        for (std::size_t other : finished) EXPECT_FALSE(rows_.files[other].selected) << "row " << other;
        if (cancelAt && *cancelAt == row) progress->cancel = true;
    }
    void rowFinished(std::size_t row) override { finished.push_back(row); }

    std::size_t chosen = 99;
    std::size_t total = 0;
    std::vector<std::size_t> started;
    std::vector<std::string> steps;
    std::vector<std::size_t> finished;
    std::optional<std::size_t> cancelAt;
    RecordingProgress* progress = nullptr;

private:
    const FolderRows& rows_;
};

// Rows after the fill: 0 a_lie (plain), 1 b_vbr (plain, VBR), 2 c_lie
// (plain), 3 d_pack (packed), 4 e_gone (cannot be opened).
class FrameScanCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder.write("a_lie.mp3", LyingInfoFile());
        folder.copyFixture("vbr_xing_v2.mp3", "b_vbr.mp3");
        folder.write("c_lie.mp3", LyingInfoFile());
        folder.write("d_pack.mp3", PackedFile());
        std::filesystem::create_symlink("nowhere", folder.file("e_gone.mp3"));
        ASSERT_TRUE(ScanFolder(rows, folder.path()));
        NoProgress quiet;
        FillRows(rows, genres, quiet);
        ASSERT_EQ(rows.size(), 5u);
        ASSERT_EQ(rows.files[0].text(FileColumn::Frames), std::to_string(kClaimedFrames));
        ASSERT_EQ(rows.files[1].text(FileColumn::CV), "VBR");
        ASSERT_EQ(rows.files[3].icon, FileIcon::Packed);
        ASSERT_EQ(rows.files[4].icon, FileIcon::CannotOpen);
    }

    std::vector<std::string> markers() const {
        std::vector<std::string> out;
        for (const FileRecord& record : rows.files) out.push_back(record.marker);
        return out;
    }

    std::vector<bool> selection() const {
        std::vector<bool> out;
        for (const FileRecord& record : rows.files) out.push_back(record.selected);
        return out;
    }

    test::TempFolder folder;
    GenreTable genres;
    FolderRows rows;
};

TEST_F(FrameScanCommandTest, AllTwiceSkipsEveryRowTheSecondTime) {
    RecordingProgress progress;
    Recorder first(rows);
    const FrameScanResult result = FrameScanCommand(rows, FrameScanVariant::All, progress, &first);
    EXPECT_EQ(result.chosen, 5u);
    EXPECT_FALSE(result.cancelled);
    EXPECT_EQ(progress.caption, "Frame Scan ...");
    EXPECT_EQ(first.chosen, 5u);
    EXPECT_EQ(first.total, 5u);
    EXPECT_EQ(first.started, (std::vector<std::size_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(first.steps, (std::vector<std::string>{"1/5", "2/5", "3/5", "4/5", "5/5"}));
    EXPECT_EQ(progress.counters, (std::vector<std::string>{"(1/5)", "(2/5)", "(3/5)", "(4/5)", "(5/5)"}));
    EXPECT_EQ(first.finished, (std::vector<std::size_t>{0, 1, 2, 3}));  // e_gone cannot be opened
    EXPECT_EQ(markers(), std::vector<std::string>(5, " "));
    EXPECT_EQ(selection(), std::vector<bool>(5, true));

    EXPECT_EQ(rows.files[0].text(FileColumn::Frames), std::to_string(kRealFrames));
    EXPECT_EQ(rows.files[0].stream.frames, kRealFrames);
    EXPECT_EQ(rows.files[2].text(FileColumn::Frames), std::to_string(kRealFrames));
    EXPECT_EQ(rows.files[1].text(FileColumn::Frames), "96");  // lame's own count (expected.tsv)
    EXPECT_EQ(rows.files[1].text(FileColumn::BitStream), "58,390");
    EXPECT_NE(rows.files[3].text(FileColumn::Time), "");
    EXPECT_EQ(rows.files[3].icon, FileIcon::Packed);
    EXPECT_EQ(rows.files[4].icon, FileIcon::CannotOpen);
    EXPECT_EQ(rows.files[4].text(FileColumn::Time), "");

    // A fresh estimate in a scanned row shows whether the second run touches it.
    rows.files[0].text(FileColumn::Frames) = "estimate";
    Recorder second(rows);
    const FrameScanResult again = FrameScanCommand(rows, FrameScanVariant::All, progress, &second);
    EXPECT_EQ(again.chosen, 5u);
    EXPECT_EQ(second.chosen, 5u);
    EXPECT_TRUE(second.started.empty());
    EXPECT_EQ(rows.files[0].text(FileColumn::Frames), "estimate");
    EXPECT_EQ(markers(), std::vector<std::string>(5, " "));
}

TEST_F(FrameScanCommandTest, VbrWithoutVbrRowsChoosesNothing) {
    FolderRows cbr;
    test::TempFolder plain;
    plain.copyFixture("cbr128_no_vbr_header.mp3", "x.mp3");
    plain.copyFixture("cbr64_mono_info.mp3", "y.mp3");
    ASSERT_TRUE(ScanFolder(cbr, plain.path()));
    NoProgress quiet;
    FillRows(cbr, genres, quiet);

    RecordingProgress progress;
    Recorder recorder(cbr);
    const FrameScanResult result = FrameScanCommand(cbr, FrameScanVariant::Vbr, progress, &recorder);
    EXPECT_EQ(result.chosen, 0u);
    EXPECT_EQ(recorder.chosen, 0u);
    EXPECT_EQ(recorder.total, 2u);
    EXPECT_TRUE(recorder.started.empty());
    for (const FileRecord& record : cbr.files) {
        EXPECT_EQ(record.marker, "");
        EXPECT_FALSE(record.selected);
    }
}

struct VariantCase {
    FrameScanVariant variant;
    std::set<std::size_t> chosen;
};

class FrameScanVariantTest : public FrameScanCommandTest, public ::testing::WithParamInterface<VariantCase> {};

TEST_P(FrameScanVariantTest, ChoosesItsRowsAndMarksOnlyThem) {
    rows.files[1].selected = true;  // what "Select" takes
    rows.files[3].selected = true;
    RecordingProgress progress;
    const FrameScanResult result = FrameScanCommand(rows, GetParam().variant, progress);
    EXPECT_EQ(result.chosen, GetParam().chosen.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const bool chosen = GetParam().chosen.count(i) != 0;
        EXPECT_EQ(rows.files[i].marker, chosen ? " " : "") << "row " << i;
        // Chosen rows end selected; the others keep their selection.
        EXPECT_EQ(rows.files[i].selected, chosen || i == 1 || i == 3) << "row " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, FrameScanVariantTest,
                         ::testing::Values(VariantCase{FrameScanVariant::Pack, {3, 4}},
                                           VariantCase{FrameScanVariant::UnPack, {0, 1, 2}},
                                           VariantCase{FrameScanVariant::Vbr, {1}},
                                           VariantCase{FrameScanVariant::Select, {1, 3}},
                                           VariantCase{FrameScanVariant::All, {0, 1, 2, 3, 4}}));

TEST_F(FrameScanCommandTest, RowsScannedEarlierAreChosenButSkipped) {
    RecordingProgress progress;
    FrameScanCommand(rows, FrameScanVariant::Vbr, progress);
    ASSERT_EQ(rows.files[1].marker, " ");

    Recorder recorder(rows);
    FrameScanCommand(rows, FrameScanVariant::UnPack, progress, &recorder);
    EXPECT_EQ(recorder.chosen, 3u);
    EXPECT_EQ(recorder.started, (std::vector<std::size_t>{0, 2}));
    EXPECT_EQ(recorder.steps, (std::vector<std::string>{"1/3", "3/3"}));
    EXPECT_EQ(markers(), (std::vector<std::string>{" ", " ", " ", "", ""}));
}

TEST_F(FrameScanCommandTest, CancelKeepsTheRowsDoneAndClearsTheMarkers) {
    RecordingProgress progress;
    FrameScanCommand(rows, FrameScanVariant::Pack, progress);  // d_pack and e_gone scanned before
    rows.files[3].selected = false;

    Recorder recorder(rows);
    recorder.progress = &progress;
    recorder.cancelAt = 2;
    const FrameScanResult result = FrameScanCommand(rows, FrameScanVariant::All, progress, &recorder);
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(recorder.started, (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_EQ(recorder.finished, (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(rows.files[0].text(FileColumn::Frames), std::to_string(kRealFrames));
    EXPECT_EQ(rows.files[2].text(FileColumn::Frames), std::to_string(kClaimedFrames));  // not stored
    EXPECT_EQ(rows.files[2].stream.frames, kClaimedFrames);
    EXPECT_EQ(markers(), std::vector<std::string>(5, ""));
    EXPECT_EQ(selection(), std::vector<bool>(5, true));
}

}  // namespace
}  // namespace quilto::core
