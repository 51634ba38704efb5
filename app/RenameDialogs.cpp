#include "app/RenameDialogs.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "app/HelpWindow.h"
#include "app/QtText.h"
#include "pack/FileNames.h"
#include "rename/ReplacementText.h"

namespace quilto::app {

namespace {

// Two characters at most, as a name part; typing longer texts is cut here,
// the full check runs on OK.
constexpr int kReplacementLength = 2;

}  // namespace

RenameOptionsDialog::RenameOptionsDialog(QWidget* owner, const RenameOptions& options) : QDialog(owner) {
    setWindowTitle(QStringLiteral("ReName Option"));
    EnableContextHelp(this, 203);
    auto* layout = new QVBoxLayout(this);

    auto* form = new QFormLayout;
    timeSeparator_ = new QLineEdit(ToQString(options.timeSeparator), this);
    timeSeparator_->setObjectName(QStringLiteral("TimeSeparator"));
    timeSeparator_->setMaxLength(kReplacementLength);
    // The forbidden characters cannot even be typed into the separator.
    timeSeparator_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[^\\\\/:*?\"<>|]*")), timeSeparator_));
    delimiters_ = new QLineEdit(ToQString(options.wordDelimiters), this);
    delimiters_->setObjectName(QStringLiteral("Delimiter"));
    form->addRow(QStringLiteral("Time Separator"), timeSeparator_);
    form->addRow(QStringLiteral("Delimiter of Word"), delimiters_);
    layout->addLayout(form);

    auto* extension = new QGroupBox(QStringLiteral("Extension(MP3)"), this);
    auto* extensionLayout = new QHBoxLayout(extension);
    auto* extensionGroup = new QButtonGroup(this);
    const char* captions[] = {"No Conversion", "Upper Case", "Lower Case"};
    for (std::size_t i = 0; i < extension_.size(); ++i) {
        extension_[i] = new QRadioButton(QString::fromLatin1(captions[i]), extension);
        extensionGroup->addButton(extension_[i], static_cast<int>(i));
        extensionLayout->addWidget(extension_[i]);
    }
    extension_[static_cast<std::size_t>(options.extensionCase)]->setChecked(true);
    layout->addWidget(extension);

    auto* forbidden = new QGroupBox(QStringLiteral("Forbidden Characters Replace"), this);
    auto* grid = new QGridLayout(forbidden);
    for (std::size_t i = 0; i < replacements_.size(); ++i) {
        const QString label = QString(QLatin1Char(pack::kForbiddenCharacters[i])) + QStringLiteral(" \u21D2 ");
        replacements_[i] = new QLineEdit(ToQString(options.forbiddenReplacements[i]), forbidden);
        replacements_[i]->setObjectName(QStringLiteral("Rep%1").arg(i + 1));
        replacements_[i]->setMaxLength(kReplacementLength);
        const int row = static_cast<int>(i % 5);
        const int column = static_cast<int>(i / 5) * 2;
        grid->addWidget(new QLabel(label, forbidden), row, column);
        grid->addWidget(replacements_[i], row, column + 1);
    }
    layout->addWidget(forbidden);

    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("Problem"));
    problem_->setWordWrap(true);
    problem_->hide();
    layout->addWidget(problem_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

RenameOptions RenameOptionsDialog::options() const {
    RenameOptions result;
    result.timeSeparator = timeSeparator_->text().toStdString();
    result.wordDelimiters = delimiters_->text().toStdString();
    for (std::size_t i = 0; i < extension_.size(); ++i) {
        if (extension_[i]->isChecked()) result.extensionCase = static_cast<rename::ExtensionCase>(i);
    }
    for (std::size_t i = 0; i < replacements_.size(); ++i) {
        result.forbiddenReplacements[i] = replacements_[i]->text().toStdString();
    }
    return result;
}

QString RenameOptionsDialog::problem() const { return problem_->text(); }

void RenameOptionsDialog::accept() {
    // A text that would put a path separator, a control character or a
    // folder name into file names is refused before anything is kept.
    QLineEdit* wrong = nullptr;
    QString what;
    if (!rename::IsValidReplacementText(timeSeparator_->text().toStdString())) {
        wrong = timeSeparator_;
        what = QStringLiteral("Time Separator");
    }
    for (std::size_t i = 0; wrong == nullptr && i < replacements_.size(); ++i) {
        if (!rename::IsValidReplacementText(replacements_[i]->text().toStdString())) {
            wrong = replacements_[i];
            what = QStringLiteral("the replacement of \"%1\"").arg(QLatin1Char(pack::kForbiddenCharacters[i]));
        }
    }
    if (wrong != nullptr) {
        problem_->setText(tr("%1 cannot stand in a file name: use at most two characters (one if it is not ASCII), "
                             "none of \\ / : * ? \" < > | and no control character.")
                              .arg(what));
        problem_->show();
        wrong->setFocus();
        wrong->selectAll();
        return;
    }
    problem_->clear();
    problem_->hide();
    QDialog::accept();
}

namespace {

class QtRenameDialogs final : public RenameDialogs {
public:
    bool editOptions(QWidget* owner, RenameOptions& options) override {
        RenameOptionsDialog dialog(owner, options);
        if (dialog.exec() != QDialog::Accepted) return false;
        options = dialog.options();
        return true;
    }

    bool dropTagEdits(QWidget* owner) override {
        return QMessageBox::question(owner, QStringLiteral("Update"),
                                     QObject::tr("Some tags have unsaved edits, which reloading the files after "
                                                 "renaming would lose. Rename anyway?"),
                                     QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Cancel) == QMessageBox::Yes;
    }

    void showError(QWidget* owner, const QString& message) override {
        QMessageBox::warning(owner, QStringLiteral("ReName"), message);
    }
};

}  // namespace

std::unique_ptr<RenameDialogs> MakeQtRenameDialogs() { return std::make_unique<QtRenameDialogs>(); }

}  // namespace quilto::app
