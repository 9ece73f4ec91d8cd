// What the booking journal holds as the file holds it, for rules that must decide from
// the file inside their write transaction (not from a workstation's memory).
#pragma once

#include "values.h"

#include <QString>
#include <QVector>

namespace ferolind {

class Connection;

// The sum of the amounts of the bookings of one asset account (exact text) in one direction.
struct JournalSum {
    QString account;
    QString direction;  // as stored: "E", "A", or anything an older program stored
    Money amount = 0;
};

// Every account's sums per direction, read from table "buchung" on the connection (inside
// the caller's transaction). Throws DataError.
QVector<JournalSum> journalSums(Connection& connection);

}  // namespace ferolind
