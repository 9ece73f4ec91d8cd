// Fee payments in core: the lookup per period kind, the periods typed in the boxes, the
// list of members who have not paid, the arrears filter, storing and deleting a payment
// row, and the income booking prepared for it.
#include "booking/bookingrules.h"
#include "club.h"
#include "data/filter.h"
#include "fees/feepayments.h"

#include <gtest/gtest.h>

using namespace ferolind;

namespace {

const QDate kToday(2011, 5, 20);
constexpr int M = int(PaymentPeriod::Monthly), Q = int(PaymentPeriod::Quarterly), Y = int(PaymentPeriod::Yearly);

struct FeeClub : ::testing::Test {
    test::Club club{kToday};
    Dataset& payments = club.data->feePayments();
    Dataset& bookings = club.data->bookings();

    void SetUp() override { club.session->bookingRules().today = [] { return kToday; }; }
    void addMembers(int count) {
        for (int i = 1; i <= count; ++i)
            club.addMember({{"ID", QString::number(i)}, {"Vorname", "V" + QString::number(i)}, {"Nachname", "N" + QString::number(i)}});
    }
    void addClass(const QString& name, const QString& fee) {
        Dataset& c = club.data->feeClasses();
        c.insert();
        c.setText("Name", name);
        c.setText("Beitrag", fee);
        ASSERT_TRUE(c.post());
    }
    int rowsInFile() { return test::rawSql(club.folder(), {"SELECT COUNT(*) FROM betrag"}).toInt(); }
    QStringList presentedIds() {
        QStringList ids;
        for (int p = 0; p < club.members().recordCount(); ++p) ids << club.members().rowAt(p)[0].toString();
        return ids;
    }
};

// One payment row, then the lookup for a period: (row, kind, year, period, paid).
struct LookupCase {
    const char* what;
    int year, month, quarter;
    int kind, askYear, askPeriod;
    bool paid;
};

TEST_F(FeeClub, LookupComparesTheKeyColumnsOfTheKind) {
    const LookupCase cases[] = {
        {"a January row counts for the year", 2011, 1, 0, Y, 2011, 0, true},
        {"a January row counts for January", 2011, 1, 0, M, 2011, 1, true},
        {"a January row is no February", 2011, 1, 0, M, 2011, 2, false},
        {"a January row is no first quarter", 2011, 1, 0, Q, 2011, 1, false},
        {"a yearly row is never a month", 2011, 0, 0, M, 2011, 1, false},
        {"a yearly row is never a quarter", 2011, 0, 0, Q, 2011, 1, false},
        {"a yearly row is its year", 2011, 0, 0, Y, 2011, 0, true},
        {"a yearly row is no other year", 2011, 0, 0, Y, 2012, 0, false},
        {"a quarterly row is its quarter", 2011, 0, 3, Q, 2011, 3, true},
        {"a quarterly row counts for the year", 2011, 0, 3, Y, 2011, 0, true},
        {"a quarterly row is no month of it", 2011, 0, 3, M, 2011, 3, false},
        {"a row of another year is nothing", 2010, 5, 0, M, 2011, 5, false},
    };
    addMembers(2);
    for (const LookupCase& c : cases) {
        for (int i = payments.totalCount(); i > 0; --i) {
            payments.first();
            payments.remove();
        }
        club.addPayment(1, c.year, c.month, c.quarter);
        EXPECT_EQ(club.rules().IsFeePaid(1, c.kind, c.askYear, c.askPeriod), c.paid) << c.what;
        EXPECT_FALSE(club.rules().IsFeePaid(2, c.kind, c.askYear, c.askPeriod)) << c.what << " (other member)";
    }
}

TEST_F(FeeClub, DuplicateRowsSatisfyTheLookupUntilTheLastIsDeleted) {
    addMembers(1);
    club.addPayment(1, 2011, 4);
    club.addPayment(1, 2011, 4);  // as a direct-debit run may store it
    EXPECT_TRUE(club.rules().IsFeePaid(1, M, 2011, 4));
    payments.first();
    deleteCurrentFeePayment(*club.data);
    EXPECT_TRUE(club.rules().IsFeePaid(1, M, 2011, 4));
    payments.first();
    deleteCurrentFeePayment(*club.data);
    EXPECT_FALSE(club.rules().IsFeePaid(1, M, 2011, 4));
    EXPECT_EQ(rowsInFile(), 0);
    deleteCurrentFeePayment(*club.data);  // nothing left: nothing happens
}

// Payments stored in no member order (as years of entries give them): each member's
// rows are found, none of a neighbour's.
TEST_F(FeeClub, PaymentsInAnyOrderAreFoundPerMember) {
    addMembers(4);
    const int rows[][3] = {{3, 2011, 5}, {1, 2010, 5}, {3, 2010, 1}, {1, 2011, 2}, {4, 2011, 5}, {1, 2011, 5}};
    for (const auto& r : rows) club.addPayment(r[0], r[1], r[2]);
    EXPECT_TRUE(club.rules().IsFeePaid(1, M, 2011, 2));
    EXPECT_TRUE(club.rules().IsFeePaid(1, M, 2011, 5));
    EXPECT_TRUE(club.rules().IsFeePaid(1, M, 2010, 5));
    EXPECT_FALSE(club.rules().IsFeePaid(1, M, 2010, 1));  // member 3's row
    EXPECT_FALSE(club.rules().IsFeePaid(2, Y, 2011, 0));
    EXPECT_TRUE(club.rules().IsFeePaid(3, M, 2010, 1));
    EXPECT_FALSE(club.rules().IsFeePaid(3, M, 2011, 2));  // member 1's row
    EXPECT_TRUE(club.rules().IsFeePaid(4, Y, 2011, 0));
    EXPECT_FALSE(club.rules().IsFeePaid(5, Y, 2011, 0));  // past the last member
    EXPECT_FALSE(club.rules().IsFeePaid(0, Y, 2011, 0));  // before the first
}

TEST(FeePeriodTexts, WholeNumbersInRangeOrAGermanMessage) {
    struct Case {
        int kind;
        const char *year, *period;
        int wantYear, wantPeriod;
        const char* message;  // empty: accepted
    } const cases[] = {
        {M, "2011", "12", 2011, 12, ""},
        {M, " 2011 ", "1", 2011, 1, ""},
        {Q, "2011", "4", 2011, 4, ""},
        {Y, "2011", "kein Monat", 2011, 0, ""},  // yearly reads no period
        {M, "20x1", "1", 0, 0, "'20x1' ist kein gültiger Integer-Wert"},
        {M, "2011", "", 0, 0, "'' ist kein gültiger Integer-Wert"},
        {Q, "2011", "2,5", 0, 0, "'2,5' ist kein gültiger Integer-Wert"},
        {M, "2011", "13", 0, 0, "13 ist kein gültiger Monat (1 bis 12)."},
        {M, "2011", "0", 0, 0, "0 ist kein gültiger Monat (1 bis 12)."},
        {Q, "2011", "5", 0, 0, "5 ist kein gültiges Quartal (1 bis 4)."},
        {Y, "0", "", 0, 0, "0 ist kein gültiges Jahr."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.year) + " / " + c.period);
        if (*c.message) {
            try {
                feePeriodFromTexts(c.kind, QString::fromUtf8(c.year), QString::fromUtf8(c.period));
                ADD_FAILURE() << "accepted";
            } catch (const DataError& e) {
                EXPECT_EQ(e.message(), QString::fromUtf8(c.message));
            }
        } else {
            const FeePeriod p = feePeriodFromTexts(c.kind, QString::fromUtf8(c.year), QString::fromUtf8(c.period));
            EXPECT_EQ(p.year, c.wantYear);
            EXPECT_EQ(p.period, c.wantPeriod);
        }
    }
}

TEST(FeePeriodBoxes, ItemsLabelsYearsAndTheOpeningPeriod) {
    EXPECT_EQ(periodBoxItems(M).size(), 12);
    EXPECT_EQ(periodBoxItems(M).last(), "12");
    EXPECT_EQ(periodBoxItems(Q), (QStringList{"1", "2", "3", "4"}));
    EXPECT_TRUE(periodBoxItems(Y).isEmpty());
    EXPECT_EQ(periodLabelText(M), "Monat");
    EXPECT_EQ(periodLabelText(Q), "Quartal");
    const QStringList years = yearBoxItems(kToday);
    ASSERT_EQ(years.size(), 21);
    EXPECT_EQ(years.first(), "1996");
    EXPECT_EQ(years.last(), "2016");
    // Quarterly opens on quarter 1, whatever the date; monthly on this month.
    EXPECT_EQ(openingPeriod(Q, kToday).period, 1);
    EXPECT_EQ(openingPeriod(M, kToday).period, 5);
    EXPECT_EQ(openingPeriod(Y, kToday).year, 2011);
}

TEST(FeeTexts, PickTextsAndBookingTextsPerKind) {
    EXPECT_EQ(memberPickText(12, "Anna", "Berg"), "12 -  Anna Berg");
    EXPECT_EQ(memberOfPickText("12 -  Anna Berg"), 12);
    EXPECT_EQ(memberOfPickText(""), 0);
    EXPECT_EQ(feeBookingText({M, 2011, 3}), "Beitragszahlung 3 - 2011");
    EXPECT_EQ(feeBookingText({Q, 2011, 2}), "Beitragszahlung 2 - 2011");
    EXPECT_EQ(feeBookingText({Y, 2011, 0}), "Beitragszahlung 2011");
}

TEST_F(FeeClub, UnpaidListFollowsTheOrderAndFilterOfTheMembers) {
    addMembers(4);
    club.addPayment(2, 2011, 5);
    club.addPayment(3, 2011, 0, 2);
    club.members().setSort("Nachname");  // N1, N2, N3, N4
    EXPECT_EQ(unpaidMemberPicks(*club.session, {M, 2011, 5}), (QStringList{"1 -  V1 N1", "3 -  V3 N3", "4 -  V4 N4"}));
    EXPECT_EQ(unpaidMemberPicks(*club.session, {Q, 2011, 2}), (QStringList{"1 -  V1 N1", "2 -  V2 N2", "4 -  V4 N4"}));
    EXPECT_EQ(unpaidMemberPicks(*club.session, {Y, 2011, 0}), (QStringList{"1 -  V1 N1", "4 -  V4 N4"}));
    club.members().applyFilter("ID >= 3");
    EXPECT_EQ(unpaidMemberPicks(*club.session, {Y, 2011, 0}), (QStringList{"4 -  V4 N4"}));
    EXPECT_FALSE(club.members().controlsDisabled());
}

TEST_F(FeeClub, ArrearsFilterNamesThePayersAndTheListShowsTheOthers) {
    addMembers(4);
    // Nobody paid: no filter, all members.
    EXPECT_EQ(arrearsFilter(*club.session, {Y, 2011, 0}), "");
    showArrears(*club.session, {Y, 2011, 0});
    EXPECT_EQ(club.members().recordCount(), 4);

    club.addPayment(1, 2011, 2);  // monthly row: paid for the year
    club.addPayment(3, 2011, 0, 0);
    EXPECT_EQ(arrearsFilter(*club.session, {Y, 2011, 0}), "ID<>1 and ID<>3");
    club.members().applyFilter("ID = 4");  // an earlier filter is removed first
    showArrears(*club.session, {Y, 2011, 0});
    EXPECT_EQ(presentedIds(), (QStringList{"2", "4"}));
    showArrears(*club.session, {M, 2011, 2});
    EXPECT_EQ(presentedIds(), (QStringList{"2", "3", "4"}));

    // Everybody paid: nobody listed.
    club.addPayment(2, 2011);
    club.addPayment(4, 2011);
    showArrears(*club.session, {Y, 2011, 0});
    EXPECT_EQ(club.members().recordCount(), 0);
}

TEST_F(FeeClub, LeaversAreListedLikeAllOthers) {
    addMembers(2);
    club.members().locate("ID", {2});
    club.members().edit();
    club.members().setText("AustrittDatum", "31.12.2010");
    ASSERT_TRUE(club.members().post());
    club.addPayment(1, 2011);
    showArrears(*club.session, {Y, 2011, 0});
    EXPECT_EQ(presentedIds(), (QStringList{"2"}));
}

TEST(ArrearsFilterChain, FortyThousandTermsSelectExactlyTheOthers) {
    // The chain the arrears list builds for a large club: compiled without deep
    // recursion, and the same selection as the terms one by one.
    FieldList fields{FieldDef{QStringLiteral("ID"), FieldType::Integer}};
    QString text;
    for (int id = 1; id <= 50000; ++id) {
        if (id % 5 == 0) continue;
        text += text.isEmpty() ? QStringLiteral("ID<>") : QStringLiteral(" and ID<>");
        text += QString::number(id);
    }
    const auto filter = Filter::compile(text, fields);
    for (int id : {1, 4, 5, 6, 49999, 50000, 50001, 0, -5})
        EXPECT_EQ(filter->matches(Row{QVariant(id)}), id % 5 == 0 || id > 50000 || id < 1) << id;
}

TEST_F(FeeClub, RecordingStoresTheRowOfTheKindAndRefusesASecondOrAnUnknownMember) {
    addMembers(2);
    recordFeePayment(*club.session, 1, {M, 2011, 5});
    recordFeePayment(*club.session, 1, {Q, 2011, 2});
    recordFeePayment(*club.session, 2, {Y, 2011, 0});
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT group_concat(Mitgliedsnummer || '/' || Jahr || '/' || Monat || '/' || "
                                           "Quartal, ' ') FROM (SELECT * FROM betrag ORDER BY ID)"})
                  .toString(),
              "1/2011/5/0 1/2011/0/2 2/2011/0/0");
    EXPECT_TRUE(club.rules().isCurrentFeePaid(1));
    for (const auto& [member, period] : {std::pair{1, FeePeriod{M, 2011, 5}}, std::pair{1, FeePeriod{Y, 2011, 0}},
                                         std::pair{9, FeePeriod{M, 2011, 5}}}) {
        EXPECT_THROW(recordFeePayment(*club.session, member, period), DataError);
    }
    EXPECT_EQ(rowsInFile(), 3);
    EXPECT_EQ(payments.state(), Dataset::State::Browse);
}

// A payment another workstation stored after this one read the table: asked of the file,
// the period is paid; per kind as the lookup decides it.
TEST_F(FeeClub, APaymentStoredElsewhereMeanwhileRefusesTheSecondAndStoresNothing) {
    addMembers(6);
    int member = 0;  // one each, so that this program's own rows never answer
    const struct {
        const char* stored;  // Jahr, Monat, Quartal of the row in the file
        FeePeriod asked;
        bool refused;
    } cases[] = {{"2011, 5, 0", {M, 2011, 5}, true},  {"2011, 5, 0", {M, 2011, 6}, false},
                 {"2011, 0, 2", {Q, 2011, 2}, true},  {"2011, 0, 2", {Q, 2011, 3}, false},
                 {"2011, 5, 0", {Y, 2011, 0}, true},  {"2012, 0, 0", {Y, 2011, 0}, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.stored) + " asked " + std::to_string(c.asked.kind));
        ++member;
        test::rawSql(club.folder(), {"DELETE FROM betrag",
                                     QString("INSERT INTO betrag (Mitgliedsnummer, Jahr, Monat, Quartal) VALUES (%1, %2)")
                                         .arg(member)
                                         .arg(c.stored)});
        if (c.refused) {
            try {
                recordFeePayment(*club.session, member, c.asked);
                ADD_FAILURE() << "stored twice";
            } catch (const DataError& e) {
                EXPECT_EQ(e.message(),
                          QString("Für das Mitglied %1 ist der Beitrag dieses Zeitraums schon gebucht.").arg(member));
            }
            EXPECT_EQ(rowsInFile(), 1);
        } else {
            recordFeePayment(*club.session, member, c.asked);
            EXPECT_EQ(rowsInFile(), 2);
        }
        EXPECT_EQ(payments.state(), Dataset::State::Browse);
    }
}

TEST_F(FeeClub, PreparedBookingCarriesTheFullFeeOfTheClassInEveryKind) {
    addClass("Erwachsene", "60,00");
    addMembers(2);
    club.members().locate("ID", {1});
    club.members().edit();
    club.members().setText("Betrag", "Erwachsene");
    ASSERT_TRUE(club.members().post());
    club.members().first();
    for (const FeePeriod& p : {FeePeriod{M, 2011, 3}, FeePeriod{Q, 2011, 1}, FeePeriod{Y, 2011, 0}}) {
        prepareFeeBooking(*club.session, 1, p);
        EXPECT_EQ(bookings.state(), Dataset::State::Insert);
        EXPECT_EQ(bookings.value("Betrag").toLongLong(), 600000) << "the full fee, not a part";
        EXPECT_EQ(bookings.text("Buchungstext"), feeBookingText(p));
        EXPECT_EQ(bookings.text("Empfaenger/Absender"), "V1 N1");
        EXPECT_EQ(bookings.text("Kategorie"), "Beiträge");
        EXPECT_EQ(bookings.text("SollHaben"), "E");
        EXPECT_EQ(bookings.value("Datum").toDate(), kToday);
        EXPECT_TRUE(bookings.isNull("Bestandskonto"));
        EXPECT_EQ(club.members().intValue("ID"), 1);
        bookings.cancel();
    }
    // Member 2 has no fee class: no amount is proposed.
    prepareFeeBooking(*club.session, 2, {Y, 2011, 0});
    EXPECT_TRUE(bookings.isNull("Betrag"));
    bookings.cancel();
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT COUNT(*) FROM buchung"}).toInt(), 0);
}

TEST_F(FeeClub, StoredKindOutsideTheThreeReadsAsMonthly) {
    for (const auto& [stored, kind] : {std::pair{"1", Q}, std::pair{"2", Y}, std::pair{"7", M}, std::pair{"x", M}}) {
        club.data->settings().DbSettingSet(kPaymentPeriodEntry, stored);
        EXPECT_EQ(storedPaymentPeriodKind(*club.data), kind) << stored;
    }
}

}  // namespace
