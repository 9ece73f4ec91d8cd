// The donation receipt's data: the club data in their entries, the donor picked from
// the members, and the income booking prepared after printing, which never stores an
// amount it cannot read.
#include "booking/bookingrules.h"
#include "club.h"
#include "payments/donations.h"

#include <gtest/gtest.h>

using namespace ferolind;
using namespace ferolind::printing;

TEST(DonationData, ClubDataRoundTripsThroughTheirEntries) {
    test::Club club;
    EXPECT_EQ(loadClubData(*club.data).name, "");
    EXPECT_FALSE(loadClubData(*club.data).provisional);
    ClubData c{"TV Musterstadt", "Hauptstraße 1", "01067 Dresden", "Dresden-Nord", "203/140", "01.02.2010",
               "01.01.2009", "Sport"};
    c.provisional = true;
    c.notMembershipFee = true;
    storeClubData(*club.data, c);
    SettingsStore& s = club.data->settings();
    EXPECT_EQ(s.DbSettingGet("Strasse"), "Hauptstraße 1");
    EXPECT_EQ(s.DbSettingGet("gueltigAb"), "01.01.2009");
    EXPECT_EQ(s.DbSettingGet("Zweck"), "Sport");
    EXPECT_TRUE(s.DbSettingGetBool("vorlaeufig"));
    EXPECT_FALSE(s.DbSettingGetBool("VerzichtErstattungAufwendungen"));
    const ClubData back = loadClubData(*club.data);
    EXPECT_EQ(back.taxOffice, "Dresden-Nord");
    EXPECT_EQ(back.noticeDate, "01.02.2010");
    EXPECT_TRUE(back.notMembershipFee);
    EXPECT_FALSE(back.waiver);
    // A Boolean that cannot be read leaves its box unticked.
    s.DbSettingSet("vorlaeufig", "vielleicht");
    EXPECT_FALSE(loadClubData(*club.data).provisional);
}

TEST(DonationData, DonorIsPickedFromTheMembers) {
    test::Club club;
    club.addMember({{"ID", "5"}, {"Vorname", "Anna"}, {"Nachname", "Berg"}, {"Strasse", "Lindenweg 5"},
                    {"PLZ", "01069"}, {"Ort", "Dresden"}});
    club.addMember({{"ID", "17"}, {"Vorname", "Max"}, {"Nachname", "Müller"}, {"Strasse", "Am Markt 2"},
                    {"PLZ", "01067"}, {"Ort", "Dresden"}});
    EXPECT_EQ(donorPicks(*club.data), (QStringList{"5 -  Anna Berg", "17 -  Max Müller"}));
    Dataset& m = club.members();
    m.first();
    const Donor d = pickDonor(*club.data, "17 -  Max Müller");
    EXPECT_EQ(d.name, "Max Müller");
    EXPECT_EQ(d.street, "Am Markt 2");
    EXPECT_EQ(d.town, "01067 Dresden");
    EXPECT_EQ(m.intValue("ID"), 17);  // the dataset stays on the donor
    // No member with that number: the member the dataset stands on.
    EXPECT_EQ(pickDonor(*club.data, "99 -  Niemand").name, "Max Müller");
    EXPECT_EQ(pickDonor(*club.data, "Berg").name, "Max Müller");
    m.applyFilter("Nachname='Berg'");
    EXPECT_EQ(donorPicks(*club.data), QStringList{"5 -  Anna Berg"});
}

TEST(DonationData, PreparedBookingTakesTheAmountAsTypedOrNothing) {
    test::Club club;
    club.session->bookingRules().today = [] { return QDate(2011, 5, 14); };
    Dataset& b = club.data->bookings();
    prepareDonationBooking(*club.session, "Anna Berg", "12,50");
    ASSERT_EQ(b.state(), Dataset::State::Insert);
    EXPECT_EQ(b.text("Empfaenger/Absender"), "Anna Berg");
    EXPECT_EQ(b.text("Datum"), "14.05.2011");
    EXPECT_EQ(b.text("Buchungstext"), "Spende");
    EXPECT_EQ(b.text("Kategorie"), "Spenden");
    EXPECT_EQ(b.text("SollHaben"), "E");
    EXPECT_EQ(b.value("Betrag").toLongLong(), 125000);
    b.setText("Bestandskonto", "Kasse");
    ASSERT_TRUE(b.post());
    EXPECT_EQ(club.data->settings().AccountBalanceGet("Kasse"), 125000);

    // An amount the booking cannot read is reported and nothing is started or stored.
    for (const char* bad : {"25 EUR", "zwölf", "99999999999999999"}) {
        try {
            prepareDonationBooking(*club.session, "Anna Berg", QString::fromUtf8(bad));
            ADD_FAILURE() << bad;
        } catch (const DataError& e) {
            EXPECT_TRUE(e.message().contains("ist kein gültiger")) << e.message().toStdString();
        }
        EXPECT_EQ(b.state(), Dataset::State::Browse);
        EXPECT_EQ(b.totalCount(), 1);
    }
    EXPECT_EQ(club.data->settings().AccountBalanceGet("Kasse"), 125000);
}
