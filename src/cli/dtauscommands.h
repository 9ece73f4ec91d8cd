// The DTAUS commands of ferolind-cli: an exchange file from payments read on standard
// input ("dtaus write", no database needed) and the direct-debit run over the members
// ("dtaus run"), as the program's screen does it.
#pragma once

#include <QStringList>
#include <QTextStream>

namespace ferolind {

class Session;

// "dtaus write ARGS": payment lines from `in` (see parseDtausPaymentLine). Throws
// DataError (German) on refusal; then no file is written (an earlier one stays).
void runDtausWrite(const QStringList& args, QTextStream& in, QTextStream& out);

// Runs "dtaus run"; false when the command is not it. Throws DataError on refusal.
bool runDtausCommand(Session& session, const QString& command, const QString& sub, const QStringList& args,
                     QTextStream& out);

// The lines of the usage text for these commands.
QString dtausCommandsUsage();

}  // namespace ferolind
