// FormMain: showing a folder, filling its rows, and the paths that arrive
// from the command line, a second start or a drop.
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QTabWidget>
#include <QTimer>

#include "app/AppSettings.h"
#include "app/QtText.h"
#include "app/DriveSelector.h"
#include "app/FileListModel.h"
#include "app/FileListView.h"
#include "app/FolderTree.h"
#include "app/FormMain.h"
#include "app/RenameModels.h"
#include "app/RenamePage.h"
#include "app/HelpWindow.h"
#include "app/ProgressWindow.h"
#include "app/TagListModel.h"
#include "core/StatusText.h"

namespace quilto::app {

namespace {


QString WithTrailingSlash(QString folder) {
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    return folder;
}

// Filling a large folder: rows show their texts as they are read, the count
// runs in the status bar, and the window stays responsive.
class FillProgress final : public core::Progress {
public:
    FillProgress(FileListModel& model, QLabel& panel, const bool& cancel, std::size_t rows)
        : model_(model), panel_(panel), cancel_(cancel), rows_(rows) {}

    bool cancelRequested() const override { return cancel_; }
    void pump() override {
        model_.rowsChanged(0, static_cast<int>(rows_) - 1);
        panel_.setText(QObject::tr("Reading %1").arg(QString::fromStdString(count_)));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    }
    // Called for every row: only kept until the next pump shows it.
    void setPanelText(int panel, std::string_view text) override {
        if (panel == 1) count_.assign(text);
    }

private:
    FileListModel& model_;
    QLabel& panel_;
    const bool& cancel_;
    std::size_t rows_;
    std::string count_;
};

}  // namespace

void FormMain::scanFolder(const QString& folder, bool refreshNow) {
    scanRawFolder(QFile::encodeName(WithTrailingSlash(QDir::cleanPath(QDir(folder).absolutePath()))).toStdString(),
                  refreshNow);
}

void FormMain::scanRawFolder(std::string folder, bool refreshNow) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    packedFilePath_.clear();
    packedSpans_.clear();
    currentRawFolder_ = folder;
    currentFolder_ = DisplayName(folder);
    const QString& path = currentFolder_;
    drives_->showVolumeOf(path);
    tree_->showFolder(QFile::encodeName(drives_->volumeOf(path)).toStdString(), folder);
    core::ScanFolder(rows_, folder);
    sort_.resetCaptions();
    fileModel_->reset();
    fileModel_->headerChanged();
    id3v1Model_->reset();
    id3v2Model_->reset();
    renamePage_->rowsReset();
    status_[2]->setText(path);
    status_[0]->setText(QStringLiteral("[0/%1]   0  0:00").arg(rows_.size()));
    if (refreshNow) fillRows();
}

void FormMain::fillRows() {
    if (filling_) return;
    filling_ = true;
    cancelFill_ = false;
    setBusy(true);
    FillProgress progress(*fileModel_, *status_[0], cancelFill_, rows_.size());
    core::FillRows(rows_, *genres_, progress);
    fileModel_->rowsChanged(0, static_cast<int>(rows_.size()) - 1);
    id3v1Model_->reset();
    id3v2Model_->reset();
    renamePage_->renameModel()->reset();
    addPackedFileNodes();
    filling_ = false;
    setBusy(false);
    refreshSelectionSummary();
    refreshStatus();
}

void FormMain::addPackedFileNodes() {
    for (const core::FileRecord& record : rows_.files) {
        if (core::IsBrowsableKind(record.containerKind)) tree_->addPackedFile(record.fileName(), record.containerKind);
    }
}

void FormMain::runFirstIdle() {
    if (firstIdleDone_) return;
    firstIdleDone_ = true;
    fillRows();
    selectPendingFile();
}

bool FormMain::openFromArguments(const QStringList& paths, bool refreshNow) {
    if (paths.isEmpty()) return false;
    const QFileInfo first(paths.first());
    // A folder given by itself is shown as it is, with nothing to select.
    if (first.isDir()) {
        scanFolder(first.absoluteFilePath(), refreshNow);
        return true;
    }
    const QString folder = first.absolutePath();
    if (!QFileInfo(folder).isDir()) return false;
    scanFolder(folder, refreshNow);
    pendingFileName_ = first.fileName();
    return true;
}

void FormMain::selectPendingFile() {
    if (pendingFileName_.isEmpty()) return;
    pages_->setCurrentIndex(UnPackPage);
    pageChanged(UnPackPage);
    fileList_->selectRows({});
    const std::string wanted = pendingFileName_.toStdString();
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_.files[i].fileName() != wanted) continue;
        const QModelIndex index = fileModel_->index(static_cast<int>(i), 1);
        fileList_->setCurrentIndex(index);
        fileList_->selectRows({static_cast<int>(i)});
        fileList_->scrollTo(index);
        refreshSelectionSummary();
        openPackedOnUnPackPage();
        refreshStatus();
        return;
    }
    refreshSelectionSummary();
}

void FormMain::handOver(const QStringList& paths, std::function<void()> handled) {
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
    // A pack run (or similar) reads the lists a hand-over would replace.
    if (deferDuringLongWork([this, paths, handled] { handOver(paths, handled); })) return;
    if (filling_) {
        // A refresh is running inside this call's event loop: let it stop,
        // then handle the paths.
        cancelRunningWork();
        QTimer::singleShot(0, this, [this, paths, handled = std::move(handled)] { handOver(paths, handled); });
        return;
    }
    openFromArguments(paths, true);
    selectPendingFile();
    if (handled) handled();
}

void FormMain::cancelRunningWork() {
    cancelFill_ = true;
    if (activeProgress_) activeProgress_->reject();
}

void FormMain::dragEnterEvent(QDragEnterEvent* event) {
    // Files from other programs only: our own file list's drags are not drops
    // onto the window.
    if (event->source() == nullptr && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void FormMain::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) paths << url.toLocalFile();
    }
    if (paths.isEmpty()) return;
    event->acceptProposedAction();
    // Let the file manager finish its drag before the folder is read.
    QTimer::singleShot(0, this, [this, paths] { handOver(paths); });
}

void FormMain::closeEvent(QCloseEvent* event) {
    if (filling_ || longWork_) {
        closing_ = true;
        cancelRunningWork();
        event->ignore();
        // Try again shortly: a running editor or save may take a while to end.
        QTimer::singleShot(50, this, &QWidget::close);
        return;
    }
    storeSettings();
    if (auto* help = findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly)) help->close();
    event->accept();
}

}  // namespace quilto::app
