// FormMain: the settings file read at creation and written at close.
#include <sys/stat.h>

#include <climits>
#include <optional>
#include <string_view>

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
#include "app/WindowGeometry.h"
#include "core/HandOver.h"
#include "core/NumberText.h"

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

// A value of the Window section when the file holds a usable number for it;
// a missing or broken key means "not stored", not the table's default.
std::optional<int> StoredInt(const core::IniFile& file, std::string_view key, int minimum) {
    const auto text = file.value(kWindowSection, key);
    if (!text) return std::nullopt;
    const auto number = core::TryParseInt32(*text);
    if (!number || *number < minimum) return std::nullopt;
    return *number;
}

StoredWindow StoredWindowOf(const core::IniFile& file, const WindowSettings& w) {
    StoredWindow stored;
    const auto left = StoredInt(file, "Left", INT_MIN), top = StoredInt(file, "Top", INT_MIN);
    if (left && top) stored.position = ScreenPoint{*left, *top};
    const auto width = StoredInt(file, "Width", 1), height = StoredInt(file, "Height", 1);
    if (width && height) stored.size = ScreenSize{*width, *height};
    stored.split1 = w.split1;
    stored.split2 = w.split2;
    return stored;
}

// The screen a stored window was on, when it is still there (its title bar's
// middle on it); else the primary screen.
const QScreen* ScreenOf(const StoredWindow& stored) {
    if (stored.position) {
        // 64-bit: any 32-bit position may be stored.
        const long long x = static_cast<long long>(stored.position->x) + (stored.size ? stored.size->width / 2 : 0);
        const long long y = static_cast<long long>(stored.position->y) + 10;
        if (x <= INT_MAX && y <= INT_MAX) {
            if (QScreen* screen = QGuiApplication::screenAt(QPoint(static_cast<int>(x), static_cast<int>(y)))) {
                return screen;
            }
        }
    }
    return QGuiApplication::primaryScreen();
}

// The left panel, the splitter and the file list's shown columns at their
// widths, with room for the list's frame and scroll bar.
int ComfortableWidth(const WindowSettings& w) {
    constexpr int kMarkColumn = 35, kSplitterHandle = 3, kListFrameAndScrollBar = 24;
    int width = w.split1 + kSplitterHandle + kMarkColumn + kListFrameAndScrollBar;
    for (const int column : w.fileColumns) width += std::max(0, column);
    return width;
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

    const StoredWindow stored = StoredWindowOf(s.file, w);
    ScreenRect area{0, 0, 800, 600};
    if (const QScreen* screen = ScreenOf(stored)) {
        const QRect free = screen->availableGeometry();
        area = {free.left(), free.top(), free.width(), free.height()};
    }
    const WindowPlacement placed =
        PlaceMainWindow(area, stored, {minimumWidth(), minimumHeight(), ComfortableWidth(w)});
    resize(placed.geometry.width, placed.geometry.height);
    move(placed.geometry.left, placed.geometry.top);
    upperSplitter_->setSizes({placed.split1, std::max(1, width() - placed.split1)});
    applyColumnWidths();
    mainSplitter_->setSizes({placed.split2, std::max(1, height() - placed.split2)});

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
    // A cue list as wide as a larger window was would hide the track list.
    const int cueListMost = std::max(kMinSidePanelWidth, width() - kMinSidePanelWidth);
    packPage_->applyWidths(w.packHeaderColumns, w.packCueColumns, std::min(w.splitP, cueListMost), w.packListColumns);
    unpackPage_->applyWidths(w.unpackHeaderColumns, w.unpackCueColumns, std::min(w.splitU, cueListMost),
                             w.unpackListColumns);
    ApplyWidths(*renamePage_->formatList(), w.renameFormatColumns, 1);
    ApplyWidths(*renamePage_->replaceList(), w.replaceColumns, 0);
    ApplyWidths(*renamePage_->renameList(), w.renameColumns, 1);
    if (w.splitR > 0) {
        const int splitR = FitSplitter(w.splitR, width(), kMinSidePanelWidth);
        renamePage_->splitter()->setSizes({splitR, std::max(1, width() - splitR)});
    }
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
