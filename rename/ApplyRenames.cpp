#include "rename/ApplyRenames.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/FilePlacement.h"

namespace quilto::rename {

int RenameFileSystem::renameNoReplace(const std::string& from, const std::string& to) const {
    return core::RenameNoReplace(from, to) ? 0 : errno;
}

std::optional<FileFacts> RenameFileSystem::facts(const std::string& path) const {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
    FileFacts f;
    f.device = static_cast<std::uint64_t>(st.st_dev);
    f.inode = static_cast<std::uint64_t>(st.st_ino);
    f.size = static_cast<std::uint64_t>(st.st_size);
    f.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    return f;
}

int RenameFileSystem::openForReading(const std::string& path) const {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    ::close(fd);
    return 0;
}

const RenameFileSystem& DiskFileSystem() {
    static const RenameFileSystem disk;
    return disk;
}

namespace {

bool SameEntry(const std::optional<FileFacts>& a, const std::optional<FileFacts>& b) {
    return a && b && a->device == b->device && a->inode == b->inode;
}

std::string Joined(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

int RenameOne(const std::string& folder, const std::string& from, const std::string& to,
              const RenameFileSystem& fileSystem, std::string* keptAs) {
    const std::string source = Joined(folder, from);
    const std::string target = Joined(folder, to);
    if (!SameEntry(fileSystem.facts(source), fileSystem.facts(target))) {
        return fileSystem.renameNoReplace(source, target);
    }
    // Only the letter case changes on a file system that ignores it (or the
    // two names are links of one file, and the second step then fails).
    const std::string temp = core::TempPathBeside(target);
    if (const int error = fileSystem.renameNoReplace(source, temp); error != 0) return error;
    const int error = fileSystem.renameNoReplace(temp, target);
    if (error != 0 && fileSystem.renameNoReplace(temp, source) != 0 && keptAs) *keptAs = temp;
    return error;
}

ApplyOutcome ApplyRenames(core::FolderRows& rows, const RenameFileSystem& fileSystem) {
    ApplyOutcome outcome;
    auto pending = [&](std::size_t i) {
        return rows.rename[i].image == core::kEditedImage && rows.rename[i].to != rows.rename[i].from;
    };
    auto fail = [&](std::size_t i, int error) {
        outcome.failures.push_back({i, rows.rename[i].from, rows.rename[i].to, error, {}});
        if (i < rows.files.size()) rows.files[i].icon = core::FileIcon::CannotOpen;
    };

    for (std::size_t i = 0; i < rows.rename.size(); ++i) {
        if (!pending(i)) continue;
        const std::string source = Joined(rows.folder, rows.rename[i].from);
        const std::string target = Joined(rows.folder, rows.rename[i].to);
        if (const int error = fileSystem.openForReading(source); error != 0) {
            fail(i, error);
            continue;
        }
        const std::optional<FileFacts> taken = fileSystem.facts(target);
        if (taken && !SameEntry(taken, fileSystem.facts(source))) fail(i, EEXIST);
    }

    if (outcome.failures.empty()) {
        for (std::size_t i = 0; i < rows.rename.size(); ++i) {
            core::RenameRow& row = rows.rename[i];
            if (row.image != core::kEditedImage) continue;
            if (row.to == row.from) {
                row.image = core::kNoImage;
                continue;
            }
            std::string keptAs;
            if (const int error = RenameOne(rows.folder, row.from, row.to, fileSystem, &keptAs); error != 0) {
                fail(i, error);
                outcome.failures.back().keptAs = std::move(keptAs);
                continue;
            }
            AppliedRename done{i, row.from, row.to, {}};
            if (const std::optional<FileFacts> f = fileSystem.facts(Joined(rows.folder, row.to))) done.facts = *f;
            outcome.applied.push_back(std::move(done));
            row.from = row.to;
            row.image = core::kNoImage;
            if (i < rows.files.size()) rows.files[i].text(core::FileColumn::FileName) = row.to;
        }
        if (!outcome.applied.empty()) core::SyncFolder(Joined(rows.folder, rows.rename[outcome.applied[0].row].to));
    }

    for (const RenameFailure& f : outcome.failures) {
        if (!outcome.message.empty()) outcome.message += "\n";
        outcome.message += "Rename Error - " + f.from + " => " + f.to + " (" + std::to_string(f.error) + ")";
        if (!f.keptAs.empty()) outcome.message += "; the file is kept as " + core::BaseName(f.keptAs);
    }
    return outcome;
}

}  // namespace quilto::rename
