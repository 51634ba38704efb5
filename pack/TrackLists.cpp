#include "pack/TrackLists.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "core/CueTime.h"
#include "core/MpegHeader.h"
#include "core/NumberText.h"

namespace quilto::pack {

namespace {

using core::FileColumn;
using core::FileRecord;

constexpr std::string_view kZeroTime = "00:00:00";

std::string Caption(std::size_t row) {
    char text[24];
    std::snprintf(text, sizeof text, "%4zu", row + 1);
    return text;
}

std::uint32_t SampleRateOf(const core::StreamInfo& stream) {
    return stream.rateIndex < 3 ? core::kSampleRateHz[stream.rateIndex] : 0;
}

// The file-list rows a drop takes: selected, in range and frame-scanned.
bool IsScanned(const FileRecord& record) {
    return !record.text(FileColumn::Frames).empty() && !record.text(FileColumn::Hz).empty();
}

std::string TrackLength(std::uint64_t frames, std::uint32_t sampleRate) {
    std::int32_t seconds = 0;
    std::int32_t frames75 = 0;
    core::AddFramesToTime(seconds, frames75, frames, sampleRate);
    return core::FramesToCueTime(seconds, frames75);
}

// Cue frames of a cue time text, or nothing for a text that is not one (an
// empty length of a freshly read row, a half-typed edit).
std::optional<std::int64_t> CueFrames(std::string_view text) {
    try {
        const core::CueTime time = core::ParseCueTime(text);
        return (std::int64_t{time.minutes} * 60 + time.seconds) * core::kCueFramesPerSecond + time.frames;
    } catch (const core::InvalidNumber&) {
        return std::nullopt;
    }
}

}  // namespace

std::string SafeCueTimeAdd(std::string_view a, std::string_view b) {
    return core::CueTimeAdd(CueFrames(a) ? a : kZeroTime, CueFrames(b) ? b : kZeroTime);
}

std::string SafeCueTimeDiff(std::string_view from, std::string_view to) {
    return core::CueTimeDiff(CueFrames(from) ? from : kZeroTime, CueFrames(to) ? to : kZeroTime);
}

namespace {

CueRow MakeCueRow(std::size_t number, std::string length, std::string title, std::string performer) {
    CueRow row;
    row.length = std::move(length);
    row.number = std::to_string(number);
    row.title = std::move(title);
    row.performer = std::move(performer);
    row.index = std::string(kZeroTime);
    return row;
}

void AppendCueRow(TrackPage& page, const FileRecord& record) {
    page.cues.push_back(MakeCueRow(page.cues.size() + 1,
                                   TrackLength(record.stream.frames + record.stream.otherFrames, SampleRateOf(record.stream)),
                                   record.text(FileColumn::Title), record.text(FileColumn::Artist)));
    page.header.title = record.text(FileColumn::Album);
}

// Each start follows the one before it by that track's length.
void RunIndexes(CueList& cues) {
    if (cues.empty()) return;
    cues.front().index = std::string(kZeroTime);
    for (std::size_t i = 1; i < cues.size(); ++i) cues[i].index = SafeCueTimeAdd(cues[i - 1].index, cues[i - 1].length);
}

void RenumberCues(CueList& cues) {
    for (std::size_t i = 0; i < cues.size(); ++i) cues[i].number = std::to_string(i + 1);
}

void RenumberTracks(TrackList& tracks) {
    for (std::size_t i = 0; i < tracks.size(); ++i) tracks[i].caption = Caption(i);
}

TrackRow MakeTrackRow(const FileListSource& source, std::size_t index) {
    const FileRecord& record = source.rows.files[index];
    const core::StreamInfo& stream = record.stream;
    TrackRow row;
    if (source.packedFile.empty()) {
        row.sourcePath = source.rows.path(index);
        row.fileName = row.sourcePath;
        row.span = TrackSpan{0, record.fileSize, 0};
    } else {
        row.sourcePath = source.packedFile;
        row.memberName = record.fileName();
        row.fileName = source.packedFile + "/" + record.fileName();
        if (index < source.packedSpans.size()) row.span = source.packedSpans[index];
    }
    row.tag = record.text(FileColumn::Tag);
    row.artist = record.text(FileColumn::Artist);
    row.title = record.text(FileColumn::Title);
    row.time = record.text(FileColumn::Time);
    row.frameCount = stream.frames + stream.otherFrames;
    row.frames = std::to_string(row.frameCount);
    row.kbps = record.text(FileColumn::Kbps);
    row.cv = record.text(FileColumn::CV);
    row.hz = record.text(FileColumn::Hz);
    row.mode = record.text(FileColumn::ChanelMode);
    row.bitStream = record.text(FileColumn::BitStream);
    row.sampleRate = SampleRateOf(stream);
    row.bitRate = stream.kbps;
    row.isVbr = stream.isVbr;
    row.bitStreamBytes = stream.streamBytes;
    // The header frame's length is kept as a number: a quick scan names the
    // header ("Xing") without it, so the text holds no size to read.
    row.xingBytes = record.text(FileColumn::Xing).empty() ? 0 : stream.headerFrameLength;
    row.xing = std::to_string(row.xingBytes);
    return row;
}

// Selected rows of the source that exist and are scanned, in list order.
std::vector<std::size_t> ScannedSelection(const FileListSource& source) {
    std::vector<std::size_t> rows;
    for (std::size_t index : source.selected) {
        if (index < source.rows.size() && IsScanned(source.rows.files[index])) rows.push_back(index);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

template <typename Row>
std::vector<std::size_t> MoveRows(std::vector<Row>& list, const std::vector<std::size_t>& rows, std::size_t target) {
    if (rows.empty() || target >= list.size()) return {};
    std::vector<std::size_t> moving(rows);
    std::sort(moving.begin(), moving.end());
    moving.erase(std::unique(moving.begin(), moving.end()), moving.end());
    if (moving.back() >= list.size()) return {};
    if (std::binary_search(moving.begin(), moving.end(), target)) return {};

    const bool down = target > moving.front();
    std::vector<Row> block;
    std::vector<Row> rest;
    block.reserve(moving.size());
    rest.reserve(list.size() - moving.size());
    std::size_t targetInRest = 0;
    for (std::size_t i = 0, m = 0; i < list.size(); ++i) {
        if (m < moving.size() && moving[m] == i) {
            block.push_back(std::move(list[i]));
            ++m;
        } else {
            if (i == target) targetInRest = rest.size();
            rest.push_back(std::move(list[i]));
        }
    }
    const std::size_t insertAt = down ? targetInRest + 1 : targetInRest;
    list.clear();
    list.reserve(rest.size() + block.size());
    std::move(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(insertAt), std::back_inserter(list));
    std::move(block.begin(), block.end(), std::back_inserter(list));
    std::move(rest.begin() + static_cast<std::ptrdiff_t>(insertAt), rest.end(), std::back_inserter(list));

    std::vector<std::size_t> moved(block.size());
    for (std::size_t i = 0; i < moved.size(); ++i) moved[i] = insertAt + i;
    return moved;
}

template <typename Row>
void EraseRows(std::vector<Row>& list, const std::vector<std::size_t>& rows) {
    std::vector<bool> gone(list.size(), false);
    for (std::size_t row : rows) {
        if (row < list.size()) gone[row] = true;
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (!gone[i]) {
            if (kept != i) list[kept] = std::move(list[i]);
            ++kept;
        }
    }
    list.resize(kept);
}

}  // namespace

void AddFilesToPackList(TrackPage& page, const FileListSource& source) {
    for (std::size_t index : ScannedSelection(source)) {
        page.tracks.push_back(MakeTrackRow(source, index));
        AppendCueRow(page, source.rows.files[index]);
    }
    RunIndexes(page.cues);
    RecomputeHeader(page);
    RecomputeCueLengths(page, false);
}

void AddFilesToCueList(TrackPage& page, const FileListSource& source) {
    for (std::size_t index : ScannedSelection(source)) AppendCueRow(page, source.rows.files[index]);
    RunIndexes(page.cues);
    RecomputeCueLengths(page, false);
}

void SetCueHeaderFromFile(TrackPage& page, const FileListSource& source) {
    for (std::size_t index : source.selected) {
        if (index >= source.rows.size()) continue;
        const FileRecord& record = source.rows.files[index];
        const std::string& album = record.text(FileColumn::Album);
        page.header.title = album.empty() ? record.text(FileColumn::Title) : album;
        page.header.performer = record.text(FileColumn::Artist);
        return;
    }
}

void RecomputeHeader(TrackPage& page) {
    CueHeader& header = page.header;
    std::int32_t seconds = 0;
    std::int32_t frames75 = 0;
    std::uint64_t frames = 0;
    std::string kbps;
    std::string hz;
    bool first = true;
    std::uint32_t firstBitRate = 0;
    std::uint32_t firstRate = 0;
    for (std::size_t i = 0; i < page.tracks.size(); ++i) {
        TrackRow& row = page.tracks[i];
        row.caption = Caption(i);
        // Tracks not yet scanned hold no frames and take no part in the totals.
        if (row.frameCount == 0) continue;
        core::AddFramesToTime(seconds, frames75, row.frameCount, row.sampleRate);
        // Carry whole seconds at every step so the cue frames cannot overflow.
        (void)core::FramesToCueTime(seconds, frames75);
        frames = frames > UINT64_MAX - row.frameCount ? UINT64_MAX : frames + row.frameCount;
        if (first) {
            kbps = row.isVbr ? "VBR" : row.kbps;
            hz = row.hz;
            firstBitRate = row.bitRate;
            firstRate = row.sampleRate;
            first = false;
            continue;
        }
        if (row.isVbr || row.bitRate != firstBitRate) kbps = "VBR";
        if (row.sampleRate != firstRate) hz = "-";
    }
    header.time = core::FramesToCueTime(seconds, frames75);
    header.frameCount = frames;
    header.frames = frames == 0 ? std::string() : std::to_string(frames);
    header.kbps = kbps;
    header.hz = hz;
}

void RecomputeCueLengths(TrackPage& page, bool lengths) {
    CueList& cues = page.cues;
    if (cues.empty()) return;
    CueHeader& header = page.header;
    if (lengths) {
        for (std::size_t i = 1; i < cues.size(); ++i) cues[i - 1].length = SafeCueTimeDiff(cues[i - 1].index, cues[i].index);
        cues.back().length = SafeCueTimeDiff(cues.back().index, header.time);
    }
    const std::optional<std::int64_t> total = CueFrames(header.time);
    const std::optional<std::int64_t> end = CueFrames(SafeCueTimeAdd(cues.back().index, cues.back().length));
    if (!total || !end || *end > *total) {
        header.check = CueCheck::None;
        header.notFitting = true;
    } else {
        header.check = page.page == Page::Pack ? page.storedCueCheck : CueCheck::Checked;
        header.notFitting = false;
    }
}

void MakeCueList(TrackPage& page) {
    ClearLists(page, ClearWhat::Cue);
    for (const TrackRow& track : page.tracks) {
        page.cues.push_back(MakeCueRow(page.cues.size() + 1, TrackLength(track.frameCount, track.sampleRate), track.title,
                                       track.artist));
    }
    RunIndexes(page.cues);
    RecomputeCueLengths(page, false);
}

void ClearLists(TrackPage& page, ClearWhat what) {
    CueHeader& header = page.header;
    const bool pack = page.page == Page::Pack;
    if (what == ClearWhat::Cue || what == ClearWhat::All) {
        header.check = pack ? page.storedCueCheck : CueCheck::None;
        header.notFitting = false;
        page.cues.clear();
    }
    if (what == ClearWhat::Data || what == ClearWhat::All) {
        header.cue.clear();
        header.frames.clear();
        header.frameCount = 0;
        header.kbps.clear();
        header.hz.clear();
        header.file.clear();
        if (!pack) header.filePath.clear();
        header.time = std::string(kZeroTime);
        page.tracks.clear();
    }
    if (what == ClearWhat::All) {
        header.title.clear();
        header.performer.clear();
    }
}

void DeleteTracks(TrackPage& page, const std::vector<std::size_t>& rows) {
    if (rows.empty()) return;
    EraseRows(page.tracks, rows);
    RecomputeHeader(page);
    RecomputeCueLengths(page, false);
}

void AddCueRow(TrackPage& page) {
    CueRow row = MakeCueRow(page.cues.size() + 1, std::string(kZeroTime), {}, {});
    if (!page.cues.empty()) row.index = SafeCueTimeAdd(page.cues.back().index, page.cues.back().length);
    page.cues.push_back(std::move(row));
    RecomputeCueLengths(page, true);
}

void DeleteCueRows(TrackPage& page, const std::vector<std::size_t>& rows) {
    if (rows.empty()) return;
    EraseRows(page.cues, rows);
    RenumberCues(page.cues);
    RecomputeCueLengths(page, true);
}

std::vector<std::size_t> MoveTrackRows(TrackPage& page, const std::vector<std::size_t>& rows, std::size_t target) {
    std::vector<std::size_t> moved = MoveRows(page.tracks, rows, target);
    if (!moved.empty()) RenumberTracks(page.tracks);
    return moved;
}

std::vector<std::size_t> MoveCueRows(TrackPage& page, const std::vector<std::size_t>& rows, std::size_t target) {
    std::vector<std::size_t> moved = MoveRows(page.cues, rows, target);
    if (!moved.empty()) {
        RenumberCues(page.cues);
        RunIndexes(page.cues);
    }
    return moved;
}

void ClampCueIndex(CueList& cues, std::size_t row) {
    if (row >= cues.size()) return;
    // Compared as times; a text that is no cue time (a half-typed edit) is
    // neither moved nor used as a bound.
    const std::optional<std::int64_t> own = CueFrames(cues[row].index);
    if (!own) return;
    if (row > 0) {
        const std::optional<std::int64_t> before = CueFrames(cues[row - 1].index);
        if (before && *before > *own) {
            cues[row].index = cues[row - 1].index;
            return;
        }
    }
    if (row + 1 < cues.size()) {
        const std::optional<std::int64_t> after = CueFrames(cues[row + 1].index);
        if (after && *after < *own) cues[row].index = cues[row + 1].index;
    }
}

std::string PageCountLine(const TrackPage& page) {
    std::uint64_t bytes = 0;
    std::int64_t seconds = 0;
    for (const TrackRow& row : page.tracks) {
        const std::uint64_t size = row.span.end > row.span.start ? row.span.end - row.span.start : 0;
        bytes = bytes > UINT64_MAX - size ? UINT64_MAX : bytes + size;
        try {
            seconds += core::PlayTimeToSeconds(row.time);
        } catch (const core::InvalidNumber&) {
            // A Time cell that is no play time counts as nothing.
        }
    }
    return core::GroupThousands(bytes) + "  " + core::SecondsToPlayTime(seconds);
}

}  // namespace quilto::pack
