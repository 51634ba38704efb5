// The commands that write packed files from the window: menu enabling, the
// questions asked (answered here by a scripted PackDialogs), the file written,
// the runs that end before writing, and hand-overs that wait for the run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>

#include "app/FileListView.h"
#include "app/FormMain.h"
#include "app/PackDialogs.h"
#include "app/ProgressWindow.h"
#include "app/TrackListPage.h"
#include "core/InputFile.h"
#include "pack/ArchiveListing.h"
#include "pack/OutputFile.h"
#include "pack/PackOptions.h"
#include "pack/ui/CueSheetDialogs.h"
#include "gui/PackSession.h"
#include "support/MenuLookup.h"

using quilto::app::FormMain;
using quilto::app::TrackListPage;
using quilto::pack::PackFormat;
using quilto::pack::SaveMode;

namespace {

using quilto::test::FindAction;
using quilto::test::FullDisk;
using quilto::test::kFiles;
using quilto::test::kFixtures;
using quilto::test::MainMenu;
using quilto::test::OpenOnDisk;
using quilto::test::ScriptedDialogs;
using PackCommandTest = quilto::test::PackSession;

struct FormatCase {
    PackFormat format;
    quilto::core::ContainerKind kind;
};

class PackCommandFormatTest : public PackCommandTest, public ::testing::WithParamInterface<FormatCase> {};

}  // namespace

TEST_P(PackCommandFormatTest, WritesTheDroppedTracksAndShowsTheNewFile) {
    answers_->format = GetParam().format;
    const QString output = folder_.filePath("album.mp3");
    // A source chosen as the output (under any spelling) is asked again.
    answers_->paths = {folder_.filePath("b.mp3"), folder_.path() + "/./a.mp3", output};
    create();

    EXPECT_TRUE(answers_->errors.isEmpty()) << answers_->errors.join("; ").toStdString();
    ASSERT_TRUE(QFileInfo::exists(output));
    EXPECT_EQ(answers_->offeredNames.size(), 3);
    EXPECT_TRUE(answers_->offeredNames.value(0).endsWith(".mp3"));
    EXPECT_EQ(QFileInfo(folder_.filePath("b.mp3")).size(), QFileInfo(kFixtures + "/" + kFiles[1].first).size());
    EXPECT_EQ(packPage().header.file, "album.mp3");
    EXPECT_EQ(quilto::pack::ui::SharedDialogFolder(), QFileInfo(output).absolutePath());
    EXPECT_EQ(packPage().tracks.size(), 3u);  // the Pack page keeps its lists
    // The folder was read again: the new file is there, recognised.
    const auto& files = window_->rows().files;
    const auto written = std::find_if(files.begin(), files.end(), [](const auto& r) { return r.fileName() == "album.mp3"; });
    ASSERT_NE(written, files.end());
    EXPECT_EQ(written->containerKind, GetParam().kind);
    if (GetParam().format == PackFormat::Zip || GetParam().format == PackFormat::Lha) {
        auto file = quilto::core::InputFile::Open(output.toStdString());
        ASSERT_TRUE(file.has_value());
        // The archive follows the head tag: its first member header.
        QFile bytes(output);
        ASSERT_TRUE(bytes.open(QIODevice::ReadOnly));
        const QByteArray all = bytes.readAll();
        const qsizetype first = GetParam().format == PackFormat::Zip ? all.indexOf("PK\x03\x04") : all.indexOf("-lh0-") - 2;
        ASSERT_GE(first, 0);
        file->seek(static_cast<std::uint64_t>(first));
        const auto members = GetParam().format == PackFormat::Zip ? quilto::pack::ListZipMembers(*file)
                                                                  : quilto::pack::ListLzhMembers(*file);
        ASSERT_EQ(members.size(), 3u);
        for (std::size_t i = 0; i < members.size(); ++i) EXPECT_EQ(members[i].name, kFiles[i].second);
    }
    EXPECT_TRUE(window_->isEnabled() && window_->pages()->isEnabled());
    EXPECT_FALSE(window_->longWorkRunning());
}

INSTANTIATE_TEST_SUITE_P(PackCommandFormats, PackCommandFormatTest,
                         ::testing::Values(FormatCase{PackFormat::Pack, quilto::core::ContainerKind::Pack},
                                           FormatCase{PackFormat::Zip, quilto::core::ContainerKind::Zip},
                                           FormatCase{PackFormat::Lha, quilto::core::ContainerKind::Lzh}));

// How the output behaves once the run writes.
enum class Output { Disk, Full, CancelPressed, WindowClosed };

struct StopCase {
    const char* name;
    bool optionsOk;
    bool answerSave;
    quilto::pack::CueSheetChoice cueSheet;
    quilto::pack::ui::ExportResult exportResult;
    Output output;
    int saveDialogs;
    int exports;
    const char* error;  // the start of the error shown, or nothing
    int information;    // messages that nothing was written
};

class PackCommandStopTest : public PackCommandTest, public ::testing::WithParamInterface<StopCase> {};

// Each way a run ends without a packed file leaves the folder as it was.
TEST_P(PackCommandStopTest, LeavesNoFile) {
    const StopCase c = GetParam();
    const QStringList before = filesInFolder();
    answers_->optionsOk = c.optionsOk;
    answers_->cueSheet = c.cueSheet;
    answers_->exportResult = c.exportResult;
    if (c.answerSave) answers_->paths = {folder_.filePath("album.mp3")};
    window_->setPackOutputFactory([&](const std::string& path, std::string& error) -> std::unique_ptr<quilto::pack::OutputFile> {
        if (c.output == Output::Full) return std::make_unique<FullDisk>();
        if (c.output == Output::WindowClosed) window_->close();
        if (c.output == Output::CancelPressed) {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (auto* progress = qobject_cast<quilto::app::ProgressWindow*>(top); progress && progress->isVisible()) {
                    progress->reject();
                }
            }
        }
        return OpenOnDisk(path, error);
    });
    create();
    EXPECT_EQ(answers_->optionCalls, 1);
    EXPECT_EQ(answers_->offeredNames.size(), c.saveDialogs);
    EXPECT_EQ(answers_->exportCalls, c.exports);
    if (c.error != nullptr) {
        ASSERT_EQ(answers_->errors.size(), 1);
        EXPECT_TRUE(answers_->errors[0].startsWith(c.error)) << answers_->errors[0].toStdString();
    } else {
        EXPECT_TRUE(answers_->errors.isEmpty()) << answers_->errors.join("; ").toStdString();
    }
    EXPECT_EQ(answers_->information.size(), c.information);
    EXPECT_EQ(filesInFolder(), before);
    EXPECT_TRUE(window_->pages()->isEnabled());
}

using quilto::pack::CueSheetChoice;
using quilto::pack::ui::ExportResult;
INSTANTIATE_TEST_SUITE_P(
    PackCommandStops, PackCommandStopTest,
    ::testing::Values(StopCase{"OptionsCancelled", false, true, CueSheetChoice::EmbeddedInMp3, ExportResult::Saved, Output::Disk, 0, 0, nullptr, 0},
                      StopCase{"SaveCancelled", true, false, CueSheetChoice::EmbeddedInMp3, ExportResult::Saved, Output::Disk, 1, 0, nullptr, 0},
                      StopCase{"CueExportCancelled", true, true, CueSheetChoice::ExportToCueFile, ExportResult::Cancelled, Output::Disk, 1, 1, nullptr, 0},
                      StopCase{"CueExportFailed", true, true, CueSheetChoice::ExportToCueFile, ExportResult::Failed, Output::Disk, 1, 1, nullptr, 0},
                      StopCase{"DiskFull", true, true, CueSheetChoice::Cancel, ExportResult::Saved, Output::Full, 1, 0, "Write Error - 28", 0},
                      StopCase{"CancelPressed", true, true, CueSheetChoice::Cancel, ExportResult::Saved, Output::CancelPressed, 1, 0, nullptr, 1},
                      StopCase{"WindowClosed", true, true, CueSheetChoice::Cancel, ExportResult::Saved, Output::WindowClosed, 1, 0, nullptr, 0}),
    [](const auto& param) { return std::string(param.param.name); });

struct EnablingCase {
    const char* name;
    FormMain::Page page;
    std::string title;
    std::string hz;
    std::string cue;
    std::string filePath;
    bool create;  // "Create Packed MP3" or "Save as"
    bool selection;
    bool save;
};

class PackCommandEnablingTest : public PackCommandTest, public ::testing::WithParamInterface<EnablingCase> {};

TEST_P(PackCommandEnablingTest, FollowsTheHeaderAndTheOpenedFile) {
    const EnablingCase c = GetParam();
    TrackListPage* page = window_->trackPage(c.page);
    if (c.page == FormMain::UnPackPage) page->data() = packPage();  // as if a packed file had been opened
    page->data().page = c.page == FormMain::PackPage ? quilto::pack::Page::Pack : quilto::pack::Page::UnPack;
    page->data().header.title = c.title;
    page->data().header.hz = c.hz;
    page->data().header.cue = c.cue;
    page->data().header.filePath = c.filePath;
    window_->pages()->setCurrentIndex(c.page);
    QMenu* menu = MainMenu(*window_, c.page == FormMain::PackPage ? "Pack" : "UnPack");
    emit menu->aboutToShow();
    if (c.page == FormMain::PackPage) {
        EXPECT_EQ(FindAction(menu, "Create Packed MP3")->isEnabled(), c.create);
        return;
    }
    EXPECT_EQ(FindAction(menu, "Save as")->isEnabled(), c.create);
    EXPECT_EQ(FindAction(menu, "Save Selection as")->isEnabled(), c.selection);
    EXPECT_EQ(FindAction(menu, "Save")->isEnabled(), c.save);
}

INSTANTIATE_TEST_SUITE_P(
    PackCommandMenus, PackCommandEnablingTest,
    ::testing::Values(EnablingCase{"PackReady", FormMain::PackPage, "Album", "44100", "", "", true, false, false},
                      EnablingCase{"PackMixedRates", FormMain::PackPage, "Album", "-", "", "", false, false, false},
                      EnablingCase{"UnPackOpened", FormMain::UnPackPage, "Album", "44100", "1", "/x/y.pac.mp3", true, true, true},
                      EnablingCase{"UnPackForeign", FormMain::UnPackPage, "Album", "44100", "4", "/x/y.mp3", true, true, false},
                      EnablingCase{"UnPackNotOpened", FormMain::UnPackPage, "Album", "44100", "1", "", true, true, false}),
    [](const auto& param) { return std::string(param.param.name); });

class PackCommandHandOverTest : public PackCommandTest, public ::testing::WithParamInterface<bool> {};

// A second start's hand-over and a drop on the page, while the option dialog
// is open (false) or while the file is written (true), wait for the run.
TEST_P(PackCommandHandOverTest, WaitsForTheRun) {
    QTemporaryDir other;
    ASSERT_TRUE(other.isValid());
    const QString output = folder_.filePath("album.mp3");
    answers_->paths = {output};
    int handled = 0;
    bool handledDuringRun = false;
    bool outputThereWhenHandled = false;
    std::size_t tracksDuringRun = 0;
    auto arrive = [&] {
        window_->handOver({other.path()}, [&] {
            ++handled;
            outputThereWhenHandled = QFileInfo::exists(output);
        });
        handledDuringRun = handled != 0;
        window_->filesDroppedOnPage(FormMain::PackPage, static_cast<int>(TrackListPage::Target::TrackList));
        tracksDuringRun = packPage().tracks.size();
    };
    if (GetParam()) {
        window_->setPackOutputFactory([&](const std::string& path, std::string& error) {
            arrive();
            return OpenOnDisk(path, error);
        });
    } else {
        answers_->duringOptions = arrive;
    }
    create();
    EXPECT_FALSE(handledDuringRun);
    EXPECT_EQ(tracksDuringRun, 3u);
    EXPECT_EQ(handled, 1);
    EXPECT_TRUE(outputThereWhenHandled);
    EXPECT_EQ(QDir(window_->currentFolder()).canonicalPath(), QDir(other.path()).canonicalPath());
    EXPECT_EQ(packPage().tracks.size(), 3u);
    EXPECT_FALSE(window_->longWorkRunning());
}

INSTANTIATE_TEST_SUITE_P(PackCommandMoments, PackCommandHandOverTest, ::testing::Bool());

TEST_F(PackCommandTest, SaveDialogOffersThePackedNamesAndAnswersTheChosenPath) {
    const QString chosen = folder_.filePath("new.pac.mp3");
    QStringList seen;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr) << "no file dialog opened";
        seen << dialog->windowTitle() << dialog->defaultSuffix() << dialog->selectedFiles().value(0)
             << dialog->nameFilters();
        dialog->selectFile(chosen);
        static_cast<QDialog*>(dialog)->accept();
    });
    const QString answer = quilto::app::MakeQtPackDialogs()->outputPath(window_.get(), folder_.path(), "Best.mp3");
    EXPECT_EQ(QFileInfo(answer).absoluteFilePath(), QFileInfo(chosen).absoluteFilePath());
    EXPECT_EQ(seen, (QStringList{"Save Packed MP3", "mp3", folder_.filePath("Best.mp3"), "MP3 (*.mp3)",
                                 "Pack (*.pac.mp3)", "Zip (*.zip.mp3)", "Lha (*.lzh.mp3)"}));
}
