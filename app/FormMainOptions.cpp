// FormMain: the general options, the genre names and the about box.
#include "app/AppSettings.h"
#include "app/FormMain.h"
#include "app/OptionDialogs.h"
#include "app/TagPage.h"
#include "core/TextCodec.h"
#include "edit/EditableListView.h"
#include "tags/SaveTags.h"

namespace quilto::app {

OptionDialogs& FormMain::optionDialogs() {
    if (!optionDialogs_) optionDialogs_ = MakeQtOptionDialogs();
    return *optionDialogs_;
}

void FormMain::setOptionDialogs(std::unique_ptr<OptionDialogs> dialogs) { optionDialogs_ = std::move(dialogs); }

const GeneralOptions& FormMain::generalOptions() const { return settings_->general; }

void FormMain::storeDialogSection(const std::function<void(core::IniFile&)>& store, const QString& caption) {
    // Into the file as it is now: other dialogs may have written theirs since the start.
    core::IniFile file = core::IniFile::Load(settings_->location.iniPath());
    store(file);
    std::string error;
    if (!SaveSettings(file, settings_->location, &error)) {
        optionDialogs().showError(this, QString::fromStdString(SettingsSaveFailure(settings_->location, error)), caption);
    }
}

void FormMain::editGeneralOptions() {
    edit::CommitOpenCellEditor(this);
    GeneralOptions options = settings_->general;
    if (!optionDialogs().editGeneral(this, options)) return;
    const bool codePageChanged = options.codePage != settings_->general.codePage;
    settings_->general = options;
    core::SetLegacyCodePage(options.codePage);
    storeDialogSection([&options](core::IniFile& file) { options.store(file); }, QStringLiteral("General Option"));
    // The rows hold texts decoded in the old code page: read them again,
    // unless that would throw away tag edits not saved yet.
    if (codePageChanged && !tags::HasRowsToSave(rows_, tags::TagVariant::Both)) reload();
}

void FormMain::editGenres() {
    edit::CommitOpenCellEditor(this);
    const GenreSettings current = GenreSettings::From(*genres_, core::IniFile::Load(settings_->location.iniPath()));
    const std::optional<GenreSettings> chosen = optionDialogs().editGenres(this, current);
    if (!chosen) return;
    // Assigned in place: the tag pages and running commands hold this table.
    *genres_ = chosen->table();
    id3v1Page_->setGenres(*genres_);
    id3v2Page_->setGenres(*genres_);
    storeDialogSection([&chosen](core::IniFile& file) { chosen->store(file); }, QStringLiteral("ID3Tag Genre"));
}

void FormMain::showAbout() { optionDialogs().showAbout(this); }

}  // namespace quilto::app
