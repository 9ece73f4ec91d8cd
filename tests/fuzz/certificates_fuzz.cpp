// Typed texts of the donation receipt and the jubilee list: the amount spelled out
// (AmountInWords), the copies text, and the years of "ferolind-cli members jubilees
// --years". The input's first byte picks which; the rest is the text. The words must
// spell exactly the leading digits, commas and points; copies lie in 1 to 20; accepted
// years are round numbers from 5 to 75, ascending, and give a filter the member dataset
// can read. Anything refused must be a DataError, never another failure.
#include "data/errors.h"
#include "data/filter.h"
#include "data/schema.h"
#include "fuzzcheck.h"
#include "members/jubilees.h"
#include "printing/donationreceipt.h"

#include <QDate>
#include <cstdint>

using namespace ferolind;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    switch (data[0] % 3) {
    case 0: {
        const QString words = printing::AmountInWords(text);
        qsizetype spelled = 0;
        while (spelled < text.size() && ((text[spelled].isDigit() && text[spelled].unicode() < 128) ||
                                         text[spelled] == u',' || text[spelled] == u'.'))
            ++spelled;
        FUZZ_CHECK(words.count(u'*') == spelled, words);
        FUZZ_CHECK(words.isEmpty() || words.endsWith(u'*'), words);
        break;
    }
    case 1: {
        const int copies = printing::receiptCopies(text);
        FUZZ_CHECK(copies >= 1 && copies <= 20, QString::number(copies));
        break;
    }
    default: {
        QList<int> years;
        try {
            years = parseJubileeYears(text);
        } catch (const DataError&) {
            return 0;
        }
        FUZZ_CHECK(!years.isEmpty(), text);
        for (int i = 0; i < years.size(); ++i) {
            FUZZ_CHECK(years[i] % 5 == 0 && years[i] >= 5 && years[i] <= 75, QString::number(years[i]));
            FUZZ_CHECK(i == 0 || years[i - 1] < years[i], text);
        }
        const QString filter = jubileeFilter(true, years, QDate(2011, 5, 14));
        try {
            static const FieldList members = memberDatasetFields();
            Filter::compile(filter, members);
        } catch (const DataError& e) {
            FUZZ_CHECK(false, filter + QStringLiteral(": ") + e.message());
        }
        break;
    }
    }
    return 0;
}
