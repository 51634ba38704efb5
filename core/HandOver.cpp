#include "core/HandOver.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "core/AsciiCase.h"

namespace quilto::core {

namespace {

// The name under which folder lists the entry that name reaches. Only a
// listed name that differs in letter case and is the very same file counts,
// so a hard link of another name is never taken for it.
std::string OnDiskName(const std::string& folder, const std::string& name) {
    struct stat wanted {};
    if (::lstat((folder + "/" + name).c_str(), &wanted) != 0) return name;
    DIR* dir = ::opendir(folder.empty() ? "/" : folder.c_str());
    if (!dir) return name;
    std::string found = name;
    bool exact = false;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view listed = entry->d_name;
        if (listed == name) {
            exact = true;
            break;
        }
        struct stat candidate {};
        if (found == name && EqualIgnoringCase(listed, name) &&
            ::fstatat(::dirfd(dir), entry->d_name, &candidate, AT_SYMLINK_NOFOLLOW) == 0 &&
            candidate.st_dev == wanted.st_dev && candidate.st_ino == wanted.st_ino) {
            found = listed;
        }
    }
    ::closedir(dir);
    return exact ? name : found;
}

}  // namespace

std::string ToLongPathName(std::string_view path, bool lastOnly) {
    namespace fs = std::filesystem;
    const std::string unchanged(path);
    if (path.empty()) return unchanged;

    std::error_code ec;
    fs::path absolute(unchanged);
    if (!absolute.is_absolute()) {
        const fs::path current = fs::current_path(ec);
        if (ec) return unchanged;
        absolute = current / absolute;
    }
    std::string normal = absolute.lexically_normal().string();
    struct stat info {};
    if (::lstat(normal.c_str(), &info) != 0) return unchanged;

    // A trailing separator is kept: it says the path names a folder.
    const bool trailing = normal.size() > 1 && normal.back() == '/';
    if (trailing) normal.pop_back();

    std::vector<std::string> parts;
    for (std::size_t start = 1; start < normal.size();) {
        const auto end = std::min(normal.find('/', start), normal.size());
        parts.push_back(normal.substr(start, end - start));
        start = end + 1;
    }

    std::string folder;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (!lastOnly || i + 1 == parts.size()) parts[i] = OnDiskName(folder, parts[i]);
        folder += "/" + parts[i];
    }
    if (folder.empty()) folder = "/";
    else if (trailing) folder += '/';
    return folder;
}

std::string BuildHandOverText(const std::vector<std::string>& arguments) {
    std::string text;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        text += ToLongPathName(arguments[i], i != 0);
        text += "\r\n";
    }
    return text;
}

std::vector<std::string> ParseHandOverText(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> lines;
    while (!text.empty()) {
        const auto end = text.find("\r\n");
        lines.emplace_back(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 2);
    }
    return lines;
}

}  // namespace quilto::core
