// The DTAUS commands of ferolind-cli: an exchange file from payments read on standard
// input ("dtaus write", no database needed) and the direct-debit run over the members
// ("dtaus run"), as the program's screen does it.
#pragma once

#include <QHash>
#include <QStringList>
#include <QTextStream>

namespace ferolind {

class Session;

// "dtaus write ARGS": payment lines from `in` (see parseDtausPaymentLine). Throws
// DataError (German) on refusal; then no file is written (an earlier one stays).
void runDtausWrite(const QStringList& args, QTextStream& in, QTextStream& out);

// Runs "dtaus run", and "dtaus rewrite" / "sepa rewrite" (the files of interrupted runs);
// false when the command is none of them. Throws DataError on refusal.
bool runDtausCommand(Session& session, const QString& command, const QString& sub, const QStringList& args,
                     QTextStream& out);

// Whether the command is one of the rewrites, which the start of a command leaves to it.
bool isRunFileRewrite(const QString& command, const QStringList& args);
// What every command does after opening the club: the files of interrupted runs are
// written (runfiles.h); what happened goes to `err`, and a failure does not stop the command.
void writePendingRunFilesAtStart(Session& session, QTextStream& err);

// --book-year and --book-period of a run: whether to record the fee payments, the
// club's period kind and the texts as the screen's boxes would hold them. Throws
// DataError for --book-period without --book-year and for a missing period the club needs.
struct RunBooking {
    bool record = false;
    int periodKind = 0;
    QString yearText, periodText;
};
RunBooking runBookingOptions(Session& session, const QHash<QString, QString>& values);

// The lines of the usage text for these commands.
QString dtausCommandsUsage();

}  // namespace ferolind
