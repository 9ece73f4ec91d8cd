// Creating db.mdb: all or nothing. A creation that fails part-way (a full disk) leaves
// neither db.mdb nor its temporary file behind, and the next creation starts clean.
#include "data/database.h"

#include "data/errors.h"
#include "data/schema.h"
#include "filesizelimit.h"
#include "testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ferolind;

namespace {

// Everything in folder, hidden files included (a journal, a temporary file).
QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// The tables of the database in folder, sorted, read past every dataset.
QStringList tablesIn(const QString& folder) {
    QSqlDatabase db = openConnection(folder, QStringLiteral("probe"));
    QStringList names;
    {
        QSqlQuery q(db);
        q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'"));
        while (q.next()) names << q.value(0).toString();
    }
    closeConnection(db);
    names.sort();
    return names;
}

QStringList expectedTables() {
    QStringList names;
    for (const TableDef* t : allTables()) names << t->createName;
    names.sort();
    return names;
}

// A disk that is full at every point of the creation (each page boundary below the size
// of a complete file, and one byte short of it): the creation is refused in German, the
// folder stays empty, and once there is room again the creation succeeds with all tables.
TEST(CreateDatabase, AFullDiskAtAnyPointLeavesNothingBehind) {
    QTemporaryDir reference;
    createDatabase(reference.path());
    const qint64 completeSize = QFileInfo(databaseFile(reference.path())).size();
    ASSERT_GT(completeSize, 4096);

    QVector<qint64> limits;
    for (qint64 limit = 0; limit < completeSize; limit += 4096) limits << limit;
    limits << completeSize - 1;
    for (qint64 limit : limits) {
        SCOPED_TRACE("Grenze " + std::to_string(limit) + " von " + std::to_string(completeSize) + " Bytes");
        QTemporaryDir dir;
        QString message;
        try {
            const test::FileSizeLimit fullDisk(limit);
            createDatabase(dir.path());
        } catch (const DataError& e) {
            message = e.message();
        }
        EXPECT_TRUE(message.contains(QStringLiteral("Datenträger ist voll"))) << message.toStdString();
        EXPECT_EQ(entries(dir.path()), QStringList());

        createDatabase(dir.path());
        EXPECT_EQ(entries(dir.path()), QStringList{"db.mdb"});
        EXPECT_EQ(tablesIn(dir.path()), expectedTables());
    }
}

}  // namespace

// What the engine says in English reaches the user as a German sentence, never verbatim.
TEST(EngineMessage, EngineEnglishBecomesGerman) {
    const struct {
        const char* engine;
        const char* german;
    } cases[] = {
        {"no such table: buchung Unable to execute statement", "Die Datenbank ist unvollständig: die Tabelle »Buchung« fehlt."},
        {"no such table: main.mitglieder Unable to fetch row", "Die Datenbank ist unvollständig: die Tabelle »Mitglieder« fehlt."},
        {"database is locked Unable to fetch row", "Vorgang: Die Datenbank wird gerade von einem anderen Arbeitsplatz benutzt."},
        {"file is not a database Unable to execute statement", "Vorgang: Die Datenbankdatei ist beschädigt oder keine Datenbank."},
        {"database disk image is malformed", "Vorgang: Die Datenbankdatei ist beschädigt oder keine Datenbank."},
        {"no such column: Jubilaeum Unable to prepare statement", "Vorgang: Die Datenbank ist unvollständig: die Spalte »Jubilaeum« fehlt."},
        {"attempt to write a readonly database", "Vorgang: Die Datenbank kann nicht beschrieben werden (keine Schreibrechte)."},
        {"database or disk is full", "Vorgang: Der Datenträger ist voll oder nicht erreichbar."},
        {"UNIQUE constraint failed: mitglieder.ID", "Vorgang: Ein Wert, der nur einmal vorkommen darf, ist schon vergeben."},
        {"something nobody expected", "Vorgang: Die Datenbank hat den Vorgang abgelehnt."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.engine);
        EXPECT_EQ(engineMessage(QStringLiteral("Vorgang"), QString::fromUtf8(c.engine)), QString::fromUtf8(c.german));
    }
}

