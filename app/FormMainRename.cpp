// FormMain: the ReName menu, the rename options and the column commands'
// replace question.
#include <QAction>
#include <QMenu>

#include <algorithm>

#include "app/AppSettings.h"
#include "app/FileListModel.h"
#include "app/FolderTree.h"
#include "app/FormMain.h"
#include "app/ProgressWindow.h"
#include "app/QtText.h"
#include "app/RenameDialogs.h"
#include "app/RenameModels.h"
#include "app/RenamePage.h"
#include "app/TagDialogs.h"
#include "edit/EditableListView.h"
#include "rename/ApplyRenames.h"
#include "rename/PackedNames.h"
#include "rename/RenameCheck.h"
#include "rename/ReplaceHistory.h"
#include "tags/TagEdits.h"

namespace quilto::app {

namespace {

bool HasPendingRenames(const core::FolderRows& rows) {
    return std::any_of(rows.rename.begin(), rows.rename.end(),
                       [](const core::RenameRow& row) { return row.image == core::kEditedImage; });
}

}  // namespace

void FormMain::buildRenameMenu(QMenu* menu) {
    checkRenames_ = menu->addAction(QStringLiteral("Check"), this, &FormMain::checkRenames);
    updateRenames_ = menu->addAction(QStringLiteral("Update"), this, &FormMain::updateRenames);
    connect(menu, &QMenu::aboutToShow, this, [this] {
        edit::CommitOpenCellEditor(this);
        const bool pending = HasPendingRenames(rows_);
        checkRenames_->setEnabled(pending);
        updateRenames_->setEnabled(pending);
    });
}

RenameDialogs& FormMain::renameDialogs() {
    if (!renameDialogs_) renameDialogs_ = MakeQtRenameDialogs();
    return *renameDialogs_;
}

void FormMain::setRenameDialogs(std::unique_ptr<RenameDialogs> dialogs) { renameDialogs_ = std::move(dialogs); }

void FormMain::checkRenames() {
    if (filling_ || longWork_ > 0) return;
    edit::CommitOpenCellEditor(this);
    rename::CheckRenames(rows_.rename, renamePage_->renameModel()->source(), settings_->rename.extensionCase);
    renamePage_->refresh();
}

void FormMain::updateRenames() {
    if (filling_ || longWork_ > 0) return;
    // From the check on the run refers to these rows: a hand-over meanwhile
    // (which would refill them) waits for its end.
    holdLongWork([this] { updateRenamesHeld(); });
}

void FormMain::updateRenamesHeld() {
    edit::CommitOpenCellEditor(this);
    if (!HasPendingRenames(rows_)) return;
    const bool problem =
        rename::CheckRenames(rows_.rename, renamePage_->renameModel()->source(), settings_->rename.extensionCase);
    renamePage_->refresh();
    if (problem) return;
    // The rows are read again after renaming: tag edits would vanish unasked.
    if ((tags::HasEditedRows(rows_, tags::TagList::Id3v1) || tags::HasEditedRows(rows_, tags::TagList::Id3v2)) &&
        !renameDialogs().dropTagEdits(this)) {
        return;
    }
    const bool packed = packedFileNodeIsCurrent();
    const std::string packedPath = packedFilePath_;
    RenameRun run;
    runLongWork(
        packed ? QStringLiteral("Saving ...") : QStringLiteral("ReName ..."),
        [&](ProgressWindow& progress) { run = runRenames(progress); },
        [&] {
            // One message naming every row that kept its name, and why.
            if (!run.message.empty() && !(run.cancelled && closing_)) {
                renameDialogs().showError(this, ToQString(run.message));
            }
            if (closing_) return;
            if (packed) {
                // A run that did not finish left the file as it was.
                if (!run.failed && !run.cancelled) showPackedFile(QByteArray::fromStdString(packedPath));
                return;
            }
            if (!run.failed) {
                reload();
                return;
            }
            // The rows renamed show their new names; the others keep their
            // marks, their files the cannot-open icon.
            fileModel_->rowsChanged(0, static_cast<int>(rows_.size()) - 1);
            renamePage_->refresh();
        });
}

FormMain::RenameRun FormMain::runRenames(ProgressWindow& progress) {
    RenameRun run;
    if (packedFileNodeIsCurrent()) {
        const core::ContainerKind kind = FolderTree::PackedKind(tree_->currentFolderNode());
        const rename::PackedRenameOutcome outcome = rename::RewritePackedNames(
            packedFilePath_, kind, rows_, packedSpans_, settings_->general.backup, progress, packOutput_);
        run.failed = outcome.status == pack::RewriteStatus::Failed;
        run.cancelled = outcome.status == pack::RewriteStatus::Cancelled;
        run.message = outcome.message;
        return run;
    }
    const rename::ApplyOutcome outcome = rename::ApplyRenames(rows_);
    run.failed = outcome.failed();
    run.message = outcome.message;
    return run;
}

void FormMain::editRenameOptions() {
    edit::CommitOpenCellEditor(this);
    RenameOptions options = settings_->rename;
    if (!renameDialogs().editOptions(this, options)) return;
    settings_->rename = options;
    renamePage_->setOptions(options);
    // The dialog's section is written at once, into the file as it is now.
    core::IniFile file = core::IniFile::Load(settings_->location.iniPath());
    options.store(file);
    SaveSettingsOrWarn(this, file, settings_->location);
}

std::optional<rename::ReplaceRequest> FormMain::askReplace(QWidget* owner, const QString& caption,
                                                           const QString& preset) {
    rename::ReplaceHistory history = renamePage_->history();
    SetAllRequest request;
    request.page = SetAllRequest::Page::Replace;
    request.caption = caption;
    request.text = preset;
    for (const std::string& text : history.from) request.fromHistory << ToQString(text);
    for (const std::string& text : history.to) request.toHistory << ToQString(text);
    request.matchCase = history.matchCase;
    const std::optional<SetAllAnswer> answer = tagDialogs().setAll(owner, request);
    if (!answer) return std::nullopt;
    rename::ReplaceRequest result{answer->text.toStdString(), answer->to.toStdString(), answer->matchCase};
    rename::AddToHistory(history.from, result.from);
    if (!result.to.empty()) rename::AddToHistory(history.to, result.to);
    history.matchCase = result.matchCase;
    renamePage_->setHistory(history);
    return result;
}

}  // namespace quilto::app
