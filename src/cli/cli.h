// ferolind-cli: headless commands over the same core as the desktop program.
#pragma once

#include <QStringList>
#include <QTextStream>

namespace ferolind {

// Runs one command line (without the program name). Output goes to out, German error
// messages to err; returns the exit status (0, or 1 on an error).
int runCli(const QStringList& args, QTextStream& out, QTextStream& err);

}  // namespace ferolind
