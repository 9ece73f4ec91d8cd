// The member record rules as every caller sees them: numbering, the empty number, the
// salutation list, the jubilee text and the fee-paid flag.
#include "club.h"
#include "data/values.h"
#include "members/columns.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QSqlQuery>

using namespace ferolind;
using test::Club;

TEST(MemberNumbering, NewSavedCancelledAndTypedNumbers) {
    Club club(QDate(2011, 6, 15));
    Dataset& m = club.members();
    club.data->lastMemberNumber = 41;

    m.insert();
    EXPECT_EQ(m.text("ID"), "42");
    EXPECT_EQ(m.text("EintrittDatum"), "15.06.2011");
    m.cancel();
    m.insert();
    EXPECT_EQ(m.text("ID"), "42");  // a cancelled record used up no number
    m.setText("Nachname", "Berg");
    m.post();
    m.insert();
    EXPECT_EQ(m.text("ID"), "43");
    m.cancel();

    struct Case {
        const char* typed;
        int lastAfter;
    } cases[] = {{"100", 100}, {"7", 100}, {"-3", 100}};
    for (const Case& c : cases) {
        m.insert();
        m.setText("ID", c.typed);
        m.post();
        EXPECT_EQ(club.data->lastMemberNumber, c.lastAfter) << c.typed;
    }
    m.insert();
    EXPECT_EQ(m.text("ID"), "101");
    m.cancel();
    // Deleting members never lowers the number.
    m.locate("ID", {100});
    m.remove();
    m.insert();
    EXPECT_EQ(m.text("ID"), "101");
    m.cancel();
}

TEST(MemberNumbering, AnEmptyNumberIsReportedAndSavedAsZero) {
    Club club(QDate(2011, 6, 15));
    Dataset& m = club.members();
    m.insert();
    m.setText("ID", "");
    m.setText("Nachname", "Ohne");
    ASSERT_TRUE(m.post());
    EXPECT_EQ(club.notices, QStringList{"Bitte eine Mitgliedsnummer eingeben! Das Feld darf nicht leer bleiben."});
    EXPECT_EQ(m.text("ID"), "0");
    EXPECT_EQ(club.data->lastMemberNumber, 0);
}

TEST(MemberNumbering, LastNumberSurvivesARestartThroughTheSettings) {
    Club club(QDate(2011, 6, 15));
    club.addMember({{"ID", "17"}, {"Nachname", "A"}});
    club.session->saveAtShutdown();
    DataModule again;
    again.openFolder(club.folder());
    Session s(again);
    s.loadAfterOpen();
    EXPECT_EQ(again.lastMemberNumber, 17);
    again.members().insert();
    EXPECT_EQ(again.members().text("ID"), "18");
    again.members().cancel();
}

TEST(Salutations, NewOnesAreAppendedOnceWithLetterCaseCounting) {
    Club club(QDate(2011, 6, 15));
    SettingsStore& s = club.data->settings();
    s.DbSettingSetList("Anrede", {"Herrn", "Frau", "Familie"});
    club.addMember({{"Anrede", "Dr."}, {"Nachname", "A"}});
    club.addMember({{"Anrede", "Dr."}, {"Nachname", "B"}});
    club.addMember({{"Anrede", "dr."}, {"Nachname", "C"}});
    club.addMember({{"Anrede", "Frau"}, {"Nachname", "D"}});
    club.addMember({{"Nachname", "E"}});
    EXPECT_EQ(s.DbSettingGetList("Anrede"), (QStringList{"Herrn", "Frau", "Familie", "Dr.", "dr."}));
}

// Storing a member whose salutation is known leaves the list alone: rewriting it from
// memory would put back what another workstation stored meanwhile.
TEST(Salutations, AKnownOneKeepsAnotherWorkstationsList) {
    Club club(QDate(2011, 6, 15));
    club.data->settings().DbSettingSetList("Anrede", {"Herrn", "Frau"});
    DataModule other;
    other.openFolder(club.folder());
    other.settings().DbSettingSetList("Anrede", {"Herrn", "Frau", "Familie"});
    club.addMember({{"Anrede", "Frau"}, {"Nachname", "A"}});
    EXPECT_EQ(other.settings().DbSettingRead("Anrede"), "Herrn\r\nFrau\r\nFamilie\r\n");
}

TEST(Jubilee, TextsDependOnTheYearsOnly) {
    struct Case {
        const char *entry, *birth;
        int year;
        const char* text;
    } cases[] = {
        {"01.05.1986", "31.12.1961", 2011, "25-jähriges Vereinsjubiläum und 50-jährigen Geburtstag"},
        {"01.01.2011", "01.01.1990", 2011, "21-jährigen Geburtstag"},
        {"", "", 2011, ""},
        {"01.01.2011", "05.05.2011", 2011, ""},
        {"31.12.2001", "", 2011, "10-jähriges Vereinsjubiläum"},
        {"01.01.2012", "01.01.1950", 2011, "61-jährigen Geburtstag"},  // a future entry counts nothing
    };
    for (const Case& c : cases)
        EXPECT_EQ(MemberRules::jubileeText(parseDate(c.entry), parseDate(c.birth), c.year), QString::fromUtf8(c.text))
            << c.entry << " " << c.birth;

    Club club(QDate(2011, 3, 1));
    club.addMember({{"Nachname", "A"}, {"EintrittDatum", "01.05.1986"}, {"Geburtsdatum", "31.12.1961"}});
    EXPECT_EQ(club.members().text("Jubilaeum"), "25-jähriges Vereinsjubiläum und 50-jährigen Geburtstag");
}

TEST(FeePaidFlag, FollowsThePeriodKindAndThePayments) {
    // Today is 15 May 2011: month 5, quarter 2.
    struct Case {
        int kind;
        int year, month, quarter;  // the payment row
        bool paid;
    } cases[] = {
        {0, 2011, 5, 0, true},  {0, 2011, 4, 0, false}, {0, 2010, 5, 0, false}, {1, 2011, 0, 2, true},
        {1, 2011, 0, 1, false}, {2, 2011, 0, 0, true},  {2, 2011, 3, 0, true},  {2, 2010, 0, 0, false},
    };
    for (const Case& c : cases) {
        Club club(QDate(2011, 5, 15));
        club.data->settings().DbSettingSetInt("Zahlungszeitraum", c.kind);
        club.addMember({{"ID", "3"}, {"Nachname", "Berg"}});
        club.addMember({{"ID", "4"}, {"Nachname", "Other"}});
        club.addPayment(3, c.year, c.month, c.quarter);
        Dataset& m = club.members();
        m.locate("ID", {3});
        EXPECT_EQ(m.value("BeitragAktuellBezahlt").toBool(), c.paid)
            << "kind " << c.kind << " row " << c.year << "/" << c.month << "/" << c.quarter;
        m.locate("ID", {4});
        EXPECT_FALSE(m.value("BeitragAktuellBezahlt").toBool());
    }
}

TEST(FeePaidFlag, ChangesWithTheEventLoopAndIsNeverStored) {
    Club club(QDate(2011, 5, 15));
    club.data->settings().DbSettingSetInt("Zahlungszeitraum", 2);
    club.addMember({{"ID", "3"}, {"Nachname", "Berg"}});
    Dataset& p = club.data->feePayments();
    p.insert();
    p.setValue("Mitgliedsnummer", 3);
    p.setValue("Jahr", 2011);
    p.post();
    QCoreApplication::processEvents();  // stored payments recompute the members once
    club.members().locate("ID", {3});
    EXPECT_TRUE(club.members().value("BeitragAktuellBezahlt").toBool());
    // Switching to monthly: that yearly row no longer pays May.
    club.data->settings().DbSettingSetInt("Zahlungszeitraum", 0);
    QCoreApplication::processEvents();
    EXPECT_FALSE(club.members().value("BeitragAktuellBezahlt").toBool());
    EXPECT_EQ(club.rules().paidPeriodLines(3), QStringList{"0 - 2011"});
    // The stored columns keep whatever they held.
    QSqlDatabase c = openConnection(club.folder(), "raw");
    {
        QSqlQuery q(c);
        q.exec("SELECT Jubilaeum IS NULL, BeitragAktuellBezahlt IS NULL FROM mitglieder");
        ASSERT_TRUE(q.next());
        EXPECT_TRUE(q.value(0).toBool());
        EXPECT_TRUE(q.value(1).toBool());
    }
    closeConnection(c);
}

TEST(FeeClassDisplay, FeeTextOfAClass) {
    Club club(QDate(2011, 5, 15));
    Dataset& c = club.data->feeClasses();
    c.insert();
    c.setText("Name", "Voll");
    c.setText("Beitrag", "1234,5");
    c.post();
    EXPECT_EQ(club.rules().feeTextOfClass("Voll"), "1234,50 €");
    EXPECT_EQ(club.rules().feeTextOfClass("voll"), "");
    EXPECT_EQ(club.rules().feeTextOfClass(""), "");
}

TEST(ColumnTitles, TitleToFieldFollowsTheFreeFieldLabels) {
    FreeFieldLabels labels;
    const struct {
        const char *title, *field;
    } cases[] = {{"Nachname", "Nachname"},
                 {"Straße", "Strasse"},
                 {"Beitragsklasse", "Betrag"},
                 {"DTAUS-Teilnahme", "DTAUS"},
                 {"Beitrag akt. bez.", "BeitragAktuellBezahlt"},
                 {"Sonstiges 1", "Sonstiges1"},
                 {"nachname", ""},
                 {"LEER", ""},
                 {"", ""}};
    for (const auto& c : cases)
        EXPECT_EQ(TitleToField(QString::fromUtf8(c.title), labels), QString::fromUtf8(c.field)) << c.title;
    // Relabelled free field 1: the new label maps to Sonstiges1, the old one to nothing;
    // a label equal to another title maps to the first column with that title.
    labels.s[0] = "Vereinsabteilung";
    labels.s[1] = "Ort";
    EXPECT_EQ(TitleToField("Vereinsabteilung", labels), "Sonstiges1");
    EXPECT_EQ(TitleToField("Sonstiges 1", labels), "");
    EXPECT_EQ(TitleToField("Ort", labels), "Ort");
    EXPECT_EQ(memberColumnTitles(labels)[23], "Vereinsabteilung");
}

// Direct debit needs account number, fee class, bank code and holder: a store without
// one of them keeps no participation and says so, whoever stores (no screen here).
TEST(DirectDebit, EachMissingPieceEndsTheParticipationAtTheStore) {
    Club club(QDate(2011, 6, 15));
    Dataset& c = club.data->feeClasses();
    c.insert();
    c.setText("Name", "Erwachsene");
    c.setText("Beitrag", "60");
    c.post();
    const char* pieces[] = {"Kontonummer", "Betrag", "Bankleitzahl", "Kontoinhaber"};
    const QString values[] = {"123456", "Erwachsene", "10020030", "Anna Berg"};
    Dataset& m = club.members();
    for (int missing = -1; missing < 4; ++missing) {
        SCOPED_TRACE(missing < 0 ? "complete" : pieces[missing]);
        club.notices.clear();
        m.insert();
        m.setText("Nachname", "Berg");
        for (int i = 0; i < 4; ++i)
            if (i != missing) m.setText(pieces[i], values[i]);
        m.setText("DTAUS", "Wahr");
        ASSERT_TRUE(m.post());
        EXPECT_EQ(m.text("DTAUS"), missing < 0 ? "Wahr" : "Falsch");
        EXPECT_EQ(club.rules().problems(),
                  missing < 0 ? QStringList{} : QStringList{MemberRules::kDirectDebitOffMessage});
        EXPECT_EQ(club.notices, club.rules().problems());
    }
    // An edit that empties a piece later ends it too; an unknown class is stored with the warning.
    ASSERT_TRUE(m.locate("ID", {1}));
    ASSERT_EQ(m.text("DTAUS"), "Wahr");
    m.edit();
    m.setText("Kontoinhaber", "");
    m.setText("Betrag", "Gibtsnicht");
    m.post();
    EXPECT_EQ(m.text("DTAUS"), "Falsch");
    EXPECT_EQ(m.text("Betrag"), "Gibtsnicht");
    EXPECT_EQ(club.rules().problems(),
              (QStringList{MemberRules::kDirectDebitOffMessage, MemberRules::kWrongFeeClassMessage}));
}
