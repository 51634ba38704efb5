// The Pack page's model at album-collection scale: dropping 1,000 scanned
// rows on the Pack list, and a cue sheet of 999 tracks written and read back.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchMain.h"
#include "bench/SyntheticMp3.h"
#include "core/FileRows.h"
#include "core/NumberText.h"
#include "core/StreamColumns.h"
#include "pack/CueSheet.h"
#include "pack/TrackLists.h"

namespace {

using namespace quilto;

core::FolderRows ScannedRows(std::size_t count) {
    core::FolderRows rows;
    rows.folder = "/music/";
    for (std::size_t i = 0; i < count; ++i) {
        core::FileRecord record;
        record.text(core::FileColumn::FileName) = "track " + std::to_string(i) + ".mp3";
        record.fileSize = 4'000'000 + i * 1000;
        record.text(core::FileColumn::FileSize) = core::GroupThousands(record.fileSize);
        record.text(core::FileColumn::Artist) = "Artist " + std::to_string(i % 7);
        record.text(core::FileColumn::Title) = "Title " + std::to_string(i);
        record.text(core::FileColumn::Album) = "Album";
        core::StreamInfo& info = record.stream;
        info.frames = 6000 + i * 13;  // 2.6 to 8.3 minutes
        info.kbps = i % 10 == 0 ? 192 : 128;
        info.isVbr = i % 3 == 0;
        info.rateIndex = 0;
        info.streamBytes = record.fileSize - 2000;
        const core::StreamColumns columns = core::FormatStreamColumns(info);
        for (std::size_t c = 0; c < core::kStreamColumnCount; ++c) {
            record.texts[static_cast<std::size_t>(core::FileColumn::Time) + c] = columns.texts[c];
        }
        rows.append(std::move(record));
    }
    return rows;
}

// The list's length: the argument, or a few rows in smoke mode.
std::size_t Rows(const benchmark::State& state) {
    return bench::SmokeOr(static_cast<std::size_t>(state.range(0)), std::size_t{5});
}

void BM_DropOnPackList(benchmark::State& state) {
    const core::FolderRows rows = ScannedRows(Rows(state));
    std::vector<std::size_t> all(rows.size());
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
    const pack::FileListSource source{rows, all, {}, {}};
    for (auto _ : state) {
        pack::TrackPage page;
        pack::AddFilesToPackList(page, source);
        pack::RecomputeHeader(page);
        if (page.tracks.size() != rows.size() || page.cues.size() != rows.size()) {
            bench::Fail(state, "rows missing");
            return;
        }
        benchmark::DoNotOptimize(page.header.time);
    }
}
BENCHMARK(BM_DropOnPackList)->Arg(1000)->Unit(benchmark::kMillisecond);

pack::TrackPage AlbumOf(std::size_t tracks) {
    pack::TrackPage page;
    page.header.title = "A very long compilation";
    page.header.performer = "Various";
    page.header.file = "Various - A very long compilation.mp3";
    for (std::size_t i = 0; i < tracks; ++i) {
        pack::AddCueRow(page);
        page.cues.back().title = "Title " + std::to_string(i);
        page.cues.back().performer = "Artist " + std::to_string(i % 7);
        page.cues.back().length = "00:59:00";
    }
    return page;
}

// Write to a file in the code page and read it back, as Export and Import do.
void BM_CueSheetFileRoundTrip(benchmark::State& state) {
    const pack::TrackPage page = AlbumOf(Rows(state));
    const std::string path = (bench::ScratchDirectory() / "sheet.cue").string();
    for (auto _ : state) {
        std::string error;
        if (!pack::ExportCueSheet(page, path, true, true, error)) {
            bench::Fail(state, error.c_str());
            return;
        }
        pack::TrackPage imported;
        if (!pack::ImportCueSheet(imported, path, error) || imported.cues.size() != page.cues.size()) {
            bench::Fail(state, "sheet did not read back");
            return;
        }
        benchmark::DoNotOptimize(imported.cues.back().index);
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_CueSheetFileRoundTrip)->Arg(999)->Unit(benchmark::kMillisecond);

void BM_CueSheetLines(benchmark::State& state) {
    const pack::TrackPage page = AlbumOf(Rows(state));
    for (auto _ : state) {
        std::vector<std::string> lines;
        pack::WriteCueSheet(lines, true, page.header, page.cues, true);
        pack::CueHeader header;
        pack::CueList cues;
        pack::ReadCueSheet(lines, header, cues);
        benchmark::DoNotOptimize(cues.back().index);
    }
}
BENCHMARK(BM_CueSheetLines)->Arg(999)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return bench::RunBenchmarks(argc, argv); }
