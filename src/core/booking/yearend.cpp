#include "yearend.h"

#include "bookingrules.h"
#include "data/connection.h"
#include "data/datamodule.h"
#include "data/rowsetxml.h"

#include <QDir>
#include <QFileInfo>

namespace ferolind {

QString archiveFileName(const QDateTime& moment) {
    const double days = QDate(1899, 12, 30).daysTo(moment.date()) + moment.time().msecsSinceStartOfDay() / 86400000.0;
    return QString::number(days, 'g', 15).replace(u'.', u',') + QStringLiteral("_buchung23.xml");
}

namespace {
QString freeArchivePath(const QString& folder, const QDateTime& moment) {
    const QDir dir(folder);
    const QString name = archiveFileName(moment);
    QString path = dir.filePath(name);
    const QString stem = name.left(name.size() - QStringLiteral("_buchung23.xml").size());
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(stem + QStringLiteral("_%1_buchung23.xml").arg(n));
    return path;
}
}  // namespace

QString closeBookingYear(DataModule& data, const QString& folder, const QDateTime& moment,
                         const std::function<void(int, int)>& progress) {
    Dataset& b = data.bookings();
    b.checkBrowseMode();
    const bool wasFiltered = b.filtered();
    QString path;
    data.DisconnectDB();
    try {
        // One transaction, with the file's write lock held from the start: the journal is
        // read anew from the file, so that the archive holds exactly what is deleted, also
        // what another workstation booked since this one read the journal.
        Transaction tx(data.connection());
        b.requery();
        // 1. The archive of every booking, whatever a screen's filter presents.
        QVector<Row> all;
        all.reserve(b.totalCount());
        for (int i = 0; i < b.totalCount(); ++i) all.append(b.recordAt(i).toRow());
        path = freeArchivePath(folder, moment);
        writeRowsetXml(path, b.fields(), all);  // throws before anything is deleted
        if (progress) progress(1, 3);
        // 2. to 5.: the balances are cleared at the end, so the deletions need not take each
        // booking's effect out first.
        b.clearFilter();
        b.removeAllPresented();
        if (progress) progress(2, 3);
        data.settings().DbSettingSetInt(BookingRules::kLastNumberEntry, 0);
        data.settings().AccountValuesClear();
        tx.commit();
    } catch (...) {
        b.setFiltered(wasFiltered);
        data.ConnectDB();
        throw;
    }
    data.lastBookingNumber = 0;
    b.setFiltered(wasFiltered);
    data.ConnectDB();
    if (progress) progress(3, 3);
    return path;
}

}  // namespace ferolind
