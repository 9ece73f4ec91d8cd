// The payment lines of `ferolind-cli dtaus write` and the typed numbers of the direct-debit
// screen, on any text. A line is either refused with a message naming its line number or
// gives a payment whose fields are what the line says; the whole-number check agrees with
// reading the text back; umlaut replacement leaves no umlaut behind.
#include "data/errors.h"
#include "data/values.h"
#include "fuzzcheck.h"
#include "payments/dtausrun.h"

#include <cstdint>

using namespace ferolind;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const DtausPaymentLine p = parseDtausPaymentLine(text, 42);
        QString line = text;
        if (line.endsWith(u'\r')) line.chop(1);
        const QStringList f = line.split(u'\t');
        FUZZ_CHECK(f.size() >= 4, text);
        FUZZ_CHECK(p.name == f[0], p.name);
        FUZZ_CHECK(QString::number(p.bankCode) == QString::number(f[1].trimmed().toLongLong()), f[1]);
        FUZZ_CHECK(p.account == f[2].trimmed().toLongLong(), f[2]);
        FUZZ_CHECK(parseMoney(f[3].trimmed()) == p.amount, f[3]);
        FUZZ_CHECK(p.purpose == f.mid(4), text);
    } catch (const DataError& e) {
        FUZZ_CHECK(e.message().startsWith(QStringLiteral("Zeile 42: ")), e.message());
    }
    if (isWholeNumberText(text)) {
        bool ok = false;
        text.toLongLong(&ok);
        FUZZ_CHECK(ok, text);
        FUZZ_CHECK(!text.contains(u' '), text);
    }
    const QString replaced = replaceUmlauts(text);
    for (const QChar c : {u'Ä', u'Ö', u'Ü', u'ä', u'ö', u'ü', u'ß'}) FUZZ_CHECK(!replaced.contains(c), replaced);
    return 0;
}
