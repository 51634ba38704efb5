#include "pack/ui/ExtractOptionDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AppSettings.h"
#include "app/HelpWindow.h"
#include "app/QtText.h"

namespace quilto::pack::ui {

namespace {

QCheckBox* MakeBox(const QString& caption, const char* name, QWidget* parent) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

}  // namespace

ExtractOptionDialog::ExtractOptionDialog(QWidget* owner, app::AppSettings& settings, const std::string& folderName)
    : QDialog(owner), settings_(settings) {
    setWindowTitle(tr("Extract Option"));
    app::EnableContextHelp(this, 3082);
    setModal(true);

    makeDir_ = MakeBox(tr("Make Directory"), "makeDir", this);
    folderName_ = new QLineEdit(app::ToQString(folderName), this);
    folderName_->setObjectName(QStringLiteral("folderName"));
    folderName_->setMinimumWidth(240);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(tr("Name"), this));
    nameRow->addWidget(folderName_, 1);

    id3v2Tag_ = MakeBox(tr("ID3v2 Tag"), "id3v2Tag", this);
    auto* items = new QGridLayout;
    artist_ = MakeBox(tr("Artist"), "id3v2Artist", this);
    title_ = MakeBox(tr("Title"), "id3v2Title", this);
    album_ = MakeBox(tr("Album"), "id3v2Album", this);
    track_ = MakeBox(tr("Track"), "id3v2Track", this);
    items->addWidget(artist_, 0, 0);
    items->addWidget(title_, 0, 1);
    items->addWidget(album_, 1, 0);
    items->addWidget(track_, 1, 1);
    items->setContentsMargins(20, 0, 0, 0);

    selectAll_ = MakeBox(tr("Select All"), "selectAll", this);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("OK"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &ExtractOptionDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ExtractOptionDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(makeDir_);
    layout->addLayout(nameRow);
    layout->addWidget(id3v2Tag_);
    layout->addLayout(items);
    layout->addWidget(selectAll_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    ExtractOptions o;
    o.load(settings_.file);
    makeDir_->setChecked(o.makeDir);
    id3v2Tag_->setChecked(o.id3v2Tag);
    artist_->setChecked(o.id3v2Artist);
    title_->setChecked(o.id3v2Title);
    album_->setChecked(o.id3v2Album);
    track_->setChecked(o.id3v2Track);
    refresh();
    connect(makeDir_, &QCheckBox::toggled, this, &ExtractOptionDialog::refresh);
    connect(id3v2Tag_, &QCheckBox::toggled, this, &ExtractOptionDialog::refresh);
}

void ExtractOptionDialog::refresh() {
    const ExtractControlStates enabled = ExtractEnabling(options());
    folderName_->setEnabled(enabled.folderName);
    for (QCheckBox* item : {artist_, title_, album_, track_}) item->setEnabled(enabled.tagItems);
}

ExtractOptions ExtractOptionDialog::options() const {
    ExtractOptions o;
    o.makeDir = makeDir_->isChecked();
    o.id3v2Tag = id3v2Tag_->isChecked();
    o.id3v2Artist = artist_->isChecked();
    o.id3v2Title = title_->isChecked();
    o.id3v2Album = album_->isChecked();
    o.id3v2Track = track_->isChecked();
    return o;
}

ExtractChoices ExtractOptionDialog::choices() const {
    return {options(), folderName_->text().toStdString(), selectAll_->isChecked()};
}

std::optional<ExtractChoices> ExtractOptionDialog::run() {
    if (exec() != QDialog::Accepted) return std::nullopt;
    return choices();
}

void ExtractOptionDialog::accept() {
    options().store(settings_.file);
    app::SaveSettingsOrWarn(this, settings_.file, settings_.location);
    QDialog::accept();
}

}  // namespace quilto::pack::ui
