#include "paymentstore.h"

#include "connection.h"

#include <QSqlQuery>

namespace ferolind {

namespace {

const QString kRead = QStringLiteral("Die Beitragszahlungen können nicht gelesen werden");
const QString kRunRead = QStringLiteral("Die offenen Lastschriftdateien können nicht gelesen werden");
const QString kRunWrite = QStringLiteral("Die Lastschriftdatei kann nicht vermerkt werden");

// The condition on the period, beside Mitgliedsnummer; the parameters it binds after the year.
QString periodCondition(int kind, int period, QVariantList& params) {
    if (kind == 0) {
        params << period;
        return QStringLiteral(" AND \"Monat\" = ?");
    }
    if (kind == 1) {
        params << period;
        return QStringLiteral(" AND \"Quartal\" = ?");
    }
    return {};
}

bool tableExists(Connection& c) {
    return !c.select(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?"), {kRunFileTable},
                     kRunRead)
                .isEmpty();
}

}  // namespace

bool feePaymentInFile(Connection& c, int memberId, int kind, int year, int period) {
    QVariantList params{memberId, year};
    const QString sql = QStringLiteral("SELECT 1 FROM betrag WHERE \"Mitgliedsnummer\" = ? AND \"Jahr\" = ?") +
                        periodCondition(kind, period, params) + QStringLiteral(" LIMIT 1");
    return !c.select(sql, params, kRead).isEmpty();
}

QSet<int> feePayersInFile(Connection& c, int kind, int year, int period) {
    QVariantList params{year};
    const QString sql = QStringLiteral("SELECT DISTINCT \"Mitgliedsnummer\" FROM betrag WHERE \"Jahr\" = ?") +
                        periodCondition(kind, period, params);
    QSet<int> payers;
    for (const QVariantList& row : c.select(sql, params, kRead))
        if (!row.value(0).isNull()) payers.insert(row.value(0).toInt());
    return payers;
}

qint64 addPendingRunFile(Connection& c, const PendingRunFile& file) {
    if (!tableExists(c))
        c.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS \"%1\" (\"ID\" INTEGER PRIMARY KEY AUTOINCREMENT, "
                              "\"Art\" TEXT, \"Ziel\" TEXT, \"Zwischendatei\" TEXT, \"Inhalt\" BLOB, \"Erstellt\" TEXT)")
                   .arg(kRunFileTable),
               {}, kRunWrite);
    const qint64 id = c.run(QStringLiteral("INSERT INTO \"%1\" (\"Art\", \"Ziel\", \"Zwischendatei\", \"Inhalt\", "
                                           "\"Erstellt\") VALUES (?, ?, ?, ?, ?)")
                                .arg(kRunFileTable),
                            {file.kind, file.target, file.staging, file.content, file.created}, kRunWrite);
    c.markChanged(kRunFileTable);
    return id;
}

void removePendingRunFile(Connection& c, qint64 id) {
    if (!tableExists(c)) return;
    Transaction tx(&c);
    c.run(QStringLiteral("DELETE FROM \"%1\" WHERE \"ID\" = ?").arg(kRunFileTable), {id},
          QStringLiteral("Die Lastschriftdatei kann nicht als geschrieben vermerkt werden"));
    c.markChanged(kRunFileTable);
    tx.commit();
}

QVector<PendingRunFile> pendingRunFiles(Connection& c) {
    QVector<PendingRunFile> files;
    if (!tableExists(c)) return files;
    const auto rows = c.select(QStringLiteral("SELECT \"ID\", \"Art\", \"Ziel\", \"Zwischendatei\", \"Inhalt\", "
                                              "\"Erstellt\" FROM \"%1\" ORDER BY \"ID\"")
                                   .arg(kRunFileTable),
                               {}, kRunRead);
    for (const QVariantList& r : rows) {
        PendingRunFile f;
        f.id = r.value(0).toLongLong();
        f.kind = r.value(1).toString();
        f.target = r.value(2).toString();
        f.staging = r.value(3).toString();
        f.content = r.value(4).toByteArray();
        f.created = r.value(5).toString();
        files.push_back(std::move(f));
    }
    return files;
}

bool runFilePending(Connection& c, qint64 id) {
    return tableExists(c) &&
           !c.select(QStringLiteral("SELECT 1 FROM \"%1\" WHERE \"ID\" = ?").arg(kRunFileTable), {id}, kRunRead).isEmpty();
}

int pendingRunFileCount(Connection& c) {
    if (!tableExists(c)) return 0;
    return c.select(QStringLiteral("SELECT COUNT(*) FROM \"%1\"").arg(kRunFileTable), {}, kRunRead).value(0).value(0).toInt();
}

}  // namespace ferolind
