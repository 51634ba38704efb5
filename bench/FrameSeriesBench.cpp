// The full frame scan with and without recording the frame series, over
// long generated streams in memory (no system call, so the walk itself is
// what is timed), and the memory a recorded 10-hour stream holds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <map>
#include <string>
#include <vector>

#include "bench/BenchMain.h"
#include "bench/SyntheticMp3.h"
#include "core/FileAnalysis.h"
#include "core/FrameScan.h"
#include "core/FrameSeries.h"

namespace {

using namespace quilto;

double Fastest(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }

enum class SampleId { Cbr128, Vbr120, Vbr600 };

std::map<SampleId, bench::SyntheticFile>& Samples() {
    static std::map<SampleId, bench::SyntheticFile> samples;
    return samples;
}

const bench::SyntheticFile& Sample(SampleId id) {
    auto& samples = Samples();
    auto found = samples.find(id);
    if (found != samples.end()) return found->second;
    // The same seeds and shapes as bench_frame_scan's files.
    bench::Random random(20240601);
    const std::uint64_t minute = bench::SmokeOr<std::uint64_t>(60, 1);  // smoke: seconds, not minutes
    switch (id) {
        case SampleId::Cbr128: return samples[id] = bench::MakeCbrFile(60 * minute, 9, true, random);
        case SampleId::Vbr120: return samples[id] = bench::MakeVbrFile(120 * minute, random);
        case SampleId::Vbr600: return samples[id] = bench::MakeVbrFile(600 * minute, random);
    }
    return samples[id];
}

void BM_Scan(benchmark::State& state, SampleId id, bool record) {
    const bench::SyntheticFile& sample = Sample(id);
    core::InputFile file = core::InputFile::FromBytes(sample.bytes);
    core::NoProgress progress;
    core::StreamInfo last;
    core::FrameSeries series;
    for (auto _ : state) {
        last = record ? core::FullScanBehindTag(file, sample.tagLength, progress, series).info
                      : core::FullScanBehindTag(file, sample.tagLength, progress).info;
        benchmark::DoNotOptimize(last);
    }
    if (last.frames + last.otherFrames != sample.audioFrames) bench::Fail(state, "frame count differs");
    if (record && series.countedFrames() != sample.audioFrames) bench::Fail(state, "series count differs");
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(sample.bytes.size()));
    if (record) {
        state.counters["series_MiB"] = static_cast<double>(series.memoryBytes()) / (1 << 20);
        state.counters["frames_per_sample"] = series.framesPerSample();
    }
}

BENCHMARK_CAPTURE(BM_Scan, cbr128_60min_plain, SampleId::Cbr128, false)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);
BENCHMARK_CAPTURE(BM_Scan, cbr128_60min_recorded, SampleId::Cbr128, true)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);
BENCHMARK_CAPTURE(BM_Scan, vbr_120min_plain, SampleId::Vbr120, false)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);
BENCHMARK_CAPTURE(BM_Scan, vbr_120min_recorded, SampleId::Vbr120, true)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);
BENCHMARK_CAPTURE(BM_Scan, vbr_10h_plain, SampleId::Vbr600, false)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_CAPTURE(BM_Scan, vbr_10h_recorded, SampleId::Vbr600, true)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// What a view does after the scan: the start time of every sample and the
// CSV text, for the 10-hour stream.
void BM_SeriesTimesAndCsv(benchmark::State& state) {
    const bench::SyntheticFile& sample = Sample(SampleId::Vbr600);
    core::InputFile file = core::InputFile::FromBytes(sample.bytes);
    core::NoProgress progress;
    core::FrameSeries series;
    core::FullScanBehindTag(file, sample.tagLength, progress, series);
    std::size_t size = 0;
    for (auto _ : state) {
        size = series.sampleStartSeconds().size() + core::FrameSeriesCsv(series).size();
        benchmark::DoNotOptimize(size);
    }
    state.counters["samples"] = static_cast<double>(series.samples().size());
}
BENCHMARK(BM_SeriesTimesAndCsv)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) { return bench::RunBenchmarks(argc, argv); }
