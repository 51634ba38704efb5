// Files per second for opening a folder as the file list does it: ScanFolder
// (names, sizes, dates) and FillRows (both tags and the quick stream estimate
// of every row), over 5,000 small generated files of 24 KB with a warm cache,
// on every core and on the calling thread alone.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchMain.h"
#include "bench/SyntheticMp3.h"
#include "core/FileRows.h"

namespace {

using namespace quilto;

constexpr std::uint64_t kFileBytes = 24000;

unsigned FileCount() { return bench::SmokeOr(5000u, 40u); }

double Fastest(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }

std::string& Folder() {
    static std::string folder;
    return folder;
}

const core::GenreTable& Genres() {
    static const core::GenreTable genres;
    return genres;
}

void PrepareFolder() {
    const auto directory = bench::ScratchDirectory() / ("small" + std::to_string(FileCount()));
    std::filesystem::create_directories(directory);
    bench::Random random(20240605);  // as make_bench_folder --small
    for (unsigned i = 0; i < FileCount(); ++i) {
        std::array<char, 32> name{};
        std::snprintf(name.data(), name.size(), "%05u.mp3", i);
        bench::WriteIfMissing(directory / name.data(), bench::MakeSmallFile(i, random, kFileBytes).bytes);
    }
    Folder() = directory.string();
}

// Every row must have been read, or the figure would flatter a failure.
bool RowsComplete(const core::FolderRows& rows) {
    if (rows.size() != FileCount()) return false;
    return std::all_of(rows.files.begin(), rows.files.end(), [](const core::FileRecord& record) {
        return record.icon == core::FileIcon::None && record.text(core::FileColumn::Tag) == "v1v2" &&
               !record.text(core::FileColumn::Time).empty();
    });
}

// threads as FillRows takes it: 0 every core, 1 the calling thread alone.
void BM_OpenFolder(benchmark::State& state, bool fill, unsigned threads) {
    core::NoProgress progress;
    core::FolderRows rows;
    for (auto _ : state) {
        if (!core::ScanFolder(rows, Folder())) {
            bench::Fail(state, "cannot read the folder");
            return;
        }
        if (fill) core::FillRows(rows, Genres(), progress, threads);
        benchmark::DoNotOptimize(rows);
    }
    if (fill && !RowsComplete(rows)) bench::Fail(state, "a row was not filled as generated");
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(FileCount()));
}

BENCHMARK_CAPTURE(BM_OpenFolder, scan_and_fill, true, 0u)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);
BENCHMARK_CAPTURE(BM_OpenFolder, scan_and_fill_one_thread, true, 1u)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);
BENCHMARK_CAPTURE(BM_OpenFolder, scan_only, false, 0u)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);

}  // namespace

int main(int argc, char** argv) {
    return bench::RunBenchmarks(argc, argv, [] {
        PrepareFolder();
        // One pass untimed so that every file is in the page cache.
        core::FolderRows warm;
        core::NoProgress progress;
        if (core::ScanFolder(warm, Folder())) core::FillRows(warm, Genres(), progress);
        std::printf("files in %s\n", Folder().c_str());
    });
}
