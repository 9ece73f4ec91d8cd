// The MT940 reader (SWIFT text from online banking) on any input: it reads a
// whole statement or refuses with a German message, never half of one; what it reads
// holds amounts in the money range, dates for every entry and the account's IBAN.
#include "fuzzcheck.h"
#include "data/errors.h"
#include "payments/iban.h"
#include "statements/statement.h"

#include <cstdint>

using namespace ferolind;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    BankStatement s;
    try {
        s = readMt940Statement(bytes);
    } catch (const DataError& e) {
        FUZZ_CHECK(!e.message().isEmpty(), QStringLiteral("Ablehnung ohne Meldung"));
        try {
            (void)readStatementBytes(bytes, QStringLiteral("f"));
        } catch (const DataError& again) {
            FUZZ_CHECK(again.message().contains(QStringLiteral("nichts gebucht")), again.message());
        }
        return 0;
    }
    FUZZ_CHECK(!s.iban.isEmpty(), QStringLiteral("Auszug ohne IBAN"));
    FUZZ_CHECK(moneyInRange(s.opening) && moneyInRange(s.closing), QStringLiteral("Saldo außerhalb"));
    for (const StatementEntry& e : s.entries) {
        FUZZ_CHECK(e.amount >= 0 && moneyInRange(e.amount), QStringLiteral("Betrag %1").arg(e.amount));
        FUZZ_CHECK(e.charges >= 0 && moneyInRange(e.charges), QStringLiteral("Gebühr %1").arg(e.charges));
        FUZZ_CHECK(e.bookingDate.isValid(), QStringLiteral("Posten ohne Buchungsdatum"));
        FUZZ_CHECK(e.counterpartyIban.isEmpty() || !e.counterpartyIban.contains(u' '), e.counterpartyIban);
        (void)returnReasonText(e.returnReason);
    }
    return 0;
}
