// A read-only grid over a dataset: whole-row selection that follows the dataset's
// current record both ways, column titles, visible columns, and column widths kept
// per user under "Breite" + prefix + column title (prefix "Main": "BreiteMainPLZ").
#pragma once

#include <QStringList>
#include <QTableView>

namespace ferolind {
class Dataset;
class DatasetModel;
}  // namespace ferolind

namespace ferolind::ui {

class DatasetGrid : public QTableView {
    Q_OBJECT
public:
    // `designedWidths`: pixels per column; 0 keeps the default width of the field.
    DatasetGrid(Dataset& dataset, const QStringList& fields, const QStringList& titles, const QString& widthPrefix,
                const QVector<int>& designedWidths = {}, QWidget* parent = nullptr);

    Dataset& dataset() const;
    DatasetModel* datasetModel() const { return model_; }
    const QString& widthPrefix() const { return prefix_; }

    void setTitles(const QStringList& titles);
    QStringList titles() const;

    // Shows the columns whose bit is set in `bits` (bit i for column i).
    void applyVisibleColumns(quint32 bits);
    // Width values: a value > 0 replaces the designed width; a hidden column reports -1.
    void loadWidths();
    void saveWidths() const;
    int reportedWidth(int column) const;
    int designedWidth(int column) const;

signals:
    void titleClicked(int column);
    void rowDoubleClicked();

private:
    void selectCurrent();
    DatasetModel* model_;
    QString prefix_;
    QVector<int> designed_;
    bool syncing_ = false;
};

}  // namespace ferolind::ui
