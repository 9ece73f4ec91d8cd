#include "connection.h"

#include "database.h"
#include "errors.h"

#include <QSqlError>
#include <QSqlQuery>

namespace ferolind {

Connection::Connection(const QString& folder, const QString& purpose)
    : folder_(folder), db_(openConnection(folder, purpose)) {
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
    for (auto it = inner.keys.begin(); it != inner.keys.end(); ++it) keys[it.key()].unite(it.value());
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
    level.keys[table].insert(key);
    if (levels_.empty()) seen_.insert(advanceCounters(level));
}

QHash<QString, qint64> Connection::advanceCounters(const Level& level) {
    QHash<QString, qint64> seen;
    const QHash<QString, qint64> now = readCounters();
    for (const QString& t : level.changed) {
        QSqlQuery q = exec(QStringLiteral("INSERT INTO %1 (\"Tabelle\", \"Zaehler\") VALUES (?, 1) "
                                          "ON CONFLICT(\"Tabelle\") DO UPDATE SET \"Zaehler\" = \"Zaehler\" + 1 "
                                          "RETURNING \"Zaehler\"")
                               .arg(kCounterTable),
                           {t}, QStringLiteral("Die Änderung kann nicht gespeichert werden"));
        const qint64 count = q.next() ? q.value(0).toLongLong() : now.value(t, 0) + 1;
        q.finish();
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
    exec(QStringLiteral("INSERT INTO %1 (\"Tabelle\", \"Zaehler\", \"Schluessel\") VALUES %2")
             .arg(kRowTable, marks.join(',')),
         params, what);
    exec(QStringLiteral("DELETE FROM %1 WHERE \"Tabelle\" = ? AND \"Zaehler\" <= ?").arg(kRowTable),
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
    closeConnection(db_);
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
        exec(QStringLiteral("BEGIN IMMEDIATE"), {}, what);
    else
        exec(QStringLiteral("SAVEPOINT ") + savepointName(depth()), {}, what);
    levels_.emplace_back();
}

void Connection::commit() {
    if (levels_.empty()) return;
    const QString what = QStringLiteral("Die Änderung kann nicht gespeichert werden");
    if (levels_.size() == 1) {
        const QHash<QString, qint64> seen = advanceCounters(levels_.back());
        exec(QStringLiteral("COMMIT"), {}, what);
        levels_.clear();
        seen_.insert(seen);
        return;
    }
    exec(QStringLiteral("RELEASE ") + savepointName(depth() - 1), {}, what);
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
    if (levels_.empty()) {
        if (!q.exec(QStringLiteral("ROLLBACK"))) failure = q.lastError().text();
    } else {
        const QString sp = savepointName(depth());
        if (!q.exec(QStringLiteral("ROLLBACK TO ") + sp) || !q.exec(QStringLiteral("RELEASE ") + sp))
            failure = q.lastError().text();
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
