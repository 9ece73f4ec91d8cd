// The reader of a backup set's description "sicherung.txt" on any bytes: read or refused
// with a message naming the file. What it reads is written again and read back the same,
// and names no file outside the set's folder.
#include "data/errors.h"
#include "fuzzcheck.h"
#include "maintenance/backupset.h"

#include <cstdint>

using namespace ferolind;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    BackupDescription d;
    try {
        d = parseBackupDescription(bytes, QStringLiteral("fuzz.txt"));
    } catch (const DataError& e) {
        FUZZ_CHECK(e.message().contains(QStringLiteral("»fuzz.txt«")),
                   QStringLiteral("Meldung ohne Dateinamen: %1").arg(e.message()));
        return 0;
    }
    FUZZ_CHECK(d.identity.size() == 32, d.identity);
    FUZZ_CHECK(d.written.isValid(), QStringLiteral("Zeitpunkt ungültig"));
    for (const BackupFileDigest& f : d.files) {
        FUZZ_CHECK(!f.name.isEmpty() && !f.name.contains(u'/') && !f.name.contains(u'\\') && !f.name.startsWith(u'.'),
                   f.name);
        FUZZ_CHECK(f.size >= 0 && f.sha256.size() == 32, f.name);
    }
    BackupDescription back;
    try {
        back = parseBackupDescription(backupDescriptionBytes(d), QStringLiteral("zurück.txt"));
    } catch (const DataError& e) {
        FUZZ_CHECK(false, QStringLiteral("die eigene Beschreibung wird abgelehnt: %1").arg(e.message()));
    }
    FUZZ_CHECK(back.identity == d.identity && back.files == d.files && back.written == d.written,
               QStringLiteral("nach dem Schreiben anders"));
    return 0;
}
