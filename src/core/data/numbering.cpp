#include "numbering.h"

#include "dataset.h"
#include "settings.h"

#include <algorithm>
#include <limits>

namespace ferolind {

int nextNumberAfter(qint64 taken) { return taken >= std::numeric_limits<int>::max() ? 0 : int(taken + 1); }

int freeNumber(SettingsStore& settings, const QString& entry, Dataset& table, const QString& field, int proposed) {
    bool ok = false;
    const qint64 handedOut = settings.DbSettingRead(entry).trimmed().toInt(&ok);
    const QVariant highest = table.maxStoredValue(field);
    const qint64 taken = std::max(ok ? handedOut : 0, highest.isNull() ? 0 : highest.toLongLong());
    return proposed > taken ? proposed : nextNumberAfter(taken);
}

}  // namespace ferolind
