// The column screen: which member columns the member grids show, and the labels of
// the four free member fields. It edits a working copy of the visible-columns bit set
// that becomes the accepted set only through "OK"; the labels are stored on every close.
#pragma once

#include <QDialog>
#include <QStringList>

class QLineEdit;
class QListWidget;

namespace ferolind {
class Session;
}

class TZellenZeigenF : public QDialog {
    Q_OBJECT
public:
    TZellenZeigenF(ferolind::Session& session, QWidget* parent = nullptr);

    // The accepted bit set (bit i shows member column i).
    void setVisibleColumns(quint32 bits) { accepted_ = bits; }
    quint32 visibleColumns() const { return accepted_; }
    // The current titles of the 29 member columns (free fields under their labels).
    void setTitles(const QStringList& titles) { titles_ = titles; }
    // The working bit set while the screen is showing.
    quint32 workingColumns() const { return working_; }

    int exec() override;
    // What showing does: the labels into their fields, the working set from the
    // accepted one, both lists filled.
    void prepareShow();

    void done(int result) override;  // every way of closing ends here

signals:
    // The labels were stored: the caller sets them up and applies the visible columns.
    void closedWithLabels();

private:
    void fillLists();
    void move(QListWidget* from, bool show);
    QStringList titles() const;

    ferolind::Session& session_;
    quint32 accepted_;
    quint32 working_;
    QStringList titles_;
    QListWidget* shown_;
    QListWidget* rest_;
    QLineEdit* labels_[4];
};
