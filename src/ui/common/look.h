// The common look of the screens: the background colour RGB(235,235,214) of secondary
// screens, button bars and the fixed cells of grids, and tool-window borders.
#pragma once

#include <QColor>

class QWidget;
class QAbstractItemView;

namespace ferolind::ui {

inline const QColor kScreenColour(235, 235, 214);

// A secondary screen: the colour and a tool-window border where the platform has one.
void applyScreenLook(QWidget* screen);
// A grid's fixed cells (column titles, row headers) in the screen colour.
void applyGridLook(QAbstractItemView* grid);

}  // namespace ferolind::ui
