// Reading rows straight through SQLite's C API on the handle a connection holds: no
// QVariant per cell from the driver, no row cache, texts from UTF-8 straight into QString
// (repeated texts of a column shared), dates from the raw bytes.
#pragma once

#include "columnstore.h"
#include "field.h"

#include <QVariantList>
#include <functional>

struct sqlite3;
struct sqlite3_stmt;

namespace ferolind {

class Connection;

class SqliteReader {
public:
    // Reads the columns `sqlFields` of `fields` (in that order, as the SELECT names them)
    // into rows indexed like `fields`; `what` opens the message of a failure.
    SqliteReader(Connection& connection, const FieldList& fields, const QVector<int>& sqlFields, QString what);
    // The same on a bare SQLite handle of the caller's own (a read on another thread):
    // statements are prepared for the read and finalized after it.
    SqliteReader(sqlite3* handle, const FieldList& fields, const QVector<int>& sqlFields, QString what);

    // Runs one SELECT with integer parameters and appends every row to `store` (made over
    // `fields`); the calculated fields stay null. Throws DataError, with `store` holding
    // the rows read before the failure.
    void readInto(const QString& sql, const QVector<qint64>& params, ColumnStore& store);
    // The same, every row handed to `take` whole (a few rows: a read-back, a re-read by key).
    void read(const QString& sql, const QVector<qint64>& params, const std::function<void(Row&)>& take);
    // The first column of the first row of a query as a number (a count); 0 when none.
    qint64 number(const QString& sql);

private:
    // Runs `use` with the statement for `sql`: a kept one of the connection, or one of its
    // own on a bare handle.
    template <typename Use>
    auto withStatement(const QString& sql, Use use);
    void readRows(sqlite3_stmt* statement, const QVector<qint64>& params, ColumnStore& store);

    Connection* connection_ = nullptr;
    sqlite3* handle_ = nullptr;
    const FieldList& fields_;
    const QVector<int>& sqlFields_;
    QString what_;
};

// A cell as the datasets hold it, from a value as an SQL query returns it (see field.h):
// integers, texts, dates of the stored forms, real numbers as euros in money columns.
QVariant storedValue(FieldType type, const QVariant& v);

}  // namespace ferolind
