#include "cli.h"

#include "bookingcommands.h"
#include "dtauscommands.h"
#include "sepacommands.h"
#include "statementcommands.h"
#include "exchangecommands.h"
#include "feecommands.h"
#include "maintenancecommands.h"
#include "printcommands.h"
#include "certificatecommands.h"
#include "lettercommands.h"
#include "fieldpairs.h"
#include "data/database.h"
#include "data/datamodule.h"
#include "data/errors.h"
#include "data/fastexit.h"
#include "data/postalcodes.h"
#include "data/values.h"
#include "members/columns.h"
#include "members/memberquery.h"
#include "members/memberrules.h"
#include "session/session.h"

#include <memory>

namespace ferolind {

namespace {

const char* kUsage =
    "Aufruf: ferolind-cli [--db VERZEICHNIS] <Befehl> ...\n"
    "  create                                 legt db.mdb mit seinen Tabellen im Verzeichnis an\n"
    "  members add FELD=WERT ...              speichert ein Mitglied, gibt seine Mitgliedsnummer aus\n"
    "  members list [--filter AUSDRUCK] [--sort F1;F2] [--columns F1;F2;...]\n"
    "  members leavers --from DATUM --to DATUM [--sort F1;F2] [--columns F1;F2;...]\n"
    "                                         die Mitglieder mit Austrittsdatum im Zeitraum\n"
    "  members delete --filter AUSDRUCK [--yes] löscht die ausgewählten Mitglieder (ohne --yes: nur zählen)\n"
    "  members stats                          die Statistik: Bezeichnung<TAB>Anzahl je Zeile\n"
    "  bookings list [--filter AUSDRUCK] [--sort F1;F2] [--columns F1;F2;...]\n"
    "%1"
    "  settings get NAME | settings set NAME WERT\n"
    "  plz PLZ                                die Orte einer Postleitzahl, einer je Zeile\n";

QString usage() {
    return QString::fromUtf8(kUsage).arg(bookingCommandsUsage() + feeCommandsUsage() + printCommandsUsage() +
                                         dtausCommandsUsage() + sepaCommandsUsage() +
                                         certificateCommandsUsage() + letterCommandsUsage() + exchangeCommandsUsage() +
                                         maintenanceCommandsUsage() + statementCommandsUsage());
}

struct Options {
    QString filter, sort, columns;
    bool hasFilter = false;
};

// Reads --filter, --sort and --columns; anything else is refused.
Options parseListOptions(const QStringList& args) {
    Options o;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        auto take = [&](QString& into) {
            if (i + 1 >= args.size()) throw DataError(QStringLiteral("Zur Option %1 fehlt der Wert.").arg(a));
            into = args[++i];
        };
        if (a == u"--filter") {
            take(o.filter);
            o.hasFilter = true;
        } else if (a == u"--sort")
            take(o.sort);
        else if (a == u"--columns")
            take(o.columns);
        else
            throw DataError(QStringLiteral("Unbekannte Option »%1«.").arg(a));
    }
    return o;
}

void list(Dataset& d, const QStringList& defaultColumns, const QStringList& args, QTextStream& out) {
    const Options o = parseListOptions(args);
    const QStringList names = o.columns.isEmpty() ? defaultColumns : o.columns.split(';', Qt::SkipEmptyParts);
    QVector<int> fields;
    for (const QString& n : names) fields << d.field(n.trimmed());
    if (!o.sort.isEmpty()) d.setSort(o.sort);
    if (o.hasFilter) d.applyFilter(o.filter);
    QStringList header;
    for (int f : fields) header << d.fields()[f].name;
    out << header.join('\t') << '\n';
    for (int p = 0; p < d.recordCount(); ++p) {
        const RowRef r = d.rowAt(p);
        QStringList cells;
        for (int f : fields) cells << valueToText(d.fields()[f].type, r[f]);
        out << cells.join('\t') << '\n';
    }
}

// "members leavers": --from and --to become the leavers filter; the rest is as for list.
void listLeavers(Dataset& members, const QStringList& args, QTextStream& out) {
    QStringList rest;
    QDate from, to;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a != u"--from" && a != u"--to") {
            rest << a;
            continue;
        }
        if (i + 1 >= args.size()) throw DataError(QStringLiteral("Zur Option %1 fehlt der Wert.").arg(a));
        const QString text = args[++i];
        const QVariant d = parseDate(text);
        if (d.isNull()) throw DataError(QStringLiteral("»%1« ist kein gültiges Datum (TT.MM.JJJJ).").arg(text));
        (a == u"--from" ? from : to) = d.toDate();
    }
    if (!from.isValid() || !to.isValid())
        throw DataError(QStringLiteral("Aufruf: ferolind-cli members leavers --from DATUM --to DATUM"));
    for (const QString& a : rest)
        if (a == u"--filter") throw DataError(QStringLiteral("Unbekannte Option »%1«.").arg(a));
    list(members, memberColumnFields(), QStringList{QStringLiteral("--filter"), leaversFilter(from, to)} + rest, out);
}

// "members delete": deletes the members the filter selects through the member rules,
// all or none; without --yes it only counts them.
void deleteMembers(Dataset& members, const QStringList& args, QTextStream& out) {
    QString filter;
    bool haveFilter = false, yes = false;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == u"--yes") {
            yes = true;
        } else if (args[i] == u"--filter") {
            if (i + 1 >= args.size()) throw DataError(QStringLiteral("Zur Option --filter fehlt der Wert."));
            filter = args[++i];
            haveFilter = true;
        } else {
            throw DataError(QStringLiteral("Unbekannte Option »%1«.").arg(args[i]));
        }
    }
    if (!haveFilter)
        throw DataError(QStringLiteral("Aufruf: ferolind-cli members delete --filter AUSDRUCK [--yes]"));
    members.applyFilter(filter);
    if (!yes) {
        out << QStringLiteral("%1 Mitglieder würden gelöscht (zum Löschen --yes angeben).\n").arg(members.recordCount());
        return;
    }
    out << QStringLiteral("%1 Mitglieder gelöscht.\n").arg(deletePresentedMembers(members));
}

// Inserts one record from FIELD=VALUE pairs (values in the German text formats).
void add(Dataset& d, const QStringList& pairs) {
    if (pairs.isEmpty()) throw DataError(QStringLiteral("Es fehlen Angaben der Form FELD=WERT."));
    d.insert();
    try {
        applyFieldPairs(d, pairs);
        if (!d.post()) throw DataError(QStringLiteral("Der Datensatz wurde nicht gespeichert."));
    } catch (...) {
        d.cancel();
        throw;
    }
}

int run(QStringList args, QTextStream& out, QTextStream& err, DataModule& data) {
    QString folder;
    bool haveFolder = false;
    if (args.size() >= 2 && args[0] == u"--db") {
        folder = args[1];
        haveFolder = true;
        args = args.mid(2);
    }
    if (args.isEmpty() || args[0] == u"--help" || args[0] == u"-h") {
        (args.isEmpty() ? err : out) << usage();
        return args.isEmpty() ? 1 : 0;
    }
    const QString command = args.takeFirst();

    if (command == u"plz") {
        if (args.size() != 1) throw DataError(QStringLiteral("Aufruf: ferolind-cli plz PLZ"));
        for (const QString& town : townsForPostalCode(data.postalCodes(), args[0])) out << town << '\n';
        return 0;
    }
    if (command == u"iban") return runIbanCommand(args, out, err) ? 0 : 1;
    if (command == u"dtaus" && !args.isEmpty() && args[0] == u"write") {
        QTextStream in(stdin);
        runDtausWrite(args.mid(1), in, out);
        return 0;
    }
    if (!haveFolder) folder = RegistryGetString(QStringLiteral("DBPfad"));
    if (folder.isEmpty())
        throw DataError(QStringLiteral("Es ist kein Datenbankverzeichnis gewählt: bitte --db VERZEICHNIS angeben."));
    if (command == u"create") {
        if (!args.isEmpty()) throw DataError(QStringLiteral("Aufruf: ferolind-cli [--db VERZEICHNIS] create"));
        createDatabase(folder);
        out << QStringLiteral("Datenbank angelegt: %1\n").arg(databaseFile(folder));
        return 0;
    }

    // The same start-up as the program: the rules attached first, then the tables opened, then
    // the computed member values and the last numbers (so the member values are computed once).
    Session session(data);
    QObject::connect(&session.memberRules(), &MemberRules::notice, [&err](const QString& m) { err << m << '\n'; });
    data.openFolder(folder);
    session.loadAfterOpen();
    if (!isRunFileRewrite(command, args)) writePendingRunFilesAtStart(session, err);

    const QString sub = args.isEmpty() ? QString() : args.takeFirst();
    bool changed = false;
    if (command == u"members" && sub == u"add") {
        add(data.members(), args);
        out << data.members().text(QStringLiteral("ID")) << '\n';
        changed = true;
    } else if (command == u"members" && sub == u"list") {
        list(data.members(), memberColumnFields(), args, out);
    } else if (command == u"members" && sub == u"leavers") {
        listLeavers(data.members(), args, out);
    } else if (command == u"members" && sub == u"delete") {
        deleteMembers(data.members(), args, out);
    } else if (command == u"members" && sub == u"jubilees") {
        const QString filter = jubileeCommandFilter(args, session.memberRules().today());
        list(data.members(), memberColumnFields(), {QStringLiteral("--filter"), filter}, out);
    } else if (command == u"members" && sub == u"stats" && args.isEmpty()) {
        for (const Count& c : memberStatistics(data.members(), session.memberRules().today()))
            out << c.label << '\t' << c.count << '\n';
    } else if (runBookingCommand(session, command, sub, args, out, changed)) {
    } else if (runFeeCommand(session, command, sub, args, out, changed)) {
    } else if (runCertificateCommand(session, command, sub, args, out)) {
    } else if (runPrintCommand(session, command, sub, args, out)) {
    } else if (runDtausCommand(session, command, sub, args, out)) {
    } else if (runSepaCommand(session, command, sub, args, out)) {
    } else if (runLetterCommand(session, command, sub, args, out)) {
    } else if (runExchangeCommand(session, command, sub, args, out, changed)) {
    } else if (runMaintenanceCommand(session, command, sub, args, out)) {
    } else if (runStatementCommand(session, command, sub, args, out, changed)) {
    } else if (command == u"bookings" && sub == u"list") {
        list(data.bookings(), bookingColumnFields(), args, out);
    } else if (command == u"settings" && sub == u"get" && args.size() == 1) {
        out << data.settings().DbSettingGet(args[0]) << '\n';
    } else if (command == u"settings" && sub == u"set" && args.size() == 2) {
        data.settings().DbSettingSet(args[0], args[1]);
    } else {
        err << QStringLiteral("Unbekannter Befehl »%1«.\n").arg((QStringList{command, sub} + args).join(' ').trimmed())
            << usage();
        return 1;
    }
    // The same shutdown: the last numbers back into the settings store.
    if (changed) session.saveAtShutdown();
    return 0;
}

}  // namespace

int runCli(const QStringList& args, QTextStream& out, QTextStream& err) {
    DataModule data;
    try {
        return run(args, out, err, data);
    } catch (const DataError& e) {
        err << e.message() << '\n';
        return 1;
    }
}

int runCliLeavingRows(const QStringList& args, QTextStream& out, QTextStream& err, bool& leaveFast) {
    auto data = std::make_unique<DataModule>();
    int rc = 1;
    try {
        rc = run(args, out, err, *data);
    } catch (const DataError& e) {
        err << e.message() << '\n';
    }
    leaveFast = data->connection() && mayLeaveWithoutClosing(*data->connection());
    if (leaveFast) (void)data.release();  // the process ends next, without freeing the rows
    return rc;
}

}  // namespace ferolind
