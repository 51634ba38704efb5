// The folder scan and the row filler over real and synthetic files on disk.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/FileRows.h"
#include "support/FixtureFacts.h"
#include "support/MpegBuilder.h"
#include "support/TempFolder.h"

namespace quilto::core {
namespace {

using test::Append;
using test::FrameFields;
using test::TempFolder;
using Bytes = std::vector<std::uint8_t>;

// expected.tsv of the fixtures: file -> key -> value.
std::map<std::string, std::map<std::string, std::string>> LoadExpected() {
    const auto& table = test::ExpectedFacts();
    EXPECT_FALSE(table.empty()) << "expected.tsv missing";
    return table;
}

// "yyyy/mm/dd hh:mm:ss": digits where the shape has a 9.
bool HasDateShape(const std::string& text) {
    constexpr std::string_view kShape = "9999/99/99 99:99:99";
    if (text.size() != kShape.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kShape[i] == '9' ? !digit : text[i] != kShape[i]) return false;
    }
    return true;
}

Bytes Audio(std::size_t frames = 12) { return test::Frames(FrameFields{}, frames); }

Bytes WithTag(const std::vector<Bytes>& id3Frames, const Bytes& rest) {
    Bytes out = test::Id3Tag(id3Frames);
    Append(out, rest);
    return out;
}

Bytes V1Block(const Id3v1Record& record, const GenreTable& genres) {
    const Id3v1Block block = BuildId3v1(record, genres);
    return Bytes(block.bytes.begin(), block.bytes.end());
}

class FileRowsTest : public ::testing::Test {
protected:
    void scanAndFill() {
        ASSERT_TRUE(ScanFolder(rows, folder.path()));
        NoProgress progress;
        FillRows(rows, genres, progress);
    }

    std::size_t row(const std::string& name) const {
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (rows.files[i].fileName() == name) return i;
        }
        ADD_FAILURE() << name << " is not listed";
        return 0;
    }

    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const FileRecord& record : rows.files) out.push_back(record.fileName());
        return out;
    }

    void expectExcluded(std::size_t i) const {
        const FileRecord& record = rows.files[i];
        EXPECT_EQ(record.icon, FileIcon::CannotOpen);
        for (std::size_t c = static_cast<std::size_t>(FileColumn::Tag); c < kFileColumnCount; ++c) {
            EXPECT_EQ(record.texts[c], "") << "column " << c;
        }
        EXPECT_TRUE(rows.id3v1[i].excluded());
        EXPECT_TRUE(rows.id3v2[i].excluded());
        EXPECT_TRUE(rows.rename[i].excluded());
        EXPECT_EQ(rows.id3v1[i].fileName, record.fileName());
        EXPECT_EQ(rows.id3v1[i].tagMark, 0);
        EXPECT_EQ(rows.id3v1[i].tag, Id3v1Record{});
        EXPECT_EQ(rows.id3v2[i].tagMark, 0);
        EXPECT_EQ(rows.id3v2[i].tag, Id3v2Record{});
    }

    TempFolder folder;
    GenreTable genres;
    FolderRows rows;
};

TEST_F(FileRowsTest, ScanListsMp3FilesOfAnyCaseInFoldedNameOrder) {
    for (const char* name : {"b.MP3", "a.mp3", "A.mp3", "C.Mp3", "notes.txt", "x.mp3.bak", "mp3"}) {
        folder.write(name, Audio(2));
    }
    std::filesystem::create_directory(folder.file("dir.mp3"));
    // Opening a FIFO blocks until a writer comes: it must never be listed.
    ASSERT_EQ(::mkfifo(folder.file("pipe.mp3").c_str(), 0600), 0);
    std::filesystem::create_symlink("a.mp3", folder.file("link.mp3"));
    std::filesystem::create_symlink("missing.mp3", folder.file("gone.mp3"));

    ASSERT_TRUE(ScanFolder(rows, folder.path().substr(0, folder.path().size() - 1)));
    EXPECT_EQ(rows.folder, folder.path());
    EXPECT_EQ(names(), (std::vector<std::string>{"A.mp3", "a.mp3", "b.MP3", "C.Mp3", "gone.mp3", "link.mp3"}));
    ASSERT_EQ(rows.id3v1.size(), rows.size());
    ASSERT_EQ(rows.id3v2.size(), rows.size());
    ASSERT_EQ(rows.rename.size(), rows.size());

    const std::size_t b = row("b.MP3");
    EXPECT_EQ(rows.rename[b].fileName, "b");
    EXPECT_EQ(rows.rename[b].from, "b.MP3");
    EXPECT_EQ(rows.rename[b].image, kNoImage);
    EXPECT_EQ(rows.id3v1[b].fileName, "b.MP3");
    EXPECT_EQ(rows.id3v2[b].fileName, "b.MP3");
    EXPECT_EQ(rows.files[row("link.mp3")].fileSize, Audio(2).size());  // the target's size
    for (const FileRecord& record : rows.files) {
        EXPECT_EQ(record.marker, "");
        EXPECT_EQ(record.icon, FileIcon::None);
        EXPECT_EQ(record.text(FileColumn::Tag), "");
        EXPECT_EQ(record.text(FileColumn::Time), "");
    }

    NoProgress progress;
    FillRows(rows, genres, progress);
    expectExcluded(row("gone.mp3"));
    EXPECT_EQ(rows.files[row("link.mp3")].icon, FileIcon::None);
    EXPECT_EQ(rows.files[row("link.mp3")].text(FileColumn::Hz), "44100");
}

TEST_F(FileRowsTest, ScanKeepsSizeAndDateBesideTheirTexts) {
    Bytes bytes = Audio(3);
    bytes.resize(1234);
    folder.write("one.mp3", bytes);
    const timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, folder.file("one.mp3").c_str(), times, 0), 0);

    ASSERT_TRUE(ScanFolder(rows, folder.path()));
    ASSERT_EQ(rows.size(), 1u);
    const FileRecord& record = rows.files[0];
    EXPECT_EQ(record.fileSize, 1234u);
    EXPECT_EQ(record.text(FileColumn::FileSize), "1,234");
    EXPECT_EQ(record.modificationTime, 1000000000);
    EXPECT_TRUE(HasDateShape(record.text(FileColumn::FileDate))) << record.text(FileColumn::FileDate);
}

TEST_F(FileRowsTest, UnreadableFolderGivesNoRows) {
    folder.write("a.mp3", Audio());
    ASSERT_TRUE(ScanFolder(rows, folder.path()));
    ASSERT_EQ(rows.size(), 1u);

    EXPECT_FALSE(ScanFolder(rows, folder.path() + "missing/"));
    EXPECT_EQ(rows.size(), 0u);
    EXPECT_TRUE(rows.id3v1.empty() && rows.id3v2.empty() && rows.rename.empty());
    EXPECT_FALSE(ScanFolder(rows, folder.file("a.mp3").string()));  // a file, not a folder
    EXPECT_FALSE(ScanFolder(rows, ""));
}

TEST_F(FileRowsTest, FillsTagsAndStreamFromRealFiles) {
    const auto expected = LoadExpected();
    const std::vector<std::string> fixtures = {"tag_id3v2tool_v23_v1.mp3", "tag_id3v1_only_track.mp3",
                                               "vbr_xing_v2.mp3", "cbr96_32k_info.mp3"};
    for (const std::string& name : fixtures) folder.copyFixture(name, name);
    scanAndFill();

    for (const std::string& name : fixtures) {
        SCOPED_TRACE(name);
        const auto& values = expected.at(name);
        const std::size_t i = row(name);
        const FileRecord& record = rows.files[i];
        const bool v1 = values.at("v1_present") == "1";
        const bool v2 = values.at("v2_length") != "0";
        EXPECT_EQ(record.text(FileColumn::Tag), std::string(v1 ? "v1" : "") + (v2 ? "v2" : ""));
        EXPECT_EQ(rows.id3v1[i].tagMark, v1 ? 1 : 0);
        EXPECT_EQ(rows.id3v2[i].tagMark, v2 ? 1 : 0);
        EXPECT_EQ(record.tagLength, std::stoull(values.at("v2_length")));
        const std::string title = v2 ? values.at("v2_TIT2") : v1 ? values.at("v1_title") : "";
        EXPECT_EQ(record.text(FileColumn::Title), title);
        if (v1) {
            EXPECT_EQ(rows.id3v1[i].tag.title, values.at("v1_title"));
        }
        if (v2) {
            EXPECT_EQ(rows.id3v2[i].tag.album, values.at("v2_TALB"));
        }
        EXPECT_EQ(record.text(FileColumn::CV), values.at("cv"));
        EXPECT_EQ(record.text(FileColumn::Hz), values.at("hz"));
        EXPECT_EQ(record.text(FileColumn::ChanelMode), values.at("mode"));
        EXPECT_NE(record.text(FileColumn::Time), "");
        EXPECT_EQ(record.containerKind, ContainerKind::Plain);
        EXPECT_EQ(record.icon, FileIcon::None);
        EXPECT_FALSE(record.cueMark);
        EXPECT_FALSE(rows.id3v1[i].excluded());
    }
}

TEST_F(FileRowsTest, Id3v2ColumnsWinEvenWhenEmpty) {
    Id3v1Record v1;
    v1.artist = "V1 Artist";
    v1.title = "V1 Title";
    v1.genre = "Rock";
    Bytes bytes = WithTag({test::Id3Frame("TIT2", test::TextBody(0, "V2 Title"))}, Audio());
    Append(bytes, V1Block(v1, genres));
    folder.write("both.mp3", bytes);
    scanAndFill();

    const FileRecord& record = rows.files[0];
    EXPECT_EQ(record.text(FileColumn::Tag), "v1v2");
    EXPECT_EQ(record.text(FileColumn::Title), "V2 Title");
    EXPECT_EQ(record.text(FileColumn::Artist), "");
    EXPECT_EQ(record.text(FileColumn::Genre), "");
    EXPECT_EQ(rows.id3v1[0].tag.artist, "V1 Artist");
    EXPECT_EQ(rows.id3v2[0].tag.title, "V2 Title");
}

struct ContainerCase {
    const char* name;
    Bytes bytes;
    ContainerKind kind;
    FileIcon icon;
    bool cueMark;
    bool stream;
};

Bytes CueGeob() {
    test::ByteBuilder body;
    body.u8(0).text("text").u8(0).text("mp3cue CueSheet").u8(0).u8(0).text("TITLE \"x\"\r\n");
    return test::Id3Frame("GEOB", body);
}

std::vector<ContainerCase> ContainerCases() {
    Bytes pack = test::Id3Tag({test::Id3Frame("TIT2", test::TextBody(0, "Album"))});
    test::ByteBuilder block;
    block.text("Pack").fill(60);
    Append(pack, block);
    Append(pack, Audio());
    Bytes zip = {'P', 'K', 3, 4};
    zip.resize(40);
    Append(zip, Audio());
    Bytes text(3000, 'x');
    return {
        {"pack.mp3", pack, ContainerKind::Pack, FileIcon::Packed, false, true},
        {"zip.mp3", zip, ContainerKind::Zip, FileIcon::Packed, false, true},
        {"wrap.mp3", WithTag({test::Id3Frame("COMM", test::TextBody(0, "AlbumWrap info"))}, Audio()),
         ContainerKind::AlbumWrap, FileIcon::Packed, false, true},
        {"cue.mp3", WithTag({CueGeob()}, Audio()), ContainerKind::Plain, FileIcon::None, true, true},
        {"text.MP3", text, ContainerKind::NoAudio, FileIcon::None, false, false},
        {"empty.mp3", {}, ContainerKind::NoAudio, FileIcon::None, false, false},
    };
}

TEST_F(FileRowsTest, ContainerKindsIconsAndCueMark) {
    const auto cases = ContainerCases();
    for (const ContainerCase& c : cases) folder.write(c.name, c.bytes);
    scanAndFill();
    for (const ContainerCase& c : cases) {
        SCOPED_TRACE(c.name);
        const FileRecord& record = rows.files[row(c.name)];
        EXPECT_EQ(record.containerKind, c.kind);
        EXPECT_EQ(record.icon, c.icon);
        EXPECT_EQ(record.cueMark, c.cueMark);
        EXPECT_EQ(record.text(FileColumn::Time).empty(), !c.stream);
        EXPECT_EQ(record.text(FileColumn::Hz).empty(), !c.stream);
        EXPECT_EQ(record.stream.frames != 0, c.stream);
        EXPECT_FALSE(rows.id3v1[row(c.name)].excluded());
    }
}

TEST_F(FileRowsTest, FileThatCannotBeOpenedKeepsNameSizeAndDate) {
    folder.write("vanishing.mp3", WithTag({test::Id3Frame("TIT2", test::TextBody(0, "T"))}, Audio()));
    std::filesystem::create_symlink("nowhere.mp3", folder.file("dangling.mp3"));
    ASSERT_TRUE(ScanFolder(rows, folder.path()));
    const FileRecord scanned = rows.files[row("vanishing.mp3")];
    std::filesystem::remove(folder.file("vanishing.mp3"));  // gone between the scan and the fill

    NoProgress progress;
    FillRows(rows, genres, progress);
    for (const char* name : {"vanishing.mp3", "dangling.mp3"}) {
        SCOPED_TRACE(name);
        expectExcluded(row(name));
    }
    const FileRecord& record = rows.files[row("vanishing.mp3")];
    EXPECT_EQ(record.text(FileColumn::FileSize), scanned.text(FileColumn::FileSize));
    EXPECT_EQ(record.text(FileColumn::FileDate), scanned.text(FileColumn::FileDate));
    EXPECT_EQ(record.fileSize, scanned.fileSize);
    EXPECT_EQ(rows.rename[row("vanishing.mp3")].from, "vanishing.mp3");
}

TEST_F(FileRowsTest, RefillStartsFromTheRowAsCreated) {
    Id3v1Record v1;
    v1.artist = "Someone";
    Bytes tagged = WithTag({CueGeob(), test::Id3Frame("TPE1", test::TextBody(0, "Artist"))}, Audio());
    Append(tagged, V1Block(v1, genres));
    folder.write("song.mp3", tagged);
    scanAndFill();
    ASSERT_EQ(rows.files[0].text(FileColumn::Tag), "v1v2");
    ASSERT_TRUE(rows.files[0].cueMark);
    rows.files[0].marker = std::string(kMarkerScanned);
    rows.files[0].selected = true;

    // Tags saved away: the file is now plain audio, and smaller.
    folder.write("song.mp3", Audio(5));
    FillRow(rows, 0, genres);
    const FileRecord& record = rows.files[0];
    EXPECT_EQ(record.text(FileColumn::Tag), "");
    EXPECT_EQ(record.text(FileColumn::Artist), "");
    EXPECT_FALSE(record.cueMark);
    EXPECT_EQ(record.tagLength, 0u);
    EXPECT_EQ(record.fileSize, Audio(5).size());
    EXPECT_EQ(record.marker, "");  // the columns hold the estimate again
    EXPECT_TRUE(record.selected);
    EXPECT_EQ(rows.id3v1[0].tagMark, 0);
    EXPECT_EQ(rows.id3v1[0].tag, Id3v1Record{});
    EXPECT_EQ(rows.id3v2[0].tagMark, 0);
    EXPECT_EQ(rows.id3v2[0].tag, Id3v2Record{});

    std::filesystem::remove(folder.file("song.mp3"));
    FillRow(rows, 0, genres);
    expectExcluded(0);

    folder.write("song.mp3", Audio());
    FillRow(rows, 0, genres);
    EXPECT_EQ(rows.files[0].icon, FileIcon::None);
    EXPECT_FALSE(rows.id3v1[0].excluded());
    EXPECT_FALSE(rows.id3v2[0].excluded());
    EXPECT_FALSE(rows.rename[0].excluded());
    EXPECT_EQ(rows.files[0].text(FileColumn::Hz), "44100");
}

// Cancels once a given number of rows have been announced.
class CancelAfterRows final : public Progress {
public:
    explicit CancelAfterRows(std::size_t rowCount) : limit_(rowCount) {}
    bool cancelRequested() const override { return counters.size() >= limit_; }
    void pump() override {}
    void setPanelText(int panel, std::string_view text) override {
        (panel == 0 ? files : counters).emplace_back(text);
    }
    std::vector<std::string> files;
    std::vector<std::string> counters;

private:
    std::size_t limit_;
};

TEST_F(FileRowsTest, FillShowsProgressAndStopsOnCancel) {
    for (const char* name : {"1.mp3", "2.mp3", "3.mp3", "4.mp3"}) folder.write(name, Audio());
    ASSERT_TRUE(ScanFolder(rows, folder.path()));
    CancelAfterRows progress(2);
    FillRows(rows, genres, progress);

    EXPECT_EQ(progress.files, (std::vector<std::string>{"1.mp3", "2.mp3"}));
    EXPECT_EQ(progress.counters, (std::vector<std::string>{"(1/4)", "(2/4)"}));
    EXPECT_NE(rows.files[1].text(FileColumn::Time), "");
    EXPECT_EQ(rows.files[2].text(FileColumn::Time), "");
    EXPECT_EQ(rows.files[3].text(FileColumn::Hz), "");
}

}  // namespace
}  // namespace quilto::core
