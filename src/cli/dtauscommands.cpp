#include "dtauscommands.h"
#include "options.h"

#include "data/datamodule.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "data/values.h"
#include "fees/feepayments.h"
#include "payments/coversheetlayout.h"
#include "payments/dtausrun.h"
#include "payments/dtauswriter.h"
#include "payments/runfiles.h"
#include "session/session.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

namespace ferolind {

QString dtausCommandsUsage() {
    return QStringLiteral(
        "  dtaus write --out DATEI --sender-name NAME --sender-blz BLZ --sender-account KONTO [--credit] [--order]\n"
        "              [--key KKKKK] [--date TT.MM.JJJJ] [--cover-sheet PDF]\n"
        "                                         DTAUS-Datei aus Zahlungen der Standardeingabe, je Zeile:\n"
        "                                         Name<TAB>BLZ<TAB>Konto<TAB>Betrag[<TAB>Verwendungszweck ...]\n"
        "  dtaus run --out DATEI --sender-name NAME --sender-blz BLZ --sender-account KONTO --purpose TEXT\n"
        "            [--date TT.MM.JJJJ] [--book-year JAHR [--book-period N]] [--cover-sheet PDF]\n"
        "            [--include-former]           auch Mitglieder, die vor dem Datum ausgetreten sind\n"
        "                                         Lastschriften aller Mitglieder mit DTAUS, auf Wunsch mit\n"
        "                                         Beitragsbuchung des Zeitraums\n"
        "  dtaus rewrite | sepa rewrite           schreibt die Datei eines Lastschriftlaufs, den ein Abbruch nach\n"
        "                                         dem Buchen unterbrach, aus dem Vermerk im Verein (das tut auch\n"
        "                                         jeder andere Befehl zu Beginn)\n");
}

namespace {

// The command's arguments: options with a value and switches, each known.
class DtausArgs {
public:
    DtausArgs(const QStringList& args, const QSet<QString>& valued, const QSet<QString>& switches) {
        const CliOptions o = parseCliOptions(args, valued.values(), switches.values());
        values_ = o.values;
        on_ = QSet<QString>(o.flags.begin(), o.flags.end());
    }
    bool has(const QString& name) const { return values_.contains(name) || on_.contains(name); }
    QString value(const QString& name) const { return values_.value(name); }
    const QHash<QString, QString>& values() const { return values_; }
    QString required(const QString& name) const {
        if (!values_.contains(name)) throw DataError(QStringLiteral("Es fehlt die Option %1.").arg(name));
        return values_.value(name);
    }
    // --date as the execution date; none without the option.
    QDateTime date() const {
        if (!has(QStringLiteral("--date"))) return {};
        const QVariant d = parseDate(value(QStringLiteral("--date")));
        if (d.isNull())
            throw DataError(QStringLiteral("»%1« ist kein gültiges Datum (TT.MM.JJJJ).").arg(value(QStringLiteral("--date"))));
        return toDateTime(d);
    }

private:
    QHash<QString, QString> values_;
    QSet<QString> on_;
};

const QSet<QString> kSenderOptions = {"--out", "--sender-name", "--sender-blz", "--sender-account", "--date",
                                      "--cover-sheet"};

DtausSender senderOf(const DtausArgs& a) {
    return {a.required(QStringLiteral("--sender-name")), a.required(QStringLiteral("--sender-blz")),
            a.required(QStringLiteral("--sender-account"))};
}

}  // namespace

void runDtausWrite(const QStringList& args, QTextStream& in, QTextStream& out) {
    const DtausArgs a(args, kSenderOptions + QSet<QString>{"--key"}, {"--credit", "--order"});
    const DtausTarget target = splitDtausTarget(a.required(QStringLiteral("--out")));
    if (target.fileName.isEmpty()) throw DataError(dtausrunmsg::NoTarget);
    if (a.has(QStringLiteral("--credit")) && a.has(QStringLiteral("--order")))
        throw DataError(QStringLiteral("--credit und --order schließen einander aus: ein Abbuchungsauftrag ist eine "
                                       "Lastschrift."));
    const DtausSender sender = senderOf(a);
    checkDtausSender(sender);

    DtausWriter w;
    w.setPath(target.folder);
    w.Dateiname = target.fileName;
    w.setLastschriften(!a.has(QStringLiteral("--credit")));
    w.setAbbuchungsauftrag(a.has(QStringLiteral("--order")));
    if (a.has(QStringLiteral("--key"))) {
        const QString key = a.value(QStringLiteral("--key"));
        if (key.size() != 5 || !isWholeNumberText(key))
            throw DataError(QStringLiteral("Der Textschlüssel »%1« muss aus fünf Ziffern bestehen.").arg(key));
        w.CustomZahlungsschluessel = key;
    }
    w.AuftraggeberName = sender.name;
    w.AuftraggeberBLZ = sender.bankCode.toInt();
    w.AuftraggeberKontoNr = sender.account.toLongLong();
    w.Ausfuehrungsdatum = a.date();
    w.Start();
    int lineNumber = 0;
    for (QString line; in.readLineInto(&line);) {
        ++lineNumber;
        if (line.trimmed().isEmpty()) continue;
        DtausPaymentLine p = parseDtausPaymentLine(line, lineNumber);
        try {
            w.AddPayment(p.name, p.purpose, p.amount, p.bankCode, p.account);
        } catch (const DataError& e) {
            throw DataError(QStringLiteral("Zeile %1: %2\nEs wurde keine Datei geschrieben.").arg(lineNumber).arg(e.message()));
        }
    }
    // The cover sheet first (its counts are those of the file): a refused sheet leaves no file.
    const QString pdf = a.value(QStringLiteral("--cover-sheet"));
    const bool pdfExisted = !pdf.isEmpty() && QFileInfo::exists(pdf);
    if (!pdf.isEmpty()) printing::writeCoverSheetPdf(w, 1, pdf);
    try {
        w.Finish();
    } catch (...) {
        if (!pdf.isEmpty() && !pdfExisted) QFile::remove(pdf);
        throw;
    }
    out << QStringLiteral("%1: %2 Zahlung(en), Summe %3\n")
               .arg(w.Path() + w.Dateiname)
               .arg(w.RecordCount())
               .arg(moneyToFixed2(w.AmountSumCents() * (kMoneyUnit / 100)));
}

RunBooking runBookingOptions(Session& session, const QHash<QString, QString>& values) {
    RunBooking b;
    b.record = values.contains(QStringLiteral("--book-year"));
    if (values.contains(QStringLiteral("--book-period")) && !b.record)
        throw DataError(QStringLiteral("Die Option --book-period gilt nur mit --book-year."));
    b.periodKind = storedPaymentPeriodKind(session.data());
    b.yearText = values.value(QStringLiteral("--book-year"));
    b.periodText = values.value(QStringLiteral("--book-period"));
    if (b.record && b.periodKind != int(PaymentPeriod::Yearly) && b.periodText.isEmpty())
        throw DataError(QStringLiteral("Der Verein zahlt %1: bitte --book-period angeben.")
                            .arg(b.periodKind == int(PaymentPeriod::Monthly) ? QStringLiteral("monatlich")
                                                                             : QStringLiteral("quartalsweise")));
    return b;
}

bool isRunFileRewrite(const QString& command, const QStringList& args) {
    return (command == u"dtaus" || command == u"sepa") && args.value(0) == u"rewrite";
}

void writePendingRunFilesAtStart(Session& session, QTextStream& err) {
    try {
        for (const QString& line : writePendingRunFiles(session.data()).lines) err << line << '\n';
    } catch (const DataError& e) {
        // The command itself may still work; the file is tried again next time.
        err << e.message() << '\n';
    }
}

bool runRunFileRewrite(Session& session, const QString& command, const QString& sub, const QStringList& args,
                       QTextStream& out) {
    if ((command != u"dtaus" && command != u"sepa") || sub != u"rewrite") return false;
    if (!args.isEmpty()) throw DataError(QStringLiteral("Aufruf: ferolind-cli %1 rewrite").arg(command));
    const PendingRunFilesWritten r = writePendingRunFiles(session.data());
    if (r.lines.isEmpty()) {
        out << QStringLiteral("Es gibt keine Lastschriftdatei, die noch zu schreiben ist.\n");
        return true;
    }
    if (r.failed > 0) throw DataError(r.lines.join(u'\n'));
    out << r.lines.join(u'\n') << '\n';
    return true;
}

bool runDtausCommand(Session& session, const QString& command, const QString& sub, const QStringList& args,
                     QTextStream& out) {
    if (runRunFileRewrite(session, command, sub, args, out)) return true;
    if (command != u"dtaus" || sub != u"run") return false;
    const DtausArgs a(args, kSenderOptions + QSet<QString>{"--purpose", "--book-year", "--book-period"},
                      {"--include-former"});
    DtausRunInput input;
    input.target = a.required(QStringLiteral("--out"));
    input.sender = senderOf(a);
    input.purpose = a.required(QStringLiteral("--purpose"));
    input.executionDate = a.date();
    const RunBooking booking = runBookingOptions(session, a.values());
    input.recordPayments = booking.record;
    input.periodKind = booking.periodKind;
    input.yearText = booking.yearText;
    input.periodText = booking.periodText;
    input.includeFormerMembers = a.has(QStringLiteral("--include-former"));

    Dataset& members = session.data().members();
    members.applyFilter(QStringLiteral("DTAUS = true"));
    DtausWriter writer;
    const DtausRunResult result = runDtaus(session, writer, input);
    out << dtausRunSummary(result) << '\n';
    const QString pdf = a.value(QStringLiteral("--cover-sheet"));
    if (!pdf.isEmpty()) {
        try {
            printing::writeCoverSheetPdf(writer, 1, pdf);
        } catch (const DataError& e) {
            throw DataError(e.message() + QStringLiteral("\nDie DTAUS-Datei ist erstellt; nur der Begleitzettel fehlt."));
        }
    }
    return true;
}

}  // namespace ferolind
