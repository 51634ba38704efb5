#include "app/PlayCommand.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace quilto::app {

QString BuildPlayerCommandLine(const QString& player, const QString& parameters, const QString& folder,
                               const QStringList& fileNames) {
    QString line = QLatin1Char('"') + player + QLatin1Char('"');
    if (!parameters.isEmpty()) line += QLatin1Char(' ') + parameters;
    const QString base = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    for (const QString& name : fileNames) line += QStringLiteral(" \"") + base + name + QLatin1Char('"');
    return line;
}

QString ResolveProgram(const QString& program) {
    if (program.isEmpty()) return {};
    const QFileInfo info(program);
    if (info.isFile() && info.isExecutable()) return info.absoluteFilePath();
    if (program.contains(QLatin1Char('/'))) return {};
    return QStandardPaths::findExecutable(program);
}

bool StartPlayer(const QString& player, const QString& parameters, const QString& folder, const QStringList& fileNames) {
    const QString program = ResolvePlayer(player);
    if (program.isEmpty() || fileNames.isEmpty()) return false;
    QStringList arguments = QProcess::splitCommand(BuildPlayerCommandLine(program, parameters, folder, fileNames));
    if (arguments.isEmpty()) return false;
    arguments.removeFirst();
    return QProcess::startDetached(program, arguments);
}

}  // namespace quilto::app
