// The member and booking exports: the delimited and HTML files byte for byte, the
// workbook read back, and a failed write that leaves the old file as it was.
#include "bookings.h"
#include "club.h"
#include "exchange/codepage.h"
#include "exchange/exports.h"
#include "exchange/sources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace ferolind;
using namespace ferolind::exchange;
using ferolind::test::Club;

namespace {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QVector<bool> only(const QVector<ExportColumn>& columns, const QStringList& fields) {
    QVector<bool> s;
    for (const ExportColumn& c : columns) s << fields.contains(c.field);
    return s;
}

struct MemberExport : ::testing::Test {
    Club club;
    QString target = club.dir.filePath(QStringLiteral("out.txt"));
    ExportTable table(const QStringList& fields) {
        const auto columns = memberExportColumns();
        return exportTable(club.members(), columns, only(columns, fields));
    }
};

}  // namespace

TEST_F(MemberExport, DelimitedAndHtmlFilesByteForByte) {
    club.addMember({{"ID", "7"}, {"Nachname", "Muster"}, {"Geburtsdatum", "01.02.1970"}});
    struct Case {
        const char* name;
        ExportFormat format;
        ExportOptions options;
        QStringList fields;
        QByteArray expected;
    };
    const Case cases[] = {
        {"CSV default", ExportFormat::Csv, {}, {"ID", "Nachname"}, "\"ID\",\"Nachname\",\r\n7,\"Muster\",\r\n"},
        {"CSV ignores TXT choices", ExportFormat::Csv, {QLatin1Char(';'), QChar(), true}, {"ID", "Nachname"},
         "\"ID\",\"Nachname\",\r\n7,\"Muster\",\r\n"},
        {"TXT tab, no qualifier", ExportFormat::Txt, {QLatin1Char('\t'), QChar(), true}, {"ID", "Nachname", "Geburtsdatum"},
         "ID\tNachname\tGeburtsdatum\t\r\n7\tMuster\t01.02.1970\t\r\n"},
        {"TXT single quote, no title", ExportFormat::Txt, {QLatin1Char(';'), QLatin1Char('\''), false},
         {"Nachname", "BeitragAktuellBezahlt"}, "'Muster';'Falsch';\r\n"},
        {"no column", ExportFormat::Csv, {}, {}, "\r\n\r\n"},
        {"HTML", ExportFormat::Html, {}, {"ID", "Nachname"},
         "<HTML><HEAD><TITLE>Exportierte Mitglieder</TITLE>\r\n"
         "<META http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\"></HEAD>\r\n"
         "<BODY>\r\n<TABLE Border=\"1\" CellPadding=\"1\" CellSpacing=\"1\">\r\n<TR>\r\n<th>ID</th>\r\n<th>Nachname</th>\r\n"
         "</TR>\r\n<TR>\r\n<td>7</td><td>Muster</td></TR>\r\n</Table></BODY></HTML>\r\n"},
        {"HTML without title keeps the empty row", ExportFormat::Html, {QLatin1Char(','), QLatin1Char('"'), false},
         {"Nachname"},
         "<HTML><HEAD><TITLE>Exportierte Mitglieder</TITLE>\r\n"
         "<META http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\"></HEAD>\r\n"
         "<BODY>\r\n<TABLE Border=\"1\" CellPadding=\"1\" CellSpacing=\"1\">\r\n<TR>\r\n</TR>\r\n<TR>\r\n"
         "<td>Muster</td></TR>\r\n</Table></BODY></HTML>\r\n"},
    };
    for (const Case& c : cases) {
        writeExport(c.format, target, table(c.fields), c.options);
        EXPECT_EQ(bytesOf(target), c.expected) << c.name;
    }
}

TEST_F(MemberExport, EmptyListAndUnchangedValuesInWindows1252) {
    writeExport(ExportFormat::Csv, target, table({"ID", "Strasse"}), {});
    EXPECT_EQ(bytesOf(target), QByteArray("\"ID\",\"Straße\",\r\n").replace("ß", "\xDF"));

    club.addMember({{"Nachname", "Grün, \"Ä\" €"}, {"Ort", QStringLiteral("Łódź")}});
    const ExportTable t = table({"Nachname", "Ort"});
    ExportOptions txt{QLatin1Char(','), QLatin1Char('"'), false};
    writeExport(ExportFormat::Txt, target, t, txt);
    EXPECT_EQ(bytesOf(target), QByteArray("\"Gr\xFCn, \"\"\xC4\"\" \x80\",\"?\xF3\x64?\",\r\n"));
    // With a qualifier every value reads back; without one the separator cannot be escaped.
    EXPECT_TRUE(firstBreakingCell(t, txt).isEmpty());
    EXPECT_EQ(firstBreakingCell(t, {QLatin1Char(','), QChar(), false}), QStringLiteral("Grün, \"Ä\" €"));
    EXPECT_TRUE(firstBreakingCell(t, {QLatin1Char('\t'), QChar(), true}).isEmpty());
}

TEST_F(MemberExport, FailedWriteKeepsTheOldFile) {
    club.addMember({{"Nachname", "Muster"}});
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("alt");
    old.close();
    const QString missingFolder = club.dir.filePath(QStringLiteral("fehlt/out.csv"));
    for (ExportFormat f : {ExportFormat::Csv, ExportFormat::Html, ExportFormat::Excel, ExportFormat::Ods})
        EXPECT_THROW(writeExport(f, missingFolder, table({"Nachname"}), {}), DataError);
    EXPECT_FALSE(QFile::exists(missingFolder));
    EXPECT_EQ(bytesOf(target), QByteArray("alt"));
}

TEST_F(MemberExport, WorkbookHoldsTheRowsTheDatasetPresents) {
    club.addMember({{"ID", "3"}, {"Nachname", "Berg"}, {"Geburtsdatum", "01.02.1970"}, {"Bankleitzahl", "37040044"}});
    club.addMember({{"ID", "4"}, {"Nachname", "Adam"}, {"Geburtsdatum", "31.12.1850"}});
    club.addMember({{"ID", "5"}, {"Nachname", "Zorn"}});
    club.members().applyFilter(QStringLiteral("ID < 5"));
    club.members().setSort(QStringLiteral("Nachname"));
    const QString xlsx = club.dir.filePath(QStringLiteral("m.xlsx"));
    QFile old(xlsx);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("kein Arbeitsblatt");
    old.close();
    writeExport(ExportFormat::Excel, xlsx, table({"ID", "Nachname", "Geburtsdatum", "Bankleitzahl"}), {});

    QFile f(xlsx);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_EQ(xlsxSheetNames(bytes), QStringList{"Buchung"});
    const SourceTable t = readXlsx(bytes, QStringLiteral("Buchung"));
    const QVector<QStringList> expected = {{"ID", "Nachname", "Geburtsdatum", "Bankleitzahl"},
                                           {"4", "Adam", "31.12.1850", ""},
                                           {"3", "Berg", "01.02.1970", "37040044"}};
    ASSERT_EQ(t.records.size(), expected.size());
    for (int r = 0; r < expected.size(); ++r)
        for (int c = 0; c < expected[r].size(); ++c)
            EXPECT_EQ(c < t.records[r].size() ? t.records[r][c] : QString(), expected[r][c]) << r << "," << c;

    // LibreOffice reads it too (where it is installed).
    const QString office = QStandardPaths::findExecutable(QStringLiteral("libreoffice"));
    if (office.isEmpty() || !QFileInfo::exists(QFileInfo(QFileInfo(office).canonicalFilePath()).dir().filePath("libsclo.so")))
        GTEST_SKIP() << "LibreOffice Calc is not installed";
    QProcess p;
    p.setWorkingDirectory(club.dir.path());
    p.start(office, {"--headless", "--convert-to", "csv", "--outdir", club.dir.path(), xlsx});
    ASSERT_TRUE(p.waitForFinished(120000));
    const QString csv = QString::fromUtf8(bytesOf(club.dir.filePath(QStringLiteral("m.csv"))));
    EXPECT_TRUE(csv.contains(QStringLiteral("Adam"))) << csv.toStdString();
    EXPECT_TRUE(csv.contains(QStringLiteral("Berg"))) << csv.toStdString();
}

TEST(BookingExport, AmountsWithTwoDecimalsAndOnlyTheQueriedBookings) {
    Club club;
    Dataset& b = club.data->bookings();
    test::addBooking(b, "03.01.2026", "E", "12,5", "Beiträge", "Beitrag");
    test::addBooking(b, "04.01.2026", "A", "3", "Porto", "Briefmarken");
    b.applyFilter(QStringLiteral("Kategorie = 'Beiträge'"));
    const QString target = club.dir.filePath(QStringLiteral("b.csv"));
    const auto& columns = bookingExportColumns();
    writeExport(ExportFormat::Csv, target, exportTable(b, columns, QVector<bool>(8, true)), {});
    EXPECT_EQ(bytesOf(target), toWindows1252(QStringLiteral("\"Nr.\",\"Datum\",\"Empfänger/Absender\",\"Buchungstext\","
                                                            "\"E/A\",\"Betrag\",\"Kategorie\",\"Bestandskonto\",\r\n"
                                                            "1,\"03.01.2026\",\"\",\"Beitrag\",\"E\",\"12,50\","
                                                            "\"Beiträge\",\"Kasse\",\r\n")));
    writeExport(ExportFormat::Html, target, exportTable(b, columns, QVector<bool>(8, false)), {});
    EXPECT_TRUE(bytesOf(target).contains("</TR>\r\n<TR>\r\n</TR>\r\n</Table>"));
}
