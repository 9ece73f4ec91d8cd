// The exchanged files as other programs read them, in the locale of a German desktop:
// workbook numbers with a point, delimited fields every standard reader splits alike
// (Python's csv module as the reference), HTML that shows every character, .ods both
// ways, text files in UTF-8 as well as Windows-1252, database tables without a title
// row, and one German sentence naming the file for whatever cannot be read.
#include "bookings.h"
#include "club.h"
#include "clirun.h"
#include "filesizelimit.h"
#include "exchange/codepage.h"
#include "exchange/delimited.h"
#include "exchange/exports.h"
#include "exchange/memberimport.h"
#include "exchange/sources.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>

using namespace ferolind;
using namespace ferolind::exchange;
using ferolind::test::Club;

namespace {

const QString kFixtures = QStringLiteral(FEROLIND_EXCHANGE_FIXTURES);

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QVector<bool> only(const QVector<ExportColumn>& columns, const QStringList& fields) {
    QVector<bool> s;
    for (const ExportColumn& c : columns) s << fields.contains(c.field);
    return s;
}

// The rows Python's csv module reads from a Windows-1252 file.
QVector<QStringList> pythonCsv(const QString& path, QChar delimiter, QChar quote) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            {"-c",
             "import csv,json,sys\n"
             "d,q=sys.argv[2],sys.argv[3]\n"
             "kw={'delimiter':d}\n"
             "kw.update({'quotechar':q} if q else {'quoting':csv.QUOTE_NONE})\n"
             "print(json.dumps(list(csv.reader(open(sys.argv[1],encoding='cp1252',newline=''),**kw))))",
             path, QString(delimiter), quote.isNull() ? QString() : QString(quote)});
    p.waitForFinished(30000);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    QVector<QStringList> rows;
    for (const QJsonValue& r : QJsonDocument::fromJson(p.readAllStandardOutput()).array()) {
        QStringList row;
        for (const QJsonValue& c : r.toArray()) row << c.toString();
        rows << row;
    }
    return rows;
}

}  // namespace

// The test programs run in de_DE.UTF-8, where printf writes "12,5"; a workbook reader takes
// only "12.5". The locale is checked first, so that this test cannot pass in "C" unseen.
TEST(GermanLocale, WorkbookNumbersAndMarginsAreWrittenWithAPoint) {
    ASSERT_STREQ(std::localeconv()->decimal_point, ",") << "the tests must run in de_DE.UTF-8";
    Club club;
    Dataset& b = club.data->bookings();
    test::addBooking(b, "03.01.2026", "E", "12,5", "Beiträge", "Beitrag");
    test::addBooking(b, "04.01.2026", "A", "2968,07", "Porto", "Briefmarken");
    const ExportTable table = exportTable(b, bookingExportColumns(), QVector<bool>(8, true));

    const QString xlsx = club.dir.filePath(QStringLiteral("b.xlsx"));
    writeExport(ExportFormat::Excel, xlsx, table, {});
    const QByteArray zip = bytesOf(xlsx);
    const QString sheet = QString::fromUtf8(zipPart(zip, QStringLiteral("xl/worksheets/sheet1.xml")));
    EXPECT_TRUE(sheet.contains(QStringLiteral("<v>12.5</v>"))) << sheet.toStdString();
    EXPECT_TRUE(sheet.contains(QStringLiteral("<v>2968.07</v>"))) << sheet.toStdString();
    EXPECT_TRUE(sheet.contains(QStringLiteral("left=\"0.7\""))) << sheet.toStdString();
    const QRegularExpression comma(QStringLiteral("<v>[^<]*,|=\"[0-9]+,[0-9]"));
    EXPECT_FALSE(comma.match(sheet).hasMatch()) << sheet.toStdString();
    // read back as a reader of workbooks does
    EXPECT_EQ(readXlsx(zip, {}).records.value(2).value(5), QStringLiteral("2968,07"));

    const QString ods = club.dir.filePath(QStringLiteral("b.ods"));
    writeExport(ExportFormat::Ods, ods, table, {});
    const QString content = QString::fromUtf8(zipPart(bytesOf(ods), QStringLiteral("content.xml")));
    EXPECT_TRUE(content.contains(QStringLiteral("office:value=\"12.5\""))) << content.toStdString();
    EXPECT_TRUE(content.contains(QStringLiteral("office:value=\"2968.07\""))) << content.toStdString();
}

TEST(DelimitedExport, EveryStandardReaderGetsTheSameCellsBack) {
    Club club;
    // (line ends and tabs in a free field, which takes any text)
    const QVector<QStringList> values = {{QStringLiteral("Karl \"Charly\""), QStringLiteral("")},
                                         {QStringLiteral("Mayer, Hans"), QStringLiteral("Zeile 1\nZeile 2")},
                                         {QStringLiteral("O'Neil; Tab"), QStringLiteral("a\tb\r\nc")}};
    int id = 1;
    for (const QStringList& v : values)
        club.addMember({{"ID", QString::number(id++)}, {"Vorname", v[0]}, {"Nachname", QStringLiteral("Grün")},
                        {"Sonstiges1", v[1]}});
    const auto columns = memberExportColumns();
    const ExportTable table =
        exportTable(club.members(), columns, only(columns, {"ID", "Vorname", "Nachname", "Sonstiges1"}));
    ASSERT_EQ(table.cells.size(), values.size());
    const QString path = club.dir.filePath(QStringLiteral("m.csv"));

    writeExport(ExportFormat::Csv, path, table, {});
    EXPECT_TRUE(bytesOf(path).contains("\r\n1,\"Karl \"\"Charly\"\"\",\"Gr\xFC" "n\",\"\",\r\n")) << bytesOf(path).toStdString();

    QVector<QStringList> expected = {{table.headings[0], table.headings[1], table.headings[2], table.headings[3], ""}};
    for (int i = 0; i < values.size(); ++i)
        expected << QStringList{QString::number(i + 1), values[i][0], "Grün", values[i][1], ""};
    const struct {
        ExportFormat format;
        QChar separator, qualifier;
    } cases[] = {{ExportFormat::Csv, ',', '"'},
                 {ExportFormat::Txt, ';', '"'},
                 {ExportFormat::Txt, ';', '\''},
                 {ExportFormat::Txt, '\t', '\''},
                 {ExportFormat::Txt, ',', '\''}};
    for (const auto& c : cases) {
        const ExportOptions options{c.separator, c.qualifier, true};
        writeExport(c.format, path, table, options);
        EXPECT_EQ(pythonCsv(path, c.separator, c.qualifier), expected)
            << "separator " << c.separator.toLatin1() << " qualifier " << c.qualifier.toLatin1();
        EXPECT_TRUE(breakingCellWarning(table, options).isEmpty());
    }
    // Without a qualifier nothing can be escaped: the value is named before writing.
    const QString warning = breakingCellWarning(table, {QLatin1Char(','), QChar(), true});
    EXPECT_TRUE(warning.contains(QStringLiteral("»Mayer, Hans«"))) << warning.toStdString();
    EXPECT_TRUE(breakingCellWarning(exportTable(club.members(), columns, only(columns, {"Nachname"})),
                                    {QLatin1Char(';'), QChar(), true})
                    .isEmpty());
}

TEST(DelimitedExport, TheCommandLineWarnsWhereAValueCannotBeEscaped) {
    Club club;
    club.addMember({{"ID", "1"}, {"Vorname", "Mayer; Hans"}, {"Nachname", "B"}});
    const QString path = club.dir.filePath(QStringLiteral("m.txt"));
    const auto r = test::runCli({"--db", club.folder(), "members", "export", "--format", "txt", "--out", path,
                                 "--separator", ";", "--qualifier", "none", "--columns", "ID;Vorname"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Warnung")) && r.out.contains(QStringLiteral("»Mayer; Hans«")))
        << r.out.toStdString();
    const auto quoted = test::runCli({"--db", club.folder(), "members", "export", "--format", "csv", "--out", path,
                                      "--columns", "ID;Vorname"});
    EXPECT_EQ(quoted.code, 0) << quoted.err.toStdString();
    EXPECT_FALSE(quoted.out.contains(QStringLiteral("Warnung"))) << quoted.out.toStdString();
}

TEST(HtmlExport, MarkupCharactersAreEscapedAndTheEncodingDeclared) {
    Club club;
    club.addMember({{"ID", "1"}, {"Vorname", "A<b>&c"}, {"Nachname", "\"Ö'\" </td>"}});
    const auto columns = memberExportColumns();
    const QString path = club.dir.filePath(QStringLiteral("m.html"));
    writeExport(ExportFormat::Html, path, exportTable(club.members(), columns, only(columns, {"Vorname", "Nachname"})),
                {});
    const QByteArray html = bytesOf(path);
    EXPECT_TRUE(html.contains("<td>A&lt;b&gt;&amp;c</td><td>&quot;\xD6&#39;&quot; &lt;/td&gt;</td>"))
        << html.toStdString();
    EXPECT_TRUE(html.contains("charset=windows-1252")) << html.toStdString();
    // xmllint's HTML parser gives the text back as written
    QProcess p;
    p.start(QStringLiteral("xmllint"), {"--html", "--xpath", "string(//td[1])", path});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()).trimmed(), QStringLiteral("A<b>&c"));
}

TEST(OdsFiles, ExportedSheetReadsBackWithItsNumbersDatesAndTexts) {
    Club club;
    club.addMember({{"ID", "3"}, {"Vorname", "Zeile 1\nZeile 2"}, {"Nachname", "Müller  &  Söhne"},
                    {"Geburtsdatum", "01.02.1970"}});
    club.addMember({{"ID", "4"}, {"Nachname", "<Adam>"}});
    const auto columns = memberExportColumns();
    const QString path = club.dir.filePath(QStringLiteral("m.ods"));
    writeExport(ExportFormat::Ods, path,
                exportTable(club.members(), columns, only(columns, {"ID", "Vorname", "Nachname", "Geburtsdatum"})), {});
    const QByteArray bytes = bytesOf(path);
    EXPECT_EQ(bytes.mid(30, 8), QByteArray("mimetype"));  // first and stored, as readers expect
    EXPECT_TRUE(bytes.contains("application/vnd.oasis.opendocument.spreadsheet"));
    EXPECT_EQ(odsSheetNames(bytes), QStringList{"Buchung"});
    const SourceTable t = readSource(path, {}, QLatin1Char(';'));
    EXPECT_EQ(t.records, (QVector<QStringList>{{"ID", "Vorname", "Nachname", "Geburtsdatum"},
                                               {"3", "Zeile 1\nZeile 2", "Müller  &  Söhne", "01.02.1970"},
                                               {"4", "", "<Adam>"}}));
}

TEST(OdsFiles, SheetsAsLibreOfficeWritesThem) {
    // content.xml as LibreOffice writes it: repeated cells and rows, spaces as <text:s>,
    // spans, a covered cell, dates, booleans and numbers by their values.
    const QByteArray content =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body><office:spreadsheet>"
        "<table:table table:name=\"Leer\"/>"
        "<table:table table:name=\"Mitglieder\"><table:table-column table:number-columns-repeated=\"3\"/>"
        "<table:table-row table:number-rows-repeated=\"2\"><table:table-cell table:number-columns-repeated=\"1024\"/>"
        "</table:table-row>"
        "<table:table-row><table:table-cell/><table:table-cell office:value-type=\"string\"><text:p>Vorname</text:p>"
        "</table:table-cell><table:table-cell office:value-type=\"string\"><text:p>Nach<text:span>name</text:span>"
        "</text:p></table:table-cell><table:table-cell office:value-type=\"string\"><text:p>Geburt</text:p>"
        "</table:table-cell><table:table-cell office:value-type=\"string\"><text:p>Beitrag</text:p></table:table-cell>"
        "<table:table-cell office:value-type=\"string\"><text:p>Aktiv</text:p></table:table-cell></table:table-row>"
        "<table:table-row><table:table-cell/><table:table-cell office:value-type=\"string\"><text:p>J\xC3\xBCrgen"
        "<text:s text:c=\"2\"/>M.</text:p></table:table-cell><table:table-cell office:value-type=\"string\">"
        "<text:p>Wei\xC3\x9F</text:p></table:table-cell><table:table-cell office:value-type=\"date\" "
        "office:date-value=\"1970-02-01\"><text:p>01.02.70</text:p></table:table-cell><table:table-cell "
        "office:value-type=\"float\" office:value=\"12.5\"><text:p>12,50 \xE2\x82\xAC</text:p></table:table-cell>"
        "<table:table-cell office:value-type=\"boolean\" office:boolean-value=\"true\"><text:p>WAHR</text:p>"
        "</table:table-cell><table:table-cell table:number-columns-repeated=\"16378\"/></table:table-row>"
        "<table:table-row table:number-rows-repeated=\"1048570\"><table:table-cell "
        "table:number-columns-repeated=\"1024\"/></table:table-row>"
        "</table:table></office:spreadsheet></office:body></office:document-content>";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lo.ods"));
    {
        // a zip made by the exporter's own writer would prove little; python's zipfile writes it
        QProcess p;
        p.start(QStringLiteral("/usr/bin/python3"),
                {"-c",
                 "import sys,zipfile\n"
                 "z=zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_DEFLATED)\n"
                 "z.writestr(zipfile.ZipInfo('mimetype'),'application/vnd.oasis.opendocument.spreadsheet')\n"
                 "z.writestr('content.xml',sys.stdin.buffer.read())\n"
                 "z.close()",
                 path});
        p.write(content);
        p.closeWriteChannel();
        ASSERT_TRUE(p.waitForFinished(30000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    }
    EXPECT_EQ(sourceTableNames(path), (QStringList{"Leer", "Mitglieder"}));
    EXPECT_TRUE(readSource(path, "Leer", QLatin1Char(';')).records.isEmpty());
    const SourceTable t = readSource(path, "Mitglieder", QLatin1Char(';'));
    ASSERT_EQ(t.records.size(), 2);
    EXPECT_EQ(t.records[0], (QStringList{"Vorname", "Nachname", "Geburt", "Beitrag", "Aktiv"}));
    EXPECT_EQ(t.records[1], (QStringList{"Jürgen  M.", "Weiß", "01.02.1970", "12,5", "Wahr"}));
    Club club;
    const auto listed = test::runCli({"--db", club.folder(), "members", "import", path, "--list-sheets"});
    EXPECT_EQ(listed.code, 0) << listed.err.toStdString();
    EXPECT_EQ(listed.out, QStringLiteral("Leer\nMitglieder\n"));
}

TEST(TextImport, Utf8IsRecognisedAndWindows1252StaysTheDefault) {
    const struct {
        const char* name;
        QByteArray bytes;
        TextEncoding wanted, read;
        const char* text;
    } cases[] = {
        {"UTF-8 as LibreOffice writes it", "J\xC3\xBCrgen;Wei\xC3\x9F", TextEncoding::Auto, TextEncoding::Utf8,
         "Jürgen;Weiß"},
        {"with byte-order mark", "\xEF\xBB\xBFVorname;Nachname", TextEncoding::Auto, TextEncoding::Utf8,
         "Vorname;Nachname"},
        {"Windows-1252", "J\xFCrgen;Wei\xDF \x80", TextEncoding::Auto, TextEncoding::Windows1252, "Jürgen;Weiß €"},
        {"plain ASCII", "Anna;Berg", TextEncoding::Auto, TextEncoding::Windows1252, "Anna;Berg"},
        {"UTF-8 cut in a character", "J\xC3", TextEncoding::Auto, TextEncoding::Windows1252, "JÃ"},
        {"the user's choice wins", "J\xC3\xBCrgen", TextEncoding::Windows1252, TextEncoding::Windows1252, "JÃ¼rgen"},
        {"chosen UTF-8, mark left out", "\xEF\xBB\xBF\x41", TextEncoding::Utf8, TextEncoding::Utf8, "A"},
    };
    for (const auto& c : cases) {
        const DecodedText d = decodeText(c.bytes, c.wanted);
        EXPECT_EQ(d.text, QString::fromUtf8(c.text)) << c.name;
        EXPECT_EQ(d.encoding, c.read) << c.name;
    }
}

TEST(TextImport, TheCommandLineReadsAUtf8FileWithMarkAndSaysSo) {
    Club club;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lo.csv"));
    writeBytes(path, "\xEF\xBB\xBFVorname;Nachname\nJ\xC3\xBCrgen;Wei\xC3\x9F\n\xC5\x81ukasz;\xC5\xBB\xC3\xB3\xC5\x82w\n");
    const auto r = test::runCli({"--db", club.folder(), "members", "import", path, "--separator", ";", "--map",
                                 "Vorname=Vorname,Nachname=Nachname"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("als UTF-8 gelesen"))) << r.out.toStdString();
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT group_concat(Vorname || ' ' || Nachname, '|') FROM mitglieder"})
                  .toString(),
              QStringLiteral("Jürgen Weiß|Łukasz Żółw"));
    // chosen by hand
    const auto chosen = test::runCli({"--db", club.folder(), "members", "import", path, "--separator", ";", "--map",
                                      "Vorname=Vorname", "--encoding", "latin9"});
    EXPECT_EQ(chosen.code, 1);
    EXPECT_TRUE(chosen.err.contains(QStringLiteral("kein Zeichensatz"))) << chosen.err.toStdString();
}

// A database table names its columns; none of its records is a title.
TEST(TableImport, ADatabaseTableIsMappedByItsColumnNamesAndLosesNoRecord) {
    Club club;
    const QString mdb = kFixtures + "/jet4-dates.mdb";
    const auto r = test::runCli({"--db", club.folder(), "members", "import", mdb, "--sheet", "DateTest", "--map",
                                 "Vorname=ShortTextCol,Geburtsdatum=DateCol"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("6 Mitglieder importiert"))) << r.out.toStdString();
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT count(*) FROM mitglieder"}).toInt(), 6);
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT Vorname FROM mitglieder ORDER BY rowid LIMIT 1"}).toString(),
              QStringLiteral("Hello"));
    const SourceTable t = readSource(mdb, {}, QLatin1Char(';'));
    EXPECT_FALSE(hasTitleRecord(t, true));
    EXPECT_EQ(sourceColumnNames(t.records, hasTitleRecord(t, true), t.fieldNames).value(5),
              QStringLiteral("ShortTextCol"));
    // a workbook sheet: the user says whether its first row holds names
    const SourceTable sheet = readSource(kFixtures + "/members.xlsx", "Mitglieder", QLatin1Char(';'));
    EXPECT_TRUE(hasTitleRecord(sheet, true));
    EXPECT_FALSE(hasTitleRecord(sheet, false));
    EXPECT_EQ(sourceColumnNames(sheet.records, false).value(0), QStringLiteral("FELD 1"));
}

TEST(UnreadableSources, OneGermanSentenceNamingTheFile) {
    Club club;
    QTemporaryDir dir;
    const QString zipAsText = dir.filePath(QStringLiteral("tabelle.csv"));
    writeBytes(zipAsText, QByteArray("PK\x03\x04\0\0binary", 14));
    const QString fakeOds = dir.filePath(QStringLiteral("kaputt.ods"));
    writeBytes(fakeOds, "Vorname;Nachname\n");
    const QString fakeXlsx = dir.filePath(QStringLiteral("kaputt.xlsx"));
    writeBytes(fakeXlsx, "Vorname;Nachname\n");
    const QString fakeMdb = dir.filePath(QStringLiteral("kaputt.mdb"));
    writeBytes(fakeMdb, "Vorname;Nachname\n");
    const QString locked = dir.filePath(QStringLiteral("gesperrt.xlsx"));
    QFile::copy(kFixtures + "/members.xlsx", locked);
    QFile::setPermissions(locked, QFileDevice::Permissions());
    const bool root = QFile(locked).open(QIODevice::ReadOnly);
    const struct {
        QString path;
        const char* says;
    } cases[] = {
        {dir.filePath(QStringLiteral("fehlt.xlsx")), "ist nicht vorhanden"},
        {dir.filePath(QStringLiteral("fehlt.csv")), "ist nicht vorhanden"},
        {zipAsText, "ist keine Textdatei"},
        {fakeOds, "ist keine lesbare OpenDocument-Tabelle"},
        {fakeXlsx, "ist keine lesbare Excel-Arbeitsmappe (.xlsx): sie ist kein ZIP-Archiv"},
        {fakeMdb, "ist keine lesbare Access-Datenbank"},
        {dir.path(), "ist ein Ordner"},
        {locked, root ? "" : "Keine Berechtigung"},
    };
    for (const auto& c : cases) {
        if (!*c.says) continue;  // root reads every file
        const auto r = test::runCli({"--db", club.folder(), "members", "import", c.path, "--map", "Vorname=Vorname"});
        EXPECT_EQ(r.code, 1) << c.path.toStdString();
        const QString name = QStringLiteral("»%1«").arg(QDir::toNativeSeparators(c.path));
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.says)) && r.err.contains(name))
            << c.path.toStdString() << ": " << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(QStringLiteral("PK"))) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(QStringLiteral("konnte nicht gefunden"))) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(QStringLiteral("zip archive"), Qt::CaseInsensitive)) << r.err.toStdString();
        EXPECT_EQ(r.err.trimmed().count(u'\n'), 0) << r.err.toStdString();
    }
}

// A full disk: one German sentence from the cause, no library noise, the old file kept.
TEST(FullDisk, ExportsSayTheDiskIsFullAndKeepTheOldFile) {
    Club club;
    // names that do not compress, so that each file grows past the limit
    quint64 x = 88172645463325252ull;
    auto noise = [&] {
        x ^= x << 13, x ^= x >> 7, x ^= x << 17;
        return QString::number(x, 36);
    };
    for (int i = 1; i <= 400; ++i)
        club.addMember({{"ID", QString::number(i)}, {"Vorname", noise()}, {"Nachname", noise()}});
    const auto columns = memberExportColumns();
    const ExportTable table = exportTable(club.members(), columns, only(columns, {"ID", "Vorname", "Nachname"}));
    // what the libraries would print goes to a file of its own meanwhile
    const QString noisePath = club.dir.filePath(QStringLiteral("stderr.txt"));
    for (ExportFormat format : {ExportFormat::Csv, ExportFormat::Html, ExportFormat::Excel, ExportFormat::Ods}) {
        const QString path = club.dir.filePath(QStringLiteral("voll.out"));
        writeBytes(path, "alt");
        QString message;
        {
            std::fflush(stderr);
            const int saved = ::dup(2);
            const int capture = ::open(QFile::encodeName(noisePath).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(capture, 2);
            {
                const test::FileSizeLimit fullDisk(4096);
                try {
                    writeExport(format, path, table, {});
                } catch (const DataError& e) {
                    message = e.message();
                }
            }
            std::fflush(stderr);
            ::dup2(saved, 2);
            ::close(saved);
            ::close(capture);
        }
        const int f = int(format);
        // (the limit gives EFBIG, "zu groß für den Datenträger"; a full disk ENOSPC, "Der Datenträger ist voll")
        EXPECT_TRUE(message.contains(QStringLiteral("für den Datenträger")) ||
                    message.startsWith(QStringLiteral("Der Datenträger ist voll")))
            << f << ": " << message.toStdString();
        EXPECT_TRUE(message.contains(QStringLiteral("voll.out"))) << f << ": " << message.toStdString();
        EXPECT_FALSE(message.contains(u'\n')) << f << ": " << message.toStdString();
        EXPECT_EQ(bytesOf(noisePath), QByteArray()) << f;
        EXPECT_EQ(bytesOf(path), QByteArray("alt")) << f;
        EXPECT_EQ(QDir(club.dir.path()).entryList({QStringLiteral(".voll*")}, QDir::Hidden | QDir::Files), QStringList{})
            << f;
    }
}

// A full disk during an import: the import's own sentence with the number of members
// stored, and the file holds exactly that many (the engine's sentence for the cause
// comes from the connection).
TEST(FullDisk, AnImportSaysTheDiskIsFullAndHowManyWereStored) {
    Club club;
    QVector<QStringList> records;
    quint64 x = 1442695040888963407ull;
    for (int i = 0; i < 3000; ++i) {
        x ^= x << 13, x ^= x >> 7, x ^= x << 17;
        records << QStringList{QString::number(x, 36), QString::number(x * 31, 36) + QString::number(i)};
    }
    ImportRequest request;
    request.records = &records;
    request.fields = importScreenFields();
    request.mapping = ImportMapping(request.fields.size(), kNotAssigned);
    for (int i = 0; i < request.fields.size(); ++i) {
        if (request.fields[i].field == u"Vorname") request.mapping[i] = 0;
        if (request.fields[i].field == u"Nachname") request.mapping[i] = 1;
    }
    const qint64 size = QFileInfo(databaseFile(club.folder())).size();
    QString message;
    int stored = -1;
    {
        const test::FileSizeLimit fullDisk(rlim_t(size + 64 * 1024));
        try {
            const int n = importMembers(*club.data, request);
            message = QStringLiteral("(returned %1) ").arg(n);
        } catch (const ImportError& e) {
            message = e.message();
            stored = e.stored();
        } catch (const DataError& e) {
            message = QStringLiteral("(no ImportError) ") + e.message();
        }
    }
    EXPECT_TRUE(message.startsWith(QStringLiteral("Der Import wurde")) ||
                message.startsWith(QStringLiteral("Die importierten Mitglieder konnten nicht gespeichert werden")))
        << message.toStdString();
    EXPECT_FALSE(message.contains(QStringLiteral("savepoint")) || message.contains(QStringLiteral("no transaction")))
        << message.toStdString();
    const int inFile = test::rawSql(club.folder(), {"SELECT count(*) FROM mitglieder"}).toInt();
    EXPECT_EQ(inFile, stored) << message.toStdString();
    EXPECT_TRUE(message.contains(stored == 0 ? QStringLiteral("kein Mitglied")
                                             : QStringLiteral("%1 Mitglieder").arg(stored)))
        << message.toStdString();
}
