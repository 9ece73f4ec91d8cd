#include "statementcommands.h"
#include "options.h"

#include "data/errors.h"
#include "session/session.h"
#include "statements/statementimport.h"

namespace ferolind {

namespace {

const QString kCall = QStringLiteral(
    "Aufruf: ferolind-cli statements import DATEI [--account KONTO] [--dry-run] [--yes] [--reject N,N] [--plain N,N] "
    "[--category N=KATEGORIE,...] [--member N=MITGLIED,...]");

// "2,5" -> the proposals 2 and 5 (as the table numbers them, from 1).
QList<int> entryNumbers(const QString& text, int count) {
    QList<int> out;
    for (const QString& part : text.split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const int n = part.trimmed().toInt(&ok);
        if (!ok || n < 1 || n > count)
            throw DataError(QStringLiteral("»%1« ist keine Postennummer des Auszugs (1 bis %2).").arg(part.trimmed()).arg(count));
        out << n - 1;
    }
    return out;
}

QString certaintyText(const Proposal& p) {
    return p.kind == ProposalKind::Imported || p.kind == ProposalKind::NotBooked ? QStringLiteral("–")
                                                                                   : QStringLiteral("%1 %").arg(p.certainty);
}

}  // namespace

QString statementCommandsUsage() {
    return QStringLiteral(
        "  statements import DATEI [--account KONTO] [--dry-run] [--yes] [--reject N,N] [--plain N,N]\n"
        "                    [--category N=KATEGORIE,...] [--member N=MITGLIED,...]\n"
        "                                         Kontoauszug (camt.053 oder MT940): die Vorschläge als\n"
        "                                         Tabelle; mit --yes gebucht (alle oder keiner)\n");
}

bool runStatementCommand(Session& session, const QString& command, const QString& sub, const QStringList& args,
                         QTextStream& out, bool& changed) {
    if (command != u"statements" || sub != u"import") return false;
    if (args.isEmpty() || args[0].startsWith(QStringLiteral("--"))) throw DataError(kCall);
    const QString file = args[0];
    const CliOptions o = parseCliOptions(args.mid(1), {"--account", "--reject", "--plain", "--category", "--member"},
                                         {"--dry-run", "--yes"});
    const BankStatement statement = readStatementFile(file);
    StatementMatch match = matchStatement(session, statement, o.values.value(QStringLiteral("--account")));
    const int count = int(match.proposals.size());
    for (const QString& pair : o.values.value(QStringLiteral("--member")).split(u',', Qt::SkipEmptyParts)) {
        const int eq = int(pair.indexOf(u'='));
        bool ok = false;
        const int member = eq > 0 ? pair.mid(eq + 1).trimmed().toInt(&ok) : 0;
        if (!ok) throw DataError(QStringLiteral("»%1« hat nicht die Form N=MITGLIEDSNUMMER.").arg(pair));
        assignMember(session, match, entryNumbers(pair.left(eq), count).first(), member);
    }
    for (int i : entryNumbers(o.values.value(QStringLiteral("--reject")), count))
        match.proposals[i].decision = Decision::Reject;
    for (int i : entryNumbers(o.values.value(QStringLiteral("--plain")), count))
        match.proposals[i].decision = Decision::Plain;
    for (const QString& pair : o.values.value(QStringLiteral("--category")).split(u',', Qt::SkipEmptyParts)) {
        const int eq = int(pair.indexOf(u'='));
        if (eq <= 0) throw DataError(QStringLiteral("»%1« hat nicht die Form N=KATEGORIE.").arg(pair));
        const int i = entryNumbers(pair.left(eq), count).first();
        match.proposals[i].category = pair.mid(eq + 1).trimmed();
    }

    out << QStringLiteral("Kontoauszug %1 (%2), Konto %3, %4 Posten\n")
               .arg(statement.id, statement.format, statement.iban)
               .arg(count);
    out << QStringLiteral("Nr\tPosten\tZuordnung\tSicherheit\tGrund\n");
    for (int i = 0; i < count; ++i) {
        const Proposal& p = match.proposals[i];
        QString reason = p.reason;
        if ((p.kind == ProposalKind::Booking || p.decision == Decision::Plain) && !p.category.isEmpty())
            reason += QStringLiteral(" [Kategorie %1]").arg(p.category);
        out << i + 1 << '\t' << entryText(statement.entries[p.entry]) << '\t' << proposalKindText(p) << '\t'
            << certaintyText(p) << '\t' << reason << '\n';
    }
    if (o.flags.contains(QStringLiteral("--dry-run")) || !o.flags.contains(QStringLiteral("--yes"))) {
        out << QStringLiteral("Nichts gebucht (zum Buchen --yes angeben).\n");
        return true;
    }
    const StatementBooking b = bookStatement(session, match);
    changed = true;
    out << QStringLiteral("Gebucht: %1 Buchungen, %2 Beitragszahlungen, %3 Rücklastschriften auf »%4«.\n")
               .arg(b.bookings)
               .arg(b.fees)
               .arg(b.returns)
               .arg(match.account);
    if (b.skipped > 0)
        out << QStringLiteral("%1 Posten wurden inzwischen an einem anderen Arbeitsplatz eingelesen und nicht noch einmal "
                              "gebucht.\n")
                   .arg(b.skipped);
    out << balanceComparisonText(b, match.account) << '\n';
    return true;
}

}  // namespace ferolind
