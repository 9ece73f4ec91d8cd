#include "exports.h"

#include "codepage.h"
#include "libraryguards.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "data/progress.h"
#include "data/safefile.h"
#include "data/values.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamWriter>

#include <xlsxwriter.h>
#include <zip.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <list>

namespace ferolind::exchange {

namespace {

// Check box captions of the member columns, in the order of the titles.
const char* const kMemberCaptions[] = {
    "Mitgliedsnr.", "Anrede",      "Vorname",     "Nachname",    "Strasse",  "Land",       "PLZ",
    "Ort",          "Telefon 1",   "Telefon 2",   "Telefax",     "e-Mail",   "Geburtsdat.", "Eintritt",
    "Austritt",     "Geschlecht",  "Status",      "Kontonr.",    "Kontoinh.", "BLZ",       "Bank",
    "Sonstiges 1",  "Sonstiges 2", "Sonstiges 3", "Sonstiges 4", "Jubiläum", "Beitrag bez. im akt. Jahr"};

constexpr int kProgressStep = 1000;

QString cellText(FieldType type, const QVariant& v) {
    if (type == FieldType::Currency && !v.isNull()) return moneyToFixed2(v.toLongLong());
    return valueToText(type, v);
}

// Writes the whole file at once, replacing the target only when every byte is written
// (AtomicFile: a crash or a full disk leaves the old file as it was).
class TextTarget {
public:
    explicit TextTarget(const QString& path) : file_(path) {}
    void line(const QString& text) {
        buffer_ += toWindows1252(text);
        buffer_ += "\r\n";
        if (buffer_.size() > (1 << 20)) flush();
    }
    void commit() {
        flush();
        file_.commit();
    }

private:
    void flush() {
        file_.write(buffer_);
        buffer_.clear();
    }
    AtomicFile file_;
    QByteArray buffer_;
};

// A delimited field: with a qualifier, qualified when it is written so or when it holds
// the separator, the qualifier or a line end, a qualifier inside doubled (RFC 4180), so
// that every reader gets the same cells back.
QString delimitedField(const QString& text, bool qualify, const ExportOptions& options) {
    if (options.qualifier.isNull()) return text;
    const bool needs = text.contains(options.separator) || text.contains(options.qualifier) ||
                       text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
    if (!qualify && !needs) return text;
    QString escaped = text;
    escaped.replace(options.qualifier, QString(2, options.qualifier));
    return options.qualifier + escaped + options.qualifier;
}

QString htmlText(const QString& text) { return text.toHtmlEscaped().replace(QLatin1Char('\''), QLatin1String("&#39;")); }

}  // namespace

QVector<ExportColumn> memberExportColumns(const FreeFieldLabels& labels) {
    const QStringList fields = memberColumnFields();
    const QStringList titles = memberColumnTitles(labels);
    QVector<ExportColumn> columns;
    int caption = 0;
    for (int i = 0; i < fields.size(); ++i) {
        // The fee class and the direct-debit flag are not exported.
        if (fields[i] == u"Betrag" || fields[i] == u"DTAUS") continue;
        columns.push_back({fields[i], QString::fromUtf8(kMemberCaptions[caption++]), titles[i]});
    }
    return columns;
}

const QVector<ExportColumn>& bookingExportColumns() {
    static const QVector<ExportColumn> columns = [] {
        const QStringList captions = {"Buchungsnr.", "Datum",  "Abs./Empf.", "Buchungstext",
                                      "SollHaben",   "Betrag", "Kategorie",  "Bestandskto."};
        QVector<ExportColumn> c;
        for (int i = 0; i < captions.size(); ++i)
            c.push_back({bookingColumnFields()[i], captions[i], bookingColumnTitles()[i]});
        return c;
    }();
    return columns;
}

ExportTable exportTable(const Dataset& d, const QVector<ExportColumn>& columns, const QVector<bool>& selected) {
    ExportTable t;
    QVector<int> fields;
    for (int i = 0; i < columns.size(); ++i) {
        if (i >= selected.size() || !selected[i]) continue;
        const int f = d.field(columns[i].field);
        fields << f;
        t.headings << columns[i].heading;
        t.types << d.fields()[f].type;
        t.bare << (i == 0);
    }
    t.cells.reserve(d.recordCount());
    t.values.reserve(d.recordCount());
    for (int p = 0; p < d.recordCount(); ++p) {
        const RowRef r = d.rowAt(p);
        QStringList cells;
        QVector<QVariant> values;
        cells.reserve(fields.size());
        values.reserve(fields.size());
        for (int c = 0; c < fields.size(); ++c) {
            cells << cellText(t.types[c], r[fields[c]]);
            values << r[fields[c]];
        }
        t.cells << cells;
        t.values << values;
    }
    return t;
}

QString firstBreakingCell(const ExportTable& table, const ExportOptions& options) {
    // With a qualifier every value is written so that it reads back whole.
    if (!options.qualifier.isNull()) return {};
    auto breaks = [&](const QString& cell) {
        return cell.contains(options.separator) || cell.contains(QLatin1Char('\n')) || cell.contains(QLatin1Char('\r'));
    };
    if (options.titleRow)
        for (const QString& h : table.headings)
            if (breaks(h)) return h;
    for (const QStringList& row : table.cells)
        for (const QString& cell : row)
            if (breaks(cell)) return cell;
    return {};
}

QString breakingCellWarning(const ExportTable& table, const ExportOptions& options) {
    const QString cell = firstBreakingCell(table, options);
    if (cell.isEmpty()) return {};
    return QStringLiteral("Der Wert »%1« enthält das Trennzeichen oder einen Zeilenumbruch; ohne Text-Kennzeichner "
                          "teilt oder verschiebt er beim Lesen der Datei die Felder.")
        .arg(cell);
}

void writeDelimited(const QString& path, const ExportTable& table, const ExportOptions& options) {
    const QString s(options.separator);
    Progress progress(QStringLiteral("Die Datei wird geschrieben"), int(table.cells.size()));
    TextTarget out(path);
    if (options.titleRow) {
        QString line;
        for (const QString& h : table.headings) line += delimitedField(h, true, options) + s;
        out.line(line);
    }
    for (qsizetype r = 0; r < table.cells.size(); ++r) {
        QString line;
        const QStringList& row = table.cells[r];
        for (qsizetype c = 0; c < row.size(); ++c) line += delimitedField(row[c], !table.bare[c], options) + s;
        out.line(line);
        if ((r + 1) % kProgressStep == 0) progress.step(int(r + 1));
    }
    out.commit();
}

void writeHtml(const QString& path, const ExportTable& table, bool titleRow) {
    Progress progress(QStringLiteral("Die Datei wird geschrieben"), int(table.cells.size()));
    TextTarget out(path);
    out.line(QStringLiteral("<HTML><HEAD><TITLE>Exportierte Mitglieder</TITLE>"));
    out.line(QStringLiteral("<META http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\"></HEAD>"));
    out.line(QStringLiteral("<BODY>"));
    out.line(QStringLiteral("<TABLE Border=\"1\" CellPadding=\"1\" CellSpacing=\"1\">"));
    out.line(QStringLiteral("<TR>"));
    if (titleRow)
        for (const QString& h : table.headings) out.line(QStringLiteral("<th>") + htmlText(h) + QStringLiteral("</th>"));
    out.line(QStringLiteral("</TR>"));
    for (qsizetype r = 0; r < table.cells.size(); ++r) {
        out.line(QStringLiteral("<TR>"));
        QString line;
        for (const QString& cell : table.cells[r]) line += QStringLiteral("<td>") + htmlText(cell) + QStringLiteral("</td>");
        out.line(line + QStringLiteral("</TR>"));
        if ((r + 1) % kProgressStep == 0) progress.step(int(r + 1));
    }
    out.line(QStringLiteral("</Table></BODY></HTML>"));
    out.commit();
}

namespace {

// The workbook's serial day number of a moment (days since 30.12.1899); the workbook
// counts a 29 February 1900 that never was, so only moments from 1 March 1900 on have one.
std::optional<double> serialOf(const QVariant& v) {
    const QDateTime t = toDateTime(v);
    if (!t.isValid() || t.date() < QDate(1900, 3, 1)) return std::nullopt;
    return double(QDate(1899, 12, 30).daysTo(t.date())) + t.time().msecsSinceStartOfDay() / 86400000.0;
}

// The sentence for a failed workbook: from the system's error number where the library
// left one that names the cause, else the library's own reason.
[[noreturn]] void workbookFailed(const QString& path, lxw_error e, int error) {
    const bool io = e == LXW_ERROR_CREATING_XLSX_FILE || e == LXW_ERROR_CREATING_TMPFILE ||
                    e == LXW_ERROR_READING_TMPFILE || e == LXW_ERROR_ZIP_FILE_OPERATION || e == LXW_ERROR_ZIP_FILE_ADD ||
                    e == LXW_ERROR_ZIP_CLOSE || e == LXW_ERROR_ZIP_INTERNAL_ERROR || e == LXW_ERROR_MEMORY_MALLOC_FAILED;
    if (io) {
        switch (error) {
            case ENOSPC:
            case EDQUOT:
            case EFBIG:
            case EACCES:
            case EPERM:
            case EROFS:
            case ENOENT:
            case ENOTDIR:
            case EIO: throw DataError(fileErrorMessage(path, error));
            default: break;
        }
    }
    const QString file = QDir::toNativeSeparators(path);
    if (e == LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE)
        throw DataError(QStringLiteral("Die Arbeitsmappe »%1« kann nicht geschrieben werden: ein Arbeitsblatt fasst "
                                       "höchstens 1.048.575 Datensätze.")
                            .arg(file));
    if (e == LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED)
        throw DataError(QStringLiteral("Die Arbeitsmappe »%1« kann nicht geschrieben werden: eine Zelle fasst höchstens "
                                       "32.767 Zeichen.")
                            .arg(file));
    throw DataError(QStringLiteral("Die Arbeitsmappe »%1« kann nicht geschrieben werden (%2).")
                        .arg(file, QString::fromUtf8(lxw_strerror(e))));
}

}  // namespace

void writeXlsx(const QString& path, const ExportTable& table) {
    // Written under a temporary name beside the target and put in its place when whole.
    AtomicFile target(path);
    const QByteArray tempName = QFile::encodeName(target.temporaryPath());
    // The library writes numbers with printf: "." whatever the process locale.
    const CNumericScope cNumbers;
    const StderrSilenced quiet;

    Progress progress(QStringLiteral("Die Datei wird geschrieben"), int(table.cells.size()));
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    errno = 0;
    lxw_workbook* book = workbook_new_opt(tempName.constData(), &options);
    if (!book) workbookFailed(path, LXW_ERROR_MEMORY_MALLOC_FAILED, errno);
    lxw_worksheet* sheet = workbook_add_worksheet(book, "Buchung");
    lxw_format* bold = workbook_add_format(book);
    format_set_bold(bold);
    lxw_format* date = workbook_add_format(book);
    format_set_num_format(date, "dd.mm.yyyy");
    lxw_format* moment = workbook_add_format(book);
    format_set_num_format(moment, "dd.mm.yyyy hh:mm:ss");
    lxw_format* money = workbook_add_format(book);
    format_set_num_format(money, "0.00");

    lxw_error e = LXW_NO_ERROR;
    for (qsizetype c = 0; c < table.headings.size() && e == LXW_NO_ERROR; ++c)
        e = worksheet_write_string(sheet, 0, lxw_col_t(c), table.headings[c].toUtf8().constData(), bold);
    for (qsizetype r = 0; r < table.values.size() && e == LXW_NO_ERROR; ++r) {
        const auto row = lxw_row_t(r + 1);
        for (qsizetype c = 0; c < table.values[r].size() && e == LXW_NO_ERROR; ++c) {
            const QVariant& v = table.values[r][c];
            if (v.isNull()) continue;
            const auto col = lxw_col_t(c);
            switch (table.types[c]) {
                case FieldType::Integer:
                case FieldType::AutoIncrement: e = worksheet_write_number(sheet, row, col, v.toInt(), nullptr); break;
                case FieldType::Currency:
                    e = worksheet_write_number(sheet, row, col, double(v.toLongLong()) / kMoneyUnit, money);
                    break;
                case FieldType::Date:
                    if (const auto serial = serialOf(v)) {
                        const bool hasTime = v.typeId() == QMetaType::QDateTime && toDateTime(v).time() != QTime(0, 0);
                        e = worksheet_write_number(sheet, row, col, *serial, hasTime ? moment : date);
                        break;
                    }
                    [[fallthrough]];
                default:
                    e = worksheet_write_string(sheet, row, col, table.cells[r][c].toUtf8().constData(), nullptr);
            }
        }
        if ((r + 1) % kProgressStep == 0) progress.step(int(r + 1));
    }
    const int writeError = errno;
    errno = 0;
    const lxw_error closed = workbook_close(book);
    const int closeError = errno;
    if (e != LXW_NO_ERROR) workbookFailed(path, e, writeError);
    if (closed != LXW_NO_ERROR) workbookFailed(path, closed, closeError);
    target.commit();
}

namespace {

// A decimal with "." and up to four places, exact from the fixed point amount.
QString moneyDecimal(Money m) {
    const bool negative = m < 0;
    const quint64 a = negative ? quint64(-(m + 1)) + 1 : quint64(m);
    QString t = QString::number(a / quint64(kMoneyUnit));
    const quint64 frac = a % quint64(kMoneyUnit);
    if (frac) {
        QString f = QString::number(frac).rightJustified(4, QLatin1Char('0'));
        while (f.endsWith(QLatin1Char('0'))) f.chop(1);
        t += QLatin1Char('.') + f;
    }
    return negative ? QLatin1Char('-') + t : t;
}

QByteArray odsContent(const ExportTable& table, Progress& progress) {
    QByteArray bytes;
    QXmlStreamWriter x(&bytes);
    x.writeStartDocument();
    const QString office = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
    const QString style = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:style:1.0");
    const QString text = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
    const QString tbl = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
    const QString fo = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0");
    const QString number = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0");
    x.writeNamespace(office, QStringLiteral("office"));
    x.writeNamespace(style, QStringLiteral("style"));
    x.writeNamespace(text, QStringLiteral("text"));
    x.writeNamespace(tbl, QStringLiteral("table"));
    x.writeNamespace(fo, QStringLiteral("fo"));
    x.writeNamespace(number, QStringLiteral("number"));
    x.writeStartElement(office, QStringLiteral("document-content"));
    x.writeAttribute(office, QStringLiteral("version"), QStringLiteral("1.2"));
    x.writeStartElement(office, QStringLiteral("automatic-styles"));
    // dd.mm.yyyy, dd.mm.yyyy hh:mm:ss and 0.00 as in the .xlsx workbook
    auto dateStyle = [&](const QString& name, bool withTime) {
        x.writeStartElement(number, QStringLiteral("date-style"));
        x.writeAttribute(style, QStringLiteral("name"), name);
        auto part = [&](const char* element, bool longForm) {
            x.writeEmptyElement(number, QString::fromLatin1(element));
            if (longForm) x.writeAttribute(number, QStringLiteral("style"), QStringLiteral("long"));
        };
        auto sep = [&](const char* t) { x.writeTextElement(number, QStringLiteral("text"), QString::fromLatin1(t)); };
        part("day", true), sep("."), part("month", true), sep("."), part("year", true);
        if (withTime) sep(" "), part("hours", true), sep(":"), part("minutes", true), sep(":"), part("seconds", true);
        x.writeEndElement();
    };
    dateStyle(QStringLiteral("N1"), false);
    dateStyle(QStringLiteral("N2"), true);
    x.writeStartElement(number, QStringLiteral("number-style"));
    x.writeAttribute(style, QStringLiteral("name"), QStringLiteral("N3"));
    x.writeEmptyElement(number, QStringLiteral("number"));
    x.writeAttribute(number, QStringLiteral("decimal-places"), QStringLiteral("2"));
    x.writeAttribute(number, QStringLiteral("min-integer-digits"), QStringLiteral("1"));
    x.writeEndElement();
    auto cellStyle = [&](const QString& name, const QString& dataStyle, bool bold) {
        x.writeStartElement(style, QStringLiteral("style"));
        x.writeAttribute(style, QStringLiteral("name"), name);
        x.writeAttribute(style, QStringLiteral("family"), QStringLiteral("table-cell"));
        if (!dataStyle.isEmpty()) x.writeAttribute(style, QStringLiteral("data-style-name"), dataStyle);
        if (bold) {
            x.writeEmptyElement(style, QStringLiteral("text-properties"));
            x.writeAttribute(fo, QStringLiteral("font-weight"), QStringLiteral("bold"));
        }
        x.writeEndElement();
    };
    cellStyle(QStringLiteral("ce1"), {}, true);
    cellStyle(QStringLiteral("ce2"), QStringLiteral("N1"), false);
    cellStyle(QStringLiteral("ce3"), QStringLiteral("N2"), false);
    cellStyle(QStringLiteral("ce4"), QStringLiteral("N3"), false);
    x.writeEndElement();  // automatic-styles
    x.writeStartElement(office, QStringLiteral("body"));
    x.writeStartElement(office, QStringLiteral("spreadsheet"));
    x.writeStartElement(tbl, QStringLiteral("table"));
    x.writeAttribute(tbl, QStringLiteral("name"), QStringLiteral("Buchung"));
    auto textCell = [&](const QString& value, const QString& styleName) {
        x.writeStartElement(tbl, QStringLiteral("table-cell"));
        if (!styleName.isEmpty()) x.writeAttribute(tbl, QStringLiteral("style-name"), styleName);
        x.writeAttribute(office, QStringLiteral("value-type"), QStringLiteral("string"));
        // a line end inside a value is a paragraph of its own
        for (const QString& line : value.split(QLatin1Char('\n'))) x.writeTextElement(text, QStringLiteral("p"), line);
        x.writeEndElement();
    };
    auto numberCell = [&](const QString& type, const QString& attribute, const QString& value, const QString& styleName,
                          const QString& shown) {
        x.writeStartElement(tbl, QStringLiteral("table-cell"));
        if (!styleName.isEmpty()) x.writeAttribute(tbl, QStringLiteral("style-name"), styleName);
        x.writeAttribute(office, QStringLiteral("value-type"), type);
        x.writeAttribute(office, attribute, value);
        x.writeTextElement(text, QStringLiteral("p"), shown);
        x.writeEndElement();
    };
    x.writeStartElement(tbl, QStringLiteral("table-row"));
    for (const QString& h : table.headings) textCell(h, QStringLiteral("ce1"));
    x.writeEndElement();
    for (qsizetype r = 0; r < table.values.size(); ++r) {
        x.writeStartElement(tbl, QStringLiteral("table-row"));
        for (qsizetype c = 0; c < table.values[r].size(); ++c) {
            const QVariant& v = table.values[r][c];
            const QString& shown = table.cells[r][c];
            if (v.isNull()) {
                x.writeEmptyElement(tbl, QStringLiteral("table-cell"));
                continue;
            }
            switch (table.types[c]) {
                case FieldType::Integer:
                case FieldType::AutoIncrement:
                    numberCell(QStringLiteral("float"), QStringLiteral("value"), QString::number(v.toLongLong()), {}, shown);
                    break;
                case FieldType::Currency:
                    numberCell(QStringLiteral("float"), QStringLiteral("value"), moneyDecimal(v.toLongLong()),
                               QStringLiteral("ce4"), shown);
                    break;
                case FieldType::Date: {
                    const QDateTime t = toDateTime(v);
                    if (t.isValid()) {
                        const bool hasTime = v.typeId() == QMetaType::QDateTime && t.time() != QTime(0, 0);
                        numberCell(QStringLiteral("date"), QStringLiteral("date-value"),
                                   hasTime ? t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))
                                           : t.date().toString(QStringLiteral("yyyy-MM-dd")),
                                   hasTime ? QStringLiteral("ce3") : QStringLiteral("ce2"), shown);
                        break;
                    }
                    textCell(shown, {});
                    break;
                }
                default: textCell(shown, {});
            }
        }
        x.writeEndElement();
        if ((r + 1) % kProgressStep == 0) progress.step(int(r + 1));
    }
    x.writeEndDocument();
    return bytes;
}

// A zip archive in memory; throws with the library's reason.
class ZipWriter {
public:
    ZipWriter() {
        zip_error_t error;
        zip_error_init(&error);
        source_ = zip_source_buffer_create(nullptr, 0, 0, &error);
        if (source_) {
            zip_ = zip_open_from_source(source_, ZIP_TRUNCATE, &error);
            if (zip_) zip_source_keep(source_);
        }
        zip_error_fini(&error);
        if (!zip_) fail();
    }
    ~ZipWriter() {
        if (zip_) zip_discard(zip_);
        if (source_) zip_source_free(source_);
    }
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    void add(const char* name, const QByteArray& bytes, bool stored) {
        parts_.push_back(bytes);
        const QByteArray& kept = parts_.back();
        zip_source_t* s = zip_source_buffer(zip_, kept.constData(), zip_uint64_t(kept.size()), 0);
        if (!s) fail();
        const zip_int64_t index = zip_file_add(zip_, name, s, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(s);
            fail();
        }
        if (stored && zip_set_file_compression(zip_, zip_uint64_t(index), ZIP_CM_STORE, 0) != 0) fail();
    }
    QByteArray finish() {
        if (zip_close(zip_) != 0) fail();
        zip_ = nullptr;
        QByteArray out;
        if (zip_source_open(source_) != 0) fail();
        char piece[65536];
        zip_int64_t n = 0;
        while ((n = zip_source_read(source_, piece, sizeof piece)) > 0) out.append(piece, qsizetype(n));
        zip_source_close(source_);
        if (n < 0) fail();
        return out;
    }

private:
    [[noreturn]] void fail() {
        throw DataError(QStringLiteral("Die OpenDocument-Tabelle kann nicht angelegt werden."));
    }
    zip_source_t* source_ = nullptr;
    zip_t* zip_ = nullptr;
    std::list<QByteArray> parts_;
};

}  // namespace

void writeOds(const QString& path, const ExportTable& table) {
    Progress progress(QStringLiteral("Die Datei wird geschrieben"), int(table.cells.size()));
    ZipWriter zip;
    // The media type first and uncompressed, so that a reader recognises the file by it.
    zip.add("mimetype", QByteArrayLiteral("application/vnd.oasis.opendocument.spreadsheet"), true);
    zip.add("META-INF/manifest.xml",
            QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                              "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" "
                              "manifest:version=\"1.2\">\n"
                              " <manifest:file-entry manifest:full-path=\"/\" manifest:version=\"1.2\" "
                              "manifest:media-type=\"application/vnd.oasis.opendocument.spreadsheet\"/>\n"
                              " <manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/>\n"
                              "</manifest:manifest>\n"),
            false);
    zip.add("content.xml", odsContent(table, progress), false);
    writeFileAtomically(path, zip.finish());
}

void writeExport(ExportFormat format, const QString& path, const ExportTable& table, ExportOptions options) {
    switch (format) {
        case ExportFormat::Csv:
            options.separator = QLatin1Char(',');
            options.qualifier = QLatin1Char('"');
            writeDelimited(path, table, options);
            break;
        case ExportFormat::Txt: writeDelimited(path, table, options); break;
        case ExportFormat::Html: writeHtml(path, table, options.titleRow); break;
        case ExportFormat::Excel: writeXlsx(path, table); break;
        case ExportFormat::Ods: writeOds(path, table); break;
    }
}

}  // namespace ferolind::exchange
