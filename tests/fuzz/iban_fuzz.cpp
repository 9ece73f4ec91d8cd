// The typed texts of the SEPA run on any input: the IBAN field of the member entry (a
// text is taken as bank code and account number or refused with a message, never both;
// what is taken gives back the very IBAN typed), the creditor identifier, and a mandate
// date typed into a free field (a date read reads back from its own text).
#include "fuzzcheck.h"
#include "payments/iban.h"
#include "payments/ibanentry.h"
#include "payments/separun.h"

#include "data/values.h"

#include <cstdint>

using namespace ferolind;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString compact = compactIban(text);
    FUZZ_CHECK(compactIban(groupedIban(compact)) == compact, QStringLiteral("Gruppieren ändert '%1'").arg(compact));

    const TypedIban typed = readTypedIban(text);
    FUZZ_CHECK(typed.account.has_value() != !typed.message.isEmpty() || compact.isEmpty(),
               QStringLiteral("übernommen und abgelehnt zugleich (oder keins von beiden): '%1'").arg(text));
    if (typed.account) {
        const std::optional<QString> again = germanIban(typed.account->bankCode, typed.account->account);
        FUZZ_CHECK(again.has_value(), QStringLiteral("keine IBAN aus dem Übernommenen: '%1'").arg(text));
        FUZZ_CHECK(*again == compact, QStringLiteral("'%1' wird zu '%2'").arg(compact, *again));
        FUZZ_CHECK(ibanFieldText(typed.account->bankCode, QString::number(typed.account->account)) == groupedIban(compact),
                   QStringLiteral("das Feld zeigt eine andere IBAN: '%1'").arg(text));
    }
    if (ibanValid(text)) {
        FUZZ_CHECK(compact.size() >= 15 && compact.size() <= 34, QStringLiteral("gültig mit Länge %1").arg(compact.size()));
        const int digits = compact.mid(2, 2).toInt();
        FUZZ_CHECK(digits >= 2 && digits <= 98, QStringLiteral("Prüfziffern %1 gelten als gültig").arg(digits));
    }
    const QDate mandate = mandateDateOf(text);
    if (mandate.isValid()) {
        FUZZ_CHECK(mandateDateOf(dateToText(mandate)) == mandate,
                   QStringLiteral("Mandatsdatum '%1' liest sich nicht zurück").arg(text));
        (void)collectionDateProblem(mandate, QDate(2026, 3, 10));
    }
    if (creditorIdValid(text)) FUZZ_CHECK(compact.size() >= 8 && compact.size() <= 35, QStringLiteral("Gläubiger-ID"));
    return 0;
}
