// Two real starts of the program: the second hands its file over and ends
// with status 1; the first shows that file's folder and keeps it at close.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "core/IniFile.h"

namespace {

const QString kApp = QStringLiteral(QUILTO_APP_PATH);
const QString kFixtures = QStringLiteral(QUILTO_FIXTURE_DIR);

class TwoInstances : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(work_.isValid());
        for (const char* folder : {"cfg", "a", "b"}) ASSERT_TRUE(QDir(work_.path()).mkpath(folder));
        ASSERT_TRUE(QFile::copy(kFixtures + "/cbr128_joint_info.mp3", path("a/first.mp3")));
        ASSERT_TRUE(QFile::copy(kFixtures + "/vbr_xing_v2.mp3", path("b/handed.mp3")));
    }

    QString path(const QString& relative) const { return work_.filePath(relative); }

    void startProgram(QProcess& process, const QStringList& arguments) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("QUILTO_CONFIG_DIR", path("cfg"));
        env.insert("QUILTO_INSTANCE_NAME", path("instance"));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(kApp, arguments);
    }

    // The running instance listens once its window exists.
    bool waitUntilListening() const {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 15000) {
            if (QFileInfo(path("instance")).exists()) return true;
            QThread::msleep(20);
        }
        return false;
    }

    QTemporaryDir work_;
};

}  // namespace

TEST_F(TwoInstances, SecondStartHandsOverAndExitsWithOne) {
    QProcess first;
    startProgram(first, {path("a/first.mp3")});
    ASSERT_TRUE(first.waitForStarted(10000));
    ASSERT_TRUE(waitUntilListening());

    QProcess second;
    startProgram(second, {path("b/handed.mp3"), path("a/ignored.mp3")});
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 1);

    QProcess empty;  // no arguments: an empty hand-over, still status 1
    startProgram(empty, {});
    ASSERT_TRUE(empty.waitForFinished(15000));
    EXPECT_EQ(empty.exitCode(), 1);

    first.terminate();  // as the desktop session ending does: settings are stored
    ASSERT_TRUE(first.waitForFinished(15000));
    EXPECT_EQ(first.exitCode(), 0);
    const auto ini = quilto::core::IniFile::Load(path("cfg/Quilto.ini").toStdString());
    EXPECT_EQ(ini.readString("Window", "Dir", ""), QDir(path("b")).absolutePath().toStdString() + "/");
    EXPECT_EQ(ini.readInt("Window", "Page", -1), 1);  // the handed file was selected on the UnPack page

    // With the first gone, the next start runs by itself.
    QProcess next;
    startProgram(next, {path("a")});
    ASSERT_TRUE(next.waitForStarted(10000));
    EXPECT_FALSE(next.waitForFinished(1500));
    next.terminate();
    ASSERT_TRUE(next.waitForFinished(15000));
    EXPECT_EQ(next.exitCode(), 0);
}
