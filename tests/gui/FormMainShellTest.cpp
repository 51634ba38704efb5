// The main window's shell around the lists: keyboard access to the menus,
// the busy cursor, file names as bytes and the saved position.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QTimer>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTemporaryDir>
#include <QTabWidget>
#include <QTableView>
#include <QTreeView>
#include <QTest>
#include <QTreeWidgetItem>

#include "app/Application.h"
#include "app/FileListView.h"
#include "app/FolderTree.h"
#include "app/FormMain.h"
#include "core/FileColumns.h"

using quilto::app::FormMain;

namespace {

class FormMainShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid() && settings_.isValid());
        qputenv("QUILTO_CONFIG_DIR", settings_.path().toLocal8Bit());
    }
    void TearDown() override {
        if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
        qunsetenv("QUILTO_CONFIG_DIR");
    }
    std::unique_ptr<FormMain> open() {
        auto window = std::make_unique<FormMain>(QStringList{folder_.path()});
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        window->runFirstIdle();
        return window;
    }
    static QMenu* OpenMenu(FormMain& window) {
        QAction* active = window.menuBar()->activeAction();
        return active && active->menu() && active->menu()->isVisible() ? active->menu() : nullptr;
    }
    QTemporaryDir folder_;
    QTemporaryDir settings_;
};

TEST_F(FormMainShellTest, F10AndALoneAltOpenTheFirstMenu) {
    struct Case {
        const char* name;
        std::function<void(QWidget*)> keys;
        bool opens;
    };
    const Case cases[] = {
        {"F10", [](QWidget* w) { QTest::keyClick(w, Qt::Key_F10); }, true},
        {"lone Alt", [](QWidget* w) {
             QTest::keyPress(w, Qt::Key_Alt);
             QTest::keyRelease(w, Qt::Key_Alt);
         }, true},
        {"Alt chord", [](QWidget* w) {
             QTest::keyPress(w, Qt::Key_Alt);
             QTest::keyClick(w, Qt::Key_X, Qt::AltModifier);
             QTest::keyRelease(w, Qt::Key_Alt);
         }, false},
    };
    for (const Case& c : cases) {
        auto window = open();
        QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
        c.keys(focus);
        QMenu* menu = OpenMenu(*window);
        EXPECT_EQ(menu != nullptr, c.opens) << c.name;
        if (menu) {
            EXPECT_EQ(menu->title(), "File") << c.name;
            menu->close();
        }
    }
}

}  // namespace

TEST_F(FormMainShellTest, TheWaitCursorIsOnTheWindowNotOnTheProgressWindow) {
    ASSERT_TRUE(QFile::copy(QStringLiteral(QUILTO_FIXTURE_DIR "/cbr128_joint_info.mp3"), folder_.filePath("a.mp3")));
    auto window = open();
    bool overridden = true;
    Qt::CursorShape windowCursor = Qt::ArrowCursor;
    QTimer::singleShot(0, [&] {
        overridden = QApplication::overrideCursor() != nullptr;
        windowCursor = window->cursor().shape();
    });
    window->runFrameScan(quilto::core::FrameScanVariant::All);
    EXPECT_FALSE(overridden);
    EXPECT_EQ(windowCursor, Qt::WaitCursor);
    EXPECT_EQ(window->cursor().shape(), Qt::ArrowCursor);  // back when done
}

TEST_F(FormMainShellTest, NarrowDefaultColumnWidthsAreKept) {
    auto window = open();
    const auto* id3v1 = qobject_cast<QTreeView*>(window->pages()->widget(FormMain::Id3v1Page));
    const auto* id3v2 = qobject_cast<QTreeView*>(window->pages()->widget(FormMain::Id3v2Page));
    ASSERT_NE(id3v1, nullptr);
    ASSERT_NE(id3v2, nullptr);
    const struct {
        const QHeaderView* header;
        int column;
        int width;
    } cases[] = {
        {id3v1->header(), 5, 25},                      // Clm1No
        {id3v2->header(), 5, 25},                      // Clm2No
        {window->fileList()->horizontalHeader(), 8, 30},  // ClmFNo
    };
    for (const auto& c : cases) EXPECT_EQ(c.header->sectionSize(c.column), c.width);
}

// Names from old disks in the legacy code page, made with the POSIX calls so
// that no conversion touches the bytes.
TEST_F(FormMainShellTest, NamesThatAreNoUtf8AreShownDecodedAndUsedAsBytes) {
    const std::string root = QFile::encodeName(folder_.path()).toStdString();
    const std::string sub = root + "/\x89\xb9\x8a\x79";                 // 音楽
    const std::string file = sub + "/\x83\x65\x83\x58\x83\x67.mp3";     // テスト.mp3
    ASSERT_EQ(::mkdir(sub.c_str(), 0700), 0);
    QFile fixture(QStringLiteral(QUILTO_FIXTURE_DIR "/cbr128_joint_info.mp3"));
    ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
    const QByteArray bytes = fixture.readAll();
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, bytes.data(), static_cast<std::size_t>(bytes.size())), bytes.size());
    ::close(fd);
    // The temporary folder's own clean-up cannot list such names.
    struct Remove {
        std::string file, folder;
        ~Remove() {
            ::unlink(file.c_str());
            ::rmdir(folder.c_str());
        }
    } remove{file, sub};

    auto window = open();
    auto* tree = window->findChild<quilto::app::FolderTree*>();
    ASSERT_NE(tree, nullptr);
    QTreeWidgetItem* node = tree->currentFolderNode()->child(0);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->text(0), QString::fromUtf8("音楽"));
    tree->setCurrentItem(node);
    QTest::keyClick(tree, Qt::Key_Return);

    EXPECT_EQ(window->currentFolder(), QDir(folder_.path()).absolutePath() + QString::fromUtf8("/音楽/"));
    ASSERT_EQ(window->rows().size(), 1u);
    EXPECT_EQ(window->rows().path(0), file);
    EXPECT_EQ(window->rows().files[0].text(quilto::core::FileColumn::Kbps), "128");  // read through the bytes
    EXPECT_EQ(window->fileList()->model()->index(0, 1).data().toString(), QString::fromUtf8("テスト.mp3"));

    window->fileList()->selectRows({0});
    const QList<QUrl> urls = window->selectedFileUrls();
    ASSERT_EQ(urls.size(), 1);
    EXPECT_TRUE(urls[0].toEncoded().endsWith("/%89%B9%8Ay/%83e%83X%83g.mp3")) << urls[0].toEncoded().constData();

    // A player cannot be given the name: the user is told which file.
    QStringList shown;
    quilto::app::Application::SetErrorBox([&shown](const QString& message) { shown << message; });
    emit window->fileList()->doubleClicked(window->fileList()->model()->index(0, 1));
    quilto::app::Application::SetErrorBox({});
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains(QString::fromUtf8("テスト.mp3"))) << shown[0].toStdString();
}

TEST_F(FormMainShellTest, APositionOffEveryScreenMovesOntoThePrimaryScreen) {
    const struct {
        int left, top;
        bool kept;
    } cases[] = {{60, 50, true}, {9000, 50, false}, {-6000, -6000, false}, {60, 20000, false},
                 {2147483647, 2147483647, false}, {-2147483647 - 1, 0, false}};
    for (const auto& c : cases) {
        QFile file(settings_.filePath("Quilto.ini"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        // A size that leaves room to keep the position on the offscreen screen.
        file.write(QStringLiteral("[Window]\nLeft=%1\nTop=%2\nWidth=500\nHeight=400\nDir=%3/\n")
                       .arg(c.left).arg(c.top).arg(folder_.path()).toUtf8());
        file.close();
        auto window = std::make_unique<FormMain>();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        if (c.kept) {
            EXPECT_EQ(window->pos(), QPoint(c.left, c.top));
        } else {
            EXPECT_TRUE(screen.contains(window->pos())) << c.left << "," << c.top;
        }
    }
}
