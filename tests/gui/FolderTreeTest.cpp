// The folder tree over a real folder: opening nodes from the keyboard.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "app/FolderTree.h"

using quilto::app::FolderTree;

namespace {

class FolderTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root_.isValid());
        ASSERT_TRUE(QDir(root_.path()).mkpath("a/b"));
        tree_.showFolder(root_.path(), root_.filePath("a"));
        tree_.show();
    }
    QTreeWidgetItem* child(const QString& text) const {
        QTreeWidgetItem* node = tree_.currentFolderNode();
        for (int i = 0; i < node->childCount(); ++i) {
            if (node->child(i)->text(0) == text) return node->child(i);
        }
        return nullptr;
    }
    QTemporaryDir root_;
    FolderTree tree_;
};

TEST_F(FolderTreeTest, ReturnOpensTheCurrentNodeLikeADoubleClick) {
    QSignalSpy requested(&tree_, &FolderTree::folderRequested);
    QTreeWidgetItem* sub = child("b");
    ASSERT_NE(sub, nullptr);
    tree_.setCurrentItem(sub);
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(&tree_, key);
        ASSERT_FALSE(requested.isEmpty());
        EXPECT_EQ(requested.takeLast().at(0).toString(), QDir(root_.path()).filePath("a/b"));
    }
    QTest::keyClick(&tree_, Qt::Key_Down);  // other keys keep moving as before
    EXPECT_TRUE(requested.isEmpty());
}

}  // namespace

TEST(FolderTreeDepthTest, DeepNamesWidenTheColumnInsteadOfBeingCut) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString deep = "a_rather_long_folder_name/b_rather_long_folder_name/c_rather_long_folder_name/"
                         "d_rather_long_folder_name/e_rather_long_folder_name/f_rather_long_folder_name";
    ASSERT_TRUE(QDir(root.path()).mkpath(deep));
    FolderTree tree;
    tree.resize(120, 200);
    tree.show();
    tree.showFolder(root.path(), root.filePath(deep));
    QTest::qWait(0);
    EXPECT_FALSE(tree.visualItemRect(tree.currentFolderNode()).isEmpty());  // the chain is shown
    EXPECT_GT(tree.columnWidth(0), tree.viewport()->width());
    EXPECT_GT(tree.horizontalScrollBar()->maximum(), 0);
}

// The chain is open and stays so: no expand arrows beside its nodes.
TEST(FolderTreeLookTest, ChainNodesShowNoExpandArrows) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid() && QDir(root.path()).mkpath("a/b/c"));
    FolderTree tree;
    tree.resize(300, 200);
    tree.show();
    tree.showFolder(root.path(), root.filePath("a/b"));
    QTreeWidgetItem* node = tree.currentFolderNode()->parent();  // "a", open, not selected
    const QRect row = tree.visualItemRect(node);
    ASSERT_FALSE(row.isEmpty());
    ASSERT_GT(row.left(), 0);
    const QImage image = tree.viewport()->grab().toImage();
    const QRgb background = image.pixel(0, row.center().y());
    for (int x = 0; x < row.left(); ++x) {
        for (int y = row.top(); y <= row.bottom(); ++y) ASSERT_EQ(image.pixel(x, y), background) << x << "," << y;
    }
}
