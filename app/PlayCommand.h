// Starting the external player on the selected files.
#pragma once

#include <QString>
#include <QStringList>

namespace quilto::app {

// The command line: the quoted player, its parameters when there are any,
// then each file as the quoted folder + name, in list order.
QString BuildPlayerCommandLine(const QString& player, const QString& parameters, const QString& folder,
                               const QStringList& fileNames);

// A program the options name (player, editor): the path as given when it is
// an existing executable file, else a bare name looked up on PATH; empty when
// there is none.
QString ResolveProgram(const QString& program);
inline QString ResolvePlayer(const QString& player) { return ResolveProgram(player); }

// Starts the player as its own process; failures are not reported.
bool StartPlayer(const QString& player, const QString& parameters, const QString& folder, const QStringList& fileNames);

}  // namespace quilto::app
