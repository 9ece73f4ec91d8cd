// Asset accounts: transfers between two accounts, start values, and the recomputation of
// every listed account's balance from its start value and its bookings.
#pragma once

#include "data/values.h"

#include <QDate>
#include <QString>
#include <QVector>
#include <functional>
#include <optional>

namespace ferolind {

class DataModule;

struct AccountBalance {
    QString account;
    Money balance = 0;
};

// The listed accounts ("bestandskonten") with their stored balances, in list order.
QVector<AccountBalance> accountBalances(DataModule& data);

// Two bookings "Umbuchung" in one transaction: income on `to` (category `from`) and
// expense on `from` (category `to`), both through the booking rules. The amount is the
// text as typed (an empty text stores bookings without an amount). Throws DataError with
// the field's conversion message or a rule's refusal; then neither booking is stored.
void transfer(DataModule& data, const QString& from, const QString& to, const QString& amountText,
              const QString& text, const QDate& date);

// The start value typed ("50,00", without currency); nullopt when it is no amount.
std::optional<Money> parseStartValue(const QString& text);
inline const QString kStartValueMessage =
    QStringLiteral("Bitte einen gültigen Betrag ohne Währung eingeben (z.B. 50,00).");
// The start value as its field shows it: two decimals, no thousands separator.
QString startValueText(DataModule& data, const QString& account);

// Rebuilds the balance of every listed account: its start value plus its income minus its
// expense bookings (any direction other than "E" counts as expense), the account named
// ignoring letter case; bookings of unlisted accounts are skipped and those accounts keep
// their balance. Everything is read from the file and all balances are written in one
// transaction. `progress` (may be empty) hears (1, 1) when done.
void recomputeBalances(DataModule& data, const std::function<void(int, int)>& progress = {});
inline const QString kBalancesRecomputedMessage = QStringLiteral("Die Kontosalden wurden aktualisiert");

}  // namespace ferolind
