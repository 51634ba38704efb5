// Writes the folder that the cat comparison scans: synthetic albums of
// constant and variable bit rate, a few minutes per track, several hundred MB
// in all. Files already there with the right size are kept.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/SyntheticMp3.h"

int main(int argc, char** argv) {
    using namespace quilto;
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s FOLDER [COUNT]\nWrites COUNT (default 200) generated MP3 files.\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    const long count = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 200;
    if (count <= 0 || count > 100000) {
        std::fprintf(stderr, "COUNT must be 1..100000\n");
        return 2;
    }
    std::filesystem::create_directories(folder);
    bench::Random random(7);
    // Mostly 128 kbps, some 192 and 256, about a third variable.
    static constexpr std::array<unsigned, 8> kRates = {9, 9, 9, 9, 11, 11, 13, 0};
    std::uint64_t total = 0;
    std::uint64_t frames = 0;
    for (long i = 0; i < count; ++i) {
        const std::uint64_t seconds = random.between(120, 240);
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
