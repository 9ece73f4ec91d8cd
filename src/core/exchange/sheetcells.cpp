#include "sheetcells.h"

#include <algorithm>
#include <climits>

namespace ferolind::exchange {

bool SheetCells::records(QVector<QStringList>& out) const {
    out.clear();
    if (cells_.empty()) return true;
    int firstRow = INT_MAX, lastRow = -1, firstCol = INT_MAX;
    for (const Cell& c : cells_) {
        firstRow = std::min(firstRow, c.row);
        lastRow = std::max(lastRow, c.row);
        firstCol = std::min(firstCol, c.col);
    }
    // Each row's width, to count the cells the records will hold before making them.
    std::vector<int> width(size_t(lastRow - firstRow + 1), 0);
    for (const Cell& c : cells_) {
        int& w = width[size_t(c.row - firstRow)];
        w = std::max(w, c.col - firstCol + 1);
    }
    qint64 total = 0;
    for (int w : width) total += w;
    if (total > kMaxSheetCells) return false;
    out.resize(qsizetype(width.size()));
    for (size_t r = 0; r < width.size(); ++r) {
        out[qsizetype(r)].reserve(width[r]);
        for (int i = 0; i < width[r]; ++i) out[qsizetype(r)] << QString();
    }
    for (const Cell& c : cells_) out[c.row - firstRow][c.col - firstCol] = c.text;
    return true;
}

}  // namespace ferolind::exchange
