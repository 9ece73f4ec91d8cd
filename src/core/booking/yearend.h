// The year-end closing: the whole journal into an archive file, then every booking
// deleted, the numbering back to 0 and every balance and start value removed.
#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

namespace ferolind {

class DataModule;

// The archive's name for a closing at `moment`: the date-time value (days since
// 30.12.1899, the time of day as fraction) with up to 15 significant digits and a decimal
// comma, then "_buchung23.xml": 01.12.2010 15:00:00 gives "40513,625_buchung23.xml".
QString archiveFileName(const QDateTime& moment);

// Closes the booking year. The archive goes into `folder` (the application data folder);
// an archive of the same name is never replaced: the later one is named
// "<moment>_2_buchung23.xml", "_3_", ... If the archive cannot be written nothing is
// deleted; the deletion, the numbering and the balances are one transaction. `progress`
// (may be empty) hears the step done of three. Returns the archive's path.
QString closeBookingYear(DataModule& data, const QString& folder, const QDateTime& moment,
                         const std::function<void(int, int)>& progress = {});

}  // namespace ferolind
