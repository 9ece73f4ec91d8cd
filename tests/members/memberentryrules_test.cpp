// The rules behind the member entry screen, without the screen: the search, the
// direct-debit data edited, the account holder and the member's fee payments.
#include "members/memberentryrules.h"
#include "club.h"

#include <gtest/gtest.h>

using namespace ferolind;
using test::Club;

namespace {

void addFeeClass(Club& club, const QString& name) {
    Dataset& c = club.data->feeClasses();
    c.insert();
    c.setText("Name", name);
    c.setText("Beitrag", "10");
    c.post();
}

TEST(MemberEntryRules, SearchFindsWholeValuesInTheOfferedFieldsOnly) {
    Club club;
    club.addMember({{"Vorname", "Anna"}, {"Nachname", "Berg"}, {"Sonstiges2", "Chor"}});
    club.addMember({{"Vorname", "Annabell"}, {"Nachname", "Bergmann"}});
    club.addMember({{"Vorname", "Carl"}, {"Nachname", "Dorn"}});
    MemberEntryRules rules(*club.session);
    const struct {
        const char* field;
        const char* value;
        const char* found;  // the current member afterwards; "" when nothing was found
    } cases[] = {
        {"Nachname", "Bergmann", "Annabell"},
        {"nachname", "Berg", "Anna"},  // the field's letter case does not matter
        {"Vorname", "Ann", ""},        // no prefix match
        {"ID", "3", "Carl"},
        {"Sonstiges2", "Chor", "Anna"},
        {"Ort", "Bonn", ""},  // not a field the search offers
        {"Vorname", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.field) + "=" + c.value);
        club.members().last();
        const bool found = rules.search(c.field, c.value);
        EXPECT_EQ(found, *c.found != 0);
        EXPECT_EQ(club.members().text("Vorname"), *c.found ? c.found : "Carl");
    }
}

TEST(MemberEntryRules, DirectDebitEndsOnlyWhenAnEditLeavesItsDataIncomplete) {
    Club club;
    addFeeClass(club, "Voll");
    const std::pair<const char*, QString> complete[] = {
        {"Kontonummer", "123456"}, {"Betrag", "Voll"}, {"Bankleitzahl", "37050198"}, {"Kontoinhaber", "Anna Berg"}};
    MemberEntryRules rules(*club.session);
    Dataset& m = club.members();
    for (const auto& [emptied, value] : complete) {
        SCOPED_TRACE(emptied);
        m.insert();
        for (const auto& [f, v] : complete) m.setText(f, v);
        m.setValue("DTAUS", true);
        m.post();
        EXPECT_TRUE(rules.directDebitPossible());

        // Browsing changes nothing, whatever the rule is asked.
        rules.directDebitDataEdited();
        EXPECT_FALSE(m.isEditing());

        m.edit();
        m.setText("Nachname", "Berg");  // another field: direct debit stays
        rules.directDebitDataEdited();
        EXPECT_TRUE(m.value("DTAUS").toBool());
        m.setText(emptied, "");
        EXPECT_FALSE(rules.directDebitPossible());
        rules.directDebitDataEdited();
        EXPECT_FALSE(m.value("DTAUS").toBool());
        m.post();
        EXPECT_TRUE(club.notices.isEmpty());  // ended while typing: nothing to tell at the store
    }
}

TEST(MemberEntryRules, AccountHolderAndTheMembersFeePayments) {
    Club club;
    club.addMember({{"Vorname", "Anna"}, {"Nachname", "Berg"}, {"Kontoinhaber", "Otto"}});
    club.addMember({{"Vorname", "Bert"}, {"Nachname", "Cramer"}});
    club.addPayment(1, 2010);
    club.addPayment(2, 2010);
    club.addPayment(2, 2011);
    MemberEntryRules rules(*club.session);
    Dataset& m = club.members();

    m.first();
    rules.fillAccountHolder();
    EXPECT_TRUE(m.isEditing());
    EXPECT_EQ(m.text("Kontoinhaber"), "Anna Berg");
    m.cancel();

    m.last();
    EXPECT_EQ(rules.pickText(), "2 -  Bert Cramer");
    rules.restrictFeePaymentsToMember();
    EXPECT_EQ(club.data->feePayments().recordCount(), 2);
    rules.releaseFeePayments();
    EXPECT_EQ(club.data->feePayments().recordCount(), 3);
    EXPECT_EQ(MemberEntryRules::deleteQuestion("Bert", "Cramer"), "Mitglied Bert Cramer wirklich löschen?");
}

}  // namespace
