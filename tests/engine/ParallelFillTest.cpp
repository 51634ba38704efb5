// Filling rows and listing files on several threads gives what one thread
// gives, over generated, unreadable and hostile files; the pieces that make
// it safe (in-order work, per-thread codecs, the whole-file first read).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/FileRows.h"
#include "core/InOrderWork.h"
#include "core/InputFile.h"
#include "core/TextCodec.h"
#include "support/MpegBuilder.h"
#include "support/TempFolder.h"

namespace quilto::core {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::TempFolder;

// Tagged files of varied shape, some with Shift-JIS texts that go through
// the legacy codec, plus the hostile corpus and files that cannot be opened.
void MakeMixedFolder(const TempFolder& folder, const GenreTable& genres) {
    for (int i = 0; i < 60; ++i) {
        Bytes bytes;
        if (i % 3 != 0) {
            const std::string title = i % 2 ? "\x83\x65\x83\x58\x83\x67 " + std::to_string(i) : "Title " + std::to_string(i);
            bytes = test::Id3Tag({test::Id3Frame("TIT2", test::TextBody(0, title)),
                                  test::Id3Frame("TPE1", test::TextBody(i % 2 ? 1 : 0, "Artist"))});
        }
        test::Append(bytes, test::Frames(test::FrameFields{}, static_cast<std::size_t>(5 + i % 7)));
        if (i % 4 != 0) {
            Id3v1Record v1;
            v1.artist = "\x93\xfa\x96\x7b " + std::to_string(i);
            v1.genre = "Rock";
            const Id3v1Block block = BuildId3v1(v1, genres);
            bytes.insert(bytes.end(), block.bytes.begin(), block.bytes.end());
        }
        folder.write("gen" + std::to_string(i) + ".mp3", bytes);
    }
    for (const auto& entry : std::filesystem::directory_iterator(QUILTO_HOSTILE_DIR)) {
        if (entry.path().extension() == ".mp3") {
            std::filesystem::copy_file(entry.path(), folder.file("hostile_" + entry.path().filename().string()));
        }
    }
    std::filesystem::create_symlink("nowhere.mp3", folder.file("dangling.mp3"));
    std::filesystem::create_symlink("gen1.mp3", folder.file("link.mp3"));
    std::filesystem::create_directory(folder.file("dir.mp3"));
    std::filesystem::create_directory_symlink("dir.mp3", folder.file("dirlink.mp3"));
    ASSERT_EQ(::mkfifo(folder.file("pipe.mp3").c_str(), 0600), 0);
}

void ExpectSameRows(const FolderRows& a, const FolderRows& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        SCOPED_TRACE(a.files[i].fileName());
        const FileRecord& x = a.files[i];
        const FileRecord& y = b.files[i];
        EXPECT_EQ(x.texts, y.texts);
        EXPECT_EQ(x.marker, y.marker);
        EXPECT_EQ(x.icon, y.icon);
        EXPECT_EQ(x.cueMark, y.cueMark);
        EXPECT_EQ(x.containerKind, y.containerKind);
        EXPECT_EQ(x.fileSize, y.fileSize);
        EXPECT_EQ(x.modificationTime, y.modificationTime);
        EXPECT_EQ(x.tagLength, y.tagLength);
        EXPECT_EQ(x.stream.frames, y.stream.frames);
        EXPECT_EQ(x.stream.streamBytes, y.stream.streamBytes);
        EXPECT_EQ(a.id3v1[i].tag, b.id3v1[i].tag);
        EXPECT_EQ(a.id3v1[i].tagMark, b.id3v1[i].tagMark);
        EXPECT_EQ(a.id3v1[i].image, b.id3v1[i].image);
        EXPECT_EQ(a.id3v2[i].tag, b.id3v2[i].tag);
        EXPECT_EQ(a.id3v2[i].tagMark, b.id3v2[i].tagMark);
        EXPECT_EQ(a.id3v2[i].image, b.id3v2[i].image);
        EXPECT_EQ(a.rename[i].fileName, b.rename[i].fileName);
        EXPECT_EQ(a.rename[i].image, b.rename[i].image);
    }
}

TEST(ParallelFill, EveryThreadCountFillsTheSameRows) {
    TempFolder folder;
    const GenreTable genres;
    MakeMixedFolder(folder, genres);
    FolderRows serial;
    ASSERT_TRUE(ScanFolder(serial, folder.path()));
    ASSERT_GT(serial.size(), 100u);
    NoProgress quiet;
    FillRows(serial, genres, quiet, 1);
    ASSERT_EQ(serial.files[0].fileName(), "dangling.mp3");
    EXPECT_EQ(serial.files[0].icon, FileIcon::CannotOpen);

    // The listing without sizes and dates names the same files.
    std::vector<std::string> paths{"before"};
    ASSERT_TRUE(ListFolderFiles(folder.path(), paths));
    ASSERT_EQ(paths.size(), serial.size() + 1);
    for (std::size_t i = 0; i < serial.size(); ++i) EXPECT_EQ(paths[i + 1], serial.path(i));
    EXPECT_FALSE(ListFolderFiles(folder.path() + "missing/", paths));

    for (const unsigned threads : {0u, 2u, 4u}) {
        SCOPED_TRACE(threads);
        FolderRows parallel;
        ASSERT_TRUE(ScanFolder(parallel, folder.path()));
        FillRows(parallel, genres, quiet, threads);
        ExpectSameRows(serial, parallel);
    }
}

class CancelAfter final : public Progress {
public:
    explicit CancelAfter(int rows) : limit(rows) {}
    bool cancelRequested() const override { return announced >= limit; }
    void pump() override {}
    void setPanelText(int panel, std::string_view) override { announced += panel == 0; }
    int limit;
    int announced = 0;
};

// Helpers read ahead, but rows are filled in order on the calling thread: a
// Cancel leaves exactly the rows before it filled, each one whole.
TEST(ParallelFill, CancelLeavesTheRowsBeforeItFilledAndTheRestUntouched) {
    TempFolder folder;
    const GenreTable genres;
    for (int i = 0; i < 1000; ++i) folder.write("f" + std::to_string(i) + ".mp3", test::Frames(test::FrameFields{}, 8));
    for (const int limit : {0, 3, 500}) {
        SCOPED_TRACE(limit);
        FolderRows rows;
        ASSERT_TRUE(ScanFolder(rows, folder.path()));
        CancelAfter progress(limit);
        FillRows(rows, genres, progress, 2);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const FileRecord& record = rows.files[i];
            const bool hasTime = !record.text(FileColumn::Time).empty();
            EXPECT_EQ(hasTime, !record.text(FileColumn::Hz).empty()) << record.fileName();
            EXPECT_EQ(hasTime, i < static_cast<std::size_t>(limit)) << record.fileName();
        }
    }
}

// The window may open another folder while the fill pumps its events: the
// fill stops and writes nothing into the new rows.
TEST(ParallelFill, RowsReplacedWhileItPumpsStopTheFill) {
    TempFolder first, second;
    const GenreTable genres;
    for (int i = 0; i < 300; ++i) {
        first.write("f" + std::to_string(i) + ".mp3", test::Frames(test::FrameFields{}, 8));
        second.write("f" + std::to_string(i) + ".mp3", test::Frames(test::FrameFields{}, 8));
    }
    class Replacing final : public Progress {
    public:
        Replacing(FolderRows& rows, std::function<void(FolderRows&)> replace) : rows_(rows), replace_(std::move(replace)) {}
        bool cancelRequested() const override { return false; }
        void pump() override {
            if (replace_) std::exchange(replace_, nullptr)(rows_);
        }

    private:
        FolderRows& rows_;
        std::function<void(FolderRows&)> replace_;
    };
    const std::pair<const char*, std::function<void(FolderRows&)>> cases[] = {
        {"emptied", [](FolderRows& rows) { rows.clear(); }},
        {"another folder of as many files", [&](FolderRows& rows) { ASSERT_TRUE(ScanFolder(rows, second.path())); }},
    };
    for (const auto& [name, replace] : cases) {
        SCOPED_TRACE(name);
        FolderRows rows;
        ASSERT_TRUE(ScanFolder(rows, first.path()));
        Replacing progress(rows, replace);
        FillRows(rows, genres, progress, 2);
        for (const FileRecord& record : rows.files) EXPECT_TRUE(record.text(FileColumn::Time).empty()) << record.fileName();
    }
}

struct InOrderCase {
    unsigned threads;
    std::size_t window;
    std::size_t count;
};

class InOrder : public ::testing::TestWithParam<InOrderCase> {};

TEST_P(InOrder, ConsumesEveryItemInOrderWithABoundedWindow) {
    const auto [threads, window, count] = GetParam();
    std::atomic<std::size_t> produced{0};
    std::size_t consumed = 0;
    std::size_t mostWaiting = 0;
    ProduceInOrder<std::size_t>(
        count, threads, window,
        [&](std::size_t i) {
            // Uneven work, so that later items often finish first.
            if (i % 5 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
            ++produced;
            return i * 3;
        },
        [&](std::size_t i, std::size_t value) {
            EXPECT_EQ(i, consumed);
            EXPECT_EQ(value, i * 3);
            ++consumed;
            mostWaiting = std::max(mostWaiting, produced.load() - consumed);
        });
    EXPECT_EQ(consumed, count);
    EXPECT_EQ(produced.load(), count);
    // Started but not yet consumed: never more than the window.
    EXPECT_LE(mostWaiting, window);
}

INSTANTIATE_TEST_SUITE_P(Shapes, InOrder,
                         ::testing::Values(InOrderCase{1, 4, 50}, InOrderCase{2, 1, 50}, InOrderCase{2, 3, 200},
                                           InOrderCase{4, 16, 500}, InOrderCase{4, 8, 0}, InOrderCase{3, 64, 1}));

TEST(InOrder, FirstFailureOfEitherSideStopsAndReachesTheCaller) {
    for (const bool inProduce : {true, false}) {
        SCOPED_TRACE(inProduce);
        std::size_t consumed = 0;
        EXPECT_THROW(ProduceInOrder<int>(
                         1000, 2, 8,
                         [&](std::size_t i) {
                             if (inProduce && i == 30) throw std::runtime_error("bad file");
                             return static_cast<int>(i);
                         },
                         [&](std::size_t i, int) {
                             if (!inProduce && i == 30) throw std::runtime_error("write failed");
                             ++consumed;
                         }),
                     std::runtime_error);
        EXPECT_EQ(consumed, 30u);
    }
}

TEST(LegacyCodecThreads, EachThreadDecodesWithTheCodePageChosenLast) {
    const std::string bytes = "\x83\x65\x83\x58\x83\x67";  // "テスト" in CP932
    const std::string expected = "\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88";
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) wrong += LegacyCodec().decode(bytes) != expected;
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(wrong.load(), 0);

    // A thread that has its codec already sees a later choice too.
    const TextCodec* before = nullptr;
    std::string decodedAfter;
    std::thread worker([&] {
        before = &LegacyCodec();
        EXPECT_EQ(before->codePage(), "CP932");
        SetLegacyCodePage("CP1252");
        decodedAfter = LegacyCodec().decode("\xe9");
    });
    worker.join();
    EXPECT_EQ(decodedAfter, "\xc3\xa9");
    EXPECT_EQ(LegacyCodec().codePage(), "CP1252");
    SetLegacyCodePage("no such page");  // falls back as a fresh codec does
    EXPECT_EQ(LegacyCodec().codePage(), "CP932");
    SetLegacyCodePage("CP932");
}

// A small file's first read holds it whole, so reads anywhere in it come
// from memory; they must give the file's bytes wherever the window ends.
TEST(InputFileWindow, ReadsAgreeWithTheFileAroundTheWholeFileLimit) {
    TempFolder folder;
    for (const std::size_t size : {std::size_t{10}, std::size_t{200}, std::size_t{32 * 1024}, std::size_t{32 * 1024 + 1},
                                   std::size_t{70000}}) {
        SCOPED_TRACE(size);
        Bytes bytes(size);
        for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
        folder.write("f.bin", bytes);
        auto file = InputFile::Open(folder.file("f.bin").string());
        ASSERT_TRUE(file);
        std::uint8_t head[10];
        ASSERT_EQ(file->read(head, sizeof head), std::min<std::size_t>(size, sizeof head));
        const std::vector<std::pair<std::uint64_t, std::size_t>> ranges = {
            {size > 128 ? size - 128 : 0, 128}, {size / 2, 5000}, {0, size + 10}, {16 * 1024 - 3, 9}, {size, 4}};
        for (const auto& [offset, n] : ranges) {
            const Bytes got = file->readBytesAt(offset, n);
            const std::size_t expectedSize = offset >= size ? 0 : std::min<std::size_t>(n, size - offset);
            ASSERT_EQ(got.size(), expectedSize) << offset;
            EXPECT_TRUE(std::equal(got.begin(), got.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset))) << offset;
        }
        file->seek(size > 20 ? size - 20 : 0);
        std::uint8_t tail[20];
        const std::size_t got = file->read(tail, sizeof tail);
        EXPECT_TRUE(std::equal(tail, tail + got, bytes.end() - static_cast<std::ptrdiff_t>(got)));
    }
}

}  // namespace
}  // namespace quilto::core
