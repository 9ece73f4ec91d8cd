// A realistic demo club of any size: names, streets, real postal codes and towns, birth
// and entry dates, fee classes, fee payments and bookings, written straight into a new
// database file (one transaction, so that 50,000 members take seconds).
#pragma once

#include <QDate>
#include <QString>

namespace ferolind::demo {

struct Size {
    int members = 1000;
    int bookings = 2000;
    // Fee payment rows: spread evenly over the members, one a year going back from this
    // year. Negative: most members paid last year, four in five this year.
    int payments = -1;
    QDate today = QDate::currentDate();
    unsigned seed = 1861;
};

// Creates db.mdb in folder (which must not hold one) and fills it.
void createDemoClub(const QString& folder, const Size& size);

}  // namespace ferolind::demo
