#include "feecommands.h"
#include "options.h"

#include "booking/bookingrules.h"
#include "data/connection.h"
#include "data/datamodule.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "data/values.h"
#include "fees/feepayments.h"
#include "members/columns.h"
#include "session/session.h"

#include <QHash>

namespace ferolind {

QString feeCommandsUsage() {
    return QStringLiteral(
        "  fees pay --member ID --year JAHR [--month MONAT | --quarter QUARTAL] [--book KONTO [--amount BETRAG]]\n"
        "                                         speichert die Beitragszahlung (ohne Monat und Quartal: das Jahr),\n"
        "                                         mit --book auch die Einnahme auf dem Bestandskonto\n"
        "  fees arrears --year JAHR [--month MONAT | --quarter QUARTAL]\n"
        "                                         die Mitglieder ohne Beitragszahlung im Zeitraum (wie members list)\n");
}

namespace {

// --name value options; every option must be known and have its value.
QHash<QString, QString> feeOptions(const QStringList& args, const QStringList& known) {
    const QHash<QString, QString> o = parseCliOptions(args, known, {}).values;
    if (!o.contains(QStringLiteral("--year"))) throw DataError(QStringLiteral("Es fehlt die Option --year."));
    if (o.contains(QStringLiteral("--month")) && o.contains(QStringLiteral("--quarter")))
        throw DataError(QStringLiteral("Bitte nur eine der Optionen --month und --quarter angeben."));
    return o;
}

// The period the options name: a month, a quarter, or else the whole year.
FeePeriod periodOf(const QHash<QString, QString>& o) {
    if (o.contains(QStringLiteral("--month")))
        return feePeriodFromTexts(int(PaymentPeriod::Monthly), o.value("--year"), o.value("--month"));
    if (o.contains(QStringLiteral("--quarter")))
        return feePeriodFromTexts(int(PaymentPeriod::Quarterly), o.value("--year"), o.value("--quarter"));
    return feePeriodFromTexts(int(PaymentPeriod::Yearly), o.value("--year"), QString());
}

void pay(Session& session, const QStringList& args, QTextStream& out) {
    const auto o = feeOptions(args, {"--member", "--year", "--month", "--quarter", "--book", "--amount"});
    if (!o.contains(QStringLiteral("--member"))) throw DataError(QStringLiteral("Es fehlt die Option --member."));
    bool ok = false;
    const int member = o.value("--member").trimmed().toInt(&ok);
    if (!ok) throw DataError(QStringLiteral("»%1« ist keine Mitgliedsnummer.").arg(o.value("--member")));
    if (o.contains(QStringLiteral("--amount")) && !o.contains(QStringLiteral("--book")))
        throw DataError(QStringLiteral("Die Option --amount gilt nur mit --book."));
    const FeePeriod period = periodOf(o);

    DataModule& data = session.data();
    Dataset& b = data.bookings();
    // The payment row and its booking: both or neither.
    Transaction tx(data.connection());
    recordFeePayment(session, member, period);
    if (o.contains(QStringLiteral("--book"))) {
        prepareFeeBooking(session, member, period);
        try {
            b.setValue(QStringLiteral("Bestandskonto"), o.value("--book"));
            if (o.contains(QStringLiteral("--amount"))) b.setText(QStringLiteral("Betrag"), o.value("--amount"));
            if (b.isNull(QStringLiteral("Betrag")))
                throw DataError(QStringLiteral(
                    "Die Beitragsklasse des Mitglieds nennt keinen Beitrag: bitte den Betrag mit --amount angeben."));
            if (!b.post()) {
                const QStringList why = session.bookingRules().problems();
                throw DataError(why.isEmpty() ? QStringLiteral("Die Buchung wurde nicht gespeichert.") : why.join('\n'));
            }
        } catch (...) {
            b.cancel();
            throw;
        }
    }
    tx.commit();
    if (o.contains(QStringLiteral("--book"))) out << b.text(QStringLiteral("Buchungsnummer")) << '\n';
}

// The members in arrears, as "members list" prints them; the period kind is the club's.
void arrears(Session& session, const QStringList& args, QTextStream& out) {
    const auto o = feeOptions(args, {"--year", "--month", "--quarter"});
    const int kind = storedPaymentPeriodKind(session.data());
    const char* wanted = kind == int(PaymentPeriod::Monthly) ? "--month" : kind == int(PaymentPeriod::Quarterly) ? "--quarter" : nullptr;
    for (const char* option : {"--month", "--quarter"}) {
        const bool given = o.contains(QString::fromLatin1(option));
        const bool needed = wanted && qstrcmp(wanted, option) == 0;
        if (given != needed)
            throw DataError(QStringLiteral("Der Zahlungszeitraum des Vereins ist %1: bitte %2.")
                                .arg(kind == 0 ? QStringLiteral("monatlich") : kind == 1 ? QStringLiteral("quartalsweise") : QStringLiteral("jährlich"),
                                     wanted ? QStringLiteral("--year und %1 angeben").arg(QString::fromLatin1(wanted))
                                            : QStringLiteral("nur --year angeben")));
    }
    const QString periodText = wanted ? o.value(QString::fromLatin1(wanted)) : QString();
    showArrears(session, feePeriodFromTexts(kind, o.value("--year"), periodText));

    Dataset& m = session.data().members();
    QVector<int> fields;
    for (const QString& n : memberColumnFields()) fields << m.field(n);
    QStringList header;
    for (int f : fields) header << m.fields()[f].name;
    out << header.join('\t') << '\n';
    for (int p = 0; p < m.recordCount(); ++p) {
        const RowRef r = m.rowAt(p);
        QStringList cells;
        for (int f : fields) cells << valueToText(m.fields()[f].type, r[f]);
        out << cells.join('\t') << '\n';
    }
}

}  // namespace

bool runFeeCommand(Session& session, const QString& command, const QString& sub, const QStringList& args,
                   QTextStream& out, bool& changed) {
    if (command != u"fees") return false;
    if (sub == u"pay") {
        pay(session, args, out);
        changed = true;
    } else if (sub == u"arrears") {
        arrears(session, args, out);
    } else {
        return false;
    }
    return true;
}

}  // namespace ferolind
