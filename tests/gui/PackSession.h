// The Pack page session the pack and unpack command tests start from: three
// fixtures in a fresh folder, frame-scanned and dropped on the Pack page, and
// the window's questions answered by a script.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/FileListView.h"
#include "app/FormMain.h"
#include "app/PackDialogs.h"
#include "app/TrackListPage.h"
#include "pack/OutputFile.h"
#include "pack/PackOptions.h"
#include "pack/ui/CueSheetDialogs.h"
#include "support/MenuLookup.h"

namespace quilto::test {

using quilto::app::FormMain;
using quilto::app::TrackListPage;
using quilto::pack::PackFormat;
using quilto::pack::SaveMode;

inline const QString kFixtures = QStringLiteral(QUILTO_FIXTURE_DIR);
// All 44100 Hz, so that the header's Hz is common; c.mp3 carries the album.
inline const std::pair<const char*, const char*> kFiles[] = {
    {"cbr128_joint_info.mp3", "a.mp3"}, {"cbr128_stereo_info.mp3", "b.mp3"}, {"tag_mutagen_v23.mp3", "c.mp3"}};

// Answers as the user would; records what was asked.
class ScriptedDialogs final : public quilto::app::PackDialogs {
public:
    struct State {
        bool optionsOk = true;
        PackFormat format = PackFormat::Zip;
        quilto::pack::CueSheetChoice cueSheet = quilto::pack::CueSheetChoice::EmbeddedInMp3;
        std::deque<QString> paths;  // answers of the save dialog; none left: Cancel
        quilto::pack::ui::ExportResult exportResult = quilto::pack::ui::ExportResult::Saved;
        std::function<void()> duringOptions;  // runs while the option dialog is open
        int optionCalls = 0;
        QStringList offeredNames;
        int exportCalls = 0;
        QStringList errors;
        QStringList information;
        // Extraction: the option dialog's answer (nothing: Cancel), the
        // folder picked (empty: Cancel), the answers about existing files.
        std::optional<quilto::pack::ExtractChoices> extract;
        std::vector<std::string> extractFolderNames;
        QString outputFolder;
        std::deque<quilto::pack::ExistingAnswer> existing;
        QStringList askedExisting;
    };
    explicit ScriptedDialogs(std::shared_ptr<State> state) : state_(std::move(state)) {}

    std::optional<quilto::pack::PackChoices> packOptions(QWidget*, quilto::app::AppSettings&,
                                                         const quilto::pack::TrackPage& page, SaveMode mode,
                                                         std::uint32_t optionWord) override {
        ++state_->optionCalls;
        if (state_->duringOptions) state_->duringOptions();
        if (!state_->optionsOk) return std::nullopt;
        quilto::pack::PackOptions options;
        options.format = state_->format;
        options.cueSheet = state_->cueSheet;
        const quilto::pack::PackPreset preset = quilto::pack::PresetPackRun(options, page, mode, optionWord);
        return quilto::pack::MakePackChoices(options, preset, false);
    }
    QString outputPath(QWidget*, const QString&, const QString& name) override {
        state_->offeredNames << name;
        if (state_->paths.empty()) return {};
        QString next = state_->paths.front();
        state_->paths.pop_front();
        return next;
    }
    quilto::pack::ui::ExportResult exportCueSheet(QWidget*, quilto::pack::TrackPage&, bool, bool,
                                                  const QString&) override {
        ++state_->exportCalls;
        return state_->exportResult;
    }
    std::optional<quilto::pack::ExtractChoices> extractOptions(QWidget*, quilto::app::AppSettings&,
                                                               const std::string& folderName) override {
        state_->extractFolderNames.push_back(folderName);
        return state_->extract;
    }
    QString outputFolder(QWidget*, const QString&) override { return state_->outputFolder; }
    quilto::pack::ExistingAnswer askExisting(QWidget*, const QString& path) override {
        state_->askedExisting << path;
        if (state_->existing.empty()) return quilto::pack::ExistingAnswer::Cancel;
        const auto answer = state_->existing.front();
        state_->existing.pop_front();
        return answer;
    }
    void showError(QWidget*, const QString& message, const QString&) override { state_->errors << message; }
    void showInformation(QWidget*, const QString& message, const QString&) override { state_->information << message; }

private:
    std::shared_ptr<State> state_;
};

// Every write fails as a full disk does.
class FullDisk final : public quilto::pack::OutputFile {
public:
    bool write(const void*, std::size_t) override {
        lastError_ = 28;
        return false;
    }
    std::optional<std::uint64_t> tell() override { return 0; }
    bool seek(std::uint64_t) override { return true; }
};

inline std::unique_ptr<quilto::pack::OutputFile> OpenOnDisk(const std::string& path, std::string& error) {
    auto file = quilto::pack::DiskOutputFile::CreateNew(path, &error);
    if (!file) return nullptr;
    return std::make_unique<quilto::pack::DiskOutputFile>(std::move(*file));
}

class PackSession : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid() && settings_.isValid());
        qputenv("QUILTO_CONFIG_DIR", settings_.path().toLocal8Bit());
        for (const auto& [fixture, name] : kFiles) {
            ASSERT_TRUE(QFile::copy(kFixtures + "/" + fixture, folder_.filePath(name))) << fixture;
        }
        window_ = std::make_unique<FormMain>(QStringList{folder_.path()});
        window_->show();
        window_->runFirstIdle();
        window_->runFrameScan(quilto::core::FrameScanVariant::All);
        window_->fileList()->selectAll();
        window_->pages()->setCurrentIndex(FormMain::PackPage);
        window_->filesDroppedOnPage(FormMain::PackPage, static_cast<int>(TrackListPage::Target::TrackList));
        window_->setPackDialogs(std::make_unique<ScriptedDialogs>(answers_));
    }
    void TearDown() override {
        window_.reset();
        qunsetenv("QUILTO_CONFIG_DIR");
    }

    quilto::pack::TrackPage& packPage() { return window_->trackPage(FormMain::PackPage)->data(); }
    // "Create Packed MP3" as the menu offers it.
    void create() {
        QMenu* menu = MainMenu(*window_, "Pack");
        emit menu->aboutToShow();
        QAction* action = FindAction(menu, "Create Packed MP3");
        ASSERT_TRUE(action->isEnabled());
        action->trigger();
    }
    QStringList filesInFolder() const { return QDir(folder_.path()).entryList(QDir::Files, QDir::Name); }
    QTemporaryDir folder_;
    QTemporaryDir settings_;
    std::unique_ptr<FormMain> window_;
    std::shared_ptr<ScriptedDialogs::State> answers_ = std::make_shared<ScriptedDialogs::State>();
};

}  // namespace quilto::test
