#include "delimited.h"

#include "codepage.h"
#include "data/errors.h"

#include <QFile>

namespace ferolind::exchange {

QVector<QStringList> readDelimited(const QString& text, QChar separator, QChar qualifier) {
    QVector<QStringList> rows;
    const bool qualified = !qualifier.isNull();
    qsizetype start = 0;
    const qsizetype n = text.size();
    while (start < n) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0) end = n;
        qsizetype stop = end;
        if (stop > start && text[stop - 1] == QLatin1Char('\r')) --stop;
        QStringList values;
        QString value;
        bool inside = false;
        for (qsizetype i = start; i < stop; ++i) {
            const QChar c = text[i];
            if (qualified && c == qualifier) {
                inside = !inside;
            } else if (c == separator && !inside) {
                values << value;
                value.clear();
            } else {
                value += c;
            }
        }
        values << value;
        rows << values;
        start = end + 1;
    }
    return rows;
}

QString readTextFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw DataError(QStringLiteral("Die Datei »%1« kann nicht gelesen werden: %2").arg(path, f.errorString()));
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw DataError(QStringLiteral("Die Datei »%1« kann nicht gelesen werden: %2").arg(path, f.errorString()));
    return fromWindows1252(bytes);
}

int columnCount(const QVector<QStringList>& rows) {
    qsizetype widest = 0;
    for (const QStringList& r : rows) widest = std::max(widest, r.size());
    return int(widest);
}

}  // namespace ferolind::exchange
