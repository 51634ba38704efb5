// "Extract Option": the modal dialog shown before tracks are extracted from a
// packed file. Stored choices live in [ExtractOption] (pack/PackOptions.h).
#pragma once

#include <QDialog>

#include <optional>
#include <string>

#include "pack/PackOptions.h"

class QCheckBox;
class QLineEdit;

namespace quilto::app {
struct AppSettings;
}

namespace quilto::pack::ui {

class ExtractOptionDialog final : public QDialog {
    Q_OBJECT
public:
    // Loads [ExtractOption] from settings.file; `folderName` presets "Name"
    // (the album title). OK stores the section there and saves the settings
    // file. The settings must outlive the dialog.
    ExtractOptionDialog(QWidget* owner, app::AppSettings& settings, const std::string& folderName);

    // Shows the dialog; the choices after OK, nothing after Cancel.
    std::optional<ExtractChoices> run();

    ExtractOptions options() const;
    ExtractChoices choices() const;

    void accept() override;

private:
    void refresh();

    app::AppSettings& settings_;
    QCheckBox* makeDir_;
    QLineEdit* folderName_;
    QCheckBox* id3v2Tag_;
    QCheckBox* artist_;
    QCheckBox* title_;
    QCheckBox* album_;
    QCheckBox* track_;
    QCheckBox* selectAll_;
};

}  // namespace quilto::pack::ui
