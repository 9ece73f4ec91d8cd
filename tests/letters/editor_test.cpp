// The letter editor and the serial letter print dialog driven offscreen: opening from the
// main window, "ohne Namen", the save questions and file dialogs, the field bar through
// the clipboard, word wrap, character and paragraph formatting with the selection
// feedback, the ruler, and the serial print into collected letters and a PDF.
#include "club.h"
#include "letters/rtfreader.h"
#include "letters/rtfwriter.h"
#include "letters/ruler.h"
#include "letters/serialprintdialog.h"
#include "letters/texteditor.h"
#include "mainform.h"
#include "messagescript.h"
#include "programs.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPrinter>
#include <QRegularExpression>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolButton>

using namespace ferolind;
using namespace ferolind::letters;
using test::Club;
using test::MessageScript;
namespace te = ferolind::ui::texteditor::controls;
namespace sp = ferolind::ui::serialprint::controls;

namespace {

template <class T>
T* get(QObject* screen, const char* name) {
    T* c = screen->findChild<T*>(QString::fromLatin1(name));
    EXPECT_TRUE(c) << name;
    return c;
}

QAction* act(QObject* screen, const char* name) { return get<QAction>(screen, name); }

// The editor on a club, shown as the main window shows it; dialogs answered by the test.
struct Editor {
    Club club;
    TTextNeuF screen{*club.session};
    QStringList savePresets;
    QString savePath, openPath;
    Editor() {
        screen.askSavePath = [this](const QString& preset, const QString&) {
            savePresets << preset;
            return savePath;
        };
        screen.askOpenPath = [this](const QString&) { return openPath; };
        screen.show();
        QApplication::processEvents();
    }
    QTextEdit* edit() { return get<QTextEdit>(&screen, te::kEditor); }
    void type(const QString& text) { QTest::keyClicks(edit(), text); }
};

}  // namespace

TEST(LetterEditor, MainWindowOpensItFromBothEntries) {
    Club club;
    TMainForm window(*club.session);
    QStringList shown;
    window.execScreen = [&](QDialog& d) {
        shown << d.metaObject()->className();
        return 0;
    };
    for (const char* name : {"ActBrief", "ActSerienbrief"}) {
        ASSERT_TRUE(window.action(name)->isEnabled()) << name;
        window.action(name)->trigger();
    }
    EXPECT_EQ(shown, QStringList({"TTextNeuF", "TTextNeuF"}));
}

TEST(LetterEditor, EachShowingStartsEmptyWithFontsAndFields) {
    Editor e;
    EXPECT_EQ(e.screen.windowTitle(), "ohne Namen");
    EXPECT_EQ(e.screen.documentName(), "ohne Namen");
    auto* fonts = get<QComboBox>(&e.screen, te::kFontName);
    ASSERT_GT(fonts->count(), 0);
    QStringList families;
    for (int i = 0; i < fonts->count(); ++i) families << fonts->itemText(i);
    QStringList sorted = families;
    sorted.sort(Qt::CaseInsensitive);
    EXPECT_EQ(families, sorted);
    auto* fields = get<QComboBox>(&e.screen, te::kFields);
    QStringList offered;
    for (int i = 0; i < fields->count(); ++i) offered << fields->itemText(i);
    EXPECT_EQ(offered.first(), "ID");
    EXPECT_EQ(offered.last(), "Geburtsdatum");
    EXPECT_EQ(offered.size(), 15);
    EXPECT_EQ(get<QLineEdit>(&e.screen, te::kFontSize)->text(), "8");
    EXPECT_TRUE(act(&e.screen, "Links1")->isChecked());
    EXPECT_TRUE(act(&e.screen, "Zeilenumbruch1")->isChecked());

    e.type("Entwurf");
    e.screen.hide();
    MessageScript answers(ui::Answer::No);
    e.screen.prepareShow();
    EXPECT_TRUE(e.screen.document()->isEmpty());
    EXPECT_FALSE(e.screen.modified());
}

TEST(LetterEditor, SavingANewLetterAsksForTheFileAndCancellingLeavesItUnsaved) {
    Editor e;
    e.type("Hallo");
    ASSERT_TRUE(e.screen.modified());
    act(&e.screen, "Speichern1")->trigger();  // cancelled: empty path
    EXPECT_EQ(e.savePresets, QStringList({""}));
    EXPECT_TRUE(e.screen.modified());
    EXPECT_EQ(e.screen.windowTitle(), "ohne Namen");

    QTemporaryDir dir;
    e.savePath = dir.filePath("einladung.rtf");
    act(&e.screen, "Speichern1")->trigger();
    EXPECT_FALSE(e.screen.modified());
    EXPECT_EQ(e.screen.windowTitle(), "einladung.rtf");
    EXPECT_EQ(e.screen.documentName(), e.savePath);
    EXPECT_EQ(readRtfFile(e.savePath)->toPlainText(), "Hallo");

    // "Speichern als ..." is preset with the name; "Speichern" writes without asking.
    e.type(" Welt");
    act(&e.screen, "Speichern1")->trigger();
    EXPECT_EQ(e.savePresets.size(), 2);
    EXPECT_EQ(readRtfFile(e.savePath)->toPlainText(), "Hallo Welt");
    e.savePath.clear();
    act(&e.screen, "Speichernunter1")->trigger();
    EXPECT_EQ(e.savePresets.last(), dir.filePath("einladung.rtf"));
}

TEST(LetterEditor, OpeningLoadsTheFileAndAFileThatCannotBeReadChangesNothing) {
    Editor e;
    QTemporaryDir dir;
    const QString path = dir.filePath("brief.rtf");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 Liebe {\\b Mitglieder}\\par Zweite Zeile\\par}");
    f.close();
    e.openPath = path;
    act(&e.screen, "Oeffnen1")->trigger();
    EXPECT_EQ(e.screen.document()->toPlainText(), "Liebe Mitglieder\nZweite Zeile");
    EXPECT_EQ(e.screen.windowTitle(), "brief.rtf");
    EXPECT_EQ(e.edit()->textCursor().position(), 0);
    EXPECT_FALSE(e.screen.modified());

    // A modified letter: the question first; cancel stops.
    e.type("X");
    {
        MessageScript answers(ui::Answer::Cancel);
        e.openPath = dir.filePath("fehlt.rtf");
        act(&e.screen, "Oeffnen1")->trigger();
        EXPECT_EQ(answers.texts, QStringList({"Änderungen speichern in " + path + "?"}));
        EXPECT_EQ(e.screen.document()->toPlainText(), "XLiebe Mitglieder\nZweite Zeile");
    }
    {
        MessageScript answers(ui::Answer::No);
        act(&e.screen, "Oeffnen1")->trigger();
        ASSERT_EQ(answers.texts.size(), 2);
        EXPECT_TRUE(answers.texts[1].startsWith("Die Datei »" + dir.filePath("fehlt.rtf") + "« kann nicht gelesen werden"))
            << answers.texts[1].toStdString();
        EXPECT_EQ(e.screen.document()->toPlainText(), "XLiebe Mitglieder\nZweite Zeile");
        EXPECT_EQ(e.screen.documentName(), path);
    }
}

TEST(LetterEditor, NewAndCloseAskBeforeAModifiedLetterIsLost) {
    Editor e;
    e.type("Wichtig");
    {
        MessageScript answers(ui::Answer::Cancel);
        e.screen.reject();
        EXPECT_EQ(answers.texts, QStringList({"Änderungen speichern in ohne Namen?"}));
        EXPECT_TRUE(e.screen.isVisible());
        EXPECT_EQ(e.screen.document()->toPlainText(), "Wichtig");
        act(&e.screen, "Neu1")->trigger();
        EXPECT_EQ(e.screen.document()->toPlainText(), "Wichtig");
    }
    {
        // Yes saves first; a cancelled save dialog keeps the letter.
        MessageScript answers(ui::Answer::Yes);
        act(&e.screen, "Neu1")->trigger();
        EXPECT_EQ(e.screen.document()->toPlainText(), "Wichtig");
        QTemporaryDir dir;
        e.savePath = dir.filePath("w.rtf");
        act(&e.screen, "Neu1")->trigger();
        EXPECT_TRUE(e.screen.document()->isEmpty());
        EXPECT_EQ(readRtfFile(e.savePath)->toPlainText(), "Wichtig");
        EXPECT_EQ(e.screen.windowTitle(), "ohne Namen");
    }
    e.type("Weg");
    {
        MessageScript answers(ui::Answer::No);
        act(&e.screen, "Beenden1")->trigger();
        EXPECT_FALSE(e.screen.isVisible());
    }
    // An unchanged letter is replaced and closed without a question.
    MessageScript none;
    e.screen.show();
    act(&e.screen, "Neu1")->trigger();
    e.screen.reject();
    EXPECT_TRUE(none.texts.isEmpty());
}

TEST(LetterEditor, FieldBarInsertsTheMarkerThroughTheClipboard) {
    Editor e;
    e.type("MaxMuster");
    QTextCursor c = e.edit()->textCursor();
    c.setPosition(3);
    e.edit()->setTextCursor(c);
    auto* fields = get<QComboBox>(&e.screen, te::kFields);
    emit fields->activated(fields->findText("Nachname"));
    EXPECT_EQ(e.screen.document()->toPlainText(), "Max#NACHNAME#Muster");
    EXPECT_EQ(QApplication::clipboard()->text(), "#NACHNAME#");
    // A selection is replaced.
    c.setPosition(0);
    c.setPosition(3, QTextCursor::KeepAnchor);
    e.edit()->setTextCursor(c);
    emit fields->activated(fields->findText("eMail"));
    EXPECT_EQ(e.screen.document()->toPlainText(), "#EMAIL##NACHNAME#Muster");
}

TEST(LetterEditor, PrintingGoesToTheChosenPrinterUnderTheDocumentsName) {
    Editor e;
    e.type("Ein Brief");
    QTemporaryDir dir;
    const QString pdf = dir.filePath("druck.pdf");
    QString jobName;
    bool asked = false;
    e.screen.askPrint = [&](QPrinter& p) {
        asked = true;
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pdf);
        return true;
    };
    act(&e.screen, "Drucken1")->trigger();
    EXPECT_TRUE(asked);
    const QString info = test::run("pdfinfo", {pdf}).out;
    EXPECT_TRUE(info.contains(QRegularExpression("Title:\\s+ohne Namen\n"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+1\n"))) << info.toStdString();
    EXPECT_TRUE(test::run("pdftotext", {pdf, "-"}).out.contains("Ein Brief"));
    // A cancelled print dialog prints nothing.
    QFile::remove(pdf);
    e.screen.askPrint = [](QPrinter&) { return false; };
    act(&e.screen, "Drucken1")->trigger();
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST(LetterEditor, WordWrapDecidesTheHorizontalScrollBar) {
    Editor e;
    QAction* wrap = act(&e.screen, "Zeilenumbruch1");
    EXPECT_EQ(e.edit()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(e.edit()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    wrap->trigger();
    EXPECT_FALSE(wrap->isChecked());
    EXPECT_EQ(e.edit()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(e.edit()->lineWrapMode(), QTextEdit::NoWrap);
    wrap->trigger();
    EXPECT_TRUE(wrap->isChecked());
    EXPECT_EQ(e.edit()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(e.edit()->lineWrapMode(), QTextEdit::WidgetWidth);
}

TEST(LetterEditor, FormattingSetsTheSelectionAndTheToolBarFollowsTheCaret) {
    Editor e;
    e.type("eins zwei");
    QTextCursor c = e.edit()->textCursor();
    c.setPosition(5);
    c.setPosition(9, QTextCursor::KeepAnchor);
    e.edit()->setTextCursor(c);
    get<QToolButton>(&e.screen, te::kBold)->click();
    auto* size = get<QLineEdit>(&e.screen, te::kFontSize);
    size->setText("20");
    emit size->editingFinished();
    {
        MessageScript answers;
        size->setText("zwölf");
        emit size->editingFinished();
        EXPECT_EQ(answers.texts, QStringList({"'zwölf' ist kein gültiger Integerwert"}));
    }
    act(&e.screen, "Zentriert1")->trigger();

    QTextCursor at(e.screen.document());
    at.setPosition(7);
    EXPECT_EQ(at.charFormat().fontWeight(), QFont::Bold);
    EXPECT_DOUBLE_EQ(at.charFormat().fontPointSize(), 20);
    at.setPosition(2);
    EXPECT_NE(at.charFormat().fontWeight(), QFont::Bold);
    EXPECT_EQ(e.screen.document()->firstBlock().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_TRUE(get<QToolButton>(&e.screen, te::kCenter)->isChecked());
    EXPECT_FALSE(act(&e.screen, "Links1")->isChecked());
    EXPECT_TRUE(act(&e.screen, "Zentriert1")->isChecked());

    // The caret in plain text: the toggles and the size follow, and nothing is written back.
    c.setPosition(2);
    e.edit()->setTextCursor(c);
    EXPECT_FALSE(get<QToolButton>(&e.screen, te::kBold)->isChecked());
    EXPECT_EQ(size->text(), "8");
    c.setPosition(7);
    e.edit()->setTextCursor(c);
    EXPECT_TRUE(get<QToolButton>(&e.screen, te::kBold)->isChecked());
    EXPECT_EQ(size->text(), "20");
    at.setPosition(2);
    EXPECT_NE(at.charFormat().fontWeight(), QFont::Bold);
}

TEST(LetterRuler, MarkerFormulas) {
    struct Case {
        Indents in;
        int W, first, left, right;
    };
    const Case cases[] = {
        {{0, 0, 0}, 600, 2, 2, 600 - 8 - 6},
        {{36, -18, 9}, 600, 50, 26, 600 - 20 - 6},
        {{-3, 0, 1}, 500, -2, -2, 500 - 9 - 6},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(firstMarkerLeft(c.in), c.first);
        EXPECT_EQ(leftMarkerLeft(c.in), c.left);
        EXPECT_EQ(rightMarkerLeft(c.in, c.W), c.right);
    }
    // Releases: Trunc((left + h - 6) * 3/4) and the right edge's Trunc((W - left + h - 2) * 3/4) - 12.
    EXPECT_EQ(releaseLeftMarker({10, 0, 0}, 70, 4), (Indents{10, 41, 0}));
    EXPECT_EQ(releaseFirstMarker({0, 30, 0}, 30, 4, 70, 4), (Indents{21, 30, 0}));
    EXPECT_EQ(releaseRightMarker({0, 0, 0}, 500, 4, 600), (Indents{0, 0, 64}));
    EXPECT_EQ(releaseLeftMarker({0, 0, 0}, 0, 4), (Indents{0, -1, 0}));  // toward zero: Trunc(-1.5)
    // Indents and the paragraph format: first line at first, the others at first + left.
    QTextBlockFormat f;
    setIndents(f, {36, -18, 9});
    EXPECT_DOUBLE_EQ(f.leftMargin(), 24);
    EXPECT_DOUBLE_EQ(f.textIndent(), 24);
    EXPECT_DOUBLE_EQ(f.rightMargin(), 12);
    EXPECT_EQ(indentsOf(f), (Indents{36, -18, 9}));
}

TEST(LetterRuler, DraggingAMarkerSetsTheParagraphsIndents) {
    Editor e;
    e.type("Absatz");
    auto* left = get<QLabel>(&e.screen, te::kLeftMarker);
    auto* ruler = get<QWidget>(&e.screen, te::kRuler);
    const int h = left->width() / 2;
    EXPECT_EQ(left->x(), 2);
    // Press on the marker, move the pointer to x = 70 in the ruler, release.
    const QPoint inMarker(h, 3);
    QTest::mousePress(left, Qt::LeftButton, {}, inMarker);
    QMouseEvent move(QEvent::MouseMove, QPointF(left->mapFrom(ruler, QPoint(70, 3))), QPointF(), Qt::NoButton,
                     Qt::LeftButton, {});
    QApplication::sendEvent(left, &move);
    EXPECT_EQ(left->x(), 70 - h);
    QTest::mouseRelease(left, Qt::LeftButton, {}, left->mapFrom(ruler, QPoint(70, 3)));
    const Indents i = indentsOf(e.screen.document()->firstBlock().blockFormat());
    EXPECT_EQ(i, (Indents{0, (70 - h + h - 6) * 3 / 4, 0}));
    EXPECT_EQ(left->x(), leftMarkerLeft(i));
}

namespace {

struct SerialPrint {
    Club club;
    TTextNeuF editor{*club.session};
    TTextDruckerDialogNeuF* dialog = editor.printDialog();
    QStringList printed, jobNames;
    SerialPrint() {
        club.addMember({{"ID", "12"}, {"Vorname", "Max"}, {"Nachname", "Muster"}, {"Ort", "Jena"}});
        club.addMember({{"ID", "3"}, {"Vorname", "#ORT#"}, {"Nachname", "Adam"}, {"Ort", "Gera"}});
        club.addMember({{"ID", "7"}, {"Vorname", "Cora"}, {"Nachname", "Berg"}});
        club.members().setSort("Nachname");
        dialog->printOne = [this](QPrinter& p, const QTextDocument& doc) {
            printed << doc.toPlainText();
            jobNames << p.docName();
            return true;
        };
        editor.execPrintDialog = [](QDialog& d) {
            d.show();
            return 0;
        };
        QTextCursor(editor.document()).insertText("Hallo #VORNAME# #NACHNAME# aus #ORT#");
    }
    QComboBox* from() { return get<QComboBox>(dialog, sp::kFrom); }
    QComboBox* to() { return get<QComboBox>(dialog, sp::kTo); }
};

}  // namespace

TEST(SerialPrintDialog, ListsTheMembersAndPrintsOneJobPerLetterInDatasetOrder) {
    SerialPrint s;
    act(&s.editor, "AlleBriefedrucken1")->trigger();
    EXPECT_EQ(s.dialog->windowTitle(), "Serienbrief drucken");
    ASSERT_EQ(s.from()->count(), 3);
    EXPECT_EQ(s.from()->currentText(), "3 -  #ORT# Adam");
    EXPECT_EQ(s.to()->currentText(), "12 -  Max Muster");
    EXPECT_FALSE(get<QCheckBox>(s.dialog, sp::kFirstOnly)->isChecked());
    EXPECT_TRUE(s.from()->isEnabled());
    get<QPushButton>(s.dialog, sp::kPrint)->click();
    EXPECT_EQ(s.printed, QStringList({"Hallo Gera Adam aus Gera", "Hallo Cora Berg aus ", "Hallo Max Muster aus Jena"}));
    EXPECT_EQ(s.jobNames, QStringList({"Ferolind", "Ferolind", "Ferolind"}));
    EXPECT_FALSE(s.dialog->isVisible());
    EXPECT_EQ(QApplication::clipboard()->text(), "Jena");
    EXPECT_EQ(s.editor.document()->toPlainText(), "Hallo #VORNAME# #NACHNAME# aus #ORT#");
}

TEST(SerialPrintDialog, RangesFirstOnlyAndRefusedBounds) {
    SerialPrint s;
    act(&s.editor, "ErstenBriefdrucken1")->trigger();
    EXPECT_TRUE(get<QCheckBox>(s.dialog, sp::kFirstOnly)->isChecked());
    EXPECT_EQ(s.to()->currentText(), "3 -  #ORT# Adam");
    EXPECT_FALSE(s.from()->isEnabled());
    EXPECT_FALSE(s.to()->isEnabled());
    get<QPushButton>(s.dialog, sp::kPrint)->click();
    EXPECT_EQ(s.printed, QStringList({"Hallo Gera Adam aus Gera"}));

    s.printed.clear();
    act(&s.editor, "AlleBriefedrucken1")->trigger();
    EXPECT_TRUE(s.from()->isEnabled());
    {
        // L > U: nothing printed, and the user is told.
        MessageScript answers;
        s.from()->setCurrentIndex(2);
        s.to()->setCurrentIndex(0);
        get<QPushButton>(s.dialog, sp::kPrint)->click();
        EXPECT_TRUE(s.printed.isEmpty());
        EXPECT_EQ(answers.texts, QStringList({"Im gewählten Bereich liegt kein Mitglied; es wurde kein Brief gedruckt."}));
    }
    act(&s.editor, "AlleBriefedrucken1")->trigger();
    {
        // A typed bound that is no number: the conversion message, nothing printed, the dialog stays.
        MessageScript answers;
        s.from()->setEditText("drei");
        get<QPushButton>(s.dialog, sp::kPrint)->click();
        EXPECT_EQ(answers.texts, QStringList({"'drei' ist kein gültiger Integerwert"}));
        EXPECT_TRUE(s.printed.isEmpty());
        EXPECT_TRUE(s.dialog->isVisible());
    }
    // Typed numbers: 7 to 12 skips member 3 although it lies between in the list.
    s.from()->setEditText("7");
    s.to()->setEditText("12 -  egal");
    get<QPushButton>(s.dialog, sp::kPrint)->click();
    EXPECT_EQ(s.printed, QStringList({"Hallo Cora Berg aus ", "Hallo Max Muster aus Jena"}));
}

TEST(SerialPrintDialog, WritesAllLettersIntoOnePdf) {
    SerialPrint s;
    QTemporaryDir dir;
    const QString pdf = dir.filePath("briefe.pdf");
    s.dialog->askPdfPath = [&] { return pdf; };
    act(&s.editor, "AlleBriefedrucken1")->trigger();
    get<QPushButton>(s.dialog, sp::kPdf)->click();
    EXPECT_TRUE(s.printed.isEmpty());
    EXPECT_TRUE(test::run("pdfinfo", {pdf}).out.contains(QRegularExpression("Pages:\\s+3\n")))
        << "three letters, one page each";
    EXPECT_FALSE(s.dialog->isVisible());
}

TEST(SerialPrintDialog, AMissingFontIsNamedBeforeAnythingIsPrinted) {
    SerialPrint s;
    QTextCursor c(s.editor.document());
    c.select(QTextCursor::Document);
    QTextCharFormat f;
    f.setFontFamilies({QStringLiteral("Keine Solche Schrift")});
    c.mergeCharFormat(f);
    act(&s.editor, "AlleBriefedrucken1")->trigger();
    {
        test::MessageScript answers(ui::Answer::No);
        get<QPushButton>(s.dialog, sp::kPrint)->click();
        ASSERT_EQ(answers.texts.size(), 1);
        EXPECT_TRUE(answers.texts[0].contains(QStringLiteral("»Keine Solche Schrift« ist nicht installiert")))
            << answers.texts[0].toStdString();
        EXPECT_TRUE(s.printed.isEmpty());
    }
    act(&s.editor, "AlleBriefedrucken1")->trigger();
    test::MessageScript yes(ui::Answer::Yes);
    get<QPushButton>(s.dialog, sp::kPrint)->click();
    EXPECT_EQ(s.printed.size(), 3);
}
