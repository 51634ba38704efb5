// The round trip of a list's text through the user's external text editor:
// the text goes into the exchange file ~Quilto~.txt in a private folder, the
// editor runs as a process (never through a shell) while the calling window
// is disabled, and the file's text comes back to the caller.
#pragma once

#include <QString>

#include <functional>
#include <string>

class QWidget;

namespace quilto::app {

struct GeneralOptions;
class TagDialogs;

// The private folder of the exchange file ($XDG_RUNTIME_DIR/quilto, or the
// cache folder when there is no runtime folder).
QString ExchangeFolder();

// The program started for the "Editor" option: the stored path, or the
// desktop's application for text files (xdg-open) when it is empty.
QString EditorProgram(const GeneralOptions& options);

// Writes `text` to the exchange file, starts the editor on it, waits for it
// with `window` disabled, then hands the file's text to readBack (false with
// a message in `refused`: refused, shown to the user). Every failure on the
// way (folder, write, start, read back) is shown through `dialogs` under the
// caption "Editor" and leaves the caller's rows untouched. An editor that
// returns at once without a change asks "Finished editing?" first.
void RunExternalEditor(QWidget* window, const GeneralOptions& options, TagDialogs& dialogs, const std::string& text,
                       const std::function<bool(const std::string&, std::string&)>& readBack);

}  // namespace quilto::app
