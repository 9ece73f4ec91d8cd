// The booking record rules, attached to the shared booking dataset so that they hold for
// every caller (the booking screen, transfers, the fee and donation screens, the
// command-line tool): numbering, defaults, the required asset account, learning of new
// categories and accounts, and the account balances kept in step with every store and
// delete, in money, inside the store's own transaction.
#pragma once

#include "data/columnstore.h"
#include "data/field.h"
#include "data/values.h"

#include <QDate>
#include <QObject>
#include <QStringList>
#include <functional>

namespace ferolind {

class DataModule;
class Dataset;

// What a booking does to its account: income adds its amount, expense subtracts it, any
// other direction changes nothing.
struct BookingEffect {
    QString account;
    Money delta = 0;
};

class BookingRules : public QObject {
    Q_OBJECT
public:
    explicit BookingRules(DataModule& data);
    ~BookingRules() override;

    // The day the rules take as today (tests set another).
    std::function<QDate()> today = [] { return currentDay(); };

    // What the last store reported (also sent one by one through notice()).
    const QStringList& problems() const { return problems_; }

    // The club-wide lists: income categories, expense categories, asset accounts.
    static const QString kIncomeCategories;   // "kategorienplus"
    static const QString kExpenseCategories;  // "kategorienminus"
    static const QString kAccounts;           // "bestandskonten"
    static const QString kLastNumberEntry;    // "LastBuchungsID"
    static const QString kNoAccountMessage;
    static const QString kTransferPayee;  // "Umbuchung"
    // A store with a direction other than "E" or "A" is refused with this.
    static QString directionMessage(const QString& typed);
    static QString numbersExhaustedMessage();

    // The categories offered for a direction: the expense list for "A", the income list
    // for anything else.
    QStringList categoriesFor(const QString& direction) const;
    QStringList accounts() const;
    // A booking's effect on its account (Betrag and SollHaben of the row).
    BookingEffect effectOf(const RowRef& booking) const;
    bool isTransfer(const RowRef& booking) const;
    // Before the entry screen stores: a category or account typed with a lower-case first
    // letter takes the letter case of the listed name it then matches (see correctedName).
    void correctLetterCase(Dataset& bookings) const;

signals:
    // A notice for the user from a rule (a message box in the program, stderr in the tool).
    void notice(const QString& message);

private:
    void tell(const QString& message);
    void learn(const RowRef& stored);
    void addToBalance(const BookingEffect& e, int sign);

    DataModule& data_;
    Dataset& bookings_;
    int fNumber_, fPayee_, fAmount_, fDirection_, fCategory_, fAccount_;
    // The number offered to the booking being inserted (0: none, or an edit).
    int proposedNumber_ = 0;
    QStringList problems_;
};

// Case correction of a typed name against the names offered: a name not offered whose
// first character is a lower-case letter "a" to "z" is tried with that letter in upper
// case (umlauts are left alone). Returns the offered name that matches, or the empty
// text when none does.
QString correctedName(const QString& typed, const QStringList& offered);

}  // namespace ferolind
