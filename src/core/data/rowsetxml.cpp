#include "rowsetxml.h"

#include "errors.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSaveFile>
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

// XML 1.0 cannot carry most control characters, not even as character references.
bool isXmlText(const QString& s) {
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s.at(i).unicode();
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 < n && QChar::isLowSurrogate(s.at(i + 1).unicode())) {
                ++i;
                continue;
            }
            return false;
        }
        if (QChar::isLowSurrogate(c)) return false;
        if (c < 0x20 && c != 0x09 && c != 0x0A && c != 0x0D) return false;
        if (c == 0xFFFE || c == 0xFFFF) return false;
    }
    return true;
}

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

// "yyyy-MM-dd", optionally followed by "Thh:mm[:ss[.fff]]" and a zone suffix, which is
// ignored (the wall-clock time is what the table holds). Midnight gives a QDate.
QVariant dateFromXml(const QString& text) {
    static const QRegularExpression re(
        QStringLiteral(R"(^(\d{4})-(\d{2})-(\d{2})(?:[T ](\d{2}):(\d{2})(?::(\d{2})(?:[.,](\d+))?)?)?)"
                       R"((?:Z|[+-]\d{2}:?\d{2})?$)"));
    const QRegularExpressionMatch m = re.match(text.trimmed());
    if (!m.hasMatch()) return QVariant();
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!date.isValid()) return QVariant();
    if (m.capturedLength(4) == 0) return date;
    const int ms = m.capturedLength(7) ? (m.captured(7) + QStringLiteral("00")).left(3).toInt() : 0;
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt(), ms);
    if (!time.isValid()) return QVariant();
    if (time == QTime(0, 0)) return date;
    return QDateTime(date, time);
}

std::optional<bool> boolFromXml(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || t == QLatin1String("1") ||
        t == QLatin1String("-1"))
        return true;
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 || t == QLatin1String("0")) return false;
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

class RowsetParser {
public:
    RowsetParser(const QByteArray& xml, const QString& source) : xml_(xml), x_(xml), source_(source) {}

    Rowset parse() {
        if (xml_.trimmed().isEmpty()) throw DataError(QStringLiteral("Die Datei »%1« ist leer.").arg(source_));
        while (!x_.atEnd() && !x_.isStartElement()) x_.readNext();
        checkWellFormed();
        if (!x_.isStartElement()) formatError(QStringLiteral("Sie enthält kein Element."));
        if (x_.name() != QLatin1String("xml") || !x_.namespaceUri().isEmpty())
            formatError(QStringLiteral("Das Wurzelelement heißt »%1« statt »xml«.").arg(x_.qualifiedName().toString()));

        bool haveSchema = false;
        bool haveData = false;
        while (x_.readNextStartElement()) {
            if (is(kNsSchema, "Schema")) {
                if (haveSchema) formatError(QStringLiteral("Sie enthält mehr als ein Schema."));
                readSchema();
                haveSchema = true;
            } else if (is(kNsRowset, "data")) {
                if (!haveSchema) formatError(QStringLiteral("Der Datenteil steht vor dem Schema."));
                if (haveData) formatError(QStringLiteral("Sie enthält mehr als einen Datenteil."));
                readRows();
                haveData = true;
            } else {
                x_.skipCurrentElement();
            }
        }
        // Read to the end so that anything broken after the root element is noticed too.
        while (!x_.atEnd()) x_.readNext();
        checkWellFormed();
        if (!haveSchema) formatError(QStringLiteral("Sie enthält kein Schema."));
        return std::move(result_);
    }

private:
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

        QSet<QString> realNames;
        for (const Column& c : columns) {
            if (columnByAttribute_.contains(c.attributeName) || realNames.contains(c.def.name))
                formatError(QStringLiteral("Die Spalte »%1« ist mehrfach deklariert.").arg(c.def.name));
            columnByAttribute_.insert(c.attributeName, int(result_.fields.size()));
            realNames.insert(c.def.name);
            result_.fields << c.def;
        }
    }

    // One s:AttributeType; its type attributes may sit on it or on its s:datatype child.
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
        FieldDef& f = column.def;
        if (db == QLatin1String("currency")) {
            f.type = FieldType::Currency;
        } else if (intTypes.contains(dt)) {
            f.type = isTrue(autoIncrement) ? FieldType::AutoIncrement : FieldType::Integer;
        } else if (dt == QLatin1String("boolean")) {
            f.type = FieldType::Bool;
        } else if (dt == QLatin1String("datetime") || dt == QLatin1String("date") ||
                   dt == QLatin1String("datetime.tz") || db == QLatin1String("variantdate")) {
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

    // Rows of rs:data. A recordset saved with pending changes wraps rows in rs:insert and
    // rs:update; the current state of a record is its row outside rs:original, and rows
    // under rs:delete are gone.
    void readRows() {
        while (x_.readNextStartElement()) {
            if (isRowElement())
                readRow();
            else if (is(kNsRowset, "insert") || is(kNsRowset, "update"))
                readRows();
            else
                x_.skipCurrentElement();
        }
        checkWellFormed();
    }

    void readRow() {
        const int rowNumber = int(result_.rows.size()) + 1;
        Row row(result_.fields.size());
        for (const QXmlStreamAttribute& a : x_.attributes()) {
            if (!a.namespaceUri().isEmpty()) continue;  // e.g. rs:forcenull, no column value
            const auto it = columnByAttribute_.constFind(a.name().toString());
            if (it == columnByAttribute_.constEnd())
                formatError(QStringLiteral("Datensatz %1 enthält den Wert »%2«, zu dem keine Spalte "
                                           "deklariert ist.")
                                .arg(rowNumber)
                                .arg(a.name().toString()));
            row[*it] = valueFromXml(result_.fields[*it], a.value().toString(), rowNumber);
        }
        x_.skipCurrentElement();
        result_.rows << row;
    }

    QVariant valueFromXml(const FieldDef& field, const QString& text, int rowNumber) {
        if (text.isEmpty()) return QVariant();
        QVariant value;
        switch (field.type) {
            case FieldType::AutoIncrement:
            case FieldType::Integer: {
                bool ok = false;
                const int n = text.trimmed().toInt(&ok);
                if (ok) value = n;
                break;
            }
            case FieldType::Currency:
                if (const auto m = moneyFromXml(text)) value = QVariant::fromValue<qint64>(*m);
                break;
            case FieldType::Bool:
                if (const auto b = boolFromXml(text)) value = *b;
                break;
            case FieldType::Date: value = dateFromXml(text); break;
            case FieldType::Text:
            case FieldType::Memo: return text;
        }
        if (!value.isValid())
            throw DataError(QStringLiteral("Die Datei »%1«, Datensatz %2 (Zeile %3): »%4« ist kein "
                                           "gültiger Wert für das Feld »%5« (%6 erwartet).")
                                .arg(source_, QString::number(rowNumber), QString::number(x_.lineNumber()), text,
                                     field.name, typeName(field.type)));
        return value;
    }

    const QByteArray& xml_;
    QXmlStreamReader x_;
    QString source_;
    QString rowElementName_ = QStringLiteral("row");
    QHash<QString, int> columnByAttribute_;
    Rowset result_;
};

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

QByteArray rowsetXmlToBytes(const FieldList& fields, const QVector<Row>& rows) {
    const QStringList attributeNames = columnAttributeNames(fields);
    for (int r = 0; r < rows.size(); ++r)
        if (rows[r].size() != fields.size())
            throw DataError(QStringLiteral("Datensatz %1 hat %2 Werte, erwartet sind %3.")
                                .arg(r + 1)
                                .arg(rows[r].size())
                                .arg(fields.size()));

    QByteArray out;
    QXmlStreamWriter w(&out);
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
    }
    w.writeEndElement();  // rs:data
    w.writeEndElement();  // xml
    w.writeEndDocument();
    if (w.hasError()) throw DataError(QStringLiteral("Das XML-Dokument konnte nicht erzeugt werden."));
    return out;
}

Rowset rowsetXmlFromBytes(const QByteArray& xml, const QString& sourceNameForMessages) {
    return RowsetParser(xml, sourceNameForMessages).parse();
}

void writeRowsetXml(const QString& path, const FieldList& fields, const QVector<Row>& rows) {
    QByteArray bytes;
    try {
        bytes = rowsetXmlToBytes(fields, rows);
    } catch (const DataError& e) {
        throw writeError(path, e.message());
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) throw writeError(path, writeFailureReason(path, file));
    if (file.write(bytes) != bytes.size()) {
        const QString reason = writeFailureReason(path, file);
        file.cancelWriting();
        throw writeError(path, reason);
    }
    if (!file.commit()) throw writeError(path, writeFailureReason(path, file));
}

Rowset readRowsetXml(const QString& path) {
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        throw DataError(
            QStringLiteral("Die Datei »%1« kann nicht gelesen werden: %2").arg(path, readFailureReason(path, file)));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw DataError(
            QStringLiteral("Die Datei »%1« kann nicht gelesen werden: %2").arg(path, readFailureReason(path, file)));
    return rowsetXmlFromBytes(bytes, path);
}

}  // namespace ferolind
