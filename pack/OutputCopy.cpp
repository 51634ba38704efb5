#include "pack/OutputCopy.h"

#include <algorithm>
#include <optional>

#include "pack/MemberSource.h"

namespace quilto::pack {

std::string WriteErrorText(int error) { return "Write Error - " + std::to_string(error); }

std::unique_ptr<OutputFile> OpenNewDiskOutput(const std::string& path, std::string& error) {
    std::optional<DiskOutputFile> file = DiskOutputFile::CreateNew(path, &error);
    if (!file) return nullptr;
    return std::make_unique<DiskOutputFile>(std::move(*file));
}

namespace {

// Writes length bytes in pieces of at most kCopyChunkSize, testing Cancel
// before each; piece(at, n) gives the n bytes from `at` on, or nothing when
// they cannot be read.
template <typename Piece>
CopyResult CopyPieces(std::uint64_t length, OutputFile& out, core::Progress& progress, core::ProgressPacer& pacer,
                      Piece piece) {
    for (std::uint64_t at = 0; at < length;) {
        pacer.step();
        if (progress.cancelRequested()) return CopyResult::Cancelled;
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(length - at, kCopyChunkSize));
        const std::optional<core::ByteView> bytes = piece(at, n);
        if (!bytes) return CopyResult::ReadFailed;
        if (!out.write(bytes->data(), n)) return CopyResult::WriteFailed;
        progress.addBytesDone(n);
        pacer.step();
        at += n;
    }
    return CopyResult::Ok;
}

}  // namespace

CopyResult CopyRegion(const core::InputFile& in, std::uint64_t offset, std::uint64_t length, OutputFile& out,
                      core::Bytes& buffer, core::Progress& progress, core::ProgressPacer& pacer) {
    return CopyPieces(length, out, progress, pacer, [&](std::uint64_t at, std::size_t n) -> std::optional<core::ByteView> {
        if (buffer.size() < n) buffer.resize(n);
        if (in.readAt(offset + at, buffer.data(), n) != n) return std::nullopt;
        return core::ByteView(buffer.data(), n);
    });
}

CopyResult CopyBytes(core::ByteView bytes, OutputFile& out, core::Progress& progress, core::ProgressPacer& pacer) {
    return CopyPieces(bytes.size(), out, progress, pacer, [&](std::uint64_t at, std::size_t n) {
        return std::optional(bytes.subspan(static_cast<std::size_t>(at), n));
    });
}

bool OutputSink::write(core::ByteView bytes) {
    pacer_.step();
    if (progress_.cancelRequested()) {
        cancelled_ = true;
        return false;
    }
    if (!out_.write(bytes)) {
        failed_ = true;
        return false;
    }
    position_ += bytes.size();
    progress_.addBytesDone(bytes.size());
    return true;
}

bool OutputSink::patch(std::uint64_t at, core::ByteView bytes) {
    if (at > position_ || bytes.size() > position_ - at || !out_.seek(at) || !out_.write(bytes) ||
        !out_.seek(position_)) {
        failed_ = true;
        return false;
    }
    return true;
}

}  // namespace quilto::pack
