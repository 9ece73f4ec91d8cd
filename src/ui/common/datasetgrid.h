// A read-only grid over a dataset: whole-row selection that follows the dataset's
// current record both ways, column titles, visible columns, and column widths kept
// per user under "Breite" + prefix + column title (prefix "Main": "BreiteMainPLZ").
#pragma once

#include <QHeaderView>
#include <QStringList>
#include <QTableView>
#include <QVector>

namespace ferolind {
class Dataset;
class DatasetModel;
}  // namespace ferolind

namespace ferolind::ui {

// The designed width of the column of a field, in pixels; 0 keeps the default width of
// the field. A column without an entry is 64 pixels wide.
struct ColumnWidth {
    QString field;
    int pixels;
};
using ColumnWidths = QVector<ColumnWidth>;

// The column titles of a grid: a title too long for its column is drawn cut with "…"
// (the tooltip shows it whole).
class GridHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit GridHeader(QWidget* parent = nullptr);
    // The text the header draws for a section at its current width.
    QString shownTitle(int logicalIndex) const;

protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override;
};

class DatasetGrid : public QTableView {
    Q_OBJECT
public:
    // The width of a column that the designed widths do not name.
    static constexpr int kOtherColumnWidth = 64;

    // A grid without a dataset yet (as a layout file creates it); setDataset follows.
    explicit DatasetGrid(QWidget* parent = nullptr);
    DatasetGrid(Dataset& dataset, const QStringList& fields, const QStringList& titles, const QString& widthPrefix,
                const ColumnWidths& designedWidths = {}, QWidget* parent = nullptr);

    // Shows the fields of the dataset under the titles; once per grid. A designed width
    // for a field the grid does not show is refused (DataError).
    void setDataset(Dataset& dataset, const QStringList& fields, const QStringList& titles, const QString& widthPrefix,
                    const ColumnWidths& designedWidths = {});

    Dataset& dataset() const;
    DatasetModel* datasetModel() const { return model_; }
    const QString& widthPrefix() const { return prefix_; }
    // The column that shows the field (letter case ignored); -1 when none does.
    int column(const QString& field) const;

    void setTitles(const QStringList& titles);
    QStringList titles() const;

    // Shows the columns whose bit is set in `bits` (bit i for column i).
    void applyVisibleColumns(quint32 bits);
    // Width values: a value > 0 replaces the designed width; a hidden column reports -1.
    void loadWidths();
    void saveWidths() const;
    int reportedWidth(int column) const;
    int designedWidth(int column) const;
    // The width the widest value of a number column needs (0 for other columns).
    int widestNumberWidth(int column) const;

    // Shows the sort arrow on the column of the dataset's first sort field.
    void setSortArrowShown(bool on);

signals:
    void titleClicked(int column);
    // A double click on a row, or Enter on the current row (where the grid opens rows).
    void rowDoubleClicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void selectCurrent();
    void updateSortArrow();
    DatasetModel* model_ = nullptr;
    QString prefix_;
    QVector<int> designed_;
    bool syncing_ = false;
    bool sortArrow_ = false;
    int keptScroll_ = -1;  // horizontal scroll position across a re-sort or re-read
};

}  // namespace ferolind::ui
