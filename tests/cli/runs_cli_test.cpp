// Fee payments and direct-debit runs of several ferolind-cli processes on one club, and
// runs killed at each step of writing their file: a period is paid once whoever stores
// it, and a run's file and its payments are there together or not at all. A third
// connection holds the write lock while the processes start, so that both have read the
// club before either stores anything.
#include "club.h"
#include "data/database.h"
#include "payments/sepawriter.h"
#include "testsupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <memory>

using namespace ferolind;

namespace {

constexpr int kMembers = 20;

struct Ended {
    int code = -1;
    bool killed = false;
    QString out, err;
};

struct RunsCli : ::testing::Test {
    QTemporaryDir dir;
    const QString date = earliestCollectionDate(QDate::currentDate()).toString("dd.MM.yyyy");

    QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }
    QByteArray file(const QString& name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString sql(const QString& statement) { return test::rawSql(dir.path(), {statement}).toString(); }
    int count(const QString& table) { return sql("SELECT COUNT(*) FROM " + table).toInt(); }
    // Hidden files left beside the targets (temporary and staged copies).
    QStringList leftovers() const {
        QStringList hidden = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        hidden.removeIf([](const QString& n) { return !n.startsWith('.'); });
        return hidden;
    }

    std::unique_ptr<QProcess> start(const QStringList& args, const QString& killAt = {}) {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (killAt.isEmpty())
            env.remove("FEROLIND_KILL_AT");
        else
            env.insert("FEROLIND_KILL_AT", killAt);
        p->setProcessEnvironment(env);
        p->start(QStringLiteral(FEROLIND_CLI_PATH), QStringList{"--db", dir.path()} + args);
        p->waitForStarted();
        return p;
    }
    static Ended finish(QProcess& p) {
        p.waitForFinished(30000);
        return {p.exitCode(), p.exitStatus() == QProcess::CrashExit, QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
    Ended cli(const QStringList& args, const QString& killAt = {}) { return finish(*start(args, killAt)); }

    // Starts the commands while another connection holds the write lock, and lets go
    // after they have read the club and wait for it.
    QVector<Ended> meeting(const QList<QStringList>& commands) {
        QSqlDatabase holder = openConnection(dir.path(), "holder");
        QVector<Ended> ended;
        {
            QSqlQuery q(holder);
            EXPECT_TRUE(q.exec("BEGIN IMMEDIATE"));
            std::vector<std::unique_ptr<QProcess>> running;
            for (const QStringList& c : commands) running.push_back(start(c));
            QThread::msleep(1500);
            EXPECT_TRUE(q.exec("COMMIT"));
            for (auto& p : running) ended << finish(*p);
        }
        closeConnection(holder);
        return ended;
    }
    std::pair<Ended, Ended> meeting(const QStringList& a, const QStringList& b) {
        const QVector<Ended> e = meeting(QList<QStringList>{a, b});
        return {e[0], e[1]};
    }

    QStringList dtausRun(const QString& target) const {
        return {"dtaus", "run", "--out", path(target), "--sender-name", "Verein", "--sender-blz", "37050198",
                "--sender-account", "1234567890", "--purpose", "Beitrag", "--book-year", "2030"};
    }
    QStringList sepaRun(const QString& target) const {
        return {"sepa", "write", "--out", path(target), "--date", date, "--book-year", "2030", "--creditor-name",
                "Verein", "--creditor-iban", "DE02 5001 0517 0137 0750 30", "--creditor-bic", "INGDDEFFXXX",
                "--creditor-id", "DE98ZZZ09999999999"};
    }

    void SetUp() override {
        test::clearUserSettings();
        ASSERT_EQ(cli({"create"}).code, 0);
        QStringList statements{"INSERT INTO beitragsklassen (Name, Beitrag) VALUES ('Erwachsene', 600000)",
                               "INSERT INTO blob (Name, Inhalt) VALUES ('Zahlungszeitraum', '2')"};
        for (int i = 1; i <= kMembers; ++i)
            statements << QStringLiteral("INSERT INTO mitglieder (ID, Vorname, Nachname, Betrag, Kontoinhaber, "
                                         "Bankleitzahl, Kontonummer, DTAUS, EintrittDatum) VALUES (%1, 'Vor', 'Nach%1', "
                                         "'Erwachsene', 'Inhaber %1', 37040044, '532013000', 1, '2010-04-01')")
                              .arg(i);
        test::rawSql(dir.path(), statements);
        // Opened once, so that the next opening writes nothing (the indexes are made now)
        // and the processes that meet read the club before they wait for the lock.
        ASSERT_EQ(cli({"members", "stats"}).code, 0);
    }
};

// A complete DTAUS file of n payments (short purposes: one 256-byte C record each),
// its E record counting n.
bool completeDtaus(const QByteArray& f, int n) {
    return f.size() == 128 + n * 256 + 128 && f.mid(f.size() - 128, 5) == "0128E" &&
           f.mid(f.size() - 128 + 10, 7) == QByteArray::number(n).rightJustified(7, '0');
}
bool completeSepa(const QByteArray& f, int n) {
    return f.trimmed().endsWith("</Document>") && f.count(QByteArray("<NbOfTxs>") + QByteArray::number(n) + "</NbOfTxs>") == 2 &&
           f.count("<DrctDbtTxInf>") == n;
}

TEST_F(RunsCli, AFeePaidFromTwoProcessesAtOnceIsStoredAndBookedOnce) {
    // Two processes for each of four members, all at once.
    constexpr int kPairs = 4;
    QList<QStringList> commands;
    for (int m = 1; m <= kPairs; ++m)
        for (int twice = 0; twice < 2; ++twice)
            commands << QStringList{"fees", "pay", "--member", QString::number(m), "--year", "2030", "--book", "Kasse"};
    const QVector<Ended> ended = meeting(commands);
    for (int m = 0; m < kPairs; ++m) {
        SCOPED_TRACE(m + 1);
        const Ended& a = ended[2 * m];
        const Ended& b = ended[2 * m + 1];
        EXPECT_EQ(a.code + b.code, 1) << a.err.toStdString() << b.err.toStdString();
        const Ended& refused = a.code == 1 ? a : b;
        EXPECT_TRUE(refused.err.contains("schon gebucht")) << refused.err.toStdString();
    }
    EXPECT_EQ(count("betrag"), kPairs);
    EXPECT_EQ(sql("SELECT COUNT(DISTINCT Mitgliedsnummer) FROM betrag").toInt(), kPairs);
    EXPECT_EQ(count("buchung"), kPairs);
    EXPECT_EQ(cli({"balances"}).out, "Kasse\t240,00 €\n");
}

TEST_F(RunsCli, TwoRunsOfOnePeriodAtOnceDebitAndRecordEveryMemberOnce) {
    const struct {
        const char* name;
        QStringList a, b;
        bool (*complete)(const QByteArray&, int);
    } cases[] = {{"DTAUS", dtausRun("a.txt"), dtausRun("b.txt"), completeDtaus},
                 {"SEPA", sepaRun("a.xml"), sepaRun("b.xml"), completeSepa}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sql("DELETE FROM betrag");
        const auto [a, b] = meeting(c.a, c.b);
        EXPECT_EQ(count("betrag"), kMembers);
        EXPECT_EQ(sql("SELECT COUNT(DISTINCT Mitgliedsnummer) FROM betrag").toInt(), kMembers);
        // One run took everybody; the other found all paid and wrote nothing.
        EXPECT_EQ(a.code + b.code, 1) << a.err.toStdString() << b.err.toStdString();
        const Ended& refused = a.code == 1 ? a : b;
        EXPECT_TRUE(refused.err.contains("schon bezahlt")) << refused.err.toStdString();
        QFile written(a.code == 0 ? c.a[3] : c.b[3]);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_TRUE(c.complete(written.readAll(), kMembers));
        EXPECT_FALSE(QFile::exists(a.code == 0 ? c.b[3] : c.a[3]));
        EXPECT_EQ(leftovers(), QStringList());
    }
}

// Killed at every step of writing the file, and started again: before the commit nothing
// is stored and the earlier file is untouched; after it every payment is stored and the
// next command writes the complete file, with the earlier one kept until then.
TEST_F(RunsCli, ARunKilledAtAnyStepIsAllOrNothingOnceTheClubIsOpenedAgain) {
    const struct {
        const char* name;
        QString target;
        QStringList run;
        bool (*complete)(const QByteArray&, int);
    } kinds[] = {{"DTAUS", "lastschrift.txt", dtausRun("lastschrift.txt"), completeDtaus},
                 {"SEPA", "lastschrift.xml", sepaRun("lastschrift.xml"), completeSepa}};
    const QStringList steps = {"fdatasync:1", "rename:1", "fdatasync:2", "commit:1", "rename:2", "fdatasync:3"};
    int complete = 0, nothing = 0;
    for (const auto& k : kinds) {
        for (const QString& step : steps) {
            SCOPED_TRACE(std::string(k.name) + " " + step.toStdString());
            sql("DELETE FROM betrag");
            QFile::remove(path(k.target));
            {
                QFile earlier(path(k.target));
                ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
                earlier.write("earlier file");
            }
            const Ended killed = cli(k.run, step);
            ASSERT_TRUE(killed.killed) << killed.err.toStdString();
            const int stored = count("betrag");
            if (stored == 0) {
                EXPECT_EQ(file(k.target), "earlier file");
                ++nothing;
            } else {
                EXPECT_EQ(stored, kMembers);
            }
            // Any next command finishes an interrupted run before its own work.
            const Ended next = cli({"members", "stats"});
            EXPECT_EQ(next.code, 0) << next.err.toStdString();
            if (stored == 0) {
                EXPECT_EQ(file(k.target), "earlier file");
                EXPECT_EQ(next.err, "");
            } else {
                EXPECT_TRUE(k.complete(file(k.target), kMembers)) << file(k.target).left(200).toStdString();
                EXPECT_TRUE(next.err.contains("war nicht abgeschlossen")) << next.err.toStdString();
                EXPECT_TRUE(next.err.contains(path(k.target))) << next.err.toStdString();
                ++complete;
            }
            EXPECT_EQ(cli({"dtaus", "rewrite"}).out, "Es gibt keine Lastschriftdatei, die noch zu schreiben ist.\n");
            // The run again: all paid now, or all to be debited.
            const Ended again = cli(k.run);
            EXPECT_EQ(again.code, stored == 0 ? 0 : 1) << again.err.toStdString();
            EXPECT_EQ(count("betrag"), kMembers);
            EXPECT_TRUE(k.complete(file(k.target), kMembers));
            // No copy the killed run left stays beside the target.
            EXPECT_EQ(leftovers(), QStringList());
        }
    }
    // Both outcomes occurred: the steps lie on both sides of the commit.
    EXPECT_GT(complete, 0);
    EXPECT_GT(nothing, 0);
}

}  // namespace
