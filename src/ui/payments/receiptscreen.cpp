#include "receiptscreen.h"

#include "common/keyboard.h"
#include "common/help.h"
#include "common/look.h"
#include "common/messages.h"
#include "data/datamodule.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "data/values.h"
#include "members/memberrules.h"
#include "payments/donations.h"
#include "printing/pagepreview.h"
#include "printing/printjob.h"
#include "session/session.h"
#include "ui_receiptscreen.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QPrinter>
#include <QStyle>

using namespace ferolind;
using namespace ferolind::printing;

namespace ferolind::ui {
// A click on a box's wrapped text ticks the box.
class ClickTicks : public QObject {
public:
    ClickTicks(QCheckBox* box, QObject* parent) : QObject(parent), box_(box) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton &&
            box_->isEnabled()) {
            box_->click();
            return true;
        }
        return false;
    }

private:
    QCheckBox* box_;
};
}  // namespace ferolind::ui

TSpendenF::TSpendenF(Session& session, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TSpendenF>()), session_(session), printer_(defaultPrinter()) {
    ui_->setupUi(this);
    ui::makeDefaultButton(ui_->BNeu);  // Enter presses it
    ui::applyScreenLook(this);
    // Donor, club data and the kind of donation scroll between the printer above and the
    // buttons below: the screen keeps its designed size, and "Drucken" stays in reach on
    // a small screen.
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    for (QWidget* part : {static_cast<QWidget*>(ui_->GBSpende), static_cast<QWidget*>(ui_->GBVereinsdaten),
                          static_cast<QWidget*>(ui_->PageControl1)}) {
        ui_->rootLayout->removeWidget(part);
        column->addWidget(part);
    }
    // The long declarations wrap beside their boxes instead of widening the screen; a
    // click on the text ticks the box as on a caption.
    for (QCheckBox* box : content->findChildren<QCheckBox*>()) {
        if (box->fontMetrics().horizontalAdvance(box->text()) < 420) continue;
        QLayout* holder = box->parentWidget() ? box->parentWidget()->layout() : nullptr;
        if (!holder) continue;
        auto* row = new QWidget(box->parentWidget());
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        auto* text = new QLabel(box->text(), row);
        text->setObjectName(box->objectName() + QStringLiteral("Text"));
        text->setWordWrap(true);
        text->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        text->installEventFilter(new ui::ClickTicks(box, text));
        box->setAccessibleName(box->text());
        box->setText(QString());
        delete holder->replaceWidget(box, row);
        rowLayout->addWidget(box, 0, Qt::AlignTop);
        rowLayout->addWidget(text, 1);
    }
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("SBInhalt"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(content);
    ui_->rootLayout->insertWidget(1, scroll, 1);
    resize(598, 661);
    ui_->SpeedButton2->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
    // The copies are chosen with the arrows only.
    if (auto* field = ui_->UpDown1->findChild<QLineEdit*>()) field->setReadOnly(true);
    askPrinter = [this](QPrinter& p) { return execPrintDialog(this, p, QStringLiteral("Druckereinrichtung")); };
    connect(ui_->Button3, &QPushButton::clicked, this, [this] {
        if (askPrinter(*printer_)) ui_->LDrucker->setText(printerName(*printer_));
    });
    connect(ui_->CBMitglieder, &QComboBox::textActivated, this, [this](const QString& t) { pickMember(t); });
    connect(ui_->BNeu, &QPushButton::clicked, this, [this] { print(); });
    connect(ui_->BSchliessen, &QPushButton::clicked, this, [this] { reject(); });
    connect(ui_->SpeedButton2, &QToolButton::clicked, this, [this] { ui::openManual(this); });
}

TSpendenF::~TSpendenF() = default;

int TSpendenF::exec() {
    prepareShow();
    return QDialog::exec();
}

void TSpendenF::prepareShow() {
    DataModule& data = session_.data();
    ui_->CBMitglieder->clear();
    ui::guarded(this, [&] {
        if (data.members().isOpen()) ui_->CBMitglieder->addItems(donorPicks(data));
    });
    ui_->CBMitglieder->setCurrentIndex(-1);
    printer_ = defaultPrinter();
    ui_->LDrucker->setText(printerName(*printer_));
    const ClubData c = loadClubData(data);
    ui_->EName->setText(c.name);
    ui_->Estrasse->setText(c.street);
    ui_->EOrt->setText(c.town);
    ui_->EFinanzamt->setText(c.taxOffice);
    ui_->ESteuernummer->setText(c.taxNumber);
    ui_->EDatumBescheid->setText(c.noticeDate);
    ui_->EGueltigAb->setText(c.validFrom);
    ui_->EZweck->setText(c.purpose);
    ui_->cbvorlaeufig->setChecked(c.provisional);
    ui_->CBVerzichtErstattungAufwendungen->setChecked(c.waiver);
    ui_->CBnichtMitgliedsbeitrag->setChecked(c.notMembershipFee);
    ui_->EDatum->setText(dateToText(session_.memberRules().today()));
}

DonationReceipt TSpendenF::receipt() const {
    DonationReceipt r;
    ClubData& c = r.club;
    c.name = ui_->EName->text();
    c.street = ui_->Estrasse->text();
    c.town = ui_->EOrt->text();
    c.taxOffice = ui_->EFinanzamt->text();
    c.taxNumber = ui_->ESteuernummer->text();
    c.noticeDate = ui_->EDatumBescheid->text();
    c.validFrom = ui_->EGueltigAb->text();
    c.purpose = ui_->EZweck->text();
    c.provisional = ui_->cbvorlaeufig->isChecked();
    c.waiver = ui_->CBVerzichtErstattungAufwendungen->isChecked();
    c.notMembershipFee = ui_->CBnichtMitgliedsbeitrag->isChecked();
    r.donorName = ui_->ESpenderName->text();
    r.donorStreet = ui_->ESpenderStrasse->text();
    r.donorTown = ui_->ESpenderOrt->text();
    r.amount = ui_->EBetrag->text();
    r.date = ui_->EDatum->text();
    r.inKind = ui_->PageControl1->currentIndex() == 1;
    r.itemDescription = ui_->EWeitereAngabenZuSachspende->text();
    r.fromBusinessAssets = ui_->CBBetriebsvermoegen->isChecked();
    r.fromPrivateAssets = ui_->CBPrivatvermoegen->isChecked();
    r.noOriginInfo = ui_->cbkeineAngabenzurHerkunft->isChecked();
    r.valuationDocuments = ui_->CBWertermittlungsunterlagenLiegenVor->isChecked();
    r.today = session_.memberRules().today();
    return r;
}

void TSpendenF::pickMember(const QString& pickText) {
    ui::guarded(this, [&] {
        if (!session_.data().members().isOpen()) return;
        const Donor d = pickDonor(session_.data(), pickText);
        ui_->ESpenderName->setText(d.name);
        ui_->ESpenderStrasse->setText(d.street);
        ui_->ESpenderOrt->setText(d.town);
    });
}

void TSpendenF::print() {
    const DonationReceipt r = receipt();
    const bool printed = ui::guarded(this, [&] {
        DonationReceiptLayout layout(r);
        layout.resolution = printer_->resolution();
        printer_->setDocName(kReceiptTitle);
        printer_->setCopyCount(receiptCopies(ui_->UpDown1->text()));
        PrintJob job(layout, 1);
        printOnCopy(job, *printer_, QStringLiteral("Die Spendenquittung"));  // the chosen printer stays usable
    });
    if (!printed) return;
    if (ui_->CBBuchungssatz->isChecked() && session_.data().bookings().isOpen() &&
        ui::guarded(this, [&] { prepareDonationBooking(session_, r.donorName, r.amount); }) && openBooking)
        openBooking();
    accept();
}

void TSpendenF::done(int r) {
    ui::guarded(this, [this] {
        if (session_.data().settings().isOpen()) storeClubData(session_.data(), receipt().club);
    });
    QDialog::done(r);
}
