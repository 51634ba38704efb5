// Shows the file rows of the current folder: column 0 the marker with the
// row's icon and cue overlay, columns 1..20 the twenty texts.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>

#include "core/FileRows.h"
#include "core/FileSort.h"

namespace quilto::app {

class FileListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    FileListModel(core::FolderRows& rows, const core::SortState& sort, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The rows changed wholesale (scan, sort) or only their contents.
    void reset();
    void rowsChanged(int first, int last);
    void headerChanged();

    static Qt::Alignment ColumnAlignment(int column);

private:
    core::FolderRows& rows_;
    const core::SortState& sort_;
    QIcon packed_, cannotOpen_, cue_, packedWithCue_, cannotOpenWithCue_;
};

}  // namespace quilto::app
