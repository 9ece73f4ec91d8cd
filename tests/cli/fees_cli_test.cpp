// ferolind-cli's fee commands on a real database file: payments with and without their
// income booking, the refusals, and the arrears list for the club's period kind.
#include "club.h"
#include "testsupport.h"

#include <gtest/gtest.h>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct CliRun {
    int code;
    QString out, err;
};

struct FeeCli : ::testing::Test {
    QTemporaryDir dir;

    CliRun cli(const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral(FEROLIND_CLI_PATH), QStringList{"--db", dir.path()} + args);
        p.waitForFinished(30000);
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }
    QString sql(const QString& statement) { return ferolind::test::rawSql(dir.path(), {statement}).toString(); }
    // The first column (ID) of an arrears list, without its header.
    QStringList listedIds(const CliRun& r) {
        QStringList ids;
        const QStringList rows = r.out.split('\n', Qt::SkipEmptyParts);
        for (int i = 1; i < rows.size(); ++i) ids << rows[i].section('\t', 0, 0);
        return ids;
    }

    void SetUp() override {
        ferolind::test::clearUserSettings();
        ASSERT_EQ(cli({"create"}).code, 0);
        sql("INSERT INTO beitragsklassen (Name, Beitrag) VALUES ('Erwachsene', 600000)");
        for (const char* name : {"Nachname=Berg", "Nachname=Cramer", "Nachname=Dorn"})
            ASSERT_EQ(cli({"members", "add", name}).code, 0);
        sql("UPDATE mitglieder SET Betrag = 'Erwachsene' WHERE ID = 2");
        ASSERT_EQ(cli({"settings", "set", "Zahlungszeitraum", "0"}).code, 0);
    }
};

TEST_F(FeeCli, PayStoresTheRowAndOnRequestTheBookingBothOrNeither) {
    CliRun r = cli({"fees", "pay", "--member", "1", "--year", "2011", "--month", "3"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "");
    r = cli({"fees", "pay", "--member", "1", "--year", "2011", "--quarter", "2"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(sql("SELECT group_concat(Mitgliedsnummer || '/' || Jahr || '/' || Monat || '/' || Quartal, ' ') FROM betrag"),
              "1/2011/3/0 1/2011/0/2");

    r = cli({"fees", "pay", "--member", "2", "--year", "2011", "--month", "3", "--book", "Kasse"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "1\n");
    r = cli({"bookings", "list", "--columns", "Empfaenger/Absender;Buchungstext;SollHaben;Betrag;Kategorie;Bestandskonto"});
    EXPECT_EQ(r.out.split('\n', Qt::SkipEmptyParts).value(1), " Cramer\tBeitragszahlung 3 - 2011\tE\t60\tBeiträge\tKasse");
    EXPECT_EQ(cli({"balances"}).out, "Kasse\t60,00 €\n");

    // Member 3 has no fee class: without an amount neither row nor booking is stored.
    r = cli({"fees", "pay", "--member", "3", "--year", "2011", "--book", "Kasse"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("--amount")) << r.err.toStdString();
    EXPECT_EQ(sql("SELECT COUNT(*) FROM betrag WHERE Mitgliedsnummer = 3"), "0");
    r = cli({"fees", "pay", "--member", "3", "--year", "2011", "--book", "Kasse", "--amount", "12,50"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(sql("SELECT Buchungstext || ' ' || Betrag FROM buchung WHERE Buchungsnummer = 2"), "Beitragszahlung 2011 125000");
    EXPECT_EQ(cli({"settings", "get", "LastBuchungsID"}).out, "2\n");
}

TEST_F(FeeCli, RefusalsAreGermanWithStatusOneAndStoreNothing) {
    ASSERT_EQ(cli({"fees", "pay", "--member", "1", "--year", "2011", "--month", "3"}).code, 0);
    const struct {
        QStringList args;
        const char* message;
    } cases[] = {
        {{"--member", "1", "--year", "20x1"}, "'20x1' ist kein gültiger Integer-Wert"},
        {{"--member", "1", "--year", "2011", "--month", "3.5"}, "'3.5' ist kein gültiger Integer-Wert"},
        {{"--member", "1", "--year", "2011", "--month", "13"}, "13 ist kein gültiger Monat (1 bis 12)."},
        {{"--member", "1", "--year", "2011", "--month", "3"}, "schon gebucht"},
        {{"--member", "1", "--year", "2011"}, "schon gebucht"},  // the March row counts for the year
        {{"--member", "7", "--year", "2011"}, "Es gibt kein Mitglied mit der Nummer 7."},
        {{"--member", "1", "--year", "2011", "--month", "4", "--quarter", "2"}, "nur eine der Optionen"},
        {{"--member", "1", "--month", "4"}, "Es fehlt die Option --year."},
        {{"--member", "2", "--year", "2011", "--book", "Kasse", "--amount", "abc"}, "abc"},
    };
    for (const auto& c : cases) {
        const CliRun r = cli(QStringList{"fees", "pay"} + c.args);
        EXPECT_EQ(r.code, 1) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
    }
    EXPECT_EQ(sql("SELECT COUNT(*) FROM betrag"), "1");
    EXPECT_EQ(sql("SELECT COUNT(*) FROM buchung"), "0");
    const CliRun r = cli({"fees", "arrears", "--year", "x"});
    EXPECT_EQ(r.code, 1);
}

TEST_F(FeeCli, ArrearsListsTheMembersWithoutPaymentForTheClubsKind) {
    cli({"fees", "pay", "--member", "1", "--year", "2011", "--month", "3"});
    cli({"fees", "pay", "--member", "3", "--year", "2011"});
    CliRun r = cli({"fees", "arrears", "--year", "2011", "--month", "3"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.section('\n', 0, 0), cli({"members", "list"}).out.section('\n', 0, 0)) << "as members list";
    EXPECT_EQ(listedIds(r), (QStringList{"2", "3"})) << "a yearly row is no month";
    EXPECT_EQ(cli({"fees", "arrears", "--year", "2011", "--quarter", "1"}).code, 1) << "the club pays monthly";
    EXPECT_EQ(cli({"fees", "arrears", "--year", "2011"}).code, 1);

    ASSERT_EQ(cli({"settings", "set", "Zahlungszeitraum", "2"}).code, 0);
    EXPECT_EQ(listedIds(cli({"fees", "arrears", "--year", "2011"})), QStringList{"2"});
    EXPECT_EQ(listedIds(cli({"fees", "arrears", "--year", "2012"})), (QStringList{"1", "2", "3"}));
    cli({"fees", "pay", "--member", "2", "--year", "2011", "--quarter", "4"});
    r = cli({"fees", "arrears", "--year", "2011"});
    EXPECT_EQ(r.out.split('\n', Qt::SkipEmptyParts).size(), 1) << "everybody paid: the header only";
}

}  // namespace
