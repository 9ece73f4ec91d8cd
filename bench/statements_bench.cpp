// The bank statement import at club scale: a camt.053 statement of 5,000 entries (fees
// from members' accounts and by member number, double fees, returns of our debits,
// donors, bank fees) against a demo club of 50,000 members (FEROLIND_BENCH_MEMBERS):
// read and matched in core, and the same shown in the import screen.
#include "data/datamodule.h"
#include "data/dataset.h"
#include "democlub.h"
#include "fees/feepayments.h"
#include "payments/iban.h"
#include "session/session.h"
#include "statements/statementimport.h"
#include "statements/statementscreen.h"

#include <benchmark/benchmark.h>
#include <QDir>
#include <QFile>
#include <QTableWidget>
#include <QTemporaryDir>

namespace {

constexpr int kEntries = 5000;

struct StatementClub {
    QTemporaryDir dir;
    ferolind::demo::Size size;
    ferolind::DataModule dm;
    ferolind::Session session{dm};
    QString file;

    StatementClub() {
        size.members = qEnvironmentVariableIsSet("FEROLIND_BENCH_MEMBERS")
                           ? qEnvironmentVariableIntValue("FEROLIND_BENCH_MEMBERS")
                           : 50000;
        size.bookings = 20000;
        ferolind::demo::createDemoClub(dir.path(), size);
        dm.openFolder(dir.path());
        session.loadAfterOpen();
        file = QDir(dir.path()).filePath(QStringLiteral("auszug.xml"));
        writeStatement();
    }

    void writeStatement() {
        ferolind::Dataset& m = dm.members();
        const int fId = m.field(QStringLiteral("ID")), fBlz = m.field(QStringLiteral("Bankleitzahl")),
                  fAccount = m.field(QStringLiteral("Kontonummer")), fFirst = m.field(QStringLiteral("Vorname")),
                  fLast = m.field(QStringLiteral("Nachname")), fClass = m.field(QStringLiteral("Betrag"));
        QByteArray x;
        x += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.08\">"
             "<BkToCstmrStmt><GrpHdr><MsgId>B</MsgId><CreDtTm>2026-03-02T22:00:00</CreDtTm></GrpHdr><Stmt><Id>B</Id>"
             "<Acct><Id><IBAN>DE54100200301234567890</IBAN></Id></Acct>"
             "<Bal><Tp><CdOrPrtry><Cd>OPBD</Cd></CdOrPrtry></Tp><Amt Ccy=\"EUR\">0.00</Amt><CdtDbtInd>CRDT</CdtDbtInd>"
             "<Dt><Dt>2026-03-01</Dt></Dt></Bal>";
        for (int i = 0; i < kEntries; ++i) {
            const ferolind::RowRef r = m.recordAt((i * 7919) % m.totalCount());
            const QString id = r[fId].toString();
            const std::optional<QString> iban =
                r.isNull(fBlz) ? std::nullopt
                               : ferolind::germanIban(r[fBlz].toLongLong(), r[fAccount].toString().toLongLong());
            const ferolind::Money fee = ferolind::feeOfClass(dm, r[fClass].toString()).value_or(24 * ferolind::kMoneyUnit);
            auto decimal = [](ferolind::Money v) { return QString::number(double(v) / ferolind::kMoneyUnit, 'f', 2); };
            QString amount = decimal(fee), dir = QStringLiteral("CRDT"), name, ibanText, text, refs;
            name = r[fFirst].toString() + u' ' + r[fLast].toString();
            switch (i % 10) {
                case 0: case 1: case 2: case 3:  // from the member's account
                    ibanText = iban.value_or(QStringLiteral("DE02120300000000202051"));
                    text = QStringLiteral("Mitgliedsbeitrag");
                    break;
                case 4: case 5:  // by number from another account
                    ibanText = QStringLiteral("DE68500105175407324111");
                    name = QStringLiteral("Eltern von %1").arg(name);
                    text = QStringLiteral("Beitrag Mitgliedsnummer %1 zweimal").arg(id);
                    amount = decimal(2 * fee);
                    break;
                case 6:  // a return of our debit
                    dir = QStringLiteral("DBIT");
                    ibanText = iban.value_or(QStringLiteral("DE02120300000000202051"));
                    refs = QStringLiteral("<Refs><EndToEndId>20260216-%1</EndToEndId><MndtId>MITGL-%1</MndtId></Refs>").arg(id);
                    text = QStringLiteral("Mitgliedsbeitrag");
                    break;
                case 7: case 8:  // donors
                    ibanText = QStringLiteral("DE02120300000000202051");
                    name = QStringLiteral("Spender %1").arg(i);
                    text = QStringLiteral("Spende Jugendarbeit");
                    amount = QStringLiteral("50.00");
                    break;
                default:  // bank fees
                    dir = QStringLiteral("DBIT");
                    name.clear();
                    text = QStringLiteral("Entgelt %1").arg(i);
                    amount = QStringLiteral("4.90");
            }
            const QString party = name.isEmpty() ? QString()
                                  : dir == u"CRDT" || refs.size()
                                      ? QStringLiteral("<RltdPties><Dbtr><Pty><Nm>%1</Nm></Pty></Dbtr><DbtrAcct><Id><IBAN>%2</IBAN></Id></DbtrAcct></RltdPties>")
                                            .arg(name.toHtmlEscaped(), ibanText)
                                      : QString();
            x += QStringLiteral("<Ntry><Amt Ccy=\"EUR\">%1</Amt><CdtDbtInd>%2</CdtDbtInd><Sts><Cd>BOOK</Cd></Sts>"
                                "<BookgDt><Dt>2026-03-02</Dt></BookgDt><AcctSvcrRef>R%3</AcctSvcrRef><BkTxCd/>"
                                "<NtryDtls><TxDtls>%4%5<RmtInf><Ustrd>%6</Ustrd></RmtInf>%7</TxDtls></NtryDtls></Ntry>")
                     .arg(amount, dir)
                     .arg(i)
                     .arg(refs, party, text.toHtmlEscaped(),
                          refs.isEmpty() ? QString() : QStringLiteral("<RtrInf><Rsn><Cd>AM04</Cd></Rsn></RtrInf>"))
                     .toUtf8();
        }
        x += "<Bal><Tp><CdOrPrtry><Cd>CLBD</Cd></CdOrPrtry></Tp><Amt Ccy=\"EUR\">0.00</Amt><CdtDbtInd>CRDT</CdtDbtInd>"
             "<Dt><Dt>2026-03-02</Dt></Dt></Bal></Stmt></BkToCstmrStmt></Document>";
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write(x);
    }
};

StatementClub& club() {
    static StatementClub c;
    return c;
}

void statementReadMatch5000(benchmark::State& state) {
    StatementClub& c = club();
    int fees = 0, returns = 0;
    for (auto _ : state) {
        const ferolind::StatementMatch m = ferolind::matchStatement(c.session, ferolind::readStatementFile(c.file), "Girokonto");
        fees = returns = 0;
        for (const ferolind::Proposal& p : m.proposals) {
            fees += p.kind == ferolind::ProposalKind::Fee;
            returns += p.kind == ferolind::ProposalKind::Return;
        }
        benchmark::DoNotOptimize(m.proposals.data());
    }
    state.counters["members"] = c.size.members;
    state.counters["entries"] = kEntries;
    state.counters["fees"] = fees;
    state.counters["returns"] = returns;
}
BENCHMARK(statementReadMatch5000)->Iterations(3)->Unit(benchmark::kMillisecond);

// Read, matched and shown: the screen's table filled with every proposal.
void statementScreen5000(benchmark::State& state) {
    StatementClub& c = club();
    for (auto _ : state) {
        TKontoauszugF screen(c.session);
        screen.openFile(c.file);
        benchmark::DoNotOptimize(screen.findChild<QTableWidget*>()->rowCount());
    }
    state.counters["entries"] = kEntries;
}
BENCHMARK(statementScreen5000)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// The booking of the same statement (every proposal as made): fee payments with their
// bookings, returns, plain bookings, in one transaction, on a club of its own.
void statementBook5000(benchmark::State& state) {
    StatementClub c;
    ferolind::StatementMatch m = ferolind::matchStatement(c.session, ferolind::readStatementFile(c.file), "Girokonto");
    ferolind::StatementBooking b;
    for (auto _ : state) b = ferolind::bookStatement(c.session, m);
    state.counters["bookings"] = b.bookings;
    state.counters["fees"] = b.fees;
    state.counters["returns"] = b.returns;
}
BENCHMARK(statementBook5000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
