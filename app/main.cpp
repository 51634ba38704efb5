// Entry of the desktop program: one running instance per user; a second start
// hands its paths to it and ends.
#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/FormMain.h"
#include "app/SingleInstance.h"
#include "core/HandOver.h"
#include "core/NumberText.h"

namespace {

int gSignalPipe[2] = {-1, -1};

void OnTerminate(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(gSignalPipe[1], &byte, 1);
}

// The desktop session ending sends SIGTERM: close the window the normal way,
// so the settings are stored.
void CloseOnTerminate(QWidget& window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char byte = 0;
        [[maybe_unused]] const auto got = ::read(gSignalPipe[0], &byte, 1);
        window.close();
    });
    struct sigaction action {};
    action.sa_handler = OnTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    quilto::app::SingleInstance instance;  // before the QApplication: a second start needs no display
    switch (instance.start(quilto::core::BuildHandOverText(arguments))) {
        case quilto::app::SingleInstance::Start::HandedOver:
            return 1;
        case quilto::app::SingleInstance::Start::Unresponsive:
            std::fputs("Quiltotrackery: the running instance does not answer\n", stderr);
            return 1;
        case quilto::app::SingleInstance::Start::Primary:
            break;
    }

    quilto::app::Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quiltotrackery"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quiltotrackery"));
    QApplication::setDesktopFileName(QStringLiteral("quiltotrackery"));
    quilto::core::UseLocaleThousandsSeparator();  // sizes grouped as the user's locale groups them

    // Commands are guarded by the application; this catches what escapes while
    // the window is built or torn down.
    try {
        QStringList paths;
        for (const std::string& argument : arguments) paths << QString::fromLocal8Bit(argument.c_str());
        quilto::app::FormMain window(paths);
        QObject::connect(&instance, &quilto::app::SingleInstance::handOverReceived, &window,
                         [&window, &instance](const QByteArray& text) {
                             QStringList handed;
                             for (const std::string& path : quilto::core::ParseHandOverText(text.toStdString())) {
                                 handed << QString::fromStdString(path);
                             }
                             window.handOver(handed, instance.holdReply());
                         });
        std::string error;
        if (!instance.listen(&error)) std::fprintf(stderr, "Quiltotrackery: %s\n", error.c_str());
        CloseOnTerminate(window);
        window.show();
        return QApplication::exec();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "Quiltotrackery: %s\n", error.what());
        quilto::app::Application::ShowError(QString::fromUtf8(error.what()));
    } catch (...) {
        std::fputs("Quiltotrackery: an unexpected error ended the program\n", stderr);
    }
    return 1;
}
