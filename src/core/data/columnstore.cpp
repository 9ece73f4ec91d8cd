#include "columnstore.h"

#include <QDateTime>
#include <QHash>
#include <algorithm>

namespace ferolind {

namespace {

constexpr qint64 kMsPerDay = 86400000;

// Columns with few distinct texts (towns, salutations, categories) keep one string per
// text; a column found to have many stops looking them up.
constexpr size_t kMostShared = 4096;

}  // namespace

// Open addressing over the column's own texts: an entry holds a text's index (-1: empty)
// and its hash; at most half the entries are used.
struct ColumnStore::Column::Shared {
    std::vector<qint32> entries = std::vector<qint32>(64, -1);
    std::vector<quint32> hashes = std::vector<quint32>(64, 0);
    int used = 0;

    size_t find(const Column& c, QStringView s, quint32 h) const {
        const size_t mask = entries.size() - 1;
        size_t i = h & mask;
        while (entries[i] >= 0 && !(hashes[i] == h && c.textAt(entries[i]) == s)) i = (i + 1) & mask;
        return i;
    }
    void grow() {
        std::vector<qint32> oldEntries(entries.size() * 2, -1);
        std::vector<quint32> oldHashes(hashes.size() * 2, 0);
        oldEntries.swap(entries);
        oldHashes.swap(hashes);
        const size_t mask = entries.size() - 1;
        for (size_t j = 0; j < oldEntries.size(); ++j) {
            if (oldEntries[j] < 0) continue;
            size_t i = oldHashes[j] & mask;
            while (entries[i] >= 0) i = (i + 1) & mask;
            entries[i] = oldEntries[j];
            hashes[i] = oldHashes[j];
        }
    }
};

ColumnStore::Column::Column(const Column& o) { *this = o; }

ColumnStore::Column& ColumnStore::Column::operator=(const Column& o) {
    if (this == &o) return *this;
    kind = o.kind;
    i32 = o.i32;
    i64 = o.i64;
    b = o.b;
    nulls = o.nulls;
    arena = o.arena;
    shared.reset();
    sharing = false;
    return *this;
}

// ------------------------------------------------------------ texts

TextArena& TextArena::operator=(const TextArena& other) {
    if (this == &other) return *this;
    chunks_.clear();
    chunks_.reserve(other.chunks_.size());
    for (size_t i = 0; i < other.chunks_.size(); ++i) {
        const quint32 n = other.chunkSizes_[i];
        chunks_.push_back(std::make_unique<char16_t[]>(n));
        std::copy_n(other.chunks_[i].get(), n, chunks_.back().get());
    }
    chunkSizes_ = other.chunkSizes_;
    starts_ = other.starts_;
    used_ = other.used_;
    return *this;
}

// A text is its length (one character, or 0xFFFF and two more for a long one) and then
// its characters.
QStringView TextArena::at(int i) const {
    const quint32 start = starts_[size_t(i)];
    const char16_t* p = chunks_[start >> 16].get() + (start & 0xFFFF);
    if (p[0] != 0xFFFF) return QStringView(p + 1, qsizetype(p[0]));
    const quint32 n = quint32(p[1]) | (quint32(p[2]) << 16);
    return QStringView(p + 3, qsizetype(n));
}

int TextArena::add(QStringView s) {
    const auto n = quint32(s.size());
    const quint32 head = n < 0xFFFF ? 1 : 3;
    const quint32 need = head + n;
    if (need > kChunk) {
        // A text longer than a chunk gets one of its own, after which a new chunk starts.
        chunks_.push_back(std::make_unique<char16_t[]>(need));
        chunkSizes_.push_back(need);
        used_ = kChunk;
    } else if (used_ + need > kChunk) {
        chunks_.push_back(std::make_unique<char16_t[]>(kChunk));
        chunkSizes_.push_back(kChunk);
        used_ = 0;
    }
    const auto chunk = quint32(chunks_.size() - 1);
    const quint32 place = need > kChunk ? 0 : used_;
    char16_t* p = chunks_.back().get() + place;
    if (head == 1) {
        p[0] = char16_t(n);
    } else {
        p[0] = 0xFFFF;
        p[1] = char16_t(n & 0xFFFF);
        p[2] = char16_t(n >> 16);
    }
    std::copy_n(s.utf16(), n, p + head);
    if (need <= kChunk) used_ += need;
    starts_.push_back(chunk << 16 | place);
    return int(starts_.size()) - 1;
}

ColumnStore::ColumnStore(const FieldList& fields) {
    columns_.resize(fields.size());
    for (int f = 0; f < fields.size(); ++f) {
        Column& c = columns_[f];
        switch (fields[f].type) {
            case FieldType::AutoIncrement:
            case FieldType::Integer: c.kind = Kind::Int32; break;
            case FieldType::Currency: c.kind = Kind::Int64; break;
            case FieldType::Bool: c.kind = Kind::Bool; break;
            case FieldType::Date: c.kind = Kind::Date; break;
            case FieldType::Text:
            case FieldType::Memo: c.kind = Kind::Text; break;
        }
    }
}

// Every column has room for capacity_ rows, and the cells past the last row are null, so
// that a row appended starts with every cell null without a write of its own.
void ColumnStore::reserve(int rows) {
    if (rows <= capacity_) return;
    for (Column& c : columns_) {
        switch (c.kind) {
            case Kind::Int32: c.i32.resize(size_t(rows), 0); break;
            case Kind::Text: c.i32.resize(size_t(rows), -1); break;
            case Kind::Int64:
            case Kind::Date: c.i64.resize(size_t(rows), 0); break;
            case Kind::Bool: c.b.resize(size_t(rows), 0); break;
        }
        if (c.kind != Kind::Text) c.nulls.resize((size_t(rows) + 63) / 64, ~quint64(0));
    }
    capacity_ = rows;
}

void ColumnStore::clear() {
    for (Column& c : columns_) {
        const Kind k = c.kind;
        c = Column();
        c.kind = k;
    }
    count_ = 0;
    capacity_ = 0;
}

void ColumnStore::setNullBit(Column& c, int row, bool on) {
    quint64& word = c.nulls[size_t(row) >> 6];
    const quint64 bit = quint64(1) << (row & 63);
    word = on ? (word | bit) : (word & ~bit);
}

// Makes rows up to `rows` part of the store; a table that grows takes an eighth more room
// at a time.
void ColumnStore::growTo(int rows) {
    if (rows > capacity_) reserve(std::max(rows, capacity_ + capacity_ / 8 + 64));
    count_ = rows;
}

int ColumnStore::appendRow() {
    growTo(count_ + 1);
    return count_ - 1;
}

int ColumnStore::append(const Row& values) {
    const int r = appendRow();
    setRow(r, values);
    return r;
}

void ColumnStore::insertAt(int row, const Row& values) {
    growTo(count_ + 1);
    const int last = count_ - 1;
    for (Column& c : columns_) {
        switch (c.kind) {
            case Kind::Int32:
            case Kind::Text: std::move_backward(c.i32.begin() + row, c.i32.begin() + last, c.i32.begin() + last + 1); break;
            case Kind::Int64:
            case Kind::Date: std::move_backward(c.i64.begin() + row, c.i64.begin() + last, c.i64.begin() + last + 1); break;
            case Kind::Bool: std::move_backward(c.b.begin() + row, c.b.begin() + last, c.b.begin() + last + 1); break;
        }
        if (c.kind == Kind::Text) continue;
        for (int r = last; r > row; --r) setNullBit(c, r, nullBit(c, r - 1));
    }
    setRow(row, values);
}

void ColumnStore::removeAt(int row) {
    std::vector<char> keep(size_t(count_), 1);
    keep[size_t(row)] = 0;
    keepOnly(keep);
}

void ColumnStore::keepOnly(const std::vector<char>& keep) {
    int kept = 0;
    for (int r = 0; r < count_; ++r) kept += keep[size_t(r)] != 0;
    for (Column& c : columns_) {
        int to = 0;
        for (int r = 0; r < count_; ++r) {
            if (!keep[size_t(r)]) continue;
            if (to != r) {
                switch (c.kind) {
                    case Kind::Int32:
                    case Kind::Text: c.i32[size_t(to)] = c.i32[size_t(r)]; break;
                    case Kind::Int64:
                    case Kind::Date: c.i64[size_t(to)] = c.i64[size_t(r)]; break;
                    case Kind::Bool: c.b[size_t(to)] = c.b[size_t(r)]; break;
                }
                if (c.kind != Kind::Text) setNullBit(c, to, nullBit(c, r));
            }
            ++to;
        }
        // The rows given up become room again: null cells.
        for (int r = kept; r < count_; ++r) {
            if (c.kind == Kind::Text)
                c.i32[size_t(r)] = -1;
            else
                setNullBit(c, r, true);
        }
    }
    count_ = kept;
    for (Column& c : columns_)
        if (c.kind == Kind::Text) compactStrings(c);
}

// ------------------------------------------------------------ reading

bool ColumnStore::isNull(int row, int field) const {
    const Column& c = columns_[size_t(field)];
    if (c.kind == Kind::Text) return c.i32[size_t(row)] < 0;
    return nullBit(c, row);
}

QStringView ColumnStore::text(int row, int field) const {
    const Column& c = columns_[size_t(field)];
    if (c.kind != Kind::Text) return {};
    const qint32 i = c.i32[size_t(row)];
    return i < 0 ? QStringView() : c.textAt(i);
}

qint64 ColumnStore::number(int row, int field) const {
    const Column& c = columns_[size_t(field)];
    if (c.kind == Kind::Text || nullBit(c, row)) return 0;
    switch (c.kind) {
        case Kind::Int32: return c.i32[size_t(row)];
        case Kind::Int64:
        case Kind::Date: return c.i64[size_t(row)];
        case Kind::Bool: return c.b[size_t(row)];
        case Kind::Text: break;
    }
    return 0;
}

qint64 ColumnStore::moment(int row, int field) const { return number(row, field); }

QVariant ColumnStore::value(int row, int field) const {
    const Column& c = columns_[size_t(field)];
    if (c.kind == Kind::Text) {
        const qint32 i = c.i32[size_t(row)];
        return i < 0 ? QVariant() : QVariant(c.textAt(i).toString());
    }
    if (nullBit(c, row)) return {};
    switch (c.kind) {
        case Kind::Int32: return QVariant(int(c.i32[size_t(row)]));
        case Kind::Int64: return QVariant::fromValue<qint64>(c.i64[size_t(row)]);
        case Kind::Bool: return QVariant(c.b[size_t(row)] != 0);
        case Kind::Date: {
            const qint64 m = c.i64[size_t(row)];
            qint64 day = m / kMsPerDay, ms = m % kMsPerDay;
            if (ms < 0) {
                ms += kMsPerDay;
                --day;
            }
            const QDate d = QDate::fromJulianDay(day);
            if (ms == 0) return d;
            return QDateTime(d, QTime::fromMSecsSinceStartOfDay(int(ms)));
        }
        case Kind::Text: break;
    }
    return {};
}

Row ColumnStore::row(int row) const {
    Row r(fieldCount());
    for (int f = 0; f < fieldCount(); ++f) r[f] = value(row, f);
    return r;
}

int ColumnStore::textIndex(int row, int field) const { return columns_[size_t(field)].i32[size_t(row)]; }
int ColumnStore::textCount(int field) const { return columns_[size_t(field)].texts(); }
QStringView ColumnStore::textAt(int field, int index) const { return columns_[size_t(field)].textAt(index); }

// ------------------------------------------------------------ writing

void ColumnStore::setInt(int row, int field, qint32 v) {
    Column& c = columns_[size_t(field)];
    c.i32[size_t(row)] = v;
    setNullBit(c, row, false);
}

void ColumnStore::setInt64(int row, int field, qint64 v) {
    Column& c = columns_[size_t(field)];
    c.i64[size_t(row)] = v;
    setNullBit(c, row, false);
}

void ColumnStore::setBool(int row, int field, bool v) {
    Column& c = columns_[size_t(field)];
    c.b[size_t(row)] = v ? 1 : 0;
    setNullBit(c, row, false);
}

void ColumnStore::setDate(int row, int field, const QDate& d) {
    Column& c = columns_[size_t(field)];
    if (!d.isValid()) {
        setNullBit(c, row, true);
        return;
    }
    c.i64[size_t(row)] = d.toJulianDay() * kMsPerDay;
    setNullBit(c, row, false);
}

int ColumnStore::sharedText(Column& c, QStringView s) {
    if (!c.sharing) return addText(c, s);
    if (!c.shared) c.shared = std::make_shared<Column::Shared>();
    Column::Shared& t = *c.shared;
    const auto h = quint32(qHash(s, 0));
    const size_t at = t.find(c, s, h);
    if (t.entries[at] >= 0) return t.entries[at];
    const int index = addText(c, s);
    if (size_t(t.used) >= kMostShared) {
        c.sharing = false;
        c.shared.reset();
        return index;
    }
    t.entries[at] = index;
    t.hashes[at] = h;
    if (++t.used * 2 > int(t.entries.size())) t.grow();
    return index;
}

void ColumnStore::setTextUtf8(int row, int field, const char* s, int n) {
    // ASCII widened as it is, anything else decoded.
    decoded_.resize(size_t(n));
    bool ascii = true;
    for (int i = 0; i < n && ascii; ++i) {
        const auto ch = static_cast<unsigned char>(s[i]);
        ascii = ch < 0x80;
        decoded_[size_t(i)] = char16_t(ch);
    }
    if (!ascii) {
        const QString text = QString::fromUtf8(s, n);
        decoded_.assign(text.utf16(), text.utf16() + text.size());
    }
    columns_[size_t(field)].i32[size_t(row)] =
        sharedText(columns_[size_t(field)], QStringView(decoded_.data(), qsizetype(decoded_.size())));
}

void ColumnStore::setText(int row, int field, QStringView s) {
    Column& c = columns_[size_t(field)];
    const qint32 old = c.i32[size_t(row)];
    if (old >= 0 && c.textAt(old) == s) return;  // recomputed values are mostly unchanged
    c.i32[size_t(row)] = sharedText(c, s);
    // Replaced texts stay in the list until it holds many more than the rows.
    if (size_t(c.texts()) > 2 * size_t(count_) + 256) compactStrings(c);
}

// Drops the strings no row uses any more.
void ColumnStore::compactStrings(Column& c) {
    if (size_t(c.texts()) <= 2 * size_t(count_) + 256) return;
    std::vector<qint32> to(size_t(c.texts()), -1);
    TextArena kept;
    for (int r = 0; r < count_; ++r) {
        qint32& i = c.i32[size_t(r)];
        if (i < 0) continue;
        if (to[size_t(i)] < 0) to[size_t(i)] = kept.add(c.textAt(i));
        i = to[size_t(i)];
    }
    // The look-up held views of the old texts; equal texts are no longer found once.
    c.arena = std::move(kept);
    c.shared.reset();
    c.sharing = false;
}

void ColumnStore::set(int row, int field, const QVariant& v) {
    Column& c = columns_[size_t(field)];
    if (c.kind == Kind::Text) {
        if (v.isNull())
            c.i32[size_t(row)] = -1;
        else if (v.typeId() == QMetaType::QString)
            setText(row, field, QStringView(*static_cast<const QString*>(v.constData())));
        else
            setText(row, field, v.toString());
        return;
    }
    if (v.isNull()) {
        setNullBit(c, row, true);
        return;
    }
    switch (c.kind) {
        case Kind::Int32: setInt(row, field, qint32(v.toInt())); break;
        case Kind::Int64: setInt64(row, field, v.toLongLong()); break;
        case Kind::Bool: setBool(row, field, v.toBool()); break;
        case Kind::Date: {
            if (v.typeId() == QMetaType::QDateTime) {
                const QDateTime dt = v.toDateTime();
                if (!dt.isValid()) {
                    setNullBit(c, row, true);
                    break;
                }
                c.i64[size_t(row)] = dt.date().toJulianDay() * kMsPerDay + dt.time().msecsSinceStartOfDay();
                setNullBit(c, row, false);
            } else {
                setDate(row, field, v.toDate());
            }
            break;
        }
        case Kind::Text: break;
    }
}

void ColumnStore::setRow(int row, const Row& values) {
    for (int f = 0; f < fieldCount(); ++f) set(row, f, f < values.size() ? values[f] : QVariant());
}

// ------------------------------------------------------------ RowRef

QVariant RowRef::value(int field) const {
    if (store_) return field >= 0 && field < store_->fieldCount() ? store_->value(index_, field) : QVariant();
    return row_ ? row_->value(field) : QVariant();
}

bool RowRef::isNull(int field) const {
    if (store_) return field < 0 || field >= store_->fieldCount() || store_->isNull(index_, field);
    return !row_ || row_->value(field).isNull();
}

qint64 RowRef::number(int field) const {
    if (store_) return field >= 0 && field < store_->fieldCount() ? store_->number(index_, field) : 0;
    return row_ ? row_->value(field).toLongLong() : 0;
}

bool RowRef::text(int field, QStringView& out) const {
    if (store_) {
        if (field < 0 || field >= store_->fieldCount() || !store_->isTextField(field)) return false;
        out = store_->text(index_, field);
        return true;
    }
    if (!row_ || field < 0 || field >= row_->size()) return false;
    const QVariant& v = (*row_)[field];
    if (v.typeId() == QMetaType::QString) {
        out = *static_cast<const QString*>(v.constData());
        return true;
    }
    if (v.isNull()) {
        out = {};
        return true;
    }
    return false;
}

Row RowRef::toRow() const {
    if (store_) return store_->row(index_);
    return row_ ? *row_ : Row();
}

}  // namespace ferolind
