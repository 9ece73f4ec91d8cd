// Benchmarks of the data exchange over a demo club of 50,000 members
// (FEROLIND_BENCH_MEMBERS changes the size): every member with every column exported to
// CSV and to an .xlsx workbook, and that CSV imported back into an empty club through the
// member rules, each field mapped (with the fee class step).
#include "data/database.h"
#include "data/datamodule.h"
#include "data/dataset.h"
#include "democlub.h"
#include "exchange/delimited.h"
#include "exchange/exports.h"
#include "exchange/memberimport.h"
#include "session/session.h"

#include <benchmark/benchmark.h>
#include <QDir>
#include <QTemporaryDir>
#include <memory>

namespace {

using namespace ferolind;
using namespace ferolind::exchange;

struct ExchangeClub {
    QTemporaryDir dir;
    int members = 50000;
    std::unique_ptr<DataModule> dm;
    std::unique_ptr<Session> session;
    QString csv;
    ExchangeClub() {
        if (qEnvironmentVariableIsSet("FEROLIND_BENCH_MEMBERS"))
            members = qEnvironmentVariableIntValue("FEROLIND_BENCH_MEMBERS");
        demo::Size size;
        size.members = members;
        size.bookings = 100;
        QDir(dir.path()).mkdir("club");
        demo::createDemoClub(dir.filePath("club"), size);
        dm = std::make_unique<DataModule>();
        session = std::make_unique<Session>(*dm);
        dm->openFolder(dir.filePath("club"));
        session->loadAfterOpen();
        csv = dir.filePath("members.csv");
    }
    ExportTable all() {
        const auto columns = memberExportColumns();
        return exportTable(dm->members(), columns, QVector<bool>(columns.size(), true));
    }
};

ExchangeClub& club() {
    static ExchangeClub c;
    return c;
}

void exportCsv(benchmark::State& state) {
    ExchangeClub& c = club();
    for (auto _ : state) writeExport(ExportFormat::Csv, c.csv, c.all(), {});
    state.counters["members"] = c.members;
}

void exportXlsx(benchmark::State& state) {
    ExchangeClub& c = club();
    for (auto _ : state) writeExport(ExportFormat::Excel, c.dir.filePath("members.xlsx"), c.all(), {});
    state.counters["members"] = c.members;
}

// Reading the CSV and importing every line into a new, empty club.
void importCsv(benchmark::State& state) {
    ExchangeClub& c = club();
    writeExport(ExportFormat::Csv, c.csv, c.all(), {});
    int round = 0, stored = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString folder = c.dir.filePath(QStringLiteral("import%1").arg(++round));
        QDir(c.dir.path()).mkdir(QStringLiteral("import%1").arg(round));
        createDatabase(folder);
        auto dm = std::make_unique<DataModule>();
        auto session = std::make_unique<Session>(*dm);
        dm->openFolder(folder);
        session->loadAfterOpen();
        state.ResumeTiming();

        const QVector<QStringList> records = readDelimited(readTextFile(c.csv), QLatin1Char(','), QLatin1Char('"'));
        ImportRequest request;
        request.records = &records;
        request.first = 1;
        request.fields = importScreenFields();
        const QStringList names = sourceColumnNames(records, true);
        const QStringList titles = memberColumnTitles();
        for (const ImportField& f : request.fields) {
            const qsizetype title = memberColumnFields().indexOf(f.field);
            request.mapping << int(names.indexOf(titles[title]));
        }
        stored = importMembers(*dm, request);

        state.PauseTiming();
        session.reset();
        dm.reset();
        state.ResumeTiming();
    }
    state.counters["members"] = stored;
}

}  // namespace

BENCHMARK(exportCsv)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(exportXlsx)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(importCsv)->Unit(benchmark::kMillisecond)->Iterations(1);
