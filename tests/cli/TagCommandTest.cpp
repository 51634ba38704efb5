// quilto-cli tag: fields set and copied land in the files as mutagen and the
// raw ID3v1 block show them, a file that cannot be saved fails the run by
// name while the others are saved, and a packed file's track is tagged inside
// it with the old file kept as the backup.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/TempFolder.h"
#include "support/ToolRun.h"

namespace {

namespace fs = std::filesystem;
using quilto::test::ProcessResult;
using quilto::test::RunCli;
using quilto::test::RunTool;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// "ID=text" per text frame mutagen finds, for the frames asked.
std::string Frames(const fs::path& path) {
    const ProcessResult run = RunTool("/usr/bin/python3", {"-c", R"(
import sys
from mutagen.id3 import ID3
# Without a head tag mutagen would show the ID3v1 block as frames.
if open(sys.argv[1], "rb").read(3) != b"ID3":
    sys.exit(0)
t = ID3(sys.argv[1])
for k in ("TPE1", "TIT2", "TRCK", "TCOM"):
    if k in t: print(k + "=" + str(t[k]))
)", path.string()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return run.out;
}

std::string Id3v1Title(const std::string& file) {
    if (file.size() < 128 || file.compare(file.size() - 128, 3, "TAG") != 0) return "<none>";
    std::string title = file.substr(file.size() - 125, 30);
    return title.substr(0, title.find('\0'));
}

class CliTag : public ::testing::Test {
protected:
    void SetUp() override {
        folder.copyFixture("tag_mutagen_v23.mp3", "a.mp3");       // both tags
        folder.copyFixture("cbr128_stereo_info.mp3", "b.mp3");    // no tag
    }
    std::string path(const std::string& name) const { return folder.file(name).string(); }
    quilto::test::TempFolder folder;
};

TEST_F(CliTag, SetWritesTheNamedFieldsIntoBothTags) {
    const ProcessResult run = RunCli({"tag", "set", "--title", "New Title", "--track", "7/9", "--composer", "Comp",
                                      path("a.mp3"), path("b.mp3")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* name : {"a.mp3", "b.mp3"}) {
        SCOPED_TRACE(name);
        const std::string frames = Frames(folder.file(name));
        EXPECT_NE(frames.find("TIT2=New Title\n"), std::string::npos) << frames;
        EXPECT_NE(frames.find("TRCK=7/9\n"), std::string::npos) << frames;
        EXPECT_NE(frames.find("TCOM=Comp\n"), std::string::npos) << frames;
        const std::string file = ReadFile(folder.file(name));
        EXPECT_EQ(Id3v1Title(file), "New Title");
        EXPECT_EQ(static_cast<unsigned char>(file[file.size() - 2]), 7u);  // ID3v1.1 track byte
    }
    // Fields not named keep what the file had.
    EXPECT_NE(Frames(folder.file("a.mp3")).find("TPE1=Mutagen Artist\n"), std::string::npos);
}

struct OptionCase {
    const char* name;
    std::vector<std::string> options;
    int exitCode;
    std::string frames;   // of a.mp3 afterwards ("" for no ID3v2 tag)
    std::string v1Title;  // of a.mp3 afterwards
    int v1Genre = -1;     // the ID3v1 genre byte afterwards, when checked
};

class CliTagOptions : public CliTag, public ::testing::WithParamInterface<OptionCase> {};

TEST_P(CliTagOptions, ChangeOnlyWhatTheyName) {
    const OptionCase& c = GetParam();
    const std::string before = ReadFile(folder.file("a.mp3"));
    std::vector<std::string> arguments{"tag"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    arguments.push_back(path("a.mp3"));
    const ProcessResult run = RunCli(arguments);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    EXPECT_EQ(Frames(folder.file("a.mp3")), c.frames);
    const std::string after = ReadFile(folder.file("a.mp3"));
    EXPECT_EQ(Id3v1Title(after), c.v1Title);
    if (c.v1Genre >= 0) {
        EXPECT_EQ(static_cast<unsigned char>(after.back()), c.v1Genre);
    }
    if (c.exitCode != 0) {
        EXPECT_EQ(ReadFile(folder.file("a.mp3")), before);
    }
}

const std::string kFramesBefore = "TPE1=Mutagen Artist\nTIT2=Mutagen Title\nTRCK=4/10\nTCOM=Mutagen Composer\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, CliTagOptions,
    ::testing::Values(
        OptionCase{"V1Only", {"set", "--v1", "--title", "Only One"}, 0, kFramesBefore, "Only One"},
        OptionCase{"V2Only", {"set", "--v2", "--artist", "A2"}, 0,
                   "TPE1=A2\nTIT2=Mutagen Title\nTRCK=4/10\nTCOM=Mutagen Composer\n", "Mutagen Title"},
        OptionCase{"RemoveV2", {"set", "--remove-v2"}, 0, "", "Mutagen Title"},
        // A genre outside the table changes the ID3v2 tag only; the ID3v1 block keeps its genre.
        OptionCase{"GenreWithoutId3v1Form", {"set", "--genre", "My Own Genre"}, 0, kFramesBefore, "Mutagen Title",
                   13},
        OptionCase{"RemoveV1", {"set", "--remove-v1", "--title", "T"}, 0,
                   "TPE1=Mutagen Artist\nTIT2=T\nTRCK=4/10\nTCOM=Mutagen Composer\n", "<none>"},
        OptionCase{"V1FieldOnlyInV2", {"set", "--v1", "--composer", "C"}, 2, kFramesBefore, "Mutagen Title"},
        OptionCase{"RemoveWhatIsNotSaved", {"set", "--v2", "--remove-v1"}, 2, kFramesBefore, "Mutagen Title"},
        OptionCase{"CopyBadDirection", {"copy", "v3-to-v2"}, 2, kFramesBefore, "Mutagen Title"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(CliTag, UnicodeTagWritesUtf16) {
    for (const bool unicode : {false, true}) {
        // A title the file does not hold yet: an unchanged field is not saved again.
        std::vector<std::string> arguments{"tag", "set", "--v2", "--title", unicode ? "題名二" : "題名"};
        if (unicode) arguments.push_back("--unicode-tag");
        arguments.push_back(path("b.mp3"));
        ASSERT_EQ(RunCli(arguments).exitCode, 0);
        const ProcessResult read = RunTool(
            "/usr/bin/python3",
            {"-c", "import sys\nfrom mutagen.id3 import ID3\nprint(int(ID3(sys.argv[1])['TIT2'].encoding))", path("b.mp3")});
        EXPECT_EQ(read.out, unicode ? "1\n" : "0\n") << read.err;
    }
}

TEST_F(CliTag, CopyIntoTheOtherTagAndAFailedFileIsNamed) {
    ASSERT_EQ(RunCli({"tag", "set", "--v2", "--title", "From V2", path("b.mp3")}).exitCode, 0);
    const ProcessResult run = RunCli({"tag", "copy", "v2-to-v1", path("missing.mp3"), path("b.mp3")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(path("missing.mp3")), std::string::npos) << run.err;
    EXPECT_EQ(Id3v1Title(ReadFile(folder.file("b.mp3"))), "From V2");
}

TEST_F(CliTag, ATrackOfAPackedFileKeepingOrDroppingTheBackup) {
    const std::string packed = path("album.zip.mp3");
    ASSERT_EQ(RunCli({"pack", "-o", packed, "--format", "zip", "--album", "Best", path("a.mp3"), path("b.mp3")}).exitCode,
              0);
    const std::string original = ReadFile(packed);
    ProcessResult run = RunCli({"tag", "set", "--v2", "--title", "Second Track", packed + "#2"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadFile(packed + ".bak"), original);
    const ProcessResult list = RunCli({"list", packed});
    EXPECT_NE(list.out.find("Second Track"), std::string::npos) << list.out;

    run = RunCli({"tag", "set", "--no-backup", "--v2", "--title", "Again", packed + "#2"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_FALSE(fs::exists(packed + ".bk1"));

    run = RunCli({"tag", "set", "--title", "X", packed + "#3"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("#3"), std::string::npos) << run.err;
}

}  // namespace
