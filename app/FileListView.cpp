#include "app/FileListView.h"

#include <QDrag>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMimeData>

#include <algorithm>

namespace quilto::app {

FileListView::FileListView(QWidget* parent) : QTableView(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
    setContextMenuPolicy(Qt::CustomContextMenu);
    verticalHeader()->hide();
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setStretchLastSection(false);
}

std::vector<int> FileListView::selectedRowsInOrder() const {
    std::vector<int> rows;
    if (!selectionModel()) return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void FileListView::selectRows(const std::vector<int>& rows) {
    if (!selectionModel() || !model()) return;
    QItemSelection selection;
    const int lastColumn = model()->columnCount() - 1;
    // One range per run of neighbouring rows: the selection model answers
    // "which rows are selected" in time that grows with rows times ranges,
    // and a frame scan over a large folder leaves every row selected.
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t end = i + 1;
        while (end < rows.size() && rows[end] == rows[end - 1] + 1) ++end;
        selection.select(model()->index(rows[i], 0), model()->index(rows[end - 1], lastColumn));
        i = end;
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void FileListView::startDrag(Qt::DropActions) {
    if (!dragOutEnabled_ || !dragUrls_) return;
    const QList<QUrl> urls = dragUrls_();
    if (urls.isEmpty()) return;
    auto* mime = new QMimeData;
    mime->setUrls(urls);  // text/uri-list, which file managers and players take
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    // Copy and link only: a drop must never move the user's files away.
    drag->exec(Qt::CopyAction | Qt::LinkAction, Qt::CopyAction);
}

}  // namespace quilto::app
