#include "queryscreen.h"

#include "common/datasetgrid.h"
#include "common/help.h"
#include "common/messages.h"
#include "data/datamodule.h"
#include "data/dataset.h"
#include "members/memberrules.h"
#include "selectioncontrols.h"
#include "session/session.h"
#include "ui_queryscreen.h"

#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>

using namespace ferolind;
using namespace ferolind::ui;

TMitgliederAuswertenF::TMitgliederAuswertenF(ferolind::Session& session, QWidget* parent)
    : MemberSelectionScreen(session, parent, true), ui_(std::make_unique<Ui::TMitgliederAuswertenF>()) {
    ui_->setupUi(this);
    setUpScreen(ui_->DBGrid1, QStringLiteral("MitgliederAuswerten"));
    ui_->SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
    criteria_ = {{ui_->CB1, ui_->CB2, ui_->CB3}, {ui_->E1, ui_->E2, ui_->E3}};

    connect(ui_->BLoeschen, &QPushButton::clicked, this, [this] { showQuery(); });
    connect(ui_->BSchliessen, &QPushButton::clicked, this, [this] { showAllSorted(); });
    connect(ui_->SRColorButton3, &QPushButton::clicked, this, [this] { accept(); });
    connect(ui_->SpeedButton1, &QToolButton::clicked, this, [this] { openManual(this); });
    for (QRadioButton* rb : {ui_->RBEintritt, ui_->RBGeburtsdatum, ui_->RBAustrittleer, ui_->RBaus})
        connect(rb, &QRadioButton::toggled, this, [this] { dateCriterionChanged(); });
    connect(ui_->RadioButton1, &QRadioButton::clicked, this, [this] { applyPreset(DatePreset::CurrentMonth); });
    connect(ui_->RadioButton4, &QRadioButton::clicked, this, [this] { applyPreset(DatePreset::CurrentQuarter); });
    connect(ui_->RadioButton2, &QRadioButton::clicked, this, [this] { applyPreset(DatePreset::CurrentYear); });
    connect(ui_->DBGrid1, &DatasetGrid::rowDoubleClicked, this, [this] {
        if (openMemberEntry && !members_.isEmpty()) guarded(this, openMemberEntry);
    });
    connect(ui_->SRColorButton1, &QPushButton::clicked, this, [this] {
        if (printList) guarded(this, printList);
    });
    connect(ui_->SRColorButton2, &QPushButton::clicked, this, [this] {
        if (openJubilees) guarded(this, openJubilees);
    });
    dateCriterionChanged();
}

TMitgliederAuswertenF::~TMitgliederAuswertenF() = default;

void TMitgliederAuswertenF::prepareShow() {
    criteria_.refill(labels_);
    const QStringList titles = memberColumnTitles(labels_);
    for (QComboBox* box : {ui_->CBSort, ui_->CBSOrt2}) {
        box->clear();
        box->addItems(titles);
        box->setCurrentText(QStringLiteral("ID"));
    }
    dateCriterionChanged();
}

MemberQuery TMitgliederAuswertenF::query() const {
    MemberQuery q;
    q.rows = criteria_.rows();
    q.sort1 = ui_->CBSort->currentText();
    q.sort2 = ui_->CBSOrt2->currentText();
    q.date = ui_->RBEintritt->isChecked()       ? QueryDate::EntryDate
             : ui_->RBGeburtsdatum->isChecked() ? QueryDate::BirthDate
             : ui_->RBAustrittleer->isChecked() ? QueryDate::LeavingDateEmpty
                                                : QueryDate::Off;
    q.from = ui_->DateTimePickerVon->date();
    q.to = ui_->DateTimePickerBis->date();
    return q;
}

void TMitgliederAuswertenF::showQuery() {
    guarded(this, [this] {
        const MemberQuery q = query();
        // Both are built first: a text that cannot be read changes nothing. The filter goes
        // first, so that only the members it presents are sorted.
        const QString filter = memberQueryFilter(q, labels_);
        const QString sort = memberQuerySort(q.sort1, q.sort2, labels_);
        members_.applyFilter(filter);
        members_.setSort(sort);
    });
}

void TMitgliederAuswertenF::showAllSorted() {
    guarded(this, [this] {
        // Sorted while still narrowed, then widened: all members are sorted once.
        members_.setSort(memberQuerySort(ui_->CBSort->currentText(), ui_->CBSOrt2->currentText(), labels_));
        members_.clearFilter();
    });
}

void TMitgliederAuswertenF::dateCriterionChanged() {
    const bool on = !ui_->RBaus->isChecked();
    ui_->GroupBox3->setEnabled(on);
    ui_->DateTimePickerVon->setEnabled(on);
    ui_->DateTimePickerBis->setEnabled(on);
}

void TMitgliederAuswertenF::applyPreset(DatePreset preset) {
    setPickers(ui_->DateTimePickerVon, ui_->DateTimePickerBis, presetRange(preset, session_.memberRules().today()));
}
