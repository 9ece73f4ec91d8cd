#include "bindings.h"

#include "data/dataset.h"
#include "data/errors.h"
#include "messages.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace ferolind::ui {

FieldBinding::FieldBinding(Dataset& dataset, const QString& field, QWidget* control)
    : dataset_(dataset), field_(field), control_(control) {
    dataset_.field(field);  // an unknown field is a programming error: fail early
}

void FieldBinding::startEditing() {
    if (updating_) return;
    if (!dataset_.isOpen()) return;
    // Pending first: going into edit mode refreshes the controls that are not.
    pending_ = true;
    try {
        if (!dataset_.isEditing()) dataset_.edit();
    } catch (...) {
        pending_ = false;
        throw;
    }
}

// ------------------------------------------------------------ line edit

namespace {
// The caption the screen shows in front of a control ("Geburtstag"), without its
// mnemonic and colon; empty when it has none.
QString captionOf(const QWidget* control) {
    for (const QLabel* l : control->window()->findChildren<QLabel*>())
        if (l->buddy() == control) {
            QString t = l->text().remove('&').trimmed();
            if (t.endsWith(':')) t.chop(1);
            return t.trimmed();
        }
    return {};
}

// A refusal names the field as the screen does, not by its column name.
DataError namedAsShown(const DataError& e, const QString& field, const QWidget* control) {
    const QString caption = captionOf(control);
    QString text = e.message();
    if (!caption.isEmpty()) text.replace(QStringLiteral("Feld '%1'").arg(field), QStringLiteral("Feld »%1«").arg(caption));
    return DataError(text);
}
}  // namespace

LineEditBinding::LineEditBinding(Dataset& dataset, const QString& field, QLineEdit* edit)
    : FieldBinding(dataset, field, edit), edit_(edit) {
    connect(edit_, &QLineEdit::textEdited, this, [this] { guarded(edit_, [this] { startEditing(); }); });
    connect(edit_, &QLineEdit::editingFinished, this, [this] {
        if (!pending_) return;
        // A text the field cannot take is reported; the focus goes back to the field.
        const bool taken = guarded(edit_, [this] {
            try {
                commit();
            } catch (const DataError& e) {
                throw namedAsShown(e, field_, edit_);
            }
        });
        if (!taken) QTimer::singleShot(0, edit_, [e = edit_] { e->setFocus(); });
    });
}

void LineEditBinding::refresh() {
    pending_ = false;
    updating_ = true;
    edit_->setText(dataset_.isOpen() ? dataset_.text(field_) : QString());
    edit_->setCursorPosition(0);
    updating_ = false;
}

void LineEditBinding::commit() {
    if (!pending_) return;
    if (!dataset_.isEditing()) {
        pending_ = false;
        return;
    }
    dataset_.setText(field_, edit_->text());
    pending_ = false;
    emit committed();
}

// ------------------------------------------------------------ combo box

ComboBinding::ComboBinding(Dataset& dataset, const QString& field, QComboBox* box)
    : FieldBinding(dataset, field, box), box_(box) {
    connect(box_, &QComboBox::currentTextChanged, this, [this] {
        if (updating_) return;
        guarded(box_, [this] {
            startEditing();
            commit();
        });
    });
}

void ComboBinding::refresh() {
    pending_ = false;
    updating_ = true;
    const QString t = dataset_.isOpen() ? dataset_.text(field_) : QString();
    const int i = box_->findText(t, Qt::MatchExactly);
    if (i >= 0)
        box_->setCurrentIndex(i);
    else if (box_->isEditable())
        box_->setEditText(t);
    else
        box_->setCurrentIndex(-1);
    updating_ = false;
}

void ComboBinding::commit() {
    if (!pending_) return;
    if (!dataset_.isEditing()) {
        pending_ = false;
        return;
    }
    dataset_.setText(field_, box_->currentText());
    pending_ = false;
    emit committed();
}

// ------------------------------------------------------------ radio group

// A button stores its dynamic property "value" when the layout gives one ("Einnahme"
// stores "E"), else its caption.
namespace {
QString storedValueOf(const QAbstractButton* b) {
    const QVariant v = b->property("value");
    return v.isValid() ? v.toString() : b->text().remove('&');
}
}  // namespace

RadioBinding::RadioBinding(Dataset& dataset, const QString& field, QButtonGroup* group, QWidget* frame)
    : FieldBinding(dataset, field, frame), group_(group) {
    connect(group_, &QButtonGroup::buttonClicked, this, [this](QAbstractButton* b) {
        guarded(b, [this, b] {
            startEditing();
            dataset_.setText(field_, storedValueOf(b));
            pending_ = false;
            emit committed();
        });
    });
}

void RadioBinding::refresh() {
    updating_ = true;
    const QString t = dataset_.isOpen() ? dataset_.text(field_) : QString();
    group_->setExclusive(false);
    for (QAbstractButton* b : group_->buttons()) b->setChecked(storedValueOf(b) == t);
    group_->setExclusive(true);
    updating_ = false;
}

// ------------------------------------------------------------ check box

CheckBinding::CheckBinding(Dataset& dataset, const QString& field, QCheckBox* box)
    : FieldBinding(dataset, field, box), box_(box) {
    connect(box_, &QCheckBox::clicked, this, [this](bool on) {
        guarded(box_, [this, on] {
            startEditing();
            dataset_.setValue(field_, on);
            pending_ = false;
            emit committed();
        });
    });
}

void CheckBinding::refresh() {
    updating_ = true;
    box_->setChecked(dataset_.isOpen() && dataset_.value(field_).toBool());
    updating_ = false;
}

// ------------------------------------------------------------ set

BindingSet::BindingSet(Dataset& dataset, QObject* parent) : QObject(parent), dataset_(dataset) {
    auto refresh = [this] {
        // While the user types, only the other controls follow the record.
        for (FieldBinding* b : bindings_)
            if (!b->pending()) b->refresh();
    };
    connect(&dataset_, &Dataset::currentChanged, this, refresh);
    connect(&dataset_, &Dataset::viewReset, this, refresh);
    connect(&dataset_, &Dataset::stateChanged, this, [this] {
        if (!dataset_.isEditing())
            refreshAll();
        else
            for (FieldBinding* b : bindings_)
                if (!b->pending()) b->refresh();
    });
    connect(&dataset_, &Dataset::rowUpdated, this, refresh);
}

void BindingSet::refreshAll() {
    for (FieldBinding* b : bindings_) b->refresh();
}

void BindingSet::commitAll() {
    for (FieldBinding* b : bindings_) b->commit();
}

FieldBinding* BindingSet::binding(const QString& field) const {
    for (FieldBinding* b : bindings_)
        if (b->fieldName().compare(field, Qt::CaseInsensitive) == 0) return b;
    return nullptr;
}

QWidget* BindingSet::controlOf(const QObject* screen, const QString& field) {
    for (const BindingSet* set : screen->findChildren<BindingSet*>())
        if (const FieldBinding* b = set->binding(field)) return b->control();
    return nullptr;
}

}  // namespace ferolind::ui
