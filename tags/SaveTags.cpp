// Saving edited tags into plain MP3 files. Each file is rebuilt beside
// itself under a temporary name (new or old ID3v2 tag, the audio bytes as
// they are, new or old ID3v1 block), flushed, and renamed over the original,
// so a failure, a full disk or a Cancel never leaves a damaged file behind.
#include "tags/SaveTags.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <utility>

#include "core/FilePlacement.h"
#include "core/Id3v1.h"
#include "core/Id3v2Reader.h"
#include "core/Id3v2Writer.h"
#include "core/NumberText.h"
#include "pack/OutputCopy.h"
#include "pack/OutputFile.h"
#include "tags/TagEdits.h"

namespace quilto::tags {

namespace {

using core::Bytes;
using pack::OutputFile;
using pack::WriteErrorText;

// Large enough that the system calls cost nothing beside the bytes, small
// enough that a Cancel is noticed quickly and memory stays bounded.
constexpr std::size_t kCopyChunk = std::size_t{8} << 20;
constexpr std::size_t kBufferSize = std::size_t{1} << 20;

bool Saves(TagVariant variant, TagList list) {
    return (static_cast<int>(variant) & static_cast<int>(list)) != 0;
}

bool RowIsEdited(const core::FolderRows& rows, std::size_t row, TagVariant variant) {
    return (Saves(variant, TagList::Id3v1) && rows.id3v1[row].image == core::kEditedImage) ||
           (Saves(variant, TagList::Id3v2) && rows.id3v2[row].image == core::kEditedImage);
}

// Reads exactly n bytes at offset, or fails.
bool ReadExactly(int fd, std::uint64_t offset, void* destination, std::size_t n) {
    auto* p = static_cast<std::uint8_t*>(destination);
    while (n > 0) {
        const ssize_t got = ::pread(fd, p, n, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        p += got;
        n -= static_cast<std::size_t>(got);
        offset += static_cast<std::uint64_t>(got);
    }
    return true;
}

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

// The temporary file on disk. Besides the checked writes of every output it
// lets the kernel copy the audio from the original (copy_file_range), which
// keeps the save close to the speed of a plain file copy.
class TempFile final : public OutputFile {
public:
    static std::unique_ptr<TempFile> Create(const std::string& path, std::string& error) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            error = std::strerror(errno);
            return nullptr;
        }
        return std::unique_ptr<TempFile>(new TempFile(fd));
    }
    ~TempFile() override {
        if (fd_ >= 0) ::close(fd_);
    }

    bool write(const void* data, std::size_t n) override {
        const auto* p = static_cast<const std::uint8_t*>(data);
        while (n > 0) {
            const ssize_t written = ::write(fd_, p, n);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) {
                lastError_ = written < 0 ? errno : ENOSPC;
                return false;
            }
            p += written;
            n -= static_cast<std::size_t>(written);
        }
        return true;
    }
    std::optional<std::uint64_t> tell() override {
        const off_t position = ::lseek(fd_, 0, SEEK_CUR);
        if (position < 0) {
            lastError_ = errno;
            return std::nullopt;
        }
        return static_cast<std::uint64_t>(position);
    }
    bool seek(std::uint64_t position) override {
        if (::lseek(fd_, static_cast<off_t>(position), SEEK_SET) < 0) {
            lastError_ = errno;
            return false;
        }
        return true;
    }
    bool close() override {
        if (fd_ < 0) return true;
        bool ok = ::fsync(fd_) == 0;
        if (!ok) lastError_ = errno;
        if (::close(std::exchange(fd_, -1)) != 0 && ok) {
            lastError_ = errno;
            ok = false;
        }
        return ok;
    }
    using OutputFile::write;

    enum class Copy { Done, Unsupported, ReadFailed, WriteFailed };
    // Copies n bytes at offset of in behind what was written; offset and n
    // follow what was copied, also when the copy stops part way.
    Copy copyFrom(int in, std::uint64_t& offset, std::size_t& n) {
        while (n > 0) {
            auto from = static_cast<off_t>(offset);
            const ssize_t copied = ::copy_file_range(in, &from, fd_, nullptr, n, 0);
            if (copied < 0 && errno == EINTR) continue;
            if (copied < 0) {
                // Older kernels and some file systems do not copy between files.
                if (errno == ENOSYS || errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP) {
                    return Copy::Unsupported;
                }
                lastError_ = errno;
                // EIO on the input is a read failure; anything else is the output's.
                return errno == EIO ? Copy::ReadFailed : Copy::WriteFailed;
            }
            if (copied == 0) return Copy::ReadFailed;  // the original shrank under us
            offset += static_cast<std::uint64_t>(copied);
            n -= static_cast<std::size_t>(copied);
        }
        return Copy::Done;
    }

private:
    explicit TempFile(int fd) : fd_(fd) {}
    int fd_ = -1;
};

enum class Step { Ok, Cancelled, Failed };

struct FileResult {
    Step step = Step::Ok;
    std::string message;
};

FileResult Failure(std::string message) { return {Step::Failed, std::move(message)}; }

// Copies a range of the original into out in chunks, testing for Cancel
// between them.
FileResult CopyRange(int in, std::uint64_t offset, std::uint64_t length, OutputFile& out, Bytes& buffer,
                     core::ProgressPacer& pacer, bool& kernelCopy) {
    while (length > 0) {
        if (pacer.cancelled()) return {Step::Cancelled, {}};
        const auto chunk = static_cast<std::size_t>(std::min<std::uint64_t>(length, kCopyChunk));
        std::size_t left = chunk;
        if (auto* disk = kernelCopy ? dynamic_cast<TempFile*>(&out) : nullptr) {
            switch (disk->copyFrom(in, offset, left)) {
                case TempFile::Copy::Done: break;
                case TempFile::Copy::Unsupported: kernelCopy = false; break;
                case TempFile::Copy::ReadFailed: return Failure("Cannot read the file");
                case TempFile::Copy::WriteFailed: return Failure(WriteErrorText(out.lastError()));
            }
        }
        if (left > 0 && buffer.empty()) buffer.resize(kBufferSize);
        while (left > 0) {
            const std::size_t n = std::min(left, buffer.size());
            if (!ReadExactly(in, offset, buffer.data(), n)) return Failure("Cannot read the file");
            if (!out.write(buffer.data(), n)) return Failure(WriteErrorText(out.lastError()));
            offset += n;
            left -= n;
        }
        length -= chunk;
        pacer.step();
    }
    return {};
}

// Names the first ID3v1 field the block cannot hold as typed, so that no
// text is silently stored as "?" or cut.
std::string Id3v1Loss(const core::Id3v1Record& tag, const core::TextCodec& codec) {
    const std::pair<const char*, const std::string*> texts[] = {
        {"Artist", &tag.artist}, {"Title", &tag.title},      {"Album", &tag.album},
        {"Year", &tag.year},     {"Comments", &tag.comment},
    };
    const std::size_t widths[] = {core::kId3v1TextWidth, core::kId3v1TextWidth, core::kId3v1TextWidth,
                                  core::kId3v1YearWidth, core::kId3v1CommentWidth};
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        const core::EncodedText encoded = codec.encode(*texts[i].second);
        if (!encoded.lossless) {
            return std::string("the ID3v1 ") + texts[i].first + " holds characters the code page " +
                   codec.codePage() + " cannot store";
        }
        if (encoded.bytes.size() > widths[i]) {
            return std::string("the ID3v1 ") + texts[i].first + " is longer than " + std::to_string(widths[i]) +
                   " bytes";
        }
    }
    return {};
}

struct Layout {
    std::uint64_t size = 0;
    std::uint64_t oldTag = 0;  // head ID3v2 tag, header included
    std::uint64_t headEnd = 0; // behind the head tag and its 2.4 footer, if any
    bool hasId3v1 = false;
    std::uint64_t audio = 0;
};

// Where the parts of the file lie, from the open file itself. Lengths that
// do not fit are an error: the file is left alone rather than cut on a guess.
std::optional<Layout> ReadLayout(int fd, std::uint64_t size, std::string& error) {
    Layout layout;
    layout.size = size;
    std::uint8_t header[core::kId3v2HeaderSize] = {};
    if (size >= core::kId3v2HeaderSize) {
        if (!ReadExactly(fd, 0, header, sizeof header)) {
            error = "Cannot read the file";
            return std::nullopt;
        }
        const core::ByteView view(header, sizeof header);
        layout.oldTag = core::TagLength(view);
        if (layout.oldTag > 0 && std::any_of(header + 6, header + 10, [](std::uint8_t b) { return b & 0x80; })) {
            error = "The size of its ID3v2 tag is damaged; the file was not changed";
            return std::nullopt;
        }
    }
    if (size >= core::kId3v1Size) {
        std::uint8_t tag[3];
        if (!ReadExactly(fd, size - core::kId3v1Size, tag, sizeof tag)) {
            error = "Cannot read the file";
            return std::nullopt;
        }
        layout.hasId3v1 = std::memcmp(tag, "TAG", 3) == 0;
    }
    layout.headEnd = layout.oldTag;
    if (layout.oldTag > 0 && size >= layout.oldTag + core::kId3v2HeaderSize) {
        // A 2.4 footer repeats the header behind the frames; it belongs to
        // the old tag and goes with it, or it would stay behind as junk.
        std::uint8_t footer[3];
        if (header[3] == 4 && (header[5] & 0x10) != 0 && ReadExactly(fd, layout.oldTag, footer, sizeof footer) &&
            std::memcmp(footer, "3DI", 3) == 0) {
            layout.headEnd += core::kId3v2HeaderSize;
        }
    }
    const std::uint64_t tags = layout.headEnd + (layout.hasId3v1 ? core::kId3v1Size : 0);
    if (tags > size) {
        error = "Its stored tag lengths do not fit inside the file; the file was not changed";
        return std::nullopt;
    }
    layout.audio = size - tags;
    return layout;
}

bool SameState(const struct stat& a, const struct stat& b) {
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ino == b.st_ino && a.st_dev == b.st_dev;
}

struct SaveJob {
    const core::FolderRows& rows;
    std::size_t row;
    const TagSaveOptions& options;
    const core::TextCodec& codec;
    const pack::OutputFactory& openOutput;
    core::ProgressPacer& pacer;
    Bytes& buffer;
    bool& kernelCopy;
    // Folders whose renames still have to be made durable. Once per folder
    // at the end: each new file was flushed before its rename, so a crash
    // leaves the old or the new file whole either way, and a folder flush
    // per file would cost more than the copy.
    std::set<std::string>& renamed;
};

FileResult SaveOne(const SaveJob& job) {
    const core::FolderRows& rows = job.rows;
    const std::size_t i = job.row;
    const core::Id3v1Row& v1Row = rows.id3v1[i];
    const core::Id3v2Row& v2Row = rows.id3v2[i];
    const bool editV2 = Saves(job.options.variant, TagList::Id3v2) && v2Row.image == core::kEditedImage;
    const bool editV1 = Saves(job.options.variant, TagList::Id3v1) && v1Row.image == core::kEditedImage;

    // A link stays a link: the file it leads to gets the new content.
    std::string target = rows.path(i);
    std::error_code ec;
    if (std::filesystem::is_symlink(target, ec)) {
        const auto resolved = std::filesystem::canonical(target, ec);
        if (ec) return Failure("Cannot open the file: " + ec.message());
        target = resolved.string();
    }

    Descriptor in(::open(target.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) return Failure(std::string("Cannot open the file: ") + std::strerror(errno));
    struct stat before {};
    if (::fstat(in.get(), &before) != 0) return Failure(std::string("Cannot read the file: ") + std::strerror(errno));
    if (!S_ISREG(before.st_mode)) return Failure("Not a regular file");
    const auto size = static_cast<std::uint64_t>(before.st_size);

    // Tags edited on rows of one file must not land in another that took its
    // name since the folder was read.
    const core::FileRecord& record = rows.files[i];
    const bool known = record.fileSize != 0 || record.modificationTime != 0;
    if (known && (record.fileSize != size || record.modificationTime != before.st_mtim.tv_sec)) {
        return Failure("The file changed after the folder was read; read the folder again. The file was not changed");
    }

    std::string error;
    const std::optional<Layout> layout = ReadLayout(in.get(), size, error);
    if (!layout) return Failure(error);

    // Everything that can refuse the file is decided before anything is written.
    Bytes newV2;
    if (editV2 && v2Row.tagMark == 1) {
        Bytes oldTag(static_cast<std::size_t>(layout->oldTag));
        if (!oldTag.empty() && !ReadExactly(in.get(), 0, oldTag.data(), oldTag.size())) {
            return Failure("Cannot read the file");
        }
        core::Id3v2WriteOptions writeOptions;
        writeOptions.supportTagOnly = job.options.supportTagOnly;
        writeOptions.unicodeText = job.options.unicodeText;
        writeOptions.codec = &job.codec;
        core::Id3v2BuildResult built = core::BuildId3v2(v2Row.tag, oldTag, writeOptions);
        if (!built.ok()) return Failure("The ID3v2 tag cannot be written: " + built.error);
        newV2 = std::move(built.tag);
    }
    std::optional<core::Id3v1Block> newV1;
    if (editV1 && v1Row.tagMark == 1) {
        const std::string loss = Id3v1Loss(v1Row.tag, job.codec);
        if (!loss.empty()) return Failure("Not saved: " + loss);
        try {
            newV1 = core::BuildId3v1(v1Row.tag, *job.options.genres, job.codec);
        } catch (const core::InvalidNumber&) {
            return Failure("Not saved: the ID3v1 track \"" + v1Row.tag.track + "\" is not a number from 0 to 255");
        }
    }

    const std::string temp = core::TempPathBeside(target);
    std::unique_ptr<OutputFile> out;
    if (job.openOutput) {
        out = job.openOutput(temp, error);
    } else {
        out = TempFile::Create(temp, error);
    }
    if (!out) return Failure("Cannot create a file in " + core::FolderOf(target) + ": " + error);

    auto abandon = [&](FileResult result) {
        out.reset();
        ::unlink(temp.c_str());
        return result;
    };

    // ID3v2 part, then the audio; an unedited old tag travels with the audio.
    std::uint64_t copyFrom = layout->headEnd;
    if (editV2) {
        if (!newV2.empty() && !out->write(newV2)) return abandon(Failure(WriteErrorText(out->lastError())));
    } else {
        copyFrom = 0;
    }
    const std::uint64_t audioEnd = layout->headEnd + layout->audio;
    FileResult copied = CopyRange(in.get(), copyFrom, audioEnd - copyFrom, *out, job.buffer, job.pacer, job.kernelCopy);
    if (copied.step != Step::Ok) return abandon(std::move(copied));

    if (editV1) {
        if (newV1 && !out->write(newV1->bytes.data(), newV1->bytes.size())) {
            return abandon(Failure(WriteErrorText(out->lastError())));
        }
    } else if (layout->hasId3v1) {
        std::uint8_t old[core::kId3v1Size];
        if (!ReadExactly(in.get(), audioEnd, old, sizeof old)) return abandon(Failure("Cannot read the file"));
        if (!out->write(old, sizeof old)) return abandon(Failure(WriteErrorText(out->lastError())));
    }
    if (job.pacer.cancelled()) return abandon({Step::Cancelled, {}});
    if (!out->close()) return abandon(Failure(WriteErrorText(out->lastError())));
    out.reset();

    // The new file keeps the old one's owner where allowed and its access
    // rights (after the owner, which may clear some of them).
    if (::chown(temp.c_str(), before.st_uid, before.st_gid) != 0) {
        // Only a privileged user may give a file away; the rights below still hold.
    }
    if (::chmod(temp.c_str(), before.st_mode & 07777) != 0) {
        return abandon(Failure(std::string("Cannot set the permissions of the new file: ") + std::strerror(errno)));
    }

    // Someone wrote to the file while it was copied: their version wins.
    struct stat after {};
    struct stat now {};
    if (::fstat(in.get(), &after) != 0 || !SameState(before, after) || ::stat(target.c_str(), &now) != 0 ||
        now.st_ino != before.st_ino || now.st_dev != before.st_dev) {
        return abandon(Failure("The file changed while it was saved; the file was not changed"));
    }
    // The one intended replace: the complete new file takes the old one's name.
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        return abandon(Failure(std::string("Cannot replace the file: ") + std::strerror(errno)));
    }
    job.renamed.insert(core::FolderOf(target));
    return {};
}

}  // namespace

bool HasRowsToSave(const core::FolderRows& rows, TagVariant variant) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (RowIsEdited(rows, i, variant)) return true;
    }
    return false;
}

TagSaveOutcome SaveTags(const core::FolderRows& rows, const TagSaveOptions& options, core::Progress& progress,
                        const pack::OutputFactory& openOutput) {
    TagSaveOutcome outcome;
    if (!options.genres) {
        outcome.status = TagSaveOutcome::Status::Failed;
        outcome.message = "No genre table was given; nothing was saved";
        return outcome;
    }
    const core::TextCodec& codec = options.codec ? *options.codec : core::LegacyCodec();

    // Only rows the command saves: a file whose other tag alone was edited
    // is not rewritten for nothing.
    std::vector<std::size_t> todo;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (RowIsEdited(rows, i, options.variant)) todo.push_back(i);
    }

    progress.setCaption("Saving ...");
    core::ProgressPacer pacer(progress, 1);
    Bytes buffer;
    bool kernelCopy = true;
    std::set<std::string> renamed;
    const std::string total = "/" + std::to_string(todo.size()) + ")";
    std::uint64_t bytesToDo = 0, bytesDone = 0;
    for (const std::size_t row : todo) bytesToDo += rows.files[row].fileSize;
    progress.setBytesToDo(bytesToDo);
    for (std::size_t done = 0; done < todo.size(); ++done) {
        if (pacer.cancelled()) {
            outcome.status = TagSaveOutcome::Status::Cancelled;
            break;
        }
        const std::size_t row = todo[done];
        progress.setPanelText(0, rows.files[row].fileName());
        progress.setPanelText(1, "(" + std::to_string(done + 1) + total);
        progress.pump();
        const FileResult result = SaveOne({rows, row, options, codec, openOutput, pacer, buffer, kernelCopy, renamed});
        if (result.step != Step::Cancelled) {
            bytesDone += rows.files[row].fileSize;
            progress.setBytesDone(bytesDone);
        }
        if (result.step == Step::Ok) {
            outcome.savedRows.push_back(row);
        } else if (result.step == Step::Cancelled) {
            outcome.status = TagSaveOutcome::Status::Cancelled;
            break;
        } else {
            outcome.problems.push_back({row, rows.path(row), result.message});
        }
    }

    for (const std::string& folder : renamed) core::SyncFolder(folder + "/.");

    for (const TagSaveProblem& problem : outcome.problems) {
        if (!outcome.message.empty()) outcome.message += '\n';
        outcome.message += problem.path + ": " + problem.message;
    }
    if (outcome.status == TagSaveOutcome::Status::Cancelled) {
        if (!outcome.message.empty()) outcome.message += '\n';
        outcome.message += "Cancelled - " + std::to_string(outcome.savedRows.size()) +
                           " file(s) were saved before; the file being saved is unchanged";
    }
    return outcome;
}

}  // namespace quilto::tags
