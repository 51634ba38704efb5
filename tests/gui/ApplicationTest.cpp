// The standard error box: an exception out of a command is shown and the
// program goes on with the next message.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include "app/Application.h"
#include "core/NumberText.h"

using quilto::app::Application;

namespace {

// A command that throws, as cell editing does on a text that is no number.
class Thrower final : public QObject {
public:
    int handled = 0;
    bool event(QEvent* event) override {
        if (event->type() != QEvent::User) return QObject::event(event);
        ++handled;
        if (handled == 1) throw quilto::core::InvalidNumber("12x");
        if (handled == 2) throw 42;  // not a std::exception
        return true;
    }
};

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application::SetErrorBox([this](const QString& message) { shown_ << message; });
    }
    void TearDown() override { Application::SetErrorBox({}); }
    QStringList shown_;
};

TEST_F(ApplicationTest, ExceptionsOutOfCommandsAreShownAndTheLoopGoesOn) {
    ASSERT_NE(qobject_cast<Application*>(QCoreApplication::instance()), nullptr);
    Thrower thrower;
    for (int i = 0; i < 3; ++i) QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    bool timerRan = false;
    QTimer::singleShot(0, [&timerRan] { timerRan = true; });
    QCoreApplication::processEvents();

    EXPECT_EQ(thrower.handled, 3);  // the events after the throwing ones still arrived
    EXPECT_TRUE(timerRan);
    ASSERT_EQ(shown_.size(), 2);
    EXPECT_EQ(shown_[0].toStdString(), quilto::core::InvalidNumber("12x").what());
    EXPECT_FALSE(shown_[1].isEmpty());
}

}  // namespace
