// Checking the rename list's new names before anything is renamed: the
// forbidden characters, names no file system takes, and clashes between the
// new names and the folder's names.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/FileRows.h"
#include "pack/FileNames.h"

namespace quilto::rename {

// What CheckForbidden and FixForbidden report in their messages.
enum class ForbiddenCheck : int { Check = 0, Replace = 1, Delete = 2 };
std::string_view ModeName(ForbiddenCheck mode);

// True when text holds none of the nine forbidden characters. Otherwise the
// row's message names them in table order ("Check ( \ / )") and, for Check,
// its state image becomes excluded. Starts by clearing message and state image.
bool CheckForbidden(std::string_view text, core::RenameRow& row, ForbiddenCheck mode);

// Replace/Convert := text with the forbidden characters replaced (Replace) or
// dropped (Delete); the message says which were found.
void FixForbidden(core::RenameRow& row, std::string_view text, ForbiddenCheck mode,
                  const pack::ForbiddenReplacements& replacements = pack::kDefaultForbiddenReplacements);

// Which column holds the new names: the format tab writes FileName, the
// Replace and Convert tabs write Replace/Convert.
enum class SourceColumn : int { FileName = 0, ReplaceConvert = 1 };

enum class ExtensionCase : int { AsIs = 0, Upper = 1, Lower = 2 };

// The part of a name from its last "." on, or "" (a "." before the last "/",
// "\" or ":" does not count).
std::string ExtensionOf(std::string_view name);

// Longest name, in bytes, that common file systems take.
inline constexpr std::size_t kMaxNameBytes = 255;

// Sets every row's To (From for rows without the pending mark, else the
// source column's text + From's extension in extensionCase) and checks the
// pending rows: forbidden characters ("Check ( ... )"), control characters
// ("Control Character"), an empty name before the extension ("Empty Name"),
// "." or ".." ("Invalid Name"), more than kMaxNameBytes bytes ("Name Too
// Long"), bytes that are not UTF-8 ("Invalid UTF-8"), another row's new name
// ("Same Name") and another row's current name ("Existing File", so chains
// and swaps are refused). Names are compared regardless of letter case.
// Each problem gives the row state image excluded and its text in the
// message, joined by " , ". True when any problem was found.
bool CheckRenames(std::vector<core::RenameRow>& rows, SourceColumn source,
                  ExtensionCase extensionCase = ExtensionCase::AsIs);

}  // namespace quilto::rename
