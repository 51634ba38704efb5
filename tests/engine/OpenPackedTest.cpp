// Opening packed files written by our own pack writer in every format: the
// page shows the stored names, spans that are exactly the packed regions and
// stream columns equal to a plain file's full scan of the same bytes. Then
// the foreign index, damaged files and the file list over a packed file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <vector>

#include "core/FileAnalysis.h"
#include "core/FileDate.h"
#include "core/FileRows.h"
#include "core/FrameScanCommand.h"
#include "core/Id3v1.h"
#include "core/Id3v2Reader.h"
#include "core/NumberText.h"
#include "pack/ArchiveListing.h"
#include "pack/CueSheet.h"
#include "pack/DosDateTime.h"
#include "pack/OpenPacked.h"
#include "pack/PackBlock.h"
#include "pack/PackWriter.h"
#include "pack/PackedRows.h"
#include "support/ByteBuilder.h"
#include "support/FixtureFacts.h"
#include "support/PackSources.h"
#include "support/MpegBuilder.h"
#include "support/TempFolder.h"

using namespace quilto;
using namespace quilto::pack;
using core::Bytes;
namespace fs = std::filesystem;

namespace {

using test::SourceFile;
const std::vector<SourceFile>& kSources = test::kPackSources;
using test::ExpectedTrack;
using test::ReadAll;
using test::Slice;

// The file list's "Frame Scan" of the bytes as a plain file.
core::StreamColumns PlainScan(const Bytes& bytes) {
    core::InputFile file = core::InputFile::FromBytes(bytes);
    const std::uint64_t tag = bytes.size() >= 10 ? core::TagLength(core::ByteView(bytes).first(10)) : 0;
    core::NoProgress quiet;
    return core::FullScanBehindTag(file, tag, quiet);
}

void ExpectSameStream(const TrackRow& row, const core::StreamColumns& plain) {
    using core::StreamColumn;
    EXPECT_EQ(row.time, plain.text(StreamColumn::Time));
    EXPECT_EQ(row.frames, plain.text(StreamColumn::Frames));
    EXPECT_EQ(row.kbps, plain.text(StreamColumn::Kbps));
    EXPECT_EQ(row.cv, plain.text(StreamColumn::CV));
    EXPECT_EQ(row.hz, plain.text(StreamColumn::Hz));
    EXPECT_EQ(row.mode, plain.text(StreamColumn::ChanelMode));
    EXPECT_EQ(row.bitStream, plain.text(StreamColumn::BitStream));
    const std::string& xing = plain.text(StreamColumn::Xing);
    EXPECT_EQ(row.xing, xing.empty() ? "0" : xing.substr(5, xing.size() - 6));
    EXPECT_EQ(row.frameCount, plain.info.frames + plain.info.otherFrames);
    EXPECT_EQ(row.bitStreamBytes, plain.info.streamBytes);
    EXPECT_EQ(row.xingBytes, plain.info.headerFrameLength);
}

// Raises Cancel when the progress window shows the given track count text.
class CancelAtPanel final : public core::Progress {
public:
    explicit CancelAtPanel(std::string text) : text_(std::move(text)) {}
    bool cancelRequested() const override { return cancel_; }
    void pump() override {}
    void setCaption(std::string_view caption) override { captions.emplace_back(caption); }
    void setPanelText(int panel, std::string_view text) override {
        if (panel == 1 && text == text_) cancel_ = true;
    }
    std::vector<std::string> captions;

private:
    std::string text_;
    bool cancel_ = false;
};

class OpenPackedTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const SourceFile& source : kSources) folder.copyFixture(source.fixture, source.name);
        core::FolderRows rows;
        ASSERT_TRUE(core::ScanFolder(rows, folder.path()));
        core::FillRows(rows, genres, quiet);
        core::FrameScanCommand(rows, core::FrameScanVariant::All, quiet);
        std::vector<std::size_t> all;
        for (std::size_t i = 0; i < rows.size(); ++i) all.push_back(i);
        AddFilesToPackList(page, FileListSource{rows, all, {}, {}});
        page.header.title = "Album";
        page.header.performer = "Band";
        for (std::size_t i = 0; i < page.cues.size(); ++i) {
            page.cues[i].title = "Cue " + std::to_string(i + 1);
            page.cues[i].performer = "Singer " + std::to_string(i + 1);
        }
    }

    std::string Write(PackRun run, const std::string& name) {
        run.outputPath = (folder.file(name)).string();
        const PackOutcome outcome = SavePacked(page, run, quiet);
        EXPECT_EQ(outcome.status, PackOutcome::Status::Written) << outcome.message;
        return run.outputPath;
    }

    std::vector<std::string> CueLines() const {
        std::vector<std::string> lines;
        WriteCueSheet(lines, true, page.header, page.cues, false);
        return lines;
    }

    test::TempFolder folder;
    core::GenreTable genres;
    core::NoProgress quiet;
    TrackPage page;
};

// ------------------------------------------------------- round trip

struct RoundTripCase {
    const char* name;
    PackFormat format;
    bool removeId3v1, removeId3v2, removeXing;
    bool id3v2Tag, embedCue;
    bool addXing = false;
    int top = 0, last = 0;
};

class OpenPackedRoundTrip : public OpenPackedTest, public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(OpenPackedRoundTrip, ShowsTheWrittenTracks) {
    const RoundTripCase& c = GetParam();
    PackRun run;
    PackOptions& o = run.choices.options;
    o.format = c.format;
    o.removeId3v1 = c.removeId3v1;
    o.removeId3v2 = c.removeId3v2;
    o.removeXing = c.removeXing;
    o.id3v2Tag = c.id3v2Tag;
    o.addXing = c.addXing;
    o.silentTop = c.top > 0;
    o.silentTopNo = std::max(c.top, 1);
    o.silentLast = c.last > 0;
    o.silentLastNo = std::max(c.last, 1);
    run.choices.title = "Album";
    run.choices.artist = "Band";
    if (c.embedCue) run.cueSheetLines = CueLines();
    const std::string path = Write(run, std::string(c.name) + ".mp3");
    const Bytes bytes = ReadAll(path);

    std::string error;
    const std::optional<PackedFileFacts> facts = ReadPackedFileFacts(path, genres, &error);
    ASSERT_TRUE(facts) << error;
    const int code = static_cast<int>(c.format);
    EXPECT_EQ(static_cast<int>(facts->kind), c.format == PackFormat::Bind ? -1 : code);
    EXPECT_EQ(facts->cueMark, c.embedCue);

    TrackPage opened;
    opened.tracks.resize(7);  // whatever was shown before goes
    CancelAtPanel progress("never");
    std::vector<std::size_t> hooked;
    const OpenPackedResult result =
        OpenPacked(path, *facts, opened, genres, progress, [&](std::size_t row) { hooked.push_back(row); });
    ASSERT_EQ(result.status, OpenPackedResult::Status::Opened);
    EXPECT_EQ(result.headTagSize > 0, c.id3v2Tag || c.embedCue);
    EXPECT_EQ(opened.header.cue, std::to_string(code));
    EXPECT_EQ(opened.header.filePath, path);
    {
        // The same bytes opened from memory give the same page.
        TrackPage fromMemory;
        core::InputFile memory = core::InputFile::FromBytes(bytes);
        const OpenPackedResult again = OpenPacked(memory, path, *facts, fromMemory, genres, quiet);
        EXPECT_EQ(again.status, result.status);
        EXPECT_EQ(again.optionWord, result.optionWord);
        EXPECT_EQ(fromMemory.cues.size(), opened.cues.size());
        ASSERT_EQ(fromMemory.tracks.size(), opened.tracks.size());
        for (std::size_t i = 0; i < opened.tracks.size(); ++i) {
            EXPECT_EQ(fromMemory.tracks[i].fileName, opened.tracks[i].fileName);
            EXPECT_EQ(fromMemory.tracks[i].span.end, opened.tracks[i].span.end);
            EXPECT_EQ(fromMemory.tracks[i].frameCount, opened.tracks[i].frameCount);
        }
    }
    if (c.embedCue) {
        ASSERT_EQ(opened.cues.size(), page.cues.size());
        for (std::size_t i = 0; i < page.cues.size(); ++i) {
            EXPECT_EQ(opened.cues[i].title, page.cues[i].title);
            EXPECT_EQ(opened.cues[i].performer, page.cues[i].performer);
            EXPECT_EQ(opened.cues[i].index, page.cues[i].index);
        }
        EXPECT_EQ(opened.header.title, "Album");
    } else {
        EXPECT_TRUE(opened.cues.empty());
    }

    if (c.format == PackFormat::Bind) {
        EXPECT_TRUE(opened.tracks.empty());
        EXPECT_EQ(result.optionWord, 0u);
        return;
    }
    if (c.format == PackFormat::Pack) {
        EXPECT_EQ((result.optionWord & PackFlag::XingFrame) != 0, c.addXing);
        EXPECT_EQ((result.optionWord >> 24) & 0x7F, static_cast<std::uint32_t>(c.top));
        EXPECT_EQ((result.optionWord >> 16) & 0x7F, static_cast<std::uint32_t>(c.last));
    } else {
        EXPECT_EQ(result.optionWord, 0u);
    }
    EXPECT_EQ(progress.captions, std::vector<std::string>{"Frame Scan ..."});
    EXPECT_EQ(hooked, (std::vector<std::size_t>{0, 1, 2}));

    ASSERT_EQ(opened.tracks.size(), kSources.size());
    std::uint64_t frames = 0;
    for (std::size_t i = 0; i < kSources.size(); ++i) {
        SCOPED_TRACE(kSources[i].name);
        const TrackRow& row = opened.tracks[i];
        EXPECT_EQ(row.caption, "   " + std::to_string(i + 1));
        EXPECT_EQ(row.fileName, kSources[i].name);
        EXPECT_EQ(row.memberName, kSources[i].name);
        EXPECT_EQ(row.sourcePath, path);
        EXPECT_EQ(row.span.dosDateTime != 0, c.format == PackFormat::Zip || c.format == PackFormat::Lha);
        ASSERT_LE(row.span.start, row.span.end);
        ASSERT_LE(row.span.end, bytes.size());
        const Bytes region = Slice(bytes, row.span.start, row.span.end);
        EXPECT_TRUE(region == ExpectedTrack(kSources[i].fixture, o));
        ExpectSameStream(row, PlainScan(region));
        frames += row.frameCount;

        const bool tagged = i < 2;  // the third source has no tags
        EXPECT_EQ(row.tag, std::string(tagged && !c.removeId3v1 ? "v1" : "") + (tagged && !c.removeId3v2 ? "v2" : ""));
        if (c.format == PackFormat::Pack) {
            EXPECT_EQ(row.artist, page.tracks[i].artist);
            EXPECT_EQ(row.title, page.tracks[i].title);
        } else if (c.embedCue) {
            EXPECT_EQ(row.artist, page.cues[i].performer);
            EXPECT_EQ(row.title, page.cues[i].title);
        } else if (!tagged || (c.removeId3v1 && c.removeId3v2)) {
            EXPECT_EQ(row.artist, "");
            EXPECT_EQ(row.title, "");
        } else {
            EXPECT_EQ(row.title, page.tracks[i].title);  // from the track's own tag
        }
    }
    EXPECT_EQ(opened.header.frameCount, frames);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, OpenPackedRoundTrip,
    ::testing::Values(RoundTripCase{"bind_cue", PackFormat::Bind, true, true, false, true, true},
                      RoundTripCase{"bind_bare", PackFormat::Bind, true, true, true, false, false},
                      RoundTripCase{"pack_default", PackFormat::Pack, true, true, false, true, true},
                      RoundTripCase{"pack_bare_keep_tags", PackFormat::Pack, false, false, false, false, false},
                      RoundTripCase{"pack_added_frames", PackFormat::Pack, true, false, true, true, true, true, 2, 3},
                      RoundTripCase{"zip_cue_keep_tags", PackFormat::Zip, false, false, false, true, true},
                      RoundTripCase{"zip_bare_keep_tags", PackFormat::Zip, false, false, true, false, false},
                      RoundTripCase{"lha_cue", PackFormat::Lha, true, true, false, false, true},
                      RoundTripCase{"lha_bare_strip", PackFormat::Lha, true, true, true, false, false}),
    [](const ::testing::TestParamInfo<RoundTripCase>& param) { return std::string(param.param.name); });

TEST_F(OpenPackedTest, CancelKeepsTheTracksScannedSoFar) {
    PackRun run;
    run.choices.options.format = PackFormat::Pack;
    const std::string path = Write(run, "cancel.pac.mp3");
    const std::optional<PackedFileFacts> facts = ReadPackedFileFacts(path, genres);
    ASSERT_TRUE(facts);

    TrackPage opened;
    CancelAtPanel progress("(2/3)");
    const OpenPackedResult result = OpenPacked(path, *facts, opened, genres, progress);
    EXPECT_EQ(result.status, OpenPackedResult::Status::Cancelled);
    ASSERT_EQ(opened.tracks.size(), 3u);
    EXPECT_FALSE(opened.tracks[0].time.empty());
    for (std::size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(opened.tracks[i].time, "");
        EXPECT_EQ(opened.tracks[i].frameCount, 0u);
        EXPECT_EQ(opened.tracks[i].fileName, kSources[i].name);  // names stay
    }
    EXPECT_EQ(opened.header.frameCount, opened.tracks[0].frameCount);
}

TEST_F(OpenPackedTest, ArchiveNamesComeFromTheCueOnlyWhenTheCountsAgree) {
    PackRun run;
    run.choices.options.format = PackFormat::Zip;
    run.choices.options.removeId3v2 = false;
    page.cues.push_back(page.cues.back());  // one cue row more than tracks
    run.cueSheetLines = CueLines();
    const std::string path = Write(run, "more_cues.zip.mp3");
    const std::optional<PackedFileFacts> facts = ReadPackedFileFacts(path, genres);
    ASSERT_TRUE(facts);
    TrackPage opened;
    ASSERT_EQ(OpenPacked(path, *facts, opened, genres, quiet).status, OpenPackedResult::Status::Opened);
    ASSERT_EQ(opened.cues.size(), 4u);
    ASSERT_EQ(opened.tracks.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(opened.tracks[i].title, page.tracks[i].title);  // the track's own tag
        EXPECT_EQ(opened.tracks[i].artist, page.tracks[i].artist);
    }
}

TEST_F(OpenPackedTest, MissingFileLeavesThePageAsItWas) {
    TrackPage opened = page;
    const OpenPackedResult result =
        OpenPacked(folder.file("gone.mp3").string(), PackedFileFacts{}, opened, genres, quiet);
    EXPECT_EQ(result.status, OpenPackedResult::Status::CannotOpen);
    EXPECT_FALSE(result.error.empty());
    EXPECT_EQ(opened.tracks.size(), page.tracks.size());
    std::string error;
    EXPECT_FALSE(ReadPackedFileFacts(folder.file("gone.mp3").string(), genres, &error));
    EXPECT_FALSE(error.empty());
}

// ------------------------------------------------------- foreign container

// An index of the foreign container: a 12-byte count field, then 501-byte
// records "length[][]start[][]name" in units of 10,000 bytes.
Bytes ForeignFile(const std::string& count, const std::vector<std::pair<std::string, Bytes>>& members) {
    test::ByteBuilder b;
    b.text(count).padTo(kWrapCountSize, ' ');
    std::uint64_t start = 500'000;  // the foreign program's own origin
    for (const auto& [name, data] : members) {
        char number[64];
        std::snprintf(number, sizeof number, "%llu.%04llu[][]%llu.%04llu[][]",
                      static_cast<unsigned long long>(data.size() / 10'000),
                      static_cast<unsigned long long>(data.size() % 10'000),
                      static_cast<unsigned long long>(start / 10'000),
                      static_cast<unsigned long long>(start % 10'000));
        const std::size_t from = b.size();
        b.text(number).text(name).padTo(from + kWrapRecordSize, ' ');
        start += data.size();
    }
    for (const auto& member : members) b.raw(member.second);
    return b;
}

TEST_F(OpenPackedTest, ForeignIndexListsItsMembers) {
    test::FrameFields stereo;
    stereo.mode = 0;
    const Bytes one = test::Frames(test::FrameFields{}, 30);
    Bytes two = test::Id3Tag({test::Id3Frame("TIT2", test::TextBody(0, "Second"))});
    test::Append(two, test::Frames(stereo, 12));
    struct Case {
        const char* name;
        Bytes file;
        std::vector<std::string> names;
    };
    const std::vector<Case> cases = {
        {"sound", ForeignFile("2", {{"One.mp3", one}, {"Two.mp3", two}}), {"One.mp3", "Two.mp3"}},
        {"garbage_second_record", [&] {
             Bytes file = ForeignFile("2", {{"One.mp3", one}, {"Two.mp3", two}});
             std::fill_n(file.begin() + kWrapCountSize + kWrapRecordSize, 8, 'x');
             return file;
         }(),
         {"One.mp3"}},
        {"count_beyond_the_file", ForeignFile("999999", {{"One.mp3", one}}), {"One.mp3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        folder.write(std::string(c.name) + ".mp3", c.file);
        const std::string path = folder.file(std::string(c.name) + ".mp3").string();
        const std::optional<PackedFileFacts> facts = ReadPackedFileFacts(path, genres);
        ASSERT_TRUE(facts);
        EXPECT_EQ(facts->kind, core::ContainerKind::Foreign);
        TrackPage opened;
        ASSERT_EQ(OpenPacked(path, *facts, opened, genres, quiet).status, OpenPackedResult::Status::Opened);
        EXPECT_EQ(opened.header.cue, "4");
        ASSERT_EQ(opened.tracks.size(), c.names.size());
        for (std::size_t i = 0; i < c.names.size(); ++i) {
            const TrackRow& row = opened.tracks[i];
            EXPECT_EQ(row.fileName, c.names[i]);
            EXPECT_EQ(row.span.dosDateTime, 0u);
            ASSERT_LE(row.span.end, c.file.size());
            if (std::string(c.name) != "sound") continue;
            const Bytes region = Slice(c.file, row.span.start, row.span.end);
            EXPECT_TRUE(region == (i == 0 ? one : two));
            ExpectSameStream(row, PlainScan(region));
        }
        if (std::string(c.name) == "sound") {
            EXPECT_EQ(opened.tracks[1].title, "Second");
            EXPECT_EQ(opened.tracks[1].tag, "v2");
            EXPECT_EQ(opened.tracks[1].mode, "Stereo");
        }
    }
}

// ------------------------------------------------------- hostile files

// A Pack file of hand-made tracks, without head tag: each track's bytes
// follow the directory in order.
Bytes HandPacked(const std::vector<Bytes>& tracks) {
    std::uint32_t directory = 12 + 1 + 4;
    for (std::size_t i = 0; i < tracks.size(); ++i) directory += 4 + 2 + 1 + 1;  // offset, name "T", empty artist and title
    test::ByteBuilder b;
    b.text("Pack").syncsafe32(directory).u8(0).u8(static_cast<std::uint8_t>(tracks.size())).u8(0).u8(0).u8(0);
    std::uint32_t offset = directory;
    for (const Bytes& track : tracks) {
        b.syncsafe32(offset).text("T").u8(0).u8(0).u8(0);
        offset += static_cast<std::uint32_t>(track.size());
    }
    b.syncsafe32(offset);
    for (const Bytes& track : tracks) b.raw(track);
    return b;
}

TEST_F(OpenPackedTest, TagsAreLookedForOnlyInsideTheirTrack) {
    // A 5-byte track opening "ID3" whose header would run on into the next
    // track, and a 100-byte track whose last 128 bytes would begin with a
    // "TAG" inside the track before it: neither has a tag of its own.
    Bytes first(200, 0);
    std::copy_n("TAG", 3, first.begin() + 172);
    const Bytes shortTag = {'I', 'D', '3', 3, 0};
    const Bytes headerRest = test::ByteBuilder().u8(0).syncsafe32(0).fill(100);
    const Bytes file = HandPacked({first, Bytes(100, 0x55), shortTag, headerRest});
    folder.write("tags.pac.mp3", file);
    const std::string path = folder.file("tags.pac.mp3").string();
    PackedFileFacts facts;
    facts.kind = core::ContainerKind::Pack;
    TrackPage opened;
    ASSERT_EQ(OpenPacked(path, facts, opened, genres, quiet).status, OpenPackedResult::Status::Opened);
    ASSERT_EQ(opened.tracks.size(), 4u);
    for (const TrackRow& row : opened.tracks) {
        EXPECT_EQ(row.tag, "");
        EXPECT_EQ(row.time, "0:00");  // no frame in any of them
        EXPECT_EQ(row.frames, "0");
    }
}

TEST_F(OpenPackedTest, DamagedFilesKeepEverySpanInside) {
    PackRun run;
    run.choices.options.format = PackFormat::Pack;
    run.choices.options.removeId3v2 = false;
    run.cueSheetLines = CueLines();
    const Bytes good = ReadAll(Write(run, "good.pac.mp3"));
    const std::uint64_t tag = core::TagLength(core::ByteView(good).first(10));
    struct Damage {
        const char* name;
        std::function<void(Bytes&)> apply;
    };
    const std::vector<Damage> damages = {
        {"cut_in_block", [&](Bytes& b) { b.resize(tag + 30); }},
        {"cut_in_second_track", [&](Bytes& b) { b.resize(b.size() / 2); }},
        {"cut_in_head_tag", [&](Bytes& b) { b.resize(tag / 2); }},
        {"huge_head_tag", [](Bytes& b) { std::fill_n(b.begin() + 6, 4, 0x7F); }},
        {"huge_directory", [&](Bytes& b) { std::fill_n(b.begin() + static_cast<std::ptrdiff_t>(tag) + 4, 4, 0x7F); }},
        {"huge_count", [&](Bytes& b) { std::fill_n(b.begin() + static_cast<std::ptrdiff_t>(tag) + 8, 2, 0x7F); }},
        {"huge_offsets", [&](Bytes& b) {
             b[tag + 11] = PackFlag::PlainOffsets;
             std::fill_n(b.begin() + static_cast<std::ptrdiff_t>(tag) + 12 + 6, 4, 0xFF);
         }},
        {"huge_track_tag", [&](Bytes& b) {
             const auto track = std::search(b.begin() + static_cast<std::ptrdiff_t>(tag), b.end(), "ID3", "ID3" + 3);
             std::fill_n(track + 6, 4, 0x7F);
         }},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        Bytes bytes = good;
        damage.apply(bytes);
        const std::string name = std::string(damage.name) + ".pac.mp3";
        folder.write(name, bytes);
        const std::string path = folder.file(name).string();
        for (const core::ContainerKind kind : {core::ContainerKind::Pack, core::ContainerKind::Zip,
                                               core::ContainerKind::Lzh, core::ContainerKind::Foreign}) {
            PackedFileFacts facts;
            facts.kind = kind;
            facts.cueMark = true;
            TrackPage opened;
            const OpenPackedResult result = OpenPacked(path, facts, opened, genres, quiet);
            ASSERT_EQ(result.status, OpenPackedResult::Status::Opened);
            EXPECT_LE(result.headTagSize, bytes.size());
            for (const TrackRow& row : opened.tracks) {
                EXPECT_LE(row.span.start, row.span.end);
                EXPECT_LE(row.span.end, bytes.size());
            }
            core::FolderRows rows;
            const PackedRows packed = FillPackedRows(rows, path, kind, genres, quiet);
            EXPECT_EQ(packed.spans.size(), rows.size());
            for (const TrackSpan& span : packed.spans) EXPECT_LE(span.end, bytes.size());
        }
    }
}

// ------------------------------------------------------- file list rows

TEST_F(OpenPackedTest, PackRowsKeepTheDirectoryNames) {
    PackRun run;
    run.choices.options.format = PackFormat::Pack;
    run.choices.options.removeId3v1 = false;
    run.choices.options.removeId3v2 = true;
    page.tracks[0].artist = "Block Artist";
    page.tracks[0].title = "Block Title";
    const std::string path = Write(run, "rows.pac.mp3");
    const core::Bytes source = ReadAll(folder.file(kSources[0].name));
    core::Id3v1Record v1;
    ASSERT_TRUE(core::ReadId3v1(core::ByteView(source).last(128), &v1, genres));

    core::FolderRows rows;
    CancelAtPanel progress("never");
    const PackedRows packed = FillPackedRows(rows, path, core::ContainerKind::Pack, genres, progress);
    ASSERT_TRUE(packed.opened);
    EXPECT_FALSE(packed.cancelled);
    EXPECT_EQ(packed.albumTitle, "Album");
    EXPECT_EQ(rows.folder, path + "/");
    EXPECT_EQ(progress.captions, std::vector<std::string>{"Frame Scan ..."});
    ASSERT_EQ(rows.size(), 3u);
    ASSERT_EQ(packed.spans.size(), 3u);
    const core::FileRecord& first = rows.files[0];
    using core::FileColumn;
    EXPECT_EQ(first.fileName(), kSources[0].name);
    EXPECT_EQ(first.text(FileColumn::Tag), "v1");
    EXPECT_EQ(first.text(FileColumn::Artist), "Block Artist");
    EXPECT_EQ(first.text(FileColumn::Title), "Block Title");
    EXPECT_EQ(first.text(FileColumn::Album), v1.album);
    EXPECT_EQ(first.text(FileColumn::Year), v1.year);
    EXPECT_EQ(first.text(FileColumn::Genre), v1.genre);
    EXPECT_EQ(rows.id3v1[0].tagMark, 1);
    EXPECT_EQ(rows.id3v1[0].tag, v1);
    EXPECT_EQ(rows.files[2].text(FileColumn::Tag), "");

    const Bytes bytes = ReadAll(path);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const core::FileRecord& record = rows.files[i];
        const TrackSpan& span = packed.spans[i];
        EXPECT_EQ(record.marker, " ");
        EXPECT_EQ(record.fileSize, span.end - span.start);
        EXPECT_EQ(record.text(FileColumn::FileSize), core::GroupThousands(span.end - span.start));
        const core::StreamColumns plain = PlainScan(Slice(bytes, span.start, span.end));
        for (std::size_t c = 0; c < core::kStreamColumnCount; ++c) {
            EXPECT_EQ(record.texts[static_cast<std::size_t>(FileColumn::Time) + c], plain.texts[c]);
        }
    }

    // The rows drop onto the Pack page like scanned files.
    TrackPage again;
    AddFilesToPackList(again, FileListSource{rows, {0, 1, 2}, path, packed.spans});
    EXPECT_EQ(again.tracks.size(), 3u);
}

TEST_F(OpenPackedTest, ZipRowsTakeSizeAndDateFromTheMembers) {
    PackRun run;
    run.choices.options.format = PackFormat::Zip;
    page.tracks.resize(2);
    page.cues.resize(2);
    const std::string path = Write(run, "two.zip.mp3");
    core::InputFile file = *core::InputFile::Open(path);
    file.seek(core::TagLength(file.readBytesAt(0, 10)));
    const std::vector<ArchiveMember> members = ListZipMembers(file);
    ASSERT_EQ(members.size(), 2u);

    core::FolderRows rows;
    const PackedRows packed = FillPackedRows(rows, path, core::ContainerKind::Zip, genres, quiet);
    ASSERT_EQ(rows.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        using core::FileColumn;
        EXPECT_EQ(rows.files[i].fileName(), members[i].name);
        EXPECT_EQ(rows.files[i].text(FileColumn::FileSize), core::GroupThousands(members[i].end - members[i].start));
        EXPECT_EQ(rows.files[i].text(FileColumn::FileDate),
                  core::FormatFileDate(UnixFromDosDateTime(members[i].dosDateTime)));
        EXPECT_EQ(packed.spans[i].dosDateTime, members[i].dosDateTime);
    }
}

TEST_F(OpenPackedTest, RowsCancelKeepsTheRowsScanned) {
    PackRun run;
    run.choices.options.format = PackFormat::Lha;
    const std::string path = Write(run, "cancel.lzh.mp3");
    core::FolderRows rows;
    CancelAtPanel progress("(3/3)");
    const PackedRows packed = FillPackedRows(rows, path, core::ContainerKind::Lzh, genres, progress);
    EXPECT_TRUE(packed.cancelled);
    ASSERT_EQ(rows.size(), 3u);
    using core::FileColumn;
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_FALSE(rows.files[i].text(FileColumn::Time).empty());
        EXPECT_EQ(rows.files[i].marker, " ");
    }
    EXPECT_EQ(rows.files[2].text(FileColumn::Time), "");
    EXPECT_EQ(rows.files[2].marker, "");
    EXPECT_EQ(rows.files[2].fileName(), kSources[2].name);
}

TEST_F(OpenPackedTest, RowsWithoutAudioShowAsUnreadable) {
    folder.write("noaudio.pac.mp3", HandPacked({Bytes(300, 0), test::Frames(test::FrameFields{}, 5)}));
    core::FolderRows rows;
    const PackedRows packed =
        FillPackedRows(rows, folder.file("noaudio.pac.mp3").string(), core::ContainerKind::Pack, genres, quiet);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows.files[0].icon, core::FileIcon::CannotOpen);
    EXPECT_TRUE(rows.id3v1[0].excluded());
    EXPECT_TRUE(rows.id3v2[0].excluded());
    EXPECT_EQ(rows.files[1].icon, core::FileIcon::None);
    EXPECT_EQ(rows.files[1].text(core::FileColumn::Frames), "5");

    const PackedRows missing =
        FillPackedRows(rows, folder.file("gone.mp3").string(), core::ContainerKind::Pack, genres, quiet);
    EXPECT_FALSE(missing.opened);
    EXPECT_EQ(rows.size(), 0u);
    EXPECT_EQ(packed.spans.size(), 2u);
}

}  // namespace

namespace {

// Every file of the hostile corpus opened as each packed kind: whatever its
// bytes claim, the spans stay inside it and the opening comes back.
TEST(OpenPackedHostile, EveryCorpusFileOpensWithinItsBounds) {
    const core::GenreTable genres;
    core::NoProgress quiet;
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(QUILTO_HOSTILE_DIR)) {
        if (entry.path().extension() != ".mp3") continue;
        ++files;
        const std::string path = entry.path().string();
        SCOPED_TRACE(path);
        const std::uint64_t size = fs::file_size(entry.path());
        const std::optional<PackedFileFacts> read = ReadPackedFileFacts(path, genres);
        ASSERT_TRUE(read);
        for (int kind = -1; kind <= 5; ++kind) {
            PackedFileFacts facts = *read;
            facts.kind = static_cast<core::ContainerKind>(kind);
            facts.cueMark = true;
            TrackPage page;
            const OpenPackedResult result = OpenPacked(path, facts, page, genres, quiet);
            EXPECT_EQ(result.status, OpenPackedResult::Status::Opened);
            EXPECT_LE(result.headTagSize, size);
            for (const TrackRow& row : page.tracks) {
                EXPECT_LE(row.span.start, row.span.end);
                EXPECT_LE(row.span.end, size);
            }
            core::FolderRows rows;
            const PackedRows packed = FillPackedRows(rows, path, facts.kind, genres, quiet);
            EXPECT_EQ(packed.spans.size(), rows.size());
        }
    }
    EXPECT_GT(files, 50u);
}

}  // namespace
