// A direct-debit run's file and its payment rows as one unit across a crash. The file's
// bytes are recorded in the club file in the transaction that stores the payments, and a
// complete copy is written beside the target before that transaction commits; after the
// commit the copy is renamed over the target and the record removed. A crash before the
// commit leaves neither payments nor a new file; a crash after it leaves the record, from
// which the file is written again, the same bytes, when the club is next opened (or on
// "Datei erneut schreiben"). An earlier file of the same name stays until then.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ferolind {

class DataModule;
class Transaction;

struct RunFileOutcome {
    // A sentence for the summary when something beside the file itself is to be known
    // (an older unfinished run to the same target that this one replaces, a record that
    // could not be marked done); empty otherwise.
    QString note;
};

// Inside `tx`, after the run's rows are stored: records the file, writes the complete
// copy, commits, puts the file in place, removes the record. `kind` is "DTAUS" or "SEPA";
// `booked` whether the run stored fee payments (the messages say so only then).
// Throws DataError: before the commit with kNothingDoneText (nothing stored, no file);
// after it with what is stored and that the file is written again at the next start.
RunFileOutcome commitRunFile(DataModule& data, Transaction& tx, const QString& kind, const QString& target,
                             const QByteArray& content, bool booked);

// Writes every recorded run file not yet put in place (the same bytes), then removes its
// record; one German line per file, saying where it went or why it could not be written
// (its record then stays for the next try). No lines when there was none. Throws
// DataError only when the club file cannot be read or locked.
struct PendingRunFilesWritten {
    QStringList lines;
    int written = 0;
    int failed = 0;
};
PendingRunFilesWritten writePendingRunFiles(DataModule& data);

// Whether the club file holds a run file still to be written.
bool runFilesPending(DataModule& data);

}  // namespace ferolind
