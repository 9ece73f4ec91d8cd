// Benchmarks of the rowset XML files of backups and year-end archives: reading 100,000 and
// 300,000 bookings and 100,000 members from a file, and writing them. Besides the time
// each run reports the file size and the peak memory the read added beyond what the
// process held before it (freed memory is given back first with malloc_trim, and the peak
// is reset through /proc/self/clear_refs).
#include "data/rowsetxml.h"
#include "data/schema.h"

#include <benchmark/benchmark.h>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>

#include <malloc.h>
#include <memory>

namespace {

using namespace ferolind;

// Resident memory figures of this process in KiB ("VmRSS", "VmHWM").
qint64 statusKiB(const char* name) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QByteArray key = QByteArray(name) + ':';
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key)) return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// Sets the peak ("VmHWM") back to the current resident size.
void resetPeak() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly)) f.write("5");
}

QVector<Row> bookingRows(int n) {
    const FieldList fields = bookingDatasetFields();
    const QStringList payees{"Müller, Anna", "Stadtwerke", "Bäckerei Schulz", "Sportbund", "Meier, Jörg"};
    const QStringList categories{"Beiträge", "Spenden", "Miete", "Strom", "Getränke", "Porto"};
    QVector<Row> rows;
    rows.reserve(n);
    const QDate start(2020, 1, 1);
    for (int i = 0; i < n; ++i) {
        Row r(fields.size());
        r[fieldIndex(fields, "Buchungsnummer")] = i + 1;
        r[fieldIndex(fields, "Datum")] = start.addDays(i % 1500);
        r[fieldIndex(fields, "Empfaenger/Absender")] = payees[i % payees.size()];
        r[fieldIndex(fields, "Buchungstext")] = QStringLiteral("Beitragszahlung %1").arg(2020 + i % 5);
        r[fieldIndex(fields, "SollHaben")] = QString(i % 3 ? "E" : "A");
        r[fieldIndex(fields, "Betrag")] = QVariant::fromValue<qint64>(qint64(i % 9000) * 125 + 10000);
        r[fieldIndex(fields, "Kategorie")] = categories[i % categories.size()];
        r[fieldIndex(fields, "Bestandskonto")] = QString(i % 2 ? "Kasse" : "Girokonto");
        r[fieldIndex(fields, "ID")] = i + 1;
        rows << r;
    }
    return rows;
}

QVector<Row> memberRows(int n) {
    const FieldList fields = membersTable().columns;
    const QStringList first{"Anna", "Jörg", "Petra", "Hans", "Sabine", "Klaus", "Ümit"};
    const QStringList last{"Müller", "Schmidt", "Schneider", "Fischer", "Weber", "Wagner"};
    QVector<Row> rows;
    rows.reserve(n);
    for (int i = 0; i < n; ++i) {
        Row r(fields.size());
        auto set = [&](const char* name, const QVariant& v) { r[fieldIndex(fields, name)] = v; };
        set("DB-ID", i + 1);
        set("ID", i + 1);
        set("Anrede", i % 2 ? QStringLiteral("Herr") : QStringLiteral("Frau"));
        set("Vorname", first[i % first.size()]);
        set("Nachname", last[i % last.size()]);
        set("Strasse", QStringLiteral("Hauptstraße %1").arg(i % 200 + 1));
        set("PLZ", QStringLiteral("01067"));
        set("Ort", QStringLiteral("Dresden"));
        set("Telefon1", QStringLiteral("0351 %1").arg(100000 + i));
        set("Email", QStringLiteral("mitglied%1@example.org").arg(i));
        set("Geburtsdatum", QDate(1950, 1, 1).addDays(i % 20000));
        set("EintrittDatum", QDate(1990, 1, 1).addDays(i % 10000));
        if (i % 10 == 0) set("AustrittDatum", QDate(2020, 6, 30));
        set("Geschlecht", i % 2 ? QStringLiteral("männlich") : QStringLiteral("weiblich"));
        set("Status", QStringLiteral("aktiv"));
        set("Kontonummer", QString::number(1000000 + i));
        set("Kontoinhaber", first[i % first.size()] + ' ' + last[i % last.size()]);
        set("Bankleitzahl", 85050300);
        set("Bank", QStringLiteral("Ostsächsische Sparkasse"));
        set("Betrag", QStringLiteral("Erwachsene"));
        set("DTAUS", i % 3 == 0);
        rows << r;
    }
    return rows;
}

struct Files {
    QTemporaryDir dir;
    QMap<QString, QString> paths;
    QString get(const QString& what, int n) {
        const QString key = what + QString::number(n);
        if (!paths.contains(key)) {
            const QString path = dir.filePath(key + ".xml");
            if (what == "bookings")
                writeRowsetXml(path, bookingDatasetFields(), bookingRows(n));
            else
                writeRowsetXml(path, membersTable().columns, memberRows(n));
            paths.insert(key, path);
        }
        return paths.value(key);
    }
};

Files& files() {
    static Files f;
    return f;
}

void readFile(benchmark::State& state, const QString& what) {
    const int n = int(state.range(0));
    const QString path = files().get(what, n);
    qint64 peakAdded = 0;
    for (auto _ : state) {
        malloc_trim(0);  // memory freed before is not counted as taken by the read
        resetPeak();
        const qint64 before = statusKiB("VmRSS");
        {
            const Rowset rs = readRowsetXml(path);
            benchmark::DoNotOptimize(rs.rows.size());
            peakAdded = qMax(peakAdded, statusKiB("VmHWM") - before);
        }
    }
    state.counters["rows"] = n;
    state.counters["file_MiB"] = double(QFileInfo(path).size()) / (1024 * 1024);
    state.counters["peak_added_MiB"] = double(peakAdded) / 1024;
}

void readBookings(benchmark::State& state) { readFile(state, QStringLiteral("bookings")); }
BENCHMARK(readBookings)->Arg(100000)->Arg(300000)->Unit(benchmark::kMillisecond);

void readMembers(benchmark::State& state) { readFile(state, QStringLiteral("members")); }
BENCHMARK(readMembers)->Arg(100000)->Unit(benchmark::kMillisecond);

void writeBookings(benchmark::State& state) {
    const int n = int(state.range(0));
    const QVector<Row> rows = bookingRows(n);
    const QString path = files().dir.filePath("written.xml");
    for (auto _ : state) writeRowsetXml(path, bookingDatasetFields(), rows);
    state.counters["rows"] = n;
}
BENCHMARK(writeBookings)->Arg(300000)->Unit(benchmark::kMillisecond);

}  // namespace
