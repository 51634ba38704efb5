// The main window on the offscreen platform: filling, sorting, the status
// panels, the frame scan and the hand-over of paths.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/FileListView.h"
#include "app/FormMain.h"
#include "app/ProgressWindow.h"
#include "core/IniFile.h"

using quilto::app::FormMain;

namespace {

const QString kFixtures = QStringLiteral(QUILTO_FIXTURE_DIR);

// A folder of real encoder files, and a settings folder of the test's own.
class FormMainTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid() && settings_.isValid());
        qputenv("QUILTO_CONFIG_DIR", settings_.path().toLocal8Bit());
        for (const char* name : {"cbr128_joint_info.mp3", "vbr_xing_v2.mp3", "cbr64_mono_info.mp3",
                                 "tag_mutagen_v24_utf16.mp3", "tag_id3v1_only_track.mp3"}) {
            ASSERT_TRUE(QFile::copy(kFixtures + "/" + name, folder_.filePath(name))) << name;
        }
    }
    void TearDown() override { qunsetenv("QUILTO_CONFIG_DIR"); }

    std::unique_ptr<FormMain> open(QStringList arguments) {
        auto window = std::make_unique<FormMain>(std::move(arguments));
        window->show();
        window->runFirstIdle();
        return window;
    }
    QString iniPath() const { return settings_.filePath("Quilto.ini"); }

    QTemporaryDir folder_;
    QTemporaryDir settings_;
};

std::size_t RowOf(const FormMain& window, const std::string& name) {
    const auto& files = window.rows().files;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (files[i].fileName() == name) return i;
    }
    return files.size();
}

}  // namespace

TEST_F(FormMainTest, FillsTheRowsAndSummarisesTheSelection) {
    auto window = open({folder_.path()});
    ASSERT_EQ(window->rows().size(), 5u);
    EXPECT_EQ(window->statusText(2), QDir(folder_.path()).absolutePath() + "/");
    EXPECT_EQ(window->statusText(0), "[0/5]   0  0:00");
    // The tag page counts: the ID3v1 page is the default page.
    EXPECT_EQ(window->pages()->currentIndex(), FormMain::Id3v1Page);
    EXPECT_EQ(window->statusText(1), "Tag:1  Edit:0  Total:5");

    window->fileList()->selectRows({static_cast<int>(RowOf(*window, "cbr128_joint_info.mp3"))});
    const auto& row = window->rows().files[RowOf(*window, "cbr128_joint_info.mp3")];
    EXPECT_EQ(window->statusText(0), QStringLiteral("[1/5]   %1  0:02").arg(QString::fromStdString(row.text(quilto::core::FileColumn::FileSize))));
}

TEST_F(FormMainTest, ColumnClicksMarkTheCaptionAndSortAllLists) {
    auto window = open({folder_.path()});
    window->sortByColumn(1);
    EXPECT_EQ(window->columnCaption(1), "FileName +");
    window->sortByColumn(1);
    EXPECT_EQ(window->columnCaption(1), "FileName -");
    EXPECT_EQ(window->rows().files.front().fileName(), "vbr_xing_v2.mp3");
    window->sortByColumn(13);  // Kbps
    EXPECT_EQ(window->columnCaption(1), "FileName  ");
    EXPECT_EQ(window->columnCaption(13), "+Kbps");
    const auto& rows = window->rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows.id3v1[i].fileName, rows.files[i].fileName());
        EXPECT_EQ(rows.id3v2[i].fileName, rows.files[i].fileName());
    }
    // The header shows the same captions.
    EXPECT_EQ(window->fileList()->model()->headerData(13, Qt::Horizontal).toString(), "+Kbps");
    window->sortByColumn(18);  // Xing(Size): not sortable
    EXPECT_EQ(window->columnCaption(13), "+Kbps");
}

TEST_F(FormMainTest, FrameScanReplacesTheEstimateAndSkipsScannedRows) {
    auto window = open({folder_.path()});
    const std::size_t vbr = RowOf(*window, "vbr_xing_v2.mp3");
    window->runFrameScan(quilto::core::FrameScanVariant::All);
    const auto& row = window->rows().files[vbr];
    EXPECT_EQ(row.marker, " ");
    EXPECT_EQ(row.text(quilto::core::FileColumn::Xing).rfind("Xing(", 0), 0u);
    EXPECT_EQ(window->statusText(0).left(5), "[5/5]");  // every scanned row ends selected
    EXPECT_EQ(window->fileList()->columnWidth(0), 35);  // widened only while scanning

    // A second run finds every row scanned and keeps them as they are.
    const auto scanned = window->rows().files;
    window->runFrameScan(quilto::core::FrameScanVariant::All);
    for (std::size_t i = 0; i < scanned.size(); ++i) {
        EXPECT_EQ(window->rows().files[i].marker, " ");
        EXPECT_EQ(window->rows().files[i].texts, scanned[i].texts);
    }
}

TEST_F(FormMainTest, CancelInTheProgressWindowKeepsTheRowsAsTheyWere) {
    auto window = open({folder_.path()});
    const auto before = window->rows().files;
    // The progress window's first paint lets this run: press its Cancel.
    QTimer::singleShot(0, [] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (auto* progress = qobject_cast<quilto::app::ProgressWindow*>(top); progress && progress->isVisible()) {
                QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
            }
        }
    });
    window->runFrameScan(quilto::core::FrameScanVariant::All);
    const auto& after = window->rows().files;
    for (std::size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].marker, "");
        EXPECT_EQ(after[i].texts, before[i].texts);
    }
}

TEST_F(FormMainTest, HandOverShowsTheFoldersFileOnTheUnPackPage) {
    auto window = open({});
    window->handOver({folder_.filePath("vbr_xing_v2.mp3"), "/nonexistent/other.mp3"});
    EXPECT_EQ(window->currentFolder(), QDir(folder_.path()).absolutePath() + "/");
    EXPECT_EQ(window->pages()->currentIndex(), FormMain::UnPackPage);
    const auto selected = window->fileList()->selectedRowsInOrder();
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(window->rows().files[static_cast<std::size_t>(selected[0])].fileName(), "vbr_xing_v2.mp3");

    // A path whose folder does not exist changes nothing.
    window->handOver({"/nonexistent/folder/x.mp3"});
    EXPECT_EQ(window->currentFolder(), QDir(folder_.path()).absolutePath() + "/");
}

TEST_F(FormMainTest, DragCarriesTheSelectedFilesInListOrder) {
    auto window = open({folder_.path()});
    window->sortByColumn(1);  // names ascending
    window->fileList()->selectRows({3, 0});
    const QList<QUrl> urls = window->selectedFileUrls();
    ASSERT_EQ(urls.size(), 2);
    EXPECT_EQ(urls[0].toLocalFile(), QDir(folder_.path()).absoluteFilePath(QString::fromStdString(window->rows().files[0].fileName())));
    EXPECT_EQ(urls[1].toLocalFile(), QDir(folder_.path()).absoluteFilePath(QString::fromStdString(window->rows().files[3].fileName())));
}

TEST_F(FormMainTest, SettingsWrittenAtCloseAreReadBackTheSame) {
    {
        auto window = open({folder_.path()});
        window->resize(700, 520);  // fits the offscreen platform's screen
        window->findChild<QSplitter*>()->setSizes({300, 340});
        window->fileList()->setColumnWidth(1, 155);
        window->fileList()->setColumnHidden(17, false);
        window->fileList()->setColumnWidth(17, 77);
        window->pages()->setCurrentIndex(FormMain::Id3v2Page);
        window->close();
    }
    const auto ini = quilto::core::IniFile::Load(iniPath().toStdString());
    EXPECT_EQ(ini.readInt("Window", "Width", 0), 700);
    EXPECT_EQ(ini.readInt("Window", "Height", 0), 520);
    EXPECT_EQ(ini.readInt("Window", "ClmFName", 0), 155);
    EXPECT_EQ(ini.readInt("Window", "ClmFBytes", 0), 77);
    EXPECT_EQ(ini.readInt("Window", "Page", 0), FormMain::Id3v2Page);
    EXPECT_EQ(ini.readString("Window", "Dir", ""), QDir(folder_.path()).absolutePath().toStdString() + "/");

    auto again = open({});
    EXPECT_EQ(again->width(), 700);
    EXPECT_EQ(again->height(), 520);
    EXPECT_EQ(again->fileList()->columnWidth(1), 155);
    EXPECT_EQ(again->fileList()->columnWidth(17), 77);
    EXPECT_TRUE(again->fileList()->isColumnHidden(18));
    EXPECT_EQ(again->pages()->currentIndex(), FormMain::Id3v2Page);
    EXPECT_EQ(again->currentFolder(), QDir(folder_.path()).absolutePath() + "/");
    EXPECT_EQ(again->rows().size(), 5u);
}

// Broken numbers count as not stored: the window opens as on a first start.
TEST_F(FormMainTest, GarbageSettingsFallBackToDefaults) {
    QFile file(iniPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Window]\nWidth=wide\nHeight=-5\nPage=9\nDir=/no/such/folder\nClmFName=x\n\xff\xfe garbage\n");
    file.close();
    auto window = open({});
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(window->width(), screen.width());  // the file list's columns want more than the screen has
    EXPECT_EQ(window->height(), screen.height() * 85 / 100);
    EXPECT_EQ(window->pages()->currentIndex(), FormMain::Id3v1Page);
    EXPECT_EQ(window->currentFolder(), QDir::homePath() + "/");
}

// A first start opens centred at a size that shows the file list's columns;
// a size stored by a larger screen comes back shrunk to this one, with both
// splitters leaving every panel in sight.
TEST_F(FormMainTest, WindowOpensOnTheScreenItIsShownOn) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    {
        auto first = open({folder_.path()});
        EXPECT_EQ(first->size(), QSize(screen.width(), screen.height() * 85 / 100));
        // Centred: the frame's top as far from the area's top as its bottom from the area's bottom.
        EXPECT_EQ(first->frameGeometry().top(), screen.top() + (screen.height() - first->height()) / 2) << screen.height();
    }
    QFile file(iniPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[Window]\nTop=900\nLeft=-40\nHeight=2000\nWidth=3000\nSplit1=2900\nSplit2=1990\n");
    file.close();
    auto window = open({});
    EXPECT_EQ(window->size(), screen.size());
    EXPECT_TRUE(screen.contains(window->pos()));
    for (QSplitter* splitter : window->findChildren<QSplitter*>()) {
        if (!splitter->isVisible()) continue;
        for (const int size : splitter->sizes()) EXPECT_GT(size, 50) << splitter->orientation();
    }
}
