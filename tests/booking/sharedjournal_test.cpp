// Two workstations on one journal: booking numbers, balances and the club-wide lists are
// decided from the file inside each store, whatever each workstation read earlier; a store
// of a booking another workstation deleted or changed meanwhile is refused with the reason
// and keeps the user's entry; after every interleaving the balances are the recomputation.
#include "booking/accounts.h"
#include "booking/bookingrules.h"
#include "booking/categorylists.h"
#include "booking/yearend.h"
#include "data/rowsetxml.h"
#include "club.h"

#include <gtest/gtest.h>

using namespace ferolind;
using test::Club;
using test::rawSql;

namespace {

const QDate kToday(2026, 3, 2);

// A workstation of its own on the club's file: data module, connection and rules.
struct Workstation {
    DataModule data;
    std::unique_ptr<Session> session;
    explicit Workstation(const QString& folder) {
        data.openFolder(folder);
        session = std::make_unique<Session>(data);
        session->bookingRules().today = [] { return kToday; };
        session->loadAfterOpen();
    }
    Dataset& b() { return data.bookings(); }
    bool book(std::initializer_list<std::pair<const char*, QString>> fields) {
        b().insert();
        for (const auto& [f, v] : fields) b().setText(QString::fromLatin1(f), v);
        return b().post();
    }
    void locate(int number) { ASSERT_TRUE(b().locate("Buchungsnummer", {number})) << number; }
};

constexpr Money euro(qint64 e) { return e * kMoneyUnit; }

// The balance entry as the file holds it.
Money storedBalance(const QString& folder, const QString& account) {
    const QVariant v = rawSql(folder, {QStringLiteral("SELECT Inhalt FROM blob WHERE Name = 'kontostand_%1'").arg(account)});
    return parseMoney(v.toString()).value_or(0);
}

// Every stored balance equals what a recomputation from the journal gives.
void expectBalancesAreTheRecomputation(const QString& folder, const QStringList& accounts) {
    QHash<QString, Money> before;
    for (const QString& a : accounts) before[a] = storedBalance(folder, a);
    Workstation check(folder);
    recomputeBalances(check.data);
    for (const QString& a : accounts) EXPECT_EQ(before[a], storedBalance(folder, a)) << qPrintable(a);
}

QStringList storedList(const QString& folder, const QString& name) {
    const QString t = rawSql(folder, {QStringLiteral("SELECT Inhalt FROM blob WHERE Name = '%1'").arg(name)}).toString();
    QStringList lines = t.split(QStringLiteral("\r\n"));
    if (t.endsWith(QLatin1String("\r\n"))) lines.removeLast();
    return lines;
}

}  // namespace

// A number the file holds (stored by another workstation, or brought by a restore) is never
// handed out again, and the entry of the last number is never lowered by an edit.
TEST(SharedJournal, BookingNumbersComeFromTheFile) {
    Club club;
    Workstation a(club.folder()), b(club.folder());
    ASSERT_TRUE(a.book({{"Betrag", "1"}, {"Bestandskonto", "Kasse"}}));
    // Booking 4 arrived past every workstation's memory (a restore, an older program).
    rawSql(club.folder(), {"INSERT INTO buchung (Buchungsnummer, Bestandskonto, SollHaben, Betrag) "
                           "VALUES (4, 'Kasse', 'E', 0)"});
    // b's memory knows of no booking at all: it proposes 1, the store takes 5.
    b.b().insert();
    EXPECT_EQ(b.b().text("Buchungsnummer"), "1");
    b.b().setText("Bestandskonto", "Kasse");
    ASSERT_TRUE(b.b().post());
    EXPECT_EQ(b.b().text("Buchungsnummer"), "5");
    ASSERT_TRUE(a.book({{"Bestandskonto", "Kasse"}}));
    EXPECT_EQ(a.b().text("Buchungsnummer"), "6");
    EXPECT_EQ(rawSql(club.folder(), {"SELECT Inhalt FROM blob WHERE Name = 'LastBuchungsID'"}).toInt(), 6);

    // An edit of an old booking leaves the counter where it is.
    a.locate(1);
    a.b().edit();
    a.b().setText("Buchungstext", "geändert");
    ASSERT_TRUE(a.b().post());
    EXPECT_EQ(a.data.lastBookingNumber, 6);
    EXPECT_EQ(rawSql(club.folder(), {"SELECT Inhalt FROM blob WHERE Name = 'LastBuchungsID'"}).toInt(), 6);
    EXPECT_EQ(rawSql(club.folder(), {"SELECT COUNT(DISTINCT Buchungsnummer) = COUNT(*) FROM buchung"}).toInt(), 1);
}

// Each case: workstation `a` and `b` both read booking 1 (50,00 income on Kasse), then
// `first` changes it and `second`, from what it read before, tries its own change.
TEST(SharedJournal, EveryInterleavingEndsAtTheRecomputation) {
    using Step = std::function<void(Workstation&)>;
    const Step deleteIt = [](Workstation& w) { w.b().remove(); };
    const auto setField = [](const char* field, const char* value) {
        return Step([field, value](Workstation& w) {
            w.b().edit();
            w.b().setText(QString::fromLatin1(field), QString::fromUtf8(value));
            w.b().post();
        });
    };
    struct Case {
        const char* name;
        Step first, second;
        const char* refusal;  // what the second one is told; null: it goes through
        Money kasse, bank;    // the balances afterwards
    };
    const std::vector<Case> cases = {
        {"two deletes", deleteIt, deleteIt, "an einem anderen Arbeitsplatz gelöscht", 0, 0},
        {"edit of a deleted booking", deleteIt, setField("Betrag", "70"), "an einem anderen Arbeitsplatz gelöscht", 0,
         0},
        {"delete of an edited booking", setField("Betrag", "70"), deleteIt, nullptr, 0, 0},
        {"two amounts", setField("Betrag", "70"), setField("Betrag", "80"), "das Feld »Betrag« ist dort jetzt »70«",
         euro(70), 0},
        {"the same amount twice", setField("Betrag", "70"), setField("Betrag", "70"), nullptr, euro(70), 0},
        {"amount and text", setField("Betrag", "70"), setField("Buchungstext", "Spende"), nullptr, euro(70), 0},
        {"account and amount", setField("Bestandskonto", "Bank"), setField("Betrag", "30"), nullptr, 0, euro(30)},
        {"direction and amount", setField("SollHaben", "A"), setField("Betrag", "30"), nullptr, euro(-30), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Club club;
        Workstation a(club.folder());
        ASSERT_TRUE(a.book({{"Betrag", "50"}, {"Bestandskonto", "Kasse"}, {"Buchungstext", "Beitrag"}}));
        ASSERT_TRUE(a.book({{"Betrag", "0"}, {"Bestandskonto", "Bank"}}));
        Workstation b(club.folder());
        a.locate(1);
        b.locate(1);
        c.first(a);
        ASSERT_EQ(a.b().state(), Dataset::State::Browse);
        const QString entered = b.b().text("Betrag");
        try {
            c.second(b);
            EXPECT_EQ(c.refusal, nullptr) << "went through";
        } catch (const DataError& e) {
            ASSERT_NE(c.refusal, nullptr) << e.what();
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.refusal))) << e.what();
            if (b.b().isEditing()) {
                // The user's entry stays for another try or a cancel.
                EXPECT_NE(b.b().text("Betrag"), entered);
                b.b().cancel();
            }
        }
        EXPECT_EQ(storedBalance(club.folder(), "Kasse"), c.kasse);
        EXPECT_EQ(storedBalance(club.folder(), "Bank"), c.bank);
        expectBalancesAreTheRecomputation(club.folder(), {"Kasse", "Bank"});
    }
}

// A store refused because another workstation changed the same field keeps the entry; the
// other fields show the stored state, and storing again takes the user's value.
TEST(SharedJournal, AConflictKeepsTheEntryAndASecondStoreTakesIt) {
    Club club;
    Workstation a(club.folder());
    ASSERT_TRUE(a.book({{"Betrag", "50"}, {"Bestandskonto", "Kasse"}, {"Buchungstext", "Beitrag"}}));
    Workstation b(club.folder());
    a.locate(1);
    a.b().edit();
    a.b().setText("Betrag", "70");
    a.b().setText("Buchungstext", "Beitrag 2026");
    ASSERT_TRUE(a.b().post());

    b.locate(1);
    b.b().edit();
    b.b().setText("Betrag", "80");
    EXPECT_THROW(b.b().post(), DataError);
    ASSERT_EQ(b.b().state(), Dataset::State::Edit);
    EXPECT_EQ(b.b().text("Betrag"), "80");
    EXPECT_EQ(b.b().text("Buchungstext"), "Beitrag 2026");  // the other workstation's text
    ASSERT_TRUE(b.b().post());
    EXPECT_EQ(rawSql(club.folder(), {"SELECT Betrag FROM buchung"}).toLongLong(), euro(80));
    EXPECT_EQ(rawSql(club.folder(), {"SELECT Buchungstext FROM buchung"}).toString(), "Beitrag 2026");
    EXPECT_EQ(storedBalance(club.folder(), "Kasse"), euro(80));
    expectBalancesAreTheRecomputation(club.folder(), {"Kasse"});
}

// New accounts, categories and salutations of two workstations are all kept: each is added
// to the list as the file holds it, never by writing back a workstation's older copy.
TEST(SharedJournal, ListEntriesOfTwoWorkstationsAllStay) {
    Club club;
    Workstation a(club.folder()), b(club.folder());
    ASSERT_TRUE(a.book({{"Bestandskonto", "Kasse"}, {"Kategorie", "Beiträge"}, {"SollHaben", "E"}}));
    ASSERT_TRUE(b.book({{"Bestandskonto", "Bank"}, {"Kategorie", "Spenden"}, {"SollHaben", "E"}}));
    ASSERT_TRUE(a.book({{"Bestandskonto", "Sparbuch"}, {"Kategorie", "Porto"}, {"SollHaben", "A"}}));
    ASSERT_TRUE(b.book({{"Bestandskonto", "Bank"}, {"Kategorie", "Miete"}, {"SollHaben", "A"}}));
    EXPECT_EQ(storedList(club.folder(), BookingRules::kAccounts), (QStringList{"Kasse", "Bank", "Sparbuch"}));
    EXPECT_EQ(storedList(club.folder(), BookingRules::kIncomeCategories), (QStringList{"Beiträge", "Spenden"}));
    EXPECT_EQ(storedList(club.folder(), BookingRules::kExpenseCategories), (QStringList{"Porto", "Miete"}));

    // The category screen of a workstation that has not re-read adds and removes on the
    // file's list too.
    EXPECT_TRUE(addListEntry(a.data.settings(), BookingRules::kIncomeCategories, "Zuschüsse"));
    removeListEntry(a.data.settings(), BookingRules::kIncomeCategories, 0);
    EXPECT_EQ(storedList(club.folder(), BookingRules::kIncomeCategories), (QStringList{"Spenden", "Zuschüsse"}));

    // Salutations learned by member stores.
    for (auto [w, salutation] : {std::pair{&a, "Frau"}, std::pair{&b, "Herrn"}, std::pair{&a, "Dr."}}) {
        Dataset& m = w->data.members();
        m.insert();
        m.setText("Nachname", "Berg");
        m.setText("Anrede", QString::fromUtf8(salutation));
        ASSERT_TRUE(m.post());
    }
    EXPECT_EQ(storedList(club.folder(), "Anrede"), (QStringList{"Frau", "Herrn", "Dr."}));
}

// Only what the entry screen offers is stored as direction; anything else is refused with
// a German message and nothing is written.
TEST(SharedJournal, OnlyIncomeOrExpenseIsADirection) {
    Club club;
    Workstation w(club.folder());
    for (const char* refused : {"a", "e", "X", "S", ""}) {
        SCOPED_TRACE(refused);
        w.b().insert();
        w.b().setText("Betrag", "5");
        w.b().setText("Bestandskonto", "Kasse");
        w.b().setText("SollHaben", QString::fromLatin1(refused));
        try {
            w.b().post();
            ADD_FAILURE() << "stored";
        } catch (const DataError& e) {
            EXPECT_TRUE(e.message().contains("»E« (Einnahme) oder »A« (Ausgabe)")) << e.what();
        }
        EXPECT_EQ(w.b().state(), Dataset::State::Insert);
        w.b().cancel();
    }
    EXPECT_EQ(rawSql(club.folder(), {"SELECT COUNT(*) FROM buchung"}).toInt(), 0);
    ASSERT_TRUE(w.book({{"Betrag", "5"}, {"Bestandskonto", "Kasse"}, {"SollHaben", "E"}}));
    ASSERT_TRUE(w.book({{"Betrag", "2"}, {"Bestandskonto", "Kasse"}, {"SollHaben", "A"}}));
    EXPECT_EQ(storedBalance(club.folder(), "Kasse"), euro(3));
}

// The year-end closing archives and deletes the journal as the file holds it: a booking
// another workstation stored after this one read the journal is archived, not lost.
TEST(SharedJournal, TheYearEndClosingArchivesWhatItDeletes) {
    Club club;
    Workstation a(club.folder()), b(club.folder());
    ASSERT_TRUE(a.book({{"Betrag", "10"}, {"Bestandskonto", "Kasse"}, {"Buchungstext", "eins"}}));
    ASSERT_TRUE(b.book({{"Betrag", "20"}, {"Bestandskonto", "Kasse"}, {"Buchungstext", "zwei"}}));
    QTemporaryDir archives;
    const QString path = closeBookingYear(a.data, archives.path(), QDateTime(kToday, QTime(12, 0)));
    EXPECT_EQ(rawSql(club.folder(), {"SELECT COUNT(*) FROM buchung"}).toInt(), 0);
    const Rowset archived = readRowsetXml(path);
    ASSERT_EQ(archived.rows.size(), 2);
    QStringList texts;
    for (const Row& r : archived.rows) texts << r[fieldIndex(archived.fields, "Buchungstext")].toString();
    EXPECT_EQ(texts, (QStringList{"eins", "zwei"}));
}
