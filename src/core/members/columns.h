// Column titles of the member and booking grids, lists and exports, and the mapping
// from a member column title to its field.
#pragma once

#include <QStringList>

namespace ferolind {

// The four free-field labels, club-wide entries "S1" to "S4".
struct FreeFieldLabels {
    QString s[4] = {QStringLiteral("Sonstiges 1"), QStringLiteral("Sonstiges 2"), QStringLiteral("Sonstiges 3"),
                    QStringLiteral("Sonstiges 4")};
    static QString defaultLabel(int i) { return QStringLiteral("Sonstiges %1").arg(i + 1); }
};

// The 29 member columns ID to BeitragAktuellBezahlt, in table order.
const QStringList& memberColumnFields();
// Their titles; entries 24 to 27 carry the free-field labels.
QStringList memberColumnTitles(const FreeFieldLabels& labels = {});
// The 8 booking columns Buchungsnummer to Bestandskonto and their titles.
const QStringList& bookingColumnFields();
const QStringList& bookingColumnTitles();

// The field of the first member column whose title equals the text exactly (letter
// case counts); the empty text when none does.
QString TitleToField(const QString& title, const FreeFieldLabels& labels = {});

}  // namespace ferolind
