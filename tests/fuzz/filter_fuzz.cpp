// The filter language: any text is either compiled or refused with a message, and a
// compiled filter tests rows of every kind (no values, ordinary ones, the extremes a
// table can hold) without fault. A filter that selects all rows matches each of them.
#include "data/errors.h"
#include "data/field.h"
#include "data/filter.h"
#include "fuzzcheck.h"

#include <QDate>
#include <QDateTime>

#include <cstdint>
#include <limits>

using namespace ferolind;

namespace {

const FieldList& fields() {
    static const FieldList f{
        {QStringLiteral("DB-ID"), FieldType::AutoIncrement},
        {QStringLiteral("ID"), FieldType::Integer},
        {QStringLiteral("Nachname"), FieldType::Text, 50},
        {QStringLiteral("Bemerkung"), FieldType::Memo},
        {QStringLiteral("Geburtsdatum"), FieldType::Date},
        {QStringLiteral("DTAUS"), FieldType::Bool},
        {QStringLiteral("Betrag"), FieldType::Currency},
        {QStringLiteral("Empfaenger/Absender"), FieldType::Text, 50},
    };
    return f;
}

const QVector<Row>& rows() {
    constexpr int kMinInt = std::numeric_limits<int>::min(), kMaxInt = std::numeric_limits<int>::max();
    constexpr qint64 kMinMoney = std::numeric_limits<qint64>::min(), kMaxMoney = std::numeric_limits<qint64>::max();
    static const QVector<Row> r{
        Row(fields().size()),
        {1, 101, QStringLiteral("Müller"), QStringLiteral("Zahlt bar.\r\nAb 2024 ermäßigt."), QDate(1961, 4, 12), true,
         QVariant::fromValue<qint64>(125000), QStringLiteral("O'Neill, Anne")},
        {kMaxInt, kMinInt, QStringLiteral("*"), QStringLiteral("'"), QDateTime(QDate(2024, 3, 1), QTime(14, 5, 9)),
         false, QVariant::fromValue<qint64>(kMinMoney), QString(300, QChar(0xFFFD))},
        {kMinInt, kMaxInt, QStringLiteral("zz"), QString(), QDate(1, 1, 1), true,
         QVariant::fromValue<qint64>(kMaxMoney), QVariant()},
        {0, 0, QStringLiteral("a"), QStringLiteral("b"), QDate(9999, 12, 31), false, QVariant::fromValue<qint64>(0),
         QStringLiteral("x")},
    };
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    std::shared_ptr<const Filter> filter;
    try {
        filter = Filter::compile(text, fields());
    } catch (const DataError& e) {
        FUZZ_CHECK(!e.message().isEmpty(), QStringLiteral("leere Meldung für '%1'").arg(text));
        return 0;
    }
    FUZZ_CHECK(filter != nullptr, QStringLiteral("kein Filter für '%1'").arg(text));
    for (const Row& row : rows()) {
        const bool match = filter->matches(row);
        FUZZ_CHECK(!filter->selectsAll() || match, QStringLiteral("'%1' wählt alles, aber nicht jede Zeile").arg(text));
    }
    return 0;
}
