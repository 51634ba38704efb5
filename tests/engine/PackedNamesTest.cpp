// New names for the tracks inside Pack, Zip and Lha files: reopened, the
// file lists the new names, every track's bytes are those it had, extraction
// gives the same contents under the new names; a failed write or Cancel at
// any point leaves the file as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/FileRows.h"
#include "core/GenreTable.h"
#include "pack/ExtractTracks.h"
#include "pack/OpenPacked.h"
#include "pack/PackWriter.h"
#include "pack/PackedRows.h"
#include "rename/PackedNames.h"
#include "rename/RenameCheck.h"
#include "support/FailingOutput.h"
#include "support/TempFolder.h"

using namespace quilto;
using core::Bytes;
using pack::PackFormat;
namespace fs = std::filesystem;

namespace {

Bytes ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> Listing(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

core::ContainerKind KindOf(PackFormat format) {
    switch (format) {
        case PackFormat::Zip: return core::ContainerKind::Zip;
        case PackFormat::Lha: return core::ContainerKind::Lzh;
        default: return core::ContainerKind::Pack;
    }
}

class PackedNamesTest : public ::testing::TestWithParam<PackFormat> {
protected:
    void SetUp() override {
        for (const char* sub : {"src", "out", "x1", "x2"}) fs::create_directory(folder.file(sub));
        folder.copyFixture("tag_lame_id3.mp3", "src/01 lame.mp3");
        folder.copyFixture("tag_id3v2tool_v23_v1.mp3", "src/02 tool.mp3");
        folder.copyFixture("cbr128_stereo_info.mp3", "src/03 plain.mp3");
        kind = KindOf(GetParam());
        path = Pack();
        List();
    }

    std::string Pack() {
        core::FolderRows sources;
        EXPECT_TRUE(core::ScanFolder(sources, folder.file("src").string() + "/"));
        core::FillRows(sources, genres, none);
        pack::TrackPage page;
        std::vector<std::size_t> all;
        for (std::size_t i = 0; i < sources.size(); ++i) all.push_back(i);
        pack::AddFilesToPackList(page, pack::FileListSource{sources, all, {}, {}});
        page.header.title = "Album";
        pack::PackRun run;
        run.choices.options.format = GetParam();
        run.choices.title = "Album";
        run.choices.artist = "Band";
        run.outputPath = folder.file("out").string() + "/album.mp3";
        const pack::PackOutcome written = pack::SavePacked(page, run, none);
        EXPECT_EQ(written.status, pack::PackOutcome::Status::Written) << written.message;
        return run.outputPath;
    }

    void List() {
        rows.clear();
        listed = pack::FillPackedRows(rows, path, kind, genres, none);
        ASSERT_TRUE(listed.opened);
    }

    // New stems for tracks 0 and 2, checked as the Update command checks.
    void PlanNames(const std::string& first, const std::string& third) {
        rows.rename[0].fileName = first;
        rows.rename[0].image = core::kEditedImage;
        rows.rename[2].fileName = third;
        rows.rename[2].image = core::kEditedImage;
        ASSERT_FALSE(rename::CheckRenames(rows.rename, rename::SourceColumn::FileName));
    }

    rename::PackedRenameOutcome Run(bool keepBackup, core::Progress& progress, const pack::OutputFactory& out = {}) {
        return rename::RewritePackedNames(path, kind, rows, listed.spans, keepBackup, progress, out);
    }

    // Extracts every track without a tag: file name -> bytes.
    std::vector<std::pair<std::string, Bytes>> Extract(const std::string& into) {
        pack::TrackPage page;
        page.page = pack::Page::UnPack;
        pack::PackedFileFacts facts;
        facts.kind = kind;
        EXPECT_EQ(pack::OpenPacked(path, facts, page, genres, none).status, pack::OpenPackedResult::Status::Opened);
        pack::ExtractRequest request;
        request.outputFolder = folder.file(into).string();
        request.choices.options.makeDir = false;
        request.choices.options.id3v2Tag = false;
        request.choices.selectAll = true;
        const pack::ExtractOutcome outcome = pack::ExtractTracks(page, request, none, {});
        EXPECT_EQ(outcome.status, pack::ExtractOutcome::Status::Done) << outcome.message;
        std::vector<std::pair<std::string, Bytes>> files;
        for (const pack::TrackRow& row : page.tracks) {
            files.emplace_back(row.fileName, ReadAll(request.outputFolder + "/" + row.fileName));
        }
        return files;
    }

    std::vector<Bytes> TrackBytes() const {
        const Bytes all = ReadAll(path);
        std::vector<Bytes> out;
        for (const pack::TrackSpan& s : listed.spans) {
            out.emplace_back(all.begin() + static_cast<std::ptrdiff_t>(s.start),
                             all.begin() + static_cast<std::ptrdiff_t>(s.end));
        }
        return out;
    }

    test::TempFolder folder;
    core::GenreTable genres;
    core::NoProgress none;
    core::ContainerKind kind = core::ContainerKind::Pack;
    std::string path;
    core::FolderRows rows;
    pack::PackedRows listed;
};

TEST_P(PackedNamesTest, NamesChangeAndBytesStay) {
    const std::vector<Bytes> before = TrackBytes();
    const auto extractedBefore = Extract("x1");
    const std::string keptName = rows.files[1].fileName();
    PlanNames("Erste Spur", "Dritte Spur");
    const Bytes original = ReadAll(path);

    const rename::PackedRenameOutcome outcome = Run(true, none);
    ASSERT_EQ(outcome.status, pack::RewriteStatus::Done) << outcome.message;
    EXPECT_EQ(outcome.renamedRows, (std::vector<std::size_t>{0, 2}));
    EXPECT_EQ(outcome.backupPath, path + ".bak");
    EXPECT_TRUE(ReadAll(path + ".bak") == original);
    EXPECT_EQ(rows.rename[0].from, "Erste Spur.mp3");
    EXPECT_EQ(rows.rename[0].image, core::kNoImage);

    List();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows.files[0].fileName(), "Erste Spur.mp3");
    EXPECT_EQ(rows.files[1].fileName(), keptName);
    EXPECT_EQ(rows.files[2].fileName(), "Dritte Spur.mp3");
    EXPECT_TRUE(TrackBytes() == before);

    const auto extractedAfter = Extract("x2");
    ASSERT_EQ(extractedAfter.size(), extractedBefore.size());
    EXPECT_EQ(extractedAfter[0].first, "Erste Spur.mp3");
    EXPECT_EQ(extractedAfter[2].first, "Dritte Spur.mp3");
    for (std::size_t i = 0; i < extractedAfter.size(); ++i) {
        EXPECT_TRUE(extractedAfter[i].second == extractedBefore[i].second) << i;
    }
}

TEST_P(PackedNamesTest, ANameTheCodePageCannotHoldChangesNothing) {
    PlanNames("Track \xF0\x9F\x8E\xB5", "Fine");
    const Bytes original = ReadAll(path);
    const rename::PackedRenameOutcome outcome = Run(false, none);
    EXPECT_EQ(outcome.status, pack::RewriteStatus::Failed);
    EXPECT_NE(outcome.message.find("cannot be stored"), std::string::npos);
    EXPECT_TRUE(ReadAll(path) == original);
    EXPECT_EQ(rows.rename[2].image, core::kEditedImage);
}

TEST_P(PackedNamesTest, EveryFailedWriteOrCancelLeavesTheFileAsItWas) {
    const Bytes original = ReadAll(path);
    for (const bool cancel : {false, true}) {
        for (int k = 0;; ++k) {
            SCOPED_TRACE(std::to_string(k) + (cancel ? " cancel" : " write"));
            ASSERT_LT(k, 500);
            List();
            PlanNames("One", "Three");
            test::CancelAfter cancelling(cancel ? k : 1 << 30);
            const rename::PackedRenameOutcome outcome =
                cancel ? Run(false, cancelling) : Run(false, none, test::Failing(k + 1));
            if (outcome.status == pack::RewriteStatus::Done) {
                EXPECT_EQ(Listing(folder.file("out")), std::vector<std::string>{"album.mp3"});
                // Back to the original names for the next round.
                fs::remove(path);
                std::ofstream(path, std::ios::binary)
                    .write(reinterpret_cast<const char*>(original.data()), static_cast<std::streamsize>(original.size()));
                break;
            }
            EXPECT_EQ(outcome.status, cancel ? pack::RewriteStatus::Cancelled : pack::RewriteStatus::Failed);
            if (!cancel) {
                EXPECT_EQ(outcome.message, "Write Error - 28");
            }
            EXPECT_TRUE(ReadAll(path) == original);
            EXPECT_EQ(Listing(folder.file("out")), std::vector<std::string>{"album.mp3"});
            EXPECT_EQ(rows.rename[0].image, core::kEditedImage);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, PackedNamesTest,
                         ::testing::Values(PackFormat::Pack, PackFormat::Zip, PackFormat::Lha),
                         [](const auto& param) {
                             switch (param.param) {
                                 case PackFormat::Zip: return std::string("Zip");
                                 case PackFormat::Lha: return std::string("Lha");
                                 default: return std::string("Pack");
                             }
                         });

}  // namespace
