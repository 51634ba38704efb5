// The Pack and UnPack pages: drops of file-list rows, editing the cue index,
// the list commands of the menus, cue sheet export and import, the count
// line and the column widths kept in the settings file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

#include "app/FileListView.h"
#include "app/FormMain.h"
#include "app/PackListModels.h"
#include "app/TrackListPage.h"
#include "core/FileRows.h"
#include "core/FrameScanCommand.h"
#include "core/IniFile.h"
#include "edit/EditableListView.h"
#include "pack/ui/CueSheetDialogs.h"
#include "support/MenuLookup.h"

using quilto::app::CueHeaderModel;
using quilto::app::CueListModel;
using quilto::app::FormMain;
using quilto::app::TrackListModel;
using quilto::app::TrackListPage;
using Target = TrackListPage::Target;

namespace {

const QString kFixtures = QStringLiteral(QUILTO_FIXTURE_DIR);
// Two 44100 Hz tracks and one VBR track of 48000 Hz; the last one in name
// order has title, artist and album.
const std::pair<const char*, const char*> kFiles[] = {
    {"cbr128_joint_info.mp3", "a_44k.mp3"}, {"vbr_xing_v5_48k.mp3", "b_48k.mp3"}, {"tag_mutagen_v23.mp3", "c_tagged.mp3"}};

QString Cell(const QAbstractItemView* view, int row, int column) {
    return view->model()->index(row, column).data().toString();
}

using quilto::test::FindAction;
using quilto::test::MainMenu;

// Answers the next file dialog with path (Save or Open); remembers what the
// dialog proposed first.
void AnswerNextFileDialog(const QString& path, QString* proposed = nullptr) {
    QTimer::singleShot(0, [path, proposed] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr) << "no file dialog opened";
        if (proposed != nullptr) *proposed = dialog->selectedFiles().value(0);
        dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept checks the name
    });
}

// A folder of real encoder files and a settings folder of the test's own.
class PackPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid() && settings_.isValid());
        qputenv("QUILTO_CONFIG_DIR", settings_.path().toLocal8Bit());
        for (const auto& [fixture, name] : kFiles) {
            ASSERT_TRUE(QFile::copy(kFixtures + "/" + fixture, folder_.filePath(name))) << fixture;
        }
    }
    void TearDown() override { qunsetenv("QUILTO_CONFIG_DIR"); }

    // The folder's rows, filled and, when asked, frame-scanned.
    quilto::core::FolderRows rows(bool scanned) const {
        quilto::core::FolderRows result;
        EXPECT_TRUE(quilto::core::ScanFolder(result, folder_.path().toStdString() + "/"));
        if (scanned) {
            const quilto::core::GenreTable genres;
            for (std::size_t i = 0; i < result.size(); ++i) quilto::core::FillRow(result, i, genres);
            quilto::core::NoProgress progress;
            quilto::core::FrameScanCommand(result, quilto::core::FrameScanVariant::All, progress);
        }
        return result;
    }

    // The window on the test folder with every row scanned and selected.
    std::unique_ptr<FormMain> openScanned() {
        auto window = std::make_unique<FormMain>(QStringList{folder_.path()});
        window->show();
        window->runFirstIdle();
        window->runFrameScan(quilto::core::FrameScanVariant::All);
        window->fileList()->selectAll();
        return window;
    }
    QString iniPath() const { return settings_.filePath("Quilto.ini"); }

    QTemporaryDir folder_;
    QTemporaryDir settings_;
};

struct DropCase {
    Target target;
    bool scanned;
    std::vector<std::size_t> selected;
    int tracks;
    int cues;
    bool albumTitle;
};

class PackPageDropTest : public PackPageTest, public ::testing::WithParamInterface<DropCase> {};

}  // namespace

TEST_P(PackPageDropTest, AddsScannedRowsToTheListDroppedOn) {
    const DropCase c = GetParam();
    const quilto::core::FolderRows source = rows(c.scanned);
    TrackListPage page(quilto::pack::Page::Pack);
    page.addFiles(c.target, {source, c.selected, {}, {}});

    EXPECT_EQ(page.trackList()->model()->rowCount(), c.tracks);
    EXPECT_EQ(page.cueList()->model()->rowCount(), c.cues);
    const QString title = Cell(page.headerList(), 0, CueHeaderModel::Title);
    EXPECT_EQ(title, c.albumTitle ? "Mutagen Album" : "");
    if (c.tracks == 0) return;
    // Header totals: frames added up; the rates differ, one track is VBR.
    qulonglong frames = 0;
    for (int row = 0; row < c.tracks; ++row) {
        EXPECT_EQ(Cell(page.trackList(), row, TrackListModel::Number), QString("%1").arg(row + 1, 4));
        frames += Cell(page.trackList(), row, TrackListModel::Frames).toULongLong();
    }
    EXPECT_EQ(Cell(page.headerList(), 0, CueHeaderModel::Frames), QString::number(frames));
    EXPECT_EQ(Cell(page.headerList(), 0, CueHeaderModel::Hz), "-");
    EXPECT_EQ(Cell(page.headerList(), 0, CueHeaderModel::Kbps), "VBR");
    EXPECT_NE(Cell(page.headerList(), 0, CueHeaderModel::Time), "00:00:00");
    // Each cue starts where the one before ends.
    EXPECT_EQ(Cell(page.cueList(), 0, CueListModel::Index), "00:00:00");
    EXPECT_EQ(Cell(page.cueList(), 1, CueListModel::Index), Cell(page.cueList(), 0, CueListModel::Length));
    EXPECT_FALSE(page.headerList()->model()->index(0, 0).data(quilto::app::kCueNotFittingRole).toBool());
}

INSTANTIATE_TEST_SUITE_P(PackTargets, PackPageDropTest,
                         ::testing::Values(DropCase{Target::TrackList, true, {0, 1, 2}, 3, 3, true},
                                           DropCase{Target::CueList, true, {0, 1, 2}, 0, 3, true},
                                           DropCase{Target::Header, true, {2}, 0, 0, true},
                                           DropCase{Target::TrackList, false, {0, 1, 2}, 0, 0, false},
                                           DropCase{Target::CueList, false, {0, 1, 2}, 0, 0, false}));

TEST_F(PackPageTest, CommittedIndexIsClampedAndMarksATrackListThatDoesNotFit) {
    const quilto::core::FolderRows source = rows(true);
    TrackListPage page(quilto::pack::Page::Pack);
    page.addFiles(Target::TrackList, {source, {0, 1, 2}, {}, {}});
    QAbstractItemModel* cues = page.cueList()->model();
    const QModelIndex last = cues->index(2, CueListModel::Index);
    auto commitIndex = [&](const QString& text) {
        ASSERT_TRUE(cues->setData(last, text, Qt::EditRole));
        emit page.cueList()->cellCommitted(2, CueListModel::Index, true);
    };

    // Beyond the total: the mark shows and the check box goes.
    commitIndex("99:00:00");
    QModelIndex cueCell = page.headerList()->model()->index(0, CueHeaderModel::Cue);
    EXPECT_TRUE(cueCell.data(quilto::app::kCueNotFittingRole).toBool());
    EXPECT_EQ(cueCell.data(quilto::app::kCueCheckRole).toInt(), -1);

    // Typed before the previous index in the cell's editor: it takes that
    // index when the editor is left; the list fits again.
    const QString previous = Cell(page.cueList(), 1, CueListModel::Index);
    page.resize(800, 400);
    page.applyWidths({}, {}, 400, {});
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    const QRect cell = page.cueList()->visualRect(last);
    ASSERT_TRUE(page.cueList()->viewport()->rect().contains(cell.center()));
    QTest::mouseClick(page.cueList()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(page.cueList()->viewport(), Qt::LeftButton, {}, cell.center());
    auto* editor = qobject_cast<QLineEdit*>(page.cueList()->openEditor());
    ASSERT_NE(editor, nullptr) << "no time editor opened on the index";
    editor->setText("000:00:01");
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(last.data().toString(), previous);
    EXPECT_EQ(Cell(page.cueList(), 1, CueListModel::Length), "00:00:00");
    cueCell = page.headerList()->model()->index(0, CueHeaderModel::Cue);
    EXPECT_FALSE(cueCell.data(quilto::app::kCueNotFittingRole).toBool());
    EXPECT_EQ(cueCell.data(quilto::app::kCueCheckRole).toInt(), 1);

    // Written by Up or Down: taken as typed, nothing recomputed.
    ASSERT_TRUE(cues->setData(last, "00:00:02", Qt::EditRole));
    emit page.cueList()->cellWrittenByMove(2, CueListModel::Index);
    EXPECT_EQ(last.data().toString(), "00:00:02");
}

struct ListMenuCase {
    bool onTracks;
    const char* item;
    int tracks;
    int cues;
};

class PackPageListMenuTest : public PackPageTest, public ::testing::WithParamInterface<ListMenuCase> {};

// The lists' context menus act on the selected rows (row 1 here).
TEST_P(PackPageListMenuTest, ActsOnTheSelectedRows) {
    const ListMenuCase c = GetParam();
    const quilto::core::FolderRows source = rows(true);
    TrackListPage page(quilto::pack::Page::Pack);
    page.addFiles(Target::TrackList, {source, {0, 1, 2}, {}, {}});
    QTreeView* list = c.onTracks ? static_cast<QTreeView*>(page.trackList()) : page.cueList();
    list->selectionModel()->select(list->model()->index(1, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    const QString item = QString::fromLatin1(c.item);
    bool found = false;
    QTimer::singleShot(0, [&found, item] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) return;
        if (QAction* action = FindAction(menu, item)) {
            found = true;
            action->trigger();
        }
        menu->close();
    });
    emit list->customContextMenuRequested(QPoint(5, 5));
    ASSERT_TRUE(found) << c.item;
    EXPECT_EQ(page.trackList()->model()->rowCount(), c.tracks);
    EXPECT_EQ(page.cueList()->model()->rowCount(), c.cues);
    if (c.onTracks && c.tracks == 2) {
        EXPECT_EQ(Cell(page.trackList(), 1, TrackListModel::FileName).section('/', -1), "c_tagged.mp3");
        EXPECT_EQ(Cell(page.trackList(), 1, TrackListModel::Number), "   2");
    }
    if (!c.onTracks && c.cues == 2) {
        EXPECT_EQ(Cell(page.cueList(), 1, CueListModel::Number), "2");
    }
}

INSTANTIATE_TEST_SUITE_P(PackMenus, PackPageListMenuTest,
                         ::testing::Values(ListMenuCase{true, "Delete", 2, 3}, ListMenuCase{true, "Clear", 0, 3},
                                           ListMenuCase{true, "Select All", 3, 3}, ListMenuCase{false, "Add", 3, 4},
                                           ListMenuCase{false, "Delete", 3, 2}, ListMenuCase{false, "Clear", 3, 0}));

TEST_F(PackPageTest, ReorderingDragsMoveTracksWithTheirNumbers) {
    const quilto::core::FolderRows source = rows(true);
    TrackListPage page(quilto::pack::Page::Pack);
    page.addFiles(Target::TrackList, {source, {0, 1, 2}, {}, {}});
    const QString first = Cell(page.trackList(), 0, TrackListModel::FileName);
    emit page.trackList()->rowsMoveRequested({0}, 2);
    EXPECT_EQ(Cell(page.trackList(), 2, TrackListModel::FileName), first);
    EXPECT_EQ(Cell(page.trackList(), 2, TrackListModel::Number), "   3");
    // The cue list keeps its lengths and restarts its indexes at zero.
    const QString length = Cell(page.cueList(), 2, CueListModel::Length);
    emit page.cueList()->rowsMoveRequested({2}, 0);
    EXPECT_EQ(Cell(page.cueList(), 0, CueListModel::Length), length);
    EXPECT_EQ(Cell(page.cueList(), 0, CueListModel::Index), "00:00:00");
    EXPECT_EQ(Cell(page.cueList(), 1, CueListModel::Index), length);
}

TEST_F(PackPageTest, CueCellClicksToggleTheStoredCheckAndRecompute) {
    auto window = openScanned();
    TrackListPage* page = window->trackPage(FormMain::PackPage);
    window->pages()->setCurrentIndex(FormMain::PackPage);
    QTreeView* header = page->headerList();
    const QRect cell = header->visualRect(header->model()->index(0, CueHeaderModel::Cue));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(cell.left() + 10, cell.center().y()));
    EXPECT_EQ(page->data().header.check, quilto::pack::CueCheck::Unchecked);

    window->filesDroppedOnPage(FormMain::PackPage, static_cast<int>(Target::TrackList));
    page->data().header.time = "00:00:01";  // as if typed: the cues no longer fit
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(cell.left() + 26, cell.center().y()));
    EXPECT_TRUE(page->data().header.notFitting);

    window->close();
    const auto ini = quilto::core::IniFile::Load(iniPath().toStdString());
    EXPECT_EQ(ini.readInt("PackOption", "CueCheck", 1), 0);
}

TEST_F(PackPageTest, MenusFollowTheTrackListAndClearDataKeepsTheCueIndex) {
    auto window = openScanned();
    window->pages()->setCurrentIndex(FormMain::PackPage);
    QMenu* pack = MainMenu(*window, "Pack");
    ASSERT_NE(pack, nullptr);
    EXPECT_TRUE(pack->isEnabled());
    EXPECT_FALSE(MainMenu(*window, "UnPack")->isEnabled());
    emit pack->aboutToShow();
    EXPECT_FALSE(FindAction(pack, "Make Cue List")->isEnabled());
    EXPECT_FALSE(FindAction(pack, "Create Packed MP3")->isEnabled());
    EXPECT_TRUE(FindAction(pack, "Cue List Editor")->isEnabled());

    window->filesDroppedOnPage(FormMain::PackPage, static_cast<int>(Target::TrackList));
    emit pack->aboutToShow();
    EXPECT_TRUE(FindAction(pack, "Make Cue List")->isEnabled());

    TrackListPage* page = window->trackPage(FormMain::PackPage);
    const QString title = Cell(page->headerList(), 0, CueHeaderModel::Title);
    QMenu* clear = FindAction(pack, "Clear List")->menu();
    QAction* data = FindAction(clear, "Data");
    EXPECT_EQ(data->data().toInt(), 12);
    data->trigger();
    EXPECT_EQ(page->trackList()->model()->rowCount(), 0);
    EXPECT_EQ(page->cueList()->model()->rowCount(), 3);
    EXPECT_EQ(Cell(page->headerList(), 0, CueHeaderModel::Title), title);
    EXPECT_EQ(Cell(page->headerList(), 0, CueHeaderModel::Time), "00:00:00");
    EXPECT_EQ(window->statusText(1), "0  0:00");

    // Opening a menu first commits the cell being edited.
    QTreeView* header = page->headerList();
    const QRect titleCell = header->visualRect(header->model()->index(0, CueHeaderModel::Title));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, titleCell.center());
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, titleCell.center());
    auto* editor = qobject_cast<QLineEdit*>(page->headerList()->openEditor());
    ASSERT_NE(editor, nullptr) << "no editor opened on the album title";
    editor->setText("Typed Album");
    emit MainMenu(*window, "Help")->aboutToShow();
    EXPECT_EQ(page->data().header.title, "Typed Album");
    EXPECT_EQ(page->headerList()->openEditor(), nullptr);

    // UnPack: its own tags; with no file opened its file commands are disabled.
    window->pages()->setCurrentIndex(FormMain::UnPackPage);
    QMenu* unpack = MainMenu(*window, "UnPack");
    EXPECT_TRUE(unpack->isEnabled());
    EXPECT_FALSE(pack->isEnabled());
    EXPECT_EQ(FindAction(FindAction(unpack, "Clear List")->menu(), "All")->data().toInt(), 23);
    emit unpack->aboutToShow();
    for (const char* command : {"Extract", "Save", "Save as", "Save Selection as"}) {
        EXPECT_FALSE(FindAction(unpack, command)->isEnabled()) << command;
    }
}

TEST_F(PackPageTest, CountLineAddsTheTracksBytesAndPlayTimes) {
    auto window = openScanned();
    window->pages()->setCurrentIndex(FormMain::PackPage);
    EXPECT_EQ(window->statusText(1), "0  0:00");
    window->filesDroppedOnPage(FormMain::PackPage, static_cast<int>(Target::TrackList));
    qint64 bytes = 0;
    std::uint64_t seconds = 0;
    for (const auto& record : window->rows().files) {
        bytes += QFileInfo(folder_.filePath(QString::fromStdString(record.fileName()))).size();
        seconds += record.playSeconds();
    }
    QString grouped = QString::number(bytes);
    for (qsizetype at = grouped.size() - 3; at > 0; at -= 3) grouped.insert(at, ',');
    EXPECT_EQ(window->statusText(1), QStringLiteral("%1  %2:%3").arg(grouped).arg(seconds / 60).arg(seconds % 60, 2, 10, QChar('0')));
}

TEST_F(PackPageTest, ExportedCueSheetImportsBackIntoTheCueList) {
    auto window = openScanned();
    window->pages()->setCurrentIndex(FormMain::PackPage);
    window->filesDroppedOnPage(FormMain::PackPage, static_cast<int>(Target::TrackList));
    TrackListPage* page = window->trackPage(FormMain::PackPage);
    const auto before = page->data();
    QMenu* cueSheet = FindAction(MainMenu(*window, "Pack"), "Cue Sheet File")->menu();

    QTemporaryDir out;
    const QString path = out.filePath("sheet.cue");
    QString proposed;
    AnswerNextFileDialog(path, &proposed);
    FindAction(cueSheet, "Export")->trigger();
    ASSERT_TRUE(QFileInfo::exists(path));
    // The empty performer and file name were filled, and the name proposed
    // is the file's with ".cue".
    const auto& header = page->data().header;
    ASSERT_FALSE(header.file.empty());
    EXPECT_EQ(QFileInfo(proposed).fileName(), quilto::pack::ui::ProposedCueSheetName(header.file));
    EXPECT_EQ(Cell(page->headerList(), 0, CueHeaderModel::File).toStdString(), header.file);
    EXPECT_EQ(quilto::pack::ui::SharedDialogFolder(), QFileInfo(path).absolutePath());

    FindAction(FindAction(MainMenu(*window, "Pack"), "Clear List")->menu(), "All")->trigger();
    ASSERT_EQ(page->cueList()->model()->rowCount(), 0);
    AnswerNextFileDialog(path);
    FindAction(cueSheet, "Import")->trigger();
    ASSERT_EQ(page->data().cues.size(), before.cues.size());
    for (std::size_t i = 0; i < before.cues.size(); ++i) {
        EXPECT_EQ(page->data().cues[i].title, before.cues[i].title) << i;
        EXPECT_EQ(page->data().cues[i].index, before.cues[i].index) << i;
    }
    EXPECT_EQ(page->data().header.title, before.header.title);
    EXPECT_EQ(page->cueList()->model()->rowCount(), static_cast<int>(before.cues.size()));
}

// A drop from the file list reaches the page as a drop on the list under
// the pointer; a drag the page does not take is left to the list itself.
TEST(PackPageDrops, NameTheListDroppedOn) {
    TrackListPage page(quilto::pack::Page::Pack);
    bool accepting = true;
    std::vector<Target> dropped;
    page.setDropHandlers([&accepting](const QObject*) { return accepting; },
                         [&dropped](Target target) { dropped.push_back(target); });
    const std::pair<QTreeView*, Target> lists[] = {
        {page.headerList(), Target::Header}, {page.cueList(), Target::CueList}, {page.trackList(), Target::TrackList}};
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile("/music/a.mp3")});
    // The drop goes where the drag was entered and accepted.
    auto dragAndDrop = [&mime](QWidget* viewport) {
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &drop);
        return enter.isAccepted();
    };
    for (const auto& [list, target] : lists) {
        dropped.clear();
        EXPECT_TRUE(dragAndDrop(list->viewport())) << static_cast<int>(target);
        EXPECT_EQ(dropped, std::vector<Target>{target});
    }
    accepting = false;
    dropped.clear();
    EXPECT_FALSE(dragAndDrop(page.trackList()->viewport()));
    EXPECT_TRUE(dropped.empty());
    EXPECT_EQ(page.trackList()->model()->rowCount(), 0);
}

TEST(PackCueSheetExport, FailedWriteIsShownAndNeverReportedAsSaved) {
    quilto::pack::TrackPage page;
    page.cues.push_back({});
    QTemporaryDir out;
    const QString folderBefore = quilto::pack::ui::SharedDialogFolder();
    bool shown = false;
    QTimer::singleShot(0, [&shown] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = true;
            box->close();
        }
    });
    const auto result = quilto::pack::ui::ExportCueSheetTo(nullptr, page, false, true, out.filePath("missing/x.cue"));
    EXPECT_EQ(result, quilto::pack::ui::ExportResult::Failed);
    EXPECT_TRUE(shown);
    EXPECT_EQ(quilto::pack::ui::SharedDialogFolder(), folderBefore);
    EXPECT_FALSE(QFileInfo::exists(out.filePath("missing/x.cue")));
}

TEST(PackCueSheetName, ReplacesTheExtension) {
    const std::pair<const char*, const char*> cases[] = {
        {"Album.mp3", "Album.cue"}, {"a.b.pac.mp3", "a.b.pac.cue"}, {"NoExtension", "NoExtension.cue"}, {"", ""}};
    for (const auto& [file, expected] : cases) {
        EXPECT_EQ(quilto::pack::ui::ProposedCueSheetName(file), QString::fromUtf8(expected)) << file;
    }
}

TEST_F(PackPageTest, ColumnWidthsComeFromAndGoBackToTheSettings) {
    QFile ini(iniPath());
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Window]\r\nClmP3Title=222\r\nClmU1Path=0\r\nClmP2Index=150\r\nClmP3Xing=40\r\n");
    ini.close();
    auto window = std::make_unique<FormMain>(QStringList{folder_.path()});
    TrackListPage* pack = window->trackPage(FormMain::PackPage);
    TrackListPage* unpack = window->trackPage(FormMain::UnPackPage);
    EXPECT_EQ(pack->trackList()->columnWidth(TrackListModel::Title), 222);
    EXPECT_EQ(pack->cueList()->columnWidth(CueListModel::Index), 150);
    EXPECT_FALSE(pack->trackList()->isColumnHidden(TrackListModel::Xing));
    EXPECT_TRUE(pack->trackList()->isColumnHidden(TrackListModel::BitStream));  // default 0
    EXPECT_TRUE(unpack->headerList()->isColumnHidden(CueHeaderModel::FilePath));
    EXPECT_TRUE(pack->cueList()->isColumnHidden(CueListModel::Length));
    EXPECT_EQ(pack->trackList()->model()->headerData(TrackListModel::Mode, Qt::Horizontal).toString(), "ChanelMode ");

    pack->trackList()->setColumnWidth(TrackListModel::Artist, 123);
    window->close();
    const auto stored = quilto::core::IniFile::Load(iniPath().toStdString());
    EXPECT_EQ(stored.readInt("Window", "ClmP3Artist", 0), 123);
    EXPECT_EQ(stored.readInt("Window", "ClmP3Title", 0), 222);
    EXPECT_EQ(stored.readInt("Window", "ClmU1Path", -1), 0);
}
