// The bank code file reader on any file: the first line of the input is the bank code,
// the rest the file "blz.asc". The answer is the "not found" text or the name taken
// from a line holding the code; Windows-1252 decoding keeps one character per byte.
#include "data/errors.h"
#include "fuzzcheck.h"
#include "members/banklookup.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

using namespace ferolind;

namespace {

const QString& bankFile() {
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("blz.asc"));
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype newline = input.indexOf('\n');
    const QByteArray codeBytes = newline < 0 ? input : input.left(newline);
    const QByteArray content = newline < 0 ? QByteArray() : input.mid(newline + 1);

    const QString decoded = decodeWindows1252(content);
    FUZZ_CHECK(decoded.size() == content.size(), QStringLiteral("Länge nach dem Dekodieren"));
    for (qsizetype i = 0; i < content.size(); ++i) {
        const auto b = static_cast<unsigned char>(content[i]);
        if (b < 0x80 || b >= 0xA0) FUZZ_CHECK(decoded[i].unicode() == b, QStringLiteral("Zeichen %1").arg(i));
    }

    QFile f(bankFile());
    FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate), QStringLiteral("Testdatei"));
    f.write(content);
    f.close();

    const QString code = decodeWindows1252(codeBytes);
    QString name;
    try {
        name = bankNameForCode(bankFile(), code);
    } catch (const DataError& e) {
        FUZZ_CHECK(false, QStringLiteral("eine lesbare Datei wird abgelehnt: %1").arg(e.message()));
    }
    if (name == kBankNotFound) return 0;
    FUZZ_CHECK(!code.isEmpty() && decoded.contains(code),
               QStringLiteral("Name '%1' für den Code '%2', der in keiner Zeile steht").arg(name, code));
    FUZZ_CHECK(name.size() <= 27, QStringLiteral("Name länger als 27 Zeichen: '%1'").arg(name));
    FUZZ_CHECK(name.isEmpty() || decoded.contains(name), QStringLiteral("Name '%1' steht nicht in der Datei").arg(name));
    return 0;
}
