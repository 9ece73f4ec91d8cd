// Whole tables at once, for the restore of a backup and the program reset: emptying a
// table and filling it with given rows. Both run inside the caller's transaction and
// advance the table's change counter, so other workstations re-read it.
#pragma once

#include "field.h"

#include <QSqlQuery>
#include <QVector>

namespace ferolind {

class Connection;
struct TableDef;

// Deletes every row of the table. Throws DataError.
void deleteAllRows(Connection& connection, const TableDef& table);

// Lets the key column count from 1 again, as in a new file (after deleteAllRows).
void restartKeyNumbering(Connection& connection, const TableDef& table);

// Inserts rows whose values are given for some of the table's columns (the others stay
// NULL), each value in the dataset form (see field.h); one prepared statement for all.
class TableRowWriter {
public:
    // columns: indexes into table.columns, in the order of the values of each row.
    TableRowWriter(Connection& connection, const TableDef& table, QVector<int> columns);
    // Throws DataError with the engine's reason.
    void insert(const Row& values);

private:
    const TableDef& table_;
    QVector<int> columns_;
    QSqlQuery query_;
};

}  // namespace ferolind
