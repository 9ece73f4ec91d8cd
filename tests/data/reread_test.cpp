// Reading at club scale: the stored forms another program may have written read as the
// datasets always read them, and the periodic re-read of a table whose changes are listed
// by row reads those rows only, with the same result as reading the table whole.
#include "club.h"
#include "data/connection.h"
#include "data/fastexit.h"
#include "data/schema.h"

#include <gtest/gtest.h>
#include <QSignalSpy>

using namespace ferolind;
using ferolind::test::Club;
using ferolind::test::rawSql;

namespace {

// A second workstation on the same file, as the program runs one.
struct Workstation {
    DataModule data;
    Session session{data};
    explicit Workstation(const QString& folder) {
        data.openFolder(folder);
        session.loadAfterOpen();
    }
};

// Every presented row, every field, as text.
QStringList presented(Dataset& d) {
    QStringList rows;
    for (int p = 0; p < d.recordCount(); ++p) {
        QStringList cells;
        for (const QVariant& v : d.rowAt(p).toRow()) cells << v.toString();
        rows << cells.join('|');
    }
    return rows;
}

void editMember(Dataset& m, int id, const char* field, const QString& text) {
    ASSERT_TRUE(m.locate(QStringLiteral("ID"), {id}));
    m.edit();
    m.setText(QString::fromLatin1(field), text);
    ASSERT_TRUE(m.post());
}

}  // namespace

// Values in the forms this program writes and in those others may have written.
TEST(Reading, StoredFormsReadAsTheFieldHoldsThem) {
    Club club;
    struct Case {
        const char* column;
        const char* stored;  // an SQL literal
        QVariant expected;
    };
    const Case cases[] = {
        {"ID", "42", 42},
        {"ID", "'17'", 17},  // a number stored as text
        {"ID", "3.0", 3},
        {"Nachname", "'Müßig-Ösen'", QStringLiteral("Müßig-Ösen")},
        {"Nachname", "NULL", QVariant()},
        {"Nachname", "12", QStringLiteral("12")},  // a text stored as a number
        {"Geburtsdatum", "'1961-08-13'", QDate(1961, 8, 13)},
        {"Geburtsdatum", "'1961-08-13 10:20:30'", QDateTime(QDate(1961, 8, 13), QTime(10, 20, 30))},
        {"Geburtsdatum", "'13.08.1961'", QDate(1961, 8, 13)},
        {"Geburtsdatum", "NULL", QVariant()},
        {"DTAUS", "1", true},
        {"DTAUS", "0", false},
        {"DTAUS", "NULL", false},  // an old NULL is No
        {"Bankleitzahl", "NULL", QVariant()},
    };
    for (const Case& c : cases) {
        rawSql(club.folder(), {"DELETE FROM mitglieder",
                               QStringLiteral("INSERT INTO mitglieder (\"%1\") VALUES (%2)")
                                   .arg(QString::fromLatin1(c.column), QString::fromUtf8(c.stored))});
        Dataset& m = club.members();
        m.requery();
        ASSERT_EQ(m.recordCount(), 1);
        const QVariant v = m.value(QString::fromLatin1(c.column));
        EXPECT_EQ(v.isNull(), c.expected.isNull()) << c.column << " " << c.stored;
        if (!c.expected.isNull()) {
            EXPECT_EQ(v.typeId(), c.expected.typeId()) << c.column << " " << c.stored;
            EXPECT_EQ(v, c.expected) << c.column << " " << c.stored;
        }
    }
    // Money: a count of 1/10000 euro, or euros as a real number from another program.
    rawSql(club.folder(), {"INSERT INTO buchung (Buchungsnummer, Betrag) VALUES (1, 125000), (2, 12.5), (3, NULL)"});
    Dataset& b = club.data->bookings();
    b.requery();
    b.setSort(QStringLiteral("Buchungsnummer"));
    ASSERT_EQ(b.recordCount(), 3);
    EXPECT_EQ(b.rowAt(0)[b.field("Betrag")].toLongLong(), 125000);
    EXPECT_EQ(b.rowAt(1)[b.field("Betrag")].toLongLong(), 125000);
    EXPECT_TRUE(b.rowAt(2)[b.field("Betrag")].isNull());
}

// A missing table is named in the message of the open, as before.
// Also a table read on the second connection (fee payments, fee classes): the club
// connection reads it again and says what it always says.
TEST(Reading, AMissingTableIsNamed) {
    for (const auto& [table, name] : {std::pair{"buchung", "Buchung"}, std::pair{"betrag", "Betrag"},
                                      std::pair{"beitragsklassen", "Beitragsklassen"}}) {
        Club club;
        rawSql(club.folder(), {QStringLiteral("DROP TABLE %1").arg(QLatin1String(table))});
        DataModule d;
        try {
            d.openFolder(club.folder());
            ADD_FAILURE() << "opened without " << table;
        } catch (const DataError& e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("»%1«").arg(QLatin1String(name))))
                << e.message().toStdString();
        }
    }
}

// The tables read beside each other when a club opens hold what each dataset reads alone.
TEST(Reading, TablesReadBesideEachOtherAreWhatOneConnectionReads) {
    Club club;
    club.data->feeClasses().insert();
    club.data->feeClasses().setText(QStringLiteral("Name"), QStringLiteral("Erwachsene"));
    club.data->feeClasses().setText(QStringLiteral("Beitrag"), QStringLiteral("12,50"));
    club.data->feeClasses().post();
    for (int i = 1; i <= 300; ++i) {
        club.addMember({{"ID", QString::number(i)}, {"Nachname", QStringLiteral("Müller %1").arg(i % 17)},
                        {"Betrag", QStringLiteral("Erwachsene")}});
        club.addPayment(i, 2026, i % 12 + 1, (i % 12) / 3 + 1);
    }
    Workstation other(club.folder());
    for (Dataset* opened : {&other.data.feePayments(), &other.data.feeClasses(), &other.data.members()}) {
        Dataset alone(opened->name() + QStringLiteral("Allein"), *opened->table(), opened->fields());
        alone.setFolder(club.folder());
        alone.open();
        for (int i = 0; i < alone.totalCount(); ++i)
            for (int f = 0; f < alone.fieldCount(); ++f)
                if (!alone.fields()[f].calculated) {  // computed member values aside
                    EXPECT_EQ(opened->recordAt(i)[f], alone.recordAt(i)[f]) << opened->name().toStdString() << i << f;
                }
        EXPECT_EQ(opened->totalCount(), alone.totalCount()) << opened->name().toStdString();
        EXPECT_GE(opened->totalCount(), 1);
    }
}

// What another workstation wrote comes listed by row when every change was a row's;
// otherwise the table is to be read whole.
TEST(Reading, ChangesOfOthersAreListedByRow) {
    Club club;
    for (int i = 1; i <= 3; ++i) club.addMember({{"ID", QString::number(i)}, {"Nachname", "N"}});
    Connection& mine = *club.data->connection();
    mine.changesByOthers();
    const auto keyOf = [&](int id) {
        Dataset& m = club.members();
        EXPECT_TRUE(m.locate(QStringLiteral("ID"), {id}));
        return m.value(QStringLiteral("DB-ID")).toLongLong();
    };
    {
        Workstation other(club.folder());
        editMember(other.data.members(), 2, "Anrede", QStringLiteral("Dr."));
        ASSERT_TRUE(other.data.members().locate(QStringLiteral("ID"), {3}));
        other.data.members().remove();
    }
    Connection::Changes c = mine.changesByOthers();
    ASSERT_TRUE(c.tables.contains(QStringLiteral("mitglieder")));
    ASSERT_TRUE(c.rows.contains(QStringLiteral("mitglieder")));
    EXPECT_EQ(c.rows.value(QStringLiteral("mitglieder")), (QSet<qint64>{keyOf(2), keyOf(3)}));
    // The member's new salutation also wrote the settings entries, not listed by row.
    EXPECT_TRUE(c.tables.contains(QStringLiteral("blob")));
    EXPECT_FALSE(c.rows.contains(QStringLiteral("blob")));

    // A statement past the datasets, or a count without a list (an older writer), is "all".
    {
        Workstation other(club.folder());
        other.data.members().execute(QStringLiteral("UPDATE mitglieder SET Ort = 'Berlin'"));
    }
    c = mine.changesByOthers();
    EXPECT_TRUE(c.tables.contains(QStringLiteral("mitglieder")));
    EXPECT_FALSE(c.rows.contains(QStringLiteral("mitglieder")));
    rawSql(club.folder(), {"UPDATE \"Aenderungen\" SET \"Zaehler\" = \"Zaehler\" + 1 WHERE \"Tabelle\" = 'mitglieder'"});
    c = mine.changesByOthers();
    EXPECT_TRUE(c.tables.contains(QStringLiteral("mitglieder")));
    EXPECT_FALSE(c.rows.contains(QStringLiteral("mitglieder")));

    // A commit of more rows than are listed: "all" as well.
    {
        Workstation other(club.folder());
        Dataset& m = other.data.members();
        Transaction tx(other.data.connection());
        for (int i = 0; i < 600; ++i) {
            m.insert();
            m.setText(QStringLiteral("ID"), QString::number(100 + i));
            ASSERT_TRUE(m.post());
        }
        tx.commit();
    }
    c = mine.changesByOthers();
    EXPECT_TRUE(c.tables.contains(QStringLiteral("mitglieder")));
    EXPECT_FALSE(c.rows.contains(QStringLiteral("mitglieder")));
}

// The re-read of listed rows: the changed, new and deleted rows of another workstation,
// under a filter and a sort, give exactly what a workstation reading everything presents;
// the current record stays, and is lost only when deleted.
TEST(Reading, AReReadOfRowsPresentsWhatAWholeReadDoes) {
    Club club(QDate(2024, 6, 1));
    for (int i = 1; i <= 8; ++i)
        club.addMember({{"ID", QString::number(i)},
                        {"Nachname", i % 2 ? "Becker" : "Adler"},
                        {"Vorname", "V" + QString::number(i)},
                        {"EintrittDatum", "01.01.2000"}});
    Dataset& m = club.members();
    const QString filter = QStringLiteral("Nachname <> 'Weg'");
    const QString sort = QStringLiteral("Nachname;Vorname");
    m.applyFilter(filter);
    m.setSort(sort);
    ASSERT_TRUE(m.locate(QStringLiteral("ID"), {3}));
    QSignalSpy lost(&m, &Dataset::currentRecordLost);
    QSignalSpy reads(&m, &Dataset::contentChanged);
    club.data->refreshAll();
    EXPECT_EQ(reads.count(), 0);
    {
        Workstation other(club.folder());
        Dataset& theirs = other.data.members();
        editMember(theirs, 5, "Nachname", QStringLiteral("Aaron"));  // moves in the sort
        editMember(theirs, 6, "Nachname", QStringLiteral("Weg"));    // leaves the filter
        ASSERT_TRUE(theirs.locate(QStringLiteral("ID"), {7}));
        theirs.remove();
        theirs.insert();
        theirs.setText(QStringLiteral("ID"), QStringLiteral("9"));
        theirs.setText(QStringLiteral("Nachname"), QStringLiteral("Becker"));
        theirs.setText(QStringLiteral("Vorname"), QStringLiteral("V0"));
        theirs.setText(QStringLiteral("EintrittDatum"), QStringLiteral("01.01.2014"));
        ASSERT_TRUE(theirs.post());
    }
    club.data->refreshAll();
    EXPECT_GT(reads.count(), 0);
    EXPECT_EQ(m.text("ID"), "3");
    EXPECT_TRUE(lost.isEmpty());
    {
        Workstation fresh(club.folder());
        fresh.session.memberRules().today = [] { return QDate(2024, 6, 1); };
        fresh.session.memberRules().refreshComputedValues();
        Dataset& all = fresh.data.members();
        all.applyFilter(filter);
        all.setSort(sort);
        EXPECT_EQ(presented(m), presented(all));
        EXPECT_EQ(m.totalCount(), all.totalCount());
    }
    // The new member's computed values are there too.
    ASSERT_TRUE(m.locate(QStringLiteral("ID"), {9}));
    EXPECT_EQ(m.text("Jubilaeum"), QStringLiteral("10-jähriges Vereinsjubiläum"));

    ASSERT_TRUE(m.locate(QStringLiteral("ID"), {3}));
    {
        Workstation other(club.folder());
        ASSERT_TRUE(other.data.members().locate(QStringLiteral("ID"), {3}));
        other.data.members().remove();
    }
    club.data->refreshAll();
    EXPECT_EQ(lost.count(), 1);
    EXPECT_NE(m.text("ID"), "3");
}

// One changed member reads that member only: a change no commit listed stays unread
// until the table is read whole.
TEST(Reading, OneChangedRowIsAllThatIsRead) {
    Club club;
    for (int i = 1; i <= 3; ++i) club.addMember({{"ID", QString::number(i)}, {"Nachname", "N"}});
    Dataset& m = club.members();
    club.data->refreshAll();
    rawSql(club.folder(), {"UPDATE mitglieder SET Vorname = 'Unbemerkt' WHERE ID = 1"});
    m.requery();  // the memory knows it; now the file changes behind it without a count
    rawSql(club.folder(), {"UPDATE mitglieder SET Vorname = 'Ungelesen' WHERE ID = 1"});
    club.data->connection()->changesByOthers();  // that commit is taken as seen
    {
        Workstation other(club.folder());
        editMember(other.data.members(), 2, "Vorname", QStringLiteral("Gelesen"));
    }
    club.data->refreshAll();
    ASSERT_TRUE(m.locate(QStringLiteral("ID"), {2}));
    EXPECT_EQ(m.text("Vorname"), "Gelesen");
    ASSERT_TRUE(m.locate(QStringLiteral("ID"), {1}));
    EXPECT_EQ(m.text("Vorname"), "Unbemerkt");
}

// The command-line tool ends a run that only read without closing the file: only while the
// connection has no transaction open and has written nothing.
TEST(Reading, OnlyAConnectionThatWroteNothingMayBeLeftOpen) {
    Club club;
    club.addMember({{"ID", "1"}, {"Nachname", "Berg"}});
    EXPECT_FALSE(mayLeaveWithoutClosing(*club.data->connection()));  // it wrote

    Workstation reader(club.folder());
    Connection& c = *reader.data.connection();
    EXPECT_TRUE(mayLeaveWithoutClosing(c));
    {
        Transaction tx(&c);
        EXPECT_FALSE(mayLeaveWithoutClosing(c));
    }
    EXPECT_TRUE(mayLeaveWithoutClosing(c));
    editMember(reader.data.members(), 1, "Vorname", QStringLiteral("Eins"));
    EXPECT_FALSE(mayLeaveWithoutClosing(c));
}
