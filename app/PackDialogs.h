// The questions a pack run asks the user: the option dialog, the output name,
// the cue sheet export and the closing messages. The window asks them through
// this interface so that tests can answer without dialogs.
#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

#include "pack/PackOptions.h"
#include "pack/TrackLists.h"
#include "pack/ui/CueSheetDialogs.h"

class QWidget;

namespace quilto::app {

struct AppSettings;

class PackDialogs {
public:
    virtual ~PackDialogs() = default;

    // "Packed MP3 Option", preset for the run; nothing after Cancel.
    virtual std::optional<pack::PackChoices> packOptions(QWidget* owner, AppSettings& settings,
                                                         const pack::TrackPage& page, pack::SaveMode mode,
                                                         std::uint32_t optionWord) = 0;
    // "Save Packed MP3" in `folder`, offering `name`; empty after Cancel.
    virtual QString outputPath(QWidget* owner, const QString& folder, const QString& name) = 0;
    // The cue sheet export beside the packed file; reports its own failures.
    virtual pack::ui::ExportResult exportCueSheet(QWidget* owner, pack::TrackPage& page, bool performersDiffer,
                                                  bool remLines, const QString& folder) = 0;
    virtual void showError(QWidget* owner, const QString& message) = 0;
    virtual void showInformation(QWidget* owner, const QString& message) = 0;
};

// The real dialogs.
std::unique_ptr<PackDialogs> MakeQtPackDialogs();

}  // namespace quilto::app
