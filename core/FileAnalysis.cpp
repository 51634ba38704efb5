#include "core/FileAnalysis.h"

#include <algorithm>
#include <filesystem>

#include "core/FrameScan.h"
#include "core/Id3v2Reader.h"
#include "core/InputFile.h"

namespace quilto::core {

FileAnalysis AnalyseFile(const std::string& path, ScanDepth depth, const GenreTable& genres, Progress& progress) {
    FileAnalysis result;
    result.path = path;
    result.fileName = std::filesystem::path(path).filename().string();
    auto file = InputFile::Open(path, &result.error);
    if (!file) return result;
    result.opened = true;
    result.fileSize = file->size();
    result.modificationTime = file->modificationTime();

    if (file->size() >= kId3v1Size) {
        const Bytes block = file->readBytesAt(file->size() - kId3v1Size, kId3v1Size);
        Id3v1Record v1;
        if (ReadId3v1(block, &v1, genres)) result.id3v1 = std::move(v1);
    }

    const Bytes header = file->readBytesAt(0, kId3v2HeaderSize);
    result.tagLength = TagLength(header);
    if (result.tagLength != 0) {
        const auto readable = std::min({result.tagLength, file->size(), kMaxTagRead});
        const Bytes tag = file->readBytesAt(0, static_cast<std::size_t>(readable));
        Id3v2Record v2;
        result.hasCue = ReadId3v2(tag, v2, genres);
        if (v2.albumWrap) result.containerKind = ContainerKind::AlbumWrap;
        result.id3v2 = std::move(v2);
    }

    file->seek(result.tagLength);
    result.containerKind = FindFirstFrame(*file, result.containerKind);
    if (result.containerKind == ContainerKind::NoAudio) return result;
    if (depth == ScanDepth::Quick) {
        result.stream = QuickFrameScan(*file);
    } else {
        // The frame scan searches from behind the tag without the container
        // detection, as the "Frame Scan" command does.
        file->seek(result.tagLength);
        FindFirstFrame(*file, ContainerKind::NoAudio);
        result.stream = FullFrameScan(*file, 0, true, progress);
    }
    return result;
}

}  // namespace quilto::core
