// The dataset engine on a real database file: schema, states, events, locate, filter,
// sort, re-query, display suspension and XML persistence.
#include "data/dataset.h"
#include "data/collation.h"
#include "data/database.h"
#include "data/datamodule.h"
#include "data/datasetmodel.h"
#include "data/errors.h"
#include "data/rowsetxml.h"
#include "data/schema.h"
#include "data/values.h"
#include "testsupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

using namespace ferolind;

namespace {

struct Db {
    QTemporaryDir dir;
    Db() { createDatabase(dir.path()); }
    QString folder() const { return dir.path(); }
    // A raw view of the file, past the datasets.
    QVariant scalar(const QString& sql) const {
        QSqlDatabase db = openConnection(dir.path(), QStringLiteral("probe"));
        QVariant v;
        {
            QSqlQuery q(db);
            if (q.exec(sql) && q.next()) v = q.value(0);
        }
        closeConnection(db);
        return v;
    }
};

std::unique_ptr<Dataset> openMembers(const Db& db) {
    auto d = std::make_unique<Dataset>(QStringLiteral("ClientDataSet1"), membersTable(), memberDatasetFields());
    d->setFolder(db.folder());
    d->open();
    return d;
}

void addMember(Dataset& d, int id, const QString& first, const QString& last, const QString& entry = {},
               const QString& leave = {}) {
    d.insert();
    d.setValue(QStringLiteral("ID"), id);
    d.setText(QStringLiteral("Vorname"), first);
    d.setText(QStringLiteral("Nachname"), last);
    d.setText(QStringLiteral("EintrittDatum"), entry);
    d.setText(QStringLiteral("AustrittDatum"), leave);
    ASSERT_TRUE(d.post());
}

}  // namespace

TEST(Schema, TablesColumnsOrderAndTypesAsCreated) {
    Db db;
    QSqlDatabase c = openConnection(db.folder(), QStringLiteral("schema"));
    for (const TableDef* t : allTables()) {
        QSqlQuery q(c);
        ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(quoteName(t->name))));
        QStringList names;
        while (q.next()) names << q.value(1).toString();
        QStringList expected;
        for (const FieldDef& f : t->columns) expected << f.name;
        EXPECT_EQ(names, expected) << t->name.toStdString();
    }
    {
        QSqlQuery q(c);
        q.exec(QStringLiteral(
            "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite_%' ORDER BY rowid"));
        QStringList tables;
        while (q.next()) tables << q.value(0).toString();
        EXPECT_EQ(tables, (QStringList{"Mitglieder", "Betrag", "Beitragsklassen", "Buchung", "Blob"}));
    }
    closeConnection(c);
    // Sizes of a few text columns as the datasets enforce them.
    const FieldList& m = membersTable().columns;
    EXPECT_EQ(m[fieldIndex(m, "Land")].size, 5);
    EXPECT_EQ(m[fieldIndex(m, "PLZ")].size, 6);
    EXPECT_EQ(m[fieldIndex(m, "Bemerkung")].size, 255);
    EXPECT_EQ(m[fieldIndex(m, "Bank")].size, 30);
    EXPECT_EQ(bookingsTable().columns[fieldIndex(bookingsTable().columns, "SollHaben")].size, 1);
}

TEST(Schema, BookingDatasetPresentsItsOwnOrder) {
    QStringList names;
    for (const FieldDef& f : bookingDatasetFields()) names << f.name;
    EXPECT_EQ(names, (QStringList{"Buchungsnummer", "Datum", "Empfaenger/Absender", "Buchungstext", "SollHaben",
                                  "Betrag", "Kategorie", "Bestandskonto", "ID"}));
}

TEST(Schema, CreationIsRefusedWithoutTouchingAnything) {
    Db db;
    const QString file = databaseFile(db.folder());
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    try {
        createDatabase(db.folder());
        FAIL() << "a second creation must be refused";
    } catch (const DataError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("existiert bereits"))) << e.what();
    }
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);

    EXPECT_THROW(createDatabase(QDir(db.folder()).filePath("fehlt")), DataError);
    EXPECT_FALSE(QFile::exists(QDir(db.folder()).filePath("fehlt/db.mdb")));
    EXPECT_THROW(openConnection(QDir(db.folder()).filePath("fehlt"), "x"), DataError);
}

TEST(Storage, EmptyTextsAreNullAndTooLongTextsAreRefused) {
    Db db;
    auto m = openMembers(db);
    m->insert();
    m->setValue("ID", 1);
    m->setText("Vorname", "");
    m->setText("Nachname", "Berg");
    // Exactly the column's size is fine, one more is refused and changes nothing.
    m->setText("PLZ", "123456");
    try {
        m->setText("PLZ", "1234567");
        FAIL();
    } catch (const DataError& e) {
        EXPECT_TRUE(e.message().contains("PLZ"));
        EXPECT_TRUE(e.message().contains("6"));
    }
    EXPECT_EQ(m->text("PLZ"), "123456");
    ASSERT_TRUE(m->post());
    EXPECT_TRUE(db.scalar("SELECT Vorname IS NULL FROM mitglieder").toBool());
    EXPECT_EQ(db.scalar("SELECT PLZ FROM mitglieder").toString(), "123456");
    m->requery();
    EXPECT_EQ(m->text("Vorname"), "");
    EXPECT_TRUE(m->isNull("Vorname"));

    // The file itself refuses empty and over-long texts from any other writer.
    QSqlDatabase c = openConnection(db.folder(), "raw");
    {
        QSqlQuery q(c);
        EXPECT_FALSE(q.exec("INSERT INTO mitglieder (Vorname) VALUES ('')"));
        EXPECT_FALSE(q.exec("INSERT INTO mitglieder (Land) VALUES ('ABCDEF')"));
    }
    closeConnection(c);
}

TEST(Storage, TypedValuesRoundTripThroughTheFile) {
    Db db;
    Dataset b("ClientDataSet5", bookingsTable(), bookingDatasetFields());
    b.setFolder(db.folder());
    b.open();
    b.insert();
    b.setText("Buchungsnummer", "7");
    b.setText("Datum", "31.12.2010");
    b.setText("Empfaenger/Absender", "Müller & Söhne");
    b.setText("Betrag", "1.234,5678");
    b.setText("SollHaben", "A");
    ASSERT_TRUE(b.post());
    EXPECT_EQ(db.scalar("SELECT Betrag FROM buchung").toLongLong(), 12345678);
    EXPECT_EQ(db.scalar("SELECT Datum FROM buchung").toString(), "2010-12-31");
    b.requery();
    EXPECT_EQ(b.text("Betrag"), "1234,5678");
    EXPECT_EQ(b.text("Datum"), "31.12.2010");
    EXPECT_EQ(b.value("ID").toInt(), 1);  // the engine numbers the row
    // Conversion errors carry the runtime's German messages.
    b.edit();
    try {
        b.setText("Buchungsnummer", "zwölf");
        FAIL();
    } catch (const DataError& e) {
        EXPECT_EQ(e.message(), "'zwölf' ist kein gültiger Integerwert für Feld 'Buchungsnummer'");
    }
    try {
        b.setText("Betrag", "12,3,4");
        FAIL();
    } catch (const DataError& e) {
        EXPECT_EQ(e.message(), "'12,3,4' ist kein gültiger Fließkommawert für Feld 'Betrag'");
    }
    EXPECT_THROW(b.setText("Datum", "31.02.2011"), DataError);
    b.cancel();
    EXPECT_EQ(b.text("Betrag"), "1234,5678");
}

TEST(Storage, TwoMembersMayShareANumber) {
    Db db;
    auto m = openMembers(db);
    addMember(*m, 5, "Anna", "Berg");
    addMember(*m, 5, "Bert", "Berg");
    EXPECT_EQ(db.scalar("SELECT count(*) FROM mitglieder WHERE ID=5").toInt(), 2);
}

TEST(Engine, StatesAndEventOrder) {
    Db db;
    auto m = openMembers(db);
    QStringList log;
    using E = Dataset::Event;
    m->on(E::AfterInsert, [&](Dataset&) { log << "afterInsert"; });
    m->on(E::BeforeEdit,
          [&](Dataset& d) { log << "beforeEdit:" + QString(d.state() == Dataset::State::Browse ? "browse" : "?"); });
    m->on(E::AfterStore,
          [&](Dataset& d) { log << "afterStore:" + QString(d.state() == Dataset::State::Browse ? "browse" : "?"); });
    m->on(E::BeforeDelete, [&](Dataset& d) { log << "beforeDelete:" + d.text("Nachname"); });
    m->on(E::AfterScroll, [&](Dataset& d) { log << "scroll:" + d.text("Nachname"); });
    bool refuse = false;
    m->onBeforeStore([&](Dataset& d) {
        log << "beforeStore:" + QString(d.state() == Dataset::State::Insert ? "insert" : "edit");
        return !refuse;
    });

    EXPECT_EQ(m->state(), Dataset::State::Browse);
    m->insert();
    EXPECT_EQ(m->state(), Dataset::State::Insert);
    m->setText("Nachname", "Berg");
    EXPECT_TRUE(m->isModified());
    ASSERT_TRUE(m->post());
    EXPECT_EQ(m->state(), Dataset::State::Browse);
    EXPECT_EQ(log, (QStringList{"afterInsert", "beforeStore:insert", "afterStore:browse"}));

    log.clear();
    m->edit();
    EXPECT_EQ(m->state(), Dataset::State::Edit);
    m->setText("Nachname", "Brandt");
    refuse = true;
    EXPECT_FALSE(m->post());  // abandoned: still editing, nothing written
    EXPECT_EQ(m->state(), Dataset::State::Edit);
    EXPECT_EQ(db.scalar("SELECT Nachname FROM mitglieder").toString(), "Berg");
    m->cancel();
    EXPECT_EQ(m->text("Nachname"), "Berg");
    EXPECT_EQ(log, (QStringList{"beforeEdit:browse", "beforeStore:edit"}));

    refuse = false;
    log.clear();
    m->remove();
    EXPECT_EQ(log, (QStringList{"beforeDelete:Berg", "scroll:"}));
    EXPECT_EQ(db.scalar("SELECT count(*) FROM mitglieder").toInt(), 0);
}

TEST(Engine, MovingWithUnsavedChangesStoresThemAndCancelKeepsNothing) {
    Db db;
    auto m = openMembers(db);
    addMember(*m, 1, "Anna", "Berg");
    addMember(*m, 2, "Bert", "Cramer");
    m->first();
    m->edit();
    m->setText("Vorname", "Annette");
    m->next();  // stores first
    EXPECT_EQ(db.scalar("SELECT Vorname FROM mitglieder WHERE ID=1").toString(), "Annette");
    EXPECT_EQ(m->text("Nachname"), "Cramer");

    m->insert();  // nothing typed: discarded on the move
    m->first();
    EXPECT_EQ(m->recordCount(), 2);
    m->insert();
    m->setText("Nachname", "Dorn");
    m->cancel();
    EXPECT_EQ(db.scalar("SELECT count(*) FROM mitglieder").toInt(), 2);
}

TEST(Engine, NavigationEndsAndMoveBy) {
    Db db;
    auto m = openMembers(db);
    EXPECT_TRUE(m->eof());
    EXPECT_TRUE(m->bof());
    for (int i = 1; i <= 5; ++i) addMember(*m, i, "V", QString("N%1").arg(i));
    m->first();
    int seen = 0;
    while (!m->eof()) {
        ++seen;
        m->next();
    }
    EXPECT_EQ(seen, 5);
    m->first();
    m->moveBy(3);
    EXPECT_EQ(m->intValue("ID"), 4);
    m->moveBy(10);
    EXPECT_TRUE(m->eof());
    EXPECT_EQ(m->intValue("ID"), 5);
    m->moveBy(-10);
    EXPECT_TRUE(m->bof());
    EXPECT_EQ(m->intValue("ID"), 1);
}

TEST(Engine, LocateOnSeveralFieldsIsExact) {
    Db db;
    auto m = openMembers(db);
    addMember(*m, 1, "Anna", "Berg");
    addMember(*m, 2, "Bert", "Berg");
    addMember(*m, 3, "Anna", "Bergmann");
    m->first();
    EXPECT_TRUE(m->locate("Vorname;Nachname", {"Anna", "Bergmann"}));
    EXPECT_EQ(m->intValue("ID"), 3);
    // No partial and no case-blind match; on no the current row stays.
    EXPECT_FALSE(m->locate("Nachname", {"Ber"}));
    EXPECT_FALSE(m->locate("Nachname", {"berg"}));
    EXPECT_EQ(m->intValue("ID"), 3);
    EXPECT_TRUE(m->locate("ID", {"2"}));  // a text is read as the field's type
    EXPECT_EQ(m->text("Vorname"), "Bert");
    EXPECT_FALSE(m->locate("ID", {"zwei"}));
    EXPECT_THROW(m->locate("Unbekannt", {"x"}), DataError);
}

TEST(Engine, FilterAndSortPresentRowsAndRequeryKeepsThem) {
    Db db;
    auto m = openMembers(db);
    addMember(*m, 4, "Dora", "Meier", "01.03.2001");
    addMember(*m, 9, "Emil", "müller", "15.06.2001", "31.12.2010");
    addMember(*m, 2, "Anna", "Zander", "01.01.1999");
    addMember(*m, 7, "Bert", "Adam", "");

    m->setSort("Nachname");
    auto order = [&] {
        QStringList names;
        for (int p = 0; p < m->recordCount(); ++p) names << m->rowAt(p)[m->field("Nachname")].toString();
        return names;
    };
    EXPECT_EQ(order(), (QStringList{"Adam", "Meier", "müller", "Zander"}));
    m->setSort("EintrittDatum;ID");
    EXPECT_EQ(order(), (QStringList{"Adam", "Zander", "Meier", "müller"}));  // no date first

    m->applyFilter("Nachname ='M*'");
    EXPECT_EQ(order(), (QStringList{"Meier", "müller"}));
    EXPECT_EQ(m->text("Nachname"), "Meier");  // the first presented row is current

    // Another workstation adds a member; re-reading keeps filter and sort.
    {
        auto other = openMembers(db);
        addMember(*other, 11, "Max", "Maas", "01.01.1990");
    }
    m->requery();
    EXPECT_EQ(order(), (QStringList{"Maas", "Meier", "müller"}));

    // A stored record takes its place in the order; one the filter hides leaves the view.
    m->locate("ID", {11});
    m->edit();
    m->setText("EintrittDatum", "01.01.2005");
    m->post();
    EXPECT_EQ(order(), (QStringList{"Meier", "müller", "Maas"}));
    EXPECT_EQ(m->text("Nachname"), "Maas");
    m->edit();
    m->setText("Nachname", "Kuhn");
    m->post();
    EXPECT_EQ(order(), (QStringList{"Meier", "müller"}));

    m->setFiltered(false);
    EXPECT_EQ(m->recordCount(), 5);
}

// A filter change over a sorted view reuses the order of all records; every change of the
// records since must show: the view is always what a fresh sort of the filtered rows gives.
TEST(Engine, AFilterOverASortedViewFollowsEveryChangeOfTheRecords) {
    Db db;
    auto m = openMembers(db);
    addMember(*m, 1, "Anna", "Zander");
    addMember(*m, 2, "Bert", "müller");
    addMember(*m, 3, "Cora", "Adam");
    addMember(*m, 4, "Dora", "Meier");
    addMember(*m, 5, "Emil", "Müller");
    addMember(*m, 6, "Finn", "");
    const int id = m->field("ID"), last = m->field("Nachname");
    const QString filter = QStringLiteral("ID <> 4");
    // The IDs a filtered, sorted view must present: rows by name (German collation, no
    // name first), ties in table order.
    const auto expected = [&](bool filtered) {
        QVector<int> order;
        for (int i = 0; i < m->totalCount(); ++i)
            if (!filtered || m->recordAt(i)[id].toInt() != 4) order << i;
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return germanCollator().compare(m->recordAt(a)[last].toString(), m->recordAt(b)[last].toString()) < 0;
        });
        QList<int> ids;
        for (const int i : order) ids << m->recordAt(i)[id].toInt();
        return ids;
    };
    const auto presented = [&] {
        QList<int> ids;
        for (int p = 0; p < m->recordCount(); ++p) ids << m->rowAt(p)[id].toInt();
        return ids;
    };
    m->setSort("Nachname");
    const auto editName = [&](int member, const QString& name) {
        ASSERT_TRUE(m->locate("ID", {member}));
        m->edit();
        m->setText("Nachname", name);
        ASSERT_TRUE(m->post());
    };
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"nothing", [] {}},
        {"a stored name moves the row", [&] { editName(3, "Zorn"); }},
        {"a new record", [&] { addMember(*m, 7, "Gina", "Berg"); }},
        {"a deleted record",
         [&] {
             ASSERT_TRUE(m->locate("ID", {1}));
             m->remove();
         }},
        {"a store undone by a failing rule",
         [&] {
             const int rule = m->on(Dataset::Event::AfterStore, [](Dataset&) { throw DataError("nein"); });
             ASSERT_TRUE(m->locate("ID", {2}));
             m->edit();
             m->setText("Nachname", "Aal");
             EXPECT_THROW(m->post(), DataError);
             m->cancel();
             m->off(rule);
         }},
        {"a row mirrored from another writer",
         [&] {
             ASSERT_TRUE(m->locate("ID", {5}));
             Row r = m->currentRow().toRow();
             r[last] = QStringLiteral("Ahrens");
             m->mirrorStoredRow(r);
         }},
        {"a row another workstation changed",
         [&] {
             {
                 auto other = openMembers(db);
                 ASSERT_TRUE(other->locate("ID", {6}));
                 other->edit();
                 other->setText("Nachname", "Yilmaz");
                 ASSERT_TRUE(other->post());
             }
             m->refresh();
         }},
    };
    for (const auto& [what, change] : changes) {
        m->clearFilter();
        EXPECT_EQ(presented(), expected(false)) << "before: " << what;
        change();
        m->applyFilter(filter);
        EXPECT_EQ(presented(), expected(true)) << what;
        m->clearFilter();
        EXPECT_EQ(presented(), expected(false)) << what;
    }
}

TEST(Engine, AFilterThatCannotBeParsedChangesNothing) {
    Db db;
    auto m = openMembers(db);
    addMember(*m, 1, "Anna", "Berg");
    addMember(*m, 2, "Sean", "O'Neil");
    m->applyFilter("ID = 1");
    ASSERT_EQ(m->recordCount(), 1);
    for (const char* bad : {"Nachname = 'O'Neil'", " = 'x'", "Nachname = ", "(ID = 1", "Fantasie = 1"}) {
        try {
            m->setFilter(QString::fromUtf8(bad));
            ADD_FAILURE() << "accepted: " << bad;
        } catch (const DataError& e) {
            EXPECT_TRUE(e.message().startsWith("Der Filter")) << e.what();
        }
        EXPECT_EQ(m->filter(), "ID = 1");
        EXPECT_EQ(m->recordCount(), 1);
        EXPECT_EQ(m->intValue("ID"), 1);
    }
    m->applyFilter("Nachname = 'O''Neil'");  // a doubled quote is a quote
    EXPECT_EQ(m->recordCount(), 1);
    EXPECT_EQ(m->intValue("ID"), 2);
    EXPECT_THROW(m->setSort("ID;Fantasie"), DataError);
}

TEST(Engine, RemoveAllPresentedDeletesOnlyThoseRows) {
    Db db;
    Dataset blob("ClientBlob", settingsTable(), settingsTable().columns);
    blob.setFolder(db.folder());
    blob.open();
    for (const char* n : {"kontostand_Kasse", "startwert_Kasse", "bestandskonten", "kontostand_Bank"}) {
        blob.insert();
        blob.setText("Name", n);
        blob.setText("Inhalt", "1");
        blob.post();
    }
    blob.applyFilter("Name = 'kontostand*'");
    blob.removeAllPresented();
    blob.setFiltered(false);
    EXPECT_EQ(blob.recordCount(), 2);
    EXPECT_EQ(db.scalar("SELECT count(*) FROM blob").toInt(), 2);
}

TEST(Engine, DisplaySuspensionNestsUntilTheOutermostResume) {
    Db db;
    auto m = openMembers(db);
    QSignalSpy resets(m.get(), &Dataset::viewReset);
    m->disableControls();
    m->disableControls();
    addMember(*m, 1, "Anna", "Berg");
    m->enableControls();
    EXPECT_EQ(resets.count(), 0);
    EXPECT_TRUE(m->controlsDisabled());
    m->enableControls();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_FALSE(m->controlsDisabled());
}

// While the display is suspended (a printout walks the members under its own filter) a grid
// keeps showing the rows it showed, never blank or other rows; resuming shows the live ones.
TEST(Engine, AGridKeepsItsRowsWhileTheDisplayIsSuspended) {
    Db db;
    auto m = openMembers(db);
    addMember(*m, 1, "Anna", "Berg");
    addMember(*m, 2, "Bert", "Cramer");
    addMember(*m, 3, "Cora", "Dorn");
    DatasetModel grid(*m, {"Nachname"}, {"Nachname"});
    const auto shown = [&] {
        QStringList names;
        for (int r = 0; r < grid.rowCount(); ++r) names << grid.data(grid.index(r, 0), Qt::DisplayRole).toString();
        return names;
    };
    ASSERT_EQ(shown(), (QStringList{"Berg", "Cramer", "Dorn"}));
    m->disableControls();
    m->applyFilter("Nachname = 'Dorn'");
    m->first();
    EXPECT_EQ(shown(), (QStringList{"Berg", "Cramer", "Dorn"}));
    m->clearFilter();
    m->enableControls();
    EXPECT_EQ(shown(), (QStringList{"Berg", "Cramer", "Dorn"}));
    m->disableControls();
    m->applyFilter("Nachname = 'Dorn'");
    m->enableControls();
    EXPECT_EQ(shown(), QStringList{"Dorn"});
}

TEST(Engine, DataModuleSuspendsTheFourDisplayedDatasetsButNotTheSettings) {
    Db db;
    test::clearUserSettings();
    DataModule dm;
    dm.openFolder(db.folder());
    dm.DisconnectDB();
    dm.DisconnectDB();
    dm.ConnectDB();
    for (Dataset* d : {&dm.members(), &dm.postalCodes(), &dm.bookings(), &dm.feePayments()})
        EXPECT_TRUE(d->controlsDisabled());
    EXPECT_FALSE(dm.settingsEntries().controlsDisabled());
    dm.ConnectDB();
    for (Dataset* d : {&dm.members(), &dm.postalCodes(), &dm.bookings(), &dm.feePayments()})
        EXPECT_FALSE(d->controlsDisabled());
}

TEST(Engine, OpenAtStartStopsAtTheFirstFailure) {
    test::clearUserSettings();
    DataModule none;
    EXPECT_FALSE(none.openAtStart());  // no folder chosen
    EXPECT_FALSE(none.members().isOpen());

    QTemporaryDir empty;
    RegistrySetString("DBPfad", empty.path());
    DataModule missing;
    EXPECT_FALSE(missing.openAtStart());
    EXPECT_FALSE(QFile::exists(databaseFile(empty.path())));  // opening never creates a file

    Db db;
    RegistrySetString("DBPfad", db.folder());
    DataModule ok;
    EXPECT_TRUE(ok.openAtStart());
    for (Dataset* d : {&ok.members(), &ok.bookings(), &ok.feePayments(), &ok.settingsEntries(), &ok.feeClasses()})
        EXPECT_TRUE(d->isOpen());
}

TEST(Persistence, EveryTableRoundTripsThroughTheXmlFile) {
    Db db;
    test::clearUserSettings();
    DataModule dm;
    dm.openFolder(db.folder());
    Dataset& m = dm.members();
    m.insert();
    m.setText("ID", "12");
    m.setText("Anrede", "Frau");
    m.setText("Vorname", "Jörg & <Söhne>");
    m.setText("Nachname", "O'Neil \"Junior\"");
    m.setText("Geburtsdatum", "03.04.1961");
    m.setText("DTAUS", "Wahr");
    m.setText("Bankleitzahl", "10070000");
    m.post();
    Dataset& b = dm.bookings();
    b.insert();
    b.setText("Buchungsnummer", "1");
    b.setText("Datum", "01.12.2010");
    b.setText("Empfaenger/Absender", "Kasse/Bank");
    b.setText("Betrag", "-12,5");
    b.setText("SollHaben", "A");
    b.post();
    Dataset& p = dm.feePayments();
    p.insert();
    p.setValue("Jahr", 2011);
    p.setValue("Mitgliedsnummer", 12);
    p.setValue("Monat", 0);
    p.setValue("Quartal", 0);
    p.post();
    Dataset& c = dm.feeClasses();
    c.insert();
    c.setText("Name", "Voll");
    c.setText("Beitrag", "12,50");
    c.post();
    dm.settings().DbSettingSetList("Anrede", {"Herrn", "Frau"});

    QTemporaryDir out;
    for (Dataset* d : {&m, &b, &p, &c, &dm.settingsEntries()}) {
        const QString path = QDir(out.path()).filePath(d->name() + ".xml");
        d->saveToXml(path);
        const Rowset back = readRowsetXml(path);
        ASSERT_EQ(back.fields.size(), d->fields().size()) << d->name().toStdString();
        for (int i = 0; i < back.fields.size(); ++i) EXPECT_EQ(back.fields[i].name, d->fields()[i].name);
        ASSERT_EQ(back.rows.size(), d->recordCount());
        for (int r = 0; r < back.rows.size(); ++r)
            for (int f = 0; f < d->fieldCount(); ++f)
                EXPECT_EQ(valueToText(d->fields()[f].type, back.rows[r][f]),
                          valueToText(d->fields()[f].type, d->rowAt(r)[f]))
                    << d->name().toStdString() << " field " << d->fields()[f].name.toStdString();
    }
    // The names that are no plain XML names are written the way ADO writes them.
    QFile f(QDir(out.path()).filePath("ClientDataSet5.xml"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray xml = f.readAll();
    EXPECT_TRUE(xml.contains("rs:name=\"Empfaenger/Absender\""));
    EXPECT_TRUE(xml.contains("xmlns:z=\"#RowsetSchema\""));
}
