// The questions of the rename page and its commands: the rename options
// dialog, dropping unsaved tag edits before an Update, and the closing
// messages. Asked through this interface so that tests answer without dialogs.
#pragma once

#include <QDialog>
#include <QString>

#include <array>
#include <memory>

#include "app/Settings.h"

class QLabel;
class QLineEdit;
class QRadioButton;

namespace quilto::app {

class RenameDialogs {
public:
    virtual ~RenameDialogs() = default;

    // "ReName Option": options changed in place and true after OK; after
    // Cancel false and options as they were.
    virtual bool editOptions(QWidget* owner, RenameOptions& options) = 0;
    // An Update reloads the rows: may the unsaved tag edits go?
    virtual bool dropTagEdits(QWidget* owner) = 0;
    virtual void showError(QWidget* owner, const QString& message) = 0;
};

std::unique_ptr<RenameDialogs> MakeQtRenameDialogs();

// The "ReName Option" dialog itself. OK keeps it open, naming the field,
// while a separator or replacement could not stand in a file name.
class RenameOptionsDialog final : public QDialog {
    Q_OBJECT
public:
    RenameOptionsDialog(QWidget* owner, const RenameOptions& options);

    RenameOptions options() const;
    QLineEdit* timeSeparatorField() const { return timeSeparator_; }
    QLineEdit* delimiterField() const { return delimiters_; }
    QLineEdit* replacementField(int index) const { return replacements_.at(static_cast<std::size_t>(index)); }
    QRadioButton* extensionButton(int index) const { return extension_.at(static_cast<std::size_t>(index)); }
    // The reason OK was refused, "" when none.
    QString problem() const;

    void accept() override;

private:
    QLineEdit* timeSeparator_ = nullptr;
    QLineEdit* delimiters_ = nullptr;
    std::array<QRadioButton*, 3> extension_{};
    std::array<QLineEdit*, pack::kForbiddenCharacterCount> replacements_{};
    QLabel* problem_ = nullptr;
};

}  // namespace quilto::app
