// Backup, restore and reset on real database files: a backup of a demo club restored into
// an empty database gives the same tables; a broken or incomplete set changes nothing; a
// set written by ADO restores; the reset empties entries, tables and table files.
#include "club.h"
#include "data/paths.h"
#include "data/schema.h"
#include "democlub.h"
#include "errormessage.h"
#include "maintenance/backup.h"

#include <QCoreApplication>
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
    EXPECT_EQ(QDir(set.path()).entryList(QDir::Files).size(), 5);  // no leftovers of the replaced files
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
        const char* messagePart;
    };
    const QVector<Case> cases{
        {"die letzte Datei fehlt", [](const QString& f) { QFile::remove(QDir(f).filePath("beitragsklassen.xml")); },
         "beitragsklassen.xml"},
        {"die letzte Datei bricht ab",
         [](const QString& f) {
             QFile file(QDir(f).filePath("beitragsklassen.xml"));
             file.open(QIODevice::ReadWrite);
             file.resize(file.size() - 40);
         },
         "beitragsklassen.xml"},
        {"ein Wert passt nicht zur Tabelle",
         [](const QString& f) {
             editFile(QDir(f).filePath("betrag2.xml"), [](QByteArray& xml) { xml.insert(xml.lastIndexOf("Jahr=\"") + 6, "x"); });
         },
         "betrag2.xml"},
        {"ein Text ist zu lang für seine Spalte",
         [](const QString& f) {
             editFile(QDir(f).filePath("buchung23.xml"), [](QByteArray& xml) { xml.replace("SollHaben=\"E\"", "SollHaben=\"EE\""); });
         },
         "SollHaben"},
        {"die Datei gehört zu einer anderen Tabelle",
         [](const QString& f) {
             QFile::remove(QDir(f).filePath("betrag2.xml"));
             QFile::copy(QDir(f).filePath("buchung23.xml"), QDir(f).filePath("betrag2.xml"));
         },
         "Buchungsnummer"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir broken;
        copyFolder(set.path(), broken.path());
        c.spoil(broken.path());
        DemoClub target;  // a club of its own with other data
        test::rawSql(target.folder(), {"UPDATE mitglieder SET Nachname='Anders' WHERE ID=2"});
        target.data->members().requery();
        const QStringList before = dumpAll(target.folder());
        const QString message = messageOf([&] { restoreTables(*target.data, broken.path()); });
        EXPECT_TRUE(message.contains(QString::fromUtf8(c.messagePart))) << message.toStdString();
        EXPECT_EQ(dumpAll(target.folder()), before);
        EXPECT_EQ(target.data->members().totalCount(), before.indexOf("buchung") - 1);
    }
}

TEST(Restore, ReadsASetWrittenByAdo) {
    EmptyClub target;
    restoreTables(*target.data, fixtureFolder());
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
