// The track directory of the Pack format ("Pack" block) right behind the head
// tag: album title, per track its start offset and three names, the end
// offset, and an extension describing the frames added around the tracks.
// Offsets are relative to the block's first byte.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Bytes.h"
#include "core/InputFile.h"
#include "core/TextCodec.h"
#include "pack/AddedFrames.h"
#include "pack/OutputFile.h"
#include "pack/PackWork.h"

namespace quilto::pack {

// Bits of the flags byte (the low byte of the option word).
namespace PackFlag {
inline constexpr std::uint8_t PlainOffsets = 0x01;     // offsets in 8-bit bytes, not syncsafe
inline constexpr std::uint8_t ByCueSheet = 0x02;       // tracks cut from one MP3 by its cue sheet
inline constexpr std::uint8_t XingFrame = 0x08;        // a Xing/Info frame before the first track
inline constexpr std::uint8_t LeadingSilence = 0x10;   // silent frames before the first track
inline constexpr std::uint8_t TrailingSilence = 0x20;  // silent frames after the last track
inline constexpr std::uint8_t Extension = XingFrame | LeadingSilence | TrailingSilence;
inline constexpr std::uint8_t Known = PlainOffsets | ByCueSheet | Extension;
}  // namespace PackFlag

inline constexpr std::size_t kPackHeaderSize = 12;
inline constexpr std::size_t kPackExtensionSize = 16;
inline constexpr std::uint32_t kMaxPackTracks = 16383;        // a two-byte syncsafe count
inline constexpr std::uint32_t kMaxSilentFrames = 16383;      // likewise
inline constexpr std::uint64_t kMaxSyncsafeOffset = 0x0FFFFFFF;
inline constexpr std::uint64_t kMaxPlainOffset = 0xFFFFFFFF;
// The smallest directory: header, empty album title, end offset.
inline constexpr std::uint64_t kMinPackDirectorySize = kPackHeaderSize + 1 + 4;

struct PackBlockInput {
    std::string albumTitle;  // UTF-8
    std::vector<PackWork> tracks;
    std::uint8_t flags = 0;  // PackFlag bits as chosen; PlainOffsets may be added
    std::uint32_t leadingSilent = 0;   // counted only with LeadingSilence
    std::uint32_t trailingSilent = 0;  // counted only with TrailingSilence
    std::optional<AddedFrameFormat> frames;  // required with any Extension flag
    // The tracks' totals for the Xing/Info frame; the added frames are put on top.
    std::uint64_t totalFrames = 0;
    std::uint64_t totalBytes = 0;
};

// What a block writer wrote.
struct PackBlockLayout {
    std::uint8_t flags = 0;             // as stored
    std::uint64_t directorySize = 0;    // D
    std::uint64_t blockSize = 0;        // D, plus the extension when present
    std::uint64_t insertedBytes = 0;    // Xing/Info frame and leading silent frames
    std::vector<std::uint64_t> offsets; // each track's start, then the end of the last
    std::uint64_t xingFrames = 0;       // totals stored in the Xing/Info frame
    std::uint64_t xingBytes = 0;
};

// D for these names in the legacy code page; nothing when a name holds a NUL.
std::optional<std::uint64_t> PackDirectorySize(std::string_view albumTitle, const std::vector<PackWork>& tracks,
                                               const core::TextCodec& codec = core::LegacyCodec());

// Writes the block, its extension, the Xing/Info frame and the leading silent
// frames at the output's position. Whatever a field cannot hold (more than
// kMaxPackTracks tracks, offsets above 4 GiB, more than kMaxSilentFrames
// silent frames, added frames without a valid format) is refused before the
// first byte is written: false with the reason in `error`.
bool WritePackBlock(OutputFile& out, const PackBlockInput& input, PackBlockLayout* layout, std::string& error,
                    const core::TextCodec& codec = core::LegacyCodec());

// Rewrites a packed file's block with new names (and the tracks' lengths)
// while copying its extension and the frames behind it unchanged from the
// source, whose old block starts at `sourceBlockStart`. The flags come from
// the old block; PlainOffsets is added when the offsets outgrow syncsafe.
bool CopyPackBlock(OutputFile& out, std::string_view albumTitle, const std::vector<PackWork>& tracks,
                   const core::InputFile& source, std::uint64_t sourceBlockStart, PackBlockLayout* layout,
                   std::string& error, const core::TextCodec& codec = core::LegacyCodec());

// The bytes of the block at the file's position (D, plus the extension when
// flagged); nothing when there is no sound block there or it runs past the
// end of the file. The position is left as it was.
std::optional<std::uint64_t> PackBlockSize(const core::InputFile& file);

struct PackDirectoryTrack {
    std::string fileName;  // UTF-8
    std::string artist;
    std::string title;
    std::uint64_t start = 0;  // absolute file positions
    std::uint64_t end = 0;
};

struct PackDirectory {
    std::string albumTitle;  // UTF-8
    std::vector<PackDirectoryTrack> tracks;
    // Flags byte; with an extension also the low bytes of the leading count
    // in bits 24-30 and of the trailing count in bits 16-22.
    std::uint32_t optionWord = 0;
    bool damaged = false;  // parsing stopped early; what is there was read sound
};

// Parses a block read whole into `block` from a file of `fileSize` bytes
// whose head tag takes `tagSize` bytes. Stops at the first damage and keeps
// the tracks whose start and end were both read.
PackDirectory ReadPackBlock(core::ByteView block, std::uint64_t tagSize, std::uint64_t fileSize,
                            const core::TextCodec& codec = core::LegacyCodec());

}  // namespace quilto::pack
