// ExtractTracks over packed files written by the pack writer in each archive
// format: the extracted files are exactly the packed regions (behind the
// small tag when asked), independent tools read them, and no existing file
// is ever lost: not on Skip, not on Cancel, not on a failed write, and the
// opened packed file never.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/FileRows.h"
#include "core/FrameScanCommand.h"
#include "core/GenreTable.h"
#include "core/Id3v2Reader.h"
#include "core/InputFile.h"
#include "core/TextCodec.h"
#include "pack/ArchiveListing.h"
#include "pack/DosDateTime.h"
#include "pack/ExtractTracks.h"
#include "pack/PackBlock.h"
#include "pack/PackWriter.h"
#include "support/PackSources.h"
#include "support/RunProcess.h"
#include "support/TempFolder.h"

using namespace quilto;
using namespace quilto::pack;
using core::Bytes;
namespace fs = std::filesystem;

namespace {

using Status = ExtractOutcome::Status;
using test::Listing;
using test::ReadAll;
using test::Slice;

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string Tool(const std::string& program) {
    const test::ProcessResult found = test::RunProcess({"sh", "-c", "command -v " + program});
    EXPECT_EQ(found.exitCode, 0) << program << " is missing: run scripts/install-deps.sh";
    return program;
}

long Mp3valFrames(const std::string& path) {
    const test::ProcessResult result = test::RunProcess({Tool("mp3val"), path});
    const auto at = result.out.find(" MPEG frames");
    if (at == std::string::npos) return -1;
    const auto begin = result.out.find_last_not_of("0123456789", at - 1);
    return std::stol(result.out.substr(begin + 1, at - begin - 1));
}

// Records what the progress window would show; cancels from the n-th test on.
class RecordingProgress final : public core::Progress {
public:
    explicit RecordingProgress(int cancelAfter = -1) : left_(cancelAfter) {}
    bool cancelRequested() const override {
        if (left_ < 0) return false;
        if (left_ == 0) return true;
        --left_;
        return false;
    }
    void pump() override {}
    void setCaption(std::string_view caption) override { captions.emplace_back(caption); }
    void setPanelText(int panel, std::string_view text) override { panels[panel].emplace_back(text); }
    std::vector<std::string> captions;
    std::map<int, std::vector<std::string>> panels;

private:
    mutable int left_;
};

const std::vector<test::SourceFile>& kSources = test::kPackSources;

class ExtractTracksTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(folder.file("src"));
        for (const auto& [name, fixture] : kSources) folder.copyFixture(fixture, "src/" + name);
        fs::create_directory(out());
    }

    std::string out() const { return folder.file("out").string(); }
    std::string packedPath() const { return folder.file("album.pac.mp3").string(); }

    // Packs the sources in `format` and returns the UnPack page a reader
    // would show: one row per track with its span, names from the archive.
    TrackPage Packed(PackFormat format, bool keepTrackTags = false) {
        core::FolderRows rows;
        EXPECT_TRUE(core::ScanFolder(rows, folder.file("src").string() + "/"));
        core::NoProgress none;
        const core::GenreTable genres;
        core::FillRows(rows, genres, none);
        core::FrameScanCommand(rows, core::FrameScanVariant::All, none);
        TrackPage pack;
        std::vector<std::size_t> all;
        for (std::size_t i = 0; i < rows.size(); ++i) all.push_back(i);
        AddFilesToPackList(pack, FileListSource{rows, all, {}, {}});

        PackRun run;
        run.choices.options.format = format;
        run.choices.options.removeId3v2 = !keepTrackTags;
        run.choices.title = "Album";
        run.choices.artist = "Band";
        run.outputPath = packedPath();
        fs::remove(run.outputPath);
        const PackOutcome written = SavePacked(pack, run, none);
        EXPECT_EQ(written.status, PackOutcome::Status::Written) << written.message;

        TrackPage page;
        page.page = Page::UnPack;
        page.header.title = "Album";
        page.header.filePath = run.outputPath;
        const Bytes bytes = ReadAll(run.outputPath);
        std::optional<core::InputFile> file = core::InputFile::Open(run.outputPath);
        const std::uint64_t tagSize = core::TagLength(core::ByteView(bytes).first(10));
        file->seek(tagSize);
        std::vector<ArchiveMember> members;
        if (format == PackFormat::Pack) {
            const std::uint64_t size = PackBlockSize(*file).value_or(0);
            for (const PackDirectoryTrack& t : ReadPackBlock(Slice(bytes, tagSize, tagSize + size), tagSize, bytes.size()).tracks) {
                members.push_back({t.fileName, t.start, t.end, 0});
            }
        } else {
            members = format == PackFormat::Zip ? ListZipMembers(*file) : ListLzhMembers(*file);
        }
        EXPECT_EQ(members.size(), kSources.size());
        for (std::size_t i = 0; i < members.size(); ++i) {
            TrackRow row;
            row.fileName = members[i].name;
            row.artist = "Artist " + std::to_string(i + 1);
            row.title = "Title " + std::to_string(i + 1);
            row.span = {members[i].start, members[i].end, members[i].dosDateTime};
            page.tracks.push_back(row);
        }
        return page;
    }

    Bytes Region(const TrackPage& page, std::size_t row) const {
        return Slice(ReadAll(page.header.filePath), page.tracks[row].span.start, page.tracks[row].span.end);
    }

    static ExtractRequest Request(const std::string& folder, bool tag, std::string folderName = {}) {
        ExtractRequest request;
        request.outputFolder = folder;
        request.choices.options.makeDir = !folderName.empty();
        request.choices.folderName = std::move(folderName);
        request.choices.options.id3v2Tag = tag;
        request.choices.selectAll = true;
        return request;
    }

    test::TempFolder folder;
    RecordingProgress progress;
};

// ------------------------------------------------------------------- the tag

struct TagCase {
    const char* name;
    std::string artist, title, album, track;
    Bytes frames;  // behind the 10-byte header
};

Bytes TextFrame(const char* id, std::string_view text) {
    Bytes frame(id, id + 4);
    const auto size = static_cast<std::uint32_t>(text.size() + 1);
    for (const int shift : {24, 16, 8, 0}) frame.push_back(static_cast<std::uint8_t>(size >> shift));  // plain size
    frame.insert(frame.end(), {0x00, 0x00, 0x00});  // flags, encoding
    frame.insert(frame.end(), text.begin(), text.end());
    return frame;
}

class ExtractTagTest : public ::testing::TestWithParam<TagCase> {};

TEST_P(ExtractTagTest, FramesInOrderOnlyForNonEmptyTrimmedTexts) {
    const TagCase& c = GetParam();
    const Bytes tag = WriteExtractTag(c.artist, c.title, c.album, c.track);
    Bytes expected{'I', 'D', '3', 0x03, 0x00, 0x00};
    const auto size = static_cast<std::uint32_t>(c.frames.size());
    for (const int shift : {21, 14, 7, 0}) expected.push_back(static_cast<std::uint8_t>((size >> shift) & 0x7F));
    EXPECT_EQ(tag, Concat(expected, c.frames));
}

INSTANTIATE_TEST_SUITE_P(
    Tags, ExtractTagTest,
    ::testing::Values(
        TagCase{"AllFour", "A", "T", "Al", "07",
                Concat(Concat(TextFrame("TPE1", "A"), TextFrame("TIT2", "T")),
                       Concat(TextFrame("TALB", "Al"), TextFrame("TRCK", "07")))},
        TagCase{"SomeEmpty", "", "Song", "", "12", Concat(TextFrame("TIT2", "Song"), TextFrame("TRCK", "12"))},
        TagCase{"Trimmed", " \t Band\r\n", "\x01x y ", "   ", "", Concat(TextFrame("TPE1", "Band"), TextFrame("TIT2", "x y"))},
        TagCase{"AllEmpty", "", " ", "\t", "", {}},
        // 200 bytes: the syncsafe size needs its second byte.
        TagCase{"LongText", std::string(189, 'a'), "", "", "", TextFrame("TPE1", std::string(189, 'a'))}),
    [](const auto& param) { return std::string(param.param.name); });

// A text the code page cannot hold goes out as UTF-16 rather than as "?";
// with the Unicode switch every text beyond ASCII does.
TEST(ExtractTag, TextsBeyondTheCodePage) {
    const auto utf16Frame = [](const char* id, std::u16string_view text) {
        Bytes body{0x01, 0xFF, 0xFE};  // encoding, byte order mark
        for (const char16_t unit : text) body.insert(body.end(), {static_cast<std::uint8_t>(unit & 0xFF), static_cast<std::uint8_t>(unit >> 8)});
        Bytes frame(id, id + 4);
        const auto size = static_cast<std::uint32_t>(body.size());
        for (const int shift : {24, 16, 8, 0}) frame.push_back(static_cast<std::uint8_t>(size >> shift));
        frame.insert(frame.end(), {0x00, 0x00});
        return Concat(frame, body);
    };
    const auto frames = [](const Bytes& tag) { return Bytes(tag.begin() + 10, tag.end()); };
    const core::TextCodec cp932("CP932");
    EXPECT_EQ(frames(WriteExtractTag("Björk", "", "", "", cp932)), utf16Frame("TPE1", u"Björk"));
    EXPECT_EQ(frames(WriteExtractTag("", "日本", "", "", cp932)), TextFrame("TIT2", "\x93\xFA\x96\x7B"));
    EXPECT_EQ(frames(WriteExtractTag("", "日本", "", "01", cp932, true)),
              Concat(utf16Frame("TIT2", u"日本"), TextFrame("TRCK", "01")));
}

TEST(ExtractNames, TrackNumbersAndFileNames) {
    EXPECT_EQ(ExtractTrackNumber(6), "07");
    EXPECT_EQ(ExtractTrackNumber(122), "123");
    struct Case {
        std::string fileName;
        std::size_t row;
        std::string expected;
    };
    for (const Case& c : std::vector<Case>{
             {"part 1.mp3", 0, "part 1.mp3"},
             {"sub/part 1.mp3", 0, "part 1.mp3"},
             {"sub\\dir\\b.mp3", 0, "b.mp3"},
             {"a:b?.mp3", 0, "a：b？.mp3"},
             {"", 4, "Track 05.mp3"},
             {"sub/", 4, "Track 05.mp3"},
             {".", 10, "Track 11.mp3"},
             {"x/..", 0, "Track 01.mp3"},
         }) {
        TrackRow row;
        row.fileName = c.fileName;
        EXPECT_EQ(ExtractFileName(row, c.row, kDefaultForbiddenReplacements), c.expected) << c.fileName;
    }
}

// -------------------------------------------------------------- round trips

class ExtractFormatTest : public ExtractTracksTest, public ::testing::WithParamInterface<PackFormat> {};

TEST_P(ExtractFormatTest, FilesAreThePackedRegionsBehindTheTagAsked) {
    const TrackPage page = Packed(GetParam());
    ASSERT_EQ(page.tracks.size(), 3u);
    if (GetParam() != PackFormat::Pack) {
        EXPECT_NE(page.tracks[0].span.dosDateTime, 0u);
    }
    const std::vector<std::string> names = {"01 lame.mp3", "02 tool.mp3", "03 plain.mp3"};

    // No tag: byte for byte the regions; archive dates become the file dates.
    ExtractOutcome outcome = ExtractTracks(page, Request(out(), false, "plain"), progress, {});
    ASSERT_EQ(outcome.status, Status::Done) << outcome.message;
    EXPECT_EQ(outcome.folder, out() + "/plain");
    EXPECT_EQ(outcome.extractedRows, (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_EQ(Listing(out() + "/plain"), names);
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string path = out() + "/plain/" + names[i];
        EXPECT_EQ(ReadAll(path), Region(page, i)) << names[i];
        if (page.tracks[i].span.dosDateTime != 0) {
            struct stat st {};
            ASSERT_EQ(::stat(path.c_str(), &st), 0);
            EXPECT_EQ(st.st_mtime, UnixFromDosDateTime(page.tracks[i].span.dosDateTime));
        }
        EXPECT_EQ(Mp3valFrames(path), Mp3valFrames(folder.file("src/" + names[i]).string())) << names[i];
    }

    // With the tag: exactly the tag's bytes, then the region.
    ExtractRequest request = Request(out(), true);
    request.choices.options.id3v2Album = true;
    request.choices.options.id3v2Track = true;
    outcome = ExtractTracks(page, request, progress, {});
    ASSERT_EQ(outcome.status, Status::Done) << outcome.message;
    for (std::size_t i = 0; i < 3; ++i) {
        const Bytes tag = WriteExtractTag(page.tracks[i].artist, page.tracks[i].title, "Album", ExtractTrackNumber(i));
        EXPECT_EQ(ReadAll(out() + "/" + names[i]), Concat(tag, Region(page, i))) << names[i];
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, ExtractFormatTest,
                         ::testing::Values(PackFormat::Pack, PackFormat::Zip, PackFormat::Lha),
                         [](const auto& param) { return std::to_string(static_cast<int>(param.param)); });

TEST_F(ExtractTracksTest, TagChoicesDecideWhatIsWritten) {
    struct Case {
        const char* name;
        bool keepTrackTags, tag, items;
        std::size_t prefix;  // bytes before the region
    };
    int run = 0;
    for (const Case c : {Case{"tagged tracks get no second tag", true, true, true, 0},
                         Case{"no item: the empty header", false, true, false, 10},
                         Case{"unchecked: no tag", false, false, true, 0}}) {
        const TrackPage page = Packed(PackFormat::Pack, c.keepTrackTags);
        const std::string sub = "run" + std::to_string(run++);
        const std::string target = out() + "/" + sub;
        ExtractRequest request = Request(out(), c.tag, sub);
        request.choices.options.id3v2Artist = request.choices.options.id3v2Title = c.items;
        ASSERT_EQ(ExtractTracks(page, request, progress, {}).status, Status::Done) << c.name;
        std::size_t tagged = 0;
        for (std::size_t i = 0; i < page.tracks.size(); ++i) {
            const Bytes region = Region(page, i);
            if (c.keepTrackTags && !core::StartsWith(region, "ID3")) continue;
            ++tagged;
            const Bytes file = ReadAll(target + "/" + kSources[i].name);
            ASSERT_EQ(file.size(), region.size() + c.prefix) << c.name;
            EXPECT_EQ(Slice(file, c.prefix, file.size()), region) << c.name;
            if (c.prefix == 10) {
                EXPECT_EQ(Slice(file, 0, 10), (Bytes{'I', 'D', '3', 3, 0, 0, 0, 0, 0, 0}));
            }
        }
        EXPECT_GE(tagged, 2u) << c.name;
    }
}

TEST_F(ExtractTracksTest, MutagenReadsTheTag) {
    const TrackPage page = Packed(PackFormat::Zip);
    ExtractRequest request = Request(out(), true);
    request.choices.options.id3v2Album = request.choices.options.id3v2Track = true;
    request.selectedRows = {1};
    request.choices.selectAll = false;
    const ExtractOutcome outcome = ExtractTracks(page, request, progress, {});
    ASSERT_EQ(outcome.status, Status::Done) << outcome.message;
    EXPECT_EQ(Listing(out()), std::vector<std::string>{"02 tool.mp3"});
    const test::ProcessResult read = test::RunProcess(
        {"/usr/bin/python3", "-c",
         "import sys\nfrom mutagen.id3 import ID3\nt = ID3(sys.argv[1])\n"
         "print('|'.join(str(t[k]) for k in ('TPE1', 'TIT2', 'TALB', 'TRCK')))\nprint(t.version)",
         out() + "/02 tool.mp3"});
    ASSERT_EQ(read.exitCode, 0) << read.err;
    EXPECT_EQ(read.out, "Artist 2|Title 2|Album|02\n(2, 3, 0)\n");
}

// ------------------------------------------------------------------- safety

TEST_F(ExtractTracksTest, ExistingTargetsAreReplacedOnlyWhenTheAnswerSaysSo) {
    const TrackPage page = Packed(PackFormat::Pack);
    const Bytes old{'o', 'l', 'd'};
    struct Case {
        const char* name;
        std::vector<ExistingAnswer> answers;  // one per question asked
        Status status;
        std::vector<bool> replaced;  // per track
        std::size_t questions;
    };
    using A = ExistingAnswer;
    for (const Case& c : std::vector<Case>{
             {"skip all", {A::Skip, A::Skip, A::Skip}, Status::Done, {false, false, false}, 3},
             {"overwrite one", {A::Skip, A::Overwrite, A::Skip}, Status::Done, {false, true, false}, 3},
             {"overwrite all", {A::OverwriteAll}, Status::Done, {true, true, true}, 1},
             {"cancel", {A::Overwrite, A::Cancel}, Status::Cancelled, {true, false, false}, 2},
         }) {
        fs::remove_all(out());
        fs::create_directory(out());
        for (const auto& source : kSources) folder.write("out/" + source.name, old);
        std::size_t asked = 0;
        const ExtractOutcome outcome = ExtractTracks(page, Request(out(), false), progress,
                                                     [&](const std::string& path) {
                                                         EXPECT_EQ(path, out() + "/" + kSources[asked].name);
                                                         return c.answers.at(asked++);
                                                     });
        EXPECT_EQ(outcome.status, c.status) << c.name;
        EXPECT_EQ(asked, c.questions) << c.name;
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(ReadAll(out() + "/" + kSources[i].name), c.replaced[i] ? Region(page, i) : old)
                << c.name << " " << i;
        }
        EXPECT_EQ(Listing(out()).size(), 3u) << c.name << ": no temporary file remains";
    }
}

TEST_F(ExtractTracksTest, ANameWrittenEarlierInTheRunIsAskedAbout) {
    TrackPage page = Packed(PackFormat::Pack);
    for (TrackRow& row : page.tracks) row.fileName = "same.mp3";
    std::vector<std::string> asked;
    const ExtractOutcome outcome = ExtractTracks(page, Request(out(), false), progress, [&](const std::string& path) {
        asked.push_back(path);
        return ExistingAnswer::Skip;
    });
    ASSERT_EQ(outcome.status, Status::Done);
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(outcome.skipped.size(), 2u);
    EXPECT_EQ(ReadAll(out() + "/same.mp3"), Region(page, 0));
}

TEST_F(ExtractTracksTest, ThePackedFileItselfIsNeverATarget) {
    TrackPage page = Packed(PackFormat::Pack);
    const Bytes before = ReadAll(packedPath());
    page.tracks[1].fileName = "album.pac.mp3";
    const ExtractOutcome outcome = ExtractTracks(page, Request(folder.path(), false), progress,
                                                 [](const std::string&) { return ExistingAnswer::OverwriteAll; });
    ASSERT_EQ(outcome.status, Status::Done) << outcome.message;
    EXPECT_EQ(ReadAll(packedPath()), before);
    EXPECT_EQ(outcome.extractedRows, (std::vector<std::size_t>{0, 2}));
    EXPECT_EQ(outcome.skipped, std::vector<std::string>{folder.path() + "album.pac.mp3"});
    EXPECT_NE(outcome.message.find("album.pac.mp3"), std::string::npos);
}

TEST_F(ExtractTracksTest, AFailedWriteEndsTheRunAndLeavesNoTemporaryFile) {
    TrackPage page = Packed(PackFormat::Pack);
    // A file size limit between the first and the second track's size makes
    // the second track's write fail as a full disk would.
    page.tracks[0].span.end = page.tracks[0].span.start + 1000;
    const std::uint64_t limit = 1010;
    ASSERT_LT(limit, page.tracks[1].span.end - page.tracks[1].span.start);
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = limit;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const ExtractOutcome outcome = ExtractTracks(page, Request(out(), false), progress, {});
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(outcome.status, Status::Failed);
    EXPECT_EQ(outcome.message, "Write Error - " + std::to_string(EFBIG));
    EXPECT_EQ(outcome.extractedRows, std::vector<std::size_t>{0});
    EXPECT_EQ(Listing(out()), std::vector<std::string>{"01 lame.mp3"});
}

TEST_F(ExtractTracksTest, AFileCutShortWhileReadingIsAReadErrorAndReplacesNothing) {
    const TrackPage page = Packed(PackFormat::Pack);
    const std::string target = out() + "/" + kSources[1].name;
    folder.write("out/" + kSources[1].name, {'o', 'l', 'd'});
    // The question about the second track is the moment to cut the file
    // behind the extraction's back.
    const ExtractOutcome outcome = ExtractTracks(page, Request(out(), false), progress, [&](const std::string&) {
        fs::resize_file(packedPath(), page.tracks[1].span.start + 100);
        return ExistingAnswer::Overwrite;
    });
    EXPECT_EQ(outcome.status, Status::Failed);
    EXPECT_EQ(outcome.message.rfind("Read Error - ", 0), 0u) << outcome.message;
    EXPECT_EQ(ReadAll(target), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(Listing(out()), (std::vector<std::string>{kSources[0].name, kSources[1].name}));
}

TEST_F(ExtractTracksTest, CancelBetweenChunksKeepsWhatWasWritten) {
    TrackPage page = Packed(PackFormat::Pack);
    for (int tests = 0; tests < 8; ++tests) {
        fs::remove_all(out());
        fs::create_directory(out());
        RecordingProgress cancelling(tests);
        const ExtractOutcome outcome = ExtractTracks(page, Request(out(), false), cancelling, {});
        if (outcome.status == Status::Done) break;
        EXPECT_EQ(outcome.status, Status::Cancelled);
        for (const std::string& name : Listing(out())) {
            const auto row = static_cast<std::size_t>(name[1] - '1');
            EXPECT_EQ(ReadAll(out() + "/" + name), Region(page, row)) << "no partial file: " << name;
        }
        EXPECT_EQ(Listing(out()).size(), outcome.extractedRows.size());
    }
    RecordingProgress shown;
    ASSERT_EQ(ExtractTracks(page, Request(out(), false, "again"), shown, {}).status, Status::Done);
    EXPECT_EQ(shown.captions, std::vector<std::string>{"Extracting ..."});
    EXPECT_EQ(shown.panels[0], (std::vector<std::string>{"01 lame.mp3", "02 tool.mp3", "03 plain.mp3"}));
    EXPECT_EQ(shown.panels[1], (std::vector<std::string>{"(1/3)", "(2/3)", "(3/3)"}));
}

TEST_F(ExtractTracksTest, SelectedRowsOnly) {
    const TrackPage page = Packed(PackFormat::Lha);
    ExtractRequest request = Request(out(), false);
    request.choices.selectAll = false;
    request.selectedRows = {2, 0, 7};
    const ExtractOutcome outcome = ExtractTracks(page, request, progress, {});
    ASSERT_EQ(outcome.status, Status::Done);
    EXPECT_EQ(outcome.extractedRows, (std::vector<std::size_t>{0, 2}));
    EXPECT_EQ(Listing(out()), (std::vector<std::string>{"01 lame.mp3", "03 plain.mp3"}));
}

struct FolderCase {
    const char* name;
    std::string folderName;
    bool existingFile = false;  // a file of that name is in the way
    const char* madeFolder;     // nullptr: refused, nothing written
};

class ExtractFolderTest : public ExtractTracksTest, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(ExtractFolderTest, SubfolderNamesAreMadeValidOrRefused) {
    const FolderCase& c = GetParam();
    const TrackPage page = Packed(PackFormat::Pack);
    if (c.existingFile) folder.write("out/" + c.folderName, {'x'});
    ExtractRequest request = Request(out(), false, c.folderName);
    request.choices.options.makeDir = true;
    const ExtractOutcome outcome = ExtractTracks(page, request, progress, {});
    if (!c.madeFolder) {
        EXPECT_EQ(outcome.status, Status::Failed);
        EXPECT_FALSE(outcome.message.empty());
        EXPECT_EQ(Listing(out()).size(), c.existingFile ? 1u : 0u);
        return;
    }
    ASSERT_EQ(outcome.status, Status::Done) << outcome.message;
    const std::string made = *c.madeFolder ? out() + "/" + c.madeFolder : out();
    EXPECT_EQ(outcome.folder, made);
    EXPECT_EQ(Listing(made).size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(Folders, ExtractFolderTest,
                         ::testing::Values(FolderCase{"Empty", "", false, ""},
                                           FolderCase{"Plain", "Album", false, "Album"},
                                           FolderCase{"Forbidden", "A/B: C", false, "A／B： C"},
                                           FolderCase{"Dot", ".", false, nullptr},
                                           FolderCase{"DotDot", "..", false, nullptr},
                                           FolderCase{"DotsAndBlanks", " . . ", false, nullptr},
                                           FolderCase{"Blanks", "   ", false, nullptr},
                                           FolderCase{"FileInTheWay", "Album", true, nullptr}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(ExtractTracksTest, NothingIsCreatedWhenThePackedFileCannotBeReadAsListed) {
    TrackPage page = Packed(PackFormat::Pack);
    TrackPage missing = page;
    missing.header.filePath = folder.file("gone.mp3").string();
    page.tracks[2].span.end = fs::file_size(packedPath()) + 1;
    for (const TrackPage* broken : {&missing, &page}) {
        const ExtractOutcome outcome = ExtractTracks(*broken, Request(out(), false, "sub"), progress, {});
        EXPECT_EQ(outcome.status, Status::Failed);
        EXPECT_FALSE(outcome.message.empty());
        EXPECT_EQ(Listing(out()), std::vector<std::string>{});
    }
}

}  // namespace
