// The round trip of a list's text through the user's external text editor:
// the text goes into the exchange file ~Quilto~.txt in a private folder, the
// editor runs as a process (never through a shell) while the calling window
// is disabled, and the file's text comes back to the caller.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace quilto::app {

struct GeneralOptions;
class TagDialogs;

// The private folder of the exchange file ($XDG_RUNTIME_DIR/quilto, or the
// cache folder when there is no runtime folder).
QString ExchangeFolder();

// How the editor is started: the program and the arguments before the
// exchange file's path.
struct EditorCommand {
    QString program;
    QStringList arguments;
    bool operator==(const EditorCommand&) const = default;
};

// The known desktop text editors, in the order the default is looked for,
// each with the argument that keeps it running until the user closes the
// file (without it most hand the file to an instance already running and
// return at once). The program name only.
struct KnownEditor {
    const char* name;
    const char* blockingArgument;
};
const std::vector<KnownEditor>& KnownEditors();

// The first known editor found on PATH with its argument; empty when none is
// there.
EditorCommand DefaultEditor();

// The command for the "Editor" option: the stored program (with the blocking
// argument when it is a known editor's); when it is empty, the default
// editor, else the desktop's application for text files (xdg-open), after
// which RunExternalEditor asks "Finished editing?" when it returns at once.
EditorCommand EditorProgram(const GeneralOptions& options);

// Writes `text` to the exchange file, starts the editor on it, waits for it
// with `window` disabled, then hands the file's text to readBack (false with
// a message in `refused`: refused, shown to the user). Every failure on the
// way (folder, write, start, read back) is shown through `dialogs` under the
// caption "Editor" and leaves the caller's rows untouched. An editor that
// returns at once without a change asks "Finished editing?" first.
void RunExternalEditor(QWidget* window, const GeneralOptions& options, TagDialogs& dialogs, const std::string& text,
                       const std::function<bool(const std::string&, std::string&)>& readBack);

}  // namespace quilto::app
