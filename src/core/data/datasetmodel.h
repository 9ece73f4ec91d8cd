// Grid adapter: presents a dataset's rows and chosen fields to item views and follows
// the dataset's changes (re-reads, filter, sort, stores, display suspension).
#pragma once

#include <QAbstractTableModel>
#include <QStringList>

namespace ferolind {

class Dataset;

class DatasetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Shows the given fields (by name) with the given titles.
    DatasetModel(Dataset& dataset, const QStringList& fieldNames, const QStringList& titles, QObject* parent = nullptr);

    void setTitles(const QStringList& titles);
    const QStringList& titles() const { return titles_; }
    QString fieldName(int column) const;
    Dataset& dataset() const { return dataset_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    Dataset& dataset_;
    QVector<int> fields_;
    QStringList titles_;
    int rows_ = 0;  // row count as last announced to the views
    // While the dataset's display is suspended (a print walks it, a screen filters it), the
    // records presented when it began: the grid keeps showing them instead of blank or
    // other rows. Empty otherwise.
    QVector<int> frozen_;
    bool isFrozen_ = false;
};

}  // namespace ferolind
