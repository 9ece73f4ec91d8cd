// Backup, restore and reset on real database files: a backup of a demo club restored into
// an empty database gives the same tables; a broken or incomplete set changes nothing; a
// set written by ADO restores; the reset empties entries, tables and table files.
#include "club.h"
#include "data/paths.h"
#include "data/schema.h"
#include "democlub.h"
#include "errormessage.h"
#include "filesizelimit.h"
#include "maintenance/backupset.h"
#include "maintenance/backup.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <gtest/gtest.h>

using namespace ferolind;
using test::Club;
using test::messageOf;

namespace {

const QVector<const TableDef*> kBackupTables{&membersTable(), &bookingsTable(), &feePaymentsTable(),
                                             &feeClassesTable()};

// Every row of a table in key order, every column with its stored type ("NULL" for null).
QStringList dumpTable(const QString& folder, const TableDef& table) {
    QSqlDatabase db = openConnection(folder, QStringLiteral("dump"));
    QStringList rows;
    {
        QSqlQuery q(db);
        q.exec(QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(quoteName(table.name)));
        while (q.next()) {
            QStringList cells;
            for (int c = 0; c < q.record().count(); ++c)
                cells << (q.isNull(c) ? QStringLiteral("NULL")
                                      : QString::fromLatin1(q.value(c).typeName()) + ':' + q.value(c).toString());
            rows << cells.join('|');
        }
    }
    closeConnection(db);
    return rows;
}

QStringList dumpAll(const QString& folder) {
    QStringList all;
    for (const TableDef* t : kBackupTables) all << t->name << dumpTable(folder, *t);
    return all;
}

// A demo club with the cases that are easy to lose on the way: a time of day, a text with
// a line break and quotes, an amount with four decimals, a member without any optional
// value (its Yes/No stored as 0, as the program stores an empty one: an old NULL reads as
// No and comes back as 0).
struct DemoClub : Club {
    DemoClub() {
        session.reset();  // the rules first: they hang on the data module's datasets
        data.reset();
        QDir(folder()).remove("db.mdb");
        demo::Size size;
        size.members = 120;
        size.bookings = 150;
        demo::createDemoClub(folder(), size);
        test::rawSql(folder(),
                     {"UPDATE buchung SET Datum='2024-03-01 14:05:09', Betrag=123456 WHERE ID=1",
                      "UPDATE mitglieder SET Bemerkung='Zeile \"1\"' || char(13,10) || 'Zeile <2> & ''3''' WHERE ID=1",
                      "INSERT INTO mitglieder (ID, Nachname, DTAUS) VALUES (500, 'Ohne', 0)",
                      "INSERT INTO beitragsklassen (Name, Beitrag) VALUES ('Krumm', 12345)"});
        data = std::make_unique<DataModule>();
        data->openFolder(folder());
        session = std::make_unique<Session>(*data);
        session->loadAfterOpen();
    }
};

// An empty club database in a folder of its own.
struct EmptyClub {
    QTemporaryDir dir;
    std::unique_ptr<DataModule> data = std::make_unique<DataModule>();
    std::unique_ptr<Session> session;
    EmptyClub() {
        createDatabase(dir.path());
        data->openFolder(dir.path());
        session = std::make_unique<Session>(*data);
        session->loadAfterOpen();
    }
    QString folder() const { return dir.path(); }
};

QString fixtureFolder() { return QStringLiteral(FEROLIND_MAINTENANCE_FIXTURES); }

void copyFolder(const QString& from, const QString& to) {
    for (const QString& name : QDir(from).entryList(QDir::Files)) QFile::copy(QDir(from).filePath(name), QDir(to).filePath(name));
}

// Changes a file of a set in place.
void editFile(const QString& path, const std::function<void(QByteArray&)>& change) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray bytes = file.readAll();
    file.close();
    change(bytes);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

}  // namespace

TEST(Backup, RestoredIntoAnEmptyDatabaseGivesTheSameTables) {
    DemoClub source;
    QTemporaryDir set;
    writeBackup(*source.data, set.path());
    for (const QString& name : backupTableFiles() + QStringList{kBackupSettingsFile})
        EXPECT_TRUE(QFile::exists(QDir(set.path()).filePath(name))) << name.toStdString();

    EmptyClub target;
    target.data->settings().DbSettingSet("Eigener Eintrag", "bleibt");
    target.data->settings().DbSettingSetInt("Zahlungszeitraum", 2);  // yearly, as the demo club pays
    restoreTables(*target.data, set.path());
    QCoreApplication::processEvents();
    EXPECT_EQ(dumpAll(target.folder()), dumpAll(source.folder()));
    // The datasets show what the file holds; the target's own club-wide entries stay.
    EXPECT_EQ(target.data->members().totalCount(), source.data->members().totalCount());
    EXPECT_EQ(target.data->bookings().totalCount(), source.data->bookings().totalCount());
    EXPECT_EQ(target.data->settings().DbSettingGet("Eigener Eintrag"), "bleibt");
    // The next booking does not take a restored booking's number.
    EXPECT_EQ(target.data->lastBookingNumber, 150);
    EXPECT_EQ(target.data->lastMemberNumber, 500);
    // The computed values are computed again on the restored members.
    const int at = source.data->members().field("BeitragAktuellBezahlt");
    int paidSource = 0, paidTarget = 0;
    for (int i = 0; i < source.data->members().totalCount(); ++i) paidSource += source.data->members().recordAt(i)[at].toBool();
    for (int i = 0; i < target.data->members().totalCount(); ++i) paidTarget += target.data->members().recordAt(i)[at].toBool();
    EXPECT_EQ(paidTarget, paidSource);
    EXPECT_GT(paidTarget, 0);

    // A restore over a filled database replaces its rows (a second restore changes nothing).
    restoreTables(*target.data, set.path());
    EXPECT_EQ(dumpAll(target.folder()), dumpAll(source.folder()));
}

TEST(Backup, HoldsTheMembersTheFilterPresentsAndASecondBackupReplacesTheFiles) {
    DemoClub club;
    QTemporaryDir set;
    writeBackup(*club.data, set.path());
    club.members().applyFilter("Nachname = 'Ohne'");
    writeBackup(*club.data, set.path());
    EmptyClub target;
    restoreTables(*target.data, set.path());
    EXPECT_EQ(target.data->members().totalCount(), 1);
    EXPECT_EQ(target.data->members().recordAt(0)[target.data->members().field("ID")].toInt(), 500);
    EXPECT_EQ(dumpTable(target.folder(), bookingsTable()), dumpTable(club.folder(), bookingsTable()));
    // The six files of the set and no leftovers of the replaced files, hidden ones included.
    EXPECT_EQ(QDir(set.path()).entryList(QDir::Files | QDir::Hidden).size(), 6);
}

TEST(Backup, IntoAMissingFolderFailsWithTheFileName) {
    DemoClub club;
    const QString missing = QDir(club.folder()).filePath("gibt-es-nicht");
    const QString message = messageOf([&] { writeBackup(*club.data, missing); });
    EXPECT_TRUE(message.contains("mitglieder18.xml")) << message.toStdString();
    EXPECT_FALSE(QFileInfo::exists(missing));
}

TEST(Restore, AnIncompleteOrBrokenSetChangesNothing) {
    DemoClub source;
    QTemporaryDir set;
    writeBackup(*source.data, set.path());

    struct Case {
        const char* what;
        std::function<void(const QString&)> spoil;  // the set's folder
        const char* messagePart;      // in the refusal of a set of the older format (read, not checked)
        const char* describedFile;    // named when the set's description checks it
    };
    const QVector<Case> cases{
        {"die letzte Datei fehlt", [](const QString& f) { QFile::remove(QDir(f).filePath("beitragsklassen.xml")); },
         "beitragsklassen.xml", "beitragsklassen.xml"},
        {"die letzte Datei bricht ab",
         [](const QString& f) {
             QFile file(QDir(f).filePath("beitragsklassen.xml"));
             file.open(QIODevice::ReadWrite);
             file.resize(file.size() - 40);
         },
         "beitragsklassen.xml", "beitragsklassen.xml"},
        {"ein Wert passt nicht zur Tabelle",
         [](const QString& f) {
             editFile(QDir(f).filePath("betrag2.xml"), [](QByteArray& xml) { xml.insert(xml.lastIndexOf("Jahr=\"") + 6, "x"); });
         },
         "betrag2.xml", "betrag2.xml"},
        {"ein Text ist zu lang für seine Spalte",
         [](const QString& f) {
             editFile(QDir(f).filePath("buchung23.xml"), [](QByteArray& xml) { xml.replace("SollHaben=\"E\"", "SollHaben=\"EE\""); });
         },
         "SollHaben", "buchung23.xml"},
        {"die Datei gehört zu einer anderen Tabelle",
         [](const QString& f) {
             QFile::remove(QDir(f).filePath("betrag2.xml"));
             QFile::copy(QDir(f).filePath("buchung23.xml"), QDir(f).filePath("betrag2.xml"));
         },
         "Buchungsnummer", "betrag2.xml"},
    };
    for (const bool described : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (described ? " (mit Beschreibung)" : " (älteres Format)"));
            QTemporaryDir broken;
            copyFolder(set.path(), broken.path());
            if (!described) {
                ASSERT_TRUE(QFile::remove(QDir(broken.path()).filePath("sicherung.txt")));
            }
            c.spoil(broken.path());
            DemoClub target;  // a club of its own with other data
            test::rawSql(target.folder(), {"UPDATE mitglieder SET Nachname='Anders' WHERE ID=2"});
            target.data->members().requery();
            const QStringList before = dumpAll(target.folder());
            const QStringList entriesBefore = dumpTable(target.folder(), settingsTable());
            const QString message = messageOf([&] { restoreTables(*target.data, broken.path()); });
            EXPECT_TRUE(message.contains(QString::fromUtf8(described ? c.describedFile : c.messagePart)))
                << message.toStdString();
            if (described) {
                EXPECT_TRUE(message.contains("nicht zurückgelesen")) << message.toStdString();
            }
            EXPECT_EQ(dumpAll(target.folder()), before);
            EXPECT_EQ(dumpTable(target.folder(), settingsTable()), entriesBefore);
            EXPECT_EQ(target.data->members().totalCount(), before.indexOf("buchung") - 1);
        }
    }
}

TEST(Restore, ReadsASetWrittenByAdo) {
    EmptyClub target;
    const RestoreResult result = restoreTables(*target.data, fixtureFolder());
    // No description: restored, with the warning that it could not be checked.
    EXPECT_FALSE(result.checked);
    ASSERT_FALSE(result.notes.isEmpty());
    EXPECT_TRUE(result.notes[0].startsWith("Warnung") && result.notes[0].contains("nicht geprüft"))
        << result.notes[0].toStdString();
    EXPECT_EQ(dumpTable(target.folder(), membersTable()),
              (QStringList{
                  "qlonglong:1|qlonglong:1|QString:Frau|QString:Anna|QString:Müller|QString:Hauptstraße 1|NULL|"
                  "QString:01067|QString:Dresden|NULL|NULL|NULL|NULL|QString:1961-04-03|QString:1986-05-01|NULL|NULL|"
                  "NULL|QString:Kassenwartin\r\nseit 1990|NULL|NULL|qlonglong:85050300|NULL|QString:Erwachsene|"
                  "qlonglong:1|NULL|NULL|NULL|NULL|NULL|NULL",
                  "qlonglong:2|qlonglong:7|NULL|QString:Jörg|QString:O'Neil|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|"
                  "NULL|QString:2001-07-15 18:30:00|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|qlonglong:0|NULL|NULL|"
                  "NULL|NULL|NULL|NULL",
                  "qlonglong:5|qlonglong:8|NULL|NULL|QString:Schulz|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|"
                  "NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL"}));
    EXPECT_EQ(dumpTable(target.folder(), bookingsTable()),
              (QStringList{"qlonglong:3|qlonglong:1|QString:2010-11-05|QString:Müller, Anna|QString:Beitragszahlung "
                           "2010|qlonglong:600000|QString:E|QString:Beiträge|QString:Kasse",
                           "qlonglong:4|qlonglong:2|QString:2010-11-06|QString:Stadtwerke|QString:Strom|qlonglong:-"
                           "123456|QString:A|QString:Strom|QString:Girokonto"}));
    EXPECT_EQ(dumpTable(target.folder(), feePaymentsTable()),
              (QStringList{"qlonglong:1|qlonglong:2010|qlonglong:1|qlonglong:0|qlonglong:0",
                           "qlonglong:2|qlonglong:2010|qlonglong:7|qlonglong:3|qlonglong:0"}));
    EXPECT_EQ(dumpTable(target.folder(), feeClassesTable()),
              (QStringList{"qlonglong:1|QString:Erwachsene|qlonglong:600000",
                           "qlonglong:2|QString:Jugendliche|qlonglong:305000"}));
    // The datasets follow, with the member dataset's own computed values.
    Dataset& m = target.data->members();
    ASSERT_EQ(m.totalCount(), 3);
    EXPECT_EQ(m.recordAt(0)[m.field("Nachname")].toString(), QStringLiteral("Müller"));
}

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every file of a folder, hidden ones included, with its content.
QMap<QString, QByteArray> folderContent(const QString& folder) {
    QMap<QString, QByteArray> content;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System))
        content.insert(name, readAll(QDir(folder).filePath(name)));
    return content;
}

// The club's rows, its last numbers and its balances: what a refused restore must keep.
QStringList dumpWithEntries(const QString& folder) { return dumpAll(folder) << dumpTable(folder, settingsTable()); }

}  // namespace

TEST(Restore, ASetWhoseFilesDoNotFitItsDescriptionIsRefusedBeforeAnythingChanges) {
    DemoClub source;
    QTemporaryDir set, other;
    RegistrySetInt("Width", 1111);
    writeBackup(*source.data, set.path());
    // A second set of the same club a little later: other bookings, other settings.
    test::rawSql(source.folder(), {"UPDATE buchung SET Betrag = Betrag + 1 WHERE ID = 3"});
    source.data->bookings().requery();
    RegistrySetInt("Width", 2222);
    writeBackup(*source.data, other.path());

    auto changeOneByte = [](const QString& file) {
        return [file](const QString& f) {
            editFile(QDir(f).filePath(file), [](QByteArray& bytes) { bytes[bytes.size() / 2] = bytes[bytes.size() / 2] == 'x' ? 'y' : 'x'; });
        };
    };
    auto fromOther = [&other](const QString& file) {
        return [&other, file](const QString& f) {
            QFile::remove(QDir(f).filePath(file));
            QFile::copy(QDir(other.path()).filePath(file), QDir(f).filePath(file));
        };
    };
    struct Case {
        QString what;
        std::function<void(const QString&)> spoil;
        QString named;  // in the refusal
    };
    QVector<Case> cases;
    for (const QString& file : backupTableFiles() + QStringList{kBackupSettingsFile})
        cases.append({"ein Byte verändert in " + file, changeOneByte(file), file});
    cases.append({"die Buchungen aus der anderen Sicherung", fromOther("buchung23.xml"), "buchung23.xml"});
    cases.append({"die Einstellungen aus der anderen Sicherung", fromOther(kBackupSettingsFile), kBackupSettingsFile});
    cases.append({"die Beschreibung der anderen Sicherung", fromOther(kBackupDescriptionFile), "buchung23.xml"});
    cases.append({"die Beschreibung nennt eine Datei nicht",
                  [](const QString& f) {
                      editFile(QDir(f).filePath(kBackupDescriptionFile), [](QByteArray& text) {
                          const qsizetype at = text.indexOf("Datei: betrag2.xml");
                          text.remove(at, text.indexOf('\n', at) - at + 1);
                      });
                  },
                  "betrag2.xml"});
    cases.append({"die Beschreibung bricht ab",
                  [](const QString& f) { editFile(QDir(f).filePath(kBackupDescriptionFile), [](QByteArray& t) { t.chop(3); }); },
                  kBackupDescriptionFile});
    cases.append({"eine Datei wird länger",
                  [](const QString& f) { editFile(QDir(f).filePath("betrag2.xml"), [](QByteArray& t) { t.append('\n'); }); },
                  "betrag2.xml"});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what.toStdString());
        QTemporaryDir spoilt;
        copyFolder(set.path(), spoilt.path());
        c.spoil(spoilt.path());
        DemoClub target;
        test::rawSql(target.folder(), {"UPDATE mitglieder SET Nachname='Anders' WHERE ID=2",
                                       "UPDATE blob SET Inhalt='7' WHERE Name='LastMitgliedsID'"});
        target.data->members().requery();
        const QStringList before = dumpWithEntries(target.folder());
        const QString message = messageOf([&] { restoreTables(*target.data, spoilt.path()); });
        EXPECT_TRUE(message.contains(c.named)) << message.toStdString();
        EXPECT_TRUE(message.contains("wird nicht zurückgelesen") && message.endsWith("Es wurde nichts geändert."))
            << message.toStdString();
        EXPECT_EQ(dumpWithEntries(target.folder()), before);
        EXPECT_EQ(target.data->members().recordAt(1)[target.data->members().field("Nachname")].toString(), "Anders");
    }
    // Either set on its own restores, checked: the later one has the club's bookings of now.
    for (const QString& folder : {set.path(), other.path()}) {
        EmptyClub target;
        EXPECT_TRUE(restoreTables(*target.data, folder).checked);
        EXPECT_EQ(dumpTable(target.folder(), bookingsTable()) == dumpTable(source.folder(), bookingsTable()),
                  folder == other.path());
    }
    EXPECT_EQ(describeSettings(backupSettings(set.path())).filter("Width").value(0), "Width = 1111");
    QTemporaryDir mixed;
    copyFolder(set.path(), mixed.path());
    fromOther(kBackupSettingsFile)(mixed.path());
    EXPECT_TRUE(messageOf([&] { backupSettings(mixed.path()); }).contains(kBackupSettingsFile));
}

TEST(Restore, RaisesTheLastNumbersAndRecomputesTheBalancesFromTheRestoredBookings) {
    DemoClub source;
    QTemporaryDir set;
    writeBackup(*source.data, set.path());

    EmptyClub target;
    SettingsStore& s = target.data->settings();
    s.DbSettingSet("bestandskonten", "Girokonto\r\nKasse\r\nSparbuch\r\n");
    s.AccountStartValueSet("Kasse", 1000000);  // 100 €
    s.AccountBalanceSet("Kasse", 999);          // of the target's own bookings, which go
    s.AccountBalanceSet("Girokonto", 5);
    s.AccountBalanceSet("Sparbuch", 77);
    s.DbSettingSetInt("LastMitgliedsID", 7);         // below the restored members
    s.DbSettingSetInt("LastBuchungsID", 100000);     // above the restored bookings: stays
    target.data->loadLastNumbers();

    const RestoreResult result = restoreTables(*target.data, set.path());
    EXPECT_TRUE(result.checked);
    EXPECT_EQ(result.lastMemberNumber, 500);
    EXPECT_EQ(result.lastBookingNumber, 100000);
    EXPECT_EQ(target.data->lastMemberNumber, 500);
    EXPECT_EQ(result.notes.join('\n').count("500"), 1) << result.notes.join('\n').toStdString();
    EXPECT_TRUE(result.notes.join('\n').contains("neu berechnet")) << result.notes.join('\n').toStdString();

    // Written into the file: a program opened on it afterwards sees them.
    DataModule reopened;
    reopened.openFolder(target.folder());
    auto sum = [&](const char* account) {
        return test::rawSql(target.folder(), {QStringLiteral("SELECT COALESCE(SUM(CASE WHEN SollHaben='E' THEN Betrag "
                                                             "ELSE -Betrag END), 0) FROM buchung WHERE Bestandskonto='%1'")
                                                  .arg(QLatin1String(account))})
            .toLongLong();
    };
    ASSERT_NE(sum("Kasse"), 0);
    EXPECT_EQ(reopened.settings().AccountBalanceGet("Kasse"), 1000000 + sum("Kasse"));
    EXPECT_EQ(reopened.settings().AccountBalanceGet("Girokonto"), sum("Girokonto"));
    EXPECT_EQ(reopened.settings().AccountBalanceGet("Sparbuch"), 0);  // no restored booking on it
    EXPECT_EQ(reopened.settings().DbSettingGetInt("LastMitgliedsID"), 500);
    EXPECT_EQ(reopened.settings().DbSettingGetInt("LastBuchungsID"), 100000);
}

// A disk that fills up while the set is written (a file size limit: the first file or a
// later one does not fit): the sentence names the file and the cause, and the folder
// holds the old set, byte for byte, without leftovers.
TEST(Backup, OnAFullDiskKeepsTheOldSetWholeAndSaysWhy) {
    DemoClub club;
    QTemporaryDir set;
    writeBackup(*club.data, set.path());
    const QMap<QString, QByteArray> oldSet = folderContent(set.path());
    QStringList inserts{"BEGIN"};
    for (int i = 0; i < 1500; ++i)
        inserts << QStringLiteral("INSERT INTO buchung (Buchungsnummer, Betrag, SollHaben, Bestandskonto, Buchungstext) VALUES "
                                  "(%1, 100, 'E', 'Kasse', 'Spende Nummer %1')")
                       .arg(1000 + i);
    test::rawSql(club.folder(), inserts << "COMMIT");
    club.data->bookings().requery();
    QTemporaryDir probe;
    writeBackup(*club.data, probe.path());
    const qint64 members = QFileInfo(QDir(probe.path()).filePath("mitglieder18.xml")).size();
    const qint64 bookings = QFileInfo(QDir(probe.path()).filePath("buchung23.xml")).size();
    ASSERT_LT(members, bookings);

    struct Case {
        const char* what;
        qint64 limit;
        const char* failing;
    };
    for (const Case& c : {Case{"die erste Datei", members / 2, "mitglieder18.xml"},
                          Case{"eine spätere Datei", (members + bookings) / 2, "buchung23.xml"}}) {
        SCOPED_TRACE(c.what);
        QString message;
        {
            const test::FileSizeLimit fullDisk(rlim_t(c.limit));
            message = messageOf([&] { writeBackup(*club.data, set.path()); });
        }
        EXPECT_TRUE(message.contains(QDir(set.path()).filePath(c.failing))) << message.toStdString();
        EXPECT_TRUE(message.contains("zu groß")) << message.toStdString();
        EXPECT_FALSE(message.contains(".neu") || message.contains("Unknown")) << message.toStdString();
        EXPECT_EQ(folderContent(set.path()), oldSet);
    }
    EmptyClub target;
    EXPECT_TRUE(restoreTables(*target.data, set.path()).checked);
    EXPECT_EQ(target.data->bookings().totalCount(), 150);
}

// A restore that fails on a full disk rolls the club file back before it returns: the
// file alone (without a journal beside it) is whole and holds the club as before.
TEST(Restore, FailingOnAFullDiskLeavesAClubFileThatStandsAlone) {
    DemoClub big;
    QStringList inserts{"BEGIN"};
    for (int i = 0; i < 3000; ++i)
        inserts << QStringLiteral("INSERT INTO mitglieder (ID, Nachname, Bemerkung, DTAUS) VALUES (%1, 'Neu %1', "
                                  "'%2', 0)")
                       .arg(1000 + i)
                       .arg(QString(200, QChar(u'x')));
    test::rawSql(big.folder(), inserts << "COMMIT");
    big.data->members().requery();
    QTemporaryDir set;
    writeBackup(*big.data, set.path());

    DemoClub target;
    const QStringList before = dumpWithEntries(target.folder());
    const qint64 size = QFileInfo(QDir(target.folder()).filePath("db.mdb")).size();
    QString message;
    {
        const test::FileSizeLimit fullDisk(rlim_t(size + 64 * 1024));
        message = messageOf([&] { restoreTables(*target.data, set.path()); });
    }
    EXPECT_FALSE(message.isEmpty());
    EXPECT_FALSE(message.contains("Unknown")) << message.toStdString();
    EXPECT_FALSE(QFileInfo::exists(QDir(target.folder()).filePath("db.mdb-journal")));
    QTemporaryDir copy;
    ASSERT_TRUE(QFile::copy(QDir(target.folder()).filePath("db.mdb"), QDir(copy.path()).filePath("db.mdb")));
    EXPECT_EQ(test::rawSql(copy.path(), {"PRAGMA integrity_check"}).toString(), "ok");
    EXPECT_EQ(dumpWithEntries(copy.path()), before);
    EXPECT_EQ(dumpWithEntries(target.folder()), before);
    EXPECT_EQ(target.data->members().totalCount(), 121);
}

TEST(Reset, EmptiesEntriesTablesAndTableFilesAndKeepsTheSettingsFile) {
    DemoClub club;
    const QString appData = applicationDataFolder();
    writeBackup(*club.data, appData);
    RegistrySetString("Sort", "Nachname");
    ASSERT_FALSE(club.data->settings().DbSettingGet("bestandskonten").isEmpty());

    EXPECT_TRUE(resetProgram(*club.data, appData).isEmpty());
    for (const TableDef* t : kBackupTables) EXPECT_TRUE(dumpTable(club.folder(), *t).isEmpty()) << t->name.toStdString();
    EXPECT_TRUE(dumpTable(club.folder(), settingsTable()).isEmpty());
    for (const QString& name : backupTableFiles()) EXPECT_FALSE(QFile::exists(QDir(appData).filePath(name)));
    EXPECT_TRUE(QFile::exists(QDir(appData).filePath(kBackupSettingsFile)));
    EXPECT_EQ(RegistryGetString("Sort"), "Nachname");  // per-user values stay
    EXPECT_EQ(club.data->members().totalCount(), 0);
    EXPECT_EQ(club.data->bookings().totalCount(), 0);
    EXPECT_EQ(club.data->settings().DbSettingGet("bestandskonten"), "");

    // Like a new file: the first member after the reset is stored under key 1, number 1.
    club.addMember({{"Nachname", "Neu"}});
    EXPECT_EQ(dumpTable(club.folder(), membersTable()).value(0).section('|', 0, 1), "qlonglong:1|qlonglong:1");
}

TEST(BackupDescriptionText, ReadsItsOwnTextBackAndRefusesEveryOtherFormNamingTheLine) {
    BackupDescription d;
    d.identity = "0123456789abcdef0123456789abcdef";
    d.written = QDateTime(QDate(2026, 1, 31), QTime(18, 0, 5), Qt::UTC);
    d.files = {{"mitglieder18.xml", 48213, QCryptographicHash::hash("a", QCryptographicHash::Sha256)},
               {"einstellungen.reg", 0, QCryptographicHash::hash("", QCryptographicHash::Sha256)}};
    const QByteArray text = backupDescriptionBytes(d);
    const BackupDescription back = parseBackupDescription(text, "s.txt");
    EXPECT_EQ(back.identity, d.identity);
    EXPECT_EQ(back.written, d.written);
    EXPECT_EQ(back.files, d.files);
    // Line ends as an editor on Windows leaves them are read too.
    EXPECT_EQ(parseBackupDescription(QByteArray(text).replace("\n", "\r\n"), "s.txt").files, d.files);

    const QByteArray hash = QCryptographicHash::hash("a", QCryptographicHash::Sha256).toHex();
    struct Case {
        const char* what;
        std::function<QByteArray(QByteArray)> change;
        int line;
    };
    const QVector<Case> cases{
        {"andere Kopfzeile", [](QByteArray t) { return t.replace("Ferolind-Sicherung 1", "Ferolind-Sicherung 2"); }, 1},
        {"Kennung zu kurz", [](QByteArray t) { return t.replace("Kennung: 0123", "Kennung: 123"); }, 2},
        {"Kennung in Großbuchstaben", [](QByteArray t) { return t.replace("abcdef0123456789abcdef", "ABCDEF0123456789abcdef"); }, 2},
        {"Zeitpunkt in anderer Form", [](QByteArray t) { return t.replace("2026-01-31T18:00:05Z", "31.01.2026 18:00"); }, 3},
        {"negative Größe", [](QByteArray t) { return t.replace(" 48213 ", " -48213 "); }, 4},
        {"Größe keine Zahl", [](QByteArray t) { return t.replace(" 48213 ", " 48k "); }, 4},
        {"Prüfsumme zu kurz", [&](QByteArray t) { return t.replace(hash, hash.left(63)); }, 4},
        {"Name mit Ordner", [](QByteArray t) { return t.replace("Datei: mitglieder18.xml", "Datei: ../mitglieder18.xml"); }, 4},
        {"Datei zweimal",
         [](QByteArray t) { return t.replace("Datei: einstellungen.reg", "Datei: mitglieder18.xml"); }, 5},
        {"Text nach Ende", [](QByteArray t) { return t + "Datei: x 1 " + QByteArray(64, 'a') + "\n"; }, 7},
        {"Ende fehlt", [](QByteArray t) { return t.left(t.indexOf("Ende")); }, 6},
        {"letzte Zeile ohne Zeilenende", [](QByteArray t) { return t.left(t.size() - 1); }, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString message = messageOf([&] { parseBackupDescription(c.change(text), "s.txt"); });
        EXPECT_TRUE(message.contains(QStringLiteral("»s.txt« ist beschädigt (Zeile %1)").arg(c.line))) << message.toStdString();
    }
}
