#include "app/SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

namespace quilto::app {

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kReceived = 0x01;  // the text arrived whole; handling follows
constexpr char kHandled = 0x06;   // the handler has returned
// A command line is limited to a few MiB; more is not a hand-over.
constexpr qsizetype kMaxText = 16 * 1024 * 1024;
// A sender that connects and never completes its text is dropped after this.
constexpr int kSenderIdleMs = 10000;
constexpr auto kRetryPause = std::chrono::milliseconds(50);

std::string LocalPath(const QString& name) { return QFile::encodeName(name).toStdString(); }

int RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 60 * 60 * 1000));
}

// A non-blocking connection, so that a running instance whose queue of
// connections is full (it hangs) cannot block the second start.
int Connect(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return -1;
    std::memcpy(address.sun_path, path.data(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

enum class Wait { Ready, TimedOut, Failed };

// timeoutMs -1 waits without limit.
Wait WaitFor(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    for (;;) {
        const int n = ::poll(&p, 1, timeoutMs);
        if (n > 0) return Wait::Ready;
        if (n == 0) return Wait::TimedOut;
        if (errno != EINTR) return Wait::Failed;
    }
}

enum class Exchange { Taken, Closed, TimedOut };

// Sends the text and waits for the receipt until deadline, then for the
// handled byte for handledTimeoutMs. Taken once the receipt has come, whatever
// happens to the handled byte: the running instance has the text.
Exchange HandOver(int fd, std::string_view message, Clock::time_point deadline, int handledTimeoutMs) {
    while (!message.empty()) {
        const Wait wait = WaitFor(fd, POLLOUT, RemainingMs(deadline));
        if (wait == Wait::TimedOut) return Exchange::TimedOut;
        if (wait == Wait::Failed) return Exchange::Closed;
        const ssize_t sent = ::send(fd, message.data(), message.size(), MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EAGAIN || errno == EINTR) continue;
            return Exchange::Closed;
        }
        message.remove_prefix(static_cast<std::size_t>(sent));
    }

    bool received = false;
    for (;;) {
        const int timeout = received ? handledTimeoutMs : RemainingMs(deadline);
        const Wait wait = WaitFor(fd, POLLIN, timeout);
        if (wait != Wait::Ready) {
            if (received) return Exchange::Taken;
            return wait == Wait::TimedOut ? Exchange::TimedOut : Exchange::Closed;
        }
        char byte = 0;
        const ssize_t got = ::recv(fd, &byte, 1, 0);
        if (got < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (got <= 0) return received ? Exchange::Taken : Exchange::Closed;
        if (!received) {
            // Anything but our receipt: not one of ours listening there.
            if (byte != kReceived) return Exchange::TimedOut;
            received = true;
        } else if (byte == kHandled) {
            return Exchange::Taken;
        }
    }
}

// Resets a flag however the scope is left.
// Made by this user: a lock or socket of another user is never trusted, since
// it could hand our paths to, or fake the running instance of, someone else.
bool OwnedByUs(const struct stat& info) { return info.st_uid == ::getuid(); }

// Nothing there, or a socket of ours.
bool SocketMayBeOurs(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return errno == ENOENT;
    return S_ISSOCK(info.st_mode) && OwnedByUs(info);
}

// A folder of ours that only we can enter, made if missing; empty when the
// path is taken by someone else or is no folder.
QString PrivateFolder(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) return {};
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || !OwnedByUs(info)) return {};
    if ((info.st_mode & 077) != 0 && ::chmod(path.constData(), 0700) != 0) return {};
    return folder;
}

struct FlagScope {
    bool& flag;
    explicit FlagScope(bool& f) : flag(f) { flag = true; }
    ~FlagScope() { flag = false; }
};

}  // namespace

QString SingleInstance::DefaultName() {
    const QString chosen = qEnvironmentVariable("QUILTO_INSTANCE_NAME");
    if (!chosen.isEmpty()) return chosen.contains(u'/') ? chosen : QDir::tempPath() + u'/' + chosen;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.startsWith(u'/')) return runtime + QStringLiteral("/QuiltoMutex");
    // Without a runtime folder: a private folder in the temp folder, else one
    // in the home folder when someone else has taken that name.
    const QString uid = QString::number(::getuid());
    QString folder = PrivateFolder(QDir::tempPath() + QStringLiteral("/quilto-") + uid);
    if (folder.isEmpty()) folder = PrivateFolder(QDir::homePath() + QStringLiteral("/.quilto-") + uid);
    if (folder.isEmpty()) folder = QDir::homePath();
    return folder + QStringLiteral("/QuiltoMutex");
}

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {}

SingleInstance::~SingleInstance() {
    // The socket goes before the lock, so that whoever takes the lock next
    // finds no listener of ours.
    delete server_;
    server_ = nullptr;
    if (lockFd_ >= 0) ::close(lockFd_);
}

bool SingleInstance::openLock() {
    if (lockFd_ >= 0) return true;
    // Close-on-exec: a player or editor started by us must not inherit the
    // lock and keep it after we have gone.
    lockFd_ = ::open((LocalPath(name_) + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    struct stat info {};
    if (lockFd_ >= 0 && (::fstat(lockFd_, &info) != 0 || !S_ISREG(info.st_mode) || !OwnedByUs(info))) {
        ::close(lockFd_);
        lockFd_ = -1;
    }
    return lockFd_ >= 0;
}

SingleInstance::Start SingleInstance::start(const std::string& text, int receiveTimeoutMs, int handledTimeoutMs) {
    if (primary_) return Start::Primary;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(0, receiveTimeoutMs));
    std::string message = text;
    message.push_back('\0');
    const std::string path = LocalPath(name_);

    // Without a lock file (a folder we may not write) we fall back on the
    // socket alone: whoever answers there is running.
    bool locking = openLock();
    for (;;) {
        if (locking) {
            int locked;
            do locked = ::flock(lockFd_, LOCK_EX | LOCK_NB);
            while (locked != 0 && errno == EINTR);
            if (locked == 0) {
                primary_ = true;
                return Start::Primary;
            }
            if (errno != EWOULDBLOCK) locking = false;  // a file system without locks
        }
        if (const int fd = SocketMayBeOurs(path) ? Connect(path) : -1; fd >= 0) {
            const Exchange result = HandOver(fd, message, deadline, handledTimeoutMs);
            ::close(fd);
            if (result == Exchange::Taken) return Start::HandedOver;
            if (result == Exchange::TimedOut) return Start::Unresponsive;
            // Closed before the receipt: the running instance is ending. Wait
            // for its lock, or for another one to answer.
        } else if (!locking) {
            primary_ = true;
            return Start::Primary;
        }
        // The lock is held but nobody listens yet: the running instance is
        // still creating its window.
        const int left = RemainingMs(deadline);
        if (left == 0) return Start::Unresponsive;
        std::this_thread::sleep_for(std::min<std::chrono::milliseconds>(kRetryPause, std::chrono::milliseconds(left)));
    }
}

bool SingleInstance::listen(std::string* error) {
    if (server_) return true;
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);

    // Holding the lock proves that a socket file there is left over from a
    // crash. Without it, only a socket nobody answers on may go.
    if (!SocketMayBeOurs(LocalPath(name_))) {
        if (error) *error = "cannot take hand-overs at " + LocalPath(name_) + ": it belongs to another user";
        delete server_;
        server_ = nullptr;
        return false;
    }
    bool stale = primary_ && lockFd_ >= 0;
    if (!stale) {
        const int fd = Connect(LocalPath(name_));
        if (fd >= 0) ::close(fd);
        stale = fd < 0;
    }
    if (stale) QLocalServer::removeServer(name_);
    if (!server_->listen(name_)) {
        if (error) *error = "cannot take hand-overs at " + LocalPath(name_) + ": " + server_->errorString().toStdString();
        delete server_;
        server_ = nullptr;
        return false;
    }
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::accept);
    return true;
}

void SingleInstance::accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(kSenderIdleMs, socket, [socket] {
            if (!socket->property("quiltoReceived").toBool()) socket->abort();
        });

        auto buffer = std::make_shared<QByteArray>();
        auto read = [this, socket, buffer] {
            if (socket->property("quiltoReceived").toBool()) {
                socket->readAll();  // nothing may follow the NUL
                return;
            }
            buffer->append(socket->readAll());
            const qsizetype end = buffer->indexOf('\0');
            if (end < 0) {
                if (buffer->size() > kMaxText) socket->abort();
                return;
            }
            buffer->truncate(end);
            socket->setProperty("quiltoReceived", true);
            socket->write(&kReceived, 1);
            socket->flush();
            // A sender that has gone gave up on us (we were too slow) and told
            // its user so; opening its file now would surprise them.
            if (socket->state() != QLocalSocket::ConnectedState) return;
            queue_.push_back(Pending{socket, std::move(*buffer)});
            handleQueue();
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        if (socket->bytesAvailable() > 0) read();
    }
}

void SingleInstance::handleQueue() {
    // A hand-over that comes while the handler runs (it may run a progress
    // window's event loop) waits for it instead of running inside it.
    if (handling_ || held_) return;
    FlagScope scope(handling_);
    while (!queue_.empty()) {
        Pending next = std::move(queue_.front());
        queue_.pop_front();
        current_ = next.socket;
        currentReplied_.reset();
        emit handOverReceived(next.text);
        current_ = nullptr;
        if (currentReplied_) {
            // Held: the handler's function replies, unless it already has.
            if (*currentReplied_) continue;
            held_ = true;
            return;
        }
        reply(next.socket);
    }
}

void SingleInstance::reply(QLocalSocket* socket) {
    if (!socket) return;
    socket->write(&kHandled, 1);
    socket->flush();
    socket->disconnectFromServer();
}

std::function<void()> SingleInstance::holdReply() {
    if (!currentReplied_) currentReplied_ = std::make_shared<bool>(false);
    return [self = QPointer<SingleInstance>(this), socket = current_, replied = currentReplied_] {
        if (*replied || !self) return;
        *replied = true;
        self->reply(socket);
        if (!self->held_) return;  // called while the handler still runs
        self->held_ = false;
        // Not from inside the caller, which may be a handler itself.
        QTimer::singleShot(0, self, &SingleInstance::handleQueue);
    };
}

}  // namespace quilto::app
