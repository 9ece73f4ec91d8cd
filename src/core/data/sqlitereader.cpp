#include "sqlitereader.h"

#include "connection.h"
#include "database.h"
#include "errors.h"
#include "values.h"

#include <sqlite3.h>
#include <memory>

namespace ferolind {

namespace {

// A stored date: ISO "yyyy-MM-dd" from the raw bytes, without the general parser, as
// every date of every row passes here when a table is opened; an invalid QDate otherwise.
QDate isoDate(const unsigned char* s, int n) {
    if (n != 10 || s[4] != '-' || s[7] != '-') return {};
    auto digits = [&](int at, int len) {
        int v = 0;
        for (int i = at; i < at + len; ++i) {
            const int d = s[i] - '0';
            if (d < 0 || d > 9) return -1;
            v = v * 10 + d;
        }
        return v;
    };
    return QDate(digits(0, 4), digits(5, 2), digits(8, 2));
}

// The same from a text; any other form (" hh:mm:ss" with a time) through the parser.
QVariant storedDate(const QString& s) {
    const QByteArray bytes = s.toLatin1();
    if (const QDate d = isoDate(reinterpret_cast<const unsigned char*>(bytes.constData()), int(bytes.size()));
        d.isValid())
        return d;
    return parseDate(s);
}

// A cell as Qt's SQLite driver returns it, for the rare stored forms the fast paths leave.
QVariant driverValue(sqlite3_stmt* st, int c) {
    switch (sqlite3_column_type(st, c)) {
        case SQLITE_INTEGER: return QVariant::fromValue<qlonglong>(sqlite3_column_int64(st, c));
        case SQLITE_FLOAT: return sqlite3_column_double(st, c);
        case SQLITE_NULL: return {};
        case SQLITE_BLOB:
            return QByteArray(static_cast<const char*>(sqlite3_column_blob(st, c)), sqlite3_column_bytes(st, c));
        default:
            return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)),
                                     sqlite3_column_bytes(st, c));
    }
}

}  // namespace

QVariant storedValue(FieldType type, const QVariant& v) {
    if (v.isNull()) {
        // A Yes/No column has no "unknown": an old NULL reads as No.
        return type == FieldType::Bool ? QVariant(false) : QVariant();
    }
    switch (type) {
        case FieldType::AutoIncrement:
        case FieldType::Integer: return v.toInt();
        case FieldType::Text:
        case FieldType::Memo: {
            const QString s = v.toString();
            return s.isEmpty() ? QVariant() : QVariant(s);
        }
        case FieldType::Date: return storedDate(v.toString());
        case FieldType::Bool: return v.toLongLong() != 0;
        case FieldType::Currency:
            // Stored as a count of 1/10000; a real number written by someone else is euros,
            // and one that is no amount (infinity, beyond the range) is read as missing.
            if (v.typeId() == QMetaType::Double) {
                if (const auto m = moneyFromDouble(v.toDouble())) return QVariant::fromValue<qint64>(*m);
                return {};
            }
            return QVariant::fromValue<qint64>(v.toLongLong());
    }
    return {};
}

SqliteReader::SqliteReader(Connection& connection, const FieldList& fields, const QVector<int>& sqlFields,
                           QString what)
    : connection_(&connection),
      handle_(connection.handle()),
      fields_(fields),
      sqlFields_(sqlFields),
      what_(std::move(what)) {}

SqliteReader::SqliteReader(sqlite3* handle, const FieldList& fields, const QVector<int>& sqlFields, QString what)
    : handle_(handle), fields_(fields), sqlFields_(sqlFields), what_(std::move(what)) {}

template <typename Use>
auto SqliteReader::withStatement(const QString& sql, Use use) {
    if (connection_) {
        const Connection::Statement st = connection_->prepared(sql, what_);
        return use(st.get());
    }
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v3(handle_, utf8.constData(), int(utf8.size()), 0, &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        throw DataError(engineMessage(what_, QString::fromUtf8(sqlite3_errmsg(handle_))));
    }
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> st(raw, &sqlite3_finalize);
    return use(raw);
}

qint64 SqliteReader::number(const QString& sql) {
    return withStatement(sql, [&](sqlite3_stmt* st) -> qint64 {
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_ROW) return sqlite3_column_int64(st, 0);
        if (rc != SQLITE_DONE) throw DataError(engineMessage(what_, QString::fromUtf8(sqlite3_errmsg(handle_))));
        return 0;
    });
}

void SqliteReader::readInto(const QString& sql, const QVector<qint64>& params, ColumnStore& store) {
    withStatement(sql, [&](sqlite3_stmt* st) { readRows(st, params, store); });
}

void SqliteReader::readRows(sqlite3_stmt* st, const QVector<qint64>& params, ColumnStore& store) {
    sqlite3* db = handle_;
    for (int i = 0; i < params.size(); ++i) sqlite3_bind_int64(st, i + 1, params[i]);
    for (;;) {
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_DONE) break;
        if (rc != SQLITE_ROW) throw DataError(engineMessage(what_, QString::fromUtf8(sqlite3_errmsg(db))));
        const int r = store.appendRow();
        for (int c = 0; c < sqlFields_.size(); ++c) {
            const int f = sqlFields_[c];
            const FieldType type = fields_[f].type;
            const int stored = sqlite3_column_type(st, c);
            // The stored forms this program writes, read without a detour.
            if (stored == SQLITE_INTEGER) {
                const qint64 n = sqlite3_column_int64(st, c);
                if (type == FieldType::Integer || type == FieldType::AutoIncrement) {
                    store.setInt(r, f, qint32(n));
                    continue;
                }
                if (type == FieldType::Bool) {
                    store.setBool(r, f, n != 0);
                    continue;
                }
                if (type == FieldType::Currency) {
                    store.setInt64(r, f, n);
                    continue;
                }
            } else if (stored == SQLITE_TEXT) {
                const auto* s = sqlite3_column_text(st, c);
                const int n = sqlite3_column_bytes(st, c);
                if (type == FieldType::Text || type == FieldType::Memo) {
                    if (n > 0) store.setTextUtf8(r, f, reinterpret_cast<const char*>(s), n);
                    continue;
                }
                if (type == FieldType::Date) {
                    if (const QDate d = isoDate(s, n); d.isValid()) {
                        store.setDate(r, f, d);
                        continue;
                    }
                }
            } else if (stored == SQLITE_NULL) {
                if (type == FieldType::Bool) store.setBool(r, f, false);
                continue;
            }
            store.set(r, f, storedValue(type, driverValue(st, c)));
        }
    }
}

void SqliteReader::read(const QString& sql, const QVector<qint64>& params, const std::function<void(Row&)>& take) {
    ColumnStore rows(fields_);
    readInto(sql, params, rows);
    for (int i = 0; i < rows.size(); ++i) {
        Row r = rows.row(i);
        take(r);
    }
}

}  // namespace ferolind
