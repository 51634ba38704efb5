#include "app/TagPage.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>

#include "app/ColumnMenu.h"
#include "app/QtText.h"
#include "app/TagDialogs.h"
#include "edit/EditableListView.h"

namespace quilto::app {

namespace {

using edit::CellEditorKind;
using tags::TagColumn;

constexpr int kMarkColumnWidth = 35;
constexpr int kMinimumColumnWidth = 8;
constexpr int kId3v1TextLength = 30;
constexpr int kId3v1CommentLength = 28;

// The tag mark and the edit mark side by side, where a click acts on them.
class MarkDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QWidget* widget = option.widget;
        QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &item, painter, widget);
        const QRect cell = option.rect;
        const int side = TagPage::kTagMarkRight - TagPage::kTagMarkLeft + 1;
        const int top = cell.top() + (cell.height() - side) / 2;
        const QVariant tagMark = index.data(kTagMarkRole);
        if (tagMark.canConvert<QIcon>()) {
            tagMark.value<QIcon>().paint(painter, QRect(cell.left() + TagPage::kTagMarkLeft, top, side, side));
        }
        const QVariant editMark = index.data(kEditMarkRole);
        if (editMark.canConvert<QIcon>()) {
            editMark.value<QIcon>().paint(painter, QRect(cell.left() + TagPage::kEditMarkLeft, top, side, side));
        }
    }
};

struct CopyItem {
    const char* caption;
    tags::CopySource source;
    tags::CopyField field;
};
constexpr CopyItem kCopyItems[] = {
    {"File Name", tags::CopySource::FileName, tags::CopyField::Title},
    {"ID3v1 Artist", tags::CopySource::Id3v1, tags::CopyField::Artist},
    {"ID3v1 Title", tags::CopySource::Id3v1, tags::CopyField::Title},
    {"ID3v1 Album", tags::CopySource::Id3v1, tags::CopyField::Album},
    {"ID3v2 Artist", tags::CopySource::Id3v2, tags::CopyField::Artist},
    {"ID3v2 Title", tags::CopySource::Id3v2, tags::CopyField::Title},
    {"ID3v2 Album", tags::CopySource::Id3v2, tags::CopyField::Album},
};

QStringList Names(const std::vector<std::string>& names) {
    QStringList list;
    for (const std::string& name : names) list << ToQString(name);
    return list;
}

}  // namespace

QStyledItemDelegate* MakeMarkDelegate(QObject* parent) { return new MarkDelegate(parent); }

TagPage::TagPage(core::FolderRows& rows, TagListModel::Version version,
                 std::function<const core::GenreTable&()> genres, std::function<TagDialogs&()> dialogs, QWidget* parent,
                 const QFont& font)
    : QObject(parent), rows_(rows), genres_(std::move(genres)), dialogs_(std::move(dialogs)) {
    model_ = new TagListModel(rows_, version, genres_, this);
    view_ = new edit::EditableListView(parent);
    view_->setObjectName(version == TagListModel::Version::Id3v1 ? QStringLiteral("Id3v1List")
                                                                 : QStringLiteral("Id3v2List"));
    view_->setModel(model_);
    view_->setFont(font);
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    view_->setItemDelegateForColumn(0, new MarkDelegate(view_));
    QHeaderView* header = view_->header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    header->setMinimumSectionSize(kMinimumColumnWidth);
    header->setSectionResizeMode(0, QHeaderView::Fixed);
    header->resizeSection(0, kMarkColumnWidth);

    view_->setColumnEditor(static_cast<int>(TagColumn::FileName), CellEditorKind::ReadOnlyCopy);
    for (int column = static_cast<int>(TagColumn::Artist); column < model_->columnCount(); ++column) {
        view_->setColumnEditor(column, CellEditorKind::Text);
    }
    if (version == TagListModel::Version::Id3v1) {
        // The field widths of the stored tag; the engine fits bytes exactly.
        for (const TagColumn column : {TagColumn::Artist, TagColumn::Title, TagColumn::Album}) {
            view_->setColumnTextRules(static_cast<int>(column), kId3v1TextLength, false);
        }
        view_->setColumnTextRules(static_cast<int>(TagColumn::Track), 2, true);
        view_->setColumnTextRules(static_cast<int>(TagColumn::Year), 4, true);
        view_->setColumnTextRules(static_cast<int>(TagColumn::Comment), kId3v1CommentLength, false);
    } else {
        view_->setColumnEditor(static_cast<int>(TagColumn::Comment), CellEditorKind::MultiLine);
    }
    setGenres(genres_());

    view_->viewport()->installEventFilter(this);
    view_->installEventFilter(this);
    connect(header, &QHeaderView::sectionClicked, this, &TagPage::headerClicked);
    connect(view_, &QWidget::customContextMenuRequested, this, &TagPage::contextMenu);
    connect(model_, &TagListModel::cellChanged, this, [this] { emit rowsChanged(); });
}

void TagPage::setGenres(const core::GenreTable& genres) {
    const int column = static_cast<int>(TagColumn::Genre);
    if (list() == tags::TagList::Id3v1) {
        view_->setColumnEditor(column, CellEditorKind::DropDown, Names(genres.id3v1Names()));
    } else {
        view_->setColumnEditor(column, CellEditorKind::DropDown, Names(genres.id3v2Names()));
        view_->setDropDownAcceptsAnyText(column, true);
    }
}

bool TagPage::excluded(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < rows_.size() &&
           (list() == tags::TagList::Id3v1 ? rows_.id3v1[static_cast<std::size_t>(row)].excluded()
                                           : rows_.id3v2[static_cast<std::size_t>(row)].excluded());
}

std::vector<std::size_t> TagPage::selectedRows(bool selectAllWhenNone) {
    std::vector<std::size_t> rows;
    for (const QModelIndex& index : view_->selectionModel()->selectedRows()) {
        rows.push_back(static_cast<std::size_t>(index.row()));
    }
    std::sort(rows.begin(), rows.end());
    if (rows.empty() && selectAllWhenNone && model_->rowCount() > 0) {
        view_->selectAll();
        for (int row = 0; row < model_->rowCount(); ++row) rows.push_back(static_cast<std::size_t>(row));
    }
    return rows;
}

void TagPage::selectRows(const std::vector<std::size_t>& rows) {
    QItemSelection selection;
    const int last = model_->columnCount() - 1;
    for (const std::size_t row : rows) {
        const int r = static_cast<int>(row);
        selection.select(model_->index(r, 0), model_->index(r, last));
    }
    view_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void TagPage::changed() {
    model_->rowsChanged();
    emit rowsChanged();
}

void TagPage::toggleAllMarks() {
    tags::ToggleAllTagMarks(rows_, list());
    changed();
}

void TagPage::clickMarks(int row, int x) {
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size() || excluded(row)) return;
    if (x >= kTagMarkLeft && x <= kTagMarkRight) {
        tags::ToggleTagMark(rows_, list(), static_cast<std::size_t>(row));
    } else if (x >= kEditMarkLeft && x <= kEditMarkRight) {
        tags::ClearEditMark(rows_, list(), static_cast<std::size_t>(row));
    } else {
        return;
    }
    changed();
}

void TagPage::headerClicked(int column) {
    edit::CommitOpenCellEditor(view_->window());
    if (column == 0) {
        toggleAllMarks();
        return;
    }
    if (!tags::IsEditableColumn(list(), static_cast<TagColumn>(column))) return;
    QHeaderView* header = view_->header();
    QMenu menu(view_);
    fillColumnMenu(menu, column);
    menu.exec(header->mapToGlobal(QPoint(header->sectionViewportPosition(column), header->height())));
}

void TagPage::fillColumnMenu(QMenu& menu, int column) {
    ColumnMenuCommands commands;
    commands.setAll = [this, column] { setAll(column); };
    for (const CopyItem& item : kCopyItems) {
        const int field = item.source == tags::CopySource::FileName ? 0 : static_cast<int>(item.field);
        commands.copyItems.push_back({QString::fromLatin1(item.caption), static_cast<int>(item.source) * 10 + field});
    }
    commands.copyFrom = [this, column](int code, bool append) {
        const auto source = static_cast<tags::CopySource>(code / 10);
        const auto field = source == tags::CopySource::FileName ? tags::CopyField::Title
                                                                 : static_cast<tags::CopyField>(code % 10);
        copyFrom(column, source, field, append);
    };
    commands.replace = [this, column] { replaceInColumn(column); };
    commands.convert = [this, column](rename::Conversion conversion) { convertColumn(column, conversion); };
    commands.editor = [this, column] { emit editorRequested(column); };
    commands.clear = [this, column] { clearColumn(column); };
    FillColumnMenu(menu, column, commands);
}

void TagPage::setAll(int column) {
    edit::CommitOpenCellEditor(view_->window());
    const auto tagColumn = static_cast<TagColumn>(column);
    if (!tags::IsEditableColumn(list(), tagColumn)) return;
    const bool v1 = list() == tags::TagList::Id3v1;
    SetAllRequest request;
    request.caption = model_->caption(column);
    request.id3v1 = v1;
    if (tagColumn == TagColumn::Track) {
        request.page = SetAllRequest::Page::Number;
    } else if (tagColumn == TagColumn::Genre) {
        request.page = SetAllRequest::Page::Genre;
        request.genres = Names(v1 ? genres_().id3v1Names() : genres_().id3v2Names());
    } else if (tagColumn == TagColumn::Comment && !v1) {
        request.page = SetAllRequest::Page::Comment;
    } else if (v1) {
        request.maxLength = tagColumn == TagColumn::Year      ? 4
                            : tagColumn == TagColumn::Comment ? kId3v1CommentLength
                                                              : kId3v1TextLength;
    }
    const std::vector<std::size_t> selected = selectedRows(false);
    if (!selected.empty()) request.text = ToQString(tags::CellText(rows_, list(), selected.front(), tagColumn));

    const std::optional<SetAllAnswer> answer = dialogs_().setAll(view_->window(), request);
    if (!answer) return;
    const std::vector<std::size_t> rows = selectedRows(true);
    const tags::TagRows target{rows_, genres_()};
    if (request.page == SetAllRequest::Page::Number) {
        tags::SetAllNumbers(target, list(), rows, answer->numbering);
    } else {
        tags::SetAll(target, list(), tagColumn, rows, answer->text.toStdString(), answer->append);
    }
    changed();
}

void TagPage::copyFrom(int column, tags::CopySource source, tags::CopyField field, bool append) {
    edit::CommitOpenCellEditor(view_->window());
    const auto tagColumn = static_cast<TagColumn>(column);
    if (!tags::IsEditableColumn(list(), tagColumn)) return;
    tags::CopyFromSource(tags::TagRows{rows_, genres_()}, list(), tagColumn, selectedRows(true), source, field,
                         append);
    changed();
}

void TagPage::clearColumn(int column) {
    edit::CommitOpenCellEditor(view_->window());
    const auto tagColumn = static_cast<TagColumn>(column);
    if (!tags::IsEditableColumn(list(), tagColumn)) return;
    tags::ClearColumn(rows_, list(), tagColumn);
    changed();
}

void TagPage::replaceInColumn(int column) {
    edit::CommitOpenCellEditor(view_->window());
    const auto tagColumn = static_cast<TagColumn>(column);
    if (!tags::IsEditableColumn(list(), tagColumn) || !textCommands_.askReplace) return;
    const QModelIndex focused = view_->currentIndex();
    const QString preset =
        focused.isValid() ? ToQString(tags::CellText(rows_, list(), static_cast<std::size_t>(focused.row()), tagColumn))
                          : QString();
    const std::optional<rename::ReplaceRequest> request =
        textCommands_.askReplace(view_->window(), model_->caption(column), preset);
    if (!request) return;
    applyToColumn(column, rename::TextOperation::Replace(*request));
}

void TagPage::convertColumn(int column, rename::Conversion conversion) {
    edit::CommitOpenCellEditor(view_->window());
    if (!tags::IsEditableColumn(list(), static_cast<TagColumn>(column))) return;
    const std::string delimiters =
        textCommands_.wordDelimiters ? textCommands_.wordDelimiters() : std::string(rename::kDefaultWordDelimiters);
    applyToColumn(column, rename::TextOperation::Converting(conversion, delimiters));
}

void TagPage::applyToColumn(int column, const rename::TextOperation& operation) {
    const auto tagColumn = static_cast<TagColumn>(column);
    std::vector<std::size_t> rows;
    for (const std::size_t row : selectedRows(false)) {
        if (!excluded(static_cast<int>(row))) rows.push_back(row);
    }
    std::vector<std::string> texts;
    for (const std::size_t row : rows) texts.push_back(tags::CellText(rows_, list(), row, tagColumn));
    const std::vector<bool> changedCells = ApplyToTexts(operation, texts);
    // SetCell fits the text to the tag and marks the rows it changes.
    const tags::TagRows target{rows_, genres_()};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (changedCells[i]) tags::SetCell(target, list(), rows[i], tagColumn, texts[i]);
    }
    view_->setFocus();
    changed();
}

void TagPage::contextMenu(const QPoint& at) {
    edit::CommitOpenCellEditor(view_->window());
    QMenu menu(view_);
    menu.addAction(QStringLiteral("Select All"), view_, &QTreeView::selectAll);
    menu.addSeparator();
    menu.addAction(QStringLiteral("Property "), this, [this] {
        const std::vector<std::size_t> rows = selectedRows(false);
        if (!rows.empty()) emit propertyRequested(static_cast<int>(rows.front()));
    });
    menu.exec(view_->viewport()->mapToGlobal(at));
}

bool TagPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() != Qt::LeftButton) return false;
        const QPoint at = press->position().toPoint();
        const QModelIndex index = view_->indexAt(at);
        if (!index.isValid() || index.column() != 0) return false;
        clickMarks(index.row(), at.x() - view_->visualRect(index).left());
        return false;
    }
    if (watched == view_ && event->type() == QEvent::KeyPress && view_->openEditor() == nullptr) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() != Qt::NoModifier) return false;
        if (key->key() != Qt::Key_Space && key->key() != Qt::Key_Escape) return false;
        const QModelIndex current = view_->currentIndex();
        if (!current.isValid() || excluded(current.row())) return true;
        const auto row = static_cast<std::size_t>(current.row());
        if (key->key() == Qt::Key_Space) {
            tags::ToggleTagMark(rows_, list(), row);
        } else {
            tags::ClearEditMark(rows_, list(), row);
        }
        changed();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace quilto::app
