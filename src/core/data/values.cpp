#include "values.h"

#include "errors.h"

#include <QDateTime>
#include <QRegularExpression>
#include <chrono>
#include <climits>
#include <cmath>

namespace ferolind {

QDate currentDay() {
    using Clock = std::chrono::steady_clock;
    thread_local Clock::time_point readAt;
    thread_local QDate day;
    const Clock::time_point now = Clock::now();
    if (!day.isValid() || now - readAt >= std::chrono::seconds(1)) {
        day = QDate::currentDate();
        readAt = now;
    }
    return day;
}

int fieldIndex(const FieldList& fields, const QString& name) {
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

bool isNumericType(FieldType t) {
    return t == FieldType::Integer || t == FieldType::AutoIncrement || t == FieldType::Currency;
}

// ---------------------------------------------------------------- money

std::optional<Money> parseMoney(const QString& input) {
    QString text = input.trimmed();
    if (text.endsWith(QChar(0x20AC))) text.chop(1);  // a trailing "€"
    text = text.trimmed();
    if (text.isEmpty()) return std::nullopt;
    bool negative = false;
    if (text.startsWith('-') || text.startsWith('+')) {
        negative = text.startsWith('-');
        text.remove(0, 1);
    }
    // A point groups thousands when a comma follows or when it is followed by exactly
    // three digits ("1.234"); otherwise it is a decimal point ("12.5").
    static const QRegularExpression grouped(QStringLiteral("^\\d{1,3}(\\.\\d{3})+$"));
    QString intPart = text, fracPart;
    const int comma = text.indexOf(',');
    const int point = text.indexOf('.');
    if (comma >= 0) {
        intPart = text.left(comma);
        fracPart = text.mid(comma + 1);
    } else if (point >= 0 && !grouped.match(text).hasMatch()) {
        intPart = text.left(point);
        fracPart = text.mid(point + 1);
    }
    if (intPart.contains('.')) {
        if (!grouped.match(intPart).hasMatch()) return std::nullopt;
        intPart.remove('.');
    }
    if (intPart.isEmpty() && fracPart.isEmpty()) return std::nullopt;
    for (QChar c : intPart)
        if (!c.isDigit() || c.unicode() > '9') return std::nullopt;
    for (QChar c : fracPart)
        if (!c.isDigit() || c.unicode() > '9') return std::nullopt;
    if (intPart.size() > 14) return std::nullopt;  // beyond any club's money

    qint64 units = intPart.isEmpty() ? 0 : intPart.toLongLong();
    units *= kMoneyUnit;
    // First four decimals exactly, the rest decides the rounding (halves to even).
    QString four = fracPart.left(4).leftJustified(4, '0');
    units += four.toLongLong();
    const QString rest = fracPart.mid(4);
    if (!rest.isEmpty()) {
        const int first = rest[0].digitValue();
        bool beyondHalf = false;
        for (int i = 1; i < rest.size(); ++i)
            if (rest[i] != '0') beyondHalf = true;
        if (first > 5 || (first == 5 && beyondHalf) || (first == 5 && !beyondHalf && (units % 2) == 1)) ++units;
    }
    // The limit holds for the rounded amount: 99999999999999,99995 would round to 15 digits.
    if (!moneyInRange(units)) return std::nullopt;
    return negative ? -units : units;
}

QString moneyToPlain(Money m) {
    const bool negative = m < 0;
    const quint64 a = negative ? quint64(-(m + 1)) + 1 : quint64(m);
    QString s = QString::number(a / kMoneyUnit);
    QString frac = QString::number(a % kMoneyUnit).rightJustified(4, '0');
    while (frac.endsWith('0')) frac.chop(1);
    if (!frac.isEmpty()) s += ',' + frac;
    return negative ? '-' + s : s;
}

// Rounds to whole cents, halves away from zero, as a currency display does.
namespace {
qint64 toCents(Money m) {
    const qint64 q = m / 100, r = m % 100;
    if (r >= 50) return q + 1;
    if (r <= -50) return q - 1;
    return q;
}
}  // namespace

namespace {
QString centsText(Money m, bool grouping) {
    const qint64 cents = toCents(m);
    const bool negative = cents < 0;
    const quint64 a = negative ? quint64(-cents) : quint64(cents);
    QString whole = QString::number(a / 100);
    if (grouping)
        for (int i = whole.size() - 3; i > 0; i -= 3) whole.insert(i, '.');
    const QString s = whole + ',' + QString::number(a % 100).rightJustified(2, '0');
    return negative ? '-' + s : s;
}
}  // namespace

QString moneyToFixed2(Money m) { return centsText(m, false); }

QString moneyToCurrency(Money m) { return centsText(m, true) + QStringLiteral(" €"); }

std::optional<Money> moneyFromDouble(double euros) {
    const double units = std::nearbyint(euros * double(kMoneyUnit));
    // Converting a double beyond the integer range is undefined; NaN fails both tests.
    if (!(units > -double(kMoneyLimit) && units < double(kMoneyLimit))) return std::nullopt;
    return Money(units);
}

// ---------------------------------------------------------------- dates

QString dateToText(const QVariant& v) {
    if (v.isNull()) return {};
    if (v.typeId() == QMetaType::QDateTime) {
        const QDateTime dt = v.toDateTime();
        if (!dt.isValid()) return {};
        const QString d = dt.date().toString(QStringLiteral("dd.MM.yyyy"));
        if (dt.time() == QTime(0, 0)) return d;
        return d + ' ' + dt.time().toString(QStringLiteral("hh:mm:ss"));
    }
    const QDate d = v.toDate();
    return d.isValid() ? d.toString(QStringLiteral("dd.MM.yyyy")) : QString();
}

QVariant parseDate(const QString& input) {
    static const QRegularExpression german(
        QStringLiteral("^(\\d{1,2})\\.(\\d{1,2})\\.(\\d{4})(?:\\s+(\\d{1,2}):(\\d{2})(?::(\\d{2}))?)?$"));
    static const QRegularExpression iso(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})(?:[ T](\\d{2}):(\\d{2})(?::(\\d{2}))?)?$"));
    const QString text = input.trimmed();
    int y, mo, d;
    QRegularExpressionMatch m = german.match(text);
    if (m.hasMatch()) {
        d = m.captured(1).toInt();
        mo = m.captured(2).toInt();
        y = m.captured(3).toInt();
    } else {
        m = iso.match(text);
        if (!m.hasMatch()) return {};
        y = m.captured(1).toInt();
        mo = m.captured(2).toInt();
        d = m.captured(3).toInt();
    }
    const QDate date(y, mo, d);
    if (!date.isValid()) return {};
    if (m.captured(4).isEmpty()) return date;
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).isEmpty() ? 0 : m.captured(6).toInt());
    if (!time.isValid()) return {};
    if (time == QTime(0, 0)) return date;
    return QDateTime(date, time);
}

QDateTime toDateTime(const QVariant& v) {
    if (v.typeId() == QMetaType::QDateTime) return v.toDateTime();
    return QDateTime(v.toDate(), QTime(0, 0));
}

// ---------------------------------------------------------------- booleans

QString boolToText(bool b) { return b ? QStringLiteral("Wahr") : QStringLiteral("Falsch"); }

std::optional<bool> parseBool(const QString& input) {
    const QString t = input.trimmed().toLower();
    if (t == u"wahr" || t == u"true" || t == u"-1" || t == u"1" || t == u"ja") return true;
    if (t == u"falsch" || t == u"false" || t == u"0" || t == u"nein") return false;
    return std::nullopt;
}

// ---------------------------------------------------------------- field texts

QString valueToText(FieldType type, const QVariant& value) {
    if (value.isNull()) return {};
    switch (type) {
        case FieldType::AutoIncrement:
        case FieldType::Integer: return QString::number(value.toLongLong());
        case FieldType::Currency: return moneyToPlain(value.toLongLong());
        case FieldType::Date: return dateToText(value);
        case FieldType::Bool: return boolToText(value.toBool());
        case FieldType::Text:
        case FieldType::Memo: return value.toString();
    }
    return value.toString();
}

QString valueToDisplayText(FieldType type, const QVariant& value) {
    if (type == FieldType::Currency && !value.isNull()) return moneyToCurrency(value.toLongLong());
    return valueToText(type, value);
}

namespace {
DataError invalidInteger(const QString& text, const QString& field) {
    return DataError(QStringLiteral("'%1' ist kein gültiger Integerwert für Feld '%2'").arg(text, field));
}

DataError invalidMoney(const QString& text, const QString& field) {
    return DataError(QStringLiteral("'%1' ist kein gültiger Fließkommawert für Feld '%2'").arg(text, field));
}

DataError moneyTooLarge(const QString& text, const QString& field) {
    return DataError(
        QStringLiteral("Der Betrag '%1' ist zu groß für das Feld '%2': erlaubt sind höchstens 14 Stellen vor dem Komma.")
            .arg(text, field));
}

DataError invalidDate(const QString& text, const QString& field) {
    return DataError(QStringLiteral("'%1' ist kein gültiges Datum für Feld '%2'").arg(text, field));
}

// Years the short date format writes with four digits and reads back.
bool yearInRange(const QDate& d) { return d.year() >= 1 && d.year() <= 9999; }
}  // namespace

QVariant valueFromText(const FieldDef& field, const QString& text) {
    if (text.isEmpty()) return {};
    switch (field.type) {
        case FieldType::AutoIncrement:
        case FieldType::Integer: {
            bool ok = false;
            const int n = text.trimmed().toInt(&ok);
            if (!ok) throw invalidInteger(text, field.name);
            return n;
        }
        case FieldType::Currency: {
            const auto m = parseMoney(text);
            if (!m) throw invalidMoney(text, field.name);
            return QVariant::fromValue<qint64>(*m);
        }
        case FieldType::Date: {
            if (text.trimmed().isEmpty()) return {};
            const QVariant d = parseDate(text);
            if (d.isNull()) throw invalidDate(text, field.name);
            return d;
        }
        case FieldType::Bool: {
            const auto b = parseBool(text);
            if (!b)
                throw DataError(
                    QStringLiteral("'%1' ist kein gültiger Wahrheitswert für Feld '%2'").arg(text, field.name));
            return *b;
        }
        case FieldType::Text:
        case FieldType::Memo: return normaliseValue(field, text);
    }
    return {};
}

qsizetype firstUnstorableCharacter(const QString& s) {
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s.at(i).unicode();
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 < n && QChar::isLowSurrogate(s.at(i + 1).unicode())) {
                ++i;
                continue;
            }
            return i;
        }
        if (QChar::isLowSurrogate(c)) return i;
        if (c < 0x20 && c != 0x09 && c != 0x0A && c != 0x0D) return i;
        if (c == 0xFFFE || c == 0xFFFF) return i;
    }
    return -1;
}

bool isStorableText(const QString& s) { return firstUnstorableCharacter(s) < 0; }

QVariant normaliseValue(const FieldDef& field, const QVariant& value) {
    if (value.isNull() || !value.isValid()) return {};
    switch (field.type) {
        case FieldType::Text:
        case FieldType::Memo: {
            const QString s = value.toString();
            if (s.isEmpty()) return {};
            if (const qsizetype at = firstUnstorableCharacter(s); at >= 0)
                throw DataError(QStringLiteral("Der Text für das Feld '%1' enthält an Stelle %2 ein Steuerzeichen "
                                               "(Code %3), das nicht gespeichert werden kann. Bitte entfernen Sie es.")
                                    .arg(field.name)
                                    .arg(at + 1)
                                    .arg(s.at(at).unicode()));
            if (field.type == FieldType::Text && field.size > 0 && s.size() > field.size)
                throw DataError(
                    QStringLiteral("Der Text '%1' ist zu lang für das Feld '%2': erlaubt sind höchstens %3 Zeichen.")
                        .arg(s, field.name)
                        .arg(field.size));
            return s;
        }
        case FieldType::AutoIncrement:
        case FieldType::Integer: {
            if (value.typeId() == QMetaType::QString) return valueFromText(field, value.toString());
            if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
                // Converting NaN or a double beyond the range is undefined: refuse it first.
                const double d = value.toDouble();
                if (!(d > double(INT_MIN) - 1 && d < double(INT_MAX) + 1))
                    throw invalidInteger(value.toString(), field.name);
            }
            bool ok = false;
            const qlonglong n = value.toLongLong(&ok);
            if (!ok || n < INT_MIN || n > INT_MAX) throw invalidInteger(value.toString(), field.name);
            return int(n);
        }
        case FieldType::Currency: {
            if (value.typeId() == QMetaType::QString) return valueFromText(field, value.toString());
            if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
                const double d = value.toDouble();
                const auto m = moneyFromDouble(d);
                if (!m) throw std::isfinite(d) ? moneyTooLarge(value.toString(), field.name)
                                               : invalidMoney(value.toString(), field.name);
                return QVariant::fromValue<qint64>(*m);
            }
            bool ok = false;
            const qlonglong n = value.toLongLong(&ok);
            if (!ok) throw invalidMoney(value.toString(), field.name);
            if (!moneyInRange(n)) throw moneyTooLarge(moneyToPlain(n), field.name);
            return QVariant::fromValue<qint64>(n);
        }
        case FieldType::Date: {
            if (value.typeId() == QMetaType::QString) return valueFromText(field, value.toString());
            if (value.typeId() == QMetaType::QDateTime) {
                const QDateTime dt = value.toDateTime();
                if (!dt.isValid()) return {};
                // The file keeps the local date and time in whole seconds; so does the value in memory.
                const QDateTime local = dt.toLocalTime();
                if (!yearInRange(local.date())) throw invalidDate(local.toString(Qt::ISODate), field.name);
                const QTime t = local.time();
                const QTime seconds(t.hour(), t.minute(), t.second());
                if (seconds == QTime(0, 0)) return local.date();
                return QDateTime(local.date(), seconds);
            }
            const QDate d = value.toDate();
            if (!d.isValid()) return {};
            if (!yearInRange(d)) throw invalidDate(d.toString(Qt::ISODate), field.name);
            return d;
        }
        case FieldType::Bool: {
            if (value.typeId() == QMetaType::QString) return valueFromText(field, value.toString());
            return value.toBool();
        }
    }
    return value;
}

}  // namespace ferolind
