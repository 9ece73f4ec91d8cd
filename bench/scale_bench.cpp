// The program against the limit, at club scale, in one run: for each club size the raw
// read of every row of the five tables with SQLite's C API into typed arrays, the sqlite3
// shell reading the same rows, the program's open of all datasets, the main window's
// start-up to its first paint, a re-read with no change and with one changed member,
// a title-click sort, filter applies, and peak memory; with the ratios.
//
// Every measurement runs in a child process of its own (its peak memory is its own);
// times are the best of three, as the machine is shared. Run with `make bench`;
// FEROLIND_SCALE_SIZES="members/bookings/payments,..." picks other sizes;
// FEROLIND_SCALE_BEFORE_CLI=path measures another build's command-line tool beside this one.
#include "common/datasetgrid.h"
#include "data/connection.h"
#include "data/datamodule.h"
#include "data/schema.h"
#include "data/settings.h"
#include "democlub.h"
#include "mainform.h"
#include "session/session.h"

#include <sqlite3.h>
#include <sys/resource.h>
#include <ctime>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QSettings>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using ferolind::FieldType;

// Peak resident memory of this process so far, in MiB.
double peakMiB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

double msSince(const QElapsedTimer& t) { return t.nsecsElapsed() / 1e6; }

// Processor time of this process (all threads) in ms: on a machine shared with other work
// the wall-clock time mostly measures the others.
double cpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Processor time of the calling thread in ms: the window's work alone.
double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double childrenCpuMs() {
    struct rusage ru {};
    getrusage(RUSAGE_CHILDREN, &ru);
    return (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
}

QString dbFile(const QString& folder) { return QDir(folder).filePath(QStringLiteral("db.mdb")); }

QString selectOf(const ferolind::TableDef& t) {
    QStringList cols;
    for (const ferolind::FieldDef& f : t.columns) cols << ferolind::quoteName(f.name);
    return QStringLiteral("SELECT %1 FROM %2").arg(cols.join(','), ferolind::quoteName(t.name));
}

// ---------------------------------------------------------------- the limit

// One table's columns as typed arrays: numbers, money and booleans as 64-bit integers,
// dates as day numbers, texts in one buffer with offsets; a null flag per cell.
struct TypedColumn {
    std::vector<qint64> numbers;
    std::vector<quint32> offsets;
    std::string texts;
    std::vector<unsigned char> nulls;
};

int dayNumber(const unsigned char* s, int n) {
    if (n < 10) return 0;
    auto d = [&](int at, int len) {
        int v = 0;
        for (int i = at; i < at + len; ++i) v = v * 10 + (s[i] - '0');
        return v;
    };
    return int(QDate(d(0, 4), d(5, 2), d(8, 2)).toJulianDay());
}

double rawRead(const QString& folder, double* cpu) {
    QElapsedTimer t;
    t.start();
    const double cpu0 = cpuMs();
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(qPrintable(dbFile(folder)), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK)
        return -1;
    qint64 cells = 0;
    for (const ferolind::TableDef* table : ferolind::allTables()) {
        sqlite3_stmt* st = nullptr;
        const QByteArray count = QStringLiteral("SELECT count(*) FROM %1").arg(ferolind::quoteName(table->name)).toUtf8();
        sqlite3_prepare_v3(db, count.constData(), -1, 0, &st, nullptr);
        const qint64 rows = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;
        sqlite3_finalize(st);
        std::vector<TypedColumn> cols(table->columns.size());
        for (int c = 0; c < int(cols.size()); ++c) {
            cols[c].nulls.reserve(rows);
            const FieldType type = table->columns[c].type;
            if (type == FieldType::Text || type == FieldType::Memo)
                cols[c].offsets.reserve(rows + 1);
            else
                cols[c].numbers.reserve(rows);
        }
        const QByteArray sql = selectOf(*table).toUtf8();
        sqlite3_prepare_v3(db, sql.constData(), -1, 0, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (int c = 0; c < int(cols.size()); ++c) {
                TypedColumn& col = cols[c];
                const bool null = sqlite3_column_type(st, c) == SQLITE_NULL;
                col.nulls.push_back(null);
                switch (table->columns[c].type) {
                    case FieldType::Text:
                    case FieldType::Memo: {
                        const unsigned char* s = sqlite3_column_text(st, c);
                        col.texts.append(reinterpret_cast<const char*>(s), sqlite3_column_bytes(st, c));
                        col.offsets.push_back(quint32(col.texts.size()));
                        break;
                    }
                    case FieldType::Date:
                        col.numbers.push_back(null ? 0 : dayNumber(sqlite3_column_text(st, c), sqlite3_column_bytes(st, c)));
                        break;
                    default: col.numbers.push_back(sqlite3_column_int64(st, c));
                }
                ++cells;
            }
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    const double ms = msSince(t);
    *cpu = cpuMs() - cpu0;
    std::fprintf(stderr, "raw read: %lld cells\n", cells);
    return ms;
}

// ---------------------------------------------------------------- the program

void sandboxSettings(const QString& dir) {
    qputenv("XDG_CONFIG_HOME", QDir(dir).filePath(QStringLiteral("config")).toUtf8());
    qputenv("FEROLIND_APPDATA", QDir(dir).filePath(QStringLiteral("appdata")).toUtf8());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QDir(dir).filePath(QStringLiteral("config")));
}

// One member changed by another workstation of this program; byRow false: by a writer
// that lists no rows (the table is then read whole).
void changeOneMember(const QString& folder, int round, bool byRow) {
    ferolind::Connection other(folder, QStringLiteral("other"));
    ferolind::Transaction tx(&other);
    const qint64 key = 1 + round * 37;
    if (byRow)
        other.markChanged(QStringLiteral("mitglieder"), key);
    else
        other.markChanged(QStringLiteral("mitglieder"));
    other.exec(QStringLiteral("UPDATE mitglieder SET Telefon1=? WHERE \"DB-ID\"=?"),
               {QStringLiteral("0301 %1").arg(round), key}, QStringLiteral("bench"));
    tx.commit();
}

// The command-line tool opening every dataset, as a user runs it: "members list" with a
// filter that matches nobody. FEROLIND_SCALE_CLI names another build's tool.
QString cliPath(const char* variable) {
    const QString given = qEnvironmentVariable(variable);
    if (!given.isEmpty() || qstrcmp(variable, "FEROLIND_SCALE_CLI") != 0) return given;
    return QStringLiteral(FEROLIND_CLI_PATH);
}

// The longest gap between the ticks of a 1 ms timer while `work` runs from the event loop,
// as the re-read timer runs it, with the repaints that follow: the longest time the window
// takes no input.
double longestStall(const std::function<void()>& work) {
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, worst = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        worst = std::max(worst, now - last);
        last = now;
    });
    QTimer::singleShot(20, Qt::PreciseTimer, [&] {
        work();
        QTimer::singleShot(50, Qt::PreciseTimer, &loop, &QEventLoop::quit);  // the ticks after it are seen
    });
    tick.start();
    last = clock.nsecsElapsed();
    loop.exec();
    return worst / 1e6;
}

// Runs in the child: prints "name value" lines.
int child(const QString& kind, const QString& folder) {
    auto out = [](const char* name, double v) { std::printf("%s %.3f\n", name, v); };
    if (kind.startsWith(u"cli:")) {
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer t;
        t.start();
        p.start(kind.mid(4), {QStringLiteral("--db"), folder, QStringLiteral("members"), QStringLiteral("list"),
                              QStringLiteral("--filter"), QStringLiteral("ID = -1")});
        if (!p.waitForFinished(-1) || p.exitCode() != 0) return 1;
        out("ms", msSince(t));
        out("cpu", childrenCpuMs());  // the tool is this process's only child
        struct rusage ru {};
        getrusage(RUSAGE_CHILDREN, &ru);
        out("peak", ru.ru_maxrss / 1024.0);
        return 0;
    }
    if (kind == u"shell") {
        QStringList statements;
        for (const ferolind::TableDef* table : ferolind::allTables()) statements << selectOf(*table);
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer t;
        t.start();
        p.start(QStringLiteral("sqlite3"), {QStringLiteral("-batch"), dbFile(folder), statements.join(';')});
        if (!p.waitForFinished(-1) || p.exitCode() != 0) return 1;
        out("ms", msSince(t));
        out("cpu", childrenCpuMs());
        return 0;
    }
    if (kind == u"raw") {
        double cpu = 0;
        out("ms", rawRead(folder, &cpu));
        out("cpu", cpu);
        out("peak", peakMiB());
        return 0;
    }
    QTemporaryDir sandbox;
    sandboxSettings(sandbox.path());
    ferolind::RegistrySetString(QStringLiteral("DBPfad"), folder);
    if (kind == u"open") {
        ferolind::DataModule dm;
        ferolind::Session s{dm};
        QElapsedTimer t;
        t.start();
        const double cpu0 = cpuMs();
        dm.openFolder(folder);
        s.loadAfterOpen();
        out("ms", msSince(t));
        out("cpu", cpuMs() - cpu0);
        out("peak", peakMiB());
        std::fflush(stdout);
        std::_Exit(0);  // as the command-line tool may: the rows need no freeing
    }
    if (kind == u"window") {
        QElapsedTimer t;
        t.start();
        ferolind::DataModule dm;
        ferolind::Session s{dm};
        TMainForm w{s};
        w.show();
        w.runStartUp();
        QApplication::processEvents();
        w.memberGrid()->viewport()->repaint();
        out("ms", msSince(t));
        const double afterOpen = peakMiB();
        out("peak", afterOpen);
        // The re-read with nothing changed: the work alone, and with the event loop's repaint.
        double none = 1e9, noneLoop = 1e9, one = 1e9, oneLoop = 1e9;
        for (int i = 0; i < 20; ++i) {
            QElapsedTimer r;
            r.start();
            dm.refreshAll();
            none = std::min(none, msSince(r));
            QApplication::processEvents();
            noneLoop = std::min(noneLoop, msSince(r));
        }
        for (int i = 0; i < 3; ++i) {
            changeOneMember(folder, i, true);
            QElapsedTimer r;
            r.start();
            dm.refreshAll();
            one = std::min(one, msSince(r));
            QApplication::processEvents();
            w.memberGrid()->viewport()->repaint();
            oneLoop = std::min(oneLoop, msSince(r));
        }
        double whole = 1e9;
        for (int i = 3; i < 6; ++i) {
            changeOneMember(folder, i, false);
            QElapsedTimer r;
            r.start();
            dm.refreshAll();
            QApplication::processEvents();
            w.memberGrid()->viewport()->repaint();
            whole = std::min(whole, msSince(r));
        }
        out("refreshwhole", whole);
        out("refresh0", none);
        out("refresh0loop", noneLoop);
        out("refresh1", one);
        out("refresh1loop", oneLoop);
        out("refreshgrowth", peakMiB() - afterOpen);
        // The longest stall of a round, over several rounds: what a user may meet.
        double stall0 = 0, stall1 = 0;
        for (int i = 0; i < 5; ++i) stall0 = std::max(stall0, longestStall([&] { dm.refreshAll(); }));
        for (int i = 6; i < 9; ++i) {
            changeOneMember(folder, i, true);
            stall1 = std::max(stall1, longestStall([&] { dm.refreshAll(); }));
        }
        out("stall0", stall0);
        out("stall1", stall1);
        double sort = 1e9, sortCpu = 1e9, sortOrt = 1e9;
        for (int i = 0; i < 3; ++i) {
            for (int column : {3, 7}) {  // Nachname, Ort
                QElapsedTimer r;
                r.start();
                const double cpu0 = threadCpuMs();
                w.sortMembersByColumn(column);
                QApplication::processEvents();
                sort = std::min(sort, msSince(r));
                sortCpu = std::min(sortCpu, threadCpuMs() - cpu0);
                if (column == 7) sortOrt = std::min(sortOrt, msSince(r));
            }
        }
        out("sort", sort);
        out("sortcpu", sortCpu);
        out("sortort", sortOrt);
        ferolind::Dataset& m = dm.members();
        double worstFilter = 0;
        int which = 0;
        for (const char* f : {"Nachname ='M*' and Austrittdatum = NULL",
                              "Year(EintrittDatum)-2011=-10 or (Ort = 'Berlin' and DTAUS = true)", "ID<>4 and ID<>9"}) {
            double best = 1e9, work = 1e9, cpu = 1e9;
            for (int i = 0; i < 3; ++i) {
                QElapsedTimer r;
                r.start();
                const double cpu0 = threadCpuMs();
                m.applyFilter(QString::fromUtf8(f));
                work = std::min(work, msSince(r));
                QApplication::processEvents();
                best = std::min(best, msSince(r));
                cpu = std::min(cpu, threadCpuMs() - cpu0);
                m.clearFilter();
                QApplication::processEvents();
            }
            worstFilter = std::max(worstFilter, best);
            out(qPrintable(QStringLiteral("filterwork%1").arg(which)), work);
            out(qPrintable(QStringLiteral("filtercpu%1").arg(which)), cpu);
            out(qPrintable(QStringLiteral("filter%1").arg(which++)), best);
        }
        out("filter", worstFilter);
        std::fflush(stdout);
        std::_Exit(0);
    }
    return 1;
}

// ---------------------------------------------------------------- the parent

using Figures = QHash<QString, double>;

Figures runChild(const QString& kind, const QString& folder) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), kind, folder});
    p.waitForFinished(-1);
    Figures f;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.trimmed().split(' ');
        if (parts.size() == 2) f.insert(QString::fromUtf8(parts[0]), parts[1].toDouble());
    }
    return f;
}

// Best of three: the least time, the peak memory of that run.
Figures bestOf3(const QString& kind, const QString& folder) {
    Figures best;
    for (int i = 0; i < 3; ++i) {
        Figures f = runChild(kind, folder);
        if (best.isEmpty()) {
            best = f;
            continue;
        }
        for (auto it = f.begin(); it != f.end(); ++it)
            if (it.key() != u"peak" && it.key() != u"refreshgrowth")
                best[it.key()] = std::min(best.value(it.key()), it.value());
        best[QStringLiteral("peak")] = std::min(best.value(QStringLiteral("peak")), f.value(QStringLiteral("peak")));
    }
    return best;
}

struct ClubSize {
    int members, bookings, payments;
};

QVector<ClubSize> sizes() {
    QVector<ClubSize> s = {{10000, 40000, 100000}, {50000, 200000, 500000}, {100000, 400000, 1000000}};
    const QString wanted = qEnvironmentVariable("FEROLIND_SCALE_SIZES");
    if (wanted.isEmpty()) return s;
    s.clear();
    for (const QString& one : wanted.split(',', Qt::SkipEmptyParts)) {
        const QStringList n = one.split('/');
        if (n.size() == 3) s.append({n[0].toInt(), n[1].toInt(), n[2].toInt()});
    }
    return s;
}

int parent() {
    std::printf("Club scale, best of 3 each (a shared machine: figures are noisy)\n");
    for (const ClubSize& size : sizes()) {
        QTemporaryDir club;
        ferolind::demo::Size demo;
        demo.members = size.members;
        demo.bookings = size.bookings;
        demo.payments = size.payments;
        ferolind::demo::createDemoClub(club.path(), demo);
        const double fileMiB = QFileInfo(dbFile(club.path())).size() / 1048576.0;
        const Figures raw = bestOf3(QStringLiteral("raw"), club.path());
        const Figures shellRun = bestOf3(QStringLiteral("shell"), club.path());
        const double shell = shellRun.value(QStringLiteral("ms")), shellCpu = shellRun.value(QStringLiteral("cpu"));
        const Figures open = bestOf3(QStringLiteral("open"), club.path());
        const Figures win = bestOf3(QStringLiteral("window"), club.path());
        const Figures cli = bestOf3(QStringLiteral("cli:") + cliPath("FEROLIND_SCALE_CLI"), club.path());
        const QString before = cliPath("FEROLIND_SCALE_BEFORE_CLI");
        const Figures cliBefore = before.isEmpty() ? Figures() : bestOf3(QStringLiteral("cli:") + before, club.path());
        const double rawMs = raw.value(QStringLiteral("ms")), openMs = open.value(QStringLiteral("ms"));
        std::printf("\n%d members, %d bookings, %d fee payments: db.mdb %.1f MiB\n", size.members, size.bookings,
                    size.payments, fileMiB);
        const double rawCpu = raw.value(QStringLiteral("cpu")), openCpu = open.value(QStringLiteral("cpu"));
        std::printf("  (wall-clock ms / processor ms)\n");
        std::printf("  raw C API read into typed arrays  %9.1f / %9.1f ms   peak %7.1f MiB\n", rawMs, rawCpu,
                    raw.value(QStringLiteral("peak")));
        std::printf("  sqlite3 shell reading the rows     %9.1f / %9.1f ms\n", shell, shellCpu);
        std::printf("  open of all datasets               %9.1f / %9.1f ms   peak %7.1f MiB (%.2fx the file)\n", openMs,
                    openCpu, open.value(QStringLiteral("peak")), open.value(QStringLiteral("peak")) / fileMiB);
        std::printf("    ratio to the shell %.2fx (processor %.2fx), to the raw read %.2fx (processor %.2fx)\n",
                    openMs / shell, openCpu / shellCpu, openMs / rawMs, openCpu / rawCpu);
        const auto tool = [&](const char* label, const Figures& f) {
            std::printf("  %-34s %9.1f / %9.1f ms   peak %7.1f MiB (%.2fx the file), processor %.2fx the shell\n",
                        label, f.value(QStringLiteral("ms")), f.value(QStringLiteral("cpu")),
                        f.value(QStringLiteral("peak")), f.value(QStringLiteral("peak")) / fileMiB,
                        f.value(QStringLiteral("cpu")) / shellCpu);
        };
        tool("command-line tool, members list", cli);
        if (!cliBefore.isEmpty()) tool("  the same, FEROLIND_SCALE_BEFORE_CLI", cliBefore);
        std::printf("  main window to its first paint     %9.1f ms   peak %7.1f MiB\n", win.value(QStringLiteral("ms")),
                    win.value(QStringLiteral("peak")));
        std::printf("  re-read, nothing changed           %9.3f ms   with the event loop %.3f ms\n",
                    win.value(QStringLiteral("refresh0")), win.value(QStringLiteral("refresh0loop")));
        std::printf("  re-read, one member changed        %9.1f ms   with the event loop and repaint %.1f ms\n",
                    win.value(QStringLiteral("refresh1")), win.value(QStringLiteral("refresh1loop")));
        std::printf("  re-read of the whole member table  %9.1f ms   (a writer that lists no rows; with repaint)\n",
                    win.value(QStringLiteral("refreshwhole")));
        std::printf("    peak memory raised by the re-reads %.1f MiB\n", win.value(QStringLiteral("refreshgrowth")));
        std::printf("  title-click sort of the members    %9.1f ms   (processor %.1f ms; by town %.1f ms)\n",
                    win.value(QStringLiteral("sort")), win.value(QStringLiteral("sortcpu")),
                    win.value(QStringLiteral("sortort")));
        std::printf("  filter apply (slowest of three)    %9.1f ms\n", win.value(QStringLiteral("filter")));
        for (int i = 0; i < 3; ++i)
            std::printf("    filter %d: %6.1f ms with the repaint, %6.1f ms the work alone, processor %6.1f ms\n", i + 1,
                        win.value(QStringLiteral("filter%1").arg(i)), win.value(QStringLiteral("filterwork%1").arg(i)),
                        win.value(QStringLiteral("filtercpu%1").arg(i)));
        std::printf("  longest event-loop stall in a re-read: nothing changed %.1f ms, one member changed %.1f ms\n",
                    win.value(QStringLiteral("stall0")), win.value(QStringLiteral("stall1")));
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == u"--child") return child(args[2], args[3]);
    return parent();
}
