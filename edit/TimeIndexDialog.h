// The "Cue List Editor": a modal window over a private copy of one page's
// cue list (pack::TimeIndexList) that keeps lengths and starts consistent
// while the user edits them, hands the rows to the external text editor and
// writes them into the page only on "Save".
#pragma once

#include <QAbstractTableModel>
#include <QDialog>

#include <array>
#include <functional>
#include <vector>

#include "app/TextCommands.h"
#include "pack/TimeIndexList.h"
#include "pack/TrackLists.h"

class QAction;
class QLabel;
class QMenuBar;

namespace quilto::app {
struct AppSettings;
class TagDialogs;
}  // namespace quilto::app

namespace quilto::edit {

class EditableListView;

class TimeIndexModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Number, Title, Performer, Time, Index };

    TimeIndexModel(pack::TimeIndexList& list, QObject* parent) : QAbstractTableModel(parent), list_(list) {}

    void refresh();
    // Every cell's text may have changed; the rows are the same (an open
    // editor stays where it is).
    void textsChanged();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    pack::TimeIndexList& list_;
};

// What the main window lends the dialog.
struct TimeIndexServices {
    std::function<app::TagDialogs&()> dialogs;
    app::TextCommands textCommands;
};

class TimeIndexDialog final : public QDialog {
    Q_OBJECT
public:
    // Reads the TimeIndex section from settings.file; mainWindow (the parent)
    // is what the window centres on.
    TimeIndexDialog(pack::TrackPage& page, app::AppSettings& settings, TimeIndexServices services,
                    QWidget* mainWindow);

    const pack::TimeIndexList& list() const { return list_; }
    EditableListView* view() const { return view_; }
    QMenuBar* menu() const { return menu_; }
    // Status panels 0 (total at opening), 1 (end time), 2.
    QLabel* panel(int i) const { return panels_.at(static_cast<std::size_t>(i)); }
    bool setTotalTime() const;

    // The menu commands, each after committing the open cell editor.
    void save();
    void runEditor();
    void addRow();
    void deleteRows();
    void clearRows();
    // The column menu's commands on the selected rows (Clear: on all rows).
    bool setAll(int column);
    bool replaceInColumn(int column);
    void convertColumn(int column, rename::Conversion conversion);
    void clearColumn(int column);

    void done(int result) override;

private:
    void buildMenu();
    void buildList(const pack::TimeIndexSettings& settings);
    void placeWindow(const pack::TimeIndexSettings& settings, QWidget* mainWindow);
    void afterTimeEdit(int column);
    void columnMenu(int column);
    std::vector<std::size_t> selectedRows() const;
    void showRows(bool keepSelection);
    void showEndTime();
    void storeSettings();

    pack::TrackPage& page_;
    app::AppSettings& settings_;
    TimeIndexServices services_;
    pack::TimeIndexList list_;
    TimeIndexModel* model_ = nullptr;
    EditableListView* view_ = nullptr;
    QMenuBar* menu_ = nullptr;
    QAction* setTotalTime_ = nullptr;
    std::array<QLabel*, 3> panels_{};
    bool stored_ = false;
};

}  // namespace quilto::edit
