#include "paymentdeletion.h"

#include "common/datasetgrid.h"
#include "common/look.h"
#include "common/messages.h"
#include "data/datamodule.h"
#include "data/dataset.h"
#include "fees/feepayments.h"
#include "session/session.h"
#include "ui_paymentdeletion.h"

#include <QPushButton>

using namespace ferolind;
using namespace ferolind::ui;

const QString TBetragLoeschenF::kDeleteQuestion = QStringLiteral("Markierte Zeile wirklich löschen?");

TBetragLoeschenF::TBetragLoeschenF(Session& session, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TBetragLoeschenF>()), session_(session) {
    ui_->setupUi(this);
    applyScreenLook(this);
    ui_->DBGrid1->setDataset(session_.data().feePayments(),
                             {QStringLiteral("Jahr"), QStringLiteral("Monat"), QStringLiteral("Quartal")},
                             {QStringLiteral("Jahr"), QStringLiteral("Monat"), QStringLiteral("Quartal")}, QString());
    connect(ui_->SRColorButton1, &QPushButton::clicked, this, [this] { deleteRow(); });
    connect(ui_->BSchliessen, &QPushButton::clicked, this, [this] { reject(); });
}

TBetragLoeschenF::~TBetragLoeschenF() = default;

void TBetragLoeschenF::deleteRow() {
    // Without a row there is nothing to ask about.
    if (session_.data().feePayments().isEmpty() || askDelete(this, kDeleteQuestion) != Answer::Yes) return;
    guarded(this, [this] { deleteCurrentFeePayment(session_.data()); });
}
