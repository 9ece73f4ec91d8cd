#include "categorylists.h"

#include "data/settings.h"

namespace ferolind {

bool addListEntry(SettingsStore& settings, const QString& list, const QString& name) {
    if (name.isEmpty()) return false;
    settings.DbSettingSetList(list, settings.DbSettingGetList(list) << name);
    return true;
}

// Removing a name changes no booking and no balance: both keep what they hold.
void removeListEntry(SettingsStore& settings, const QString& list, int index) {
    QStringList names = settings.DbSettingGetList(list);
    if (index < 0 || index >= names.size()) return;
    names.removeAt(index);
    settings.DbSettingSetList(list, names);
}

}  // namespace ferolind
