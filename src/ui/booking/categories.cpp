#include "categories.h"

#include "booking/bookingrules.h"
#include "booking/categorylists.h"
#include "common/look.h"
#include "common/messages.h"
#include "data/datamodule.h"
#include "session/session.h"
#include "ui_categories.h"

#include <QPushButton>

using namespace ferolind;
using namespace ferolind::ui;

TBuchungskontenF::TBuchungskontenF(Session& session, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TBuchungskontenF>()), settings_(session.data().settings()) {
    ui_->setupUi(this);
    applyScreenLook(this);
    Ui::TBuchungskontenF& u = *ui_;
    columns_ = {
        {BookingRules::kIncomeCategories, kDeleteCategoryQuestion, u.ListBox1, u.Edit1},
        {BookingRules::kExpenseCategories, kDeleteCategoryQuestion, u.ListBox2, u.Edit2},
        {BookingRules::kAccounts, kDeleteAccountQuestion, u.ListBox3, u.Edit3},
    };
    const std::pair<QPushButton*, QPushButton*> buttons[] = {
        {u.Button1, u.Button3}, {u.Button2, u.Button4}, {u.Button5, u.Button6}};
    for (int i = 0; i < 3; ++i) {
        const Column c = columns_[i];
        connect(buttons[i].first, &QPushButton::clicked, this, [this, c] { add(c); });
        connect(buttons[i].second, &QPushButton::clicked, this, [this, c] { remove(c); });
    }
    connect(u.BSchliessen, &QPushButton::clicked, this, &QDialog::reject);
}

TBuchungskontenF::~TBuchungskontenF() = default;

int TBuchungskontenF::exec() {
    prepareShow();
    return QDialog::exec();
}

void TBuchungskontenF::prepareShow() {
    for (const Column& c : columns_) load(c);
}

void TBuchungskontenF::load(const Column& c) {
    c.list->clear();
    c.list->addItems(settings_.DbSettingGetList(c.entry));
}

void TBuchungskontenF::add(const Column& c) {
    bool added = false;
    if (!guarded(this, [&] { added = addListEntry(settings_, c.entry, c.text->text()); })) return;
    if (!added) return;
    load(c);
    c.text->clear();
}

void TBuchungskontenF::remove(const Column& c) {
    const int row = c.list->currentRow();
    if (row < 0 || !c.list->currentItem()->isSelected()) return;
    if (askDelete(this, c.question) != Answer::Yes) return;
    guarded(this, [&] { removeListEntry(settings_, c.entry, row); });
    load(c);
}
