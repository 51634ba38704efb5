// The settings file reader and writer: what survives a rewrite, how values
// are read back, and that a failed save never costs the old file.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/IniFile.h"
#include "support/TempFolder.h"

using quilto::core::IniFile;
using quilto::test::TempFolder;

namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::size_t FilesIn(const std::filesystem::path& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

// ------------------------------------------------------------- round trip

TEST(IniFile, UnknownContentSurvivesAnUpdate) {
    const std::string original =
        "; written by hand\r\n"
        "[Window]\r\n"
        "Top=10\r\n"
        "Future Key = kept  as is \r\n"
        "\r\n"
        "[Plugins]\r\n"
        "a=1\r\n"
        "a line without equals\r\n"
        "\r\n"
        "[ReName]\r\n"
        "FCount=0\r\n";
    IniFile file = IniFile::Parse(original);
    file.writeInt("Window", "Top", 20);   // in place
    file.writeInt("Window", "Left", 5);   // after the section's last entry, before its blank line
    file.writeInt("PackOption", "CueCheck", 0);  // a new section at the end

    EXPECT_EQ(file.text(),
              "; written by hand\n"
              "[Window]\n"
              "Top=20\n"
              "Future Key = kept  as is \n"
              "Left=5\n"
              "\n"
              "[Plugins]\n"
              "a=1\n"
              "a line without equals\n"
              "\n"
              "[ReName]\n"
              "FCount=0\n"
              "[PackOption]\n"
              "CueCheck=0\n");
    EXPECT_EQ(file.value("Window", "Future Key"), "kept  as is");
}

TEST(IniFile, FreshFileKeepsTheWriteOrder) {
    IniFile file;
    file.writeInt("Window", "Top", 1);
    file.writeBool("OptionGen", "SyncSafe", false);
    file.writeInt("Window", "Left", 2);
    file.writeWrapped("OptionRen", "TimeSep", "'");
    file.write("Window", "Dir", "/home/u/Music/");
    EXPECT_EQ(file.text(),
              "[Window]\nTop=1\nLeft=2\nDir=/home/u/Music/\n"
              "[OptionGen]\nSyncSafe=0\n"
              "[OptionRen]\nTimeSep=/'/\n");
}

TEST(IniFile, NamesIgnoreLetterCaseAndTheFirstDuplicateCounts) {
    IniFile file = IniFile::Parse("[window]\nTOP=7\ntop=8\n[WINDOW]\nLeft=3\n");
    EXPECT_EQ(file.readInt("Window", "Top", 0), 7);
    EXPECT_EQ(file.readInt("Window", "left", 0), 3);  // found in the second section of that name
    file.writeInt("Window", "Top", 9);
    EXPECT_EQ(file.text(), "[window]\nTOP=9\ntop=8\n[WINDOW]\nLeft=3\n");  // the key keeps its spelling
}

TEST(IniFile, EraseSectionRemovesEveryCopyWithItsLines) {
    IniFile file = IniFile::Parse("[ReName]\nFI-1=a\n[Window]\nTop=1\n[rename]\nFI-2=b\n");
    file.eraseSection("ReName");
    file.write("ReName", "FCount", "0");
    EXPECT_EQ(file.text(), "[Window]\nTop=1\n[ReName]\nFCount=0\n");
    file.eraseKey("Window", "TOP");
    EXPECT_FALSE(file.value("Window", "Top"));
}

TEST(IniFile, LineBreaksInAValueCannotAddKeys) {
    IniFile file;
    file.write("OptionGen", "Player", "vlc\r\n[Window]\nTop=666");
    const IniFile reread = IniFile::Parse(file.text());
    EXPECT_FALSE(reread.value("Window", "Top"));
    EXPECT_EQ(reread.readString("OptionGen", "Player", ""), "vlc  [Window] Top=666");
}

// ------------------------------------------------------------ typed reads

struct IntCase {
    const char* stored;  // nullptr: key missing
    int expected;
};

class IniReadInt : public ::testing::TestWithParam<IntCase> {};

TEST_P(IniReadInt, GarbageGivesTheDefault) {
    IniFile file;
    if (GetParam().stored) file.write("S", "K", GetParam().stored);
    EXPECT_EQ(file.readInt("S", "K", 42), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, IniReadInt,
                         ::testing::Values(IntCase{nullptr, 42}, IntCase{"12", 12}, IntCase{"-5", -5},
                                           IntCase{"+7", 7}, IntCase{"", 42}, IntCase{"abc", 42},
                                           IntCase{"12abc", 42}, IntCase{"1 2", 42}, IntCase{"0x10", 42},
                                           IntCase{"2147483647", 2147483647}, IntCase{"2147483648", 42},
                                           IntCase{"-99999999999", 42}));

TEST(IniFile, BlanksAroundValuesAreDropped) {
    const IniFile file = IniFile::Parse("[S]\n  K  =  12  \nT=\t a b \t\n");
    EXPECT_EQ(file.readInt("S", "K", 0), 12);
    EXPECT_EQ(file.readString("S", "T", "x"), "a b");
}

struct BoolCase {
    const char* stored;
    bool defaultValue;
    bool expected;
};

class IniReadBool : public ::testing::TestWithParam<BoolCase> {};

TEST_P(IniReadBool, AnyNonZeroNumberIsTrue) {
    IniFile file;
    if (GetParam().stored) file.write("S", "B", GetParam().stored);
    EXPECT_EQ(file.readBool("S", "B", GetParam().defaultValue), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, IniReadBool,
                         ::testing::Values(BoolCase{"1", false, true}, BoolCase{"0", true, false},
                                           BoolCase{"-1", false, true}, BoolCase{"2", false, true},
                                           BoolCase{"00", true, false}, BoolCase{"true", false, false},
                                           BoolCase{"yes", true, true}, BoolCase{"", true, true},
                                           BoolCase{nullptr, true, true}));

struct WrappedCase {
    const char* stored;  // nullptr: key missing
    const char* expected;
};

class IniReadWrapped : public ::testing::TestWithParam<WrappedCase> {};

TEST_P(IniReadWrapped, LosesOneCharacterAtEachEnd) {
    IniFile file;
    if (GetParam().stored) file.write("OptionRen", "TimeSep", GetParam().stored);
    EXPECT_EQ(file.readWrapped("OptionRen", "TimeSep", "def"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, IniReadWrapped,
                         ::testing::Values(WrappedCase{"/'/", "'"}, WrappedCase{"//", ""},
                                           WrappedCase{"/ a b /", " a b "},
                                           WrappedCase{"x-y", "-"},           // whatever the enclosing characters are
                                           WrappedCase{"／￥／", "￥"},        // whole characters, not bytes
                                           WrappedCase{"/", "def"}, WrappedCase{"", "def"},
                                           WrappedCase{nullptr, "def"}));

TEST(IniFile, WrappedTextsKeepOuterBlanksThroughAFile) {
    TempFolder folder;
    const std::string path = folder.file("Quilto.ini").string();
    IniFile file;
    file.writeWrapped("OptionRen", "Delimiter", "  !# ");
    file.writeWrapped("OptionRen", "Rep1", "");
    ASSERT_TRUE(file.save(path));
    const IniFile reread = IniFile::Load(path);
    EXPECT_EQ(reread.readWrapped("OptionRen", "Delimiter", "x"), "  !# ");
    EXPECT_EQ(reread.readWrapped("OptionRen", "Rep1", "x"), "");
}

// --------------------------------------------------------------- encoding

TEST(IniFile, FileOfTheOriginalPlatformIsReadInTheLegacyCodePage) {
    // Shift-JIS: "￥" is 81 8F, "ジャズ" is 83 57 83 83 83 59.
    const std::string legacy = "[OptionRen]\r\nRep1=/\x81\x8F/\r\n[Genre]\r\n008=\x83\x57\x83\x83\x83\x59\r\n";
    TempFolder folder;
    WriteFile(folder.file("Quilto.ini"), legacy);
    IniFile file = IniFile::Load(folder.file("Quilto.ini").string());
    EXPECT_EQ(file.readWrapped("OptionRen", "Rep1", ""), "￥");
    EXPECT_EQ(file.readString("Genre", "008", ""), "ジャズ");

    // Written back in UTF-8 with "\n".
    ASSERT_TRUE(file.save(folder.file("Quilto.ini").string()));
    EXPECT_EQ(ReadFile(folder.file("Quilto.ini")), "[OptionRen]\nRep1=/￥/\n[Genre]\n008=ジャズ\n");
}

TEST(IniFile, ByteOrderMarksAreHonoured) {
    EXPECT_EQ(IniFile::Parse("\xEF\xBB\xBF[Window]\nTop=3\n").readInt("Window", "Top", 0), 3);
    const std::string utf16(
        "\xFF\xFE[\0S\0]\0\r\0\n\0K\0=\0\xA5\x30\r\0\n\0", 22);  // "[S]", "K=ゥ"
    EXPECT_EQ(IniFile::Parse(utf16).readString("S", "K", ""), "\u30A5");
}

// ----------------------------------------------------------------- saving

TEST(IniFile, MissingFileLoadsEmpty) {
    TempFolder folder;
    EXPECT_EQ(IniFile::Load(folder.file("none.ini").string()).text(), "");
}

TEST(IniFile, SaveReplacesTheFileAndLeavesNothingBeside) {
    TempFolder folder;
    const auto path = folder.file("Quilto.ini");
    WriteFile(path, "[Window]\nTop=1\n");
    ::chmod(path.c_str(), 0640);
    IniFile file = IniFile::Load(path.string());
    file.writeInt("Window", "Top", 2);
    std::string error;
    ASSERT_TRUE(file.save(path.string(), &error)) << error;
    EXPECT_EQ(ReadFile(path), "[Window]\nTop=2\n");
    EXPECT_EQ(FilesIn(folder.file("")), 1u);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(IniFile, SaveThroughALinkRewritesItsTarget) {
    TempFolder folder;
    WriteFile(folder.file("real.ini"), "[S]\nK=1\n");
    std::filesystem::create_symlink(folder.file("real.ini"), folder.file("Quilto.ini"));
    IniFile file;
    file.writeInt("S", "K", 2);
    ASSERT_TRUE(file.save(folder.file("Quilto.ini").string()));
    EXPECT_TRUE(std::filesystem::is_symlink(folder.file("Quilto.ini")));
    EXPECT_EQ(ReadFile(folder.file("real.ini")), "[S]\nK=2\n");
}

// A write that fails half-way (the disk is full): the old file stays whole
// and no partial file is left beside it. The file size limit makes the
// failure real even for root.
TEST(IniFile, FailedWriteLeavesTheOldFile) {
    TempFolder folder;
    const auto path = folder.file("Quilto.ini");
    const std::string old = "[Window]\nTop=1\n";
    WriteFile(path, old);
    IniFile file;
    for (int i = 0; i < 200; ++i) file.writeInt("Genre", std::to_string(i), i);

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string error;
    const bool savedOk = file.save(path.string(), &error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(savedOk);
    EXPECT_NE(error.find("Cannot write"), std::string::npos) << error;
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(FilesIn(folder.file("")), 1u);
}

TEST(IniFile, SaveIntoAReadOnlyFolderFailsAndLeavesTheOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    TempFolder folder;
    const auto path = folder.file("Quilto.ini");
    WriteFile(path, "[S]\nK=1\n");
    ::chmod(folder.file("").c_str(), 0555);
    IniFile file;
    file.writeInt("S", "K", 2);
    std::string error;
    EXPECT_FALSE(file.save(path.string(), &error));
    ::chmod(folder.file("").c_str(), 0755);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadFile(path), "[S]\nK=1\n");
}

TEST(IniFile, SaveIntoAMissingFolderReportsIt) {
    TempFolder folder;
    IniFile file;
    file.writeInt("S", "K", 1);
    std::string error;
    EXPECT_FALSE(file.save(folder.file("missing/Quilto.ini").string(), &error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
}

}  // namespace
