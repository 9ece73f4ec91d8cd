#include "labeldialog.h"

#include "common/look.h"
#include "common/messages.h"
#include "data/datamodule.h"
#include "data/dataset.h"
#include "printing/pagepreview.h"
#include "session/session.h"
#include "ui_labeldialog.h"

#include <QPrinter>

using namespace ferolind;
using namespace ferolind::printing;

TEtikettendruckVorschauF::TEtikettendruckVorschauF(QPrinter& printer, LabelLayout& layout, QWidget* parent)
    : PagePreviewScreen(printer, layout, 100, parent) {
    setObjectName(QStringLiteral("EtikettendruckVorschauF"));
    setWindowTitle(QStringLiteral("Etikettendruck"));
    resize(729, 429);
    printer_.setPageOrientation(QPageLayout::Portrait);
}

TEtikettendruckF::TEtikettendruckF(Session& session, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TEtikettendruckF>()), session_(session), printer_(defaultPrinter()) {
    ui_->setupUi(this);
    ui::applyScreenLook(this);
    execPreview = [](QDialog& d) { return d.exec(); };
    askPrinter = [this](QPrinter& p) { return execPrintDialog(this, p, QStringLiteral("Druckereinrichtung")); };
    connect(ui_->Button2, &QPushButton::clicked, this, [this] {
        if (askPrinter(*printer_)) ui_->LDrucker->setText(printerName(*printer_));
    });
    connect(ui_->BNeu, &QPushButton::clicked, this, [this] { preview(); });
    connect(ui_->BSchliessen, &QPushButton::clicked, this, [this] { reject(); });
    connect(ui_->Button4, &QPushButton::clicked, this, [this] { narrowMembers(); });
}

TEtikettendruckF::~TEtikettendruckF() = default;

int TEtikettendruckF::exec() {
    prepareShow();
    return QDialog::exec();
}

void TEtikettendruckF::prepareShow() {
    printer_ = defaultPrinter();
    ui_->LDrucker->setText(printerName(*printer_));
    const LabelGrid grid = storedLabelGrid(session_.data().settings());
    ui_->EZeilen->setValue(grid.rows);
    ui_->ESpalten->setValue(grid.columns);
}

LabelFields TEtikettendruckF::fields() const {
    LabelFields f;
    f.id = ui_->CBID->isChecked();
    f.salutation = ui_->CBAnrede->isChecked();
    f.firstName = ui_->CBVorname->isChecked();
    f.lastName = ui_->CBNachname->isChecked();
    f.street = ui_->CBstrasse->isChecked();
    f.country = ui_->CBland->isChecked();
    f.postcode = ui_->cbplz->isChecked();
    f.town = ui_->CBOrt->isChecked();
    return f;
}

void TEtikettendruckF::narrowMembers() {
    if (!openQuery) return;
    ui::guarded(this, openQuery);
    narrowed_ = true;
}

void TEtikettendruckF::preview() {
    DataModule& data = session_.data();
    ui::guarded(this, [&] {
        LabelLayout layout(data.members());
        layout.fields = fields();
        layout.grid = {ui_->EZeilen->value(), ui_->ESpalten->value()};
        checkLabelGrid(layout.grid);
        data.DisconnectDB();
        struct Resume {
            DataModule& d;
            ~Resume() { d.ConnectDB(); }
        } resume{data};
        TEtikettendruckVorschauF screen(*printer_, layout, this);
        execPreview(screen);  // the dialog stays with its fields and grid
    });
}

void TEtikettendruckF::done(int r) {
    ui::guarded(this, [this] {
        if (session_.data().settings().isOpen())
            storeLabelGrid(session_.data().settings(), {ui_->EZeilen->value(), ui_->ESpalten->value()});
    });
    // The selection the query left for the labels goes when the dialog closes.
    if (narrowed_) {
        narrowed_ = false;
        ui::guarded(this, [this] {
            Dataset& m = session_.data().members();
            if (!m.isOpen()) return;
            m.setSort(QStringLiteral("ID"));
            m.clearFilter();
        });
    }
    QDialog::done(r);
}
