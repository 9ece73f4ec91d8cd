#include "datasetmodel.h"

#include "dataset.h"
#include "values.h"

namespace ferolind {

DatasetModel::DatasetModel(Dataset& dataset, const QStringList& fieldNames, const QStringList& titles, QObject* parent)
    : QAbstractTableModel(parent), dataset_(dataset), titles_(titles) {
    for (const QString& n : fieldNames) fields_ << dataset.field(n);
    rows_ = dataset_.recordCount();
    connect(&dataset_, &Dataset::viewReset, this, [this] {
        beginResetModel();
        rows_ = dataset_.recordCount();
        isFrozen_ = false;
        frozen_.clear();
        endResetModel();
    });
    connect(&dataset_, &Dataset::displaySuspended, this, [this] {
        frozen_ = dataset_.presentedRecords();
        isFrozen_ = true;
    });
    // Resuming without a change of rows: the live rows again.
    connect(&dataset_, &Dataset::currentChanged, this, [this] {
        if (isFrozen_ && !dataset_.controlsDisabled()) {
            isFrozen_ = false;
            frozen_.clear();
        }
    });
    connect(&dataset_, &Dataset::rowUpdated, this, [this](int row) {
        if (row >= 0 && row < rows_) emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    });
}

void DatasetModel::setTitles(const QStringList& titles) {
    titles_ = titles;
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

QString DatasetModel::fieldName(int column) const { return dataset_.fields()[fields_[column]].name; }

int DatasetModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int DatasetModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(fields_.size()); }

QVariant DatasetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_) return {};
    const int f = fields_[index.column()];
    const FieldType type = dataset_.fields()[f].type;
    if (role == Qt::DisplayRole) {
        if (isFrozen_) {
            const int record = index.row() < frozen_.size() ? frozen_[index.row()] : -1;
            if (record < 0 || record >= dataset_.totalCount()) return {};
            return valueToDisplayText(type, dataset_.recordAt(record)[f]);
        }
        if (index.row() >= dataset_.recordCount()) return {};
        return valueToDisplayText(type, dataset_.rowAt(index.row())[f]);
    }
    if (role == Qt::TextAlignmentRole && isNumericType(type)) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    // The tooltip shows the whole title where the column cuts it.
    if (orientation == Qt::Horizontal && (role == Qt::DisplayRole || role == Qt::ToolTipRole) &&
        section < titles_.size())
        return titles_[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

}  // namespace ferolind
