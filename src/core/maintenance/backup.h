// Backup, restore and reset of the club's data.
//
// A backup set is one folder with four table files in the rowset XML format
// ("mitglieder18.xml", "buchung23.xml", "betrag2.xml", "beitragsklassen.xml", each the
// records of its shared dataset as loaded, so a filter in effect limits them) and the
// per-user settings as "einstellungen.reg". The club-wide entries (table "blob") are not
// part of it: a restore keeps the target's own.
#pragma once

#include "settingsfile.h"

#include <QString>
#include <QStringList>

namespace ferolind {

class DataModule;

// The table files of a backup set, in the order they are written and restored.
const QStringList& backupTableFiles();
extern const QString kBackupSettingsFile;  // "einstellungen.reg"

// The folder with a separator at its end, as the screen shows it.
QString withTrailingSeparator(const QString& folder);

// Writes the backup set into folder: the member, booking, fee payment and fee class
// datasets and the per-user settings. Each file replaces one of the same name only when
// it was written whole. Throws DataError (German, naming the file).
void writeBackup(DataModule& data, const QString& folder);

// Replaces the stored records of the member, booking, fee payment and fee class tables by
// those of the folder's files, all four in one transaction, and reloads the datasets.
// A file that is missing, unreadable or does not fit its table leaves every table as it
// was (DataError naming the file and, for a value, the record). The last member and booking
// numbers in memory are raised to the highest restored ones.
void restoreTables(DataModule& data, const QString& folder);

// The per-user settings of the folder's "einstellungen.reg" (DataError when the file is
// missing or cannot be read); applying them is applyUserSettings.
SettingsValues backupSettings(const QString& folder);

// The program reset: every club-wide entry, every record of the member, booking, fee
// payment and fee class tables (one transaction, the numbering of their keys restarted),
// then the four table files of a backup set in appDataFolder where present. The datasets
// stay open and empty. Returns the files that could not be deleted (the tables are empty
// all the same). Throws DataError when the database cannot be changed; then nothing is.
QStringList resetProgram(DataModule& data, const QString& appDataFolder);

// The end after a reset: the database datasets are closed, so that the shutdown writes
// no club-wide entry (the last numbers) back into the emptied file.
void closeAfterReset(DataModule& data);

}  // namespace ferolind
