// The main window driven offscreen: start-up with and without a database, what it
// remembers across a restart, deletion questions, re-reading and the error box.
#include "mainform.h"
#include "club.h"
#include "messagescript.h"
#include "booking/bookingqueryscreen.h"
#include "common/datasetgrid.h"
#include "common/messages.h"
#include "data/dbcreate.h"
#include "fees/feepayments.h"
#include "fees/feepaymentscreen.h"
#include "exchange/exportscreen.h"
#include "printing/printdialog.h"
#include "payments/dtausscreen.h"
#include "data/postalcodes.h"
#include "common/bindings.h"
#include "data/errors.h"
#include "members/columnsscreen.h"
#include "members/leavers.h"
#include "members/massdeletion.h"
#include "members/queryscreen.h"
#include "members/feeclasses.h"
#include "members/memberentry.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>

using namespace ferolind;
namespace columns = ferolind::ui::columnsscreen::controls;
namespace dbcreate = ferolind::ui::dbcreate::controls;

namespace {

// Records every message and answers questions from a script (default: Yes).
struct Messages : test::MessageScript {
    Messages() : MessageScript(ui::Answer::Yes) {}
};

// One run of the program on the per-user settings as they are: data module, rules,
// main window with its start-up; closing it runs the shutdown.
struct ProgramRun {
    DataModule data;
    Session session{data};
    TMainForm window{session};
    QStringList shown;  // screens opened, by object name
    std::function<int(QDialog&)> onScreen;

    explicit ProgramRun(std::function<int(QDialog&)> screen = {}) : onScreen(std::move(screen)) {
        window.execScreen = [this](QDialog& d) {
            shown << d.metaObject()->className();
            return onScreen ? onScreen(d) : 0;
        };
        window.show();
        window.runStartUp();
        QApplication::processEvents();
    }
    ~ProgramRun() { window.close(); }
    QStringList memberNames() {
        QStringList n;
        Dataset& m = data.members();
        for (int p = 0; p < m.recordCount(); ++p) n << m.rowAt(p)[m.field("Nachname")].toString();
        return n;
    }
};

void addMember(Dataset& m, const QString& first, const QString& last) {
    m.insert();
    m.setText("Vorname", first);
    m.setText("Nachname", last);
    m.post();
}

// The tool button of an action on one of the tool bar's rows, or null.
QWidget* toolButton(TMainForm& w, const char* action) {
    QAction* a = w.findChild<QAction*>(action);
    for (QToolBar* bar : w.toolBarRows())
        if (QWidget* b = bar->widgetForAction(a)) return b;
    return nullptr;
}

}  // namespace

TEST(MainForm, FirstStartWithoutDatabaseCreatesOneThroughTheCreationScreen) {
    test::clearUserSettings();
    Messages msgs;
    QTemporaryDir folder;
    {
        ProgramRun run([&](QDialog& d) {
            auto* screen = qobject_cast<TDBErstellenF*>(&d);
            if (!screen) return 0;
            screen->prepareShow();
            screen->findChild<QLineEdit*>(dbcreate::kCreateFolder)->setText(folder.path());
            QTest::mouseClick(screen->findChild<QPushButton*>(dbcreate::kCreate), Qt::LeftButton);
            return screen->result();
        });
        EXPECT_EQ(run.shown, QStringList{"TDBErstellenF"});
        EXPECT_TRUE(QFile::exists(folder.filePath("db.mdb")));
        EXPECT_TRUE(run.window.connected());
        for (Dataset* d : {&run.data.members(), &run.data.bookings(), &run.data.feePayments(),
                           &run.data.settingsEntries(), &run.data.feeClasses()})
            EXPECT_TRUE(d->isOpen());
        EXPECT_EQ(RegistryGetString("DBPfad"), folder.path());
        // The new club is run with its values as after a start with it: the re-read
        // interval is written and in effect.
        EXPECT_EQ(run.data.settings().DbSettingGet("Refresh"), "60");
        EXPECT_TRUE(run.window.refreshTimer()->isActive());
        EXPECT_EQ(townsForPostalCode(run.data.postalCodes(), "01067"), QStringList{"Dresden"});
        addMember(run.data.members(), "Anna", "Berg");
    }
    EXPECT_TRUE(msgs.texts.isEmpty()) << msgs.texts.join('|').toStdString();
    // The next start opens it, writes the defaults and keeps the numbers.
    ProgramRun second;
    EXPECT_TRUE(second.shown.isEmpty());
    SettingsStore& s = second.data.settings();
    EXPECT_EQ(s.DbSettingGet("Refresh"), "60");
    EXPECT_EQ(second.window.refreshTimer()->interval(), 60000);
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(s.DbSettingGet(QString("S%1").arg(i)), QString("Sonstiges %1").arg(i));
    EXPECT_EQ(second.data.lastMemberNumber, 1);
    EXPECT_EQ(second.data.members().sort(), "ID");
    EXPECT_EQ(second.memberNames(), QStringList{"Berg"});
}

TEST(MainForm, SizeStateSortAndColumnsSurviveARestart) {
    test::Club club;
    {
        ProgramRun run;
        addMember(run.data.members(), "Zoe", "Adam");
        addMember(run.data.members(), "Anna", "Zander");
        addMember(run.data.members(), "Max", "Meier");
        EXPECT_EQ(run.memberNames(), (QStringList{"Adam", "Zander", "Meier"}));
        // A click on the title "Nachname".
        QHeaderView* header = run.window.memberGrid()->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(3) + 5, header->height() / 2));
        EXPECT_EQ(run.data.members().sort(), "Nachname");
        EXPECT_EQ(run.memberNames(), (QStringList{"Adam", "Meier", "Zander"}));
        run.window.showNormal();
        run.window.resize(900, 600);
        QApplication::processEvents();
        // Hide "Beitrag akt. bez." through the column screen.
        TZellenZeigenF* cols = run.window.columnScreen();
        cols->prepareShow();
        auto* shown = cols->findChild<QListWidget*>(columns::kShown);
        const auto items = shown->findItems("Beitrag akt. bez.", Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        items[0]->setSelected(true);
        QTest::mouseClick(cols->findChild<QWidget*>(columns::kHide), Qt::LeftButton);
        QTest::mouseClick(cols->findChild<QPushButton*>(columns::kOk), Qt::LeftButton);
        QApplication::processEvents();
        EXPECT_TRUE(run.window.memberGrid()->isColumnHidden(28));
        EXPECT_FALSE(run.window.memberGrid()->isColumnHidden(27));
        run.window.memberGrid()->setColumnWidth(6, 111);  // dragged "PLZ"
    }
    EXPECT_EQ(RegistryGetInt("SpaltenMitglieder"), 0x1FFFFFFF & ~(1 << 28));
    EXPECT_EQ(RegistryGetString("WindowState"), "wsNormal");
    ProgramRun again;
    EXPECT_EQ(again.window.frameGeometry().size(), QSize(RegistryGetInt("Width"), RegistryGetInt("Height")));
    EXPECT_EQ(again.window.size(), QSize(900, 600));
    EXPECT_EQ(again.data.members().sort(), "Nachname");
    EXPECT_EQ(again.memberNames(), (QStringList{"Adam", "Meier", "Zander"}));
    EXPECT_TRUE(again.window.memberGrid()->isColumnHidden(28));
    EXPECT_EQ(again.window.memberGrid()->columnWidth(6), 111);
    // A hidden column reported -1 and comes back with its designed width.
    EXPECT_EQ(RegistryGetInt("BreiteMainBeitrag akt. bez."), -1);
    again.window.memberGrid()->applyVisibleColumns(0x1FFFFFFF);
    EXPECT_EQ(again.window.memberGrid()->columnWidth(28), 55);
}

TEST(MainForm, MaximizedStateIsRestored) {
    test::Club club;
    RegistrySetString("WindowState", "wsMaximized");
    ProgramRun run;
    EXPECT_TRUE(run.window.isMaximized());
    run.window.close();
    EXPECT_EQ(RegistryGetString("WindowState"), "wsMaximized");
}

TEST(MainForm, DeletingAMemberAsksAndKeepsItsPayments) {
    test::Club club;
    Messages msgs;
    ProgramRun run;
    addMember(run.data.members(), "Anna", "Berg");
    const int id = run.data.members().intValue("ID");
    Dataset& p = run.data.feePayments();
    p.insert();
    p.setValue("Mitgliedsnummer", id);
    p.setValue("Jahr", 2011);
    p.post();

    msgs.answers = {ui::Answer::No};
    run.window.action("PopMitgliedLoeschen")->trigger();
    EXPECT_EQ(msgs.texts, QStringList{"Mitglied Anna Berg wirklich löschen?"});
    EXPECT_EQ(run.data.members().recordCount(), 1);
    msgs.answers = {ui::Answer::Yes};
    run.window.action("PopMitgliedLoeschen")->trigger();
    EXPECT_EQ(run.data.members().recordCount(), 0);
    EXPECT_EQ(run.data.feePayments().recordCount(), 1);
}

TEST(MainForm, RefreshReReadsAllButADatasetBeingEdited) {
    test::Club club;
    ProgramRun run;
    addMember(run.data.members(), "Anna", "Berg");
    addMember(run.data.members(), "Bert", "Cramer");
    run.data.members().last();
    {
        // Another workstation.
        DataModule other;
        other.openFolder(club.folder());
        addMember(other.members(), "Carl", "Dorn");
        other.settings().DbSettingSet("Titel", "von drüben");
    }
    run.data.members().edit();
    run.window.refreshDatasets();
    EXPECT_EQ(run.data.members().recordCount(), 2);  // skipped while edited
    EXPECT_EQ(run.data.settings().DbSettingGet("Titel"), "von drüben");
    run.data.members().cancel();
    run.window.refreshDatasets();
    EXPECT_EQ(run.data.members().recordCount(), 3);
    EXPECT_EQ(run.data.members().text("Vorname"), "Bert");  // the current record is kept
}

TEST(MainForm, RuleNoticesAreShownOnceAfterTheStores) {
    test::Club club;
    Messages msgs;
    ProgramRun run;
    Dataset& m = run.data.members();
    for (const char* name : {"Anna", "Bert"}) {  // e.g. moved by the fee class screen
        m.insert();
        m.setText("Vorname", name);
        m.setText("Betrag", "Gibtsnicht");
        m.post();
    }
    EXPECT_TRUE(msgs.texts.isEmpty());  // never inside a store
    QApplication::processEvents();
    EXPECT_EQ(msgs.texts, QStringList{MemberRules::kWrongFeeClassMessage});
}

TEST(MainForm, MenusToolBarAndTheErrorBox) {
    test::clearUserSettings();
    Messages msgs;
    ProgramRun run;  // no database: the creation screen is closed without choosing
    EXPECT_FALSE(run.window.connected());
    QStringList menus;
    for (QAction* a : run.window.menuBar()->actions()) menus << a->text();
    EXPECT_EQ(menus, (QStringList{"&Programm", "&Mitglieder", "&Buchungen", "&Drucken", "&Textverarbeitung", "&Hilfe"}));
    EXPECT_FALSE(run.window.action("ActJubilaeen")->isVisible());
    EXPECT_TRUE(run.window.findChild<QAction*>("TbJubilaeen")->isVisible());
    EXPECT_FALSE(run.window.action("ActDruckMitglieder")->isEnabled());  // nothing to print without a database
    EXPECT_TRUE(run.window.action("ActSpalten")->isEnabled());
    EXPECT_EQ(run.window.action("ActHilfe")->shortcut(), QKeySequence(Qt::Key_F1));

    // Without a database the screens on data cannot be reached, from menu, tool bar,
    // context menu or double click, and take no typing.
    for (const char* name : {"ActMitgliedNeu", "ActMitgliedBearbeiten", "ActBeitragsklassen", "TbMitgliedNeu",
                             "TbMitgliedBearbeiten", "PopMitgliedBearbeiten", "PopMitgliedLoeschen", "ActAuswerten",
                             "ActBuchungNeu", "TbBuchungNeu", "ActBuchungenAuswerten", "ActUmbuchen",
                             "ActJahresabschluss", "ActSaldenNeu", "PopBuchungLoeschen"})
        EXPECT_FALSE(run.window.findChild<QAction*>(name)->isEnabled()) << name;
    run.shown.clear();
    run.window.editMember();  // a double click on the grid
    run.window.editBooking();
    EXPECT_TRUE(run.shown.isEmpty());
    TDatenEingebenF* entry = run.window.memberEntry();
    TBeitragsklassenF* fees = run.window.feeClassScreen();
    entry->prepareShow();
    fees->prepareShow();
    const struct {
        QDialog* screen;
        const char* field;
        const char* newButton;
    } screens[] = {{entry, "Nachname", ui::memberentry::controls::kNew}, {fees, "Name", ui::feeclasses::controls::kNew}};
    for (const auto& s : screens) {
        SCOPED_TRACE(s.field);
        auto* edit = qobject_cast<QLineEdit*>(ui::BindingSet::controlOf(s.screen, s.field));
        ASSERT_NE(edit, nullptr);
        QTest::keyClicks(edit, "Berg");
        EXPECT_EQ(edit->text(), "");
        EXPECT_FALSE(s.screen->findChild<QWidget*>(s.newButton)->isEnabled());
    }
    EXPECT_TRUE(msgs.texts.isEmpty()) << msgs.texts.join('|').toStdString();
    // What still reaches a dataset says so in words a club officer knows.
    try {
        run.data.members().insert();
        ADD_FAILURE() << "inserted without a database";
    } catch (const DataError& e) {
        EXPECT_EQ(e.message(), QString::fromUtf8(Dataset::kNoDatabaseMessage));
    }
    EXPECT_TRUE(run.window.isVisible());

    // The manual is missing in the sandbox: said in a message.
    msgs.texts.clear();
    run.window.action("ActHilfe")->trigger();
    ASSERT_EQ(msgs.texts.size(), 1);
    EXPECT_TRUE(msgs.texts[0].contains("Ferolind NET - Handbuch.pdf"));
}

TEST(MainForm, SelectionScreensOpenFromMenusAndToolBarAndFollowTheColumnLayout) {
    test::Club club;
    club.addMember({{"Nachname", "Berg"}, {"Ort", "Dresden"}});
    club.data->settings().DbSettingSet("S1", "Abteilung");
    RegistrySetInt("SpaltenMitglieder", 0x1FFFFFFF & ~(1 << 7));  // "Ort" hidden
    RegistrySetInt("BreiteSammelloeschenPLZ", 77);
    {
        ProgramRun run;
        for (const char* a : {"ActAuswerten", "ActAustritte", "ActSammelloeschen", "ActStatistik"}) {
            EXPECT_TRUE(run.window.action(a)->isEnabled()) << a;
            run.window.action(a)->trigger();
        }
        run.window.findChild<QAction*>("TbAuswerten")->trigger();
        run.window.findChild<QAction*>("TbSammelloeschen")->trigger();
        EXPECT_EQ(run.shown, (QStringList{"TMitgliederAuswertenF", "TAustritteF", "TSammelloeschenF", "TStatistikF",
                                          "TMitgliederAuswertenF", "TSammelloeschenF"}));
        for (const char* a : {"ActDruckMitglieder", "ActDruckBuchungen", "ActDruckJahresabschluss", "ActEtiketten",
                              "ActSpendenquittung"})
            EXPECT_TRUE(run.window.action(a)->isEnabled()) << a;
        EXPECT_TRUE(run.window.findChild<QAction*>("TbJubilaeen")->isEnabled());

        const QVector<ui::DatasetGrid*> grids = {run.window.queryScreen()->memberGrid(),
                                                 run.window.leaversScreen()->memberGrid(),
                                                 run.window.massDeletionScreen()->memberGrid()};
        for (ui::DatasetGrid* g : grids) {
            EXPECT_TRUE(g->isColumnHidden(7));
            EXPECT_FALSE(g->isColumnHidden(6));
            EXPECT_EQ(g->titles()[23], "Abteilung");
        }
        EXPECT_EQ(grids[2]->columnWidth(6), 77);
        grids[0]->setColumnWidth(3, 120);
        // The query screen offers the label and opens the member entry on a double click.
        TMitgliederAuswertenF* query = run.window.queryScreen();
        query->prepareShow();
        EXPECT_EQ(query->findChild<QComboBox*>("CB1")->itemText(24), "Abteilung");
        run.shown.clear();
        query->openMemberEntry();
        EXPECT_EQ(run.shown, QStringList{"TDatenEingebenF"});
    }
    EXPECT_EQ(RegistryGetInt("BreiteMitgliederAuswertenNachname"), 120);
    EXPECT_EQ(RegistryGetInt("BreiteAustrittePLZ"), ui::DatasetGrid::kOtherColumnWidth);
    EXPECT_EQ(RegistryGetInt("BreiteSammelloeschenOrt"), -1);  // hidden
}

TEST(MainForm, BookingMenuEntriesAndDeletingFromTheGrid) {
    test::Club club;
    Messages msgs;
    ProgramRun run;
    Dataset& b = run.data.bookings();
    run.window.action("ActBuchungNeu")->trigger();
    EXPECT_EQ(run.shown, QStringList{"TBuchungF"});
    EXPECT_EQ(b.state(), Dataset::State::Insert);  // the screen opens on a new booking
    b.setText("Betrag", "30");
    b.setText("Bestandskonto", "Kasse");
    ASSERT_TRUE(b.post());
    EXPECT_EQ(run.data.settings().AccountBalanceGet("Kasse"), 30 * kMoneyUnit);
    run.window.action("ActBuchungBearbeiten")->trigger();
    run.window.action("ActBuchungskonten")->trigger();
    EXPECT_EQ(run.shown, (QStringList{"TBuchungF", "TBuchungF", "TBuchungskontenF"}));
    // The asset account screen needs an account; the other booking screens open as they are.
    run.data.settings().DbSettingSetList("bestandskonten", {});
    run.window.action("ActUmbuchen")->trigger();
    EXPECT_EQ(msgs.texts.takeLast(), "Es sind noch keine Bestandskonten bei Buchungen angelegt worden.");
    run.shown.clear();
    run.data.settings().DbSettingSetList("bestandskonten", {"Kasse"});
    for (const char* a : {"ActUmbuchen", "ActStartwerte", "ActKontosalden", "ActJahresabschluss", "ActBuchungenAuswerten"})
        run.window.action(a)->trigger();
    EXPECT_EQ(run.shown, (QStringList{"TBestandskontenF", "TBestandskontenF", "TkontosaldoF", "TBuchungAbschlF",
                                      "TBuchungenAuswertenF"}));
    // A double click in the booking query opens the booking entry on that booking.
    run.shown.clear();
    emit run.window.bookingQueryScreen()->openBooking();
    EXPECT_EQ(run.shown, QStringList{"TBuchungF"});

    // Deleting from the grid's menu asks, and the rules take the amount out of the balance.
    msgs.answers = {ui::Answer::No};
    run.window.action("PopBuchungLoeschen")->trigger();
    EXPECT_EQ(msgs.texts.takeLast(), "Möchten Sie diesen Buchungssatz wirklich löschen?");
    EXPECT_EQ(b.totalCount(), 1);
    run.window.action("PopBuchungLoeschen")->trigger();
    EXPECT_EQ(b.totalCount(), 0);
    EXPECT_EQ(run.data.settings().AccountBalanceGet("Kasse"), 0);

    // A booking refused by the rules outside the entry screen: the notice after the store.
    b.insert();
    b.setText("Betrag", "1");
    EXPECT_FALSE(b.post());
    b.cancel();
    QApplication::processEvents();
    EXPECT_EQ(msgs.texts.takeLast(), "Bitte ein Bestandskonto eingeben, ansonsten kann die Buchung nicht gespeichert werden.");

    run.data.settings().AccountBalanceSet("Kasse", 5);
    run.window.action("ActSaldenNeu")->trigger();
    EXPECT_EQ(msgs.texts.takeLast(), "Die Kontosalden wurden aktualisiert");
    EXPECT_EQ(run.data.settings().AccountBalanceGet("Kasse"), 0);
}

TEST(MainForm, TheWindowComesBackAtTheSizeItWasClosedAtAfterManyRestarts) {
    test::Club club;
    // The window manager framed the window at the last close (8 by 30 pixels of frame).
    RegistrySetString("WindowState", "wsNormal");
    RegistrySetInt("Width", 908);
    RegistrySetInt("Height", 630);
    RegistrySetInt("RahmenBreite", 8);
    RegistrySetInt("RahmenHoehe", 30);
    {
        ProgramRun run;
        EXPECT_EQ(run.window.size(), QSize(900, 600));
    }
    // Closed at a size, started three times: the same size each time.
    {
        ProgramRun run;
        run.window.resize(937, 611);
        QApplication::processEvents();
    }
    for (int i = 0; i < 3; ++i) {
        ProgramRun run;
        EXPECT_EQ(run.window.size(), QSize(937, 611)) << "start " << i + 2;
    }
    EXPECT_EQ(RegistryGetInt("Width") - RegistryGetInt("RahmenBreite"), 937);
    EXPECT_EQ(RegistryGetInt("Height") - RegistryGetInt("RahmenHoehe"), 611);
}

TEST(MainForm, EveryToolBarButtonIsReachableAtTheDesignedWidth) {
    test::Club club;
    ProgramRun run;
    run.window.showNormal();
    run.window.resize(1000, 640);
    QApplication::processEvents();
    const char* buttons[] = {"TbMitgliedNeu", "TbMitgliedBearbeiten", "TbAuswerten", "TbSammelloeschen", "TbJubilaeen",
                             "TbBeitragssaeumige", "TbDruckMitglieder", "TbBuchungNeu", "TbBuchungBearbeiten",
                             "TbBuchungenAuswerten", "TbDruckBuchungen", "TbDruckJahresabschluss", "TbSpalten",
                             "TbImport", "TbExport", "TbBeenden", "TbBrief", "TbSerienbrief", "TbHilfe", "TbInternet"};
    QStringList order;
    for (QToolBar* bar : run.window.toolBarRows()) {
        // Nothing is folded behind the extension button "»".
        for (QWidget* ext : bar->findChildren<QWidget*>("qt_toolbar_ext_button"))
            EXPECT_FALSE(ext->isVisible()) << bar->objectName().toStdString();
        EXPECT_LE(bar->geometry().right(), run.window.width());
        for (QAction* a : bar->actions())
            if (!a->isSeparator()) order << a->objectName();
    }
    QStringList expected;
    for (const char* b : buttons) expected << b;
    EXPECT_EQ(order, expected);  // the designed order
    for (const char* b : buttons) {
        SCOPED_TRACE(b);
        QWidget* w = toolButton(run.window, b);
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->isVisible());
        const QRect r(w->mapTo(&run.window, QPoint(0, 0)), w->size());
        EXPECT_TRUE(run.window.rect().contains(r)) << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
    }
    EXPECT_EQ(run.window.findChild<QAction*>("TbSpalten")->text(), "Spalten anpassen\n(Mitglieder)");
    EXPECT_EQ(run.window.findChild<QAction*>("TbMitgliedNeu")->toolTip(), "Neues Mitglied anlegen");
}

TEST(MainForm, AfterARestartTheMemberGridOpensAtItsFirstRowWithTheSortArrow) {
    test::Club club;
    {
        ProgramRun run;
        for (const char* last : {"Zander", "Adam", "Meier", "Berg"}) addMember(run.data.members(), "X", last);
        run.window.sortMembersByColumn(3);  // "Nachname"
        run.data.members().last();
    }
    ProgramRun again;
    QApplication::processEvents();
    Dataset& m = again.data.members();
    EXPECT_EQ(m.position(), 0);
    EXPECT_EQ(m.text("Nachname"), "Adam");
    ui::DatasetGrid* grid = again.window.memberGrid();
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(grid->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(grid->horizontalHeader()->isSortIndicatorShown());
    EXPECT_EQ(grid->horizontalHeader()->sortIndicatorSection(), 3);
    EXPECT_EQ(grid->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
}

// A club opened on the creation screen brings its own values; the ones read before it,
// at a start without a club, must not stay (a yearly club was run as a monthly one).
TEST(MainForm, AClubOpenedOnTheCreationScreenIsRunWithItsOwnValues) {
    QString folder;
    std::unique_ptr<test::Club> club = std::make_unique<test::Club>();
    folder = club->folder();
    storePaymentPeriodKind(*club->data, 2);  // yearly
    club->data->settings().DbSettingSet("S1", "Abteilung");
    club->data->settings().DbSettingSetInt("Refresh", 30);
    club->addMember({{"ID", "12345678"}, {"Nachname", "Berg"}});
    test::clearUserSettings();  // this workstation knows no club yet
    Messages msgs;
    ProgramRun run([&](QDialog& d) {
        auto* screen = qobject_cast<TDBErstellenF*>(&d);
        if (!screen) return 0;
        screen->prepareShow();
        screen->findChild<QLineEdit*>(dbcreate::kOpenFolder)->setText(folder);
        QTest::mouseClick(screen->findChild<QPushButton*>(dbcreate::kOpen), Qt::LeftButton);
        return screen->result();
    });
    ASSERT_EQ(run.shown, QStringList{"TDBErstellenF"});
    ASSERT_TRUE(run.window.connected());
    EXPECT_EQ(run.window.feePaymentScreen()->periodKind(), 2);
    EXPECT_EQ(storedPaymentPeriodKind(run.data), 2);  // not overwritten with "monatlich"
    EXPECT_EQ(run.window.labels().s[0], "Abteilung");
    const int column = int(memberColumnFields().indexOf("Sonstiges1"));
    EXPECT_EQ(run.window.memberGrid()->titles().value(column), "Abteilung");
    EXPECT_EQ(run.window.refreshSeconds(), 30);
    EXPECT_TRUE(run.window.refreshTimer()->isActive());
    EXPECT_EQ(run.window.refreshTimer()->interval(), 30000);
    EXPECT_TRUE(run.window.action("ActBeitragBuchen")->isEnabled());
    // The member number column fits the club's numbers, and so does the width stored at the close.
    ui::DatasetGrid* grid = run.window.memberGrid();
    const int id = int(memberColumnFields().indexOf("ID"));
    EXPECT_GT(grid->widestNumberWidth(id), 31);
    EXPECT_GE(grid->columnWidth(id), grid->widestNumberWidth(id));
    run.window.close();
    EXPECT_GE(RegistryGetInt("BreiteMainID"), grid->widestNumberWidth(id));
    EXPECT_TRUE(msgs.texts.isEmpty()) << msgs.texts.join('|').toStdString();
}

// A free field renamed by the club goes by its new name in every screen that offers it.
TEST(MainForm, ARenamedFreeFieldGoesByItsNameEverywhere) {
    test::Club club;
    club.data->settings().DbSettingSet("S1", "Abteilung");
    club.data->settings().DbSettingSet("S4", "Ehrenamt");
    Messages msgs;
    ProgramRun run;
    QStringList offered;
    auto* print = run.window.printDialog();
    for (int box : {23, 26}) {
        auto* b = print->findChild<QCheckBox*>(QString(ferolind::ui::printdialog::controls::kMemberField) + QString::number(box));
        offered << (b ? b->text() : "?");
    }
    auto* exportScreen = run.window.findChild<QDialog*>("TMitgliederExportierenF");
    ASSERT_TRUE(exportScreen);
    for (const char* field : {"Sonstiges1", "Sonstiges4"}) {
        auto* b = exportScreen->findChild<QCheckBox*>(ferolind::ui::exportscreen::controls::columnBox(field));
        offered << (b ? b->text() : "?");
    }
    auto* mandate = run.window.dtausScreen()->findChild<QComboBox*>("CBSepaMandatsdatum");
    ASSERT_TRUE(mandate);
    offered << mandate->itemText(mandate->findData("Sonstiges1")) << mandate->itemText(mandate->findData("Sonstiges4"));
    EXPECT_EQ(offered, (QStringList{"Abteilung", "Ehrenamt", "Abteilung", "Ehrenamt", "Abteilung", "Ehrenamt"}));
}
