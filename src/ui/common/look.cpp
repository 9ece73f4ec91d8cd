#include "look.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QPalette>
#include <QTableView>
#include <QWidget>

namespace ferolind::ui {

void applyScreenLook(QWidget* screen) {
    QPalette p = screen->palette();
    p.setColor(QPalette::Window, kScreenColour);
    screen->setPalette(p);
    screen->setAutoFillBackground(true);
    screen->setWindowFlag(Qt::Tool, true);
}

void applyGridLook(QAbstractItemView* grid) {
    // Through the palette, not a style sheet: a style sheet's header cuts long titles
    // without "…" and draws no sort arrow of the platform's style.
    if (auto* t = qobject_cast<QTableView*>(grid)) {
        for (QHeaderView* h : {t->horizontalHeader(), t->verticalHeader()}) {
            QPalette p = h->palette();
            p.setColor(QPalette::Button, kScreenColour);
            p.setColor(QPalette::Window, kScreenColour);
            h->setPalette(p);
        }
    }
}

}  // namespace ferolind::ui
