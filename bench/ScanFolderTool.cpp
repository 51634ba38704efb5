// Full frame scan of every MP3 named on the command line (a folder means its
// *.mp3 files, any letter case) in one process, as the file list's full scan
// runs it. Made to be timed beside `cat` over the same files; prints one
// summary line so that the work cannot be skipped and can be checked.
// --read-only reads the same files with plain read() calls into one reused
// buffer of the scan's size instead: the floor for any scan in one process.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <optional>
#include <system_error>
#include <vector>

#include "core/FrameScan.h"
#include "core/Id3v2Reader.h"

namespace {

using namespace quilto;

bool HasMp3Extension(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return std::tolower(c); });
    return extension == ".mp3";
}

void AddPath(const std::filesystem::path& path, std::vector<std::string>& files) {
    std::error_code error;
    if (!std::filesystem::is_directory(path, error)) {
        files.push_back(path.string());
        return;
    }
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
        if (entry.is_regular_file(error) && HasMp3Extension(entry.path())) found.push_back(entry.path().string());
    }
    std::sort(found.begin(), found.end());
    files.insert(files.end(), found.begin(), found.end());
}

constexpr std::size_t kReadBufferSize = 256 * 1024;

// Bytes read, or nothing when the file cannot be opened.
std::optional<std::uint64_t> ReadThrough(const std::string& path, std::uint8_t* buffer) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::uint64_t total = 0;
    for (ssize_t got; (got = ::read(fd, buffer, kReadBufferSize)) > 0;) total += static_cast<std::uint64_t>(got);
    ::close(fd);
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const bool readOnly = !arguments.empty() && arguments.front() == "--read-only";
    if (readOnly) arguments.erase(arguments.begin());
    if (arguments.empty() || arguments.front() == "--help") {
        std::fprintf(stderr,
                     "usage: %s [--read-only] PATH...\n"
                     "Full frame scan of each file, or of each *.mp3 of a folder; with --read-only,\n"
                     "plain reads of the same files instead.\n",
                     argv[0]);
        return arguments.empty() ? 2 : 0;
    }
    std::vector<std::string> files;
    for (const std::string& argument : arguments) AddPath(argument, files);

    std::uint64_t bytes = 0;
    std::uint64_t frames = 0;
    int failed = 0;
    core::NoProgress progress;
    const auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(kReadBufferSize);
    for (const std::string& path : files) {
        if (readOnly) {
            if (const auto got = ReadThrough(path, buffer.get())) {
                bytes += *got;
            } else {
                std::fprintf(stderr, "%s: cannot open\n", path.c_str());
                ++failed;
            }
            continue;
        }
        std::string error;
        auto file = core::InputFile::Open(path, &error);
        if (!file) {
            std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
            ++failed;
            continue;
        }
        std::array<std::uint8_t, core::kId3v2HeaderSize> header{};
        const std::size_t got = file->read(header.data(), header.size());
        file->seek(core::TagLength(core::ByteView(header.data(), got)));
        core::FindFirstFrame(*file, core::ContainerKind::NoAudio);
        const core::StreamColumns stream = core::FullFrameScan(*file, 0, true, progress);
        bytes += file->size();
        frames += stream.info.frames + stream.info.otherFrames;
    }
    std::printf("files %zu bytes %llu frames %llu\n", files.size() - static_cast<std::size_t>(failed),
                static_cast<unsigned long long>(bytes), static_cast<unsigned long long>(frames));
    return failed == 0 ? 0 : 1;
}
