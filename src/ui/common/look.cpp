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
    const QString style = QStringLiteral(
        "QHeaderView::section { background-color: rgb(235,235,214); "
        "border: 1px solid #b8b8a4; padding: 2px 4px; }");
    if (auto* t = qobject_cast<QTableView*>(grid)) {
        t->horizontalHeader()->setStyleSheet(style);
        t->verticalHeader()->setStyleSheet(style);
    }
}

}  // namespace ferolind::ui
