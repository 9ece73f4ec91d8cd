#include "bookingentry.h"

#include "booking/bookinggrid.h"
#include "booking/bookingrules.h"
#include "common/bindings.h"
#include "common/comboitems.h"
#include "common/datasetgrid.h"
#include "common/help.h"
#include "common/keyboard.h"
#include "common/look.h"
#include "common/messages.h"
#include "common/notices.h"
#include "data/datamodule.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "data/values.h"
#include "members/columns.h"
#include "session/session.h"
#include "ui_bookingentry.h"

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

using namespace ferolind;
using namespace ferolind::ui;

const QString TBuchungF::kDeleteQuestion = QStringLiteral("Möchten Sie diesen Buchungssatz wirklich löschen?");
const QString TBuchungF::kCloseQuestion = QStringLiteral("Änderungen speichern beim aktuellen Datensatz?");

namespace {
const QString kCategory = QStringLiteral("Kategorie");
const QString kAccount = QStringLiteral("Bestandskonto");
const QString kDirection = QStringLiteral("SollHaben");
}  // namespace

TBuchungF::TBuchungF(Session& session, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::TBuchungF>()),
      data_(session.data()),
      bookings_(session.data().bookings()),
      rules_(session.bookingRules()),
      notices_(new NoticeQueue(this)) {
    ui_->setupUi(this);
    applyScreenLook(this);
    ui_->SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
    ui_->DBGrid2->setDataset(bookings_, bookingColumnFields(), bookingColumnTitles(), QStringLiteral("Buchung"),
                             bookingGridWidths());
    bindControls();
    connectControls();
    followRecord();
    ui_->BSpeichern->setEnabled(false);
}

TBuchungF::~TBuchungF() {
    // The controls go away after this body: a focus change then must neither write a
    // pending text into the booking nor reach this screen's reactions.
    delete bindings_;
    bindings_ = nullptr;
    bookings_.disconnect(this);
    rules_.disconnect(this);
}

void TBuchungF::bindControls() {
    const Ui::TBuchungF& u = *ui_;
    bindings_ = new BindingSet(bookings_, this);
    const std::pair<const char*, QLineEdit*> edits[] = {
        {"Buchungsnummer", u.DBBuchungsnummer}, {"Datum", u.DBEdit2},        {"Empfaenger/Absender", u.DBEdit1},
        {"Buchungstext", u.DBEdit4},           {"Betrag", u.DBEdit3},
    };
    for (const auto& [field, edit] : edits) {
        bindings_->add<LineEditBinding>(QString::fromLatin1(field), edit);
        const FieldDef& def = bookings_.fields()[bookings_.field(QString::fromLatin1(field))];
        if (def.type == FieldType::Text) edit->setMaxLength(def.size);
    }
    bindings_->add<RadioBinding>(kDirection, u.directionGroup, u.DBRadioGroup1);
    bindings_->add<ComboBinding>(kCategory, u.CBKategorie);
    bindings_->add<ComboBinding>(kAccount, u.CBBestand);
    for (QComboBox* box : {u.CBKategorie, u.CBBestand}) box->lineEdit()->setMaxLength(50);
}

void TBuchungF::connectControls() {
    Ui::TBuchungF& u = *ui_;
    connect(u.BNeu, &QPushButton::clicked, this, [this] { newBooking(); });
    connect(u.BSpeichern, &QPushButton::clicked, this, [this] { saveBooking(); });
    connect(u.BLoeschen, &QPushButton::clicked, this, [this] { deleteBooking(); });
    connect(u.BSchliessen, &QPushButton::clicked, this, [this] { requestClose(); });
    connect(u.DBNavigator2Prior, &QToolButton::clicked, this, [this] { step(-1); });
    connect(u.DBNavigator2Next, &QToolButton::clicked, this, [this] { step(1); });
    connect(u.SpeedButton4, &QToolButton::clicked, this, [this] { editCategories(); });
    connect(u.SpeedButton1, &QToolButton::clicked, this, [this] { openManual(this); });
    connect(u.directionGroup, &QButtonGroup::buttonClicked, this,
            [this](QAbstractButton* b) { directionClicked(ui_->directionGroup->buttons().indexOf(b)); });
    chooseWithArrowKeys(u.directionGroup);  // "Einnahme"/"Ausgabe" with the arrow keys too
    // The balance of the account the box names.
    connect(u.CBBestand, &QComboBox::currentTextChanged, this, [this] { showBalance(); });
}

void TBuchungF::followRecord() {
    const auto recordChanged = [this] {
        if (isVisible()) showRecord();
    };
    connect(&bookings_, &Dataset::currentChanged, this, recordChanged);
    connect(&bookings_, &Dataset::viewReset, this, recordChanged);
    connect(&bookings_, &Dataset::stateChanged, this, [this] {
        if (!isVisible()) return;
        ui_->BSpeichern->setEnabled(bookings_.isOpen() && bookings_.isEditing());
        if (bookings_.state() == Dataset::State::Insert) refillCategories();
    });
    // The rules' notices while this screen is in use; shown after the store.
    connect(&rules_, &BookingRules::notice, this, [this](const QString& text) {
        if (isVisible()) notices_->add(text);
    });
}

// ============================================================ showing and closing

int TBuchungF::exec() {
    prepareShow();
    const int result = QDialog::exec();
    ui_->DBGrid2->saveWidths();
    return result;
}

void TBuchungF::prepareShow() {
    ui_->DBGrid2->loadWidths();
    bindings_->refreshAll();
    showRecord();  // account box, category box, balance, the fields of a transfer
    ui_->BSpeichern->setEnabled(bookings_.isOpen() && bookings_.isEditing());
    if (bookings_.isOpen() && bookings_.isModified()) ui_->DBBuchungsnummer->setFocus(Qt::OtherFocusReason);
}

bool TBuchungF::requestClose() {
    if (bookings_.isOpen() && bookings_.isEditing()) {
        switch (ask(this, kCloseQuestion, Buttons::YesNoCancel)) {
            case Answer::Yes:
                saveBooking();
                if (bookings_.isEditing()) return false;  // refused: the booking stays on the screen
                break;
            case Answer::No:
                bookings_.cancel();
                bindings_->refreshAll();
                break;
            default: return false;
        }
    }
    QDialog::reject();
    return true;
}

void TBuchungF::reject() { requestClose(); }

// ============================================================ what the record shows

void TBuchungF::showRecord() {
    if (!bookings_.isOpen()) return;
    refillCategories();
    fillAccounts(QString());
    showBalance();
    // A transfer has neither payer nor category nor account of its own to show.
    const bool transfer =
        (bookings_.isEditing() || !bookings_.isEmpty()) && rules_.isTransfer(bookings_.currentRow());
    for (QWidget* w : {static_cast<QWidget*>(ui_->DBEdit1), static_cast<QWidget*>(ui_->Label_DBEdit1),
                       static_cast<QWidget*>(ui_->CBKategorie), static_cast<QWidget*>(ui_->Label_CBKategorie),
                       static_cast<QWidget*>(ui_->SpeedButton4), static_cast<QWidget*>(ui_->CBBestand),
                       static_cast<QWidget*>(ui_->Label_CBBestand), static_cast<QWidget*>(ui_->L1)})
        w->setVisible(!transfer);
}

// The categories of the booking's direction; the box shows the booking's category.
void TBuchungF::refillCategories() {
    if (!bookings_.isOpen()) return;
    replaceItems(ui_->CBKategorie, rules_.categoriesFor(bookings_.text(kDirection)));
    if (FieldBinding* b = bindings_->binding(kCategory)) b->refresh();
}

// The account list; the box shows the given account, or the booking's.
void TBuchungF::fillAccounts(const QString& account) {
    if (!bookings_.isOpen()) return;
    replaceItems(ui_->CBBestand, rules_.accounts());
    if (account.isEmpty()) {
        if (FieldBinding* b = bindings_->binding(kAccount)) b->refresh();
    } else {
        ui_->CBBestand->setEditText(account);
    }
}

void TBuchungF::showBalance() {
    const QString account = ui_->CBBestand->currentText();
    ui_->L1->setText(moneyToCurrency(data_.settings().AccountBalanceGet(account)));
}

// ============================================================ buttons

bool TBuchungF::commitTyped() {
    return guarded(this, [this] { bindings_->commitAll(); });
}

void TBuchungF::directionClicked(int) {
    // The category typed so far stays the booking's; the list is the new direction's.
    if (FieldBinding* b = bindings_->binding(kCategory)) guarded(this, [b] { b->commit(); });
    refillCategories();
}

void TBuchungF::newBooking() {
    if (!bookings_.isOpen() || !commitTyped()) return;
    if (!guarded(this, [this] { bookings_.insert(); })) return;
    bindings_->refreshAll();
    ui_->BSpeichern->setEnabled(true);
    ui_->DBBuchungsnummer->setFocus(Qt::OtherFocusReason);
}

void TBuchungF::saveBooking() {
    if (!bookings_.isOpen() || !commitTyped()) return;
    if (ui_->CBBestand->currentText().isEmpty()) {
        inform(this, BookingRules::kNoAccountMessage);
        return;
    }
    if (!bookings_.isEditing()) return;
    bool stored = false;
    guarded(this, [&] {
        rules_.correctLetterCase(bookings_);
        stored = bookings_.post();
    });
    notices_->showNow();
    if (!stored) return;
    ui_->BSpeichern->setEnabled(false);
    showRecord();  // the lists may have learned a name, the balance has changed
}

void TBuchungF::deleteBooking() {
    if (!bookings_.isOpen() || (bookings_.isEmpty() && !bookings_.isEditing())) return;
    if (askDelete(this, kDeleteQuestion) != Answer::Yes) return;
    guarded(this, [this] { bookings_.remove(); });
    bindings_->refreshAll();
    showRecord();
}

void TBuchungF::step(int direction) {
    if (!bookings_.isOpen() || !commitTyped()) return;
    guarded(this, [this, direction] { bookings_.moveBy(direction); });
}

void TBuchungF::editCategories() {
    if (openCategories) openCategories();
    fillAccounts(QString());
    refillCategories();
    showBalance();
}
