#include "pack/ui/CueSheetDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "pack/CueSheet.h"

namespace quilto::pack::ui {

namespace {

const QString kFilter = QStringLiteral("CueSheet (*.cue)");

QString& Folder() {
    static QString folder;
    return folder;
}

QString StartFolder(const QString& fallback) {
    const QString& shared = Folder();
    return shared.isEmpty() ? fallback : shared;
}

// A file dialog with the fixed filter and default suffix of cue sheets;
// returns the chosen path, empty on Cancel.
QString ChooseFile(QWidget* owner, const QString& caption, QFileDialog::AcceptMode mode, const QString& folder,
                   const QString& proposed) {
    QFileDialog dialog(owner, caption, folder, kFilter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("cue"));
    if (!proposed.isEmpty()) dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

}  // namespace

QString SharedDialogFolder() { return Folder(); }

void SetSharedDialogFolder(const QString& folder) { Folder() = folder; }

QString ProposedCueSheetName(const std::string& headerFile) {
    if (headerFile.empty()) return {};
    const QString name = QString::fromStdString(headerFile);
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > slash ? name.left(dot) : name;
    return stem + QStringLiteral(".cue");
}

ExportResult ExportCueSheetWithDialog(QWidget* owner, TrackPage& page, std::optional<bool> performersDiffer,
                                      bool remLines, const QString& fallbackFolder) {
    const bool differ = performersDiffer ? *performersDiffer : CueDefaults(page.header, page.cues, true);
    const QString path = ChooseFile(owner, QStringLiteral("Export Cue Sheet"), QFileDialog::AcceptSave,
                                    StartFolder(fallbackFolder), ProposedCueSheetName(page.header.file));
    if (path.isEmpty()) return ExportResult::Cancelled;
    return ExportCueSheetTo(owner, page, differ, remLines, path);
}

ExportResult ExportCueSheetTo(QWidget* owner, const TrackPage& page, bool performersDiffer, bool remLines,
                              const QString& path) {
    std::string error;
    if (!ExportCueSheet(page, path.toStdString(), performersDiffer, remLines, error)) {
        QMessageBox::warning(owner, QStringLiteral("Export Cue Sheet"), QString::fromStdString(error));
        return ExportResult::Failed;
    }
    SetSharedDialogFolder(QFileInfo(path).absolutePath());
    return ExportResult::Saved;
}

bool ImportCueSheetWithDialog(QWidget* owner, TrackPage& page, const QString& fallbackFolder) {
    const QString path = ChooseFile(owner, QStringLiteral("Import Cue Sheet"), QFileDialog::AcceptOpen,
                                    StartFolder(fallbackFolder), {});
    if (path.isEmpty()) return false;
    SetSharedDialogFolder(QFileInfo(path).absolutePath());
    std::string error;
    if (!ImportCueSheet(page, path.toStdString(), error)) {
        QMessageBox::warning(owner, QStringLiteral("Import Cue Sheet"), QString::fromStdString(error));
        return false;
    }
    return true;
}

}  // namespace quilto::pack::ui
