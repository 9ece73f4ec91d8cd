// What the asset account screens show: the bookings made while the transfer screen is
// open, and where the balance overview writes each account and its balance.
#pragma once

#include "accounts.h"

#include <QString>
#include <QVector>

namespace ferolind {

// The transfer screen does not open without an asset account to book on.
inline const QString kNoAssetAccountsMessage =
    QStringLiteral("Es sind noch keine Bestandskonten bei Buchungen angelegt worden.");

// "Buchungsnummer > '<last>'": the bookings numbered after the last one stored, that is
// the ones made from now on.
QString bookingsAfterFilter(int lastBookingNumber);

// A text drawn with its top left corner at (x, y).
struct PlacedText {
    int x = 0;
    int y = 0;
    QString text;
    friend bool operator==(const PlacedText&, const PlacedText&) = default;
};

// The balance overview: a white area of 514 x 352 pixels, texts in a font with a cell
// height of 20 pixels; per account in list order its name at x = 30 and its balance
// ("1.234,56 €") at x = 300, the first at y = 50, each further one 30 pixels lower.
// Accounts whose line would reach below the area are left out.
namespace balanceoverview {
inline constexpr int kWidth = 514;
inline constexpr int kHeight = 352;
inline constexpr int kCellHeight = 20;
inline constexpr int kNameX = 30;
inline constexpr int kBalanceX = 300;
inline constexpr int kTop = 50;
inline constexpr int kStep = 30;
}  // namespace balanceoverview
QVector<PlacedText> balanceOverviewLayout(const QVector<AccountBalance>& balances,
                                          int height = balanceoverview::kHeight);

}  // namespace ferolind
