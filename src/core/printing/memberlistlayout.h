// The printed member list: every presented member of the member dataset, in its filter
// and order, as a table of up to 28 columns on A4 pages in portrait or landscape.
#pragma once

#include "data/values.h"
#include "members/columns.h"
#include "printjob.h"

#include <QHash>
#include <QVector>
#include <array>

namespace ferolind {
class Dataset;
class SettingsStore;
}

namespace ferolind::printing {

// The 28 printable member columns (the 29 grid columns without DTAUS), in print order.
constexpr int kMemberPrintColumns = 28;
// Field of each printable column.
const QStringList& memberPrintFields();
// Caption of each column's check box in the print dialog.
const QStringList& memberPrintCaptions();
// Heading of each column on paper; the free fields carry the user's labels.
QStringList memberPrintHeadings(const FreeFieldLabels& labels);
// Member grid column (0-based, of the 29) that presets each check box.
int memberPrintGridColumn(int printColumn);

class MemberListLayout : public PageLayout {
public:
    // members: the presented rows are printed; feeClasses: the fee per class name.
    MemberListLayout(Dataset& members, Dataset& feeClasses);

    QString title;
    std::array<bool, kMemberPrintColumns> selected{};
    bool landscape = false;
    FreeFieldLabels labels;
    // The user's free-field labels "S1" to "S4" (the defaults where one is empty).
    void loadLabels(const SettingsStore& settings);

    // The steps the preview takes: the measuring pass (also computes scale, pitch and rows
    // per page), or only the scale, heading, pitch and rows per page with the widths kept.
    void prepare(Canvas& canvas, int W, int H) override;
    void relayout(Canvas& canvas, int W, int H);
    int drawPage(Canvas& canvas, int W, int H, int page) override;

    void MeasureColumns(Canvas& canvas);
    int DrawHeading(Canvas& canvas);  // returns the first row's baseline
    int RowPitch() const;

    // Results of the last layout, for the screen and the tests.
    int rowsPerPage() const { return rows_; }
    int firstBaseline() const { return firstBaseline_; }
    int columnWidth(int gridColumn) const { return widths_[gridColumn]; }
    bool leftOut(int printColumn) const;
    // Cell text of a presented member in a printable column.
    QString cellText(int position, int printColumn) const;

private:
    void scale(int W, int H);
    bool printed(int printColumn) const { return selected[printColumn] && !leftOut(printColumn); }
    // After a column: the wrap rule (from column 4 on, not after the last).
    void wrap(int printColumn, int& x, int& y, int* wraps = nullptr) const;

    Dataset& members_;
    Dataset& feeClasses_;
    QHash<QString, Money> fees_;
    QVector<int> fieldIndex_;  // dataset field per grid column
    std::array<int, 29> widths_{};
    double sx_ = 1, sy_ = 1;
    int W_ = 0, H_ = 0;
    int gap_ = 60;
    int firstBaseline_ = 0;
    int rows_ = 1;
};

}  // namespace ferolind::printing
