// Numbers handed out by several workstations at once (member numbers, booking numbers):
// a club-wide entry holds the highest number handed out, the table the numbers stored.
#pragma once

#include <QString>
#include <QtGlobal>

namespace ferolind {

class Dataset;
class SettingsStore;

// The number after `taken`, or 0 when an Integer column cannot hold it.
int nextNumberAfter(qint64 taken);

// The number a new record may keep: `proposed` when neither the entry nor the table (as
// the file holds them now) has reached it, else the next free one; 0 when the column can
// hold no higher number. Call inside the store's transaction, so that no other workstation
// takes the same number in between.
int freeNumber(SettingsStore& settings, const QString& entry, Dataset& table, const QString& field, int proposed);

}  // namespace ferolind
