// "Option" > "General", "Option" > "ID3Tag Genre" and "Help" > "About": the
// real dialogs driven by a script, what OK stores and applies at once, what
// Cancel leaves alone, and the program fields' fallbacks.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ExternalEditor.h"
#include "app/FormMain.h"
#include "app/HelpWindow.h"
#include "app/OptionDialogs.h"
#include "app/TagPage.h"
#include "core/IniFile.h"
#include "core/TextCodec.h"
#include "edit/EditableListView.h"
#include "support/IniKeys.h"
#include "support/MenuLookup.h"

namespace {

using quilto::app::AboutDialog;
using quilto::app::EditorCommand;
using quilto::app::FormMain;
using quilto::app::HelpWindow;
using quilto::app::GeneralOptions;
using quilto::app::GeneralOptionsDialog;
using quilto::app::GenreDialog;
using quilto::app::GenreSettings;
using quilto::test::FindAction;
using quilto::test::KeysOf;
using quilto::test::MainMenu;

const QString kFixtures = QStringLiteral(QUILTO_FIXTURE_DIR);

// Each dialog's script works the real dialog and answers OK (true) or Cancel.
struct OptionScript {
    std::function<bool(GeneralOptionsDialog&)> general;
    std::function<bool(GenreDialog&)> genres;
    int aboutShown = 0;
    QStringList errors;
};

class ScriptedOptionDialogs final : public quilto::app::OptionDialogs {
public:
    explicit ScriptedOptionDialogs(std::shared_ptr<OptionScript> script) : script_(std::move(script)) {}
    bool editGeneral(QWidget* owner, GeneralOptions& options) override {
        GeneralOptionsDialog dialog(owner, options, [](QWidget*, const QString&) { return std::optional<QString>(); });
        if (!script_->general || !script_->general(dialog)) return false;
        options = dialog.options();
        return true;
    }
    std::optional<GenreSettings> editGenres(QWidget* owner, const GenreSettings& current) override {
        GenreDialog dialog(owner, current);
        if (!script_->genres || !script_->genres(dialog)) return std::nullopt;
        return dialog.settings();
    }
    void showAbout(QWidget*) override { ++script_->aboutShown; }
    void showError(QWidget*, const QString& message, const QString&) override { script_->errors << message; }

private:
    std::shared_ptr<OptionScript> script_;
};

// Writes an executable (or, with executable false, a plain) file; its path.
QString MakeProgram(const QTemporaryDir& dir, const QString& name, bool executable = true) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write("#!/bin/sh\nexit 0\n");
    file.close();
    file.setPermissions(executable ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                   : QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

class OptionDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid() && settings_.isValid() && runtime_.isValid() && programs_.isValid());
        qputenv("QUILTO_CONFIG_DIR", settings_.path().toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
        ASSERT_TRUE(QFile::copy(kFixtures + "/tag_mutagen_v23.mp3", folder_.filePath("a.mp3")));
        QFile::setPermissions(folder_.filePath("a.mp3"), QFile::ReadOwner | QFile::WriteOwner);
    }
    void TearDown() override {
        window_.reset();
        qunsetenv("QUILTO_CONFIG_DIR");
        qunsetenv("XDG_RUNTIME_DIR");
        quilto::core::SetLegacyCodePage("CP932");
    }
    // Starts the window over a settings file holding `ini` (none when empty).
    void open(const QByteArray& ini = {}) {
        if (!ini.isEmpty()) {
            QFile file(iniPath());
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(ini);
        }
        window_ = std::make_unique<FormMain>(QStringList{folder_.filePath("a.mp3")});
        window_->show();
        window_->runFirstIdle();
        window_->setOptionDialogs(std::make_unique<ScriptedOptionDialogs>(script_));
        ASSERT_EQ(window_->rows().size(), 1u);
    }
    QString iniPath() const { return settings_.filePath("Quilto.ini"); }
    QByteArray iniBytes() const {
        QFile file(iniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    quilto::core::IniFile ini() const { return quilto::core::IniFile::Load(iniPath().toStdString()); }
    void choose(const char* menu, const char* command) {
        QAction* action = FindAction(MainMenu(*window_, QString::fromLatin1(menu)), QString::fromLatin1(command));
        ASSERT_NE(action, nullptr) << command;
        ASSERT_TRUE(action->isEnabled()) << command;
        action->trigger();
    }
    // Entries of a tag page's genre drop-down, as the cell editor offers them.
    int genreChoices(FormMain::Page which) {
        window_->pages()->setCurrentIndex(which);
        auto* list = window_->tagPage(which)->view();
        const QModelIndex index = list->model()->index(0, static_cast<int>(quilto::tags::TagColumn::Genre));
        list->scrollTo(index);
        const QPoint at = list->visualRect(index).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        auto* combo = qobject_cast<QComboBox*>(list->openEditor());
        const int count = combo ? combo->count() : -1;
        list->closeOpenEditor();
        return count;
    }

    QTemporaryDir folder_;
    QTemporaryDir settings_;
    QTemporaryDir runtime_;
    QTemporaryDir programs_;
    std::shared_ptr<OptionScript> script_ = std::make_shared<OptionScript>();
    std::unique_ptr<FormMain> window_;
};

// ------------------------------------------------------------ General Option

TEST_F(OptionDialogsTest, GeneralOkStoresTheKeysInOrderAndAppliesThem) {
    const QString editor = MakeProgram(programs_, QStringLiteral("my-editor"));
    const QString player = MakeProgram(programs_, QStringLiteral("my-player"));
    open();
    const GeneralOptions before = window_->generalOptions();
    script_->general = [&](GeneralOptionsDialog& d) {
        // The controls start from the options in use.
        EXPECT_EQ(d.windowTitle(), QStringLiteral("General Option"));
        EXPECT_TRUE(d.syncSafeBox()->isChecked());
        EXPECT_FALSE(d.supportTagBox()->isChecked());
        EXPECT_FALSE(d.unicodeTagBox()->isChecked());
        EXPECT_EQ(d.codePageChoice()->currentText(), QStringLiteral("CP932"));
        d.syncSafeBox()->setChecked(false);
        d.cueSheetBox()->setChecked(false);
        d.backupBox()->setChecked(false);
        d.supportTagBox()->setChecked(true);
        d.unicodeTagBox()->setChecked(true);
        d.codePageChoice()->setCurrentText(QStringLiteral("CP1251"));
        d.editorField()->setText(editor);
        d.playerField()->setText(player);
        d.parameterField()->setText(QStringLiteral("--enqueue"));
        return true;
    };
    choose("Option", "General");

    GeneralOptions expected;
    expected.syncSafe = expected.cueSheet = expected.backup = false;
    expected.supportTag = expected.unicodeTag = true;
    expected.codePage = "CP1251";
    expected.editor = editor.toStdString();
    expected.player = player.toStdString();
    expected.playerPrm = "--enqueue";
    EXPECT_NE(before, expected);
    EXPECT_EQ(window_->generalOptions(), expected);
    EXPECT_EQ(quilto::core::LegacyCodec().codePage(), "CP1251");
    EXPECT_EQ(KeysOf(iniBytes().toStdString(), "OptionGen"),
              (std::vector<std::string>{"SyncSafe", "CueSheet", "Backup", "SupportTag", "Editor", "Player", "PlayerPrm",
                                        "UnicodeTag", "CodePage"}));
    GeneralOptions stored;
    stored.load(ini());
    EXPECT_EQ(stored, expected);
    EXPECT_TRUE(script_->errors.isEmpty());
}

TEST_F(OptionDialogsTest, CancelChangesNothing) {
    open("[OptionGen]\nPlayer=sh\nPlayerPrm=-x\n[Genre]\nExt=1\n");
    const QByteArray file = iniBytes();
    const GeneralOptions options = window_->generalOptions();
    const std::vector<std::string> genres = window_->genres().id3v1Names();
    script_->general = [](GeneralOptionsDialog& d) {
        d.backupBox()->setChecked(false);
        d.playerField()->clear();
        d.codePageChoice()->setCurrentText(QStringLiteral("KOI8-R"));
        return false;
    };
    script_->genres = [](GenreDialog& d) {
        d.headerClicked(GenreDialog::NumberColumn);
        d.headerClicked(GenreDialog::CustomColumn);
        return false;
    };
    choose("Option", "General");
    choose("Option", "ID3Tag Genre");
    EXPECT_EQ(window_->generalOptions(), options);
    EXPECT_EQ(window_->genres().id3v1Names(), genres);
    EXPECT_EQ(quilto::core::LegacyCodec().codePage(), "CP932");
    EXPECT_EQ(iniBytes(), file);
}

// What OK makes of the program fields. "existing" is an executable file, or
// a bare name found on PATH.
TEST_F(OptionDialogsTest, ProgramFieldsFallBack) {
    const QString program = MakeProgram(programs_, QStringLiteral("prog"));
    const QString plain = MakeProgram(programs_, QStringLiteral("notes.txt"), false);
    const struct {
        const char* name;
        QString editor, player, parameter;
        std::string wantEditor, wantPlayer, wantParameter;
    } cases[] = {
        {"kept", program, program, "-q", program.toStdString(), program.toStdString(), "-q"},
        {"bare names on PATH", "sh", "sh", "-q", "sh", "sh", "-q"},
        {"empty player drops the parameter", program, "", "-q", program.toStdString(), "", ""},
        {"missing programs", "/no/such/editor", "/no/such/player", "-q", "", "", ""},
        {"not executable", plain, plain, "-q", "", "", ""},
        {"a folder", programs_.path(), programs_.path(), "-q", "", "", ""},
        {"a bare name not on PATH", "no-such-program-here", "no-such-program-here", "-q", "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GeneralOptionsDialog dialog(nullptr, GeneralOptions{});
        dialog.editorField()->setText(c.editor);
        dialog.playerField()->setText(c.player);
        dialog.parameterField()->setText(c.parameter);
        const GeneralOptions result = dialog.options();
        EXPECT_EQ(result.editor, c.wantEditor);
        EXPECT_EQ(result.player, c.wantPlayer);
        EXPECT_EQ(result.playerPrm, c.wantParameter);
    }
}

TEST_F(OptionDialogsTest, BrowseButtonsPutTheChosenProgramIntoTheirField) {
    QStringList asked;
    std::optional<QString> answer = QStringLiteral("/bin/sh");
    GeneralOptions options;
    options.editor = "ed";
    options.player = "pl";
    GeneralOptionsDialog dialog(nullptr, options, [&](QWidget*, const QString& current) {
        asked << current;
        return answer;
    });
    dialog.findChild<QPushButton*>(QStringLiteral("editorBrowse"))->click();
    EXPECT_EQ(dialog.editorField()->text(), QStringLiteral("/bin/sh"));
    answer.reset();  // Cancel in the file dialog
    dialog.findChild<QPushButton*>(QStringLiteral("playerBrowse"))->click();
    EXPECT_EQ(dialog.playerField()->text(), QStringLiteral("pl"));
    EXPECT_EQ(asked, (QStringList{"ed", "pl"}));
}

// The default editor: the first known desktop editor on PATH, started so that
// it stays until the user closes the file; else the desktop's opener.
TEST_F(OptionDialogsTest, EditorCommands) {
    const QByteArray path = qgetenv("PATH");
    QTemporaryDir bin;
    ASSERT_TRUE(bin.isValid());
    qputenv("PATH", bin.path().toLocal8Bit());
    GeneralOptions options;
    EXPECT_EQ(quilto::app::EditorProgram(options), (EditorCommand{"xdg-open", {}}));
    const QString kate = MakeProgram(bin, QStringLiteral("kate"));
    EXPECT_EQ(quilto::app::EditorProgram(options), (EditorCommand{kate, {"--block"}}));
    const QString gedit = MakeProgram(bin, QStringLiteral("gedit"));
    EXPECT_EQ(quilto::app::EditorProgram(options), (EditorCommand{gedit, {"--wait"}}));
    // A chosen editor gets its argument by name; an unknown one none.
    options.editor = "/opt/x/pluma";
    EXPECT_EQ(quilto::app::EditorProgram(options), (EditorCommand{"/opt/x/pluma", {"--wait"}}));
    options.editor = "/usr/bin/mousepad";
    EXPECT_EQ(quilto::app::EditorProgram(options), (EditorCommand{"/usr/bin/mousepad", {}}));
    qputenv("PATH", path);
}

TEST_F(OptionDialogsTest, StoredCodePageAppliesAtStartAndAnUnknownOneFallsBack) {
    open("[OptionGen]\nCodePage=cp1251\nUnicodeTag=1\n");
    EXPECT_EQ(window_->generalOptions().codePage, "CP1251");
    EXPECT_TRUE(window_->generalOptions().unicodeTag);
    EXPECT_EQ(quilto::core::LegacyCodec().codePage(), "CP1251");
    window_.reset();
    QFile::remove(iniPath());
    open("[OptionGen]\nCodePage=EBCDIC-NONSENSE\n");
    EXPECT_EQ(window_->generalOptions().codePage, "CP932");
    EXPECT_FALSE(window_->generalOptions().unicodeTag);
    EXPECT_EQ(quilto::core::LegacyCodec().codePage(), "CP932");
}

TEST_F(OptionDialogsTest, ASettingsWriteFailureIsReportedAndTheOptionsStillApply) {
    // A folder below a plain file cannot be created, not even by root.
    QFile blocker(settings_.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("QUILTO_CONFIG_DIR", settings_.filePath("blocker/quilto").toLocal8Bit());
    open();
    script_->general = [](GeneralOptionsDialog& d) {
        d.backupBox()->setChecked(false);
        return true;
    };
    script_->genres = [](GenreDialog&) { return true; };
    choose("Option", "General");
    choose("Option", "ID3Tag Genre");
    ASSERT_EQ(script_->errors.size(), 2);
    for (const QString& error : script_->errors) EXPECT_TRUE(error.contains(QStringLiteral("could not be saved"))) << error.toStdString();
    EXPECT_FALSE(window_->generalOptions().backup);
}

// ------------------------------------------------------------- ID3Tag Genre

TEST_F(OptionDialogsTest, GenreHeaderClicks) {
    GenreSettings current;
    current.extended = false;
    for (std::size_t i = 0; i < current.names.size(); ++i) current.names[i] = std::string(quilto::core::BuiltInGenreNames()[i]);
    current.names[0] = "My Blues";
    GenreDialog d(nullptr, current);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("ID3Tag Genre"));
    QHeaderView* header = d.list()->horizontalHeader();
    const auto caption = [&] { return d.list()->horizontalHeaderItem(0)->text(); };
    const auto images = [&] {
        std::vector<int> all;
        for (int i = 0; i < 256; ++i) all.push_back(d.checkImage(i));
        return all;
    };
    EXPECT_EQ(d.list()->rowCount(), 256);
    EXPECT_EQ(d.list()->item(7, 0)->text(), QStringLiteral("   7"));
    EXPECT_EQ(caption(), QStringLiteral(" 0-147"));
    const std::vector<int> start = images();
    EXPECT_EQ(start[0], GenreDialog::Always);
    EXPECT_EQ(start[147], GenreDialog::Always);
    EXPECT_EQ(start[148], GenreDialog::Off);

    emit header->sectionClicked(0);
    EXPECT_EQ(caption(), QStringLiteral(" 0-255"));
    EXPECT_EQ(d.checkImage(147), GenreDialog::Always);
    EXPECT_EQ(d.checkImage(148), GenreDialog::On);
    EXPECT_EQ(d.checkImage(255), GenreDialog::On);
    emit header->sectionClicked(0);
    EXPECT_EQ(caption(), QStringLiteral(" 0-147"));
    EXPECT_EQ(images(), start);

    // "Default" copies the built-in names, but not the placeholders 148..247.
    emit header->sectionClicked(1);
    EXPECT_EQ(d.customName(0), QStringLiteral("Blues"));
    EXPECT_EQ(d.customName(147), QStringLiteral("Synthpop"));
    EXPECT_EQ(d.customName(148), QString());
    EXPECT_EQ(d.customName(247), QString());
    EXPECT_EQ(d.customName(248), QStringLiteral("Heavy Rock(J)"));
    emit header->sectionClicked(2);
    for (const int row : {0, 147, 248, 255}) EXPECT_EQ(d.customName(row), QString()) << row;
}

TEST_F(OptionDialogsTest, GenreCellClicksOnAnArmedRow) {
    GenreSettings current;
    for (std::size_t i = 0; i < current.names.size(); ++i) current.names[i] = std::string(quilto::core::BuiltInGenreNames()[i]);
    GenreDialog d(nullptr, current);
    d.cellClicked(5, GenreDialog::DefaultColumn);  // not armed
    EXPECT_EQ(d.customName(5), QString());
    d.cellDoubleClicked(5, GenreDialog::NumberColumn);
    d.cellClicked(5, GenreDialog::DefaultColumn);
    EXPECT_EQ(d.customName(5), QStringLiteral("Funk"));
    d.cellDoubleClicked(200, GenreDialog::NumberColumn);
    d.cellClicked(200, GenreDialog::DefaultColumn);
    EXPECT_EQ(d.customName(200), QString());

    // The Custom cell opens an editor whose text OK takes even while open.
    d.cellDoubleClicked(9, GenreDialog::NumberColumn);
    d.cellClicked(9, GenreDialog::CustomColumn);
    auto* editor = qobject_cast<QLineEdit*>(d.list()->indexWidget(d.list()->model()->index(9, GenreDialog::CustomColumn)));
    if (!editor) editor = d.list()->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("Doom"));
    const GenreSettings chosen = d.settings();
    EXPECT_EQ(chosen.names[9], "Doom");
    EXPECT_EQ(chosen.names[5], "Funk");
    EXPECT_EQ(chosen.names[10], "New Age");
}

TEST_F(OptionDialogsTest, CustomHeaderThenOkWritesTheBuiltInNamesAndRefillsTheLists) {
    open("[Genre]\nExt=0\n000=My Blues\n017=My Rock\n");
    ASSERT_EQ(window_->genres().id3v2Names()[0], "My Blues");
    script_->genres = [](GenreDialog& d) {
        EXPECT_EQ(d.customName(0), QStringLiteral("My Blues"));
        EXPECT_EQ(d.customName(1), QString());
        emit d.list()->horizontalHeader()->sectionClicked(GenreDialog::CustomColumn);
        return true;
    };
    choose("Option", "ID3Tag Genre");
    const quilto::core::IniFile file = ini();
    std::vector<std::string> expectedKeys{"Ext"};
    for (int i = 0; i < 256; ++i) expectedKeys.push_back(QString::asprintf("%03d", i).toStdString());
    // Keys already in the file keep their place.
    std::vector<std::string> keys = KeysOf(iniBytes().toStdString(), "Genre");
    std::sort(keys.begin(), keys.end());
    std::sort(expectedKeys.begin(), expectedKeys.end());
    EXPECT_EQ(keys, expectedKeys);
    EXPECT_FALSE(file.readBool("Genre", "Ext", true));
    for (std::size_t i = 0; i < 256; ++i) {
        EXPECT_EQ(file.readString("Genre", QString::asprintf("%03zu", i).toStdString(), ""),
                  quilto::core::BuiltInGenreNames()[i]);
    }
    // Extended genres off: the lists hold 148 names, the built-in ones.
    EXPECT_EQ(window_->genres().id3v1Names().size(), 148u);
    EXPECT_EQ(window_->genres().id3v2Names()[0], "Blues");
    EXPECT_EQ(window_->genres().id3v2Names()[17], "Rock");
    EXPECT_EQ(genreChoices(FormMain::Id3v1Page), 148);
    EXPECT_EQ(genreChoices(FormMain::Id3v2Page), 148);
}

// With all 256 genres, byte 255 keeps meaning "no genre" after OK as after a
// start, and a name the user gave 255 is neither lost nor shown as empty.
TEST_F(OptionDialogsTest, GenreOkKeeps255AsNoGenre) {
    for (const char* stored : {"", "255=Anisong\n"}) {
        SCOPED_TRACE(stored);
        window_.reset();
        QFile::remove(iniPath());
        open(QByteArray("[Genre]\nExt=0\n250=Mine(J)\n") + stored);
        const std::string name255 = *stored ? "Anisong" : "Anime(J)";
        script_->genres = [&](GenreDialog& d) {
            // Off, yet the names beyond 147 are the stored ones.
            EXPECT_EQ(d.customName(250), QStringLiteral("Mine(J)"));
            EXPECT_EQ(d.customName(255).toStdString(), *stored ? name255 : "");
            d.headerClicked(GenreDialog::NumberColumn);
            return true;
        };
        choose("Option", "ID3Tag Genre");
        const auto& genres = window_->genres();
        ASSERT_EQ(genres.id3v1Names().size(), 256u);
        EXPECT_EQ(genres.id3v1Names()[255], "");
        EXPECT_EQ(genres.id3v2Names()[255], name255);
        EXPECT_EQ(genres.id3v2Names()[250], "Mine(J)");
        EXPECT_EQ(genres.id3v1Genre(255), "");
        EXPECT_EQ(genres.id3v1Number(""), 255u);
        EXPECT_EQ(ini().readString("Genre", "255", ""), name255);
        EXPECT_TRUE(ini().readBool("Genre", "Ext", false));
        EXPECT_EQ(genreChoices(FormMain::Id3v2Page), 256);

        // Opened again, the dialog shows the same names.
        script_->genres = [&](GenreDialog& d) {
            EXPECT_EQ(d.customName(255).toStdString(), *stored ? name255 : "");
            EXPECT_TRUE(d.extended());
            return true;
        };
        choose("Option", "ID3Tag Genre");
        EXPECT_EQ(window_->genres().id3v1Names()[255], "");
    }
}

// --------------------------------------------------------------------- About

TEST_F(OptionDialogsTest, AboutBox) {
    open();
    choose("Help", "About");
    EXPECT_EQ(script_->aboutShown, 1);

    AboutDialog about(window_.get());
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Quiltotrackery"));
    EXPECT_TRUE(about.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    auto* ok = about.findChild<QPushButton*>(QStringLiteral("ok"));
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    about.show();
    QTest::keyClick(&about, Qt::Key_Escape);
    EXPECT_FALSE(about.isVisible());
    about.show();
    ok->click();
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

// F1 opens the manual at the part in use: the main window's page, or a
// modal dialog, whose help window must not be blocked by the dialog.
TEST_F(OptionDialogsTest, F1OpensTheManualAtThePartInUse) {
    open();
    QString shown;
    bool unblocked = false;
    script_->general = [&](GeneralOptionsDialog& d) {
        QTimer::singleShot(0, &d, [&] {
            d.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
            QTest::keyClick(d.focusWidget() ? d.focusWidget() : &d, Qt::Key_F1);
            if (auto* help = d.findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly)) {
                shown = help->currentSource();
                // Qt blocks every window outside the modal dialog's own.
                unblocked = help->isVisible() && help->parentWidget() == QApplication::activeModalWidget();
            }
            d.reject();
        });
        d.exec();
        return false;
    };
    choose("Option", "General");
    EXPECT_TRUE(shown.endsWith(QStringLiteral("#ctx-201"))) << shown.toStdString();
    EXPECT_TRUE(unblocked);

    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    window_->pages()->setCurrentIndex(FormMain::ReNamePage);
    QWidget* list = window_->pages()->currentWidget()->findChild<QAbstractItemView*>();
    ASSERT_NE(list, nullptr);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_F1);
    auto* help = window_->findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->currentSource().endsWith(QStringLiteral("#ctx-307"))) << help->currentSource().toStdString();
}

}  // namespace
