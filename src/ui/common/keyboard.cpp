#include "keyboard.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

#include <algorithm>

namespace ferolind::ui {

namespace {

class ArrowChooser : public QObject {
public:
    explicit ArrowChooser(QButtonGroup* group) : QObject(group), group_(group) {
        for (QAbstractButton* b : group->buttons()) b->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        int step = 0;
        if (key == Qt::Key_Left || key == Qt::Key_Up) step = -1;
        if (key == Qt::Key_Right || key == Qt::Key_Down) step = 1;
        if (step == 0) return false;
        const QList<QAbstractButton*> buttons = group_->buttons();
        const qsizetype at = buttons.indexOf(static_cast<QAbstractButton*>(watched));
        if (at < 0 || buttons.isEmpty()) return false;
        // A choice already made moves on; with none made, the focused button is chosen.
        const bool chosen = group_->checkedButton() != nullptr;
        qsizetype next = chosen ? at + step : at;
        next = std::clamp<qsizetype>(next, 0, buttons.size() - 1);
        QAbstractButton* target = buttons[next];
        if (!target->isEnabled()) return true;
        target->setFocus(Qt::TabFocusReason);
        if (!target->isChecked()) target->click();
        return true;
    }

private:
    QButtonGroup* group_;
};

}  // namespace

void chooseWithArrowKeys(QButtonGroup* group) {
    if (group) new ArrowChooser(group);
}

void makeDefaultButton(QPushButton* button) {
    if (!button) return;
    button->setAutoDefault(true);
    button->setDefault(true);
}

}  // namespace ferolind::ui
