// The typed columns the datasets hold their rows in: every value comes back as it was
// set (type and value), rows inserted and removed anywhere keep the others' cells, texts
// stay valid and right through sharing, replacing and copying.
#include "data/columnstore.h"
#include "data/values.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QRandomGenerator>
#include <limits>

using namespace ferolind;

namespace {

FieldList allTypes() {
    return {{"Key", FieldType::AutoIncrement}, {"Number", FieldType::Integer}, {"Name", FieldType::Text, 50},
            {"Note", FieldType::Memo},         {"Day", FieldType::Date},       {"Yes", FieldType::Bool},
            {"Amount", FieldType::Currency}};
}

// The same value in the same type.
void expectSame(const QVariant& got, const QVariant& want, const QString& where) {
    EXPECT_EQ(got.isNull(), want.isNull()) << where.toStdString();
    if (want.isNull()) return;
    EXPECT_EQ(got.typeId(), want.typeId()) << where.toStdString() << " " << got.typeName();
    EXPECT_EQ(got, want) << where.toStdString() << ": " << got.toString().toStdString() << " for "
                         << want.toString().toStdString();
}

void expectRows(const ColumnStore& store, const QVector<Row>& model) {
    ASSERT_EQ(store.size(), model.size());
    for (int r = 0; r < model.size(); ++r)
        for (int f = 0; f < store.fieldCount(); ++f)
            expectSame(store.value(r, f), model[r].value(f), QStringLiteral("row %1 field %2").arg(r).arg(f));
}

Row randomRow(QRandomGenerator& g, int n) {
    const auto pick = [&] { return g.bounded(4) == 0; };  // a quarter of the cells null
    Row r(7);
    if (!pick()) r[0] = int(g.bounded(1000000));
    if (!pick()) r[1] = int(g.generate());
    if (!pick()) r[2] = QStringLiteral("Name %1").arg(g.bounded(20));  // few distinct
    if (!pick()) r[3] = QStringLiteral("Bemerkung Nummer %1 – äöü").arg(n);  // all distinct
    if (!pick()) r[4] = QDate(1900, 1, 1).addDays(g.bounded(50000));
    if (!pick()) r[5] = g.bounded(2) == 1;
    if (!pick()) r[6] = QVariant::fromValue<qint64>(qint64(g.generate64() % 100000000000LL) - 50000000000LL);
    return r;
}

}  // namespace

TEST(ColumnStore, EveryValueComesBackAsItWasSet) {
    const QString longText(70000, QChar(u'ß'));  // longer than a chunk of characters
    const struct {
        int field;
        QVariant value;
    } cases[] = {
        {0, 1},
        {0, std::numeric_limits<int>::max()},
        {1, 0},
        {1, -1},
        {1, std::numeric_limits<int>::min()},
        {1, QVariant()},
        {2, QStringLiteral("Müller")},
        {2, QStringLiteral("Emoji \U0001F600 und ẞ")},
        {2, QVariant()},
        {3, longText},
        {3, QStringLiteral("x")},
        {4, QDate(2024, 2, 29)},
        {4, QDate(1, 1, 1)},
        {4, QDate(9999, 12, 31)},
        {4, QDateTime(QDate(2011, 5, 14), QTime(13, 45, 7))},
        {4, QDateTime(QDate(1899, 12, 30), QTime(0, 0, 0, 1))},
        {4, QVariant()},
        {5, true},
        {5, false},
        {5, QVariant()},
        {6, QVariant::fromValue<qint64>(0)},
        {6, QVariant::fromValue<qint64>(-15000)},
        {6, QVariant::fromValue<qint64>(std::numeric_limits<qint64>::max())},
        {6, QVariant()},
    };
    ColumnStore store(allTypes());
    store.appendRow();
    for (const auto& c : cases) {
        store.set(0, c.field, c.value);
        expectSame(store.value(0, c.field), c.value, QStringLiteral("field %1").arg(c.field));
        EXPECT_EQ(store.isNull(0, c.field), c.value.isNull());
    }
    // A whole row, and the typed reads.
    const Row row{7, 42, QStringLiteral("Ätna"), QVariant(), QDate(2026, 12, 11), true, QVariant::fromValue<qint64>(125000)};
    const int at = store.append(row);
    expectSame(store.row(at).value(2), row[2], "row");
    EXPECT_EQ(store.row(at), row);
    EXPECT_EQ(store.number(at, 1), 42);
    EXPECT_EQ(store.number(at, 6), 125000);
    EXPECT_EQ(store.number(at, 5), 1);
    EXPECT_EQ(store.text(at, 2), QStringLiteral("Ätna"));
    EXPECT_TRUE(store.text(at, 3).isNull());
    // Dates order as numbers, a time of day after its date.
    store.set(0, 4, QDate(2026, 12, 10));
    EXPECT_LT(store.moment(0, 4), store.moment(at, 4));
    store.set(0, 4, QDateTime(QDate(2026, 12, 11), QTime(0, 0, 1)));
    EXPECT_GT(store.moment(0, 4), store.moment(at, 4));
    // Texts read as UTF-8, ASCII and not.
    store.setTextUtf8(at, 2, "Stra\xc3\x9f" "e", 7);
    EXPECT_EQ(store.value(at, 2).toString(), QStringLiteral("Straße"));
    store.setTextUtf8(at, 2, "Berlin", 6);
    EXPECT_EQ(store.value(at, 2).toString(), QStringLiteral("Berlin"));
}

TEST(ColumnStore, RowsInsertedAndRemovedAnywhereKeepTheOtherCells) {
    QRandomGenerator g(20261211);
    ColumnStore store(allTypes());
    QVector<Row> model;
    // Across several words of null bits.
    for (int i = 0; i < 200; ++i) {
        model.append(randomRow(g, i));
        store.append(model.last());
    }
    expectRows(store, model);
    for (int at : {0, 63, 64, 65, 127, 128, -1}) {
        if (at < 0) at = int(model.size());  // at the end
        const Row r = randomRow(g, 1000 + at);
        store.insertAt(at, r);
        model.insert(at, r);
        expectRows(store, model);
    }
    for (int at : {0, 64, 63, 100, -1}) {
        if (at < 0) at = int(model.size()) - 1;  // the last
        store.removeAt(at);
        model.remove(at);
        expectRows(store, model);
    }
    std::vector<char> keep(size_t(model.size()));
    QVector<Row> kept;
    for (int i = 0; i < model.size(); ++i) {
        keep[size_t(i)] = (i % 3 != 1) ? 1 : 0;
        if (keep[size_t(i)]) kept.append(model[i]);
    }
    store.keepOnly(keep);
    expectRows(store, kept);
    // Rows appended after the removals start with every cell null.
    const int fresh = store.appendRow();
    for (int f = 0; f < store.fieldCount(); ++f) EXPECT_TRUE(store.isNull(fresh, f)) << f;
}

TEST(ColumnStore, TextsStayRightThroughSharingReplacingAndCopying) {
    ColumnStore store({{"Town", FieldType::Text, 50}});
    // Few distinct texts, then more than are looked up for sharing.
    for (int i = 0; i < 10000; ++i) {
        const QByteArray town = QStringLiteral("Ort %1 ö").arg(i < 5000 ? i % 7 : i).toUtf8();
        store.setTextUtf8(store.appendRow(), 0, town.constData(), int(town.size()));
    }
    for (int i = 0; i < 10000; ++i)
        ASSERT_EQ(store.text(i, 0), QStringLiteral("Ort %1 ö").arg(i < 5000 ? i % 7 : i)) << i;
    EXPECT_LE(store.textCount(0), 7 + 5000) << "the repeated towns are kept once";
    // A view stays valid while rows with texts of their own are added.
    const QStringView first = store.text(0, 0);
    for (int i = 0; i < 100000; ++i) store.append({QStringLiteral("Weitere %1").arg(i)});
    EXPECT_EQ(first, QStringLiteral("Ort 0 ö")) << "a text once read does not move";
    for (int i = 0; i < 100000; ++i) ASSERT_EQ(store.text(10000 + i, 0), QStringLiteral("Weitere %1").arg(i)) << i;
    std::vector<char> firstRows(size_t(store.size()), 0);
    std::fill_n(firstRows.begin(), 10000, 1);
    store.keepOnly(firstRows);
    for (int i = 0; i < 100000; ++i) store.set(i % 10000, 0, QStringLiteral("Neu %1").arg(i));
    // Replaced texts are dropped again, the cells keep theirs.
    EXPECT_LE(store.textCount(0), 2 * 10000 + 256);
    for (int i = 0; i < 10000; ++i) ASSERT_EQ(store.text(i, 0), QStringLiteral("Neu %1").arg(90000 + i)) << i;
    // A copy is a store of its own.
    ColumnStore copy = store;
    store.set(0, 0, QStringLiteral("Original"));
    copy.set(1, 0, QStringLiteral("Kopie"));
    copy.append({QStringLiteral("Angehängt")});
    EXPECT_EQ(store.text(0, 0), QStringLiteral("Original"));
    EXPECT_EQ(store.text(1, 0), QStringLiteral("Neu 90001"));
    EXPECT_EQ(copy.text(0, 0), QStringLiteral("Neu 90000"));
    EXPECT_EQ(copy.text(1, 0), QStringLiteral("Kopie"));
    EXPECT_EQ(copy.size(), store.size() + 1);
}

TEST(ColumnStore, ARowReadsTheSameHeldWholeOrStored) {
    const Row row{3, QVariant(), QStringLiteral("Text"), QVariant(), QDate(2020, 1, 2), false, QVariant()};
    ColumnStore store(allTypes());
    store.append(row);
    const RowRef held(row), stored(store, 0);
    EXPECT_EQ(held.size(), stored.size());
    for (int f = 0; f < row.size(); ++f) {
        expectSame(stored[f], held[f], QStringLiteral("field %1").arg(f));
        EXPECT_EQ(stored.isNull(f), held.isNull(f)) << f;
        QStringView a, b;
        EXPECT_EQ(stored.text(f, a) && !a.isEmpty(), held.text(f, b) && !b.isEmpty()) << f;
        EXPECT_EQ(a, b) << f;
    }
    EXPECT_EQ(stored.toRow(), row);
    EXPECT_TRUE(stored[99].isNull()) << "a field past the row reads as none";
}
