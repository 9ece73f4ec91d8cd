// Running a program from a test: ferolind-cli on a club folder (tests that define
// FEROLIND_CLI_PATH), poppler's tools on PDF files.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace ferolind::test {

struct Result {
    int code;
    QString out, err;
};

inline Result run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

#ifdef FEROLIND_CLI_PATH
inline Result cli(const QString& folder, const QStringList& args) {
    return run(QStringLiteral(FEROLIND_CLI_PATH), QStringList{"--db", folder} + args);
}
#endif

}  // namespace ferolind::test
