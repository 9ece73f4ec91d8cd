// Reading the tables of Jet database files (.mdb) through libmdb (mdbtools).
#include "data/errors.h"
#include "data/values.h"
#include "libraryguards.h"
#include "sheetcells.h"
#include "sources.h"

#include <QDateTime>

#include <QFile>
#include <QVector>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include <mdbtools.h>

namespace ferolind::exchange {

namespace {

constexpr size_t kBindSize = 65536;  // the longest text or memo a field gives whole
// A member table has a few dozen columns; each bound column costs kBindSize, so a damaged
// table definition claiming thousands is refused before anything is bound.
constexpr unsigned int kMaxColumns = 256;
constexpr qint64 kMaxRecords = 1048576;

class MdbFile {
public:
    explicit MdbFile(const QString& path) {
        if (!QFile::exists(path)) throw DataError(QStringLiteral("Die Datei »%1« ist nicht vorhanden.").arg(path));
        const StderrSilenced quiet;
        mdb_ = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
        if (!mdb_ || !mdb_read_catalog(mdb_, MDB_TABLE)) {
            if (mdb_) mdb_close(mdb_);
            mdb_ = nullptr;
            throw DataError(QStringLiteral("Die Datei ist keine lesbare Access-Datenbank (.mdb)."));
        }
        mdb_set_bind_size(mdb_, kBindSize);
    }
    ~MdbFile() {
        if (mdb_) mdb_close(mdb_);
    }
    MdbFile(const MdbFile&) = delete;
    MdbFile& operator=(const MdbFile&) = delete;
    MdbHandle* get() const { return mdb_; }

    // The user tables in catalog order (the engine's own system tables left out).
    QVector<MdbCatalogEntry*> tables() const {
        QVector<MdbCatalogEntry*> entries;
        for (unsigned int i = 0; i < mdb_->num_catalog; ++i) {
            auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb_->catalog, i));
            if (e->object_type == MDB_TABLE && !mdb_is_system_table(e)) entries << e;
        }
        return entries;
    }

private:
    MdbHandle* mdb_ = nullptr;
};

// A date field's text from its stored value: days since 30.12.1899 as a double, the
// time of day as the fraction's magnitude (also before 1899). Read from the row itself:
// the library's own conversion gives wrong dates for years before 1900.
QString dateText(MdbHandle* mdb, const MdbColumn* col) {
    if (col->cur_value_len != 8 || col->cur_value_start < 0 || col->cur_value_start + 8 > int(sizeof mdb->pg_buf))
        return {};
    double v = 0;
    std::memcpy(&v, mdb->pg_buf + col->cur_value_start, 8);
    if (!(v > -700000.0 && v < 3000000.0)) return {};
    const double days = v < 0 ? std::ceil(v) : std::floor(v);
    const double fraction = std::fabs(v - days);
    const qint64 ms = qint64(std::llround(fraction * 86400000.0));
    const QDate date = QDate(1899, 12, 30).addDays(qint64(days) + (ms >= 86400000 ? 1 : 0));
    if (!date.isValid() || date.year() < 1 || date.year() > 9999) return {};
    const QTime time = QTime::fromMSecsSinceStartOfDay(int(ms >= 86400000 ? 0 : ms / 1000 * 1000));
    return time == QTime(0, 0) ? dateToText(date) : dateToText(QDateTime(date, time));
}

QString decimalText(const char* s) {
    QString t = QString::fromUtf8(s);
    t.replace(QLatin1Char('.'), QLatin1Char(','));
    return t;
}

}  // namespace

QStringList mdbTableNames(const QString& path) {
    const MdbFile file(path);
    QStringList names;
    for (MdbCatalogEntry* e : file.tables()) names << QString::fromUtf8(e->object_name);
    return names;
}

SourceTable readMdb(const QString& path, const QString& table) {
    // The library writes the numbers of a row with printf: "." whatever the process locale.
    const CNumericScope cNumbers;
    const StderrSilenced quiet;
    const MdbFile file(path);
    MdbCatalogEntry* entry = nullptr;
    for (MdbCatalogEntry* e : file.tables())
        if (table.isEmpty() || QString::fromUtf8(e->object_name) == table) {
            entry = e;
            break;
        }
    if (!entry) throw DataError(QStringLiteral("Die Datenbank hat keine Tabelle »%1«.").arg(table));
    const QString name = QString::fromUtf8(entry->object_name);
    std::unique_ptr<MdbTableDef, void (*)(MdbTableDef*)> def(mdb_read_table(entry), mdb_free_tabledef);
    if (def && def->num_cols > kMaxColumns)
        throw DataError(QStringLiteral("Die Tabelle »%1« hat zu viele Spalten (mehr als %2).").arg(name).arg(kMaxColumns));
    if (!def || !mdb_read_columns(def.get()) || !def->columns || def->columns->len != def->num_cols)
        throw DataError(QStringLiteral("Die Tabelle »%1« kann nicht gelesen werden.").arg(name));
    mdb_rewind_table(def.get());
    const unsigned int n = def->num_cols;
    // A page chain that leads back to itself would give the same rows for ever.
    const qint64 maxRecords = std::min<qint64>(kMaxRecords, kMaxSheetCells / std::max(1u, n));
    std::vector<std::vector<char>> values(n, std::vector<char>(kBindSize + 1));
    std::vector<int> lengths(n, 0);
    SourceTable t;
    for (unsigned int c = 0; c < n; ++c) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(def->columns, c));
        t.fieldNames << QString::fromUtf8(col->name);
        mdb_bind_column(def.get(), int(c + 1), values[c].data(), &lengths[c]);
    }
    while (mdb_fetch_row(def.get())) {
        if (t.records.size() >= maxRecords)
            throw DataError(QStringLiteral("Die Tabelle »%1« hat zu viele Datensätze (mehr als %2).").arg(name).arg(maxRecords));
        QStringList record;
        for (unsigned int c = 0; c < n; ++c) {
            auto* col = static_cast<MdbColumn*>(g_ptr_array_index(def->columns, c));
            const char* s = values[c].data();
            switch (col->col_type) {
                case MDB_DATETIME: record << dateText(file.get(), col); break;
                case MDB_BOOL:
                    record << (std::strcmp(s, "0") != 0 && *s ? QStringLiteral("Wahr") : QStringLiteral("Falsch"));
                    break;
                case MDB_FLOAT:
                case MDB_DOUBLE:
                case MDB_MONEY:
                case MDB_NUMERIC: record << decimalText(s); break;
                case MDB_OLE:
                case MDB_BINARY: record << QString(); break;
                default: record << (lengths[c] > 0 ? QString::fromUtf8(s) : QString());
            }
        }
        t.records << record;
    }
    return t;
}

}  // namespace ferolind::exchange
