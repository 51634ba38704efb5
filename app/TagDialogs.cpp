#include "app/TagDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "app/HelpWindow.h"

namespace quilto::app {

namespace {

constexpr int kDialogWidth = 292;
constexpr int kDesignedHeight = 163;
constexpr int kShortHeight = 130;
constexpr int kNumberHeight = 165;
constexpr int kVisibleGenres = 16;

// "Set All - <caption>": one of five pages without tabs, "Append" at the
// bottom left, "OK" and "Cancel".
class SetAllDialog final : public QDialog {
public:
    SetAllDialog(QWidget* owner, const SetAllRequest& request) : QDialog(owner), page_(request.page) {
        setWindowTitle((page_ == SetAllRequest::Page::Replace ? QStringLiteral("Replace - ") : QStringLiteral("Set All - ")) +
                       request.caption);
        // Help contexts 3084..3088 follow the page order.
        EnableContextHelp(this, 3084 + static_cast<int>(page_));
        auto* layout = new QVBoxLayout(this);
        pages_ = new QStackedWidget(this);
        layout->addWidget(pages_, 1);

        text_ = new QLineEdit(request.text, pages_);
        if (request.maxLength > 0) text_->setMaxLength(request.maxLength);
        pages_->addWidget(Page(text_));

        genre_ = new QComboBox(pages_);
        genre_->setEditable(true);
        genre_->setInsertPolicy(QComboBox::NoInsert);
        genre_->setMaxVisibleItems(kVisibleGenres);
        genre_->addItems(request.genres);
        genre_->setCurrentIndex(genre_->findText(request.text));
        genre_->setEditText(request.text);
        pages_->addWidget(Page(genre_));

        comment_ = new QPlainTextEdit(request.text, pages_);
        comment_->setLineWrapMode(QPlainTextEdit::NoWrap);
        comment_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        comment_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        pages_->addWidget(comment_);

        auto* number = new QWidget(pages_);
        auto* form = new QFormLayout(number);
        start_ = new QSpinBox(number);
        start_->setRange(0, 99);
        start_->setValue(1);
        countUp_ = new QSpinBox(number);
        countUp_->setRange(0, 99);
        countUp_->setValue(1);
        zero_ = new QCheckBox(QStringLiteral("Zero"), number);
        zero_->setChecked(true);
        forward_ = new QLineEdit(number);
        backward_ = new QLineEdit(number);
        forward_->setObjectName(QStringLiteral("Forward"));
        backward_->setObjectName(QStringLiteral("Backward"));
        form->addRow(QStringLiteral("Start \u2116"), start_);
        form->addRow(QStringLiteral("Count Up"), countUp_);
        form->addRow(zero_);
        form->addRow(QStringLiteral("Forward"), forward_);
        form->addRow(QStringLiteral("Backward"), backward_);
        if (request.id3v1) {
            // An ID3v1 track is a number only, always two digits wide.
            form->setRowVisible(forward_, false);
            form->setRowVisible(backward_, false);
            zero_->setEnabled(false);
        }
        pages_->addWidget(number);
        auto* replace = new QWidget(pages_);
        auto* replaceForm = new QFormLayout(replace);
        from_ = HistoryBox(replace, request.fromHistory, request.text);
        to_ = HistoryBox(replace, request.toHistory, QString());
        from_->setObjectName(QStringLiteral("From"));
        to_->setObjectName(QStringLiteral("To"));
        replaceForm->addRow(QStringLiteral("From"), from_);
        replaceForm->addRow(QStringLiteral("To"), to_);
        pages_->addWidget(replace);

        auto* bottom = new QHBoxLayout;
        // The replace page's "U/L Case" is the same box under another caption.
        const bool replacing = page_ == SetAllRequest::Page::Replace;
        append_ = new QCheckBox(replacing ? QStringLiteral("U/L Case") : QStringLiteral("Append"), this);
        append_->setEnabled(page_ != SetAllRequest::Page::Genre && page_ != SetAllRequest::Page::Number);
        if (replacing) append_->setChecked(request.matchCase);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        bottom->addWidget(append_);
        bottom->addStretch(1);
        bottom->addWidget(buttons);
        layout->addLayout(bottom);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

        pages_->setCurrentIndex(static_cast<int>(page_));
        QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
        // Enter makes a new line in the comment field instead of closing.
        const bool enterCloses = page_ != SetAllRequest::Page::Comment;
        ok->setDefault(enterCloses);
        ok->setAutoDefault(enterCloses);
        buttons->button(QDialogButtonBox::Cancel)->setAutoDefault(false);
        int height = kShortHeight;
        if (page_ == SetAllRequest::Page::Comment) height = kDesignedHeight;
        if ((page_ == SetAllRequest::Page::Number && !request.id3v1) || replacing) height = kNumberHeight;
        resize(std::max(kDialogWidth, sizeHint().width()), std::max(height, sizeHint().height()));
    }

    SetAllAnswer answer() const {
        SetAllAnswer result;
        result.append = append_->isEnabled() && append_->isChecked() && page_ != SetAllRequest::Page::Replace;
        switch (page_) {
            case SetAllRequest::Page::Text: result.text = text_->text(); break;
            case SetAllRequest::Page::Genre: result.text = genre_->currentText(); break;
            case SetAllRequest::Page::Comment: result.text = comment_->toPlainText(); break;
            case SetAllRequest::Page::Replace:
                result.text = from_->currentText();
                result.to = to_->currentText();
                result.matchCase = append_->isChecked();
                break;
            case SetAllRequest::Page::Number: break;
        }
        result.numbering.start = start_->value();
        result.numbering.countUp = countUp_->value();
        result.numbering.zero = zero_->isChecked();
        result.numbering.forward = forward_->text().toStdString();
        result.numbering.backward = backward_->text().toStdString();
        return result;
    }

private:
    static QWidget* Page(QWidget* field) {
        auto* page = new QWidget(field->parentWidget());
        auto* layout = new QVBoxLayout(page);
        field->setParent(page);
        layout->addWidget(field);
        layout->addStretch(1);
        return page;
    }

    static QComboBox* HistoryBox(QWidget* parent, const QStringList& items, const QString& text) {
        auto* box = new QComboBox(parent);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->addItems(items);
        box->setEditText(text);
        return box;
    }

    SetAllRequest::Page page_;
    QStackedWidget* pages_ = nullptr;
    QComboBox* from_ = nullptr;
    QComboBox* to_ = nullptr;
    QLineEdit* text_ = nullptr;
    QComboBox* genre_ = nullptr;
    QPlainTextEdit* comment_ = nullptr;
    QSpinBox* start_ = nullptr;
    QSpinBox* countUp_ = nullptr;
    QCheckBox* zero_ = nullptr;
    QLineEdit* forward_ = nullptr;
    QLineEdit* backward_ = nullptr;
    QCheckBox* append_ = nullptr;
};

class QtTagDialogs final : public TagDialogs {
public:
    std::optional<SetAllAnswer> setAll(QWidget* owner, const SetAllRequest& request) override {
        SetAllDialog dialog(owner, request);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return dialog.answer();
    }

    OtherEditsAnswer askOtherEdits(QWidget* owner, const QString& saving, const QString& other) override {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Save %1").arg(saving),
                        QObject::tr("The %1 tags have unsaved edits too, which reloading the files after saving "
                                    "would lose. Save both tags?")
                            .arg(other),
                        QMessageBox::NoButton, owner);
        QPushButton* both = box.addButton(QObject::tr("Save both"), QMessageBox::AcceptRole);
        QPushButton* discard = box.addButton(QObject::tr("Discard %1 edits").arg(other), QMessageBox::DestructiveRole);
        box.addButton(QMessageBox::Cancel);
        box.setDefaultButton(both);
        box.exec();
        if (box.clickedButton() == both) return OtherEditsAnswer::SaveBoth;
        if (box.clickedButton() == discard) return OtherEditsAnswer::Discard;
        return OtherEditsAnswer::Cancel;
    }

    bool finishedEditing(QWidget* owner) override {
        return QMessageBox::question(owner, QStringLiteral("Editor"), QStringLiteral("Finished editing?"),
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
    }

    void showError(QWidget* owner, const QString& message, const QString& caption) override {
        QMessageBox::warning(owner, caption, message);
    }
    void showInformation(QWidget* owner, const QString& message, const QString& caption) override {
        QMessageBox::information(owner, caption, message);
    }
};

}  // namespace

std::unique_ptr<TagDialogs> MakeQtTagDialogs() { return std::make_unique<QtTagDialogs>(); }

}  // namespace quilto::app
