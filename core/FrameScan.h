// Finding the first MPEG-1 Layer III frame and measuring the audio stream:
// the quick estimate from the first frame and the full walk over every frame.
#pragma once

#include <cstdint>

#include "core/ContainerKind.h"
#include "core/InputFile.h"
#include "core/Progress.h"
#include "core/StreamColumns.h"

namespace quilto::core {

class FrameSeries;

// The search for the first frame header gives up this far from the start.
inline constexpr std::uint64_t kFrameSearchLimit = 0x10000;

// Call with the file at the end of the first ID3v2 tag (or at 0). Leaves the
// file at the first frame header and returns the container kind: detection of
// the packed signatures runs only for ContainerKind::Plain; any other kind
// comes back unchanged unless a read falls short (NoAudio).
ContainerKind FindFirstFrame(InputFile& file, ContainerKind kind);

// Estimates the stream from the header at the file position and its VBR header.
StreamColumns QuickFrameScan(InputFile& file);

// Walks every frame from the file position up to endPosition (exclusive;
// 0 means the end of the file). A Cancel ends the walk after the current
// frame; what was counted so far is still formatted.
StreamColumns FullFrameScan(InputFile& file, std::uint64_t endPosition, bool splitFrames, Progress& progress);

// The same walk with the same result, recording every counted frame, the VBR
// header frame, the skipped stretches and the end of the audio into series.
StreamColumns FullFrameScan(InputFile& file, std::uint64_t endPosition, bool splitFrames, Progress& progress,
                            FrameSeries& series);

}  // namespace quilto::core
