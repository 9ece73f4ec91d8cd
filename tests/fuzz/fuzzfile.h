// For readers that take a path (the C libraries open the file themselves): each input is
// written to one file in a folder of the run's own, with the extension the reader expects.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace ferolind::fuzz {

inline QString inputFile(const uint8_t* data, size_t size, const char* name) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        f.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size)) {
        std::fprintf(stderr, "Die Eingabedatei %s kann nicht geschrieben werden.\n", qPrintable(path));
        std::abort();
    }
    return path;
}

// The SQLite driver of Qt's SQL module is a plugin, found through an application object.
inline void needApplication() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
}

}  // namespace ferolind::fuzz
