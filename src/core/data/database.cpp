#include "database.h"

#include "errors.h"
#include "schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <atomic>

namespace ferolind {

QString databaseFile(const QString& folder) { return QDir(folder).filePath(QStringLiteral("db.mdb")); }

QString engineMessage(const QString& what, const QString& driverText) {
    QString reason = driverText.trimmed();
    if (reason.contains(QLatin1String("database is locked"), Qt::CaseInsensitive))
        reason = QStringLiteral("Die Datenbank wird gerade von einem anderen Arbeitsplatz benutzt.");
    else if (reason.contains(QLatin1String("file is not a database"), Qt::CaseInsensitive))
        reason = QStringLiteral("Die Datei ist keine Datenbank.");
    else if (reason.contains(QLatin1String("no such table"), Qt::CaseInsensitive))
        reason = QStringLiteral("Eine Tabelle fehlt in der Datenbank (%1).").arg(reason);
    else if (reason.contains(QLatin1String("readonly"), Qt::CaseInsensitive) ||
             reason.contains(QLatin1String("read-only"), Qt::CaseInsensitive))
        reason = QStringLiteral("Die Datenbank kann nicht beschrieben werden (keine Schreibrechte).");
    else if (reason.contains(QLatin1String("disk"), Qt::CaseInsensitive))
        reason = QStringLiteral("Der Datenträger ist voll oder nicht erreichbar (%1).").arg(reason);
    return what + QStringLiteral(": ") + reason;
}

namespace {
QString uniqueConnectionName(const QString& purpose) {
    static std::atomic<int> counter{0};
    return QStringLiteral("ferolind-%1-%2").arg(purpose).arg(++counter);
}
}  // namespace

namespace {
QSqlDatabase connect(const QString& file, const QString& purpose) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), uniqueConnectionName(purpose));
    db.setDatabaseName(file);
    // Two workstations on one file wait for each other instead of failing at once.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    if (!db.open()) {
        const QString err = db.lastError().text();
        closeConnection(db);
        throw DataError(engineMessage(
            QStringLiteral("Die Datenbank »%1« kann nicht geöffnet werden").arg(QDir::toNativeSeparators(file)), err));
    }
    QSqlQuery q(db);
    // The rollback journal works on network shares, unlike a write-ahead log.
    q.exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
    return db;
}
}  // namespace

QSqlDatabase openConnection(const QString& folder, const QString& purpose) {
    const QString file = databaseFile(folder);
    if (folder.isEmpty() || !QFileInfo(file).isFile())
        throw DataError(
            QStringLiteral("Die Datenbankdatei »%1« wurde nicht gefunden.").arg(QDir::toNativeSeparators(file)));
    QSqlDatabase db = connect(file, purpose);
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        const QString err = q.lastError().text();
        q = QSqlQuery();
        closeConnection(db);
        throw DataError(engineMessage(
            QStringLiteral("Die Datenbank »%1« kann nicht geöffnet werden").arg(QDir::toNativeSeparators(file)), err));
    }
    return db;
}

void closeConnection(QSqlDatabase& db) {
    const QString name = db.connectionName();
    if (name.isEmpty()) return;
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
}

namespace {
// A database file being made under a temporary name: removed with its journal unless kept.
struct TemporaryDatabase {
    QString path;
    bool keep = false;
    ~TemporaryDatabase() {
        if (keep) return;
        QFile::remove(path + QStringLiteral("-journal"));
        QFile::remove(path);
    }
};
}  // namespace

void createDatabase(const QString& folder) {
    const QFileInfo dir(folder);
    const QString native = QDir::toNativeSeparators(folder);
    if (folder.isEmpty() || !dir.isDir())
        throw DataError(QStringLiteral("Das Verzeichnis »%1« existiert nicht.").arg(native));
    const QString file = databaseFile(folder);
    const QString nativeFile = QDir::toNativeSeparators(file);
    if (QFileInfo::exists(file))
        throw DataError(QStringLiteral("Die Datenbank »%1« existiert bereits.").arg(nativeFile));

    // The tables are made in a file of another name in the same folder, which becomes db.mdb
    // only when all of them exist: a failure (a full disk) leaves no half-made database.
    TemporaryDatabase temp;
    {
        // isWritable() does not see every refusal (network shares, ACLs): the file tries it.
        QTemporaryFile reserve(QDir(folder).filePath(QStringLiteral("db.mdb-XXXXXX.tmp")));
        if (!dir.isWritable() || !reserve.open())
            throw DataError(QStringLiteral("In das Verzeichnis »%1« kann nicht geschrieben werden.").arg(native));
        reserve.setAutoRemove(false);
        temp.path = reserve.fileName();
    }
    QSqlDatabase db = connect(temp.path, QStringLiteral("create"));
    QString failure;
    {
        QSqlQuery q(db);
        for (const TableDef* t : allTables()) {
            if (!q.exec(createTableSql(*t))) {
                failure =
                    engineMessage(QStringLiteral("Die Tabelle »%1« kann nicht angelegt werden").arg(t->createName),
                                  q.lastError().text());
                break;
            }
        }
    }
    closeConnection(db);
    if (!failure.isEmpty()) throw DataError(failure);

    // Never over a db.mdb that another workstation has made meanwhile.
    QFile made(temp.path);
    if (!made.rename(file)) {
        if (QFileInfo::exists(file))
            throw DataError(QStringLiteral("Die Datenbank »%1« existiert bereits.").arg(nativeFile));
        throw DataError(
            QStringLiteral("Die Datenbank »%1« kann nicht angelegt werden: %2").arg(nativeFile, made.errorString()));
    }
    temp.keep = true;
}

}  // namespace ferolind
