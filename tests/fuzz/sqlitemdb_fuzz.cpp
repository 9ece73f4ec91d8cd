// Another club's SQLite database (named .mdb) on any bytes: the tables are listed or the
// file refused with a message. Every table reads or is refused the same way; a read table
// gives each row one cell per column, no cell longer than the connection lets through,
// and no more rows than an import can take.
#include "data/errors.h"
#include "data/foreigndatabase.h"
#include "fuzzcheck.h"
#include "fuzzfile.h"

#include <cstdint>

using namespace ferolind;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::needApplication();
    const QString path = fuzz::inputFile(data, size, "verein.mdb");
    QStringList tables;
    try {
        tables = sqliteTableNames(path);
    } catch (const DataError& e) {
        FUZZ_CHECK(!e.message().isEmpty(), QStringLiteral("Ablehnung ohne Meldung"));
        return 0;
    }
    for (const QString& table : tables) {
        try {
            const ForeignTable t = readSqliteTable(path, table);
            FUZZ_CHECK(t.cells.size() <= 1048576, QStringLiteral("%1 Zeilen").arg(t.cells.size()));
            for (const auto& row : t.cells) {
                FUZZ_CHECK(row.size() == t.columns.size(),
                           QStringLiteral("Zeile mit %1 von %2 Zellen").arg(row.size()).arg(t.columns.size()));
                for (const QString& cell : row)
                    FUZZ_CHECK(cell.size() <= (1 << 20), QStringLiteral("Zelle mit %1 Zeichen").arg(cell.size()));
            }
        } catch (const DataError& e) {
            FUZZ_CHECK(!e.message().isEmpty(), QStringLiteral("Ablehnung ohne Meldung"));
        }
    }
    return 0;
}
