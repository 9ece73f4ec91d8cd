#include "bookingrules.h"

#include "data/connection.h"
#include "data/datamodule.h"
#include "data/errors.h"
#include "data/numbering.h"

#include <limits>

namespace ferolind {

const QString BookingRules::kIncomeCategories = QStringLiteral("kategorienplus");
const QString BookingRules::kExpenseCategories = QStringLiteral("kategorienminus");
const QString BookingRules::kAccounts = QStringLiteral("bestandskonten");
const QString BookingRules::kLastNumberEntry = QStringLiteral("LastBuchungsID");
const QString BookingRules::kNoAccountMessage = QStringLiteral(
    "Bitte ein Bestandskonto eingeben, ansonsten kann die Buchung nicht gespeichert werden.");
const QString BookingRules::kTransferPayee = QStringLiteral("Umbuchung");

QString correctedName(const QString& typed, const QStringList& offered) {
    if (typed.isEmpty() || offered.contains(typed)) return {};
    const QChar first = typed.front();
    if (first < u'a' || first > u'z') return {};
    const QString upper = first.toUpper() + typed.mid(1);
    return offered.contains(upper) ? upper : QString();
}

BookingRules::BookingRules(DataModule& data) : data_(data), bookings_(data.bookings()) {
    fNumber_ = bookings_.field(QStringLiteral("Buchungsnummer"));
    fPayee_ = bookings_.field(QStringLiteral("Empfaenger/Absender"));
    fAmount_ = bookings_.field(QStringLiteral("Betrag"));
    fDirection_ = bookings_.field(QStringLiteral("SollHaben"));
    fCategory_ = bookings_.field(QStringLiteral("Kategorie"));
    fAccount_ = bookings_.field(QStringLiteral("Bestandskonto"));

    using E = Dataset::Event;
    bookings_.on(E::AfterInsert, [this](Dataset& d) {
        // A cancelled new booking uses up no number: the counter moves only on store.
        proposedNumber_ = nextNumberAfter(data_.lastBookingNumber);
        if (proposedNumber_ > 0) d.setValue(fNumber_, proposedNumber_);
        d.setValue(QStringLiteral("Datum"), today());
        d.setValue(fDirection_, QStringLiteral("E"));
    });
    bookings_.on(E::BeforeEdit, [this](Dataset&) { proposedNumber_ = 0; });
    // Runs inside the store's transaction, with the file's write lock held.
    bookings_.onBeforeStore([this](Dataset& d) {
        problems_.clear();
        if (d.value(fAccount_).toString().trimmed().isEmpty()) {
            tell(kNoAccountMessage);
            return false;
        }
        const QString direction = d.value(fDirection_).toString();
        if (direction != u"E" && direction != u"A") throw DataError(directionMessage(direction));
        // The number proposed on "Neu" may have been taken by another workstation meanwhile:
        // the file's entry and its highest number decide.
        if (d.state() == Dataset::State::Insert && proposedNumber_ > 0 && !d.value(fNumber_).isNull() &&
            d.value(fNumber_).toInt() == proposedNumber_) {
            const int free = freeNumber(data_.settings(), kLastNumberEntry, d, QStringLiteral("Buchungsnummer"),
                                        proposedNumber_);
            if (free == 0) throw DataError(numbersExhaustedMessage());
            if (free != proposedNumber_) d.setValue(fNumber_, free);
        }
        return true;
    });
    // Inside the store's transaction: a balance that cannot be written undoes the store.
    bookings_.on(E::AfterStore, [this](Dataset& d) {
        proposedNumber_ = 0;
        const RowRef stored = d.storedRecord();
        if (!stored[fNumber_].isNull()) {
            // Raised in the file, never lowered; a store undone later (the second booking of a
            // transfer refused) takes the entry back with it, and the memory follows.
            if (Connection* c = data_.connection()) {
                const int before = data_.lastBookingNumber;
                c->onRollback(this, [this, before] { data_.lastBookingNumber = before; });
            }
            data_.lastBookingNumber = data_.settings().DbSettingRaiseInt(kLastNumberEntry, stored[fNumber_].toInt());
        }
        learn(stored);
        // The change of the balance is the effect of the row as stored minus the effect of
        // the row as the file held it when the store began (not as this workstation read it).
        if (d.fileRecord().size() > 0) addToBalance(effectOf(d.fileRecord()), -1);
        addToBalance(effectOf(stored), +1);
    });
    // Inside the delete's transaction, with the row as the file holds it.
    bookings_.on(E::BeforeDelete, [this](Dataset& d) { addToBalance(effectOf(d.fileRecord()), -1); });
}

QString BookingRules::directionMessage(const QString& typed) {
    return QStringLiteral("»%1« ist keine Buchungsrichtung: Bitte »E« (Einnahme) oder »A« (Ausgabe) angeben. "
                          "Die Buchung wird nicht gespeichert.")
        .arg(typed);
}

QString BookingRules::numbersExhaustedMessage() {
    return QStringLiteral("Es gibt keine freie Buchungsnummer über %1 mehr: Bitte eine Buchungsnummer eingeben.")
        .arg(std::numeric_limits<int>::max());
}

BookingRules::~BookingRules() = default;

void BookingRules::tell(const QString& message) {
    problems_ << message;
    emit notice(message);
}

QStringList BookingRules::categoriesFor(const QString& direction) const {
    return data_.settings().DbSettingGetList(direction == u"A" ? kExpenseCategories : kIncomeCategories);
}

QStringList BookingRules::accounts() const { return data_.settings().DbSettingGetList(kAccounts); }

BookingEffect BookingRules::effectOf(const RowRef& booking) const {
    BookingEffect e;
    if (booking.size() <= fAccount_) return e;
    e.account = booking[fAccount_].toString();
    const Money amount = booking[fAmount_].toLongLong();
    const QString direction = booking[fDirection_].toString();
    if (direction == u"E")
        e.delta = amount;
    else if (direction == u"A")
        e.delta = -amount;
    return e;
}

bool BookingRules::isTransfer(const RowRef& booking) const {
    return booking.size() > fPayee_ && booking[fPayee_].toString() == kTransferPayee;
}

void BookingRules::correctLetterCase(Dataset& d) const {
    const QString category = correctedName(d.value(fCategory_).toString(), categoriesFor(d.value(fDirection_).toString()));
    if (!category.isEmpty()) d.setValue(fCategory_, category);
    const QString account = correctedName(d.value(fAccount_).toString(), accounts());
    if (!account.isEmpty()) d.setValue(fAccount_, account);
}

// A category new to its direction's list and an account new to the account list are
// appended to the lists as the file holds them (an empty name is no entry; a direction
// other than E or A has no list). The memory's lists spare a known name the read.
void BookingRules::learn(const RowRef& stored) {
    SettingsStore& s = data_.settings();
    const QString direction = stored[fDirection_].toString();
    const QString category = stored[fCategory_].toString();
    if (!category.isEmpty() && (direction == u"E" || direction == u"A")) {
        const QString entry = direction == u"E" ? kIncomeCategories : kExpenseCategories;
        if (!s.DbSettingGetList(entry).contains(category)) s.DbSettingAddToList(entry, category);
    }
    const QString account = stored[fAccount_].toString();
    if (!account.isEmpty() && !s.DbSettingGetList(kAccounts).contains(account)) s.DbSettingAddToList(kAccounts, account);
}

void BookingRules::addToBalance(const BookingEffect& e, int sign) {
    if (e.account.isEmpty() || e.delta == 0) return;
    data_.settings().AccountBalanceAdd(e.account, sign * e.delta);
}

}  // namespace ferolind
