// A small bank code file for the tests of the bank lookup and of the member entry screen.
#pragma once

#include <gtest/gtest.h>
#include <QByteArray>
#include <QFile>
#include <QString>

namespace ferolind::test {

// One line of a bank code file: code, "1", long name (57), short name (27), BIC (11).
inline QByteArray bankLine(const char* code, const QByteArray& longName, const QByteArray& shortName) {
    return QByteArray(code).leftJustified(8) + "1" + longName.leftJustified(57, ' ', true) +
           shortName.leftJustified(27, ' ', true) + QByteArray("TESTDEFFXXX");
}

// Three banks; the last line has no line end, the second an umlaut in Windows-1252.
inline QByteArray bankFile() {
    return bankLine("10000000", "Bundesbank (lang)", "Bundesbank") + "\r\n" +
           bankLine("37050198", "Sparkasse K\xf6ln Bonn (lang)", "Sparkasse K\xf6ln Bonn") + "\r\n" +
           bankLine("76026000", "norisbank GmbH Zweigniederlassung (lang)", "norisbank");
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

}  // namespace ferolind::test
