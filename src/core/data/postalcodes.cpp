#include "postalcodes.h"

#include "dataset.h"
#include "filter.h"
#include "paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ferolind {

QVector<Row> shippedPostalCodes() {
    initShippedData();
    QFile f(QStringLiteral(":/data/plz.tsv"));
    QVector<Row> rows;
    if (!f.open(QIODevice::ReadOnly)) return rows;
    const QByteArray all = f.readAll();
    rows.reserve(20000);
    for (const QByteArray& line : all.split('\n')) {
        const int tab = line.indexOf('\t');
        if (tab <= 0) continue;
        rows.append(Row{QString::fromLatin1(line.left(tab)), QString::fromUtf8(line.mid(tab + 1))});
    }
    return rows;
}

QStringList townsForPostalCode(Dataset& postalCodes, const QString& plz) {
    QStringList towns;
    if (!postalCodes.isOpen()) return towns;
    // A code is letters and digits only; anything else (a "*" would match every code)
    // cannot be a postal code.
    const QString code = plz.trimmed();
    for (QChar c : code)
        if (!c.isLetterOrNumber()) {
            postalCodes.applyFilter(QStringLiteral("PLZ = NULL"));
            return towns;
        }
    postalCodes.applyFilter(code.isEmpty() ? QStringLiteral("PLZ = NULL")
                                           : QStringLiteral("PLZ = ") + quoteFilterText(code));
    const int ort = postalCodes.field(QStringLiteral("Ort"));
    for (int p = 0; p < postalCodes.recordCount(); ++p) towns << postalCodes.rowAt(p)[ort].toString();
    return towns;
}

void writePostalCodesFileOnce(Dataset& postalCodes, const QString& folder) {
    const QString path = QDir(folder).filePath(QStringLiteral("plz.xml"));
    if (QFileInfo::exists(path) || !postalCodes.isOpen()) return;
    postalCodes.clearFilter();  // the whole table, not the last lookup
    postalCodes.saveToXml(path);
}

}  // namespace ferolind
