// Benchmark of the direct-debit run over a demo club of 30,000 members, of whom about
// 20,000 take part in direct debit: every member checked, the DTAUS file written and a
// monthly fee payment recorded for each debited member, all in one transaction. Each
// iteration records another month, so that nobody has paid it yet.
// FEROLIND_BENCH_MEMBERS changes the club's size.
#include "data/datamodule.h"
#include "data/dataset.h"
#include "debitclub.h"
#include "fees/feepayments.h"
#include "payments/dtausrun.h"
#include "payments/dtauswriter.h"
#include "session/session.h"

#include <benchmark/benchmark.h>
#include <QDir>
#include <QTemporaryDir>

namespace {

void dtausMemberRun(benchmark::State& state) {
    ferolind::demo::DebitClub club;
    ferolind::DataModule& dm = club.dm;
    const ferolind::demo::Size& size = club.size;
    dm.members().applyFilter(QStringLiteral("DTAUS = true"));

    ferolind::DtausWriter writer;
    ferolind::DtausRunInput input;
    input.target = QDir(club.dir.path()).filePath(QStringLiteral("lastschrift.txt"));
    input.sender = {QStringLiteral("Förderverein Süd"), QStringLiteral("37050198"), QStringLiteral("1234567890")};
    input.purpose = QStringLiteral("Mitgliedsbeitrag Januar");
    input.recordPayments = true;
    input.periodKind = int(ferolind::PaymentPeriod::Monthly);
    int month = 0;
    ferolind::DtausRunResult result;
    for (auto _ : state) {
        input.yearText = QString::number(size.today.year() + 1 + month / 12);
        input.periodText = QString::number(month % 12 + 1);
        ++month;
        result = ferolind::runDtaus(club.session, writer, input);
        benchmark::DoNotOptimize(result.payments);
    }
    state.counters["members"] = size.members;
    state.counters["debits"] = result.payments;
    state.counters["recorded"] = result.recorded;
}
BENCHMARK(dtausMemberRun)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
