#include "serialprintdialog.h"

#include "common/look.h"
#include "common/messages.h"
#include "data/datamodule.h"
#include "data/errors.h"
#include "letters/letterprint.h"
#include "letters/rtfreader.h"
#include "letters/serialletter.h"
#include "printing/pagepreview.h"
#include "session/session.h"
#include "ui_serialprintdialog.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QPrinter>
#include <QTextDocument>

using namespace ferolind;
using namespace ferolind::letters;

namespace {

const QString kNoMember = QStringLiteral("Im gewählten Bereich liegt kein Mitglied; es wurde kein Brief gedruckt.");

// Display updates of the shared datasets stay suspended while it lives.
struct Suspended {
    DataModule& data;
    explicit Suspended(DataModule& d) : data(d) { data.DisconnectDB(); }
    ~Suspended() { data.ConnectDB(); }
};

}  // namespace

TTextDruckerDialogNeuF::TTextDruckerDialogNeuF(Session& session, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TTextDruckerDialogNeuF>()), session_(session),
      printer_(defaultPrinter()) {
    ui_->setupUi(this);
    ui::applyScreenLook(this);
    askPrinter = [this](QPrinter& p) { return execPrintDialog(this, p, QStringLiteral("Druckereinrichtung")); };
    askPdfPath = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Serienbriefe als PDF speichern"), QString(),
                                            QStringLiteral("PDF-Datei (*.pdf)"));
    };
    printOne = [](QPrinter& p, const QTextDocument& doc) { return printLetter(p, doc); };
    connect(ui_->Button2, &QPushButton::clicked, this, [this] {
        if (askPrinter(*printer_)) ui_->LDrucker->setText(printerName(*printer_));
    });
    connect(ui_->CBerstes, &QCheckBox::clicked, this, [this] { applyFirstOnly(); });
    connect(ui_->BNeu, &QPushButton::clicked, this, [this] { printLetters(); });
    connect(ui_->BPdf, &QPushButton::clicked, this, [this] { writePdf(); });
    connect(ui_->BSchliessen, &QPushButton::clicked, this, [this] { reject(); });
}

TTextDruckerDialogNeuF::~TTextDruckerDialogNeuF() = default;

void TTextDruckerDialogNeuF::setFirstOnly(bool on) {
    ui_->CBerstes->setChecked(on);
    applyFirstOnly();
}

void TTextDruckerDialogNeuF::showEvent(QShowEvent* event) {
    prepareShow();
    QDialog::showEvent(event);
}

void TTextDruckerDialogNeuF::prepareShow() {
    DataModule& data = session_.data();
    QStringList entries;
    {
        Suspended quiet(data);
        if (data.members().isOpen()) entries = memberEntries(data.members());
    }
    for (QComboBox* box : {ui_->CBvon, ui_->CBbis}) {
        box->clear();
        box->addItems(entries);
    }
    ui_->CBvon->setCurrentIndex(entries.isEmpty() ? -1 : 0);
    ui_->CBbis->setCurrentIndex(int(entries.size()) - 1);
    printer_ = defaultPrinter();
    ui_->LDrucker->setText(printerName(*printer_));
    if (ui_->CBerstes->isChecked()) applyFirstOnly();
}

void TTextDruckerDialogNeuF::applyFirstOnly() {
    const bool first = ui_->CBerstes->isChecked();
    if (first) {
        const QString entry = ui_->CBvon->itemText(0);
        ui_->CBvon->setCurrentIndex(ui_->CBvon->count() ? 0 : -1);
        ui_->CBbis->setCurrentIndex(ui_->CBbis->count() ? 0 : -1);
        ui_->CBvon->setEditText(entry);
        ui_->CBbis->setEditText(entry);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{ui_->Label2, ui_->Label3, ui_->CBvon, ui_->CBbis})
        w->setEnabled(!first);
}

QVector<int> TTextDruckerDialogNeuF::chosenMembers() {
    const Dataset& members = session_.data().members();
    if (!members.isOpen() || members.isEmpty()) return {};
    const int lower = boundOf(ui_->CBvon->currentText());
    const int upper = boundOf(ui_->CBbis->currentText());
    return membersInRange(members, lower, upper);
}

void TTextDruckerDialogNeuF::run(const std::function<void(const QVector<int>&)>& letters) {
    if (!letter) return;
    const bool ran = ui::guarded(this, [&] {
        const QVector<int> members = chosenMembers();
        if (members.isEmpty()) {
            ui::inform(this, kNoMember);
            return;
        }
        // A font the system lacks would be replaced in silence, on paper and in the PDF.
        const QStringList missing = missingFonts(*letter);
        if (!missing.isEmpty() &&
            ui::ask(this, QStringLiteral("Die Schrift »%1« ist nicht installiert; der Brief wird mit einer Ersatzschrift "
                                         "gedruckt.\nTrotzdem fortfahren?")
                              .arg(missing.join(QStringLiteral("«, »")))) != ui::Answer::Yes)
            return;
        letters(members);
    });
    if (ran) accept();
}

void TTextDruckerDialogNeuF::printLetters() {
    run([this](const QVector<int>& members) {
        DataModule& data = session_.data();
        Suspended quiet(data);
        QString last;
        runSerialLetters(
            *letter, data.members(), members,
            [&](QTextDocument& doc) {
                printer_->setDocName(QStringLiteral("Ferolind"));
                if (!printOne(*printer_, doc))
                    throw DataError(QStringLiteral("Der Drucker »%1« kann nicht drucken.").arg(printerName(*printer_)));
            },
            &last);
        QApplication::clipboard()->setText(last);
    });
}

void TTextDruckerDialogNeuF::writePdf() {
    run([this](const QVector<int>& members) {
        const QString path = askPdfPath();
        if (path.isEmpty()) return;
        DataModule& data = session_.data();
        Suspended quiet(data);
        SerialLetterRun serial(*letter);
        writeLettersPdf(
            path, int(members.size()), [&](int i) { return serial.letterFor(data.members(), members[i]); },
            QStringLiteral("Serienbrief"));
        QApplication::clipboard()->setText(serial.lastInserted());
    });
}
