// The "Option" menu's "General" and "ID3Tag Genre" dialogs and the about box.
// The window asks for them through OptionDialogs, so that tests can drive the
// real dialogs (or answer without them) offscreen.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "app/Settings.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QTableWidget;

namespace quilto::app {

// Picks a program for a browse button: the field's text in, the chosen path
// out, nothing when the user cancels.
using ProgramChooser = std::function<std::optional<QString>(QWidget* owner, const QString& current)>;

// The file dialog of the browse buttons: programs (executable files) or all files.
std::optional<QString> ChooseProgramFile(QWidget* owner, const QString& current);

// What OK makes of the program fields: an editor that is no existing program
// becomes the default editor (empty); a player that is none empties the
// player and its parameters.
void ApplyProgramFallbacks(GeneralOptions& options);

// "General Option".
class GeneralOptionsDialog final : public QDialog {
    Q_OBJECT
public:
    GeneralOptionsDialog(QWidget* owner, const GeneralOptions& options, ProgramChooser chooser = ChooseProgramFile);

    // The controls as they are, with the fallbacks of OK applied.
    GeneralOptions options() const;

    QCheckBox* syncSafeBox() const { return syncSafe_; }
    QCheckBox* cueSheetBox() const { return cueSheet_; }
    QCheckBox* backupBox() const { return backup_; }
    QCheckBox* supportTagBox() const { return supportTag_; }
    QCheckBox* unicodeTagBox() const { return unicodeTag_; }
    QComboBox* codePageChoice() const { return codePage_; }
    QLineEdit* editorField() const { return editor_; }
    QLineEdit* playerField() const { return player_; }
    QLineEdit* parameterField() const { return playerPrm_; }
    // The ".." buttons: tag 1 the editor, tag 2 the player.
    void browse(int tag);

private:
    ProgramChooser chooser_;
    QCheckBox* syncSafe_ = nullptr;
    QCheckBox* cueSheet_ = nullptr;
    QCheckBox* backup_ = nullptr;
    QCheckBox* supportTag_ = nullptr;
    QCheckBox* unicodeTag_ = nullptr;
    QComboBox* codePage_ = nullptr;
    QLineEdit* editor_ = nullptr;
    QLineEdit* player_ = nullptr;
    QLineEdit* playerPrm_ = nullptr;
};

// "ID3Tag Genre": 256 rows of number, built-in name and the user's name.
class GenreDialog final : public QDialog {
    Q_OBJECT
public:
    enum Column { NumberColumn = 0, DefaultColumn = 1, CustomColumn = 2 };
    // The row's check image: 0 genre off, 1 on, 2 always on.
    enum CheckImage { Off = 0, On = 1, Always = 2 };

    GenreDialog(QWidget* owner, const GenreSettings& current);

    // The section OK stores: a non-empty Custom name replaces the built-in one.
    GenreSettings settings() const;

    QTableWidget* list() const { return list_; }
    bool extended() const;
    int checkImage(int row) const;
    QString customName(int row) const;

    // Clicks on the list: header column 0 switches the extended genres, 1
    // copies the built-in names into Custom (not 148..247), 2 empties Custom.
    void headerClicked(int column);
    // A double click arms a row; a further click on its Default cell copies
    // the name into Custom, on its Custom cell opens an editor there.
    void cellDoubleClicked(int row, int column);
    void cellClicked(int row, int column);

private:
    void setExtended(bool on);
    void setCustom(int row, const QString& text);
    bool copiesDefault(int row) const;

    QTableWidget* list_ = nullptr;
    std::array<QIcon, 3> checkIcons_;
    int armedRow_ = -1;
};

// "About Quiltotrackery".
class AboutDialog final : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* owner);
};

class OptionDialogs {
public:
    virtual ~OptionDialogs() = default;

    // After OK true with options changed; after Cancel false, options untouched.
    virtual bool editGeneral(QWidget* owner, GeneralOptions& options) = 0;
    // The section to store after OK, nothing after Cancel.
    virtual std::optional<GenreSettings> editGenres(QWidget* owner, const GenreSettings& current) = 0;
    virtual void showAbout(QWidget* owner) = 0;
    virtual void showError(QWidget* owner, const QString& message, const QString& caption) = 0;
};

// The real dialogs, modal.
std::unique_ptr<OptionDialogs> MakeQtOptionDialogs();

}  // namespace quilto::app
