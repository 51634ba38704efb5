// FormMain: the commands that write packed files ("Create Packed MP3",
// "Save", "Save as", "Save Selection as"), and the long-operation state that
// keeps hand-overs and drops from changing the lists while a run reads them.
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMenu>

#include <filesystem>
#include <functional>
#include <span>
#include <utility>
#include <vector>

#include "app/AppSettings.h"
#include "app/FormMain.h"
#include "app/PackDialogs.h"
#include "app/ProgressWindow.h"
#include "app/QtText.h"
#include "app/TrackListPage.h"
#include "edit/EditableListView.h"
#include "pack/CueSheet.h"
#include "pack/FileNames.h"
#include "pack/ui/CueSheetDialogs.h"

namespace quilto::app {

namespace {

// Ends the long operation however the run leaves its scope.
template <typename End>
class ScopeEnd {
public:
    explicit ScopeEnd(End end) : end_(std::move(end)) {}
    ~ScopeEnd() { end_(); }
    ScopeEnd(const ScopeEnd&) = delete;
    ScopeEnd& operator=(const ScopeEnd&) = delete;

private:
    End end_;
};

std::string PathBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

void FormMain::addPackWriterCommands(QMenu* menu, Page page) {
    using pack::SaveMode;
    struct Command {
        const char* caption;
        SaveMode mode;
    };
    static constexpr Command kPack[] = {{"Create Packed MP3", SaveMode::Create}};
    static constexpr Command kUnPack[] = {
        {"Save", SaveMode::Save}, {"Save as", SaveMode::SaveAs}, {"Save Selection as", SaveMode::SaveSelectionAs}};
    std::vector<std::pair<QAction*, SaveMode>> actions;
    for (const Command& command : page == PackPage ? std::span<const Command>(kPack) : std::span<const Command>(kUnPack)) {
        const SaveMode mode = command.mode;
        QAction* action = menu->addAction(QString::fromLatin1(command.caption), this, [this, mode] { savePacked(mode); });
        action->setData(static_cast<int>(mode));
        action->setEnabled(false);
        actions.emplace_back(action, mode);
    }
    TrackListPage* target = trackPage(page);
    connect(menu, &QMenu::aboutToShow, this, [target, actions] {
        // The cell being edited is committed first (commitEditorsWhenMenusOpen).
        const pack::PackCommandStates states = pack::PackCommandEnabling(target->data());
        for (const auto& [action, mode] : actions) {
            switch (mode) {
                case SaveMode::Create:
                case SaveMode::SaveAs: action->setEnabled(states.create); break;
                case SaveMode::SaveSelectionAs: action->setEnabled(states.saveSelectionAs); break;
                // Rewriting in place needs the file the tracks were read from.
                case SaveMode::Save: action->setEnabled(states.save && !target->data().header.filePath.empty()); break;
            }
        }
    });
}

PackDialogs& FormMain::packDialogs() {
    if (!packDialogs_) packDialogs_ = MakeQtPackDialogs();
    return *packDialogs_;
}

void FormMain::setPackDialogs(std::unique_ptr<PackDialogs> dialogs) { packDialogs_ = std::move(dialogs); }

void FormMain::runLongWork(const QString& caption, const std::function<void(ProgressWindow&)>& work,
                           const std::function<void()>& finish) {
    ++longWork_;
    bool ended = false;
    // However work ends, the window comes back.
    ScopeEnd restore([this, &ended] {
        activeProgress_ = nullptr;
        if (ended) return;
        --longWork_;
        setBusy(false);
    });
    setBusy(true);
    {
        ProgressWindow progress(this, caption);
        activeProgress_ = &progress;
        progress.start();
        work(progress);
        activeProgress_ = nullptr;
        progress.hide();
    }
    setBusy(false);
    // Still held: a hand-over now would replace what finish shows.
    finish();
    ended = true;
    --longWork_;
    runAfterLongWork();
}

void FormMain::runAfterLongWork() {
    // What arrived meanwhile, in order; a step that starts long work again
    // queues the rest behind it.
    if (longWork_ > 0) return;  // the outer hold runs them when it ends
    std::vector<std::function<void()>> waiting = std::exchange(afterLongWork_, {});
    for (std::size_t i = 0; i < waiting.size(); ++i) {
        if (longWork_ > 0) {
            afterLongWork_.insert(afterLongWork_.begin(), waiting.begin() + static_cast<std::ptrdiff_t>(i), waiting.end());
            return;
        }
        waiting[i]();
    }
}

bool FormMain::deferDuringLongWork(std::function<void()> step) {
    if (longWork_ == 0) return false;
    afterLongWork_.push_back(std::move(step));
    return true;
}

void FormMain::holdLongWork(const std::function<void()>& body) {
    ++longWork_;
    bool ended = false;
    ScopeEnd release([this, &ended] {
        if (!ended) --longWork_;
    });
    body();
    ended = true;
    --longWork_;
    runAfterLongWork();
}

void FormMain::savePacked(pack::SaveMode mode) {
    if (filling_ || longWork_ > 0) return;
    // From the first dialog on the run refers to the page's lists: a hand-over
    // meanwhile (which may open another file there) waits for its end.
    holdLongWork([this, mode] { savePackedHeld(mode); });
}

void FormMain::savePackedHeld(pack::SaveMode mode) {
    using pack::SaveMode;
    edit::CommitOpenCellEditor(this);
    TrackListPage* target = trackPage(mode == SaveMode::Create ? PackPage : UnPackPage);
    pack::TrackPage& page = target->data();
    if (mode == SaveMode::Save && page.header.filePath.empty()) return;  // no file to rewrite
    PackDialogs& dialogs = packDialogs();

    const bool performersDiffer = pack::CueDefaults(page.header, page.cues, false);
    target->refresh();
    const std::optional<pack::PackChoices> choices =
        dialogs.packOptions(this, *settings_, page, mode, target->optionWord());
    if (!choices) return;

    pack::PackRun run;
    run.mode = mode;
    run.choices = *choices;
    run.syncSafe = settings_->general.syncSafe;
    run.keepBackup = settings_->general.backup;
    run.unicodeText = settings_->general.unicodeTag;
    run.replacements = settings_->rename.forbiddenReplacements;
    run.optionWord = target->optionWord();
    run.optionWordSource = target->optionWordSource();
    if (mode == SaveMode::SaveSelectionAs) run.selectedRows = target->selectedTrackRows();

    QString outputFolder;
    if (mode == SaveMode::Save) {
        run.outputPath = page.header.filePath;
        page.header.file = DisplayName(std::filesystem::path(run.outputPath).filename().string()).toStdString();
        outputFolder = QFileInfo(QFile::decodeName(QByteArray::fromStdString(run.outputPath))).absolutePath();
    } else {
        std::string name = pack::ProposePackedFileName(page.header.file, page.header.performer, page.header.title,
                                                       performersDiffer, choices->extension);
        name = pack::MakeValidFileName(name, pack::ForbiddenMode::Replace, settings_->rename.forbiddenReplacements);
        page.header.file = name;
        target->refresh();
        QString folder = pack::ui::SharedDialogFolder();
        if (folder.isEmpty()) folder = currentFolder_;
        QString offered = ToQString(name);
        QString chosen;
        // Writing over a file the run reads would destroy it: ask again.
        do {
            chosen = dialogs.outputPath(this, folder, offered);
            if (chosen.isEmpty()) return;
            const QFileInfo info(chosen);
            folder = info.absolutePath();
            offered = info.fileName();
        } while (pack::OutputIsASource(page, mode, PathBytes(chosen)));
        const QFileInfo info(chosen);
        outputFolder = info.absolutePath();
        pack::ui::SetSharedDialogFolder(outputFolder);
        run.outputPath = PathBytes(info.absoluteFilePath());
        run.replaceExisting = true;  // the save dialog asked before an existing file was chosen
        page.header.file = info.fileName().toStdString();
    }
    target->refresh();

    if (choices->cueGroupEnabled) {
        const bool remLines = settings_->general.cueSheet;
        switch (choices->options.cueSheet) {
            case pack::CueSheetChoice::EmbeddedInMp3:
                pack::WriteCueSheet(run.cueSheetLines, performersDiffer, page.header, page.cues, remLines);
                break;
            case pack::CueSheetChoice::ExportToCueFile:
                // Cancelled or failed (already shown): nothing is written.
                if (dialogs.exportCueSheet(this, page, performersDiffer, remLines, outputFolder) !=
                    pack::ui::ExportResult::Saved) {
                    return;
                }
                break;
            case pack::CueSheetChoice::Cancel:
                break;
        }
    }

    pack::PackOutcome outcome;
    runLongWork(
        QStringLiteral("Saving ..."),
        [&](ProgressWindow& progress) { outcome = pack::SavePacked(page, run, progress, packOutput_); },
        [&] {
            switch (outcome.status) {
                case pack::PackOutcome::Status::Failed:
                    dialogs.showError(this, ToQString(outcome.message));
                    break;
                case pack::PackOutcome::Status::Cancelled:
                    // Closing the window cancelled the run: the user knows.
                    if (closing_) break;
                    dialogs.showInformation(this, mode == SaveMode::Save
                                                      ? tr("Cancelled: the packed file is as it was.")
                                                      : tr("Cancelled: no packed file was written."));
                    break;
                case pack::PackOutcome::Status::Written:
                    // The tracks' places in the rewritten file have changed.
                    if (mode == SaveMode::Save) target->clearLists(pack::ClearWhat::All);
                    break;
                case pack::PackOutcome::Status::NothingToDo:
                    break;
            }
            target->refresh();
            // The new file (and a backup) show in the file list.
            if (!closing_) reload();
        });
}

}  // namespace quilto::app
