// Full frame scan throughput over long generated files, beside a plain
// buffered read() of the same bytes: the scan cannot beat the read, so the
// gap between the two is what the header walk costs.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchMain.h"
#include "bench/SyntheticMp3.h"
#include "core/FrameScan.h"
#include "core/Id3v2Reader.h"

namespace {

using namespace quilto;

// With --benchmark_repetitions: the fastest run, the one least disturbed by
// whatever else the machine was doing.
double Fastest(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }

enum class SampleId { Cbr128, Cbr320, Vbr };

struct Sample {
    std::string path;
    std::uint64_t size = 0;
    std::uint64_t audioFrames = 0;
    bool variable = false;
    core::Bytes bytes;  // kept only for the in-memory walk
};

std::map<SampleId, Sample>& Samples() {
    static std::map<SampleId, Sample> samples;
    return samples;
}

void Prepare(SampleId id, const std::string& name, bench::SyntheticFile file, bool variable, bool keepBytes) {
    Sample sample;
    sample.path = (bench::ScratchDirectory() / name).string();
    bench::WriteIfMissing(sample.path, file.bytes);
    sample.size = file.bytes.size();
    sample.audioFrames = file.audioFrames;
    sample.variable = variable;
    if (keepBytes) sample.bytes = std::move(file.bytes);
    Samples()[id] = std::move(sample);
}

void PrepareSamples() {
    bench::Random random(20240601);
    const std::uint64_t minute = bench::SmokeOr<std::uint64_t>(60, 1);  // smoke: seconds, not minutes
    Prepare(SampleId::Cbr128, "cbr128_60min.mp3", bench::MakeCbrFile(60 * minute, 9, true, random), false, true);
    Prepare(SampleId::Cbr320, "cbr320_60min.mp3", bench::MakeCbrFile(60 * minute, 14, true, random), false, false);
    Prepare(SampleId::Vbr, "vbr_120min.mp3", bench::MakeVbrFile(120 * minute, random), true, true);
}

// What the file list's full scan does: frames start behind the head tag;
// kind 0 asks for no container detection.
core::StreamColumns ScanFile(core::InputFile& file) {
    std::array<std::uint8_t, core::kId3v2HeaderSize> header{};
    file.seek(0);
    const std::size_t got = file.read(header.data(), header.size());
    file.seek(core::TagLength(core::ByteView(header.data(), got)));
    core::FindFirstFrame(file, core::ContainerKind::NoAudio);
    core::NoProgress progress;
    return core::FullFrameScan(file, 0, true, progress);
}

bool CountsMatch(const Sample& sample, const core::StreamInfo& info) {
    if (sample.variable) return info.isVbr && info.frames == sample.audioFrames;
    return !info.isVbr && info.frames == sample.audioFrames && info.otherFrames == 0;
}

void BM_FullFrameScan(benchmark::State& state, SampleId id) {
    const Sample& sample = Samples().at(id);
    core::StreamInfo last;
    for (auto _ : state) {
        auto file = core::InputFile::Open(sample.path);
        if (!file) {
            bench::Fail(state, "cannot open the sample");
            return;
        }
        last = ScanFile(*file).info;
        benchmark::DoNotOptimize(last);
    }
    if (!CountsMatch(sample, last)) bench::Fail(state, "frame count differs from the generated stream");
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(sample.size));
    state.counters["frames"] = static_cast<double>(last.frames + last.otherFrames);
}

// The same walk over a buffer already in memory: no system call, only the
// copy into the scan buffer and the header walk.
void BM_FullFrameScanInMemory(benchmark::State& state, SampleId id) {
    const Sample& sample = Samples().at(id);
    core::InputFile file = core::InputFile::FromBytes(sample.bytes);
    core::StreamInfo last;
    for (auto _ : state) {
        last = ScanFile(file).info;
        benchmark::DoNotOptimize(last);
    }
    if (!CountsMatch(sample, last)) bench::Fail(state, "frame count differs from the generated stream");
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(sample.size));
}

// read() through the whole file with a buffer of state.range(0) bytes.
void BM_BufferedRead(benchmark::State& state, SampleId id) {
    const Sample& sample = Samples().at(id);
    const auto bufferSize = static_cast<std::size_t>(state.range(0));
    const auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(bufferSize);
    for (auto _ : state) {
        const int fd = ::open(sample.path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            bench::Fail(state, "cannot open the sample");
            return;
        }
        std::uint64_t total = 0;
        for (ssize_t got; (got = ::read(fd, buffer.get(), bufferSize)) > 0;) total += static_cast<std::uint64_t>(got);
        ::close(fd);
        benchmark::DoNotOptimize(total);
        benchmark::DoNotOptimize(buffer.get()[0]);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(sample.size));
}

void BufferSizes(benchmark::internal::Benchmark* b) {
    for (const int kib : {64, 128, 256, 1024}) b->Arg(kib * 1024);
}

BENCHMARK_CAPTURE(BM_FullFrameScan, cbr128_60min, SampleId::Cbr128)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);
BENCHMARK_CAPTURE(BM_BufferedRead, cbr128_60min, SampleId::Cbr128)->Apply(BufferSizes)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);
BENCHMARK_CAPTURE(BM_FullFrameScan, cbr320_60min, SampleId::Cbr320)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);
BENCHMARK_CAPTURE(BM_BufferedRead, cbr320_60min, SampleId::Cbr320)->Apply(BufferSizes)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);
BENCHMARK_CAPTURE(BM_FullFrameScan, vbr_120min, SampleId::Vbr)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);
BENCHMARK_CAPTURE(BM_BufferedRead, vbr_120min, SampleId::Vbr)->Apply(BufferSizes)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);
BENCHMARK_CAPTURE(BM_FullFrameScanInMemory, cbr128_60min, SampleId::Cbr128)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);
BENCHMARK_CAPTURE(BM_FullFrameScanInMemory, vbr_120min, SampleId::Vbr)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);

// Reads every sample once so that the first measured run finds it cached.
void WarmCache() {
    std::array<char, 1 << 16> buffer{};
    for (const auto& [id, sample] : Samples()) {
        const int fd = ::open(sample.path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        while (::read(fd, buffer.data(), buffer.size()) > 0) {
        }
        ::close(fd);
    }
}

}  // namespace

int main(int argc, char** argv) {
    return bench::RunBenchmarks(argc, argv, [] {
        PrepareSamples();
        WarmCache();
        std::printf("samples in %s\n", bench::ScratchDirectory().c_str());
    });
}
