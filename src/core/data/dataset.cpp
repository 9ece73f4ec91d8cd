#include "dataset.h"

#include "database.h"
#include "errors.h"
#include "filter.h"
#include "rowsetxml.h"
#include "schema.h"
#include "values.h"

#include <QCollator>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>

namespace ferolind {

// ------------------------------------------------------------ construction

Dataset::Dataset(QString name, const TableDef& table, FieldList fields, QObject* parent)
    : QObject(parent), name_(std::move(name)), table_(&table), fields_(std::move(fields)) {
    for (int i = 0; i < fields_.size(); ++i) {
        if (fields_[i].calculated) continue;
        sqlFields_.append(i);
        if (fields_[i].type == FieldType::AutoIncrement && keyField_ < 0) keyField_ = i;
    }
}

Dataset::Dataset(QString name, FieldList fields, QObject* parent)
    : QObject(parent), name_(std::move(name)), fields_(std::move(fields)), memoryOnly_(true) {}

Dataset::~Dataset() {
    if (db_.isValid()) closeConnection(db_);
}

int Dataset::field(const QString& fieldName) const {
    const int i = fieldIndex(fields_, fieldName);
    if (i < 0)
        throw DataError(QStringLiteral("Das Feld '%1' gibt es in der Datenmenge %2 nicht.").arg(fieldName, name_));
    return i;
}

void Dataset::ensureOpen() const {
    if (state_ == State::Inactive) throw DataError(QStringLiteral("Die Datenmenge %1 ist nicht geöffnet.").arg(name_));
}

// ------------------------------------------------------------ opening

void Dataset::open() {
    if (isOpen()) return;
    if (memoryOnly_) {
        setRows({});
        return;
    }
    db_ = openConnection(folder_, name_);
    try {
        loadAllRows();
    } catch (...) {
        closeConnection(db_);
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
    records_.clear();
    view_.clear();
    buffer_.clear();
    bufferRecord_ = -1;
    modified_ = false;
    pos_ = -1;
    bof_ = eof_ = true;
    state_ = State::Inactive;
    if (db_.isValid()) closeConnection(db_);
    notifyReset();
    emit stateChanged();
}

void Dataset::setRows(QVector<Row> rows) {
    records_.clear();
    records_.reserve(rows.size());
    qint64 key = 0;
    for (Row& r : rows) {
        r.resize(fields_.size());
        compute(r);
        records_.append(Record{++key, std::move(r)});
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

// A stored date: ISO "yyyy-MM-dd", with " hh:mm:ss" when it has a time. Read without
// the general parser, as every date of every row passes here when a table is opened.
namespace {
QVariant storedDate(const QString& s) {
    auto digits = [&](int at, int n) {
        int v = 0;
        for (int i = at; i < at + n; ++i) {
            const int d = s[i].unicode() - '0';
            if (d < 0 || d > 9) return -1;
            v = v * 10 + d;
        }
        return v;
    };
    if (s.size() == 10 && s[4] == u'-' && s[7] == u'-') {
        const QDate d(digits(0, 4), digits(5, 2), digits(8, 2));
        if (d.isValid()) return d;
    }
    return parseDate(s);
}
}  // namespace

Row Dataset::readSqlRow(const QSqlQuery& q) const {
    Row r(fields_.size());
    for (int c = 0; c < sqlFields_.size(); ++c) {
        const int f = sqlFields_[c];
        const QVariant v = q.value(c);
        if (v.isNull()) continue;
        switch (fields_[f].type) {
            case FieldType::AutoIncrement:
            case FieldType::Integer: r[f] = v.toInt(); break;
            case FieldType::Text:
            case FieldType::Memo: {
                const QString s = v.toString();
                if (!s.isEmpty()) r[f] = s;
                break;
            }
            case FieldType::Date: r[f] = storedDate(v.toString()); break;
            case FieldType::Bool: r[f] = v.toLongLong() != 0; break;
            case FieldType::Currency:
                // Stored as a count of 1/10000; a real number written by someone else is euros,
                // and one that is no amount (infinity, beyond the range) is read as missing.
                if (v.typeId() == QMetaType::Double) {
                    if (const auto m = moneyFromDouble(v.toDouble())) r[f] = QVariant::fromValue<qint64>(*m);
                } else
                    r[f] = QVariant::fromValue<qint64>(v.toLongLong());
                break;
        }
    }
    return r;
}

void Dataset::loadAllRows() {
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.exec(selectSql(*table_, fields_, sqlFields_)))
        throw DataError(engineMessage(QStringLiteral("Die Tabelle »%1« kann nicht gelesen werden").arg(table_->name),
                                      q.lastError().text()));
    QVector<Record> recs;
    while (q.next()) {
        Record rec;
        rec.values = readSqlRow(q);
        rec.key = keyField_ >= 0 ? rec.values[keyField_].toLongLong() : recs.size() + 1;
        compute(rec.values);
        recs.append(std::move(rec));
    }
    records_ = std::move(recs);
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

// ------------------------------------------------------------ view: filter and sort

bool Dataset::passesFilter(const Row& r) const {
    if (!filtered_ || !filter_) return true;
    return filter_->matches(r);
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

namespace {
const QCollator& germanCollator() {
    static const QCollator c = [] {
        QCollator coll{QLocale(QLocale::German, QLocale::Germany)};
        coll.setCaseSensitivity(Qt::CaseInsensitive);
        return coll;
    }();
    return c;
}
}  // namespace

bool Dataset::lessThan(int a, int b) const {
    const Row& x = records_[a].values;
    const Row& y = records_[b].values;
    for (int f : sortFields_) {
        const int c = compareValues(fields_[f].type, x[f], y[f], germanCollator());
        if (c != 0) return c < 0;
    }
    return false;
}

void Dataset::rebuildView() {
    view_.clear();
    view_.reserve(records_.size());
    for (int i = 0; i < records_.size(); ++i)
        if (passesFilter(records_[i].values)) view_.append(i);
    if (sortFields_.isEmpty()) return;
    // Texts compare by collation keys made once per row: far cheaper than collating
    // every comparison of a sort over many rows.
    std::vector<std::vector<QCollatorSortKey>> keys(sortFields_.size());
    for (int k = 0; k < sortFields_.size(); ++k) {
        const int f = sortFields_[k];
        if (fields_[f].type != FieldType::Text && fields_[f].type != FieldType::Memo) continue;
        keys[k].reserve(view_.size());
        for (int index : view_) keys[k].push_back(germanCollator().sortKey(records_[index].values[f].toString()));
    }
    std::vector<int> order(view_.size());
    for (int i = 0; i < int(order.size()); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        for (int k = 0; k < sortFields_.size(); ++k) {
            int c;
            if (!keys[k].empty()) {
                c = keys[k][a].compare(keys[k][b]);
            } else {
                const int f = sortFields_[k];
                c = compareValues(fields_[f].type, records_[view_[a]].values[f], records_[view_[b]].values[f],
                                  germanCollator());
            }
            if (c != 0) return c < 0;
        }
        return false;
    });
    QVector<int> sorted(view_.size());
    for (int i = 0; i < int(order.size()); ++i) sorted[i] = view_[order[i]];
    view_ = std::move(sorted);
}

// Puts one record at its place in the view (after a store), without re-sorting all.
void Dataset::placeInView(int recordIndex, bool keepCurrent) {
    if (!passesFilter(records_[recordIndex].values)) return;
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
        rebuildView();
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
        rebuildView();
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
                QStringLiteral("Nach dem Feld '%1' kann nicht sortiert werden: es gibt es in der Datenmenge %2 nicht.")
                    .arg(n, name_));
        parsed.append(f);
    }
    if (isOpen()) checkBrowseMode();
    sortText_ = keys;
    sortFields_ = parsed;
    if (isOpen()) rebuildKeepingCurrent();
}

// Rebuilds the view after an order or value change; the current record stays current.
void Dataset::rebuildKeepingCurrent() {
    const qint64 currentKey = pos_ >= 0 && pos_ < view_.size() ? records_[view_[pos_]].key : -1;
    rebuildView();
    notifyReset();
    int p = 0;
    for (int i = 0; i < view_.size(); ++i)
        if (records_[view_[i]].key == currentKey) {
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

const Row& Dataset::currentRow() const {
    static const Row empty;
    if (isEditing()) return buffer_;
    if (pos_ < 0 || pos_ >= view_.size()) return empty;
    return records_[view_[pos_]].values;
}

const Row& Dataset::rowAt(int position) const {
    if (isEditing() && position == pos_ && state_ == State::Edit) return buffer_;
    return records_[view_[position]].values;
}

QVariant Dataset::value(int f) const {
    const Row& r = currentRow();
    if (f < 0 || f >= r.size()) return {};
    return r[f];
}

QString Dataset::text(int f) const { return valueToText(fields_[f].type, value(f)); }

void Dataset::setValue(int f, const QVariant& v) {
    ensureOpen();
    if (f < 0 || f >= fields_.size())
        throw DataError(QStringLiteral("Ungültiges Feld in der Datenmenge %1.").arg(name_));
    if (!isEditing() && !fields_[f].calculated)
        throw DataError(QStringLiteral("Die Datenmenge %1 ist nicht im Bearbeitungs- oder Einfügemodus.").arg(name_));
    if (fields_[f].type == FieldType::AutoIncrement && !fields_[f].calculated)
        throw DataError(QStringLiteral("Das Feld '%1' kann nicht geändert werden.").arg(fields_[f].name));
    const QVariant n = normaliseValue(fields_[f], v);
    if (!isEditing()) return;  // calculated field of a browsed row: display only
    buffer_[f] = n;
    modified_ = true;
    if (!fields_[f].calculated) compute(buffer_);
    if (suspend_ == 0) emit rowUpdated(pos_);  // bound controls follow, also while inserting
}

void Dataset::setText(const QString& name, const QString& t) {
    const int f = field(name);
    setValue(f, valueFromText(fields_[f], t));
}

void Dataset::insert() {
    ensureOpen();
    checkBrowseMode();
    buffer_ = Row(fields_.size());
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
    buffer_ = records_[bufferRecord_].values;
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

void Dataset::storeToDatabase(Record& rec, bool isNew) {
    if (memoryOnly_) {
        if (isNew) rec.key = records_.isEmpty() ? 1 : records_.last().key + 1;
        return;
    }
    QSqlQuery q(db_);
    QStringList cols, marks;
    QVariantList params;
    for (int f : sqlFields_) {
        if (fields_[f].type == FieldType::AutoIncrement) continue;
        cols << quoteName(fields_[f].name);
        params << toSqlValue(fields_[f], rec.values[f]);
    }
    QString sql;
    if (isNew) {
        for (int i = 0; i < cols.size(); ++i) marks << QStringLiteral("?");
        sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(quoteName(table_->name), cols.join(','), marks.join(','));
    } else {
        QStringList sets;
        for (const QString& c : cols) sets << c + QStringLiteral("=?");
        sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3=?")
                  .arg(quoteName(table_->name), sets.join(','), quoteName(fields_[keyField_].name));
        params << rec.key;
    }
    q.prepare(sql);
    for (const QVariant& p : params) q.addBindValue(p);
    if (!q.exec())
        throw DataError(
            engineMessage(QStringLiteral("Der Datensatz kann nicht gespeichert werden"), q.lastError().text()));
    if (isNew && keyField_ >= 0) {
        rec.key = q.lastInsertId().toLongLong();
        rec.values[keyField_] = int(rec.key);
    }
}

bool Dataset::post() {
    ensureOpen();
    if (!isEditing()) return true;
    const auto beforeStore = beforeStore_;  // a copy: a rule may attach or detach others
    for (const auto& [id, h] : beforeStore)
        if (!h(*this)) return false;
    const bool isNew = state_ == State::Insert;
    Record rec{isNew ? 0 : records_[bufferRecord_].key, buffer_};
    storeToDatabase(rec, isNew);  // throws: the record stays in its state
    compute(rec.values);
    int index;
    if (isNew) {
        records_.append(std::move(rec));
        index = records_.size() - 1;
    } else {
        index = bufferRecord_;
        records_[index] = std::move(rec);
        removeFromView(index);
    }
    buffer_.clear();
    bufferRecord_ = -1;
    modified_ = false;
    state_ = State::Browse;
    placeInView(index, false);
    const int at = int(view_.indexOf(index));
    notifyReset();
    // The stored record stays current when it is presented.
    if (at >= 0) {
        pos_ = at;
        bof_ = eof_ = false;
        if (suspend_ == 0) emit currentChanged(pos_);
    } else {
        moveCursor(pos_, false);
    }
    emit stateChanged();
    emit contentChanged();
    fire(Event::AfterStore);
    return true;
}

void Dataset::remove() {
    ensureOpen();
    if (state_ == State::Insert) {
        cancel();
        return;
    }
    if (state_ == State::Edit) cancel();
    if (pos_ < 0) return;
    fire(Event::BeforeDelete);
    const int index = view_[pos_];
    if (!memoryOnly_) {
        QSqlQuery q(db_);
        q.prepare(QStringLiteral("DELETE FROM %1 WHERE %2=?")
                      .arg(quoteName(table_->name), quoteName(fields_[keyField_].name)));
        q.addBindValue(records_[index].key);
        if (!q.exec())
            throw DataError(
                engineMessage(QStringLiteral("Der Datensatz kann nicht gelöscht werden"), q.lastError().text()));
    }
    records_.remove(index);
    view_.remove(pos_);
    for (int& v : view_)
        if (v > index) --v;
    notifyReset();
    emit contentChanged();
    moveCursor(pos_, true);
}

void Dataset::removeAllPresented() {
    ensureOpen();
    checkBrowseMode();
    if (view_.isEmpty()) return;
    if (!memoryOnly_) {
        // One transaction: all presented rows go, or none.
        db_.transaction();
        QSqlQuery q(db_);
        q.prepare(QStringLiteral("DELETE FROM %1 WHERE %2=?")
                      .arg(quoteName(table_->name), quoteName(fields_[keyField_].name)));
        for (int index : view_) {
            q.addBindValue(records_[index].key);
            if (!q.exec()) {
                const QString err = q.lastError().text();
                db_.rollback();
                throw DataError(engineMessage(QStringLiteral("Die Datensätze können nicht gelöscht werden"), err));
            }
        }
        if (!db_.commit()) {
            const QString err = db_.lastError().text();
            db_.rollback();
            throw DataError(engineMessage(QStringLiteral("Die Datensätze können nicht gelöscht werden"), err));
        }
    }
    QVector<bool> gone(records_.size(), false);
    for (int index : view_) gone[index] = true;
    QVector<Record> kept;
    kept.reserve(records_.size() - view_.size());
    for (int i = 0; i < records_.size(); ++i)
        if (!gone[i]) kept.append(std::move(records_[i]));
    records_ = std::move(kept);
    rebuildView();
    notifyReset();
    emit contentChanged();
    moveCursor(0, true);
}

// ------------------------------------------------------------ locate

bool Dataset::locate(const QString& fieldNames, const QVariantList& values) {
    ensureOpen();
    const QStringList names = fieldNames.split(';', Qt::SkipEmptyParts);
    if (names.size() != values.size())
        throw DataError(
            QStringLiteral("Suche in %1: %2 Felder, aber %3 Werte.").arg(name_).arg(names.size()).arg(values.size()));
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
        const Row& r = records_[view_[p]].values;
        bool all = true;
        for (int i = 0; i < fs.size() && all; ++i) {
            const QVariant& a = r[fs[i]];
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

void Dataset::disableControls() { ++suspend_; }

void Dataset::enableControls() {
    if (suspend_ == 0) return;
    if (--suspend_ == 0 && resetPending_) {
        resetPending_ = false;
        emit viewReset();
        emit currentChanged(pos_);
    }
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
    if (compute_) compute_(r);
}

void Dataset::recomputeAll() {
    if (!compute_ || !isOpen()) return;
    for (Record& rec : records_) compute_(rec.values);
    if (isEditing()) compute_(buffer_);
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
    for (int index : view_) rows.append(records_[index].values);
    writeRowsetXml(path, fields_, rows);
}

void Dataset::execute(const QString& sql, const QVariantList& params) {
    ensureOpen();
    QSqlQuery q(db_);
    q.prepare(sql);
    for (const QVariant& p : params) q.addBindValue(p);
    if (!q.exec())
        throw DataError(engineMessage(QStringLiteral("Die Anweisung ist fehlgeschlagen"), q.lastError().text()));
}

}  // namespace ferolind
