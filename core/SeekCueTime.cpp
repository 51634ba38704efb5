#include "core/SeekCueTime.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/Bytes.h"
#include "core/CueTime.h"
#include "core/MpegHeader.h"

namespace quilto::core {

namespace {

long double Seconds(const CueTime& time) {
    return time.minutes * 60.0L + time.seconds + static_cast<long double>(time.frames) / kCueFramesPerSecond;
}

// Unlike the scans, a header that is not MPEG-1 Layer III is not skipped: it
// counts as free format at the reserved rate, i.e. a length of 0.
std::uint64_t HeaderLength(const FrameHeader& header) {
    if (!header.isMpeg1Layer3()) return 0;
    const unsigned bitRateIndex = header.bitRateIndex();
    const unsigned sampleRateIndex = header.sampleRateIndex();
    // Index 15 (a corrupt header) gets the scans' length, so that a cut here
    // agrees with the frames FullFrameScan counted.
    if (bitRateIndex == 15) return FrameLength(bitRateIndex, sampleRateIndex, header.padding());
    // Free format stays 0 (plus padding): the walk then stands still on it.
    const std::uint64_t bitRate = kBitRateKbps[bitRateIndex] * 1000ULL;
    const std::uint64_t sampleRate = sampleRateIndex >= 3 ? 1 : kSampleRateHz[sampleRateIndex];
    return 144 * bitRate / sampleRate + header.padding();
}

}  // namespace

std::size_t SeekCueTime(std::span<const std::uint8_t> buffer, std::size_t offset, std::size_t limit,
                        std::string_view fromTime, std::string_view toTime, std::string_view hzText) {
    const CueTime from = ParseCueTime(fromTime);
    const CueTime to = ParseCueTime(toTime);
    // Any rate text but the two others counts as 32000 Hz.
    long double rate = 32000;
    if (hzText == "44100") rate = 44100;
    else if (hzText == "48000") rate = 48000;
    const long double fps = rate / kSamplesPerFrame;

    // Each time is multiplied separately before the difference is rounded, so
    // successive cue points round the same way from the start of the audio.
    const long double frames = std::trunc(Seconds(to) * fps - Seconds(from) * fps + 0.5L);
    const auto count = static_cast<std::int64_t>(
        std::clamp(frames, 0.0L, static_cast<long double>(std::numeric_limits<std::int32_t>::max())));

    // Never past the audio the caller gave: a reserved sample rate makes a
    // "frame" millions of bytes long, and callers cut files at the result.
    const std::size_t end = std::min(limit, buffer.size());
    std::uint64_t reached = offset;
    for (std::int64_t walked = 0; walked < count && reached < end; ++walked) {
        // A word is read only when all its bytes lie in the buffer and it starts below limit.
        std::uint64_t at = reached;
        FrameHeader header;
        bool found = false;
        for (; at < limit && at + 4 <= buffer.size(); ++at) {
            header.word = ReadBe32(buffer.data() + at);
            if (header.hasSync()) {
                found = true;
                break;
            }
        }
        // Bytes behind the last frame are left to whatever follows.
        if (!found) break;
        const std::uint64_t length = HeaderLength(header);
        reached = at + length;
        // A length of 0 would count the same header until count is used up.
        if (length == 0) break;
    }
    return static_cast<std::size_t>(std::min<std::uint64_t>(reached, end));
}

}  // namespace quilto::core
