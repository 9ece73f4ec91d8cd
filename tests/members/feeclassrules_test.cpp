// The fee class rules reach the members inside the class's own transaction: a rename or
// delete that cannot move every member changes nothing.
#include "club.h"
#include "data/errors.h"

#include <gtest/gtest.h>

using namespace ferolind;
using test::Club;

TEST(FeeClassRules, ADeleteThatCannotMoveEveryMemberChangesNothing) {
    Club club;
    Dataset& c = club.data->feeClasses();
    c.insert();
    c.setText("Name", "Kinder");
    c.post();
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
