#include "app/FolderTree.h"

#include <QCollator>
#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>

#include "app/Icons.h"

namespace quilto::app {

namespace {
constexpr int kPathRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;
constexpr int kKindRole = Qt::UserRole + 2;
}  // namespace

FolderTree::FolderTree(QWidget* parent)
    : QTreeWidget(parent),
      volumeIcon_(icons::Drive()),
      folderIcon_(icons::Folder()),
      openFolderIcon_(icons::OpenFolder()),
      packedIcon_(icons::PackedFile()) {
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);  // the scan decides what is open, not the user
    setIndentation(19);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setExpandsOnDoubleClick(false);
    connect(this, &QTreeWidget::itemDoubleClicked, this, &FolderTree::openNode);
}

void FolderTree::openNode(QTreeWidgetItem* item) {
    if (!item) return;
    if (IsPackedFileNode(item)) {
        emit packedFileRequested(NodePath(item), PackedKind(item));
    } else {
        emit folderRequested(NodePath(item));
    }
}

void FolderTree::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        openNode(currentItem());
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

QTreeWidgetItem* FolderTree::addNode(QTreeWidgetItem* parent, const QString& text, const QString& path, NodeImage image) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setText(0, text);
    item->setData(0, kPathRole, path);
    item->setData(0, kImageRole, static_cast<int>(image));
    item->setToolTip(0, path);
    // The scan decides what is open: no expand arrows to click.
    item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
    switch (image) {
        case NodeImage::Volume: item->setIcon(0, volumeIcon_); break;
        case NodeImage::ChainFolder: item->setIcon(0, openFolderIcon_); break;
        case NodeImage::SubFolder: item->setIcon(0, folderIcon_); break;
        case NodeImage::PackedFile: item->setIcon(0, packedIcon_); break;
    }
    return item;
}

void FolderTree::showFolder(const QString& volumeRoot, const QString& folder) {
    setUpdatesEnabled(false);
    // Deep chains scroll sideways instead of cutting names short.
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextElideMode(Qt::ElideNone);
    clear();
    const QString root = QDir::cleanPath(volumeRoot);
    const QString target = QDir::cleanPath(folder);
    QTreeWidgetItem* node = addNode(nullptr, root, root, NodeImage::Volume);
    QString path = root;
    const QString rest = target.startsWith(root) ? target.mid(root.size()) : QString();
    for (const QString& name : rest.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        path = path.endsWith(QLatin1Char('/')) ? path + name : path + QLatin1Char('/') + name;
        node->setExpanded(true);
        node = addNode(node, name, path, NodeImage::ChainFolder);
    }
    currentFolderNode_ = node;
    // Hidden folders stay hidden, as in the desktop's file manager.
    const QDir dir(target);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort)) {
        addNode(node, name, dir.filePath(name), NodeImage::SubFolder);
    }
    sortChildren(node);
    node->setExpanded(true);
    setCurrentItem(node);
    setUpdatesEnabled(true);
    scrollToItem(node);
}

void FolderTree::addPackedFile(const QString& fileName, core::ContainerKind kind) {
    if (!currentFolderNode_) return;
    const QString folder = NodePath(currentFolderNode_);
    const QString path = folder.endsWith(QLatin1Char('/')) ? folder + fileName : folder + QLatin1Char('/') + fileName;
    QTreeWidgetItem* item = addNode(currentFolderNode_, fileName, path, NodeImage::PackedFile);
    item->setData(0, kKindRole, static_cast<int>(kind));
    sortChildren(currentFolderNode_);
    currentFolderNode_->setExpanded(true);
}

void FolderTree::sortChildren(QTreeWidgetItem* parent) {
    QList<QTreeWidgetItem*> children = parent->takeChildren();
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    auto key = [](const QTreeWidgetItem* item) {
        return QString::number(item->data(0, kImageRole).toInt()) + item->text(0);
    };
    std::stable_sort(children.begin(), children.end(), [&](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        return collator.compare(key(a), key(b)) < 0;
    });
    parent->addChildren(children);
}

QString FolderTree::NodePath(const QTreeWidgetItem* item) { return item ? item->data(0, kPathRole).toString() : QString(); }

bool FolderTree::IsPackedFileNode(const QTreeWidgetItem* item) {
    return item && item->data(0, kImageRole).toInt() == static_cast<int>(NodeImage::PackedFile);
}

core::ContainerKind FolderTree::PackedKind(const QTreeWidgetItem* item) {
    return item ? static_cast<core::ContainerKind>(item->data(0, kKindRole).toInt()) : core::ContainerKind::Plain;
}

}  // namespace quilto::app
