#include "app/ProgressWindow.h"
#include "app/QtText.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace quilto::app {

ProgressWindow::ProgressWindow(QWidget* owner, const QString& caption)
    : QDialog(owner, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setWindowTitle(caption);
    setFixedSize(352, 87);
    setModal(false);
    // The main window is busy meanwhile; the hourglass says so over the body,
    // while the arrow over Cancel keeps that button looking clickable.
    setCursor(Qt::WaitCursor);

    auto* statusLine = new QWidget(this);
    statusLine->setGeometry(0, 0, 352, 25);
    auto* lineLayout = new QHBoxLayout(statusLine);
    lineLayout->setContentsMargins(0, 2, 0, 2);
    lineLayout->setSpacing(2);
    for (int i = 0; i < 2; ++i) {
        panels_[i] = new QLabel(statusLine);
        panels_[i]->setFrameShape(QFrame::StyledPanel);
        panels_[i]->setFrameShadow(QFrame::Sunken);
    }
    // The counter needs its full 50 pixels for texts like "(12/345)".
    panels_[0]->setFixedWidth(300);
    panels_[0]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    panels_[1]->setFixedWidth(50);
    panels_[1]->setAlignment(Qt::AlignCenter);
    panels_[1]->setIndent(0);
    lineLayout->addWidget(panels_[0]);
    lineLayout->addWidget(panels_[1]);
    lineLayout->addStretch(1);

    // Bytes done of bytes to do, below the panels; the range is kept in
    // permille so that files beyond 2 GiB fit the bar's int.
    bar_ = new QProgressBar(this);
    bar_->setGeometry(2, 27, 348, 16);
    bar_->setRange(0, 1000);
    bar_->setValue(0);
    bar_->setTextVisible(false);

    cancel_ = new QPushButton(tr("Cancel"), this);
    cancel_->setGeometry(137, 54, 77, 25);
    cancel_->setCursor(Qt::ArrowCursor);
    cancel_->setAutoDefault(false);
    connect(cancel_, &QPushButton::clicked, this, &ProgressWindow::reject);
}

void ProgressWindow::start() {
    cancelRequested_ = false;
    bytesToDo_ = 0;
    bytesDone_ = 0;
    bar_->setValue(0);
    if (QWidget* owner = parentWidget()) {
        const QRect frame = owner->frameGeometry();
        move(frame.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
    repaint();
    QCoreApplication::processEvents();
}

void ProgressWindow::pump() { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); }

void ProgressWindow::setCaption(std::string_view caption) { setWindowTitle(ToQString(caption)); }

void ProgressWindow::setPanelText(int panel, std::string_view text) {
    if (panel < 0 || panel > 1) return;
    panels_[panel]->setText(ToQString(text));
    panels_[panel]->repaint();
}

void ProgressWindow::setBytesToDo(std::uint64_t total) {
    bytesToDo_ = total;
    bytesDone_ = 0;
    showBytes();
}

void ProgressWindow::setBytesDone(std::uint64_t done) {
    bytesDone_ = done;
    showBytes();
}

void ProgressWindow::addBytesDone(std::uint64_t bytes) {
    bytesDone_ += bytes;
    showBytes();
}

void ProgressWindow::showBytes() {
    const std::uint64_t done = std::min(bytesDone_, bytesToDo_);
    const int permille = bytesToDo_ == 0 ? 0 : static_cast<int>(done * 1000 / bytesToDo_);
    if (permille != bar_->value()) bar_->setValue(permille);
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    cancelRequested_ = true;  // closing in any way cancels
    QDialog::closeEvent(event);
}

void ProgressWindow::reject() {
    cancelRequested_ = true;  // Esc and Cancel
    QDialog::reject();
}

}  // namespace quilto::app
