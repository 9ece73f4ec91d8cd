#include "foreigndatabase.h"

#include "database.h"
#include "errors.h"
#include "schema.h"
#include "values.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <atomic>

#include <sqlite3.h>

namespace ferolind {

namespace {

// What another database may hand over: a text or blob longer than a member field could
// ever be is an error of the query, not gigabytes in memory; so are more rows or cells
// than an import can take.
constexpr int kMaxValueLength = 1 << 20;
constexpr qsizetype kMaxRows = 1048576;
constexpr qint64 kMaxCells = 16'000'000;

// A read-only connection to the file, closed when it goes out of scope.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const QString& path) {
        static std::atomic<int> counter{0};
        db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("ferolind-foreign-%1").arg(++counter));
        db_.setDatabaseName(path);
        db_.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=10000"));
        if (!db_.open()) fail(db_.lastError().text());
        const QVariant h = db_.driver()->handle();
        sqlite3* handle = h.isValid() && qstrcmp(h.typeName(), "sqlite3*") == 0 ? *static_cast<sqlite3* const*>(h.constData()) : nullptr;
        if (!handle) {
            closeConnection(db_);
            fail(QStringLiteral("kein SQLite-Treiber"));
        }
        sqlite3_limit(handle, SQLITE_LIMIT_LENGTH, kMaxValueLength);
    }
    ~ReadOnlyFile() { closeConnection(db_); }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    QSqlQuery run(const QString& sql) {
        QSqlQuery q(db_);
        q.setForwardOnly(true);
        if (!q.exec(sql)) fail(q.lastError().text());
        return q;
    }
    QStringList tables() {
        QSqlQuery q = run(QStringLiteral(
            "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid"));
        QStringList names;
        while (q.next()) names << q.value(0).toString();
        return names;
    }

    [[noreturn]] static void fail(const QString& reason) {
        throw DataError(engineMessage(QStringLiteral("Die Datenbankdatei kann nicht gelesen werden"), reason));
    }

private:
    QSqlDatabase db_;
};

const TableDef* clubTable(const QString& name) {
    for (const TableDef* t : allTables())
        if (t->name.compare(name, Qt::CaseInsensitive) == 0) return t;
    return nullptr;
}

// The program's cell text of a stored value of a club table's column.
QString storedText(const FieldDef* column, const QVariant& v) {
    if (v.isNull()) return {};
    if (!column) return v.toString();
    switch (column->type) {
        case FieldType::Date: {
            const QVariant d = parseDate(v.toString());
            return d.isNull() ? v.toString() : dateToText(d);
        }
        case FieldType::Bool: return boolToText(v.toLongLong() != 0);
        case FieldType::Currency: return moneyToPlain(v.toLongLong());
        default: return v.toString();
    }
}

}  // namespace

QStringList sqliteTableNames(const QString& path) { return ReadOnlyFile(path).tables(); }

ForeignTable readSqliteTable(const QString& path, const QString& table) {
    ReadOnlyFile file(path);
    const QStringList names = file.tables();
    const QString name = table.isEmpty() && !names.isEmpty() ? names.first() : table;
    if (!names.contains(name))
        throw DataError(QStringLiteral("Die Datenbankdatei hat keine Tabelle »%1«.").arg(name));
    QSqlQuery q = file.run(QStringLiteral("SELECT * FROM %1").arg(quoteName(name)));
    ForeignTable t;
    const QSqlRecord rec = q.record();
    const TableDef* def = clubTable(name);
    QVector<const FieldDef*> columns;
    for (int i = 0; i < rec.count(); ++i) {
        t.columns << rec.fieldName(i);
        const int f = def ? fieldIndex(def->columns, rec.fieldName(i)) : -1;
        columns << (f >= 0 ? &def->columns[f] : nullptr);
    }
    const qint64 maxRows = std::min<qint64>(kMaxRows, kMaxCells / std::max(1, rec.count()));
    while (q.next()) {
        if (t.cells.size() >= maxRows)
            throw DataError(QStringLiteral("Die Tabelle »%1« hat zu viele Datensätze (mehr als %2).").arg(name).arg(maxRows));
        QVector<QString> row;
        row.reserve(rec.count());
        for (int i = 0; i < rec.count(); ++i) row << storedText(columns[i], q.value(i));
        t.cells << row;
    }
    // A value over the length limit ends the rows with an error, not with fewer rows.
    if (q.lastError().isValid()) ReadOnlyFile::fail(q.lastError().text());
    return t;
}

}  // namespace ferolind
