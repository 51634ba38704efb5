// What a file holds behind its head tag, as the container detection and the
// file list record it.
#pragma once

namespace quilto::core {

enum class ContainerKind : int {
    Plain = -1,    // plain MP3, or not known yet
    NoAudio = 0,   // a read fell short: no audio found
    Pack = 1,      // pack block signature "Pack"
    Zip = 2,       // stored ZIP archive
    Lzh = 3,       // stored "-lh0-" LZH archive
    Foreign = 4,   // the digits-and-"[][]" index of a foreign container
    AlbumWrap = 5, // plain stream whose ID3v2 comment marks that foreign format
};

// Kinds 1 to 5 are shown as packed or bound files.
inline bool IsPackedKind(ContainerKind kind) { return static_cast<int>(kind) >= 1; }

// Kinds 1 to 3 can be opened like a folder.
inline bool IsBrowsableKind(ContainerKind kind) {
    return kind == ContainerKind::Pack || kind == ContainerKind::Zip || kind == ContainerKind::Lzh;
}

}  // namespace quilto::core
