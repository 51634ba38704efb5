// The main window's shell around the lists: keyboard access to the menus,
// the busy cursor, file names as bytes and the saved position.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTimer>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTemporaryDir>
#include <QTabWidget>
#include <QTableView>
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
    const struct {
        QTableView* list;
        int column;
        int width;
    } cases[] = {
        {qobject_cast<QTableView*>(window->pages()->widget(FormMain::Id3v1Page)), 5, 25},  // Clm1No
        {qobject_cast<QTableView*>(window->pages()->widget(FormMain::Id3v2Page)), 5, 25},  // Clm2No
        {window->fileList(), 8, 30},                                                      // ClmFNo
    };
    for (const auto& c : cases) {
        ASSERT_NE(c.list, nullptr);
        EXPECT_EQ(c.list->columnWidth(c.column), c.width);
    }
}

TEST_F(FormMainShellTest, APositionOffEveryScreenMovesOntoThePrimaryScreen) {
    const struct {
        int left, top;
        bool kept;
    } cases[] = {{60, 50, true}, {9000, 50, false}, {-6000, -6000, false}, {60, 20000, false}};
    for (const auto& c : cases) {
        QFile file(settings_.filePath("Quilto.ini"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QStringLiteral("[Window]\nLeft=%1\nTop=%2\nDir=%3/\n").arg(c.left).arg(c.top).arg(folder_.path()).toUtf8());
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
