// Benchmark of the DTAUS writer: a run of 20,000 direct debits (name, purpose wrapped
// into two lines, amount, bank code, account number) from Start to the file on disk.
#include "payments/dtauswriter.h"

#include <benchmark/benchmark.h>
#include <QTemporaryDir>

namespace {

void dtausRun(benchmark::State& state) {
    const int payments = int(state.range(0));
    QTemporaryDir dir;
    QVector<QString> names;
    for (int i = 0; i < payments; ++i) names << QStringLiteral("Müller-Lüdenscheidt, Jürgen %1").arg(i);
    for (auto _ : state) {
        ferolind::DtausWriter w;
        w.setPath(dir.path());
        w.setLastschriften(true);
        w.AuftraggeberName = QStringLiteral("Förderverein Süd");
        w.AuftraggeberBLZ = 37050198;
        w.AuftraggeberKontoNr = 1234567890;
        w.Start();
        for (int i = 0; i < payments; ++i)
            w.AddPayment(names[i], QStringLiteral("Mitgliedsbeitrag 2026 für das Jahr, Satzung"), 240000 + i,
                         10000000 + i, 1000000 + i);
        w.Finish();
        benchmark::DoNotOptimize(w.AmountSumCents());
    }
    state.counters["payments"] = payments;
}
BENCHMARK(dtausRun)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace
