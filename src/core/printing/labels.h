// Address labels: the members of the member dataset (in its filter and order) on A4
// sheets of R rows and C columns, one label per member. Each page shows only the labels
// of its own sheet, and the sheets go on until the members end.
#pragma once

#include "printjob.h"

namespace ferolind {
class Dataset;
class SettingsStore;
}  // namespace ferolind

namespace ferolind::printing {

// Which member fields go on a label; all ticked at first.
struct LabelFields {
    bool id = true;
    bool salutation = true;
    bool firstName = true;
    bool lastName = true;
    bool street = true;
    bool country = true;
    bool postcode = true;
    bool town = true;
};

// Rows and columns of a sheet and their ranges.
struct LabelGrid {
    int rows = 6;
    int columns = 2;
};
constexpr int kMaxLabelRows = 20;
constexpr int kMaxLabelColumns = 3;

// The club-wide entries "ZeilenEtiketten" and "SpaltenEtiketten"; a stored 0 (or an
// absent entry, or a value out of range) gives 6 rows and 2 columns.
LabelGrid storedLabelGrid(const SettingsStore& settings);
void storeLabelGrid(SettingsStore& settings, const LabelGrid& grid);
// Throws DataError (German) when rows are not 1 to 20 or columns not 1 to 3.
void checkLabelGrid(const LabelGrid& grid);

class LabelLayout : public PageLayout {
public:
    explicit LabelLayout(Dataset& members) : members_(members) {}

    LabelFields fields;
    LabelGrid grid;

    // The label page in its own units: A4 portrait at 600 units per inch.
    static constexpr int kPageWidth = 4960;
    static constexpr int kPageHeight = 7016;
    // Pitches of the sheet grid in page units (to the nearest unit, halves to even).
    int rowPitch() const;
    int columnPitch() const;
    int labelsPerSheet() const { return grid.rows * grid.columns; }
    // Sheets for the presented members; one empty sheet when there is none.
    int sheetCount() const;

    // The lines of the label of a presented member, in order (left out lines are absent).
    struct Line {
        int dy;      // baseline below the label position, page units
        int height;  // cell height, page units
        QString text;
    };
    QVector<Line> labelLines(int position) const;

    void prepare(Canvas& canvas, int W, int H) override;
    int drawPage(Canvas& canvas, int W, int H, int page) override;

private:
    Dataset& members_;
};

}  // namespace ferolind::printing
