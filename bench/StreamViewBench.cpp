// How long the stream view of a 10-hour VBR file takes to open: the recorded
// frame scan from the file (warm cache), building the charts, and the first
// picture of the window (offscreen), with the memory the series holds.
// A plain program: QT_QPA_PLATFORM=offscreen build/bench/stream_view_bench
// (QUILTO_BENCH_SMOKE=1: a 2-minute file, one round).
#include <QApplication>
#include <QPixmap>

#include <chrono>
#include <cstdio>
#include <fstream>

#include "app/StreamView.h"
#include "bench/SyntheticMp3.h"
#include "core/FileAnalysis.h"

using namespace quilto;

namespace {

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    bench::Random random(20240601);
    const auto path = bench::ScratchDirectory() / "vbr_600min.mp3";
    std::uint64_t frames = 0;
    {
        const bench::SyntheticFile file = bench::MakeVbrFile(bench::SmokeOr<std::uint64_t>(600, 2) * 60, random);
        frames = file.audioFrames;
        bench::WriteIfMissing(path, file.bytes);
        std::printf("%s: %.1f MB, %llu frames\n", path.c_str(), static_cast<double>(file.bytes.size()) / 1e6,
                    static_cast<unsigned long long>(file.audioFrames));
    }
    {
        std::ifstream warm(path, std::ios::binary);
        std::vector<char> buffer(1 << 20);
        while (warm.read(buffer.data(), static_cast<std::streamsize>(buffer.size()))) {
        }
    }
    const int rounds = bench::SmokeOr(5, 1);
    for (int round = 0; round < rounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        core::NoProgress quiet;
        core::FrameSeries series;
        const auto columns = core::RecordFileStream(path.string(), quiet, series);
        if (!columns || columns->info.frames != frames) {
            std::fprintf(stderr, "the scan does not count the generated frames\n");
            return 1;
        }
        const double scanned = MillisecondsSince(start);
        const std::size_t memory = series.memoryBytes();
        const std::uint32_t bucket = series.framesPerSample();
        app::StreamView view(nullptr, "vbr_600min.mp3", std::move(series), *columns);
        view.resize(960, 680);
        const double built = MillisecondsSince(start);
        view.show();
        const QPixmap picture = view.grab();
        if (picture.isNull()) {
            std::fprintf(stderr, "the view painted nothing\n");
            return 1;
        }
        const double painted = MillisecondsSince(start);
        std::printf("round %d: scan %.0f ms, window built %.0f ms, first picture %.0f ms (%dx%d); series %.2f MiB, "
                    "%u frames per sample\n",
                    round + 1, scanned, built, painted, picture.width(), picture.height(),
                    static_cast<double>(memory) / (1 << 20), bucket);
    }
    return 0;
}
