#include "pack/OpenPacked.h"

#include <algorithm>
#include <array>

#include "core/FileAnalysis.h"
#include "core/FileColumns.h"
#include "core/Id3v2Reader.h"
#include "core/InputFile.h"
#include "core/MpegHeader.h"
#include "pack/CueSheet.h"
#include "pack/HeadTag.h"
#include "pack/TrackTags.h"

namespace quilto::pack {

namespace {

void FillNamesFromTags(TrackRow& row, const TrackTags& tags) {
    if (tags.id3v1) {
        row.tag = "v1";
        if (row.artist.empty()) row.artist = tags.id3v1->artist;
        if (row.title.empty()) row.title = tags.id3v1->title;
    }
    if (tags.id3v2) {
        row.tag += "v2";
        if (row.artist.empty()) row.artist = tags.id3v2->artist;
        if (row.title.empty()) row.title = tags.id3v2->title;
    }
}

void SetStreamColumns(TrackRow& row, const core::StreamColumns& columns) {
    const core::StreamInfo& info = columns.info;
    if (columns.text(core::StreamColumn::Time).empty()) {
        row.time = "0:00";
        row.frames = "0";
        return;
    }
    row.time = columns.text(core::StreamColumn::Time);
    row.frames = columns.text(core::StreamColumn::Frames);
    row.kbps = columns.text(core::StreamColumn::Kbps);
    row.cv = columns.text(core::StreamColumn::CV);
    row.hz = columns.text(core::StreamColumn::Hz);
    row.mode = columns.text(core::StreamColumn::ChanelMode);
    row.bitStream = columns.text(core::StreamColumn::BitStream);
    row.frameCount = info.frames + info.otherFrames;
    row.sampleRate = info.rateIndex < 3 ? core::kSampleRateHz[info.rateIndex] : 0;
    row.bitRate = info.kbps;
    row.isVbr = info.isVbr;
    row.bitStreamBytes = info.streamBytes;
    // The header text is "Xing(417)": the row shows the byte count alone.
    const bool header = info.headerKind != core::VbrHeaderKind::None || info.headerFrameLength != 0;
    row.xingBytes = header ? info.headerFrameLength : 0;
    row.xing = std::to_string(row.xingBytes);
}

}  // namespace

std::optional<PackedFileFacts> ReadPackedFileFacts(const std::string& path, const core::GenreTable& genres,
                                                   std::string* error, const core::TextCodec& /*codec*/) {
    // The file list's quick read of the same file: the same kind, mark and texts.
    core::NoProgress quiet;
    const core::FileAnalysis analysis = core::AnalyseFile(path, core::ScanDepth::Quick, genres, quiet);
    if (!analysis.opened) {
        if (error) *error = analysis.error;
        return std::nullopt;
    }
    const core::FileColumnTexts texts = core::MakeFileColumnTexts(analysis);
    PackedFileFacts facts;
    facts.kind = analysis.containerKind;
    facts.cueMark = analysis.hasCue;
    facts.title = texts[static_cast<std::size_t>(core::FileColumn::Title)];
    facts.album = texts[static_cast<std::size_t>(core::FileColumn::Album)];
    facts.artist = texts[static_cast<std::size_t>(core::FileColumn::Artist)];
    return facts;
}

OpenPackedResult OpenPacked(const std::string& path, const PackedFileFacts& facts, TrackPage& page,
                            const core::GenreTable& genres, core::Progress& progress, const TrackScanHook& scanning,
                            const core::TextCodec& codec) {
    OpenPackedResult result;
    std::optional<core::InputFile> file = core::InputFile::Open(path, &result.error);
    if (!file) return result;
    return OpenPacked(*file, path, facts, page, genres, progress, scanning, codec);
}

OpenPackedResult OpenPacked(core::InputFile& file, const std::string& path, const PackedFileFacts& facts,
                            TrackPage& page, const core::GenreTable& genres, core::Progress& progress,
                            const TrackScanHook& scanning, const core::TextCodec& codec) {
    OpenPackedResult result;
    page.page = Page::UnPack;
    ClearLists(page, ClearWhat::All);
    page.header.title = facts.album.empty() ? facts.title : facts.album;
    page.header.performer = facts.artist;
    page.header.filePath = path;

    const std::uint64_t tagSize = HeadTagSize(file);
    result.headTagSize = tagSize;
    if (facts.cueMark && tagSize != 0) {
        const core::Bytes tag =
            file.readBytesAt(0, static_cast<std::size_t>(std::min(tagSize, core::kMaxTagRead)));
        if (const auto lines = FindCueText(tag, codec)) ReadCueSheet(*lines, page.header, page.cues);
    }

    StoredTracks stored = ListStoredTracks(file, facts.kind, tagSize, codec);
    page.header.cue = stored.cueCode;
    result.optionWord = stored.optionWord;
    if (page.header.title.empty()) page.header.title = stored.albumTitle;
    for (StoredTrack& track : stored.tracks) {
        TrackRow row;
        row.fileName = track.name;
        row.memberName = std::move(track.name);
        row.sourcePath = path;
        row.artist = std::move(track.artist);
        row.title = std::move(track.title);
        row.span = track.span;
        page.tracks.push_back(std::move(row));
    }

    const bool archive = facts.kind == core::ContainerKind::Zip || facts.kind == core::ContainerKind::Lzh;
    if (archive && facts.cueMark && page.tracks.size() == page.cues.size()) {
        for (std::size_t i = 0; i < page.tracks.size(); ++i) {
            page.tracks[i].artist = page.cues[i].performer;
            page.tracks[i].title = page.cues[i].title;
        }
    }
    for (TrackRow& row : page.tracks) FillNamesFromTags(row, ReadTrackTags(file, row.span, genres, codec));

    progress.setCaption("Frame Scan ...");
    result.status = OpenPackedResult::Status::Opened;
    core::ProgressPacer pacer(progress, 1);
    const std::string total = "/" + std::to_string(page.tracks.size()) + ")";
    std::uint64_t bytesToDo = 0, bytesDone = 0;
    for (const TrackRow& row : page.tracks) bytesToDo += row.span.end - std::min(row.span.start, row.span.end);
    progress.setBytesToDo(bytesToDo);
    for (std::size_t i = 0; i < page.tracks.size(); ++i) {
        TrackRow& row = page.tracks[i];
        if (scanning) scanning(i);
        progress.setPanelText(0, ShortName(row.fileName));
        progress.setPanelText(1, "(" + std::to_string(i + 1) + total);
        const core::StreamColumns columns = ScanTrack(file, row.span, progress);
        if (progress.cancelRequested()) {
            // The walk stopped part-way: its counts are not the track's.
            result.status = OpenPackedResult::Status::Cancelled;
            break;
        }
        SetStreamColumns(row, columns);
        bytesDone += row.span.end - std::min(row.span.start, row.span.end);
        progress.setBytesDone(bytesDone);
        pacer.step();
    }

    RecomputeHeader(page);
    RecomputeCueLengths(page, true);
    return result;
}

}  // namespace quilto::pack
