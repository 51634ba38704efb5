// The program's QApplication: an exception that escapes a command (a number
// typed into a cell that is none, a file that vanished) is shown in the
// standard error box and the program goes on with the next message, instead
// of ending without storing its settings.
#pragma once

#include <QApplication>

#include <functional>

namespace quilto::app {

class Application final : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows message as the standard error box (a critical message box).
    static void ShowError(const QString& message);
    // Tests replace the box, which would wait for a click, with a recorder;
    // an empty function puts the box back.
    using ErrorBox = std::function<void(const QString& message)>;
    static void SetErrorBox(ErrorBox box);
};

}  // namespace quilto::app
