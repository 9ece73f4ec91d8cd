// The print commands of ferolind-cli for donation receipts and address labels, and the
// birthday and jubilee selection of the members, over the same core as the screens.
#pragma once

#include <QDate>
#include <QStringList>
#include <QTextStream>

namespace ferolind {

class Session;

// Runs "print receipt" and "print labels"; false for any other command. Throws
// DataError (German) on refusal; no file is left half-written.
bool runCertificateCommand(Session& session, const QString& command, const QString& sub, const QStringList& args,
                           QTextStream& out);

// The member filter of "members jubilees (--today|--month|--quarter|--years N,N,... [--by-entry])".
QString jubileeCommandFilter(const QStringList& args, const QDate& today);

QString certificateCommandsUsage();

}  // namespace ferolind
