#include "leavers.h"

#include "common/datasetgrid.h"
#include "common/messages.h"
#include "data/datamodule.h"
#include "data/dataset.h"
#include "members/memberquery.h"
#include "members/memberrules.h"
#include "selectioncontrols.h"
#include "session/session.h"
#include "ui_leavers.h"

#include <QPushButton>
#include <QRadioButton>

using namespace ferolind;
using namespace ferolind::ui;

TAustritteF::TAustritteF(ferolind::Session& session, QWidget* parent)
    : MemberSelectionScreen(session, parent, false), ui_(std::make_unique<Ui::TAustritteF>()) {
    ui_->setupUi(this);
    setUpScreen(ui_->DBGrid1, QStringLiteral("Austritte"));

    connect(ui_->BLoeschen, &QPushButton::clicked, this, [this] { showLeavers(); });
    connect(ui_->RadioButton1, &QRadioButton::clicked, this, [this] { applyPreset(DatePreset::CurrentMonth); });
    connect(ui_->RadioButton4, &QRadioButton::clicked, this, [this] { applyPreset(DatePreset::CurrentQuarter); });
    connect(ui_->RadioButton2, &QRadioButton::clicked, this, [this] { applyPreset(DatePreset::CurrentYear); });
    connect(ui_->SRColorButton1, &QPushButton::clicked, this, [this] {
        if (printList) guarded(this, printList);
    });
}

TAustritteF::~TAustritteF() = default;

void TAustritteF::prepareShow() {
    ui_->RadioButton2->setChecked(true);
    applyPreset(DatePreset::CurrentYear);
}

void TAustritteF::showLeavers() {
    guarded(this, [this] { members_.applyFilter(leaversFilter(ui_->DateTimePickerVon->date(), ui_->DateTimePickerBis->date())); });
}

void TAustritteF::applyPreset(DatePreset preset) {
    setPickers(ui_->DateTimePickerVon, ui_->DateTimePickerBis, presetRange(preset, session_.memberRules().today()));
    showLeavers();
}
