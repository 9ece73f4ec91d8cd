// SEPA: IBANs of several countries, German IBANs to and from bank code and account number,
// creditor identifiers, the SEPA character set, TARGET business days, and a pain.008 file
// that the official schema accepts, whose counts and sums are those of its debits.
#include "data/errors.h"
#include "payments/iban.h"
#include "payments/sepawriter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace ferolind;

namespace {

TEST(Iban, ValidAndInvalidOfSeveralCountries) {
    for (const char* valid : {"DE89 3704 0044 0532 0130 00", "GB82 WEST 1234 5698 7654 32",
                              "FR14 2004 1010 0505 0001 3M02 606", "NL91ABNA0417164300", "CH93 0076 2011 6238 5295 7",
                              "AT61 1904 3002 3457 3201", "BE68 5390 0754 7034", "de89370400440532013000"})
        EXPECT_TRUE(ibanValid(QString::fromLatin1(valid))) << valid << ibanProblem(valid).toStdString();
    const struct {
        const char* iban;
        const char* says;
    } invalid[] = {{"DE89 3704 0044 0532 0130 01", "Prüfziffern"},  {"DE88 3704 0044 0532 0130 00", "Prüfziffern"},
                   {"GB82 WEST 1234 5698 7654 3", "22 Zeichen"},     {"XX89 3704 0044 0532 0130 00", "Ländercode"},
                   {"DE8937040044053201300", "22 Zeichen"},          {"DEAB 3704 0044 0532 0130 00", "keine Ziffern"},
                   {"DE89 3704 0044 0532 0130 0#", "andere Zeichen"}, {"", "keine IBAN"},
                   // 99 passes mod 97 as a second spelling of 02; no IBAN carries it
                   {"DE99 1203 0000 0000 2020 51", "Prüfziffern"}};
    for (const auto& c : invalid) {
        const QString p = ibanProblem(QString::fromUtf8(c.iban));
        EXPECT_TRUE(p.contains(QString::fromUtf8(c.says))) << c.iban << ": " << p.toStdString();
    }
    EXPECT_EQ(groupedIban("de89370400440532013000"), "DE89 3704 0044 0532 0130 00");
}

TEST(Iban, GermanIbansRoundTripToBankCodeAndAccount) {
    const struct {
        qint64 bank, account;
        const char* iban;
    } cases[] = {{37040044, 532013000, "DE89370400440532013000"},
                 {50010517, 137075030, "DE02500105170137075030"},
                 {12030000, 202051, "DE02120300000000202051"},
                 {10000000, 1, nullptr},
                 {99999999, 9999999999LL, nullptr}};
    for (const auto& c : cases) {
        const std::optional<QString> iban = germanIban(c.bank, c.account);
        ASSERT_TRUE(iban.has_value());
        if (c.iban) EXPECT_EQ(*iban, QString::fromLatin1(c.iban));
        EXPECT_TRUE(ibanValid(*iban)) << iban->toStdString();
        const std::optional<GermanAccount> back = splitGermanIban(*iban);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->bankCode, c.bank);
        EXPECT_EQ(back->account, c.account);
    }
    EXPECT_FALSE(germanIban(1234567, 1).has_value());
    EXPECT_FALSE(germanIban(37040044, 10000000000LL).has_value());
    EXPECT_FALSE(splitGermanIban("GB82WEST12345698765432").has_value());
    EXPECT_FALSE(splitGermanIban("DE89370400440532013001").has_value());
}

TEST(CreditorId, CheckDigitsSkipTheBusinessCode) {
    for (const char* valid : {"DE98ZZZ09999999999", "DE98ABC09999999999", "de98 zzz0 9999 9999 99"})
        EXPECT_TRUE(creditorIdValid(QString::fromLatin1(valid))) << valid;
    for (const char* invalid : {"DE99ZZZ09999999999", "DE98ZZZ0999999999", "ZZZ", "", "DE98ZZZ0999999999#"})
        EXPECT_FALSE(creditorIdValid(QString::fromLatin1(invalid))) << invalid;
}

TEST(SepaText, UmlautsAccentsAndOtherCharacters) {
    const struct {
        const char* in;
        int max;
        const char* out;
    } cases[] = {{"Förderverein Süd", 70, "Foerderverein Sued"}, {"Straße & Söhne", 70, "Strasse + Soehne"},
                 {"Café René", 70, "Cafe Rene"},                  {"Beitrag 03/2026: 24,00 €", 70, "Beitrag 03/2026: 24,00"},
                 {"a*b_c@d", 70, "abcd"},                         {"Äpfel", 3, "Aep"},
                 {"  zwei   Leer  ", 70, "zwei Leer"}};
    for (const auto& c : cases) EXPECT_EQ(sepaText(QString::fromUtf8(c.in), c.max), QString::fromUtf8(c.out)) << c.in;
}

// Letters outside Latin-1 are transliterated, never dropped: the bank matches the debtor's
// name, and a name missing letters is another name.
TEST(SepaText, LettersOfOtherLanguagesKeepTheirLatinForm) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {{"Łukasz Żółkiewski", "Lukasz Zolkiewski"},
                 {"Søren Ærø", "Soren AEro"},
                 {"Đorđe Šćepanović", "Dorde Scepanovic"},
                 {"Øystein Ðórðarson", "Oystein Dordarson"},
                 {"İlkay Gündoğan", "Ilkay Guendogan"},
                 {"Дмитрий Иванов", "Dmitrij Ivanov"},
                 {"Cafe\u0301 (zerlegt)", "Cafe (zerlegt)"},
                 {"Müller-Łęcka & Co.", "Mueller-Lecka + Co."}};
    for (const auto& c : cases) EXPECT_EQ(sepaText(QString::fromUtf8(c.in), 70), QString::fromUtf8(c.out)) << c.in;
    // Whatever comes in, only the SEPA characters go out, and no letter vanishes.
    for (const char* in : {"Łł Ŋŋ Ħħ Ŧŧ Ŀŀ ĸ", "中文 名字", "Ελληνικά"}) {
        const QString out = sepaText(QString::fromUtf8(in), 70);
        int lettersIn = 0;
        for (const QChar ch : QString::fromUtf8(in)) lettersIn += ch.isLetter();
        int lettersOut = 0;
        for (const QChar ch : out) lettersOut += ch.isLetter() || ch == u'?';
        EXPECT_GE(lettersOut, lettersIn) << in << " → " << out.toStdString();
        for (const QChar ch : out)
            EXPECT_TRUE(ch.isLetterOrNumber() ? ch.unicode() < 0x80 : QStringLiteral("/-?:().,'+ ").contains(ch))
                << in << " → " << out.toStdString();
        EXPECT_FALSE(out.contains(QStringLiteral("  "))) << in;
    }
    EXPECT_EQ(sepaText(QString::fromUtf8("Łukasz"), 3), QStringLiteral("Luk"));
}

TEST(TargetDays, WeekendsAndHolidays) {
    const struct {
        QDate day;
        bool business;
    } days[] = {{QDate(2026, 1, 1), false},   {QDate(2026, 1, 2), true},   {QDate(2026, 1, 3), false},
                {QDate(2026, 1, 4), false},   {QDate(2026, 4, 3), false},  {QDate(2026, 4, 6), false},
                {QDate(2026, 4, 7), true},    {QDate(2026, 5, 1), false},  {QDate(2026, 12, 24), true},
                {QDate(2026, 12, 25), false}, {QDate(2025, 12, 26), false}, {QDate(2025, 4, 18), false},
                {QDate(2025, 4, 21), false},  {QDate(2025, 4, 22), true}};
    for (const auto& d : days) EXPECT_EQ(isTargetBusinessDay(d.day), d.business) << d.day.toString().toStdString();
    EXPECT_EQ(earliestCollectionDate(QDate(2026, 12, 24)), QDate(2026, 12, 28));
    EXPECT_EQ(earliestCollectionDate(QDate(2026, 4, 2)), QDate(2026, 4, 7));
    EXPECT_EQ(earliestCollectionDate(QDate(2026, 3, 10)), QDate(2026, 3, 11));
}

SepaFile sampleFile() {
    SepaFile f;
    f.messageId = "FEROLIND-20260310103000";
    f.created = QDateTime(QDate(2026, 3, 10), QTime(10, 30));
    f.collectionDate = QDate(2026, 3, 16);
    f.creditor = {"Förderverein Süd e.V.", "DE02500105170137075030", "INGDDEFFXXX", "DE98ZZZ09999999999"};
    f.debits = {{"Nr. 1 (Anna Berg)", "M1-2026-03", "FV-1", QDate(2010, 4, 1), "Anna Müller",
                 "DE89 3704 0044 0532 0130 00", "COBADEFFXXX", 24 * kMoneyUnit, "Mitgliedsbeitrag März 2026"},
                {"Nr. 2 (Bert Groß)", "M2-2026-03", "FV-2", QDate(2015, 1, 1), "Bert Groß", "AT611904300234573201",
                 "", 365000, QString(200, u'x')}};
    return f;
}

TEST(SepaFileWriting, TheOfficialSchemaAcceptsItAndItsSumsAreTheDebits) {
    const QByteArray xml = writeSepaFile(sampleFile(), QDate(2026, 3, 10));
    EXPECT_TRUE(xml.contains("<NbOfTxs>2</NbOfTxs>"));
    EXPECT_EQ(xml.count("<CtrlSum>60.50</CtrlSum>"), 2) << "header and payment block";
    EXPECT_TRUE(xml.contains("<InstdAmt Ccy=\"EUR\">36.50</InstdAmt>"));
    EXPECT_TRUE(xml.contains("<Nm>Anna Mueller</Nm>"));
    EXPECT_TRUE(xml.contains("<Ustrd>" + QByteArray(140, 'x') + "</Ustrd>"));
    EXPECT_TRUE(xml.contains("<Id>NOTPROVIDED</Id>")) << "a debtor without BIC";
    EXPECT_TRUE(xml.contains("<ReqdColltnDt>2026-03-16</ReqdColltnDt>"));

    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("lastschrift.xml");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(xml);
    }
    const QString xmllint = QStandardPaths::findExecutable("xmllint");
    ASSERT_FALSE(xmllint.isEmpty()) << "xmllint (libxml2-utils) is needed";
    QProcess p;
    p.start(xmllint, {"--noout", "--schema", QStringLiteral(FEROLIND_SEPA_SCHEMA), path});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();

    // The schema is no formality: a file it refuses is refused by the check.
    QByteArray broken = xml;
    broken.replace("<SeqTp>RCUR</SeqTp>", "<SeqTp>ONCE</SeqTp>");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(broken);
    }
    p.start(xmllint, {"--noout", "--schema", QStringLiteral(FEROLIND_SEPA_SCHEMA), path});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_NE(p.exitCode(), 0);
}

TEST(SepaFileWriting, EveryRefusedDebitIsNamedAndNothingIsWritten) {
    SepaFile f = sampleFile();
    f.debits[0].iban = "DE89370400440532013001";
    f.debits[1].mandateDate = QDate();
    f.collectionDate = QDate(2026, 3, 14);  // a Saturday
    try {
        writeSepaFile(f, QDate(2026, 3, 10));
        ADD_FAILURE() << "written";
    } catch (const DataError& e) {
        const QString m = e.message();
        EXPECT_TRUE(m.contains("Mitglied Nr. 1 (Anna Berg): Die Prüfziffern der IBAN")) << m.toStdString();
        EXPECT_TRUE(m.contains("Mitglied Nr. 2 (Bert Groß): Das Mandatsdatum fehlt")) << m.toStdString();
        EXPECT_TRUE(m.contains("kein Bankarbeitstag")) << m.toStdString();
        EXPECT_TRUE(m.endsWith("Es wurde keine SEPA-Datei geschrieben."));
    }
    f = sampleFile();
    f.creditor.creditorId = "DE99ZZZ09999999999";
    EXPECT_THROW(writeSepaFile(f, QDate(2026, 3, 10)), DataError);
}

}  // namespace

namespace {

TEST(Bic, FromTheShippedBankCodes) {
    const QString file = QStringLiteral(FEROLIND_BANK_CODES);
    EXPECT_EQ(bicForBankCode(file, 10010010), "PBNKDEFFXXX");
    EXPECT_EQ(bicForBankCode(file, 10000000), "MARKDEF1100");
    EXPECT_EQ(bicForBankCode(file, 99999998), "");
    EXPECT_EQ(bicForBankCode(file, 1001001), "");
    EXPECT_THROW(bicForBankCode("/nicht/da/blz.asc", 10010010), DataError);
}

}  // namespace
