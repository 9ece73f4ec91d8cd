// The print commands of ferolind-cli: member list, booking list and statement as PDF
// files of A4 pages, drawn through the same layouts as the program's previews.
#pragma once

#include "options.h"

#include <QHash>
#include <QStringList>
#include <QTextStream>

namespace ferolind {

class Session;

// Runs "print member-list|booking-list|statement"; false when the command is none of
// these. Throws DataError (German) on refusal; no file is left half-written.
bool runPrintCommand(Session& session, const QString& command, const QString& sub, const QStringList& args,
                     QTextStream& out);

// The lines of the usage text for these commands.
QString printCommandsUsage();

// The options of a print command: --name value options and --flag switches. Anything
// unknown, a missing value and a missing --pdf are refused (DataError, German).
using PrintOptions = CliOptions;
PrintOptions readPrintOptions(const QStringList& args, const QStringList& withValue, const QStringList& switches);

}  // namespace ferolind
