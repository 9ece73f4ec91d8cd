// The member record rules, attached to the shared member dataset so that they hold for
// every caller (screens, imports, the command-line tool): numbering, the empty member
// number, the salutation list, and the computed jubilee text and fee-paid flag.
#pragma once

#include "data/field.h"
#include "fees/paymentindex.h"

#include <QDate>
#include <QObject>
#include <QStringList>
#include <functional>

namespace ferolind {

class DataModule;
class Dataset;

// What the member entry screen lets the rules do while it is showing. A caller without
// that screen leaves these empty.
struct MemberEntryHooks {
    std::function<bool()> showing;                  // the entry screen is showing
    std::function<void(bool)> setFeeButtonEnabled;  // "Beitrag buchen"
    std::function<void(bool)> setSaveEnabled;       // "Speichern"
    std::function<void()> recordChanged;            // refresh the screen's dependent controls
};

class MemberRules : public QObject {
    Q_OBJECT
public:
    explicit MemberRules(DataModule& data);
    ~MemberRules() override;

    // The day the rules take as today (tests set another).
    std::function<QDate()> today = [] { return QDate::currentDate(); };
    // Shows a notice to the user (a message box in the program, stderr in the tool).
    std::function<void(const QString&)> notify;
    MemberEntryHooks entry;

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

    // Recomputes every member's flag now (otherwise done when control returns to the
    // event loop after the fee payments or the period kind changed).
    void refreshComputedValues();

    static const QString kEmptyNumberMessage;

private:
    void compute(Row& row) const;
    bool isFeePaidOn(int memberId, const QDate& day) const;
    void scheduleRefresh();
    void ensureIndex() const;

    DataModule& data_;
    Dataset& members_;
    mutable PaymentIndex index_;
    mutable bool indexDirty_ = true;
    mutable int cachedKind_ = 0;
    bool refreshScheduled_ = false;
    int fId_, fEntry_, fBirth_, fJubilee_, fPaid_;
};

}  // namespace ferolind
