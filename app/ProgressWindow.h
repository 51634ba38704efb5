// The small always-on-top window with a message line, a counter and Cancel
// that long operations show; it is their Progress.
#pragma once

#include <QDialog>

#include "core/Progress.h"

class QLabel;
class QProgressBar;
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
    void setBytesToDo(std::uint64_t total) override;
    void setBytesDone(std::uint64_t done) override;
    void addBytesDone(std::uint64_t bytes) override;

    QProgressBar* bar() const { return bar_; }

    // Clears the flag, shows the window centred over its owner and paints it.
    void start();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool cancelRequested_ = false;
    void showBytes();

    QLabel* panels_[2];
    QProgressBar* bar_;
    QPushButton* cancel_;
    std::uint64_t bytesToDo_ = 0;
    std::uint64_t bytesDone_ = 0;
};

}  // namespace quilto::app
