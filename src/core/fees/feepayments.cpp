#include "feepayments.h"

#include "booking/bookingrules.h"
#include "data/connection.h"
#include "data/datamodule.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "data/paymentstore.h"
#include "data/settings.h"
#include "members/memberrules.h"
#include "session/session.h"

namespace ferolind {

namespace {

// Suspends the displays of the shared datasets for as long as it lives, also on errors.
class DisplaysSuspended {
public:
    explicit DisplaysSuspended(DataModule& data) : data_(data) { data_.DisconnectDB(); }
    ~DisplaysSuspended() { data_.ConnectDB(); }
    DisplaysSuspended(const DisplaysSuspended&) = delete;
    DisplaysSuspended& operator=(const DisplaysSuspended&) = delete;

private:
    DataModule& data_;
};

// The row of a member among all members (whatever the filter); null when none has the number.
std::optional<RowRef> memberRow(Dataset& members, int memberId) {
    const int fId = members.field(QStringLiteral("ID"));
    for (int i = 0; i < members.totalCount(); ++i) {
        const RowRef r = members.recordAt(i);
        if (!r.isNull(fId) && r[fId].toInt() == memberId) return r;
    }
    return std::nullopt;
}

}  // namespace

QString notAWholeNumberMessage(const QString& text) {
    return QStringLiteral("'%1' ist kein gültiger Integer-Wert").arg(text);
}

int wholeNumber(const QString& text) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok) throw DataError(notAWholeNumberMessage(text));
    return n;
}

FeePeriod feePeriodFromTexts(int kind, const QString& yearText, const QString& periodText) {
    FeePeriod p;
    p.kind = kind;
    p.year = wholeNumber(yearText);
    if (p.year < 1 || p.year > 9999) throw DataError(QStringLiteral("%1 ist kein gültiges Jahr.").arg(p.year));
    if (kind == int(PaymentPeriod::Monthly)) {
        p.period = wholeNumber(periodText);
        if (p.period < 1 || p.period > 12)
            throw DataError(QStringLiteral("%1 ist kein gültiger Monat (1 bis 12).").arg(p.period));
    } else if (kind == int(PaymentPeriod::Quarterly)) {
        p.period = wholeNumber(periodText);
        if (p.period < 1 || p.period > 4)
            throw DataError(QStringLiteral("%1 ist kein gültiges Quartal (1 bis 4).").arg(p.period));
    } else if (kind != int(PaymentPeriod::Yearly)) {
        throw DataError(QStringLiteral("Unbekannter Zahlungszeitraum %1.").arg(kind));
    }
    return p;
}

int storedPaymentPeriodKind(DataModule& data) {
    const int kind = data.settings().DbSettingGetInt(kPaymentPeriodEntry);
    return kind >= 0 && kind <= 2 ? kind : int(PaymentPeriod::Monthly);
}

void storePaymentPeriodKind(DataModule& data, int kind) { data.settings().DbSettingSetInt(kPaymentPeriodEntry, kind); }

QStringList periodBoxItems(int kind) {
    const int count = kind == int(PaymentPeriod::Monthly) ? 12 : kind == int(PaymentPeriod::Quarterly) ? 4 : 0;
    QStringList items;
    for (int i = 1; i <= count; ++i) items << QString::number(i);
    return items;
}

QString periodLabelText(int kind) {
    if (kind == int(PaymentPeriod::Monthly)) return QStringLiteral("Monat");
    if (kind == int(PaymentPeriod::Quarterly)) return QStringLiteral("Quartal");
    return {};
}

QStringList yearBoxItems(const QDate& today) {
    QStringList items;
    for (int y = today.year() - 15; y <= today.year() + 5; ++y) items << QString::number(y);
    return items;
}

FeePeriod openingPeriod(int kind, const QDate& today) {
    FeePeriod p;
    p.kind = kind;
    p.year = today.year();
    if (kind == int(PaymentPeriod::Monthly)) p.period = today.month();
    if (kind == int(PaymentPeriod::Quarterly)) p.period = 1;
    return p;
}

QString memberPickText(const QVariant& id, const QString& firstName, const QString& lastName) {
    return id.toString() + QStringLiteral(" -  ") + firstName + QLatin1Char(' ') + lastName;
}

int memberOfPickText(const QString& pickText) { return pickText.section(QLatin1Char(' '), 0, 0).toInt(); }

QStringList unpaidMemberPicks(Session& session, const FeePeriod& period) {
    DataModule& data = session.data();
    Dataset& m = data.members();
    const MemberRules& rules = session.memberRules();
    DisplaysSuspended quiet(data);
    QStringList picks;
    const int fId = m.field(QStringLiteral("ID")), fFirst = m.field(QStringLiteral("Vorname")),
              fLast = m.field(QStringLiteral("Nachname"));
    for (int p = 0; p < m.recordCount(); ++p) {
        const RowRef r = m.rowAt(p);
        if (!r[fId].isNull() && rules.IsFeePaid(r[fId].toInt(), period.kind, period.year, period.period)) continue;
        picks << memberPickText(r[fId], r[fFirst].toString(), r[fLast].toString());
    }
    return picks;
}

QString arrearsFilter(Session& session, const FeePeriod& period) {
    Dataset& m = session.data().members();
    const MemberRules& rules = session.memberRules();
    const int fId = m.field(QStringLiteral("ID"));
    QString text;
    for (int p = 0; p < m.recordCount(); ++p) {
        const QVariant& id = m.rowAt(p)[fId];
        // A member without number can be named in no filter; it stays listed.
        if (id.isNull() || !rules.IsFeePaid(id.toInt(), period.kind, period.year, period.period)) continue;
        text += text.isEmpty() ? QStringLiteral("ID<>") : QStringLiteral(" and ID<>");
        text += QString::number(id.toInt());
    }
    return text;
}

void showArrears(Session& session, const FeePeriod& period) {
    Dataset& m = session.data().members();
    QString filter;
    {
        DisplaysSuspended quiet(session.data());
        m.clearFilter();
        filter = arrearsFilter(session, period);
    }
    m.applyFilter(filter);
}

void recordFeePayment(Session& session, int memberId, const FeePeriod& period) {
    DataModule& data = session.data();
    if (!memberRow(data.members(), memberId))
        throw DataError(QStringLiteral("Es gibt kein Mitglied mit der Nummer %1.").arg(memberId));
    const QString paid = QStringLiteral("Für das Mitglied %1 ist der Beitrag dieses Zeitraums schon gebucht.").arg(memberId);
    // Asked of the file under its write lock, not of the memory: another workstation may
    // have stored the payment since the table was read (and the memory's index would be
    // rebuilt for every payment of a long import).
    Transaction tx(data.connection());
    if (data.connection() && feePaymentInFile(*data.connection(), memberId, period.kind, period.year, period.period))
        throw DataError(paid);
    storeFeePaymentRow(data, memberId, period);
    tx.commit();
}

void storeFeePaymentRow(DataModule& data, int memberId, const FeePeriod& period) {
    Dataset& p = data.feePayments();
    p.checkBrowseMode();
    p.insert();
    try {
        p.setValue(QStringLiteral("Mitgliedsnummer"), memberId);
        p.setValue(QStringLiteral("Jahr"), period.year);
        p.setValue(QStringLiteral("Monat"), period.kind == int(PaymentPeriod::Monthly) ? period.period : 0);
        p.setValue(QStringLiteral("Quartal"), period.kind == int(PaymentPeriod::Quarterly) ? period.period : 0);
        if (!p.post()) throw DataError(QStringLiteral("Die Beitragszahlung wurde nicht gespeichert."));
    } catch (...) {
        p.cancel();
        throw;
    }
}

void deleteCurrentFeePayment(DataModule& data) {
    Dataset& p = data.feePayments();
    if (!p.isOpen() || p.isEmpty()) return;
    p.checkBrowseMode();
    p.remove();
}

std::optional<Money> feeOfClass(DataModule& data, const QString& className) {
    const Dataset& c = data.feeClasses();
    if (!c.isOpen() || className.isEmpty()) return std::nullopt;
    const int fName = c.field(QStringLiteral("Name")), fFee = c.field(QStringLiteral("Beitrag"));
    for (int i = 0; i < c.totalCount(); ++i) {
        const RowRef r = c.recordAt(i);
        if (r[fName].toString() == className && !r[fFee].isNull()) return r[fFee].toLongLong();
    }
    return std::nullopt;
}

QString feeBookingText(const FeePeriod& period) {
    QString text = QStringLiteral("Beitragszahlung ");
    if (period.kind != int(PaymentPeriod::Yearly)) text += QString::number(period.period) + QStringLiteral(" - ");
    return text + QString::number(period.year);
}

void prepareFeeBooking(Session& session, int memberId, const FeePeriod& period) {
    DataModule& data = session.data();
    Dataset& m = data.members();
    const std::optional<RowRef> member = memberRow(m, memberId);
    if (!member) throw DataError(QStringLiteral("Es gibt kein Mitglied mit der Nummer %1.").arg(memberId));
    const QString payee = (*member)[m.field(QStringLiteral("Vorname"))].toString() + QLatin1Char(' ') +
                          (*member)[m.field(QStringLiteral("Nachname"))].toString();
    const std::optional<Money> fee = feeOfClass(data, (*member)[m.field(QStringLiteral("Betrag"))].toString());
    m.locate(QStringLiteral("ID"), {memberId});

    Dataset& b = data.bookings();
    b.checkBrowseMode();
    b.insert();  // the booking rules: next number, today, "E"
    try {
        b.setValue(QStringLiteral("Empfaenger/Absender"), payee.trimmed().isEmpty() ? QVariant() : QVariant(payee));
        b.setValue(QStringLiteral("Datum"), session.bookingRules().today());
        b.setValue(QStringLiteral("Buchungstext"), feeBookingText(period));
        b.setValue(QStringLiteral("Kategorie"), kFeeCategory);
        if (fee) b.setValue(QStringLiteral("Betrag"), *fee);
    } catch (...) {
        b.cancel();
        throw;
    }
}

}  // namespace ferolind
