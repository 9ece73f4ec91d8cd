#include "tablerows.h"

#include "connection.h"
#include "database.h"
#include "errors.h"
#include "schema.h"

#include <QDateTime>
#include <QSqlError>

namespace ferolind {

void deleteAllRows(Connection& connection, const TableDef& table) {
    connection.markChanged(table.name);
    connection.exec(QStringLiteral("DELETE FROM %1").arg(quoteName(table.name)), {},
                    QStringLiteral("Die Tabelle »%1« kann nicht geleert werden").arg(table.createName));
}

void restartKeyNumbering(Connection& connection, const TableDef& table) {
    // SQLite keeps the highest key an AUTOINCREMENT column ever gave in sqlite_sequence.
    connection.exec(QStringLiteral("DELETE FROM sqlite_sequence WHERE lower(name)=?"), {table.name},
                    QStringLiteral("Die Nummerierung der Tabelle »%1« kann nicht zurückgesetzt werden")
                        .arg(table.createName));
}

namespace {
// A value in the form the file stores (ISO dates, 0/1, money as integer); typed nulls.
QVariant storedForm(FieldType type, const QVariant& v) {
    const bool null = !v.isValid() || v.isNull();
    if (type == FieldType::Date) {
        if (null) return QVariant(QMetaType::fromType<QString>());
        return v.typeId() == QMetaType::QDateTime ? v.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                                                  : v.toDate().toString(Qt::ISODate);
    }
    if (type == FieldType::Bool) return null ? QVariant(QMetaType::fromType<int>()) : QVariant(int(v.toBool()));
    if (type == FieldType::Text || type == FieldType::Memo)
        return null ? QVariant(QMetaType::fromType<QString>()) : v;
    return null ? QVariant(QMetaType::fromType<qint64>()) : QVariant(v.toLongLong());
}
}  // namespace

TableRowWriter::TableRowWriter(Connection& connection, const TableDef& table, QVector<int> columns)
    : table_(table), columns_(std::move(columns)), query_(connection.db()) {
    connection.markChanged(table.name);
    QStringList names, marks;
    for (int c : columns_) {
        names << quoteName(table.columns[c].name);
        marks << QStringLiteral("?");
    }
    const QString sql = names.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoteName(table.name))
                                        : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                              .arg(quoteName(table.name), names.join(','), marks.join(','));
    query_.setForwardOnly(true);
    if (!query_.prepare(sql))
        throw DataError(engineMessage(QStringLiteral("Die Tabelle »%1« kann nicht gefüllt werden").arg(table.createName),
                                      query_.lastError().text()));
}

void TableRowWriter::insert(const Row& values) {
    for (int i = 0; i < columns_.size(); ++i)
        query_.bindValue(i, storedForm(table_.columns[columns_[i]].type, values.value(i)));
    if (!query_.exec())
        throw DataError(engineMessage(QStringLiteral("Ein Datensatz der Tabelle »%1« kann nicht gespeichert werden")
                                          .arg(table_.createName),
                                      query_.lastError().text()));
}

}  // namespace ferolind
