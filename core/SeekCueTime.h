// SeekCueTime: the byte offset in bound audio at which a cue point falls,
// found by walking MPEG frame headers from the previous cue point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace quilto::core {

// Walks as many frames as the time from fromTime to toTime holds at the rate
// named by hzText, starting at offset and never looking at or past limit.
// Returns the end of the last frame walked (offset itself when none), at most
// limit and the buffer size. Throws InvalidNumber for an unreadable cue time.
std::size_t SeekCueTime(std::span<const std::uint8_t> buffer, std::size_t offset, std::size_t limit,
                        std::string_view fromTime, std::string_view toTime, std::string_view hzText);

}  // namespace quilto::core
