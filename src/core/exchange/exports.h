// The member and booking exports: delimited text (CSV, TXT), an HTML table and an .xlsx
// workbook, each of the rows a dataset presents, in its order, and the selected columns.
#pragma once

#include "data/field.h"
#include "members/columns.h"

#include <QStringList>
#include <QVector>

namespace ferolind {
class Dataset;
}

namespace ferolind::exchange {

enum class ExportFormat { Csv, Html, Txt, Excel, Ods };

// One exportable column: the field, the caption of its check box and the heading written.
struct ExportColumn {
    QString field;
    QString caption;
    QString heading;
};

// The 27 member columns ID to BeitragAktuellBezahlt (the free fields headed by their labels).
QVector<ExportColumn> memberExportColumns(const FreeFieldLabels& labels = {});
// The 8 booking columns Buchungsnummer to Bestandskonto.
const QVector<ExportColumn>& bookingExportColumns();

// Separator and text qualifier of the delimited file (a null qualifier: none).
struct ExportOptions {
    QChar separator = QLatin1Char(',');
    QChar qualifier = QLatin1Char('"');
    bool titleRow = true;
};

// What is written: the headings, and per presented row the cell texts (and values, for
// the workbook) of the selected columns. The first column of the list (member or booking
// number) is written without qualifier unless its text needs one.
struct ExportTable {
    QStringList headings;
    QVector<FieldType> types;
    QVector<bool> bare;  // written without qualifier
    QVector<QStringList> cells;
    QVector<QVector<QVariant>> values;
};

// The table of the dataset's presented rows, in their order. `selected` flags the
// entries of `columns` (missing flags count as not selected).
ExportTable exportTable(const Dataset& d, const QVector<ExportColumn>& columns, const QVector<bool>& selected);

// The delimited file follows RFC 4180 where there is a qualifier: a value holding the
// separator, the qualifier or a line end is qualified and a qualifier inside it doubled,
// so every reader gets the same cells back. Without a qualifier nothing can be escaped:
// the first cell (or title) whose text would split or break its line for a reader (it
// holds the separator or a line end); empty when there is none. The file is written
// all the same; the screen and the command line warn.
QString firstBreakingCell(const ExportTable& table, const ExportOptions& options);
// The warning for such a cell, one German sentence; empty when every value reads back.
QString breakingCellWarning(const ExportTable& table, const ExportOptions& options);

// The files. Each replaces the target as a whole only once it is written completely:
// a failure leaves an existing target as it was and no part-written file. Throws
// DataError with the system's reason. Long tables report through ferolind::Progress.
void writeDelimited(const QString& path, const ExportTable& table, const ExportOptions& options);
void writeHtml(const QString& path, const ExportTable& table, bool titleRow);
// The workbook: one worksheet "Buchung", a heading row, then one row per record;
// numbers, amounts and dates as such.
void writeXlsx(const QString& path, const ExportTable& table);
// The same as an OpenDocument spreadsheet (.ods, what LibreOffice writes by default).
void writeOds(const QString& path, const ExportTable& table);

// The file for a format (CSV takes the comma and the double quote whatever is asked).
void writeExport(ExportFormat format, const QString& path, const ExportTable& table, ExportOptions options);

}  // namespace ferolind::exchange
