#include "codepage.h"

#include <QHash>
#include <QStringDecoder>

#include <array>

namespace ferolind::exchange {

namespace {

// The characters of the bytes 0x80 to 0x9F, taken from the system's code page tables;
// a byte the code page leaves open keeps the control character of its number.
struct UpperHalf {
    std::array<char16_t, 32> chars{};
    QHash<char16_t, char> bytes;
    UpperHalf() {
        QStringDecoder decode("windows-1252");
        for (int b = 0x80; b <= 0x9F; ++b) {
            const char byte = char(b);
            const QString c = decode(QByteArray(&byte, 1));
            const bool mapped = c.size() == 1 && c[0] != QChar::ReplacementCharacter && c[0].unicode() >= 0xA0;
            chars[b - 0x80] = mapped ? c[0].unicode() : char16_t(b);
            bytes.insert(chars[b - 0x80], byte);
        }
    }
};

const UpperHalf& upperHalf() {
    static const UpperHalf table;
    return table;
}

}  // namespace

QByteArray toWindows1252(const QString& text) {
    const QHash<char16_t, char>& upper = upperHalf().bytes;
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out.append(char(c));
        } else if (const auto it = upper.constFind(c); it != upper.constEnd()) {
            out.append(*it);
        } else {
            if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ++i;
            out.append('?');
        }
    }
    return out;
}

QString fromWindows1252(const QByteArray& bytes) {
    const auto& upper = upperHalf().chars;
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* d = out.data();
    for (const char b : bytes) {
        const auto u = uchar(b);
        *d++ = QChar(u >= 0x80 && u <= 0x9F ? upper[u - 0x80] : char16_t(u));
    }
    return out;
}

}  // namespace ferolind::exchange
