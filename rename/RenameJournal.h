// The record of the last applied rename run, so that it can be undone: each
// file's folder, old and new name, and what identified it after the rename.
// Undo touches only files that are still exactly as the run left them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rename/ApplyRenames.h"

namespace quilto::rename {

struct JournalEntry {
    std::string folder;
    std::string oldName;
    std::string newName;
    FileFacts facts;  // after the rename
    bool operator==(const JournalEntry&) const = default;
};

struct RenameJournal {
    std::vector<JournalEntry> entries;  // in the order they were renamed
    bool operator==(const RenameJournal&) const = default;
};

// $XDG_DATA_HOME/quilto/rename-journal, else ~/.local/share/quilto/...;
// "" when neither variable gives a home.
std::string DefaultJournalPath();

// The entries of an applied run over one folder.
void AddToJournal(RenameJournal& journal, const std::string& folder, const ApplyOutcome& applied);

// Written complete beside the journal's path, flushed and then renamed over
// the previous journal; its folder is made when missing. False with the
// reason.
bool WriteJournal(const std::string& path, const RenameJournal& journal, std::string& error);
// nullopt with the reason when there is no journal or it cannot be read.
std::optional<RenameJournal> ReadJournal(const std::string& path, std::string& error);

// The file's content and its reading: nullopt with the reason (without the
// path) when the text is not a journal or is damaged.
std::string JournalText(const RenameJournal& journal);
std::optional<RenameJournal> ParseJournal(std::string_view text, std::string& problem);

struct UndoOutcome {
    std::size_t reverted = 0;
    std::vector<JournalEntry> refused;  // still under their new names
    std::vector<std::string> messages;  // one per refused entry
};

// Gives each file its old name again, the last renamed first. An entry is
// refused when its file is gone or changed (another device, inode, size or
// modification time) or its old name is taken: renames never replace.
UndoOutcome UndoRenames(const RenameJournal& journal, const RenameFileSystem& fileSystem = DiskFileSystem());

}  // namespace quilto::rename
