// The two settings stores: club-wide entries in the table "blob" (every workstation on
// the database sees them) and per-user values in the user's settings area.
#pragma once

#include "field.h"
#include "values.h"

#include <QByteArray>
#include <QStringList>
#include <functional>

namespace ferolind {

class Dataset;

// Club-wide entries: at most one row per name in table "blob". Reads come from the
// settings dataset's memory, over all its rows (a screen's filter on it does not matter),
// and return their default when the dataset is closed, the entry is absent or the content
// cannot be converted. Writes go to the file by name, each one transaction (or part of the
// caller's), and the memory follows; writes to a closed dataset are dropped silently.
class SettingsStore {
public:
    explicit SettingsStore(Dataset& blob) : blob_(blob) {}

    QString DbSettingGet(const QString& name) const;
    void DbSettingSet(const QString& name, const QString& text);
    // The entry as the file holds it now (another workstation may have written it); the
    // memory takes it over. For read-modify-write inside a transaction.
    QString DbSettingRead(const QString& name);
    // Raises an integer entry to `value` unless the file holds a higher one; returns the
    // entry's value afterwards. Never lowers it.
    int DbSettingRaiseInt(const QString& name, int value);
    int DbSettingGetInt(const QString& name) const;
    void DbSettingSetInt(const QString& name, int value);
    bool DbSettingGetBool(const QString& name) const;
    void DbSettingSetBool(const QString& name, bool value);
    QStringList DbSettingGetList(const QString& name) const;
    void DbSettingSetList(const QString& name, const QStringList& lines);
    // The list as the file holds it now; the memory takes it over.
    QStringList DbSettingReadList(const QString& name);
    // Appends an entry to the list as the file holds it (inside the caller's transaction,
    // so that an entry another workstation added meanwhile stays); an entry already listed
    // (exactly, or ignoring letter case when `ignoreCase`) is not added again. Returns
    // whether it was added.
    bool DbSettingAddToList(const QString& name, const QString& entry, bool ignoreCase = false);
    // Appends an entry to the list as the file holds it, also when it is listed already.
    void DbSettingAppendToList(const QString& name, const QString& entry);
    // Removes an entry (its first listing) from the list as the file holds it; returns
    // whether it was listed.
    bool DbSettingRemoveFromList(const QString& name, const QString& entry);
    QByteArray DbSettingGetStream(const QString& name) const;
    void DbSettingSetStream(const QString& name, const QByteArray& bytes);

    Money AccountBalanceGet(const QString& account) const;
    void AccountBalanceSet(const QString& account, Money amount);
    Money AccountStartValueGet(const QString& account) const;
    void AccountStartValueSet(const QString& account, Money amount);
    // Adds to a balance as the file holds it now (inside the caller's transaction, another
    // workstation's change in between is kept); returns the new balance. Throws DataError
    // when the sum leaves the range of an amount.
    Money AccountBalanceAdd(const QString& account, Money delta);

    // Deletes every entry.
    void DbSettingClearAll();
    // Deletes the balance entries ("kontostand...") and then the start values ("startwert...").
    void AccountValuesClear();

    bool isOpen() const;

private:
    int find(const QString& name) const;  // record index of the entry, -1 when absent
    QVector<Row> readEntries(const std::function<bool(const QString&)>& which);
    void mirror(const QString& name, const QVector<Row>& fileRows);
    void deleteWhere(const std::function<bool(const QString&)>& which);
    Dataset& blob_;
};

// Per-user values under "Brankel Software" / "Revode". Reads never fail (a missing value
// gives the empty text or 0); a write that cannot be saved throws DataError.
QString RegistryGetString(const QString& name);
void RegistrySetString(const QString& name, const QString& value);
int RegistryGetInt(const QString& name);
void RegistrySetInt(const QString& name, int value);
// Whether a per-user value exists at all.
bool RegistryHasValue(const QString& name);
// The names of every per-user value (a value of a sub key as "Sub/Name"), sorted.
QStringList RegistryValueNames();
// Removes a per-user value; a failure throws DataError.
void RegistryRemoveValue(const QString& name);

}  // namespace ferolind
