// Long work shows itself: a busy cursor after 300 ms, a progress window with the count
// after 2 s, both gone when the work ends (also by an error).
#include "common/progressdisplay.h"
#include "data/errors.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QProgressDialog>
#include <memory>

using namespace ferolind;
using ferolind::ui::ProgressDisplay;

TEST(ProgressDisplay, BusyCursorThenCountThenNothing) {
    QMainWindow window;
    ProgressDisplay display(&window);
    qint64 now = 1000;
    display.clock = [&] { return now; };
    const auto cursor = [] { return QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : -1; };
    {
        Progress work(QStringLiteral("Die Mitglieder erhalten die Klasse »Jugend«"), 303);
        EXPECT_TRUE(ProgressDisplay::working());
        const struct {
            qint64 at;
            int done;
            bool busy;
            bool window;
        } steps[] = {
            {1100, 10, false, false},  // quick work shows nothing
            {1299, 20, false, false},
            {1300, 30, true, false},  // 300 ms: the busy cursor
            {2999, 100, true, false},
            {3000, 150, true, true},  // 2 s: the count
            {3500, 302, true, true},
        };
        for (const auto& s : steps) {
            SCOPED_TRACE(s.at);
            now = s.at;
            work.step(s.done);
            EXPECT_EQ(display.busy(), s.busy);
            EXPECT_EQ(cursor(), s.busy ? int(Qt::WaitCursor) : -1);
            EXPECT_EQ(display.dialog() != nullptr, s.window);
            if (s.window) {
                EXPECT_TRUE(display.dialog()->isVisible());
                EXPECT_EQ(display.dialog()->value(), s.done);
                EXPECT_EQ(display.dialog()->maximum(), 303);
                EXPECT_TRUE(display.dialog()->labelText().contains(QStringLiteral("%1 von 303").arg(s.done)))
                    << display.dialog()->labelText().toStdString();
                EXPECT_TRUE(display.dialog()->labelText().contains("Jugend"));
            }
        }
    }
    EXPECT_FALSE(ProgressDisplay::working());
    EXPECT_FALSE(display.busy());
    EXPECT_EQ(cursor(), -1);
    EXPECT_EQ(display.dialog(), nullptr);

    // Work that fails ends its display as well; nested work keeps one display.
    now = 0;
    try {
        Progress outer(QStringLiteral("außen"), 2);
        {
            Progress inner(QStringLiteral("innen"), 5);
            now = 2500;
            inner.step(1);
        }
        EXPECT_TRUE(display.busy());  // the outer work goes on
        ASSERT_NE(display.dialog(), nullptr);
        throw DataError(QStringLiteral("Fehler"));
    } catch (const DataError&) {
    }
    EXPECT_FALSE(display.busy());
    EXPECT_EQ(cursor(), -1);
    EXPECT_EQ(display.dialog(), nullptr);
    EXPECT_FALSE(ProgressDisplay::working());
}

// Main windows come and go in any order (tests make many): the newest shows the work, and
// the sink that was there before the first comes back after the last.
TEST(ProgressDisplay, DisplaysMayGoInAnyOrder) {
    int before = 0;
    setProgressSink([&](ProgressPhase, const QString&, int, int) { ++before; });
    auto first = std::make_unique<QMainWindow>();
    auto second = std::make_unique<QMainWindow>();
    auto* a = new ProgressDisplay(first.get());
    auto* b = new ProgressDisplay(second.get());
    qint64 now = 0;
    a->clock = b->clock = [&] { return now; };
    {
        Progress work(QStringLiteral("eins"), 2);
        now = 500;
        work.step(1);
        EXPECT_TRUE(b->busy());
        EXPECT_FALSE(a->busy());
    }
    first.reset();  // the older goes first
    {
        Progress work(QStringLiteral("zwei"), 2);
        now = 1200;
        work.step(1);
        EXPECT_TRUE(b->busy());
    }
    second.reset();
    EXPECT_EQ(before, 0);
    { Progress work(QStringLiteral("drei"), 1); }
    EXPECT_EQ(before, 2);  // start and end, to the sink from before
    setProgressSink({});
}
