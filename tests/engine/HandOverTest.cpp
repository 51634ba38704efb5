// The paths a second start hands over: their on-disk form and the text that
// carries them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/HandOver.h"
#include "support/TempFolder.h"

using quilto::core::BuildHandOverText;
using quilto::core::ParseHandOverText;
using quilto::core::ToLongPathName;
using quilto::test::TempFolder;

namespace {

// Runs the test from inside a folder and goes back afterwards.
class InFolder {
public:
    explicit InFolder(const std::filesystem::path& folder) : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~InFolder() { std::filesystem::current_path(previous_); }

private:
    std::filesystem::path previous_;
};

class ToLongPathNameTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(folder_.file("Music/Album"));
        folder_.write("Music/Album/Song.mp3", {1});
        // The folder itself may sit behind a symbolic link (/tmp on some
        // systems); results are compared with its resolved form.
        root_ = std::filesystem::canonical(folder_.file("")).string();
    }

    TempFolder folder_;
    std::string root_;
};

TEST_F(ToLongPathNameTest, RelativePathBecomesAbsolute) {
    InFolder inside(root_);
    for (const bool lastOnly : {false, true}) {
        EXPECT_EQ(ToLongPathName("Music/Album/Song.mp3", lastOnly), root_ + "/Music/Album/Song.mp3");
        EXPECT_EQ(ToLongPathName("./Music/./Album/../Album/Song.mp3", lastOnly), root_ + "/Music/Album/Song.mp3");
    }
}

TEST_F(ToLongPathNameTest, DotsAreResolvedAsText) {
    EXPECT_EQ(ToLongPathName(root_ + "/Music/Album/../Album//Song.mp3", false), root_ + "/Music/Album/Song.mp3");
    // Through a link, ".." leaves the link's folder, not its target's.
    std::filesystem::create_directory_symlink(root_ + "/Music/Album", root_ + "/Link");
    EXPECT_EQ(ToLongPathName(root_ + "/Link/../Music", false), root_ + "/Music");
}

TEST_F(ToLongPathNameTest, FolderKeepsItsTrailingSeparator) {
    EXPECT_EQ(ToLongPathName(root_ + "/Music/Album/", false), root_ + "/Music/Album/");
    EXPECT_EQ(ToLongPathName("/", false), "/");
}

TEST_F(ToLongPathNameTest, MissingPathComesBackUnchanged) {
    InFolder inside(root_);
    for (const std::string& path : {std::string("Music/Album/Missing.mp3"), std::string("./Missing/../x.mp3"),
                                   root_ + "/Music/../Missing/Song.mp3", std::string("")}) {
        EXPECT_EQ(ToLongPathName(path, false), path);
        EXPECT_EQ(ToLongPathName(path, true), path);
    }
    // A file is no folder.
    EXPECT_EQ(ToLongPathName("Music/Album/Song.mp3/", false), "Music/Album/Song.mp3/");
}

// ----------------------------------------------------------- hand-over text

TEST_F(ToLongPathNameTest, HandOverTextConvertsEveryArgument) {
    InFolder inside(root_);
    EXPECT_EQ(BuildHandOverText({}), "");
    EXPECT_EQ(BuildHandOverText({"Music/Album/Song.mp3", "Music/Album", "missing.mp3"}),
              root_ + "/Music/Album/Song.mp3\r\n" + root_ + "/Music/Album\r\nmissing.mp3\r\n");
}

struct ParseCase {
    std::string text;
    std::vector<std::string> lines;
};

class ParseHandOver : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseHandOver, SplitsAtCrLf) { EXPECT_EQ(ParseHandOverText(GetParam().text), GetParam().lines); }

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseHandOver,
    ::testing::Values(ParseCase{"", {}}, ParseCase{"\r\n", {""}}, ParseCase{"/a.mp3\r\n", {"/a.mp3"}},
                      ParseCase{"/a.mp3\r\n/b.mp3\r\n", {"/a.mp3", "/b.mp3"}},
                      ParseCase{"/a.mp3\r\n/b.mp3", {"/a.mp3", "/b.mp3"}},
                      ParseCase{"/a\r\n\r\n/b\r\n", {"/a", "", "/b"}},
                      ParseCase{"/a\nb\r\n", {"/a\nb"}},  // a lone LF belongs to the name
                      ParseCase{std::string("/a\r\n\0/b\r\n", 9), {"/a"}}));

TEST_F(ToLongPathNameTest, TextRoundTrip) {
    InFolder inside(root_);
    const std::vector<std::string> arguments = {"Music/Album/Song.mp3", root_ + "/Music"};
    EXPECT_EQ(ParseHandOverText(BuildHandOverText(arguments)),
              (std::vector<std::string>{root_ + "/Music/Album/Song.mp3", root_ + "/Music"}));
}

}  // namespace
