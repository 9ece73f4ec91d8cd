#include "rowsetxml.h"

#include "errors.h"
#include "safefile.h"
#include "values.h"

#include <QBuffer>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTime>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <limits>
#include <optional>

namespace ferolind {

namespace {

// Namespaces of the ADO persistence format. The prefixes are what ADO writes; the reader
// goes by the URIs only.
const QString kNsSchema = QStringLiteral("uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882");
const QString kNsDatatype = QStringLiteral("uuid:C2F41010-65B3-11d1-A29F-00AA00C14882");
const QString kNsRowset = QStringLiteral("urn:schemas-microsoft-com:rowset");
const QString kNsRow = QStringLiteral("#RowsetSchema");

// ADO's declared length of a long text column.
constexpr int kMemoMaxLength = 536870910;

QString typeName(FieldType t) {
    switch (t) {
        case FieldType::AutoIncrement: return QStringLiteral("Zähler");
        case FieldType::Integer: return QStringLiteral("Ganzzahl");
        case FieldType::Text: return QStringLiteral("Text");
        case FieldType::Memo: return QStringLiteral("Memo");
        case FieldType::Date: return QStringLiteral("Datum");
        case FieldType::Bool: return QStringLiteral("Wahrheitswert");
        case FieldType::Currency: return QStringLiteral("Währung");
    }
    return QString();
}

bool isNullValue(const QVariant& v) { return !v.isValid() || v.isNull(); }

// XML 1.0 cannot carry most control characters, not even as character references: the
// same check every text passes on its way into the club file.
bool isXmlText(const QString& s) { return isStorableText(s); }

// ADO keeps a column name as attribute name only when it is a plain identifier; any
// other column is written under the short name c<ordinal-1> with the real name in rs:name.
bool isPlainColumnName(const QString& name) {
    if (name.isEmpty() || name.at(0).isDigit()) return false;
    for (QChar c : name) {
        const char16_t u = c.unicode();
        const bool ok = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '_';
        if (!ok) return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------
// Value texts

QString moneyToXml(qint64 m) {
    const quint64 magnitude = m < 0 ? 0 - quint64(m) : quint64(m);
    QString text = QString::number(magnitude / 10000);
    const quint64 fraction = magnitude % 10000;
    if (fraction != 0) {
        QString digits = QStringLiteral("%1").arg(fraction, 4, 10, QLatin1Char('0'));
        while (digits.endsWith(QLatin1Char('0'))) digits.chop(1);
        text += QLatin1Char('.') + digits;
    }
    return m < 0 ? QLatin1Char('-') + text : text;
}

// Exact decimal to 1/10000 without going through double; further decimals are rounded,
// halves to even. nullopt on anything but [+-]digits[.digits] or on overflow.
std::optional<qint64> moneyFromXml(QStringView text) {
    text = text.trimmed();
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    const qsizetype point = text.indexOf(u'.');
    const QStringView intPart = point < 0 ? text : text.left(point);
    const QStringView fracPart = point < 0 ? QStringView() : text.mid(point + 1);
    if (intPart.isEmpty() && fracPart.isEmpty()) return std::nullopt;
    auto allDigits = [](QStringView s) {
        return std::all_of(s.begin(), s.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    };
    if (!allDigits(intPart) || !allDigits(fracPart)) return std::nullopt;

    quint64 units = 0;
    auto addDigit = [&units](int d) {
        return !__builtin_mul_overflow(units, quint64(10), &units) &&
               !__builtin_add_overflow(units, quint64(d), &units);
    };
    for (QChar c : intPart)
        if (!addDigit(c.unicode() - u'0')) return std::nullopt;
    for (int i = 0; i < 4; ++i)
        if (!addDigit(i < fracPart.size() ? fracPart.at(i).unicode() - u'0' : 0)) return std::nullopt;
    if (fracPart.size() > 4) {
        const int next = fracPart.at(4).unicode() - u'0';
        const bool restNonZero = std::any_of(fracPart.begin() + 5, fracPart.end(), [](QChar c) { return c != u'0'; });
        if (next > 5 || (next == 5 && (restNonZero || units % 2 == 1)))
            if (__builtin_add_overflow(units, quint64(1), &units)) return std::nullopt;
    }
    const quint64 limit = quint64(std::numeric_limits<qint64>::max()) + (negative ? 1 : 0);
    if (units > limit) return std::nullopt;
    return negative ? qint64(0 - units) : qint64(units);
}

QString dateToXml(const QDate& d, const QTime& t) {
    return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d", d.year(), d.month(), d.day(), t.hour(), t.minute(),
                             t.second());
}

// Reads `count` ASCII digits at `pos` of s; -1 when they are not all digits.
int digitsAt(QStringView s, qsizetype pos, int count) {
    if (pos + count > s.size()) return -1;
    int n = 0;
    for (int i = 0; i < count; ++i) {
        const char16_t c = s[pos + i].unicode();
        if (c < u'0' || c > u'9') return -1;
        n = n * 10 + (c - u'0');
    }
    return n;
}

// "yyyy-MM-dd", optionally followed by "Thh:mm[:ss[.fff]]" (or a blank instead of the T)
// and a zone suffix ("Z", "+01:00", "-0130"), which is ignored: the wall-clock time is
// what the table holds. Midnight gives a QDate; anything else that is no moment an
// invalid QVariant. ADO writes "2024-03-01T00:00:00" for dateTime and "2024-03-01" for date.
QVariant dateFromXml(QStringView text) {
    text = text.trimmed();
    const int year = digitsAt(text, 0, 4);
    if (year < 0 || text.size() < 10 || text[4] != u'-' || text[7] != u'-') return QVariant();
    const int month = digitsAt(text, 5, 2), day = digitsAt(text, 8, 2);
    if (month < 0 || day < 0) return QVariant();
    const QDate date(year, month, day);
    if (!date.isValid()) return QVariant();
    qsizetype pos = 10;
    int hour = 0, minute = 0, second = 0, ms = 0;
    bool haveTime = false;
    if (pos < text.size() && (text[pos] == u'T' || text[pos] == u' ')) {
        hour = digitsAt(text, pos + 1, 2);
        if (hour < 0 || pos + 3 >= text.size() || text[pos + 3] != u':') return QVariant();
        minute = digitsAt(text, pos + 4, 2);
        if (minute < 0) return QVariant();
        pos += 6;
        haveTime = true;
        if (pos < text.size() && text[pos] == u':') {
            second = digitsAt(text, pos + 1, 2);
            if (second < 0) return QVariant();
            pos += 3;
            if (pos < text.size() && (text[pos] == u'.' || text[pos] == u',')) {
                const qsizetype first = ++pos;
                int scale = 100;
                while (pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9') {
                    ms += (text[pos].unicode() - u'0') * scale;  // milliseconds; finer digits are dropped
                    scale /= 10;
                    ++pos;
                }
                if (pos == first) return QVariant();
            }
        }
    }
    // The zone suffix.
    if (pos < text.size()) {
        const QStringView zone = text.mid(pos);
        const bool utc = zone == u"Z";
        const bool offset = (zone[0] == u'+' || zone[0] == u'-') && digitsAt(zone, 1, 2) >= 0 &&
                            ((zone.size() == 6 && zone[3] == u':' && digitsAt(zone, 4, 2) >= 0) ||
                             (zone.size() == 5 && digitsAt(zone, 3, 2) >= 0));
        if (!utc && !offset) return QVariant();
    }
    if (!haveTime) return date;
    const QTime time(hour, minute, second, ms);
    if (!time.isValid()) return QVariant();
    if (time == QTime(0, 0)) return date;
    return QDateTime(date, time);
}

std::optional<bool> boolFromXml(QStringView text) {
    const QStringView t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || t == u"1" || t == u"-1") return true;
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 || t == u"0") return false;
    return std::nullopt;
}

std::optional<qint64> integerOf(const QVariant& v) {
    switch (v.metaType().id()) {
        case QMetaType::Int:
        case QMetaType::Short:
        case QMetaType::SChar:
        case QMetaType::Char:
        case QMetaType::Long:
        case QMetaType::LongLong: return v.toLongLong();
        case QMetaType::UInt:
        case QMetaType::UShort:
        case QMetaType::UChar:
        case QMetaType::ULong:
        case QMetaType::ULongLong: {
            const qulonglong u = v.toULongLong();
            if (u > qulonglong(std::numeric_limits<qint64>::max())) return std::nullopt;
            return qint64(u);
        }
        default: return std::nullopt;
    }
}

[[noreturn]] void throwValueError(int rowNumber, const FieldDef& field, const QString& what) {
    throw DataError(QStringLiteral("Datensatz %1, Feld »%2«: %3").arg(rowNumber).arg(field.name, what));
}

[[noreturn]] void throwWrongType(int rowNumber, const FieldDef& field, const QVariant& v) {
    throwValueError(rowNumber, field,
                    QStringLiteral("Ein Wert vom Typ %1 passt nicht zu einem Feld vom Typ %2.")
                        .arg(QString::fromLatin1(v.typeName()), typeName(field.type)));
}

// Attribute text of a value; a null QString for a null value (the attribute is omitted).
QString valueToXml(const FieldDef& field, const QVariant& v, int rowNumber) {
    if (isNullValue(v)) return QString();
    switch (field.type) {
        case FieldType::AutoIncrement:
        case FieldType::Integer: {
            const auto n = integerOf(v);
            if (!n) throwWrongType(rowNumber, field, v);
            if (*n < std::numeric_limits<int>::min() || *n > std::numeric_limits<int>::max())
                throwValueError(rowNumber, field, QStringLiteral("Die Zahl %1 ist zu groß für eine Ganzzahl.").arg(*n));
            return QString::number(*n);
        }
        case FieldType::Currency: {
            const auto n = integerOf(v);
            if (!n) throwWrongType(rowNumber, field, v);
            return moneyToXml(*n);
        }
        case FieldType::Bool:
            if (v.metaType().id() != QMetaType::Bool) throwWrongType(rowNumber, field, v);
            return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        case FieldType::Date: {
            QDate d;
            QTime t(0, 0);
            if (v.metaType().id() == QMetaType::QDate) {
                d = v.toDate();
            } else if (v.metaType().id() == QMetaType::QDateTime) {
                const QDateTime dt = v.toDateTime();
                if (dt.isValid()) {
                    d = dt.date();
                    t = dt.time();
                }
            } else {
                throwWrongType(rowNumber, field, v);
            }
            if (!d.isValid()) return QString();  // an invalid date carries no value
            if (d.year() < 1 || d.year() > 9999)
                throwValueError(rowNumber, field,
                                QStringLiteral("Das Jahr %1 lässt sich nicht speichern.").arg(d.year()));
            return dateToXml(d, t);
        }
        case FieldType::Text:
        case FieldType::Memo: {
            if (v.metaType().id() != QMetaType::QString) throwWrongType(rowNumber, field, v);
            const QString s = v.toString();
            if (s.isEmpty()) return QString();
            if (!isXmlText(s))
                throwValueError(rowNumber, field,
                                QStringLiteral("Der Text enthält ein Steuerzeichen, das sich nicht in "
                                               "XML speichern lässt."));
            return s;
        }
    }
    return QString();
}

// Attribute names of the columns in the z:row elements.
QStringList columnAttributeNames(const FieldList& fields) {
    QSet<QString> realNames;
    QSet<QString> used;
    for (const FieldDef& f : fields) {
        if (!isXmlText(f.name))
            throw DataError(QStringLiteral("Der Spaltenname »%1« enthält ein Steuerzeichen, das "
                                           "sich nicht in XML speichern lässt.")
                                .arg(f.name));
        if (realNames.contains(f.name))
            throw DataError(QStringLiteral("Der Spaltenname »%1« kommt mehrfach vor.").arg(f.name));
        realNames.insert(f.name);
        if (isPlainColumnName(f.name)) used.insert(f.name);
    }
    QStringList names;
    for (int i = 0; i < fields.size(); ++i) {
        if (isPlainColumnName(fields[i].name)) {
            names << fields[i].name;
            continue;
        }
        // A real column may already be called c<i>; then the short name gets a suffix.
        const QString base = QStringLiteral("c%1").arg(i);
        QString candidate = base;
        for (int k = 1; used.contains(candidate); ++k) candidate = base + QStringLiteral("_%1").arg(k);
        used.insert(candidate);
        names << candidate;
    }
    return names;
}

void writeDatatype(QXmlStreamWriter& w, const FieldDef& f) {
    w.writeEmptyElement(kNsSchema, QStringLiteral("datatype"));
    auto dt = [&w](const char* name, const QString& value) {
        w.writeAttribute(kNsDatatype, QLatin1String(name), value);
    };
    auto rs = [&w](const char* name, const QString& value) { w.writeAttribute(kNsRowset, QLatin1String(name), value); };
    const QString yes = QStringLiteral("true");
    switch (f.type) {
        case FieldType::AutoIncrement:
        case FieldType::Integer:
            dt("type", QStringLiteral("int"));
            dt("maxLength", QStringLiteral("4"));
            rs("precision", QStringLiteral("10"));
            rs("fixedlength", yes);
            break;
        case FieldType::Text:
            dt("type", QStringLiteral("string"));
            rs("dbtype", QStringLiteral("str"));
            if (f.size > 0) dt("maxLength", QString::number(f.size));
            break;
        case FieldType::Memo:
            dt("type", QStringLiteral("string"));
            dt("maxLength", QString::number(kMemoMaxLength));
            rs("long", yes);
            break;
        case FieldType::Date:
            dt("type", QStringLiteral("dateTime"));
            rs("dbtype", QStringLiteral("variantdate"));
            dt("maxLength", QStringLiteral("16"));
            rs("fixedlength", yes);
            break;
        case FieldType::Bool:
            dt("type", QStringLiteral("boolean"));
            dt("maxLength", QStringLiteral("2"));
            rs("fixedlength", yes);
            break;
        case FieldType::Currency:
            dt("type", QStringLiteral("number"));
            rs("dbtype", QStringLiteral("currency"));
            dt("maxLength", QStringLiteral("8"));
            rs("precision", QStringLiteral("19"));
            rs("fixedlength", yes);
            break;
    }
}

// ---------------------------------------------------------------------------------------
// Reading

std::optional<QString> attr(const QXmlStreamAttributes& attrs, const QString& ns, QLatin1String name) {
    for (const QXmlStreamAttribute& a : attrs)
        if (a.name().compare(name, Qt::CaseInsensitive) == 0 && a.namespaceUri().compare(ns, Qt::CaseInsensitive) == 0)
            return a.value().toString();
    return std::nullopt;
}

bool isTrue(const std::optional<QString>& v) {
    return v && (v->trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
                 v->trimmed() == QLatin1String("1") || v->trimmed() == QLatin1String("-1"));
}

// Whether the document holds nothing but white space (looked at only for small ones).
bool isBlankDocument(QIODevice* device) {
    constexpr qint64 kLookAt = 1 << 16;
    if (device->isSequential() || device->size() > kLookAt) return false;
    return device->peek(kLookAt).trimmed().isEmpty();
}

}  // namespace

// The document is read as a stream: the schema first, then one row per call of next(),
// so that neither the document nor its rows need to be in memory at once.
class RowsetXmlReader::Parser {
public:
    Parser(QIODevice* device, const QString& source) : x_(device), source_(source) {
        if (isBlankDocument(device)) throw DataError(QStringLiteral("Die Datei »%1« ist leer.").arg(source_));
        readHeader();
    }

    FieldList fields;
    QVector<FieldType> readAs;  // the type each column's texts are read as

    // The next row into `row`; false after the last one (the rest of the document is then checked).
    bool next(Row& row) {
        while (state_ == State::InData) {
            const QXmlStreamReader::TokenType token = x_.readNext();
            if (token == QXmlStreamReader::StartElement) {
                if (isRowElement()) {
                    readRow(row);
                    return true;
                }
                // A recordset saved with pending changes wraps rows in rs:insert and
                // rs:update; the current state of a record is its row outside rs:original,
                // and rows under rs:delete are gone.
                if (is(kNsRowset, "insert") || is(kNsRowset, "update"))
                    ++nesting_;
                else
                    x_.skipCurrentElement();
            } else if (token == QXmlStreamReader::EndElement) {
                if (nesting_ == 0)
                    state_ = State::AfterData;
                else
                    --nesting_;
            } else if (token == QXmlStreamReader::Invalid || token == QXmlStreamReader::EndDocument) {
                checkWellFormed();
                formatError(QStringLiteral("Der Datenteil ist nicht abgeschlossen."));
            }
            checkWellFormed();
        }
        if (state_ == State::AfterData) readTrailer();
        return false;
    }

    [[noreturn]] void valueError(const FieldDef& field, FieldType type, QStringView text) {
        throw DataError(QStringLiteral("Die Datei »%1«, Datensatz %2 (Zeile %3): »%4« ist kein "
                                       "gültiger Wert für das Feld »%5« (%6 erwartet).")
                            .arg(source_, QString::number(rowsRead_), QString::number(x_.lineNumber()),
                                 text.toString(), field.name, typeName(type)));
    }

private:
    enum class State { InData, AfterData, Done };
    struct Column {
        FieldDef def;
        QString attributeName;
        std::optional<int> number;
    };

    bool is(const QString& ns, const char* localName) const {
        return x_.name() == QLatin1String(localName) && x_.namespaceUri().compare(ns, Qt::CaseInsensitive) == 0;
    }

    void checkWellFormed() {
        if (!x_.hasError()) return;
        QString what;
        switch (x_.error()) {
            case QXmlStreamReader::PrematureEndOfDocumentError:
                what = QStringLiteral("Das Dokument bricht vorzeitig ab.");
                break;
            case QXmlStreamReader::UnexpectedElementError:
                what = QStringLiteral("Ein Element steht an unerwarteter Stelle.");
                break;
            case QXmlStreamReader::NotWellFormedError:
            default: what = QStringLiteral("Das Dokument ist kein wohlgeformtes XML."); break;
        }
        throw DataError(QStringLiteral("Die Datei »%1« enthält fehlerhaftes XML (Zeile %2, Spalte %3): %4")
                            .arg(source_, QString::number(x_.lineNumber()), QString::number(x_.columnNumber()), what));
    }

    [[noreturn]] void formatError(const QString& what) {
        checkWellFormed();  // a parse error explains more than whatever followed from it
        throw DataError(QStringLiteral("Die Datei »%1« ist kein gültiges ADO-Rowset (Zeile %2): %3")
                            .arg(source_, QString::number(x_.lineNumber()), what));
    }

    // Up to the start of rs:data (or the end of a document without one).
    void readHeader() {
        while (!x_.atEnd() && !x_.isStartElement()) x_.readNext();
        checkWellFormed();
        if (!x_.isStartElement()) formatError(QStringLiteral("Sie enthält kein Element."));
        if (x_.name() != QLatin1String("xml") || !x_.namespaceUri().isEmpty())
            formatError(QStringLiteral("Das Wurzelelement heißt »%1« statt »xml«.").arg(x_.qualifiedName().toString()));
        while (x_.readNextStartElement()) {
            if (is(kNsSchema, "Schema")) {
                if (haveSchema_) formatError(QStringLiteral("Sie enthält mehr als ein Schema."));
                readSchema();
                haveSchema_ = true;
            } else if (is(kNsRowset, "data")) {
                if (!haveSchema_) formatError(QStringLiteral("Der Datenteil steht vor dem Schema."));
                state_ = State::InData;
                return;
            } else {
                x_.skipCurrentElement();
            }
        }
        readToEnd();
        state_ = State::Done;
    }

    // After rs:data: the rest of the root element and of the document.
    void readTrailer() {
        while (x_.readNextStartElement()) {
            if (is(kNsSchema, "Schema")) formatError(QStringLiteral("Sie enthält mehr als ein Schema."));
            if (is(kNsRowset, "data")) formatError(QStringLiteral("Sie enthält mehr als einen Datenteil."));
            x_.skipCurrentElement();
        }
        readToEnd();
        state_ = State::Done;
    }

    void readToEnd() {
        checkWellFormed();
        // Read to the end so that anything broken after the root element is noticed too.
        while (!x_.atEnd()) x_.readNext();
        checkWellFormed();
        if (!haveSchema_) formatError(QStringLiteral("Sie enthält kein Schema."));
    }

    // Inside s:Schema: the first s:ElementType declares the columns.
    void readSchema() {
        bool haveRowType = false;
        while (x_.readNextStartElement()) {
            if (is(kNsSchema, "ElementType") && !haveRowType) {
                readElementType();
                haveRowType = true;
            } else {
                x_.skipCurrentElement();
            }
        }
        checkWellFormed();
        if (!haveRowType) formatError(QStringLiteral("Das Schema deklariert keine Datensätze."));
    }

    void readElementType() {
        rowElementName_ = attr(x_.attributes(), QString(), QLatin1String("name")).value_or(QStringLiteral("row"));
        QVector<Column> columns;
        while (x_.readNextStartElement()) {
            if (is(kNsSchema, "AttributeType"))
                columns << readAttributeType();
            else
                x_.skipCurrentElement();
        }
        checkWellFormed();

        // Columns are ordered by rs:number when every column has a distinct one.
        QSet<int> numbers;
        for (const Column& c : columns)
            if (c.number) numbers.insert(*c.number);
        if (numbers.size() == columns.size())
            std::stable_sort(columns.begin(), columns.end(),
                             [](const Column& a, const Column& b) { return *a.number < *b.number; });

        QSet<QString> attributeNames, realNames;
        for (const Column& c : columns) {
            if (attributeNames.contains(c.attributeName) || realNames.contains(c.def.name))
                formatError(QStringLiteral("Die Spalte »%1« ist mehrfach deklariert.").arg(c.def.name));
            attributeNames.insert(c.attributeName);
            realNames.insert(c.def.name);
            attributeNames_ << c.attributeName;
            fields << c.def;
            readAs << c.def.type;
        }
    }

    // One s:AttributeType; its type attributes may sit on it or on its s:datatype child.
    // The column's name is rs:name when given (ADO's alias for a name that is no XML name).
    Column readAttributeType() {
        Column column;
        const QXmlStreamAttributes own = x_.attributes();
        const std::optional<QString> name = attr(own, QString(), QLatin1String("name"));
        if (!name || name->isEmpty()) formatError(QStringLiteral("Eine Spalte hat keinen Namen."));
        column.attributeName = *name;
        column.def.name = attr(own, kNsRowset, QLatin1String("name")).value_or(*name);
        if (const auto number = attr(own, kNsRowset, QLatin1String("number"))) {
            bool ok = false;
            const int n = number->trimmed().toInt(&ok);
            if (ok) column.number = n;
        }

        std::optional<QString> dtType, dbType, maxLength, isLong, autoIncrement;
        auto collect = [&](const QXmlStreamAttributes& a) {
            auto take = [&a](std::optional<QString>& target, const QString& ns, const char* n) {
                if (auto v = attr(a, ns, QLatin1String(n))) target = v;
            };
            take(dtType, kNsDatatype, "type");
            take(dbType, kNsRowset, "dbtype");
            take(maxLength, kNsDatatype, "maxLength");
            take(isLong, kNsRowset, "long");
            take(autoIncrement, kNsRowset, "autoincrement");
        };
        collect(own);
        while (x_.readNextStartElement()) {
            if (is(kNsSchema, "datatype")) collect(x_.attributes());
            x_.skipCurrentElement();
        }
        checkWellFormed();

        const QString dt = dtType.value_or(QStringLiteral("string")).trimmed().toLower();
        const QString db = dbType.value_or(QString()).trimmed().toLower();
        static const QSet<QString> intTypes{QStringLiteral("int"), QStringLiteral("i1"),  QStringLiteral("i2"),
                                            QStringLiteral("i4"),  QStringLiteral("ui1"), QStringLiteral("ui2")};
        static const QSet<QString> dateTypes{QStringLiteral("datetime"), QStringLiteral("date"),
                                             QStringLiteral("datetime.tz")};
        static const QSet<QString> dateDbTypes{QStringLiteral("variantdate"), QStringLiteral("timestamp"),
                                               QStringLiteral("dbtimestamp"), QStringLiteral("dbdate")};
        FieldDef& f = column.def;
        if (db == QLatin1String("currency") || dt == QLatin1String("fixed.14.4")) {
            f.type = FieldType::Currency;
        } else if (intTypes.contains(dt)) {
            f.type = isTrue(autoIncrement) ? FieldType::AutoIncrement : FieldType::Integer;
        } else if (dt == QLatin1String("boolean")) {
            f.type = FieldType::Bool;
        } else if (dateTypes.contains(dt) || dateDbTypes.contains(db)) {
            f.type = FieldType::Date;
        } else if (dt == QLatin1String("string") && isTrue(isLong)) {
            f.type = FieldType::Memo;
        } else {
            // Strings, and every type without a counterpart here, keep their text.
            f.type = FieldType::Text;
            if (dt == QLatin1String("string") && maxLength) {
                bool ok = false;
                const int n = maxLength->trimmed().toInt(&ok);
                if (ok && n > 0) f.size = n;
            }
        }
        return column;
    }

    bool isRowElement() const {
        return x_.name() == rowElementName_ && x_.namespaceUri().compare(kNsRow, Qt::CaseInsensitive) == 0;
    }

    // The column of a row attribute: ADO writes them in column order, so the one after
    // the previous is tried first.
    int columnOf(QStringView name, int guess) const {
        const int n = int(attributeNames_.size());
        if (guess < n && attributeNames_[guess] == name) return guess;
        for (int c = 0; c < n; ++c)
            if (attributeNames_[c] == name) return c;
        return -1;
    }

    void readRow(Row& row) {
        ++rowsRead_;
        row.fill(QVariant(), fields.size());
        int guess = 0;
        const QXmlStreamAttributes attributes = x_.attributes();
        for (const QXmlStreamAttribute& a : attributes) {
            if (!a.namespaceUri().isEmpty()) continue;  // e.g. rs:forcenull, no column value
            const int c = columnOf(a.name(), guess);
            if (c < 0)
                formatError(QStringLiteral("Datensatz %1 enthält den Wert »%2«, zu dem keine Spalte "
                                           "deklariert ist.")
                                .arg(rowsRead_)
                                .arg(a.name().toString()));
            row[c] = valueFromXml(c, a.value());
            guess = c + 1;
        }
        x_.skipCurrentElement();
        checkWellFormed();
    }

    QVariant valueFromXml(int column, QStringView text) {
        if (text.isEmpty()) return QVariant();
        const FieldType type = readAs[column];
        switch (type) {
            case FieldType::AutoIncrement:
            case FieldType::Integer: {
                bool ok = false;
                const int n = text.trimmed().toInt(&ok);
                if (ok) return n;
                break;
            }
            case FieldType::Currency:
                if (const auto m = moneyFromXml(text)) return QVariant::fromValue<qint64>(*m);
                break;
            case FieldType::Bool:
                if (const auto b = boolFromXml(text)) return *b;
                break;
            case FieldType::Date: {
                QVariant value = dateFromXml(text);
                if (value.isValid()) return value;
                break;
            }
            case FieldType::Text:
            case FieldType::Memo: return sharedText(column, text);
        }
        valueError(fields[column], type, text);
    }

    // Texts repeat from record to record (categories, accounts, towns, fee classes): a text
    // seen before in the column is handed out again, sharing its memory.
    QString sharedText(int column, QStringView text) {
        constexpr qsizetype kMaxSharedPerColumn = 4096;
        if (texts_.size() <= column) texts_.resize(fields.size());
        QHash<size_t, QString>& seen = texts_[column];
        const size_t h = qHash(text);
        const auto it = seen.constFind(h);
        if (it != seen.constEnd() && *it == text) return *it;
        QString s = text.toString();
        if (seen.size() < kMaxSharedPerColumn) seen.insert(h, s);
        return s;
    }

    QXmlStreamReader x_;
    QString source_;
    State state_ = State::Done;
    bool haveSchema_ = false;
    int nesting_ = 0;  // open rs:insert / rs:update elements inside rs:data
    int rowsRead_ = 0;
    QString rowElementName_ = QStringLiteral("row");
    QStringList attributeNames_;  // by column
    QVector<QHash<size_t, QString>> texts_;  // by column: texts read so far, by hash
};

RowsetXmlReader::RowsetXmlReader(QIODevice* device, const QString& sourceNameForMessages)
    : parser_(std::make_unique<Parser>(device, sourceNameForMessages)) {}

RowsetXmlReader::~RowsetXmlReader() = default;

const FieldList& RowsetXmlReader::fields() const { return parser_->fields; }

void RowsetXmlReader::readColumnAs(int column, FieldType type) {
    parser_->readAs[column] = type;
    parser_->fields[column].type = type;
}

bool RowsetXmlReader::next(Row& row) { return parser_->next(row); }

namespace {

QString readFailureReason(const QString& path, const QFile& file) {
    const QFileInfo info(path);
    if (!info.exists()) return QStringLiteral("Datei nicht gefunden.");
    if (info.isDir()) return QStringLiteral("Unter diesem Namen besteht ein Ordner.");
    if (!info.isReadable()) return QStringLiteral("Keine Leseberechtigung.");
    return QStringLiteral("Fehler des Betriebssystems (%1).").arg(file.errorString());
}

QString writeFailureReason(const QString& path, const QFileDevice& file) {
    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    const QString folderName = QDir::toNativeSeparators(info.absolutePath());
    if (info.isDir()) return QStringLiteral("Unter diesem Namen besteht ein Ordner.");
    if (!folder.exists()) return QStringLiteral("Der Ordner »%1« existiert nicht.").arg(folderName);
    if (!folder.isDir()) return QStringLiteral("»%1« ist kein Ordner.").arg(folderName);
    if (info.exists() && !info.isWritable()) return QStringLiteral("Die vorhandene Datei ist schreibgeschützt.");
    if (!folder.isWritable()) return QStringLiteral("Keine Schreibberechtigung im Ordner »%1«.").arg(folderName);
    return QStringLiteral("Fehler des Betriebssystems (%1).").arg(file.errorString());
}

DataError writeError(const QString& path, const QString& reason) {
    return DataError(QStringLiteral("Die Datei »%1« kann nicht geschrieben werden: %2").arg(path, reason));
}

}  // namespace

namespace {

// The whole document; throws DataError when a value cannot be written.
void writeDocument(QXmlStreamWriter& w, const FieldList& fields, const QVector<Row>& rows) {
    const QStringList attributeNames = columnAttributeNames(fields);
    for (int r = 0; r < rows.size(); ++r)
        if (rows[r].size() != fields.size())
            throw DataError(QStringLiteral("Datensatz %1 hat %2 Werte, erwartet sind %3.")
                                .arg(r + 1)
                                .arg(rows[r].size())
                                .arg(fields.size()));

    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(-1);  // one tab, as ADO indents
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("xml"));
    w.writeNamespace(kNsSchema, QStringLiteral("s"));
    w.writeNamespace(kNsDatatype, QStringLiteral("dt"));
    w.writeNamespace(kNsRowset, QStringLiteral("rs"));
    w.writeNamespace(kNsRow, QStringLiteral("z"));

    w.writeStartElement(kNsSchema, QStringLiteral("Schema"));
    w.writeAttribute(QStringLiteral("id"), QStringLiteral("RowsetSchema"));
    w.writeStartElement(kNsSchema, QStringLiteral("ElementType"));
    w.writeAttribute(QStringLiteral("name"), QStringLiteral("row"));
    w.writeAttribute(QStringLiteral("content"), QStringLiteral("eltOnly"));
    w.writeAttribute(kNsRowset, QStringLiteral("updatable"), QStringLiteral("true"));
    for (int i = 0; i < fields.size(); ++i) {
        const FieldDef& f = fields[i];
        w.writeStartElement(kNsSchema, QStringLiteral("AttributeType"));
        w.writeAttribute(QStringLiteral("name"), attributeNames[i]);
        if (attributeNames[i] != f.name) w.writeAttribute(kNsRowset, QStringLiteral("name"), f.name);
        w.writeAttribute(kNsRowset, QStringLiteral("number"), QString::number(i + 1));
        if (f.type != FieldType::AutoIncrement)
            w.writeAttribute(kNsRowset, QStringLiteral("nullable"), QStringLiteral("true"));
        w.writeAttribute(kNsRowset, QStringLiteral("writeunknown"), QStringLiteral("true"));
        if (f.type == FieldType::AutoIncrement)
            w.writeAttribute(kNsRowset, QStringLiteral("autoincrement"), QStringLiteral("true"));
        writeDatatype(w, f);
        w.writeEndElement();
    }
    w.writeEmptyElement(kNsSchema, QStringLiteral("extends"));
    w.writeAttribute(QStringLiteral("type"), QStringLiteral("rs:rowbase"));
    w.writeEndElement();  // ElementType
    w.writeEndElement();  // Schema

    w.writeStartElement(kNsRowset, QStringLiteral("data"));
    for (int r = 0; r < rows.size(); ++r) {
        w.writeEmptyElement(kNsRow, QStringLiteral("row"));
        for (int i = 0; i < fields.size(); ++i) {
            const QString text = valueToXml(fields[i], rows[r][i], r + 1);
            if (!text.isNull()) w.writeAttribute(attributeNames[i], text);
        }
        if (w.hasError()) return;  // the device failed: no use writing on
    }
    w.writeEndElement();  // rs:data
    w.writeEndElement();  // xml
    w.writeEndDocument();
}

DataError readError(const QString& path, const QFile& file) {
    return DataError(
        QStringLiteral("Die Datei »%1« kann nicht gelesen werden: %2").arg(path, readFailureReason(path, file)));
}

}  // namespace

QByteArray rowsetXmlToBytes(const FieldList& fields, const QVector<Row>& rows) {
    QByteArray out;
    QXmlStreamWriter w(&out);
    writeDocument(w, fields, rows);
    if (w.hasError()) throw DataError(QStringLiteral("Das XML-Dokument konnte nicht erzeugt werden."));
    return out;
}

Rowset rowsetXmlFromBytes(const QByteArray& xml, const QString& sourceNameForMessages) {
    QBuffer buffer;
    buffer.setData(xml);
    buffer.open(QIODevice::ReadOnly);
    return readRowsetXml(buffer, sourceNameForMessages);
}

Rowset readRowsetXml(QIODevice& device, const QString& sourceNameForMessages) {
    RowsetXmlReader reader(&device, sourceNameForMessages);
    Rowset result;
    result.fields = reader.fields();
    Row row;
    while (reader.next(row)) result.rows.append(row);
    result.rows.squeeze();
    return result;
}

namespace {

// The writer's output into an AtomicFile, in blocks: the XML writer hands over every
// attribute on its own. A failing write keeps the file's German sentence and fails the
// device (an exception must not pass through Qt's code).
class AtomicFileDevice : public QIODevice {
public:
    explicit AtomicFileDevice(AtomicFile& file) : file_(file) { open(QIODevice::WriteOnly); }
    const QString& failure() const { return failure_; }
    bool flushBlock() {
        if (!failure_.isEmpty()) return false;
        try {
            file_.write(block_);
        } catch (const DataError& e) {
            failure_ = e.message();
            return false;
        }
        block_.clear();
        return true;
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (!failure_.isEmpty()) return -1;
        block_.append(data, size);
        if (block_.size() >= kBlock && !flushBlock()) return -1;
        return size;
    }

private:
    static constexpr qsizetype kBlock = 1 << 16;
    AtomicFile& file_;
    QByteArray block_;
    QString failure_;
};

}  // namespace

// Streamed into a temporary file beside the target, which replaces the old one only when
// everything was written and synced.
void writeRowsetXml(const QString& path, const FieldList& fields, const QVector<Row>& rows) {
    // The folder's state named plainly; the system's reason for anything else.
    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    if (info.isDir() || !folder.exists() || !folder.isDir()) throw writeError(path, writeFailureReason(path, QFile(path)));
    AtomicFile file(path);
    AtomicFileDevice device(file);
    QXmlStreamWriter w(&device);
    try {
        writeDocument(w, fields, rows);
    } catch (const DataError& e) {
        throw writeError(path, e.message());
    }
    if (w.hasError() || !device.flushBlock())
        throw device.failure().isEmpty() ? writeError(path, QStringLiteral("Das XML-Dokument ist unvollständig."))
                                         : DataError(device.failure());
    file.commit();
}

Rowset readRowsetXml(const QString& path) {
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) throw readError(path, file);
    try {
        return readRowsetXml(file, path);
    } catch (const DataError&) {
        // A document cut short by a failing disk is a read error, not broken XML.
        if (file.error() != QFileDevice::NoError) throw readError(path, file);
        throw;
    }
}

}  // namespace ferolind
