// Reading and writing letters as RTF: small inputs of the forms word processors write,
// malformed input, the round trip, and the two fixtures (one written by LibreOffice, one
// in the form Word writes).
#include "data/errors.h"
#include "letters/rtfreader.h"
#include "letters/rtfwriter.h"
#include "testsupport.h"

#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace ferolind;
using namespace ferolind::letters;

namespace {

struct TextRun {
    QString text, family;
    double points;
    bool bold, italic, underline;
};

std::vector<TextRun> runsOf(const QTextBlock& block) {
    std::vector<TextRun> out;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextCharFormat f = it.fragment().charFormat();
        out.push_back({it.fragment().text(), f.fontFamilies().toStringList().value(0), f.fontPointSize(),
                       f.fontWeight() >= QFont::Bold, f.fontItalic(), f.fontUnderline()});
    }
    return out;
}

QTextBlock blockAt(const QTextDocument& doc, int n) { return doc.findBlockByNumber(n); }

std::unique_ptr<QTextDocument> read(const char* rtf) { return readRtf(QByteArray(rtf)); }

QString fixture(const char* name) { return QStringLiteral(FEROLIND_LETTER_FIXTURES "/") + QString::fromLatin1(name); }

}  // namespace

TEST(RtfRead, CharacterAndParagraphFormatting) {
    auto doc = read(
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman\\fcharset0 Times New Roman;}}\n"
        "\\pard\\plain\\f0\\fs20 Hallo {\\b fett} {\\i kursiv} {\\ul unter}\\ul0  normal\\par\n"
        "\\pard\\qc\\f1\\fs32 Mitte\\par\n"
        "\\pard\\qr\\fi-360\\li720\\ri360 Rechts\\par}");
    ASSERT_EQ(doc->blockCount(), 3);
    const auto runs = runsOf(blockAt(*doc, 0));
    ASSERT_EQ(runs.size(), 7u);
    EXPECT_EQ(runs[0].text, "Hallo ");
    EXPECT_EQ(runs[0].family, "Arial");
    EXPECT_DOUBLE_EQ(runs[0].points, 10);
    EXPECT_TRUE(runs[1].bold && !runs[1].italic);
    EXPECT_EQ(runs[1].text, "fett");
    EXPECT_TRUE(runs[3].italic && !runs[3].bold);
    EXPECT_TRUE(runs[5].underline);
    EXPECT_FALSE(runs[6].underline);
    EXPECT_EQ(runs[6].text, " normal");

    const QTextBlock mid = blockAt(*doc, 1);
    EXPECT_EQ(mid.text(), "Mitte");
    EXPECT_EQ(mid.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(runsOf(mid)[0].family, "Times New Roman");
    EXPECT_DOUBLE_EQ(runsOf(mid)[0].points, 16);

    // Indents in pixels of a 96 dpi screen: 720 twips are 36 points are 48 pixels.
    const QTextBlockFormat right = blockAt(*doc, 2).blockFormat();
    EXPECT_EQ(right.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    EXPECT_DOUBLE_EQ(right.textIndent(), -24);
    EXPECT_DOUBLE_EQ(right.leftMargin(), 48);
    EXPECT_DOUBLE_EQ(right.rightMargin(), 24);
}

TEST(RtfRead, CharactersInTheirCodePages) {
    struct Case {
        const char* rtf;
        QString text;
    };
    const Case cases[] = {
        {"{\\rtf1\\ansi\\ansicpg1252 Gr\\'fc\\'dfe \\'80 \\'84x\\'93}", QStringLiteral("Grüße € „x“")},
        {"{\\rtf1\\ansi\\uc1 \\u8364?\\u-10179?\\u-8704? \\uc2\\u937\\'4f\\'4dx}", QStringLiteral("€😀 Ωx")},
        {"{\\rtf1 a\\tab b\\line c\\~d\\{e\\}f\\\\g\\emdash\\bullet}", QStringLiteral("a\tb\u2028c\u00a0d{e}f\\g\u2014\u2022")},
        {"{\\rtf1\\ansi\\ansicpg1251 \\'c0\\'e1\\'e2}", QStringLiteral("Абв")},
        {"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset161 Arial Greek;}}\\f1 \\'e1\\f0 \\'e1}", QStringLiteral("αá")},
        {"{\\rtf1\\ansi{\\upr{ansi}{\\*\\ud{uni}}}}", QStringLiteral("ansi")},
    };
    for (const Case& c : cases) EXPECT_EQ(read(c.rtf)->toRawText(), c.text) << c.rtf;
}

TEST(RtfRead, DestinationsThatAreNoTextAreSkipped) {
    auto doc = read(
        "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss{\\*\\panose 020b0604020202020204}Arial{\\*\\falt Helvetica};}}"
        "{\\colortbl;\\red255\\green0\\blue0;}{\\stylesheet{\\s0 Normal;}}{\\info{\\title Titel}{\\author A}}"
        "{\\*\\generator Writer;}{\\header Kopf}{\\*\\unbekannt geheim {\\b tief}}"
        "{\\pict\\pngblip 89504e47}{\\*\\bkmkstart m1}"
        "Vor {\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt Verweis}} {\\cf1 rot}\\par}");
    EXPECT_EQ(doc->toPlainText(), "Vor Verweis rot");
    const auto runs = runsOf(doc->firstBlock());
    EXPECT_EQ(runs.front().family, "Arial");
    QTextCursor c(doc.get());
    c.setPosition(doc->toPlainText().indexOf("rot") + 1);
    EXPECT_EQ(c.charFormat().foreground().color(), QColor(255, 0, 0));
}

TEST(RtfRead, MalformedInputLoadsWhatItCan) {
    struct Case {
        QByteArray rtf;
        QString text;
    };
    const Case cases[] = {
        {"{\\rtf1 offen", "offen"},
        {"{\\rtf1 zu}}}} danach", "zu"},
        {"{\\rtf1 a\\u", "a"},
        {"{\\rtf1 a\\'", "a"},
        {"{\\rtf1 a\\'zz b}", "azz b"},
        {"{\\rtf1 a\\fs99999999999999999 b\\fi-99999999999 c\\par}", "abc"},
        {"{\\rtf1 a\\bin999999999 nicht}", "a"},
        {"{\\rtf1 \\u-99999? \\uc-5 x}", QString(QChar(char16_t(-99999 + 65536))) + " x"},
        {"{\\rtf1{\\fonttbl{\\f0 Offen", ""},
        {QByteArray("{\\rtf1 ") + QByteArray(100000, '{') + "tief" + QByteArray(100000, '}') + " flach}", "tief flach"},
        {"{\\rtf1 \\" + QByteArray(100, 'x') + " y}", "y"},
    };
    for (const Case& c : cases) EXPECT_EQ(read(c.rtf.constData())->toPlainText(), c.text) << c.rtf.left(60).constData();
}

TEST(RtfRead, NoRtfIsRefused) {
    for (const char* data : {"", "Hallo", "{\\rt", "<html>{\\rtf1}"}) {
        try {
            readRtf(QByteArray(data));
            ADD_FAILURE() << data;
        } catch (const DataError& e) {
            EXPECT_EQ(e.message(), "Die Daten sind kein Text im Rich-Text-Format (RTF).");
        }
    }
    // A file names itself; one that cannot be read gives the system's reason.
    QTemporaryDir dir;
    const QString text = dir.filePath("brief.rtf");
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Nur Text");
    f.close();
    EXPECT_THROW(
        {
            try {
                readRtfFile(text);
            } catch (const DataError& e) {
                EXPECT_EQ(e.message(), "Die Datei »brief.rtf« ist keine RTF-Datei.");
                throw;
            }
        },
        DataError);
    EXPECT_THROW(readRtfFile(dir.filePath("fehlt.rtf")), DataError);
}

namespace {

// A letter with every attribute the editor sets.
std::unique_ptr<QTextDocument> formattedLetter() {
    auto doc = std::make_unique<QTextDocument>();
    doc->setDefaultFont(QFont("Arial", 10));
    QTextCursor c(doc.get());
    QTextCharFormat plain;
    plain.setFontFamilies({"Arial"});
    plain.setFontPointSize(10);
    QTextCharFormat bold = plain;
    bold.setFontWeight(QFont::Bold);
    QTextCharFormat big;
    big.setFontFamilies({"Times New Roman"});
    big.setFontPointSize(18);
    big.setFontItalic(true);
    big.setFontUnderline(true);
    big.setForeground(QColor(0, 0, 255));
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    c.setBlockFormat(centred);
    c.insertText("Einladung", big);
    QTextBlockFormat indented;
    indented.setAlignment(Qt::AlignLeft);
    indented.setTextIndent(-24);
    indented.setLeftMargin(48);
    indented.setRightMargin(12);
    c.insertBlock(indented, plain);
    c.insertText(QString::fromUtf16(u"Liebe #VORNAME#, Grüße – {Klammern} \\ 😀\tTab"), plain);
    c.insertText(" fett", bold);
    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    c.insertBlock(right, plain);
    c.insertBlock(right, plain);
    c.insertText(QString::fromUtf16(u"Zeile\u2028zwei"), plain);
    return doc;
}

}  // namespace

TEST(RtfWrite, RoundTripKeepsTextFontsSizesStylesAlignmentAndIndents) {
    auto original = formattedLetter();
    const QByteArray rtf = writeRtf(*original);
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0")) << rtf.constData();
    auto back = readRtf(rtf);
    ASSERT_EQ(back->blockCount(), original->blockCount());
    EXPECT_EQ(back->toPlainText(), original->toPlainText());
    for (int b = 0; b < original->blockCount(); ++b) {
        const QTextBlockFormat o = blockAt(*original, b).blockFormat(), r = blockAt(*back, b).blockFormat();
        EXPECT_EQ(r.alignment() & Qt::AlignHorizontal_Mask, o.alignment() & Qt::AlignHorizontal_Mask) << b;
        EXPECT_DOUBLE_EQ(r.textIndent(), o.textIndent()) << b;
        EXPECT_DOUBLE_EQ(r.leftMargin(), o.leftMargin()) << b;
        EXPECT_DOUBLE_EQ(r.rightMargin(), o.rightMargin()) << b;
        const auto ro = runsOf(blockAt(*original, b)), rr = runsOf(blockAt(*back, b));
        ASSERT_EQ(rr.size(), ro.size()) << b;
        for (size_t i = 0; i < ro.size(); ++i) {
            EXPECT_EQ(rr[i].text, ro[i].text);
            EXPECT_EQ(rr[i].family, ro[i].family);
            EXPECT_DOUBLE_EQ(rr[i].points, ro[i].points);
            EXPECT_EQ(rr[i].bold, ro[i].bold);
            EXPECT_EQ(rr[i].italic, ro[i].italic);
            EXPECT_EQ(rr[i].underline, ro[i].underline);
        }
    }
    QTextCursor c(back.get());
    c.setPosition(2);
    EXPECT_EQ(c.charFormat().foreground().color(), QColor(0, 0, 255));
    // Written again, the file is the same: nothing grows or drifts.
    EXPECT_EQ(writeRtf(*back).toStdString(), rtf.toStdString());
}

TEST(RtfWrite, ColourTableIsKeptInItsOrder) {
    auto doc = read("{\\rtf1{\\colortbl;\\red10\\green20\\blue30;\\red255\\green0\\blue0;}{\\cf2 rot}}");
    const QByteArray rtf = writeRtf(*doc);
    EXPECT_TRUE(rtf.contains("{\\colortbl;\\red10\\green20\\blue30;\\red255\\green0\\blue0;}")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\cf2 rot")) << rtf.constData();
}

TEST(RtfWrite, FileIsWrittenWholeOrNotAtAll) {
    QTemporaryDir dir;
    auto doc = formattedLetter();
    const QString path = dir.filePath("brief.rtf");
    writeRtfFile(*doc, path);
    EXPECT_EQ(readRtfFile(path)->toPlainText(), doc->toPlainText());
    EXPECT_THROW(writeRtfFile(*doc, dir.filePath("fehlt/brief.rtf")), DataError);
    EXPECT_FALSE(QFile::exists(dir.filePath("fehlt/brief.rtf")));
}

// Made by LibreOffice Writer from fixtures/libreoffice.fodt (see fixtures/README.md).
TEST(RtfFixtures, LibreOfficeLetterLoads) {
    auto doc = readRtfFile(fixture("libreoffice.rtf"));
    const QString text = doc->toPlainText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("Turnverein Grün-Weiß e.V."))) << text.toStdString();
    QTextBlock title = doc->firstBlock();
    EXPECT_EQ(title.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(runsOf(title)[0].family, "Liberation Serif");
    EXPECT_DOUBLE_EQ(runsOf(title)[0].points, 16);
    EXPECT_TRUE(runsOf(title)[0].bold);
    bool sawItalic = false, sawUnderline = false, sawRight = false, sawIndent = false, sawMarker = false;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (const TextRun& r : runsOf(b)) {
            sawItalic |= r.italic && r.text.contains("herzlich");
            sawUnderline |= r.underline && r.text.contains("Versammlung");
            sawMarker |= r.text.contains("#VORNAME#") && r.family == "Liberation Sans" && r.points == 11;
        }
        sawRight |= (b.blockFormat().alignment() & Qt::AlignRight) && b.text().contains("Musterstadt");
        sawIndent |= b.blockFormat().leftMargin() == 48 && b.blockFormat().textIndent() == -24;
    }
    EXPECT_TRUE(sawItalic);
    EXPECT_TRUE(sawUnderline);
    EXPECT_TRUE(sawRight);
    EXPECT_TRUE(sawIndent);
    EXPECT_TRUE(sawMarker);
    EXPECT_TRUE(text.contains(QStringLiteral("Grüße € „Zitat“"))) << text.toStdString();
}

// Written by hand in the form Word writes (no Word was at hand).
TEST(RtfFixtures, WordStyleLetterLoads) {
    auto doc = readRtfFile(fixture("wordstyle.rtf"));
    ASSERT_GE(doc->blockCount(), 4);
    EXPECT_EQ(blockAt(*doc, 0).text(), QStringLiteral("Sehr geehrte #ANREDE# #NACHNAME#,"));
    EXPECT_EQ(runsOf(blockAt(*doc, 0))[0].family, "Calibri");
    EXPECT_DOUBLE_EQ(runsOf(blockAt(*doc, 0))[0].points, 11);
    const QTextBlock second = blockAt(*doc, 1);
    EXPECT_EQ(second.text(), QStringLiteral("wir laden Sie herzlich zur Jahreshauptversammlung ein – Beginn 19:00 Uhr."));
    const auto runs = runsOf(second);
    EXPECT_TRUE(std::any_of(runs.begin(), runs.end(), [](const TextRun& r) { return r.bold && r.text == "herzlich"; }));
    EXPECT_EQ(blockAt(*doc, 2).blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(runsOf(blockAt(*doc, 2))[0].family, "Times New Roman");
    EXPECT_DOUBLE_EQ(runsOf(blockAt(*doc, 2))[0].points, 14);
    EXPECT_TRUE(runsOf(blockAt(*doc, 2))[0].italic);
    EXPECT_DOUBLE_EQ(blockAt(*doc, 3).blockFormat().leftMargin(), 48);
    EXPECT_DOUBLE_EQ(blockAt(*doc, 3).blockFormat().textIndent(), -24);
    EXPECT_EQ(blockAt(*doc, 3).text(), QStringLiteral("•\tTagesordnung: Grüße, Kassenbericht"));
    EXPECT_FALSE(doc->toPlainText().contains("Normal"));
}
