// The column tool menus of the Pack page's lists, opened from their headers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QTimer>

#include <memory>

#include "ScriptedTagDialogs.h"
#include "app/PackListModels.h"
#include "app/TrackListPage.h"
#include "edit/EditableListView.h"
#include "support/MenuLookup.h"

using quilto::app::CueListModel;
using quilto::app::TrackListModel;
using quilto::app::TrackListPage;
using quilto::test::FindAction;
using Target = TrackListPage::Target;

namespace {

QString Cell(const QAbstractItemView* view, int row, int column) {
    return view->model()->index(row, column).data().toString();
}

// Clicks the header of `column` and picks the menu items along `path`;
// false when one of them is missing or disabled.
bool ChooseFromColumnMenu(QTreeView* list, int column, const QStringList& path) {
    bool chosen = false;
    QTimer::singleShot(0, [&chosen, path] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) return;
        QMenu* at = menu;
        for (qsizetype i = 0; i < path.size(); ++i) {
            QAction* action = at != nullptr ? FindAction(at, path[i]) : nullptr;
            if (action == nullptr || !action->isEnabled()) break;
            if (i + 1 == path.size()) {
                action->trigger();
                chosen = true;
            } else {
                at = action->menu();
            }
        }
        menu->close();
    });
    emit list->header()->sectionClicked(column);
    return chosen;
}

class TrackListMenusTest : public ::testing::Test {
protected:
    void SetUp() override {
        page_ = std::make_unique<TrackListPage>(quilto::pack::Page::Pack);
        answers_ = std::make_shared<quilto::test::Answers>();
        dialogs_ = std::make_unique<quilto::test::ScriptedTagDialogs>(answers_);
        page_->setColumnTools([this]() -> quilto::app::TagDialogs& { return *dialogs_; }, [] { return nullptr; });
        quilto::pack::TrackPage& data = page_->data();
        for (int i = 0; i < 3; ++i) {
            quilto::pack::TrackRow track;
            track.fileName = track.sourcePath = "/music/track" + std::to_string(i) + ".mp3";
            track.artist = "Artist " + std::to_string(i);
            track.title = "Song " + std::to_string(i);
            data.tracks.push_back(track);
            quilto::pack::CueRow cue;
            cue.number = std::to_string(i + 1);
            cue.title = "Cue " + std::to_string(i);
            data.cues.push_back(cue);
        }
        page_->refresh();
        page_->show();
    }

    std::unique_ptr<TrackListPage> page_;
    std::shared_ptr<quilto::test::Answers> answers_;
    std::unique_ptr<quilto::test::ScriptedTagDialogs> dialogs_;
};

TEST_F(TrackListMenusTest, SetAllOnTheCueTitleSetsTheSelectedRowsOrAll) {
    answers_->setAll.push_back(quilto::test::TextAnswer("Live"));
    ASSERT_TRUE(ChooseFromColumnMenu(page_->cueList(), CueListModel::Title, {"Set All"}));
    ASSERT_EQ(answers_->setAllRequests.size(), 1U);
    EXPECT_EQ(answers_->setAllRequests[0].caption, "Title");
    for (int row = 0; row < 3; ++row) EXPECT_EQ(Cell(page_->cueList(), row, CueListModel::Title), "Live");

    page_->cueList()->selectionModel()->select(page_->cueList()->model()->index(1, 0),
                                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    answers_->setAll.push_back(quilto::test::TextAnswer(" (edit)", true));
    ASSERT_TRUE(ChooseFromColumnMenu(page_->cueList(), CueListModel::Title, {"Set All"}));
    EXPECT_EQ(answers_->setAllRequests[1].text, "Live");
    EXPECT_EQ(Cell(page_->cueList(), 0, CueListModel::Title), "Live");
    EXPECT_EQ(Cell(page_->cueList(), 1, CueListModel::Title), "Live (edit)");
}

TEST_F(TrackListMenusTest, CopyFromMp3TitleFillsTheCueTitlesByIndex) {
    ASSERT_TRUE(ChooseFromColumnMenu(page_->cueList(), CueListModel::Title, {"Copy From", "MP3 Title"}));
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(Cell(page_->cueList(), row, CueListModel::Title), QStringLiteral("Song %1").arg(row));
    }
    // The cue list has no file to take a name or a tag from.
    bool offered = true;
    QTimer::singleShot(0, [&offered] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) return;
        offered = FindAction(FindAction(menu, "Copy From")->menu(), "File Name") != nullptr;
        menu->close();
    });
    emit page_->cueList()->header()->sectionClicked(CueListModel::Title);
    EXPECT_FALSE(offered);
}

TEST_F(TrackListMenusTest, ClearEmptiesATrackColumnButNotTheCueIndex) {
    page_->trackList()->selectionModel()->select(page_->trackList()->model()->index(0, 0),
                                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ASSERT_TRUE(ChooseFromColumnMenu(page_->trackList(), TrackListModel::Artist, {"Clear"}));
    for (int row = 0; row < 3; ++row) EXPECT_EQ(Cell(page_->trackList(), row, TrackListModel::Artist), "");
    EXPECT_EQ(Cell(page_->trackList(), 2, TrackListModel::Title), "Song 2");

    EXPECT_FALSE(ChooseFromColumnMenu(page_->cueList(), CueListModel::Index, {"Clear"}));
    EXPECT_EQ(Cell(page_->cueList(), 1, CueListModel::Index), "00:00:00");
}

}  // namespace
