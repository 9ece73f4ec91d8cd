// The RTF reader on any bytes. Input that does not begin with "{\rtf" is refused with a
// DataError; anything else loads, and what loaded survives the writer: written and read
// again it has the same text in the same paragraphs.
#include "data/errors.h"
#include "fuzzcheck.h"
#include "letters/rtfreader.h"
#include "letters/rtfwriter.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>

using namespace ferolind;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Documents need the GUI part of Qt (fonts); without a display it runs offscreen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    std::unique_ptr<QTextDocument> doc;
    try {
        doc = letters::readRtf(input);
    } catch (const DataError&) {
        FUZZ_CHECK(!input.trimmed().startsWith("{\\rtf"), QStringLiteral("RTF refused"));
        return 0;
    }
    const QByteArray written = letters::writeRtf(*doc);
    std::unique_ptr<QTextDocument> again = letters::readRtf(written);
    FUZZ_CHECK(again->blockCount() == doc->blockCount(),
               QStringLiteral("%1 paragraphs became %2").arg(doc->blockCount()).arg(again->blockCount()));
    FUZZ_CHECK(again->toPlainText() == doc->toPlainText(),
               QStringLiteral("text changed: »%1« became »%2«").arg(doc->toPlainText().left(200), again->toPlainText().left(200)));
    return 0;
}
