// Starting the external player on the selected files.
#pragma once

#include <QString>
#include <QStringList>

namespace quilto::app {

// The command line: the quoted player, its parameters when there are any,
// then each file as the quoted folder + name, in list order.
QString BuildPlayerCommandLine(const QString& player, const QString& parameters, const QString& folder,
                               const QStringList& fileNames);

// The player's program: the path as given when it is an existing file, else
// the name looked up on PATH; empty when there is none.
QString ResolvePlayer(const QString& player);

// Starts the player as its own process; failures are not reported.
bool StartPlayer(const QString& player, const QString& parameters, const QString& folder, const QStringList& fileNames);

}  // namespace quilto::app
