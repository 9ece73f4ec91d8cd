// The member selection screens driven offscreen on a real club file: the member query
// ("Mitglieder auswerten"), the leavers list, the mass deletion and the statistics.
// Controls are found by their named constants.
#include "members/leavers.h"
#include "members/massdeletion.h"
#include "members/queryscreen.h"
#include "members/statistics.h"
#include "club.h"
#include "messagescript.h"
#include "common/datasetgrid.h"
#include "common/messages.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

using namespace ferolind;
using ferolind::ui::Answer;
using ferolind::ui::Buttons;
using ferolind::ui::Kind;

namespace {

class SelectionScreens : public ::testing::Test {
protected:
    test::Club club{QDate(2011, 6, 15)};
    Dataset& m = club.members();
    test::MessageScript script;  // answers No when no answer is left
    QStringList& messages = script.texts;
    QList<Answer>& answers = script.answers;

    void SetUp() override {
        club.addMember({{"Vorname", "Anna"}, {"Nachname", "Müller"}, {"Ort", "Berlin"}, {"EintrittDatum", "01.03.2001"}});
        club.addMember({{"Vorname", "Bernd"},
                        {"Nachname", "meier"},
                        {"Ort", "Berlin"},
                        {"EintrittDatum", "01.01.2000"},
                        {"AustrittDatum", "31.12.2010"}});
        club.addMember({{"Vorname", "Carla"}, {"Nachname", "Mayer"}, {"Ort", "Köln"}, {"AustrittDatum", "01.01.2011"}});
        club.addMember(
            {{"Vorname", "Dieter"}, {"Nachname", "Schmidt"}, {"Ort", "Berlin"}, {"EintrittDatum", "31.12.2005"}});
        club.addMember({{"Vorname", "Eva"}, {"Nachname", "Moser"}, {"Ort", "berlin"}, {"AustrittDatum", "30.06.2011"}});
    }
    template <typename T = QWidget>
    static T* get(QWidget* screen, const char* name) {
        T* w = screen->findChild<T*>(QString::fromLatin1(name));
        if (!w) throw std::runtime_error(std::string("no control ") + name);
        return w;
    }
    static void click(QWidget* screen, const char* name) {
        QTest::mouseClick(get<QAbstractButton>(screen, name), Qt::LeftButton);
    }
    // A radio button is hit on its indicator, at its left end.
    static void pick(QWidget* screen, const char* name) {
        auto* rb = get<QRadioButton>(screen, name);
        QTest::mouseClick(rb, Qt::LeftButton, {}, QPoint(6, rb->height() / 2));
    }
    static void choose(QWidget* screen, const char* box, const QString& text) {
        get<QComboBox>(screen, box)->setCurrentText(text);
    }
    static void type(QWidget* screen, const char* field, const QString& text) {
        get<QLineEdit>(screen, field)->setText(text);
    }
    static void setDates(QWidget* screen, const char* from, const QDate& f, const char* to, const QDate& t) {
        get<QDateEdit>(screen, from)->setDate(f);
        get<QDateEdit>(screen, to)->setDate(t);
    }
    QStringList names() {
        QStringList n;
        for (int p = 0; p < m.recordCount(); ++p) n << m.rowAt(p)[m.field("Nachname")].toString();
        return n;
    }
    qint64 membersInFile() { return test::rawSql(club.folder(), {"SELECT COUNT(*) FROM mitglieder"}).toLongLong(); }
};

// ------------------------------------------------------------ member query

namespace q = ferolind::ui::memberquery::controls;

TEST_F(SelectionScreens, QueryWithTwoCriteriaAndAPrefixNarrowsTheSharedMembers) {
    TMitgliederAuswertenF screen(*club.session);
    screen.prepareShow();
    // Opening: "LEER" and the 29 titles, the sort boxes on "ID", "aus" chosen, the range off.
    auto* cb1 = get<QComboBox>(&screen, q::kFields[0]);
    EXPECT_EQ(cb1->count(), 30);
    EXPECT_EQ(cb1->currentText(), "LEER");
    EXPECT_EQ(cb1->itemText(5), "Straße");
    EXPECT_EQ(get<QComboBox>(&screen, q::kSort1)->count(), 29);
    EXPECT_EQ(get<QComboBox>(&screen, q::kSort2)->currentText(), "ID");
    EXPECT_TRUE(get<QRadioButton>(&screen, q::kDateOff)->isChecked());
    EXPECT_FALSE(get<QGroupBox>(&screen, q::kDateGroup)->isEnabled());
    EXPECT_FALSE(get<QDateEdit>(&screen, q::kFrom)->isEnabled());
    EXPECT_EQ(get<QDateEdit>(&screen, q::kFrom)->date(), QDate(1980, 1, 1));
    EXPECT_EQ(get<QDateEdit>(&screen, q::kTo)->date(), QDate(2008, 12, 31));
    EXPECT_TRUE(get<QPushButton>(&screen, q::kPrint)->isEnabled());
    EXPECT_TRUE(get<QPushButton>(&screen, q::kBirthdays)->isEnabled());

    choose(&screen, q::kFields[0], "Nachname");
    type(&screen, q::kValues[0], "m*");
    choose(&screen, q::kFields[1], "Ort");
    type(&screen, q::kValues[1], "Berlin");
    click(&screen, q::kShow);
    EXPECT_EQ(m.filter(), "Nachname = 'm*'and Ort = 'Berlin'");
    EXPECT_TRUE(m.filtered());
    EXPECT_EQ(names(), (QStringList{"Müller", "meier", "Moser"}));
    EXPECT_EQ(screen.memberGrid()->model()->rowCount(), 3);

    // A title typed into a box that names no column: a message, the selection stays.
    choose(&screen, q::kFields[2], "Wohnort");
    click(&screen, q::kShow);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("»Wohnort« ist keine Spalte")) << messages[0].toStdString();
    EXPECT_EQ(names(), (QStringList{"Müller", "meier", "Moser"}));

    // Closing: no filter, sorted by "ID".
    m.setSort("Nachname");
    click(&screen, q::kClose);
    EXPECT_FALSE(m.filtered());
    EXPECT_EQ(m.sort(), "ID");
    EXPECT_EQ(m.recordCount(), 5);
}

TEST_F(SelectionScreens, QueryByDateRangeAndThePresets) {
    TMitgliederAuswertenF screen(*club.session);
    screen.prepareShow();
    pick(&screen, q::kEntryDate);
    EXPECT_TRUE(get<QGroupBox>(&screen, q::kDateGroup)->isEnabled());
    EXPECT_TRUE(get<QDateEdit>(&screen, q::kTo)->isEnabled());
    setDates(&screen, q::kFrom, QDate(2000, 1, 1), q::kTo, QDate(2005, 12, 31));
    click(&screen, q::kShow);
    EXPECT_EQ(m.filter(), "EintrittDatum >= '01.01.2000' and EintrittDatum <= '31.12.2005'");
    EXPECT_EQ(names(), (QStringList{"Müller", "meier", "Schmidt"}));

    get<QRadioButton>(&screen, q::kLeavingEmpty)->setChecked(true);
    choose(&screen, q::kFields[0], "Ort");
    type(&screen, q::kValues[0], "BERLIN");
    click(&screen, q::kShow);
    EXPECT_EQ(m.filter(), "Ort = 'BERLIN' and Austrittdatum = NULL");
    EXPECT_EQ(names(), (QStringList{"Müller", "Schmidt"}));

    // Presets relative to the rules' today, 15 June 2011.
    pick(&screen, q::kQuarter);
    EXPECT_EQ(get<QDateEdit>(&screen, q::kFrom)->date(), QDate(2011, 4, 1));
    EXPECT_EQ(get<QDateEdit>(&screen, q::kTo)->date(), QDate(2011, 6, 30));
    pick(&screen, q::kMonth);
    EXPECT_EQ(get<QDateEdit>(&screen, q::kTo)->date(), QDate(2011, 6, 30));
    EXPECT_EQ(get<QDateEdit>(&screen, q::kFrom)->date(), QDate(2011, 6, 1));
    pick(&screen, q::kYear);
    EXPECT_EQ(get<QDateEdit>(&screen, q::kFrom)->date(), QDate(2011, 1, 1));
    EXPECT_EQ(get<QDateEdit>(&screen, q::kTo)->date(), QDate(2011, 12, 31));
    // The range goes off with "aus".
    pick(&screen, q::kDateOff);
    EXPECT_FALSE(get<QGroupBox>(&screen, q::kDateGroup)->isEnabled());
    screen.done(0);
}

TEST_F(SelectionScreens, QuerySortsAndAllDataKeepsTheOrder) {
    club.addMember({{"Vorname", "Aaron"}, {"Nachname", "Schmidt"}, {"Ort", "Aachen"}});
    TMitgliederAuswertenF screen(*club.session);
    screen.prepareShow();
    choose(&screen, q::kSort1, "Nachname");
    choose(&screen, q::kSort2, "Vorname");
    choose(&screen, q::kFields[0], "Nachname");
    type(&screen, q::kValues[0], "Schmidt");
    click(&screen, q::kShow);
    EXPECT_EQ(m.sort(), "Nachname;Vorname");
    QStringList first;
    for (int p = 0; p < m.recordCount(); ++p) first << m.rowAt(p)[m.field("Vorname")].toString();
    EXPECT_EQ(first, (QStringList{"Aaron", "Dieter"}));

    choose(&screen, q::kSort1, "Vorname");
    choose(&screen, q::kSort2, "ID");
    click(&screen, q::kAllSorted);
    EXPECT_FALSE(m.filtered());
    EXPECT_EQ(m.sort(), "Vorname;ID");
    EXPECT_EQ(names(), (QStringList{"Schmidt", "Müller", "meier", "Mayer", "Schmidt", "Moser"}));
    screen.reject();  // the window's close button
    EXPECT_EQ(m.sort(), "ID");
    EXPECT_EQ(names().first(), "Müller");
}

TEST_F(SelectionScreens, QueryDoubleClickOpensTheMemberEntryOnThatMember) {
    TMitgliederAuswertenF screen(*club.session);
    int opened = 0;
    QString openedOn;
    screen.openMemberEntry = [&] {
        ++opened;
        openedOn = m.text("Nachname");
    };
    screen.prepareShow();
    screen.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&screen));
    ui::DatasetGrid* grid = screen.memberGrid();
    const QRect cell = grid->visualRect(grid->model()->index(3, 3));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(openedOn, "Schmidt");
    screen.done(0);
}

// ------------------------------------------------------------ leavers

namespace l = ferolind::ui::leavers::controls;

TEST_F(SelectionScreens, LeaversOfTheYearAndThePickersTakeEffectOnAnzeigen) {
    TAustritteF screen(*club.session);
    screen.prepareShow();
    EXPECT_TRUE(get<QRadioButton>(&screen, l::kYear)->isChecked());
    EXPECT_EQ(get<QDateEdit>(&screen, l::kFrom)->date(), QDate(2011, 1, 1));
    EXPECT_EQ(m.filter(), "AustrittDatum >= '01.01.2011' and AustrittDatum <= '31.12.2011'");
    EXPECT_EQ(names(), (QStringList{"Mayer", "Moser"}));
    EXPECT_TRUE(get<QPushButton>(&screen, l::kPrint)->isEnabled());

    setDates(&screen, l::kFrom, QDate(2010, 1, 1), l::kTo, QDate(2010, 12, 31));
    EXPECT_EQ(names(), (QStringList{"Mayer", "Moser"}));  // nothing until "Anzeigen"
    click(&screen, l::kShow);
    EXPECT_EQ(names(), QStringList{"meier"});  // left on the to-date

    setDates(&screen, l::kFrom, QDate(2010, 1, 1), l::kTo, QDate(2010, 12, 30));
    click(&screen, l::kShow);
    EXPECT_TRUE(names().isEmpty());

    pick(&screen, l::kQuarter);  // shown at once
    EXPECT_EQ(get<QDateEdit>(&screen, l::kTo)->date(), QDate(2011, 6, 30));
    EXPECT_EQ(names(), QStringList{"Moser"});
    screen.reject();
    EXPECT_FALSE(m.filtered());
}

// ------------------------------------------------------------ mass deletion

namespace d = ferolind::ui::massdeletion::controls;

TEST_F(SelectionScreens, MassDeletionOpensOnAllLeavers) {
    TSammelloeschenF screen(*club.session);
    screen.prepareShow();
    EXPECT_EQ(get<QDateEdit>(&screen, d::kFrom)->date(), QDate(2010, 12, 31));
    EXPECT_EQ(get<QDateEdit>(&screen, d::kTo)->date(), QDate(2011, 6, 30));
    EXPECT_TRUE(get<QCheckBox>(&screen, d::kByLeavingDate)->isChecked());
    EXPECT_TRUE(get<QRadioButton>(&screen, d::kAll)->isChecked());
    EXPECT_EQ(get<QComboBox>(&screen, d::kFields[2])->currentText(), "LEER");
    EXPECT_EQ(names(), (QStringList{"meier", "Mayer", "Moser"}));

    // A picker change narrows at once; a preset too; "alle Daten" goes back.
    get<QDateEdit>(&screen, d::kFrom)->setDate(QDate(2011, 1, 1));
    EXPECT_EQ(names(), (QStringList{"Mayer", "Moser"}));
    pick(&screen, d::kQuarter);
    EXPECT_EQ(names(), QStringList{"Moser"});
    pick(&screen, d::kAll);
    EXPECT_EQ(names(), (QStringList{"meier", "Mayer", "Moser"}));

    // Criteria narrow further; unticked with all rows LEER the selection is everybody.
    choose(&screen, d::kFields[0], "Ort");
    type(&screen, d::kValues[0], "berlin");
    click(&screen, d::kShow);
    EXPECT_EQ(names(), (QStringList{"meier", "Moser"}));
    choose(&screen, d::kFields[0], "LEER");
    QTest::mouseClick(get<QCheckBox>(&screen, d::kByLeavingDate), Qt::LeftButton);
    EXPECT_FALSE(get<QGroupBox>(&screen, d::kDateGroup)->isEnabled());
    EXPECT_FALSE(get<QDateEdit>(&screen, d::kTo)->isEnabled());
    click(&screen, d::kShow);
    EXPECT_EQ(m.recordCount(), 5);
    screen.reject();
    EXPECT_FALSE(m.filtered());
    EXPECT_EQ(m.sort(), "ID");
}

TEST_F(SelectionScreens, MassDeletionAnsweredNeinThenJa) {
    club.addPayment(2, 2010);
    TSammelloeschenF screen(*club.session);
    screen.prepareShow();
    answers = {Answer::No};
    click(&screen, d::kDelete);
    EXPECT_EQ(messages, QStringList{"Wollen Sie die unten angezeigten 3 Mitglieder wirklich löschen?"});
    EXPECT_EQ(membersInFile(), 5);
    EXPECT_EQ(names(), (QStringList{"meier", "Mayer", "Moser"}));  // still shown

    answers = {Answer::Yes};
    click(&screen, d::kDelete);
    EXPECT_EQ(messages.size(), 2);  // the one question, no error
    EXPECT_EQ(membersInFile(), 2);
    EXPECT_TRUE(names().isEmpty());
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT COUNT(*) FROM betrag"}).toInt(), 1);  // payments stay
    screen.reject();
    EXPECT_EQ(names(), (QStringList{"Müller", "Schmidt"}));
}

TEST_F(SelectionScreens, MassDeletionThatFailsPartWayDeletesNothingAndSaysWho) {
    test::rawSql(club.folder(), {"CREATE TRIGGER keep5 BEFORE DELETE ON mitglieder WHEN old.ID = 5 "
                                 "BEGIN SELECT RAISE(ABORT, 'gesperrt'); END"});
    TSammelloeschenF screen(*club.session);
    screen.prepareShow();
    answers = {Answer::Yes};
    click(&screen, d::kDelete);
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[1].contains("Das Mitglied Nr. 5 (Eva Moser) kann nicht gelöscht werden"))
        << messages[1].toStdString();
    EXPECT_EQ(membersInFile(), 5);
    EXPECT_EQ(names(), (QStringList{"meier", "Mayer", "Moser"}));
    screen.reject();
}

// ------------------------------------------------------------ statistics

namespace s = ferolind::ui::statistics::controls;

TEST(StatisticsScreen, ShowsTheCountsOfASmallClub) {
    const QDate today(2011, 6, 15);
    test::Club club(today);
    club.addMember({{"Nachname", "Sieben"}, {"Geburtsdatum", "15.06.2004"}, {"Geschlecht", "Männlich"},
                    {"Status", "aktiv"}});
    club.addMember({{"Nachname", "Sechs"}, {"Geburtsdatum", "16.06.2004"}, {"Geschlecht", "weiblich"},
                    {"Status", "Aktiv"}});
    club.addMember({{"Nachname", "Alt"}, {"Geburtsdatum", "10.01.1916"}, {"Status", "passiv"}});
    club.addMember({{"Nachname", "Ohne"}, {"Geschlecht", "Männlich"}});
    TStatistikF screen(*club.session);
    screen.prepareShow();
    auto* tabs = screen.findChild<QTabWidget*>(s::kPages);
    ASSERT_TRUE(tabs);
    EXPECT_EQ(tabs->tabText(0), "Allgemein");
    EXPECT_EQ(tabs->tabText(1), "Altersstruktur");
    // Each count label beside its caption, in screen order.
    const QStringList captions = {"Mitgliederanzahl:", "männlich:", "weiblich:", "aktiv:", "passiv:", "bis 6:",
                                  "6 - 12",           "13 - 17",   "18 - 24",   "25 - 29", "30 - 39", "40 - 49",
                                  "50 - 59",          "60 - 69",   "70 - 79",   "ab 80"};
    const QStringList expected = {"4", "2", "1", "2", "1", "1", "1", "0", "0", "0", "0", "0", "0", "0", "0", "0"};
    QStringList shown, captionsShown;
    for (int i = 0; i < 16; ++i) {
        auto* value = screen.findChild<QLabel*>(s::kCounts[i]);
        ASSERT_TRUE(value) << s::kCounts[i];
        shown << value->text();
        // The caption sits left of the value in the same row of its page.
        auto* grid = qobject_cast<QGridLayout*>(value->parentWidget()->layout());
        ASSERT_TRUE(grid);
        int row, col, rs, cs;
        grid->getItemPosition(grid->indexOf(value), &row, &col, &rs, &cs);
        captionsShown << qobject_cast<QLabel*>(grid->itemAtPosition(row, col - 1)->widget())->text();
    }
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(captionsShown, captions);

    // Opened again after a change: counted anew.
    club.addMember({{"Nachname", "Neu"}, {"Geburtsdatum", "01.01.1990"}});
    screen.prepareShow();
    EXPECT_EQ(screen.findChild<QLabel*>(s::kCounts[0])->text(), "5");
    EXPECT_EQ(screen.findChild<QLabel*>("LAlter5")->text(), "0");   // 21: "18 - 24"
    EXPECT_EQ(screen.findChild<QLabel*>("LAlter4")->text(), "1");
}

}  // namespace
