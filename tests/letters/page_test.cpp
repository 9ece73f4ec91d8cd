// A letter keeps its own page: paper size and margins read from its RTF are printed and
// written back; a font the system lacks is named before a serial letter is written.
#include "club.h"
#include "programs.h"
#include "letters/rtfreader.h"
#include "letters/rtfwriter.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace ferolind;
using namespace ferolind::letters;
using test::Club;
using test::cli;
using test::Result;
using test::run;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The first word's left and top edge and the page size of page 1, in points.
struct FirstWord {
    double x = -1, y = -1, width = 0, height = 0;
};
FirstWord firstWord(const QString& pdf) {
    const QString html = run("pdftotext", {"-bbox", "-f", "1", "-l", "1", pdf, "-"}).out;
    FirstWord f;
    const auto page = QRegularExpression(R"re(<page width="([\d.]+)" height="([\d.]+)">)re").match(html);
    const auto word = QRegularExpression(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)")re").match(html);
    if (page.hasMatch()) f.width = page.captured(1).toDouble(), f.height = page.captured(2).toDouble();
    if (word.hasMatch()) f.x = word.captured(1).toDouble(), f.y = word.captured(2).toDouble();
    return f;
}

}  // namespace

TEST(LetterPage, PaperAndMarginsOfTheRtfArePrintedAndWrittenBack) {
    const struct {
        const char* name;
        QByteArray page;
        double width, height, left, top;  // points
    } cases[] = {
        {"A4, 2.5 cm", "\\paperw11906\\paperh16838\\margl1417\\margr1417\\margt1417\\margb1417", 595.3, 841.9, 70.85,
         70.85},
        {"US Letter, 1 inch", "\\paperw12240\\paperh15840\\margl1440\\margr1440\\margt1440\\margb1440", 612, 792, 72, 72},
        {"none given: A4, 2 cm", "", 595.3, 841.9, 56.7, 56.7},
    };
    Club club;
    club.addMember({{"Vorname", "Anna"}, {"Nachname", "Berg"}});
    for (const auto& c : cases) {
        const QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Liberation Serif;}}" + c.page +
                               "\\pard\\f0\\fs24 Liebe #VORNAME#,\\par}";
        const QString path = club.dir.filePath("brief.rtf");
        writeFile(path, rtf);
        const std::unique_ptr<QTextDocument> doc = readRtf(rtf);
        const QByteArray back = writeRtf(*doc);
        EXPECT_TRUE(back.contains(c.page)) << c.name << "\n" << back.toStdString();
        EXPECT_EQ(pageSetupOf(*readRtf(back)), pageSetupOf(*doc)) << c.name;

        const QString pdf = club.dir.filePath("brief.pdf");
        const Result r = cli(club.folder(), {"letters", "merge", "--rtf", path, "--pdf", pdf});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        const FirstWord w = firstWord(pdf);
        EXPECT_NEAR(w.width, c.width, 1) << c.name;
        EXPECT_NEAR(w.height, c.height, 1) << c.name;
        EXPECT_NEAR(w.x, c.left, 1.5) << c.name;
        EXPECT_NEAR(w.y, c.top, 6) << c.name;  // the line's top lies a little below the margin
    }
}

TEST(LetterPage, AMissingFontIsNamedBeforeTheLettersAreWritten) {
    Club club;
    club.addMember({{"Vorname", "Anna"}, {"Nachname", "Berg"}});
    const QString path = club.dir.filePath("brief.rtf");
    writeFile(path, "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Liberation Serif;}{\\f1 Keine Solche Schrift;}}"
                    "\\pard\\f0 Liebe {\\f1 #VORNAME#},\\par}");
    EXPECT_EQ(missingFonts(*readRtfFile(path)), QStringList{"Keine Solche Schrift"});
    const QString pdf = club.dir.filePath("brief.pdf");
    const Result r = cli(club.folder(), {"letters", "merge", "--rtf", path, "--pdf", pdf});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("»Keine Solche Schrift« ist nicht installiert"))) << r.out.toStdString();
    // a font the system has, or maps to one of the same metrics, is no warning
    writeFile(path, "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Liberation Serif;}{\\f1 Arial;}}\\pard\\f0 A{\\f1 B}\\par}");
    EXPECT_TRUE(missingFonts(*readRtfFile(path)).isEmpty());
}
