// Refilling the list of a drop-down box without touching what it shows.
#pragma once

#include <QComboBox>
#include <QSignalBlocker>
#include <QStringList>

namespace ferolind::ui {

// Replaces the items of an editable box and keeps the text it shows, without telling
// its binding (refilling a list is no change of the record).
inline void replaceItems(QComboBox* box, const QStringList& items) {
    const QSignalBlocker block(box);
    const QString text = box->currentText();
    box->clear();
    box->addItems(items);
    const int i = box->findText(text, Qt::MatchExactly);
    if (i >= 0) {
        box->setCurrentIndex(i);
    } else {
        box->setCurrentIndex(-1);
        box->setEditText(text);
    }
}

}  // namespace ferolind::ui
