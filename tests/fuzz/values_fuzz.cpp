// Typed field values: the text a user types (valueFromText) and values handed over by
// callers (normaliseValue), for every field type. Whatever a field accepts must have a
// cell text (valueToText) that reads back to the same value, and normalising it again
// changes nothing: every value the program stores reads back from its own text.
//
// The input is read as UTF-8 text; its first bytes are also taken as a double, an integer,
// a day number and a moment, handed to normaliseValue as such. Runs in German time
// (Europe/Berlin), where a day has a missing and a doubled hour.
#include "data/errors.h"
#include "data/field.h"
#include "data/values.h"
#include "fuzzcheck.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>

using namespace ferolind;
using ferolind::fuzz::describe;

namespace {

const FieldDef kFields[] = {
    {QStringLiteral("DB-ID"), FieldType::AutoIncrement},  {QStringLiteral("Jahr"), FieldType::Integer},
    {QStringLiteral("Nachname"), FieldType::Text, 20},    {QStringLiteral("Bemerkung"), FieldType::Memo},
    {QStringLiteral("Geburtsdatum"), FieldType::Date},    {QStringLiteral("DTAUS"), FieldType::Bool},
    {QStringLiteral("Beitrag"), FieldType::Currency},
};

// The representation a stored value of the type has (see field.h).
bool hasFieldRepresentation(FieldType type, const QVariant& v) {
    if (!v.isValid()) return true;
    switch (type) {
        case FieldType::AutoIncrement:
        case FieldType::Integer: return v.typeId() == QMetaType::Int;
        case FieldType::Text:
        case FieldType::Memo: return v.typeId() == QMetaType::QString && !v.toString().isEmpty();
        case FieldType::Date:
            return (v.typeId() == QMetaType::QDate && v.toDate().isValid()) ||
                   (v.typeId() == QMetaType::QDateTime && v.toDateTime().isValid());
        case FieldType::Bool: return v.typeId() == QMetaType::Bool;
        case FieldType::Currency: return v.typeId() == QMetaType::LongLong && moneyInRange(v.toLongLong());
    }
    return false;
}

bool sameValue(const QVariant& a, const QVariant& b) {
    if (!a.isValid() || !b.isValid()) return a.isValid() == b.isValid();
    return a.typeId() == b.typeId() && a == b;
}

void checkStoredValue(const FieldDef& field, const QVariant& value, const QString& from) {
    FUZZ_CHECK(hasFieldRepresentation(field.type, value),
               QStringLiteral("%1: %2 aus %3").arg(field.name, describe(value), from));
    const QString text = valueToText(field.type, value);
    QVariant back;
    try {
        back = valueFromText(field, text);
    } catch (const DataError& e) {
        FUZZ_CHECK(false, QStringLiteral("%1: %2 aus %3 hat den Text '%4', der abgelehnt wird: %5")
                              .arg(field.name, describe(value), from, text, e.message()));
    }
    FUZZ_CHECK(sameValue(back, value), QStringLiteral("%1: %2 aus %3 wird über den Text '%4' zu %5")
                                           .arg(field.name, describe(value), from, text, describe(back)));
    QVariant again;
    try {
        again = normaliseValue(field, value);
    } catch (const DataError& e) {
        FUZZ_CHECK(false, QStringLiteral("%1: %2 aus %3 wird beim zweiten Mal abgelehnt: %4")
                              .arg(field.name, describe(value), from, e.message()));
    }
    FUZZ_CHECK(sameValue(again, value),
               QStringLiteral("%1: %2 aus %3 wird zu %4").arg(field.name, describe(value), from, describe(again)));
}

void checkText(const FieldDef& field, const QString& text) {
    QVariant v;
    try {
        v = valueFromText(field, text);
    } catch (const DataError& e) {
        FUZZ_CHECK(!e.message().isEmpty(), QStringLiteral("leere Meldung"));
        return;
    }
    checkStoredValue(field, v, QStringLiteral("dem Text '%1'").arg(text));
}

void checkValue(const FieldDef& field, const QVariant& given) {
    QVariant v;
    try {
        v = normaliseValue(field, given);
    } catch (const DataError& e) {
        FUZZ_CHECK(!e.message().isEmpty(), QStringLiteral("leere Meldung"));
        return;
    }
    checkStoredValue(field, v, describe(given));
}

template <typename T>
T leading(const uint8_t* data, size_t size) {
    T value{};
    std::memcpy(&value, data, std::min(size, sizeof(T)));
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto number = leading<qint64>(data, size);
    QVector<QVariant> given{text,
                            leading<double>(data, size),
                            QVariant::fromValue<qint64>(number),
                            leading<int>(data, size),
                            size > 0 && (data[0] & 1),
                            QDate::fromJulianDay(number),
                            // Moments within some 300 000 years of 1970.
                            QDateTime::fromMSecsSinceEpoch(number % (qint64(1) << 53))};
    for (const FieldDef& field : kFields) {
        checkText(field, text);
        for (const QVariant& v : given) checkValue(field, v);
    }
    return 0;
}
