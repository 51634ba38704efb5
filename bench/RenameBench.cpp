// Renaming a folder of 10,000 MP3 files by format: composing the names from
// the ID3v2 titles, checking them and renaming every file on disk, timed
// together (the folder is read and its tags filled before the clock starts).
// Each round gives every file a new name, so every round renames 10,000
// files. Prints each round and the median.
//
// usage: rename_bench [ROUNDS]   (default 5; QUILTO_BENCH_SMOKE=1: 20 files,
// 1 round, and only a wrong result fails, never the time)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/SyntheticMp3.h"
#include "core/FileRows.h"
#include "core/GenreTable.h"
#include "rename/ApplyRenames.h"
#include "rename/FormatTemplate.h"
#include "rename/RenameCheck.h"

namespace {

using namespace quilto;
namespace fs = std::filesystem;

}  // namespace

int main(int argc, char** argv) {
    const unsigned kFileCount = bench::SmokeOr(10000u, 20u);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : bench::SmokeOr(5, 1);
    const fs::path directory = bench::ScratchDirectory() / "rename10000";
    fs::remove_all(directory);
    fs::create_directories(directory);
    bench::Random random(20261209);
    for (unsigned i = 0; i < kFileCount; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "%05u.mp3", i);
        bench::WriteIfMissing(directory / name, bench::MakeSmallFile(i, random).bytes);
    }
    const std::string folder = directory.string() + "/";
    const core::GenreTable genres;
    core::NoProgress progress;
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        core::FolderRows rows;
        if (!core::ScanFolder(rows, folder) || rows.size() != kFileCount) {
            std::fprintf(stderr, "cannot read %s\n", folder.c_str());
            return 1;
        }
        core::FillRows(rows, genres, progress);
        const rename::ParsedTemplate format =
            rename::ParseFormatTemplate("{v2:Title} round " + std::to_string(round));
        std::vector<std::size_t> all(rows.size());
        for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;

        const auto start = std::chrono::steady_clock::now();
        const std::size_t composed = rename::ComposeNames(format.steps, rows, all, "'");
        const bool problem = rename::CheckRenames(rows.rename, rename::SourceColumn::FileName);
        const rename::ApplyOutcome outcome = problem ? rename::ApplyOutcome{} : rename::ApplyRenames(rows);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

        if (composed != kFileCount || problem || outcome.failed() || outcome.applied.size() != kFileCount) {
            std::fprintf(stderr, "round %d: composed %zu, problem %d, renamed %zu: %s\n", round, composed,
                         problem ? 1 : 0, outcome.applied.size(), outcome.message.c_str());
            return 1;
        }
        std::printf("round %d: %.3f s\n", round, seconds);
        times.push_back(seconds);
    }
    std::sort(times.begin(), times.end());
    std::printf("compose + check + apply, %u files: median %.3f s (target <= 2 s)\n", kFileCount,
                times[times.size() / 2]);
    // For bench/write_paths.sh: path, ms, no yardstick, and the target in ms.
    std::printf("RESULT\trename %u files\t%.1f\t-\t0\t2000\n", kFileCount, times[times.size() / 2] * 1000);
    fs::remove_all(directory);
    return bench::SmokeMode() || times[times.size() / 2] <= 2.0 ? 0 : 1;
}
