#include "database.h"

#include "errors.h"
#include "schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSqlError>
#include <QSqlQuery>
#include <QRandomGenerator>
#include <QSet>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace ferolind {

QString databaseFile(const QString& folder) { return QDir(folder).filePath(QStringLiteral("db.mdb")); }

namespace {
// The name a table is created and shown under, for the lower-case name in an engine text.
QString tableTitle(const QString& engineName) {
    const QString bare = engineName.section(u'.', -1);  // "main.buchung"
    for (const TableDef* t : allTables())
        if (t->name.compare(bare, Qt::CaseInsensitive) == 0) return t->createName;
    return bare;
}

// The name after "prefix" in an engine text ("no such table: buchung Unable to ...").
QString nameAfter(const QString& text, const QString& prefix) {
    const int at = text.indexOf(prefix, 0, Qt::CaseInsensitive);
    if (at < 0) return {};
    const QString rest = text.mid(at + prefix.size()).trimmed();
    QString name;
    for (const QChar c : rest) {
        if (c.isSpace() || c == u',' || c == u')') break;
        name += c;
    }
    return name;
}
}  // namespace

// The engine's own text is for whoever looks into a fault (QT_LOGGING_RULES="ferolind.engine=true"),
// not for the user's terminal or screen.
Q_LOGGING_CATEGORY(engineLog, "ferolind.engine", QtCriticalMsg)

QString engineMessage(const QString& what, const QString& driverText) {
    // The engine speaks English; a club officer gets a German sentence, never its text.
    const QString text = driverText.trimmed();
    const auto has = [&text](const char* s) { return text.contains(QLatin1String(s), Qt::CaseInsensitive); };
    if (has("no such table")) {
        // A complete diagnosis on its own: what failed adds nothing.
        return QStringLiteral("Die Datenbank ist unvollständig: die Tabelle »%1« fehlt.")
            .arg(tableTitle(nameAfter(text, QStringLiteral("no such table:"))));
    }
    QString reason;
    if (has("database is locked") || has("database table is locked"))
        reason = QStringLiteral("Die Datenbank wird gerade von einem anderen Arbeitsplatz benutzt.");
    else if (has("file is not a database") || has("malformed") || has("corrupt"))
        reason = QStringLiteral("Die Datenbankdatei ist beschädigt oder keine Datenbank.");
    else if (has("no such column") || has("has no column named")) {
        QString column = nameAfter(text, QStringLiteral("no such column:"));
        if (column.isEmpty()) column = nameAfter(text, QStringLiteral("has no column named"));
        reason = QStringLiteral("Die Datenbank ist unvollständig: die Spalte »%1« fehlt.").arg(column);
    } else if (has("readonly") || has("read-only"))
        reason = QStringLiteral("Die Datenbank kann nicht beschrieben werden (keine Schreibrechte).");
    else if (has("disk") || has("is full"))
        reason = QStringLiteral("Der Datenträger ist voll oder nicht erreichbar.");
    else if (has("unable to open") || has("cannot open"))
        reason = QStringLiteral("Die Datei kann nicht geöffnet werden (fehlende Rechte oder nicht erreichbarer Ordner).");
    else if (has("unique constraint"))
        reason = QStringLiteral("Ein Wert, der nur einmal vorkommen darf, ist schon vergeben.");
    else if (has("not null constraint"))
        reason = QStringLiteral("Ein Pflichtfeld ist leer.");
    else {
        // Kept for whoever looks into it; the user is not shown it.
        if (!text.isEmpty()) qCWarning(engineLog, "database engine: %s", qUtf8Printable(text));
        reason = QStringLiteral("Die Datenbank hat den Vorgang abgelehnt.");
    }
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

void checkClubFile(QSqlDatabase& db) {
    const QString file = QDir::toNativeSeparators(db.databaseName());
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'")))
        throw DataError(engineMessage(QStringLiteral("Die Datenbank »%1« kann nicht geöffnet werden").arg(file),
                                      q.lastError().text()));
    QSet<QString> present;
    while (q.next()) present.insert(q.value(0).toString().toLower());
    QStringList missing;
    for (const TableDef* t : allTables())
        if (!present.contains(t->name.toLower())) missing << t->createName;
    if (missing.isEmpty()) return;
    if (missing.size() == int(allTables().size()))
        throw DataError(QStringLiteral("Die Datei »%1« ist keine Vereinsdatenbank dieses Programms (ihr fehlen alle "
                                       "Tabellen der Mitglieder und Buchungen). Sie wurde nicht verändert.")
                            .arg(file));
    throw DataError(QStringLiteral("Die Datenbank ist unvollständig: die Tabelle »%1« fehlt. Die Datei »%2« wurde "
                                   "nicht verändert.")
                        .arg(missing.first(), file));
}

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
        if (keep || path.isEmpty()) return;
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
        // Made as any program makes a document (0666 less the umask), so that the other
        // user accounts of a shared folder can open it.
        int fd = -1;
        for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
            temp.path = QDir(folder).filePath(
                QStringLiteral("db.mdb-%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0')));
            fd = ::open(QFile::encodeName(temp.path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0 && errno != EEXIST) break;
        }
        if (fd < 0) {
            temp.path.clear();
            throw DataError(QStringLiteral("In das Verzeichnis »%1« kann nicht geschrieben werden.").arg(native));
        }
        ::close(fd);
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
            QStringLiteral("Die Datenbank »%1« kann nicht angelegt werden: die fertige Datei lässt sich nicht "
                           "umbenennen (fehlende Rechte im Ordner?).")
                .arg(nativeFile));
    }
    temp.keep = true;
}

}  // namespace ferolind
