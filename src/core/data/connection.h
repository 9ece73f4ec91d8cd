// One database connection that a data module's datasets share, and the transaction
// guard that makes a store and the writes its rules make afterwards one unit.
#pragma once

#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QString>
#include <QVariantList>
#include <functional>
#include <memory>
#include <vector>

class QSqlQuery;

namespace ferolind {

class Connection {
public:
    // Opens the database file in folder (see openConnection); throws DataError.
    Connection(const QString& folder, const QString& purpose);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    QSqlDatabase& db() { return db_; }
    const QString& folder() const { return folder_; }

    // Nesting depth of the open transactions (0: none).
    int depth() const { return int(levels_.size()); }
    // The outermost level takes the file's write lock at once (BEGIN IMMEDIATE), so two
    // workstations wait for each other instead of failing halfway; inner levels are
    // savepoints. Throws DataError.
    void begin();
    void commit();
    // Undoes the writes of the innermost level and runs its undo actions, newest first.
    void rollback();
    // What the memory of a dataset must do when the innermost level is rolled back; does
    // nothing outside a transaction. `finish` runs once per owner after all undo actions.
    void onRollback(const void* owner, std::function<void()> undo, std::function<void()> finish = {});

    // Runs one statement with bound parameters; throws DataError with `what` and the
    // engine's reason.
    QSqlQuery exec(const QString& sql, const QVariantList& params, const QString& what);

    // --- what other workstations changed. Every writer of this program counts its writes
    // per table in the table "Aenderungen", in the same transaction, so that a re-read
    // can skip what nobody changed.
    // A write of this connection to a table (its name as the datasets use it).
    void markChanged(const QString& table);
    struct Changes {
        bool any = false;      // another connection committed since the last call
        bool unknown = false;  // and which tables it changed cannot be told: all may have
        QSet<QString> tables;  // the tables whose counters another connection advanced
    };
    // What other connections committed since the last call (one cheap query when nothing).
    Changes changesByOthers();

private:
    struct Level {
        std::vector<std::function<void()>> undo;
        std::vector<std::pair<const void*, std::function<void()>>> finish;
        QSet<QString> changed;  // tables written at this level
    };
    void prepareCounters();
    qint64 dataVersion();
    QHash<QString, qint64> readCounters();
    // Advances the counters of the tables before the outermost commit; returns the values
    // this connection may take as seen once the commit went through.
    QHash<QString, qint64> advanceCounters(const QSet<QString>& tables);
    bool counters_ = false;  // the file has the counter table
    qint64 dataVersion_ = 0;
    QHash<QString, qint64> seen_;
    QString folder_;
    QSqlDatabase db_;
    std::vector<Level> levels_;
};

// RAII guard: begins on construction, rolls back on destruction unless committed.
// Nested guards on one connection nest as savepoints.
class Transaction {
public:
    explicit Transaction(Connection* connection);  // null: memory only, does nothing
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Connection* connection_;
    bool open_ = false;
};

}  // namespace ferolind
