#include "pack/ExtractTracks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <set>

#include "core/FilePlacement.h"
#include "core/Id3v2Writer.h"
#include "core/InputFile.h"
#include "pack/DosDateTime.h"
#include "pack/OutputCopy.h"
#include "pack/OutputFile.h"
#include "pack/PackFields.h"

namespace quilto::pack {

namespace {

std::uint64_t TrackBytes(const TrackSpan& span) { return span.end > span.start ? span.end - span.start : 0; }

using Status = ExtractOutcome::Status;

// Large enough that the copy costs about what the system calls cost, small
// enough that Cancel is seen within a fraction of a second on a slow disk.
constexpr std::size_t kCopyChunk = std::size_t{1} << 20;
constexpr const char* kCancelledText = "Cancelled - the files written before stay";

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A name of dots and blanks alone would name the folder itself, its parent
// or something no user can tell apart from them.
bool OnlyDotsAndBlanks(std::string_view name) {
    return std::all_of(name.begin(), name.end(), [](char c) { return c == '.' || c == ' ' || c == '\t'; });
}

std::vector<std::size_t> RowsToExtract(const TrackPage& page, const ExtractRequest& request) {
    std::vector<std::size_t> rows;
    if (!request.choices.selectAll) {
        std::set<std::size_t> chosen;
        for (const std::size_t row : request.selectedRows) {
            if (row < page.tracks.size()) chosen.insert(row);
        }
        rows.assign(chosen.begin(), chosen.end());
    }
    if (rows.empty()) {
        for (std::size_t row = 0; row < page.tracks.size(); ++row) rows.push_back(row);
    }
    return rows;
}

// The folder the tracks go into; nothing (and the reason) when the chosen
// subfolder name cannot be used. Creates nothing.
std::optional<std::string> TargetFolder(const ExtractRequest& request, bool& create, std::string& error) {
    create = false;
    if (request.outputFolder.empty() || !IsFolder(request.outputFolder)) {
        error = "The output folder " + request.outputFolder + " does not exist";
        return std::nullopt;
    }
    const std::string& name = request.choices.folderName;
    if (!request.choices.options.makeDir || name.empty()) return request.outputFolder;
    const std::string valid = MakeValidFileName(name, ForbiddenMode::Replace, request.replacements);
    if (OnlyDotsAndBlanks(name) || valid.empty()) {
        error = "\"" + name + "\" cannot be the name of a folder";
        return std::nullopt;
    }
    const std::string folder = Join(request.outputFolder, valid);
    if (core::PathExists(folder)) {
        if (!IsFolder(folder)) {
            error = folder + " exists and is not a folder";
            return std::nullopt;
        }
    } else {
        create = true;
    }
    return folder;
}

bool SetModificationTime(const std::string& path, std::uint32_t dosDateTime) {
    struct timespec times[2] {};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(UnixFromDosDateTime(dosDateTime));
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

struct TrackCopyResult {
    Status status = Status::Done;
    std::string message;
};

// Writes the tag and the span's bytes into `out`, testing for Cancel between
// chunks.
TrackCopyResult CopyTrack(const core::InputFile& source, const std::string& sourcePath, const TrackSpan& span,
                     const core::Bytes& tag, DiskOutputFile& out, std::uint8_t* buffer, core::ProgressPacer& pacer) {
    if (!tag.empty() && !out.write(tag)) return {Status::Failed, WriteErrorText(out.lastError())};
    for (std::uint64_t at = span.start; at < span.end;) {
        if (pacer.cancelled()) return {Status::Cancelled, kCancelledText};
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kCopyChunk, span.end - at));
        errno = 0;
        if (source.readAt(at, buffer, n) != n) {
            const int code = errno;
            return {Status::Failed, "Read Error - cannot read " + sourcePath +
                                        (code != 0 ? ": " + std::string(std::strerror(code))
                                                   : ": the file has become shorter")};
        }
        if (!out.write(buffer, n)) return {Status::Failed, WriteErrorText(out.lastError())};
        at += n;
        pacer.step();
    }
    return {};
}

}  // namespace

core::Bytes WriteExtractTag(std::string_view artist, std::string_view title, std::string_view album,
                            std::string_view track, const core::TextCodec& codec, bool unicodeText) {
    core::Id3v2Record fields;
    fields.artist = std::string(artist);
    fields.title = std::string(title);
    fields.album = std::string(album);
    fields.track = std::string(track);
    core::Id3v2WriteOptions options;
    options.unicodeText = unicodeText;
    options.codec = &codec;
    // Four short texts stay far below the size limit, the one way building fails.
    return core::BuildId3v2(fields, {}, options).tag;
}

std::string ExtractTrackNumber(std::size_t row) {
    char text[32];
    std::snprintf(text, sizeof text, "%02zu", row + 1);
    return text;
}

std::string ExtractFileName(const TrackRow& row, std::size_t rowIndex, const ForbiddenReplacements& replacements) {
    const std::string base = core::BaseName(row.fileName);
    std::string name;
    if (base != "." && base != "..") name = MakeValidFileName(base, ForbiddenMode::Replace, replacements);
    if (name.empty() || name == "." || name == "..") name = "Track " + ExtractTrackNumber(rowIndex) + ".mp3";
    return name;
}

ExtractOutcome ExtractTracks(const TrackPage& page, const ExtractRequest& request, core::Progress& progress,
                             const AskExisting& ask, const core::TextCodec& codec) {
    ExtractOutcome outcome;
    bool createFolder = false;
    const std::optional<std::string> folder = TargetFolder(request, createFolder, outcome.message);
    if (!folder) return outcome;

    const std::string& packedPath = page.header.filePath;
    std::string reason;
    std::optional<core::InputFile> source = core::InputFile::Open(packedPath, &reason);
    if (!source) {
        outcome.message = "Cannot open " + packedPath + ": " + reason;
        return outcome;
    }
    const std::vector<std::size_t> rows = RowsToExtract(page, request);
    // Every span is checked before anything is created, so that a file that
    // changed since it was opened leaves no half-done run behind.
    for (const std::size_t row : rows) {
        const TrackSpan& span = page.tracks[row].span;
        if (span.start > span.end || span.end > source->size()) {
            outcome.message = "Track " + std::to_string(row + 1) + " lies past the end of " + packedPath +
                              " (the file has changed since it was opened)";
            return outcome;
        }
    }
    if (createFolder && ::mkdir(folder->c_str(), 0777) != 0 && !IsFolder(*folder)) {
        outcome.message = "Cannot create the folder " + *folder + ": " + std::strerror(errno);
        return outcome;
    }
    outcome.folder = *folder;

    progress.setCaption("Extracting ...");
    // Each chunk is a long step: look at the clock every time.
    core::ProgressPacer pacer(progress, 1);
    const auto buffer = std::make_unique<std::uint8_t[]>(kCopyChunk);
    const ExtractOptions& options = request.choices.options;
    const std::string album = options.id3v2Album ? page.header.title : std::string();
    bool overwriteAll = false;
    std::size_t k = 0;
    std::uint64_t bytesToDo = 0, bytesDone = 0;
    for (const std::size_t row : rows) bytesToDo += TrackBytes(page.tracks[row].span);
    progress.setBytesToDo(bytesToDo);

    for (const std::size_t row : rows) {
        ++k;
        if (pacer.cancelled()) {
            outcome.status = Status::Cancelled;
            outcome.message = kCancelledText;
            return outcome;
        }
        const TrackRow& track = page.tracks[row];
        progress.setBytesDone(bytesDone);  // the tracks before this one
        bytesDone += TrackBytes(track.span);
        progress.setPanelText(0, track.fileName);
        progress.setPanelText(1, "(" + std::to_string(k) + "/" + std::to_string(rows.size()) + ")");
        pacer.step();

        const std::string target = Join(*folder, ExtractFileName(track, row, request.replacements));
        if (core::SameFile(target, packedPath)) {
            outcome.skipped.push_back(target);
            outcome.message = target + " is the opened packed file; it was not overwritten";
            continue;
        }
        struct stat existing {};
        const bool exists = ::lstat(target.c_str(), &existing) == 0;
        bool replace = false;
        if (exists) {
            const ExistingAnswer answer = overwriteAll ? ExistingAnswer::OverwriteAll
                                          : ask       ? ask(target)
                                                      : ExistingAnswer::Skip;
            if (answer == ExistingAnswer::Cancel) {
                outcome.status = Status::Cancelled;
                outcome.message = kCancelledText;
                return outcome;
            }
            if (answer == ExistingAnswer::Skip) {
                outcome.skipped.push_back(target);
                continue;
            }
            overwriteAll = overwriteAll || answer == ExistingAnswer::OverwriteAll;
            replace = true;
        }

        core::Bytes tag;
        if (options.id3v2Tag) {
            std::uint8_t head[3] = {};
            const bool tagged = track.span.end - track.span.start >= sizeof head &&
                                source->readAt(track.span.start, head, sizeof head) == sizeof head &&
                                head[0] == 'I' && head[1] == 'D' && head[2] == '3';
            if (!tagged) {
                tag = WriteExtractTag(options.id3v2Artist ? track.artist : std::string(),
                                      options.id3v2Title ? track.title : std::string(), album,
                                      options.id3v2Track ? ExtractTrackNumber(row) : std::string(), codec,
                                      request.unicodeText);
            }
        }

        const std::string temp = core::TempPathBeside(target);
        std::optional<DiskOutputFile> out = DiskOutputFile::CreateNew(temp);
        if (!out) {
            // Nothing to remove: the name may now belong to another program's file.
            outcome.message = WriteErrorText(errno);
            return outcome;
        }
        // Only a replaced file is worth the flush: a new one replaces nothing
        // that a crash could lose.
        out->setSyncOnClose(replace);
        TrackCopyResult copied = CopyTrack(*source, packedPath, track.span, tag, *out, buffer.get(), pacer);
        if (copied.status == Status::Done && !out->close()) copied = {Status::Failed, WriteErrorText(out->lastError())};
        out.reset();
        if (copied.status == Status::Done && track.span.dosDateTime != 0 &&
            !SetModificationTime(temp, track.span.dosDateTime)) {
            copied = {Status::Failed, "Cannot set the date of " + target + ": " + std::strerror(errno)};
        }
        // A replaced file keeps its permissions.
        if (copied.status == Status::Done && replace && S_ISREG(existing.st_mode)) {
            ::chmod(temp.c_str(), existing.st_mode & 07777);
        }
        if (copied.status == Status::Done) {
            const bool placed =
                replace ? ::rename(temp.c_str(), target.c_str()) == 0 : core::RenameNoReplace(temp, target);
            if (!placed) copied = {Status::Failed, "Cannot put " + target + " in place: " + std::strerror(errno)};
        }
        if (copied.status != Status::Done) {
            ::unlink(temp.c_str());
            outcome.status = copied.status;
            outcome.message = copied.message;
            return outcome;
        }
        if (replace) core::SyncFolder(target);
        outcome.extractedRows.push_back(row);
    }
    outcome.status = Status::Done;
    return outcome;
}

}  // namespace quilto::pack
