// The sources of the import assistant: workbooks (.xls, .xlsx, .ods), database files (.mdb:
// a Jet database, or the SQLite file of another club database) and delimited text.
// Each gives its sheet or table names and the records of one as field texts.
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include "delimited.h"

namespace ferolind::exchange {

enum class SourceKind { Xls, Xlsx, Ods, Mdb, Text };

// By the extension, letter case counting: ".xls", ".xlsx", ".ods", ".mdb", anything else text.
SourceKind sourceKindOf(const QString& path);

// The sentence for a file that cannot be opened or read, from the system's error number
// ("Die Datei … ist nicht vorhanden.", "Keine Berechtigung, die Datei … zu lesen.").
QString fileReadFailure(const QString& path);
// The whole file; throws DataError with fileReadFailure's sentence.
QByteArray readFileBytes(const QString& path);

// The records of a sheet or table; each record holds the texts of its fields in source
// order, cell texts as the member export writes them (numbers in plain decimal, dates
// dd.MM.yyyy, booleans Wahr/Falsch, unreadable fields empty). `fieldNames` are the column
// names a database table has (workbooks and text have none).
struct SourceTable {
    QStringList fieldNames;
    QVector<QStringList> records;
};

// Sheet or table names in the file's order (empty for text). Throws DataError with one
// German sentence naming the file: it is missing or not readable, or "Die Datei … ist
// keine lesbare Excel-Arbeitsmappe …" and the reason.
QStringList sourceTableNames(const QString& path);

// Reads one sheet or table (empty name: the first), or the text split at `separator`
// without qualifier, one record per line (decoded as `encoding` asks; `used` receives the
// character set read). Throws DataError as above.
SourceTable readSource(const QString& path, const QString& table, QChar separator,
                       TextEncoding encoding = TextEncoding::Auto, TextEncoding* used = nullptr);

// Whether the first record of a source holds its column names: never for a database
// table (its columns are named, every record is data), as the user says for the rest.
bool hasTitleRecord(const SourceTable& source, bool userSaysTitle);

// The readers by kind, for tests and fuzzing; they throw DataError with the reason only.
QStringList xlsxSheetNames(const QByteArray& fileBytes);
SourceTable readXlsx(const QByteArray& fileBytes, const QString& sheet);
QStringList xlsSheetNames(const QString& path);
SourceTable readXls(const QString& path, const QString& sheet);
// One part of a zip container (a workbook's XML); throws DataError.
QByteArray zipPart(const QByteArray& zipBytes, const QString& name);
QStringList odsSheetNames(const QByteArray& fileBytes);
SourceTable readOds(const QByteArray& fileBytes, const QString& sheet);
QStringList mdbTableNames(const QString& path);
SourceTable readMdb(const QString& path, const QString& table);

// Cell text of a workbook number: plain decimal with a comma ("12,5", "7").
QString numberText(double value);
// A workbook's serial day number (days since 30.12.1899, with the time as fraction) as
// date text; `date1904`: the workbook counts from 1.1.1904.
QString serialDateText(double serial, bool date1904 = false);
// Leading rows and columns without any text dropped, trailing empty cells kept.
void trimLeadingEmpty(QVector<QStringList>& records);

}  // namespace ferolind::exchange
