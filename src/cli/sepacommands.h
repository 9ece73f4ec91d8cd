// The SEPA commands of ferolind-cli: the German IBAN of a bank code and account number
// and the check of any IBAN (no database needed), and the SEPA run over the members.
#pragma once

#include <QStringList>
#include <QTextStream>

namespace ferolind {

// "iban BLZ KONTO" prints the IBAN; "iban check IBAN" returns whether it is valid, the
// German reason going to `err`. Throws DataError for a call of another form.
bool runIbanCommand(const QStringList& args, QTextStream& out, QTextStream& err);

class Session;
// Runs "sepa write"; false when the command is not it. Throws DataError on refusal.
bool runSepaCommand(Session& session, const QString& command, const QString& sub, const QStringList& args,
                    QTextStream& out);

QString sepaCommandsUsage();

}  // namespace ferolind
