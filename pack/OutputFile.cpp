#include "pack/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>

namespace quilto::pack {

std::optional<DiskOutputFile> DiskOutputFile::OpenDevice(const std::string& path, std::string* error) {
    std::optional<DiskOutputFile> file = Open(path, O_WRONLY | O_CLOEXEC, error);
    struct stat status {};
    if (file && (::fstat(file->fd_, &status) != 0 || !S_ISCHR(status.st_mode))) {
        if (error) *error = std::strerror(ENODEV);
        return std::nullopt;
    }
    return file;
}

std::optional<DiskOutputFile> DiskOutputFile::CreateNew(const std::string& path, std::string* error) {
    return Open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, error);
}

std::optional<DiskOutputFile> DiskOutputFile::Open(const std::string& path, int flags, std::string* error) {
    const int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) {
        if (error) *error = std::strerror(errno);
        return std::nullopt;
    }
    DiskOutputFile file;
    file.fd_ = fd;
    return file;
}

DiskOutputFile::DiskOutputFile(DiskOutputFile&& other) noexcept
    : OutputFile(other), fd_(std::exchange(other.fd_, -1)), syncOnClose_(other.syncOnClose_) {}

DiskOutputFile& DiskOutputFile::operator=(DiskOutputFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        lastError_ = other.lastError_;
        fd_ = std::exchange(other.fd_, -1);
        syncOnClose_ = other.syncOnClose_;
    }
    return *this;
}

DiskOutputFile::~DiskOutputFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool DiskOutputFile::write(const void* data, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (n > 0) {
        if (fd_ < 0) {
            lastError_ = EBADF;
            return false;
        }
        const ssize_t written = ::write(fd_, p, n);
        if (written < 0) {
            if (errno == EINTR) continue;
            lastError_ = errno;
            return false;
        }
        if (written == 0) {
            lastError_ = ENOSPC;
            return false;
        }
        p += written;
        n -= static_cast<std::size_t>(written);
    }
    return true;
}

std::optional<std::uint64_t> DiskOutputFile::tell() {
    const off_t position = fd_ < 0 ? -1 : ::lseek(fd_, 0, SEEK_CUR);
    if (position < 0) {
        lastError_ = fd_ < 0 ? EBADF : errno;
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(position);
}

bool DiskOutputFile::seek(std::uint64_t position) {
    if (fd_ < 0) {
        lastError_ = EBADF;
        return false;
    }
    if (position > static_cast<std::uint64_t>(INT64_MAX)) {
        lastError_ = EINVAL;
        return false;
    }
    if (::lseek(fd_, static_cast<off_t>(position), SEEK_SET) < 0) {
        lastError_ = errno;
        return false;
    }
    return true;
}

bool DiskOutputFile::close() {
    if (fd_ < 0) return true;
    bool ok = !syncOnClose_ || ::fsync(fd_) == 0;
    if (!ok) lastError_ = errno;
    if (::close(std::exchange(fd_, -1)) != 0 && ok) {
        lastError_ = errno;
        ok = false;
    }
    return ok;
}

bool MemoryOutputFile::write(const void* data, std::size_t n) {
    if (n == 0) return true;
    const auto* p = static_cast<const std::uint8_t*>(data);
    if (position_ > bytes_.size()) bytes_.resize(static_cast<std::size_t>(position_), 0);
    const auto at = static_cast<std::size_t>(position_);
    const std::size_t overlap = std::min(n, bytes_.size() - at);
    std::copy(p, p + overlap, bytes_.begin() + static_cast<std::ptrdiff_t>(at));
    bytes_.insert(bytes_.end(), p + overlap, p + n);
    position_ += n;
    return true;
}

bool MemoryOutputFile::seek(std::uint64_t position) {
    position_ = position;
    return true;
}

}  // namespace quilto::pack
