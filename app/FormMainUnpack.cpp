// FormMain: opening packed files on the UnPack page, extracting their
// tracks, and showing a packed file's tracks in the file list.
#include <QFile>
#include <QLabel>

#include <numeric>
#include <string>
#include <vector>

#include "app/AppSettings.h"
#include "app/FileListModel.h"
#include "app/FileListView.h"
#include "app/FolderTree.h"
#include "app/FormMain.h"
#include "app/RenameModels.h"
#include "app/RenamePage.h"
#include "app/PackDialogs.h"
#include "app/ProgressWindow.h"
#include "app/QtText.h"
#include "app/TagListModel.h"
#include "app/TrackListPage.h"
#include "core/StatusText.h"
#include "edit/EditableListView.h"
#include "pack/ExtractTracks.h"
#include "pack/OpenPacked.h"
#include "pack/PackedRows.h"
#include "pack/ui/CueSheetDialogs.h"

namespace quilto::app {

void FormMain::openPackedOnUnPackPage() {
    const QModelIndex focused = fileList_->currentIndex();
    if (!focused.isValid() || static_cast<std::size_t>(focused.row()) >= rows_.size()) return;
    const auto row = static_cast<std::size_t>(focused.row());
    fileList_->selectRows({focused.row()});
    refreshSelectionSummary();
    const core::FileRecord& record = rows_.files[row];
    // Plain MP3s without a cue index have nothing to open.
    if (record.icon == core::FileIcon::None && !record.cueMark) return;

    const pack::PackedFileFacts facts{record.containerKind, record.cueMark, record.text(core::FileColumn::Title),
                                      record.text(core::FileColumn::Album), record.text(core::FileColumn::Artist)};
    const std::string path = rows_.path(row);
    pack::OpenPackedResult result;
    runLongWork(
        QStringLiteral("Frame Scan ..."),
        [&](ProgressWindow& progress) {
            result = pack::OpenPacked(path, facts, unpackPage_->data(), *genres_, progress,
                                      [this](std::size_t track) { unpackPage_->showScanning(track); });
        },
        [&] {
            if (result.status == pack::OpenPackedResult::Status::CannotOpen) {
                if (row < rows_.size()) {
                    core::FileRecord& failed = rows_.files[row];
                    failed.icon = core::FileIcon::CannotOpen;
                    failed.cueMark = false;
                    failed.selected = false;
                    fileModel_->rowsChanged(static_cast<int>(row), static_cast<int>(row));
                }
                return;
            }
            unpackPage_->setOptionWord(result.optionWord, path);
            unpackPage_->selectTrackRows({});
            unpackPage_->refresh();
            refreshStatus();
        });
}

void FormMain::extractTracks() {
    if (filling_ || longWork_ > 0) return;
    // The run reads the UnPack page from its first question on.
    holdLongWork([this] { extractTracksHeld(); });
}

void FormMain::extractTracksHeld() {
    edit::CommitOpenCellEditor(this);
    const pack::TrackPage& page = unpackPage_->data();
    if (page.tracks.empty()) return;
    PackDialogs& dialogs = packDialogs();
    const std::optional<pack::ExtractChoices> choices = dialogs.extractOptions(this, *settings_, page.header.title);
    if (!choices) return;
    QString start = pack::ui::SharedDialogFolder();
    if (start.isEmpty()) start = currentFolder_;
    const QString folder = dialogs.outputFolder(this, start);
    if (folder.isEmpty()) return;

    pack::ExtractRequest request;
    request.outputFolder = QFile::encodeName(folder).toStdString();
    request.choices = *choices;
    if (!choices->selectAll) request.selectedRows = unpackPage_->selectedTrackRows();
    request.replacements = settings_->rename.forbiddenReplacements;
    request.unicodeText = settings_->general.unicodeTag;

    pack::ExtractOutcome outcome;
    runLongWork(
        QStringLiteral("Extracting ..."),
        [&](ProgressWindow& progress) {
            outcome = pack::ExtractTracks(page, request, progress, [&](const std::string& target) {
                return dialogs.askExisting(&progress, DisplayName(target));
            });
        },
        [&] {
            // Taking every track shows them all as chosen.
            if (request.selectedRows.empty()) {
                std::vector<std::size_t> all(page.tracks.size());
                std::iota(all.begin(), all.end(), std::size_t{0});
                unpackPage_->selectTrackRows(all);
            }
            switch (outcome.status) {
                case pack::ExtractOutcome::Status::Failed:
                    dialogs.showError(this, ToQString(outcome.message), PackDialogs::kExtractCaption);
                    break;
                case pack::ExtractOutcome::Status::Cancelled:
                    if (!closing_) {
                        dialogs.showInformation(this, tr("Cancelled: the tracks written before stay; nothing else changed."),
                                                PackDialogs::kExtractCaption);
                    }
                    break;
                case pack::ExtractOutcome::Status::Done:
                    if (!outcome.message.empty()) {
                        dialogs.showInformation(this, ToQString(outcome.message), PackDialogs::kExtractCaption);
                    }
                    break;
            }
            pack::ui::SetSharedDialogFolder(folder);
            if (!closing_) reload();
        });
}

void FormMain::showPackedFile(const QByteArray& path) {
    if (deferDuringLongWork([this, path] { showPackedFile(path); })) return;
    if (filling_) return;
    if (!tree_->showPackedFile(path)) return;
    const core::ContainerKind kind = FolderTree::PackedKind(tree_->currentFolderNode());
    edit::CommitOpenCellEditor(this);
    // Showing a packed file's tracks starts the UnPack page afresh.
    unpackPage_->clearLists(pack::ClearWhat::All);
    unpackPage_->setOptionWord(0, {});

    core::FolderRows packed;
    pack::PackedRows result;
    packedFilePath_ = path.toStdString();
    runLongWork(
        QStringLiteral("Frame Scan ..."),
        [&](ProgressWindow& progress) {
            result = pack::FillPackedRows(packed, packedFilePath_, kind, *genres_, progress);
        },
        [&] {
            // The lists change at once, never while the views paint them.
            rows_ = std::move(packed);
            packedSpans_ = std::move(result.spans);
            sort_.resetCaptions();
            fileModel_->reset();
            fileModel_->headerChanged();
            id3v1Model_->reset();
            id3v2Model_->reset();
            renamePage_->rowsReset();
            status_[2]->setText(DisplayName(packedFilePath_));
            refreshSelectionSummary();
            refreshStatus();
        });
}

}  // namespace quilto::app
