// A main window over a temporary folder holding copies of three real
// fixtures (a.mp3, b.mp3, c.mp3), with a settings folder and an exchange
// folder of its own and scripted answers to the tag pages' questions.
#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

#include "app/FormMain.h"
#include "gui/ScriptedTagDialogs.h"

namespace quilto::test {

class FixtureWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid() && settings_.isValid() && runtime_.isValid());
        qputenv("QUILTO_CONFIG_DIR", settings_.path().toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
        const QString fixtures = QStringLiteral(QUILTO_FIXTURE_DIR);
        const char* const sources[] = {"cbr128_joint_info.mp3", "cbr128_stereo_info.mp3", "tag_mutagen_v23.mp3"};
        const char* const names[] = {"a.mp3", "b.mp3", "c.mp3"};
        for (int i = 0; i < 3; ++i) {
            QFile::remove(folder_.filePath(names[i]));  // a case of a table starts afresh
            ASSERT_TRUE(QFile::copy(fixtures + "/" + sources[i], folder_.filePath(names[i])));
            QFile::setPermissions(folder_.filePath(names[i]), QFile::ReadOwner | QFile::WriteOwner);
        }
    }
    void TearDown() override {
        window_.reset();
        qunsetenv("QUILTO_CONFIG_DIR");
        qunsetenv("XDG_RUNTIME_DIR");
    }
    // Opens the window on the folder; editor: the program of the "Editor" commands.
    void openWindow(const QString& editor = {}) {
        if (!editor.isEmpty()) {
            QFile ini(settings_.filePath("Quilto.ini"));
            ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
            ini.write(QStringLiteral("[OptionGen]\r\nEditor=%1\r\n").arg(editor).toUtf8());
        }
        window_ = std::make_unique<app::FormMain>(QStringList{folder_.path()});
        window_->show();
        window_->runFirstIdle();
        window_->setTagDialogs(std::make_unique<ScriptedTagDialogs>(answers_));
    }
    // An editor: a shell script running body with the exchange file as $1.
    QString script(const QString& body) {
        const QString path = settings_.filePath("editor.sh");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(("#!/bin/sh\n" + body + "\n").toUtf8());
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }

    QTemporaryDir folder_;
    QTemporaryDir settings_;
    QTemporaryDir runtime_;
    std::unique_ptr<app::FormMain> window_;
    std::shared_ptr<Answers> answers_ = std::make_shared<Answers>();
};

}  // namespace quilto::test
