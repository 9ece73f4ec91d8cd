// The member list on the recording canvas: heading, rules, columns left out, bold names,
// the fee class cell, wrapped rows, rows per page in both orientations and paging.
#include "club.h"
#include "printing/memberlistlayout.h"
#include "printing/recordingcanvas.h"

#include <gtest/gtest.h>

using namespace ferolind;
using namespace ferolind::printing;
using test::Club;

namespace {

// An A4 page of 600 dpi: the design units are device units.
constexpr int kW = 4961, kH = 7016;

struct Lists : Club {
    MemberListLayout layout{data->members(), data->feeClasses()};
    Lists() { layout.title = QStringLiteral("Mitgliederliste 2011"); }
    void addFeeClass(const QString& name, const QString& fee) {
        Dataset& f = data->feeClasses();
        f.insert();
        f.setText(QStringLiteral("Name"), name);
        f.setText(QStringLiteral("Beitrag"), fee);
        f.post();
    }
    void only(std::initializer_list<const char*> fields) {
        layout.selected.fill(false);
        for (const char* f : fields) layout.selected[memberPrintFields().indexOf(QString::fromLatin1(f))] = true;
    }
    // Page p as it stays visible on the canvas; the layout's end report in `last`.
    QVector<DrawnItem> page(int p, int* last = nullptr, int W = kW, int H = kH) {
        RecordingCanvas c;
        layout.prepare(c, W, H);
        const int l = layout.drawPage(c, W, H, p);
        if (last) *last = l;
        return c.visible();
    }
};

QVector<DrawnItem> texts(const QVector<DrawnItem>& items) {
    QVector<DrawnItem> t;
    for (const DrawnItem& i : items)
        if (i.kind == DrawnItem::Text) t << i;
    return t;
}
QVector<DrawnItem> lines(const QVector<DrawnItem>& items) {
    QVector<DrawnItem> t;
    for (const DrawnItem& i : items)
        if (i.kind == DrawnItem::Line) t << i;
    return t;
}
const DrawnItem* find(const QVector<DrawnItem>& items, const QString& text) {
    for (const DrawnItem& i : items)
        if (i.kind == DrawnItem::Text && i.text == text) return &i;
    return nullptr;
}

}  // namespace

TEST(MemberList, HeadingTitleRulesAndFirstRow) {
    Lists club;
    club.addMember({{"Vorname", "Anna"}, {"Nachname", "Berg"}, {"Ort", "Dresden"}});
    club.only({"ID", "Vorname", "Nachname", "Ort"});
    int last = 0;
    const auto items = club.page(1, &last);
    EXPECT_EQ(last, 1);

    const DrawnItem* title = find(items, "Mitgliederliste 2011");
    ASSERT_TRUE(title);
    EXPECT_EQ(title->x, 2480);  // N(0.5 * 4961), halves to even
    EXPECT_EQ(title->y, 183);
    EXPECT_EQ(title->height, 100);
    EXPECT_EQ(title->h, HAlign::Center);
    EXPECT_EQ(title->v, VAlign::Top);
    EXPECT_EQ(title->family, "Arial");

    // Two rules around the title, the double rule under the headings, one under the row.
    const auto rules = lines(items);
    ASSERT_EQ(rules.size(), 5);
    const int ys[] = {158, 309, 625, 637, 837};
    const int pens[] = {5, 5, 2, 2, 2};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(rules[i].y, ys[i]) << i;
        EXPECT_EQ(rules[i].y2, ys[i]) << i;
        EXPECT_EQ(rules[i].x, 0);
        EXPECT_EQ(rules[i].x2, 8000);
        EXPECT_EQ(rules[i].penWidth, pens[i]) << i;
    }

    // Headings in Arial Narrow on their baseline, each column as wide as its widest cell
    // plus the gap; the first row 100 units under the double rule.
    const DrawnItem* id = find(items, "ID");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->family, "Arial Narrow");
    EXPECT_EQ(id->height, 65);
    EXPECT_EQ(id->x, 216);
    EXPECT_EQ(id->y, 560);
    EXPECT_EQ(id->v, VAlign::Baseline);
    EXPECT_EQ(find(items, "Vorname")->x, 216 + 35 + 60);  // "1": 35 units in height 71
    EXPECT_EQ(club.layout.firstBaseline(), 737);
    const DrawnItem* anna = find(items, "Anna");
    ASSERT_TRUE(anna);
    EXPECT_EQ(anna->y, 737);
    EXPECT_EQ(anna->x, 216 + 95);
    EXPECT_EQ(anna->family, "Arial");
    EXPECT_EQ(anna->height, 71);
}

TEST(MemberList, BoldNamesFeeClassCellAndEmptyColumnsLeftOut) {
    Lists club;
    club.addFeeClass("Erwachsene", "48,5");
    club.addMember({{"Vorname", "Anna"}, {"Nachname", "Berg"}, {"Betrag", "Erwachsene"}});
    club.addMember({{"Vorname", "Max"}, {"Nachname", "Ohneklasse"}, {"Betrag", "Unbekannt"}});
    club.addMember({{"Vorname", "Lea"}, {"Nachname", "Leer"}});
    club.only({"Vorname", "Nachname", "Telefax", "Betrag"});  // nobody has a fax
    const auto items = texts(club.page(1));

    EXPECT_FALSE(find(items, "Telefax"));  // the heading of the empty column is left out
    EXPECT_TRUE(club.layout.leftOut(memberPrintFields().indexOf("Telefax")));
    EXPECT_TRUE(find(items, "Beitragsklasse"));
    for (const char* name : {"Anna", "Berg", "Max", "Ohneklasse"}) {
        ASSERT_TRUE(find(items, name)) << name;
        EXPECT_TRUE(find(items, name)->style.bold) << name;
    }
    ASSERT_TRUE(find(items, "Erwachsene 48,50 €"));
    EXPECT_FALSE(find(items, "Erwachsene 48,50 €")->style.bold);
    EXPECT_TRUE(find(items, "Unbekannt "));  // no such class: the name and a blank
    // Bold is measured bold: the name column is as wide as "Ohneklasse" in bold plus the gap.
    EXPECT_EQ(find(items, "Nachname")->x, 216 + 4 * 36 + 60);
    EXPECT_EQ(find(items, "Beitragsklasse")->x, 216 + 4 * 36 + 60 + 10 * 36 + 60);
}

TEST(MemberList, EmptyListGivesOnePageWithTheHeadingOnly) {
    Lists club;
    int last = 0;
    const auto items = club.page(1, &last);
    EXPECT_EQ(last, 1);
    const auto t = texts(items);
    ASSERT_EQ(t.size(), 1);
    EXPECT_EQ(t[0].text, "Mitgliederliste 2011");
    EXPECT_EQ(lines(items).size(), 4);
}

TEST(MemberList, WrappedRowsAndHeadingsWrapAtTheSamePlace) {
    Lists club;
    const QString longText(50, QChar(u'x'));  // 50 * 35 + 60 = 1810 units per column
    club.addMember({{"Vorname", "Anna"}, {"Nachname", "Berg"}, {"Strasse", longText}, {"Ort", longText},
                    {"Email", longText}, {"Bank", "Sparkasse"}});
    club.only({"Vorname", "Nachname", "Strasse", "Ort", "Email", "Bank"});
    const auto items = texts(club.page(1));
    // Strasse and Ort end at 4244; after e-Mail x passes 90 % of the width: the next
    // column starts a line lower at x = 400.
    const DrawnItem* bankHeading = find(items, "Bank");
    const DrawnItem* bank = find(items, "Sparkasse");
    ASSERT_TRUE(bankHeading && bank);
    EXPECT_EQ(bankHeading->x, 400);
    EXPECT_EQ(bankHeading->y, 560 + 108);
    EXPECT_EQ(bank->x, 400);
    const int base = club.layout.firstBaseline();
    EXPECT_EQ(base, 737 + 108);
    EXPECT_EQ(bank->y, base + 108);
    EXPECT_EQ(find(items, "Anna")->y, base);
    EXPECT_EQ(club.layout.RowPitch(), 108 + 216);
    EXPECT_EQ(club.layout.rowsPerPage(), int((0.95 * kH - base) / 324) + 1);
}

TEST(MemberList, RowsPerPagePortraitAndLandscapeAndPaging) {
    Lists club;
    for (int i = 1; i <= 30; ++i) club.addMember({{"Vorname", QStringLiteral("V%1").arg(i)}, {"Nachname", "N"}});
    club.only({"ID", "Vorname", "Nachname"});

    int last = -1;
    auto p1 = texts(club.page(1, &last));
    EXPECT_EQ(club.layout.rowsPerPage(), 28);  // 737 + 27 * 216 <= 0.95 * 7016
    EXPECT_EQ(last, 0);  // more to come
    EXPECT_TRUE(find(p1, "V28"));
    EXPECT_FALSE(find(p1, "V29"));
    auto p2 = texts(club.page(2, &last));
    EXPECT_EQ(last, 2);
    EXPECT_TRUE(find(p2, "V29") && find(p2, "V30"));
    EXPECT_EQ(find(p2, "V29")->y, 737);
    EXPECT_FALSE(find(p2, "V28"));

    club.layout.landscape = true;
    auto l1 = texts(club.page(1, &last, 7016, 4961));
    EXPECT_EQ(club.layout.rowsPerPage(), 19);  // 737 + 18 * 216 <= 0.95 * 4961
    EXPECT_EQ(find(l1, "Mitgliederliste 2011")->x, 3508);
    EXPECT_TRUE(find(l1, "V19"));
    EXPECT_FALSE(find(l1, "V20"));
    club.page(2, &last, 7016, 4961);
    EXPECT_EQ(last, 2);
}

TEST(MemberList, ALastFullPageIsTheLastPage) {
    Lists club;
    for (int i = 1; i <= 28; ++i) club.addMember({{"Vorname", QStringLiteral("V%1").arg(i)}, {"Nachname", "N"}});
    club.only({"Vorname", "Nachname"});
    int last = -1;
    const auto p1 = texts(club.page(1, &last));
    EXPECT_TRUE(find(p1, "V28"));
    EXPECT_EQ(last, 1);  // no page with only the heading follows
}

TEST(MemberList, PrintsThePresentedMembersInTheirOrder) {
    Lists club;
    club.addMember({{"Vorname", "Anna"}, {"Nachname", "Zander"}});
    club.addMember({{"Vorname", "Bert"}, {"Nachname", "Adler"}});
    club.addMember({{"Vorname", "Carl"}, {"Nachname", "Moser"}});
    club.members().setSort("Nachname");
    club.members().applyFilter("Nachname <> 'Moser'");
    club.only({"Nachname"});
    const auto t = texts(club.page(1));
    ASSERT_TRUE(find(t, "Adler") && find(t, "Zander"));
    EXPECT_LT(find(t, "Adler")->y, find(t, "Zander")->y);
    EXPECT_FALSE(find(t, "Moser"));
}
