#include "app/PageDropArea.h"

#include <QDragEnterEvent>
#include <QDropEvent>

namespace quilto::app {

PageDropArea::PageDropArea(QWidget* parent, std::function<bool(const QObject*)> accepts, std::function<void()> dropped)
    : QWidget(parent), accepts_(std::move(accepts)), dropped_(std::move(dropped)) {
    setAcceptDrops(true);
}

void PageDropArea::dragEnterEvent(QDragEnterEvent* event) {
    if (accepts_(event->source())) event->acceptProposedAction();
}

void PageDropArea::dragMoveEvent(QDragMoveEvent* event) {
    if (accepts_(event->source())) event->acceptProposedAction();
}

void PageDropArea::dropEvent(QDropEvent* event) {
    if (!accepts_(event->source())) return;
    event->acceptProposedAction();
    dropped_();
}

}  // namespace quilto::app
