// ferolind-cli's DTAUS commands: a file from payment lines on standard input (the text
// keys of the options, refusals that leave an earlier file untouched, the cover sheet as
// PDF) and the run over the direct-debit members of a real database file.
#include "club.h"
#include "filesizelimit.h"
#include "testsupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct CliRun {
    int code;
    QString out, err;
};

struct DtausCli : ::testing::Test {
    QTemporaryDir dir;

    CliRun cli(const QStringList& args, const QByteArray& input = {}) {
        QProcess p;
        p.start(QStringLiteral(FEROLIND_CLI_PATH), QStringList{"--db", dir.path()} + args);
        p.write(input);
        p.closeWriteChannel();
        p.waitForFinished(30000);
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }
    QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }
    QByteArray file(const QString& name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QStringList writeArgs(const QString& out) const {
        return {"dtaus", "write", "--out", path(out), "--sender-name", "Förderverein Süd", "--sender-blz", "37050198",
                "--sender-account", "1234567890"};
    }
    QString sql(const QString& statement) { return ferolind::test::rawSql(dir.path(), {statement}).toString(); }
    void SetUp() override { ferolind::test::clearUserSettings(); }
};

const QByteArray kTwoPayments = "Anna Berg\t37040044\t532013000\t24,00\tBeitrag 2026\n"
                                "\n"
                                "Bert Groß\t50010517\t5410041\t36,00\tBeitrag\tzweite Zeile\n";

TEST_F(DtausCli, WriteTakesPaymentLinesAndTheTextKeyFollowsTheOptions) {
    const struct {
        QStringList extra;
        QByteArray kind, key;
    } cases[] = {{{}, "LK", "05000"}, {{"--credit"}, "GK", "51000"}, {{"--order"}, "LK", "04000"},
                 {{"--key", "53000"}, "GK", "53000"}, {{"--credit", "--key", "05000"}, "LK", "05000"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key.toStdString());
        const CliRun r = cli(writeArgs("DTAUS0.TXT") + c.extra, kTwoPayments);
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, path("DTAUS0.TXT") + ": 2 Zahlung(en), Summe 60,00\n");
        const QByteArray f = file("DTAUS0.TXT");
        ASSERT_EQ(f.size(), 128 + 256 + 256 + 128);
        EXPECT_EQ(f.mid(5, 2), c.kind);
        EXPECT_EQ(f.mid(128 + 44, 5), c.key);
        EXPECT_EQ(f.mid(23, 27), QByteArray("F\\RDERVEREIN S]D").leftJustified(27, ' '));
        EXPECT_EQ(f.mid(128 + 256 + 93, 27), QByteArray("BERT GRO~").leftJustified(27, ' '));
    }
    // With the cover sheet as PDF.
    const CliRun r = cli(writeArgs("DTAUS0.TXT") + QStringList{"--date", "01.01.2000", "--cover-sheet", path("b.pdf")},
                         kTwoPayments);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(file("b.pdf").startsWith("%PDF-"));
}

TEST_F(DtausCli, ARefusedLineOrSenderWritesNothing) {
    ASSERT_EQ(cli(writeArgs("x.txt"), kTwoPayments).code, 0);
    const QByteArray earlier = file("x.txt");
    const struct {
        QStringList args;
        QByteArray input;
        QString message;
    } cases[] = {
        {writeArgs("x.txt"), kTwoPayments + "Carl\t3704004\t12345678\t1,00\n",
         "Zeile 4: Die Bankleitzahl muss genau 8 Zeichen besitzen."},
        {writeArgs("x.txt"), "Carl\t37040044\t12345678\t1000000000,00\n", "Zeile 1: Der Betrag muss zwischen"},
        {writeArgs("x.txt"), "Carl\t37040044\t12345678\n", "Zeile 1: Erwartet werden"},
        {writeArgs("x.txt") + QStringList{"--credit", "--order"}, kTwoPayments, "schließen einander aus"},
        {writeArgs("x.txt") + QStringList{"--key", "5300"}, kTwoPayments, "fünf Ziffern"},
        {writeArgs("x.txt") + QStringList{"--date", "32.01.2026"}, kTwoPayments, "kein gültiges Datum"},
        {QStringList{"dtaus", "write", "--out", path("x.txt"), "--sender-name", "Verein", "--sender-blz", "123",
                     "--sender-account", "1234567890"},
         kTwoPayments, "Auftraggeber-BLZ fehlerhaft"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        const CliRun r = cli(c.args, c.input);
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
        EXPECT_EQ(file("x.txt"), earlier);
    }
}

TEST_F(DtausCli, RunOverTheDirectDebitMembersWithTheirFeePayments) {
    ASSERT_EQ(cli({"create"}).code, 0);
    sql("INSERT INTO beitragsklassen (Name, Beitrag) VALUES ('Erwachsene', 600000)");
    ASSERT_EQ(cli({"members", "add", "Vorname=Anna", "Nachname=Berg", "Betrag=Erwachsene", "Kontoinhaber=Anna Berg",
                   "Bankleitzahl=37040044", "Kontonummer=532013000", "DTAUS=Wahr"})
                  .code,
              0);
    ASSERT_EQ(cli({"members", "add", "Nachname=Cramer"}).code, 0);
    ASSERT_EQ(cli({"settings", "set", "Zahlungszeitraum", "1"}).code, 0);
    const QStringList run = {"dtaus", "run", "--out", path("lastschrift.txt"), "--sender-name", "Verein",
                             "--sender-blz", "37050198", "--sender-account", "1234567890", "--purpose", "Beitrag"};
    CliRun r = cli(run + QStringList{"--book-year", "2026"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("--book-period")) << r.err.toStdString();
    r = cli(run + QStringList{"--book-year", "2026", "--book-period", "2", "--cover-sheet", path("b.pdf")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("1 Lastschrift(en) über 60,00 €")) << r.out.toStdString();
    EXPECT_EQ(file("lastschrift.txt").size(), 512);
    EXPECT_TRUE(file("b.pdf").startsWith("%PDF-"));
    EXPECT_EQ(sql("SELECT group_concat(Mitgliedsnummer || '/' || Jahr || '/' || Monat || '/' || Quartal) FROM betrag"),
              "1/2026/0/2");
    // The same quarter again: nobody left to debit, nothing written.
    QFile::remove(path("lastschrift.txt"));
    r = cli(run + QStringList{"--book-year", "2026", "--book-period", "2"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("schon bezahlt")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("lastschrift.txt")));
}

// A member who left before the execution date is left out and named; the one tick
// (--include-former) debits them all the same. One leaving on the day itself is debited.
TEST_F(DtausCli, MembersWhoLeftBeforeTheDateAreLeftOutUnlessAsked) {
    ASSERT_EQ(cli({"create"}).code, 0);
    sql("INSERT INTO beitragsklassen (Name, Beitrag) VALUES ('Erwachsene', 600000)");
    for (const char* left : {"", "14.03.2026", "15.03.2026"})
        ASSERT_EQ(cli({"members", "add", "Nachname=Berg", "Betrag=Erwachsene", "Kontoinhaber=Anna Berg",
                       "Bankleitzahl=37040044", "Kontonummer=532013000", "DTAUS=Wahr",
                       QStringLiteral("AustrittDatum=%1").arg(QLatin1String(left))})
                      .code,
                  0);
    const QStringList run = {"dtaus", "run", "--out", path("lastschrift.txt"), "--sender-name", "Verein",
                             "--sender-blz", "37050198", "--sender-account", "1234567890", "--purpose", "Beitrag",
                             "--date", "15.03.2026"};
    CliRun r = cli(run);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("2 Lastschrift(en) über 120,00 €")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("vor dem Einzugsdatum ausgetreten (1): Nr. 2")) << r.out.toStdString();
    r = cli(run + QStringList{"--include-former"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("3 Lastschrift(en) über 180,00 €")) << r.out.toStdString();
    EXPECT_FALSE(r.out.contains("ausgetreten")) << r.out.toStdString();
}

// A full disk: the file or its cover sheet is refused with the cause in German and exit
// status 1, and leaves no empty or half file.
TEST_F(DtausCli, AFullDiskIsReportedWithItsCauseAndLeavesNoHalfFile) {
    ASSERT_EQ(cli(writeArgs("x.txt"), kTwoPayments).code, 0);
    const QByteArray earlier = file("x.txt");
    const struct {
        const char* name;
        rlim_t limit;  // the DTAUS file is 768 bytes, its cover sheet far more
        QStringList extra;
    } cases[] = {{"file", 500, {}}, {"cover sheet", 2000, {"--cover-sheet", path("b.pdf")}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CliRun r;
        {
            ferolind::test::FileSizeLimit full(c.limit);
            r = cli(writeArgs("x.txt") + c.extra, kTwoPayments);
        }
        EXPECT_EQ(r.code, 1) << r.out.toStdString();
        EXPECT_TRUE(r.err.contains("wird zu groß für den Datenträger")) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains("Unknown error")) << r.err.toStdString();
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(file("x.txt"), earlier);
        EXPECT_FALSE(QFile::exists(path("b.pdf")));
        QStringList hidden = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        hidden.removeIf([](const QString& n) { return !n.startsWith('.'); });
        EXPECT_EQ(hidden, QStringList());
    }
}

TEST_F(DtausCli, IbanOfBankCodeAndAccountAndTheCheck) {
    CliRun r = cli({"iban", "37040044", "532013000"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "DE89370400440532013000\n");
    r = cli({"iban", "check", "DE89 3704 0044 0532 0130 00"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "DE89 3704 0044 0532 0130 00\n");
    r = cli({"iban", "check", "DE89370400440532013001"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("Prüfziffern")) << r.err.toStdString();
    r = cli({"iban", "3704004", "532013000"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("acht Ziffern")) << r.err.toStdString();
}

}  // namespace
