// Letter case of ASCII letters only: names, keys and extensions compared
// regardless of case without touching the bytes of other characters.
#pragma once

#include <algorithm>
#include <string_view>

namespace quilto::core {

constexpr char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) { return FoldAscii(x) == FoldAscii(y); });
}

}  // namespace quilto::core
