// The three lists kept by hand on the category screen: income categories, expense
// categories and asset accounts, one name per line, in insertion order (duplicates allowed).
#pragma once

#include <QString>
#include <QStringList>

namespace ferolind {

class SettingsStore;

// Appends a name exactly as typed and stores the list; an empty name does nothing (false).
bool addListEntry(SettingsStore& settings, const QString& list, const QString& name);
// Removes the entry at `index` and stores the list; an index outside the list does nothing.
void removeListEntry(SettingsStore& settings, const QString& list, int index);

inline const QString kDeleteCategoryQuestion = QStringLiteral("Möchten Sie dieses Buchungskonto wirklich löschen?");
inline const QString kDeleteAccountQuestion = QStringLiteral("Möchten Sie dieses Bestandskonto wirklich löschen?");

}  // namespace ferolind
