// The twenty text columns of the file list.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "core/FileAnalysis.h"

namespace quilto::core {

enum class FileColumn {
    FileName = 0, FileSize, FileDate, Tag, Artist, Title, Album, Track, Year, Genre,
    Time, Frames, Kbps, CV, Hz, ChanelMode, BitStream, Xing, XingFrames, XingBytes,
};
inline constexpr std::size_t kFileColumnCount = 20;

// Captions as the list header shows them. The blank at the end of a left- or
// centre-aligned caption, or at the start of a right-aligned one, is where the
// sort mark goes.
inline constexpr std::array<std::string_view, kFileColumnCount> kFileColumnCaptions = {
    "FileName  ", "  FileSize", "FileDate  ", "Tag ",        "Artist  ",  "Title  ",    "Album  ",
    " \u2116",    "Year ",      "Genre ",     " Time",       " Frames",   " Kbps",      "C/V ",
    " Hz",        "ChanelMode ", "BitStream", "Xing(Size)", "=Frames",   "=BitStream",
};

std::string_view FileColumnCaption(FileColumn column);

using FileColumnTexts = std::array<std::string, kFileColumnCount>;

// The row texts for an analysed file: artist to genre from the ID3v2 tag when
// there is one (even where it is empty), else from the ID3v1 tag.
FileColumnTexts MakeFileColumnTexts(const FileAnalysis& analysis);

}  // namespace quilto::core
