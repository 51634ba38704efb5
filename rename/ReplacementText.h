// The short texts the rename options put into file names: the time separator
// and the replacements of the forbidden characters.
#pragma once

#include <string>
#include <string_view>

#include "core/IniFile.h"

namespace quilto::rename {

inline constexpr std::string_view kRenameOptionSection = "OptionRen";
inline constexpr std::string_view kDefaultTimeSeparator = "'";

// Whether text may stand in a file name in place of something: at most one
// non-ASCII character or two ASCII ones (the old two-byte limit, in
// characters), no forbidden file-name character, no control character, and
// neither "." nor "..", which would name a folder. Empty is allowed: the
// separator or the forbidden character is then dropped.
bool IsValidReplacementText(std::string_view text);

// Reads a "/"-wrapped replacement text of section OptionRen (a key "TimeSep"
// or "Rep1".."Rep9"); a missing or invalid one gives def.
std::string ReadReplacementText(const core::IniFile& file, std::string_view key, std::string_view def);

}  // namespace quilto::rename
