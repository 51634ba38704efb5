// Rewriting a whole packed file (Pack, Zip, Lha) with some of its tracks
// changed: new stored names, new tags, or both. The new file is written
// complete under a temporary name beside the original, which is moved to its
// backup name only then; the new file takes the original's name. Bytes the
// caller does not change are copied as they are: the head tag, the track
// directory's flags, the added frames, the trailer, archive dates and the
// file's own trailing ID3v1 tag.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/Bytes.h"
#include "core/ContainerKind.h"
#include "core/InputFile.h"
#include "core/Progress.h"
#include "core/TextCodec.h"
#include "pack/PackWriter.h"
#include "pack/TrackLists.h"

namespace quilto::pack {

// One run of bytes of the new file: built in memory, or a region of the
// packed file copied unchanged.
struct RewritePiece {
    const core::Bytes* bytes = nullptr;  // null: the region below
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    std::uint64_t size() const { return bytes ? bytes->size() : length; }
};

struct RewriteTrack {
    std::string name;  // as stored
    std::string artist, title;
    TrackSpan span;
    bool rewritten = false;
    // The old ID3v2 tag is replaced by one of newTagSize bytes (0: removed).
    // The new tag is built again when it is written, so that only one
    // track's tag is held at a time, whatever pictures the tags carry.
    bool replaceTag = false;
    std::uint64_t newTagSize = 0;
    std::optional<core::Bytes> newV1;  // replaces the old ID3v1 tag (empty: removed)
    std::uint64_t oldTag = 0;    // the old ID3v2 tag's bytes at the span's start
    std::uint64_t oldV1 = 0;     // the old ID3v1 tag's bytes at the span's end

    // The track in the new file, in order; `tag` is the new ID3v2 tag.
    std::vector<RewritePiece> pieces(const core::Bytes& tag) const {
        if (!rewritten) return {RewritePiece{nullptr, span.start, span.end - span.start}};
        const std::uint64_t audioStart = span.start + oldTag;
        const std::uint64_t audioEnd = span.end - oldV1;
        return {replaceTag ? RewritePiece{&tag} : RewritePiece{nullptr, span.start, oldTag},
                RewritePiece{nullptr, audioStart, audioEnd - audioStart},
                newV1 ? RewritePiece{&*newV1} : RewritePiece{nullptr, audioEnd, oldV1}};
    }
    std::uint64_t length() const {
        if (!rewritten) return span.end - span.start;
        return (replaceTag ? newTagSize : oldTag) + (span.end - span.start - oldTag - oldV1) +
               (newV1 ? newV1->size() : oldV1);
    }
};

// Where the parts of the packed file lie that are copied around the tracks.
struct RewriteLayout {
    std::uint64_t headTag = 0;    // the file's own ID3v2 tag: [0, headTag)
    std::uint64_t tailStart = 0;  // the file's own trailing ID3v1 tag: [tailStart, size)
    std::string albumTitle;       // Pack: the directory's album title
};

// The tracks as listed now must be `spans`, in the container's body, ordered
// and (Pack) back to back from the added frames to the trailer: any byte the
// rewrite would not carry over ends the run. Fills one track per span with
// its stored names, and the layout around them. Every stored name must be
// one the code page gives back byte for byte.
bool ReadRewriteLayout(core::InputFile& file, const std::string& path, core::ContainerKind kind,
                       const std::vector<TrackSpan>& spans, std::vector<RewriteTrack>& tracks, RewriteLayout& layout,
                       std::string& error, const core::TextCodec& codec);

enum class RewriteStatus { Done, Cancelled, Failed };

struct RewriteResult {
    RewriteStatus status = RewriteStatus::Done;
    std::string message;     // why it failed; "Cancelled - the file is unchanged"
    std::string backupPath;  // the backup kept, "" when none remains
};

// Builds track i's new ID3v2 tag while the file is written (for tracks whose
// replaceTag is set); false with the reason.
using TagBuilder = std::function<bool(std::size_t i, core::Bytes& tag, std::string& error)>;

// Writes the new file from `file` (opened at `path`, read by
// ReadRewriteLayout) and puts it in place: the original becomes ".bak" (or
// ".bk1", ...) and is deleted after a complete run when keepBackup is off,
// once the new file and the folder are on disk. `file` is closed before the
// renames. On Cancel or failure the temporary file is removed and the
// original stays as it was, under its own name.
RewriteResult RewritePackedFile(const std::string& path, std::optional<core::InputFile>& file,
                                core::ContainerKind kind, const RewriteLayout& layout,
                                const std::vector<RewriteTrack>& tracks, const TagBuilder& buildTag, bool keepBackup,
                                core::Progress& progress, const OutputFactory& openOutput,
                                const core::TextCodec& codec);

}  // namespace quilto::pack
