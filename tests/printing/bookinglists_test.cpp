// The booking list and the statement on the recording canvas.
#include "booking/accounts.h"
#include "bookings.h"
#include "club.h"
#include "printing/bookinglistlayout.h"
#include "printing/printjob.h"
#include "printing/recordingcanvas.h"
#include "printing/statementlayout.h"

#include <QBuffer>
#include <QPdfWriter>
#include <gtest/gtest.h>

using namespace ferolind;
using namespace ferolind::printing;
using test::Club;

namespace {

constexpr int kW = 4961, kH = 7016;

struct Books : Club {
    Books() : Club(QDate(2011, 6, 15)) {}
    void book(const QString& date, const QString& dir, const QString& amount, const QString& category,
              const QString& text = QStringLiteral("Buchung"), const QString& account = QStringLiteral("Kasse")) {
        test::addBooking(data->bookings(), date, dir, amount, category, text, account);
    }
};

const DrawnItem* find(const QVector<DrawnItem>& items, const QString& text) {
    for (const DrawnItem& i : items)
        if (i.kind == DrawnItem::Text && i.text == text) return &i;
    return nullptr;
}
QStringList textsOf(const QVector<DrawnItem>& items) {
    QStringList t;
    for (const DrawnItem& i : items)
        if (i.kind == DrawnItem::Text) t << i.text;
    return t;
}

struct BookingPage {
    QVector<DrawnItem> items;
    int last = 0;
};
BookingPage bookingPage(BookingListLayout& layout, int p) {
    RecordingCanvas c;
    layout.prepare(c, kW, kH);
    BookingPage r;
    r.last = layout.drawPage(c, kW, kH, p);
    r.items = c.visibleTexts();
    return r;
}

}  // namespace

TEST(BookingList, HeadingRowsAndTheNetSum) {
    Books club;
    club.book("10.01.2011", "E", "100", "Beiträge", "Beitrag Berg");
    club.book("11.01.2011", "A", "12,5", "Porto", "Briefmarken");
    BookingListLayout layout(club.data->bookings());
    layout.title = "Buchungen 2011";
    layout.selected.fill(false);
    layout.selected[1] = layout.selected[3] = layout.selected[5] = true;  // Datum, Buchungstext, Betrag
    RecordingCanvas c;
    layout.prepare(c, kW, kH);
    EXPECT_EQ(layout.drawPage(c, kW, kH, 1), 1);
    const auto t = c.visibleTexts();
    EXPECT_EQ(find(t, "Buchungen 2011")->x, 2200);
    EXPECT_EQ(find(t, "Buchungen 2011")->y, 108);
    EXPECT_EQ(find(t, "Buchungen 2011")->height, 130);
    const DrawnItem* heading = find(t, "Datum");
    ASSERT_TRUE(heading);
    EXPECT_EQ(heading->x, 250);
    EXPECT_EQ(heading->y, 367);
    EXPECT_EQ(heading->family, "Arial Narrow");
    EXPECT_EQ(heading->height, 80);
    EXPECT_FALSE(find(t, "Nr."));
    // Rules at 108 and 259 (pen 5), the double rule at 432 and 444, the first row at 544.
    QVector<int> ys;
    for (const DrawnItem& i : c.visible())
        if (i.kind == DrawnItem::Line) ys << i.y;
    EXPECT_EQ(ys, (QVector<int>{108, 259, 432, 444, 644, 860}));
    EXPECT_EQ(layout.firstBaseline(), 544);
    ASSERT_TRUE(find(t, "10.01.2011"));
    EXPECT_EQ(find(t, "10.01.2011")->y, 544);
    EXPECT_EQ(find(t, "Briefmarken")->y, 544 + 216);
    // The amount column: two decimals, no currency sign; the Datum column is as wide as a date.
    EXPECT_TRUE(find(t, "100,00"));
    EXPECT_TRUE(find(t, "12,50"));
    // Amounts are right-aligned on one edge, so that their decimal commas stand in a line.
    EXPECT_EQ(find(t, "100,00")->h, HAlign::Right);
    EXPECT_EQ(find(t, "12,50")->h, HAlign::Right);
    EXPECT_EQ(find(t, "100,00")->x, find(t, "12,50")->x);
    EXPECT_GT(find(t, "100,00")->x, find(t, "Beitrag Berg")->x);
    EXPECT_EQ(find(t, "Beitrag Berg")->x, 250 + 10 * 35 + 60);
    // The net sum: an expense ("A") subtracts.
    const DrawnItem* sum = find(t, "Summe: 87,50 €");
    ASSERT_TRUE(sum);
    EXPECT_EQ(sum->x, 250);
    EXPECT_EQ(sum->y, 544 + 2 * 216);
}

TEST(BookingList, AllColumnsWrapAndThePitchGrows) {
    Books club;
    const QString longText(50, QChar(u'x'));
    club.book("10.01.2011", "E", "100", longText, longText, longText);
    BookingListLayout layout(club.data->bookings());
    const BookingPage p = bookingPage(layout, 1);
    // The headings wrap where the row wraps: at x = 324, 108 units lower.
    const DrawnItem* kat = find(p.items, "Kategorie");
    const DrawnItem* cell = find(p.items, longText);
    ASSERT_TRUE(kat && cell);
    int wrapsHeading = 0;
    for (const DrawnItem& i : p.items)
        if (i.family == "Arial Narrow" && i.x == 324) ++wrapsHeading;
    EXPECT_GE(wrapsHeading, 1);
    EXPECT_EQ(layout.rowPitch() % 108, 0);
    const int wraps = (layout.rowPitch() - 216) / 108;
    EXPECT_GE(wraps, 1);
    EXPECT_EQ(layout.firstBaseline(), 544 + wraps * 108);
    EXPECT_EQ(layout.rowsPerPage(), int((6300 - layout.firstBaseline()) / layout.rowPitch()) + 1);
}

TEST(BookingList, ExactlyFullPagesEndWithAPageOfTheSumAndEmptyListShowsZero) {
    Books club;
    BookingListLayout empty(club.data->bookings());
    BookingPage p = bookingPage(empty, 1);
    EXPECT_EQ(p.last, 1);
    EXPECT_TRUE(find(p.items, "Summe: 0,00 €"));

    BookingListLayout layout(club.data->bookings());
    layout.selected.fill(false);
    layout.selected[0] = true;
    RecordingCanvas c;
    layout.prepare(c, kW, kH);
    const int R = layout.rowsPerPage();
    EXPECT_EQ(R, (6300 - 544) / 216 + 1);
    for (int i = 0; i < R; ++i) club.book("10.01.2011", "E", "1", "Spenden");
    p = bookingPage(layout, 1);
    EXPECT_EQ(p.last, 0);
    EXPECT_FALSE(find(p.items, QStringLiteral("Summe: %1,00 €").arg(R)));
    p = bookingPage(layout, 2);
    EXPECT_EQ(p.last, 2);
    EXPECT_TRUE(find(p.items, QStringLiteral("Summe: %1,00 €").arg(R)));
}

// ------------------------------------------------------------------ statement

namespace {

struct Statement {
    QVector<DrawnItem> items;
    int last = 0;
};
Statement statement(Books& club, const QDate& from, const QDate& to, bool monthly, int page = 1) {
    StatementLayout layout(club.data->bookings(), club.data->settings());
    layout.title = "Jahresabschluss 2011";
    layout.from = from;
    layout.to = to;
    layout.monthly = monthly;
    RecordingCanvas c;
    Statement s;
    s.last = layout.drawPage(c, kW, kH, page);
    s.items = c.visibleTexts();
    return s;
}

}  // namespace

TEST(Statement, MonthlyBlocksWithAnEmptyFebruaryAndUncountedTransfers) {
    Books club;
    club.book("10.01.2011", "E", "100", "Beiträge");
    club.book("12.01.2011", "E", "5", "beiträge");  // another case: another category
    club.book("20.01.2011", "A", "12,5", "Porto");
    club.book("05.03.2011", "E", "30", "Spenden");
    transfer(*club.data, "Kasse", "Bank", "40", "Umbuchung", QDate(2011, 1, 25));
    // A January booking entered after the March one still counts in January.
    club.book("31.01.2011", "A", "7,5", "Porto");
    const Statement s = statement(club, QDate(2011, 1, 1), QDate(2011, 3, 31), true);
    EXPECT_EQ(s.last, 1);
    const QStringList t = textsOf(s.items);
    EXPECT_EQ(t, (QStringList{"Jahresabschluss 2011",
                              "Monatsabschluss 1 / 2011", "Beiträge", "100,00 €", "Porto", "-20,00 €",
                              "beiträge", "5,00 €", "Summe Einnahmen: 105,00 €", "Summe Ausgaben: -20,00 €",
                              "Monatsabschluss 2 / 2011", "Beiträge", "0,00 €", "Porto", "0,00 €", "beiträge",
                              "0,00 €", "Summe Einnahmen: 0,00 €", "Summe Ausgaben: 0,00 €",
                              "Monatsabschluss 3 / 2011", "Beiträge", "0,00 €", "Porto", "0,00 €", "beiträge",
                              "0,00 €", "Spenden", "30,00 €", "Summe Einnahmen: 30,00 €", "Summe Ausgaben: 0,00 €",
                              "Saldo Kasse: 75,00 €", "Saldo Bank: 40,00 €"}));
    const DrawnItem* feb = find(s.items, "Monatsabschluss 2 / 2011");
    EXPECT_TRUE(feb->style.underline);
    EXPECT_EQ(feb->x, 200);
    EXPECT_EQ(find(s.items, "Monatsabschluss 1 / 2011")->y, 376);
    EXPECT_EQ(find(s.items, "Beiträge")->y, 376 + 194);
    EXPECT_EQ(find(s.items, "Beiträge")->x, 432);
    EXPECT_EQ(find(s.items, "100,00 €")->x, 2160);
    EXPECT_EQ(find(s.items, "100,00 €")->h, HAlign::Right);
    EXPECT_EQ(find(s.items, "Porto")->x, 2376);
    EXPECT_EQ(find(s.items, "-20,00 €")->x, 4104);
    const DrawnItem* income = find(s.items, "Summe Einnahmen: 105,00 €");
    EXPECT_EQ(income->y, 376 + 194 + 2 * 86 + 54);
    EXPECT_EQ(income->x, 1728);
    EXPECT_EQ(income->h, HAlign::Right);
    EXPECT_EQ(find(s.items, "Summe Ausgaben: -20,00 €")->x, 3888);
    EXPECT_EQ(feb->y, income->y + 324);
}

TEST(Statement, NoBookingGivesOneLeftAlignedEmptyBlockAndYearlyLabels) {
    Books club;
    Statement s = statement(club, QDate(2011, 1, 1), QDate(2011, 12, 31), false);
    EXPECT_EQ(textsOf(s.items), (QStringList{"Jahresabschluss 2011", "Jahresabschluss 2011", "Summe Einnahmen: 0,00 €",
                                             "Summe Ausgaben: 0,00 €"}));
    EXPECT_EQ(find(s.items, "Summe Einnahmen: 0,00 €")->h, HAlign::Left);

    // Blocks only up to the last booking's period, although the range goes on.
    club.book("10.02.2010", "E", "1234,5", "Spenden");
    club.book("10.05.2011", "E", "1", "Spenden");
    s = statement(club, QDate(2010, 1, 1), QDate(2013, 12, 31), false);
    const QStringList t = textsOf(s.items);
    EXPECT_TRUE(t.contains("Jahresabschluss 2010"));
    EXPECT_TRUE(t.contains("1.234,50 €"));
    EXPECT_TRUE(t.contains("Jahresabschluss 2011"));
    EXPECT_FALSE(t.contains("Jahresabschluss 2012"));
}

TEST(Statement, ALongBlockContinuesOnTheNextPageUnderTheContinuationHeading) {
    Books club;
    for (int i = 0; i < 80; ++i) club.book("10.01.2011", "E", "1", QStringLiteral("Kategorie %1").arg(i, 2, 10, QChar('0')));
    club.book("10.02.2011", "E", "2", "Kategorie 00");
    Statement p1 = statement(club, QDate(2011, 1, 1), QDate(2011, 2, 28), true, 1);
    EXPECT_EQ(p1.last, 0);
    // Rows from 570 by 86 while y <= 6048: 64 rows on the first page.
    EXPECT_TRUE(find(p1.items, "Kategorie 63"));
    EXPECT_FALSE(find(p1.items, "Kategorie 64"));
    Statement p2 = statement(club, QDate(2011, 1, 1), QDate(2011, 2, 28), true, 2);
    const DrawnItem* cont = find(p2.items, "Monatsabschluss (Fortsetzung) 1 / 2011");
    ASSERT_TRUE(cont);
    EXPECT_EQ(cont->x, 432);
    EXPECT_EQ(cont->y, 378);
    EXPECT_EQ(cont->height, 119);
    EXPECT_TRUE(cont->style.underline);
    EXPECT_EQ(find(p2.items, "Kategorie 64")->y, 378 + 194);
    EXPECT_FALSE(find(p2.items, "Kategorie 63"));
    EXPECT_EQ(textsOf(p2.items).first(), "Jahresabschluss 2011");  // the page header again
    // February's block starts low on page 2 with 80 rows: it goes on to page 3.
    Statement p3 = statement(club, QDate(2011, 1, 1), QDate(2011, 2, 28), true, 3);
    EXPECT_GT(p3.last, 0);
    // Beyond the end: the last page is shown and the count fixed.
    Statement beyond = statement(club, QDate(2011, 1, 1), QDate(2011, 2, 28), true, 9);
    EXPECT_EQ(beyond.last, p3.last);
    EXPECT_EQ(textsOf(beyond.items), textsOf(statement(club, QDate(2011, 1, 1), QDate(2011, 2, 28), true, p3.last).items));
}

// ------------------------------------------------------------------ the print job

namespace {
// A document of `pages` pages that says so only on its last page.
struct Pages : PageLayout {
    int pages;
    explicit Pages(int n) : pages(n) {}
    void prepare(Canvas&, int, int) override {}
    int drawPage(Canvas& c, int, int, int p) override {
        c.drawText(100, 100, QString::number(p));
        return p >= pages ? p : 0;
    }
};
}  // namespace

TEST(PrintJob, AnOpenPageCountNeverCutsTheDocument) {
    Pages doc(150);
    PrintJob job(doc, 100);
    RecordingCanvas c;
    job.drawPage(c, kW, kH, 100);
    EXPECT_GT(job.pageCount(), 100);  // the preview offers more
    EXPECT_FALSE(job.pageCountKnown());
    job.drawPage(c, kW, kH, 150);
    EXPECT_EQ(job.pageCount(), 150);
    EXPECT_TRUE(job.pageCountKnown());

    // All pages on a paged device.
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&out);
    PrintJob all(doc, 100);
    EXPECT_EQ(all.printAll(pdf), 150);
}
