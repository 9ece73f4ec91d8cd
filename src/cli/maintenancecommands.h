// The maintenance commands of ferolind-cli: a backup set written into a folder, read back
// from one, and the program reset. "--yes" answers the screen's questions; without it
// nothing changes.
#pragma once

#include <QStringList>
#include <QTextStream>

namespace ferolind {

class Session;

// Runs "backup DIR", "restore DIR [--yes]" and "reset [--yes]"; false when the command is
// none of them. `sub` is the word after the command. Throws DataError (German) on refusal.
bool runMaintenanceCommand(Session& session, const QString& command, const QString& sub, const QStringList& args,
                           QTextStream& out);

// The lines of the usage text for these commands.
QString maintenanceCommandsUsage();

}  // namespace ferolind
