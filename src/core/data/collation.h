// The one German collation of the program: sorting texts in datasets, lists and boxes.
#pragma once

#include <QCollator>
#include <QStringList>

namespace ferolind {

// German collation, letter case ignored (Müller beside Mueller, not after Zimmer).
const QCollator& germanCollator();
// A copy of the list in German order; equal texts keep their order.
QStringList sortedGerman(QStringList items);

}  // namespace ferolind
