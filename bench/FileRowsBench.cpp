// Files per second for opening a folder as the file list does it: ScanFolder
// (names, sizes, dates) and FillRows (both tags and the quick stream estimate
// of every row), over 5,000 generated files of 24 KB with a warm cache: the
// folder `make_bench_folder --small FOLDER 5000 24000` writes, so the window
// and quilto-cli info are measured on the same bytes. QUILTO_BENCH_SMOKE=1
// takes 40 files.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/SyntheticMp3.h"
#include "core/FileRows.h"

namespace {

using namespace quilto;

constexpr std::uint64_t kFileBytes = 24000;

bool Smoke() {
    const char* smoke = std::getenv("QUILTO_BENCH_SMOKE");
    return smoke && std::string(smoke) == "1";
}

unsigned FileCount() { return Smoke() ? 40 : 5000; }

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
    const auto directory = bench::ScratchDirectory() / (Smoke() ? "small40" : "small5000");
    std::filesystem::create_directories(directory);
    bench::Random random(20240605);  // as make_bench_folder --small
    for (unsigned i = 0; i < FileCount(); ++i) {
        std::array<char, 32> name{};
        std::snprintf(name.data(), name.size(), "%05u.mp3", i);
        bench::WriteIfMissing(directory / name.data(), bench::MakeSmallFile(i, random, kFileBytes).bytes);
    }
    Folder() = directory.string();
}

bool wrongResult = false;  // makes the run fail, smoke runs included

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
            state.SkipWithError("cannot read the folder");
            wrongResult = true;
            return;
        }
        if (fill) core::FillRows(rows, Genres(), progress, threads);
        benchmark::DoNotOptimize(rows);
    }
    if (fill && !RowsComplete(rows)) {
        state.SkipWithError("a row was not filled as generated");
        wrongResult = true;
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(FileCount()));
}

BENCHMARK_CAPTURE(BM_OpenFolder, scan_and_fill, true, 0u)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);
BENCHMARK_CAPTURE(BM_OpenFolder, scan_and_fill_one_thread, true, 1u)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);
BENCHMARK_CAPTURE(BM_OpenFolder, scan_only, false, 0u)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    PrepareFolder();
    // One pass untimed so that every file is in the page cache.
    core::FolderRows warm;
    core::NoProgress progress;
    if (core::ScanFolder(warm, Folder())) core::FillRows(warm, Genres(), progress);
    std::printf("files in %s\n", Folder().c_str());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return wrongResult ? 1 : 0;
}
