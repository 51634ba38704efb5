#include "rename/ReplacementText.h"

#include "core/Utf.h"
#include "pack/FileNames.h"

namespace quilto::rename {

bool IsValidReplacementText(std::string_view text) {
    if (text == "." || text == "..") return false;
    std::size_t ascii = 0;
    std::size_t other = 0;
    while (!text.empty()) {
        const std::size_t length = core::Utf8SequenceLength(text);
        if (length == 0) return false;
        if (length == 1) {
            const auto c = static_cast<unsigned char>(text[0]);
            if (c < 0x20 || c == 0x7F || pack::IsForbiddenCharacter(c)) return false;
            ++ascii;
        } else {
            // C1 controls are the two-byte sequences C2 80 .. C2 9F.
            if (length == 2 && static_cast<unsigned char>(text[0]) == 0xC2 && static_cast<unsigned char>(text[1]) < 0xA0) {
                return false;
            }
            ++other;
        }
        text.remove_prefix(length);
    }
    return other == 0 ? ascii <= 2 : other == 1 && ascii == 0;
}

std::string ReadReplacementText(const core::IniFile& file, std::string_view key, std::string_view def) {
    std::string text = file.readWrapped(kRenameOptionSection, key, def);
    if (!IsValidReplacementText(text)) return std::string(def);
    return text;
}

}  // namespace quilto::rename
