#include "core/CueTime.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/MpegHeader.h"
#include "core/NumberText.h"

namespace quilto::core {

namespace {

constexpr std::int64_t kFramesPerMinute = 60 * kCueFramesPerSecond;
constexpr std::int64_t kMaxCueFrames =
    kMaxCueTime.minutes * kFramesPerMinute + kMaxCueTime.seconds * kCueFramesPerSecond + kMaxCueTime.frames;

std::int64_t TotalFrames(const CueTime& time) {
    return time.minutes * kFramesPerMinute + std::int64_t{time.seconds} * kCueFramesPerSecond + time.frames;
}

// Sums and differences work on the total count of cue frames. For normalised
// fields that equals the field-by-field carries and borrows; fields such as
// "00:00:99" come out normalised instead of as a text no reader takes back.
// Clamping keeps every text within what ParseCueTime reads (three minute
// digits at most, no sign).
CueTime FromTotalFrames(std::int64_t total) {
    total = std::clamp<std::int64_t>(total, 0, kMaxCueFrames);
    return {static_cast<std::int32_t>(total / kFramesPerMinute),
            static_cast<std::int32_t>(total / kCueFramesPerSecond % 60),
            static_cast<std::int32_t>(total % kCueFramesPerSecond)};
}

std::int32_t ClampToInt32(long double value) {
    constexpr auto low = static_cast<long double>(std::numeric_limits<std::int32_t>::min());
    constexpr auto high = static_cast<long double>(std::numeric_limits<std::int32_t>::max());
    if (std::isnan(value)) return 0;
    return static_cast<std::int32_t>(std::clamp(std::trunc(value), low, high));
}

// Shorter than count (or empty) when the text ends first.
std::string_view Field(std::string_view text, std::size_t pos, std::size_t count) {
    return pos >= text.size() ? std::string_view{} : text.substr(pos, count);
}

// n MPEG frames at sampleRate added to a running total of seconds and cue
// frames.
void AddFrameCount(std::int32_t& seconds, std::int32_t& frames75, long double n, std::uint32_t sampleRate) {
    // An unknown rate counts one frame a second rather than guessing a rate.
    long double rate = kSamplesPerFrame;
    if (sampleRate == 44100 || sampleRate == 48000 || sampleRate == 32000) rate = sampleRate;
    const long double fps = rate / kSamplesPerFrame;

    // Extended precision and truncation toward zero, so that a list of tracks
    // adds up to the same start times however often it is recomputed.
    const long double whole = std::trunc(n / fps);
    seconds = ClampToInt32(seconds + n / fps);
    // The frames left over after the whole seconds, rounded to a cue frame.
    frames75 = ClampToInt32(frames75 + (n - whole * fps) * kCueFramesPerSecond / fps + 0.5L);
}

}  // namespace

std::string FormatCueTime(const CueTime& time) {
    return ZeroPadded(time.minutes, 2) + ":" + ZeroPadded(time.seconds, 2) + ":" + ZeroPadded(time.frames, 2);
}

std::string SecondsToPlayTime(std::int64_t seconds) {
    // 3600 stays "60:00": the status bar shows a full hour in minutes.
    if (seconds < 3601) return std::to_string(seconds / 60) + ":" + ZeroPadded(seconds % 60, 2);
    return std::to_string(seconds / 3600) + ":" + ZeroPadded(seconds % 3600 / 60, 2) + ":" +
           ZeroPadded(seconds % 60, 2);
}

std::int32_t PlayTimeToSeconds(std::string_view text) {
    if (text.empty()) return 0;
    // Two characters each for seconds and minutes, one separator skipped after
    // each; the hours are whatever is left, so 100 hours still read.
    constexpr std::int64_t kUnits[] = {1, 60, 3600};
    std::int64_t total = 0;
    std::size_t end = text.size();
    for (std::size_t group = 0; group < std::size(kUnits); ++group) {
        const bool last = group + 1 == std::size(kUnits);
        const std::size_t start = last ? 0 : end - std::min<std::size_t>(end, 2);
        total += ParseInt32(text.substr(start, end - start)) * kUnits[group];
        if (start == 0) break;
        end = start - 1;  // a text that starts with a separator leaves an empty group, which throws
    }
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(total, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

CueTime ParseCueTime(std::string_view text) {
    // Cells hold "%02d:%02d:%02d", so only a time of 100 minutes or more is
    // longer than 8 characters. Separators are not checked, as the cells'
    // edit mask fixes them.
    const std::size_t w = text.size() == 8 ? 2 : 3;
    return {ParseInt32(Field(text, 0, w)), ParseInt32(Field(text, w + 1, 2)), ParseInt32(Field(text, w + 4, 2))};
}

std::string CueTimeDiff(std::string_view from, std::string_view to) {
    return FormatCueTime(FromTotalFrames(TotalFrames(ParseCueTime(to)) - TotalFrames(ParseCueTime(from))));
}

std::string CueTimeAdd(std::string_view a, std::string_view b) {
    const std::int64_t total = TotalFrames(ParseCueTime(a)) + TotalFrames(ParseCueTime(b));
    // Saturates as soon as the minutes reach 999, not only past 999:59:74.
    if (total >= kMaxCueTime.minutes * kFramesPerMinute) return FormatCueTime(kMaxCueTime);
    return FormatCueTime(FromTotalFrames(total));
}

std::string FramesToCueTime(std::int32_t& seconds, std::int32_t& frames75) {
    // A negative total (from a negative Frames text) counts as nothing, so the
    // stored frames always end in 0..74.
    const std::int64_t total = std::max<std::int64_t>(0, std::int64_t{seconds} * kCueFramesPerSecond + frames75);
    const std::int64_t wholeSeconds = total / kCueFramesPerSecond;
    if (wholeSeconds > std::numeric_limits<std::int32_t>::max()) {
        seconds = std::numeric_limits<std::int32_t>::max();
        frames75 = kCueFramesPerSecond - 1;
    } else {
        seconds = static_cast<std::int32_t>(wholeSeconds);
        frames75 = static_cast<std::int32_t>(total % kCueFramesPerSecond);
    }
    return FormatCueTime(FromTotalFrames(total));
}

void AddFramesToTime(std::int32_t& seconds, std::int32_t& frames75, std::string_view framesText,
                     std::string_view hzText) {
    if (framesText.empty()) return;
    const std::int32_t n = ParseInt32(framesText);
    std::uint32_t rate = 0;
    if (hzText == "44100") rate = 44100;
    else if (hzText == "48000") rate = 48000;
    else if (hzText == "32000") rate = 32000;
    AddFrameCount(seconds, frames75, n, rate);
}

void AddFramesToTime(std::int32_t& seconds, std::int32_t& frames75, std::uint64_t frames, std::uint32_t sampleRate) {
    AddFrameCount(seconds, frames75, static_cast<long double>(frames), sampleRate);
}

std::string SpinCueTime(std::string_view text, std::int32_t delta) {
    // Minutes are everything before the last six characters, so a spin text of
    // two or three minute digits both step; a text under six characters has
    // no minutes and throws.
    const std::size_t length = text.size();
    const std::string_view minutesText = length >= 6 ? text.substr(0, length - 6) : std::string_view{};
    const std::size_t separator = text.find(':');
    const std::string_view rest = separator == std::string_view::npos ? text : text.substr(separator + 1);
    const CueTime time{ParseInt32(minutesText), ParseInt32(rest.substr(0, 2)),
                       ParseInt32(length >= 2 ? text.substr(length - 2) : text)};
    // Stepping past 999:59:74 would give four minute digits, which the time
    // editor (three digits) cannot show or read back; it stops there instead.
    const CueTime next = FromTotalFrames(TotalFrames(time) + delta);
    return ZeroPadded(next.minutes, 3) + ":" + ZeroPadded(next.seconds, 2) + ":" + ZeroPadded(next.frames, 2);
}

std::string NormalizeCueTimeText(std::string_view maskText) {
    const std::size_t w = maskText.size() == 8 ? 2 : 3;
    const auto digits = [&](std::size_t pos, std::size_t count) {
        std::int32_t value = 0;
        for (std::size_t i = pos; i < pos + count; ++i) {
            const char c = i < maskText.size() ? maskText[i] : ' ';
            value = value * 10 + (c >= '0' && c <= '9' ? c - '0' : 0);
        }
        return value;
    };
    std::int32_t minutes = digits(0, w);
    std::int32_t seconds = digits(w + 1, 2);
    std::int32_t frames = digits(w + 4, 2);
    seconds += frames / kCueFramesPerSecond;
    frames %= kCueFramesPerSecond;
    minutes += seconds / 60;
    seconds %= 60;
    if (minutes >= 1000) return FormatCueTime(kMaxCueTime);
    return FormatCueTime({minutes, seconds, frames});
}

}  // namespace quilto::core
