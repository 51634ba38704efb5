// Building the four parallel lists of a folder and filling them from the files.
#include "core/FileRows.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <utility>

#include "core/AsciiCase.h"
#include "core/FileAnalysis.h"
#include "core/FileDate.h"
#include "core/InOrderWork.h"
#include "core/NumberText.h"

namespace quilto::core {

namespace {

Id3v1Row NewId3v1Row(const std::string& fileName) {
    Id3v1Row row;
    row.fileName = fileName;
    return row;
}

Id3v2Row NewId3v2Row(const std::string& fileName) {
    Id3v2Row row;
    row.fileName = fileName;
    return row;
}

RenameRow NewRenameRow(const std::string& fileName) {
    RenameRow row;
    const std::size_t dot = fileName.rfind('.');
    row.fileName = dot == std::string::npos ? fileName : fileName.substr(0, dot);
    row.from = fileName;
    return row;
}

bool HasMp3Extension(std::string_view name) {
    constexpr std::string_view kExtension = ".mp3";
    if (name.size() < kExtension.size()) return false;
    const std::string_view tail = name.substr(name.size() - kExtension.size());
    return std::equal(tail.begin(), tail.end(), kExtension.begin(),
                      [](char a, char b) { return FoldAscii(a) == b; });
}

// Folder order: letter case does not separate "a.mp3" from "B.mp3"; names
// that differ only in case still come in a fixed order, by their bytes.
bool NameLess(const std::string& a, const std::string& b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(FoldAscii(a[i]));
        const auto y = static_cast<unsigned char>(FoldAscii(b[i]));
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;  // std::string compares bytes as unsigned
}

struct FolderEntry {
    std::string name;
    std::uint64_t size = 0;
    std::int64_t modificationTime = 0;
};

// The entry when it belongs in the list: a regular file, a link to one, or a
// link that leads nowhere (listed so that the user sees it cannot be opened).
// Directories are excluded as the pattern match excludes them; FIFOs, sockets
// and devices too, since opening a FIFO blocks until a writer comes.
// Without withInfo a regular file needs no stat: its name is all a caller
// wants, and the stat per file was a tenth of a quick listing's time.
std::optional<FolderEntry> ListedEntry(int folderFd, const char* name, unsigned char type, bool withInfo) {
    if (type == DT_DIR || type == DT_FIFO || type == DT_SOCK || type == DT_CHR || type == DT_BLK) return std::nullopt;
    if (type == DT_REG && !withInfo) return FolderEntry{name, 0, 0};
    struct stat info {};
    if (::fstatat(folderFd, name, &info, 0) == 0) {
        if (!S_ISREG(info.st_mode)) return std::nullopt;
        return FolderEntry{name, static_cast<std::uint64_t>(info.st_size), info.st_mtim.tv_sec};
    }
    if (::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode)) {
        return FolderEntry{name, 0, info.st_mtim.tv_sec};
    }
    return std::nullopt;
}

// Everything FillRow writes, so that a refresh starts from the row as created.
void ResetFilledColumns(FileRecord& record) {
    record.marker.clear();  // a " " would claim a full scan the refilled columns no longer show
    record.icon = FileIcon::None;
    record.cueMark = false;
    record.containerKind = ContainerKind::Plain;
    record.tagLength = 0;
    record.stream = StreamInfo{};
    for (std::size_t i = static_cast<std::size_t>(FileColumn::Tag); i < kFileColumnCount; ++i) record.texts[i].clear();
}

// The listed entries of a folder ending in "/", in folder order.
bool ReadFolder(const std::string& folder, bool withInfo, std::vector<FolderEntry>& entries) {
    DIR* directory = ::opendir(folder.c_str());
    if (directory == nullptr) return false;
    const int folderFd = ::dirfd(directory);
    bool failed = false;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(directory);
        if (entry == nullptr) {
            failed = errno != 0;
            break;
        }
        if (!HasMp3Extension(entry->d_name)) continue;
        if (auto listed = ListedEntry(folderFd, entry->d_name, entry->d_type, withInfo)) {
            entries.push_back(std::move(*listed));
        }
    }
    ::closedir(directory);
    if (failed) return false;
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return NameLess(a.name, b.name); });
    return true;
}

}  // namespace

void FolderRows::clear() {
    files.clear();
    id3v1.clear();
    id3v2.clear();
    rename.clear();
}

void FolderRows::append(FileRecord record) {
    const std::string& name = record.fileName();
    id3v1.push_back(NewId3v1Row(name));
    id3v2.push_back(NewId3v2Row(name));
    rename.push_back(NewRenameRow(name));
    files.push_back(std::move(record));
}

void FolderRows::reorder(const std::vector<std::size_t>& order) {
    const std::size_t n = files.size();
    if (order.size() != n || id3v1.size() != n || id3v2.size() != n || rename.size() != n) {
        throw std::invalid_argument("FolderRows::reorder: lists and order differ in length");
    }
    std::vector<bool> seen(n, false);
    for (const std::size_t index : order) {
        if (index >= n || seen[index]) throw std::invalid_argument("FolderRows::reorder: not a permutation");
        seen[index] = true;
    }
    auto apply = [&order](auto& list) {
        std::remove_reference_t<decltype(list)> sorted;
        sorted.reserve(list.size());
        for (const std::size_t index : order) sorted.push_back(std::move(list[index]));
        list = std::move(sorted);
    };
    apply(files);
    apply(id3v1);
    apply(id3v2);
    apply(rename);
}

bool ScanFolder(FolderRows& rows, const std::string& folder) {
    rows.clear();
    rows.folder = folder;
    if (rows.folder.empty()) return false;
    if (rows.folder.back() != '/') rows.folder += '/';

    std::vector<FolderEntry> entries;
    if (!ReadFolder(rows.folder, true, entries)) return false;
    rows.files.reserve(entries.size());
    rows.id3v1.reserve(entries.size());
    rows.id3v2.reserve(entries.size());
    rows.rename.reserve(entries.size());
    for (FolderEntry& entry : entries) {
        FileRecord record;
        record.text(FileColumn::FileName) = std::move(entry.name);
        record.text(FileColumn::FileSize) = GroupThousands(entry.size);
        record.text(FileColumn::FileDate) = FormatFileDate(entry.modificationTime);
        record.fileSize = entry.size;
        record.modificationTime = entry.modificationTime;
        rows.append(std::move(record));
    }
    return true;
}

bool ListFolderFiles(const std::string& folder, std::vector<std::string>& paths) {
    std::string prefix = folder;
    if (prefix.empty()) return false;
    if (prefix.back() != '/') prefix += '/';
    std::vector<FolderEntry> entries;
    if (!ReadFolder(prefix, false, entries)) return false;
    paths.reserve(paths.size() + entries.size());
    for (const FolderEntry& entry : entries) paths.push_back(prefix + entry.name);
    return true;
}

namespace {

// What one row is filled with; read on any thread.
struct RowFill {
    FileAnalysis analysis;
    FileColumnTexts texts;
};

// The quick estimate reads one frame and never pumps or cancels.
RowFill ReadRow(const std::string& path, const GenreTable& genres) {
    NoProgress quiet;
    RowFill fill{AnalyseFile(path, ScanDepth::Quick, genres, quiet), {}};
    if (fill.analysis.opened) fill.texts = MakeFileColumnTexts(fill.analysis);
    return fill;
}

// Puts one file's analysis into its row and companion rows, all as created
// before.
void ApplyRow(FolderRows& rows, std::size_t row, RowFill fill) {
    FileAnalysis& analysis = fill.analysis;
    FileRecord& record = rows.files.at(row);
    ResetFilledColumns(record);
    const std::string& name = record.fileName();
    rows.id3v1.at(row) = NewId3v1Row(name);
    rows.id3v2.at(row) = NewId3v2Row(name);
    rows.rename.at(row) = NewRenameRow(name);

    if (!analysis.opened) {
        record.icon = FileIcon::CannotOpen;
        rows.id3v1[row].image = kExcludedImage;
        rows.id3v2[row].image = kExcludedImage;
        rows.rename[row].image = kExcludedImage;
        return;
    }

    // Size and date as they are now: a refresh follows tag saving, which
    // changes both.
    for (std::size_t i = static_cast<std::size_t>(FileColumn::FileSize); i < kFileColumnCount; ++i) {
        record.texts[i] = std::move(fill.texts[i]);
    }
    record.fileSize = analysis.fileSize;
    record.modificationTime = analysis.modificationTime;

    if (analysis.id3v1) {
        rows.id3v1[row].tag = std::move(*analysis.id3v1);
        rows.id3v1[row].tagMark = 1;
    }
    if (analysis.id3v2) {
        rows.id3v2[row].tag = std::move(*analysis.id3v2);
        rows.id3v2[row].tagMark = 1;
        record.cueMark = analysis.hasCue;
    }
    record.tagLength = analysis.tagLength;
    record.containerKind = analysis.containerKind;
    if (IsPackedKind(record.containerKind)) record.icon = FileIcon::Packed;
    record.stream = analysis.stream.info;
}

// Below this many rows a helper thread costs more than it saves.
constexpr std::size_t kRowsForHelpers = 32;
// Rows are read in batches, so that handing them between threads costs
// little beside the reading; at most kBatchesAhead wait to be filled in.
constexpr std::size_t kRowsPerBatch = 8;
constexpr std::size_t kBatchesAhead = 32;

// Thrown by the filling step to end the fill early.
struct FillStopped {};

}  // namespace

void FillRow(FolderRows& rows, std::size_t row, const GenreTable& genres) {
    ApplyRow(rows, row, ReadRow(rows.path(row), genres));
}

void FillRows(FolderRows& rows, const GenreTable& genres, Progress& progress, unsigned threads) {
    // As with one thread: a Cancel already pending fills nothing.
    if (progress.cancelRequested()) return;
    const std::size_t count = rows.size();
    if (count < kRowsForHelpers) threads = 1;
    // Helpers read the files from their own copy of the names and never touch
    // the rows, which the window may read or replace while it pumps.
    const std::string folder = rows.folder;
    std::vector<std::string> names(count);
    for (std::size_t i = 0; i < count; ++i) names[i] = rows.files[i].fileName();

    const std::string total = "/" + std::to_string(count) + ")";
    // The first pump after the first 64 rows, more than a screenful: the
    // window shows filled rows at once, not after a whole interval.
    ProgressPacer pacer(progress, 64, std::chrono::milliseconds(50), std::chrono::milliseconds(0));
    try {
        const std::size_t batches = (count + kRowsPerBatch - 1) / kRowsPerBatch;
        auto rowsOf = [&](std::size_t batch) {
            return std::pair(batch * kRowsPerBatch, std::min(count, (batch + 1) * kRowsPerBatch));
        };
        ProduceInOrder<std::vector<RowFill>>(
            batches, threads, kBatchesAhead,
            [&](std::size_t batch) {
                std::vector<RowFill> fills;
                const auto [begin, end] = rowsOf(batch);
                fills.reserve(end - begin);
                for (std::size_t i = begin; i < end; ++i) fills.push_back(ReadRow(folder + names[i], genres));
                return fills;
            },
            [&](std::size_t batch, std::vector<RowFill> fills) {
                for (std::size_t i = rowsOf(batch).first, k = 0; k < fills.size(); ++i, ++k) {
                    // The window's events may have replaced the rows (another folder).
                    if (pacer.cancelled() || rows.size() != count || rows.folder != folder ||
                        rows.files[i].fileName() != names[i]) {
                        throw FillStopped{};
                    }
                    progress.setPanelText(0, rows.files[i].fileName());
                    progress.setPanelText(1, "(" + std::to_string(i + 1) + total);
                    ApplyRow(rows, i, std::move(fills[k]));
                    pacer.step();
                }
            });
    } catch (const FillStopped&) {
    }
}

}  // namespace quilto::core
