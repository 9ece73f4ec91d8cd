// The per-user settings of a backup set, "einstellungen.reg": the key
// HKEY_CURRENT_USER\SOFTWARE\Brankel Software\Revode in the export format of the Windows
// registry editor ("Windows Registry Editor Version 5.00"), so that the file can also be
// merged on Windows by double click. Written as the editor writes it: UTF-16LE with byte
// order mark and CR LF line ends; read in that form or as UTF-8.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVector>

namespace ferolind {

// The key of the per-user values.
extern const QString kSettingsRegistryKey;

// One per-user value: a text (registry string) or an int (32-bit registry integer,
// "dword"). A value of a sub key is named "Sub/Name"; a null value removes it when applied
// (the editor's "name"=- form).
struct SettingsValue {
    QString name;
    QVariant value;  // QString, int, or null
    bool operator==(const SettingsValue& o) const { return name == o.name && value == o.value; }
};
using SettingsValues = QVector<SettingsValue>;

// The per-user values as they are now. Values whose text is a whole 32-bit number become
// integers, except the ones the program keeps as texts ("DBPfad", "Sort", "WindowState").
SettingsValues currentUserSettings();
// Writes each value into the per-user settings (texts as texts, numbers as numbers) and
// removes the null ones. Throws DataError when one cannot be written.
void applyUserSettings(const SettingsValues& values);

// The file's bytes for the values.
QByteArray settingsFileBytes(const SettingsValues& values);
// Reads such a file. Throws DataError (German, naming the source and line) on anything it
// cannot read: another header, a key outside the program's key, a line of no known form,
// a number out of range. Values of types the program does not use (binary, multi-string,
// 64-bit) are passed over.
SettingsValues parseSettingsFile(const QByteArray& bytes, const QString& sourceNameForMessages);

// The same on files; write is atomic (on failure an existing file stays).
void writeSettingsFile(const QString& path, const SettingsValues& values);
SettingsValues readSettingsFile(const QString& path);

// The values as lines "Name = Wert" for showing before they are applied.
QStringList describeSettings(const SettingsValues& values);

}  // namespace ferolind
