#include "rename/RenameOptions.h"

namespace quilto::rename {

void RenameOptions::load(const core::IniFile& file) {
    const RenameOptions defaults;
    timeSeparator = ReadReplacementText(file, "TimeSep", defaults.timeSeparator);
    wordDelimiters = file.readWrapped(kRenameOptionSection, "Delimiter", defaults.wordDelimiters);
    const int extension = file.readInt(kRenameOptionSection, "Extension", 0);
    extensionCase = extension >= 0 && extension <= 2 ? static_cast<ExtensionCase>(extension) : ExtensionCase::AsIs;
    for (std::size_t i = 0; i < forbiddenReplacements.size(); ++i) {
        forbiddenReplacements[i] =
            ReadReplacementText(file, "Rep" + std::to_string(i + 1), defaults.forbiddenReplacements[i]);
    }
}

void RenameOptions::store(core::IniFile& file) const {
    file.writeWrapped(kRenameOptionSection, "TimeSep", timeSeparator);
    file.writeWrapped(kRenameOptionSection, "Delimiter", wordDelimiters);
    file.writeInt(kRenameOptionSection, "Extension", static_cast<int>(extensionCase));
    for (std::size_t i = 0; i < forbiddenReplacements.size(); ++i) {
        file.writeWrapped(kRenameOptionSection, "Rep" + std::to_string(i + 1), forbiddenReplacements[i]);
    }
}

}  // namespace quilto::rename
