// The reader of "einstellungen.reg" on any bytes: read or refused with a message naming the
// file. What it reads are texts, 32-bit numbers and removals with non-empty names; written
// again and read back they are the same values.
#include "data/errors.h"
#include "fuzzcheck.h"
#include "maintenance/settingsfile.h"

#include <cstdint>

using namespace ferolind;
using ferolind::fuzz::describe;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    SettingsValues values;
    try {
        values = parseSettingsFile(bytes, QStringLiteral("fuzz.reg"));
    } catch (const DataError& e) {
        FUZZ_CHECK(e.message().contains(QStringLiteral("»fuzz.reg«")),
                   QStringLiteral("Meldung ohne Dateinamen: %1").arg(e.message()));
        return 0;
    }
    for (const SettingsValue& v : values) {
        FUZZ_CHECK(!v.name.isEmpty(), QStringLiteral("Wert ohne Namen"));
        FUZZ_CHECK(v.value.isNull() || v.value.typeId() == QMetaType::Int || v.value.typeId() == QMetaType::QString,
                   QStringLiteral("%1: %2").arg(v.name, describe(v.value)));
    }
    SettingsValues back;
    try {
        back = parseSettingsFile(settingsFileBytes(values), QStringLiteral("zurück.reg"));
    } catch (const DataError& e) {
        FUZZ_CHECK(false, QStringLiteral("die eigene Datei wird abgelehnt: %1").arg(e.message()));
    }
    // Written grouped by sub key: compare as sets of name and value.
    auto key = [](const SettingsValue& v) { return v.name + QChar(0) + describe(v.value); };
    QStringList a, b;
    for (const SettingsValue& v : values) a << key(v);
    for (const SettingsValue& v : back) b << key(v);
    a.sort();
    b.sort();
    FUZZ_CHECK(a == b, QStringLiteral("nach dem Schreiben anders: %1 / %2").arg(a.join(u'|'), b.join(u'|')));
    return 0;
}
