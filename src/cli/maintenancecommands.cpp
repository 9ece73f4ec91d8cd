#include "maintenancecommands.h"

#include "data/datamodule.h"
#include "data/errors.h"
#include "data/paths.h"
#include "maintenance/backup.h"
#include "maintenance/questions.h"
#include "session/session.h"

namespace ferolind {

QString maintenanceCommandsUsage() {
    return QStringLiteral(
        "  backup VERZEICHNIS                     schreibt die Sicherung (Tabellen, einstellungen.reg, sicherung.txt) ins Verzeichnis\n"
        "  restore VERZEICHNIS [--yes]            prüft und liest die Sicherung zurück (ohne --yes: nur die Rückfrage)\n"
        "  reset [--yes]                          setzt Ferolind zurück: alle Daten und Einstellungen des Vereins\n");
}

namespace {

// Only "--yes" may follow; whether it did.
bool yesOption(const QStringList& args, const QString& usage) {
    if (args.isEmpty()) return false;
    if (args.size() == 1 && args[0] == u"--yes") return true;
    throw DataError(QStringLiteral("Aufruf: ferolind-cli %1").arg(usage));
}

void restore(Session& session, const QString& folder, bool yes, QTextStream& out) {
    if (!yes) {
        out << kRestoreQuestion << '\n' << QStringLiteral("Zum Zurücklesen --yes angeben; es wurde nichts geändert.\n");
        return;
    }
    const RestoreResult result = restoreTables(session.data(), folder);
    out << QStringLiteral("Die Tabellen wurden aus %1 zurückgelesen.\n").arg(folder);
    for (const QString& note : result.notes) out << note << '\n';
    SettingsValues settings;
    try {
        settings = backupSettings(folder);
        applyUserSettings(settings);
    } catch (const DataError& e) {
        throw DataError(QStringLiteral("Die Einstellungen wurden nicht übernommen: %1").arg(e.message()));
    }
    out << QStringLiteral("Einstellungen übernommen:\n");
    for (const QString& line : describeSettings(settings)) out << "  " << line << '\n';
}

void reset(Session& session, bool yes, QTextStream& out) {
    if (!yes) {
        out << kResetQuestion << '\n' << QStringLiteral("Zum Zurücksetzen --yes angeben; es wurde nichts geändert.\n");
        return;
    }
    const QStringList kept = resetProgram(session.data(), applicationDataFolder());
    out << QStringLiteral("Alle Daten und Einstellungen des Vereins wurden gelöscht.\n");
    if (!kept.isEmpty())
        throw DataError(QStringLiteral("Diese Dateien konnten nicht gelöscht werden:\n%1").arg(kept.join('\n')));
}

}  // namespace

bool runMaintenanceCommand(Session& session, const QString& command, const QString& sub, const QStringList& args,
                           QTextStream& out) {
    if (command == u"backup") {
        if (sub.isEmpty() || !args.isEmpty()) throw DataError(QStringLiteral("Aufruf: ferolind-cli backup VERZEICHNIS"));
        writeBackup(session.data(), sub);
        out << QStringLiteral("Sicherung geschrieben in %1\n").arg(withTrailingSeparator(sub));
        return true;
    }
    if (command == u"restore") {
        const QString usage = QStringLiteral("restore VERZEICHNIS [--yes]");
        if (sub.isEmpty() || sub.startsWith(QLatin1String("--")))
            throw DataError(QStringLiteral("Aufruf: ferolind-cli %1").arg(usage));
        restore(session, sub, yesOption(args, usage), out);
        return true;
    }
    if (command == u"reset") {
        const QStringList all = sub.isEmpty() ? args : QStringList{sub} + args;
        reset(session, yesOption(all, QStringLiteral("reset [--yes]")), out);
        return true;
    }
    return false;
}

}  // namespace ferolind
