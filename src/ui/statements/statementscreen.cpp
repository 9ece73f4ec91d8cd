#include "statementscreen.h"

#include "booking/bookingrules.h"
#include "common/look.h"
#include "common/messages.h"
#include "data/errors.h"
#include "payments/iban.h"
#include "session/session.h"
#include "ui_statementscreen.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QPushButton>

using namespace ferolind;
using namespace ferolind::ui;
namespace sc = ferolind::ui::statementscreen::controls;

TKontoauszugF::TKontoauszugF(Session& session, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TKontoauszugF>()), session_(session) {
    ui_->setupUi(this);
    applyScreenLook(this);
    ui_->TVorschlaege->horizontalHeader()->setSectionResizeMode(sc::Reason, QHeaderView::Stretch);
    ui_->TVorschlaege->verticalHeader()->setVisible(false);
    connect(ui_->BDatei, &QPushButton::clicked, this, [this] { chooseFile(); });
    connect(ui_->BBuchen, &QPushButton::clicked, this, [this] { book(); });
    connect(ui_->BSchliessen, &QPushButton::clicked, this, [this] { reject(); });
    connect(ui_->TVorschlaege, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == sc::Member) memberTyped(item->row());
    });
    connect(ui_->TVorschlaege, &QTableWidget::currentCellChanged, this, [this](int row) {
        const QTableWidgetItem* reason = row >= 0 ? ui_->TVorschlaege->item(row, sc::Reason) : nullptr;
        ui_->LGrund->setText(reason ? reason->text() : QString());
    });
}

TKontoauszugF::~TKontoauszugF() = default;

QStringList TKontoauszugF::choiceTexts() {
    return {QStringLiteral("Übernehmen"), QStringLiteral("Als einfache Buchung"), QStringLiteral("Ablehnen")};
}

void TKontoauszugF::chooseFile() {
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Kontoauszug wählen"), QString(),
                                                      QStringLiteral("Kontoauszüge (*.xml *.sta *.mt940 *.txt);;Alle Dateien (*)"));
    if (!path.isEmpty()) openFile(path);
}

bool TKontoauszugF::openFile(const QString& path) {
    return guarded(this, [&] {
        const BankStatement statement = readStatementFile(path);
        match_ = matchStatement(session_, statement);
        fillTable();
    });
}

void TKontoauszugF::fillTable() {
    const StatementMatch& m = *match_;
    const BankStatement& s = m.statement;
    ui_->LAuszug->setText(QStringLiteral("Auszug %1 (%2) des Kontos %3, %4 Posten, Schlusssaldo %5")
                              .arg(s.id, s.format, groupedIban(s.iban))
                              .arg(s.entries.size())
                              .arg(s.hasClosing ? moneyToCurrency(s.closing) : QStringLiteral("–")));
    ui_->CBKonto->clear();
    ui_->CBKonto->addItems(session_.bookingRules().accounts());
    ui_->CBKonto->setCurrentIndex(ui_->CBKonto->findText(m.account));
    ui_->LKontoHinweis->setText(m.accountRemembered ? QStringLiteral("(wie beim letzten Einlesen dieses Kontos)")
                                                    : QStringLiteral("Bitte wählen, zu welchem Bestandskonto diese IBAN gehört."));
    QTableWidget& t = *ui_->TVorschlaege;
    filling_ = true;
    t.clearContents();
    t.setRowCount(int(m.proposals.size()));
    for (int row = 0; row < m.proposals.size(); ++row) fillRow(row);
    filling_ = false;
    t.resizeColumnsToContents();
    t.horizontalHeader()->setSectionResizeMode(sc::Reason, QHeaderView::Stretch);
    ui_->LSaldo->clear();
    ui_->LGrund->clear();
    ui_->BBuchen->setEnabled(true);
}

void TKontoauszugF::fillRow(int row) {
    const StatementMatch& m = *match_;
    const Proposal& p = m.proposals[row];
    QTableWidget& t = *ui_->TVorschlaege;
    const bool fixed = p.kind == ProposalKind::Imported || p.kind == ProposalKind::NotBooked;
    const bool wasFilling = filling_;
    filling_ = true;
    auto cell = [&](int column, const QString& text) {
        auto* item = new QTableWidgetItem(text);
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
        item->setToolTip(text);
        t.setItem(row, column, item);
    };
    cell(sc::Entry, entryText(m.statement.entries[p.entry]));
    cell(sc::Match, proposalKindText(p));
    cell(sc::Reason, p.reason);
    cell(sc::Certainty, fixed ? QStringLiteral("–") : QStringLiteral("%1 %").arg(p.certainty));
    auto* choice = new QComboBox(&t);
    choice->addItems(choiceTexts());
    choice->setCurrentIndex(int(p.decision));
    choice->setEnabled(!fixed);
    t.setCellWidget(row, sc::Choice, choice);
    auto* category = new QTableWidgetItem(p.category);
    if (fixed) category->setFlags(category->flags() & ~Qt::ItemIsEditable);
    t.setItem(row, sc::Category, category);
    auto* member = new QTableWidgetItem(p.memberId > 0 ? QString::number(p.memberId) : QString());
    if (fixed || !m.statement.entries[p.entry].credit) member->setFlags(member->flags() & ~Qt::ItemIsEditable);
    t.setItem(row, sc::Member, member);
    if (row == t.currentRow()) ui_->LGrund->setText(p.reason);
    filling_ = wasFilling;
}

void TKontoauszugF::memberTyped(int row) {
    if (filling_ || !match_ || row < 0 || row >= match_->proposals.size()) return;
    const QString text = ui_->TVorschlaege->item(row, sc::Member)->text().trimmed();
    const int before = match_->proposals[row].memberId;
    bool ok = false;
    const int id = text.toInt(&ok);
    if (text.isEmpty() || (ok && id == before)) {
        fillRow(row);
        return;
    }
    guarded(this, [&] {
        if (!ok) throw ferolind::DataError(QStringLiteral("»%1« ist keine Mitgliedsnummer.").arg(text));
        assignMember(session_, *match_, row, id);
    });
    fillRow(row);
}

void TKontoauszugF::book() {
    if (!match_) return;
    StatementMatch m = *match_;
    m.account = ui_->CBKonto->currentText();
    QTableWidget& t = *ui_->TVorschlaege;
    for (int row = 0; row < m.proposals.size(); ++row) {
        Proposal& p = m.proposals[row];
        if (auto* choice = qobject_cast<QComboBox*>(t.cellWidget(row, sc::Choice)); choice && choice->isEnabled())
            p.decision = Decision(choice->currentIndex());
        if (const QTableWidgetItem* category = t.item(row, sc::Category)) p.category = category->text().trimmed();
    }
    guarded(this, [&] {
        const StatementBooking b = bookStatement(session_, m);
        QString text = QStringLiteral("Gebucht: %1 Buchungen, %2 Beitragszahlungen, %3 Rücklastschriften.")
                           .arg(b.bookings)
                           .arg(b.fees)
                           .arg(b.returns);
        if (b.skipped > 0)
            text += QStringLiteral(" %1 Posten waren inzwischen an einem anderen Arbeitsplatz eingelesen.").arg(b.skipped);
        text += u' ' + balanceComparisonText(b, m.account);
        // The proposals anew: what was booked now shows as imported.
        match_ = matchStatement(session_, m.statement);
        fillTable();
        ui_->LSaldo->setText(text);
    });
}
