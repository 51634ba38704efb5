// The rows of the current folder: one FileRecord per MP3 file, and beside it,
// at the same index, its row in the ID3v1, ID3v2 and rename lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/ContainerKind.h"
#include "core/FileColumns.h"
#include "core/GenreTable.h"
#include "core/Id3v1.h"
#include "core/Id3v2Record.h"
#include "core/Progress.h"
#include "core/StreamColumns.h"

namespace quilto::core {

enum class FileIcon { None = -1, Packed = 1, CannotOpen = 2 };

// Marker of the narrow first column, recording the frame scan's progress.
inline constexpr std::string_view kMarkerChosen = ">";
inline constexpr std::string_view kMarkerChosenScanned = "> ";
inline constexpr std::string_view kMarkerScanned = " ";

// Images and marks of the tag and rename rows.
inline constexpr int kNoImage = -1;
inline constexpr int kEditedImage = 2;    // changed, waiting to be saved or applied
inline constexpr int kExcludedImage = 3;  // the file could not be opened: no command touches it

struct FileRecord {
    std::string marker;
    FileIcon icon = FileIcon::None;
    bool cueMark = false;  // the ID3v2 tag carries the embedded cue sheet
    ContainerKind containerKind = ContainerKind::Plain;
    bool selected = false;
    FileColumnTexts texts;

    // The numbers behind the texts, so nothing parses a display text back.
    std::uint64_t fileSize = 0;
    std::int64_t modificationTime = 0;
    std::uint64_t tagLength = 0;  // head ID3v2 tag, 0 without one
    StreamInfo stream;           // frames 0 while the stream columns are empty

    const std::string& text(FileColumn column) const { return texts[static_cast<std::size_t>(column)]; }
    std::string& text(FileColumn column) { return texts[static_cast<std::size_t>(column)]; }
    const std::string& fileName() const { return text(FileColumn::FileName); }
    // Play time of the Time column in seconds (0 while it is empty).
    std::uint64_t playSeconds() const { return StreamSeconds(stream); }
};

struct Id3v1Row {
    std::string fileName;
    Id3v1Record tag;
    int tagMark = 0;  // 1: the file has, or is to get, an ID3v1 tag
    int image = kNoImage;
    bool excluded() const { return image == kExcludedImage; }
};

struct Id3v2Row {
    std::string fileName;
    Id3v2Record tag;
    int tagMark = 0;
    int image = kNoImage;
    bool excluded() const { return image == kExcludedImage; }
};

struct RenameRow {
    std::string fileName;  // without its extension; the format tab writes new names here
    std::string replaceConvert;
    std::string message;
    std::string from;  // the current name with extension
    std::string to;
    int stateImage = kNoImage;
    int image = kNoImage;
    bool excluded() const { return image == kExcludedImage; }
};

// Four lists of equal length: row i of each describes file i. Append and
// reorder only through the members below, which keep them parallel.
class FolderRows {
public:
    std::string folder;  // ends with "/"
    std::vector<FileRecord> files;
    std::vector<Id3v1Row> id3v1;
    std::vector<Id3v2Row> id3v2;
    std::vector<RenameRow> rename;

    std::size_t size() const { return files.size(); }
    void clear();
    // Adds a file row with its three companion rows as created.
    void append(FileRecord record);
    // Reorders all four lists: row p of the result is row order[p] before.
    void reorder(const std::vector<std::size_t>& order);
    std::string path(std::size_t row) const { return folder + files[row].fileName(); }
};

// Rebuilds the rows for a folder: its "*.mp3" files (any letter case; regular
// files and links to them, plus links that lead nowhere, which then show as
// files that cannot be opened; no directories, FIFOs or devices) with
// FileName, FileSize and FileDate, all else empty. Names in ASCII-case-folded
// byte order, names equal but for case by their bytes. Returns false when the
// folder cannot be read (the rows are then empty).
bool ScanFolder(FolderRows& rows, const std::string& folder);

// The paths of the files ScanFolder would list, in its order, appended to
// paths; without their sizes and dates, which saves a stat per file. False
// when the folder cannot be read.
bool ListFolderFiles(const std::string& folder, std::vector<std::string>& paths);

// Reads both tags and estimates the stream of one row; a file that cannot be
// opened gets the cannot-open icon and excluded companion rows. Also a
// refresh: the row's tag and stream columns, icon, marks and marker and its
// companion rows start again as created; size and date are read anew.
void FillRow(FolderRows& rows, std::size_t row, const GenreTable& genres);

// FillRow for every row in order, pumping the progress about every 50 ms;
// panel 0 shows a file, panel 1 the count. Stops early on Cancel, or when the
// rows were replaced while it pumped. threads 0 reads the files on the
// machine's cores (up to four), 1 on the calling thread alone. Only the
// calling thread touches the rows and the progress, so the window may read
// every row while it pumps; a row is either as created or completely filled,
// and the filled rows are a prefix.
void FillRows(FolderRows& rows, const GenreTable& genres, Progress& progress, unsigned threads = 0);

}  // namespace quilto::core
