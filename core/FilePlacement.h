// Putting new files in place without ever losing an existing one: temporary
// names beside the target, renames that refuse to replace, and the checks
// around them.
#pragma once

#include <string>
#include <string_view>

namespace quilto::core {

// The last component of a path ("/" and "\" both separate).
std::string BaseName(std::string_view path);
// The folder part of a path: "." without one, "/" for the root.
std::string FolderOf(const std::string& path);
// Anything at path, a link that leads nowhere included.
bool PathExists(const std::string& path);
// A name that does not exist yet, hidden, in the target's folder.
std::string TempPathBeside(const std::string& target);
// Makes a rename in the folder of path durable; best effort.
void SyncFolder(const std::string& path);
// Renames from onto to only when to does not exist; errno tells why not.
bool RenameNoReplace(const std::string& from, const std::string& to);
// The same file under any spelling, links included.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace quilto::core
