// The delimited reader on any text: the first byte picks separator and qualifier, the rest
// is the file. Every line gives one row; without a qualifier the values joined by the
// separator give the line again, with one no value holds the qualifier. The code page
// reads and writes every byte back unchanged. Decoding the bytes as a text file gives the
// code page's reading unless they are UTF-8, and never keeps a byte-order mark.
#include "exchange/codepage.h"
#include "exchange/delimited.h"
#include "fuzzcheck.h"

#include <cstdint>

using namespace ferolind::exchange;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    const QChar separators[] = {QLatin1Char('\t'), QLatin1Char(';'), QLatin1Char(',')};
    const QChar qualifiers[] = {QChar(), QLatin1Char('"'), QLatin1Char('\'')};
    const QChar separator = separators[data[0] % 3];
    const QChar qualifier = qualifiers[(data[0] / 3) % 3];

    const QString text = fromWindows1252(bytes);
    FUZZ_CHECK(toWindows1252(text) == bytes, QStringLiteral("Codepage: Bytes gehen verloren"));

    const DecodedText decoded = decodeText(bytes);
    FUZZ_CHECK(!decoded.text.startsWith(QChar(0xFEFF)) || !bytes.startsWith("\xEF\xBB\xBF"),
               QStringLiteral("Byte-Order-Mark im Text"));
    if (decoded.encoding == TextEncoding::Windows1252 && !bytes.startsWith("\xEF\xBB\xBF"))
        FUZZ_CHECK(decoded.text == text, QStringLiteral("Windows-1252 anders gelesen"));
    if (decoded.encoding == TextEncoding::Utf8 && !bytes.startsWith("\xEF\xBB\xBF"))
        FUZZ_CHECK(decoded.text.toUtf8() == bytes, QStringLiteral("UTF-8 nicht verlustfrei"));

    const QVector<QStringList> rows = readDelimited(text, separator, qualifier);
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!text.isEmpty() && text.endsWith(QLatin1Char('\n'))) lines.removeLast();
    if (text.isEmpty()) lines.clear();
    FUZZ_CHECK(rows.size() == lines.size(), QStringLiteral("%1 Zeilen, %2 Datensätze").arg(lines.size()).arg(rows.size()));
    for (qsizetype i = 0; i < rows.size(); ++i) {
        FUZZ_CHECK(!rows[i].isEmpty(), QStringLiteral("Zeile %1 ohne Wert").arg(i + 1));
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        if (qualifier.isNull()) {
            FUZZ_CHECK(rows[i].join(separator) == line, QStringLiteral("Zeile %1 geht nicht auf").arg(i + 1));
        } else {
            for (const QString& v : rows[i])
                FUZZ_CHECK(!v.contains(qualifier), QStringLiteral("Kennzeichner im Wert »%1«").arg(v));
        }
    }
    return 0;
}
