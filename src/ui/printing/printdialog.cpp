#include "printdialog.h"

#include "common/look.h"
#include "common/messages.h"
#include "data/datamodule.h"
#include "members/columnsettings.h"
#include "pagepreview.h"
#include "printing/bookinglistlayout.h"
#include "printing/memberlistlayout.h"
#include "session/session.h"
#include "ui_printdialog.h"

#include <QCheckBox>
#include <QPrinter>
#include <QPushButton>

using namespace ferolind;
using namespace ferolind::printing;
namespace controls = ferolind::ui::printdialog::controls;

namespace {
const QString kMemberTitle = QStringLiteral("TitelMitgliederDruck");
const QString kBookingTitle = QStringLiteral("TitelBuchungenDruck");
}  // namespace

TDruckerDialogF::TDruckerDialogF(Session& session, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TDruckerDialogF>()), session_(session) {
    ui_->setupUi(this);
    ui::applyScreenLook(this);
    for (int i = 0; i < kBookingPrintColumns; ++i) bookingBox(i)->setChecked(true);
    visibleColumns = [] { return loadVisibleColumns(); };
    execPreview = [](QDialog& d) { return d.exec(); };
    askPrinter = [this](QPrinter& p) { return execPrintDialog(this, p, QStringLiteral("Druckereinrichtung")); };
    connect(ui_->Button2, &QPushButton::clicked, this, [this] { changePrinter(); });
    connect(ui_->BNeu, &QPushButton::clicked, this, [this] { preview(); });
    connect(ui_->BSchliessen, &QPushButton::clicked, this, [this] { reject(); });
    connect(ui_->Button4, &QPushButton::clicked, this, [this] {
        returnCode = kOpenQuery;
        reject();
    });
    // Only the main window's print menu offers the query.
    ui_->Button4->hide();
}

TDruckerDialogF::~TDruckerDialogF() = default;

QCheckBox* TDruckerDialogF::memberBox(int i) const {
    return findChild<QCheckBox*>(QString::fromLatin1(controls::kMemberField) + QString::number(i + 1));
}
QCheckBox* TDruckerDialogF::bookingBox(int i) const {
    return findChild<QCheckBox*>(QString::fromLatin1(controls::kBookingField) + QString::number(i + 1));
}
bool TDruckerDialogF::memberColumnSelected(int c) const { return memberBox(c)->isChecked(); }
bool TDruckerDialogF::bookingColumnSelected(int c) const { return bookingBox(c)->isChecked(); }

void TDruckerDialogF::setFreeFieldLabels(const FreeFieldLabels& labels) {
    const qsizetype first = memberPrintCaptions().indexOf(QStringLiteral("Sonstiges 1"));
    for (int i = 0; i < 4 && first >= 0; ++i)
        if (QCheckBox* box = memberBox(int(first) + i)) box->setText(labels.s[i]);
}

void TDruckerDialogF::offerQuery(bool on) {
    ui_->Button4->setText(mode == ListMode::Member ? QStringLiteral("Mitglieder eingrenzen/sortieren")
                                                   : QStringLiteral("Daten eingrenzen/sortieren"));
    ui_->Button4->setVisible(on);
}

void TDruckerDialogF::prepareShow() {
    const bool member = mode == ListMode::Member;
    setWindowTitle(member ? QStringLiteral("Mitgliedsdaten drucken") : QStringLiteral("Buchungsdaten drucken"));
    ui_->ETitel->setText(session_.data().settings().DbSettingGet(member ? kMemberTitle : kBookingTitle));
    ui_->GBFelder->setVisible(member);
    ui_->GBFelderBuchungen->setVisible(!member);
    // Each showing starts again from the system's default printer.
    printer_ = defaultPrinter();
    ui_->LDrucker->setText(printerName(*printer_));
    if (member) {
        const quint32 visible = visibleColumns();
        for (int c = 0; c < kMemberPrintColumns; ++c)
            memberBox(c)->setChecked(visible & (1u << memberPrintGridColumn(c)));
    }
}

void TDruckerDialogF::showEvent(QShowEvent* event) {
    prepareShow();
    QDialog::showEvent(event);
}

void TDruckerDialogF::done(int r) {
    ui_->Button4->hide();
    QDialog::done(r);
}

void TDruckerDialogF::changePrinter() {
    if (askPrinter(*printer_)) ui_->LDrucker->setText(printerName(*printer_));
}

void TDruckerDialogF::preview() {
    DataModule& data = session_.data();
    ui::guarded(this, [&] {
        const bool member = mode == ListMode::Member;
        data.settings().DbSettingSet(member ? kMemberTitle : kBookingTitle, ui_->ETitel->text());
        data.DisconnectDB();
        struct Resume {
            DataModule& d;
            ~Resume() { d.ConnectDB(); }
        } resume{data};
        if (member) {
            MemberListLayout layout(data.members(), data.feeClasses());
            layout.title = ui_->ETitel->text();
            layout.loadLabels(data.settings());
            for (int c = 0; c < kMemberPrintColumns; ++c) layout.selected[c] = memberColumnSelected(c);
            TVorschauMitgliederF screen(*printer_, layout, this);
            execPreview(screen);
        } else {
            BookingListLayout layout(data.bookings());
            layout.title = ui_->ETitel->text();
            for (int c = 0; c < kBookingPrintColumns; ++c) layout.selected[c] = bookingColumnSelected(c);
            TDruckerVorschauBuchungenF screen(*printer_, layout, this);
            execPreview(screen);
        }
    });
    // The dialog stays with its title and columns: closing the preview is no "fertig".
}
