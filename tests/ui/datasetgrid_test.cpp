// The dataset grid: designed column widths belong to fields, wherever the grid shows them.
#include "common/datasetgrid.h"
#include "club.h"
#include "data/errors.h"

#include <gtest/gtest.h>
#include <QHeaderView>

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

}  // namespace
