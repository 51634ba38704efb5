#include "pack/PackedRows.h"

#include "core/FileDate.h"
#include "core/InputFile.h"
#include "core/NumberText.h"
#include "pack/DosDateTime.h"
#include "pack/TrackTags.h"

namespace quilto::pack {

namespace {

using core::FileColumn;

// Album, №, Year and Genre from a tag; Artist and Title too unless the pack
// directory already named the track.
void SetTagColumns(core::FileRecord& record, bool namesFromTag, const std::string& artist, const std::string& title,
                   const std::string& album, const std::string& track, const std::string& year,
                   const std::string& genre) {
    if (namesFromTag) {
        record.text(FileColumn::Artist) = artist;
        record.text(FileColumn::Title) = title;
    }
    record.text(FileColumn::Album) = album;
    record.text(FileColumn::Track) = track;
    record.text(FileColumn::Year) = year;
    record.text(FileColumn::Genre) = genre;
}

}  // namespace

PackedRows FillPackedRows(core::FolderRows& rows, const std::string& path, core::ContainerKind kind,
                          const core::GenreTable& genres, core::Progress& progress, const core::TextCodec& codec) {
    PackedRows result;
    rows.clear();
    rows.folder = path + "/";
    std::optional<core::InputFile> file = core::InputFile::Open(path);
    if (!file) return result;
    result.opened = true;

    StoredTracks stored = ListStoredTracks(*file, kind, HeadTagSize(*file), codec);
    if (kind == core::ContainerKind::Pack) result.albumTitle = stored.albumTitle;
    const bool namesFromTags = kind != core::ContainerKind::Pack;

    for (std::size_t i = 0; i < stored.tracks.size(); ++i) {
        StoredTrack& track = stored.tracks[i];
        const TrackSpan span = track.span;
        core::FileRecord record;
        record.text(FileColumn::FileName) = std::move(track.name);
        record.fileSize = span.end - span.start;
        record.modificationTime =
            span.dosDateTime != 0 ? UnixFromDosDateTime(span.dosDateTime) : file->modificationTime();
        record.text(FileColumn::FileSize) = core::GroupThousands(record.fileSize);
        record.text(FileColumn::FileDate) = core::FormatFileDate(record.modificationTime);
        if (!namesFromTags) {
            record.text(FileColumn::Artist) = std::move(track.artist);
            record.text(FileColumn::Title) = std::move(track.title);
        }
        record.tagLength = TrackTagLength(*file, span);
        rows.append(std::move(record));
        result.spans.push_back(span);

        core::FileRecord& added = rows.files.back();
        const TrackTags tags = ReadTrackTags(*file, span, genres, codec);
        std::string tagText;
        if (const auto& v1 = tags.id3v1) {
            rows.id3v1[i].tag = *v1;
            rows.id3v1[i].tagMark = 1;
            tagText = "v1";
            SetTagColumns(added, namesFromTags, v1->artist, v1->title, v1->album, v1->track, v1->year, v1->genre);
        }
        if (const auto& v2 = tags.id3v2) {
            rows.id3v2[i].tag = *v2;
            rows.id3v2[i].tagMark = 1;
            tagText += "v2";
            SetTagColumns(added, namesFromTags, v2->artist, v2->title, v2->album, v2->track, v2->year, v2->genre);
        }
        added.text(FileColumn::Tag) = tagText;
    }

    progress.setCaption("Frame Scan ...");
    core::ProgressPacer pacer(progress, 1);
    const std::string total = "/" + std::to_string(rows.size()) + ")";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        core::FileRecord& record = rows.files[i];
        progress.setPanelText(0, ShortName(record.fileName()));
        progress.setPanelText(1, "(" + std::to_string(i + 1) + total);
        const core::StreamColumns columns = ScanTrack(*file, result.spans[i], progress);
        if (progress.cancelRequested()) {
            // The walk stopped part-way: its counts are not the track's.
            result.cancelled = true;
            break;
        }
        if (columns.text(core::StreamColumn::Time).empty()) {
            // No audio in the span: shown as a file that could not be read.
            record.icon = core::FileIcon::CannotOpen;
            rows.id3v1[i].image = core::kExcludedImage;
            rows.id3v1[i].tagMark = 0;
            rows.id3v2[i].image = core::kExcludedImage;
            rows.id3v2[i].tagMark = 0;
        } else {
            for (std::size_t c = 0; c < core::kStreamColumnCount; ++c) {
                record.texts[static_cast<std::size_t>(FileColumn::Time) + c] = columns.texts[c];
            }
            record.stream = columns.info;
        }
        // Scanned either way: a drop onto the Pack page takes the row as it is.
        record.marker = std::string(core::kMarkerScanned);
        pacer.step();
    }
    return result;
}

}  // namespace quilto::pack
