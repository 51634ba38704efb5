// FormMain: the "Pack" and "UnPack" menus and the drops on their pages.
#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <functional>
#include <optional>

#include "app/AppSettings.h"
#include "app/FileListView.h"
#include "app/FormMain.h"
#include "app/TrackListPage.h"
#include "edit/EditableListView.h"
#include "edit/TimeIndexDialog.h"
#include "pack/TrackLists.h"
#include "pack/ui/CueSheetDialogs.h"

namespace quilto::app {

TrackListPage* FormMain::trackPage(Page page) const {
    if (page == PackPage) return packPage_;
    if (page == UnPackPage) return unpackPage_;
    return nullptr;
}

void FormMain::buildPackMenu(QMenu* menu, Page page) {
    TrackListPage* target = trackPage(page);
    // Every command first commits the cell being edited, so it acts on what
    // the user sees.
    auto command = [this](std::function<void()> run) {
        return [this, run = std::move(run)] {
            edit::CommitOpenCellEditor(this);
            run();
        };
    };
    if (page == UnPackPage) {
        QAction* extract = menu->addAction(QStringLiteral("Extract"), this, [this] { extractTracks(); });
        extract->setEnabled(false);
        connect(menu, &QMenu::aboutToShow, this, [extract, target] { extract->setEnabled(!target->data().tracks.empty()); });
        menu->addSeparator();
    }
    addPackWriterCommands(menu, page);
    menu->addSeparator();
    QAction* make = menu->addAction(QStringLiteral("Make Cue List"), this, command([target] { target->makeCueList(); }));
    if (page == UnPackPage) make->setData(1);
    menu->addAction(QStringLiteral("Cue List Editor"), this, command([this, page] { openCueListEditor(page); }));

    QMenu* cueSheet = menu->addMenu(QStringLiteral("Cue Sheet File"));
    cueSheet->addAction(QStringLiteral("Import"), this, command([this, page] { importCueSheet(page); }));
    cueSheet->addAction(QStringLiteral("Export"), this, command([this, page] { exportCueSheet(page); }));
    menu->addSeparator();

    QMenu* clear = menu->addMenu(QStringLiteral("Clear List"));
    const int tagBase = page == PackPage ? 10 : 20;
    const std::pair<const char*, pack::ClearWhat> items[] = {
        {"Cue", pack::ClearWhat::Cue}, {"Data", pack::ClearWhat::Data}, {"All", pack::ClearWhat::All}};
    for (const auto& [caption, what] : items) {
        if (what == pack::ClearWhat::All) clear->addSeparator();
        const pack::ClearWhat chosen = what;
        QAction* action = clear->addAction(QString::fromLatin1(caption), this, command([target, chosen] { target->clearLists(chosen); }));
        action->setData(tagBase + static_cast<int>(what));
    }

    connect(menu, &QMenu::aboutToShow, this, [make, target] { make->setEnabled(!target->data().tracks.empty()); });
}

void FormMain::openCueListEditor(Page page) {
    TrackListPage* target = trackPage(page);
    if (target == nullptr || filling_ || longWork_ > 0) return;
    edit::CommitOpenCellEditor(this);
    edit::TimeIndexServices services;
    services.dialogs = [this]() -> TagDialogs& { return tagDialogs(); };
    services.textCommands.askReplace = [this](QWidget* owner, const QString& caption, const QString& preset) {
        return askReplace(owner, caption, preset);
    };
    services.textCommands.wordDelimiters = [this] { return settings_->rename.wordDelimiters; };
    edit::TimeIndexDialog dialog(target->data(), *settings_, std::move(services), this);
    if (dialog.exec() != QDialog::Accepted) return;
    target->refresh();
    refreshStatus();
}

void FormMain::commitEditorsWhenMenusOpen() {
    for (QAction* action : menuBar()->actions()) {
        if (QMenu* menu = action->menu()) {
            connect(menu, &QMenu::aboutToShow, this, [this] { edit::CommitOpenCellEditor(this); });
        }
    }
}

void FormMain::exportCueSheet(Page page) {
    TrackListPage* target = trackPage(page);
    pack::ui::ExportCueSheetWithDialog(this, target->data(), std::nullopt, settings_->general.cueSheet, currentFolder_);
    // The header's performer and file name may have been filled in.
    target->refresh();
}

void FormMain::importCueSheet(Page page) {
    TrackListPage* target = trackPage(page);
    pack::ui::ImportCueSheetWithDialog(this, target->data(), currentFolder_);
    target->refresh();
    refreshStatus();
}

void FormMain::filesDroppedOnPage(Page page, int target) {
    if (deferDuringLongWork([this, page, target] { filesDroppedOnPage(page, target); })) return;
    edit::CommitOpenCellEditor(this);
    refreshSelectionSummary();
    if (page == PackPage) {
        // The tracks of a packed file shown as a folder come with their spans.
        pack::FileListSource source{rows_, {}, {}, {}};
        if (packedFileNodeIsCurrent()) {
            source.packedFile = packedFilePath_;
            source.packedSpans = packedSpans_;
        }
        for (const int row : fileList_->selectedRowsInOrder()) source.selected.push_back(static_cast<std::size_t>(row));
        packPage_->addFiles(static_cast<TrackListPage::Target>(target), source);
    } else if (!packedFileNodeIsCurrent()) {
        openPackedOnUnPackPage();
    }
    refreshStatus();
}

}  // namespace quilto::app
