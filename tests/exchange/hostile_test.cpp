// Damaged and hostile import files: each costs the user one German sentence naming the
// file, in the import assistant and on the command line, and leaves the club and the open
// program as they were. The readers of our own code stay small on them in-process too.
#include "clirun.h"
#include "club.h"
#include "data/errors.h"
#include "data/foreigndatabase.h"
#include "exchange/importscreens.h"
#include "exchange/sourcechild.h"
#include "exchange/sources.h"
#include "messagescript.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace ferolind;
using namespace ferolind::exchange;
using ferolind::test::Club;

namespace {

const QString kFixtures = QStringLiteral(FEROLIND_EXCHANGE_FIXTURES);
const QString kHostile = kFixtures + QStringLiteral("/hostile");

// The files that take a library down (crash, memory) or made our readers blow up.
struct HostileFile {
    const char* name;
    const char* does;
};
const HostileFile kRefused[] = {
    {"xls-segv-1.xls", "a segfault inside the library's open"},
    {"mdb-null-deref.mdb", "a NULL dereference while the catalog is read"},
    {"mdb-catalog-oom.mdb", "the catalog grows past any memory limit"},
    {"cols-65535-selfloop.mdb", "65,535 columns and a page pointing at itself"},
};

QString nameOf(const QString& path) { return QStringLiteral("»%1«").arg(QDir::toNativeSeparators(path)); }

// Reads the file as the assistant does (table list, then the first table); the sentence
// it was refused with, or empty when it read.
QString refusal(const QString& path) {
    try {
        const QStringList tables = sourceTableNames(path);
        readSource(path, tables.value(0), QLatin1Char(';'));
    } catch (const DataError& e) {
        return e.message();
    }
    return {};
}

}  // namespace

TEST(HostileFiles, EachIsOneGermanSentenceNamingTheFileAndTheProgramGoesOn) {
    ASSERT_TRUE(sourceReaderChildAvailable());
    for (const HostileFile& f : kRefused) {
        const QString path = kHostile + '/' + f.name;
        QElapsedTimer timer;
        timer.start();
        const QString message = refusal(path);
        EXPECT_LT(timer.elapsed(), 30000) << f.name;
        EXPECT_FALSE(message.isEmpty()) << f.name << ": " << f.does;
        EXPECT_TRUE(message.startsWith(QStringLiteral("Die Datei ") + nameOf(path))) << message.toStdString();
        EXPECT_FALSE(message.contains(u'\n')) << message.toStdString();
    }
    // The process that asked is still here and reads a sound file as before.
    EXPECT_EQ(readSource(kFixtures + "/members.xls", {}, QLatin1Char(';')).records.size(), 3);
}

TEST(HostileFiles, TheLibraryCrashIsTheDamagedFileSentence) {
    const QString path = kHostile + "/xls-segv-1.xls";
    EXPECT_EQ(refusal(path), QStringLiteral("Die Datei %1 lässt sich nicht lesen: sie ist beschädigt oder keine "
                                            "Excel-Arbeitsmappe (.xls).")
                                 .arg(nameOf(path)));
}

// Sheets whose few cells lie far out: only the cells that exist cost memory, whatever a
// header claims; read in-process and through the child alike.
TEST(HostileFiles, SparseSheetsReadAsTheirCells) {
    const QString wide = kHostile + "/wide-100000.xlsx";
    QFile f(wide);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QElapsedTimer timer;
    timer.start();
    const SourceTable here = readXlsx(bytes, {});
    ASSERT_EQ(here.records.size(), 100000);
    for (const QStringList& r : here.records) ASSERT_EQ(r.size(), 1);
    EXPECT_LT(timer.elapsed(), 20000);
    EXPECT_EQ(readSource(wide, {}, QLatin1Char(';')).records, here.records);

    // A DIMENSION record claiming 268,435,456 rows: the cells that are there, at once.
    const QString dim = kHostile + "/dim-leer-268Mx0.xls";
    timer.restart();
    const SourceTable claimed = readXls(dim, {});
    EXPECT_LE(claimed.records.size(), 65536);
    for (const QStringList& r : claimed.records) ASSERT_LE(r.size(), 256);
    EXPECT_EQ(readSource(dim, {}, QLatin1Char(';')).records, claimed.records);
    EXPECT_LT(timer.elapsed(), 10000);
}

// What our own readers refuse before any memory is spent, with the reason.
TEST(HostileFiles, OwnReadersRefuseWhatNoImportCanUse) {
    try {
        readMdb(kHostile + "/cols-65535-selfloop.mdb", {});
        ADD_FAILURE() << "65,535 columns read";
    } catch (const DataError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("zu viele Spalten"))) << e.message().toStdString();
    }
    // A generated column of 100,000,000 characters: the connection's length limit leaves
    // the value out instead of handing over gigabytes.
    const QString gen = kHostile + "/gen.mdb";
    QElapsedTimer timer;
    timer.start();
    const ForeignTable t = readSqliteTable(gen, {});
    ASSERT_EQ(t.cells.size(), 40);
    for (const auto& row : t.cells)
        for (const QString& cell : row) ASSERT_LE(cell.size(), 1 << 20);
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_EQ(readSource(gen, {}, QLatin1Char(';')).records.size(), 40);
}

// The limits of the child turn a slow reading or a memory blow-up into the sentence.
TEST(HostileFiles, TheChildsLimitsHoldAndAreSaid) {
    const SourceReaderLimits before = sourceReaderLimits();
    SourceReaderLimits tight = before;
    tight.tableMs = 1;  // even a sound file takes longer than this
    setSourceReaderLimits(tight);
    const QString sound = kFixtures + "/members.xlsx";
    const QString slow = refusal(sound);
    setSourceReaderLimits(before);
    EXPECT_EQ(slow, QStringLiteral("Die Datei %1 lässt sich nicht in einer Sekunde lesen: sie ist beschädigt oder keine "
                                   "Excel-Arbeitsmappe (.xlsx).")
                        .arg(nameOf(sound)));
    // The library's catalog that grows to gigabytes ends at the memory limit.
    const QString oom = kHostile + "/mdb-catalog-oom.mdb";
    EXPECT_EQ(refusal(oom), QStringLiteral("Die Datei %1 lässt sich nicht lesen: sie ist beschädigt oder keine "
                                           "Access-Datenbank (.mdb).")
                                .arg(nameOf(oom)));
    // The child's own sentences come through as they are.
    EXPECT_TRUE(refusal(kFixtures + "/fehlt.xls").contains(QStringLiteral("ist nicht vorhanden")));
    EXPECT_TRUE(refusal(sound).isEmpty());
}

TEST(HostileFiles, TheCommandLineSaysOneSentenceAndKeepsTheClub) {
    Club club;
    club.addMember({{"Vorname", "Anna"}, {"Nachname", "Berg"}});
    const QString before = club.members().rowAt(0)[club.members().field("Nachname")].toString();
    for (const HostileFile& f : kRefused) {
        const QString path = kHostile + '/' + f.name;
        const auto r = test::runCli({"--db", club.folder(), "members", "import", path, "--map", "Vorname=1"});
        EXPECT_EQ(r.code, 1) << f.name;
        EXPECT_TRUE(r.err.contains(nameOf(path))) << f.name << ": " << r.err.toStdString();
        EXPECT_EQ(r.err.trimmed().count(u'\n'), 0) << f.name << ": " << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        const auto listed = test::runCli({"--db", club.folder(), "members", "import", path, "--list-sheets"});
        EXPECT_TRUE(listed.code == 0 || (listed.code == 1 && listed.err.contains(nameOf(path)))) << f.name;
        EXPECT_EQ(listed.err.trimmed().count(u'\n'), 0) << f.name << ": " << listed.err.toStdString();
    }
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT COUNT(*) FROM Mitglieder"}).toInt(), 1);
    EXPECT_EQ(before, QStringLiteral("Berg"));
}

// In the assistant: the sentence in a message box, the screen still open, and a member
// being edited elsewhere in the program keeps its unsaved text and can be stored after.
TEST(HostileFiles, TheAssistantShowsTheSentenceAndTheUnsavedEditSurvives) {
    Club club;
    club.addMember({{"Vorname", "Anna"}, {"Nachname", "Berg"}});
    Dataset& members = club.members();
    members.edit();
    members.setText(QStringLiteral("Nachname"), QStringLiteral("Ungespeichert"));
    for (const char* name : {"xls-segv-1.xls", "mdb-null-deref.mdb", "cols-65535-selfloop.mdb"}) {
        const QString path = kHostile + '/' + name;
        TWizzardF wizard(*club.session);
        wizard.chooseSource = [path](QWidget*) { return path; };
        wizard.show();
        test::MessageScript answers;
        wizard.findChild<QToolButton*>(QStringLiteral("SpeedButton4"))->click();
        ASSERT_EQ(answers.texts.size(), 1) << name;
        EXPECT_TRUE(answers.texts[0].startsWith(QStringLiteral("Die Datei ") + nameOf(path)))
            << answers.texts[0].toStdString();
        EXPECT_TRUE(wizard.isVisible());
    }
    ASSERT_TRUE(members.isEditing());
    EXPECT_EQ(members.text(QStringLiteral("Nachname")), QStringLiteral("Ungespeichert"));
    members.post();
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT Nachname FROM Mitglieder"}).toString(), QStringLiteral("Ungespeichert"));
}
