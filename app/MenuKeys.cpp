#include "app/MenuKeys.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QShortcut>

namespace quilto::app {

namespace {

void OpenFirstMenu(QMainWindow& window) {
    QMenuBar* bar = window.menuBar();
    for (QAction* action : bar->actions()) {
        if (action->menu() && action->isVisible() && action->isEnabled()) {
            bar->setActiveAction(action);
            return;
        }
    }
}

// Watches the whole application, since the keys go to whichever child has the
// focus: an Alt that is released with no other key or click between opens the
// menu, while Alt held for a chord does not.
class LoneAltFilter final : public QObject {
public:
    explicit LoneAltFilter(QMainWindow& window) : QObject(&window), window_(window) {}

    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
            case QEvent::KeyPress: {
                const auto* key = static_cast<QKeyEvent*>(event);
                if (key->isAutoRepeat()) break;
                armed_ = key->key() == Qt::Key_Alt && window_.isActiveWindow();
                break;
            }
            case QEvent::KeyRelease: {
                const auto* key = static_cast<QKeyEvent*>(event);
                if (key->isAutoRepeat() || key->key() != Qt::Key_Alt) break;
                const bool open = armed_ && window_.isActiveWindow() && !QApplication::activePopupWidget();
                armed_ = false;
                if (open) OpenFirstMenu(window_);
                break;
            }
            case QEvent::MouseButtonPress:
            case QEvent::Wheel:
            case QEvent::WindowDeactivate:
                armed_ = false;
                break;
            default:
                break;
        }
        return false;
    }

private:
    QMainWindow& window_;
    bool armed_ = false;
};

}  // namespace

void InstallMenuKeys(QMainWindow& window) {
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), &window);
    QObject::connect(f10, &QShortcut::activated, &window, [&window] { OpenFirstMenu(window); });
    qApp->installEventFilter(new LoneAltFilter(window));
}

}  // namespace quilto::app
