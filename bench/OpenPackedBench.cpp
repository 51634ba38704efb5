// Opening a Pack file of 200 tracks on the UnPack page: the directory, each
// track's tags and its full frame scan. The file (30-second tracks at
// 128 kbps, about 96 MB) is written once into the scratch folder and read
// warm from the page cache.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/BenchMain.h"
#include "bench/SyntheticMp3.h"
#include "core/Bytes.h"
#include "core/GenreTable.h"
#include "core/Progress.h"
#include "pack/OpenPacked.h"

namespace {

using namespace quilto;

std::size_t TrackCount() { return bench::SmokeOr<std::size_t>(200, 4); }

void Syncsafe(core::Bytes& out, std::uint64_t value) {
    for (int shift = 21; shift >= 0; shift -= 7) out.push_back(static_cast<std::uint8_t>((value >> shift) & 0x7F));
}

// A Pack file without head tag: directory, then the tracks as generated
// (each with its ID3v2 and ID3v1 tags), then nothing.
core::Bytes PackFileOf(const std::vector<core::Bytes>& tracks) {
    std::vector<std::string> names;
    std::uint64_t directory = 12 + 1 + 4;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        names.push_back("track " + std::to_string(i + 1) + ".mp3");
        directory += 4 + names.back().size() + 1 + 2;
    }
    core::Bytes out = {'P', 'a', 'c', 'k'};
    Syncsafe(out, directory);
    out.push_back(static_cast<std::uint8_t>(tracks.size() >> 7));
    out.push_back(static_cast<std::uint8_t>(tracks.size() & 0x7F));
    out.push_back(0);
    out.push_back(0);  // flags: syncsafe offsets, nothing added
    out.push_back(0);  // empty album title
    std::uint64_t offset = directory;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        Syncsafe(out, offset);
        out.insert(out.end(), names[i].begin(), names[i].end());
        out.insert(out.end(), {0, 0, 0});
        offset += tracks[i].size();
    }
    Syncsafe(out, offset);
    for (const core::Bytes& track : tracks) out.insert(out.end(), track.begin(), track.end());
    return out;
}

std::string PreparedFile() {
    const auto path = bench::ScratchDirectory() / "open_200_tracks.pac.mp3";
    bench::Random random(2026);
    std::vector<core::Bytes> tracks;
    for (std::size_t i = 0; i < TrackCount(); ++i) tracks.push_back(bench::MakeCbrFile(30, 9, i % 2 == 0, random).bytes);
    bench::WriteIfMissing(path, PackFileOf(tracks));
    return path.string();
}

void BM_OpenPacked200Tracks(benchmark::State& state) {
    const std::string path = PreparedFile();
    const core::GenreTable genres;
    core::NoProgress progress;
    for (auto _ : state) {
        const auto facts = pack::ReadPackedFileFacts(path, genres);
        if (!facts) {
            bench::Fail(state, "cannot open the file");
            return;
        }
        pack::TrackPage page;
        page.page = pack::Page::UnPack;
        const pack::OpenPackedResult result = pack::OpenPacked(path, *facts, page, genres, progress);
        if (result.status != pack::OpenPackedResult::Status::Opened || page.tracks.size() != TrackCount() ||
            page.tracks.back().frameCount == 0) {
            bench::Fail(state, "tracks missing");
            return;
        }
        benchmark::DoNotOptimize(page.header.frameCount);
    }
}
BENCHMARK(BM_OpenPacked200Tracks)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return bench::RunBenchmarks(argc, argv); }
