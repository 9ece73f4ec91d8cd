// The .ods reader on any bytes: a spreadsheet is read or refused with a message, never
// more. Each sheet it names reads or is refused the same way, and what it reads holds no
// record wider than a sheet can be.
#include "data/errors.h"
#include "exchange/sources.h"
#include "fuzzcheck.h"

#include <cstdint>

using namespace ferolind;
using namespace ferolind::exchange;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QStringList sheets;
    try {
        sheets = odsSheetNames(bytes);
    } catch (const DataError& e) {
        FUZZ_CHECK(!e.message().isEmpty(), QStringLiteral("Ablehnung ohne Meldung"));
        return 0;
    }
    for (const QString& sheet : sheets) {
        try {
            const SourceTable t = readOds(bytes, sheet);
            FUZZ_CHECK(t.records.size() <= 1048576, QStringLiteral("%1 Datensätze").arg(t.records.size()));
            for (const QStringList& r : t.records)
                FUZZ_CHECK(r.size() <= 16384, QStringLiteral("Datensatz mit %1 Feldern").arg(r.size()));
        } catch (const DataError& e) {
            FUZZ_CHECK(!e.message().isEmpty(), QStringLiteral("Ablehnung ohne Meldung"));
        }
    }
    return 0;
}
