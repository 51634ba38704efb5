#include "rename/RenameCheck.h"

#include <unordered_map>

#include "core/Utf.h"
#include "rename/ReplaceConvert.h"

namespace quilto::rename {

namespace {

void AddProblem(core::RenameRow& row, std::string_view text) {
    if (!row.message.empty()) row.message += " , ";
    row.message += text;
    row.stateImage = core::kExcludedImage;
}

std::string ConvertExtension(std::string extension, ExtensionCase mode) {
    for (char& c : extension) {
        if (mode == ExtensionCase::Upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (mode == ExtensionCase::Lower && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return extension;
}

bool HasControlCharacter(std::string_view name) {
    for (const char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) return true;
    }
    return false;
}

}  // namespace

std::string_view ModeName(ForbiddenCheck mode) {
    switch (mode) {
        case ForbiddenCheck::Check: return "Check";
        case ForbiddenCheck::Replace: return "Replace";
        case ForbiddenCheck::Delete: return "Delete";
    }
    return "Check";
}

bool CheckForbidden(std::string_view text, core::RenameRow& row, ForbiddenCheck mode) {
    row.message.clear();
    row.stateImage = core::kNoImage;
    // UTF-8 continuation bytes are never ASCII, so a byte scan cannot take
    // part of a wider character for one of the nine.
    std::string found;
    for (const char c : pack::kForbiddenCharacters) {
        if (text.find(c) != std::string_view::npos) {
            found += c;
            found += ' ';
        }
    }
    if (found.empty()) return true;
    row.message = std::string(ModeName(mode)) + " ( " + found + ")";
    if (mode == ForbiddenCheck::Check) row.stateImage = core::kExcludedImage;
    return false;
}

void FixForbidden(core::RenameRow& row, std::string_view text, ForbiddenCheck mode,
                  const pack::ForbiddenReplacements& replacements) {
    std::string result(text);
    if (!CheckForbidden(text, row, mode)) {
        const pack::ForbiddenMode fix =
            mode == ForbiddenCheck::Delete ? pack::ForbiddenMode::Remove : pack::ForbiddenMode::Replace;
        result = pack::MakeValidFileName(text, fix, replacements);
    }
    row.replaceConvert = std::move(result);
}

std::string ExtensionOf(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    const std::size_t separator = name.find_last_of("\\/:");
    if (separator != std::string_view::npos && separator > dot) return {};
    return std::string(name.substr(dot));
}

bool CheckRenames(std::vector<core::RenameRow>& rows, SourceColumn source, ExtensionCase extensionCase) {
    for (core::RenameRow& row : rows) {
        row.stateImage = core::kNoImage;
        row.message.clear();
        if (row.image == core::kNoImage) {
            row.to = row.from;
        } else {
            const std::string& stem = source == SourceColumn::FileName ? row.fileName : row.replaceConvert;
            row.to = stem + ConvertExtension(ExtensionOf(row.from), extensionCase);
        }
    }

    bool problem = false;
    for (core::RenameRow& row : rows) {
        if (row.image != core::kEditedImage) continue;
        const std::string& stem = source == SourceColumn::FileName ? row.fileName : row.replaceConvert;
        if (!CheckForbidden(row.to, row, ForbiddenCheck::Check)) problem = true;
        // A tag's line break or tab, or a name that is only an extension
        // (a hidden file), is never what the user meant.
        auto refuse = [&](std::string_view text) {
            AddProblem(row, text);
            problem = true;
        };
        if (HasControlCharacter(row.to)) refuse("Control Character");
        if (stem.empty()) refuse("Empty Name");
        if (row.to == "." || row.to == "..") refuse("Invalid Name");
        if (row.to.size() > kMaxNameBytes) refuse("Name Too Long");
        if (!core::IsValidUtf8(row.to)) refuse("Invalid UTF-8");
    }

    // Folded names counted once each, so the clash checks stay linear.
    std::unordered_map<std::string, std::size_t> targets;
    std::unordered_map<std::string, std::size_t> currents;
    std::vector<std::string> foldedTo(rows.size());
    std::vector<std::string> foldedFrom(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        foldedFrom[i] = UpperCase(rows[i].from);
        ++currents[foldedFrom[i]];
        if (rows[i].image == core::kNoImage) continue;
        foldedTo[i] = UpperCase(rows[i].to);
        ++targets[foldedTo[i]];
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].image != core::kEditedImage) continue;
        if (targets[foldedTo[i]] > 1) {
            AddProblem(rows[i], "Same Name");
            problem = true;
        }
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].image != core::kEditedImage) continue;
        const auto it = currents.find(foldedTo[i]);
        std::size_t others = it == currents.end() ? 0 : it->second;
        // Its own current name is no clash: a change of letter case only.
        if (foldedFrom[i] == foldedTo[i]) --others;
        if (others > 0) {
            AddProblem(rows[i], "Existing File");
            problem = true;
        }
    }
    return problem;
}

}  // namespace quilto::rename
