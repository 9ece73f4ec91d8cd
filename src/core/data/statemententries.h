// What the bank statement import reads from and writes to the club file inside its
// write transaction: the entries imported before (by reference or fingerprint, club-wide,
// so that no workstation books an entry twice) and the fee payment rows of a member.
#pragma once

#include <QDate>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

namespace ferolind {

class Connection;

// The table of imported entries. It is created by the first import that books, inside
// that import's transaction, so a file that is only looked at stays as it was.
inline const QString kImportedEntriesTable = QStringLiteral("Kontoauszugsposten");

// Of the keys, those the file holds already (none when the table does not exist yet).
QSet<QString> importedEntryKeys(Connection& connection, const QStringList& keys);
// Records the keys (table created when missing). A key the file holds already makes the
// engine refuse the insert: throws DataError, and the caller's transaction rolls back.
void recordImportedEntries(Connection& connection, const QStringList& keys, const QString& statement,
                           const QDate& importDay);

struct StoredFeePayment {
    qint64 rowKey = 0;  // "ID" of the row in "Betrag"
    int year = 0, month = 0, quarter = 0;
};
// Every fee payment row of the members as the file holds it now, per member, newest
// period first (one pass over the table, however many members).
QHash<int, QVector<StoredFeePayment>> storedFeePaymentsOf(Connection& connection, const QList<int>& members);

}  // namespace ferolind
