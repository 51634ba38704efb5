// Saving a new ID3v2 title into every file of a folder of FILES files of
// about 4 MB, timed side by side with `cp` of the same files into an emptied
// folder and with `cp` followed by `sync` (tag saving flushes every file
// before it renames it over the original; cp flushes nothing). The rows are
// read and edited outside the timed part; each round saves another title, so
// every round rewrites every file. The commands alternate round by round;
// medians are printed.
//
// usage: tag_save_bench [FILES] [ROUNDS]   (default 1000 files, 3 rounds;
// QUILTO_BENCH_SMOKE=1: 3 files of seconds, 1 round)
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
#include "core/Progress.h"
#include "tags/SaveTags.h"
#include "tags/TagEdits.h"

namespace {

using namespace quilto;
namespace fs = std::filesystem;

constexpr unsigned kBitRate128 = 9;

double Milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

bool Fresh(const fs::path& folder) {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return fs::create_directories(folder, ignored);
}

double TimeShell(const std::string& command) {
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
    return Milliseconds(std::chrono::steady_clock::now() - start);
}

}  // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : bench::SmokeOr(1000, 3);
    const int rounds = argc > 2 ? std::atoi(argv[2]) : bench::SmokeOr(3, 1);
    const std::uint64_t kSeconds = bench::SmokeOr<std::uint64_t>(250, 5);  // 128 kbps: about 4 MB each
    const fs::path scratch = bench::ScratchDirectory() / ("tagsave" + std::to_string(files));
    const fs::path source = scratch / "files";
    const fs::path copies = scratch / "copies";
    fs::create_directories(source);

    bench::Random random(1234);
    const bench::SyntheticFile file = bench::MakeCbrFile(kSeconds, kBitRate128, true, random);
    std::uint64_t bytes = 0;
    for (int i = 0; i < files; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "track%04d.mp3", i);
        bench::WriteIfMissing(source / name, file.bytes);
        bytes += file.bytes.size();
    }
    std::printf("%d files of %.1f MB (%.2f GB)\n", files, double(file.bytes.size()) / 1e6, double(bytes) / 1e9);

    const core::GenreTable genres;
    std::vector<double> cp, cpSync, save;
    const std::string folder = source.string() + "/";
    const std::string cpCommand = "cp -r '" + source.string() + "/.' '" + copies.string() + "/'";
    for (int round = 0; round < rounds; ++round) {
        Fresh(copies);
        cp.push_back(TimeShell(cpCommand));
        Fresh(copies);
        TimeShell("sync");
        cpSync.push_back(TimeShell(cpCommand + " && sync"));
        Fresh(copies);
        TimeShell("sync");

        core::FolderRows rows;
        core::ScanFolder(rows, folder);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            core::FillRow(rows, i, genres);
            tags::SetCell({rows, genres}, tags::TagList::Id3v2, i, tags::TagColumn::Title,
                          "Round " + std::to_string(round) + " title " + std::to_string(i));
        }
        tags::TagSaveOptions options;
        options.variant = tags::TagVariant::Id3v2;
        options.genres = &genres;
        core::NoProgress quiet;
        const auto start = std::chrono::steady_clock::now();
        const tags::TagSaveOutcome outcome = tags::SaveTags(rows, options, quiet);
        save.push_back(Milliseconds(std::chrono::steady_clock::now() - start));
        if (outcome.savedRows.size() != rows.size()) {
            std::fprintf(stderr, "saved %zu of %zu: %s\n", outcome.savedRows.size(), rows.size(),
                         outcome.message.c_str());
            return 1;
        }
        std::printf("round %d: cp %.0f ms, cp+sync %.0f ms, save %.0f ms\n", round, cp.back(), cpSync.back(),
                    save.back());
    }
    std::error_code ignored;
    fs::remove_all(copies, ignored);

    const double base = Median(cp);
    std::printf("| command | time | × cp |\n| --- | --- | --- |\n");
    std::printf("| cp | %.0f ms | 1.00 |\n", base);
    std::printf("| cp + sync | %.0f ms | %.2f |\n", Median(cpSync), Median(cpSync) / base);
    std::printf("| save ID3v2 | %.0f ms | %.2f |\n", Median(save), Median(save) / base);
    // For bench/write_paths.sh: path, ms, yardstick, its ms, target ratio (0: none).
    std::printf("RESULT\ttag save %d files: cp + sync\t%.1f\tcp\t%.1f\t0\n", files, Median(cpSync), base);
    std::printf("RESULT\ttag save %d files\t%.1f\tcp\t%.1f\t2.0\n", files, Median(save), base);
    return 0;
}
