// The club file itself: a file that is refused is not changed by the attempt, a new club
// file is made as any program makes a document, and a text the file and its backups could
// not keep never enters it.
#include "club.h"
#include "data/database.h"
#include "data/datamodule.h"
#include "data/connection.h"
#include "data/errors.h"
#include "filesizelimit.h"

#include <gtest/gtest.h>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <sys/stat.h>

using namespace ferolind;
using test::Club;

namespace {

QByteArray digest(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

}  // namespace

// Another program's SQLite file, an empty file and a club file without one of its tables are
// refused, each with its reason, and left byte for byte as they were (no counter table, no
// index, no journal beside it).
TEST(ClubFile, ARefusedFileIsLeftAsItWas) {
    struct Case {
        const char* name;
        std::function<void(const QString& folder)> make;
        const char* reason;
    };
    const auto sqliteFile = [](const QStringList& statements) {
        return [statements](const QString& folder) {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fremd"));
            db.setDatabaseName(databaseFile(folder));
            ASSERT_TRUE(db.open());
            {
                QSqlQuery q(db);
                for (const QString& s : statements) ASSERT_TRUE(q.exec(s)) << qPrintable(s);
            }
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("fremd"));
        };
    };
    const std::vector<Case> cases = {
        {"another program's file",
         sqliteFile({"CREATE TABLE kunden (id INTEGER PRIMARY KEY, name TEXT)", "INSERT INTO kunden VALUES (1, 'Ärger')"}),
         "keine Vereinsdatenbank"},
        {"an empty file", [](const QString& folder) { QFile(databaseFile(folder)).open(QIODevice::WriteOnly); },
         "keine Vereinsdatenbank"},
        {"a club file without its journal table",
         [](const QString& folder) {
             createDatabase(folder);
             test::rawSql(folder, {"DROP TABLE buchung"});
         },
         "die Tabelle »Buchung« fehlt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        c.make(dir.path());
        const QByteArray before = digest(databaseFile(dir.path()));
        const QStringList filesBefore = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        DataModule data;
        try {
            data.openFolder(dir.path());
            ADD_FAILURE() << "opened";
        } catch (const DataError& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.reason))) << e.what();
        }
        EXPECT_FALSE(data.connected());
        EXPECT_EQ(digest(databaseFile(dir.path())), before);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), filesBefore);
    }
}

// The new club file is readable and writable for whom the user's umask allows, as any
// document: other user accounts of a shared folder can open it.
TEST(ClubFile, IsCreatedAsADocument) {
    for (const mode_t mask : {mode_t(022), mode_t(002), mode_t(077)}) {
        QTemporaryDir dir;
        const mode_t old = ::umask(mask);
        createDatabase(dir.path());
        ::umask(old);
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(databaseFile(dir.path())).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask) << std::oct << mask;
    }
}

// Control characters that no backup could carry are refused where a text enters, naming
// the field; tab and line breaks stay allowed.
TEST(ClubFile, TextsWithControlCharactersAreRefusedWhereTheyEnter) {
    Club club;
    Dataset& m = club.members();
    m.insert();
    for (const QString& refused : {QStringLiteral("Anna\x1b[31m"), QStringLiteral("A\x01"), QString(QChar(0)) + "x",
                                   QStringLiteral("x") + QChar(0xFFFF), QString(QChar(0xD800))}) {
        try {
            m.setText("Vorname", refused);
            ADD_FAILURE() << "taken: " << refused.toStdString();
        } catch (const DataError& e) {
            EXPECT_TRUE(e.message().contains("'Vorname'")) << e.what();
            EXPECT_TRUE(e.message().contains("Steuerzeichen")) << e.what();
        }
        EXPECT_TRUE(m.isNull("Vorname"));
    }
    m.setText("Vorname", QStringLiteral("Anna\tMaria"));
    m.setText("Bemerkung", QStringLiteral("erste Zeile\r\nzweite Zeile\n😀"));
    m.setText("Nachname", QStringLiteral("Berg"));
    ASSERT_TRUE(m.post());
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT Bemerkung FROM mitglieder"}).toString(),
              QStringLiteral("erste Zeile\r\nzweite Zeile\n😀"));
}

// A full disk in the middle of a bulk store gives one German sentence from its cause: no
// engine English, no follow-up failures of the rollback, nothing stored, and the club
// works on once there is room again.
TEST(ClubFile, AFullDiskInABulkStoreIsOneSentence) {
    Club club;
    static QStringList logged;
    logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { logged << text; });
    QString message;
    {
        const qint64 size = QFileInfo(databaseFile(club.folder())).size();
        test::FileSizeLimit full(rlim_t(size + 64 * 1024));
        try {
            Transaction tx(club.data->connection());
            for (int i = 0; i < 5000; ++i)
                club.addMember({{"Nachname", QStringLiteral("Mitglied %1").arg(i)}, {"Bemerkung", QString(250, u'x')}});
            tx.commit();
            ADD_FAILURE() << "stored on a full disk";
        } catch (const DataError& e) {
            message = e.message();
        }
    }
    qInstallMessageHandler(previous);
    club.members().cancel();
    EXPECT_TRUE(message.contains("Der Datenträger ist voll")) << message.toStdString() << "\n" << logged.join(u'\n').toStdString();
    for (const char* english : {"savepoint", "transaction", "disk", "database"})
        EXPECT_FALSE(message.contains(QLatin1String(english), Qt::CaseInsensitive)) << message.toStdString();
    EXPECT_TRUE(logged.isEmpty()) << logged.join('\n').toStdString();
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT COUNT(*) FROM mitglieder"}).toInt(), 0);
    EXPECT_EQ(club.members().totalCount(), 0);
    club.addMember({{"Nachname", "Berg"}});
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT COUNT(*) FROM mitglieder"}).toInt(), 1);
}
