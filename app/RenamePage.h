// The ReName page: the tabs "FileName" (names composed by format),
// "Replace" (replace pairs and their saved list) and "Convert" (case,
// capitals, trimming and forbidden characters) on the left, the rename list
// on the right. The rows and the rules about them live in the engine
// (rename/); the page turns clicks, keys and buttons into its calls.
#pragma once

#include <QWidget>

#include <string>
#include <vector>

#include "app/Settings.h"
#include "core/FileRows.h"
#include "rename/ReplaceHistory.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTreeWidget;

namespace quilto::edit {
class EditableListView;
}

namespace quilto::app {

class FormatListModel;
class RenameListModel;
class ReplacePairModel;

class RenamePage final : public QWidget {
    Q_OBJECT
public:
    enum Tab { FileNameTab = 0, ReplaceTab = 1, ConvertTab = 2 };
    // Nodes of the Convert tab's tree, by their position in it.
    enum ConvertNode { CheckOnlyNode = 14, ReplaceForbiddenNode = 15, DeleteForbiddenNode = 16, ConvertNodeCount = 17 };

    RenamePage(core::FolderRows& rows, QWidget* parent, const QFont& font);

    QTabWidget* tabs() const { return tabs_; }
    QSplitter* splitter() const { return splitter_; }
    edit::EditableListView* renameList() const { return renameList_; }
    edit::EditableListView* formatList() const { return formatList_; }
    edit::EditableListView* replaceList() const { return replaceList_; }
    RenameListModel* renameModel() const { return renameModel_; }
    FormatListModel* formatModel() const { return formatModel_; }
    ReplacePairModel* pairModel() const { return pairModel_; }
    QLabel* preview() const { return preview_; }
    QComboBox* fromBox() const { return from_; }
    QComboBox* toBox() const { return to_; }
    QCheckBox* matchCaseBox() const { return matchCase_; }
    QTreeWidget* convertTree() const { return convertTree_; }
    QPushButton* replaceButton() const { return replaceButton_; }
    QPushButton* convertButton() const { return convertButton_; }

    // The settings in force: the time separator relabels the Time
    // parameters, the delimiters and replacements feed Convert.
    void setOptions(const RenameOptions& options);
    void setPageSettings(const RenamePageSettings& settings);
    RenamePageSettings pageSettings() const;
    rename::ReplaceHistory history() const;
    void setHistory(const rename::ReplaceHistory& history);

    // After a folder scan or reload: the rows are new, the captions reset.
    void rowsReset();
    // Shows the rows again after the engine changed them.
    void refresh();
    std::vector<std::size_t> selectedRows() const;
    void selectRows(const std::vector<std::size_t>& rows);

    // The "ReName" buttons of the three tabs.
    void composeNames();
    void replaceNames();
    void convertNames(int node);
    // A header click on the rename list.
    void headerClicked(int column);
    // A press at x (relative to column 0's left edge) on row.
    void clickMarks(int row, int x);
    // The format list's context menu commands.
    void addFormatStep();
    void deleteFormatStep();
    void clearFormatSteps();
    // The Replace tab's context menu commands.
    void registerPair();
    void deletePair();
    // The colour-marked text of the preview line, rebuilt from the format.
    void rebuildPreview();
    QString previewHtml() const;

signals:
    // Marks or texts changed: the count line is due.
    void rowsChanged();
    void propertyRequested(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildFileNameTab();
    QWidget* buildReplaceTab();
    QWidget* buildConvertTab();
    void buildRenameList(const QFont& font);
    void tabShown(int tab);
    void chooseParameterEditor(const QModelIndex& index);
    void updateSourceEditor();
    void updateReplaceButton();
    void pairClicked(const QModelIndex& index);
    // Rows not selected get their source text as Replace/Convert result.
    void fillUnselected(const std::vector<std::size_t>& selected);
    void resultsAreSource();
    void renameListMenu(const QPoint& at);

    core::FolderRows& rows_;
    RenameOptions options_;
    QSplitter* splitter_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QLabel* preview_ = nullptr;
    edit::EditableListView* formatList_ = nullptr;
    FormatListModel* formatModel_ = nullptr;
    QComboBox* from_ = nullptr;
    QComboBox* to_ = nullptr;
    QCheckBox* matchCase_ = nullptr;
    QPushButton* replaceButton_ = nullptr;
    edit::EditableListView* replaceList_ = nullptr;
    ReplacePairModel* pairModel_ = nullptr;
    QTreeWidget* convertTree_ = nullptr;
    QPushButton* convertButton_ = nullptr;
    edit::EditableListView* renameList_ = nullptr;
    RenameListModel* renameModel_ = nullptr;
};

}  // namespace quilto::app
