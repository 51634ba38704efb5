// The one seam every packed-file writer writes through: a sink with a
// position whose every operation reports failure, so that no short write goes
// unnoticed and tests can make any single write fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/Bytes.h"

namespace quilto::pack {

class OutputFile {
public:
    virtual ~OutputFile() = default;

    // Writes all n bytes at the position and advances it, or fails.
    virtual bool write(const void* data, std::size_t n) = 0;
    virtual std::optional<std::uint64_t> tell() = 0;
    virtual bool seek(std::uint64_t position) = 0;
    // Makes the bytes durable and releases the output; false when that fails.
    // Outputs without a device behind them have nothing to do.
    virtual bool close() { return true; }

    // The system's error number of the last failure (0 when it had none),
    // for the "Write Error - " message.
    int lastError() const { return lastError_; }

    bool write(core::ByteView bytes) { return write(bytes.data(), bytes.size()); }
    bool write(std::string_view bytes) { return write(bytes.data(), bytes.size()); }

protected:
    int lastError_ = 0;
};

// A file on disk, written from its start.
class DiskOutputFile final : public OutputFile {
public:
    // A new file; fails when the path exists already, so that no other file
    // is ever overwritten (the writers use temporary names beside a target).
    static std::optional<DiskOutputFile> CreateNew(const std::string& path, std::string* error = nullptr);
    // A character device such as /dev/full; anything else is refused, so no
    // file's content can be written over in place.
    static std::optional<DiskOutputFile> OpenDevice(const std::string& path, std::string* error = nullptr);

    DiskOutputFile(DiskOutputFile&& other) noexcept;
    DiskOutputFile& operator=(DiskOutputFile&& other) noexcept;
    DiskOutputFile(const DiskOutputFile&) = delete;
    DiskOutputFile& operator=(const DiskOutputFile&) = delete;
    ~DiskOutputFile() override;

    bool write(const void* data, std::size_t n) override;
    std::optional<std::uint64_t> tell() override;
    bool seek(std::uint64_t position) override;
    using OutputFile::write;

    // Flushes to the disk and closes; false when either fails.
    bool close() override;

    // A brand-new file that replaces nothing risks nothing when a crash
    // loses it, so its writer may skip the flush that close() would do.
    void setSyncOnClose(bool sync) { syncOnClose_ = sync; }

private:
    DiskOutputFile() = default;
    static std::optional<DiskOutputFile> Open(const std::string& path, int flags, std::string* error);
    int fd_ = -1;
    bool syncOnClose_ = true;
};

// Bytes in memory: for content built whole before it goes out, and for tests.
class MemoryOutputFile final : public OutputFile {
public:
    bool write(const void* data, std::size_t n) override;
    std::optional<std::uint64_t> tell() override { return position_; }
    bool seek(std::uint64_t position) override;
    using OutputFile::write;

    const core::Bytes& bytes() const { return bytes_; }

private:
    core::Bytes bytes_;
    std::uint64_t position_ = 0;
};

}  // namespace quilto::pack
