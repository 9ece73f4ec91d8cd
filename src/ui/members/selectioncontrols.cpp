#include "selectioncontrols.h"

#include "common/datasetgrid.h"
#include "common/look.h"
#include "common/messages.h"
#include "data/datamodule.h"
#include "data/dataset.h"
#include "session/session.h"

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

MemberSelectionScreen::MemberSelectionScreen(Session& session, QWidget* parent, bool ordersMembers)
    : QDialog(parent), session_(session), members_(session.data().members()), ordersMembers_(ordersMembers) {}

void MemberSelectionScreen::setUpScreen(DatasetGrid* grid, const QString& widthPrefix, const QStringList& fields) {
    applyScreenLook(this);
    grid_ = grid;
    fields_ = fields.isEmpty() ? memberColumnFields() : fields;
    grid_->setDataset(members_, fields_, titles(), widthPrefix);
}

QStringList MemberSelectionScreen::titles() const {
    const QStringList all = memberColumnTitles(labels_);
    QStringList t;
    for (const QString& f : fields_) t << all.value(memberColumnFields().indexOf(f), f);
    return t;
}

void MemberSelectionScreen::setFreeFieldLabels(const FreeFieldLabels& labels) {
    labels_ = labels;
    grid_->setTitles(titles());
}

int MemberSelectionScreen::exec() {
    prepareShow();
    return QDialog::exec();
}

void MemberSelectionScreen::done(int result) {
    guarded(this, [this] {
        if (!members_.isOpen() || keepSelectionOnClose) return;
        // The order first, while few members are presented: all of them are sorted once.
        if (ordersMembers_) members_.setSort(QStringLiteral("ID"));
        members_.clearFilter();
    });
    QDialog::done(result);
}

}  // namespace ferolind::ui
