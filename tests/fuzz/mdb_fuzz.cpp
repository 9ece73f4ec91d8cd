// The Jet database reader (libmdb underneath) on any bytes: the tables are listed or the
// file refused with a message. Every table it lists reads or is refused the same way; a
// read table gives each record one field per named column, and no more records than an
// import can take.
#include "data/errors.h"
#include "exchange/sources.h"
#include "fuzzcheck.h"
#include "fuzzfile.h"

#include <cstdint>

using namespace ferolind;
using namespace ferolind::exchange;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = fuzz::inputFile(data, size, "eingabe.mdb");
    QStringList tables;
    try {
        tables = mdbTableNames(path);
    } catch (const DataError& e) {
        FUZZ_CHECK(!e.message().isEmpty(), QStringLiteral("Ablehnung ohne Meldung"));
        return 0;
    }
    for (const QString& table : tables) {
        try {
            const SourceTable t = readMdb(path, table);
            FUZZ_CHECK(t.fieldNames.size() <= 256, QStringLiteral("%1 Spalten").arg(t.fieldNames.size()));
            FUZZ_CHECK(t.records.size() <= 1048576, QStringLiteral("%1 Datensätze").arg(t.records.size()));
            for (const QStringList& r : t.records)
                FUZZ_CHECK(r.size() == t.fieldNames.size(),
                           QStringLiteral("Datensatz mit %1 von %2 Feldern").arg(r.size()).arg(t.fieldNames.size()));
        } catch (const DataError& e) {
            FUZZ_CHECK(!e.message().isEmpty(), QStringLiteral("Ablehnung ohne Meldung"));
        }
    }
    return 0;
}
