// Packing 20 files of about 3 MB in each format, timed side by side with
// `cat` of the same files into one file (and `cat` followed by `sync` of that
// file, since the pack writer flushes its output before renaming it); then
// one 60-minute file cut by a cue list of 20 rows ("Entire") in each format
// against `cat` of that file. The commands run in a new shuffled order every
// round; medians are printed.
//
// usage: pack_writer_bench [ROUNDS]   (default 15; QUILTO_BENCH_SMOKE=1: two
// files of seconds, one round)
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "bench/SyntheticMp3.h"
#include "core/InputFile.h"
#include "core/Progress.h"
#include "pack/PackWriter.h"

namespace {

using namespace quilto;
namespace fs = std::filesystem;

constexpr unsigned kBitRate128 = 9;

struct Source {
    std::string path;
    bench::SyntheticFile file;
};

std::string Quote(const std::string& text) { return "'" + text + "'"; }

double Milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Command {
    std::string name;
    std::function<bool()> run;
};

bool Pack(const pack::TrackPage& page, pack::PackFormat format, const std::string& path, bool byCueList) {
    pack::PackRun run;
    run.choices.options.format = format;
    run.choices.options.removeXing = false;
    run.choices.entire = byCueList;
    run.choices.title = "Bench";
    run.cueSheetLines = {"TITLE \"Bench\""};
    run.outputPath = path;
    run.replaceExisting = true;  // every round rewrites the last round's output, as cat does
    core::NoProgress progress;
    const pack::PackOutcome outcome = pack::SavePacked(page, run, progress);
    if (outcome.status != pack::PackOutcome::Status::Written) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), outcome.message.c_str());
        return false;
    }
    return true;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// The line bench/write_paths.sh gathers into its table: path, median ms,
// yardstick, its median ms, and the ratio to it that is the target (0: none).
void PrintResult(const std::string& path, double ms, const char* yardstick, double yardstickMs, double target) {
    std::printf("RESULT\t%s\t%.1f\t%s\t%.1f\t%.2f\n", path.c_str(), ms, yardstick, yardstickMs, target);
}

// Warms the cache, then runs the commands in a shuffled order each round and
// prints medians; the first two are cat and cat+sync. A rotation would keep
// each command behind the same one, so that whatever that one leaves to the
// disk (write-back, a journal commit) would weigh on the same command always.
bool TimeCommands(const std::string& group, const std::vector<Command>& commands, int rounds, std::uint64_t bytes) {
    for (const Command& command : commands) {
        if (!command.run()) return false;
    }
    std::map<std::string, std::vector<double>> times;
    std::vector<std::size_t> order(commands.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::mt19937 shuffle(1);  // the same orders every run
    for (int round = 0; round < rounds; ++round) {
        std::shuffle(order.begin(), order.end(), shuffle);
        for (const std::size_t k : order) {
            const Command& command = commands[k];
            const auto start = std::chrono::steady_clock::now();
            if (!command.run()) return false;
            times[command.name].push_back(Milliseconds(std::chrono::steady_clock::now() - start));
        }
    }
    const double cat = Median(times[commands[0].name]);
    const double catSync = Median(times[commands[1].name]);
    std::printf("%d rounds in shuffled order, median wall time:\n", rounds);
    for (const Command& command : commands) {
        const double m = Median(times[command.name]);
        std::printf("  %-13s %8.1f ms  %6.2f GB/s  %5.2f x cat  %5.2f x cat+sync\n", command.name.c_str(), m,
                    static_cast<double>(bytes) / m / 1e6, m / cat, m / catSync);
    }
    PrintResult(group + ": cat + sync", catSync, "cat", cat, 0);
    for (std::size_t k = 2; k < commands.size(); ++k) {
        const bool zip = commands[k].name.ends_with("Zip");
        PrintResult(group + ": " + commands[k].name, Median(times[commands[k].name]), "cat", cat, zip ? 1.4 : 1.2);
    }
    return true;
}

// Bind stores the tracks' audio as it is, tags removed: the output must end
// with exactly that audio, in the list's order.
bool BindHoldsAudio(const std::string& path, const std::vector<Source>& sources) {
    core::Bytes audio;
    for (const Source& source : sources) {
        const auto begin = source.file.bytes.begin() + static_cast<std::ptrdiff_t>(source.file.tagLength);
        audio.insert(audio.end(), begin, source.file.bytes.end() - 128);
    }
    const auto file = core::InputFile::Open(path);
    if (!file || file->size() < audio.size() ||
        file->readBytesAt(file->size() - audio.size(), audio.size()) != audio) {
        std::fprintf(stderr, "%s does not hold the tracks' audio\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int kFiles = bench::SmokeOr(20, 2);
    const std::uint64_t kSeconds = bench::SmokeOr<std::uint64_t>(190, 5);  // 128 kbps: about 3 MB each
    const std::uint64_t kLongSeconds = bench::SmokeOr<std::uint64_t>(60 * 60, 60);
    const int kCueRows = bench::SmokeOr(20, 4);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : bench::SmokeOr(15, 1);
    const fs::path folder = bench::ScratchDirectory() / "pack20";
    fs::create_directories(folder);
    const fs::path out = bench::ScratchDirectory() / "pack20-out";
    fs::create_directories(out);

    bench::Random random(20);
    std::vector<Source> sources;
    pack::TrackPage page;
    pack::TrackPage entire;
    page.header.title = "Bench";
    page.header.kbps = "128";
    page.header.hz = "44100";
    std::uint64_t total = 0;
    std::string catList;
    for (int i = 0; i < kFiles; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "%02d bench.mp3", i + 1);
        Source source{(folder / name).string(), bench::MakeCbrFile(kSeconds, kBitRate128, true, random)};
        bench::WriteIfMissing(source.path, source.file.bytes);
        pack::TrackRow row;
        row.sourcePath = source.path;
        row.fileName = source.path;
        row.tag = "v1v2";
        row.mode = "Stereo";
        row.frameCount = source.file.audioFrames;
        row.xingBytes = 417;
        row.bitStreamBytes = source.file.bytes.size() - source.file.tagLength - 128;
        row.span = {0, source.file.bytes.size(), 0};
        page.tracks.push_back(row);
        total += source.file.bytes.size();
        catList += " " + Quote(source.path);
        sources.push_back(std::move(source));
    }
    std::printf("%d files, %.1f MB, output in %s\n", kFiles, static_cast<double>(total) / 1e6, out.c_str());

    const std::string catTarget = (out / "cat.mp3").string();
    std::vector<Command> commands;
    commands.push_back({"cat", [&] { return Shell("cat" + catList + " > " + Quote(catTarget)) == 0; }});
    commands.push_back({"cat+sync", [&] {
                            return Shell("cat" + catList + " > " + Quote(catTarget) + " && sync " + Quote(catTarget)) == 0;
                        }});
    const std::pair<const char*, pack::PackFormat> formats[] = {
        {"Bind", pack::PackFormat::Bind}, {"Pack", pack::PackFormat::Pack},
        {"Lha", pack::PackFormat::Lha},   {"Zip", pack::PackFormat::Zip}};
    for (const auto& [name, format] : formats) {
        commands.push_back({name, [&, format = format, name = std::string(name)] {
                                return Pack(page, format, (out / (name + ".mp3")).string(), false);
                            }});
    }

    if (!TimeCommands("pack " + std::to_string(kFiles) + " files", commands, rounds, total)) return 1;
    if (!BindHoldsAudio((out / "Bind.mp3").string(), sources)) return 1;

    // One long file cut at the cue list's index times.
    const std::string longPath = (folder / "60 min.mp3").string();
    {
        const bench::SyntheticFile file = bench::MakeCbrFile(kLongSeconds, kBitRate128, true, random);
        bench::WriteIfMissing(longPath, file.bytes);
        pack::TrackRow row;
        row.sourcePath = longPath;
        row.fileName = longPath;
        row.tag = "v1v2";
        row.mode = "Stereo";
        row.frameCount = file.audioFrames;
        row.xingBytes = 417;
        row.bitStreamBytes = file.bytes.size() - file.tagLength - 128;
        row.span = {0, file.bytes.size(), 0};
        entire.tracks = {row};
        entire.header = page.header;
        entire.header.frameCount = file.audioFrames;
        for (int i = 0; i < kCueRows; ++i) {
            const std::uint64_t start = kLongSeconds * static_cast<std::uint64_t>(i) / kCueRows;
            char index[16];
            std::snprintf(index, sizeof index, "%02llu:%02llu:00", static_cast<unsigned long long>(start / 60),
                          static_cast<unsigned long long>(start % 60));
            entire.cues.push_back({"", std::to_string(i + 1), "Part " + std::to_string(i + 1), "Bench", index});
        }
        total = file.bytes.size();
    }
    std::printf("\nEntire: one %llu-minute file, %.1f MB, cut into %d tracks\n",
                static_cast<unsigned long long>(kLongSeconds / 60), static_cast<double>(total) / 1e6, kCueRows);
    std::vector<Command> cut;
    cut.push_back({"cat", [&] { return Shell("cat " + Quote(longPath) + " > " + Quote(catTarget)) == 0; }});
    cut.push_back({"cat+sync", [&] {
                       return Shell("cat " + Quote(longPath) + " > " + Quote(catTarget) + " && sync " +
                                    Quote(catTarget)) == 0;
                   }});
    for (const auto& [name, format] : formats) {
        cut.push_back({std::string("Entire ") + name, [&, format = format, name = std::string(name)] {
                           return Pack(entire, format, (out / ("entire-" + name + ".mp3")).string(), true);
                       }});
    }
    if (!TimeCommands("pack 1 file cut by " + std::to_string(kCueRows) + " cues", cut, rounds, total)) return 1;
    return 0;
}
