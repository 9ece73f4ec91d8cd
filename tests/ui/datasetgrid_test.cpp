// The dataset grid: designed column widths belong to fields, wherever the grid shows them.
#include "common/datasetgrid.h"
#include "club.h"
#include "data/dataset.h"
#include "data/errors.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QTest>

using namespace ferolind;
using ferolind::ui::DatasetGrid;

namespace {

TEST(DatasetGrid, DesignedWidthsFollowTheirFieldsNotThePositions) {
    test::Club club;
    const QStringList fields = {"Nachname", "ID", "Anrede", "PLZ"};
    DatasetGrid grid(club.members(), fields, fields, "Test", {{"ID", 31}, {"anrede", 0}, {"Nachname", 120}});
    const int fieldDefault = grid.horizontalHeader()->defaultSectionSize();
    const struct {
        const char* field;
        int column;
        int width;
    } cases[] = {
        {"Nachname", 0, 120},
        {"ID", 1, 31},
        {"Anrede", 2, fieldDefault},  // 0: the default width of the field; letter case ignored
        {"PLZ", 3, DatasetGrid::kOtherColumnWidth},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        ASSERT_EQ(grid.column(c.field), c.column);
        EXPECT_EQ(grid.designedWidth(c.column), c.width);
        EXPECT_EQ(grid.columnWidth(c.column), c.width);
    }
    EXPECT_EQ(grid.column("Ort"), -1);
}

TEST(DatasetGrid, AWidthForAFieldTheGridDoesNotShowIsRefused) {
    test::Club club;
    EXPECT_THROW(DatasetGrid(club.members(), {"ID", "Vorname"}, {"ID", "Vorname"}, "Test", {{"Ort", 50}}), DataError);
}

TEST(DatasetGrid, AReReadKeepsScrollPositionAndSelection) {
    test::Club club;
    QStringList inserts;
    for (int i = 1; i <= 300; ++i)
        inserts << QStringLiteral("INSERT INTO mitglieder (ID, Nachname) VALUES (%1, 'N%1')").arg(i);
    test::rawSql(club.folder(), inserts);
    Dataset& members = club.members();
    members.refresh();
    DatasetGrid grid(members, {"ID", "Nachname"}, {"ID", "Nachname"}, "Test");
    grid.resize(300, 200);
    grid.show();
    members.moveTo(150);
    QApplication::processEvents();
    grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->value() + 3);  // the user scrolled a little
    const int scrolled = grid.verticalScrollBar()->value();
    ASSERT_GT(scrolled, 0);

    // Another workstation adds a member; the refresh re-reads.
    test::rawSql(club.folder(), {"INSERT INTO mitglieder (ID, Nachname) VALUES (301, 'N301')"});
    members.refresh();
    QApplication::processEvents();
    EXPECT_EQ(members.recordCount(), 301);
    EXPECT_EQ(members.text("Nachname"), "N151");
    EXPECT_EQ(grid.verticalScrollBar()->value(), scrolled);
    EXPECT_EQ(grid.currentIndex().row(), 150);
    EXPECT_TRUE(grid.selectionModel()->isRowSelected(150, {}));
}

TEST(DatasetGrid, ACutTitleEndsInAnEllipsisAndShowsItselfAsTooltip) {
    test::Club club;
    const QStringList fields = {"ID", "Geburtsdatum", "EintrittDatum"};
    const QStringList titles = {"ID", "Geburtsdatum", "Eintrittsdatum"};
    DatasetGrid grid(club.members(), fields, titles, "Test");
    QHeaderView* header = grid.horizontalHeader();
    EXPECT_EQ(header->textElideMode(), Qt::ElideRight);
    for (int c = 0; c < titles.size(); ++c)
        EXPECT_EQ(grid.model()->headerData(c, Qt::Horizontal, Qt::ToolTipRole).toString(), titles[c]);
    // "Geburtsdatum" does not fit 64 pixels: drawn "Geburts…", not a bare "Geburtsdat".
    auto* titlesShown = qobject_cast<ui::GridHeader*>(header);
    ASSERT_NE(titlesShown, nullptr);
    EXPECT_EQ(titlesShown->shownTitle(0), "ID");
    const QString cut = titlesShown->shownTitle(1);
    EXPECT_TRUE(cut.endsWith(QChar(0x2026))) << cut.toStdString();
    EXPECT_TRUE(QString("Geburtsdatum").startsWith(cut.chopped(1))) << cut.toStdString();
    grid.setColumnWidth(1, 300);
    EXPECT_EQ(titlesShown->shownTitle(1), "Geburtsdatum");
    // The sort arrow takes room from its title.
    grid.setColumnWidth(1, QFontMetrics(header->font()).horizontalAdvance("Geburtsdatum") + 12);
    EXPECT_EQ(titlesShown->shownTitle(1), "Geburtsdatum");
    header->setSortIndicatorShown(true);
    header->setSortIndicator(1, Qt::AscendingOrder);
    EXPECT_TRUE(titlesShown->shownTitle(1).endsWith(QChar(0x2026)));
    grid.setTitles({"ID", "Geburtstag des Mitglieds", "Eintrittsdatum"});
    EXPECT_EQ(grid.model()->headerData(1, Qt::Horizontal, Qt::ToolTipRole).toString(), "Geburtstag des Mitglieds");
}

TEST(DatasetGrid, ANumberColumnIsNeverNarrowerThanItsWidestValueAtFirstStart) {
    test::Club club;
    test::rawSql(club.folder(), {"INSERT INTO mitglieder (ID, Nachname) VALUES (7, 'A')",
                                 "INSERT INTO mitglieder (ID, Nachname) VALUES (123456789, 'B')",
                                 "INSERT INTO mitglieder (ID, Nachname) VALUES (1004, 'C')"});
    club.members().refresh();
    DatasetGrid grid(club.members(), {"ID", "Nachname", "PLZ"}, {"ID", "Nachname", "PLZ"}, "Test", {{"ID", 31}});
    grid.show();
    EXPECT_EQ(grid.columnWidth(0), 31);  // designed, until the widths are loaded at start
    grid.loadWidths();
    // The widest number fits: the style draws it without "…" inside its text margins.
    const int margin = grid.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &grid) + 1;
    const QString widest = grid.model()->index(1, 0).data().toString();
    EXPECT_EQ(widest, "123456789");
    EXPECT_EQ(QFontMetrics(grid.font()).elidedText(widest, Qt::ElideRight, grid.columnWidth(0) - 2 * margin), widest);
    EXPECT_GT(grid.columnWidth(0), 31);
    // Text columns keep their designed widths. A stored width wider than the numbers is
    // kept; a narrower one (stored while the numbers were shorter, or before a club was
    // open) widens to the widest number.
    EXPECT_EQ(grid.columnWidth(1), DatasetGrid::kOtherColumnWidth);
    EXPECT_EQ(grid.columnWidth(2), DatasetGrid::kOtherColumnWidth);
    const int fits = grid.columnWidth(0);
    RegistrySetInt("BreiteTestID", fits + 40);
    grid.loadWidths();
    EXPECT_EQ(grid.columnWidth(0), fits + 40);
    RegistrySetInt("BreiteTestID", 25);
    grid.loadWidths();
    EXPECT_EQ(grid.columnWidth(0), fits);
    RegistrySetInt("BreiteTestID", 0);
    // Short numbers keep the designed width.
    test::Club small;
    small.addMember({{"Nachname", "A"}});
    DatasetGrid narrow(small.members(), {"ID"}, {"ID"}, "Test2", {{"ID", 31}});
    narrow.loadWidths();
    EXPECT_EQ(narrow.columnWidth(0), 31);
}

TEST(DatasetGrid, SortArrowAndHorizontalScrollFollowATitleClick) {
    test::Club club;
    for (const char* n : {"Zander", "Adam", "Meier"}) club.addMember({{"Nachname", n}});
    Dataset& m = club.members();
    const QStringList fields = {"ID", "Vorname", "Nachname", "Strasse", "Land", "PLZ", "Ort", "Telefon1", "Telefon2",
                                "Telefax", "Email", "Geburtsdatum"};
    DatasetGrid grid(m, fields, fields, "Test");
    QObject::connect(&grid, &DatasetGrid::titleClicked, [&](int c) { m.setSort(fields[c]); });
    grid.setSortArrowShown(true);
    grid.resize(300, 200);
    grid.show();
    QApplication::processEvents();
    EXPECT_EQ(grid.horizontalHeader()->sortIndicatorSection(), -1);  // no order yet
    m.setSort("ID");
    QApplication::processEvents();
    EXPECT_EQ(grid.horizontalHeader()->sortIndicatorSection(), 0);

    grid.horizontalScrollBar()->setValue(grid.horizontalScrollBar()->maximum());
    const int scrolled = grid.horizontalScrollBar()->value();
    ASSERT_GT(scrolled, 0);
    QHeaderView* header = grid.horizontalHeader();
    const int telefax = 9;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(telefax) + 5, header->height() / 2));
    QApplication::processEvents();
    EXPECT_EQ(m.sort(), "Telefax");
    EXPECT_EQ(header->sortIndicatorSection(), telefax);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_EQ(grid.horizontalScrollBar()->value(), scrolled);
    // A second click sorts ascending again: the arrow does not turn.
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(telefax) + 5, header->height() / 2));
    QApplication::processEvents();
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_EQ(grid.horizontalScrollBar()->value(), scrolled);
    // An order of several fields shows the arrow on the first.
    m.setSort("Nachname;Vorname");
    QApplication::processEvents();
    EXPECT_EQ(header->sortIndicatorSection(), 2);
}

}  // namespace
