// quilto-cli rename: the plan changes nothing, --apply renames or refuses
// the whole plan, --undo renames back and refuses a file changed since.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "support/RunProcess.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using quilto::test::ProcessResult;

class CliRename : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(folder.file("music"));
        folder.copyFixture("tag_id3v2tool_v23_v1.mp3", "music/one.mp3");
        folder.copyFixture("tag_lame_id3.mp3", "music/two.mp3");
        std::ofstream(folder.file("music/notes.txt")) << "not an MP3";
        music = folder.file("music").string() + "/";
    }

    ProcessResult Run(std::vector<std::string> arguments) {
        std::vector<std::string> words{"env", "LC_ALL=C", "XDG_DATA_HOME=" + folder.file("data").string(),
                                       QUILTO_CLI_PATH, "rename"};
        words.insert(words.end(), arguments.begin(), arguments.end());
        ProcessResult run = quilto::test::RunProcess(words);
        EXPECT_NE(run.exitCode, 127);
        return run;
    }

    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(folder.file("music"))) names.insert(e.path().filename().string());
        return names;
    }

    quilto::test::TempFolder folder;
    std::string music;
};

TEST_F(CliRename, PlanApplyAndUndo) {
    const std::set<std::string> original = Names();
    const ProcessResult plan = Run({"--format", "{v2:Artist} - {v2:Title}", music});
    ASSERT_EQ(plan.exitCode, 0) << plan.err;
    EXPECT_NE(plan.out.find(music + "one.mp3\t" + music + "Id3lib Artist - Id3lib Title.mp3\t\n"), std::string::npos)
        << plan.out;
    EXPECT_EQ(Names(), original);

    const ProcessResult applied = Run({"--format", "{v2:Artist} - {v2:Title}", "--apply", music});
    ASSERT_EQ(applied.exitCode, 0) << applied.err;
    EXPECT_EQ(Names().count("Id3lib Artist - Id3lib Title.mp3"), 1u);
    EXPECT_EQ(Names().count("one.mp3"), 0u);
    EXPECT_EQ(Names().size(), original.size());
    EXPECT_TRUE(fs::exists(folder.file("data/quilto/rename-journal")));

    const ProcessResult undone = Run({"--undo"});
    ASSERT_EQ(undone.exitCode, 0) << undone.err;
    EXPECT_EQ(Names(), original);
    EXPECT_EQ(Run({"--undo"}).exitCode, 1);  // nothing left to undo
}

TEST_F(CliRename, ProblemsRefuseTheWholePlan) {
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    for (const Case& c : {Case{{"--replace", "one=two", music}, "Existing File"},
                          Case{{"--replace", "one=", "--replace", "two=x", music}, "Empty Name"},
                          Case{{"--replace", "one=a/b", music + "one.mp3"}, "Check ( / )"},
                          Case{{"--convert", "upper", music + "one.mp3", music + "ONE.mp3"}, ""}}) {
        std::vector<std::string> arguments = c.arguments;
        arguments.push_back("--apply");
        const ProcessResult run = Run(arguments);
        EXPECT_EQ(run.exitCode, 1) << arguments[0] << " " << arguments[1];
        EXPECT_NE(run.out.find(c.message), std::string::npos) << run.out;
        EXPECT_EQ(Names(), (std::set<std::string>{"notes.txt", "one.mp3", "two.mp3"}));
    }
}

TEST_F(CliRename, UndoRefusesAFileChangedSince) {
    const ProcessResult applied = Run({"--convert", "upper", "--apply", music + "one.mp3", music + "two.mp3"});
    ASSERT_EQ(applied.exitCode, 0) << applied.err;
    EXPECT_EQ(Names(), (std::set<std::string>{"notes.txt", "ONE.mp3", "TWO.mp3"}));
    std::ofstream(folder.file("music/ONE.mp3"), std::ios::app) << "edited";

    const ProcessResult undone = Run({"--undo"});
    EXPECT_EQ(undone.exitCode, 1);
    EXPECT_NE(undone.err.find("ONE.mp3: has changed since it was renamed"), std::string::npos) << undone.err;
    EXPECT_EQ(Names(), (std::set<std::string>{"notes.txt", "ONE.mp3", "two.mp3"}));
}

TEST_F(CliRename, UsageErrors) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{music}, {"--undo", music}, {"--convert", "sideways", music},
          {"--replace", "noequals", music}, {"--format", "{v2:Nothing}", music},
          {"--format", "x", "--convert", "upper", music}}) {
        EXPECT_EQ(Run(arguments).exitCode, 2) << arguments[0];
    }
    const ProcessResult help = Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("upper"), std::string::npos);
    EXPECT_NE(help.out.find("{v2:Track}"), std::string::npos);
}

}  // namespace
