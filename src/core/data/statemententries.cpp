#include "statemententries.h"

#include "connection.h"
#include "errors.h"

#include <algorithm>

namespace ferolind {

namespace {

bool tableExists(Connection& c) {
    const QVector<QVariantList> rows =
        c.select(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?"),
                 {kImportedEntriesTable}, QStringLiteral("Die Liste der eingelesenen Kontoauszugsposten"));
    return !rows.isEmpty() && rows.first().value(0).toInt() > 0;
}

}  // namespace

QSet<QString> importedEntryKeys(Connection& connection, const QStringList& keys) {
    QSet<QString> found;
    if (keys.isEmpty() || !tableExists(connection)) return found;
    const QString sql = QStringLiteral("SELECT count(*) FROM \"%1\" WHERE \"Schluessel\" = ?").arg(kImportedEntriesTable);
    for (const QString& k : keys)
        if (connection.run(sql, {k}, QStringLiteral("Die Liste der eingelesenen Kontoauszugsposten")) > 0) found.insert(k);
    return found;
}

void recordImportedEntries(Connection& connection, const QStringList& keys, const QString& statement,
                           const QDate& importDay) {
    const QString what = QStringLiteral("Die eingelesenen Kontoauszugsposten");
    connection.run(QStringLiteral("CREATE TABLE IF NOT EXISTS \"%1\" (\"Schluessel\" TEXT PRIMARY KEY NOT NULL, "
                                  "\"Auszug\" TEXT, \"Eingelesen\" DATE)")
                       .arg(kImportedEntriesTable),
                   {}, what);
    const QString sql = QStringLiteral("INSERT INTO \"%1\" (\"Schluessel\", \"Auszug\", \"Eingelesen\") VALUES (?, ?, ?)")
                            .arg(kImportedEntriesTable);
    for (const QString& k : keys)
        connection.run(sql, {k, statement.isEmpty() ? QVariant() : QVariant(statement), importDay}, what);
}

QHash<int, QVector<StoredFeePayment>> storedFeePaymentsOf(Connection& connection, const QList<int>& members) {
    QHash<int, QVector<StoredFeePayment>> out;
    if (members.isEmpty()) return out;
    QStringList marks;
    QVariantList params;
    for (int m : members) {
        marks << QStringLiteral("?");
        params << m;
    }
    // Bound in groups: the engine takes a limited number of parameters per statement.
    constexpr int kGroup = 500;
    for (int from = 0; from < members.size(); from += kGroup) {
        const int n = std::min(kGroup, int(members.size()) - from);
        const QVector<QVariantList> rows = connection.select(
            QStringLiteral("SELECT \"ID\", \"Jahr\", \"Monat\", \"Quartal\", \"Mitgliedsnummer\" FROM \"betrag\" "
                           "WHERE \"Mitgliedsnummer\" IN (%1)")
                .arg(marks.mid(from, n).join(u',')),
            params.mid(from, n), QStringLiteral("Die Beitragszahlungen der Mitglieder"));
        for (const QVariantList& r : rows)
            out[r.value(4).toInt()].append(
                {r.value(0).toLongLong(), r.value(1).toInt(), r.value(2).toInt(), r.value(3).toInt()});
    }
    for (QVector<StoredFeePayment>& list : out)
        std::sort(list.begin(), list.end(), [](const StoredFeePayment& a, const StoredFeePayment& b) {
            return std::tie(b.year, b.month, b.quarter, b.rowKey) < std::tie(a.year, a.month, a.quarter, a.rowKey);
        });
    return out;
}

}  // namespace ferolind
