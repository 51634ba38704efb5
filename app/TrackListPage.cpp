#include "app/TrackListPage.h"

#include <QAction>
#include <QApplication>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <algorithm>

#include "app/ColumnMenu.h"
#include "app/FileProperties.h"
#include "app/PackListModels.h"
#include "app/QtText.h"
#include "app/StreamView.h"
#include "app/TagDialogs.h"
#include "edit/EditableListView.h"

namespace quilto::app {

namespace {

using edit::CellEditorKind;
using edit::EditableListView;

constexpr int kHeaderListHeight = 58;
constexpr int kCueCellWidth = 60;
constexpr int kCueNumberWidth = 35;
constexpr int kTrackNumberWidth = 36;
// Spots of the "Cue" cell, relative to its left edge.
constexpr int kCheckLeft = 4, kCheckRight = 16;
constexpr int kRecomputeLeft = 20, kRecomputeRight = 32;
constexpr int kCueTextLeft = 34;
constexpr int kTimeCellMargin = 12;

// Draws the check box and the mark of the cue index that does not fit in
// front of the "Cue" cell's text, at the spots a click acts on.
class CueCellDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QWidget* widget = option.widget;
        QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &item, painter, widget);
        const QRect cell = option.rect;
        const int side = kCheckRight - kCheckLeft + 1;
        const int top = cell.top() + (cell.height() - side) / 2;
        const int check = index.data(kCueCheckRole).toInt();
        if (check >= 0) {
            QStyleOptionButton box;
            box.rect = QRect(cell.left() + kCheckLeft, top, side, side);
            box.state = QStyle::State_Enabled | (check == 1 ? QStyle::State_On : QStyle::State_Off);
            style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, widget);
        }
        if (index.data(kCueNotFittingRole).toBool()) {
            const QIcon mark = style->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, widget);
            mark.paint(painter, QRect(cell.left() + kRecomputeLeft, top, side, side));
        }
        QStyleOptionViewItem text = option;
        text.rect.setLeft(cell.left() + kCueTextLeft);
        QStyledItemDelegate::paint(painter, text, index);
    }
};

EditableListView* MakeList(QWidget* parent, QAbstractItemModel* model) {
    auto* view = new EditableListView(parent);
    view->setModel(model);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->header()->setStretchLastSection(false);
    view->header()->setSectionsMovable(false);
    view->setAcceptDrops(true);
    return view;
}

std::vector<std::size_t> SelectedRows(const QTreeView& view) {
    std::vector<std::size_t> rows;
    for (const QModelIndex& index : view.selectionModel()->selectedRows()) rows.push_back(static_cast<std::size_t>(index.row()));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void SelectRows(QTreeView& view, const std::vector<std::size_t>& rows) {
    QItemSelection selection;
    const int last = view.model()->columnCount() - 1;
    for (const std::size_t row : rows) {
        const int r = static_cast<int>(row);
        selection.select(view.model()->index(r, 0), view.model()->index(r, last));
    }
    view.selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    // Moving the current row must not narrow the selection to it.
    if (!rows.empty()) {
        view.selectionModel()->setCurrentIndex(view.model()->index(static_cast<int>(rows.front()), 0),
                                               QItemSelectionModel::NoUpdate);
    }
}

// Widths from the settings for columns first.. of a view; 0 hides a column.
void ApplyWidths(QTreeView& view, std::span<const int> widths, int first) {
    for (std::size_t i = 0; i < widths.size(); ++i) {
        const int column = first + static_cast<int>(i);
        if (column >= view.model()->columnCount()) break;
        view.setColumnHidden(column, widths[i] <= 0);
        if (widths[i] > 0) view.setColumnWidth(column, widths[i]);
    }
}

void ReadWidths(const QTreeView& view, std::span<int> widths, int first) {
    for (std::size_t i = 0; i < widths.size(); ++i) {
        const int column = first + static_cast<int>(i);
        if (column >= view.model()->columnCount()) break;
        widths[i] = view.isColumnHidden(column) ? 0 : view.columnWidth(column);
    }
}

}  // namespace

TrackListPage::TrackListPage(pack::Page which, QWidget* parent) : QWidget(parent) {
    page_.page = which;
    setObjectName(which == pack::Page::Pack ? QStringLiteral("PackPage") : QStringLiteral("UnPackPage"));
    if (which == pack::Page::Pack) page_.header.check = page_.storedCueCheck;
    buildViews();
    wireEditing();
    // Installed last so that it sees drops before the lists' own handling,
    // which only takes their reordering drags.
    for (EditableListView* view : {headerList_, cueList_, trackList_}) view->viewport()->installEventFilter(this);
}

TrackListPage::~TrackListPage() {
    // The views ask their models for rows while they are torn down; the rows
    // (page_) go before the QWidget base deletes its children.
    delete lowerSplitter_;
    delete headerList_;
}

void TrackListPage::buildViews() {
    headerModel_ = new CueHeaderModel(page_, this);
    cueModel_ = new CueListModel(page_, this);
    trackModel_ = new TrackListModel(page_, this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    headerList_ = MakeList(this, headerModel_);
    headerList_->setFixedHeight(kHeaderListHeight);
    headerList_->setSelectionMode(QAbstractItemView::SingleSelection);
    headerList_->setItemDelegateForColumn(CueHeaderModel::Cue, new CueCellDelegate(headerList_));
    headerList_->setColumnWidth(CueHeaderModel::Cue, kCueCellWidth);
    layout->addWidget(headerList_);

    lowerSplitter_ = new QSplitter(Qt::Horizontal, this);
    lowerSplitter_->setChildrenCollapsible(false);
    cueList_ = MakeList(lowerSplitter_, cueModel_);
    trackList_ = MakeList(lowerSplitter_, trackModel_);
    lowerSplitter_->addWidget(cueList_);
    lowerSplitter_->addWidget(trackList_);
    lowerSplitter_->setStretchFactor(1, 1);
    layout->addWidget(lowerSplitter_, 1);

    // The cue length stays out of sight; it only feeds the index arithmetic.
    cueList_->setColumnHidden(CueListModel::Length, true);
    cueList_->setColumnWidth(CueListModel::Number, kCueNumberWidth);
    trackList_->setColumnWidth(TrackListModel::Number, kTrackNumberWidth);
    for (QTreeView* view : {static_cast<QTreeView*>(cueList_), static_cast<QTreeView*>(trackList_)}) {
        view->header()->setSectionResizeMode(0, QHeaderView::Fixed);
    }
    cueList_->header()->setSectionResizeMode(CueListModel::Number, QHeaderView::Fixed);

    connect(trackList_, &QWidget::customContextMenuRequested, this, &TrackListPage::trackListMenu);
    connect(cueList_, &QWidget::customContextMenuRequested, this, &TrackListPage::cueListMenu);
}

void TrackListPage::wireEditing() {
    for (const Target target : {Target::Header, Target::CueList, Target::TrackList}) {
        QHeaderView* header = listOf(target)->header();
        header->setSectionsClickable(true);
        connect(header, &QHeaderView::sectionClicked, this, [this, target](int column) { columnMenu(target, column); });
    }
    headerList_->setArmOnSingleClick(true);
    headerList_->setColumnEditor(CueHeaderModel::Title, CellEditorKind::Text);
    headerList_->setColumnEditor(CueHeaderModel::Performer, CellEditorKind::Text);
    headerList_->setColumnEditor(CueHeaderModel::Time, CellEditorKind::Time);
    headerList_->setColumnEditor(CueHeaderModel::File, CellEditorKind::Text);
    if (page_.page == pack::Page::UnPack) headerList_->setColumnEditor(CueHeaderModel::FilePath, CellEditorKind::ReadOnlyCopy);
    cueList_->setColumnEditor(CueListModel::Title, CellEditorKind::Text);
    cueList_->setColumnEditor(CueListModel::Performer, CellEditorKind::Text);
    cueList_->setColumnEditor(CueListModel::Index, CellEditorKind::Time);
    trackList_->setColumnEditor(TrackListModel::Artist, CellEditorKind::Text);
    trackList_->setColumnEditor(TrackListModel::Title, CellEditorKind::Text);
    cueList_->setRowsMovable(true);
    trackList_->setRowsMovable(true);

    // Leaving the total time's editor re-derives every cue length from it;
    // leaving an index's editor first keeps the index between its neighbours.
    // Up and Down only write the text (cellWrittenByMove): no recomputation.
    connect(headerList_, &EditableListView::cellCommitted, this, [this](int, int column, bool) {
        if (column != CueHeaderModel::Time) return;
        pack::RecomputeCueLengths(page_, true);
        refresh();
    });
    connect(cueList_, &EditableListView::cellCommitted, this, [this](int row, int column, bool) {
        if (column != CueListModel::Index || row < 0 || static_cast<std::size_t>(row) >= page_.cues.size()) return;
        pack::ClampCueIndex(page_.cues, static_cast<std::size_t>(row));
        pack::RecomputeCueLengths(page_, true);
        refresh();
    });
    connect(cueList_, &EditableListView::rowsMoveRequested, this,
            [this](const QList<int>& rows, int target) { moveRows(false, rows, target); });
    connect(trackList_, &EditableListView::rowsMoveRequested, this,
            [this](const QList<int>& rows, int target) { moveRows(true, rows, target); });
}

void TrackListPage::setDropHandlers(std::function<bool(const QObject*)> accepts, std::function<void(Target)> dropped) {
    acceptsDrop_ = std::move(accepts);
    dropped_ = std::move(dropped);
}

TrackListPage::Target TrackListPage::targetOf(const QObject* viewport) const {
    if (viewport == headerList_->viewport()) return Target::Header;
    if (viewport == cueList_->viewport()) return Target::CueList;
    return Target::TrackList;
}

bool TrackListPage::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop: {
            // Rows from the file list; the lists' own reordering drags pass on.
            auto* drag = static_cast<QDropEvent*>(event);
            if (!acceptsDrop_ || !acceptsDrop_(drag->source())) return false;
            drag->acceptProposedAction();
            if (event->type() == QEvent::Drop && dropped_) dropped_(targetOf(watched));
            return true;
        }
        case QEvent::MouseButtonDblClick: {
            // A double-click below the cue rows opens the Cue List Editor.
            if (watched != cueList_->viewport()) return false;
            const auto* click = static_cast<QMouseEvent*>(event);
            if (click->button() != Qt::LeftButton || cueList_->indexAt(click->position().toPoint()).isValid()) return false;
            emit cueListEditorRequested();
            return true;
        }
        case QEvent::MouseButtonPress: {
            if (watched != headerList_->viewport()) return false;
            const auto* press = static_cast<QMouseEvent*>(event);
            if (press->button() != Qt::LeftButton) return false;
            const QModelIndex index = headerList_->indexAt(press->position().toPoint());
            if (!index.isValid() || index.column() != CueHeaderModel::Cue) return false;
            clickCueCell(press->position().toPoint().x() - headerList_->visualRect(index).left());
            return false;
        }
        default:
            return false;
    }
}

void TrackListPage::addFiles(Target target, const pack::FileListSource& source) {
    switch (target) {
        case Target::TrackList: pack::AddFilesToPackList(page_, source); break;
        case Target::CueList: pack::AddFilesToCueList(page_, source); break;
        case Target::Header: pack::SetCueHeaderFromFile(page_, source); break;
    }
    changed();
}

void TrackListPage::makeCueList() {
    pack::MakeCueList(page_);
    changed();
}

void TrackListPage::clearLists(pack::ClearWhat what) {
    pack::ClearLists(page_, what);
    // The tracks are gone, and with them what their packed file's word said.
    if (what != pack::ClearWhat::Cue) setOptionWord(0, {});
    changed();
}

std::vector<std::size_t> TrackListPage::selectedTrackRows() const { return SelectedRows(*trackList_); }

void TrackListPage::selectTrackRows(const std::vector<std::size_t>& rows) { SelectRows(*trackList_, rows); }

void TrackListPage::showScanning(std::size_t row) {
    // The rows exist from the first call on; only their texts change later.
    if (trackModel_->rowCount() != static_cast<int>(page_.tracks.size())) refresh();
    trackModel_->textsChanged();
    if (row >= page_.tracks.size()) return;
    SelectRows(*trackList_, {row});
    trackList_->scrollTo(trackModel_->index(static_cast<int>(row), 0));
}

void TrackListPage::setOptionWord(std::uint32_t word, std::string source) {
    optionWord_ = word;
    optionWordSource_ = std::move(source);
}

void TrackListPage::deleteSelectedTracks() {
    const std::vector<std::size_t> rows = SelectedRows(*trackList_);
    if (rows.empty()) return;
    pack::DeleteTracks(page_, rows);
    changed();
}

void TrackListPage::addCueRow() {
    pack::AddCueRow(page_);
    changed();
}

void TrackListPage::deleteSelectedCues() {
    const std::vector<std::size_t> rows = SelectedRows(*cueList_);
    if (rows.empty()) return;
    pack::DeleteCueRows(page_, rows);
    changed();
}

void TrackListPage::setStoredCueCheck(int value) {
    page_.storedCueCheck = value == 0 ? pack::CueCheck::Unchecked : pack::CueCheck::Checked;
    if (page_.page == pack::Page::Pack && page_.header.check != pack::CueCheck::None) {
        page_.header.check = page_.storedCueCheck;
        refresh();
    }
}

void TrackListPage::clickCueCell(int x) {
    if (x >= kCheckLeft && x <= kCheckRight) {
        if (page_.header.check == pack::CueCheck::None) return;
        page_.header.check =
            page_.header.check == pack::CueCheck::Checked ? pack::CueCheck::Unchecked : pack::CueCheck::Checked;
        if (page_.page == pack::Page::Pack) {
            page_.storedCueCheck = page_.header.check;
            emit cueCheckChanged(static_cast<int>(page_.header.check));
        }
        refresh();
    } else if (x >= kRecomputeLeft && x <= kRecomputeRight) {
        pack::RecomputeCueLengths(page_, true);
        refresh();
    }
}

void TrackListPage::refresh() {
    headerModel_->refresh();
    cueModel_->refresh();
    trackModel_->refresh();
}

bool TrackListPage::HasTextCommands(Target target, int column) {
    switch (target) {
        case Target::Header: return column == CueHeaderModel::Title || column == CueHeaderModel::Performer;
        // A cue index is a time: replaced text would stop being one.
        case Target::CueList: return column == CueListModel::Title || column == CueListModel::Performer;
        case Target::TrackList: return column == TrackListModel::Artist || column == TrackListModel::Title;
    }
    return false;
}

edit::EditableListView* TrackListPage::listOf(Target target) const {
    return target == Target::Header ? headerList_ : target == Target::CueList ? cueList_ : trackList_;
}

std::vector<std::string*> TrackListPage::columnCells(Target target, int column) {
    std::vector<std::string*> cells;
    if (target == Target::Header) {
        cells.push_back(column == CueHeaderModel::Title ? &page_.header.title : &page_.header.performer);
    } else if (target == Target::CueList) {
        for (const std::size_t row : SelectedRows(*cueList_)) {
            if (row < page_.cues.size()) {
                cells.push_back(column == CueListModel::Title ? &page_.cues[row].title : &page_.cues[row].performer);
            }
        }
    } else {
        for (const std::size_t row : SelectedRows(*trackList_)) {
            if (row < page_.tracks.size()) {
                cells.push_back(column == TrackListModel::Title ? &page_.tracks[row].title : &page_.tracks[row].artist);
            }
        }
    }
    return cells;
}

bool TrackListPage::replaceInColumn(Target target, int column) {
    edit::CommitOpenCellEditor(window());
    if (!HasTextCommands(target, column) || !textCommands_.askReplace) return false;
    edit::EditableListView* list = listOf(target);
    // From starts as the focused row's text (the header's only row).
    const int focused = target == Target::Header ? 0 : list->currentIndex().row();
    QString preset;
    if (focused >= 0 && focused < list->model()->rowCount()) {
        preset = list->model()->index(focused, column).data(Qt::DisplayRole).toString();
    }
    const QString caption = list->model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    const std::optional<rename::ReplaceRequest> request = textCommands_.askReplace(window(), caption, preset);
    if (!request) return false;
    if (target != Target::Header) list->setFocus();
    rename::ApplyToColumn(rename::TextOperation::Replace(*request), columnCells(target, column));
    changedKeepingSelection();
    return true;
}

bool TrackListPage::convertColumn(Target target, int column, rename::Conversion conversion) {
    edit::CommitOpenCellEditor(window());
    if (!HasTextCommands(target, column)) return false;
    const std::string delimiters =
        textCommands_.wordDelimiters ? textCommands_.wordDelimiters() : std::string(rename::kDefaultWordDelimiters);
    edit::EditableListView* list = listOf(target);
    if (target != Target::Header) list->setFocus();
    rename::ApplyToColumn(rename::TextOperation::Converting(conversion, delimiters), columnCells(target, column));
    changedKeepingSelection();
    return true;
}

void TrackListPage::setColumnTools(std::function<TagDialogs&()> dialogs,
                                   std::function<const core::FolderRows*()> files) {
    dialogs_ = std::move(dialogs);
    files_ = std::move(files);
}

pack::EditColumn TrackListPage::EditColumnOf(Target target, int column) {
    const pack::EditList list = target == Target::Header    ? pack::EditList::Header
                                : target == Target::CueList ? pack::EditList::Cues
                                                            : pack::EditList::Tracks;
    return {list, column};
}

std::vector<std::size_t> TrackListPage::selectedOrAll(Target target) {
    if (target == Target::Header) return {0};
    edit::EditableListView* list = listOf(target);
    std::vector<std::size_t> rows = SelectedRows(*list);
    if (rows.empty()) list->selectAll();
    return rows;  // empty: the engine takes every row
}

bool TrackListPage::setAll(Target target, int column) {
    edit::CommitOpenCellEditor(window());
    const pack::EditColumn tool = EditColumnOf(target, column);
    if (!pack::IsToolColumn(tool) || !dialogs_) return false;
    edit::EditableListView* list = listOf(target);
    SetAllRequest request;
    request.caption = list->model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    const std::vector<std::size_t> selected = target == Target::Header ? std::vector<std::size_t>{0} : SelectedRows(*list);
    if (!selected.empty()) request.text = ToQString(pack::ColumnText(page_, tool, selected.front()));
    const std::optional<SetAllAnswer> answer = dialogs_().setAll(window(), request);
    if (!answer) return false;
    pack::SetAll(page_, tool, selectedOrAll(target), answer->text.toStdString(), answer->append);
    changedKeepingSelection();
    return true;
}

void TrackListPage::copyFrom(Target target, int column, int code, bool append) {
    edit::CommitOpenCellEditor(window());
    const pack::EditColumn tool = EditColumnOf(target, column);
    if (!pack::IsToolColumn(tool)) return;
    const core::FolderRows* files = files_ ? files_() : nullptr;
    pack::CopyFromSource(page_, tool, selectedOrAll(target), static_cast<pack::TrackCopySource>(code / 10), code % 10,
                         append, files);
    changedKeepingSelection();
}

void TrackListPage::clearColumn(Target target, int column) {
    edit::CommitOpenCellEditor(window());
    if (!pack::ClearColumn(page_, EditColumnOf(target, column))) return;
    changedKeepingSelection();
}

void TrackListPage::columnMenu(Target target, int column) {
    edit::CommitOpenCellEditor(window());
    const pack::EditColumn tool = EditColumnOf(target, column);
    if (!pack::IsToolColumn(tool)) return;
    ColumnMenuCommands commands;
    commands.setAll = [this, target, column] { setAll(target, column); };
    for (const pack::TrackCopyItem& item : pack::CopyItems(page_.page, tool)) {
        commands.copyItems.push_back({QString::fromLatin1(item.caption), item.code});
    }
    commands.copyFrom = [this, target, column](int code, bool append) { copyFrom(target, column, code, append); };
    if (HasTextCommands(target, column)) {
        commands.replace = [this, target, column] { replaceInColumn(target, column); };
        commands.convert = [this, target, column](rename::Conversion conversion) {
            convertColumn(target, column, conversion);
        };
    }
    commands.editor = [this, target, column] { emit editorRequested(target, column); };
    if (!pack::IsIndexColumn(tool)) commands.clear = [this, target, column] { clearColumn(target, column); };
    edit::EditableListView* list = listOf(target);
    QMenu menu(list);
    FillColumnMenu(menu, column, commands);
    if (target == Target::CueList) {
        menu.addSeparator();
        menu.addAction(QStringLiteral("Cue List Editor"), this, [this] { emit cueListEditorRequested(); });
    }
    QHeaderView* header = list->header();
    menu.exec(header->mapToGlobal(QPoint(header->sectionViewportPosition(column), header->height())));
}

void TrackListPage::changedKeepingSelection() {
    // Showing the rows again drops the selections; the user may go on with them.
    const std::vector<std::size_t> cues = SelectedRows(*cueList_);
    const std::vector<std::size_t> tracks = SelectedRows(*trackList_);
    changed();
    SelectRows(*cueList_, cues);
    SelectRows(*trackList_, tracks);
}

void TrackListPage::changed() {
    refresh();
    emit listsChanged();
}

void TrackListPage::moveRows(bool tracks, const QList<int>& rows, int target) {
    if (target < 0) return;
    std::vector<std::size_t> moving;
    for (const int row : rows) {
        if (row >= 0) moving.push_back(static_cast<std::size_t>(row));
    }
    std::sort(moving.begin(), moving.end());
    moving.erase(std::unique(moving.begin(), moving.end()), moving.end());
    const auto to = static_cast<std::size_t>(target);
    const std::vector<std::size_t> moved =
        tracks ? pack::MoveTrackRows(page_, moving, to) : pack::MoveCueRows(page_, moving, to);
    if (moved.empty()) return;
    changed();
    SelectRows(tracks ? *trackList_ : *cueList_, moved);
}

void TrackListPage::trackListMenu(const QPoint& at) {
    edit::CommitOpenCellEditor(window());
    QMenu menu(this);
    menu.addAction(QStringLiteral("Select All"), trackList_, &QTreeView::selectAll);
    menu.addSeparator();
    menu.addAction(QStringLiteral("Delete"), this, &TrackListPage::deleteSelectedTracks);
    menu.addAction(QStringLiteral("Clear"), this, [this] { clearLists(pack::ClearWhat::Data); });
    if (page_.page == pack::Page::Pack) {
        menu.addSeparator();
        menu.addAction(QStringLiteral("Property "), this, [this] {
            const std::vector<std::size_t> rows = SelectedRows(*trackList_);
            if (!rows.empty()) ShowFileProperties(window(), ToQString(page_.tracks.at(rows.front()).sourcePath));
        });
    } else {
        menu.addSeparator();
        QAction* view = menu.addAction(QStringLiteral("Stream View"), this, [this] { OpenStreamView(window(), StreamViewOfPage(page_)); });
        view->setEnabled(!page_.tracks.empty());
    }
    menu.exec(trackList_->viewport()->mapToGlobal(at));
}

void TrackListPage::cueListMenu(const QPoint& at) {
    edit::CommitOpenCellEditor(window());
    QMenu menu(this);
    menu.addAction(QStringLiteral("Select All"), cueList_, &QTreeView::selectAll);
    menu.addSeparator();
    menu.addAction(QStringLiteral("Add"), this, &TrackListPage::addCueRow);
    menu.addAction(QStringLiteral("Delete"), this, &TrackListPage::deleteSelectedCues);
    menu.addAction(QStringLiteral("Clear"), this, [this] { clearLists(pack::ClearWhat::Cue); });
    menu.exec(cueList_->viewport()->mapToGlobal(at));
}

void TrackListPage::applyWidths(std::span<const int> header, std::span<const int> cues, int cueListWidth,
                           std::span<const int> tracks) {
    ApplyWidths(*headerList_, header, CueHeaderModel::Title);
    ApplyWidths(*cueList_, cues, CueListModel::Title);
    ApplyWidths(*trackList_, tracks, TrackListModel::FileName);
    // The stored widths were made for a smaller font than many desktops use:
    // a time that does not show whole cannot be checked or edited.
    for (QTreeView* view : {static_cast<QTreeView*>(headerList_), static_cast<QTreeView*>(cueList_)}) {
        const int column = view == headerList_ ? static_cast<int>(CueHeaderModel::Time) : static_cast<int>(CueListModel::Index);
        const int needed = view->fontMetrics().horizontalAdvance(QStringLiteral("000:00:00")) + kTimeCellMargin;
        if (!view->isColumnHidden(column) && view->columnWidth(column) < needed) view->setColumnWidth(column, needed);
    }
    const int total = std::max(lowerSplitter_->width(), cueListWidth + 100);
    lowerSplitter_->setSizes({cueListWidth, std::max(1, total - cueListWidth)});
}

void TrackListPage::storeWidths(std::span<int> header, std::span<int> cues, int& cueListWidth, std::span<int> tracks) const {
    ReadWidths(*headerList_, header, CueHeaderModel::Title);
    ReadWidths(*cueList_, cues, CueListModel::Title);
    ReadWidths(*trackList_, tracks, TrackListModel::FileName);
    cueListWidth = lowerSplitter_->sizes().value(0, cueListWidth);
}

}  // namespace quilto::app
