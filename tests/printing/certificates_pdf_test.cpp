// End to end: ferolind-cli prints donation receipts and address labels as real PDF
// files (read back with pdftotext and pdfinfo), and lists birthdays and jubilees.
#include "club.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace ferolind;
using test::Club;

namespace {

struct Result {
    int code;
    QString out, err;
};

Result run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

Result cli(const QString& folder, const QStringList& args) {
    return run(QStringLiteral(FEROLIND_CLI_PATH), QStringList{"--db", folder} + args);
}

QString pdfText(const QString& path, int page = 0) {
    QStringList args{"-layout"};
    if (page > 0) args << "-f" << QString::number(page) << "-l" << QString::number(page);
    return run("pdftotext", args + QStringList{path, "-"}).out;
}

int pdfPages(const QString& path) {
    const auto m = QRegularExpression(R"(Pages:\s+(\d+))").match(run("pdfinfo", {path}).out);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

}  // namespace

TEST(CertificatePdf, ReceiptsForMoneyAndInKindWithTheClubDataOfTheSettings) {
    Club club;
    SettingsStore& s = club.data->settings();
    s.DbSettingSet("Name", "Turnverein Musterstadt");
    s.DbSettingSet("Ort", "01067 Dresden");
    s.DbSettingSet("Finanzamt", "Dresden-Nord");
    s.DbSettingSet("Zweck", "Förderung des Sports");
    s.DbSettingSetBool("VerzichtErstattungAufwendungen", true);
    const QString pdf = club.dir.filePath("quittung.pdf");
    const QStringList donor{"--donor-name", "Anna Berg", "--donor-street", "Lindenweg 5", "--donor-town",
                            "01069 Dresden"};
    Result r = cli(club.folder(),
                   QStringList{"print", "receipt", "--pdf", pdf, "--amount", "12,50", "--date", "03.05.2011"} + donor);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, pdf + ": 1 Seite(n)\n");
    EXPECT_EQ(pdfPages(pdf), 1);
    QString text = pdfText(pdf).simplified();
    for (const char* expected :
         {"Turnverein Musterstadt", "Bestätigung über Geldzuwendungen/Mitgliedsbeitrag", "Anna Berg", "Lindenweg 5",
          "12,50 € (eins*zwei*Komma*fuenf*null*)", "03.05.2011", "JA [X] Nein [ ]", "des Finanzamtes Dresden-Nord",
          "\"Förderung des Sports\"", "(Unterschrift des Zuwendungsempfängers)", "BStBl I S. 884"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
    EXPECT_TRUE(text.contains("01067 Dresden, den " + QDate::currentDate().toString("dd.MM.yyyy")));
    EXPECT_FALSE(text.contains("Sachzuwendung"));

    r = cli(club.folder(), QStringList{"print", "receipt", "--pdf", pdf, "--amount", "1.000", "--in-kind", "--item",
                                       "Ein Fahrrad"} +
                               donor);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    text = pdfText(pdf).simplified();
    EXPECT_TRUE(text.contains("Bestätigung über Sachzuwendungen"));
    EXPECT_TRUE(text.contains("Ein Fahrrad"));
    EXPECT_TRUE(text.contains("1.000 € (eins*Punkt*null*null*null*)"));
    EXPECT_FALSE(text.contains("Verzicht"));
    EXPECT_FALSE(text.contains("Mitgliedsbeitrag i.S.v"));

    // A missing donor field is refused and the file stays as it was.
    const QByteArray before = [&] {
        QFile f(pdf);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    r = cli(club.folder(), {"print", "receipt", "--pdf", pdf, "--amount", "5", "--donor-name", "X"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("Es fehlt die Option --donor-street")) << r.err.toStdString();
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
}

TEST(CertificatePdf, LabelSheetsHoldOnlyTheirOwnLabels) {
    Club club;
    for (int i = 1; i <= 13; ++i)
        club.addMember({{"Vorname", QStringLiteral("Vorname%1").arg(i)}, {"Nachname", QStringLiteral("Zeh%1x").arg(i)},
                        {"Strasse", "Lindenweg 5"}, {"PLZ", "01067"}, {"Ort", i == 13 ? "Pirna" : "Dresden"}});
    club.data->settings().DbSettingSetInt("ZeilenEtiketten", 6);
    club.data->settings().DbSettingSetInt("SpaltenEtiketten", 2);
    const QString pdf = club.dir.filePath("etiketten.pdf");
    Result r = cli(club.folder(), {"print", "labels", "--pdf", pdf});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, pdf + ": 2 Seite(n)\n");
    EXPECT_EQ(pdfPages(pdf), 2);
    const QString first = pdfText(pdf, 1), second = pdfText(pdf, 2);
    EXPECT_TRUE(first.contains("Vorname1 Zeh1x"));
    EXPECT_TRUE(first.contains("Vorname12 Zeh12x"));
    EXPECT_FALSE(first.contains("Zeh13x"));
    EXPECT_TRUE(second.contains("Vorname13 Zeh13x"));
    EXPECT_TRUE(second.contains("-01067 Pirna"));
    EXPECT_FALSE(second.contains("Zeh1x")) << second.toStdString();
    EXPECT_EQ(second.count("Lindenweg"), 1);

    r = cli(club.folder(), {"print", "labels", "--pdf", pdf, "--rows", "1", "--columns", "1", "--filter", "Ort='Pirna'"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(pdfPages(pdf), 1);
    for (const QStringList& bad : {QStringList{"--rows", "21"}, QStringList{"--columns", "4"},
                                   QStringList{"--rows", "zwei"}}) {
        r = cli(club.folder(), QStringList{"print", "labels", "--pdf", club.dir.filePath("neu.pdf")} + bad);
        EXPECT_EQ(r.code, 1) << bad.join(' ').toStdString();
        EXPECT_FALSE(r.err.isEmpty());
        EXPECT_FALSE(QFile::exists(club.dir.filePath("neu.pdf")));
    }
}

TEST(CertificateCli, JubileesListTheMembersLikeMembersList) {
    Club club;
    const QDate today = QDate::currentDate();
    club.addMember({{"Vorname", "Anna"}, {"Nachname", "Berg"}, {"Geburtsdatum", today.addYears(-40).toString("dd.MM.yyyy")}});
    club.addMember({{"Vorname", "Max"}, {"Nachname", "Müller"},
                    {"EintrittDatum", QStringLiteral("01.01.%1").arg(today.year() - 25)}});
    club.addMember({{"Vorname", "Carl"}, {"Nachname", "Ohne"}});
    Result r = cli(club.folder(), {"members", "jubilees", "--today"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("ID\t"));
    EXPECT_TRUE(lines[1].startsWith("1\t") && lines[1].contains("\tAnna\tBerg\t")) << lines[1].toStdString();
    r = cli(club.folder(), {"members", "jubilees", "--years", "25,10", "--by-entry"});
    lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << r.out.toStdString();
    EXPECT_TRUE(lines[1].startsWith("2\t"));
    r = cli(club.folder(), {"members", "jubilees", "--years", "40"});
    lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[1].startsWith("1\t"));
    for (const QStringList& bad : {QStringList{}, QStringList{"--today", "--month"}, QStringList{"--years", "12"},
                                   QStringList{"--month", "--by-entry"}}) {
        r = cli(club.folder(), QStringList{"members", "jubilees"} + bad);
        EXPECT_EQ(r.code, 1) << bad.join(' ').toStdString();
        EXPECT_FALSE(r.err.isEmpty());
    }
}
