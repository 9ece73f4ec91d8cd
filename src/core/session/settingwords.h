// The per-user settings of a backup set as a club officer knows them: which kinds of
// settings it holds, in words, not the registry entries behind them.
#pragma once

#include "maintenance/settingsfile.h"

#include <QStringList>

namespace ferolind {

// One line per kind of setting the values hold ("Spaltenbreiten der Listen", "Größe und
// Lage des Programmfensters", ...), in a fixed order, each kind once.
QStringList settingsInWords(const SettingsValues& values);

}  // namespace ferolind
