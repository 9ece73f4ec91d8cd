#include "dataset.h"

#include "collation.h"
#include "connection.h"
#include "database.h"
#include "errors.h"
#include "filter.h"
#include "rowsetxml.h"
#include "schema.h"
#include "sqlitereader.h"
#include "values.h"

#include <QCollator>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <limits>

namespace ferolind {

QString selectSql(const TableDef& table, const FieldList& fields, const QVector<int>& sqlFields);

// ------------------------------------------------------------ construction

Dataset::Dataset(QString name, const TableDef& table, FieldList fields, QObject* parent)
    : QObject(parent), name_(std::move(name)), table_(&table), fields_(std::move(fields)), store_(fields_) {
    for (int i = 0; i < fields_.size(); ++i) {
        if (fields_[i].calculated) continue;
        sqlFields_.append(i);
        if (fields_[i].type == FieldType::AutoIncrement && keyField_ < 0) keyField_ = i;
    }
    QStringList cols, marks;
    for (int f : sqlFields_) {
        if (fields_[f].type == FieldType::AutoIncrement) continue;
        cols << quoteName(fields_[f].name);
        marks << QStringLiteral("?");
    }
    insertSql_ = cols.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoteName(table_->name))
                                : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                      .arg(quoteName(table_->name), cols.join(','), marks.join(','));
    if (keyField_ >= 0)
        readBackSql_ = selectSql(*table_, fields_, sqlFields_) +
                       QStringLiteral(" WHERE %1=?").arg(quoteName(fields_[keyField_].name));
}

Dataset::Dataset(QString name, FieldList fields, QObject* parent)
    : QObject(parent), name_(std::move(name)), fields_(std::move(fields)), memoryOnly_(true), store_(fields_) {}

Dataset::~Dataset() = default;

void Dataset::setConnection(std::shared_ptr<Connection> connection) {
    connection_ = std::move(connection);
    ownConnection_ = false;
    if (connection_) folder_ = connection_->folder();
}

int Dataset::field(const QString& fieldName) const {
    const int i = fieldIndex(fields_, fieldName);
    if (i < 0)
        throw DataError(QStringLiteral("Das Feld »%1« gibt es in der Tabelle »%2« nicht.").arg(fieldName, title()));
    return i;
}

QString Dataset::title() const {
    if (!title_.isEmpty()) return title_;
    return table_ ? table_->createName : QStringLiteral("Liste");
}

void Dataset::ensureOpen() const {
    if (state_ == State::Inactive) throw DataError(QString::fromUtf8(kNoDatabaseMessage));
}

// ------------------------------------------------------------ opening

void Dataset::open() { openWith(nullptr); }

void Dataset::open(ColumnStore rows) { openWith(&rows); }

void Dataset::openWith(ColumnStore* rows) {
    if (isOpen()) return;
    if (memoryOnly_) {
        setRows({});
        return;
    }
    if (!connection_ || connection_->folder() != folder_) {
        connection_ = std::make_shared<Connection>(folder_, name_);
        ownConnection_ = true;
    }
    try {
        if (rows)
            takeRows(std::move(*rows));
        else
            loadAllRows();
    } catch (...) {
        if (ownConnection_) connection_.reset();
        throw;
    }
    state_ = State::Browse;
    rebuildView();
    notifyReset();
    emit contentChanged();
    moveCursor(0, true);
    emit stateChanged();
}

void Dataset::close() {
    if (!isOpen()) return;
    store_.clear();
    ownKeys_.clear();
    view_.clear();
    forgetOrder();
    buffer_.clear();
    bufferRecord_ = -1;
    modified_ = false;
    pos_ = -1;
    bof_ = eof_ = true;
    state_ = State::Inactive;
    if (ownConnection_) connection_.reset();
    notifyReset();
    emit stateChanged();
}

void Dataset::setRows(QVector<Row> rows) {
    store_.clear();
    ownKeys_.clear();
    store_.reserve(int(rows.size()));
    qint64 key = 0;
    for (Row& r : rows) {
        r.resize(fields_.size());
        compute(r);
        store_.append(r);
        if (keyField_ < 0) ownKeys_.append(++key);
    }
    state_ = State::Browse;
    modified_ = false;
    rebuildView();
    notifyReset();
    emit contentChanged();
    moveCursor(0, true);
    emit stateChanged();
}

QString selectSql(const TableDef& table, const FieldList& fields, const QVector<int>& sqlFields) {
    QStringList cols;
    for (int i : sqlFields) cols << quoteName(fields[i].name);
    return QStringLiteral("SELECT %1 FROM %2").arg(cols.join(','), quoteName(table.name));
}

namespace {
// What a failed read of a table says first.
QString readFailure(const TableDef& table) {
    return QStringLiteral("Die Tabelle »%1« kann nicht gelesen werden").arg(table.createName);
}
}  // namespace

ColumnStore Dataset::readRows(SqliteReader& reader) const {
    ColumnStore read(fields_);
    read.reserve(int(reader.number(QStringLiteral("SELECT count(*) FROM %1").arg(quoteName(table_->name)))));
    reader.readInto(selectSql(*table_, fields_, sqlFields_), {}, read);
    return read;
}

ColumnStore Dataset::readRows(sqlite3* handle) const {
    SqliteReader reader(handle, fields_, sqlFields_, readFailure(*table_));
    return readRows(reader);
}

void Dataset::loadAllRows() {
    SqliteReader reader(*connection_, fields_, sqlFields_, readFailure(*table_));
    takeRows(readRows(reader));
}

// The rows of a whole read become the records; the calculated fields are computed.
void Dataset::takeRows(ColumnStore read) {
    QVector<qint64> keys;
    if (keyField_ < 0) {
        keys.resize(read.size());
        for (int i = 0; i < read.size(); ++i) keys[i] = i + 1;
    }
    store_ = std::move(read);
    ownKeys_ = std::move(keys);
    if (compute_)
        for (int i = 0; i < store_.size(); ++i) computeRecord(i);
}

void Dataset::requery() {
    ensureOpen();
    if (memoryOnly_) {
        moveCursor(0, true);
        return;
    }
    if (isEditing()) cancel();
    loadAllRows();
    rebuildView();
    notifyReset();
    emit contentChanged();
    moveCursor(0, true);
}

void Dataset::refresh() {
    ensureOpen();
    if (memoryOnly_ || isEditing()) return;
    const qint64 key = pos_ >= 0 && pos_ < view_.size() ? keyAt(view_[pos_]) : -1;
    loadAllRows();
    presentReRead(key);
}

void Dataset::refreshRows(const QSet<qint64>& keys) {
    ensureOpen();
    if (memoryOnly_ || isEditing()) return;
    if (keyField_ < 0) {
        refresh();
        return;
    }
    const qint64 key = pos_ >= 0 && pos_ < view_.size() ? keyAt(view_[pos_]) : -1;
    QHash<qint64, Row> read;
    if (!keys.isEmpty()) {
        QStringList marks;
        QVector<qint64> params;
        for (const qint64 k : keys) {
            marks << QStringLiteral("?");
            params << k;
        }
        SqliteReader reader(*connection_, fields_, sqlFields_, readFailure(*table_));
        reader.read(selectSql(*table_, fields_, sqlFields_) +
                        QStringLiteral(" WHERE %1 IN (%2)").arg(quoteName(fields_[keyField_].name), marks.join(',')),
                    params, [&](Row& r) {
                        compute(r);
                        read.insert(r[keyField_].toLongLong(), std::move(r));
                    });
    }
    // One pass in table order: rows read take their record's place, the others of the
    // keys are gone; rows new to this workstation follow in key order, as a full read has them.
    std::vector<char> keep(size_t(store_.size()), 1);
    bool gone = false;
    for (int i = 0; i < store_.size(); ++i) {
        if (!keys.contains(keyAt(i))) continue;
        const auto it = read.find(keyAt(i));
        if (it == read.end()) {
            keep[size_t(i)] = 0;
            gone = true;
            continue;
        }
        store_.setRow(i, it.value());
        read.erase(it);
    }
    if (gone) keepRecords(keep);
    QList<qint64> added = read.keys();
    std::sort(added.begin(), added.end());
    for (const qint64 k : added) store_.append(read.take(k));
    presentReRead(key);
}

// After a re-read: the view rebuilt, the record `key` current again when it is still there.
void Dataset::presentReRead(qint64 key) {
    rebuildView();
    notifyReset();
    emit contentChanged();
    int at = -1;
    for (int i = 0; i < view_.size() && key >= 0; ++i)
        if (keyAt(view_[i]) == key) {
            at = i;
            break;
        }
    // The record is announced again: another workstation may have changed it.
    moveCursor(at >= 0 ? at : pos_, true);
    if (key >= 0 && at < 0) emit currentRecordLost();
}

// ------------------------------------------------------------ view: filter and sort

bool Dataset::passesFilter(int recordIndex) const {
    if (!filtered_ || !filter_) return true;
    return filter_->matches(recordAt(recordIndex));
}

namespace {
int compareValues(FieldType type, const QVariant& a, const QVariant& b, const QCollator& coll) {
    if (a.isNull() || b.isNull()) return int(!a.isNull()) - int(!b.isNull());  // no value first
    switch (type) {
        case FieldType::AutoIncrement:
        case FieldType::Integer:
        case FieldType::Currency:
        case FieldType::Bool: {
            const qint64 x = a.toLongLong(), y = b.toLongLong();
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        case FieldType::Date: {
            const QDateTime x = toDateTime(a), y = toDateTime(b);
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        case FieldType::Text:
        case FieldType::Memo: return coll.compare(a.toString(), b.toString());
    }
    return 0;
}
}  // namespace

bool Dataset::lessThan(int a, int b) const {
    for (int f : sortFields_) {
        const int c = compareValues(fields_[f].type, store_.value(a, f), store_.value(b, f), germanCollator());
        if (c != 0) return c < 0;
    }
    return false;
}

void Dataset::rebuildView(bool orderKept) {
    if (!orderKept) order_.clear();
    const int n = store_.size();
    view_.clear();
    view_.reserve(n);
    // With the order of all records known (only the filter changed), the view is the
    // records of that order the filter passes: the order of any subset is the same.
    if (!sortFields_.isEmpty() && order_.size() == size_t(n)) {
        // The filter is tested in table order, the order the rows lie in memory, so that the
        // walk through the rows is not one cache miss after another; then the order is walked.
        std::vector<char> passes(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) passes[size_t(i)] = passesFilter(i);
        for (const int i : order_)
            if (passes[size_t(i)]) view_.append(i);
        return;
    }
    for (int i = 0; i < n; ++i)
        if (passesFilter(i)) view_.append(i);
    if (sortFields_.isEmpty()) return;
    sortView();
    if (view_.size() == n) order_.assign(view_.begin(), view_.end());
}

// Orders the view by the sort keys, ties in table order.
void Dataset::sortView() {
    // Keys made once per row, so that a sort over many rows compares integers: a text the
    // rank of its text among the distinct texts of the view (each collated once), a number,
    // a Yes/No or a date its value; no value before every value.
    const int n = int(view_.size());
    constexpr qint64 none = std::numeric_limits<qint64>::min();
    std::vector<std::vector<qint64>> keys(sortFields_.size());
    for (int k = 0; k < sortFields_.size(); ++k) {
        const int f = sortFields_[k];
        std::vector<qint64>& key = keys[k];
        key.resize(size_t(n));
        if (fields_[f].type == FieldType::Date) {
            for (int i = 0; i < n; ++i)
                key[size_t(i)] = store_.isNull(view_[i], f) ? none : store_.moment(view_[i], f);
            continue;
        }
        if (fields_[f].type != FieldType::Text && fields_[f].type != FieldType::Memo) {
            for (int i = 0; i < n; ++i)
                key[size_t(i)] = store_.isNull(view_[i], f) ? none : store_.number(view_[i], f);
            continue;
        }
        // The distinct texts the rows of the view use, each once: a column with many distinct
        // texts (towns) holds a text once per row, so equal ones are found by content.
        std::vector<int> slot(size_t(store_.textCount(f)), -1);
        std::vector<QStringView> distinct;
        QHash<QStringView, int> byContent;
        for (int i = 0; i < n; ++i) {
            const int t = store_.textIndex(view_[i], f);
            if (t < 0 || slot[size_t(t)] >= 0) continue;
            const QStringView text = store_.textAt(f, t);
            auto it = byContent.constFind(text);
            if (it == byContent.constEnd()) {
                it = byContent.insert(text, int(distinct.size()));
                distinct.push_back(text);
            }
            slot[size_t(t)] = it.value();
        }
        std::vector<QCollatorSortKey> collated;
        collated.reserve(distinct.size());
        for (const QStringView t : distinct) collated.push_back(germanCollator().sortKey(t.toString()));
        std::vector<int> byText(distinct.size());
        for (int i = 0; i < int(byText.size()); ++i) byText[size_t(i)] = i;
        std::sort(byText.begin(), byText.end(), [&](int a, int b) { return collated[a].compare(collated[b]) < 0; });
        // Texts the collator counts as equal (they differ in case only) rank alike.
        std::vector<qint64> rank(distinct.size());
        for (int j = 0, r = 0; j < int(byText.size()); ++j) {
            if (j > 0 && collated[byText[j - 1]].compare(collated[byText[j]]) != 0) ++r;
            rank[size_t(byText[j])] = r;
        }
        for (int i = 0; i < n; ++i) {
            const int t = store_.textIndex(view_[i], f);
            key[size_t(i)] = t < 0 ? none : rank[size_t(slot[size_t(t)])];
        }
    }
    std::vector<int> order(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) order[size_t(i)] = i;
    if (keys.size() == 1) {
        // One key (a title click): pairs of key and place sort without indirection, the place
        // keeping ties in table order.
        const std::vector<qint64>& key = keys[0];
        std::vector<std::pair<qint64, int>> pairs(static_cast<size_t>(n));
        bool sorted = true;
        for (int i = 0; i < n; ++i) {
            pairs[size_t(i)] = {key[size_t(i)], i};
            if (i > 0 && key[size_t(i)] < key[size_t(i - 1)]) sorted = false;
        }
        if (sorted) return;  // often the rows are in that order already (by ID, as read)
        std::sort(pairs.begin(), pairs.end());
        for (int i = 0; i < n; ++i) order[size_t(i)] = pairs[size_t(i)].second;
    } else {
        const auto less = [&](int a, int b) {
            for (const std::vector<qint64>& key : keys)
                if (key[size_t(a)] != key[size_t(b)]) return key[size_t(a)] < key[size_t(b)];
            return false;
        };
        // Often the rows are in that order already (by ID, as read): nothing to sort then.
        if (std::is_sorted(order.begin(), order.end(), less)) return;
        std::stable_sort(order.begin(), order.end(), less);
    }
    QVector<int> sorted(view_.size());
    for (int i = 0; i < int(order.size()); ++i) sorted[i] = view_[order[size_t(i)]];
    view_ = std::move(sorted);
}

// Puts one record at its place in the view (after a store), without re-sorting all.
void Dataset::placeInView(int recordIndex, bool keepCurrent) {
    if (!passesFilter(recordIndex)) return;
    // The view is ordered by the sort keys, ties (and everything, without keys) by
    // table order, so an edited record keeps its place.
    const int at = int(std::upper_bound(view_.begin(), view_.end(), recordIndex,
                                        [this](int a, int b) {
                                            if (lessThan(a, b)) return true;
                                            if (lessThan(b, a)) return false;
                                            return a < b;
                                        }) -
                       view_.begin());
    view_.insert(at, recordIndex);
    if (keepCurrent && pos_ >= at) ++pos_;
}

void Dataset::removeFromView(int recordIndex) {
    const int at = int(view_.indexOf(recordIndex));
    if (at >= 0) view_.remove(at);
}

void Dataset::setFilter(const QString& text) {
    // Compile first: a text that cannot be parsed changes nothing.
    auto compiled = Filter::compile(text, fields_);
    if (isOpen()) checkBrowseMode();
    filterText_ = text;
    filter_ = std::move(compiled);
    if (isOpen() && filtered_) {
        rebuildView(true);
        notifyReset();
        moveCursor(0, true);
    }
}

void Dataset::setFiltered(bool on) {
    if (on == filtered_) return;
    if (isOpen()) checkBrowseMode();
    filtered_ = on;
    if (on && !filter_) filter_ = Filter::compile(filterText_, fields_);
    if (isOpen()) {
        rebuildView(true);
        notifyReset();
        moveCursor(0, true);
    }
}

void Dataset::setSort(const QString& keys) {
    QVector<int> parsed;
    for (const QString& part : keys.split(';', Qt::SkipEmptyParts)) {
        const QString n = part.trimmed();
        if (n.isEmpty()) continue;
        const int f = fieldIndex(fields_, n);
        if (f < 0)
            throw DataError(
                QStringLiteral("Nach dem Feld »%1« kann nicht sortiert werden: es gibt es in der Tabelle »%2« nicht.")
                    .arg(n, title()));
        parsed.append(f);
    }
    if (isOpen()) checkBrowseMode();
    sortText_ = keys;
    sortFields_ = parsed;
    if (isOpen()) rebuildKeepingCurrent();
}

// Rebuilds the view after an order or value change; the current record stays current.
void Dataset::rebuildKeepingCurrent() {
    const qint64 currentKey = pos_ >= 0 && pos_ < view_.size() ? keyAt(view_[pos_]) : -1;
    rebuildView();
    notifyReset();
    int p = 0;
    for (int i = 0; i < view_.size(); ++i)
        if (keyAt(view_[i]) == currentKey) {
            p = i;
            break;
        }
    moveCursor(p, p != pos_);
}

// ------------------------------------------------------------ navigation

void Dataset::moveCursor(int position, bool fireScroll) {
    const int old = pos_;
    if (view_.isEmpty()) {
        pos_ = -1;
        bof_ = eof_ = true;
    } else {
        pos_ = std::clamp(position, 0, int(view_.size()) - 1);
        bof_ = eof_ = false;
    }
    if (old != pos_ || fireScroll) {
        if (suspend_ == 0) emit currentChanged(pos_);
        fire(Event::AfterScroll);
    }
}

void Dataset::first() {
    ensureOpen();
    checkBrowseMode();
    moveCursor(0, true);
    bof_ = true;
}

void Dataset::last() {
    ensureOpen();
    checkBrowseMode();
    moveCursor(view_.size() - 1, true);
    eof_ = true;
}

void Dataset::next() { moveBy(1); }
void Dataset::prior() { moveBy(-1); }

void Dataset::moveBy(int n) {
    ensureOpen();
    checkBrowseMode();
    if (view_.isEmpty()) {
        bof_ = eof_ = true;
        return;
    }
    const int target = pos_ + n;
    if (target >= view_.size()) {
        if (pos_ != view_.size() - 1) moveCursor(view_.size() - 1, true);
        eof_ = true;
        bof_ = false;
    } else if (target < 0) {
        if (pos_ != 0) moveCursor(0, true);
        bof_ = true;
        eof_ = false;
    } else {
        if (n != 0) moveCursor(target, true);
        bof_ = eof_ = false;
    }
}

void Dataset::moveTo(int position) {
    ensureOpen();
    checkBrowseMode();
    moveCursor(position, position != pos_);
}

// ------------------------------------------------------------ records

RowRef Dataset::currentRow() const {
    if (isEditing()) return RowRef(buffer_);
    if (pos_ < 0 || pos_ >= view_.size()) return RowRef();
    return recordAt(view_[pos_]);
}

RowRef Dataset::rowAt(int position) const {
    if (isEditing() && position == pos_ && state_ == State::Edit) return RowRef(buffer_);
    return recordAt(view_[position]);
}

QVariant Dataset::value(int f) const { return currentRow().value(f); }

QString Dataset::text(int f) const { return valueToText(fields_[f].type, value(f)); }

void Dataset::setValue(int f, const QVariant& v) {
    ensureOpen();
    if (f < 0 || f >= fields_.size())
        throw DataError(QStringLiteral("Ungültiges Feld in der Tabelle »%1«.").arg(title()));
    if (!isEditing() && !fields_[f].calculated)
        throw DataError(QStringLiteral("Der Datensatz der Tabelle »%1« wird gerade nicht bearbeitet; bitte "
                                       "wählen Sie zuerst »Neu« oder »Bearbeiten«.")
                            .arg(title()));
    if (fields_[f].type == FieldType::AutoIncrement && !fields_[f].calculated)
        throw DataError(QStringLiteral("Das Feld '%1' kann nicht geändert werden.").arg(fields_[f].name));
    QVariant n = normaliseValue(fields_[f], v);
    if (fields_[f].type == FieldType::Bool && n.isNull()) n = false;  // Yes/No knows no "unknown"
    if (!isEditing()) return;                                         // calculated field of a browsed row: display only
    buffer_[f] = n;
    modified_ = true;
    if (!fields_[f].calculated) compute(buffer_);
    if (suspend_ == 0)
        emit rowUpdated(pos_);  // bound controls follow, also while inserting
    else
        resetPending_ = true;
}

void Dataset::setText(const QString& name, const QString& t) {
    const int f = field(name);
    setValue(f, valueFromText(fields_[f], t));
}

void Dataset::insert() {
    ensureOpen();
    checkBrowseMode();
    buffer_ = Row(fields_.size());
    for (int f : sqlFields_)
        if (fields_[f].type == FieldType::Bool) buffer_[f] = false;
    bufferRecord_ = -1;
    modified_ = false;
    state_ = State::Insert;
    emit stateChanged();
    compute(buffer_);
    fire(Event::AfterInsert);
}

void Dataset::edit() {
    ensureOpen();
    if (isEditing()) return;
    if (view_.isEmpty()) {
        insert();
        return;
    }
    fire(Event::BeforeEdit);
    bufferRecord_ = view_[pos_];
    buffer_ = store_.row(bufferRecord_);
    modified_ = false;
    state_ = State::Edit;
    emit stateChanged();
}

void Dataset::cancel() {
    if (!isEditing()) return;
    const bool wasEdit = state_ == State::Edit;
    buffer_.clear();
    bufferRecord_ = -1;
    modified_ = false;
    state_ = State::Browse;
    emit stateChanged();
    if (wasEdit && pos_ >= 0 && suspend_ == 0) emit rowUpdated(pos_);
}

void Dataset::checkBrowseMode() {
    if (!isEditing()) return;
    if (modified_)
        post();
    else
        cancel();
}

namespace {
QVariant toSqlValue(const FieldDef& f, const QVariant& v) {
    switch (f.type) {
        case FieldType::AutoIncrement:
        case FieldType::Integer: return v.isNull() ? QVariant(QMetaType::fromType<int>()) : QVariant(v.toInt());
        case FieldType::Text:
        case FieldType::Memo: return v.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(v.toString());
        case FieldType::Date: {
            if (v.isNull()) return QVariant(QMetaType::fromType<QString>());
            if (v.typeId() == QMetaType::QDateTime)
                return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
            return v.toDate().toString(Qt::ISODate);
        }
        case FieldType::Bool: return v.isNull() ? QVariant(QMetaType::fromType<int>()) : QVariant(v.toBool() ? 1 : 0);
        case FieldType::Currency:
            return v.isNull() ? QVariant(QMetaType::fromType<qint64>()) : QVariant(v.toLongLong());
    }
    return v;
}
}  // namespace

int Dataset::indexOfKey(qint64 key) const {
    for (int i = store_.size() - 1; i >= 0; --i)
        if (keyAt(i) == key) return i;
    return -1;
}

void Dataset::putRecord(int index, const Record& r) {
    store_.setRow(index, r.values);
    if (keyField_ < 0) ownKeys_[index] = r.key;
}

void Dataset::eraseRecord(int index) {
    store_.removeAt(index);
    if (keyField_ < 0) ownKeys_.remove(index);
}

void Dataset::keepRecords(const std::vector<char>& keep) {
    store_.keepOnly(keep);
    QVector<qint64> kept;
    kept.reserve(store_.size());
    for (int i = 0; i < int(keep.size()); ++i)
        if (keep[size_t(i)] && keyField_ < 0) kept.append(ownKeys_[i]);
    ownKeys_ = std::move(kept);
}

// Registers how the memory goes back when the surrounding transaction is rolled back.
void Dataset::undoLater(std::function<void()> undo) {
    if (!connection_ || connection_->depth() == 0) return;
    connection_->onRollback(this, std::move(undo), [this] { afterRollback(); });
}

void Dataset::afterRollback() {
    forgetOrder();
    if (!isOpen()) return;
    rebuildKeepingCurrent();
    emit contentChanged();
}

QString Dataset::deletedElsewhereMessage() {
    return QStringLiteral(
        "Der Datensatz wurde an einem anderen Arbeitsplatz gelöscht. Ihre Änderungen sind nicht gespeichert.");
}

bool Dataset::readStored(qint64 key, Row& out) {
    SqliteReader reader(*connection_, fields_, sqlFields_, QStringLiteral("Der Datensatz kann nicht gelesen werden"));
    bool found = false;
    reader.read(readBackSql_, {key}, [&](Row& row) {
        out = std::move(row);
        found = true;
    });
    return found;
}

namespace {
// What a store of an edited record says that another workstation deleted meanwhile.
DataError editedRecordDeleted() {
    return DataError(QStringLiteral("Der Datensatz wurde an einem anderen Arbeitsplatz gelöscht und kann nicht "
                                    "gespeichert werden. Ihre Änderungen sind nicht gespeichert und bleiben zur "
                                    "Bearbeitung erhalten."));
}
}  // namespace

// Reads one stored row by its key (after a write, so that the memory is what the file holds).
Row Dataset::readBack(qint64 key) {
    Row r;
    if (!readStored(key, r)) throw editedRecordDeleted();
    return r;
}

namespace {
// A store refused because another workstation changed the same field meanwhile.
class EditConflict : public DataError {
public:
    EditConflict(QString message, Row file) : DataError(std::move(message)), file_(std::move(file)) {}
    const Row& file() const { return file_; }

private:
    Row file_;
};

// Two values of a field as the file would keep them: the same cell text.
bool sameStored(FieldType type, const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull()) return a.isNull() == b.isNull();
    return valueToText(type, a) == valueToText(type, b);
}
}  // namespace

void Dataset::checkNoConflict(const Row& before, const Row& edited, const Row& file) const {
    for (int f : sqlFields_) {
        if (fields_[f].type == FieldType::AutoIncrement) continue;
        const FieldType t = fields_[f].type;
        const bool mine = !sameStored(t, edited.value(f), before.value(f));
        const bool theirs = !sameStored(t, file.value(f), before.value(f));
        if (mine && theirs && !sameStored(t, edited.value(f), file.value(f))) {
            const QString now = file.value(f).isNull() ? QStringLiteral("leer")
                                                       : QStringLiteral("»%1«").arg(valueToText(t, file.value(f)));
            throw EditConflict(
                QStringLiteral("Der Datensatz wurde inzwischen an einem anderen Arbeitsplatz geändert: das Feld "
                               "»%1« ist dort jetzt %2. Ihre Eingaben sind nicht gespeichert und bleiben zur "
                               "Bearbeitung erhalten; die übrigen Felder zeigen jetzt den gespeicherten Stand. "
                               "Speichern Sie erneut, um Ihre Eingaben zu übernehmen, oder brechen Sie ab.")
                    .arg(fields_[f].name, now),
                file);
        }
    }
}

void Dataset::adoptFileRow(qint64 key, const Row& before, const Row& file) {
    const int index = indexOfKey(key);
    if (index < 0) return;
    Row stored = file;
    stored.resize(fields_.size());
    compute(stored);
    forgetOrder();
    putRecord(index, Record{key, stored});
    bufferRecord_ = index;
    // The user's own changes stay in the entry; every other field shows the file's value.
    for (int f : sqlFields_)
        if (sameStored(fields_[f].type, buffer_.value(f), before.value(f))) buffer_[f] = stored[f];
    compute(buffer_);
    rebuildKeepingCurrent();
    emit contentChanged();
    if (suspend_ == 0 && pos_ >= 0) emit rowUpdated(pos_);  // bound controls show the merged entry
}

// Writes a record: a new one whole, an edited one only in the columns that differ from
// `before`, so that what another workstation changed in other columns stays.
void Dataset::storeToDatabase(Record& rec, bool isNew, const Row* before) {
    if (memoryOnly_) {
        if (isNew) rec.key = store_.size() == 0 ? 1 : keyAt(store_.size() - 1) + 1;
        return;
    }
    QStringList cols;
    QVariantList params;
    params.reserve(sqlFields_.size() + 1);
    for (int f : sqlFields_) {
        if (fields_[f].type == FieldType::AutoIncrement) continue;
        if (!isNew && before && (*before)[f] == rec.values[f]) continue;
        if (!isNew) cols << quoteName(fields_[f].name);
        params << toSqlValue(fields_[f], rec.values[f]);
    }
    const QString what = QStringLiteral("Der Datensatz kann nicht gespeichert werden");
    if (!isNew) markRowChanged(rec.key);
    if (isNew) {
        // A new row is written whole, in the order of the statement built once.
        const qint64 rowId = connection_->run(insertSql_, params, what);
        if (keyField_ >= 0) rec.key = rowId;
        markRowChanged(rec.key);
    } else if (!cols.isEmpty()) {
        QStringList sets;
        for (const QString& c : cols) sets << c + QStringLiteral("=?");
        params << rec.key;
        connection_->run(QStringLiteral("UPDATE %1 SET %2 WHERE %3=?")
                             .arg(quoteName(table_->name), sets.join(','), quoteName(fields_[keyField_].name)),
                         params, what);
    }
    if (keyField_ < 0) return;
    // Read back: the key of a new row, the other workstations' columns of an edited one,
    // and the refusal when the row is gone.
    Row stored = readBack(rec.key);
    for (int f = 0; f < fields_.size(); ++f)
        if (fields_[f].calculated) stored[f] = rec.values[f];
    rec.values = std::move(stored);
}

bool Dataset::post() {
    ensureOpen();
    if (!isEditing()) return true;
    const State wasState = state_;
    const Row wasBuffer = buffer_;
    const int wasRecord = bufferRecord_;
    const bool wasModified = modified_;
    const Row wasStored = wasRecord >= 0 ? store_.row(wasRecord) : Row();
    const qint64 wasKey = wasRecord >= 0 ? keyAt(wasRecord) : -1;
    // The record as the file holds it is known only during this store.
    struct Forget {
        Row& row;
        ~Forget() { row.clear(); }
    } forget{fileRecord_};
    const auto restore = [&] {
        // Nothing was stored: the record is back in its state with the user's edits.
        if (state_ != wasState || buffer_ != wasBuffer) {
            const qint64 key = wasRecord >= 0 && wasRecord < store_.size() ? keyAt(wasRecord) : -1;
            state_ = wasState;
            buffer_ = wasBuffer;
            bufferRecord_ = key >= 0 ? indexOfKey(key) : -1;
            modified_ = wasModified;
            emit stateChanged();
            if (suspend_ == 0 && pos_ >= 0) emit rowUpdated(pos_);
        }
    };
    try {
        Transaction tx(memoryOnly_ ? nullptr : connection_.get());
        // Inside the write lock: the row as the file holds it decides, not the memory.
        if (state_ == State::Edit && !memoryOnly_ && keyField_ >= 0) {
            Row file;
            if (!readStored(wasKey, file)) throw editedRecordDeleted();
            file.resize(fields_.size());
            checkNoConflict(wasStored, buffer_, file);
            fileRecord_ = std::move(file);
        }
        const auto beforeStore = beforeStore_;  // a copy: a rule may attach or detach others
        for (const auto& [id, h] : beforeStore)
            if (!h(*this)) return false;
        const bool isNew = state_ == State::Insert;
        Record rec{isNew ? 0 : keyAt(bufferRecord_), buffer_};
        const Row before = isNew ? Row() : store_.row(bufferRecord_);
        storeToDatabase(rec, isNew, isNew ? nullptr : &before);
        compute(rec.values);
        forgetOrder();
        int index;
        if (isNew) {
            index = store_.append(rec.values);
            if (keyField_ < 0) ownKeys_.append(rec.key);
            const qint64 key = rec.key;
            undoLater([this, key] {
                const int i = indexOfKey(key);
                if (i >= 0) eraseRecord(i);
            });
        } else {
            index = bufferRecord_;
            const Record old{keyAt(index), before};
            undoLater([this, old] {
                const int i = indexOfKey(old.key);
                if (i >= 0) putRecord(i, old);
            });
            putRecord(index, rec);
            removeFromView(index);
        }
        buffer_.clear();
        bufferRecord_ = -1;
        modified_ = false;
        state_ = State::Browse;
        placeInView(index, false);
        // Searched from the end, where an unsorted view places a new record: a bulk
        // store of many rows stays linear.
        const int at = int(view_.lastIndexOf(index));
        notifyReset();
        // The stored record stays current when it is presented.
        if (at >= 0) {
            pos_ = at;
            bof_ = eof_ = false;
            if (suspend_ == 0) emit currentChanged(pos_);
        } else {
            // The stored record left the view: the current row is another one now.
            moveCursor(pos_, true);
        }
        emit stateChanged();
        emit contentChanged();
        storedIndex_ = index;
        try {
            fire(Event::AfterStore);
        } catch (...) {
            storedIndex_ = -1;
            throw;
        }
        storedIndex_ = -1;
        tx.commit();
        return true;
    } catch (const EditConflict& conflict) {
        restore();
        // Outside every transaction the memory may take the file's row for good; inside an
        // outer one its rollback would bring the old row back anyway.
        if (!connection_ || connection_->depth() == 0) adoptFileRow(wasKey, wasStored, conflict.file());
        throw;
    } catch (...) {
        restore();
        throw;
    }
}

QString Dataset::storedText(const QString& name) const {
    const int f = field(name);
    return valueToText(fields_[f].type, storedRecord()[f]);
}

void Dataset::remove() {
    ensureOpen();
    if (state_ == State::Insert) {
        cancel();
        return;
    }
    if (state_ == State::Edit) cancel();
    if (pos_ < 0) return;
    // The before-delete rules' writes (members leaving a deleted fee class) and the delete
    // are one transaction.
    const qint64 key = keyAt(view_[pos_]);
    struct Forget {
        Row& row;
        ~Forget() { row.clear(); }
    } forget{fileRecord_};
    bool gone = false;
    {
        Transaction tx(memoryOnly_ ? nullptr : connection_.get());
        // Inside the write lock: a record another workstation deleted is not deleted
        // again, and the rules see it as the file holds it.
        if (!memoryOnly_ && keyField_ >= 0) {
            Row file;
            gone = !readStored(key, file);
            file.resize(fields_.size());
            fileRecord_ = std::move(file);
        }
        if (!gone) {
            removeCurrent(tx, key);
            return;
        }
    }
    // The memory forgets the record the file no longer holds.
    if (connection_ && connection_->depth() == 0) refreshRows({key});
    throw DataError(deletedElsewhereMessage());
}

void Dataset::removeCurrent(Transaction& tx, qint64 key) {
    fire(Event::BeforeDelete);
    int index = pos_ >= 0 && pos_ < view_.size() ? view_[pos_] : -1;
    if (index < 0 || keyAt(index) != key) {
        // A rule moved the cursor: the record to delete is still the one it was.
        index = indexOfKey(key);
        const int at = int(view_.indexOf(index));
        if (index < 0 || at < 0) throw DataError(QStringLiteral("Der Datensatz ist nicht mehr vorhanden."));
        pos_ = at;
    }
    if (!memoryOnly_) {
        markRowChanged(keyAt(index));
        connection_->run(QStringLiteral("DELETE FROM %1 WHERE %2=?")
                              .arg(quoteName(table_->name), quoteName(fields_[keyField_].name)),
                          {keyAt(index)}, QStringLiteral("Der Datensatz kann nicht gelöscht werden"));
    }
    const Record old = takeRecord(index);
    forgetOrder();
    undoLater([this, old, index] {
        const int at = std::min(index, store_.size());
        store_.insertAt(at, old.values);
        if (keyField_ < 0) ownKeys_.insert(at, old.key);
    });
    eraseRecord(index);
    view_.remove(pos_);
    for (int& v : view_)
        if (v > index) --v;
    tx.commit();  // on failure the undo above puts the record back
    notifyReset();
    emit contentChanged();
    moveCursor(pos_, true);
}

void Dataset::removeAllPresented() {
    ensureOpen();
    checkBrowseMode();
    if (view_.isEmpty()) return;
    // One transaction: all presented rows go, or none.
    Transaction tx(memoryOnly_ ? nullptr : connection_.get());
    if (!memoryOnly_) {
        for (int index : view_) markRowChanged(keyAt(index));
        const QString sql = QStringLiteral("DELETE FROM %1 WHERE %2=?")
                                .arg(quoteName(table_->name), quoteName(fields_[keyField_].name));
        for (int index : view_)
            connection_->run(sql, {keyAt(index)}, QStringLiteral("Die Datensätze können nicht gelöscht werden"));
    }
    auto before = std::make_shared<const Snapshot>(Snapshot{store_, ownKeys_});
    undoLater([this, before] {
        store_ = before->store;
        ownKeys_ = before->keys;
    });
    std::vector<char> keep(size_t(store_.size()), 1);
    for (int index : view_) keep[size_t(index)] = 0;
    keepRecords(keep);
    rebuildView();
    tx.commit();  // on failure the undo above brings the rows back
    notifyReset();
    emit contentChanged();
    moveCursor(0, true);
}

void Dataset::mirrorStoredRow(const Row& row) {
    ensureOpen();
    Row r = row;
    r.resize(fields_.size());
    compute(r);
    const qint64 key = keyField_ >= 0 ? r[keyField_].toLongLong() : 0;
    const int i = keyField_ >= 0 ? indexOfKey(key) : -1;
    forgetOrder();
    if (i >= 0) {
        const Record old = takeRecord(i);
        undoLater([this, old] {
            const int j = indexOfKey(old.key);
            if (j >= 0) putRecord(j, old);
        });
        store_.setRow(i, r);
        if (bufferRecord_ != i) {
            removeFromView(i);
            placeInView(i, true);
        }
    } else {
        store_.append(r);
        if (keyField_ < 0) ownKeys_.append(key);
        undoLater([this, key] {
            const int j = indexOfKey(key);
            if (j >= 0) eraseRecord(j);
        });
        placeInView(store_.size() - 1, true);
    }
    clampCursor();
    notifyReset();
    emit contentChanged();
}

void Dataset::mirrorDeletedRows(const std::function<bool(RowRef)>& which) {
    ensureOpen();
    if (isEditing() && bufferRecord_ >= 0 && which(recordAt(bufferRecord_))) cancel();
    const qint64 currentKey = pos_ >= 0 && pos_ < view_.size() ? keyAt(view_[pos_]) : -1;
    const qint64 editedKey = bufferRecord_ >= 0 ? keyAt(bufferRecord_) : -1;
    std::vector<char> keep(size_t(store_.size()), 1);
    bool any = false;
    for (int i = 0; i < store_.size(); ++i)
        if (which(recordAt(i))) {
            keep[size_t(i)] = 0;
            any = true;
        }
    if (!any) return;
    auto before = std::make_shared<const Snapshot>(Snapshot{store_, ownKeys_});
    undoLater([this, before] {
        store_ = before->store;
        ownKeys_ = before->keys;
    });
    keepRecords(keep);
    if (editedKey >= 0) bufferRecord_ = indexOfKey(editedKey);
    rebuildView();
    notifyReset();
    int p = pos_;
    for (int i = 0; i < view_.size(); ++i)
        if (keyAt(view_[i]) == currentKey) p = i;
    moveCursor(p, true);
    emit contentChanged();
}

// Keeps the cursor on a row of the view after the view grew or shrank.
void Dataset::clampCursor() {
    if (view_.isEmpty()) {
        pos_ = -1;
        bof_ = eof_ = true;
    } else if (pos_ < 0 || pos_ >= view_.size()) {
        pos_ = std::clamp(pos_, 0, int(view_.size()) - 1);
        bof_ = eof_ = false;
    }
}

QVariant Dataset::maxStoredValue(const QString& name) {
    ensureOpen();
    const int f = field(name);
    if (memoryOnly_) {
        QVariant best;
        for (int i = 0; i < store_.size(); ++i)
            if (!store_.isNull(i, f) && (best.isNull() || store_.number(i, f) > best.toLongLong()))
                best = store_.value(i, f);
        return best;
    }
    const QVector<QVariantList> rows = connection_->select(
        QStringLiteral("SELECT MAX(%1) FROM %2").arg(quoteName(fields_[f].name), quoteName(table_->name)), {},
        readFailure(*table_));
    return rows.isEmpty() ? QVariant() : rows.first().value(0);
}

// ------------------------------------------------------------ locate

bool Dataset::locate(const QString& fieldNames, const QVariantList& values) {
    ensureOpen();
    const QStringList names = fieldNames.split(';', Qt::SkipEmptyParts);
    if (names.size() != values.size())
        throw DataError(
            QStringLiteral("Suche in der Tabelle »%1«: %2 Felder, aber %3 Werte.")
                .arg(title())
                .arg(names.size())
                .arg(values.size()));
    QVector<int> fs;
    QVariantList wanted;
    for (int i = 0; i < names.size(); ++i) {
        const int f = field(names[i].trimmed());
        fs << f;
        QVariant w;
        try {
            w = normaliseValue(fields_[f], values[i]);
        } catch (const DataError&) {
            return false;  // a value the field cannot hold matches no row
        }
        wanted << w;
    }
    checkBrowseMode();
    for (int p = 0; p < view_.size(); ++p) {
        const RowRef r = recordAt(view_[p]);
        bool all = true;
        for (int i = 0; i < fs.size() && all; ++i) {
            const QVariant a = r[fs[i]];
            const QVariant& b = wanted[i];
            if (a.isNull() || b.isNull())
                all = a.isNull() && b.isNull();
            else if (fields_[fs[i]].type == FieldType::Date)
                all = toDateTime(a) == toDateTime(b);
            else
                all = a == b;
        }
        if (all) {
            moveCursor(p, true);
            return true;
        }
    }
    return false;
}

// ------------------------------------------------------------ display suspension

void Dataset::disableControls() {
    if (suspend_++ == 0) emit displaySuspended();
}

void Dataset::enableControls() {
    if (suspend_ == 0) return;
    if (--suspend_ > 0) return;
    // Resuming announces what happened meanwhile: the rows when they changed, and the
    // current row always (a walk may have moved the cursor without a word).
    if (resetPending_) {
        resetPending_ = false;
        emit viewReset();
    }
    emit currentChanged(pos_);
}

void Dataset::notifyReset() {
    if (suspend_ > 0)
        resetPending_ = true;
    else
        emit viewReset();
}

// ------------------------------------------------------------ events

int Dataset::on(Event event, Handler handler) {
    const int id = nextHandlerId_++;
    handlers_.append(Subscription{id, event, std::move(handler)});
    return id;
}

int Dataset::onBeforeStore(BeforeStoreHandler handler) {
    const int id = nextHandlerId_++;
    beforeStore_.append({id, std::move(handler)});
    return id;
}

void Dataset::off(int id) {
    handlers_.erase(
        std::remove_if(handlers_.begin(), handlers_.end(), [id](const Subscription& s) { return s.id == id; }),
        handlers_.end());
    beforeStore_.erase(
        std::remove_if(beforeStore_.begin(), beforeStore_.end(), [id](const auto& p) { return p.first == id; }),
        beforeStore_.end());
}

void Dataset::fire(Event e) {
    // A copy: a handler may attach or detach others.
    const QVector<Subscription> hs = handlers_;
    for (const Subscription& s : hs)
        if (s.event == e) s.handler(*this);
}

void Dataset::setComputeHandler(ComputeHandler handler) {
    compute_ = std::move(handler);
    recomputeAll();
}

void Dataset::compute(Row& r) const {
    if (!compute_) return;
    RowAccess access(r);
    compute_(access);
}

void Dataset::computeRecord(int index) {
    RowAccess access(store_, index);
    compute_(access);
}

void Dataset::recomputeAll() {
    if (!compute_ || !isOpen()) return;
    for (int i = 0; i < store_.size(); ++i) computeRecord(i);
    forgetOrder();
    if (isEditing()) compute(buffer_);
    // A filter or sort on a calculated field sees the new values.
    if ((filtered_ && filter_ && !filter_->selectsAll()) || !sortFields_.isEmpty())
        rebuildKeepingCurrent();
    else
        notifyReset();
}

// ------------------------------------------------------------ persistence

void Dataset::saveToXml(const QString& path) const {
    ensureOpen();
    QVector<Row> rows;
    rows.reserve(view_.size());
    for (int index : view_) rows.append(store_.row(index));
    writeRowsetXml(path, fields_, rows);
}

void Dataset::markRowChanged(qint64 key) {
    if (keyField_ >= 0)
        connection_->markChanged(table_->name, key);
    else
        connection_->markChanged(table_->name);
}

void Dataset::execute(const QString& sql, const QVariantList& params) {
    ensureOpen();
    if (memoryOnly_) throw DataError(QStringLiteral("Die Tabelle »%1« liegt nicht in der Datenbank.").arg(title()));
    connection_->markChanged(table_->name);
    connection_->exec(sql, params, QStringLiteral("Die Anweisung ist fehlgeschlagen"));
}

}  // namespace ferolind
