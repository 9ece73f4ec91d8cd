// ferolind-cli run as a separate program (FEROLIND_CLI_PATH names it): exit status and
// what it printed.
#pragma once

#include <QProcess>
#include <QStringList>

namespace ferolind::test {

struct CliResult {
    int code;
    QString out, err;
};

inline CliResult runCli(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(FEROLIND_CLI_PATH), args);
    p.waitForFinished(60000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

}  // namespace ferolind::test
