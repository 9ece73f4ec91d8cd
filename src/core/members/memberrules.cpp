#include "memberrules.h"

#include "data/datamodule.h"
#include "data/values.h"

#include <QTimer>

namespace ferolind {

const QString MemberRules::kEmptyNumberMessage =
    QStringLiteral("Bitte eine Mitgliedsnummer eingeben! Das Feld darf nicht leer bleiben.");

MemberRules::MemberRules(DataModule& data) : data_(data), members_(data.members()) {
    fId_ = members_.field(QStringLiteral("ID"));
    fEntry_ = members_.field(QStringLiteral("EintrittDatum"));
    fBirth_ = members_.field(QStringLiteral("Geburtsdatum"));
    fJubilee_ = members_.field(QStringLiteral("Jubilaeum"));
    fPaid_ = members_.field(QStringLiteral("BeitragAktuellBezahlt"));

    using E = Dataset::Event;
    members_.on(E::AfterInsert, [this](Dataset& d) {
        // A cancelled new record uses up no number: the counter moves only on save.
        d.setText(QStringLiteral("ID"), QString::number(data_.lastMemberNumber + 1));
        d.setValue(QStringLiteral("EintrittDatum"), today());
        if (entry.setFeeButtonEnabled) entry.setFeeButtonEnabled(true);
    });
    members_.on(E::BeforeEdit, [this](Dataset&) {
        if (entry.showing && entry.showing() && entry.setSaveEnabled) entry.setSaveEnabled(true);
    });
    members_.onBeforeStore([this](Dataset& d) {
        if (d.isNull(QStringLiteral("ID"))) {
            if (notify) notify(kEmptyNumberMessage);
            d.setValue(QStringLiteral("ID"), 0);
        }
        return true;
    });
    members_.on(E::AfterStore, [this](Dataset& d) {
        SettingsStore& s = data_.settings();
        QStringList salutations = s.DbSettingGetList(QStringLiteral("Anrede"));
        const QString salutation = d.text(QStringLiteral("Anrede"));
        if (!salutation.isEmpty() && !salutations.contains(salutation, Qt::CaseSensitive)) salutations << salutation;
        s.DbSettingSetList(QStringLiteral("Anrede"), salutations);
        if (!d.isNull(QStringLiteral("ID"))) {
            const int id = d.intValue(QStringLiteral("ID"));
            if (id > data_.lastMemberNumber) data_.lastMemberNumber = id;
        }
    });
    members_.on(E::AfterScroll, [this](Dataset&) {
        if (entry.showing && entry.showing() && entry.recordChanged) entry.recordChanged();
    });

    // The fee-paid flag depends on the fee payments and on the period kind.
    connect(&data_.feePayments(), &Dataset::contentChanged, this, [this] {
        indexDirty_ = true;
        scheduleRefresh();
    });
    connect(&data_.settingsEntries(), &Dataset::contentChanged, this, [this] {
        if (paymentPeriodKind() != cachedKind_) scheduleRefresh();
    });
    members_.setComputeHandler([this](Row& r) { compute(r); });
}

MemberRules::~MemberRules() { members_.setComputeHandler({}); }

namespace {
int yearOf(const QVariant& date) {
    return date.typeId() == QMetaType::QDate ? date.toDate().year() : toDateTime(date).date().year();
}
}  // namespace

QString MemberRules::jubileeText(const QVariant& entryDate, const QVariant& birthDate, int year) {
    QString text;
    if (!entryDate.isNull()) {
        const int e = yearOf(entryDate);
        if (year > e) text = QString::number(year - e) + QStringLiteral("-jähriges Vereinsjubiläum");
    }
    if (!birthDate.isNull()) {
        const int g = yearOf(birthDate);
        if (year > g) {
            const QString birthday = QString::number(year - g) + QStringLiteral("-jährigen Geburtstag");
            text = text.isEmpty() ? birthday : text + QStringLiteral(" und ") + birthday;
        }
    }
    return text;
}

int MemberRules::paymentPeriodKind() const {
    return data_.settings().DbSettingGetInt(QStringLiteral("Zahlungszeitraum"));
}

void MemberRules::ensureIndex() const {
    if (!indexDirty_) return;
    index_.rebuild(data_.feePayments());
    cachedKind_ = paymentPeriodKind();
    indexDirty_ = false;
}

bool MemberRules::isCurrentFeePaid(int memberId) const { return isFeePaidOn(memberId, today()); }

// The period of the day in the current kind: its month, or its quarter (quarterly
// payments are asked for the quarter the day falls in).
bool MemberRules::isFeePaidOn(int memberId, const QDate& day) const {
    ensureIndex();
    const int period = cachedKind_ == int(PaymentPeriod::Monthly) ? day.month() : quarterOf(day);
    return index_.IsFeePaid(memberId, cachedKind_, day.year(), period);
}

void MemberRules::compute(Row& r) const {
    // The members are opened before the fee payments; computing then would be undone
    // at once, so the values wait for the payments (Session::loadAfterOpen).
    if (!data_.feePayments().isOpen()) return;
    const QDate d = today();
    const QString t = jubileeText(r[fEntry_], r[fBirth_], d.year());
    r[fJubilee_] = t.isEmpty() ? QVariant() : QVariant(t);
    ensureIndex();
    if (cachedKind_ < 0 || cachedKind_ > 2) return;  // an unknown kind leaves the flag as it was
    r[fPaid_] = !r[fId_].isNull() && isFeePaidOn(r[fId_].toInt(), d);
}

void MemberRules::scheduleRefresh() {
    if (refreshScheduled_) return;
    refreshScheduled_ = true;
    // Many payments stored in one go recompute the members once, afterwards.
    QTimer::singleShot(0, this, [this] {
        if (refreshScheduled_) refreshComputedValues();
    });
}

void MemberRules::refreshComputedValues() {
    refreshScheduled_ = false;
    indexDirty_ = true;
    members_.recomputeAll();
}

QStringList MemberRules::paidPeriodLines(int memberId) const {
    QStringList lines;
    const Dataset& p = data_.feePayments();
    if (!p.isOpen()) return lines;
    const int kind = paymentPeriodKind();
    const int fMember = p.field(QStringLiteral("Mitgliedsnummer")), fYear = p.field(QStringLiteral("Jahr")),
              fMonth = p.field(QStringLiteral("Monat")), fQuarter = p.field(QStringLiteral("Quartal"));
    for (int i = 0; i < p.totalCount(); ++i) {
        const Row& r = p.recordAt(i);
        if (r[fMember].isNull() || r[fMember].toInt() != memberId) continue;
        // A missing value reads as 0.
        const QString year = QString::number(r[fYear].toInt());
        if (kind == int(PaymentPeriod::Monthly))
            lines << QString::number(r[fMonth].toInt()) + QStringLiteral(" - ") + year;
        else if (kind == int(PaymentPeriod::Quarterly))
            lines << QString::number(r[fQuarter].toInt()) + QStringLiteral(" - ") + year;
        else
            lines << year;
    }
    return lines;
}

QString MemberRules::feeTextOfClass(const QString& className) const {
    const Dataset& c = data_.feeClasses();
    if (!c.isOpen() || className.isEmpty()) return {};
    const int fName = c.field(QStringLiteral("Name")), fFee = c.field(QStringLiteral("Beitrag"));
    for (int i = 0; i < c.totalCount(); ++i) {
        const Row& r = c.recordAt(i);
        if (r[fName].toString() == className) return moneyToFixed2(r[fFee].toLongLong()) + QStringLiteral(" €");
    }
    return {};
}

}  // namespace ferolind
