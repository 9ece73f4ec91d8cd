// The statement readers: the camt.053 and MT940 forms of one statement read alike, the
// balances and the account, the amounts, and the files that are refused whole.
#include "data/errors.h"
#include "statements/statement.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace ferolind;

namespace {

QString fixture(const QString& name) { return QDir(QStringLiteral(FEROLIND_STATEMENT_FIXTURES)).filePath(name); }

Money euro(double e) { return Money(e * 100 + (e >= 0 ? 0.5 : -0.5)) * 100; }

struct Expected {
    const char* reference;
    double amount;
    bool credit;
    const char* name;
    const char* iban;
    const char* remittance;
    const char* endToEnd;
    const char* mandate;
    const char* creditorId;
    const char* reason;
    double charges;
};

// The booked entries of day-b in both forms.
const Expected kDayB[] = {
    {"BANK-0001", 30.00, true, "Greta Hahn", "DE10430609670011223344", "Spende Sommerfest", "", "", "", "", 0},
    {"BANK-0002", 12.00, true, "Anna Berg", "DE89370400440532013000", "Mitgliedsbeitrag Maerz", "", "", "", "", 0},
    {"BANK-0003", 24.00, true, "Carl Dorn sen.", "DE68500105175407324111", "Beitrag Mitgliedsnummer 2 Januar und Februar",
     "", "", "", "", 0},
    {"BANK-0004", 15.00, false, "Eva Fink", "DE90701500001000345678", "Mitgliedsbeitrag", "20260216-3", "MITGL-3",
     "DE98ZZZ09999999999", "AM04", 3.00},
    {"BANK-0005", 50.00, true, "Hans Gönner", "DE02120300000000202051", "Spende Jugendarbeit", "", "", "", "", 0},
    {"BANK-0006", 4.90, false, "", "", "Entgelt Kontoführung 02/2026", "", "", "", "", 0},
};

void expectDayB(const BankStatement& s, int bookedEntries) {
    EXPECT_EQ(s.iban, "DE54100200301234567890");
    EXPECT_EQ(s.id, "STMT-2026-03-02-B");
    EXPECT_TRUE(s.hasOpening);
    EXPECT_EQ(s.opening, euro(495.10));
    EXPECT_TRUE(s.hasClosing);
    EXPECT_EQ(s.closing, euro(591.20));
    EXPECT_EQ(s.closingDate, QDate(2026, 3, 2));
    ASSERT_GE(s.entries.size(), bookedEntries);
    for (int i = 0; i < bookedEntries; ++i) {
        const StatementEntry& e = s.entries[i];
        const Expected& x = kDayB[i];
        SCOPED_TRACE(x.reference);
        EXPECT_TRUE(e.booked);
        EXPECT_EQ(e.bookingDate, QDate(2026, 3, 2));
        EXPECT_EQ(e.valueDate, QDate(2026, 3, 2));
        EXPECT_EQ(e.entryReference, x.reference);
        EXPECT_EQ(e.amount, euro(x.amount));
        EXPECT_EQ(e.credit, x.credit);
        EXPECT_EQ(e.counterpartyName, QString::fromUtf8(x.name));
        EXPECT_EQ(e.counterpartyIban, x.iban);
        EXPECT_EQ(e.remittance, QString::fromUtf8(x.remittance));
        EXPECT_EQ(e.endToEndId, x.endToEnd);
        EXPECT_EQ(e.mandateId, x.mandate);
        EXPECT_EQ(e.creditorId, x.creditorId);
        EXPECT_EQ(e.returnReason, x.reason);
        EXPECT_EQ(e.charges, euro(x.charges));
    }
    EXPECT_EQ(s.entries[5].bankText, QString::fromUtf8("Kontoführungsentgelt"));
}

TEST(StatementReaders, CamtFormReadsEveryFieldOfEveryEntry) {
    const BankStatement s = readStatementFile(fixture("day-b.camt.xml"));
    EXPECT_EQ(s.format, "camt.053.001.08");
    ASSERT_EQ(s.entries.size(), 7);
    expectDayB(s, 6);
    // The pending entry is read, but as not booked.
    EXPECT_FALSE(s.entries[6].booked);
    EXPECT_EQ(s.entries[6].amount, euro(99));
}

TEST(StatementReaders, Mt940FormReadsTheSameAsTheCamtForm) {
    const BankStatement s = readStatementFile(fixture("day-b.sta"));
    EXPECT_EQ(s.format, "MT940");
    ASSERT_EQ(s.entries.size(), 6);
    expectDayB(s, 6);
}

TEST(StatementReaders, EveryCamtFixtureIsValidAgainstTheSchema) {
    const QString xmllint = QStandardPaths::findExecutable("xmllint");
    ASSERT_FALSE(xmllint.isEmpty()) << "xmllint (libxml2-utils) is needed";
    const QStringList files = QDir(QStringLiteral(FEROLIND_STATEMENT_FIXTURES)).entryList({"*.camt.xml"}, QDir::Files);
    ASSERT_GE(files.size(), 2);
    for (const QString& f : files) {
        QProcess p;
        p.start(xmllint, {"--noout", "--schema", QStringLiteral(FEROLIND_CAMT_SCHEMA), fixture(f)});
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0) << f.toStdString() << ": " << p.readAllStandardError().toStdString();
    }
}

// The older version names parties without the Pty level and writes the status as text.
TEST(StatementReaders, CamtVersion02IsReadToo) {
    const QByteArray xml = R"(<?xml version="1.0"?>
<Document xmlns="urn:iso:std:iso:20022:tech:xsd:camt.053.001.02"><BkToCstmrStmt>
<GrpHdr><MsgId>M1</MsgId><CreDtTm>2025-10-01T20:00:00</CreDtTm></GrpHdr>
<Stmt><Id>S02</Id><Acct><Id><IBAN>DE54 1002 0030 1234 5678 90</IBAN></Id></Acct>
<Bal><Tp><CdOrPrtry><Cd>PRCD</Cd></CdOrPrtry></Tp><Amt Ccy="EUR">10.00</Amt><CdtDbtInd>DBIT</CdtDbtInd><Dt><Dt>2025-09-30</Dt></Dt></Bal>
<Bal><Tp><CdOrPrtry><Cd>CLBD</Cd></CdOrPrtry></Tp><Amt Ccy="EUR">2.5</Amt><CdtDbtInd>CRDT</CdtDbtInd><Dt><Dt>2025-10-01</Dt></Dt></Bal>
<Ntry><Amt Ccy="EUR">12.5</Amt><CdtDbtInd>CRDT</CdtDbtInd><Sts>BOOK</Sts><BookgDt><Dt>2025-10-01</Dt></BookgDt>
<ValDt><Dt>2025-10-02</Dt></ValDt><AcctSvcrRef>R9</AcctSvcrRef><BkTxCd/>
<NtryDtls><TxDtls><Refs><EndToEndId>E2E-1</EndToEndId></Refs>
<RltdPties><Dbtr><Nm>Anna
  Berg</Nm></Dbtr><DbtrAcct><Id><IBAN>DE89370400440532013000</IBAN></Id></DbtrAcct></RltdPties>
<RmtInf><Ustrd>Teil 1</Ustrd><Ustrd>Teil 2</Ustrd></RmtInf></TxDtls></NtryDtls></Ntry>
</Stmt></BkToCstmrStmt></Document>)";
    const BankStatement s = readStatementBytes(xml, "alt.xml");
    EXPECT_EQ(s.format, "camt.053.001.02");
    EXPECT_EQ(s.iban, "DE54100200301234567890");
    EXPECT_EQ(s.opening, -euro(10));
    EXPECT_EQ(s.closing, euro(2.5));
    ASSERT_EQ(s.entries.size(), 1);
    const StatementEntry& e = s.entries[0];
    EXPECT_TRUE(e.booked);
    EXPECT_EQ(e.amount, euro(12.5));
    EXPECT_EQ(e.valueDate, QDate(2025, 10, 2));
    EXPECT_EQ(e.counterpartyName, "Anna Berg");
    EXPECT_EQ(e.remittance, "Teil 1 Teil 2");
    EXPECT_EQ(e.endToEndId, "E2E-1");
    EXPECT_EQ(e.entryReference, "R9");
}

// A batch booked as one entry becomes one entry per transaction.
TEST(StatementReaders, CamtBatchIsSplitIntoItsTransactions) {
    const QByteArray xml = R"(<Document xmlns="urn:iso:std:iso:20022:tech:xsd:camt.053.001.08"><BkToCstmrStmt>
<GrpHdr><MsgId>M</MsgId><CreDtTm>2026-03-02T20:00:00</CreDtTm></GrpHdr>
<Stmt><Id>S</Id><Acct><Id><IBAN>DE54100200301234567890</IBAN></Id></Acct>
<Ntry><Amt Ccy="EUR">30.00</Amt><CdtDbtInd>CRDT</CdtDbtInd><Sts><Cd>BOOK</Cd></Sts><BookgDt><Dt>2026-03-02</Dt></BookgDt>
<AcctSvcrRef>B1</AcctSvcrRef><BkTxCd/><NtryDtls>
<TxDtls><Amt Ccy="EUR">10.00</Amt><RltdPties><Dbtr><Pty><Nm>A</Nm></Pty></Dbtr></RltdPties></TxDtls>
<TxDtls><Refs><AcctSvcrRef>B1-X</AcctSvcrRef></Refs><Amt Ccy="EUR">20.00</Amt><RltdPties><Dbtr><Pty><Nm>B</Nm></Pty></Dbtr></RltdPties></TxDtls>
</NtryDtls></Ntry></Stmt></BkToCstmrStmt></Document>)";
    const BankStatement s = readCamtStatement(xml);
    ASSERT_EQ(s.entries.size(), 2);
    EXPECT_EQ(s.entries[0].amount, euro(10));
    EXPECT_EQ(s.entries[0].counterpartyName, "A");
    EXPECT_EQ(s.entries[0].entryReference, "B1/1");
    EXPECT_EQ(s.entries[1].amount, euro(20));
    EXPECT_EQ(s.entries[1].entryReference, "B1-X");
}

TEST(StatementReaders, Mt940ReversalsDatesAcrossTheYearAndTheSwiftEnvelope) {
    const QByteArray sta = "{1:F01BANKDEFFAXXX0000000000}{2:O940}{4:\r\n:20:X\r\n:25:DE54100200301234567890\r\n"
                           ":60F:D251231EUR5,00\r\n"
                           ":61:2601011231RC1,5NMSCNONREF\r\n:86:Ohne Unterfelder\r\n"
                           ":61:251231D2,NMSCREF1//NONREF\r\n"
                           ":62M:C260101EUR0,\r\n-}";
    const BankStatement s = readMt940Statement(sta);
    EXPECT_EQ(s.iban, "DE54100200301234567890");
    EXPECT_EQ(s.opening, -euro(5));
    EXPECT_EQ(s.closing, 0);
    ASSERT_EQ(s.entries.size(), 2);
    EXPECT_FALSE(s.entries[0].credit);  // a reversed credit takes money out
    EXPECT_EQ(s.entries[0].amount, euro(1.5));
    EXPECT_EQ(s.entries[0].valueDate, QDate(2026, 1, 1));
    EXPECT_EQ(s.entries[0].bookingDate, QDate(2025, 12, 31));
    EXPECT_EQ(s.entries[0].remittance, "Ohne Unterfelder");
    EXPECT_EQ(s.entries[1].amount, euro(2));
    EXPECT_EQ(s.entries[1].entryReference, "");
    EXPECT_EQ(s.entries[1].endToEndId, "REF1");
}

// Older exports are ISO 8859-1; the subfield separator may be another character than "?".
TEST(StatementReaders, Mt940InLatin1WithAnotherSeparator) {
    const QByteArray sta = ":20:X\n:25:10020030/1234567890\n:60F:C260301EUR0,00\n"
                           ":61:260302C5,00NTRFNONREF//R1\n:86:166/00Gutschrift/20SVWZ+F\xfcr Jugend/32Hans G\xf6nner\n"
                           ":62F:C260302EUR5,00\n";
    const BankStatement s = readMt940Statement(sta);
    ASSERT_EQ(s.entries.size(), 1);
    EXPECT_EQ(s.entries[0].counterpartyName, QString::fromUtf8("Hans Gönner"));
    EXPECT_EQ(s.entries[0].remittance, QString::fromUtf8("Für Jugend"));
    EXPECT_EQ(s.entries[0].bankText, "Gutschrift");
}

// An export over several days holds one statement a day: their entries in order, the
// first opening and the last closing balance.
TEST(StatementReaders, Mt940ExportOfSeveralDaysIsOneStatement) {
    const QByteArray sta = ":20:T1\n:25:10020030/1234567890\n:60F:C260301EUR10,00\n:61:260301C1,00NTRFNONREF//A\n"
                           ":62F:C260301EUR11,00\n-\n:20:T2\n:25:10020030/1234567890\n:60F:C260301EUR11,00\n"
                           ":61:260302D2,00NTRFNONREF//B\n:62F:C260302EUR9,00\n-\n";
    const BankStatement s = readMt940Statement(sta);
    EXPECT_EQ(s.id, "T1");
    EXPECT_EQ(s.opening, euro(10));
    EXPECT_EQ(s.closing, euro(9));
    EXPECT_EQ(s.closingDate, QDate(2026, 3, 2));
    ASSERT_EQ(s.entries.size(), 2);
    EXPECT_EQ(s.entries[0].entryReference, "A");
    EXPECT_EQ(s.entries[1].entryReference, "B");
    EXPECT_FALSE(s.entries[1].credit);
}

TEST(StatementReaders, AmountsAreExactOrRefused) {
    const struct {
        const char* text;
        char separator;
        std::optional<Money> value;
    } cases[] = {
        {"12.50", '.', 125000}, {"0.01", '.', 100},       {"7", '.', 70000},        {"1234567,8", ',', 12345678000},
        {"12,", ',', 120000},   {"0.0001", '.', 1},       {"0.00001", '.', {}},     {"1.2.3", '.', {}},
        {"-5.00", '.', {}},     {"", '.', {}},            {".", '.', {}},           {"12,50", '.', {}},
        {"1e3", '.', {}},       {"9999999999999999", '.', {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseStatementAmount(QString::fromLatin1(c.text), QChar(c.separator)), c.value) << c.text;
}

TEST(StatementReaders, ForeignBrokenAndUnsupportedFilesAreRefusedInGerman) {
    const struct {
        const char* what;
        QByteArray bytes;
        const char* message;
    } cases[] = {
        {"empty", "", "ist kein Kontoauszug"},
        {"csv", "Datum;Betrag\n01.03.2026;12,00\n", "ist kein Kontoauszug"},
        {"pain.008", "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:pain.008.001.08\"/>", "camt.053.001.08"},
        {"camt.054", "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.054.001.08\"/>", "camt.053.001.08"},
        {"broken xml", "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.08\"><BkToCstmrStmt>",
         "fehlerhaft"},
        {"no statement", "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.08\"><BkToCstmrStmt/></Document>",
         "keinen Kontoauszug"},
        {"dtd", "<!DOCTYPE x [<!ENTITY a \"aaaa\">]><Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.08\"/>",
         "Dokumenttypdefinition"},
        {"dollars",
         "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.08\"><BkToCstmrStmt><Stmt><Id>1</Id><Acct><Id>"
         "<IBAN>DE54100200301234567890</IBAN></Id></Acct><Ntry><Amt Ccy=\"USD\">1.00</Amt></Ntry></Stmt>"
         "</BkToCstmrStmt></Document>",
         "nur Euro"},
        {"entry without amount",
         "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.08\"><BkToCstmrStmt><Stmt><Id>1</Id><Acct><Id>"
         "<IBAN>DE54100200301234567890</IBAN></Id></Acct><Ntry><CdtDbtInd>CRDT</CdtDbtInd></Ntry></Stmt>"
         "</BkToCstmrStmt></Document>",
         "keinen Betrag"},
        {"mt940 without closing", ":20:X\n:25:10020030/1234567890\n:60F:C260301EUR1,00\n", "Schlusssaldo"},
        {"mt940 bad turnover", ":20:X\n:25:10020030/1234567890\n:60F:C260301EUR1,00\n:61:kaputt\n:62F:C260301EUR1,00\n",
         "unlesbar"},
        {"mt940 two accounts", ":20:X\n:25:10020030/1234567890\n:60F:C260301EUR1,00\n:62F:C260301EUR1,00\n-\n:20:Y\n"
         ":25:DE89370400440532013000\n:60F:C260301EUR1,00\n:62F:C260301EUR1,00\n", "mehrerer Konten"},
        {"mt940 in dollars", ":20:X\n:25:10020030/1234567890\n:60F:C260301USD1,00\n:62F:C260301USD1,00\n", "nur Euro"},
    };
    for (const auto& c : cases) {
        try {
            readStatementBytes(c.bytes, "auszug.dat");
            ADD_FAILURE() << c.what << ": read";
        } catch (const DataError& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.message))) << c.what << ": " << e.message().toStdString();
            EXPECT_TRUE(e.message().contains("Es wurde nichts gebucht")) << c.what;
            EXPECT_TRUE(e.message().contains(u"auszug.dat")) << c.what;
        }
    }
}

TEST(StatementReaders, MissingFileAndFolderAreNamed) {
    EXPECT_THROW(readStatementFile("/nonexistent/auszug.xml"), DataError);
    try {
        readStatementFile(QStringLiteral(FEROLIND_STATEMENT_FIXTURES));
        ADD_FAILURE();
    } catch (const DataError& e) {
        EXPECT_TRUE(e.message().contains("Ordner"));
    }
}

TEST(StatementReaders, ReturnReasonsInGerman) {
    EXPECT_EQ(returnReasonText("AC04"), "Konto erloschen");
    EXPECT_EQ(returnReasonText("MD06"), "Widerspruch durch den Zahler");
    EXPECT_EQ(returnReasonText("AM04"), "Deckung unzureichend");
    EXPECT_EQ(returnReasonText("ZZ99"), QString::fromUtf8("Rückgabegrund ZZ99"));
}

}  // namespace
