// The genre names by number that the ID3v1 genre byte and numeric ID3v2 genre
// references resolve against, and the two choice lists built from them.
#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quilto::core {

inline constexpr std::size_t kGenreCount = 256;
inline constexpr std::size_t kStandardGenreCount = 148;
inline constexpr std::string_view kUserGenre = "- User -";

// The built-in name of every number 0..255.
const std::array<std::string_view, kGenreCount>& BuiltInGenreNames();

class GenreTable {
public:
    // extended: all 256 entries are active, else 0..147. customNames replace
    // the built-in name of a number (only active numbers are looked at).
    explicit GenreTable(bool extended = false, const std::map<int, std::string>& customNames = {});

    bool extended() const { return extended_; }

    // Choice list of the ID3v2 Genre cells: the active names as they are.
    const std::vector<std::string>& id3v2Names() const { return id3v2Names_; }
    // Choice list of the ID3v1 Genre cells: the same, except that with all 256
    // active entry 255 is empty (the number that means "no genre").
    const std::vector<std::string>& id3v1Names() const { return id3v1Names_; }

    // Name for an ID3v1 genre byte: empty beyond the list and for "- User -".
    std::string id3v1Genre(unsigned number) const;

    // Genre byte for a name: first match in the ID3v1 list regardless of
    // letter case, else 255.
    unsigned id3v1Number(std::string_view name) const;

private:
    bool extended_;
    std::vector<std::string> id3v2Names_;
    std::vector<std::string> id3v1Names_;
};

}  // namespace quilto::core
