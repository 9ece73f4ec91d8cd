// The cells of a sheet as they are read: only those holding text are kept, so a sheet
// whose few cells lie far out (column XFD, row 65,536) costs what its cells cost, not
// what its corners span.
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <vector>

namespace ferolind::exchange {

// The most cells a read sheet may span once leading empty rows and columns are dropped;
// beyond it no member import can use the sheet, and the records would not fit in memory.
constexpr qint64 kMaxSheetCells = 16'000'000;

class SheetCells {
public:
    // A cell with text; empty texts are ignored.
    void add(int row, int col, const QString& text) {
        if (text.isEmpty()) return;
        cells_.push_back(Cell{row, col, text});
    }
    bool empty() const { return cells_.empty(); }

    // The records from the first row and column with text on; each record ends at its
    // last cell with text, rows without any are empty records. False (and nothing in
    // `out`) when the records would span more than kMaxSheetCells.
    bool records(QVector<QStringList>& out) const;

private:
    struct Cell {
        int row;
        int col;
        QString text;
    };
    std::vector<Cell> cells_;
};

}  // namespace ferolind::exchange
