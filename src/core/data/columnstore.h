// The rows of a dataset in typed columns: whole numbers in flat 32-bit arrays, amounts in
// 64-bit ones, Yes/No in bytes, dates as millisecond numbers, texts as indexes into the
// column's texts (their characters in a TextArena; equal texts of a column with few distinct
// ones kept once); a null bit per cell beside the numbers. A cell becomes a QVariant
// (field.h's conventions) only when someone asks for it, so that a table of hundreds of
// thousands of rows takes a few bytes a cell instead of a QVariant each.
#pragma once

#include "field.h"

#include <QDate>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ferolind {

// The texts of a column: each text's length and characters in chunks of 64K characters
// that never move, so that a view of a text stays valid while texts are added, and the
// texts take little more than their characters (no allocation per text, no doubling copy).
class TextArena {
public:
    TextArena() = default;
    TextArena(const TextArena& other) { *this = other; }
    TextArena& operator=(const TextArena& other);
    TextArena(TextArena&&) noexcept = default;
    TextArena& operator=(TextArena&&) noexcept = default;

    int size() const { return int(starts_.size()); }
    QStringView at(int i) const;
    int add(QStringView s);  // returns the text's index

private:
    static constexpr quint32 kChunk = 1u << 16;
    std::vector<std::unique_ptr<char16_t[]>> chunks_;
    std::vector<quint32> chunkSizes_;
    std::vector<quint32> starts_;  // chunk << 16 | place in the chunk
    quint32 used_ = kChunk;        // characters used of the last chunk
};

class ColumnStore {
public:
    ColumnStore() = default;
    explicit ColumnStore(const FieldList& fields);

    int size() const { return count_; }
    int fieldCount() const { return int(columns_.size()); }
    void reserve(int rows);
    void clear();

    // --- reading one cell
    QVariant value(int row, int field) const;
    bool isNull(int row, int field) const;
    // The text of a text cell without a copy (valid until the column's texts are compacted,
    // which a write to the column or a removal of rows may do); a null view for a cell
    // without a text.
    QStringView text(int row, int field) const;
    // Whole numbers, amounts and Yes/No as a number (0 for a null cell).
    qint64 number(int row, int field) const;
    // A date cell as milliseconds from the start of the Julian day count, so that dates
    // order as numbers (a date without time at the start of its day).
    qint64 moment(int row, int field) const;
    Row row(int row) const;
    bool isTextField(int field) const { return columns_[size_t(field)].kind == Kind::Text; }

    // --- writing: values in the form field.h gives (others are converted to the field's type)
    void set(int row, int field, const QVariant& v);
    void setRow(int row, const Row& values);
    int append(const Row& values);  // returns the new row's index
    void insertAt(int row, const Row& values);
    void removeAt(int row);
    // Keeps the rows whose flag is set, in their order.
    void keepOnly(const std::vector<char>& keep);

    // --- filling from a reader, one row after another: appendRow() starts a row with every
    // cell null, the typed setters fill its cells.
    int appendRow();
    void setInt(int row, int field, qint32 v);
    void setInt64(int row, int field, qint64 v);
    void setBool(int row, int field, bool v);
    void setDate(int row, int field, const QDate& d);
    // A text shared with the column's earlier equal texts where the column shares them.
    void setTextUtf8(int row, int field, const char* s, int n);
    void setText(int row, int field, QStringView s);

    // --- texts by their index in the column's texts (sorting ranks each text once)
    int textIndex(int row, int field) const;  // -1 for a null cell
    int textCount(int field) const;
    QStringView textAt(int field, int index) const;

private:
    enum class Kind : quint8 { Int32, Int64, Bool, Date, Text };
    struct Column {
        Kind kind = Kind::Text;
        std::vector<qint32> i32;  // Int32; Text: index of the cell's text, -1 for none
        std::vector<qint64> i64;  // Int64, Date
        std::vector<quint8> b;    // Bool
        std::vector<quint64> nulls;  // Int32, Int64, Bool, Date: a set bit is a null cell
        TextArena arena;  // Text
        int texts() const { return arena.size(); }
        QStringView textAt(int i) const { return arena.at(i); }
        // Equal texts of the column kept once while it has few distinct ones; a copy of the
        // column (its texts elsewhere) does not look them up.
        struct Shared;
        std::shared_ptr<Shared> shared;
        bool sharing = true;
        Column() = default;
        Column(const Column& o);
        Column& operator=(const Column& o);
        Column(Column&&) noexcept = default;
        Column& operator=(Column&&) noexcept = default;
    };
    static bool nullBit(const Column& c, int row) { return (c.nulls[size_t(row) >> 6] >> (row & 63)) & 1u; }
    static void setNullBit(Column& c, int row, bool on);
    void growTo(int rows);
    static int addText(Column& c, QStringView s) { return c.arena.add(s); }
    // A text of the column: an equal one kept already where the column shares them.
    static int sharedText(Column& c, QStringView s);
    void compactStrings(Column& c);

    std::vector<Column> columns_;
    std::u16string decoded_;  // a text read, before it is kept
    int count_ = 0;
    int capacity_ = 0;
};

// One row of a dataset to read: a row of the column store, or a row held whole (the edit
// buffer, a row read for a compute rule). Cheap to copy; valid while the row is.
class RowRef {
public:
    RowRef() = default;
    RowRef(const Row& row) : row_(&row) {}  // NOLINT: a held row reads like a stored one
    RowRef(const ColumnStore& store, int index) : store_(&store), index_(index) {}

    int size() const { return store_ ? store_->fieldCount() : (row_ ? int(row_->size()) : 0); }
    QVariant operator[](int field) const { return value(field); }
    QVariant value(int field) const;
    bool isNull(int field) const;
    // A whole number, amount or Yes/No without a QVariant (0 for none).
    qint64 number(int field) const;
    // A text cell's text without a copy: true for a cell of a text (`out` a null view when
    // it holds none), false for other cells.
    bool text(int field, QStringView& out) const;
    Row toRow() const;

private:
    const Row* row_ = nullptr;
    const ColumnStore* store_ = nullptr;
    int index_ = -1;
};

// A row the compute rules fill: every field to read, the calculated ones to set.
class RowAccess {
public:
    explicit RowAccess(Row& row) : row_(&row) {}
    RowAccess(ColumnStore& store, int index) : store_(&store), index_(index) {}
    QVariant operator[](int field) const { return value(field); }
    QVariant value(int field) const { return store_ ? store_->value(index_, field) : row_->value(field); }
    bool isNull(int field) const { return store_ ? store_->isNull(index_, field) : row_->value(field).isNull(); }
    void set(int field, const QVariant& v) {
        if (store_)
            store_->set(index_, field, v);
        else
            (*row_)[field] = v;
    }

private:
    Row* row_ = nullptr;
    ColumnStore* store_ = nullptr;
    int index_ = -1;
};

}  // namespace ferolind
