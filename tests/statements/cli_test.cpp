// "ferolind-cli statements import" as a separate program on a club: the table of
// proposals, --dry-run and --yes, the user's choices, and the refusals that book nothing.
#include "bookings.h"
#include "clirun.h"
#include "club.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

using namespace ferolind;

namespace {

QString fixture(const QString& name) { return QDir(QStringLiteral(FEROLIND_STATEMENT_FIXTURES)).filePath(name); }

struct StatementCli : ::testing::Test {
    test::Club club{QDate(2026, 3, 3)};

    void SetUp() override {
        Dataset& c = club.data->feeClasses();
        c.insert();
        c.setText("Name", "Erwachsene");
        c.setText("Beitrag", "12,00");
        ASSERT_TRUE(c.post());
        club.addMember({{"ID", "1"}, {"Vorname", "Anna"}, {"Nachname", "Berg"}, {"Betrag", "Erwachsene"},
                        {"Bankleitzahl", "37040044"}, {"Kontonummer", "532013000"}});
        club.addMember({{"ID", "2"}, {"Vorname", "Carl"}, {"Nachname", "Dorn"}, {"Betrag", "Erwachsene"}});
        club.addMember({{"ID", "3"}, {"Vorname", "Eva"}, {"Nachname", "Fink"}, {"Betrag", "Erwachsene"}});
        club.addPayment(1, 2026, 1);
        club.addPayment(1, 2026, 2);
        club.addPayment(3, 2026, 2);
        test::addBooking(club.data->bookings(), "01.01.2026", "E", "495,10", QString::fromUtf8("Übertrag"),
                         "Anfangsbestand", "Girokonto");
    }
    test::CliResult cli(QStringList args) { return test::runCli(QStringList{"--db", club.folder(), "statements", "import"} + args); }
    int bookings() { return test::rawSql(club.folder(), {"SELECT count(*) FROM buchung"}).toInt(); }
    int payments() { return test::rawSql(club.folder(), {"SELECT count(*) FROM betrag"}).toInt(); }
    QString balance() {
        return test::runCli({"--db", club.folder(), "balances"}).out.trimmed();
    }
};

TEST_F(StatementCli, TableFirstThenBookedWithYes) {
    test::CliResult r = cli({fixture("day-b.camt.xml"), "--account", "Girokonto"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 10) << r.out.toStdString();
    EXPECT_EQ(lines[1], "Nr\tPosten\tZuordnung\tSicherheit\tGrund");
    EXPECT_TRUE(lines[3].startsWith("2\t02.03.2026 +12,00 Anna Berg\tBeitrag\t95 %\tBeitrag von Mitglied 1 Anna Berg"))
        << lines[3].toStdString();
    EXPECT_TRUE(lines[5].contains(QString::fromUtf8("Rücklastschrift\t98 %"))) << lines[5].toStdString();
    EXPECT_TRUE(lines[5].contains("Deckung unzureichend"));
    EXPECT_TRUE(lines[8].contains("Nicht gebucht"));
    EXPECT_TRUE(r.out.contains("Nichts gebucht (zum Buchen --yes angeben)."));
    EXPECT_EQ(bookings(), 1);

    r = cli({fixture("day-b.camt.xml"), "--account", "Girokonto", "--dry-run", "--yes"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(bookings(), 1);
    EXPECT_EQ(payments(), 3);

    r = cli({fixture("day-b.camt.xml"), "--account", "Girokonto", "--yes", "--category", "5=Spenden,1=Spenden",
             "--reject", "6"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QString::fromUtf8("Gebucht: 7 Buchungen, 3 Beitragszahlungen, 1 Rücklastschriften auf »Girokonto«.")))
        << r.out.toStdString();
    // The rejected bank fee is the difference.
    EXPECT_TRUE(r.out.contains(QString::fromUtf8("weicht vom Saldo von »Girokonto« (596,10 €) um -4,90 € ab."))) << r.out.toStdString();
    EXPECT_EQ(bookings(), 8);
    EXPECT_EQ(payments(), 5);
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT Kategorie FROM buchung WHERE \"Empfaenger/Absender\" = 'Greta Hahn'"})
                  .toString(), "Spenden");
    EXPECT_EQ(balance(), QString::fromUtf8("Girokonto\t596,10 €"));

    // The MT940 form of the same day: the account is remembered, only the rejected fee is new.
    r = cli({fixture("day-b.sta"), "--yes"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QString::fromUtf8("Gebucht: 1 Buchungen, 0 Beitragszahlungen, 0 Rücklastschriften"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QString::fromUtf8("stimmt mit dem Saldo von »Girokonto« überein"))) << r.out.toStdString();
    EXPECT_EQ(bookings(), 9);
}

TEST_F(StatementCli, UnreadableForeignOrUnbookableFilesBookNothing) {
    QTemporaryDir dir;
    const QString csv = dir.filePath("umsaetze.csv");
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Buchungstag;Betrag\n02.03.2026;12,00\n");
    f.close();
    const QString pain = dir.filePath("lastschrift.xml");
    QFile p(pain);
    ASSERT_TRUE(p.open(QIODevice::WriteOnly));
    p.write("<?xml version=\"1.0\"?><Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:pain.008.001.08\"/>");
    p.close();
    const struct {
        QStringList args;
        const char* message;
    } cases[] = {
        {{csv, "--account", "Girokonto", "--yes"}, "ist kein Kontoauszug"},
        {{pain, "--account", "Girokonto", "--yes"}, "camt.053.001.08"},
        {{dir.filePath("fehlt.sta"), "--yes"}, "die Datei gibt es nicht"},
        {{fixture("day-b.sta"), "--yes"}, "kein Bestandskonto bekannt"},
        {{fixture("day-b.sta"), "--account", "Sparbuch", "--yes"}, "gibt es nicht"},
        {{fixture("day-b.sta"), "--account", "Girokonto", "--reject", "9", "--yes"}, "keine Postennummer"},
        {{fixture("day-b.sta"), "--account", "Girokonto", "--frei"}, "Unbekannte Option"},
        {{fixture("day-b.sta"), "--account", "Girokonto", "--member", "1=3", "--yes"}, "kein Vielfaches"},
        {{fixture("day-b.sta"), "--account", "Girokonto", "--member", "2=Carl", "--yes"}, "N=MITGLIEDSNUMMER"},
        {{}, "Aufruf"},
    };
    for (const auto& c : cases) {
        const test::CliResult r = cli(c.args);
        EXPECT_EQ(r.code, 1) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
    }
    EXPECT_EQ(bookings(), 1);
    EXPECT_EQ(payments(), 3);
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT count(*) FROM sqlite_master WHERE name = 'Kontoauszugsposten'"}).toInt(), 0);
}

// A kill right after a commit of the import run: the bookings, payments and the record of
// what was imported are one transaction, so the next run books exactly the rest.
TEST(StatementCliCrash, AKillAfterACommitLeavesAllOrNothingAndTheRerunBooksTheRest) {
    bool killedWithTheImportStored = false;
    for (int n = 1; n <= 3; ++n) {
        test::Club club;
        test::addBooking(club.data->bookings(), "01.01.2026", "E", "495,10", QString::fromUtf8("Übertrag"),
                         "Anfangsbestand", "Girokonto");
        const QStringList args{"--db", club.folder(), "statements", "import", fixture("day-b.sta"), "--account",
                               "Girokonto", "--yes"};
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("FEROLIND_KILL_AT", QStringLiteral("commit:%1").arg(n));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(FEROLIND_CLI_PATH), args);
        ASSERT_TRUE(p.waitForFinished(60000));
        auto count = [&](const char* sql) { return test::rawSql(club.folder(), {QString::fromLatin1(sql)}).toInt(); };
        const int booked = count("SELECT count(*) FROM buchung") - 1;
        EXPECT_TRUE(booked == 0 || booked == 6) << "kill at commit " << n << ": " << booked << " bookings";
        killedWithTheImportStored |= p.exitStatus() == QProcess::CrashExit && booked == 6;
        const test::CliResult rerun = test::runCli(args);
        ASSERT_EQ(rerun.code, 0) << rerun.err.toStdString();
        EXPECT_EQ(count("SELECT count(*) FROM buchung"), 7) << "kill at commit " << n;
        EXPECT_EQ(count("SELECT integrity_check = 'ok' FROM pragma_integrity_check"), 1);
        EXPECT_TRUE(rerun.out.contains(QString::fromUtf8("stimmt mit dem Saldo von »Girokonto« überein"))) << rerun.out.toStdString();
    }
    EXPECT_TRUE(killedWithTheImportStored) << "no kill came right after the import's own commit";
}

}  // namespace
