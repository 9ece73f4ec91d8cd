// The designed widths of the booking grids: number and amount the default width of their
// field, every other column 64 pixels.
#pragma once

#include "common/datasetgrid.h"

namespace ferolind::ui {

inline const ColumnWidths& bookingGridWidths() {
    static const ColumnWidths widths = {{QStringLiteral("Buchungsnummer"), 0}, {QStringLiteral("Betrag"), 0}};
    return widths;
}

}  // namespace ferolind::ui
