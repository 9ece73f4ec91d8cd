// Backup, restore and reset of the club's data.
//
// A backup set is one folder with four table files in the rowset XML format
// ("mitglieder18.xml", "buchung23.xml", "betrag2.xml", "beitragsklassen.xml", each the
// records of its shared dataset as loaded, so a filter in effect limits them), the
// per-user settings as "einstellungen.reg", and the description "sicherung.txt" that makes
// the five one unit (backupset.h). The club-wide entries (table "blob") are not part of
// it: a restore keeps the target's own and recomputes the balances among them.
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
// datasets, the per-user settings and the description. The folder holds the previous set
// whole until the new one is complete (see backupset.h). Throws DataError (German, naming
// the file and the cause).
void writeBackup(DataModule& data, const QString& folder);

// What a restore did, for the user.
struct RestoreResult {
    bool checked = false;  // the files fit the set's description (false: older format)
    int lastMemberNumber = 0;
    int lastBookingNumber = 0;
    QStringList notes;  // German sentences: the check, the last numbers, the balances
};

// Replaces the stored records of the member, booking, fee payment and fee class tables by
// those of the folder's files and reloads the datasets; in the same transaction the club's
// last member and booking numbers are raised to the highest restored ones and the account
// balances are recomputed from the restored bookings. A set whose files do not fit its
// description, and a file that is missing, unreadable or does not fit its table, leave
// everything as it was (DataError naming the file and, for a value, the record). A set
// without description (older format) is restored unchecked, which the notes say.
RestoreResult restoreTables(DataModule& data, const QString& folder);

// The per-user settings of the folder's "einstellungen.reg" (DataError when the file is
// missing, cannot be read, or does not fit the set's description); applying them is
// applyUserSettings.
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
