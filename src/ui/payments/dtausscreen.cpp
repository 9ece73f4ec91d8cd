#include "dtausscreen.h"

#include "common/datasetgrid.h"
#include "common/help.h"
#include "common/messages.h"
#include "data/datamodule.h"
#include "data/dataset.h"
#include "fees/feepaymentscreen.h"
#include "members/memberrules.h"
#include "payments/coversheetlayout.h"
#include "data/settings.h"
#include "payments/dtausrun.h"
#include "payments/iban.h"
#include "payments/prenotificationlayout.h"
#include "payments/runfiles.h"
#include "payments/separun.h"
#include "printing/memberlistlayout.h"
#include "printing/pagepreview.h"
#include "session/session.h"
#include "ui_dtausscreen.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QPrinter>
#include <QSignalBlocker>
#include <QStyle>

using namespace ferolind;
using namespace ferolind::ui;

namespace {

// The club-wide entries of the five text fields.
const QString kAccountEntry = QStringLiteral("Kontonummer");
const QString kHolderEntry = QStringLiteral("Kontoinhaber");
const QString kTargetEntry = QStringLiteral("Zieldatei");
const QString kBankCodeEntry = QStringLiteral("BLZ");
const QString kPurposeEntry = QStringLiteral("Verwendungszweck");

// The screen's SEPA choice and file; the creditor data are the SEPA settings.
const QString kSepaFormat = QStringLiteral("SEPA");
const QString kDtausFormat = QStringLiteral("DTAUS");

// The grid's columns.
const QStringList kGridFields = {"ID",           "Vorname",      "Nachname", "Betrag",
                                 "Kontonummer", "Kontoinhaber", "Bankleitzahl", "Bank"};

// Suspends the displays of the shared datasets for as long as it lives.
struct QuietDisplays {
    DataModule& data;
    explicit QuietDisplays(DataModule& d) : data(d) { data.DisconnectDB(); }
    ~QuietDisplays() { data.ConnectDB(); }
};

}  // namespace

TdtausF::TdtausF(Session& session, const TBeitragBuchenF& periods, QWidget* parent)
    : MemberSelectionScreen(session, parent, false), ui_(std::make_unique<Ui::TdtausF>()), periods_(periods) {
    ui_->setupUi(this);
    setUpScreen(ui_->DBGrid1, QStringLiteral("Dtaus"), kGridFields);
    // A creditor id has 18 characters ("DE98ZZZ09999999999"): the field shows it whole.
    QLineEdit* creditorId = ui_->ESepaGlaeubigerID;
    creditorId->setMinimumWidth(creditorId->fontMetrics().horizontalAdvance(QStringLiteral("DE98ZZZ09999999999")) + 16);
    ui_->SpeedButton3->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));

    // The writer of this screen: errors are raised, plain direct debits, no disk number,
    // no cover sheet from Finish; the cover sheet goes to the preview.
    writer_.ShowWarnings = false;
    writer_.setAbbuchungsauftrag(false);
    writer_.Zentralbank = false;
    writer_.AnzahlBegleitzettel = 0;
    writer_.setCoverSheetPrinter([this](const QVector<CoverSheetItem>& sheet, quint32 copies) {
        printing::CoverSheetLayout layout(sheet, int(copies));
        if (!printer_) printer_ = defaultPrinter();
        PagePreviewScreen preview(*printer_, layout, layout.copies(), this);
        preview.setWindowTitle(QStringLiteral("Diskettenbegleitzettel"));
        execPreview(preview);
    });

    askTarget = [this](const QString& current) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Zieldatei"), current,
                                            QStringLiteral("DTAUS-Dateien (*)"));
    };
    execPreview = [](QDialog& d) { return d.exec(); };
    statusColumnSelected = [] { return false; };

    const QStringList captions = {"Eintrittsdatum", "Sonstiges 1", "Sonstiges 2", "Sonstiges 3", "Sonstiges 4"};
    const QStringList sources = mandateDateSources();
    for (int i = 0; i < sources.size(); ++i) ui_->CBSepaMandatsdatum->addItem(captions.value(i, sources[i]), sources[i]);
    formatChosen();

    connect(ui_->CBVerfahren, &QComboBox::currentIndexChanged, this, [this] { formatChosen(); });
    connect(ui_->BVorabinformation, &QPushButton::clicked, this, [this] { printPrenotification(); });
    connect(ui_->SBSepaZieldatei, &QToolButton::clicked, this, [this] {
        const QString path = askTarget(ui_->ESepaZieldatei->text());
        if (!path.isEmpty()) ui_->ESepaZieldatei->setText(path);
    });
    connect(ui_->SpeedButton1, &QToolButton::clicked, this, [this] { chooseTarget(); });
    connect(ui_->EBLZ, &QLineEdit::editingFinished, this, [this] { leaveBankCode(); });
    connect(ui_->Button1, &QPushButton::clicked, this, [this] { run(); });
    connect(ui_->BBeiblatt, &QPushButton::clicked, this, [this] { printCoverSheet(); });
    connect(ui_->BDateiErneut, &QPushButton::clicked, this, [this] { rewriteRunFiles(); });
    connect(ui_->Button3, &QPushButton::clicked, this, [this] { printList(); });
    connect(ui_->SpeedButton3, &QToolButton::clicked, this, [this] { openManual(this); });
}

TdtausF::~TdtausF() = default;

void TdtausF::prepareShow() {
    periods_.copyPeriodState(ui_->CBMonatQuartal, ui_->LMonatQuartal);
    guarded(this, [this] {
        if (!members_.isOpen()) return;
        // A member filter set before is replaced.
        members_.applyFilter(QStringLiteral("DTAUS = true"));
    });
    ui_->DTPAusfuehrung->setDateTime(QDateTime::currentDateTime());
    guarded(this, [this] {
        if (!members_.isOpen()) return;
        const SettingsStore& s = session_.data().settings();
        ui_->EKontonummer->setText(s.DbSettingGet(kAccountEntry));
        ui_->EKontoinhaber->setText(s.DbSettingGet(kHolderEntry));
        ui_->EZieldatei->setText(s.DbSettingGet(kTargetEntry));
        ui_->EBLZ->setText(s.DbSettingGet(kBankCodeEntry));
        ui_->EVerwendungszweck->setText(s.DbSettingGet(kPurposeEntry));
    });
    const QDate today = session_.memberRules().today();
    guarded(this, [this] {
        if (!members_.isOpen()) return;
        const SettingsStore& s = session_.data().settings();
        const SepaSettings sepa = loadSepaSettings(s);
        ui_->ESepaName->setText(sepa.creditorName);
        ui_->ESepaIBAN->setText(groupedIban(sepa.creditorIban));
        ui_->ESepaBIC->setText(sepa.creditorBic);
        ui_->ESepaGlaeubigerID->setText(sepa.creditorId);
        ui_->ESepaPraefix->setText(sepa.mandatePrefix);
        ui_->CBSepaMandatsdatum->setCurrentIndex(std::max(0, ui_->CBSepaMandatsdatum->findData(sepa.mandateDateSource)));
        ui_->CBSepaSequenz->setCurrentIndex(std::max(0, ui_->CBSepaSequenz->findText(sepa.sequenceType)));
        ui_->ESepaZieldatei->setText(s.DbSettingGet(sepaentry::Target));
        ui_->CBVerfahren->setCurrentIndex(s.DbSettingGet(sepaentry::Format) == kSepaFormat ? 1 : 0);
    });
    ui_->DESepaFaelligkeit->setDate(earliestCollectionDate(today));
    const QSignalBlocker quiet(ui_->CBJahr);
    ui_->CBJahr->clear();
    ui_->CBJahr->addItems(dtausYearItems(today));
    ui_->CBJahr->setCurrentIndex(ui_->CBJahr->findText(QString::number(today.year())));
}

void TdtausF::done(int result) {
    guarded(this, [this] {
        if (!members_.isOpen()) return;
        SettingsStore& s = session_.data().settings();
        s.DbSettingSet(kAccountEntry, ui_->EKontonummer->text());
        s.DbSettingSet(kHolderEntry, ui_->EKontoinhaber->text());
        s.DbSettingSet(kTargetEntry, ui_->EZieldatei->text());
        s.DbSettingSet(kBankCodeEntry, ui_->EBLZ->text());
        s.DbSettingSet(kPurposeEntry, ui_->EVerwendungszweck->text());
        s.DbSettingSet(sepaentry::Target, ui_->ESepaZieldatei->text());
        s.DbSettingSet(sepaentry::Format, sepaChosen() ? kSepaFormat : kDtausFormat);
        // The creditor data are kept when they pass their checks; a run says what is wrong.
        const SepaRunInput input = sepaInput();
        if (sepaSettingsProblems(input.settings).isEmpty()) storeSepaSettings(session_.data(), input.settings);
    });
    MemberSelectionScreen::done(result);
}

bool TdtausF::sepaChosen() const { return ui_->CBVerfahren->currentIndex() == 1; }

void TdtausF::formatChosen() {
    const bool sepa = sepaChosen();
    ui_->GBSepa->setVisible(sepa);
    for (QWidget* w : std::initializer_list<QWidget*>{ui_->EKontonummer, ui_->EBLZ, ui_->EKontoinhaber,
                                                      ui_->DTPAusfuehrung, ui_->EZieldatei, ui_->SpeedButton1,
                                                      ui_->BBeiblatt})
        w->setEnabled(!sepa);
}

SepaRunInput TdtausF::sepaInput() const {
    SepaRunInput input;
    input.target = ui_->ESepaZieldatei->text();
    input.settings.creditorName = ui_->ESepaName->text();
    input.settings.creditorIban = ui_->ESepaIBAN->text();
    input.settings.creditorBic = ui_->ESepaBIC->text();
    input.settings.creditorId = ui_->ESepaGlaeubigerID->text();
    input.settings.mandatePrefix = ui_->ESepaPraefix->text();
    input.settings.mandateDateSource = ui_->CBSepaMandatsdatum->currentData().toString();
    input.settings.sequenceType = ui_->CBSepaSequenz->currentText();
    input.remittance = ui_->EVerwendungszweck->text();
    input.collectionDate = ui_->DESepaFaelligkeit->date();
    input.recordPayments = ui_->CBBuchen->isChecked();
    input.periodKind = periods_.periodKind();
    input.yearText = ui_->CBJahr->currentText();
    input.periodText = ui_->CBMonatQuartal->currentText();
    input.includeFormerMembers = ui_->CBAusgetretene->isChecked();
    return input;
}

void TdtausF::printPrenotification() {
    guarded(this, [this] {
        printing::PrenotificationLayout layout(prepareSepaRun(session_, sepaInput()).file);
        if (!printer_) printer_ = defaultPrinter();
        PagePreviewScreen preview(*printer_, layout, layout.pageCount(), this);
        preview.setWindowTitle(QStringLiteral("Vorabinformation SEPA-Lastschrift"));
        execPreview(preview);
    });
}

void TdtausF::chooseTarget() {
    const QString path = askTarget(ui_->EZieldatei->text());
    if (!path.isEmpty()) ui_->EZieldatei->setText(path);
}

void TdtausF::leaveBankCode() {
    if (checkingBankCode_ || bankCodeFieldAcceptable(ui_->EBLZ->text())) return;
    checkingBankCode_ = true;
    showError(this, dtausrunmsg::BankCodeField);
    ui_->EBLZ->setFocus();
    checkingBankCode_ = false;
}

void TdtausF::run() {
    if (sepaChosen()) {
        SepaRunResult result;
        if (guarded(this, [&] { result = runSepa(session_, sepaInput()); })) inform(this, sepaRunSummary(result));
        return;
    }
    DtausRunInput input;
    input.target = ui_->EZieldatei->text();
    input.sender = {ui_->EKontoinhaber->text(), ui_->EBLZ->text(), ui_->EKontonummer->text()};
    input.purpose = ui_->EVerwendungszweck->text();
    input.executionDate = ui_->DTPAusfuehrung->dateTime();
    input.recordPayments = ui_->CBBuchen->isChecked();
    input.periodKind = periods_.periodKind();
    input.yearText = ui_->CBJahr->currentText();
    input.periodText = ui_->CBMonatQuartal->currentText();
    input.includeFormerMembers = ui_->CBAusgetretene->isChecked();
    DtausRunResult result;
    if (guarded(this, [&] { result = runDtaus(session_, writer_, input); })) inform(this, dtausRunSummary(result));
}

void TdtausF::printCoverSheet() {
    writer_.AnzahlBegleitzettel = 1;
    guarded(this, [this] { writer_.PrintCoverSheets(); });
    writer_.AnzahlBegleitzettel = 0;
}

void TdtausF::rewriteRunFiles() {
    PendingRunFilesWritten r;
    if (!guarded(this, [&] { r = writePendingRunFiles(session_.data()); })) return;
    if (r.lines.isEmpty())
        inform(this, QStringLiteral("Es gibt keine Lastschriftdatei, die noch zu schreiben ist."));
    else if (r.failed > 0)
        showError(this, r.lines.join(QStringLiteral("\n\n")));
    else
        inform(this, r.lines.join(QStringLiteral("\n\n")));
}

void TdtausF::printList() {
    DataModule& data = session_.data();
    guarded(this, [&] {
        QuietDisplays quiet(data);
        printing::MemberListLayout layout(data.members(), data.feeClasses());
        layout.title = data.settings().DbSettingGet(QStringLiteral("TitelMitgliederDruck"));
        layout.loadLabels(data.settings());
        layout.selected = dtausListColumns(statusColumnSelected());
        if (!printer_) printer_ = defaultPrinter();
        TVorschauMitgliederF preview(*printer_, layout, this);
        execPreview(preview);
    });
}

void TdtausF::setMandateDateCaptions(const FreeFieldLabels& labels) {
    QComboBox* box = ui_->CBSepaMandatsdatum;
    for (int i = 0; i < box->count(); ++i) {
        const QString source = box->itemData(i).toString();  // "Sonstiges1" … "Sonstiges4"
        if (source.startsWith(QLatin1String("Sonstiges"))) box->setItemText(i, labels.s[source.right(1).toInt() - 1]);
    }
}
