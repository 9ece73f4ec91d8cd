// ferolind-cli's SEPA run on a real database file: the file over the direct-debit members
// with their fee payments, the creditor options stored for the next run, the
// pre-notification as PDF, and refusals that write and record nothing.
#include "club.h"
#include "data/values.h"
#include "payments/sepawriter.h"
#include "programs.h"
#include "testsupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace ferolind;

namespace {

struct SepaCli : ::testing::Test {
    QTemporaryDir dir;
    const QString date = earliestCollectionDate(QDate::currentDate()).toString("dd.MM.yyyy");

    test::Result cli(const QStringList& args) { return test::cli(dir.path(), args); }
    QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }
    QByteArray file(const QString& name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString sql(const QString& statement) { return test::rawSql(dir.path(), {statement}).toString(); }
    void SetUp() override {
        test::clearUserSettings();
        ASSERT_EQ(cli({"create"}).code, 0);
        sql("INSERT INTO beitragsklassen (Name, Beitrag) VALUES ('Erwachsene', 600000)");
        for (const QStringList& m :
             {QStringList{"Vorname=Anna", "Nachname=Berg", "Kontoinhaber=Anna Berg", "Bankleitzahl=37040044",
                          "Kontonummer=532013000", "EintrittDatum=01.04.2010"},
              QStringList{"Vorname=Jörg", "Nachname=Weiß", "Kontoinhaber=Jörg Weiß", "Bankleitzahl=50010517",
                          "Kontonummer=5410041", "EintrittDatum=15.01.2015"}})
            ASSERT_EQ(cli(QStringList{"members", "add", "Betrag=Erwachsene", "DTAUS=Wahr"} + m).code, 0);
        ASSERT_EQ(cli({"members", "add", "Nachname=Cramer"}).code, 0);
        ASSERT_EQ(cli({"settings", "set", "Zahlungszeitraum", "2"}).code, 0);  // yearly
    }
    QStringList creditor() const {
        return {"--creditor-name", "Förderverein Süd", "--creditor-iban", "DE02 5001 0517 0137 0750 30",
                "--creditor-bic", "INGDDEFFXXX", "--creditor-id", "DE98ZZZ09999999999"};
    }
};

TEST_F(SepaCli, WriteOverTheDirectDebitMembersStoresTheCreditorAndPrintsThePrenotification) {
    test::Result r = cli(QStringList{"sepa", "write", "--out", path("sepa.xml"), "--date", date, "--book-year", "2026",
                                     "--prenotification", path("vorab.pdf")} +
                         creditor());
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("2 Lastschrift(en) über 120,00 €")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("Für 2 Mitglied(er) wurde der Beitrag gebucht."));
    const QByteArray xml = file("sepa.xml");
    EXPECT_EQ(xml.count("<CtrlSum>120.00</CtrlSum>"), 2);
    EXPECT_TRUE(xml.contains("<Nm>Joerg Weiss</Nm>"));
    EXPECT_EQ(test::run(QStandardPaths::findExecutable("xmllint"),
                        {"--noout", "--schema", QStringLiteral(FEROLIND_SEPA_SCHEMA), path("sepa.xml")})
                  .code,
              0);
    EXPECT_EQ(sql("SELECT COUNT(*) FROM betrag WHERE Jahr = 2026"), "2");
    const QString pdf = test::run("pdftotext", {"-layout", path("vorab.pdf"), "-"}).out;
    EXPECT_TRUE(pdf.contains("120,00")) << pdf.toStdString();
    EXPECT_TRUE(pdf.contains("Jörg Weiß")) << pdf.toStdString();
    EXPECT_TRUE(pdf.contains("MITGL-2")) << pdf.toStdString();
    EXPECT_EQ(cli({"settings", "get", "SEPAGlaeubigerIBAN"}).out, "DE02500105170137075030\n");

    // The next run takes the stored creditor; FRST from the option; no recording.
    r = cli({"sepa", "write", "--out", path("zweite.xml"), "--date", date, "--sequence", "FRST"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(file("zweite.xml").contains("<SeqTp>FRST</SeqTp>"));
    EXPECT_EQ(sql("SELECT COUNT(*) FROM betrag"), "2");
}

// A member who left before the collection date is left out of the file and named; with
// --include-former the debit is made all the same.
TEST_F(SepaCli, AMemberWhoLeftBeforeTheCollectionDateIsLeftOutUnlessAsked) {
    const QDate collection = parseDate(date).toDate();
    sql(QStringLiteral("UPDATE mitglieder SET AustrittDatum = '%1' WHERE ID = 2")
            .arg(collection.addDays(-1).toString(Qt::ISODate)));
    test::Result r = cli(QStringList{"sepa", "write", "--out", path("sepa.xml"), "--date", date} + creditor());
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("1 Lastschrift(en) über 60,00 €")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("vor dem Einzugsdatum ausgetreten (1): Nr. 2")) << r.out.toStdString();
    EXPECT_FALSE(file("sepa.xml").contains("Joerg Weiss"));
    r = cli(QStringList{"sepa", "write", "--out", path("sepa.xml"), "--date", date, "--include-former"} + creditor());
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("2 Lastschrift(en) über 120,00 €")) << r.out.toStdString();
    EXPECT_TRUE(file("sepa.xml").contains("Joerg Weiss"));
}

TEST_F(SepaCli, RefusalsWriteAndRecordNothing) {
    sql("UPDATE mitglieder SET EintrittDatum = NULL WHERE ID = 2");
    const struct {
        QStringList args;
        QString message;
    } cases[] = {
        {QStringList{"--date", date, "--book-year", "2026"} + creditor(),
         "Mitglied Nr. 2 (Jörg Weiß): Das Mitglied hat kein Mandatsdatum"},
        {QStringList{"--date", "31.02.2026"} + creditor(), "kein gültiges Datum"},
        {QStringList{"--date", date, "--creditor-iban", "DE02500105170137075031"} + creditor().mid(0, 2),
         "Gläubiger-IBAN: Die Prüfziffern"},
        {QStringList{"--date", date, "--book-period", "2"} + creditor(), "--book-period gilt nur mit --book-year"},
        {QStringList{"--date", date, "--bogus"}, "Unbekannte Option"},
        {QStringList{"--book-year", "2026"}, "Es fehlt die Option --date"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        const test::Result r = cli(QStringList{"sepa", "write", "--out", path("sepa.xml")} + c.args);
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(path("sepa.xml")));
        EXPECT_EQ(sql("SELECT COUNT(*) FROM betrag"), "0");
        EXPECT_EQ(cli({"settings", "get", "SEPAGlaeubigerIBAN"}).out, "\n");
    }
}

}  // namespace
