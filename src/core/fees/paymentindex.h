// Which member has paid which period: an index over the fee payments (table betrag),
// so that asking for one member costs a binary search, not a scan of all payments.
// Built in one pass into one flat array ordered by member (no allocation per member).
#pragma once

#include <QDate>
#include <vector>

namespace ferolind {

class Dataset;

// Payment period kinds of the club-wide entry "Zahlungszeitraum".
enum class PaymentPeriod { Monthly = 0, Quarterly = 1, Yearly = 2 };

// The calendar quarter (1 to 4) of a date.
inline int quarterOf(const QDate& d) { return (d.month() - 1) / 3 + 1; }

class PaymentIndex {
public:
    // Reads every fee payment row of the dataset (all rows, whatever its filter).
    void rebuild(const Dataset& feePayments);

    // Whether a payment row of member `id` exists for the period: monthly `Jahr` = year
    // and `Monat` = period; quarterly `Jahr` = year and `Quartal` = period; yearly any
    // row of that year.
    bool IsFeePaid(int memberId, int kind, int year, int period) const;

private:
    struct Payment {
        int member, year, month, quarter;
    };
    static bool byMember(const Payment& a, const Payment& b);
    std::vector<Payment> payments_;  // ordered by member
};

}  // namespace ferolind
