// The data engine under filters and several workstations: every store reaches the rules
// with the stored record, a store and its rules' writes are one transaction, no update is
// lost between workstations and no member number is handed out twice.
#include "club.h"
#include "data/connection.h"
#include "data/errors.h"
#include "data/filter.h"
#include "members/memberrules.h"

#include <gtest/gtest.h>
#include <QSignalSpy>
#include <QSqlQuery>
#include <limits>

using namespace ferolind;
using ferolind::test::Club;

namespace {

// A second workstation on the same file: its own data module, connection and rules.
struct Workstation {
    DataModule data;
    std::unique_ptr<Session> session;
    QStringList notices;
    explicit Workstation(const QString& folder) {
        data.openFolder(folder);
        session = std::make_unique<Session>(data);
        QObject::connect(&session->memberRules(), &MemberRules::notice, [this](const QString& m) { notices << m; });
        session->loadAfterOpen();
    }
    Dataset& members() { return data.members(); }
};

void sql(const QString& folder, const QStringList& statements) { ferolind::test::rawSql(folder, statements); }

QVariant scalar(const QString& folder, const QString& statement) { return ferolind::test::rawSql(folder, {statement}); }

bool locateMember(Dataset& m, int id) { return m.locate(QStringLiteral("ID"), {id}); }

const char* kRefuseSettingsUpdates =
    "CREATE TRIGGER refuse BEFORE UPDATE ON blob BEGIN SELECT RAISE(ABORT, 'verweigert'); END";

}  // namespace

// The after-store rules see the stored record even when a filter hides it.
TEST(StoreRules, SeeTheStoredRecordUnderAFilterThatHidesIt) {
    Club club;
    club.addMember({{"ID", "1"}, {"Nachname", "Alt"}});
    Dataset& m = club.members();
    m.applyFilter(QStringLiteral("Nachname = 'Alt'"));
    club.addMember({{"ID", "50"}, {"Nachname", "Neu"}, {"Anrede", "Dr."}});
    EXPECT_EQ(club.data->settings().DbSettingGetInt("LastMitgliedsID"), 50);
    EXPECT_EQ(club.data->settings().DbSettingGetList("Anrede"), QStringList{"Dr."});
    m.applyFilter(QStringLiteral("Nachname = 'Niemand'"));
    m.insert();
    EXPECT_EQ(m.text("ID"), "51");
    m.setText("Nachname", "Dritter");
    m.post();
    m.insert();
    EXPECT_EQ(m.text("ID"), "52");
    m.cancel();
}

// A failing rule write takes the record back with it: nothing stored, the edits kept.
TEST(StoreRules, AStoreAndItsRuleWritesCommitTogether) {
    Club club;
    club.addMember({{"Nachname", "Alt"}});
    club.data->settings().DbSettingSetList("Anrede", {"Herrn"});
    sql(club.folder(), {kRefuseSettingsUpdates});
    Dataset& m = club.members();
    m.insert();
    m.setText("Nachname", "Neu");
    m.setText("Anrede", "Dr.");
    try {
        m.post();
        FAIL() << "stored although the settings refused";
    } catch (const DataError& e) {
        EXPECT_TRUE(e.message().contains("abgelehnt")) << e.what();  // the engine's own text is not shown
    }
    EXPECT_EQ(m.state(), Dataset::State::Insert);
    EXPECT_EQ(m.text("Nachname"), "Neu");
    EXPECT_EQ(m.totalCount(), 1);
    EXPECT_EQ(scalar(club.folder(), "SELECT count(*) FROM mitglieder").toInt(), 1);
    EXPECT_EQ(club.data->settings().DbSettingGetInt("LastMitgliedsID"), 1);
    EXPECT_EQ(club.data->settings().DbSettingGetList("Anrede"), QStringList{"Herrn"});
    m.cancel();
    // The same holds for an edit: the stored row and the memory keep the old values.
    ASSERT_TRUE(locateMember(m, 1));
    m.edit();
    m.setText("Anrede", "Prof.");
    EXPECT_THROW(m.post(), DataError);
    m.cancel();
    EXPECT_EQ(m.text("Anrede"), "");
    EXPECT_TRUE(scalar(club.folder(), "SELECT Anrede FROM mitglieder").isNull());
}

// Nested guards: an inner rollback keeps the outer work; an outer rollback undoes the
// inner commit, in the file and in memory.
TEST(StoreRules, TransactionsNest) {
    Club club;
    Connection* c = club.data->connection();
    SettingsStore& s = club.data->settings();
    {
        Transaction outer(c);
        s.DbSettingSet("A", "1");
        {
            Transaction inner(c);
            s.DbSettingSet("B", "2");
        }  // rolled back
        outer.commit();
    }
    EXPECT_EQ(s.DbSettingGet("A"), "1");
    EXPECT_EQ(s.DbSettingGet("B"), "");
    {
        Transaction outer(c);
        club.addMember({{"Nachname", "Weg"}});
        {
            Transaction inner(c);
            s.DbSettingSet("A", "3");
            inner.commit();
        }
    }  // rolled back
    EXPECT_EQ(s.DbSettingGet("A"), "1");
    EXPECT_EQ(club.members().totalCount(), 0);
    EXPECT_EQ(scalar(club.folder(), "SELECT count(*) FROM mitglieder").toInt(), 0);
    EXPECT_EQ(scalar(club.folder(), "SELECT Inhalt FROM blob WHERE Name = 'A'").toString(), "1");
}

// Two workstations on one file: no lost update, a deleted record is reported and the
// user's edit stays.
TEST(Workstations, NoLostUpdates) {
    Club club;
    club.addMember({{"ID", "1"}, {"Vorname", "Anna"}, {"Nachname", "Berg"}, {"Ort", "Dresden"}});
    club.addMember({{"ID", "2"}, {"Vorname", "Bert"}, {"Nachname", "Cramer"}});
    Workstation other(club.folder());
    Dataset& a = club.members();
    Dataset& b = other.members();

    // Different fields of one member, each workstation with the other's stale copy.
    ASSERT_TRUE(locateMember(b, 1));
    b.edit();
    b.setText("Ort", "Leipzig");
    b.post();
    ASSERT_TRUE(locateMember(a, 1));
    a.edit();
    a.setText("Vorname", "Anne");
    a.post();
    EXPECT_EQ(a.text("Ort"), "Leipzig");  // read back after the store
    b.requery();
    ASSERT_TRUE(locateMember(b, 1));
    EXPECT_EQ(b.text("Vorname"), "Anne");
    EXPECT_EQ(b.text("Ort"), "Leipzig");

    // An edit of a member the other workstation deleted.
    ASSERT_TRUE(locateMember(b, 2));
    b.remove();
    ASSERT_TRUE(locateMember(a, 2));
    a.edit();
    a.setText("Vorname", "Berta");
    try {
        a.post();
        FAIL() << "the edit of a deleted member was reported as stored";
    } catch (const DataError& e) {
        EXPECT_TRUE(e.message().contains("an einem anderen Arbeitsplatz gelöscht")) << e.what();
    }
    EXPECT_EQ(a.state(), Dataset::State::Edit);
    EXPECT_EQ(a.text("Vorname"), "Berta");
    a.cancel();
    EXPECT_EQ(scalar(club.folder(), "SELECT count(*) FROM mitglieder").toInt(), 1);
}

// Settings entries are written by name: one another workstation cleared comes back once,
// one it created is not created twice, and a filter on the settings dataset changes nothing.
TEST(Workstations, SettingsEntriesAreWrittenByName) {
    Club club;
    Workstation other(club.folder());
    SettingsStore& a = club.data->settings();
    SettingsStore& b = other.data.settings();
    a.AccountBalanceSet("Kasse", 100000);
    other.data.settingsEntries().requery();
    b.AccountValuesClear();
    a.AccountBalanceSet("Kasse", 250000);  // a still remembers the deleted row
    EXPECT_EQ(scalar(club.folder(), "SELECT count(*) FROM blob WHERE Name = 'kontostand_Kasse'").toInt(), 1);
    EXPECT_EQ(scalar(club.folder(), "SELECT Inhalt FROM blob WHERE Name = 'kontostand_Kasse'").toString(), "25");

    b.DbSettingSet("Titel", "Turnverein");
    a.DbSettingSet("Titel", "Sportverein");  // a has not seen b's row
    EXPECT_EQ(scalar(club.folder(), "SELECT count(*) FROM blob WHERE Name = 'Titel'").toInt(), 1);

    club.data->settingsEntries().applyFilter(QStringLiteral("Name = 'Niemand'"));
    EXPECT_EQ(a.DbSettingGet("Titel"), "Sportverein");
    a.DbSettingSet("Titel", "Schachclub");
    EXPECT_EQ(scalar(club.folder(), "SELECT count(*) FROM blob WHERE Name = 'Titel'").toInt(), 1);
    EXPECT_EQ(a.DbSettingGet("Titel"), "Schachclub");
    EXPECT_EQ(club.data->settingsEntries().recordCount(), 0);  // the screen's filter stays
}

// Numbers come from the file at the store: a proposed number another workstation took
// meanwhile is replaced by the next free one; a typed number is kept; shutdown never
// lowers the entry.
TEST(Workstations, NoMemberNumberTwice) {
    Club club;
    Workstation other(club.folder());
    Dataset& a = club.members();
    Dataset& b = other.members();
    a.insert();
    b.insert();
    EXPECT_EQ(a.text("ID"), "1");
    EXPECT_EQ(b.text("ID"), "1");
    a.setText("Nachname", "Erster");
    b.setText("Nachname", "Zweiter");
    a.post();
    QSignalSpy shown(&b, &Dataset::rowUpdated);
    b.post();
    EXPECT_EQ(a.text("ID"), "1");
    EXPECT_EQ(b.text("ID"), "2");
    EXPECT_FALSE(shown.isEmpty());  // the screen shows the number that was used

    // A typed number stays as typed, even one another workstation used.
    b.insert();
    b.setText("ID", "1");
    b.setText("Nachname", "Doppelt");
    b.post();
    EXPECT_EQ(b.text("ID"), "1");

    // a still proposes 2 from memory, but the file says 2 is taken.
    a.insert();
    EXPECT_EQ(a.text("ID"), "2");
    a.setText("Nachname", "Dritter");
    a.post();
    EXPECT_EQ(a.text("ID"), "3");

    other.data.lastMemberNumber = 1;  // a stale memory at shutdown
    other.session->saveAtShutdown();
    EXPECT_EQ(scalar(club.folder(), "SELECT Inhalt FROM blob WHERE Name = 'LastMitgliedsID'").toString(), "3");
}

// The highest number the column holds: the next one is refused with a message, never
// wrapped into a negative number.
TEST(Workstations, NumbersBeyondTheColumnAreRefused) {
    Club club;
    const QString highest = QString::number(std::numeric_limits<int>::max());
    club.addMember({{"ID", highest}, {"Nachname", "Letzter"}});
    Dataset& m = club.members();
    club.notices.clear();
    m.insert();
    EXPECT_TRUE(m.isNull("ID"));
    ASSERT_EQ(club.notices.size(), 1);
    EXPECT_TRUE(club.notices[0].contains("keine freie Mitgliedsnummer")) << club.notices[0].toStdString();
    m.cancel();
    EXPECT_THROW(m.setText("ID", "2147483648"), DataError);
    // Another workstation took the highest number after this one proposed its number.
    Club fresh;
    Workstation other(fresh.folder());
    fresh.members().insert();
    other.members().insert();
    other.members().setText("ID", highest);
    other.members().post();
    fresh.members().setText("Nachname", "Zu spät");
    EXPECT_THROW(fresh.members().post(), DataError);
    EXPECT_EQ(fresh.members().state(), Dataset::State::Insert);
    fresh.members().cancel();
}

// Display suspension, edits that leave the filter, and the periodic re-read announce the
// current record; the re-read keeps it by its key.
TEST(CursorEvents, EveryChangeOfTheCurrentRecordIsAnnounced) {
    Club club;
    for (int i = 1; i <= 4; ++i) club.addMember({{"ID", QString::number(i)}, {"Nachname", "N" + QString::number(i)}});
    Dataset& m = club.members();
    m.setSort("ID");
    int scrolls = 0;
    m.on(Dataset::Event::AfterScroll, [&](Dataset&) { ++scrolls; });
    QSignalSpy current(&m, &Dataset::currentChanged);

    // A walk while the display is suspended, then resuming.
    club.data->DisconnectDB();
    m.first();
    while (!m.eof()) m.next();
    current.clear();
    club.data->ConnectDB();
    ASSERT_EQ(current.size(), 1);
    EXPECT_EQ(current[0][0].toInt(), 3);

    // An edit that moves the record out of the filter.
    m.applyFilter(QStringLiteral("Nachname <> 'Weg'"));
    ASSERT_TRUE(locateMember(m, 2));
    scrolls = 0;
    current.clear();
    m.edit();
    m.setText("Nachname", "Weg");
    m.post();
    EXPECT_EQ(scrolls, 1);
    EXPECT_EQ(current.size(), 1);
    EXPECT_EQ(m.text("ID"), "3");
    m.clearFilter();

    // The re-read keeps the current record; when another workstation deleted it, the
    // cursor moves and says so.
    ASSERT_TRUE(locateMember(m, 3));
    QSignalSpy lost(&m, &Dataset::currentRecordLost);
    sql(club.folder(), {"UPDATE mitglieder SET Vorname = 'Neu' WHERE ID = 3"});
    club.data->refreshAll();
    EXPECT_EQ(m.text("ID"), "3");
    EXPECT_EQ(m.text("Vorname"), "Neu");
    EXPECT_TRUE(lost.isEmpty());
    sql(club.folder(), {"DELETE FROM mitglieder WHERE ID = 3"});
    club.data->refreshAll();
    EXPECT_EQ(lost.size(), 1);
    EXPECT_NE(m.text("ID"), "3");
}

// Yes/No columns: old NULL rows read as No and are found by "= false"; new rows store 0.
TEST(YesNo, EmptyIsNo) {
    Club club;
    sql(club.folder(), {"INSERT INTO mitglieder (ID, Nachname) VALUES (7, 'Alt')"});
    club.members().requery();
    club.addMember({{"ID", "8"}, {"Nachname", "Neu"}});
    club.members().applyFilter(QStringLiteral("DTAUS = false"));
    EXPECT_EQ(club.members().recordCount(), 2);
    EXPECT_EQ(club.members().text("DTAUS"), "Falsch");
    EXPECT_EQ(scalar(club.folder(), "SELECT DTAUS FROM mitglieder WHERE ID = 8").toInt(), 0);
    EXPECT_FALSE(scalar(club.folder(), "SELECT DTAUS FROM mitglieder WHERE ID = 8").isNull());
}

// The periodic re-read reads only what other workstations changed: nothing when nothing
// changed (nor after this workstation's own stores), the changed tables when another
// workstation stored, every table after a writer that keeps no counts, and a table whose
// dataset was being edited at the next re-read after the edit.
TEST(Refresh, ReadsOnlyTheTablesOthersChanged) {
    Club club;
    club.addMember({{"Nachname", "Eigen"}});
    DataModule& d = *club.data;
    struct Reads {
        QSignalSpy members, bookings, settings;
        explicit Reads(DataModule& d)
            : members(&d.members(), &Dataset::contentChanged),
              bookings(&d.bookings(), &Dataset::contentChanged),
              settings(&d.settingsEntries(), &Dataset::contentChanged) {}
        QList<int> counts() const { return {int(members.count()), int(bookings.count()), int(settings.count())}; }
    };
    {
        Reads reads(d);
        d.refreshAll();
        club.addMember({{"Nachname", "Noch eins"}});  // its own store is one change it knows
        for (QSignalSpy* s : {&reads.members, &reads.bookings, &reads.settings}) s->clear();
        d.refreshAll();
        EXPECT_EQ(reads.counts(), (QList<int>{0, 0, 0}));
    }
    {
        Workstation other(club.folder());
        other.members().insert();
        other.members().setText("Nachname", "Drüben");
        ASSERT_TRUE(other.members().post());  // also writes the salutation list and last number
    }
    {
        Reads reads(d);
        d.refreshAll();
        EXPECT_GT(reads.members.count(), 0);
        EXPECT_EQ(reads.bookings.count(), 0);
        EXPECT_GT(reads.settings.count(), 0);
        EXPECT_EQ(d.members().totalCount(), 3);
    }
    {
        sql(club.folder(), {"INSERT INTO buchung (Buchungsnummer, Bestandskonto) VALUES (7, 'Kasse')"});
        Reads reads(d);
        d.refreshAll();  // a writer past the program: every table is read
        EXPECT_GT(reads.bookings.count(), 0);
        EXPECT_GT(reads.members.count(), 0);
        EXPECT_EQ(d.bookings().totalCount(), 1);
    }
    {
        Workstation other(club.folder());
        locateMember(other.members(), 1);
        other.members().edit();
        other.members().setText("Vorname", "Erika");
        ASSERT_TRUE(other.members().post());
    }
    d.members().edit();
    d.refreshAll();
    d.members().cancel();
    EXPECT_TRUE(d.members().locate("ID", {1}));
    EXPECT_EQ(d.members().text("Vorname"), "");  // skipped while edited
    d.refreshAll();                                // nothing new, but the member table is still due
    EXPECT_TRUE(d.members().locate("ID", {1}));
    EXPECT_EQ(d.members().text("Vorname"), "Erika");
}
