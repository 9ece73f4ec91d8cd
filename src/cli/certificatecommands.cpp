#include "certificatecommands.h"

#include "data/datamodule.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "data/values.h"
#include "members/jubilees.h"
#include "members/memberrules.h"
#include "payments/donations.h"
#include "printcommands.h"
#include "printing/labels.h"
#include "printing/pdfoutput.h"
#include "session/session.h"

namespace ferolind {

using namespace printing;

QString certificateCommandsUsage() {
    return QStringLiteral(
        "  print receipt --pdf DATEI --amount BETRAG --donor-name NAME --donor-street STRASSE --donor-town ORT\n"
        "                [--in-kind [--item BEZEICHNUNG]] [--date TT.MM.JJJJ]\n"
        "                                         die Spendenquittung (Vereinsdaten aus den Einstellungen)\n"
        "  print labels --pdf DATEI [--rows R] [--columns C] [--filter AUSDRUCK]\n"
        "                                         Adressetiketten der Mitglieder\n"
        "  members jubilees (--today|--month|--quarter|--years N,N,... [--by-entry])\n"
        "                                         Geburtstage und Jubiläen, wie members list\n");
}

namespace {

int wholeOption(const PrintOptions& o, const QString& name, int fallback) {
    if (!o.values.contains(name)) return fallback;
    bool ok = false;
    const int n = o.values.value(name).trimmed().toInt(&ok);
    if (!ok) throw DataError(QStringLiteral("»%1« ist keine ganze Zahl (%2).").arg(o.values.value(name), name));
    return n;
}

int printReceipt(Session& session, const PrintOptions& o, const QString& path) {
    DonationReceipt r;
    r.club = loadClubData(session.data());
    for (const char* required : {"--amount", "--donor-name", "--donor-street", "--donor-town"})
        if (!o.values.contains(QString::fromLatin1(required)))
            throw DataError(QStringLiteral("Es fehlt die Option %1.").arg(QString::fromLatin1(required)));
    r.amount = o.values.value("--amount");
    r.donorName = o.values.value("--donor-name");
    r.donorStreet = o.values.value("--donor-street");
    r.donorTown = o.values.value("--donor-town");
    r.inKind = o.flags.contains("--in-kind");
    r.itemDescription = o.values.value("--item");
    if (!r.inKind && o.values.contains("--item"))
        throw DataError(QStringLiteral("Die Option --item gilt nur mit --in-kind."));
    r.today = session.memberRules().today();
    r.date = o.values.contains("--date") ? o.values.value("--date") : dateToText(r.today);
    DonationReceiptLayout layout(r);
    return writePdf(layout, 1, path, false, kReceiptTitle);
}

int printLabels(Session& session, const PrintOptions& o, const QString& path) {
    DataModule& data = session.data();
    LabelLayout layout(data.members());
    const LabelGrid stored = storedLabelGrid(data.settings());
    layout.grid = {wholeOption(o, "--rows", stored.rows), wholeOption(o, "--columns", stored.columns)};
    checkLabelGrid(layout.grid);
    if (o.values.contains("--filter")) data.members().applyFilter(o.values.value("--filter"));
    return writePdf(layout, 100, path, false, QStringLiteral("Etikettendruck"));
}

}  // namespace

bool runCertificateCommand(Session& session, const QString& command, const QString& sub, const QStringList& args,
                           QTextStream& out) {
    if (command != u"print" || (sub != u"receipt" && sub != u"labels")) return false;
    int pages = 0;
    QString path;
    if (sub == u"receipt") {
        const PrintOptions o = readPrintOptions(
            args, {"--pdf", "--amount", "--donor-name", "--donor-street", "--donor-town", "--date", "--item"},
            {"--in-kind"});
        path = o.values.value("--pdf");
        pages = printReceipt(session, o, path);
    } else {
        const PrintOptions o = readPrintOptions(args, {"--pdf", "--rows", "--columns", "--filter"}, {});
        path = o.values.value("--pdf");
        pages = printLabels(session, o, path);
    }
    out << QStringLiteral("%1: %2 Seite(n)\n").arg(path).arg(pages);
    return true;
}

QString jubileeCommandFilter(const QStringList& args, const QDate& today) {
    const QString usage = QStringLiteral(
        "Aufruf: ferolind-cli members jubilees (--today|--month|--quarter|--years N,N,... [--by-entry])");
    QStringList choices;
    QString years;
    bool byEntry = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--today" || a == u"--month" || a == u"--quarter") {
            choices << a;
        } else if (a == u"--years") {
            if (i + 1 >= args.size()) throw DataError(QStringLiteral("Zur Option --years fehlt der Wert."));
            years = args[++i];
            choices << a;
        } else if (a == u"--by-entry") {
            byEntry = true;
        } else {
            throw DataError(QStringLiteral("Unbekannte Option »%1«.\n").arg(a) + usage);
        }
    }
    if (choices.size() != 1) throw DataError(usage);
    if (byEntry && choices[0] != u"--years")
        throw DataError(QStringLiteral("Die Option --by-entry gilt nur mit --years."));
    if (choices[0] == u"--years") return jubileeFilter(byEntry, parseJubileeYears(years), today);
    const BirthdayChoice c = choices[0] == u"--today"   ? BirthdayChoice::Today
                             : choices[0] == u"--month" ? BirthdayChoice::Month
                                                        : BirthdayChoice::Quarter;
    return birthdayFilter(c, today);
}

}  // namespace ferolind
