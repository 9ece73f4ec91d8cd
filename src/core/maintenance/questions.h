// The questions of the restore and the reset, asked by the screens and named by the
// command-line tool when "--yes" is missing.
#pragma once

#include <QString>

namespace ferolind {

inline const QString kRestoreQuestion = QStringLiteral(
    "Beim Zurücklesen der Datenbank werden alle jetzigen Daten mit der zurückgelesenen Version überschrieben! "
    "Sind Sie sicher?");
inline const QString kResetQuestion = QStringLiteral(
    "Sind Sie sicher, dass Sie ALLE Daten löschen möchten? Betroffen ist die gesamte Datenbank und ALLE Eingaben!!");

}  // namespace ferolind
