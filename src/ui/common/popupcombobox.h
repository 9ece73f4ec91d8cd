// A drop-down box that says when its list is about to open: opening the list of an
// entry screen's box counts as entering the box.
#pragma once

#include <QComboBox>

namespace ferolind::ui {

class PopupComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override {
        emit popupAboutToShow();
        QComboBox::showPopup();
    }

signals:
    void popupAboutToShow();
};

}  // namespace ferolind::ui
