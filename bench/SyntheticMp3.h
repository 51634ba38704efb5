// Synthetic MP3 files for the benchmarks: MPEG-1 Layer III frames with
// pseudo-random payload, ID3v2.3 and ID3v1 tags, written once into a scratch
// folder outside the source tree and reused while they still match.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "core/Bytes.h"

namespace quilto::bench {

// Deterministic, so that every run measures the same bytes (splitmix64).
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    // Uniform enough in [low, high] for test data.
    std::uint64_t between(std::uint64_t low, std::uint64_t high) { return low + next() % (high - low + 1); }

private:
    std::uint64_t state_;
};

struct SyntheticFile {
    core::Bytes bytes;
    std::uint64_t audioFrames = 0;  // frames behind the Xing/Info frame, if any
    std::uint64_t tagLength = 0;    // the ID3v2 tag in front, 0 when none
};

// A constant-bit-rate stream at 44.1 kHz padded the way encoders do it, so
// that the average rate is exact. Starts with an "Info" frame when asked.
// Wrapped in an ID3v2.3 tag and followed by an ID3v1 tag.
SyntheticFile MakeCbrFile(std::uint64_t seconds, unsigned bitRateIndex, bool infoFrame, Random& random);

// A variable-bit-rate stream whose bit rate changes frame by frame (64 to
// 320 kbps, centred near 192), with a "Xing" first frame; tags as above.
SyntheticFile MakeVbrFile(std::uint64_t seconds, Random& random);

// A short file as a tagged collection holds them: an ID3v2.3 tag of several
// text frames in varied encodings plus padding, an Info/Xing frame or not,
// 20-100 KB of audio and an ID3v1 tag. index varies the texts and the shape.
// A fileBytes above 0 gives a file of about that size instead (the audio
// fills what the tags leave, to within one frame).
SyntheticFile MakeSmallFile(unsigned index, Random& random, std::uint64_t fileBytes = 0);

// $QUILTO_BENCH_DIR, else $TMPDIR/quilto-bench, else /tmp/quilto-bench;
// created when missing. In smoke mode its "smoke" subfolder, so that tiny
// files never stand in for the full-size ones of a real run.
std::filesystem::path ScratchDirectory();

// QUILTO_BENCH_SMOKE=1: CI runs every benchmark once over tiny data so that
// none of them rots unnoticed; the results are still checked.
bool SmokeMode();

// full in a real run, smoke in smoke mode.
template <typename T>
T SmokeOr(T full, T smoke) {
    return SmokeMode() ? smoke : full;
}

// Writes bytes to path unless a file of exactly that size is already there
// (the data is deterministic, so equal size means equal content unless
// someone edited it by hand).
void WriteIfMissing(const std::filesystem::path& path, const core::Bytes& bytes);

}  // namespace quilto::bench
