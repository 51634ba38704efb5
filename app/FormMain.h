// The program's one main window: the file browser above (volumes, folder
// tree, file list), the five pages below, the menus and the status bar.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/FileRows.h"
#include "core/FileSort.h"
#include "core/FrameScanCommand.h"
#include "core/GenreTable.h"
#include "pack/PackOptions.h"
#include "rename/ReplaceConvert.h"
#include "pack/PackWriter.h"
#include "tags/SaveTags.h"

class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QTabWidget;
class QTableView;
class QTreeWidgetItem;

namespace quilto::core {
class IniFile;
}

namespace quilto::edit {
class EditableListView;
}

namespace quilto::app {

class DriveSelector;
class FileListModel;
class FileListView;
class FolderTree;
class HelpWindow;
class OptionDialogs;
class PackDialogs;
class RenameDialogs;
class RenamePage;
class TagDialogs;
class TagPage;
class ProgressWindow;
class TagListModel;
class TrackListPage;
struct AppSettings;
struct GeneralOptions;

class FormMain final : public QMainWindow {
    Q_OBJECT
public:
    enum Page { PackPage = 0, UnPackPage = 1, Id3v1Page = 2, Id3v2Page = 3, ReNamePage = 4 };

    // arguments: the command line's paths (first start) to open.
    explicit FormMain(QStringList arguments = {}, QWidget* parent = nullptr);
    ~FormMain() override;

    // Runs the start-up's first idle step now (tests call it; normally a
    // zero timer does after the window is shown).
    void runFirstIdle();

    // A hand-over from a second start: the paths, one per line. handled runs
    // once the folder is shown (after a running refresh has stopped).
    void handOver(const QStringList& paths, std::function<void()> handled = {});
    // Shows the first path's folder and remembers its file to select.
    bool openFromArguments(const QStringList& paths, bool refreshNow);
    void selectPendingFile();

    // The folder scan: rebuilds the tree and the rows for folder.
    void scanFolder(const QString& folder, bool refreshNow);
    // The same for the folder's path bytes, which need not be UTF-8.
    void scanRawFolder(std::string folder, bool refreshNow);
    void fillRows();
    void runFrameScan(core::FrameScanVariant variant);
    void sortByColumn(int column);

    QString currentFolder() const { return currentFolder_; }
    const core::FolderRows& rows() const { return rows_; }
    FileListView* fileList() const { return fileList_; }
    QTabWidget* pages() const { return pages_; }
    // The Pack or UnPack page (nullptr for the others).
    TrackListPage* trackPage(Page page) const;
    QString statusText(int panel) const;
    QString columnCaption(int column) const;
    int rowTop() const { return rowTop_; }
    int rowPitch() const { return rowPitch_; }
    // The file list's selected rows dropped on a list of the Pack or UnPack
    // page (target: TrackListPage::Target).
    void filesDroppedOnPage(Page page, int target);
    // What a drag out of the file list carries: the selected files in list order.
    QList<QUrl> selectedFileUrls() const;

    // "Create Packed MP3" (Pack page) and "Save", "Save as", "Save Selection
    // as" (UnPack page): the dialogs, then the packed file written.
    void savePacked(pack::SaveMode mode);
    // Tests answer the pack run's questions and choose how its output opens.
    void setPackDialogs(std::unique_ptr<PackDialogs> dialogs);
    void setPackOutputFactory(pack::OutputFactory factory) { packOutput_ = std::move(factory); }
    // An operation runs that must not be interrupted by a hand-over or a
    // drop (a pack run): those wait until it has ended.
    bool longWorkRunning() const { return longWork_ > 0; }

    // "Extract" of the UnPack page: the options, the folder, then the tracks.
    void extractTracks();
    // The packed file's node becomes current: the file list shows its tracks.
    void showPackedFile(const QByteArray& path);
    // The spans of the file-list rows while a packed file's tracks show.
    const std::vector<pack::TrackSpan>& packedSpans() const { return packedSpans_; }

    // The ID3v1 or ID3v2 page (nullptr for the others).
    TagPage* tagPage(Page page) const;
    // "Save All", "Save ID3v1", "Save ID3v2": the edited rows into the files
    // (or the packed file whose tracks show), then the rows read again.
    void saveTags(tags::TagVariant variant);
    // "Copy From ID3v2" (page 2) or "Copy From ID3v1" (page 3).
    void copyFromOtherTag();
    // "Editor" of a tag page's column menu: the column through the external editor.
    void editColumnExternally(Page page, int column);
    // The same for a column of the Pack or UnPack page (target: TrackListPage::Target).
    void editTrackColumnExternally(TrackListPage* page, int target, int column);
    // "Cue List Editor": the page's cue list in its modal editing window.
    void openCueListEditor(Page page);
    // Tests answer the tag pages' questions.
    void setTagDialogs(std::unique_ptr<TagDialogs> dialogs);

    // "Option" > "General", "Option" > "ID3Tag Genre", "Help" > "About".
    void editGeneralOptions();
    void editGenres();
    void showAbout();
    // Tests answer or drive the option dialogs.
    void setOptionDialogs(std::unique_ptr<OptionDialogs> dialogs);
    const GeneralOptions& generalOptions() const;
    const core::GenreTable& genres() const { return *genres_; }

    RenamePage* renamePage() const { return renamePage_; }
    // "Check" and "Update" of the ReName menu.
    void checkRenames();
    void updateRenames();
    // "Option" > "ReName".
    void editRenameOptions();
    // Tests answer the rename commands' questions.
    void setRenameDialogs(std::unique_ptr<RenameDialogs> dialogs);
    // The column commands' replace question: the Set All dialog's replace
    // page with the rename page's histories, which it updates after OK.
    std::optional<rename::ReplaceRequest> askReplace(QWidget* owner, const QString& caption, const QString& preset);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildLayout();
    void buildMenus();
    void loadSettings();
    void storeSettings();
    void applyColumnWidths();

    void setBusy(bool busy);
    // Asks a running refresh or frame scan to stop at its next check.
    void cancelRunningWork();
    void pageChanged(int page);
    void refreshStatus();
    void refreshSelectionSummary();
    void syncSelectionToRows();
    void syncSelectionFromRows();
    void addPackedFileNodes();
    bool packedFileNodeIsCurrent() const;

    void reload();
    void play();
    // Qt passes names to other programs only as UTF-8: false, after telling
    // the user, when one of these paths is not.
    bool passableToOthers(const std::vector<std::string>& paths);
    void showProperties();
    void showHelp(int context);
    int helpContextOfFocus() const;
    // Opens the dragged packed file on the UnPack page.
    void openPackedOnUnPackPage();
    void buildPackMenu(QMenu* menu, Page page);
    void addPackWriterCommands(QMenu* menu, Page page);
    PackDialogs& packDialogs();
    TagDialogs& tagDialogs();
    void buildTagMenu(QMenu* menu);
    void buildRenameMenu(QMenu* menu);
    RenameDialogs& renameDialogs();
    OptionDialogs& optionDialogs();
    // Writes a dialog's section into the settings file as it is now; a
    // failure is told through the option dialogs.
    void storeDialogSection(const std::function<void(core::IniFile&)>& store, const QString& caption);
    void updateRenamesHeld();
    // The renames themselves: the files of the folder, or the tracks inside
    // the packed file shown.
    struct RenameRun {
        bool failed = false;
        bool cancelled = false;
        std::string message;
    };
    RenameRun runRenames(ProgressWindow& progress);
    void tagMenuAboutToShow();
    void saveTagsHeld(tags::TagVariant variant);
    void editColumnHeld(Page page, int column);
    // A long operation (pack run, extraction, tag saving): the window busy and
    // a ProgressWindow (cancelled by closing the window) while work runs; then
    // finish (messages, reload) with the window back; then the hand-overs and
    // drops that arrived meanwhile, in order.
    void runLongWork(const QString& caption, const std::function<void(ProgressWindow&)>& work,
                     const std::function<void()>& finish);
    void runAfterLongWork();
    // Runs body (dialogs, then runLongWork) with hand-overs and drops held
    // from its first question on; they run once it ends.
    void holdLongWork(const std::function<void()>& body);
    // savePacked's dialogs and run, inside its long-work hold.
    void savePackedHeld(pack::SaveMode mode);
    void extractTracksHeld();
    // Runs step now, or after the long operation that runs now.
    bool deferDuringLongWork(std::function<void()> step);
    void commitEditorsWhenMenusOpen();
    void exportCueSheet(Page page);
    void importCueSheet(Page page);
    void fileMenuAboutToShow();
    void fileListContextMenu(const QPoint& position);

    core::FolderRows rows_;
    core::SortState sort_;
    std::unique_ptr<AppSettings> settings_;
    std::unique_ptr<core::GenreTable> genres_;
    QStringList arguments_;
    QString currentFolder_;     // ends with "/"; as shown
    std::string currentRawFolder_;  // the same as the file system's bytes
    QString pendingFileName_;   // the bare file name to select after a scan
    int rowTop_ = 0;
    int rowPitch_ = 0;
    bool firstIdleDone_ = false;
    bool filling_ = false;     // a refresh or frame scan runs: no other command may start
    bool cancelFill_ = false;
    bool closing_ = false;
    // Long operations and the commands around them (from their first dialog
    // on) now running: hand-overs and drops wait while it is above 0.
    int longWork_ = 0;
    std::vector<std::function<void()>> afterLongWork_;
    std::unique_ptr<PackDialogs> packDialogs_;
    std::unique_ptr<TagDialogs> tagDialogs_;
    std::unique_ptr<RenameDialogs> renameDialogs_;
    std::unique_ptr<OptionDialogs> optionDialogs_;
    // While a packed-file node is current: that file and its rows' spans.
    std::string packedFilePath_;
    std::vector<pack::TrackSpan> packedSpans_;
    pack::OutputFactory packOutput_;

    DriveSelector* drives_ = nullptr;
    FolderTree* tree_ = nullptr;
    FileListView* fileList_ = nullptr;
    FileListModel* fileModel_ = nullptr;
    TrackListPage* packPage_ = nullptr;
    TrackListPage* unpackPage_ = nullptr;
    TagPage* id3v1Page_ = nullptr;
    TagPage* id3v2Page_ = nullptr;
    edit::EditableListView* id3v1List_ = nullptr;
    edit::EditableListView* id3v2List_ = nullptr;
    TagListModel* id3v1Model_ = nullptr;
    TagListModel* id3v2Model_ = nullptr;
    RenamePage* renamePage_ = nullptr;
    QAction* checkRenames_ = nullptr;
    QAction* updateRenames_ = nullptr;
    QAction* saveAllTags_ = nullptr;
    QAction* saveId3v1_ = nullptr;
    QAction* saveId3v2_ = nullptr;
    QAction* copyFromTag_ = nullptr;
    QSplitter* upperSplitter_ = nullptr;
    QSplitter* mainSplitter_ = nullptr;
    QWidget* upperPanel_ = nullptr;
    QTabWidget* pages_ = nullptr;
    std::array<QLabel*, 3> status_{};
    QPointer<ProgressWindow> activeProgress_;  // of the frame scan or long operation while it runs

    QMenu* fileMenu_ = nullptr;
    QMenu* frameScanMenu_ = nullptr;
    QMenu* optionMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    std::array<QMenu*, 4> pageMenus_{};  // Pack, UnPack, ID3Tag, ReName
};

}  // namespace quilto::app
