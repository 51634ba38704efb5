// The manual, shown from the bundled HTML pages; help context numbers of
// windows and pages map to anchors "ctx-<number>".
#pragma once

#include <QMainWindow>

class QDialog;
class QTextBrowser;

namespace quilto::app {

class HelpWindow final : public QMainWindow {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // 0 shows the contents page.
    void showContext(int context);
    QString currentSource() const;

private:
    QTextBrowser* browser_;
};

// Opens the manual at `context` in a help window that the active modal
// dialog does not block: it belongs to that dialog while one is open, to
// the window of `from` otherwise.
void ShowHelp(QWidget* from, int context);

// Gives a dialog its own F1 to its help context, since a modal dialog
// blocks the main window's shortcut.
void EnableContextHelp(QDialog* dialog, int context);

}  // namespace quilto::app
