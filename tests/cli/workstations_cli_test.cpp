// Several ferolind-cli processes on one club file, as several workstations are: a third
// connection holds the write lock for a moment so that they meet, and processes are killed
// right after their commit and at each of the engine's syncs. No booking number is handed
// out twice, no amount leaves or enters a balance twice, no list entry is lost, and every
// stored balance is what the recomputation gives.
#include "club.h"
#include "testsupport.h"

#include <gtest/gtest.h>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <memory>

namespace {

struct CliOutcome {
    int code;
    QString out, err;
    bool crashed;
};

// Holds the file's write lock (BEGIN IMMEDIATE) until released, as a workstation in the
// middle of a store does.
class WriteLock {
public:
    explicit WriteLock(const QString& folder) : name_(QStringLiteral("lock-%1").arg(++count_)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db.setDatabaseName(folder + QStringLiteral("/db.mdb"));
        db.open();
        QSqlQuery(db).exec(QStringLiteral("BEGIN IMMEDIATE"));
    }
    ~WriteLock() { release(); }
    void release() {
        if (name_.isEmpty()) return;
        {
            QSqlDatabase db = QSqlDatabase::database(name_);
            QSqlQuery(db).exec(QStringLiteral("COMMIT"));
            db.close();
        }
        QSqlDatabase::removeDatabase(name_);
        name_.clear();
    }

private:
    static inline int count_ = 0;
    QString name_;
};

struct Workstations : ::testing::Test {
    QTemporaryDir dir;

    QStringList args(const QStringList& a) const { return QStringList{"--db", dir.path()} + a; }
    CliOutcome cli(const QStringList& a, const QString& killAt = {}) {
        QProcess p;
        if (!killAt.isEmpty()) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("FEROLIND_KILL_AT"), killAt);
            p.setProcessEnvironment(env);
        }
        p.start(QStringLiteral(FEROLIND_CLI_PATH), args(a));
        p.waitForFinished(60000);
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError()),
                p.exitStatus() == QProcess::CrashExit};
    }
    // Several commands at once, each in its own process, started while the write lock is held.
    std::vector<CliOutcome> together(const std::vector<QStringList>& commands) {
        WriteLock lock(dir.path());
        std::vector<std::unique_ptr<QProcess>> ps;
        for (const QStringList& c : commands) {
            ps.push_back(std::make_unique<QProcess>());
            ps.back()->start(QStringLiteral(FEROLIND_CLI_PATH), args(c));
        }
        for (auto& p : ps) p->waitForStarted();
        QThread::msleep(600);  // each has read the club and waits for the lock
        lock.release();
        std::vector<CliOutcome> runs;
        for (auto& p : ps) {
            p->waitForFinished(60000);
            runs.push_back({p->exitCode(), QString::fromUtf8(p->readAllStandardOutput()),
                            QString::fromUtf8(p->readAllStandardError()), p->exitStatus() == QProcess::CrashExit});
        }
        return runs;
    }
    QVariant sql(const QString& statement) { return ferolind::test::rawSql(dir.path(), {statement}); }
    // Stored balances, then the recomputation's: equal.
    void expectBalancesAreTheRecomputation() {
        const CliOutcome stored = cli({"balances"});
        const CliOutcome recomputed = cli({"balances", "recompute"});
        ASSERT_EQ(recomputed.code, 0) << recomputed.err.toStdString();
        EXPECT_EQ(stored.out, cli({"balances"}).out);
    }
    void expectNoNumberTwice() {
        EXPECT_EQ(sql("SELECT COUNT(*) - COUNT(DISTINCT Buchungsnummer) FROM buchung").toInt(), 0);
        EXPECT_EQ(sql("SELECT COUNT(*) FROM buchung WHERE Buchungsnummer IS NULL").toInt(), 0);
        EXPECT_GE(sql("SELECT Inhalt FROM blob WHERE Name = 'LastBuchungsID'").toInt(),
                  sql("SELECT MAX(Buchungsnummer) FROM buchung").toInt());
    }
    void SetUp() override {
        ferolind::test::clearUserSettings();
        ASSERT_EQ(cli({"create"}).code, 0);
    }
};

// Two processes book at once, each on accounts and categories of its own: every booking has
// a number of its own, and every new account and category is listed.
TEST_F(Workstations, BookingsAddedAtOnceKeepTheirNumbersAndListEntries) {
    const int rounds = 6;
    for (int round = 0; round < rounds; ++round) {
        const auto add = [round](const char* who) {
            return QStringList{"bookings",
                               "add",
                               "Betrag=1,25",
                               QStringLiteral("Bestandskonto=Konto %1%2").arg(QLatin1String(who)).arg(round),
                               QStringLiteral("Kategorie=Kategorie %1%2").arg(QLatin1String(who)).arg(round)};
        };
        for (const CliOutcome& r : together({add("A"), add("B"), add("C")})) ASSERT_EQ(r.code, 0) << r.err.toStdString();
    }
    EXPECT_EQ(sql("SELECT COUNT(*) FROM buchung").toInt(), 3 * rounds);
    expectNoNumberTwice();
    const QString accounts = sql("SELECT Inhalt FROM blob WHERE Name = 'bestandskonten'").toString();
    const QString categories = sql("SELECT Inhalt FROM blob WHERE Name = 'kategorienplus'").toString();
    for (int round = 0; round < rounds; ++round)
        for (const char* who : {"A", "B", "C"}) {
            EXPECT_TRUE(accounts.contains(QStringLiteral("Konto %1%2\r\n").arg(QLatin1String(who)).arg(round)));
            EXPECT_TRUE(categories.contains(QStringLiteral("Kategorie %1%2\r\n").arg(QLatin1String(who)).arg(round)));
        }
    expectBalancesAreTheRecomputation();
}

// Two deletes or two edits of one booking at once: one goes through, the other is refused
// with the reason and exit status 1; the amount leaves the balance once.
TEST_F(Workstations, TwoChangesOfOneBookingAtOnce) {
    struct Case {
        QStringList first, second;
        const char* refusal;
        bool eitherOrder;   // both go through when the second one happens to come first
        const char* kasse;  // the balance afterwards
    };
    const std::vector<Case> cases = {
        {{"bookings", "delete", "1"}, {"bookings", "delete", "1"}, "an einem anderen Arbeitsplatz gelöscht", false,
         "0,00 €"},
        {{"bookings", "edit", "1", "Betrag=20"}, {"bookings", "edit", "1", "Betrag=30"}, "dort jetzt", false, nullptr},
        {{"bookings", "delete", "1"}, {"bookings", "edit", "1", "Betrag=30"}, "an einem anderen Arbeitsplatz gelöscht",
         true, "0,00 €"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first.join(' ').toStdString() + " / " + c.second.join(' ').toStdString());
        sql("DELETE FROM buchung");
        sql("DELETE FROM blob");
        ASSERT_EQ(cli({"bookings", "add", "Betrag=10", "Bestandskonto=Kasse", "Buchungsnummer=1"}).code, 0);
        const std::vector<CliOutcome> runs = together({c.first, c.second});
        ASSERT_FALSE(runs[0].crashed || runs[1].crashed);
        const int through = (runs[0].code == 0) + (runs[1].code == 0);
        if (!(c.eitherOrder && through == 2)) {
            EXPECT_EQ(through, 1) << runs[0].err.toStdString() << runs[1].err.toStdString();
            const CliOutcome& refused = runs[0].code == 0 ? runs[1] : runs[0];
            EXPECT_EQ(refused.code, 1);
            EXPECT_TRUE(refused.err.contains(QString::fromUtf8(c.refusal))) << refused.err.toStdString();
        }
        const QString kasse = cli({"balances"}).out;
        if (c.kasse) EXPECT_EQ(kasse, QStringLiteral("Kasse\t%1\n").arg(QString::fromUtf8(c.kasse)));
        // The balance is what the stored row (if any) says.
        const qint64 stored = sql("SELECT COALESCE(SUM(Betrag), 0) FROM buchung").toLongLong();
        EXPECT_EQ(kasse, QStringLiteral("Kasse\t%1,00 €\n").arg(stored / 10000));
        expectBalancesAreTheRecomputation();
    }
}

// A process killed right after its commit, or at any of the engine's syncs, leaves a file
// that holds the booking with its number entry or neither; the next booking takes a new number.
TEST_F(Workstations, AKilledStoreLosesNoNumberAndSplitsNothing) {
    ASSERT_EQ(cli({"bookings", "add", "Betrag=5", "Bestandskonto=Kasse"}).code, 0);
    CliOutcome killed = cli({"bookings", "add", "Betrag=7", "Bestandskonto=Kasse"}, QStringLiteral("commit:1"));
    ASSERT_TRUE(killed.crashed);
    EXPECT_EQ(sql("SELECT COUNT(*) FROM buchung").toInt(), 2);
    EXPECT_EQ(sql("SELECT Inhalt FROM blob WHERE Name = 'LastBuchungsID'").toInt(), 2);
    EXPECT_EQ(cli({"balances"}).out, "Kasse\t12,00 €\n");

    // kill -9 at the engine's own syncs, one after another.
    const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
    if (strace.isEmpty()) GTEST_SKIP() << "strace is not installed";
    for (int when = 1; when <= 4; ++when) {
        SCOPED_TRACE(when);
        const int rows = sql("SELECT COUNT(*) FROM buchung").toInt();
        QProcess p;
        p.start(strace, QStringList{"-f", "-qq", "-o", "/dev/null", "-e",
                                    QStringLiteral("inject=fdatasync,fsync:signal=KILL:when=%1").arg(when),
                                    QStringLiteral(FEROLIND_CLI_PATH)} +
                            args({"bookings", "add", "Betrag=1", "Bestandskonto=Kasse"}));
        p.waitForFinished(60000);
        EXPECT_EQ(sql("PRAGMA integrity_check").toString(), "ok");
        const int now = sql("SELECT COUNT(*) FROM buchung").toInt();
        EXPECT_TRUE(now == rows || now == rows + 1) << now;
        const CliOutcome next = cli({"bookings", "add", "Betrag=1", "Bestandskonto=Kasse"});
        ASSERT_EQ(next.code, 0) << next.err.toStdString();
        expectNoNumberTwice();
        expectBalancesAreTheRecomputation();
    }
}

// What the entry screen would not take is refused here too, in German, with nothing stored.
TEST_F(Workstations, RefusedValuesStoreNothing) {
    struct Case {
        QStringList command;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {{"bookings", "add", "SollHaben=a", "Bestandskonto=Kasse"}, "keine Buchungsrichtung"},
        {{"bookings", "add", "SollHaben=X", "Bestandskonto=Kasse"}, "keine Buchungsrichtung"},
        {{"members", "add", "Nachname=Berg", QStringLiteral("Vorname=Anna\x1b[2J")}, "Steuerzeichen"},
        {{"members", "add", QStringLiteral("Nachname=B\x01")}, "'Nachname'"},
    };
    for (const Case& c : cases) {
        const CliOutcome r = cli(c.command);
        EXPECT_EQ(r.code, 1) << c.command.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.reason))) << r.err.toStdString();
    }
    EXPECT_EQ(sql("SELECT COUNT(*) FROM buchung").toInt(), 0);
    EXPECT_EQ(sql("SELECT COUNT(*) FROM mitglieder").toInt(), 0);
}

}  // namespace
