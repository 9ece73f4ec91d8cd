// The user manual "Ferolind NET - Handbuch.pdf" in the application folder.
#pragma once

class QWidget;

namespace ferolind::ui {

// Opens the manual with the desktop's viewer; says so in a message when it is missing
// or cannot be opened.
void openManual(QWidget* parent);

}  // namespace ferolind::ui
