// A page area that takes rows dragged from the file list: the Pack and
// UnPack pages hand them to their track lists.
#pragma once

#include <QWidget>

#include <functional>

namespace quilto::app {

class PageDropArea final : public QWidget {
    Q_OBJECT
public:
    // accepts: whether a drag from source may drop here now; dropped: the
    // drop itself (the file list's selection is what was dragged).
    PageDropArea(QWidget* parent, std::function<bool(const QObject* source)> accepts, std::function<void()> dropped);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    std::function<bool(const QObject*)> accepts_;
    std::function<void()> dropped_;
};

}  // namespace quilto::app
