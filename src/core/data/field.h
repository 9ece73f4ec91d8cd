// Field definitions and the value conventions every dataset shares.
//
// A field value is a QVariant:
//   null QVariant            the field has no value (stored as NULL)
//   Integer, AutoIncrement   int (32 bit)
//   Text, Memo               QString, never empty (an empty text is null)
//   Date                     QDate, or QDateTime when a time of day is set
//   Bool                     bool
//   Currency                 qint64, count of 1/10000 euro (see Money)
#pragma once

#include <QString>
#include <QVariant>
#include <QVector>

namespace ferolind {

enum class FieldType { AutoIncrement, Integer, Text, Memo, Date, Bool, Currency };

struct FieldDef {
    QString name;  // column name exactly as in the table
    FieldType type = FieldType::Text;
    int size = 0;             // maximum characters of a Text field
    bool calculated = false;  // value computed by the dataset's compute handler; never read
                              // from or written to the table
};

using FieldList = QVector<FieldDef>;

// Index of a field by name, ignoring letter case; -1 when absent.
int fieldIndex(const FieldList& fields, const QString& name);

bool isNumericType(FieldType t);  // Integer, AutoIncrement, Currency

}  // namespace ferolind

namespace ferolind {
// One record's values, indexed like the dataset's FieldList.
using Row = QVector<QVariant>;
}  // namespace ferolind
