// The direct-debit run over the members: the file of the direct-debit members, the fee
// payments recorded with it, the refusals that leave neither file nor payment behind,
// the sender checks, the cover sheet on paper and the payment lines of the command line.
#include "club.h"
#include "data/connection.h"
#include "data/errors.h"
#include "data/paymentstore.h"
#include "filesizelimit.h"
#include "fees/feepayments.h"
#include "payments/coversheetlayout.h"
#include "payments/dtausrun.h"
#include "payments/dtauswriter.h"
#include "payments/runfiles.h"
#include "printing/recordingcanvas.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <QSaveFile>

using namespace ferolind;

namespace {

// A club with two fee classes and three direct-debit members (24, 36, 24 euro) and one
// member without direct debit; the run writes into the club's folder.
struct RunClub : ::testing::Test {
    test::Club club;
    DtausWriter writer;
    DtausRunInput input;

    void SetUp() override {
        Dataset& classes = club.data->feeClasses();
        for (const auto& [name, fee] : {std::pair{"Jugend", "24,00"}, std::pair{"Erwachsene", "36,00"}}) {
            classes.insert();
            classes.setText("Name", name);
            classes.setText("Beitrag", fee);
            ASSERT_TRUE(classes.post());
        }
        addDebitMember("1", "Anna", "Jugend", "Anna Müller", "37040044", "532013000");
        addDebitMember("2", "Bert", "Erwachsene", "Bert Groß", "50010517", "5410041");
        addDebitMember("3", "Carl", "Jugend", "Carl Öhler", "37050198", "12345678");
        club.addMember({{"ID", "4"}, {"Vorname", "Dora"}, {"Nachname", "Bar"}, {"Betrag", "Jugend"}});
        club.data->settings().DbSettingSetInt(kPaymentPeriodEntry, int(PaymentPeriod::Monthly));
        club.members().applyFilter("DTAUS = true");
        input.target = QDir(club.folder()).filePath("lastschrift.txt");
        input.sender = {"Förderverein Süd", "37050198", "1234567890"};
        input.purpose = "Beitrag Kürbisfest";
        input.periodKind = int(PaymentPeriod::Monthly);
        input.yearText = "2026";
        input.periodText = "3";
    }
    void addDebitMember(const char* id, const char* first, const char* feeClass, const char* holder,
                        const char* bank, const char* account) {
        club.addMember({{"ID", id}, {"Vorname", first}, {"Nachname", "Beispiel"}, {"Betrag", feeClass},
                        {"Kontoinhaber", holder}, {"Bankleitzahl", bank}, {"Kontonummer", account},
                        {"DTAUS", "Wahr"}});
    }
    int paymentRows() { return test::rawSql(club.folder(), {"SELECT COUNT(*) FROM betrag"}).toInt(); }
    QByteArray file(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    DtausRunResult run() { return runDtaus(*club.session, writer, input); }
    // Sets a field of a member in the file, past the member rules (as an import or an
    // older program could have left it), and reads the members again.
    void change(int id, const char* field, const QString& text) {
        const QString value = text.isEmpty() ? QString("NULL") : "'" + text + "'";
        test::rawSql(club.folder(), {QString("UPDATE mitglieder SET \"%1\" = %2 WHERE ID = %3").arg(field, value).arg(id)});
        club.members().requery();
        club.members().applyFilter("DTAUS = true");
    }
};

TEST_F(RunClub, ThreeMembersGiveTheFileAndTheirPaymentsInOneGo) {
    input.recordPayments = true;
    const DtausRunResult r = run();
    const QByteArray f = file(input.target);
    ASSERT_EQ(f.size(), 128 + 3 * 256 + 128);
    const QByteArray e = f.right(128);
    EXPECT_EQ(e.mid(10, 7), "0000003");
    EXPECT_EQ(e.mid(64, 13), "0000000008400");
    // Direct debits: "LK" and the text key 05000 in every C record, no disk number.
    EXPECT_EQ(f.mid(5, 2), "LK");
    for (int c = 0; c < 3; ++c) EXPECT_EQ(f.mid(128 + c * 256 + 44, 5), "05000");
    EXPECT_EQ(f.mid(56, 4), "    ");
    // Umlauts of the sender and holders replaced before the writer; the purpose keeps
    // them, in code page 437 for this file name.
    EXPECT_EQ(f.mid(23, 27), QByteArray("FOERDERVEREIN SUED").leftJustified(27, ' '));
    EXPECT_EQ(f.mid(128 + 93, 27), QByteArray("ANNA MUELLER").leftJustified(27, ' '));
    EXPECT_EQ(f.mid(128 + 256 + 93, 27), QByteArray("BERT GROSS").leftJustified(27, ' '));
    EXPECT_EQ(f.mid(128 + 128 + 27, 27), QByteArray("BEITRAG K\x9aRBISFEST").leftJustified(27, ' '));

    EXPECT_EQ(r.payments, 3);
    EXPECT_EQ(r.amount, 84 * kMoneyUnit);
    EXPECT_EQ(r.recorded, 3);
    EXPECT_EQ(paymentRows(), 3);
    for (int id : {1, 2, 3}) EXPECT_TRUE(club.rules().IsFeePaid(id, 0, 2026, 3)) << id;
    EXPECT_FALSE(club.rules().IsFeePaid(4, 0, 2026, 3));
    EXPECT_EQ(writer.state(), DtausWriter::State::Idle);
    EXPECT_EQ(writer.RecordCount(), 3) << "the cover sheet shows the last run";
}

TEST_F(RunClub, DtausNullFileNameGivesDinCodesAndTheRunOrderIsTheDatasets) {
    input.target = QDir(club.folder()).filePath("DTAUS0.TXT");
    input.sender.name = "Müller";
    club.members().setSort("Kontonummer");  // text order: 12345678, 532013000, 5410041
    run();
    const QByteArray f = file(input.target);
    EXPECT_EQ(f.mid(23, 27), QByteArray("MUELLER").leftJustified(27, ' '));
    EXPECT_EQ(f.mid(128 + 128 + 27, 27), QByteArray("BEITRAG K]RBISFEST").leftJustified(27, ' '));
    EXPECT_EQ(f.mid(128 + 21, 10), "0012345678");
    EXPECT_EQ(f.mid(128 + 256 + 21, 10), "0532013000");
    EXPECT_EQ(f.mid(128 + 512 + 21, 10), "0005410041");
    EXPECT_EQ(paymentRows(), 0) << "no payments without the choice";
}

TEST_F(RunClub, YearlyPaymentsIgnoreThePeriodBox) {
    input.recordPayments = true;
    input.periodKind = int(PaymentPeriod::Yearly);
    input.periodText = "kein Monat";
    EXPECT_EQ(run().recorded, 3);
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT COUNT(*) FROM betrag WHERE Jahr = 2026 AND Monat = 0 AND Quartal = 0"})
                  .toInt(),
              3);
}

// A member the run cannot take stops it before anything is written: no file (an earlier
// one stays as it was), no payment for the members before it, the member named; and the
// next run works.
TEST_F(RunClub, ABadMemberStopsTheRunWithNothingWrittenAndTheNextRunStartsCleanly) {
    struct Case {
        const char* field;
        const char* value;
        QString message;
    };
    const Case cases[] = {
        {"Betrag", "Senioren", "Die Beitragsklasse „Senioren“ gibt es nicht."},
        {"Betrag", "", "Das Mitglied hat keine Beitragsklasse."},
        {"Kontonummer", "12 34", "Die Kontonummer „12 34“ ist keine ganze Zahl."},
        {"Kontonummer", "9", dtausmsg::Account},
        {"Bankleitzahl", "3704004", dtausmsg::BankCode},
        {"Kontoinhaber", "", dtausmsg::Name},
    };
    {
        QSaveFile earlier(input.target);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier file");
        ASSERT_TRUE(earlier.commit());
    }
    input.recordPayments = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + "=" + c.value);
        const QString before = [&] {
            Dataset& m = club.members();
            m.clearFilter();
            m.locate("ID", {3});
            const QString t = m.text(c.field);
            m.applyFilter("DTAUS = true");
            return t;
        }();
        change(3, c.field, c.value);
        try {
            run();
            ADD_FAILURE() << "the run went through";
        } catch (const DataError& e) {
            EXPECT_TRUE(e.message().startsWith("Mitglied Nr. 3 (Carl Beispiel): ")) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(c.message)) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains("keine Datei erstellt und kein Beitrag gebucht"));
        }
        EXPECT_EQ(file(input.target), "earlier file");
        EXPECT_EQ(paymentRows(), 0);
        EXPECT_EQ(club.data->feePayments().totalCount(), 0);
        EXPECT_EQ(writer.state(), DtausWriter::State::Idle);
        change(3, c.field, before);
    }
    // The writer is ready again.
    EXPECT_EQ(run().recorded, 3);
    EXPECT_EQ(file(input.target).size(), 1024);
}

TEST_F(RunClub, AnUnwritableTargetRecordsNoPayment) {
    input.recordPayments = true;
    input.target = QDir(club.folder()).filePath("fehlt/lastschrift.txt");
    try {
        run();
        ADD_FAILURE() << "the run went through";
    } catch (const DataError& e) {
        EXPECT_EQ(e.message(), "Der Ordner »" + QDir(club.folder()).filePath("fehlt") +
                                   "« ist nicht vorhanden.\nEs wurde keine Datei erstellt und kein Beitrag gebucht.");
    }
    EXPECT_EQ(paymentRows(), 0);
    EXPECT_EQ(club.data->feePayments().totalCount(), 0);
    EXPECT_EQ(writer.state(), DtausWriter::State::Idle);
}

TEST_F(RunClub, MembersWhoPaidThePeriodAreLeftOutAndNamed) {
    club.addPayment(2, 2026, 3);
    input.recordPayments = true;
    const DtausRunResult r = run();
    EXPECT_EQ(r.payments, 2);
    EXPECT_EQ(r.alreadyPaid, QStringList{"Nr. 2 (Bert Beispiel)"});
    EXPECT_EQ(file(input.target).size(), 128 + 2 * 256 + 128);
    EXPECT_EQ(paymentRows(), 3);
    EXPECT_TRUE(dtausRunSummary(r).contains("Nr. 2 (Bert Beispiel)"));
    // A second run of the same period finds everybody paid: refused, the file stays.
    const QByteArray first = file(input.target);
    try {
        run();
        ADD_FAILURE() << "the second run went through";
    } catch (const DataError& e) {
        EXPECT_TRUE(e.message().contains("schon bezahlt")) << e.message().toStdString();
    }
    EXPECT_EQ(file(input.target), first);
    EXPECT_EQ(paymentRows(), 3);
    // Without recording the payments, the run does not look at them.
    input.recordPayments = false;
    EXPECT_EQ(run().payments, 3);
}

TEST_F(RunClub, SenderTargetAndPeriodAreCheckedBeforeAnyMember) {
    struct Case {
        DtausSender sender;
        QString target, year, period, message;
    };
    const QString ok = QDir(club.folder()).filePath("x.txt");
    const Case cases[] = {
        {{"", "37050198", "1234567890"}, ok, "2026", "3", dtausrunmsg::SenderName},
        {{"Verein", "3705019", "1234567890"}, ok, "2026", "3", dtausrunmsg::SenderBankCode},
        {{"Verein", "100000000", "1234567890"}, ok, "2026", "3", dtausrunmsg::SenderBankCode},
        {{"Verein", "3705 0198", "1234567890"}, ok, "2026", "3", dtausrunmsg::SenderBankCode},
        {{"Verein", "37050198", "9"}, ok, "2026", "3", dtausrunmsg::SenderAccount},
        {{"Verein", "37050198", "10000000000"}, ok, "2026", "3", dtausrunmsg::SenderAccount},
        {{"Verein", "37050198", "12a"}, ok, "2026", "3", dtausrunmsg::SenderAccount},
        {{"Verein", "37050198", "1234567890"}, "", "2026", "3", dtausrunmsg::NoTarget},
        {{"Verein", "37050198", "1234567890"}, club.folder() + "/", "2026", "3", dtausrunmsg::NoTarget},
        {{"Verein", "37050198", "1234567890"}, ok, "zwei", "3", notAWholeNumberMessage("zwei")},
        {{"Verein", "37050198", "1234567890"}, ok, "2026", "13", "13 ist kein gültiger Monat (1 bis 12)."},
    };
    input.recordPayments = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        input.sender = c.sender;
        input.target = c.target;
        input.yearText = c.year;
        input.periodText = c.period;
        try {
            run();
            ADD_FAILURE() << "accepted";
        } catch (const DataError& e) {
            EXPECT_EQ(e.message(), c.message);
        }
        EXPECT_FALSE(QFile::exists(ok));
        EXPECT_EQ(paymentRows(), 0);
    }
}

TEST(DtausRunTexts, UmlautsNumbersTargetsAndListColumns) {
    EXPECT_EQ(replaceUmlauts("Äpfel Öl Über äöü Straße"), "Aepfel Oel Ueber aeoeue Strasse");
    for (const auto& [text, ok] : {std::pair{"", true}, {"37050198", true}, {"-5", true}, {"3705 0198", false},
                                   {" 37050198", false}, {"12a", false}, {"+", false}, {"99999999999999999999", false}})
        EXPECT_EQ(bankCodeFieldAcceptable(QString::fromLatin1(text)), ok) << text;
    EXPECT_EQ(splitDtausTarget("/tmp/daten/DTAUS0.TXT").folder, "/tmp/daten");
    EXPECT_EQ(splitDtausTarget("/tmp/daten/DTAUS0.TXT").fileName, "DTAUS0.TXT");
    EXPECT_EQ(splitDtausTarget("/tmp/daten/").fileName, "");
    EXPECT_EQ(splitDtausTarget("").fileName, "");
    EXPECT_EQ(dtausYearItems(QDate(2026, 6, 1)).first(), "2021");
    EXPECT_EQ(dtausYearItems(QDate(2026, 6, 1)).size(), 11);

    QStringList on;
    for (bool status : {false, true}) {
        const auto cols = dtausListColumns(status);
        on.clear();
        for (int c = 0; c < printing::kMemberPrintColumns; ++c)
            if (cols[c]) on << printing::memberPrintCaptions()[c];
        QStringList expected = {"Mitgliedsnr.", "Vorname", "Nachname", "Kontonr.", "Kontoinh.", "BLZ", "Bank", "Beitrag"};
        if (status) expected.insert(3, "Status");
        EXPECT_EQ(on, expected);
    }
}

TEST(DtausPaymentLines, FieldsAndRefusals) {
    const DtausPaymentLine p = parseDtausPaymentLine("Anna Berg\t37040044\t532013000\t1.234,56\tBeitrag\tMärz\r", 1);
    EXPECT_EQ(p.name, "Anna Berg");
    EXPECT_EQ(p.bankCode, 37040044);
    EXPECT_EQ(p.account, 532013000);
    EXPECT_EQ(p.amount, 123456 * 100);
    EXPECT_EQ(p.purpose, (QStringList{"Beitrag", "März"}));
    EXPECT_TRUE(parseDtausPaymentLine("A\t1\t2\t3", 1).purpose.isEmpty());
    for (const char* bad : {"Anna\t37040044\t532013000", "Anna\tBLZ\t532013000\t1,00", "Anna\t37040044\t53 2\t1,00",
                            "Anna\t37040044\t532013000\tzwölf"}) {
        try {
            parseDtausPaymentLine(QString::fromUtf8(bad), 7);
            ADD_FAILURE() << bad;
        } catch (const DataError& e) {
            EXPECT_TRUE(e.message().startsWith("Zeile 7: ")) << e.message().toStdString();
        }
    }
}

TEST(CoverSheetLayout, TheWritersSheetAtItsPlacesOnceAPage) {
    DtausWriter w;
    w.AuftraggeberName = "VEREIN";
    const QVector<CoverSheetItem> sheet = w.coverSheet();
    printing::CoverSheetLayout layout(sheet, 2);
    printing::RecordingCanvas canvas;
    // A4 at 600 dpi: 4961 x 7016 device units, 2.362 per tenth of a millimetre.
    EXPECT_EQ(layout.drawPage(canvas, 4961, 7016, 1), 0);
    int texts = 0, lines = 0;
    for (const printing::DrawnItem& d : canvas.items) {
        if (d.kind == printing::DrawnItem::Text) {
            const CoverSheetItem& s = sheet[texts + lines];
            EXPECT_EQ(d.text, s.text);
            EXPECT_EQ(d.x, printing::N(s.x * 4961 / 2100.0));
            EXPECT_EQ(d.y, printing::N(s.y * 7016 / 2970.0));
            EXPECT_EQ(d.family, kCoverSheetFont);
            EXPECT_EQ(d.v, printing::VAlign::Top);
            ++texts;
        } else {
            ++lines;
        }
    }
    EXPECT_EQ(texts + lines, sheet.size());
    EXPECT_EQ(lines, 2);
    EXPECT_EQ(layout.drawPage(canvas, 4961, 7016, 2), 2) << "the second copy is the last page";

    QTemporaryDir dir;
    const QString pdf = dir.filePath("beiblatt.pdf");
    printing::writeCoverSheetPdf(w, 2, pdf);
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5) == "%PDF-");
}

// Hidden files beside the target: temporary and staged copies a run must not leave.
QStringList hiddenFiles(const QString& folder) {
    QStringList hidden = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    hidden.removeIf([](const QString& n) { return !n.startsWith('.'); });
    return hidden;
}

TEST_F(RunClub, AMemberAnotherWorkstationBookedMeanwhileIsLeftOutOfTheFileAndNamed) {
    input.recordPayments = true;
    // Stored past this program's tables after it read them.
    test::rawSql(club.folder(), {"INSERT INTO betrag (Mitgliedsnummer, Jahr, Monat, Quartal) VALUES (2, 2026, 3, 0)"});
    const DtausRunResult r = run();
    EXPECT_EQ(r.payments, 2);
    EXPECT_EQ(r.recorded, 2);
    EXPECT_EQ(r.amount, 48 * kMoneyUnit);
    EXPECT_EQ(r.alreadyPaid, QStringList{"Nr. 2 (Bert Beispiel)"});
    const QByteArray f = file(input.target);
    ASSERT_EQ(f.size(), 128 + 2 * 256 + 128);
    EXPECT_EQ(f.right(128).mid(10, 7), "0000002");
    EXPECT_EQ(f.right(128).mid(64, 13), "0000000004800");
    EXPECT_FALSE(f.contains("BERT GRO"));
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT COUNT(*) FROM betrag WHERE Mitgliedsnummer = 2"}).toInt(), 1);
    EXPECT_EQ(paymentRows(), 3);
    EXPECT_TRUE(dtausRunSummary(r).contains("Nicht eingezogen, da der Beitrag schon bezahlt ist (1)"));
    // Everybody paid in the file: refused, nothing written.
    QFile::remove(input.target);
    EXPECT_THROW(run(), DataError);
    EXPECT_FALSE(QFile::exists(input.target));
    EXPECT_EQ(paymentRows(), 3);
}

TEST_F(RunClub, ARunWhoseRecordCannotBeStoredLeavesTheEarlierFileAndNoPayment) {
    {
        QFile earlier(input.target);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier file");
    }
    test::rawSql(club.folder(), {"CREATE TABLE Lastschriftdateien (ID INTEGER PRIMARY KEY AUTOINCREMENT, Art TEXT, "
                                 "Ziel TEXT, Zwischendatei TEXT, Inhalt BLOB, Erstellt TEXT)",
                                 "CREATE TRIGGER refuse BEFORE INSERT ON Lastschriftdateien BEGIN SELECT "
                                 "RAISE(ABORT, 'kein Platz'); END"});
    input.recordPayments = true;
    try {
        run();
        ADD_FAILURE() << "the run went through";
    } catch (const DataError& e) {
        EXPECT_TRUE(e.message().startsWith("Die Lastschriftdatei kann nicht vermerkt werden")) << e.message().toStdString();
        EXPECT_TRUE(e.message().endsWith("Es wurde keine Datei erstellt und kein Beitrag gebucht."))
            << e.message().toStdString();
        EXPECT_FALSE(e.message().contains("entfernt"));
    }
    EXPECT_EQ(file(input.target), "earlier file");
    EXPECT_EQ(paymentRows(), 0);
    EXPECT_EQ(club.data->feePayments().totalCount(), 0);
    EXPECT_EQ(hiddenFiles(club.folder()), QStringList());
    EXPECT_FALSE(runFilesPending(*club.data));
}

// A record a crash left after the commit: written again, the same bytes, once; a target
// that cannot be written keeps its record and says why.
TEST_F(RunClub, ARecordedRunFileIsWrittenAgainFromTheClubFile) {
    Connection& c = *club.data->connection();
    const QString missing = QDir(club.folder()).filePath("fehlt/lastschrift.txt");
    {
        Transaction tx(&c);
        addPendingRunFile(c, {0, "DTAUS", input.target, QString(), QByteArray("A\0B", 3), "2026-03-10T12:30:00"});
        addPendingRunFile(c, {0, "SEPA", missing, QString(), "<xml/>", "2026-03-10T12:31:00"});
        tx.commit();
    }
    {
        QFile earlier(input.target);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier file");
    }
    PendingRunFilesWritten r = writePendingRunFiles(*club.data);
    EXPECT_EQ(r.written, 1);
    EXPECT_EQ(r.failed, 1);
    ASSERT_EQ(r.lines.size(), 2);
    EXPECT_EQ(r.lines[0], "Der Lastschriftlauf (DTAUS) vom 10.03.2026 12:30 war nicht abgeschlossen: seine Datei „" +
                              input.target + "“ wurde aus dem Vermerk im Verein geschrieben.");
    EXPECT_TRUE(r.lines[1].contains("Der Ordner »" + QDir(club.folder()).filePath("fehlt") + "« ist nicht vorhanden"))
        << r.lines[1].toStdString();
    EXPECT_EQ(file(input.target), QByteArray("A\0B", 3));
    EXPECT_EQ(pendingRunFileCount(c), 1);
    // The folder is there now: the second file follows, and then nothing is left to do.
    ASSERT_TRUE(QDir(club.folder()).mkdir("fehlt"));
    r = writePendingRunFiles(*club.data);
    EXPECT_EQ(r.written, 1);
    EXPECT_EQ(r.failed, 0);
    EXPECT_EQ(file(missing), "<xml/>");
    EXPECT_TRUE(writePendingRunFiles(*club.data).lines.isEmpty());
    EXPECT_EQ(file(input.target), QByteArray("A\0B", 3));
}

// An older run's file that was never written is replaced by a newer run to the same
// target, as the file itself would have been: the old bytes never come back over it.
TEST_F(RunClub, ANewerRunReplacesAnOlderUnwrittenFileOfTheSameTarget) {
    Connection& c = *club.data->connection();
    {
        Transaction tx(&c);
        addPendingRunFile(c, {0, "DTAUS", QFileInfo(input.target).absoluteFilePath(), QString(), "older run",
                              "2026-03-09T08:00:00"});
        tx.commit();
    }
    input.recordPayments = true;
    const DtausRunResult r = run();
    EXPECT_TRUE(dtausRunSummary(r).contains("Die nie geschriebene Datei des Laufs vom 09.03.2026 08:00"))
        << dtausRunSummary(r).toStdString();
    EXPECT_EQ(file(input.target).size(), 128 + 3 * 256 + 128);
    EXPECT_EQ(pendingRunFileCount(c), 0);
    EXPECT_TRUE(writePendingRunFiles(*club.data).lines.isEmpty());
    EXPECT_EQ(file(input.target).size(), 128 + 3 * 256 + 128);
}

// A full disk: the writer's file and the cover sheet say so in German and leave an
// earlier file as it was and no empty one.
TEST_F(RunClub, AFullDiskGivesTheCauseForTheFileAndTheCoverSheet) {
    const QString pdf = QDir(club.folder()).filePath("beiblatt.pdf");
    const QString dtaus = QDir(club.folder()).filePath("DTAUS0.TXT");
    for (const QString& target : {dtaus, pdf}) {
        QFile earlier(target);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier file");
    }
    DtausWriter w;
    w.setPath(club.folder());
    w.AuftraggeberName = "VEREIN";
    w.AuftraggeberBLZ = 37050198;
    w.AuftraggeberKontoNr = 1234567890;
    w.setLastschriften(true);
    ASSERT_TRUE(w.Start());
    ASSERT_TRUE(w.AddPayment("ANNA", "BEITRAG", 24 * kMoneyUnit, 37040044, 532013000));
    const struct {
        const char* name;
        std::function<void()> write;
        QString path;
    } cases[] = {{"file", [&] { w.Finish(); }, dtaus},
                 {"cover sheet", [&] { printing::writeCoverSheetPdf(w, 1, pdf); }, pdf}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString message;
        {
            test::FileSizeLimit full(300);
            try {
                c.write();
            } catch (const DataError& e) {
                message = e.message();
            }
        }
        EXPECT_EQ(message, "Die Datei »" + c.path + "« wird zu groß für den Datenträger oder das erlaubte Maß.");
        EXPECT_EQ(file(c.path), "earlier file");
    }
    EXPECT_EQ(hiddenFiles(club.folder()), QStringList());
    // With room again both are written whole.
    w.Finish();
    EXPECT_EQ(file(dtaus).size(), 128 + 256 + 128);
    printing::writeCoverSheetPdf(w, 1, pdf);
    EXPECT_TRUE(file(pdf).startsWith("%PDF-"));
}

}  // namespace
