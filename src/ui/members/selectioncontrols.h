// What the member selection screens (query, leavers, mass deletion) share: the screen
// over the shared member dataset with its grid, the criteria rows and the date pickers.
#pragma once

#include "data/dateranges.h"
#include "members/memberquery.h"

#include <QDialog>
#include <array>

class QComboBox;
class QDateEdit;
class QLineEdit;

namespace ferolind {
class Dataset;
class Session;
}  // namespace ferolind

namespace ferolind::ui {

class DatasetGrid;

struct CriteriaControls {
    std::array<QComboBox*, 3> fields;
    std::array<QLineEdit*, 3> values;

    // Each box gets "LEER" and the 29 titles, and the text "LEER".
    void refill(const FreeFieldLabels& labels) const;
    CriteriaRows rows() const;
};

// Sets both pickers at once; their change signals stay quiet.
void setPickers(QDateEdit* from, QDateEdit* to, const DateRange& range);

// A screen that narrows the shared member dataset and shows it in its member grid (the
// 29 member columns under their titles, widths under "Breite" + prefix). On every close
// the filter goes off, and for a screen that orders the members the order is "ID" again.
class MemberSelectionScreen : public QDialog {
    Q_OBJECT
public:
    // The free-field labels: titles of the grid (and of the screen's boxes).
    void setFreeFieldLabels(const FreeFieldLabels& labels);
    DatasetGrid* memberGrid() const { return grid_; }
    // Closing leaves filter and order on the member dataset (for a caller that prints
    // the selection after the screen closed, and removes it itself).
    bool keepSelectionOnClose = false;

    int exec() override;
    // What opening does, before the screen shows.
    virtual void prepareShow() = 0;
    void done(int result) override;  // every way of closing ends here

protected:
    MemberSelectionScreen(Session& session, QWidget* parent, bool ordersMembers);
    // After the layout is set up: the screen look and the grid over the members (the 29
    // member columns, or only the given fields).
    void setUpScreen(DatasetGrid* grid, const QString& widthPrefix, const QStringList& fields = {});

    Session& session_;
    Dataset& members_;
    FreeFieldLabels labels_;

private:
    QStringList titles() const;
    DatasetGrid* grid_ = nullptr;
    QStringList fields_;
    bool ordersMembers_;
};

}  // namespace ferolind::ui
