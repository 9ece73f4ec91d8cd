// The member columns a user sees: the visible-columns bit set (bit i shows member
// column i), kept per user as "SpaltenMitglieder", the editing steps of the column
// screen as plain functions, and the club-wide free-field labels "S1" to "S4".
#pragma once

#include "columns.h"

#include <QStringList>

namespace ferolind {

class SettingsStore;

// All 29 member columns shown.
constexpr quint32 kAllMemberColumns = 0x1FFFFFFF;
constexpr int kMemberColumnCount = 29;

// The stored bit set; all columns when the value is absent or no number.
quint32 loadVisibleColumns();
void saveVisibleColumns(quint32 bits);

// The titles of the shown columns and of the others, each in column order.
struct ColumnLists {
    QStringList shown, rest;
};
ColumnLists columnLists(quint32 bits, const QStringList& titles);

// Shows (or hides) the columns of the selected entries: each entry stands for the
// first column with that title; an entry matching no title changes nothing. Showing a
// shown column or hiding a hidden one leaves the set as it was.
quint32 moveEntries(quint32 bits, const QStringList& selectedTitles, const QStringList& titles, bool show);

// Reads the labels "S1" to "S4", puts the default in place of an empty one and writes
// all four back (a store without open database drops the writes).
FreeFieldLabels setupFreeFieldLabels(SettingsStore& settings);

}  // namespace ferolind
