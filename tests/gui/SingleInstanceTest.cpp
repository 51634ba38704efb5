// One running instance and the hand-over from a second start: the running
// instance lives on this test's GUI thread, second starts run on threads of
// their own (they block, as a real second process does).
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "app/SingleInstance.h"

using quilto::app::SingleInstance;
using Start = SingleInstance::Start;

namespace {

class SingleInstanceTest : public ::testing::Test {
protected:
    QString name() const { return folder_.path() + QStringLiteral("/instance"); }

    // A second start on a thread of its own.
    std::future<Start> secondStart(std::string text, int receiveTimeoutMs = 3000) {
        return std::async(std::launch::async, [name = name(), text = std::move(text), receiveTimeoutMs] {
            SingleInstance second(name);
            return second.start(text, receiveTimeoutMs);
        });
    }

    // Runs this thread's event loop (the running instance) until the future
    // is ready.
    template <class T>
    T serveUntil(std::future<T>& future) {
        while (future.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(1);
        }
        return future.get();
    }

    QTemporaryDir folder_;
};

TEST_F(SingleInstanceTest, SecondStartHandsItsTextToTheFirst) {
    SingleInstance first(name());
    ASSERT_EQ(first.start(""), Start::Primary);
    std::string error;
    ASSERT_TRUE(first.listen(&error)) << error;
    std::vector<QByteArray> received;
    QObject::connect(&first, &SingleInstance::handOverReceived, [&](const QByteArray& text) { received.push_back(text); });

    for (const std::string& text : {std::string("/music/a b.mp3\r\n/music/c.mp3\r\n"), std::string()}) {
        auto second = secondStart(text);
        EXPECT_EQ(serveUntil(second), Start::HandedOver);
    }
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0], QByteArray("/music/a b.mp3\r\n/music/c.mp3\r\n"));
    EXPECT_EQ(received[1], QByteArray());  // a start without arguments still reaches the window
}

// The second start returns only after the handler has finished, and a slow
// handler does not count as not answering: the receipt came at once.
TEST_F(SingleInstanceTest, SecondStartWaitsUntilTheHandlerHasReturned) {
    SingleInstance first(name());
    ASSERT_EQ(first.start(""), Start::Primary);
    ASSERT_TRUE(first.listen());
    std::future<Start> second;
    bool returnedDuringHandler = true;
    QObject::connect(&first, &SingleInstance::handOverReceived, [&](const QByteArray&) {
        QThread::msleep(700);  // longer than the second start's receive time-out
        returnedDuringHandler = second.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready;
    });
    second = secondStart("/x.mp3\r\n", 400);
    EXPECT_EQ(serveUntil(second), Start::HandedOver);
    EXPECT_FALSE(returnedDuringHandler);
}

// A hand-over arriving while the handler runs a nested event loop (a
// progress window) waits for it instead of running inside it.
TEST_F(SingleInstanceTest, HandOversAreHandledOneAfterTheOther) {
    SingleInstance first(name());
    ASSERT_EQ(first.start(""), Start::Primary);
    ASSERT_TRUE(first.listen());
    int depth = 0;
    int deepest = 0;
    std::vector<QByteArray> order;
    std::future<Start> later;
    QObject::connect(&first, &SingleInstance::handOverReceived, [&](const QByteArray& text) {
        deepest = std::max(deepest, ++depth);
        order.push_back(text);
        if (text == "first") {
            later = secondStart("second");
            QElapsedTimer clock;
            clock.start();
            while (clock.elapsed() < 500) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        --depth;
    });
    auto earlier = secondStart("first");
    EXPECT_EQ(serveUntil(earlier), Start::HandedOver);
    ASSERT_TRUE(later.valid());
    EXPECT_EQ(serveUntil(later), Start::HandedOver);
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(order, (std::vector<QByteArray>{"first", "second"}));
}

// A crashed instance leaves its socket file (and its lock file) behind.
TEST_F(SingleInstanceTest, LeftoverSocketOfACrashDoesNotBlock) {
    const QByteArray path = QFile::encodeName(name());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(fd, 1), 0);
    ::close(fd);  // no unlink: the file stays, nobody listens
    QFile lock(name() + QStringLiteral(".lock"));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.close();

    SingleInstance first(name());
    ASSERT_EQ(first.start("/a.mp3\r\n", 1000), Start::Primary);
    std::string error;
    ASSERT_TRUE(first.listen(&error)) << error;
    bool handled = false;
    QObject::connect(&first, &SingleInstance::handOverReceived, [&](const QByteArray&) { handled = true; });
    auto second = secondStart("/b.mp3\r\n");
    EXPECT_EQ(serveUntil(second), Start::HandedOver);
    EXPECT_TRUE(handled);
}

TEST_F(SingleInstanceTest, TheNextStartRunsOnceTheFirstHasEnded) {
    {
        SingleInstance first(name());
        ASSERT_EQ(first.start(""), Start::Primary);
        ASSERT_TRUE(first.listen());
    }
    SingleInstance next(name());
    EXPECT_EQ(next.start("/a.mp3\r\n", 1000), Start::Primary);
}

// An instance that runs but does not answer: one that is still (or forever)
// building its window, and one whose event loop does not run.
TEST_F(SingleInstanceTest, SilentInstanceMakesTheSecondStartGiveUp) {
    SingleInstance first(name());
    ASSERT_EQ(first.start(""), Start::Primary);
    for (const bool listening : {false, true}) {
        if (listening) {
            ASSERT_TRUE(first.listen());
        }
        QElapsedTimer clock;
        clock.start();
        auto second = secondStart("/a.mp3\r\n", 300);
        EXPECT_EQ(second.get(), Start::Unresponsive) << listening;  // no event loop runs meanwhile
        EXPECT_LT(clock.elapsed(), 2000) << listening;
    }
}

// Two starts at the same moment never both become the running instance.
TEST_F(SingleInstanceTest, SimultaneousStartsElectOneInstance) {
    constexpr int kStarts = 8;
    std::atomic<int> ready{0};
    std::vector<std::unique_ptr<SingleInstance>> instances;
    for (int i = 0; i < kStarts; ++i) instances.push_back(std::make_unique<SingleInstance>(name()));
    std::vector<std::future<Start>> starts;
    for (auto& instance : instances) {
        starts.push_back(std::async(std::launch::async, [&ready, raw = instance.get()] {
            ++ready;
            while (ready < kStarts) std::this_thread::yield();
            return raw->start("/a.mp3\r\n", 300);
        }));
    }
    int primaries = 0;
    for (auto& start : starts) primaries += start.get() == Start::Primary ? 1 : 0;
    EXPECT_EQ(primaries, 1);
}

// Senders that break off or never finish their text reach no handler.
TEST_F(SingleInstanceTest, BrokenSendersAreIgnored) {
    SingleInstance first(name());
    ASSERT_EQ(first.start(""), Start::Primary);
    ASSERT_TRUE(first.listen());
    int handled = 0;
    QObject::connect(&first, &SingleInstance::handOverReceived, [&](const QByteArray&) { ++handled; });

    // Half a text; and a whole one from a sender that gave up before the
    // running instance got to it (it was stopped, say).
    for (const std::string& message : {std::string("/half/a path"), std::string("/gave/up.mp3\r\n", 15)}) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const QByteArray path = QFile::encodeName(name());
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
        ASSERT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(::send(fd, message.data(), message.size(), MSG_NOSIGNAL), static_cast<ssize_t>(message.size()));
        ::close(fd);
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 200) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    auto good = secondStart("/a.mp3\r\n");
    EXPECT_EQ(serveUntil(good), Start::HandedOver);
    EXPECT_EQ(handled, 1);
}

}  // namespace

// A handler that can finish only later (a refresh must stop first) holds the
// reply: the sender waits for it, and the next hand-over waits behind it.
TEST_F(SingleInstanceTest, AHeldReplyIsSentWhenTheHandlerFinishes) {
    SingleInstance first(name());
    ASSERT_EQ(first.start(""), Start::Primary);
    ASSERT_TRUE(first.listen());
    std::vector<QByteArray> order;
    std::function<void()> release;
    QObject::connect(&first, &SingleInstance::handOverReceived, [&](const QByteArray& text) {
        order.push_back(text);
        if (text == "held") release = first.holdReply();
    });
    auto held = secondStart("held");
    QElapsedTimer clock;
    clock.start();
    while (!release && clock.elapsed() < 3000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_TRUE(release);
    auto next = secondStart("next");
    clock.restart();
    while (clock.elapsed() < 400) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_NE(held.wait_for(std::chrono::milliseconds(0)), std::future_status::ready);
    EXPECT_EQ(order, std::vector<QByteArray>{"held"});  // the next one waits

    release();
    release();  // a second call does nothing
    EXPECT_EQ(serveUntil(held), Start::HandedOver);
    EXPECT_EQ(serveUntil(next), Start::HandedOver);
    EXPECT_EQ(order, (std::vector<QByteArray>{"held", "next"}));
}

// Without a runtime folder the socket lives in a private folder of ours; a
// folder, lock or socket of another user is never used.
TEST_F(SingleInstanceTest, WithoutARuntimeFolderOnlyPrivateFilesAreTrusted) {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray temp = qgetenv("TMPDIR");
    const QByteArray home = qgetenv("HOME");
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(folder_.path()));
    qputenv("HOME", QFile::encodeName(folder_.path()));
    const QString own = folder_.path() + QStringLiteral("/quilto-%1").arg(::getuid());

    EXPECT_EQ(SingleInstance::DefaultName(), own + "/QuiltoMutex");
    struct stat info {};
    ASSERT_EQ(::lstat(QFile::encodeName(own).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ::chmod(QFile::encodeName(own).constData(), 0755);  // loosened: tightened again
    SingleInstance::DefaultName();
    ASSERT_EQ(::lstat(QFile::encodeName(own).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // Only root can make files of another user; the rest runs where we can.
    if (::getuid() == 0) {
        constexpr uid_t kOther = 65534;
        ASSERT_EQ(::chown(QFile::encodeName(own).constData(), kOther, kOther), 0);
        EXPECT_FALSE(SingleInstance::DefaultName().startsWith(own + "/"));

        // Another user's lock and (listening) socket at our name: not used.
        const QByteArray path = QFile::encodeName(name());
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
        ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(::listen(fd, 1), 0);
        ASSERT_EQ(::chown(path.constData(), kOther, kOther), 0);
        QFile lock(name() + ".lock");
        ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
        lock.close();
        ASSERT_EQ(::chown(QFile::encodeName(lock.fileName()).constData(), kOther, kOther), 0);

        SingleInstance first(name());
        EXPECT_EQ(first.start("/a.mp3\r\n", 300), Start::Primary);  // nothing handed to the stranger
        std::string error;
        EXPECT_FALSE(first.listen(&error));
        EXPECT_NE(error.find("another user"), std::string::npos) << error;
        ::close(fd);
    }
    for (const auto& [variable, value] : {std::pair{"XDG_RUNTIME_DIR", runtime}, std::pair{"TMPDIR", temp}, std::pair{"HOME", home}}) {
        if (value.isNull()) {
            qunsetenv(variable);
        } else {
            qputenv(variable, value);
        }
    }
}
