// The pack writer: plans the output tracks' regions, checks that every field
// of the chosen format can hold them, and only then writes the new file
// beside its target and renames it into place.
#include "pack/PackWriter.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <set>

#include "core/FilePlacement.h"
#include "core/Id3v2Reader.h"
#include "core/Id3v1.h"
#include "core/InputFile.h"
#include "core/NumberText.h"
#include "core/SeekCueTime.h"
#include "pack/ArchiveSink.h"
#include "pack/ArchiveWriter.h"
#include "pack/CueText.h"
#include "pack/DosDateTime.h"
#include "pack/HeadTag.h"
#include "pack/LzhWriter.h"
#include "pack/MemberSource.h"
#include "pack/OutputCopy.h"
#include "pack/PackBlock.h"
#include "pack/PackTrailer.h"
#include "pack/ZipWriter.h"

namespace quilto::pack {

namespace {

using Status = PackOutcome::Status;

using core::BaseName;
using core::FolderOf;
using core::PathExists;
using core::RenameNoReplace;
using core::SameFile;
using core::SyncFolder;
using core::TempPathBeside;

// The file the run reads a track row from. On the UnPack page every track
// lies in the opened packed file.
std::string SourcePathOf(const TrackPage& page, SaveMode mode, const TrackRow& row) {
    if (mode != SaveMode::Create && !page.header.filePath.empty()) return page.header.filePath;
    return row.sourcePath;
}

// The name a track is stored under: no forbidden character, never empty
// (archives cannot hold a member without a name). A name taken from a row
// loses its folder part; one made from texts keeps their slashes replaced.
std::string StoredTrackName(std::string_view name, bool fromRow, std::size_t item,
                            const ForbiddenReplacements& replacements) {
    std::string valid =
        MakeValidFileName(fromRow ? BaseName(name) : std::string(name), ForbiddenMode::Replace, replacements);
    if (!valid.empty()) return valid;
    char fallback[32];
    std::snprintf(fallback, sizeof fallback, "Track %02zu.mp3", item + 1);
    return fallback;
}

// Opens source files one at a time, keeping the last one open, and checks
// that each is still the size the plan saw.
class SourceSlot {
public:
    const core::InputFile* open(const std::string& path, std::string& error) {
        if (file_ && path_ == path) return &*file_;
        file_.reset();
        std::string reason;
        file_ = core::InputFile::Open(path, &reason);
        if (!file_) {
            error = "Cannot open " + path + ": " + reason;
            return nullptr;
        }
        path_ = path;
        return &*file_;
    }
    void close() { file_.reset(); }

private:
    std::string path_;
    std::optional<core::InputFile> file_;
};

enum class PlanStatus { Ok, Cancelled, Failed, Empty };

// Anonymous memory asked for in huge pages and never cleared: tens of MB in
// 4 KiB pages cost a page fault each, and faults are what the cut spent most
// of its time on besides the copy.
class AudioBuffer {
public:
    explicit AudioBuffer(std::size_t size) : size_(size) {
        if (size_ == 0) return;
        void* p = ::mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) return;
        ::madvise(p, size_, MADV_HUGEPAGE);  // advice only: without it the buffer still works
        data_ = static_cast<std::uint8_t*>(p);
    }
    AudioBuffer(const AudioBuffer&) = delete;
    AudioBuffer& operator=(const AudioBuffer&) = delete;
    ~AudioBuffer() {
        if (data_) ::munmap(data_, size_);
    }
    // False when the memory could not be had.
    bool valid() const { return data_ || size_ == 0; }
    std::uint8_t* data() { return data_; }
    std::size_t size() const { return size_; }
    core::ByteView view() const { return {data_, size_}; }

private:
    std::uint8_t* data_ = nullptr;
    std::size_t size_;
};

struct Plan {
    PlanStatus status = PlanStatus::Ok;
    std::string error;
    std::vector<PackWork> work;
    // Per work item: the file its bytes come from, that file's size when
    // planned, and the member's date.
    std::vector<std::string> sources;
    std::vector<std::uint64_t> sourceSizes;
    std::vector<std::uint32_t> dates;
    // Cut by the cue list: the source's audio, read whole for the cue search
    // and written from here rather than read a second time; audioStart is
    // where it lies in the file.
    std::unique_ptr<AudioBuffer> audio;
    std::uint64_t audioStart = 0;
};

struct Cut {
    std::uint64_t start = 0;
    std::uint64_t tagBytes = 0;
    std::uint64_t dataStart = 0;
    std::uint64_t dataBytes = 0;
};

bool CheckSpan(const TrackSpan& span, const core::InputFile& file, bool wholeFile, const std::string& path,
               std::string& error) {
    if (span.start > span.end || span.end > file.size()) {
        error = "The track lies past the end of " + path + " (the file has changed)";
        return false;
    }
    if (wholeFile && span.end != file.size()) {
        error = "The size of " + path + " has changed since it was listed";
        return false;
    }
    return true;
}

bool HasId3v1Ending(const core::InputFile& file, std::uint64_t end, std::uint64_t floor) {
    if (end < floor + core::kId3v1Size) return false;
    const core::Bytes block = file.readBytesAt(end - core::kId3v1Size, core::kId3v1Size);
    return block.size() == core::kId3v1Size && block[0] == 'T' && block[1] == 'A' && block[2] == 'G';
}

// The kept tag and audio of the span [start, end): the track's own ID3v2
// tag is kept or skipped, its Xing/Info frame skipped on request.
bool CutRegion(const core::InputFile& file, const std::string& path, std::uint64_t start, std::uint64_t end,
               std::uint32_t xingBytes, const PackOptions& options, Cut& cut, std::string& error) {
    cut = Cut{start, 0, start, end - start};
    std::uint64_t tag = 0;
    if (cut.dataBytes >= core::kId3v2HeaderSize) {
        const core::Bytes header = file.readBytesAt(start, core::kId3v2HeaderSize);
        if (header.size() != core::kId3v2HeaderSize) {
            error = "Cannot read " + path;
            return false;
        }
        tag = core::TagLength(header);
    }
    if (tag > cut.dataBytes) {
        error = "The ID3v2 tag of a track in " + path + " is longer than the track";
        return false;
    }
    if (options.removeId3v2) {
        cut.start += tag;
    } else {
        cut.tagBytes = tag;
    }
    cut.dataBytes -= tag;
    cut.dataStart = cut.start + cut.tagBytes;
    if (options.removeXing) {
        if (xingBytes > cut.dataBytes) {
            error = "The Xing/Info frame of a track in " + path + " is longer than the track";
            return false;
        }
        cut.dataStart += xingBytes;
        cut.dataBytes -= xingBytes;
    }
    return true;
}

std::vector<std::size_t> RowsOfRun(const TrackPage& page, const PackRun& run) {
    std::vector<std::size_t> rows;
    if (run.mode == SaveMode::SaveSelectionAs) {
        const std::set<std::size_t> selected(run.selectedRows.begin(), run.selectedRows.end());
        for (const std::size_t row : selected) {
            if (row < page.tracks.size()) rows.push_back(row);
        }
    } else {
        for (std::size_t i = 0; i < page.tracks.size(); ++i) rows.push_back(i);
    }
    return rows;
}

void PlanTracks(const TrackPage& page, const PackRun& run, Plan& plan) {
    const PackOptions& options = run.choices.options;
    SourceSlot slot;
    for (const std::size_t index : RowsOfRun(page, run)) {
        const TrackRow& row = page.tracks[index];
        const std::string path = SourcePathOf(page, run.mode, row);
        const core::InputFile* file = slot.open(path, plan.error);
        if (!file) return void(plan.status = PlanStatus::Failed);
        const bool wholeFile = run.mode == SaveMode::Create && row.memberName.empty();
        Cut cut;
        if (!CheckSpan(row.span, *file, wholeFile, path, plan.error) ||
            !CutRegion(*file, path, row.span.start, row.span.end, row.xingBytes, options, cut, plan.error)) {
            return void(plan.status = PlanStatus::Failed);
        }
        if (options.removeId3v1 && HasId3v1Ending(*file, cut.dataStart + cut.dataBytes, cut.dataStart)) {
            cut.dataBytes -= core::kId3v1Size;
        }
        PackWork item;
        item.row = static_cast<std::int32_t>(index);
        item.start = cut.start;
        item.tagBytes = cut.tagBytes;
        item.dataStart = cut.dataStart;
        item.dataBytes = cut.dataBytes;
        item.fileName = StoredTrackName(row.memberName.empty() ? row.fileName : row.memberName, true,
                                        plan.work.size(), run.replacements);
        item.artist = row.artist;
        item.title = row.title;
        plan.work.push_back(std::move(item));
        plan.sources.push_back(path);
        plan.sourceSizes.push_back(file->size());
        plan.dates.push_back(row.span.dosDateTime != 0 ? row.span.dosDateTime
                                                       : DosDateTimeFromUnix(file->modificationTime()));
    }
    if (plan.work.empty()) plan.status = PlanStatus::Empty;
}

// The whole audio of a file cut by its cue list, held for the cue search.
std::string PanelCount(std::size_t i, std::size_t n) {
    return "(" + std::to_string(i) + "/" + std::to_string(n) + ")";
}

// One source cut at the cue list's index times: one item per cue row.
void PlanEntire(const TrackPage& page, const PackRun& run, core::Progress* progress, Plan& plan) {
    const PackOptions& options = run.choices.options;
    if (page.cues.empty() || page.tracks.empty()) return void(plan.status = PlanStatus::Empty);
    if (run.mode == SaveMode::Create && page.tracks.size() != 1) {
        plan.error = "Cutting by the cue sheet needs exactly one track in the list";
        return void(plan.status = PlanStatus::Failed);
    }
    if (progress) progress->setCaption("Please Wait ...");
    const TrackRow& first = page.tracks.front();
    const std::string path = SourcePathOf(page, run.mode, first);
    SourceSlot slot;
    const core::InputFile* file = slot.open(path, plan.error);
    if (!file) return void(plan.status = PlanStatus::Failed);
    TrackSpan span = first.span;
    const bool wholeFile = run.mode == SaveMode::Create && first.memberName.empty();
    if (run.mode != SaveMode::Create) span.end = page.tracks.back().span.end;
    Cut cut;
    if (!CheckSpan(span, *file, wholeFile, path, plan.error) ||
        !CutRegion(*file, path, span.start, span.end, first.xingBytes, options, cut, plan.error)) {
        return void(plan.status = PlanStatus::Failed);
    }
    std::uint64_t audioEnd = cut.dataStart + cut.dataBytes;
    if (options.removeId3v1 && HasId3v1Ending(*file, audioEnd, cut.dataStart)) audioEnd -= core::kId3v1Size;
    const std::uint64_t length = audioEnd - cut.dataStart;
    if (length > kMaxEntireAudioBytes) {
        plan.error = "The audio of " + path + " is too large to be cut by the cue sheet (more than " +
                     std::to_string(kMaxEntireAudioBytes >> 20) + " MiB)";
        return void(plan.status = PlanStatus::Failed);
    }
    auto audio = std::make_unique<AudioBuffer>(static_cast<std::size_t>(length));
    if (!audio->valid()) {
        plan.error = "Not enough memory to cut " + path + " by the cue sheet";
        return void(plan.status = PlanStatus::Failed);
    }
    if (length > 0 && file->readAt(cut.dataStart, audio->data(), audio->size()) != audio->size()) {
        plan.error = "Cannot read " + path;
        return void(plan.status = PlanStatus::Failed);
    }
    const std::uint64_t sourceSize = file->size();
    const std::int64_t modified = file->modificationTime();
    slot.close();

    if (progress) progress->setCaption("Frame Scan");
    const std::size_t count = page.cues.size();
    std::vector<std::size_t> boundaries{0};
    auto panels = [&](std::size_t i) {
        if (!progress) return;
        progress->setPanelText(0, page.cues[i].performer + " - " + page.cues[i].title);
        progress->setPanelText(1, PanelCount(i + 1, count));
    };
    panels(0);
    for (std::size_t i = 1; i < count; ++i) {
        panels(i);
        if (progress) {
            progress->pump();
            if (progress->cancelRequested()) return void(plan.status = PlanStatus::Cancelled);
        }
        try {
            boundaries.push_back(core::SeekCueTime(audio->view(), boundaries.back(), audio->size(), page.cues[i - 1].index,
                                                   page.cues[i].index, page.header.hz));
        } catch (const core::InvalidNumber&) {
            plan.error = "The cue index of track " + std::to_string(i + 1) + " cannot be read";
            return void(plan.status = PlanStatus::Failed);
        }
    }
    boundaries.push_back(audio->size());

    const std::uint32_t date = first.span.dosDateTime != 0 ? first.span.dosDateTime : DosDateTimeFromUnix(modified);
    for (std::size_t i = 0; i < count; ++i) {
        const CueRow& cue = page.cues[i];
        PackWork item;
        item.row = static_cast<std::int32_t>(i);
        item.dataStart = cut.dataStart + boundaries[i];
        item.start = i == 0 ? cut.start : item.dataStart;
        item.tagBytes = i == 0 ? cut.tagBytes : 0;
        item.dataBytes = boundaries[i + 1] - boundaries[i];
        item.fileName = StoredTrackName(cue.performer + " - " + cue.title + ".mp3", false, i, run.replacements);
        item.artist = cue.performer;
        item.title = cue.title;
        plan.work.push_back(std::move(item));
        plan.sources.push_back(path);
        plan.sourceSizes.push_back(sourceSize);
        plan.dates.push_back(date);
    }
    plan.audio = std::move(audio);
    plan.audioStart = cut.dataStart;
}

Plan MakePlan(const TrackPage& page, const PackRun& run, core::Progress* progress) {
    Plan plan;
    if (run.choices.entire) {
        PlanEntire(page, run, progress, plan);
    } else {
        PlanTracks(page, run, plan);
    }
    return plan;
}

// ------------------------------------------------------------ field checks

// ZIP and LZH fields are 32 bits wide (ZIP offsets count from the archive
// base); a member name must fit its length field.
bool CheckArchiveFields(PackFormat format, const std::vector<PackWork>& work, std::string& error) {
    if (format == PackFormat::Zip && work.size() > kZipMaxMembers) {
        error = "A ZIP archive holds at most " + std::to_string(kZipMaxMembers) + " tracks";
        return false;
    }
    std::uint64_t offset = 0;
    std::uint64_t directory = 0;
    for (const PackWork& item : work) {
        const std::uint64_t size = item.tagBytes + item.dataBytes;
        const std::size_t nameBytes = core::LegacyCodec().encode(item.fileName).bytes.size();
        if (size > kMaxArchiveField) {
            error = "The track " + item.fileName + " is too large for the archive (4 GiB at most)";
            return false;
        }
        if (format == PackFormat::Lha) {
            if (nameBytes > kLzhMaxNameBytes) {
                error = "The name of the track " + item.fileName + " is too long for the archive";
                return false;
            }
            continue;
        }
        if (nameBytes > 0xFFFF) {
            error = "The name of the track " + item.fileName + " is too long for the archive";
            return false;
        }
        if (offset > kMaxArchiveField) break;
        offset += kZipLocalHeaderSize + nameBytes + size;
        directory += kZipCentralHeaderSize + nameBytes;
    }
    if (format == PackFormat::Zip && (offset > kMaxArchiveField || directory > kMaxArchiveField)) {
        error = "The tracks are too large for a ZIP archive (4 GiB at most)";
        return false;
    }
    return true;
}

// The Xing/Info frame's totals over the rows the tracks come from.
void XingTotals(const TrackPage& page, const PackRun& run, const Plan& plan, std::uint64_t& frames,
                std::uint64_t& bytes) {
    const bool removeXing = run.choices.options.removeXing;
    frames = 0;
    bytes = 0;
    auto add = [&](const TrackRow& row, bool countFrames) {
        if (countFrames) frames += row.frameCount;
        bytes += row.bitStreamBytes;
        if (row.xingBytes == 0) return;
        if (removeXing) {
            bytes -= std::min<std::uint64_t>(bytes, row.xingBytes);
        } else {
            ++frames;
        }
    };
    if (run.choices.entire) {
        frames = page.header.frameCount;
        for (const TrackRow& row : page.tracks) add(row, false);
    } else {
        for (const PackWork& item : plan.work) add(page.tracks[static_cast<std::size_t>(item.row)], true);
    }
}

// Flag 0x02 says the tracks were cut from one file by its cue list: true
// when this run cuts so, or when it repacks tracks that all come from a file
// that was cut so.
bool KeepsCueCut(const TrackPage& page, const PackRun& run) {
    if (run.choices.entire && run.mode == SaveMode::Create) return true;
    if ((run.optionWord & kOptionEntire) == 0) return false;
    if (run.mode != SaveMode::Create) return true;
    if (run.optionWordSource.empty() || page.tracks.empty()) return false;
    return std::all_of(page.tracks.begin(), page.tracks.end(),
                       [&](const TrackRow& row) { return row.sourcePath == run.optionWordSource; });
}

// What goes before the tracks and after them, built in memory so that every
// field is checked before a file is touched.
struct Frame {
    core::Bytes head;   // head tag, then (Pack) the block, added frames and leading silence
    core::Bytes tail;   // Pack: trailing silence and trailer
    std::uint64_t archiveBase = 0;
};

bool BuildFrame(const TrackPage& page, const PackRun& run, const Plan& plan, Frame& frame, std::string& error) {
    const PackChoices& choices = run.choices;
    const PackOptions& options = choices.options;
    MemoryOutputFile head;
    if (options.id3v2Tag || !run.cueSheetLines.empty()) {
        HeadTagInput tag;
        tag.textFrames = options.id3v2Tag;
        tag.title = choices.title;
        tag.artist = choices.artist;
        tag.unicodeText = run.unicodeText;
        if (!run.cueSheetLines.empty()) {
            tag.cueText = EncodeCueText(CueTextLines(run.cueSheetLines), &error);
            if (!tag.cueText) return false;
        }
        const std::optional<core::Bytes> bytes = BuildHeadTag(tag, &error);
        if (!bytes) return false;
        head.write(*bytes);
    }
    frame.archiveBase = head.bytes().size();

    if (options.format == PackFormat::Zip || options.format == PackFormat::Lha) {
        if (!CheckArchiveFields(options.format, plan.work, error)) return false;
    }
    if (options.format == PackFormat::Pack) {
        PackBlockInput input;
        input.albumTitle = page.header.title;
        input.tracks = plan.work;
        if (!run.syncSafe) input.flags |= PackFlag::PlainOffsets;
        if (KeepsCueCut(page, run)) input.flags |= PackFlag::ByCueSheet;
        if (options.addXing) input.flags |= PackFlag::XingFrame;
        if (options.silentTop) {
            input.flags |= PackFlag::LeadingSilence;
            input.leadingSilent = static_cast<std::uint32_t>(std::max(options.silentTopNo, 0));
        }
        if (options.silentLast) {
            input.flags |= PackFlag::TrailingSilence;
            input.trailingSilent = static_cast<std::uint32_t>(std::max(options.silentLastNo, 0));
        }
        if ((input.flags & PackFlag::Extension) != 0) {
            const TrackRow& modeRow = choices.entire ? page.tracks.front()
                                                     : page.tracks[static_cast<std::size_t>(plan.work.back().row)];
            input.frames = MakeAddedFrameFormat(page.header.kbps, page.header.hz, modeRow.mode, &error);
            if (!input.frames) {
                error = "Frames cannot be added: " + error;
                return false;
            }
        }
        XingTotals(page, run, plan, input.totalFrames, input.totalBytes);
        if (!WritePackBlock(head, input, nullptr, error)) return false;
        MemoryOutputFile tail;
        if (!WritePackTrailer(tail, input.frames, input.trailingSilent, error)) return false;
        frame.tail = tail.bytes();
    }
    frame.head = head.bytes();
    return true;
}

// ---------------------------------------------------------------- writing

// Archive members are read once, in chunks small enough to stay in the
// second-level cache between the checksum and the write (256 KiB measured no
// faster: more system calls).
constexpr std::size_t kArchiveChunkSize = 1 << 20;

struct WriteResult {
    Status status = Status::Written;
    std::string message;
};

WriteResult Fail(std::string message) { return {Status::Failed, std::move(message)}; }

// The item's audio when the plan holds it in memory, else nothing.
std::optional<core::ByteView> AudioInMemory(const Plan& plan, const PackWork& item) {
    if (!plan.audio || item.dataStart < plan.audioStart) return std::nullopt;
    const core::ByteView audio = plan.audio->view();
    const std::uint64_t at = item.dataStart - plan.audioStart;
    if (at > audio.size() || item.dataBytes > audio.size() - at) return std::nullopt;
    return audio.subspan(static_cast<std::size_t>(at), static_cast<std::size_t>(item.dataBytes));
}

// Writes the whole file into `out`; `readPath` maps a planned source to the
// path it is read from now (Save reads the backup).
WriteResult WriteAll(const PackRun& run, const Plan& plan, const Frame& frame, OutputFile& out,
                     const std::function<std::string(const std::string&)>& readPath, core::Progress& progress) {
    const PackFormat format = run.choices.options.format;
    core::ProgressPacer pacer(progress, 1);
    if (!out.write(frame.head)) return Fail(WriteErrorText(out.lastError()));
    progress.setCaption("Saving ...");
    std::uint64_t bytesToDo = 0;  // the tracks; archive headers add a little on top
    for (const PackWork& item : plan.work) bytesToDo += item.tagBytes + item.dataBytes;
    progress.setBytesToDo(bytesToDo);

    std::unique_ptr<ArchiveWriter> archive;
    std::optional<OutputSink> sink;
    if (format == PackFormat::Zip || format == PackFormat::Lha) {
        archive = MakeArchiveWriter(format == PackFormat::Zip ? ArchiveFormat::Zip : ArchiveFormat::Lzh);
        sink.emplace(out, frame.archiveBase, progress, pacer);
        if (const ArchiveError e = archive->start(frame.archiveBase); e != ArchiveError::None) {
            return Fail(std::string(ArchiveErrorText(e)));
        }
    }

    SourceSlot slot;
    core::Bytes buffer;
    const std::size_t n = plan.work.size();
    for (std::size_t i = 0; i < n; ++i) {
        const PackWork& item = plan.work[i];
        progress.setPanelText(0, item.fileName);
        progress.setPanelText(1, PanelCount(i + 1, n));
        pacer.step();
        if (progress.cancelRequested()) return {Status::Cancelled, {}};
        const std::string path = readPath(plan.sources[i]);
        std::string error;
        const core::InputFile* in = slot.open(path, error);
        if (!in) return Fail(error);
        if (in->size() != plan.sourceSizes[i]) return Fail("The size of " + path + " has changed during the run");

        const std::optional<core::ByteView> memory = AudioInMemory(plan, item);
        if (archive) {
            const FileRegionsSource fromFile(
                *in, {{item.start, item.tagBytes}, {item.dataStart, item.dataBytes}}, kArchiveChunkSize, &buffer);
            const FileRegionsSource tag(*in, {{item.start, item.tagBytes}}, kArchiveChunkSize, &buffer);
            const BytesSource audio(memory.value_or(core::ByteView{}));
            const JoinedSource fromMemory({&tag, &audio});
            const MemberSource& data = memory ? static_cast<const MemberSource&>(fromMemory) : fromFile;
            const ArchiveError e = WriteArchiveMember(*archive, *sink, item.fileName, plan.dates[i], data);
            if (sink->cancelled()) return {Status::Cancelled, {}};
            if (e == ArchiveError::WriteFailed || sink->failed()) return Fail(WriteErrorText(out.lastError()));
            if (e == ArchiveError::ReadFailed || e == ArchiveError::DataChanged) return Fail("Cannot read " + path);
            if (e != ArchiveError::None) return Fail(std::string(ArchiveErrorText(e)));
            continue;
        }
        CopyResult copied = CopyRegion(*in, item.start, item.tagBytes, out, buffer, progress, pacer);
        if (copied == CopyResult::Ok) {
            copied = memory ? CopyBytes(*memory, out, progress, pacer)
                            : CopyRegion(*in, item.dataStart, item.dataBytes, out, buffer, progress, pacer);
        }
        switch (copied) {
            case CopyResult::Ok: break;
            case CopyResult::Cancelled: return {Status::Cancelled, {}};
            case CopyResult::ReadFailed: return Fail("Cannot read " + path);
            case CopyResult::WriteFailed: return Fail(WriteErrorText(out.lastError()));
        }
    }
    slot.close();

    if (archive) {
        if (const ArchiveError e = archive->finish(*sink); e != ArchiveError::None) {
            if (sink->cancelled()) return {Status::Cancelled, {}};
            if (e == ArchiveError::WriteFailed) return Fail(WriteErrorText(out.lastError()));
            return Fail(std::string(ArchiveErrorText(e)));
        }
    }
    if (!out.write(frame.tail)) return Fail(WriteErrorText(out.lastError()));
    return {};
}

}  // namespace

bool OutputIsASource(const TrackPage& page, SaveMode mode, const std::string& path) {
    if (path.empty()) return false;
    if (mode != SaveMode::Create && !page.header.filePath.empty() && SameFile(path, page.header.filePath)) {
        return true;
    }
    return std::any_of(page.tracks.begin(), page.tracks.end(), [&](const TrackRow& row) {
        return !row.sourcePath.empty() && SameFile(path, row.sourcePath);
    });
}

std::optional<std::vector<PackWork>> PlanPackWork(const TrackPage& page, const PackRun& run, std::string& error) {
    Plan plan = MakePlan(page, run, nullptr);
    if (plan.status == PlanStatus::Failed) {
        error = plan.error;
        return std::nullopt;
    }
    return std::move(plan.work);
}

PackOutcome SavePacked(const TrackPage& page, const PackRun& run, core::Progress& progress,
                       const OutputFactory& openOutput) {
    PackOutcome outcome;
    const bool save = run.mode == SaveMode::Save;
    const std::string target = save && run.outputPath.empty() ? page.header.filePath : run.outputPath;
    if (target.empty()) {
        outcome.message = "No output file was named";
        return outcome;
    }
    if (!save && OutputIsASource(page, run.mode, target)) {
        outcome.message = "The output file " + target + " is one of the files being packed";
        return outcome;
    }

    Plan plan = MakePlan(page, run, &progress);
    switch (plan.status) {
        case PlanStatus::Ok: break;
        case PlanStatus::Empty: outcome.status = Status::NothingToDo; return outcome;
        case PlanStatus::Cancelled:
            outcome.status = Status::Cancelled;
            outcome.message = "Cancelled - nothing was written";
            return outcome;
        case PlanStatus::Failed: outcome.message = plan.error; return outcome;
    }
    Frame frame;
    if (!BuildFrame(page, run, plan, frame, outcome.message)) return outcome;

    // The new file gets the permissions of the file it replaces.
    struct stat replaced {};
    const bool replacing = ::stat(target.c_str(), &replaced) == 0 && S_ISREG(replaced.st_mode);
    if (!save && !run.replaceExisting && PathExists(target)) {
        outcome.message = target + " exists already; nothing was written";
        return outcome;
    }

    // Save reads the tracks from the backup the original is moved to.
    std::string backup;
    if (save) {
        backup = BackupPathFor(target, PathExists);
        if (!RenameNoReplace(target, backup)) {
            outcome.message = "Cannot rename " + target + " to " + backup + ": " + std::strerror(errno);
            return outcome;
        }
    }
    const auto readPath = [&](const std::string& path) {
        return save && (path == target || path == page.header.filePath) ? backup : path;
    };
    const auto restore = [&](std::string& message) {
        if (!save) return;
        if (!RenameNoReplace(backup, target)) {
            message += "; the original file is kept as " + backup;
        }
    };

    const std::string temp = TempPathBeside(target);
    std::string error;
    std::unique_ptr<OutputFile> out = openOutput ? openOutput(temp, error) : OpenNewDiskOutput(temp, error);
    if (!out) {
        // Nothing to remove: the name may now belong to another program's file.
        outcome.message = "Cannot create a file in " + FolderOf(target) + ": " + error;
        restore(outcome.message);
        return outcome;
    }

    WriteResult result = WriteAll(run, plan, frame, *out, readPath, progress);
    if (result.status == Status::Written && !out->close()) result = Fail(WriteErrorText(out->lastError()));
    out.reset();
    if (result.status == Status::Written && replacing && ::chmod(temp.c_str(), replaced.st_mode & 07777) != 0) {
        result = Fail("Cannot set the permissions of " + temp + ": " + std::strerror(errno));
    }
    if (result.status == Status::Written) {
        // Save puts the new file where the original was moved away from;
        // the other modes replace only a file the user agreed to replace.
        const bool placed = save || !run.replaceExisting ? RenameNoReplace(temp, target)
                                                         : ::rename(temp.c_str(), target.c_str()) == 0;
        if (!placed) result = Fail("Cannot rename the new file to " + target + ": " + std::strerror(errno));
    }
    if (result.status != Status::Written) {
        ::unlink(temp.c_str());
        outcome.status = result.status;
        outcome.message = result.status == Status::Cancelled
                              ? (save ? "Cancelled - the file is unchanged" : "Cancelled - nothing was written")
                              : result.message;
        restore(outcome.message);
        return outcome;
    }
    SyncFolder(target);
    outcome.status = Status::Written;
    outcome.outputPath = target;
    if (save) {
        outcome.backupPath = backup;
        if (!run.keepBackup && ::unlink(backup.c_str()) == 0) outcome.backupPath.clear();
    }
    return outcome;
}

}  // namespace quilto::pack
