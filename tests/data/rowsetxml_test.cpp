#include "data/rowsetxml.h"

#include "data/errors.h"
#include "data/schema.h"
#include "errormessage.h"
#include "filesizelimit.h"
#include "testsupport.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QMap>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <ostream>

// Readable failure output for Qt types.
QT_BEGIN_NAMESPACE
void PrintTo(const QVariant& v, std::ostream* os) {
    if (!v.isValid()) {
        *os << "<null>";
        return;
    }
    const QString text =
        v.metaType().id() == QMetaType::QDateTime ? v.toDateTime().toString(Qt::ISODateWithMs) : v.toString();
    *os << v.typeName() << '(' << text.toStdString() << ')';
}
QT_END_NAMESPACE

using namespace ferolind;

namespace {

FieldDef F(const QString& name, FieldType type, int size = 0, bool calculated = false) {
    FieldDef f;
    f.name = name;
    f.type = type;
    f.size = size;
    f.calculated = calculated;
    return f;
}

constexpr auto AutoInc = FieldType::AutoIncrement;
constexpr auto Int = FieldType::Integer;
constexpr auto Text = FieldType::Text;
constexpr auto Memo = FieldType::Memo;
constexpr auto Date = FieldType::Date;
constexpr auto Bool = FieldType::Bool;
constexpr auto Currency = FieldType::Currency;

const QVariant N;  // no value
QVariant I(int n) { return n; }
QVariant S(const QString& s) { return s; }
QVariant M(qint64 tenThousandths) { return QVariant::fromValue<qint64>(tenThousandths); }
QVariant B(bool b) { return b; }
QVariant D(int y, int m, int d) { return QDate(y, m, d); }
QVariant DT(int y, int m, int d, int h, int mi, int s) { return QDateTime(QDate(y, m, d), QTime(h, mi, s)); }

// ---------------------------------------------------------------------------------------
// The program's five tables, as their datasets present them.

FieldList mitgliederFields() { return memberDatasetFields(); }

QVector<Row> mitgliederRows() {
    const Row juergen{I(1),
                      I(101),
                      S("Herr"),
                      S(QStringLiteral("Jürgen")),
                      S(QStringLiteral("Müller-Lüdenscheidt")),
                      S(QStringLiteral("Hauptstraße 5")),
                      S("D"),
                      S("50667"),
                      S(QStringLiteral("Köln")),
                      S("0221 123456"),
                      N,
                      N,
                      S("j.mueller@example.de"),
                      D(1961, 4, 12),
                      D(1985, 1, 1),
                      N,
                      S(QStringLiteral("männlich")),
                      S("aktiv"),
                      S(QStringLiteral("Sagt \"Moin\" & trinkt Kölsch <immer> > nie")),
                      S("1234567890"),
                      S(QStringLiteral("Jürgen Müller")),
                      I(37050198),
                      S(QStringLiteral("Sparkasse KölnBonn")),
                      S("Vollzahler"),
                      B(true),
                      S(QStringLiteral("Spende 50 €")),
                      N,
                      N,
                      S("  zwei  Leerzeichen  "),
                      S("40 Jahre"),
                      B(true)};
    const Row anne{I(2),
                   I(102),
                   S("Frau"),
                   S("Anne-Marie"),
                   S("O'Neill"),
                   S(QStringLiteral("Am Bach 1a")),
                   S("IRL"),
                   S("D02"),
                   S("Dublin"),
                   N,
                   S("+353 1 555"),
                   N,
                   N,
                   N,
                   DT(2020, 5, 17, 18, 30, 0),
                   D(2023, 12, 31),
                   S("weiblich"),
                   S("ausgetreten"),
                   S(QStringLiteral("Zahlt bar.\r\nAb 2024 ermäßigt.\r\n\tSiehe Akte 'A&B'")),
                   N,
                   N,
                   N,
                   N,
                   S(QStringLiteral("Ermäßigt")),
                   B(false),
                   N,
                   N,
                   N,
                   N,
                   N,
                   B(false)};
    Row empty(mitgliederFields().size());  // everything null but the counter
    empty[0] = I(3);
    return {juergen, anne, empty};
}

FieldList betragFields() { return feePaymentsTable().columns; }

QVector<Row> betragRows() {
    return {{I(1), I(2024), I(101), I(3), I(1)},
            {I(2), I(2024), I(102), N, I(2)},
            {I(std::numeric_limits<int>::max()), I(0), I(-1), I(std::numeric_limits<int>::min()), N}};
}

FieldList beitragsklassenFields() { return feeClassesTable().columns; }

QVector<Row> beitragsklassenRows() {
    return {{I(1), S("Vollzahler"), M(600000)},
            {I(2), S(QStringLiteral("Ermäßigt (Schüler & Studenten)")), M(305000)},
            {I(3), S("Ehrenmitglied"), M(0)},
            {I(4), S("Gutschrift"), M(-125000)},
            {I(5), S("Kleinstbetrag"), M(1)},
            {I(6), S(QStringLiteral("Rückbuchung")), M(-1)},
            {I(7), S("Maximum"), M(std::numeric_limits<qint64>::max())},
            {I(8), S("Minimum"), M(std::numeric_limits<qint64>::min())},
            {I(9), S("Ohne Beitrag"), N}};
}

FieldList buchungFields() { return bookingDatasetFields(); }

QVector<Row> buchungRows() {
    return {{I(1), D(2024, 1, 15), S(QStringLiteral("Stadtwerke Köln")), S("Strom Vereinsheim 'Januar'"), S("S"),
             M(-895000), S("Nebenkosten"), S("Girokonto"), I(1)},
            {I(2), DT(2024, 2, 1, 10, 15, 30), S(QStringLiteral("Müller, Jürgen")), S("Beitrag 2024 <Q1> & Q2"), S("H"),
             M(600000), S(QStringLiteral("Beiträge")), S("Kasse"), I(2)},
            {I(3), N, N, N, N, N, N, N, I(3)}};
}

FieldList blobFields() { return settingsTable().columns; }

QVector<Row> blobRows() {
    return {{I(1), S("einstellungen.ini"),
             S(QStringLiteral("[Verein]\r\nName=Schützenverein \"Gut Schuss\" e.V.\r\n"
                              "Ort=Düsseldorf\r\n\r\n[Bank]\r\nBLZ=30050110\r\n"))},
            {I(2), S("gemischt.txt"), S(QStringLiteral("nur LF\nnur CR\rTab\tEnde & <tag> ' \" € ß 𝄞"))},
            {I(3), S("   "), S(QStringLiteral("\r\n"))},
            {I(4), N, N}};
}

// ---------------------------------------------------------------------------------------

void expectFieldsEqual(const FieldList& actual, const FieldList& written) {
    ASSERT_EQ(actual.size(), written.size());
    for (int i = 0; i < written.size(); ++i) {
        SCOPED_TRACE(written[i].name.toStdString());
        EXPECT_EQ(actual[i].name, written[i].name);
        EXPECT_EQ(actual[i].type, written[i].type);
        EXPECT_EQ(actual[i].size, written[i].type == Text ? written[i].size : 0);
        EXPECT_FALSE(actual[i].calculated);
    }
}

// Same values with the same representation (int, qint64, QDate vs QDateTime, ...).
void expectRowsEqual(const QVector<Row>& actual, const QVector<Row>& expected, const FieldList& fields) {
    ASSERT_EQ(actual.size(), expected.size());
    for (int r = 0; r < expected.size(); ++r) {
        ASSERT_EQ(actual[r].size(), expected[r].size()) << "Datensatz " << r + 1;
        for (int c = 0; c < expected[r].size(); ++c) {
            SCOPED_TRACE(QStringLiteral("Datensatz %1, Feld %2").arg(r + 1).arg(fields[c].name).toStdString());
            const QVariant& a = actual[r][c];
            const QVariant& e = expected[r][c];
            EXPECT_EQ(a.isValid(), e.isValid()) << ::testing::PrintToString(a);
            if (a.isValid() && e.isValid()) {
                EXPECT_EQ(a.metaType().id(), e.metaType().id()) << ::testing::PrintToString(a);
                EXPECT_EQ(a, e);
            }
        }
    }
}

struct TableCase {
    const char* name;
    std::function<FieldList()> fields;
    std::function<QVector<Row>()> rows;
};

class TableRoundTrip : public ::testing::TestWithParam<TableCase> {};

TEST_P(TableRoundTrip, FileKeepsFieldsAndEveryValueExactly) {
    const FieldList fields = GetParam().fields();
    const QVector<Row> rows = GetParam().rows();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("%1.xml").arg(QLatin1String(GetParam().name)));

    writeRowsetXml(path, fields, rows);
    const Rowset back = readRowsetXml(path);

    expectFieldsEqual(back.fields, fields);
    expectRowsEqual(back.rows, rows, fields);
}

INSTANTIATE_TEST_SUITE_P(AllTables, TableRoundTrip,
                         ::testing::Values(TableCase{"mitglieder", mitgliederFields, mitgliederRows},
                                           TableCase{"betrag", betragFields, betragRows},
                                           TableCase{"beitragsklassen", beitragsklassenFields, beitragsklassenRows},
                                           TableCase{"buchung", buchungFields, buchungRows},
                                           TableCase{"blob", blobFields, blobRows}),
                         [](const ::testing::TestParamInfo<TableCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------
// The written document, element by element.

struct XmlElement {
    QString name;                       // qualified, e.g. "s:AttributeType"
    QMap<QString, QString> attributes;  // by qualified name
    QMap<QString, QString> namespaces;  // prefix -> URI declared on this element
};

QVector<XmlElement> elementsOf(const QByteArray& xml) {
    QVector<XmlElement> out;
    QXmlStreamReader x(xml);
    while (!x.atEnd()) {
        if (x.readNext() != QXmlStreamReader::StartElement) continue;
        XmlElement e;
        e.name = x.qualifiedName().toString();
        for (const auto& a : x.attributes()) e.attributes.insert(a.qualifiedName().toString(), a.value().toString());
        for (const auto& n : x.namespaceDeclarations())
            e.namespaces.insert(n.prefix().toString(), n.namespaceUri().toString());
        out << e;
    }
    EXPECT_FALSE(x.hasError()) << x.errorString().toStdString();
    return out;
}

QVector<XmlElement> named(const QVector<XmlElement>& all, const QString& name) {
    QVector<XmlElement> out;
    for (const auto& e : all)
        if (e.name == name) out << e;
    return out;
}

TEST(RowsetXmlWriter, DocumentHasTheShapeAdoExpects) {
    const FieldList fields{F("DB-ID", AutoInc),     F("Empfaenger/Absender", Text, 50),
                           F("Betrag", Currency),   F("Notiz", Memo),
                           F("Datum", Date),        F("Bezahlt", Bool),
                           F("Summe", Int, 0, true)};
    const QVector<Row> rows{{I(7), S("Kasse"), N, S("a\r\nb"), D(2024, 3, 1), B(true), I(3)}};
    const QByteArray xml = rowsetXmlToBytes(fields, rows);
    const QVector<XmlElement> all = elementsOf(xml);
    ASSERT_FALSE(all.isEmpty());

    EXPECT_EQ(all.first().name, "xml");
    const QMap<QString, QString> expectedNamespaces{{"s", "uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882"},
                                                    {"dt", "uuid:C2F41010-65B3-11d1-A29F-00AA00C14882"},
                                                    {"rs", "urn:schemas-microsoft-com:rowset"},
                                                    {"z", "#RowsetSchema"}};
    EXPECT_EQ(all.first().namespaces, expectedNamespaces);

    ASSERT_EQ(named(all, "s:Schema").size(), 1);
    EXPECT_EQ(named(all, "s:Schema")[0].attributes.value("id"), "RowsetSchema");
    const auto elementTypes = named(all, "s:ElementType");
    ASSERT_EQ(elementTypes.size(), 1);
    EXPECT_EQ(elementTypes[0].attributes.value("name"), "row");
    EXPECT_EQ(elementTypes[0].attributes.value("content"), "eltOnly");
    ASSERT_EQ(named(all, "s:extends").size(), 1);
    EXPECT_EQ(named(all, "s:extends")[0].attributes.value("type"), "rs:rowbase");

    // Column declarations: name, real name where renamed, ordinal, nullability, counter.
    const auto columns = named(all, "s:AttributeType");
    ASSERT_EQ(columns.size(), fields.size());
    EXPECT_EQ(columns[0].attributes.value("name"), "c0");
    EXPECT_EQ(columns[0].attributes.value("rs:name"), "DB-ID");
    EXPECT_EQ(columns[0].attributes.value("rs:autoincrement"), "true");
    EXPECT_FALSE(columns[0].attributes.contains("rs:nullable"));
    EXPECT_EQ(columns[1].attributes.value("name"), "c1");
    EXPECT_EQ(columns[1].attributes.value("rs:name"), "Empfaenger/Absender");
    EXPECT_EQ(columns[2].attributes.value("name"), "Betrag");
    EXPECT_FALSE(columns[2].attributes.contains("rs:name"));
    for (int i = 0; i < columns.size(); ++i) {
        EXPECT_EQ(columns[i].attributes.value("rs:number"), QString::number(i + 1));
        EXPECT_EQ(columns[i].attributes.value("rs:writeunknown"), "true");
        if (i > 0) {
            EXPECT_EQ(columns[i].attributes.value("rs:nullable"), "true") << i;
        }
    }

    // Data types, in column order.
    using Attrs = QMap<QString, QString>;
    const QVector<Attrs> expectedTypes{
        {{"dt:type", "int"}, {"dt:maxLength", "4"}, {"rs:precision", "10"}, {"rs:fixedlength", "true"}},
        {{"dt:type", "string"}, {"rs:dbtype", "str"}, {"dt:maxLength", "50"}},
        {{"dt:type", "number"},
         {"rs:dbtype", "currency"},
         {"dt:maxLength", "8"},
         {"rs:precision", "19"},
         {"rs:fixedlength", "true"}},
        {{"dt:type", "string"}, {"dt:maxLength", "536870910"}, {"rs:long", "true"}},
        {{"dt:type", "dateTime"}, {"rs:dbtype", "variantdate"}, {"dt:maxLength", "16"}, {"rs:fixedlength", "true"}},
        {{"dt:type", "boolean"}, {"dt:maxLength", "2"}, {"rs:fixedlength", "true"}},
        {{"dt:type", "int"}, {"dt:maxLength", "4"}, {"rs:precision", "10"}, {"rs:fixedlength", "true"}},
    };
    const auto datatypes = named(all, "s:datatype");
    ASSERT_EQ(datatypes.size(), expectedTypes.size());
    for (int i = 0; i < datatypes.size(); ++i) EXPECT_EQ(datatypes[i].attributes, expectedTypes[i]) << i;

    // The row: short names for renamed columns, the null Betrag left out.
    const auto dataRows = named(all, "z:row");
    ASSERT_EQ(dataRows.size(), 1);
    const Attrs expectedRow{{"c0", "7"},         {"c1", "Kasse"}, {"Notiz", "a\r\nb"}, {"Datum", "2024-03-01T00:00:00"},
                            {"Bezahlt", "True"}, {"Summe", "3"}};
    EXPECT_EQ(dataRows[0].attributes, expectedRow);
    EXPECT_EQ(named(all, "rs:data").size(), 1);

    // Line breaks inside a value must be character references: a literal one would be read
    // back as a space.
    EXPECT_FALSE(xml.contains('\r'));
    EXPECT_TRUE(xml.contains("a&#13;&#10;b") || xml.contains("a&#xd;&#xa;b") || xml.contains("a&#xD;&#xA;b"))
        << xml.toStdString();
}

TEST(RowsetXmlWriter, RenamesExactlyTheColumnsThatAreNoPlainIdentifiers) {
    struct Case {
        QString name;
        bool renamed;
    };
    const QVector<Case> cases{{"ID", false},
                              {"Telefon1", false},
                              {"c9", false},
                              {"_intern", false},
                              {"DB-ID", true},
                              {"Empfaenger/Absender", true},
                              {"1Zahl", true},
                              {QStringLiteral("Straße"), true},
                              {"mit Leerzeichen", true},
                              {"Punkt.Name", true}};
    FieldList fields;
    Row row;
    for (const Case& c : cases) {
        fields << F(c.name, Text, 10);
        row << S(QStringLiteral("Wert ") + c.name);
    }
    const QByteArray xml = rowsetXmlToBytes(fields, {row});
    const auto columns = named(elementsOf(xml), "s:AttributeType");
    ASSERT_EQ(columns.size(), cases.size());
    QSet<QString> shortNames;
    for (int i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name.toStdString());
        const QString written = columns[i].attributes.value("name");
        if (cases[i].renamed) {
            EXPECT_TRUE(written.startsWith(QStringLiteral("c%1").arg(i))) << written.toStdString();
            EXPECT_EQ(columns[i].attributes.value("rs:name"), cases[i].name);
        } else {
            EXPECT_EQ(written, cases[i].name);
            EXPECT_FALSE(columns[i].attributes.contains("rs:name"));
        }
        shortNames.insert(written);
    }
    // "c9" is taken by a real column, so the renamed tenth column must not collide with it.
    EXPECT_EQ(shortNames.size(), cases.size());

    const Rowset back = rowsetXmlFromBytes(xml, "umbenannt.xml");
    expectFieldsEqual(back.fields, fields);
    expectRowsEqual(back.rows, {row}, fields);
}

TEST(RowsetXmlWriter, RefusesColumnNamesThatOccurTwice) {
    EXPECT_THROW(rowsetXmlToBytes({F("Name", Text, 5), F("Name", Int)}, {}), DataError);
}

// Each value's attribute text, as ADO writes and expects it.
TEST(RowsetXmlWriter, WritesValueTextsInAdoForm) {
    struct Case {
        FieldType type;
        QVariant value;
        const char* text;  // nullptr: attribute omitted
    };
    const QVector<Case> cases{
        {Int, I(-42), "-42"},
        {Int, I(std::numeric_limits<int>::min()), "-2147483648"},
        {Int, QVariant::fromValue<qint64>(12), "12"},
        {Currency, M(125000), "12.5"},
        {Currency, M(-30000), "-3"},
        {Currency, M(12345678), "1234.5678"},
        {Currency, M(1), "0.0001"},
        {Currency, M(-1), "-0.0001"},
        {Currency, M(0), "0"},
        {Currency, M(10000000000000LL), "1000000000"},
        {Currency, M(std::numeric_limits<qint64>::min()), "-922337203685477.5808"},
        {Currency, I(5), "0.0005"},
        {Bool, B(true), "True"},
        {Bool, B(false), "False"},
        {Date, D(2024, 3, 1), "2024-03-01T00:00:00"},
        {Date, DT(2024, 3, 1, 14, 5, 9), "2024-03-01T14:05:09"},
        {Date, D(999, 1, 2), "0999-01-02T00:00:00"},
        {Date, QVariant(QDate()), nullptr},
        {Text, S(""), nullptr},
        {Memo, N, nullptr},
        {Currency, N, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.value));
        const auto row = named(elementsOf(rowsetXmlToBytes({F("v", c.type, 10)}, {{c.value}})), "z:row");
        ASSERT_EQ(row.size(), 1);
        if (c.text) {
            EXPECT_EQ(row[0].attributes.value("v"), QString::fromUtf8(c.text));
        } else {
            EXPECT_FALSE(row[0].attributes.contains("v"));
        }
    }
}

// ---------------------------------------------------------------------------------------
// Reading documents not written by this program.

QByteArray oneColumnDocument(const QByteArray& datatype, const QByteArray& value) {
    return "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882'"
           " xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'"
           " xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>\n"
           "<s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>\n"
           "<s:AttributeType name='Wert' rs:number='1' rs:nullable='true'><s:datatype " +
           datatype +
           "/></s:AttributeType><s:extends type='rs:rowbase'/></s:ElementType></s:Schema>\n"
           "<rs:data>\n<z:row/>\n<z:row Wert='" +
           value + "'/>\n</rs:data></xml>\n";
}

const QByteArray kInt = "dt:type='int' dt:maxLength='4'";
const QByteArray kCurrency = "dt:type='number' rs:dbtype='currency' dt:maxLength='8'";
const QByteArray kBool = "dt:type='boolean' dt:maxLength='2'";
const QByteArray kDateTime = "dt:type='dateTime' rs:dbtype='variantdate'";

TEST(RowsetXmlReader, ReadsValueTextsOfEveryKnownForm) {
    struct Case {
        QByteArray datatype;
        QByteArray text;
        QVariant expected;
    };
    QDateTime withMs(QDate(2024, 3, 1), QTime(14, 5, 9, 250));
    const QVector<Case> cases{
        {kInt, " -7 ", I(-7)},
        {kInt, "+2147483647", I(std::numeric_limits<int>::max())},
        {"dt:type='i2'", "12", I(12)},
        {"dt:type='ui1'", "255", I(255)},
        {kBool, "True", B(true)},
        {kBool, "true", B(true)},
        {kBool, "1", B(true)},
        {kBool, "-1", B(true)},
        {kBool, "FALSE", B(false)},
        {kBool, "0", B(false)},
        {kCurrency, "12.5", M(125000)},
        {kCurrency, "-3", M(-30000)},
        {kCurrency, "+.5", M(5000)},
        {kCurrency, "12.50000", M(125000)},
        {kCurrency, "922337203685477.5807", M(std::numeric_limits<qint64>::max())},
        {kCurrency, "-922337203685477.5808", M(std::numeric_limits<qint64>::min())},
        {kCurrency, "0.00005", M(0)},  // beyond 1/10000: halves to even
        {kCurrency, "0.00015", M(2)},
        {kCurrency, "0.000051", M(1)},
        {kDateTime, "2024-03-01T00:00:00", D(2024, 3, 1)},
        {kDateTime, "2024-03-01T14:05:09", DT(2024, 3, 1, 14, 5, 9)},
        {kDateTime, "2024-03-01T14:05:09.25", QVariant(withMs)},
        {"dt:type='date'", "2024-03-01", D(2024, 3, 1)},
        {"dt:type='dateTime.tz'", "2024-03-01T14:05:09+01:00", DT(2024, 3, 1, 14, 5, 9)},
        {"dt:type='string' dt:maxLength='5'", "", N},
        {"dt:type='r8'", "1.5E3", S("1.5E3")},  // no counterpart: kept as text
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.datatype.toStdString() + " / " + c.text.toStdString());
        const Rowset rs = rowsetXmlFromBytes(oneColumnDocument(c.datatype, c.text), "test.xml");
        ASSERT_EQ(rs.rows.size(), 2);
        const QVariant& v = rs.rows[1][0];
        ASSERT_EQ(v.isValid(), c.expected.isValid()) << ::testing::PrintToString(v);
        if (v.isValid()) {
            EXPECT_EQ(v.metaType().id(), c.expected.metaType().id()) << ::testing::PrintToString(v);
            EXPECT_EQ(v, c.expected);
        }
    }
}

TEST(RowsetXmlReader, ReadsAHandWrittenAdoDocument) {
    // Double quotes (and one single-quoted value), namespaces declared in another order,
    // attributes in other orders, extra ADO attributes, rows leaving out null values.
    const QByteArray xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<xml xmlns:z="#RowsetSchema"
     xmlns:rs="urn:schemas-microsoft-com:rowset"
     xmlns:dt="uuid:C2F41010-65B3-11d1-A29F-00AA00C14882"
     xmlns:s="uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882">
<s:Schema id="RowsetSchema">
  <s:ElementType name="row" content="eltOnly" rs:CommandTimeout="30" rs:updatable="true">
    <s:AttributeType rs:number="1" name="ID" rs:maydefer="true" rs:writeunknown="true"
        rs:basetable="Mitglieder" rs:basecolumn="ID" rs:keycolumn="true" rs:autoincrement="true">
      <s:datatype dt:type="int" dt:maxLength="4" rs:precision="10" rs:fixedlength="true" rs:maybenull="false"/>
    </s:AttributeType>
    <s:AttributeType name="Nachname" rs:number="2" rs:nullable="true" rs:writeunknown="true">
      <s:datatype dt:type="string" dt:maxLength="50"/>
    </s:AttributeType>
    <s:AttributeType rs:name="Straße / Nr." name="c2" rs:number="3" rs:nullable="true">
      <s:datatype dt:maxLength="40" rs:dbtype="str" dt:type="string"/>
    </s:AttributeType>
    <s:AttributeType name="Bemerkung" rs:number="4" rs:nullable="true" rs:maydefer="true">
      <s:datatype dt:type="string" dt:maxLength="536870910" rs:long="true"/>
    </s:AttributeType>
    <s:AttributeType name="Eintritt" rs:number="5" rs:nullable="true">
      <s:datatype dt:type="dateTime" rs:dbtype="variantdate" dt:maxLength="16" rs:fixedlength="true"/>
    </s:AttributeType>
    <s:AttributeType name="Lastschrift" rs:number="6" rs:nullable="true">
      <s:datatype dt:type="boolean" dt:maxLength="2" rs:fixedlength="true"/>
    </s:AttributeType>
    <s:AttributeType name="Beitrag" rs:number="7" rs:nullable="true">
      <s:datatype dt:type="number" rs:dbtype="currency" dt:maxLength="8" rs:precision="19"/>
    </s:AttributeType>
    <s:AttributeType name="Foto" rs:number="8" rs:nullable="true">
      <s:datatype dt:type="bin.hex" dt:maxLength="1073741823" rs:long="true"/>
    </s:AttributeType>
    <s:extends type="rs:rowbase"/>
  </s:ElementType>
</s:Schema>
<rs:data>
  <z:row ID="1" Nachname="M&#252;ller" c2="Hauptstra&#xDF;e 1" Bemerkung="Zeile 1&#13;&#10;Zeile 2"
         Eintritt="1999-01-01T00:00:00" Lastschrift="True" Beitrag="60" Foto="FFD8FF"/>
  <z:row Beitrag = '-12.5'   ID="2" Eintritt="2001-07-15T18:00:00" />
  <z:row ID="3"></z:row>
</rs:data>
</xml>
)";
    const Rowset rs = rowsetXmlFromBytes(xml, "ado.xml");
    const FieldList expectedFields{
        F("ID", AutoInc),       F("Nachname", Text, 50), F(QStringLiteral("Straße / Nr."), Text, 40),
        F("Bemerkung", Memo),   F("Eintritt", Date),     F("Lastschrift", Bool),
        F("Beitrag", Currency), F("Foto", Text)};
    expectFieldsEqual(rs.fields, expectedFields);
    expectRowsEqual(rs.rows,
                    {{I(1), S(QStringLiteral("Müller")), S(QStringLiteral("Hauptstraße 1")), S("Zeile 1\r\nZeile 2"),
                      D(1999, 1, 1), B(true), M(600000), S("FFD8FF")},
                     {I(2), N, N, N, DT(2001, 7, 15, 18, 0, 0), N, M(-125000), N},
                     {I(3), N, N, N, N, N, N, N}},
                    expectedFields);
}

TEST(RowsetXmlReader, TakesTheCurrentStateOfRecordsSavedWithPendingChanges) {
    const QByteArray xml = R"(<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882'
 xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'
 xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>
<s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly' rs:updatable='true'>
 <s:AttributeType name='Name' rs:number='2' rs:nullable='true'><s:datatype dt:type='string' dt:maxLength='20'/></s:AttributeType>
 <s:AttributeType name='ID' rs:number='1'><s:datatype dt:type='int'/></s:AttributeType>
 <s:extends type='rs:rowbase'/></s:ElementType></s:Schema>
<rs:data>
 <z:row ID='1' Name='bleibt'/>
 <rs:update><rs:original><z:row ID='2' Name='alt'/></rs:original><z:row ID='2' Name='neu' rs:forcenull='x'/></rs:update>
 <rs:delete><z:row ID='3' Name='weg'/></rs:delete>
 <rs:insert><z:row ID='4' Name='dazu'/></rs:insert>
</rs:data></xml>)";
    const Rowset rs = rowsetXmlFromBytes(xml, "aenderungen.xml");
    // Columns come in the order of rs:number, not of their declarations.
    expectFieldsEqual(rs.fields, {F("ID", Int), F("Name", Text, 20)});
    expectRowsEqual(rs.rows, {{I(1), S("bleibt")}, {I(2), S("neu")}, {I(4), S("dazu")}}, rs.fields);
}

// ---------------------------------------------------------------------------------------
// Errors

using test::messageOf;

TEST(RowsetXmlErrors, MissingOrUnreadableFileNamesTheFile) {
    QTemporaryDir dir;
    const QString missing = dir.filePath("fehlt.xml");
    const QString message = messageOf([&] { readRowsetXml(missing); });
    EXPECT_TRUE(message.startsWith(QStringLiteral("Die Datei »%1« kann nicht gelesen werden: ").arg(missing)))
        << message.toStdString();

    const QString folder = messageOf([&] { readRowsetXml(dir.path()); });
    EXPECT_TRUE(folder.contains(QStringLiteral("»%1« kann nicht gelesen werden").arg(dir.path())))
        << folder.toStdString();
}

TEST(RowsetXmlErrors, MalformedDocumentsNameTheSourceAndLine) {
    const QByteArray good = oneColumnDocument(kInt, "2");
    struct Case {
        const char* what;
        QByteArray xml;
        int line;  // 0: no line expected
    };
    QByteArray truncated = good.left(good.indexOf("<z:row Wert='2'") + 10);
    QByteArray mismatched = good;
    mismatched.replace("</s:Schema>", "</s:Schemata>");
    QByteArray undeclaredPrefix = good;
    undeclaredPrefix.replace(" xmlns:z='#RowsetSchema'", "");
    QByteArray unknownColumn = good;
    unknownColumn.replace("<z:row Wert='2'/>", "<z:row Wert='2' Fremd='x'/>");
    QByteArray dataFirst = good;
    dataFirst.replace("<s:Schema", "<rs:data/><s:Schema");
    QByteArray trailingGarbage = good + "<noch/>";
    const QVector<Case> cases{
        {"leer", "", 0},
        {"kein XML", "Das ist kein XML, sondern Text.", 1},
        {"abgebrochen", truncated, 0},
        {"falsches End-Tag", mismatched, 3},
        {"Präfix nicht deklariert", undeclaredPrefix, 0},
        {"Spalte nicht deklariert", unknownColumn, 6},
        {"Daten vor dem Schema", dataFirst, 0},
        {"anderes Wurzelelement", "<rowset><a/></rowset>", 1},
        {"ohne Schema", "<xml><x/></xml>", 0},
        {"zweites Wurzelelement", trailingGarbage, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString message = messageOf([&] { rowsetXmlFromBytes(c.xml, "kaputt.xml"); });
        EXPECT_TRUE(message.startsWith(QStringLiteral("Die Datei »kaputt.xml« "))) << message.toStdString();
        if (c.line > 0) {
            EXPECT_TRUE(message.contains(QStringLiteral("Zeile %1").arg(c.line))) << message.toStdString();
        }
    }
}

TEST(RowsetXmlErrors, ValueNotFittingItsTypeNamesColumnAndRecord) {
    struct Case {
        QByteArray datatype;
        QByteArray text;
    };
    const QVector<Case> cases{
        {kInt, "abc"},
        {kInt, "2147483648"},
        {kInt, "1.5"},
        {kCurrency, "1e3"},
        {kCurrency, "12,5"},
        {kCurrency, "."},
        {kCurrency, "-"},
        {kCurrency, "99999999999999999"},
        {kBool, "ja"},
        {kDateTime, "01.03.2024"},
        {kDateTime, "2024-02-30T00:00:00"},
        {kDateTime, "2024-03-01T25:00:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.datatype.toStdString() + " / " + c.text.toStdString());
        const QString message =
            messageOf([&] { rowsetXmlFromBytes(oneColumnDocument(c.datatype, c.text), "werte.xml"); });
        EXPECT_TRUE(message.contains(QStringLiteral("»werte.xml«"))) << message.toStdString();
        EXPECT_TRUE(message.contains(QStringLiteral("Datensatz 2"))) << message.toStdString();
        EXPECT_TRUE(message.contains(QStringLiteral("»Wert«"))) << message.toStdString();
        EXPECT_TRUE(message.contains(QString::fromUtf8(c.text))) << message.toStdString();
    }
}

// A failed write names the file and leaves an existing one as it was, without leftovers.
class RowsetXmlWriteFailure : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        target = dir.filePath("sicherung.xml");
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(original);
    }

    void expectTargetUntouched() {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), original);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"sicherung.xml"});
    }

    QString writeFailure(const FieldList& fields, const QVector<Row>& rows) {
        const QString message = messageOf([&] { writeRowsetXml(target, fields, rows); });
        EXPECT_TRUE(message.startsWith(QStringLiteral("Die Datei »%1« kann nicht geschrieben werden: ").arg(target)))
            << message.toStdString();
        return message;
    }

    QTemporaryDir dir;
    QString target;
    const QByteArray original = "alte Sicherung\n";
};

TEST_F(RowsetXmlWriteFailure, ValuesThatCannotBeWritten) {
    struct Case {
        const char* what;
        FieldList fields;
        QVector<Row> rows;
        QString mentions;
    };
    const QVector<Case> cases{
        {"Text in Zahlenfeld", betragFields(), {betragRows()[0], {I(2), S("2024"), N, N, N}}, "»Jahr«"},
        {"Zahl zu groß", {F("Jahr", Int)}, {{I(1)}, {M(1LL << 40)}}, "Datensatz 2"},
        {"Gleitkomma als Geld", {F("Beitrag", Currency)}, {{QVariant(12.5)}}, "»Beitrag«"},
        {"Zahl als Wahrheitswert", {F("DTAUS", Bool)}, {{I(1)}}, "»DTAUS«"},
        {"Text als Datum", {F("Datum", Date)}, {{S("01.03.2024")}}, "»Datum«"},
        {"Steuerzeichen im Memo", blobFields(), {{I(1), S("x"), S(QStringLiteral("a\x01z"))}}, "»Inhalt«"},
        {"Datensatz zu kurz", betragFields(), {{I(1), I(2024)}}, "Datensatz 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString message = writeFailure(c.fields, c.rows);
        EXPECT_TRUE(message.contains(c.mentions)) << message.toStdString();
        expectTargetUntouched();
    }
}

TEST_F(RowsetXmlWriteFailure, MissingFolderOrFolderInTheWay) {
    const QString inMissingFolder = dir.filePath("gibtsnicht/sicherung.xml");
    const QString message = messageOf([&] { writeRowsetXml(inMissingFolder, betragFields(), betragRows()); });
    EXPECT_TRUE(
        message.startsWith(QStringLiteral("Die Datei »%1« kann nicht geschrieben werden: ").arg(inMissingFolder)))
        << message.toStdString();
    EXPECT_TRUE(message.contains("existiert nicht")) << message.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("gibtsnicht")));

    ASSERT_TRUE(QDir(dir.path()).mkdir("ordner.xml"));
    const QString folderAsTarget = dir.filePath("ordner.xml");
    EXPECT_THROW(writeRowsetXml(folderAsTarget, betragFields(), betragRows()), DataError);
    EXPECT_TRUE(QFileInfo(folderAsTarget).isDir());
}

// A disk that fills up while the file is written (here: a file size limit, which holds
// for every user, root included) must leave the previous file as it was.
TEST_F(RowsetXmlWriteFailure, AWriteThatFailsMidwayKeepsTheOldFile) {
    QVector<Row> many;
    for (int i = 0; i < 2000; ++i) many << betragRows().first();
    QString message;
    try {
        const test::FileSizeLimit fullDisk(4096);
        writeRowsetXml(target, betragFields(), many);
    } catch (const DataError& e) {
        message = e.message();
    }
    // One German sentence from the cause, naming the file (not the temporary one).
    EXPECT_EQ(message, QStringLiteral("Die Datei »%1« wird zu groß für den Datenträger oder das erlaubte Maß.").arg(target));
    expectTargetUntouched();
}

TEST_F(RowsetXmlWriteFailure, SuccessfulWriteReplacesTheOldFile) {
    writeRowsetXml(target, betragFields(), betragRows());
    EXPECT_EQ(readRowsetXml(target).rows.size(), betragRows().size());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"sicherung.xml"});
}

}  // namespace
