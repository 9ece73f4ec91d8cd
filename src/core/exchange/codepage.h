// The Windows-1252 code page of the exchanged text files.
#pragma once

#include <QByteArray>
#include <QString>

namespace ferolind::exchange {

// Every character the code page holds as its byte; any other as "?".
QByteArray toWindows1252(const QString& text);
// The bytes read as Windows-1252 (the five bytes the code page leaves open stay as the
// control characters of the same number, and are written back as those bytes).
QString fromWindows1252(const QByteArray& bytes);

}  // namespace ferolind::exchange
