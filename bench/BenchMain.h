// The main of the Google Benchmark programs: the library reports a benchmark
// stopped by SkipWithError and still exits 0, so a wrong result would pass
// CI's smoke run. Fail() records it and the program exits 1.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>

namespace quilto::bench {

inline bool& AnyFailed() {
    static bool failed = false;
    return failed;
}

inline void Fail(benchmark::State& state, const char* message) {
    AnyFailed() = true;
    state.SkipWithError(message);
}

// Parses the library's flags, runs prepare (writing the data), then every
// benchmark; 1 when any failed.
inline int RunBenchmarks(int argc, char** argv, const std::function<void()>& prepare = {}) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (prepare) prepare();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (AnyFailed()) std::fprintf(stderr, "a benchmark found a wrong result\n");
    return AnyFailed() ? 1 : 0;
}

}  // namespace quilto::bench
