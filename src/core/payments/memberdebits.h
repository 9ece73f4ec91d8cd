// The step both direct-debit runs share (DTAUS and SEPA): the presented members of the
// member dataset whose "DTAUS" is true, each with the fee of the member's class, the
// members who have paid the period already left out; and afterwards the fee payment rows
// of the collected members stored in one transaction with the file.
#pragma once

#include "data/columnstore.h"
#include "data/field.h"
#include "data/values.h"
#include "fees/feepayments.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

namespace ferolind {

class Connection;
class DataModule;
class Session;
class Transaction;

// The end of every refusal of a run.
inline const QString kNothingDoneText = QStringLiteral("\nEs wurde keine Datei erstellt und kein Beitrag gebucht.");

// A direct-debit member the run can take.
struct MemberDebit {
    int memberId = 0;
    QString who;          // as messages name it: "Nr. 12 (Anna Berg)"
    Money fee = 0;
    qint64 bankCode = 0;  // 0: none
    qint64 account = 0;
    QString holder;       // Kontoinhaber as stored
};

struct MemberDebits {
    QVector<MemberDebit> debits;
    QStringList alreadyPaid;    // left out: they had paid the period already
    QStringList formerMembers;  // left out: they left before the collection date
    Money amount = 0;         // the sum of the debits' fees
};

// Goes through the presented members (in the dataset's filter and order) whose "DTAUS"
// is true. A member without number or fee class, or whose account number is no whole
// number, goes to `refuse(who, why)`; so does one that `take` refuses by returning a
// reason. `take` is called for every member that can be debited (with `period`, after
// leaving out those who have paid it already), with its row for further fields. `refuse`
// may throw to stop at the first; when it returns, the member is left out.
//
// A member whose leaving date (AustrittDatum) lies before the collection date is no
// longer a member on that day: the bank would return the debit with fees. Such members
// are left out and listed in `formerMembers`, unless `includeFormerMembers` puts them
// back (the one tick of the run's screen). A member leaving on the collection date
// itself is debited.
struct DebitSelection {
    QDate collectionDate;  // null: the member rules' today
    bool includeFormerMembers = false;
};
MemberDebits collectMemberDebits(Session& session, const FeePeriod* period,
                                 const std::function<QString(const MemberDebit&, const RowRef&)>& take,
                                 const std::function<void(const QString& who, const QString& why)>& refuse,
                                 const DebitSelection& selection = {});

// Throws when recording left nobody because every member had paid already.
void refuseWhenAllPaid(const MemberDebits& collected);

// The summary's line on the members left out ("Nicht eingezogen, …"); empty for none.
QString alreadyPaidNote(const QStringList& alreadyPaid);
// The summary's line on the former members left out; empty for none.
QString formerMembersNote(const QStringList& formerMembers);

// Opens the transaction (the file's write lock), and with `period` first asks the file
// which collected members have paid it meanwhile (another workstation's run or payment):
// they leave `collected.debits` for `collected.alreadyPaid`, and when nobody is left the
// run is refused. Stores the fee payment row of every remaining debit, then hands the
// open transaction to `finish` (`changed`: members were left out, so a file made from the
// first list is out of date), which writes the file and commits. A refused row names its
// member and leaves nothing stored. Returns the rows stored.
int storeFeePaymentsWith(DataModule& data, MemberDebits& collected, const FeePeriod* period,
                         const std::function<void(Transaction&, bool changed)>& finish);

// Suspends the displays of the shared datasets while a run goes through them.
struct DisplaysQuiet {
    DataModule& data;
    explicit DisplaysQuiet(DataModule& d);
    ~DisplaysQuiet();
};

}  // namespace ferolind
