// What the fee payment and direct-debit rules ask the club file itself, inside their own
// write transaction: whether a payment row exists (another workstation may have stored
// one since the tables were read), and the record of a direct-debit run whose file is
// still to be put in place. The record is stored with the run's payment rows in one
// transaction and holds the file's bytes, so that a file a crash left unwritten can be
// written again, the same, at the next start.
#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QVector>

namespace ferolind {

class Connection;

// Whether the file holds a payment row of the member for the period: kind 0 (monthly)
// Jahr and Monat, 1 (quarterly) Jahr and Quartal, 2 (yearly) any row of the year. As
// PaymentIndex::IsFeePaid decides it from memory.
bool feePaymentInFile(Connection& c, int memberId, int kind, int year, int period);
// The members who have such a row, in one query (for a run over many members).
QSet<int> feePayersInFile(Connection& c, int kind, int year, int period);

// The table of run files still to be put in place.
inline const QString kRunFileTable = QStringLiteral("Lastschriftdateien");

struct PendingRunFile {
    qint64 id = 0;
    QString kind;     // "DTAUS" or "SEPA"
    QString target;   // where the file belongs
    QString staging;  // the complete copy written beside it before the commit
    QByteArray content;
    QString created;  // ISO moment of the run
};

// Stores the record (creating the table when the file has none) inside the caller's
// transaction; returns its number. Throws DataError.
qint64 addPendingRunFile(Connection& c, const PendingRunFile& file);
// Removes a record (its own transaction when none is open); a record already gone is
// no failure. Throws DataError.
void removePendingRunFile(Connection& c, qint64 id);
// Every record, oldest first; none when the file has no such table.
QVector<PendingRunFile> pendingRunFiles(Connection& c);
// Whether a record still exists; how many there are (0 without the table).
bool runFilePending(Connection& c, qint64 id);
int pendingRunFileCount(Connection& c);

}  // namespace ferolind
