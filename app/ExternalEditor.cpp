#include "app/ExternalEditor.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QWidget>

#include <cerrno>
#include <cstring>

#include "app/QtText.h"
#include "app/Settings.h"
#include "app/TagDialogs.h"

namespace quilto::app {

namespace {

const QString kEditorCaption = QStringLiteral("Editor");
// An editor that is back this soon without a change was most likely only
// handed the file (a launcher, or a program already running).
constexpr qint64 kQuickReturnMs = 2000;

// The exchange file holds the user's tag texts: it lives in a folder only
// the user can enter, so that nobody else can read it or slip in a link.
bool MakePrivateFolder(const QString& folder, QString& error) {
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid()) {
        error = QObject::tr("it is not a folder of this user");
        return false;
    }
    if ((info.st_mode & 0777) != 0700 && ::chmod(path.constData(), 0700) != 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
}

QByteArray ReadFile(const QString& path, bool& ok) {
    QFile file(path);
    ok = file.open(QIODevice::ReadOnly);
    return ok ? file.readAll() : QByteArray();
}

}  // namespace

QString ExchangeFolder() {
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty() || !QDir(base).exists()) {
        base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
        QDir().mkpath(base);
    }
    return base + QStringLiteral("/quilto");
}

const std::vector<KnownEditor>& KnownEditors() {
    static const std::vector<KnownEditor> editors = {
        {"gnome-text-editor", "--standalone"}, {"gedit", "--wait"},  {"xed", "--wait"},
        {"pluma", "--wait"},                   {"kate", "--block"}, {"kwrite", "--block"},
        {"geany", "--new-instance"},
    };
    return editors;
}

namespace {

QStringList BlockingArguments(const QString& program) {
    const QString name = QFileInfo(program).fileName();
    for (const KnownEditor& editor : KnownEditors()) {
        if (name == QLatin1String(editor.name)) return {QString::fromLatin1(editor.blockingArgument)};
    }
    return {};
}

}  // namespace

EditorCommand DefaultEditor() {
    for (const KnownEditor& editor : KnownEditors()) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(editor.name));
        if (!found.isEmpty()) return {found, {QString::fromLatin1(editor.blockingArgument)}};
    }
    return {};
}

EditorCommand EditorProgram(const GeneralOptions& options) {
    if (!options.editor.empty()) {
        const QString program = ToQString(options.editor);
        return {program, BlockingArguments(program)};
    }
    EditorCommand command = DefaultEditor();
    if (command.program.isEmpty()) command.program = QStringLiteral("xdg-open");
    return command;
}

void RunExternalEditor(QWidget* window, const GeneralOptions& options, TagDialogs& dialogs, const std::string& text,
                       const std::function<bool(const std::string&, std::string&)>& readBack) {

    const QString folder = ExchangeFolder();
    QString error;
    if (!MakePrivateFolder(folder, error)) {
        dialogs.showError(window, QObject::tr("The folder %1 for the editor's file cannot be used: %2").arg(folder, error),
                          kEditorCaption);
        return;
    }
    const QString path = folder + QLatin1Char('/') + QString::fromLatin1(kExchangeFileName.data(), static_cast<qsizetype>(kExchangeFileName.size()));
    const QByteArray written = QByteArray::fromStdString(text);
    {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(written) != written.size() || !file.commit()) {
            dialogs.showError(window, QObject::tr("The file %1 for the editor could not be written: %2").arg(path, file.errorString()),
                              kEditorCaption);
            return;
        }
    }

    const EditorCommand command = EditorProgram(options);
    const QString& program = command.program;
    QProcess editor;
    editor.setProgram(program);
    editor.setArguments(command.arguments + QStringList{path});
    QEventLoop wait;
    QObject::connect(&editor, &QProcess::finished, &wait, &QEventLoop::quit);
    QObject::connect(&editor, &QProcess::errorOccurred, &wait, [&wait](QProcess::ProcessError failure) {
        if (failure == QProcess::FailedToStart) wait.quit();
    });
    QElapsedTimer running;
    running.start();
    // Disabled, the window still repaints while the editor runs.
    window->setEnabled(false);
    editor.start();
    if (editor.state() != QProcess::NotRunning) wait.exec();
    window->setEnabled(true);
    window->raise();
    window->activateWindow();
    if (editor.error() == QProcess::FailedToStart) {
        dialogs.showError(window, QObject::tr("The editor \"%1\" could not be started: %2").arg(program, editor.errorString()),
                          kEditorCaption);
        return;
    }

    bool readable = false;
    QByteArray edited = ReadFile(path, readable);
    if (readable && edited == written && running.elapsed() < kQuickReturnMs) {
        if (!dialogs.finishedEditing(window)) return;
        edited = ReadFile(path, readable);
    }
    if (!readable) {
        dialogs.showError(window, QObject::tr("The file %1 could not be read back.").arg(path), kEditorCaption);
        return;
    }
    std::string refused;
    if (!readBack(edited.toStdString(), refused)) dialogs.showError(window, ToQString(refused), kEditorCaption);
}

}  // namespace quilto::app
