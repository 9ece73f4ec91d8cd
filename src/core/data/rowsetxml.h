// Rowsets in the XML persistence format of ADO recordsets (adPersistXML).
//
// This is the format of the program's table backups and exports: a schema part that
// declares one column per field and a data part with one <z:row> per record, each value an
// attribute and a null value omitted. Files written by ADO itself are read too: a column
// whose name is no XML name is declared under a short name with the real one in rs:name;
// ADO's column types (dt:type, rs:dbtype) map onto the program's field types, and types
// without a counterpart are read as Text. Reading streams: a file is never held whole.
#pragma once

#include "field.h"

#include <QByteArray>
#include <QString>
#include <QVector>
#include <memory>

class QIODevice;

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

// The same from an open device.
Rowset readRowsetXml(QIODevice& device, const QString& sourceNameForMessages);

// Reads a document record by record, for callers that pass rows on (a restore into a
// table) instead of keeping them. Every method throws DataError (German, naming the source)
// on a malformed document or a value that does not fit its column.
class RowsetXmlReader {
public:
    // Reads the schema part at once; the device must stay open while the reader is used.
    RowsetXmlReader(QIODevice* device, const QString& sourceNameForMessages);
    ~RowsetXmlReader();
    RowsetXmlReader(const RowsetXmlReader&) = delete;
    RowsetXmlReader& operator=(const RowsetXmlReader&) = delete;

    // The declared columns, in the order of their rs:number.
    const FieldList& fields() const;
    // Reads the texts of a column as `type` instead of its declared type (before the first
    // row): a file's integer column into a money field, say.
    void readColumnAs(int column, FieldType type);
    // The next record into `row` (one value per column, null where the file has none);
    // false after the last one, once the rest of the document has been checked too.
    bool next(Row& row);

private:
    class Parser;
    std::unique_ptr<Parser> parser_;
};

// In-memory variants used by the two above and by tests.
// Throws DataError when a value does not fit its field's type or cannot be put into XML.
QByteArray rowsetXmlToBytes(const FieldList& fields, const QVector<Row>& rows);
// sourceNameForMessages names the document in error messages (usually its path).
Rowset rowsetXmlFromBytes(const QByteArray& xml, const QString& sourceNameForMessages);

}  // namespace ferolind
