#include "sepacommands.h"
#include "dtauscommands.h"
#include "options.h"

#include "data/datamodule.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "data/settings.h"
#include "payments/dtausrun.h"
#include "payments/iban.h"
#include "payments/prenotificationlayout.h"
#include "payments/separun.h"
#include "session/session.h"

namespace ferolind {

QString sepaCommandsUsage() {
    return QStringLiteral(
        "  iban BLZ KONTO                         die deutsche IBAN zu Bankleitzahl und Kontonummer\n"
        "  iban check IBAN                        prüft eine IBAN (Exit-Status 0: gültig)\n"
        "  sepa write --out DATEI.xml --date TT.MM.JJJJ [--creditor-name N] [--creditor-iban I]\n"
        "             [--creditor-bic B] [--creditor-id CI] [--sequence RCUR|FRST] [--purpose TEXT]\n"
        "             [--book-year JAHR [--book-period N]] [--prenotification PDF] [--include-former]\n"
        "                                         SEPA-Lastschriftdatei (pain.008) aller Mitglieder mit\n"
        "                                         DTAUS; Gläubigerangaben ersetzen die gespeicherten\n");
}

bool runIbanCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.size() == 2 && args[0] == u"check") {
        const QString problem = ibanProblem(args[1]);
        if (problem.isEmpty()) {
            out << groupedIban(args[1]) << '\n';
            return true;
        }
        err << problem << '\n';
        return false;
    }
    if (args.size() != 2 || !isWholeNumberText(args[0]) || !isWholeNumberText(args[1]))
        throw DataError(QStringLiteral("Aufruf: ferolind-cli iban BLZ KONTO | ferolind-cli iban check IBAN"));
    const std::optional<QString> iban = germanIban(args[0].toLongLong(), args[1].toLongLong());
    if (!iban)
        throw DataError(QStringLiteral("Die Bankleitzahl muss acht Ziffern haben und die Kontonummer bis zu zehn."));
    out << *iban << '\n';
    return true;
}

bool runSepaCommand(Session& session, const QString& command, const QString& sub, const QStringList& args,
                    QTextStream& out) {
    if (command != u"sepa" || sub != u"write") return false;
    const CliOptions o = parseCliOptions(
        args,
        {"--out", "--date", "--creditor-name", "--creditor-iban", "--creditor-bic", "--creditor-id", "--sequence",
         "--purpose", "--book-year", "--book-period", "--prenotification"},
        {"--include-former"});
    auto required = [&o](const char* name) {
        const QString key = QString::fromLatin1(name);
        if (!o.values.contains(key)) throw DataError(QStringLiteral("Es fehlt die Option %1.").arg(key));
        return o.values.value(key);
    };
    DataModule& data = session.data();
    SepaRunInput input;
    input.target = required("--out");
    const QString dateText = required("--date");
    const QVariant date = parseDate(dateText);
    if (date.isNull()) throw DataError(QStringLiteral("»%1« ist kein gültiges Datum (TT.MM.JJJJ).").arg(dateText));
    input.collectionDate = toDateTime(date).date();

    // The options replace the stored creditor data for this run and are stored with it.
    input.settings = loadSepaSettings(data.settings());
    const std::pair<const char*, QString*> creditor[] = {{"--creditor-name", &input.settings.creditorName},
                                                         {"--creditor-iban", &input.settings.creditorIban},
                                                         {"--creditor-bic", &input.settings.creditorBic},
                                                         {"--creditor-id", &input.settings.creditorId},
                                                         {"--sequence", &input.settings.sequenceType}};
    for (const auto& [name, into] : creditor)
        if (o.values.contains(QString::fromLatin1(name))) *into = o.values.value(QString::fromLatin1(name));
    input.remittance = o.values.value(QStringLiteral("--purpose"),
                                      data.settings().DbSettingGet(QStringLiteral("Verwendungszweck")));
    const RunBooking booking = runBookingOptions(session, o.values);
    input.recordPayments = booking.record;
    input.periodKind = booking.periodKind;
    input.yearText = booking.yearText;
    input.periodText = booking.periodText;
    input.includeFormerMembers = o.flags.contains(QStringLiteral("--include-former"));

    data.members().applyFilter(QStringLiteral("DTAUS = true"));
    const SepaRunResult result = runSepa(session, input);
    out << sepaRunSummary(result) << '\n';
    const QString pdf = o.values.value(QStringLiteral("--prenotification"));
    if (!pdf.isEmpty()) {
        try {
            printing::writePrenotificationPdf(result.file, pdf);
        } catch (const DataError& e) {
            throw DataError(e.message() + QStringLiteral("\nDie SEPA-Datei ist erstellt; nur die Vorabinformation fehlt."));
        }
    }
    return true;
}

}  // namespace ferolind
