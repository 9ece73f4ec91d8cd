// Date range presets offered next to date filters: the current month, quarter or year.
#pragma once

#include <QDate>
#include <QString>

namespace ferolind {

enum class DatePreset { CurrentMonth, CurrentQuarter, CurrentYear };

struct DateRange {
    QDate from;
    QDate to;  // inclusive
};

// The period of the given kind that contains `today`, first to last day.
DateRange presetRange(DatePreset preset, const QDate& today);

// "aktueller Monat", "aktuelles Quartal", "aktuelles Jahr"
QString presetCaption(DatePreset preset);

}  // namespace ferolind
