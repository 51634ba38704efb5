#include "app/OptionDialogs.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/ExternalEditor.h"
#include "app/HelpWindow.h"
#include "app/Icons.h"
#include "app/PlayCommand.h"
#include "app/QtText.h"
#include "core/TextCodec.h"

namespace quilto::app {

namespace {

// The numbers whose built-in name is the "- User -" placeholder: the
// built-in column is no name worth copying there.
constexpr int kFirstUserGenre = static_cast<int>(core::kStandardGenreCount);
constexpr int kLastUserGenre = 247;
constexpr int kGenreRows = static_cast<int>(core::kGenreCount);

QDialogButtonBox* OkCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QCheckBox* MakeBox(const QString& caption, const char* name, bool checked, QWidget* parent) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(checked);
    return box;
}

QIcon CheckIcon(const QWidget& widget, bool checked, bool enabled) {
    const QStyle* style = widget.style();
    const int width = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &widget);
    const int height = style->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, &widget);
    QPixmap pixmap(std::max(width, 1), std::max(height, 1));
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QStyleOptionButton option;
    option.rect = pixmap.rect();
    option.palette = widget.palette();
    if (!enabled) option.palette.setCurrentColorGroup(QPalette::Disabled);
    option.state = (checked ? QStyle::State_On : QStyle::State_Off) | (enabled ? QStyle::State_Enabled : QStyle::State_None);
    style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter, &widget);
    return QIcon(pixmap);
}

QString NumberCaption(bool extended) { return extended ? QStringLiteral(" 0-255") : QStringLiteral(" 0-147"); }

}  // namespace

// ------------------------------------------------------------ program fields

std::optional<QString> ChooseProgramFile(QWidget* owner, const QString& current) {
    QFileDialog dialog(owner);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // Linux programs have no extension to filter by: Qt's own dialog can list
    // executable files only, which the desktop's dialogs cannot be asked for.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    const QString programs = QObject::tr("Program (executable files)");
    const QString all = QObject::tr("All (*)");
    dialog.setNameFilters({programs, all});
    const QDir::Filters base = QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot;
    dialog.setFilter(base | QDir::Executable);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, programs, base](const QString& filter) {
        dialog.setFilter(filter == programs ? base | QDir::Executable : base);
    });
    const QString found = ResolveProgram(current);
    if (!found.isEmpty()) {
        dialog.selectFile(found);
    } else if (!current.isEmpty() && QFileInfo(current).dir().exists()) {
        dialog.setDirectory(QFileInfo(current).dir());
    } else {
        dialog.setDirectory(QStringLiteral("/usr/bin"));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
}

void ApplyProgramFallbacks(GeneralOptions& options) {
    if (ResolveProgram(ToQString(options.editor)).isEmpty()) options.editor.clear();
    if (ResolveProgram(ToQString(options.player)).isEmpty()) {
        options.player.clear();
        options.playerPrm.clear();
    }
}

// ------------------------------------------------------------ General Option

GeneralOptionsDialog::GeneralOptionsDialog(QWidget* owner, const GeneralOptions& options, ProgramChooser chooser)
    : QDialog(owner), chooser_(std::move(chooser)) {
    setWindowTitle(QStringLiteral("General Option"));
    EnableContextHelp(this, 201);
    setModal(true);

    syncSafe_ = MakeBox(QStringLiteral("Synchsafe Packed Data Offset"), "syncSafe", options.syncSafe, this);
    cueSheet_ = MakeBox(QStringLiteral("Cue Sheet Quiltotrackery Format"), "cueSheet", options.cueSheet, this);
    backup_ = MakeBox(QStringLiteral("Make Backup File (UnPack-Save)"), "backup", options.backup, this);
    supportTag_ = MakeBox(QStringLiteral("Save Support ID3v2 Tag Only"), "supportTag", options.supportTag, this);
    unicodeTag_ = MakeBox(tr("Write ID3v2 text as Unicode (UTF-16)"), "unicodeTag", options.unicodeTag, this);

    codePage_ = new QComboBox(this);
    codePage_->setObjectName(QStringLiteral("codePage"));
    for (const std::string& name : core::OfferedCodePages()) codePage_->addItem(ToQString(name));
    codePage_->setCurrentIndex(std::max(0, codePage_->findText(ToQString(core::UsableCodePage(options.codePage)))));
    auto* codePageRow = new QHBoxLayout;
    auto* codePageLabel = new QLabel(tr("Code page of tags and names"), this);
    codePageLabel->setBuddy(codePage_);
    codePageRow->addWidget(codePageLabel);
    codePageRow->addWidget(codePage_, 1);

    auto programRow = [this](QLineEdit*& field, const std::string& text, const char* name, int tag) {
        field = new QLineEdit(ToQString(text), this);
        field->setObjectName(QString::fromLatin1(name));
        auto* button = new QPushButton(QStringLiteral(".."), this);
        button->setObjectName(QString::fromLatin1(name) + QStringLiteral("Browse"));
        button->setAutoDefault(false);
        button->setFixedWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 12);
        connect(button, &QPushButton::clicked, this, [this, tag] { browse(tag); });
        auto* row = new QHBoxLayout;
        row->addWidget(field, 1);
        row->addWidget(button);
        return row;
    };
    QHBoxLayout* editorRow = programRow(editor_, options.editor, "editor", 1);
    const EditorCommand fallback = EditorProgram(GeneralOptions{});
    editor_->setPlaceholderText(tr("default: %1").arg(QFileInfo(fallback.program).fileName()));
    QHBoxLayout* playerRow = programRow(player_, options.player, "player", 2);
    playerPrm_ = new QLineEdit(ToQString(options.playerPrm), this);
    playerPrm_->setObjectName(QStringLiteral("playerPrm"));
    auto* parameterRow = new QHBoxLayout;
    parameterRow->addWidget(new QLabel(QStringLiteral("Parameter"), this));
    parameterRow->addWidget(playerPrm_, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(syncSafe_);
    layout->addWidget(cueSheet_);
    layout->addWidget(backup_);
    layout->addWidget(supportTag_);
    layout->addWidget(unicodeTag_);
    layout->addLayout(codePageRow);
    layout->addSpacing(6);
    layout->addWidget(new QLabel(QStringLiteral("Text Editor"), this));
    layout->addLayout(editorRow);
    layout->addWidget(new QLabel(QStringLiteral("MP3 Player"), this));
    layout->addLayout(playerRow);
    layout->addLayout(parameterRow);
    layout->addStretch(1);
    layout->addWidget(OkCancel(this));
    setMinimumSize(292, 288);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

GeneralOptions GeneralOptionsDialog::options() const {
    GeneralOptions result;
    result.syncSafe = syncSafe_->isChecked();
    result.cueSheet = cueSheet_->isChecked();
    result.backup = backup_->isChecked();
    result.supportTag = supportTag_->isChecked();
    result.unicodeTag = unicodeTag_->isChecked();
    result.codePage = core::UsableCodePage(codePage_->currentText().toStdString());
    result.editor = editor_->text().toStdString();
    result.player = player_->text().toStdString();
    result.playerPrm = playerPrm_->text().toStdString();
    ApplyProgramFallbacks(result);
    return result;
}

void GeneralOptionsDialog::browse(int tag) {
    QLineEdit* field = tag == 1 ? editor_ : player_;
    if (const std::optional<QString> chosen = chooser_(this, field->text())) field->setText(*chosen);
}

// ------------------------------------------------------------- ID3Tag Genre

GenreDialog::GenreDialog(QWidget* owner, const GenreSettings& current) : QDialog(owner) {
    setWindowTitle(QStringLiteral("ID3Tag Genre"));
    EnableContextHelp(this, 202);
    setModal(true);

    list_ = new QTableWidget(kGenreRows, 3, this);
    list_->setObjectName(QStringLiteral("genreList"));
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setShowGrid(true);
    list_->verticalHeader()->hide();
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 4);
    list_->setHorizontalHeaderLabels({NumberCaption(current.extended), QStringLiteral("Default"), QStringLiteral("Custom")});
    QHeaderView* header = list_->horizontalHeader();
    header->setSectionsClickable(true);
    header->setSectionResizeMode(NumberColumn, QHeaderView::Fixed);
    list_->setColumnWidth(NumberColumn, 50);
    list_->setColumnWidth(DefaultColumn, 148);
    list_->setColumnWidth(CustomColumn, 148);

    checkIcons_ = {CheckIcon(*list_, false, true), CheckIcon(*list_, true, true), CheckIcon(*list_, true, false)};
    const auto& builtIn = core::BuiltInGenreNames();
    for (int i = 0; i < kGenreRows; ++i) {
        const auto number = static_cast<std::size_t>(i);
        auto* numberItem = new QTableWidgetItem(QString::asprintf("%4d", i));
        numberItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        list_->setItem(i, NumberColumn, numberItem);
        auto* defaultItem = new QTableWidgetItem(ToQString(std::string(builtIn[number])));
        defaultItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        list_->setItem(i, DefaultColumn, defaultItem);
        // Only an armed click opens the editor: NoEditTriggers keeps it shut otherwise.
        auto* customItem = new QTableWidgetItem;
        customItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
        list_->setItem(i, CustomColumn, customItem);
        const std::string& name = current.names[number];
        if (name != builtIn[number]) customItem->setText(ToQString(name));
        if (i < kFirstUserGenre) {
            numberItem->setData(Qt::UserRole, Always);
            numberItem->setIcon(checkIcons_[Always]);
        }
    }
    setExtended(current.extended);

    connect(header, &QHeaderView::sectionClicked, this, &GenreDialog::headerClicked);
    connect(list_, &QTableWidget::cellDoubleClicked, this, &GenreDialog::cellDoubleClicked);
    connect(list_, &QTableWidget::cellClicked, this, &GenreDialog::cellClicked);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addWidget(OkCancel(this));
    header->setStretchLastSection(true);
    // Wide enough for the three columns beside the scroll bar.
    const int columns = 50 + 148 + 148 + list_->verticalScrollBar()->sizeHint().width() + 2 * list_->frameWidth();
    const QMargins margins = layout->contentsMargins();
    setMinimumWidth(std::max(372, columns + margins.left() + margins.right()));
    resize(minimumWidth(), 233);
}

bool GenreDialog::extended() const { return checkImage(kGenreRows - 1) == On; }

int GenreDialog::checkImage(int row) const { return list_->item(row, NumberColumn)->data(Qt::UserRole).toInt(); }

QString GenreDialog::customName(int row) const { return list_->item(row, CustomColumn)->text(); }

void GenreDialog::setExtended(bool on) {
    list_->horizontalHeaderItem(NumberColumn)->setText(NumberCaption(on));
    const CheckImage image = on ? On : Off;
    for (int i = kFirstUserGenre; i < kGenreRows; ++i) {
        QTableWidgetItem* item = list_->item(i, NumberColumn);
        item->setData(Qt::UserRole, image);
        item->setIcon(checkIcons_[image]);
    }
}

void GenreDialog::setCustom(int row, const QString& text) { list_->item(row, CustomColumn)->setText(text); }

bool GenreDialog::copiesDefault(int row) const { return row < kFirstUserGenre || row > kLastUserGenre; }

void GenreDialog::headerClicked(int column) {
    switch (column) {
    case NumberColumn: setExtended(!extended()); break;
    case DefaultColumn:
        for (int i = 0; i < kGenreRows; ++i) {
            if (copiesDefault(i)) setCustom(i, list_->item(i, DefaultColumn)->text());
        }
        break;
    case CustomColumn:
        for (int i = 0; i < kGenreRows; ++i) setCustom(i, QString());
        break;
    default: break;
    }
}

void GenreDialog::cellDoubleClicked(int row, int) { armedRow_ = row; }

void GenreDialog::cellClicked(int row, int column) {
    if (row != armedRow_) {
        armedRow_ = -1;
        return;
    }
    if (column == DefaultColumn && copiesDefault(row)) {
        setCustom(row, list_->item(row, DefaultColumn)->text());
    } else if (column == CustomColumn) {
        list_->editItem(list_->item(row, CustomColumn));
    }
}

GenreSettings GenreDialog::settings() const {
    GenreSettings result;
    result.extended = extended();
    for (int i = 0; i < kGenreRows; ++i) {
        // An editor still open holds the text the user means.
        const auto* editor = qobject_cast<QLineEdit*>(list_->indexWidget(list_->model()->index(i, CustomColumn)));
        const QString custom = editor ? editor->text() : customName(i);
        const QString name = custom.isEmpty() ? list_->item(i, DefaultColumn)->text() : custom;
        result.names[static_cast<std::size_t>(i)] = name.toStdString();
    }
    return result;
}

// ------------------------------------------------------------------- About

namespace {

// The frame, the icon, the name with its shadow and the version line.
class AboutPanel final : public QWidget {
public:
    explicit AboutPanel(QWidget* parent) : QWidget(parent) { setMinimumSize(274, 150); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(Qt::yellow), 2));
        painter.drawRect(rect().adjusted(1, 1, -1, -1));
        icons::Program().paint(&painter, QRect(16, 16, 32, 32));

        QFont nameFont = font();
        nameFont.setBold(true);
        nameFont.setPointSizeF(nameFont.pointSizeF() * 1.8);
        painter.setFont(nameFont);
        const QRect nameArea(0, 56, width(), QFontMetrics(nameFont).height() + 4);
        const QString name = QStringLiteral("Quiltotrackery");
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawText(nameArea.translated(2, 2), Qt::AlignHCenter, name);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(nameArea, Qt::AlignHCenter, name);

        painter.setFont(font());
        painter.drawText(QRect(0, nameArea.bottom() + 12, width(), fontMetrics().height() + 4), Qt::AlignHCenter,
                         QStringLiteral("～ Version 1.65 ～"));
    }
};

}  // namespace

AboutDialog::AboutDialog(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("About Quiltotrackery"));
    EnableContextHelp(this, 902);
    setModal(true);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowIcon(icons::Program());
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new AboutPanel(this), 1);
    layout->addLayout(buttons);
    setFixedSize(298, 213);
}

// ----------------------------------------------------------- real dialogs

namespace {

class QtOptionDialogs final : public OptionDialogs {
public:
    bool editGeneral(QWidget* owner, GeneralOptions& options) override {
        GeneralOptionsDialog dialog(owner, options);
        if (dialog.exec() != QDialog::Accepted) return false;
        options = dialog.options();
        return true;
    }

    std::optional<GenreSettings> editGenres(QWidget* owner, const GenreSettings& current) override {
        GenreDialog dialog(owner, current);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return dialog.settings();
    }

    void showAbout(QWidget* owner) override {
        AboutDialog dialog(owner);
        dialog.exec();
    }

    void showError(QWidget* owner, const QString& message, const QString& caption) override {
        QMessageBox::warning(owner, caption, message);
    }
};

}  // namespace

std::unique_ptr<OptionDialogs> MakeQtOptionDialogs() { return std::make_unique<QtOptionDialogs>(); }

}  // namespace quilto::app
