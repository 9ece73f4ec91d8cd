// The dataset grid: designed column widths belong to fields, wherever the grid shows them.
#include "common/datasetgrid.h"
#include "club.h"
#include "data/dataset.h"
#include "data/errors.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>

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

}  // namespace
