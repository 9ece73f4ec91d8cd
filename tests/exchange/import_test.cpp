// The member import: the reader, the names of source columns, the conversions, the fee
// class step, a failure part-way, and every kind of source of the assistant.
#include "club.h"
#include "exchange/delimited.h"
#include "exchange/memberimport.h"
#include "exchange/sources.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

using namespace ferolind;
using namespace ferolind::exchange;
using ferolind::test::Club;

namespace {

const QString kFixtures = QStringLiteral(FEROLIND_EXCHANGE_FIXTURES);

int fieldIndexOf(const QVector<ImportField>& fields, const QString& name) {
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].field == name) return i;
    return -1;
}

// Imports records with a mapping "field -> source column".
int importInto(Club& club, const QVector<QStringList>& records, int first,
               std::initializer_list<std::pair<const char*, int>> map,
               const QVector<ImportField>& fields = importScreenFields()) {
    ImportRequest r;
    r.records = &records;
    r.first = first;
    r.fields = fields;
    r.mapping = ImportMapping(fields.size(), kNotAssigned);
    for (const auto& [f, s] : map) r.mapping[fieldIndexOf(fields, QString::fromLatin1(f))] = s;
    return importMembers(*club.data, r);
}

QStringList column(Dataset& d, const QString& field) {
    QStringList texts;
    for (int p = 0; p < d.recordCount(); ++p) {
        d.moveTo(p);
        texts << d.text(field);
    }
    return texts;
}

QStringList feeClasses(Club& club) {
    QStringList out;
    Dataset& c = club.data->feeClasses();
    for (int i = 0; i < c.totalCount(); ++i)
        out << c.recordAt(i)[c.field("Name")].toString() + "=" + c.recordAt(i)[c.field("Beitrag")].toString();
    return out;
}

}  // namespace

TEST(DelimitedReader, QualifierLineEndsAndShortLines) {
    struct Case {
        const char* text;
        char separator, qualifier;
        QVector<QStringList> rows;
    };
    const Case cases[] = {
        {"Muster;\"Haupt;str. 1\"\r\n", ';', '"', {{"Muster", "Haupt;str. 1"}}},
        {"a\tb\nc\r\n\r\nd", '\t', 0, {{"a", "b"}, {"c"}, {""}, {"d"}}},
        {"'O''Neil','x'", ',', '\'', {{"ONeil", "x"}}},
        {"\"a\"\"b\";c", ';', 0, {{"\"a\"\"b\"", "c"}}},
        {"1;2;3\n4", ';', 0, {{"1", "2", "3"}, {"4"}}},
        {"", ';', '"', {}},
    };
    for (const Case& c : cases) {
        const auto rows = readDelimited(QString::fromLatin1(c.text), QLatin1Char(c.separator),
                                        c.qualifier ? QChar(QLatin1Char(c.qualifier)) : QChar());
        EXPECT_EQ(rows, c.rows) << c.text;
    }
    EXPECT_EQ(columnCount(readDelimited(QStringLiteral("1;2;3\n4"), QLatin1Char(';'))), 3);
}

TEST(DelimitedReader, SourceColumnNames) {
    const QVector<QStringList> records = {{"Vorname", "", "Ort"}, {"Anna", "x", "Dresden", "zu viel"}};
    EXPECT_EQ(sourceColumnNames(records, true), (QStringList{"Vorname", "FELD 2", "Ort", "FELD 4"}));
    EXPECT_EQ(sourceColumnNames(records, false), (QStringList{"FELD 1", "FELD 2", "FELD 3", "FELD 4"}));
    EXPECT_EQ(sourceColumnNames(records, false, {"A", "B"}), (QStringList{"A", "B", "FELD 3", "FELD 4"}));
}

TEST(MemberImport, ConversionsOfEveryKindOfField) {
    Club club(QDate(2026, 6, 1));
    const QVector<QStringList> records = {
        {"12", "01.02.1970", "3.4.2001", "1234567890", "37040044", "ist wahr", "Frau"},
        {"zwölf", "kein Datum", "", "12345678901", "BLZ", "Wahr", ""},
        {"", "", "31.12.1999", "", "", "true", "Herr"},
    };
    const int stored = importInto(club, records, 0,
                                  {{"ID", 0}, {"Geburtsdatum", 1}, {"AustrittDatum", 2}, {"Kontonummer", 3},
                                   {"Bankleitzahl", 4}, {"DTAUS", 5}, {"Anrede", 6}});
    EXPECT_EQ(stored, 3);
    Dataset& m = club.members();
    ASSERT_EQ(m.recordCount(), 3);
    EXPECT_EQ(column(m, "ID"), (QStringList{"12", "13", "14"}));  // a text that is no number keeps the given one
    EXPECT_EQ(column(m, "Geburtsdatum"), (QStringList{"01.02.1970", "", ""}));
    EXPECT_EQ(column(m, "AustrittDatum"), (QStringList{"03.04.2001", "", "31.12.1999"}));
    EXPECT_EQ(column(m, "Kontonummer"), (QStringList{"1234567890", "", ""}));
    EXPECT_EQ(column(m, "Bankleitzahl"), (QStringList{"37040044", "", ""}));
    EXPECT_EQ(column(m, "Anrede"), (QStringList{"Frau", "", "Herr"}));
    // The entry date is not assigned: cleared, not today.
    EXPECT_EQ(column(m, "EintrittDatum"), (QStringList{"", "", ""}));
    // "wahr" or "true" anywhere, exact lower case (the rules may still refuse direct debit
    // without bank data, so the flag is checked through the importer's own conversion).
    m.insert();
    for (const char* text : {"ist wahr", "true"}) {
        m.setValue("DTAUS", false);
        setImportedField(m, "DTAUS", QString::fromLatin1(text));
        EXPECT_TRUE(m.value("DTAUS").toBool()) << text;
    }
    for (const char* text : {"Wahr", "TRUE", "ja", ""}) {
        m.setValue("DTAUS", false);
        setImportedField(m, "DTAUS", QString::fromLatin1(text));
        EXPECT_FALSE(m.value("DTAUS").toBool()) << text;
    }
    m.cancel();
}

TEST(MemberImport, TitleLineAndFeeClassStep) {
    Club club;
    const QVector<QStringList> records =
        readDelimited(QStringLiteral("Name;Klasse\r\nA;50\r\nB;50\r\nC;Vollzahler\r\nD;Vollzahler\r\nE;\r\n"),
                      QLatin1Char(';'));
    EXPECT_EQ(importInto(club, records, 1, {{"Nachname", 0}, {"Betrag", 1}}), 5);
    EXPECT_EQ(column(club.members(), "Nachname"), (QStringList{"A", "B", "C", "D", "E"}));
    // Members keep their class text; each class is created once, a word without a fee.
    EXPECT_EQ(column(club.members(), "Betrag"), (QStringList{"50", "50", "Vollzahler", "Vollzahler", ""}));
    EXPECT_EQ(feeClasses(club), (QStringList{"50=500000", "Vollzahler="}));

    // Unassigning the fee class stops class values from being imported.
    EXPECT_EQ(importInto(club, records, 1, {{"Nachname", 0}}), 5);
    EXPECT_EQ(column(club.members(), "Betrag").mid(5), QStringList(5, QString()));
}

TEST(MemberImport, AFailurePartWayKeepsWhatWasStoredAndNamesTheLine) {
    Club club;
    const QVector<QStringList> records = {{"Anna"}, {"Bernd"}, {QString(60, QLatin1Char('x'))}, {"Doris"}};
    try {
        importInto(club, records, 0, {{"Vorname", 0}});
        FAIL() << "no error";
    } catch (const ImportError& e) {
        EXPECT_EQ(e.stored(), 2);
        EXPECT_EQ(e.record(), 2);
        EXPECT_EQ(e.field(), QStringLiteral("Vorname"));
        EXPECT_TRUE(e.message().contains(QStringLiteral("Zeile 3"))) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(QStringLiteral("Vorname"))) << e.message().toStdString();
    }
    EXPECT_EQ(club.members().state(), Dataset::State::Browse);
    EXPECT_EQ(column(club.members(), "Vorname"), (QStringList{"Anna", "Bernd"}));
    // The two are in the file, not only in memory.
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT count(*) FROM mitglieder"}).toInt(), 2);
}

TEST(ImportSources, KindsByExtensionAndTheirFailureMessages) {
    EXPECT_EQ(sourceKindOf("a.xls"), SourceKind::Xls);
    EXPECT_EQ(sourceKindOf("a.ods"), SourceKind::Ods);
    EXPECT_EQ(sourceKindOf("a.xlsx"), SourceKind::Xlsx);
    EXPECT_EQ(sourceKindOf("a.mdb"), SourceKind::Mdb);
    EXPECT_EQ(sourceKindOf("a.XLS"), SourceKind::Text);
    EXPECT_EQ(sourceKindOf("a.csv"), SourceKind::Text);
    QTemporaryDir dir;
    const QString text = dir.filePath("kaputt.xls");
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Vorname;Nachname\n");
    f.close();
    const struct {
        QString path;
        const char* message;
    } failing[] = {{text, "Die Datei »%1« ist keine lesbare Excel-Arbeitsmappe (.xls)"},
                   {dir.filePath("fehlt.xlsx"), "Die Datei »%1« ist nicht vorhanden"},
                   {text.chopped(3) + "mdb", "Die Datei »%1« ist keine lesbare Access-Datenbank (.mdb)"},
                   {dir.filePath("fehlt.csv"), "Die Datei »%1« ist nicht vorhanden"}};
    QFile::copy(text, text.chopped(3) + "mdb");
    for (const auto& c : failing) {
        try {
            readSource(c.path, {}, QLatin1Char(';'));
            ADD_FAILURE() << c.path.toStdString();
        } catch (const DataError& e) {
            EXPECT_TRUE(e.message().startsWith(QString::fromUtf8(c.message).arg(QDir::toNativeSeparators(c.path))))
                << e.message().toStdString();
        }
    }
}

TEST(ImportSources, WorkbooksDatabasesAndText) {
    // .xls through libfreexl
    EXPECT_EQ(sourceTableNames(kFixtures + "/members.xls"), (QStringList{"Mitglieder", "Leer"}));
    const SourceTable xls = readSource(kFixtures + "/members.xls", {}, QLatin1Char(';'));
    EXPECT_EQ(xls.records, (QVector<QStringList>{{"Vorname", "Nachname", "Geburt", "Beitrag", "Nr"},
                                                 {"Anna", "Müller", "01.02.1970", "50", "7"},
                                                 {"Bernd", "Schäfer", "24.12.1985", "12,5", "8"}}));
    // .xlsx: rows and columns start late, shared strings with runs, an inline string, dates
    EXPECT_EQ(sourceTableNames(kFixtures + "/members.xlsx"), (QStringList{"Mitglieder", "Zweites Blatt"}));
    const SourceTable xlsx = readSource(kFixtures + "/members.xlsx", "Mitglieder", QLatin1Char(';'));
    EXPECT_EQ(xlsx.records, (QVector<QStringList>{{"Vorname", "Nachname", "Geburt", "Aktiv"},
                                                  {"Anna", "Müller", "01.02.1970", "Wahr"},
                                                  {},
                                                  {"Bernd", "", "24.12.1985 12:00:00", "12,5"}}));
    EXPECT_EQ(readSource(kFixtures + "/members.xlsx", "Zweites Blatt", QLatin1Char(';')).records,
              (QVector<QStringList>{{"1"}}));
    // .mdb through libmdb: dates far outside the usual range read right
    EXPECT_EQ(sourceTableNames(kFixtures + "/jet4-dates.mdb"), QStringList{"DateTest"});
    const SourceTable mdb = readSource(kFixtures + "/jet4-dates.mdb", {}, QLatin1Char(';'));
    EXPECT_EQ(mdb.fieldNames,
              (QStringList{"IDCol", "DateTimeCol", "DateCol", "TimeCol", "LongTextCol", "ShortTextCol"}));
    ASSERT_EQ(mdb.records.size(), 6);
    EXPECT_EQ(mdb.records[0], (QStringList{"1", "02.12.2021", "02.12.2021", "02.12.2021", "Hello", "Hello"}));
    // (mdbtools' own conversion gives 1900-01-00 for each of these)
    EXPECT_EQ(mdb.records[1].mid(1, 3), (QStringList{"01.01.9999", "01.01.9999", "01.01.9999"}));
    EXPECT_EQ(mdb.records[2].mid(1, 3), (QStringList{"01.01.1898", "01.01.1899", "01.01.1900"}));
    EXPECT_EQ(mdb.records[3].mid(1, 3), (QStringList{"01.01.0632", "01.01.0633", "01.01.0634"}));
    EXPECT_EQ(mdb.records[5][4], QStringLiteral("New line\r\nin field"));
    // text: split at the separator, no qualifier
    QTemporaryDir dir;
    QFile f(dir.filePath("liste.txt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\"A\";M\xFCller\r\nB\r\n");
    f.close();
    EXPECT_EQ(readSource(f.fileName(), {}, QLatin1Char(';')).records,
              (QVector<QStringList>{{"\"A\"", "Müller"}, {"B"}}));
}

TEST(ImportSources, AnotherClubDatabaseNamedMdbReadsThroughSqlite) {
    Club other;
    other.addMember({{"Vorname", "Anna"}, {"Nachname", "Berg"}, {"Geburtsdatum", "01.02.1970"}, {"DTAUS", "Falsch"}});
    QTemporaryDir dir;
    const QString copy = dir.filePath("verein.mdb");
    ASSERT_TRUE(QFile::copy(databaseFile(other.folder()), copy));
    EXPECT_TRUE(sourceTableNames(copy).contains(QStringLiteral("Mitglieder")));
    const SourceTable t = readSource(copy, "Mitglieder", QLatin1Char(';'));
    ASSERT_EQ(t.records.size(), 1);
    const auto at = [&](const char* name) { return t.records[0][t.fieldNames.indexOf(QString::fromLatin1(name))]; };
    EXPECT_EQ(at("Vorname"), QStringLiteral("Anna"));
    EXPECT_EQ(at("Geburtsdatum"), QStringLiteral("01.02.1970"));
    EXPECT_EQ(at("DTAUS"), QStringLiteral("Falsch"));
}

TEST(ImportSources, AssistantImportFromEachKind) {
    Club club;
    const auto& fields = assistantFields();
    EXPECT_EQ(fields.size(), 26);
    const SourceTable xls = readSource(kFixtures + "/members.xls", "Mitglieder", QLatin1Char(';'));
    EXPECT_EQ(importInto(club, xls.records, 1, {{"Vorname", 0}, {"Nachname", 1}, {"Geburtsdatum", 2}, {"Betrag", 3}},
                         fields),
              2);
    const SourceTable xlsx = readSource(kFixtures + "/members.xlsx", "Mitglieder", QLatin1Char(';'));
    EXPECT_EQ(importInto(club, xlsx.records, 1, {{"Vorname", 0}, {"Nachname", 1}}, fields), 2);  // the empty row is no member
    const SourceTable mdb = readSource(kFixtures + "/jet4-dates.mdb", {}, QLatin1Char(';'));
    EXPECT_EQ(importInto(club, mdb.records, 0, {{"Vorname", 5}, {"Geburtsdatum", 2}}, fields), 6);
    EXPECT_EQ(column(club.members(), "Nachname").mid(0, 4), (QStringList{"Müller", "Schäfer", "Müller", ""}));
    EXPECT_EQ(column(club.members(), "Geburtsdatum").mid(0, 2), (QStringList{"01.02.1970", "24.12.1985"}));
    EXPECT_EQ(column(club.members(), "Vorname").mid(4, 2), (QStringList{"Hello", "Year 1999"}));
    EXPECT_EQ(feeClasses(club), (QStringList{"50=500000", "12,5=125000"}));
}

TEST(ImportCommand, StopsOnABadLineWithStatusOneAndKeepsTheMembersBefore) {
    Club club;
    QTemporaryDir dir;
    QFile f(dir.filePath("m.csv"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\"Vorname\";\"Nachname\"\r\n\"Anna\";\"Berg\"\r\n\"Bernd\";\"" + QByteArray(60, 'x') + "\"\r\n\"C\";\"D\"\r\n");
    f.close();
    QProcess p;
    p.start(QStringLiteral(FEROLIND_CLI_PATH),
            {"--db", club.folder(), "members", "import", f.fileName(), "--separator", ";", "--qualifier", "\"", "--map",
             "Vorname=Vorname,Nachname=Nachname"});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 1) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("Zeile 3")) && err.contains(QStringLiteral("Nachname"))) << err.toStdString();
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT group_concat(Vorname) FROM mitglieder"}).toString(),
              QStringLiteral("Anna"));
}
