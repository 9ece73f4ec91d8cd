// A workstation that dies at any moment while it adds members (killed, a crash, a power
// cut of the program) leaves a sound file: every member it reported as stored is there,
// and no member number is handed out twice, however often it is killed and restarted.
#include "club.h"
#include "data/database.h"
#include "data/errors.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSet>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

using namespace ferolind;

namespace {

// The complete lines of a child's output; a last line without its newline was cut by the kill.
QStringList completeLines(const QByteArray& output) {
    QStringList lines = QString::fromUtf8(output).split('\n');
    lines.removeLast();
    return lines;
}

struct StoredMember {
    QString id;
    bool complete = false;  // both names there, as every store of the child sets them
};

QVector<StoredMember> storedMembers(const QString& folder) {
    QSqlDatabase db = openConnection(folder, QStringLiteral("probe"));
    QVector<StoredMember> members;
    {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT ID, Vorname LIKE 'Lauf %' AND Nachname LIKE 'Mitglied %' FROM mitglieder")))
            throw DataError(QStringLiteral("Die Mitglieder können nicht gelesen werden."));
        while (q.next()) members.push_back({q.value(0).toString(), q.value(1).toBool()});
    }
    closeConnection(db);
    return members;
}

TEST(Crash, KillingTheProgramWhileItAddsMembersLosesNothingAndRepeatsNoNumber) {
    QTemporaryDir dir;
    createDatabase(dir.path());
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("Zufallszahl " + std::to_string(seed));
    std::mt19937 random(seed);
    // From the first stored member on, so that every kill falls among the stores.
    std::uniform_int_distribution<int> delayMs(0, 1200);
    constexpr int kKills = 8;

    QStringList reported;
    QElapsedTimer took;
    took.start();
    for (int kill = 0; kill < kKills; ++kill) {
        QProcess child;
        child.start(QStringLiteral(FEROLIND_CRASH_ADDER_PATH), {dir.path()});
        ASSERT_TRUE(child.waitForStarted());
        ASSERT_TRUE(child.waitForReadyRead(20000)) << child.readAllStandardError().toStdString();
        const int delay = delayMs(random);
        ASSERT_FALSE(child.waitForFinished(delay))
            << "Der Kindprozess endete von selbst: " << child.readAllStandardError().toStdString();
        child.kill();
        ASSERT_TRUE(child.waitForFinished(20000));
        ASSERT_EQ(child.exitStatus(), QProcess::CrashExit);
        const QStringList ids = completeLines(child.readAllStandardOutput());
        ASSERT_FALSE(ids.isEmpty());
        reported += ids;
    }
    std::printf("Absturztest: %d Abbrüche, %lld Mitglieder gemeldet, %lld ms\n", kKills, qlonglong(reported.size()),
                qlonglong(took.elapsed()));

    EXPECT_EQ(test::rawSql(dir.path(), {QStringLiteral("PRAGMA integrity_check")}).toString(), QStringLiteral("ok"));

    const QVector<StoredMember> stored = storedMembers(dir.path());
    QSet<QString> storedIds;
    for (const StoredMember& m : stored) {
        EXPECT_TRUE(m.complete) << "Mitglied " << m.id.toStdString() << " ist nur halb gespeichert";
        EXPECT_FALSE(storedIds.contains(m.id)) << "Mitgliedsnummer " << m.id.toStdString() << " doppelt";
        storedIds.insert(m.id);
    }
    QSet<QString> reportedIds;
    for (const QString& id : reported) {
        EXPECT_TRUE(storedIds.contains(id)) << "gemeldetes Mitglied " << id.toStdString() << " fehlt";
        EXPECT_FALSE(reportedIds.contains(id)) << "Mitgliedsnummer " << id.toStdString() << " zweimal gemeldet";
        reportedIds.insert(id);
    }
    // A kill between a store's commit and its report leaves at most one unreported member.
    EXPECT_GE(stored.size(), reported.size());
    EXPECT_LE(stored.size(), reported.size() + kKills);
}

}  // namespace
