// Packed files opened from the window: dropped on the UnPack page, handed
// over by a second start, browsed as a folder-tree node; their tracks
// extracted (an existing file asked about) and the file saved in place.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <string>

#include "app/FileListView.h"
#include "app/FolderTree.h"
#include "app/FormMain.h"
#include "app/StreamView.h"
#include "app/TrackListPage.h"
#include "edit/EditableListView.h"
#include "gui/PackSession.h"
#include "support/MenuLookup.h"

namespace {

using quilto::app::FormMain;
using quilto::app::TrackListPage;
using quilto::pack::ExistingAnswer;
using quilto::pack::PackFormat;
using quilto::test::FindAction;
using quilto::test::kFiles;
using quilto::test::MainMenu;

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class UnpackCommandTest : public quilto::test::PackSession, public ::testing::WithParamInterface<PackFormat> {
protected:
    void SetUp() override {
        PackSession::SetUp();
        answers_->format = GetParam();
        packed_ = folder_.filePath("album.pac.mp3");
        answers_->paths = {packed_};
        create();
        ASSERT_TRUE(QFileInfo::exists(packed_)) << answers_->errors.join("; ").toStdString();
    }

    TrackListPage& unpack() { return *window_->trackPage(FormMain::UnPackPage); }
    int packedRow() const {
        const auto& files = window_->rows().files;
        const auto found = std::find_if(files.begin(), files.end(), [](const auto& r) { return r.fileName() == "album.pac.mp3"; });
        return found == files.end() ? -1 : static_cast<int>(found - files.begin());
    }
    void dropPackedOnUnPack() {
        const int row = packedRow();
        ASSERT_GE(row, 0);
        window_->fileList()->setCurrentIndex(window_->fileList()->model()->index(row, 1));
        window_->pages()->setCurrentIndex(FormMain::UnPackPage);
        window_->filesDroppedOnPage(FormMain::UnPackPage, static_cast<int>(TrackListPage::Target::TrackList));
    }
    void runUnPackCommand(const char* caption) {
        QMenu* menu = MainMenu(*window_, "UnPack");
        emit menu->aboutToShow();
        QAction* action = FindAction(menu, caption);
        ASSERT_TRUE(action->isEnabled()) << caption;
        action->trigger();
    }
    // The bytes of track i inside the packed file.
    QByteArray trackBytes(std::size_t i) {
        const auto& span = unpack().data().tracks.at(i).span;
        return ReadAll(packed_).mid(static_cast<qsizetype>(span.start), static_cast<qsizetype>(span.end - span.start));
    }

    QString packed_;
};

void ExpectOpened(const quilto::pack::TrackPage& page, const QString& packed) {
    ASSERT_EQ(page.tracks.size(), std::size(kFiles));
    for (std::size_t i = 0; i < page.tracks.size(); ++i) {
        EXPECT_EQ(page.tracks[i].fileName, kFiles[i].second);
        EXPECT_FALSE(page.tracks[i].time.empty());
        EXPECT_LT(page.tracks[i].span.start, page.tracks[i].span.end);
    }
    EXPECT_EQ(page.header.filePath, QFile::encodeName(QFileInfo(packed).absoluteFilePath()).toStdString());
    EXPECT_EQ(page.cues.size(), std::size(kFiles));  // the embedded cue sheet
}

}  // namespace

TEST_P(UnpackCommandTest, DropOpensThePackedFileAndExtractAsksAboutAnExistingFile) {
    dropPackedOnUnPack();
    ExpectOpened(unpack().data(), packed_);
    EXPECT_FALSE(window_->longWorkRunning());

    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    const QByteArray kept("not a track");
    {
        QFile existing(out.filePath("b.mp3"));
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
        existing.write(kept);
    }
    quilto::pack::ExtractChoices choices;
    choices.options.makeDir = false;
    choices.options.id3v2Tag = false;
    choices.selectAll = true;
    answers_->extract = choices;
    answers_->outputFolder = out.path();
    answers_->existing = {ExistingAnswer::Skip};
    runUnPackCommand("Extract");

    EXPECT_TRUE(answers_->errors.isEmpty()) << answers_->errors.join("; ").toStdString();
    EXPECT_EQ(answers_->extractFolderNames, std::vector<std::string>{unpack().data().header.title});
    ASSERT_EQ(answers_->askedExisting.size(), 1);
    EXPECT_TRUE(answers_->askedExisting[0].endsWith("b.mp3"));
    EXPECT_EQ(ReadAll(out.filePath("b.mp3")), kept);
    EXPECT_EQ(ReadAll(out.filePath("a.mp3")), trackBytes(0));
    EXPECT_EQ(ReadAll(out.filePath("c.mp3")), trackBytes(2));
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);  // no temporary left
    EXPECT_EQ(unpack().selectedTrackRows().size(), 3u);
    EXPECT_EQ(quilto::pack::ui::SharedDialogFolder(), out.path());
}

TEST_P(UnpackCommandTest, SaveRewritesInPlaceAndKeepsTheOldFileAsBackup) {
    dropPackedOnUnPack();
    const QByteArray before = ReadAll(packed_);
    runUnPackCommand("Save");
    EXPECT_TRUE(answers_->errors.isEmpty()) << answers_->errors.join("; ").toStdString();
    EXPECT_EQ(ReadAll(packed_ + ".bak"), before);
    // The rewritten file opens again with the same tracks.
    dropPackedOnUnPack();
    ExpectOpened(unpack().data(), packed_);
}

TEST_P(UnpackCommandTest, HandOverOpensTheNamedPackedFile) {
    bool handled = false;
    window_->handOver({packed_}, [&] { handled = true; });
    EXPECT_TRUE(handled);
    EXPECT_EQ(window_->pages()->currentIndex(), FormMain::UnPackPage);
    ExpectOpened(unpack().data(), packed_);
}

TEST_P(UnpackCommandTest, PackedFileNodeListsItsTracksForThePackPageOnly) {
    dropPackedOnUnPack();
    window_->showPackedFile(QFile::encodeName(QFileInfo(packed_).absoluteFilePath()));
    ASSERT_EQ(window_->rows().size(), std::size(kFiles));
    ASSERT_EQ(window_->packedSpans().size(), std::size(kFiles));
    for (std::size_t i = 0; i < std::size(kFiles); ++i) EXPECT_EQ(window_->rows().files[i].fileName(), kFiles[i].second);
    EXPECT_TRUE(unpack().data().tracks.empty());  // browsing clears the UnPack page
    EXPECT_TRUE(window_->selectedFileUrls().isEmpty());

    window_->fileList()->selectAll();
    window_->filesDroppedOnPage(FormMain::UnPackPage, static_cast<int>(TrackListPage::Target::TrackList));
    EXPECT_TRUE(unpack().data().tracks.empty());
    quilto::pack::TrackPage& pack = packPage();
    const std::size_t before = pack.tracks.size();
    window_->filesDroppedOnPage(FormMain::PackPage, static_cast<int>(TrackListPage::Target::TrackList));
    ASSERT_EQ(pack.tracks.size(), before + std::size(kFiles));
    for (std::size_t i = 0; i < std::size(kFiles); ++i) {
        const auto& row = pack.tracks[before + i];
        EXPECT_EQ(row.sourcePath, QFile::encodeName(QFileInfo(packed_).absoluteFilePath()).toStdString());
        EXPECT_EQ(row.span.start, window_->packedSpans()[i].start);
    }
}

// The stream view of the opened file: a band per track, each cue index on its
// track's start, in every layout; the file list offers it only outside a
// packed file's node.
TEST_P(UnpackCommandTest, StreamViewLinesUpTracksAndCueIndex) {
    dropPackedOnUnPack();
    ExpectOpened(unpack().data(), packed_);
    const auto chooseFromMenu = [](QWidget* list, const QString& caption, bool* enabled) {
        QTimer::singleShot(0, [caption, enabled] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr) return;
            QAction* action = FindAction(menu, caption);
            *enabled = action != nullptr && action->isEnabled();
            if (*enabled) action->trigger();
            menu->close();
        });
        emit list->customContextMenuRequested(QPoint(5, 5));
    };
    bool enabled = false;
    chooseFromMenu(unpack().trackList(), "Stream View", &enabled);
    ASSERT_TRUE(enabled);
    quilto::app::StreamView* view = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<quilto::app::StreamView*>(widget)) view = found;
    ASSERT_NE(view, nullptr);
    const quilto::core::StreamPlot& plot = view->plot();
    ASSERT_EQ(plot.tracks.size(), std::size(kFiles));
    ASSERT_EQ(plot.cues.size(), std::size(kFiles));
    for (std::size_t i = 0; i < plot.cues.size(); ++i) {
        EXPECT_FALSE(plot.cues[i].missesTrack) << i << ": cue " << plot.cues[i].seconds << " s, track "
                                               << plot.tracks[i].start << " s";
        EXPECT_LT(plot.tracks[i].start, plot.tracks[i].end) << i;
    }
    view->close();

    window_->showPackedFile(QFile::encodeName(QFileInfo(packed_).absoluteFilePath()));
    window_->fileList()->selectAll();
    enabled = true;
    chooseFromMenu(window_->fileList(), "Stream View", &enabled);
    EXPECT_FALSE(enabled) << "a track inside a packed file is no file to scan";
}

INSTANTIATE_TEST_SUITE_P(UnpackFormats, UnpackCommandTest,
                         ::testing::Values(PackFormat::Pack, PackFormat::Zip, PackFormat::Lha),
                         [](const auto& param) {
                             switch (param.param) {
                                 case PackFormat::Pack: return std::string("Pack");
                                 case PackFormat::Zip: return std::string("Zip");
                                 default: return std::string("Lha");
                             }
                         });
