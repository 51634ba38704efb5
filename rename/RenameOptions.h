// The rename options (section "OptionRen"): the time separator, the word
// delimiters, the letter case of extensions and the forbidden characters'
// replacements.
#pragma once

#include <string>

#include "core/IniFile.h"
#include "pack/FileNames.h"
#include "rename/RenameCheck.h"
#include "rename/ReplaceConvert.h"
#include "rename/ReplacementText.h"

namespace quilto::rename {

struct RenameOptions {
    std::string timeSeparator = std::string(kDefaultTimeSeparator);
    std::string wordDelimiters = std::string(kDefaultWordDelimiters);
    ExtensionCase extensionCase = ExtensionCase::AsIs;
    pack::ForbiddenReplacements forbiddenReplacements = pack::kDefaultForbiddenReplacements;

    bool operator==(const RenameOptions&) const = default;

    // "TimeSep", "Delimiter", "Rep1".."Rep9" wrapped in "/", "Extension" an
    // integer. A separator or replacement that could not stand in a file
    // name, or an extension case out of range, reads as its default.
    void load(const core::IniFile& file);
    void store(core::IniFile& file) const;
};

}  // namespace quilto::rename
