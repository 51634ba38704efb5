// The pack and extract dialogs' choices without a window: what the settings
// file holds for them, which controls are enabled, the presets a run gives,
// and the file names the writers make.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/IniFile.h"
#include "pack/FileNames.h"
#include "pack/PackOptions.h"

using namespace quilto::pack;
using quilto::core::IniFile;

namespace {

std::vector<std::string> KeyLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (line.find('=') != std::string::npos) lines.push_back(line);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

// ------------------------------------------------------------- settings

TEST(PackOptionsSettings, EmptyFileGivesTheDefaults) {
    PackOptions options;
    options.format = PackFormat::Zip;  // load must overwrite every member
    options.removeXing = true;
    options.load(IniFile::Parse(""));
    const PackOptions defaults;
    EXPECT_EQ(options, defaults);
    EXPECT_EQ(defaults.format, PackFormat::Pack);
    EXPECT_EQ(defaults.cueSheet, CueSheetChoice::EmbeddedInMp3);
    EXPECT_TRUE(defaults.removeId3v1 && defaults.removeId3v2 && defaults.id3v2Tag);
    EXPECT_FALSE(defaults.formatExt || defaults.removeXing || defaults.addXing || defaults.silentTop ||
                 defaults.silentLast);
    EXPECT_EQ(defaults.silentTopNo, 1);
    EXPECT_EQ(defaults.silentLastNo, 1);
}

TEST(PackOptionsSettings, StoreWritesEveryKeyButCueCheckAndReadsBack) {
    PackOptions options;
    options.format = PackFormat::Lha;
    options.formatExt = true;
    options.removeId3v1 = false;
    options.removeId3v2 = false;
    options.removeXing = true;
    options.id3v2Tag = false;
    options.cueSheet = CueSheetChoice::Cancel;
    options.addXing = true;
    options.silentTop = true;
    options.silentTopNo = 42;
    options.silentLast = true;
    options.silentLastNo = 99;
    IniFile file = IniFile::Parse("[PackOption]\nCueCheck=0\n[Other]\nx=1\n");
    options.store(file);
    EXPECT_EQ(KeyLines(file.text()),
              (std::vector<std::string>{"CueCheck=0", "Format=3", "FormatExt=1", "CueSheet=2", "ID3v2Tag=0",
                                        "RemoveID3v1=0", "RemoveID3v2=0", "RemoveXing=1", "AddXing=1",
                                        "SilentTop=1", "SilentTopNo=42", "SilentLast=1", "SilentLastNo=99", "x=1"}));
    PackOptions back;
    back.load(IniFile::Parse(file.text()));
    EXPECT_EQ(back, options);
}

struct GarbageCase {
    const char* lines;
    PackOptions expected;
};

PackOptions With(void (*change)(PackOptions&)) {
    PackOptions o;
    change(o);
    return o;
}

class PackOptionsGarbage : public ::testing::TestWithParam<GarbageCase> {};

TEST_P(PackOptionsGarbage, ReadsAsTheSafeValue) {
    PackOptions options;
    options.load(IniFile::Parse(std::string("[PackOption]\n") + GetParam().lines));
    EXPECT_EQ(options, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, PackOptionsGarbage,
    ::testing::Values(
        GarbageCase{"Format=7\n", PackOptions{}},
        GarbageCase{"Format=-1\n", PackOptions{}},
        GarbageCase{"Format=zip\n", PackOptions{}},
        GarbageCase{"Format=0\n", With([](PackOptions& o) { o.format = PackFormat::Bind; })},
        // Only 1 and 2 pick a button of their own; anything else is the first.
        GarbageCase{"CueSheet=2\n", With([](PackOptions& o) { o.cueSheet = CueSheetChoice::Cancel; })},
        GarbageCase{"CueSheet=5\n", With([](PackOptions& o) { o.cueSheet = CueSheetChoice::ExportToCueFile; })},
        GarbageCase{"CueSheet=-3\n", With([](PackOptions& o) { o.cueSheet = CueSheetChoice::ExportToCueFile; })},
        // Not a number at all: the default, as for a missing key.
        GarbageCase{"CueSheet=x\n", PackOptions{}},
        GarbageCase{"SilentTopNo=0\nSilentLastNo=500\n", With([](PackOptions& o) { o.silentLastNo = 99; })},
        GarbageCase{"SilentTopNo=-4\nSilentLastNo=abc\n", PackOptions{}},
        // Any non-zero number is true; text keeps the default.
        GarbageCase{"FormatExt=7\nID3v2Tag=yes\nRemoveID3v1=0\n", With([](PackOptions& o) {
                        o.formatExt = true;
                        o.removeId3v1 = false;
                    })}));

TEST(ExtractOptionsSettings, DefaultsRoundTripAndGarbage) {
    ExtractOptions options;
    options.load(IniFile::Parse("[ExtractOption]\nMakeDir=x\nID3v2Album=3\nID3v2Title=0\n"));
    ExtractOptions expected;
    expected.id3v2Album = true;
    expected.id3v2Title = false;
    EXPECT_EQ(options, expected);
    EXPECT_TRUE(expected.makeDir && expected.id3v2Tag && expected.id3v2Artist);
    EXPECT_FALSE(ExtractOptions{}.id3v2Album || ExtractOptions{}.id3v2Track);

    options.makeDir = false;
    options.id3v2Track = true;
    IniFile file;
    options.store(file);
    EXPECT_EQ(KeyLines(file.text()), (std::vector<std::string>{"MakeDir=0", "ID3v2Tag=1", "ID3v2Artist=1",
                                                               "ID3v2Title=0", "ID3v2Album=1", "ID3v2Track=1"}));
    ExtractOptions back;
    back.load(IniFile::Parse(file.text()));
    EXPECT_EQ(back, options);
}

// ------------------------------------------------------------- enabling

struct EnablingCase {
    const char* name;
    PackFormat format;
    bool formatExt, silentTop, silentLast, id3v2Tag;
    PackPreset preset;
    std::string extension;
    bool entire, ext, xingAndSilent, topCount, lastCount, artistTitle;
};

class PackEnablingRules : public ::testing::TestWithParam<EnablingCase> {};

TEST_P(PackEnablingRules, ControlsAndExtension) {
    const EnablingCase& c = GetParam();
    PackOptions options;
    options.format = c.format;
    options.formatExt = c.formatExt;
    options.silentTop = c.silentTop;
    options.silentLast = c.silentLast;
    options.id3v2Tag = c.id3v2Tag;
    const PackControlStates s = PackEnabling(options, c.preset);
    EXPECT_EQ(PackExtensionText(options, c.preset), c.extension);
    EXPECT_EQ(s.entire, c.entire);
    EXPECT_EQ(s.ext, c.ext);
    EXPECT_EQ(s.addXing, c.xingAndSilent);
    EXPECT_EQ(s.top, c.xingAndSilent);
    EXPECT_EQ(s.last, c.xingAndSilent);
    EXPECT_EQ(s.topCount, c.topCount);
    EXPECT_EQ(s.lastCount, c.lastCount);
    EXPECT_EQ(s.artistTitle, c.artistTitle);
    EXPECT_EQ(s.cueGroup, c.preset.cueGroupEnabled);
    for (int i = 0; i < kPackFormatCount; ++i) {
        EXPECT_EQ(s.formatButtons[i], !c.preset.formatLocked || i == static_cast<int>(c.format)) << i;
    }
    EXPECT_EQ(s.formatNotes, !c.preset.formatLocked);

    const PackChoices choices = MakePackChoices(options, c.preset, true);
    EXPECT_EQ(choices.entire, c.entire);  // checked counts only while enabled
    EXPECT_EQ(choices.extension, c.extension);
    EXPECT_EQ(choices.topCounterEnabled, c.topCount);
    EXPECT_EQ(choices.lastCounterEnabled, c.lastCount);
    EXPECT_FALSE(MakePackChoices(options, c.preset, false).entire);
}

const PackPreset kFree{false, true, true, "A", "T"};
const PackPreset kNoCue{false, false, true, "", ""};
const PackPreset kNoEntire{false, true, false, "", ""};
const PackPreset kLocked{true, true, true, "", ""};

INSTANTIATE_TEST_SUITE_P(
    Table, PackEnablingRules,
    ::testing::Values(
        EnablingCase{"BindIgnoresStoredExt", PackFormat::Bind, true, true, true, true, kFree, ".mp3",
                     false, false, false, false, false, true},
        EnablingCase{"PackWithExt", PackFormat::Pack, true, true, false, true, kFree, ".pac.mp3",
                     true, true, true, true, false, true},
        EnablingCase{"PackWithoutExt", PackFormat::Pack, false, false, true, false, kFree, ".mp3",
                     true, true, true, false, true, false},
        EnablingCase{"ZipWithExt", PackFormat::Zip, true, true, true, true, kFree, ".zip.mp3",
                     false, true, false, false, false, true},
        EnablingCase{"ZipWithoutExt", PackFormat::Zip, false, false, false, true, kFree, ".mp3",
                     false, true, false, false, false, true},
        EnablingCase{"LhaWithExt", PackFormat::Lha, true, false, false, true, kFree, ".lzh.mp3",
                     false, true, false, false, false, true},
        EnablingCase{"EntireNeedsTheCueGroup", PackFormat::Pack, false, false, false, true, kNoCue, ".mp3",
                     false, true, true, false, false, true},
        EnablingCase{"EntireNeedsItsMarker", PackFormat::Pack, false, false, false, true, kNoEntire, ".mp3",
                     false, true, true, false, false, true},
        EnablingCase{"LockedFormatHasNoExtension", PackFormat::Pack, true, true, true, true, kLocked, "",
                     true, false, true, true, true, true},
        EnablingCase{"LockedZip", PackFormat::Zip, true, false, false, true, kLocked, "",
                     false, false, false, false, false, true}),
    [](const ::testing::TestParamInfo<EnablingCase>& param) { return std::string(param.param.name); });

TEST(ExtractEnabling, FollowsTheirCheckBoxes) {
    for (const bool makeDir : {false, true}) {
        for (const bool tag : {false, true}) {
            ExtractOptions o;
            o.makeDir = makeDir;
            o.id3v2Tag = tag;
            EXPECT_EQ(ExtractEnabling(o), (ExtractControlStates{makeDir, tag}));
        }
    }
}

// ------------------------------------------------------------- presets

TrackPage UnpackPage(const std::string& code, std::size_t tracks) {
    TrackPage page;
    page.page = Page::UnPack;
    page.header.cue = code;
    page.header.check = CueCheck::Checked;
    page.header.title = "Album";
    page.header.performer = "Band";
    page.header.hz = "44100";
    page.cues.resize(2);
    page.tracks.resize(tracks);
    return page;
}

struct FormatCase {
    const char* code;
    SaveMode mode;
    PackFormat expected;
};

class PresetFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(PresetFormat, ComesFromTheOpenedFile) {
    PackOptions options;
    options.format = PackFormat::Bind;  // as loaded from the settings
    const PackPreset preset = PresetPackRun(options, UnpackPage(GetParam().code, 2), GetParam().mode, 0);
    EXPECT_EQ(options.format, GetParam().expected);
    EXPECT_EQ(preset.formatLocked, GetParam().mode == SaveMode::Save);
}

INSTANTIATE_TEST_SUITE_P(Codes, PresetFormat,
                         ::testing::Values(FormatCase{"1", SaveMode::SaveAs, PackFormat::Pack},
                                           FormatCase{"2", SaveMode::Save, PackFormat::Zip},
                                           FormatCase{"3", SaveMode::SaveSelectionAs, PackFormat::Lha},
                                           FormatCase{"4", SaveMode::SaveAs, PackFormat::Pack},
                                           FormatCase{"0", SaveMode::Save, PackFormat::Bind},
                                           // Creating ignores the page's code.
                                           FormatCase{"2", SaveMode::Create, PackFormat::Bind}));

TEST(PresetPackRun, OptionWordSetsXingAndSilentCounts) {
    PackOptions options;
    options.silentTopNo = 5;
    // Top 3, Last 120 (more than the counter holds), added Xing, Entire.
    const std::uint32_t word = (3u << 24) | (120u << 16) | kOptionAddXing | kOptionSilentTop | kOptionEntire;
    const PackPreset preset = PresetPackRun(options, UnpackPage("1", 3), SaveMode::SaveAs, word);
    EXPECT_TRUE(options.addXing);
    EXPECT_TRUE(options.silentTop);
    EXPECT_EQ(options.silentTopNo, 3);
    EXPECT_TRUE(options.silentLast);
    EXPECT_EQ(options.silentLastNo, kSilentCountMax);
    EXPECT_TRUE(preset.entireAvailable);
    EXPECT_EQ(preset.artist, "Band");
    EXPECT_EQ(preset.title, "Album");

    // Without any of the 0x38 bits the stored choices stay.
    PackOptions stored;
    stored.silentTop = true;
    stored.addXing = true;
    PackOptions copy = stored;
    PresetPackRun(copy, UnpackPage("1", 3), SaveMode::SaveAs, 3u << 24);
    EXPECT_EQ(copy, stored);
    // Nor for a Zip file.
    PresetPackRun(copy, UnpackPage("2", 3), SaveMode::SaveAs, word);
    EXPECT_FALSE(copy.silentLast);
}

TEST(PresetPackRun, CueGroupAndEntireWhenCreating) {
    TrackPage page;
    page.header.check = CueCheck::Checked;
    page.cues.resize(3);
    page.tracks.resize(1);
    PackOptions options;
    PackPreset p = PresetPackRun(options, page, SaveMode::Create, 0);
    EXPECT_TRUE(p.cueGroupEnabled);
    EXPECT_TRUE(p.entireAvailable);
    EXPECT_FALSE(p.formatLocked);

    page.tracks.resize(2);  // Entire cuts one file only
    EXPECT_FALSE(PresetPackRun(options, page, SaveMode::Create, kOptionEntire).entireAvailable);
    page.tracks.resize(1);
    page.header.check = CueCheck::Unchecked;
    p = PresetPackRun(options, page, SaveMode::Create, 0);
    EXPECT_FALSE(p.cueGroupEnabled);
    EXPECT_FALSE(p.entireAvailable);
    page.header.check = CueCheck::Checked;
    page.cues.clear();
    EXPECT_FALSE(PresetPackRun(options, page, SaveMode::Create, 0).cueGroupEnabled);

    // Saving again: the marker comes from the option word alone.
    EXPECT_FALSE(PresetPackRun(options, UnpackPage("1", 1), SaveMode::SaveAs, 0).entireAvailable);
}

TEST(PackCommandEnabling, TitleTracksAndCommonRate) {
    TrackPage page = UnpackPage("1", 2);
    EXPECT_EQ(PackCommandEnabling(page), (PackCommandStates{true, true, true}));
    page.header.cue = "4";
    EXPECT_EQ(PackCommandEnabling(page), (PackCommandStates{true, true, false}));
    page.header.hz = "-";
    EXPECT_EQ(PackCommandEnabling(page), PackCommandStates{});
    page = UnpackPage("1", 0);
    EXPECT_EQ(PackCommandEnabling(page), PackCommandStates{});
    page = UnpackPage("1", 2);
    page.header.title.clear();
    EXPECT_EQ(PackCommandEnabling(page), PackCommandStates{});
    page = UnpackPage("", 2);
    page.page = Page::Pack;
    EXPECT_EQ(PackCommandEnabling(page), (PackCommandStates{true, false, false}));
}

// ------------------------------------------------------------- file names

const ForbiddenReplacements kFullWidth = {"￥", "／", "：", "＊", "？", "”", "＜", "＞", "｜"};

struct NameCase {
    std::string in;
    ForbiddenMode mode;
    std::string out;
};

class ValidFileName : public ::testing::TestWithParam<NameCase> {};

TEST_P(ValidFileName, ReplacesOrRemoves) {
    EXPECT_EQ(MakeValidFileName(GetParam().in, GetParam().mode, kFullWidth), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ValidFileName,
    ::testing::Values(
        NameCase{"a\\b/c:d*e?f\"g<h>i|j", ForbiddenMode::Replace, "a￥b／c：d＊e？f”g＜h＞i｜j"},
        NameCase{"a\\b/c:d*e?f\"g<h>i|j", ForbiddenMode::Remove, "abcdefghij"},
        NameCase{"AC/DC - Back in Black?.mp3", ForbiddenMode::Replace, "AC／DC - Back in Black？.mp3"},
        NameCase{"//", ForbiddenMode::Replace, "／／"},
        NameCase{"", ForbiddenMode::Replace, ""},
        NameCase{"plain name.mp3", ForbiddenMode::Remove, "plain name.mp3"},
        // Double-byte text stays whole: "ソ" and "表" end in the byte that
        // Shift-JIS would have shown as "\", and UTF-8 never has ASCII inside.
        NameCase{"ソ表\\能", ForbiddenMode::Replace, "ソ表￥能"},
        NameCase{"日本語:歌", ForbiddenMode::Remove, "日本語歌"},
        // Bytes that are not UTF-8 pass; a lone lead byte does not swallow
        // the forbidden character behind it.
        NameCase{std::string("x\xE3/y\xFF", 5), ForbiddenMode::Replace, std::string("x\xE3") + "／" + "y\xFF"},
        NameCase{std::string("a\0b", 3), ForbiddenMode::Remove, "ab"},
        // Names that would be the folder itself or its parent.
        NameCase{"..", ForbiddenMode::Replace, "．．"},
        NameCase{"./.", ForbiddenMode::Remove, ""},
        NameCase{"..mp3", ForbiddenMode::Replace, "..mp3"}));

TEST(ValidFileName, ReplacementsNeverBringBackAForbiddenCharacter) {
    ForbiddenReplacements replacements = kFullWidth;
    replacements[0] = "/";   // would make a folder
    replacements[8] = "\\";  // comes after the backslash pass
    replacements[2] = "-";
    replacements[3] = "";
    const std::string name = MakeValidFileName("a\\b|c:d*e", ForbiddenMode::Replace, replacements);
    EXPECT_EQ(name, "abc-de");
    for (const char c : name) EXPECT_FALSE(IsForbiddenCharacter(static_cast<unsigned char>(c))) << name;
}

struct ProposalCase {
    std::string file, performer, title;
    bool differ;
    std::string extension, expected;
};

class PackedFileName : public ::testing::TestWithParam<ProposalCase> {};

TEST_P(PackedFileName, Proposal) {
    const ProposalCase& c = GetParam();
    EXPECT_EQ(ProposePackedFileName(c.file, c.performer, c.title, c.differ, c.extension), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PackedFileName,
    ::testing::Values(ProposalCase{"", "Various", "Hits", true, ".pac.mp3", "Hits.pac.mp3"},
                      ProposalCase{"", "Various", "Hits", true, ".mp3", "Hits.mp3"},
                      ProposalCase{"", "Various", "Hits", false, ".mp3", "Various - Hits.mp3"},
                      ProposalCase{"", "Band", "Hits", true, ".zip.mp3", "Band - Hits.zip.mp3"},
                      ProposalCase{"Best.zip.mp3", "", "", false, ".pac.mp3", "Best.pac.mp3"},
                      ProposalCase{"Best.zip.mp3", "", "", false, ".mp3", "Best.mp3"},
                      ProposalCase{"Best.LZH.MP3", "", "", false, ".mp3", "Best.mp3"},
                      ProposalCase{"Best.old.mp3", "", "", false, ".mp3", "Best.old.mp3"},
                      ProposalCase{"Best.wav", "", "", false, ".lzh.mp3", "Best.lzh.mp3"},
                      ProposalCase{"Best", "", "", false, ".mp3", "Best.mp3"},
                      ProposalCase{".pac.mp3", "", "", false, ".mp3", ".mp3"}));

TEST(BackupPath, CountsUpPastTakenNames) {
    std::set<std::string> taken;
    const auto exists = [&](const std::string& p) { return taken.count(p) != 0; };
    EXPECT_EQ(BackupPathFor("X.pac.mp3", exists), "X.pac.mp3.bak");
    taken = {"X.pac.mp3.bak"};
    EXPECT_EQ(BackupPathFor("X.pac.mp3", exists), "X.pac.mp3.bk1");
    taken = {"X.pac.mp3.bak", "X.pac.mp3.bk1", "X.pac.mp3.bk2"};
    EXPECT_EQ(BackupPathFor("X.pac.mp3", exists), "X.pac.mp3.bk3");
    EXPECT_EQ(BackupPathFor("X", [](const std::string&) { return true; }), "");
}

}  // namespace
