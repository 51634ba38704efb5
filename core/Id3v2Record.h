// The thirteen ID3v2 texts the program shows and edits, and two markers.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace quilto::core {

struct Id3v2Record {
    std::string artist;      // TPE1
    std::string title;       // TIT2
    std::string album;       // TALB
    std::string track;       // TRCK
    std::string year;        // TYER
    std::string comment;     // COMM
    std::string genre;       // TCON
    std::string composer;    // TCOM
    std::string origArtist;  // TOPE
    std::string copyright;   // TCOP
    std::string url;         // WXXX
    std::string encodedBy;   // TENC
    std::string encoder;     // TSSE
    bool albumWrap = false;  // a COMM whose data begins with "AlbumWrap"
    bool hasCue = false;     // a GEOB carries the embedded cue sheet

    static constexpr std::size_t kFieldCount = 13;

    // Field i in the order above, which is the order of the ID3v2 view's columns.
    std::string& field(std::size_t index);
    const std::string& field(std::size_t index) const;

    bool operator==(const Id3v2Record&) const = default;
};

// The ID3v2.3 frame ID of each field, in field order.
inline constexpr std::array<std::string_view, Id3v2Record::kFieldCount> kId3v2FrameIds = {
    "TPE1", "TIT2", "TALB", "TRCK", "TYER", "COMM", "TCON", "TCOM", "TOPE", "TCOP", "WXXX", "TENC", "TSSE",
};

}  // namespace quilto::core
