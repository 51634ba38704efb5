// Saving edited tags into plain files: mutagen reads what was written and
// finds the frames nobody edited as they were; the audio bytes never change;
// and no failed write, Cancel, damaged or swapped file ever leaves a file
// half written or a temporary file behind.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/FileRows.h"
#include "core/GenreTable.h"
#include "core/Id3v1.h"
#include "core/Id3v2Reader.h"
#include "pack/OutputFile.h"
#include "support/MpegBuilder.h"
#include "support/TempFolder.h"
#include "support/ToolRun.h"
#include "tags/SaveTags.h"
#include "tags/TagEdits.h"

using namespace quilto;
using namespace quilto::tags;
using core::Bytes;
namespace fs = std::filesystem;

namespace {

const core::GenreTable& Genres() {
    static const core::GenreTable genres;
    return genres;
}

Bytes ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// The bytes between the head tag and the trailing ID3v1 block.
Bytes AudioOf(const Bytes& file) {
    const std::uint64_t head = file.size() >= 10 ? core::TagLength(core::ByteView(file.data(), 10)) : 0;
    std::size_t end = file.size();
    if (end >= 128 && std::equal(file.end() - 128, file.end() - 125, "TAG")) end -= 128;
    return Bytes(file.begin() + static_cast<std::ptrdiff_t>(head), file.begin() + static_cast<std::ptrdiff_t>(end));
}

// A small file with a head tag holding a frame of our own and two foreign
// ones, distinct audio bytes and an ID3v1 block.
Bytes SyntheticMp3(const std::string& title, std::uint8_t audioSeed) {
    using namespace quilto::test;
    Bytes file = Id3Tag({Id3Frame("TIT2", TextBody(0, title)), Id3Frame("TXXX", TextBody(0, std::string("key\0value", 9))),
                         Id3Frame("PRIV", {'o', 'w', 'n', 0, 1, 2, 3})},
                        3, 0, 64);
    Bytes audio = Frames(FrameFields{}, 12);
    for (std::size_t i = 4; i < audio.size(); i += 7) audio[i] = static_cast<std::uint8_t>(audioSeed + i);
    Append(file, audio);
    core::Id3v1Record v1;
    v1.title = title;
    const auto block = core::BuildId3v1(v1, Genres());
    file.insert(file.end(), block.bytes.begin(), block.bytes.end());
    return file;
}

core::FolderRows LoadRows(const std::string& folder) {
    core::FolderRows rows;
    EXPECT_TRUE(core::ScanFolder(rows, folder));
    for (std::size_t i = 0; i < rows.size(); ++i) core::FillRow(rows, i, Genres());
    return rows;
}

void EditTitles(core::FolderRows& rows, const std::string& title) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SetCell({rows, Genres()}, TagList::Id3v2, i, TagColumn::Title, title + std::to_string(i));
        SetCell({rows, Genres()}, TagList::Id3v1, i, TagColumn::Title, title + std::to_string(i));
    }
}

TagSaveOptions Options(TagVariant variant = TagVariant::Both) {
    TagSaveOptions options;
    options.variant = variant;
    options.genres = &Genres();
    return options;
}

std::vector<std::string> FolderNames(const test::TempFolder& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.path())) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// An output on disk whose write or close call number `failAt` (counted over
// the whole run from 1) fails as a full disk does.
struct FailingFactory {
    int failAt = 0;
    int calls = 0;

    class Output final : public pack::OutputFile {
    public:
        Output(pack::DiskOutputFile file, FailingFactory& owner) : file_(std::move(file)), owner_(owner) {}
        bool write(const void* data, std::size_t n) override { return fails() ? false : file_.write(data, n); }
        std::optional<std::uint64_t> tell() override { return file_.tell(); }
        bool seek(std::uint64_t position) override { return file_.seek(position); }
        bool close() override { return fails() ? false : file_.close(); }
        using pack::OutputFile::write;

    private:
        bool fails() {
            if (++owner_.calls != owner_.failAt) return false;
            lastError_ = ENOSPC;
            return true;
        }
        pack::DiskOutputFile file_;
        FailingFactory& owner_;
    };

    pack::OutputFactory factory() {
        return [this](const std::string& path, std::string& error) -> std::unique_ptr<pack::OutputFile> {
            auto file = pack::DiskOutputFile::CreateNew(path, &error);
            if (!file) return nullptr;
            return std::make_unique<Output>(std::move(*file), *this);
        };
    }
};

// Asks for Cancel while the file after the first `files` ones is being saved.
class CancelAfter final : public core::Progress {
public:
    explicit CancelAfter(int files) : files_(files) {}
    bool cancelRequested() const override { return started_ > files_; }
    void pump() override {}
    void setCaption(std::string_view caption) override { captions.emplace_back(caption); }
    void setPanelText(int panel, std::string_view text) override {
        started_ += panel == 0 ? 1 : 0;
        if (panel == 1) counts.emplace_back(text);
    }
    void setBytesToDo(std::uint64_t total) override { bytesToDo = total; }
    void setBytesDone(std::uint64_t done) override { bytesDone = done; }
    void addBytesDone(std::uint64_t bytes) override { bytesDone += bytes; }
    std::vector<std::string> captions;
    std::vector<std::string> counts;
    std::uint64_t bytesToDo = 0, bytesDone = 0;  // what the bar shows

private:
    int files_;
    int started_ = 0;
};

class SaveTagsRunTest : public ::testing::Test {
protected:
    static constexpr int kFiles = 3;

    void SetUp() override {
        for (int i = 0; i < kFiles; ++i) originals_.push_back(SyntheticMp3("Old " + std::to_string(i), std::uint8_t(i)));
        // What a run without faults writes, to compare every faulty run with.
        test::TempFolder clean;
        Place(clean);
        core::FolderRows rows = LoadRows(clean.path());
        EditTitles(rows, "New ");
        core::NoProgress quiet;
        const TagSaveOutcome outcome = SaveTags(rows, Options(), quiet);
        ASSERT_EQ(outcome.savedRows.size(), std::size_t{kFiles}) << outcome.message;
        for (int i = 0; i < kFiles; ++i) saved_.push_back(ReadAll(clean.file(Name(i))));
    }

    static std::string Name(int i) { return "file" + std::to_string(i) + ".mp3"; }
    void Place(const test::TempFolder& folder) const {
        for (int i = 0; i < kFiles; ++i) folder.write(Name(i), originals_[static_cast<std::size_t>(i)]);
    }
    // Every file is either as it was or completely saved; returns how many were saved.
    int CheckFiles(const test::TempFolder& folder) const {
        int saved = 0;
        for (int i = 0; i < kFiles; ++i) {
            const Bytes now = ReadAll(folder.file(Name(i)));
            const auto index = static_cast<std::size_t>(i);
            EXPECT_TRUE(now == originals_[index] || now == saved_[index]) << Name(i) << " is damaged";
            saved += now == saved_[index] ? 1 : 0;
        }
        EXPECT_EQ(FolderNames(folder), (std::vector<std::string>{Name(0), Name(1), Name(2)})) << "a temporary file remains";
        return saved;
    }

    std::vector<Bytes> originals_;
    std::vector<Bytes> saved_;
};

TEST_F(SaveTagsRunTest, EveryFailingWriteLeavesTheOriginalAndTheRunGoesOn) {
    FailingFactory counting;
    {
        test::TempFolder folder;
        Place(folder);
        core::FolderRows rows = LoadRows(folder.path());
        EditTitles(rows, "New ");
        core::NoProgress quiet;
        SaveTags(rows, Options(), quiet, counting.factory());
        EXPECT_EQ(CheckFiles(folder), kFiles);
    }
    ASSERT_GE(counting.calls, kFiles * 2);
    for (int failAt = 1; failAt <= counting.calls; ++failAt) {
        SCOPED_TRACE("failing call " + std::to_string(failAt));
        test::TempFolder folder;
        Place(folder);
        core::FolderRows rows = LoadRows(folder.path());
        EditTitles(rows, "New ");
        FailingFactory failing{failAt};
        core::NoProgress quiet;
        const TagSaveOutcome outcome = SaveTags(rows, Options(), quiet, failing.factory());
        EXPECT_EQ(outcome.status, TagSaveOutcome::Status::Done);
        ASSERT_EQ(outcome.problems.size(), 1u);
        EXPECT_EQ(outcome.problems[0].message, "Write Error - " + std::to_string(ENOSPC));
        EXPECT_NE(outcome.message.find(outcome.problems[0].path), std::string::npos);
        EXPECT_EQ(outcome.savedRows.size(), std::size_t{kFiles - 1});
        EXPECT_EQ(CheckFiles(folder), kFiles - 1);
    }
}

TEST_F(SaveTagsRunTest, CancelKeepsTheFilesSavedBeforeAndTheCurrentOneUntouched) {
    for (int files = 0; files <= kFiles; ++files) {
        SCOPED_TRACE("cancel after " + std::to_string(files) + " files");
        test::TempFolder folder;
        Place(folder);
        core::FolderRows rows = LoadRows(folder.path());
        EditTitles(rows, "New ");
        CancelAfter progress(files);
        const TagSaveOutcome outcome = SaveTags(rows, Options(), progress);
        EXPECT_EQ(outcome.status, files < kFiles ? TagSaveOutcome::Status::Cancelled : TagSaveOutcome::Status::Done);
        EXPECT_EQ(outcome.savedRows.size(), static_cast<std::size_t>(files));
        EXPECT_EQ(CheckFiles(folder), files);
        for (int i = 0; i < files; ++i) EXPECT_EQ(ReadAll(folder.file(Name(i))), saved_[std::size_t(i)]);
        EXPECT_EQ(progress.captions, std::vector<std::string>{"Saving ..."});
        if (files == kFiles) {
            EXPECT_EQ(progress.counts, (std::vector<std::string>{"(1/3)", "(2/3)", "(3/3)"}));
        }
        // The bar counts the bytes of the files saved, out of all to save.
        std::uint64_t all = 0, saved = 0;
        for (int i = 0; i < kFiles; ++i) (i < files ? saved : all) += originals_[std::size_t(i)].size();
        EXPECT_EQ(progress.bytesToDo, all + saved);
        EXPECT_EQ(progress.bytesDone, saved);
    }
}

TEST_F(SaveTagsRunTest, AFolderWhereNoFileCanBeCreatedNamesEveryFile) {
    test::TempFolder folder;
    Place(folder);
    core::FolderRows rows = LoadRows(folder.path());
    EditTitles(rows, "New ");
    const pack::OutputFactory refused = [](const std::string&, std::string& error) {
        error = std::strerror(EACCES);
        return std::unique_ptr<pack::OutputFile>();
    };
    core::NoProgress quiet;
    const TagSaveOutcome outcome = SaveTags(rows, Options(), quiet, refused);
    EXPECT_EQ(outcome.problems.size(), std::size_t{kFiles});
    for (int i = 0; i < kFiles; ++i) EXPECT_NE(outcome.message.find(Name(i)), std::string::npos) << outcome.message;
    EXPECT_EQ(CheckFiles(folder), 0);
}

TEST_F(SaveTagsRunTest, AFileSwappedAfterTheScanIsNotWrittenOver) {
    test::TempFolder folder;
    Place(folder);
    core::FolderRows rows = LoadRows(folder.path());
    EditTitles(rows, "New ");
    const Bytes other = SyntheticMp3("Someone else's file", 99);
    folder.write(Name(1), other);
    core::NoProgress quiet;
    const TagSaveOutcome outcome = SaveTags(rows, Options(), quiet);
    ASSERT_EQ(outcome.problems.size(), 1u);
    EXPECT_EQ(outcome.problems[0].row, 1u);
    EXPECT_EQ(ReadAll(folder.file(Name(1))), other);
    EXPECT_EQ(ReadAll(folder.file(Name(0))), saved_[0]);
    EXPECT_EQ(ReadAll(folder.file(Name(2))), saved_[2]);
}

TEST_F(SaveTagsRunTest, ALinkStaysALinkAndItsTargetIsSaved) {
    test::TempFolder folder;
    test::TempFolder store;
    store.write("real.mp3", originals_[0]);
    fs::create_symlink(store.file("real.mp3"), folder.file(Name(0)));
    core::FolderRows rows = LoadRows(folder.path());
    EditTitles(rows, "New ");
    core::NoProgress quiet;
    const TagSaveOutcome outcome = SaveTags(rows, Options(), quiet);
    EXPECT_TRUE(outcome.problems.empty()) << outcome.message;
    EXPECT_TRUE(fs::is_symlink(folder.file(Name(0))));
    EXPECT_EQ(ReadAll(store.file("real.mp3")), saved_[0]);
    EXPECT_EQ(FolderNames(store), std::vector<std::string>{"real.mp3"});
}

struct RefusedCase {
    const char* name;
    std::function<void(Bytes&)> damage;            // applied to the file before the scan
    std::function<void(core::FolderRows&)> edit;   // applied to the rows of file 0
    std::string reason;                            // part of the problem
};

class RefusedFileTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedFileTest, IsLeftAsItWasAndTheOthersAreSaved) {
    const RefusedCase& c = GetParam();
    test::TempFolder folder;
    Bytes first = SyntheticMp3("First", 1);
    if (c.damage) c.damage(first);
    folder.write("a.mp3", first);
    const Bytes second = SyntheticMp3("Second", 2);
    folder.write("b.mp3", second);
    core::FolderRows rows = LoadRows(folder.path());
    EditTitles(rows, "Edited ");
    if (c.edit) c.edit(rows);
    core::NoProgress quiet;
    const TagSaveOutcome outcome = SaveTags(rows, Options(), quiet);
    ASSERT_EQ(outcome.problems.size(), 1u) << outcome.message;
    EXPECT_EQ(outcome.problems[0].row, 0u);
    EXPECT_NE(outcome.problems[0].message.find(c.reason), std::string::npos) << outcome.problems[0].message;
    EXPECT_EQ(ReadAll(folder.file("a.mp3")), first);
    EXPECT_NE(ReadAll(folder.file("b.mp3")), second);
    EXPECT_EQ(outcome.savedRows, std::vector<std::size_t>{1});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedFileTest,
    ::testing::Values(
        RefusedCase{"SizeByteWithBit7", [](Bytes& b) { b[9] |= 0x80; }, nullptr, "damaged"},
        RefusedCase{"TagLongerThanFile", [](Bytes& b) { b[6] = 0x7F; }, nullptr, "do not fit"},
        RefusedCase{"Id3v1TrackNotANumber", nullptr, [](core::FolderRows& rows) { rows.id3v1[0].tag.track = "x1"; },
                    "track \"x1\""},
        RefusedCase{"Id3v1TextOutsideTheCodePage", nullptr,
                    [](core::FolderRows& rows) { rows.id3v1[0].tag.artist = "caf\xC3\xA9"; }, "ID3v1 Artist"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(SaveTagsTest, VariantsMarksAndPermissions) {
    test::TempFolder folder;
    const Bytes original = SyntheticMp3("Kept", 5);
    folder.write("a.mp3", original);
    ASSERT_EQ(::chmod(folder.file("a.mp3").c_str(), 0640), 0);
    core::FolderRows rows = LoadRows(folder.path());
    core::NoProgress quiet;

    // Only the ID3v1 row is edited: "Save ID3v2" has nothing to do.
    SetCell({rows, Genres()}, TagList::Id3v1, 0, TagColumn::Title, "Changed");
    EXPECT_FALSE(HasRowsToSave(rows, TagVariant::Id3v2));
    EXPECT_TRUE(SaveTags(rows, Options(TagVariant::Id3v2), quiet).savedRows.empty());
    EXPECT_EQ(ReadAll(folder.file("a.mp3")), original);

    // Tag mark 0 on the ID3v1 row removes the block; the ID3v2 tag stays as it was.
    ToggleTagMark(rows, TagList::Id3v1, 0);
    SetCell({rows, Genres()}, TagList::Id3v2, 0, TagColumn::Title, "Not saved by Save ID3v1");
    const TagSaveOutcome outcome = SaveTags(rows, Options(TagVariant::Id3v1), quiet);
    EXPECT_EQ(outcome.savedRows, std::vector<std::size_t>{0}) << outcome.message;
    const Bytes now = ReadAll(folder.file("a.mp3"));
    ASSERT_EQ(now.size(), original.size() - 128);
    EXPECT_TRUE(std::equal(now.begin(), now.end(), original.begin()));
    struct stat info {};
    ASSERT_EQ(::stat(folder.file("a.mp3").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(SaveTagsTest, AnOldTagsFooterGoesWithTheTag) {
    using namespace quilto::test;
    Bytes file = Id3Tag({Id3Frame("TIT2", TextBody(0, "Old"), 4)}, 4, 0x10);
    Bytes footer(file.begin(), file.begin() + 10);
    footer[0] = '3', footer[1] = 'D', footer[2] = 'I';
    Append(file, footer);
    const Bytes audio = Frames(FrameFields{}, 8);
    Append(file, audio);
    test::TempFolder folder;
    folder.write("a.mp3", file);
    core::FolderRows rows = LoadRows(folder.path());
    SetCell({rows, Genres()}, TagList::Id3v2, 0, TagColumn::Title, "New");
    core::NoProgress quiet;
    ASSERT_EQ(SaveTags(rows, Options(), quiet).savedRows.size(), 1u);
    EXPECT_EQ(AudioOf(ReadAll(folder.file("a.mp3"))), audio);
}

// mutagen reads the edited texts, and every frame nobody edited comes out
// with the same bytes; the audio is untouched and mp3val finds nothing new.
constexpr const char* kDumpFrames = R"(
import hashlib, sys
from mutagen.id3 import ID3
t = ID3(sys.argv[1])
for key in sorted(t.keys()):
    f = t[key]
    if f.FrameID in ("TIT2", "TPE1"):
        # Encoding 0 holds the legacy code page, which mutagen reads as Latin-1.
        text = str(f).encode("latin-1").decode("cp932") if f.encoding == 0 else str(f)
        print(f.FrameID, "=", text)
    elif f.FrameID in ("APIC", "TXXX", "PRIV", "GEOB") or (f.FrameID == "COMM" and f.desc):
        print(repr(key), hashlib.sha1(f._writeData()).hexdigest())
)";

constexpr const char* kAddForeignFrames = R"(
import sys
from mutagen.id3 import ID3, TXXX, PRIV, ID3NoHeaderError
try:
    t = ID3(sys.argv[1])
except ID3NoHeaderError:
    t = ID3()
t.add(TXXX(encoding=1, desc="replaygain_track_gain", text="-3.1 dB"))
t.add(PRIV(owner="quilto.example", data=bytes(range(40))))
t.save(sys.argv[1], v2_version=4 if t.version >= (2, 4, 0) else 3, v1=1)
)";

class MutagenReadsSavedTagsTest : public ::testing::TestWithParam<const char*> {};

TEST_P(MutagenReadsSavedTagsTest, EditedTextsAndUntouchedFrames) {
    test::TempFolder folder;
    folder.copyFixture(GetParam(), "a.mp3");
    const std::string path = folder.file("a.mp3").string();
    ASSERT_EQ(test::RunTool("/usr/bin/python3", {"-c", kAddForeignFrames, path}).exitCode, 0);
    const Bytes before = ReadAll(path);
    const std::string framesBefore = test::RunTool("/usr/bin/python3", {"-c", kDumpFrames, path}).out;
    const std::string checkBefore = test::RunTool("mp3val", {path}).out;

    core::FolderRows rows = LoadRows(folder.path());
    const std::string title = "\xE6\x96\xB0\xE3\x81\x97\xE3\x81\x84 Title";  // "新しい Title"
    SetCell({rows, Genres()}, TagList::Id3v2, 0, TagColumn::Title, title);
    SetCell({rows, Genres()}, TagList::Id3v2, 0, TagColumn::Artist, "Saved Artist");
    SetCell({rows, Genres()}, TagList::Id3v1, 0, TagColumn::Title, "V1 Title");
    core::NoProgress quiet;
    const TagSaveOutcome outcome = SaveTags(rows, Options(), quiet);
    ASSERT_EQ(outcome.savedRows.size(), 1u) << outcome.message;

    const Bytes after = ReadAll(path);
    EXPECT_EQ(AudioOf(after), AudioOf(before));
    const test::ProcessResult frames = test::RunTool("/usr/bin/python3", {"-c", kDumpFrames, path});
    ASSERT_EQ(frames.exitCode, 0) << frames.err;
    EXPECT_NE(frames.out.find("TIT2 = " + title), std::string::npos) << frames.out;
    EXPECT_NE(frames.out.find("TPE1 = Saved Artist"), std::string::npos) << frames.out;
    for (const std::string& line : test::SplitLines(framesBefore)) {
        if (line.rfind("TIT2", 0) == 0 || line.rfind("TPE1", 0) == 0) continue;
        EXPECT_NE(frames.out.find(line), std::string::npos) << "lost or changed: " << line;
    }
    ASSERT_GE(after.size(), 128u);
    EXPECT_EQ(std::string(after.end() - 125, after.end() - 117), "V1 Title");

    const auto countProblems = [](const std::string& report) {
        int n = 0;
        for (const std::string& line : test::SplitLines(report)) {
            n += line.rfind("WARNING", 0) == 0 || line.rfind("ERROR", 0) == 0 ? 1 : 0;
        }
        return n;
    };
    const std::string checkAfter = test::RunTool("mp3val", {path}).out;
    EXPECT_LE(countProblems(checkAfter), countProblems(checkBefore)) << checkBefore << "\n--\n" << checkAfter;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, MutagenReadsSavedTagsTest,
                         ::testing::Values("tag_mutagen_v24_apic.mp3", "tag_mutagen_v23_utf16.mp3",
                                           "tag_mutagen_v23.mp3", "cbr128_stereo_info.mp3"));

}  // namespace
