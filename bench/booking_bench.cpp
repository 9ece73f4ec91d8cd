// Benchmarks of the bookkeeping over a journal of 200,000 bookings: recomputing every
// balance, and a booking query (filter text built from criteria, applied, net sum).
// FEROLIND_BENCH_BOOKINGS changes the size.
#include "booking/accounts.h"
#include "booking/bookingquery.h"
#include "data/datamodule.h"
#include "democlub.h"
#include "session/session.h"

#include <benchmark/benchmark.h>
#include <QTemporaryDir>
#include <memory>

namespace {

// One journal for all booking benchmarks, made on first use.
struct Journal {
    QTemporaryDir dir;
    int bookings = 200000;
    std::unique_ptr<ferolind::DataModule> dm;
    std::unique_ptr<ferolind::Session> session;
    Journal() {
        if (qEnvironmentVariableIsSet("FEROLIND_BENCH_BOOKINGS"))
            bookings = qEnvironmentVariableIntValue("FEROLIND_BENCH_BOOKINGS");
        ferolind::demo::Size size;
        size.members = 1000;
        size.bookings = bookings;
        ferolind::demo::createDemoClub(dir.path(), size);
        dm = std::make_unique<ferolind::DataModule>();
        session = std::make_unique<ferolind::Session>(*dm);
        dm->openFolder(dir.path());
        session->loadAfterOpen();
    }
};

Journal& journal() {
    static Journal j;
    return j;
}

void recomputeBalances(benchmark::State& state) {
    Journal& j = journal();
    for (auto _ : state) ferolind::recomputeBalances(*j.dm);
    state.counters["bookings"] = j.bookings;
}
BENCHMARK(recomputeBalances)->Unit(benchmark::kMillisecond);

// Arg 0: the whole year with no criterion; 1: category prefix and account over the year.
void bookingQuery(benchmark::State& state) {
    Journal& j = journal();
    ferolind::Dataset& b = j.dm->bookings();
    const ferolind::DateBounds bounds = ferolind::bookingDateBounds(b);
    ferolind::BookingCriteria c;
    c.from = bounds.earliest;
    c.to = bounds.latest;
    if (state.range(0) == 1) {
        c.category = QStringLiteral("Beit*");
        c.account = QStringLiteral("Kasse");
    }
    ferolind::Money sum = 0;
    for (auto _ : state) {
        b.applyFilter(ferolind::bookingQueryFilter(c));
        sum = ferolind::bookingNetSum(b);
        benchmark::DoNotOptimize(sum);
    }
    state.counters["shown"] = b.recordCount();
    b.clearFilter();
}
BENCHMARK(bookingQuery)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
