#include "sources.h"

#include "data/errors.h"
#include "data/foreigndatabase.h"
#include "data/safefile.h"
#include "data/values.h"
#include "delimited.h"
#include "sheetcells.h"
#include "sourcechild.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include <freexl.h>

#include <algorithm>
#include <cmath>

namespace ferolind::exchange {

SourceKind sourceKindOf(const QString& path) {
    if (path.endsWith(QLatin1String(".xls"))) return SourceKind::Xls;
    if (path.endsWith(QLatin1String(".xlsx"))) return SourceKind::Xlsx;
    if (path.endsWith(QLatin1String(".ods"))) return SourceKind::Ods;
    if (path.endsWith(QLatin1String(".mdb"))) return SourceKind::Mdb;
    return SourceKind::Text;
}

QString fileReadFailure(const QString& path) {
    const int error = errno;
    return fileErrorMessage(path, error ? error : EIO, FileAction::Read);
}

QByteArray readFileBytes(const QString& path) { return readWholeFile(path); }

QString numberText(double value) {
    if (!std::isfinite(value)) return {};
    if (value == std::floor(value) && std::fabs(value) < 1e15) return QString::number(qint64(value));
    QString t = QString::number(value, 'g', 15);
    t.replace(QLatin1Char('.'), QLatin1Char(','));
    return t;
}

QString serialDateText(double serial, bool date1904) {
    if (!std::isfinite(serial) || serial < -700000 || serial > 3000000) return numberText(serial);
    double days = std::floor(serial);
    qint64 ms = qint64(std::llround((serial - days) * 86400000.0));
    if (ms >= 86400000) {
        days += 1;
        ms = 0;
    }
    QDate base(1899, 12, 30);
    if (date1904)
        base = QDate(1904, 1, 1);
    else if (days < 61)
        base = QDate(1899, 12, 31);  // the workbook's 29 February 1900 that never was
    const QDate date = base.addDays(qint64(date1904 || days >= 61 ? days : days - 1));
    if (!date.isValid() || date.year() < 1 || date.year() > 9999) return numberText(serial);
    const QTime time = QTime::fromMSecsSinceStartOfDay(int(ms / 1000 * 1000));
    return time == QTime(0, 0) ? dateToText(date) : dateToText(QDateTime(date, time));
}

void trimLeadingEmpty(QVector<QStringList>& records) {
    auto rowEmpty = [](const QStringList& r) {
        for (const QString& c : r)
            if (!c.isEmpty()) return false;
        return true;
    };
    qsizetype firstRow = 0;
    while (firstRow < records.size() && rowEmpty(records[firstRow])) ++firstRow;
    records.remove(0, firstRow);
    qsizetype firstCol = -1;
    for (const QStringList& r : records)
        for (qsizetype c = 0; c < r.size() && (firstCol < 0 || c < firstCol); ++c)
            if (!r[c].isEmpty()) firstCol = c;
    if (firstCol > 0)
        for (QStringList& r : records) r.remove(0, std::min(firstCol, r.size()));
}

// --- .xls through libfreexl

namespace {

class XlsHandle {
public:
    explicit XlsHandle(const QString& path) {
        const int rc = freexl_open(QFile::encodeName(path).constData(), &handle_);
        if (rc != FREEXL_OK) {
            if (handle_) freexl_close(handle_);
            handle_ = nullptr;
            throw DataError(QStringLiteral("Die Datei ist keine lesbare Excel-Arbeitsmappe (.xls)."));
        }
    }
    ~XlsHandle() {
        if (handle_) freexl_close(handle_);
    }
    XlsHandle(const XlsHandle&) = delete;
    XlsHandle& operator=(const XlsHandle&) = delete;
    const void* get() const { return handle_; }
    QStringList sheetNames() const {
        unsigned int count = 0;
        if (freexl_get_info(handle_, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK)
            throw DataError(QStringLiteral("Die Arbeitsblätter der Arbeitsmappe können nicht gelesen werden."));
        QStringList names;
        for (unsigned int i = 0; i < count && i < 0xFFFF; ++i) {
            const char* name = nullptr;
            if (freexl_get_worksheet_name(handle_, (unsigned short)i, &name) != FREEXL_OK || !name)
                throw DataError(QStringLiteral("Die Arbeitsblätter der Arbeitsmappe können nicht gelesen werden."));
            names << QString::fromUtf8(name);
        }
        return names;
    }

private:
    const void* handle_ = nullptr;
};

QString xlsCellText(const FreeXL_CellValue& v) {
    switch (v.type) {
        case FREEXL_CELL_INT: return QString::number(v.value.int_value);
        case FREEXL_CELL_DOUBLE: return numberText(v.value.double_value);
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT: return v.value.text_value ? QString::fromUtf8(v.value.text_value) : QString();
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME: {
            const QString iso = v.value.text_value ? QString::fromUtf8(v.value.text_value) : QString();
            const QVariant d = parseDate(iso);
            return d.isNull() ? iso : dateToText(d);
        }
        case FREEXL_CELL_TIME: return v.value.text_value ? QString::fromUtf8(v.value.text_value) : QString();
        default: return {};
    }
}

}  // namespace

QStringList xlsSheetNames(const QString& path) { return XlsHandle(path).sheetNames(); }

SourceTable readXls(const QString& path, const QString& sheet) {
    XlsHandle xls(path);
    const QStringList names = xls.sheetNames();
    const qsizetype index = sheet.isEmpty() ? 0 : names.indexOf(sheet);
    if (names.isEmpty() || index < 0)
        throw DataError(QStringLiteral("Die Arbeitsmappe hat kein Arbeitsblatt »%1«.").arg(sheet));
    if (freexl_select_active_worksheet(xls.get(), (unsigned short)index) != FREEXL_OK)
        throw DataError(QStringLiteral("Das Arbeitsblatt »%1« kann nicht gelesen werden.").arg(names[index]));
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_worksheet_dimensions(xls.get(), &rows, &columns) != FREEXL_OK)
        throw DataError(QStringLiteral("Das Arbeitsblatt »%1« kann nicht gelesen werden.").arg(names[index]));
    // A sheet of this format holds at most 65,536 rows of 256 columns; a larger dimension
    // is a damaged header's claim; only the cells that are there count.
    rows = std::min(rows, 65536u);
    columns = std::min<unsigned short>(columns, 256);
    SheetCells cells;
    for (unsigned int r = 0; r < rows; ++r)
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue v;
            if (freexl_get_cell_value(xls.get(), r, c, &v) == FREEXL_OK) cells.add(int(r), int(c), xlsCellText(v));
        }
    SourceTable t;
    if (!cells.records(t.records))
        throw DataError(QStringLiteral("Das Arbeitsblatt »%1« ist zu groß.").arg(names[index]));
    return t;
}

// --- by kind

namespace {

bool isSqliteFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.read(16) == QByteArray("SQLite format 3", 16);
}

// A file that is there but cannot be opened (permission, a folder) is named as such, not
// as a file of the wrong kind.
void checkReadable(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw DataError(fileReadFailure(path));
    char byte;
    const ssize_t n = ::read(fd, &byte, 1);
    const int error = errno;
    ::close(fd);
    if (n < 0) {
        errno = error;
        throw DataError(fileReadFailure(path));
    }
}

// The readers' reasons name "Die Datei"; the user is told which.
template <typename F>
auto failingAs(const QString& path, F&& read) {
    checkReadable(path);
    try {
        return read();
    } catch (const DataError& e) {
        const QString name = QStringLiteral("»%1«").arg(QDir::toNativeSeparators(path));
        if (e.message().contains(name)) throw;
        QString message = e.message();
        if (message.startsWith(QLatin1String("Die Datei ist ")))
            message.insert(QStringLiteral("Die Datei").size(), QLatin1Char(' ') + name);
        else
            message = QStringLiteral("Die Datei %1 kann nicht gelesen werden: %2").arg(name, message);
        throw DataError(message);
    }
}

SourceTable textTable(const QStringList& names, const QVector<QVector<QString>>& rows) {
    SourceTable t;
    t.fieldNames = names;
    t.records.reserve(rows.size());
    for (const auto& r : rows) t.records << QStringList(r.begin(), r.end());
    return t;
}

}  // namespace

QStringList sourceTableNamesHere(const QString& path) {
    const SourceKind kind = sourceKindOf(path);
    if (kind == SourceKind::Text) {
        checkReadable(path);
        return {};
    }
    return failingAs(path, [&]() -> QStringList {
        switch (kind) {
            case SourceKind::Xls: return xlsSheetNames(path);
            case SourceKind::Xlsx: return xlsxSheetNames(readFileBytes(path));
            case SourceKind::Ods: return odsSheetNames(readFileBytes(path));
            case SourceKind::Mdb: return isSqliteFile(path) ? sqliteTableNames(path) : mdbTableNames(path);
            case SourceKind::Text: break;
        }
        return {};
    });
}

SourceTable readSourceHere(const QString& path, const QString& table) {
    return failingAs(path, [&]() -> SourceTable {
        switch (sourceKindOf(path)) {
            case SourceKind::Xls: return readXls(path, table);
            case SourceKind::Xlsx: return readXlsx(readFileBytes(path), table);
            case SourceKind::Ods: return readOds(readFileBytes(path), table);
            case SourceKind::Mdb:
                if (isSqliteFile(path)) {
                    const ForeignTable f = readSqliteTable(path, table);
                    return textTable(f.columns, f.cells);
                }
                return readMdb(path, table);
            case SourceKind::Text: break;
        }
        return SourceTable{};
    });
}

// Workbooks and database files are read by a child process where the program can start
// one. Text stays here: its reader is our own, its input fuzzed, and a 50,000-line file
// would cross the pipe twice for nothing.
QStringList sourceTableNames(const QString& path) {
    if (sourceKindOf(path) == SourceKind::Text) {
        checkReadable(path);
        return {};
    }
    return sourceReaderChildAvailable() ? tableNamesInChild(path) : sourceTableNamesHere(path);
}

SourceTable readSource(const QString& path, const QString& table, QChar separator, TextEncoding encoding,
                       TextEncoding* used) {
    if (sourceKindOf(path) == SourceKind::Text) {
        const DecodedText text = readTextFile(path, encoding);
        if (used) *used = text.encoding;
        SourceTable t;
        t.records = readDelimited(text.text, separator);
        return t;
    }
    return sourceReaderChildAvailable() ? readTableInChild(path, table) : readSourceHere(path, table);
}

bool hasTitleRecord(const SourceTable& source, bool userSaysTitle) {
    return userSaysTitle && source.fieldNames.isEmpty();
}

}  // namespace ferolind::exchange
