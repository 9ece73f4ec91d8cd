#include "journal.h"

#include "connection.h"

namespace ferolind {

QVector<JournalSum> journalSums(Connection& connection) {
    const QVector<QVariantList> rows = connection.select(
        QStringLiteral("SELECT \"Bestandskonto\", \"SollHaben\", SUM(\"Betrag\") FROM \"buchung\" "
                       "WHERE \"Bestandskonto\" IS NOT NULL AND \"Betrag\" IS NOT NULL GROUP BY 1, 2"),
        {}, QStringLiteral("Die Buchungen können nicht summiert werden"));
    QVector<JournalSum> sums;
    sums.reserve(rows.size());
    for (const QVariantList& r : rows) sums.append({r[0].toString(), r[1].toString(), r[2].toLongLong()});
    return sums;
}

}  // namespace ferolind
