// FormMain: the settings file read at creation and written at close.
#include <sys/stat.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

#include "app/AppSettings.h"
#include "app/RenamePage.h"
#include <QSplitter>
#include "app/FileListView.h"
#include "app/FolderTree.h"
#include "app/FormMain.h"
#include "app/TagPage.h"
#include "edit/EditableListView.h"
#include "app/TrackListPage.h"
#include "core/HandOver.h"

namespace quilto::app {

namespace {

template <typename View, std::size_t N>
void ApplyWidths(View& view, const std::array<int, N>& widths, int firstColumn) {
    for (std::size_t i = 0; i < N; ++i) {
        const int column = firstColumn + static_cast<int>(i);
        if (column >= view.model()->columnCount()) break;
        // Width 0 keeps a column out of sight until the user shows it.
        view.setColumnHidden(column, widths[i] <= 0);
        if (widths[i] > 0) view.setColumnWidth(column, widths[i]);
    }
}

template <typename View, std::size_t N>
void ReadWidths(const View& view, std::array<int, N>& widths, int firstColumn) {
    for (std::size_t i = 0; i < N; ++i) {
        const int column = firstColumn + static_cast<int>(i);
        if (column >= view.model()->columnCount()) break;
        widths[i] = view.isColumnHidden(column) ? 0 : view.columnWidth(column);
    }
}

// A position saved on a screen that is gone (a detached monitor) would open
// the window where nobody can see or reach it: such a window goes onto the
// primary screen. Seen means the middle of its title bar is on some screen.
QPoint OnSomeScreen(const QRect& frame) {
    if (QGuiApplication::screenAt(QPoint(frame.center().x(), frame.top() + 10))) return frame.topLeft();
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary) return frame.topLeft();
    const QRect area = primary->availableGeometry();
    return QPoint(area.left() + std::max(0, (area.width() - frame.width()) / 2),
                  area.top() + std::max(0, (area.height() - frame.height()) / 2));
}

}  // namespace

void FormMain::loadSettings() {
    AppSettings& s = *settings_;
    s.location = LocateSettings();
    s.file = core::IniFile::Load(s.location.iniPath());
    // The code page first: a settings file written on the original platform is read in it.
    const std::string codePage = core::UsableCodePage(s.file.readString(kGeneralSection, "CodePage", ""));
    if (codePage != core::LegacyCodec().codePage()) {
        core::SetLegacyCodePage(codePage);
        s.file = core::IniFile::Load(s.location.iniPath());
    }
    s.window.load(s.file);
    const WindowSettings& w = s.window;

    resize(std::max(w.width, minimumWidth()), std::max(w.height, minimumHeight()));
    if (w.left != 0 || w.top != 0) move(OnSomeScreen(QRect(w.left, w.top, width(), height())));
    upperSplitter_->setSizes({w.split1, std::max(1, w.width - w.split1)});
    applyColumnWidths();
    mainSplitter_->setSizes({w.split2, std::max(1, w.height - w.split2)});

    pages_->setCurrentIndex(w.page);
    pageChanged(w.page);

    genres_ = std::make_unique<core::GenreTable>(LoadGenreTable(s.file));
    id3v1Page_->setGenres(*genres_);
    id3v2Page_->setGenres(*genres_);
    s.general.load(s.file);
    s.rename.load(s.file);
    renamePage_->setOptions(s.rename);
    s.renamePage.load(s.file);
    renamePage_->setPageSettings(s.renamePage);

    pendingFileName_.clear();
    QStringList paths;
    for (int i = 0; i < arguments_.size(); ++i) {
        paths << QString::fromStdString(core::ToLongPathName(arguments_[i].toStdString(), i != 0));
    }
    if (paths.isEmpty() || !openFromArguments(paths, false)) {
        // The stored folder is bytes: its name need not be UTF-8.
        struct stat info {};
        if (!w.dir.empty() && ::stat(w.dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
            scanRawFolder(w.dir, false);
        } else {
            scanFolder(QDir::homePath(), false);
        }
    }

    s.cueCheck = LoadCueCheck(s.file);
    packPage_->setStoredCueCheck(s.cueCheck);

    // Row metrics of the report lists: where row 0 starts below the header and
    // the distance between rows, as the in-place editors will need them.
    rowTop_ = id3v1List_->header()->sizeHint().height();
    rowPitch_ = fileList_->verticalHeader()->defaultSectionSize();

    // The rows are filled once the window is on screen.
    QTimer::singleShot(0, this, &FormMain::runFirstIdle);
}

void FormMain::applyColumnWidths() {
    const WindowSettings& w = settings_->window;
    ApplyWidths(*fileList_, w.fileColumns, 1);
    ApplyWidths(*id3v1List_, w.id3v1Columns, 1);
    ApplyWidths(*id3v2List_, w.id3v2Columns, 1);
    packPage_->applyWidths(w.packHeaderColumns, w.packCueColumns, w.splitP, w.packListColumns);
    unpackPage_->applyWidths(w.unpackHeaderColumns, w.unpackCueColumns, w.splitU, w.unpackListColumns);
    ApplyWidths(*renamePage_->formatList(), w.renameFormatColumns, 1);
    ApplyWidths(*renamePage_->replaceList(), w.replaceColumns, 0);
    ApplyWidths(*renamePage_->renameList(), w.renameColumns, 1);
    if (w.splitR > 0) renamePage_->splitter()->setSizes({w.splitR, std::max(1, w.width - w.splitR)});
}

void FormMain::storeSettings() {
    AppSettings& s = *settings_;
    // Dialogs write their own sections while the window runs: start from the
    // file as it is now, not as it was read at start-up.
    s.file = core::IniFile::Load(s.location.iniPath());
    WindowSettings& w = s.window;
    // Position of the frame, size of the window inside it: what move() and
    // resize() take back at the next start.
    w.top = frameGeometry().top();
    w.left = frameGeometry().left();
    w.height = height();
    w.width = width();
    w.split1 = upperSplitter_->sizes().value(0, w.split1);
    w.split2 = mainSplitter_->sizes().value(0, w.split2);
    ReadWidths(*fileList_, w.fileColumns, 1);
    ReadWidths(*id3v1List_, w.id3v1Columns, 1);
    ReadWidths(*id3v2List_, w.id3v2Columns, 1);
    packPage_->storeWidths(w.packHeaderColumns, w.packCueColumns, w.splitP, w.packListColumns);
    unpackPage_->storeWidths(w.unpackHeaderColumns, w.unpackCueColumns, w.splitU, w.unpackListColumns);
    ReadWidths(*renamePage_->formatList(), w.renameFormatColumns, 1);
    ReadWidths(*renamePage_->replaceList(), w.replaceColumns, 0);
    ReadWidths(*renamePage_->renameList(), w.renameColumns, 1);
    w.splitR = renamePage_->splitter()->sizes().value(0, w.splitR);
    w.page = pages_->currentIndex();
    // A packed file shown as a folder is remembered by the folder holding it.
    std::string dir = currentRawFolder_;
    if (FolderTree::IsPackedFileNode(tree_->currentFolderNode())) {
        while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
        dir.erase(dir.find_last_of('/') + 1);
    }
    w.dir = dir;
    w.store(s.file);
    StoreCueCheck(s.file, s.cueCheck);
    s.renamePage = renamePage_->pageSettings();
    s.renamePage.store(s.file);
    SaveSettingsOrWarn(this, s.file, s.location);
}

}  // namespace quilto::app
