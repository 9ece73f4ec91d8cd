#include "bookingcommands.h"

#include "booking/accounts.h"
#include "booking/bookingrules.h"
#include "booking/yearend.h"
#include "data/datamodule.h"
#include "data/paths.h"
#include "data/values.h"
#include "fieldpairs.h"
#include "session/session.h"

#include <QHash>

namespace ferolind {

QString bookingCommandsUsage() {
    return QStringLiteral(
        "  bookings add FELD=WERT ...             speichert eine Buchung, gibt ihre Buchungsnummer aus\n"
        "  bookings edit NUMMER FELD=WERT ...     ändert die Buchung mit dieser Buchungsnummer\n"
        "  bookings delete NUMMER                 löscht die Buchung mit dieser Buchungsnummer\n"
        "  bookings transfer --from KONTO --to KONTO --amount BETRAG [--text TEXT] [--date TT.MM.JJJJ]\n"
        "  bookings close-year --yes              schließt das Buchungsjahr ab, gibt den Pfad des Archivs aus\n"
        "  balances [recompute]                   die Kontostände der Bestandskonten (neu berechnet)\n");
}

namespace {

// The store went through, or the rules said why not.
void store(Session& session, Dataset& b) {
    if (b.post()) return;
    const QStringList why = session.bookingRules().problems();
    throw DataError(why.isEmpty() ? QStringLiteral("Die Buchung wurde nicht gespeichert.") : why.join('\n'));
}

// The booking with that number; one only, so that no other booking is changed by mistake.
void locateBooking(Dataset& b, const QString& numberText) {
    bool ok = false;
    const int number = numberText.trimmed().toInt(&ok);
    if (!ok) throw DataError(QStringLiteral("»%1« ist keine Buchungsnummer.").arg(numberText));
    b.clearFilter();
    const int f = b.field(QStringLiteral("Buchungsnummer"));
    int found = 0;
    for (int i = 0; i < b.totalCount(); ++i) found += b.recordAt(i)[f] == QVariant(number);
    if (found == 0) throw DataError(QStringLiteral("Es gibt keine Buchung mit der Nummer %1.").arg(number));
    if (found > 1)
        throw DataError(QStringLiteral("Mehrere Buchungen tragen die Nummer %1: bitte im Programm bearbeiten.").arg(number));
    b.locate(QStringLiteral("Buchungsnummer"), {number});
}

// --name value options; every option named must be known, values must be present.
QHash<QString, QString> options(const QStringList& args, const QStringList& known) {
    QHash<QString, QString> o;
    for (int i = 0; i < args.size(); ++i) {
        const QString name = args[i];
        if (!known.contains(name)) throw DataError(QStringLiteral("Unbekannte Option »%1«.").arg(name));
        if (i + 1 >= args.size()) throw DataError(QStringLiteral("Zur Option %1 fehlt der Wert.").arg(name));
        o.insert(name, args[++i]);
    }
    return o;
}

void transferCommand(DataModule& data, const QStringList& args) {
    const auto o = options(args, {"--from", "--to", "--amount", "--text", "--date"});
    for (const char* required : {"--from", "--to", "--amount"})
        if (o.value(QString::fromLatin1(required)).isEmpty())
            throw DataError(QStringLiteral("Es fehlt die Option %1.").arg(QString::fromLatin1(required)));
    QDate date = QDate::currentDate();
    if (o.contains("--date")) {
        const QVariant d = parseDate(o.value("--date"));
        if (d.isNull()) throw DataError(QStringLiteral("»%1« ist kein gültiges Datum.").arg(o.value("--date")));
        date = toDateTime(d).date();
    }
    transfer(data, o.value("--from"), o.value("--to"), o.value("--amount"), o.value("--text"), date);
}

}  // namespace

bool runBookingCommand(Session& session, const QString& command, const QString& sub, const QStringList& args,
                       QTextStream& out, bool& changed) {
    DataModule& data = session.data();
    Dataset& b = data.bookings();
    if (command == u"balances") {
        if (sub == u"recompute" && args.isEmpty()) {
            recomputeBalances(data);
            out << kBalancesRecomputedMessage << '\n';
        } else if (!sub.isEmpty() || !args.isEmpty()) {
            return false;
        }
        for (const AccountBalance& a : accountBalances(data)) out << a.account << '\t' << moneyToCurrency(a.balance) << '\n';
        return true;
    }
    if (command != u"bookings") return false;
    if (sub == u"add") {
        b.insert();
        try {
            applyFieldPairs(b, args);
            store(session, b);
        } catch (...) {
            b.cancel();
            throw;
        }
        out << b.text(QStringLiteral("Buchungsnummer")) << '\n';
    } else if (sub == u"edit" && !args.isEmpty()) {
        locateBooking(b, args[0]);
        b.edit();
        try {
            applyFieldPairs(b, args.mid(1));
            store(session, b);
        } catch (...) {
            b.cancel();
            throw;
        }
    } else if (sub == u"delete" && args.size() == 1) {
        locateBooking(b, args[0]);
        b.remove();
    } else if (sub == u"transfer") {
        transferCommand(data, args);
    } else if (sub == u"close-year") {
        if (args != QStringList{"--yes"})
            throw DataError(QStringLiteral(
                "Der Jahresabschluss archiviert und löscht alle %1 Buchungen: bitte mit --yes bestätigen. "
                "Es wurde nichts geändert.")
                                .arg(b.totalCount()));
        out << closeBookingYear(data, applicationDataFolder(), QDateTime::currentDateTime()) << '\n';
    } else {
        return false;
    }
    changed = true;
    return true;
}

}  // namespace ferolind
