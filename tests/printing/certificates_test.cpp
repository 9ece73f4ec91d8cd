// The donation receipt and the address labels on the recording canvas: every line of
// the receipt at its place for the money and the in-kind receipt, the amount in words,
// and the label sheets (pitches, line layout, paging without a cut).
#include "club.h"
#include "printing/donationreceipt.h"
#include "printing/labels.h"
#include "printing/recordingcanvas.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace ferolind;
using namespace ferolind::printing;

namespace {

// A PDF page at 600 dpi.
constexpr int W = 4961, H = 7016;

DonationReceipt sampleReceipt(bool inKind) {
    DonationReceipt r;
    r.club = {"Turnverein Musterstadt e.V.", "Hauptstraße 1", "01067 Dresden", "Dresden-Nord", "203/140/01234",
              "01.02.2010", "01.01.2009", "Förderung des Sports"};
    r.donorName = "Anna Berg";
    r.donorStreet = "Lindenweg 5";
    r.donorTown = "01069 Dresden";
    r.amount = "12,50";
    r.date = "03.05.2011";
    r.inKind = inKind;
    r.itemDescription = "Ein Fahrrad, 3 Jahre alt";
    r.fromPrivateAssets = true;
    r.today = QDate(2011, 5, 14);
    return r;
}

QVector<DrawnItem> drawReceipt(const DonationReceipt& r) {
    DonationReceiptLayout layout(r);
    RecordingCanvas canvas;
    canvas.widthPerCell = 0.4;  // the receipt wraps at measured widths: near-Arial ones
    layout.prepare(canvas, W, H);
    EXPECT_EQ(layout.drawPage(canvas, W, H, 1), 1);
    return canvas.visibleTexts();
}

int dx(int x) { return N(x * double(H) / 3892); }
int dy(int y) { return N(y * double(W) / 2880); }

// The text drawn at a design position; empty when none (several: joined by "|").
QString textAt(const QVector<DrawnItem>& items, int x, int y) {
    QStringList found;
    for (const DrawnItem& i : items)
        if (i.x == dx(x) && i.y == dy(y)) found << i.text;
    return found.join('|');
}

QVector<int> designRows(const QVector<DrawnItem>& items) {
    QVector<int> rows;
    for (const DrawnItem& i : items) rows << i.y;
    return rows;
}

QVector<int> deviceRows(std::initializer_list<int> design) {
    QVector<int> rows;
    for (int y : design) rows << dy(y);
    return rows;
}

}  // namespace

TEST(DonationReceiptForm, AmountInWordsSpellsLeadingDigitsCommasAndPoints) {
    const struct {
        const char* amount;
        const char* words;
    } cases[] = {
        {"12,50", "eins*zwei*Komma*fuenf*null*"},
        {"1.000", "eins*Punkt*null*null*null*"},
        {"25 EUR", "zwei*fuenf*"},
        {" 25", ""},
        {"", ""},
        {"34,6789", "drei*vier*Komma*sechs*sieben*acht*neun*"},
        {"-5", ""},
        {"5-", "fuenf*"},
        {"٣", ""},  // a digit of another script is no digit here
    };
    for (const auto& c : cases) EXPECT_EQ(AmountInWords(QString::fromUtf8(c.amount)), c.words) << c.amount;
    EXPECT_EQ(receiptCopies("3"), 3);
    EXPECT_EQ(receiptCopies("drei"), 1);
    EXPECT_EQ(receiptCopies(""), 1);
}

TEST(DonationReceiptForm, MoneyReceiptDrawsItsLinesInOrderAndNoInKindRows) {
    const QVector<DrawnItem> items = drawReceipt(sampleReceipt(false));
    EXPECT_EQ(designRows(items),
              deviceRows({0,    300,  400,  500,  800,  900,  950,  1125, 1200, 1275, 1350, 1500, 1575, 1700,
                          1775, 2200, 2200, 2600, 2600, 2650, 2700, 2750, 2800, 2800, 2850, 2900, 3000, 3075,
                          3150, 3225, 3300, 3300, 3400, 3550, 3600, 3700, 3750, 3800, 3900, 3950, 4000}));
    EXPECT_EQ(items[0].x, 0);
    EXPECT_EQ(items[0].text, " ");
    EXPECT_EQ(items[0].height, 30);
    EXPECT_EQ(textAt(items, 420, 300), "Turnverein Musterstadt e.V.");
    EXPECT_EQ(textAt(items, 1440, 800), "Bestätigung über Geldzuwendungen/Mitgliedsbeitrag");
    EXPECT_EQ(textAt(items, 600, 1575), "12,50 € (eins*zwei*Komma*fuenf*null*)");
    EXPECT_EQ(textAt(items, 600, 1775), "03.05.2011");
    EXPECT_EQ(textAt(items, 2000, 2200), "JA  [   ]     Nein [X]");
    EXPECT_EQ(textAt(items, 400, 3300), "[  ]");
    // The place-and-date line takes today, not the day of the donation.
    EXPECT_EQ(textAt(items, 400, 3400), "01067 Dresden, den 14.05.2011");
    EXPECT_EQ(textAt(items, 500, 2700),
              "des Finanzamtes Dresden-Nord, StNr. 203/140/01234 vom 01.02.2010 nach § 5 Abs. 1 Nr. 9 des "
              "Körperschaftsteuergesetzes");
    EXPECT_EQ(textAt(items, 500, 2850),
              "durch vorläufige Bescheinigung des Finanzamtes Dresden-Nord, StNr. 203/140/01234) vom 01.02.2010 ab ");
    EXPECT_EQ(textAt(items, 500, 2900), "01.01.2009 als steuerbegünstigten Zwecken dienend anerkannt.");
    EXPECT_EQ(textAt(items, 500, 2600),
              "Wir sind wegen Förderung (Angabe des begünstigten Zwecks / der begünstigten Zwecke) \"Förderung des "
              "Sports\"");

    // Sizes, centring and the signature line.
    for (const DrawnItem& i : items) {
        if (i.y == dy(800)) {
            EXPECT_EQ(i.h, HAlign::Center);
            EXPECT_EQ(i.height, N(16 * 600 / 72.0 * 2288 / 2048));
        }
        if (i.y == dy(1200)) EXPECT_EQ(i.height, 112);  // 12 pt at 600 dpi
        if (i.y == dy(3550)) {
            EXPECT_EQ(i.text, QString(87, ' '));
            EXPECT_TRUE(i.style.underline);
        } else {
            EXPECT_FALSE(i.style.underline) << i.text.toStdString();
        }
        if (i.y != dy(800) && i.y != dy(900) && i.y != dy(950)) EXPECT_EQ(i.h, HAlign::Left) << i.text.toStdString();
        EXPECT_EQ(i.v, VAlign::Baseline);
    }
}

TEST(DonationReceiptForm, InKindReceiptDrawsItsRowsAndLeavesOutTheMoneyStatements) {
    const QVector<DrawnItem> items = drawReceipt(sampleReceipt(true));
    EXPECT_EQ(designRows(items),
              deviceRows({0,    300,  400,  500,  800,  900,  950,  1125, 1200, 1275, 1350, 1500, 1575, 1700,
                          1775, 1900, 2000, 2100, 2100, 2150, 2250, 2250, 2350, 2350, 2450, 2450, 2600, 2600,
                          2650, 2700, 2750, 2800, 2800, 2850, 2900, 3000, 3075, 3150, 3400, 3550, 3600, 3700,
                          3750, 3800, 3900, 3950, 4000}));
    EXPECT_EQ(textAt(items, 1440, 800), "Bestätigung über Sachzuwendungen");
    EXPECT_EQ(textAt(items, 500, 2000), "Ein Fahrrad, 3 Jahre alt");
    EXPECT_EQ(textAt(items, 400, 2100), "[   ]");
    EXPECT_EQ(textAt(items, 400, 2250), "[X]");
    EXPECT_EQ(textAt(items, 500, 2250), kPrivateAssetsCaption);
    EXPECT_EQ(textAt(items, 400, 2350), "[   ]");
    EXPECT_EQ(textAt(items, 500, 2450), kValuationCaption);
    EXPECT_EQ(textAt(items, 400, 2200), "");
    EXPECT_EQ(textAt(items, 400, 3225), "");
}

TEST(DonationReceiptForm, ExemptionMarksAndWaiverFollowTheFlags) {
    for (bool provisional : {false, true}) {
        for (bool waiver : {false, true}) {
            DonationReceipt r = sampleReceipt(false);
            r.club.provisional = provisional;
            r.club.waiver = waiver;
            r.club.notMembershipFee = waiver;
            const QVector<DrawnItem> items = drawReceipt(r);
            // Exactly one of the two statements is marked.
            EXPECT_EQ(textAt(items, 400, 2600), provisional ? "[   ]" : "[X]");
            EXPECT_EQ(textAt(items, 400, 2800), provisional ? "[X]" : "[   ]");
            EXPECT_EQ(textAt(items, 2000, 2200), waiver ? "JA  [X]     Nein [   ]" : "JA  [   ]     Nein [X]");
            EXPECT_EQ(textAt(items, 400, 3300), waiver ? "[X]" : "[  ]");
        }
    }
}

TEST(DonationReceiptForm, EmptyFieldsPrintAsEmptyTexts) {
    DonationReceipt r;
    r.today = QDate(2011, 5, 14);
    const QVector<DrawnItem> items = drawReceipt(r);
    EXPECT_EQ(textAt(items, 420, 300), "");
    EXPECT_EQ(textAt(items, 600, 1575), " € ()");
    EXPECT_EQ(textAt(items, 400, 3400), ", den 14.05.2011");
}

// ------------------------------------------------------------------ labels

namespace {

struct LabelClub {
    test::Club club;
    void add(int n) {
        for (int i = 1; i <= n; ++i)
            club.addMember({{"Anrede", "Frau"}, {"Vorname", QStringLiteral("Vorname%1").arg(i)},
                            {"Nachname", QStringLiteral("Nachname%1").arg(i)}, {"Strasse", "Lindenweg 5"},
                            {"Land", "D"}, {"PLZ", "01067"}, {"Ort", "Dresden"}});
    }
};

// Draws one page at the label page size; returns the drawing's answer and the texts.
std::pair<int, QVector<DrawnItem>> drawLabels(LabelLayout& layout, int page) {
    RecordingCanvas canvas;
    layout.prepare(canvas, LabelLayout::kPageWidth, LabelLayout::kPageHeight);
    const int last = layout.drawPage(canvas, LabelLayout::kPageWidth, LabelLayout::kPageHeight, page);
    return {last, canvas.items};
}

QSet<QPair<int, int>> namePositions(const QVector<DrawnItem>& items) {
    QSet<QPair<int, int>> p;
    for (const DrawnItem& i : items)
        if (i.text.startsWith("Vorname")) p.insert({i.x, i.y - 125});
    return p;
}

}  // namespace

TEST(LabelSheets, SixByTwoPlacesTwelveLabelsOnTheirPitches) {
    LabelClub c;
    c.add(12);
    LabelLayout layout(c.club.members());
    EXPECT_EQ(layout.rowPitch(), 1029);
    EXPECT_EQ(layout.columnPitch(), 2232);
    auto [last, items] = drawLabels(layout, 1);
    EXPECT_EQ(last, 1);  // exactly one sheet: no empty sheet follows
    QSet<QPair<int, int>> expected;
    for (int y : {750, 1779, 2808, 3837, 4866, 5895})
        for (int x : {500, 2732}) expected.insert({x, y});
    EXPECT_EQ(namePositions(items), expected);
    // Left to right, then down: the second member sits beside the first.
    EXPECT_EQ(items[7].text, "Vorname2 Nachname2");
    EXPECT_EQ(items[7].x, 2732);
    EXPECT_EQ(items[7].y, 750 + 125);
}

TEST(LabelSheets, LinesOfALabelFollowTheFieldFlags) {
    LabelClub c;
    c.club.addMember({{"Anrede", "Herr"}, {"Vorname", "Max"}, {"Nachname", "Müller"}, {"Strasse", "Am Markt 2"},
                      {"PLZ", "01067"}, {"Ort", "Dresden"}});
    LabelLayout layout(c.club.members());
    struct Line {
        int x, y, height;
        QString text;
    };
    auto lines = [&] {
        QVector<Line> l;
        for (const DrawnItem& i : drawLabels(layout, 1).second)
            if (i.kind == DrawnItem::Text) l.push_back({i.x, i.y, i.height, i.text});
        return l;
    };
    QVector<Line> all = lines();
    ASSERT_EQ(all.size(), 5);
    const Line expected[] = {{500, 625, 75, "1"},
                             {500, 750, 100, "Herr"},
                             {500, 875, 100, "Max Müller"},
                             {500, 1000, 100, "Am Markt 2"},
                             {500, 1150, 100, "-01067 Dresden"}};  // an empty "Land" still gives the "-"
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(all[i].x, expected[i].x);
        EXPECT_EQ(all[i].y, expected[i].y);
        EXPECT_EQ(all[i].height, expected[i].height);
        EXPECT_EQ(all[i].text, expected[i].text);
    }
    layout.fields.country = false;
    EXPECT_EQ(lines().last().text, "01067 Dresden");
    // Half a name or half a town prints no line; the others keep their places.
    layout.fields.lastName = false;
    layout.fields.town = false;
    layout.fields.id = false;
    all = lines();
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[0].y, 750);
    EXPECT_EQ(all[1].y, 1000);
}

TEST(LabelSheets, EachPageHoldsOnlyItsOwnSheetAndTheSheetsGoOnUntilTheMembersEnd) {
    LabelClub c;
    c.add(13);
    LabelLayout layout(c.club.members());
    auto [first, page1] = drawLabels(layout, 1);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(namePositions(page1).size(), 12);
    auto [second, page2] = drawLabels(layout, 2);
    EXPECT_EQ(second, 2);
    // Nothing of sheet 1 is on page 2, not even wiped away underneath.
    int texts = 0;
    for (const DrawnItem& i : page2) {
        EXPECT_NE(i.kind, DrawnItem::Fill);
        if (i.kind == DrawnItem::Text) ++texts;
        EXPECT_FALSE(i.text.contains("Nachname1 ")) << i.text.toStdString();
    }
    EXPECT_EQ(texts, 5);
    EXPECT_EQ(namePositions(page2), (QSet<QPair<int, int>>{{500, 750}}));

    // Beyond 100 sheets the document goes on: 1 x 1 labels for 103 members give 103 pages.
    c.add(90);
    layout.grid = {1, 1};
    PrintJob job(layout, 100);
    RecordingCanvas canvas;
    for (int p = 1; !(job.pageCountKnown() && p > job.pageCount()); ++p)
        job.drawPage(canvas, LabelLayout::kPageWidth, LabelLayout::kPageHeight, p);
    EXPECT_EQ(job.pageCount(), 103);
}

TEST(LabelSheets, NoMemberGivesOneEmptySheet) {
    test::Club club;
    LabelLayout layout(club.members());
    auto [last, items] = drawLabels(layout, 1);
    EXPECT_EQ(last, 1);
    EXPECT_TRUE(items.isEmpty());
}

TEST(LabelSheets, RowsAndColumnsAreClubEntriesWithSixByTwoForNone) {
    test::Club club;
    SettingsStore& s = club.data->settings();
    EXPECT_EQ(storedLabelGrid(s).rows, 6);
    EXPECT_EQ(storedLabelGrid(s).columns, 2);
    storeLabelGrid(s, {8, 3});
    EXPECT_EQ(s.DbSettingGetInt("ZeilenEtiketten"), 8);
    EXPECT_EQ(storedLabelGrid(s).columns, 3);
    s.DbSettingSetInt("ZeilenEtiketten", 0);
    s.DbSettingSetInt("SpaltenEtiketten", 7);
    EXPECT_EQ(storedLabelGrid(s).rows, 6);
    EXPECT_EQ(storedLabelGrid(s).columns, 2);
    for (LabelGrid bad : {LabelGrid{0, 2}, LabelGrid{21, 2}, LabelGrid{6, 0}, LabelGrid{6, 4}}) {
        EXPECT_THROW(storeLabelGrid(s, bad), DataError);
        EXPECT_EQ(s.DbSettingGetInt("SpaltenEtiketten"), 7);  // nothing written
    }
}
