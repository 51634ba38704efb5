// The settings the main window reads and writes: key names and order, the
// values read back after a close, defaults for missing and broken values,
// and where the file lives.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "core/IniFile.h"
#include "support/IniKeys.h"
#include "support/TempFolder.h"

using quilto::app::GeneralOptions;
using quilto::app::RenameOptions;
using quilto::app::SettingsLocation;
using quilto::app::WindowSettings;
using quilto::core::IniFile;
using quilto::test::KeysOf;
using quilto::test::TempFolder;

namespace {

std::vector<std::string> Split(const std::string& words) {
    std::vector<std::string> out;
    std::istringstream in(words);
    for (std::string word; in >> word;) out.push_back(word);
    return out;
}

// ------------------------------------------------------------ section Window

// Names as files of the original platform hold them ("Clmerformer" and all):
// a misspelt key would silently lose the user's layout.
const char* const kWindowWriteOrder =
    "Top Left Height Width Split1 "
    "ClmFName ClmFSize ClmFDate ClmFTag ClmFTitle ClmFArtist ClmFAlbum ClmFNo ClmFYear ClmFGenre ClmFTime "
    "ClmFFrames ClmFKbps ClmFCBRVBR ClmFHz ClmFMode ClmFBytes ClmFXing ClmFXFrames ClmFXBytes Split2 "
    "ClmP1Title ClmP1Performer ClmP1Time ClmP1Frames ClmP1Kbps ClmP1Hz ClmP1File "
    "ClmP2Title ClmP2Performer ClmP2Index SplitP "
    "ClmP3Name ClmP3Tag ClmP3Artist ClmP3Title ClmP3Time ClmP3Frames ClmP3Kbps ClmP3CBRVBR ClmP3Hz ClmP3Mode "
    "ClmP3Bytes ClmP3Xing "
    "ClmU1Title ClmU1Performer ClmU1Time ClmU1Frames ClmU1Kbps ClmU1Hz ClmU1File ClmU1Path "
    "ClmU2Title ClmU2Performer ClmU2Index SplitU "
    "ClmU3Name ClmU3Tag ClmU3Artist ClmU3Title ClmU3Time ClmU3Frames ClmU3Kbps ClmU3CBRVBR ClmU3Hz ClmU3Mode "
    "ClmU3Bytes ClmU3Xing "
    "Clm1Name Clm1Title Clm1Artist Clm1Album Clm1No Clm1Year Clm1Comment Clm1Genre "
    "Clm2Name Clm2Artist Clm2Title Clm2Album Clm2No Clm2Year Clm2Comment Clm2Genre Clm2Composer Clm2OrigArtist "
    "Clm2Copyright Clm2URL Clm2Encoded Clm2Encoder "
    "ClmRFItem ClmRFParam ClmRRName ClmRRFrom ClmRRTo SplitR ClmR3Name ClmR3RepCnv Page Dir";

TEST(WindowSettings, StoresEveryKeyInItsOrder) {
    IniFile file;
    WindowSettings().store(file);
    EXPECT_EQ(KeysOf(file.text()), Split(kWindowWriteOrder));
}

TEST(WindowSettings, StoreUpdatesInPlaceAndKeepsOtherKeys) {
    IniFile file = IniFile::Parse("[Window]\nPage=4\nFuture=1\n[ReName]\nFCount=0\n");
    WindowSettings settings;
    settings.page = 1;
    settings.store(file);
    const IniFile reread = IniFile::Parse(file.text());
    EXPECT_EQ(reread.readInt("Window", "Page", -1), 1);
    EXPECT_EQ(reread.readInt("Window", "Future", -1), 1);
    EXPECT_EQ(reread.readInt("ReName", "FCount", -1), 0);
}

// Every key gets a value of its own, so a key read into the wrong field or
// written from the wrong field shows.
TEST(WindowSettings, ReadsBackWhatWasWrittenAtClose) {
    IniFile distinct;
    int next = 1000;
    for (const std::string& key : Split(kWindowWriteOrder)) {
        if (key == "Page") distinct.writeInt("Window", key, 3);
        else if (key == "Dir") distinct.write("Window", key, "/home/u/My Music/");
        else distinct.writeInt("Window", key, next++);
    }
    WindowSettings before;
    before.load(distinct);
    ASSERT_NE(before, WindowSettings());

    TempFolder folder;
    const std::string path = folder.file("Quilto.ini").string();
    IniFile closing;
    before.store(closing);
    ASSERT_TRUE(closing.save(path));
    const IniFile opening = IniFile::Load(path);
    WindowSettings after;
    after.load(opening);
    EXPECT_EQ(after, before);
    for (const std::string& key : Split(kWindowWriteOrder)) {
        EXPECT_EQ(opening.value("Window", key), distinct.value("Window", key)) << key;
    }

    // Keys whose list column differs from their place in the order.
    EXPECT_EQ(after.fileColumns[5], distinct.readInt("Window", "ClmFTitle", 0));   // column 6
    EXPECT_EQ(after.fileColumns[4], distinct.readInt("Window", "ClmFArtist", 0));  // column 5
    EXPECT_EQ(after.id3v1Columns[1], distinct.readInt("Window", "Clm1Artist", 0)); // column 2
    EXPECT_EQ(after.packCueColumns[0], distinct.readInt("Window", "ClmP2Title", 0));  // column 2
    EXPECT_EQ(after.replaceColumns[0], distinct.readInt("Window", "ClmRRName", 0));   // column 0
    EXPECT_EQ(after.page, 3);
    EXPECT_EQ(after.dir, "/home/u/My Music/");
}

TEST(Settings, EmptyFileGivesTheDefaults) {
    WindowSettings settings;
    settings.load(IniFile());
    EXPECT_EQ(settings, WindowSettings());
    EXPECT_EQ(settings.height, 480);
    EXPECT_EQ(settings.width, 640);
    EXPECT_EQ(settings.fileColumns[3], 38);        // Tag
    EXPECT_EQ(settings.fileColumns[19], 0);        // =BitStream, hidden
    EXPECT_EQ(settings.packListColumns[3], 150);   // Title
    EXPECT_EQ(settings.unpackHeaderColumns[7], 200);
    EXPECT_EQ(settings.id3v2Columns[9], 105);      // OrigArtist
    EXPECT_EQ(settings.replaceColumns[0], 60);
    EXPECT_EQ(settings.splitR, 250);
    EXPECT_EQ(settings.page, 2);
    EXPECT_EQ(settings.dir, "");

    RenameOptions rename;
    rename.load(IniFile());
    EXPECT_EQ(rename.timeSeparator, "'");
    EXPECT_EQ(rename.forbiddenReplacements[5], "\u201D");  // right double quotation mark
}

TEST(WindowSettings, BrokenValuesGiveTheDefaults) {
    const IniFile file = IniFile::Parse(
        "[Window]\nTop=-40\nLeft=abc\nHeight=-1\nWidth=99999999999\nSplit1=12px\n"
        "ClmFName=-3\nClmFSize=0\nPage=5\nSplitR=\n");
    WindowSettings settings;
    settings.load(file);
    EXPECT_EQ(settings.top, -40);  // left of the primary screen is a place
    EXPECT_EQ(settings.left, 0);
    EXPECT_EQ(settings.height, 480);
    EXPECT_EQ(settings.width, 640);
    EXPECT_EQ(settings.split1, 200);
    EXPECT_EQ(settings.fileColumns[0], 80);
    EXPECT_EQ(settings.fileColumns[1], 0);  // a hidden column
    EXPECT_EQ(settings.page, 2);
    EXPECT_EQ(settings.splitR, 250);
}

// -------------------------------------------------------- other sections

TEST(GeneralOptions, DefaultsAndRoundTrip) {
    GeneralOptions options;
    options.load(IniFile());
    EXPECT_EQ(options, GeneralOptions());
    EXPECT_TRUE(options.syncSafe && options.cueSheet && options.backup);
    EXPECT_FALSE(options.supportTag);
    EXPECT_EQ(options.editor, "");

    EXPECT_FALSE(options.unicodeTag);
    EXPECT_EQ(options.codePage, "CP932");

    options = {false, false, false, true, "/usr/bin/gedit", "/usr/bin/vlc", "--one-instance", true, "KOI8-R"};
    IniFile file;
    options.store(file);
    EXPECT_EQ(file.text(),
              "[OptionGen]\nSyncSafe=0\nCueSheet=0\nBackup=0\nSupportTag=1\n"
              "Editor=/usr/bin/gedit\nPlayer=/usr/bin/vlc\nPlayerPrm=--one-instance\nUnicodeTag=1\nCodePage=KOI8-R\n");
    GeneralOptions reread;
    reread.load(IniFile::Parse(file.text()));
    EXPECT_EQ(reread, options);
}

TEST(GeneralOptions, NotepadOfTheOriginalPlatformMeansTheDesktopEditor) {
    GeneralOptions options;
    options.load(IniFile::Parse("[OptionGen]\r\nEditor=C:\\WINDOWS\\NOTEPAD.EXE\r\nSyncSafe=yes\r\n"));
    EXPECT_EQ(options.editor, "");
    EXPECT_TRUE(options.syncSafe);
}

TEST(RenameOptions, TextsKeepTheirBlanksThroughTheFile) {
    RenameOptions options;
    options.timeSeparator = " -";
    options.wordDelimiters = " ";
    options.extensionCase = quilto::rename::ExtensionCase::Lower;
    options.forbiddenReplacements[0] = "";
    options.forbiddenReplacements[8] = "_ ";
    IniFile file;
    options.store(file);
    EXPECT_EQ(KeysOf(file.text()), Split("TimeSep Delimiter Extension Rep1 Rep2 Rep3 Rep4 Rep5 Rep6 Rep7 Rep8 Rep9"));
    EXPECT_EQ(file.value("OptionRen", "TimeSep"), "/ -/");
    RenameOptions reread;
    reread.load(IniFile::Parse(file.text()));
    EXPECT_EQ(reread, options);
}

TEST(RenameOptions, UnknownExtensionCaseIsNoConversion) {
    RenameOptions options;
    options.load(IniFile::Parse("[OptionRen]\nExtension=3\n"));
    EXPECT_EQ(options.extensionCase, quilto::rename::ExtensionCase::AsIs);
}

// A hand-edited file must not put a path separator or a long text into names.
TEST(RenameOptions, NameTextsThatCannotStandInANameReadAsDefaults) {
    RenameOptions options;
    options.load(IniFile::Parse("[OptionRen]\nTimeSep=/:/\nRep1=/abc/\nRep2=/-/\nRep3=/../\n"));
    EXPECT_EQ(options.timeSeparator, "'");
    EXPECT_EQ(options.forbiddenReplacements[0], "\uFFE5");
    EXPECT_EQ(options.forbiddenReplacements[1], "-");
    EXPECT_EQ(options.forbiddenReplacements[2], "\uFF1A");
}

TEST(GenreSettings, OnlyActiveNumbersAreRead) {
    const std::string custom = "[Genre]\n001=My Rock\n200=Not Read\n255=Anime!\n";
    const auto standard = quilto::app::LoadGenreTable(IniFile::Parse(custom));
    ASSERT_EQ(standard.id3v2Names().size(), 148u);
    EXPECT_EQ(standard.id3v2Names()[1], "My Rock");
    EXPECT_EQ(standard.id3v2Names()[0], "Blues");

    const auto extended = quilto::app::LoadGenreTable(IniFile::Parse(custom + "Ext=1\n"));
    ASSERT_EQ(extended.id3v2Names().size(), 256u);
    EXPECT_EQ(extended.id3v2Names()[200], "Not Read");
    EXPECT_EQ(extended.id3v2Names()[255], "Anime!");
    EXPECT_EQ(extended.id3v1Names()[255], "");
}

TEST(CueCheck, IsZeroOrOne) {
    EXPECT_EQ(quilto::app::LoadCueCheck(IniFile()), 1);
    for (const auto& [stored, expected] : std::vector<std::pair<std::string, int>>{{"0", 0}, {"1", 1}, {"5", 1}, {"x", 1}}) {
        EXPECT_EQ(quilto::app::LoadCueCheck(IniFile::Parse("[PackOption]\nCueCheck=" + stored + "\n")), expected)
            << stored;
    }
    IniFile file;
    quilto::app::StoreCueCheck(file, 0);
    EXPECT_EQ(file.text(), "[PackOption]\nCueCheck=0\n");
}

// ------------------------------------------------------------------ location

// Sets an environment variable for one test and restores it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) ::setenv(name, value->c_str(), 1);
        else ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        else ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

class SettingsLocationTest : public ::testing::Test {
protected:
    std::string program() const { return program_.file("bin").string(); }
    std::string home() const { return home_.file("").string() + "home"; }

    void SetUp() override { std::filesystem::create_directories(program()); }

    TempFolder program_;
    TempFolder home_;
    ScopedEnv configDir_{"QUILTO_CONFIG_DIR", std::nullopt};
    ScopedEnv xdg_{"XDG_CONFIG_HOME", std::nullopt};
    ScopedEnv homeEnv_{"HOME", home()};
};

TEST_F(SettingsLocationTest, WithoutAFileBesideTheProgramTheUsersConfigFolder) {
    const SettingsLocation location = quilto::app::LocateSettings(program());
    EXPECT_FALSE(location.portable);
    EXPECT_EQ(location.iniPath(), home() + "/.config/quilto/Quilto.ini");
    EXPECT_EQ(location.exchangePath(), home() + "/.config/quilto/~Quilto~.txt");
}

TEST_F(SettingsLocationTest, XdgConfigHomeWhenAbsolute) {
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", "/elsewhere/config/");
        EXPECT_EQ(quilto::app::LocateSettings(program()).folder, "/elsewhere/config/quilto");
    }
    ScopedEnv relative("XDG_CONFIG_HOME", "config");
    EXPECT_EQ(quilto::app::LocateSettings(program()).folder, home() + "/.config/quilto");
}

TEST_F(SettingsLocationTest, FileBesideTheProgramMakesItPortable) {
    std::ofstream(program() + "/Quilto.ini") << "[Window]\n";
    const SettingsLocation location = quilto::app::LocateSettings(program() + "/");
    EXPECT_TRUE(location.portable);
    EXPECT_EQ(location.iniPath(), program() + "/Quilto.ini");
    EXPECT_EQ(location.exchangePath(), program() + "/~Quilto~.txt");
}

TEST_F(SettingsLocationTest, ReadOnlyFileBesideTheProgramIsNotUsed) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may write anything";
    std::ofstream(program() + "/Quilto.ini") << "[Window]\n";
    ::chmod((program() + "/Quilto.ini").c_str(), 0444);
    EXPECT_FALSE(quilto::app::LocateSettings(program()).portable);
}

TEST_F(SettingsLocationTest, EnvironmentOverridesEverything) {
    std::ofstream(program() + "/Quilto.ini") << "[Window]\n";
    ScopedEnv chosen("QUILTO_CONFIG_DIR", "/chosen/folder/");
    const SettingsLocation location = quilto::app::LocateSettings(program());
    EXPECT_FALSE(location.portable);
    EXPECT_EQ(location.iniPath(), "/chosen/folder/Quilto.ini");
}

TEST_F(SettingsLocationTest, SaveCreatesTheFolder) {
    const SettingsLocation location = quilto::app::LocateSettings(program());
    IniFile file;
    WindowSettings().store(file);
    std::string error;
    ASSERT_TRUE(quilto::app::SaveSettings(file, location, &error)) << error;
    WindowSettings reread;
    reread.load(IniFile::Load(location.iniPath()));
    EXPECT_EQ(reread, WindowSettings());
}

}  // namespace
