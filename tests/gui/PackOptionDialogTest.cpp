// The pack and extract option dialogs: controls show the stored choices,
// the rules follow the user's clicks, OK remembers and Cancel forgets.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

#include "app/AppSettings.h"
#include "core/IniFile.h"
#include "pack/ui/ExtractOptionDialog.h"
#include "pack/ui/PackOptionDialog.h"
#include "support/TempFolder.h"

using namespace quilto::pack;
using quilto::app::AppSettings;
using quilto::core::IniFile;
using quilto::pack::ui::ExtractOptionDialog;
using quilto::pack::ui::PackOptionDialog;
using quilto::test::TempFolder;

namespace {

class OptionDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.location.folder = folder.path().substr(0, folder.path().size() - 1);
    }
    IniFile saved() const { return IniFile::Load(settings.location.iniPath()); }

    // Runs the dialog and presses OK or Cancel once it is shown.
    template <typename Dialog>
    auto runAndPress(Dialog& dialog, QDialogButtonBox::StandardButton which) {
        QTimer::singleShot(0, &dialog, [&dialog, which] {
            dialog.template findChild<QDialogButtonBox*>()->button(which)->click();
        });
        return dialog.run();
    }

    template <typename T>
    static T* child(const QWidget& dialog, const char* name) {
        T* widget = dialog.findChild<T*>(QString::fromLatin1(name));
        if (widget == nullptr) ADD_FAILURE() << "no control " << name;
        return widget;
    }

    TempFolder folder;
    AppSettings settings;
};

TEST_F(OptionDialogTest, PackControlsShowTheStoredChoices) {
    settings.file = IniFile::Parse(
        "[PackOption]\nFormat=2\nFormatExt=1\nCueSheet=2\nRemoveID3v1=0\nRemoveXing=1\nID3v2Tag=0\n"
        "SilentTop=1\nSilentTopNo=12\nSilentLastNo=150\n");
    PackOptionDialog dialog(nullptr, settings);
    EXPECT_EQ(dialog.windowTitle(), "Packed MP3 Option");
    EXPECT_TRUE(child<QRadioButton>(dialog, "format2")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(dialog, "cueSheet2")->isChecked());
    EXPECT_EQ(child<QRadioButton>(dialog, "cueSheet2")->text(), "Cancel");
    EXPECT_FALSE(child<QCheckBox>(dialog, "removeId3v1")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(dialog, "removeId3v2")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(dialog, "removeXing")->isChecked());
    EXPECT_EQ(child<QLabel>(dialog, "extension")->text(), ".zip.mp3");
    EXPECT_FALSE(child<QLineEdit>(dialog, "artist")->isEnabled());  // "ID3v2 Tag" off
    EXPECT_EQ(child<QSpinBox>(dialog, "topCount")->value(), 12);
    EXPECT_EQ(child<QSpinBox>(dialog, "lastCount")->value(), 99);
    // Zip: no Xing or silent frames, whatever is stored.
    EXPECT_FALSE(child<QCheckBox>(dialog, "addXing")->isEnabled());
    EXPECT_FALSE(child<QCheckBox>(dialog, "top")->isEnabled());
    EXPECT_FALSE(child<QSpinBox>(dialog, "topCount")->isEnabled());
}

TEST_F(OptionDialogTest, PackRulesFollowClicks) {
    PackOptionDialog dialog(nullptr, settings);  // defaults: Pack, no Ext
    PackOptions preset;
    preset.silentTop = true;
    dialog.applyPreset(preset, PackPreset{false, true, true, "Band", "Album"});
    EXPECT_EQ(child<QLineEdit>(dialog, "artist")->text(), "Band");
    EXPECT_EQ(child<QLineEdit>(dialog, "title")->text(), "Album");
    EXPECT_TRUE(child<QCheckBox>(dialog, "entire")->isEnabled());
    EXPECT_TRUE(child<QSpinBox>(dialog, "topCount")->isEnabled());
    EXPECT_FALSE(child<QSpinBox>(dialog, "lastCount")->isEnabled());

    child<QCheckBox>(dialog, "ext")->click();
    EXPECT_EQ(child<QLabel>(dialog, "extension")->text(), ".pac.mp3");
    child<QRadioButton>(dialog, "format0")->click();  // Bind
    EXPECT_EQ(child<QLabel>(dialog, "extension")->text(), ".mp3");
    EXPECT_FALSE(child<QCheckBox>(dialog, "ext")->isEnabled());
    EXPECT_FALSE(child<QCheckBox>(dialog, "entire")->isEnabled());
    EXPECT_FALSE(child<QSpinBox>(dialog, "topCount")->isEnabled());
    child<QRadioButton>(dialog, "format3")->click();  // Lha
    EXPECT_EQ(child<QLabel>(dialog, "extension")->text(), ".lzh.mp3");
    child<QCheckBox>(dialog, "id3v2Tag")->click();
    EXPECT_FALSE(child<QLineEdit>(dialog, "title")->isEnabled());

    // "Save" keeps the file's format: only its own button stays enabled.
    dialog.applyPreset(PackOptions{}, PackPreset{true, false, false, "", ""});
    EXPECT_TRUE(child<QRadioButton>(dialog, "format1")->isEnabled());
    EXPECT_FALSE(child<QRadioButton>(dialog, "format2")->isEnabled());
    EXPECT_FALSE(child<QLabel>(dialog, "bindNote")->isEnabled());
    EXPECT_FALSE(child<QGroupBox>(dialog, "cueGroup")->isEnabled());
    EXPECT_EQ(child<QLabel>(dialog, "extension")->text(), "");
}

TEST_F(OptionDialogTest, PackOkStoresAndCancelDoesNot) {
    {
        PackOptionDialog dialog(nullptr, settings);
        child<QRadioButton>(dialog, "format2")->click();
        child<QCheckBox>(dialog, "ext")->click();
        EXPECT_FALSE(runAndPress(dialog, QDialogButtonBox::Cancel).has_value());
    }
    EXPECT_FALSE(saved().value("PackOption", "Format").has_value());
    EXPECT_FALSE(settings.file.value("PackOption", "Format").has_value());

    PackOptionDialog dialog(nullptr, settings);
    child<QRadioButton>(dialog, "format2")->click();
    child<QCheckBox>(dialog, "ext")->click();
    child<QRadioButton>(dialog, "cueSheet0")->click();
    const auto choices = runAndPress(dialog, QDialogButtonBox::Ok);
    ASSERT_TRUE(choices.has_value());
    EXPECT_EQ(choices->options.format, PackFormat::Zip);
    EXPECT_EQ(choices->extension, ".zip.mp3");
    PackOptions back;
    back.load(saved());
    EXPECT_EQ(back, choices->options);
    EXPECT_EQ(back.cueSheet, CueSheetChoice::ExportToCueFile);
}

TEST_F(OptionDialogTest, ExtractControlsRulesAndStore) {
    settings.file = IniFile::Parse("[ExtractOption]\nMakeDir=0\nID3v2Album=1\n");
    {
        ExtractOptionDialog dialog(nullptr, settings, "My Album");
        EXPECT_EQ(dialog.windowTitle(), "Extract Option");
        EXPECT_FALSE(child<QLineEdit>(dialog, "folderName")->isEnabled());
        EXPECT_TRUE(child<QCheckBox>(dialog, "id3v2Album")->isChecked());
        EXPECT_FALSE(child<QCheckBox>(dialog, "selectAll")->isChecked());
        child<QCheckBox>(dialog, "makeDir")->click();
        EXPECT_TRUE(child<QLineEdit>(dialog, "folderName")->isEnabled());
        child<QCheckBox>(dialog, "id3v2Tag")->click();
        EXPECT_FALSE(child<QCheckBox>(dialog, "id3v2Track")->isEnabled());
        EXPECT_FALSE(runAndPress(dialog, QDialogButtonBox::Cancel).has_value());
    }
    EXPECT_FALSE(saved().value("ExtractOption", "MakeDir").has_value());

    ExtractOptionDialog dialog(nullptr, settings, "My Album");
    child<QCheckBox>(dialog, "makeDir")->click();
    child<QCheckBox>(dialog, "selectAll")->click();
    const auto choices = runAndPress(dialog, QDialogButtonBox::Ok);
    ASSERT_TRUE(choices.has_value());
    EXPECT_EQ(choices->folderName, "My Album");
    EXPECT_TRUE(choices->selectAll);
    EXPECT_TRUE(choices->options.makeDir);
    ExtractOptions back;
    back.load(saved());
    EXPECT_EQ(back, choices->options);
    EXPECT_FALSE(saved().value("ExtractOption", "SelectAll").has_value());
}

}  // namespace
