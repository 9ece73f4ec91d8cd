// Nothing printed runs past the page edge or into the next label: the PDF pages are read
// back with the position of every word (pdftotext -bbox) and checked against the page
// and the label columns; a statement is wrapped whole, a cell or label line cut with "…".
#include "club.h"
#include "programs.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace ferolind;
using test::Club;
using test::cli;
using test::Result;
using test::run;

namespace {

struct Word {
    double x1, y1, x2, y2;
    QString text;
};

struct Page {
    double width = 0, height = 0;
    QVector<Word> words;
    QString text() const {
        QStringList t;
        for (const Word& w : words) t << w.text;
        return t.join(u' ');
    }
};

QVector<Page> pagesOf(const QString& pdf) {
    const QString html = run("pdftotext", {"-bbox", pdf, "-"}).out;
    QVector<Page> pages;
    static const QRegularExpression page(R"re(<page width="([\d.]+)" height="([\d.]+)">)re");
    static const QRegularExpression word(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
    qsizetype at = 0;
    for (;;) {
        const auto p = page.match(html, at);
        if (!p.hasMatch()) break;
        Page pg{p.captured(1).toDouble(), p.captured(2).toDouble(), {}};
        const qsizetype end = html.indexOf(QStringLiteral("</page>"), p.capturedEnd());
        for (auto it = word.globalMatch(html.mid(p.capturedEnd(), end - p.capturedEnd())); it.hasNext();) {
            const auto w = it.next();
            QString text = w.captured(5);
            text.replace("&amp;", "&").replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"");
            pg.words.push_back({w.captured(1).toDouble(), w.captured(2).toDouble(), w.captured(3).toDouble(),
                                w.captured(4).toDouble(), text});
        }
        pages << pg;
        at = end;
    }
    return pages;
}

// Every word lies on the page.
void expectOnThePage(const Page& p) {
    ASSERT_GT(p.width, 0);
    for (const Word& w : p.words) {
        EXPECT_GE(w.x1, 0) << w.text.toStdString();
        EXPECT_LE(w.x2, p.width) << w.text.toStdString();
        EXPECT_LE(w.y2, p.height) << w.text.toStdString();
    }
}

}  // namespace

TEST(PrintedEdges, TheReceiptWrapsItsStatementsAndPrintsThemWhole) {
    Club club;
    SettingsStore& s = club.data->settings();
    s.DbSettingSet("Name", "Turnverein Musterstadt");
    s.DbSettingSet("Ort", "01067 Dresden");
    s.DbSettingSet("Finanzamt", "Dresden-Nord");
    const QString purpose = QStringLiteral("Förderung des Sports, der Jugendhilfe, des Naturschutzes und der "
                                           "Landschaftspflege im Sinne des Bundesnaturschutzgesetzes");
    s.DbSettingSet("Zweck", purpose);
    const QString pdf = club.dir.filePath("quittung.pdf");
    const Result r = cli(club.folder(), {"print", "receipt", "--pdf", pdf, "--amount", "1.234.567,89", "--date",
                                         "03.05.2011", "--donor-name", "Anna Berg", "--donor-street", "Lindenweg 5",
                                         "--donor-town", "01069 Dresden"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QVector<Page> pages = pagesOf(pdf);
    ASSERT_EQ(pages.size(), 1);
    expectOnThePage(pages[0]);
    const QString text = pages[0].text();
    // the purpose whole, wherever it stands (three times on the money receipt)
    EXPECT_EQ(text.count(purpose), 3) << text.toStdString();
    // the amount in words to its end
    QString words = text;
    words.remove(u' ');
    EXPECT_TRUE(words.contains(QStringLiteral(
        "(eins*Punkt*zwei*drei*vier*Punkt*fuenf*sechs*sieben*Komma*acht*neun*)")))
        << text.toStdString();
    // the legal statements below still there, on the page
    EXPECT_TRUE(text.contains(QStringLiteral("BStBl I S. 884"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("(Unterschrift des Zuwendungsempfängers)"))) << text.toStdString();
}

TEST(PrintedEdges, ALongNameStaysOnItsLabel) {
    Club club;
    const QString longName = QStringLiteral("Maximilian-Alexander Freiherr von Hohen-Zollern");  // 47 characters
    ASSERT_EQ(longName.size(), 47);
    club.addMember({{"Vorname", "Maximilian-Alexander"}, {"Nachname", "Freiherr von Hohen-Zollern"},
                    {"Strasse", "Lindenweg 5"}, {"PLZ", "01067"}, {"Ort", "Dresden"}});
    club.addMember({{"Vorname", "Zweiter"}, {"Nachname", "Nachbar"}, {"Strasse", "Am Markt 1"}, {"PLZ", "01067"},
                    {"Ort", "Dresden"}});
    club.addMember({{"Vorname", "Dritter"}, {"Nachname", "Randlage-Oberhausen-Sterkrade-Holten"},
                    {"Strasse", "Weg 2"}, {"PLZ", "01067"}, {"Ort", "Dresden"}});
    const QString pdf = club.dir.filePath("etiketten.pdf");
    const Result r = cli(club.folder(), {"print", "labels", "--pdf", pdf, "--rows", "7", "--columns", "3"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QVector<Page> pages = pagesOf(pdf);
    ASSERT_EQ(pages.size(), 1);
    expectOnThePage(pages[0]);
    // The second and third labels start where their words start; the words of the label
    // before end before them.
    auto left = [&](const QString& first) {
        for (const Word& w : pages[0].words)
            if (w.text == first) return w.x1;
        ADD_FAILURE() << first.toStdString();
        return 0.0;
    };
    const double second = left("Zweiter"), third = left("Dritter");
    ASSERT_LT(second, third);
    for (const Word& w : pages[0].words) {
        if (w.x1 < second) {
            EXPECT_LT(w.x2, second) << w.text.toStdString();
        } else if (w.x1 < third) {
            EXPECT_LT(w.x2, third) << w.text.toStdString();
        }
    }
    const QString text = pages[0].text();
    EXPECT_TRUE(text.contains(QStringLiteral("Maximilian-Alexander"))) << text.toStdString();
    EXPECT_EQ(text.count(QStringLiteral("…")), 2) << text.toStdString();  // the long name and the long third
}

TEST(PrintedEdges, MemberListCellsStopBeforeThePageEdge) {
    Club club;
    for (int i = 1; i <= 3; ++i)
        club.addMember({{"Vorname", QStringLiteral("Vorname%1").arg(i)}, {"Nachname", QStringLiteral("Nachname%1").arg(i)},
                        {"Strasse", "Obere Hauptstraße am Schlossberg 125"}, {"PLZ", "01067"},
                        {"Ort", "Dresden-Neustadt"}, {"Telefon1", "0351 1234567"},
                        {"Email", QStringLiteral("mitglied.mit.langer.adresse.%1@beispielverein-ev.de").arg(i)}});
    const QString pdf = club.dir.filePath("liste.pdf");
    const Result r = cli(club.folder(), {"print", "member-list", "--pdf", pdf, "--columns",
                                         "ID;Vorname;Nachname;Strasse;PLZ;Ort;Telefon1;Email"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QVector<Page> pages = pagesOf(pdf);
    ASSERT_EQ(pages.size(), 1);
    expectOnThePage(pages[0]);
    EXPECT_TRUE(pages[0].text().contains(QStringLiteral("Vorname3"))) << pages[0].text().toStdString();
}
