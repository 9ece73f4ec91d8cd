#include "memberrules.h"

#include "data/collation.h"
#include "data/datamodule.h"
#include "data/errors.h"
#include "data/numbering.h"
#include "data/values.h"

#include <QTimer>
#include <algorithm>
#include <limits>

namespace ferolind {

const QString MemberRules::kEmptyNumberMessage =
    QStringLiteral("Bitte eine Mitgliedsnummer eingeben! Das Feld darf nicht leer bleiben.");
const QString MemberRules::kDirectDebitOffMessage = QStringLiteral(
    "Die DTAUS-Teilnahme wurde ausgeschaltet: Bitte die Felder Kontonummer, Kontoinhaber, Bankleitzahl und "
    "Jahresbeitrag ausfüllen, um DTAUS nutzen zu können!");
const QString MemberRules::kWrongFeeClassMessage = QStringLiteral("Diese Beitragsklasse ist nicht vorhanden");
const QString MemberRules::kLastNumberEntry = QStringLiteral("LastMitgliedsID");

QString MemberRules::numbersExhaustedMessage() {
    return QStringLiteral("Es gibt keine freie Mitgliedsnummer über %1 mehr: Bitte eine Mitgliedsnummer eingeben.")
        .arg(std::numeric_limits<int>::max());
}

void MemberRules::tell(const QString& message) {
    problems_ << message;
    emit notice(message);
}

// The number proposed on "Neu" may have been taken by another workstation meanwhile: the
// file's entry and its highest number decide, inside the store's transaction.
void MemberRules::takeFreeNumber(Dataset& d) {
    const int free = freeNumber(data_.settings(), kLastNumberEntry, d, QStringLiteral("ID"), proposedNumber_);
    if (free == 0) throw DataError(numbersExhaustedMessage());
    // The proposal itself stays: should the store fail, the retry checks again.
    if (free != proposedNumber_) d.setValue(QStringLiteral("ID"), free);
}

bool MemberRules::directDebitDataComplete(const RowRef& r) const {
    for (int f : {fAccount_, fFeeClass_, fBankCode_, fHolder_})
        if (r.value(f).toString().isEmpty()) return false;  // also: no record at all
    return true;
}

// A member without complete direct-debit data never keeps the participation.
void MemberRules::checkDirectDebit(Dataset& d) {
    if (!d.value(QStringLiteral("DTAUS")).toBool() || directDebitDataComplete(d.currentRow())) return;
    d.setValue(QStringLiteral("DTAUS"), false);
    tell(kDirectDebitOffMessage);
}

// An unknown fee class is stored all the same, with the warning.
void MemberRules::checkFeeClass(Dataset& d) {
    const QString name = d.text(QStringLiteral("Betrag"));
    if (!name.isEmpty() && !feeClassExists(name)) tell(kWrongFeeClassMessage);
}

QStringList MemberRules::feeClassNames() const {
    QStringList names;
    const Dataset& c = data_.feeClasses();
    if (!c.isOpen()) return names;
    const int fName = c.field(QStringLiteral("Name"));
    for (int i = 0; i < c.totalCount(); ++i) names << c.recordAt(i)[fName].toString();
    return names;
}

QStringList MemberRules::sortedFeeClassNames() const { return sortedGerman(feeClassNames()); }

bool MemberRules::feeClassExists(const QString& name) const { return feeClassNames().contains(name); }

MemberRules::MemberRules(DataModule& data) : data_(data), members_(data.members()) {
    fId_ = members_.field(QStringLiteral("ID"));
    fEntry_ = members_.field(QStringLiteral("EintrittDatum"));
    fBirth_ = members_.field(QStringLiteral("Geburtsdatum"));
    fJubilee_ = members_.field(QStringLiteral("Jubilaeum"));
    fPaid_ = members_.field(QStringLiteral("BeitragAktuellBezahlt"));
    fAccount_ = members_.field(QStringLiteral("Kontonummer"));
    fFeeClass_ = members_.field(QStringLiteral("Betrag"));
    fBankCode_ = members_.field(QStringLiteral("Bankleitzahl"));
    fHolder_ = members_.field(QStringLiteral("Kontoinhaber"));

    using E = Dataset::Event;
    members_.on(E::AfterInsert, [this](Dataset& d) {
        // A cancelled new record uses up no number: the counter moves only on save.
        proposedNumber_ = nextNumberAfter(data_.lastMemberNumber);
        if (proposedNumber_ > 0)
            d.setText(QStringLiteral("ID"), QString::number(proposedNumber_));
        else
            tell(numbersExhaustedMessage());
        d.setValue(QStringLiteral("EintrittDatum"), today());
    });
    members_.on(E::BeforeEdit, [this](Dataset&) { proposedNumber_ = 0; });
    // Runs inside the store's transaction, with the file's write lock held.
    members_.onBeforeStore([this](Dataset& d) {
        problems_.clear();
        if (d.isNull(QStringLiteral("ID"))) {
            tell(kEmptyNumberMessage);
            d.setValue(QStringLiteral("ID"), 0);
        } else if (d.state() == Dataset::State::Insert && proposedNumber_ > 0 &&
                   d.intValue(QStringLiteral("ID")) == proposedNumber_) {
            takeFreeNumber(d);
        }
        checkDirectDebit(d);
        checkFeeClass(d);
        return true;
    });
    members_.on(E::AfterStore, [this](Dataset& d) {
        proposedNumber_ = 0;
        SettingsStore& s = data_.settings();
        const QString salutation = d.storedText(QStringLiteral("Anrede"));
        // Written only when it grows, to the list as the file holds it: what another
        // workstation added meanwhile stays. The memory's list spares a known one the read.
        if (!salutation.isEmpty() &&
            !s.DbSettingGetList(QStringLiteral("Anrede")).contains(salutation, Qt::CaseSensitive))
            s.DbSettingAddToList(QStringLiteral("Anrede"), salutation);
        const QVariant id = d.storedRecord()[fId_];
        if (!id.isNull()) data_.lastMemberNumber = s.DbSettingRaiseInt(kLastNumberEntry, id.toInt());
    });

    // The fee-paid flag depends on the fee payments and on the period kind.
    connect(&data_.feePayments(), &Dataset::contentChanged, this, [this] {
        indexDirty_ = true;
        scheduleRefresh();
    });
    connect(&data_.settingsEntries(), &Dataset::contentChanged, this, [this] {
        if (paymentPeriodKind() != cachedKind_) scheduleRefresh();
    });
    members_.setComputeHandler([this](RowAccess& r) { compute(r); });
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

bool MemberRules::IsFeePaid(int memberId, int kind, int year, int period) const {
    ensureIndex();
    return index_.IsFeePaid(memberId, kind, year, period);
}

// The period of the day in the current kind: its month, or its quarter (quarterly
// payments are asked for the quarter the day falls in).
bool MemberRules::isFeePaidOn(int memberId, const QDate& day) const {
    ensureIndex();
    const int period = cachedKind_ == int(PaymentPeriod::Monthly) ? day.month() : quarterOf(day);
    return index_.IsFeePaid(memberId, cachedKind_, day.year(), period);
}

void MemberRules::compute(RowAccess& r) const {
    // The members are opened before the fee payments; computing then would be undone
    // at once, so the values wait for the payments (Session::loadAfterOpen).
    if (!data_.feePayments().isOpen()) return;
    const QDate d = batchDay_.isValid() ? batchDay_ : today();
    const QString t = jubileeText(r[fEntry_], r[fBirth_], d.year());
    r.set(fJubilee_, t.isEmpty() ? QVariant() : QVariant(t));
    ensureIndex();
    if (cachedKind_ < 0 || cachedKind_ > 2) return;  // an unknown kind leaves the flag as it was
    r.set(fPaid_, !r.isNull(fId_) && isFeePaidOn(r[fId_].toInt(), d));
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
    batchDay_ = today();
    try {
        members_.recomputeAll();
    } catch (...) {
        batchDay_ = QDate();
        throw;
    }
    batchDay_ = QDate();
}

QStringList MemberRules::paidPeriodLines(int memberId) const {
    QStringList lines;
    const Dataset& p = data_.feePayments();
    if (!p.isOpen()) return lines;
    const int kind = paymentPeriodKind();
    const int fMember = p.field(QStringLiteral("Mitgliedsnummer")), fYear = p.field(QStringLiteral("Jahr")),
              fMonth = p.field(QStringLiteral("Monat")), fQuarter = p.field(QStringLiteral("Quartal"));
    for (int i = 0; i < p.totalCount(); ++i) {
        const RowRef r = p.recordAt(i);
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
        const RowRef r = c.recordAt(i);
        if (r[fName].toString() == className) return moneyToFixed2(r[fFee].toLongLong()) + QStringLiteral(" €");
    }
    return {};
}

}  // namespace ferolind
