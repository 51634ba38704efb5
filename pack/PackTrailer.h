// The 128-byte text block that ends a Pack file, with the trailing silent
// frames in front of it whose byte count it carries.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/Bytes.h"
#include "core/InputFile.h"
#include "pack/AddedFrames.h"
#include "pack/OutputFile.h"

namespace quilto::pack {

inline constexpr std::size_t kPackTrailerSize = 128;

// The block; bytes 2-5 carry silentBytes as syncsafe when it is not 0, else
// they stay "=" characters.
core::Bytes PackTrailerBlock(std::uint32_t silentBytes);

// Writes trailingCount silent frames and the block. Silent frames need a
// format, and at most kMaxSilentFrames of them can be recorded; otherwise
// nothing is written and false returned with the reason in `error`.
bool WritePackTrailer(OutputFile& out, const std::optional<AddedFrameFormat>& format, std::uint32_t trailingCount,
                      std::string& error);

// Where a file's trailer and the silent frames before it lie.
struct PackTrailerSpan {
    std::uint64_t silentStart = 0;  // equals trailerStart without silent frames
    std::uint64_t trailerStart = 0;
};

// Finds the trailer at the end of the file, or 128 bytes before an ID3v1 tag
// there. Nothing when the block there is no trailer or its count of silent
// bytes reaches in front of the file.
std::optional<PackTrailerSpan> FindPackTrailer(const core::InputFile& source);

// Copies the source's trailing silent frames and trailer to the output.
bool CopyPackTrailer(OutputFile& out, const core::InputFile& source, std::string& error);

}  // namespace quilto::pack
