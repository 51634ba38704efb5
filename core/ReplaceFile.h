// Rewriting a whole small file safely: the new content is written completely
// beside the target, flushed, and renamed over it, so a failure at any point
// leaves the old file as it was.
#pragma once

#include <string>
#include <string_view>

namespace quilto::core {

// Follows a symbolic link to its target (renaming over the link would replace
// it by a plain file) and keeps the old file's access rights. False, with a
// message naming the file and the system's reason, when anything fails.
bool ReplaceFileContent(const std::string& path, std::string_view content, std::string* error = nullptr);

// "<what> <path>: <system's text for error>".
std::string FileErrorText(const std::string& what, const std::string& path, int error);

}  // namespace quilto::core
