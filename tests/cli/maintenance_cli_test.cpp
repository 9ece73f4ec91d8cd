// ferolind-cli backup, restore and reset on real database files, run as a separate program.
#include "clirun.h"
#include "testsupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

namespace {

using Result = ferolind::test::CliResult;
Result cli(const QStringList& args) { return ferolind::test::runCli(args); }

// A club file with two members, a booking and a fee class, made through the tool.
QStringList clubIn(const QString& folder) {
    const QStringList db{"--db", folder};
    EXPECT_EQ(cli(db + QStringList{"create"}).code, 0);
    EXPECT_EQ(cli(db + QStringList{"members", "add", "Vorname=Anna", "Nachname=Zander", "Geburtsdatum=03.04.1961"}).code, 0);
    EXPECT_EQ(cli(db + QStringList{"members", "add", "Nachname=Berg"}).code, 0);
    const Result b = cli(db + QStringList{"bookings", "add", "Betrag=12,34", "Bestandskonto=Kasse", "Kategorie=Spenden"});
    EXPECT_EQ(b.code, 0) << b.err.toStdString();
    return db;
}

QString listAll(const QStringList& db) {
    return cli(db + QStringList{"members", "list"}).out + cli(db + QStringList{"bookings", "list"}).out;
}

}  // namespace

TEST(MaintenanceCli, BackupAndRestoreIntoAnotherClubWithYes) {
    ferolind::test::clearUserSettings();
    QTemporaryDir source, target, set;
    const QStringList from = clubIn(source.path());
    QSettings(QStringLiteral("Brankel Software"), QStringLiteral("Revode")).setValue("Width", 1234);

    Result r = cli(from + QStringList{"backup", set.path()});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(QDir(set.path()).entryList(QDir::Files).size(), 6);  // with its description

    const QStringList to{"--db", target.path()};
    ASSERT_EQ(cli(to + QStringList{"create"}).code, 0);
    ASSERT_EQ(cli(to + QStringList{"members", "add", "Nachname=Vorher"}).code, 0);
    const QString before = listAll(to);

    // Without --yes only the question: nothing changes.
    r = cli(to + QStringList{"restore", set.path()});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains("Sind Sie sicher?")) << r.out.toStdString();
    EXPECT_EQ(listAll(to), before);

    ferolind::test::clearUserSettings();
    r = cli(to + QStringList{"restore", set.path(), "--yes"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(listAll(to), listAll(from));
    EXPECT_EQ(QSettings(QStringLiteral("Brankel Software"), QStringLiteral("Revode")).value("Width").toInt(), 1234);
    // Checked, and the last numbers raised in the file and the balances recomputed, as it says.
    EXPECT_TRUE(r.out.contains("wurde geprüft")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("Die letzte Mitgliedsnummer ist jetzt 2, die letzte Buchungsnummer 1."))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("Kontostände wurden aus den zurückgelesenen Buchungen neu berechnet"))
        << r.out.toStdString();
    EXPECT_EQ(cli(to + QStringList{"settings", "get", "LastMitgliedsID"}).out, "2\n");
    EXPECT_EQ(cli(to + QStringList{"settings", "get", "LastBuchungsID"}).out, "1\n");

    // A set of the older format, without description: read back, with the warning.
    QTemporaryDir older;
    for (const QString& name : QDir(set.path()).entryList(QDir::Files))
        if (name != "sicherung.txt") QFile::copy(QDir(set.path()).filePath(name), QDir(older.path()).filePath(name));
    r = cli(to + QStringList{"restore", older.path(), "--yes"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("Warnung: Die Sicherung hat keine Beschreibung")) << r.out.toStdString();
    EXPECT_EQ(listAll(to), listAll(from));

    // A set without its settings file is incomplete: refused, the file named, nothing changed.
    ASSERT_EQ(cli(to + QStringList{"members", "add", "Nachname=Danach"}).code, 0);
    const QString changed = listAll(to);
    QFile::remove(QDir(set.path()).filePath("einstellungen.reg"));
    r = cli(to + QStringList{"restore", set.path(), "--yes"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("einstellungen.reg")) << r.err.toStdString();
    EXPECT_EQ(listAll(to), changed);
    // One of the older format without it: the tables are read back, the missing file is reported.
    QFile::remove(QDir(older.path()).filePath("einstellungen.reg"));
    r = cli(to + QStringList{"restore", older.path(), "--yes"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("einstellungen.reg")) << r.err.toStdString();
    EXPECT_EQ(listAll(to), listAll(from));
}

TEST(MaintenanceCli, ARestoreFromAnIncompleteSetAndAResetWithoutYesChangeNothing) {
    ferolind::test::clearUserSettings();
    QTemporaryDir club, set;
    const QStringList db = clubIn(club.path());
    ASSERT_EQ(cli(db + QStringList{"backup", set.path()}).code, 0);
    ASSERT_EQ(cli(db + QStringList{"members", "add", "Nachname=Danach"}).code, 0);
    const QString before = listAll(db);
    QFile::remove(QDir(set.path()).filePath("buchung23.xml"));
    Result r = cli(db + QStringList{"restore", set.path(), "--yes"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("buchung23.xml")) << r.err.toStdString();
    EXPECT_EQ(listAll(db), before);

    r = cli(db + QStringList{"reset"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains("ALLE Daten")) << r.out.toStdString();
    EXPECT_EQ(listAll(db), before);

    r = cli(db + QStringList{"reset", "--yes"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(cli(db + QStringList{"members", "list", "--columns", "ID"}).out, "ID\n");
    EXPECT_EQ(cli(db + QStringList{"settings", "get", "bestandskonten"}).out, "\n");
    EXPECT_EQ(cli(db + QStringList{"reset", "--ja"}).code, 1);
}
