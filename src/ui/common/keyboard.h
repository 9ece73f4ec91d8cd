// Keyboard help shared by the screens.
#pragma once

class QButtonGroup;
class QPushButton;
class QWidget;

namespace ferolind::ui {

// The arrow keys choose among the group's buttons (left/up the previous, right/down the
// next), as a click on it would, also when none is chosen yet.
void chooseWithArrowKeys(QButtonGroup* group);

// The button Enter presses anywhere in its dialog.
void makeDefaultButton(QPushButton* button);

}  // namespace ferolind::ui
