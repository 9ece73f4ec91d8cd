#include "columnsettings.h"

#include "data/settings.h"

#include <algorithm>

namespace ferolind {

namespace {
const QString kVisibleColumns = QStringLiteral("SpaltenMitglieder");

QString labelName(int i) { return QStringLiteral("S%1").arg(i + 1); }
}  // namespace

quint32 loadVisibleColumns() {
    if (!RegistryHasValue(kVisibleColumns)) return kAllMemberColumns;
    bool ok = false;
    const qlonglong n = RegistryGetString(kVisibleColumns).trimmed().toLongLong(&ok);
    if (!ok) return kAllMemberColumns;
    return quint32(n) & kAllMemberColumns;
}

void saveVisibleColumns(quint32 bits) { RegistrySetInt(kVisibleColumns, int(bits & kAllMemberColumns)); }

ColumnLists columnLists(quint32 bits, const QStringList& titles) {
    ColumnLists lists;
    const int n = std::min<int>(titles.size(), kMemberColumnCount);
    for (int i = 0; i < n; ++i) (bits & (1u << i) ? lists.shown : lists.rest) << titles[i];
    return lists;
}

quint32 moveEntries(quint32 bits, const QStringList& selectedTitles, const QStringList& titles, bool show) {
    for (const QString& entry : selectedTitles) {
        const int i = titles.indexOf(entry);
        if (i < 0 || i >= kMemberColumnCount) continue;
        // Set or clear rather than add or subtract: a bit that is already as wanted
        // (a second column under the same title) must not carry into its neighbour.
        if (show)
            bits |= 1u << i;
        else
            bits &= ~(1u << i);
    }
    return bits;
}

FreeFieldLabels setupFreeFieldLabels(SettingsStore& settings) {
    FreeFieldLabels labels;
    for (int i = 0; i < 4; ++i) {
        const QString s = settings.DbSettingGet(labelName(i));
        labels.s[i] = s.isEmpty() ? FreeFieldLabels::defaultLabel(i) : s;
    }
    for (int i = 0; i < 4; ++i) settings.DbSettingSet(labelName(i), labels.s[i]);
    return labels;
}

}  // namespace ferolind
