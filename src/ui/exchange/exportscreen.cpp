#include "exportscreen.h"

#include "common/help.h"
#include "common/look.h"
#include "common/messages.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "ui_bookingexportscreen.h"
#include "ui_exportscreen.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QStyle>

using namespace ferolind;
using namespace ferolind::exchange;
using namespace ferolind::ui;

namespace {

QString saveDialog(QWidget* parent, const QString& filter, const QString& suffix) {
    QFileDialog dialog(parent, QStringLiteral("Zieldatei"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(suffix);
    dialog.selectFile(QString());
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first()
                                                                                   : QString();
}

}  // namespace

ExportScreen::ExportScreen(Dataset& data, QVector<ExportColumn> columns, QWidget* parent)
    : QDialog(parent), chooseTarget(saveDialog), columns_(std::move(columns)), data_(data) {}

ExportScreen::~ExportScreen() = default;

void ExportScreen::setUp(const Controls& c) {
    c_ = c;
    applyScreenLook(this);
    auto* grid = static_cast<QGridLayout*>(c.fields->layout());
    const int rows = (int(columns_.size()) + 2) / 3;
    for (int i = 0; i < columns_.size(); ++i) {
        auto* box = new QCheckBox(columns_[i].caption, c.fields);
        box->setObjectName(exportscreen::controls::columnBox(columns_[i].field));
        box->setChecked(true);
        grid->addWidget(box, i % rows, i / rows);
        boxes_ << box;
    }
    c.choose->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    c.help->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
    for (QRadioButton* b : {c.csv, c.html, c.txt, c.excel, c.ods})
        if (b) connect(b, &QRadioButton::toggled, this, [this](bool on) {
                if (on) applyFormat();
            });
    connect(c.target, &QLineEdit::textChanged, this, [this](const QString& t) { c_.run->setEnabled(!t.isEmpty()); });
    connect(c.choose, &QToolButton::clicked, this, [this] { choose(); });
    connect(c.help, &QToolButton::clicked, this, [this] { openManual(this); });
    connect(c.run, &QPushButton::clicked, this, [this] { guarded(this, [this] { runExport(); }); });
    c.run->setAutoDefault(false);
}

void ExportScreen::showEvent(QShowEvent* e) {
    prepareShow();
    QDialog::showEvent(e);
}

void ExportScreen::prepareShow() {
    c_.target->clear();
    c_.run->setEnabled(false);
    c_.comma->setChecked(true);
    c_.doubleQuote->setChecked(true);
    applyFormat();
}

ExportFormat ExportScreen::format() const {
    if (c_.html->isChecked()) return ExportFormat::Html;
    if (c_.txt->isChecked()) return ExportFormat::Txt;
    if (c_.excel && c_.excel->isChecked() && !c_.excel->isHidden()) return ExportFormat::Excel;
    if (c_.ods && c_.ods->isChecked() && !c_.ods->isHidden()) return ExportFormat::Ods;
    return ExportFormat::Csv;
}

void ExportScreen::applyFormat() {
    const ExportFormat f = format();
    const bool delimited = f == ExportFormat::Csv || f == ExportFormat::Txt;
    c_.separators->setEnabled(delimited);
    c_.qualifiers->setEnabled(delimited);
    if (f == ExportFormat::Csv) {
        c_.comma->setChecked(true);
        c_.doubleQuote->setChecked(true);
    }
    for (QRadioButton* b : {c_.tab, c_.semicolon, c_.comma, c_.doubleQuote, c_.singleQuote, c_.none})
        b->setEnabled(f == ExportFormat::Txt || (f == ExportFormat::Csv && (b == c_.comma || b == c_.doubleQuote)));
}

void ExportScreen::choose() {
    QString filter = QStringLiteral("CSV-Dateien (*.csv)"), suffix = QStringLiteral("csv");
    switch (format()) {
        case ExportFormat::Html: filter = QStringLiteral("HTML-Dateien (*.html)"), suffix = QStringLiteral("html"); break;
        case ExportFormat::Txt: filter = QStringLiteral("Text-Dateien (*.txt)"), suffix = QStringLiteral("txt"); break;
        case ExportFormat::Excel: filter = QStringLiteral("Excel-Dateien (*.xlsx)"), suffix = QStringLiteral("xlsx"); break;
        case ExportFormat::Ods:
            filter = QStringLiteral("OpenDocument-Tabellen (*.ods)"), suffix = QStringLiteral("ods");
            break;
        case ExportFormat::Csv: break;
    }
    const QString path = chooseTarget(this, filter, suffix);
    if (!path.isNull() || cancelEmptiesTarget_) c_.target->setText(path);
}

void ExportScreen::runExport() {
    QVector<bool> selected;
    for (QCheckBox* b : boxes_) selected << b->isChecked();
    ExportOptions options;
    options.separator = c_.tab->isChecked() ? QLatin1Char('\t') : c_.semicolon->isChecked() ? QLatin1Char(';') : QLatin1Char(',');
    options.qualifier = c_.doubleQuote->isChecked() ? QLatin1Char('"') : c_.singleQuote->isChecked() ? QLatin1Char('\'') : QChar();
    options.titleRow = c_.title->isChecked();
    const ExportFormat f = format();
    if (f == ExportFormat::Csv) options = ExportOptions{QLatin1Char(','), QLatin1Char('"'), options.titleRow};
    const ExportTable table = exportTable(data_, columns_, selected);
    if (f == ExportFormat::Csv || f == ExportFormat::Txt) {
        const QString warning = breakingCellWarning(table, options);
        if (!warning.isEmpty() && ask(this, warning + QStringLiteral("\nTrotzdem exportieren?")) != Answer::Yes) return;
    }
    writeExport(f, c_.target->text(), table, options);
    accept();
}

// --- the member screens

TExportF::TExportF(Dataset& members, QWidget* parent) : TExportF(members, false, parent) {}

TExportF::TExportF(Dataset& members, bool memberScreen, QWidget* parent)
    : ExportScreen(members, memberExportColumns(), parent), ui_(std::make_unique<Ui::TExportF>()),
      memberScreen_(memberScreen) {
    ui_->setupUi(this);
    setUp({ui_->RBCSV, ui_->RBHTML, ui_->RBTXT, ui_->RBExcel, ui_->RBOds, ui_->EZieldatei, ui_->SpeedButton1, ui_->SpeedButton3,
           ui_->GBFelder, ui_->GroupBox1, ui_->GroupBox5, ui_->RBTabulator, ui_->RBSemikolon, ui_->RBKomma,
           ui_->RBDoppelt, ui_->RBEinfach, ui_->RBKeine, ui_->CBTitelzeile, ui_->Button1});
    cancelEmptiesTarget_ = memberScreen;
    if (memberScreen) {
        setObjectName(QStringLiteral("TMitgliederExportierenF"));
        setWindowTitle(QStringLiteral("Mitglieder exportieren"));
    } else {
        ui_->RBExcel->hide();
        ui_->RBOds->hide();
    }
}

TExportF::~TExportF() = default;

void TExportF::setFreeFieldLabels(const FreeFieldLabels& labels) {
    columns_ = memberExportColumns(labels);
    for (int i = 0; i < columns_.size(); ++i)
        if (columns_[i].field.startsWith(QLatin1String("Sonstiges"))) boxes_[i]->setText(columns_[i].heading);
}

void TExportF::prepareShow() {
    ExportScreen::prepareShow();
    if (!visibleColumns) return;
    const quint32 bits = visibleColumns();
    const QStringList fields = memberColumnFields();
    for (int i = 0; i < columns_.size(); ++i) boxes_[i]->setChecked(bits & (1u << fields.indexOf(columns_[i].field)));
}

TMitgliederExportierenF::TMitgliederExportierenF(Dataset& members, QWidget* parent) : TExportF(members, true, parent) {}

// --- the booking screen

TBuchungsexportF::TBuchungsexportF(Dataset& bookings, QWidget* parent)
    : ExportScreen(bookings, bookingExportColumns(), parent), ui_(std::make_unique<Ui::TBuchungsexportF>()) {
    ui_->setupUi(this);
    setUp({ui_->RBCSV, ui_->RBHTML, ui_->RBTXT, ui_->RBExcel, ui_->RBOds, ui_->EZieldatei, ui_->SpeedButton1, ui_->SpeedButton3,
           ui_->GroupBox6, ui_->GroupBox1, ui_->GroupBox5, ui_->RBTabulator, ui_->RBSemikolon, ui_->RBKomma,
           ui_->RBDoppelt, ui_->RBEinfach, ui_->RBKeine, ui_->CBTitelzeile, ui_->Button1});
}

TBuchungsexportF::~TBuchungsexportF() = default;
