#include "exports.h"

#include "codepage.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "data/progress.h"
#include "data/values.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <xlsxwriter.h>

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

QString cannotWrite(const QString& path, const QString& reason) {
    return QStringLiteral("Die Datei »%1« kann nicht geschrieben werden: %2").arg(QDir::toNativeSeparators(path), reason);
}

// Writes the whole file at once, replacing the target only when every byte is written.
class TextTarget {
public:
    explicit TextTarget(const QString& path) : file_(path) {
        if (!file_.open(QIODevice::WriteOnly)) throw DataError(cannotWrite(path, file_.errorString()));
    }
    void line(const QString& text) {
        buffer_ += toWindows1252(text);
        buffer_ += "\r\n";
        if (buffer_.size() > (1 << 20)) flush();
    }
    void commit() {
        flush();
        if (!file_.commit()) throw DataError(cannotWrite(file_.fileName(), file_.errorString()));
    }

private:
    void flush() {
        if (file_.write(buffer_) != buffer_.size()) {
            const QString reason = file_.errorString();
            file_.cancelWriting();
            throw DataError(cannotWrite(file_.fileName(), reason));
        }
        buffer_.clear();
    }
    QSaveFile file_;
    QByteArray buffer_;
};

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
    for (const QStringList& row : table.cells)
        for (const QString& cell : row)
            if (cell.contains(options.separator) || (!options.qualifier.isNull() && cell.contains(options.qualifier)) ||
                cell.contains(QLatin1Char('\n')) || cell.contains(QLatin1Char('\r')))
                return cell;
    return {};
}

void writeDelimited(const QString& path, const ExportTable& table, const ExportOptions& options) {
    const QString q = options.qualifier.isNull() ? QString() : QString(options.qualifier);
    const QString s(options.separator);
    Progress progress(QStringLiteral("Die Datei wird geschrieben"), int(table.cells.size()));
    TextTarget out(path);
    if (options.titleRow) {
        QString line;
        for (const QString& h : table.headings) line += q + h + q + s;
        out.line(line);
    }
    for (qsizetype r = 0; r < table.cells.size(); ++r) {
        QString line;
        const QStringList& row = table.cells[r];
        for (qsizetype c = 0; c < row.size(); ++c) line += table.bare[c] ? row[c] + s : q + row[c] + q + s;
        out.line(line);
        if ((r + 1) % kProgressStep == 0) progress.step(int(r + 1));
    }
    out.commit();
}

void writeHtml(const QString& path, const ExportTable& table, bool titleRow) {
    Progress progress(QStringLiteral("Die Datei wird geschrieben"), int(table.cells.size()));
    TextTarget out(path);
    out.line(QStringLiteral("<HTML><HEAD><TITLE>Exportierte Mitglieder</TITLE>"));
    out.line(QStringLiteral("<META http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\"></HEAD>"));
    out.line(QStringLiteral("<BODY>"));
    out.line(QStringLiteral("<TABLE Border=\"1\" CellPadding=\"1\" CellSpacing=\"1\">"));
    out.line(QStringLiteral("<TR>"));
    if (titleRow)
        for (const QString& h : table.headings) out.line(QStringLiteral("<th>") + h + QStringLiteral("</th>"));
    out.line(QStringLiteral("</TR>"));
    for (qsizetype r = 0; r < table.cells.size(); ++r) {
        out.line(QStringLiteral("<TR>"));
        QString line;
        for (const QString& cell : table.cells[r]) line += QStringLiteral("<td>") + cell + QStringLiteral("</td>");
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

void check(lxw_error e, const QString& path) {
    if (e != LXW_NO_ERROR) throw DataError(cannotWrite(path, QString::fromUtf8(lxw_strerror(e))));
}

}  // namespace

void writeXlsx(const QString& path, const ExportTable& table) {
    const QFileInfo target(path);
    // The workbook is written beside the target first, so that a failure keeps the old one.
    QTemporaryFile temp(target.absoluteDir().filePath(QStringLiteral(".%1.XXXXXX").arg(target.fileName())));
    if (!temp.open()) throw DataError(cannotWrite(path, temp.errorString()));
    const QByteArray tempName = QFile::encodeName(temp.fileName());
    temp.close();

    Progress progress(QStringLiteral("Die Datei wird geschrieben"), int(table.cells.size()));
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(tempName.constData(), &options);
    if (!book) throw DataError(cannotWrite(path, QStringLiteral("Die Arbeitsmappe kann nicht angelegt werden.")));
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
    const lxw_error closed = workbook_close(book);
    if (e == LXW_NO_ERROR) e = closed;
    if (e != LXW_NO_ERROR) QFile::remove(temp.fileName());
    check(e, path);
    QFile::remove(path);
    if (!QFile::rename(temp.fileName(), path)) {
        QFile::remove(temp.fileName());
        throw DataError(cannotWrite(path, QStringLiteral("Die Datei kann nicht ersetzt werden.")));
    }
    // The temporary file was private to its owner; the workbook is readable like any new file.
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                    QFileDevice::ReadOther);
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
    }
}

}  // namespace ferolind::exchange
