// The 128-byte ID3v1 block at the end of an MP3 file.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/Bytes.h"
#include "core/GenreTable.h"
#include "core/TextCodec.h"

namespace quilto::core {

inline constexpr std::size_t kId3v1Size = 128;

// Field widths in code-page bytes. The comment keeps two bytes for the NUL and
// the track number of ID3v1.1.
inline constexpr std::size_t kId3v1TextWidth = 30;
inline constexpr std::size_t kId3v1YearWidth = 4;
inline constexpr std::size_t kId3v1CommentWidth = 28;

// Seven texts, artist first (the block stores the title first).
struct Id3v1Record {
    std::string artist;
    std::string title;
    std::string album;
    std::string track;  // "%02d", or empty
    std::string year;
    std::string comment;
    std::string genre;  // a name from the genre table, or empty

    bool operator==(const Id3v1Record&) const = default;
};

// Whether the block is an ID3v1 tag ("TAG" at offset 0); fills record when given.
bool ReadId3v1(ByteView block, Id3v1Record* record, const GenreTable& genres, const TextCodec& codec = LegacyCodec());

struct Id3v1Block {
    std::array<std::uint8_t, kId3v1Size> bytes{};
    bool lossless = true;  // false when a text was cut or had no exact form in the code page
};

// Builds the block. Texts too long for their field are cut without splitting
// a character. The track is a number 0..255 (a "n/total" form counts as n);
// anything else throws InvalidNumber.
Id3v1Block BuildId3v1(const Id3v1Record& record, const GenreTable& genres, const TextCodec& codec = LegacyCodec());

}  // namespace quilto::core
