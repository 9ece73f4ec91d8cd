#include "sepacommands.h"

#include "data/errors.h"
#include "payments/dtausrun.h"
#include "payments/iban.h"

namespace ferolind {

QString sepaCommandsUsage() {
    return QStringLiteral(
        "  iban BLZ KONTO                         die deutsche IBAN zu Bankleitzahl und Kontonummer\n"
        "  iban check IBAN                        prüft eine IBAN (Exit-Status 0: gültig)\n");
}

bool runIbanCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.size() == 2 && args[0] == u"check") {
        const QString problem = ibanProblem(args[1]);
        if (problem.isEmpty()) {
            out << groupedIban(args[1]) << '\n';
            return true;
        }
        err << problem << '\n';
        return false;
    }
    if (args.size() != 2 || !isWholeNumberText(args[0]) || !isWholeNumberText(args[1]))
        throw DataError(QStringLiteral("Aufruf: ferolind-cli iban BLZ KONTO | ferolind-cli iban check IBAN"));
    const std::optional<QString> iban = germanIban(args[0].toLongLong(), args[1].toLongLong());
    if (!iban)
        throw DataError(QStringLiteral("Die Bankleitzahl muss acht Ziffern haben und die Kontonummer bis zu zehn."));
    out << *iban << '\n';
    return true;
}

}  // namespace ferolind
