#include "app/FolderTree.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

#include "app/Icons.h"
#include "app/QtText.h"

namespace quilto::app {

namespace {
constexpr int kPathRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;
constexpr int kKindRole = Qt::UserRole + 2;

// "/" stays; any other path loses its trailing slashes.
std::string CleanPath(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + '/' + name;
}

// Listed as bytes: Qt's own listing would turn names that are no UTF-8 into
// replacement characters, and such a path opens nothing. Hidden folders stay
// hidden, as in the desktop's file manager.
std::vector<std::string> SubFolderNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* directory = ::opendir(folder.c_str());
    if (!directory) return names;
    while (const dirent* entry = ::readdir(directory)) {
        if (entry->d_name[0] == '.') continue;
        bool isDir = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat info {};
            isDir = ::fstatat(::dirfd(directory), entry->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
        }
        if (isDir) names.emplace_back(entry->d_name);
    }
    ::closedir(directory);
    return names;
}

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
    // Deep chains scroll sideways instead of cutting names short.
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextElideMode(Qt::ElideNone);
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

QTreeWidgetItem* FolderTree::addNode(QTreeWidgetItem* parent, const std::string& name, const std::string& path,
                                     NodeImage image) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setText(0, DisplayName(name));
    item->setData(0, kPathRole, QByteArray(path.data(), static_cast<qsizetype>(path.size())));
    item->setData(0, kImageRole, static_cast<int>(image));
    item->setToolTip(0, DisplayName(path));
    switch (image) {
        case NodeImage::Volume: item->setIcon(0, volumeIcon_); break;
        case NodeImage::ChainFolder: item->setIcon(0, openFolderIcon_); break;
        case NodeImage::SubFolder: item->setIcon(0, folderIcon_); break;
        case NodeImage::PackedFile: item->setIcon(0, packedIcon_); break;
    }
    return item;
}

void FolderTree::showFolder(const QString& volumeRoot, const QString& folder) {
    showFolder(QFile::encodeName(QDir::cleanPath(volumeRoot)).toStdString(),
               QFile::encodeName(QDir::cleanPath(folder)).toStdString());
}

void FolderTree::showFolder(const std::string& volumeRoot, const std::string& folder) {
    setUpdatesEnabled(false);
    clear();
    const std::string root = CleanPath(volumeRoot);
    const std::string target = CleanPath(folder);
    QTreeWidgetItem* node = addNode(nullptr, root, root, NodeImage::Volume);
    std::string path = root;
    const bool under = target.compare(0, root.size(), root) == 0;
    std::string_view rest = under ? std::string_view(target).substr(root.size()) : std::string_view();
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        const std::string name(rest.substr(0, slash));
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (name.empty()) continue;
        path = JoinPath(path, name);
        node->setExpanded(true);
        node = addNode(node, name, path, NodeImage::ChainFolder);
    }
    currentFolderNode_ = node;
    for (const std::string& name : SubFolderNames(target)) addNode(node, name, JoinPath(target, name), NodeImage::SubFolder);
    sortChildren(node);
    node->setExpanded(true);
    setCurrentItem(node);
    setUpdatesEnabled(true);
    scrollToItem(node);
}

void FolderTree::addPackedFile(const std::string& fileName, core::ContainerKind kind) {
    QTreeWidgetItem* folderNode = IsPackedFileNode(currentFolderNode_) ? currentFolderNode_->parent() : currentFolderNode_;
    if (!folderNode) return;
    const QByteArray folder = NodePath(folderNode);
    QTreeWidgetItem* item = addNode(folderNode, fileName, JoinPath(folder.toStdString(), fileName), NodeImage::PackedFile);
    item->setData(0, kKindRole, static_cast<int>(kind));
    sortChildren(folderNode);
    folderNode->setExpanded(true);
}

bool FolderTree::showPackedFile(const QByteArray& path) {
    QTreeWidgetItem* folderNode = IsPackedFileNode(currentFolderNode_) ? currentFolderNode_->parent() : currentFolderNode_;
    if (!folderNode) return false;
    for (int i = 0; i < folderNode->childCount(); ++i) {
        QTreeWidgetItem* child = folderNode->child(i);
        if (!IsPackedFileNode(child) || NodePath(child) != path) continue;
        currentFolderNode_ = child;
        setCurrentItem(child);
        scrollToItem(child);
        return true;
    }
    return false;
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

// The scan decides what is open: no expand arrows to click. (An item policy
// would hide the children themselves: the model then says there are none.)
void FolderTree::drawBranches(QPainter*, const QRect&, const QModelIndex&) const {}

QByteArray FolderTree::NodePath(const QTreeWidgetItem* item) {
    return item ? item->data(0, kPathRole).toByteArray() : QByteArray();
}

bool FolderTree::IsPackedFileNode(const QTreeWidgetItem* item) {
    return item && item->data(0, kImageRole).toInt() == static_cast<int>(NodeImage::PackedFile);
}

core::ContainerKind FolderTree::PackedKind(const QTreeWidgetItem* item) {
    return item ? static_cast<core::ContainerKind>(item->data(0, kKindRole).toInt()) : core::ContainerKind::Plain;
}

}  // namespace quilto::app
