// The Cue List Editor window opened from the Pack page: editing a length
// moves the later starts, "Save" writes the page's cue list, closing without
// it changes nothing, the window's settings are kept, and the rows' round
// trip through a scripted external editor.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

#include "app/FileListView.h"
#include "app/FormMain.h"
#include "app/PackListModels.h"
#include "app/TrackListPage.h"
#include "core/IniFile.h"
#include "edit/EditableListView.h"
#include "edit/TimeIndexDialog.h"
#include "gui/FixtureWindowTest.h"
#include "gui/ScriptedTagDialogs.h"
#include "support/MenuLookup.h"

using quilto::app::FormMain;
using quilto::app::TrackListPage;
using quilto::edit::TimeIndexDialog;
using quilto::edit::TimeIndexModel;
using quilto::test::FindAction;
using quilto::test::MainMenu;

namespace {


QString Cell(const TimeIndexDialog& dialog, int row, int column) {
    return dialog.view()->model()->index(row, column).data().toString();
}

QAction* DialogAction(const TimeIndexDialog& dialog, const QString& caption) {
    for (QAction* action : dialog.menu()->actions()) {
        if (action->text() == caption) return action;
        if (action->menu() != nullptr) {
            if (QAction* inner = FindAction(action->menu(), caption)) return inner;
        }
    }
    return nullptr;
}

class TimeIndexDialogTest : public quilto::test::FixtureWindowTest {
protected:
    // The window with the three files dropped on the Pack page, which shows.
    void open(const QString& editor = {}) {
        openWindow(editor);
        window_->runFrameScan(quilto::core::FrameScanVariant::All);
        window_->fileList()->selectAll();
        window_->pages()->setCurrentIndex(FormMain::PackPage);
        window_->filesDroppedOnPage(FormMain::PackPage, static_cast<int>(TrackListPage::Target::TrackList));
        ASSERT_EQ(page().cues.size(), 3U);
    }
    quilto::pack::TrackPage& page() { return window_->trackPage(FormMain::PackPage)->data(); }

    // Opens the editor through `how` and runs `body` on it once it shows (it
    // may open inside another modal loop, a menu's); the window is closed
    // afterwards whatever body did.
    void withDialog(const std::function<void()>& how, const std::function<void(TimeIndexDialog&)>& body) {
        bool ran = false;
        QTimer poll;
        int tries = 0;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<TimeIndexDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                if (++tries > 500) poll.stop();
                return;
            }
            poll.stop();
            ran = true;
            body(*dialog);
            if (dialog->isVisible()) dialog->reject();
        });
        poll.start();
        how();
        poll.stop();
        EXPECT_TRUE(ran) << "no Cue List Editor opened";
    }
    void fromMenu() {
        QMenu* pack = MainMenu(*window_, "Pack");
        emit pack->aboutToShow();
        QAction* action = FindAction(pack, "Cue List Editor");
        ASSERT_NE(action, nullptr);
        ASSERT_TRUE(action->isEnabled());
        action->trigger();
    }
};

}  // namespace

TEST_F(TimeIndexDialogTest, EditedLengthMovesLaterStartsAndSaveWritesThePage) {
    open();
    const std::string total = page().header.time;
    const std::string secondTitle = page().cues[1].title;
    withDialog([this] { fromMenu(); }, [&](TimeIndexDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Cue List Editor");
        ASSERT_EQ(dialog.view()->model()->rowCount(), 3);
        EXPECT_EQ(Cell(dialog, 2, TimeIndexModel::Number), "   3");
        EXPECT_EQ(dialog.panel(0)->text().toStdString(), total);
        EXPECT_TRUE(dialog.setTotalTime());
        const QString secondStart = Cell(dialog, 2, TimeIndexModel::Index);

        // The first length through its time editor: every later start moves.
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        const QModelIndex first = dialog.view()->model()->index(0, TimeIndexModel::Time);
        const QPoint at = dialog.view()->visualRect(first).center();
        QTest::mouseClick(dialog.view()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(dialog.view()->viewport(), Qt::LeftButton, {}, at);
        auto* editor = qobject_cast<QLineEdit*>(dialog.view()->openEditor());
        ASSERT_NE(editor, nullptr) << "no time editor on the length";
        editor->setText("010:00:00");
        QTest::keyClick(editor, Qt::Key_Return);
        EXPECT_EQ(Cell(dialog, 0, TimeIndexModel::Time), "10:00:00");
        EXPECT_EQ(Cell(dialog, 1, TimeIndexModel::Index), "10:00:00");
        EXPECT_NE(Cell(dialog, 2, TimeIndexModel::Index), secondStart);
        EXPECT_EQ(dialog.panel(1)->text().toStdString(), dialog.list().endTime);

        // The Performer header's menu: only the commands this list has; "Set
        // All" starts from the focused cell and fills the selected rows.
        QStringList items;
        answers_->setAll.push_back(quilto::test::TextAnswer("Guest", true));
        dialog.view()->selectAll();
        QTimer::singleShot(0, [&items] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr) return;
            for (QAction* action : menu->actions()) {
                if (!action->isSeparator()) items << action->text();
            }
            menu->setActiveAction(FindAction(menu, "Set All"));
            QTest::keyClick(menu, Qt::Key_Return);
        });
        emit dialog.view()->header()->sectionClicked(TimeIndexModel::Performer);
        EXPECT_EQ(items, QStringList({"Set All", "Replace", "Convert", "Clear"}));
        ASSERT_EQ(answers_->setAllRequests.size(), 1U);
        EXPECT_EQ(answers_->setAllRequests[0].caption, "Performer");
        EXPECT_EQ(Cell(dialog, 2, TimeIndexModel::Performer), "Mutagen ArtistGuest");
        EXPECT_EQ(Cell(dialog, 0, TimeIndexModel::Performer), "Guest");

        // A typed title still in its editor goes in with "Save".
        const QModelIndex title = dialog.view()->model()->index(1, TimeIndexModel::Title);
        const QPoint titleAt = dialog.view()->visualRect(title).center();
        QTest::mouseClick(dialog.view()->viewport(), Qt::LeftButton, {}, titleAt);
        QTest::mouseDClick(dialog.view()->viewport(), Qt::LeftButton, {}, titleAt);
        auto* text = qobject_cast<QLineEdit*>(dialog.view()->openEditor());
        ASSERT_NE(text, nullptr);
        text->setText("Renamed");
        DialogAction(dialog, "Save")->trigger();
        EXPECT_FALSE(dialog.isVisible());
    });
    ASSERT_EQ(page().cues.size(), 3U);
    EXPECT_EQ(page().cues[0].length, "10:00:00");
    EXPECT_EQ(page().cues[1].index, "10:00:00");
    EXPECT_EQ(page().cues[1].title, "Renamed");
    EXPECT_NE(page().cues[1].title, secondTitle);
    EXPECT_EQ(page().header.time, quilto::pack::SafeCueTimeAdd(page().cues[2].index, page().cues[2].length));
    EXPECT_EQ(window_->trackPage(FormMain::PackPage)->cueList()->model()->index(1, quilto::app::CueListModel::Title).data().toString(), "Renamed");
}

TEST_F(TimeIndexDialogTest, ClosingWithoutSaveKeepsTheCueListAndStoresTheWindow) {
    open();
    const quilto::pack::CueList before = page().cues;
    const std::string total = page().header.time;
    TrackListPage* pack = window_->trackPage(FormMain::PackPage);
    // A double-click below the cue rows opens it too.
    withDialog(
        [&] {
            pack->cueList()->resize(300, 300);
            const QPoint below(10, pack->cueList()->viewport()->height() - 5);
            ASSERT_FALSE(pack->cueList()->indexAt(below).isValid());
            QTest::mouseDClick(pack->cueList()->viewport(), Qt::LeftButton, {}, below);
        },
        [&](TimeIndexDialog& dialog) {
            DialogAction(dialog, "Delete")->trigger();  // nothing selected: nothing deleted
            EXPECT_EQ(dialog.list().rows.size(), 3U);
            DialogAction(dialog, "Add")->trigger();
            DialogAction(dialog, "Set Total Time")->trigger();
            dialog.resize(520, 410);
            dialog.view()->setColumnWidth(TimeIndexModel::Performer, 150);
            dialog.reject();
        });
    ASSERT_EQ(page().cues.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(page().cues[i].index, before[i].index);
    EXPECT_EQ(page().header.time, total);

    const quilto::core::IniFile ini = quilto::core::IniFile::Load(settings_.filePath("Quilto.ini").toStdString());
    EXPECT_EQ(ini.readInt("TimeIndex", "Width", 0), 520);
    EXPECT_EQ(ini.readInt("TimeIndex", "Height", 0), 410);
    EXPECT_EQ(ini.readInt("TimeIndex", "Clmerformer", 0), 150);
    EXPECT_EQ(ini.readInt("TimeIndex", "ClmTitle", 0), 128);
    EXPECT_EQ(ini.readInt("TimeIndex", "ClmTime", 0), 66);
    EXPECT_EQ(ini.readInt("TimeIndex", "ClmIndex", 0), 66);
    EXPECT_EQ(ini.value("TimeIndex", "TotalTime"), "0");

    // The next opening (the cue list's column menu) starts from them; Clear
    // empties the list and with "Save" the page's cue list, keeping the total.
    withDialog(
        [&] {
            QTimer::singleShot(0, [] {
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                ASSERT_NE(menu, nullptr);
                QAction* item = FindAction(menu, "Cue List Editor");
                ASSERT_NE(item, nullptr);
                menu->setActiveAction(item);
                QTest::keyClick(menu, Qt::Key_Return);
            });
            emit pack->cueList()->header()->sectionClicked(2);
        },
        [&](TimeIndexDialog& dialog) {
            EXPECT_EQ(dialog.width(), 520);
            EXPECT_EQ(dialog.view()->columnWidth(TimeIndexModel::Performer), 150);
            EXPECT_FALSE(dialog.setTotalTime());
            DialogAction(dialog, "Clear")->trigger();
            EXPECT_EQ(dialog.panel(1)->text(), "00:00:00");
            DialogAction(dialog, "Save")->trigger();
        });
    EXPECT_TRUE(page().cues.empty());
    EXPECT_EQ(page().header.time, total);
}

TEST_F(TimeIndexDialogTest, EditorRoundTripAndRefusal) {
    open(script(QStringLiteral("printf '3:00:00\\r\\n1:2:80\\tBand\\tSong\\r\\n' > \"$1\"")));
    withDialog([this] { fromMenu(); }, [&](TimeIndexDialog& dialog) {
        // A title with a tab would come back split over other cells.
        dialog.view()->model()->setData(dialog.view()->model()->index(0, TimeIndexModel::Title), "a\tb", Qt::EditRole);
        DialogAction(dialog, "Editor")->trigger();
        ASSERT_EQ(answers_->errors.size(), 1);
        EXPECT_TRUE(answers_->errors.front().contains("tab")) << answers_->errors.front().toStdString();
        EXPECT_EQ(dialog.list().rows.size(), 3U);

        dialog.view()->model()->setData(dialog.view()->model()->index(0, TimeIndexModel::Title), "ab", Qt::EditRole);
        DialogAction(dialog, "Editor")->trigger();
        EXPECT_EQ(answers_->errors.size(), 1) << answers_->errors.join("; ").toStdString();
        ASSERT_EQ(dialog.view()->model()->rowCount(), 2);
        EXPECT_EQ(Cell(dialog, 0, TimeIndexModel::Title), "3:00:00");
        EXPECT_EQ(Cell(dialog, 0, TimeIndexModel::Time), "");
        EXPECT_EQ(Cell(dialog, 1, TimeIndexModel::Time), "01:03:05");
        EXPECT_EQ(Cell(dialog, 1, TimeIndexModel::Performer), "Band");
        EXPECT_EQ(Cell(dialog, 1, TimeIndexModel::Title), "Song");
        EXPECT_EQ(Cell(dialog, 1, TimeIndexModel::Index), "00:00:00");
        EXPECT_TRUE(dialog.isEnabled());
    });
    EXPECT_EQ(page().cues.size(), 3U);  // not saved
}
