#include "edit/EditableListView.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDrag>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRegularExpressionValidator>
#include <QScrollBar>

#include <algorithm>

#include "core/CueTime.h"
#include "core/NumberText.h"

namespace quilto::edit {

// An up/down button pair that never holds a value: each step is handed to
// the time editor beside it, scaled by the pair's step in cue frames.
class SpinButton final : public QAbstractSpinBox {
public:
    SpinButton(int frames, QWidget* parent, QWidget* timeEditor, std::function<void(int)> stepped)
        : QAbstractSpinBox(parent), frames_(frames), stepped_(std::move(stepped)) {
        // Taking the focus would make the time editor lose it, which commits.
        // Refusing it is not enough: a click then focuses the first ancestor
        // that takes clicks, the list. Handing the click's focus on to the
        // time editor, which already has it, leaves the focus where it is.
        setFocusPolicy(Qt::ClickFocus);
        lineEdit()->setFocusPolicy(Qt::NoFocus);
        setFocusProxy(timeEditor);
        setButtonSymbols(QAbstractSpinBox::UpDownArrows);
        setFixedWidth(16);
        hide();
    }
    void stepBy(int steps) override { stepped_(std::clamp(steps, -1, 1) * frames_); }

protected:
    StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }

private:
    int frames_;
    std::function<void(int)> stepped_;
};

namespace {

constexpr int kSpinWidth = 16;
constexpr int kDragScrollMs = 100;

QString CellText(const QModelIndex& index) {
    const QVariant edit = index.data(Qt::EditRole);
    return edit.isValid() ? edit.toString() : index.data(Qt::DisplayRole).toString();
}

// The time editor holds three minute digits; a two-digit cell gets a "0".
QString TimeEditorText(const QString& cell) { return cell.size() == 8 ? QStringLiteral("0") + cell : cell; }

bool IsExcludedRow(const QAbstractItemModel* model, int row) {
    return model->data(model->index(row, 0), kExcludedRowRole).toBool();
}

}  // namespace

EditableListView::EditableListView(QWidget* parent) : QTreeView(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);

    QWidget* host = viewport();
    text_ = new QLineEdit(host);
    dropDown_ = new QComboBox(host);
    multiLine_ = new QPlainTextEdit(host);
    time_ = new QLineEdit(host);
    copy_ = new QLineEdit(host);
    // Three minute digits, the first of them optional; blanks shown as spaces.
    time_->setInputMask(QStringLiteral("099:99:99; "));
    copy_->setReadOnly(true);
    digits_ = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    dropDown_->setInsertPolicy(QComboBox::NoInsert);
    dropDown_->setMaxVisibleItems(16);
    QPalette greyed = copy_->palette();
    greyed.setColor(QPalette::Base, greyed.color(QPalette::Window));
    copy_->setPalette(greyed);
    multiLine_->setTabChangesFocus(true);
    for (QWidget* editor : {static_cast<QWidget*>(text_), static_cast<QWidget*>(dropDown_),
                            static_cast<QWidget*>(multiLine_), static_cast<QWidget*>(time_),
                            static_cast<QWidget*>(copy_)}) {
        editor->hide();
        editor->installEventFilter(this);
    }
    frameSpin_ = new SpinButton(1, host, time_, [this](int frames) { spinTime(frames); });
    secondSpin_ = new SpinButton(core::kCueFramesPerSecond, host, time_, [this](int frames) { spinTime(frames); });

    dragScroll_.setInterval(kDragScrollMs);
    connect(&dragScroll_, &QTimer::timeout, this, [this] {
        if (dragScrollStep_ != 0)
            verticalScrollBar()->triggerAction(dragScrollStep_ < 0 ? QAbstractSlider::SliderSingleStepSub
                                                                   : QAbstractSlider::SliderSingleStepAdd);
    });
    connect(header(), &QHeaderView::sectionResized, this, [this] { placeEditor(); });
}

EditableListView::~EditableListView() {
    // Hiding editors while the widget tree goes away must not commit.
    open_ = nullptr;
}

void EditableListView::setColumnEditor(int column, CellEditorKind kind, QStringList items) {
    // Rules set before stay: a refilled item list keeps its column's limits.
    ColumnEditor& editor = columns_[column];
    editor.kind = kind;
    editor.items = std::move(items);
}

void EditableListView::clearColumnEditor(int column) {
    if (open_ && edited_.column() == column) commit();
    columns_.remove(column);
}

void EditableListView::setColumnTextRules(int column, int maxLength, bool digitsOnly) {
    ColumnEditor& editor = columns_[column];
    editor.maxLength = maxLength;
    editor.digitsOnly = digitsOnly;
}

void EditableListView::setDropDownAcceptsAnyText(int column, bool any) { columns_[column].anyText = any; }

void EditableListView::setEditorChooser(std::function<void(const QModelIndex&)> chooser) {
    chooser_ = std::move(chooser);
}

void EditableListView::setArmOnSingleClick(bool on) { armOnSingleClick_ = on; }

void EditableListView::setRowsMovable(bool on) {
    setDragEnabled(on);
    setAcceptDrops(on);
    viewport()->setAcceptDrops(on);
    setDragDropMode(on ? QAbstractItemView::DragDrop : QAbstractItemView::NoDragDrop);
    setDropIndicatorShown(on);
    // The 100 ms row-by-row scroll below replaces the view's own.
    setAutoScroll(false);
}

int EditableListView::armedRow() const { return armed_.isValid() ? armed_.row() : -1; }

QModelIndex EditableListView::editedIndex() const { return open_ ? QModelIndex(edited_) : QModelIndex(); }

QWidget* EditableListView::openEditor() const { return open_; }

void EditableListView::setModel(QAbstractItemModel* model) {
    closeOpenEditor();
    armed_ = QPersistentModelIndex();
    for (const auto& connection : modelConnections_) disconnect(connection);
    modelConnections_.clear();
    QTreeView::setModel(model);
    if (!model) return;
    const auto settle = [this] { settleBeforeModelChange(); };
    modelConnections_ << connect(model, &QAbstractItemModel::modelAboutToBeReset, this, settle)
                      << connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this, settle)
                      << connect(model, &QAbstractItemModel::rowsAboutToBeMoved, this, settle)
                      << connect(model, &QAbstractItemModel::layoutAboutToBeChanged, this, settle)
                      << connect(model, &QAbstractItemModel::columnsAboutToBeRemoved, this, settle);
}

// A refill, sort, reorder or clear would leave the editor over another row
// (or none): what was typed goes into its own row first.
void EditableListView::settleBeforeModelChange() {
    if (open_) commit();
    armed_ = QPersistentModelIndex();
}

void EditableListView::armSelectedRow() {
    QModelIndex row = currentIndex();
    if (!row.isValid() || !selectionModel()->isRowSelected(row.row(), row.parent())) {
        const QModelIndexList rows = selectionModel()->selectedRows();
        if (rows.isEmpty()) return;
        row = *std::min_element(rows.begin(), rows.end(),
                                [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    }
    armed_ = row.sibling(row.row(), 0);
}

void EditableListView::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const QModelIndex pressed = indexAt(pos);
    // Decided before the press changes the selection: a press opens the editor
    // only on the row that was both selected and armed.
    const bool opens = event->button() == Qt::LeftButton && pressed.isValid() && armed_.isValid() &&
                       pressed.row() == armed_.row() && selectionModel()->isRowSelected(pressed.row(), {});
    QTreeView::mousePressEvent(event);
    if (opens) openEditorAt(pos);
}

void EditableListView::mouseReleaseEvent(QMouseEvent* event) {
    QTreeView::mouseReleaseEvent(event);
    if (armOnSingleClick_ && event->button() == Qt::LeftButton && !open_) armSelectedRow();
}

void EditableListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    // On a list armed by single clicks the second press has opened it already.
    if (event->button() != Qt::LeftButton || open_) return;
    armSelectedRow();
    // The double-click stands for the second press, which finds the row armed.
    const QPoint pos = event->position().toPoint();
    const QModelIndex pressed = indexAt(pos);
    if (pressed.isValid() && armed_.isValid() && pressed.row() == armed_.row()) openEditorAt(pos);
}

bool EditableListView::openEditorAt(const QPoint& viewportPos) {
    const QModelIndex index = indexAt(viewportPos);
    if (!index.isValid() || !columns_.contains(index.column())) return false;
    if (IsExcludedRow(model(), index.row())) return false;
    openEditor(index);
    return true;
}

void EditableListView::openEditor(const QModelIndex& index) {
    if (open_) commit();
    if (chooser_) chooser_(index);
    const ColumnEditor& column = columns_[index.column()];
    openKind_ = column.kind;
    switch (openKind_) {
    case CellEditorKind::Text:
        text_->setValidator(column.digitsOnly ? digits_ : nullptr);
        text_->setMaxLength(column.maxLength > 0 ? column.maxLength : 32767);
        open_ = text_;
        break;
    case CellEditorKind::DropDown:
        dropDown_->setEditable(column.anyText);
        dropDown_->clear();
        dropDown_->addItems(column.items);
        open_ = dropDown_;
        break;
    case CellEditorKind::MultiLine: open_ = multiLine_; break;
    case CellEditorKind::Time: open_ = time_; break;
    case CellEditorKind::ReadOnlyCopy: open_ = copy_; break;
    }
    edited_ = index;
    armed_ = index.sibling(index.row(), 0);
    loadEditor(index);
    placeEditor();
    open_->show();
    open_->raise();
    if (openKind_ == CellEditorKind::Time) {
        frameSpin_->show();
        secondSpin_->show();
    }
    // Not a tab focus: a line edit would select all of its text.
    open_->setFocus(Qt::OtherFocusReason);
}

void EditableListView::loadEditor(const QModelIndex& index) {
    const QString cell = CellText(index);
    switch (openKind_) {
    case CellEditorKind::Text:
        text_->setText(cell);
        text_->deselect();
        break;
    case CellEditorKind::DropDown:
        dropDown_->setCurrentIndex(dropDown_->findText(cell));
        if (dropDown_->isEditable()) dropDown_->setEditText(cell);
        break;
    case CellEditorKind::MultiLine: multiLine_->setPlainText(cell); break;
    case CellEditorKind::Time:
        time_->setText(TimeEditorText(cell));
        time_->setCursorPosition(0);
        break;
    case CellEditorKind::ReadOnlyCopy: copy_->setText(cell); break;
    }
}

void EditableListView::placeEditor() {
    if (!open_ || !edited_.isValid()) return;
    const QRect cell = visualRect(edited_);
    QRect rect(cell.left(), cell.top(), cell.width() + 1, std::max(cell.height(), open_->sizeHint().height()));
    if (openKind_ == CellEditorKind::MultiLine) rect.setHeight(std::max(rect.height(), 3 * rowPitch()));
    open_->setGeometry(rect);
    if (openKind_ == CellEditorKind::Time) {
        // The second step beside the cell, the frame step to its right; in a
        // list narrower than its columns they move left over the editor's end
        // rather than out of sight.
        const int spinLeft = std::max(rect.left(), std::min(cell.right() + 1, viewport()->width() - 2 * kSpinWidth));
        secondSpin_->setGeometry(spinLeft, rect.top(), kSpinWidth, rect.height());
        frameSpin_->setGeometry(spinLeft + kSpinWidth, rect.top(), kSpinWidth, rect.height());
    }
}

void EditableListView::scrollContentsBy(int dx, int dy) {
    QTreeView::scrollContentsBy(dx, dy);
    placeEditor();
}

void EditableListView::updateGeometries() {
    QTreeView::updateGeometries();
    placeEditor();
}

QString EditableListView::editorText() const {
    switch (openKind_) {
    case CellEditorKind::Text: return text_->text();
    case CellEditorKind::DropDown: {
        const QString text = dropDown_->currentText();
        return text == QLatin1String(kUserDropDownItem) ? QString() : text;
    }
    case CellEditorKind::MultiLine: return multiLine_->toPlainText();
    case CellEditorKind::Time:
        return QString::fromStdString(core::NormalizeCueTimeText(time_->displayText().toStdString()));
    case CellEditorKind::ReadOnlyCopy: return copy_->text();
    }
    return {};
}

// Writes the editor's text into index; text kinds only when it differs.
// Returns whether the stored text changed.
bool EditableListView::writeEditorText(const QModelIndex& index, bool always) {
    if (!index.isValid() || openKind_ == CellEditorKind::ReadOnlyCopy) return false;
    // A drop-down whose cell held a text outside its list shows no item; the
    // user chose nothing, so the cell keeps its text instead of losing it.
    if (openKind_ == CellEditorKind::DropDown && !dropDown_->isEditable() && dropDown_->currentIndex() < 0) return false;
    const QString text = editorText();
    const bool changed = text != CellText(index);
    if (changed || always) model()->setData(index, text, Qt::EditRole);
    return changed;
}

bool EditableListView::commit() {
    if (!open_) return false;
    const QPersistentModelIndex index = edited_;
    const CellEditorKind kind = openKind_;
    // A row that vanished under the editor gets nothing: its index would now
    // name another row.
    const bool changed = writeEditorText(index, kind == CellEditorKind::Time);
    hideEditor();
    if (index.isValid() && kind != CellEditorKind::ReadOnlyCopy) emit cellCommitted(index.row(), index.column(), changed);
    return changed;
}

void EditableListView::hideEditor() {
    QWidget* editor = open_;
    if (!editor) return;
    // Cleared first: the focus loss that hiding causes must not commit again.
    open_ = nullptr;
    edited_ = QPersistentModelIndex();
    armed_ = QPersistentModelIndex();
    // The list takes the focus before the editor hides, so that it does not
    // wander to another widget of the window.
    if (editor->hasFocus()) setFocus(Qt::OtherFocusReason);
    editor->hide();
    frameSpin_->hide();
    secondSpin_->hide();
}

bool EditableListView::commitOpenEditor() {
    if (!open_) return false;
    commit();
    return true;
}

void EditableListView::closeOpenEditor() { hideEditor(); }

void EditableListView::spinTime(int frames) {
    if (!open_ || openKind_ != CellEditorKind::Time) return;
    const std::string current = core::NormalizeCueTimeText(time_->displayText().toStdString());
    time_->setText(QString::fromStdString(core::SpinCueTime(current, frames)));
}

bool EditableListView::eventFilter(QObject* watched, QEvent* event) {
    if (!open_ || watched != open_) return QTreeView::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusOut: {
        // A drop-down opening its list or the window losing activation is not
        // leaving the cell.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) commit();
        break;
    }
    case QEvent::KeyPress:
        if (handleEditorKey(static_cast<QKeyEvent*>(event))) return true;
        break;
    case QEvent::ShortcutOverride: {
        // Keep Esc and Enter for the editor rather than a window's shortcuts.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
            event->accept();
            return true;
        }
        break;
    }
    default: break;
    }
    return QTreeView::eventFilter(watched, event);
}

// Returns true when the key was handled (swallowed).
bool EditableListView::handleEditorKey(QKeyEvent* key) {
    const bool shift = key->modifiers().testFlag(Qt::ShiftModifier);
    const int code = key->key();
    const bool navigation =
        code == Qt::Key_Return || code == Qt::Key_Enter || code == Qt::Key_Up || code == Qt::Key_Down;
    if (openKind_ == CellEditorKind::MultiLine && navigation && !shift) return false;
    if (openKind_ == CellEditorKind::DropDown && dropDown_->view()->isVisible()) return false;
    if (openKind_ == CellEditorKind::DropDown && dropDownKeepsModifiedKeys_ &&
        (key->modifiers() & (Qt::ShiftModifier | Qt::AltModifier)) && (navigation || code == Qt::Key_Escape)) {
        return false;
    }

    if (openKind_ == CellEditorKind::ReadOnlyCopy) {
        if (code == Qt::Key_Return || code == Qt::Key_Enter || code == Qt::Key_Escape) {
            hideEditor();
            return true;
        }
        return false;
    }
    switch (code) {
    case Qt::Key_Return:
    case Qt::Key_Enter: commit(); return true;
    case Qt::Key_Escape: hideEditor(); return true;
    case Qt::Key_Up: moveEditor(-1); return true;
    case Qt::Key_Down: moveEditor(+1); return true;
    default: break;
    }
    if (openKind_ == CellEditorKind::Time) {
        // Digits are overtyped only; removing one would shift the mask.
        if (code == Qt::Key_Backspace || code == Qt::Key_Delete) return true;
        const QString typed = key->text();
        if (!typed.isEmpty() && !core::PassesDigitFilter(typed.front().unicode())) return true;
    }
    return false;
}

void EditableListView::moveEditor(int delta) {
    const QModelIndex current = edited_;
    if (!current.isValid()) {
        hideEditor();
        return;
    }
    const int target = current.row() + delta;
    if (target < 0 || target >= model()->rowCount(current.parent())) return;

    const bool always = openKind_ == CellEditorKind::Time;
    const bool changed = writeEditorText(current, always);
    if (changed || always) emit cellWrittenByMove(current.row(), current.column());
    // The write may have rebuilt the model under us.
    if (!open_ || !edited_.isValid()) return;

    const QModelIndex next = model()->index(target, edited_.column(), edited_.parent());
    selectionModel()->setCurrentIndex(next, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (IsExcludedRow(model(), target)) {
        hideEditor();
        return;
    }
    scrollTo(next);
    if (chooser_) {
        // The next row's cell may take another kind of editor.
        hideEditor();
        openEditor(next);
        return;
    }
    edited_ = next;
    armed_ = next.sibling(target, 0);
    loadEditor(next);
    placeEditor();
}

int EditableListView::rowPitch() const {
    const int pitch = model() && model()->rowCount() > 0 ? rowHeight(model()->index(0, 0)) : 0;
    return pitch > 0 ? pitch : fontMetrics().height();
}

bool EditableListView::isOwnRowDrag(const QMimeData* mime) const {
    return mime && mime->data(QLatin1String(kRowDragMimeType)) ==
                       QByteArray::number(reinterpret_cast<quintptr>(this));
}

void EditableListView::startDrag(Qt::DropActions) {
    if (open_) commit();
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty()) return;
    // A reordering drag carries the first selected row alone.
    const QModelIndex first = *std::min_element(
        rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);

    auto* mime = new QMimeData;
    mime->setData(QLatin1String(kRowDragMimeType), QByteArray::number(reinterpret_cast<quintptr>(this)));
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    // The owner moves the rows on rowsMoveRequested; the view removes nothing.
    drag->exec(Qt::MoveAction);
    dragScroll_.stop();
    dragScrollStep_ = 0;
}

void EditableListView::dragEnterEvent(QDragEnterEvent* event) {
    if (!isOwnRowDrag(event->mimeData())) {
        event->ignore();  // left to the page around the list
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void EditableListView::dragMoveEvent(QDragMoveEvent* event) {
    if (!isOwnRowDrag(event->mimeData())) {
        event->ignore();
        return;
    }
    const int y = event->position().toPoint().y();
    const int pitch = rowPitch();
    dragScrollStep_ = y < pitch ? -1 : (y > viewport()->height() - pitch ? 1 : 0);
    if (dragScrollStep_ == 0) dragScroll_.stop();
    else if (!dragScroll_.isActive()) dragScroll_.start();
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void EditableListView::dragLeaveEvent(QDragLeaveEvent* event) {
    dragScroll_.stop();
    dragScrollStep_ = 0;
    event->accept();
}

void EditableListView::dropEvent(QDropEvent* event) {
    dragScroll_.stop();
    dragScrollStep_ = 0;
    if (!isOwnRowDrag(event->mimeData())) {
        event->ignore();
        return;
    }
    const QModelIndex target = indexAt(event->position().toPoint());
    QList<int> rows;
    for (const QModelIndex& row : selectionModel()->selectedRows()) rows << row.row();
    std::sort(rows.begin(), rows.end());
    event->setDropAction(Qt::MoveAction);
    event->accept();
    if (target.isValid() && !rows.isEmpty()) emit rowsMoveRequested(rows, target.row());
}

bool CommitOpenCellEditor(QWidget* window) {
    if (!window) return false;
    for (EditableListView* list : window->findChildren<EditableListView*>())
        if (list->commitOpenEditor()) return true;
    return false;
}

}  // namespace quilto::edit
