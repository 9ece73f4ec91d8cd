// Text forms of field values in the program's fixed German formats, and exact money.
//
// The program is German on every workstation: short date dd.MM.yyyy, decimal comma,
// thousands point, currency sign "€". These functions are the one place that knows it.
#pragma once

#include "field.h"

#include <QDate>
#include <QString>
#include <QVariant>
#include <optional>

namespace ferolind {

// Money: an integer count of 1/10000 euro.
using Money = qint64;
constexpr Money kMoneyUnit = 10000;
// Amounts have at most 14 digits before the comma, so that every amount has a cell text
// that reads back: the largest is 99999999999999,9999, kMoneyLimit the first one beyond.
constexpr Money kMoneyLimit = Money(100'000'000'000'000) * kMoneyUnit;
constexpr bool moneyInRange(Money m) { return m > -kMoneyLimit && m < kMoneyLimit; }

// Parses a decimal amount ("12,5", "-1.234,56", "7"); a point is read as a thousands
// separator when a comma follows it or it is followed by exactly three digits, else as
// a decimal point. Rounds to 1/10000, halves to even. nullopt when it is no number or
// the rounded amount is beyond the range of moneyInRange.
std::optional<Money> parseMoney(const QString& text);
// Shortest decimal form with a comma, no thousands separator: 12.5 -> "12,5", 3 -> "3".
QString moneyToPlain(Money m);
// Two decimals with a comma, no thousands separator: "12,50".
QString moneyToFixed2(Money m);
// Currency format: "1.234,56 €".
QString moneyToCurrency(Money m);
// Rounds a double amount to money (x10000, to the nearest integer, halves to even).
// nullopt for NaN, infinity and amounts beyond the range of moneyInRange.
std::optional<Money> moneyFromDouble(double euros);

// Dates in the short date format "dd.MM.yyyy"; a time of day is appended as
// " hh:mm:ss" only when it is not midnight.
QString dateToText(const QVariant& dateOrDateTime);
// Reads "d.M.yyyy" (day and month with one or two digits), optionally followed by a
// time "h:mm" or "h:mm:ss". Also accepts ISO "yyyy-MM-dd". A null QVariant when invalid.
QVariant parseDate(const QString& text);
// Today's date, taken from the clock at most once a second: reading the local date reads
// the time-zone file anew each time, which cost a bulk store more than its writes.
QDate currentDay();

// The moment of a date value (a QDate is taken at midnight).
QDateTime toDateTime(const QVariant& dateOrDateTime);

// Booleans as the cell texts show them.
QString boolToText(bool b);  // "Wahr" / "Falsch"
std::optional<bool> parseBool(const QString& text);

// Cell text of a value: numbers in plain decimal, dates in the short date format,
// booleans "Wahr"/"Falsch", money in plain decimal form ("12,5"), null as empty text.
QString valueToText(FieldType type, const QVariant& value);
// Display text in grids: like valueToText, but money in currency format.
QString valueToDisplayText(FieldType type, const QVariant& value);

// Converts the text a user typed into the value of a field. Empty text gives null.
// Throws DataError with the runtime's German message when the text does not fit
// ("'%s' ist kein gültiger Integerwert für Feld '%s'", ...).
QVariant valueFromText(const FieldDef& field, const QString& text);

// Checks and normalises a typed value for a field: empty texts become null, numbers
// and dates are converted to the field's representation (a time of day to whole
// seconds, as the file keeps it). Throws DataError when the value does not fit (an
// amount beyond moneyInRange, a year outside 1 to 9999, ...), or a text is longer than
// the field allows.
QVariant normaliseValue(const FieldDef& field, const QVariant& value);

// Whether a text holds only characters a club file and its backups can keep: no control
// character other than tab, line feed and carriage return, no lone surrogate, no U+FFFE
// or U+FFFF (XML, the backup format, cannot carry them at all).
bool isStorableText(const QString& s);
// The position of the first character isStorableText refuses, or -1.
qsizetype firstUnstorableCharacter(const QString& s);

}  // namespace ferolind
