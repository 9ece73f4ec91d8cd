// Data-bound controls: a text field, drop-down box, radio group or check box shows a
// field of a dataset's current record; typing puts the record into edit mode and the
// typed text is written to the field when the control is left (or on commit()).
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>

class QLineEdit;
class QComboBox;
class QCheckBox;
class QButtonGroup;
class QWidget;

namespace ferolind {
class Dataset;
}

namespace ferolind::ui {

class FieldBinding : public QObject {
    Q_OBJECT
public:
    FieldBinding(Dataset& dataset, const QString& field, QWidget* control);

    // Shows the field's value (unless the user is typing into it).
    virtual void refresh() = 0;
    // Writes pending typed text to the field; throws DataError with the conversion message.
    virtual void commit() = 0;
    bool pending() const { return pending_; }
    const QString& fieldName() const { return field_; }
    QWidget* control() const { return control_; }
    Dataset& dataset() const { return dataset_; }

signals:
    void committed();  // a value was written to the field

protected:
    void startEditing();  // the user changed the control: edit mode
    Dataset& dataset_;
    QString field_;
    QPointer<QWidget> control_;
    bool pending_ = false;
    bool updating_ = false;
};

class LineEditBinding : public FieldBinding {
    Q_OBJECT
public:
    LineEditBinding(Dataset& dataset, const QString& field, QLineEdit* edit);
    void refresh() override;
    void commit() override;

private:
    QLineEdit* edit_;
};

// An editable drop-down box bound to a text field.
class ComboBinding : public FieldBinding {
    Q_OBJECT
public:
    ComboBinding(Dataset& dataset, const QString& field, QComboBox* box);
    void refresh() override;
    void commit() override;

private:
    QComboBox* box_;
};

// Radio buttons bound to a text field: the button's text is the stored value, or its
// dynamic property "value" where the layout sets one.
class RadioBinding : public FieldBinding {
    Q_OBJECT
public:
    RadioBinding(Dataset& dataset, const QString& field, QButtonGroup* group, QWidget* frame);
    void refresh() override;
    void commit() override {}

private:
    QButtonGroup* group_;
};

class CheckBinding : public FieldBinding {
    Q_OBJECT
public:
    CheckBinding(Dataset& dataset, const QString& field, QCheckBox* box);
    void refresh() override;
    void commit() override {}

private:
    QCheckBox* box_;
};

// The bindings of one screen: refreshed together when the record changes; commitAll
// before a store.
class BindingSet : public QObject {
    Q_OBJECT
public:
    explicit BindingSet(Dataset& dataset, QObject* parent = nullptr);
    template <typename B, typename... Args>
    B* add(Args&&... args) {
        auto* b = new B(dataset_, std::forward<Args>(args)...);
        b->setParent(this);
        bindings_.append(b);
        return b;
    }
    void refreshAll();
    // Writes every pending text; the first conversion error is thrown (DataError).
    void commitAll();
    FieldBinding* binding(const QString& field) const;
    // The control that a binding set of the screen binds to the field (letter case
    // ignored); null when none does. Tests find a screen's controls by their fields.
    static QWidget* controlOf(const QObject* screen, const QString& field);

private:
    Dataset& dataset_;
    QVector<FieldBinding*> bindings_;
};

}  // namespace ferolind::ui
