// The rename check: what it refuses, what each refusal says, and that the
// clash checks ignore letter case without comparing every pair; and the
// rename options' settings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/FileRows.h"
#include "core/IniFile.h"
#include "rename/RenameCheck.h"
#include "rename/RenameOptions.h"

using namespace quilto;

namespace {

// A row of the list: its current name, and the new stem when pending.
struct Row {
    std::string from;
    std::string stem;  // "" with pending false: not pending
    bool pending = true;
};

struct CheckCase {
    const char* name;
    std::vector<Row> rows;
    std::vector<std::string> messages;  // per row
    std::vector<std::string> targets;   // per row
    bool problem;
};

std::vector<core::RenameRow> Rows(const std::vector<Row>& rows) {
    std::vector<core::RenameRow> out;
    for (const Row& r : rows) {
        core::RenameRow row;
        row.from = r.from;
        row.fileName = r.stem;
        row.image = r.pending ? core::kEditedImage : core::kNoImage;
        out.push_back(row);
    }
    return out;
}

class CheckRenamesTest : public ::testing::TestWithParam<CheckCase> {};

TEST_P(CheckRenamesTest, ReportsEachProblem) {
    const CheckCase& c = GetParam();
    std::vector<core::RenameRow> rows = Rows(c.rows);
    EXPECT_EQ(rename::CheckRenames(rows, rename::SourceColumn::FileName), c.problem);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i].message, c.messages[i]);
        EXPECT_EQ(rows[i].to, c.targets[i]);
        EXPECT_EQ(rows[i].stateImage, c.messages[i].empty() ? core::kNoImage : core::kExcludedImage);
    }
}

const std::string kLong(252, 'x');

INSTANTIATE_TEST_SUITE_P(
    Cases, CheckRenamesTest,
    ::testing::Values(
        CheckCase{"Clean", {{"a.mp3", "b"}, {"c.mp3", "", false}}, {"", ""}, {"b.mp3", "c.mp3"}, false},
        CheckCase{"Forbidden", {{"a.mp3", "x\\y/z"}}, {"Check ( \\ / )"}, {"x\\y/z.mp3"}, true},
        CheckCase{"QuestionMark", {{"a.mp3", "why?"}}, {"Check ( ? )"}, {"why?.mp3"}, true},
        CheckCase{"WideCharactersAreNotForbidden", {{"a.mp3", "ソ＼？"}}, {""}, {"ソ＼？.mp3"}, false},
        CheckCase{"SameNameIgnoringCase",
                  {{"a.mp3", "Song"}, {"b.mp3", "SONG"}},
                  {"Same Name", "Same Name"},
                  {"Song.mp3", "SONG.mp3"},
                  true},
        CheckCase{"SameNameWithNonAsciiCase",
                  {{"a.mp3", "Ärger"}, {"b.mp3", "äRGER"}},
                  {"Same Name", "Same Name"},
                  {"Ärger.mp3", "äRGER.mp3"},
                  true},
        CheckCase{"ExistingFile", {{"a.mp3", "B"}, {"b.mp3", "", false}}, {"Existing File", ""}, {"B.mp3", "b.mp3"}, true},
        CheckCase{"SwapIsRefused",
                  {{"a.mp3", "b"}, {"b.mp3", "a"}},
                  {"Existing File", "Existing File"},
                  {"b.mp3", "a.mp3"},
                  true},
        CheckCase{"ChainIsRefused",
                  {{"a.mp3", "b"}, {"b.mp3", "c"}, {"c.mp3", "d"}},
                  {"Existing File", "Existing File", ""},
                  {"b.mp3", "c.mp3", "d.mp3"},
                  true},
        CheckCase{"CaseOnlyChangeOfItsOwnName", {{"song.mp3", "SONG"}}, {""}, {"SONG.mp3"}, false},
        CheckCase{"LineBreakFromATag", {{"a.mp3", "one\ntwo"}}, {"Control Character"}, {"one\ntwo.mp3"}, true},
        CheckCase{"Tab", {{"a.mp3", "one\ttwo"}}, {"Control Character"}, {"one\ttwo.mp3"}, true},
        CheckCase{"Nul", {{"a.mp3", std::string("a\0b", 3)}}, {"Control Character"}, {std::string("a\0b.mp3", 7)}, true},
        CheckCase{"EmptyName", {{"a.mp3", ""}}, {"Empty Name"}, {".mp3"}, true},
        CheckCase{"Dot", {{"a", "."}}, {"Invalid Name"}, {"."}, true},
        CheckCase{"DotDot", {{"a", ".."}}, {"Invalid Name"}, {".."}, true},
        CheckCase{"LongestName", {{"a.mp3", std::string(251, 'x')}}, {""}, {std::string(251, 'x') + ".mp3"}, false},
        CheckCase{"TooLong", {{"a.mp3", kLong}}, {"Name Too Long"}, {kLong + ".mp3"}, true},
        CheckCase{"NotUtf8", {{"a.mp3", "\xFF\xFE"}}, {"Invalid UTF-8"}, {"\xFF\xFE.mp3"}, true},
        CheckCase{"ProblemsAreJoined",
                  {{"a.mp3", "b?"}, {"c.mp3", "B?"}},
                  {"Check ( ? ) , Same Name", "Check ( ? ) , Same Name"},
                  {"b?.mp3", "B?.mp3"},
                  true}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(CheckRenames, ExtensionCaseAndSourceColumn) {
    struct Case {
        rename::ExtensionCase mode;
        std::string from, target;
    };
    for (const Case& c : {Case{rename::ExtensionCase::AsIs, "song.mp3", "Track.mp3"},
                          Case{rename::ExtensionCase::Upper, "song.mp3", "Track.MP3"},
                          Case{rename::ExtensionCase::Lower, "song.MP3", "Track.mp3"},
                          Case{rename::ExtensionCase::Upper, "song", "Track"}}) {
        std::vector<core::RenameRow> rows(1);
        rows[0].from = c.from;
        rows[0].fileName = "ignored";
        rows[0].replaceConvert = "Track";
        rows[0].image = core::kEditedImage;
        EXPECT_FALSE(rename::CheckRenames(rows, rename::SourceColumn::ReplaceConvert, c.mode));
        EXPECT_EQ(rows[0].to, c.target);
    }
}

TEST(CheckForbidden, ModesAndFixes) {
    core::RenameRow row;
    row.stateImage = core::kEditedImage;
    EXPECT_FALSE(rename::CheckForbidden("a?b", row, rename::ForbiddenCheck::Replace));
    EXPECT_EQ(row.message, "Replace ( ? )");
    EXPECT_EQ(row.stateImage, core::kNoImage);  // only Check marks the row

    rename::FixForbidden(row, "a?b", rename::ForbiddenCheck::Replace);
    EXPECT_EQ(row.replaceConvert, "a？b");
    rename::FixForbidden(row, "a?b|c", rename::ForbiddenCheck::Delete);
    EXPECT_EQ(row.replaceConvert, "abc");
    EXPECT_EQ(row.message, "Delete ( ? | )");
    rename::FixForbidden(row, "clean", rename::ForbiddenCheck::Delete);
    EXPECT_EQ(row.replaceConvert, "clean");
    EXPECT_EQ(row.message, "");
}

TEST(RenameOptions, RoundTripAndInvalidValues) {
    rename::RenameOptions options;
    options.timeSeparator = "-";
    options.wordDelimiters = " _";
    options.extensionCase = rename::ExtensionCase::Lower;
    options.forbiddenReplacements[4] = "Q";
    core::IniFile file;
    options.store(file);
    EXPECT_EQ(file.value("OptionRen", "TimeSep"), "/-/");
    EXPECT_EQ(file.value("OptionRen", "Extension"), "2");
    rename::RenameOptions loaded;
    loaded.load(file);
    EXPECT_EQ(loaded, options);

    // A separator that would put a slash into names, an unknown case.
    file.writeWrapped("OptionRen", "TimeSep", "/");
    file.writeWrapped("OptionRen", "Rep1", "abc");
    file.writeInt("OptionRen", "Extension", 7);
    loaded.load(file);
    EXPECT_EQ(loaded.timeSeparator, "'");
    EXPECT_EQ(loaded.forbiddenReplacements[0], "￥");
    EXPECT_EQ(loaded.extensionCase, rename::ExtensionCase::AsIs);
}

}  // namespace
