// The stream view drawn offscreen for a VBR file and for a Pack file opened
// on the UnPack page: the pictures are kept as build artefacts
// (stream_view_*.png) to look at; the test asserts only their size, and that
// the packed file's tracks line up with its cue index except where a test
// moved one index away.
#include <gtest/gtest.h>

#include <QApplication>
#include <QChartView>
#include <QDir>
#include <QFile>
#include <QImage>

#include <fstream>
#include <iterator>

#include "app/StreamView.h"
#include "core/CueTime.h"
#include "core/FileAnalysis.h"
#include "core/FileRows.h"
#include "core/FrameScanCommand.h"
#include "core/GenreTable.h"
#include "pack/CueSheet.h"
#include "pack/OpenPacked.h"
#include "pack/PackWriter.h"
#include "support/TempFolder.h"

using namespace quilto;

namespace {

const QString kArtefacts = QStringLiteral(QUILTO_ARTEFACT_DIR);

std::unique_ptr<app::StreamView> ViewOf(const app::StreamViewInput& input) {
    core::NoProgress quiet;
    core::FrameSeries series;
    const auto columns = core::RecordFileStream(input.path, quiet, series);
    if (!columns) return nullptr;
    auto view = std::make_unique<app::StreamView>(nullptr, input.title, std::move(series), *columns, input.tracks,
                                                  input.cues);
    view->resize(960, 680);
    view->show();
    QApplication::processEvents();
    return view;
}

void ExpectPicture(app::StreamView& view, const QString& name) {
    QDir().mkpath(kArtefacts);
    const QString path = kArtefacts + "/" + name;
    QString error;
    ASSERT_TRUE(view.exportPng(path, &error)) << error.toStdString();
    const QImage image(path);
    ASSERT_FALSE(image.isNull()) << path.toStdString();
    EXPECT_EQ(image.size(), view.size() * view.devicePixelRatio());
    EXPECT_GT(QFile(path).size(), 10'000) << "a chart, not an empty window";
}

TEST(StreamView, VbrFileShowsItsRatesAndExportsPictureAndCsv) {
    const std::string path = std::string(QUILTO_FIXTURE_DIR) + "/vbr_xing_v2.mp3";
    auto view = ViewOf({"vbr_xing_v2.mp3", path, {}, {}});
    ASSERT_TRUE(view);
    EXPECT_TRUE(view->windowTitle().endsWith("vbr_xing_v2.mp3"));
    EXPECT_TRUE(view->caption().startsWith("VBR ")) << view->caption().toStdString();
    EXPECT_TRUE(view->caption().contains("Xing(417)")) << view->caption().toStdString();
    EXPECT_GE(view->plot().histogram.size(), 3u);
    ExpectPicture(*view, "stream_view_vbr.png");

    test::TempFolder folder;
    const QString csv = QString::fromStdString(folder.file("series.csv").string());
    QString error;
    ASSERT_TRUE(view->exportCsv(csv, &error)) << error.toStdString();
    QFile written(csv);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readLine().startsWith("offset,frame,kbps,samplerate,mode,padding,event"));
    // A folder that does not exist: reported, nothing written.
    EXPECT_FALSE(view->exportCsv(csv + "/nope/x.csv", &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(StreamView, PackedFileShowsOneBandPerTrackAndTheCueIndex) {
    test::TempFolder folder;
    const char* fixtures[] = {"cbr128_joint_info.mp3", "cbr128_stereo_info.mp3", "tag_lame_id3.mp3"};
    for (int i = 0; i < 3; ++i) folder.copyFixture(fixtures[i], std::to_string(i + 1) + ".mp3");
    core::GenreTable genres;
    core::NoProgress quiet;
    core::FolderRows rows;
    ASSERT_TRUE(core::ScanFolder(rows, folder.path()));
    core::FillRows(rows, genres, quiet);
    core::FrameScanCommand(rows, core::FrameScanVariant::All, quiet);
    pack::TrackPage source;
    pack::AddFilesToPackList(source, pack::FileListSource{rows, {0, 1, 2}, {}, {}});
    pack::PackRun run;
    run.choices.options.format = pack::PackFormat::Pack;
    run.choices.title = "Album";
    pack::WriteCueSheet(run.cueSheetLines, true, source.header, source.cues, false);
    run.outputPath = folder.file("album.pac.mp3").string();
    ASSERT_EQ(pack::SavePacked(source, run, quiet).status, pack::PackOutcome::Status::Written);

    const auto facts = pack::ReadPackedFileFacts(run.outputPath, genres);
    ASSERT_TRUE(facts);
    pack::TrackPage page;
    page.page = pack::Page::UnPack;
    ASSERT_EQ(pack::OpenPacked(run.outputPath, *facts, page, genres, quiet).status,
              pack::OpenPackedResult::Status::Opened);
    ASSERT_EQ(page.tracks.size(), 3u);
    ASSERT_EQ(page.cues.size(), 3u);
    page.cues[2].index = core::CueTimeAdd(page.cues[2].index, "00:01:00");  // one second late

    const app::StreamViewInput input = app::StreamViewOfPage(page);
    EXPECT_EQ(input.path, run.outputPath);
    ASSERT_EQ(input.tracks.size(), 3u);
    auto view = ViewOf(input);
    ASSERT_TRUE(view);
    const core::StreamPlot& plot = view->plot();
    ASSERT_EQ(plot.tracks.size(), 3u);
    ASSERT_EQ(plot.cues.size(), 3u);
    EXPECT_FALSE(plot.cues[0].missesTrack);
    EXPECT_FALSE(plot.cues[1].missesTrack);
    EXPECT_TRUE(plot.cues[2].missesTrack);
    // The pack block and trailer lie outside the audio: marked, not counted.
    EXPECT_TRUE(view->caption().contains("after the audio")) << view->caption().toStdString();
    ExpectPicture(*view, "stream_view_packed.png");
}

}  // namespace
