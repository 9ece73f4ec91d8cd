// What the member selection screens (query, leavers, mass deletion) share: the criteria
// rows, the date pickers with their presets, and their member grid.
#pragma once

#include "data/dateranges.h"
#include "members/memberquery.h"

#include <array>

class QComboBox;
class QDateEdit;
class QLineEdit;

namespace ferolind {
class Dataset;
}

namespace ferolind::ui {

class DatasetGrid;

struct CriteriaControls {
    std::array<QComboBox*, 3> fields;
    std::array<QLineEdit*, 3> values;

    // Each box gets "LEER" and the 29 titles, and the text "LEER".
    void refill(const FreeFieldLabels& labels) const;
    CriteriaRows rows() const;
};

// Sets both pickers at once; their change signals stay quiet.
void setPickers(QDateEdit* from, QDateEdit* to, const DateRange& range);

// A member grid of a selection screen: the 29 member columns under their titles, the
// widths under "Breite" + prefix.
void setUpMemberGrid(DatasetGrid* grid, Dataset& members, const QString& widthPrefix);

}  // namespace ferolind::ui
