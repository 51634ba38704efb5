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

// Marks a window part with its help context; F1 finds the nearest mark up
// from the focused widget.
void SetHelpContext(QWidget* widget, int context);
// The context of the nearest marked widget at or above `widget`, 0 if none.
int HelpContextOf(const QWidget* widget);

// Opens the manual at `context` in a help window that the active modal
// dialog does not block: it belongs to that dialog while one is open, to
// the window of `from` otherwise.
HelpWindow* ShowHelp(QWidget* from, int context);

// Gives a dialog its context and its own F1, since a modal dialog blocks
// the main window's shortcut.
void EnableContextHelp(QDialog* dialog, int context);

}  // namespace quilto::app
