// The whole round a user makes with the program, through the window's own
// menus, drops and cell editors: a folder of real encoder files scanned,
// three of them packed (a title edited in place, the cue sheet embedded),
// the packed file opened again, two tracks extracted, their tags edited and
// saved, and the tracks renamed by a format. After every step that writes,
// the files on disk are read back by the engine and by mutagen.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidgetItem>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/FileListView.h"
#include "app/FolderTree.h"
#include "app/FormMain.h"
#include "app/PackListModels.h"
#include "app/RenameModels.h"
#include "app/RenamePage.h"
#include "app/TagPage.h"
#include "app/TrackListPage.h"
#include "core/FileAnalysis.h"
#include "core/GenreTable.h"
#include "edit/EditableListView.h"
#include "gui/PackSession.h"
#include "gui/ScriptedTagDialogs.h"
#include "pack/OpenPacked.h"
#include "support/MenuLookup.h"
#include "support/Mutagen.h"

namespace {

using quilto::app::CueListModel;
using quilto::app::FormatListModel;
using quilto::app::FormMain;
using quilto::app::TrackListPage;
using quilto::core::FileAnalysis;
using quilto::core::ScanDepth;
using quilto::tags::TagColumn;
using quilto::test::FindAction;
using quilto::test::MainMenu;
using quilto::test::MutagenDump;
using quilto::test::MutagenField;

// Three tracks of one sampling rate to pack, and one the user leaves out.
struct Source {
    const char* fixture;
    const char* name;
};
const Source kSources[] = {{"cbr128_joint_info.mp3", "1 Dawn.mp3"},
                           {"cbr128_stereo_info.mp3", "2 Noon.mp3"},
                           {"tag_mutagen_v23.mp3", "3 Dusk.mp3"},
                           {"vbr_xing_v5_48k.mp3", "4 Spare.mp3"}};
constexpr std::size_t kPacked = 3;
const QString kEditedTitle = QStringLiteral("Edited Noon");

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class MissionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid() && settings_.isValid() && runtime_.isValid());
        qputenv("QUILTO_CONFIG_DIR", settings_.path().toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
        for (const Source& source : kSources) {
            const QString fixture = quilto::test::kFixtures + "/" + source.fixture;
            ASSERT_TRUE(QFile::copy(fixture, path(source.name))) << source.fixture;
            QFile::setPermissions(path(source.name), QFile::ReadOwner | QFile::WriteOwner);
        }
    }
    void TearDown() override {
        window_.reset();
        qunsetenv("QUILTO_CONFIG_DIR");
        qunsetenv("XDG_RUNTIME_DIR");
    }

    QString path(const QString& name) const { return folder_.filePath(name); }
    std::string local(const QString& file) const { return QFile::encodeName(file).toStdString(); }
    FileAnalysis analyse(const QString& file) {
        quilto::core::NoProgress quiet;
        return quilto::core::AnalyseFile(local(file), ScanDepth::Full, genres_, quiet);
    }
    int rowOf(const std::string& name) const {
        const auto& files = window_->rows().files;
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (files[i].fileName() == name) return static_cast<int>(i);
        }
        ADD_FAILURE() << name << " is not listed";
        return -1;
    }
    void trigger(const QString& menuTitle, const QString& caption) {
        QMenu* menu = MainMenu(*window_, menuTitle);
        ASSERT_NE(menu, nullptr) << menuTitle.toStdString();
        emit menu->aboutToShow();
        QAction* action = FindAction(menu, caption);
        ASSERT_NE(action, nullptr) << caption.toStdString();
        ASSERT_TRUE(action->isEnabled()) << caption.toStdString();
        action->trigger();
    }
    // A double click on a cell opens its editor; the text typed replaces the
    // cell's text and Enter commits it.
    void typeIntoCell(quilto::edit::EditableListView* list, int row, int column, const QString& text) {
        const QModelIndex index = list->model()->index(row, column);
        list->scrollTo(index);
        const QPoint at = list->visualRect(index).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        auto* editor = qobject_cast<QLineEdit*>(list->openEditor());
        ASSERT_NE(editor, nullptr) << "no editor on row " << row << ", column " << column;
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        EXPECT_EQ(list->openEditor(), nullptr);
    }

    QTemporaryDir folder_;
    QTemporaryDir settings_;
    QTemporaryDir runtime_;
    quilto::core::GenreTable genres_;
    std::unique_ptr<FormMain> window_;
    std::shared_ptr<quilto::test::ScriptedDialogs::State> packAnswers_ =
        std::make_shared<quilto::test::ScriptedDialogs::State>();
    std::shared_ptr<quilto::test::Answers> tagAnswers_ = std::make_shared<quilto::test::Answers>();
};

TEST_F(MissionTest, PackUnpackTagAndRenameAsAUserDoes) {
    // ---- The folder opens and every frame is scanned.
    window_ = std::make_unique<FormMain>(QStringList{folder_.path()});
    window_->show();
    window_->runFirstIdle();
    window_->setPackDialogs(std::make_unique<quilto::test::ScriptedDialogs>(packAnswers_));
    window_->setTagDialogs(std::make_unique<quilto::test::ScriptedTagDialogs>(tagAnswers_));
    ASSERT_EQ(window_->rows().size(), std::size(kSources));
    {
        QMenu* file = MainMenu(*window_, "File");
        emit file->aboutToShow();
        QAction* frameScan = FindAction(file, "Frame Scan");
        ASSERT_TRUE(frameScan && frameScan->isEnabled());
        QAction* all = FindAction(frameScan->menu(), "All");
        ASSERT_NE(all, nullptr);
        all->trigger();
    }
    for (const Source& source : kSources) {
        SCOPED_TRACE(source.name);
        const auto& row = window_->rows().files[static_cast<std::size_t>(rowOf(source.name))];
        const FileAnalysis disk = analyse(path(source.name));
        ASSERT_TRUE(disk.opened) << disk.error;
        EXPECT_EQ(row.marker, " ");  // scanned
        EXPECT_EQ(row.text(quilto::core::FileColumn::Frames), disk.stream.text(quilto::core::StreamColumn::Frames));
        EXPECT_EQ(row.text(quilto::core::FileColumn::Time), disk.stream.text(quilto::core::StreamColumn::Time));
        // Scanning only reads.
        EXPECT_EQ(ReadAll(path(source.name)), ReadAll(quilto::test::kFixtures + "/" + source.fixture));
    }

    // ---- Three files dropped on the Pack page; a title edited in place.
    std::vector<int> chosen;
    for (std::size_t i = 0; i < kPacked; ++i) chosen.push_back(rowOf(kSources[i].name));
    window_->fileList()->selectRows(chosen);
    window_->pages()->setCurrentIndex(FormMain::PackPage);
    window_->filesDroppedOnPage(FormMain::PackPage, static_cast<int>(TrackListPage::Target::TrackList));
    TrackListPage& pack = *window_->trackPage(FormMain::PackPage);
    ASSERT_EQ(pack.data().tracks.size(), kPacked);
    ASSERT_EQ(pack.data().cues.size(), kPacked);
    for (std::size_t i = 0; i < kPacked; ++i) {
        EXPECT_EQ(pack.data().tracks[i].sourcePath, local(path(kSources[i].name)));
    }
    typeIntoCell(pack.cueList(), 1, CueListModel::Title, kEditedTitle);
    ASSERT_EQ(pack.data().cues[1].title, kEditedTitle.toStdString());
    const std::string album = pack.data().header.title;
    ASSERT_FALSE(album.empty());  // the last file's album

    // ---- "Create Packed MP3" in the Pack format, the cue sheet in the file.
    const QString packed = path("Mission.pac.mp3");
    packAnswers_->format = quilto::pack::PackFormat::Pack;
    packAnswers_->cueSheet = quilto::pack::CueSheetChoice::EmbeddedInMp3;
    packAnswers_->paths = {packed};
    trigger("Pack", "Create Packed MP3");
    ASSERT_TRUE(packAnswers_->errors.isEmpty()) << packAnswers_->errors.join("; ").toStdString();
    ASSERT_TRUE(QFileInfo::exists(packed));
    {
        const FileAnalysis disk = analyse(packed);
        EXPECT_EQ(disk.containerKind, quilto::core::ContainerKind::Pack);
        EXPECT_TRUE(disk.hasCue);
        quilto::pack::TrackPage reopened;
        quilto::core::NoProgress quiet;
        const quilto::pack::PackedFileFacts facts{quilto::core::ContainerKind::Pack, true, "", "", ""};
        const auto opened = quilto::pack::OpenPacked(local(packed), facts, reopened, genres_, quiet);
        ASSERT_EQ(opened.status, quilto::pack::OpenPackedResult::Status::Opened) << opened.error;
        ASSERT_EQ(reopened.tracks.size(), kPacked);
        ASSERT_EQ(reopened.cues.size(), kPacked);
        EXPECT_EQ(reopened.cues[1].title, kEditedTitle.toStdString());
        EXPECT_EQ(reopened.header.title, album);
        // Each track's stream went in whole: its frames as scanned before.
        for (std::size_t i = 0; i < kPacked; ++i) {
            const auto& row = window_->rows().files[static_cast<std::size_t>(rowOf(kSources[i].name))];
            EXPECT_EQ(reopened.tracks[i].frames, row.text(quilto::core::FileColumn::Frames)) << i;
        }
        // mutagen finds the cue sheet as the description of the GEOB frame.
        const auto dumps = MutagenDump({local(packed)});
        ASSERT_EQ(dumps.size(), 1u);
        EXPECT_EQ(MutagenField(dumps[0], "version", ""), "2.3.0");
        const std::string titleLine = "TITLE \"" + kEditedTitle.toStdString() + "\"";
        bool cueFound = false;
        for (const std::string& line : dumps[0]) {
            if (line.rfind("GEOB", 0) == 0) cueFound = cueFound || line.find(titleLine) != std::string::npos;
        }
        EXPECT_TRUE(cueFound) << "no GEOB frame with the edited title";
    }

    // ---- The packed file dropped on the UnPack page.
    window_->fileList()->setCurrentIndex(window_->fileList()->model()->index(rowOf("Mission.pac.mp3"), 1));
    window_->pages()->setCurrentIndex(FormMain::UnPackPage);
    window_->filesDroppedOnPage(FormMain::UnPackPage, static_cast<int>(TrackListPage::Target::TrackList));
    TrackListPage& unpack = *window_->trackPage(FormMain::UnPackPage);
    ASSERT_EQ(unpack.data().tracks.size(), kPacked);
    ASSERT_EQ(unpack.data().cues.size(), kPacked);
    EXPECT_EQ(unpack.data().cues[1].title, kEditedTitle.toStdString());
    EXPECT_EQ(unpack.data().header.title, album);

    // ---- Tracks 1 and 3 extracted into a folder named after the album.
    unpack.selectTrackRows({0, 2});
    quilto::pack::ExtractChoices extract;
    extract.options.makeDir = true;
    extract.options.id3v2Album = extract.options.id3v2Track = true;
    extract.folderName = "Extracted";
    extract.selectAll = false;
    packAnswers_->extract = extract;
    packAnswers_->outputFolder = folder_.path();
    const QByteArray packedBytes = ReadAll(packed);
    std::vector<QByteArray> spans;
    for (const std::size_t i : {0u, 2u}) {
        const auto& span = unpack.data().tracks[i].span;
        spans.push_back(
            packedBytes.mid(static_cast<qsizetype>(span.start), static_cast<qsizetype>(span.end - span.start)));
    }
    // Titles from the tracks' own tags: the third file has one, the first none.
    ASSERT_TRUE(unpack.data().tracks[0].title.empty());
    const std::string duskTrackTitle = unpack.data().tracks[2].title;
    ASSERT_FALSE(duskTrackTitle.empty());
    trigger("UnPack", "Extract");
    ASSERT_TRUE(packAnswers_->errors.isEmpty()) << packAnswers_->errors.join("; ").toStdString();
    const QString extracted = path("Extracted");
    const QStringList names = QDir(extracted).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    ASSERT_EQ(names, (QStringList{kSources[0].name, kSources[2].name}));
    std::vector<quilto::core::StreamColumns> extractedStreams;
    {
        std::vector<std::filesystem::path> files;
        for (std::size_t k = 0; k < 2; ++k) {
            const QString file = QDir(extracted).filePath(names[static_cast<int>(k)]);
            files.emplace_back(local(file));
            const QByteArray bytes = ReadAll(file);
            // The track's bytes unchanged behind the small tag in front.
            EXPECT_TRUE(bytes.endsWith(spans[k])) << k;
            const FileAnalysis disk = analyse(file);
            ASSERT_TRUE(disk.id3v2) << k;
            EXPECT_EQ(disk.id3v2->album, album);
            EXPECT_EQ(disk.id3v2->track, k == 0 ? "01" : "03");
            extractedStreams.push_back(disk.stream);
        }
        const auto dumps = MutagenDump(files);
        ASSERT_EQ(dumps.size(), 2u);
        EXPECT_EQ(MutagenField(dumps[0], "version", ""), "2.3.0");
        EXPECT_EQ(MutagenField(dumps[0], "TALB", "text"), album);
        EXPECT_EQ(MutagenField(dumps[0], "TIT2", "text"), std::nullopt);  // no empty frames
        EXPECT_EQ(MutagenField(dumps[1], "TIT2", "text"), duskTrackTitle);
        EXPECT_EQ(MutagenField(dumps[1], "TRCK", "text"), "03");
    }
    // The packed file itself is left as it was.
    EXPECT_EQ(ReadAll(packed), packedBytes);

    // ---- The new folder opened from the folder tree.
    auto* tree = window_->findChild<quilto::app::FolderTree*>();
    ASSERT_NE(tree, nullptr);
    QTreeWidgetItem* node = nullptr;
    for (int i = 0; i < tree->currentFolderNode()->childCount(); ++i) {
        if (tree->currentFolderNode()->child(i)->text(0) == "Extracted") node = tree->currentFolderNode()->child(i);
    }
    ASSERT_NE(node, nullptr) << "the extracted folder is not in the tree";
    tree->setCurrentItem(node);
    QTest::keyClick(tree, Qt::Key_Return);
    ASSERT_EQ(window_->currentFolder(), QDir(extracted).absolutePath() + "/");
    ASSERT_EQ(window_->rows().size(), 2u);

    // ---- Tags: a title typed on the ID3v2 page, one artist for both by
    // Set All, the ID3v1 tags copied from the ID3v2 tags, then Save All.
    window_->pages()->setCurrentIndex(FormMain::Id3v2Page);
    quilto::app::TagPage& v2 = *window_->tagPage(FormMain::Id3v2Page);
    const std::size_t dawn = static_cast<std::size_t>(rowOf(kSources[0].name));
    typeIntoCell(v2.view(), static_cast<int>(dawn), static_cast<int>(TagColumn::Title), "Morning");
    tagAnswers_->setAll = {quilto::test::TextAnswer("Mission Band")};
    v2.selectRows({0, 1});
    v2.setAll(static_cast<int>(TagColumn::Artist));
    window_->pages()->setCurrentIndex(FormMain::Id3v1Page);
    window_->tagPage(FormMain::Id3v1Page)->selectRows({0, 1});
    trigger("ID3Tag", "Copy From ID3v2");
    trigger("ID3Tag", "Save All");
    ASSERT_TRUE(tagAnswers_->errors.isEmpty()) << tagAnswers_->errors.join("; ").toStdString();
    std::string duskTitle;
    {
        std::vector<std::filesystem::path> files;
        for (std::size_t k = 0; k < 2; ++k) {
            const QString file = QDir(extracted).filePath(names[static_cast<int>(k)]);
            files.emplace_back(local(file));
            const FileAnalysis disk = analyse(file);
            ASSERT_TRUE(disk.id3v1 && disk.id3v2) << k;
            EXPECT_EQ(disk.id3v2->artist, "Mission Band");
            EXPECT_EQ(disk.id3v1->artist, "Mission Band");
            EXPECT_EQ(disk.id3v1->title, disk.id3v2->title);
            if (k == 0) EXPECT_EQ(disk.id3v2->title, "Morning");
            else duskTitle = disk.id3v2->title;
            // Tag saving leaves the audio alone.
            EXPECT_EQ(disk.stream.texts, extractedStreams[k].texts) << k;
        }
        ASSERT_FALSE(duskTitle.empty());
        const auto dumps = MutagenDump(files);
        ASSERT_EQ(dumps.size(), 2u);
        EXPECT_EQ(MutagenField(dumps[0], "TIT2", "text"), "Morning");
        EXPECT_EQ(MutagenField(dumps[0], "TPE1", "text"), "Mission Band");
        EXPECT_EQ(MutagenField(dumps[1], "TPE1", "text"), "Mission Band");
        EXPECT_EQ(MutagenField(dumps[1], "TRCK", "text"), "03");
    }

    // ---- ReName by the format "<Track> - <Title>" from the ID3v2 tags.
    window_->pages()->setCurrentIndex(FormMain::ReNamePage);
    quilto::app::RenamePage& rename = *window_->renamePage();
    FormatListModel& format = *rename.formatModel();
    for (int i = 0; i < 3; ++i) rename.addFormatStep();
    ASSERT_EQ(format.rowCount(), 3);
    format.setData(format.index(0, FormatListModel::Item), "Tag (v2)", Qt::EditRole);
    format.setData(format.index(0, FormatListModel::Parameter), "Track", Qt::EditRole);
    format.setData(format.index(1, FormatListModel::Parameter), " - ", Qt::EditRole);
    format.setData(format.index(2, FormatListModel::Item), "Tag (v2)", Qt::EditRole);
    format.setData(format.index(2, FormatListModel::Parameter), "Title", Qt::EditRole);
    rename.selectRows({0, 1});
    auto* compose = rename.findChild<QPushButton*>(QStringLiteral("ComposeButton"));
    ASSERT_NE(compose, nullptr);
    QTest::mouseClick(compose, Qt::LeftButton);
    trigger("ReName", "Update");
    const QStringList renamed = QDir(extracted).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    const QString duskName = QStringLiteral("03 - %1.mp3").arg(QString::fromStdString(duskTitle));
    ASSERT_EQ(renamed, (QStringList{"01 - Morning.mp3", duskName}));
    {
        const auto dumps =
            MutagenDump({local(QDir(extracted).filePath(renamed[0])), local(QDir(extracted).filePath(renamed[1]))});
        ASSERT_EQ(dumps.size(), 2u);
        EXPECT_EQ(MutagenField(dumps[0], "TIT2", "text"), "Morning");
        EXPECT_EQ(MutagenField(dumps[1], "TIT2", "text"), duskTitle);
        const FileAnalysis disk = analyse(QDir(extracted).filePath(renamed[0]));
        ASSERT_TRUE(disk.id3v2);
        EXPECT_EQ(disk.id3v2->artist, "Mission Band");
    }
    // The window lists the renamed files.
    EXPECT_GE(rowOf("01 - Morning.mp3"), 0);
}

}  // namespace
