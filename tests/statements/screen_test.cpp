// "Kontoauszug einlesen" offscreen: the proposals in the table, the account chosen once,
// the per-row choice and category, "Buchen", and a refused file.
#include "bookings.h"
#include "club.h"
#include "messagescript.h"
#include "statements/statementscreen.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>

using namespace ferolind;
namespace sc = ferolind::ui::statementscreen::controls;

namespace {

QString fixture(const QString& name) { return QDir(QStringLiteral(FEROLIND_STATEMENT_FIXTURES)).filePath(name); }

struct StatementScreen : ::testing::Test {
    test::Club club{QDate(2026, 3, 3)};
    void SetUp() override {
        Dataset& c = club.data->feeClasses();
        c.insert();
        c.setText("Name", "Erwachsene");
        c.setText("Beitrag", "12,00");
        ASSERT_TRUE(c.post());
        club.addMember({{"ID", "1"}, {"Vorname", "Anna"}, {"Nachname", "Berg"}, {"Betrag", "Erwachsene"},
                        {"Bankleitzahl", "37040044"}, {"Kontonummer", "532013000"}});
        club.addPayment(1, 2026, 1);
        club.addPayment(1, 2026, 2);
        test::addBooking(club.data->bookings(), "01.01.2026", "E", "495,10", QString::fromUtf8("Übertrag"),
                         "Anfangsbestand", "Girokonto");
        test::addBooking(club.data->bookings(), "01.01.2026", "E", "0,00", QString::fromUtf8("Übertrag"),
                         "Anfangsbestand", "Kasse");
    }
    int bookings() { return test::rawSql(club.folder(), {"SELECT count(*) FROM buchung"}).toInt(); }
};

TEST_F(StatementScreen, ProposalsChoicesAndBuchen) {
    TKontoauszugF screen(*club.session);
    auto* table = screen.findChild<QTableWidget*>(sc::kProposals);
    auto* account = screen.findChild<QComboBox*>(sc::kAccount);
    auto* book = screen.findChild<QPushButton*>(sc::kBook);
    auto* balance = screen.findChild<QLabel*>(sc::kBalance);
    ASSERT_TRUE(table && account && book && balance);
    EXPECT_FALSE(book->isEnabled());
    ASSERT_TRUE(screen.openFile(fixture("day-b.camt.xml")));
    ASSERT_EQ(table->rowCount(), 7);
    EXPECT_EQ(table->item(1, sc::Entry)->text(), "02.03.2026 +12,00 Anna Berg");
    EXPECT_EQ(table->item(1, sc::Match)->text(), "Beitrag");
    EXPECT_EQ(table->item(1, sc::Certainty)->text(), "95 %");
    EXPECT_TRUE(table->item(1, sc::Reason)->text().contains("03/2026"));
    table->setCurrentCell(3, sc::Match);
    EXPECT_EQ(screen.findChild<QLabel*>(sc::kDetail)->text(), table->item(3, sc::Reason)->text());
    EXPECT_EQ(table->item(6, sc::Match)->text(), "Nicht gebucht");
    EXPECT_FALSE(table->cellWidget(6, sc::Choice)->isEnabled());
    // The IBAN is new: the account is asked for.
    EXPECT_EQ(account->currentIndex(), -1);
    EXPECT_EQ(account->count(), 2);

    {
        test::MessageScript messages;
        book->click();  // without an account
        ASSERT_EQ(messages.texts.size(), 1);
        EXPECT_TRUE(messages.texts[0].contains("kein Bestandskonto bekannt"));
    }
    EXPECT_EQ(bookings(), 2);

    account->setCurrentIndex(account->findText("Girokonto"));
    qobject_cast<QComboBox*>(table->cellWidget(5, sc::Choice))->setCurrentIndex(2);  // the bank fee: rejected
    qobject_cast<QComboBox*>(table->cellWidget(2, sc::Choice))->setCurrentIndex(2);  // Carl is no member here: rejected
    qobject_cast<QComboBox*>(table->cellWidget(3, sc::Choice))->setCurrentIndex(2);  // return of no member here
    // A member typed for Greta's 30,00: refused (no multiple of the fee), the row stays.
    {
        test::MessageScript messages;
        table->item(0, sc::Member)->setText("1");
        ASSERT_EQ(messages.texts.size(), 1);
        EXPECT_TRUE(messages.texts[0].contains("kein Vielfaches")) << messages.texts[0].toStdString();
    }
    EXPECT_EQ(table->item(0, sc::Match)->text(), "Buchung");
    EXPECT_EQ(table->item(0, sc::Member)->text(), "");
    // Carl's 24,00 given to Anna: her April and May.
    table->item(2, sc::Member)->setText("1");
    EXPECT_EQ(table->item(2, sc::Match)->text(), "Beitrag");
    EXPECT_TRUE(table->item(2, sc::Reason)->text().contains("04/2026, 05/2026")) << table->item(2, sc::Reason)->text().toStdString();
    qobject_cast<QComboBox*>(table->cellWidget(2, sc::Choice))->setCurrentIndex(2);  // and then rejected after all
    table->item(4, sc::Category)->setText("Spenden");
    table->item(0, sc::Category)->setText("Spenden");
    book->click();
    EXPECT_EQ(bookings(), 5);
    EXPECT_TRUE(balance->text().startsWith("Gebucht: 3 Buchungen, 1 Beitragszahlungen")) << balance->text().toStdString();
    EXPECT_TRUE(balance->text().contains(QString::fromUtf8("weicht vom Saldo von »Girokonto« (587,10 €) um 4,10 € ab")))
        << balance->text().toStdString();
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT Kategorie FROM buchung WHERE Betrag = 500000"}).toString(), "Spenden");
    // Shown anew: what was booked is imported, the rest can still be booked.
    EXPECT_EQ(table->item(1, sc::Match)->text(), "Schon eingelesen");
    EXPECT_EQ(table->item(5, sc::Match)->text(), "Buchung");
    EXPECT_EQ(account->currentText(), "Girokonto");
    EXPECT_TRUE(screen.findChild<QLabel*>("LKontoHinweis")->text().contains("letzten Einlesen"));
}

TEST_F(StatementScreen, ARefusedFileIsNamedAndNothingCanBeBooked) {
    TKontoauszugF screen(*club.session);
    test::MessageScript messages;
    EXPECT_FALSE(screen.openFile(fixture("../import_test.cpp")));
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].contains("ist kein Kontoauszug"));
    EXPECT_FALSE(screen.findChild<QPushButton*>(sc::kBook)->isEnabled());
    EXPECT_EQ(screen.findChild<QTableWidget*>(sc::kProposals)->rowCount(), 0);
}

}  // namespace
