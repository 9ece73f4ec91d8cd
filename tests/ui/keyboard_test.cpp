// The program without a mouse: the menus by Alt and their letter or F10, Enter on a grid
// row, the booking direction with the arrow keys, Ctrl+S in the letter editor.
#include "booking/bookingentry.h"
#include "bookings.h"
#include "club.h"
#include "common/datasetgrid.h"
#include "letters/texteditor.h"
#include "booking/bookingqueryscreen.h"
#include "fees/feepaymentscreen.h"
#include "maintenance/resetscreen.h"
#include "mainform.h"
#include "members/columnsscreen.h"
#include "payments/jubileescreen.h"
#include "payments/receiptscreen.h"
#include "printing/printdialog.h"
#include "messagescript.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>

using namespace ferolind;

namespace {

// The main window on a club, shown and active; screens are recorded, not shown.
struct Shown {
    test::Club club;
    test::MessageScript msgs{ui::Answer::No};
    TMainForm window{*club.session};
    QStringList screens;
    Shown() {
        club.addMember({{"Vorname", "Anna"}, {"Nachname", "Berg"}});
        test::addBooking(club.data->bookings(), "10.01.2011", "E", "100", "Beiträge");
        window.execScreen = [this](QDialog& d) {
            screens << d.metaObject()->className();
            return 0;
        };
        window.show();
        window.runStartUp();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    // The menu that a key opened (closed again), by its title without the "&".
    QString openedMenu(const std::function<void()>& press) {
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        press();
        QString title;
        for (int i = 0; i < 20 && title.isEmpty(); ++i) {
            QApplication::processEvents();
            for (QAction* a : window.menuBar()->actions())
                if (a->menu() && a->menu()->isVisible()) title = a->menu()->title().remove('&');
            if (title.isEmpty()) QTest::qWait(10);
        }
        for (QAction* a : window.menuBar()->actions())
            if (a->menu() && a->menu()->isVisible()) a->menu()->close();
        window.menuBar()->setActiveAction(nullptr);
        QApplication::processEvents();
        return title;
    }
};

}  // namespace

TEST(Keyboard, AltAndTheUnderlinedLetterOrF10OpenTheMenus) {
    Shown s;
    const struct {
        Qt::Key key;
        const char* menu;
    } letters[] = {{Qt::Key_P, "Programm"}, {Qt::Key_M, "Mitglieder"},       {Qt::Key_B, "Buchungen"},
                   {Qt::Key_D, "Drucken"},  {Qt::Key_T, "Textverarbeitung"}, {Qt::Key_H, "Hilfe"}};
    for (const auto& l : letters) {
        SCOPED_TRACE(l.menu);
        EXPECT_EQ(s.openedMenu([&] { QTest::keyClick(&s.window, l.key, Qt::AltModifier); }), l.menu);
    }
    EXPECT_EQ(s.openedMenu([&] { QTest::keyClick(&s.window, Qt::Key_F10); }), "Programm");
}

TEST(Keyboard, EnterOnAGridRowOpensItAsTheDoubleClickDoes) {
    Shown s;
    auto* pages = s.window.findChild<QTabWidget*>("PageControl1");
    ASSERT_TRUE(pages);
    const struct {
        int page;
        ui::DatasetGrid* grid;
        const char* screen;
    } grids[] = {{0, s.window.memberGrid(), "TDatenEingebenF"}, {1, s.window.bookingGrid(), "TBuchungF"}};
    for (const auto& g : grids) {
        SCOPED_TRACE(g.screen);
        pages->setCurrentIndex(g.page);
        g.grid->setFocus();
        g.grid->setCurrentIndex(g.grid->model()->index(0, 1));
        s.screens.clear();
        QTest::keyClick(g.grid, Qt::Key_Return);
        QTest::keyClick(g.grid, Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_EQ(s.screens, (QStringList{g.screen, g.screen}));
    }
}

TEST(Keyboard, TheArrowKeysChooseTheBookingDirection) {
    test::Club club;
    TBuchungF screen(*club.session);
    Dataset& bookings = club.data->bookings();
    bookings.insert();
    screen.prepareShow();
    screen.show();
    screen.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&screen));
    namespace c = ferolind::ui::bookingentry::controls;
    auto* income = screen.findChild<QRadioButton*>(c::kIncome);
    auto* expense = screen.findChild<QRadioButton*>(c::kExpense);
    ASSERT_TRUE(income && expense);
    income->click();
    ASSERT_EQ(bookings.text("SollHaben"), "E");
    income->setFocus();
    QTest::keyClick(income, Qt::Key_Left);
    EXPECT_TRUE(expense->isChecked());
    EXPECT_TRUE(expense->hasFocus());
    EXPECT_EQ(bookings.text("SollHaben"), "A");
    QTest::keyClick(expense, Qt::Key_Down);
    EXPECT_TRUE(income->isChecked());
    EXPECT_EQ(bookings.text("SollHaben"), "E");
    bookings.cancel();
}

TEST(Keyboard, CtrlSSavesTheLetter) {
    test::Club club;
    TTextNeuF editor(*club.session);
    const QString path = club.dir.filePath("brief.rtf");
    editor.askSavePath = [&](const QString&, const QString&) { return path; };
    editor.show();
    editor.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
    auto* text = editor.findChild<QTextEdit*>(ferolind::ui::texteditor::controls::kEditor);
    ASSERT_TRUE(text);
    text->setFocus();
    QTest::keyClicks(text, "Hallo");
    QTest::keyClick(text, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(QFile::exists(path));
}

// Enter anywhere in a screen presses its default button; the reset's is "Abbrechen".
TEST(Keyboard, EnterPressesTheScreensDefaultButton) {
    Shown s;
    s.window.printDialog()->execPreview = [](QDialog&) { return 0; };
    const struct {
        QDialog* screen;
        const char* button;
    } screens[] = {
        {s.window.columnScreen(), "BNeu"},          // OK
        {s.window.bookingQueryScreen(), "BLoeschen"},  // Anzeigen
        {s.window.jubileeScreen(), "BLoeschen"},    // Anzeigen
        {s.window.receiptScreen(), "BNeu"},         // Drucken
        {s.window.resetScreen(), "BSchliessen"},    // Abbrechen
        {s.window.printDialog(), "BNeu"},           // Vorschau
    };
    for (const auto& c : screens) {
        SCOPED_TRACE(c.screen->metaObject()->className());
        auto* button = c.screen->findChild<QPushButton*>(c.button);
        ASSERT_TRUE(button);
        c.screen->show();
        QApplication::processEvents();
        EXPECT_TRUE(button->isDefault());
        int clicks = 0;
        const auto counted = QObject::connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });
        QTest::keyClick(c.screen, Qt::Key_Return);
        QObject::disconnect(counted);
        EXPECT_EQ(clicks, 1);
        c.screen->hide();
    }
    EXPECT_TRUE(s.club.members().isOpen());  // not reset
}
