#include "edit/TimeIndexDialog.h"

#include <QAction>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

#include "app/AppSettings.h"
#include "app/ColumnMenu.h"
#include "app/ExternalEditor.h"
#include "app/HelpWindow.h"
#include "app/Icons.h"
#include "app/QtText.h"
#include "app/Settings.h"
#include "app/TagDialogs.h"
#include "app/WindowGeometry.h"
#include "edit/EditableListView.h"

namespace quilto::edit {

namespace {

using app::ToQString;

constexpr int kNumberWidth = 35;
constexpr int kMinimumListWidth = 200;
constexpr std::array<int, 3> kPanelWidths = {80, 80, 50};
const QString kEditorCaption = QStringLiteral("Editor");

pack::TimeIndexColumn ToolColumn(int column) {
    return column == TimeIndexModel::Title ? pack::TimeIndexColumn::Title : pack::TimeIndexColumn::Performer;
}

bool IsToolColumn(int column) { return column == TimeIndexModel::Title || column == TimeIndexModel::Performer; }

}  // namespace

// ----------------------------------------------------------------- the model

void TimeIndexModel::refresh() {
    beginResetModel();
    endResetModel();
}

void TimeIndexModel::textsChanged() {
    if (rowCount() == 0) return;
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

int TimeIndexModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(list_.rows.size());
}

int TimeIndexModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Index + 1; }

QVariant TimeIndexModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const pack::TimeIndexRow& row = list_.rows[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            switch (index.column()) {
                case Number: {
                    char number[16];
                    std::snprintf(number, sizeof number, "%4d", index.row() + 1);
                    return QString::fromLatin1(number);
                }
                case Title: return ToQString(row.title);
                case Performer: return ToQString(row.performer);
                case Time: return ToQString(row.time);
                case Index: return ToQString(row.index);
                default: return {};
            }
        case Qt::DecorationRole:
            if (index.column() == Number && row.cleared) return app::icons::Edited();
            return {};
        case Qt::TextAlignmentRole:
            if (index.column() == Time || index.column() == Index) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        default:
            return {};
    }
}

QVariant TimeIndexModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const kCaptions[] = {"", "Title", "Performer", "Time", "Index"};
    if (section < 0 || section >= columnCount()) return {};
    return QString::fromLatin1(kCaptions[section]);
}

Qt::ItemFlags TimeIndexModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() != Number) result |= Qt::ItemIsEditable;
    return result;
}

bool TimeIndexModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || index.row() >= rowCount()) return false;
    pack::TimeIndexRow& row = list_.rows[static_cast<std::size_t>(index.row())];
    std::string* cell = nullptr;
    switch (index.column()) {
        case Title: cell = &row.title; break;
        case Performer: cell = &row.performer; break;
        case Time: cell = &row.time; break;
        case Index: cell = &row.index; break;
        default: return false;
    }
    std::string written = value.toString().toStdString();
    if (written == *cell) return true;
    *cell = std::move(written);
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

// ---------------------------------------------------------------- the window

TimeIndexDialog::TimeIndexDialog(pack::TrackPage& page, app::AppSettings& settings, TimeIndexServices services,
                                 QWidget* mainWindow)
    : QDialog(mainWindow), page_(page), settings_(settings), services_(std::move(services)),
      list_(pack::FillTimeIndex(page)) {
    setWindowTitle(QStringLiteral("Cue List Editor"));
    app::EnableContextHelp(this, 3083);
    setObjectName(QStringLiteral("CueListEditor"));
    setModal(true);
    setSizeGripEnabled(true);
    pack::TimeIndexSettings stored;
    stored.load(settings_.file);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    menu_ = new QMenuBar(this);
    layout->setMenuBar(menu_);
    buildMenu();
    setTotalTime_->setChecked(stored.setTotalTime);
    buildList(stored);
    layout->addWidget(view_, 1);

    auto* status = new QStatusBar(this);
    for (std::size_t i = 0; i < panels_.size(); ++i) {
        panels_[i] = new QLabel(status);
        panels_[i]->setFixedWidth(kPanelWidths[i]);
        panels_[i]->setFrameShape(QFrame::StyledPanel);
        panels_[i]->setFrameShadow(QFrame::Sunken);
        panels_[i]->setAlignment(i < 2 ? Qt::Alignment(Qt::AlignCenter) : Qt::AlignLeft | Qt::AlignVCenter);
        status->addWidget(panels_[i]);
    }
    status->setSizeGripEnabled(false);  // the dialog has its own
    layout->addWidget(status);
    panels_[0]->setText(ToQString(list_.totalTime));
    showEndTime();

    placeWindow(stored, mainWindow);
}

void TimeIndexDialog::buildMenu() {
    // Each command acts on what the user sees: the open cell goes in first.
    auto command = [this](void (TimeIndexDialog::*run)()) {
        return [this, run] {
            view_->commitOpenEditor();
            (this->*run)();
        };
    };
    menu_->addAction(QStringLiteral("Save"), this, command(&TimeIndexDialog::save));
    menu_->addAction(QStringLiteral("Editor"), this, command(&TimeIndexDialog::runEditor));
    menu_->addAction(QStringLiteral("Add"), this, command(&TimeIndexDialog::addRow));
    menu_->addAction(QStringLiteral("Delete"), this, command(&TimeIndexDialog::deleteRows));
    menu_->addAction(QStringLiteral("Clear"), this, command(&TimeIndexDialog::clearRows));
    QMenu* option = menu_->addMenu(QStringLiteral("Option"));
    setTotalTime_ = option->addAction(QStringLiteral("Set Total Time"));
    setTotalTime_->setCheckable(true);
}

void TimeIndexDialog::buildList(const pack::TimeIndexSettings& settings) {
    model_ = new TimeIndexModel(list_, this);
    view_ = new EditableListView(this);
    view_->setModel(model_);
    view_->setRootIsDecorated(false);
    view_->setItemsExpandable(false);
    view_->setUniformRowHeights(true);
    view_->setAllColumnsShowFocus(true);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setMinimumWidth(kMinimumListWidth);
    QHeaderView* header = view_->header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    header->setSectionResizeMode(TimeIndexModel::Number, QHeaderView::Fixed);
    view_->setColumnWidth(TimeIndexModel::Number, kNumberWidth);
    view_->setColumnWidth(TimeIndexModel::Title, settings.titleWidth);
    view_->setColumnWidth(TimeIndexModel::Performer, settings.performerWidth);
    view_->setColumnWidth(TimeIndexModel::Time, settings.timeWidth);
    view_->setColumnWidth(TimeIndexModel::Index, settings.indexWidth);

    view_->setColumnEditor(TimeIndexModel::Title, CellEditorKind::Text);
    view_->setColumnEditor(TimeIndexModel::Performer, CellEditorKind::Text);
    view_->setColumnEditor(TimeIndexModel::Time, CellEditorKind::Time);
    view_->setColumnEditor(TimeIndexModel::Index, CellEditorKind::Time);
    connect(view_, &EditableListView::cellCommitted, this, [this](int, int column, bool) { afterTimeEdit(column); });
    connect(view_, &EditableListView::cellWrittenByMove, this, [this](int, int column) { afterTimeEdit(column); });

    header->setSectionsClickable(true);
    connect(header, &QHeaderView::sectionClicked, this, [this](int column) {
        view_->commitOpenEditor();
        if (IsToolColumn(column)) columnMenu(column);
    });
}

void TimeIndexDialog::placeWindow(const pack::TimeIndexSettings& settings, QWidget* mainWindow) {
    const QSize least = minimumSizeHint();
    app::ScreenRect owner;
    app::ScreenRect available;
    QScreen* screen = QGuiApplication::primaryScreen();
    if (mainWindow != nullptr) {
        const QRect frame = mainWindow->frameGeometry();
        owner = {frame.left(), frame.top(), frame.width(), frame.height()};
        if (mainWindow->screen() != nullptr) screen = mainWindow->screen();
    }
    if (screen != nullptr) {
        const QRect area = screen->availableGeometry();
        available = {area.left(), area.top(), area.width(), area.height()};
    }
    const app::ScreenRect box = app::PlaceOverOwner({settings.width, settings.height},
                                                    {least.width(), least.height()}, owner, available);
    resize(box.width, box.height);
    move(box.left, box.top);
}

bool TimeIndexDialog::setTotalTime() const { return setTotalTime_->isChecked(); }

void TimeIndexDialog::afterTimeEdit(int column) {
    if (column == TimeIndexModel::Time) {
        pack::IndexFromTime(list_);
    } else if (column == TimeIndexModel::Index) {
        pack::TimeFromIndex(list_);
    } else {
        return;
    }
    // Texts only: an editor moving on with Up or Down stays open.
    model_->textsChanged();
    showEndTime();
}

void TimeIndexDialog::showEndTime() { panels_[1]->setText(ToQString(list_.endTime)); }

std::vector<std::size_t> TimeIndexDialog::selectedRows() const {
    std::vector<std::size_t> rows;
    for (const QModelIndex& index : view_->selectionModel()->selectedRows()) {
        rows.push_back(static_cast<std::size_t>(index.row()));
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TimeIndexDialog::showRows(bool keepSelection) {
    const std::vector<std::size_t> rows = keepSelection ? selectedRows() : std::vector<std::size_t>{};
    const int current = view_->currentIndex().row();
    model_->refresh();
    QItemSelection selection;
    for (const std::size_t row : rows) {
        const int r = static_cast<int>(row);
        selection.select(model_->index(r, 0), model_->index(r, TimeIndexModel::Index));
    }
    view_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (keepSelection && current >= 0 && current < model_->rowCount()) {
        view_->selectionModel()->setCurrentIndex(model_->index(current, 0), QItemSelectionModel::NoUpdate);
    }
    showEndTime();
}

void TimeIndexDialog::save() {
    view_->commitOpenEditor();
    pack::SaveTimeIndex(list_, page_, setTotalTime());
    accept();
}

void TimeIndexDialog::runEditor() {
    view_->commitOpenEditor();
    if (!services_.dialogs) return;
    app::TagDialogs& dialogs = services_.dialogs();
    std::string text;
    std::string refused;
    if (!pack::TimeIndexExchangeText(list_, text, refused)) {
        dialogs.showError(this, ToQString(refused), kEditorCaption);
        return;
    }
    // Every failure on the way is reported there and keeps the rows as
    // they are; only a text that came back replaces them.
    app::RunExternalEditor(this, settings_.general, dialogs, text, [this](const std::string& edited, std::string&) {
        pack::ReadBackTimeIndex(list_, edited);
        return true;
    });
    showRows(false);
}

void TimeIndexDialog::addRow() {
    view_->commitOpenEditor();
    pack::AddTimeIndexRow(list_);
    showRows(true);
}

void TimeIndexDialog::deleteRows() {
    view_->commitOpenEditor();
    const std::vector<std::size_t> rows = selectedRows();
    if (rows.empty()) return;
    pack::DeleteTimeIndexRows(list_, rows);
    showRows(false);
}

void TimeIndexDialog::clearRows() {
    view_->commitOpenEditor();
    pack::ClearTimeIndex(list_);
    showRows(false);
}

bool TimeIndexDialog::setAll(int column) {
    view_->commitOpenEditor();
    if (!IsToolColumn(column) || !services_.dialogs) return false;
    app::SetAllRequest request;
    request.caption = model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    const int focused = view_->currentIndex().row();
    if (focused >= 0) request.text = model_->index(focused, column).data().toString();
    const std::optional<app::SetAllAnswer> answer = services_.dialogs().setAll(this, request);
    if (!answer) return false;
    pack::SetAllTimeIndex(list_, ToolColumn(column), selectedRows(), answer->text.toStdString(), answer->append);
    showRows(true);
    return true;
}

bool TimeIndexDialog::replaceInColumn(int column) {
    view_->commitOpenEditor();
    if (!IsToolColumn(column) || !services_.textCommands.askReplace) return false;
    const QString caption = model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    const int focused = view_->currentIndex().row();
    const QString preset = focused >= 0 ? model_->index(focused, column).data().toString() : QString();
    const std::optional<rename::ReplaceRequest> request = services_.textCommands.askReplace(this, caption, preset);
    if (!request) return false;
    rename::ApplyToColumn(rename::TextOperation::Replace(*request),
                          pack::TimeIndexCells(list_, ToolColumn(column), selectedRows()));
    showRows(true);
    return true;
}

void TimeIndexDialog::convertColumn(int column, rename::Conversion conversion) {
    view_->commitOpenEditor();
    if (!IsToolColumn(column)) return;
    const std::string delimiters = services_.textCommands.wordDelimiters ? services_.textCommands.wordDelimiters()
                                                                          : std::string(rename::kDefaultWordDelimiters);
    rename::ApplyToColumn(rename::TextOperation::Converting(conversion, delimiters),
                          pack::TimeIndexCells(list_, ToolColumn(column), selectedRows()));
    showRows(true);
}

void TimeIndexDialog::clearColumn(int column) {
    view_->commitOpenEditor();
    if (!IsToolColumn(column)) return;
    pack::ClearTimeIndexColumn(list_, ToolColumn(column));
    showRows(true);
}

void TimeIndexDialog::columnMenu(int column) {
    app::ColumnMenuCommands commands;
    commands.setAll = [this, column] { setAll(column); };
    commands.replace = [this, column] { replaceInColumn(column); };
    commands.convert = [this, column](rename::Conversion conversion) { convertColumn(column, conversion); };
    commands.clear = [this, column] { clearColumn(column); };
    QMenu menu(view_);
    app::FillColumnMenu(menu, column, commands);
    QHeaderView* header = view_->header();
    menu.exec(header->mapToGlobal(QPoint(header->sectionViewportPosition(column), header->height())));
}

void TimeIndexDialog::storeSettings() {
    if (stored_) return;
    stored_ = true;
    pack::TimeIndexSettings settings;
    settings.height = height();
    settings.width = width();
    settings.titleWidth = view_->columnWidth(TimeIndexModel::Title);
    settings.performerWidth = view_->columnWidth(TimeIndexModel::Performer);
    settings.timeWidth = view_->columnWidth(TimeIndexModel::Time);
    settings.indexWidth = view_->columnWidth(TimeIndexModel::Index);
    settings.setTotalTime = setTotalTime();
    settings.store(settings_.file);
    app::SaveSettingsOrWarn(this, settings_.file, settings_.location);
}

void TimeIndexDialog::done(int result) {
    // Every way out (Save, the close box, Esc) keeps the window's size.
    view_->closeOpenEditor();
    storeSettings();
    QDialog::done(result);
}

}  // namespace quilto::edit
