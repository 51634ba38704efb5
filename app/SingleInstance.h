// One running instance per user, and the hand-over of a second start's
// command-line paths to it.
//
// How main() uses it:
//
//     int main(int argc, char** argv) {
//         const std::vector<std::string> arguments(argv + 1, argv + argc);
//         quilto::app::SingleInstance instance;  // before the QApplication: a
//                                                // second start needs no display
//         switch (instance.start(quilto::core::BuildHandOverText(arguments))) {
//         case quilto::app::SingleInstance::Start::HandedOver:
//             return 1;
//         case quilto::app::SingleInstance::Start::Unresponsive:
//             std::fputs("Quiltotrackery: the running instance does not answer\n", stderr);
//             return 1;
//         case quilto::app::SingleInstance::Start::Primary:
//             break;
//         }
//         QApplication app(argc, argv);
//         FormMain window(arguments);   // settings, folder tree, ToLongPathName list
//         QObject::connect(&instance, &quilto::app::SingleInstance::handOverReceived, &window,
//                          [&window](const QByteArray& text) {
//                              window.raiseAndActivate();
//                              window.openFromArguments(quilto::core::ParseHandOverText(text.toStdString()), true);
//                              window.selectPendingFile();
//                          });
//         std::string error;
//         if (!instance.listen(&error)) std::fprintf(stderr, "Quiltotrackery: %s\n", error.c_str());
//         window.show();
//         return app.exec();   // 0
//     }
//
// How it stands in for a named mutex, a shared block holding the window and
// a synchronous copy-data message:
// - the mutex is an exclusive flock() on "<name>.lock". The kernel drops it
//   when the process ends however it ends, so a crash leaves nothing that
//   blocks the next start, and two starts at the same moment cannot both win;
// - the block and the message are a local socket "<name>", listened on by
//   the running instance once its window exists (listen()). A socket file
//   left by a crashed instance is removed by the next instance that holds the
//   lock, which proves nobody listens on it any more;
// - a second start connects, sends the hand-over text and a NUL, and waits for
//   two bytes: "received", which must come within the time-out (else the
//   running instance counts as not answering), and "handled", sent after the
//   handler of handOverReceived has returned (synchronous, like the message).
//   Hand-overs that arrive while one is handled are queued, never nested.
//
// The name is "$XDG_RUNTIME_DIR/QuiltoMutex" (a folder only the user can
// enter), else "<temp folder>/quilto-<uid>/QuiltoMutex" in a folder made
// private (0700, ours, checked); when another user holds that folder, the
// home folder's ".quilto-<uid>" takes its place. A lock or socket file of
// another user is never used. The environment variable
// QUILTO_INSTANCE_NAME replaces it (a full path, or a name put in the temp
// folder), so that tests run beside a real instance.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <deque>
#include <functional>
#include <memory>
#include <string>

class QLocalServer;
class QLocalSocket;

namespace quilto::app {

class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Start {
        Primary,       // this process is the running instance now
        HandedOver,    // a running instance took the text
        Unresponsive,  // one runs but did not take the text in time
    };

    // The socket path of the default name or of QUILTO_INSTANCE_NAME.
    static QString DefaultName();

    explicit SingleInstance(QString name = DefaultName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    const QString& name() const { return name_; }

    // Becomes the running instance, or hands text over to the one that runs.
    // receiveTimeoutMs bounds the whole wait for a running instance to take
    // the text (it may still be starting up, or ending); once taken, the wait
    // for it to be handled lasts handledTimeoutMs (-1: as long as the running
    // instance keeps the connection, as a synchronous message would).
    // Needs no QCoreApplication.
    Start start(const std::string& text, int receiveTimeoutMs = 5000, int handledTimeoutMs = -1);

    // The running instance starts taking hand-overs; call once its window
    // exists and handOverReceived is connected. Needs the event loop.
    bool listen(std::string* error = nullptr);

    // For a handler of handOverReceived that can only finish later (a refresh
    // must stop first): the sender is told "handled", and the next hand-over
    // is taken, when the returned function is called (once; later calls and
    // calls after this object has gone do nothing).
    std::function<void()> holdReply();

signals:
    // The text without its NUL. Runs on the GUI thread inside the event loop;
    // the sender is released when the connected slots return.
    void handOverReceived(const QByteArray& text);

private:
    struct Pending {
        QPointer<QLocalSocket> socket;
        QByteArray text;
    };

    bool openLock();
    void accept();
    void handleQueue();
    void reply(QLocalSocket* socket);

    QString name_;
    int lockFd_ = -1;
    bool primary_ = false;
    QLocalServer* server_ = nullptr;
    std::deque<Pending> queue_;
    bool handling_ = false;
    QPointer<QLocalSocket> current_;  // whose text the handler has now
    std::shared_ptr<bool> currentReplied_;  // set once a handler holds the reply
    bool held_ = false;               // a handler finishes later: the queue waits
};

}  // namespace quilto::app
