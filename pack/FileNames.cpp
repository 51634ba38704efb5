#include "pack/FileNames.h"

#include <algorithm>

#include "core/AsciiCase.h"
#include "core/Utf.h"

namespace quilto::pack {

namespace {

constexpr std::string_view kFullWidthDot = "\xEF\xBC\x8E";  // U+FF0E

// A replacement text that holds a forbidden character itself would bring it
// back into the name ("/" would even make a folder), so those are dropped.
std::string CleanReplacement(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c != '\0' && !IsForbiddenCharacter(static_cast<unsigned char>(c))) out += c;
    }
    return out;
}

}  // namespace

bool IsForbiddenCharacter(char32_t c) {
    return std::find(kForbiddenCharacters.begin(), kForbiddenCharacters.end(), c) != kForbiddenCharacters.end();
}

std::string MakeValidFileName(std::string_view name, ForbiddenMode mode, const ForbiddenReplacements& replacements) {
    std::string out;
    out.reserve(name.size());
    // Every forbidden character is ASCII, and in UTF-8 an ASCII byte is never
    // part of a longer sequence: stepping by sequences keeps characters whole.
    while (!name.empty()) {
        std::size_t length = core::Utf8SequenceLength(name);
        if (length == 0) length = 1;  // an invalid byte passes as it is
        if (length == 1) {
            const char c = name.front();
            const auto* forbidden = std::find(kForbiddenCharacters.begin(), kForbiddenCharacters.end(), c);
            if (forbidden != kForbiddenCharacters.end()) {
                if (mode == ForbiddenMode::Replace) {
                    out += CleanReplacement(replacements[static_cast<std::size_t>(forbidden - kForbiddenCharacters.begin())]);
                }
            } else if (c != '\0') {
                out += c;
            }
        } else {
            out.append(name.substr(0, length));
        }
        name.remove_prefix(length);
    }
    if (!out.empty() && std::all_of(out.begin(), out.end(), [](char c) { return c == '.'; })) {
        std::string dots;
        if (mode == ForbiddenMode::Replace) {
            for (std::size_t i = 0; i < out.size(); ++i) dots += kFullWidthDot;
        }
        return dots;
    }
    return out;
}

std::string ProposePackedFileName(std::string_view file, std::string_view performer, std::string_view title,
                                  bool performersDiffer, std::string_view extension) {
    if (file.empty()) {
        std::string name;
        if (!(performersDiffer && performer == "Various")) {
            name.append(performer);
            name += " - ";
        }
        name.append(title);
        name.append(extension);
        return name;
    }
    constexpr std::string_view kDoubleExtensions[] = {".pac.mp3", ".zip.mp3", ".lzh.mp3"};
    constexpr std::size_t kDoubleLength = 8;
    if (file.size() >= kDoubleLength) {
        const std::string_view tail = file.substr(file.size() - kDoubleLength);
        for (const std::string_view ext : kDoubleExtensions) {
            if (core::EqualIgnoringCase(tail, ext)) {
                file.remove_suffix(4);  // ".pac" goes, ".mp3" stays to be replaced
                break;
            }
        }
    }
    const std::size_t dot = file.rfind('.');
    std::string name(dot == std::string_view::npos ? file : file.substr(0, dot));
    name.append(extension);
    return name;
}

std::string BackupPathFor(const std::string& path, const std::function<bool(const std::string&)>& exists) {
    std::string candidate = path + ".bak";
    // A folder cannot hold this many backups; the limit only keeps a broken
    // `exists` from looping for ever. Empty: no free name.
    constexpr int kMaxBackups = 100000;
    for (int counter = 1; exists(candidate); ++counter) {
        if (counter > kMaxBackups) return {};
        candidate = path + ".bk" + std::to_string(counter);
    }
    return candidate;
}

}  // namespace quilto::pack
