// ferolind-cli: headless commands over the same core as the desktop program.
#pragma once

#include <QStringList>
#include <QTextStream>

namespace ferolind {

// Runs one command line (without the program name). Output goes to out, German error
// messages to err; returns the exit status (0, or 1 on an error).
int runCli(const QStringList& args, QTextStream& out, QTextStream& err);

// The same for the command-line tool's main(): when the command wrote nothing to the club file
// (ferolind::mayLeaveWithoutClosing), its rows and connection are left in place and
// `leaveFast` is set: the caller then ends the process at once after flushing its output,
// as freeing millions of cells costs a good part of what reading them did.
int runCliLeavingRows(const QStringList& args, QTextStream& out, QTextStream& err, bool& leaveFast);

}  // namespace ferolind
