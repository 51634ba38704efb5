// The ReName page over a folder of three MP3s: names composed by format with
// their preview, the check and the renames on disk, the Replace and Convert
// tabs, Replace and Convert on a tag column, and the rename options.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/FormMain.h"
#include "app/RenameDialogs.h"
#include "app/RenameModels.h"
#include "app/RenamePage.h"
#include "app/PackListModels.h"
#include "app/TagPage.h"
#include "app/TrackListPage.h"
#include "core/IniFile.h"
#include "edit/EditableListView.h"
#include "gui/ScriptedTagDialogs.h"
#include "support/MenuLookup.h"

namespace {

using quilto::app::FormMain;
using quilto::app::FormatListModel;
using quilto::app::RenameListModel;
using quilto::app::RenameOptions;
using quilto::app::RenameOptionsDialog;
using quilto::app::RenamePage;
using quilto::app::SetAllAnswer;
using quilto::app::SetAllRequest;
using quilto::rename::FormatItem;
using quilto::rename::FormatStep;
using quilto::tags::TagColumn;
using quilto::test::Answers;
using quilto::test::FindAction;
using quilto::test::MainMenu;
using quilto::test::ScriptedTagDialogs;

const QString kFixtures = QStringLiteral(QUILTO_FIXTURE_DIR);

struct RenameAnswers {
    std::optional<RenameOptions> options;  // none: Cancel
    bool dropTagEdits = false;
    int dropAsked = 0;
    QStringList errors;
};

class ScriptedRenameDialogs final : public quilto::app::RenameDialogs {
public:
    explicit ScriptedRenameDialogs(std::shared_ptr<RenameAnswers> answers) : answers_(std::move(answers)) {}
    bool editOptions(QWidget*, RenameOptions& options) override {
        if (!answers_->options) return false;
        options = *answers_->options;
        return true;
    }
    bool dropTagEdits(QWidget*) override {
        ++answers_->dropAsked;
        return answers_->dropTagEdits;
    }
    void showError(QWidget*, const QString& message) override { answers_->errors << message; }

private:
    std::shared_ptr<RenameAnswers> answers_;
};

SetAllAnswer ReplaceAnswer(const QString& from, const QString& to, bool matchCase = false) {
    SetAllAnswer answer;
    answer.text = from;
    answer.to = to;
    answer.matchCase = matchCase;
    return answer;
}

class RenamePageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid() && settings_.isValid() && runtime_.isValid());
        qputenv("QUILTO_CONFIG_DIR", settings_.path().toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
        const char* sources[] = {"cbr128_joint_info.mp3", "cbr128_stereo_info.mp3", "tag_mutagen_v23.mp3"};
        const char* names[] = {"a.mp3", "b.mp3", "c.mp3"};
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(QFile::copy(kFixtures + "/" + sources[i], folder_.filePath(names[i])));
            QFile::setPermissions(folder_.filePath(names[i]), QFile::ReadOwner | QFile::WriteOwner);
        }
        window_ = std::make_unique<FormMain>(QStringList{folder_.path()});
        window_->show();
        window_->runFirstIdle();
        window_->setTagDialogs(std::make_unique<ScriptedTagDialogs>(answers_));
        window_->setRenameDialogs(std::make_unique<ScriptedRenameDialogs>(renameAnswers_));
        window_->pages()->setCurrentIndex(FormMain::ReNamePage);
        ASSERT_EQ(window_->rows().size(), 3u);
    }
    void TearDown() override {
        window_.reset();
        qunsetenv("QUILTO_CONFIG_DIR");
        qunsetenv("XDG_RUNTIME_DIR");
    }
    RenamePage& page() { return *window_->renamePage(); }
    const quilto::core::RenameRow& row(std::size_t i) const { return window_->rows().rename[i]; }
    bool exists(const QString& name) const { return QFile::exists(folder_.filePath(name)); }
    QAction* renameMenuAction(const QString& caption) {
        QMenu* menu = MainMenu(*window_, "ReName");
        emit menu->aboutToShow();
        return FindAction(menu, caption);
    }

    QTemporaryDir folder_;
    QTemporaryDir settings_;
    QTemporaryDir runtime_;
    std::shared_ptr<Answers> answers_ = std::make_shared<Answers>();
    std::shared_ptr<RenameAnswers> renameAnswers_ = std::make_shared<RenameAnswers>();
    std::unique_ptr<FormMain> window_;
};

TEST_F(RenamePageTest, FormatComposesNamesThatUpdateRenamesOnDisk) {
    const std::string title = window_->rows().id3v2[2].tag.title;
    ASSERT_FALSE(title.empty());

    FormatListModel& format = *page().formatModel();
    page().addFormatStep();
    page().addFormatStep();
    ASSERT_EQ(format.rowCount(), 2);
    EXPECT_EQ(format.data(format.index(1, FormatListModel::Number), Qt::DisplayRole).toString(), "   2");
    format.setData(format.index(0, FormatListModel::Parameter), "new ", Qt::EditRole);
    format.setData(format.index(1, FormatListModel::Item), "Tag (v2)", Qt::EditRole);
    format.setData(format.index(1, FormatListModel::Parameter), "Title", Qt::EditRole);
    // Text in the window's colour, the tag's name in blue.
    EXPECT_EQ(page().preview()->text(),
              "<span style=\"white-space:pre\">new <span style=\"color:#0000ff\">Title</span></span>");

    EXPECT_FALSE(renameMenuAction("Update")->isEnabled());  // nothing pending yet
    page().selectRows({0, 2});
    page().composeNames();
    EXPECT_EQ(row(0).fileName, "new ");
    EXPECT_EQ(row(0).image, quilto::core::kEditedImage);
    EXPECT_EQ(row(1).fileName, "b");  // not selected
    EXPECT_EQ(row(1).image, quilto::core::kNoImage);
    EXPECT_EQ(row(2).fileName, "new " + title);
    EXPECT_EQ(window_->statusText(1).isEmpty(), false);

    ASSERT_TRUE(renameMenuAction("Update")->isEnabled());
    window_->updateRenames();
    EXPECT_TRUE(renameAnswers_->errors.isEmpty()) << renameAnswers_->errors.join("\n").toStdString();
    EXPECT_FALSE(exists("a.mp3"));
    EXPECT_FALSE(exists("c.mp3"));
    EXPECT_TRUE(exists("new .mp3"));
    EXPECT_TRUE(exists(QString::fromStdString("new " + title + ".mp3")));
    EXPECT_TRUE(exists("b.mp3"));
    // The folder was read again: the rows show the new names, nothing pending.
    std::vector<std::string> names;
    for (const auto& r : window_->rows().rename) {
        names.push_back(r.from);
        EXPECT_EQ(r.image, quilto::core::kNoImage);
    }
    EXPECT_NE(std::find(names.begin(), names.end(), "new .mp3"), names.end());
}

TEST_F(RenamePageTest, CheckRefusesClashesAndUpdateThenRenamesNothing) {
    page().addFormatStep();
    FormatListModel& format = *page().formatModel();
    format.setData(format.index(0, FormatListModel::Parameter), "Same", Qt::EditRole);
    page().selectRows({0, 1});
    page().composeNames();
    // Another file's current name is refused too.
    page().renameModel()->setData(page().renameModel()->index(2, RenameListModel::FileName), "a", Qt::EditRole);
    EXPECT_EQ(row(2).image, quilto::core::kEditedImage);

    window_->updateRenames();
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(row(i).stateImage, 3) << i;
    EXPECT_NE(row(0).message.find("Same Name"), std::string::npos);
    EXPECT_NE(row(2).message.find("Existing File"), std::string::npos);
    EXPECT_TRUE(exists("a.mp3") && exists("b.mp3") && exists("c.mp3"));
    EXPECT_FALSE(exists("Same.mp3"));
}

// A file that is gone by the time of the Update stops every rename; the rows
// keep their marks and one message names the failure.
TEST_F(RenamePageTest, UpdateRenamesNothingWhenAFileCannotBeOpened) {
    RenameListModel& model = *page().renameModel();
    model.setData(model.index(0, RenameListModel::FileName), "x", Qt::EditRole);
    model.setData(model.index(1, RenameListModel::FileName), "y", Qt::EditRole);
    ASSERT_TRUE(QFile::remove(folder_.filePath("b.mp3")));
    window_->updateRenames();
    ASSERT_EQ(renameAnswers_->errors.size(), 1);
    EXPECT_TRUE(renameAnswers_->errors.front().contains("b.mp3")) << renameAnswers_->errors.front().toStdString();
    EXPECT_TRUE(exists("a.mp3"));
    EXPECT_FALSE(exists("x.mp3"));
    EXPECT_EQ(row(0).image, quilto::core::kEditedImage);
    EXPECT_EQ(row(1).image, quilto::core::kEditedImage);
}

TEST_F(RenamePageTest, UpdateAsksBeforeDroppingUnsavedTagEdits) {
    answers_->setAll = {quilto::test::TextAnswer("Edited")};
    window_->pages()->setCurrentIndex(FormMain::Id3v2Page);
    window_->tagPage(FormMain::Id3v2Page)->selectRows({0});
    window_->tagPage(FormMain::Id3v2Page)->setAll(static_cast<int>(TagColumn::Title));
    window_->pages()->setCurrentIndex(FormMain::ReNamePage);
    page().renameModel()->setData(page().renameModel()->index(0, RenameListModel::FileName), "x", Qt::EditRole);

    window_->updateRenames();  // the answer is no
    EXPECT_EQ(renameAnswers_->dropAsked, 1);
    EXPECT_TRUE(exists("a.mp3"));
    EXPECT_EQ(row(0).image, quilto::core::kEditedImage);

    renameAnswers_->dropTagEdits = true;
    window_->updateRenames();
    EXPECT_TRUE(exists("x.mp3"));
    EXPECT_FALSE(exists("a.mp3"));
}

TEST_F(RenamePageTest, ReplaceAndConvertTabsWorkOnTheSourceColumn) {
    page().tabs()->setCurrentIndex(RenamePage::ReplaceTab);
    EXPECT_FALSE(page().replaceButton()->isEnabled());
    page().fromBox()->setEditText("a|b");
    page().toBox()->setEditText("1|2");
    EXPECT_TRUE(page().replaceButton()->isEnabled());
    page().selectRows({0, 1});
    page().replaceNames();
    EXPECT_EQ(row(0).replaceConvert, "1");
    EXPECT_EQ(row(1).replaceConvert, "2");
    EXPECT_EQ(row(2).replaceConvert, "c");  // unselected: the source text
    EXPECT_EQ(row(0).image, quilto::core::kEditedImage);
    EXPECT_EQ(row(2).image, quilto::core::kNoImage);
    EXPECT_EQ(page().renameModel()->caption(RenameListModel::FileName), "  FileName");
    EXPECT_EQ(page().renameModel()->caption(RenameListModel::ReplaceConvert), "* Replace/Convert");
    EXPECT_EQ(page().fromBox()->itemText(0), "a|b");

    // The results are the next input now.
    page().tabs()->setCurrentIndex(RenamePage::ConvertTab);
    page().selectRows({2});
    page().convertNames(1);  // "LowerCase ⇒ UpperCase"
    EXPECT_EQ(row(2).replaceConvert, "C");
    EXPECT_EQ(row(0).replaceConvert, "1");
    EXPECT_EQ(row(2).image, quilto::core::kEditedImage);

    // "Check Only" looks and marks, but changes neither names nor captions.
    page().renameModel()->setData(page().renameModel()->index(0, RenameListModel::ReplaceConvert), "a?b", Qt::EditRole);
    page().renameModel()->setCaptions("* FileName", "- Replace/Convert");
    page().headerClicked(RenameListModel::ReplaceConvert);
    ASSERT_EQ(page().renameModel()->source(), quilto::rename::SourceColumn::ReplaceConvert);
    page().selectRows({0});
    page().convertNames(RenamePage::CheckOnlyNode);
    EXPECT_EQ(row(0).replaceConvert, "a?b");
    EXPECT_EQ(row(0).message, "Check ( ? )");
    EXPECT_EQ(row(0).stateImage, 3);
    page().convertNames(RenamePage::ReplaceForbiddenNode);
    EXPECT_EQ(row(0).replaceConvert, "a\uFF1Fb");

    // Showing the FileName tab makes the file names the source again.
    page().tabs()->setCurrentIndex(RenamePage::FileNameTab);
    EXPECT_EQ(page().renameModel()->caption(RenameListModel::FileName), "* FileName");
    EXPECT_EQ(page().renameModel()->caption(RenameListModel::ReplaceConvert), "- Replace/Convert");
    page().headerClicked(RenameListModel::ReplaceConvert);  // not while composing names
    EXPECT_EQ(page().renameModel()->source(), quilto::rename::SourceColumn::FileName);
}

TEST_F(RenamePageTest, ReplaceAndConvertOnATagColumnMarkTheChangedRows) {
    window_->pages()->setCurrentIndex(FormMain::Id3v2Page);
    quilto::app::TagPage& tags = *window_->tagPage(FormMain::Id3v2Page);
    const int title = static_cast<int>(TagColumn::Title);
    answers_->setAll = {quilto::test::TextAnswer("hello world")};
    tags.selectRows({0, 1});
    tags.setAll(title);
    const std::string third = window_->rows().id3v2[2].tag.title;
    ASSERT_EQ(third.find("world"), std::string::npos);
    for (int i = 0; i < 3; ++i) tags.clickMarks(i, quilto::app::TagPage::kEditMarkLeft);
    for (std::size_t i = 0; i < 3; ++i) ASSERT_NE(window_->rows().id3v2[i].image, quilto::core::kEditedImage);

    answers_->setAll = {ReplaceAnswer("WORLD", "there")};
    tags.selectRows({0, 2});
    tags.replaceInColumn(title);
    ASSERT_EQ(answers_->setAllRequests.size(), 2u);
    EXPECT_EQ(answers_->setAllRequests.back().page, SetAllRequest::Page::Replace);
    EXPECT_EQ(answers_->setAllRequests.back().caption, "Title");
    EXPECT_EQ(window_->rows().id3v2[0].tag.title, "hello there");  // "U/L Case" clear: any case matches
    EXPECT_EQ(window_->rows().id3v2[0].image, quilto::core::kEditedImage);
    EXPECT_EQ(window_->rows().id3v2[1].tag.title, "hello world");  // not selected
    EXPECT_EQ(window_->rows().id3v2[2].tag.title, third);
    EXPECT_NE(window_->rows().id3v2[2].image, quilto::core::kEditedImage);  // nothing replaced
    // The histories belong to the rename page.
    EXPECT_EQ(page().fromBox()->itemText(0), "WORLD");
    EXPECT_EQ(page().toBox()->itemText(0), "there");

    // With "U/L Case" set only the same case matches.
    answers_->setAll = {ReplaceAnswer("HELLO", "bye", true)};
    tags.selectRows({0});
    tags.replaceInColumn(title);
    EXPECT_EQ(window_->rows().id3v2[0].tag.title, "hello there");
    EXPECT_TRUE(page().matchCaseBox()->isChecked());
    EXPECT_TRUE(answers_->setAllRequests.back().fromHistory.contains("WORLD"));

    tags.selectRows({0, 1});
    tags.convertColumn(title, quilto::rename::Conversion::CapitalizeWords);
    EXPECT_EQ(window_->rows().id3v2[0].tag.title, "Hello There");
    EXPECT_EQ(window_->rows().id3v2[1].tag.title, "Hello World");
    EXPECT_EQ(window_->rows().id3v2[1].image, quilto::core::kEditedImage);

    // Cancel changes nothing.
    answers_->setAll.clear();
    tags.replaceInColumn(title);
    EXPECT_EQ(window_->rows().id3v2[0].tag.title, "Hello There");
}

TEST_F(RenamePageTest, OptionsAreKeptOnlyAfterOk) {
    renameAnswers_->options.reset();
    window_->editRenameOptions();
    EXPECT_FALSE(QFile::exists(settings_.filePath("Quilto.ini")) &&
                 quilto::core::IniFile::Load(settings_.filePath("Quilto.ini").toStdString())
                     .value("OptionRen", "TimeSep")
                     .has_value());

    RenameOptions options;
    options.timeSeparator = "-";
    renameAnswers_->options = options;
    window_->editRenameOptions();
    const auto file = quilto::core::IniFile::Load(settings_.filePath("Quilto.ini").toStdString());
    EXPECT_EQ(file.value("OptionRen", "TimeSep"), "/-/");

    // The Time parameters now carry the new separator.
    page().addFormatStep();
    FormatListModel& format = *page().formatModel();
    format.setData(format.index(0, FormatListModel::Item), "Time", Qt::EditRole);
    format.setData(format.index(0, FormatListModel::Parameter), "mmm-ss", Qt::EditRole);
    page().selectRows({0});
    page().composeNames();
    EXPECT_NE(row(0).fileName.find('-'), std::string::npos);
}

TEST(RenameOptionsDialog, RefusesTextsThatCannotStandInAName) {
    struct Case {
        const char* name;
        int field;  // -1: the time separator, else a replacement
        const char* text;
        bool accepted;
    };
    const Case cases[] = {
        {"slash as replacement", 0, "/", false}, {"dot dot", 3, "..", false},   {"lone dot", 8, ".", false},
        {"control character", 4, "\t", false},  {"colon as separator", -1, ":", false},
        {"two ASCII", 1, "-_", true},            {"empty", 2, "", true},          {"one wide", 5, "\u2019", true},
        {"separator", -1, "~", true},
    };
    for (const Case& c : cases) {
        RenameOptionsDialog dialog(nullptr, RenameOptions{});
        QLineEdit* field = c.field < 0 ? dialog.timeSeparatorField() : dialog.replacementField(c.field);
        field->setText(QString::fromUtf8(c.text));
        dialog.accept();
        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted) << c.name;
        EXPECT_EQ(dialog.problem().isEmpty(), c.accepted) << c.name;
        if (c.accepted) {
            const RenameOptions chosen = dialog.options();
            const std::string& kept = c.field < 0 ? chosen.timeSeparator
                                                  : chosen.forbiddenReplacements[static_cast<std::size_t>(c.field)];
            EXPECT_EQ(kept, c.text) << c.name;
        }
    }
}

TEST(RenameOptionsDialog, ShowsAndReturnsEveryOption) {
    RenameOptions options;
    options.wordDelimiters = " -";
    options.extensionCase = quilto::rename::ExtensionCase::Upper;
    options.forbiddenReplacements[6] = "(";
    RenameOptionsDialog dialog(nullptr, options);
    EXPECT_TRUE(dialog.extensionButton(1)->isChecked());
    EXPECT_EQ(dialog.delimiterField()->text(), " -");
    EXPECT_EQ(dialog.options(), options);
    dialog.extensionButton(2)->setChecked(true);
    EXPECT_EQ(dialog.options().extensionCase, quilto::rename::ExtensionCase::Lower);
}

TEST(FormatRows, MoveAsABlockOntoTheDropRow) {
    struct Case {
        std::vector<int> rows;
        int target;
        std::string result;
        std::vector<int> placed;
    };
    const Case cases[] = {
        {{0}, 2, "bcade", {2}},          // down: behind the target
        {{3, 4}, 1, "adebc", {1, 2}},    // up: before it
        {{0, 2}, 4, "bdeac", {3, 4}},    // several, kept in order
        {{1, 2}, 2, "abcde", {}},        // onto itself: nothing
        {{1}, 9, "abcde", {}},           // outside: nothing
    };
    for (const Case& c : cases) {
        std::vector<char> items = {'a', 'b', 'c', 'd', 'e'};
        const std::vector<int> placed = quilto::app::MoveRows(items, c.rows, c.target);
        EXPECT_EQ(std::string(items.begin(), items.end()), c.result) << c.result;
        EXPECT_EQ(placed, c.placed) << c.result;
    }
}

TEST(RenamePageSettings, PairsHistoryAndFormatRoundTrip) {
    quilto::app::RenamePageSettings settings;
    settings.steps = {FormatStep::Make(FormatItem::Text, " - "), FormatStep::Make(FormatItem::TagV2, "Title")};
    settings.history.from = {"a*", "b"};
    settings.history.to = {"x"};
    settings.history.matchCase = true;
    settings.pairs = {{" name ", "a|b", " to "}, {"", "c", ""}};
    quilto::core::IniFile file;
    file.write("ReName", "RLC-7", "/left over/");
    settings.store(file);
    EXPECT_FALSE(file.value("ReName", "RLC-7").has_value());
    quilto::app::RenamePageSettings reread;
    reread.load(quilto::core::IniFile::Parse(file.text()));
    EXPECT_EQ(reread, settings);
}

}  // namespace

namespace {

using quilto::app::TrackListPage;

// The pack and unpack lists' Replace and Convert: the header row alone, or
// the selected rows of the cue and track lists; other columns have none.
TEST(TrackListTextCommands, ReplaceAndConvertTheChosenCells) {
    TrackListPage page(quilto::pack::Page::Pack);
    quilto::pack::TrackPage& data = page.data();
    data.header.title = "old album";
    for (const char* title : {"one old", "two old", "three old"}) {
        quilto::pack::TrackRow track;
        track.title = title;
        track.artist = "old band";
        data.tracks.push_back(track);
        quilto::pack::CueRow cue;
        cue.title = title;
        data.cues.push_back(cue);
    }
    page.refresh();
    QStringList captions;
    quilto::app::TextCommands commands;
    commands.askReplace = [&captions](QWidget*, const QString& caption, const QString&) {
        captions << caption;
        return std::optional<quilto::rename::ReplaceRequest>({"old", "new", false});
    };
    page.setTextCommands(commands);
    page.selectTrackRows({0, 2});

    using Target = TrackListPage::Target;
    EXPECT_TRUE(page.replaceInColumn(Target::TrackList, quilto::app::TrackListModel::Title));
    EXPECT_EQ(data.tracks[0].title, "one new");
    EXPECT_EQ(data.tracks[1].title, "two old");
    EXPECT_EQ(data.tracks[2].title, "three new");
    EXPECT_EQ(data.tracks[0].artist, "old band");
    EXPECT_EQ(captions.value(0), "Title");

    EXPECT_TRUE(page.replaceInColumn(Target::Header, quilto::app::CueHeaderModel::Title));
    EXPECT_EQ(data.header.title, "new album");

    EXPECT_TRUE(page.convertColumn(Target::TrackList, quilto::app::TrackListModel::Artist,
                                   quilto::rename::Conversion::Upper));
    EXPECT_EQ(data.tracks[2].artist, "OLD BAND");
    EXPECT_EQ(data.tracks[1].artist, "old band");
    EXPECT_EQ(data.cues[0].title, "one old");  // no cue row selected

    EXPECT_FALSE(page.convertColumn(Target::TrackList, quilto::app::TrackListModel::Frames,
                                    quilto::rename::Conversion::Upper));
    EXPECT_FALSE(page.replaceInColumn(Target::CueList, quilto::app::CueListModel::Index));
}

}  // namespace

namespace {

// The format list edited in place: the Parameter cell takes the drop-down of
// its row's item, or a text editor for "Text"; a new item empties the
// parameter; the preview follows every commit.
TEST_F(RenamePageTest, FormatCellsOpenTheEditorOfTheirItem) {
    page().tabs()->setCurrentIndex(RenamePage::FileNameTab);
    page().addFormatStep();
    page().addFormatStep();
    FormatListModel& format = *page().formatModel();
    format.setData(format.index(0, FormatListModel::Parameter), "x", Qt::EditRole);
    format.setData(format.index(1, FormatListModel::Item), "MP3", Qt::EditRole);
    auto& view = *page().formatList();
    view.resize(400, 200);

    const auto open = [&view, &format](int row, int column) -> QWidget* {
        const QPoint at = view.visualRect(format.index(row, column)).center();
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, at);
        return view.openEditor();
    };
    auto* dropDown = qobject_cast<QComboBox*>(open(1, FormatListModel::Parameter));
    ASSERT_NE(dropDown, nullptr);
    ASSERT_EQ(dropDown->count(), 5);
    EXPECT_EQ(dropDown->itemText(2), "CBR/VBR ");
    dropDown->setCurrentIndex(1);
    QTest::keyClick(dropDown, Qt::Key_Return);
    EXPECT_EQ(format.steps()[1].parameter, "Bitrate");
    EXPECT_TRUE(page().previewHtml().contains("<span style=\"color:#008000\">Bitrate</span>"));

    EXPECT_NE(qobject_cast<QLineEdit*>(open(0, FormatListModel::Parameter)), nullptr);
    view.closeOpenEditor();

    auto* items = qobject_cast<QComboBox*>(open(1, FormatListModel::Item));
    ASSERT_NE(items, nullptr);
    EXPECT_EQ(items->count(), 7);
    items->setCurrentIndex(items->findText("Time"));
    QTest::keyClick(items, Qt::Key_Return);
    EXPECT_EQ(format.steps()[1].item, "Time");
    EXPECT_EQ(format.steps()[1].parameter, "");
}

}  // namespace
