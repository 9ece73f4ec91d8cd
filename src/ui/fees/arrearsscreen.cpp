#include "arrearsscreen.h"

#include "common/datasetgrid.h"
#include "common/help.h"
#include "common/messages.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "feepaymentscreen.h"
#include "fees/feepayments.h"
#include "members/memberrules.h"
#include "session/session.h"
#include "ui_arrearsscreen.h"

#include <QComboBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>

using namespace ferolind;
using namespace ferolind::ui;

TBeitragssaumF::TBeitragssaumF(Session& session, const TBeitragBuchenF& periods, QWidget* parent)
    : MemberSelectionScreen(session, parent, false), ui_(std::make_unique<Ui::TBeitragssaumF>()), periods_(periods) {
    ui_->setupUi(this);
    setUpScreen(ui_->DBGrid1, QStringLiteral("Beitragssaum"));
    ui_->SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));

    connect(ui_->CBJahr, &QComboBox::currentTextChanged, this, [this] { guarded(this, [this] { build(); }); });
    connect(ui_->CBMonatQuartal, &QComboBox::currentTextChanged, this, [this] { guarded(this, [this] { build(); }); });
    connect(ui_->SpeedButton1, &QToolButton::clicked, this, [this] { openManual(this); });
    connect(ui_->Button1, &QPushButton::clicked, this, [this] {
        if (printList) guarded(this, printList);
    });
    connect(ui_->Button2, &QPushButton::clicked, this, [this] {
        if (exportList) guarded(this, exportList);
    });
}

TBeitragssaumF::~TBeitragssaumF() = default;

void TBeitragssaumF::prepareShow() {
    periods_.copyPeriodState(ui_->CBMonatQuartal, ui_->LMonatQuartal);
    {
        const QSignalBlocker quiet(ui_->CBJahr);
        const QDate today = session_.memberRules().today();
        ui_->CBJahr->clear();
        ui_->CBJahr->addItems(yearBoxItems(today));
        ui_->CBJahr->setCurrentIndex(ui_->CBJahr->findText(QString::number(today.year())));
    }
    try {
        build();
    } catch (const DataError&) {
        // The first build is quiet; the members stay unfiltered.
    }
}

bool TBeitragssaumF::build() {
    if (!members_.isOpen()) return false;
    try {
        const FeePeriod period =
            feePeriodFromTexts(periods_.periodKind(), ui_->CBJahr->currentText(), ui_->CBMonatQuartal->currentText());
        showArrears(session_, period);
    } catch (const DataError&) {
        members_.clearFilter();
        throw;
    }
    return true;
}
