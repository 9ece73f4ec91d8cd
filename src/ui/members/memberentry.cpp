#include "memberentry.h"

#include "common/bindings.h"
#include "common/comboitems.h"
#include "common/desktop.h"
#include "common/help.h"
#include "common/look.h"
#include "common/messages.h"
#include "common/notices.h"
#include "common/popupcombobox.h"
#include "data/datamodule.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "members/banklookup.h"
#include "members/memberrules.h"
#include "session/session.h"
#include "ui_memberentry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

using namespace ferolind;
using namespace ferolind::ui;

namespace {

// Binds a control to a member field by its kind; a text field (also the one of an
// editable box) takes no more characters than its column holds.
void bindControl(BindingSet& bindings, Dataset& members, const QString& field, QWidget* control) {
    QLineEdit* text = nullptr;
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        bindings.add<LineEditBinding>(field, edit);
        text = edit;
    } else if (auto* box = qobject_cast<QComboBox*>(control)) {
        bindings.add<ComboBinding>(field, box);
        text = box->lineEdit();
    } else if (auto* check = qobject_cast<QCheckBox*>(control)) {
        bindings.add<CheckBinding>(field, check);
    } else if (auto* radio = control->findChild<QRadioButton*>()) {
        bindings.add<RadioBinding>(field, radio->group(), control);  // a frame of radio buttons
    } else {
        throw std::logic_error("no binding for control " + control->objectName().toStdString());
    }
    const FieldDef& def = members.fields()[members.field(field)];
    if (text && def.type == FieldType::Text && def.size > 0) text->setMaxLength(def.size);
}

}  // namespace

// ============================================================ construction

TDatenEingebenF::TDatenEingebenF(Session& session, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::TDatenEingebenF>()),
      members_(session.data().members()),
      settings_(session.data().settingsEntries()),
      rules_(session.memberRules()),
      entry_(session),
      notices_(new NoticeQueue(this)) {
    ui_->setupUi(this);
    applyScreenLook(this);
    // The BIC beside the IBAN keeps its room, shown or not, apart from the field: the
    // screen does not widen when a BIC appears.
    ui_->ibanLayout->setSpacing(12);
    ui_->LBIC->setMinimumWidth(ui_->LBIC->fontMetrics().horizontalAdvance(QStringLiteral("BIC: WWWWWWWWWWW")));
    // The style's own symbols, which a layout file cannot name.
    ui_->SpeedButton5->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
    // The pointing hand where the font has one.
    if (!QFontMetrics(ui_->SpeedButton4->font()).inFont(QChar(0x261E))) ui_->SpeedButton4->setText(QStringLiteral("…"));
    ui_->ComboBox1->addItems(MemberEntryRules::searchFieldItems());
    ui_->ComboBox1->setCurrentIndex(0);  // "ID"

    bindControls();
    connectControls();
    followRecord();

    // The bank code file comes with the program; the user may replace it.
    ensureBankCodeFile();

    ui_->BBeitragBuchen->setEnabled(false);
    ui_->BeitragLoeschen->setEnabled(false);
    ui_->BSpeichern->setEnabled(false);
}

TDatenEingebenF::~TDatenEingebenF() {
    // The controls go away after this body: a focus change then must neither write a
    // pending text into the record nor reach this screen's reactions.
    delete bindings_;
    bindings_ = nullptr;
    members_.disconnect(this);
    rules_.disconnect(this);
}

void TDatenEingebenF::connectControls() {
    Ui::TDatenEingebenF& u = *ui_;
    connect(u.BNeu, &QPushButton::clicked, this, [this] { newMember(); });
    connect(u.BSpeichern, &QPushButton::clicked, this, [this] { saveMember(); });
    connect(u.BLoeschen, &QPushButton::clicked, this, [this] { deleteMember(); });
    connect(u.BSchliessen, &QPushButton::clicked, this, [this] { requestClose(); });
    connect(u.DBNavigator2Prior, &QToolButton::clicked, this, [this] { stepMember(-1); });
    connect(u.DBNavigator2Next, &QToolButton::clicked, this, [this] { stepMember(1); });
    connect(u.SpeedButton1, &QToolButton::clicked, this, [this] { findMember(); });
    connect(u.EFind, &QLineEdit::returnPressed, this, [this] { findMember(); });
    connect(u.SpeedButton5, &QToolButton::clicked, this, [this] { openManual(this); });
    connect(u.BEMail, &QToolButton::clicked, this, [this] { sendEmail(); });
    connect(u.SpeedButton4, &QToolButton::clicked, this, [this] { editFeeClasses(); });
    connect(u.BBeitragBuchen, &QPushButton::clicked, this, [this] { bookFee(); });
    connect(u.BeitragLoeschen, &QPushButton::clicked, this, [this] { deleteFeePayments(); });

    // Leaving and entering fields runs their lookups and checks.
    for (QWidget* w :
         {static_cast<QWidget*>(u.DBID), static_cast<QWidget*>(u.DBEdit5), static_cast<QWidget*>(u.DBEdit15),
          static_cast<QWidget*>(u.DBEdit17), static_cast<QWidget*>(u.DBComboBox1)})
        w->installEventFilter(this);
    connect(u.DBComboBox1, &PopupComboBox::popupAboutToShow, this, [this] { enterFeeClassBox(); });

    connect(u.DBComboBox1, &QComboBox::currentTextChanged, this, [this] { feeClassTextChanged(); });
    connect(u.EIBAN, &QLineEdit::editingFinished, this, [this] { takeTypedIban(); });

    // The direct-debit data go into the record as they are typed, so that the rule sees
    // them at once (the text field's binding has put the record into edit mode first).
    // A text the field cannot take yet (a letter in the bank code) stays pending and is
    // reported when the field is left, not at every keystroke.
    for (const char* field : {"Kontonummer", "Betrag", "Bankleitzahl", "Kontoinhaber"}) {
        FieldBinding* b = bindings_->binding(QString::fromLatin1(field));
        if (auto* edit = qobject_cast<QLineEdit*>(b->control()))
            connect(edit, &QLineEdit::textEdited, b, [b] {
                try {
                    b->commit();
                } catch (const DataError&) {
                }
            });
        connect(b, &FieldBinding::committed, this, [this] {
            guarded(this, [this] { entry_.directDebitDataEdited(); });
            showIban();
        });
    }
}

void TDatenEingebenF::followRecord() {
    connect(&members_, &Dataset::currentChanged, this, [this] { ibanRefused_ = false; });
    connect(&members_, &Dataset::stateChanged, this, [this] {
        if (!members_.isEditing()) ibanRefused_ = false;
    });
    // What the screen shows besides the bound fields follows the record.
    for (auto signal : {&Dataset::currentChanged, &Dataset::rowUpdated})
        connect(&members_, signal, this, [this] {
            showDirectDebit();
            showIban();
        });
    for (auto signal : {&Dataset::stateChanged, &Dataset::viewReset})
        connect(&members_, signal, this, [this] {
            showDirectDebit();
            showIban();
        });
    const auto recordChanged = [this] {
        if (isVisible()) refreshRecordDependents();
    };
    connect(&members_, &Dataset::currentChanged, this, recordChanged);
    connect(&members_, &Dataset::viewReset, this, recordChanged);
    connect(&members_, &Dataset::stateChanged, this, [this] {
        // A new member can always have a fee booked; "Speichern" while there is something to store.
        if (members_.state() == Dataset::State::Insert) setFeeButtonWanted(true);
        if (isVisible()) ui_->BSpeichern->setEnabled(members_.isEditing());
    });
    connect(&members_, &Dataset::currentRecordLost, this, [this] {
        if (isVisible()) notices_->add(MemberEntryRules::kMemberGoneMessage);
    });
    // The rules' notices while this screen is in use; shown after the store.
    connect(&rules_, &MemberRules::notice, this, [this](const QString& text) {
        if (isVisible()) notices_->add(text);
    });
    // A salutation the rules learned at a store (or another workstation's, after a
    // re-read) is offered at once; queued, so that the store is over.
    connect(
        &settings_, &Dataset::contentChanged, this,
        [this] {
            if (!isVisible()) return;
            QStringList items;
            for (int i = 0; i < ui_->CBAnrede->count(); ++i) items << ui_->CBAnrede->itemText(i);
            const QStringList learned = entry_.salutations();
            if (learned != items) replaceItems(ui_->CBAnrede, learned);
        },
        Qt::QueuedConnection);
}

void TDatenEingebenF::bindControls() {
    const Ui::TDatenEingebenF& u = *ui_;
    const std::pair<const char*, QWidget*> bound[] = {
        {"ID", u.DBID},
        {"Anrede", u.CBAnrede},
        {"Vorname", u.DBEdit2},
        {"Nachname", u.DBEdit1},
        {"Strasse", u.DBEdit3},
        {"Land", u.DBEdit4},
        {"PLZ", u.DBEdit5},
        {"Ort", u.CBOrt},
        {"Telefon1", u.DBEdit8},
        {"Telefon2", u.DBEdit9},
        {"Telefax", u.DBEdit10},
        {"Email", u.EEmail},
        {"Geburtsdatum", u.DBEdit12},
        {"EintrittDatum", u.DBEintritt},
        {"AustrittDatum", u.DBEdit14},
        {"Geschlecht", u.DBRadioGroup1},
        {"Status", u.DBRadioGroup2},
        {"Kontonummer", u.DBEdit7},
        {"Bankleitzahl", u.DBEdit15},
        {"Bank", u.DBEdit16},
        {"Kontoinhaber", u.DBEdit17},
        {"Sonstiges1", u.DBEdit18},
        {"Sonstiges2", u.DBEdit19},
        {"Sonstiges3", u.DBEdit20},
        {"Sonstiges4", u.DBEdit21},
        {"Betrag", u.DBComboBox1},
        {"DTAUS", u.DBCheckBox1},
    };
    bindings_ = new BindingSet(members_, this);
    for (const auto& [field, control] : bound) bindControl(*bindings_, members_, QString::fromLatin1(field), control);
    bindings_->refreshAll();
}

void TDatenEingebenF::setFreeFieldLabels(const FreeFieldLabels& labels) {
    QLabel* captions[] = {ui_->Label_DBEdit18, ui_->Label_DBEdit19, ui_->Label_DBEdit20, ui_->Label_DBEdit21};
    for (int i = 0; i < 4; ++i) captions[i]->setText(labels.s[i]);
}

// ============================================================ showing and closing

int TDatenEingebenF::exec() {
    prepareShow();
    return QDialog::exec();
}

void TDatenEingebenF::prepareShow() {
    // Without a database the screen takes no typing and offers no action on a member.
    const bool open = members_.isOpen();
    for (QWidget* w : std::initializer_list<QWidget*>{ui_->PageControl1, ui_->BNeu, ui_->BLoeschen,
                                                      ui_->DBNavigator2Prior, ui_->DBNavigator2Next, ui_->ComboBox1,
                                                      ui_->EFind, ui_->SpeedButton1})
        w->setEnabled(open);
    replaceItems(ui_->CBAnrede, entry_.salutations());
    bindings_->refreshAll();
    refreshRecordDependents();
    refillFeeClasses();
    applyOpenerStates();
    ui_->BSpeichern->setEnabled(members_.isEditing());
    showDirectDebit();
    showIban();
    if (members_.isModified()) {
        ui_->PageControl1->setCurrentIndex(0);
        ui_->DBID->setFocus(Qt::OtherFocusReason);
    }
}

void TDatenEingebenF::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    showDirectDebit();
}

bool TDatenEingebenF::requestClose() {
    if (members_.isOpen() && members_.isEditing()) {
        switch (ask(this, MemberEntryRules::kCloseQuestion, Buttons::YesNoCancel)) {
            case Answer::Cancel: return false;
            case Answer::Yes:
                if (!commitTyped()) return false;
                if (!guarded(this, [this] {
                        if (!members_.post()) throw DataError(QStringLiteral("Das Mitglied wurde nicht gespeichert."));
                    })) {
                    notices_->showNow();
                    return false;  // the record stays on the screen, nothing is lost
                }
                notices_->showNow();
                break;
            default: members_.cancel(); break;
        }
    }
    QDialog::reject();
    return true;
}

void TDatenEingebenF::reject() { requestClose(); }

// ============================================================ record change

void TDatenEingebenF::refreshRecordDependents() {
    if (!members_.isOpen()) return;
    // "Beitrag buchen" while the current fee is unpaid; a failure leaves it as it was.
    try {
        setFeeButtonWanted(!members_.value(QStringLiteral("BeitragAktuellBezahlt")).toBool());
    } catch (const DataError&) {
    }
    updatePaidPeriods();
    ui_->Label28->setText(rules_.feeTextOfClass(ui_->DBComboBox1->currentText()));
}

void TDatenEingebenF::updatePaidPeriods() {
    const QVariant id = members_.isOpen() ? members_.value(QStringLiteral("ID")) : QVariant();
    ui_->MBeitrag->setPlainText(id.isNull() ? QString() : rules_.paidPeriodLines(id.toInt()).join(QLatin1Char('\n')));
}

void TDatenEingebenF::setFeeButtonWanted(bool on) {
    feeButtonWanted_ = on;
    applyOpenerStates();
}

void TDatenEingebenF::applyOpenerStates() {
    // The fee payment screens are reached only once they are there.
    ui_->BBeitragBuchen->setEnabled(feeButtonWanted_ && bool(openFeePayment));
    ui_->BeitragLoeschen->setEnabled(bool(openFeePaymentDeletion));
}

// ============================================================ buttons

bool TDatenEingebenF::commitTyped() {
    return guarded(this, [this] { bindings_->commitAll(); });
}

void TDatenEingebenF::newMember() {
    ui_->BSpeichern->setEnabled(true);
    if (!commitTyped()) return;
    if (!guarded(this, [this] { members_.insert(); })) return;
    updatePaidPeriods();
    ui_->PageControl1->setCurrentIndex(0);
    ui_->DBID->setFocus(Qt::OtherFocusReason);
}

void TDatenEingebenF::saveMember() {
    if (!members_.isOpen() || !members_.isEditing()) return;
    if (!commitTyped()) return;
    bool stored = false;
    guarded(this, [&] { stored = members_.post(); });
    notices_->showNow();  // what the rules found, e.g. an unknown fee class (stored all the same)
    if (stored) ui_->BSpeichern->setEnabled(false);
}

void TDatenEingebenF::deleteMember() {
    if (!members_.isOpen() || (members_.isEmpty() && !members_.isEditing())) return;
    const QString question = MemberEntryRules::deleteQuestion(members_.text(QStringLiteral("Vorname")),
                                                              members_.text(QStringLiteral("Nachname")));
    if (askDelete(this, question) != Answer::Yes) return;
    guarded(this, [this] { members_.remove(); });
}

void TDatenEingebenF::stepMember(int direction) {
    if (!members_.isOpen() || !commitTyped()) return;
    guarded(this, [this, direction] { members_.moveBy(direction); });
}

void TDatenEingebenF::findMember() {
    if (!members_.isOpen() || !commitTyped()) return;
    guarded(this, [this] { entry_.search(ui_->ComboBox1->currentText(), ui_->EFind->text()); });
}

void TDatenEingebenF::sendEmail() {
    const QString address = ui_->EEmail->text().trimmed();
    if (address.isEmpty()) {
        inform(this, QString::fromUtf8(kNoEmailAddressMessage));
        return;
    }
    if (!openExternally(mailtoUrl(address)))
        inform(this, QString::fromUtf8(kNoMailProgramMessage).arg(address));
}

void TDatenEingebenF::editFeeClasses() {
    if (openFeeClasses) openFeeClasses();
    refillFeeClasses();
    feeClassTextChanged();
}

void TDatenEingebenF::bookFee() {
    if (!openFeePayment) return;
    if (!commitTyped()) return;
    openFeePayment();
    // The fee-paid flag at once, not only when control returns to the event loop.
    guarded(this, [this] { rules_.refreshComputedValues(); });
    refreshRecordDependents();
}

void TDatenEingebenF::deleteFeePayments() {
    if (!openFeePaymentDeletion) return;
    if (!guarded(this, [this] { entry_.restrictFeePaymentsToMember(); })) return;
    openFeePaymentDeletion();
    guarded(this, [this] {
        entry_.releaseFeePayments();
        rules_.refreshComputedValues();
    });
    refreshRecordDependents();
}

// ============================================================ fee class and direct debit

void TDatenEingebenF::refillFeeClasses() {
    const QStringList names = entry_.sortedFeeClassNames();
    replaceItems(ui_->DBComboBox1, names);
    ui_->Label29->setVisible(names.isEmpty());
}

void TDatenEingebenF::feeClassTextChanged() {
    ui_->Label28->setText(rules_.feeTextOfClass(ui_->DBComboBox1->currentText()));
}

void TDatenEingebenF::showDirectDebit() {
    // Shown only: the record is changed by the rules, never by showing it.
    const bool possible = entry_.directDebitPossible();
    ui_->DBCheckBox1->setEnabled(possible);
    ui_->Label27->setVisible(!possible);
}

void TDatenEingebenF::showIban() {
    if (!bindings_) return;
    const QString iban = entry_.ibanText();
    if (!ibanRefused_) ui_->EIBAN->setText(iban);
    const qint64 code = iban.isEmpty() ? 0 : members_.value(QStringLiteral("Bankleitzahl")).toLongLong();
    if (code != bicBankCode_) {
        bicBankCode_ = code;
        bic_ = code ? entry_.bicText() : QString();
    }
    ui_->LBIC->setText(bic_.isEmpty() ? QString() : QStringLiteral("BIC: ") + bic_);
}

void TDatenEingebenF::takeTypedIban() {
    if (!members_.isOpen() || !bindings_) return;
    const QString typed = ui_->EIBAN->text();
    const bool taken = guarded(this, [this, &typed] { entry_.takeIban(typed); });
    for (const char* field : {"Bankleitzahl", "Kontonummer", "Bank"})
        if (FieldBinding* b = bindings_->binding(QString::fromLatin1(field))) b->refresh();
    ibanRefused_ = !taken;
    if (!taken) {
        // Refused: the record is unchanged, the typed text and the cursor stay in the
        // field to be corrected, as in the date fields.
        ui_->EIBAN->setText(typed);
        refocusLater(ui_->EIBAN);
        return;
    }
    guarded(this, [this] { entry_.directDebitDataEdited(); });
    showIban();  // the IBAN of what the record holds now, grouped
}

bool TDatenEingebenF::checkFeeClass() {
    const QString text = ui_->DBComboBox1->currentText();
    if (text.isEmpty() || entry_.feeClassExists(text)) return true;
    inform(this, MemberRules::kWrongFeeClassMessage);
    refocusLater(ui_->DBComboBox1);
    return false;
}

// ============================================================ entering and leaving fields

bool TDatenEingebenF::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::FocusIn && type != QEvent::FocusOut) return QDialog::eventFilter(watched, event);
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    // Switching windows, a message box or the box's own list is no entering or leaving.
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason || refocusing_)
        return QDialog::eventFilter(watched, event);
    if (type == QEvent::FocusOut) {
        if (watched == ui_->DBID)
            leaveMemberNumber();
        else if (watched == ui_->DBEdit5)
            leavePostalCode();
        else if (watched == ui_->DBEdit15)
            leaveBankCode();
        else if (watched == ui_->DBComboBox1)
            checkFeeClass();
    } else {
        if (watched == ui_->DBEdit17)
            enterAccountHolder();
        else if (watched == ui_->DBComboBox1)
            enterFeeClassBox();
    }
    return QDialog::eventFilter(watched, event);
}

void TDatenEingebenF::refocusLater(QWidget* w) {
    QTimer::singleShot(0, w, [this, w] {
        refocusing_ = true;
        w->setFocus(Qt::OtherFocusReason);
        refocusing_ = false;
    });
}

// Writes what was typed into the field being left; false when the text does not fit the
// field (its binding reports that right after).
namespace {
bool commitField(BindingSet* bindings, const QString& field) {
    FieldBinding* b = bindings->binding(field);
    if (!b) return true;
    try {
        b->commit();
        return true;
    } catch (const DataError&) {
        return false;
    }
}
}  // namespace

void TDatenEingebenF::leaveMemberNumber() {
    if (!commitField(bindings_, QStringLiteral("ID"))) return;
    if (!ui_->DBID->text().trimmed().isEmpty()) return;
    inform(this, MemberRules::kEmptyNumberMessage);
    refocusLater(ui_->DBID);
}

void TDatenEingebenF::leavePostalCode() {
    if (!commitField(bindings_, QStringLiteral("PLZ"))) return;
    guarded(this, [this] { replaceItems(ui_->CBOrt, entry_.lookUpTowns(ui_->CBOrt->currentText())); });
}

void TDatenEingebenF::leaveBankCode() {
    if (!commitField(bindings_, QStringLiteral("Bankleitzahl"))) return;
    guarded(this, [this] { entry_.lookUpBank(); });
}

void TDatenEingebenF::enterAccountHolder() {
    if (!members_.isOpen()) return;
    guarded(this, [this] { entry_.fillAccountHolder(); });
}

void TDatenEingebenF::enterFeeClassBox() {
    if (!members_.isOpen() || members_.isEditing()) return;
    guarded(this, [this] { members_.edit(); });
}
