// Reading delimited text: the member import's reader with its text qualifier, and the
// plain split of the import assistant (the same reader without qualifier).
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

namespace ferolind::exchange {

// One row of values per line; a line ends at CR LF or LF (a line end after the last
// line starts no further line). The qualifier (a null QChar: none) switches between
// inside and outside a value and is never part of one; a separator inside splits
// nothing. A doubled qualifier stands for no character.
QVector<QStringList> readDelimited(const QString& text, QChar separator, QChar qualifier = QChar());

// The whole file, read in the Windows-1252 code page. Throws DataError with the
// system's reason when it cannot be read.
QString readTextFile(const QString& path);

// The widest row's number of values.
int columnCount(const QVector<QStringList>& rows);

}  // namespace ferolind::exchange
