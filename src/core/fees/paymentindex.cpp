#include "paymentindex.h"

#include "data/dataset.h"

#include <algorithm>

namespace ferolind {

bool PaymentIndex::byMember(const Payment& a, const Payment& b) { return a.member < b.member; }

void PaymentIndex::rebuild(const Dataset& feePayments) {
    payments_.clear();
    if (!feePayments.isOpen()) return;
    payments_.reserve(feePayments.totalCount());
    const int fMember = feePayments.field(QStringLiteral("Mitgliedsnummer"));
    const int fYear = feePayments.field(QStringLiteral("Jahr"));
    const int fMonth = feePayments.field(QStringLiteral("Monat"));
    const int fQuarter = feePayments.field(QStringLiteral("Quartal"));
    for (int i = 0; i < feePayments.totalCount(); ++i) {
        const RowRef r = feePayments.recordAt(i);
        if (r.isNull(fMember)) continue;
        payments_.push_back(Payment{int(r.number(fMember)), int(r.number(fYear)), int(r.number(fMonth)),
                                    int(r.number(fQuarter))});
    }
    // Payments are mostly stored member after member: then there is nothing to sort.
    if (!std::is_sorted(payments_.begin(), payments_.end(), byMember))
        std::sort(payments_.begin(), payments_.end(), byMember);
}

bool PaymentIndex::IsFeePaid(int memberId, int kind, int year, int period) const {
    const auto [from, to] = std::equal_range(payments_.begin(), payments_.end(), Payment{memberId, 0, 0, 0}, byMember);
    for (auto it = from; it != to; ++it) {
        const Payment& p = *it;
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
