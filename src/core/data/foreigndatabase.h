// Reading another SQLite database file (for instance the db.mdb of another club) as a
// source of the import: its table names and the rows of one table as cell texts.
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

namespace ferolind {

struct ForeignTable {
    QStringList columns;
    QVector<QVector<QString>> cells;  // per row, per column
};

// The tables in the order they were created (SQLite's own tables left out). Throws
// DataError when the file cannot be opened read-only or is no database.
QStringList sqliteTableNames(const QString& path);
// The rows of a table (empty name: the first table) in stored order. A table of the club
// database gives the program's cell texts (dates dd.MM.yyyy, amounts "12,5", Wahr/Falsch);
// other columns their stored text.
ForeignTable readSqliteTable(const QString& path, const QString& table);

}  // namespace ferolind
