#include "statementdialog.h"

#include "common/look.h"
#include "common/messages.h"
#include "data/datamodule.h"
#include "data/dateranges.h"
#include "data/values.h"
#include "members/memberrules.h"
#include "pagepreview.h"
#include "printing/statementlayout.h"
#include "session/session.h"
#include "ui_statementdialog.h"

#include <QCheckBox>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>

using namespace ferolind;
using namespace ferolind::printing;

TDruckerDialogF1::TDruckerDialogF1(Session& session, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TDruckerDialogF1>()), session_(session) {
    ui_->setupUi(this);
    ui::applyScreenLook(this);
    execPreview = [](QDialog& d) { return d.exec(); };
    askPrinter = [this](QPrinter& p) { return execPrintDialog(this, p, QStringLiteral("Druckereinrichtung")); };
    connect(ui_->Button2, &QPushButton::clicked, this, [this] {
        if (askPrinter(*printer_)) ui_->LDrucker->setText(printerName(*printer_));
    });
    connect(ui_->BNeu, &QPushButton::clicked, this, [this] { preview(); });
    connect(ui_->BSchliessen, &QPushButton::clicked, this, [this] { reject(); });
    connect(ui_->CBKategorie, &QCheckBox::toggled, this, [this](bool on) {
        ui_->RBmonatsweise->setEnabled(on);
        ui_->RBjahresweise->setEnabled(on);
    });
    auto preset = [this](DatePreset p) {
        const DateRange r = presetRange(p, session_.memberRules().today());
        ui_->DateTimePickerVon->setDate(r.from);
        ui_->DateTimePickerBis->setDate(r.to);
    };
    connect(ui_->RadioButton1, &QRadioButton::clicked, this, [preset] { preset(DatePreset::CurrentMonth); });
    connect(ui_->RadioButton4, &QRadioButton::clicked, this, [preset] { preset(DatePreset::CurrentQuarter); });
    connect(ui_->RadioButton2, &QRadioButton::clicked, this, [preset] { preset(DatePreset::CurrentYear); });
}

TDruckerDialogF1::~TDruckerDialogF1() = default;

void TDruckerDialogF1::prepareShow() {
    printer_ = defaultPrinter();
    ui_->LDrucker->setText(printerName(*printer_));
    DataModule& data = session_.data();
    ui_->ETitel->setText(data.settings().DbSettingGet(QStringLiteral("TitelBuchungenDruck")));
    // The range of all bookings; without bookings the pickers show today.
    QDate first, last;
    Dataset& b = data.bookings();
    if (b.isOpen()) {
        const int f = b.field(QStringLiteral("Datum"));
        for (int i = 0; i < b.totalCount(); ++i) {
            const QDate d = toDateTime(b.recordAt(i)[f]).date();
            if (!d.isValid()) continue;
            if (!first.isValid() || d < first) first = d;
            if (!last.isValid() || d > last) last = d;
        }
    }
    const QDate today = session_.memberRules().today();
    ui_->DateTimePickerVon->setDate(first.isValid() ? first : today);
    ui_->DateTimePickerBis->setDate(last.isValid() ? last : today);
    ui_->RadioButton3->setChecked(true);
}

void TDruckerDialogF1::showEvent(QShowEvent* event) {
    prepareShow();
    QDialog::showEvent(event);
}

void TDruckerDialogF1::preview() {
    DataModule& data = session_.data();
    ui::guarded(this, [&] {
        const QDate from = ui_->DateTimePickerVon->date(), to = ui_->DateTimePickerBis->date();
        if (from > to) {
            ui::inform(this, QStringLiteral("Das Datum »Von« liegt nach dem Datum »Bis«."));
            return;
        }
        StatementLayout layout(data.bookings(), data.settings());
        layout.title = ui_->ETitel->text();
        layout.from = from;
        layout.to = to;
        layout.monthly = ui_->RBmonatsweise->isChecked();
        TDruckerVorschauF screen(*printer_, layout, this);
        execPreview(screen);  // the dialog stays with its title and dates
    });
}
