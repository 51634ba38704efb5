// Extracting every track of a 20-track Pack file (about 60 MB), timed side by
// side with `dd` cutting the same byte ranges into 20 files (one shell running
// 20 dd commands), and with one dd copying all of them at once into one file
// (the floor of the copy without 20 process starts). All write into an
// emptied folder, so that none replaces a file; the folders are emptied
// outside the timed part. The commands alternate round by round; medians are
// printed.
//
// usage: extract_tracks_bench [ROUNDS]   (default 15; QUILTO_BENCH_SMOKE=1: two
// tracks of seconds, one round)
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bench/SyntheticMp3.h"
#include "core/Id3v2Reader.h"
#include "core/InputFile.h"
#include "core/Progress.h"
#include "pack/ExtractTracks.h"
#include "pack/PackBlock.h"
#include "pack/PackWriter.h"

namespace {

using namespace quilto;
namespace fs = std::filesystem;

constexpr unsigned kBitRate128 = 9;

std::string Quote(const std::string& text) { return "'" + text + "'"; }

double Milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

struct Command {
    std::string name;
    fs::path folder;  // emptied before each run
    std::function<bool()> run;
};

bool Fresh(const fs::path& folder) {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return fs::create_directories(folder, ignored);
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t kFiles = bench::SmokeOr<std::size_t>(20, 2);
    const std::uint64_t kSeconds = bench::SmokeOr<std::uint64_t>(190, 5);  // 128 kbps: about 3 MB each
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : bench::SmokeOr(15, 1);
    const fs::path scratch = bench::ScratchDirectory() / "extract20";
    fs::create_directories(scratch);

    // The sources, packed once into one Pack file.
    bench::Random random(20);
    pack::TrackPage sources;
    sources.header.title = "Bench";
    for (std::size_t i = 0; i < kFiles; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "%02zu bench.mp3", i + 1);
        const bench::SyntheticFile file = bench::MakeCbrFile(kSeconds, kBitRate128, true, random);
        const std::string path = (scratch / name).string();
        bench::WriteIfMissing(path, file.bytes);
        pack::TrackRow row;
        row.sourcePath = path;
        row.fileName = path;
        row.tag = "v1v2";
        row.frameCount = file.audioFrames;
        row.xingBytes = 417;
        row.span = {0, file.bytes.size(), 0};
        sources.tracks.push_back(row);
    }
    const std::string packed = (scratch / "bench.pac.mp3").string();
    if (!fs::exists(packed)) {
        pack::PackRun run;
        run.choices.options.format = pack::PackFormat::Pack;
        run.choices.title = "Bench";
        run.outputPath = packed;
        core::NoProgress none;
        const pack::PackOutcome outcome = pack::SavePacked(sources, run, none);
        if (outcome.status != pack::PackOutcome::Status::Written) {
            std::fprintf(stderr, "%s: %s\n", packed.c_str(), outcome.message.c_str());
            return 1;
        }
    }

    // The UnPack page: the spans from the pack block.
    std::optional<core::InputFile> file = core::InputFile::Open(packed);
    if (!file) return 1;
    const core::Bytes head = file->readBytesAt(0, core::kId3v2HeaderSize);
    const std::uint64_t tagSize = core::TagLength(head);
    file->seek(tagSize);
    const std::uint64_t blockSize = pack::PackBlockSize(*file).value_or(0);
    const pack::PackDirectory directory =
        pack::ReadPackBlock(file->readBytesAt(tagSize, static_cast<std::size_t>(blockSize)), tagSize, file->size());
    if (directory.tracks.size() != kFiles) {
        std::fprintf(stderr, "%s: %zu tracks read back\n", packed.c_str(), directory.tracks.size());
        return 1;
    }
    pack::TrackPage page;
    page.page = pack::Page::UnPack;
    page.header.title = "Bench";
    page.header.filePath = packed;
    std::uint64_t total = 0;
    std::string ddScript = "set -e\n";
    const fs::path ddFolder = scratch / "dd";
    const fs::path extractFolder = scratch / "extracted";
    for (const pack::PackDirectoryTrack& track : directory.tracks) {
        pack::TrackRow row;
        row.fileName = track.fileName;
        row.span = {track.start, track.end, 0};
        page.tracks.push_back(row);
        total += track.end - track.start;
        ddScript += "dd if=" + Quote(packed) + " of=" + Quote((ddFolder / track.fileName).string()) +
                    " bs=1M iflag=skip_bytes,count_bytes skip=" + std::to_string(track.start) +
                    " count=" + std::to_string(track.end - track.start) + " status=none\n";
    }
    const std::string scriptPath = (scratch / "dd.sh").string();
    if (FILE* script = std::fopen(scriptPath.c_str(), "w")) {
        std::fputs(ddScript.c_str(), script);
        std::fclose(script);
    }
    std::printf("%zu tracks, %.1f MB, from %s\n", kFiles, static_cast<double>(total) / 1e6, packed.c_str());

    pack::ExtractRequest request;
    request.outputFolder = extractFolder.string();
    request.choices.options.makeDir = false;
    request.choices.options.id3v2Tag = false;  // the same bytes as dd
    request.choices.selectAll = true;
    // The floor of the copy itself: one dd over all the tracks' bytes at once.
    const fs::path oneFolder = scratch / "dd-one";
    const std::uint64_t first = page.tracks.front().span.start;
    const std::string ddOne = "dd if=" + Quote(packed) + " of=" + Quote((oneFolder / "all.mp3").string()) +
                              " bs=1M iflag=skip_bytes,count_bytes skip=" + std::to_string(first) +
                              " count=" + std::to_string(page.tracks.back().span.end - first) + " status=none";
    const std::vector<Command> commands = {
        {"dd", ddFolder, [&] { return std::system(("sh " + Quote(scriptPath)).c_str()) == 0; }},
        {"dd-one", oneFolder, [&] { return std::system(ddOne.c_str()) == 0; }},
        {"extract", extractFolder,
         [&] {
             core::NoProgress none;
             const pack::ExtractOutcome outcome = pack::ExtractTracks(page, request, none, {});
             if (outcome.status != pack::ExtractOutcome::Status::Done || outcome.extractedRows.size() != kFiles) {
                 std::fprintf(stderr, "extract: %s\n", outcome.message.c_str());
                 return false;
             }
             return true;
         }},
    };

    std::map<std::string, std::vector<double>> times;
    for (int round = -1; round < rounds; ++round) {  // round -1 warms the cache
        for (std::size_t k = 0; k < commands.size(); ++k) {
            const Command& command = commands[(k + static_cast<std::size_t>(round + 1)) % commands.size()];
            if (!Fresh(command.folder)) return 1;
            const auto start = std::chrono::steady_clock::now();
            if (!command.run()) return 1;
            if (round >= 0) times[command.name].push_back(Milliseconds(std::chrono::steady_clock::now() - start));
        }
    }
    // Both left their last run's files: they must be the same bytes.
    for (const pack::TrackRow& row : page.tracks) {
        const auto a = core::InputFile::Open((ddFolder / row.fileName).string());
        const auto b = core::InputFile::Open((extractFolder / row.fileName).string());
        if (!a || !b || a->readBytesAt(0, static_cast<std::size_t>(a->size())) !=
                            b->readBytesAt(0, static_cast<std::size_t>(b->size()))) {
            std::fprintf(stderr, "%s: dd and extract differ\n", row.fileName.c_str());
            return 1;
        }
    }
    const double dd = Median(times["dd"]);
    std::printf("%d rounds in rotating order, median wall time:\n", rounds);
    for (const Command& command : commands) {
        const double m = Median(times[command.name]);
        std::printf("  %-8s %8.1f ms  %6.2f GB/s  %5.2f x dd\n", command.name.c_str(), m,
                    static_cast<double>(total) / m / 1e6, m / dd);
    }
    // For bench/write_paths.sh: path, ms, yardstick, its ms, target ratio (0: none).
    const std::string tracks = std::to_string(kFiles) + " tracks";
    std::printf("RESULT\textract %s: dd-one\t%.1f\tdd\t%.1f\t0\n", tracks.c_str(), Median(times["dd-one"]), dd);
    std::printf("RESULT\textract %s\t%.1f\tdd\t%.1f\t1.2\n", tracks.c_str(), Median(times["extract"]), dd);
    return 0;
}
