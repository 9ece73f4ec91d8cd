// A bank statement as the readers deliver it, whatever the file's format: the account,
// its opening and closing balance, and every entry with what the matching needs.
#pragma once

#include "data/values.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QVector>

namespace ferolind {

struct StatementEntry {
    QDate bookingDate;
    QDate valueDate;
    Money amount = 0;          // always positive; `credit` gives the direction
    bool credit = true;        // money came in
    bool booked = true;        // only booked entries are imported (not pending or information)
    QString counterpartyName;
    QString counterpartyIban;
    QString remittance;        // the unstructured remittance text
    QString endToEndId;
    QString mandateId;
    QString creditorId;
    QString returnReason;      // ISO reason code of a returned payment ("AC04"), empty otherwise
    QString entryReference;    // the bank's reference of the entry, empty when it gave none
    Money charges = 0;         // fees the bank took inside this entry (a return's fee)
    QString bankText;          // the bank's own caption of the transaction ("Gutschrift")

    Money signedAmount() const { return credit ? amount : -amount; }
};

struct BankStatement {
    QString format;            // "camt.053.001.08", "camt.053.001.02", "MT940"
    QString id;                // the statement's identification
    QString iban;              // the account's IBAN, compact
    bool hasOpening = false;
    Money opening = 0;         // signed
    bool hasClosing = false;
    Money closing = 0;         // signed
    QDate closingDate;
    QVector<StatementEntry> entries;
};

// Both readers throw DataError with a German sentence for a file that is not a statement
// of their format, or one they cannot read whole; they never return half a statement.
BankStatement readCamtStatement(const QByteArray& bytes);
BankStatement readMt940Statement(const QByteArray& bytes);
// Picks the reader by the content (XML or SWIFT text). `name` goes into the messages.
BankStatement readStatementBytes(const QByteArray& bytes, const QString& name);
BankStatement readStatementFile(const QString& path);

// A decimal amount as the formats write it ("12.50" in XML, "12,50" in MT940): digits,
// one separator, up to four decimals; nullopt for anything else or beyond the money range.
std::optional<Money> parseStatementAmount(const QString& text, QChar separator);

// The German meaning of an ISO return reason code ("AC04" -> "Konto erloschen"); a code
// not known here is named as it is.
QString returnReasonText(const QString& code);

}  // namespace ferolind
