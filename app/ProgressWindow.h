// The small always-on-top window with a message line, a counter and Cancel
// that long operations show; it is their Progress.
#pragma once

#include <QDialog>

#include "core/Progress.h"

class QLabel;
class QPushButton;

namespace quilto::app {

class ProgressWindow final : public QDialog, public core::Progress {
    Q_OBJECT
public:
    void reject() override;  // Esc, Cancel and closing all set the cancel flag

    explicit ProgressWindow(QWidget* owner, const QString& caption);

    bool cancelRequested() const override { return cancelRequested_; }
    void pump() override;
    void setCaption(std::string_view caption) override;
    void setPanelText(int panel, std::string_view text) override;

    // Clears the flag, shows the window centred over its owner and paints it.
    void start();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool cancelRequested_ = false;
    QLabel* panels_[2];
    QPushButton* cancel_;
};

}  // namespace quilto::app
