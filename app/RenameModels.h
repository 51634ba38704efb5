// The models of the rename page: the rename list over the folder's rename
// rows, the format list over the format steps, and the saved replace pairs.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>

#include <algorithm>
#include <array>
#include <iterator>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "core/FileRows.h"
#include "rename/FormatSteps.h"
#include "rename/RenameCheck.h"

namespace quilto::app {

class RenameListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Marks = 0, FileName = 1, ReplaceConvert = 2, Message = 3, From = 4, To = 5, ColumnCount = 6 };

    RenameListModel(core::FolderRows& rows, QObject* parent);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // Only the source column's cells; a changed text marks its row pending.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    QString caption(int column) const;
    void setCaptions(QString fileName, QString replaceConvert);
    // The column whose caption starts with "*".
    rename::SourceColumn source() const;
    int sourceColumn() const { return source() == rename::SourceColumn::FileName ? FileName : ReplaceConvert; }
    std::string& sourceText(std::size_t row);

    void reset();
    void rowsChanged();

signals:
    void cellChanged(int row, int column);

private:
    core::FolderRows& rows_;
    QString fileNameCaption_ = QStringLiteral("* FileName");
    QString replaceCaption_ = QStringLiteral("  Replace/Convert");
    QIcon checked_, unchecked_, problem_, pending_, excluded_;
};

class FormatListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Number = 0, Item = 1, Parameter = 2, ColumnCount = 3 };

    explicit FormatListModel(QObject* parent);

    const std::vector<rename::FormatStep>& steps() const { return steps_; }
    void setSteps(std::vector<rename::FormatStep> steps);
    void addStep();
    void removeStep(int row);
    // Moves the rows (ascending) to stand before target; returns their new rows.
    std::vector<int> moveSteps(const std::vector<int>& rows, int target);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // A changed Item empties the row's Parameter.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    void stepsChanged();

private:
    std::vector<rename::FormatStep> steps_;
};

class ReplacePairModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Name = 0, From = 1, To = 2, ColumnCount = 3 };

    explicit ReplacePairModel(QObject* parent);

    const std::vector<SavedReplacePair>& pairs() const { return pairs_; }
    void setPairs(std::vector<SavedReplacePair> pairs);
    void addPair(SavedReplacePair pair);
    void removePair(int row);
    std::vector<int> movePairs(const std::vector<int>& rows, int target);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<SavedReplacePair> pairs_;
};

// Moves the elements at rows (ascending, distinct) as a block onto target:
// behind it when moving down, before it when moving up, as the track lists
// do; nothing when target is one of them. Returns their new indexes.
template <typename T>
std::vector<int> MoveRows(std::vector<T>& items, const std::vector<int>& rows, int target) {
    const int count = static_cast<int>(items.size());
    if (rows.empty() || target < 0 || target >= count || rows.back() >= count || rows.front() < 0) return {};
    if (std::find(rows.begin(), rows.end(), target) != rows.end()) return {};
    const bool down = target > rows.front();
    std::vector<T> block;
    std::vector<T> rest;
    std::size_t next = 0;
    int targetInRest = 0;
    for (int i = 0; i < count; ++i) {
        if (next < rows.size() && rows[next] == i) {
            block.push_back(std::move(items[static_cast<std::size_t>(i)]));
            ++next;
        } else {
            if (i == target) targetInRest = static_cast<int>(rest.size());
            rest.push_back(std::move(items[static_cast<std::size_t>(i)]));
        }
    }
    const int insertAt = down ? targetInRest + 1 : targetInRest;
    std::vector<int> placed;
    for (std::size_t i = 0; i < block.size(); ++i) placed.push_back(insertAt + static_cast<int>(i));
    rest.insert(rest.begin() + insertAt, std::make_move_iterator(block.begin()), std::make_move_iterator(block.end()));
    items = std::move(rest);
    return placed;
}

}  // namespace quilto::app
