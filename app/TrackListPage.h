// The Pack and UnPack pages: the CueHeader row on top, the CueList and the
// track list side by side below, over one pack::TrackPage. The page runs the
// engine's list commands and keeps the views in step; the main window hands
// it the file list's drops and its menu commands.
#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "app/TextCommands.h"
#include "core/FileRows.h"
#include "pack/TrackListEdits.h"
#include "pack/TrackLists.h"

class QSplitter;
class QTreeView;

namespace quilto::edit {
class EditableListView;
}

namespace quilto::app {

class TagDialogs;
class CueHeaderModel;
class CueListModel;
class TrackListModel;

class TrackListPage final : public QWidget {
    Q_OBJECT
public:
    enum class Target { Header, CueList, TrackList };

    explicit TrackListPage(pack::Page which, QWidget* parent = nullptr);
    ~TrackListPage() override;

    pack::TrackPage& data() { return page_; }
    const pack::TrackPage& data() const { return page_; }
    edit::EditableListView* headerList() const { return headerList_; }
    edit::EditableListView* cueList() const { return cueList_; }
    edit::EditableListView* trackList() const { return trackList_; }

    // Drops of file-list rows: accepts tells whether a drag from that source
    // may drop now; dropped runs when it is released over one of the lists.
    void setDropHandlers(std::function<bool(const QObject*)> accepts, std::function<void(Target)> dropped);
    // The Pack page's drop operations (the UnPack page opens files instead).
    void addFiles(Target target, const pack::FileListSource& source);

    void makeCueList();
    void clearLists(pack::ClearWhat what);
    void deleteSelectedTracks();
    void addCueRow();
    void deleteSelectedCues();
    // The Pack page's remembered check state; also shown at once when the
    // header has no cue index that fails to fit.
    void setStoredCueCheck(int value);
    // A click on the "Cue" cell at x (relative to the cell): the check box at
    // 4-16, the recomputation of the cue lengths at 20-32.
    void clickCueCell(int x);
    // Shows the page's rows again after the engine changed them.
    void refresh();

    // The column menus' "Replace" and "Convert": the header row's Title and
    // Performer, the selected cue rows' Title and Performer, the selected
    // tracks' Artist and Title. False for a column without them.
    void setTextCommands(TextCommands commands) { textCommands_ = std::move(commands); }
    static bool HasTextCommands(Target target, int column);
    bool replaceInColumn(Target target, int column);
    bool convertColumn(Target target, int column, rename::Conversion conversion);

    // The column tool menus (Title and Performer of the header and the cue
    // list, the cue Index, the tracks' Artist and Title): the Set All
    // dialog comes from `dialogs`; `files` are the folder's rows for the
    // ID3 sources (may give null).
    void setColumnTools(std::function<TagDialogs&()> dialogs, std::function<const core::FolderRows*()> files);
    static pack::EditColumn EditColumnOf(Target target, int column);
    bool setAll(Target target, int column);
    // code: source × 10 + field of the Copy/Append From item.
    void copyFrom(Target target, int column, int code, bool append);
    void clearColumn(Target target, int column);

    // The selected track-list rows, ascending.
    std::vector<std::size_t> selectedTrackRows() const;
    void selectTrackRows(const std::vector<std::size_t>& rows);
    // While the tracks are frame-scanned one by one: `row` is next; the
    // texts of those before it have changed.
    void showScanning(std::size_t row);
    // The option word of the packed file whose tracks the page shows, and
    // that file's path: a rewrite keeps the flags that only hold for it.
    // 0 and empty for tracks from plain MP3 files.
    std::uint32_t optionWord() const { return optionWord_; }
    const std::string& optionWordSource() const { return optionWordSource_; }
    void setOptionWord(std::uint32_t word, std::string source);

    // Column widths: header columns 1.., cue list columns 2..4, the cue
    // list's width, track list columns 1..; 0 hides a column.
    void applyWidths(std::span<const int> header, std::span<const int> cues, int cueListWidth,
                     std::span<const int> tracks);
    void storeWidths(std::span<int> header, std::span<int> cues, int& cueListWidth, std::span<int> tracks) const;

signals:
    // The rows changed: the status bar's count line is due.
    void listsChanged();
    void cueCheckChanged(int value);
    // "Editor" of a column menu (the window runs the round trip).
    void editorRequested(quilto::app::TrackListPage::Target target, int column);
    // The cue list's column menu item or a double-click below its rows.
    void cueListEditorRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildViews();
    void wireEditing();
    void trackListMenu(const QPoint& at);
    void cueListMenu(const QPoint& at);
    void moveRows(bool tracks, const QList<int>& rows, int target);
    void changed();
    void changedKeepingSelection();
    void columnMenu(Target target, int column);
    std::vector<std::string*> columnCells(Target target, int column);
    edit::EditableListView* listOf(Target target) const;
    Target targetOf(const QObject* viewport) const;

    pack::TrackPage page_;
    CueHeaderModel* headerModel_ = nullptr;
    CueListModel* cueModel_ = nullptr;
    TrackListModel* trackModel_ = nullptr;
    edit::EditableListView* headerList_ = nullptr;
    edit::EditableListView* cueList_ = nullptr;
    edit::EditableListView* trackList_ = nullptr;
    QSplitter* lowerSplitter_ = nullptr;
    std::function<bool(const QObject*)> acceptsDrop_;
    std::function<void(Target)> dropped_;
    TextCommands textCommands_;
    std::function<TagDialogs&()> dialogs_;
    std::function<const core::FolderRows*()> files_;
    std::vector<std::size_t> selectedOrAll(Target target);
    std::uint32_t optionWord_ = 0;
    std::string optionWordSource_;
};

}  // namespace quilto::app
