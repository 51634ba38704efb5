// Everything the file list shows about one MP3 file: both tags, the container
// kind and the stream columns, read the way the list filler reads them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/ContainerKind.h"
#include "core/GenreTable.h"
#include "core/Id3v1.h"
#include "core/Id3v2Record.h"
#include "core/InputFile.h"
#include "core/Progress.h"
#include "core/StreamColumns.h"

namespace quilto::core {

class FrameSeries;

// The largest head tag read into memory; a stored size beyond the file or
// this cap is not trusted further.
inline constexpr std::uint64_t kMaxTagRead = 64ull << 20;

enum class ScanDepth {
    Quick,  // estimate from the first frame (filling the list)
    Full,   // walk every frame (the "Frame Scan" command)
};

struct FileAnalysis {
    std::string path;
    std::string fileName;
    std::uint64_t fileSize = 0;
    std::int64_t modificationTime = 0;
    bool opened = false;
    std::string error;  // why the file could not be opened

    std::optional<Id3v1Record> id3v1;
    std::optional<Id3v2Record> id3v2;
    std::uint64_t tagLength = 0;  // length of the head ID3v2 tag, 0 without one
    ContainerKind containerKind = ContainerKind::Plain;
    bool hasCue = false;
    StreamColumns stream;
};

// Reads a file's tags and detects its container kind, then measures the
// stream at the given depth. A file that cannot be opened comes back with
// opened false and the reason; nothing else is filled.
FileAnalysis AnalyseFile(const std::string& path, ScanDepth depth, const GenreTable& genres,
                         Progress& progress);

// The "Frame Scan" walk of a file: from behind its head tag, without the
// container detection, to the end, other bit rates shown apart.
StreamColumns FullScanBehindTag(InputFile& file, std::uint64_t tagLength, Progress& progress);

// The same walk recording the frames into series.
StreamColumns FullScanBehindTag(InputFile& file, std::uint64_t tagLength, Progress& progress, FrameSeries& series);

// Opens a file and records its "Frame Scan" walk into series; nothing, and the
// system's reason in error, when it cannot be opened.
std::optional<StreamColumns> RecordFileStream(const std::string& path, Progress& progress, FrameSeries& series,
                                              std::string* error = nullptr);

}  // namespace quilto::core
