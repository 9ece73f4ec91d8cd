// "Mitglieder eingeben/ändern": one member at a time, the current record of the shared
// member dataset, on three pages (personal data, account data, paid fees), with the
// town and bank lookups, the fee class with its fee, the direct-debit switch, a search,
// stepping through the members and the close question.
#pragma once

#include "members/columns.h"
#include "members/memberentryrules.h"

#include <QDialog>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QToolButton;

namespace ferolind {
class Dataset;
class MemberRules;
class Session;
namespace ui {
class BindingSet;
}
}  // namespace ferolind

class TDatenEingebenF : public QDialog {
    Q_OBJECT
public:
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
    void buildPersonalPage(QWidget* page);
    void buildAccountPage(QWidget* page);
    void buildPaidPage(QWidget* page);
    QWidget* buildBottomBar();
    void bindControls();

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
    void updateDirectDebit();
    void refillFeeClasses();
    void updatePaidPeriods();
    void setFeeButtonWanted(bool on);
    void applyOpenerStates();
    void refocusLater(QWidget* w);
    bool commitTyped();

    ferolind::Session& session_;
    ferolind::Dataset& members_;
    ferolind::MemberRules& rules_;
    ferolind::MemberEntryRules entry_;
    ferolind::ui::BindingSet* bindings_ = nullptr;

    QTabWidget* pages_ = nullptr;
    // "Persönliche Daten"
    QLineEdit* DBID = nullptr;
    QComboBox* CBAnrede = nullptr;
    QLineEdit *DBEdit2 = nullptr, *DBEdit1 = nullptr, *DBEdit3 = nullptr, *DBEdit4 = nullptr, *DBEdit5 = nullptr;
    QComboBox* CBOrt = nullptr;
    QLineEdit *DBEdit8 = nullptr, *DBEdit9 = nullptr, *DBEdit10 = nullptr, *EEmail = nullptr;
    QToolButton* emailButton_ = nullptr;
    QLineEdit *DBEdit12 = nullptr, *DBEintritt = nullptr, *DBEdit14 = nullptr;
    QGroupBox *DBRadioGroup1 = nullptr, *DBRadioGroup2 = nullptr;
    QButtonGroup *genderGroup_ = nullptr, *statusGroup_ = nullptr;
    // "Kontodaten"
    QLineEdit *DBEdit7 = nullptr, *DBEdit15 = nullptr, *DBEdit16 = nullptr, *DBEdit17 = nullptr;
    QLineEdit* freeEdits_[4] = {};
    QLabel* freeLabels_[4] = {};
    QComboBox* DBComboBox1 = nullptr;
    QLabel *Label28 = nullptr, *Label29 = nullptr, *Label27 = nullptr;
    QToolButton* SpeedButton4 = nullptr;
    QCheckBox* DBCheckBox1 = nullptr;
    QPushButton* BBeitragBuchen = nullptr;
    // "Bezahlte Beiträge"
    QLabel* Label24 = nullptr;
    QPlainTextEdit* MBeitrag = nullptr;
    QPushButton* BeitragLoeschen = nullptr;
    // Bottom bar
    QPushButton *BNeu = nullptr, *BSpeichern = nullptr, *BLoeschen = nullptr, *BSchliessen = nullptr;
    QToolButton *SpeedButton5 = nullptr, *SpeedButton1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QLineEdit* EFind = nullptr;
    QToolButton *navPrior_ = nullptr, *navNext_ = nullptr;

    bool feeButtonWanted_ = false;
    int refreshDepth_ = 0;  // > 0 while the bound controls follow the record
    bool updatingDirectDebit_ = false;
    bool refocusing_ = false;  // a check puts the focus back: no leave reactions
    bool closing_ = false;     // the close question stores or discards: no rules then
};
