#include "accounts.h"

#include "bookingrules.h"
#include "data/connection.h"
#include "data/datamodule.h"
#include "data/errors.h"
#include "data/journal.h"
#include "data/progress.h"

#include <QHash>

namespace ferolind {

QVector<AccountBalance> accountBalances(DataModule& data) {
    QVector<AccountBalance> out;
    SettingsStore& s = data.settings();
    for (const QString& a : s.DbSettingGetList(BookingRules::kAccounts)) out.append({a, s.AccountBalanceGet(a)});
    return out;
}

void transfer(DataModule& data, const QString& from, const QString& to, const QString& amountText,
              const QString& text, const QDate& date) {
    Dataset& b = data.bookings();
    b.checkBrowseMode();
    Transaction tx(data.connection());
    auto book = [&](const QString& category, const QString& account, const char* direction) {
        b.insert();
        b.setValue(QStringLiteral("Datum"), date);
        b.setValue(QStringLiteral("Empfaenger/Absender"), BookingRules::kTransferPayee);
        b.setValue(QStringLiteral("Buchungstext"), text);
        b.setText(QStringLiteral("Betrag"), amountText);
        b.setValue(QStringLiteral("Kategorie"), category);
        b.setValue(QStringLiteral("Bestandskonto"), account);
        b.setValue(QStringLiteral("SollHaben"), QString::fromLatin1(direction));
        if (!b.post()) throw DataError(BookingRules::kNoAccountMessage);
    };
    try {
        book(from, to, "E");
        book(to, from, "A");
        tx.commit();
    } catch (...) {
        b.cancel();
        throw;
    }
}

// A number, as the message asks: without the currency sign the amount fields accept.
std::optional<Money> parseStartValue(const QString& text) {
    if (text.contains(QChar(0x20AC))) return std::nullopt;
    return parseMoney(text);
}

QString startValueText(DataModule& data, const QString& account) {
    return moneyToFixed2(data.settings().AccountStartValueGet(account));
}

// Inside one transaction, from the file: the account list, the start values and the
// journal as they are stored now, so that a workstation whose memory is behind writes
// no stale balance.
void recomputeBalances(DataModule& data, const std::function<void(int, int)>& progress) {
    SettingsStore& s = data.settings();
    Connection* c = data.connection();
    if (!c) throw DataError(QString::fromUtf8(Dataset::kNoDatabaseMessage));
    Progress shown(QStringLiteral("Die Kontosalden werden neu berechnet"), 1);
    Transaction tx(c);
    const QStringList accounts = s.DbSettingReadList(BookingRules::kAccounts);
    // Sum 0 collects the bookings of unlisted accounts and is thrown away.
    QVector<Money> sums(accounts.size() + 1, 0);
    QHash<QString, int> slot;  // case-folded name -> first listed account of that name
    for (int i = 0; i < accounts.size(); ++i)
        sums[i + 1] = parseMoney(s.DbSettingRead(QStringLiteral("startwert_") + accounts[i])).value_or(0);
    for (int i = accounts.size() - 1; i >= 0; --i) slot[accounts[i].toCaseFolded()] = i + 1;
    for (const JournalSum& j : journalSums(*c)) {
        const int k = slot.value(j.account.toCaseFolded(), 0);
        if (k == 0) continue;
        sums[k] += j.direction == u"E" ? j.amount : -j.amount;
    }
    for (int k = 1; k < sums.size(); ++k)
        if (!moneyInRange(sums[k]))
            throw DataError(QStringLiteral("Der Kontostand von »%1« wäre zu groß: die Salden bleiben, wie sie waren.")
                                .arg(accounts[k - 1]));
    // A name listed twice (or in another letter case: the entries' names ignore it) has one
    // balance entry: the sum its first listing collected, not the bare start value of the second.
    for (int i = 0; i < accounts.size(); ++i)
        if (slot.value(accounts[i].toCaseFolded()) == i + 1) s.AccountBalanceSet(accounts[i], sums[i + 1]);
    tx.commit();
    shown.step(1);
    if (progress) progress(1, 1);
}

}  // namespace ferolind
