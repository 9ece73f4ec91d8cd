// The SEPA direct-debit file (ISO 20022 pain.008.001.08, CORE scheme): one group header,
// one payment information block of the creditor, one transaction per debtor. Also the
// texts in the SEPA character set and the collection days (TARGET business days). The
// writer knows nothing of members: a caller gives the creditor and the debits.
#pragma once

#include "data/values.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVector>

namespace ferolind {

// A text in the SEPA character set (a-z A-Z 0-9 / - ? : ( ) . , ' + and blank): the German
// umlauts become Ae/Oe/Ue/ae/oe/ue/ss and "&" "+", every other letter is transliterated
// by ICU (Ł → L, ø → o, Æ → AE, Cyrillic and Greek in Latin letters); a letter or digit
// without a Latin form becomes "?" (never dropped), any other character a blank; cut to
// `maxLength` characters.
QString sepaText(const QString& text, int maxLength);

// A BIC: four letters of the bank, two of the country, two characters of the place, an
// optional three of the branch (capitals and digits).
bool bicValid(const QString& bic);
// An identifier of the file (message, mandate, end-to-end): 1 to 35 SEPA characters
// without blanks, not beginning with "/" and without "//".
bool identifierValid(const QString& id);

// Whether the day is a TARGET business day: not Saturday or Sunday, not 1 January, Good
// Friday, Easter Monday, 1 May, 25 or 26 December.
bool isTargetBusinessDay(const QDate& day);
// The first business day after `today`: the earliest collection date a file can ask for.
QDate earliestCollectionDate(const QDate& today);

struct SepaCreditor {
    QString name;
    QString iban;
    QString bic;         // empty: not given
    QString creditorId;
};

struct SepaDebit {
    QString who;         // the member as messages name it
    QString endToEndId;
    QString mandateId;
    QDate mandateDate;
    QString debtorName;
    QString iban;
    QString bic;         // empty: not known
    Money amount = 0;
    QString remittance;  // at most 140 characters are written
};

struct SepaFile {
    QString messageId;
    QDateTime created;
    QDate collectionDate;
    QString sequenceType = QStringLiteral("RCUR");  // or "FRST"
    SepaCreditor creditor;
    QVector<SepaDebit> debits;
};

// The number of transactions and their sum as the file states them (cents rounded half up).
Money sepaControlSum(const QVector<SepaDebit>& debits);

// Checks the creditor, the collection date (a business day after `today`) and every
// debit; throws DataError with every refused debit named on its own line. Then returns
// the file as UTF-8 XML.
QByteArray writeSepaFile(const SepaFile& file, const QDate& today);

}  // namespace ferolind
