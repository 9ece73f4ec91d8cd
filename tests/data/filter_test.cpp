#include "data/filter.h"
#include "data/dateranges.h"
#include "data/errors.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <vector>

using namespace ferolind;

namespace {

// Member and booking columns side by side; indexes are used by the rows below.
FieldList fixtureFields() {
    return {
        {"ID", FieldType::Integer},
        {"Vorname", FieldType::Text, 50},
        {"Nachname", FieldType::Text, 50},
        {"Ort", FieldType::Text, 50},
        {"Geburtsdatum", FieldType::Date},
        {"EintrittDatum", FieldType::Date},
        {"AustrittDatum", FieldType::Date},
        {"DTAUS", FieldType::Bool},
        {"Empfaenger/Absender", FieldType::Text, 50},
        {"Buchungsnummer", FieldType::Integer},
        {"Betrag", FieldType::Currency},
        {"DB-ID", FieldType::AutoIncrement},
    };
}

QVariant money(qint64 units) { return QVariant::fromValue<qint64>(units); }

QVariant at(int y, int m, int d, int hh, int mm) { return QDateTime(QDate(y, m, d), QTime(hh, mm)); }

std::vector<Row> fixtureRows() {
    const QVariant none;
    return {
        // 0
        {1, "Anna", "Müller", "Berlin", QDate(1980, 5, 14), QDate(2001, 3, 1), none, true, "Stadtwerke", 3,
         money(125000), 101},
        // 1
        {4, "Bernd", "meier", "Hamburg", QDate(1975, 12, 31), QDate(2000, 1, 1), QDate(2010, 6, 30), false,
         "Müller GmbH", 5, money(-300000), 102},
        // 2: no birth date, no counterpart
        {7, "Carla", "Schmidt", "berlin", none, QDate(2005, 12, 31), none, true, none, 6, money(0), 103},
        // 3: entry date with a time of day
        {9, "Dieter", "Mayer", "München", QDate(1990, 1, 1), at(2006, 1, 1, 10, 30), QDate(2020, 1, 1), false, "x", 12,
         money(10000000), 104},
        // 4: mostly empty
        {12, none, "O'Brien", none, QDate(1960, 2, 29), QDate(1999, 12, 31), none, none, "X", none, none, 105},
        // 5: entered on the evening of 31 Dec 2005
        {15, "Eva", "Zander", "Berlin", QDate(2001, 1, 1), at(2005, 12, 31, 18, 0), none, true, "Verein", 20,
         money(50000), 106},
    };
}

std::vector<int> matchingRows(const Filter& filter, const std::vector<Row>& rows) {
    std::vector<int> result;
    for (int i = 0; i < int(rows.size()); ++i)
        if (filter.matches(rows[i])) result.push_back(i);
    return result;
}

struct MatchCase {
    const char* text;
    std::vector<int> rows;
};

const std::vector<MatchCase>& matchCases() {
    static const std::vector<MatchCase> cases = {
        // empty filters
        {"", {0, 1, 2, 3, 4, 5}},
        {"   ", {0, 1, 2, 3, 4, 5}},
        // numbers; blanks optional or repeated
        {"ID<>4 and ID<>9", {0, 2, 4, 5}},
        // long chains on one operand become one set test, with the same result
        {"ID<>1 and ID<>4 and ID<>7 and ID<>9", {4, 5}},
        {"ID=1 or ID=7 or ID=12 or ID=99 or Nachname='Zander'", {0, 2, 4, 5}},
        {"Buchungsnummer<>3 and Buchungsnummer<>5 and Buchungsnummer<>6 and Buchungsnummer<>12", {5}},
        {"Betrag = 0 or Betrag = 5 or Betrag = 1000 or Betrag = '12,5'", {0, 2, 3, 5}},
        {"ID<>1 and ID<>4 and Year(EintrittDatum)<>2005 and ID<>7 and ID<>9", {4}},
        {"ID-1<>0 and ID-1<>3 and ID-1<>6 and ID-1<>8 and ID<>12", {5}},
        // 29 February of a year that is no leap year is the last day of February
        {"Geburtsdatum = '29.2.2011'", {}},
        {"Geburtsdatum <= '29.02.1961'", {4}},
        {"  ID  =  7  ", {2}},
        {"ID>-1", {0, 1, 2, 3, 4, 5}},
        {"Buchungsnummer > '5'", {2, 3, 5}},
        {"Buchungsnummer > 5", {2, 3, 5}},
        {"Buchungsnummer <> 6", {0, 1, 3, 5}},  // row 4 has none: not "unequal"
        {"Buchungsnummer - 10 = -5", {1}},
        {"Buchungsnummer + 1 = 7", {2}},
        {"[DB-ID] = 103", {2}},
        // text: case-insensitive, also when ordering
        {"Ort = 'BERLIN'", {0, 2, 5}},
        {"Ort <> 'Berlin'", {1, 3}},
        {"Ort = 'MÜNCHEN'", {3}},
        {"Ort = 'Berli'", {}},  // a shorter or longer text is another text
        {"Ort <> 'Berlins'", {0, 1, 2, 3, 5}},
        {"Ort <> 'hamburg'", {0, 2, 3, 5}},
        {"Nachname = 'müller'", {0}},
        {"Vorname < 'c'", {0, 1}},
        {"Nachname > 'm' and Nachname < 'N'", {0, 1, 3}},
        {"Vorname <> 'Anna'", {1, 2, 3, 5}},
        {"Nachname='O''Brien'", {4}},
        {"[Empfaenger/Absender] = 'x'", {3, 4}},
        {"[Ort] = 'Hamburg'", {1}},
        // trailing * with = and <>
        {"Nachname ='M*'", {0, 1, 3}},
        {"nachname = 'mül*'", {0}},
        {"Nachname <> 'M*'", {2, 4, 5}},
        {"Nachname = '*'", {0, 1, 2, 3, 4, 5}},
        {"Vorname = '*'", {0, 1, 2, 3, 5}},
        {"Nachname < 'meier*'", {1, 3}},  // no wildcard with <, >: "meier*" is plain text
        // NULL
        {"Austrittdatum = NULL", {0, 2, 4, 5}},
        {"AustrittDatum <> null", {1, 3}},
        {"Vorname = Null", {4}},
        {"NULL = AustrittDatum", {0, 2, 4, 5}},
        {"Year(Geburtsdatum) = NULL", {2}},
        // dates; a stored time of day counts
        {"EintrittDatum >= '01.01.2000' and EintrittDatum <= '31.12.2005'", {0, 1, 2}},
        {"EintrittDatum = '31.12.2005'", {2}},
        {"EintrittDatum > '31.12.2005'", {3, 5}},
        {"EintrittDatum = '31.12.2005 18:00'", {5}},
        {"Geburtsdatum < '1.1.1976'", {1, 4}},
        {"Geburtsdatum <> '14.05.1980'", {1, 3, 4, 5}},
        {"Geburtsdatum < EintrittDatum", {0, 1, 3, 4, 5}},
        // date parts and arithmetic
        {"Year(EintrittDatum)-2011=-10", {0}},
        {"year(Geburtsdatum) < 1980", {1, 4}},
        {"MONTH(Geburtsdatum) = 2 and Day(Geburtsdatum) = 29", {4}},
        {"Year(EintrittDatum) = '2005'", {2, 5}},
        {"Year(EintrittDatum) = 2006", {3}},
        {"Year(AustrittDatum) >= 0", {1, 3}},
        // yes/no
        {"DTAUS = true", {0, 2, 5}},
        {"dtaus = FALSE", {1, 3}},
        {"DTAUS <> true", {1, 3}},
        {"DTAUS = 'Wahr'", {0, 2, 5}},
        {"DTAUS = -1", {0, 2, 5}},
        // currency: numbers are euros, texts are amounts
        {"Betrag > 12", {0, 3}},
        {"Betrag >= '12,50'", {0, 3}},
        {"Betrag = '12,5'", {0}},
        {"Betrag = -30", {1}},
        {"Betrag - 2 = '10,50'", {0}},
        {"Betrag > Buchungsnummer", {0, 3}},
        // value on the left, field against field
        {"5 < ID", {2, 3, 4, 5}},
        {"'berlin' = Ort", {0, 2, 5}},
        {"'M*' = Nachname", {0, 1, 3}},
        {"Buchungsnummer > ID", {0, 1, 3, 5}},
        // connectives: and binds tighter, any case, directly after a quote
        {"Ort = 'Berlin' or Ort = 'Hamburg' and DTAUS = true", {0, 2, 5}},
        {"(Ort = 'Berlin' or Ort = 'Hamburg') and DTAUS = false", {1}},
        {"ID = 1 or ID = 4 and ID = 4 or ID = 7", {0, 1, 2}},
        {"ID = 1 AND (ID = 4 OR ID = 1)", {0}},
        {"((ID = 9))", {3}},
        {"Nachname = 'M*'and Ort = 'Berlin'", {0}},
        {"Ort='Hamburg'or(ID=15)", {1, 5}},
        {"Nachname ='M*' and Geburtsdatum >=  '01.01.1976'", {0, 3}},
    };
    return cases;
}

struct RefusedCase {
    const char* text;
    const char* messagePart;  // must occur in the message
};

const std::vector<RefusedCase>& refusedCases() {
    static const std::vector<RefusedCase> cases = {
        // lexical
        {"Nachname = 'O'Brien'", "Hochkomma an Stelle 20"},
        {"Nachname = 'abc", "Hochkomma an Stelle 12"},
        {"Nachname = 'O'Brien's'", "»Brien«"},
        {"[Empfaenger/Absender = 'x'", "eckige Klammer"},
        {"[] = 1", "[]"},
        {"Nachname = \"Meier\"", "Anführungszeichen"},
        {"Betrag > 12,50", "Komma"},
        {"ID = 5 %", "»%«"},
        // structure
        {" = 'x'", "Vor »=« an Stelle 2 fehlt ein Feldname"},
        {"Nachname =", "Nach »=« fehlt ein Wert"},
        {"Nachname = and ID = 1", "fehlt ein Wert"},
        {"Nachname 'Meier'", "»'Meier'«"},
        {"Nachname", "Nach »Nachname« fehlt ein Vergleich"},
        {"(ID = 1", "Klammer »(« an Stelle 1"},
        {"ID = 1)", "Klammer »)« an Stelle 7"},
        {"(ID = 1 Ort = 'x')", "»Ort«"},
        {"ID = 1 Ort = 'x'", "»Ort«"},
        {"ID = 1 = 2", "An Stelle 8 steht »=«"},
        {"ID = 1 and", "fehlt ein Vergleich"},
        {"and ID = 1", "»and«"},
        {"ID = 1 or or ID = 2", "»or«"},
        {"()", "»)«"},
        {"ID = -", "fehlt eine Zahl"},
        {"ID - x = 3", "fehlt eine Zahl"},
        // names
        {"Fantasie = 1", "Das Feld 'Fantasie' gibt es nicht."},
        {"[Fantasie] = 1", "'Fantasie'"},
        {"Year(Fantasie) = 1", "'Fantasie'"},
        {"Year(Nachname) = 2000", "»Nachname« ist keins"},
        {"Year() = 2000", "fehlt das Datumsfeld"},
        {"Year(Geburtsdatum = 1980", "fehlt »)«"},
        // values that do not fit the field
        {"Geburtsdatum = 'abc'", "'abc' ist kein gültiges Datum"},
        {"Geburtsdatum = '31.02.2000'", "'31.02.2000'"},
        {"Geburtsdatum = 19800514", "Hochkommas"},
        {"Buchungsnummer > 'fünf'", "'fünf' ist keine gültige ganze Zahl für das Feld 'Buchungsnummer'"},
        {"Year(EintrittDatum) = 'x'", "'x'"},
        {"Betrag = 'zwölf'", "'zwölf' ist kein gültiger Betrag für das Feld 'Betrag'"},
        {"DTAUS = 'vielleicht'", "'vielleicht'"},
        {"DTAUS = 2", "Wahrheitswert"},
        {"Nachname = true", "Ja/Nein"},
        {"Geburtsdatum = '01.*'", "Platzhalter"},
        {"ID = '1*'", "Platzhalter"},
        {"ID = 99999999999999999999", "zu groß"},
        {"Betrag = 922337203685478", "zu groß"},
        // comparisons that make no sense
        {"DTAUS < true", "nur mit = oder <>"},
        {"DTAUS > DTAUS", "nur mit = oder <>"},
        {"ID < NULL", "NULL"},
        {"1 = 1", "kein Feld"},
        {"'a' = 'a'", "kein Feld"},
        {"Nachname - 1 = 3", "keine Zahl"},
        {"Nachname = ID", "nicht zueinander"},
    };
    return cases;
}

TEST(FilterTest, SelectsTheExpectedRows) {
    const auto rows = fixtureRows();
    for (const MatchCase& c : matchCases()) {
        SCOPED_TRACE(c.text);
        // Temporaries: the compiled filter must not refer back to the text or fields.
        const auto filter = Filter::compile(QString::fromUtf8(c.text), fixtureFields());
        EXPECT_EQ(matchingRows(*filter, rows), c.rows);
    }
}

// A chain of thousands of terms (the arrears list builds them) selects exactly what the
// terms say, for both kinds of chain.
TEST(FilterTest, LongChainsSelectWhatTheirTermsSay) {
    const FieldList fields{{"ID", FieldType::Integer}};
    std::vector<Row> rows;
    for (int id = 1; id <= 300; ++id) rows.push_back({id});
    rows.push_back({QVariant()});
    QStringList ne, eq;
    std::vector<int> notListed, listed;
    for (int i = 0; i < int(rows.size()) - 1; ++i) {
        if (i % 3 == 0) {
            ne << QStringLiteral("ID<>%1").arg(i + 1);
            eq << QStringLiteral("ID = %1").arg(i + 1);
            listed.push_back(i);
        } else {
            notListed.push_back(i);
        }
    }
    EXPECT_EQ(matchingRows(*Filter::compile(ne.join(" and "), fields), rows), notListed);
    EXPECT_EQ(matchingRows(*Filter::compile(eq.join(" or "), fields), rows), listed);
}

// Values with quotes, as screens build filter texts from data.
TEST(FilterTest, QuotedValuesMatchThemselves) {
    const FieldList fields{{"Nachname", FieldType::Text, 50}};
    for (const QString v : {"O'Neil", "Kinder'n", "''", "Peter's Kiosk"}) {
        SCOPED_TRACE(v.toStdString());
        const std::vector<Row> rows{{v}, {QStringLiteral("Anders")}};
        EXPECT_EQ(matchingRows(*Filter::compile("Nachname = " + quoteFilterText(v), fields), rows),
                  std::vector<int>{0});
    }
    const std::vector<Row> rows{{QStringLiteral("Peter's Kiosk am Markt")}, {QStringLiteral("Peters Kiosk")}};
    EXPECT_EQ(matchingRows(*Filter::compile("Nachname = " + quoteFilterText("Peter's Kiosk*"), fields), rows),
              std::vector<int>{0});
}

TEST(FilterTest, OnlyBlankTextSelectsAll) {
    const FieldList fields = fixtureFields();
    EXPECT_TRUE(Filter::compile(QString(), fields)->selectsAll());
    EXPECT_TRUE(Filter::compile(QStringLiteral(" \t "), fields)->selectsAll());
    EXPECT_FALSE(Filter::compile(QStringLiteral("ID > -1"), fields)->selectsAll());
}

TEST(FilterTest, RefusesBadTextsWithAGermanMessage) {
    const FieldList fields = fixtureFields();
    for (const RefusedCase& c : refusedCases()) {
        const QString text = QString::fromUtf8(c.text);
        SCOPED_TRACE(c.text);
        try {
            Filter::compile(text, fields);
            ADD_FAILURE() << "accepted";
        } catch (const DataError& e) {
            EXPECT_TRUE(
                e.message().startsWith(QStringLiteral("Der Filter »") + text + QStringLiteral("« ist ungültig: ")))
                << e.what();
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.messagePart))) << e.what();
        }
    }
}

TEST(FilterTest, DeepParenthesesAreRefusedNotOverflowingTheStack) {
    const FieldList fields = fixtureFields();
    const QString allowed = QString(50, u'(') + QStringLiteral("ID = 1") + QString(50, u')');
    EXPECT_TRUE(Filter::compile(allowed, fields)->matches(fixtureRows()[0]));
    for (int depth : {101, 100000}) {
        SCOPED_TRACE(depth);
        const QString text = QString(depth, u'(') + QStringLiteral("ID = 1") + QString(depth, u')');
        EXPECT_THROW(Filter::compile(text, fields), DataError);
    }
}

// Every cut-off or damaged variant of the texts above either compiles or is refused
// with a DataError; a compiled one can be matched against any row, even a short one.
TEST(FilterTest, DamagedTextsNeverCrash) {
    const FieldList fields = fixtureFields();
    std::vector<Row> rows = fixtureRows();
    rows.push_back(Row{});
    rows.push_back(Row{QVariant(QStringLiteral("kein Integer")), QVariant(42), QVariant(), QVariant(true)});

    std::vector<QString> texts;
    for (const MatchCase& c : matchCases()) texts.push_back(QString::fromUtf8(c.text));
    for (const RefusedCase& c : refusedCases()) texts.push_back(QString::fromUtf8(c.text));

    const QString damage = QStringLiteral("'()[]-*= <");
    auto attempt = [&](const QString& text) {
        try {
            const auto filter = Filter::compile(text, fields);
            for (const Row& row : rows) filter->matches(row);
        } catch (const DataError& e) {
            EXPECT_FALSE(e.message().isEmpty());
        }
    };
    for (const QString& text : texts) {
        for (int cut = 0; cut < text.size(); ++cut) {
            attempt(text.left(cut));
            for (QChar c : damage) {
                QString changed = text;
                changed[cut] = c;
                attempt(changed);
            }
        }
    }
}

// A 29 February that does not exist (limits computed on a leap day name it) lies between
// 28 February and 1 March, whichever way it is compared.
TEST(FilterTest, ALeapDayOfAnOtherYearLiesBetweenTheTwoDaysAroundIt) {
    const FieldList fields = {{"Geburtsdatum", FieldType::Date}};
    const std::vector<Row> rows = {{QDate(2021, 2, 28)}, {QDate(2021, 3, 1)}, {at(2021, 2, 28, 23, 59)}};
    const std::vector<MatchCase> cases = {
        {"Geburtsdatum < '29.2.2021'", {0, 2}},  {"Geburtsdatum <= '29.2.2021'", {0, 2}},
        {"Geburtsdatum > '29.2.2021'", {1}},     {"Geburtsdatum >= '29.02.2021'", {1}},
        {"Geburtsdatum = '29.2.2021'", {}},      {"Geburtsdatum <> '29.2.2021'", {0, 1, 2}},
    };
    for (const MatchCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(matchingRows(*Filter::compile(c.text, fields), rows), c.rows);
    }
    EXPECT_THROW(Filter::compile("Geburtsdatum < '30.2.2021'", fields), DataError);
}

TEST(FilterTest, SameFieldTypesWithOtherValueRepresentations) {
    // Integers read as qint64, dates as QDateTime at midnight, text as a QVariant of
    // another type: still the value conventions' meaning.
    const FieldList fields = fixtureFields();
    Row row = fixtureRows()[0];
    row[0] = QVariant::fromValue<qint64>(1);
    row[4] = at(1980, 5, 14, 0, 0);
    row[3] = QVariant(QByteArray("Berlin"));
    row[1] = QVariant(QString());  // empty text counts as no value
    for (const char* text : {"ID = 1", "Geburtsdatum = '14.05.1980'", "Ort = 'berlin'", "Vorname = NULL"}) {
        SCOPED_TRACE(text);
        EXPECT_TRUE(Filter::compile(QString::fromUtf8(text), fields)->matches(row));
    }
}

TEST(DateRangesTest, PresetRanges) {
    struct Case {
        DatePreset preset;
        QDate today;
        QDate from;
        QDate to;
    };
    const std::vector<Case> cases = {
        {DatePreset::CurrentMonth, QDate(2024, 2, 10), QDate(2024, 2, 1), QDate(2024, 2, 29)},
        {DatePreset::CurrentMonth, QDate(2023, 2, 28), QDate(2023, 2, 1), QDate(2023, 2, 28)},
        {DatePreset::CurrentMonth, QDate(2024, 12, 31), QDate(2024, 12, 1), QDate(2024, 12, 31)},
        {DatePreset::CurrentMonth, QDate(2024, 4, 1), QDate(2024, 4, 1), QDate(2024, 4, 30)},
        {DatePreset::CurrentQuarter, QDate(2024, 3, 31), QDate(2024, 1, 1), QDate(2024, 3, 31)},
        {DatePreset::CurrentQuarter, QDate(2024, 4, 1), QDate(2024, 4, 1), QDate(2024, 6, 30)},
        {DatePreset::CurrentQuarter, QDate(2024, 8, 20), QDate(2024, 7, 1), QDate(2024, 9, 30)},
        {DatePreset::CurrentQuarter, QDate(2024, 12, 15), QDate(2024, 10, 1), QDate(2024, 12, 31)},
        {DatePreset::CurrentQuarter, QDate(2024, 2, 29), QDate(2024, 1, 1), QDate(2024, 3, 31)},
        {DatePreset::CurrentYear, QDate(2024, 2, 29), QDate(2024, 1, 1), QDate(2024, 12, 31)},
        {DatePreset::CurrentYear, QDate(2023, 12, 31), QDate(2023, 1, 1), QDate(2023, 12, 31)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.today.toString(Qt::ISODate).toStdString() + " preset " + std::to_string(int(c.preset)));
        const DateRange range = presetRange(c.preset, c.today);
        EXPECT_EQ(range.from, c.from);
        EXPECT_EQ(range.to, c.to);
    }
}

TEST(DateRangesTest, Captions) {
    EXPECT_EQ(presetCaption(DatePreset::CurrentMonth), QStringLiteral("aktueller Monat"));
    EXPECT_EQ(presetCaption(DatePreset::CurrentQuarter), QStringLiteral("aktuelles Quartal"));
    EXPECT_EQ(presetCaption(DatePreset::CurrentYear), QStringLiteral("aktuelles Jahr"));
}

}  // namespace
