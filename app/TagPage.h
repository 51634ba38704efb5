// One of the ID3v1 and ID3v2 tag pages: the list of the folder's rows with
// its marks, cell editors and column commands. The rows and every rule about
// them live in the engine (tags/TagEdits.h); the page turns clicks, keys and
// menu choices into its calls and shows the result.
#pragma once

#include <QObject>

#include <functional>
#include <vector>

#include "app/TagListModel.h"
#include "app/TextCommands.h"
#include "core/FileRows.h"
#include "core/GenreTable.h"
#include "tags/TagEdits.h"

class QFont;
class QMenu;
class QStyledItemDelegate;
class QWidget;

namespace quilto::edit {
class EditableListView;
}

namespace quilto::app {

class TagDialogs;

// Column 0 of the tag and rename lists: the icons of kTagMarkRole and
// kEditMarkRole side by side, where TagPage's mark spots are.
QStyledItemDelegate* MakeMarkDelegate(QObject* parent);

class TagPage final : public QObject {
    Q_OBJECT
public:
    // Spots of column 0, relative to its left edge: the tag mark, the edit mark.
    static constexpr int kTagMarkLeft = 4, kTagMarkRight = 16;
    static constexpr int kEditMarkLeft = 20, kEditMarkRight = 32;

    TagPage(core::FolderRows& rows, TagListModel::Version version, std::function<const core::GenreTable&()> genres,
            std::function<TagDialogs&()> dialogs, QWidget* parent, const QFont& font);

    edit::EditableListView* view() const { return view_; }
    TagListModel* model() const { return model_; }
    tags::TagList list() const { return model_->list(); }

    // The genre drop-down's entries, from the table now in force.
    void setGenres(const core::GenreTable& genres);

    // The selected rows ascending; with selectAllWhenNone and none selected,
    // every row is selected first (and returned).
    std::vector<std::size_t> selectedRows(bool selectAllWhenNone);
    void selectRows(const std::vector<std::size_t>& rows);

    // Column 0's header: every tag mark to 0 when any is 1, else to 1.
    void toggleAllMarks();
    // A press at x (relative to column 0's left edge) on row.
    void clickMarks(int row, int x);

    // The column menu's commands on `column`.
    void fillColumnMenu(QMenu& menu, int column);
    void setAll(int column);
    void copyFrom(int column, tags::CopySource source, tags::CopyField field, bool append);
    void clearColumn(int column);
    // "Replace" and "Convert" on the selected rows' cells of `column`.
    void setTextCommands(TextCommands commands) { textCommands_ = std::move(commands); }
    void replaceInColumn(int column);
    void convertColumn(int column, rename::Conversion conversion);

    // Shows the rows again after the engine changed them, and says so.
    void changed();

signals:
    // Marks or texts changed: the count line is due.
    void rowsChanged();
    // "Editor" of the column menu (the window runs the round trip).
    void editorRequested(int column);
    // "Property " of the context menu for that row.
    void propertyRequested(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void headerClicked(int column);
    void contextMenu(const QPoint& at);
    bool excluded(int row) const;
    void applyToColumn(int column, const rename::TextOperation& operation);

    core::FolderRows& rows_;
    std::function<const core::GenreTable&()> genres_;
    std::function<TagDialogs&()> dialogs_;
    TextCommands textCommands_;
    TagListModel* model_ = nullptr;
    edit::EditableListView* view_ = nullptr;
};

}  // namespace quilto::app
