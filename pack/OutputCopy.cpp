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

CopyResult CopyRegion(const core::InputFile& in, std::uint64_t offset, std::uint64_t length, OutputFile& out,
                      core::Bytes& buffer, core::Progress& progress, core::ProgressPacer& pacer) {
    while (length > 0) {
        pacer.step();
        if (progress.cancelRequested()) return CopyResult::Cancelled;
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(length, kCopyChunkSize));
        if (buffer.size() < n) buffer.resize(n);
        if (in.readAt(offset, buffer.data(), n) != n) return CopyResult::ReadFailed;
        if (!out.write(buffer.data(), n)) return CopyResult::WriteFailed;
        progress.addBytesDone(n);
        pacer.step();
        offset += n;
        length -= n;
    }
    return CopyResult::Ok;
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
