#include "connection.h"

#include "safefile.h"

#include "database.h"
#include "errors.h"

#include <sqlite3.h>
#include <QDateTime>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

namespace ferolind {

Connection::Connection(const QString& folder, const QString& purpose)
    : folder_(folder), db_(openConnection(folder, purpose)) {
    try {
        checkClubFile(db_);
    } catch (...) {
        closeConnection(db_);
        throw;
    }
    prepareCounters();
}

namespace {
const QString kCounterTable = QStringLiteral("\"Aenderungen\"");
// The rows each commit wrote, by table and count; only the recent commits are kept.
const QString kRowTable = QStringLiteral("\"AenderungenZeilen\"");
constexpr qint64 kCommitsListed = 200;
// A commit writing more rows of a table than these lists the table as a whole: a
// re-read then reads all of it, which costs no more.
constexpr int kRowsListed = 500;
}  // namespace

// Older files get the counter table on open. A file that cannot take it (read-only) works
// on without: every change by others then counts as a change of every table.
void Connection::prepareCounters() {
    QSqlQuery q(db_);
    counters_ = q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (\"Tabelle\" TEXT PRIMARY KEY, "
                                      "\"Zaehler\" INTEGER NOT NULL)")
                           .arg(kCounterTable));
    rowList_ = counters_ &&
               q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (\"Tabelle\" TEXT NOT NULL, "
                                     "\"Zaehler\" INTEGER NOT NULL, \"Schluessel\" INTEGER)")
                          .arg(kRowTable)) &&
               q.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS \"AenderungenZeilenNachZaehler\" ON %1 "
                                     "(\"Tabelle\", \"Zaehler\")")
                          .arg(kRowTable));
    seen_ = readCounters();
    dataVersion_ = dataVersion();
    // A new member or booking takes the number after the highest stored one: an index
    // answers that at once, where a scan of every row made each store of a bulk import
    // slower than the one before. Older files get it here; a file that cannot be written
    // keeps scanning.
    q.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS \"mitglieder_ID\" ON mitglieder (\"ID\")"));
    q.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS \"buchung_Buchungsnummer\" ON buchung (\"Buchungsnummer\")"));
    dataVersion_ = dataVersion();
}

qint64 Connection::dataVersion() {
    QSqlQuery q(db_);
    return q.exec(QStringLiteral("PRAGMA data_version")) && q.next() ? q.value(0).toLongLong() : -1;
}

QHash<QString, qint64> Connection::readCounters() {
    QHash<QString, qint64> c;
    if (!counters_) return c;
    QSqlQuery q(db_);
    if (!q.exec(QStringLiteral("SELECT \"Tabelle\", \"Zaehler\" FROM %1").arg(kCounterTable))) return c;
    while (q.next()) c.insert(q.value(0).toString(), q.value(1).toLongLong());
    return c;
}

void Connection::Level::unite(const Level& inner) {
    changed.unite(inner.changed);
    whole.unite(inner.whole);
    for (auto it = inner.keys.begin(); it != inner.keys.end(); ++it)
        for (const qint64 key : it.value()) addKey(it.key(), key);
}

// A table written in more rows than are listed counts as written whole: its keys need
// not be kept (a bulk store of thousands of rows would carry them from level to level).
void Connection::Level::addKey(const QString& table, qint64 key) {
    if (whole.contains(table)) return;
    QSet<qint64>& k = keys[table];
    k.insert(key);
    if (k.size() > kRowsListed) {
        keys.remove(table);
        whole.insert(table);
    }
}

void Connection::markChanged(const QString& table) {
    if (!counters_) return;
    if (levels_.empty()) {
        // A write outside a transaction has committed already: count it at once.
        Level level;
        level.changed.insert(table);
        level.whole.insert(table);
        seen_.insert(advanceCounters(level));
        return;
    }
    levels_.back().changed.insert(table);
    levels_.back().whole.insert(table);
}

void Connection::markChanged(const QString& table, qint64 key) {
    if (!counters_) return;
    Level single;
    Level& level = levels_.empty() ? single : levels_.back();
    level.changed.insert(table);
    level.addKey(table, key);
    if (levels_.empty()) seen_.insert(advanceCounters(level));
}

QHash<QString, qint64> Connection::advanceCounters(const Level& level) {
    QHash<QString, qint64> seen;
    const QHash<QString, qint64> now = readCounters();
    for (const QString& t : level.changed) {
        const qint64 count = run(QStringLiteral("INSERT INTO %1 (\"Tabelle\", \"Zaehler\") VALUES (?, 1) "
                                                "ON CONFLICT(\"Tabelle\") DO UPDATE SET \"Zaehler\" = \"Zaehler\" + 1 "
                                                "RETURNING \"Zaehler\"")
                                     .arg(kCounterTable),
                                 {t}, QStringLiteral("Die Änderung kann nicht gespeichert werden"));
        listRows(t, count, level);
        // Only when nobody else counted in between: their change is still to be read.
        if (now.value(t, 0) == seen_.value(t, 0)) seen.insert(t, count);
    }
    return seen;
}

// The rows of one commit to a table: their keys, or one row without a key for "all".
void Connection::listRows(const QString& table, qint64 count, const Level& level) {
    if (!rowList_) return;
    const QString what = QStringLiteral("Die Änderung kann nicht gespeichert werden");
    const auto keys = level.keys.constFind(table);
    QVariantList params;
    QStringList marks;
    if (level.whole.contains(table) || keys == level.keys.constEnd() || keys->size() > kRowsListed) {
        params << table << count << QVariant(QMetaType::fromType<qlonglong>());
        marks << QStringLiteral("(?,?,?)");
    } else {
        for (const qint64 key : *keys) {
            params << table << count << key;
            marks << QStringLiteral("(?,?,?)");
        }
    }
    run(QStringLiteral("INSERT INTO %1 (\"Tabelle\", \"Zaehler\", \"Schluessel\") VALUES %2")
            .arg(kRowTable, marks.join(',')),
        params, what);
    run(QStringLiteral("DELETE FROM %1 WHERE \"Tabelle\" = ? AND \"Zaehler\" <= ?").arg(kRowTable),
        {table, count - kCommitsListed}, what);
}

std::optional<QSet<qint64>> Connection::rowsWritten(const QString& table, qint64 from, qint64 to) {
    if (!rowList_ || to <= from || to - from > kCommitsListed) return std::nullopt;
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT \"Zaehler\", \"Schluessel\" FROM %1 WHERE \"Tabelle\" = ? AND "
                             "\"Zaehler\" > ? AND \"Zaehler\" <= ?")
                  .arg(kRowTable));
    q.addBindValue(table);
    q.addBindValue(from);
    q.addBindValue(to);
    if (!q.exec()) return std::nullopt;
    QSet<qint64> keys, counts;
    while (q.next()) {
        if (q.value(1).isNull()) return std::nullopt;  // a commit that wrote the table as a whole
        counts.insert(q.value(0).toLongLong());
        keys.insert(q.value(1).toLongLong());
        if (keys.size() > kRowsListed) return std::nullopt;
    }
    // Every commit counted must have listed its rows (a writer that keeps counts but no
    // list, or a list pruned meanwhile, means the rows cannot all be told).
    if (counts.size() != to - from) return std::nullopt;
    return keys;
}

Connection::Changes Connection::changesByOthers() {
    Changes c;
    const qint64 v = dataVersion();
    if (v == dataVersion_ && v >= 0) return c;
    dataVersion_ = v;
    c.any = true;
    const QHash<QString, qint64> now = readCounters();
    for (auto it = now.begin(); it != now.end(); ++it) {
        if (it.value() == seen_.value(it.key(), 0)) continue;
        c.tables.insert(it.key());
        if (auto rows = rowsWritten(it.key(), seen_.value(it.key(), 0), it.value())) c.rows.insert(it.key(), *rows);
    }
    seen_ = now;
    // A commit that advanced no counter came from a writer that keeps none.
    c.unknown = !counters_ || c.tables.isEmpty();
    return c;
}

Connection::~Connection() {
    while (!levels_.empty()) {
        try {
            rollback();
        } catch (const DataError&) {
            levels_.clear();
        }
    }
    // Kept statements would keep the handle from closing.
    finalizeStatements();
    closeConnection(db_);
}

sqlite3* Connection::handle() {
    const QVariant h = db_.driver() ? db_.driver()->handle() : QVariant();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0) return nullptr;
    return *static_cast<sqlite3* const*>(h.constData());
}

namespace {
// More distinct statements than these (updates name the columns they change) start the
// collection anew.
constexpr int kMostKept = 64;
}  // namespace

Connection::Statement::Statement(Connection* owner, sqlite3_stmt* statement, bool kept)
    : owner_(owner), statement_(statement), kept_(kept) {}

Connection::Statement::Statement(Statement&& other) noexcept
    : owner_(other.owner_), statement_(other.statement_), kept_(other.kept_) {
    other.statement_ = nullptr;
}

Connection::Statement::~Statement() {
    if (!statement_) return;
    if (kept_)
        owner_->release(statement_);
    else
        sqlite3_finalize(statement_);
}

void Connection::release(sqlite3_stmt* statement) {
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    for (Kept& k : statements_)
        if (k.statement == statement) k.inUse = false;
}

void Connection::finalizeStatements() {
    for (const Kept& k : std::as_const(statements_)) sqlite3_finalize(k.statement);
    statements_.clear();
}

Connection::Statement Connection::prepared(const QString& sql, const QString& what) {
    sqlite3* db = handle();
    if (!db) throw DataError(engineMessage(what, QStringLiteral("no SQLite connection")));
    auto it = statements_.find(sql);
    if (it != statements_.end() && !it->inUse) {
        it->inUse = true;
        return Statement(this, it->statement, true);
    }
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v3(db, text.constData(), int(text.size()), SQLITE_PREPARE_PERSISTENT, &st, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(st);
        throw DataError(engineMessage(what, QString::fromUtf8(sqlite3_errmsg(db))));
    }
    if (it != statements_.end()) return Statement(this, st, false);  // the kept one is busy
    if (statements_.size() >= kMostKept) {
        for (auto k = statements_.begin(); k != statements_.end();) {
            if (k->inUse) {
                ++k;
            } else {
                sqlite3_finalize(k->statement);
                k = statements_.erase(k);
            }
        }
    }
    statements_.insert(sql, Kept{st, true});
    return Statement(this, st, true);
}

void Connection::bind(const Statement& statement, const QVariantList& params, const QString& what) {
    sqlite3_stmt* st = statement.get();
    if (params.size() != sqlite3_bind_parameter_count(st))
        throw DataError(engineMessage(what, QStringLiteral("parameter count mismatch")));
    for (int i = 0; i < params.size(); ++i) {
        const QVariant& v = params[i];
        const int at = i + 1;
        int rc = SQLITE_OK;
        if (v.isNull()) {
            rc = sqlite3_bind_null(st, at);
        } else {
            switch (v.typeId()) {
                case QMetaType::Bool:
                case QMetaType::Int:
                case QMetaType::UInt:
                case QMetaType::Long:
                case QMetaType::LongLong:
                case QMetaType::ULongLong: rc = sqlite3_bind_int64(st, at, v.toLongLong()); break;
                case QMetaType::Double: rc = sqlite3_bind_double(st, at, v.toDouble()); break;
                case QMetaType::QByteArray: {
                    const QByteArray b = v.toByteArray();
                    rc = sqlite3_bind_blob64(st, at, b.constData(), sqlite3_uint64(b.size()), SQLITE_TRANSIENT);
                    break;
                }
                case QMetaType::QDateTime: {
                    const QByteArray t = v.toDateTime().toString(Qt::ISODateWithMs).toUtf8();
                    rc = sqlite3_bind_text64(st, at, t.constData(), sqlite3_uint64(t.size()), SQLITE_TRANSIENT,
                                             SQLITE_UTF8);
                    break;
                }
                default: {
                    // Texts, and dates as their ISO text, the way the Qt driver writes them.
                    const QByteArray t = v.toString().toUtf8();
                    rc = sqlite3_bind_text64(st, at, t.constData(), sqlite3_uint64(t.size()), SQLITE_TRANSIENT,
                                             SQLITE_UTF8);
                    break;
                }
            }
        }
        if (rc != SQLITE_OK) throw DataError(engineMessage(what, QString::fromUtf8(sqlite3_errmsg(handle()))));
    }
}

qint64 Connection::run(const QString& sql, const QVariantList& params, const QString& what) {
    const Statement st = prepared(sql, what);
    bind(st, params, what);
    const int rc = sqlite3_step(st.get());
    if (rc == SQLITE_ROW) return sqlite3_column_int64(st.get(), 0);
    if (rc != SQLITE_DONE) throw DataError(engineMessage(what, QString::fromUtf8(sqlite3_errmsg(handle()))));
    return sqlite3_last_insert_rowid(handle());
}

QVector<QVariantList> Connection::select(const QString& sql, const QVariantList& params, const QString& what) {
    const Statement st = prepared(sql, what);
    bind(st, params, what);
    QVector<QVariantList> rows;
    const int columns = sqlite3_column_count(st.get());
    for (;;) {
        const int rc = sqlite3_step(st.get());
        if (rc == SQLITE_DONE) break;
        if (rc != SQLITE_ROW) throw DataError(engineMessage(what, QString::fromUtf8(sqlite3_errmsg(handle()))));
        QVariantList row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(st.get(), c)) {
                case SQLITE_INTEGER: row << QVariant::fromValue<qlonglong>(sqlite3_column_int64(st.get(), c)); break;
                case SQLITE_FLOAT: row << sqlite3_column_double(st.get(), c); break;
                case SQLITE_NULL: row << QVariant(); break;
                case SQLITE_BLOB:
                    row << QByteArray(static_cast<const char*>(sqlite3_column_blob(st.get(), c)),
                                      sqlite3_column_bytes(st.get(), c));
                    break;
                default:
                    row << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), c)),
                                             sqlite3_column_bytes(st.get(), c));
            }
        }
        rows.append(std::move(row));
    }
    return rows;
}

QSqlQuery Connection::exec(const QString& sql, const QVariantList& params, const QString& what) {
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.prepare(sql)) throw DataError(engineMessage(what, q.lastError().text()));
    for (const QVariant& p : params) q.addBindValue(p);
    if (!q.exec()) throw DataError(engineMessage(what, q.lastError().text()));
    return q;
}

namespace {
QString savepointName(int level) { return QStringLiteral("ferolind_%1").arg(level); }
}  // namespace

void Connection::begin() {
    const QString what = QStringLiteral("Die Änderung kann nicht begonnen werden");
    if (levels_.empty())
        run(QStringLiteral("BEGIN IMMEDIATE"), {}, what);
    else
        run(QStringLiteral("SAVEPOINT ") + savepointName(depth()), {}, what);
    levels_.emplace_back();
}

void Connection::commit() {
    if (levels_.empty()) return;
    const QString what = QStringLiteral("Die Änderung kann nicht gespeichert werden");
    // A transaction the engine ended itself after a failure cannot be committed: what it
    // held is gone, and saying so beats the engine's "no transaction is active".
    if (sqlite3_get_autocommit(handle()))
        throw DataError(what + QStringLiteral(": Die Datenbank hat den Vorgang nach einem Fehler abgebrochen; "
                                              "nichts davon wurde gespeichert."));
    if (levels_.size() == 1) {
        const QHash<QString, qint64> seen = advanceCounters(levels_.back());
        run(QStringLiteral("COMMIT"), {}, what);
        crashPoint("commit");
        levels_.clear();
        seen_.insert(seen);
        return;
    }
    run(QStringLiteral("RELEASE ") + savepointName(depth() - 1), {}, what);
    // The outer level may still be rolled back: it takes over what undoes this one.
    Level inner = std::move(levels_.back());
    levels_.pop_back();
    Level& outer = levels_.back();
    for (auto& u : inner.undo) outer.undo.push_back(std::move(u));
    outer.unite(inner);
    for (auto& f : inner.finish) {
        bool known = false;
        for (const auto& g : outer.finish) known = known || g.first == f.first;
        if (!known) outer.finish.push_back(std::move(f));
    }
}

void Connection::rollback() {
    if (levels_.empty()) return;
    Level level = std::move(levels_.back());
    levels_.pop_back();
    QString failure;
    QSqlQuery q(db_);
    // The engine ends a transaction itself after some failures (a full disk, an I/O
    // error): then there is nothing left to roll back, at this level or any outer one.
    if (!sqlite3_get_autocommit(handle())) {
        if (levels_.empty()) {
            if (!q.exec(QStringLiteral("ROLLBACK"))) failure = q.lastError().text();
        } else {
            const QString sp = savepointName(depth());
            if (!q.exec(QStringLiteral("ROLLBACK TO ") + sp) || !q.exec(QStringLiteral("RELEASE ") + sp))
                failure = q.lastError().text();
        }
    }
    // The memory follows the file back, whatever the engine said.
    for (auto it = level.undo.rbegin(); it != level.undo.rend(); ++it) (*it)();
    for (auto& f : level.finish)
        if (f.second) f.second();
    if (!failure.isEmpty())
        throw DataError(engineMessage(QStringLiteral("Die Änderung kann nicht zurückgenommen werden"), failure));
}

void Connection::onRollback(const void* owner, std::function<void()> undo, std::function<void()> finish) {
    if (levels_.empty()) return;
    Level& level = levels_.back();
    level.undo.push_back(std::move(undo));
    for (const auto& f : level.finish)
        if (f.first == owner) return;
    level.finish.emplace_back(owner, std::move(finish));
}

Transaction::Transaction(Connection* connection) : connection_(connection) {
    if (!connection_) return;
    connection_->begin();
    open_ = true;
}

Transaction::~Transaction() {
    if (!open_) return;
    try {
        connection_->rollback();
    } catch (const DataError&) {
        // A destructor cannot report; the memory has been restored all the same.
    }
}

void Transaction::commit() {
    if (!open_) return;
    open_ = false;
    try {
        connection_->commit();
    } catch (...) {
        connection_->rollback();
        throw;
    }
}

}  // namespace ferolind
