#include "app/PackDialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "pack/ui/ExtractOptionDialog.h"
#include "pack/ui/PackOptionDialog.h"

namespace quilto::app {

namespace {

// The plain MP3 first: the dialog's default suffix belongs to it.
const char* const kPackedFileFilters = "MP3 (*.mp3);;Pack (*.pac.mp3);;Zip (*.zip.mp3);;Lha (*.lzh.mp3)";

class QtPackDialogs final : public PackDialogs {
public:
    std::optional<pack::PackChoices> packOptions(QWidget* owner, AppSettings& settings, const pack::TrackPage& page,
                                                 pack::SaveMode mode, std::uint32_t optionWord) override {
        pack::ui::PackOptionDialog dialog(owner, settings);
        dialog.presetRun(page, mode, optionWord);
        return dialog.run();
    }

    QString outputPath(QWidget* owner, const QString& folder, const QString& name) override {
        QFileDialog dialog(owner, QStringLiteral("Save Packed MP3"), folder);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(QStringLiteral("mp3"));
        dialog.setNameFilter(QString::fromLatin1(kPackedFileFilters));
        // Asking before replacing an existing file is the dialog's default.
        dialog.selectFile(name);
        if (dialog.exec() != QDialog::Accepted) return {};
        return dialog.selectedFiles().value(0);
    }

    pack::ui::ExportResult exportCueSheet(QWidget* owner, pack::TrackPage& page, bool performersDiffer, bool remLines,
                                          const QString& folder) override {
        return pack::ui::ExportCueSheetWithDialog(owner, page, performersDiffer, remLines, folder);
    }

    std::optional<pack::ExtractChoices> extractOptions(QWidget* owner, AppSettings& settings,
                                                       const std::string& folderName) override {
        pack::ui::ExtractOptionDialog dialog(owner, settings, folderName);
        return dialog.run();
    }

    QString outputFolder(QWidget* owner, const QString& folder) override {
        return QFileDialog::getExistingDirectory(owner, QStringLiteral("Output Folder"), folder);
    }

    pack::ExistingAnswer askExisting(QWidget* owner, const QString& path) override {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Extract"),
                        QObject::tr("\"%1\" exists already. Overwrite it?").arg(path), QMessageBox::NoButton, owner);
        QPushButton* overwrite = box.addButton(QObject::tr("Overwrite"), QMessageBox::AcceptRole);
        QPushButton* skip = box.addButton(QObject::tr("Skip"), QMessageBox::RejectRole);
        QPushButton* overwriteAll = box.addButton(QObject::tr("Overwrite all"), QMessageBox::AcceptRole);
        QPushButton* cancel = box.addButton(QMessageBox::Cancel);
        // Keeping the file is the answer that loses nothing.
        box.setDefaultButton(skip);
        box.setEscapeButton(cancel);
        box.exec();
        const QAbstractButton* clicked = box.clickedButton();
        if (clicked == overwrite) return pack::ExistingAnswer::Overwrite;
        if (clicked == overwriteAll) return pack::ExistingAnswer::OverwriteAll;
        if (clicked == skip) return pack::ExistingAnswer::Skip;
        return pack::ExistingAnswer::Cancel;
    }

    void showError(QWidget* owner, const QString& message, const QString& caption) override {
        QMessageBox::warning(owner, caption, message);
    }

    void showInformation(QWidget* owner, const QString& message, const QString& caption) override {
        QMessageBox::information(owner, caption, message);
    }
};

}  // namespace

std::unique_ptr<PackDialogs> MakeQtPackDialogs() { return std::make_unique<QtPackDialogs>(); }

}  // namespace quilto::app
