// The questions a pack or extract run asks the user: the option dialogs, the
// output name or folder, the cue sheet export, what to do with a file that
// exists, and the closing messages. The window asks them through this
// interface so that tests can answer without dialogs.
#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

#include "pack/ExtractTracks.h"
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
    // "Extract Option" with its folder name preset; nothing after Cancel.
    virtual std::optional<pack::ExtractChoices> extractOptions(QWidget* owner, AppSettings& settings,
                                                               const std::string& folderName) = 0;
    // The folder picker "Output Folder" starting at `folder`; empty after Cancel.
    virtual QString outputFolder(QWidget* owner, const QString& folder) = 0;
    // An extracted track's target exists already.
    virtual pack::ExistingAnswer askExisting(QWidget* owner, const QString& path) = 0;

    // Messages; `caption` names the command they close.
    virtual void showError(QWidget* owner, const QString& message, const QString& caption = kSaveCaption) = 0;
    virtual void showInformation(QWidget* owner, const QString& message, const QString& caption = kSaveCaption) = 0;

    static inline const QString kSaveCaption = QStringLiteral("Save Packed MP3");
    static inline const QString kExtractCaption = QStringLiteral("Extract");
};

// The real dialogs.
std::unique_ptr<PackDialogs> MakeQtPackDialogs();

}  // namespace quilto::app
