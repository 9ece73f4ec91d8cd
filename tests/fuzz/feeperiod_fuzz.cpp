// The year and period boxes of the fee screens and the options of "ferolind-cli fees":
// typed text read as a fee period (feePeriodFromTexts). The input's first byte picks the
// kind (any value, also unknown ones); the rest up to a line end is the year text, after
// it the period text. An accepted period must lie in range for its kind, read back from
// its own numbers, and give a booking text that fits the booking's text column; anything
// else must be refused with a DataError, never another failure.
#include "data/errors.h"
#include "fees/feepayments.h"
#include "fuzzcheck.h"

#include <cstdint>

using namespace ferolind;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const int kind = int(int8_t(data[0])) % 4;
    const QString rest = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const qsizetype nl = rest.indexOf(QLatin1Char('\n'));
    const QString yearText = nl < 0 ? rest : rest.left(nl);
    const QString periodText = nl < 0 ? QString() : rest.mid(nl + 1);
    FeePeriod p;
    try {
        p = feePeriodFromTexts(kind, yearText, periodText);
    } catch (const DataError&) {
        return 0;
    }
    FUZZ_CHECK(kind >= 0 && kind <= 2, QStringLiteral("unbekannte Art %1 angenommen").arg(kind));
    FUZZ_CHECK(p.kind == kind && p.year >= 1 && p.year <= 9999, QStringLiteral("Jahr %1").arg(p.year));
    const int most = kind == int(PaymentPeriod::Monthly) ? 12 : kind == int(PaymentPeriod::Quarterly) ? 4 : 0;
    FUZZ_CHECK(most == 0 ? p.period == 0 : p.period >= 1 && p.period <= most, QStringLiteral("Zeitraum %1").arg(p.period));
    const FeePeriod again = feePeriodFromTexts(kind, QString::number(p.year), QString::number(p.period));
    FUZZ_CHECK(again.year == p.year && again.period == p.period, QStringLiteral("liest sich nicht zurück"));
    FUZZ_CHECK(feeBookingText(p).size() <= 50, feeBookingText(p));
    return 0;
}
