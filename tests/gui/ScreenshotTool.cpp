// Pictures of the main window for the README:
//   gui_screenshot OUTPUT.png FOLDER [WIDTH HEIGHT]
//     the window on FOLDER, every row selected, saved as OUTPUT.png;
//   gui_screenshot --pages FOLDER [WIDTH HEIGHT]
//     every page in turn, filled as a user would fill it: the folder's plain
//     MP3s frame-scanned and dropped on the Pack page, the first packed file
//     of the folder opened on the UnPack page, the tag pages, and names
//     composed on the ReName page. Before each page it prints
//     "ready WINDOW-ID NAME" and waits for a line on its input, so that a
//     screen grabber (scripts/screenshot.sh) takes the picture from the X
//     server; then the same for the dialogs (the Cue List Editor over the
//     Pack page, "General Option", "ID3Tag Genre", "About Quiltotrackery").
//     It exits after the last one.
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QPixmap>
#include <QTabWidget>
#include <QTableView>
#include <QTreeView>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "app/FileListView.h"
#include "app/FormMain.h"
#include "app/RenameModels.h"
#include "app/RenamePage.h"
#include "app/TagPage.h"
#include "app/TrackListPage.h"
#include "core/ContainerKind.h"

namespace {

using quilto::app::FormMain;

// Lets the window lay out and paint for a moment.
void Settle(int milliseconds = 300) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The rows of plain MP3s and of the first packed file.
struct FolderRowsOf {
    std::vector<int> plain;
    int packed = -1;
};

FolderRowsOf Classify(const FormMain& window) {
    FolderRowsOf found;
    const auto& files = window.rows().files;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const auto kind = files[i].containerKind;
        if (kind == quilto::core::ContainerKind::Plain) found.plain.push_back(static_cast<int>(i));
        else if (found.packed < 0 && kind != quilto::core::ContainerKind::NoAudio) found.packed = static_cast<int>(i);
    }
    return found;
}

// The stored default widths cut most texts short; the pictures show them whole.
void FitColumns(FormMain& window) {
    constexpr int kWidest = 240;
    for (QAbstractItemView* view : window.findChildren<QAbstractItemView*>()) {
        auto* table = qobject_cast<QTableView*>(view);
        auto* tree = qobject_cast<QTreeView*>(view);
        QHeaderView* header = table ? table->horizontalHeader() : tree ? tree->header() : nullptr;
        if (!header || !view->isVisible()) continue;
        for (int column = 1; column < header->count(); ++column) {
            if (header->isSectionHidden(column) || header->sectionResizeMode(column) == QHeaderView::Fixed) continue;
            if (table) table->resizeColumnToContents(column);
            else tree->resizeColumnToContents(column);
            if (header->sectionSize(column) > kWidest) header->resizeSection(column, kWidest);
        }
    }
}

bool Ready(FormMain& window, const char* name) {
    Settle(100);
    FitColumns(window);
    Settle();
    std::cout << "ready " << window.winId() << " " << name << std::endl;
    std::string answer;
    return static_cast<bool>(std::getline(std::cin, answer));
}

int ShootPages(FormMain& window) {
    window.runFrameScan(quilto::core::FrameScanVariant::All);
    const FolderRowsOf rows = Classify(window);

    window.pages()->setCurrentIndex(FormMain::PackPage);
    window.fileList()->selectRows(rows.plain);
    window.filesDroppedOnPage(FormMain::PackPage, static_cast<int>(quilto::app::TrackListPage::Target::TrackList));
    if (!Ready(window, "page-pack.png")) return 1;

    window.pages()->setCurrentIndex(FormMain::UnPackPage);
    if (rows.packed >= 0) {
        window.fileList()->selectRows({rows.packed});
        window.fileList()->setCurrentIndex(window.fileList()->model()->index(rows.packed, 1));
        window.filesDroppedOnPage(FormMain::UnPackPage,
                                  static_cast<int>(quilto::app::TrackListPage::Target::TrackList));
        window.trackPage(FormMain::UnPackPage)->selectTrackRows({0});
    } else {
        std::fputs("gui_screenshot: no packed file in the folder; the UnPack page stays empty\n", stderr);
    }
    if (!Ready(window, "page-unpack.png")) return 1;

    for (const auto page : {FormMain::Id3v1Page, FormMain::Id3v2Page}) {
        window.pages()->setCurrentIndex(page);
        std::vector<std::size_t> all;
        for (const int row : rows.plain) all.push_back(static_cast<std::size_t>(row));
        window.tagPage(page)->selectRows(all);
        if (!Ready(window, page == FormMain::Id3v1Page ? "page-id3v1.png" : "page-id3v2.png")) return 1;
    }

    window.pages()->setCurrentIndex(FormMain::ReNamePage);
    quilto::app::RenamePage& rename = *window.renamePage();
    quilto::app::FormatListModel& format = *rename.formatModel();
    for (int i = 0; i < 5; ++i) rename.addFormatStep();
    const char* const steps[][2] = {{"Tag (v2>v1)", "Track"}, {"Text", " "}, {"Tag (v2>v1)", "Artist"},
                                    {"Text", " - "},       {"Tag (v2>v1)", "Title"}};
    for (int i = 0; i < 5; ++i) {
        format.setData(format.index(i, quilto::app::FormatListModel::Item), steps[i][0], Qt::EditRole);
        format.setData(format.index(i, quilto::app::FormatListModel::Parameter), steps[i][1], Qt::EditRole);
    }
    std::vector<std::size_t> all;
    for (const int row : rows.plain) all.push_back(static_cast<std::size_t>(row));
    rename.selectRows(all);
    rename.composeNames();
    return Ready(window, "page-rename.png") ? 0 : 1;
}

// Opens a dialog through the window's own command and takes it once it is
// shown; closing it lets the command return.
bool ReadyDialog(const std::function<void()>& open, const char* name) {
    bool answered = false;
    QTimer::singleShot(200, [&answered, name] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog == nullptr) return;
        Settle();
        std::cout << "ready " << dialog->winId() << " " << name << std::endl;
        std::string answer;
        answered = static_cast<bool>(std::getline(std::cin, answer));
        dialog->close();
    });
    open();
    return answered;
}

int ShootDialogs(FormMain& window) {
    window.pages()->setCurrentIndex(FormMain::PackPage);
    Settle();
    const bool taken = ReadyDialog([&window] { window.openCueListEditor(FormMain::PackPage); }, "dialog-cue-list.png") &&
                       ReadyDialog([&window] { window.editGeneralOptions(); }, "dialog-general.png") &&
                       ReadyDialog([&window] { window.editGenres(); }, "dialog-genre.png") &&
                       ReadyDialog([&window] { window.showAbout(); }, "dialog-about.png");
    return taken ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    // Both forms: FOLDER is the second argument, WIDTH and HEIGHT follow it.
    const bool pages = argc > 1 && std::string(argv[1]) == "--pages";
    if (argc < 3) {
        std::fputs("usage: gui_screenshot OUTPUT.png FOLDER [WIDTH HEIGHT]\n"
                   "       gui_screenshot --pages FOLDER [WIDTH HEIGHT]\n",
                   stderr);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // A settings folder of its own, so the pictures show the defaults.
    QTemporaryDir settings;
    qputenv("QUILTO_CONFIG_DIR", settings.path().toLocal8Bit());
    QApplication app(argc, argv);
    FormMain window({QDir(QString::fromLocal8Bit(argv[2])).absolutePath()});
    const bool sized = argc > 4;
    const int width = sized ? QString::fromLocal8Bit(argv[3]).toInt() : 1000;
    const int height = sized ? QString::fromLocal8Bit(argv[4]).toInt() : 560;
    window.resize(width, height);
    window.move(0, 0);
    window.show();
    window.runFirstIdle();
    if (pages) {
        int result = ShootPages(window);
        if (result == 0) result = ShootDialogs(window);
        window.close();
        return result;
    }
    window.fileList()->selectAll();
    QApplication::processEvents();
    const bool saved = window.grab().save(QString::fromLocal8Bit(argv[1]));
    window.close();
    return saved ? 0 : 1;
}
