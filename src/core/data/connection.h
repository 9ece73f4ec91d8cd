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
#include <optional>
#include <vector>

class QSqlQuery;
struct sqlite3;
struct sqlite3_stmt;

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

    // --- the statements a store runs again and again (an insert, the read-back, a
    // savepoint) are prepared once and kept: parsing them anew for every row was most of
    // the cost of a bulk store. They run on the SQLite handle the Qt connection holds.
    sqlite3* handle();
    // A kept statement, reset and unbound again when the guard goes, so that it holds no
    // lock between uses. A statement already in use (a read inside a read) is prepared
    // afresh for the nested use.
    class Statement {
    public:
        Statement(Statement&& other) noexcept;
        Statement(const Statement&) = delete;
        Statement& operator=(const Statement&) = delete;
        Statement& operator=(Statement&&) = delete;
        ~Statement();
        sqlite3_stmt* get() const { return statement_; }

    private:
        friend class Connection;
        Statement(Connection* owner, sqlite3_stmt* statement, bool kept);
        Connection* owner_;
        sqlite3_stmt* statement_;
        bool kept_;
    };
    Statement prepared(const QString& sql, const QString& what);
    // Binds the values (as Qt's SQLite driver binds them: numbers, texts, dates as ISO
    // text, blobs) to a statement's parameters; throws DataError.
    void bind(const Statement& statement, const QVariantList& params, const QString& what);
    // Runs a kept statement that returns no rows, or only a number in its first row;
    // returns that number, or the row id of the last insert when there is none.
    qint64 run(const QString& sql, const QVariantList& params, const QString& what);
    // Runs a kept query and returns its rows, each cell as the Qt driver gives it (a
    // number, a real number, a text, bytes or null). For small results: settings, a maximum.
    QVector<QVariantList> select(const QString& sql, const QVariantList& params, const QString& what);

    // --- what other workstations changed. Every writer of this program counts its writes
    // per table in the table "Aenderungen", in the same transaction, so that a re-read
    // can skip what nobody changed.
    // A write of this connection to a table (its name as the datasets use it).
    void markChanged(const QString& table);
    // A write of one row of a table, by its row key: a re-read elsewhere may read only it.
    // The rows a commit wrote are listed with its count in the table "AenderungenZeilen".
    void markChanged(const QString& table, qint64 key);
    struct Changes {
        bool any = false;      // another connection committed since the last call
        bool unknown = false;  // and which tables it changed cannot be told: all may have
        QSet<QString> tables;  // the tables whose counters another connection advanced
        // Of those tables, the ones whose every change since the last call is listed by
        // row: the keys of the rows written (inserted, changed or deleted).
        QHash<QString, QSet<qint64>> rows;
    };
    // What other connections committed since the last call (one cheap query when nothing).
    Changes changesByOthers();

private:
    struct Level {
        std::vector<std::function<void()>> undo;
        std::vector<std::pair<const void*, std::function<void()>>> finish;
        QSet<QString> changed;  // tables written at this level
        QHash<QString, QSet<qint64>> keys;  // of those, the rows written by key
        QSet<QString> whole;                // of those, the ones written other than by key
        void unite(const Level& inner);
        void addKey(const QString& table, qint64 key);
    };
    void prepareCounters();
    qint64 dataVersion();
    QHash<QString, qint64> readCounters();
    // Advances the counters of the tables a level wrote before the outermost commit, and
    // lists their rows; returns the values this connection may take as seen once the
    // commit went through.
    QHash<QString, qint64> advanceCounters(const Level& level);
    void listRows(const QString& table, qint64 count, const Level& level);
    // The rows another connection wrote to a table in its counts (from, to]; none when
    // they cannot all be told.
    std::optional<QSet<qint64>> rowsWritten(const QString& table, qint64 from, qint64 to);
    void release(sqlite3_stmt* statement);
    void finalizeStatements();
    struct Kept {
        sqlite3_stmt* statement = nullptr;
        bool inUse = false;
    };
    QHash<QString, Kept> statements_;
    bool counters_ = false;  // the file has the counter table
    bool rowList_ = false;   // and the list of rows written
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
