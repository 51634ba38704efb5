// The "Frame Scan" command over the file list.
#include "core/FrameScanCommand.h"

#include <array>
#include <optional>
#include <vector>

#include "core/FileAnalysis.h"
#include "core/Id3v2Reader.h"
#include "core/InputFile.h"

namespace quilto::core {

namespace {

bool IsChosen(const FileRecord& record, FrameScanVariant variant) {
    switch (variant) {
        case FrameScanVariant::Pack: return record.icon != FileIcon::None;
        case FrameScanVariant::UnPack: return record.icon == FileIcon::None;
        case FrameScanVariant::Vbr: return record.text(FileColumn::CV) == "VBR";
        case FrameScanVariant::Select: return record.selected;
        case FrameScanVariant::All: return true;
    }
    return false;
}

// The full walk from behind the head tag, without the container detection.
// Nothing when the file cannot be opened.
std::optional<StreamColumns> ScanFile(const std::string& path, std::uint64_t& tagLength, Progress& progress) {
    auto file = InputFile::Open(path);
    if (!file) return std::nullopt;
    std::array<std::uint8_t, kId3v2HeaderSize> header{};
    tagLength = TagLength(ByteView(header.data(), file->read(header.data(), header.size())));
    return FullScanBehindTag(*file, tagLength, progress);
}

}  // namespace

FrameScanResult FrameScanCommand(FolderRows& rows, FrameScanVariant variant, Progress& progress,
                                 FrameScanObserver* observer) {
    FrameScanObserver quiet;
    FrameScanObserver& watch = observer ? *observer : quiet;
    progress.setCaption("Frame Scan ...");

    // Chosen before anything changes the selection, so "Select" means the
    // rows selected when the command was given.
    FrameScanResult result;
    for (FileRecord& record : rows.files) {
        if (!IsChosen(record, variant)) continue;
        record.marker.insert(0, kMarkerChosen);
        ++result.chosen;
    }
    watch.scanStarting(result.chosen, rows.size());
    std::uint64_t bytesToDo = 0;
    for (const FileRecord& record : rows.files)
        if (record.marker == kMarkerChosen) bytesToDo += record.fileSize;
    progress.setBytesToDo(bytesToDo);
    std::uint64_t bytesDone = 0;

    const std::string total = "/" + std::to_string(result.chosen) + ")";
    // A file's walk pumps only once it has run for a while, so a run over many
    // short files pumps between them: a row is slow enough to look at the
    // clock after each one.
    ProgressPacer pump(progress, 1);
    std::size_t reached = 0;  // chosen rows met so far, skipped ones included
    for (std::size_t row = 0; row < rows.size() && !result.cancelled; ++row) {
        FileRecord& record = rows.files[row];
        if (record.marker.empty() || record.marker[0] != kMarkerChosen[0]) continue;
        ++reached;
        if (record.marker != kMarkerChosen) continue;  // scanned by an earlier run

        record.selected = true;
        watch.rowStarting(row, reached, result.chosen);
        progress.setPanelText(0, record.fileName());
        progress.setPanelText(1, "(" + std::to_string(reached) + total);
        std::uint64_t tagLength = 0;
        const std::optional<StreamColumns> scanned = ScanFile(rows.path(row), tagLength, progress);
        // The walk reported the frames it passed; the tags and the rest count too.
        bytesDone += record.fileSize;
        progress.setBytesDone(bytesDone);
        if (!scanned) {
            record.icon = FileIcon::CannotOpen;
            record.selected = false;
            pump.step();
            continue;
        }
        if (progress.cancelRequested()) {
            // The walk stopped part-way: its counts are not the file's.
            result.cancelled = true;
            break;
        }
        for (std::size_t i = 0; i < kStreamColumnCount; ++i) {
            record.texts[static_cast<std::size_t>(FileColumn::Time) + i] = scanned->texts[i];
        }
        record.stream = scanned->info;
        record.tagLength = tagLength;
        record.selected = false;
        watch.rowFinished(row);
        pump.step();
    }

    const std::string_view finalMarker = result.cancelled ? std::string_view() : kMarkerScanned;
    for (FileRecord& record : rows.files) {
        if (record.marker.empty() || record.marker == kMarkerScanned) continue;
        record.marker = finalMarker;
        record.selected = true;
    }
    return result;
}

}  // namespace quilto::core
