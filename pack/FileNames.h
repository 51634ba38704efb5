// File names made from texts: tags, album titles and track names become names
// of files and folders when packing, extracting and renaming.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

namespace quilto::pack {

inline constexpr int kForbiddenCharacterCount = 9;
// The characters no file name may hold, in the order of their replacements.
inline constexpr std::array<char, kForbiddenCharacterCount> kForbiddenCharacters = {
    '\\', '/', ':', '*', '?', '"', '<', '>', '|'};

// One replacement text per forbidden character, in kForbiddenCharacters order
// (the rename options' ForbiddenReplacements).
using ForbiddenReplacements = std::array<std::string, kForbiddenCharacterCount>;

// The settings' defaults: the full-width forms of the nine characters.
inline const ForbiddenReplacements kDefaultForbiddenReplacements = {"￥", "／", "：", "＊", "？",
                                                                   "”", "＜", "＞", "｜"};

enum class ForbiddenMode : int { Replace = 1, Remove = 2 };

bool IsForbiddenCharacter(char32_t c);

// Replaces each forbidden character by its replacement text (Replace) or
// drops it (Remove). The result never holds a forbidden character: forbidden
// characters inside the replacement texts are dropped too, NULs are dropped,
// and a name made only of dots (which would name the folder itself or its
// parent) has its dots replaced by full-width dots, or dropped in Remove mode.
// UTF-8 in and out; bytes that are not valid UTF-8 pass unchanged.
std::string MakeValidFileName(std::string_view name, ForbiddenMode mode,
                              const ForbiddenReplacements& replacements);

// The output name the pack writer proposes. A non-empty `file` (the
// CueHeader File) loses a double extension ".pac.mp3", ".zip.mp3" or
// ".lzh.mp3" down to ".mp3", then its extension (from the last "." on, or
// nothing) is replaced by `extension`. An empty one becomes
// "performer - title" + extension, or "title" + extension when the tracks'
// performers differ and the album performer is "Various". The result is not
// yet passed through MakeValidFileName.
std::string ProposePackedFileName(std::string_view file, std::string_view performer, std::string_view title,
                                  bool performersDiffer, std::string_view extension);

// Where "Save" moves the file it rewrites: path + ".bak", or path + ".bk1",
// ".bk2", ... when that exists. `exists` tells whether a path is taken.
std::string BackupPathFor(const std::string& path, const std::function<bool(const std::string&)>& exists);

}  // namespace quilto::pack
