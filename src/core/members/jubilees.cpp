#include "jubilees.h"

#include "data/errors.h"

#include <QStringList>
#include <algorithm>

namespace ferolind {

QString birthdayFilter(BirthdayChoice choice, const QDate& today) {
    const int m = today.month();
    switch (choice) {
    case BirthdayChoice::Today:
        return QStringLiteral("Month(Geburtsdatum)=%1 and Day(Geburtsdatum)=%2").arg(m).arg(today.day());
    case BirthdayChoice::Month:
        return QStringLiteral("Month(Geburtsdatum)=%1").arg(m);
    case BirthdayChoice::Quarter: {
        const int first = 3 * ((m - 1) / 3) + 1;
        return QStringLiteral("Month(Geburtsdatum)>=%1 and Month(Geburtsdatum)<=%2").arg(first).arg(first + 2);
    }
    case BirthdayChoice::None:
        break;
    }
    return {};
}

QList<int> jubileeYears() {
    QList<int> years;
    for (int n = 5; n <= 75; n += 5) years << n;
    return years;
}

QString jubileeFilter(bool byEntry, const QList<int>& years, const QDate& today) {
    QList<int> sorted = years;
    std::sort(sorted.begin(), sorted.end());
    const QString column = byEntry ? QStringLiteral("EintrittDatum") : QStringLiteral("Geburtsdatum");
    QStringList clauses;
    for (int n : sorted) clauses << QStringLiteral("Year(%1)-%2=-%3").arg(column).arg(today.year()).arg(n);
    return clauses.join(QStringLiteral(" or "));
}

QList<int> parseJubileeYears(const QString& text) {
    QList<int> years;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int n = part.trimmed().toInt(&ok);
        if (!ok || !jubileeYears().contains(n))
            throw DataError(QStringLiteral("»%1« ist keine Jubiläumszahl (5, 10, 15, … 75).").arg(part.trimmed()));
        if (!years.contains(n)) years << n;
    }
    if (years.isEmpty()) throw DataError(QStringLiteral("Es fehlen die Jubiläumsjahre (z. B. 10,25)."));
    std::sort(years.begin(), years.end());
    return years;
}

}  // namespace ferolind
