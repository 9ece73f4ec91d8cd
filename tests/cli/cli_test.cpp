// ferolind-cli on a real database file, run as a separate program.
#include "testsupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace {

struct Result {
    int code;
    QString out, err;
};

Result cli(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(FEROLIND_CLI_PATH), args);
    p.waitForFinished(30000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

QStringList lines(const QString& s) { return s.split('\n', Qt::SkipEmptyParts); }

}  // namespace

TEST(Cli, CreateAddListFilteredAndSorted) {
    ferolind::test::clearUserSettings();
    QTemporaryDir dir;
    const QStringList db{"--db", dir.path()};
    ASSERT_EQ(cli(db + QStringList{"create"}).code, 0);
    EXPECT_TRUE(QFile::exists(QDir(dir.path()).filePath("db.mdb")));

    // Without ID= a member gets the next number, also in a later run.
    Result r = cli(db + QStringList{"members", "add", "Vorname=Anna", "Nachname=Zander", "Geburtsdatum=03.04.1961",
                                    "EintrittDatum=01.05.1986", "DTAUS=Wahr", "Kontonummer=123456",
                                    "Bankleitzahl=10020030", "Kontoinhaber=Anna Zander", "Betrag=Erwachsene"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "1\n");
    EXPECT_EQ(cli(db + QStringList{"members", "add", "ID=40", "Vorname=Max", "Nachname=Müller"}).out, "40\n");
    EXPECT_EQ(cli(db + QStringList{"members", "add", "Vorname=Lea", "Nachname=meyer", "Ort=Dresden"}).out, "41\n");
    EXPECT_EQ(cli(db + QStringList{"settings", "get", "LastMitgliedsID"}).out, "41\n");

    r = cli(db + QStringList{"members", "list", "--columns", "ID;Nachname;Geburtsdatum;DTAUS", "--sort", "Nachname"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    // An empty Yes/No is No.
    EXPECT_EQ(lines(r.out), (QStringList{"ID\tNachname\tGeburtsdatum\tDTAUS", "41\tmeyer\t\tFalsch",
                                         "40\tMüller\t\tFalsch", "1\tZander\t03.04.1961\tWahr"}));
    r = cli(db + QStringList{"members", "list", "--filter", "Nachname = 'M*' and ID<>40", "--columns", "ID;Ort"});
    EXPECT_EQ(lines(r.out), (QStringList{"ID\tOrt", "41\tDresden"}));

    // The default columns are the 29 member columns, computed ones included.
    r = cli(db + QStringList{"members", "list", "--filter", "ID = 1"});
    const QStringList all = lines(r.out);
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[0].split('\t').size(), 29);
    EXPECT_TRUE(all[0].endsWith("Jubilaeum\tBeitragAktuellBezahlt"));
    EXPECT_TRUE(all[1].contains("-jähriges Vereinsjubiläum und "));

    r = cli(db + QStringList{"bookings", "add", "Buchungsnummer=1", "Datum=31.12.2010", "Empfaenger/Absender=Kasse",
                             "Betrag=12,50", "SollHaben=E", "Bestandskonto=Bank"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    r = cli(db + QStringList{"bookings", "list"});
    EXPECT_EQ(
        lines(r.out),
        (QStringList{
            "Buchungsnummer\tDatum\tEmpfaenger/Absender\tBuchungstext\tSollHaben\tBetrag\tKategorie\tBestandskonto",
            "1\t31.12.2010\tKasse\t\tE\t12,5\t\tBank"}));

    EXPECT_EQ(cli(db + QStringList{"settings", "set", "Titel", "Turnverein 1861"}).code, 0);
    EXPECT_EQ(cli(db + QStringList{"settings", "get", "Titel"}).out, "Turnverein 1861\n");
}

TEST(Cli, ErrorsAreGermanAndChangeNothing) {
    ferolind::test::clearUserSettings();
    QTemporaryDir dir;
    const QStringList db{"--db", dir.path()};
    const struct {
        QStringList args;
        const char* message;
    } cases[] = {
        {{"members", "list"}, "nicht gefunden"},
        {{"create", "zuviel"}, "Aufruf"},
        {{"gibtsnicht"}, "nicht gefunden"},
    };
    for (const auto& c : cases) {
        const Result r = cli(db + c.args);
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(QDir(dir.path()).filePath("db.mdb")));  // nothing made on the way

    ASSERT_EQ(cli(db + QStringList{"create"}).code, 0);
    EXPECT_EQ(cli(db + QStringList{"create"}).code, 1);
    const struct {
        QStringList args;
        const char* message;
    } bad[] = {
        {{"members", "add", "Vorname=" + QString(51, 'x')}, "zu lang"},
        {{"members", "add", "Geburtsdatum=31.02.1990"}, "kein gültiges Datum"},
        {{"members", "add", "ID=zwölf"}, "kein gültiger Integerwert"},
        {{"members", "add", "Fantasie=1"}, "Fantasie"},
        {{"members", "add", "ohneGleich"}, "FELD=WERT"},
        {{"members", "list", "--filter", "Nachname = 'O'Neil'"}, "Der Filter"},
        {{"members", "list", "--sort", "Fantasie"}, "Fantasie"},
        {{"members", "list", "--filter"}, "fehlt"},
        {{"members", "gibtsnicht"}, "Unbekannter Befehl"},
    };
    for (const auto& c : bad) {
        const Result r = cli(db + c.args);
        EXPECT_EQ(r.code, 1) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
    }
    const Result list = cli(db + QStringList{"members", "list", "--columns", "ID"});
    EXPECT_EQ(lines(list.out), QStringList{"ID"});  // no half-stored member
}

TEST(Cli, PostalCodesWithoutDatabase) {
    const Result r = cli({"plz", "01067"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "Dresden\n");
    EXPECT_EQ(cli({"plz", "00000"}).out, "");
}

// The store rules hold for the tool too: an incomplete direct debit is switched off and an
// unknown fee class is stored with the warning; both notices reach stderr.
TEST(Cli, MemberRulesReportWhatTheyChanged) {
    ferolind::test::clearUserSettings();
    QTemporaryDir dir;
    const QStringList db{"--db", dir.path()};
    ASSERT_EQ(cli(db + QStringList{"create"}).code, 0);
    const Result r =
        cli(db + QStringList{"members", "add", "Vorname=Anna", "Nachname=Berg", "DTAUS=Wahr", "Betrag=Gibtsnicht"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("DTAUS-Teilnahme wurde ausgeschaltet")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Diese Beitragsklasse ist nicht vorhanden")) << r.err.toStdString();
    EXPECT_EQ(lines(cli(db + QStringList{"members", "list", "--columns", "ID;DTAUS;Betrag"}).out),
              (QStringList{"ID\tDTAUS\tBetrag", "1\tFalsch\tGibtsnicht"}));
}

// A store and its rules' writes are one transaction: when the settings refuse the
// salutation list, the member is not stored and its number is not used up.
TEST(Cli, AStoreWhoseRuleWriteFailsStoresNothing) {
    ferolind::test::clearUserSettings();
    QTemporaryDir dir;
    const QStringList db{"--db", dir.path()};
    ASSERT_EQ(cli(db + QStringList{"create"}).code, 0);
    ASSERT_EQ(cli(db + QStringList{"members", "add", "Nachname=Alt"}).out, "1\n");
    {
        QSqlDatabase c = QSqlDatabase::addDatabase("QSQLITE", "trigger");
        c.setDatabaseName(QDir(dir.path()).filePath("db.mdb"));
        ASSERT_TRUE(c.open());
        QSqlQuery q(c);
        ASSERT_TRUE(q.exec("CREATE TRIGGER refuse BEFORE UPDATE ON blob BEGIN SELECT RAISE(ABORT, 'verweigert'); END"));
        q = QSqlQuery();
        c.close();
    }
    QSqlDatabase::removeDatabase("trigger");
    const Result r = cli(db + QStringList{"members", "add", "Nachname=Neu", "Anrede=Dr."});
    EXPECT_EQ(r.code, 1);
    // The refusal in German; the engine's own words stay off the terminal.
    EXPECT_TRUE(r.err.contains("abgelehnt")) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("verweigert")) << r.err.toStdString();
    EXPECT_EQ(lines(cli(db + QStringList{"members", "list", "--columns", "ID;Nachname"}).out),
              (QStringList{"ID\tNachname", "1\tAlt"}));
    EXPECT_EQ(cli(db + QStringList{"settings", "get", "LastMitgliedsID"}).out, "1\n");
}

// Two workstations adding members at once never hand out one number twice.
TEST(Cli, TwoLoopsOfAddsGiveDistinctNumbers) {
    ferolind::test::clearUserSettings();
    QTemporaryDir dir;
    ASSERT_EQ(cli({"--db", dir.path(), "create"}).code, 0);
    const int perLoop =
        qEnvironmentVariableIntValue("FEROLIND_CLI_LOOP") > 0 ? qEnvironmentVariableIntValue("FEROLIND_CLI_LOOP") : 200;
    // Each loop is one shell running the tool perLoop times; both run at the same time, so they
    // overlap for their whole length (200 each keep a loaded machine well inside the wait).
    const QString loop =
        QStringLiteral("for i in $(seq %1); do \"%2\" --db \"%3\" members add Nachname=L$i || exit 1; done")
            .arg(perLoop)
            .arg(QStringLiteral(FEROLIND_CLI_PATH), dir.path());
    QProcess a, b;
    a.start("bash", {"-c", loop});
    b.start("bash", {"-c", loop});
    ASSERT_TRUE(a.waitForFinished(600000));
    ASSERT_TRUE(b.waitForFinished(600000));
    EXPECT_EQ(a.exitCode(), 0) << a.readAllStandardError().toStdString();
    EXPECT_EQ(b.exitCode(), 0) << b.readAllStandardError().toStdString();
    QStringList printed = lines(QString::fromUtf8(a.readAllStandardOutput() + b.readAllStandardOutput()));
    QStringList stored = lines(cli({"--db", dir.path(), "members", "list", "--columns", "ID"}).out).mid(1);
    ASSERT_EQ(stored.size(), 2 * perLoop);
    EXPECT_EQ(QSet<QString>(stored.begin(), stored.end()).size(), 2 * perLoop);
    printed.sort();
    stored.sort();
    EXPECT_EQ(printed, stored);
}

TEST(Cli, MembersStatsLeaversAndDelete) {
    ferolind::test::clearUserSettings();
    QTemporaryDir dir;
    const QStringList db{"--db", dir.path()};
    ASSERT_EQ(cli(db + QStringList{"create"}).code, 0);
    const QDate today = QDate::currentDate();
    auto date = [](const QDate& d) { return d.toString("dd.MM.yyyy"); };
    const QList<QStringList> members = {
        {"Nachname=Sieben", "Geschlecht=Männlich", "Status=aktiv", "Geburtsdatum=" + date(today.addYears(-7))},
        {"Nachname=Sechs", "Geschlecht=weiblich", "Status=passiv", "Geburtsdatum=" + date(today.addYears(-7).addDays(1)),
         "AustrittDatum=31.12.2010"},
        {"Nachname=Alt", "Geburtsdatum=" + date(today.addYears(-95)), "AustrittDatum=01.01.2011"},
        {"Nachname=Ohne", "Status=Aktiv", "AustrittDatum=01.01.2009"},
    };
    for (const QStringList& m : members) ASSERT_EQ(cli(db + QStringList{"members", "add"} + m).code, 0);

    Result r = cli(db + QStringList{"members", "stats"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(lines(r.out),
              (QStringList{"Mitgliederanzahl:\t4", "männlich:\t1", "weiblich:\t1", "aktiv:\t2", "passiv:\t1",
                           "bis 6:\t1", "6 - 12\t1", "13 - 17\t0", "18 - 24\t0", "25 - 29\t0", "30 - 39\t0",
                           "40 - 49\t0", "50 - 59\t0", "60 - 69\t0", "70 - 79\t0", "ab 80\t0"}));

    r = cli(db + QStringList{"members", "leavers", "--from", "01.01.2010", "--to", "01.01.2011", "--columns",
                             "ID;Nachname;AustrittDatum"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(lines(r.out), (QStringList{"ID\tNachname\tAustrittDatum", "2\tSechs\t31.12.2010", "3\tAlt\t01.01.2011"}));
    for (const QStringList& bad : {QStringList{"--from", "01.01.2010"}, QStringList{"--from", "1.13.2010", "--to", "1.1.2011"},
                                   QStringList{"--from", "1.1.2010", "--to", "1.1.2011", "--filter", "ID=1"}}) {
        r = cli(db + QStringList{"members", "leavers"} + bad);
        EXPECT_EQ(r.code, 1) << bad.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_FALSE(r.err.isEmpty());
    }

    // Without --yes only counted; with it deleted through the rules, all or nothing.
    const QStringList leftBefore2011{"members", "delete", "--filter", "AustrittDatum < '01.01.2011'"};
    r = cli(db + leftBefore2011);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "2 Mitglieder würden gelöscht (zum Löschen --yes angeben).\n");
    EXPECT_EQ(lines(cli(db + QStringList{"members", "list", "--columns", "ID"}).out).size(), 5);
    r = cli(db + leftBefore2011 + QStringList{"--yes"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "2 Mitglieder gelöscht.\n");
    EXPECT_EQ(lines(cli(db + QStringList{"members", "list", "--columns", "ID"}).out), (QStringList{"ID", "1", "3"}));
    for (const QStringList& bad : {QStringList{"members", "delete", "--yes"},
                                   QStringList{"members", "delete", "--filter", "Nachname = 'x", "--yes"},
                                   QStringList{"members", "delete", "--filter", "ID>0", "--ja"}}) {
        r = cli(db + bad);
        EXPECT_EQ(r.code, 1) << bad.join(' ').toStdString();
        EXPECT_FALSE(r.err.isEmpty());
    }
    EXPECT_EQ(lines(cli(db + QStringList{"members", "list", "--columns", "ID"}).out).size(), 3);
}

// Bookings through the booking rules: numbers, the required account, balances, edits,
// deletions, transfers, the recomputation and the year-end closing.
TEST(Cli, BookingsBalancesTransfersAndTheYearEnd) {
    ferolind::test::clearUserSettings();
    QTemporaryDir dir;
    const QStringList db{"--db", dir.path()};
    ASSERT_EQ(cli(db + QStringList{"create"}).code, 0);
    auto run = [&](const QStringList& args) { return cli(db + args); };

    Result r = run({"bookings", "add", "Betrag=10", "Buchungstext=ohne Konto"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Bitte ein Bestandskonto eingeben, ansonsten kann die Buchung nicht gespeichert werden.\n");
    EXPECT_EQ(lines(run({"bookings", "list"}).out).size(), 1);  // the header only

    r = run({"bookings", "add", "Betrag=50", "Bestandskonto=Kasse", "Kategorie=Beiträge"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "1\n");
    EXPECT_EQ(run({"bookings", "add", "Betrag=1234,5", "SollHaben=A", "Bestandskonto=Bank"}).out, "2\n");
    EXPECT_EQ(run({"balances"}).out, "Kasse\t50,00 €\nBank\t-1.234,50 €\n");

    ASSERT_EQ(run({"bookings", "edit", "1", "SollHaben=A", "Betrag=20"}).code, 0);
    EXPECT_EQ(lines(run({"balances"}).out).value(0), "Kasse\t-20,00 €");
    r = run({"bookings", "edit", "7", "Betrag=1"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Es gibt keine Buchung mit der Nummer 7.\n");
    r = run({"bookings", "edit", "1", "Betrag=zwanzig"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "'zwanzig' ist kein gültiger Fließkommawert für Feld 'Betrag'\n");
    ASSERT_EQ(run({"bookings", "delete", "2"}).code, 0);
    EXPECT_EQ(lines(run({"balances"}).out).value(1), "Bank\t0,00 €");

    r = run({"bookings", "transfer", "--from", "Kasse", "--to", "Bank", "--amount", "100", "--date", "01.06.2011"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(run({"balances"}).out, "Kasse\t-120,00 €\nBank\t100,00 €\n");
    r = run({"bookings", "list", "--filter", "[Empfaenger/Absender] = 'Umbuchung'", "--columns",
             "Buchungsnummer;Datum;SollHaben;Kategorie;Bestandskonto"});
    EXPECT_EQ(lines(r.out), (QStringList{"Buchungsnummer\tDatum\tSollHaben\tKategorie\tBestandskonto",
                                         "3\t01.06.2011\tE\tKasse\tBank", "4\t01.06.2011\tA\tBank\tKasse"}));
    EXPECT_EQ(run({"bookings", "transfer", "--from", "Kasse", "--amount", "1"}).code, 1);

    // A balance that drifted is rebuilt from the start value and the bookings.
    ASSERT_EQ(run({"settings", "set", "kontostand_Kasse", "999"}).code, 0);
    ASSERT_EQ(run({"settings", "set", "startwert_Kasse", "5"}).code, 0);
    r = run({"balances", "recompute"});
    EXPECT_EQ(r.out, "Die Kontosalden wurden aktualisiert\nKasse\t-115,00 €\nBank\t100,00 €\n");

    r = run({"bookings", "close-year"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(lines(run({"bookings", "list"}).out).size(), 4);  // nothing changed
    r = run({"bookings", "close-year", "--yes"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QString archive = lines(r.out).value(0);
    EXPECT_TRUE(archive.endsWith("_buchung23.xml")) << archive.toStdString();
    EXPECT_TRUE(QFile::exists(archive));
    EXPECT_EQ(lines(run({"bookings", "list"}).out).size(), 1);
    EXPECT_EQ(run({"balances"}).out, "Kasse\t0,00 €\nBank\t0,00 €\n");
    EXPECT_EQ(run({"bookings", "add", "Betrag=1", "Bestandskonto=Kasse"}).out, "1\n");
}
