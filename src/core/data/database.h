// The database file "db.mdb" in a folder: creating it with its five tables, and the
// connections the datasets open on it.
#pragma once

#include <QSqlDatabase>
#include <QString>

namespace ferolind {

// Path of the database file in a folder.
QString databaseFile(const QString& folder);

// Creates db.mdb with its five tables in folder. Refuses (DataError with a German
// message) when the folder is missing or not writable or the file exists; an existing
// file is never touched. Atomic: the tables are made under a temporary name, which
// becomes db.mdb only when all five exist; after a failure (a full disk) neither
// db.mdb nor the temporary file is there.
void createDatabase(const QString& folder);

// Opens a new connection of its own on the database file in folder; throws DataError
// when the file is missing or is no database. closeConnection removes it again.
QSqlDatabase openConnection(const QString& folder, const QString& purpose);
void closeConnection(QSqlDatabase& db);

// Refuses (DataError) a file that is not a complete club database: another program's
// SQLite file, an empty file, a file without one of the five tables. Reads only, so that a
// refused file is left exactly as it was; call before anything writes to it.
void checkClubFile(QSqlDatabase& db);

// The engine's message of a failed statement, in German where the engine says English.
QString engineMessage(const QString& what, const QString& driverText);

}  // namespace ferolind
