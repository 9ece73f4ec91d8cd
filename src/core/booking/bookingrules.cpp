#include "bookingrules.h"

#include "data/connection.h"
#include "data/datamodule.h"
#include "data/numbering.h"

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
        editing_ = false;
        // A cancelled new booking uses up no number: the counter moves only on store.
        const int number = nextNumberAfter(data_.lastBookingNumber);
        if (number > 0) d.setValue(fNumber_, number);
        d.setValue(QStringLiteral("Datum"), today());
        d.setValue(fDirection_, QStringLiteral("E"));
    });
    bookings_.on(E::BeforeEdit, [this](Dataset& d) {
        editedEffect_ = effectOf(d.currentRow());
        editing_ = true;
    });
    bookings_.onBeforeStore([this](Dataset& d) {
        problems_.clear();
        if (d.value(fAccount_).toString().trimmed().isEmpty()) {
            tell(kNoAccountMessage);
            return false;
        }
        return true;
    });
    // Inside the store's transaction: a balance that cannot be written undoes the store.
    bookings_.on(E::AfterStore, [this](Dataset& d) {
        const RowRef stored = d.storedRecord();
        if (!stored[fNumber_].isNull()) {
            // A store undone later (the second booking of a transfer refused) uses up no number.
            if (Connection* c = data_.connection()) {
                const int before = data_.lastBookingNumber;
                c->onRollback(this, [this, before] { data_.lastBookingNumber = before; });
            }
            data_.lastBookingNumber = stored[fNumber_].toInt();
        }
        learn(stored);
        if (editing_) addToBalance(editedEffect_, -1);
        addToBalance(effectOf(stored), +1);
        // editing_ stays: should the commit fail, the record is still in edit state and a
        // retry takes the old effect out again (the rollback undid the first time).
    });
    // Inside the delete's transaction.
    bookings_.on(E::BeforeDelete, [this](Dataset& d) { addToBalance(effectOf(d.currentRow()), -1); });
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
// appended (an empty name is no entry; a direction other than E or A has no list).
void BookingRules::learn(const RowRef& stored) {
    SettingsStore& s = data_.settings();
    const QString direction = stored[fDirection_].toString();
    const QString category = stored[fCategory_].toString();
    if (!category.isEmpty() && (direction == u"E" || direction == u"A")) {
        const QString entry = direction == u"E" ? kIncomeCategories : kExpenseCategories;
        QStringList list = s.DbSettingGetList(entry);
        if (!list.contains(category)) s.DbSettingSetList(entry, list << category);
    }
    const QString account = stored[fAccount_].toString();
    QStringList accounts = s.DbSettingGetList(kAccounts);
    if (!account.isEmpty() && !accounts.contains(account)) s.DbSettingSetList(kAccounts, accounts << account);
}

void BookingRules::addToBalance(const BookingEffect& e, int sign) {
    if (e.account.isEmpty() || e.delta == 0) return;
    data_.settings().AccountBalanceAdd(e.account, sign * e.delta);
}

}  // namespace ferolind
