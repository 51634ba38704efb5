// The one in-place cell editor of every editable list: a read-only report
// list whose rows are armed by a double-click and whose cells are then edited
// by an editor laid over the cell. Writes go through the model's setData with
// the editor's text; the owning page reacts through the signals.
#pragma once

#include <QHash>
#include <QList>
#include <QPersistentModelIndex>
#include <QStringList>
#include <QTimer>
#include <QTreeView>

#include <functional>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;

namespace quilto::edit {

enum class CellEditorKind { Text, DropDown, MultiLine, Time, ReadOnlyCopy };

// Role a model answers with true for a row that takes no part in editing
// (a file that could not be opened).
inline constexpr int kExcludedRowRole = Qt::UserRole + 30;

// The drop-down entry that stands for an empty value.
inline constexpr char kUserDropDownItem[] = "- User -";

// Mime type of a reordering drag; its payload names the list it started in,
// so only that list takes the drop.
inline constexpr char kRowDragMimeType[] = "application/x-quilto-list-rows";

class SpinButton;

class EditableListView : public QTreeView {
    Q_OBJECT
public:
    explicit EditableListView(QWidget* parent = nullptr);
    ~EditableListView() override;

    // DropDown items: "- User -" means the empty value.
    void setColumnEditor(int column, CellEditorKind kind, QStringList items = {});
    // The column takes no editor any more.
    void clearColumnEditor(int column);
    // Text editors: at most maxLength characters (0: no limit), digits only.
    void setColumnTextRules(int column, int maxLength, bool digitsOnly);
    // Drop-down editors: any typed text is a value, not only the items.
    void setDropDownAcceptsAnyText(int column, bool any);
    // Lists whose cells of one column take different editors by row: called
    // before an editor opens on a cell (also when Up/Down moves it on), so it
    // can set that column's editor for the cell's row.
    void setEditorChooser(std::function<void(const QModelIndex&)> chooser);
    // While Shift or Alt is held, a drop-down editor keeps Enter, Esc, Up and
    // Down for itself (Alt+Down opens its list) instead of committing or moving.
    void setDropDownKeepsModifiedKeys(bool on) { dropDownKeepsModifiedKeys_ = on; }
    // The one-row header lists arm on a single click.
    void setArmOnSingleClick(bool on);
    // Reordering drag within the list, auto-scrolling every 100 ms near the
    // top or bottom edge; the drop is reported by rowsMoveRequested.
    void setRowsMovable(bool on);

    // Commits the open editor as a focus loss does; true when one was open.
    bool commitOpenEditor();
    // Hides the open editor without writing, as Esc does.
    void closeOpenEditor();
    int armedRow() const;

    // The cell under edit, or an invalid index when no editor is open.
    QModelIndex editedIndex() const;
    // The open editor widget (for tests and focus checks), or nullptr.
    QWidget* openEditor() const;

    void setModel(QAbstractItemModel* model) override;

signals:
    // After a commit (focus loss, Enter or commitOpenEditor): the owner's
    // leave handler. changed tells whether the stored text differs from before.
    void cellCommitted(int row, int column, bool changed);
    // Up/Down wrote that row before the editor moved on.
    void cellWrittenByMove(int row, int column);
    // A reordering drag dropped on targetRow; rows ascending.
    void rowsMoveRequested(QList<int> rows, int targetRow);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    struct ColumnEditor {
        CellEditorKind kind = CellEditorKind::Text;
        QStringList items;
        int maxLength = 0;
        bool digitsOnly = false;
        bool anyText = false;
    };

    void armSelectedRow();
    bool openEditorAt(const QPoint& viewportPos);
    void openEditor(const QModelIndex& index);
    void loadEditor(const QModelIndex& index);
    void placeEditor();
    bool commit();
    void hideEditor();
    bool writeEditorText(const QModelIndex& index, bool always);
    QString editorText() const;
    bool handleEditorKey(QKeyEvent* key);
    void moveEditor(int delta);
    void settleBeforeModelChange();
    void spinTime(int frames);
    bool isOwnRowDrag(const QMimeData* mime) const;
    int rowPitch() const;

    QHash<int, ColumnEditor> columns_;
    std::function<void(const QModelIndex&)> chooser_;
    bool armOnSingleClick_ = false;
    bool dropDownKeepsModifiedKeys_ = false;
    QPersistentModelIndex armed_;
    QPersistentModelIndex edited_;
    CellEditorKind openKind_ = CellEditorKind::Text;
    QWidget* open_ = nullptr;  // the shown editor; nullptr while hidden

    QLineEdit* text_ = nullptr;
    QComboBox* dropDown_ = nullptr;
    QPlainTextEdit* multiLine_ = nullptr;
    QLineEdit* time_ = nullptr;
    QLineEdit* copy_ = nullptr;
    QValidator* digits_ = nullptr;
    SpinButton* frameSpin_ = nullptr;
    SpinButton* secondSpin_ = nullptr;

    QTimer dragScroll_;
    int dragScrollStep_ = 0;
    QList<QMetaObject::Connection> modelConnections_;
};

// Commits whichever list editor under window is open; true when one was.
bool CommitOpenCellEditor(QWidget* window);

}  // namespace quilto::edit
