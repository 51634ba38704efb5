// FormMain: the main menu and the commands of the file list.
#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>

#include "app/AppSettings.h"
#include "app/Application.h"
#include "app/QtText.h"
#include "app/FileListModel.h"
#include "app/FileListView.h"
#include "app/FileProperties.h"
#include "app/FolderTree.h"
#include "app/FormMain.h"
#include "app/RenameModels.h"
#include "app/RenamePage.h"
#include "app/MenuKeys.h"
#include "app/PlayCommand.h"
#include "app/ProgressWindow.h"
#include "app/StreamView.h"
#include "app/TagListModel.h"
#include "core/StatusText.h"
#include "core/Utf.h"

namespace quilto::app {

namespace {

constexpr int kScanningMarkerWidth = 43;
constexpr int kMarkerWidth = 35;

// Selects and shows the row being scanned and tells the progress window.
class FrameScanView final : public core::FrameScanObserver {
public:
    FrameScanView(FileListView& list, FileListModel& model, QLabel& summary)
        : list_(list), model_(model), summary_(summary) {}

    void scanStarting(std::size_t chosen, std::size_t rows) override {
        summary_.setText(ToQString(core::FrameScanSummary(chosen, rows)));
        list_.horizontalHeader()->resizeSection(0, kScanningMarkerWidth);
        model_.rowsChanged(0, static_cast<int>(rows) - 1);
    }
    // The command itself writes the file and the count into the progress window.
    void rowStarting(std::size_t row, std::size_t, std::size_t) override {
        list_.selectRows({static_cast<int>(row)});
        list_.scrollTo(model_.index(static_cast<int>(row), 0));
    }
    void rowFinished(std::size_t row) override {
        model_.rowsChanged(static_cast<int>(row), static_cast<int>(row));
        list_.selectRows({});
    }

private:
    FileListView& list_;
    FileListModel& model_;
    QLabel& summary_;
};

}  // namespace

void FormMain::buildMenus() {
    QMenuBar* bar = menuBar();
    fileMenu_ = bar->addMenu(QStringLiteral("File"));
    frameScanMenu_ = fileMenu_->addMenu(QStringLiteral("Frame Scan"));
    const std::pair<const char*, core::FrameScanVariant> variants[] = {
        {"Pack", core::FrameScanVariant::Pack},     {"UnPack", core::FrameScanVariant::UnPack},
        {"VBR", core::FrameScanVariant::Vbr},       {"Select", core::FrameScanVariant::Select},
        {"All", core::FrameScanVariant::All}};
    for (const auto& [caption, variant] : variants) {
        const core::FrameScanVariant chosen = variant;
        frameScanMenu_->addAction(QString::fromLatin1(caption), this, [this, chosen] { runFrameScan(chosen); });
    }
    fileMenu_->addAction(QStringLiteral("Reload"), this, &FormMain::reload);
    fileMenu_->addSeparator();
    fileMenu_->addAction(QStringLiteral("Exit"), this, &QWidget::close);
    connect(fileMenu_, &QMenu::aboutToShow, this, &FormMain::fileMenuAboutToShow);

    QMenu* pack = bar->addMenu(QStringLiteral("Pack"));
    buildPackMenu(pack, PackPage);
    QMenu* unpack = bar->addMenu(QStringLiteral("UnPack"));
    buildPackMenu(unpack, UnPackPage);

    QMenu* tags = bar->addMenu(QStringLiteral("ID3Tag"));
    buildTagMenu(tags);

    QMenu* rename = bar->addMenu(QStringLiteral("ReName"));
    buildRenameMenu(rename);

    pageMenus_ = {pack, unpack, tags, rename};
    for (QMenu* menu : pageMenus_) menu->setEnabled(false);

    optionMenu_ = bar->addMenu(QStringLiteral("Option"));
    optionMenu_->addAction(QStringLiteral("General"), this, &FormMain::editGeneralOptions);
    optionMenu_->addAction(QStringLiteral("ID3Tag Genre"), this, &FormMain::editGenres);
    optionMenu_->addAction(QStringLiteral("ReName"), this, &FormMain::editRenameOptions);

    helpMenu_ = bar->addMenu(QStringLiteral("Help"));
    helpMenu_->addAction(QStringLiteral("Help"), this, [this] { showHelp(0); });
    helpMenu_->addAction(QStringLiteral("About"), this, &FormMain::showAbout);
    InstallMenuKeys(*this);
}

void FormMain::fileMenuAboutToShow() {
    // A packed file's tracks were scanned when it was opened.
    frameScanMenu_->setEnabled(!rows_.files.empty() && !packedFileNodeIsCurrent());
}

void FormMain::fileListContextMenu(const QPoint& position) {
    refreshSelectionSummary();
    QMenu menu(this);
    menu.addAction(QStringLiteral("Select All"), this, [this] {
        fileList_->selectAll();
        refreshSelectionSummary();
    });
    menu.addSeparator();
    if (!packedFileNodeIsCurrent()) {
        QAction* playAction = menu.addAction(QStringLiteral("Play"), this, &FormMain::play);
        menu.setDefaultAction(playAction);
        // A track inside a packed file is no file of its own to show.
        menu.addAction(QStringLiteral("Property "), this, &FormMain::showProperties);
    }
    // A packed file's tracks are drawn from the UnPack page, where their spans are known.
    QAction* streamView = menu.addAction(QStringLiteral("Stream View"), this, [this] {
        const std::vector<int> rows = fileList_->selectedRowsInOrder();
        if (rows.empty() || packedFileNodeIsCurrent()) return;
        const auto row = static_cast<std::size_t>(rows.front());
        OpenStreamView(this, {DisplayName(rows_.files[row].fileName()), rows_.path(row), {}, {}});
    });
    streamView->setEnabled(!packedFileNodeIsCurrent() && !fileList_->selectedRowsInOrder().empty());
    menu.exec(fileList_->viewport()->mapToGlobal(position));
}

void FormMain::reload() {
    if (!packedFileNodeIsCurrent()) scanRawFolder(currentRawFolder_, true);
}

void FormMain::play() {
    if (packedFileNodeIsCurrent()) return;
    QStringList names;
    std::vector<std::string> paths;
    for (const int row : fileList_->selectedRowsInOrder()) {
        names << ToQString(rows_.files[static_cast<std::size_t>(row)].fileName());
        paths.push_back(rows_.path(static_cast<std::size_t>(row)));
    }
    if (!passableToOthers(paths)) return;
    StartPlayer(ToQString(settings_->general.player), ToQString(settings_->general.playerPrm), currentFolder_, names);
}

bool FormMain::passableToOthers(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        if (core::IsValidUtf8(path)) continue;
        Application::ShowError(tr("The name of \"%1\" is not UTF-8 and cannot be passed to another program. "
                                  "Rename it first.")
                                   .arg(DisplayName(path)));
        return false;
    }
    return true;
}

void FormMain::showProperties() {
    if (packedFileNodeIsCurrent()) return;
    const std::vector<int> rows = fileList_->selectedRowsInOrder();
    if (rows.empty()) return;
    const std::string path = rows_.path(static_cast<std::size_t>(rows.front()));
    if (!passableToOthers({path})) return;
    ShowFileProperties(this, ToQString(path));
}

void FormMain::sortByColumn(int column) {
    if (filling_) return;
    syncSelectionToRows();
    if (!core::ClickColumn(sort_, rows_, column, packedFileNodeIsCurrent())) return;
    fileModel_->reset();
    fileModel_->headerChanged();
    id3v1Model_->reset();
    id3v2Model_->reset();
    renamePage_->renameModel()->reset();
    syncSelectionFromRows();
}

void FormMain::runFrameScan(core::FrameScanVariant variant) {
    if (filling_ || longWork_ || rows_.files.empty() || packedFileNodeIsCurrent()) return;
    syncSelectionToRows();
    ProgressWindow progress(this, QStringLiteral("Frame Scan ..."));
    activeProgress_ = &progress;
    FrameScanView view(*fileList_, *fileModel_, *status_[0]);
    filling_ = true;
    setBusy(true);
    progress.start();
    core::FrameScanCommand(rows_, variant, progress, &view);
    fileList_->horizontalHeader()->resizeSection(0, kMarkerWidth);
    fileModel_->rowsChanged(0, static_cast<int>(rows_.size()) - 1);
    syncSelectionFromRows();
    progress.hide();
    filling_ = false;
    setBusy(false);
    refreshSelectionSummary();
}

}  // namespace quilto::app
