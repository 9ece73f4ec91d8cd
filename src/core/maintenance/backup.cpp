#include "backup.h"

#include "backupset.h"
#include "booking/accounts.h"
#include "data/connection.h"
#include "data/datamodule.h"
#include "data/errors.h"
#include "data/progress.h"
#include "data/rowsetxml.h"
#include "data/safefile.h"
#include "data/schema.h"
#include "data/settings.h"
#include "data/tablerows.h"
#include "data/values.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>

namespace ferolind {

const QString kBackupSettingsFile = QStringLiteral("einstellungen.reg");

const QStringList& backupTableFiles() {
    static const QStringList names{QStringLiteral("mitglieder18.xml"), QStringLiteral("buchung23.xml"),
                                   QStringLiteral("betrag2.xml"), QStringLiteral("beitragsklassen.xml")};
    return names;
}

QString withTrailingSeparator(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith(u'/') || folder.endsWith(QDir::separator())) return folder;
    return folder + QDir::separator();
}

namespace {

// The four datasets of a backup set, in the order of backupTableFiles().
QVector<Dataset*> backupDatasets(DataModule& data) {
    return {&data.members(), &data.bookings(), &data.feePayments(), &data.feeClasses()};
}

void requireDatabase(DataModule& data) {
    for (Dataset* d : backupDatasets(data))
        if (!d->isOpen() || !data.connection()) throw DataError(QString::fromUtf8(Dataset::kNoDatabaseMessage));
}

DataError unreadable(const QString& path, const QString& reason) {
    return DataError(QStringLiteral("Die Datei »%1« kann nicht gelesen werden: %2").arg(path, reason));
}

QStringList setFiles() { return backupTableFiles() + QStringList{kBackupSettingsFile}; }

// A file read through, its bytes counted and hashed on the way: what a restore takes is
// compared with the set's description before it is committed.
class HashingReader : public QIODevice {
public:
    explicit HashingReader(QFile& file) : file_(file), hash_(QCryptographicHash::Sha256) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }
    // Reads what is left unread, so that size and hash cover the whole file.
    void readToEnd() {
        char buffer[1 << 14];
        while (read(buffer, sizeof buffer) > 0) {
        }
    }
    qint64 size() const override { return count_; }
    QByteArray result() const { return hash_.result(); }

protected:
    qint64 readData(char* data, qint64 max) override {
        const qint64 n = file_.read(data, max);
        if (n > 0) {
            hash_.addData(QByteArrayView(data, n));
            count_ += n;
        }
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QFile& file_;
    QCryptographicHash hash_;
    qint64 count_ = 0;
};

// Opens a file to read it, with the system's reason when it cannot be.
void openForReading(QFile& file, const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw DataError(fileErrorMessage(path, errno, FileAction::Read));
    if (QFileInfo(path).isDir()) {
        ::close(fd);
        throw DataError(fileErrorMessage(path, EISDIR, FileAction::Read));
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw unreadable(path, file.errorString());
    }
}

DataError changedMeanwhile(const QString& path) {
    return DataError(QStringLiteral("Die Datei »%1« hat sich während des Zurücklesens verändert; es wurde nichts "
                                    "geändert.")
                         .arg(QDir::toNativeSeparators(path)));
}

// Fills one (emptied) table from its file. progress counts KiB of all files; `done` is
// what the files before this one had. `expected`: the file as its set describes it.
void restoreTable(Connection& connection, const Dataset& dataset, const QString& path, Progress& progress,
                  qint64 done, const BackupFileDigest* expected) {
    const TableDef& table = *dataset.table();
    QFile file;
    openForReading(file, path);
    HashingReader hashing(file);
    RowsetXmlReader reader(&hashing, path);

    // Each column of the file goes into the table's column of that name; the values the
    // dataset computes (the jubilee text, the fee-paid flag) are not taken: they are
    // computed again, and the program never stores them.
    QSet<QString> computed;
    for (const FieldDef& f : dataset.fields())
        if (f.calculated) computed.insert(f.name.toLower());
    QVector<int> fileColumns, tableColumns;
    QSet<int> taken;
    for (int c = 0; c < reader.fields().size(); ++c) {
        const QString& name = reader.fields()[c].name;
        const int t = fieldIndex(table.columns, name);
        if (t < 0)
            throw DataError(QStringLiteral("Die Datei »%1« passt nicht zur Tabelle »%2«: Die Spalte »%3« gibt es "
                                           "dort nicht.")
                                .arg(path, table.createName, name));
        if (taken.contains(t))
            throw DataError(QStringLiteral("Die Datei »%1« enthält die Spalte »%2« mehrfach.").arg(path, name));
        taken.insert(t);
        if (computed.contains(name.toLower())) continue;
        reader.readColumnAs(c, table.columns[t].type);
        fileColumns << c;
        tableColumns << t;
    }

    deleteAllRows(connection, table);
    TableRowWriter writer(connection, table, tableColumns);
    Row row, values(tableColumns.size());
    int record = 0;
    while (reader.next(row)) {
        ++record;
        for (int i = 0; i < fileColumns.size(); ++i) {
            try {
                values[i] = normaliseValue(table.columns[tableColumns[i]], row[fileColumns[i]]);
            } catch (const DataError& e) {
                throw DataError(QStringLiteral("Die Datei »%1«, Datensatz %2: %3").arg(path).arg(record).arg(e.message()));
            }
        }
        writer.insert(values);
        if (record % 1000 == 0) progress.step(int(done + file.pos() / 1024));
    }
    if (file.error() != QFileDevice::NoError) throw unreadable(path, file.errorString());
    if (expected) {
        hashing.readToEnd();
        if (hashing.size() != expected->size || hashing.result() != expected->sha256) throw changedMeanwhile(path);
    }
}

}  // namespace

void writeBackup(DataModule& data, const QString& folder) {
    requireDatabase(data);
    const QVector<Dataset*> datasets = backupDatasets(data);
    Progress progress(QStringLiteral("Die Datenbank wird gesichert"), int(datasets.size()) + 2);
    BackupSetWriter set(folder, setFiles());
    for (int i = 0; i < datasets.size(); ++i) {
        set.stage(backupTableFiles()[i], [&](const QString& path) { datasets[i]->saveToXml(path); });
        progress.step(i + 1);
    }
    set.stage(kBackupSettingsFile, [](const QString& path) { writeSettingsFile(path, currentUserSettings()); });
    progress.step(int(datasets.size()) + 1);
    set.commit();
    progress.step(int(datasets.size()) + 2);
}

namespace {

// Every table file there, before anything is changed (a set without description).
void requireTableFiles(const QDir& dir) {
    for (const QString& name : backupTableFiles()) {
        const QString path = dir.filePath(name);
        const QFileInfo info(path);
        if (!info.exists()) throw unreadable(path, QStringLiteral("Datei nicht gefunden."));
        if (!info.isFile()) throw unreadable(path, QStringLiteral("Unter diesem Namen besteht ein Ordner."));
        if (!info.isReadable()) throw unreadable(path, QStringLiteral("Keine Leseberechtigung."));
    }
}

QString numberText(int n) { return QString::number(n); }

// The fee classes and payments first: the members' computed values use them.
QVector<Dataset*> reloadOrder(DataModule& data) {
    return {&data.feeClasses(), &data.feePayments(), &data.bookings(), &data.members()};
}

// The restore's writes, inside the open transaction: the tables, the last numbers, the
// balances. The datasets are re-read on the way.
void restoreInTransaction(DataModule& data, const QDir& dir, const BackupDescription* description, Progress& progress,
                          RestoreResult& result) {
    const QVector<Dataset*> datasets = backupDatasets(data);
    qint64 done = 0;
    for (int i = 0; i < datasets.size(); ++i) {
        const QString path = dir.filePath(backupTableFiles()[i]);
        restoreTable(*data.connection(), *datasets[i], path, progress, done,
                     description ? description->file(backupTableFiles()[i]) : nullptr);
        done += QFileInfo(path).size() / 1024;
    }
    for (Dataset* d : reloadOrder(data)) d->requery();
    // A new member or booking must not take a number the restored records use.
    SettingsStore& s = data.settings();
    const int members = qMax(data.lastMemberNumber, data.members().maxStoredValue(QStringLiteral("ID")).toInt());
    const int bookings =
        qMax(data.lastBookingNumber, data.bookings().maxStoredValue(QStringLiteral("Buchungsnummer")).toInt());
    result.lastMemberNumber = s.DbSettingRaiseInt(QStringLiteral("LastMitgliedsID"), members);
    result.lastBookingNumber = s.DbSettingRaiseInt(QStringLiteral("LastBuchungsID"), bookings);
    recomputeBalances(data);
}

// Rolls the restore's transaction back; a failure to do so is not the one to report (the
// engine may have rolled back on its own after a full disk, which the connection knows).
void rollbackQuietly(Connection& connection) {
    try {
        connection.rollback();
    } catch (const DataError&) {
    }
}

}  // namespace

RestoreResult restoreTables(DataModule& data, const QString& folder) {
    requireDatabase(data);
    const QDir dir(folder);
    const QVector<Dataset*> datasets = backupDatasets(data);
    // The set is checked whole before anything is changed.
    const std::optional<BackupDescription> description = checkBackupSet(folder, setFiles());
    if (!description) requireTableFiles(dir);
    qint64 totalKiB = 0;
    for (const QString& name : backupTableFiles()) totalKiB += QFileInfo(dir.filePath(name)).size() / 1024;
    for (Dataset* d : datasets)
        if (d->isEditing()) d->cancel();

    RestoreResult result;
    result.checked = description.has_value();
    Progress progress(QStringLiteral("Die Sicherung wird zurückgelesen"), int(qMin<qint64>(totalKiB, INT_MAX)));
    data.DisconnectDB();
    try {
        // The tables, the last numbers and the balances are one unit: the balances are
        // entries of the target (not part of a set) and would no longer fit the bookings.
        Connection& connection = *data.connection();
        connection.begin();
        try {
            restoreInTransaction(data, dir, description ? &*description : nullptr, progress, result);
            connection.commit();
        } catch (...) {
            // The engine may have rolled back on its own (a full disk); the cause is the
            // first failure, not that there was nothing left to roll back.
            rollbackQuietly(connection);
            throw;
        }
    } catch (...) {
        // Rolled back: the datasets show the file's rows again. Reading also plays back a
        // journal that a write broken off by the system left beside the club file, so that
        // db.mdb is whole again before the program goes on or ends.
        for (Dataset* d : reloadOrder(data)) {
            try {
                d->requery();
            } catch (const DataError&) {
                // the original failure is the one to report
            }
        }
        data.ConnectDB();
        throw;
    }
    data.ConnectDB();
    data.lastMemberNumber = result.lastMemberNumber;
    data.lastBookingNumber = result.lastBookingNumber;

    if (description)
        result.notes << QStringLiteral("Die Sicherung vom %1 wurde geprüft: Alle Dateien sind vollständig und gehören "
                                       "zusammen.")
                            .arg(QLocale(QLocale::German).toString(description->written.toLocalTime(),
                                                                    QStringLiteral("dd.MM.yyyy HH:mm")));
    else
        result.notes << QStringLiteral("Warnung: Die Sicherung hat keine Beschreibung »%1« (älteres Format). Ob ihre "
                                       "Dateien vollständig sind und zusammengehören, konnte nicht geprüft werden.")
                            .arg(kBackupDescriptionFile);
    result.notes << QStringLiteral("Die letzte Mitgliedsnummer ist jetzt %1, die letzte Buchungsnummer %2.")
                        .arg(numberText(result.lastMemberNumber), numberText(result.lastBookingNumber));
    result.notes << QStringLiteral("Die Kontostände wurden aus den zurückgelesenen Buchungen neu berechnet.");
    return result;
}

SettingsValues backupSettings(const QString& folder) {
    const QString path = QDir(folder).filePath(kBackupSettingsFile);
    const std::optional<BackupDescription> d = readBackupDescription(folder);
    if (!d) return readSettingsFile(path);
    // A set with description: the file must be the one it names.
    QFile file;
    openForReading(file, path);
    constexpr qint64 kLimit = 16 << 20;  // per-user values take a few KiB
    const QByteArray bytes = file.read(kLimit + 1);
    if (file.error() != QFileDevice::NoError) throw unreadable(path, file.errorString());
    const BackupFileDigest* expected = d->file(kBackupSettingsFile);
    if (!expected || expected->size != bytes.size() ||
        expected->sha256 != QCryptographicHash::hash(bytes, QCryptographicHash::Sha256))
        throw DataError(QStringLiteral("Die Einstellungsdatei »%1« passt nicht zur Beschreibung »%2« der Sicherung; "
                                       "sie wird nicht übernommen.")
                            .arg(QDir::toNativeSeparators(path), kBackupDescriptionFile));
    return parseSettingsFile(bytes, path);
}

QStringList resetProgram(DataModule& data, const QString& appDataFolder) {
    requireDatabase(data);
    const QVector<Dataset*> datasets = backupDatasets(data);
    for (Dataset* d : datasets)
        if (d->isEditing()) d->cancel();
    data.DisconnectDB();
    try {
        // The entries and the tables in one transaction: the table deletions run past the
        // record rules, which would write balances back into the cleared entries.
        Transaction tx(data.connection());
        data.settings().DbSettingClearAll();
        for (Dataset* d : datasets) {
            deleteAllRows(*data.connection(), *d->table());
            restartKeyNumbering(*data.connection(), *d->table());
        }
        tx.commit();
        for (Dataset* d : datasets) d->requery();
    } catch (...) {
        data.ConnectDB();
        throw;
    }
    data.lastMemberNumber = 0;
    data.lastBookingNumber = 0;
    data.ConnectDB();

    QStringList notDeleted;
    const QDir dir(appDataFolder);
    for (const QString& name : backupTableFiles()) {
        const QString path = dir.filePath(name);
        if (QFileInfo::exists(path) && !QFile::remove(path)) notDeleted << path;
    }
    return notDeleted;
}

void closeAfterReset(DataModule& data) {
    for (Dataset* d : backupDatasets(data)) d->close();
    data.settingsEntries().close();
}

}  // namespace ferolind
