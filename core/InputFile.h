// A read-only file with a position, read through a cache window so that the
// scanners' many small reads cost no system call each. Can also stand over a
// byte buffer already in memory (tracks of a packed file, tests).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/Bytes.h"

namespace quilto::core {

class InputFile {
public:
    // On failure returns nothing and, when error is given, the system's reason.
    static std::optional<InputFile> Open(const std::string& path, std::string* error = nullptr);
    static InputFile FromBytes(Bytes data);

    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    std::uint64_t size() const { return size_; }
    std::uint64_t position() const { return position_; }
    void seek(std::uint64_t position) { position_ = position; }

    // Reads up to n bytes at the position and advances it by what was read;
    // fewer than n only at the end of the file.
    std::size_t read(void* destination, std::size_t n);

    // Reads up to n bytes at offset without touching the position or moving the
    // cache window: the path for bulk reads. A range the window already holds
    // is copied from it.
    std::size_t readAt(std::uint64_t offset, void* destination, std::size_t n) const;

    // Up to n bytes at offset; fewer only at the end of the file.
    Bytes readBytesAt(std::uint64_t offset, std::size_t n) const;

    // The file's modification time, seconds since the epoch (0 for a buffer).
    std::int64_t modificationTime() const { return modificationTime_; }

private:
    InputFile() = default;
    void close();

    int fd_ = -1;
    Bytes memory_;  // the data itself when the file stands over a buffer
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;
    std::int64_t modificationTime_ = 0;
    std::unique_ptr<std::uint8_t[]> window_;  // kWindowSize bytes once used, never cleared
    std::uint64_t windowStart_ = 0;
    std::size_t windowLength_ = 0;
};

}  // namespace quilto::core
