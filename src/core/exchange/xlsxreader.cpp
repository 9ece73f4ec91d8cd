// Reading .xlsx and .ods workbooks: the zip container through libzip, its XML parts
// through QXmlStreamReader.
#include "data/errors.h"
#include "sheetcells.h"
#include "sources.h"

#include "data/values.h"

#include <QDateTime>
#include <QHash>
#include <QXmlStreamReader>

#include <zip.h>

#include <algorithm>
#include <memory>

namespace ferolind::exchange {

namespace {

constexpr zip_uint64_t kMaxPartSize = 256u << 20;  // a part larger than this is refused

DataError notAWorkbook(const QString& why) {
    return DataError(QStringLiteral("Die Datei ist keine lesbare Excel-Arbeitsmappe (.xlsx): %1").arg(why));
}

DataError notASpreadsheet(const QString& why) {
    return DataError(QStringLiteral("Die Datei ist keine lesbare OpenDocument-Tabelle (.ods): %1").arg(why));
}

// The zip library's reason in German (its own texts are English).
QString zipReason(int code) {
    switch (code) {
        case ZIP_ER_NOZIP: return QStringLiteral("sie ist kein ZIP-Archiv, wie es eine Arbeitsmappe ist");
        case ZIP_ER_INCONS:
        case ZIP_ER_CRC:
        case ZIP_ER_COMPNOTSUPP:
        case ZIP_ER_EOF: return QStringLiteral("ihr ZIP-Archiv ist beschädigt oder unvollständig");
        case ZIP_ER_ENCRNOTSUPP:
        case ZIP_ER_NOPASSWD:
        case ZIP_ER_WRONGPASSWD: return QStringLiteral("sie ist verschlüsselt");
        case ZIP_ER_MEMORY: return QStringLiteral("sie ist zu groß für den freien Arbeitsspeicher");
        default: return QStringLiteral("ihr ZIP-Archiv lässt sich nicht lesen (Fehler %1)").arg(code);
    }
}

class Archive {
public:
    explicit Archive(const QByteArray& bytes, DataError (*refuse)(const QString&) = notAWorkbook)
        : bytes_(bytes), refuse_(refuse) {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(bytes_.constData(), zip_uint64_t(bytes_.size()), 0, &error);
        if (source) {
            zip_ = zip_open_from_source(source, ZIP_RDONLY, &error);
            if (!zip_) zip_source_free(source);
        }
        const QString reason = zipReason(zip_error_code_zip(&error));
        zip_error_fini(&error);
        if (!zip_) throw refuse_(reason);
    }
    ~Archive() {
        if (zip_) zip_discard(zip_);
    }
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    bool has(const QString& name) const { return zip_name_locate(zip_, name.toUtf8().constData(), 0) >= 0; }
    // A part whole; read in pieces, so that a size the archive merely claims costs nothing.
    QByteArray part(const QString& name) const {
        const QByteArray n = name.toUtf8();
        zip_file_t* f = zip_fopen(zip_, n.constData(), 0);
        if (!f) throw refuse_(QStringLiteral("der Teil »%1« fehlt oder kann nicht gelesen werden").arg(name));
        QByteArray data;
        char piece[65536];
        zip_int64_t got = 0;
        while ((got = zip_fread(f, piece, sizeof piece)) > 0) {
            if (zip_uint64_t(data.size()) + zip_uint64_t(got) > kMaxPartSize) {
                zip_fclose(f);
                throw refuse_(QStringLiteral("der Teil »%1« ist zu groß").arg(name));
            }
            data.append(piece, qsizetype(got));
        }
        zip_fclose(f);
        if (got < 0) throw refuse_(QStringLiteral("der Teil »%1« ist beschädigt").arg(name));
        return data;
    }

private:
    QByteArray bytes_;
    DataError (*refuse_)(const QString&);
    zip_t* zip_ = nullptr;
};

void checkXml(const QXmlStreamReader& xml, const QString& part) {
    if (xml.hasError() && xml.error() != QXmlStreamReader::PrematureEndOfDocumentError)
        throw notAWorkbook(QStringLiteral("%1: %2").arg(part, xml.errorString()));
}

struct SheetRef {
    QString name;
    QString part;
};

struct Workbook {
    QVector<SheetRef> sheets;
    bool date1904 = false;
};

QString resolveTarget(const QString& target) {
    if (target.startsWith(QLatin1Char('/'))) return target.mid(1);
    QString t = target;
    while (t.startsWith(QLatin1String("../"))) t = t.mid(3);
    return t.startsWith(QLatin1String("xl/")) ? t : QStringLiteral("xl/") + t;
}

Workbook readWorkbook(const Archive& zip) {
    QHash<QString, QString> targets;
    if (zip.has(QStringLiteral("xl/_rels/workbook.xml.rels"))) {
        QXmlStreamReader rels(zip.part(QStringLiteral("xl/_rels/workbook.xml.rels")));
        while (!rels.atEnd()) {
            rels.readNext();
            if (rels.isStartElement() && rels.name() == u"Relationship")
                targets.insert(rels.attributes().value(QLatin1String("Id")).toString(),
                               resolveTarget(rels.attributes().value(QLatin1String("Target")).toString()));
        }
        checkXml(rels, QStringLiteral("workbook.xml.rels"));
    }
    Workbook book;
    QXmlStreamReader xml(zip.part(QStringLiteral("xl/workbook.xml")));
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        if (xml.name() == u"workbookPr") {
            const auto v = xml.attributes().value(QLatin1String("date1904"));
            book.date1904 = v == u"1" || v == u"true";
        } else if (xml.name() == u"sheet") {
            QString rid;
            for (const QXmlStreamAttribute& a : xml.attributes())
                if (a.name() == u"id") rid = a.value().toString();
            const QString part = targets.value(rid);
            if (!part.isEmpty()) book.sheets.push_back(SheetRef{xml.attributes().value(QLatin1String("name")).toString(), part});
        }
    }
    checkXml(xml, QStringLiteral("workbook.xml"));
    return book;
}

// The texts of <t> elements of the current element (a shared string or an inline one),
// phonetic runs left out.
QString runText(QXmlStreamReader& xml) {
    QString text;
    const QString end = xml.name().toString();
    int phonetic = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == u"rPh") ++phonetic;
            else if (xml.name() == u"t" && phonetic == 0) text += xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (xml.isEndElement()) {
            if (xml.name() == u"rPh") --phonetic;
            else if (xml.name() == end) break;
        }
    }
    return text;
}

QStringList readSharedStrings(const Archive& zip) {
    QStringList strings;
    if (!zip.has(QStringLiteral("xl/sharedStrings.xml"))) return strings;
    QXmlStreamReader xml(zip.part(QStringLiteral("xl/sharedStrings.xml")));
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"si") strings << runText(xml);
    }
    checkXml(xml, QStringLiteral("sharedStrings.xml"));
    return strings;
}

// Whether a number format shows a date (its codes outside quotes and brackets name a
// day, month or year).
bool isDateFormat(int id, const QString& code) {
    if ((id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58))
        return true;
    bool quoted = false;
    int bracket = 0;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (c == u'\\') {
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
        } else if (quoted) {
        } else if (c == u'[') {
            ++bracket;
        } else if (c == u']') {
            --bracket;
        } else if (bracket == 0) {
            const QChar l = c.toLower();
            if (l == u'd' || l == u'y' || l == u'j' || l == u't') return true;
        }
    }
    return false;
}

// Per cell style index: whether its number format is a date.
QVector<bool> readDateStyles(const Archive& zip) {
    QVector<bool> dates;
    if (!zip.has(QStringLiteral("xl/styles.xml"))) return dates;
    QHash<int, QString> codes;
    QXmlStreamReader xml(zip.part(QStringLiteral("xl/styles.xml")));
    bool inCellXfs = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == u"numFmt") {
                codes.insert(xml.attributes().value(QLatin1String("numFmtId")).toInt(), xml.attributes().value(QLatin1String("formatCode")).toString());
            } else if (xml.name() == u"cellXfs") {
                inCellXfs = true;
            } else if (inCellXfs && xml.name() == u"xf") {
                const int id = xml.attributes().value(QLatin1String("numFmtId")).toInt();
                dates << isDateFormat(id, codes.value(id));
            }
        } else if (xml.isEndElement() && xml.name() == u"cellXfs") {
            inCellXfs = false;
        }
    }
    checkXml(xml, QStringLiteral("styles.xml"));
    return dates;
}

// Column index of a cell reference ("C7" -> 2); -1 when it names none.
int columnOf(QStringView ref) {
    int col = 0;
    qsizetype i = 0;
    for (; i < ref.size() && ref[i].isLetter(); ++i) {
        const char16_t c = ref[i].toUpper().unicode();
        if (c < u'A' || c > u'Z' || col > 16384) return -1;
        col = col * 26 + (c - u'A' + 1);
    }
    return i == 0 || col > 16384 ? -1 : col - 1;
}

constexpr int kMaxColumns = 16384;
constexpr int kMaxRows = 1048576;

}  // namespace

QStringList xlsxSheetNames(const QByteArray& fileBytes) {
    const Archive zip(fileBytes);
    QStringList names;
    for (const SheetRef& s : readWorkbook(zip).sheets) names << s.name;
    return names;
}

SourceTable readXlsx(const QByteArray& fileBytes, const QString& sheet) {
    const Archive zip(fileBytes);
    const Workbook book = readWorkbook(zip);
    const SheetRef* ref = nullptr;
    for (const SheetRef& s : book.sheets)
        if (sheet.isEmpty() || s.name == sheet) {
            ref = &s;
            break;
        }
    if (!ref) throw DataError(QStringLiteral("Die Arbeitsmappe hat kein Arbeitsblatt »%1«.").arg(sheet));
    const QStringList strings = readSharedStrings(zip);
    const QVector<bool> dateStyles = readDateStyles(zip);

    SourceTable t;
    SheetCells cells;
    QXmlStreamReader xml(zip.part(ref->part));
    int row = -1;
    int nextCol = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        if (xml.name() == u"row") {
            bool ok = false;
            const int r = xml.attributes().value(QLatin1String("r")).toInt(&ok) - 1;
            row = ok && r > row ? r : row + 1;
            nextCol = 0;
            if (row >= kMaxRows) throw notAWorkbook(QStringLiteral("zu viele Zeilen"));
        } else if (xml.name() == u"c") {
            if (row < 0) row = 0;
            const QXmlStreamAttributes a = xml.attributes();
            const QString type = a.value(QLatin1String("t")).toString();
            bool styled = false;
            const int style = a.value(QLatin1String("s")).toInt(&styled);
            int col = a.hasAttribute(QLatin1String("r")) ? columnOf(a.value(QLatin1String("r"))) : -1;
            QString value;
            bool haveInline = false;
            while (!xml.atEnd()) {
                xml.readNext();
                if (xml.isEndElement() && xml.name() == u"c") break;
                if (!xml.isStartElement()) continue;
                if (xml.name() == u"v") value = xml.readElementText();
                else if (xml.name() == u"is") {
                    value = runText(xml);
                    haveInline = true;
                }
            }
            QString text;
            if (type == u"s") {
                bool ok = false;
                const int i = value.toInt(&ok);
                text = ok && i >= 0 && i < strings.size() ? strings[i] : QString();
            } else if (type == u"inlineStr" || haveInline || type == u"str") {
                text = value;
            } else if (type == u"b") {
                text = value == u"1" ? QStringLiteral("Wahr") : QStringLiteral("Falsch");
            } else if (type == u"e") {
                text.clear();
            } else if (!value.isEmpty()) {
                bool ok = false;
                const double d = value.toDouble(&ok);
                if (!ok) text = value;
                else if (styled && style >= 0 && style < dateStyles.size() && dateStyles[style])
                    text = serialDateText(d, book.date1904);
                else text = numberText(d);
            }
            if (col < 0) col = nextCol;
            nextCol = col + 1;
            if (col >= kMaxColumns) throw notAWorkbook(QStringLiteral("zu viele Spalten"));
            cells.add(row, col, text);
        }
    }
    checkXml(xml, ref->part);
    if (!cells.records(t.records)) throw notAWorkbook(QStringLiteral("das Arbeitsblatt ist zu groß"));
    return t;
}

// --- .ods: content.xml holds every sheet as a table:table

namespace {

// The text of a cell's paragraphs: spans and links kept, <text:s text:c="n"/> as n
// spaces, tabs and line breaks as such, paragraphs joined by line ends; annotations left out.
QString odsCellText(QXmlStreamReader& xml) {
    QString text;
    int paragraphs = 0;
    int skip = 0;
    int depth = 1;
    while (!xml.atEnd() && depth > 0) {
        xml.readNext();
        if (xml.isStartElement()) {
            ++depth;
            const QStringView n = xml.name();
            if (n == u"annotation") ++skip;
            if (skip) continue;
            if (n == u"p" || n == u"h") {
                if (paragraphs++ > 0) text += QLatin1Char('\n');
            } else if (n == u"s") {
                bool ok = false;
                const int c = xml.attributes().value(QLatin1String("text:c")).toInt(&ok);
                text += QString(ok ? std::clamp(c, 0, 1024) : 1, QLatin1Char(' '));
            } else if (n == u"tab") {
                text += QLatin1Char('\t');
            } else if (n == u"line-break") {
                text += QLatin1Char('\n');
            }
        } else if (xml.isEndElement()) {
            --depth;
            if (xml.name() == u"annotation") --skip;
        } else if (xml.isCharacters() && !skip && paragraphs > 0) {
            text += xml.text();
        }
    }
    return text;
}

QString odsValueText(const QXmlStreamAttributes& a, QXmlStreamReader& xml) {
    const QStringView type = a.value(QLatin1String("office:value-type"));
    const QString shown = odsCellText(xml);
    if (type == u"float" || type == u"percentage" || type == u"currency") {
        bool ok = false;
        const double d = a.value(QLatin1String("office:value")).toDouble(&ok);
        return ok ? numberText(d) : shown;
    }
    if (type == u"date") {
        const QString iso = a.value(QLatin1String("office:date-value")).toString();
        const QDateTime t = QDateTime::fromString(iso, Qt::ISODate);
        if (t.isValid())
            return t.time() == QTime(0, 0) ? dateToText(t.date()) : dateToText(QDateTime(t.date(), t.time()));
        const QDate d = QDate::fromString(iso, Qt::ISODate);
        return d.isValid() ? dateToText(d) : shown;
    }
    if (type == u"boolean") {
        const QStringView b = a.value(QLatin1String("office:boolean-value"));
        return b == u"true" || b == u"1" ? QStringLiteral("Wahr") : QStringLiteral("Falsch");
    }
    return shown;
}

// A repetition count; more than a sheet has rows counts as that many (no overflow).
int repeatOf(const QXmlStreamAttributes& a, QLatin1String name) {
    bool ok = false;
    const int n = a.value(name).toInt(&ok);
    return ok && n > 0 ? std::min(n, kMaxRows + 1) : 1;
}

// Every sheet's name, and the records of the one asked for (empty name: the first; a
// null name: none).
QStringList readContent(const QByteArray& bytes, const QString* sheet, SourceTable* out) {
    const Archive zip(bytes, notASpreadsheet);
    QXmlStreamReader xml(zip.part(QStringLiteral("content.xml")));
    QStringList names;
    bool reading = false, found = false;
    int row = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == u"table" && reading) {
            reading = false;
            continue;
        }
        if (!xml.isStartElement()) continue;
        if (xml.name() == u"table" && xml.namespaceUri().endsWith(u":table:1.0")) {
            const QString name = xml.attributes().value(QLatin1String("table:name")).toString();
            names << name;
            reading = sheet && out && !found && (sheet->isEmpty() || name == *sheet);
            if (reading) {
                found = true;
                row = 0;
            }
        } else if (reading && xml.name() == u"table-row") {
            const int rows = repeatOf(xml.attributes(), QLatin1String("table:number-rows-repeated"));
            QStringList record;
            int col = 0;
            bool any = false;
            int depth = 1;
            while (!xml.atEnd() && depth > 0) {
                xml.readNext();
                if (xml.isEndElement()) {
                    --depth;
                    continue;
                }
                if (!xml.isStartElement()) continue;
                if (xml.name() != u"table-cell" && xml.name() != u"covered-table-cell") {
                    xml.skipCurrentElement();
                    continue;
                }
                const QXmlStreamAttributes a = xml.attributes();
                const int repeat = repeatOf(a, QLatin1String("table:number-columns-repeated"));
                const QString text = odsValueText(a, xml);  // reads to the cell's end
                if (!text.isEmpty()) {
                    if (col + repeat > kMaxColumns) throw notASpreadsheet(QStringLiteral("zu viele Spalten"));
                    while (record.size() < col) record << QString();
                    for (int i = 0; i < repeat; ++i) record << text;
                    any = true;
                }
                col = std::min(col + repeat, kMaxColumns + 1);
            }
            if (any) {
                if (row + rows > kMaxRows) throw notASpreadsheet(QStringLiteral("zu viele Zeilen"));
                if (out->records.size() < row) out->records.resize(row);
                for (int i = 0; i < rows; ++i) out->records << record;
            }
            row = std::min(row + rows, kMaxRows + 1);
        }
    }
    if (xml.hasError() && xml.error() != QXmlStreamReader::PrematureEndOfDocumentError)
        throw notASpreadsheet(QStringLiteral("content.xml: %1").arg(xml.errorString()));
    if (sheet && out && !found)
        throw DataError(QStringLiteral("Die Tabelle hat kein Arbeitsblatt »%1«.").arg(*sheet));
    if (out) trimLeadingEmpty(out->records);
    return names;
}

}  // namespace

QByteArray zipPart(const QByteArray& zipBytes, const QString& name) { return Archive(zipBytes).part(name); }

QStringList odsSheetNames(const QByteArray& fileBytes) { return readContent(fileBytes, nullptr, nullptr); }

SourceTable readOds(const QByteArray& fileBytes, const QString& sheet) {
    SourceTable t;
    readContent(fileBytes, &sheet, &t);
    return t;
}

}  // namespace ferolind::exchange
