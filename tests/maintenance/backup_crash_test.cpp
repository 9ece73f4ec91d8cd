// ferolind-cli as a separate program, killed (as by kill -9) at every rename and every
// sync while it writes a backup over an older set: a restore of what the folder then holds
// gives the old club or the new one exactly, or is refused and changes nothing. And the
// tool on a full disk: one German sentence on the terminal, the old set and the club file
// as they were.
#include "club.h"
#include "data/schema.h"
#include "democlub.h"
#include "filesizelimit.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>

using namespace ferolind;

namespace {

struct ToolRun {
    bool killed = false;
    int code = -1;
    QString out, err;
};

// The tool with FEROLIND_KILL_AT set to killAt (none when empty).
ToolRun cli(const QStringList& args, const QString& killAt = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!killAt.isEmpty()) env.insert(QStringLiteral("FEROLIND_KILL_AT"), killAt);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(FEROLIND_CLI_PATH), args);
    p.waitForFinished(60000);
    ToolRun r;
    r.killed = p.exitStatus() == QProcess::CrashExit;
    r.code = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// The four tables of a set and the entries a restore raises or recomputes, row by row.
QStringList dumpClub(const QString& folder) {
    QSqlDatabase db = openConnection(folder, QStringLiteral("dump"));
    QStringList rows;
    {
        QSqlQuery q(db);
        for (const QString& sql :
             {QStringLiteral("SELECT * FROM mitglieder ORDER BY 1"), QStringLiteral("SELECT * FROM buchung ORDER BY 1"),
              QStringLiteral("SELECT * FROM betrag ORDER BY 1"), QStringLiteral("SELECT * FROM beitragsklassen ORDER BY 1"),
              QStringLiteral("SELECT Name, Inhalt FROM blob WHERE Name LIKE 'Last%' OR Name LIKE 'kontostand%' "
                             "ORDER BY Name")}) {
            rows << sql;
            q.exec(sql);
            while (q.next()) {
                QStringList cells;
                for (int c = 0; c < q.record().count(); ++c)
                    cells << (q.isNull(c) ? QStringLiteral("NULL") : q.value(c).toString());
                rows << cells.join('|');
            }
        }
    }
    closeConnection(db);
    return rows;
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

void copyFiles(const QString& from, const QString& to) {
    for (const QString& name : filesIn(from)) QFile::copy(QDir(from).filePath(name), QDir(to).filePath(name));
}

QByteArray contentOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(fehlt)");
}

// A club whose old set is in oldSet; the club has changed since in every table.
struct ChangedClub {
    QTemporaryDir club, oldSet;
    QStringList db;
    ChangedClub() {
        demo::Size size;
        size.members = 60;
        size.bookings = 80;
        demo::createDemoClub(club.path(), size);
        db = QStringList{"--db", club.path()};
        const ToolRun old = cli(db + QStringList{"backup", oldSet.path()});
        EXPECT_EQ(old.code, 0) << old.err.toStdString();
        test::rawSql(club.path(), {"INSERT INTO mitglieder (ID, Nachname, DTAUS) VALUES (900, 'Neu', 0)",
                                   "UPDATE buchung SET Betrag = Betrag + 100 WHERE ID <= 40",
                                   "INSERT INTO buchung (Buchungsnummer, Betrag, SollHaben, Bestandskonto) "
                                   "VALUES (700, 50000, 'E', 'Kasse')",
                                   "DELETE FROM betrag WHERE ID % 3 = 0",
                                   "INSERT INTO beitragsklassen (Name, Beitrag) VALUES ('Neu', 10000)"});
    }
};

// What a restore of a set gives in a fresh club file.
QStringList restoredFrom(const QString& set) {
    QTemporaryDir target;
    createDatabase(target.path());
    const ToolRun r = cli({"--db", target.path(), "restore", set, "--yes"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    return dumpClub(target.path());
}

// Kills the backup at the 1st, 2nd, ... time it reaches `step` until a run gets through;
// returns how often the restore gave the old set, the new one, or was refused.
struct Outcomes {
    int oldSet = 0, newSet = 0, refused = 0, trials = 0;
};

// olderFormat: the old set has no description, as one of the older format.
Outcomes killTrials(const char* step, bool olderFormat = false) {
    ChangedClub c;
    if (olderFormat) {
        EXPECT_TRUE(QFile::remove(QDir(c.oldSet.path()).filePath("sicherung.txt")));
    }
    const QStringList oldClub = restoredFrom(c.oldSet.path());
    QTemporaryDir complete;
    EXPECT_EQ(cli(c.db + QStringList{"backup", complete.path()}).code, 0);
    const QStringList newClub = restoredFrom(complete.path());
    EXPECT_NE(newClub, oldClub);
    QTemporaryDir fresh;
    createDatabase(fresh.path());
    const QStringList empty = dumpClub(fresh.path());

    Outcomes seen;
    bool through = false;
    for (int n = 1; n <= 200 && !through; ++n) {
        SCOPED_TRACE(QStringLiteral("%1:%2").arg(step).arg(n).toStdString());
        QTemporaryDir folder;
        copyFiles(c.oldSet.path(), folder.path());
        const ToolRun backup = cli(c.db + QStringList{"backup", folder.path()}, QStringLiteral("%1:%2").arg(step).arg(n));
        through = !backup.killed;
        if (through) {
            EXPECT_EQ(backup.code, 0) << backup.err.toStdString();
        }
        ++seen.trials;
        QTemporaryDir target;
        createDatabase(target.path());
        const ToolRun restore = cli({"--db", target.path(), "restore", folder.path(), "--yes"});
        const QStringList club = dumpClub(target.path());
        if (restore.code == 0) {
            EXPECT_TRUE(restore.out.contains("wurde geprüft") || (olderFormat && restore.out.contains("Warnung")))
                << restore.out.toStdString();
            EXPECT_TRUE(club == oldClub || club == newClub) << "weder die alte noch die neue Sicherung";
            seen.oldSet += club == oldClub;
            seen.newSet += club == newClub;
            if (through) {
                EXPECT_EQ(club, newClub);
            }
        } else {
            ++seen.refused;
            EXPECT_FALSE(through);
            EXPECT_EQ(restore.code, 1);
            EXPECT_TRUE(restore.err.contains("wird nicht zurückgelesen")) << restore.err.toStdString();
            EXPECT_EQ(club, empty);
        }
        // The next backup into the folder clears what the killed one left behind.
        if (!through && n % 3 == 1) {
            const ToolRun again = cli(c.db + QStringList{"backup", folder.path()});
            EXPECT_EQ(again.code, 0) << again.err.toStdString();
            EXPECT_EQ(filesIn(folder.path()).size(), 6) << filesIn(folder.path()).join(' ').toStdString();
        }
    }
    EXPECT_TRUE(through) << "kein Lauf kam durch";
    return seen;
}

}  // namespace

TEST(BackupKilled, AtEveryRenameTheFolderRestoresTheOldOrTheNewSetOrIsRefused) {
    const Outcomes o = killTrials("rename");
    std::printf("rename: %d Läufe, alt %d, neu %d, abgelehnt %d\n", o.trials, o.oldSet, o.newSet, o.refused);
    // Killed before a put in place had been made: the old set; after: refused.
    EXPECT_GT(o.oldSet, 0);
    EXPECT_GT(o.refused, 0);
}

TEST(BackupKilled, AtEverySyncTheFolderRestoresTheOldOrTheNewSetOrIsRefused) {
    const Outcomes o = killTrials("fdatasync");
    std::printf("fdatasync: %d Läufe, alt %d, neu %d, abgelehnt %d\n", o.trials, o.oldSet, o.newSet, o.refused);
    EXPECT_GT(o.oldSet, 0);
    EXPECT_GT(o.refused, 0);
    EXPECT_GT(o.newSet, 1);  // killed at the folder's sync after the description was put in place
}

TEST(BackupKilled, OverASetOfTheOlderFormatNoMixIsEverRestoredUnchecked) {
    const Outcomes o = killTrials("rename", true);
    std::printf("rename über älteres Format: %d Läufe, alt %d, neu %d, abgelehnt %d\n", o.trials, o.oldSet, o.newSet,
                o.refused);
    EXPECT_GT(o.oldSet, 0);
    EXPECT_GT(o.refused, 0);
}

namespace {

// What the tool printed for a failure: German sentences only, none of the engine's or the
// library's own words.
void expectOnlyGermanSentences(const QString& err) {
    for (const char* noise : {"Unknown error", "QSql", "QFile", "sqlite", "SQLite", "database engine", "disk I/O", "Qt"})
        EXPECT_FALSE(err.contains(QLatin1String(noise))) << noise << ": " << err.toStdString();
}

}  // namespace

// The tool on a full disk (the child inherits the file size limit): a backup leaves the old
// set byte for byte and a restore leaves the club file whole on its own, without journal.
TEST(BackupOnAFullDisk, TheToolSaysWhyInOneGermanSentenceAndKeepsTheOldSetAndTheClub) {
    ChangedClub c;
    QStringList inserts{"BEGIN"};
    for (int i = 0; i < 3000; ++i)
        inserts << QStringLiteral("INSERT INTO mitglieder (ID, Nachname, Bemerkung, DTAUS) VALUES (%1, 'Neu %1', '%2', 0)")
                       .arg(2000 + i)
                       .arg(QString(200, QChar(u'y')));
    test::rawSql(c.club.path(), inserts << "COMMIT");
    QMap<QString, QByteArray> oldSet;
    for (const QString& name : filesIn(c.oldSet.path())) oldSet.insert(name, contentOf(QDir(c.oldSet.path()).filePath(name)));

    ToolRun backup;
    {
        const test::FileSizeLimit fullDisk(64 * 1024);
        backup = cli(c.db + QStringList{"backup", c.oldSet.path()});
    }
    EXPECT_EQ(backup.code, 1);
    EXPECT_TRUE(backup.err.contains(QDir(c.oldSet.path()).filePath("mitglieder18.xml") + "« wird zu groß"))
        << backup.err.toStdString();
    expectOnlyGermanSentences(backup.err);
    QMap<QString, QByteArray> after;
    for (const QString& name : filesIn(c.oldSet.path())) after.insert(name, contentOf(QDir(c.oldSet.path()).filePath(name)));
    EXPECT_EQ(after, oldSet);

    // The big club's set restored into a small club that may not grow.
    QTemporaryDir bigSet, small;
    ASSERT_EQ(cli(c.db + QStringList{"backup", bigSet.path()}).code, 0);
    demo::Size size;
    size.members = 30;
    size.bookings = 30;
    demo::createDemoClub(small.path(), size);
    const QStringList before = dumpClub(small.path());
    const qint64 dbSize = QFileInfo(QDir(small.path()).filePath("db.mdb")).size();
    ToolRun restore;
    {
        const test::FileSizeLimit fullDisk(rlim_t(dbSize + 128 * 1024));
        restore = cli({"--db", small.path(), "restore", bigSet.path(), "--yes"});
    }
    EXPECT_EQ(restore.code, 1) << restore.out.toStdString();
    EXPECT_TRUE(restore.err.contains("Datenträger")) << restore.err.toStdString();
    expectOnlyGermanSentences(restore.err);
    QTemporaryDir copy;
    ASSERT_TRUE(QFile::copy(QDir(small.path()).filePath("db.mdb"), QDir(copy.path()).filePath("db.mdb")));
    EXPECT_EQ(test::rawSql(copy.path(), {"PRAGMA integrity_check"}).toString(), "ok");
    EXPECT_EQ(dumpClub(copy.path()), before);
    EXPECT_FALSE(QFileInfo::exists(QDir(small.path()).filePath("db.mdb-journal")));
}
