// The fee commands of ferolind-cli: a fee payment stored (with its income booking through
// the booking rules on request) and the members in arrears for a period.
#pragma once

#include <QStringList>
#include <QTextStream>

namespace ferolind {

class Session;

// Runs "fees pay" and "fees arrears"; false when the command is neither. `changed` is set
// when the last numbers must be written back. Throws DataError (German) on refusal;
// nothing is half-written.
bool runFeeCommand(Session& session, const QString& command, const QString& sub, const QStringList& args,
                   QTextStream& out, bool& changed);

// The lines of the usage text for these commands.
QString feeCommandsUsage();

}  // namespace ferolind
