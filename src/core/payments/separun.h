// The SEPA direct-debit run: the same members, amounts and optional fee payment records
// as the DTAUS run (collectMemberDebits), written as a pain.008 file. The debtor is the
// account holder, the IBAN comes from the member's bank code and account number, the BIC
// from the bank code file where it is known, the mandate reference is the settings'
// prefix plus the member number and the mandate date comes from the member's field the
// settings name. Every member is checked first; a refused member is named and nothing
// is written or recorded. The file appears whole or not at all, an earlier one with the
// same name stays as it was until then.
#pragma once

#include "data/values.h"
#include "payments/sepasettings.h"
#include "payments/sepawriter.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace ferolind {

class Session;

struct SepaRunInput {
    QString target;          // full path of the file to write
    SepaSettings settings;   // stored with a run that went through
    QString remittance;      // the remittance text of every debit (cut at 140 characters)
    QDate collectionDate;    // a TARGET business day after today
    bool recordPayments = false;
    int periodKind = 0;      // the club's payment period kind
    QString yearText;        // the year and month/quarter boxes as typed
    QString periodText;
    QString bankCodeFile;    // for the BICs; empty: the application's bank code file
    // Members who left before the collection date are left out unless set.
    bool includeFormerMembers = false;
};

struct SepaRunResult {
    SepaFile file;           // what was (or would be) written: the pre-notification prints it
    int payments = 0;
    Money amount = 0;        // the control sum
    int recorded = 0;        // fee payment rows stored
    QStringList alreadyPaid; // members left out: they had paid the period already
    QStringList formerMembers; // members left out: they left before the collection date
    QString path;
    QString note;            // for the summary: see RunFileOutcome
};

// The file of the run as it would be written, without writing or recording anything.
// Throws DataError (German) listing every problem of the settings, the date and the
// members. The pre-notification is printed from it before the run.
SepaRunResult prepareSepaRun(Session& session, const SepaRunInput& input);

// The run: the fee payments, the settings and the run's record with the file are stored
// in one transaction, who has paid being read from the club file under its write lock;
// the file takes its place after the commit (runfiles.h). Throws DataError: before the
// commit it has written, recorded and stored nothing; after it the message says what is
// stored and that the file follows at the next start.
SepaRunResult runSepa(Session& session, const SepaRunInput& input);

// The German summary of a finished run.
QString sepaRunSummary(const SepaRunResult& result);

// Why a collection date cannot be asked for (weekend, TARGET holiday, not after today),
// in German; empty when it can.
QString collectionDateProblem(const QDate& day, const QDate& today);

// The mandate date of a member from the source field's value (a date, or a text
// TT.MM.JJJJ in a free field); invalid when there is none.
QDate mandateDateOf(const QVariant& value);

}  // namespace ferolind
