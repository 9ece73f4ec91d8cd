#include "placement.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QMessageBox>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace ferolind::ui {

QPoint centredWithin(const QRect& over, const QSize& outer, const QRect& area) {
    QPoint p = over.center() - QPoint(outer.width() / 2, outer.height() / 2);
    if (area.isValid()) {
        // Larger than the area: its top-left corner stays on it, so title and buttons can be reached.
        p.setX(std::max(area.left(), std::min(p.x(), area.right() + 1 - outer.width())));
        p.setY(std::max(area.top(), std::min(p.y(), area.bottom() + 1 - outer.height())));
    }
    return p;
}

namespace {
bool ownedBy(const QWidget* w, const QWidget* owner) {
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (p == owner) return true;
    return false;
}
}  // namespace

DialogPlacement::DialogPlacement(QWidget* mainWindow) : QObject(mainWindow), main_(mainWindow) {
    qApp->installEventFilter(this);
}

void DialogPlacement::place(QWidget* dialog, QWidget* over) {
    QScreen* screen = over->screen() ? over->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    // The frame the window manager adds; before the first showing it is not known yet,
    // so the main window's frame stands for it.
    const QSize frame = dialog->isVisible() || dialog->frameGeometry().size() != dialog->size()
                            ? dialog->frameGeometry().size() - dialog->size()
                            : over->frameGeometry().size() - over->size();
    if (area.isValid()) {
        const QSize room = area.size() - frame;
        const QSize fitted = dialog->size().boundedTo(room).expandedTo(dialog->minimumSize());
        if (fitted != dialog->size()) dialog->resize(fitted);
    }
    dialog->move(centredWithin(over->frameGeometry(), dialog->size() + frame, area));
}

bool DialogPlacement::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && main_ && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        // Dialogs of this program's windows; a message box is placed by Qt on its parent.
        if (w->isWindow() && qobject_cast<QDialog*>(w) && !qobject_cast<QMessageBox*>(w) && w != main_ &&
            main_->isVisible() && ownedBy(w, main_))
            place(w, main_);
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace ferolind::ui
