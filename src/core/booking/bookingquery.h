// The booking query: the filter text of the criteria, the net sum of the bookings shown,
// and the date range of the whole journal.
#pragma once

#include "data/values.h"

#include <QDate>
#include <QString>

namespace ferolind {

class Dataset;

struct BookingCriteria {
    QString text, category, payee, account;  // empty: no criterion; a trailing "*" matches a prefix
    QDate from, to;
};

// "Buchungstext = 'x' and Kategorie = 'y' and ... Datum >= 'from' and Datum < 'the day after to'"
// with each value quoted (a quote typed in a value stays part of the value); the last day
// is included with all its times of day.
QString bookingQueryFilter(const BookingCriteria& c);

// The bookings presented: expenses ("A") subtract their amount, every other booking adds it.
Money bookingNetSum(const Dataset& bookings);
// "Summe: 170,00 €"
QString bookingSumText(Money sum);

// The earliest and latest booking date of all bookings (invalid dates for none).
struct DateBounds {
    QDate earliest, latest;
};
DateBounds bookingDateBounds(const Dataset& bookings);

}  // namespace ferolind
