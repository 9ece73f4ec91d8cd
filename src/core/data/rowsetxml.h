// Rowsets in the XML persistence format of ADO recordsets (adPersistXML).
//
// This is the format of the program's table backups and exports: a schema part that
// declares one column per field and a data part with one <z:row> per record, each value an
// attribute and a null value omitted. Files written by ADO itself can be read as far as
// their column types map onto the program's field types; other types are read as Text.
#pragma once

#include "field.h"

#include <QByteArray>
#include <QString>
#include <QVector>

namespace ferolind {

struct Rowset {
    FieldList fields;
    QVector<Row> rows;
};

// Writes the rows in the XML persistence format of ADO recordsets. Atomic: on failure the
// target is untouched and DataError (German message, naming the file) is thrown.
// Calculated fields are written like any other column; the flag itself is not stored.
void writeRowsetXml(const QString& path, const FieldList& fields, const QVector<Row>& rows);

// Reads such a file (also one written by ADO itself, as far as its types go). Throws
// DataError on a missing/unreadable file or a malformed document. Fields come back with
// calculated == false; a Date value at midnight comes back as QDate.
Rowset readRowsetXml(const QString& path);

// In-memory variants used by the two above and by tests.
// Throws DataError when a value does not fit its field's type or cannot be put into XML.
QByteArray rowsetXmlToBytes(const FieldList& fields, const QVector<Row>& rows);
// sourceNameForMessages names the document in error messages (usually its path).
Rowset rowsetXmlFromBytes(const QByteArray& xml, const QString& sourceNameForMessages);

}  // namespace ferolind
