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

QVector<StoredFeePayment> storedFeePaymentsOf(Connection& connection, int memberId) {
    const QVector<QVariantList> rows = connection.select(
        QStringLiteral("SELECT \"ID\", \"Jahr\", \"Monat\", \"Quartal\" FROM \"betrag\" WHERE \"Mitgliedsnummer\" = ?"),
        {memberId}, QStringLiteral("Die Beitragszahlungen des Mitglieds"));
    QVector<StoredFeePayment> out;
    for (const QVariantList& r : rows)
        out.append({r.value(0).toLongLong(), r.value(1).toInt(), r.value(2).toInt(), r.value(3).toInt()});
    std::sort(out.begin(), out.end(), [](const StoredFeePayment& a, const StoredFeePayment& b) {
        return std::tie(b.year, b.month, b.quarter, b.rowKey) < std::tie(a.year, a.month, a.quarter, a.rowKey);
    });
    return out;
}

}  // namespace ferolind
