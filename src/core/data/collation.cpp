#include "collation.h"

#include <QLocale>
#include <algorithm>

namespace ferolind {

const QCollator& germanCollator() {
    static const QCollator c = [] {
        QCollator coll{QLocale(QLocale::German, QLocale::Germany)};
        coll.setCaseSensitivity(Qt::CaseInsensitive);
        return coll;
    }();
    return c;
}

QStringList sortedGerman(QStringList items) {
    const QCollator& c = germanCollator();
    std::stable_sort(items.begin(), items.end(),
                     [&](const QString& a, const QString& b) { return c.compare(a, b) < 0; });
    return items;
}

}  // namespace ferolind
