#include "help.h"

#include "data/paths.h"
#include "messages.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace ferolind::ui {

void openManual(QWidget* parent) {
    const QString path = QDir(applicationDataFolder()).filePath(QStringLiteral("Ferolind NET - Handbuch.pdf"));
    if (!QFileInfo::exists(path)) {
        inform(parent, QStringLiteral("Das Handbuch »%1« wurde nicht gefunden.").arg(QDir::toNativeSeparators(path)));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        inform(parent, QStringLiteral("Das Handbuch »%1« kann nicht geöffnet werden: es ist kein Programm zum Anzeigen "
                                      "von PDF-Dateien eingerichtet.")
                           .arg(QDir::toNativeSeparators(path)));
}

}  // namespace ferolind::ui
