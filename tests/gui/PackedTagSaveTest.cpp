// Saving tags while a packed file's node is current: the tracks' new tags go
// into the packed file, and its rows are read again from the rewritten file.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QMenu>

#include "app/FormMain.h"
#include "app/TagPage.h"
#include "gui/PackSession.h"
#include "gui/ScriptedTagDialogs.h"
#include "support/MenuLookup.h"

namespace {

using quilto::app::FormMain;
using quilto::pack::PackFormat;
using quilto::tags::TagColumn;

class PackedTagSaveTest : public quilto::test::PackSession, public ::testing::WithParamInterface<PackFormat> {};

TEST_P(PackedTagSaveTest, SavedTitlesAreReadBackFromThePackedFile) {
    answers_->format = GetParam();
    const QString packed = folder_.filePath("album.pac.mp3");
    answers_->paths = {packed};
    create();
    ASSERT_TRUE(QFileInfo::exists(packed)) << answers_->errors.join("; ").toStdString();
    const QByteArray path = QFile::encodeName(QFileInfo(packed).absoluteFilePath());
    window_->showPackedFile(path);
    ASSERT_EQ(window_->rows().size(), std::size(quilto::test::kFiles));

    auto tagAnswers = std::make_shared<quilto::test::Answers>();
    window_->setTagDialogs(std::make_unique<quilto::test::ScriptedTagDialogs>(tagAnswers));
    tagAnswers->setAll = {quilto::test::TextAnswer("Packed Title")};
    window_->pages()->setCurrentIndex(FormMain::Id3v2Page);
    window_->tagPage(FormMain::Id3v2Page)->setAll(static_cast<int>(TagColumn::Title));

    QMenu* menu = quilto::test::MainMenu(*window_, "ID3Tag");
    emit menu->aboutToShow();
    QAction* save = quilto::test::FindAction(menu, "Save ID3v2");
    ASSERT_TRUE(save->isEnabled());
    save->trigger();
    EXPECT_TRUE(tagAnswers->errors.isEmpty()) << tagAnswers->errors.join("; ").toStdString();

    // The rows now come from the rewritten file, unmarked.
    ASSERT_EQ(window_->rows().size(), std::size(quilto::test::kFiles));
    EXPECT_EQ(window_->packedSpans().size(), std::size(quilto::test::kFiles));
    for (const auto& row : window_->rows().id3v2) {
        EXPECT_EQ(row.tag.title, "Packed Title");
        EXPECT_NE(row.image, quilto::core::kEditedImage);
    }
}

INSTANTIATE_TEST_SUITE_P(PackedKinds, PackedTagSaveTest, ::testing::Values(PackFormat::Pack, PackFormat::Zip),
                         [](const auto& param) { return param.param == PackFormat::Pack ? "Pack" : "Zip"; });

}  // namespace
