// The ID3v2.3 tag at the head of a packed file: the album's title and artist
// frames and the GEOB frame that carries the cue text; and finding that cue
// text again.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/Bytes.h"
#include "core/TextCodec.h"

namespace quilto::pack {

// The 21 bytes behind a cue GEOB's encoding byte: MIME type "text" and the
// description "mp3cue CueSheet", each NUL-terminated.
inline constexpr std::string_view kCueGeobMark{"text\0mp3cue CueSheet\0", 21};
// Encoding byte and the mark: a GEOB body shorter than this carries no cue.
inline constexpr std::size_t kCueGeobOverhead = 1 + kCueGeobMark.size();

struct HeadTagInput {
    bool textFrames = false;  // TIT2 and TPE1
    std::string title;        // UTF-8; characters below 0x21 are trimmed from both ends
    std::string artist;
    // Title and artist beyond ASCII as UTF-16 (general option "UnicodeTag");
    // without it they still become UTF-16 where the code page cannot hold them.
    bool unicodeText = false;
    std::optional<std::string> cueText;  // the stored bytes (EncodeCueText), for the GEOB
};

// The whole tag, header included; nothing (and the reason in `error`) when
// its size would not fit the syncsafe size field.
std::optional<core::Bytes> BuildHeadTag(const HeadTagInput& input, std::string* error = nullptr,
                                        const core::TextCodec& codec = core::LegacyCodec());

// The cue text lines (UTF-8, markers included) of the first GEOB frame of a
// tag (header included) that holds a cue; nothing when none does.
std::optional<std::vector<std::string>> FindCueText(core::ByteView tag,
                                                    const core::TextCodec& codec = core::LegacyCodec());

}  // namespace quilto::pack
