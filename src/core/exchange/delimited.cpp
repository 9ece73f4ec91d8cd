#include "delimited.h"

#include "codepage.h"
#include "data/errors.h"
#include "sources.h"

#include <QFile>
#include <QStringDecoder>

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

QString textEncodingName(TextEncoding encoding) {
    switch (encoding) {
        case TextEncoding::Utf8: return QStringLiteral("UTF-8");
        case TextEncoding::Windows1252: return QStringLiteral("Windows-1252");
        case TextEncoding::Auto: break;
    }
    return QStringLiteral("automatisch");
}

std::optional<TextEncoding> textEncodingFromName(const QString& name) {
    const QString n = name.trimmed().toLower();
    if (n == u"auto") return TextEncoding::Auto;
    if (n == u"utf-8" || n == u"utf8") return TextEncoding::Utf8;
    if (n == u"windows-1252" || n == u"cp1252" || n == u"ansi") return TextEncoding::Windows1252;
    return std::nullopt;
}

namespace {

bool isAscii(const QByteArray& bytes) {
    for (const char b : bytes)
        if (uchar(b) >= 0x80) return false;
    return true;
}

}  // namespace

DecodedText decodeText(const QByteArray& bytes, TextEncoding wanted) {
    static const QByteArray bom("\xEF\xBB\xBF");
    const bool marked = bytes.startsWith(bom);
    const QByteArray body = marked ? bytes.mid(bom.size()) : bytes;
    if (wanted == TextEncoding::Auto) {
        wanted = TextEncoding::Windows1252;
        if (marked) {
            wanted = TextEncoding::Utf8;
        } else if (!isAscii(body)) {
            QStringDecoder probe(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            const QString text = probe(body);
            if (!probe.hasError()) return {text, TextEncoding::Utf8};
        }
    }
    if (wanted == TextEncoding::Utf8) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        return {utf8(body), TextEncoding::Utf8};
    }
    return {fromWindows1252(marked ? body : bytes), TextEncoding::Windows1252};
}

DecodedText readTextFile(const QString& path, TextEncoding wanted) {
    const QByteArray bytes = readFileBytes(path);
    // A zip, a database or another binary file read as text would only give garbage.
    if (bytes.contains('\0'))
        throw DataError(QStringLiteral("Die Datei »%1« ist keine Textdatei (CSV oder TXT).").arg(path));
    return decodeText(bytes, wanted);
}

int columnCount(const QVector<QStringList>& rows) {
    qsizetype widest = 0;
    for (const QStringList& r : rows) widest = std::max(widest, r.size());
    return int(widest);
}

}  // namespace ferolind::exchange
