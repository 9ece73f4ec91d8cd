// The direct-debit run: every direct-debit member of the member dataset becomes one
// payment of the DTAUS file (the fee of the member's class, drawn from the member's
// account in favour of the club's), and the fee payment of a chosen period can be
// recorded for all of them. The screen "Datenträgeraustausch" and ferolind-cli call it.
//
// Every member is checked before anything is written; then the payment rows, the run's
// record and the file are stored as one unit (runfiles.h), who has paid being read from
// the club file under its write lock. A run that stops on a bad member writes no file
// and records no payment, and the writer is ready for the next run.
#pragma once

#include "data/values.h"
#include "fees/feepayments.h"
#include "printing/memberlistlayout.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace ferolind {

class DtausWriter;
class Session;

// The messages of the sender checks and of the bank code field.
namespace dtausrunmsg {
inline const QString SenderName = QStringLiteral("Auftraggeber-Kontoinhaber nicht angeben");
inline const QString SenderBankCode = QStringLiteral("Auftraggeber-BLZ fehlerhaft");
inline const QString SenderAccount = QStringLiteral("Auftraggeber-Kontonummer fehlerhaft");
inline const QString BankCodeField = QStringLiteral("Bitte eine korrekte BLZ (ohne Leerstellen) eingeben!");
inline const QString NoTarget = QStringLiteral("Bitte die Zieldatei angeben (Ordner und Dateiname).");
}  // namespace dtausrunmsg

// "Ä" → "Ae", "Ö" → "Oe", "Ü" → "Ue", "ä" → "ae", "ö" → "oe", "ü" → "ue", "ß" → "ss".
QString replaceUmlauts(const QString& text);

// The whole number of a typed text (see isWholeNumberText); none for any other text.
std::optional<qint64> wholeNumberOf(const QString& text);
// Whether a typed text is a whole number: digits with an optional sign, nothing else
// (no blanks), within 64 bits.
bool isWholeNumberText(const QString& text);
// The bank code field on leaving it: empty or a whole number.
bool bankCodeFieldAcceptable(const QString& text);

// The target path split into the writer's folder and file name; the file name alone
// decides the character mode ("DTAUS0…" DIN 66003, any other code page 437).
struct DtausTarget {
    QString folder;
    QString fileName;
};
DtausTarget splitDtausTarget(const QString& path);

// The sender as typed on the screen.
struct DtausSender {
    QString name;
    QString bankCode;
    QString account;
};
// Throws DataError with the first failed check's message: the holder must not be empty,
// the bank code a whole number from 10000000 to 99999999, the account number one from
// 10 to 9999999999.
void checkDtausSender(const DtausSender& sender);

struct DtausRunInput {
    QString target;            // full path of the file to write
    DtausSender sender;
    QString purpose;           // the purpose text of every payment
    QDateTime executionDate;   // invalid: none
    bool recordPayments = false;
    int periodKind = 0;        // the club's payment period kind
    QString yearText;          // the year and month/quarter boxes as typed
    QString periodText;
    // Members who left before the execution date (today without one) are left out unless set.
    bool includeFormerMembers = false;
};

struct DtausRunResult {
    int payments = 0;          // C records written
    Money amount = 0;          // their sum
    int recorded = 0;          // fee payment rows stored
    QStringList alreadyPaid;   // members left out: they had paid the period already
    QStringList formerMembers; // members left out: they left before the execution date
    QString path;              // the file written
    QString note;              // for the summary: see RunFileOutcome
};

// The run over the presented members of the member dataset (in its filter and order)
// whose "DTAUS" is true. With `recordPayments`, a member who has paid the period
// already is left out of the file and named in `alreadyPaid`; when that leaves nobody,
// the run is refused. Throws DataError (German; a member's refusal names the member) and
// then has written and recorded nothing; the writer's run is closed either way.
DtausRunResult runDtaus(Session& session, DtausWriter& writer, const DtausRunInput& input);

// The German summary of a finished run for the screen and the command line.
QString dtausRunSummary(const DtausRunResult& result);

// The year box: the eleven years from `today`'s year minus 5 to plus 5, ascending.
QStringList dtausYearItems(const QDate& today);

// "Liste drucken": the bank-data columns of the member list on, the address, contact,
// date and free columns off; "Status" keeps `status`.
std::array<bool, printing::kMemberPrintColumns> dtausListColumns(bool status);

// One payment line of `ferolind-cli dtaus write`: name, bank code, account number,
// amount (German decimal comma), then any number of purpose lines, separated by tabs.
struct DtausPaymentLine {
    QString name;
    qint64 bankCode = 0;
    qint64 account = 0;
    Money amount = 0;
    QStringList purpose;
};
// Throws DataError naming the line number for a line that is not of this form.
DtausPaymentLine parseDtausPaymentLine(const QString& line, int lineNumber);

}  // namespace ferolind
