// quilto-cli pack, run as a process over the encoder fixtures. What it wrote
// is read back with the engine's readers and checked by the independent
// tools: mp3val (frames), Python zipfile, lhasa, cuetools, mutagen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "core/InputFile.h"
#include "pack/ArchiveListing.h"
#include "pack/HeadTag.h"
#include "pack/PackBlock.h"
#include "support/RunProcess.h"
#include "support/ToolRun.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using quilto::test::ProcessResult;
using quilto::test::RunProcess;
using quilto::test::RunCli;
using quilto::test::RunTool;
using quilto::test::SplitLines;

const std::string kFixtures = QUILTO_FIXTURE_DIR;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}


// The three lame-encoded tagged fixtures (ID3v2 of the given size in front,
// ID3v1 behind); the last one's Album is "Mutagen Album".
struct Source {
    std::string name;
    std::size_t v2Bytes;
    bool v1;
};
const std::vector<Source> kSources = {
    {"tag_id3v2tool_v23_v1.mp3", 210, true}, {"tag_lame_id3.mp3", 284, true}, {"tag_mutagen_v23.mp3", 1434, true}};

std::string FixturePath(const std::string& name) { return kFixtures + "/" + name; }

// The bytes of a source a track is made of.
std::string Slice(const Source& source, bool keepV2, bool keepV1) {
    const std::string bytes = ReadFile(FixturePath(source.name));
    const std::size_t begin = keepV2 ? 0 : source.v2Bytes;
    const std::size_t end = bytes.size() - (source.v1 && !keepV1 ? 128 : 0);
    return bytes.substr(begin, end - begin);
}

int Mp3valFrames(const std::string& path, std::string* report = nullptr) {
    const ProcessResult run = RunTool("mp3val", {path});
    if (report) *report = run.out;
    // "... N MPEG frames ..."; std::regex trips a false warning of gcc 12 under the sanitizers.
    for (std::size_t words = run.out.find(" MPEG frames"); words != std::string::npos;
         words = run.out.find(" MPEG frames", words + 1)) {
        std::size_t digits = words;
        while (digits > 0 && std::isdigit(static_cast<unsigned char>(run.out[digits - 1]))) --digits;
        if (digits < words) return std::stoi(run.out.substr(digits, words - digits));
    }
    return -1;
}

std::size_t HeadTagBytes(const std::string& file) {
    if (file.size() < 10 || file.compare(0, 3, "ID3") != 0) return 0;
    std::size_t size = 0;
    for (int i = 6; i < 10; ++i) size = size << 7 | (static_cast<unsigned char>(file[static_cast<std::size_t>(i)]) & 0x7F);
    return 10 + size;
}

std::optional<std::vector<std::string>> EmbeddedCue(const std::string& file) {
    const std::size_t tag = HeadTagBytes(file);
    if (tag == 0) return std::nullopt;
    const auto* data = reinterpret_cast<const std::uint8_t*>(file.data());
    return quilto::pack::FindCueText(quilto::core::ByteView(data, tag));
}

// What the engine's readers find in a packed file: its tracks' names and
// bytes (Bind: one unnamed piece behind the head tag) and the option word.
struct ReadBack {
    std::vector<std::string> names;
    std::vector<std::uint64_t> starts, ends;
    std::string trackBytes;  // all tracks' bytes, one after another
    std::uint32_t optionWord = 0;
    std::string album;
};

ReadBack ReadPacked(const std::string& path, const std::string& format) {
    ReadBack back;
    const std::string file = ReadFile(path);
    const std::size_t tag = HeadTagBytes(file);
    auto input = quilto::core::InputFile::Open(path);
    if (!input) {
        ADD_FAILURE() << "cannot open " << path;
        return back;
    }
    input->seek(tag);
    auto take = [&](const std::string& name, std::uint64_t start, std::uint64_t end) {
        back.names.push_back(name);
        back.starts.push_back(start);
        back.ends.push_back(end);
        if (start <= end && end <= file.size()) back.trackBytes += file.substr(start, end - start);
    };
    if (format == "bind") {
        back.trackBytes = file.substr(tag);
    } else if (format == "pack") {
        const std::optional<std::uint64_t> size = quilto::pack::PackBlockSize(*input);
        if (!size) {
            ADD_FAILURE() << "no pack block behind the head tag of " << path;
            return back;
        }
        const auto block = input->readBytesAt(tag, static_cast<std::size_t>(*size));
        const quilto::pack::PackDirectory directory = quilto::pack::ReadPackBlock(block, tag, file.size());
        EXPECT_FALSE(directory.damaged);
        back.optionWord = directory.optionWord;
        back.album = directory.albumTitle;
        for (const auto& track : directory.tracks) take(track.fileName, track.start, track.end);
    } else {
        const auto members =
            format == "zip" ? quilto::pack::ListZipMembers(*input) : quilto::pack::ListLzhMembers(*input);
        for (const auto& member : members) take(member.name, member.start, member.end);
    }
    return back;
}

enum class Cue { Embedded, Exported, None };

struct PackCase {
    const char* name;
    std::vector<std::string> arguments;  // besides -o and the sources
    std::vector<std::size_t> sources;    // indexes into kSources
    std::string format;
    bool keepV2 = false, keepV1 = false;  // what the tracks keep of their tags
    bool checkBytes = true;               // false when the Info frames are cut
    int frameDelta = 0;                   // frames added (silence, Xing) or cut (Info frames)
    Cue cue = Cue::Embedded;
    std::uint32_t flags = 0;              // Pack: the flags byte
    std::optional<std::string> headTitle = "Mutagen Album";  // TIT2 of the head tag; nullopt: no head tag frames
    std::string headArtist = "Various";
    std::string album = "Mutagen Album";  // Pack: the directory's album title
};

class CliPack : public ::testing::TestWithParam<PackCase> {};

TEST_P(CliPack, WritesWhatTheToolsRead) {
    const PackCase& c = GetParam();
    quilto::test::TempFolder folder;
    const std::string out = folder.file("album.out.mp3").string();
    std::vector<std::string> arguments{"pack", "-o", out, "--format", c.format};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    std::vector<std::string> names;
    std::string expectedBytes;
    int sourceFrames = 0;
    for (std::size_t index : c.sources) {
        arguments.push_back(FixturePath(kSources[index].name));
        names.push_back(kSources[index].name);
        expectedBytes += Slice(kSources[index], c.keepV2, c.keepV1);
        sourceFrames += Mp3valFrames(FixturePath(kSources[index].name));
    }
    const ProcessResult run = RunCli(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");  // quiet on success
    EXPECT_EQ(run.err, "");
    const std::string file = ReadFile(out);

    const ReadBack back = ReadPacked(out, c.format);
    if (c.format != "bind") {
        EXPECT_EQ(back.names, names);
    }
    if (c.checkBytes) {
        EXPECT_TRUE(back.trackBytes == expectedBytes) << "the tracks' bytes differ from the sources'";
    }
    if (c.format == "pack") {
        EXPECT_EQ(back.optionWord & 0xFF, c.flags);
        EXPECT_EQ(back.album, c.album);
    }

    if (c.format == "bind" || c.format == "pack") {
        std::string report;
        EXPECT_EQ(Mp3valFrames(out, &report), sourceFrames + c.frameDelta) << report;
        // A kept Info frame of the first track counts that track only; the
        // totals must hold when the leading frame is the writer's own.
        if (c.frameDelta != 0) {
            EXPECT_EQ(report.find("Wrong number of MPEG frames"), std::string::npos) << report;
            EXPECT_EQ(report.find("Wrong number of data bytes"), std::string::npos) << report;
        }
    } else if (c.format == "zip") {
        const ProcessResult zip = RunTool("/usr/bin/python3",
                                       {"-c",
                                        "import sys, zipfile\n"
                                        "z = zipfile.ZipFile(sys.argv[1])\n"
                                        "for n in z.namelist(): print(n)\n"
                                        "print('bad' if z.testzip() else 'ok')\n",
                                        out});
        std::vector<std::string> expected = names;
        expected.push_back("ok");
        EXPECT_EQ(SplitLines(zip.out), expected) << zip.err;
    } else {
        const ProcessResult lha = RunTool("lha", {"t", out});
        EXPECT_EQ(lha.exitCode, 0) << lha.err;
        std::vector<std::string> tested;
        for (const std::string& line : SplitLines(lha.out)) {
            if (line.find("- Tested") != std::string::npos) tested.push_back(line);
        }
        ASSERT_EQ(tested.size(), names.size()) << lha.out;
        for (std::size_t i = 0; i < names.size(); ++i) EXPECT_NE(tested[i].find(names[i]), std::string::npos) << lha.out;
    }

    const std::optional<std::vector<std::string>> embedded = EmbeddedCue(file);
    const fs::path sheet = folder.file("album.out.cue");
    EXPECT_EQ(embedded.has_value(), c.cue == Cue::Embedded);
    EXPECT_EQ(fs::exists(sheet), c.cue == Cue::Exported);
    if (embedded) {
        std::string text;
        for (const std::string& line : *embedded) text += line + "\n";
        EXPECT_NE(text.find("TITLE \"Mutagen Album\"\nPERFORMER \"Various\"\n"), std::string::npos) << text;
        EXPECT_NE(text.find("FILE \"album.out.mp3\" MP3\n"), std::string::npos) << text;
        EXPECT_NE(text.find("TRACK 03 AUDIO"), std::string::npos) << text;
    }
    if (c.cue == Cue::Exported) {
        const ProcessResult print = RunTool("cueprint", {"-d", "%N|%T|%P\n", "-t", "%n|%t\n", sheet.string()});
        EXPECT_EQ(print.err, "");
        EXPECT_EQ(SplitLines(print.out), (std::vector<std::string>{"3|Mutagen Album|Various", "1|Id3lib Title",
                                                              "2|Lame Title", "3|Mutagen Title"}));
    }

    // The head tag's own frames, as mutagen reads them.
    if (HeadTagBytes(file) != 0) {
        const ProcessResult tags = RunTool("/usr/bin/python3", {"-c",
                                                             "import sys\n"
                                                             "from mutagen.id3 import ID3\n"
                                                             "t = ID3(sys.argv[1])\n"
                                                             "print(t['TIT2'].text[0] if 'TIT2' in t else '-')\n"
                                                             "print(t['TPE1'].text[0] if 'TPE1' in t else '-')\n",
                                                             out});
        const std::vector<std::string> expected =
            c.headTitle ? std::vector<std::string>{*c.headTitle, c.headArtist} : std::vector<std::string>{"-", "-"};
        EXPECT_EQ(SplitLines(tags.out), expected) << tags.err;
    } else {
        EXPECT_FALSE(c.headTitle.has_value()) << "no head tag written";
    }
}

PackCase Case(PackCase c) { return c; }

INSTANTIATE_TEST_SUITE_P(
    CliPack, CliPack,
    ::testing::Values(
        Case({.name = "PackDefaults", .arguments = {}, .sources = {0, 1, 2}, .format = "pack"}),
        Case({.name = "Bind", .arguments = {}, .sources = {0, 1, 2}, .format = "bind"}),
        Case({.name = "Zip", .arguments = {}, .sources = {0, 1, 2}, .format = "zip"}),
        Case({.name = "Lha", .arguments = {}, .sources = {0, 1, 2}, .format = "lha"}),
        Case({.name = "KeepTags",
              .arguments = {"--keep-id3v1", "--keep-id3v2"},
              .sources = {0, 1, 2},
              .format = "zip",
              .keepV2 = true,
              .keepV1 = true}),
        Case({.name = "KeepThenRemoveLastWins",
              .arguments = {"--keep-id3v2", "--remove-id3v2", "--keep-id3v1"},
              .sources = {0, 1, 2},
              .format = "lha",
              .keepV1 = true}),
        Case({.name = "RemoveXing",
              .arguments = {"--remove-xing"},
              .sources = {0, 1, 2},
              .format = "bind",
              .checkBytes = false,
              .frameDelta = -3}),
        Case({.name = "AddedFrames",
              .arguments = {"--add-xing", "--top", "2", "--last", "3"},
              .sources = {0, 1, 2},
              .format = "pack",
              .frameDelta = 1 + 2 + 3,
              .flags = 0x08 | 0x10 | 0x20}),
        Case({.name = "PlainOffsets",
              .arguments = {"--plain-offsets"},
              .sources = {0, 1, 2},
              .format = "pack",
              .flags = 0x01}),
        Case({.name = "CueExported", .arguments = {"--cue", "export"}, .sources = {0, 1, 2}, .format = "zip",
              .cue = Cue::Exported}),
        Case({.name = "NoCueNoHeadTag",
              .arguments = {"--cue", "none", "--no-head-tag"},
              .sources = {0, 1, 2},
              .format = "pack",
              .cue = Cue::None,
              .headTitle = std::nullopt}),
        Case({.name = "HeadTagTexts",
              .arguments = {"--title", "Head Title", "--artist", "Head Artist"},
              .sources = {0, 1, 2},
              .format = "bind",
              .headTitle = "Head Title",
              .headArtist = "Head Artist"}),
        Case({.name = "AlbumAndPerformer",
              .arguments = {"--album", "Other Album", "--performer", "Someone", "--cue", "none"},
              .sources = {0, 1, 2},
              .format = "pack",
              .cue = Cue::None,
              .headTitle = "Other Album",
              .headArtist = "Someone",
              .album = "Other Album"})),
    [](const auto& test) { return std::string(test.param.name); });

// One MP3 cut by a cue sheet: three tracks that start on frame headers, hold
// the whole audio between them and carry the sheet's names.
TEST(CliPackEntire, CutsOneFileByItsSheet) {
    quilto::test::TempFolder folder;
    std::ofstream(folder.file("cut.cue"), std::ios::binary)
        << "TITLE \"Cut Album\"\r\nPERFORMER \"Cutter\"\r\nFILE \"tag_lame_id3.mp3\" MP3\r\n"
           "  TRACK 01 AUDIO\r\n    TITLE \"One\"\r\n    INDEX 01 00:00:00\r\n"
           "  TRACK 02 AUDIO\r\n    TITLE \"Two\"\r\n    INDEX 01 00:01:00\r\n"
           "  TRACK 03 AUDIO\r\n    TITLE \"Three\"\r\n    INDEX 01 00:02:00\r\n";
    const std::string out = folder.file("cut.pac.mp3").string();
    const Source& source = kSources[1];
    const ProcessResult run = RunCli({"pack", "-o", out, "--verbose", "--entire", folder.file("cut.cue").string(),
                                   FixturePath(source.name)});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");

    const ReadBack back = ReadPacked(out, "pack");
    EXPECT_EQ(back.names, (std::vector<std::string>{"Cutter - One.mp3", "Cutter - Two.mp3", "Cutter - Three.mp3"}));
    EXPECT_EQ(back.album, "Cut Album");
    EXPECT_EQ(back.optionWord & 0xFF, 0x02u);
    EXPECT_TRUE(back.trackBytes == Slice(source, false, false)) << "the cut tracks do not add up to the audio";
    const std::string file = ReadFile(out);
    ASSERT_EQ(back.starts.size(), 3u);
    std::vector<std::string> listing;
    for (std::size_t i = 0; i < back.starts.size(); ++i) {
        const auto at = static_cast<std::size_t>(back.starts[i]);
        ASSERT_LT(at + 1, file.size());
        EXPECT_EQ(static_cast<unsigned char>(file[at]), 0xFF) << "track " << i << " starts off a frame";
        EXPECT_EQ(static_cast<unsigned char>(file[at + 1]) & 0xE0, 0xE0) << "track " << i << " starts off a frame";
        if (i > 0) {
            EXPECT_GT(back.starts[i], back.starts[i - 1]);
        }
        listing.push_back(back.names[i] + "\t" + std::to_string(back.ends[i] - back.starts[i]));
    }
    EXPECT_EQ(SplitLines(run.out), listing);  // --verbose: name and bytes per track
    std::string report;
    EXPECT_EQ(Mp3valFrames(out, &report), Mp3valFrames(FixturePath(source.name))) << report;
}

struct FailureCase {
    const char* name;
    std::vector<std::string> arguments;  // "@" is the scratch folder
    int status;
    const char* inErr;
};

class CliPackFailures : public ::testing::TestWithParam<FailureCase> {};

// Refused runs leave the folder as it was: no output, no temporary, the
// sources byte for byte.
TEST_P(CliPackFailures, StatusMessageAndNothingWritten) {
    const FailureCase& c = GetParam();
    quilto::test::TempFolder folder;
    const std::string original = ReadFile(FixturePath(kSources[1].name));
    {
        std::ofstream(folder.file("src.mp3"), std::ios::binary) << original;
        std::ofstream(folder.file("noaudio.mp3")) << std::string(4096, 'z');
        std::ofstream(folder.file("far.cue"), std::ios::binary)
            << "TITLE \"Far\"\r\nPERFORMER \"P\"\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
               "  TRACK 02 AUDIO\r\n    INDEX 01 05:00:00\r\n";
        std::ofstream(folder.file("fit.cue"), std::ios::binary)
            << "TITLE \"Fit\"\r\nPERFORMER \"P\"\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
               "  TRACK 02 AUDIO\r\n    INDEX 01 00:01:00\r\n";
        fs::create_directory(folder.file("sub"));
        fs::create_symlink(folder.file("src.mp3"), folder.file("link.mp3"));
    }
    std::vector<std::string> before;
    for (const auto& entry : fs::directory_iterator(folder.path())) before.push_back(entry.path().filename().string());
    std::sort(before.begin(), before.end());

    std::vector<std::string> arguments{"pack"};
    for (std::string argument : c.arguments) {
        if (argument.starts_with("@")) argument = folder.path() + argument.substr(1);
        if (argument.starts_with("%")) argument = FixturePath(argument.substr(1));
        arguments.push_back(argument);
    }
    const ProcessResult run = RunCli(arguments);
    EXPECT_EQ(run.exitCode, c.status) << run.err;
    EXPECT_NE(run.err.find(c.inErr), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");

    std::vector<std::string> after;
    for (const auto& entry : fs::directory_iterator(folder.path())) after.push_back(entry.path().filename().string());
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, before);
    EXPECT_TRUE(ReadFile(folder.file("src.mp3")) == original) << "a source was changed";
    EXPECT_TRUE(fs::is_symlink(folder.file("link.mp3")));
}

INSTANTIATE_TEST_SUITE_P(
    CliPack, CliPackFailures,
    ::testing::Values(
        // Usage: what the menu command or the dialog would not allow.
        FailureCase{"EmptyTitle", {"-o", "@out.mp3", "%cbr128_stereo_info.mp3"}, 2, "album title"},
        FailureCase{"ExistingOutputWithoutOverwrite", {"-o", "@noaudio.mp3", "--album", "A", "@src.mp3"}, 1, "exists already"},
        FailureCase{"ExistingCueSheetWithoutOverwrite", {"-o", "@far.mp3", "--cue", "export", "--album", "A", "@src.mp3"}, 1, "exists already"},
        FailureCase{"EmptyAlbumGiven", {"-o", "@out.mp3", "--album", "", "@src.mp3"}, 2, "album title"},
        FailureCase{"MixedSampleRates",
                    {"-o", "@out.mp3", "--album", "A", "%cbr96_32k_info.mp3", "%cbr128_stereo_info.mp3"},
                    2,
                    "sample rates"},
        FailureCase{"TopZero", {"-o", "@out.mp3", "--top", "0", "@src.mp3"}, 2, "--top"},
        FailureCase{"TopTooMany", {"-o", "@out.mp3", "--top", "100", "@src.mp3"}, 2, "--top"},
        FailureCase{"LastTooMany", {"-o", "@out.mp3", "--last", "100", "@src.mp3"}, 2, "--last"},
        FailureCase{"EntireTwoFiles", {"-o", "@out.mp3", "--entire", "@far.cue", "@src.mp3", "@src.mp3"}, 2, "--entire"},
        FailureCase{"EntireNotPack", {"-o", "@out.mp3", "--format", "zip", "--entire", "@far.cue", "@src.mp3"}, 2,
                    "--format pack"},
        FailureCase{"XingNotPack", {"-o", "@out.mp3", "--format", "bind", "--add-xing", "@src.mp3"}, 2, "--format pack"},
        FailureCase{"PlainOffsetsNotPack", {"-o", "@out.mp3", "--format", "lha", "--plain-offsets", "@src.mp3"}, 2,
                    "--format pack"},
        FailureCase{"UnknownFormat", {"-o", "@out.mp3", "--format", "rar", "@src.mp3"}, 2, "--format"},
        FailureCase{"UnknownCueChoice", {"-o", "@out.mp3", "--cue", "both", "@src.mp3"}, 2, "--cue"},
        FailureCase{"NoOutput", {"@src.mp3"}, 2, "--output"},
        FailureCase{"NoFiles", {"-o", "@out.mp3"}, 2, "FILE"},
        // Failures: reported with the path, nothing written.
        FailureCase{"MissingFile", {"-o", "@out.mp3", "@missing.mp3", "@src.mp3"}, 1, "missing.mp3: "},
        FailureCase{"NoAudio", {"-o", "@out.mp3", "@noaudio.mp3", "@src.mp3"}, 1, "noaudio.mp3: no MPEG audio"},
        FailureCase{"OutIsASource", {"-o", "@src.mp3", "%tag_lame_id3.mp3", "@src.mp3"}, 1, "src.mp3: "},
        FailureCase{"OutIsASourceSpeltOtherwise", {"-o", "@sub/../src.mp3", "@src.mp3"}, 1, "source"},
        FailureCase{"OutLinksToASource", {"-o", "@link.mp3", "@src.mp3"}, 1, "source"},
        FailureCase{"SourceLinksToOut", {"-o", "@src.mp3", "@link.mp3"}, 1, "source"},
        FailureCase{"ExportedSheetIsOut", {"-o", "@out.cue", "--cue", "export", "@src.mp3"}, 1, "out.cue"},
        FailureCase{"EntireSheetDoesNotFit", {"-o", "@out.mp3", "--entire", "@far.cue", "@src.mp3"}, 1, "far.cue"},
        FailureCase{"ExportedSheetIsTheEntireSheet",
                    {"-o", "@fit.mp3", "--entire", "@fit.cue", "--cue", "export", "@src.mp3"},
                    1,
                    "fit.cue"},
        FailureCase{"EntireSheetMissing", {"-o", "@out.mp3", "--entire", "@none.cue", "@src.mp3"}, 1, "none.cue"},
        FailureCase{"UnwritableTarget", {"-o", "@noaudio.mp3/out.mp3", "@src.mp3"}, 1, "out.mp3"}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
