// The manual, shown from the bundled HTML pages; help context numbers of
// windows and pages map to anchors "ctx-<number>".
#pragma once

#include <QMainWindow>

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

}  // namespace quilto::app
