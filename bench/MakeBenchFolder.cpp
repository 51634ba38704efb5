// Writes the folders the side-by-side timings read. Files already there with
// the right size are kept.
//   make_bench_folder FOLDER [COUNT]
//     synthetic albums of constant and variable bit rate, a few minutes per
//     track, several hundred MB in all (the cat comparison of the full scan);
//   make_bench_folder --small FOLDER COUNT BYTES
//     COUNT distinct small tagged files of about BYTES each (the quick scan
//     of a folder: quilto-cli info, the file list).
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "bench/SyntheticMp3.h"

namespace {

using namespace quilto;

long Number(const char* text, long low, long high) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && value >= low && value <= high ? value : -1;
}

int WriteAlbums(const std::filesystem::path& folder, long count) {
    bench::Random random(7);
    // Mostly 128 kbps, some 192 and 256, about a third variable.
    static constexpr std::array<unsigned, 8> kRates = {9, 9, 9, 9, 11, 11, 13, 0};
    std::uint64_t total = 0;
    std::uint64_t frames = 0;
    for (long i = 0; i < count; ++i) {
        const std::uint64_t drawn = random.between(120, 240);
        const std::uint64_t seconds = bench::SmokeOr(drawn, drawn / 40);  // smoke: seconds, not minutes
        const unsigned rate = kRates[random.next() % kRates.size()];
        const bool variable = rate == 0 || i % 4 == 3;
        const bench::SyntheticFile file =
            variable ? bench::MakeVbrFile(seconds, random) : bench::MakeCbrFile(seconds, rate, i % 2 == 0, random);
        std::array<char, 32> name{};
        std::snprintf(name.data(), name.size(), "track_%03ld.mp3", i);
        bench::WriteIfMissing(folder / name.data(), file.bytes);
        total += file.bytes.size();
        frames += file.audioFrames;
    }
    std::printf("files %ld bytes %llu frames %llu\n", count, static_cast<unsigned long long>(total),
                static_cast<unsigned long long>(frames));
    return 0;
}

int WriteSmallFiles(const std::filesystem::path& folder, long count, long bytes) {
    bench::Random random(20240605);
    std::uint64_t total = 0;
    for (long i = 0; i < count; ++i) {
        const bench::SyntheticFile file = bench::MakeSmallFile(static_cast<unsigned>(i), random, static_cast<std::uint64_t>(bytes));
        std::array<char, 32> name{};
        std::snprintf(name.data(), name.size(), "%05ld.mp3", i);
        bench::WriteIfMissing(folder / name.data(), file.bytes);
        total += file.bytes.size();
    }
    std::printf("files %ld bytes %llu\n", count, static_cast<unsigned long long>(total));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const bool small = argc == 5 && std::strcmp(argv[1], "--small") == 0;
    if (!small && (argc < 2 || argc > 3)) {
        std::fprintf(stderr,
                     "usage: %s FOLDER [COUNT]\n"
                     "       %s --small FOLDER COUNT BYTES\n"
                     "Writes COUNT (default 200) generated albums' tracks, or COUNT small tagged files\n"
                     "of about BYTES each.\n",
                     argv[0], argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[small ? 2 : 1];
    const long count = small ? Number(argv[3], 1, 1000000) : argc == 3 ? Number(argv[2], 1, 100000) : bench::SmokeOr(200L, 2L);
    const long bytes = small ? Number(argv[4], 1024, 1'000'000'000) : 0;
    if (count < 0 || bytes < 0) {
        std::fprintf(stderr, "COUNT must be 1..100000 (1..1000000 small files), BYTES 1024..1000000000\n");
        return 2;
    }
    std::filesystem::create_directories(folder);
    return small ? WriteSmallFiles(folder, count, bytes) : WriteAlbums(folder, count);
}
