// SavePacked over real MP3 files: every format and the options that change
// what is copied, read back with our own readers and compared with regions
// cut from the source bytes here; failed writes and Cancel at every point
// leave the user's files as they were; fields that cannot hold the tracks
// are refused before a file is created.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/FileRows.h"
#include "core/FrameScanCommand.h"
#include "core/GenreTable.h"
#include "core/Id3v2Reader.h"
#include "core/InputFile.h"
#include "pack/ArchiveListing.h"
#include "pack/CueText.h"
#include "pack/HeadTag.h"
#include "pack/PackBlock.h"
#include "pack/PackTrailer.h"
#include "pack/PackWriter.h"
#include "support/FailingOutput.h"
#include "support/FixtureFacts.h"
#include "support/PackSources.h"
#include "support/RunProcess.h"
#include "support/TempFolder.h"

using namespace quilto;
using namespace quilto::pack;
using core::Bytes;
namespace fs = std::filesystem;

namespace {

using Status = PackOutcome::Status;

using test::SourceFile;
const std::vector<SourceFile>& kSources = test::kPackSources;
using test::ExpectedTrack;
using test::Listing;
using test::ReadAll;
using test::Slice;
using test::WriteAll;

// What a packed file holds, read with the layout's and archives' readers.
struct ReadBack {
    std::uint64_t tagSize = 0;
    std::optional<std::vector<std::string>> cueLines;
    std::vector<std::string> names;
    std::vector<Bytes> tracks;
    std::uint32_t optionWord = 0;
    bool trailer = false;
    Bytes body;  // everything behind the head tag (Bind)
};

ReadBack ReadPacked(const std::string& path, PackFormat format) {
    ReadBack back;
    const Bytes bytes = ReadAll(path);
    std::optional<core::InputFile> file = core::InputFile::Open(path);
    EXPECT_TRUE(file);
    if (!file) return back;
    if (bytes.size() >= 10) back.tagSize = core::TagLength(core::ByteView(bytes).first(10));
    back.cueLines = FindCueText(core::ByteView(bytes).first(static_cast<std::size_t>(back.tagSize)));
    back.body = Slice(bytes, back.tagSize, bytes.size());
    file->seek(back.tagSize);
    switch (format) {
        case PackFormat::Bind: break;
        case PackFormat::Pack: {
            const std::optional<std::uint64_t> size = PackBlockSize(*file);
            EXPECT_TRUE(size);
            if (!size) return back;
            const Bytes block = Slice(bytes, back.tagSize, back.tagSize + *size);
            const PackDirectory directory = ReadPackBlock(block, back.tagSize, bytes.size());
            EXPECT_FALSE(directory.damaged);
            back.optionWord = directory.optionWord;
            for (const PackDirectoryTrack& track : directory.tracks) {
                back.names.push_back(track.fileName);
                back.tracks.push_back(Slice(bytes, track.start, track.end));
            }
            back.trailer = FindPackTrailer(*file).has_value();
            break;
        }
        case PackFormat::Zip:
        case PackFormat::Lha: {
            const auto members = format == PackFormat::Zip ? ListZipMembers(*file) : ListLzhMembers(*file);
            for (const ArchiveMember& member : members) {
                back.names.push_back(member.name);
                back.tracks.push_back(Slice(bytes, member.start, member.end));
            }
            break;
        }
    }
    return back;
}

using test::CancelAfter;
using test::Failing;
using test::FailingSeek;

class PackWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const SourceFile& source : kSources) folder.copyFixture(source.fixture, source.name);
        fs::create_directory(outFolder());
        page = ScanPage(folder.path());
    }

    static TrackPage ScanPage(const std::string& path) {
        core::FolderRows rows;
        EXPECT_TRUE(core::ScanFolder(rows, path));
        core::NoProgress progress;
        const core::GenreTable genres;
        core::FillRows(rows, genres, progress);
        core::FrameScanCommand(rows, core::FrameScanVariant::All, progress);
        TrackPage page;
        std::vector<std::size_t> all;
        for (std::size_t i = 0; i < rows.size(); ++i) all.push_back(i);
        AddFilesToPackList(page, FileListSource{rows, all, {}, {}});
        page.header.title = "Album";
        return page;
    }

    fs::path outFolder() const { return folder.file("out"); }
    std::string outPath(const std::string& name) const { return (outFolder() / name).string(); }

    PackRun MakeRun(PackFormat format, const std::string& name) const {
        PackRun run;
        run.choices.options.format = format;
        run.choices.title = "Album";
        run.choices.artist = "Band";
        run.outputPath = outPath(name);
        return run;
    }

    // Creates a Pack file of the three sources with their tags and Info frames
    // stripped, and the UnPack page a reader would show for it.
    TrackPage PackedPage(const std::string& name, std::uint32_t* optionWord = nullptr) {
        PackRun run = MakeRun(PackFormat::Pack, name);
        run.choices.options.removeXing = false;
        const PackOutcome outcome = SavePacked(page, run, progress);
        EXPECT_EQ(outcome.status, Status::Written) << outcome.message;
        const ReadBack back = ReadPacked(run.outputPath, PackFormat::Pack);
        if (optionWord) *optionWord = back.optionWord;
        TrackPage unpack;
        unpack.page = Page::UnPack;
        unpack.header = page.header;
        unpack.header.cue = "1";
        unpack.header.filePath = run.outputPath;
        unpack.header.file = name;
        const Bytes bytes = ReadAll(run.outputPath);
        std::uint64_t at = 0;
        for (std::size_t i = 0; i < back.tracks.size(); ++i) {
            TrackRow row = page.tracks[i];
            row.sourcePath = run.outputPath;
            row.memberName = back.names[i];
            row.fileName = run.outputPath + "/" + back.names[i];
            row.tag.clear();
            const auto found = std::search(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end(),
                                           back.tracks[i].begin(), back.tracks[i].end());
            row.span.start = static_cast<std::uint64_t>(found - bytes.begin());
            row.span.end = row.span.start + back.tracks[i].size();
            at = row.span.end;
            unpack.tracks.push_back(row);
        }
        unpack.cues = page.cues;
        return unpack;
    }

    std::vector<Bytes> SourceBytes() const {
        std::vector<Bytes> all;
        for (const SourceFile& source : kSources) all.push_back(ReadAll(folder.file(source.name)));
        return all;
    }

    test::TempFolder folder;
    TrackPage page;
    core::NoProgress progress;
};

// ------------------------------------------------------- formats and options

struct FormatCase {
    const char* name;
    PackFormat format;
    bool removeId3v1, removeId3v2, removeXing;
    bool id3v2Tag, embedCue;
    bool addXing = false;
    int top = 0, last = 0;  // silent frame counts, 0 = off
    bool syncSafe = true;
};

class PackWriterFormatTest : public PackWriterTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(PackWriterFormatTest, TracksReadBackAsTheirSourceRegions) {
    const FormatCase& c = GetParam();
    PackRun run = MakeRun(c.format, std::string(c.name) + ".mp3");
    PackOptions& o = run.choices.options;
    o.removeId3v1 = c.removeId3v1;
    o.removeId3v2 = c.removeId3v2;
    o.removeXing = c.removeXing;
    o.id3v2Tag = c.id3v2Tag;
    o.addXing = c.addXing;
    o.silentTop = c.top > 0;
    o.silentTopNo = std::max(c.top, 1);
    o.silentLast = c.last > 0;
    o.silentLastNo = std::max(c.last, 1);
    run.syncSafe = c.syncSafe;
    if (c.embedCue) run.cueSheetLines = {"TITLE \"Album\"", "PERFORMER \"Band\""};

    CancelAfter counting(1 << 30);
    const PackOutcome outcome = SavePacked(page, run, counting);
    ASSERT_EQ(outcome.status, Status::Written) << outcome.message;
    // The bar runs over the tracks' bytes and ends full; it counts only written bytes.
    EXPECT_GT(counting.bytesToDo, 0u);
    EXPECT_LE(counting.bytesToDo, counting.bytesDone);
    EXPECT_LE(counting.bytesDone, fs::file_size(run.outputPath));
    EXPECT_EQ(outcome.outputPath, run.outputPath);
    EXPECT_EQ(Listing(outFolder()), std::vector<std::string>{std::string(c.name) + ".mp3"});

    const ReadBack back = ReadPacked(run.outputPath, c.format);
    EXPECT_EQ(back.tagSize > 0, c.id3v2Tag || c.embedCue);
    if (c.embedCue) {
        ASSERT_TRUE(back.cueLines);
        EXPECT_EQ(*back.cueLines, CueTextLines(run.cueSheetLines));
    } else {
        EXPECT_FALSE(back.cueLines);
    }
    std::vector<Bytes> expected;
    for (const SourceFile& source : kSources) expected.push_back(ExpectedTrack(source.fixture, o));
    if (c.format == PackFormat::Bind) {
        Bytes joined;
        for (const Bytes& track : expected) joined.insert(joined.end(), track.begin(), track.end());
        EXPECT_TRUE(back.body == joined);
        return;
    }
    ASSERT_EQ(back.tracks.size(), kSources.size());
    for (std::size_t i = 0; i < kSources.size(); ++i) {
        EXPECT_EQ(back.names[i], kSources[i].name);
        EXPECT_TRUE(back.tracks[i] == expected[i]) << "track " << i << ": " << back.tracks[i].size() << " bytes, "
                                                   << expected[i].size() << " expected";
    }
    if (c.format == PackFormat::Pack) {
        EXPECT_TRUE(back.trailer);
        const std::uint32_t flags = back.optionWord & 0xFF;
        EXPECT_EQ((flags & PackFlag::PlainOffsets) != 0, !c.syncSafe);
        EXPECT_EQ((flags & PackFlag::XingFrame) != 0, c.addXing);
        EXPECT_EQ((back.optionWord >> 24) & 0x7F, static_cast<std::uint32_t>(c.top));
        EXPECT_EQ((back.optionWord >> 16) & 0x7F, static_cast<std::uint32_t>(c.last));
        EXPECT_EQ(flags & PackFlag::ByCueSheet, 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, PackWriterFormatTest,
    ::testing::Values(
        FormatCase{"bind_keep_all", PackFormat::Bind, false, false, false, true, true},
        FormatCase{"bind_strip_all", PackFormat::Bind, true, true, true, false, false},
        FormatCase{"pack_default", PackFormat::Pack, true, true, false, true, true},
        FormatCase{"pack_keep_all", PackFormat::Pack, false, false, false, false, true},
        FormatCase{"pack_added_frames", PackFormat::Pack, true, true, true, true, true, true, 2, 3},
        FormatCase{"pack_plain_offsets", PackFormat::Pack, true, false, true, false, false, false, 0, 1, false},
        FormatCase{"zip_keep_all", PackFormat::Zip, false, false, false, true, true},
        FormatCase{"zip_strip_all", PackFormat::Zip, true, true, true, false, false},
        FormatCase{"lha_keep_all", PackFormat::Lha, false, false, false, true, true},
        FormatCase{"lha_strip_v2", PackFormat::Lha, false, true, false, false, true}),
    [](const ::testing::TestParamInfo<FormatCase>& param) { return std::string(param.param.name); });

// ------------------------------------------------------------- cut by cue

TEST_F(PackWriterTest, EntireCutsOneSourceAtTheCueIndexes) {
    struct Case {
        PackFormat format;
        bool removeId3v1, removeId3v2;
    };
    // The cut audio is written from the copy read for the cue search: every
    // format must still hold the source's bytes.
    for (const Case c : {Case{PackFormat::Pack, true, true}, Case{PackFormat::Pack, false, false},
                         Case{PackFormat::Pack, true, false}, Case{PackFormat::Bind, true, true},
                         Case{PackFormat::Zip, false, true}, Case{PackFormat::Lha, true, false}}) {
        SCOPED_TRACE(testing::Message() << "format " << static_cast<int>(c.format) << " v1 " << c.removeId3v1
                                        << " v2 " << c.removeId3v2);
        TrackPage one = page;
        one.tracks.resize(1);  // 01 lame.mp3: ID3v2, Info frame, ID3v1
        one.cues = {{"", "1", "Intro", "A/B", "00:00:00"},
                    {"", "2", "Middle", "A/B", "00:00:40"},
                    {"", "3", "End", "A/B", "00:01:20"}};
        one.header.hz = "44100";
        PackRun run = MakeRun(c.format, "entire.pac.mp3");
        run.replaceExisting = true;  // each case writes the same name again
        run.choices.entire = true;
        run.choices.options.removeId3v1 = c.removeId3v1;
        run.choices.options.removeId3v2 = c.removeId3v2;
        run.choices.options.removeXing = false;
        CancelAfter watch(1 << 30);
        const PackOutcome outcome = SavePacked(one, run, watch);
        ASSERT_EQ(outcome.status, Status::Written) << outcome.message;
        EXPECT_EQ(watch.captions, (std::vector<std::string>{"Please Wait ...", "Frame Scan", "Saving ..."}));

        const ReadBack back = ReadPacked(run.outputPath, c.format);
        if (c.format == PackFormat::Bind) {
            // Nothing but the head tag in front of the tracks, nothing behind.
            EXPECT_TRUE(back.body == ExpectedTrack(kSources[0].fixture, run.choices.options));
            continue;
        }
        ASSERT_EQ(back.tracks.size(), 3u);
        EXPECT_EQ(back.names, (std::vector<std::string>{"A／B - Intro.mp3", "A／B - Middle.mp3", "A／B - End.mp3"}));
        if (c.format == PackFormat::Pack) {
            EXPECT_EQ(back.optionWord & PackFlag::ByCueSheet, PackFlag::ByCueSheet);
        }
        // The cut tracks together are the source's kept region; only the
        // first carries the source's tag, the others start on a frame.
        Bytes joined;
        for (const Bytes& track : back.tracks) joined.insert(joined.end(), track.begin(), track.end());
        EXPECT_TRUE(joined == ExpectedTrack(kSources[0].fixture, run.choices.options));
        EXPECT_EQ(back.tracks[0][0] == 'I', !c.removeId3v2);
        for (std::size_t i = 1; i < 3; ++i) {
            ASSERT_GE(back.tracks[i].size(), 2u);
            EXPECT_EQ(back.tracks[i][0], 0xFF);
            EXPECT_EQ(back.tracks[i][1] & 0xE0, 0xE0);
        }
        // From 40/75 s to 1 20/75 s at 38.28125 frames per second: 28 frames
        // of 64 kbps mono, 208 or 209 bytes each.
        EXPECT_NEAR(static_cast<double>(back.tracks[1].size()), 28 * 208.98, 28.0);
    }
}

TEST_F(PackWriterTest, EntireInSaveSelectionAsMakesOneTrackPerCueRow) {
    std::uint32_t optionWord = 0;
    TrackPage unpack = PackedPage("source.pac.mp3", &optionWord);
    unpack.cues = {{"", "1", "One", "P", "00:00:00"}, {"", "2", "Two", "P", "00:01:00"},
                   {"", "3", "Three", "P", "00:03:00"}, {"", "4", "Four", "P", "00:05:00"}};
    unpack.header.hz = "44100";
    PackRun run = MakeRun(PackFormat::Pack, "cut.pac.mp3");
    run.mode = SaveMode::SaveSelectionAs;
    run.selectedRows = {1};
    run.choices.entire = true;
    run.optionWord = optionWord | kOptionEntire;
    const PackOutcome outcome = SavePacked(unpack, run, progress);
    ASSERT_EQ(outcome.status, Status::Written) << outcome.message;
    const ReadBack back = ReadPacked(run.outputPath, PackFormat::Pack);
    ASSERT_EQ(back.tracks.size(), 4u);
    Bytes joined;
    for (const Bytes& track : back.tracks) joined.insert(joined.end(), track.begin(), track.end());
    const Bytes source = ReadAll(unpack.header.filePath);
    EXPECT_TRUE(joined == Slice(source, unpack.tracks.front().span.start, unpack.tracks.back().span.end));
}

// --------------------------------------------------------- UnPack page modes

TEST_F(PackWriterTest, SaveSelectionAsWritesTheSelectedTracksInOrder) {
    const TrackPage unpack = PackedPage("all.pac.mp3");
    const ReadBack before = ReadPacked(unpack.header.filePath, PackFormat::Pack);
    for (const PackFormat format : {PackFormat::Pack, PackFormat::Zip, PackFormat::Lha}) {
        PackRun run = MakeRun(format, "part" + std::to_string(static_cast<int>(format)) + ".mp3");
        run.mode = SaveMode::SaveSelectionAs;
        run.selectedRows = {2, 0};
        run.choices.options.removeXing = false;
        const PackOutcome outcome = SavePacked(unpack, run, progress);
        ASSERT_EQ(outcome.status, Status::Written) << outcome.message;
        const ReadBack back = ReadPacked(run.outputPath, format);
        ASSERT_EQ(back.tracks.size(), 2u);
        EXPECT_EQ(back.names, (std::vector<std::string>{kSources[0].name, kSources[2].name}));
        EXPECT_TRUE(back.tracks[0] == before.tracks[0]);
        EXPECT_TRUE(back.tracks[1] == before.tracks[2]);
    }
}

TEST_F(PackWriterTest, SaveKeepsBackupsOrDropsThem) {
    for (const bool keep : {true, false}) {
        SCOPED_TRACE(keep ? "keep" : "drop");
        const std::string name = keep ? "X.pac.mp3" : "Y.pac.mp3";
        const TrackPage unpack = PackedPage(name);
        const Bytes original = ReadAll(unpack.header.filePath);
        PackRun run = MakeRun(PackFormat::Pack, name);
        run.mode = SaveMode::Save;
        run.keepBackup = keep;
        run.choices.options.removeXing = false;
        for (int pass = 0; pass < 2; ++pass) {
            const PackOutcome outcome = SavePacked(unpack, run, progress);
            ASSERT_EQ(outcome.status, Status::Written) << outcome.message;
            EXPECT_EQ(outcome.backupPath, keep ? outPath(name + (pass == 0 ? ".bak" : ".bk1")) : "");
            // Same choices, same tracks: the same bytes again.
            EXPECT_TRUE(ReadAll(unpack.header.filePath) == original);
        }
        if (keep) {
            EXPECT_TRUE(ReadAll(outPath(name + ".bak")) == original);
            EXPECT_TRUE(ReadAll(outPath(name + ".bk1")) == original);
        }
    }
    EXPECT_EQ(Listing(outFolder()),
              (std::vector<std::string>{"X.pac.mp3", "X.pac.mp3.bak", "X.pac.mp3.bk1", "Y.pac.mp3"}));
}

// ------------------------------------------------------ faults and Cancel

struct FaultCase {
    const char* name;
    PackFormat format;
    SaveMode mode;
    bool entire = false;
};

class PackWriterFaultTest : public PackWriterTest, public ::testing::WithParamInterface<FaultCase> {
protected:
    // Runs until it succeeds, failing or cancelling at each point before;
    // after every failed run the files are as they were.
    void RunToSuccess(const std::function<PackOutcome(int)>& attempt, Status failure, int failures = 2) {
        runPage = GetParam().mode == SaveMode::Save ? PackedPage("saved.pac.mp3") : page;
        if (GetParam().entire) {
            if (GetParam().mode == SaveMode::Create) runPage.tracks.resize(1);
            runPage.cues = {{"", "1", "One", "P", "00:00:00"}, {"", "2", "Two", "P", "00:01:00"},
                            {"", "3", "Three", "P", "00:02:00"}};
            runPage.header.hz = "44100";
        }
        current = &runPage;
        const std::vector<Bytes> sources = SourceBytes();
        const std::vector<std::string> listing = Listing(outFolder());
        const Bytes original = GetParam().mode == SaveMode::Save ? ReadAll(outPath("saved.pac.mp3")) : Bytes{};
        for (int k = 0; k < 2000; ++k) {
            const PackOutcome outcome = attempt(k);
            if (outcome.status == Status::Written) {
                EXPECT_GE(k, failures);
                return;
            }
            SCOPED_TRACE(k);
            ASSERT_EQ(outcome.status, failure) << outcome.message;
            EXPECT_FALSE(outcome.message.empty());
            EXPECT_EQ(SourceBytes(), sources);
            EXPECT_EQ(Listing(outFolder()), listing);
            if (GetParam().mode == SaveMode::Save) {
                EXPECT_TRUE(ReadAll(outPath("saved.pac.mp3")) == original);
            }
        }
        FAIL() << "never succeeded";
    }

    PackRun Run() const {
        PackRun run = MakeRun(GetParam().format, GetParam().mode == SaveMode::Save ? "saved.pac.mp3" : "new.mp3");
        run.mode = GetParam().mode;
        run.choices.entire = GetParam().entire;
        run.choices.options.addXing = GetParam().format == PackFormat::Pack;
        run.choices.options.silentLast = true;
        run.cueSheetLines = {"TITLE \"Album\""};
        run.keepBackup = false;
        return run;
    }

    TrackPage runPage;
    const TrackPage* current = nullptr;
};

TEST_P(PackWriterFaultTest, EveryFailedWriteLeavesTheFilesAsTheyWere) {
    RunToSuccess(
        [&](int k) {
            const PackOutcome outcome = SavePacked(*current, Run(), progress, Failing(k + 1));
            if (outcome.status == Status::Failed) {
                EXPECT_EQ(outcome.message, "Write Error - 28");
            }
            return outcome;
        },
        Status::Failed);
}

// Archive checksums are written into each header behind its data: a seek
// there or back that fails is a write error too.
TEST_P(PackWriterFaultTest, EveryFailedSeekLeavesTheFilesAsTheyWere) {
    const PackFormat format = GetParam().format;
    const bool archive = format == PackFormat::Zip || format == PackFormat::Lha;
    RunToSuccess(
        [&](int k) {
            const PackOutcome outcome = SavePacked(*current, Run(), progress, FailingSeek(k + 1));
            if (outcome.status == Status::Failed) {
                EXPECT_EQ(outcome.message, "Write Error - " + std::to_string(ESPIPE));
            }
            return outcome;
        },
        Status::Failed, archive ? 2 : 0);
}

TEST_P(PackWriterFaultTest, CancelAtEveryPointLeavesTheFilesAsTheyWere) {
    RunToSuccess(
        [&](int k) {
            CancelAfter cancel(k);
            return SavePacked(*current, Run(), cancel);
        },
        Status::Cancelled);
}

TEST_P(PackWriterFaultTest, AFailedCloseIsAWriteError) {
    RunToSuccess(
        [&](int k) {
            if (k > 0) return SavePacked(*current, Run(), progress);
            const PackOutcome outcome = SavePacked(*current, Run(), progress, Failing(-1, true));
            EXPECT_EQ(outcome.message, "Write Error - 5");
            return outcome;
        },
        Status::Failed, 1);
}

INSTANTIATE_TEST_SUITE_P(Faults, PackWriterFaultTest,
                         ::testing::Values(FaultCase{"bind", PackFormat::Bind, SaveMode::Create},
                                           FaultCase{"pack", PackFormat::Pack, SaveMode::Create},
                                           FaultCase{"zip", PackFormat::Zip, SaveMode::Create},
                                           FaultCase{"lha", PackFormat::Lha, SaveMode::Create},
                                           FaultCase{"pack_save", PackFormat::Pack, SaveMode::Save},
                                           FaultCase{"zip_save", PackFormat::Zip, SaveMode::Save},
                                           FaultCase{"pack_cut_by_cue", PackFormat::Pack, SaveMode::Create, true},
                                           FaultCase{"pack_save_cut_by_cue", PackFormat::Pack, SaveMode::Save, true}),
                         [](const ::testing::TestParamInfo<FaultCase>& param) { return std::string(param.param.name); });

TEST_F(PackWriterTest, TheNewFileKeepsThePermissionsOfTheFileItReplaces) {
    struct Case {
        SaveMode mode;
        fs::perms perms;
    };
    for (const Case c : {Case{SaveMode::Save, fs::perms(0600)}, Case{SaveMode::SaveAs, fs::perms(0640)}}) {
        const std::string name = c.mode == SaveMode::Save ? "saved.pac.mp3" : "other.pac.mp3";
        const TrackPage unpack = PackedPage("source" + std::to_string(static_cast<int>(c.mode)) + ".pac.mp3");
        if (c.mode == SaveMode::SaveAs) WriteAll(outPath(name), Bytes{1, 2, 3});
        PackRun run = MakeRun(PackFormat::Pack, c.mode == SaveMode::Save ? unpack.header.file : name);
        run.mode = c.mode;
        fs::permissions(run.outputPath, c.perms);
        if (c.mode == SaveMode::SaveAs) {
            // An existing file is replaced only with the user's consent.
            const PackOutcome refused = SavePacked(unpack, run, progress);
            EXPECT_EQ(refused.status, Status::Failed);
            EXPECT_NE(refused.message.find("exists already"), std::string::npos) << refused.message;
            EXPECT_EQ(ReadAll(run.outputPath), (Bytes{1, 2, 3}));
            run.replaceExisting = true;
        }
        ASSERT_EQ(SavePacked(unpack, run, progress).status, Status::Written);
        EXPECT_EQ(fs::status(run.outputPath).permissions(), c.perms);
    }
}

// ------------------------------------------------ refused before any file

struct RefusalCase {
    const char* name;
    PackFormat format;
    std::function<void(TrackPage&, PackRun&, const test::TempFolder&)> arrange;
};

class PackWriterRefusalTest : public PackWriterTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(PackWriterRefusalTest, NothingIsCreated) {
    PackRun run = MakeRun(GetParam().format, "refused.mp3");
    GetParam().arrange(page, run, folder);
    const PackOutcome outcome = SavePacked(page, run, progress);
    EXPECT_EQ(outcome.status, Status::Failed);
    EXPECT_FALSE(outcome.message.empty());
    EXPECT_TRUE(Listing(outFolder()).empty()) << outcome.message;
}

// Many rows over one small file, or one row over a sparse file past 4 GiB.
void ManyTracks(TrackPage& page, std::size_t count) {
    const TrackRow row = page.tracks[2];
    page.tracks.assign(count, row);
}
void HugeTrack(TrackPage& page, const test::TempFolder& folder) {
    const fs::path path = folder.file("huge.mp3");
    { std::ofstream(path, std::ios::binary) << "x"; }
    fs::resize_file(path, (std::uint64_t{1} << 32) + 4096);
    TrackRow row = page.tracks[2];
    row.sourcePath = path.string();
    row.fileName = row.sourcePath;
    row.span = {0, fs::file_size(path), 0};
    row.xingBytes = 0;
    page.tracks = {row};
}

INSTANTIATE_TEST_SUITE_P(
    Limits, PackWriterRefusalTest,
    ::testing::Values(
        RefusalCase{"pack_16384_tracks", PackFormat::Pack, [](TrackPage& p, PackRun&, auto&) { ManyTracks(p, 16384); }},
        RefusalCase{"zip_65536_members", PackFormat::Zip, [](TrackPage& p, PackRun&, auto&) { ManyTracks(p, 65536); }},
        RefusalCase{"pack_offset_past_4gib", PackFormat::Pack, [](TrackPage& p, PackRun&, auto& f) { HugeTrack(p, f); }},
        RefusalCase{"zip_member_past_4gib", PackFormat::Zip, [](TrackPage& p, PackRun&, auto& f) { HugeTrack(p, f); }},
        RefusalCase{"lha_member_past_4gib", PackFormat::Lha, [](TrackPage& p, PackRun&, auto& f) { HugeTrack(p, f); }},
        RefusalCase{"added_frames_odd_rate", PackFormat::Pack,
                    [](TrackPage& p, PackRun& r, auto&) {
                        p.header.hz = "22050";
                        r.choices.options.addXing = true;
                    }},
        RefusalCase{"silence_odd_bit_rate", PackFormat::Pack,
                    [](TrackPage& p, PackRun& r, auto&) {
                        p.header.kbps = "130";
                        r.choices.options.silentLast = true;
                    }},
        RefusalCase{"source_grew", PackFormat::Zip,
                    [](TrackPage&, PackRun&, auto& f) { std::ofstream(f.file("02 tool.mp3"), std::ios::app) << "x"; }},
        RefusalCase{"span_past_the_end", PackFormat::Pack,
                    [](TrackPage& p, PackRun& r, auto&) {
                        r.mode = SaveMode::SaveAs;
                        p.header.filePath = p.tracks[0].sourcePath;
                        p.tracks[0].memberName = "x.mp3";
                        p.tracks[0].span.end += 1;
                    }},
        RefusalCase{"output_folder_missing", PackFormat::Zip,
                    [](TrackPage&, PackRun& r, auto&) { r.outputPath = fs::path(r.outputPath).parent_path() / "no/x.mp3"; }},
        RefusalCase{"output_is_a_source", PackFormat::Bind,
                    [](TrackPage& p, PackRun& r, auto&) { r.outputPath = p.tracks[1].sourcePath; }}),
    [](const ::testing::TestParamInfo<RefusalCase>& param) { return std::string(param.param.name); });

TEST_F(PackWriterTest, AModeSaveThatCannotStartKeepsTheOriginal) {
    // A failure before the move (here: added frames that cannot be made)
    // neither renames nor writes anything.
    TrackPage unpack = PackedPage("keep.pac.mp3");
    const Bytes original = ReadAll(unpack.header.filePath);
    unpack.header.hz = "-";
    PackRun run = MakeRun(PackFormat::Pack, "keep.pac.mp3");
    run.mode = SaveMode::Save;
    run.choices.options.addXing = true;
    const PackOutcome outcome = SavePacked(unpack, run, progress);
    EXPECT_EQ(outcome.status, Status::Failed);
    EXPECT_EQ(Listing(outFolder()), std::vector<std::string>{"keep.pac.mp3"});
    EXPECT_TRUE(ReadAll(unpack.header.filePath) == original);
}

TEST_F(PackWriterTest, ASaveWhoseOutputCannotBeCreatedPutsTheOriginalBack) {
    const TrackPage unpack = PackedPage("back.pac.mp3");
    const Bytes original = ReadAll(unpack.header.filePath);
    PackRun run = MakeRun(PackFormat::Pack, "back.pac.mp3");
    run.mode = SaveMode::Save;
    const PackOutcome outcome = SavePacked(unpack, run, progress, [](const std::string&, std::string& error) {
        error = "No space left on device";
        return std::unique_ptr<OutputFile>();
    });
    EXPECT_EQ(outcome.status, Status::Failed);
    EXPECT_NE(outcome.message.find("No space left on device"), std::string::npos) << outcome.message;
    EXPECT_EQ(Listing(outFolder()), std::vector<std::string>{"back.pac.mp3"});
    EXPECT_TRUE(ReadAll(unpack.header.filePath) == original);
}

// ------------------------------------------------------------- names, flags

TEST_F(PackWriterTest, StoredNamesHaveNoFolderNoForbiddenCharacterAndNeverNothing) {
    TrackPage unpack = PackedPage("names.pac.mp3");
    unpack.tracks[0].memberName = "sub/";
    unpack.tracks[1].memberName = "dir\\x:y.mp3";
    unpack.tracks[2].memberName = "a|b.mp3";
    for (const PackFormat format : {PackFormat::Zip, PackFormat::Lha, PackFormat::Pack}) {
        PackRun run = MakeRun(format, "named" + std::to_string(static_cast<int>(format)) + ".mp3");
        run.mode = SaveMode::SaveAs;
        const PackOutcome outcome = SavePacked(unpack, run, progress);
        ASSERT_EQ(outcome.status, Status::Written) << outcome.message;
        EXPECT_EQ(ReadPacked(run.outputPath, format).names,
                  (std::vector<std::string>{"Track 01.mp3", "x：y.mp3", "a｜b.mp3"}));
    }
}

TEST_F(PackWriterTest, CueCutFlagIsKeptOnlyForTracksOfTheFileItCameFrom) {
    struct Case {
        const char* name;
        std::uint32_t optionWord;
        bool allFromSource;
        bool flagged;
    };
    const std::string source = "/music/album.pac.mp3";
    for (const Case c : {Case{"all from it", 0x02, true, true}, Case{"one other file", 0x02, false, false},
                         Case{"word without flag", 0x00, true, false}}) {
        SCOPED_TRACE(c.name);
        PackRun run = MakeRun(PackFormat::Pack, std::string(c.name) + ".mp3");
        run.optionWord = c.optionWord;
        run.optionWordSource = c.allFromSource ? page.tracks[0].sourcePath : source;
        TrackPage one = page;
        one.tracks.resize(1);
        const PackOutcome outcome = SavePacked(one, run, progress);
        ASSERT_EQ(outcome.status, Status::Written) << outcome.message;
        EXPECT_EQ((ReadPacked(run.outputPath, PackFormat::Pack).optionWord & kOptionEntire) != 0, c.flagged);
    }
}

TEST_F(PackWriterTest, NothingSelectedIsNothingToDo) {
    PackRun run = MakeRun(PackFormat::Pack, "none.mp3");
    run.mode = SaveMode::SaveSelectionAs;
    EXPECT_EQ(SavePacked(page, run, progress).status, Status::NothingToDo);
    EXPECT_TRUE(Listing(outFolder()).empty());
}

// ------------------------------------------------------ independent tools

std::string Tool(const std::string& program) {
    const test::ProcessResult found = test::RunProcess({"sh", "-c", "command -v " + program});
    EXPECT_EQ(found.exitCode, 0) << program << " is missing: run scripts/install-deps.sh";
    return program;
}

// Frames mp3val counts in a file.
long Mp3valFrames(const std::string& path, std::string* report = nullptr) {
    const test::ProcessResult result = test::RunProcess({Tool("mp3val"), path});
    if (report) *report = result.out;
    const auto at = result.out.find(" MPEG frames");
    if (at == std::string::npos) return -1;
    const auto begin = result.out.find_last_not_of("0123456789", at - 1);
    return std::stol(result.out.substr(begin + 1, at - begin - 1));
}

TEST_F(PackWriterTest, Mp3valCountsTheFramesOfBindAndPack) {
    long sourceFrames = 0;
    for (const SourceFile& source : kSources) sourceFrames += Mp3valFrames(folder.file(source.name).string());
    ASSERT_GT(sourceFrames, 250);
    struct Case {
        PackFormat format;
        bool addXing;
        int top, last;
    };
    for (const Case c : {Case{PackFormat::Bind, false, 0, 0}, Case{PackFormat::Pack, false, 0, 0},
                         Case{PackFormat::Pack, true, 2, 3}}) {
        PackRun run = MakeRun(c.format, "frames" + std::to_string(c.top) + std::to_string(static_cast<int>(c.format)) + ".mp3");
        run.choices.options.removeXing = true;  // each source's Info frame goes
        run.choices.options.addXing = c.addXing;
        run.choices.options.silentTop = c.top > 0;
        run.choices.options.silentTopNo = std::max(c.top, 1);
        run.choices.options.silentLast = c.last > 0;
        run.choices.options.silentLastNo = std::max(c.last, 1);
        page.header.hz = "44100";
        const PackOutcome outcome = SavePacked(page, run, progress);
        ASSERT_EQ(outcome.status, Status::Written) << outcome.message;
        std::string report;
        EXPECT_EQ(Mp3valFrames(run.outputPath, &report),
                  sourceFrames - 3 + (c.addXing ? 1 : 0) + c.top + c.last) << report;
        EXPECT_EQ(report.find("Wrong number of MPEG frames specified in Xing header"), std::string::npos) << report;
        EXPECT_EQ(report.find("Wrong number of MPEG data bytes specified in Xing header"), std::string::npos)
            << report;
    }
}

TEST_F(PackWriterTest, ZipReadersAcceptTheArchive) {
    PackRun run = MakeRun(PackFormat::Zip, "album.zip.mp3");
    run.cueSheetLines = {"TITLE \"Album\""};
    ASSERT_EQ(SavePacked(page, run, progress).status, Status::Written);
    const ReadBack back = ReadPacked(run.outputPath, PackFormat::Zip);
    ASSERT_GT(back.tagSize, 0u);

    const test::ProcessResult python = test::RunProcess(
        {"/usr/bin/python3", "-c",
         "import sys, zipfile\n"
         "z = zipfile.ZipFile(sys.argv[1])\n"
         "print(z.testzip())\n"
         "for i in z.infolist(): print(i.orig_filename.encode('cp437').decode('ascii'), i.file_size, i.flag_bits)\n",
         run.outputPath});
    ASSERT_EQ(python.exitCode, 0) << python.err;
    std::string expected = "None\n";
    for (std::size_t i = 0; i < kSources.size(); ++i) {
        expected += kSources[i].name + " " + std::to_string(back.tracks[i].size()) + " 0\n";
    }
    EXPECT_EQ(python.out, expected);

    const std::string cut = outPath("cut.zip");
    WriteAll(cut, back.body);
    const test::ProcessResult unzip = test::RunProcess({Tool("unzip"), "-t", cut});
    EXPECT_EQ(unzip.exitCode, 0) << unzip.out << unzip.err;
    EXPECT_NE(unzip.out.find("No errors detected"), std::string::npos) << unzip.out;
}

TEST_F(PackWriterTest, AMemberTooLargeForMemoryIsStreamedFromItsFile) {
    // 65 MiB, mostly a hole, with bytes that a wrong offset would misplace.
    const fs::path path = folder.file("long.mp3");
    {
        std::ofstream out(path, std::ios::binary);
        out << "head bytes";
        out.seekp((std::streamoff{65} << 20) - 10);
        out << "tail bytes";
    }
    TrackRow row = page.tracks[2];
    row.sourcePath = row.fileName = path.string();
    row.span = {0, fs::file_size(path), 0};
    row.xingBytes = 0;
    page.tracks = {row};
    const Bytes source = ReadAll(path);
    for (const PackFormat format : {PackFormat::Zip, PackFormat::Lha}) {
        PackRun run = MakeRun(format, "long" + std::to_string(static_cast<int>(format)) + ".mp3");
        ASSERT_EQ(SavePacked(page, run, progress).status, Status::Written);
        const ReadBack back = ReadPacked(run.outputPath, format);
        ASSERT_EQ(back.tracks.size(), 1u);
        EXPECT_TRUE(back.tracks[0] == source);
        const test::ProcessResult check =
            format == PackFormat::Zip
                ? test::RunProcess({"/usr/bin/python3", "-c",
                                    "import sys, zipfile; print(zipfile.ZipFile(sys.argv[1]).testzip())",
                                    run.outputPath})
                : test::RunProcess({Tool("lha"), "t", run.outputPath});
        EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
        EXPECT_NE(check.out.find(format == PackFormat::Zip ? "None" : "long.mp3\t- Tested"), std::string::npos)
            << check.out;
    }
}

TEST_F(PackWriterTest, LhaTestsEveryMember) {
    PackRun run = MakeRun(PackFormat::Lha, "album.lzh.mp3");
    run.cueSheetLines = {"TITLE \"Album\""};
    ASSERT_EQ(SavePacked(page, run, progress).status, Status::Written);
    const Bytes bytes = ReadAll(run.outputPath);
    ASSERT_EQ(bytes.back(), 0x00);  // the end byte
    const test::ProcessResult lha = test::RunProcess({Tool("lha"), "t", run.outputPath});
    EXPECT_EQ(lha.exitCode, 0) << lha.out << lha.err;
    std::size_t tested = 0;
    for (auto at = lha.out.find("- Tested"); at != std::string::npos; at = lha.out.find("- Tested", at + 1)) ++tested;
    EXPECT_EQ(tested, kSources.size()) << lha.out;
    for (const SourceFile& source : kSources) {
        EXPECT_NE(lha.out.find(source.name + "\t- Tested"), std::string::npos) << lha.out;
    }
}

}  // namespace
