// Dataset: one table's rows in memory with a cursor, the states browse, edit and insert,
// a filter, sort keys, locate, re-query, nested display suspension and record events.
//
// Every row of the table is held in memory; writes go to the database on store and
// delete, with bound parameters. A dataset without a table lives in memory only (the
// postal-code table). Rules attach to the events and so run for every caller.
#pragma once

#include "columnstore.h"
#include "field.h"

#include <QObject>
#include <QSet>
#include <QSqlDatabase>
#include <QVariantList>
#include <functional>
#include <memory>
#include <vector>

struct sqlite3;

namespace ferolind {

class Connection;
class Transaction;
class Filter;
class SqliteReader;
struct TableDef;

class Dataset : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };
    enum class Event {
        AfterInsert,   // a new, empty record was started
        BeforeEdit,    // an existing record is about to go into edit state
        AfterStore,    // a record was written
        BeforeDelete,  // the current record is about to be deleted
        AfterScroll,   // the current record changed (also after open, re-query, locate, filter)
    };
    using Handler = std::function<void(Dataset&)>;
    // Returns false to abandon the store: the record stays in its edit or insert state.
    using BeforeStoreHandler = std::function<bool(Dataset&)>;
    // Fills the calculated fields of a row (the row holds all fields, stored ones read).
    using ComputeHandler = std::function<void(RowAccess&)>;

    // A dataset over a table: `fields` are the fields it presents (a subset or reordering
    // of the table's columns plus calculated fields).
    Dataset(QString name, const TableDef& table, FieldList fields, QObject* parent = nullptr);
    // A dataset held in memory only.
    Dataset(QString name, FieldList fields, QObject* parent = nullptr);
    ~Dataset() override;

    const QString& name() const { return name_; }
    // The name a user knows the data by, in messages: the table's ("Mitglieder") or the
    // one given here (a table in memory).
    QString title() const;
    void setTitle(const QString& title) { title_ = title; }

    // What an operation on a dataset that is not open says: no database was opened.
    static constexpr const char* kNoDatabaseMessage =
        "Es ist keine Datenbank geöffnet. Bitte starten Sie das Programm neu und erstellen oder öffnen Sie "
        "eine Datenbank.";
    const FieldList& fields() const { return fields_; }
    int fieldCount() const { return fields_.size(); }
    // Index of a field by name (letter case ignored); throws DataError when unknown.
    int field(const QString& name) const;
    const TableDef* table() const { return table_; }

    // --- opening
    // The folder of db.mdb the dataset connects to (its connection string). Without a
    // shared connection, open() opens one of its own on it.
    void setFolder(const QString& folder) { folder_ = folder; }
    const QString& folder() const { return folder_; }
    // The connection shared with the other datasets of a data module, so that a store and
    // the writes its rules make to other tables are one transaction. Set before open().
    void setConnection(std::shared_ptr<Connection> connection);
    // The connection in use while open (null for in-memory datasets).
    Connection* connection() const { return connection_.get(); }
    void open();  // reads all rows; throws DataError
    // Opens with the rows read beforehand by readRows() (a table read on another thread).
    void open(ColumnStore rows);
    // Every row of the table as open() reads it, through a SQLite handle of the caller's
    // own: safe on another thread while nothing changes the dataset. Throws DataError.
    ColumnStore readRows(sqlite3* handle) const;
    void close();
    bool isOpen() const { return state_ != State::Inactive; }
    // Re-reads all rows from the database, keeping filter and sort, then goes to the first row.
    void requery();
    // The periodic re-read: like requery, but the current record stays current (by its row
    // key). When another workstation deleted it, the cursor moves to the row now at its
    // place and currentRecordLost() is emitted. Not while editing (then nothing happens).
    void refresh();
    // The same for some rows only, by row key (those another workstation wrote): each is
    // read again, or forgotten when it is gone, or added when it is new.
    void refreshRows(const QSet<qint64>& keys);
    // In-memory datasets: replaces all rows (and opens the dataset).
    void setRows(QVector<Row> rows);

    // --- navigation over the presented rows
    int recordCount() const { return int(view_.size()); }
    bool isEmpty() const { return view_.isEmpty(); }
    int position() const { return pos_; }  // 0-based; -1 when there is no row
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    void first();
    void last();
    void next();
    void prior();
    void moveBy(int n);
    void moveTo(int position);

    // --- records
    State state() const { return state_; }
    bool isEditing() const { return state_ == State::Edit || state_ == State::Insert; }
    bool isModified() const { return modified_; }
    void insert();
    void edit();
    // Stores the record being edited or inserted: the before-store rules, the write and
    // the after-store rules are one transaction. Only the columns that changed are written,
    // and the stored row is read back. Returns false when a before-store rule abandoned it.
    // Throws DataError when the database or a rule refuses (also when another workstation
    // deleted the record): nothing is stored then and the record keeps its state and edits.
    bool post();
    void cancel();
    // Stores when modified, discards otherwise (before moving to another record).
    void checkBrowseMode();
    void remove();
    // Deletes every presented row.
    void removeAllPresented();

    // --- field access on the current record (the edit buffer while editing)
    QVariant value(int field) const;
    QVariant value(const QString& name) const { return value(field(name)); }
    bool isNull(const QString& name) const { return value(name).isNull(); }
    QString text(int field) const;  // cell text
    QString text(const QString& name) const { return text(field(name)); }
    int intValue(const QString& name) const { return value(name).toInt(); }
    // Sets a field of the record being edited or inserted; values are checked against
    // the field (type, length); throws DataError and leaves the field as it was.
    void setValue(int field, const QVariant& value);
    void setValue(const QString& name, const QVariant& v) { setValue(field(name), v); }
    // Sets a field from a typed text (German formats); throws the conversion message.
    void setText(const QString& name, const QString& text);
    // The current row (the edit buffer while editing). A row handed out is valid until the
    // dataset next changes.
    RowRef currentRow() const;
    // Presented row at a position (for grids).
    RowRef rowAt(int position) const;
    // Every stored row in table order, whatever the filter presents.
    int totalCount() const { return store_.size(); }
    RowRef recordAt(int index) const { return RowRef(store_, index); }
    // The record just stored, as the after-store rules see it (wherever the cursor is:
    // a filter may hide it). Outside an after-store event: the current row.
    RowRef storedRecord() const { return storedIndex_ >= 0 ? recordAt(storedIndex_) : currentRow(); }
    QString storedText(const QString& name) const;
    // Inside the write of an edited or deleted record (the before-store, after-store and
    // before-delete rules): the record as the file held it when the write began, read
    // inside the write's transaction, so that a rule decides from what another workstation
    // stored and not from what this one read earlier. An empty row otherwise (a new
    // record, a dataset in memory, outside a write).
    RowRef fileRecord() const { return RowRef(fileRecord_); }

    // What a delete of a record says that another workstation deleted meanwhile.
    static QString deletedElsewhereMessage();

    // --- rows written by someone else on this dataset's connection (the settings store):
    // the memory takes them without a write of its own. Undone with the transaction.
    // Puts a row (all stored fields) in place of the record with its key, or adds it.
    void mirrorStoredRow(const Row& row);
    // Forgets the records the predicate selects.
    void mirrorDeletedRows(const std::function<bool(RowRef)>& which);
    // The highest value of a column in the file (not in memory); null when there is none.
    QVariant maxStoredValue(const QString& name);

    // --- locate: the first presented row whose fields (names separated by ";") equal
    // the values exactly; on no match the current row stays.
    bool locate(const QString& fieldNames, const QVariantList& values);

    // --- filter: the text is compiled first; one that cannot be parsed is refused with
    // a DataError and the dataset keeps presenting what it presented before.
    void setFilter(const QString& text);
    const QString& filter() const { return filterText_; }
    void setFiltered(bool on);
    bool filtered() const { return filtered_; }
    // Both at once: a filter text and switching filtering on.
    void applyFilter(const QString& text) {
        setFilter(text);
        setFiltered(true);
    }
    void clearFilter() { setFiltered(false); }

    // --- sort keys: field names separated by ";", ascending. Unknown names are refused.
    void setSort(const QString& keys);
    const QString& sort() const { return sortText_; }

    // --- display suspension (nests; grids refresh when the count returns to zero)
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return suspend_ > 0; }
    // The record indexes presented, in order (what rowAt walks).
    const QVector<int>& presentedRecords() const { return view_; }

    // --- events
    int on(Event event, Handler handler);
    int onBeforeStore(BeforeStoreHandler handler);
    void off(int id);
    void setComputeHandler(ComputeHandler handler);
    // Recomputes the calculated fields of every row (after something they depend on changed).
    void recomputeAll();

    // --- persistence of the presented rows in the ADO rowset XML format
    void saveToXml(const QString& path) const;

    // --- executing one statement on the dataset's connection
    void execute(const QString& sql, const QVariantList& params = {});

signals:
    void viewReset();       // rows, filter or sort changed: grids re-read everything
    void contentChanged();  // rows were read, stored or deleted (never held back)
    void rowUpdated(int position);
    void currentChanged(int position);
    void stateChanged();
    // A re-read found the current record deleted by another workstation.
    void currentRecordLost();
    // The display was suspended (the outermost disableControls): grids keep showing the
    // rows presented now until viewReset or enableControls.
    void displaySuspended();

private:
    // One record taken out of the store (to put it back when a transaction is rolled back).
    struct Record {
        qint64 key = 0;  // value of the AutoIncrement column, or the memory index
        Row values;
    };
    Record takeRecord(int index) const { return Record{keyAt(index), store_.row(index)}; }
    // A record's key: its key column's value, or (a dataset without one) its own number.
    qint64 keyAt(int index) const { return keyField_ >= 0 ? store_.number(index, keyField_) : ownKeys_[index]; }
    void putRecord(int index, const Record& r);
    void eraseRecord(int index);
    void keepRecords(const std::vector<char>& keep);  // the records whose flag is set
    // Every record at once, for a bulk change to undo.
    struct Snapshot {
        ColumnStore store;
        QVector<qint64> keys;
    };
    struct Subscription {
        int id;
        Event event;
        Handler handler;
    };

    void openWith(ColumnStore* rows);
    void loadAllRows();
    ColumnStore readRows(SqliteReader& reader) const;
    void takeRows(ColumnStore read);
    void presentReRead(qint64 currentKey);
    void markRowChanged(qint64 key);
    // Rebuilds the view from the records; `orderKept`: only the filter changed since the
    // last rebuild, so a known order of all records still holds.
    void rebuildView(bool orderKept = false);
    void sortView();
    // Forgets the order of all records (their values or places changed).
    void forgetOrder() { order_.clear(); }
    void rebuildKeepingCurrent();
    bool passesFilter(int recordIndex) const;
    bool lessThan(int a, int b) const;
    void placeInView(int recordIndex, bool keepCurrent);
    void removeFromView(int recordIndex);
    void moveCursor(int position, bool fireScroll);
    void fire(Event e);
    void compute(Row& r) const;
    void computeRecord(int index);
    void storeToDatabase(Record& rec, bool isNew, const Row* before);
    // The delete of the current record (of key `key`) inside the open transaction.
    void removeCurrent(Transaction& tx, qint64 key);
    Row readBack(qint64 key);
    // The row of a key as the file holds it now; false when there is none.
    bool readStored(qint64 key, Row& out);
    // Refuses the store of an edit when another workstation changed a field since it was
    // read that this one changed too (to another value); throws EditConflict.
    void checkNoConflict(const Row& before, const Row& edited, const Row& file) const;
    // After a refused store: the memory takes the file's row and the entry keeps only the
    // user's own changes on top of it.
    void adoptFileRow(qint64 key, const Row& before, const Row& file);
    int indexOfKey(qint64 key) const;
    void undoLater(std::function<void()> undo);
    void afterRollback();
    void clampCursor();
    void notifyReset();
    void ensureOpen() const;
    int keyField() const { return keyField_; }

    QString name_;
    QString title_;
    const TableDef* table_ = nullptr;
    FieldList fields_;
    QVector<int> sqlFields_;  // presented fields read from / written to the table
    int keyField_ = -1;       // AutoIncrement field, the row key
    // The statements every store of a new row and every read-back runs: built once.
    QString insertSql_;
    QString readBackSql_;

    QString folder_;
    std::shared_ptr<Connection> connection_;
    bool ownConnection_ = false;
    bool memoryOnly_ = false;

    // Every record in table order; the keys of a dataset without a key column beside them.
    ColumnStore store_;
    QVector<qint64> ownKeys_;
    QVector<int> view_;  // record indexes presented, in order
    int pos_ = -1;
    bool bof_ = true, eof_ = true;

    State state_ = State::Inactive;
    Row buffer_;
    int bufferRecord_ = -1;  // record being edited; -1 while inserting
    bool modified_ = false;

    QString filterText_;
    std::shared_ptr<const Filter> filter_;
    bool filtered_ = false;
    QString sortText_;
    QVector<int> sortFields_;
    // Every record index in the order of the sort keys, kept from the last sort that saw all
    // records, so that a filter change needs no new sort; empty when not known.
    std::vector<int> order_;

    int suspend_ = 0;
    bool resetPending_ = false;
    int storedIndex_ = -1;  // the record of the after-store event
    Row fileRecord_;        // see fileRecord()

    QVector<Subscription> handlers_;
    QVector<std::pair<int, BeforeStoreHandler>> beforeStore_;
    ComputeHandler compute_;
    int nextHandlerId_ = 1;
};

}  // namespace ferolind
