#include "printcommands.h"

#include "options.h"
#include "data/datamodule.h"
#include "data/errors.h"
#include "data/values.h"
#include "printing/bookinglistlayout.h"
#include "printing/memberlistlayout.h"
#include "printing/pdfoutput.h"
#include "printing/statementlayout.h"
#include "session/session.h"

#include <QHash>

namespace ferolind {

using namespace printing;

QString printCommandsUsage() {
    return QStringLiteral(
        "  print member-list --pdf DATEI [--title TITEL] [--landscape] [--filter AUSDRUCK] [--sort F1;F2]\n"
        "                    [--columns F1;F2;...]  die Mitgliederliste als PDF-Datei\n"
        "  print booking-list --pdf DATEI [--title TITEL] [--filter AUSDRUCK] [--sort F1;F2] [--columns ...]\n"
        "                                         die Buchungsliste mit Summe als PDF-Datei\n"
        "  print statement --pdf DATEI --from DATUM --to DATUM (--monthly|--yearly) [--title TITEL]\n"
        "                                         der Monats- oder Jahresabschluss als PDF-Datei\n");
}

namespace {

using Options = CliOptions;

// The options of a print command; --pdf is required.
Options options(const QStringList& args, const QStringList& withValue, const QStringList& switches) {
    Options o = parseCliOptions(args, withValue, switches);
    if (o.values.value(QStringLiteral("--pdf")).isEmpty())
        throw DataError(QStringLiteral("Es fehlt die Option --pdf DATEI."));
    return o;
}

// The selection from --columns: field names of the printable columns (letter case ignored).
template <std::size_t n>
void selectColumns(std::array<bool, n>& selected, const QStringList& fields, const QString& list) {
    if (list.isEmpty()) return;
    selected.fill(false);
    for (const QString& name : list.split(';', Qt::SkipEmptyParts)) {
        int found = -1;
        for (int i = 0; i < fields.size(); ++i)
            if (fields[i].compare(name.trimmed(), Qt::CaseInsensitive) == 0) found = i;
        if (found < 0) throw DataError(QStringLiteral("»%1« ist keine druckbare Spalte.").arg(name.trimmed()));
        selected[found] = true;
    }
}

QDate dateOption(const Options& o, const QString& name) {
    const QString text = o.values.value(name);
    if (text.isEmpty()) throw DataError(QStringLiteral("Es fehlt die Option %1 DATUM.").arg(name));
    const QVariant d = parseDate(text);
    if (d.isNull()) throw DataError(QStringLiteral("»%1« ist kein gültiges Datum (TT.MM.JJJJ).").arg(text));
    return toDateTime(d).date();
}

void narrow(Dataset& d, const Options& o) {
    if (o.values.contains(QStringLiteral("--sort"))) d.setSort(o.values.value(QStringLiteral("--sort")));
    if (o.values.contains(QStringLiteral("--filter"))) d.applyFilter(o.values.value(QStringLiteral("--filter")));
}

QString titleOf(DataModule& data, const Options& o, const char* entry) {
    return o.values.contains(QStringLiteral("--title")) ? o.values.value(QStringLiteral("--title"))
                                                        : data.settings().DbSettingGet(QString::fromLatin1(entry));
}

}  // namespace

PrintOptions readPrintOptions(const QStringList& args, const QStringList& withValue, const QStringList& switches) {
    return options(args, withValue, switches);
}

bool runPrintCommand(Session& session, const QString& command, const QString& sub, const QStringList& args,
                     QTextStream& out) {
    if (command != u"print") return false;
    DataModule& data = session.data();
    int pages = 0;
    QString path;
    if (sub == u"member-list") {
        const Options o = options(args, {"--pdf", "--title", "--filter", "--sort", "--columns"}, {"--landscape"});
        path = o.values.value("--pdf");
        narrow(data.members(), o);
        MemberListLayout layout(data.members(), data.feeClasses());
        layout.title = titleOf(data, o, "TitelMitgliederDruck");
        layout.landscape = o.flags.contains("--landscape");
        layout.loadLabels(data.settings());
        selectColumns(layout.selected, memberPrintFields(), o.values.value("--columns"));
        pages = writePdf(layout, 100, path, layout.landscape, layout.title);
    } else if (sub == u"booking-list") {
        const Options o = options(args, {"--pdf", "--title", "--filter", "--sort", "--columns"}, {});
        path = o.values.value("--pdf");
        narrow(data.bookings(), o);
        BookingListLayout layout(data.bookings());
        layout.title = titleOf(data, o, "TitelBuchungenDruck");
        selectColumns(layout.selected, QStringList{"Buchungsnummer", "Datum", "Empfaenger/Absender", "Buchungstext",
                                                   "SollHaben", "Betrag", "Kategorie", "Bestandskonto"},
                      o.values.value("--columns"));
        pages = writePdf(layout, 1000, path, false, layout.title);
    } else if (sub == u"statement") {
        const Options o = options(args, {"--pdf", "--title", "--from", "--to"}, {"--monthly", "--yearly"});
        path = o.values.value("--pdf");
        const bool monthly = o.flags.contains("--monthly"), yearly = o.flags.contains("--yearly");
        if (monthly == yearly) throw DataError(QStringLiteral("Bitte genau eine der Optionen --monthly oder --yearly angeben."));
        StatementLayout layout(data.bookings(), data.settings());
        layout.title = titleOf(data, o, "TitelBuchungenDruck");
        layout.from = dateOption(o, QStringLiteral("--from"));
        layout.to = dateOption(o, QStringLiteral("--to"));
        if (layout.from > layout.to)
            throw DataError(QStringLiteral("Das Datum »Von« liegt nach dem Datum »Bis«."));
        layout.monthly = monthly;
        pages = writePdf(layout, 100, path, false, layout.title);
    } else {
        throw DataError(QStringLiteral("Aufruf: ferolind-cli print member-list|booking-list|statement --pdf DATEI ..."));
    }
    out << QStringLiteral("%1: %2 Seite(n)\n").arg(path).arg(pages);
    return true;
}

}  // namespace ferolind
