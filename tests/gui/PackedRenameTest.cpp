// Update while a packed file's node is current: the tracks get their new
// names inside the packed file, and its rows are read again from it.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTabWidget>

#include <iterator>

#include "app/FormMain.h"
#include "app/RenameModels.h"
#include "app/RenamePage.h"
#include "gui/PackSession.h"
#include "support/MenuLookup.h"

namespace {

using quilto::app::FormMain;
using quilto::app::RenameListModel;
using quilto::pack::PackFormat;

class PackedRenameTest : public quilto::test::PackSession, public ::testing::WithParamInterface<PackFormat> {};

TEST_P(PackedRenameTest, UpdateRenamesTracksInsideThePackedFile) {
    answers_->format = GetParam();
    const QString packed = folder_.filePath("album.pac.mp3");
    answers_->paths = {packed};
    create();
    ASSERT_TRUE(QFileInfo::exists(packed)) << answers_->errors.join("; ").toStdString();
    window_->showPackedFile(QFile::encodeName(QFileInfo(packed).absoluteFilePath()));
    ASSERT_EQ(window_->rows().size(), std::size(quilto::test::kFiles));
    const std::string second = window_->rows().rename[1].from;

    window_->pages()->setCurrentIndex(FormMain::ReNamePage);
    RenameListModel& model = *window_->renamePage()->renameModel();
    ASSERT_TRUE(model.setData(model.index(0, RenameListModel::FileName), "First Track", Qt::EditRole));
    QMenu* menu = quilto::test::MainMenu(*window_, "ReName");
    emit menu->aboutToShow();
    QAction* update = quilto::test::FindAction(menu, "Update");
    ASSERT_TRUE(update->isEnabled());
    update->trigger();

    // The rows come from the rewritten file: the new name, the others kept.
    ASSERT_EQ(window_->rows().size(), std::size(quilto::test::kFiles));
    EXPECT_EQ(window_->rows().rename[0].from, "First Track.mp3");
    EXPECT_EQ(window_->rows().rename[1].from, second);
    for (const auto& row : window_->rows().rename) EXPECT_NE(row.image, quilto::core::kEditedImage);
}

INSTANTIATE_TEST_SUITE_P(PackedKinds, PackedRenameTest, ::testing::Values(PackFormat::Pack, PackFormat::Zip),
                         [](const auto& param) { return param.param == PackFormat::Pack ? "Pack" : "Zip"; });

}  // namespace
