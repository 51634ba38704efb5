// The cue time texts and the cue point seek over any bytes. Texts may only
// throw InvalidNumber; the seek must stay inside the buffer and the limit.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "core/CueTime.h"
#include "core/NumberText.h"
#include "core/SeekCueTime.h"

using namespace quilto::core;

namespace {

template <typename Action>
void OnlyInvalidNumber(Action action) {
    try {
        action();
    } catch (const InvalidNumber&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Two texts up to the first two NULs, then the audio.
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t firstEnd = std::min(input.find('\0'), input.size());
    const std::string_view a = input.substr(0, firstEnd);
    const std::string_view rest = input.substr(std::min(input.size(), firstEnd + 1));
    const std::size_t secondEnd = std::min(rest.find('\0'), rest.size());
    const std::string_view b = rest.substr(0, secondEnd);
    const std::span<const std::uint8_t> audio(data + (size - rest.size()) + std::min(rest.size(), secondEnd + 1),
                                              rest.size() - std::min(rest.size(), secondEnd + 1));

    OnlyInvalidNumber([&] { ParseCueTime(CueTimeDiff(a, b)); });
    OnlyInvalidNumber([&] { ParseCueTime(CueTimeAdd(a, b)); });
    OnlyInvalidNumber([&] { ParseCueTime(SpinCueTime(a, static_cast<std::int32_t>(size) - 40)); });
    OnlyInvalidNumber([&] { PlayTimeToSeconds(a); });
    std::int32_t seconds = static_cast<std::int32_t>(a.size()) * 1000;
    std::int32_t frames = static_cast<std::int32_t>(b.size()) - 3;
    OnlyInvalidNumber([&] { AddFramesToTime(seconds, frames, a, b); });
    FramesToCueTime(seconds, frames);
    if (frames < 0 || frames >= kCueFramesPerSecond) std::abort();

    const std::size_t limit = audio.empty() ? 0 : audio[0] * 8u;
    const std::size_t offset = a.size();
    OnlyInvalidNumber([&] {
        const std::size_t reached = SeekCueTime(audio, offset, limit, a, b, size % 2 ? "44100" : "48000");
        if (reached > std::min(limit, audio.size())) std::abort();
    });
    OnlyInvalidNumber([&] {
        const std::size_t reached = SeekCueTime(audio, 0, audio.size(), "00:00:00", b, "32000");
        if (reached > audio.size()) std::abort();
    });
    return 0;
}
