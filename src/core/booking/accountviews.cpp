#include "accountviews.h"

namespace ferolind {

QString bookingsAfterFilter(int lastBookingNumber) {
    return QStringLiteral("Buchungsnummer > '%1'").arg(lastBookingNumber);
}

QVector<PlacedText> balanceOverviewLayout(const QVector<AccountBalance>& balances, int height) {
    using namespace balanceoverview;
    QVector<PlacedText> out;
    int y = kTop;
    for (const AccountBalance& a : balances) {
        if (y + kCellHeight > height) break;
        out.append({kNameX, y, a.account});
        out.append({kBalanceX, y, moneyToCurrency(a.balance)});
        y += kStep;
    }
    return out;
}

}  // namespace ferolind
