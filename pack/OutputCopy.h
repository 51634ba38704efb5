// What the writers of whole packed files share when they stream into an
// OutputFile: the chunked copy of a region of an input file that stops on
// Cancel, the archive writers' sink over the output, and the failure text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/Bytes.h"
#include "core/InputFile.h"
#include "core/Progress.h"
#include "pack/ArchiveSink.h"
#include "pack/OutputFile.h"

namespace quilto::pack {

// The user's message for a failed write: the system's error number.
std::string WriteErrorText(int error);

// A new file on disk, created exclusively: nothing is ever written over.
std::unique_ptr<OutputFile> OpenNewDiskOutput(const std::string& path, std::string& error);

enum class CopyResult { Ok, Cancelled, ReadFailed, WriteFailed };

// Copies [offset, offset + length) of `in` in pieces of at most
// kCopyChunkSize bytes, testing Cancel before each piece. `buffer` is lent
// by the caller so that many copies share one allocation.
CopyResult CopyRegion(const core::InputFile& in, std::uint64_t offset, std::uint64_t length, OutputFile& out,
                      core::Bytes& buffer, core::Progress& progress, core::ProgressPacer& pacer);
// The same for bytes already in memory.
CopyResult CopyBytes(core::ByteView bytes, OutputFile& out, core::Progress& progress, core::ProgressPacer& pacer);

// The archive writers' sink over an output; a Cancel stops it between
// chunks. It patches by seeking back and returning to the end.
class OutputSink final : public ArchiveSink {
public:
    OutputSink(OutputFile& out, std::uint64_t position, core::Progress& progress, core::ProgressPacer& pacer)
        : out_(out), position_(position), progress_(progress), pacer_(pacer) {}

    bool write(core::ByteView bytes) override;
    std::uint64_t position() const override { return position_; }
    bool canPatch() const override { return true; }
    bool patch(std::uint64_t at, core::ByteView bytes) override;
    bool cancelled() const { return cancelled_; }
    bool failed() const { return failed_; }

private:
    OutputFile& out_;
    std::uint64_t position_;
    core::Progress& progress_;
    core::ProgressPacer& pacer_;
    bool cancelled_ = false;
    bool failed_ = false;
};

}  // namespace quilto::pack
