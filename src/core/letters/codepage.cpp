#include "codepage.h"

#include <QHash>
#include <QStringDecoder>

namespace ferolind::letters {

namespace {

// Windows-1252 bytes 0x80 to 0x9F; 0 where the code page leaves the byte unused.
constexpr char16_t k1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

QString decode1252(const QByteArray& bytes) {
    QString s;
    s.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 0x80 && b < 0xA0)
            s += k1252High[b - 0x80] ? QChar(k1252High[b - 0x80]) : QChar(b);
        else
            s += QChar(b);
    }
    return s;
}

// The decoder's name for a code page; empty when no decoder knows it.
QByteArray decoderName(int codePage) {
    static QHash<int, QByteArray> known;
    const auto it = known.constFind(codePage);
    if (it != known.cend()) return *it;
    QByteArray name;
    const QByteArray number = QByteArray::number(codePage);
    const QList<QByteArray> candidates = codePage == 65001   ? QList<QByteArray>{"UTF-8"}
                                         : codePage == 10000 ? QList<QByteArray>{"macintosh", "x-mac-roman"}
                                                             : QList<QByteArray>{"windows-" + number, "cp" + number,
                                                                                 "ibm-" + number};
    for (const QByteArray& candidate : candidates) {
        if (QStringDecoder(candidate.constData()).isValid()) {
            name = candidate;
            break;
        }
    }
    known.insert(codePage, name);
    return name;
}

}  // namespace

int codePageOfCharset(int charset) {
    switch (charset) {
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return 0;
    }
}

QString decodeCodePage(const QByteArray& bytes, int codePage) {
    if (codePage == 1252 || codePage <= 0) return decode1252(bytes);
    const QByteArray name = decoderName(codePage);
    if (name.isEmpty()) return QString::fromLatin1(bytes);
    QStringDecoder decoder(name.constData());
    return decoder.decode(bytes);
}

int windows1252Byte(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return u;
    for (int i = 0; i < 32; ++i)
        if (k1252High[i] == u && u != 0) return 0x80 + i;
    return -1;
}

}  // namespace ferolind::letters
