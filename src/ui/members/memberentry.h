// "Mitglieder eingeben/ändern": one member at a time, the current record of the shared
// member dataset, on three pages (personal data, account data, paid fees), with the
// town and bank lookups, the fee class with its fee, the direct-debit switch, a search,
// stepping through the members and the close question. The layout is memberentry.ui.
#pragma once

#include "members/columns.h"
#include "members/memberentryrules.h"

#include <QDialog>
#include <functional>
#include <memory>

namespace Ui {
class TDatenEingebenF;
}

namespace ferolind {
class Dataset;
class MemberRules;
class Session;
namespace ui {
class BindingSet;
class NoticeQueue;
}  // namespace ui
}  // namespace ferolind

// Object names of the screen's controls that are not bound to a member field; a bound
// control is found by its field (ferolind::ui::BindingSet::controlOf).
namespace ferolind::ui::memberentry::controls {
inline constexpr const char* kPages = "PageControl1";
inline constexpr const char* kNew = "BNeu";
inline constexpr const char* kSave = "BSpeichern";
inline constexpr const char* kDelete = "BLoeschen";
inline constexpr const char* kClose = "BSchliessen";
inline constexpr const char* kHelp = "SpeedButton5";
inline constexpr const char* kPrior = "DBNavigator2Prior";
inline constexpr const char* kNext = "DBNavigator2Next";
inline constexpr const char* kSearchField = "ComboBox1";
inline constexpr const char* kSearchValue = "EFind";
inline constexpr const char* kFind = "SpeedButton1";
inline constexpr const char* kSendEmail = "BEMail";
inline constexpr const char* kEditFeeClasses = "SpeedButton4";  // the hand
inline constexpr const char* kFee = "Label28";                  // fee of the chosen class
inline constexpr const char* kNoFeeClassHint = "Label29";
inline constexpr const char* kDirectDebitHint = "Label27";
inline constexpr const char* kBookFee = "BBeitragBuchen";
inline constexpr const char* kPaidPeriods = "MBeitrag";
inline constexpr const char* kDeletePayments = "BeitragLoeschen";
inline constexpr const char* kIban = "EIBAN";  // computed from bank code and account; typed, it sets them
inline constexpr const char* kBic = "LBIC";
}  // namespace ferolind::ui::memberentry::controls

class TDatenEingebenF : public QDialog {
    Q_OBJECT
public:
    // The "@" button without an address, and without a mail program (%1: the address).
    static constexpr const char* kNoEmailAddressMessage = "Für dieses Mitglied ist keine e-Mail-Adresse eingetragen.";
    static constexpr const char* kNoMailProgramMessage =
        "Es ist kein e-Mail-Programm eingerichtet, das eine Nachricht an diese Adresse beginnen kann.\n\n"
        "Die Adresse zum Kopieren:\n%1";

    TDatenEingebenF(ferolind::Session& session, QWidget* parent = nullptr);
    ~TDatenEingebenF() override;

    // Captions of the four free fields ("Sonstiges 1" to "Sonstiges 4" or the club's own).
    void setFreeFieldLabels(const ferolind::FreeFieldLabels& labels);

    // The hand button: opens the fee class screen (set by the main window).
    std::function<void()> openFeeClasses;
    // "Beitrag buchen" and "Eintrag löschen": while these are empty the buttons stay
    // disabled. The fee payment screen takes the current member as its handed-over
    // member (MemberEntryRules::pickText()); the deletion opener runs with the fee
    // payments restricted to the current member.
    std::function<void()> openFeePayment;
    std::function<void()> openFeePaymentDeletion;

    int exec() override;
    // Brings the screen up to date before it shows: salutations, the current member's
    // dependent controls, the fee classes, "Speichern", the focus.
    void prepareShow();
    // The close question when the member has unsaved changes; closes the screen unless
    // the user cancels or the save fails. Returns whether the screen closed.
    bool requestClose();

    // The record change steps: "Beitrag buchen", the paid periods and the fee.
    void refreshRecordDependents();

public slots:
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    qint64 bicBankCode_ = -1;  // the bank code whose BIC is shown
    // A typed IBAN was refused: the field keeps that text to be corrected until another
    // IBAN is taken, the record is stored or left, or another member is shown.
    bool ibanRefused_ = false;
    QString bic_;
    void connectControls();
    void bindControls();
    void followRecord();

    // Reactions of the screen.
    void newMember();
    void saveMember();
    void deleteMember();
    void stepMember(int direction);
    void findMember();
    void sendEmail();
    void editFeeClasses();
    void bookFee();
    void deleteFeePayments();

    void leaveMemberNumber();
    void leavePostalCode();
    void leaveBankCode();
    void enterAccountHolder();
    void enterFeeClassBox();
    bool checkFeeClass();  // false: the box names no fee class (message shown)
    void feeClassTextChanged();
    void showDirectDebit();
    // The IBAN field and the BIC beside it follow the bank code and account number; a
    // typed IBAN goes to MemberEntryRules::takeIban.
    void showIban();
    void takeTypedIban();
    void refillFeeClasses();
    void updatePaidPeriods();
    void setFeeButtonWanted(bool on);
    void applyOpenerStates();
    void refocusLater(QWidget* w);
    bool commitTyped();

    std::unique_ptr<Ui::TDatenEingebenF> ui_;
    ferolind::Dataset& members_;
    ferolind::Dataset& settings_;  // club-wide entries: the salutation list
    ferolind::MemberRules& rules_;
    ferolind::MemberEntryRules entry_;
    ferolind::ui::BindingSet* bindings_ = nullptr;
    ferolind::ui::NoticeQueue* notices_;

    bool feeButtonWanted_ = false;
    bool refocusing_ = false;  // a check puts the focus back: no leave reactions
};
