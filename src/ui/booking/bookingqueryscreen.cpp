#include "bookingqueryscreen.h"

#include "booking/bookingrules.h"
#include "booking/bookinggrid.h"
#include "common/keyboard.h"
#include "common/comboitems.h"
#include "common/datasetgrid.h"
#include "common/help.h"
#include "common/look.h"
#include "common/messages.h"
#include "data/datamodule.h"
#include "data/dataset.h"
#include "data/dateranges.h"
#include "members/columns.h"
#include "session/session.h"
#include "ui_bookingqueryscreen.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>

using namespace ferolind;
using namespace ferolind::ui;

TBuchungenAuswertenF::TBuchungenAuswertenF(Session& session, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::TBuchungenAuswertenF>()),
      session_(session),
      bookings_(session.data().bookings()) {
    ui_->setupUi(this);
    ui::makeDefaultButton(ui_->BLoeschen);  // Enter presses it
    applyScreenLook(this);
    ui_->SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
    ui_->LSumme->hide();
    connect(ui_->SRColorButton1, &QPushButton::clicked, this, [this] {
        if (printList) guarded(this, printList);
    });
    for (QDateEdit* d : {ui_->DateTimePicker1, ui_->DateTimePicker2}) d->setMinimumDate(QDate(1, 1, 1));

    // The booking columns as the main window shows them.
    ui_->DBGrid1->setDataset(bookings_, bookingColumnFields(), bookingColumnTitles(),
                             QStringLiteral("BuchungenAuswerten"), bookingGridWidths());
    ui_->DBGrid1->loadWidths();

    connect(ui_->BLoeschen, &QPushButton::clicked, this, [this] { showQuery(); });
    connect(ui_->BSchliessen, &QPushButton::clicked, this, [this] { showAllData(); });
    connect(ui_->SpeedButton1, &QToolButton::clicked, this, [this] { openManual(this); });
    connect(ui_->DBGrid1, &DatasetGrid::rowDoubleClicked, this, &TBuchungenAuswertenF::openBooking);
    for (QRadioButton* r : {ui_->RBMonat, ui_->RBQuartal, ui_->RBJahr, ui_->RBAlle})
        connect(r, &QRadioButton::toggled, this, [this](bool on) {
            if (on) applyRange();
        });
}

TBuchungenAuswertenF::~TBuchungenAuswertenF() = default;

DatasetGrid* TBuchungenAuswertenF::grid() const { return ui_->DBGrid1; }

int TBuchungenAuswertenF::exec() {
    prepareShow();
    return QDialog::exec();
}

void TBuchungenAuswertenF::prepareShow() {
    const BookingRules& rules = session_.bookingRules();
    replaceItems(ui_->EBestandskonto, rules.accounts());
    replaceItems(ui_->EKategorie, rules.categoriesFor(QStringLiteral("E")) + rules.categoriesFor(QStringLiteral("A")));
    opened_ = bookingDateBounds(bookings_);
    // The pickers show the whole journal, and the choice says so.
    if (ui_->RBAlle->isChecked())
        applyRange();
    else
        ui_->RBAlle->setChecked(true);
}

void TBuchungenAuswertenF::done(int result) {
    guarded(this, [this] {
        if (bookings_.isOpen()) bookings_.clearFilter();
    });
    guarded(this, [this] { ui_->DBGrid1->saveWidths(); });
    QDialog::done(result);
}

BookingCriteria TBuchungenAuswertenF::criteria() const {
    BookingCriteria c;
    c.text = ui_->EBuchungstext->text();
    c.category = ui_->EKategorie->currentText();
    c.payee = ui_->EEmpfAbs->text();
    c.account = ui_->EBestandskonto->currentText();
    c.from = ui_->DateTimePicker1->date();
    c.to = ui_->DateTimePicker2->date();
    return c;
}

// A preset puts its period into the pickers; "alle Daten" the journal's dates at opening
// (today when the journal was empty).
void TBuchungenAuswertenF::applyRange() {
    DateRange r;
    const QDate today = session_.bookingRules().today();
    if (ui_->RBMonat->isChecked())
        r = presetRange(DatePreset::CurrentMonth, today);
    else if (ui_->RBQuartal->isChecked())
        r = presetRange(DatePreset::CurrentQuarter, today);
    else if (ui_->RBJahr->isChecked())
        r = presetRange(DatePreset::CurrentYear, today);
    else
        r = {opened_.earliest.isValid() ? opened_.earliest : today, opened_.latest.isValid() ? opened_.latest : today};
    ui_->DateTimePicker1->setDate(r.from);
    ui_->DateTimePicker2->setDate(r.to);
}

void TBuchungenAuswertenF::showQuery() {
    guarded(this, [this] {
        bookings_.applyFilter(bookingQueryFilter(criteria()));
        ui_->LSumme->setText(bookingSumText(bookingNetSum(bookings_)));
        ui_->LSumme->show();
    });
}

// The sum label keeps the sum of the last query.
void TBuchungenAuswertenF::showAllData() {
    guarded(this, [this] { bookings_.clearFilter(); });
}
