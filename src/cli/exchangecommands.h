// The data exchange commands of ferolind-cli: member and booking exports to CSV, TXT,
// HTML and xlsx, and the member import from delimited text, workbooks and database files.
#pragma once

#include <QStringList>
#include <QTextStream>

namespace ferolind {

class Session;

// Runs "members export", "bookings export" and "members import"; false when the command
// is none of them. `changed` is set when the last numbers must be written back. Throws
// DataError (German) on refusal.
bool runExchangeCommand(Session& session, const QString& command, const QString& sub, const QStringList& args,
                        QTextStream& out, bool& changed);

// The lines of the usage text for these commands.
QString exchangeCommandsUsage();

}  // namespace ferolind
