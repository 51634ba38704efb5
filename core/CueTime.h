// Play time and cue time: the text forms shown in the lists and the arithmetic
// that places track starts and lengths in 1/75-second cue frames.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quilto::core {

inline constexpr std::int32_t kCueFramesPerSecond = 75;

// Minutes, seconds and cue frames as read from a cue time text. Fields are not
// normalised on reading: "00:00:99" gives 99 frames.
struct CueTime {
    std::int32_t minutes = 0;
    std::int32_t seconds = 0;
    std::int32_t frames = 0;

    bool operator==(const CueTime&) const = default;
};

// The largest cue time a text holds; every sum and conversion saturates here.
inline constexpr CueTime kMaxCueTime{999, 59, 74};

// "%02d:%02d:%02d" of the fields as they stand.
std::string FormatCueTime(const CueTime& time);

// "m:ss" up to 3600 seconds ("60:00"), "h:mm:ss" from 3601 on. Wide, as a
// stream or a selection can be longer than 32 bits of seconds hold.
std::string SecondsToPlayTime(std::int64_t seconds);

// Reads "m:ss" or "h:mm:ss" from the right: seconds, minutes, then hours.
// Empty text is 0. Throws InvalidNumber for a group that is not a number.
std::int32_t PlayTimeToSeconds(std::string_view text);

// An 8-character text has two minute digits, any other length three.
// Throws InvalidNumber when a field is not a number (including a short text).
CueTime ParseCueTime(std::string_view text);

// to − from; never below "00:00:00".
std::string CueTimeDiff(std::string_view from, std::string_view to);

// a + b; "999:59:74" once the minutes reach 999.
std::string CueTimeAdd(std::string_view a, std::string_view b);

// Carries whole seconds out of frames75 (both stored back, frames75 ends in
// 0..74) and returns the cue time text, within "00:00:00".."999:59:74".
std::string FramesToCueTime(std::int32_t& seconds, std::int32_t& frames75);

// Adds the play time of framesText MPEG frames at the rate named by hzText to
// the running total; the caller normalises it with FramesToCueTime. An empty
// framesText adds nothing; any other non-number throws InvalidNumber.
void AddFramesToTime(std::int32_t& seconds, std::int32_t& frames75, std::string_view framesText,
                     std::string_view hzText);

// The same for numbers kept beside the texts: sampleRate 44100, 48000 or
// 32000 in Hz; any other value (0 while unknown) counts one frame a second.
void AddFramesToTime(std::int32_t& seconds, std::int32_t& frames75, std::uint64_t frames, std::uint32_t sampleRate);

// Steps a spin editor's "%03d:%02d:%02d" text by delta cue frames, within
// "000:00:00".."999:59:74".
std::string SpinCueTime(std::string_view text, std::int32_t delta);

// The cell text of a time editor's «mmm:ss:ff» text: blank digits read as 0,
// frames carried into seconds and seconds into minutes, "999:59:74" from
// 1000 minutes on; "%02d:%02d:%02d". An 8-character text has two minute
// digits; missing or non-digit characters read as 0.
std::string NormalizeCueTimeText(std::string_view maskText);

}  // namespace quilto::core
