#include "feepaymentscreen.h"

#include "common/keyboard.h"
#include "common/comboitems.h"
#include "common/help.h"
#include "common/look.h"
#include "common/messages.h"
#include "data/datamodule.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "data/filter.h"
#include "fees/feepayments.h"
#include "members/memberrules.h"
#include "session/session.h"
#include "ui_feepaymentscreen.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QStyle>

using namespace ferolind;
using namespace ferolind::ui;

TBeitragBuchenF::TBeitragBuchenF(Session& session, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TBeitragBuchenF>()), session_(session) {
    ui_->setupUi(this);
    ui::makeDefaultButton(ui_->BOK);  // Enter presses it
    applyScreenLook(this);
    ui_->SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));

    connect(ui_->EName, &QLineEdit::textChanged, this, [this](const QString& t) { nameSearchChanged(t); });
    connect(ui_->CBJahr, &QComboBox::currentTextChanged, this, [this] { changeBuild(); });
    connect(ui_->CBMonatQuartal, &QComboBox::currentTextChanged, this, [this] { changeBuild(); });
    connect(ui_->RGZahlzeitraum_0, &QRadioButton::clicked, this, [this] { choosePeriodKind(0); });
    connect(ui_->RGZahlzeitraum_1, &QRadioButton::clicked, this, [this] { choosePeriodKind(1); });
    connect(ui_->RGZahlzeitraum_2, &QRadioButton::clicked, this, [this] { choosePeriodKind(2); });
    connect(ui_->BOK, &QPushButton::clicked, this, [this] { recordPayment(); });
    connect(ui_->BAbbrechen, &QPushButton::clicked, this, [this] { reject(); });
    connect(ui_->SpeedButton1, &QToolButton::clicked, this, [this] { openManual(this); });
    showPeriodKind(0);  // until the start-up reads the club's kind; nothing is stored
}

TBeitragBuchenF::~TBeitragBuchenF() = default;

int TBeitragBuchenF::exec() {
    prepareShow();
    return QDialog::exec();
}

void TBeitragBuchenF::prepareShow() {
    if (ui_->EName->text().isEmpty())
        openingBuild();
    else
        ui_->EName->clear();  // removes the search filter and builds the list
    const int i = ui_->CBMitglieder->findText(handedOver_, Qt::MatchExactly);
    ui_->CBMitglieder->setCurrentIndex(i >= 0 ? i : (ui_->CBMitglieder->count() > 0 ? 0 : -1));
}

void TBeitragBuchenF::chooseStoredPeriodKind() {
    int kind = 0;
    try {
        kind = storedPaymentPeriodKind(session_.data());
    } catch (const DataError&) {
        // No database or no readable entry: monthly, without a message.
    }
    choosePeriodKind(kind);
}

void TBeitragBuchenF::choosePeriodKind(int kind) {
    if (kind < 0 || kind > 2) kind = 0;
    showPeriodKind(kind);
    guarded(this, [&] {
        if (session_.data().members().isOpen()) storePaymentPeriodKind(session_.data(), kind);
    });
}

void TBeitragBuchenF::showPeriodKind(int kind) {
    kind_ = kind;
    QRadioButton* buttons[] = {ui_->RGZahlzeitraum_0, ui_->RGZahlzeitraum_1, ui_->RGZahlzeitraum_2};
    buttons[kind]->setChecked(true);
    {
        // The list is not rebuilt by the kind; the next change of a box rebuilds it.
        const QSignalBlocker quiet(ui_->CBMonatQuartal);
        const QString before = ui_->CBMonatQuartal->currentText();
        ui_->CBMonatQuartal->clear();
        ui_->CBMonatQuartal->addItems(periodBoxItems(kind));
        ui_->LMontagQuartal->setText(periodLabelText(kind));
        ui_->CBMonatQuartal->setHidden(kind == int(PaymentPeriod::Yearly));
        ui_->LMontagQuartal->setHidden(kind == int(PaymentPeriod::Yearly));
        QString text;
        if (kind == int(PaymentPeriod::Monthly))
            text = QString::number(session_.memberRules().today().month());
        else if (kind == int(PaymentPeriod::Quarterly))
            text = periodBoxItems(kind).contains(before.trimmed()) ? before.trimmed() : QStringLiteral("1");
        ui_->CBMonatQuartal->setCurrentIndex(ui_->CBMonatQuartal->findText(text));
    }
}

void TBeitragBuchenF::copyPeriodState(QComboBox* box, QLabel* label) const {
    const QSignalBlocker quiet(box);
    box->clear();
    for (int i = 0; i < ui_->CBMonatQuartal->count(); ++i) box->addItem(ui_->CBMonatQuartal->itemText(i));
    const int i = box->findText(ui_->CBMonatQuartal->currentText(), Qt::MatchExactly);
    box->setCurrentIndex(i);
    if (i < 0) box->setEditText(ui_->CBMonatQuartal->currentText());
    box->setHidden(ui_->CBMonatQuartal->isHidden());
    label->setText(ui_->LMontagQuartal->text());
    label->setHidden(ui_->LMontagQuartal->isHidden());
}

void TBeitragBuchenF::nameSearchChanged(const QString& text) {
    Dataset& members = session_.data().members();
    guarded(this, [&] {
        if (!members.isOpen()) return;
        if (!text.isEmpty()) {
            // Surname begins with the text; a quote in it is written twice.
            members.applyFilter(QStringLiteral("Nachname = ") + quoteFilterText(text + QLatin1Char('*')));
            searchFilterSet_ = true;
        } else if (searchFilterSet_) {
            members.clearFilter();
            searchFilterSet_ = false;
        }
    });
    openingBuild();
    ui_->CBMitglieder->setCurrentIndex(ui_->CBMitglieder->count() > 0 ? 0 : -1);
}

void TBeitragBuchenF::openingBuild() {
    const QDate today = session_.memberRules().today();
    QStringList picks;
    guarded(this, [&] {
        if (session_.data().members().isOpen()) picks = unpaidMemberPicks(session_, openingPeriod(kind_, today));
    });
    showPicks(picks);
    const QSignalBlocker quiet(ui_->CBJahr);
    ui_->CBJahr->clear();
    ui_->CBJahr->addItems(yearBoxItems(today));
    ui_->CBJahr->setCurrentIndex(ui_->CBJahr->findText(QString::number(today.year())));
    ui_->CBMitglieder->setCurrentIndex(ui_->CBMitglieder->findText(handedOver_, Qt::MatchExactly));
}

void TBeitragBuchenF::changeBuild() {
    QStringList picks;
    guarded(this, [&] {
        if (!session_.data().members().isOpen()) return;
        const FeePeriod period = feePeriodFromTexts(kind_, ui_->CBJahr->currentText(), ui_->CBMonatQuartal->currentText());
        picks = unpaidMemberPicks(session_, period);
    });
    showPicks(picks);
}

void TBeitragBuchenF::showPicks(const QStringList& picks) {
    ui_->CBMitglieder->clear();
    ui_->CBMitglieder->addItems(picks);
    ui_->CBMitglieder->setCurrentIndex(-1);
    ui_->BOK->setEnabled(!picks.isEmpty());
}

void TBeitragBuchenF::recordPayment() {
    const QString pick = ui_->CBMitglieder->currentText();
    if (pick.isEmpty()) return;
    FeePeriod period;
    const int member = memberOfPickText(pick);
    if (!guarded(this, [&] {
            period = feePeriodFromTexts(kind_, ui_->CBJahr->currentText(), ui_->CBMonatQuartal->currentText());
            recordFeePayment(session_, member, period);
        }))
        return;
    changeBuild();
    if (!ui_->CBBuchungssatz->isChecked()) return;
    if (guarded(this, [&] { prepareFeeBooking(session_, member, period); }) && openBooking) openBooking();
}
