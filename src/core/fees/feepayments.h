// Fee payments: the period a payment is for, the members who have not paid it (as the
// fee payment screen lists them and as the arrears filter selects them), storing a
// payment row, and the income booking prepared for it. The screens and ferolind-cli call
// these; the lookup itself is MemberRules::IsFeePaid over the payment index.
#pragma once

#include "data/values.h"
#include "fees/paymentindex.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

namespace ferolind {

class DataModule;
class Session;

// The club-wide entry that holds the payment period kind.
inline const QString kPaymentPeriodEntry = QStringLiteral("Zahlungszeitraum");

// A period a fee is paid for: the kind decides whether `period` is a month (1 to 12), a
// quarter (1 to 4) or unused (yearly).
struct FeePeriod {
    int kind = int(PaymentPeriod::Monthly);
    int year = 0;
    int period = 0;
};

// The conversion message for a year or period text that is not a whole number.
QString notAWholeNumberMessage(const QString& text);
// The whole number in a year or period box; throws DataError with that message otherwise.
int wholeNumber(const QString& text);
// The period from the year and period box texts (the period text is not read in yearly
// mode). Throws DataError for a text that is not a whole number, a month outside 1 to 12,
// a quarter outside 1 to 4 or a year outside 1 to 9999.
FeePeriod feePeriodFromTexts(int kind, const QString& yearText, const QString& periodText);

// The kind stored under "Zahlungszeitraum"; 0 (monthly) when it is missing or unknown.
int storedPaymentPeriodKind(DataModule& data);
void storePaymentPeriodKind(DataModule& data, int kind);

// The period box of a kind: its items ("1".."12", "1".."4", none in yearly mode) and
// the caption of its label ("Monat", "Quartal", empty).
QStringList periodBoxItems(int kind);
QString periodLabelText(int kind);
// The year box: the 21 years from `today`'s year minus 15 to plus 5, ascending.
QStringList yearBoxItems(const QDate& today);
// The period the fee payment screen asks for when it opens: this year and, monthly, this
// month; quarterly quarter 1.
FeePeriod openingPeriod(int kind, const QDate& today);

// A member as the fee payment screen lists it: ID + " -  " + Vorname + " " + Nachname;
// and the member number of such a text (the text before its first blank, 0 if none).
QString memberPickText(const QVariant& id, const QString& firstName, const QString& lastName);
int memberOfPickText(const QString& pickText);

// The members of the member dataset, in its order and under its filter, who have not
// paid the period, as pick texts. The displays are suspended meanwhile.
QStringList unpaidMemberPicks(Session& session, const FeePeriod& period);

// The arrears filter: "ID<>" + each paying member's number, joined by " and ID<>", over
// every member of the dataset in its order; empty when nobody has paid.
QString arrearsFilter(Session& session, const FeePeriod& period);
// Builds it with the member dataset's filter removed and then sets it. On an error the
// displays come back and the dataset is left without a filter.
void showArrears(Session& session, const FeePeriod& period);

// Stores the payment row of a member for the period (Monat and Quartal 0 where the kind
// does not use them), in its own transaction or as part of the caller's. Whether the
// period is paid is asked of the club file under its write lock, so two workstations
// never store it twice. Throws DataError when no member has that number, the period is
// paid already or the row is refused; nothing is stored then.
void recordFeePayment(Session& session, int memberId, const FeePeriod& period);
// Stores the row alone, for a bulk caller that has looked up the members and their
// payments once beforehand (the direct-debit run). Throws DataError when it is refused.
void storeFeePaymentRow(DataModule& data, int memberId, const FeePeriod& period);

// Deletes the current row of the fee payment dataset (none when it presents no row).
// The income booking made with it stays, and no balance changes.
void deleteCurrentFeePayment(DataModule& data);

// The fee of a fee class, by its exact name; none when no class has that name.
std::optional<Money> feeOfClass(DataModule& data, const QString& className);
// "Beitragszahlung 3 - 2011" (monthly, quarterly) or "Beitragszahlung 2011" (yearly).
QString feeBookingText(const FeePeriod& period);
inline const QString kFeeCategory = QStringLiteral("Beiträge");

// Starts the income booking of a recorded payment in the shared booking dataset: the
// member becomes the current member, a new booking gets payee, today's date, the text,
// the category "Beiträge" and the fee of the member's class (left empty when no class
// matches). The booking stays unsaved for the booking entry screen or the caller.
void prepareFeeBooking(Session& session, int memberId, const FeePeriod& period);

}  // namespace ferolind
