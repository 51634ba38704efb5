// Saving edited tags into the tracks of Pack, Zip and Lha files written by
// the pack writer: the edited track gets its new tag around the same audio,
// every other byte the file carried stays, the track directory and archive
// listings agree with the bytes, and independent tools read the result. A
// failed write or Cancel at any point leaves the packed file as it was.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/FileRows.h"
#include "core/FrameScanCommand.h"
#include "core/GenreTable.h"
#include "core/Id3v1.h"
#include "core/InputFile.h"
#include "pack/ExtractTracks.h"
#include "pack/OpenPacked.h"
#include "pack/PackTrailer.h"
#include "pack/PackWriter.h"
#include "pack/PackedRows.h"
#include "pack/TrackTags.h"
#include "support/FailingOutput.h"
#include "support/TempFolder.h"
#include "support/ToolRun.h"
#include "tags/SaveTags.h"
#include "tags/TagEdits.h"

using namespace quilto;
using core::Bytes;
using pack::PackFormat;
namespace fs = std::filesystem;

namespace {

using Status = tags::TagSaveOutcome::Status;

Bytes ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes Slice(const Bytes& bytes, std::uint64_t from, std::uint64_t to) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

std::vector<std::string> Listing(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

core::ContainerKind KindOf(PackFormat format) {
    switch (format) {
        case PackFormat::Zip: return core::ContainerKind::Zip;
        case PackFormat::Lha: return core::ContainerKind::Lzh;
        default: return core::ContainerKind::Pack;
    }
}

// A track's audio: its bytes without the ID3v2 tag at the start and the
// ID3v1 tag at the end.
Bytes AudioOf(const Bytes& file, const pack::TrackSpan& span) {
    const core::InputFile in = core::InputFile::FromBytes(file);
    const std::uint64_t tag = pack::TrackTagLength(in, span);
    std::uint64_t end = span.end;
    if (end - span.start - tag >= core::kId3v1Size && file[end - 128] == 'T' && file[end - 127] == 'A' &&
        file[end - 126] == 'G') {
        end -= core::kId3v1Size;
    }
    return Slice(file, span.start + tag, end);
}

// What a test does to the rows of the packed file before saving.
enum class Edit { RemoveV2, ChangeV2, AddV2AndV1, RemoveV1, ChangeV1 };

struct EditCase {
    const char* name;
    Edit edit;
    std::size_t track;  // the one track edited
};

// Sources: ID3v2 + ID3v1 + Info frame; ID3v2 + ID3v1; no tag at all.
const std::vector<std::pair<std::string, std::string>> kSources = {
    {"01 lame.mp3", "tag_lame_id3.mp3"},
    {"02 tool.mp3", "tag_id3v2tool_v23_v1.mp3"},
    {"03 plain.mp3", "cbr128_stereo_info.mp3"},
};

class SavePackedTagsTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(folder.file("src"));
        fs::create_directory(folder.file("out"));
        fs::create_directory(folder.file("x"));
        for (const auto& [name, fixture] : kSources) folder.copyFixture(fixture, "src/" + name);
    }

    std::string outFolder() const { return folder.file("out").string(); }

    // Packs the sources with their tags, a head tag with the cue GEOB and,
    // for Pack, an Info frame and leading and trailing silent frames; then
    // lists it as the file list does.
    std::string Pack(PackFormat format) {
        core::FolderRows sources;
        EXPECT_TRUE(core::ScanFolder(sources, folder.file("src").string() + "/"));
        core::FillRows(sources, genres, none);
        core::FrameScanCommand(sources, core::FrameScanVariant::All, none);
        pack::TrackPage page;
        std::vector<std::size_t> all;
        for (std::size_t i = 0; i < sources.size(); ++i) all.push_back(i);
        pack::AddFilesToPackList(page, pack::FileListSource{sources, all, {}, {}});
        page.header.title = "Album";
        pack::PackRun run;
        pack::PackOptions& o = run.choices.options;
        o.format = format;
        o.removeId3v1 = o.removeId3v2 = o.removeXing = false;
        o.id3v2Tag = true;
        o.addXing = format == PackFormat::Pack;
        o.silentTop = o.silentLast = format == PackFormat::Pack;
        o.silentTopNo = 2;
        o.silentLastNo = 3;
        run.choices.title = "Album";
        run.choices.artist = "Band";
        run.cueSheetLines = {"TITLE \"Album\"", "PERFORMER \"Band\""};
        run.outputPath = outFolder() + "/album.mp3";
        const pack::PackOutcome written = pack::SavePacked(page, run, none);
        EXPECT_EQ(written.status, pack::PackOutcome::Status::Written) << written.message;
        kind = KindOf(format);
        List(run.outputPath);
        return run.outputPath;
    }

    void List(const std::string& path) {
        listed = pack::FillPackedRows(rows, path, kind, genres, none);
        EXPECT_TRUE(listed.opened);
    }

    void Apply(const EditCase& c) {
        core::Id3v1Row& v1 = rows.id3v1[c.track];
        core::Id3v2Row& v2 = rows.id3v2[c.track];
        switch (c.edit) {
            case Edit::RemoveV2: v2.tagMark = 0; v2.image = core::kEditedImage; break;
            case Edit::ChangeV2:
                v2.tag.title = "New Title";
                v2.tag.artist = "New Artist";
                v2.image = core::kEditedImage;
                break;
            case Edit::AddV2AndV1:
                v2.tag.title = "Added";
                v2.tagMark = 1;
                v2.image = core::kEditedImage;
                v1.tag.title = "Added v1";
                v1.tag.track = "7";
                v1.tagMark = 1;
                v1.image = core::kEditedImage;
                break;
            case Edit::RemoveV1: v1.tagMark = 0; v1.image = core::kEditedImage; break;
            case Edit::ChangeV1:
                v1.tag.title = "Changed v1";
                v1.image = core::kEditedImage;
                break;
        }
    }

    tags::TagSaveOptions Options(bool keepBackup = true) const {
        tags::TagSaveOptions options;
        options.genres = &genres;
        options.keepBackup = keepBackup;
        return options;
    }

    tags::TagSaveOutcome Save(const std::string& path, core::Progress& progress, const tags::TagSaveOptions& options,
                              const pack::OutputFactory& factory = {}) {
        return tags::SavePackedTags(path, kind, rows, listed.spans, options, progress, factory);
    }

    // Extracts every track without a tag; the files in list order.
    std::vector<std::string> Extract(const std::string& path) {
        pack::TrackPage page;
        page.page = pack::Page::UnPack;
        pack::PackedFileFacts facts;
        facts.kind = kind;
        EXPECT_EQ(pack::OpenPacked(path, facts, page, genres, none).status, pack::OpenPackedResult::Status::Opened);
        pack::ExtractRequest request;
        request.outputFolder = folder.file("x").string();
        request.choices.options.makeDir = false;
        request.choices.options.id3v2Tag = false;
        request.choices.selectAll = true;
        const pack::ExtractOutcome outcome = pack::ExtractTracks(page, request, none, {});
        EXPECT_EQ(outcome.status, pack::ExtractOutcome::Status::Done) << outcome.message;
        std::vector<std::string> files;
        for (const pack::TrackRow& row : page.tracks) files.push_back(request.outputFolder + "/" + row.fileName);
        return files;
    }

    test::TempFolder folder;
    core::GenreTable genres;
    core::NoProgress none;
    core::ContainerKind kind = core::ContainerKind::Pack;
    core::FolderRows rows;
    pack::PackedRows listed;
};

// ---------------------------------------------------------- edits and formats

struct FormatEdit {
    PackFormat format;
    EditCase edit;
};

class SavePackedTagsEditTest : public SavePackedTagsTest, public ::testing::WithParamInterface<FormatEdit> {};

TEST_P(SavePackedTagsEditTest, OnlyTheEditedTagsChange) {
    const auto& [format, c] = GetParam();
    const std::string path = Pack(format);
    const Bytes before = ReadAll(path);
    const std::vector<pack::TrackSpan> spansBefore = listed.spans;
    ASSERT_EQ(spansBefore.size(), 3u);
    Apply(c);
    const core::Id3v2Record wantedV2 = rows.id3v2[c.track].tag;
    const core::Id3v1Record wantedV1 = rows.id3v1[c.track].tag;

    test::CancelAfter progress(1 << 30);
    const tags::TagSaveOutcome outcome = Save(path, progress, Options());
    ASSERT_EQ(outcome.status, Status::Done) << outcome.message;
    EXPECT_EQ(outcome.savedRows, std::vector<std::size_t>{c.track});
    EXPECT_TRUE(outcome.message.empty()) << outcome.message;
    EXPECT_EQ(outcome.backupPath, path + ".bak");
    EXPECT_TRUE(ReadAll(path + ".bak") == before);
    EXPECT_EQ(Listing(outFolder()), (std::vector<std::string>{"album.mp3", "album.mp3.bak"}));
    EXPECT_EQ(progress.captions, std::vector<std::string>{"Saving ..."});
    EXPECT_EQ(progress.counts, (std::vector<std::string>{"(1/3)", "(2/3)", "(3/3)"}));

    // Read again the way the file list and the UnPack page read it.
    const Bytes after = ReadAll(path);
    // The bar runs over the old file's size and counts what was written.
    EXPECT_EQ(progress.bytesToDo, before.size());
    EXPECT_LE(progress.bytesDone, after.size());
    EXPECT_GE(progress.bytesDone, after.size() * 9 / 10);
    List(path);
    ASSERT_EQ(listed.spans.size(), 3u);
    const std::uint64_t head = pack::HeadTagSize(core::InputFile::FromBytes(before));
    EXPECT_TRUE(Slice(after, 0, head) == Slice(before, 0, head)) << "head tag";
    for (std::size_t i = 0; i < 3; ++i) {
        const Bytes was = Slice(before, spansBefore[i].start, spansBefore[i].end);
        const Bytes now = Slice(after, listed.spans[i].start, listed.spans[i].end);
        if (i != c.track) {
            EXPECT_TRUE(now == was) << "track " << i;
            continue;
        }
        EXPECT_FALSE(now == was);
        EXPECT_TRUE(AudioOf(after, listed.spans[i]) == AudioOf(before, spansBefore[i]));
        const bool hasV2 = c.edit != Edit::RemoveV2;
        EXPECT_EQ(rows.id3v2[i].tagMark, hasV2 ? 1 : 0);
        if (c.edit == Edit::ChangeV2 || c.edit == Edit::AddV2AndV1) {
            EXPECT_EQ(rows.id3v2[i].tag.title, wantedV2.title);
            EXPECT_EQ(rows.id3v2[i].tag.artist, wantedV2.artist);
        }
        EXPECT_EQ(rows.id3v1[i].tagMark, c.edit == Edit::RemoveV1 ? 0 : 1);
        if (c.edit == Edit::ChangeV1 || c.edit == Edit::AddV2AndV1) {
            EXPECT_EQ(rows.id3v1[i].tag.title, wantedV1.title);
            EXPECT_EQ(rows.id3v1[i].tag.track, c.edit == Edit::AddV2AndV1 ? "07" : wantedV1.track);
        }
    }
    if (format == PackFormat::Pack) {
        // Back to back from the added frames to the silent frames and trailer,
        // which are the old ones.
        for (std::size_t i = 0; i + 1 < 3; ++i) EXPECT_EQ(listed.spans[i].end, listed.spans[i + 1].start);
        const auto trailer = pack::FindPackTrailer(core::InputFile::FromBytes(after));
        ASSERT_TRUE(trailer);
        EXPECT_EQ(trailer->silentStart, listed.spans[2].end);
        EXPECT_TRUE(Slice(after, listed.spans[2].end, after.size()) ==
                    Slice(before, spansBefore[2].end, before.size()));
        // Same names, so the same directory size, count and flags; the
        // extension and the added frames behind the directory are the old ones.
        EXPECT_TRUE(Slice(after, head, head + 12) == Slice(before, head, head + 12));
        const std::uint64_t directory = head + (std::uint64_t{before[head + 4]} << 21) +
                                        (std::uint64_t{before[head + 5]} << 14) +
                                        (std::uint64_t{before[head + 6]} << 7) + before[head + 7];
        EXPECT_EQ(listed.spans[0].start, spansBefore[0].start);
        EXPECT_TRUE(Slice(after, directory, listed.spans[0].start) == Slice(before, directory, spansBefore[0].start));
    } else {
        EXPECT_EQ(listed.spans[0].dosDateTime, spansBefore[0].dosDateTime);
    }

    // Extracted without a tag, each track is its bytes in the packed file.
    const std::vector<std::string> files = Extract(path);
    ASSERT_EQ(files.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(ReadAll(files[i]) == Slice(after, listed.spans[i].start, listed.spans[i].end)) << files[i];
    }
    if (c.edit == Edit::ChangeV2 || c.edit == Edit::AddV2AndV1) {
        const test::ProcessResult read = test::RunTool(
            "/usr/bin/python3",
            {"-c", "import sys\nfrom mutagen.id3 import ID3\nt = ID3(sys.argv[1])\nprint(t['TIT2'], t.version)",
             files[c.track]});
        ASSERT_EQ(read.exitCode, 0) << read.err;
        EXPECT_EQ(read.out, wantedV2.title + " (2, 3, 0)\n");
    }
}

const EditCase kEdits[] = {
    {"remove_v2", Edit::RemoveV2, 0},
    {"change_v2", Edit::ChangeV2, 1},
    {"add_v2_and_v1", Edit::AddV2AndV1, 2},
    {"remove_v1", Edit::RemoveV1, 0},
    {"change_v1", Edit::ChangeV1, 1},
};

std::vector<FormatEdit> AllFormatEdits() {
    std::vector<FormatEdit> all;
    for (const PackFormat format : {PackFormat::Pack, PackFormat::Zip, PackFormat::Lha}) {
        for (const EditCase& edit : kEdits) all.push_back({format, edit});
    }
    return all;
}

std::string FormatName(PackFormat format) {
    return format == PackFormat::Pack ? "pack" : format == PackFormat::Zip ? "zip" : "lha";
}

INSTANTIATE_TEST_SUITE_P(Formats, SavePackedTagsEditTest, ::testing::ValuesIn(AllFormatEdits()),
                         [](const ::testing::TestParamInfo<FormatEdit>& param) {
                             return FormatName(param.param.format) + "_" + param.param.edit.name;
                         });

// The "Unicode" switch reaches the tags written into a packed file's tracks.
TEST_F(SavePackedTagsTest, UnicodeTextsGoOutAsUtf16) {
    const std::string path = Pack(PackFormat::Zip);
    tags::SetCell({rows, genres}, tags::TagList::Id3v2, 1, tags::TagColumn::Title, "題名");
    tags::TagSaveOptions options = Options();
    options.unicodeText = true;
    ASSERT_EQ(Save(path, none, options).status, Status::Done);
    List(path);
    const std::vector<std::string> files = Extract(path);
    ASSERT_EQ(files.size(), 3u);
    const test::ProcessResult read = test::RunTool(
        "/usr/bin/python3",
        {"-c", "import sys\nfrom mutagen.id3 import ID3\nf = ID3(sys.argv[1])['TIT2']\nprint(int(f.encoding), f)",
         files[1]});
    ASSERT_EQ(read.exitCode, 0) << read.err;
    EXPECT_EQ(read.out, "1 題名\n");
}

// ------------------------------------------------------------ archive tools

TEST_F(SavePackedTagsTest, UnzipAndLhaTestTheRewrittenArchives) {
    for (const PackFormat format : {PackFormat::Zip, PackFormat::Lha}) {
        SCOPED_TRACE(FormatName(format));
        const std::string path = Pack(format);
        Apply({"", Edit::AddV2AndV1, 2});
        Apply({"", Edit::RemoveV2, 0});
        ASSERT_EQ(Save(path, none, Options(false)).status, Status::Done);
        const Bytes after = ReadAll(path);
        if (format == PackFormat::Zip) {
            // unzip warns about the head tag in front: test the archive cut there.
            const std::uint64_t head = pack::HeadTagSize(core::InputFile::FromBytes(after));
            folder.write("cut.zip", Slice(after, head, after.size()));
            const test::ProcessResult run = test::RunTool("unzip", {"-t", folder.file("cut.zip").string()});
            EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
            EXPECT_NE(run.out.find("No errors detected"), std::string::npos) << run.out;
            for (const auto& [name, fixture] : kSources) EXPECT_NE(run.out.find(name), std::string::npos) << name;
        } else {
            EXPECT_EQ(after.back(), 0x00);  // the end byte lhasa would forgive
            const test::ProcessResult run = test::RunTool("lha", {"t", path});
            EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
            std::size_t tested = 0;
            for (auto at = run.out.find("- Tested"); at != std::string::npos; at = run.out.find("- Tested", at + 1)) {
                ++tested;
            }
            EXPECT_EQ(tested, 3u) << run.out;
        }
        fs::remove(path);
    }
}

// ------------------------------------------------------- faults and Cancel

class SavePackedTagsFaultTest : public SavePackedTagsTest, public ::testing::WithParamInterface<PackFormat> {
protected:
    // Runs until it succeeds, failing or cancelling at each point before;
    // after every failed run the packed file is as it was and nothing else
    // is left in its folder.
    void RunToSuccess(const std::function<tags::TagSaveOutcome(int)>& attempt, Status failure, int failures = 2) {
        path = Pack(GetParam());
        // A trailing ID3v1 tag of the packed file's own.
        Bytes own = ReadAll(path);
        const core::Id3v1Block v1 = core::BuildId3v1({"Band", "Album", "", "", "", "", ""}, genres);
        own.insert(own.end(), v1.bytes.begin(), v1.bytes.end());
        folder.write("out/album.mp3", own);
        List(path);
        Apply({"", Edit::ChangeV2, 1});
        Apply({"", Edit::AddV2AndV1, 2});
        const Bytes original = ReadAll(path);
        for (int k = 0; k < 500; ++k) {
            const tags::TagSaveOutcome outcome = attempt(k);
            if (outcome.status == Status::Done) {
                EXPECT_GE(k, failures);
                EXPECT_EQ(Listing(outFolder()), std::vector<std::string>{"album.mp3"});
                EXPECT_EQ(outcome.backupPath, "");
                const Bytes after = ReadAll(path);
                EXPECT_TRUE(Slice(after, after.size() - 128, after.size()) == Slice(own, own.size() - 128, own.size()));
                return;
            }
            SCOPED_TRACE(k);
            ASSERT_EQ(outcome.status, failure) << outcome.message;
            EXPECT_TRUE(outcome.savedRows.empty());
            EXPECT_TRUE(ReadAll(path) == original);
            EXPECT_EQ(Listing(outFolder()), std::vector<std::string>{"album.mp3"});
        }
        FAIL() << "never succeeded";
    }

    std::string path;
};

TEST_P(SavePackedTagsFaultTest, EveryFailedWriteLeavesTheFileAsItWas) {
    RunToSuccess(
        [&](int k) {
            const tags::TagSaveOutcome outcome = Save(path, none, Options(false), test::Failing(k + 1));
            if (outcome.status == Status::Failed) {
                EXPECT_EQ(outcome.message, "Write Error - 28");
            }
            return outcome;
        },
        Status::Failed);
}

TEST_P(SavePackedTagsFaultTest, AFailedSeekOrCloseIsAWriteError) {
    for (const int seek : {1, 2}) {
        if (GetParam() == PackFormat::Pack) break;  // only archive checksums are written by seeking back
        const std::string packed = Pack(GetParam());
        Apply({"", Edit::ChangeV2, 1});
        const tags::TagSaveOutcome outcome = Save(packed, none, Options(false), test::FailingSeek(seek));
        EXPECT_EQ(outcome.status, Status::Failed);
        EXPECT_EQ(outcome.message, "Write Error - 29");
        EXPECT_EQ(Listing(outFolder()), std::vector<std::string>{"album.mp3"});
        fs::remove(outFolder() + "/album.mp3");
    }
    RunToSuccess(
        [&](int k) {
            if (k > 0) return Save(path, none, Options(false));
            const tags::TagSaveOutcome outcome = Save(path, none, Options(false), test::Failing(-1, true));
            EXPECT_EQ(outcome.message, "Write Error - 5");
            return outcome;
        },
        Status::Failed, 1);
}

TEST_P(SavePackedTagsFaultTest, CancelAtEveryPointLeavesTheFileAsItWas) {
    RunToSuccess(
        [&](int k) {
            test::CancelAfter cancel(k);
            const tags::TagSaveOutcome outcome = Save(path, cancel, Options(false));
            if (outcome.status == Status::Cancelled) {
                EXPECT_EQ(outcome.message, "Cancelled - the file is unchanged");
            }
            return outcome;
        },
        Status::Cancelled);
}

INSTANTIATE_TEST_SUITE_P(Formats, SavePackedTagsFaultTest,
                         ::testing::Values(PackFormat::Pack, PackFormat::Zip, PackFormat::Lha),
                         [](const ::testing::TestParamInfo<PackFormat>& param) { return FormatName(param.param); });

// ------------------------------------------------------------- backups

TEST_F(SavePackedTagsTest, AnExistingBackupNameIsNeverReplaced) {
    const std::string path = Pack(PackFormat::Pack);
    const Bytes before = ReadAll(path);
    folder.write("out/album.mp3.bak", Bytes{'o', 'l', 'd'});
    Apply({"", Edit::ChangeV1, 1});
    tags::TagSaveOutcome outcome = Save(path, none, Options());
    ASSERT_EQ(outcome.status, Status::Done) << outcome.message;
    EXPECT_EQ(outcome.backupPath, path + ".bk1");
    EXPECT_TRUE(ReadAll(path + ".bk1") == before);
    EXPECT_TRUE(ReadAll(path + ".bak") == (Bytes{'o', 'l', 'd'}));

    // Without keeping backups, the one this run made goes; the others stay.
    List(path);
    Apply({"", Edit::RemoveV1, 0});
    outcome = Save(path, none, Options(false));
    ASSERT_EQ(outcome.status, Status::Done) << outcome.message;
    EXPECT_EQ(outcome.backupPath, "");
    EXPECT_EQ(Listing(outFolder()), (std::vector<std::string>{"album.mp3", "album.mp3.bak", "album.mp3.bk1"}));
}

// ------------------------------------------------------------ refusals

TEST_F(SavePackedTagsTest, AFileThatChangedSinceItWasListedIsNotTouched) {
    struct Case {
        const char* name;
        std::function<void(const std::string& path)> change;
        std::string says;  // part of the message
    };
    const std::vector<Case> cases = {
        {"span moved", [this](const std::string&) { listed.spans[1].start += 1; }, "changed since"},
        {"span past the end", [this](const std::string&) { listed.spans[2].end += 1000000; }, "changed since"},
        {"track missing", [this](const std::string&) { listed.spans.pop_back(); }, "do not match"},
        {"file grown",
         [this](const std::string& path) {
             Bytes bytes = ReadAll(path);
             bytes.insert(bytes.end(), 5, 0x55);
             folder.write("out/album.mp3", bytes);
         },
         "not one that can be rewritten"},
        {"undecodable name",
         [this](const std::string& path) {
             // A lead byte without its trail byte: no text gives these bytes back.
             Bytes bytes = ReadAll(path);
             const std::string name = "01 lame";
             const auto at = std::search(bytes.begin(), bytes.end(), name.begin(), name.end());
             ASSERT_NE(at, bytes.end());
             at[0] = 0x81;
             at[1] = 0x20;
             folder.write("out/album.mp3", bytes);
             List(path);
             rows.id3v2[1].image = core::kEditedImage;
         },
         "cannot be stored again unchanged"},
        {"wrong kind", [this](const std::string&) { kind = core::ContainerKind::Foreign; }, "only into"},
        {"bind file", [this](const std::string&) { kind = core::ContainerKind::Plain; }, "only into"},
    };
    for (const PackFormat format : {PackFormat::Pack, PackFormat::Zip, PackFormat::Lha}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(FormatName(format) + " " + c.name);
            const std::string path = Pack(format);
            Apply({"", Edit::ChangeV2, 1});
            c.change(path);
            const Bytes before = ReadAll(path);
            const tags::TagSaveOutcome outcome = Save(path, none, Options());
            EXPECT_EQ(outcome.status, Status::Failed);
            EXPECT_NE(outcome.message.find(c.says), std::string::npos) << outcome.message;
            EXPECT_TRUE(ReadAll(path) == before);
            EXPECT_EQ(Listing(outFolder()), std::vector<std::string>{"album.mp3"});
            fs::remove(path);
        }
    }
}

TEST_F(SavePackedTagsTest, ATrackWhoseTagCannotBeBuiltStaysAsItWas) {
    const std::string path = Pack(PackFormat::Zip);
    const Bytes before = ReadAll(path);
    const std::vector<pack::TrackSpan> spansBefore = listed.spans;
    Apply({"", Edit::ChangeV2, 0});
    rows.id3v1[0].tag.track = "twelve";  // no ID3v1 track number
    rows.id3v1[0].image = core::kEditedImage;
    Apply({"", Edit::ChangeV1, 1});
    const tags::TagSaveOutcome outcome = Save(path, none, Options(false));
    ASSERT_EQ(outcome.status, Status::Done);
    EXPECT_EQ(outcome.savedRows, std::vector<std::size_t>{1});
    ASSERT_EQ(outcome.problems.size(), 1u);
    EXPECT_EQ(outcome.problems[0].row, 0u);
    EXPECT_NE(outcome.message.find("01 lame.mp3"), std::string::npos) << outcome.message;
    EXPECT_NE(outcome.message.find("twelve"), std::string::npos) << outcome.message;
    const Bytes after = ReadAll(path);
    List(path);
    EXPECT_TRUE(Slice(after, listed.spans[0].start, listed.spans[0].end) ==
                Slice(before, spansBefore[0].start, spansBefore[0].end));
    EXPECT_EQ(rows.id3v1[1].tag.title, "Changed v1");

    // Nothing to save at all: the file is not rewritten.
    rows.id3v1[0].tag.track = "zero";
    rows.id3v1[0].image = core::kEditedImage;
    const tags::TagSaveOutcome none2 = Save(path, none, Options());
    EXPECT_EQ(none2.status, Status::Done);
    EXPECT_TRUE(none2.savedRows.empty());
    EXPECT_TRUE(ReadAll(path) == after);
    EXPECT_EQ(Listing(outFolder()), std::vector<std::string>{"album.mp3"});
}

}  // namespace
