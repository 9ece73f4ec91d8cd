// The bookkeeping screens on a real club file: transfers and start values with the
// balances they show and the recomputation on "Schließen", the balance overview's
// layout, the year-end closing writing its archive (or deleting nothing), and the
// booking query with its criteria, date presets and net sum.
#include "booking/accounts.h"
#include "booking/accountviews.h"
#include "booking/balancescreen.h"
#include "booking/bookingrules.h"
#include "booking/bookingqueryscreen.h"
#include "booking/transferscreen.h"
#include "booking/yearendscreen.h"
#include "club.h"
#include "common/datasetgrid.h"
#include "common/messages.h"
#include "data/rowsetxml.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <functional>

using namespace ferolind;
using ferolind::ui::Answer;
using ferolind::ui::Buttons;
using ferolind::ui::Kind;

namespace {

const QDate kToday(2011, 6, 15);
constexpr Money euro(qint64 e) { return e * kMoneyUnit; }

// A club whose rules take 15.06.2011 as today, with what the message boxes said.
struct Books : test::Club {
    QStringList messages;

    Books() : Club(kToday) {
        session->bookingRules().today = [] { return kToday; };
        ui::setMessageHandler([this](Kind, const QString& text, Buttons) {
            messages << text;
            return Answer::Ok;
        });
    }
    ~Books() { ui::setMessageHandler({}); }

    Dataset& bookings() { return data->bookings(); }
    SettingsStore& settings() { return data->settings(); }
    Money balance(const QString& account) { return settings().AccountBalanceGet(account); }
    void book(const QString& date, const QString& direction, const QString& amount, const QString& account,
              const QString& category = {}, const QString& payee = {}, const QString& text = {}) {
        Dataset& b = bookings();
        b.insert();
        b.setText("Datum", date);
        b.setText("SollHaben", direction);
        b.setText("Betrag", amount);
        b.setText("Bestandskonto", account);
        b.setText("Kategorie", category);
        b.setText("Empfaenger/Absender", payee);
        b.setText("Buchungstext", text);
        ASSERT_TRUE(b.post());
    }
};

template <typename W = QPushButton>
W* control(const QWidget& screen, const char* name) {
    W* w = screen.findChild<W*>(QString::fromLatin1(name));
    if (!w) throw std::runtime_error(std::string("no control ") + name);
    return w;
}

QString cell(const QAbstractItemView* grid, int row, int column) {
    return grid->model()->index(row, column).data().toString();
}

// The rows of a grid as their cell texts.
QVector<QStringList> rowsOf(const QAbstractItemView* grid) {
    QVector<QStringList> rows;
    for (int r = 0; r < grid->model()->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < grid->model()->columnCount(); ++c) cells << cell(grid, r, c);
        rows << cells;
    }
    return rows;
}

void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }

// Typed by keys; characters the test keyboard has no key for are inserted as typed text.
void typeInto(QLineEdit* e, const QString& text) {
    e->selectAll();
    e->del();
    for (const QChar ch : text) {
        if (ch.unicode() < 0x80)
            QTest::keyClick(e, ch.toLatin1());
        else
            e->insert(ch);
    }
}

// ============================================================ transfers and start values

namespace tc = ui::transferscreen::controls;

// Two accounts with bookings 1 and 2 (Kasse 500 in, Bank 80 out) and a start value on
// Bank; the screen open on them.
struct TransferScreen : ::testing::Test {
    Books club;
    TBestandskontenF screen{*club.session, nullptr};

    void SetUp() override {
        club.book("02.01.2011", "E", "500", "Kasse", "Beiträge");
        club.book("03.01.2011", "A", "80", "Bank", "Porto");
        club.settings().AccountStartValueSet("Bank", euro(200));
        ASSERT_EQ(club.data->lastBookingNumber, 2);
        screen.show();
        ASSERT_TRUE(screen.prepareShow());
    }
    QListWidget* list(const char* name) { return control<QListWidget>(screen, name); }
    QString label(const char* name) { return control<QLabel>(screen, name)->text(); }
    QLineEdit* edit(const char* name) { return control<QLineEdit>(screen, name); }
    const QAbstractItemView* grid() { return control<QAbstractItemView>(screen, tc::kGrid); }
};

TEST_F(TransferScreen, OpensOnTheFirstAccountsAndShowsOnlyBookingsMadeSince) {
    for (const char* name : {tc::kFrom, tc::kTo, tc::kStartAccount}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(list(name)->count(), 2);
        EXPECT_EQ(list(name)->item(0)->text(), "Kasse");
        EXPECT_EQ(list(name)->currentRow(), 0);
    }
    EXPECT_EQ(label(tc::kFromBalance), "500,00 €");
    EXPECT_EQ(label(tc::kToBalance), "500,00 €");
    EXPECT_EQ(edit(tc::kStartValue)->text(), "0,00");
    EXPECT_EQ(control<QDateEdit>(screen, tc::kDate)->date(), kToday);
    EXPECT_EQ(club.bookings().filter(), "Buchungsnummer > '2'");
    EXPECT_EQ(grid()->model()->rowCount(), 0);
    EXPECT_EQ(screen.windowTitle(), "Bestandskonten");
    EXPECT_EQ(control<QToolButton>(screen, tc::kHelp)->toolTip(), "Hile aufrufen");

    // A click on another account shows its balance, or its start value.
    list(tc::kTo)->setCurrentRow(1);
    EXPECT_EQ(label(tc::kToBalance), "-80,00 €");
    EXPECT_EQ(label(tc::kFromBalance), "500,00 €");
    list(tc::kStartAccount)->setCurrentRow(1);
    EXPECT_EQ(edit(tc::kStartValue)->text(), "200,00");
}

TEST_F(TransferScreen, TransferBooksTwoBookingsThroughTheRules) {
    list(tc::kTo)->setCurrentRow(1);  // Kasse -> Bank
    typeInto(edit(tc::kAmount), "100,50");
    typeInto(edit(tc::kText), "Einzahlung");
    control<QDateEdit>(screen, tc::kDate)->setDate(QDate(2011, 6, 1));
    click(control(screen, tc::kBook));

    EXPECT_TRUE(club.messages.isEmpty()) << club.messages.join("\n").toStdString();
    EXPECT_EQ(club.balance("Kasse"), euro(500) - 1005000);
    EXPECT_EQ(club.balance("Bank"), euro(-80) + 1005000);
    EXPECT_EQ(label(tc::kFromBalance), "399,50 €");
    EXPECT_EQ(label(tc::kToBalance), "20,50 €");
    // Datum, Buchungstext, Betrag, von, an: income on Bank, then expense on Kasse.
    EXPECT_EQ(rowsOf(grid()), (QVector<QStringList>{{"01.06.2011", "Einzahlung", "100,50 €", "Kasse", "Bank"},
                                                    {"01.06.2011", "Einzahlung", "100,50 €", "Bank", "Kasse"}}));
    Dataset& b = club.bookings();
    QStringList directions, payees, numbers;
    for (int p = 0; p < b.recordCount(); ++p) {
        b.moveTo(p);
        directions << b.text("SollHaben");
        payees << b.text("Empfaenger/Absender");
        numbers << b.text("Buchungsnummer");
    }
    EXPECT_EQ(directions, (QStringList{"E", "A"}));
    EXPECT_EQ(payees, (QStringList{"Umbuchung", "Umbuchung"}));
    EXPECT_EQ(numbers, (QStringList{"3", "4"}));
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT COUNT(*) FROM buchung"}).toInt(), 4);
}

TEST_F(TransferScreen, ATransferThatCannotBeStoredStoresNeitherBooking) {
    struct Case {
        const char* amount;
        std::function<void(TransferScreen&)> prepare;
        QString message;
    };
    const std::vector<Case> cases = {
        {"zehn", {}, "'zehn' ist kein gültiger Fließkommawert für Feld 'Betrag'"},
        // "an" without a selection: the income booking has no account.
        {"10", [](TransferScreen& t) { t.list(tc::kTo)->setCurrentRow(-1); }, BookingRules::kNoAccountMessage},
        // "von" without a selection: the second booking is refused after the first was stored.
        {"10", [](TransferScreen& t) { t.list(tc::kFrom)->setCurrentRow(-1); }, BookingRules::kNoAccountMessage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.amount);
        ASSERT_TRUE(screen.prepareShow());
        club.messages.clear();
        list(tc::kTo)->setCurrentRow(1);
        if (c.prepare) c.prepare(*this);
        typeInto(edit(tc::kAmount), QString::fromUtf8(c.amount));
        click(control(screen, tc::kBook));
        ASSERT_FALSE(club.messages.isEmpty());
        EXPECT_EQ(club.messages.last(), c.message);
        EXPECT_EQ(club.balance("Kasse"), euro(500));
        EXPECT_EQ(club.balance("Bank"), euro(-80));
        EXPECT_EQ(grid()->model()->rowCount(), 0);
        EXPECT_FALSE(club.bookings().isEditing());
        EXPECT_EQ(test::rawSql(club.folder(), {"SELECT COUNT(*) FROM buchung"}).toInt(), 2);
    }
}

TEST_F(TransferScreen, StartValueIsStoredOrRefusedWithTheMessage) {
    struct Case {
        const char* typed;
        Money stored;  // the start value of Bank afterwards
        QString shown;
        bool refused;
    };
    const Case cases[] = {
        {"50,5", 505000, "50,50", false},
        {"1.234,56", 12345600, "1234,56", false},
        {"-20", euro(-20), "-20,00", false},
        {"50 €", euro(200), "50 €", true},
        {"fünfzig", euro(200), "fünfzig", true},
        {"", euro(200), "", true},
    };
    screen.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&screen));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        club.settings().AccountStartValueSet("Bank", euro(200));
        list(tc::kStartAccount)->setCurrentRow(1);
        club.messages.clear();
        control(screen, tc::kSaveStartValue)->setFocus();
        typeInto(edit(tc::kStartValue), QString::fromUtf8(c.typed));
        click(control(screen, tc::kSaveStartValue));
        EXPECT_EQ(club.settings().AccountStartValueGet("Bank"), c.stored);
        EXPECT_EQ(edit(tc::kStartValue)->text(), c.shown);
        EXPECT_EQ(club.balance("Bank"), euro(-80));  // changes at the next recomputation
        if (c.refused) {
            EXPECT_EQ(club.messages, QStringList{kStartValueMessage});
            EXPECT_TRUE(edit(tc::kStartValue)->hasFocus());
        } else {
            EXPECT_TRUE(club.messages.isEmpty());
        }
    }
    EXPECT_EQ(club.settings().AccountStartValueGet("Kasse"), 0);
}

TEST_F(TransferScreen, OnlySchliessenRecomputesAndEveryCloseRemovesTheFilter) {
    struct Case {
        const char* how;
        std::function<void(TransferScreen&)> close;
        bool recomputes;
    };
    const std::vector<Case> cases = {
        {"Escape", [](TransferScreen& t) { QTest::keyClick(&t.screen, Qt::Key_Escape); }, false},
        {"window close button", [](TransferScreen& t) { t.screen.close(); }, false},
        {"Schließen", [](TransferScreen& t) { click(control(t.screen, tc::kClose)); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        screen.show();
        ASSERT_TRUE(screen.prepareShow());
        // A new start value on Bank and a balance entry gone wrong on Kasse.
        list(tc::kStartAccount)->setCurrentRow(1);
        typeInto(edit(tc::kStartValue), "250");
        click(control(screen, tc::kSaveStartValue));
        club.settings().AccountBalanceSet("Kasse", euro(7));
        club.messages.clear();

        c.close(*this);
        EXPECT_FALSE(screen.isVisible());
        EXPECT_FALSE(club.bookings().filtered());
        EXPECT_EQ(club.bookings().recordCount(), 2);
        if (c.recomputes) {
            EXPECT_EQ(club.messages, QStringList{kBalancesRecomputedMessage});
            EXPECT_EQ(club.balance("Kasse"), euro(500));
            EXPECT_EQ(club.balance("Bank"), euro(250 - 80));
        } else {
            EXPECT_TRUE(club.messages.isEmpty());
            EXPECT_EQ(club.balance("Kasse"), euro(7));
            EXPECT_EQ(club.balance("Bank"), euro(-80));
        }
    }
}

TEST(TransferScreenWithoutAccounts, DoesNotOpenAndSaysWhy) {
    Books club;
    club.bookings().applyFilter("Buchungsnummer > '0'");
    TBestandskontenF screen(*club.session, nullptr);
    EXPECT_EQ(screen.exec(), QDialog::Rejected);
    EXPECT_EQ(club.messages, QStringList{kNoAssetAccountsMessage});
    EXPECT_FALSE(screen.isVisible());
    EXPECT_EQ(club.bookings().filter(), "Buchungsnummer > '0'");  // untouched
}

// ============================================================ balance overview

TEST(BalanceOverview, NameAndBalanceOfEachAccountThatFits) {
    Books club;
    QStringList accounts;
    for (int i = 1; i <= 12; ++i) accounts << QStringLiteral("Konto %1").arg(i);
    club.settings().DbSettingSetList(BookingRules::kAccounts, accounts);
    club.settings().AccountBalanceSet("Konto 1", 12345600);
    club.settings().AccountBalanceSet("Konto 2", -505000);

    TkontosaldoF screen(*club.session, nullptr);
    screen.show();
    screen.prepareShow();
    auto* canvas = control<ui::BalanceCanvas>(screen, ui::balancescreen::controls::kCanvas);
    EXPECT_EQ(canvas->size(), QSize(514, 352));
    EXPECT_EQ(screen.windowTitle(), "Kontosalden");
    const QVector<PlacedText>& drawn = canvas->texts();
    // Lines at 50, 80, ..., 320: the eleventh (at 350) would reach below the area.
    ASSERT_EQ(drawn.size(), 20);
    EXPECT_EQ(drawn[0], (PlacedText{30, 50, "Konto 1"}));
    EXPECT_EQ(drawn[1], (PlacedText{300, 50, "1.234,56 €"}));
    EXPECT_EQ(drawn[2], (PlacedText{30, 80, "Konto 2"}));
    EXPECT_EQ(drawn[3], (PlacedText{300, 80, "-50,50 €"}));
    EXPECT_EQ(drawn[5], (PlacedText{300, 110, "0,00 €"}));
    EXPECT_EQ(drawn[18], (PlacedText{30, 320, "Konto 10"}));

    // Shown again, it draws the balances of now.
    club.settings().DbSettingSetList(BookingRules::kAccounts, {"Kasse"});
    club.settings().AccountBalanceSet("Kasse", euro(3));
    screen.prepareShow();
    EXPECT_EQ(canvas->texts(), (QVector<PlacedText>{{30, 50, "Kasse"}, {300, 50, "3,00 €"}}));
    // The painted area is white where no text is.
    const QImage image = canvas->grab().toImage();
    EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(500, 340), QColor(Qt::white));
}

// ============================================================ year-end closing

namespace yc = ui::yearendscreen::controls;

// The application data folder of one test.
struct AppDataFolder {
    QByteArray before = qgetenv("FEROLIND_APPDATA");
    QTemporaryDir dir;
    explicit AppDataFolder(const QString& path = {}) {
        qputenv("FEROLIND_APPDATA", (path.isEmpty() ? dir.path() : path).toUtf8());
    }
    ~AppDataFolder() { qputenv("FEROLIND_APPDATA", before); }
    QStringList archives() const {
        return QDir(dir.path()).entryList({"*_buchung23.xml"}, QDir::Files, QDir::Name);
    }
};

struct YearEndScreen : ::testing::Test {
    Books club;
    TBuchungAbschlF screen{*club.session, nullptr};
    void SetUp() override {
        club.book("02.01.2011", "E", "500", "Kasse", "Beiträge");
        club.book("03.01.2011", "A", "80", "Bank", "Porto");
        club.settings().AccountStartValueSet("Bank", euro(200));
        club.bookings().applyFilter("Buchungsnummer = '2'");
        screen.show();
    }
};

TEST_F(YearEndScreen, ShowsTheWarningsAsWritten) {
    EXPECT_EQ(screen.windowTitle(), "Jahresabschluss durchführen");
    EXPECT_EQ(control<QLabel>(screen, yc::kFirstNote)->text(),
              "Der Ferolind 2007 kann bei Bedarf Buchungsjahre abschließen. Dies geschieht derart, dass eine neue "
              "Datenbankdatei für die Buchungen angelegt wird. Die alte Datenbankdatei kann daher nicht mehr geöffnet "
              "werden! ");
    EXPECT_EQ(control<QLabel>(screen, yc::kSecondNote)->text(),
              "Daher muss ungedingt vorher ein Ausdruck aller relevanten Daten erfolgen, da diese danach nicht mehr zur "
              "Verfügung stehen. Außerdem beginnen die Buchungsnummern wieder bei 1 und die Kontostände werden "
              "gelöscht.");
    EXPECT_TRUE(control<QLabel>(screen, yc::kFirstNote)->wordWrap());
    EXPECT_EQ(control(screen, yc::kClose)->text(),
              "JA, ich habe die Hinweise gelesen und möchte ein neues Buchungsjahr anlegen");
    EXPECT_EQ(control(screen, yc::kCancel)->text(), "Abbrechen");
}

TEST_F(YearEndScreen, ClosingArchivesEveryBookingAndEmptiesTheJournal) {
    AppDataFolder folder;
    QSignalSpy finished(&screen, &QDialog::finished);
    click(control(screen, yc::kClose));
    EXPECT_TRUE(club.messages.isEmpty()) << club.messages.join("\n").toStdString();
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished[0][0].toInt(), QDialog::Accepted);
    EXPECT_FALSE(screen.isVisible());

    const QStringList archives = folder.archives();
    ASSERT_EQ(archives.size(), 1);
    const Rowset archived = readRowsetXml(QDir(folder.dir.path()).filePath(archives[0]));
    EXPECT_EQ(archived.rows.size(), 2);  // the filter of another screen does not matter
    EXPECT_EQ(club.bookings().totalCount(), 0);
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT COUNT(*) FROM buchung"}).toInt(), 0);
    EXPECT_EQ(club.data->lastBookingNumber, 0);
    EXPECT_EQ(club.settings().AccountStartValueGet("Bank"), 0);
    EXPECT_EQ(club.settings().DbSettingGet("kontostand_Kasse"), "");
    EXPECT_EQ(club.settings().DbSettingGetList(BookingRules::kAccounts), (QStringList{"Kasse", "Bank"}));
}

TEST_F(YearEndScreen, CancelAndAnArchiveThatCannotBeWrittenChangeNothing) {
    // A file where the folder should be: the archive cannot be written there.
    QTemporaryDir base;
    QFile blocker(QDir(base.path()).filePath("belegt"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    struct Case {
        const char* how;
        QString folder;
        const char* button;
        bool staysOpen;
    };
    const Case cases[] = {
        {"Abbrechen", {}, yc::kCancel, false},
        {"unwritable folder", QDir(blocker.fileName()).filePath("archiv"), yc::kClose, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        AppDataFolder folder(c.folder);
        screen.show();
        club.messages.clear();
        click(control(screen, c.button));
        EXPECT_EQ(screen.isVisible(), c.staysOpen);
        EXPECT_EQ(club.messages.size(), c.staysOpen ? 1 : 0);  // the writing error
        EXPECT_TRUE(folder.archives().isEmpty());
        EXPECT_EQ(club.bookings().totalCount(), 2);
        EXPECT_EQ(test::rawSql(club.folder(), {"SELECT COUNT(*) FROM buchung"}).toInt(), 2);
        EXPECT_EQ(club.data->lastBookingNumber, 2);
        EXPECT_EQ(club.settings().AccountStartValueGet("Bank"), euro(200));
        EXPECT_EQ(club.balance("Kasse"), euro(500));
        EXPECT_TRUE(control(screen, yc::kClose)->isEnabled());
    }
}

// ============================================================ booking query

namespace qc = ui::queryscreen::controls;

// Four bookings over two years; the screen open on them.
struct QueryScreen : ::testing::Test {
    Books club;
    TBuchungenAuswertenF screen{*club.session, nullptr};

    void SetUp() override {
        club.book("10.01.2010", "E", "100", "Kasse", "Beiträge", "Anna Berg", "Januar");
        club.book("15.06.2011", "E", "100", "Bank", "Beitrag Jugend", "Bert Brandt", "Juni");
        club.book("02.06.2011", "A", "30", "Kasse", "Beitragserstattung", "Anna Berg", "Zurück");
        club.book("20.12.2011", "E", "999", "Bank", "Spenden", "Cora Clement", "Spende");
        // A direction neither E nor A, as an older program's file may hold it (no store takes it).
        test::rawSql(club.folder(), {"INSERT INTO buchung (Buchungsnummer, Datum, SollHaben, Betrag, Bestandskonto, "
                                     "Kategorie, \"Empfaenger/Absender\", Buchungstext) VALUES (5, '2011-12-21', 'X', "
                                     "50000, 'Bank', 'Beitrag X', 'Dora', 'Unklar')"});
        club.bookings().requery();
        screen.show();
        screen.prepareShow();
    }
    QComboBox* box(const char* name) { return control<QComboBox>(screen, name); }
    QDateEdit* picker(const char* name) { return control<QDateEdit>(screen, name); }
    QLabel* sum() { return control<QLabel>(screen, qc::kSum); }
    const QAbstractItemView* grid() { return control<QAbstractItemView>(screen, qc::kGrid); }
    QStringList numbersShown() {
        QStringList n;
        for (int r = 0; r < grid()->model()->rowCount(); ++r) n << cell(grid(), r, 0);
        return n;
    }
    void setCriteria(const QString& text, const QString& payee, const QString& category, const QString& account) {
        control<QLineEdit>(screen, qc::kText)->setText(text);
        control<QLineEdit>(screen, qc::kPayee)->setText(payee);
        box(qc::kCategory)->setEditText(category);
        box(qc::kAccount)->setEditText(account);
    }
};

TEST_F(QueryScreen, OpensOnTheWholeJournal) {
    EXPECT_EQ(screen.windowTitle(), "Buchungen auswerten");
    EXPECT_FALSE(sum()->isVisible());
    EXPECT_EQ(sum()->text(), "Summe: 0,00 €");
    EXPECT_TRUE(control<QRadioButton>(screen, qc::kAllDates)->isChecked());
    EXPECT_EQ(picker(qc::kFrom)->date(), QDate(2010, 1, 10));
    EXPECT_EQ(picker(qc::kTo)->date(), QDate(2011, 12, 21));
    EXPECT_TRUE(control(screen, qc::kPrint)->isEnabled());
    EXPECT_EQ(control(screen, qc::kPrint)->text(), "Drucken");
    EXPECT_EQ(control(screen, qc::kShow)->text(), "Anzeigen");
    EXPECT_EQ(control(screen, qc::kAllData)->text(), "Alle Daten");
    EXPECT_EQ(control<QLabel>(screen, qc::kHint)->text(), "Die Suche mit * ist möglich");
    EXPECT_EQ(control<QToolButton>(screen, qc::kHelp)->toolTip(), "Hile aufrufen");
    QStringList categories;
    for (int i = 0; i < box(qc::kCategory)->count(); ++i) categories << box(qc::kCategory)->itemText(i);
    // Income categories first, then the expense categories.
    EXPECT_EQ(categories, (QStringList{"Beiträge", "Beitrag Jugend", "Spenden", "Beitragserstattung"}));
    EXPECT_EQ(box(qc::kAccount)->count(), 2);
    EXPECT_EQ(box(qc::kCategory)->currentText(), "");
    const QStringList titles = static_cast<const ui::DatasetGrid*>(grid())->titles();
    EXPECT_EQ(titles, (QStringList{"Nr.", "Datum", "Empfänger/Absender", "Buchungstext", "E/A", "Betrag", "Kategorie",
                                   "Bestandskonto"}));

    // Without a criterion "Anzeigen" shows the whole journal.
    click(control(screen, qc::kShow));
    EXPECT_EQ(numbersShown(), (QStringList{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(sum()->text(), "Summe: 1.174,00 €");  // the booking with direction X counts as income
}

TEST_F(QueryScreen, CriteriaNarrowTheBookingsAndSumThem) {
    struct Case {
        const char* what;
        QString text, payee, category, account;
        QDate from, to;  // invalid: as opened
        QStringList numbers;
        QString sum;
    };
    const std::vector<Case> cases = {
        {"category with *", "", "", "Beitr*", "", {}, {}, {"1", "2", "3", "5"}, "Summe: 175,00 €"},
        {"category with * in 2011", "", "", "Beitr*", "", QDate(2011, 1, 1), QDate(2011, 6, 30), {"2", "3"},
         "Summe: 70,00 €"},
        {"payee and account", "", "Anna Berg", "", "Kasse", {}, {}, {"1", "3"}, "Summe: 70,00 €"},
        {"text exactly", "Juni", "", "", "", {}, {}, {"2"}, "Summe: 100,00 €"},
        {"a quote in a criterion is part of the value", "Jun'i", "", "", "", {}, {}, {}, "Summe: 0,00 €"},
        {"nothing found", "", "", "Miete", "", {}, {}, {}, "Summe: 0,00 €"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        screen.prepareShow();
        setCriteria(c.text, c.payee, c.category, c.account);
        if (c.from.isValid()) picker(qc::kFrom)->setDate(c.from);
        if (c.to.isValid()) picker(qc::kTo)->setDate(c.to);
        click(control(screen, qc::kShow));
        EXPECT_TRUE(club.messages.isEmpty()) << club.messages.join("\n").toStdString();
        EXPECT_EQ(numbersShown(), c.numbers);
        EXPECT_TRUE(sum()->isVisible());
        EXPECT_EQ(sum()->text(), c.sum);
    }
}

TEST_F(QueryScreen, TwoIncomesAndAnExpenseSumTo170AndAlleDatenKeepsTheLabel) {
    setCriteria("", "", "Beitr*", "");
    picker(qc::kFrom)->setDate(QDate(2010, 1, 1));
    picker(qc::kTo)->setDate(QDate(2011, 12, 20));  // the booking with direction X is later
    click(control(screen, qc::kShow));
    EXPECT_EQ(numbersShown(), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(sum()->text(), "Summe: 170,00 €");
    EXPECT_TRUE(club.bookings().filtered());

    click(control(screen, qc::kAllData));
    EXPECT_FALSE(club.bookings().filtered());
    EXPECT_EQ(numbersShown().size(), 5);
    EXPECT_TRUE(sum()->isVisible());
    EXPECT_EQ(sum()->text(), "Summe: 170,00 €");
}

TEST_F(QueryScreen, DatePresetsAndAlleDaten) {
    struct Case {
        const char* button;
        QDate from, to;
    };
    // Today is 15.06.2011; "alle Daten" goes back to the journal's dates at opening.
    const Case cases[] = {
        {qc::kMonth, QDate(2011, 6, 1), QDate(2011, 6, 30)},
        {qc::kQuarter, QDate(2011, 4, 1), QDate(2011, 6, 30)},
        {qc::kYear, QDate(2011, 1, 1), QDate(2011, 12, 31)},
        {qc::kAllDates, QDate(2010, 1, 10), QDate(2011, 12, 21)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        click(control<QRadioButton>(screen, c.button));
        EXPECT_EQ(picker(qc::kFrom)->date(), c.from);
        EXPECT_EQ(picker(qc::kTo)->date(), c.to);
    }
    click(control<QRadioButton>(screen, qc::kMonth));
    click(control(screen, qc::kShow));
    EXPECT_EQ(numbersShown(), (QStringList{"2", "3"}));
    EXPECT_EQ(sum()->text(), "Summe: 70,00 €");
}

TEST_F(QueryScreen, ReopeningKeepsCriteriaAndClosingRemovesTheFilter) {
    setCriteria("Juni", "", "Beitr*", "Bank");
    click(control(screen, qc::kShow));
    EXPECT_EQ(numbersShown(), QStringList{"2"});
    QTest::keyClick(&screen, Qt::Key_Escape);
    EXPECT_FALSE(screen.isVisible());
    EXPECT_FALSE(club.bookings().filtered());
    // The widths went to the per-user values under the grid's prefix.
    EXPECT_GT(RegistryGetInt("BreiteBuchungenAuswertenBetrag"), 0);
    EXPECT_GT(RegistryGetInt("BreiteBuchungenAuswertenNr."), 0);

    club.book("01.03.2012", "E", "1", "Handkasse", "Neu");
    screen.show();
    screen.prepareShow();
    EXPECT_EQ(control<QLineEdit>(screen, qc::kText)->text(), "Juni");
    EXPECT_EQ(box(qc::kCategory)->currentText(), "Beitr*");
    EXPECT_EQ(box(qc::kAccount)->currentText(), "Bank");
    EXPECT_EQ(box(qc::kAccount)->count(), 3);  // refilled with the account learnt
    EXPECT_EQ(picker(qc::kTo)->date(), QDate(2012, 3, 1));
}

TEST_F(QueryScreen, DoubleClickOnABookingAsksForTheBookingScreenOnIt) {
    QSignalSpy opened(&screen, &TBuchungenAuswertenF::openBooking);
    setCriteria("", "Anna Berg", "", "");
    click(control(screen, qc::kShow));
    auto* view = const_cast<QAbstractItemView*>(grid());
    const QRect second = view->visualRect(view->model()->index(1, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, second.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(opened.size(), 1);
    EXPECT_EQ(club.bookings().text("Buchungsnummer"), "3");  // the booking double-clicked is current
}

TEST_F(QueryScreen, ColumnWidthsAreReadUnderTheGridPrefix) {
    RegistrySetInt("BreiteBuchungenAuswertenKategorie", 177);
    TBuchungenAuswertenF other(*club.session, nullptr);
    const auto* g = control<ui::DatasetGrid>(other, qc::kGrid);
    EXPECT_EQ(g->widthPrefix(), "BuchungenAuswerten");
    EXPECT_EQ(g->columnWidth(g->column("Kategorie")), 177);
}

}  // namespace
