// The booking commands of ferolind-cli: bookings through the booking rules, transfers,
// balances, their recomputation and the year-end closing.
#pragma once

#include <QStringList>
#include <QTextStream>

namespace ferolind {

class Session;

// Runs "bookings add|edit|delete|transfer|close-year" and "balances [recompute]"; false
// when the command is none of these. `changed` is set when the last numbers must be
// written back. Throws DataError (German) on refusal; nothing is half-written.
bool runBookingCommand(Session& session, const QString& command, const QString& sub, const QStringList& args,
                       QTextStream& out, bool& changed);

// The lines of the usage text for these commands.
QString bookingCommandsUsage();

}  // namespace ferolind
