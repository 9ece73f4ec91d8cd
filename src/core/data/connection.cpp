#include "connection.h"

#include "database.h"
#include "errors.h"

#include <QSqlError>
#include <QSqlQuery>

namespace ferolind {

Connection::Connection(const QString& folder, const QString& purpose)
    : folder_(folder), db_(openConnection(folder, purpose)) {}

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
        exec(QStringLiteral("COMMIT"), {}, what);
        levels_.clear();
        return;
    }
    exec(QStringLiteral("RELEASE ") + savepointName(depth() - 1), {}, what);
    // The outer level may still be rolled back: it takes over what undoes this one.
    Level inner = std::move(levels_.back());
    levels_.pop_back();
    Level& outer = levels_.back();
    for (auto& u : inner.undo) outer.undo.push_back(std::move(u));
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
