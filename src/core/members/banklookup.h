// The bank name of a German bank code, looked up in the bank code file "blz.asc" of the
// application data folder: 8-bit text (Windows-1252), one bank per line, the short bank
// name in characters 67 to 93.
#pragma once

#include <QByteArray>
#include <QString>

namespace ferolind {

// The name given when no line holds the bank code.
inline const QString kBankNotFound = QStringLiteral("nicht vorhanden");

// applicationDataFolder() + "blz.asc".
QString bankCodeFilePath();

// Reads the file line by line from the start; the first line that contains the code
// text anywhere is the bank's line, its characters 67 to 93 without trailing blanks the
// name. kBankNotFound when no line contains the code or the code is empty. A missing or
// unreadable file throws DataError with a German file error message.
QString bankNameForCode(const QString& filePath, const QString& bankCode);
QString bankNameForCode(const QString& bankCode);

// Text in the Windows-1252 code page (Latin-1 plus the printable characters at 0x80-0x9F).
QString decodeWindows1252(const QByteArray& bytes);

// Copies the shipped bank code file (the installed one in the XDG data folders, else the
// one built in) into the application data folder unless a file of that name is already
// there. Returns false when it could not be written.
bool ensureBankCodeFile();

}  // namespace ferolind
