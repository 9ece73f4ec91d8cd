#include "dateranges.h"

namespace ferolind {

DateRange presetRange(DatePreset preset, const QDate& today) {
    // Each period ends the day before the next one starts, so month lengths and
    // leap years need no special handling.
    switch (preset) {
        case DatePreset::CurrentMonth: {
            const QDate from(today.year(), today.month(), 1);
            return {from, from.addMonths(1).addDays(-1)};
        }
        case DatePreset::CurrentQuarter: {
            const int firstMonth = (today.month() - 1) / 3 * 3 + 1;
            const QDate from(today.year(), firstMonth, 1);
            return {from, from.addMonths(3).addDays(-1)};
        }
        case DatePreset::CurrentYear: {
            const QDate from(today.year(), 1, 1);
            return {from, from.addYears(1).addDays(-1)};
        }
    }
    return {};
}

QString presetCaption(DatePreset preset) {
    switch (preset) {
        case DatePreset::CurrentMonth: return QStringLiteral("aktueller Monat");
        case DatePreset::CurrentQuarter: return QStringLiteral("aktuelles Quartal");
        case DatePreset::CurrentYear: return QStringLiteral("aktuelles Jahr");
    }
    return {};
}

}  // namespace ferolind
