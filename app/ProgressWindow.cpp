#include "app/ProgressWindow.h"
#include "app/QtText.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace quilto::app {

ProgressWindow::ProgressWindow(QWidget* owner, const QString& caption)
    : QDialog(owner, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setWindowTitle(caption);
    setFixedSize(352, 69);
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

    cancel_ = new QPushButton(tr("Cancel"), this);
    cancel_->setGeometry(137, 36, 77, 25);
    cancel_->setCursor(Qt::ArrowCursor);
    cancel_->setAutoDefault(false);
    connect(cancel_, &QPushButton::clicked, this, &ProgressWindow::reject);
}

void ProgressWindow::start() {
    cancelRequested_ = false;
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

void ProgressWindow::closeEvent(QCloseEvent* event) {
    cancelRequested_ = true;  // closing in any way cancels
    QDialog::closeEvent(event);
}

void ProgressWindow::reject() {
    cancelRequested_ = true;  // Esc and Cancel
    QDialog::reject();
}

}  // namespace quilto::app
