// The birthday and jubilee selections: the filter texts as the jubilee screen writes
// them, and what they select on a real club file.
#include "members/jubilees.h"
#include "club.h"

#include <gtest/gtest.h>

using namespace ferolind;

namespace {

QStringList presentedNames(Dataset& m) {
    QStringList n;
    for (int p = 0; p < m.recordCount(); ++p) n << m.rowAt(p)[m.field("Nachname")].toString();
    return n;
}

const QDate kMay14 = QDate(2011, 5, 14);

}  // namespace

TEST(JubileeFilterText, IsWrittenAsTheScreenWritesIt) {
    struct Case {
        QString got, expected;
    } cases[] = {
        {birthdayFilter(BirthdayChoice::Today, kMay14), "Month(Geburtsdatum)=5 and Day(Geburtsdatum)=14"},
        {birthdayFilter(BirthdayChoice::Month, kMay14), "Month(Geburtsdatum)=5"},
        {birthdayFilter(BirthdayChoice::Quarter, kMay14), "Month(Geburtsdatum)>=4 and Month(Geburtsdatum)<=6"},
        {birthdayFilter(BirthdayChoice::None, kMay14), ""},
        {birthdayFilter(BirthdayChoice::Quarter, QDate(2011, 1, 1)), "Month(Geburtsdatum)>=1 and Month(Geburtsdatum)<=3"},
        {birthdayFilter(BirthdayChoice::Quarter, QDate(2011, 3, 31)), "Month(Geburtsdatum)>=1 and Month(Geburtsdatum)<=3"},
        {birthdayFilter(BirthdayChoice::Quarter, QDate(2011, 12, 31)),
         "Month(Geburtsdatum)>=10 and Month(Geburtsdatum)<=12"},
        {birthdayFilter(BirthdayChoice::Today, QDate(2011, 1, 2)), "Month(Geburtsdatum)=1 and Day(Geburtsdatum)=2"},
        {jubileeFilter(true, {25, 10}, kMay14), "Year(EintrittDatum)-2011=-10 or Year(EintrittDatum)-2011=-25"},
        {jubileeFilter(false, {5}, kMay14), "Year(Geburtsdatum)-2011=-5"},
        {jubileeFilter(false, {}, kMay14), ""},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.expected);
}

TEST(JubileeFilterText, TypedYearListsAreRoundAndInRange) {
    EXPECT_EQ(parseJubileeYears("25,10,10"), (QList<int>{10, 25}));
    EXPECT_EQ(parseJubileeYears(" 75 "), (QList<int>{75}));
    for (const char* bad : {"", "7", "80", "0", "-5", "zehn", "10;25"})
        EXPECT_THROW(parseJubileeYears(bad), DataError) << bad;
}

TEST(JubileeSelection, SelectsByTheYearOnARealFile) {
    test::Club club(kMay14);
    club.addMember({{"Nachname", "Silvester"}, {"EintrittDatum", "31.12.2001"}, {"Geburtsdatum", "14.05.1961"}});
    club.addMember({{"Nachname", "Neujahr"}, {"EintrittDatum", "01.01.2002"}, {"Geburtsdatum", "02.04.1986"}});
    club.addMember({{"Nachname", "Ohne"}});
    club.addMember({{"Nachname", "Winter"}, {"EintrittDatum", "15.05.1986"}, {"Geburtsdatum", "31.01.1990"}});
    Dataset& m = club.members();

    m.applyFilter(jubileeFilter(true, {10}, kMay14));
    EXPECT_EQ(presentedNames(m), QStringList{"Silvester"});
    m.applyFilter(jubileeFilter(true, {10, 25}, kMay14));
    EXPECT_EQ(presentedNames(m), (QStringList{"Silvester", "Winter"}));
    m.applyFilter(jubileeFilter(false, {25, 50}, kMay14));
    EXPECT_EQ(presentedNames(m), (QStringList{"Silvester", "Neujahr"}));
    // Members without a birth date are never in a birthday list.
    m.applyFilter(birthdayFilter(BirthdayChoice::Today, kMay14));
    EXPECT_EQ(presentedNames(m), QStringList{"Silvester"});
    m.applyFilter(birthdayFilter(BirthdayChoice::Quarter, kMay14));
    EXPECT_EQ(presentedNames(m), (QStringList{"Silvester", "Neujahr"}));
    m.applyFilter(birthdayFilter(BirthdayChoice::Quarter, QDate(2011, 2, 1)));
    EXPECT_EQ(presentedNames(m), QStringList{"Winter"});
    // The start filter lists nobody; an empty filter with filtering on lists everybody.
    m.applyFilter(kNoMemberFilter);
    EXPECT_EQ(m.recordCount(), 0);
    m.applyFilter(birthdayFilter(BirthdayChoice::None, kMay14));
    EXPECT_EQ(m.recordCount(), 4);
}
