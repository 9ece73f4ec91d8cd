// Account identifiers of SEPA payments: the IBAN (ISO 13616) with its mod-97 check digits
// and its length per country, the German IBAN made of and split back into bank code and
// account number, and the creditor identifier ("Gläubiger-ID") with its own check rule.
#pragma once

#include <QHash>
#include <QString>
#include <optional>

namespace ferolind {

// The IBAN without blanks, in capitals.
QString compactIban(const QString& text);
// "DE89 3704 0044 0532 0130 00": groups of four.
QString groupedIban(const QString& iban);

// The German IBAN of a bank code (eight digits) and account number (up to ten digits);
// none when either does not fit.
std::optional<QString> germanIban(qint64 bankCode, qint64 account);

// Why an IBAN (blanks allowed) is not valid, in German; empty when it is valid: known
// country, the length of that country, digits and capitals only, check digits by mod 97.
QString ibanProblem(const QString& text);
inline bool ibanValid(const QString& text) { return ibanProblem(text).isEmpty(); }

// Bank code and account number of a valid German IBAN.
struct GermanAccount {
    qint64 bankCode = 0;
    qint64 account = 0;
};
std::optional<GermanAccount> splitGermanIban(const QString& text);

// The BIC of a bank code from the bank code file (characters 94 to 104 of the line that
// begins with the code); empty when no line has it. A missing file throws DataError.
QString bicForBankCode(const QString& filePath, qint64 bankCode);
// Every bank code of the file with its BIC (the first line of a code counts), read once
// for a run over many members. A missing file throws DataError.
QHash<qint64, QString> bicsOfBankCodes(const QString& filePath);

// Why a creditor identifier is not valid (empty when valid): country code, two check
// digits, a three-character business code, the national identifier; check digits by
// mod 97 over the national identifier and the country code, the business code skipped.
QString creditorIdProblem(const QString& text);
inline bool creditorIdValid(const QString& text) { return creditorIdProblem(text).isEmpty(); }

}  // namespace ferolind
