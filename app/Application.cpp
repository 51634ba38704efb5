#include "app/Application.h"

#include <QMessageBox>

#include <exception>

namespace quilto::app {

namespace {

Application::ErrorBox& ErrorBoxHook() {
    static Application::ErrorBox box;
    return box;
}

}  // namespace

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowError(QString::fromUtf8(error.what()));
    } catch (...) {
        ShowError(tr("An unexpected error occurred."));
    }
    return false;
}

void Application::ShowError(const QString& message) {
    if (const ErrorBox& box = ErrorBoxHook()) {
        box(message);
        return;
    }
    QMessageBox::critical(activeWindow(), applicationDisplayName(), message);
}

void Application::SetErrorBox(ErrorBox box) { ErrorBoxHook() = std::move(box); }

}  // namespace quilto::app
