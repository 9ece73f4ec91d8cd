// The DTAUS writer: records byte for byte, its checks and messages, the run's states,
// the character modes, the file and the cover sheet.
#include "data/errors.h"
#include "data/settings.h"
#include "payments/dtauswriter.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <limits>

using namespace ferolind;

namespace {

const QDateTime kNow(QDate(2026, 3, 10), QTime(10, 30));

QByteArray sp(int n) { return QByteArray(n, ' '); }
QByteArray pad(const QByteArray& s, int n) { return s.leftJustified(n, ' ', true); }

// A writer of a direct-debit run for the club "Sportverein", writing into dir.
struct Fixture {
    QTemporaryDir dir;
    DtausWriter w;
    Fixture() {
        w.setClock([] { return kNow; });
        w.setPath(dir.path());
        w.AuftraggeberName = QStringLiteral("Sportverein");
        w.AuftraggeberBLZ = 37050198;
        w.AuftraggeberKontoNr = 1234567890;
        w.setLastschriften(true);
    }
    QByteArray file() const {
        QFile f(QDir(dir.path()).filePath(w.Dateiname));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<keine Datei>");
    }
    // The C record (all its segments) of the first payment.
    QByteArray firstC() const {
        const QByteArray b = w.records();
        const int len = b.mid(128, 4).toInt();
        const int segments = len <= 256 ? 2 : 2 + (len - 256 + 127) / 128;
        return b.mid(128, 128 * segments);
    }
};

Money euros(qint64 cents) { return cents * 100; }

QByteArray expectedA(const QByteArray& key) {
    return "0128A" + key + "37050198" + "00000000" + pad("SPORTVEREIN", 27) + "100326" + sp(4) + "1234567890" +
           "0000000000" + sp(15) + sp(8) + sp(24) + "1";
}

}  // namespace

TEST(DtausRecords, DirectDebitOfOnePaymentByteForByte) {
    Fixture f;
    ASSERT_TRUE(f.w.Start());
    ASSERT_TRUE(f.w.AddPayment(QStringLiteral("Anna Berg"), QStringLiteral("Beitrag 2026"), euros(1250), 10020030,
                               987654));
    ASSERT_TRUE(f.w.Finish());

    const QByteArray c1 = "0187C" + QByteArray("00000000") + "10020030" + "0000987654" + "0000000000000" + "05000" +
                          " " + "00000000000" + "37050198" + "1234567890" + "00000001250" + sp(3) +
                          pad("ANNA BERG", 27) + sp(8);
    const QByteArray c2 = pad("SPORTVEREIN", 27) + pad("BEITRAG 2026", 27) + "1" + sp(2) + "00" + sp(69);
    const QByteArray e = "0128E" + sp(5) + "0000001" + "0000000000000" + "00000000000987654" +
                         "00000000010020030" + "0000000001250" + sp(51);
    const QByteArray file = f.file();
    ASSERT_EQ(file.size(), 512);
    EXPECT_EQ(file.mid(0, 128), expectedA("LK"));
    EXPECT_EQ(file.mid(128, 128), c1);
    EXPECT_EQ(file.mid(256, 128), c2);
    EXPECT_EQ(file.mid(384, 128), e);
    EXPECT_EQ(f.w.records(), file);
}

TEST(DtausRecords, KindOfRunGivesARecordMarkAndTextKey) {
    struct Case {
        bool debit, order;
        QString custom;
        QByteArray mark, key;
    } cases[] = {
        {false, false, {}, "GK", "51000"},
        {true, false, {}, "LK", "05000"},
        {true, true, {}, "LK", "04000"},
        {false, false, "04000", "LK", "04000"},
        {false, false, "05000", "LK", "05000"},
        {true, false, "51000", "GK", "51000"},
        {true, false, "56000", "GK", "56000"},
        // A key that is not five characters long is not used, in either record.
        {true, false, "123", "LK", "05000"},
        {false, false, "123456", "GK", "51000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.custom.toStdString() + (c.debit ? " Lastschrift" : " Gutschrift") + (c.order ? " Abbuchung" : ""));
        Fixture f;
        f.w.setLastschriften(c.debit);
        f.w.setAbbuchungsauftrag(c.order);
        f.w.CustomZahlungsschluessel = c.custom;
        ASSERT_TRUE(f.w.Start());
        ASSERT_TRUE(f.w.AddPayment(QStringLiteral("X"), QStringLiteral("Y"), euros(100), 10020030, 55));
        EXPECT_EQ(f.w.records().mid(0, 128), expectedA(c.mark));
        EXPECT_EQ(f.w.records().mid(128 + 44, 5), c.key);
    }
}

TEST(DtausRecords, ExecutionDateAndTheFifteenDayRule) {
    struct Case {
        QDateTime set;
        QByteArray written;
    } cases[] = {
        {QDateTime(), sp(8)},
        {QDateTime(QDate(2026, 3, 10), QTime(0, 0)), "10032026"},
        {QDateTime(QDate(2026, 3, 25), QTime(0, 0)), "25032026"},
        // The full moment counts: 15 days ahead but after midnight is too late.
        {QDateTime(QDate(2026, 3, 25), QTime(0, 1)), "10032026"},
        {QDateTime(QDate(2026, 3, 26), QTime(0, 0)), "10032026"},
        {QDateTime(QDate(2026, 3, 9), QTime(23, 59)), "10032026"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.set.toString().toStdString());
        Fixture f;
        f.w.Ausfuehrungsdatum = c.set;
        ASSERT_TRUE(f.w.Start());
        EXPECT_EQ(f.w.records().mid(95, 8), c.written);
        EXPECT_TRUE(f.w.warnings().isEmpty()) << "error mode replaces the date silently";
    }
    Fixture f;
    f.w.ShowWarnings = true;
    f.w.Ausfuehrungsdatum = QDateTime(QDate(2026, 1, 1), QTime(0, 0));
    ASSERT_TRUE(f.w.Start());
    EXPECT_EQ(f.w.Ausfuehrungsdatum, QDateTime(QDate(2026, 3, 10), QTime(0, 0)));
    EXPECT_EQ(f.w.warnings(), QStringList{QStringLiteral("Warnung: ") + dtausmsg::Date});
}

TEST(DtausRecords, PurposeLinesSegmentsAndRecordLength) {
    const QString sixty = QStringLiteral("Mitgliedsbeitrag fuer das Jahr 2026 laut Satzung des Vereins");
    ASSERT_EQ(sixty.size(), 60);
    struct Case {
        const char* what;
        QStringList lines;
        QByteArray length, extensions;
        QStringList written;
        int segments;
    } cases[] = {
        {"leer", {}, "0187", "00", {}, 2},
        {"nur leere Zeilen", {QString(), QString()}, "0187", "00", {}, 2},
        {"60 Zeichen", {sixty}, "0245", "02",
         {QStringLiteral("MITGLIEDSBEITRAG FUER DAS J"), QStringLiteral("AHR 2026 LAUT SATZUNG DES V"),
          QStringLiteral("EREINS")}, 2},
        {"26 Zeichen, an den Enden gekürzt", {QStringLiteral(" Beitrag 2026 Quartal 1  .")}, "0187", "00",
         {QStringLiteral("BEITRAG 2026 QUARTAL 1  .")}, 2},
        // Only the last piece is trimmed at its end; the one before keeps its blank.
        {"Ende nur Leerzeichen", {QStringLiteral("Beitrag fuer das Jahr 2026") + QString(5, u' ')}, "0187", "00",
         {QStringLiteral("BEITRAG FUER DAS JAHR 2026 ")}, 2},
        {"zwei lange Zeilen werden nicht umbrochen", {sixty, QStringLiteral("b")}, "0216", "01",
         {sixty.toUpper(), QStringLiteral("B")}, 2},
        {"vier Zeilen", {"a", "b", "c", "d"}, "0274", "03", {"A", "B", "C", "D"}, 3},
        {"sieben Zeilen", {"1", "2", "3", "4", "5", "6", "7"}, "0361", "06", {"1", "2", "3", "4", "5", "6", "7"}, 3},
        {"acht Zeilen", {"1", "2", "3", "4", "5", "6", "7", "8"}, "0390", "07",
         {"1", "2", "3", "4", "5", "6", "7", "8"}, 4},
        {"vierzehn Zeilen", QStringList(14, QStringLiteral("x")), "0564", "13", QStringList(14, QStringLiteral("X")), 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f;
        ASSERT_TRUE(f.w.Start());
        QStringList lines = c.lines;
        ASSERT_TRUE(f.w.AddPayment(QStringLiteral("Anna Berg"), lines, euros(100), 10020030, 55));
        EXPECT_EQ(lines, c.written);
        const QByteArray rec = f.w.records().mid(128);
        ASSERT_EQ(rec.size(), 128 * c.segments);
        EXPECT_EQ(rec.left(4), c.length);
        EXPECT_EQ(rec.mid(185, 2), c.extensions);
        // Line 1 in the second segment, then extension parts "02" + 27 characters.
        const QStringList shown = c.written.isEmpty() ? QStringList{QString()} : c.written;
        EXPECT_EQ(rec.mid(155, 27), pad(shown[0].left(27).toLatin1(), 27));
        for (int i = 1; i < 19; ++i) {
            const int seg = i <= 2 ? 1 : 2 + (i - 3) / 4;
            const int at = i <= 2 ? 187 + 29 * (i - 1) : 128 * seg + 29 * ((i - 3) % 4);
            if (at >= rec.size()) break;
            const QByteArray part = i < shown.size() ? "02" + pad(shown[i].left(27).toLatin1(), 27) : sp(29);
            EXPECT_EQ(rec.mid(at, 29), part) << "Teil " << i;
        }
        for (int seg = 2; seg < c.segments; ++seg) EXPECT_EQ(rec.mid(128 * seg + 116, 12), sp(12));
        EXPECT_EQ(rec.mid(245, 11), sp(11));
    }
}

TEST(DtausRecords, FourLinesHaveAThirdSegmentByteForByte) {
    Fixture f;
    ASSERT_TRUE(f.w.Start());
    QStringList lines{"Beitrag", "Januar", "Februar", "Maerz"};
    ASSERT_TRUE(f.w.AddPayment(QStringLiteral("Anna Berg"), lines, euros(100), 10020030, 55));
    const QByteArray c = f.firstC();
    ASSERT_EQ(c.size(), 384);
    EXPECT_EQ(c.left(5), "0274C");
    EXPECT_EQ(c.mid(128), pad("SPORTVEREIN", 27) + pad("BEITRAG", 27) + "1" + sp(2) + "03" + "02" +
                              pad("JANUAR", 27) + "02" + pad("FEBRUAR", 27) + sp(11) + "02" + pad("MAERZ", 27) +
                              sp(29 * 3) + sp(12));
}

TEST(DtausChecks, PaymentRefusedWithItsMessageChangesNothing) {
    const QString ok = QStringLiteral("Anna");
    struct Case {
        QString name;
        Money amount;
        qint64 bank, account;
        int lines;
        QString message;
    } cases[] = {
        {ok, euros(100), 9999999, 55, 1, dtausmsg::BankCode},
        {ok, euros(100), 100000000, 55, 1, dtausmsg::BankCode},
        {ok, euros(100), 10020030, 9, 1, dtausmsg::Account},
        {ok, euros(100), 10020030, 10000000000LL, 1, dtausmsg::Account},
        {QString(), euros(100), 10020030, 55, 1, dtausmsg::Name},
        {ok, -1, 10020030, 55, 1, dtausmsg::Amount},
        {ok, euros(100000000000LL), 10020030, 55, 1, dtausmsg::Amount},
        // 999999999,995 would be written as 1000000000,00, which eleven digits cannot hold.
        {ok, euros(99999999999LL) + 50, 10020030, 55, 1, dtausmsg::Amount},
        {ok, std::numeric_limits<Money>::max(), 10020030, 55, 1, dtausmsg::Amount},
        {ok, euros(100), 10020030, 55, 15, dtausmsg::Lines},
        // The first failed check is the one reported.
        {QString(), -1, 1, 1, 20, dtausmsg::BankCode},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        Fixture f;
        ASSERT_TRUE(f.w.Start());
        ASSERT_TRUE(f.w.AddPayment(QStringLiteral("Erster"), QStringLiteral("B"), euros(700), 10020030, 77));
        const QByteArray before = f.w.records();
        QStringList lines(c.lines, QStringLiteral("Zeile"));
        const QStringList linesBefore = lines;
        try {
            f.w.AddPayment(c.name, lines, c.amount, c.bank, c.account);
            ADD_FAILURE() << "nicht abgelehnt";
        } catch (const DataError& e) {
            EXPECT_EQ(e.message(), c.message);
        }
        EXPECT_EQ(f.w.records(), before);
        EXPECT_EQ(lines, linesBefore);
        EXPECT_EQ(f.w.RecordCount(), 1);
        EXPECT_EQ(f.w.AccountSum(), 77);
        EXPECT_EQ(f.w.BankCodeSum(), 10020030);
        EXPECT_EQ(f.w.AmountSumCents(), 700);
        // The run goes on: the next good payment and the file are as without the refused one.
        ASSERT_TRUE(f.w.AddPayment(QStringLiteral("Zweiter"), QStringLiteral("B"), euros(300), 10020030, 33));
        ASSERT_TRUE(f.w.Finish());
        EXPECT_EQ(f.file().size(), 128 + 2 * 256 + 128);
        EXPECT_EQ(f.file().mid(128 * 5 + 64, 13), "0000000001000");
    }
}

TEST(DtausChecks, AmountLimitsAndRounding) {
    struct Case {
        Money amount;
        QByteArray field;
    } cases[] = {
        {0, "00000000000"},
        {euros(99999999999LL), "99999999999"},
        {euros(99999999999LL) + 49, "99999999999"},
        {123450, "00000001235"},  // 12,345 -> 12,35
        {123449, "00000001234"},
    };
    for (const Case& c : cases) {
        Fixture f;
        ASSERT_TRUE(f.w.Start());
        ASSERT_TRUE(f.w.AddPayment(QStringLiteral("A"), QStringLiteral("B"), c.amount, 10020030, 55));
        EXPECT_EQ(f.firstC().mid(79, 11), c.field);
        EXPECT_EQ(f.w.AmountSumCents(), c.field.toLongLong());
    }
}

TEST(DtausChecks, RefusedStartLeavesTheWriterAsItWas) {
    struct Case {
        qint32 blz;
        qint64 account;
        QString name;
        QString message;
    } cases[] = {
        {9999999, 1234567890, "S", dtausmsg::BankCode},
        {100000000, 1234567890, "S", dtausmsg::BankCode},
        {37050198, 9, "S", dtausmsg::Account},
        {37050198, 10000000000LL, "S", dtausmsg::Account},
        {37050198, 1234567890, QString(), dtausmsg::Name},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        Fixture f;
        ASSERT_TRUE(f.w.Start());
        ASSERT_TRUE(f.w.AddPayment(QStringLiteral("A"), QStringLiteral("B"), euros(500), 10020030, 55));
        ASSERT_TRUE(f.w.Finish());
        const QByteArray finished = f.w.records();
        f.w.AuftraggeberBLZ = c.blz;
        f.w.AuftraggeberKontoNr = c.account;
        f.w.AuftraggeberName = c.name;
        try {
            f.w.Start();
            ADD_FAILURE() << "nicht abgelehnt";
        } catch (const DataError& e) {
            EXPECT_EQ(e.message(), c.message);
        }
        // Idle, with the finished run's values for the cover sheet; a corrected start works.
        EXPECT_EQ(f.w.state(), DtausWriter::State::Idle);
        EXPECT_EQ(f.w.records(), finished);
        EXPECT_EQ(f.w.RecordCount(), 1);
        f.w.AuftraggeberBLZ = 37050198;
        f.w.AuftraggeberKontoNr = 1234567890;
        f.w.AuftraggeberName = QStringLiteral("Sportverein");
        EXPECT_TRUE(f.w.Start());
        EXPECT_EQ(f.w.RecordCount(), 0);
    }
}

TEST(DtausStates, RefusalsAndTransitions) {
    Fixture f;
    auto message = [](const std::function<void()>& op) {
        try {
            op();
        } catch (const DataError& e) {
            return e.message();
        }
        return QStringLiteral("<nicht abgelehnt>");
    };
    EXPECT_EQ(message([&] { f.w.AddPayment("A", "B", 100, 10020030, 55); }), dtausmsg::NotStarted);
    EXPECT_EQ(message([&] { f.w.Finish(); }), dtausmsg::FinishIdle);
    EXPECT_FALSE(QFile::exists(QDir(f.dir.path()).filePath("DTAUS0.TXT")));

    ASSERT_TRUE(f.w.Start());
    EXPECT_EQ(f.w.state(), DtausWriter::State::Started);
    EXPECT_EQ(message([&] { f.w.Start(); }), dtausmsg::StartTwice);
    EXPECT_EQ(f.w.state(), DtausWriter::State::Started);

    ASSERT_TRUE(f.w.AddPayment("A", "B", euros(100), 10020030, 55));
    EXPECT_EQ(f.w.state(), DtausWriter::State::Adding);
    // From Adding a start opens a new run; the open one is dropped.
    ASSERT_TRUE(f.w.Start());
    EXPECT_EQ(f.w.state(), DtausWriter::State::Started);
    EXPECT_EQ(f.w.RecordCount(), 0);
    EXPECT_EQ(f.w.records().size(), 128);

    // A run without payments finishes with A and E records.
    ASSERT_TRUE(f.w.Finish());
    EXPECT_EQ(f.w.state(), DtausWriter::State::Idle);
    EXPECT_EQ(f.file().size(), 256);
    EXPECT_EQ(f.file().mid(128, 30), "0128E" + sp(5) + "0000000" + "0000000000000");
    EXPECT_EQ(message([&] { f.w.Finish(); }), dtausmsg::FinishIdle);

    // A payment refused as the first one still leaves the run open to a new start.
    ASSERT_TRUE(f.w.Start());
    EXPECT_EQ(message([&] { f.w.AddPayment("A", "B", 100, 1, 55); }), dtausmsg::BankCode);
    EXPECT_TRUE(f.w.Start());
    f.w.Cancel();
    EXPECT_EQ(f.w.state(), DtausWriter::State::Idle);
    EXPECT_TRUE(f.w.records().isEmpty());
}

TEST(DtausStates, WarningModeShowsAndGoesOn) {
    Fixture f;
    f.w.ShowWarnings = true;
    QStringList shown;
    QObject::connect(&f.w, &DtausWriter::warning, [&](const QString& t, const QString& m) { shown << t + ": " + m; });

    EXPECT_FALSE(f.w.AddPayment("A", "B", 100, 10020030, 55));
    EXPECT_FALSE(f.w.Finish());
    EXPECT_EQ(f.w.state(), DtausWriter::State::Idle);
    EXPECT_EQ(shown, (QStringList{"Fehler: " + dtausmsg::NotStarted, "Fehler: " + dtausmsg::FinishIdle}));
    shown.clear();

    // A sender bank code of seven digits still fits the A record: written after the warning.
    f.w.AuftraggeberBLZ = 1234567;
    ASSERT_TRUE(f.w.Start());
    EXPECT_EQ(f.w.records().mid(7, 8), " 1234567");
    EXPECT_FALSE(f.w.Start());
    // Values that fit are written after the warnings, those that do not are refused.
    EXPECT_TRUE(f.w.AddPayment(QString(), "B", euros(100), 1234, 5));
    QStringList fifteen(15, QStringLiteral("z"));
    EXPECT_TRUE(f.w.AddPayment("A", fifteen, euros(100), 10020030, 55));
    EXPECT_FALSE(f.w.AddPayment("A", "B", -100, 10020030, 55));
    EXPECT_EQ(shown, (QStringList{"Fehler: " + dtausmsg::BankCode, "Fehler: " + dtausmsg::StartTwice,
                                  "Fehler: " + dtausmsg::BankCode, "Fehler: " + dtausmsg::Account,
                                  "Fehler: " + dtausmsg::Name, "Fehler: " + dtausmsg::Lines,
                                  "Fehler: " + dtausmsg::Amount, "Fehler: " + dtausmsg::Layout}));
    EXPECT_EQ(f.w.warnings().mid(2), shown);
    EXPECT_EQ(f.w.RecordCount(), 2);
    ASSERT_TRUE(f.w.Finish());
    const QByteArray file = f.file();
    ASSERT_EQ(file.size(), 128 + 256 + 128 * 5 + 128);
    EXPECT_EQ(file.mid(128 + 13, 18), "000012340000000005");
    EXPECT_EQ(file.mid(384, 4), "0593");  // 15 lines: 187 + 14 x 29
}

TEST(DtausText, UmlautsByMode) {
    struct Case {
        QString file, text;
        QByteArray bytes;
    } cases[] = {
        {"DTAUS0.TXT", "Müller", "M]LLER"},
        {"DTAUS0.TXT", "Äpfel Öl Straße", "[PFEL \\L STRA~E"},
        {"DTAUS0", "Jürgen", "J]RGEN"},
        {"dtaus0.txt", "Müller", "M\x9ALLER"},
        {"DTAUS1.TXT", "Äpfel Öl Straße", "\x8EPFEL \x99L STRA\xE1" "E"},
        {"lastschrift.dta", "René & Söhne", "REN & S\x99HNE"},
        {"DTAUS0.TXT", "a+b=c; #1 (50%) €", "A+BC 1 50%"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString() + " " + c.text.toStdString());
        Fixture f;
        f.w.Dateiname = c.file;
        ASSERT_TRUE(f.w.Start());
        ASSERT_TRUE(f.w.AddPayment(c.text, "B", euros(100), 10020030, 55));
        EXPECT_EQ(f.firstC().mid(93, 27), pad(c.bytes, 27));
        ASSERT_TRUE(f.w.Finish());
        EXPECT_EQ(f.file().mid(128 + 93, 27), pad(c.bytes, 27)) << "bytes on disk";
    }
    EXPECT_EQ(dtausText(QStringLiteral("Müller"), DtausMode::CodePage437),
              QString(u'M') + QChar(0x9A) + QStringLiteral("LLER"));
}

TEST(DtausText, AllowedSetGrowsForTheWholeProcess) {
    // Once each mode has been used, the extra characters of both stay allowed in both.
    dtausText(QStringLiteral("x"), DtausMode::CodePage437);
    dtausText(QStringLiteral("x"), DtausMode::Din66003);
    for (const char c : {'?', '\\', ']', '~'}) EXPECT_TRUE(dtausCharacterAllowed(c)) << c;
    EXPECT_EQ(dtausText(QStringLiteral("Wer? ~\\]"), DtausMode::Din66003), QStringLiteral("WER? ~\\]"));
    EXPECT_EQ(dtausText(QStringLiteral("Wer? ~\\]"), DtausMode::CodePage437), QStringLiteral("WER? ~\\]"));
    // Never allowed: other punctuation, lower case, codes beyond 255.
    for (const int c : {int('!'), int('='), int('#'), int('('), int('a'), 0xE9, 0x20AC, 300}) EXPECT_FALSE(dtausCharacterAllowed(c)) << c;
    // Lower case is upper-cased first, so "á" itself never survives.
    EXPECT_EQ(dtausText(QStringLiteral("ábc"), DtausMode::CodePage437), QStringLiteral("BC"));
}

TEST(DtausCarrier, DiskNumberCountsAndWraps) {
    struct Case {
        std::optional<int> stored;
        int next;
    } cases[] = {{std::nullopt, 1}, {41, 42}, {9998, 9999}, {9999, 0}};
    for (const Case& c : cases) {
        QSettings s(QStringLiteral("Brankel Software"), QStringLiteral("Revode"));
        s.remove(QStringLiteral("DtausWriter"));
        if (c.stored) s.setValue(QStringLiteral("DtausWriter/Nummer"), *c.stored);
        s.sync();
        Fixture f;
        f.w.Zentralbank = true;
        ASSERT_TRUE(f.w.Start());
        const QByteArray text = QByteArray::number(c.next).rightJustified(4, '0');
        EXPECT_EQ(f.w.records().mid(56, 4), text);
        EXPECT_EQ(RegistryGetInt(QStringLiteral("DtausWriter/Nummer")), c.next);
    }
    Fixture f;
    ASSERT_TRUE(f.w.Start());
    EXPECT_EQ(f.w.records().mid(56, 4), sp(4));
    EXPECT_EQ(RegistryGetInt(QStringLiteral("DtausWriter/Nummer")), 0) << "without numbering the count stays";
}

TEST(DtausFile, ThousandPaymentsWithTheirTotals) {
    Fixture f;
    ASSERT_TRUE(f.w.Start());
    qint64 accounts = 0, banks = 0, cents = 0;
    for (int i = 0; i < 1000; ++i) {
        const qint64 bank = 10000000 + qint64(i) * 89989;
        const qint64 account = 9999999999LL - qint64(i) * 7777777;
        const qint64 c = (i * 137) % 100000 + 1;
        ASSERT_TRUE(f.w.AddPayment(QStringLiteral("Mitglied %1").arg(i), QStringLiteral("Beitrag"), euros(c), bank,
                                   account));
        accounts += account;
        banks += bank;
        cents += c;
    }
    ASSERT_TRUE(f.w.Finish());
    const QByteArray file = f.file();
    ASSERT_EQ(file.size(), 128 + 1000 * 256 + 128);
    const QByteArray e = file.right(128);
    EXPECT_EQ(e.left(5), "0128E");
    EXPECT_EQ(e.mid(10, 7).toLongLong(), 1000);
    EXPECT_EQ(e.mid(30, 17).toLongLong(), accounts);
    EXPECT_EQ(e.mid(47, 17).toLongLong(), banks);
    EXPECT_EQ(e.mid(64, 13).toLongLong(), cents);
    // Every C record repeats its own values in its place.
    for (int i = 0; i < 1000; i += 111) {
        const QByteArray c = file.mid(128 + 256 * i, 256);
        EXPECT_EQ(c.left(5), "0187C");
        EXPECT_EQ(c.mid(13, 8).toLongLong(), 10000000 + qint64(i) * 89989);
        EXPECT_EQ(c.mid(79, 11).toLongLong(), (i * 137) % 100000 + 1);
    }
}

TEST(DtausFile, SumsThatTheTrailerCannotHoldAreRefused) {
    Fixture f;
    ASSERT_TRUE(f.w.Start());
    const Money max = euros(99999999999LL);
    for (int i = 0; i < 100; ++i) ASSERT_TRUE(f.w.AddPayment("A", "B", max, 10020030, 55));
    const QByteArray before = f.w.records();
    try {
        f.w.AddPayment("A", "B", max, 10020030, 55);
        ADD_FAILURE() << "nicht abgelehnt";
    } catch (const DataError& e) {
        EXPECT_EQ(e.message(), dtausmsg::Totals);
    }
    EXPECT_EQ(f.w.records(), before);
    EXPECT_TRUE(f.w.AddPayment("A", "B", euros(99), 10020030, 55));
    ASSERT_TRUE(f.w.Finish());
    EXPECT_EQ(f.file().right(128).mid(64, 13), "9999999999999");
}

TEST(DtausFile, NoFileWithoutNameAndNoHalfFileOnFailure) {
    {
        Fixture f;
        f.w.Dateiname.clear();
        ASSERT_TRUE(f.w.Start());
        ASSERT_TRUE(f.w.AddPayment("A", "B", 100, 10020030, 55));
        ASSERT_TRUE(f.w.Finish());
        EXPECT_EQ(f.w.state(), DtausWriter::State::Idle);
        EXPECT_TRUE(QDir(f.dir.path()).entryList(QDir::Files).isEmpty());
    }
    Fixture f;
    QFile old(QDir(f.dir.path()).filePath("DTAUS0.TXT"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("frueher");
    old.close();
    ASSERT_TRUE(f.w.Start());
    ASSERT_TRUE(f.w.AddPayment("A", "B", euros(100), 10020030, 55));
    f.w.setPath(QDir(f.dir.path()).filePath("fehlt"));
    try {
        f.w.Finish();
        ADD_FAILURE() << "nicht abgelehnt";
    } catch (const DataError& e) {
        EXPECT_EQ(e.message(), "Der Ordner »" + QDir(f.dir.path()).filePath("fehlt") + "« ist nicht vorhanden.");
    }
    EXPECT_EQ(f.w.state(), DtausWriter::State::Adding);
    EXPECT_EQ(f.w.records().size(), 384) << "no E record left behind";
    // Back to the right folder: the earlier file was untouched, and the retry replaces it.
    f.w.setPath(f.dir.path());
    EXPECT_EQ(f.file(), "frueher");
    ASSERT_TRUE(f.w.Finish());
    EXPECT_EQ(f.file().size(), 512);
    EXPECT_EQ(QDir(f.dir.path()).entryList(QDir::Files), QStringList{"DTAUS0.TXT"});
}

TEST(DtausProperties, InitialValuesAndAssignments) {
    DtausWriter w;
    EXPECT_TRUE(w.AuftraggeberName.isEmpty());
    EXPECT_EQ(w.AuftraggeberBLZ, 0);
    EXPECT_EQ(w.AuftraggeberKontoNr, 0);
    EXPECT_FALSE(w.Ausfuehrungsdatum.isValid());
    EXPECT_EQ(w.AnzahlBegleitzettel, 0u);
    EXPECT_EQ(w.Dateiname, QStringLiteral("DTAUS0.TXT"));
    EXPECT_FALSE(w.ShowWarnings);
    EXPECT_FALSE(w.Lastschriften());
    EXPECT_FALSE(w.Abbuchungsauftrag());
    EXPECT_FALSE(w.Zentralbank);
    EXPECT_TRUE(w.CustomZahlungsschluessel.isEmpty());
    EXPECT_EQ(w.Version(), QStringLiteral("DtausWriter V4.0.4"));
    EXPECT_TRUE(w.Path().endsWith(u'/'));

    w.setPath(QStringLiteral("/media/karte"));
    EXPECT_EQ(w.Path(), QStringLiteral("/media/karte/"));
    w.setPath(QString());
    EXPECT_EQ(w.Path(), QStringLiteral("/media/karte/"));
    w.setPath(QStringLiteral("/tmp/"));
    EXPECT_EQ(w.Path(), QStringLiteral("/tmp/"));

    w.setAbbuchungsauftrag(true);
    EXPECT_TRUE(w.Lastschriften());
    w.setLastschriften(false);
    EXPECT_FALSE(w.Abbuchungsauftrag());
    w.setLastschriften(true);
    EXPECT_FALSE(w.Abbuchungsauftrag());
}

TEST(DtausCoverSheet, ContentInPrintOrder) {
    using K = CoverSheetItem::Kind;
    DtausWriter fresh;
    fresh.setClock([] { return kNow; });
    fresh.setPath(QStringLiteral("/nirgends"));
    QVector<CoverSheetItem> s = fresh.coverSheet();
    ASSERT_GE(s.size(), 3);
    EXPECT_EQ(s[0], (CoverSheetItem{K::Text, 300, 200, 0, 48, "Diskettenbegleitzettel vom 10.03.2026"}));
    EXPECT_EQ(s[1], (CoverSheetItem{K::Text, 300, 260, 0, 48, "Datei DTAUS0.TXT für Gutschriften (Überweisungen)"}));
    EXPECT_EQ(s[2], (CoverSheetItem{K::Line, 250, 400, 1600, 0, {}}));

    Fixture f;
    f.w.AuftraggeberName = QStringLiteral("Förderverein Süd");
    f.w.Zentralbank = true;
    QSettings(QStringLiteral("Brankel Software"), QStringLiteral("Revode")).setValue("DtausWriter/Nummer", 6);
    ASSERT_TRUE(f.w.Start());
    ASSERT_TRUE(f.w.AddPayment("A", "B", euros(2400), 10020030, 1000000001));
    ASSERT_TRUE(f.w.AddPayment("B", "B", euros(3650), 20030040, 2000000002));
    ASSERT_TRUE(f.w.Finish());
    QStringList lines;
    for (const CoverSheetItem& i : f.w.coverSheet())
        lines << (i.kind == K::Line ? QStringLiteral("%1 %2-%3 Linie").arg(i.y).arg(i.x).arg(i.x2)
                                    : QStringLiteral("%1 %2 %3 %4").arg(i.y).arg(i.x).arg(i.cellHeight).arg(i.text));
    EXPECT_EQ(lines, (QStringList{
                         "200 300 48 Diskettenbegleitzettel vom 10.03.2026",
                         "260 300 48 Datei DTAUS0.TXT für Lastschriften",
                         "400 250-1600 Linie",
                         "440 300 48 Disketten-Nr:",
                         "440 900 48 0007",
                         "500 300 48 Anzahl Datensätze C:",
                         "500 900 48 2",
                         "560 300 48 Summe Datensätze C:",
                         "560 900 48 60,50",
                         "640 300 48 Summe Kontonummern:",
                         "640 900 48 00000003000000003",
                         "700 300 48 Summe Bankleitzahlen:",
                         "700 900 48 00000000030050070",
                         "800 300 48 Bankleitzahl Absenderbank:",
                         "800 900 48 37050198",
                         "860 300 48 Kontonummer Absender:",
                         "860 900 48 1234567890",
                         "920 300 48 Absender:",
                         "920 900 48 Förderverein Süd",
                         "1200 500-1100 Linie",
                         "1210 700 24 Unterschrift",
                     }));
    f.w.Dateiname.clear();
    const QVector<CoverSheetItem> noFile = f.w.coverSheet();
    EXPECT_EQ(noFile[1].text, QStringLiteral("Datei für Lastschriften"));
    EXPECT_EQ(noFile[3].text, QStringLiteral("Anzahl Datensätze C:")) << "no disk number without a file";
}

TEST(DtausCoverSheet, FinishPrintsTheAskedCopiesOfTheFinishedRun) {
    Fixture f;
    f.w.AnzahlBegleitzettel = 2;
    ASSERT_TRUE(f.w.Start());
    ASSERT_TRUE(f.w.AddPayment("A", "B", euros(1250), 10020030, 55));
    // Without a printer the run is refused before anything is written.
    try {
        f.w.Finish();
        ADD_FAILURE() << "nicht abgelehnt";
    } catch (const DataError& e) {
        EXPECT_EQ(e.message(), dtausmsg::NoPrinter);
    }
    EXPECT_FALSE(QFile::exists(QDir(f.dir.path()).filePath("DTAUS0.TXT")));
    QVector<std::pair<QVector<CoverSheetItem>, quint32>> printed;
    f.w.setCoverSheetPrinter([&](const QVector<CoverSheetItem>& s, quint32 copies) { printed.push_back({s, copies}); });
    ASSERT_TRUE(f.w.Finish());
    ASSERT_EQ(printed.size(), 1);
    EXPECT_EQ(printed[0].second, 2u);
    EXPECT_EQ(printed[0].first, f.w.coverSheet());
    EXPECT_EQ(printed[0].first[6].text, QStringLiteral("1"));
    f.w.AnzahlBegleitzettel = 0;
    f.w.PrintCoverSheets();
    EXPECT_EQ(printed.size(), 1) << "no copies asked, nothing printed";
}
