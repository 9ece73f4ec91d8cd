// "statements import" of ferolind-cli: the proposals for a bank statement as a table, and
// with --yes the booking of them.
#pragma once

#include <QStringList>
#include <QTextStream>

namespace ferolind {

class Session;
// Runs "statements import"; false when the command is not it. Throws DataError (German)
// for an unreadable or foreign file, a wrong option or a refused booking: then nothing is booked.
bool runStatementCommand(Session& session, const QString& command, const QString& sub, const QStringList& args,
                         QTextStream& out, bool& changed);

QString statementCommandsUsage();

}  // namespace ferolind
