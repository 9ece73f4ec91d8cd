// Writing a QTextDocument as Rich Text Format, the letters' file format: what the reader
// (rtfreader.h) reads, in the plain form every word processor takes (Windows-1252 with
// \uN for other characters, one group per run of equal formatting, A4 paper with 2 cm
// margins).
#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace ferolind::letters {

QByteArray writeRtf(const QTextDocument& doc);

// Writes the file whole or not at all; throws DataError (German) when it cannot be written.
void writeRtfFile(const QTextDocument& doc, const QString& path);

}  // namespace ferolind::letters
