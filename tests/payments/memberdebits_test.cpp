// The member step both direct-debit runs share: who leaves before the collection date is
// not debited (the bank would return it with fees), is named, and comes back with the tick.
#include "club.h"
#include "payments/memberdebits.h"

#include <gtest/gtest.h>

using namespace ferolind;

namespace {

struct DebitStep : ::testing::Test {
    test::Club club{QDate(2026, 3, 2)};

    void SetUp() override {
        Dataset& classes = club.data->feeClasses();
        classes.insert();
        classes.setText("Name", "Jugend");
        classes.setText("Beitrag", "24,00");
        ASSERT_TRUE(classes.post());
        // leaving: none, long ago, the day before, on the day, after it
        add("1", "Anna", "");
        add("2", "Bert", "31.12.2025");
        add("3", "Carl", "09.03.2026");
        add("4", "Dora", "10.03.2026");
        add("5", "Emil", "31.12.2026");
        club.members().applyFilter("DTAUS = true");
    }
    void add(const char* id, const char* first, const char* left) {
        club.addMember({{"ID", id}, {"Vorname", first}, {"Nachname", "Beispiel"}, {"Betrag", "Jugend"},
                        {"Kontoinhaber", first}, {"Bankleitzahl", "37040044"}, {"Kontonummer", "532013000"},
                        {"DTAUS", "Wahr"}, {"AustrittDatum", left}});
    }
    MemberDebits collect(const DebitSelection& selection) {
        QStringList refused;
        return collectMemberDebits(
            *club.session, nullptr, [](const MemberDebit&, const RowRef&) { return QString(); },
            [&](const QString& who, const QString& why) { refused << who + ": " + why; }, selection);
    }
    static QList<int> ids(const MemberDebits& m) {
        QList<int> out;
        for (const MemberDebit& d : m.debits) out << d.memberId;
        return out;
    }
};

}  // namespace

TEST_F(DebitStep, MembersWhoLeftBeforeTheCollectionDateAreLeftOutAndNamed) {
    ASSERT_EQ(club.members().recordCount(), 5);
    const MemberDebits collected = collect({QDate(2026, 3, 10), false});
    EXPECT_EQ(ids(collected), (QList<int>{1, 4, 5}));
    EXPECT_EQ(collected.formerMembers, (QStringList{"Nr. 2 (Bert Beispiel)", "Nr. 3 (Carl Beispiel)"}));
    EXPECT_EQ(collected.amount, 3 * 24 * kMoneyUnit);
    const QString note = formerMembersNote(collected.formerMembers);
    EXPECT_TRUE(note.contains(QStringLiteral("ausgetreten (2)"))) << note.toStdString();
    EXPECT_TRUE(note.contains(QStringLiteral("Nr. 3 (Carl Beispiel)"))) << note.toStdString();
    EXPECT_TRUE(formerMembersNote({}).isEmpty());
}

TEST_F(DebitStep, TheTickPutsThemBackAndTheDateDefaultsToToday) {
    const MemberDebits all = collect({QDate(2026, 3, 10), true});
    EXPECT_EQ(ids(all), (QList<int>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(all.formerMembers.isEmpty());
    // Without a collection date the rules' today (2 March) decides: only Bert had left.
    const MemberDebits today = collect({});
    EXPECT_EQ(ids(today), (QList<int>{1, 3, 4, 5}));
    EXPECT_EQ(today.formerMembers, (QStringList{"Nr. 2 (Bert Beispiel)"}));
}
