#include "paymentindex.h"

#include "data/dataset.h"

namespace ferolind {

void PaymentIndex::rebuild(const Dataset& feePayments) {
    byMember_.clear();
    if (!feePayments.isOpen()) return;
    const int fMember = feePayments.field(QStringLiteral("Mitgliedsnummer"));
    const int fYear = feePayments.field(QStringLiteral("Jahr"));
    const int fMonth = feePayments.field(QStringLiteral("Monat"));
    const int fQuarter = feePayments.field(QStringLiteral("Quartal"));
    for (int i = 0; i < feePayments.totalCount(); ++i) {
        const Row& r = feePayments.recordAt(i);
        if (r[fMember].isNull()) continue;
        byMember_[r[fMember].toInt()].append(Payment{r[fYear].toInt(), r[fMonth].toInt(), r[fQuarter].toInt()});
    }
}

bool PaymentIndex::IsFeePaid(int memberId, int kind, int year, int period) const {
    const auto it = byMember_.constFind(memberId);
    if (it == byMember_.constEnd()) return false;
    for (const Payment& p : *it) {
        if (p.year != year) continue;
        switch (kind) {
            case int(PaymentPeriod::Monthly):
                if (p.month == period) return true;
                break;
            case int(PaymentPeriod::Quarterly):
                if (p.quarter == period) return true;
                break;
            case int(PaymentPeriod::Yearly): return true;
            default: return false;
        }
    }
    return false;
}

}  // namespace ferolind
