// Saving edited tags into the tracks of a packed file. The whole file is
// rebuilt under a temporary name beside it, reading the original, which is
// moved to its backup name only once the new file is complete; the new file
// then takes the original's name. Nothing but the edited tracks' tags
// changes: the head tag, the track directory's names and flags, the added
// frames, the trailer, archive names and dates and the file's own trailing
// ID3v1 tag are carried over as they are.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>

#include "core/FileAnalysis.h"
#include "core/FilePlacement.h"
#include "core/Id3v1.h"
#include "core/Id3v2Writer.h"
#include "core/InputFile.h"
#include "core/NumberText.h"
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
#include "tags/SaveTags.h"

namespace quilto::tags {

namespace {

using Status = TagSaveOutcome::Status;
using core::Bytes;

// Archive members are read in chunks small enough to stay in the cache
// between the checksum and the write, as the pack writer reads them.
constexpr std::size_t kMemberChunkSize = 1 << 20;

bool EditsId3v1(TagVariant variant) { return variant == TagVariant::Id3v1 || variant == TagVariant::Both; }
bool EditsId3v2(TagVariant variant) { return variant == TagVariant::Id3v2 || variant == TagVariant::Both; }

bool V1Edited(const core::FolderRows& rows, std::size_t i, TagVariant variant) {
    return EditsId3v1(variant) && rows.id3v1[i].image == core::kEditedImage;
}
bool V2Edited(const core::FolderRows& rows, std::size_t i, TagVariant variant) {
    return EditsId3v2(variant) && rows.id3v2[i].image == core::kEditedImage;
}

// One run of bytes of the new file: built in memory, or a region of the
// packed file copied unchanged.
struct Piece {
    const Bytes* bytes = nullptr;  // null: the region below
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    std::uint64_t size() const { return bytes ? bytes->size() : length; }
};

struct TrackPlan {
    std::string name;  // as stored
    std::string artist, title;
    pack::TrackSpan span;
    bool rewritten = false;
    // The old ID3v2 tag is replaced by one of newTagSize bytes (0: removed).
    // The new tag is built again when it is written, so that only one
    // track's tag is held at a time, whatever pictures the tags carry.
    bool replaceTag = false;
    std::uint64_t newTagSize = 0;
    std::optional<Bytes> newV1;  // replaces the old ID3v1 tag (empty: removed)
    std::uint64_t oldTag = 0;    // the old ID3v2 tag's bytes at the span's start
    std::uint64_t oldV1 = 0;     // the old ID3v1 tag's bytes at the span's end

    // The track in the new file, in order; `tag` is the new ID3v2 tag.
    std::vector<Piece> pieces(const Bytes& tag) const {
        if (!rewritten) return {Piece{nullptr, span.start, span.end - span.start}};
        const std::uint64_t audioStart = span.start + oldTag;
        const std::uint64_t audioEnd = span.end - oldV1;
        return {replaceTag ? Piece{&tag} : Piece{nullptr, span.start, oldTag},
                Piece{nullptr, audioStart, audioEnd - audioStart},
                newV1 ? Piece{&*newV1} : Piece{nullptr, audioEnd, oldV1}};
    }
    std::uint64_t length() const {
        if (!rewritten) return span.end - span.start;
        return (replaceTag ? newTagSize : oldTag) + (span.end - span.start - oldTag - oldV1) +
               (newV1 ? newV1->size() : oldV1);
    }
};

// Where the parts of the packed file lie that are copied around the tracks.
struct FileLayout {
    std::uint64_t headTag = 0;    // the file's own ID3v2 tag: [0, headTag)
    std::uint64_t tailStart = 0;  // the file's own trailing ID3v1 tag: [tailStart, size)
    std::string albumTitle;       // Pack: the directory's album title
};

std::string Changed(const std::string& path) {
    return path + " has changed since its tracks were listed; nothing was saved";
}

// The tracks as listed now must be the rows' tracks, in the container's
// body, ordered and (Pack) back to back from the added frames to the
// trailer: any byte the rewrite would not carry over ends the run.
bool CheckLayout(core::InputFile& file, const std::string& path, core::ContainerKind kind,
                 const std::vector<pack::TrackSpan>& spans, std::vector<TrackPlan>& plans, FileLayout& layout,
                 std::string& error, const core::TextCodec& codec) {
    const std::uint64_t size = file.size();
    layout.headTag = pack::HeadTagSize(file);
    pack::StoredTracks stored = pack::ListStoredTracks(file, kind, layout.headTag, codec);
    if (stored.tracks.size() != spans.size()) {
        error = Changed(path);
        return false;
    }
    std::uint64_t floor = layout.headTag;
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const pack::TrackSpan& span = spans[i];
        const pack::TrackSpan& now = stored.tracks[i].span;
        if (span.start < floor || span.start > span.end || span.end > size || span.start != now.start ||
            span.end != now.end || span.dosDateTime != now.dosDateTime) {
            error = Changed(path);
            return false;
        }
        floor = span.end;
        TrackPlan plan;
        plan.name = std::move(stored.tracks[i].name);
        plan.artist = std::move(stored.tracks[i].artist);
        plan.title = std::move(stored.tracks[i].title);
        plan.span = span;
        plans.push_back(std::move(plan));
    }
    layout.albumTitle = std::move(stored.albumTitle);
    const std::string unknown = "The layout of " + path + " is not one that can be rewritten; nothing was saved";

    switch (kind) {
        case core::ContainerKind::Pack: {
            const Bytes header = file.readBytesAt(layout.headTag, pack::kPackHeaderSize);
            const auto directory = header.size() == pack::kPackHeaderSize
                                       ? pack::ReadSyncsafe(core::ByteView(header).subspan(4, 4))
                                       : std::nullopt;
            const auto trailer = pack::FindPackTrailer(file);
            if (!directory || !trailer) {
                error = unknown;
                return false;
            }
            std::uint64_t bodyStart = layout.headTag + *directory;
            if (header[11] & pack::PackFlag::Extension) {
                const Bytes extension = file.readBytesAt(bodyStart, pack::kPackExtensionSize);
                const auto inserted = extension.size() == pack::kPackExtensionSize
                                          ? pack::ReadSyncsafe(core::ByteView(extension).subspan(4, 4))
                                          : std::nullopt;
                if (!inserted) {
                    error = unknown;
                    return false;
                }
                bodyStart += pack::kPackExtensionSize + *inserted;
            }
            std::uint64_t at = bodyStart;
            for (const pack::TrackSpan& span : spans) {
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
            layout.tailStart = trailer->trailerStart + pack::kPackTrailerSize;
            return true;
        }
        case core::ContainerKind::Zip: {
            // The end record closes the file, or stands right before its
            // own ID3v1 tag; its member count has to be the listed one, or
            // members the listing passed over would be lost.
            auto endRecordAt = [&](std::uint64_t end) -> std::optional<std::uint64_t> {
                if (end < floor + pack::kZipEndRecordSize) return std::nullopt;
                const Bytes record = file.readBytesAt(end - pack::kZipEndRecordSize, pack::kZipEndRecordSize);
                if (record.size() != pack::kZipEndRecordSize || pack::ReadLe32(record.data()) != pack::kZipEndSignature ||
                    pack::ReadLe16(&record[20]) != 0) {
                    return std::nullopt;
                }
                return pack::ReadLe16(&record[10]);
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

// The new ID3v2 tag of row i over the old one; false with the reason.
bool BuildTag(const core::InputFile& file, const core::FolderRows& rows, std::size_t i, const TrackPlan& plan,
              const TagSaveOptions& options, const core::TextCodec& codec, Bytes& tag, std::string& error) {
    tag.clear();
    if (rows.id3v2[i].tagMark != 1) return true;
    if (plan.oldTag > core::kMaxTagRead) {
        error = "its ID3v2 tag is too large to be rebuilt";
        return false;
    }
    const Bytes old = file.readBytesAt(plan.span.start, static_cast<std::size_t>(plan.oldTag));
    if (old.size() != plan.oldTag) {
        error = "its ID3v2 tag cannot be read";
        return false;
    }
    core::Id3v2WriteOptions writeOptions;
    writeOptions.supportTagOnly = options.supportTagOnly;
    writeOptions.codec = &codec;
    core::Id3v2BuildResult built = core::BuildId3v2(rows.id3v2[i].tag, old, writeOptions);
    if (!built.ok()) {
        error = built.error;
        return false;
    }
    tag = std::move(built.tag);
    return true;
}

// The new tags of one track; false with the reason when one of them cannot
// be built (the track then stays as it is).
bool PlanTags(const core::InputFile& file, const core::FolderRows& rows, std::size_t i, const TagSaveOptions& options,
              const core::TextCodec& codec, TrackPlan& plan, std::string& error) {
    const bool v1 = V1Edited(rows, i, options.variant);
    const bool v2 = V2Edited(rows, i, options.variant);
    if (!v1 && !v2) return true;
    plan.oldTag = pack::TrackTagLength(file, plan.span);
    const std::uint64_t size = plan.span.end - plan.span.start;
    if (size - plan.oldTag >= core::kId3v1Size &&
        core::StartsWith(file.readBytesAt(plan.span.end - core::kId3v1Size, 3), "TAG")) {
        plan.oldV1 = core::kId3v1Size;
    }
    if (v2) {
        Bytes tag;
        if (!BuildTag(file, rows, i, plan, options, codec, tag, error)) return false;
        plan.replaceTag = true;
        plan.newTagSize = tag.size();
    }
    if (v1) {
        if (rows.id3v1[i].tagMark != 1) {
            plan.newV1.emplace();
        } else {
            try {
                const core::Id3v1Block block = core::BuildId3v1(rows.id3v1[i].tag, *options.genres, codec);
                plan.newV1.emplace(block.bytes.begin(), block.bytes.end());
            } catch (const core::InvalidNumber&) {
                error = "the ID3v1 track number \"" + rows.id3v1[i].tag.track + "\" is not a number from 0 to 255";
                return false;
            }
        }
    }
    plan.rewritten = true;
    return true;
}

struct WriteResult {
    Status status = Status::Done;
    std::string message;
};

WriteResult Fail(std::string message) { return {Status::Failed, std::move(message)}; }
WriteResult Cancelled() { return {Status::Cancelled, {}}; }

WriteResult FromCopy(pack::CopyResult result, const std::string& path, const pack::OutputFile& out) {
    switch (result) {
        case pack::CopyResult::Ok: return {};
        case pack::CopyResult::Cancelled: return Cancelled();
        case pack::CopyResult::ReadFailed: return Fail("Cannot read " + path);
        case pack::CopyResult::WriteFailed: return Fail(pack::WriteErrorText(out.lastError()));
    }
    return Fail("Cannot read " + path);
}

// Builds track i's new ID3v2 tag again while the file is written.
using TagBuilder = std::function<bool(std::size_t i, Bytes& tag, std::string& error)>;

class Writer {
public:
    Writer(const core::InputFile& file, const std::string& path, pack::OutputFile& out, core::Progress& progress,
           TagBuilder buildTag)
        : file_(file), path_(path), out_(out), progress_(progress), pacer_(progress, 1), buildTag_(std::move(buildTag)) {}

    WriteResult copy(std::uint64_t offset, std::uint64_t length) {
        return FromCopy(pack::CopyRegion(file_, offset, length, out_, buffer_, progress_, pacer_), path_, out_);
    }

    // Shows the track and builds its new tag (into tag_).
    WriteResult startTrack(const std::vector<TrackPlan>& plans, std::size_t i) {
        progress_.setPanelText(0, pack::ShortName(plans[i].name));
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

    WriteResult pack(const FileLayout& layout, const std::vector<TrackPlan>& plans, const core::TextCodec& codec) {
        if (WriteResult r = copy(0, layout.headTag); r.status != Status::Done) return r;
        std::vector<pack::PackWork> work;
        for (const TrackPlan& plan : plans) {
            pack::PackWork item;
            item.fileName = plan.name;
            item.artist = plan.artist;
            item.title = plan.title;
            // Each track's length is what is written for it now.
            item.dataBytes = plan.length();
            work.push_back(std::move(item));
        }
        std::string error;
        if (!pack::CopyPackBlock(out_, layout.albumTitle, work, file_, layout.headTag, nullptr, error, codec)) {
            return Fail(error);
        }
        for (std::size_t i = 0; i < plans.size(); ++i) {
            if (WriteResult r = startTrack(plans, i); r.status != Status::Done) return r;
            for (const Piece& piece : plans[i].pieces(tag_)) {
                WriteResult r;
                if (piece.bytes) {
                    if (!out_.write(*piece.bytes)) r = Fail(pack::WriteErrorText(out_.lastError()));
                } else {
                    r = copy(piece.offset, piece.length);
                }
                if (r.status != Status::Done) return r;
            }
        }
        if (!pack::CopyPackTrailer(out_, file_, error)) return Fail(error);
        return copy(layout.tailStart, file_.size() - layout.tailStart);
    }

    WriteResult archive(pack::ArchiveFormat format, const FileLayout& layout, const std::vector<TrackPlan>& plans,
                        const core::TextCodec& codec) {
        if (WriteResult r = copy(0, layout.headTag); r.status != Status::Done) return r;
        const std::unique_ptr<pack::ArchiveWriter> writer = pack::MakeArchiveWriter(format, &codec);
        pack::OutputSink sink(out_, layout.headTag, progress_, pacer_);
        // ZIP offsets count from behind the head tag, as the pack writer has them.
        if (const pack::ArchiveError e = writer->start(layout.headTag); e != pack::ArchiveError::None) {
            return Fail(std::string(pack::ArchiveErrorText(e)));
        }
        auto archiveFailure = [&](pack::ArchiveError e) -> WriteResult {
            if (sink.cancelled()) return Cancelled();
            if (e == pack::ArchiveError::WriteFailed || sink.failed()) {
                return Fail(pack::WriteErrorText(out_.lastError()));
            }
            if (e == pack::ArchiveError::ReadFailed || e == pack::ArchiveError::DataChanged) {
                return Fail("Cannot read " + path_);
            }
            return Fail(std::string(pack::ArchiveErrorText(e)));
        };
        for (std::size_t i = 0; i < plans.size(); ++i) {
            if (WriteResult r = startTrack(plans, i); r.status != Status::Done) return r;
            std::vector<std::unique_ptr<pack::MemberSource>> owned;
            std::vector<const pack::MemberSource*> parts;
            for (const Piece& piece : plans[i].pieces(tag_)) {
                if (piece.bytes) {
                    owned.push_back(std::make_unique<pack::BytesSource>(*piece.bytes));
                } else {
                    owned.push_back(std::make_unique<pack::FileRegionsSource>(
                        file_, std::vector<pack::FileRegionsSource::Region>{{piece.offset, piece.length}},
                        kMemberChunkSize, &buffer_));
                }
                parts.push_back(owned.back().get());
            }
            const pack::JoinedSource data(std::move(parts));
            const pack::ArchiveError e =
                pack::WriteArchiveMember(*writer, sink, plans[i].name, plans[i].span.dosDateTime, data);
            if (e != pack::ArchiveError::None || sink.cancelled() || sink.failed()) return archiveFailure(e);
        }
        if (const pack::ArchiveError e = writer->finish(sink); e != pack::ArchiveError::None) return archiveFailure(e);
        return copy(layout.tailStart, file_.size() - layout.tailStart);
    }

private:
    const core::InputFile& file_;
    const std::string& path_;
    pack::OutputFile& out_;
    core::Progress& progress_;
    core::ProgressPacer pacer_;
    TagBuilder buildTag_;
    Bytes buffer_;
    Bytes tag_;  // the current track's new ID3v2 tag
};

TagSaveOutcome Failed(std::string message) {
    TagSaveOutcome outcome;
    outcome.status = Status::Failed;
    outcome.message = std::move(message);
    return outcome;
}

// Done with every problem named in one text.
void Summarize(TagSaveOutcome& outcome) {
    for (const TagSaveProblem& problem : outcome.problems) {
        if (!outcome.message.empty()) outcome.message += "\n";
        outcome.message += pack::ShortName(problem.path);
        outcome.message += ": " + problem.message;
    }
}

}  // namespace

TagSaveOutcome SavePackedTags(const std::string& packedPath, core::ContainerKind kind, const core::FolderRows& rows,
                              const std::vector<pack::TrackSpan>& spans, const TagSaveOptions& options,
                              core::Progress& progress, const pack::OutputFactory& openOutput) {
    if (kind != core::ContainerKind::Pack && kind != core::ContainerKind::Zip && kind != core::ContainerKind::Lzh) {
        return Failed("Tags can be saved only into the tracks of Pack, Zip and Lha packed files");
    }
    if (!options.genres) return Failed("No genre table was given");
    if (rows.size() != spans.size() || rows.id3v1.size() != rows.size() || rows.id3v2.size() != rows.size()) {
        return Failed("The track rows of " + packedPath + " do not match its tracks; nothing was saved");
    }
    bool edited = false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        edited = edited || V1Edited(rows, i, options.variant) || V2Edited(rows, i, options.variant);
    }
    if (!edited) return {};

    const core::TextCodec& codec = options.codec ? *options.codec : core::LegacyCodec();
    std::string reason;
    std::optional<core::InputFile> file = core::InputFile::Open(packedPath, &reason);
    if (!file) return Failed("Cannot open " + packedPath + ": " + reason);

    std::vector<TrackPlan> plans;
    FileLayout layout;
    if (!CheckLayout(*file, packedPath, kind, spans, plans, layout, reason, codec)) return Failed(reason);

    TagSaveOutcome outcome;
    bool anyRewritten = false;
    for (std::size_t i = 0; i < plans.size(); ++i) {
        if (!PlanTags(*file, rows, i, options, codec, plans[i], reason)) {
            outcome.problems.push_back({i, packedPath + "/" + plans[i].name, reason});
            // The track stays as it is, both of its tags included.
            plans[i].rewritten = false;
            continue;
        }
        if (plans[i].rewritten) {
            outcome.savedRows.push_back(i);
            anyRewritten = true;
        }
    }
    if (!anyRewritten) {
        Summarize(outcome);
        return outcome;
    }

    progress.setCaption("Saving ...");
    const std::string temp = core::TempPathBeside(packedPath);
    std::unique_ptr<pack::OutputFile> out =
        openOutput ? openOutput(temp, reason) : pack::OpenNewDiskOutput(temp, reason);
    if (!out) {
        // Nothing to remove: the name may now belong to another program's file.
        return Failed("Cannot create a file in " + core::FolderOf(packedPath) + ": " + reason);
    }
    Writer writer(*file, packedPath, *out, progress, [&](std::size_t i, Bytes& tag, std::string& error) {
        return BuildTag(*file, rows, i, plans[i], options, codec, tag, error);
    });
    WriteResult result = kind == core::ContainerKind::Pack
                             ? writer.pack(layout, plans, codec)
                             : writer.archive(kind == core::ContainerKind::Zip ? pack::ArchiveFormat::Zip
                                                                               : pack::ArchiveFormat::Lzh,
                                              layout, plans, codec);
    if (result.status == Status::Done && !out->close()) result = Fail(pack::WriteErrorText(out->lastError()));
    out.reset();

    struct stat original {};
    if (result.status == Status::Done) {
        // The new file takes the place of one the user may have edited
        // meanwhile: that edit is not thrown away.
        if (::stat(packedPath.c_str(), &original) != 0 || static_cast<std::uint64_t>(original.st_size) != file->size() ||
            original.st_mtime != file->modificationTime()) {
            result = Fail(packedPath + " has changed while it was saved; nothing was saved");
        } else if (::chmod(temp.c_str(), original.st_mode & 07777) != 0) {
            result = Fail("Cannot set the permissions of " + temp + ": " + std::strerror(errno));
        }
    }
    file.reset();

    std::string backup;
    if (result.status == Status::Done) {
        backup = pack::BackupPathFor(packedPath, core::PathExists);
        if (!core::RenameNoReplace(packedPath, backup)) {
            result = Fail("Cannot rename " + packedPath + " to " + backup + ": " + std::strerror(errno));
        } else if (!core::RenameNoReplace(temp, packedPath)) {
            result = Fail("Cannot rename the new file to " + packedPath + ": " + std::strerror(errno));
            if (!core::RenameNoReplace(backup, packedPath)) {
                result.message += "; the original file is kept as " + backup;
                outcome.backupPath = backup;
            }
        }
    }
    if (result.status != Status::Done) {
        ::unlink(temp.c_str());
        outcome.status = result.status;
        outcome.savedRows.clear();
        outcome.problems.clear();
        outcome.message =
            result.status == Status::Cancelled ? "Cancelled - the file is unchanged" : std::move(result.message);
        return outcome;
    }
    core::SyncFolder(packedPath);
    outcome.backupPath = backup;
    if (!options.keepBackup && ::unlink(backup.c_str()) == 0) outcome.backupPath.clear();
    Summarize(outcome);
    return outcome;
}

}  // namespace quilto::tags
