#include "core/ReplaceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace quilto::core {

namespace {

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

std::string FileErrorText(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + std::strerror(error);
}

bool ReplaceFileContent(const std::string& path, std::string_view content, std::string* error) {
    namespace fs = std::filesystem;
    auto fail = [&](const std::string& what, const std::string& name, int code) {
        if (error) *error = FileErrorText(what, name, code);
        return false;
    };

    std::string target = path;
    std::error_code ec;
    if (fs::is_symlink(path, ec)) {
        const fs::path resolved = fs::canonical(path, ec);
        if (!ec) target = resolved.string();
    }

    struct stat old {};
    const bool hadOld = ::stat(target.c_str(), &old) == 0;

    // A unique name beside the target, so that the rename stays on one file system.
    std::string temp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temp = target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return fail("Cannot create", temp, errno);
    }
    if (fd < 0) return fail("Cannot create", temp, EEXIST);

    auto abandon = [&](const std::string& what, const std::string& name) {
        const int code = errno;
        if (fd >= 0) ::close(fd);
        ::unlink(temp.c_str());
        return fail(what, name, code);
    };

    if (hadOld) (void)::fchmod(fd, old.st_mode & 07777);  // keep the owner's choice of access
    if (!WriteAll(fd, content)) return abandon("Cannot write", temp);
    if (::fsync(fd) != 0) return abandon("Cannot write", temp);
    const int closing = fd;
    fd = -1;
    if (::close(closing) != 0) return abandon("Cannot write", temp);
    if (::rename(temp.c_str(), target.c_str()) != 0) return abandon("Cannot replace", target);

    // Make the rename itself durable; the file is complete whatever happens here.
    const std::string folder = fs::path(target).parent_path().empty() ? "." : fs::path(target).parent_path().string();
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        (void)::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

}  // namespace quilto::core
