#include "core/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace quilto::core {

namespace {
// Big enough for a tag and the first frames in one read; the full frame scan
// uses its own larger buffer through readAt.
constexpr std::size_t kWindowSize = 64 * 1024;
// The first fill is smaller: a file's first reads are the head tag's header,
// the tag and the first frame, which lie within a few KiB unless the tag
// holds a picture, and copying 64 KiB for them cost the quick scan of a
// folder about a tenth of its time (bench/README.md).
constexpr std::size_t kFirstWindowSize = 16 * 1024;
// A file up to this size is read whole by the first fill: one read then
// serves the head tag, the first frame and the ID3v1 block at the end.
constexpr std::size_t kWholeFileFill = 32 * 1024;
}  // namespace

std::optional<InputFile> InputFile::Open(const std::string& path, std::string* error) {
    // Non-blocking, so that a FIFO named like an MP3 cannot hang the open; it
    // is then refused as not a regular file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (error) *error = std::strerror(errno);
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int code = S_ISDIR(info.st_mode) ? EISDIR : errno;
        if (error) *error = std::strerror(code != 0 ? code : EINVAL);
        ::close(fd);
        return std::nullopt;
    }
    InputFile file;
    file.fd_ = fd;
    file.size_ = static_cast<std::uint64_t>(info.st_size);
    file.modificationTime_ = info.st_mtim.tv_sec;
    return file;
}

InputFile InputFile::FromBytes(Bytes data) {
    InputFile file;
    file.size_ = data.size();
    file.memory_ = std::move(data);
    return file;
}

InputFile::InputFile(InputFile&& other) noexcept { *this = std::move(other); }

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        memory_ = std::move(other.memory_);
        size_ = other.size_;
        position_ = other.position_;
        modificationTime_ = other.modificationTime_;
        window_ = std::move(other.window_);
        windowStart_ = other.windowStart_;
        windowLength_ = std::exchange(other.windowLength_, 0);
    }
    return *this;
}

InputFile::~InputFile() { close(); }

void InputFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

std::size_t InputFile::readAt(std::uint64_t offset, void* destination, std::size_t n) const {
    if (offset >= size_ || n == 0) return 0;
    n = static_cast<std::size_t>(std::min<std::uint64_t>(n, size_ - offset));
    if (fd_ < 0) {
        std::memcpy(destination, memory_.data() + offset, n);
        return n;
    }
    if (offset >= windowStart_ && offset + n <= windowStart_ + windowLength_) {
        std::memcpy(destination, window_.get() + (offset - windowStart_), n);
        return n;
    }
    auto* out = static_cast<std::uint8_t*>(destination);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got = ::pread(fd_, out + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;  // an I/O error reads as the end of the data
        done += static_cast<std::size_t>(got);
    }
    return done;
}

Bytes InputFile::readBytesAt(std::uint64_t offset, std::size_t n) const {
    if (offset >= size_) return {};
    Bytes bytes(static_cast<std::size_t>(std::min<std::uint64_t>(n, size_ - offset)));
    bytes.resize(readAt(offset, bytes.data(), bytes.size()));
    return bytes;
}

std::size_t InputFile::read(void* destination, std::size_t n) {
    if (n == 0) return 0;  // an empty buffer may have no address to copy to
    const bool inWindow = position_ >= windowStart_ && position_ + n <= windowStart_ + windowLength_;
    if (!inWindow && fd_ >= 0 && n < kWindowSize) {
        const bool firstFill = !window_;
        if (firstFill) window_ = std::make_unique_for_overwrite<std::uint8_t[]>(kWindowSize);
        const std::size_t fill = !firstFill ? kWindowSize : size_ <= kWholeFileFill ? kWholeFileFill : kFirstWindowSize;
        // Emptied first, so that readAt fetches from the file rather than the old window.
        windowLength_ = 0;
        windowStart_ = firstFill && size_ <= kWholeFileFill ? 0 : position_;
        windowLength_ = readAt(windowStart_, window_.get(), fill);
    }
    std::size_t got = 0;
    if (fd_ >= 0 && position_ >= windowStart_ && position_ < windowStart_ + windowLength_) {
        const auto offset = static_cast<std::size_t>(position_ - windowStart_);
        got = std::min(n, windowLength_ - offset);
        std::memcpy(destination, window_.get() + offset, got);
        // A read too large for the window may start inside it: the rest
        // comes from the file, or it would end short before the file does.
        if (got < n) got += readAt(position_ + got, static_cast<std::uint8_t*>(destination) + got, n - got);
    } else {
        got = readAt(position_, destination, n);
    }
    position_ += got;
    return got;
}

}  // namespace quilto::core
