// Benchmarks of the SEPA direct-debit file: the pain.008 writer alone for 20,000 debits
// (every debit checked, then the XML), and the SEPA run over a demo club of 30,000
// members, of whom about 20,000 take part in direct debit: every member checked, the
// file written and a monthly fee payment recorded for each, all in one transaction.
// FEROLIND_BENCH_MEMBERS changes the club's size.
#include "data/datamodule.h"
#include "data/dataset.h"
#include "debitclub.h"
#include "fees/feepayments.h"
#include "payments/iban.h"
#include "payments/separun.h"
#include "payments/sepawriter.h"
#include "session/session.h"

#include <benchmark/benchmark.h>
#include <QDir>
#include <QTemporaryDir>

namespace {

const QDate kToday(2026, 3, 10);

void sepaWriter20000(benchmark::State& state) {
    ferolind::SepaFile f;
    f.messageId = QStringLiteral("FEROLIND-20260310103000");
    f.created = QDateTime(kToday, QTime(10, 30));
    f.collectionDate = QDate(2026, 3, 16);
    f.creditor = {QStringLiteral("Förderverein Süd e.V."), QStringLiteral("DE02500105170137075030"),
                  QStringLiteral("INGDDEFFXXX"), QStringLiteral("DE98ZZZ09999999999")};
    for (int i = 1; i <= 20000; ++i) {
        ferolind::SepaDebit d;
        d.who = QStringLiteral("Nr. %1").arg(i);
        d.endToEndId = QStringLiteral("20260316-%1").arg(i);
        d.mandateId = QStringLiteral("MITGL-%1").arg(i);
        d.mandateDate = QDate(2010, 1, 1).addDays(i % 5000);
        d.debtorName = QStringLiteral("Jürgen Müller-Lüdenscheidt %1").arg(i);
        d.iban = *ferolind::germanIban(37040044, 100000 + i);
        d.bic = QStringLiteral("COBADEFFXXX");
        d.amount = (2400 + i % 3600) * (ferolind::kMoneyUnit / 100);
        d.remittance = QStringLiteral("Mitgliedsbeitrag März 2026, Mitglied %1").arg(i);
        f.debits.push_back(d);
    }
    qint64 bytes = 0;
    for (auto _ : state) {
        const QByteArray xml = ferolind::writeSepaFile(f, kToday);
        bytes = xml.size();
        benchmark::DoNotOptimize(xml.data());
    }
    state.counters["debits"] = f.debits.size();
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(sepaWriter20000)->Iterations(5)->Unit(benchmark::kMillisecond);

void sepaMemberRun(benchmark::State& state) {
    ferolind::demo::DebitClub club;
    ferolind::DataModule& dm = club.dm;
    const ferolind::demo::Size& size = club.size;
    // The demo club has members who join later this year; their mandate dates lie ahead,
    // and the run would refuse them.
    dm.members().applyFilter(QStringLiteral("DTAUS = true and EintrittDatum <= '%1'")
                                 .arg(size.today.toString(QStringLiteral("dd.MM.yyyy"))));

    ferolind::SepaRunInput input;
    input.target = QDir(club.dir.path()).filePath(QStringLiteral("lastschrift.xml"));
    input.settings.creditorName = QStringLiteral("Förderverein Süd e.V.");
    input.settings.creditorIban = QStringLiteral("DE02500105170137075030");
    input.settings.creditorBic = QStringLiteral("INGDDEFFXXX");
    input.settings.creditorId = QStringLiteral("DE98ZZZ09999999999");
    input.remittance = QStringLiteral("Mitgliedsbeitrag");
    input.collectionDate = ferolind::earliestCollectionDate(size.today);
    input.bankCodeFile = QStringLiteral(FEROLIND_BANK_CODES);
    const bool record = !qEnvironmentVariableIsSet("FEROLIND_BENCH_NO_RECORD");
    input.recordPayments = record;
    input.periodKind = int(ferolind::PaymentPeriod::Monthly);
    int month = 0;
    ferolind::SepaRunResult result;
    for (auto _ : state) {
        input.yearText = QString::number(size.today.year() + 1 + month / 12);
        input.periodText = QString::number(month % 12 + 1);
        ++month;
        result = ferolind::runSepa(club.session, input);
        benchmark::DoNotOptimize(result.payments);
    }
    state.counters["members"] = size.members;
    state.counters["debits"] = result.payments;
    state.counters["recorded"] = result.recorded;
}
BENCHMARK(sepaMemberRun)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
