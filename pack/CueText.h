// The cue text embedded in a packed file's head tag: the cue sheet's lines
// between fixed marker lines, each line ended by CR LF.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/TextCodec.h"

namespace quilto::pack {

// Written exactly so (run-together words, a leading "Q" on the first) since
// readers of stored files look for them; our own reader passes over them.
inline constexpr std::string_view kCueTextBegin = "QCUESHEET";
inline constexpr std::string_view kCueTextSheetEnd = "ENDCUESHEETCUEVERSION";
inline constexpr std::string_view kCueTextVersion = "QuiltotrackeryENDCUEVERSIONCUEINFO";
inline constexpr std::string_view kCueTextEnd = "ENDCUEINFO";

// The lines in order: the markers around the cue sheet's lines (UTF-8).
std::vector<std::string> CueTextLines(const std::vector<std::string>& cueSheetLines);

// The bytes stored in the tag: every line in the legacy code page and ended
// by CR LF. Nothing when a line holds a CR or LF itself (it would come back
// as two lines); the reason then goes to `error`.
std::optional<std::string> EncodeCueText(const std::vector<std::string>& lines, std::string* error = nullptr,
                                         const core::TextCodec& codec = core::LegacyCodec());

// Splits stored bytes at each CR LF into UTF-8 lines; text behind the last
// CR LF is no line.
std::vector<std::string> DecodeCueText(std::string_view bytes, const core::TextCodec& codec = core::LegacyCodec());

}  // namespace quilto::pack
