// The SEPA commands of ferolind-cli that need no database: the German IBAN of a bank code
// and account number, and the check of any IBAN.
#pragma once

#include <QStringList>
#include <QTextStream>

namespace ferolind {

// "iban BLZ KONTO" prints the IBAN; "iban check IBAN" returns whether it is valid, the
// German reason going to `err`. Throws DataError for a call of another form.
bool runIbanCommand(const QStringList& args, QTextStream& out, QTextStream& err);

QString sepaCommandsUsage();

}  // namespace ferolind
