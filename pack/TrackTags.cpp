#include "pack/TrackTags.h"

#include <algorithm>
#include <array>

#include "core/FileAnalysis.h"
#include "core/FrameScan.h"
#include "core/Id3v2Reader.h"
#include "pack/ArchiveListing.h"
#include "pack/PackBlock.h"

namespace quilto::pack {

namespace {

// The largest pack block read into memory: far beyond any real directory; a
// stored size past it is cut there, and the parser stops at the cut.
constexpr std::uint64_t kMaxPackBlockRead = 64ull << 20;

}  // namespace

std::uint64_t HeadTagSize(const core::InputFile& file) {
    std::array<std::uint8_t, core::kId3v2HeaderSize> header{};
    if (file.readAt(0, header.data(), header.size()) < header.size()) return 0;
    return std::min(core::TagLength(header), file.size());
}

StoredTracks ListStoredTracks(core::InputFile& file, core::ContainerKind kind, std::uint64_t tagSize,
                              const core::TextCodec& codec) {
    StoredTracks stored;
    file.seek(tagSize);
    std::vector<ArchiveMember> members;
    switch (kind) {
        case core::ContainerKind::Pack: {
            stored.cueCode = "1";
            const std::optional<std::uint64_t> size = PackBlockSize(file);
            if (!size) return stored;
            const core::Bytes block =
                file.readBytesAt(tagSize, static_cast<std::size_t>(std::min(*size, kMaxPackBlockRead)));
            PackDirectory directory = ReadPackBlock(block, tagSize, file.size(), codec);
            stored.optionWord = directory.optionWord;
            stored.albumTitle = std::move(directory.albumTitle);
            for (PackDirectoryTrack& track : directory.tracks) {
                stored.tracks.push_back({std::move(track.fileName), std::move(track.artist), std::move(track.title),
                                         ClampSpan({track.start, track.end, 0}, file.size())});
            }
            return stored;
        }
        case core::ContainerKind::Zip:
            stored.cueCode = "2";
            members = ListZipMembers(file, codec);
            break;
        case core::ContainerKind::Lzh:
            stored.cueCode = "3";
            members = ListLzhMembers(file, codec);
            break;
        case core::ContainerKind::Foreign:
        case core::ContainerKind::AlbumWrap:
            stored.cueCode = "4";
            members = ListWrapMembers(file, codec);
            break;
        default:
            return stored;  // a Bind file: its tracks are only its cue rows
    }
    for (ArchiveMember& member : members) {
        stored.tracks.push_back({std::move(member.name), {}, {},
                                 ClampSpan({member.start, member.end, member.dosDateTime}, file.size())});
    }
    return stored;
}

TrackSpan ClampSpan(TrackSpan span, std::uint64_t fileSize) {
    span.end = std::min(span.end, fileSize);
    span.start = std::min(span.start, span.end);
    return span;
}

std::uint64_t TrackTagLength(const core::InputFile& file, const TrackSpan& span) {
    if (span.end - span.start < core::kId3v2HeaderSize) return 0;
    std::array<std::uint8_t, core::kId3v2HeaderSize> header{};
    if (file.readAt(span.start, header.data(), header.size()) < header.size()) return 0;
    return std::min(core::TagLength(header), span.end - span.start);
}

TrackTags ReadTrackTags(const core::InputFile& file, const TrackSpan& span, const core::GenreTable& genres,
                        const core::TextCodec& codec) {
    TrackTags tags;
    const std::uint64_t size = span.end - span.start;
    if (size >= core::kId3v1Size) {
        const core::Bytes block = file.readBytesAt(span.end - core::kId3v1Size, core::kId3v1Size);
        core::Id3v1Record v1;
        if (ReadId3v1(block, &v1, genres, codec)) tags.id3v1 = std::move(v1);
    }
    if (const std::uint64_t length = TrackTagLength(file, span); length != 0) {
        // A damaged size is read only as far as the span and the tag cap go;
        // the reader passes over whatever the cut leaves unreadable.
        const core::Bytes tag =
            file.readBytesAt(span.start, static_cast<std::size_t>(std::min(length, core::kMaxTagRead)));
        core::Id3v2Record v2;
        core::ReadId3v2(tag, v2, genres, codec);
        tags.id3v2 = std::move(v2);
    }
    return tags;
}

namespace {

core::StreamColumns NoFrames() {
    core::StreamInfo info;
    info.splitFrames = true;
    return core::FormatStreamColumns(info);
}

}  // namespace

core::StreamColumns ScanTrack(core::InputFile& file, const TrackSpan& span, core::Progress& progress) {
    const std::uint64_t from = span.start + TrackTagLength(file, span);
    // FullFrameScan reads an end of 0 as "to the end of the file".
    if (from >= span.end) return NoFrames();
    file.seek(from);
    core::FindFirstFrame(file, core::ContainerKind::NoAudio);
    if (file.position() >= span.end) return NoFrames();
    return core::FullFrameScan(file, span.end, true, progress);
}

std::string_view ShortName(std::string_view name) {
    const std::size_t slash = name.find_last_of("\\/");
    return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

}  // namespace quilto::pack
