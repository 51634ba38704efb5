// "Packed MP3 Option": the modal dialog the pack writer shows before a run.
// It shows the stored [PackOption] choices and the run's presets; which
// controls are enabled and the extension text come from the engine
// (pack/PackOptions.h).
#pragma once

#include <QDialog>

#include <array>
#include <cstdint>
#include <optional>

#include "pack/PackOptions.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace quilto::app {
struct AppSettings;
}

namespace quilto::pack::ui {

class PackOptionDialog final : public QDialog {
    Q_OBJECT
public:
    // Loads [PackOption] from settings.file; OK stores the section there and
    // saves the settings file. The settings must outlive the dialog.
    PackOptionDialog(QWidget* owner, app::AppSettings& settings);

    // The run's presets: the format and option-word choices already applied to
    // `options` (PresetPackRun), the locks and texts in `preset`.
    void applyPreset(const PackOptions& options, const PackPreset& preset);
    // Shorthand: PresetPackRun on the loaded options, then applyPreset.
    void presetRun(const TrackPage& page, SaveMode mode, std::uint32_t optionWord);

    // Shows the dialog; the choices after OK, nothing after Cancel.
    std::optional<PackChoices> run();

    // The controls' current state.
    PackOptions options() const;
    PackChoices choices() const;

    void accept() override;

private:
    void showOptions(const PackOptions& options);
    void refresh();  // enabling and extension text from the current state

    app::AppSettings& settings_;
    PackPreset preset_;
    bool showing_ = false;  // no rules while controls are being filled

    QButtonGroup* formats_;
    std::array<QRadioButton*, kPackFormatCount> formatButtons_{};
    QLabel* bindNote_;
    QLabel* archiveNote_;
    QCheckBox* entire_;
    QCheckBox* ext_;
    QLabel* extension_;
    QCheckBox* removeId3v1_;
    QCheckBox* removeId3v2_;
    QCheckBox* removeXing_;
    QCheckBox* id3v2Tag_;
    QLineEdit* artist_;
    QLineEdit* title_;
    QGroupBox* cueGroup_;
    QButtonGroup* cueSheet_;
    QCheckBox* addXing_;
    QCheckBox* top_;
    QSpinBox* topCount_;
    QCheckBox* last_;
    QSpinBox* lastCount_;
};

}  // namespace quilto::pack::ui
