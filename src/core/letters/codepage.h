// The 8-bit code pages an RTF file may name (\ansicpg, a font's \fcharset or \cpg).
#pragma once

#include <QByteArray>
#include <QString>

namespace ferolind::letters {

// The Windows code page of an RTF font character set (\fcharsetN); 0 for "the document's".
int codePageOfCharset(int charset);

// Bytes of a code page as text. Windows-1252 is built in; the others come from
// QStringDecoder (ICU), and bytes of a code page it does not know are read as Latin-1.
QString decodeCodePage(const QByteArray& bytes, int codePage);

// The Windows-1252 byte of a character, or -1 when the code page has none for it.
int windows1252Byte(QChar c);

}  // namespace ferolind::letters
