#include "pack/ui/PackOptionDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/AppSettings.h"
#include "app/HelpWindow.h"
#include "app/QtText.h"

namespace quilto::pack::ui {

namespace {

QSpinBox* MakeCounter(QWidget* parent, const char* name) {
    auto* counter = new QSpinBox(parent);
    counter->setObjectName(QString::fromLatin1(name));
    counter->setRange(kSilentCountMin, kSilentCountMax);
    counter->setWrapping(false);
    // Only the arrows change the count: the field itself is read-only
    // (QAbstractSpinBox::setReadOnly would stop the arrows too).
    if (auto* field = counter->findChild<QLineEdit*>()) field->setReadOnly(true);
    counter->setFixedWidth(48);
    return counter;
}

}  // namespace

PackOptionDialog::PackOptionDialog(QWidget* owner, app::AppSettings& settings)
    : QDialog(owner), settings_(settings) {
    setWindowTitle(tr("Packed MP3 Option"));
    app::EnableContextHelp(this, 3081);
    setModal(true);

    auto* formatGroup = new QGroupBox(tr("Format  "), this);
    auto* formatGrid = new QGridLayout(formatGroup);
    formats_ = new QButtonGroup(this);
    const char* const captions[kPackFormatCount] = {"Bind", "Pack", "Zip", "Lha"};
    for (int i = 0; i < kPackFormatCount; ++i) {
        formatButtons_[i] = new QRadioButton(tr(captions[i]), formatGroup);
        formatButtons_[i]->setObjectName(QStringLiteral("format%1").arg(i));
        formats_->addButton(formatButtons_[i], i);
    }
    bindNote_ = new QLabel(tr("( MP3 + MP3 + MP3 … )"), formatGroup);
    archiveNote_ = new QLabel(tr("( Non Compressed )"), formatGroup);
    bindNote_->setObjectName(QStringLiteral("bindNote"));
    archiveNote_->setObjectName(QStringLiteral("archiveNote"));
    formatGrid->addWidget(formatButtons_[0], 0, 0);
    formatGrid->addWidget(bindNote_, 0, 1, 1, 2);
    formatGrid->addWidget(formatButtons_[1], 1, 0);
    formatGrid->addWidget(formatButtons_[2], 2, 0);
    formatGrid->addWidget(formatButtons_[3], 2, 1);
    formatGrid->addWidget(archiveNote_, 2, 2);
    entire_ = new QCheckBox(tr("Entire (by Cue Sheet)"), formatGroup);
    entire_->setObjectName(QStringLiteral("entire"));
    formatGrid->addWidget(entire_, 3, 0, 1, 3);
    ext_ = new QCheckBox(tr("Ext"), formatGroup);
    ext_->setObjectName(QStringLiteral("ext"));
    extension_ = new QLabel(QStringLiteral(".mp3"), formatGroup);
    extension_->setObjectName(QStringLiteral("extension"));
    extension_->setFrameShape(QFrame::StyledPanel);
    extension_->setFrameShadow(QFrame::Sunken);
    extension_->setMinimumWidth(80);
    formatGrid->addWidget(ext_, 4, 0);
    formatGrid->addWidget(extension_, 4, 1, 1, 2);

    auto* removeGroup = new QGroupBox(tr("Remove Tag"), this);
    auto* removeLayout = new QVBoxLayout(removeGroup);
    removeId3v1_ = new QCheckBox(tr("ID3v1"), removeGroup);
    removeId3v2_ = new QCheckBox(tr("ID3v2"), removeGroup);
    removeXing_ = new QCheckBox(tr("Xing or Info(Lame)"), removeGroup);
    removeId3v1_->setObjectName(QStringLiteral("removeId3v1"));
    removeId3v2_->setObjectName(QStringLiteral("removeId3v2"));
    removeXing_->setObjectName(QStringLiteral("removeXing"));
    removeLayout->addWidget(removeId3v1_);
    removeLayout->addWidget(removeId3v2_);
    removeLayout->addWidget(removeXing_);

    id3v2Tag_ = new QCheckBox(tr("ID3v2 Tag"), this);
    id3v2Tag_->setObjectName(QStringLiteral("id3v2Tag"));
    artist_ = new QLineEdit(this);
    title_ = new QLineEdit(this);
    artist_->setObjectName(QStringLiteral("artist"));
    title_->setObjectName(QStringLiteral("title"));
    auto* tagFields = new QFormLayout;
    tagFields->addRow(tr("Artist"), artist_);
    tagFields->addRow(tr("Title"), title_);

    cueGroup_ = new QGroupBox(tr("Cue Sheet"), this);
    cueGroup_->setObjectName(QStringLiteral("cueGroup"));
    auto* cueLayout = new QVBoxLayout(cueGroup_);
    cueSheet_ = new QButtonGroup(this);
    const char* const cueCaptions[] = {"Export to CueFile", "Embedded in MP3", "Cancel"};
    for (int i = 0; i < 3; ++i) {
        auto* button = new QRadioButton(tr(cueCaptions[i]), cueGroup_);
        button->setObjectName(QStringLiteral("cueSheet%1").arg(i));
        cueSheet_->addButton(button, i);
        cueLayout->addWidget(button);
    }

    addXing_ = new QCheckBox(tr("Addition of Xing Header"), this);
    addXing_->setObjectName(QStringLiteral("addXing"));

    auto* silentGroup = new QGroupBox(tr("Addition of Silent Frames"), this);
    auto* silentLayout = new QGridLayout(silentGroup);
    top_ = new QCheckBox(tr("Top"), silentGroup);
    last_ = new QCheckBox(tr("Last"), silentGroup);
    top_->setObjectName(QStringLiteral("top"));
    last_->setObjectName(QStringLiteral("last"));
    topCount_ = MakeCounter(silentGroup, "topCount");
    lastCount_ = MakeCounter(silentGroup, "lastCount");
    silentLayout->addWidget(top_, 0, 0);
    silentLayout->addWidget(topCount_, 0, 1);
    silentLayout->addWidget(last_, 1, 0);
    silentLayout->addWidget(lastCount_, 1, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("OK"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &PackOptionDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PackOptionDialog::reject);

    auto* left = new QVBoxLayout;
    left->addWidget(formatGroup);
    left->addWidget(removeGroup);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(id3v2Tag_);
    right->addLayout(tagFields);
    right->addWidget(cueGroup_);
    right->addWidget(addXing_);
    right->addWidget(silentGroup);
    right->addStretch();
    auto* columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    PackOptions loaded;
    loaded.load(settings_.file);
    showOptions(loaded);

    // The rules run only from here on, so that loading fires none of them.
    const auto rules = [this] { refresh(); };
    connect(formats_, &QButtonGroup::idToggled, this, rules);
    for (QCheckBox* box : {ext_, id3v2Tag_, top_, last_}) connect(box, &QCheckBox::toggled, this, rules);
}

void PackOptionDialog::showOptions(const PackOptions& o) {
    showing_ = true;
    formatButtons_[static_cast<std::size_t>(o.format)]->setChecked(true);
    ext_->setChecked(o.formatExt);
    removeId3v1_->setChecked(o.removeId3v1);
    removeId3v2_->setChecked(o.removeId3v2);
    removeXing_->setChecked(o.removeXing);
    id3v2Tag_->setChecked(o.id3v2Tag);
    cueSheet_->button(static_cast<int>(o.cueSheet))->setChecked(true);
    addXing_->setChecked(o.addXing);
    top_->setChecked(o.silentTop);
    topCount_->setValue(o.silentTopNo);
    last_->setChecked(o.silentLast);
    lastCount_->setValue(o.silentLastNo);
    showing_ = false;
    refresh();
}

void PackOptionDialog::applyPreset(const PackOptions& options, const PackPreset& preset) {
    preset_ = preset;
    artist_->setText(app::ToQString(preset.artist));
    title_->setText(app::ToQString(preset.title));
    showOptions(options);
}

void PackOptionDialog::presetRun(const TrackPage& page, SaveMode mode, std::uint32_t optionWord) {
    PackOptions o = options();
    const PackPreset preset = PresetPackRun(o, page, mode, optionWord);
    applyPreset(o, preset);
}

void PackOptionDialog::refresh() {
    if (showing_) return;
    const PackOptions o = options();
    const PackControlStates enabled = PackEnabling(o, preset_);
    for (std::size_t i = 0; i < formatButtons_.size(); ++i) formatButtons_[i]->setEnabled(enabled.formatButtons[i]);
    bindNote_->setEnabled(enabled.formatNotes);
    archiveNote_->setEnabled(enabled.formatNotes);
    entire_->setEnabled(enabled.entire);
    ext_->setEnabled(enabled.ext);
    extension_->setText(app::ToQString(PackExtensionText(o, preset_)));
    artist_->setEnabled(enabled.artistTitle);
    title_->setEnabled(enabled.artistTitle);
    cueGroup_->setEnabled(enabled.cueGroup);
    addXing_->setEnabled(enabled.addXing);
    top_->setEnabled(enabled.top);
    topCount_->setEnabled(enabled.topCount);
    last_->setEnabled(enabled.last);
    lastCount_->setEnabled(enabled.lastCount);
}

PackOptions PackOptionDialog::options() const {
    PackOptions o;
    const int format = formats_->checkedId();
    if (format >= 0 && format < kPackFormatCount) o.format = static_cast<PackFormat>(format);
    o.formatExt = ext_->isChecked();
    o.removeId3v1 = removeId3v1_->isChecked();
    o.removeId3v2 = removeId3v2_->isChecked();
    o.removeXing = removeXing_->isChecked();
    o.id3v2Tag = id3v2Tag_->isChecked();
    const int cue = cueSheet_->checkedId();
    if (cue >= 0) o.cueSheet = static_cast<CueSheetChoice>(cue);
    o.addXing = addXing_->isChecked();
    o.silentTop = top_->isChecked();
    o.silentTopNo = topCount_->value();
    o.silentLast = last_->isChecked();
    o.silentLastNo = lastCount_->value();
    return o;
}

PackChoices PackOptionDialog::choices() const {
    PackChoices c = MakePackChoices(options(), preset_, entire_->isChecked());
    c.artist = artist_->text().toStdString();
    c.title = title_->text().toStdString();
    return c;
}

std::optional<PackChoices> PackOptionDialog::run() {
    if (exec() != QDialog::Accepted) return std::nullopt;
    return choices();
}

void PackOptionDialog::accept() {
    options().store(settings_.file);
    app::SaveSettingsOrWarn(this, settings_.file, settings_.location);
    QDialog::accept();
}

}  // namespace quilto::pack::ui
