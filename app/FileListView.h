// The file list: a read-only table of the folder's rows that drags the
// selected files out as file URLs, to file managers, players and our pages.
#pragma once

#include <QTableView>
#include <QUrl>

#include <functional>
#include <vector>

namespace quilto::app {

class FileListView final : public QTableView {
    Q_OBJECT
public:
    explicit FileListView(QWidget* parent = nullptr);

    // The files a drag carries, in list order; an empty list starts no drag.
    void setDragUrlProvider(std::function<QList<QUrl>()> provider) { dragUrls_ = std::move(provider); }
    void setDragOutEnabled(bool enabled) { dragOutEnabled_ = enabled; }

    std::vector<int> selectedRowsInOrder() const;
    void selectRows(const std::vector<int>& rows);

protected:
    void startDrag(Qt::DropActions supportedActions) override;

private:
    std::function<QList<QUrl>()> dragUrls_;
    bool dragOutEnabled_ = true;
};

}  // namespace quilto::app
