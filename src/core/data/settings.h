// The two settings stores: club-wide entries in the table "blob" (every workstation on
// the database sees them) and per-user values in the user's settings area.
#pragma once

#include "values.h"

#include <QByteArray>
#include <QStringList>

namespace ferolind {

class Dataset;

// Club-wide entries: at most one row per name in the settings dataset. Every read
// returns its default when the dataset is closed, the entry is absent or the content
// cannot be converted; writes to a closed dataset are dropped without a message.
class SettingsStore {
public:
    explicit SettingsStore(Dataset& blob) : blob_(blob) {}

    QString DbSettingGet(const QString& name) const;
    void DbSettingSet(const QString& name, const QString& text);
    int DbSettingGetInt(const QString& name) const;
    void DbSettingSetInt(const QString& name, int value);
    bool DbSettingGetBool(const QString& name) const;
    void DbSettingSetBool(const QString& name, bool value);
    QStringList DbSettingGetList(const QString& name) const;
    void DbSettingSetList(const QString& name, const QStringList& lines);
    QByteArray DbSettingGetStream(const QString& name) const;
    void DbSettingSetStream(const QString& name, const QByteArray& bytes);

    Money AccountBalanceGet(const QString& account) const;
    void AccountBalanceSet(const QString& account, Money amount);
    Money AccountStartValueGet(const QString& account) const;
    void AccountStartValueSet(const QString& account, Money amount);

    // Deletes every entry.
    void DbSettingClearAll();
    // Deletes the balance entries ("kontostand...") and then the start values ("startwert...").
    void AccountValuesClear();

    bool isOpen() const;

private:
    int find(const QString& name) const;  // presented position of the entry, -1 when absent
    void deleteWherePrefix(const QString& prefix);
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

}  // namespace ferolind
