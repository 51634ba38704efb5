// The frame scans over any bytes, as a file of the list goes through them:
// first frame with detection, quick scan, then first frame without detection
// and the full scan, once to the end (plain and recording the frame series)
// and once to an end taken from the input.
#include <algorithm>
#include <cstdlib>

#include "core/FrameScan.h"
#include "core/FrameSeries.h"
#include "core/Id3v2Reader.h"
#include "core/VbrHeader.h"

using namespace quilto::core;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto file = InputFile::FromBytes(Bytes(data, data + size));
    const std::uint64_t tagLength = TagLength(file.readBytesAt(0, kId3v2HeaderSize));

    file.seek(tagLength);
    if (FindFirstFrame(file, ContainerKind::Plain) != ContainerKind::NoAudio) {
        const std::uint64_t start = file.position();
        QuickFrameScan(file);
        if (file.position() > start + kVbrHeaderReach) std::abort();
    }

    NoProgress progress;
    file.seek(tagLength);
    FindFirstFrame(file, ContainerKind::NoAudio);
    const std::uint64_t start = file.position();
    const StreamColumns full = FullFrameScan(file, 0, true, progress);
    const std::uint64_t span = start < size ? size - start : 0;
    if (full.info.frames + full.info.otherFrames > span) std::abort();

    // Recording changes nothing and records exactly what was counted, in a
    // bounded number of samples.
    FrameSeries series(64);
    file.seek(start);
    const StreamColumns recorded = FullFrameScan(file, 0, true, progress, series);
    if (recorded.texts != full.texts || series.countedFrames() != full.info.frames + full.info.otherFrames) std::abort();
    if (series.samples().size() > 64 || series.audioEnd() > size) std::abort();
    FrameSeriesCsv(series);

    if (span > 0 && size >= 2) {
        const std::uint64_t end = start + 1 + (data[size - 1] | (data[size - 2] << 8)) % span;
        file.seek(start);
        const StreamColumns bounded = FullFrameScan(file, end, false, progress);
        if (bounded.info.frames + bounded.info.otherFrames > end - start) std::abort();
    }
    if (size >= 4) ParseVbrHeader(ByteView(data, size).subspan(4), FrameHeader{ReadBe32(data)});
    return 0;
}
