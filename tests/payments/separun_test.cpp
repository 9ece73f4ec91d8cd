// The SEPA run over the members: a file the official schema accepts whose counts and sums
// are the members', the fee payments recorded with it, refused members named with nothing
// written or recorded, members who paid already, the creditor settings and their checks,
// the collection date, the member entry's IBAN field and the pre-notification on paper.
#include "club.h"
#include "data/errors.h"
#include "data/settings.h"
#include "fees/feepayments.h"
#include "payments/ibanentry.h"
#include "payments/prenotificationlayout.h"
#include "payments/separun.h"
#include "payments/sepasettings.h"
#include "programs.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

using namespace ferolind;

namespace {

const QDate kToday(2026, 3, 10);  // a Tuesday

int schemaCheck(const QString& path) {
    const QString xmllint = QStandardPaths::findExecutable("xmllint");
    if (xmllint.isEmpty()) return -1;
    return test::run(xmllint, {"--noout", "--schema", QStringLiteral(FEROLIND_SEPA_SCHEMA), path}).code;
}

// Three direct-debit members (24, 36, 24 euro) and one without direct debit.
struct SepaClub : ::testing::Test {
    test::Club club{kToday};
    SepaRunInput input;

    void SetUp() override {
        Dataset& classes = club.data->feeClasses();
        for (const auto& [name, fee] : {std::pair{"Jugend", "24,00"}, std::pair{"Erwachsene", "36,00"}}) {
            classes.insert();
            classes.setText("Name", name);
            classes.setText("Beitrag", fee);
            ASSERT_TRUE(classes.post());
        }
        addDebitMember("1", "Anna", "Jugend", "Anna Müller", "37040044", "532013000", "01.04.2010");
        addDebitMember("2", "Bert", "Erwachsene", "Bert Groß", "50010517", "5410041", "15.01.2015");
        addDebitMember("3", "Carl", "Jugend", "Carl Öhler", "37050198", "12345678", "01.03.2026");
        club.addMember({{"ID", "4"}, {"Vorname", "Dora"}, {"Nachname", "Bar"}, {"Betrag", "Jugend"}});
        club.data->settings().DbSettingSetInt(kPaymentPeriodEntry, int(PaymentPeriod::Monthly));
        club.members().applyFilter("DTAUS = true");
        input.target = QDir(club.folder()).filePath("lastschrift.xml");
        input.settings.creditorName = "Förderverein Süd e.V.";
        input.settings.creditorIban = "de02 5001 0517 0137 0750 30";
        input.settings.creditorBic = "ingddeffxxx";
        input.settings.creditorId = "DE98ZZZ09999999999";
        input.remittance = "Mitgliedsbeitrag März 2026";
        input.collectionDate = QDate(2026, 3, 16);
        input.periodKind = int(PaymentPeriod::Monthly);
        input.yearText = "2026";
        input.periodText = "3";
        input.bankCodeFile = QStringLiteral(FEROLIND_BANK_CODES);
    }
    void addDebitMember(const char* id, const char* first, const char* feeClass, const char* holder, const char* bank,
                        const char* account, const char* entry) {
        club.addMember({{"ID", id}, {"Vorname", first}, {"Nachname", "Beispiel"}, {"Betrag", feeClass},
                        {"Kontoinhaber", holder}, {"Bankleitzahl", bank}, {"Kontonummer", account},
                        {"EintrittDatum", entry}, {"DTAUS", "Wahr"}});
    }
    int paymentRows() { return test::rawSql(club.folder(), {"SELECT COUNT(*) FROM betrag"}).toInt(); }
    QByteArray file(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeEarlierFile() {
        QSaveFile earlier(input.target);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier file");
        ASSERT_TRUE(earlier.commit());
    }
    // Sets a member's field in the file past the member rules (as an import could have
    // left it) and reads the members again.
    void change(int id, const char* field, const QString& text) {
        const QString value = text.isEmpty() ? QString("NULL") : "'" + text + "'";
        test::rawSql(club.folder(), {QString("UPDATE mitglieder SET \"%1\" = %2 WHERE ID = %3").arg(field, value).arg(id)});
        club.members().requery();
        club.members().applyFilter("DTAUS = true");
    }
    QString refusal() {
        try {
            runSepa(*club.session, input);
        } catch (const DataError& e) {
            return e.message();
        }
        return "the run went through";
    }
};

TEST_F(SepaClub, TheMembersGiveAFileTheSchemaAcceptsAndTheirPaymentsInOneGo) {
    input.recordPayments = true;
    const SepaRunResult r = runSepa(*club.session, input);
    EXPECT_EQ(r.payments, 3);
    EXPECT_EQ(r.amount, 84 * kMoneyUnit);
    EXPECT_EQ(r.recorded, 3);
    EXPECT_EQ(paymentRows(), 3);
    for (int id : {1, 2, 3}) EXPECT_TRUE(club.rules().IsFeePaid(id, 0, 2026, 3)) << id;
    EXPECT_FALSE(club.rules().IsFeePaid(4, 0, 2026, 3));

    const QByteArray xml = file(input.target);
    EXPECT_EQ(xml.count("<NbOfTxs>3</NbOfTxs>"), 2);
    EXPECT_EQ(xml.count("<CtrlSum>84.00</CtrlSum>"), 2);
    EXPECT_EQ(xml.count("<DrctDbtTxInf>"), 3);
    EXPECT_TRUE(xml.contains("<SeqTp>RCUR</SeqTp>"));
    EXPECT_TRUE(xml.contains("<ReqdColltnDt>2026-03-16</ReqdColltnDt>"));
    // The first member: mandate from prefix and number, date from the entry date, IBAN
    // from bank code and account, BIC from the bank codes, holder in SEPA characters.
    const int first = xml.indexOf("<DrctDbtTxInf>");
    const QByteArray anna = xml.mid(first, xml.indexOf("</DrctDbtTxInf>", first) - first);
    for (const char* part : {"<EndToEndId>20260316-1</EndToEndId>", "<InstdAmt Ccy=\"EUR\">24.00</InstdAmt>",
                             "<MndtId>MITGL-1</MndtId>", "<DtOfSgntr>2010-04-01</DtOfSgntr>", "<BICFI>COBADEFFXXX</BICFI>",
                             "<Nm>Anna Mueller</Nm>", "<IBAN>DE89370400440532013000</IBAN>",
                             "<Ustrd>Mitgliedsbeitrag Maerz 2026</Ustrd>"})
        EXPECT_TRUE(anna.contains(part)) << part;
    EXPECT_TRUE(xml.contains("<Nm>Foerderverein Sued e.V.</Nm>"));
    EXPECT_TRUE(xml.contains("<IBAN>DE02500105170137075030</IBAN>"));
    EXPECT_EQ(schemaCheck(input.target), 0);

    // The creditor data were stored, in their plain form.
    const SepaSettings stored = loadSepaSettings(club.data->settings());
    EXPECT_EQ(stored.creditorIban, "DE02500105170137075030");
    EXPECT_EQ(stored.creditorBic, "INGDDEFFXXX");
    EXPECT_EQ(club.data->settings().DbSettingGet(sepaentry::CreditorName), "Förderverein Süd e.V.");
    EXPECT_TRUE(sepaRunSummary(r).contains("3 Lastschrift(en) über 84,00"));
}

TEST_F(SepaClub, ARefusedMemberNamesItselfAndNothingIsWrittenOrRecorded) {
    struct Case {
        const char* field;
        const char* value;
        const char* message;
    };
    const Case cases[] = {
        {"EintrittDatum", "", "kein Mandatsdatum (das Eintrittsdatum ist leer"},
        {"EintrittDatum", "2026-04-01", "Das Mandatsdatum 01.04.2026 liegt nach heute."},
        {"Bankleitzahl", "3705019", "ergibt sich keine IBAN"},
        {"Kontonummer", "0", "ergibt sich keine IBAN"},
        {"Kontonummer", "12 34", "ist keine ganze Zahl"},
        {"Betrag", "Senioren", "Die Beitragsklasse „Senioren“ gibt es nicht."},
        {"Kontoinhaber", "", "Der Kontoinhaber fehlt."},
    };
    writeEarlierFile();
    input.recordPayments = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + "=" + c.value);
        const QString before = test::rawSql(club.folder(), {QString("SELECT \"%1\" FROM mitglieder WHERE ID = 3").arg(c.field)})
                                   .toString();
        change(3, c.field, c.value);
        const QString m = refusal();
        EXPECT_TRUE(m.startsWith("Mitglied Nr. 3 (Carl Beispiel): ")) << m.toStdString();
        EXPECT_TRUE(m.contains(QString::fromUtf8(c.message))) << m.toStdString();
        EXPECT_TRUE(m.endsWith("Es wurde keine Datei erstellt und kein Beitrag gebucht."));
        EXPECT_EQ(file(input.target), "earlier file");
        EXPECT_EQ(paymentRows(), 0);
        EXPECT_EQ(club.data->feePayments().totalCount(), 0);
        change(3, c.field, before);
    }
    // Every refused member is named, not just the first.
    change(1, "EintrittDatum", "");
    change(2, "Bankleitzahl", "123");
    const QString m = refusal();
    EXPECT_TRUE(m.contains("Mitglied Nr. 1 (Anna Beispiel)")) << m.toStdString();
    EXPECT_TRUE(m.contains("Mitglied Nr. 2 (Bert Beispiel)")) << m.toStdString();
    EXPECT_FALSE(m.contains("Nr. 3"));
    EXPECT_EQ(file(input.target), "earlier file");
}

TEST_F(SepaClub, AnUnwritableTargetOrABadDateRecordsNothing) {
    input.recordPayments = true;
    input.target = QDir(club.folder()).filePath("fehlt/lastschrift.xml");
    EXPECT_EQ(refusal(), "Der Ordner »" + QDir(club.folder()).filePath("fehlt") +
                             "« ist nicht vorhanden.\nEs wurde keine Datei erstellt und kein Beitrag gebucht.");
    input.target = QDir(club.folder()).filePath("lastschrift.xml");
    input.collectionDate = QDate(2026, 3, 14);
    EXPECT_TRUE(refusal().contains("ist ein Samstag")) << refusal().toStdString();
    input.settings.creditorId = "DE99ZZZ09999999999";
    EXPECT_TRUE(refusal().contains("Prüfziffern der Gläubiger-ID")) << refusal().toStdString();
    EXPECT_EQ(paymentRows(), 0);
    EXPECT_FALSE(QFile::exists(input.target));
    EXPECT_TRUE(club.data->settings().DbSettingGet(sepaentry::CreditorId).isEmpty()) << "a refused run stores no settings";
}

// A target that cannot be written: the cause in one German sentence, nothing stored, and
// no file or copy left behind.
TEST_F(SepaClub, AnUnwritableTargetGivesItsCauseAndStoresNothing) {
    input.recordPayments = true;
    const QDir folder(club.folder());
    {
        QFile plain(folder.filePath("datei"));
        ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    }
    const QString longName = folder.filePath(QString(240, 'l') + ".xml");
    const struct {
        QString target, message;
    } cases[] = {
        {folder.filePath("datei/lastschrift.xml"), "»" + folder.filePath("datei") + "« ist kein Ordner."},
        {longName, "Der Dateiname »" + longName + "« ist zu lang."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target.toStdString());
        input.target = c.target;
        EXPECT_EQ(refusal(), c.message + "\nEs wurde keine Datei erstellt und kein Beitrag gebucht.");
        EXPECT_EQ(paymentRows(), 0);
        EXPECT_EQ(club.data->feePayments().totalCount(), 0);
    }
    QStringList hidden = folder.entryList(QDir::Files | QDir::Hidden);
    hidden.removeIf([](const QString& n) { return !n.startsWith('.'); });
    EXPECT_EQ(hidden, QStringList());
    EXPECT_FALSE(QFile::exists(longName));
}

TEST_F(SepaClub, MembersWhoPaidThePeriodAreLeftOutAndNamed) {
    club.addPayment(2, 2026, 3);
    input.recordPayments = true;
    const SepaRunResult r = runSepa(*club.session, input);
    EXPECT_EQ(r.payments, 2);
    EXPECT_EQ(r.amount, 48 * kMoneyUnit);
    EXPECT_EQ(r.alreadyPaid, QStringList{"Nr. 2 (Bert Beispiel)"});
    EXPECT_EQ(file(input.target).count("<CtrlSum>48.00</CtrlSum>"), 2);
    EXPECT_EQ(paymentRows(), 3);
    const QByteArray first = file(input.target);
    EXPECT_TRUE(refusal().contains("schon bezahlt"));
    EXPECT_EQ(file(input.target), first);
    EXPECT_EQ(paymentRows(), 3);
}

TEST_F(SepaClub, AMemberAnotherWorkstationBookedMeanwhileIsLeftOutOfTheFileAndNamed) {
    input.recordPayments = true;
    // Stored past this program's tables after it read them.
    test::rawSql(club.folder(), {"INSERT INTO betrag (Mitgliedsnummer, Jahr, Monat, Quartal) VALUES (2, 2026, 3, 0)"});
    const SepaRunResult r = runSepa(*club.session, input);
    EXPECT_EQ(r.payments, 2);
    EXPECT_EQ(r.recorded, 2);
    EXPECT_EQ(r.amount, 48 * kMoneyUnit);
    EXPECT_EQ(r.alreadyPaid, QStringList{"Nr. 2 (Bert Beispiel)"});
    const QByteArray xml = file(input.target);
    EXPECT_EQ(xml.count("<CtrlSum>48.00</CtrlSum>"), 2);
    EXPECT_EQ(xml.count("<NbOfTxs>2</NbOfTxs>"), 2);
    EXPECT_FALSE(xml.contains("Bert Gross"));
    const int schema = schemaCheck(input.target);
    if (schema >= 0) EXPECT_EQ(schema, 0);
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT COUNT(*) FROM betrag WHERE Mitgliedsnummer = 2"}).toInt(), 1);
    EXPECT_EQ(paymentRows(), 3);
}

TEST_F(SepaClub, TheMandateDateCanComeFromAFreeField) {
    input.settings.mandateDateSource = "Sonstiges1";
    input.settings.mandatePrefix = "FV/";
    input.settings.sequenceType = "frst";
    for (int id : {1, 2}) change(id, "Sonstiges1", "1.2.2013");
    EXPECT_TRUE(refusal().contains("Mitglied Nr. 3 (Carl Beispiel): Das Mitglied hat kein Mandatsdatum (das Feld "
                                   "Sonstiges1"));
    change(3, "Sonstiges1", "28.02.2013");
    const SepaRunResult r = runSepa(*club.session, input);
    EXPECT_EQ(r.file.debits[0].mandateDate, QDate(2013, 2, 1));
    EXPECT_EQ(r.file.debits[2].mandateId, "FV/3");
    EXPECT_TRUE(file(input.target).contains("<SeqTp>FRST</SeqTp>"));
    EXPECT_EQ(schemaCheck(input.target), 0);
}

TEST_F(SepaClub, SettingsAreCheckedWhereTheyAreStored) {
    const SepaSettings defaults = loadSepaSettings(club.data->settings());
    EXPECT_EQ(defaults.mandatePrefix, "MITGL-");
    EXPECT_EQ(defaults.mandateDateSource, "EintrittDatum");
    EXPECT_EQ(defaults.sequenceType, "RCUR");
    struct Case {
        void (*spoil)(SepaSettings&);
        const char* message;
    };
    const Case cases[] = {
        {[](SepaSettings& s) { s.creditorName = " "; }, "Namen des Gläubigers"},
        {[](SepaSettings& s) { s.creditorIban = "DE02500105170137075031"; }, "Gläubiger-IBAN: Die Prüfziffern"},
        {[](SepaSettings& s) { s.creditorIban = ""; }, "Gläubiger-IBAN: Es ist keine IBAN"},
        {[](SepaSettings& s) { s.creditorBic = "INGDDEFF1"; }, "Gläubiger-BIC: „INGDDEFF1“ ist keine BIC"},
        {[](SepaSettings& s) { s.creditorId = "DE98ZZZ0999999999"; }, "18 Zeichen"},
        {[](SepaSettings& s) { s.mandatePrefix = "M 1"; }, "Präfix der Mandatsreferenz"},
        {[](SepaSettings& s) { s.mandatePrefix = QString(26, u'A'); }, "höchstens 25 Zeichen"},
        {[](SepaSettings& s) { s.mandateDateSource = "Geburtsdatum"; }, "nicht aus „Geburtsdatum“"},
        {[](SepaSettings& s) { s.sequenceType = "OOFF"; }, "weder RCUR"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        SepaSettings s = input.settings;
        c.spoil(s);
        try {
            storeSepaSettings(*club.data, s);
            ADD_FAILURE() << "stored";
        } catch (const DataError& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.message))) << e.message().toStdString();
            EXPECT_TRUE(e.message().endsWith("nicht gespeichert."));
        }
        EXPECT_EQ(club.data->settings().DbSettingGet(sepaentry::CreditorName), "");
    }
    SepaSettings ok = input.settings;
    ok.creditorBic = "";  // IBAN only is allowed
    storeSepaSettings(*club.data, ok);
    EXPECT_EQ(loadSepaSettings(club.data->settings()).creditorId, "DE98ZZZ09999999999");
}

TEST(SepaCollectionDate, WeekendsHolidaysAndTodayAreRefused) {
    const struct {
        QDate day;
        const char* says;  // empty: allowed
    } cases[] = {{QDate(2026, 3, 11), ""},
                 {QDate(2026, 3, 10), "nach heute"},
                 {QDate(2026, 3, 1), "ist ein Sonntag"},
                 {QDate(2026, 3, 14), "ist ein Samstag"},
                 {QDate(2026, 4, 3), "Feiertag"},  // Good Friday
                 {QDate(2026, 4, 6), "Feiertag"},  // Easter Monday
                 {QDate(2026, 5, 1), "Feiertag"},
                 {QDate(2026, 12, 25), "Feiertag"},
                 {QDate(2026, 12, 28), ""},
                 {QDate(), "Bitte den Fälligkeitstag angeben"}};
    for (const auto& c : cases) {
        const QString p = collectionDateProblem(c.day, kToday);
        if (*c.says == 0)
            EXPECT_TRUE(p.isEmpty()) << p.toStdString();
        else
            EXPECT_TRUE(p.contains(QString::fromUtf8(c.says))) << c.day.toString().toStdString() << ": " << p.toStdString();
    }
}

TEST(IbanField, TypedIbansAndTheShownText) {
    const struct {
        const char* typed;
        qint64 bank, account;  // 0: refused
        const char* says;
    } cases[] = {
        {"DE89 3704 0044 0532 0130 00", 37040044, 532013000, ""},
        {"de02120300000000202051", 12030000, 202051, ""},
        {"DE89 3704 0044 0532 0130 01", 0, 0, "Prüfziffern"},
        {"DE89 3704 0044 0532 0130", 0, 0, "22 Zeichen"},
        {"GB82 WEST 1234 5698 7654 32", 0, 0, "nicht deutsch: sie kann nicht gespeichert werden"},
        {"AT61 1904 3002 3457 3201", 0, 0, "nicht deutsch"},
        {"DE68 3704 0044 0000 0000 00", 0, 0, "keine Bankleitzahl und Kontonummer"},
        {"XX00", 0, 0, "Ländercode"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const TypedIban t = readTypedIban(QString::fromUtf8(c.typed));
        if (c.bank) {
            ASSERT_TRUE(t.account.has_value()) << t.message.toStdString();
            EXPECT_EQ(t.account->bankCode, c.bank);
            EXPECT_EQ(t.account->account, c.account);
            EXPECT_TRUE(t.message.isEmpty());
        } else {
            EXPECT_FALSE(t.account.has_value());
            EXPECT_TRUE(t.message.contains(QString::fromUtf8(c.says))) << t.message.toStdString();
            EXPECT_TRUE(t.message.contains("bleiben, wie sie sind"));
        }
    }
    EXPECT_FALSE(readTypedIban("  ").account.has_value());
    EXPECT_TRUE(readTypedIban("  ").message.isEmpty());
    EXPECT_EQ(ibanFieldText(37040044, QString("532013000")), "DE89 3704 0044 0532 0130 00");
    EXPECT_EQ(ibanFieldText(QVariant(), QString("532013000")), "");
    EXPECT_EQ(ibanFieldText(3704004, QString("532013000")), "");
    EXPECT_EQ(ibanFieldText(37040044, QString("12 34")), "");
}

TEST_F(SepaClub, ThePrenotificationListsEveryDebtorAndTheCoverSheetTheSums) {
    const SepaRunResult r = prepareSepaRun(*club.session, input);
    EXPECT_FALSE(QFile::exists(input.target)) << "preparing writes nothing";
    EXPECT_EQ(paymentRows(), 0);
    const QString pdf = QDir(club.folder()).filePath("vorab.pdf");
    printing::writePrenotificationPdf(r.file, pdf);
    const QString text = test::run("pdftotext", {"-layout", pdf, "-"}).out;
    for (const char* part : {"Vorabinformation SEPA-Lastschrift", "DE98ZZZ09999999999", "16.03.2026",
                             "Anzahl der Lastschriften", "84,00", "MITGL-1", "MITGL-2", "MITGL-3",
                             "DE89 3704 0044 0532 0130 00", "Anna Müller", "Bert Groß", "36,00"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part << "\n" << text.toStdString();
    EXPECT_EQ(test::run("pdfinfo", {pdf}).out.contains(QRegularExpression("Pages:\\s+2\\b")), true);

    // Many debtors fill several list pages.
    SepaFile many = r.file;
    while (many.debits.size() < 2 * printing::kPrenotificationRows + 1) many.debits += r.file.debits;
    printing::PrenotificationLayout layout(many);
    EXPECT_EQ(layout.pageCount(), 1 + 3);
}

}  // namespace
