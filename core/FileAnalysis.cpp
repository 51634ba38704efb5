#include "core/FileAnalysis.h"

#include <algorithm>
#include <array>
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

    // Header and tag through the file's window: its first fill holds both and
    // the first frame behind a tag without a picture, saving a system call
    // each (bench/README.md).
    std::array<std::uint8_t, kId3v2HeaderSize> header{};
    result.tagLength = TagLength(ByteView(header.data(), file->read(header.data(), header.size())));

    // After the first fill, which holds a small file whole and so the ID3v1
    // block too.
    if (file->size() >= kId3v1Size) {
        const Bytes block = file->readBytesAt(file->size() - kId3v1Size, kId3v1Size);
        Id3v1Record v1;
        if (ReadId3v1(block, &v1, genres)) result.id3v1 = std::move(v1);
    }

    if (result.tagLength != 0) {
        const auto readable = std::min({result.tagLength, file->size(), kMaxTagRead});
        Bytes tag(static_cast<std::size_t>(readable));
        file->seek(0);
        tag.resize(file->read(tag.data(), tag.size()));
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
        result.stream = FullScanBehindTag(*file, result.tagLength, progress);
    }
    return result;
}

StreamColumns FullScanBehindTag(InputFile& file, std::uint64_t tagLength, Progress& progress) {
    file.seek(tagLength);
    FindFirstFrame(file, ContainerKind::NoAudio);
    return FullFrameScan(file, 0, true, progress);
}

StreamColumns FullScanBehindTag(InputFile& file, std::uint64_t tagLength, Progress& progress, FrameSeries& series) {
    file.seek(tagLength);
    FindFirstFrame(file, ContainerKind::NoAudio);
    return FullFrameScan(file, 0, true, progress, series);
}

}  // namespace quilto::core

namespace quilto::core {

std::optional<StreamColumns> RecordFileStream(const std::string& path, Progress& progress, FrameSeries& series,
                                              std::string* error) {
    auto file = InputFile::Open(path, error);
    if (!file) return std::nullopt;
    const std::uint64_t tagLength = TagLength(file->readBytesAt(0, kId3v2HeaderSize));
    progress.setBytesToDo(file->size());
    StreamColumns columns = FullScanBehindTag(*file, tagLength, progress, series);
    progress.setBytesDone(file->size());
    return columns;
}

}  // namespace quilto::core
