#include "app/RenamePage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

#include "app/QtText.h"
#include "app/RenameModels.h"
#include "app/TagPage.h"
#include "edit/EditableListView.h"
#include "rename/FormatSteps.h"
#include "rename/RenameCheck.h"
#include "rename/ReplaceConvert.h"

namespace quilto::app {

namespace {

using edit::CellEditorKind;
using edit::EditableListView;

constexpr int kMarkColumnWidth = 35;
constexpr int kNameColumnWidth = 200;
constexpr int kFormatColumnWidth = 80;
constexpr int kPairColumnWidth = 100;
constexpr int kMinimumColumnWidth = 8;

const QString kFileNameSource = QStringLiteral("* FileName");
const QString kFileNamePlain = QStringLiteral("  FileName");
const QString kResultSource = QStringLiteral("* Replace/Convert");
const QString kResultHeld = QStringLiteral("- Replace/Convert");
const QString kResultEmpty = QStringLiteral("  Replace/Convert");

struct ConvertNodeInfo {
    const char* caption;
    std::optional<rename::Conversion> conversion;  // none: a group or a forbidden-character node
};

// The tree's nodes in order; a caption in brackets is a group.
const ConvertNodeInfo kConvertNodes[RenamePage::ConvertNodeCount] = {
    {"[UpperCase/LowerCase]", std::nullopt},
    {"LowerCase \u21D2 UpperCase", rename::Conversion::Upper},
    {"UpperCase \u21D2 LowerCase", rename::Conversion::Lower},
    {"UpperCase \u21D4 LowerCase", rename::Conversion::SwapCase},
    {"[Beginning of a Word UpperCase]", std::nullopt},
    {"Others LowerCase", rename::Conversion::CapitalizeWords},
    {"Others No Convert", rename::Conversion::CapitalizeKeep},
    {"First Word Only", rename::Conversion::CapitalizeFirst},
    {"[Trimming]", std::nullopt},
    {"Left", rename::Conversion::TrimLeft},
    {"Right", rename::Conversion::TrimRight},
    {"Both", rename::Conversion::TrimBoth},
    {"Multi Space", rename::Conversion::CollapseSpaces},
    {"[Forbidden Characters]", std::nullopt},
    {"Check Only", std::nullopt},
    {"Replace", std::nullopt},
    {"Delete", std::nullopt},
};

QStringList Items(const std::vector<std::string>& texts) {
    QStringList list;
    for (const std::string& text : texts) list << ToQString(text);
    return list;
}

std::vector<std::string> Texts(const QComboBox& box) {
    std::vector<std::string> texts;
    for (int i = 0; i < box.count(); ++i) texts.push_back(box.itemText(i).toStdString());
    return texts;
}

// The history kept by the engine's rule, shown again with its first entry.
void AddToHistory(QComboBox& box) {
    const QString text = box.currentText();
    std::vector<std::string> history = Texts(box);
    rename::AddToHistory(history, text.toStdString());
    box.clear();
    box.addItems(Items(history));
    box.setEditText(text);
}

std::vector<int> SortedRows(const QList<int>& rows) {
    std::vector<int> sorted(rows.begin(), rows.end());
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    return sorted;
}

void SelectListRows(EditableListView& view, const std::vector<int>& rows) {
    QItemSelection selection;
    QAbstractItemModel* model = view.model();
    for (const int row : rows) selection.select(model->index(row, 0), model->index(row, model->columnCount() - 1));
    view.selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

EditableListView* MakeList(QWidget* parent, QAbstractItemModel* model, const QFont& font) {
    auto* view = new EditableListView(parent);
    view->setModel(model);
    view->setFont(font);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    QHeaderView* header = view->header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    header->setMinimumSectionSize(kMinimumColumnWidth);
    return view;
}

}  // namespace

RenamePage::RenamePage(core::FolderRows& rows, QWidget* parent, const QFont& font) : QWidget(parent), rows_(rows) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setChildrenCollapsible(false);
    layout->addWidget(splitter_);

    tabs_ = new QTabWidget(splitter_);
    formatModel_ = new FormatListModel(this);
    pairModel_ = new ReplacePairModel(this);
    tabs_->addTab(buildFileNameTab(), QStringLiteral("FileName"));
    tabs_->addTab(buildReplaceTab(), QStringLiteral("Replace"));
    tabs_->addTab(buildConvertTab(), QStringLiteral("Convert"));
    for (EditableListView* list : {formatList_, replaceList_}) list->setFont(font);
    splitter_->addWidget(tabs_);
    buildRenameList(font);
    splitter_->addWidget(renameList_);
    splitter_->setStretchFactor(1, 1);
    connect(tabs_, &QTabWidget::currentChanged, this, &RenamePage::tabShown);
    rebuildPreview();
}

QWidget* RenamePage::buildFileNameTab() {
    auto* tab = new QWidget(tabs_);
    auto* layout = new QVBoxLayout(tab);
    preview_ = new QLabel(tab);
    preview_->setObjectName(QStringLiteral("FormatPreview"));
    preview_->setTextFormat(Qt::RichText);
    preview_->setFrameShape(QFrame::StyledPanel);
    preview_->setFocusPolicy(Qt::StrongFocus);
    preview_->installEventFilter(this);
    layout->addWidget(preview_);

    formatList_ = MakeList(tab, formatModel_, font());
    formatList_->setObjectName(QStringLiteral("FormatList"));
    formatList_->header()->setSectionResizeMode(FormatListModel::Number, QHeaderView::Fixed);
    formatList_->header()->resizeSection(FormatListModel::Number, kMarkColumnWidth);
    formatList_->header()->resizeSection(FormatListModel::Item, kFormatColumnWidth);
    formatList_->header()->resizeSection(FormatListModel::Parameter, kFormatColumnWidth);
    formatList_->header()->setSectionsClickable(false);
    formatList_->setRowsMovable(true);
    formatList_->setDropDownKeepsModifiedKeys(true);
    QStringList kinds;
    for (const std::string_view name : rename::kFormatItemNames) kinds << ToQString(std::string(name));
    formatList_->setColumnEditor(FormatListModel::Item, CellEditorKind::DropDown, kinds);
    formatList_->setColumnEditor(FormatListModel::Parameter, CellEditorKind::Text);
    formatList_->setEditorChooser([this](const QModelIndex& index) { chooseParameterEditor(index); });
    formatList_->viewport()->installEventFilter(this);
    layout->addWidget(formatList_, 1);

    auto* button = new QPushButton(QStringLiteral("ReName"), tab);
    button->setObjectName(QStringLiteral("ComposeButton"));
    layout->addWidget(button, 0, Qt::AlignRight);

    connect(button, &QPushButton::clicked, this, &RenamePage::composeNames);
    connect(formatModel_, &FormatListModel::stepsChanged, this, &RenamePage::rebuildPreview);
    connect(formatList_, &EditableListView::rowsMoveRequested, this, [this](QList<int> rows, int target) {
        const std::vector<int> placed = formatModel_->moveSteps(SortedRows(rows), target);
        if (!placed.empty()) SelectListRows(*formatList_, placed);
    });
    connect(formatList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        edit::CommitOpenCellEditor(window());
        QMenu menu(formatList_);
        menu.addAction(QStringLiteral("Add"), this, &RenamePage::addFormatStep);
        menu.addAction(QStringLiteral("Delete"), this, &RenamePage::deleteFormatStep);
        menu.addAction(QStringLiteral("Clear"), this, &RenamePage::clearFormatSteps);
        menu.exec(formatList_->viewport()->mapToGlobal(at));
    });
    return tab;
}

QWidget* RenamePage::buildReplaceTab() {
    auto* tab = new QWidget(tabs_);
    auto* layout = new QGridLayout(tab);
    from_ = new QComboBox(tab);
    to_ = new QComboBox(tab);
    for (QComboBox* box : {from_, to_}) {
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
    }
    from_->setObjectName(QStringLiteral("From"));
    to_->setObjectName(QStringLiteral("To"));
    matchCase_ = new QCheckBox(QStringLiteral("U/L Case"), tab);
    replaceButton_ = new QPushButton(QStringLiteral("ReName"), tab);
    replaceButton_->setObjectName(QStringLiteral("ReplaceButton"));
    replaceButton_->setEnabled(false);
    layout->addWidget(new QLabel(QStringLiteral("From"), tab), 0, 0);
    layout->addWidget(from_, 0, 1, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("To"), tab), 1, 0);
    layout->addWidget(to_, 1, 1, 1, 2);
    layout->addWidget(matchCase_, 2, 1);
    layout->addWidget(replaceButton_, 2, 2, Qt::AlignRight);

    replaceList_ = MakeList(tab, pairModel_, font());
    replaceList_->setObjectName(QStringLiteral("ReplaceList"));
    for (int column = 0; column < ReplacePairModel::ColumnCount; ++column) {
        replaceList_->header()->resizeSection(column, kPairColumnWidth);
        replaceList_->setColumnEditor(column, CellEditorKind::Text);
    }
    replaceList_->setRowsMovable(true);
    layout->addWidget(replaceList_, 3, 0, 1, 3);
    layout->setRowStretch(3, 1);

    connect(from_, &QComboBox::editTextChanged, this, &RenamePage::updateReplaceButton);
    connect(replaceButton_, &QPushButton::clicked, this, &RenamePage::replaceNames);
    connect(replaceList_, &QAbstractItemView::clicked, this, &RenamePage::pairClicked);
    connect(replaceList_, &EditableListView::rowsMoveRequested, this, [this](QList<int> rows, int target) {
        const std::vector<int> placed = pairModel_->movePairs(SortedRows(rows), target);
        if (!placed.empty()) SelectListRows(*replaceList_, placed);
    });
    connect(replaceList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        edit::CommitOpenCellEditor(window());
        QMenu menu(replaceList_);
        menu.addAction(QStringLiteral("Regist"), this, &RenamePage::registerPair);
        menu.addAction(QStringLiteral("Delete"), this, &RenamePage::deletePair);
        menu.exec(replaceList_->viewport()->mapToGlobal(at));
    });
    return tab;
}

QWidget* RenamePage::buildConvertTab() {
    auto* tab = new QWidget(tabs_);
    auto* layout = new QVBoxLayout(tab);
    convertTree_ = new QTreeWidget(tab);
    convertTree_->setObjectName(QStringLiteral("ConvertTree"));
    convertTree_->setHeaderHidden(true);
    QTreeWidgetItem* group = nullptr;
    for (int node = 0; node < ConvertNodeCount; ++node) {
        const QString caption = QString::fromUtf8(kConvertNodes[node].caption);
        QTreeWidgetItem* item = nullptr;
        if (caption.startsWith(QLatin1Char('['))) {
            item = group = new QTreeWidgetItem(convertTree_, {caption});
        } else {
            item = new QTreeWidgetItem(group, {caption});
        }
        item->setData(0, Qt::UserRole, node);
    }
    convertTree_->expandAll();
    layout->addWidget(convertTree_, 1);
    convertButton_ = new QPushButton(QStringLiteral("ReName"), tab);
    convertButton_->setObjectName(QStringLiteral("ConvertButton"));
    convertButton_->setEnabled(false);
    layout->addWidget(convertButton_, 0, Qt::AlignRight);
    connect(convertTree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        convertButton_->setEnabled(current != nullptr && !current->text(0).startsWith(QLatin1Char('[')));
    });
    connect(convertButton_, &QPushButton::clicked, this, [this] {
        if (QTreeWidgetItem* item = convertTree_->currentItem()) convertNames(item->data(0, Qt::UserRole).toInt());
    });
    return tab;
}

void RenamePage::buildRenameList(const QFont& font) {
    renameModel_ = new RenameListModel(rows_, this);
    renameList_ = MakeList(splitter_, renameModel_, font);
    renameList_->setObjectName(QStringLiteral("RenameList"));
    renameList_->setItemDelegateForColumn(RenameListModel::Marks, MakeMarkDelegate(renameList_));
    QHeaderView* header = renameList_->header();
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    header->setSectionResizeMode(RenameListModel::Marks, QHeaderView::Fixed);
    header->resizeSection(RenameListModel::Marks, kMarkColumnWidth);
    header->resizeSection(RenameListModel::FileName, kNameColumnWidth);
    header->resizeSection(RenameListModel::ReplaceConvert, kNameColumnWidth);
    header->setSectionResizeMode(RenameListModel::Message, QHeaderView::Stretch);
    renameList_->setColumnHidden(RenameListModel::From, true);
    renameList_->setColumnHidden(RenameListModel::To, true);
    updateSourceEditor();
    renameList_->viewport()->installEventFilter(this);
    renameList_->installEventFilter(this);
    connect(header, &QHeaderView::sectionClicked, this, &RenamePage::headerClicked);
    connect(renameModel_, &RenameListModel::cellChanged, this, [this] { emit rowsChanged(); });
    connect(renameList_, &QWidget::customContextMenuRequested, this, &RenamePage::renameListMenu);
}

void RenamePage::setOptions(const RenameOptions& options) {
    options_ = options;
    // The Time parameters carry the separator: the preview's words change.
    rebuildPreview();
}

void RenamePage::setPageSettings(const RenamePageSettings& settings) {
    formatModel_->setSteps(settings.steps);
    setHistory(settings.history);
    pairModel_->setPairs(settings.pairs);
}

RenamePageSettings RenamePage::pageSettings() const {
    RenamePageSettings settings;
    settings.steps = formatModel_->steps();
    settings.history = history();
    settings.pairs = pairModel_->pairs();
    return settings;
}

rename::ReplaceHistory RenamePage::history() const {
    rename::ReplaceHistory history;
    history.from = Texts(*from_);
    history.to = Texts(*to_);
    history.matchCase = matchCase_->isChecked();
    return history;
}

void RenamePage::setHistory(const rename::ReplaceHistory& history) {
    const QString from = from_->currentText();
    const QString to = to_->currentText();
    from_->clear();
    from_->addItems(Items(history.from));
    from_->setEditText(from);
    to_->clear();
    to_->addItems(Items(history.to));
    to_->setEditText(to);
    matchCase_->setChecked(history.matchCase);
}

void RenamePage::rowsReset() {
    renameList_->closeOpenEditor();
    renameModel_->setCaptions(kFileNameSource, kResultEmpty);
    updateSourceEditor();
    renameModel_->reset();
}

void RenamePage::refresh() {
    renameModel_->rowsChanged();
    emit rowsChanged();
}

std::vector<std::size_t> RenamePage::selectedRows() const {
    std::vector<std::size_t> rows;
    for (const QModelIndex& index : renameList_->selectionModel()->selectedRows()) {
        rows.push_back(static_cast<std::size_t>(index.row()));
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void RenamePage::selectRows(const std::vector<std::size_t>& rows) {
    std::vector<int> list;
    for (const std::size_t row : rows) list.push_back(static_cast<int>(row));
    SelectListRows(*renameList_, list);
}

// ------------------------------------------------------------ commands

void RenamePage::composeNames() {
    edit::CommitOpenCellEditor(window());
    if (formatModel_->steps().empty()) return;
    renameList_->setFocus();
    rename::ComposeNames(formatModel_->steps(), rows_, selectedRows(), options_.timeSeparator);
    refresh();
}

void RenamePage::fillUnselected(const std::vector<std::size_t>& selected) {
    for (std::size_t row = 0; row < rows_.rename.size(); ++row) {
        if (!std::binary_search(selected.begin(), selected.end(), row)) {
            rows_.rename[row].replaceConvert = renameModel_->sourceText(row);
        }
    }
}

void RenamePage::resultsAreSource() {
    renameModel_->setCaptions(kFileNamePlain, kResultSource);
    updateSourceEditor();
}

void RenamePage::replaceNames() {
    edit::CommitOpenCellEditor(window());
    const std::string from = from_->currentText().toStdString();
    if (from.empty()) return;
    const std::string to = to_->currentText().toStdString();
    const bool matchCase = matchCase_->isChecked();
    renameList_->setFocus();
    const std::vector<std::size_t> selected = selectedRows();
    for (const std::size_t row : selected) {
        core::RenameRow& target = rows_.rename[row];
        if (target.excluded()) continue;
        std::string text = renameModel_->sourceText(row);
        const bool changed = rename::ReplacePairs(text, from, to, matchCase);
        target.replaceConvert = std::move(text);
        if (changed) {
            target.stateImage = core::kNoImage;
            target.image = core::kEditedImage;
        }
    }
    fillUnselected(selected);
    AddToHistory(*from_);
    if (!to.empty()) AddToHistory(*to_);
    resultsAreSource();
    refresh();
}

void RenamePage::convertNames(int node) {
    edit::CommitOpenCellEditor(window());
    if (node <= 0 || node >= ConvertNodeCount || kConvertNodes[node].caption[0] == '[') return;
    renameList_->setFocus();
    const std::vector<std::size_t> selected = selectedRows();
    const rename::TextOperation operation = rename::TextOperation::Converting(
        kConvertNodes[node].conversion.value_or(rename::Conversion::Upper), options_.wordDelimiters);
    for (const std::size_t row : selected) {
        core::RenameRow& target = rows_.rename[row];
        if (target.excluded()) continue;
        std::string text = renameModel_->sourceText(row);
        if (node == CheckOnlyNode) {
            rename::CheckForbidden(text, target, rename::ForbiddenCheck::Check);
        } else if (node == ReplaceForbiddenNode || node == DeleteForbiddenNode) {
            rename::FixForbidden(target, text,
                                 node == ReplaceForbiddenNode ? rename::ForbiddenCheck::Replace
                                                              : rename::ForbiddenCheck::Delete,
                                 options_.forbiddenReplacements);
        } else {
            const bool changed = rename::Apply(operation, text);
            target.replaceConvert = std::move(text);
            if (changed) {
                target.stateImage = core::kNoImage;
                target.image = core::kEditedImage;
            }
        }
    }
    // Checking only looks: names and captions stay as they are.
    if (node != CheckOnlyNode) {
        fillUnselected(selected);
        resultsAreSource();
    }
    refresh();
}

void RenamePage::headerClicked(int column) {
    edit::CommitOpenCellEditor(window());
    if (column == RenameListModel::FileName) {
        if (renameModel_->caption(column).startsWith(QLatin1Char('*'))) return;
        const QString result = renameModel_->caption(RenameListModel::ReplaceConvert);
        renameModel_->setCaptions(kFileNameSource, result == kResultSource ? kResultHeld : result);
    } else if (column == RenameListModel::ReplaceConvert) {
        // Only results that exist can be the source, and only where they are made.
        if (tabs_->currentIndex() == FileNameTab) return;
        if (renameModel_->caption(column) != kResultHeld) return;
        renameModel_->setCaptions(kFileNamePlain, kResultSource);
    } else {
        return;
    }
    updateSourceEditor();
}

void RenamePage::tabShown(int tab) {
    if (tab != FileNameTab || renameModel_->source() == rename::SourceColumn::FileName) return;
    edit::CommitOpenCellEditor(window());
    renameModel_->setCaptions(kFileNameSource, kResultHeld);
    updateSourceEditor();
}

void RenamePage::updateSourceEditor() {
    // Only the source column opens an editor.
    const int source = renameModel_->sourceColumn();
    const int other = source == RenameListModel::FileName ? RenameListModel::ReplaceConvert : RenameListModel::FileName;
    renameList_->clearColumnEditor(other);
    renameList_->setColumnEditor(source, CellEditorKind::Text);
}

void RenamePage::clickMarks(int row, int x) {
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.rename.size()) return;
    core::RenameRow& target = rows_.rename[static_cast<std::size_t>(row)];
    if (target.excluded() || x < TagPage::kEditMarkLeft || x > TagPage::kEditMarkRight) return;
    target.image = core::kNoImage;
    refresh();
}

void RenamePage::addFormatStep() {
    edit::CommitOpenCellEditor(window());
    formatModel_->addStep();
}

void RenamePage::deleteFormatStep() {
    edit::CommitOpenCellEditor(window());
    const QModelIndexList selected = formatList_->selectionModel()->selectedRows();
    if (selected.isEmpty()) return;
    formatModel_->removeStep(selected.front().row());
}

void RenamePage::clearFormatSteps() {
    edit::CommitOpenCellEditor(window());
    formatModel_->setSteps({});
}

void RenamePage::registerPair() {
    edit::CommitOpenCellEditor(window());
    if (from_->currentText().isEmpty()) return;
    pairModel_->addPair({"", from_->currentText().toStdString(), to_->currentText().toStdString()});
}

void RenamePage::deletePair() {
    edit::CommitOpenCellEditor(window());
    const QModelIndexList selected = replaceList_->selectionModel()->selectedRows();
    if (!selected.isEmpty()) pairModel_->removePair(selected.front().row());
}

void RenamePage::pairClicked(const QModelIndex& index) {
    if (!index.isValid() || replaceList_->openEditor() != nullptr) return;
    const SavedReplacePair& pair = pairModel_->pairs().at(static_cast<std::size_t>(index.row()));
    from_->setEditText(ToQString(pair.from));
    to_->setEditText(ToQString(pair.to));
    updateReplaceButton();
}

void RenamePage::updateReplaceButton() { replaceButton_->setEnabled(!from_->currentText().isEmpty()); }

void RenamePage::chooseParameterEditor(const QModelIndex& index) {
    if (index.column() != FormatListModel::Parameter) return;
    const rename::FormatStep& step = formatModel_->steps().at(static_cast<std::size_t>(index.row()));
    const std::optional<rename::FormatItem> item = rename::ItemOf(step);
    if (!item || *item == rename::FormatItem::Text) {
        formatList_->setColumnEditor(FormatListModel::Parameter, CellEditorKind::Text);
    } else {
        formatList_->setColumnEditor(FormatListModel::Parameter, CellEditorKind::DropDown,
                                     Items(rename::ParameterNames(*item, options_.timeSeparator)));
    }
}

void RenamePage::rebuildPreview() { preview_->setText(previewHtml()); }

QString RenamePage::previewHtml() const {
    QString html = QStringLiteral("<span style=\"white-space:pre\">");
    for (const rename::PreviewSegment& segment : rename::FormatPreview(formatModel_->steps())) {
        const QString text = ToQString(segment.text).toHtmlEscaped();
        if (const std::optional<std::uint32_t> colour = rename::PreviewColour(segment.kind)) {
            html += QStringLiteral("<span style=\"color:#%1\">%2</span>")
                        .arg(*colour, 6, 16, QLatin1Char('0'))
                        .arg(text);
        } else {
            html += text;
        }
    }
    return html + QStringLiteral("</span>");
}

void RenamePage::renameListMenu(const QPoint& at) {
    edit::CommitOpenCellEditor(window());
    QMenu menu(renameList_);
    menu.addAction(QStringLiteral("Select All"), renameList_, &QTreeView::selectAll);
    menu.addSeparator();
    menu.addAction(QStringLiteral("Property "), this, [this] {
        const std::vector<std::size_t> rows = selectedRows();
        if (!rows.empty()) emit propertyRequested(static_cast<int>(rows.front()));
    });
    menu.exec(renameList_->viewport()->mapToGlobal(at));
}

bool RenamePage::eventFilter(QObject* watched, QEvent* event) {
    // Events arrive while the page is still being built.
    if (renameList_ == nullptr) return QWidget::eventFilter(watched, event);
    if (watched == preview_ && event->type() == QEvent::FocusIn) {
        rebuildPreview();
        formatList_->setFocus();
        return false;
    }
    if (watched == formatList_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto* click = static_cast<QMouseEvent*>(event);
        if (!formatList_->indexAt(click->position().toPoint()).isValid()) {
            addFormatStep();
            return true;
        }
        return false;
    }
    if (watched == renameList_->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() != Qt::LeftButton) return false;
        const QPoint at = press->position().toPoint();
        const QModelIndex index = renameList_->indexAt(at);
        if (index.isValid() && index.column() == RenameListModel::Marks) {
            clickMarks(index.row(), at.x() - renameList_->visualRect(index).left());
        }
        return false;
    }
    if (watched == renameList_ && event->type() == QEvent::KeyPress && renameList_->openEditor() == nullptr) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() != Qt::NoModifier) return false;
        if (key->key() != Qt::Key_Space && key->key() != Qt::Key_Escape) return false;
        const QModelIndex current = renameList_->currentIndex();
        if (!current.isValid()) return true;
        core::RenameRow& row = rows_.rename[static_cast<std::size_t>(current.row())];
        if (row.excluded()) return true;
        if (key->key() == Qt::Key_Space) {
            row.stateImage = (row.stateImage + 1) % 2;
            row.image = core::kEditedImage;
        } else {
            row.image = core::kNoImage;
        }
        refresh();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace quilto::app
