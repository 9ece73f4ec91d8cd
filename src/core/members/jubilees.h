// Birthdays and jubilees: the filter texts that narrow the member dataset to the members
// with a birthday today, this month or this quarter, or with a round number of years of
// age or membership in the current year. The jubilee screen and ferolind-cli use them.
#pragma once

#include <QDate>
#include <QList>
#include <QString>

namespace ferolind {

// The filter the jubilee screen starts with: a surname no member has, so the list is empty.
inline const QString kNoMemberFilter = QStringLiteral("Nachname='fvfvdfvdfvmjkdfmvkdmfvkdmfvmdvkfv'");

enum class BirthdayChoice { None, Today, Month, Quarter };

// "Month(Geburtsdatum)=5 and Day(Geburtsdatum)=14" and the like; empty for no choice
// (an empty filter selects every member).
QString birthdayFilter(BirthdayChoice choice, const QDate& today);

// The jubilee years a screen or command may ask for: 5, 10, ..., 75.
QList<int> jubileeYears();

// One clause "Year(" + column + ")-" + Y + "=-" + N per N of `years` in ascending order,
// joined by " or "; the column is "EintrittDatum" by entry, else "Geburtsdatum". Empty
// when no year is given.
QString jubileeFilter(bool byEntry, const QList<int>& years, const QDate& today);

// The years of a typed list such as "10,25": whole multiples of five from 5 to 75,
// sorted and without repeats. Throws DataError (German) for anything else.
QList<int> parseJubileeYears(const QString& text);

}  // namespace ferolind
