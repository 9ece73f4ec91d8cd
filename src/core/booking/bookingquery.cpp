#include "bookingquery.h"

#include "data/dataset.h"
#include "data/errors.h"
#include "data/filter.h"

namespace ferolind {

QString bookingQueryFilter(const BookingCriteria& c) {
    QStringList clauses;
    auto clause = [&](const QString& value, const char* field) {
        if (!value.isEmpty()) clauses << QString::fromLatin1(field) + QStringLiteral(" = ") + quoteFilterText(value);
    };
    clause(c.text, "Buchungstext");
    clause(c.category, "Kategorie");
    clause(c.payee, "[Empfaenger/Absender]");
    clause(c.account, "Bestandskonto");
    // The last day counts whole: a booking with a time of day on it is no later than that day.
    clauses << QStringLiteral("Datum >= ") + quoteFilterText(dateToText(c.from)) + QStringLiteral(" and Datum < ") +
                   quoteFilterText(dateToText(c.to.addDays(1)));
    return clauses.join(QStringLiteral(" and "));
}

Money bookingNetSum(const Dataset& bookings) {
    const int fAmount = bookings.field(QStringLiteral("Betrag")), fDirection = bookings.field(QStringLiteral("SollHaben"));
    Money sum = 0;
    for (int p = 0; p < bookings.recordCount(); ++p) {
        const RowRef r = bookings.rowAt(p);
        const Money amount = r[fAmount].toLongLong();
        sum += r[fDirection].toString() == u"A" ? -amount : amount;
        // Both terms lie within the range of an amount, so the step itself cannot overflow.
        if (!moneyInRange(sum)) throw DataError(QStringLiteral("Die Summe der Buchungen ist zu groß für die Anzeige."));
    }
    return sum;
}

QString bookingSumText(Money sum) { return QStringLiteral("Summe: ") + moneyToCurrency(sum); }

DateBounds bookingDateBounds(const Dataset& bookings) {
    DateBounds b;
    const int fDate = bookings.field(QStringLiteral("Datum"));
    for (int i = 0; i < bookings.totalCount(); ++i) {
        const QVariant v = bookings.recordAt(i)[fDate];
        if (v.isNull()) continue;
        const QDate d = toDateTime(v).date();
        if (!b.earliest.isValid() || d < b.earliest) b.earliest = d;
        if (!b.latest.isValid() || d > b.latest) b.latest = d;
    }
    return b;
}

}  // namespace ferolind
