// The five tables of the club database: their columns in creation order, and the
// fields each shared dataset presents.
#pragma once

#include "field.h"

#include <QStringList>

namespace ferolind {

struct TableDef {
    QString name;        // lower-case name used by every statement ("mitglieder")
    QString createName;  // name the table is created under ("Mitglieder")
    FieldList columns;   // in creation order
};

const TableDef& membersTable();      // mitglieder
const TableDef& feePaymentsTable();  // betrag
const TableDef& feeClassesTable();   // beitragsklassen
const TableDef& bookingsTable();     // buchung
const TableDef& settingsTable();     // blob
// All five, in the order they are created.
QVector<const TableDef*> allTables();

// Fields presented by the shared datasets. The member dataset computes the jubilee text
// and the fee-paid flag; the booking dataset presents its columns in its own order.
FieldList memberDatasetFields();
FieldList bookingDatasetFields();

// The postal-code lookup table (in memory, not in the database).
FieldList postalCodeFields();

// The CREATE TABLE statement of a table.
QString createTableSql(const TableDef& table);

// Quotes a column or table name for SQL ("DB-ID" -> "\"DB-ID\"").
QString quoteName(const QString& name);

}  // namespace ferolind
