// The letter commands of ferolind-cli: serial letters merged into one PDF file.
#pragma once

#include <QStringList>
#include <QTextStream>

namespace ferolind {

class Session;

// Runs "letters merge"; false when the command is not "letters". Throws DataError
// (German) on refusal; no file is left half-written.
bool runLetterCommand(Session& session, const QString& command, const QString& sub, const QStringList& args,
                      QTextStream& out);

// The lines of the usage text for these commands.
QString letterCommandsUsage();

}  // namespace ferolind
