// The folder tree: one chain of nodes from the volume root down to the
// current folder, its sub-folders below it, and a node for each packed file
// of the folder that can be opened like a folder.
#pragma once

#include <QIcon>
#include <QTreeWidget>

#include <string>

#include "core/ContainerKind.h"

namespace quilto::app {

class FolderTree final : public QTreeWidget {
    Q_OBJECT
public:
    // The image index of a node decides the order among siblings, as the
    // decimal index in front of the node text.
    enum class NodeImage { Volume = 0, ChainFolder = 1, SubFolder = 2, PackedFile = 3 };

    explicit FolderTree(QWidget* parent = nullptr);

    // Rebuilds the tree for folder, whose chain starts at volumeRoot. Paths
    // and names are the file system's bytes, shown decoded (see DisplayName).
    void showFolder(const QString& volumeRoot, const QString& folder);
    void showFolder(const std::string& volumeRoot, const std::string& folder);
    // Adds a node for a packed file of the current folder.
    void addPackedFile(const std::string& fileName, core::ContainerKind kind);

    // Makes the node of that packed file current: the file list then shows
    // its tracks. False when the current folder has no such node.
    bool showPackedFile(const QByteArray& path);

    QTreeWidgetItem* currentFolderNode() const { return currentFolderNode_; }
    static QByteArray NodePath(const QTreeWidgetItem* item);  // bytes
    static bool IsPackedFileNode(const QTreeWidgetItem* item);
    static core::ContainerKind PackedKind(const QTreeWidgetItem* item);

signals:
    // A double click or Return on a folder node asks for that folder.
    void folderRequested(const QByteArray& path);
    void packedFileRequested(const QByteArray& path, core::ContainerKind kind);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;

private:
    void openNode(QTreeWidgetItem* item);
    QTreeWidgetItem* addNode(QTreeWidgetItem* parent, const std::string& name, const std::string& path, NodeImage image);
    void sortChildren(QTreeWidgetItem* parent);

    QTreeWidgetItem* currentFolderNode_ = nullptr;
    QIcon volumeIcon_, folderIcon_, openFolderIcon_, packedIcon_;
};

}  // namespace quilto::app
