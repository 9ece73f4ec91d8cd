// A booking stored through the shared booking dataset and its rules, for tests.
#pragma once

#include "data/dataset.h"

namespace ferolind::test {

inline void addBooking(Dataset& b, const QString& date, const QString& direction, const QString& amount,
                       const QString& category, const QString& text = QStringLiteral("Buchung"),
                       const QString& account = QStringLiteral("Kasse")) {
    b.insert();
    b.setText(QStringLiteral("Datum"), date);
    b.setText(QStringLiteral("SollHaben"), direction);
    b.setText(QStringLiteral("Betrag"), amount);
    b.setText(QStringLiteral("Kategorie"), category);
    b.setText(QStringLiteral("Buchungstext"), text);
    b.setText(QStringLiteral("Bestandskonto"), account);
    if (!b.post()) b.cancel();
}

}  // namespace ferolind::test
