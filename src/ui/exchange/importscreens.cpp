#include "importscreens.h"

#include "common/help.h"
#include "common/look.h"
#include "common/messages.h"
#include "common/notices.h"
#include "data/datamodule.h"
#include "exchange/delimited.h"
#include "exchange/sources.h"
#include "recordsmodel.h"
#include "members/memberrules.h"
#include "session/session.h"
#include "ui_importscreen.h"
#include "ui_wizardscreen.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QStyle>

using namespace ferolind;
using namespace ferolind::exchange;
using namespace ferolind::ui;

namespace {

QString openTextDialog(QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Quelldatei"), QString(),
                                        QStringLiteral("Textdateien (*.csv *.txt);;Alle Dateien (*)"));
}

QString openDialog(QWidget* parent) {
    return QFileDialog::getOpenFileName(
        parent, QStringLiteral("Quelldatei"), QString(),
        QStringLiteral("Alle Quelldateien (*.xls *.xlsx *.ods *.mdb *.csv *.txt);;Excel-Arbeitsmappen (*.xls *.xlsx);;"
                       "OpenDocument-Tabellen (*.ods);;Access-Datenbanken (*.mdb);;Textdateien (*.csv *.txt);;"
                       "Alle Dateien (*)"));
}

void setUpGrid(QAbstractItemView* grid) {
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    applyGridLook(grid);
}

void setCell(QTableWidget* grid, int row, int column, const QString& text) {
    auto* item = grid->item(row, column);
    if (!item) grid->setItem(row, column, item = new QTableWidgetItem);
    item->setText(text);
}

QString valueAt(const QVector<QStringList>& records, int record, int field) {
    if (record < 0 || record >= records.size() || field < 0 || field >= records[record].size()) return {};
    return records[record][field];
}

// Imports the records with the mapping; says how it went.
void importWith(QWidget* screen, Session& session, const QVector<QStringList>& records, bool title,
                const MappingGrid& mapping, const QString& recordWord) {
    ImportRequest request;
    request.records = &records;
    request.first = title ? 1 : 0;
    request.fields = mapping.fields();
    request.mapping = mapping.mapping();
    request.recordWord = recordWord;
    // What was left out, created or noticed comes once, as a list after the import, not
    // as a box per member over the result.
    QStringList notes;
    request.notes = &notes;
    QStringList ruleNotices;
    const ui::NoticeQueue::Hold hold;
    const QMetaObject::Connection collect =
        QObject::connect(&session.memberRules(), &MemberRules::notice, screen, [&ruleNotices](const QString& t) {
            // A missing fee class is created and named in the notes.
            if (t != MemberRules::kWrongFeeClassMessage && !ruleNotices.contains(t)) ruleNotices << t;
        });
    struct Disconnect {
        QMetaObject::Connection c;
        ~Disconnect() { QObject::disconnect(c); }
    } disconnect{collect};
    const int stored = importMembers(session.data(), request);
    notes << ruleNotices;
    QString text = QStringLiteral("%1 Mitglieder wurden importiert.").arg(stored);
    if (!notes.isEmpty()) {
        constexpr int kShown = 25;
        const qsizetype more = notes.size() - kShown;
        if (more > 0) notes = notes.mid(0, kShown) << QStringLiteral("… und %1 weitere Hinweise").arg(more);
        text += QStringLiteral("\n\nHinweise:\n") + notes.join(u'\n');
    }
    inform(screen, text);
}

}  // namespace

// --- the mapping grid

MappingGrid::MappingGrid(QTableWidget* grid, QVector<ImportField> fields) : grid_(grid), fields_(std::move(fields)) {
    grid_->setColumnCount(3);
    grid_->setHorizontalHeaderLabels({QStringLiteral("Feldname"), QStringLiteral("zug. Dateifeld"),
                                      QStringLiteral("1. Datensatz")});
    grid_->setRowCount(int(fields_.size()));
    for (int r = 0; r < fields_.size(); ++r) setCell(grid_, r, 0, fields_[r].title);
    grid_->verticalHeader()->hide();
    setUpGrid(grid_);
    grid_->setCurrentCell(0, 0);
    resetMapping();
}

void MappingGrid::resetMapping() {
    mapping_ = ImportMapping(fields_.size(), kNotAssigned);
    for (int r = 0; r < fields_.size(); ++r) remove(r);
}

void MappingGrid::assign(int row, int source, const QString& name, const QString& sample) {
    if (row < 0 || row >= fields_.size() || source < 0) return;
    mapping_[row] = source;
    setCell(grid_, row, 1, name);
    setCell(grid_, row, 2, sample);
}

void MappingGrid::remove(int row) {
    if (row < 0 || row >= fields_.size()) return;
    mapping_[row] = kNotAssigned;
    setCell(grid_, row, 1, QString());
    setCell(grid_, row, 2, QString());
}

// --- "Daten importieren"

TImportNeuF::TImportNeuF(Session& session, const FreeFieldLabels& labels, QWidget* parent)
    : QDialog(parent), chooseSource(openTextDialog), ui_(std::make_unique<Ui::TImportNeuF>()), session_(session) {
    ui_->setupUi(this);
    applyScreenLook(this);
    preview_ = new RecordsModel(false, this);
    preview_->setTitleRecord(ui_->CBTitelzeile->isChecked());
    ui_->StringGrid1->setModel(preview_);
    setUpGrid(ui_->StringGrid1);
    mapping_ = std::make_unique<MappingGrid>(ui_->SGDatenbank, importScreenFields(labels));
    ui_->SGDatei->setColumnCount(2);
    ui_->SGDatei->setHorizontalHeaderLabels({QStringLiteral("Datei-Feldname"), QStringLiteral("1. Datensatz")});
    ui_->SGDatei->verticalHeader()->hide();
    setUpGrid(ui_->SGDatei);
    ui_->Label2->hide();
    ui_->Button1->setEnabled(false);
    ui_->PageControl->setCurrentWidget(ui_->TabSheet1);
    ui_->SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    ui_->SpeedButton2->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
    for (QToolButton* help : {ui_->SpeedButton3, ui_->SpeedButton5}) {
        help->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
        connect(help, &QToolButton::clicked, this, [this] { openManual(this); });
    }

    connect(ui_->SpeedButton1, &QToolButton::clicked, this, [this] {
        const QString path = chooseSource(this);
        if (path.isNull()) return;
        ui_->EQuelldatei->setText(path);
        loadPreview();
    });
    for (QRadioButton* b : {ui_->RBTabulator, ui_->RBSemikolon, ui_->RBKomma, ui_->RBDoppelt, ui_->RBEinfach,
                            ui_->RBKeine, ui_->RBZeilen, ui_->RBSpalten})
        connect(b, &QRadioButton::clicked, this, [this] { loadPreview(); });
    connect(ui_->CBTitelzeile, &QCheckBox::toggled, preview_, &RecordsModel::setTitleRecord);
    connect(ui_->CBZeichensatz, &QComboBox::activated, this, [this] { loadPreview(); });
    connect(ui_->Button1, &QPushButton::clicked, this, [this] { next(); });
    connect(ui_->SpeedButton2, &QToolButton::clicked, this, [this] { assign(); });
    connect(ui_->Button4, &QPushButton::clicked, this,
            [this] { mapping_->remove(ui_->SGDatenbank->currentRow()); });
    connect(ui_->SRColorButton2, &QPushButton::clicked, this, [this] { runImport(); });
    for (QPushButton* close : {ui_->SRColorButton1, ui_->Bschliessen})
        connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

TImportNeuF::~TImportNeuF() = default;

void TImportNeuF::loadPreview() {
    const QString path = ui_->EQuelldatei->text();
    if (path.isEmpty()) return;
    guarded(this, [&] {
        const QChar separator = ui_->RBTabulator->isChecked()   ? QLatin1Char('\t')
                                : ui_->RBSemikolon->isChecked() ? QLatin1Char(';')
                                                                : QLatin1Char(',');
        const QChar qualifier = ui_->RBDoppelt->isChecked()   ? QLatin1Char('"')
                                : ui_->RBEinfach->isChecked() ? QLatin1Char('\'')
                                                              : QChar();
        const DecodedText text = readTextFile(path, TextEncoding(std::max(0, ui_->CBZeichensatz->currentIndex())));
        ui_->LZeichensatz->setText(QStringLiteral("gelesen als %1").arg(textEncodingName(text.encoding)));
        preview_->setRecords(readDelimited(text.text, separator, qualifier));
        ui_->Button1->setEnabled(true);
    });
}

void TImportNeuF::next() {
    const QVector<QStringList>& records = preview_->records();
    const bool title = ui_->CBTitelzeile->isChecked();
    const QStringList names = sourceColumnNames(records, title);
    ui_->SGDatei->setRowCount(int(names.size()));
    for (int j = 0; j < names.size(); ++j) {
        setCell(ui_->SGDatei, j, 0, names[j]);
        setCell(ui_->SGDatei, j, 1, valueAt(records, title ? 1 : 0, j));
    }
    if (!names.isEmpty()) ui_->SGDatei->setCurrentCell(0, 0);
    ui_->SGDatenbank->setCurrentCell(std::max(0, ui_->SGDatenbank->currentRow()), 0);
    ui_->PageControl->setCurrentWidget(ui_->TabSheet2);
}

void TImportNeuF::assign() {
    const int k = ui_->SGDatei->currentRow();
    if (k < 0) return;
    mapping_->assign(ui_->SGDatenbank->currentRow(), k, ui_->SGDatei->item(k, 0)->text(),
                     ui_->SGDatei->item(k, 1)->text());
}

void TImportNeuF::runImport() {
    ui_->Label2->show();
    ui_->Bschliessen->setEnabled(false);
    guarded(this, [this] {
        importWith(this, session_, preview_->records(), ui_->CBTitelzeile->isChecked(), *mapping_,
                   QStringLiteral("Zeile"));
    });
    ui_->Label2->hide();
    ui_->Bschliessen->setEnabled(true);
}

// --- the import assistant

TWizzardF::TWizzardF(Session& session, QWidget* parent)
    : QDialog(parent), chooseSource(openDialog), ui_(std::make_unique<Ui::TWizzardF>()), session_(session) {
    ui_->setupUi(this);
    applyScreenLook(this);
    preview_ = new RecordsModel(true, this);
    copy_ = new RecordsModel(true, this);
    ui_->SGDatei->setModel(preview_);
    ui_->SgDatei2->setModel(copy_);
    setUpGrid(ui_->SGDatei);
    setUpGrid(ui_->SgDatei2);
    mapping_ = std::make_unique<MappingGrid>(ui_->SGDatenbank, assistantFields());
    ui_->SpeedButton4->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    ui_->SpeedButton5->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));

    connect(ui_->SpeedButton4, &QToolButton::clicked, this, [this] {
        const QString path = chooseSource(this);
        if (path.isNull()) return;
        {
            const QSignalBlocker quiet(ui_->CBTabellen);
            ui_->CBTabellen->clear();
        }
        ui_->EQuelldatei->setText(path);
        loadSource();
    });
    connect(ui_->CBTabellen, &QComboBox::activated, this, [this] { loadSource(); });
    connect(ui_->CBZeichensatz, &QComboBox::activated, this, [this] { loadSource(); });
    for (QRadioButton* b : {ui_->RBKomma, ui_->RBSemikolon, ui_->RBTabulator})
        connect(b, &QRadioButton::clicked, this, [this] { loadSource(); });
    connect(ui_->CBTitelzeile, &QCheckBox::clicked, this, [this] { loadSource(); });
    connect(ui_->SRColorButton4, &QPushButton::clicked, this, [this] { next(); });
    connect(ui_->SpeedButton5, &QToolButton::clicked, this, [this] { assign(); });
    connect(ui_->SpeedButton1, &QToolButton::clicked, this,
            [this] { mapping_->remove(ui_->SGDatenbank->currentRow()); });
    connect(ui_->SRColorButton11, &QPushButton::clicked, this,
            [this] { ui_->PageControl->setCurrentWidget(ui_->P1); });
    connect(ui_->SRColorButton12, &QPushButton::clicked, this, [this] { runImport(); });
}

TWizzardF::~TWizzardF() = default;

void TWizzardF::showEvent(QShowEvent* e) {
    ui_->PageControl->setCurrentWidget(ui_->P1);
    QDialog::showEvent(e);
}

void TWizzardF::loadSource() {
    const QString path = ui_->EQuelldatei->text();
    if (path.isEmpty()) return;
    guarded(this, [&] {
        const SourceKind kind = sourceKindOf(path);
        QString table;
        if (kind != SourceKind::Text) {
            if (ui_->CBTabellen->count() == 0) {
                const QSignalBlocker quiet(ui_->CBTabellen);
                ui_->CBTabellen->addItems(sourceTableNames(path));
                ui_->CBTabellen->setCurrentIndex(ui_->CBTabellen->count() > 0 ? 0 : -1);
            }
            table = ui_->CBTabellen->currentText();
        }
        const QChar separator = ui_->RBKomma->isChecked()       ? QLatin1Char(',')
                                : ui_->RBTabulator->isChecked() ? QLatin1Char('\t')
                                                                : QLatin1Char(';');
        TextEncoding used = TextEncoding::Auto;
        SourceTable source =
            readSource(path, table, separator, TextEncoding(std::max(0, ui_->CBZeichensatz->currentIndex())), &used);
        ui_->LZeichensatz->setText(kind == SourceKind::Text ? QStringLiteral("gelesen als %1").arg(textEncodingName(used))
                                                            : QString());
        title_ = hasTitleRecord(source, ui_->CBTitelzeile->isChecked());
        preview_->setRecords(std::move(source.records), std::move(source.fieldNames));
    });
}

void TWizzardF::next() {
    // Without records there is nothing to assign: the assistant stays at the source.
    if (preview_->records().isEmpty()) {
        inform(this, QStringLiteral("Bitte zuerst eine Quelldatei mit Daten wählen."));
        return;
    }
    copy_->setRecords(preview_->records(), preview_->fieldNames());
    if (copy_->rowCount() > 0) ui_->SgDatei2->selectRow(0);
    ui_->SGDatenbank->setCurrentCell(std::max(0, ui_->SGDatenbank->currentRow()), 0);
    ui_->PageControl->setCurrentWidget(ui_->P2);
}

void TWizzardF::assign() {
    const int k = ui_->SgDatei2->currentIndex().row();
    if (k < 0) return;
    // The column's name: a database table's own, the title record's, or "FELD n"; the
    // sample from the first record imported.
    const QVector<QStringList>& records = copy_->records();
    const QStringList names = sourceColumnNames(records, title_, copy_->fieldNames());
    if (k >= names.size()) return;
    mapping_->assign(ui_->SGDatenbank->currentRow(), k, names[k], valueAt(records, title_ ? 1 : 0, k));
}

void TWizzardF::runImport() {
    if (guarded(this, [this] {
            importWith(this, session_, copy_->records(), title_, *mapping_, QStringLiteral("Datensatz"));
        }))
        accept();
}
