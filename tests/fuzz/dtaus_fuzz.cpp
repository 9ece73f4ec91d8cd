// The DTAUS writer on any typed texts and numbers. Input: first byte the flags (bit 0:
// DIN 66003 file name, else code page 437; bit 1: warning mode), then UTF-8 lines: the
// sender's name, the payment's name, "cents;bank code;account number", then the purpose
// lines. Whatever the input, every record has its length, holds only bytes the file may
// carry, and the trailer adds up what the C records say; a refused payment changes nothing.
#include "data/errors.h"
#include "fuzzcheck.h"
#include "payments/dtauswriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

using namespace ferolind;

namespace {

const QString& folder() {
    static QTemporaryDir dir;
    static const QString path = dir.path();
    return path;
}

// A byte the file may carry: the allowed set without the umlauts themselves, or one of
// the codes that stand for them.
bool carriable(unsigned char b, DtausMode mode) {
    if (b == 0xC4 || b == 0xD6 || b == 0xDC || b == 0xDF) return false;
    if (dtausCharacterAllowed(b)) return true;
    if (mode == DtausMode::Din66003) return b == '[' || b == '\\' || b == ']' || b == '~';
    return b == 0x8E || b == 0x99 || b == 0x9A || b == 0xE1;
}

qint64 number(const QByteArray& b) { return QByteArray(b).trimmed().toLongLong(); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t flags = data[0];
    const QStringList lines =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)).split(u'\n');
    const QString sender = lines.value(0);
    const QString name = lines.value(1);
    const QList<QByteArray> nums = lines.value(2).toLatin1().split(';');
    QStringList purpose = lines.mid(3);

    DtausWriter w;
    w.setPath(folder());
    w.Dateiname = (flags & 1) ? QStringLiteral("DTAUS0.TXT") : QStringLiteral("lastschrift.dta");
    const DtausMode mode = dtausModeFor(w.Dateiname);
    w.ShowWarnings = flags & 2;
    w.setLastschriften(flags & 4);
    w.AuftraggeberName = sender.isEmpty() ? QStringLiteral("Verein") : sender;
    w.AuftraggeberBLZ = 37050198;
    w.AuftraggeberKontoNr = 1234567890;
    FUZZ_CHECK(w.Start(), QStringLiteral("Start mit gültigem Absender"));
    FUZZ_CHECK(w.AddPayment(QStringLiteral("Erster"), QStringLiteral("Beitrag"), 125000, 10020030, 55),
               QStringLiteral("gültige Zahlung"));

    const QByteArray before = w.records();
    bool added = false;
    try {
        // Cents as typed; beyond what money can hold in cents, the number as money itself.
        const qint64 typed = number(nums.value(0));
        const Money amount = (typed > -kMoneyLimit / 100 && typed < kMoneyLimit / 100) ? typed * 100 : typed;
        added = w.AddPayment(name, purpose, amount, number(nums.value(1)), number(nums.value(2)));
    } catch (const DataError&) {
        FUZZ_CHECK(!w.ShowWarnings, QStringLiteral("Fehler im Warnmodus"));
    }
    if (!added) {
        FUZZ_CHECK(w.records() == before, QStringLiteral("abgelehnte Zahlung hat den Puffer verändert"));
        FUZZ_CHECK(w.RecordCount() == 1, QStringLiteral("abgelehnte Zahlung zählt"));
    } else {
        FUZZ_CHECK(w.RecordCount() == 2, QStringLiteral("Anzahl"));
        FUZZ_CHECK(purpose.size() <= 19, QStringLiteral("%1 Zeilen geschrieben").arg(purpose.size()));
        for (const QString& l : purpose)
            for (const QChar c : l)
                FUZZ_CHECK(c.unicode() <= 255 && carriable(uchar(c.unicode()), mode),
                           QStringLiteral("Zeile nicht in Dateiform: %1").arg(l));
    }
    FUZZ_CHECK(w.Finish(), QStringLiteral("Finish"));

    QFile f(QDir(folder()).filePath(w.Dateiname));
    FUZZ_CHECK(f.open(QIODevice::ReadOnly), QStringLiteral("Datei fehlt"));
    const QByteArray file = f.readAll();
    FUZZ_CHECK(file == w.records(), QStringLiteral("Datei und Puffer verschieden"));
    FUZZ_CHECK(file.size() % 128 == 0, QStringLiteral("Länge %1").arg(file.size()));
    for (qsizetype i = 0; i < file.size(); ++i)
        FUZZ_CHECK(carriable(static_cast<unsigned char>(file[i]), mode),
                   QStringLiteral("Byte 0x%1 an Stelle %2").arg(static_cast<unsigned char>(file[i]), 0, 16).arg(i));

    // Walk the records: A, C records by their length field, E with the totals.
    FUZZ_CHECK(file.left(5) == "0128A", QStringLiteral("A-Satz"));
    qsizetype at = 128;
    qint64 count = 0, accounts = 0, banks = 0, cents = 0;
    while (at < file.size() - 128) {
        const QByteArray head = file.mid(at, 5);
        FUZZ_CHECK(head.endsWith('C'), QStringLiteral("C-Satz an %1").arg(at));
        const int length = head.left(4).toInt();
        const int extensions = file.mid(at + 185, 2).toInt();
        FUZZ_CHECK(length == 187 + 29 * extensions, QStringLiteral("Satzlänge %1").arg(length));
        const int segments = extensions <= 2 ? 2 : 2 + (extensions - 2 + 3) / 4;
        ++count;
        banks += file.mid(at + 13, 8).toLongLong();
        accounts += file.mid(at + 21, 10).toLongLong();
        cents += file.mid(at + 79, 11).toLongLong();
        at += 128 * segments;
    }
    FUZZ_CHECK(at == file.size() - 128, QStringLiteral("Segmente passen nicht"));
    const QByteArray e = file.right(128);
    FUZZ_CHECK(e.left(5) == "0128E", QStringLiteral("E-Satz"));
    FUZZ_CHECK(e.mid(10, 7).toLongLong() == count, QStringLiteral("Anzahl im E-Satz"));
    FUZZ_CHECK(e.mid(30, 17).toLongLong() == accounts, QStringLiteral("Kontosumme"));
    FUZZ_CHECK(e.mid(47, 17).toLongLong() == banks, QStringLiteral("BLZ-Summe"));
    FUZZ_CHECK(e.mid(64, 13).toLongLong() == cents, QStringLiteral("Betragssumme"));
    return 0;
}
