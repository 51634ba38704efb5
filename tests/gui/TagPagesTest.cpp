// The ID3v1 and ID3v2 pages over a folder of three MP3s: cells edited in
// place, marks, Set All with numbering, copies between the tags, saving and
// reloading, the question before another tag's edits are dropped, and a
// column's round trip through a scripted external editor.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QSpinBox>
#include <QTimer>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "app/ExternalEditor.h"
#include "app/FormMain.h"
#include "pack/OutputFile.h"
#include "app/TagDialogs.h"
#include "app/TagPage.h"
#include "edit/EditableListView.h"
#include "gui/FixtureWindowTest.h"
#include "gui/ScriptedTagDialogs.h"
#include "support/MenuLookup.h"

namespace {

using quilto::app::FormMain;
using quilto::app::OtherEditsAnswer;
using quilto::app::SetAllAnswer;
using quilto::app::SetAllRequest;
using quilto::app::TagPage;
using quilto::tags::TagColumn;
using quilto::test::Answers;
using quilto::test::FindAction;
using quilto::test::ScriptedTagDialogs;
using quilto::test::MainMenu;


constexpr int Col(TagColumn column) { return static_cast<int>(column); }

using quilto::test::TextAnswer;

class TagPagesTest : public quilto::test::FixtureWindowTest {
protected:
    // Opens the window; editor: the program of the column menu's "Editor".
    void open(const QString& editor = {}) {
        openWindow(editor);
        ASSERT_EQ(window_->rows().size(), 3u);
    }
    TagPage& page(FormMain::Page which) {
        window_->pages()->setCurrentIndex(which);
        return *window_->tagPage(which);
    }
    std::string cell(FormMain::Page which, std::size_t row, TagColumn column) const {
        return quilto::tags::CellText(window_->rows(), which == FormMain::Id3v1Page ? quilto::tags::TagList::Id3v1
                                                                                    : quilto::tags::TagList::Id3v2,
                                      row, column);
    }
    const quilto::core::Id3v1Row& v1(std::size_t row) const { return window_->rows().id3v1[row]; }
    const quilto::core::Id3v2Row& v2(std::size_t row) const { return window_->rows().id3v2[row]; }
    QAction* tagMenuAction(const QString& caption) {
        QMenu* menu = MainMenu(*window_, "ID3Tag");
        emit menu->aboutToShow();
        return FindAction(menu, caption);
    }
    QByteArray fileBytes(const char* name) const {
        QFile file(folder_.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

// Typing into the in-place editors: the ID3v1 fields keep their limits and
// digit filters, the ID3v2 fields take any text; a change marks the row.
TEST_F(TagPagesTest, CellEditorsKeepTheListsRulesAndMarkTheRow) {
    open();
    struct Case {
        FormMain::Page page;
        TagColumn column;
        QString typed;
        std::string stored;
    };
    const QString longTitle(35, QLatin1Char('x'));
    const Case cases[] = {
        {FormMain::Id3v1Page, TagColumn::Year, "ab12c345", "1234"},
        {FormMain::Id3v1Page, TagColumn::Track, "7x", "7"},
        {FormMain::Id3v1Page, TagColumn::Title, longTitle, std::string(30, 'x')},
        {FormMain::Id3v2Page, TagColumn::Title, longTitle, longTitle.toStdString()},
        {FormMain::Id3v2Page, TagColumn::Year, "2024-05", "2024-05"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        auto* list = page(c.page).view();
        const QModelIndex index = list->model()->index(1, Col(c.column));
        list->scrollTo(index);
        const QPoint at = list->visualRect(index).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        auto* editor = qobject_cast<QLineEdit*>(list->openEditor());
        ASSERT_NE(editor, nullptr);
        editor->clear();
        QTest::keyClicks(editor, c.typed);
        QTest::keyClick(editor, Qt::Key_Return);
        EXPECT_EQ(list->openEditor(), nullptr);
        EXPECT_EQ(cell(c.page, 1, c.column), c.stored);
        const bool onV1 = c.page == FormMain::Id3v1Page;
        EXPECT_EQ(onV1 ? v1(1).tagMark : v2(1).tagMark, 1);
        EXPECT_EQ(onV1 ? v1(1).image : v2(1).image, quilto::core::kEditedImage);
        EXPECT_NE(window_->statusText(1).toStdString().find('1'), std::string::npos);
    }
}

TEST_F(TagPagesTest, GenreDropDownsTakeListEntriesOnV1AndAnyTextOnV2) {
    open();
    for (const FormMain::Page which : {FormMain::Id3v1Page, FormMain::Id3v2Page}) {
        auto* list = page(which).view();
        const QModelIndex index = list->model()->index(0, Col(TagColumn::Genre));
        list->scrollTo(index);
        const QPoint at = list->visualRect(index).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        auto* combo = qobject_cast<QComboBox*>(list->openEditor());
        ASSERT_NE(combo, nullptr);
        EXPECT_EQ(combo->isEditable(), which == FormMain::Id3v2Page);
        if (which == FormMain::Id3v2Page) {
            combo->setEditText(QStringLiteral("Chiptune Jazz"));
        } else {
            combo->setCurrentIndex(combo->findText(QStringLiteral("Blues")));
        }
        QTest::keyClick(combo, Qt::Key_Return);
        EXPECT_EQ(cell(which, 0, TagColumn::Genre), which == FormMain::Id3v2Page ? "Chiptune Jazz" : "Blues");
    }
}

TEST_F(TagPagesTest, MarksToggleFromTheHeaderTheMarkSpotsAndTheKeys) {
    open();
    TagPage& tags = page(FormMain::Id3v2Page);
    auto* list = tags.view();
    // Whatever the files hold, two header clicks end with every mark 0 or 1.
    emit list->header()->sectionClicked(0);
    const int first = v2(0).tagMark;
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(v2(i).tagMark, first);
    emit list->header()->sectionClicked(0);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(v2(i).tagMark, 1 - first);

    const QRect marks = list->visualRect(list->model()->index(2, 0));
    const int before = v2(2).tagMark;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(marks.left() + 10, marks.center().y()));
    EXPECT_EQ(v2(2).tagMark, 1 - before);
    EXPECT_EQ(v2(2).image, quilto::core::kEditedImage);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(marks.left() + 26, marks.center().y()));
    EXPECT_NE(v2(2).image, quilto::core::kEditedImage);
    EXPECT_EQ(v2(2).tagMark, 1 - before);

    list->setCurrentIndex(list->model()->index(2, 1));
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(v2(2).tagMark, before);
    EXPECT_EQ(v2(2).image, quilto::core::kEditedImage);
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_NE(v2(2).image, quilto::core::kEditedImage);
}

TEST_F(TagPagesTest, SetAllChoosesThePageByColumnAndNumbersTheSelectedRows) {
    open();
    struct Case {
        FormMain::Page page;
        TagColumn column;
        SetAllRequest::Page dialogPage;
        int maxLength;
    };
    const Case cases[] = {
        {FormMain::Id3v1Page, TagColumn::Year, SetAllRequest::Page::Text, 4},
        {FormMain::Id3v1Page, TagColumn::Comment, SetAllRequest::Page::Text, 28},
        {FormMain::Id3v1Page, TagColumn::Artist, SetAllRequest::Page::Text, 30},
        {FormMain::Id3v2Page, TagColumn::Comment, SetAllRequest::Page::Comment, 0},
        {FormMain::Id3v2Page, TagColumn::Genre, SetAllRequest::Page::Genre, 0},
        {FormMain::Id3v1Page, TagColumn::Track, SetAllRequest::Page::Number, 0},
    };
    for (const Case& c : cases) {
        page(c.page).setAll(Col(c.column));  // answered with Cancel
        ASSERT_FALSE(answers_->setAllRequests.empty());
        const SetAllRequest& asked = answers_->setAllRequests.back();
        EXPECT_EQ(asked.page, c.dialogPage) << asked.caption.toStdString();
        EXPECT_EQ(asked.maxLength, c.maxLength) << asked.caption.toStdString();
        EXPECT_EQ(asked.id3v1, c.page == FormMain::Id3v1Page);
    }
    EXPECT_EQ(answers_->setAllRequests.back().caption, QStringLiteral("\u2116"));

    // Numbering: nothing selected selects every row; the ID3v1 number wraps at 100.
    SetAllAnswer numbers;
    numbers.numbering.start = 9;
    answers_->setAll = {numbers};
    page(FormMain::Id3v2Page).setAll(Col(TagColumn::Track));
    EXPECT_EQ(cell(FormMain::Id3v2Page, 0, TagColumn::Track), "09");
    EXPECT_EQ(cell(FormMain::Id3v2Page, 1, TagColumn::Track), "10");
    EXPECT_EQ(cell(FormMain::Id3v2Page, 2, TagColumn::Track), "11");
    EXPECT_EQ(page(FormMain::Id3v2Page).selectedRows(false).size(), 3u);

    numbers.numbering.start = 99;
    answers_->setAll = {numbers};
    TagPage& v1Page = page(FormMain::Id3v1Page);
    v1Page.selectRows({1, 2});
    v1Page.setAll(Col(TagColumn::Track));
    EXPECT_EQ(cell(FormMain::Id3v1Page, 1, TagColumn::Track), "99");
    EXPECT_EQ(cell(FormMain::Id3v1Page, 2, TagColumn::Track), "00");
    EXPECT_NE(v1(0).image, quilto::core::kEditedImage);
    EXPECT_NE(cell(FormMain::Id3v1Page, 0, TagColumn::Track), "98");

    // Append adds behind each selected cell; Clear empties unselected rows too.
    answers_->setAll = {TextAnswer("X"), TextAnswer("!", true)};
    v1Page.selectRows({});
    v1Page.setAll(Col(TagColumn::Album));
    v1Page.selectRows({0});
    v1Page.setAll(Col(TagColumn::Album));
    EXPECT_EQ(cell(FormMain::Id3v1Page, 0, TagColumn::Album), "X!");
    EXPECT_EQ(cell(FormMain::Id3v1Page, 1, TagColumn::Album), "X");
    v1Page.clearColumn(Col(TagColumn::Album));
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(cell(FormMain::Id3v1Page, i, TagColumn::Album), "");
}

TEST_F(TagPagesTest, ColumnMenuCopiesFromTheFileNameAndTheOtherTag) {
    open();
    TagPage& v2Page = page(FormMain::Id3v2Page);
    QMenu menu;
    v2Page.fillColumnMenu(menu, Col(TagColumn::Title));
    QMenu* copy = FindAction(&menu, "Copy From")->menu();
    ASSERT_NE(copy, nullptr);
    FindAction(copy, "File Name")->trigger();
    EXPECT_EQ(cell(FormMain::Id3v2Page, 0, TagColumn::Title), "a");
    EXPECT_EQ(cell(FormMain::Id3v2Page, 2, TagColumn::Title), "c");
    EXPECT_TRUE(FindAction(&menu, "Replace")->isEnabled());

    // "Copy From ID3v1" on page 3 fills ID3v2 fields from non-empty ID3v1 texts.
    answers_->setAll = {TextAnswer("From V1")};
    page(FormMain::Id3v1Page).setAll(Col(TagColumn::Artist));
    page(FormMain::Id3v2Page);
    v2Page.selectRows({});
    QAction* copyFrom = tagMenuAction("Copy From ID3v1");
    ASSERT_NE(copyFrom, nullptr);
    const std::string year = cell(FormMain::Id3v2Page, 2, TagColumn::Year);
    copyFrom->trigger();
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(cell(FormMain::Id3v2Page, i, TagColumn::Artist), "From V1");
    if (cell(FormMain::Id3v1Page, 2, TagColumn::Year).empty()) {
        EXPECT_EQ(cell(FormMain::Id3v2Page, 2, TagColumn::Year), year);
    }
    page(FormMain::Id3v1Page);
    EXPECT_NE(tagMenuAction("Copy From ID3v2"), nullptr);
}

TEST_F(TagPagesTest, SaveWritesTheFilesAndTheReloadShowsThemUnmarked) {
    open();
    EXPECT_FALSE(tagMenuAction("Save All")->isEnabled());
    answers_->setAll = {TextAnswer("Saved Title"), TextAnswer("Saved V2")};
    page(FormMain::Id3v1Page).setAll(Col(TagColumn::Title));
    page(FormMain::Id3v2Page).setAll(Col(TagColumn::Album));
    EXPECT_TRUE(tagMenuAction("Save ID3v1")->isEnabled());
    EXPECT_TRUE(tagMenuAction("Save ID3v2")->isEnabled());
    tagMenuAction("Save All")->trigger();
    EXPECT_TRUE(answers_->errors.isEmpty()) << answers_->errors.join("; ").toStdString();
    EXPECT_EQ(answers_->otherEditsAsked, 0);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(v1(i).tag.title, "Saved Title");
        EXPECT_EQ(v2(i).tag.album, "Saved V2");
        EXPECT_NE(v1(i).image, quilto::core::kEditedImage);
        EXPECT_NE(v2(i).image, quilto::core::kEditedImage);
    }
    EXPECT_TRUE(fileBytes("a.mp3").contains("Saved Title"));
    EXPECT_FALSE(tagMenuAction("Save All")->isEnabled());
}

// A file that could not be written keeps its row's edits across the reload.
TEST_F(TagPagesTest, EditsOfFilesThatFailedToSaveSurviveTheReload) {
    open();
    window_->setPackOutputFactory([](const std::string&, std::string& error) -> std::unique_ptr<quilto::pack::OutputFile> {
        error = "No space left on device";
        return nullptr;
    });
    const QByteArray before = fileBytes("b.mp3");
    answers_->setAll = {TextAnswer("Unsaved")};
    page(FormMain::Id3v1Page).setAll(Col(TagColumn::Title));
    tagMenuAction("Save ID3v1")->trigger();
    ASSERT_EQ(answers_->errors.size(), 1);
    EXPECT_EQ(fileBytes("b.mp3"), before);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(v1(i).tag.title, "Unsaved");
        EXPECT_EQ(v1(i).image, quilto::core::kEditedImage);
    }
    EXPECT_TRUE(tagMenuAction("Save ID3v1")->isEnabled());
}

// Saving one tag reloads the rows: the other tag's edits are asked about.
TEST_F(TagPagesTest, SavingOneTagAsksBeforeTheOtherTagsEditsAreLost) {
    struct Case {
        OtherEditsAnswer answer;
        bool v1Saved, v2Saved, v2StillEdited;
    };
    const Case cases[] = {
        {OtherEditsAnswer::Cancel, false, false, true},
        {OtherEditsAnswer::Discard, true, false, false},
        {OtherEditsAnswer::SaveBoth, true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        TearDown();
        answers_ = std::make_shared<Answers>();
        SetUp();
        open();
        answers_->otherEdits = c.answer;
        answers_->setAll = {TextAnswer("One"), TextAnswer("Two")};
        page(FormMain::Id3v1Page).setAll(Col(TagColumn::Title));
        page(FormMain::Id3v2Page).setAll(Col(TagColumn::Title));
        page(FormMain::Id3v1Page);
        tagMenuAction("Save ID3v1")->trigger();
        EXPECT_EQ(answers_->otherEditsAsked, 1);
        EXPECT_EQ(v1(0).tag.title == "One" && v1(0).image != quilto::core::kEditedImage, c.v1Saved);
        EXPECT_EQ(fileBytes("a.mp3").contains("One"), c.v1Saved);
        EXPECT_EQ(fileBytes("a.mp3").contains("Two"), c.v2Saved);
        EXPECT_EQ(v2(0).image == quilto::core::kEditedImage, c.v2StillEdited);
    }
}

TEST_F(TagPagesTest, EditorRoundTripReadsTheColumnBackFromAPrivateFile) {
    open(script(QStringLiteral("printf 'one\\r\\ntwo\\r\\nthree\\r\\n' > \"$1\"")));
    page(FormMain::Id3v2Page);
    window_->editColumnExternally(FormMain::Id3v2Page, Col(TagColumn::Title));
    EXPECT_TRUE(answers_->errors.isEmpty()) << answers_->errors.join("; ").toStdString();
    EXPECT_EQ(answers_->finishedAsked, 0);  // the file changed: no question
    EXPECT_EQ(cell(FormMain::Id3v2Page, 0, TagColumn::Title), "one");
    EXPECT_EQ(cell(FormMain::Id3v2Page, 2, TagColumn::Title), "three");
    EXPECT_EQ(v2(1).image, quilto::core::kEditedImage);
    EXPECT_TRUE(window_->isEnabled());
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(quilto::app::ExchangeFolder()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(QFile::exists(quilto::app::ExchangeFolder() + "/~Quilto~.txt"));
}

TEST_F(TagPagesTest, EditorThatChangesNothingOrTheLineCountChangesNoRow) {
    struct Case {
        QString body;
        bool finished;
        int asked;
        bool error;
    };
    const Case cases[] = {
        {"exit 0", false, 1, false},                    // back at once, unchanged, not finished
        {"printf 'one\\r\\ntwo\\r\\n' > \"$1\"", true, 0, true},  // a line short: refused
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body.toStdString());
        TearDown();
        answers_ = std::make_shared<Answers>();
        SetUp();
        open(script(c.body));
        answers_->finished = c.finished;
        const std::string before = cell(FormMain::Id3v2Page, 0, TagColumn::Title);
        window_->editColumnExternally(FormMain::Id3v2Page, Col(TagColumn::Title));
        EXPECT_EQ(answers_->finishedAsked, c.asked);
        EXPECT_EQ(answers_->errors.size(), c.error ? 1 : 0);
        EXPECT_EQ(cell(FormMain::Id3v2Page, 0, TagColumn::Title), before);
        EXPECT_NE(v2(0).image, quilto::core::kEditedImage);
    }
}

TEST_F(TagPagesTest, AnEditorThatCannotStartIsNamedInTheMessage) {
    open(settings_.filePath("no-such-editor"));
    window_->editColumnExternally(FormMain::Id3v1Page, Col(TagColumn::Title));
    ASSERT_EQ(answers_->errors.size(), 1);
    EXPECT_TRUE(answers_->errors.front().contains("no-such-editor")) << answers_->errors.front().toStdString();
    EXPECT_TRUE(window_->isEnabled());
}

}  // namespace

namespace {

// The real Set All dialog: its page, what it offers there, and the answer.
TEST(SetAllDialogTest, ShowsThePageOfTheRequestAndAnswersWithItsFields) {
    struct Case {
        SetAllRequest::Page page;
        bool id3v1;
        bool appendEnabled;
        bool forwardShown;
        bool zeroEnabled;
    };
    const Case cases[] = {
        {SetAllRequest::Page::Text, true, true, false, false},
        {SetAllRequest::Page::Genre, false, false, true, true},
        {SetAllRequest::Page::Number, true, false, false, false},
        {SetAllRequest::Page::Number, false, false, true, true},
    };
    auto dialogs = quilto::app::MakeQtTagDialogs();
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.page) * 10 + c.id3v1);
        SetAllRequest request;
        request.page = c.page;
        request.id3v1 = c.id3v1;
        request.caption = QStringLiteral("Title");
        request.text = QStringLiteral("abc");
        request.maxLength = 2;
        request.genres = {QStringLiteral("Blues"), QStringLiteral("Rock")};
        bool inspected = false;
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Set All - Title"));
            QCheckBox* append = nullptr;
            QCheckBox* zero = nullptr;
            for (QCheckBox* box : dialog->findChildren<QCheckBox*>()) {
                if (box->text() == QStringLiteral("Append")) append = box;
                if (box->text() == QStringLiteral("Zero")) zero = box;
            }
            ASSERT_TRUE(append && zero);
            EXPECT_EQ(append->isEnabled(), c.appendEnabled);
            EXPECT_EQ(zero->isEnabled(), c.zeroEnabled);
            EXPECT_TRUE(zero->isChecked());
            if (c.page == SetAllRequest::Page::Number) {
                const auto spins = dialog->findChildren<QSpinBox*>();
                ASSERT_EQ(spins.size(), 2);
                EXPECT_EQ(spins[0]->value(), 1);
                EXPECT_EQ(spins[0]->maximum(), 99);
                spins[0]->setValue(7);
                for (const char* name : {"Forward", "Backward"}) {
                    auto* field = dialog->findChild<QLineEdit*>(QString::fromLatin1(name));
                    ASSERT_NE(field, nullptr);
                    EXPECT_EQ(field->isVisibleTo(dialog), c.forwardShown) << name;
                }
            }
            if (c.page == SetAllRequest::Page::Text) append->setChecked(true);
            inspected = true;
            static_cast<QDialog*>(dialog)->accept();
        });
        const std::optional<SetAllAnswer> answer = dialogs->setAll(nullptr, request);
        ASSERT_TRUE(inspected);
        ASSERT_TRUE(answer.has_value());
        switch (c.page) {
            case SetAllRequest::Page::Text:
                EXPECT_EQ(answer->text, QStringLiteral("ab"));  // the field's limit
                EXPECT_TRUE(answer->append);
                break;
            case SetAllRequest::Page::Genre: EXPECT_EQ(answer->text, QStringLiteral("abc")); break;
            default: EXPECT_EQ(answer->numbering.start, 7); break;
        }
    }
}

}  // namespace
