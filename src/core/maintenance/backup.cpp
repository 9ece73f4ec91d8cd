#include "backup.h"

#include "data/connection.h"
#include "data/datamodule.h"
#include "data/errors.h"
#include "data/progress.h"
#include "data/rowsetxml.h"
#include "data/schema.h"
#include "data/tablerows.h"
#include "data/values.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

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

// Fills one (emptied) table from its file. progress counts KiB of all files; `done` is
// what the files before this one had.
void restoreTable(Connection& connection, const Dataset& dataset, const QString& path, Progress& progress,
                  qint64 done) {
    const TableDef& table = *dataset.table();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) throw unreadable(path, file.errorString());
    RowsetXmlReader reader(&file, path);

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
}

}  // namespace

void writeBackup(DataModule& data, const QString& folder) {
    requireDatabase(data);
    const QDir dir(folder);
    const QVector<Dataset*> datasets = backupDatasets(data);
    Progress progress(QStringLiteral("Die Datenbank wird gesichert"), int(datasets.size()) + 1);
    for (int i = 0; i < datasets.size(); ++i) {
        datasets[i]->saveToXml(dir.filePath(backupTableFiles()[i]));
        progress.step(i + 1);
    }
    writeSettingsFile(dir.filePath(kBackupSettingsFile), currentUserSettings());
    progress.step(int(datasets.size()) + 1);
}

void restoreTables(DataModule& data, const QString& folder) {
    requireDatabase(data);
    const QDir dir(folder);
    const QVector<Dataset*> datasets = backupDatasets(data);
    // Every file must be there before anything is changed.
    qint64 totalKiB = 0;
    for (const QString& name : backupTableFiles()) {
        const QString path = dir.filePath(name);
        const QFileInfo info(path);
        if (!info.exists()) throw unreadable(path, QStringLiteral("Datei nicht gefunden."));
        if (!info.isFile()) throw unreadable(path, QStringLiteral("Unter diesem Namen besteht ein Ordner."));
        if (!info.isReadable()) throw unreadable(path, QStringLiteral("Keine Leseberechtigung."));
        totalKiB += info.size() / 1024;
    }
    for (Dataset* d : datasets)
        if (d->isEditing()) d->cancel();

    Progress progress(QStringLiteral("Die Sicherung wird zurückgelesen"), int(qMin<qint64>(totalKiB, INT_MAX)));
    data.DisconnectDB();
    try {
        Transaction tx(data.connection());
        qint64 done = 0;
        for (int i = 0; i < datasets.size(); ++i) {
            const QString path = dir.filePath(backupTableFiles()[i]);
            restoreTable(*data.connection(), *datasets[i], path, progress, done);
            done += QFileInfo(path).size() / 1024;
        }
        tx.commit();
        // The fee classes and payments first: the members' computed values use them.
        for (Dataset* d : {datasets[3], datasets[2], datasets[1], datasets[0]}) d->requery();
        // The club's last numbers stay the target's; a new member or booking must still not
        // take a number the restored records use.
        data.lastMemberNumber = qMax(data.lastMemberNumber, data.members().maxStoredValue(QStringLiteral("ID")).toInt());
        data.lastBookingNumber =
            qMax(data.lastBookingNumber, data.bookings().maxStoredValue(QStringLiteral("Buchungsnummer")).toInt());
    } catch (...) {
        data.ConnectDB();
        throw;
    }
    data.ConnectDB();
}

SettingsValues backupSettings(const QString& folder) {
    return readSettingsFile(QDir(folder).filePath(kBackupSettingsFile));
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
