// Where the windows appear and how large they are: the main window back at its place
// and never off the screen, its normal size kept across a maximized close, each screen
// centred on the main window every time it opens, and every screen usable on a laptop
// screen of 1366 by 768 pixels.
#include "club.h"
#include "common/placement.h"
#include "mainform.h"
#include "messagescript.h"
#include "maintenance/resetscreen.h"
#include "payments/dtausscreen.h"
#include "payments/receiptscreen.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTest>

using namespace ferolind;

namespace {

struct WindowRun {
    DataModule data;
    Session session{data};
    TMainForm window{session};
    explicit WindowRun(bool realScreens = false) {
        if (!realScreens) window.execScreen = [](QDialog&) { return 0; };
        window.show();
        window.runStartUp();
        QApplication::processEvents();
    }
    ~WindowRun() { window.close(); }
};

QRect available() { return QGuiApplication::primaryScreen()->availableGeometry(); }

}  // namespace

TEST(Windows, TheMainWindowComesBackAtItsPlaceAndWhollyOnTheScreen) {
    test::Club club;
    test::MessageScript msgs;
    RegistrySetString("WindowState", "wsNormal");
    RegistrySetInt("Width", 500);
    RegistrySetInt("Height", 400);
    {
        WindowRun run;
        run.window.move(37, 21);
        QApplication::processEvents();
    }
    {
        WindowRun run;
        EXPECT_EQ(run.window.frameGeometry().topLeft(), QPoint(37, 21));
    }
    // Left on a screen that is not there any more: the window comes onto this one.
    const QRect area = available();
    const struct {
        int left, top;
    } off[] = {{area.right() + 400, area.bottom() + 300}, {-3000, 10}, {10, -900}, {area.right() - 20, 5}};
    for (const auto& o : off) {
        SCOPED_TRACE(testing::Message() << o.left << "," << o.top);
        RegistrySetInt("Left", o.left);
        RegistrySetInt("Top", o.top);
        RegistrySetString("WindowState", "wsNormal");
        WindowRun run;
        EXPECT_TRUE(area.contains(run.window.frameGeometry())) << run.window.frameGeometry().x() << ","
                                                               << run.window.frameGeometry().y();
    }
}

TEST(Windows, AMaximizedCloseKeepsTheNormalSizeToReturnTo) {
    test::Club club;
    test::MessageScript msgs;
    RegistrySetString("WindowState", "wsNormal");
    {
        WindowRun run;
        run.window.resize(420, 310);
        run.window.move(30, 40);
        QApplication::processEvents();
        run.window.showMaximized();
        QApplication::processEvents();
    }
    EXPECT_EQ(RegistryGetString("WindowState"), "wsMaximized");
    WindowRun run;
    EXPECT_TRUE(run.window.isMaximized());
    run.window.showNormal();
    QApplication::processEvents();
    EXPECT_EQ(run.window.size(), QSize(420, 310));
    EXPECT_EQ(run.window.frameGeometry().topLeft(), QPoint(30, 40));
}

// Each showing centres the screen on the main window again, also after the user moved
// it away or the main window moved.
TEST(Windows, EveryScreenOpensCentredOnTheMainWindowEachTime) {
    test::Club club;
    test::MessageScript msgs;
    WindowRun run;
    run.window.showNormal();
    run.window.resize(640, 480);
    run.window.move(10, 20);
    QApplication::processEvents();
    QDialog& screen = *run.window.resetScreen();
    ASSERT_LT(screen.width(), 600);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        screen.show();
        QApplication::processEvents();
        const QPoint offset = screen.frameGeometry().center() - run.window.frameGeometry().center();
        EXPECT_LE(std::abs(offset.x()), 1) << offset.x();
        EXPECT_LE(std::abs(offset.y()), 1) << offset.y();
        screen.move(1, 1);  // dragged away by the user
        screen.hide();
        run.window.move(run.window.pos() + QPoint(15, 10));
        QApplication::processEvents();
    }
}

TEST(Windows, APlaceCentredOnTheMainWindowStaysOnTheScreen) {
    const QRect area(0, 0, 1366, 728);
    const struct {
        QRect over;
        QSize outer;
        QPoint at;
    } cases[] = {
        {QRect(183, 44, 1000, 640), QSize(600, 700), QPoint(382, 13)},   // centred
        {QRect(0, 0, 1366, 728), QSize(600, 690), QPoint(382, 18)},      // centred
        {QRect(1200, 500, 1000, 640), QSize(600, 500), QPoint(766, 228)},  // kept inside right and bottom
        {QRect(-900, -500, 1000, 640), QSize(600, 500), QPoint(0, 0)},   // kept inside left and top
        {QRect(100, 100, 800, 600), QSize(1500, 900), QPoint(0, 0)},     // larger than the area: its corner on it
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.over.x() << "," << c.over.y() << " " << c.outer.width());
        EXPECT_EQ(ui::centredWithin(c.over, c.outer, area), c.at);
    }
}

// On a laptop screen of 1366 by 768 pixels (less a panel and the title bar) every
// screen fits with all its buttons; the receipt opens at its designed size.
TEST(Windows, EveryScreenFitsALaptopScreen) {
    test::Club club;
    test::MessageScript msgs;
    WindowRun run;
    const QSize room(1366, 768 - 40 - 30);
    int checked = 0;
    for (QDialog* d : run.window.findChildren<QDialog*>(Qt::FindDirectChildrenOnly)) {
        SCOPED_TRACE(d->metaObject()->className());
        d->ensurePolished();
        const QSize least = d->minimumSizeHint().expandedTo(d->minimumSize());
        EXPECT_LE(least.width(), room.width()) << least.width() << "x" << least.height();
        EXPECT_LE(least.height(), room.height()) << least.width() << "x" << least.height();
        ++checked;
    }
    EXPECT_GT(checked, 20);
    TSpendenF& receipt = *run.window.receiptScreen();
    receipt.show();
    QApplication::processEvents();
    EXPECT_EQ(receipt.size(), QSize(598, 661));
    // Nothing is cut at the right: the scrolling middle is not wider than its room.
    auto* middle = receipt.findChild<QScrollArea*>("SBInhalt");
    ASSERT_TRUE(middle);
    EXPECT_LE(middle->widget()->minimumSizeHint().width(), middle->viewport()->width());
    auto* print = receipt.findChild<QPushButton*>(ferolind::ui::receiptscreen::controls::kPrint);
    ASSERT_TRUE(print);
    EXPECT_TRUE(print->isVisible());
    EXPECT_TRUE(receipt.rect().contains(QRect(print->mapTo(&receipt, QPoint(0, 0)), print->size())));
    receipt.hide();
}

// The SEPA creditor id shows whole, "DE" included.
TEST(Windows, TheCreditorIdFieldShowsAWholeId) {
    test::Club club;
    test::MessageScript msgs;
    WindowRun run;
    QDialog& screen = *run.window.dtausScreen();
    auto* id = screen.findChild<QLineEdit*>("ESepaGlaeubigerID");
    ASSERT_TRUE(id);
    screen.show();
    QApplication::processEvents();
    const QString full = "DE98ZZZ09999999999";
    id->setText(full);
    const int room = id->contentsRect().width() - 8;  // the field's own text margins
    EXPECT_GE(room, id->fontMetrics().horizontalAdvance(full)) << room;
    screen.hide();
}
