// The statements a connection keeps prepared: values written as the Qt driver wrote them,
// no lock held between uses, a read inside a read, many distinct statements, failures
// reported in German; and the row keys a bulk store lists.
#include "club.h"
#include "data/connection.h"
#include "data/errors.h"
#include "data/schema.h"
#include "data/values.h"

#include <gtest/gtest.h>
#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>

using namespace ferolind;
using ferolind::test::Club;

namespace {
const QString kWhat = QStringLiteral("Der Test kann nicht schreiben");

void makeProbeTable(Connection& c) {
    c.run(QStringLiteral("CREATE TABLE probe (id INTEGER PRIMARY KEY, v)"), {}, kWhat);
}
}  // namespace

// Each value must reach the file in the stored form the Qt driver gave it, or files
// written before and after would read differently.
TEST(KeptStatements, BindValuesAsTheQtDriverDoes) {
    Club club;
    Connection& c = *club.data->connection();
    makeProbeTable(c);
    const QList<QVariant> values{
        QVariant(42),
        QVariant::fromValue<qint64>(9'000'000'000'000LL),
        QVariant(true),
        QVariant(2.5),
        QVariant(QStringLiteral("Müller & Söhne")),
        QVariant(QDate(2011, 5, 14)),
        QVariant(QDateTime(QDate(2011, 5, 14), QTime(8, 30, 5, 120))),
        QVariant(QByteArray("\x00\x01\xff", 3)),
        QVariant(QMetaType::fromType<QString>()),  // a null text
        QVariant(),
    };
    QSqlQuery qt(c.db());
    for (int i = 0; i < values.size(); ++i) {
        c.run(QStringLiteral("INSERT INTO probe (id, v) VALUES (?, ?)"), {i + 1, values[i]}, kWhat);
        ASSERT_TRUE(qt.prepare(QStringLiteral("INSERT INTO probe (id, v) VALUES (?, ?)")));
        qt.addBindValue(i + 101);
        qt.addBindValue(values[i]);
        ASSERT_TRUE(qt.exec()) << qt.lastError().text().toStdString();
    }
    for (int i = 0; i < values.size(); ++i) {
        const auto ours = c.select(QStringLiteral("SELECT typeof(v), quote(v) FROM probe WHERE id = ?"), {i + 1}, kWhat);
        const auto theirs =
            c.select(QStringLiteral("SELECT typeof(v), quote(v) FROM probe WHERE id = ?"), {i + 101}, kWhat);
        ASSERT_EQ(ours.size(), 1);
        EXPECT_EQ(ours, theirs) << "value " << i << ": " << values[i].toString().toStdString();
    }
}

TEST(KeptStatements, RunReturnsTheRowIdOrTheFirstNumber) {
    Club club;
    Connection& c = *club.data->connection();
    makeProbeTable(c);
    EXPECT_EQ(c.run(QStringLiteral("INSERT INTO probe (v) VALUES (?)"), {QStringLiteral("a")}, kWhat), 1);
    EXPECT_EQ(c.run(QStringLiteral("INSERT INTO probe (v) VALUES (?)"), {QStringLiteral("b")}, kWhat), 2);
    EXPECT_EQ(c.run(QStringLiteral("INSERT INTO probe (v) VALUES (?) RETURNING id * 10"), {QStringLiteral("c")},
                    kWhat),
              30);
    EXPECT_EQ(c.select(QStringLiteral("SELECT count(*) FROM probe"), {}, kWhat).value(0).value(0).toInt(), 3);
    EXPECT_TRUE(c.select(QStringLiteral("SELECT v FROM probe WHERE id = ?"), {99}, kWhat).isEmpty());
}

// A statement kept for the next use must not keep the file locked: another workstation
// writes between two of our reads, and a commit is not held up by a kept read.
TEST(KeptStatements, HoldNoLockBetweenUses) {
    Club club;
    Connection& c = *club.data->connection();
    makeProbeTable(c);
    c.run(QStringLiteral("INSERT INTO probe (v) VALUES (1)"), {}, kWhat);
    EXPECT_EQ(c.select(QStringLiteral("SELECT v FROM probe"), {}, kWhat).size(), 1);
    ferolind::test::rawSql(club.folder(), {QStringLiteral("INSERT INTO probe (v) VALUES (2)")});
    EXPECT_EQ(c.select(QStringLiteral("SELECT v FROM probe"), {}, kWhat).size(), 2);
    Connection other(club.folder(), QStringLiteral("other"));
    other.begin();
    other.run(QStringLiteral("INSERT INTO probe (v) VALUES (3)"), {}, kWhat);
    other.commit();
    EXPECT_EQ(c.select(QStringLiteral("SELECT v FROM probe"), {}, kWhat).size(), 3);
}

// The same statement asked for while its kept copy is still stepping (a read inside a
// read) gets one of its own; more distinct statements than are kept start the collection
// anew without finalizing one in use.
TEST(KeptStatements, NestedUseAndManyDistinctStatements) {
    Club club;
    Connection& c = *club.data->connection();
    makeProbeTable(c);
    for (int i = 1; i <= 3; ++i) c.run(QStringLiteral("INSERT INTO probe (v) VALUES (?)"), {i * 10}, kWhat);
    const QString byId = QStringLiteral("SELECT v FROM probe WHERE id = ?");
    const Connection::Statement outer = c.prepared(byId, kWhat);
    c.bind(outer, {2}, kWhat);
    // While the outer one is in use: the same text, and enough others to clear the rest.
    EXPECT_EQ(c.select(byId, {3}, kWhat).value(0).value(0).toInt(), 30);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(c.select(QStringLiteral("SELECT %1 + v FROM probe WHERE id = 1").arg(i), {}, kWhat)
                      .value(0)
                      .value(0)
                      .toInt(),
                  i + 10);
    c.bind(outer, {1}, kWhat);
    const auto again = c.select(byId, {1}, kWhat);
    EXPECT_EQ(again.value(0).value(0).toInt(), 10);
}

TEST(KeptStatements, FailuresAreGermanDataErrors) {
    Club club;
    Connection& c = *club.data->connection();
    makeProbeTable(c);
    const auto message = [&](const std::function<void()>& f) {
        try {
            f();
        } catch (const DataError& e) {
            return e.message();
        }
        return QStringLiteral("kein Fehler");
    };
    const QString badSql = message([&] { c.run(QStringLiteral("INSERT INTO nirgends VALUES (1)"), {}, kWhat); });
    EXPECT_EQ(badSql, QStringLiteral("Die Datenbank ist unvollständig: die Tabelle »nirgends« fehlt."));
    const QString badCount = message([&] { c.run(QStringLiteral("INSERT INTO probe (v) VALUES (?)"), {1, 2}, kWhat); });
    EXPECT_EQ(badCount, kWhat + QStringLiteral(": Die Datenbank hat den Vorgang abgelehnt."));
    c.run(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON probe BEGIN SELECT RAISE(ABORT, 'verweigert'); END"),
          {}, kWhat);
    const QString refused = message([&] { c.run(QStringLiteral("INSERT INTO probe (v) VALUES (1)"), {}, kWhat); });
    EXPECT_EQ(refused, kWhat + QStringLiteral(": Die Datenbank hat den Vorgang abgelehnt."));
    // The refused statement was reset: the next use runs.
    c.run(QStringLiteral("DROP TRIGGER refuse"), {}, kWhat);
    EXPECT_EQ(c.run(QStringLiteral("INSERT INTO probe (v) VALUES (1)"), {}, kWhat), 1);
}

// A bulk store lists its rows by key up to the limit and the table as a whole beyond it;
// another workstation then reads the rows or the whole table, never misses one.
TEST(KeptStatements, ABulkStoreBeyondTheListedRowsCountsAsWhole) {
    Club club;
    Dataset& m = club.members();
    DataModule second;
    second.openFolder(club.folder());
    second.connection()->changesByOthers();
    for (int rows : {3, 700}) {
        Transaction tx(club.data->connection());
        for (int i = 0; i < rows; ++i) {
            Transaction inner(club.data->connection());
            m.insert();
            m.setText("ID", QString::number(m.totalCount() + 1000));
            m.setText("Nachname", QStringLiteral("Neu"));
            m.post();
            inner.commit();
        }
        tx.commit();
        const Connection::Changes seen = second.connection()->changesByOthers();
        ASSERT_TRUE(seen.any);
        const QString table = m.table()->name;
        EXPECT_TRUE(seen.tables.contains(table));
        if (rows == 3) {
            ASSERT_TRUE(seen.rows.contains(table));
            EXPECT_EQ(seen.rows.value(table).size(), 3);
        } else {
            EXPECT_FALSE(seen.rows.contains(table));  // read whole
        }
    }
}

TEST(CurrentDay, IsTodaysDate) {
    const QDate before = QDate::currentDate();
    const QDate day = currentDay();
    EXPECT_TRUE(day == before || day == QDate::currentDate());
    EXPECT_EQ(currentDay(), day);
}
