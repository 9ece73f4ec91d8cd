// The preview grids of the import screens: records of a source shown one per row (the
// import screen, optionally with the first record as column headings) or transposed, one
// per column (the import assistant). A model rather than a grid of items, so that a
// source of many thousand lines shows at once.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <QVector>

namespace ferolind::ui {

class RecordsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecordsModel(bool transposed, QObject* parent = nullptr);

    void setRecords(QVector<QStringList> records, QStringList fieldNames = {});
    const QVector<QStringList>& records() const { return records_; }
    const QStringList& fieldNames() const { return fieldNames_; }
    // Import screen: the first record becomes the row of column headings.
    void setTitleRecord(bool on);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QString cell(int record, int field) const;
    bool transposed_;
    bool titleRecord_ = false;
    QVector<QStringList> records_;
    QStringList fieldNames_;
    int width_ = 0;
};

}  // namespace ferolind::ui
