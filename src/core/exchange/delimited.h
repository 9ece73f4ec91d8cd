// Reading delimited text: the member import's reader with its text qualifier, and the
// plain split of the import assistant (the same reader without qualifier).
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

namespace ferolind::exchange {

// One row of values per line; a line ends at CR LF or LF (a line end after the last
// line starts no further line). The qualifier (a null QChar: none) switches between
// inside and outside a value and is never part of one; a separator inside splits
// nothing. A doubled qualifier stands for no character.
QVector<QStringList> readDelimited(const QString& text, QChar separator, QChar qualifier = QChar());

// The character set a text file is read in. Auto: UTF-8 when the file starts with its
// byte-order mark or is valid UTF-8 holding a character beyond ASCII (what LibreOffice
// and most programs on Linux write), Windows-1252 otherwise.
enum class TextEncoding { Auto, Utf8, Windows1252 };

// "UTF-8", "Windows-1252" (Auto: "automatisch").
QString textEncodingName(TextEncoding encoding);
// From a command line word: auto, utf-8 (utf8), windows-1252 (cp1252); nullopt otherwise.
std::optional<TextEncoding> textEncodingFromName(const QString& name);

struct DecodedText {
    QString text;
    TextEncoding encoding = TextEncoding::Windows1252;  // the one read, never Auto
};

// The bytes as text; a UTF-8 byte-order mark is never part of it.
DecodedText decodeText(const QByteArray& bytes, TextEncoding wanted = TextEncoding::Auto);

// The whole file, decoded as above. Throws DataError with one German sentence from the
// cause when it cannot be read.
DecodedText readTextFile(const QString& path, TextEncoding wanted = TextEncoding::Auto);

// The widest row's number of values.
int columnCount(const QVector<QStringList>& rows);

}  // namespace ferolind::exchange
