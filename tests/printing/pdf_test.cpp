// End to end: ferolind-cli prints real PDF files of a club database; pdftotext and
// pdfinfo (poppler-utils) read them back.
#include "bookings.h"
#include "club.h"
#include "programs.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace ferolind;
using test::Club;
using test::cli;
using test::Result;
using test::run;

namespace {

QString pdfText(const QString& path) { return run("pdftotext", {"-layout", path, "-"}).out; }

int pdfPages(const QString& path) {
    const QString info = run("pdfinfo", {path}).out;
    const auto m = QRegularExpression(R"(Pages:\s+(\d+))").match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

void book(Club& club, const QString& date, const QString& dir, const QString& amount, const QString& category,
          const QString& text) {
    test::addBooking(club.data->bookings(), date, dir, amount, category, text);
}

}  // namespace

TEST(PrintPdf, MemberListHoldsTitleHeadingsAndEveryMemberOnTheComputedPages) {
    Club club;
    // 28 rows fit a portrait page of one-line rows: 40 members take two pages.
    for (int i = 1; i <= 40; ++i)
        club.addMember({{"Vorname", QStringLiteral("Vorname%1").arg(i)}, {"Nachname", QStringLiteral("Müller%1").arg(i)},
                        {"Ort", "Dresden"}});
    const QString pdf = club.dir.filePath("liste.pdf");
    Result r = cli(club.folder(), {"print", "member-list", "--pdf", pdf, "--title", "Mitgliederliste 2011", "--columns",
                                   "ID;Vorname;Nachname;Ort;Telefax"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, pdf + ": 2 Seite(n)\n");
    EXPECT_EQ(pdfPages(pdf), 2);
    const QString text = pdfText(pdf);
    EXPECT_EQ(text.count("Mitgliederliste 2011"), 2);  // on every page
    EXPECT_EQ(text.count(QRegularExpression(R"(ID\s+Vorname\s+Nachname\s+Ort)")), 2);
    EXPECT_FALSE(text.contains("Telefax"));  // nobody has one
    for (int i = 1; i <= 40; ++i) {
        EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral(R"(\b%1\s+Vorname%1\s+Müller%1\s+Dresden)").arg(i))))
            << i;
    }

    // Landscape: 19 rows a page, three pages; a filter and a sort narrow and order the list.
    r = cli(club.folder(), {"print", "member-list", "--pdf", pdf, "--landscape", "--columns", "ID;Nachname"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(pdfPages(pdf), 3);
    // The free field carries the user's label as its heading.
    club.data->settings().DbSettingSet("S1", "Abteilung");
    club.members().locate("ID", {2});
    club.members().edit();
    club.members().setText("Sonstiges1", "Jugend");
    club.members().post();
    r = cli(club.folder(), {"print", "member-list", "--pdf", pdf, "--filter", "ID <= 3", "--sort", "Vorname",
                            "--columns", "Vorname;Sonstiges1"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(pdfPages(pdf), 1);
    const QString short3 = pdfText(pdf);
    EXPECT_TRUE(short3.contains(QRegularExpression(R"(Vorname\s+Abteilung)")));
    EXPECT_TRUE(short3.contains(QRegularExpression(R"(Vorname2\s+Jugend)")));
    const QStringList names = short3.split(QRegularExpression(R"(\s+)"), Qt::SkipEmptyParts);
    EXPECT_EQ(names.filter(QRegularExpression("^Vorname\\d")), (QStringList{"Vorname1", "Vorname2", "Vorname3"}));
}

TEST(PrintPdf, BookingListAndStatement) {
    Club club;
    book(club, "10.01.2011", "E", "100", "Beiträge", "Beitrag Berg");
    book(club, "20.01.2011", "A", "12,5", "Porto", "Briefmarken");
    book(club, "05.03.2011", "E", "1234,5", "Spenden", "Spende Moser");
    const QString pdf = club.dir.filePath("buchungen.pdf");
    Result r = cli(club.folder(), {"print", "booking-list", "--pdf", pdf, "--title", "Buchungen 2011"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(pdfPages(pdf), 1);
    QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains("Buchungen 2011"));
    EXPECT_TRUE(text.contains(QRegularExpression(R"(Nr\.\s+Datum\s+Empfänger/Absender\s+Buchungstext\s+E/A\s+Betrag)")));
    EXPECT_TRUE(text.contains(QRegularExpression(R"(10\.01\.2011\s+Beitrag Berg\s+E\s+100,00\s+Beiträge\s+Kasse)")));
    EXPECT_TRUE(text.contains(QRegularExpression(R"(20\.01\.2011\s+Briefmarken\s+A\s+12,50\s+Porto)")));
    EXPECT_TRUE(text.contains(QRegularExpression(R"(05\.03\.2011\s+Spende Moser\s+E\s+1234,50\s+Spenden)")));
    EXPECT_TRUE(text.contains("Summe: 1.322,00 €"));

    r = cli(club.folder(), {"print", "statement", "--pdf", pdf, "--from", "01.01.2011", "--to", "31.03.2011",
                            "--monthly", "--title", "Abschluss 1. Quartal"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(pdfPages(pdf), 1);
    text = pdfText(pdf);
    EXPECT_TRUE(text.contains("Abschluss 1. Quartal"));
    for (const char* line : {R"(Monatsabschluss 1 / 2011)", R"(Beiträge\s+100,00 €\s+Porto\s+-12,50 €)",
                             R"(Summe Einnahmen: 100,00 €\s+Summe Ausgaben: -12,50 €)", R"(Monatsabschluss 2 / 2011)",
                             R"(Spenden\s+1.234,50 €)", R"(Saldo Kasse: 1.322,00 €)"})
        EXPECT_TRUE(text.contains(QRegularExpression(QString::fromUtf8(line)))) << line;
}

TEST(PrintPdf, RefusedCallsWriteNoFile) {
    Club club;
    const QString pdf = club.dir.filePath("nichts.pdf");
    struct Case {
        QStringList args;
        const char* message;
    } cases[] = {
        {{"print", "member-list"}, "Es fehlt die Option --pdf DATEI."},
        {{"print", "member-list", "--pdf", pdf, "--columns", "ID;Schuhgröße"}, "»Schuhgröße« ist keine druckbare Spalte."},
        {{"print", "member-list", "--pdf", pdf, "--filter", "Nachname = "}, ""},
        {{"print", "statement", "--pdf", pdf, "--from", "01.01.2011", "--to", "31.12.2011"},
         "Bitte genau eine der Optionen --monthly oder --yearly angeben."},
        {{"print", "statement", "--pdf", pdf, "--from", "31.12.2011", "--to", "01.01.2011", "--yearly"},
         "Das Datum »Von« liegt nach dem Datum »Bis«."},
        {{"print", "statement", "--pdf", pdf, "--from", "32.01.2011", "--to", "01.02.2011", "--yearly"},
         "»32.01.2011« ist kein gültiges Datum (TT.MM.JJJJ)."},
        {{"print", "booking-list", "--pdf", club.dir.filePath("fehlt/liste.pdf")}, ""},
    };
    for (const Case& c : cases) {
        const Result r = cli(club.folder(), c.args);
        EXPECT_EQ(r.code, 1) << c.args.join(' ').toStdString();
        if (*c.message) EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
        EXPECT_FALSE(r.err.isEmpty());
        EXPECT_FALSE(QFile::exists(pdf));
    }
}
