// The member record rules, attached to the shared member dataset so that they hold for
// every caller (screens, imports, the command-line tool): numbering, the empty member
// number, the salutation list, and the computed jubilee text and fee-paid flag.
#pragma once

#include "data/columnstore.h"
#include "data/field.h"
#include "data/values.h"
#include "fees/paymentindex.h"

#include <QDate>
#include <QObject>
#include <QStringList>
#include <functional>

namespace ferolind {

class DataModule;
class Dataset;

class MemberRules : public QObject {
    Q_OBJECT
public:
    explicit MemberRules(DataModule& data);
    ~MemberRules() override;

    // The day the rules take as today (tests set another).
    std::function<QDate()> today = [] { return currentDay(); };

    // What the last store reported (also sent one by one through notice()).
    const QStringList& problems() const { return problems_; }

    // Direct debit needs account number, fee class, bank code and account holder.
    bool directDebitDataComplete(const RowRef& member) const;
    // The names of all fee classes in the fee class dataset's order, and sorted by German
    // collation (as a drop-down box lists them).
    QStringList feeClassNames() const;
    QStringList sortedFeeClassNames() const;
    bool feeClassExists(const QString& name) const;

    // The jubilee text of a member for a year ("25-jähriges Vereinsjubiläum und
    // 50-jährigen Geburtstag").
    static QString jubileeText(const QVariant& entryDate, const QVariant& birthDate, int year);

    // The payment period kind, "Zahlungszeitraum" (0 when it cannot be read).
    int paymentPeriodKind() const;
    // The member's paid periods as the entry screen lists them, in table order.
    QStringList paidPeriodLines(int memberId) const;
    // The fee of a fee class as "12,50 €"; empty when no class has that name.
    QString feeTextOfClass(const QString& className) const;
    // Whether the member's fee for the current period is paid.
    bool isCurrentFeePaid(int memberId) const;
    // The payment lookup for any period (PaymentIndex::IsFeePaid over all fee payments,
    // kept in step with them).
    bool IsFeePaid(int memberId, int kind, int year, int period) const;

    // Recomputes every member's flag now (otherwise done when control returns to the
    // event loop after the fee payments or the period kind changed).
    void refreshComputedValues();

    static const QString kEmptyNumberMessage;
    static const QString kDirectDebitOffMessage;
    static const QString kWrongFeeClassMessage;  // "Diese Beitragsklasse ist nicht vorhanden"
    static const QString kLastNumberEntry;       // "LastMitgliedsID"
    static QString numbersExhaustedMessage();

signals:
    // A notice for the user from a rule (a message box in the program, stderr in the tool).
    void notice(const QString& message);

private:
    void tell(const QString& message);
    void takeFreeNumber(Dataset& d);
    void checkDirectDebit(Dataset& d);
    void checkFeeClass(Dataset& d);
    void compute(RowAccess& row) const;
    bool isFeePaidOn(int memberId, const QDate& day) const;
    void scheduleRefresh();
    void ensureIndex() const;

    DataModule& data_;
    Dataset& members_;
    mutable PaymentIndex index_;
    mutable bool indexDirty_ = true;
    mutable int cachedKind_ = 0;
    bool refreshScheduled_ = false;
    QDate batchDay_;  // while all members are recomputed: the one clock reading they share
    int fId_, fEntry_, fBirth_, fJubilee_, fPaid_, fAccount_, fFeeClass_, fBankCode_, fHolder_;
    int proposedNumber_ = 0;  // the number the last "Neu" proposed (0: none)
    QStringList problems_;
};

}  // namespace ferolind
