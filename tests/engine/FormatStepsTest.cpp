// Names composed by format: the steps' settings keys, the composing from real
// fixture tags and synthetic rows, and the command line's template form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/FileRows.h"
#include "core/GenreTable.h"
#include "core/IniFile.h"
#include "rename/FormatSteps.h"
#include "rename/FormatTemplate.h"
#include "support/FixtureFacts.h"
#include "support/TempFolder.h"

using namespace quilto;
using namespace quilto::rename;

namespace {

FormatStep Step(FormatItem item, std::string parameter) { return FormatStep::Make(item, std::move(parameter)); }

struct PlayTimeCase {
    std::uint64_t seconds;
    const char* separator;
    const char* sss;
    const char* mmmss;
    const char* hmmss;
};

class FormatPlayTimeTest : public ::testing::TestWithParam<PlayTimeCase> {};

TEST_P(FormatPlayTimeTest, GivesTheThreeForms) {
    const PlayTimeCase& c = GetParam();
    EXPECT_EQ(FormatPlayTime(0, c.seconds, c.separator), c.sss);
    EXPECT_EQ(FormatPlayTime(1, c.seconds, c.separator), c.mmmss);
    EXPECT_EQ(FormatPlayTime(2, c.seconds, c.separator), c.hmmss);
}

INSTANTIATE_TEST_SUITE_P(Forms, FormatPlayTimeTest,
                         ::testing::Values(PlayTimeCase{245, "'", "245", "4'05", "4'05"},
                                           PlayTimeCase{3723, "'", "3723", "62'03", "1'02'03"},
                                           PlayTimeCase{3600, "'", "3600", "60'00", "60'00"},
                                           PlayTimeCase{0, "'", "0", "0'00", "0'00"},
                                           PlayTimeCase{61, "", "61", "101", "101"},
                                           PlayTimeCase{3723, "\xE2\x80\x99", "3723", "62\xE2\x80\x99" "03",
                                                        "1\xE2\x80\x99" "02\xE2\x80\x99" "03"}));

TEST(FormatStepSettings, RoundTripsEveryKindThroughTheFile) {
    const std::vector<FormatStep> steps = {
        Step(FormatItem::TagV2V1, "Artist"), Step(FormatItem::Text, " - "), Step(FormatItem::Mp3, "CBR/VBR "),
        Step(FormatItem::Mp3, "ChanelMode "), Step(FormatItem::Time, "mmm-ss"), FormatStep{"Lyrics", "x"},
        Step(FormatItem::TagV2, "Not a field"), Step(FormatItem::Text, "")};
    core::IniFile file;
    StoreFormatSteps(file, steps);
    const std::string text = file.text();
    EXPECT_NE(text.find("FCount=8\n"), std::string::npos) << text;
    EXPECT_NE(text.find("FI-1=Tag (v2>v1)\nFP-1=Artist\nFI-2=Text\nFP-2=/ - /\n"), std::string::npos) << text;
    // Settings files lose blanks at the end of a value; reading gives them back.
    EXPECT_EQ(LoadFormatSteps(core::IniFile::Parse(text)), steps);
}

TEST(FormatStepSettings, CapsTheCountAndDropsRowsLeftBehind) {
    auto file = core::IniFile::Parse("[ReName]\nFCount=99999999\nFI-1=Text\nFP-1=/a/\n");
    const auto steps = LoadFormatSteps(file);
    ASSERT_EQ(steps.size(), kMaxFormatSteps);
    EXPECT_EQ(steps[0], Step(FormatItem::Text, "a"));
    EXPECT_TRUE(LoadFormatSteps(core::IniFile::Parse("[ReName]\nFCount=-3\n")).empty());

    StoreFormatSteps(file, {Step(FormatItem::TagV1, "Year")});
    EXPECT_EQ(file.value("ReName", "FCount"), "1");
    EXPECT_EQ(file.value("ReName", "FI-1"), "Tag (v1)");
    EXPECT_FALSE(file.value("ReName", "FI-2"));
    EXPECT_FALSE(file.value("ReName", "FP-2"));
}

// Rows built by hand, for what the fixtures do not hold.
class ComposeRowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) {
            core::FileRecord record;
            record.text(core::FileColumn::FileName) = name;
            rows_.append(record);
        }
        rows_.id3v2[0].tag.title = "V2 Title";
        rows_.id3v1[0].tag.title = "";
        rows_.id3v1[0].tag.artist = "V1 Artist";
        rows_.files[0].text(core::FileColumn::Kbps) = "192";
        rows_.files[0].stream = {};
    }

    std::string compose(const std::vector<FormatStep>& steps, std::size_t row = 0) {
        return ComposeName(steps, rows_, row, "'");
    }

    core::FolderRows rows_;
};

TEST_F(ComposeRowsTest, FallsBackBetweenTagsFieldByField) {
    EXPECT_EQ(compose({Step(FormatItem::TagV1V2, "Title")}), "V2 Title");
    EXPECT_EQ(compose({Step(FormatItem::TagV2V1, "Artist")}), "V1 Artist");
    EXPECT_EQ(compose({Step(FormatItem::TagV1, "Title")}), "");
    EXPECT_EQ(compose({Step(FormatItem::Mp3, "Bitrate "), Step(FormatItem::Mp3, "Bitrate")}), "192");
    EXPECT_EQ(compose({Step(FormatItem::Time, "mmm'ss")}), "0'00");
}

TEST_F(ComposeRowsTest, UnknownStepsContributeNothing) {
    const std::vector<FormatStep> steps = {Step(FormatItem::Text, "["), FormatStep{"Lyrics", "Title"},
                                           Step(FormatItem::Time, "mmm-ss"), Step(FormatItem::TagV1, "Composer"),
                                           Step(FormatItem::TagV2, "Title"), Step(FormatItem::Text, "]")};
    EXPECT_EQ(compose(steps), "[V2 Title]");
}

TEST_F(ComposeRowsTest, CutsBeforeTheLastLineBreak) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"one\rtwo", "one"}, {"one\r\ntwo", "one"}, {"one\ntwo", "one"},
        {"a\rb\rc", "a\rb"}, {"a\r\nb\r\n", "a\r\nb"}, {"plain", "plain"}};
    for (const auto& [comment, expected] : cases) {
        rows_.id3v2[1].tag.comment = comment;
        EXPECT_EQ(compose({Step(FormatItem::TagV2, "Comments")}, 1), expected);
    }
}

TEST_F(ComposeRowsTest, MarksOnlySelectedChangedRowsThatAreNotExcluded) {
    rows_.rename[0].fileName = "V2 Title";    // already the composed name
    rows_.rename[1].fileName = "b";
    rows_.rename[1].stateImage = 1;
    rows_.rename[2].fileName = "c";
    rows_.rename[2].image = core::kExcludedImage;
    const std::vector<FormatStep> steps = {Step(FormatItem::TagV2, "Title")};

    EXPECT_EQ(ComposeNames({}, rows_, {0, 1, 2}, "'"), 0u);
    EXPECT_EQ(ComposeNames(steps, rows_, {0, 1, 2, 7}, "'"), 1u);
    EXPECT_EQ(rows_.rename[0].image, core::kNoImage);
    EXPECT_EQ(rows_.rename[1].fileName, "");  // all tags empty: an empty name, marked
    EXPECT_EQ(rows_.rename[1].image, core::kEditedImage);
    EXPECT_EQ(rows_.rename[1].stateImage, core::kNoImage);
    EXPECT_EQ(rows_.rename[2].fileName, "c");

    rows_.rename[1].fileName = "b";
    rows_.rename[1].image = core::kNoImage;
    EXPECT_EQ(ComposeNames(steps, rows_, {0}, "'"), 0u);
    EXPECT_EQ(rows_.rename[1].fileName, "b");
}

// The fixtures' real tags, read the way the file list reads them.
class ComposeFixtureTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        folder_.copyFixture(GetParam(), GetParam());
        ASSERT_TRUE(core::ScanFolder(rows_, folder_.path()));
        ASSERT_EQ(rows_.size(), 1u);
        core::FillRow(rows_, 0, core::GenreTable());
        const auto& table = test::ExpectedFacts();
        const auto found = table.find(GetParam());
        ASSERT_NE(found, table.end()) << GetParam();
        facts_ = found->second;
    }

    std::string fact(const std::string& key) {
        const auto found = facts_.find(key);
        if (found == facts_.end()) ADD_FAILURE() << "no " << key << " for " << GetParam();
        return found == facts_.end() ? std::string() : found->second;
    }

    std::string v1(const std::string& key) { return fact("v1_present") == "1" ? fact("v1_" + key) : std::string(); }

    std::string compose(std::string_view format) {
        const ParsedTemplate parsed = ParseFormatTemplate(format);
        EXPECT_TRUE(parsed.ok()) << parsed.error;
        return ComposeName(parsed.steps, rows_, 0, "'");
    }

    test::TempFolder folder_;
    core::FolderRows rows_;
    std::map<std::string, std::string> facts_;
};

TEST_P(ComposeFixtureTest, ComposesFromTheFilesTagsAndStream) {
    const std::string v2Artist = fact("v2_TPE1");
    const std::string v2Title = fact("v2_TIT2");
    EXPECT_EQ(compose("{v2:Artist} - {v2:Title}"), v2Artist + " - " + v2Title);
    EXPECT_EQ(compose("{v1:Artist}/{v1:Album}"), v1("artist") + "/" + v1("album"));
    EXPECT_EQ(compose("{v2>v1:Artist}|{v1>v2:Title}"),
              (v2Artist.empty() ? v1("artist") : v2Artist) + "|" + (v1("title").empty() ? v2Title : v1("title")));
    EXPECT_EQ(compose("{mp3:Bitrate}k {mp3:CBR/VBR} {mp3:Frequency}"),
              fact("first_kbps") + "k " + fact("cv") + " " + fact("hz"));
    // lame's fixtures are 2.48 to 2.5 seconds long.
    EXPECT_EQ(compose("{time:sss}/{time:mmm:ss}/{time:h:mm:ss}"), "2/0'02/0'02");
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ComposeFixtureTest,
                         ::testing::Values("tag_id3v2tool_v23_v1.mp3", "tag_id3v1_only_track.mp3",
                                           "tag_mutagen_v23_utf16.mp3", "tag_lame_id3.mp3",
                                           "tag_id3v1_v10_comment30.mp3", "cbr112_48k_info.mp3"));

struct TemplateCase {
    const char* text;
    const char* canonical;
    std::size_t steps;
};

class TemplateRoundTrip : public ::testing::TestWithParam<TemplateCase> {};

TEST_P(TemplateRoundTrip, ParsesToStepsAndBack) {
    const ParsedTemplate parsed = ParseFormatTemplate(GetParam().text);
    ASSERT_TRUE(parsed.ok()) << parsed.error;
    EXPECT_EQ(parsed.steps.size(), GetParam().steps);
    const std::string canonical = FormatTemplateOf(parsed.steps);
    EXPECT_EQ(canonical, GetParam().canonical);
    EXPECT_EQ(ParseFormatTemplate(canonical).steps, parsed.steps);
}

INSTANTIATE_TEST_SUITE_P(
    Templates, TemplateRoundTrip,
    ::testing::Values(TemplateCase{"{v2:Artist} - {v2>v1:Title}", "{v2:Artist} - {v2>v1:Title}", 3},
                      TemplateCase{"{ V2 : orig.artist }{v1>v2:Track}", "{v2:Orig.Artist}{v1>v2:Track}", 2},
                      TemplateCase{"{mp3:CBR/VBR}{mp3:chanelmode }", "{mp3:CBR/VBR}{mp3:ChanelMode}", 2},
                      TemplateCase{"{time:mmm:ss}{time:h'mm'ss}{time:SSS}", "{time:mmm'ss}{time:h'mm'ss}{time:sss}", 3},
                      TemplateCase{"a{{b}}c}", "a{{b}}c}}", 1}, TemplateCase{"", "", 0},
                      TemplateCase{"{v2:Encoded By}", "{v2:Encoded By}", 1}));

TEST(TemplateParse, KeepsTheStoredParameterTexts) {
    const ParsedTemplate parsed = ParseFormatTemplate("{mp3:CBR/VBR}x{time:mmm:ss}", "-");
    ASSERT_TRUE(parsed.ok()) << parsed.error;
    EXPECT_EQ(parsed.steps, (std::vector<FormatStep>{Step(FormatItem::Mp3, "CBR/VBR "), Step(FormatItem::Text, "x"),
                                                     Step(FormatItem::Time, "mmm-ss")}));
}

TEST(TemplateParse, WritesTimeWithColonsWhenTheSeparatorIsABrace) {
    const std::vector<FormatStep> steps = {Step(FormatItem::Time, "h}mm}ss")};
    EXPECT_EQ(FormatTemplateOf(steps, "}"), "{time:h:mm:ss}");
    EXPECT_EQ(ParseFormatTemplate("{time:h:mm:ss}", "}").steps, steps);
}

TEST(TemplateParse, RejectsWhatItDoesNotKnow) {
    for (const char* bad : {"{v3:Artist}", "{v2:Foo}", "{v1:Composer}", "{v2:Title", "{Artist}", "{:Title}"}) {
        const ParsedTemplate parsed = ParseFormatTemplate(bad);
        EXPECT_FALSE(parsed.ok()) << bad;
        EXPECT_TRUE(parsed.steps.empty()) << bad;
    }
}

TEST(TemplateHelp, NamesEveryItemAndParameter) {
    const std::string help = FormatTemplateHelp("'");
    for (const auto item : {FormatItem::TagV2, FormatItem::Time, FormatItem::Mp3}) {
        for (const std::string& name : ParameterNames(item, "'")) {
            EXPECT_NE(help.find(name.substr(0, name.find_last_not_of(' ') + 1)), std::string::npos) << name;
        }
    }
    for (const char* prefix : {"v2>v1", "v1>v2", "time", "mp3"}) EXPECT_NE(help.find(prefix), std::string::npos);
}

TEST(FormatPreview, ColoursEachStepByItsKind) {
    const std::vector<FormatStep> steps = {Step(FormatItem::TagV1V2, "Title"), Step(FormatItem::Text, " ("),
                                           Step(FormatItem::Time, "sss"), Step(FormatItem::Mp3, "Frames"),
                                           FormatStep{"Lyrics", "?"}};
    const auto segments = FormatPreview(steps);
    EXPECT_EQ(segments, (std::vector<PreviewSegment>{{"Title", PreviewKind::Tag},
                                                     {" (", PreviewKind::Text},
                                                     {"sss", PreviewKind::Time},
                                                     {"Frames", PreviewKind::Mp3},
                                                     {"?", PreviewKind::Unknown}}));
    EXPECT_EQ(PreviewColour(PreviewKind::Tag), 0x0000FFu);
    EXPECT_EQ(PreviewColour(PreviewKind::Time), 0xFF00FFu);
    EXPECT_EQ(PreviewColour(PreviewKind::Mp3), 0x008000u);
    EXPECT_FALSE(PreviewColour(PreviewKind::Text));
}

}  // namespace
