// quilto-cli list over files written by quilto-cli pack: every format's
// tracks come back with their names, the byte regions the writer stored and
// their frame scans; the cue index comes from the head tag.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/RunProcess.h"
#include "support/TempFolder.h"
#include "support/ToolRun.h"

namespace {

using quilto::test::ProcessResult;
using quilto::test::RunCli;

const std::string kFixtures = QUILTO_FIXTURE_DIR;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Two lame-encoded fixtures with an ID3v2 tag of the given size and an ID3v1.
struct Source {
    std::string name;
    std::size_t v2Bytes;
    std::string artist;
};
const std::vector<Source> kSources = {{"tag_id3v2tool_v23_v1.mp3", 210, "Id3lib Artist"}, {"tag_lame_id3.mp3", 284, "Lame Artist"}};

struct ListCase {
    std::string format;
    std::vector<std::string> arguments;
    int kind;
    std::string cueCode;
    bool keepV2;
};

class CliList : public ::testing::TestWithParam<ListCase> {};

TEST_P(CliList, ShowsThePackedTracks) {
    const ListCase& c = GetParam();
    quilto::test::TempFolder folder;
    const std::string out = folder.file("album." + c.format + ".mp3").string();
    std::vector<std::string> arguments{"pack", "--album", "Album", "-o", out, "--format", c.format};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    for (const Source& source : kSources) arguments.push_back(kFixtures + "/" + source.name);
    const ProcessResult packed = RunCli(arguments);
    ASSERT_EQ(packed.exitCode, 0) << packed.err;

    const ProcessResult run = RunCli({"list", "--json", out});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const nlohmann::json all = nlohmann::json::parse(run.out);
    ASSERT_EQ(all.size(), 1u);
    const nlohmann::json& file = all[0];
    EXPECT_EQ(file["path"], out);
    EXPECT_EQ(file["containerKind"], c.kind);
    EXPECT_EQ(file["cueCode"], c.cueCode);
    EXPECT_GT(file["headTagSize"].get<std::uint64_t>(), 0u);
    EXPECT_EQ(file["header"]["title"], "Album");
    ASSERT_EQ(file["cue"].size(), kSources.size());
    EXPECT_EQ(file["cue"][1]["performer"], "Lame Artist");
    EXPECT_EQ(file["cue"][0]["index"], "00:00:00");

    const nlohmann::json& tracks = file["tracks"];
    if (c.format == "bind") {
        EXPECT_TRUE(tracks.empty());
        return;
    }
    const std::string bytes = ReadFile(out);
    ASSERT_EQ(tracks.size(), kSources.size());
    for (std::size_t i = 0; i < kSources.size(); ++i) {
        SCOPED_TRACE(kSources[i].name);
        const nlohmann::json& track = tracks[i];
        EXPECT_EQ(track["fileName"], kSources[i].name);
        const std::string source = ReadFile(kFixtures + "/" + kSources[i].name);
        const std::size_t from = c.keepV2 ? 0 : kSources[i].v2Bytes;
        const auto start = track["start"].get<std::size_t>();
        const auto end = track["end"].get<std::size_t>();
        ASSERT_LE(start, end);
        ASSERT_LE(end, bytes.size());
        EXPECT_TRUE(bytes.substr(start, end - start) == source.substr(from, source.size() - 128 - from));
        EXPECT_EQ(track["tag"], c.keepV2 ? "v2" : "");
        EXPECT_EQ(track["time"], "0:02");
        EXPECT_EQ(track["mode"], "SingleChannel");
        EXPECT_EQ(track["xing"], "208");  // the kept Info frame's length
        EXPECT_EQ(track["dosDateTime"] != 0, c.format == "zip" || c.format == "lha");
        if (c.format != "pack") {
            EXPECT_EQ(track["artist"], kSources[i].artist);  // from the cue rows
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, CliList,
                         ::testing::Values(ListCase{"bind", {}, -1, "0", false},
                                           ListCase{"pack", {"--keep-id3v2"}, 1, "1", true},
                                           ListCase{"zip", {}, 2, "2", false},
                                           ListCase{"lha", {"--keep-id3v2"}, 3, "3", true}),
                         [](const ::testing::TestParamInfo<ListCase>& param) { return param.param.format; });

TEST(CliListText, OneHeaderLineAndOneLinePerTrackFailuresOnStandardError) {
    quilto::test::TempFolder folder;
    const std::string out = folder.file("text.pac.mp3").string();
    ASSERT_EQ(RunCli({"pack", "--album", "Album", "-o", out, kFixtures + "/" + kSources[0].name,
                      kFixtures + "/" + kSources[1].name})
                  .exitCode,
              0);
    const std::string missing = folder.file("missing.mp3").string();
    const ProcessResult run = RunCli({"list", missing, out});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.rfind(missing + ": ", 0), 0u) << run.err;
    const std::vector<std::string> lines = quilto::test::SplitLines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    EXPECT_EQ(lines[0].rfind(out + "\t1\tAlbum\t", 0), 0u) << lines[0];
    EXPECT_EQ(lines[2].rfind("   2\ttag_lame_id3.mp3\tLame Artist\tLame Title\t\t0:02\t", 0), 0u) << lines[2];

    EXPECT_EQ(RunCli({"list"}).exitCode, 2);
}

}  // namespace
