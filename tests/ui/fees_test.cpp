// The fee screens in the program: "Mitgliedsbeitrag buchen" with and without the income
// booking, "Beiträge löschen" from the member entry screen, and "Beitragssäumige
// anzeigen" following the payments; the period kind choice, the name search and the
// conversion message of the boxes.
#include "booking/bookingentry.h"
#include "booking/bookingrules.h"
#include "club.h"
#include "common/datasetgrid.h"
#include "fees/arrearsscreen.h"
#include "fees/feepayments.h"
#include "fees/feepaymentscreen.h"
#include "fees/paymentdeletion.h"
#include "mainform.h"
#include "members/memberentry.h"
#include "messagescript.h"
#include "scriptedprogram.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace ferolind;
namespace pay = ferolind::ui::feepaymentscreen::controls;
namespace del = ferolind::ui::paymentdeletion::controls;
namespace arr = ferolind::ui::arrearsscreen::controls;

namespace {

using test::control;

QStringList items(QComboBox* box) {
    QStringList l;
    for (int i = 0; i < box->count(); ++i) l << box->itemText(i);
    return l;
}

// The program on a club of three members; each screen the window opens runs the step
// the test put in for its class, instead of a modal loop.
struct FeeProgram : ::testing::Test, test::ScriptedProgram {
    test::Club club;
    test::MessageScript script;
    const QDate today = QDate::currentDate();
    const QString year = QString::number(QDate::currentDate().year());
    const QString month = QString::number(QDate::currentDate().month());

    void SetUp() override {
        Dataset& classes = club.data->feeClasses();
        classes.insert();
        classes.setText("Name", "Erwachsene");
        classes.setText("Beitrag", "60,00");
        ASSERT_TRUE(classes.post());
        club.addMember({{"ID", "1"}, {"Vorname", "Anna"}, {"Nachname", "Berg"}, {"Betrag", "Erwachsene"}});
        club.addMember({{"ID", "2"}, {"Vorname", "Bert"}, {"Nachname", "Cramer"}});
        club.addMember({{"ID", "3"}, {"Vorname", "Carl"}, {"Nachname", "Bertram"}});
        club.data->settings().DbSettingSetList(BookingRules::kAccounts, {"Kasse"});
        club.data->settings().DbSettingSetInt(kPaymentPeriodEntry, 0);

        startProgram();
    }
    void TearDown() override { stopProgram(); }

    TBeitragBuchenF* fees() { return window->feePaymentScreen(); }
    QComboBox* feeBox(const char* name) { return control<QComboBox>(fees(), name); }
    int paymentRows() { return test::rawSql(club.folder(), {"SELECT COUNT(*) FROM betrag"}).toInt(); }
    QStringList arrearsShown() {
        QStringList ids;
        Dataset& m = data->members();
        for (int p = 0; p < m.recordCount(); ++p) ids << m.rowAt(p)[m.field("ID")].toString();
        return ids;
    }
    // Picks a member in the open fee payment screen and presses "OK".
    void payFor(const QString& pick) {
        QComboBox* members = feeBox(pay::kMembers);
        members->setCurrentIndex(members->findText(pick));
        ASSERT_EQ(members->currentText(), pick);
        control<QPushButton>(fees(), pay::kOk)->click();
    }
};

TEST_F(FeeProgram, PaymentWithItsBookingThenDeletedFromTheMemberEntry) {
    Dataset& bookings = data->bookings();
    // The booking entry screen opens on the prepared booking; the user picks the account and saves.
    steps["TBuchungF"] = [&](QDialog& d) {
        static_cast<TBuchungF&>(d).prepareShow();
        EXPECT_EQ(bookings.state(), Dataset::State::Insert);
        EXPECT_EQ(bookings.text("Buchungstext"), "Beitragszahlung " + month + " - " + year);
        EXPECT_EQ(bookings.value("Betrag").toLongLong(), 60 * kMoneyUnit);
        EXPECT_EQ(bookings.text("Empfaenger/Absender"), "Anna Berg");
        EXPECT_EQ(bookings.text("Kategorie"), "Beiträge");
        EXPECT_EQ(bookings.text("SollHaben"), "E");
        EXPECT_EQ(paymentRows(), 1) << "the payment row is stored before the booking screen opens";
        bookings.setText("Bestandskonto", "Kasse");
        EXPECT_TRUE(bookings.post());
    };
    steps["TBeitragBuchenF"] = [&](QDialog& d) {
        static_cast<TBeitragBuchenF&>(d).prepareShow();
        // Handed over by the member entry screen.
        EXPECT_EQ(feeBox(pay::kMembers)->currentText(), "1 -  Anna Berg");
        EXPECT_TRUE(control<QCheckBox>(fees(), pay::kMakeBooking)->isChecked());
        control<QPushButton>(fees(), pay::kOk)->click();
        EXPECT_EQ(items(feeBox(pay::kMembers)), (QStringList{"2 -  Bert Cramer", "3 -  Carl Bertram"}));
        EXPECT_EQ(feeBox(pay::kMembers)->currentIndex(), -1);
    };
    bool deletionScreenShowedTheRow = false;
    steps["TBetragLoeschenF"] = [&](QDialog& d) {
        EXPECT_EQ(data->feePayments().recordCount(), 1);
        deletionScreenShowedTheRow = data->feePayments().intValue("Monat") == today.month();
        script.answers = {ui::Answer::No, ui::Answer::Yes};
        control<QPushButton>(&d, del::kDelete)->click();  // Nein: kept
        EXPECT_EQ(paymentRows(), 1);
        control<QPushButton>(&d, del::kDelete)->click();  // Ja
        EXPECT_EQ(paymentRows(), 0);
        EXPECT_EQ(data->feePayments().recordCount(), 0);
        control<QPushButton>(&d, del::kDelete)->click();  // nothing left: no question
    };
    steps["TDatenEingebenF"] = [&](QDialog& d) {
        auto& entry = static_cast<TDatenEingebenF&>(d);
        namespace me = ferolind::ui::memberentry::controls;
        entry.prepareShow();
        QPushButton* book = control<QPushButton>(&d, me::kBookFee);
        ASSERT_TRUE(book->isEnabled());
        book->click();
        QApplication::processEvents();
        EXPECT_FALSE(book->isEnabled()) << "paid for this month";
        EXPECT_EQ(control<QWidget>(&d, me::kPaidPeriods)->property("plainText").toString(), month + " - " + year);
        QPushButton* remove = control<QPushButton>(&d, me::kDeletePayments);
        ASSERT_TRUE(remove->isEnabled());
        remove->click();
        QApplication::processEvents();
        EXPECT_TRUE(book->isEnabled()) << "not paid again";
        EXPECT_TRUE(control<QWidget>(&d, me::kPaidPeriods)->property("plainText").toString().isEmpty());
    };
    data->members().locate("ID", {1});
    window->action("ActMitgliedBearbeiten")->trigger();
    EXPECT_EQ(shown, (QStringList{"TDatenEingebenF", "TBeitragBuchenF", "TBuchungF", "TBetragLoeschenF"}));
    EXPECT_TRUE(deletionScreenShowedTheRow);
    EXPECT_FALSE(data->feePayments().filtered());
    // The booking stays in the journal, and so does its amount on the account.
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT COUNT(*) FROM buchung"}).toInt(), 1);
    EXPECT_EQ(data->settings().AccountBalanceGet("Kasse"), 60 * kMoneyUnit);
    EXPECT_TRUE(script.texts.contains(TBetragLoeschenF::kDeleteQuestion));
}

TEST_F(FeeProgram, PaymentWithoutBookingAndTheBoxesOfTheScreen) {
    ASSERT_TRUE(window->action("ActBeitragBuchen")->isEnabled());
    steps["TBeitragBuchenF"] = [&](QDialog& d) {
        static_cast<TBeitragBuchenF&>(d).prepareShow();
        EXPECT_EQ(items(feeBox(pay::kMembers)), (QStringList{"1 -  Anna Berg", "2 -  Bert Cramer", "3 -  Carl Bertram"}));
        EXPECT_EQ(feeBox(pay::kMembers)->currentIndex(), 0);
        EXPECT_EQ(items(feeBox(pay::kYear)).size(), 21);
        EXPECT_EQ(feeBox(pay::kYear)->currentText(), year);
        EXPECT_EQ(feeBox(pay::kPeriod)->currentText(), month);
        control<QCheckBox>(fees(), pay::kMakeBooking)->setChecked(false);
        payFor("2 -  Bert Cramer");
        // A second payment of the period: the member is no longer offered.
        EXPECT_EQ(items(feeBox(pay::kMembers)), (QStringList{"1 -  Anna Berg", "3 -  Carl Bertram"}));

        // A year that is no whole number: the message, an empty list, no "OK".
        feeBox(pay::kYear)->setEditText("20x1");
        EXPECT_EQ(script.texts.takeLast(), "'20x1' ist kein gültiger Integer-Wert");
        EXPECT_EQ(feeBox(pay::kMembers)->count(), 0);
        EXPECT_FALSE(control<QPushButton>(fees(), pay::kOk)->isEnabled());
        feeBox(pay::kYear)->setEditText(year);
        EXPECT_EQ(feeBox(pay::kMembers)->count(), 2);

        // The name search: surnames beginning with the text.
        control<QLineEdit>(fees(), pay::kNameSearch)->setText("Ber");
        EXPECT_EQ(items(feeBox(pay::kMembers)), (QStringList{"1 -  Anna Berg", "3 -  Carl Bertram"}));
        control<QLineEdit>(fees(), pay::kNameSearch)->setText("O'N");  // a quote is no filter error
        EXPECT_EQ(feeBox(pay::kMembers)->count(), 0);
        control<QLineEdit>(fees(), pay::kNameSearch)->setText("Berg");
        EXPECT_EQ(items(feeBox(pay::kMembers)), QStringList{"1 -  Anna Berg"});
    };
    window->action("ActBeitragBuchen")->trigger();
    EXPECT_EQ(shown, QStringList{"TBeitragBuchenF"});
    EXPECT_EQ(paymentRows(), 1);
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT Monat || '/' || Quartal FROM betrag"}).toString(), month + "/0");
    EXPECT_EQ(data->bookings().state(), Dataset::State::Browse);
    EXPECT_EQ(data->bookings().totalCount(), 0);
    EXPECT_FALSE(script.texts.filter("gespeichert").size());
    // The search filter stays on the members after closing, until the screen opens again.
    EXPECT_EQ(data->members().recordCount(), 1);
    steps["TBeitragBuchenF"] = [&](QDialog& d) { static_cast<TBeitragBuchenF&>(d).prepareShow(); };
    window->action("ActBeitragBuchen")->trigger();
    EXPECT_EQ(data->members().recordCount(), 3);
    EXPECT_TRUE(control<QLineEdit>(fees(), pay::kNameSearch)->text().isEmpty());
}

TEST_F(FeeProgram, PeriodKindIsStoredOnEveryClickAndReadAtStart) {
    QLabel* label = control<QLabel>(fees(), pay::kPeriodLabel);
    EXPECT_TRUE(control<QRadioButton>(fees(), pay::kMonthly)->isChecked());
    control<QRadioButton>(fees(), pay::kQuarterly)->click();
    EXPECT_EQ(data->settings().DbSettingGetInt(kPaymentPeriodEntry), 1);
    EXPECT_EQ(label->text(), "Quartal");
    EXPECT_EQ(items(feeBox(pay::kPeriod)), (QStringList{"1", "2", "3", "4"}));
    control<QRadioButton>(fees(), pay::kYearly)->click();
    EXPECT_EQ(data->settings().DbSettingGetInt(kPaymentPeriodEntry), 2);
    EXPECT_TRUE(feeBox(pay::kPeriod)->isHidden());
    EXPECT_TRUE(label->isHidden());

    // Quarterly opens on quarter 1 of this year, whatever the box shows.
    control<QRadioButton>(fees(), pay::kQuarterly)->click();
    feeBox(pay::kPeriod)->setCurrentText("3");
    club.addPayment(1, today.year(), 0, 1);
    data->feePayments().requery();
    fees()->prepareShow();
    EXPECT_EQ(items(feeBox(pay::kMembers)), (QStringList{"2 -  Bert Cramer", "3 -  Carl Bertram"}));

    // The next start reads the stored kind.
    DataModule secondData;
    Session secondSession(secondData);
    TMainForm second(secondSession);
    second.execScreen = [](QDialog&) { return 0; };
    second.runStartUp();
    EXPECT_TRUE(control<QRadioButton>(second.feePaymentScreen(), pay::kQuarterly)->isChecked());
    // Creating the screen on an open club stores nothing.
    { TBeitragBuchenF another(*session); }
    EXPECT_EQ(data->settings().DbSettingGetInt(kPaymentPeriodEntry), 1);
}

TEST_F(FeeProgram, ArrearsListFollowsThePaymentsAndThePeriod) {
    ASSERT_TRUE(window->action("ActBeitragssaeumige")->isEnabled());
    control<QRadioButton>(fees(), pay::kYearly)->click();
    QStringList listed;
    steps["TBeitragssaumF"] = [&](QDialog& d) {
        auto& screen = static_cast<TBeitragssaumF&>(d);
        screen.prepareShow();
        EXPECT_TRUE(control<QComboBox>(&d, arr::kPeriod)->isHidden());
        EXPECT_EQ(control<QComboBox>(&d, arr::kYear)->currentText(), year);
        listed = arrearsShown();
        // "Exportieren": the member export on the members in arrears.
        shown.clear();
        control<QPushButton>(&d, arr::kExport)->click();
        EXPECT_EQ(shown, QStringList{"TExportF"});
        // "Drucken": the member list print dialog on the members in arrears.
        shown.clear();
        control<QPushButton>(&d, arr::kPrint)->click();
        EXPECT_EQ(shown, QStringList{"TDruckerDialogF"});
        screen.done(0);
    };
    window->action("ActBeitragssaeumige")->trigger();
    EXPECT_EQ(listed, (QStringList{"1", "2", "3"}));
    EXPECT_FALSE(data->members().filtered()) << "closing removes the filter";

    steps["TBeitragBuchenF"] = [&](QDialog& d) {
        static_cast<TBeitragBuchenF&>(d).prepareShow();
        control<QCheckBox>(fees(), pay::kMakeBooking)->setChecked(false);
        payFor("3 -  Carl Bertram");
    };
    window->action("ActBeitragBuchen")->trigger();
    window->action("ActBeitragssaeumige")->trigger();
    EXPECT_EQ(listed, (QStringList{"1", "2"}));

    // Another kind in the fee payment screen: the arrears screen copies its period box.
    control<QRadioButton>(fees(), pay::kMonthly)->click();
    steps["TBeitragssaumF"] = [&](QDialog& d) {
        auto& screen = static_cast<TBeitragssaumF&>(d);
        screen.prepareShow();
        QComboBox* period = control<QComboBox>(&d, arr::kPeriod);
        EXPECT_FALSE(period->isHidden());
        EXPECT_EQ(control<QLabel>(&d, arr::kPeriodLabel)->text(), "Monat");
        EXPECT_EQ(period->currentText(), month);
        EXPECT_EQ(arrearsShown(), (QStringList{"1", "2", "3"})) << "a yearly row is no month";
        // Member 2 pays this month: the list follows a change of the box.
        club.addPayment(2, today.year(), today.month());
        data->feePayments().requery();
        period->setCurrentText(month == "1" ? "2" : "1");
        period->setCurrentText(month);
        EXPECT_EQ(arrearsShown(), (QStringList{"1", "3"}));
        period->setEditText("x");
        EXPECT_EQ(script.texts.takeLast(), "'x' ist kein gültiger Integer-Wert");
        EXPECT_FALSE(data->members().filtered());
        screen.done(0);
    };
    window->action("ActBeitragssaeumige")->trigger();
}

}  // namespace
