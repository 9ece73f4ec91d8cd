#include "recordsmodel.h"

#include "exchange/delimited.h"

namespace ferolind::ui {

RecordsModel::RecordsModel(bool transposed, QObject* parent) : QAbstractTableModel(parent), transposed_(transposed) {}

void RecordsModel::setRecords(QVector<QStringList> records, QStringList fieldNames) {
    beginResetModel();
    records_ = std::move(records);
    fieldNames_ = std::move(fieldNames);
    width_ = std::max(exchange::columnCount(records_), int(fieldNames_.size()));
    endResetModel();
}

void RecordsModel::setTitleRecord(bool on) {
    if (on == titleRecord_) return;
    beginResetModel();
    titleRecord_ = on;
    endResetModel();
}

QString RecordsModel::cell(int record, int field) const {
    if (record < 0 || record >= records_.size()) return {};
    const QStringList& r = records_[record];
    return field >= 0 && field < r.size() ? r[field] : QString();
}

int RecordsModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    if (transposed_) return width_;
    return int(records_.size()) - (titleRecord_ && !records_.isEmpty() ? 1 : 0);
}

int RecordsModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return transposed_ ? int(records_.size()) : width_;
}

QVariant RecordsModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    if (transposed_) return cell(index.column(), index.row());
    return cell(index.row() + (titleRecord_ ? 1 : 0), index.column());
}

QVariant RecordsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    const bool fieldHeader = (orientation == Qt::Vertical) == transposed_;
    if (!fieldHeader) return section + 1;
    if (titleRecord_ && !transposed_) return cell(0, section);
    return section < fieldNames_.size() ? fieldNames_[section] : QString::number(section + 1);
}

}  // namespace ferolind::ui
