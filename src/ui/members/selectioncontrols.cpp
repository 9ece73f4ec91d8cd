#include "selectioncontrols.h"

#include "common/datasetgrid.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QSignalBlocker>

namespace ferolind::ui {

void CriteriaControls::refill(const FreeFieldLabels& labels) const {
    const QStringList items = criteriaBoxItems(labels);
    for (QComboBox* box : fields) {
        box->clear();
        box->addItems(items);
        box->setCurrentText(kNoCriterion);
    }
}

CriteriaRows CriteriaControls::rows() const {
    CriteriaRows r;
    for (int i = 0; i < 3; ++i) r[i] = {fields[i]->currentText(), values[i]->text()};
    return r;
}

void setPickers(QDateEdit* from, QDateEdit* to, const DateRange& range) {
    const QSignalBlocker quietFrom(from), quietTo(to);
    from->setDate(range.from);
    to->setDate(range.to);
}

void setUpMemberGrid(DatasetGrid* grid, Dataset& members, const QString& widthPrefix) {
    grid->setDataset(members, memberColumnFields(), memberColumnTitles(), widthPrefix);
}

}  // namespace ferolind::ui
