// The .xls reader (libfreexl underneath) on any bytes: a workbook is read or refused with a
// message. Every sheet it names reads or is refused the same way, and what it reads fits
// the format: at most 65,536 records of 256 fields, whatever its header claims.
#include "data/errors.h"
#include "exchange/sources.h"
#include "fuzzcheck.h"
#include "fuzzfile.h"

#include <cstdint>

using namespace ferolind;
using namespace ferolind::exchange;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = fuzz::inputFile(data, size, "eingabe.xls");
    QStringList sheets;
    try {
        sheets = xlsSheetNames(path);
    } catch (const DataError& e) {
        FUZZ_CHECK(!e.message().isEmpty(), QStringLiteral("Ablehnung ohne Meldung"));
        return 0;
    }
    for (const QString& sheet : sheets) {
        try {
            const SourceTable t = readXls(path, sheet);
            FUZZ_CHECK(t.records.size() <= 65536, QStringLiteral("%1 Datensätze").arg(t.records.size()));
            for (const QStringList& r : t.records)
                FUZZ_CHECK(r.size() <= 256, QStringLiteral("Datensatz mit %1 Feldern").arg(r.size()));
        } catch (const DataError& e) {
            FUZZ_CHECK(!e.message().isEmpty(), QStringLiteral("Ablehnung ohne Meldung"));
        }
    }
    return 0;
}
