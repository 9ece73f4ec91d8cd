// The statement import against a club: what each kind of entry books (every booking row,
// every fee payment, every balance), in both file forms, entries imported before, the
// user's changes, the account question, and two workstations importing one statement.
#include "booking/bookingrules.h"
#include "bookings.h"
#include "club.h"
#include "data/connection.h"
#include "data/settings.h"
#include "data/statemententries.h"
#include "fees/feepayments.h"
#include "payments/separun.h"
#include "payments/sepasettings.h"
#include "statements/statementimport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace ferolind;

namespace {

const QDate kToday(2026, 3, 3);
constexpr int M = int(PaymentPeriod::Monthly);

QString fixture(const QString& name) { return QDir(QStringLiteral(FEROLIND_STATEMENT_FIXTURES)).filePath(name); }

// Every booking row of the file, in number order, as "Nr|Datum|Empf|Text|Betrag|SH|Kat|Konto".
QStringList bookingRows(const QString& folder) {
    QSqlDatabase db = openConnection(folder, QStringLiteral("rows"));
    QStringList out;
    {
        QSqlQuery q(db);
        q.exec(QStringLiteral("SELECT Buchungsnummer, Datum, \"Empfaenger/Absender\", Buchungstext, Betrag, SollHaben, "
                              "Kategorie, Bestandskonto FROM buchung ORDER BY Buchungsnummer"));
        while (q.next()) {
            QStringList cells;
            for (int i = 0; i < 8; ++i)
                cells << (i == 4 ? moneyToFixed2(q.value(i).toLongLong()) : q.value(i).toString());
            out << cells.join(u'|');
        }
    }
    closeConnection(db);
    return out;
}

// Every fee payment row as "member:year/month".
QStringList paymentRows(const QString& folder) {
    QSqlDatabase db = openConnection(folder, QStringLiteral("rows"));
    QStringList out;
    {
        QSqlQuery q(db);
        q.exec(QStringLiteral("SELECT Mitgliedsnummer, Jahr, Monat FROM betrag ORDER BY Mitgliedsnummer, Jahr, Monat"));
        while (q.next()) out << QStringLiteral("%1:%2/%3").arg(q.value(0).toInt()).arg(q.value(1).toInt()).arg(q.value(2).toInt());
    }
    closeConnection(db);
    return out;
}

struct StatementClub : ::testing::Test {
    test::Club club{kToday};
    Session& session = *club.session;
    DataModule& data = *club.data;

    void SetUp() override {
        session.bookingRules().today = [] { return kToday; };
        Dataset& c = data.feeClasses();
        c.insert();
        c.setText("Name", "Erwachsene");
        c.setText("Beitrag", "12,00");
        ASSERT_TRUE(c.post());
        club.addMember({{"ID", "1"}, {"Vorname", "Anna"}, {"Nachname", "Berg"}, {"Betrag", "Erwachsene"},
                        {"Bankleitzahl", "37040044"}, {"Kontonummer", "532013000"}});
        club.addMember({{"ID", "2"}, {"Vorname", "Carl"}, {"Nachname", "Dorn"}, {"Betrag", "Erwachsene"}});
        club.addMember({{"ID", "3"}, {"Vorname", "Eva"}, {"Nachname", "Fink"}, {"Betrag", "Erwachsene"},
                        {"Bankleitzahl", "70150000"}, {"Kontonummer", "1000345678"}, {"DTAUS", "Wahr"}});
        club.addPayment(1, 2026, 1);
        club.addPayment(1, 2026, 2);
        club.addPayment(3, 2026, 2);  // the SEPA run of 16.02.2026 recorded it
        test::addBooking(data.bookings(), "01.01.2026", "E", "500,00", "Übertrag", "Anfangsbestand", "Girokonto");
        test::addBooking(data.bookings(), "30.01.2026", "A", "4,90", "Bankgebühren", "Entgelt 01/2026", "Girokonto");
        // The bank fee's earlier booking names the bank's caption as payee: its category is learned.
        Dataset& b = data.bookings();
        b.last();
        b.edit();
        b.setValue("Empfaenger/Absender", QString::fromUtf8("Kontoführungsentgelt"));
        ASSERT_TRUE(b.post());
    }

    Money balance() { return data.settings().AccountBalanceGet("Girokonto"); }

    StatementBooking import(const QString& file, const QString& account = "Girokonto",
                            const std::function<void(StatementMatch&)>& change = {}) {
        StatementMatch m = matchStatement(session, readStatementFile(fixture(file)), account);
        for (Proposal& p : m.proposals)
            if (p.kind == ProposalKind::Booking && p.category.isEmpty() && p.payee == QString::fromUtf8("Hans Gönner"))
                p.category = "Spenden";
        if (change) change(m);
        return bookStatement(session, m);
    }
};

struct BothForms : StatementClub, ::testing::WithParamInterface<const char*> {
    QString file(const char* day) { return QStringLiteral("%1.%2").arg(day, GetParam()); }
};

TEST_P(BothForms, StatementBooksExactlyWhatEachEntryMeans) {
    const StatementBooking a = import(file("day-a"));
    EXPECT_EQ(a.bookings, 1);
    EXPECT_EQ(a.difference(), 0) << balanceComparisonText(a, "Girokonto").toStdString();

    const StatementMatch preview = matchStatement(session, readStatementFile(fixture(file("day-b"))));
    EXPECT_TRUE(preview.accountRemembered);
    EXPECT_EQ(preview.account, "Girokonto");
    QStringList kinds;
    for (const Proposal& p : preview.proposals) kinds << proposalKindText(p);
    QStringList expectedKinds = {"Schon eingelesen", "Beitrag", "Beitrag", QString::fromUtf8("Rücklastschrift"), "Buchung", "Buchung"};
    if (QString::fromLatin1(GetParam()) == u"camt.xml") expectedKinds << "Nicht gebucht";
    EXPECT_EQ(kinds, expectedKinds);
    EXPECT_EQ(preview.proposals[1].certainty, 95);  // by IBAN
    EXPECT_EQ(preview.proposals[2].certainty, 85);  // by member number
    EXPECT_EQ(preview.proposals[3].certainty, 98);  // by end-to-end id
    EXPECT_TRUE(preview.proposals[3].reason.contains("Deckung unzureichend")) << preview.proposals[3].reason.toStdString();
    EXPECT_TRUE(preview.proposals[5].reason.contains(QString::fromUtf8("Bankgebühren")));

    const StatementBooking b = import(file("day-b"), QString());
    EXPECT_EQ(b.fees, 3);
    EXPECT_EQ(b.returns, 1);
    EXPECT_EQ(b.bookings, 7);
    EXPECT_EQ(b.skipped, 0);
    EXPECT_EQ(b.balance, 5912000);
    EXPECT_EQ(b.difference(), 0);
    EXPECT_EQ(balance(), 5912000);

    const QStringList rows = bookingRows(club.folder());
    const QStringList expected = {
        "1|2026-01-01||Anfangsbestand|500,00|E|Übertrag|Girokonto",
        "2|2026-01-30|Kontoführungsentgelt|Entgelt 01/2026|4,90|A|Bankgebühren|Girokonto",
        "3|2026-03-02|Greta Hahn|Spende Sommerfest|30,00|E||Girokonto",
        "4|2026-03-02|Anna Berg|Beitragszahlung 3 - 2026|12,00|E|Beiträge|Girokonto",
        "5|2026-03-02|Carl Dorn|Beitragszahlung 1 - 2026|12,00|E|Beiträge|Girokonto",
        "6|2026-03-02|Carl Dorn|Beitragszahlung 2 - 2026|12,00|E|Beiträge|Girokonto",
        "7|2026-03-02|Eva Fink|Rücklastschrift: Deckung unzureichend|12,00|A|Rücklastschriften|Girokonto",
        "8|2026-03-02|Eva Fink|Rücklastschriftgebühr AM04|3,00|A|Bankgebühren|Girokonto",
        "9|2026-03-02|Hans Gönner|Spende Jugendarbeit|50,00|E|Spenden|Girokonto",
        "10|2026-03-02|Kontoführungsentgelt|Entgelt Kontoführung 02/2026|4,90|A|Bankgebühren|Girokonto",
    };
    QStringList want;
    for (const QString& r : expected) want << r;
    EXPECT_EQ(rows, want);
    EXPECT_EQ(paymentRows(club.folder()), QStringList({"1:2026/1", "1:2026/2", "1:2026/3", "2:2026/1", "2:2026/2"}));
    // The returned member is in arrears again; the others are not.
    EXPECT_FALSE(club.rules().IsFeePaid(3, M, 2026, 2));
    EXPECT_TRUE(club.rules().IsFeePaid(2, M, 2026, 2));
    EXPECT_EQ(arrearsFilter(session, FeePeriod{M, 2026, 2}), "ID<>1 and ID<>2");

    // The same statement again, in either form, books nothing.
    for (const char* again : {"day-b.camt.xml", "day-b.sta", "day-a.camt.xml", "day-a.sta"}) {
        const StatementMatch m = matchStatement(session, readStatementFile(fixture(again)));
        for (const Proposal& p : m.proposals)
            EXPECT_TRUE(p.kind == ProposalKind::Imported || p.kind == ProposalKind::NotBooked) << again << " " << p.entry;
        const StatementBooking n = bookStatement(session, m);
        EXPECT_EQ(n.bookings + n.fees + n.returns, 0) << again;
    }
    EXPECT_EQ(bookingRows(club.folder()), want);
    EXPECT_EQ(balance(), 5912000);
}

INSTANTIATE_TEST_SUITE_P(Forms, BothForms, ::testing::Values("camt.xml", "sta"));

TEST_F(StatementClub, WithoutAnAccountNothingIsWrittenNotEvenTheTable) {
    const BankStatement s = readStatementFile(fixture("day-b.camt.xml"));
    for (const QString& account : {QString(), QStringLiteral("Sparbuch")}) {
        const StatementMatch m = matchStatement(session, s, account);
        try {
            bookStatement(session, m);
            ADD_FAILURE() << "booked";
        } catch (const DataError& e) {
            EXPECT_TRUE(e.message().contains("Es wurde nichts gebucht")) << e.message().toStdString();
        }
    }
    EXPECT_EQ(bookingRows(club.folder()).size(), 2);
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT count(*) FROM sqlite_master WHERE name = 'Kontoauszugsposten'"}).toInt(), 0);
    EXPECT_TRUE(data.settings().DbSettingGet(statementAccountEntry(s.iban)).isEmpty());
}

// A refused booking in the middle undoes every earlier one of the statement.
TEST_F(StatementClub, ARefusedEntryUndoesTheWholeImport) {
    const Money before = balance();
    try {
        import("day-b.camt.xml", "Girokonto", [](StatementMatch& m) {
            // Anna's March fee was paid meanwhile: the fee payment is refused.
            m.proposals[1].periods = {FeePeriod{M, 2026, 1}};
        });
        ADD_FAILURE() << "booked";
    } catch (const DataError& e) {
        EXPECT_TRUE(e.message().startsWith("Posten 2")) << e.message().toStdString();
    }
    EXPECT_EQ(bookingRows(club.folder()).size(), 2);
    EXPECT_EQ(paymentRows(club.folder()), QStringList({"1:2026/1", "1:2026/2", "3:2026/2"}));
    EXPECT_EQ(balance(), before);
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT count(*) FROM sqlite_master WHERE name = 'Kontoauszugsposten'"}).toInt(), 0);
    // Nothing was recorded as imported: the next try books it.
    const StatementBooking b = import("day-b.camt.xml");
    EXPECT_EQ(b.bookings, 8);
}

TEST_F(StatementClub, RejectedAndPlainProposalsAreTheUsersChoice) {
    const StatementBooking b = import("day-b.sta", "Girokonto", [](StatementMatch& m) {
        m.proposals[1].decision = Decision::Plain;   // Anna's fee as an ordinary income
        m.proposals[3].decision = Decision::Reject;  // the return is left for later
    });
    EXPECT_EQ(b.fees, 2);
    EXPECT_EQ(b.returns, 0);
    const QStringList rows = bookingRows(club.folder());
    EXPECT_TRUE(rows.contains("4|2026-03-02|Anna Berg|Mitgliedsbeitrag Maerz|12,00|E|Beiträge|Girokonto"));
    EXPECT_EQ(paymentRows(club.folder()), QStringList({"1:2026/1", "1:2026/2", "2:2026/1", "2:2026/2", "3:2026/2"}));
    EXPECT_EQ(b.difference(), -150000) << "the rejected return is the difference";
    // The rejected entry was not recorded: a later import proposes it again.
    const StatementMatch again = matchStatement(session, readStatementFile(fixture("day-b.sta")));
    EXPECT_EQ(again.proposals[3].kind, ProposalKind::Return);
    EXPECT_EQ(again.proposals[1].kind, ProposalKind::Imported);
}

// Matching cases on single entries: (what, counterparty IBAN, text, amount, expected kind, member, periods).
TEST_F(StatementClub, FeesAreFoundByIbanNumberOrNameWithTheAmountOfTheirClass) {
    club.addMember({{"ID", "4"}, {"Vorname", "Gerd"}, {"Nachname", "Berg"}, {"Betrag", "Erwachsene"},
                    {"Bankleitzahl", "37040044"}, {"Kontonummer", "532013000"}});  // shares Anna's account
    const struct {
        const char* what;
        const char* iban;
        const char* text;
        Money amount;
        ProposalKind kind;
        int member;
        int periods;
    } cases[] = {
        {"shared account, named", "DE89370400440532013000", "Beitrag Gerd Berg", 120000, ProposalKind::Fee, 4, 1},
        {"shared account, unnamed", "DE89370400440532013000", "Beitrag", 120000, ProposalKind::Booking, 0, 0},
        {"name reversed", "DE02120300000000202051", "Dorn, Carl Beitrag", 240000, ProposalKind::Fee, 2, 2},
        {"number", "", "Mitgl.-Nr. 3", 360000, ProposalKind::Fee, 3, 3},
        {"unknown number", "", "Mitgliedsnummer 99", 120000, ProposalKind::Booking, 0, 0},
        {"not a multiple", "", "Mitgliedsnummer 2", 130000, ProposalKind::Booking, 2, 0},
        {"nothing", "DE02120300000000202051", "Spende", 120000, ProposalKind::Booking, 0, 0},
    };
    for (const auto& c : cases) {
        BankStatement s;
        s.iban = "DE54100200301234567890";
        StatementEntry e;
        e.bookingDate = QDate(2026, 3, 2);
        e.amount = c.amount;
        e.counterpartyIban = c.iban;
        e.counterpartyName = "Zahler";
        e.remittance = c.text;
        s.entries << e;
        const StatementMatch m = matchStatement(session, s, "Girokonto");
        const Proposal& p = m.proposals[0];
        EXPECT_EQ(int(p.kind), int(c.kind)) << c.what << ": " << p.reason.toStdString();
        EXPECT_EQ(p.memberId, c.member) << c.what;
        EXPECT_EQ(p.periods.size(), c.periods) << c.what;
    }
}

TEST_F(StatementClub, ReturnsAreFoundByEndToEndIdOrMandateOfOurRunsOnly) {
    storeSepaSettings(data, SepaSettings{"TSV", "DE54100200301234567890", "", "DE98ZZZ09999999999", "MITGL-",
                                         kMandateDateFromEntry, "RCUR"});
    const struct {
        const char* what;
        const char* e2e;
        const char* mandate;
        const char* creditor;
        ProposalKind kind;
        int certainty;
    } cases[] = {
        {"end-to-end id", "20260216-3", "", "", ProposalKind::Return, 98},
        {"mandate only", "", "MITGL-3", "", ProposalKind::Return, 90},
        {"mandate of no member", "", "MITGL-77", "", ProposalKind::Booking, 20},
        {"another creditor", "20260216-3", "MITGL-3", "DE11ZZZ00000000001", ProposalKind::Booking, 20},
        {"other mandate scheme", "", "ABC-3", "", ProposalKind::Booking, 20},
    };
    for (const auto& c : cases) {
        BankStatement s;
        s.iban = "DE54100200301234567890";
        StatementEntry e;
        e.bookingDate = QDate(2026, 3, 2);
        e.amount = 120000;
        e.credit = false;
        e.counterpartyName = "Eva Fink";
        e.endToEndId = c.e2e;
        e.mandateId = c.mandate;
        e.creditorId = c.creditor;
        e.returnReason = "MD06";
        s.entries << e;
        const Proposal p = matchStatement(session, s, "Girokonto").proposals[0];
        EXPECT_EQ(int(p.kind), int(c.kind)) << c.what << ": " << p.reason.toStdString();
        EXPECT_EQ(p.certainty, c.certainty) << c.what;
        if (c.kind == ProposalKind::Return) {
            EXPECT_EQ(p.reversedPeriod, "02/2026") << c.what;
            EXPECT_TRUE(p.reason.contains("Widerspruch durch den Zahler")) << c.what;
        }
    }
}

// The user names the member of an entry the matching did not recognise.
TEST_F(StatementClub, TheUserAssignsAMemberAndGetsItsFee) {
    StatementMatch m = matchStatement(session, readStatementFile(fixture("day-b.camt.xml")), "Girokonto");
    // Greta's 30,00 is no multiple of 12,00: refused, the proposal stays.
    try {
        assignMember(session, m, 0, 2);
        ADD_FAILURE() << "assigned";
    } catch (const DataError& e) {
        EXPECT_TRUE(e.message().contains("kein Vielfaches")) << e.message().toStdString();
    }
    EXPECT_EQ(m.proposals[0].kind, ProposalKind::Booking);
    EXPECT_THROW(assignMember(session, m, 4, 99), DataError);   // no such member
    EXPECT_THROW(assignMember(session, m, 3, 1), DataError);    // money that went out
    EXPECT_THROW(assignMember(session, m, 6, 1), DataError);    // not booked by the bank
    // Carl's 24,00 given to Anna (1): her own 12,00 of the statement takes March, so April and May.
    assignMember(session, m, 2, 1);
    const Proposal& p = m.proposals[2];
    EXPECT_EQ(p.kind, ProposalKind::Fee);
    EXPECT_EQ(p.memberId, 1);
    EXPECT_EQ(p.certainty, 100);
    ASSERT_EQ(p.periods.size(), 2);
    EXPECT_EQ(p.periods[0].period, 4);
    EXPECT_EQ(p.periods[1].period, 5);
    m.proposals[4].category = "Spenden";
    const StatementBooking b = bookStatement(session, m);
    EXPECT_EQ(b.fees, 3);
    EXPECT_EQ(paymentRows(club.folder()), QStringList({"1:2026/1", "1:2026/2", "1:2026/3", "1:2026/4", "1:2026/5"}));
}

// The return of a debit as our own SEPA run wrote it: found by the references of its file,
// and the payment the run recorded is taken back.
TEST_F(StatementClub, AReturnOfADebitOfOurSepaRunTakesItsPaymentBack) {
    club.addMember({{"ID", "5"}, {"Vorname", "Ida"}, {"Nachname", "Jung"}, {"Betrag", "Erwachsene"},
                    {"Bankleitzahl", "37040044"}, {"Kontonummer", "532013000"}, {"Kontoinhaber", "Ida Jung"},
                    {"EintrittDatum", "01.01.2020"}, {"DTAUS", "Wahr"}});
    SepaRunInput input;
    input.target = QDir(club.folder()).filePath("lastschrift.xml");
    input.settings = SepaSettings{"TSV", "DE54100200301234567890", "", "DE98ZZZ09999999999", "MITGL-",
                                  kMandateDateFromEntry, "RCUR"};
    input.remittance = "Mitgliedsbeitrag";
    input.collectionDate = QDate(2026, 3, 10);
    input.recordPayments = true;
    input.periodKind = M;
    input.yearText = "2026";
    input.periodText = "3";
    data.members().applyFilter("ID = 5");
    const SepaRunResult run = runSepa(session, input);
    ASSERT_EQ(run.recorded, 1);
    data.members().clearFilter();
    ASSERT_TRUE(club.rules().IsFeePaid(5, M, 2026, 3));

    QFile f(input.target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString xml = QString::fromUtf8(f.readAll());
    auto element = [&xml](const QString& name) {
        const int from = int(xml.indexOf("<" + name + ">")) + int(name.size()) + 2;
        return xml.mid(from, xml.indexOf("</" + name + ">") - from);
    };
    BankStatement s;
    s.iban = "DE54100200301234567890";
    StatementEntry e;
    e.bookingDate = QDate(2026, 3, 13);
    e.amount = 120000 + 30000;
    e.charges = 30000;
    e.credit = false;
    e.counterpartyName = "Ida Jung";
    e.returnReason = "AC04";
    e.creditorId = "DE98ZZZ09999999999";
    for (const bool byEndToEnd : {true, false}) {
        e.endToEndId = byEndToEnd ? element("EndToEndId") : QString();
        e.mandateId = byEndToEnd ? QString() : element("MndtId");
        s.entries = {e};
        const Proposal p = matchStatement(session, s, "Girokonto").proposals[0];
        EXPECT_EQ(p.kind, ProposalKind::Return) << byEndToEnd << " " << p.reason.toStdString();
        EXPECT_EQ(p.memberId, 5);
        EXPECT_EQ(p.reversedPeriod, "03/2026") << p.reason.toStdString();
        EXPECT_TRUE(p.reason.contains("Konto erloschen"));
    }
    e.endToEndId = element("EndToEndId");
    s.entries = {e};
    const Money before = balance();
    const StatementBooking b = bookStatement(session, matchStatement(session, s, "Girokonto"));
    EXPECT_EQ(b.returns, 1);
    EXPECT_EQ(b.bookings, 2);
    EXPECT_EQ(balance(), before - 150000);
    EXPECT_FALSE(club.rules().IsFeePaid(5, M, 2026, 3));
    EXPECT_FALSE(paymentRows(club.folder()).contains("5:2026/3"));
    const QStringList rows = bookingRows(club.folder());
    EXPECT_EQ(rows.mid(rows.size() - 2),
              QStringList({"3|2026-03-13|Ida Jung|Rücklastschrift: Konto erloschen|12,00|A|Rücklastschriften|Girokonto",
                           "4|2026-03-13|Ida Jung|Rücklastschriftgebühr AC04|3,00|A|Bankgebühren|Girokonto"}));
}

// A second workstation that matched the statement before the first booked it books nothing.
TEST_F(StatementClub, TwoWorkstationsNeverBookOneEntryTwice) {
    DataModule other;
    other.openFolder(club.folder());
    Session otherSession(other);
    otherSession.loadAfterOpen();
    const BankStatement s = readStatementFile(fixture("day-b.camt.xml"));
    const StatementMatch late = matchStatement(otherSession, s, "Girokonto");
    EXPECT_EQ(late.proposals[1].kind, ProposalKind::Fee);

    const StatementBooking first = bookStatement(session, matchStatement(session, s, "Girokonto"));
    EXPECT_EQ(first.bookings, 8);
    const StatementBooking second = bookStatement(otherSession, late);
    EXPECT_EQ(second.bookings, 0);
    EXPECT_EQ(second.skipped, 6);
    EXPECT_EQ(bookingRows(club.folder()).size(), 10);
    // The same entry by its reference alone, from a file the bank made anew.
    EXPECT_EQ(importedEntryKeys(*data.connection(), {"R|DE54100200301234567890|BANK-0002"}).size(), 1);
}

// Two identical entries of one statement are two payments; a second import of it is none.
TEST_F(StatementClub, IdenticalEntriesOfOneStatementAreBothBooked) {
    BankStatement s;
    s.iban = "DE54100200301234567890";
    StatementEntry e;
    e.bookingDate = QDate(2026, 3, 2);
    e.amount = 50000;
    e.counterpartyName = "Spender";
    e.remittance = "Spende";
    s.entries << e << e;
    StatementBooking b = bookStatement(session, matchStatement(session, s, "Girokonto"));
    EXPECT_EQ(b.bookings, 2);
    b = bookStatement(session, matchStatement(session, s, "Girokonto"));
    EXPECT_EQ(b.bookings, 0);
    s.entries << e;
    b = bookStatement(session, matchStatement(session, s, "Girokonto"));
    EXPECT_EQ(b.bookings, 1);
}

}  // namespace
