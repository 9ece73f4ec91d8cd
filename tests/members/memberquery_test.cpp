// The member selections behind the query, leavers, mass deletion and statistics screens:
// the filter texts they build, what those select on a real club file, the counts of the
// statistics, and the mass deletion as one transaction.
#include "members/memberquery.h"
#include "club.h"
#include "data/connection.h"
#include "data/filter.h"

#include <gtest/gtest.h>
#include <QSqlQuery>

#include <vector>

using namespace ferolind;

namespace {

CriteriaRows rows(std::initializer_list<Criterion> given) {
    CriteriaRows r;
    int i = 0;
    for (const Criterion& c : given) r[i++] = c;
    return r;
}

QStringList presentedNames(Dataset& m) {
    QStringList n;
    for (int p = 0; p < m.recordCount(); ++p) n << m.rowAt(p)[m.field("Nachname")].toString();
    return n;
}

qint64 rowsInFile(const QString& folder, const QString& table) {
    return test::rawSql(folder, {QStringLiteral("SELECT COUNT(*) FROM ") + table}).toLongLong();
}

TEST(MemberQueryText, IsBuiltAsTheScreensAlwaysWroteIt) {
    FreeFieldLabels abteilung;
    abteilung.s[0] = "Abteilung";
    MemberQuery entry;
    entry.rows = rows({{"Nachname", "M*"}});
    entry.date = QueryDate::EntryDate;
    entry.from = QDate(2001, 2, 3);
    entry.to = QDate(2005, 12, 31);
    MemberQuery birth = entry;
    birth.rows = {};
    birth.date = QueryDate::BirthDate;
    MemberQuery leaving;
    leaving.date = QueryDate::LeavingDateEmpty;
    MemberQuery leavingAndRows = leaving;
    leavingAndRows.rows = rows({{"LEER", "ignored"}, {"Ort", "Köln"}});
    struct Case {
        const char* what;
        MemberQuery query;
        FreeFieldLabels labels;
        QString expected;
    };
    const std::vector<Case> cases = {
        {"nothing chosen", MemberQuery{}, {}, ""},
        {"two criteria: no blank before 'and'",
         [] {
             MemberQuery q;
             q.rows = rows({{"Nachname", "M*"}, {"Ort", "Berlin"}});
             return q;
         }(),
         {},
         "Nachname = 'M*'and Ort = 'Berlin'"},
        {"rows marked LEER are skipped, wherever they stand",
         [] {
             MemberQuery q;
             q.rows = rows({{"LEER", "x"}, {"LEER", ""}, {"Telefon 1", "030"}});
             return q;
         }(),
         {},
         "Telefon1 = '030'"},
        {"a quote in a value is doubled", [] {
             MemberQuery q;
             q.rows = rows({{"Nachname", "O'Neil"}});
             return q;
         }(), {}, "Nachname = 'O''Neil'"},
        {"a free field under its label", [] {
             MemberQuery q;
             q.rows = rows({{"Abteilung", "Chor"}});
             return q;
         }(), abteilung, "Sonstiges1 = 'Chor'"},
        {"entry date range after a criterion",
         entry,
         {},
         "Nachname = 'M*' and EintrittDatum >= '03.02.2001' and EintrittDatum <= '31.12.2005'"},
        {"birth date range alone", birth, {}, "Geburtsdatum >= '03.02.2001' and Geburtsdatum <= '31.12.2005'"},
        {"leaving date empty alone", leaving, {}, "Austrittdatum = NULL"},
        {"leaving date empty after a criterion", leavingAndRows, {}, "Ort = 'Köln' and Austrittdatum = NULL"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(memberQueryFilter(c.query, c.labels), c.expected);
    }
}

TEST(MemberQueryText, OtherScreensAndSortKeys) {
    EXPECT_EQ(leaversFilter(QDate(2011, 1, 1), QDate(2011, 12, 31)),
              "AustrittDatum >= '01.01.2011' and AustrittDatum <= '31.12.2011'");
    MassDeletion s;
    s.rows = rows({{"Status", "passiv"}, {"PLZ", "01067"}});
    s.from = QDate(2010, 1, 1);
    s.to = QDate(2010, 3, 31);
    EXPECT_EQ(massDeletionFilter(s, {}),
              "Status = 'passiv'and PLZ = '01067' and AustrittDatum >= '01.01.2010' and AustrittDatum <= '31.03.2010'");
    s.byLeavingDate = false;
    EXPECT_EQ(massDeletionFilter(s, {}), "Status = 'passiv'and PLZ = '01067'");
    s.rows = {};
    EXPECT_EQ(massDeletionFilter(s, {}), "");

    EXPECT_EQ(memberQuerySort("Nachname", "Vorname", {}), "Nachname;Vorname");
    EXPECT_EQ(memberQuerySort("ID", "ID", {}), "ID;ID");
    EXPECT_EQ(memberQuerySort("nachname", "Ort", {}), "Ort");  // letter case counts: no column
    EXPECT_EQ(memberQuerySort("", "irgendwas", {}), "ID");
    EXPECT_EQ(criteriaBoxItems({}).size(), 30);
    EXPECT_EQ(criteriaBoxItems({}).first(), "LEER");
}

TEST(MemberQueryText, ATitleThatNamesNoColumnIsRefusedWithAMessage) {
    MemberQuery q;
    q.rows = rows({{"Nachname", "M*"}, {"Nachnahme", "x"}});
    try {
        memberQueryFilter(q, {});
        FAIL() << "no error";
    } catch (const DataError& e) {
        EXPECT_TRUE(e.message().contains("»Nachnahme« ist keine Spalte")) << e.message().toStdString();
    }
    // After relabelling, the default label is no column any more.
    FreeFieldLabels l;
    l.s[1] = "Verein";
    q.rows = rows({{"Sonstiges 2", "x"}});
    EXPECT_THROW(memberQueryFilter(q, l), DataError);
}

// A small club file: what the texts select.
class Selections : public ::testing::Test {
protected:
    test::Club club{QDate(2011, 6, 15)};
    Dataset& m = club.members();
    void SetUp() override {
        club.addMember({{"Nachname", "Müller"}, {"Ort", "Berlin"}, {"EintrittDatum", "01.03.2001"}});
        club.addMember({{"Nachname", "meier"}, {"Ort", "berlin"}, {"AustrittDatum", "31.12.2010"}});
        club.addMember({{"Nachname", "Mayer"}, {"Ort", "Köln"}, {"AustrittDatum", "01.01.2011"}});
        club.addMember({{"Nachname", "Schmidt"}, {"Ort", "Berlin"}, {"EintrittDatum", "31.12.2005"}});
        club.addMember({{"Nachname", "O'Neil"}, {"Ort", "Berlin"}, {"AustrittDatum", "30.12.2010"}});
    }
};

TEST_F(Selections, QueryLeaversAndMassDeletionSelectTheirMembers) {
    MemberQuery byNameAndTown;
    byNameAndTown.rows = rows({{"Nachname", "m*"}, {"Ort", "Berlin"}});
    MemberQuery quoted;
    quoted.rows = rows({{"Nachname", "O'Neil"}});
    MemberQuery entered;
    entered.date = QueryDate::EntryDate;
    entered.from = QDate(2001, 3, 1);
    entered.to = QDate(2005, 12, 31);
    MemberQuery current;
    current.date = QueryDate::LeavingDateEmpty;
    MassDeletion leftIn2010;
    leftIn2010.rows = rows({{"Ort", "BERLIN"}});
    leftIn2010.from = QDate(2010, 1, 1);
    leftIn2010.to = QDate(2010, 12, 31);
    struct Case {
        const char* what;
        QString filter;
        QStringList names;
    };
    const std::vector<Case> cases = {
        {"surname beginning with M in Berlin, either case", memberQueryFilter(byNameAndTown, {}), {"Müller", "meier"}},
        {"a value with a quote", memberQueryFilter(quoted, {}), {"O'Neil"}},
        {"entry dates, both ends included", memberQueryFilter(entered, {}), {"Müller", "Schmidt"}},
        {"current members", memberQueryFilter(current, {}), {"Müller", "Schmidt"}},
        {"left on the to-date is listed, a day later is not", leaversFilter(QDate(2010, 1, 1), QDate(2010, 12, 31)),
         {"meier", "O'Neil"}},
        {"mass deletion: criteria and range", massDeletionFilter(leftIn2010, {}), {"meier", "O'Neil"}},
        {"mass deletion: nothing chosen is everybody", massDeletionFilter({{}, false, {}, {}}, {}),
         {"Müller", "meier", "Mayer", "Schmidt", "O'Neil"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m.applyFilter(c.filter);
        EXPECT_EQ(presentedNames(m), c.names);
    }
}

TEST_F(Selections, LeavingDateSpanCoversAllMembersWhateverIsShown) {
    m.applyFilter("Nachname = 'Schmidt'");
    const DateRange span = leavingDateSpan(m);
    EXPECT_EQ(span.from, QDate(2010, 12, 30));
    EXPECT_EQ(span.to, QDate(2011, 1, 1));

    test::Club empty;
    empty.addMember({{"Nachname", "Neu"}});
    const DateRange none = leavingDateSpan(empty.members());
    EXPECT_EQ(none.from, QDate(1899, 12, 30).addDays(999999));
    EXPECT_EQ(none.to, QDate(1899, 12, 30));
    MassDeletion s;
    s.from = none.from;
    s.to = none.to;
    empty.members().applyFilter(massDeletionFilter(s, {}));
    EXPECT_TRUE(empty.members().isEmpty());
}

TEST_F(Selections, MassDeletionDeletesTheSelectionInOneTransactionAndKeepsFeePayments) {
    club.addPayment(2, 2010);
    m.applyFilter(leaversFilter(QDate(2010, 1, 1), QDate(2010, 12, 31)));
    std::vector<std::pair<int, int>> heard;
    EXPECT_EQ(deletePresentedMembers(m, [&](int done, int total) { heard.push_back({done, total}); }), 2);
    EXPECT_EQ(heard, (std::vector<std::pair<int, int>>{{1, 2}, {2, 2}}));
    EXPECT_TRUE(m.isEmpty());
    m.clearFilter();
    EXPECT_EQ(presentedNames(m), (QStringList{"Müller", "Mayer", "Schmidt"}));
    EXPECT_EQ(rowsInFile(club.folder(), "mitglieder"), 3);
    EXPECT_EQ(rowsInFile(club.folder(), "betrag"), 1);  // fee payments stay
    EXPECT_EQ(club.data->connection()->depth(), 0);
}

TEST_F(Selections, AFailurePartWayDeletesNothingAndNamesTheMember) {
    // The file refuses to delete member 4 (as a lock or a damaged page would).
    test::rawSql(club.folder(), {"CREATE TRIGGER keep4 BEFORE DELETE ON mitglieder WHEN old.ID = 4 "
                                 "BEGIN SELECT RAISE(ABORT, 'gesperrt'); END"});
    m.applyFilter("Ort = 'Berlin'");  // members 1, 2, 4, 5: two go before 4 fails
    int heard = 0;
    try {
        deletePresentedMembers(m, [&](int, int) { ++heard; });
        FAIL() << "no error";
    } catch (const DataError& e) {
        EXPECT_TRUE(e.message().contains("Das Mitglied Nr. 4 (Schmidt) kann nicht gelöscht werden"))
            << e.message().toStdString();
        EXPECT_TRUE(e.message().contains("abgelehnt")) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains("Es wurde kein Mitglied gelöscht."));
    }
    EXPECT_EQ(heard, 2);
    EXPECT_EQ(rowsInFile(club.folder(), "mitglieder"), 5);
    EXPECT_EQ(presentedNames(m), (QStringList{"Müller", "meier", "Schmidt", "O'Neil"}));
    m.clearFilter();
    EXPECT_EQ(m.recordCount(), 5);
    EXPECT_EQ(club.data->connection()->depth(), 0);
    // The memory is whole again: an edit of a member that came back is stored.
    ASSERT_TRUE(m.locate("ID", {2}));
    m.edit();
    m.setText("Ort", "Potsdam");
    EXPECT_TRUE(m.post());
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT Ort FROM mitglieder WHERE ID = 2"}).toString(), "Potsdam");
}

TEST_F(Selections, TheReReadWaitsWhileAMassDeletionRuns) {
    m.applyFilter("Ort = 'Berlin'");
    // Another workstation adds a Berlin member after the selection was shown and confirmed.
    test::rawSql(club.folder(), {"INSERT INTO mitglieder (ID, Nachname, Ort) VALUES (99, 'Neu', 'Berlin')"});
    // The refresh timer fires while the progress is drawn.
    EXPECT_EQ(deletePresentedMembers(m, [&](int, int) { club.data->refreshAll(); }), 4);
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT Nachname FROM mitglieder WHERE ID = 99"}).toString(), "Neu");
    club.data->refreshAll();
    EXPECT_EQ(presentedNames(m), QStringList{"Neu"});
}

// ------------------------------------------------------------ statistics

int countOf(const QVector<Count>& counts, const QString& label) {
    for (const Count& c : counts)
        if (c.label == label) return c.count;
    ADD_FAILURE() << "no label " << label.toStdString();
    return -1;
}

TEST(MemberStatistics, LabelsInScreenOrderAndTheLimitTexts) {
    const QVector<CountFilter> f = statisticsFilters(QDate(2011, 3, 5));
    ASSERT_EQ(f.size(), 15);
    QStringList labels;
    for (const CountFilter& c : f) labels << c.label;
    EXPECT_EQ(labels, (QStringList{"männlich:", "weiblich:", "aktiv:", "passiv:", "bis 6:", "6 - 12", "13 - 17",
                                   "18 - 24", "25 - 29", "30 - 39", "40 - 49", "50 - 59", "60 - 69", "70 - 79",
                                   "ab 80"}));
    EXPECT_EQ(f[4].filter, "Geburtsdatum <= '5.3.2011' and Geburtsdatum >  '5.3.2004'");
    EXPECT_EQ(f[5].filter, "Geburtsdatum <= '5.3.2004' and Geburtsdatum > '5.3.1998'");
    EXPECT_EQ(f[14].filter, "Geburtsdatum <= '5.3.1931' and Geburtsdatum > '5.3.1921'");
    EXPECT_EQ(f[0].filter, "Geschlecht = 'Männlich'");
    EXPECT_EQ(ageLimit(QDate(2012, 12, 10), 13), "10.12.1999");
}

TEST(MemberStatistics, CountsOfASmallClub) {
    const QDate today(2011, 6, 15);
    test::Club club(today);
    club.addMember({{"Nachname", "Sieben"}, {"Geburtsdatum", "15.06.2004"}, {"Geschlecht", "männlich"},
                    {"Status", "Aktiv"}});
    club.addMember({{"Nachname", "Sechs"}, {"Geburtsdatum", "16.06.2004"}, {"Geschlecht", "Weiblich"},
                    {"Status", "aktiv"}});
    club.addMember({{"Nachname", "Alt"}, {"Geburtsdatum", "01.01.1916"}, {"Geschlecht", "Männlich"},
                    {"Status", "passiv"}, {"AustrittDatum", "01.01.2000"}});
    club.addMember({{"Nachname", "Ohne"}, {"Geschlecht", "divers"}, {"Status", "Ehrenmitglied"}});
    club.addMember({{"Nachname", "Heute"}, {"Geburtsdatum", "15.06.2011"}});
    club.addMember({{"Nachname", "Morgen"}, {"Geburtsdatum", "16.06.2011"}});
    club.addMember({{"Nachname", "Neunundachtzig"}, {"Geburtsdatum", "16.06.1921"}});
    club.addMember({{"Nachname", "Neunzig"}, {"Geburtsdatum", "15.06.1921"}});
    Dataset& m = club.members();
    m.applyFilter("Nachname = 'Sieben'");  // what a screen left on: the counts take every member
    const QVector<Count> counts = memberStatistics(m, today);
    EXPECT_EQ(counts.first().label, "Mitgliederanzahl:");
    EXPECT_EQ(counts.first().count, 1);  // the dataset as it stands
    m.clearFilter();
    const QVector<Count> all = memberStatistics(m, today);
    const std::vector<std::pair<const char*, int>> expected = {
        {"Mitgliederanzahl:", 8}, {"männlich:", 2}, {"weiblich:", 1}, {"aktiv:", 2}, {"passiv:", 1},
        {"bis 6:", 2},  // born a day after the day seven years ago, and born today
        {"6 - 12", 1},  // born exactly seven years ago
        {"13 - 17", 0}, {"70 - 79", 0},
        {"ab 80", 1},   // 89; 90 today, 95, born tomorrow and without birth date are in no group
    };
    for (const auto& [label, n] : expected) EXPECT_EQ(countOf(all, label), n) << label;
    int inGroups = 0;
    for (int i = 5; i < all.size(); ++i) inGroups += all[i].count;
    EXPECT_EQ(inGroups, 4);
    EXPECT_EQ(m.recordCount(), 8);  // the dataset is as it was
}

// On 29 February the limits name 29 February of years that have none. Such a day lies
// between 28 February and 1 March: who was born on 28 February turned his age on that
// day already, who was born on 1 March not yet.
TEST(MemberStatistics, OnTheLeapDayAgesAreCountedByTheirBirthdays) {
    const QDate today(2028, 2, 29);
    test::Club club(today);
    club.addMember({{"Nachname", "Achtundzwanzigster"}, {"Geburtsdatum", "28.02.2021"}});  // 7 today
    club.addMember({{"Nachname", "Erster"}, {"Geburtsdatum", "01.03.2021"}});              // 6 until tomorrow
    club.addMember({{"Nachname", "Schalttag"}, {"Geburtsdatum", "29.02.2020"}});           // 8 today
    const QVector<Count> c = memberStatistics(club.members(), today);
    EXPECT_EQ(countOf(c, "bis 6:"), 1);
    EXPECT_EQ(countOf(c, "6 - 12"), 2);
}

}  // namespace
