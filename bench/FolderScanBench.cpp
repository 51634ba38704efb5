// Files per second for what the file list does per file when a folder is
// opened: both tags and the quick stream estimate, over 1,000 small
// generated files with a warm cache. The parts are measured alone as well,
// to show where the time of one file goes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchMain.h"
#include "bench/SyntheticMp3.h"
#include "core/FileAnalysis.h"
#include "core/FrameScan.h"
#include "core/Id3v1.h"
#include "core/Id3v2Reader.h"

namespace {

using namespace quilto;

// With --benchmark_repetitions: the fastest run, the one least disturbed by
// whatever else the machine was doing.
double Fastest(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }


struct SmallFile {
    std::string path;
    std::uint64_t audioFrames = 0;
    bool hasVbrHeader = false;
};

std::vector<SmallFile>& Files() {
    static std::vector<SmallFile> files;
    return files;
}

const core::GenreTable& Genres() {
    static const core::GenreTable genres;
    return genres;
}

void PrepareFiles() {
    const auto directory = bench::ScratchDirectory() / "small1000";
    std::filesystem::create_directories(directory);
    bench::Random random(19990101);
    const unsigned count = bench::SmokeOr(1000u, 8u);
    for (unsigned i = 0; i < count; ++i) {
        const bench::SyntheticFile file = bench::MakeSmallFile(i, random);
        std::array<char, 16> name{};
        std::snprintf(name.data(), name.size(), "%04u.mp3", i);
        SmallFile entry{(directory / name.data()).string(), file.audioFrames, i % 4 <= 1};
        bench::WriteIfMissing(entry.path, file.bytes);
        Files().push_back(std::move(entry));
    }
}

struct FileRow {
    core::Id3v2Record id3v2;
    bool hasId3v2 = false;
    core::Id3v1Record id3v1;
    bool hasId3v1 = false;
    core::ContainerKind kind = core::ContainerKind::NoAudio;
    core::StreamColumns stream;
};

// The head tag's length from its first 10 bytes, with the file left there.
std::uint64_t HeadTagLength(core::InputFile& file) {
    std::array<std::uint8_t, core::kId3v2HeaderSize> header{};
    file.seek(0);
    const std::size_t got = file.read(header.data(), header.size());
    return core::TagLength(core::ByteView(header.data(), got));
}

void ReadTags(core::InputFile& file, std::uint64_t tagLength, FileRow& row) {
    if (tagLength > 0) {
        // Never more than the file holds, whatever the header claims.
        core::Bytes tag(static_cast<std::size_t>(std::min(tagLength, file.size())));
        file.seek(0);
        tag.resize(file.read(tag.data(), tag.size()));
        row.hasId3v2 = true;
        core::ReadId3v2(tag, row.id3v2, Genres());
    }
    if (file.size() >= core::kId3v1Size) {
        std::array<std::uint8_t, core::kId3v1Size> block{};
        if (file.readAt(file.size() - block.size(), block.data(), block.size()) == block.size()) {
            row.hasId3v1 = core::ReadId3v1(block, &row.id3v1, Genres());
        }
    }
}

void QuickScan(core::InputFile& file, std::uint64_t tagLength, FileRow& row) {
    file.seek(tagLength);
    row.kind = core::FindFirstFrame(file, core::ContainerKind::Plain);
    row.stream = core::QuickFrameScan(file);
}

enum class Work {
    OpenOnly,
    TagsOnly,
    QuickScanOnly,
    QuickScanAndTags,
    AnalyseFile,  // the engine's own per-file analysis, as the CLI runs it
};

bool Process(const std::string& path, Work work, FileRow& row) {
    if (work == Work::AnalyseFile) {
        core::NoProgress progress;
        const core::FileAnalysis analysis = core::AnalyseFile(path, core::ScanDepth::Quick, Genres(), progress);
        benchmark::DoNotOptimize(analysis);
        return analysis.opened;
    }
    auto file = core::InputFile::Open(path);
    if (!file) return false;
    if (work == Work::OpenOnly) return true;
    const std::uint64_t tagLength = HeadTagLength(*file);
    if (work != Work::QuickScanOnly) ReadTags(*file, tagLength, row);
    if (work != Work::TagsOnly) QuickScan(*file, tagLength, row);
    return true;
}

// The rows must say what the generator wrote, or the figure means nothing.
bool RowsCorrect() {
    for (const SmallFile& entry : Files()) {
        FileRow row;
        if (!Process(entry.path, Work::QuickScanAndTags, row)) return false;
        if (row.id3v2.artist.empty() || row.id3v2.title.empty() || row.id3v2.comment.empty() || !row.hasId3v1) return false;
        if (row.kind != core::ContainerKind::Plain) return false;
        if (entry.hasVbrHeader && row.stream.info.frames != entry.audioFrames) return false;
        if (!entry.hasVbrHeader && row.stream.info.frames == 0) return false;
    }
    return true;
}

void BM_Folder(benchmark::State& state, Work work) {
    if (work == Work::QuickScanAndTags && !RowsCorrect()) {
        bench::Fail(state, "a row differs from the generated file");
        return;
    }
    for (auto _ : state) {
        for (const SmallFile& entry : Files()) {
            FileRow row;
            if (!Process(entry.path, work, row)) {
                bench::Fail(state, "cannot open a file");
                return;
            }
            benchmark::DoNotOptimize(row);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(Files().size()));
}

BENCHMARK_CAPTURE(BM_Folder, quick_scan_and_tags, Work::QuickScanAndTags)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);
BENCHMARK_CAPTURE(BM_Folder, analyse_file_quick, Work::AnalyseFile)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);
BENCHMARK_CAPTURE(BM_Folder, tags_only, Work::TagsOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);
BENCHMARK_CAPTURE(BM_Folder, quick_scan_only, Work::QuickScanOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);
BENCHMARK_CAPTURE(BM_Folder, open_close_only, Work::OpenOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);

}  // namespace

int main(int argc, char** argv) {
    return bench::RunBenchmarks(argc, argv, [] {
        PrepareFiles();
        // One pass untimed so that every file is in the page cache.
        for (const SmallFile& entry : Files()) {
            FileRow row;
            Process(entry.path, Work::QuickScanAndTags, row);
        }
        std::printf("files in %s\n", (bench::ScratchDirectory() / "small1000").c_str());
    });
}
