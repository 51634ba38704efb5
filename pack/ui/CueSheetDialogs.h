// The dialogs around cue sheet files: "Import Cue Sheet" and "Export Cue
// Sheet", and the folder they share with the pack save dialog.
#pragma once

#include <QString>

#include <optional>
#include <string>

#include "pack/TrackLists.h"

class QWidget;

namespace quilto::pack::ui {

// The initial folder of the cue sheet open and save dialogs and of the pack
// save dialog: whichever of them last chose a file sets it for all three.
// Empty until then; the dialogs then start in the fallback folder they get.
QString SharedDialogFolder();
void SetSharedDialogFolder(const QString& folder);

// The name the save dialog proposes: the header's File with its extension
// replaced by ".cue" (added when it has none); empty for an empty File.
QString ProposedCueSheetName(const std::string& headerFile);

enum class ExportResult { Saved, Cancelled, Failed };

// "Export": without performersDiffer (the menu command) the header's empty
// performer and file name are filled first; the pack writer passes its own
// choice. A failed write is shown to the user and reported as Failed.
ExportResult ExportCueSheetWithDialog(QWidget* owner, TrackPage& page, std::optional<bool> performersDiffer,
                                      bool remLines, const QString& fallbackFolder);

// The save step of "Export" once the file is chosen: a failed write is shown
// in a message box and gives Failed; the shared folder follows a saved file.
ExportResult ExportCueSheetTo(QWidget* owner, const TrackPage& page, bool performersDiffer, bool remLines,
                              const QString& path);

// "Import": true when a file was read into the page (its cue part replaced).
bool ImportCueSheetWithDialog(QWidget* owner, TrackPage& page, const QString& fallbackFolder);

}  // namespace quilto::pack::ui
