// quilto-cli info run as a process over the real encoder fixtures.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/TempFolder.h"

namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

CliRun Cli(const std::string& arguments) {
    // One file per process and call: ctest runs these tests in parallel.
    static int calls = 0;
    const std::string errFile =
        ::testing::TempDir() + "quilto_cli_stderr_" + std::to_string(getpid()) + "_" + std::to_string(++calls) + ".txt";
    const std::string command = std::string("LC_ALL=C '") + QUILTO_CLI_PATH + "' " + arguments + " 2>'" + errFile + "'";
    CliRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> buffer{};
    std::size_t got = 0;
    while ((got = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) run.out.append(buffer.data(), got);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(errFile);
    run.err.assign(std::istreambuf_iterator<char>(err), {});
    std::remove(errFile.c_str());
    return run;
}

const std::string kFixtures = QUILTO_FIXTURE_DIR;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace

TEST(CliInfo, TableHasTheTrimmedCaptionsAndOneLinePerFile) {
    const CliRun run = Cli("info '" + kFixtures + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto lines = Lines(run.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0],
              "FileName\tFileSize\tFileDate\tTag\tArtist\tTitle\tAlbum\t\u2116\tYear\tGenre\tTime\tFrames\tKbps\tC/V\tHz\t"
              "ChanelMode\tBitStream\tXing(Size)\t=Frames\t=BitStream");
    // Every fixture MP3, in name order, one line of twenty cells each.
    std::size_t mp3s = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kFixtures)) mp3s += entry.path().extension() == ".mp3";
    ASSERT_GT(mp3s, 20u);
    EXPECT_EQ(lines.size(), 1u + mp3s);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        EXPECT_EQ(std::count(lines[i].begin(), lines[i].end(), '\t'), 19) << lines[i];
    }
    EXPECT_EQ(lines[1].substr(0, lines[1].find('\t')), "cbr112_48k_info.mp3");
}

TEST(CliInfo, FullScanReportsTheEncodersFrameCountAndTheOtherToolsTags) {
    const CliRun run = Cli("info --full --json '" + kFixtures + "/vbr_xing_v2.mp3' '" + kFixtures +
                        "/tag_mutagen_v24_utf16.mp3'");
    ASSERT_EQ(run.status, 0) << run.err;
    // The frame count lame wrote in its Xing header equals the counted frames:
    // no "≠" anywhere.
    EXPECT_EQ(run.out.find("\u2260"), std::string::npos);
    EXPECT_NE(run.out.find("\"xing\": \"Xing(417)\""), std::string::npos);
    EXPECT_NE(run.out.find("\"cv\": \"VBR\""), std::string::npos);
    EXPECT_NE(run.out.find("\"containerKind\": -1"), std::string::npos);
    EXPECT_NE(run.out.find("\"splitFrames\": true"), std::string::npos);
    EXPECT_NE(run.out.find("\"id3v1\": null"), std::string::npos);
    EXPECT_EQ(run.out.front(), '[');
}

TEST(CliInfo, UnreadableFilesAreReportedAndTheOthersStillListed) {
    const CliRun run = Cli("info '" + kFixtures + "/cbr128_joint_info.mp3' /no/such/file.mp3");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("/no/such/file.mp3: No such file or directory"), std::string::npos) << run.err;
    EXPECT_EQ(Lines(run.out).size(), 2u);
}

TEST(CliInfo, UsageErrorsAndHelp) {
    EXPECT_EQ(Cli("info --bogus x").status, 2);
    EXPECT_EQ(Cli("info").status, 2);
    EXPECT_EQ(Cli("frobnicate").status, 2);
    const CliRun help = Cli("info --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--json"), std::string::npos);
}

struct UsageCase {
    const char* arguments;
    int status;
    const char* inErr;  // part of the message on standard error; "" for none expected
    const char* inOut;  // part of standard output
};

void PrintTo(const UsageCase& c, std::ostream* out) { *out << c.arguments; }

class CliUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(CliUsage, ExitStatusAndMessage) {
    const UsageCase& c = GetParam();
    const std::string fixture = " '" + kFixtures + "/cbr128_joint_info.mp3'";
    const CliRun run = Cli(std::string(c.arguments) + fixture);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE(run.err.find(c.inErr), std::string::npos) << run.err;
    EXPECT_NE(run.out.find(c.inOut), std::string::npos) << run.out;
    if (c.status == 2) {
        EXPECT_TRUE(run.out.empty()) << "a usage error lists nothing: " << run.out;
    }
}

// Each line's arguments are followed by one readable fixture path.
INSTANTIATE_TEST_SUITE_P(
    Cases, CliUsage,
    ::testing::Values(UsageCase{"info --bogus", 2, "--bogus", ""},
                      UsageCase{"--bogus info", 2, "--bogus", ""},
                      // A misspelt code page must not quietly list in the default one.
                      UsageCase{"info --code-page NOPE", 2, "unknown code page NOPE", ""},
                      UsageCase{"info --code-page ''", 2, "unknown code page", ""},
                      UsageCase{"info --code-page=NOPE --json", 2, "NOPE", ""},
                      UsageCase{"info --code-page CP1252", 0, "", "cbr128_joint_info.mp3"},
                      UsageCase{"info --json --code-page=cp932", 0, "", "\"fileName\": \"cbr128_joint_info.mp3\""},
                      UsageCase{"info --help", 0, "", "--code-page NAME"},
                      UsageCase{"info -h", 0, "", "Exit status"},
                      UsageCase{"--help", 0, "", "info"},
                      UsageCase{"help", 0, "", "info"},
                      // "--" ends the options: what follows is a path, read or reported.
                      UsageCase{"info -- --json", 1, "--json: ", "cbr128_joint_info.mp3"},
                      UsageCase{"info --frames", 0, "", "offset,frame,kbps,samplerate,mode,padding,event\n0,0,,,,,info\n"},
                      UsageCase{"info --frames --json", 2, "--json", ""},
                      UsageCase{"info --frames --full", 2, "--full", ""},
                      UsageCase{"info --frames /no/such.mp3", 2, "exactly one file", ""},
                      UsageCase{"info --frames /tmp", 2, "exactly one file", ""}));

TEST(CliInfo, FramesOfAFolderOrAMissingFileAreRefused) {
    const CliRun folder = Cli("info --frames '" + kFixtures + "'");
    EXPECT_EQ(folder.status, 2);
    EXPECT_NE(folder.err.find("takes a file, not a folder"), std::string::npos) << folder.err;
    const CliRun missing = Cli("info --frames /no/such/file.mp3");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("/no/such/file.mp3: No such file or directory"), std::string::npos) << missing.err;
    EXPECT_TRUE(missing.out.empty());
}

// The CSV of a VBR file: one line per counted frame, as many as the full
// scan's Frames column, with the scan's average bit rate.
TEST(CliInfo, FramesCsvHasOneLinePerCountedFrame) {
    const std::string path = "'" + kFixtures + "/vbr_xing_v2.mp3'";
    const CliRun csv = Cli("info --frames " + path);
    ASSERT_EQ(csv.status, 0) << csv.err;
    const CliRun json = Cli("info --full --json " + path);
    ASSERT_EQ(json.status, 0) << json.err;
    const auto frames = std::stoull(json.out.substr(json.out.find("\"frames\": ") + 11));
    const auto kbps = std::stoull(json.out.substr(json.out.find("\"kbps\": ") + 9));

    const auto lines = Lines(csv.out);
    ASSERT_EQ(lines.size(), frames + 3);  // caption, Xing frame, frames, end
    EXPECT_EQ(lines[1].substr(lines[1].size() - 5), ",xing");
    std::uint64_t kbpsSum = 0, previousOffset = 0;
    for (std::size_t i = 2; i + 1 < lines.size(); ++i) {
        std::istringstream fields(lines[i]);
        std::string offset, frame, rate;
        std::getline(fields, offset, ',');
        std::getline(fields, frame, ',');
        std::getline(fields, rate, ',');
        ASSERT_EQ(std::stoull(frame), i - 2) << lines[i];
        EXPECT_GT(std::stoull(offset), previousOffset) << lines[i];
        previousOffset = std::stoull(offset);
        kbpsSum += std::stoull(rate);
    }
    EXPECT_EQ(kbpsSum / frames, kbps);
    EXPECT_EQ(lines.back().substr(lines.back().size() - 4), ",end");
}

TEST(CliInfo, MissingCommandOrPathIsAUsageError) {
    for (const char* arguments : {"", "info --json", "info --code-page"}) {
        const CliRun run = Cli(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_FALSE(run.err.empty()) << arguments;
        EXPECT_TRUE(run.out.empty()) << arguments << ": " << run.out;
    }
}

// Names that are not UTF-8 and texts with control characters still make
// valid JSON: invalid bytes become U+FFFD, controls \u00XX.
TEST(CliInfo, JsonCarriesAnyFileNameAndTagBytes) {
    const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) /
                                      ("quilto_cli_json_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::ifstream in(kFixtures + "/cbr128_joint_info.mp3", std::ios::binary);
    std::string audio(std::istreambuf_iterator<char>(in), {});
    ASSERT_GT(audio.size(), 128u);
    if (audio.compare(audio.size() - 128, 3, "TAG") == 0) audio.resize(audio.size() - 128);
    std::string tag = "TAG";
    tag += std::string("T\bi\ft\x01l\x7f\"\\", 10) + std::string(20, '\0');  // title
    tag += std::string(30, '\0') + std::string(30, '\0') + "2001" + std::string(30, '\0');
    tag += '\x0c';  // genre
    ASSERT_EQ(tag.size(), 128u);
    std::ofstream(dir / "bad\xff\xfename.mp3", std::ios::binary) << audio + tag;

    const CliRun run = Cli("info --json '" + dir.string() + "'");
    std::filesystem::remove_all(dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\"fileName\": \"bad\xef\xbf\xbd\xef\xbf\xbdname.mp3\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"title\": \"T\\u0008i\\u000ct\\u0001l\x7f\\\"\\\\\""), std::string::npos) << run.out;
}

// Reading on several threads prints what one thread prints: the same lines in
// the same order, the same failures, the same exit status.
TEST(CliInfo, EveryThreadCountPrintsTheSame) {
    quilto::test::TempFolder folder;
    for (const char* source : {QUILTO_FIXTURE_DIR, QUILTO_HOSTILE_DIR}) {
        for (const auto& entry : std::filesystem::directory_iterator(source)) {
            if (entry.path().extension() == ".mp3") std::filesystem::copy_file(entry.path(), folder.file(entry.path().filename()));
        }
    }
    std::filesystem::create_symlink("nowhere.mp3", folder.file("dangling.mp3"));
    const std::string paths = "'" + folder.path() + "' /no/such/file.mp3 '" + kFixtures + "/vbr_xing_v2.mp3'";
    for (const char* mode : {"", "--json", "--full", "--full --json"}) {
        SCOPED_TRACE(mode);
        const CliRun serial = Cli(std::string("info --threads 1 ") + mode + " " + paths);
        EXPECT_EQ(serial.status, 1);
        EXPECT_NE(serial.err.find("dangling.mp3: "), std::string::npos) << serial.err;
        EXPECT_GT(Lines(serial.out).size(), 100u);
        for (const char* threads : {"--threads 2", "--threads 4", ""}) {
            const CliRun parallel = Cli(std::string("info ") + threads + " " + mode + " " + paths);
            EXPECT_EQ(parallel.status, serial.status) << threads;
            EXPECT_EQ(parallel.out, serial.out) << threads;
            EXPECT_EQ(parallel.err, serial.err) << threads;
        }
    }
}
