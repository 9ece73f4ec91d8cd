// The bank statement import: every entry gets a proposal (a return of one of our own
// direct debits, a member's fee for one or more periods, or a plain booking with the
// category learned from earlier bookings of the same counterparty), the user confirms or
// changes them, and the confirmed ones are booked in one transaction. Entries imported
// before (same bank reference, or same day, amount, counterparty and text) are never
// booked again, whichever workstation imported them.
#pragma once

#include "fees/feepayments.h"
#include "statements/statement.h"

#include <QVector>

namespace ferolind {

class Session;

enum class ProposalKind {
    Fee,          // fee payments for `periods`, each with its income booking
    Return,       // a returned direct debit: the payment is reversed, return and fee booked as expenses
    Booking,      // a plain income or expense booking
    Imported,     // imported before: nothing is booked
    NotBooked,    // the bank has not booked the entry (pending, information): nothing is booked
};

enum class Decision {
    Accept,       // book as proposed
    Plain,        // book as a plain booking instead (a fee or return taken as ordinary money)
    Reject,       // leave out
};

struct Proposal {
    int entry = 0;                 // index into the statement's entries
    ProposalKind kind = ProposalKind::Booking;
    Decision decision = Decision::Accept;
    int certainty = 0;             // percent
    QString reason;                // why, in German
    int memberId = 0;
    QString memberName;
    QVector<FeePeriod> periods;    // Fee: the periods paid
    Money feePerPeriod = 0;
    qint64 paymentRow = 0;         // Return: the fee payment row reversed (0: none found)
    QString reversedPeriod;        // Return: its period as text
    QString payee, text, category; // Booking (also what Plain books)
};

struct StatementMatch {
    BankStatement statement;
    QString account;               // the asset account the entries are booked on (may be empty)
    bool accountRemembered = false;// the account came from an earlier import of this IBAN
    QVector<Proposal> proposals;   // one per entry, in the statement's order
    QVector<QStringList> keys;     // per entry: its reference and fingerprint keys
};

// The settings entry that remembers the asset account of an IBAN.
QString statementAccountEntry(const QString& iban);

// Reads nothing from outside: proposes for every entry of `statement`. `account` (may
// be empty) overrides the remembered account of the statement's IBAN.
StatementMatch matchStatement(Session& session, const BankStatement& statement, const QString& account = {});

// The user names the member an incoming entry is from: the proposal becomes that member's
// fee for its next unpaid periods (those other proposals of the statement take are left
// out). Throws DataError (German) when there is no such member or the amount is not its
// fee or a multiple of it; then the proposal stays as it was.
void assignMember(Session& session, StatementMatch& match, int index, int memberId);

// The match line texts for lists and the CLI table.
QString proposalKindText(const Proposal& p);
QString entryText(const StatementEntry& e);

struct StatementBooking {
    int fees = 0;                  // fee payment rows recorded
    int bookings = 0;              // bookings stored
    int returns = 0;               // payments reversed
    int skipped = 0;               // entries found imported meanwhile (another workstation)
    Money balance = 0;             // the account's balance after the import
    bool hasClosing = false;
    Money closing = 0;             // the statement's closing balance
    Money difference() const { return closing - balance; }
};

// Books the accepted proposals in one transaction, records every booked entry as
// imported and remembers the account of the IBAN. Throws DataError (German) and then has
// stored nothing: no account, an unlisted account, a refused booking or payment.
StatementBooking bookStatement(Session& session, const StatementMatch& match);

// "Der Schlusssaldo ... stimmt mit ... überein" or the difference, in German.
QString balanceComparisonText(const StatementBooking& b, const QString& account);

}  // namespace ferolind
