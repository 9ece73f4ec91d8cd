// The fee class screen: lists, creates, changes and deletes the fee classes of the
// shared fee class dataset. Renaming and deleting reach the members through the fee
// class rules attached to that dataset.
#pragma once

#include <QDialog>

class QPushButton;
class QLineEdit;

namespace ferolind {
class Session;
class Dataset;
namespace ui {
class BindingSet;
class DatasetGrid;
}  // namespace ui
}  // namespace ferolind

class TBeitragsklassenF : public QDialog {
    Q_OBJECT
public:
    TBeitragsklassenF(ferolind::Session& session, QWidget* parent = nullptr);

    int exec() override;
    // What showing does: the fields and buttons follow the current class.
    void prepareShow();
    // The close question when the class has unsaved changes; true when the screen
    // closed (saved or discarded), false when it stays open.
    bool requestClose();

    void reject() override;  // Escape, the window's close button and "Schließen"

private:
    void newClass();
    void save();
    void removeClass();
    void step(int direction);
    bool hasUnsavedChanges() const;
    void updateButtons();

    ferolind::Session& session_;
    ferolind::Dataset& classes_;
    ferolind::ui::BindingSet* bindings_;
    ferolind::ui::DatasetGrid* grid_;
    QLineEdit* name_;
    QLineEdit* fee_;
    QPushButton* save_;
};
