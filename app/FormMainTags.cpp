// FormMain: the "ID3Tag" menu (saving the edited tags, copying between the
// two tags) and a tag column's round trip through the external editor.

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>

#include <algorithm>

#include "app/AppSettings.h"
#include "app/ExternalEditor.h"
#include "app/FolderTree.h"
#include "app/FormMain.h"
#include "app/ProgressWindow.h"
#include "app/QtText.h"
#include "app/TagDialogs.h"
#include "app/TrackListPage.h"
#include "pack/TrackListEdits.h"
#include "app/TagPage.h"
#include "edit/EditableListView.h"
#include "tags/SaveTags.h"
#include "tags/TagEdits.h"

namespace quilto::app {

namespace {

const QString kTagCaption = QStringLiteral("ID3Tag");
const QString kEditorCaption = QStringLiteral("Editor");

// The edited rows of the saved tag(s) whose files were not written (failed,
// or not reached before Cancel): reading the folder again must not make the
// user type them again.
struct UnsavedEdits {
    std::vector<core::Id3v1Row> id3v1;
    std::vector<core::Id3v2Row> id3v2;
};

UnsavedEdits KeepUnsavedEdits(const core::FolderRows& rows, tags::TagVariant variant,
                              const std::vector<std::size_t>& saved) {
    UnsavedEdits kept;
    const auto wasSaved = [&](std::size_t row) { return std::find(saved.begin(), saved.end(), row) != saved.end(); };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (wasSaved(i)) continue;
        if (variant != tags::TagVariant::Id3v2 && rows.id3v1[i].image == core::kEditedImage) kept.id3v1.push_back(rows.id3v1[i]);
        if (variant != tags::TagVariant::Id3v1 && rows.id3v2[i].image == core::kEditedImage) kept.id3v2.push_back(rows.id3v2[i]);
    }
    return kept;
}

template <typename Row>
void RestoreRows(std::vector<Row>& rows, const std::vector<Row>& kept) {
    for (const Row& edit : kept) {
        for (Row& row : rows) {
            if (row.fileName != edit.fileName || row.excluded()) continue;
            row = edit;
            break;
        }
    }
}

void RestoreUnsavedEdits(core::FolderRows& rows, const UnsavedEdits& kept) {
    RestoreRows(rows.id3v1, kept.id3v1);
    RestoreRows(rows.id3v2, kept.id3v2);
}

}  // namespace

TagPage* FormMain::tagPage(Page page) const {
    if (page == Id3v1Page) return id3v1Page_;
    if (page == Id3v2Page) return id3v2Page_;
    return nullptr;
}

TagDialogs& FormMain::tagDialogs() {
    if (!tagDialogs_) tagDialogs_ = MakeQtTagDialogs();
    return *tagDialogs_;
}

void FormMain::setTagDialogs(std::unique_ptr<TagDialogs> dialogs) { tagDialogs_ = std::move(dialogs); }

void FormMain::buildTagMenu(QMenu* menu) {
    using tags::TagVariant;
    saveAllTags_ = menu->addAction(QStringLiteral("Save All"), this, [this] { saveTags(TagVariant::Both); });
    menu->addSeparator();
    saveId3v1_ = menu->addAction(QStringLiteral("Save ID3v1"), this, [this] { saveTags(TagVariant::Id3v1); });
    saveId3v2_ = menu->addAction(QStringLiteral("Save ID3v2"), this, [this] { saveTags(TagVariant::Id3v2); });
    menu->addSeparator();
    copyFromTag_ = menu->addAction(QStringLiteral("Copy From"), this, &FormMain::copyFromOtherTag);
    connect(menu, &QMenu::aboutToShow, this, &FormMain::tagMenuAboutToShow);
}

void FormMain::tagMenuAboutToShow() {
    // A cell still open counts as edited.
    edit::CommitOpenCellEditor(this);
    const bool v1 = tags::HasEditedRows(rows_, tags::TagList::Id3v1);
    const bool v2 = tags::HasEditedRows(rows_, tags::TagList::Id3v2);
    saveAllTags_->setEnabled(v1 || v2);
    saveId3v1_->setEnabled(v1);
    saveId3v2_->setEnabled(v2);
    copyFromTag_->setText(pages_->currentIndex() == Id3v1Page ? QStringLiteral("Copy From ID3v2")
                                                              : QStringLiteral("Copy From ID3v1"));
}

void FormMain::copyFromOtherTag() {
    edit::CommitOpenCellEditor(this);
    TagPage* target = tagPage(static_cast<Page>(pages_->currentIndex()));
    if (!target || filling_ || longWork_ > 0) return;
    tags::CopyFromOtherTag(tags::TagRows{rows_, *genres_}, target->list(), target->selectedRows(true));
    target->changed();
    target->view()->setFocus();
}

void FormMain::saveTags(tags::TagVariant variant) {
    if (filling_ || longWork_ > 0) return;
    // From the first question on the run refers to these rows: a hand-over
    // meanwhile (which would refill them) waits for its end.
    holdLongWork([this, variant] { saveTagsHeld(variant); });
}

void FormMain::saveTagsHeld(tags::TagVariant variant) {
    using tags::TagVariant;
    edit::CommitOpenCellEditor(this);
    if (variant != TagVariant::Both) {
        // The rows are read again after saving: the other tag's edits would
        // vanish without a word.
        const bool savingV1 = variant == TagVariant::Id3v1;
        if (tags::HasEditedRows(rows_, savingV1 ? tags::TagList::Id3v2 : tags::TagList::Id3v1)) {
            const QString saving = savingV1 ? QStringLiteral("ID3v1") : QStringLiteral("ID3v2");
            const QString other = savingV1 ? QStringLiteral("ID3v2") : QStringLiteral("ID3v1");
            switch (tagDialogs().askOtherEdits(this, saving, other)) {
                case OtherEditsAnswer::SaveBoth: variant = TagVariant::Both; break;
                case OtherEditsAnswer::Discard: break;
                case OtherEditsAnswer::Cancel: return;
            }
        }
    }
    if (!tags::HasRowsToSave(rows_, variant)) return;

    tags::TagSaveOptions options;
    options.variant = variant;
    options.supportTagOnly = settings_->general.supportTag;
    options.unicodeText = settings_->general.unicodeTag;
    options.keepBackup = settings_->general.backup;
    options.genres = genres_.get();
    const bool packed = packedFileNodeIsCurrent();
    const core::ContainerKind kind = packed ? FolderTree::PackedKind(tree_->currentFolderNode()) : core::ContainerKind{};
    const std::string packedPath = packedFilePath_;

    tags::TagSaveOutcome outcome;
    runLongWork(
        QStringLiteral("Saving ..."),
        [&](ProgressWindow& progress) {
            outcome = packed ? tags::SavePackedTags(packedPath, kind, rows_, packedSpans_, options, progress, packOutput_)
                             : tags::SaveTags(rows_, options, progress, packOutput_);
        },
        [&] {
            // One message naming every file that was not saved, and why.
            if (!outcome.message.empty()) {
                tagDialogs().showError(this, ToQString(outcome.message), kTagCaption);
            } else if (outcome.status == tags::TagSaveOutcome::Status::Cancelled && !closing_) {
                tagDialogs().showInformation(this,
                                             packed ? tr("Cancelled: the packed file is as it was.")
                                                    : tr("Cancelled: the files saved before stay saved."),
                                             kTagCaption);
            }
            if (closing_) return;
            // What the files hold now, with the marks reset.
            if (packed) {
                // A run that did not finish left the file as it was: the rows
                // and their edits still describe it.
                if (outcome.status == tags::TagSaveOutcome::Status::Done) {
                    showPackedFile(QByteArray::fromStdString(packedPath));
                }
                return;
            }
            const UnsavedEdits kept = KeepUnsavedEdits(rows_, variant, outcome.savedRows);
            reload();
            RestoreUnsavedEdits(rows_, kept);
            id3v1Page_->changed();
            id3v2Page_->changed();
        });
}

void FormMain::editColumnExternally(Page page, int column) {
    if (filling_ || longWork_ > 0 || !tagPage(page)) return;
    // The rows must stay as they are until the editor's text comes back.
    holdLongWork([this, page, column] { editColumnHeld(page, column); });
}

void FormMain::editColumnHeld(Page page, int column) {
    edit::CommitOpenCellEditor(this);
    TagPage* target = tagPage(page);
    const auto tagColumn = static_cast<tags::TagColumn>(column);
    if (!tags::IsEditableColumn(target->list(), tagColumn)) return;
    RunExternalEditor(this, settings_->general, tagDialogs(), tags::ColumnExchangeText(rows_, target->list(), tagColumn),
                    [this, target, tagColumn](const std::string& edited, std::string& refused) {
                        std::vector<std::size_t> changed;
                        return tags::ReadBackColumn(tags::TagRows{rows_, *genres_}, target->list(), tagColumn, edited,
                                                    changed, refused);
                    });
    target->changed();
}

void FormMain::editTrackColumnExternally(TrackListPage* page, int target, int column) {
    if (filling_ || longWork_ > 0 || page == nullptr) return;
    holdLongWork([this, page, target, column] {
        edit::CommitOpenCellEditor(this);
        const pack::EditColumn tool = TrackListPage::EditColumnOf(static_cast<TrackListPage::Target>(target), column);
        if (!pack::IsToolColumn(tool)) return;
        RunExternalEditor(this, settings_->general, tagDialogs(), pack::ColumnExchangeText(page->data(), tool),
                        [page, tool](const std::string& edited, std::string& refused) {
                            std::vector<std::size_t> changed;
                            return pack::ReadBackColumn(page->data(), tool, edited, changed, refused);
                        });
        page->refresh();
        refreshStatus();
    });
}


}  // namespace quilto::app
