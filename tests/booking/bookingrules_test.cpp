// The booking record rules as every caller sees them: numbering, the required asset
// account, learning of categories and accounts, and balances kept in money through
// stores, edits, cancelled edits and deletes, each inside the store's transaction.
#include "booking/accounts.h"
#include "booking/bookingrules.h"
#include "club.h"

#include <gtest/gtest.h>

using namespace ferolind;
using test::Club;

namespace {

const QDate kToday(2011, 6, 15);

struct Books : Club {
    Books() : Club(kToday) {
        rules().today = [] { return kToday; };
        QObject::connect(&rules(), &BookingRules::notice, [this](const QString& m) { notices << m; });
    }
    BookingRules& rules() { return session->bookingRules(); }
    Dataset& b() { return data->bookings(); }
    SettingsStore& s() { return data->settings(); }
    Money balance(const QString& account) { return s().AccountBalanceGet(account); }
    // A new booking from field/text pairs; returns whether the store went through.
    bool book(std::initializer_list<std::pair<const char*, QString>> fields) {
        b().insert();
        for (const auto& [f, v] : fields) b().setText(QString::fromLatin1(f), v);
        return b().post();
    }
    void locate(int number) { ASSERT_TRUE(b().locate("Buchungsnummer", {number})) << number; }
};

constexpr Money euro(qint64 e) { return e * kMoneyUnit; }

}  // namespace

TEST(BookingNumbering, NewTypedEditedAndEmptyNumbers) {
    Books club;
    Dataset& b = club.b();
    club.data->lastBookingNumber = 40;

    b.insert();
    EXPECT_EQ(b.text("Buchungsnummer"), "41");
    EXPECT_EQ(b.text("Datum"), "15.06.2011");
    EXPECT_EQ(b.text("SollHaben"), "E");
    b.cancel();
    EXPECT_EQ(club.data->lastBookingNumber, 40);  // a cancelled booking used up no number

    ASSERT_TRUE(club.book({{"Bestandskonto", "Kasse"}}));
    EXPECT_EQ(club.data->lastBookingNumber, 41);
    ASSERT_TRUE(club.book({{"Buchungsnummer", "5"}, {"Bestandskonto", "Kasse"}}));
    ASSERT_TRUE(club.book({{"Buchungsnummer", "100"}, {"Bestandskonto", "Kasse"}}));
    b.insert();
    EXPECT_EQ(b.text("Buchungsnummer"), "101");  // follows the typed number
    b.cancel();

    // Editing booking 5 never lowers the last number: 6 may be taken on another workstation.
    club.locate(5);
    b.edit();
    b.setText("Buchungstext", "geändert");
    ASSERT_TRUE(b.post());
    b.insert();
    EXPECT_EQ(b.text("Buchungsnummer"), "101");
    // Stored without a number: the last number stays.
    b.setText("Buchungsnummer", "");
    b.setText("Bestandskonto", "Kasse");
    ASSERT_TRUE(b.post());
    EXPECT_EQ(club.data->lastBookingNumber, 100);
}

TEST(BookingRules, WithoutAnAssetAccountNothingIsStored) {
    Books club;
    Dataset& b = club.b();
    for (const QString& account : {QString(), QStringLiteral("   ")}) {
        b.insert();
        b.setText("Betrag", "10");
        b.setText("Bestandskonto", account);
        EXPECT_FALSE(b.post());
        EXPECT_EQ(b.state(), Dataset::State::Insert);  // the record stays for the user to complete
        EXPECT_EQ(club.rules().problems(), QStringList{BookingRules::kNoAccountMessage});
        b.cancel();
    }
    EXPECT_EQ(b.totalCount(), 0);
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT COUNT(*) FROM buchung"}).toInt(), 0);
    EXPECT_EQ(club.notices, (QStringList{BookingRules::kNoAccountMessage, BookingRules::kNoAccountMessage}));
}

// 50 income, edited to 20 expense, moved to another account, deleted.
TEST(BookingBalances, StoreEditMoveAndDelete) {
    Books club;
    Dataset& b = club.b();
    ASSERT_TRUE(club.book({{"Betrag", "50"}, {"SollHaben", "E"}, {"Bestandskonto", "Kasse"}}));
    EXPECT_EQ(club.balance("Kasse"), euro(50));

    b.edit();
    b.setText("SollHaben", "A");
    b.setText("Betrag", "20");
    ASSERT_TRUE(b.post());
    EXPECT_EQ(club.balance("Kasse"), euro(-20));  // 70,00 below the value after the first store

    b.edit();
    b.setText("Bestandskonto", "Bank");
    b.setText("Betrag", "0,015");
    ASSERT_TRUE(b.post());
    EXPECT_EQ(club.balance("Kasse"), 0);
    EXPECT_EQ(club.balance("Bank"), -150);  // exact to the 1/10000 euro

    b.remove();
    EXPECT_EQ(club.balance("Bank"), 0);
    EXPECT_EQ(club.balance("Kasse"), 0);
    // What the file holds, not only the memory.
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT Inhalt FROM blob WHERE Name = 'kontostand_Bank'"}).toString(), "0");
}

TEST(BookingBalances, AnAbandonedEditLeavesEveryBalanceAsItWas) {
    Books club;
    Dataset& b = club.b();
    ASSERT_TRUE(club.book({{"Betrag", "50"}, {"Bestandskonto", "Kasse"}}));
    b.edit();
    b.setText("Betrag", "999");
    b.setText("Bestandskonto", "Bank");
    b.cancel();
    EXPECT_EQ(club.balance("Kasse"), euro(50));
    EXPECT_EQ(club.balance("Bank"), 0);
    // An edit begun without a change and left by moving on changes nothing either.
    b.edit();
    b.checkBrowseMode();
    EXPECT_EQ(club.balance("Kasse"), euro(50));
    // The next real edit takes the old effect out exactly once.
    b.edit();
    b.setText("Betrag", "30");
    ASSERT_TRUE(b.post());
    EXPECT_EQ(club.balance("Kasse"), euro(30));
    // A direction that is neither E nor A is refused: the balance stays.
    b.edit();
    b.setText("SollHaben", "X");
    EXPECT_THROW(b.post(), DataError);
    b.cancel();
    EXPECT_EQ(club.balance("Kasse"), euro(30));
}

// A balance that cannot be updated undoes the store: booking and balance stay as they were.
TEST(BookingBalances, AFailedBalanceUpdateStoresNothing) {
    Books club;
    Dataset& b = club.b();
    ASSERT_TRUE(club.book({{"Betrag", "10"}, {"Bestandskonto", "Kasse"}}));
    club.s().AccountBalanceSet("Kasse", kMoneyLimit - 1);
    b.insert();
    b.setText("Betrag", "5");
    b.setText("Bestandskonto", "Kasse");
    EXPECT_THROW(b.post(), DataError);
    EXPECT_EQ(b.state(), Dataset::State::Insert);
    EXPECT_EQ(b.totalCount(), 1);
    EXPECT_EQ(club.balance("Kasse"), kMoneyLimit - 1);
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT COUNT(*) FROM buchung"}).toInt(), 1);
    b.cancel();

    // An edit that fails the same way keeps the stored amount, and the retry after the
    // balance is mended counts the old effect out once.
    club.s().AccountBalanceSet("Kasse", -kMoneyLimit + euro(15));
    b.first();
    b.edit();
    b.setText("Betrag", "-20");
    EXPECT_THROW(b.post(), DataError);
    EXPECT_EQ(b.state(), Dataset::State::Edit);
    club.s().AccountBalanceSet("Kasse", euro(10));
    ASSERT_TRUE(b.post());
    EXPECT_EQ(club.balance("Kasse"), euro(-20));
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT Betrag FROM buchung"}).toLongLong(), euro(-20));
}

TEST(BookingLearning, CategoriesByDirectionAndNewAccounts) {
    Books club;
    club.s().DbSettingSetList(BookingRules::kIncomeCategories, {"Beiträge"});
    club.s().DbSettingSetList(BookingRules::kAccounts, {"Kasse"});
    struct Case {
        const char* direction;
        const char* category;
        const char* account;
    } cases[] = {
        {"E", "Spenden", "Kasse"}, {"A", "Porto", "Bank"},   {"A", "Spenden", "Kasse"},  // one name, both directions
        {"E", "Beiträge", "Bank"}, {"E", "", "Kasse"},
    };
    for (const Case& c : cases)
        ASSERT_TRUE(club.book({{"SollHaben", c.direction}, {"Kategorie", c.category}, {"Bestandskonto", c.account}}));
    EXPECT_EQ(club.rules().categoriesFor("E"), (QStringList{"Beiträge", "Spenden"}));
    EXPECT_EQ(club.rules().categoriesFor("A"), (QStringList{"Porto", "Spenden"}));
    EXPECT_EQ(club.rules().categoriesFor("X"), club.rules().categoriesFor("E"));
    EXPECT_EQ(club.rules().accounts(), (QStringList{"Kasse", "Bank"}));
}

TEST(BookingLearning, CaseCorrectionOfTypedNames) {
    const QStringList offered = {"Beiträge", "Ärger", "Kasse"};
    struct Case {
        const char* typed;
        const char* corrected;
    } cases[] = {
        {"beiträge", "Beiträge"}, {"Beiträge", ""},  // already offered: nothing to correct
        {"ärger", ""},                               // umlauts are not corrected
        {"kasse", "Kasse"},       {"kASSE", ""},     {"spenden", ""}, {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(correctedName(QString::fromUtf8(c.typed), offered), QString::fromUtf8(c.corrected)) << c.typed;
}

TEST(Transfers, TwoBookingsMoveTheAmountBetweenAccounts) {
    Books club;
    club.s().DbSettingSetList(BookingRules::kAccounts, {"Kasse", "Bank"});
    transfer(*club.data, "Kasse", "Bank", "100", "Einzahlung", QDate(2011, 6, 1));
    EXPECT_EQ(club.balance("Kasse"), euro(-100));
    EXPECT_EQ(club.balance("Bank"), euro(100));
    Dataset& b = club.b();
    ASSERT_EQ(b.totalCount(), 2);
    b.first();
    EXPECT_EQ(b.text("SollHaben"), "E");
    EXPECT_EQ(b.text("Bestandskonto"), "Bank");
    EXPECT_EQ(b.text("Kategorie"), "Kasse");
    EXPECT_EQ(b.text("Empfaenger/Absender"), "Umbuchung");
    EXPECT_EQ(b.text("Datum"), "01.06.2011");
    EXPECT_TRUE(club.rules().isTransfer(b.currentRow()));
    b.next();
    EXPECT_EQ(b.text("SollHaben"), "A");
    EXPECT_EQ(b.text("Bestandskonto"), "Kasse");
    EXPECT_EQ(b.text("Kategorie"), "Bank");
    EXPECT_EQ(club.rules().categoriesFor("E"), QStringList{"Kasse"});
    EXPECT_EQ(club.rules().categoriesFor("A"), QStringList{"Bank"});

    // An amount that is no number stores neither booking.
    try {
        transfer(*club.data, "Kasse", "Bank", "zehn", "", kToday);
        FAIL() << "accepted";
    } catch (const DataError& e) {
        EXPECT_EQ(e.message(), "'zehn' ist kein gültiger Fließkommawert für Feld 'Betrag'");
    }
    EXPECT_EQ(b.totalCount(), 2);
    EXPECT_FALSE(b.isEditing());
    // The second booking refused (its balance would overflow): the first is undone too.
    club.s().AccountBalanceSet("Kasse", -kMoneyLimit + 1);
    EXPECT_THROW(transfer(*club.data, "Kasse", "Bank", "5", "", kToday), DataError);
    EXPECT_EQ(b.totalCount(), 2);
    EXPECT_EQ(club.data->lastBookingNumber, 2);  // the undone first booking used up no number
    EXPECT_EQ(club.balance("Bank"), euro(100));
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT COUNT(*) FROM buchung"}).toInt(), 2);
}

TEST(Recompute, StartValuesListedAccountsLetterCaseAndDirections) {
    Books club;
    SettingsStore& s = club.s();
    s.AccountStartValueSet("Kasse", euro(10));
    s.AccountStartValueSet("Bank", euro(1000));
    ASSERT_TRUE(club.book({{"Betrag", "50"}, {"SollHaben", "E"}, {"Bestandskonto", "Kasse"}}));
    ASSERT_TRUE(club.book({{"Betrag", "20,5"}, {"SollHaben", "A"}, {"Bestandskonto", "kasse"}}));
    // An older program's direction that is neither E nor A counts as expense.
    test::rawSql(club.folder(), {"INSERT INTO buchung (Buchungsnummer, Betrag, SollHaben, Bestandskonto) "
                                 "VALUES (3, 50000, 'X', 'Bank')"});
    ASSERT_TRUE(club.book({{"Betrag", "7"}, {"SollHaben", "E"}, {"Bestandskonto", "Alt"}}));
    // "Alt" was learned by its booking; taken off the list, its entry keeps its value. A
    // name listed twice in another letter case keeps the sum of its first listing.
    s.DbSettingSetList(BookingRules::kAccounts, {"Kasse", "Bank", "KASSE"});
    s.AccountBalanceSet("Alt", euro(3));
    s.AccountBalanceSet("Bank", euro(-12345));
    // A filter on the journal does not narrow the recomputation.
    club.b().applyFilter("Buchungsnummer = '1'");

    recomputeBalances(*club.data);
    EXPECT_EQ(club.balance("Kasse"), euro(10) + euro(50) - 205000);
    EXPECT_EQ(club.balance("Bank"), euro(995));
    EXPECT_EQ(club.balance("Alt"), euro(3));

    // Changing a start value moves the balance by exactly the change.
    s.AccountStartValueSet("Bank", euro(900));
    recomputeBalances(*club.data);
    EXPECT_EQ(club.balance("Bank"), euro(895));
}

TEST(StartValues, TypedAmountsWithoutCurrency) {
    EXPECT_EQ(parseStartValue("50,00"), euro(50));
    EXPECT_EQ(parseStartValue(" -1.234,5 "), -12345000);
    EXPECT_EQ(parseStartValue("50 €"), std::nullopt);
    EXPECT_EQ(parseStartValue("abc"), std::nullopt);
}
