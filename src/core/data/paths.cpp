#include "paths.h"

#include <QDir>
#include <QStandardPaths>

// Resources must be registered outside any namespace (the macro declares the function).
static void registerDataResources() { Q_INIT_RESOURCE(data); }

namespace ferolind {

void initShippedData() { registerDataResources(); }

QString applicationDataFolder() {
    QString base = qEnvironmentVariable("FEROLIND_APPDATA");
    if (base.isEmpty())
        base = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
                   .filePath(QStringLiteral("Ferolind 2011 NET"));
    QDir().mkpath(base);
    return QDir(base).absolutePath() + QLatin1Char('/');
}

QString personalDocumentsFolder() {
    // A fresh account may not have the folder yet: then the home folder.
    const QString d = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return d.isEmpty() || !QDir(d).exists() ? QDir::homePath() : d;
}

}  // namespace ferolind
