// One database connection that a data module's datasets share, and the transaction
// guard that makes a store and the writes its rules make afterwards one unit.
#pragma once

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

private:
    struct Level {
        std::vector<std::function<void()>> undo;
        std::vector<std::pair<const void*, std::function<void()>>> finish;
    };
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
