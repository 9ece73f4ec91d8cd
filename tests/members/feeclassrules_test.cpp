// The fee class rules reach the members inside the class's own transaction: a rename or
// delete that cannot move every member changes nothing.
#include "club.h"
#include "data/errors.h"
#include "data/progress.h"

#include <gtest/gtest.h>

using namespace ferolind;
using test::Club;

namespace {
// Stores a fee class; returns the fee class dataset, on it.
Dataset& addFeeClass(Club& club, const QString& name) {
    Dataset& c = club.data->feeClasses();
    c.insert();
    c.setText("Name", name);
    c.post();
    return c;
}
}  // namespace

TEST(FeeClassRules, ADeleteThatCannotMoveEveryMemberChangesNothing) {
    Club club;
    Dataset& c = addFeeClass(club, "Kinder");
    club.addMember({{"ID", "1"}, {"Betrag", "Kinder"}});
    club.addMember({{"ID", "2"}, {"Betrag", "Kinder"}});
    test::rawSql(club.folder(), {"CREATE TRIGGER refuse BEFORE UPDATE ON mitglieder WHEN OLD.ID = 2 "
                                 "BEGIN SELECT RAISE(ABORT, 'verweigert'); END"});
    ASSERT_TRUE(c.locate("Name", {"Kinder"}));
    EXPECT_THROW(c.remove(), DataError);
    EXPECT_EQ(c.totalCount(), 1);
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT count(*) FROM beitragsklassen"}).toInt(), 1);
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT count(*) FROM mitglieder WHERE Betrag = 'Kinder'"}).toInt(), 2);
    for (int i = 0; i < club.members().totalCount(); ++i)
        EXPECT_EQ(club.members().recordAt(i)[club.members().field("Betrag")].toString(), "Kinder");

    // A rename the same.
    ASSERT_TRUE(c.locate("Name", {"Kinder"}));
    c.edit();
    c.setText("Name", "Jugend");
    EXPECT_THROW(c.post(), DataError);
    c.cancel();
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT Name FROM beitragsklassen"}).toString(), "Kinder");
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT count(*) FROM mitglieder WHERE Betrag = 'Kinder'"}).toInt(), 2);
}

// A rename over many members tells how far it is, and that it ended, also when it fails.
TEST(FeeClassRules, ARenameReportsItsProgressOverTheMembers) {
    Club club;
    Dataset& c = addFeeClass(club, "Kinder");
    QStringList inserts;
    for (int i = 1; i <= 303; ++i)
        inserts << QStringLiteral("INSERT INTO mitglieder (ID, Nachname, Betrag) VALUES (%1, 'N', 'Kinder')").arg(i);
    inserts << "INSERT INTO mitglieder (ID, Nachname, Betrag) VALUES (400, 'N', 'Andere')";
    test::rawSql(club.folder(), inserts);
    club.members().refresh();

    struct Report {
        ProgressPhase phase;
        int done, total;
    };
    QVector<Report> reports;
    QString what;
    const ProgressSink before = setProgressSink([&](ProgressPhase p, const QString& w, int done, int total) {
        reports.append({p, done, total});
        what = w;
    });
    ASSERT_TRUE(c.locate("Name", {"Kinder"}));
    c.edit();
    c.setText("Name", "Jugend");
    c.post();
    ASSERT_FALSE(reports.isEmpty());
    EXPECT_EQ(reports.first().phase, ProgressPhase::Start);
    EXPECT_EQ(reports.first().total, 303);
    EXPECT_EQ(reports.last().phase, ProgressPhase::End);
    int steps = 0, last = -1;
    for (const Report& r : reports)
        if (r.phase == ProgressPhase::Step) {
            ++steps;
            EXPECT_GT(r.done, last);
            last = r.done;
        }
    EXPECT_EQ(steps, 303);
    EXPECT_TRUE(what.contains("Jugend")) << what.toStdString();

    // A rename that fails halfway still ends its progress.
    reports.clear();
    test::rawSql(club.folder(), {"CREATE TRIGGER refuse BEFORE UPDATE ON mitglieder WHEN OLD.ID = 200 "
                                 "BEGIN SELECT RAISE(ABORT, 'verweigert'); END"});
    ASSERT_TRUE(c.locate("Name", {"Jugend"}));
    c.edit();
    c.setText("Name", "Senioren");
    EXPECT_THROW(c.post(), DataError);
    c.cancel();
    ASSERT_FALSE(reports.isEmpty());
    EXPECT_EQ(reports.last().phase, ProgressPhase::End);
    setProgressSink(before);
}
