// Helpers shared by the tests: a sandbox for per-user settings and data folders, and
// fresh databases in temporary folders.
#pragma once

#include <QDir>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <ostream>

// Readable failure messages for Qt strings.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '{';
    for (int i = 0; i < l.size(); ++i) *os << (i ? ", " : "") << '"' << l[i].toStdString() << '"';
    *os << '}';
}
QT_END_NAMESPACE

namespace ferolind::test {

// Redirects per-user settings, XDG folders and the application data folder below root.
inline void setSandbox(const QString& root) {
    QDir(root).mkpath("config");
    QDir(root).mkpath("data");
    QDir(root).mkpath("appdata");
    qputenv("XDG_CONFIG_HOME", QDir(root).filePath("config").toUtf8());
    qputenv("XDG_DATA_HOME", QDir(root).filePath("data").toUtf8());
    qputenv("HOME", root.toUtf8());
    qputenv("FEROLIND_APPDATA", QDir(root).filePath("appdata").toUtf8());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QDir(root).filePath("config"));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QDir(root).filePath("config"));
}

// Removes every per-user value (each test starts from a first start).
inline void clearUserSettings() {
    QSettings s(QStringLiteral("Brankel Software"), QStringLiteral("Revode"));
    s.clear();
    s.sync();
}

}  // namespace ferolind::test
