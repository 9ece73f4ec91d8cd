// The booking entry "Buchungen editieren" and the category screen "Buchungskonten":
// entering, editing and deleting bookings with their balances, the direction's
// categories, the case correction, transfers, the close question, and the three lists.
#include "booking/bookingentry.h"
#include "booking/bookingrules.h"
#include "booking/categories.h"
#include "booking/categorylists.h"
#include "club.h"
#include "messagescript.h"
#include "common/bindings.h"
#include "common/messages.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace ferolind;
using ferolind::ui::Answer;
using ferolind::ui::Buttons;
using ferolind::ui::Kind;
namespace controls = ferolind::ui::bookingentry::controls;

namespace {

const QDate kToday(2011, 6, 15);

class BookingEntryScreen : public ::testing::Test {
protected:
    test::Club club{kToday};
    Dataset& bookings = club.data->bookings();
    SettingsStore& settings = club.data->settings();
    std::unique_ptr<TBuchungF> screen;
    test::MessageScript script;  // answers No when no answer is left
    QStringList& messages = script.texts;
    QList<Answer>& answers = script.answers;

    void SetUp() override {
        club.session->bookingRules().today = [] { return kToday; };
        screen = std::make_unique<TBuchungF>(*club.session, nullptr);
    }
    void TearDown() override {
        screen.reset();
    }
    void open() {
        screen->prepareShow();
        screen->show();
        screen->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(screen.get()));
    }
    template <typename T = QWidget>
    T* get(const char* name) {
        T* w = screen->findChild<T*>(QString::fromLatin1(name));
        if (!w) throw std::runtime_error(std::string("no control ") + name);
        return w;
    }
    template <typename T = QWidget>
    T* field(const char* name) {
        T* w = qobject_cast<T*>(ui::BindingSet::controlOf(screen.get(), QString::fromLatin1(name)));
        if (!w) throw std::runtime_error(std::string("no control for field ") + name);
        return w;
    }
    QComboBox* box(const char* name) { return field<QComboBox>(name); }
    // Enters a field (a text field or an editable box), types the text, leaves it.
    void type(const char* name, const QString& text) {
        QWidget* w = field(name);
        QLineEdit* line = qobject_cast<QLineEdit*>(w);
        if (!line) line = qobject_cast<QComboBox*>(w)->lineEdit();
        line->setFocus(Qt::TabFocusReason);
        line->selectAll();
        if (text.isEmpty())
            QTest::keyClick(line, Qt::Key_Backspace);
        else
            for (QChar ch : text)  // as typed, umlauts included (keyClicks knows ASCII only)
                QTest::sendKeyEvent(QTest::Click, line, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        get(controls::kGrid)->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    }
    void click(const char* name) { get<QAbstractButton>(name)->click(); }
    QStringList items(QComboBox* b) {
        QStringList l;
        for (int i = 0; i < b->count(); ++i) l << b->itemText(i);
        return l;
    }
    Money balance(const QString& account) { return settings.AccountBalanceGet(account); }
};

}  // namespace

TEST_F(BookingEntryScreen, EnterEditAndDeleteABookingWithItsBalance) {
    settings.DbSettingSetList(BookingRules::kIncomeCategories, {"Beiträge", "Spenden"});
    settings.DbSettingSetList(BookingRules::kExpenseCategories, {"Porto"});
    settings.DbSettingSetList(BookingRules::kAccounts, {"Kasse", "Bank"});
    club.data->lastBookingNumber = 40;
    open();

    click(controls::kNew);
    EXPECT_EQ(field<QLineEdit>("Buchungsnummer")->text(), "41");
    EXPECT_EQ(field<QLineEdit>("Datum")->text(), "15.06.2011");
    EXPECT_TRUE(get<QRadioButton>(controls::kIncome)->isChecked());
    EXPECT_EQ(items(box("Kategorie")), (QStringList{"Beiträge", "Spenden"}));
    EXPECT_EQ(items(box("Bestandskonto")), (QStringList{"Kasse", "Bank"}));
    EXPECT_TRUE(get(controls::kSave)->isEnabled());
    EXPECT_TRUE(field("Buchungsnummer")->hasFocus());

    type("Empfaenger/Absender", "Anna Berg");
    type("Buchungstext", "Beitrag 2011");
    type("Betrag", "50");
    type("Kategorie", "beiträge");  // corrected to the listed name
    type("Bestandskonto", "kasse");
    click(controls::kSave);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
    ASSERT_EQ(bookings.totalCount(), 1);
    EXPECT_EQ(bookings.text("Kategorie"), "Beiträge");
    EXPECT_EQ(bookings.text("Bestandskonto"), "Kasse");
    EXPECT_EQ(balance("Kasse"), 50 * kMoneyUnit);
    EXPECT_EQ(get<QLabel>(controls::kBalance)->text(), "50,00 €");
    EXPECT_FALSE(get(controls::kSave)->isEnabled());

    // Editing: an expense of 20 on the same account; the list is now the expense list.
    get<QRadioButton>(controls::kExpense)->click();
    EXPECT_EQ(items(box("Kategorie")), QStringList{"Porto"});
    EXPECT_EQ(box("Kategorie")->currentText(), "Beiträge");  // the booking's category stays
    EXPECT_TRUE(get(controls::kSave)->isEnabled());
    type("Betrag", "20");
    type("Kategorie", "Büromaterial");
    click(controls::kSave);
    EXPECT_EQ(balance("Kasse"), -20 * kMoneyUnit);
    EXPECT_EQ(settings.DbSettingGetList(BookingRules::kExpenseCategories), (QStringList{"Porto", "Büromaterial"}));
    EXPECT_EQ(settings.DbSettingGetList(BookingRules::kIncomeCategories), (QStringList{"Beiträge", "Spenden"}));
    EXPECT_EQ(items(box("Kategorie")), (QStringList{"Porto", "Büromaterial"}));
    EXPECT_EQ(get<QLabel>(controls::kBalance)->text(), "-20,00 €");

    // Deleting asks first; Nein keeps it, Ja removes it and its effect.
    click(controls::kDelete);
    EXPECT_EQ(messages.takeLast(), TBuchungF::kDeleteQuestion);
    EXPECT_EQ(bookings.totalCount(), 1);
    answers << Answer::Yes;
    click(controls::kDelete);
    EXPECT_EQ(bookings.totalCount(), 0);
    EXPECT_EQ(balance("Kasse"), 0);
}

// Another workstation changed the amount since the screen showed the booking: the store
// says so, the typed amount stays on the screen, and saving again takes it.
TEST_F(BookingEntryScreen, AChangeFromAnotherWorkstationIsNamedAndTheEntryStays) {
    open();
    click(controls::kNew);
    type("Betrag", "50");
    type("Bestandskonto", "Kasse");
    click(controls::kSave);
    ASSERT_EQ(bookings.totalCount(), 1);
    {
        DataModule other;
        other.openFolder(club.folder());
        Session session(other);
        session.loadAfterOpen();
        other.bookings().first();
        other.bookings().edit();
        other.bookings().setText("Betrag", "70");
        ASSERT_TRUE(other.bookings().post());
    }
    messages.clear();
    type("Betrag", "80");
    click(controls::kSave);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("an einem anderen Arbeitsplatz geändert")) << messages[0].toStdString();
    EXPECT_EQ(bookings.state(), Dataset::State::Edit);
    EXPECT_EQ(field<QLineEdit>("Betrag")->text(), "80");
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT Inhalt FROM blob WHERE Name = 'kontostand_Kasse'"}).toString(), "70");
    click(controls::kSave);
    EXPECT_EQ(bookings.state(), Dataset::State::Browse);
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT Betrag FROM buchung"}).toLongLong(), 80 * kMoneyUnit);
    EXPECT_EQ(balance("Kasse"), 80 * kMoneyUnit);
}

TEST_F(BookingEntryScreen, WithoutAnAccountTheBookingStaysOnTheScreen) {
    open();
    click(controls::kNew);
    type("Betrag", "10");
    click(controls::kSave);
    EXPECT_EQ(messages, QStringList{BookingRules::kNoAccountMessage});
    EXPECT_EQ(bookings.state(), Dataset::State::Insert);
    EXPECT_EQ(field<QLineEdit>("Betrag")->text(), "10");
    // Only blanks: the screen lets it through, the rule refuses it and says so after the store.
    messages.clear();
    type("Bestandskonto", "  ");
    click(controls::kSave);
    EXPECT_EQ(messages, QStringList{BookingRules::kNoAccountMessage});
    EXPECT_EQ(bookings.totalCount(), 0);
    // Closing: Abbrechen keeps the screen, Ja tries the store (refused: still open), Nein discards.
    messages.clear();
    answers << Answer::Cancel << Answer::Yes;
    EXPECT_FALSE(screen->requestClose());
    EXPECT_FALSE(screen->requestClose());
    EXPECT_EQ(messages, (QStringList{TBuchungF::kCloseQuestion, TBuchungF::kCloseQuestion,
                                     BookingRules::kNoAccountMessage}));
    EXPECT_TRUE(screen->requestClose());
    EXPECT_FALSE(bookings.isEditing());
    EXPECT_EQ(bookings.totalCount(), 0);
}

TEST_F(BookingEntryScreen, TransfersHideTheirFieldsAndTheBalanceFollowsTheAccount) {
    settings.DbSettingSetList(BookingRules::kAccounts, {"Kasse", "Bank"});
    auto add = [&](const char* payee, const char* account, const char* amount) {
        bookings.insert();
        bookings.setText("Empfaenger/Absender", payee);
        bookings.setText("Bestandskonto", account);
        bookings.setText("Betrag", amount);
        ASSERT_TRUE(bookings.post());
    };
    add("Anna Berg", "Kasse", "12,5");
    add("Umbuchung", "Bank", "100");
    bookings.first();
    open();
    EXPECT_TRUE(field("Empfaenger/Absender")->isVisible());
    EXPECT_EQ(get<QLabel>(controls::kBalance)->text(), "12,50 €");
    click(controls::kNext);
    EXPECT_EQ(bookings.position(), 1);
    for (const char* f : {"Empfaenger/Absender", "Kategorie", "Bestandskonto"}) EXPECT_FALSE(field(f)->isVisible()) << f;
    EXPECT_TRUE(field("Buchungstext")->isVisible());
    click(controls::kPrior);
    EXPECT_TRUE(field("Kategorie")->isVisible());
    // Choosing another account in the box shows that account's balance.
    box("Bestandskonto")->setCurrentIndex(1);
    EXPECT_EQ(get<QLabel>(controls::kBalance)->text(), "100,00 €");
}

TEST_F(BookingEntryScreen, CategoryScreenAddsAndDeletesEntries) {
    TBuchungskontenF lists(*club.session);
    lists.prepareShow();
    namespace c = ferolind::ui::categories::controls;
    auto* income = lists.findChild<QListWidget*>(c::kIncomeList);
    auto* accountText = lists.findChild<QLineEdit*>(c::kAccountText);
    auto* incomeText = lists.findChild<QLineEdit*>(c::kIncomeText);
    auto clickIn = [&](const char* name) { lists.findChild<QPushButton*>(name)->click(); };

    clickIn(c::kAddIncome);  // an empty text adds nothing
    incomeText->setText("Spenden");
    clickIn(c::kAddIncome);
    incomeText->setText("Spenden");
    clickIn(c::kAddIncome);  // twice: two equal entries
    EXPECT_TRUE(incomeText->text().isEmpty());
    accountText->setText("Kasse");
    clickIn(c::kAddAccount);
    EXPECT_EQ(settings.DbSettingGetList(BookingRules::kIncomeCategories), (QStringList{"Spenden", "Spenden"}));
    EXPECT_EQ(settings.DbSettingGetList(BookingRules::kAccounts), QStringList{"Kasse"});
    EXPECT_TRUE(settings.DbSettingGetList(BookingRules::kExpenseCategories).isEmpty());

    clickIn(c::kDeleteIncome);  // nothing selected: no question, nothing removed
    EXPECT_TRUE(messages.isEmpty());
    income->setCurrentRow(1);
    clickIn(c::kDeleteIncome);  // Nein
    EXPECT_EQ(messages.takeLast(), kDeleteCategoryQuestion);
    answers << Answer::Yes;
    income->setCurrentRow(1);
    clickIn(c::kDeleteIncome);
    EXPECT_EQ(settings.DbSettingGetList(BookingRules::kIncomeCategories), QStringList{"Spenden"});
    lists.findChild<QListWidget*>(c::kAccountList)->setCurrentRow(0);
    answers << Answer::Yes;
    clickIn(c::kDeleteAccount);
    EXPECT_EQ(messages.takeLast(), kDeleteAccountQuestion);
    EXPECT_TRUE(settings.DbSettingGetList(BookingRules::kAccounts).isEmpty());
}
