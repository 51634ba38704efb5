// Renaming files on disk as the rename list says. Every rename refuses to
// replace an existing name, so a clash the check did not see costs that
// row's rename, never a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/FileRows.h"

namespace quilto::rename {

// What identifies a file after it was renamed, to tell later whether it is
// still the same, unchanged file.
struct FileFacts {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    bool operator==(const FileFacts&) const = default;
};

// The file system calls the renames go through; tests replace them to make
// any one of them fail or to act as a file system that ignores letter case.
class RenameFileSystem {
public:
    virtual ~RenameFileSystem() = default;
    // 0, or the error number; never replaces an existing name.
    virtual int renameNoReplace(const std::string& from, const std::string& to) const;
    // The entry itself (a link is not followed); nullopt when there is none.
    virtual std::optional<FileFacts> facts(const std::string& path) const;
    // 0 when the file opens for reading, else the error number.
    virtual int openForReading(const std::string& path) const;
};

const RenameFileSystem& DiskFileSystem();

struct AppliedRename {
    std::size_t row = 0;
    std::string from;
    std::string to;
    FileFacts facts;  // of the file under its new name
};

struct RenameFailure {
    std::size_t row = 0;
    std::string from;
    std::string to;
    int error = 0;
    std::string keptAs;  // set when the file could not be put back from its temporary name
};

struct ApplyOutcome {
    std::vector<AppliedRename> applied;
    std::vector<RenameFailure> failures;
    // One text naming every failed row with its error number; "" when none.
    std::string message;
    bool failed() const { return !failures.empty(); }
};

// Renames rows.folder + From to rows.folder + To for every row with the
// pending mark, in row order. First every such file must open for reading
// and its target must be free (or be the same file, when only the letter
// case changes); if any is not, nothing is renamed and those rows get the
// cannot-open icon. Then each rename is tried in turn: a failure marks its
// file row and the rest still go on. A To equal to From byte for byte is
// skipped; a To that names the same file (a file system that ignores case)
// is reached through a temporary name. A renamed row's From and file name
// become its To and its mark is cleared; a failed row keeps its mark.
ApplyOutcome ApplyRenames(core::FolderRows& rows, const RenameFileSystem& fileSystem = DiskFileSystem());

// Renames folder/from to folder/to as above: no-replace, through a temporary
// name when both name the same file. 0 or the error number; keptAs gets the
// temporary name in the unlikely case the file could be put back neither
// under its new name nor under its old one.
int RenameOne(const std::string& folder, const std::string& from, const std::string& to,
              const RenameFileSystem& fileSystem, std::string* keptAs = nullptr);

}  // namespace quilto::rename
