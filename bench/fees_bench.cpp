// Benchmarks of the fees over a demo club of 50,000 members of whom about 40,000 have
// paid this year (yearly payments, as the demo club stores them): the arrears list (the
// filter text built from the payments, compiled and applied), the same list opened on
// its screen, and the fee payment screen's list of members who have not paid.
// FEROLIND_BENCH_MEMBERS changes the size.
#include "data/datamodule.h"
#include "data/dataset.h"
#include "democlub.h"
#include "fees/arrearsscreen.h"
#include "fees/feepayments.h"
#include "fees/feepaymentscreen.h"
#include "members/memberrules.h"
#include "session/session.h"

#include <benchmark/benchmark.h>
#include <QTemporaryDir>
#include <memory>

namespace {

struct FeeClub {
    QTemporaryDir dir;
    int members = 50000;
    int paid = 0;
    ferolind::FeePeriod period;
    std::unique_ptr<ferolind::DataModule> dm;
    std::unique_ptr<ferolind::Session> session;
    FeeClub() {
        if (qEnvironmentVariableIsSet("FEROLIND_BENCH_MEMBERS"))
            members = qEnvironmentVariableIntValue("FEROLIND_BENCH_MEMBERS");
        ferolind::demo::Size size;
        size.members = members;
        size.bookings = 1000;
        ferolind::demo::createDemoClub(dir.path(), size);
        dm = std::make_unique<ferolind::DataModule>();
        session = std::make_unique<ferolind::Session>(*dm);
        dm->openFolder(dir.path());
        session->loadAfterOpen();
        period = ferolind::openingPeriod(int(ferolind::PaymentPeriod::Yearly), size.today);
        ferolind::Dataset& m = dm->members();
        for (int i = 0; i < m.totalCount(); ++i)
            paid += session->memberRules().IsFeePaid(m.recordAt(i)[0].toInt(), period.kind, period.year, 0);
    }
};

FeeClub& club() {
    static FeeClub c;
    return c;
}

void counters(benchmark::State& state, FeeClub& c) {
    state.counters["members"] = c.members;
    state.counters["paid"] = c.paid;
    state.counters["listed"] = c.dm->members().recordCount();
}

// Building the arrears list: the filter of every paying member, set on the members.
void arrearsList(benchmark::State& state) {
    FeeClub& c = club();
    for (auto _ : state) ferolind::showArrears(*c.session, c.period);
    counters(state, c);
    c.dm->members().clearFilter();
}
BENCHMARK(arrearsList)->Unit(benchmark::kMillisecond);

// The arrears screen opened and closed: period state copied, year box, list, grid.
void arrearsScreen(benchmark::State& state) {
    FeeClub& c = club();
    TBeitragBuchenF fees(*c.session);
    fees.choosePeriodKind(int(ferolind::PaymentPeriod::Yearly));
    TBeitragssaumF screen(*c.session, fees);
    for (auto _ : state) {
        screen.prepareShow();
        state.PauseTiming();
        counters(state, c);
        screen.done(0);
        state.ResumeTiming();
    }
}
BENCHMARK(arrearsScreen)->Unit(benchmark::kMillisecond);

// The fee payment screen's list: pick texts of the members who have not paid.
void unpaidMembers(benchmark::State& state) {
    FeeClub& c = club();
    qsizetype listed = 0;
    for (auto _ : state) listed = ferolind::unpaidMemberPicks(*c.session, c.period).size();
    state.counters["members"] = c.members;
    state.counters["listed"] = double(listed);
}
BENCHMARK(unpaidMembers)->Unit(benchmark::kMillisecond);

}  // namespace
