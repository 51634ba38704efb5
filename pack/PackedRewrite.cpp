#include "pack/PackedRewrite.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "core/FileAnalysis.h"
#include "core/FilePlacement.h"
#include "core/Id3v1.h"
#include "pack/ArchiveWriter.h"
#include "pack/FileNames.h"
#include "pack/LittleEndian.h"
#include "pack/MemberSource.h"
#include "pack/OutputCopy.h"
#include "pack/PackBlock.h"
#include "pack/PackFields.h"
#include "pack/PackTrailer.h"
#include "pack/TrackTags.h"
#include "pack/ZipWriter.h"

namespace quilto::pack {

namespace {

using core::Bytes;

// Archive members are read in chunks small enough to stay in the cache
// between the checksum and the write, as the pack writer reads them.
constexpr std::size_t kMemberChunkSize = 1 << 20;

std::string Changed(const std::string& path) {
    return path + " has changed since its tracks were listed; nothing was saved";
}

struct WriteResult {
    RewriteStatus status = RewriteStatus::Done;
    std::string message;
};

WriteResult Fail(std::string message) { return {RewriteStatus::Failed, std::move(message)}; }
WriteResult Cancelled() { return {RewriteStatus::Cancelled, {}}; }

WriteResult FromCopy(CopyResult result, const std::string& path, const OutputFile& out) {
    switch (result) {
        case CopyResult::Ok: return {};
        case CopyResult::Cancelled: return Cancelled();
        case CopyResult::ReadFailed: return Fail("Cannot read " + path);
        case CopyResult::WriteFailed: return Fail(WriteErrorText(out.lastError()));
    }
    return Fail("Cannot read " + path);
}

class Writer {
public:
    Writer(const core::InputFile& file, const std::string& path, OutputFile& out, core::Progress& progress,
           TagBuilder buildTag)
        : file_(file),
          path_(path),
          out_(out),
          progress_(progress),
          pacer_(progress, 1),
          buildTag_(std::move(buildTag)) {}

    WriteResult copy(std::uint64_t offset, std::uint64_t length) {
        return FromCopy(CopyRegion(file_, offset, length, out_, buffer_, progress_, pacer_), path_, out_);
    }

    // Shows the track and builds its new tag (into tag_).
    WriteResult startTrack(const std::vector<RewriteTrack>& plans, std::size_t i) {
        progress_.setPanelText(0, ShortName(plans[i].name));
        progress_.setPanelText(1, "(" + std::to_string(i + 1) + "/" + std::to_string(plans.size()) + ")");
        pacer_.step();
        if (progress_.cancelRequested()) return Cancelled();
        tag_.clear();
        if (!plans[i].rewritten || !plans[i].replaceTag) return {};
        std::string error;
        if (!buildTag_(i, tag_, error)) return Fail(error);
        // The track directory already holds the planned length.
        if (tag_.size() != plans[i].newTagSize) return Fail(path_ + " has changed while it was saved");
        return {};
    }

    WriteResult pack(const RewriteLayout& layout, const std::vector<RewriteTrack>& plans, const core::TextCodec& codec) {
        if (WriteResult r = copy(0, layout.headTag); r.status != RewriteStatus::Done) return r;
        std::vector<PackWork> work;
        for (const RewriteTrack& plan : plans) {
            PackWork item;
            item.fileName = plan.name;
            item.artist = plan.artist;
            item.title = plan.title;
            // Each track's length is what is written for it now.
            item.dataBytes = plan.length();
            work.push_back(std::move(item));
        }
        std::string error;
        if (!CopyPackBlock(out_, layout.albumTitle, work, file_, layout.headTag, nullptr, error, codec)) {
            return Fail(error);
        }
        for (std::size_t i = 0; i < plans.size(); ++i) {
            if (WriteResult r = startTrack(plans, i); r.status != RewriteStatus::Done) return r;
            for (const RewritePiece& piece : plans[i].pieces(tag_)) {
                WriteResult r;
                if (piece.bytes) {
                    if (!out_.write(*piece.bytes)) {
                        r = Fail(WriteErrorText(out_.lastError()));
                    } else {
                        progress_.addBytesDone(piece.bytes->size());
                    }
                } else {
                    r = copy(piece.offset, piece.length);
                }
                if (r.status != RewriteStatus::Done) return r;
            }
        }
        if (!CopyPackTrailer(out_, file_, error)) return Fail(error);
        return copy(layout.tailStart, file_.size() - layout.tailStart);
    }

    WriteResult archive(ArchiveFormat format, const RewriteLayout& layout, const std::vector<RewriteTrack>& plans,
                        const core::TextCodec& codec) {
        if (WriteResult r = copy(0, layout.headTag); r.status != RewriteStatus::Done) return r;
        const std::unique_ptr<ArchiveWriter> writer = MakeArchiveWriter(format, &codec);
        OutputSink sink(out_, layout.headTag, progress_, pacer_);
        // ZIP offsets count from behind the head tag, as the pack writer has them.
        if (const ArchiveError e = writer->start(layout.headTag); e != ArchiveError::None) {
            return Fail(std::string(ArchiveErrorText(e)));
        }
        auto archiveFailure = [&](ArchiveError e) -> WriteResult {
            if (sink.cancelled()) return Cancelled();
            if (e == ArchiveError::WriteFailed || sink.failed()) {
                return Fail(WriteErrorText(out_.lastError()));
            }
            if (e == ArchiveError::ReadFailed || e == ArchiveError::DataChanged) {
                return Fail("Cannot read " + path_);
            }
            return Fail(std::string(ArchiveErrorText(e)));
        };
        for (std::size_t i = 0; i < plans.size(); ++i) {
            if (WriteResult r = startTrack(plans, i); r.status != RewriteStatus::Done) return r;
            std::vector<std::unique_ptr<MemberSource>> owned;
            std::vector<const MemberSource*> parts;
            for (const RewritePiece& piece : plans[i].pieces(tag_)) {
                if (piece.bytes) {
                    owned.push_back(std::make_unique<BytesSource>(*piece.bytes));
                } else {
                    owned.push_back(std::make_unique<FileRegionsSource>(
                        file_, std::vector<FileRegionsSource::Region>{{piece.offset, piece.length}},
                        kMemberChunkSize, &buffer_));
                }
                parts.push_back(owned.back().get());
            }
            const JoinedSource data(std::move(parts));
            const ArchiveError e =
                WriteArchiveMember(*writer, sink, plans[i].name, plans[i].span.dosDateTime, data);
            if (e != ArchiveError::None || sink.cancelled() || sink.failed()) return archiveFailure(e);
        }
        if (const ArchiveError e = writer->finish(sink); e != ArchiveError::None) return archiveFailure(e);
        return copy(layout.tailStart, file_.size() - layout.tailStart);
    }

private:
    const core::InputFile& file_;
    const std::string& path_;
    OutputFile& out_;
    core::Progress& progress_;
    core::ProgressPacer pacer_;
    TagBuilder buildTag_;
    Bytes buffer_;
    Bytes tag_;  // the current track's new ID3v2 tag
};

}  // namespace

bool ReadRewriteLayout(core::InputFile& file, const std::string& path, core::ContainerKind kind,
                       const std::vector<TrackSpan>& spans, std::vector<RewriteTrack>& plans, RewriteLayout& layout,
                       std::string& error, const core::TextCodec& codec) {
    const std::uint64_t size = file.size();
    layout.headTag = HeadTagSize(file);
    StoredTracks stored = ListStoredTracks(file, kind, layout.headTag, codec);
    if (stored.tracks.size() != spans.size()) {
        error = Changed(path);
        return false;
    }
    std::uint64_t floor = layout.headTag;
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const TrackSpan& span = spans[i];
        const TrackSpan& now = stored.tracks[i].span;
        if (span.start < floor || span.start > span.end || span.end > size || span.start != now.start ||
            span.end != now.end || span.dosDateTime != now.dosDateTime) {
            error = Changed(path);
            return false;
        }
        floor = span.end;
        RewriteTrack plan;
        plan.name = std::move(stored.tracks[i].name);
        plan.artist = std::move(stored.tracks[i].artist);
        plan.title = std::move(stored.tracks[i].title);
        plan.span = span;
        plans.push_back(std::move(plan));
    }
    layout.albumTitle = std::move(stored.albumTitle);
    // Names are written again from their text: one the code page cannot give
    // back byte for byte (undecodable bytes, a UTF-8 archive name) would be
    // changed, so the run stops instead.
    auto keepsName = [&](const std::string& text) {
        if (codec.encode(text).lossless) return true;
        error = "The name \"" + text + "\" in " + path + " cannot be stored again unchanged; nothing was saved";
        return false;
    };
    if (!keepsName(layout.albumTitle)) return false;
    for (const RewriteTrack& plan : plans) {
        if (!keepsName(plan.name) || !keepsName(plan.artist) || !keepsName(plan.title)) return false;
    }
    const std::string unknown = "The layout of " + path + " is not one that can be rewritten; nothing was saved";

    switch (kind) {
        case core::ContainerKind::Pack: {
            const Bytes header = file.readBytesAt(layout.headTag, kPackHeaderSize);
            const auto directory = header.size() == kPackHeaderSize
                                       ? ReadSyncsafe(core::ByteView(header).subspan(4, 4))
                                       : std::nullopt;
            const auto trailer = FindPackTrailer(file);
            if (!directory || !trailer) {
                error = unknown;
                return false;
            }
            std::uint64_t bodyStart = layout.headTag + *directory;
            if (header[11] & PackFlag::Extension) {
                const Bytes extension = file.readBytesAt(bodyStart, kPackExtensionSize);
                const auto inserted = extension.size() == kPackExtensionSize
                                          ? ReadSyncsafe(core::ByteView(extension).subspan(4, 4))
                                          : std::nullopt;
                if (!inserted) {
                    error = unknown;
                    return false;
                }
                bodyStart += kPackExtensionSize + *inserted;
            }
            std::uint64_t at = bodyStart;
            for (const TrackSpan& span : spans) {
                if (span.start != at) {
                    error = unknown;
                    return false;
                }
                at = span.end;
            }
            if (at != trailer->silentStart) {
                error = unknown;
                return false;
            }
            layout.tailStart = trailer->trailerStart + kPackTrailerSize;
            return true;
        }
        case core::ContainerKind::Zip: {
            // The end record closes the file, or stands right before its
            // own ID3v1 tag; its member count has to be the listed one, or
            // members the listing passed over would be lost.
            auto endRecordAt = [&](std::uint64_t end) -> std::optional<std::uint64_t> {
                if (end < floor + kZipEndRecordSize) return std::nullopt;
                const Bytes record = file.readBytesAt(end - kZipEndRecordSize, kZipEndRecordSize);
                if (record.size() != kZipEndRecordSize ||
                    ReadLe32(record.data()) != kZipEndSignature ||
                    ReadLe16(&record[20]) != 0) {
                    return std::nullopt;
                }
                return ReadLe16(&record[10]);
            };
            std::optional<std::uint64_t> members = endRecordAt(size);
            layout.tailStart = size;
            if (!members && size >= core::kId3v1Size &&
                core::StartsWith(file.readBytesAt(size - core::kId3v1Size, 3), "TAG")) {
                layout.tailStart = size - core::kId3v1Size;
                members = endRecordAt(layout.tailStart);
            }
            if (!members || *members != spans.size()) {
                error = unknown;
                return false;
            }
            return true;
        }
        case core::ContainerKind::Lzh: {
            // The end byte behind the last member, then nothing or the
            // file's own ID3v1 tag.
            const Bytes end = file.readBytesAt(floor, 1);
            layout.tailStart = floor + 1;
            const std::uint64_t rest = size - std::min(size, layout.tailStart);
            if (end.size() != 1 || end[0] != 0x00 ||
                (rest != 0 && (rest != core::kId3v1Size ||
                               !core::StartsWith(file.readBytesAt(layout.tailStart, 3), "TAG")))) {
                error = unknown;
                return false;
            }
            return true;
        }
        default: break;
    }
    error = unknown;
    return false;
}

RewriteResult RewritePackedFile(const std::string& path, std::optional<core::InputFile>& file,
                                core::ContainerKind kind, const RewriteLayout& layout,
                                const std::vector<RewriteTrack>& tracks, const TagBuilder& buildTag, bool keepBackup,
                                core::Progress& progress, const OutputFactory& openOutput,
                                const core::TextCodec& codec) {
    RewriteResult outcome;
    if (!file) {
        outcome.status = RewriteStatus::Failed;
        outcome.message = "Cannot read " + path;
        return outcome;
    }
    progress.setCaption("Saving ...");
    std::string reason;
    const std::string temp = core::TempPathBeside(path);
    std::unique_ptr<OutputFile> out = openOutput ? openOutput(temp, reason) : OpenNewDiskOutput(temp, reason);
    if (!out) {
        // Nothing to remove: the name may now belong to another program's file.
        outcome.status = RewriteStatus::Failed;
        outcome.message = "Cannot create a file in " + core::FolderOf(path) + ": " + reason;
        return outcome;
    }
    progress.setBytesToDo(file->size());  // the new file is about as large
    Writer writer(*file, path, *out, progress, buildTag);
    WriteResult result = kind == core::ContainerKind::Pack
                             ? writer.pack(layout, tracks, codec)
                             : writer.archive(kind == core::ContainerKind::Zip ? ArchiveFormat::Zip : ArchiveFormat::Lzh,
                                              layout, tracks, codec);
    if (result.status == RewriteStatus::Done && !out->close()) result = Fail(WriteErrorText(out->lastError()));
    out.reset();

    struct stat original {};
    if (result.status == RewriteStatus::Done) {
        // The new file takes the place of one the user may have edited
        // meanwhile: that edit is not thrown away.
        if (::stat(path.c_str(), &original) != 0 || static_cast<std::uint64_t>(original.st_size) != file->size() ||
            original.st_mtime != file->modificationTime()) {
            result = Fail(path + " has changed while it was saved; nothing was saved");
        } else if (::chmod(temp.c_str(), original.st_mode & 07777) != 0) {
            result = Fail("Cannot set the permissions of " + temp + ": " + std::strerror(errno));
        }
    }
    file.reset();

    std::string backup;
    if (result.status == RewriteStatus::Done) {
        backup = BackupPathFor(path, core::PathExists);
        if (!core::RenameNoReplace(path, backup)) {
            result = Fail("Cannot rename " + path + " to " + backup + ": " + std::strerror(errno));
        } else if (!core::RenameNoReplace(temp, path)) {
            result = Fail("Cannot rename the new file to " + path + ": " + std::strerror(errno));
            if (!core::RenameNoReplace(backup, path)) {
                result.message += "; the original file is kept as " + backup;
                outcome.backupPath = backup;
            }
        }
    }
    if (result.status != RewriteStatus::Done) {
        ::unlink(temp.c_str());
        outcome.status = result.status;
        outcome.message =
            result.status == RewriteStatus::Cancelled ? "Cancelled - the file is unchanged" : std::move(result.message);
        return outcome;
    }
    // The new file was flushed when it was closed; the folder's entries
    // reach the disk before the only other copy of the data goes.
    core::SyncFolder(path);
    outcome.backupPath = backup;
    if (!keepBackup && ::unlink(backup.c_str()) == 0) outcome.backupPath.clear();
    return outcome;
}

}  // namespace quilto::pack
