// Keyboard help shared by the screens.
#pragma once

class QButtonGroup;
class QWidget;

namespace ferolind::ui {

// The arrow keys choose among the group's buttons (left/up the previous, right/down the
// next), as a click on it would, also when none is chosen yet.
void chooseWithArrowKeys(QButtonGroup* group);

}  // namespace ferolind::ui
