// Building an ID3v2.3 tag from the thirteen texts of an ID3v2 view row,
// carrying over what the user did not edit from the file's old tag.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "core/Bytes.h"
#include "core/Id3v2Record.h"
#include "core/TextCodec.h"

namespace quilto::core {

// The tag size field is four syncsafe bytes: frames of this many bytes or
// more cannot be stored.
inline constexpr std::uint64_t kId3v2SizeLimit = std::uint64_t{1} << 28;

struct Id3v2WriteOptions {
    // "Save Support ID3v2 Tag Only": of the old tag only the program's own
    // frames (the embedded cue sheet, the foreign container's mark) survive.
    bool supportTagOnly = false;
    // Every text that is not plain ASCII goes out as UTF-16 with byte order
    // mark, even where the code page could hold it: other players read UTF-16
    // whatever their own code page is.
    bool unicodeText = false;
    const TextCodec* codec = nullptr;  // nullptr: LegacyCodec()
};

struct Id3v2BuildResult {
    Bytes tag;          // header and frames, no padding; empty on failure
    std::string error;  // empty on success

    bool ok() const { return error.empty(); }
};

// A text frame's encoding byte and text bytes: the code page when it holds
// the text exactly (and unicode does not ask for UTF-16 beyond ASCII), else
// UTF-16 with byte order mark rather than "?".
struct Id3v2Text {
    std::uint8_t encoding;
    std::string bytes;
};
Id3v2Text EncodeId3v2Text(std::string_view text, const TextCodec& codec, bool unicode);

// The complete new tag for fields. oldTag is the file's whole old tag, header
// included, or empty when it has none.
Id3v2BuildResult BuildId3v2(const Id3v2Record& fields, ByteView oldTag, const Id3v2WriteOptions& options = {});

// Writes the tag built by BuildId3v2 to out. Returns the empty text on
// success, else the reason; nothing is written when the tag cannot be built.
std::string WriteId3v2(std::ostream& out, const Id3v2Record& fields, ByteView oldTag,
                       const Id3v2WriteOptions& options = {});

}  // namespace quilto::core
