// Benchmarks over a demo club of 50,000 members: opening all datasets, filters, sorts,
// the member query, the mass deletion of 20,000 members, the statistics, the main
// window's start-up, a sort by a title click and scrolling the grid.
// Run with `make bench`; FEROLIND_BENCH_MEMBERS changes the size.
#include "common/datasetgrid.h"
#include "data/datamodule.h"
#include "data/settings.h"
#include "democlub.h"
#include "mainform.h"
#include "members/memberquery.h"
#include "session/session.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QSettings>
#include <QTemporaryDir>

namespace {

QString gFolder;
int gMembers = 50000;

// The club opened as the program opens it: rules attached first, then the tables, then
// the computed member values.
struct OpenClub {
    ferolind::DataModule dm;
    ferolind::Session s{dm};
    explicit OpenClub(const QString& folder = gFolder) {
        dm.openFolder(folder);
        s.loadAfterOpen();
    }
};

// The main window after its start-up sequence, on screen.
struct StartedWindow {
    ferolind::DataModule dm;
    ferolind::Session s{dm};
    TMainForm w{s};
    StartedWindow() {
        w.show();
        w.runStartUp();
        QApplication::processEvents();
    }
};

void openAll(benchmark::State& state) {
    for (auto _ : state) {
        OpenClub club;  // computes jubilee texts and fee-paid flags of every member
        benchmark::DoNotOptimize(club.dm.members().recordCount());
    }
    state.counters["members"] = gMembers;
}
BENCHMARK(openAll)->Unit(benchmark::kMillisecond);

void filterMembers(benchmark::State& state) {
    OpenClub club;
    ferolind::DataModule& dm = club.dm;
    const char* filters[] = {"Nachname ='M*' and Austrittdatum = NULL",
                             "Year(EintrittDatum)-2011=-10 or (Ort = 'Berlin' and DTAUS = true)", "ID<>4 and ID<>9"};
    const char* f = filters[state.range(0)];
    int presented = 0;
    for (auto _ : state) {
        dm.members().applyFilter(QString::fromUtf8(f));
        presented = dm.members().recordCount();
        dm.members().clearFilter();
    }
    state.SetLabel(std::string(f) + " -> " + std::to_string(presented) + " rows");
}
BENCHMARK(filterMembers)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The arrears list's filter: "ID<>n" for every member who paid, here 40,000 terms over
// the whole club; compiling included, as the refresh re-applies the text.
void arrearsChain(benchmark::State& state) {
    OpenClub club;
    ferolind::Dataset& m = club.dm.members();
    QStringList terms;
    const int fId = m.field(QStringLiteral("ID"));
    for (int i = 0; i < m.totalCount() && terms.size() < 40000; ++i)
        terms << QStringLiteral("ID<>") + m.recordAt(i)[fId].toString();
    const QString text = terms.join(QStringLiteral(" and "));
    int presented = 0;
    for (auto _ : state) {
        m.applyFilter(text);
        presented = m.recordCount();
        m.clearFilter();
    }
    state.SetLabel(std::to_string(terms.size()) + " terms -> " + std::to_string(presented) + " rows");
}
BENCHMARK(arrearsChain)->Unit(benchmark::kMillisecond);

// "Anzeigen" of the member query: two criteria (one a prefix) and an entry-date range,
// sorted by surname and first name, over every member: the text built, sort and filter set.
void memberQuery(benchmark::State& state) {
    OpenClub club;
    ferolind::Dataset& m = club.dm.members();
    ferolind::MemberQuery q;
    q.rows[0] = {QStringLiteral("Nachname"), QStringLiteral("M*")};
    q.rows[1] = {QStringLiteral("Status"), QStringLiteral("aktiv")};
    q.date = ferolind::QueryDate::EntryDate;
    q.from = QDate(1990, 1, 1);
    q.to = QDate(2010, 12, 31);
    q.sort1 = QStringLiteral("Nachname");
    q.sort2 = QStringLiteral("Vorname");
    int presented = 0;
    for (auto _ : state) {
        m.applyFilter(ferolind::memberQueryFilter(q, {}));
        m.setSort(ferolind::memberQuerySort(q.sort1, q.sort2, {}));
        presented = m.recordCount();
        state.PauseTiming();  // closing the screen: no filter, sorted by ID
        m.setSort(QStringLiteral("ID"));
        m.clearFilter();
        state.ResumeTiming();
    }
    state.SetLabel(ferolind::memberQueryFilter(q, {}).toStdString() + " -> " + std::to_string(presented) + " rows");
}
BENCHMARK(memberQuery)->Unit(benchmark::kMillisecond);

// The mass deletion of 20,000 of the members, in one transaction, with the progress
// redrawn as the screen does it (a few times a second); each run on a fresh copy.
void massDeletion(benchmark::State& state) {
    const int toDelete = std::min(20000, gMembers);
    int deleted = 0, redraws = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir copy;
        QFile::copy(QDir(gFolder).filePath(QStringLiteral("db.mdb")), copy.filePath(QStringLiteral("db.mdb")));
        {
            OpenClub club(copy.path());
            ferolind::Dataset& m = club.dm.members();
            m.applyFilter(QStringLiteral("ID <= %1").arg(toDelete));
            QElapsedTimer sinceRedraw;
            sinceRedraw.start();
            state.ResumeTiming();
            deleted = ferolind::deletePresentedMembers(m, [&](int done, int total) {
                if (done < total && sinceRedraw.elapsed() < 50) return;
                sinceRedraw.restart();
                ++redraws;
                QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            });
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
    state.SetLabel(std::to_string(deleted) + " of " + std::to_string(gMembers) + " members deleted, " +
                   std::to_string(redraws / std::max<int64_t>(1, state.iterations())) + " progress redraws each");
}
BENCHMARK(massDeletion)->Unit(benchmark::kMillisecond)->Iterations(3);

// The statistics screen's sixteen counts over every member.
void statistics(benchmark::State& state) {
    OpenClub club;
    for (auto _ : state)
        benchmark::DoNotOptimize(ferolind::memberStatistics(club.dm.members(), QDate::currentDate()).size());
}
BENCHMARK(statistics)->Unit(benchmark::kMillisecond);

void sortMembers(benchmark::State& state) {
    OpenClub club;
    ferolind::DataModule& dm = club.dm;
    for (auto _ : state) {
        dm.members().setSort(QStringLiteral("Nachname;Vorname"));
        dm.members().setSort(QStringLiteral("ID"));
    }
    state.SetLabel("two sorts per iteration: Nachname;Vorname, then ID");
}
BENCHMARK(sortMembers)->Unit(benchmark::kMillisecond);

// The timer's re-read when no other workstation changed anything, and when one changed one member.
void refreshAll(benchmark::State& state) {
    OpenClub club;
    ferolind::DataModule other;
    other.openFolder(gFolder);
    ferolind::Dataset& theirs = other.members();
    for (auto _ : state) {
        if (state.range(0) == 1) {
            state.PauseTiming();
            theirs.edit();
            theirs.setText(QStringLiteral("Telefon1"), QString::number(state.iterations()));
            theirs.post();
            state.ResumeTiming();
        }
        club.dm.refreshAll();
    }
}
BENCHMARK(refreshAll)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// From nothing to the main window on screen with all members: data module, rules,
// window, the start-up sequence (opening every dataset included) and the first paint.
void mainWindowStartUp(benchmark::State& state) {
    for (auto _ : state) {
        StartedWindow started;
        benchmark::DoNotOptimize(started.w.memberGrid()->model()->rowCount());
    }
}
BENCHMARK(mainWindowStartUp)->Unit(benchmark::kMillisecond)->Iterations(3);

// The stored column widths of both main grids at start, a number column without one
// measured against its widest value over all rows.
void loadGridWidths(benchmark::State& state) {
    StartedWindow started;
    for (auto _ : state) {
        started.w.memberGrid()->loadWidths();
        started.w.bookingGrid()->loadWidths();
    }
    state.SetLabel(QStringLiteral("%1 members, %2 bookings")
                       .arg(started.w.memberGrid()->model()->rowCount())
                       .arg(started.w.bookingGrid()->model()->rowCount())
                       .toStdString());
}
BENCHMARK(loadGridWidths)->Unit(benchmark::kMillisecond);

// A jump to the last of 50,000 rows and back, with the repaints.
void scrollGrid(benchmark::State& state) {
    StartedWindow started;
    TMainForm& w = started.w;
    for (auto _ : state) {
        w.memberGrid()->scrollToBottom();
        w.memberGrid()->viewport()->repaint();
        w.memberGrid()->scrollToTop();
        w.memberGrid()->viewport()->repaint();
    }
}
BENCHMARK(scrollGrid)->Unit(benchmark::kMillisecond);

void clickSortOnly(benchmark::State& state) {
    StartedWindow started;
    TMainForm& w = started.w;
    int col = 0;
    for (auto _ : state) {
        w.sortMembersByColumn(col == 0 ? 3 : 7);  // Nachname, Ort
        QApplication::processEvents();
        col ^= 1;
    }
}
BENCHMARK(clickSortOnly)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir sandbox;
    qputenv("XDG_CONFIG_HOME", sandbox.filePath("config").toUtf8());
    qputenv("FEROLIND_APPDATA", sandbox.filePath("appdata").toUtf8());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, sandbox.filePath("config"));
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    if (qEnvironmentVariableIsSet("FEROLIND_BENCH_MEMBERS"))
        gMembers = qEnvironmentVariableIntValue("FEROLIND_BENCH_MEMBERS");
    QTemporaryDir club;
    gFolder = club.path();
    ferolind::demo::Size size;
    size.members = gMembers;
    size.bookings = gMembers / 2;
    ferolind::demo::createDemoClub(gFolder, size);
    ferolind::RegistrySetString(QStringLiteral("DBPfad"), gFolder);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    struct rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    std::printf("peak resident memory: %.1f MiB\n", ru.ru_maxrss / 1024.0);
    return 0;
}
