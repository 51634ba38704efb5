// The file list's row selection as commands set and read it.
#include <gtest/gtest.h>

#include <QItemSelectionModel>
#include <QStandardItemModel>

#include <algorithm>
#include <vector>

#include "app/FileListView.h"

using quilto::app::FileListView;

namespace {

struct SelectCase {
    const char* name;
    std::vector<int> rows;
    std::vector<int> expected;
};

class FileListViewSelectTest : public ::testing::TestWithParam<SelectCase> {};

TEST_P(FileListViewSelectTest, SelectsExactlyTheGivenRows) {
    QStandardItemModel model(12, 4);
    FileListView view;
    view.setModel(&model);
    view.selectRows({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});  // replaced, not added to
    view.selectRows(GetParam().rows);
    EXPECT_EQ(view.selectedRowsInOrder(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FileListViewSelectTest,
    ::testing::Values(SelectCase{"None", {}, {}}, SelectCase{"One", {5}, {5}},
                      SelectCase{"Runs", {0, 1, 2, 6, 7, 11}, {0, 1, 2, 6, 7, 11}},
                      SelectCase{"Unordered", {9, 3, 4, 0, 10}, {0, 3, 4, 9, 10}},
                      SelectCase{"Repeated", {4, 4, 5}, {4, 5}},
                      SelectCase{"Descending", {8, 7, 6}, {6, 7, 8}}),
    [](const ::testing::TestParamInfo<SelectCase>& param) { return std::string(param.param.name); });

// A frame scan leaves every row of the folder selected; as one range the
// selection stays cheap to read back however long the folder is.
TEST(FileListViewTest, NeighbouringRowsFormOneRange) {
    QStandardItemModel model(10000, 3);
    FileListView view;
    view.setModel(&model);
    std::vector<int> all(10000);
    for (int i = 0; i < 10000; ++i) all[static_cast<std::size_t>(i)] = i;
    view.selectRows(all);
    EXPECT_EQ(view.selectionModel()->selection().size(), 1);
    EXPECT_EQ(view.selectedRowsInOrder().size(), 10000u);
}

}  // namespace
