#include "categorylists.h"

#include "data/settings.h"

namespace ferolind {

bool addListEntry(SettingsStore& settings, const QString& list, const QString& name) {
    if (name.isEmpty()) return false;
    settings.DbSettingAppendToList(list, name);
    return true;
}

// Removing a name changes no booking and no balance: both keep what they hold.
void removeListEntry(SettingsStore& settings, const QString& list, int index) {
    // The index is of the list as shown; the name at it leaves the list as the file holds
    // it, so that what another workstation added meanwhile stays.
    const QStringList shown = settings.DbSettingGetList(list);
    if (index < 0 || index >= shown.size()) return;
    settings.DbSettingRemoveFromList(list, shown.at(index));
}

}  // namespace ferolind
