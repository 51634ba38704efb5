// quilto-cli extract over files written by quilto-cli pack: the tracks come
// back as the fixtures' audio behind the asked tag, and no existing file is
// replaced without --overwrite.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/ToolRun.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using quilto::test::ProcessResult;
using quilto::test::RunCli;
using quilto::test::SplitLines;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Untagged fixtures, so a packed track is the whole source file.
const std::vector<std::string> kSources = {"cbr128_stereo_info.mp3", "cbr128_joint_info.mp3",
                                           "cbr64_mono_info.mp3"};

class CliExtract : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<std::string> arguments = {"pack", "-o", packed(), "--format", "zip", "--album", "Best Of"};
        for (const std::string& source : kSources) arguments.push_back(std::string(QUILTO_FIXTURE_DIR) + "/" + source);
        const ProcessResult run = RunCli(arguments);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        fs::create_directory(out());
    }
    std::string packed() const { return folder.file("album.zip.mp3").string(); }
    std::string out() const { return folder.file("out").string(); }
    std::string fixture(std::size_t i) const { return ReadFile(std::string(QUILTO_FIXTURE_DIR) + "/" + kSources[i]); }

    ProcessResult Extract(std::vector<std::string> options) const {
        std::vector<std::string> arguments = {"extract", "-d", out()};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.push_back(packed());
        return RunCli(arguments);
    }

    quilto::test::TempFolder folder;
};

TEST_F(CliExtract, WritesTheChosenTracksIntoTheAlbumFolder) {
    const ProcessResult run = Extract({"--tracks", "1,3", "--no-tag"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string album = out() + "/Best Of/";
    EXPECT_EQ(SplitLines(run.out), (std::vector<std::string>{album + kSources[0], album + kSources[2]}));
    EXPECT_EQ(ReadFile(album + kSources[0]), fixture(0));
    EXPECT_EQ(ReadFile(album + kSources[2]), fixture(2));
    EXPECT_FALSE(fs::exists(album + kSources[1]));
}

TEST_F(CliExtract, TagItemsAndFolderChoices) {
    const ProcessResult run = Extract({"--tracks", "2", "--no-make-dir", "--tag-items", "album,track"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string file = ReadFile(out() + "/" + kSources[1]);
    const std::string tag = std::string("ID3\x03\x00\x00\x00\x00\x00\x1F", 10) +
                            std::string("TALB\x00\x00\x00\x08\x00\x00\x00", 11) + "Best Of" +
                            std::string("TRCK\x00\x00\x00\x03\x00\x00\x00", 11) + "02";
    EXPECT_EQ(file, tag + fixture(1));
}

TEST_F(CliExtract, ExistingFilesNeedOverwrite) {
    const std::string target = out() + "/mine/" + kSources[0];
    fs::create_directory(out() + "/mine");
    std::ofstream(target) << "mine";
    struct Case {
        std::vector<std::string> options;
        int exitCode;
        bool replaced;
    };
    for (const Case& c : {Case{{}, 1, false}, Case{{"--skip-existing"}, 0, false}, Case{{"--overwrite"}, 0, true}}) {
        std::vector<std::string> options = {"--make-dir", "mine", "--no-tag", "--tracks", "1"};
        options.insert(options.end(), c.options.begin(), c.options.end());
        const ProcessResult run = Extract(options);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_EQ(ReadFile(target), c.replaced ? fixture(0) : "mine");
        EXPECT_EQ(run.err.find(target) != std::string::npos, !c.replaced) << run.err;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(out() + "/mine"), fs::directory_iterator()), 1);
}

TEST_F(CliExtract, UsageErrors) {
    for (const std::vector<std::string>& options :
         std::vector<std::vector<std::string>>{{"--tracks", "4"},
                                               {"--tracks", "0"},
                                               {"--tracks", "3-1"},
                                               {"--tracks", "1,"},
                                               {"--tracks", "x"},
                                               {"--overwrite", "--skip-existing"},
                                               {"--tag-items", "genre"},
                                               {"--make-dir", "a", "--no-make-dir"}}) {
        const ProcessResult run = Extract(options);
        EXPECT_EQ(run.exitCode, 2) << options.front() << " " << options.back();
    }
    EXPECT_TRUE(fs::is_empty(out()));
}

}  // namespace
