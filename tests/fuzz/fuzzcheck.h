// Shared by the fuzz targets: a property that must hold for every input. A failed check
// prints what broke and aborts, which libFuzzer records as a crash with its input, and
// which fails the replay test.
#pragma once

#include <QString>
#include <QVariant>

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition, message)                                                                     \
    do {                                                                                                   \
        if (!(condition)) {                                                                                \
            std::fprintf(stderr, "%s:%d: %s\n  %s\n", __FILE__, __LINE__, #condition,                      \
                         QString(message).toLocal8Bit().constData());                                      \
            std::abort();                                                                                  \
        }                                                                                                  \
    } while (0)

namespace ferolind::fuzz {

// A value with its type for messages: "qint64(125000)", "<null>".
inline QString describe(const QVariant& v) {
    if (!v.isValid()) return QStringLiteral("<null>");
    return QStringLiteral("%1(%2)").arg(QString::fromLatin1(v.typeName()), v.toString());
}

}  // namespace ferolind::fuzz
