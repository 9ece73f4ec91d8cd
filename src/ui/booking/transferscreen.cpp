#include "transferscreen.h"

#include "booking/accounts.h"
#include "booking/accountviews.h"
#include "booking/bookingrules.h"
#include "common/help.h"
#include "common/look.h"
#include "common/messages.h"
#include "data/datamodule.h"
#include "data/dataset.h"
#include "session/session.h"
#include "ui_transferscreen.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

using namespace ferolind;
using namespace ferolind::ui;

namespace {
QString currentName(const QListWidget* list) { return list->currentItem() ? list->currentItem()->text() : QString(); }
}  // namespace

TBestandskontenF::TBestandskontenF(Session& session, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TBestandskontenF>()), session_(session), data_(session.data()) {
    ui_->setupUi(this);
    applyScreenLook(this);
    ui_->SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));

    // A transfer's income booking carries the source account as its category: "von" is
    // the category, "an" the asset account.
    ui_->DBGrid1->setDataset(data_.bookings(),
                             {QStringLiteral("Datum"), QStringLiteral("Buchungstext"), QStringLiteral("Betrag"),
                              QStringLiteral("Kategorie"), QStringLiteral("Bestandskonto")},
                             {QStringLiteral("Datum"), QStringLiteral("Buchungstext"), QStringLiteral("Betrag"),
                              QStringLiteral("von"), QStringLiteral("an")},
                             QString(), {{QStringLiteral("Betrag"), 0}, {QStringLiteral("Buchungstext"), 140}});

    connect(ui_->ListBox1, &QListWidget::currentRowChanged, this, [this] { showBalance(ui_->ListBox1, ui_->L1); });
    connect(ui_->ListBox2, &QListWidget::currentRowChanged, this, [this] { showBalance(ui_->ListBox2, ui_->L2); });
    connect(ui_->ListBox3, &QListWidget::currentRowChanged, this, [this] { showStartValue(); });
    connect(ui_->Button2, &QPushButton::clicked, this, [this] { book(); });
    connect(ui_->Button1, &QPushButton::clicked, this, [this] { saveStartValue(); });
    connect(ui_->BSchliessen, &QPushButton::clicked, this, [this] { closeAndRecompute(); });
    connect(ui_->SpeedButton1, &QToolButton::clicked, this, [this] { openManual(this); });
}

TBestandskontenF::~TBestandskontenF() = default;

int TBestandskontenF::exec() {
    if (!prepareShow()) return QDialog::Rejected;
    return QDialog::exec();
}

bool TBestandskontenF::prepareShow() {
    const QStringList accounts = session_.bookingRules().accounts();
    if (accounts.isEmpty()) {
        inform(this, kNoAssetAccountsMessage);
        return false;
    }
    // The filter first: a booking being edited elsewhere is stored (or refused) before
    // the screen shows anything.
    const bool filtered = guarded(this, [this] {
        Dataset& b = data_.bookings();
        b.checkBrowseMode();
        b.applyFilter(bookingsAfterFilter(data_.lastBookingNumber));
    });
    if (!filtered) return false;
    filterSet_ = true;
    for (QListWidget* list : {ui_->ListBox1, ui_->ListBox2, ui_->ListBox3}) {
        list->clear();
        list->addItems(accounts);
        list->setCurrentRow(0);
    }
    ui_->EDatum->setDate(session_.bookingRules().today());
    showBalance(ui_->ListBox1, ui_->L1);
    showBalance(ui_->ListBox2, ui_->L2);
    showStartValue();
    return true;
}

void TBestandskontenF::done(int result) {
    if (filterSet_) {
        filterSet_ = false;
        guarded(this, [this] { data_.bookings().clearFilter(); });
    }
    QDialog::done(result);
}

void TBestandskontenF::showBalance(QListWidget* list, QLabel* label) {
    const QString account = currentName(list);
    label->setText(account.isEmpty() ? QString() : moneyToCurrency(data_.settings().AccountBalanceGet(account)));
}

void TBestandskontenF::showStartValue() {
    const QString account = currentName(ui_->ListBox3);
    ui_->Edit1->setText(account.isEmpty() ? QString() : startValueText(data_, account));
}

void TBestandskontenF::book() {
    guarded(this, [this] {
        transfer(data_, currentName(ui_->ListBox1), currentName(ui_->ListBox2), ui_->EBetrag->text(),
                 ui_->EBuchungstext->text(), ui_->EDatum->date());
    });
    showBalance(ui_->ListBox1, ui_->L1);
    showBalance(ui_->ListBox2, ui_->L2);
    showStartValue();
}

void TBestandskontenF::saveStartValue() {
    const QString account = currentName(ui_->ListBox3);
    if (account.isEmpty()) return;
    const std::optional<Money> value = parseStartValue(ui_->Edit1->text());
    if (!value) {
        inform(this, kStartValueMessage);
        ui_->Edit1->setFocus();
        return;
    }
    if (guarded(this, [&] { data_.settings().AccountStartValueSet(account, *value); })) showStartValue();
}

// The filter goes first, so that the recomputation sees the whole journal.
void TBestandskontenF::closeAndRecompute() {
    done(QDialog::Accepted);
    if (guarded(this, [this] { recomputeBalances(data_); })) inform(this, kBalancesRecomputedMessage);
}
