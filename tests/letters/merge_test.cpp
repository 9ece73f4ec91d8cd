// Serial letters: the replacement of the markers, the member entries and bounds of the
// print dialog, the range over the member dataset, the working file, and the merged PDF
// that ferolind-cli writes (read back with poppler's tools).
#include "club.h"
#include "programs.h"
#include "data/errors.h"
#include "letters/letterprint.h"
#include "letters/rtfreader.h"
#include "letters/rtfwriter.h"
#include "letters/serialletter.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace ferolind;
using namespace ferolind::letters;
using test::Club;
using test::cli;
using test::Result;
using test::run;

namespace {

std::unique_ptr<QTextDocument> letterOf(const QString& text) {
    auto doc = std::make_unique<QTextDocument>();
    QTextCursor(doc.get()).insertText(text);
    return doc;
}

QString merged(const QString& letter, const QVector<Replacement>& replacements) {
    auto doc = letterOf(letter);
    replaceMarkers(*doc, replacements);
    return doc->toPlainText();
}

// The member fields in merge order with these texts, the others empty.
QVector<Replacement> member(std::initializer_list<std::pair<const char*, QString>> fields) {
    QVector<Replacement> out;
    for (const MergeField& f : mergeOrder()) {
        QString text;
        for (const auto& [name, value] : fields)
            if (f.name == QLatin1String(name)) text = value;
        out.push_back({f.marker(), text});
    }
    return out;
}

}  // namespace

TEST(SerialLetterMerge, ReplacementRules) {
    struct Case {
        const char* what;
        QString letter;
        QVector<Replacement> fields;
        QString expected;
    };
    const Case cases[] = {
        {"every marker, in any number", "#ANREDE# #VORNAME# #NACHNAME#, #ORT# #ORT#",
         member({{"Anrede", "Frau"}, {"Vorname", "Anna"}, {"Nachname", "Berg"}, {"Ort", "Dresden"}}),
         "Frau Anna Berg, Dresden Dresden"},
        {"an empty field removes its marker", "Hallo #VORNAME##NACHNAME#!", member({{"Nachname", "Berg"}}),
         "Hallo Berg!"},
        {"a first name written as #ORT# is printed as the town", "#VORNAME# aus #ORT#",
         member({{"Vorname", "#ORT#"}, {"Ort", "Jena"}}), "Jena aus Jena"},
        {"a town written as #ORT# is printed as written", "#VORNAME# aus #ORT#",
         member({{"Vorname", "Max"}, {"Ort", "#ORT#"}}), "Max aus #ORT#"},
        {"a field containing its own marker is inserted once", "#NACHNAME# und #NACHNAME#",
         member({{"Nachname", "X#NACHNAME#Y"}}), "X#NACHNAME#Y und X#NACHNAME#Y"},
        {"a marker made partly of inserted text is replaced", "#NACHNAME#NAME#",
         member({{"Nachname", "#NACH"}}), "#NACH"},
        {"markers are case-sensitive; other texts between # stay", "#vorname# #Ort# #FOO# #VORNAME",
         member({{"Vorname", "Anna"}, {"Ort", "Jena"}}), "#vorname# #Ort# #FOO# #VORNAME"},
        {"a letter without markers stays as it is", "Liebe Mitglieder,\nbis bald.", member({{"Vorname", "A"}}),
         "Liebe Mitglieder,\nbis bald."},
        {"a text with line breaks becomes paragraphs", "#STRASSE#.", member({{"Strasse", "A\r\nB"}}), "A\nB."},
    };
    for (const Case& c : cases) EXPECT_EQ(merged(c.letter, c.fields), c.expected) << c.what;
}

TEST(SerialLetterMerge, ReplacementKeepsTheMarkersFormattingAndReportsTheLastText) {
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    bold.setFontPointSize(20);
    c.insertText("Liebe ");
    c.insertText("#VORNAME#", bold);
    c.insertText(", #ORT#", QTextCharFormat());
    const auto last = replaceMarkers(doc, member({{"Vorname", "Anna"}, {"Ort", "Jena"}}));
    EXPECT_EQ(doc.toPlainText(), "Liebe Anna, Jena");
    QTextCursor at(&doc);
    at.setPosition(8);
    EXPECT_EQ(at.charFormat().fontWeight(), QFont::Bold);
    EXPECT_DOUBLE_EQ(at.charFormat().fontPointSize(), 20);
    at.setPosition(14);
    EXPECT_NE(at.charFormat().fontWeight(), QFont::Bold);
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(*last, "Jena");
    EXPECT_FALSE(replaceMarkers(doc, member({})).has_value());
}

TEST(SerialLetterMerge, FieldListsAndMarkers) {
    QStringList offered, markers;
    for (const MergeField& f : editorFields()) offered << f.name;
    for (const MergeField& f : mergeOrder()) markers << f.marker();
    EXPECT_EQ(offered, QStringList({"ID", "Anrede", "Vorname", "Nachname", "Strasse", "Land", "PLZ", "Ort", "Telefon1",
                                    "Telefon2", "Telefax", "eMail", "EintrittDatum", "AustrittDatum", "Geburtsdatum"}));
    EXPECT_EQ(markers, QStringList({"#ANREDE#", "#VORNAME#", "#NACHNAME#", "#STRASSE#", "#LAND#", "#PLZ#", "#ORT#",
                                    "#ID#", "#EINTRITTDATUM#", "#AUSTRITTDATUM#", "#GEBURTSDATUM#", "#TELEFON1#",
                                    "#TELEFON2#", "#TELEFAX#", "#EMAIL#"}));
}

TEST(SerialLetterRange, EntriesBoundsAndDatasetOrder) {
    Club club;
    club.addMember({{"ID", "12"}, {"Vorname", "Max"}, {"Nachname", "Muster"}});
    club.addMember({{"ID", "3"}, {"Vorname", "Anna"}, {"Nachname", "Zander"}});
    club.addMember({{"ID", "7"}, {"Vorname", "Bert"}, {"Nachname", "Adam"}});
    club.addMember({{"ID", "40"}, {"Vorname", "Cora"}, {"Nachname", "Berg"}});
    Dataset& m = club.members();
    m.setSort("Nachname");
    EXPECT_EQ(memberEntries(m), QStringList({"7 -  Bert Adam", "40 -  Cora Berg", "12 -  Max Muster", "3 -  Anna Zander"}));
    EXPECT_EQ(boundOf("12 -  Max Muster"), 12);
    EXPECT_EQ(boundOf("65536"), 65536);  // numbers are not cut to 16 bits

    auto ids = [&](const QVector<int>& positions) {
        QStringList out;
        for (int p : positions) out << memberEntry(m, p).section(' ', 0, 0);
        return out;
    };
    // Dataset order, not number order; members outside the range are skipped even when
    // they lie between the two chosen entries.
    EXPECT_EQ(ids(membersInRange(m, 3, 12)), QStringList({"7", "12", "3"}));
    EXPECT_EQ(ids(membersInRange(m, 7, 40)), QStringList({"7", "40", "12"}));
    EXPECT_TRUE(membersInRange(m, 40, 7).isEmpty());  // L > U prints nothing
    // First only: the members with the first entry's number.
    const int first = boundOf(memberEntries(m).first());
    EXPECT_EQ(ids(membersInRange(m, first, first)), QStringList({"7"}));

    for (const QString& bad : {QString("abc -  x"), QString(""), QString("1x"), QString(" 5")}) {
        try {
            boundOf(bad);
            ADD_FAILURE() << bad.toStdString();
        } catch (const DataError& e) {
            EXPECT_EQ(e.message(), QStringLiteral("'%1' ist kein gültiger Integerwert").arg(bad.section(' ', 0, 0)));
        }
    }
}

TEST(SerialLetterRun, WorkingFileLiesInATemporaryFolderAndTheLetterStaysUnchanged) {
    Club club;
    club.addMember({{"ID", "1"}, {"Vorname", "Anna"}, {"Nachname", "Berg"}, {"Geburtsdatum", "03.04.1970"}});
    club.addMember({{"ID", "2"}, {"Vorname", "Bert"}});
    auto letter = letterOf("Liebe #VORNAME# #NACHNAME#, geboren #GEBURTSDATUM#.");
    QString working;
    {
        SerialLetterRun run(*letter);
        working = run.workingFile();
        EXPECT_TRUE(QFile::exists(working));
        EXPECT_NE(QFileInfo(working).absolutePath(), QDir::currentPath());
        EXPECT_EQ(run.letterFor(club.members(), 0)->toPlainText(), "Liebe Anna Berg, geboren 03.04.1970.");
        EXPECT_EQ(run.letterFor(club.members(), 1)->toPlainText(), "Liebe Bert , geboren .");
        EXPECT_EQ(run.lastInserted(), "");  // Bert's empty birthday came last
    }
    EXPECT_FALSE(QFile::exists(working));
    EXPECT_FALSE(QFile::exists(QDir::current().filePath("temp")));
    EXPECT_EQ(letter->toPlainText(), "Liebe #VORNAME# #NACHNAME#, geboren #GEBURTSDATUM#.");

    QStringList printed;
    const int n = runSerialLetters(*letter, club.members(), {1, 0}, [&](QTextDocument& d) { printed << d.toPlainText(); });
    EXPECT_EQ(n, 2);
    EXPECT_EQ(printed, QStringList({"Liebe Bert , geboren .", "Liebe Anna Berg, geboren 03.04.1970."}));
}

TEST(LetterPrint, EveryLetterStartsOnANewPage) {
    QTemporaryDir dir;
    QString longText;
    for (int i = 0; i < 90; ++i) longText += QStringLiteral("Zeile %1\n").arg(i);
    auto one = letterOf("Kurz");
    auto two = letterOf(longText);
    ASSERT_EQ(letterPageCount(*one), 1);
    const int longPages = letterPageCount(*two);
    ASSERT_GE(longPages, 2);
    const QString path = dir.filePath("briefe.pdf");
    const int pages = writeLettersPdf(path, 3, [&](int i) { return letterOf(i == 1 ? longText : "Kurz"); }, "Briefe");
    EXPECT_EQ(pages, 2 + longPages);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_THROW(writeLettersPdf(dir.filePath("fehlt/x.pdf"), 1, [&](int) { return letterOf("x"); }, "x"), DataError);
    EXPECT_THROW(writeLettersPdf(dir.filePath("leer.pdf"), 0, [&](int) { return letterOf("x"); }, "x"), DataError);
    EXPECT_FALSE(QFile::exists(dir.filePath("leer.pdf")));
}

namespace {

// Share of dark pixels in a horizontal band of the page image.
double ink(const QImage& page, double fromY, double toY) {
    int dark = 0, all = 0;
    for (int y = int(fromY * page.height()); y < int(toY * page.height()); ++y)
        for (int x = 0; x < page.width(); ++x, ++all)
            if (qGray(page.pixel(x, y)) < 128) ++dark;
    return all ? double(dark) / all : 0;
}

}  // namespace

TEST(LettersCli, MergedPdfOfThreeLettersLooksLikeThreeLetters) {
    Club club;
    club.addMember({{"ID", "5"}, {"Anrede", "Frau"}, {"Vorname", "Anna"}, {"Nachname", "Zander"}, {"Ort", "Jena"}});
    club.addMember({{"ID", "2"}, {"Anrede", "Herr"}, {"Vorname", "Bert"}, {"Nachname", "Adam"}, {"Ort", "Gera"}});
    club.addMember({{"ID", "9"}, {"Anrede", "Frau"}, {"Vorname", "Cora"}, {"Nachname", "Berg"}, {"Ort", "Suhl"}});
    club.addMember({{"ID", "30"}, {"Vorname", "Dora"}, {"Nachname", "Ohne"}});
    QTemporaryDir dir;
    const QString rtf = dir.filePath("brief.rtf");
    {
        QTextDocument doc;
        QTextCursor c(&doc);
        QTextCharFormat big;
        big.setFontPointSize(28);
        big.setFontWeight(QFont::Bold);
        c.insertText("#ANREDE# #VORNAME# #NACHNAME#", big);
        QTextCharFormat body;
        body.setFontPointSize(12);
        c.insertBlock();
        c.insertText("aus #ORT#, wir laden Sie ein.", body);
        writeRtfFile(doc, rtf);
    }
    const QString pdf = dir.filePath("briefe.pdf");
    const Result r = cli(club.folder(), {"letters", "merge", "--rtf", rtf, "--pdf", pdf, "--from", "2", "--to", "9",
                                         "--sort", "Nachname"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, pdf + ": 3 Brief(e), 3 Seite(n)\n");
    ASSERT_EQ(run("pdftoppm", {"-r", "30", "-png", pdf, dir.filePath("seite")}).code, 0);
    const QStringList pngs = QDir(dir.path()).entryList({"seite*.png"}, QDir::Files, QDir::Name);
    ASSERT_EQ(pngs.size(), 3);
    for (const QString& png : pngs) {
        const QImage page(dir.filePath(png));
        ASSERT_FALSE(page.isNull());
        EXPECT_GT(page.height(), page.width());   // portrait A4
        EXPECT_GT(ink(page, 0.05, 0.12), 0.005);  // the big greeting line at the top
        EXPECT_LT(ink(page, 0.25, 1.0), 0.0001);  // and nothing further down
    }
    // In dataset order (by last name), each letter with its member's data.
    QStringList greetings;
    for (int p = 1; p <= 3; ++p) {
        const QString text = run("pdftotext", {"-f", QString::number(p), "-l", QString::number(p), pdf, "-"}).out;
        greetings << text.section('\n', 0, 0).trimmed();
        EXPECT_FALSE(text.contains('#')) << text.toStdString();
    }
    EXPECT_EQ(greetings, QStringList({"Herr Bert Adam", "Frau Cora Berg", "Frau Anna Zander"}));

    const Result first = cli(club.folder(), {"letters", "merge", "--rtf", rtf, "--pdf", pdf, "--first"});
    EXPECT_EQ(first.code, 0) << first.err.toStdString();
    EXPECT_EQ(first.out, pdf + ": 1 Brief(e), 1 Seite(n)\n");
}

TEST(LettersCli, RefusalsWriteNothing) {
    Club club;
    club.addMember({{"ID", "5"}, {"Vorname", "Anna"}});
    QTemporaryDir dir;
    const QString rtf = dir.filePath("brief.rtf");
    writeRtfFile(*letterOf("Hallo #VORNAME#"), rtf);
    QFile notRtf(dir.filePath("text.rtf"));
    ASSERT_TRUE(notRtf.open(QIODevice::WriteOnly));
    notRtf.write("kein RTF");
    notRtf.close();
    const QString pdf = dir.filePath("out.pdf");
    struct Case {
        QStringList args;
        QString message;
    };
    const Case cases[] = {
        {{"--rtf", rtf, "--pdf", pdf, "--from", "9", "--to", "3"},
         "Im gewählten Bereich liegt kein Mitglied; es wurde kein Brief geschrieben."},
        {{"--rtf", rtf, "--pdf", pdf, "--from", "6"}, "Im gewählten Bereich liegt kein Mitglied; es wurde kein Brief geschrieben."},
        {{"--rtf", rtf, "--pdf", pdf, "--from", "x"}, "'x' ist kein gültiger Integerwert"},
        {{"--rtf", dir.filePath("text.rtf"), "--pdf", pdf}, "Die Datei »text.rtf« ist keine RTF-Datei."},
        {{"--rtf", rtf}, "Es fehlt die Option --pdf DATEI."},
        {{"--pdf", pdf}, "Es fehlt die Option --rtf BRIEF."},
        {{"--rtf", rtf, "--pdf", pdf, "--first", "--to", "3"}, "--first und --from/--to schließen einander aus."},
        {{"--rtf", rtf, "--pdf", pdf, "--bis", "3"}, "Unbekannte Option »--bis«."},
    };
    for (const Case& c : cases) {
        const Result r = cli(club.folder(), QStringList{"letters", "merge"} + c.args);
        EXPECT_EQ(r.code, 1) << c.args.join(' ').toStdString();
        EXPECT_EQ(r.err.trimmed().section('\n', -1), c.message) << c.args.join(' ').toStdString();
        EXPECT_FALSE(QFile::exists(pdf));
    }
}
